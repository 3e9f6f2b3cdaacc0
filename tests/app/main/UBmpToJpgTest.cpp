#include "app/main/UBmpToJpg.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <vector>

#include "tests/app/TempFolder.h"
#include "app/pixels/RotateImage.h"
#include "platform/graphics/JpegCodec.h"
#include "platform/rtl/SafeSave.h"

namespace {

std::unique_ptr<TBitmap> PatternPicture(int w, int h) {
  auto b = std::make_unique<TBitmap>(w, h, pf24bit);
  for (int y = 0; y < h; ++y) {
    auto* p = static_cast<Byte*>(b->ScanLine(y));
    for (int x = 0; x < w; ++x, p += 3) {
      p[0] = Byte(x * 11), p[1] = Byte(y * 9), p[2] = Byte(x + y);
    }
  }
  return b;
}

bool SameLook(TBitmap& a, TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    if (std::memcmp(a.ScanLine(y), b.ScanLine(y), std::size_t(a.Width()) * 3) != 0) return false;
  return true;
}

TEST(SaveAsJpeg, WritesThePictureAtTheQualityAsked) {
  TTempFolder t;
  auto picture = PatternPicture(40, 30);
  const auto* top = static_cast<const Byte*>(picture->ScanLine(0));
  const std::ptrdiff_t pitch = static_cast<const Byte*>(picture->ScanLine(1)) - top;
  for (int quality : {100, 60, 5}) {
    SCOPED_TRACE(quality);
    ASSERT_TRUE(SaveAsJpeg(picture.get(), t / "out.jpg", quality));
    const auto expected = EncodeJpegRows(top, pitch, 40, 30, false, TJpegEncodeOptions{quality});
    EXPECT_EQ(ReadAll(t / "out.jpg"), std::string(expected.begin(), expected.end()));
  }
  ASSERT_TRUE(SaveAsJpeg(picture.get(), t / "out.jpg", 100));
  auto back = LoadPicture(t / "out.jpg");
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->Width(), 40);
  EXPECT_EQ(back->Height(), 30);
}

TEST(SavePictureAsBmp, RoundTripsAsTwentyFourBits) {
  TTempFolder t;
  auto picture = PatternPicture(33, 17);
  std::string error;
  ASSERT_TRUE(SavePictureAsBmp(picture.get(), t / "out.bmp", &error)) << error;
  const std::string bytes = ReadAll(t / "out.bmp");
  ASSERT_GT(bytes.size(), 30u);
  EXPECT_EQ(Byte(bytes[28]) | Byte(bytes[29]) << 8, 24);  // bits per pixel
  auto back = LoadPicture(t / "out.bmp");
  ASSERT_NE(back, nullptr);
  EXPECT_TRUE(SameLook(*back, *picture));

  // A 32-bit picture is written as 24 bits too.
  TBitmap deep(5, 4, pf32bit);
  ASSERT_TRUE(SavePictureAsBmp(&deep, t / "deep.bmp", nullptr));
  const std::string deepBytes = ReadAll(t / "deep.bmp");
  EXPECT_EQ(Byte(deepBytes[28]), 24);
}

TEST(PictureSaves, FailAndSayWhyWithoutTouchingTheTarget) {
  TTempFolder t;
  auto picture = PatternPicture(20, 20);
  using Save = std::function<bool(TBitmap*, const std::string&)>;
  const Save saves[] = {
      [](TBitmap* b, const std::string& f) { return SaveAsJpeg(b, f, 100); },
      [](TBitmap* b, const std::string& f) {
        std::string error;
        const bool ok = SavePictureAsBmp(b, f, &error);
        EXPECT_EQ(ok, error.empty()) << error;
        return ok;
      },
  };
  for (const Save& save : saves) {
    EXPECT_FALSE(save(picture.get(), t / "no/such/folder/out.jpg"));
    EXPECT_FALSE(save(nullptr, t / "none.jpg"));
    TBitmap empty;
    EXPECT_FALSE(save(&empty, t / "empty.jpg"));
    EXPECT_FALSE(FileExists(t / "none.jpg"));
    EXPECT_FALSE(FileExists(t / "empty.jpg"));
  }
  // Each injected fault: false, the user's file byte for byte as it was and
  // no temporary file left beside it.
  const std::string old = "the user's earlier photo";
  const std::function<void(TSafeSaveFaults&)> faults[] = {
      [](TSafeSaveFaults& f) { f.CreateTemp = EACCES; },
      [](TSafeSaveFaults& f) { f.Sync = EIO; },
      [](TSafeSaveFaults& f) { f.Rename = EXDEV; },
      [](TSafeSaveFaults& f) { f.DiskSpace = 100; },
  };
  for (const Save& save : saves)
    for (const auto& fault : faults) {
      FaultGuard guard;
      WriteAll(t / "photo.jpg", old);
      fault(SafeSaveFaults());
      EXPECT_FALSE(save(picture.get(), t / "photo.jpg"));
      SafeSaveFaults() = TSafeSaveFaults{};
      EXPECT_EQ(ReadAll(t / "photo.jpg"), old);
      TSearchRec rec;
      int files = 0;
      for (int r = FindFirst(t / "*", faAnyFile, rec); r == 0; r = FindNext(rec))
        if (rec.Name != "." && rec.Name != "..") ++files;
      FindClose(rec);
      EXPECT_EQ(files, 1);
    }
}

}  // namespace
