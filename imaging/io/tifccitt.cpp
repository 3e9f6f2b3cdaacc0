// CCITT code tables, decoding trees and the row decoders.
#include "imaging/io/tifccitt.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "imaging/core/base/vqzutils_containers.h"

namespace {

// Run codes of one colour: entries 0-63 terminate runs of 0-63 pixels,
// 64-90 are the make-up codes of 64-1728, 91-103 the extended make-up codes
// of 1792-2560 (the same in both colours), 104 the end of line, 105-107
// eight to ten zero bits and a one (no pixels), 108-127 twelve to thirty-one
// zero bits and a one (an end of line after fill bits).
struct TCcittCode {
  int Length;
  std::uint32_t Code;
  int Run;
};
constexpr int kCcittRunEntries = 128;
constexpr int kCcittRunEol = -3;
constexpr int kCcittRunNone = -1;

constexpr TCcittCode kCcittWhiteCodes[kCcittRunEntries] = {
    {8, 0x35, 0}, {6, 0x7, 1}, {4, 0x7, 2}, {4, 0x8, 3}, {4, 0xB, 4}, {4, 0xC, 5}, {4, 0xE, 6}, {4, 0xF, 7},
    {5, 0x13, 8}, {5, 0x14, 9}, {5, 0x7, 10}, {5, 0x8, 11}, {6, 0x8, 12}, {6, 0x3, 13}, {6, 0x34, 14}, {6, 0x35, 15},
    {6, 0x2A, 16}, {6, 0x2B, 17}, {7, 0x27, 18}, {7, 0xC, 19}, {7, 0x8, 20}, {7, 0x17, 21}, {7, 0x3, 22},
    {7, 0x4, 23}, {7, 0x28, 24}, {7, 0x2B, 25}, {7, 0x13, 26}, {7, 0x24, 27}, {7, 0x18, 28}, {8, 0x2, 29},
    {8, 0x3, 30}, {8, 0x1A, 31}, {8, 0x1B, 32}, {8, 0x12, 33}, {8, 0x13, 34}, {8, 0x14, 35}, {8, 0x15, 36},
    {8, 0x16, 37}, {8, 0x17, 38}, {8, 0x28, 39}, {8, 0x29, 40}, {8, 0x2A, 41}, {8, 0x2B, 42}, {8, 0x2C, 43},
    {8, 0x2D, 44}, {8, 0x4, 45}, {8, 0x5, 46}, {8, 0xA, 47}, {8, 0xB, 48}, {8, 0x52, 49}, {8, 0x53, 50},
    {8, 0x54, 51}, {8, 0x55, 52}, {8, 0x24, 53}, {8, 0x25, 54}, {8, 0x58, 55}, {8, 0x59, 56}, {8, 0x5A, 57},
    {8, 0x5B, 58}, {8, 0x4A, 59}, {8, 0x4B, 60}, {8, 0x32, 61}, {8, 0x33, 62}, {8, 0x34, 63}, {5, 0x1B, 64},
    {5, 0x12, 128}, {6, 0x17, 192}, {7, 0x37, 256}, {8, 0x36, 320}, {8, 0x37, 384}, {8, 0x64, 448}, {8, 0x65, 512},
    {8, 0x68, 576}, {8, 0x67, 640}, {9, 0xCC, 704}, {9, 0xCD, 768}, {9, 0xD2, 832}, {9, 0xD3, 896}, {9, 0xD4, 960},
    {9, 0xD5, 1024}, {9, 0xD6, 1088}, {9, 0xD7, 1152}, {9, 0xD8, 1216}, {9, 0xD9, 1280}, {9, 0xDA, 1344},
    {9, 0xDB, 1408}, {9, 0x98, 1472}, {9, 0x99, 1536}, {9, 0x9A, 1600}, {6, 0x18, 1664}, {9, 0x9B, 1728},
    {11, 0x8, 1792}, {11, 0xC, 1856}, {11, 0xD, 1920}, {12, 0x12, 1984}, {12, 0x13, 2048}, {12, 0x14, 2112},
    {12, 0x15, 2176}, {12, 0x16, 2240}, {12, 0x17, 2304}, {12, 0x1C, 2368}, {12, 0x1D, 2432}, {12, 0x1E, 2496},
    {12, 0x1F, 2560}, {12, 0x1, -3}, {9, 0x1, -1}, {10, 0x1, -1}, {11, 0x1, -1}, {13, 0x1, -3}, {14, 0x1, -3},
    {15, 0x1, -3}, {16, 0x1, -3}, {17, 0x1, -3}, {18, 0x1, -3}, {19, 0x1, -3}, {20, 0x1, -3}, {21, 0x1, -3},
    {22, 0x1, -3}, {23, 0x1, -3}, {24, 0x1, -3}, {25, 0x1, -3}, {26, 0x1, -3}, {27, 0x1, -3}, {28, 0x1, -3},
    {29, 0x1, -3}, {30, 0x1, -3}, {31, 0x1, -3}, {32, 0x1, -3},
};
constexpr TCcittCode kCcittBlackCodes[kCcittRunEntries] = {
    {10, 0x37, 0}, {3, 0x2, 1}, {2, 0x3, 2}, {2, 0x2, 3}, {3, 0x3, 4}, {4, 0x3, 5}, {4, 0x2, 6}, {5, 0x3, 7},
    {6, 0x5, 8}, {6, 0x4, 9}, {7, 0x4, 10}, {7, 0x5, 11}, {7, 0x7, 12}, {8, 0x4, 13}, {8, 0x7, 14}, {9, 0x18, 15},
    {10, 0x17, 16}, {10, 0x18, 17}, {10, 0x8, 18}, {11, 0x67, 19}, {11, 0x68, 20}, {11, 0x6C, 21}, {11, 0x37, 22},
    {11, 0x28, 23}, {11, 0x17, 24}, {11, 0x18, 25}, {12, 0xCA, 26}, {12, 0xCB, 27}, {12, 0xCC, 28}, {12, 0xCD, 29},
    {12, 0x68, 30}, {12, 0x69, 31}, {12, 0x6A, 32}, {12, 0x6B, 33}, {12, 0xD2, 34}, {12, 0xD3, 35}, {12, 0xD4, 36},
    {12, 0xD5, 37}, {12, 0xD6, 38}, {12, 0xD7, 39}, {12, 0x6C, 40}, {12, 0x6D, 41}, {12, 0xDA, 42}, {12, 0xDB, 43},
    {12, 0x54, 44}, {12, 0x55, 45}, {12, 0x56, 46}, {12, 0x57, 47}, {12, 0x64, 48}, {12, 0x65, 49}, {12, 0x52, 50},
    {12, 0x53, 51}, {12, 0x24, 52}, {12, 0x37, 53}, {12, 0x38, 54}, {12, 0x27, 55}, {12, 0x28, 56}, {12, 0x58, 57},
    {12, 0x59, 58}, {12, 0x2B, 59}, {12, 0x2C, 60}, {12, 0x5A, 61}, {12, 0x66, 62}, {12, 0x67, 63}, {10, 0xF, 64},
    {12, 0xC8, 128}, {12, 0xC9, 192}, {12, 0x5B, 256}, {12, 0x33, 320}, {12, 0x34, 384}, {12, 0x35, 448},
    {13, 0x6C, 512}, {13, 0x6D, 576}, {13, 0x4A, 640}, {13, 0x4B, 704}, {13, 0x4C, 768}, {13, 0x4D, 832},
    {13, 0x72, 896}, {13, 0x73, 960}, {13, 0x74, 1024}, {13, 0x75, 1088}, {13, 0x76, 1152}, {13, 0x77, 1216},
    {13, 0x52, 1280}, {13, 0x53, 1344}, {13, 0x54, 1408}, {13, 0x55, 1472}, {13, 0x5A, 1536}, {13, 0x5B, 1600},
    {13, 0x64, 1664}, {13, 0x65, 1728}, {11, 0x8, 1792}, {11, 0xC, 1856}, {11, 0xD, 1920}, {12, 0x12, 1984},
    {12, 0x13, 2048}, {12, 0x14, 2112}, {12, 0x15, 2176}, {12, 0x16, 2240}, {12, 0x17, 2304}, {12, 0x1C, 2368},
    {12, 0x1D, 2432}, {12, 0x1E, 2496}, {12, 0x1F, 2560}, {12, 0x1, -3}, {9, 0x1, -1}, {10, 0x1, -1}, {11, 0x1, -1},
    {13, 0x1, -3}, {14, 0x1, -3}, {15, 0x1, -3}, {16, 0x1, -3}, {17, 0x1, -3}, {18, 0x1, -3}, {19, 0x1, -3},
    {20, 0x1, -3}, {21, 0x1, -3}, {22, 0x1, -3}, {23, 0x1, -3}, {24, 0x1, -3}, {25, 0x1, -3}, {26, 0x1, -3},
    {27, 0x1, -3}, {28, 0x1, -3}, {29, 0x1, -3}, {30, 0x1, -3}, {31, 0x1, -3}, {32, 0x1, -3},
};

// Two-dimensional mode codes in the order they are looked for.
constexpr TCcittCode kCcittModeCodes[] = {
    {12, 0x0, 0},   // twelve zero bits
    {4, 0x1, 0},    // pass
    {3, 0x1, 0},    // horizontal
    {7, 0x2, 0},    // vertical, a1 = b1 - 3
    {6, 0x2, 0},    // b1 - 2
    {3, 0x2, 0},    // b1 - 1
    {1, 0x1, 0},    // b1
    {3, 0x3, 0},    // b1 + 1
    {6, 0x3, 0},    // b1 + 2
    {7, 0x3, 0},    // b1 + 3
    {10, 0xF, 0},   // two-dimensional extension (uncompressed mode)
    {12, 0xF, 0},   // one-dimensional extension
    {12, 0x1, 0},   // end of line
};
constexpr int kCcittModeEntries = 13;
enum : int {
  kCcittModeZeros = 0,
  kCcittModePass = 1,
  kCcittModeHorizontal = 2,
  kCcittModeVL3 = 3,
  kCcittModeV0 = 6,
  kCcittModeVR3 = 9,
  kCcittModeEol = 12,
};

inline const TCcittCode& CcittRunCode(int colour, int entry) { return (colour ? kCcittBlackCodes : kCcittWhiteCodes)[entry]; }

// One binary tree per colour over its 128 run codes: inner nodes hold 128,
// leaves the code's entry. Codes up to 13 bits are also looked up at once
// through a table of every 13-bit prefix, taken from the tree; the long
// zero-led codes (ends of line after fill bits) walk the tree.
constexpr int kCcittInner = 128;
constexpr int kCcittFastBits = 13;
constexpr std::uint16_t kCcittWalk = 0xFFFF;

struct TCcittNode {
  Byte Value = kCcittInner;
  std::int32_t Child[2] = {-1, -1};
};

struct TCcittTrees {
  std::vector<TCcittNode> Tree[2];
  std::uint16_t Fast[2][1 << kCcittFastBits];  // entry | length << 8, or kCcittWalk
  Byte Mode[1 << 12];                           // mode entry of every 12-bit prefix

