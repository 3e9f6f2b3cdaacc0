#include <gtest/gtest.h>

#include "imaging/core/raster/vqzutils_virtualdib.h"

#include <sys/resource.h>

#include <csignal>
#include <cstring>
#include <vector>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "platform/rtl/Exceptions.h"
#include "tests/imaging/core/BitmapTestSupport.h"

namespace {

using bitmaptest::NewBitmap;

std::unique_ptr<TVQBitmap> Picture(int w, int h, TVQPixelFormat f, int seed) {
  auto b = NewBitmap(vqMemoryBuffer, w, h, f);
  bitmaptest::WritePattern(*b, seed);
  return b;
}

// The pixel bytes of every row, padding left out.
std::vector<Byte> Pixels(TVQBitmap& b) {
  std::vector<Byte> v;
  const int n = bitmaptest::PixelBytes(b);
  for (int y = 0; y < b.GetHeight(); ++y) v.insert(v.end(), b.GetScanline(y), b.GetScanline(y) + n);
  return v;
}

std::vector<Byte> Alpha(TVQBitmap& b) {
  std::vector<Byte> v;
  TVQBitmap* a = b.GetAlphaChannel();
  for (int y = 0; y < b.GetHeight(); ++y) v.insert(v.end(), a->GetScanline(y), a->GetScanline(y) + b.GetWidth());
  return v;
}

TEST(VirtualDIBList, NewListHasAnEmptyFileOfOneStep) {
  TVQVirtualDIBList list;
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.FileBuffer().FileSize(), 65536);
  EXPECT_EQ(list.EndOffset(), 0);
}

// 48 + 240 x 60 = 14,448 bytes for 80 x 60 at 24 bits; 1 bit rounds the
// 10-byte rows of 80 pixels up to 12: 48 + 12 x 60 = 768.
TEST(VirtualDIBList, BlocksFollowEachOther) {
  TVQVirtualDIBList list;
  struct Case {
    int w, h, bits;
    bool alpha;
    Int64 offset, size;
  };
  const std::vector<Case> cases = {
      {80, 60, 24, false, 0, 14448},
      {80, 60, 24, false, 14448, 14448},
      {80, 60, 1, false, 28896, 768},
      {3, 2, 24, true, 29664, 48 + 12 * 2 + 1 + 4 * 2},
  };
  for (const auto& c : cases) {
    TVQDIBHandle h = list.AddImage(c.w, c.h, c.bits, c.alpha);
    EXPECT_EQ(h->Offset, c.offset);
    EXPECT_EQ(h->BlockSize, c.size);
    EXPECT_EQ(list.GetImageWidth(h), c.w);
    EXPECT_EQ(list.GetImageHeight(h), c.h);
    EXPECT_EQ(list.GetImageBitCount(h), c.bits);
    EXPECT_EQ(h->FullWidth, c.w);
  }
  // The header as written: size 40, width, height, planes 1, bit count.
  list.UnmapAll();
  TVQDIBHandle first = list.Image(0);
  const Byte* block = list.GetImageBits(first) - VQStoredDIBHeader;
  const Byte expected[48] = {40, 0, 0, 0, 80, 0, 0, 0, 60, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                             0,  0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0, 0, 0,  0, 0, 0, 0, 0, 255, 255, 255, 0};
  EXPECT_EQ(std::memcmp(block, expected, 48), 0);
}

TEST(VirtualDIBList, RoundTripsEveryStoredFormat) {
  TVQVirtualDIBList list;
  struct Case {
    TVQPixelFormat format;
    bool alpha;
  };
  for (const Case& c : std::vector<Case>{{vqRGB24, false}, {vqBits1, false}, {vqRGB24, true}, {vqBits1, true}}) {
    SCOPED_TRACE(static_cast<int>(c.format) * 2 + c.alpha);
    auto b = Picture(13, 7, c.format, 5);
    if (c.alpha) b->GetAlphaChannel()->FillRect(2, 1, 4, 3, 77);
    TVQDIBHandle h = list.AddBitmap(b.get());
    list.UnmapAll();
    TVQBitmap back;
    ASSERT_TRUE(list.CopyToBitmap(h, &back));
    EXPECT_EQ(back.GetPixelFormat(), c.format);
    EXPECT_EQ(Pixels(back), Pixels(*b));
    EXPECT_EQ(back.HasAlphaChannel(), c.alpha);
    if (c.alpha) {
      EXPECT_EQ(Alpha(back), Alpha(*b));
      EXPECT_EQ(back.GetAlpha(3, 2), 77);
      EXPECT_FALSE(back.GetAlphaChannel()->Full);
    }
  }
}

