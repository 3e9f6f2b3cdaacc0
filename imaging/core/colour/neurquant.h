// TVQQuantizer, the library's one colour reducer: it chooses a palette of at
// most n colours for a bitmap (the source's own palette, a grey ramp, the
// exact colours when there are few enough, or a quantiser: the NeuQuant
// network from 128 colours up, the variance split below) and then maps any
// packed colour (red in bits 16-23) to a palette index.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/core/colour/stdquant.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/core/base/vqzutils_progress.h"

// The NeuQuant network (Dekker's neural-net quantiser) on a 24-bit bitmap.
class NeuQuantNetwork {
 public:
  // Learns n colours (n from 1 to 256) from the bitmap's pixels with the
  // sampling factor (1 to 30), then unbiases and sorts the network.
  NeuQuantNetwork(TVQBitmap& source, int n, int sampleFactor);
  void ColorMap(TRGBPixel* palette) const;
  // Palette index of the nearest neuron, starting at the green index.
  int Search(int b, int g, int r) const;

 private:
  int Contest(int b, int g, int r);
  void AlterSingle(int alpha, int i, int b, int g, int r);
  void AlterNeighbours(int rad, int i, int b, int g, int r);
  void Learn(TVQBitmap& source, int sampleFactor);
  void BuildIndex();

  int n_;
  // While learning: one array per channel, x 16.
  std::vector<std::int32_t> blue_, green_, red_, dist_, biasDist_;
  std::vector<std::int32_t> bias_, freq_, radPower_;
  // After: n x (blue, green, red, index), sorted by green.
  std::vector<std::int32_t> network_;
  std::int32_t greenIndex_[256] = {};
  std::vector<TRGBPixel> map_;  // the colour map before sorting
};

// 1 below 2000 pixels, else clamp(Round(13 x (pixels - 2000) / 148000 + 2), 1, 30).
int NeuQuantSampleFactor(Int64 pixels);

class TVQQuantizer {
 public:
  enum TMethod { qmNeuQuant = 0, qmVariance = 1, qmNone = -1 };

  // Fills colorCount entries of palette (the count is taken in 1..256) and
  // prepares ColorIndex. quality -1 chooses NeuQuant's sampling factor from
  // the size, else a percentage 0 to 100.
  TVQQuantizer(TVQBitmap* source, TRGBPixel* palette, int colorCount, int quality);
  ~TVQQuantizer();
  TVQQuantizer(const TVQQuantizer&) = delete;
  TVQQuantizer& operator=(const TVQQuantizer&) = delete;

  // Always an index below the colour count: a colour missing from the exact
  // table or the source's palette gets the nearest entry.
  int ColorIndex(std::uint32_t packed) const;
  // Answers kept between rows of one band: neighbouring rows of a photo
  // share most of their colours.
  struct TRowCache {
    std::vector<std::uint32_t> Keys;
    std::vector<Byte> Values;
  };
  // ColorIndex of count 24-bit pixels (blue, green, red) into bytes.
  void ColorIndexRow(const Byte* rgb, int count, Byte* out, TRowCache* cache = nullptr) const;

  TMethod Method() const { return method_; }
  bool Grey() const { return grey_; }
  bool HasExactTable() const { return !exact_.empty(); }
  int ColorCount() const { return count_; }

 private:
  void BuildExactTable(TVQBitmap& source);
  int ExactIndex(std::uint32_t packed) const;

  TMethod method_ = qmNone;
  std::unique_ptr<NeuQuantNetwork> neuQuant_;
  std::unique_ptr<VarianceQuantizer> variance_;
  bool grey_ = false;
  bool paletted_ = false;
  std::vector<std::uint32_t> exact_;      // colours in order of first appearance
  std::vector<std::int32_t> exactSlots_;  // open-addressing index into exact_, -1 empty
  std::vector<TRGBPixel> sourcePalette_;
  int count_ = 0;
};

// Maps a 24-bit bitmap in place to at most count colours (other formats are
// left alone); palette receives them when given (count entries).
void QuantizeBitmap(TVQBitmap* bitmap, int count, TRGBPixel* palette = nullptr, TVQProgressRec* progress = nullptr);

// The entry with the smallest sum of absolute channel differences; the
// first one wins a tie.
int NearestPaletteIndex(const TRGBPixel* palette, int count, std::uint32_t packed);
