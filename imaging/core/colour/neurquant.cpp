#include "imaging/core/colour/neurquant.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "imaging/core/raster/vqzutils_pixelrows.h"
#include "imaging/core/raster/vqzutils_rowwalk.h"

namespace {

constexpr int kNeuQuantCycles = 100;
constexpr int kNeuQuantRadiusDecrease = 30;
constexpr int kNeuQuantInitialAlpha = 1024;
constexpr int kNeuQuantRadBias = 256;
constexpr int kNeuQuantAlphaRadBias = 262144;

// The pixel step of the samples: a prime that does not divide pixels x 3.
Int64 NeuQuantStep(Int64 lengthCount) {
  if (lengthCount % 499 != 0) return 499;
  if (lengthCount % 491 != 0) return 491;
  if (lengthCount % 487 != 0) return 487;
  return 503;
}

inline std::uint32_t QuantPacked(const Byte* p) {
  return (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[1]) << 8) | p[0];
}

constexpr std::size_t kQuantExactSlots = 1024;  // a quarter full at most
inline std::size_t QuantSlot(std::uint32_t c) { return (c * 2654435761u) >> 22; }
constexpr int kQuantRowCacheBits = 16;
constexpr std::size_t kQuantRowCache = std::size_t{1} << kQuantRowCacheBits;

// For every neuron: its distance, its biased distance, and the frequency
// and bias updates of one contest.
void NeuQuantDistances(int n, int b, int g, int r, const std::int32_t* __restrict nb, const std::int32_t* __restrict ng,
                       const std::int32_t* __restrict nr, std::int32_t* __restrict dist,
                       std::int32_t* __restrict biasDist, std::int32_t* __restrict bias,
                       std::int32_t* __restrict freq) {
  for (int i = 0; i < n; ++i) {
    const std::int32_t db = nb[i] - b, dg = ng[i] - g, dr = nr[i] - r;
    const std::int32_t d = (db < 0 ? -db : db) + (dg < 0 ? -dg : dg) + (dr < 0 ? -dr : dr);
    dist[i] = d;
    // >> of a negative bias rounds towards minus infinity, as intended.
    biasDist[i] = d - (bias[i] >> 12);
    const std::int32_t betafreq = freq[i] >> 10;
    freq[i] -= betafreq;
    bias[i] += betafreq * 1024;
  }
}

}  // namespace

int NeuQuantSampleFactor(Int64 pixels) {
  if (pixels < 2000) return 1;
  const double f = std::nearbyint(13.0 * static_cast<double>(pixels - 2000) / 148000.0 + 2.0);
  return f < 1 ? 1 : f > 30 ? 30 : static_cast<int>(f);
}

// ---- NeuQuant ------------------------------------------------------------------------

NeuQuantNetwork::NeuQuantNetwork(TVQBitmap& source, int n, int sampleFactor) : n_(std::clamp(n, 1, 256)) {
  const std::size_t count = static_cast<std::size_t>(n_);
  blue_.resize(count);
  green_.resize(count);
  red_.resize(count);
  dist_.resize(count);
  biasDist_.resize(count);
  for (int i = 0; i < n_; ++i) {
    const std::int32_t v = (i * 4096) / n_;
    blue_[static_cast<std::size_t>(i)] = green_[static_cast<std::size_t>(i)] = red_[static_cast<std::size_t>(i)] = v;
  }
  freq_.assign(static_cast<std::size_t>(n_), 65536 / n_);
  bias_.assign(static_cast<std::size_t>(n_), 0);
  radPower_.assign(static_cast<std::size_t>(n_ / 8 + 1), 0);
  Learn(source, std::clamp(sampleFactor, 1, 30));
  // Unbias: back to 8 bits a channel, and each neuron remembers its place.
  map_.resize(count);
  network_.assign(count * 4, 0);
  for (int i = 0; i < n_; ++i) {
    std::int32_t* p = &network_[static_cast<std::size_t>(i) * 4];
    p[0] = blue_[static_cast<std::size_t>(i)] >> 4;
    p[1] = green_[static_cast<std::size_t>(i)] >> 4;
    p[2] = red_[static_cast<std::size_t>(i)] >> 4;
    p[3] = i;
    map_[static_cast<std::size_t>(i)] =
        TRGBPixel{static_cast<Byte>(p[0]), static_cast<Byte>(p[1]), static_cast<Byte>(p[2])};
  }
  BuildIndex();
}

