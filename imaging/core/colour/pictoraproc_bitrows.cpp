#include "imaging/core/colour/pictoraproc_bitrows.h"

#include <cstring>

Byte BitExpansionTable[256][24];

void BuildBitExpansionTable() {
  for (int i = 0; i < 256; ++i)
    for (int bit = 0; bit < 8; ++bit)
      std::memset(&BitExpansionTable[i][bit * 3], (i & (0x80 >> bit)) ? 255 : 0, 3);
}

namespace {

// Eight source bits starting at bitPos, read through the stated source end.
inline unsigned SourceByte(const Byte* src, Int64 srcBytes, Int64 bitPos) {
  const Int64 i = bitPos >> 3;
  const unsigned shift = static_cast<unsigned>(bitPos & 7);
  const unsigned hi = i < srcBytes ? src[i] : 0u;
  if (shift == 0) return hi;
  const unsigned lo = i + 1 < srcBytes ? src[i + 1] : 0u;
  return (((hi << 8) | lo) >> (8 - shift)) & 0xFFu;
}

}  // namespace

void CopyBits(Byte* dst, const Byte* src, Int64 dstBitOffset, Int64 srcBytes, Int64 count, Int64 srcBitOffset) {
  if (count < 1 || dstBitOffset < 0 || srcBitOffset < 0) return;
  if (srcBytes < 0) srcBytes = 0;

  Int64 d = dstBitOffset >> 3;
  const unsigned lead = static_cast<unsigned>(dstBitOffset & 7);
  Int64 s = srcBitOffset;
  Int64 left = count;

  // Partial first destination byte.
  if (lead != 0) {
    const Int64 take = left < 8 - lead ? left : 8 - lead;
    const unsigned bits = SourceByte(src, srcBytes, s) >> (8 - take);  // take bits, right-aligned
    const unsigned shift = 8 - lead - static_cast<unsigned>(take);
    const unsigned mask = ((1u << take) - 1u) << shift;
    dst[d] = static_cast<Byte>((dst[d] & ~mask) | ((bits << shift) & mask));
    s += take;
    left -= take;
    ++d;
  }

  // Whole destination bytes; a byte-aligned source inside its end is one copy.
  const Int64 whole = left >> 3;
  if (whole > 0) {
    const Int64 first = s >> 3;
    const unsigned shift = static_cast<unsigned>(s & 7);
    if (shift == 0 && first + whole <= srcBytes) {
      std::memcpy(dst + d, src + first, static_cast<std::size_t>(whole));
    } else if (first + whole + 1 <= srcBytes) {
      // Inside the source: no end checks per byte.
      const Byte* p = src + first;
      for (Int64 k = 0; k < whole; ++k)
        dst[d + k] = static_cast<Byte>((p[k] << shift) | (p[k + 1] >> (8 - shift)));
    } else {
      for (Int64 k = 0; k < whole; ++k) dst[d + k] = static_cast<Byte>(SourceByte(src, srcBytes, s + 8 * k));
    }
    d += whole;
    s += 8 * whole;
    left -= 8 * whole;
  }

  // Partial last destination byte.
  if (left > 0) {
    const unsigned mask = (0xFF00u >> left) & 0xFFu;
    dst[d] = static_cast<Byte>((dst[d] & ~mask) | (SourceByte(src, srcBytes, s) & mask));
  }
}

void FillBits(Byte* row, Int64 first, Int64 count, bool value) {
  if (count < 1 || first < 0) return;
  Int64 byte = first >> 3;
  const unsigned lead = static_cast<unsigned>(first & 7);
  const Byte fill = value ? 0xFF : 0x00;
  if (lead != 0) {
    const Int64 take = count < 8 - lead ? count : 8 - lead;
    const unsigned mask = ((1u << take) - 1u) << (8 - lead - static_cast<unsigned>(take));
    row[byte] = static_cast<Byte>(value ? (row[byte] | mask) : (row[byte] & ~mask));
    count -= take;
    ++byte;
  }
  if (count >= 8) {
    std::memset(row + byte, fill, static_cast<std::size_t>(count >> 3));
    byte += count >> 3;
    count &= 7;
  }
  if (count > 0) {
    const unsigned mask = (0xFF00u >> count) & 0xFFu;
    row[byte] = static_cast<Byte>(value ? (row[byte] | mask) : (row[byte] & ~mask));
  }
}
