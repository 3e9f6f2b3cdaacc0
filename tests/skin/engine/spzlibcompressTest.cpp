#include "skin/engine/spzlibcompress.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/skin/engine/StreamBytes.h"

namespace {

Bytes Pattern(std::size_t n, std::uint32_t seed = 1) {
  Bytes b(n);
  for (auto& v : b) {
    seed = seed * 1103515245u + 12345u;
    v = std::uint8_t(seed >> 16);
  }
  return b;
}

void Fill(TMemoryStream& s, const Bytes& b) {
  s.Clear();
  if (!b.empty()) s.WriteBuffer(b.data(), std::int64_t(b.size()));
  s.SetPosition(0);
}

Bytes Compress(const Bytes& plain) {
  TMemoryStream source, target;
  Fill(source, plain);
  CompressSkinStream(source, target);
  return Contents(target);
}

Bytes Decompress(const Bytes& packed, std::int64_t maxBytes = kMaxInflatedSkinBytes) {
  TMemoryStream source, target;
  Fill(source, packed);
  DecompressSkinStream(target, source, maxBytes);
  return Contents(target);
}

// Records the size of every write that reaches it.
class TWriteLog : public TMemoryStream {
 public:
  std::int64_t Write(const void* buffer, std::int64_t count) override {
    sizes.push_back(count);
    return TMemoryStream::Write(buffer, count);
  }
  std::vector<std::int64_t> sizes;
};

TEST(ZlibStream, EmptySourceGivesCompleteStream) {
  const Bytes packed = Compress({});
  ASSERT_GE(packed.size(), 8u);  // header, empty block, Adler-32
  EXPECT_EQ(packed[0], 0x78);
  EXPECT_EQ(packed[1], 0xDA);  // best compression
  EXPECT_TRUE(Decompress(packed).empty());
}

TEST(ZlibStream, RoundTripsLargeData) {
  for (std::size_t n : {1u, 4095u, 4096u, 4097u, 100000u}) {
    const Bytes plain = Pattern(n, std::uint32_t(n));
    EXPECT_EQ(Decompress(Compress(plain)), plain) << n;
  }
}

TEST(ZlibStream, WritesFullPiecesThenRemainder) {
  TWriteLog target;
  {
    TCompressionStream z(TCompressionLevel::clNone, target);
    const Bytes plain = Pattern(20000);
    z.WriteBuffer(plain.data(), std::int64_t(plain.size()));
    z.Finish();
  }
  ASSERT_GE(target.sizes.size(), 5u);
  for (std::size_t i = 0; i + 1 < target.sizes.size(); ++i) EXPECT_EQ(target.sizes[i], 4096) << i;
  EXPECT_GT(target.sizes.back(), 0);
  EXPECT_LT(target.sizes.back(), 4096);
}

TEST(ZlibStream, CompressionSeekReportsBytesWritten) {
  TMemoryStream target;
  TCompressionStream z(TCompressionLevel::clDefault, target);
  const Bytes plain = Pattern(10000);
  z.WriteBuffer(plain.data(), std::int64_t(plain.size()));
  EXPECT_EQ(z.Seek(0, soCurrent), 10000);
}

TEST(ZlibStream, InvalidOperationsRaise) {
  TMemoryStream target;
  TCompressionStream z(TCompressionLevel::clFastest, target);
  std::uint8_t b[4] = {};
  try {
    z.Read(b, 4);
    ADD_FAILURE() << "read from a compression stream";
  } catch (const ECompressionError& e) {
    EXPECT_EQ(e.Message(), "Invalid stream operation");
  }
  EXPECT_THROW(z.Seek(1, soCurrent), ECompressionError);
  EXPECT_THROW(z.Seek(0, soBeginning), ECompressionError);

  TMemoryStream source;
  Fill(source, Compress(Pattern(10)));
  TDecompressionStream d(source);
  EXPECT_THROW(d.Write(b, 4), EDecompressionError);
  EXPECT_THROW(d.Seek(0, soEnd), EDecompressionError);
  EXPECT_THROW(d.Size(), EDecompressionError);
  ASSERT_EQ(d.Read(b, 4), 4);
  try {
    d.Seek(-1, soCurrent);
    ADD_FAILURE() << "backward seek";
  } catch (const EDecompressionError& e) {
    EXPECT_EQ(e.Message(), "Invalid stream operation");
  }
}

TEST(ZlibStream, SeekFromBeginningRestartsAtSourceStart) {
  const Bytes plain = Pattern(5000);
  Bytes packed = Compress(plain);
  ASSERT_GT(packed.size(), 100u);
  TMemoryStream source;
  Fill(source, packed);
  source.SetPosition(100);
  TDecompressionStream d(source);
  EXPECT_EQ(d.Seek(0, soBeginning), 0);
  Bytes out(plain.size());
  ASSERT_EQ(d.Read(out.data(), std::int64_t(out.size())), std::int64_t(plain.size()));
  EXPECT_EQ(out, plain);
}

TEST(ZlibStream, ForwardSeekSkipsBytes) {
  const Bytes plain = Pattern(9000);
  TMemoryStream source;
  Fill(source, Compress(plain));
  TDecompressionStream d(source);
  EXPECT_EQ(d.Seek(5000, soCurrent), 5000);
  EXPECT_EQ(d.Seek(6000, soBeginning), 6000);
  std::uint8_t b = 0;
  ASSERT_EQ(d.Read(&b, 1), 1);
  EXPECT_EQ(b, plain[6000]);
  EXPECT_THROW(d.Seek(100, soBeginning), EDecompressionError);
}

TEST(ZlibStream, BytesAfterTheDataAreIgnored) {
  const Bytes plain = Pattern(300);
  Bytes packed = Compress(plain);
  const Bytes extra = Pattern(50, 7);
  packed.insert(packed.end(), extra.begin(), extra.end());
  TMemoryStream source;
  Fill(source, packed);
  TDecompressionStream d(source);
  Bytes out(1000);
  EXPECT_EQ(d.Read(out.data(), 1000), 300);
  EXPECT_EQ(d.Read(out.data(), 1000), 0);
}

TEST(ZlibStream, TruncatedDataEndsQuietly) {
  const Bytes plain = Pattern(20000);
  Bytes packed = Compress(plain);
  packed.resize(packed.size() / 2);
  const Bytes out = Decompress(packed);
  EXPECT_GT(out.size(), 0u);
  EXPECT_LT(out.size(), plain.size());
  EXPECT_TRUE(std::equal(out.begin(), out.end(), plain.begin()));
}

// Data the inflater cannot go on with must raise, not loop or pass.
TEST(ZlibStream, BadDataRaisesDecompressionError) {
  const struct {
    const char* what;
    Bytes data;
  } cases[] = {
      {"preset dictionary", {0x78, 0x20, 0x00, 0x00, 0x00, 0x01, 0x03, 0x00}},
      {"bad header check", {0x78, 0x9D, 0x03, 0x00}},
      {"invalid block type", {0x78, 0x9C, 0xFF, 0xFF, 0xFF, 0xFF}},
      {"bad checksum", {0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x02}},
  };
  for (const auto& c : cases) {
    try {
      Decompress(c.data);
      ADD_FAILURE() << c.what;
    } catch (const EDecompressionError& e) {
      EXPECT_EQ(e.Message(), "compression error") << c.what;
    }
  }
}

TEST(ZlibStream, InflatedSizeIsCapped) {
  const Bytes packed = Compress(Bytes(100000, 0));
  EXPECT_THROW(Decompress(packed, 65536), EDecompressionError);
  EXPECT_EQ(Decompress(packed, 100000).size(), 100000u);
}

}  // namespace
