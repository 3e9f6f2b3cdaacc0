// TVQBitmap across its pixel formats and storages: creation, row access,
// copies, Assign, storage switches, crops and resizes, each on 1 x 1 and
// odd sizes.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "tests/imaging/core/BitmapTestSupport.h"
#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/base/vqzutils.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Streams.h"

using namespace bitmaptest;

namespace {

struct Case {
  TVQLocation location;
  TVQPixelFormat format;
  int width, height;
};

std::vector<Case> AllCases() {
  std::vector<Case> cases;
  for (TVQLocation l : {vqMemoryBuffer, vqTempFile, vqTBitmap})
    for (TVQPixelFormat f : FormatsOf(l))
      for (auto [w, h] : {std::pair{1, 1}, std::pair{3, 2}, std::pair{7, 5}, std::pair{33, 17}})
        cases.push_back({l, f, w, h});
  return cases;
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  const Case& c = info.param;
  return std::string(LocationName(c.location)) + "_" + FormatName(c.format) + "_" + std::to_string(c.width) + "x" +
         std::to_string(c.height);
}

class BitmapTable : public ::testing::TestWithParam<Case> {
 protected:
  std::unique_ptr<TVQBitmap> Make() {
    const Case& c = GetParam();
    return NewBitmap(c.location, c.width, c.height, c.format);
  }
  int ExpectedRowLength() const {
    const Case& c = GetParam();
    return (c.width * PixelFormatBits(c.format) + 31) / 32 * 4;
  }
};

TEST_P(BitmapTable, CreatesAZeroedImageOfTheFormatAndRowLength) {
  const Case& c = GetParam();
  auto b = Make();
  EXPECT_EQ(b->Location(), c.location);
  EXPECT_EQ(b->GetWidth(), c.width);
  EXPECT_EQ(b->GetHeight(), c.height);
  EXPECT_EQ(b->GetPixelFormat(), c.format);
  EXPECT_EQ(b->GetBitCount(), PixelFormatBits(c.format));
  EXPECT_EQ(b->GetRowLength(), ExpectedRowLength());
  EXPECT_FALSE(b->Full);
  for (const auto& row : WholeRows(*b))
    for (Byte v : row) ASSERT_EQ(v, 0);
  if (c.format == vqPalette8) {
    ASSERT_EQ(b->PaletteCount(), 256);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(b->Palette()[i], TRGBPixel{});
  } else {
    EXPECT_EQ(b->PaletteCount(), 0);
  }
}

TEST_P(BitmapTable, RowsKeepWhatIsWrittenThroughTheirAddress) {
  auto b = Make();
  WritePattern(*b, 3);
  const auto rows = PixelRows(*b);
  for (int y = 0; y < b->GetHeight(); ++y)
    for (int i = 0; i < PixelBytes(*b) - (b->GetBitCount() == 1 ? 1 : 0); ++i)
      ASSERT_EQ(rows[std::size_t(y)][std::size_t(i)], PatternByte(i, y, 3)) << "row " << y << " byte " << i;
  // Walking the rows upwards reads the same.
  for (int y = b->GetHeight() - 1; y >= 0; --y) {
    const Byte* row = b->GetScanline(y);
    ASSERT_EQ(std::vector<Byte>(row, row + PixelBytes(*b)), PixelRows(*b)[std::size_t(y)]);
  }
}

TEST_P(BitmapTable, RowsOutsideTheImageAreRefused) {
  auto b = Make();
  EXPECT_THROW(b->GetScanline(-1), EVQBitmapError);
  EXPECT_THROW(b->GetScanline(GetParam().height), EVQBitmapError);
  EXPECT_THROW(b->GetPixelRGB(GetParam().width, 0), EVQBitmapError);
  EXPECT_THROW(b->GetPixelByte(b->GetRowLength(), 0), EVQBitmapError);
}

TEST_P(BitmapTable, AssignCopiesPixelsPaletteAndAlphaBitForBitIntoEveryStorage) {
  const Case& c = GetParam();
  auto source = Make();
  WritePattern(*source, 1);
  if (c.format == vqPalette8)
    for (int i = 0; i < 256; ++i) source->SetPaletteColor(i, TRGBPixel{Byte(i), Byte(255 - i), Byte(i * 3)});
  TVQBitmap* alpha = source->GetAlphaChannel();
  WritePattern(*alpha, 9);
  source->BiLevelMethod = 0;
  source->Full = true;
  const auto pixels = PixelRows(*source);
  const auto alphaPixels = PixelRows(*alpha);

  for (TVQLocation to : {vqMemoryBuffer, vqTempFile, vqTBitmap}) {
    SCOPED_TRACE(LocationName(to));
    auto dest = NewBitmap(to, 2, 2, vqRGB24);
    dest->Assign(source.get());
    EXPECT_EQ(dest->GetWidth(), c.width);
    EXPECT_EQ(dest->GetHeight(), c.height);
    EXPECT_EQ(dest->GetPixelFormat(), c.format);
    EXPECT_EQ(PixelRows(*dest), pixels);
    ASSERT_TRUE(dest->HasAlphaChannel());
    EXPECT_EQ(PixelRows(*dest->GetAlphaChannel()), alphaPixels);
    EXPECT_EQ(dest->BiLevelMethod, 0);
    // A TBitmap storage copies the flag; the others start it anew.
    EXPECT_EQ(dest->Full, dest->Location() == vqTBitmap);
    if (c.format == vqPalette8) {
      ASSERT_EQ(dest->PaletteCount(), 256);
      EXPECT_EQ(std::memcmp(dest->Palette(), source->Palette(), 256 * 3), 0);
    }
    // The source is left as it was.
    EXPECT_EQ(PixelRows(*source), pixels);
  }
}

TEST_P(BitmapTable, AssignImageKeepsTheOwnAlphaChannelAndIgnoresTheSources) {
  const Case& c = GetParam();
  auto source = Make();
  WritePattern(*source, 2);
  source->GetAlphaChannel()->Fill(7);
  auto dest = NewBitmap(c.location, c.width, c.height, c.format);
  dest->GetAlphaChannel()->Fill(99);
  dest->AssignImage(source.get());
  EXPECT_EQ(PixelRows(*dest), PixelRows(*source));
  ASSERT_TRUE(dest->HasAlphaChannel());
  EXPECT_EQ(dest->GetAlpha(0, 0), 99);
  EXPECT_FALSE(dest->Full);
  // An alpha channel of another size would be read out of its bounds: dropped.
  auto small = NewBitmap(c.location, 1, 1, c.format);
  small->GetAlphaChannel();
  if (c.width != 1 || c.height != 1) {
    small->AssignImage(source.get());
    EXPECT_FALSE(small->HasAlphaChannel());
  }
}

TEST_P(BitmapTable, CopyRectToCopiesTheClippedRectangleAtAnyOffset) {
  const Case& c = GetParam();
  auto source = Make();
  WritePattern(*source, 4);
  auto dest = NewBitmap(c.location, c.width + 3, c.height + 2, c.format);
  source->CopyRectTo(dest.get(), 0, 0, 1, 1, c.width, c.height);
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x) ASSERT_EQ(dest->GetPixelRGB(x + 1, y + 1), source->GetPixelRGB(x, y));
  // The frame around stays zero.
  for (int x = 0; x < c.width + 3; ++x) EXPECT_EQ(dest->GetPixelRGB(x, 0), TRGBPixel{});
  // A negative destination start moves the source start instead.
  auto shifted = NewBitmap(c.location, c.width, c.height, c.format);
  source->CopyRectTo(shifted.get(), 0, 0, -1, 0, c.width, c.height);
  for (int x = 0; x + 1 < c.width; ++x) ASSERT_EQ(shifted->GetPixelRGB(x, 0), source->GetPixelRGB(x + 1, 0));
}