  TCcittTrees() {
    for (int c = 0; c < 2; ++c) {
      Tree[c].emplace_back();
      for (int e = 0; e < kCcittRunEntries; ++e) Insert(c, e);
      for (std::uint32_t p = 0; p < (1u << kCcittFastBits); ++p) {
        int node = 0, depth = 0;
        std::uint16_t v = kCcittWalk;
        while (depth < kCcittFastBits) {
          const int bit = (p >> (kCcittFastBits - 1 - depth)) & 1;
          node = Tree[c][std::size_t(node)].Child[bit];
          ++depth;
          if (node < 0) {
            v = std::uint16_t(kCcittInner | depth << 8);
            break;
          }
          if (Tree[c][std::size_t(node)].Value != kCcittInner) {
            v = std::uint16_t(Tree[c][std::size_t(node)].Value | depth << 8);
            break;
          }
        }
        Fast[c][p] = v;
      }
    }
    for (std::uint32_t p = 0; p < 4096; ++p) {
      Mode[p] = 0;
      for (int m = 0; m < kCcittModeEntries; ++m) {
        const TCcittCode& k = kCcittModeCodes[m];
        if ((p >> (12 - k.Length)) == k.Code) {
          Mode[p] = Byte(m);
          break;
        }
      }
    }
  }

