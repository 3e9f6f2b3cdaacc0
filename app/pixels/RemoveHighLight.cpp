#include "app/pixels/RemoveHighLight.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <mutex>
#include <optional>
#include <vector>

#include "app/pixels/PublicFun.h"

namespace {

constexpr double kSkinThreshold = 0.45;
constexpr int kSkinMinLuma = 120;

// (row step, column step) of the 16 rays, in sampling order.
constexpr int kRays[16][2] = {{0, -1}, {0, 1},  {-1, 0}, {1, 0},  {-1, -1}, {-2, -1}, {-1, -2}, {-1, 1},
                              {-2, 1}, {-1, 2}, {1, -1}, {2, -1}, {1, -2},  {1, 1},   {2, 1},   {1, 2}};

// Round((299 R + 587 G + 114 B) / 1000) with exact halves going to even.
Byte Luma(int R, int G, int B) {
  int num = 299 * R + 587 * G + 114 * B, q = num / 1000, r = num % 1000;
  if (r > 500 || (r == 500 && (q & 1)))
    ++q;
  return Byte(q);
}

// 4-connected components of the open cells of a W x H grid, labelled on all
// cores: each band of rows is joined on its own, then the seams between
// bands in order, then every cell looks up its root. Roots are always linked
// to the smaller index, so each component's label is its first cell in row
// order, whatever the bands were.
class HighlightComponents {
 public:
  // label[i]: the component's first cell, or -1 for a closed cell.
  const std::vector<int>& Label(const std::vector<std::uint8_t>& open, int W, int H) {
    const std::size_t N = std::size_t(W) * std::size_t(H);
    parent_.resize(N);
    label_.resize(N);
    bandStart_.assign(std::size_t(H), 0);
    int* const parent = parent_.data();
    ParallelRows(H, [&](int begin, int end) {
      bandStart_[std::size_t(begin)] = 1;
      for (int y = begin; y < end; ++y) {
        const std::size_t row = std::size_t(y) * std::size_t(W);
        for (int x = 0; x < W; ++x) {
          const std::size_t i = row + std::size_t(x);
          parent[i] = int(i);
          if (!open[i]) continue;
          if (x > 0 && open[i - 1]) Unite(parent, int(i - 1), int(i));
          if (y > begin && open[i - std::size_t(W)]) Unite(parent, int(i - std::size_t(W)), int(i));
        }
      }
    });
    for (int y = 1; y < H; ++y) {
      if (!bandStart_[std::size_t(y)]) continue;
      const std::size_t row = std::size_t(y) * std::size_t(W);
      for (int x = 0; x < W; ++x) {
        const std::size_t i = row + std::size_t(x);
        if (open[i] && open[i - std::size_t(W)]) Unite(parent, int(i - std::size_t(W)), int(i));
      }
    }
    // Only reads of the links now, so the bands may share them.
    ParallelRows(H, [&](int begin, int end) {
      for (std::size_t i = std::size_t(begin) * std::size_t(W); i < std::size_t(end) * std::size_t(W); ++i) {
        if (!open[i]) {
          label_[i] = -1;
          continue;
        }
        int r = int(i);
        while (parent[r] != r) r = parent[r];
        label_[i] = r;
      }
    });
    return label_;
  }

  // The open cells a 4-neighbour flood from the border reaches: those whose
  // component has a cell on the border.
  std::vector<std::uint8_t> FromBorder(const std::vector<std::uint8_t>& open, int W, int H) {
    const std::vector<int>& label = Label(open, W, H);
    const std::size_t N = std::size_t(W) * std::size_t(H);
    // parent_ is free again: it marks the roots that touch the border.
    std::vector<int>& touches = parent_;
    std::fill(touches.begin(), touches.end(), 0);
    auto mark = [&](std::size_t i) {
      if (label[i] >= 0) touches[std::size_t(label[i])] = 1;
    };
    for (int x = 0; x < W; ++x) {
      mark(std::size_t(x));
      mark(std::size_t(H - 1) * std::size_t(W) + std::size_t(x));
    }
    for (int y = 0; y < H; ++y) {
      mark(std::size_t(y) * std::size_t(W));
      mark(std::size_t(y) * std::size_t(W) + std::size_t(W - 1));
    }
    std::vector<std::uint8_t> reached(N);
    ParallelRows(H, [&](int begin, int end) {
      for (std::size_t i = std::size_t(begin) * std::size_t(W); i < std::size_t(end) * std::size_t(W); ++i)
        reached[i] = label[i] >= 0 && touches[std::size_t(label[i])];
    });
    return reached;
  }