TEST_P(BitmapTable, CopyRectToWithinOneImageMovesOverlappingRows) {
  const Case& c = GetParam();
  if (c.height < 2) GTEST_SKIP() << "overlapping rows need a picture of two rows or more";
  auto b = Make();
  WritePattern(*b, 5);
  auto copy = NewBitmap(vqMemoryBuffer);
  copy->Assign(b.get());
  b->CopyRectTo(b.get(), 0, 0, 0, 1, c.width, c.height);  // down by one
  for (int y = 1; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x) ASSERT_EQ(b->GetPixelRGB(x, y), copy->GetPixelRGB(x, y - 1)) << x << "," << y;
  b->CopyRectTo(b.get(), 0, 1, 0, 0, c.width, c.height);  // and back up
  for (int y = 0; y + 1 < c.height; ++y)
    for (int x = 0; x < c.width; ++x) ASSERT_EQ(b->GetPixelRGB(x, y), copy->GetPixelRGB(x, y));
}

TEST_P(BitmapTable, SetLocationMovesThePixelsUnchanged) {
  const Case& c = GetParam();
  auto b = Make();
  WritePattern(*b, 6);
  b->GetAlphaChannel()->Fill(33);
  const auto pixels = PixelRows(*b);
  for (TVQLocation to : {vqTempFile, vqMemoryBuffer, vqTBitmap, vqTempFile}) {
    if (to == vqTBitmap && (c.format == vqGray16 || c.format == vq32f || c.format == vqCMYK)) {
      EXPECT_THROW(b->SetLocation(to), EVQBitmapError);
      EXPECT_EQ(PixelRows(*b), pixels);  // refused, unchanged
      continue;
    }
    b->MemoryThreshold = to == vqTempFile ? 0 : std::numeric_limits<Int64>::max();
    b->SetLocation(to);
    EXPECT_EQ(b->Location(), to);
    EXPECT_EQ(b->GetPixelFormat(), c.format);
    EXPECT_EQ(PixelRows(*b), pixels);
    EXPECT_EQ(b->GetAlpha(c.width - 1, c.height - 1), 33);
  }
}