  void Insert(int c, int e) {
    const TCcittCode& k = CcittRunCode(c, e);
    int node = 0;
    for (int i = k.Length - 1; i >= 0; --i) {
      const int bit = (k.Code >> i) & 1;
      int next = Tree[c][std::size_t(node)].Child[bit];
      if (next < 0) {
        next = int(Tree[c].size());
        Tree[c][std::size_t(node)].Child[bit] = next;
        Tree[c].emplace_back();
      }
      node = next;
    }
    Tree[c][std::size_t(node)].Value = Byte(e);
  }

  // The leaf along the bits, most significant first, or kCcittInner.
  int Walk(int c, std::uint32_t bits, int& length) const {
    int node = 0;
    for (int i = 0; i < 32; ++i) {
      node = Tree[c][std::size_t(node)].Child[(bits >> (31 - i)) & 1];
      if (node < 0) break;
      if (Tree[c][std::size_t(node)].Value != kCcittInner) {
        length = i + 1;
        return Tree[c][std::size_t(node)].Value;
      }
    }
    length = 1;
    return kCcittInner;
  }
};

const TCcittTrees& CcittTrees() {
  static const TCcittTrees trees;
  return trees;
}

[[maybe_unused]] const bool kCcittTreesBuilt = (CcittTrees(), true);

inline std::uint64_t CcittReverseBytes(std::uint64_t v) {
  v = ((v >> 1) & 0x5555555555555555ull) | ((v & 0x5555555555555555ull) << 1);
  v = ((v >> 2) & 0x3333333333333333ull) | ((v & 0x3333333333333333ull) << 2);
  return ((v >> 4) & 0x0F0F0F0F0F0F0F0Full) | ((v & 0x0F0F0F0F0F0F0F0Full) << 4);
}

// The 32 bits from a bit position; bytes past the data read as zeros.
class TCcittBits {
 public:
  TCcittBits(const Byte* data, std::int64_t length, int fillOrder)
      : data_(data), length_(std::max<std::int64_t>(length, 0)), msbFirst_(fillOrder == 1) {}

