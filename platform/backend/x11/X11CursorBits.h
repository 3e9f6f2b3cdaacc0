// A cursor image reduced to what a core X cursor can show: a 1-bit source
// (dark pixels, drawn in the foreground colour) and a 1-bit mask (opaque
// pixels). Free of X types so tests can check the reduction directly.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/user/UserTypes.h"

struct TX11CursorBits {
  int width = 0;
  int height = 0;
  POINT hotSpot{};
  // Rows of (width + 7) / 8 bytes, least significant bit leftmost.
  std::vector<unsigned char> source;
  std::vector<unsigned char> mask;
  bool Bit(const std::vector<unsigned char>& plane, int x, int y) const {
    const int row = (width + 7) / 8;
    return (plane[std::size_t(y * row + x / 8)] >> (x % 8)) & 1;
  }
};

// False for a bad handle or an empty image.
bool X11CursorBitsOf(HCURSOR cursor, TX11CursorBits& out);
// Changes whenever the image or the hot spot does; 0 for a bad handle.
std::uint64_t X11CursorFingerprint(HCURSOR cursor);