TEST_P(BitmapTable, ResizeCanvasCropsByAlignment) {
  const Case& c = GetParam();
  if (c.width < 3 || c.height < 2) GTEST_SKIP() << "the alignments differ only on pictures of 3x2 or more";
  for (int align : {0, 1, 2}) {
    auto b = Make();
    WritePattern(*b, 7);
    auto original = NewBitmap(vqMemoryBuffer);
    original->Assign(b.get());
    b->GetAlphaChannel()->Fill(200);
    const int nw = c.width - 2, nh = c.height - 1;
    b->ResizeCanvas(nw, nh, 0, 0, align, align);
    ASSERT_EQ(b->GetWidth(), nw);
    ASSERT_EQ(b->GetHeight(), nh);
    const int ox = align == 0 ? 0 : align == 1 ? 1 : 2, oy = align == 0 ? 0 : align == 1 ? 0 : 1;
    for (int y = 0; y < nh; ++y)
      for (int x = 0; x < nw; ++x) ASSERT_EQ(b->GetPixelRGB(x, y), original->GetPixelRGB(x + ox, y + oy));
    EXPECT_EQ(b->GetAlphaChannel()->GetWidth(), nw);
    EXPECT_EQ(b->GetAlpha(nw - 1, nh - 1), 200);
  }
}

TEST_P(BitmapTable, ResizeCanvasGrowsWithTheFillValueAroundTheOldContent) {
  const Case& c = GetParam();
  const double fill = c.format == vqBits1 ? 1 : c.format == vqRGB24 || c.format == vqCMYK ? 0x00336699 : 77;
  for (int align : {0, 1, 2}) {
    auto b = Make();
    WritePattern(*b, 8);
    auto original = NewBitmap(vqMemoryBuffer);
    original->Assign(b.get());
    auto filled = NewBitmap(vqMemoryBuffer, 1, 1, c.format);
    filled->FillRect(0, 0, 0, 0, fill);
    const TRGBPixel fillRGB = filled->GetPixelRGB(0, 0);
    b->GetAlphaChannel()->Fill(10);
    const int nw = c.width + 4, nh = c.height + 3;
    b->ResizeCanvas(nw, nh, fill, 250, align, align);
    const int ox = align == 0 ? 0 : align == 1 ? 2 : 4, oy = align == 0 ? 0 : align == 1 ? 1 : 3;
    for (int y = 0; y < nh; ++y)
      for (int x = 0; x < nw; ++x) {
        const bool inside = x >= ox && x < ox + c.width && y >= oy && y < oy + c.height;
        ASSERT_EQ(b->GetPixelRGB(x, y), inside ? original->GetPixelRGB(x - ox, y - oy) : fillRGB)
            << "align " << align << " at " << x << "," << y;
        ASSERT_EQ(b->GetAlpha(x, y), inside ? 10 : 250);
      }
  }
}

TEST_P(BitmapTable, SetWidthAndHeightKeepTheTopLeftAndZeroTheRest) {
  const Case& c = GetParam();
  auto b = Make();
  WritePattern(*b, 9);
  auto original = NewBitmap(vqMemoryBuffer);
  original->Assign(b.get());
  b->GetAlphaChannel()->Fill(5);
  b->SetWidth(c.width + 5);
  b->SetHeight(c.height + 1);
  const TRGBPixel zero = CMYKToRGB(TCMYKPixel{});
  for (int y = 0; y < c.height + 1; ++y)
    for (int x = 0; x < c.width + 5; ++x) {
      const bool old = x < c.width && y < c.height;
      const TRGBPixel expect = old ? original->GetPixelRGB(x, y) : (c.format == vqPalette8 ? b->Palette()[0] : zero);
      ASSERT_EQ(b->GetPixelRGB(x, y), expect) << x << "," << y;
      ASSERT_EQ(b->GetAlpha(x, y), old ? 5 : 255);  // what the alpha gains is opaque
    }
  b->SetWidth(1);
  b->SetHeight(1);
  EXPECT_EQ(b->GetPixelRGB(0, 0), original->GetPixelRGB(0, 0));
  EXPECT_EQ(b->GetAlphaChannel()->GetWidth(), 1);
}

