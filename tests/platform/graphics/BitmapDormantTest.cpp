// TBitmap going dormant and coming back, and loading with limits.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "platform/gdi/Gdi.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/BmpFormat.h"
#include "platform/graphics/Canvas.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

namespace {

// A 3 x 2 pf8bit bitmap with its own colour table and a pixel per index.
void MakeIndexed(TBitmap& b) {
  b.SetPixelFormat(pf8bit);
  b.SetSize(3, 2);
  std::vector<RGBQUAD> table(256);
  for (int i = 0; i < 6; ++i) table[size_t(i)] = RGBQUAD{Byte(40 * i), Byte(7 * i), Byte(255 - i), 0};
  b.SetColorTable(table);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) static_cast<Byte*>(b.ScanLine(y))[x] = Byte(y * 3 + x);
}

TEST(BitmapDormant, FreesTheSectionAndKeepsEverythingElse) {
  TBitmap b;
  MakeIndexed(b);
  const TDibImage before = b.ToDib();
  const std::vector<RGBQUAD> table = b.ColorTable();
  HBITMAP old = b.Handle();
  b.Canvas()->Handle();  // a DC too
  b.Dormant();
  EXPECT_TRUE(b.IsDormant());
  EXPECT_EQ(GetObjectType(old), 0u);  // the DIB section is gone
  EXPECT_EQ(b.Width(), 3);
  EXPECT_EQ(b.Height(), 2);
  EXPECT_EQ(b.PixelFormat(), pf8bit);
  EXPECT_FALSE(b.Empty());
  EXPECT_EQ(b.ColorTable(), table);
  // Reading the pixels as an image does not wake it.
  const TDibImage asleep = b.ToDib();
  EXPECT_TRUE(b.IsDormant());
  EXPECT_EQ(asleep.Bits, before.Bits);
  // The handle comes back with the same pixels and table.
  HBITMAP again = b.Handle();
  EXPECT_FALSE(b.IsDormant());
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(GetObjectType(again), OBJ_BITMAP);
  EXPECT_EQ(b.ToDib().Bits, before.Bits);
  EXPECT_EQ(b.ColorTable(), table);
  EXPECT_EQ(static_cast<Byte*>(b.ScanLine(1))[2], 5);
}

TEST(BitmapDormant, EveryUseWakesItWithTheSamePixels) {
  struct Use {
    const char* name;
    void (*run)(TBitmap&);
  };
  const Use uses[] = {
      {"ScanLine", [](TBitmap& b) { b.ScanLine(0); }},
      {"Canvas", [](TBitmap& b) { b.Canvas()->Pixels(0, 0); }},
      {"FreeImage", [](TBitmap& b) { b.FreeImage(); }},
      {"TransparentColor", [](TBitmap& b) { b.TransparentColor(); }},
      {"Draw", [](TBitmap& b) {
         TBitmap target(3, 2, pf32bit);
         target.Canvas()->Draw(0, 0, &b);
       }},
  };
  for (const Use& u : uses) {
    TBitmap b;
    MakeIndexed(b);
    const TDibImage before = b.ToDib();
    b.Dormant();
    u.run(b);
    EXPECT_FALSE(b.IsDormant()) << u.name;
    EXPECT_EQ(b.ToDib().Bits, before.Bits) << u.name;
  }
}

TEST(BitmapDormant, SavesResizesAndFreesWhileDormant) {
  TBitmap b;
  MakeIndexed(b);
  TMemoryStream awake, asleep;
  b.SaveToStream(awake);
  b.Dormant();
  b.SaveToStream(asleep);
  ASSERT_EQ(awake.Size(), asleep.Size());
  EXPECT_EQ(std::memcmp(awake.Memory(), asleep.Memory(), size_t(awake.Size())), 0);
  b.SetSize(4, 2);  // grows from the kept pixels
  EXPECT_FALSE(b.IsDormant());
  EXPECT_EQ(static_cast<Byte*>(b.ScanLine(1))[2], 5);
  // An awake bitmap has nothing to free: the handle stays.
  HBITMAP h = b.Handle();
  b.FreeImage();
  EXPECT_EQ(b.Handle(), h);
  // Empty and released bitmaps just stay as they are.
  TBitmap empty;
  empty.Dormant();
  EXPECT_FALSE(empty.IsDormant());
  EXPECT_TRUE(empty.Empty());
  b.Dormant();
  HBITMAP given = b.ReleaseHandle();
  ASSERT_NE(given, nullptr);
  EXPECT_TRUE(b.Empty());
  DeleteObject(given);
  b.Dormant();
  b.SetHandle(nullptr);
  EXPECT_TRUE(b.Empty());
}

