#include "platform/graphics/DebugImage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"

namespace {

std::uint32_t BE(const std::uint8_t* p) {
  return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

TEST(DebugPng, WritesAValidStoredPng) {
  TBitmap b(3, 2, pf24bit);
  b.Canvas()->SetPixels(0, 0, clRed);
  b.Canvas()->SetPixels(2, 1, clBlue);
  std::vector<std::uint8_t> png = EncodeDebugPng(b.ToDib());
  ASSERT_GT(png.size(), 8u + 25u + 12u);
  const std::uint8_t sig[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  EXPECT_TRUE(std::equal(std::begin(sig), std::end(sig), png.begin()));
  EXPECT_EQ(BE(&png[16]), 3u);  // IHDR width, height
  EXPECT_EQ(BE(&png[20]), 2u);
  EXPECT_EQ(png[25], 2);  // RGB
  // IEND with its well-known CRC proves the CRC routine.
  const std::uint8_t iend[] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
  EXPECT_TRUE(std::equal(std::begin(iend), std::end(iend), png.end() - 12));
  // IDAT: zlib header, one final stored block holding the filtered rows.
  std::size_t idat = 8 + 25;
  std::uint32_t len = BE(&png[idat]);
  const std::uint8_t* z = &png[idat + 8];
  EXPECT_EQ(z[0], 0x78);
  EXPECT_EQ(z[2], 1);  // final, stored
  std::size_t n = z[3] | (z[4] << 8);
  EXPECT_EQ(n, 2u * (1 + 3 * 3));
  EXPECT_EQ(len, 2 + 5 + n + 4);
  const std::uint8_t* rows = z + 7;
  EXPECT_EQ(rows[0], 0);  // filter
  EXPECT_EQ(rows[1], 255);
  EXPECT_EQ(rows[2], 0);
  EXPECT_EQ(rows[10 + 1 + 6 + 2], 255);  // blue of the last pixel, second row
  // Adler-32 of the rows.
  std::uint32_t a = 1, s = 0;
  for (std::size_t i = 0; i < n; ++i) a = (a + rows[i]) % 65521, s = (s + a) % 65521;
  EXPECT_EQ(BE(rows + n), (s << 16) | a);
}

TEST(DebugPng, SaveChoosesTheFormatByName) {
  TBitmap b(2, 2, pf32bit);
  std::string base = "/tmp/lumiqa_debug_" + std::to_string(getpid());
  for (const char* ext : {".png", ".bmp"}) {
    std::string name = base + ext;
    ASSERT_TRUE(SaveBitmapForDebug(b, name));
    std::FILE* f = std::fopen(name.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    int c0 = std::fgetc(f), c1 = std::fgetc(f);
    std::fclose(f);
    std::remove(name.c_str());
    if (std::string(ext) == ".png")
      EXPECT_EQ(c1, 'P');
    else
      EXPECT_EQ(c0, 'B');
    (void)c0;
  }
  EXPECT_FALSE(SaveBitmapForDebug(b, "/nonexistent-folder/x.png"));
  TBitmap empty;
  EXPECT_FALSE(SaveBitmapForDebug(empty, base + ".bmp"));
}

}  // namespace
