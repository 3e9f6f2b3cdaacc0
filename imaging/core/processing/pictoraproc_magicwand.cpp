#include "imaging/core/processing/pictoraproc_magicwand.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "imaging/core/processing/pictoraproc_magicwand_plane.h"
#include "imaging/core/raster/vqzutils_mask.h"
#include "imaging/core/raster/vqzutils_pixelrows.h"
#include "imaging/core/raster/vqzutils_rowwalk.h"
#include "platform/rtl/ParallelRows.h"

TWandPlane::TWandPlane(int w, int h) : width(w), height(h), rowBytes(w / 8 + 1) {
  bits.assign(static_cast<size_t>(rowBytes) * h, 0);
}

TWandPlane WandMatchPlane(TVQBitmap& bitmap, TRGBPixel seed, int tolerance) {
  const int w = bitmap.GetWidth(), h = bitmap.GetHeight();
  TWandPlane plane(w, h);
  const TVQPixelFormat format = bitmap.GetPixelFormat();
  const TRGBPixel* palette = bitmap.Palette();
  auto matchRow = [&](const Byte* row, int y, std::vector<TRGBPixel>& rgb) {
    VQColorRow(format, row, w, palette, rgb.data());
    Byte* out = plane.Row(y);
    for (int x = 0; x < w; ++x) {
      const TRGBPixel p = rgb[x];
      const bool near = std::abs(p.r - seed.r) <= tolerance && std::abs(p.g - seed.g) <= tolerance &&
                        std::abs(p.b - seed.b) <= tolerance;
      if (near) out[x >> 3] |= static_cast<Byte>(0x80 >> (x & 7));
    }
  };
  const std::vector<Byte*> table = VQRowTable(bitmap);
  if (table.empty()) {
    std::vector<TRGBPixel> rgb(w);
    for (int y = 0; y < h; ++y) matchRow(bitmap.GetScanline(y), y, rgb);
    return plane;
  }
  ParallelRows(h, [&](int first, int last) {
    std::vector<TRGBPixel> rgb(w);
    for (int y = first; y < last; ++y) matchRow(table[y], y, rgb);
  });
  return plane;
}

namespace {

// Bits [x1, x2] of a row set or cleared, whole bytes at a time in between.
void WandBitRange(Byte* row, int x1, int x2, bool on) {
  while (x1 <= x2 && (x1 & 7)) {
    const Byte bit = static_cast<Byte>(0x80 >> (x1 & 7));
    row[x1 >> 3] = on ? (row[x1 >> 3] | bit) : (row[x1 >> 3] & ~bit);
    ++x1;
  }
  if (x2 - x1 + 1 >= 8) {
    const int bytes = (x2 - x1 + 1) / 8;
    std::memset(row + (x1 >> 3), on ? 0xFF : 0x00, bytes);
    x1 += bytes * 8;
  }
  for (; x1 <= x2; ++x1) {
    const Byte bit = static_cast<Byte>(0x80 >> (x1 & 7));
    row[x1 >> 3] = on ? (row[x1 >> 3] | bit) : (row[x1 >> 3] & ~bit);
  }
}

inline bool WandBit(const Byte* row, int x) { return (row[x >> 3] >> (7 - (x & 7))) & 1; }

// The first x from px up to limit (exclusive) whose bit differs from want.
int WandScanRight(const Byte* row, int px, int limit, bool want) {
  const Byte full = want ? 0xFF : 0x00;
  while (px < limit) {
    if (!(px & 7) && px + 8 <= limit && row[px >> 3] == full) px += 8;
    else if (WandBit(row, px) == want) ++px;
    else break;
  }
  return px;
}

// The first x from px down to 0 whose bit is clear (-1 when none).
int WandScanLeft(const Byte* row, int px) {
  while (px >= 0) {
    if ((px & 7) == 7 && row[px >> 3] == 0xFF) px -= 8;
    else if (WandBit(row, px)) --px;
    else break;
  }
  return px;
}

}  // namespace

TWandRegion WandFillRegion(TVQBitmap& bitmap, int x, int y, int tolerance) {
  const int w = bitmap.GetWidth(), h = bitmap.GetHeight();
  TWandRegion region{TWandPlane(w, h), INT_MAX, INT_MAX, 0, 0};
  TWandPlane avail = WandMatchPlane(bitmap, bitmap.GetPixelRGB(x, y), tolerance);
  auto open = [&](int px, int py) { return avail.Get(px, py); };
  // Takes pixels [x1, x2] of row py.
  auto take = [&](int x1, int x2, int py) {
    WandBitRange(avail.Row(py), x1, x2, false);
    WandBitRange(region.visited.Row(py), x1, x2, true);
    region.left = std::min(region.left, x1);
    region.right = std::max(region.right, x2);
    region.top = std::min(region.top, py);
    region.bottom = std::max(region.bottom, py);
  };
  struct TWandSegment {
    int y, xl, xr, dy;
  };
  std::vector<TWandSegment> stack;
  stack.reserve(2 * static_cast<size_t>(w));
  // A segment is kept only when the row it leads to lies in the image.
  auto push = [&](int sy, int xl, int xr, int dy) {
    if (sy + dy >= 0 && sy + dy < h) stack.push_back({sy, xl, xr, dy});
  };
  if (!open(x, y)) return region;
  push(y, x, x, 1);
  push(y + 1, x, x, -1);
  while (!stack.empty()) {
    const TWandSegment s = stack.back();
    stack.pop_back();
    const int dy = s.dy, row = s.y + dy, x1 = s.xl, x2 = s.xr;
    // The segment [x1, x2] of row - dy is taken; explore row.
    const Byte* bits = avail.Row(row);
    int px = WandScanLeft(bits, x1);
    bool skip = px >= x1;  // nothing at x1
    int left = px + 1;
    if (!skip) {
      take(px + 1, x1, row);
      if (left < x1) push(row, left, x1 - 1, -dy);
      px = x1 + 1;
    }
    do {
      if (!skip) {
        const int start = px;
        px = WandScanRight(bits, px, w, true);
        if (px > start) take(start, px - 1, row);
        push(row, left, px - 1, dy);
        if (px > x2 + 1) push(row, x2 + 1, px - 1, -dy);
      }
      skip = false;
      px = WandScanRight(bits, px + 1, x2 + 1, false);
      left = px;
    } while (px <= x2);
  }
  return region;
}

