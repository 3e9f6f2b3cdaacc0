// The CCITT coder: its code trees, the exact bits of known rows, round
// trips of every scheme, bit order, and damaged input.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "imaging/core/base/vqzutils_containers.h"
#include "imaging/io/tifccitt.h"
#include "platform/rtl/Streams.h"

namespace {

using CcittRow = std::vector<Byte>;

std::vector<Byte> CcittStreamBytes(TMemoryStream& s) {
  std::vector<Byte> v(std::size_t(s.Size()));
  if (!v.empty()) std::memcpy(v.data(), s.Memory(), v.size());
  return v;
}

std::string CcittBits(const std::vector<Byte>& bytes) {
  std::string s;
  for (Byte b : bytes)
    for (int i = 7; i >= 0; --i) s += (b >> i) & 1 ? '1' : '0';
  return s;
}

// Encoder rows: a set bit is black. pattern: 0 white, 1 black, 2 stripes of
// growing width, 3 random, 4 black at both ends only.
CcittRow CcittMakeRow(int width, int pattern, std::mt19937& rng) {
  CcittRow r(std::size_t((width + 7) / 8), 0);
  auto set = [&](int x) { r[std::size_t(x / 8)] |= Byte(0x80 >> (x % 8)); };
  for (int x = 0; x < width; ++x) {
    bool black = false;
    switch (pattern) {
      case 1: black = true; break;
      case 2: black = (x / (1 + x / 97)) % 2; break;
      case 3: black = rng() % 5 == 0; break;
      case 4: black = x == 0 || x == width - 1; break;
      default: break;
    }
    if (black) set(x);
  }
  return r;
}

// A decoded row (set is white) against the encoder's row (set is black).
bool CcittSamePixels(const CcittRow& decoded, const CcittRow& encoded, int width) {
  for (int x = 0; x < width; ++x) {
    const bool white = (decoded[std::size_t(x / 8)] >> (7 - x % 8)) & 1;
    const bool black = (encoded[std::size_t(x / 8)] >> (7 - x % 8)) & 1;
    if (white == black) return false;
  }
  return true;
}

enum CcittScheme { kHuffman, kGroup3OneD, kGroup3TwoD, kGroup4 };

std::vector<Byte> CcittEncode(CcittScheme scheme, const std::vector<CcittRow>& rows, int width) {
  TMemoryStream s;
  bool abort = false;
  int bits = 0;
  Byte pending = 0;
  Byte* ref = nullptr;
  for (const CcittRow& r : rows) {
    switch (scheme) {
      case kHuffman: EncodeCcittHuffman(r.data(), width, &s, abort); break;
      case kGroup3OneD: EncodeCcittRow1D(r.data(), width, &s, abort, bits, pending); break;
      case kGroup3TwoD: EncodeCcitt1D(r.data(), width, &s, abort, ref, bits, pending); break;
      case kGroup4: EncodeCcitt2D(r.data(), width, &s, abort, ref, bits, pending); break;
    }
  }
  if (scheme == kGroup3OneD) EncodeCcittRow1D(nullptr, width, &s, abort, bits, pending);
  if (scheme == kGroup3TwoD) EncodeCcitt1D(nullptr, width, &s, abort, ref, bits, pending);
  if (scheme == kGroup4) EncodeCcitt2D(nullptr, width, &s, abort, ref, bits, pending);
  EXPECT_FALSE(abort);
  EXPECT_EQ(bits, 0);
  EXPECT_EQ(ref, nullptr);
  return CcittStreamBytes(s);
}

std::vector<CcittRow> CcittDecode(CcittScheme scheme, const std::vector<Byte>& data, int width, int rows,
                                  int fillOrder = 1) {
  std::vector<CcittRow> out;
  const int bytes = (width + 7) / 8;
  CcittRow ref(std::size_t(bytes), 0xFF);
  std::int64_t bit = 0, at = 0;
  const auto n = std::int64_t(data.size());
  for (int y = 0; y < rows; ++y) {
    CcittRow row(std::size_t(bytes), 0);
    switch (scheme) {
      case kHuffman:
        at += DecodeCcittHuffman(row.data(), data.data() + std::min(at, n), n - std::min(at, n), fillOrder, width);
        break;
      case kGroup3OneD: bit = DecodeCcitt1D(row.data(), data.data(), n, fillOrder, bit, width); break;
      case kGroup3TwoD:
      case kGroup4: bit = DecodeCcitt2D(row.data(), data.data(), n, false, fillOrder, bit, ref.data(), width); break;
    }
    out.push_back(row);
  }
  return out;
}

TEST(CcittCoder, EveryCodeIsFoundByItsColoursTree) {
  for (int colour = 0; colour < 2; ++colour) {
    for (int e = 0; e < 128; ++e) {
      const int len = CcittCodeLength(colour, e);
      ASSERT_GE(len, 1);
      ASSERT_LE(len, 32);
      const std::uint32_t code = CcittCodeBits(colour, e);
      // Any bits may follow a code.
      EXPECT_EQ(CcittTreeCode(colour, code << (32 - len)), e) << colour << " " << e;
      if (len < 32) EXPECT_EQ(CcittTreeCode(colour, (code << (32 - len)) | (0xFFFFFFFFu >> len)), e);
    }
    EXPECT_EQ(CcittTreeCode(colour, 0), 128) << "32 zero bits are no code";
  }
  // Runs of the entries: terminating, make-up, extended, the zero codes.
  const int runs[][3] = {{0, 0, 0}, {1, 63, 63}, {0, 64, 64}, {1, 90, 1728}, {0, 91, 1792}, {1, 103, 2560},
                         {0, 104, -3}, {1, 106, -1}, {0, 108, -3}, {1, 127, -3}};
  for (const auto& r : runs) EXPECT_EQ(CcittRunOf(r[0], r[1]), r[2]) << r[1];
  // Known codes: white 1728 010011011, black 2 11, black 1 010, black 1728
  // 0000001100101, extended 2560 000000011111.
  EXPECT_EQ(CcittTreeCode(0, 0b010011011u << 23), 90);
  EXPECT_EQ(CcittTreeCode(1, 0b11u << 30), 2);
  EXPECT_EQ(CcittTreeCode(1, 0b010u << 29), 1);
  EXPECT_EQ(CcittTreeCode(1, 0b0000001100101u << 19), 90);
  EXPECT_EQ(CcittTreeCode(0, 0b000000011111u << 20), 103);
  EXPECT_EQ(CcittTreeCode(1, 0b000000011111u << 20), 103);
}

TEST(CcittCoder, AllWhiteRowIsMakeUpAndTerminatingZero) {
  const CcittRow white(1728 / 8, 0);
  TMemoryStream s;
  bool abort = false;
  EncodeCcittHuffman(white.data(), 1728, &s, abort);
  // 010011011 (make-up 1728), 00110101 (terminating 0), padded.
  EXPECT_EQ(CcittBits(CcittStreamBytes(s)), "010011011" "00110101" "0000000");
}

TEST(CcittCoder, LongRunTakesTheLargestMakeUpCodesFirst) {
  const CcittRow white(3000 / 8, 0);
  TMemoryStream s;
  bool abort = false;
  EncodeCcittHuffman(white.data(), 3000, &s, abort);
  // 2560 (000000011111), 384 (00110111), 56 (01011001), padded.
  EXPECT_EQ(CcittBits(CcittStreamBytes(s)), "000000011111" "00110111" "01011001" "0000");
}

TEST(CcittCoder, HuffmanRowOfOnePixelTakesOneByte) {
  const CcittRow one{0};
  TMemoryStream s;
  bool abort = false;
  EncodeCcittHuffman(one.data(), 1, &s, abort);
  const std::vector<Byte> data = CcittStreamBytes(s);
  ASSERT_EQ(data.size(), 1u);
  EXPECT_EQ(CcittBits(data), "00011100");
  Byte row = 0;
  EXPECT_EQ(DecodeCcittHuffman(&row, data.data(), 1, 1, 1), 1);
  EXPECT_EQ(row & 0x80, 0x80);
}

TEST(CcittCoder, RowStartingBlackBeginsWithWhiteRunZero) {
  const CcittRow row{0xC0};  // two black, six white
  TMemoryStream s;
  bool abort = false;
  EncodeCcittHuffman(row.data(), 8, &s, abort);
  // white 0, black 2 (11), white 6 (1110)
  EXPECT_EQ(CcittBits(CcittStreamBytes(s)), "00110101" "11" "1110" "00");
}

TEST(CcittCoder, Group3TwoDimensionalStripHasItsEndsOfLineAndTags) {
  std::mt19937 rng(1);
  const std::vector<CcittRow> rows = {CcittMakeRow(16, 0, rng), CcittMakeRow(16, 0, rng)};
  const std::string bits = CcittBits(CcittEncode(kGroup3TwoD, rows, 16));
  // EOL, tag 1, white 16 (101010); EOL, tag 0, V0 (1); EOL; padding.
  EXPECT_EQ(bits, "000000000001" "1" "101010" "000000000001" "0" "1" "000000000001" "000");
}

TEST(CcittCoder, Group4StripEndsWithEndOfBlockAndZeroPadding) {
  std::mt19937 rng(1);
  const std::string bits = CcittBits(CcittEncode(kGroup4, {CcittMakeRow(8, 0, rng)}, 8));
  EXPECT_EQ(bits, "1" "000000000001" "000000000001" "0000000");
}

TEST(CcittCoder, Group3OneDimensionalRowsEachFollowAnEndOfLine) {
  std::mt19937 rng(1);
  const std::string bits = CcittBits(CcittEncode(kGroup3OneD, {CcittMakeRow(8, 0, rng), CcittMakeRow(8, 1, rng)}, 8));
  // EOL, white 8 (10011); EOL, white 0, black 8 (000101); padding.
  EXPECT_EQ(bits, "000000000001" "10011" "000000000001" "00110101" "000101" "00000");
}

TEST(CcittCoder, EveryScheme_RoundTripsRowsOfManyWidthsAndPatterns) {
  std::mt19937 rng(42);
  for (int width : {1, 7, 8, 9, 63, 64, 65, 200, 1728, 2561, 3001}) {
    std::vector<CcittRow> rows;
    for (int k = 0; k < 12; ++k) rows.push_back(CcittMakeRow(width, k % 5, rng));
    for (CcittScheme scheme : {kHuffman, kGroup3OneD, kGroup3TwoD, kGroup4}) {
      const std::vector<Byte> data = CcittEncode(scheme, rows, width);
      const std::vector<CcittRow> back = CcittDecode(scheme, data, width, int(rows.size()));
      for (std::size_t y = 0; y < rows.size(); ++y)
        EXPECT_TRUE(CcittSamePixels(back[y], rows[y], width)) << "scheme " << scheme << " width " << width << " row " << y;
    }
  }
}

TEST(CcittCoder, FillOrderTwoReadsLikeBitReversedFillOrderOne) {
  std::mt19937 rng(7);
  std::vector<CcittRow> rows;
  for (int k = 0; k < 8; ++k) rows.push_back(CcittMakeRow(300, 3, rng));
  for (CcittScheme scheme : {kHuffman, kGroup3OneD, kGroup4}) {
    std::vector<Byte> data = CcittEncode(scheme, rows, 300);
    for (Byte& b : data) {
      Byte r = 0;
      for (int i = 0; i < 8; ++i) r |= Byte(((b >> i) & 1) << (7 - i));
      b = r;
    }
    const std::vector<CcittRow> back = CcittDecode(scheme, data, 300, 8, 2);
    for (std::size_t y = 0; y < rows.size(); ++y) EXPECT_TRUE(CcittSamePixels(back[y], rows[y], 300)) << scheme;
  }
}

TEST(CcittCoder, EndOfLineAtRowStartIsSkippedAndOneInsideEndsTheRow) {
  // EOL, white 3 (1000), EOL: the row ends after three white pixels in
  // black, which fills the rest; the position is after the second EOL.
  const std::string bits = "000000000001" "1000" "000000000001" "0000";
  std::vector<Byte> data(bits.size() / 8);
  for (std::size_t i = 0; i < bits.size(); ++i)
    if (bits[i] == '1') data[i / 8] |= Byte(0x80 >> (i % 8));
  Byte row = 0;
  EXPECT_EQ(DecodeCcitt1D(&row, data.data(), std::int64_t(data.size()), 1, 0, 8), 28);
  EXPECT_EQ(row, 0xE0);
}

TEST(CcittCoder, TwoDimensionalRowAfterEndOfLineWithFillBits) {
  // Fill bits, then EOL and tag 1: the row is one-dimensional (white 8).
  const std::string bits = "0000" "000000000001" "1" "10011" "000000";
  std::vector<Byte> data(bits.size() / 8);
  for (std::size_t i = 0; i < bits.size(); ++i)
    if (bits[i] == '1') data[i / 8] |= Byte(0x80 >> (i % 8));
  Byte row = 0, ref = 0;
  EXPECT_EQ(DecodeCcitt2D(&row, data.data(), std::int64_t(data.size()), true, 1, 0, &ref, 8), 22);
  EXPECT_EQ(row, 0xFF);
  EXPECT_EQ(ref, 0xFF);
}

TEST(CcittCoder, DamagedDataEndsEveryRowWithinTheData) {
  // Whatever the bytes, every decoder returns, stays in its row and moves on.
  std::mt19937 rng(3);
  std::vector<std::vector<Byte>> inputs = {std::vector<Byte>(64, 0x00), std::vector<Byte>(64, 0xFF),
                                           std::vector<Byte>(64, 0x01), {}, {0x00}};
  for (int k = 0; k < 40; ++k) {
    std::vector<Byte> v(1 + rng() % 200);
    for (Byte& b : v) b = Byte(rng());
    inputs.push_back(v);
  }
  for (const auto& in : inputs) {
    for (int width : {1, 13, 100}) {
      for (bool fill : {false, true}) {
        CcittRow ref(std::size_t((width + 7) / 8), 0xFF), row(ref.size());
        std::int64_t bit = 0;
        for (int y = 0; y < 50; ++y) {
          const std::int64_t next = DecodeCcitt2D(row.data(), in.data(), std::int64_t(in.size()), fill, 1, bit, ref.data(), width);
          ASSERT_GE(next, bit);
          bit = next;
        }
        bit = 0;
        for (int y = 0; y < 50; ++y) bit = DecodeCcitt1D(row.data(), in.data(), std::int64_t(in.size()), 1, bit, width);
        EXPECT_LE(bit, std::int64_t(in.size()) * 8 + 64);
      }
    }
  }
}

TEST(CcittCoder, ShortWriteSetsTheAbortFlag) {
  Byte block[4] = {};
  TVQMemStream s(block, sizeof block);
  bool abort = false;
  const CcittRow row(100, 0);
  EncodeCcittHuffman(row.data(), 800, &s, abort);
  EXPECT_TRUE(abort);
}

}  // namespace