int NeuQuantNetwork::Contest(int b, int g, int r) {
  // Channels, biases and frequencies lie in separate arrays so the pass over
  // every neuron runs in vector registers; the two searches for the first
  // smallest distance follow on the stored distances.
  const int n = n_;
  std::int32_t* dist = dist_.data();
  std::int32_t* biasDist = biasDist_.data();
  std::int32_t* bias = bias_.data();
  std::int32_t* freq = freq_.data();
  NeuQuantDistances(n, b, g, r, blue_.data(), green_.data(), red_.data(), dist, biasDist, bias, freq);
  int bestpos = 0, bestbiaspos = 0;
  std::int32_t bestd = dist[0], bestbiasd = biasDist[0];
  for (int i = 1; i < n; ++i) {
    if (dist[i] < bestd) {
      bestd = dist[i];
      bestpos = i;
    }
    if (biasDist[i] < bestbiasd) {
      bestbiasd = biasDist[i];
      bestbiaspos = i;
    }
  }
  freq[bestpos] += 64;
  bias[bestpos] -= 65536;
  return bestbiaspos;
}

void NeuQuantNetwork::AlterSingle(int alpha, int i, int b, int g, int r) {
  const std::size_t k = static_cast<std::size_t>(i);
  blue_[k] -= static_cast<std::int32_t>((static_cast<Int64>(blue_[k] - b) * alpha) / kNeuQuantInitialAlpha);
  green_[k] -= static_cast<std::int32_t>((static_cast<Int64>(green_[k] - g) * alpha) / kNeuQuantInitialAlpha);
  red_[k] -= static_cast<std::int32_t>((static_cast<Int64>(red_[k] - r) * alpha) / kNeuQuantInitialAlpha);
}

void NeuQuantNetwork::AlterNeighbours(int rad, int i, int b, int g, int r) {
  const int lo = std::max(i - rad, -1), hi = std::min(i + rad, n_);
  int j = i + 1, k = i - 1, m = 1;
  auto move = [&](int at, Int64 a) {
    const std::size_t u = static_cast<std::size_t>(at);
    blue_[u] -= static_cast<std::int32_t>((a * (blue_[u] - b)) / kNeuQuantAlphaRadBias);
    green_[u] -= static_cast<std::int32_t>((a * (green_[u] - g)) / kNeuQuantAlphaRadBias);
    red_[u] -= static_cast<std::int32_t>((a * (red_[u] - r)) / kNeuQuantAlphaRadBias);
  };
  while (j < hi || k > lo) {
    const Int64 a = radPower_[static_cast<std::size_t>(m++)];
    if (j < hi) move(j++, a);
    if (k > lo) move(k--, a);
  }
}

void NeuQuantNetwork::Learn(TVQBitmap& source, int sampleFactor) {
  if (source.GetPixelFormat() != vqRGB24 || source.IsEmpty()) return;
  const int w = source.GetWidth(), h = source.GetHeight();
  const Int64 pixels = static_cast<Int64>(w) * h;
  const Int64 lengthCount = pixels * 3;
  const int alphaDec = 30 + (sampleFactor - 1) / 3;
  const Int64 samples = lengthCount / (3 * sampleFactor);
  Int64 delta = samples / kNeuQuantCycles;
  if (delta == 0) delta = 1;
  int alpha = kNeuQuantInitialAlpha;
  int radius = (n_ / 8) * 64;
  int rad = radius >> 6;
  if (rad <= 1) rad = 0;
  auto powers = [&] {
    for (int i = 0; i < rad; ++i)
      radPower_[static_cast<std::size_t>(i)] = alpha * (((rad * rad - i * i) * kNeuQuantRadBias) / (rad * rad));
  };
  powers();
  const Int64 step = NeuQuantStep(lengthCount);
  const std::vector<Byte*> rows = VQRowTable(source);
  TVQViewAccessScope readOnly(source, vqRead);
  Int64 pos = 0;
  for (Int64 i = 0; i < samples;) {
    const Int64 row = (pos / w) % h, col = pos % w;
    const Byte* p =
        (rows.empty() ? source.GetScanline(static_cast<int>(row)) : rows[static_cast<std::size_t>(row)]) + col * 3;
    const int b = p[0] << 4, g = p[1] << 4, r = p[2] << 4;
    const int j = Contest(b, g, r);
    AlterSingle(alpha, j, b, g, r);
    if (rad) AlterNeighbours(rad, j, b, g, r);
    pos += step;
    if (pos >= pixels) pos -= pixels;
    ++i;
    if (i % delta == 0) {
      alpha -= alpha / alphaDec;
      radius -= radius / kNeuQuantRadiusDecrease;
      rad = radius >> 6;
      if (rad <= 1) rad = 0;
      powers();
    }
  }
}

