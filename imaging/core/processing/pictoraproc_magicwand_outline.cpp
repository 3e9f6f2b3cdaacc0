#include <algorithm>
#include <climits>
#include <vector>

#include "imaging/core/processing/pictoraproc_magicwand.h"
#include "imaging/core/processing/pictoraproc_magicwand_plane.h"
#include "platform/rtl/Exceptions.h"

namespace {

// The eight steps in search order with their chain codes.
struct TWandChainStep {
  int dx, dy, code;
};
constexpr TWandChainStep ChainDirections[8] = {{1, 0, 0},  {0, -1, 2}, {-1, 0, 4}, {0, 1, 6},
                                               {1, -1, 1}, {-1, -1, 3}, {-1, 1, 5}, {1, 1, 7}};
constexpr int kWandCodeDx[8] = {1, 1, 0, -1, -1, -1, 0, 1};
constexpr int kWandCodeDy[8] = {0, -1, -1, -1, 0, 1, 1, 1};

// The cell grid: 0 outside, 1 region, 3 border, 2 traced border.
class TWandCells {
 public:
  TWandCells(Int64 w, Int64 h) : w_(w), h_(h) {
    if (w * h > VQMaxPixelBlock) throw EOutOfMemory("The region is too large to outline");
    cells_.assign(static_cast<size_t>(w * h), 0);
  }
  Int64 Width() const { return w_; }
  Int64 Height() const { return h_; }
  Byte& At(Int64 c, Int64 r) { return cells_[static_cast<size_t>(r * w_ + c)]; }
  Byte Get(Int64 c, Int64 r) const {
    return c < 0 || r < 0 || c >= w_ || r >= h_ ? 0 : cells_[static_cast<size_t>(r * w_ + c)];
  }

  // The cell before each run of 1 cells, walking (c, r) by (dc, dr) from
  // every line's start, becomes 3.
  void MarkRunStarts(bool rows, bool forward) {
    const Int64 lines = rows ? h_ : w_, length = rows ? w_ : h_;
    for (Int64 line = 0; line < lines; ++line) {
      bool inRun = false;
      Int64 before = -1;
      for (Int64 k = 0; k < length; ++k) {
        const Int64 pos = forward ? k : length - 1 - k;
        Byte& cell = rows ? At(pos, line) : At(line, pos);
        if (cell == 1) {
          if (!inRun && before >= 0) (rows ? At(before, line) : At(line, before)) = 3;
          inRun = true;
        } else {
          inRun = false;
        }
        before = pos;
      }
    }
  }

 private:
  Int64 w_, h_;
  std::vector<Byte> cells_;
};

}  // namespace

std::vector<TPoint> MagicWandOutline(TVQBitmap* bitmap, int x, int y, int& count, int tolerance, bool grow) {
  count = 0;
  if (!bitmap || bitmap->IsEmpty() || x < 0 || y < 0 || x >= bitmap->GetWidth() || y >= bitmap->GetHeight())
    return {};
  const TWandRegion region = WandFillRegion(*bitmap, x, y, tolerance);
  if (region.right < region.left) return {};
  const int x0 = region.left, y0 = region.top;
  const Int64 bw = Int64{region.right} - x0 + 1, bh = Int64{region.bottom} - y0 + 1;
  TWandCells cells(4 * bw + 4, 4 * bh + 4);
  // The region plane over the box, grown within the box.
  std::vector<Byte> plane(static_cast<size_t>(bw * bh), 0);
  for (Int64 j = 0; j < bh; ++j)
    for (Int64 i = 0; i < bw; ++i) {
      if (!region.visited.Get(static_cast<int>(x0 + i), static_cast<int>(y0 + j))) continue;
      const int g = grow ? 1 : 0;
      for (Int64 v = std::max<Int64>(0, j - g); v <= std::min(bh - 1, j + g); ++v)
        for (Int64 u = std::max<Int64>(0, i - g); u <= std::min(bw - 1, i + g); ++u)
          plane[static_cast<size_t>(v * bw + u)] = 1;
    }
  for (Int64 j = 0; j < bh; ++j)
    for (Int64 i = 0; i < bw; ++i)
      if (plane[static_cast<size_t>(j * bw + i)])
        for (Int64 r = 4 * j + 2; r < 4 * j + 6; ++r)
          for (Int64 c = 4 * i + 2; c < 4 * i + 6; ++c) cells.At(c, r) = 1;
  cells.MarkRunStarts(true, true);
  cells.MarkRunStarts(true, false);
  cells.MarkRunStarts(false, true);
  cells.MarkRunStarts(false, false);
  // Start: the border cell nearest the corner of the smallest border column
  // and row, the first in row order on ties.
  Int64 minC = LLONG_MAX, minR = LLONG_MAX;
  for (Int64 r = 0; r < cells.Height(); ++r)
    for (Int64 c = 1; c < cells.Width(); ++c)
      if (cells.Get(c, r) == 3) {
        minC = std::min(minC, c);
        minR = std::min(minR, r);
      }
  if (minC == LLONG_MAX) return {};
  Int64 startC = 0, startR = 0, best = LLONG_MAX;
  for (Int64 r = 0; r < cells.Height(); ++r)
    for (Int64 c = 1; c < cells.Width(); ++c)
      if (cells.Get(c, r) == 3) {
        const Int64 d = (c - minC) * (c - minC) + (r - minR) * (r - minR);
        if (d < best) best = d, startC = c, startR = r;
      }
  std::vector<Byte> codes;
  Int64 curC = startC, curR = startR;
  cells.At(curC, curR) = 2;
  int last = 4;
  auto moveTo = [&](int dir) {
    curC += ChainDirections[dir].dx;
    curR += ChainDirections[dir].dy;
    cells.At(curC, curR) = 2;
    codes.push_back(static_cast<Byte>(ChainDirections[dir].code));
  };
  for (;;) {
    if (cells.Get(curC + ChainDirections[last].dx, curR + ChainDirections[last].dy) == 3) moveTo(last);
    int found = -1;
    for (int d = 0; d < 8 && found < 0; ++d)
      if (cells.Get(curC + ChainDirections[d].dx, curR + ChainDirections[d].dy) == 3) found = d;
    if (found < 0) break;
    moveTo(found);
    last = found;
  }
  for (const TWandChainStep& d : ChainDirections)
    if (d.dx == startC - curC && d.dy == startR - curR) {
      codes.push_back(static_cast<Byte>(d.code));
      break;
    }
  std::vector<TPoint> points;
  Int64 px = startC + 4 * Int64{x0} - 1, py = startR + 4 * Int64{y0} - 1;
  points.push_back(TPoint{static_cast<int>(px >> 2), static_cast<int>(py >> 2)});
  int previous = codes.empty() ? 0 : codes[0];
  for (Byte code : codes) {
    if (code != previous) points.push_back(TPoint{static_cast<int>(px >> 2), static_cast<int>(py >> 2)});
    previous = code;
    px += kWandCodeDx[code];
    py += kWandCodeDy[code];
  }
  count = static_cast<int>(points.size());
  return points;
}
