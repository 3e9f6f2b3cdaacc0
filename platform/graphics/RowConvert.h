// Converting whole pictures between DIB depths row by row, straight from
// the source rows into the destination rows: no intermediate picture. The
// common conversions (palette to 24 or 32 bits, 24 to 32, 32 to 24) read
// and write once a pixel; the others go through one B,G,R,A row.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/graphics/DibImage.h"

// Row y of each side starts at its base + y * stride (either may be
// negative for bottom-up pictures). `to.Palette` is the destination's table
// for 8 bits and less; colours map to its nearest entry. The results equal
// RowToBGRA followed by BGRAToRow.
void ConvertDibRows(const TRowFormat& from, const std::uint8_t* src, std::ptrdiff_t srcStride, const TRowFormat& to,
                    std::uint8_t* dst, std::ptrdiff_t dstStride, int width, int height);