void NeuQuantNetwork::BuildIndex() {
  int previous = 0, start = 0;
  const int maxPos = n_ - 1;
  for (int i = 0; i < n_; ++i) {
    std::int32_t* p = &network_[static_cast<std::size_t>(i) * 4];
    int smallPos = i, smallVal = p[1];
    for (int j = i + 1; j < n_; ++j)
      if (network_[static_cast<std::size_t>(j) * 4 + 1] < smallVal) {
        smallPos = j;
        smallVal = network_[static_cast<std::size_t>(j) * 4 + 1];
      }
    if (smallPos != i) std::swap_ranges(p, p + 4, &network_[static_cast<std::size_t>(smallPos) * 4]);
    smallVal = std::clamp(smallVal, 0, 255);
    if (smallVal != previous) {
      greenIndex_[previous] = (start + i) >> 1;
      for (int j = previous + 1; j < smallVal; ++j) greenIndex_[j] = i;
      previous = smallVal;
      start = i;
    }
  }
  greenIndex_[previous] = (start + maxPos) >> 1;
  for (int j = previous + 1; j < 256; ++j) greenIndex_[j] = maxPos;
}

void NeuQuantNetwork::ColorMap(TRGBPixel* palette) const {
  std::memcpy(static_cast<void*>(palette), map_.data(), map_.size() * sizeof(TRGBPixel));
}

int NeuQuantNetwork::Search(int b, int g, int r) const {
  int bestd = 1000, best = -1;
  int i = greenIndex_[g & 0xFF], j = i - 1;
  while (i < n_ || j >= 0) {
    if (i < n_) {
      const std::int32_t* p = &network_[static_cast<std::size_t>(i) * 4];
      int dist = p[1] - g;
      if (dist >= bestd) {
        i = n_;
      } else {
        ++i;
        dist = std::abs(dist) + std::abs(p[0] - b);
        if (dist < bestd) {
          dist += std::abs(p[2] - r);
          if (dist < bestd) {
            bestd = dist;
            best = p[3];
          }
        }
      }
    }
    if (j >= 0) {
      const std::int32_t* p = &network_[static_cast<std::size_t>(j) * 4];
      int dist = g - p[1];
      if (dist >= bestd) {
        j = -1;
      } else {
        --j;
        dist = std::abs(dist) + std::abs(p[0] - b);
        if (dist < bestd) {
          dist += std::abs(p[2] - r);
          if (dist < bestd) {
            bestd = dist;
            best = p[3];
          }
        }
      }
    }
  }
  return best;
}

// ---- TVQQuantizer ----------------------------------------------------------------------