TEST_P(BitmapTable, MoveRectFillsTheOldPlaceAndCarriesThePixels) {
  const Case& c = GetParam();
  auto b = Make();
  WritePattern(*b, 10);
  auto original = NewBitmap(vqMemoryBuffer);
  original->Assign(b.get());
  b->MoveRect(0, 0, c.width - 1, c.height - 1, 1, 0, 0);
  const TRGBPixel zero = c.format == vqPalette8 ? b->Palette()[0] : CMYKToRGB(TCMYKPixel{});
  for (int y = 0; y < c.height; ++y) {
    EXPECT_EQ(b->GetPixelRGB(0, y), zero);
    for (int x = 1; x < c.width; ++x) ASSERT_EQ(b->GetPixelRGB(x, y), original->GetPixelRGB(x - 1, y));
  }
}

INSTANTIATE_TEST_SUITE_P(FormatsAndStorages, BitmapTable, ::testing::ValuesIn(AllCases()), CaseName);

// ---- fills --------------------------------------------------------------------

class BitmapFill : public ::testing::TestWithParam<TVQLocation> {};

TEST_P(BitmapFill, FillWritesEachFormatsFormOfTheValueAndSetsFull) {
  const TVQLocation l = GetParam();
  struct Expect {
    TVQPixelFormat f;
    double value;
    std::vector<Byte> pixel;
    bool full;
  };
  const float half = 0.5f, one = 1.0f;
  std::vector<Byte> halfBytes(4), oneBytes(4);
  std::memcpy(halfBytes.data(), &half, 4);
  std::memcpy(oneBytes.data(), &one, 4);
  const std::vector<Expect> cases = {
      {vqBits1, 1, {0xFF}, true},
      {vqBits1, 0, {0x00}, false},
      {vqPalette8, 255, {255}, true},
      {vqGray8, 17.9, {17}, false},
      {vqGray16, 65535, {0xFF, 0xFF}, true},
      {vqGray16, 0x1234, {0x34, 0x12}, false},
      {vqRGB24, 0x00FFFFFF, {255, 255, 255}, true},
      {vqRGB24, 0x00336699, {0x33, 0x66, 0x99}, false},  // TColor: red in the low byte
      {vq32f, 0.5, halfBytes, false},
      {vq32f, 1.0, oneBytes, true},
      {vqCMYK, 0x003264C8, {255, 127, 63, 200}, false},  // (200, 100, 50)
  };
  for (const Expect& e : cases) {
    if (l == vqTBitmap && (e.f == vqGray16 || e.f == vq32f || e.f == vqCMYK)) continue;
    SCOPED_TRACE(std::string(FormatName(e.f)) + " " + std::to_string(e.value));
    auto b = NewBitmap(l, 5, 3, e.f);
    b->Fill(e.value);
    EXPECT_EQ(b->Full, e.full);
    for (int y = 0; y < 3; ++y) {
      const Byte* row = b->GetScanline(y);
      if (e.f == vqBits1) {
        EXPECT_EQ(row[0] & 0xF8, e.pixel[0] & 0xF8);
        continue;
      }
      for (int x = 0; x < 5; ++x)
        ASSERT_EQ(std::vector<Byte>(row + x * e.pixel.size(), row + (x + 1) * e.pixel.size()), e.pixel);
    }
  }
}

TEST_P(BitmapFill, FillRectClipsSetsBitsAndTakesTheIntegerPartOfFloats) {
  const TVQLocation l = GetParam();
  auto bits = NewBitmap(l, 11, 3, vqBits1);
  bits->FillRect(3, 1, 9, 1, 1);
  bits->FillRect(-5, -5, 0, 0, 1);  // clipped to pixel (0, 0)
  EXPECT_EQ(bits->GetScanline(0)[0], 0x80);
  EXPECT_EQ(bits->GetScanline(1)[0], 0x1F);
  EXPECT_EQ(bits->GetScanline(1)[1], 0xC0);
  bits->FillRect(4, 1, 4, 1, 0);
  EXPECT_EQ(bits->GetScanline(1)[0], 0x17);
  bits->FillRect(20, 0, 30, 2, 1);  // wholly outside: nothing
  bits->FillRect(5, 2, 3, 2, 1);    // inverted: nothing
  EXPECT_EQ(bits->GetScanline(2)[0], 0);
  if (l == vqTBitmap) return;
  auto f = NewBitmap(l, 2, 1, vq32f);
  f->FillRect(0, 0, 1, 0, 0.5);
  float v;
  std::memcpy(&v, f->GetScanline(0), 4);
  EXPECT_EQ(v, 0.0f);
}