  // Free for the caller between labellings.
  std::vector<int>& Scratch() { return parent_; }

 private:
  static int Find(int* parent, int x) {
    while (parent[x] != x) {
      parent[x] = parent[parent[x]];
      x = parent[x];
    }
    return x;
  }
  static void Unite(int* parent, int a, int b) {
    a = Find(parent, a), b = Find(parent, b);
    if (a == b) return;
    if (a < b) parent[b] = a;
    else parent[a] = b;
  }
  std::vector<int> parent_, label_;
  std::vector<std::uint8_t> bandStart_;
};

}  // namespace

HighlightMask PrepareHighlightMask(const RowImage& patch) {
  RequirePicture(patch);
  const int W = patch.Width, H = patch.Height;
  const std::size_t N = std::size_t(W) * std::size_t(H);
  HighlightMask m;
  m.Width = W;
  m.Height = H;
  m.Pixels.resize(N * 3);
  m.Luma.resize(N);
  m.Skin.resize(N);
  m.Highlight.assign(N, 0);
  // Skin pictures repeat their colours, so the likelihood test is remembered
  // by colour in a small direct-mapped cache, one per band; an empty slot
  // holds no colour.
  ParallelRows(H, [&](int begin, int end) {
  constexpr int kCacheBits = 14;
  std::vector<std::uint32_t> cachedColour(std::size_t(1) << kCacheBits, ~std::uint32_t(0));
  std::vector<std::uint8_t> cachedSkin(std::size_t(1) << kCacheBits);
  for (int y = begin; y < end; ++y) {
    const Byte* p = patch.Row(y);
    std::memcpy(&m.Pixels[std::size_t(y) * W * 3], p, std::size_t(W) * 3);
    for (int x = 0; x < W; ++x, p += 3) {
      std::size_t i = std::size_t(y) * W + x;
      m.Luma[i] = Luma(p[2], p[1], p[0]);
      if (m.Luma[i] < kSkinMinLuma) {
        m.Skin[i] = 0;
        continue;
      }
      const std::uint32_t colour = std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
      const std::size_t slot = (colour * 2654435761u) >> (32 - kCacheBits);
      if (cachedColour[slot] != colour) {
        cachedColour[slot] = colour;
        cachedSkin[slot] = SkinLikelihood(p[2], p[1], p[0]) >= kSkinThreshold;
      }
      m.Skin[i] = cachedSkin[slot];
    }
  }
  });

  // Everything below is whole-picture integer work whose outcome does not
  // depend on how the rows are banded.
  HighlightComponents components;
  std::vector<std::uint8_t> notSkin(N);
  ParallelRows(H, [&](int begin, int end) {
    for (std::size_t i = std::size_t(begin) * W; i < std::size_t(end) * W; ++i) notSkin[i] = !m.Skin[i];
  });
  {
    const std::vector<std::uint8_t> outside = components.FromBorder(notSkin, W, H);
    m.SkinRegion.resize(N);
    ParallelRows(H, [&](int begin, int end) {
      for (std::size_t i = std::size_t(begin) * W; i < std::size_t(end) * W; ++i) m.SkinRegion[i] = !outside[i];
    });
  }
  std::vector<std::uint8_t>().swap(notSkin);

  // The brightest fifth of the region, by a histogram walked down from 255.
  std::int64_t histogram[256] = {}, n = 0;
  std::mutex histogramLock;
  ParallelRows(H, [&](int begin, int end) {
    std::int64_t part[256] = {};
    for (std::size_t i = std::size_t(begin) * W; i < std::size_t(end) * W; ++i)
      if (m.SkinRegion[i]) ++part[m.Luma[i]];
    std::lock_guard<std::mutex> lock(histogramLock);
    for (int level = 0; level < 256; ++level) histogram[level] += part[level];
  });
  for (int level = 0; level < 256; ++level) n += histogram[level];
  const std::int64_t k = (2 * n + 9) / 10;  // Ceil(0.2 n)
  int T = 255;
  std::int64_t running = 0;
  for (int level = 255; level >= 0; --level)
    if ((running += histogram[level]) > k) {
      T = level;
      break;
    }
  std::vector<std::uint8_t> notHighlight(N);
  ParallelRows(H, [&](int begin, int end) {
    for (std::size_t i = std::size_t(begin) * W; i < std::size_t(end) * W; ++i) {
      m.Highlight[i] = m.SkinRegion[i] && m.Luma[i] >= T;
      notHighlight[i] = !m.Highlight[i];
    }
  });

  // A highlight region (4-connected) stays when at least 80 % of its outer
  // ring is skin. Each ring pixel counts once for every region among its
  // eight neighbours, so the counts are sums of whole numbers, the same in
  // any order.
  const std::vector<std::uint8_t> outer = components.FromBorder(notHighlight, W, H);
  std::vector<std::uint8_t>().swap(notHighlight);
  const std::vector<int>& region = components.Label(m.Highlight, W, H);
  // Each region's root gets a number of its own, in row order.
  std::vector<int>& number = components.Scratch();
  int regions = 0;
  for (std::size_t i = 0; i < N; ++i)
    if (region[i] == int(i)) number[i] = regions++;
  // Ring pixels seen and skin among them, in one word per region.
  std::vector<std::atomic<std::uint64_t>> counts(static_cast<std::size_t>(regions));
  for (auto& c : counts) c.store(0, std::memory_order_relaxed);
  ParallelRows(H, [&](int begin, int end) {
    for (int y = begin; y < end; ++y)
      for (int x = 0; x < W; ++x) {
        const std::size_t q = std::size_t(y) * W + x;
        if (m.Highlight[q] || !outer[q]) continue;
        int seen[8], found = 0;
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) {
            const int nx = x + dx, ny = y + dy;
            if ((dx == 0 && dy == 0) || nx < 0 || ny < 0 || nx >= W || ny >= H) continue;
            const int r = region[std::size_t(ny) * W + std::size_t(nx)];
            if (r < 0 || std::find(seen, seen + found, r) != seen + found) continue;
            seen[found++] = r;
            counts[std::size_t(number[std::size_t(r)])].fetch_add((std::uint64_t(1) << 32) | m.Skin[q],
                                                                   std::memory_order_relaxed);
          }
      }
  });
  ParallelRows(H, [&](int begin, int end) {
    for (std::size_t i = std::size_t(begin) * W; i < std::size_t(end) * W; ++i) {
      if (region[i] < 0) continue;
      const std::uint64_t v = counts[std::size_t(number[std::size_t(region[i])])].load(std::memory_order_relaxed);
      const std::int64_t c = std::int64_t(v >> 32), skin = std::int64_t(v & 0xFFFFFFFFu);
      if (4 * c > 5 * skin)  // 0.8 c > s, in integers
        m.Highlight[i] = 0;
    }
  });
  return m;
}

