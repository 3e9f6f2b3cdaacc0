// Packed bit rows of 1-bit images and masks: most significant bit first
// (pixel n is bit 7 - n mod 8 of byte n div 8), a set bit is white.
#pragma once
#include <cstdint>

#include "platform/rtl/Types.h"

// Entry i holds eight 24-bit pixels for bits 7..0 of i: white for a set bit,
// black for a clear one. Filled by BuildBitExpansionTable at module start.
extern Byte BitExpansionTable[256][24];
void BuildBitExpansionTable();

// Copies count bits from the source, starting at srcBitOffset, to the
// destination, starting at dstBitOffset; the destination's other bits in the
// first and last bytes it touches are kept. The source is never read at or
// beyond srcBytes; bits that would lie there are copied as 0. Nothing happens
// for a count below 1 or a negative offset. The destination must hold
// (dstBitOffset + count + 7) div 8 bytes.
void CopyBits(Byte* dst, const Byte* src, Int64 dstBitOffset, Int64 srcBytes, Int64 count, Int64 srcBitOffset);

inline bool GetBit(const Byte* row, Int64 n) { return (row[n >> 3] & (0x80u >> (n & 7))) != 0; }
inline void SetBit(Byte* row, Int64 n, bool value) {
  const Byte mask = static_cast<Byte>(0x80u >> (n & 7));
  if (value)
    row[n >> 3] |= mask;
  else
    row[n >> 3] &= static_cast<Byte>(~mask);
}
// Sets (value true) or clears count bits from bit first on, keeping the
// others; nothing for a count below 1 or a negative start.
void FillBits(Byte* row, Int64 first, Int64 count, bool value);