TEST_P(BitmapFill, FillRectShortOfFullClearsFull) {
  auto b = NewBitmap(GetParam(), 4, 4, vqGray8);
  b->Fill(255);
  EXPECT_TRUE(b->Full);
  b->FillRect(0, 0, 0, 0, 255);
  EXPECT_TRUE(b->Full);
  b->FillRect(1, 1, 1, 1, 3);
  EXPECT_FALSE(b->Full);
}

INSTANTIATE_TEST_SUITE_P(Storages, BitmapFill, ::testing::Values(vqMemoryBuffer, vqTempFile, vqTBitmap),
                         [](const auto& info) { return std::string(LocationName(info.param)); });

// ---- storage rules ------------------------------------------------------------

class BitmapStorage : public ::testing::Test {
 protected:
  void SetUp() override {
    savedThreshold_ = DefaultMemoryThreshold;
    savedTemp_ = TempFolder;
  }
  void TearDown() override {
    DefaultMemoryThreshold = savedThreshold_;
    TempFolder = savedTemp_;
  }
  Int64 savedThreshold_ = -1;
  std::string savedTemp_;
};

TEST_F(BitmapStorage, TheThresholdSendsSmallImagesToMemoryAndLargeOnesToAFile) {
  TVQBitmap b;  // a new bitmap asks for a temporary file
  EXPECT_EQ(b.Location(), vqTempFile);
  b.MemoryThreshold = 30001;
  b.Allocate(100, 100, vqRGB24);  // row length 300, 30,000 bytes
  EXPECT_EQ(b.GetRowLength(), 300);
  EXPECT_EQ(b.Location(), vqMemoryBuffer);

  b.MemoryThreshold = 0;
  b.SetLocation(vqMemoryBuffer);
  b.Allocate(100, 100, vqRGB24);
  EXPECT_EQ(b.Location(), vqTempFile);
  EXPECT_FALSE(b.FileBuffer()->FileName().empty());

  // Equal keeps the location asked for, either way.
  TVQBitmap m, f;
  m.MemoryThreshold = f.MemoryThreshold = 30000;
  m.SetLocation(vqMemoryBuffer);
  m.Allocate(100, 100, vqRGB24);
  f.Allocate(100, 100, vqRGB24);
  EXPECT_EQ(m.Location(), vqMemoryBuffer);
  EXPECT_EQ(f.Location(), vqTempFile);
}

TEST_F(BitmapStorage, TheDefaultThresholdIsTakenAtConstructionIn64Bits) {
  DefaultMemoryThreshold = 0;
  TVQBitmap zero;
  EXPECT_EQ(zero.MemoryThreshold, 0);
  zero.SetLocation(vqMemoryBuffer);
  zero.Allocate(1, 1, vqGray8);
  EXPECT_EQ(zero.Location(), vqTempFile);

  DefaultMemoryThreshold = Int64{6} << 32;  // beyond 32 bits
  TVQBitmap large;
  EXPECT_EQ(large.MemoryThreshold, Int64{6} << 32);

  DefaultMemoryThreshold = -1;
  TVQBitmap automatic;
  const Int64 half = AutoMemoryThreshold();
  if (half > 0) {
    EXPECT_NEAR(double(automatic.MemoryThreshold), double(half), double(half) * 0.1);
  } else {
    EXPECT_EQ(automatic.MemoryThreshold, VQFallbackMemoryThreshold);
  }
}