std::optional<BGR> SampleSurroundings(const HighlightMask& mask, int row, int column) {
  const int W = mask.Width, H = mask.Height;
  float total = 0, sb = 0, sg = 0, sr = 0;
  for (const auto& ray : kRays) {
    for (int t = 1;; ++t) {
      int y = row + ray[0] * t, x = column + ray[1] * t;
      if (x < 0 || y < 0 || x >= W || y >= H)
        break;
      std::size_t i = std::size_t(y) * W + x;
      if (mask.Highlight[i])
        continue;
      int dy = ray[0] * t, dx = ray[1] * t;
      double inv = 1 / std::sqrt(double(dy * dy + dx * dx));
      const float w = float(inv * inv * inv);
      const Byte* p = &mask.Pixels[i * 3];
      total += w;
      sb = float(double(sb) + double(w) * p[0]);
      sg = float(double(sg) + double(w) * p[1]);
      sr = float(double(sr) + double(w) * p[2]);
      break;
    }
  }
  if (total == 0)
    return std::nullopt;
  return BGR{ClampByte(RoundEven(double(sb) / total)), ClampByte(RoundEven(double(sg) / total)),
             ClampByte(RoundEven(double(sr) / total))};
}

namespace {

// What ApplyHighlightRemoval needs to sample many pixels quickly: the mask
// with a two-pixel frame, so a ray walks without bounds checks, and the ray
// weights by step, whose squared lengths are t^2 times 1, 2 or 5.
struct RayWalker {
  enum : Byte { kClear = 0, kHighlight = 1, kOutside = 2 };
  int W, H, PW;
  std::vector<Byte> code;
  std::vector<float> weight[6];  // by squared length of the unit step: 1, 2 or 5
  std::ptrdiff_t step[16];