TEST(VirtualDIBList, StoresRowsBottomUpAndGreyAsColour) {
  TVQVirtualDIBList list;
  auto grey = NewBitmap(vqMemoryBuffer, 2, 2, vqGray8);
  grey->GetScanline(0)[0] = 10;  // top row
  grey->GetScanline(1)[1] = 200;
  TVQDIBHandle h = list.AddBitmap(grey.get());
  EXPECT_EQ(list.GetImageBitCount(h), 24);
  const Byte* bits = list.GetImageBits(h);
  // Stored row 0 is the bottom image row: pixel (1, 1) is its second.
  EXPECT_EQ(bits[3], 200);
  EXPECT_EQ(bits[8], 10);  // stored row 1 (8 bytes a row) starts with (0, 0)
}

TEST(VirtualDIBList, FullAlphaReadsBackWithoutAlpha) {
  TVQVirtualDIBList list;
  auto b = Picture(4, 3, vqRGB24, 1);
  b->GetAlphaChannel();
  b->SyncAlphaFull();
  TVQDIBHandle h = list.AddBitmap(b.get());
  EXPECT_EQ(list.GetAlphaBits(h), nullptr);
  TVQBitmap back;
  back.GetAlphaChannel();
  ASSERT_TRUE(list.CopyToBitmap(h, &back));
  EXPECT_FALSE(back.HasAlphaChannel());
}

TEST(VirtualDIBList, EvictsTheLeastRecentlyUsed) {
  TVQVirtualDIBList list;
  std::vector<TVQDIBHandle> handles;
  for (int i = 0; i < 11; ++i) handles.push_back(list.AddImage(8, 8, 24, false));
  list.UnmapAll();
  for (int i = 0; i < 10; ++i) list.GetImageWidth(handles[static_cast<std::size_t>(i)]);
  EXPECT_EQ(list.MappedCount(), 10);
  list.GetImageWidth(handles[0]);  // touched again: 1 is now the oldest
  list.GetImageWidth(handles[10]);
  EXPECT_EQ(list.MappedCount(), 10);
  EXPECT_EQ(handles[1]->View, nullptr);
  EXPECT_NE(handles[0]->View, nullptr);
  EXPECT_NE(handles[10]->View, nullptr);
  EXPECT_EQ(list.FileBuffer().ViewCount(), 10);
}

TEST(VirtualDIBList, AcquireSharesOneBitmapUntilTheLastRelease) {
  TVQVirtualDIBList list;
  auto b = Picture(5, 4, vqRGB24, 2);
  TVQDIBHandle h = list.AddBitmap(b.get());
  TVQBitmap* first = list.AcquireBitmap(h);
  TVQBitmap* second = list.AcquireBitmap(h);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second);
  EXPECT_TRUE(h->Acquired);
  EXPECT_EQ(Pixels(*first), Pixels(*b));
  list.ReleaseBitmap(first, false);
  EXPECT_TRUE(h->Acquired);
  list.ReleaseBitmap(first, false);
  EXPECT_FALSE(h->Acquired);
  TVQBitmap stranger;
  list.ReleaseBitmap(&stranger, true);  // not acquired here: nothing
  list.ReleaseBitmap(nullptr, true);
}

TEST(VirtualDIBList, WriteBackOfAnEnlargedBitmapStoresTheNewSize) {
  TVQVirtualDIBList list;
  auto small = Picture(5, 4, vqRGB24, 2);
  TVQDIBHandle h = list.AddBitmap(small.get());
  TVQDIBHandle next = list.AddBitmap(small.get());
  const Int64 oldOffset = h->Offset;
  TVQBitmap* b = list.AcquireBitmap(h);
  auto big = Picture(9, 6, vqRGB24, 3);
  b->Assign(big.get());
  EXPECT_EQ(list.GetImageWidth(h), 9);  // answered by the acquired bitmap
  list.ReleaseBitmap(b, true);
  EXPECT_EQ(list.GetImageWidth(h), 9);
  EXPECT_EQ(list.GetImageHeight(h), 6);
  EXPECT_NE(h->Offset, oldOffset);
  // The old block is free for the next image that fits.
  ASSERT_EQ(list.FreeBlocks().size(), 1u);
  EXPECT_EQ(list.FreeBlocks()[0].Offset, oldOffset);
  TVQDIBHandle reused = list.AddBitmap(small.get());
  EXPECT_EQ(reused->Offset, oldOffset);
  TVQBitmap back;
  ASSERT_TRUE(list.CopyToBitmap(h, &back));
  EXPECT_EQ(Pixels(back), Pixels(*big));
  ASSERT_TRUE(list.CopyToBitmap(next, &back));
  EXPECT_EQ(Pixels(back), Pixels(*small));
}