  std::int64_t EndBit() const { return length_ * 8; }
  bool Past(std::int64_t bit) const { return (bit >> 3) >= length_; }

  std::uint32_t Peek(std::int64_t bit) const {
    const std::int64_t at = bit >> 3;
    std::uint64_t v = 0;
    if (at + 8 <= length_) {
      std::memcpy(&v, data_ + at, 8);
    } else if (at < length_) {
      std::memcpy(&v, data_ + at, std::size_t(length_ - at));
    }
    if (!msbFirst_) v = CcittReverseBytes(v);
    if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap64(v);
    return std::uint32_t((v << (bit & 7)) >> 32);
  }

 private:
  const Byte* data_;
  std::int64_t length_;
  bool msbFirst_;
};

// The entry of the colour's run code at the bit position (127, an end of
// line, past the data) and its length.
inline int CcittReadRun(const TCcittTrees& t, const TCcittBits& in, int colour, std::int64_t bit, int& length) {
  if (in.Past(bit)) {
    length = 32;
    return 127;
  }
  const std::uint32_t w = in.Peek(bit);
  const std::uint16_t f = t.Fast[colour][w >> (32 - kCcittFastBits)];
  if (f != kCcittWalk) {
    length = f >> 8;
    return f & 0xFF;
  }
  return t.Walk(colour, w, length);
}

// The first pixel at or after start whose bit is set (or clear), width when
// none.
inline int CcittFind(const Byte* row, int start, int width, bool set) {
  if (start >= width) return width;
  const Byte flip = set ? 0 : 0xFF;
  int i = start >> 3;
  const int last = (width - 1) >> 3;
  unsigned b = Byte((row[i] ^ flip) & (0xFF >> (start & 7)));
  while (!b) {
    if (++i > last) return width;
    b = Byte(row[i] ^ flip);
  }
  return std::min(width, i * 8 + std::countl_zero(Byte(b)));
}

// Clears (or sets) the pixels [a, b).
inline void CcittFill(Byte* row, int a, int b, bool set) {
  if (a >= b) return;
  const int ia = a >> 3, ib = (b - 1) >> 3;
  const Byte ma = Byte(0xFF >> (a & 7));
  const Byte mb = Byte(0xFF << (7 - ((b - 1) & 7)));
  if (ia == ib) {
    const Byte m = ma & mb;
    row[ia] = set ? Byte(row[ia] | m) : Byte(row[ia] & ~m);
    return;
  }
  row[ia] = set ? Byte(row[ia] | ma) : Byte(row[ia] & ~ma);
  if (ib > ia + 1) std::memset(row + ia + 1, set ? 0xFF : 0, std::size_t(ib - ia - 1));
  row[ib] = set ? Byte(row[ib] | mb) : Byte(row[ib] & ~mb);
}

inline int CcittRowBytes(int width) { return (width + 7) / 8; }

std::int64_t CcittDecode1DFrom(const TCcittTrees& t, const TCcittBits& in, Byte* row, std::int64_t bit, int width) {
  std::memset(row, 0xFF, std::size_t(CcittRowBytes(width)));
  int colour = 0;  // white
  int pos = 0;
  std::int64_t rowStart = bit;
  bool makeUp = false;
  while (pos < width || makeUp) {
    // Data exhausted ends the row as an end of line would, consuming
    // nothing.
    if (in.Past(bit)) {
      if (colour == 1) CcittFill(row, pos, width, false);
      break;
    }
    int length = 0;
    const int e = CcittReadRun(t, in, colour, bit, length);
    if (e == kCcittInner) {
      // Resynchronise a bit further on.
      ++bit;
      ++rowStart;
      continue;
    }
    const int run = CcittRunCode(colour, e).Run;
    if (run == kCcittRunEol) {
      if (bit == rowStart) {
        bit += length;
        continue;
      }
      if (colour == 1) CcittFill(row, pos, width, false);
      bit += length;
      break;
    }
    bit += length;
    if (run == kCcittRunNone) {
      makeUp = true;
      continue;
    }
    if (colour == 1) CcittFill(row, pos, std::min(width, pos + run), false);
    // Positions past the row only matter as "at the end".
    pos = std::min(width, pos + run);
    makeUp = e >= 64;
    if (e < 64) colour ^= 1;
  }
  return bit;
}

// A run of one colour as terminating code plus make-up codes; -1 when an
// end of line (or the end of the data) stands in it, with bit left on it.
int CcittReadHorizontalRun(const TCcittTrees& t, const TCcittBits& in, int colour, std::int64_t& bit) {
  int total = 0;
  for (;;) {
    int length = 0;
    const int e = CcittReadRun(t, in, colour, bit, length);
    if (e == kCcittInner) {
      ++bit;
      continue;
    }
    const int run = CcittRunCode(colour, e).Run;
    if (run == kCcittRunEol) return -1;
    bit += length;
    if (run == kCcittRunNone) continue;
    total = std::min(total + run, 1 << 30);
    if (e < 64) return total;
  }
}

}  // namespace