namespace {

// Row y of the plane grown by one pixel each way (rows y - 1 to y + 1).
void WandGrownRow(const TWandPlane& p, int y, std::vector<Byte>& out) {
  std::fill(out.begin(), out.end(), 0);
  for (int r = std::max(0, y - 1); r <= std::min(p.height - 1, y + 1); ++r) {
    const Byte* row = p.Row(r);
    for (int i = 0; i < p.rowBytes; ++i) {
      const Byte b = row[i];
      if (!b) continue;
      out[i] |= static_cast<Byte>(b | (b << 1) | (b >> 1));
      if (i > 0 && (b & 0x80)) out[i - 1] |= 0x01;
      if (i + 1 < p.rowBytes && (b & 0x01)) out[i + 1] |= 0x80;
    }
  }
}

// Runs of set bits of a row [x1, x2] into the mask.
void WandRowToMask(const Byte* bits, int x1, int x2, int y, int value, TVQMask& mask) {
  int x = x1;
  while (x <= x2) {
    x = WandScanRight(bits, x, x2 + 1, false);
    if (x > x2) break;
    const int start = x;
    x = WandScanRight(bits, x, x2 + 1, true);
    mask.FillSpan(value, start, x - 1, y);
  }
}

// Widens the mask's box by the rectangle when the value marks pixels.
void WandWidenBox(TVQMask& mask, int value, int x1, int y1, int x2, int y2) {
  if (value == 0 || x1 > x2 || y1 > y2) return;
  x1 = std::max(x1, 0);
  y1 = std::max(y1, 0);
  x2 = std::min(x2, mask.Width() - 1);
  y2 = std::min(y2, mask.Height() - 1);
  if (x1 > x2 || y1 > y2) return;
  if (mask.IsEmpty()) mask.SetBox(x1, y1, x2, y2);
  else
    mask.SetBox(std::min(x1, mask.X1()), std::min(y1, mask.Y1()), std::max(x2, mask.X2()), std::max(y2, mask.Y2()));
}

bool WandInside(TVQBitmap* bitmap, int x, int y) {
  return bitmap && !bitmap->IsEmpty() && x >= 0 && y >= 0 && x < bitmap->GetWidth() && y < bitmap->GetHeight();
}

}  // namespace

void MagicWandFill(TVQBitmap* bitmap, int x, int y, int maskValue, TVQMask* mask, int tolerance, bool grow) {
  if (!mask || !WandInside(bitmap, x, y)) return;
  const TWandRegion region = WandFillRegion(*bitmap, x, y, tolerance);
  if (region.right < region.left) return;
  const TWandPlane& v = region.visited;
  const int g = grow ? 1 : 0;
  const int x1 = std::max(0, region.left - g), x2 = std::min(v.width - 1, region.right + g);
  const int y1 = std::max(0, region.top - g), y2 = std::min(v.height - 1, region.bottom + g);
  std::vector<Byte> grown(v.rowBytes);
  for (int row = y1; row <= y2 && row < mask->Height(); ++row) {
    const Byte* bits = v.Row(row);
    if (grow) {
      WandGrownRow(v, row, grown);
      bits = grown.data();
    }
    WandRowToMask(bits, x1, std::min(x2, mask->Width() - 1), row, maskValue, *mask);
  }
  WandWidenBox(*mask, maskValue, x1, y1, x2, y2);
}

void MagicWandGlobal(TVQBitmap* bitmap, int x, int y, int maskValue, TVQMask* mask, int tolerance) {
  if (!mask || !WandInside(bitmap, x, y)) return;
  const TWandPlane match = WandMatchPlane(*bitmap, bitmap->GetPixelRGB(x, y), tolerance);
  int x1 = INT_MAX, y1 = INT_MAX, x2 = -1, y2 = -1;
  for (int row = 0; row < match.height && row < mask->Height(); ++row) {
    const Byte* bits = match.Row(row);
    const int last = std::min(match.width, mask->Width()) - 1;
    for (int px = 0; px <= last; ++px)
      if ((bits[px >> 3] >> (7 - (px & 7))) & 1) {
        x1 = std::min(x1, px);
        x2 = std::max(x2, px);
        y1 = std::min(y1, row);
        y2 = row;
        break;
      }
    for (int px = last; px >= 0 && px > x2 - 1; --px)
      if ((bits[px >> 3] >> (7 - (px & 7))) & 1) {
        x2 = std::max(x2, px);
        break;
      }
    WandRowToMask(bits, 0, last, row, maskValue, *mask);
  }
  WandWidenBox(*mask, maskValue, x1, y1, x2, y2);
}
