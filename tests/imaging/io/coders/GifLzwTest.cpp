#include "imaging/io/coders/giflzw.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "platform/rtl/Streams.h"
#include "tests/imaging/io/coders/LzwReference.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes GifStreamBytes(TMemoryStream& s) {
  const auto* p = static_cast<const std::uint8_t*>(s.Memory());
  return Bytes(p, p + s.Size());
}

// The code-size byte, the codes in sub-blocks of at most 255 bytes, the
// terminator, and a trailing marker byte the decoder must not take.
Bytes GifWrap(int codeSize, const Bytes& codes, int blockSize = 255) {
  Bytes out{std::uint8_t(codeSize)};
  for (std::size_t i = 0; i < codes.size(); i += std::size_t(blockSize)) {
    const std::size_t n = std::min(codes.size() - i, std::size_t(blockSize));
    out.push_back(std::uint8_t(n));
    out.insert(out.end(), codes.begin() + std::ptrdiff_t(i), codes.begin() + std::ptrdiff_t(i + n));
  }
  out.push_back(0);
  out.push_back(0x3B);
  return out;
}

struct TGifDecoded {
  Bytes Pixels;
  std::int64_t Position = 0;
};

TGifDecoded GifDecode(const Bytes& file, int width, int height, bool interlaced, std::uint8_t fill = 0xEE) {
  TMemoryStream s;
  s.WriteBuffer(file.data(), std::int64_t(file.size()));
  s.SetPosition(0);
  TGifDecoded d;
  d.Pixels.assign(std::size_t(width) * height, fill);
  GifLzwDecode(&s, height, width, d.Pixels.data(), interlaced);
  d.Position = s.Position();
  return d;
}

Bytes GifEncode(const Bytes& pixels, int width, int height, int bits, bool interlaced) {
  TMemoryStream s;
  GifLzwEncode(&s, height, width, bits, pixels.data(), interlaced);
  return GifStreamBytes(s);
}

// The data bytes of the sub-blocks after the code-size byte.
Bytes GifUnwrap(const Bytes& file) {
  Bytes codes;
  std::size_t at = 1;
  while (at < file.size() && file[at] != 0) {
    const std::size_t n = file[at];
    codes.insert(codes.end(), file.begin() + std::ptrdiff_t(at + 1), file.begin() + std::ptrdiff_t(at + 1 + n));
    at += n + 1;
  }
  return codes;
}

Bytes GifRandomPixels(std::size_t n, int bits, std::uint32_t seed, int runs = 0) {
  std::mt19937 rng(seed);
  Bytes p(n);
  for (std::size_t i = 0; i < n; ++i)
    p[i] = runs && i > 0 && rng() % runs ? p[i - 1] : std::uint8_t(rng() & ((1u << bits) - 1));
  return p;
}

TEST(GifLzw, RoundTripsRandomDataAtEveryCodeSize) {
  struct Size {
    int w, h;
  };
  for (int bits = 1; bits <= 8; ++bits)
    for (const Size sz : {Size{1, 1}, Size{7, 3}, Size{64, 64}, Size{300, 211}})
      for (int runs : {0, 4})
        for (bool interlaced : {false, true}) {
          SCOPED_TRACE(testing::Message() << bits << " bits " << sz.w << "x" << sz.h << " runs " << runs
                                          << (interlaced ? " interlaced" : ""));
          const Bytes pixels = GifRandomPixels(std::size_t(sz.w) * sz.h, bits, std::uint32_t(bits * 131 + sz.w), runs);
          Bytes file = GifEncode(pixels, sz.w, sz.h, bits, interlaced);
          ASSERT_EQ(file[0], std::max(bits, 2));
          EXPECT_EQ(file.back(), 0);
          file.push_back(0x3B);
          const TGifDecoded d = GifDecode(file, sz.w, sz.h, interlaced);
          EXPECT_EQ(d.Pixels, pixels);
          EXPECT_EQ(d.Position, std::int64_t(file.size()) - 1);
        }
}

TEST(GifLzw, EncoderCodesMatchAPlainDecoderAndSubBlocksHold254Bytes) {
  for (int bits : {2, 5, 8}) {
    SCOPED_TRACE(bits);
    // Long enough to fill the table several times.
    const Bytes pixels = GifRandomPixels(200000, bits, 7u + unsigned(bits), 3);
    const Bytes file = GifEncode(pixels, 400, 500, bits, false);
    for (std::size_t at = 1; file[at] != 0;) {
      if (file[at + file[at] + 1] != 0) {
        EXPECT_EQ(file[at], 254);
      }
      at += file[at] + 1u;
    }
    TLzwRefOptions o;
    o.CodeSize = bits;
    EXPECT_EQ(LzwRefDecode(GifUnwrap(file), o), pixels);
  }
}