TEST_F(BitmapStorage, TemporaryFilesLiveInTheTempFolderAndGoWithTheirBitmap) {
  const std::string folder = GetTempPath() + "vqbitmap-" + std::to_string(::getpid());
  TempFolder = folder;
  std::string name;
  {
    auto b = NewBitmap(vqTempFile, 40, 30, vqRGB24);
    name = b->FileBuffer()->FileName();
    EXPECT_EQ(ExtractFileDir(name), folder);
    EXPECT_EQ(ExtractFileName(name).rfind("pictora", 0), 0u);
    EXPECT_EQ(FileSize(name), 120 * 30);
    // Rows are top-down in the file: row y at offset y x row length.
    b->GetScanline(0)[0] = 0xA1;
    b->GetScanline(29)[119] = 0xB2;
    b->ReleaseViews();
    TFileStream file(name, fmOpenRead | fmShareDenyNone);
    Byte first = 0, last = 0;
    file.ReadBufferAt(&first, 1, 0);
    file.ReadBufferAt(&last, 1, 120 * 30 - 1);
    EXPECT_EQ(first, 0xA1);
    EXPECT_EQ(last, 0xB2);
    // A new allocation replaces the file.
    b->Allocate(2, 2, vqGray8);
    EXPECT_FALSE(FileExists(name));
    name = b->FileBuffer()->FileName();
    EXPECT_TRUE(FileExists(name));
  }
  EXPECT_FALSE(FileExists(name));
  RemoveDir(folder);
}

TEST_F(BitmapStorage, MemoryRowsAreBottomUp) {
  auto b = NewBitmap(vqMemoryBuffer, 3, 4, vqGray8);
  b->GetScanline(0)[0] = 1;
  b->GetScanline(3)[0] = 2;
  // The block is not reachable from outside, but row 3 starts it and row 0
  // is its last row.
  EXPECT_EQ(b->GetScanline(0) - b->GetScanline(3), 3 * 4);
}

TEST_F(BitmapStorage, AFileThatCannotBeMadeSendsThePixelsToMemory) {
  TempFolder = "/proc/vq-no-such-folder";
  auto b = NewBitmap(vqTempFile, 5, 5, vqRGB24);
  EXPECT_EQ(b->Location(), vqMemoryBuffer);
  WritePattern(*b);
  EXPECT_EQ(PixelRows(*b)[4][14], PatternByte(14, 4, 0));
}

TEST_F(BitmapStorage, SizesThatCannotBeHeldAreRefusedBeforeAllocating) {
  for (TVQLocation l : {vqMemoryBuffer, vqTempFile, vqTBitmap}) {
    SCOPED_TRACE(LocationName(l));
    auto b = NewBitmap(l, 4, 4, vqGray8);
    EXPECT_THROW(b->Allocate(40000, 40000, vqRGB24), EOutOfMemory);  // 4.8 GB: would wrap in 32 bits
    EXPECT_TRUE(b->IsEmpty());
    EXPECT_EQ(b->GetWidth(), 0);
    EXPECT_THROW(b->GetScanline(0), EVQBitmapError);
    EXPECT_THROW(b->Allocate(65536, 32768, vqGray8), EOutOfMemory);  // exactly 2^31 bytes
    EXPECT_THROW(b->Allocate(std::numeric_limits<int>::max(), 1, vqRGB24), EOutOfMemory);
    b->Allocate(3, 3, vqGray8);  // still usable
    EXPECT_EQ(b->GetRowLength(), 4);
  }
  // Resizes are refused before anything changes, the alpha channel included.
  auto b = NewBitmap(vqMemoryBuffer, 2, 2, vqRGB24);
  b->GetAlphaChannel()->Fill(9);
  EXPECT_THROW(b->SetWidth(1 << 30), EOutOfMemory);
  EXPECT_EQ(b->GetWidth(), 2);
  EXPECT_EQ(b->GetAlphaChannel()->GetWidth(), 2);
  EXPECT_EQ(b->GetAlpha(1, 1), 9);
  EXPECT_THROW(b->ResizeCanvas(1 << 30, 2, 0, 0, 0, 0), EOutOfMemory);
  // A 1-bit image's alpha channel takes eight times its bytes.
  auto wide = NewBitmap(vqTempFile, 46341, 46341, vqBits1);
  EXPECT_EQ(wide->GetRowLength(), 5796);
  EXPECT_THROW(wide->GetAlphaChannel(), EOutOfMemory);
}

TEST_F(BitmapStorage, TBitmapStorageRefusesFloatAndCMYKAndNarrowsGray16) {
  auto b = NewBitmap(vqTBitmap);
  try {
    b->Allocate(2, 2, vq32f);
    FAIL();
  } catch (const EVQBitmapError& e) {
    EXPECT_STREQ(e.what(), "vq32f pixel format not allowed when Location=vqTBitmap");
  }
  EXPECT_TRUE(b->IsEmpty());
  try {
    b->Allocate(2, 2, vqCMYK);
    FAIL();
  } catch (const EVQBitmapError& e) {
    EXPECT_STREQ(e.what(), "vqCMYK pixel format not allowed when Location=vqTBitmap");
  }
  b->Allocate(3, 2, vqGray16);
  EXPECT_EQ(b->GetPixelFormat(), vqGray8);
  EXPECT_EQ(b->GetBitCount(), 8);
  EXPECT_EQ(b->GetRowLength(), 4);
}