  explicit RayWalker(const HighlightMask& mask) : W(mask.Width), H(mask.Height), PW(mask.Width + 4) {
    code.assign(std::size_t(PW) * std::size_t(H + 4), kOutside);
    for (int y = 0; y < H; ++y) {
      const std::uint8_t* h = &mask.Highlight[std::size_t(y) * std::size_t(W)];
      Byte* c = &code[std::size_t(y + 2) * std::size_t(PW) + 2];
      for (int x = 0; x < W; ++x)
        c[x] = h[x] ? kHighlight : kClear;
    }
    const int longest = std::max(W, H) + 1;
    for (int k : {1, 2, 5}) {
      weight[k].resize(std::size_t(longest));
      for (int t = 1; t < longest; ++t) {
        double inv = 1 / std::sqrt(double(std::int64_t(t) * t * k));
        weight[k][std::size_t(t)] = float(inv * inv * inv);
      }
    }
    for (int r = 0; r < 16; ++r)
      step[r] = std::ptrdiff_t(kRays[r][0]) * PW + kRays[r][1];
  }

  // Highlight pixels from (row, column) on along ray r, that pixel included;
  // the pixel may lie up to two outside the patch.
  int RunFrom(int r, int row, int column) const {
    const Byte* c = &code[std::size_t(row + 2) * std::size_t(PW) + std::size_t(column + 2)];
    int n = 0;
    while (*c == kHighlight)
      c += step[r], ++n;
    return n;
  }
};

}  // namespace

namespace {

// A band's sums over the rays, ray by ray: for each ray the run of
// highlight pixels from every pixel of the band is found from the next
// pixel's run (rows outside the band walked), so a pixel deep inside a large
// highlight costs a few steps per ray instead of a walk to its edge. Each
// pixel still adds its rays' samples in ray order, as SampleSurroundings does.
struct RemovalBandSums {
  std::vector<int> run;
  std::vector<float> total, sb, sg, sr;

  void Fit(std::size_t n) {
    if (run.size() < n) run.resize(n), total.resize(n), sb.resize(n), sg.resize(n), sr.resize(n);
    std::fill_n(total.begin(), n, 0.0f);
    std::fill_n(sb.begin(), n, 0.0f);
    std::fill_n(sg.begin(), n, 0.0f);
    std::fill_n(sr.begin(), n, 0.0f);
  }

  void Add(const RayWalker& walker, const HighlightMask& mask, int begin, int end) {
    const int W = walker.W, H = walker.H;
    for (int r = 0; r < 16; ++r) {
      const int dy = kRays[r][0], dx = kRays[r][1];
      const float* weight = walker.weight[dy * dy + dx * dx].data();
      // Runs of highlight pixels from each pixel along the ray, itself included.
      auto runAt = [&](int y, int x) -> int {
        if (y >= begin && y < end && x >= 0 && x < W) return run[std::size_t(y - begin) * std::size_t(W) + x];
        return walker.RunFrom(r, y, x);
      };
      auto fill = [&](int y, int x) {
        const std::size_t j = std::size_t(y - begin) * std::size_t(W) + std::size_t(x);
        run[j] = mask.Highlight[std::size_t(y) * std::size_t(W) + std::size_t(x)] ? 1 + runAt(y + dy, x + dx) : 0;
      };
      if (dy > 0) {
        for (int y = end - 1; y >= begin; --y)
          for (int x = 0; x < W; ++x) fill(y, x);
      } else if (dy < 0) {
        for (int y = begin; y < end; ++y)
          for (int x = 0; x < W; ++x) fill(y, x);
      } else {
        for (int y = begin; y < end; ++y)
          if (dx > 0)
            for (int x = W - 1; x >= 0; --x) fill(y, x);
          else
            for (int x = 0; x < W; ++x) fill(y, x);
      }
      for (int y = begin; y < end; ++y)
        for (int x = 0; x < W; ++x) {
          const std::size_t j = std::size_t(y - begin) * std::size_t(W) + std::size_t(x);
          const int t = run[j];
          if (t == 0) continue;
          const int ny = y + dy * t, nx = x + dx * t;
          if (nx < 0 || ny < 0 || nx >= W || ny >= H) continue;
          const float w = weight[std::size_t(t)];
          const Byte* p = &mask.Pixels[(std::size_t(ny) * std::size_t(W) + std::size_t(nx)) * 3];
          total[j] += w;
          sb[j] = float(double(sb[j]) + double(w) * p[0]);
          sg[j] = float(double(sg[j]) + double(w) * p[1]);
          sr[j] = float(double(sr[j]) + double(w) * p[2]);
        }
    }
  }

