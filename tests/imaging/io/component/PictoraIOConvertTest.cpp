// The row colour conversion between the filters' encodings and the 32-bit
// CMYK forms, on hand-worked pixels.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/io/component/pictoraio.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct TRowCase {
  const char* name;
  Byte from, to;
  Bytes source;
  Bytes expected;  // the destination after the call (it starts as 0xEE bytes)
};

TEST(IOConvertRow, ConvertsOnePixelOfEveryCase) {
  StartImagingLibrary();
  const std::vector<TRowCase> cases = {
      {"RGB to BGR", 0, 1, {10, 20, 30}, {30, 20, 10}},
      {"high bit of the source format ignored", 0x80, 1, {10, 20, 30}, {30, 20, 10}},
      {"BGR copied", 1, 1, {1, 2, 3}, {1, 2, 3}},
      {"red to CMYK", 1, 2, {0, 0, 255}, {255, 0, 0, 255}},
      {"black to CMYK", 1, 2, {0, 0, 0}, {0, 0, 0, 1}},
      {"grey 128 to CMYK", 1, 2, {128, 128, 128}, {255, 255, 255, 128}},
      {"CMYK to BGR", 2, 1, {255, 0, 0, 255}, {0, 0, 255}},
      {"CMYK at half black", 2, 1, {255, 255, 255, 128}, {128, 128, 128}},
      {"inverted six-byte CMYK", 3, 1, {0, 255, 255, 0, 9, 9}, {0, 0, 255}},
      {"BGR to grey", 1, 5, {100, 50, 200}, {85}},
      {"16-bit little-endian", 6, 1, {0x34, 0x12, 0xCD, 0xAB, 0xFF, 0x00}, {0x00, 0xAB, 0x12}},
      {"16-bit big-endian", 7, 1, {0x12, 0x34, 0xAB, 0xCD, 0x00, 0xFF}, {0x00, 0xAB, 0x12}},
      {"white to Lab", 1, 4, {255, 255, 255}, {255, 0, 0}},
      {"BGR to six-byte CMYK: nothing", 1, 3, {1, 2, 3}, {0xEE, 0xEE, 0xEE}},
      {"grey to BGR: nothing", 5, 1, {7}, {0xEE, 0xEE, 0xEE}},
  };
  for (const TRowCase& c : cases) {
    Bytes source = c.source;
    Bytes dest(c.expected.size(), 0xEE);
    IOConvertRow(source.data(), c.from, dest.data(), c.to, 1, nullptr);
    EXPECT_EQ(dest, c.expected) << c.name;
  }
  EndImagingLibrary();
}

TEST(IOConvertRow, ConvertsWholeRowsAndInvertsASixByteSourceInPlace) {
  Bytes source = {0, 255, 255, 0, 1, 2, 255, 255, 255, 127, 3, 4};
  Bytes dest(6, 0);
  ConvertRow(source.data(), 3, dest.data(), 1, 2, nullptr);
  EXPECT_EQ(dest, (Bytes{0, 0, 255, 0, 0, 0}));
  EXPECT_EQ(source, (Bytes{255, 0, 0, 255, 1, 2, 0, 0, 0, 128, 3, 4}));
  Bytes rgb = {1, 2, 3, 4, 5, 6};
  Bytes bgr(6, 0);
  ConvertRow(rgb.data(), 0, bgr.data(), 1, 2, nullptr);
  EXPECT_EQ(bgr, (Bytes{3, 2, 1, 6, 5, 4}));
}

TEST(IOConvertRow, Cmyk32BitFormsRoundTrip) {
  EXPECT_EQ(RGBToCMYK(0x000000u), 0x01000000u);
  EXPECT_EQ(CMYKToRGB(0x01000000u), (TRGBPixel{0, 0, 0}));
  EXPECT_EQ(RGBToCMYK(0xFF0000u), 0xFF0000FFu);  // red: blue, green, red from the low byte
  EXPECT_EQ(CMYKToRGB(0xFF0000FFu), (TRGBPixel{0, 0, 255}));
  const TRGBPixel back = CMYKToRGB(RGBToCMYK(0x204060u));
  EXPECT_EQ(back, (TRGBPixel{0x60, 0x40, 0x20}));
}

}  // namespace
