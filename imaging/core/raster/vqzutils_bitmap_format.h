// Switches of TVQBitmap's pixel-format conversion.
#pragma once

// 24-bit colour to 16-bit grey, float grey and CMYK runs eight pixels at a
// time with vector instructions unless switched off (then pixel by pixel);
// both ways give the same bytes, which the tests compare.
void SetPixelFormatSimd(bool enabled);