TEST_F(BitmapStorage, AssignIntoTBitmapStorageOfAFormatItCannotHoldUsesMemory) {
  auto source = NewBitmap(vqMemoryBuffer, 3, 3, vqGray16);
  WritePattern(*source);
  auto dest = NewBitmap(vqTBitmap, 1, 1, vqRGB24);
  dest->Assign(source.get());
  EXPECT_NE(dest->Location(), vqTBitmap);
  EXPECT_EQ(dest->GetPixelFormat(), vqGray16);
  EXPECT_EQ(PixelRows(*dest), PixelRows(*source));
}

TEST_F(BitmapStorage, AFailedWriteOfTheTemporaryFileRaisesAndLeavesNoHalfImage) {
  auto b = NewBitmap(vqTempFile, 4000, 400, vqRGB24);  // 4.8 MB, several row windows
  const std::string name = b->FileBuffer()->FileName();
  // Writes past the size limit fail as on a full disk.
  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  void (*oldHandler)(int) = ::signal(SIGXFSZ, SIG_IGN);
  struct rlimit tiny = saved;
  tiny.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tiny), 0);
  std::string message;
  try {
    for (int y = 0; y < 400; ++y) std::memset(b->GetScanline(y), 0x5A, 12000);
    b->ReleaseViews();
  } catch (const EWriteError& e) {
    message = e.what();
  }
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, oldHandler);
  EXPECT_NE(message.find("Cannot write the temporary file \"" + name + "\""), std::string::npos) << message;
  EXPECT_NE(message.find("too large"), std::string::npos) << message;  // the OS's reason
  EXPECT_TRUE(b->IsEmpty());
  EXPECT_FALSE(FileExists(name));
  EXPECT_THROW(b->GetScanline(0), EVQBitmapError);
}

TEST_F(BitmapStorage, AFileThatCannotBeReservedFallsBackToMemory) {
  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  void (*oldHandler)(int) = ::signal(SIGXFSZ, SIG_IGN);
  struct rlimit tiny = saved;
  tiny.rlim_cur = 1024;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tiny), 0);
  auto b = NewBitmap(vqTempFile, 100, 100, vqRGB24);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(b->Location(), vqMemoryBuffer);
  EXPECT_EQ(b->GetRowLength(), 300);
}

TEST_F(BitmapStorage, FileToFileAssignCopiesTheFile) {
  auto source = NewBitmap(vqTempFile, 301, 77, vqRGB24);
  WritePattern(*source, 11);
  auto dest = NewBitmap(vqTempFile, 1, 1, vqGray8);
  dest->Assign(source.get());
  EXPECT_EQ(dest->Location(), vqTempFile);
  EXPECT_NE(dest->FileBuffer()->FileName(), source->FileBuffer()->FileName());
  EXPECT_EQ(PixelRows(*dest), PixelRows(*source));
}

TEST_F(BitmapStorage, ViewAccessSaysWhetherFileRowsAreReadAndWrittenBack) {
  auto b = NewBitmap(vqTempFile, 8, 3, vqGray8);
  b->GetScanline(1)[0] = 42;  // read and write: kept
  b->ReleaseViews();
  b->ViewAccess = vqRead;
  b->GetScanline(1)[0] = 43;  // read only: not written back
  b->ReleaseViews();
  b->ViewAccess = vqReadWrite;
  auto other = NewBitmap(vqTempFile, 8, 3, vqGray8);
  // Another row's window drops what was written through a read-only view.
  other->Assign(b.get());
  EXPECT_EQ(other->GetScanline(1)[0], 42);
  b->ViewAccess = vqWrite;
  Byte* row = b->GetScanline(2);
  EXPECT_EQ(row[0], 0);  // not read: zero, never garbage
  row[0] = 7;
  b->ViewAccess = vqReadWrite;
  EXPECT_EQ(b->GetScanline(1)[0], 42);  // rows not written are kept
  EXPECT_EQ(b->GetScanline(2)[0], 7);
}