TEST(VirtualDIBList, UpdateInPlaceKeepsTheBlock) {
  TVQVirtualDIBList list;
  auto a = Picture(6, 3, vqBits1, 1);
  TVQDIBHandle h = list.AddBitmap(a.get());
  auto b = Picture(6, 3, vqBits1, 9);
  list.UpdateImage(h, b.get());
  EXPECT_EQ(h->Offset, 0);
  EXPECT_TRUE(list.FreeBlocks().empty());
  list.UnmapAll();
  TVQBitmap back;
  ASSERT_TRUE(list.CopyToBitmap(h, &back));
  EXPECT_EQ(Pixels(back), Pixels(*b));
}

// Freed blocks are reused first-fit and the rest of a larger one stays free.
TEST(VirtualDIBList, DeletedBlocksAreReusedAndTheLastDeleteShrinksTheFile) {
  TVQVirtualDIBList list;
  TVQDIBHandle big = list.AddImage(80, 60, 24, false);  // 14,448 at 0
  TVQDIBHandle keep = list.AddImage(80, 60, 24, false);
  list.DeleteImage(big);
  EXPECT_EQ(list.Count(), 1);
  TVQDIBHandle small = list.AddImage(80, 60, 1, false);  // 768
  EXPECT_EQ(small->Offset, 0);
  ASSERT_EQ(list.FreeBlocks().size(), 1u);
  EXPECT_EQ(list.FreeBlocks()[0].Offset, 768);
  EXPECT_EQ(list.FreeBlocks()[0].Size, 14448 - 768);
  list.DeleteImage(keep);
  list.DeleteImage(small);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.FileBuffer().FileSize(), 65536);
  EXPECT_EQ(list.EndOffset(), 0);
  EXPECT_TRUE(list.FreeBlocks().empty());
}

// A block larger than the step makes the step the last block plus this
// one: 48 + 600 x 3 x 40 = 72,048 > 65,536, so the step becomes 72,048 and
// the file 65,536 + 72,048.
TEST(VirtualDIBList, FileGrowsByAdaptedSteps) {
  TVQVirtualDIBList list;
  auto b = Picture(600, 40, vqRGB24, 4);
  TVQDIBHandle h = list.AddBitmap(b.get());
  EXPECT_EQ(list.GrowStep(), 72048);
  EXPECT_EQ(list.FileSize(), 65536 + 72048);
  EXPECT_EQ(list.FileBuffer().FileSize(), 65536 + 72048);
  TVQBitmap back;
  ASSERT_TRUE(list.CopyToBitmap(h, &back));
  EXPECT_EQ(Pixels(back), Pixels(*b));
  list.ReserveSpace(10, 10, 24, 3);  // 3 x (32 x 10 + 48)
  EXPECT_EQ(list.FileBuffer().FileSize(), 65536 + 72048 + 3 * 368);
}

TEST(VirtualDIBList, ThousandsOfImagesStayBoundedInMemory) {
  TVQVirtualDIBList list;
  list.MaxMapped = 4;
  for (int i = 0; i < 3000; ++i) {
    auto b = NewBitmap(vqMemoryBuffer, 4, 2, vqRGB24);
    b->GetScanline(0)[0] = static_cast<Byte>(i);
    b->GetScanline(1)[1] = static_cast<Byte>(i >> 8);
    list.AddBitmap(b.get());
    ASSERT_LE(list.FileBuffer().ViewCount(), 4);
  }
  for (int i : {0, 1234, 2999}) {
    TVQBitmap back;
    ASSERT_TRUE(list.CopyToBitmap(list.Image(i), &back));
    EXPECT_EQ(back.GetScanline(0)[0], static_cast<Byte>(i));
    EXPECT_EQ(back.GetScanline(1)[1], static_cast<Byte>(i >> 8));
  }
  EXPECT_EQ(list.EndOffset(), 3000 * (48 + 2 * 12));
}