int CcittTreeCode(int Colour, std::uint32_t Bits) {
  int length = 0;
  return CcittTrees().Walk(Colour & 1, Bits, length);
}

int CcittRunOf(int Colour, int Entry) { return CcittRunCode(Colour & 1, Entry).Run; }
int CcittCodeLength(int Colour, int Entry) { return CcittRunCode(Colour & 1, Entry).Length; }
std::uint32_t CcittCodeBits(int Colour, int Entry) { return CcittRunCode(Colour & 1, Entry).Code; }

std::int64_t DecodeCcitt1D(Byte* Row, const Byte* Data, std::int64_t DataLength, int FillOrder,
                           std::int64_t StartBit, int Width) {
  if (Width <= 0) return StartBit;
  return CcittDecode1DFrom(CcittTrees(), TCcittBits(Data, DataLength, FillOrder), Row, StartBit, Width);
}

std::int64_t DecodeCcittHuffman(Byte* Row, const Byte* Data, std::int64_t DataLength, int FillOrder, int Width) {
  return (DecodeCcitt1D(Row, Data, DataLength, FillOrder, 0, Width) + 7) / 8;
}

std::int64_t DecodeCcitt2D(Byte* Row, const Byte* Data, std::int64_t DataLength, bool FillBits, int FillOrder,
                           std::int64_t StartBit, Byte* Reference, int Width) {
  if (Width <= 0) return StartBit;
  const TCcittTrees& t = CcittTrees();
  const TCcittBits in(Data, DataLength, FillOrder);
  const int bytes = CcittRowBytes(Width);
  std::memset(Row, 0xFF, std::size_t(bytes));
  int a0 = -1;
  bool white = true;
  std::int64_t bit = StartBit;
  const std::int64_t endBit = in.EndBit();
  bool first = true;
  while (a0 < Width && bit < endBit) {
    const std::int64_t codeStart = bit;
    const int m = t.Mode[in.Peek(bit) >> 20];
    bit += kCcittModeCodes[m].Length;
    bool eol = m == kCcittModeEol;
    if (m == kCcittModeZeros) {
      // Unknown bits are skipped twelve at a time; an end of line after
      // fill bits is taken as one. Skipped bits do not count as the row's
      // first code.
      if (!FillBits) continue;
      for (;;) {
        if (bit >= endBit) break;
        const std::uint32_t w = in.Peek(bit);
        if (w == 0) {
          bit += 32;
          continue;
        }
        bit += std::countl_zero(w) + 1;
        break;
      }
      eol = true;
    }
    if (eol) {
      if (first) {
        first = false;
        if (bit >= endBit) break;
        const bool tag = in.Peek(bit) >> 31;
        ++bit;
        if (tag) {
          bit = CcittDecode1DFrom(t, in, Row, bit, Width);
          break;
        }
        continue;
      }
      if (!white) CcittFill(Row, std::max(a0, 0), Width, false);
      bit = codeStart;
      break;
    }
    first = false;
    const bool cur = white;  // a set bit is white
    int b1 = Width, b2 = Width;
    if (m != kCcittModeHorizontal) {
      const int x = a0 < 0 ? (cur ? -1 : CcittFind(Reference, 0, Width, cur)) : CcittFind(Reference, a0, Width, cur);
      b1 = CcittFind(Reference, std::max(x, 0), Width, !cur);
      b2 = CcittFind(Reference, b1, Width, cur);
    }
    const int start = std::max(a0, 0);
    if (m == kCcittModePass) {
      if (!white) CcittFill(Row, start, b2, false);
      a0 = std::max(start, b2);
    } else if (m == kCcittModeHorizontal) {
      const int r1 = CcittReadHorizontalRun(t, in, white ? 0 : 1, bit);
      if (r1 < 0) continue;
      const int r2 = CcittReadHorizontalRun(t, in, white ? 1 : 0, bit);
      if (r2 < 0) continue;
      const int e1 = int(std::min<std::int64_t>(std::int64_t(start) + r1, Width));
      const int e2 = int(std::min<std::int64_t>(std::int64_t(e1) + r2, Width));
      CcittFill(Row, white ? e1 : start, white ? e2 : e1, false);
      a0 = e2;
    } else if (m >= kCcittModeVL3 && m <= kCcittModeVR3) {
      // A change before a0 can only come from damaged data: it is kept at a0.
      const int a1 = std::clamp(b1 + (m - kCcittModeV0), start, Width);
      if (!white) CcittFill(Row, start, a1, false);
      a0 = a1;
      white = !white;
    } else {
      // Uncompressed mode: n zeros and a one; n below 5 is n white pixels
      // and a black one, 5 five white pixels, 6 to 10 leave the mode with
      // n - 6 white pixels and the colour in the following bit.
      a0 = start;
      while (a0 < Width && bit < endBit) {
        const std::uint32_t w = in.Peek(bit);
        const int n = w ? std::countl_zero(w) : 32;
        if (n > 10) break;
        bit += n + 1;
        if (n <= 4) {
          if (a0 + n < Width) CcittFill(Row, a0 + n, a0 + n + 1, false);
          a0 += n + 1;
        } else if (n == 5) {
          a0 += 5;
        } else {
          a0 += n - 6;
          white = bit >= endBit || !(in.Peek(bit) >> 31);
          ++bit;
          break;
        }
      }
      a0 = std::min(a0, Width);
    }
  }
  std::memcpy(Reference, Row, std::size_t(bytes));
  return bit;
}

