#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "imaging/core/colour/pictoraproc_bitrows.h"

namespace {

// Bit-by-bit model of CopyBits: the reference the fast paths must agree with.
void CopyBitsModel(Byte* dst, const Byte* src, Int64 dstOff, Int64 srcBytes, Int64 count, Int64 srcOff) {
  for (Int64 i = 0; i < count; ++i) {
    const Int64 s = srcOff + i;
    const bool bit = (s >> 3) < srcBytes ? GetBit(src, s) : false;
    SetBit(dst, dstOff + i, bit);
  }
}

TEST(BitRows, GetBitAndSetBitAreMostSignificantFirst) {
  Byte row[2] = {0, 0};
  SetBit(row, 0, true);
  SetBit(row, 9, true);
  EXPECT_EQ(row[0], 0x80);
  EXPECT_EQ(row[1], 0x40);
  EXPECT_TRUE(GetBit(row, 0));
  EXPECT_FALSE(GetBit(row, 1));
  EXPECT_TRUE(GetBit(row, 9));
  SetBit(row, 0, false);
  EXPECT_EQ(row[0], 0x00);
  EXPECT_EQ(row[1], 0x40);
}

TEST(BitRows, CopyBitsKeepsNeighbouringDestinationBits) {
  // 5 bits from source bit 6 to destination bit 3: destination bits 0..2 and
  // 8 onwards keep their values.
  const Byte src[2] = {0b00000010, 0b11000000};  // bits 6..10 = 1 0 1 1 0
  Byte dst[2] = {0xFF, 0xFF};
  CopyBits(dst, src, 3, 2, 5, 6);
  EXPECT_EQ(dst[0], 0b11110110);
  EXPECT_EQ(dst[1], 0xFF);
  Byte dst0[2] = {0x00, 0x00};
  CopyBits(dst0, src, 3, 2, 5, 6);
  EXPECT_EQ(dst0[0], 0b00010110);
  EXPECT_EQ(dst0[1], 0x00);
}

TEST(BitRows, CopyBitsIgnoresEmptyCountsAndNegativeOffsets) {
  const Byte src[1] = {0xFF};
  Byte dst[1] = {0x00};
  CopyBits(dst, src, 0, 1, 0, 0);
  CopyBits(dst, src, -1, 1, 4, 0);
  CopyBits(dst, src, 0, 1, 4, -1);
  CopyBits(dst, src, 0, 1, -3, 0);
  EXPECT_EQ(dst[0], 0x00);
}

TEST(BitRows, CopyBitsNeverReadsPastTheSourceEnd) {
  // Exactly sized heap block: AddressSanitizer reports any read beyond it.
  std::vector<Byte> src(3, 0xFF);
  std::vector<Byte> dst(8, 0x00);
  CopyBits(dst.data(), src.data(), 5, 3, 40, 3);
  // 21 source bits exist from bit 3; the rest come in as 0.
  std::vector<Byte> want(8, 0x00);
  CopyBitsModel(want.data(), src.data(), 5, 3, 40, 3);
  EXPECT_EQ(dst, want);
  EXPECT_TRUE(GetBit(dst.data(), 5 + 20));
  EXPECT_FALSE(GetBit(dst.data(), 5 + 21));
}

TEST(BitRows, CopyBitsMatchesBitModelOnUnalignedOffsetsAndLengths) {
  std::mt19937 rng(12345);
  for (Int64 dstOff = 0; dstOff < 17; ++dstOff)
    for (Int64 srcOff = 0; srcOff < 17; ++srcOff)
      for (Int64 count : {1, 2, 7, 8, 9, 15, 16, 17, 63, 64, 65, 100}) {
        std::vector<Byte> src(20), a(24), b(24);
        for (auto& v : src) v = static_cast<Byte>(rng());
        for (std::size_t i = 0; i < a.size(); ++i) a[i] = b[i] = static_cast<Byte>(rng());
        CopyBits(a.data(), src.data(), dstOff, static_cast<Int64>(src.size()), count, srcOff);
        CopyBitsModel(b.data(), src.data(), dstOff, static_cast<Int64>(src.size()), count, srcOff);
        ASSERT_EQ(a, b) << "dst " << dstOff << " src " << srcOff << " count " << count;
      }
}

TEST(BitRows, BitExpansionTableTurnsBitsIntoWhiteAndBlackPixels) {
  BuildBitExpansionTable();
  const Byte* e = BitExpansionTable[0xA1];  // 1010 0001
  const int want[8] = {255, 0, 255, 0, 0, 0, 0, 255};
  for (int p = 0; p < 8; ++p)
    for (int c = 0; c < 3; ++c) EXPECT_EQ(e[p * 3 + c], want[p]) << "pixel " << p;
  for (int b = 0; b < 24; ++b) {
    EXPECT_EQ(BitExpansionTable[0][b], 0);
    EXPECT_EQ(BitExpansionTable[255][b], 255);
  }
}

}  // namespace