std::vector<std::uint8_t> BmpBytes(int w, int h) {
  TBitmap b(w, h, pf24bit);
  TMemoryStream s;
  b.SaveToStream(s);
  const auto* p = static_cast<const std::uint8_t*>(s.Memory());
  return std::vector<std::uint8_t>(p, p + s.Size());
}

TEST(BitmapLoadLimits, RefusesPicturesBeyondThePixelLimitBeforeDecoding) {
  const std::vector<std::uint8_t> file = BmpBytes(40, 30);
  struct Case {
    std::uint64_t maxPixels, maxBytes;
    bool loads;
  };
  const Case cases[] = {
      {1200, MaxDibBytes, true},
      {1199, MaxDibBytes, false},
      {~std::uint64_t(0), 120 * 30, true},  // 24-bit rows of 120 bytes
      {~std::uint64_t(0), 120 * 30 - 1, false},
  };
  for (const Case& k : cases) {
    TMemoryStream s;
    s.WriteBuffer(file.data(), std::int64_t(file.size()));
    s.SetPosition(0);
    TBmpReadLimits limits;
    limits.MaxPixels = k.maxPixels;
    limits.MaxBytes = k.maxBytes;
    TBitmap b(2, 2, pf24bit);
    if (k.loads) {
      b.LoadFromStream(s, limits);
      EXPECT_EQ(b.Width(), 40);
    } else {
      EXPECT_THROW(b.LoadFromStream(s, limits), EInvalidGraphic) << k.maxPixels << " " << k.maxBytes;
      EXPECT_EQ(b.Width(), 2);  // unchanged
    }
  }
}

TEST(BitmapLoadLimits, RefusesAStreamFarLargerThanAnAllowedPicture) {
  // A 2 x 2 file whose bfSize of 0 claims the rest of a 3 MB stream.
  std::vector<std::uint8_t> file = BmpBytes(2, 2);
  std::memset(file.data() + 2, 0, 4);
  file.resize(3u << 20, 0);
  TBmpReadLimits small;
  small.MaxPixels = 4;
  TMemoryStream s;
  s.WriteBuffer(file.data(), std::int64_t(file.size()));
  s.SetPosition(0);
  TBitmap b;
  EXPECT_THROW(b.LoadFromStream(s, small), EInvalidGraphic);
  s.SetPosition(0);
  b.LoadFromStream(s);  // without limits the same stream loads
  EXPECT_EQ(b.Width(), 2);
}

TEST(BitmapLoadLimits, LoadFromFileTakesTheLimitsToo) {
  const std::vector<std::uint8_t> file = BmpBytes(5, 4);
  const std::string path =
      (std::filesystem::temp_directory_path() / ("lumiqa_limits_" + std::to_string(getpid()) + ".bmp")).string();
  {
    TFileStream f(path, fmCreate);
    f.WriteBuffer(file.data(), std::int64_t(file.size()));
  }
  TBmpReadLimits limits;
  limits.MaxPixels = 19;
  TBitmap b;
  EXPECT_THROW(b.LoadFromFile(path, limits), EInvalidGraphic);
  limits.MaxPixels = 20;
  b.LoadFromFile(path, limits);
  EXPECT_EQ(b.Height(), 4);
  b.LoadFromFile(path);  // the plain form is still there
  EXPECT_EQ(b.Width(), 5);
  std::filesystem::remove(path);
}

}  // namespace