TVQQuantizer::TVQQuantizer(TVQBitmap* source, TRGBPixel* palette, int colorCount, int quality)
    : count_(std::clamp(colorCount, 1, 256)) {
  if (!source) return;
  const TVQPixelFormat format = source->GetPixelFormat();
  grey_ = (format != vqPalette8 && format != vqRGB24) || source->IsGrayImage();
  paletted_ = format == vqPalette8;
  if (grey_ || format != vqRGB24) {
    if (paletted_) {
      sourcePalette_.assign(source->Palette(), source->Palette() + std::min(source->PaletteCount(), 256));
      const int n = std::min(count_, static_cast<int>(sourcePalette_.size()));
      if (palette)
        std::memcpy(static_cast<void*>(palette), sourcePalette_.data(),
                    sizeof(TRGBPixel) * static_cast<std::size_t>(n));
    } else if (palette) {
      for (int d = 0; d < count_; ++d) {
        const Byte v = static_cast<Byte>(static_cast<int>(256.0 / count_ * d));
        palette[d] = TRGBPixel{v, v, v};
      }
    }
    return;
  }
  BuildExactTable(*source);
  if (!exact_.empty()) {
    if (palette)
      for (std::size_t i = 0; i < exact_.size(); ++i)
        palette[i] = TRGBPixel{static_cast<Byte>(exact_[i]), static_cast<Byte>(exact_[i] >> 8),
                               static_cast<Byte>(exact_[i] >> 16)};
    return;
  }
  if (count_ < 128) {
    method_ = qmVariance;
    variance_ = std::make_unique<VarianceQuantizer>(*source, count_);
    if (palette) variance_->WritePalette(palette);
  } else {
    method_ = qmNeuQuant;
    const Int64 pixels = static_cast<Int64>(source->GetWidth()) * source->GetHeight();
    const int factor =
        quality < 0 ? NeuQuantSampleFactor(pixels) : static_cast<int>((100 - std::min(quality, 100)) / 100.0 * 29) + 1;
    neuQuant_ = std::make_unique<NeuQuantNetwork>(*source, count_, factor);
    if (palette) neuQuant_->ColorMap(palette);
  }
}

TVQQuantizer::~TVQQuantizer() = default;

void TVQQuantizer::BuildExactTable(TVQBitmap& source) {
  // Colours in order of first appearance; the slots answer "seen before?"
  // and later "at which position?" without a linear search.
  exactSlots_.assign(kQuantExactSlots, -1);
  const int w = source.GetWidth(), h = source.GetHeight();
  TVQViewAccessScope readOnly(source, vqRead);
  std::uint32_t last = 0xFFFFFFFFu;
  for (int y = 0; y < h; ++y) {
    const Byte* p = source.GetScanline(y);
    for (int x = 0; x < w; ++x, p += 3) {
      const std::uint32_t c = QuantPacked(p);
      if (c == last) continue;
      last = c;
      std::size_t s = QuantSlot(c);
      while (exactSlots_[s] >= 0 && exact_[static_cast<std::size_t>(exactSlots_[s])] != c)
        s = (s + 1) & (kQuantExactSlots - 1);
      if (exactSlots_[s] >= 0) continue;
      if (static_cast<int>(exact_.size()) == count_) {
        exact_.clear();
        exactSlots_.clear();
        return;
      }
      exactSlots_[s] = static_cast<std::int32_t>(exact_.size());
      exact_.push_back(c);
    }
  }
}

int TVQQuantizer::ExactIndex(std::uint32_t packed) const {
  std::size_t s = QuantSlot(packed);
  while (exactSlots_[s] >= 0) {
    if (exact_[static_cast<std::size_t>(exactSlots_[s])] == packed) return exactSlots_[s];
    s = (s + 1) & (kQuantExactSlots - 1);
  }
  return -1;
}

int TVQQuantizer::ColorIndex(std::uint32_t packed) const {
  packed &= 0xFFFFFF;
  if (!exact_.empty()) {
    const int i = ExactIndex(packed);
    if (i >= 0) return i;
    std::vector<TRGBPixel> table(exact_.size());
    for (std::size_t k = 0; k < exact_.size(); ++k)
      table[k] = TRGBPixel{static_cast<Byte>(exact_[k]), static_cast<Byte>(exact_[k] >> 8),
                           static_cast<Byte>(exact_[k] >> 16)};
    return NearestPaletteIndex(table.data(), static_cast<int>(table.size()), packed);
  }
  // A paletted source is answered from its own palette, which Create copied
  // into the caller's: a grey ramp position would not match it.
  if (paletted_) {
    const int n = std::min(count_, static_cast<int>(sourcePalette_.size()));
    const TRGBPixel c{static_cast<Byte>(packed), static_cast<Byte>(packed >> 8), static_cast<Byte>(packed >> 16)};
    for (int i = 0; i < n; ++i)
      if (sourcePalette_[static_cast<std::size_t>(i)] == c) return i;
    return NearestPaletteIndex(sourcePalette_.data(), n, packed);
  }
  if (grey_) return static_cast<int>(((packed >> 16) & 0xFF) * static_cast<std::uint32_t>(count_) / 256);
  if (neuQuant_) return neuQuant_->Search(packed & 0xFF, (packed >> 8) & 0xFF, (packed >> 16) & 0xFF);
  if (variance_) return variance_->Lookup(packed);
  return 0;
}

