// The two run-length schemes of BMP files: decoders of a whole block of coded
// data into an allocated image and encoders of one row of indices.
#pragma once
#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/base/vqzutils_progress.h"

class TVQBitmap;

// Decode Length bytes into Image. With a Palette (256 entries, the caller's
// table padded with zeros) the colour goes into a vqRGB24 image; without
// one the index goes into a vqPalette8 image. TopDown false maps file row k
// to image row height - 1 - k. Data that ends early or moves past the last
// row ends decoding quietly; nothing is ever written outside the image.
void DecodeRle8(TVQBitmap* Image, const Byte* Data, int Length, bool TopDown, TVQProgressRec& Progress,
                const TRGBPixel* Palette);
void DecodeRle4(TVQBitmap* Image, const Byte* Data, int Length, bool TopDown, TVQProgressRec& Progress,
                const TRGBPixel* Palette);

// Code Count indices (one a byte) ending with the end of line; Out holds at
// least 10 bytes per pixel. Returns the bytes written.
int EncodeRle8Row(const Byte* Row, int Count, Byte* Out);
int EncodeRle4Row(const Byte* Row, int Count, Byte* Out);