TEST_F(BitmapStorage, TransferToMovesEverythingAndLeavesAnEmptyImage) {
  auto b = NewBitmap(vqTempFile, 5, 4, vqPalette8);
  WritePattern(*b);
  b->SetPaletteColor(3, TRGBPixel{1, 2, 3});
  b->GetAlphaChannel();
  const auto pixels = PixelRows(*b);
  TVQBitmap other;
  other.Allocate(2, 2, vqGray8);
  b->TransferTo(&other);
  EXPECT_TRUE(b->IsEmpty());
  EXPECT_FALSE(b->HasAlphaChannel());
  EXPECT_EQ(b->PaletteCount(), 0);
  EXPECT_EQ(other.GetPixelFormat(), vqPalette8);
  EXPECT_EQ(other.Location(), vqTempFile);
  EXPECT_EQ(PixelRows(other), pixels);
  EXPECT_TRUE(other.HasAlphaChannel());
  EXPECT_EQ(other.Palette()[3], (TRGBPixel{1, 2, 3}));
}

// ---- TBitmap storage ----------------------------------------------------------

TEST(BitmapTBitmap, RowsAreTheTBitmapsAndFollowItsChanges) {
  auto b = NewBitmap(vqTBitmap, 4, 3, vqRGB24);
  TBitmap* tb = b->GetTBitmap();
  ASSERT_NE(tb, nullptr);
  EXPECT_EQ(b->GetScanline(1), tb->ScanLine(1));
  b->GetAlphaChannel()->Fill(1);
  // A caller resizes or reformats the TBitmap: the image follows, and its
  // alpha channel is made again at the new size.
  tb->SetSize(6, 2);
  EXPECT_EQ(b->GetWidth(), 6);
  EXPECT_EQ(b->GetHeight(), 2);
  EXPECT_EQ(b->GetRowLength(), 20);
  EXPECT_EQ(b->GetAlphaChannel()->GetWidth(), 6);
  tb->SetPixelFormat(pf1bit);
  EXPECT_EQ(b->GetPixelFormat(), vqBits1);
  EXPECT_EQ(b->GetRowLength(), 4);
  tb->SetPixelFormat(pf16bit);  // no image format is 16-bit colour: held as 24 bits
  EXPECT_EQ(b->GetPixelFormat(), vqRGB24);
  EXPECT_EQ(tb->PixelFormat(), pf24bit);
  tb->SetPixelFormat(pf8bit);
  EXPECT_EQ(b->GetPixelFormat(), vqPalette8);
  EXPECT_EQ(b->PaletteCount(), 256);
}

TEST(BitmapTBitmap, DrawingOnTheCanvasIsSeenInTheRows) {
  auto b = NewBitmap(vqMemoryBuffer, 5, 5, vqRGB24);
  TCanvas* canvas = b->GetCanvas();
  ASSERT_NE(canvas, nullptr);
  EXPECT_EQ(b->Location(), vqTBitmap);
  canvas->SetPixels(2, 3, TColor(0x00112233));
  EXPECT_EQ(b->GetPixelRGB(2, 3), (TRGBPixel{0x11, 0x22, 0x33}));
}

TEST(BitmapTBitmap, EncapsulatedTBitmapsStayTheCallers) {
  TBitmap tb(3, 2, pf24bit);
  std::memset(tb.ScanLine(0), 0x44, 9);
  {
    TVQBitmap b;
    b.EncapsulateTBitmap(&tb, true);
    EXPECT_TRUE(b.ExternalBitmap());
    EXPECT_EQ(b.Location(), vqTBitmap);
    EXPECT_EQ(b.GetPixelFormat(), vqRGB24);
    EXPECT_EQ(b.GetPixelRGB(2, 0), (TRGBPixel{0x44, 0x44, 0x44}));
    b.Allocate(4, 4, vqBits1);  // the caller's TBitmap takes the new image
    EXPECT_EQ(tb.PixelFormat(), pf1bit);
    EXPECT_EQ(tb.Width(), 4);
  }
  EXPECT_EQ(tb.Width(), 4);  // not freed with the image
  TBitmap deep(2, 2, pf32bit);
  TVQBitmap c;
  EXPECT_THROW(c.EncapsulateTBitmap(&deep, true), EVQBitmapError);
  EXPECT_TRUE(c.IsEmpty());
}

TEST(BitmapTBitmap, EncapsulatedMemoryStaysTheCallers) {
  std::vector<Byte> block(4 * 3, 0);
  block[0] = 9;  // the first byte of the block is the last row
  {
    TVQBitmap b;
    b.EncapsulateMemory(block.data(), 3, 3, vqGray8, true);
    EXPECT_TRUE(b.ExternalMemory());
    EXPECT_EQ(b.GetPixelByte(0, 2), 9);
    b.SetPixelByte(1, 0, 8);
  }
  EXPECT_EQ(block[8 + 1], 8);
}

}  // namespace