TEST(GifLzw, DecodesStreamsOfOtherEncoders) {
  struct Case {
    const char* name;
    int codeSize;
    bool initialClear, clearWhenFull;
    int blockSize;
  };
  const Case cases[] = {
      {"plain", 8, true, true, 255},
      // Writers that never clear once the table is full go on with 12-bit
      // codes for entries already there.
      {"deferred clear", 8, true, false, 255},
      {"deferred clear, 4 bits", 4, true, false, 100},
      {"no initial clear", 3, false, true, 17},
      {"code size 9", 9, true, true, 255},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TLzwRefOptions o;
    o.CodeSize = c.codeSize;
    o.InitialClear = c.initialClear;
    o.ClearWhenFull = c.clearWhenFull;
    const int bits = std::min(c.codeSize, 8);
    const Bytes pixels = GifRandomPixels(90000, bits, 99, 5);
    const Bytes file = GifWrap(c.codeSize, LzwRefEncode(pixels, o), c.blockSize);
    const TGifDecoded d = GifDecode(file, 300, 300, false);
    EXPECT_EQ(d.Pixels, pixels);
    EXPECT_EQ(d.Position, std::int64_t(file.size()) - 1);
  }
}

// Codes of 3 bits (code size 2: clear 4, end 5, first free 6).
Bytes GifCodes3(std::initializer_list<int> codes) {
  TLzwRefBits b(false);
  for (int c : codes) b.Put(c, 3);
  return GifWrap(2, b.Bytes());
}

TEST(GifLzw, HandCodedStreams) {
  struct Case {
    const char* name;
    Bytes file;
    Bytes pixels;  // 0xEE: left as it was
    bool refused;
  };
  const Case cases[] = {
      {"first code after a clear not in the table gives 0", GifCodes3({4, 7, 1, 5}), {0, 1, 0xEE, 0xEE}, false},
      {"code equal to the next free code", GifCodes3({4, 1, 6, 5}), {1, 1, 1, 0xEE}, false},
      {"code past the table", GifCodes3({4, 1, 7, 5}), {1, 0xEE, 0xEE, 0xEE}, true},
      {"end code right after a clear with data left", GifCodes3({4, 1, 4, 5, 1, 1, 1, 1}), {1, 0xEE, 0xEE, 0xEE},
       true},
      {"end code right after a clear at the end", GifCodes3({4, 1, 4, 5}), {1, 0xEE, 0xEE, 0xEE}, false},
      {"first code not a clear", GifCodes3({2, 2, 6, 5}), {2, 2, 2, 2}, false},
      {"data that runs out", GifCodes3({4, 3, 4, 3, 4, 3, 4, 4}), {3, 3, 3, 0xEE}, false},
      {"codes after the last pixel are not read", GifCodes3({4, 1, 6, 7, 7, 7}), {1, 1, 1, 1}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TGifDecoded d = GifDecode(c.file, 2, 2, false);
    EXPECT_EQ(d.Pixels, c.pixels);
    EXPECT_EQ(d.Position, c.refused ? 0 : std::int64_t(c.file.size()) - 1);
  }
}

TEST(GifLzw, RefusesCodeSizesOutside2To9AndLeavesTheStream) {
  for (int size : {0, 1, 10, 12}) {
    SCOPED_TRACE(size);
    const Bytes file = GifWrap(size, {0x55, 0x55});
    const TGifDecoded d = GifDecode(file, 2, 2, false);
    EXPECT_EQ(d.Position, 0);
    EXPECT_EQ(d.Pixels, Bytes(4, 0xEE));
  }
}

TEST(GifLzw, EmptyOrTruncatedDataReadsWhatIsThere) {
  // No sub-blocks at all: the stream stays after the terminator.
  TGifDecoded d = GifDecode({8, 0, 0x3B}, 2, 2, false);
  EXPECT_EQ(d.Position, 2);
  // A block cut short by the end of the stream.
  Bytes file = GifEncode(Bytes(64, 3), 8, 8, 2, false);
  file.resize(file.size() - 2);
  d = GifDecode(file, 8, 8, false);
  EXPECT_EQ(d.Position, std::int64_t(file.size()));
  EXPECT_EQ(d.Pixels[0], 3);
}

TEST(GifLzw, EncoderWritesCodeSize2ForOneBit) {
  const Bytes file = GifEncode({0, 1, 1, 0}, 2, 2, 1, false);
  EXPECT_EQ(file[0], 2);
  EXPECT_EQ(GifDecode(file, 2, 2, false).Pixels, Bytes({0, 1, 1, 0}));
}

TEST(GifLzw, InterlacedRowsGoToTheirPassRows) {
  struct Case {
    int height;
    std::vector<int> fileOrder;  // image row of each row in the file
  };
  const Case cases[] = {{1, {0}},
                        {2, {0, 1}},
                        {3, {0, 2, 1}},
                        {9, {0, 8, 4, 2, 6, 1, 3, 5, 7}},
                        {16, {0, 8, 4, 12, 2, 6, 10, 14, 1, 3, 5, 7, 9, 11, 13, 15}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.height);
    const int w = 5;
    Bytes fileRows;
    for (int i = 0; i < c.height; ++i) fileRows.insert(fileRows.end(), w, std::uint8_t(i));
    const Bytes file = GifEncode(fileRows, w, c.height, 8, false);
    const TGifDecoded d = GifDecode(file, w, c.height, true);
    Bytes expected(std::size_t(w) * c.height);
    for (int i = 0; i < c.height; ++i)
      std::fill_n(expected.begin() + std::ptrdiff_t(c.fileOrder[std::size_t(i)]) * w, w, std::uint8_t(i));
    EXPECT_EQ(d.Pixels, expected);
    // The encoder takes the rows in the same order.
    EXPECT_EQ(GifEncode(expected, w, c.height, 8, true), file);
  }
}

}  // namespace