  std::optional<BGR> Mean(std::size_t j) const {
    if (total[j] == 0) return std::nullopt;
    return BGR{ClampByte(RoundEven(double(sb[j]) / total[j])), ClampByte(RoundEven(double(sg[j]) / total[j])),
               ClampByte(RoundEven(double(sr[j]) / total[j]))};
  }
};

constexpr int kRemovalGroupRows = 32;

// The removal into a result of the mask's size, every pixel written: each
// band of rows samples the mask alone.
void RemovalInto(const HighlightMask& mask, int amount, const RowImage& result) {
  const int W = mask.Width, H = mask.Height;
  std::optional<RayWalker> walker;
  if (std::find(mask.Highlight.begin(), mask.Highlight.end(), 1) != mask.Highlight.end())
    walker.emplace(mask);
  ParallelRows(H, [&](int begin, int end) {
  for (int y = begin; y < end; ++y)
    std::memcpy(result.Row(y), &mask.Pixels[std::size_t(y) * W * 3], std::size_t(W) * 3);
  if (!walker) return;
  // Kept by each thread, so a band reuses the last one's memory; the rows
  // go in groups, so it stays small whatever the band.
  thread_local RemovalBandSums sums;
  for (int from = begin; from < end; from += kRemovalGroupRows) {
  const int to = std::min(end, from + kRemovalGroupRows);
  sums.Fit(std::size_t(to - from) * std::size_t(W));
  sums.Add(*walker, mask, from, to);
  for (int y = from; y < to; ++y) {
    Byte* out = result.Row(y);
    for (int x = 0; x < W; ++x) {
      std::size_t i = std::size_t(y) * W + x;
      if (!mask.Highlight[i])
        continue;
      std::optional<BGR> around = sums.Mean(std::size_t(y - from) * std::size_t(W) + std::size_t(x));
      if (!around)
        continue;  // nothing to take the colour from: left as it is
      const Byte* p = &mask.Pixels[i * 3];
      THsv own = RgbToHsv(p[2], p[1], p[0]), near = RgbToHsv(around->R, around->G, around->B);
      int s = (own.S * (100 - amount) + amount * near.S) / 100;
      // One step less value, but never below black.
      TRgb c = HsvToRgb(near.H, s, std::max(own.V - 1, 0));
      out[x * 3] = c.B;
      out[x * 3 + 1] = c.G;
      out[x * 3 + 2] = c.R;
    }
  }
  }
  });
}

}  // namespace

RowImageBuffer ApplyHighlightRemoval(const HighlightMask& mask, int amount) {
  // Every pixel is copied or re-coloured.
  RowImageBuffer result(mask.Width, mask.Height, RowImageBuffer::Unset{});
  RemovalInto(mask, amount, result);
  return result;
}

TRect HighlightRectToImage(int left, int top, int right, int bottom, double zoom, int imageWidth,
                           int imageHeight) {
  if (!(zoom > 0) || imageWidth < 1 || imageHeight < 1)
    return TRect{};
  // At zoom 2 the last display column rounds to one past the picture.
  int l = std::max(RoundEven(left / zoom), 0), t = std::max(RoundEven(top / zoom), 0);
  int r = std::min(RoundEven(right / zoom), imageWidth - 1), b = std::min(RoundEven(bottom / zoom), imageHeight - 1);
  if (r < l || b < t)
    return TRect{};
  return TRect{l, t, r + 1, b + 1};
}

namespace {

HighlightMask& KeptMask() {
  static HighlightMask mask;
  return mask;
}

}  // namespace

const HighlightMask& PrepareHighlightMask(TBitmap* patch) {
  HighlightMask& kept = KeptMask();
  kept = PrepareHighlightMask(BitmapRows(patch));
  return kept;
}

const HighlightMask& CurrentHighlightMask() { return KeptMask(); }

std::unique_ptr<TBitmap> ApplyHighlightRemoval(TBitmap* patch, int amount) {
  const HighlightMask& mask = KeptMask();
  const RowImage source = BitmapRows(patch);
  if (source.Width != mask.Width || source.Height != mask.Height)
    throw EInvalidGraphicOperation("The patch is not the one the mask was made from");
  return BitmapWrittenBy(source.Width, source.Height, [&](const RowImage& out) {
    RemovalInto(mask, amount, out);
    // Only the highlight pixels are re-coloured: the rest are the patch's own,
    // even if the patch has been drawn on since the mask was made.
    ParallelRows(out.Height, [&](int begin, int end) {
      for (int y = begin; y < end; ++y) {
        const std::uint8_t* highlight = &mask.Highlight[std::size_t(y) * std::size_t(mask.Width)];
        const Byte* in = source.Row(y);
        Byte* o = out.Row(y);
        for (int x = 0; x < out.Width; ++x)
          if (!highlight[x])
            std::memcpy(o + x * 3, in + x * 3, 3);
      }
    });
  });
}

std::optional<BGR> SampleSurroundings(int row, int column) { return SampleSurroundings(KeptMask(), row, column); }