void TVQQuantizer::ColorIndexRow(const Byte* rgb, int count, Byte* out, TRowCache* cache) const {
  if (neuQuant_ && exact_.empty() && !paletted_ && !grey_) {
    // The search is a pure function of the colour, so its answers can be
    // kept: photos repeat colours within and across rows.
    TRowCache local;
    if (!cache) cache = &local;
    if (cache->Keys.empty()) {
      cache->Keys.assign(kQuantRowCache, 0xFFFFFFFFu);
      cache->Values.assign(kQuantRowCache, 0);
    }
    std::uint32_t* keys = cache->Keys.data();
    Byte* values = cache->Values.data();
    for (int x = 0; x < count; ++x, rgb += 3) {
      const std::uint32_t c = QuantPacked(rgb);
      const std::size_t s = (c * 2654435761u) >> (32 - kQuantRowCacheBits);
      if (keys[s] != c) {
        keys[s] = c;
        values[s] = static_cast<Byte>(neuQuant_->Search(rgb[0], rgb[1], rgb[2]));
      }
      out[x] = values[s];
    }
    return;
  }
  if (variance_ && exact_.empty() && !paletted_ && !grey_) {
    for (int x = 0; x < count; ++x, rgb += 3) out[x] = static_cast<Byte>(variance_->Lookup(QuantPacked(rgb)));
    return;
  }
  for (int x = 0; x < count; ++x, rgb += 3) out[x] = static_cast<Byte>(ColorIndex(QuantPacked(rgb)));
}

// ---- whole bitmaps and palette searches --------------------------------------------------

void QuantizeBitmap(TVQBitmap* bitmap, int count, TRGBPixel* palette, TVQProgressRec* progress) {
  if (!bitmap || bitmap->GetPixelFormat() != vqRGB24 || bitmap->IsEmpty()) return;
  count = std::clamp(count, 1, 256);
  // Entries a quantiser leaves unset are black, never stale memory.
  std::vector<TRGBPixel> own;
  if (!palette) {
    own.assign(static_cast<std::size_t>(count), TRGBPixel{});
    palette = own.data();
  }
  const TVQQuantizer quantizer(bitmap, palette, count, -1);
  const int w = bitmap->GetWidth();
  const TRGBPixel* entries = palette;
  // In place: each band reads and rewrites its own rows only.
  VQWalkRows(
      *bitmap, nullptr,
      [&](int first, int last, Byte* const* rows, Byte* const*) {
        std::vector<Byte> index(static_cast<std::size_t>(w));
        TVQQuantizer::TRowCache cache;
        for (int y = first; y < last; ++y) {
          Byte* row = rows[y];
          quantizer.ColorIndexRow(row, w, index.data(), &cache);
          for (int x = 0; x < w; ++x) std::memcpy(row + 3 * x, &entries[index[static_cast<std::size_t>(x)]], 3);
        }
      },
      progress, TVQRowPercent::Scaled, true, true);
}

int NearestPaletteIndex(const TRGBPixel* palette, int count, std::uint32_t packed) {
  const int r = (packed >> 16) & 0xFF, g = (packed >> 8) & 0xFF, b = packed & 0xFF;
  int best = 1000, result = 0;
  for (int i = 0; i < count; ++i) {
    const int d = std::abs(r - palette[i].r) + std::abs(g - palette[i].g) + std::abs(b - palette[i].b);
    if (d < best) {
      best = d;
      result = i;
    }
  }
  return result;
}
