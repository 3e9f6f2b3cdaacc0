#include "app/RemoveHighLight.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/PublicFun.h"

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
// border. Breadth-first with an explicit queue: a patch may be millions of pixels.
std::vector<std::uint8_t> FloodFromBorder(const std::vector<std::uint8_t>& passable, int W, int H,
                                          std::vector<int>& queue) {
  std::vector<std::uint8_t> reached(passable.size(), 0);
  queue.clear();
  auto seed = [&](int i) {
    if (passable[std::size_t(i)] && !reached[std::size_t(i)]) {
      reached[std::size_t(i)] = 1;
      queue.push_back(i);
    }
  };
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      if (y == 0 || y == H - 1 || x == 0 || x == W - 1)
        seed(y * W + x);
  for (std::size_t head = 0; head < queue.size(); ++head) {
    int i = queue[head], x = i % W, y = i / W;
    if (x > 0) seed(i - 1);
    if (x < W - 1) seed(i + 1);
    if (y > 0) seed(i - W);
    if (y < H - 1) seed(i + W);
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
  for (int y = 0; y < H; ++y) {
    const Byte* p = patch.Row(y);
    std::memcpy(&m.Pixels[std::size_t(y) * W * 3], p, std::size_t(W) * 3);
    for (int x = 0; x < W; ++x, p += 3) {
      std::size_t i = std::size_t(y) * W + x;
      m.Luma[i] = Luma(p[2], p[1], p[0]);
      m.Skin[i] = m.Luma[i] >= kSkinMinLuma && SkinLikelihood(p[2], p[1], p[0]) >= kSkinThreshold;
    }
  }

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

RowImageBuffer ApplyHighlightRemoval(const HighlightMask& mask, int amount) {
  const int W = mask.Width, H = mask.Height;
  RowImageBuffer result(W, H);
  for (int y = 0; y < H; ++y) {
    Byte* out = result.Row(y);
    std::memcpy(out, &mask.Pixels[std::size_t(y) * W * 3], std::size_t(W) * 3);
    for (int x = 0; x < W; ++x) {
      std::size_t i = std::size_t(y) * W + x;
      if (!mask.Highlight[i])
        continue;
      std::optional<BGR> around = SampleSurroundings(mask, y, x);
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
  std::unique_ptr<TBitmap> result = BitmapFromRows(ApplyHighlightRemoval(mask, amount));
  // Only the highlight pixels are re-coloured: the rest are the patch's own,
  // even if the patch has been drawn on since the mask was made.
  const RowImage out = BitmapRows(result.get());
  for (int y = 0; y < out.Height; ++y) {
    const std::uint8_t* highlight = &mask.Highlight[std::size_t(y) * std::size_t(mask.Width)];
    const Byte* in = source.Row(y);
    Byte* o = out.Row(y);
    for (int x = 0; x < out.Width; ++x)
      if (!highlight[x])
        std::memcpy(o + x * 3, in + x * 3, 3);
  }
  return result;
}

std::optional<BGR> SampleSurroundings(int row, int column) { return SampleSurroundings(KeptMask(), row, column); }
