// A device-independent image in memory: the shape a BMP file, a JPEG decode
// and a TBitmap's DIB section share. Rows are padded to 4 bytes and stored
// bottom-up in one block, as in a DIB; Row(y) addresses them top-down.
//
// Formats: 1, 4 and 8 bits index Palette (always filled to 2^bits entries so
// that no index reads past it); 16 bits is 5-5-5 (Is565 false) or 5-6-5;
// 24 bits is B,G,R; 32 bits is B,G,R,X (the fourth byte is kept, and is alpha
// where the source had one).
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Memory layout of a colour-table entry (the same as RGBQUAD).
struct TDibColor {
  std::uint8_t Blue = 0, Green = 0, Red = 0, Reserved = 0;
  friend bool operator==(const TDibColor&, const TDibColor&) = default;
};
static_assert(sizeof(TDibColor) == 4);

// Largest pixel block we allocate: bad headers must not ask for more.
constexpr std::uint64_t MaxDibBytes = std::uint64_t(1) << 31;
// What a picture read from a file may take by default (its decoded pixels,
// and a JPEG's work area): files come from anywhere.
constexpr std::uint64_t DefaultPictureBudget = std::uint64_t(512) << 20;
// Widest and tallest bitmap the GDI makes: a header asking for more is
// damage, refused as such rather than failing later for lack of resources.
constexpr int MaxDibDimension = 1 << 20;

struct TDibImage {
  int Width = 0;
  int Height = 0;
  int BitCount = 0;
  bool Is565 = false;
  std::vector<TDibColor> Palette;
  std::vector<std::uint8_t> Bits;

  static std::int64_t StrideFor(int width, int bitCount) { return ((std::int64_t(width) * bitCount + 31) / 32) * 4; }
  int Stride() const { return int(StrideFor(Width, BitCount)); }
  // y = 0 is the top row.
  std::uint8_t* Row(int y) { return Bits.data() + std::size_t(Height - 1 - y) * std::size_t(Stride()); }
  const std::uint8_t* Row(int y) const { return Bits.data() + std::size_t(Height - 1 - y) * std::size_t(Stride()); }

  // Sets the shape and zero-fills the block; raises EInvalidGraphic when the
  // size is negative, the depth unknown, or the block would pass MaxDibBytes.
  void Allocate(int width, int height, int bitCount);
};

// The default colour tables: black and white for 1 bit, the 16 VGA colours
// for 4 bits, and for 8 bits a 6x6x6 cube followed by a grey ramp.
std::vector<TDibColor> DefaultPalette(int bitCount);
// A grey ramp of 2^bits entries.
std::vector<TDibColor> GreyPalette(int bitCount);

// Row converters between any DIB row format and 32-bit B,G,R,A. The format is
// picked once per call; the loops run over the whole row.
struct TRowFormat {
  int BitCount = 32;
  bool Is565 = false;
  const TDibColor* Palette = nullptr;  // 2^BitCount entries for <= 8 bits
};
void RowToBGRA(const TRowFormat& f, const std::uint8_t* src, std::uint8_t* dst, int width);

// Maps colours to the nearest entry of a palette; built once per conversion.
class TNearestIndex {
 public:
  explicit TNearestIndex(const std::vector<TDibColor>& palette);
  std::uint8_t Find(std::uint8_t b, std::uint8_t g, std::uint8_t r);

 private:
  struct Slot {
    std::uint32_t Key = 0;  // 0x01RRGGBB when filled
    std::uint8_t Index = 0;
  };
  std::vector<TDibColor> palette_;
  std::vector<Slot> cache_;  // direct-mapped: a collision only recomputes
};
// nearest may be null for 16, 24 and 32 bits.
void BGRAToRow(const TRowFormat& f, TNearestIndex* nearest, const std::uint8_t* src, std::uint8_t* dst, int width);

// Converts the whole image to another depth (palette used for <= 8 bits; an
// empty one means DefaultPalette). Pixels map to the nearest palette entry.
TDibImage ConvertDib(const TDibImage& src, int bitCount, bool is565 = false,
                     const std::vector<TDibColor>& palette = {});