// ---- encoders --------------------------------------------------------------

namespace {

class TCcittBitWriter {
 public:
  TCcittBitWriter(int count, int pendingBits, Byte pendingByte)
      : acc_(pendingBits > 0 ? std::uint64_t(pendingByte) & ((1u << pendingBits) - 1) : 0),
        n_(std::clamp(pendingBits, 0, 7)) {
    out_.reserve(std::size_t(std::max(count, 0)) / 8 * 12 + 32);
  }
  void Put(std::uint32_t code, int length) {
    acc_ = (acc_ << length) | code;
    n_ += length;
    while (n_ >= 8) {
      n_ -= 8;
      out_.push_back(Byte(acc_ >> n_));
    }
    acc_ &= (std::uint64_t(1) << n_) - 1;
  }
  void Put(const TCcittCode& c) { Put(c.Code, c.Length); }
  void Pad() {
    if (n_ > 0) Put(0, 8 - n_);
  }
  void PutRun(int run, int colour) {
    while (run >= 64) {
      const int m = run > 2560 ? 2560 : run / 64 * 64;
      Put(CcittRunCode(colour, 63 + m / 64));
      run -= m;
    }
    Put(CcittRunCode(colour, run));
  }
  // Writes the whole bytes and hands back the unfinished one.
  void Flush(TStream* stream, bool& abort, int& pendingBits, Byte& pendingByte) {
    if (!out_.empty()) SafeStreamWrite(stream, abort, out_.data(), std::int64_t(out_.size()));
    out_.clear();
    pendingBits = n_;
    pendingByte = Byte(acc_);
  }

