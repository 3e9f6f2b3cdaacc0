#include "app/pixels/RemoveHighLight.h"

#include <algorithm>
#include <cmath>
#include <cstring>
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

// Marks every pixel that `passable` lets a 4-neighbour flood reach from the
// border. An explicit stack, as a patch may be millions of pixels, over a grid
// with a blocked frame so that neighbours need no bounds checks.
std::vector<std::uint8_t> FloodFromBorder(const std::vector<std::uint8_t>& passable, int W, int H,
                                          std::vector<int>& queue) {
  enum : std::uint8_t { kBlocked = 0, kOpen = 1, kReached = 2 };
  const int PW = W + 2;
  std::vector<std::uint8_t> grid(std::size_t(PW) * std::size_t(H + 2), kBlocked);
  for (int y = 0; y < H; ++y) {
    const std::uint8_t* in = &passable[std::size_t(y) * std::size_t(W)];
    std::uint8_t* g = &grid[std::size_t(y + 1) * std::size_t(PW) + 1];
    for (int x = 0; x < W; ++x)
      g[x] = in[x] ? kOpen : kBlocked;
  }
  queue.clear();
  auto seed = [&](int i) {
    if (grid[std::size_t(i)] == kOpen) {
      grid[std::size_t(i)] = kReached;
      queue.push_back(i);
    }
  };
  for (int x = 0; x < W; ++x) {
    seed(PW + 1 + x);
    seed(H * PW + 1 + x);
  }
  for (int y = 1; y <= H; ++y) {
    seed(y * PW + 1);
    seed(y * PW + W);
  }
  while (!queue.empty()) {
    const int i = queue.back();
    queue.pop_back();
    seed(i - 1);
    seed(i + 1);
    seed(i - PW);
    seed(i + PW);
  }
  std::vector<std::uint8_t> reached(passable.size());
  for (int y = 0; y < H; ++y) {
    const std::uint8_t* g = &grid[std::size_t(y + 1) * std::size_t(PW) + 1];
    std::uint8_t* out = &reached[std::size_t(y) * std::size_t(W)];
    for (int x = 0; x < W; ++x)
      out[x] = g[x] == kReached;
  }
  return reached;
}

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

  std::vector<int> queue;
  queue.reserve(N);
  std::vector<std::uint8_t> notSkin(N);
  for (std::size_t i = 0; i < N; ++i)
    notSkin[i] = !m.Skin[i];
  std::vector<std::uint8_t> outside = FloodFromBorder(notSkin, W, H, queue);
  m.SkinRegion.resize(N);
  for (std::size_t i = 0; i < N; ++i)
    m.SkinRegion[i] = !outside[i];

  // The brightest fifth of the region, by a histogram walked down from 255.
  std::int64_t histogram[256] = {}, n = 0;
  for (std::size_t i = 0; i < N; ++i)
    if (m.SkinRegion[i]) {
      ++histogram[m.Luma[i]];
      ++n;
    }
  const std::int64_t k = (2 * n + 9) / 10;  // Ceil(0.2 n)
  int T = 255;
  std::int64_t running = 0;
  for (int level = 255; level >= 0; --level)
    if ((running += histogram[level]) > k) {
      T = level;
      break;
    }
  for (std::size_t i = 0; i < N; ++i)
    m.Highlight[i] = m.SkinRegion[i] && m.Luma[i] >= T;

  // Highlight regions (4-connected), each a run of `members`.
  std::vector<int> label(N, -1), members;
  std::vector<std::size_t> starts;
  members.reserve(N);
  for (std::size_t s = 0; s < N; ++s) {
    if (!m.Highlight[s] || label[s] >= 0)
      continue;
    int id = int(starts.size());
    starts.push_back(members.size());
    label[s] = id;
    members.push_back(int(s));
    for (std::size_t head = starts.back(); head < members.size(); ++head) {
      int i = members[head], x = i % W, y = i / W;
      auto take = [&](int j) {
        if (m.Highlight[std::size_t(j)] && label[std::size_t(j)] < 0) {
          label[std::size_t(j)] = id;
          members.push_back(j);
        }
      };
      if (x > 0) take(i - 1);
      if (x < W - 1) take(i + 1);
      if (y > 0) take(i - W);
      if (y < H - 1) take(i + W);
    }
  }
  starts.push_back(members.size());

  // A region stays when at least 80 % of its outer ring is skin.
  std::vector<std::uint8_t> notHighlight(N);
  for (std::size_t i = 0; i < N; ++i)
    notHighlight[i] = !m.Highlight[i];
  std::vector<std::uint8_t> outer = FloodFromBorder(notHighlight, W, H, queue);
  std::vector<int> seen(N, -1);  // region that last counted a ring pixel
  std::vector<int> dropped;
  for (int id = int(starts.size()) - 2; id >= 0; --id) {
    std::int64_t c = 0, s = 0;
    for (std::size_t j = starts[std::size_t(id)]; j < starts[std::size_t(id) + 1]; ++j) {
      int i = members[j], x = i % W, y = i / W;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
          int nx = x + dx, ny = y + dy;
          if ((dx == 0 && dy == 0) || nx < 0 || ny < 0 || nx >= W || ny >= H)
            continue;
          std::size_t q = std::size_t(ny) * W + nx;
          if (m.Highlight[q] || seen[q] == id)
            continue;
          seen[q] = id;
          if (outer[q]) {
            ++c;
            s += m.Skin[q];
          }
        }
    }
    if (4 * c > 5 * s)  // 0.8 c > s, in integers
      dropped.push_back(id);
  }
  for (int id : dropped)
    for (std::size_t j = starts[std::size_t(id)]; j < starts[std::size_t(id) + 1]; ++j)
      m.Highlight[std::size_t(members[j])] = 0;
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
