// Writes any bitmap to a file so tests and developers can look at what was
// drawn: PNG for a ".png" name, BMP otherwise. The PNG is 8-bit RGB(A) with
// uncompressed (stored) deflate blocks: large, but it needs no zlib or
// libpng at this layer.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/graphics/DibImage.h"

class TBitmap;

// False when the file cannot be written; never throws.
bool SaveBitmapForDebug(const TBitmap& bitmap, const std::string& fileName);
// RGBA when the image is 32-bit and carries any alpha, else RGB.
std::vector<std::uint8_t> EncodeDebugPng(const TDibImage& image);