 private:
  std::vector<Byte> out_;
  std::uint64_t acc_;
  int n_;
};

// Encoder rows: a set bit is black.
void CcittPutRow1D(TCcittBitWriter& w, const Byte* row, int count) {
  int x = 0, colour = 0;
  while (x < count) {
    const int e = CcittFind(row, x, count, colour == 0);
    w.PutRun(e - x, colour);
    x = e;
    colour ^= 1;
  }
}

// The T.4 two-dimensional coding procedure against ref.
void CcittPutRow2D(TCcittBitWriter& w, const Byte* row, const Byte* ref, int count) {
  int a0 = -1;
  bool black = false;
  while (a0 < count) {
    const int start = std::max(a0, 0);
    const int a1 = CcittFind(row, start, count, !black);
    const int x = a0 < 0 ? -1 : CcittFind(ref, a0, count, black);
    const int b1 = CcittFind(ref, std::max(x, 0), count, !black);
    const int b2 = CcittFind(ref, b1, count, black);
    if (b2 < a1) {
      w.Put(kCcittModeCodes[kCcittModePass]);
      a0 = b2;
    } else if (a1 - b1 >= -3 && a1 - b1 <= 3) {
      w.Put(kCcittModeCodes[kCcittModeV0 + (a1 - b1)]);
      a0 = a1;
      black = !black;
    } else {
      const int a2 = CcittFind(row, a1, count, black);
      w.Put(kCcittModeCodes[kCcittModeHorizontal]);
      w.PutRun(a1 - start, black ? 1 : 0);
      w.PutRun(a2 - a1, black ? 0 : 1);
      a0 = a2;
    }
  }
}

inline int CcittReferenceBytes(int count) { return (std::max(count, 0) + 31) / 32 * 4; }

}  // namespace