TEST(VirtualDIBList, RefusesFormatsAndSizesItCannotStore) {
  TVQVirtualDIBList list;
  EXPECT_THROW(list.AddImage(4, 4, 8, false), EVQBitmapError);
  EXPECT_THROW(list.AddImage(0, 4, 24, false), EVQBitmapError);
  EXPECT_THROW(list.AddImage(100000, 100000, 24, false), EVQBitmapError);
  EXPECT_EQ(list.Count(), 0);
  list.ReserveSpace(100000, 100000, 24, 2);  // beyond the largest block: nothing
  list.ReserveSpace(10, 10, 0, 2);
  EXPECT_EQ(list.FileSize(), 65536);
  EXPECT_EQ(list.FileBuffer().FileSize(), 65536);
}

TEST(VirtualDIBList, CorruptStoredHeaderRaisesInsteadOfReadingPastTheBlock) {
  TVQVirtualDIBList list;
  auto b = Picture(4, 4, vqRGB24, 1);
  TVQDIBHandle h = list.AddBitmap(b.get());
  list.UnmapAll();
  Byte* header = list.FileBuffer().MapView(vqReadWrite, VQStoredDIBHeader, h->Offset);
  header[4] = 200;  // width 200 cannot fit the block
  list.FileBuffer().ReleaseView(header);
  TVQBitmap back;
  EXPECT_THROW(list.CopyToBitmap(h, &back), EReadError);
  EXPECT_THROW(list.GetImageWidth(h), EReadError);
}

struct ParseCase {
  const char* name;
  int offset;
  Byte value;
};

TEST(ParseStoredDIB, RejectsEveryBadField) {
  // A valid 2 x 2 24-bit block with alpha: 48 + 8 x 2 + 1 + 4 x 2 = 73 bytes.
  std::vector<Byte> block(73, 0);
  block[0] = 40;
  block[4] = 2;
  block[8] = 2;
  block[12] = 1;
  block[14] = 24;
  TVQStoredDIB s;
  ASSERT_TRUE(ParseStoredDIB(block.data(), 73, true, s));
  EXPECT_EQ(s.RowLength, 8);
  EXPECT_EQ(s.AlphaRowLength, 4);
  EXPECT_FALSE(s.AlphaFull);
  EXPECT_FALSE(ParseStoredDIB(block.data(), 72, true, s));
  EXPECT_TRUE(ParseStoredDIB(block.data(), 64, false, s));
  for (const ParseCase& c : std::vector<ParseCase>{{"info size", 0, 41},
                                                   {"width", 4, 3},
                                                   {"negative width", 7, 0x80},
                                                   {"height", 8, 3},
                                                   {"zero height", 8, 0},
                                                   {"bit count", 14, 8}}) {
    std::vector<Byte> bad = block;
    bad[static_cast<std::size_t>(c.offset)] = c.value;
    EXPECT_FALSE(ParseStoredDIB(bad.data(), 73, true, s)) << c.name;
  }
  // Sides whose product overflows 64 bits are refused, not wrapped.
  std::vector<Byte> huge = block;
  huge[4] = huge[5] = huge[6] = huge[8] = huge[9] = huge[10] = 0xFF;
  huge[7] = huge[11] = 0x7F;
  EXPECT_FALSE(ParseStoredDIB(huge.data(), 73, true, s));
  EXPECT_EQ(VQStoredDIBSize(0x7FFFFFFF, 0x7FFFFFFF, 24, true), -1);
}

TEST(VirtualDIBList, AFileThatCannotBeMadeIsReported) {
  const std::string saved = TempFolder;
  TempFolder = "/dev/null/nowhere";
  {
    TVQVirtualDIBList list;
    EXPECT_FALSE(list.FileBuffer().IsAllocated());
    auto b = Picture(4, 4, vqRGB24, 1);
    EXPECT_THROW(list.AddBitmap(b.get()), EWriteError);
    EXPECT_EQ(list.Count(), 0);
  }
  TempFolder = saved;
}

// The file may not grow past 100,000 bytes: the growth for a 72,048-byte
// block fails and is reported, the list keeps what it had.
TEST(VirtualDIBList, AFileThatCannotGrowIsReported) {
  TVQVirtualDIBList list;
  auto small = Picture(4, 4, vqRGB24, 1);
  TVQDIBHandle kept = list.AddBitmap(small.get());
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
  rlimit limit = saved;
  limit.rlim_cur = 100000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  auto big = Picture(600, 40, vqRGB24, 4);
  EXPECT_THROW(list.AddBitmap(big.get()), EStreamError);
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(list.FileSize(), 65536);
  TVQBitmap back;
  ASSERT_TRUE(list.CopyToBitmap(kept, &back));
  EXPECT_EQ(Pixels(back), Pixels(*small));
}

}  // namespace
