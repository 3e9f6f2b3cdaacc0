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

// The cell grid: 0 outside, 1 region, 3 border, 2 traced border; two bits
// a cell, so a whole photo's box needs four bytes a pixel.
class TWandCells {
 public:
  TWandCells(Int64 w, Int64 h) : w_(w), h_(h) {
    if ((w * h + 3) / 4 > VQMaxPixelBlock) throw EOutOfMemory("The region is too large to outline");
    cells_.assign(static_cast<size_t>((w * h + 3) / 4), 0);
  }
  Int64 Width() const { return w_; }
  Int64 Height() const { return h_; }
  int Get(Int64 c, Int64 r) const {
    if (c < 0 || r < 0 || c >= w_ || r >= h_) return 0;
    const Int64 i = r * w_ + c;
    return (cells_[static_cast<size_t>(i >> 2)] >> ((i & 3) * 2)) & 3;
  }
  void Set(Int64 c, Int64 r, int v) {
    const Int64 i = r * w_ + c;
    Byte& b = cells_[static_cast<size_t>(i >> 2)];
    const int shift = static_cast<int>(i & 3) * 2;
    b = static_cast<Byte>((b & ~(3 << shift)) | (v << shift));
  }

  // The cells of row r packed four to a byte (rows start on a byte, the
  // width being a multiple of four).
  Byte* PackedRow(Int64 r) { return cells_.data() + static_cast<size_t>(r * w_ / 4); }

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
  // Region pixels of the box, grown within the box, one row at a time.
  const int g = grow ? 1 : 0;
  std::vector<Byte> pixels(static_cast<size_t>(bw));
  auto regionRow = [&](Int64 j) {
    for (Int64 i = 0; i < bw; ++i) {
      bool on = false;
      for (Int64 v = std::max<Int64>(0, j - g); v <= std::min(bh - 1, j + g) && !on; ++v)
        for (Int64 u = std::max<Int64>(0, i - g); u <= std::min(bw - 1, i + g) && !on; ++u)
          on = region.visited.Get(static_cast<int>(x0 + u), static_cast<int>(y0 + v));
      pixels[static_cast<size_t>(i)] = on;
    }
  };
  // Cell rows unpacked: pixel (i, j) covers cells 4i + 2 to 4i + 5 of rows
  // 4j + 2 to 4j + 5, so the four rows of a pixel row are alike; rows of no
  // pixel row are empty. Two pixel rows are kept at a time.
  const Int64 gw = cells.Width(), gh = cells.Height();
  const std::vector<Byte> emptyRow(static_cast<size_t>(gw), 0);
  std::vector<Byte> slot[2] = {std::vector<Byte>(static_cast<size_t>(gw)), std::vector<Byte>(static_cast<size_t>(gw))};
  Int64 slotRow[2] = {-1, -1};
  auto cellRow = [&](Int64 r) -> const Byte* {
    if (r < 2 || r >= 4 * bh + 2) return emptyRow.data();
    const Int64 j = (r - 2) / 4;
    for (int k = 0; k < 2; ++k)
      if (slotRow[k] == j) return slot[k].data();
    const int k = slotRow[0] < slotRow[1] ? 0 : 1;  // the older pixel row goes
    regionRow(j);
    std::fill(slot[k].begin(), slot[k].end(), 0);
    for (Int64 i = 0; i < bw; ++i)
      if (pixels[static_cast<size_t>(i)]) std::fill_n(slot[k].begin() + 4 * i + 2, 4, Byte{1});
    slotRow[k] = j;
    return slot[k].data();
  };
  // Border cells (3): cells not in the region beside a region cell
  // horizontally or vertically, which are the cells each of the four run
  // sweeps marks (before or after a run of a row or a column).
  Int64 minC = LLONG_MAX, minR = LLONG_MAX;
  std::vector<Byte> marked(static_cast<size_t>(gw));
  for (Int64 r = 0; r < gh; ++r) {
    const Byte* up = cellRow(r - 1);
    const Byte* cur = cellRow(r);
    const Byte* down = cellRow(r + 1);
    for (Int64 c = 0; c < gw; ++c) {
      Byte v = cur[c];
      if (v != 1 && ((c > 0 && cur[c - 1] == 1) || (c + 1 < gw && cur[c + 1] == 1) || up[c] == 1 || down[c] == 1)) {
        v = 3;
        if (c >= 1) {
          minC = std::min(minC, c);
          minR = std::min(minR, r);
        }
      }
      marked[static_cast<size_t>(c)] = v;
    }
    Byte* packed = cells.PackedRow(r);
    for (Int64 k = 0; k < gw / 4; ++k)
      packed[k] = static_cast<Byte>(marked[4 * k] | (marked[4 * k + 1] << 2) | (marked[4 * k + 2] << 4) |
                                    (marked[4 * k + 3] << 6));
  }
  // Start: the border cell nearest the corner of the smallest border column
  // and row, the first in row order on ties; rows further than the best
  // distance so far cannot hold it.
  if (minC == LLONG_MAX) return {};
  Int64 startC = 0, startR = 0, best = LLONG_MAX;
  for (Int64 r = minR; r < gh && (r - minR) * (r - minR) <= best; ++r)
    for (Int64 c = 1; c < gw; ++c)
      if (cells.Get(c, r) == 3) {
        const Int64 d = (c - minC) * (c - minC) + (r - minR) * (r - minR);
        if (d < best) best = d, startC = c, startR = r;
      }
  std::vector<Byte> codes;
  Int64 curC = startC, curR = startR;
  cells.Set(curC, curR, 2);
  int last = 4;
  auto moveTo = [&](int dir) {
    curC += ChainDirections[dir].dx;
    curR += ChainDirections[dir].dy;
    cells.Set(curC, curR, 2);
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
