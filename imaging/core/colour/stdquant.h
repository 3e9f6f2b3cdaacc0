// The variance-based box split of a 5-bit-per-channel histogram: the
// quantiser taken for fewer than 128 colours.
#pragma once
#include <cstdint>
#include <vector>

#include "imaging/core/raster/vqzutils_bitmap.h"

// A box of histogram cells; axes 0, 1, 2 are red, green, blue in 5-bit
// units, lower bounds inclusive and upper ones exclusive.
struct VarianceBox {
  double Error = 0;
  double Mean[3] = {0, 0, 0};
  std::int32_t Count = 0;
  std::int32_t Hist[3][32] = {};
  int Lower[3] = {0, 0, 0};
  int Upper[3] = {32, 32, 32};
};

// The score of a failed trial split, and the bound a real one stays below.
constexpr double VarianceFailedSplit = 17523.6;

class VarianceQuantizer {
 public:
  // Histogram of the 24-bit source (every row of every pixel), then boxes
  // split until wanted (1 to 256) are made or none can be split.
  VarianceQuantizer(TVQBitmap& source, int wanted);

  // Entry i of the palette for each box made; later entries are left alone.
  void WritePalette(TRGBPixel* palette) const;
  int BoxCount() const { return static_cast<int>(boxes_.size()); }
  const VarianceBox& Box(int i) const { return boxes_[static_cast<std::size_t>(i)]; }
  // table[(R div 8) x 1024 + (G div 8) x 32 + (B div 8)]: the box of the
  // colour's cell.
  int Lookup(std::uint32_t packed) const {
    return lookup_[((packed >> 9) & 0x7C00) | ((packed >> 6) & 0x3E0) | ((packed >> 3) & 0x1F)];
  }

 private:
  void BoxStats(VarianceBox& box) const;
  bool SplitAxis(const VarianceBox& box, int axis, VarianceBox& first, VarianceBox& second) const;
  bool SplitBox(VarianceBox& box, VarianceBox& added);
  void SplitAll(int wanted);
  void BuildLookup();

  std::vector<std::uint32_t> histogram_;  // 32768 cells
  std::vector<VarianceBox> boxes_;
  std::vector<Byte> lookup_;  // 32768 cells
  double pixels_ = 0;
};