void EncodeCcittHuffman(const Byte* Row, int Count, TStream* Stream, bool& Abort) {
  if (!Row) return;
  TCcittBitWriter w(Count, 0, 0);
  CcittPutRow1D(w, Row, Count);
  w.Pad();
  int bits = 0;
  Byte pending = 0;
  w.Flush(Stream, Abort, bits, pending);
}

void EncodeCcittRow1D(const Byte* Row, int Count, TStream* Stream, bool& Abort, int& PendingBits,
                      Byte& PendingByte) {
  TCcittBitWriter w(Count, PendingBits, PendingByte);
  if (Row) {
    w.Put(kCcittModeCodes[kCcittModeEol]);
    CcittPutRow1D(w, Row, Count);
  } else {
    w.Pad();
  }
  w.Flush(Stream, Abort, PendingBits, PendingByte);
}

void EncodeCcitt1D(const Byte* Row, int Count, TStream* Stream, bool& Abort, Byte*& Reference, int& PendingBits,
                   Byte& PendingByte) {
  TCcittBitWriter w(Count, PendingBits, PendingByte);
  const int refBytes = CcittReferenceBytes(Count);
  if (!Row) {
    w.Put(kCcittModeCodes[kCcittModeEol]);
    w.Pad();
    delete[] Reference;
    Reference = nullptr;
  } else if (!Reference) {
    w.Put(kCcittModeCodes[kCcittModeEol]);
    w.Put(1, 1);
    CcittPutRow1D(w, Row, Count);
    Reference = new Byte[std::size_t(refBytes)]();
    std::memcpy(Reference, Row, std::size_t(CcittRowBytes(Count)));
  } else {
    w.Put(kCcittModeCodes[kCcittModeEol]);
    w.Put(0, 1);
    CcittPutRow2D(w, Row, Reference, Count);
    std::memcpy(Reference, Row, std::size_t(CcittRowBytes(Count)));
  }
  w.Flush(Stream, Abort, PendingBits, PendingByte);
}

void EncodeCcitt2D(const Byte* Row, int Count, TStream* Stream, bool& Abort, Byte*& Reference, int& PendingBits,
                   Byte& PendingByte) {
  TCcittBitWriter w(Count, PendingBits, PendingByte);
  if (!Row) {
    w.Put(kCcittModeCodes[kCcittModeEol]);
    w.Put(kCcittModeCodes[kCcittModeEol]);
    w.Pad();
    delete[] Reference;
    Reference = nullptr;
  } else {
    if (!Reference) Reference = new Byte[std::size_t(CcittReferenceBytes(Count))]();
    CcittPutRow2D(w, Row, Reference, Count);
    std::memcpy(Reference, Row, std::size_t(CcittRowBytes(Count)));
  }
  w.Flush(Stream, Abort, PendingBits, PendingByte);
}
