// The device-independent bitmap pieces the BMP and icon readers share:
// resolutions in pixels per metre and the decoding of one uncompressed row.
#pragma once
#include <cstdint>

#include "imaging/core/base/vqzdefs.h"

// Round(ppm / 100 x 2.54), or the library default when that is not above 0.
int BmpDpiFromPpm(std::int32_t ppm);
// Round(dpi / 2.54 x 100).
std::uint32_t BmpPpmFromDpi(int dpi);

// One file row of Width pixels at Bits per pixel into one image row: 1 bit
// as it stands, 4 and 8 bits through the palette into 24 bits (or as the
// indices themselves when Indexed), 16 bits by the three bit fields, 24
// bits as they are, 32 bits without their fourth byte. Other depths write
// nothing. The palette has 256 entries, so no index can pass it.
class TBmpRowDecoder {
 public:
  TBmpRowDecoder(int width, int bits, const TRGBPixel* palette, bool indexed,
                 const std::uint32_t* masks = nullptr);
  void operator()(const Byte* in, Byte* out) const;

 private:
  int width_, bits_;
  const TRGBPixel* palette_;
  bool indexed_;
  std::uint32_t masks_[3] = {0x7C00, 0x03E0, 0x001F};
  int low_[3] = {};              // each field's lowest bit
  std::uint32_t field_[3] = {};  // each field's largest value
  Byte scale_[3][256] = {};      // fields up to 8 bits, bits repeated to fill 8
};
