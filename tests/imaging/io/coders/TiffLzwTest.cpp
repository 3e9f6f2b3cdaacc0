#include "imaging/io/coders/tiflzw.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <random>
#include <vector>

#include "platform/rtl/Streams.h"
#include "tests/imaging/io/coders/LzwReference.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

TLzwRefOptions TifRefOptions() {
  TLzwRefOptions o;
  o.CodeSize = 8;
  o.MsbFirst = true;
  o.EarlyChange = true;
  o.LastEntry = 4093;
  return o;
}

// One strip of rows of rowSize bytes through the encoder, a row a call.
Bytes TifEncode(const Bytes& data, int rowSize) {
  TMemoryStream s;
  void* state = nullptr;
  for (std::size_t at = 0; at < data.size(); at += std::size_t(rowSize))
    TiffLzwEncode(data.data() + at, rowSize, &s, &state);
  TiffLzwEncode(nullptr, 0, &s, &state);
  EXPECT_EQ(state, nullptr);
  const auto* p = static_cast<const std::uint8_t*>(s.Memory());
  return Bytes(p, p + s.Size());
}

// rows rows of rowSize bytes; an empty result when the decoder failed.
Bytes TifDecode(const Bytes& strip, int rowSize, int rows) {
  // A copy of exactly the strip's size, so reading past it shows.
  std::unique_ptr<std::uint8_t[]> data(new std::uint8_t[strip.size() + 1]);
  if (!strip.empty()) std::memcpy(data.get(), strip.data(), strip.size());
  void* state = nullptr;
  Bytes out;
  bool failed = false;
  for (int r = 0; r < rows; ++r) {
    const auto* row = static_cast<const std::uint8_t*>(TiffLzwDecode(data.get(), std::int64_t(strip.size()), rowSize, &state));
    if (!row) {
      failed = true;
      break;
    }
    out.insert(out.end(), row, row + rowSize);
  }
  EXPECT_EQ(TiffLzwDecode(nullptr, 0, rowSize, &state), nullptr);
  EXPECT_EQ(state, nullptr);
  return failed ? Bytes() : out;
}

Bytes TifRandom(std::size_t n, std::uint32_t seed, int runs) {
  std::mt19937 rng(seed);
  Bytes p(n);
  for (std::size_t i = 0; i < n; ++i) p[i] = runs && i > 0 && rng() % runs ? p[i - 1] : std::uint8_t(rng());
  return p;
}

TEST(TiffLzw, RoundTripsRowsOfEverySizeThroughBothCoders) {
  struct Case {
    int rowSize, rows, runs;
  };
  for (const Case c : {Case{1, 5000, 3}, Case{3, 1000, 0}, Case{17, 300, 2}, Case{640 * 3, 20, 4},
                       Case{4096, 12, 0}, Case{9, 6000, 50}}) {
    SCOPED_TRACE(testing::Message() << c.rowSize << " x " << c.rows << " runs " << c.runs);
    const Bytes data = TifRandom(std::size_t(c.rowSize) * c.rows, std::uint32_t(c.rowSize), c.runs);
    const Bytes strip = TifEncode(data, c.rowSize);
    EXPECT_EQ(TifDecode(strip, c.rowSize, c.rows), data);
    EXPECT_EQ(LzwRefDecode(strip, TifRefOptions()), data);
    EXPECT_EQ(TifDecode(LzwRefEncode(data, TifRefOptions()), c.rowSize, c.rows), data);
  }
}

TEST(TiffLzw, WidthGrowsAt511_1023_2047) {
  // Literal codes only, so every code adds one entry: the widths alone
  // decide whether the bytes come out right.
  for (int count : {253, 254, 255, 765, 766, 767, 1789, 1790, 1791, 3835}) {
    SCOPED_TRACE(count);
    TLzwRefBits bits(true);
    int next = 258;
    auto width = [&] { return next >= 2047 ? 12 : next >= 1023 ? 11 : next >= 511 ? 10 : 9; };
    bits.Put(256, 9);
    Bytes expected;
    for (int i = 0; i < count; ++i) {
      const int b = (i * 7) & 255;
      bits.Put(b, width());
      expected.push_back(std::uint8_t(b));
      if (i > 0) ++next;
    }
    bits.Put(257, width());
    EXPECT_EQ(TifDecode(bits.Bytes(), count, 1), expected);
  }
}

TEST(TiffLzw, OneRowStripIsClearPrefixEnd) {
  EXPECT_EQ(TifEncode({5}, 1), Bytes({0x80, 0x01, 0x60, 0x20}));
  // 256, 5, 257 at 9 bits.
  EXPECT_EQ(TifDecode({0x80, 0x01, 0x60, 0x20}, 1, 1), Bytes({5}));
}

// 9-bit codes, most significant bit first.
Bytes TifCodes9(std::initializer_list<int> codes) {
  TLzwRefBits b(true);
  for (int c : codes) b.Put(c, 9);
  return b.Bytes();
}

TEST(TiffLzw, HandCodedStrips) {
  struct Case {
    const char* name;
    Bytes strip;
    Bytes rows;  // empty: the decoder fails
  };
  const Case cases[] = {
      {"code equal to the next free code", TifCodes9({256, 7, 258, 257}), {7, 7, 7, 0}},
      {"code past the table", TifCodes9({256, 7, 259, 257}), {}},
      {"first code after a clear past the table", TifCodes9({256, 300, 257}), {}},
      {"strip without a clear code", TifCodes9({1, 2, 258, 257}), {1, 2, 1, 2}},
      {"two clear codes", TifCodes9({256, 256, 9, 257}), {9, 0, 0, 0}},
      {"end code before the row is full", TifCodes9({256, 4, 257, 9}), {4, 0, 0, 0}},
      {"strip that stops without an end code", TifCodes9({256, 4, 5}), {4, 5, 0, 0}},
      {"empty strip", {}, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(TifDecode(c.strip, 4, 1), c.rows);
  }
}

TEST(TiffLzw, TableOverflowFails) {
  // Literals without a clear code until the table passes 4095 entries.
  TLzwRefBits bits(true);
  int next = 258;
  bits.Put(256, 9);
  for (int i = 0; i < 3900; ++i) {
    bits.Put(i & 255, next >= 2047 ? 12 : next >= 1023 ? 11 : next >= 511 ? 10 : 9);
    if (i > 0) ++next;
  }
  EXPECT_TRUE(TifDecode(bits.Bytes(), 3900, 1).empty());
}

TEST(TiffLzw, LongStringsIntoShortRows) {
  // One byte repeated: strings grow to thousands of bytes while each call
  // asks for a row of two.
  const Bytes data(200000, 0x42);
  const Bytes strip = TifEncode(data, 2);
  EXPECT_EQ(TifDecode(strip, 2, 100000), data);
}

Bytes TifData(const std::string& name) {
  std::ifstream in(std::string(LUMIQA_TEST_DATA) + "/tiff/" + name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// A strip libtiff wrote (through Pillow): 96 x 80 greys, one strip.
TEST(TiffLzw, StripOfLibtiffDecodesAndEncodesToTheSameBytes) {
  const Bytes strip = TifData("lzw_grey_96x80.strip");
  const Bytes pixels = TifData("lzw_grey_96x80.raw");
  ASSERT_EQ(pixels.size(), 96u * 80);
  EXPECT_EQ(TifDecode(strip, 96, 80), pixels);
  EXPECT_EQ(TifEncode(pixels, 96), strip);
}

}  // namespace
