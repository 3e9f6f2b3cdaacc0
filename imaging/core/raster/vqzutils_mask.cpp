#include "imaging/core/raster/vqzutils_mask.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "imaging/core/colour/pictoraproc_bitrows.h"
#include "imaging/core/raster/vqzutils_bitmap.h"

namespace {

// Rows of a mask are padded to 4 bytes.
Int64 MaskRowLength(Int64 width, int bitCount) { return (width * bitCount + 31) / 32 * 4; }

std::unique_ptr<Byte[]> ZeroedPlane(Int64 size) {
  try {
    return std::unique_ptr<Byte[]>(new Byte[static_cast<std::size_t>(size > 0 ? size : 1)]());
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory("Out of memory for a mask of " + std::to_string(size) + " bytes");
  }
}

// ceil(a / b) for b > 0.
Int64 CeilDiv(__int128 a, __int128 b) { return static_cast<Int64>(a >= 0 ? (a + b - 1) / b : -((-a) / b)); }

}  // namespace

TVQMask::TVQMask() {
  BITMAPINFOHEADER& h = bitmapInfo_.bmiHeader;
  h.biSize = 40;
  h.biPlanes = 1;
  h.biBitCount = 1;
  h.biCompression = BI_RGB;
  bitmapInfo_.bmiColors[0] = RGBQUAD{0, 0, 0, 0};
  bitmapInfo_.bmiColors[1] = RGBQUAD{255, 255, 255, 0};
}

TVQMask::~TVQMask() = default;

void TVQMask::FreeOutline() {
  outlineValid_ = false;
  outline_.clear();
  outline_.shrink_to_fit();
  outlineWidth_ = outlineHeight_ = outlineRowLength_ = 0;
}

void TVQMask::AllocateBits(int width, int height, int bitCount) {
  if (bitCount != 1 && bitCount != 8)
    throw EVQBitmapError("A mask has 1 or 8 bits per pixel, not " + std::to_string(bitCount));
  FreeBits();
  EmptyBox();
  Full = false;
  ++changes_;
  width = std::max(width, 0);
  height = std::max(height, 0);
  const Int64 rowLength = MaskRowLength(width, bitCount);
  if (height > 0 && rowLength > VQMaxPixelBlock / height)
    throw EOutOfMemory("Cannot hold a mask of " + std::to_string(width) + " x " + std::to_string(height) + " pixels");
  bitCount_ = bitCount;
  if (width == 0 || height == 0) return;
  bits_ = ZeroedPlane(rowLength * height);
  width_ = width;
  height_ = height;
  rowLength_ = static_cast<int>(rowLength);
}

void TVQMask::FreeBits() {
  ++changes_;
  bits_.reset();
  FreeOutline();
  width_ = height_ = bitCount_ = rowLength_ = 0;
}

void TVQMask::Resize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == width_ && height == height_) return;
  const int bitCount = bitCount_ ? bitCount_ : 1;
  const Int64 rowLength = MaskRowLength(width, bitCount);
  if (height > 0 && rowLength > VQMaxPixelBlock / height)
    throw EOutOfMemory("Cannot hold a mask of " + std::to_string(width) + " x " + std::to_string(height) + " pixels");
  std::unique_ptr<Byte[]> plane = width > 0 && height > 0 ? ZeroedPlane(rowLength * height) : nullptr;
  ++changes_;
  const int rows = std::min(height_, height), columns = std::min(width_, width);
  for (int y = 0; y < rows && bits_; ++y) {
    Byte* to = plane.get() + (height - 1 - y) * rowLength;
    const Byte* from = ReadRow(y);
    // The pixels only: what lay in the old padding is no pixel of the new width.
    if (bitCount == 1)
      CopyBits(to, from, 0, rowLength_, columns, 0);
    else
      std::memcpy(to, from, static_cast<std::size_t>(columns));
  }
  const bool grown = width > width_ || height > height_;
  bits_ = std::move(plane);
  bitCount_ = bitCount;
  width_ = bits_ ? width : 0;
  height_ = bits_ ? height : 0;
  rowLength_ = bits_ ? static_cast<int>(rowLength) : 0;
  if (grown) Full = false;
  // Every box is cut to the new size, a one-column box too, so nothing that
  // walks the box can leave the plane.
  if (!IsEmpty() && (x1_ > width_ - 1 || y1_ > height_ - 1))
    EmptyBox();
  else
    ClampBox();
}

void TVQMask::ClampBox() {
  if (IsEmpty()) return;
  if (width_ <= 0 || height_ <= 0) {
    EmptyBox();
    return;
  }
  x1_ = std::clamp(x1_, 0, width_ - 1);
  x2_ = std::clamp(x2_, 0, width_ - 1);
  y1_ = std::clamp(y1_, 0, height_ - 1);
  y2_ = std::clamp(y2_, 0, height_ - 1);
  if (x1_ > x2_ || y1_ > y2_) EmptyBox();
}

void TVQMask::SetBox(int x1, int y1, int x2, int y2) {
  if (x1 == VQEmptyBox) {
    EmptyBox();
    return;
  }
  x1_ = x1;
  y1_ = y1;
  x2_ = x2;
  y2_ = y2;
  ClampBox();
}

void TVQMask::SyncRect() {
  EmptyBox();
  for (int y = 0; y < height_; ++y) {
    const Byte* row = ReadRow(y);
    int first = -1, last = -1;
    if (bitCount_ == 1) {
      for (int x = 0; x < width_; ++x) {
        if (!row[x >> 3]) {  // a whole clear byte
          x |= 7;
          continue;
        }
        if (GetBit(row, x)) {
          if (first < 0) first = x;
          last = x;
        }
      }
    } else {
      for (int x = 0; x < width_; ++x)
        if (row[x]) {
          if (first < 0) first = x;
          last = x;
        }
    }
    if (first < 0) continue;
    x1_ = std::min(x1_, first);
    x2_ = std::max(x2_, last);
    y1_ = std::min(y1_, y);
    y2_ = std::max(y2_, y);
  }
}

int TVQMask::GetPixel(int x, int y) const {
  if (!bits_ || static_cast<unsigned>(x) >= static_cast<unsigned>(width_) ||
      static_cast<unsigned>(y) >= static_cast<unsigned>(height_))
    return 0;
  const Byte* row = ReadRow(y);
  return bitCount_ == 1 ? (GetBit(row, x) ? 1 : 0) : row[x];
}

void TVQMask::SetPixel(int x, int y, int value) {
  if (!bits_ || static_cast<unsigned>(x) >= static_cast<unsigned>(width_) ||
      static_cast<unsigned>(y) >= static_cast<unsigned>(height_))
    return;
  if (value != 0) {
    x1_ = std::min(x1_, x);
    y1_ = std::min(y1_, y);
    x2_ = std::max(x2_, x);
    y2_ = std::max(y2_, y);
  }
  Byte* row = GetScanline(y);
  if (bitCount_ == 1) {
    ::SetBit(row, x, value != 0);
    if (value == 0) Full = false;
  } else {
    row[x] = static_cast<Byte>(value);
    if (row[x] != 255) Full = false;
  }
}

Byte* TVQMask::GetScanline(int y) {
  ++changes_;
  return const_cast<Byte*>(ReadRow(y));
}

const Byte* TVQMask::GetScanline(int y) const {
  if (!bits_ || static_cast<unsigned>(y) >= static_cast<unsigned>(height_))
    throw EVQBitmapError("Row " + std::to_string(y) + " outside a mask of " + std::to_string(height_) + " rows");
  return bits_.get() + static_cast<Int64>(height_ - 1 - y) * rowLength_;
}

void TVQMask::Fill(int value) {
  ++changes_;
  if (bits_) std::memset(bits_.get(), static_cast<Byte>(value), static_cast<std::size_t>(Int64{rowLength_} * height_));
  Full = static_cast<Byte>(value) == 255 && bits_ != nullptr;
}

void TVQMask::Clear() {
  Fill(0);
  EmptyBox();
}

int TVQMask::FillSpan(int value, int x1, int x2, int y) {
  if (!bits_) return 0;
  y = std::clamp(y, 0, height_ - 1);
  x1 = std::max(x1, 0);
  x2 = std::min(x2, width_ - 1);
  if (x1 > x2) return 0;
  Byte* row = GetScanline(y);
  const int n = x2 - x1 + 1;
  if (bitCount_ == 1) {
    FillBits(row, x1, n, value != 0);
    if (value == 0) Full = false;
  } else {
    std::memset(row + x1, static_cast<Byte>(value), static_cast<std::size_t>(n));
    if (static_cast<Byte>(value) != 255) Full = false;
  }
  return n;
}

void TVQMask::SyncFull() {
  Full = false;
  if (!bits_) return;
  for (int y = 0; y < height_; ++y) {
    const Byte* row = ReadRow(y);
    if (bitCount_ == 1) {
      const int whole = width_ >> 3;
      for (int i = 0; i < whole; ++i)
        if (row[i] != 0xFF) return;
      const int rest = width_ & 7;
      if (rest) {
        const Byte mask = static_cast<Byte>(0xFF00u >> rest);
        if ((row[whole] & mask) != mask) return;
      }
    } else {
      for (int x = 0; x < width_; ++x)
        if (row[x] != 255) return;
    }
  }
  Full = true;
}

// ---- polygons ------------------------------------------------------------------------

void TVQMask::FillPolygons(int value, const TPoint* points, int count) {
  if (!points || count <= 0) return;
  int start = 0;
  for (int i = 0; i <= count; ++i) {
    if (i < count && points[i].X != VQPolygonSeparator) continue;
    if (i > start) FillPolygon(value, points + start, i - start);
    start = i + 1;
  }
  SyncFull();
}

void TVQMask::FillPolygon(int value, const TPoint* points, int n) {
  if (!bits_ || n <= 0) return;
  const int saved[4] = {x1_, y1_, x2_, y2_};
  if (value != 0) {
    for (int i = 0; i < n; ++i) {
      x1_ = std::min(x1_, points[i].X);
      y1_ = std::min(y1_, points[i].Y);
      if (points[i].X > x2_) x2_ = points[i].X - 1;
      if (points[i].Y > y2_) y2_ = points[i].Y - 1;
    }
    ClampBox();
  }

  // Each edge from its upper end to its lower end; horizontal ones add
  // nothing. An edge covers the scan lines from its upper end (inside) to
  // just above its lower end (outside).
  struct Edge {
    Int64 x, y, yEnd, dx, dy;
  };
  std::vector<Edge> edges;
  edges.reserve(static_cast<std::size_t>(n));
  Int64 yLow = points[0].Y, yHigh = points[0].Y;
  for (int i = 0; i < n; ++i) {
    const TPoint& a = points[i];
    const TPoint& b = points[(i + 1) % n];
    yLow = std::min<Int64>(yLow, a.Y);
    yHigh = std::max<Int64>(yHigh, a.Y);
    if (a.Y == b.Y) continue;
    const TPoint& top = a.Y < b.Y ? a : b;
    const TPoint& bottom = a.Y < b.Y ? b : a;
    edges.push_back({top.X, top.Y, bottom.Y, Int64{bottom.X} - top.X, Int64{bottom.Y} - top.Y});
  }
  std::sort(edges.begin(), edges.end(), [](const Edge& p, const Edge& q) { return p.y < q.y; });

  // Only the scan lines inside the mask are walked. x on line y is the edge's
  // x stepped by dx / dy per line with an error term in units of 2 dy that
  // adds one more step (toward dx's sign) once it passes dy: in closed form
  // x + sign * ceil((2 k |dx| - dy) / (2 dy)) for k lines below the top.
  const Int64 first = std::max<Int64>(yLow, 0), last = std::min<Int64>(yHigh, height_) - 1;
  std::vector<const Edge*> active;
  std::vector<Int64> xs;
  std::size_t next = 0;
  Int64 filled = 0;
  for (Int64 y = first; y <= last; ++y) {
    active.erase(std::remove_if(active.begin(), active.end(), [y](const Edge* e) { return e->yEnd <= y; }),
                 active.end());
    for (; next < edges.size() && edges[next].y <= y; ++next)
      if (edges[next].yEnd > y) active.push_back(&edges[next]);
    xs.clear();
    for (const Edge* e : active) {
      const Int64 k = y - e->y;
      const __int128 a = e->dx < 0 ? -__int128{e->dx} : __int128{e->dx};
      const Int64 step = CeilDiv(2 * __int128{k} * a - e->dy, 2 * __int128{e->dy});
      xs.push_back(e->dx < 0 ? e->x - step : e->x + step);
    }
    std::sort(xs.begin(), xs.end());
    for (std::size_t i = 0; i + 1 < xs.size(); i += 2) {
      const Int64 left = std::max<Int64>(xs[i], -1), right = std::min<Int64>(xs[i + 1] - 1, width_);
      if (left <= right)
        filled += FillSpan(value, static_cast<int>(left), static_cast<int>(right), static_cast<int>(y));
    }
  }
  // A polygon that fills nothing leaves the box as it was (empty on a
  // cleared mask), not empty when other polygons are already in the mask.
  if (filled == 0) {
    x1_ = saved[0];
    y1_ = saved[1];
    x2_ = saved[2];
    y2_ = saved[3];
  }
}

// ---- moving ------------------------------------------------------------------------

void TVQMask::MoveBy(int& dx, int& dy, bool clip) {
  if (!bits_ || IsEmpty()) return;
  Int64 x1 = x1_, y1 = y1_, x2 = x2_, y2 = y2_;
  if (clip) {
    if (x1 + dx < 0) x1 = -Int64{dx};
    if (y1 + dy < 0) y1 = -Int64{dy};
    if (x2 + dx >= width_) x2 = width_ - 1 - Int64{dx};
    if (y2 + dy >= height_) y2 = height_ - 1 - Int64{dy};
  } else {
    if (x1 + dx < 0) dx = -x1_;
    if (x2 + dx >= width_) dx = width_ - 1 - x2_;
    if (y1 + dy < 0) dy = -y1_;
    if (y2 + dy >= height_) dy = height_ - 1 - y2_;
  }
  if (dx == 0 && dy == 0) return;
  std::unique_ptr<Byte[]> plane = ZeroedPlane(Int64{rowLength_} * height_);
  if (x1 <= x2 && y1 <= y2) {
    const Int64 count = x2 - x1 + 1;
    for (Int64 y = y1; y <= y2; ++y) {
      const Byte* from = ReadRow(static_cast<int>(y));
      Byte* to = plane.get() + (height_ - 1 - (y + dy)) * rowLength_;
      if (bitCount_ == 1)
        CopyBits(to, from, x1 + dx, rowLength_, count, x1);
      else
        std::memcpy(to + x1 + dx, from + x1, static_cast<std::size_t>(count));
    }
  }
  bits_ = std::move(plane);
  ++changes_;
  Full = false;
  if (x1 > x2 || y1 > y2) {
    EmptyBox();
    return;
  }
  x1_ = static_cast<int>(std::clamp<Int64>(x1 + dx, 0, width_ - 1));
  y1_ = static_cast<int>(std::clamp<Int64>(y1 + dy, 0, height_ - 1));
  x2_ = static_cast<int>(std::clamp<Int64>(x2 + dx, 0, width_ - 1));
  y2_ = static_cast<int>(std::clamp<Int64>(y2 + dy, 0, height_ - 1));
}

// ---- copying images through the mask ------------------------------------------------

namespace {

bool MaskableFormat(TVQPixelFormat f) { return f == vqRGB24 || f == vqGray8 || f == vqPalette8 || f == vqBits1; }

inline Byte Blend(Byte d, Byte s, int m) { return static_cast<Byte>(d + (((int(s) - int(d)) * m) >> 8)); }

}  // namespace

void TVQMask::CopyMasked(TVQBitmap* dest, TVQBitmap* source, bool destAtBox, bool sourceAtBox, bool copyAlpha) {
  if (!bits_ || IsEmpty() || !dest || !source) return;
  const TVQPixelFormat format = dest->GetPixelFormat();
  if (format != source->GetPixelFormat() || !MaskableFormat(format)) return;
  ClampBox();
  if (IsEmpty()) return;
  const int sw = source->GetWidth(), sh = source->GetHeight(), dw = dest->GetWidth(), dh = dest->GetHeight();
  // Box column x reads source column x - sOff and writes dest column x - dOff.
  const int sOff = sourceAtBox ? x1_ : 0, dOff = destAtBox ? x1_ : 0;
  const int sRowOff = sourceAtBox ? y1_ : 0, dRowOff = destAtBox ? y1_ : 0;
  const int xa = std::max({x1_, sOff, dOff});
  const int xb = std::min({x2_, sw - 1 + sOff, dw - 1 + dOff});
  if (xa > xb) return;
  const bool same = dest == source;
  auto readWrite = std::make_unique<TVQViewAccessScope>(*dest, vqReadWrite);
  std::unique_ptr<TVQViewAccessScope> readOnly;
  if (!same) readOnly = std::make_unique<TVQViewAccessScope>(*source, vqRead);
  std::vector<Byte> aside(static_cast<std::size_t>(source->GetRowLength()));
  for (int y = y1_; y <= y2_; ++y) {
    const int sy = y - sRowOff, dy = y - dRowOff;
    if (sy < 0 || sy >= sh || dy < 0 || dy >= dh) continue;
    std::memcpy(aside.data(), source->GetScanline(sy), aside.size());
    const Byte* s = aside.data();
    Byte* d = dest->GetScanline(dy);
    const Byte* m = ReadRow(y);
    for (int x = xa; x <= xb; ++x) {
      const int mv = bitCount_ == 1 ? (GetBit(m, x) ? 256 : 0) : m[x];
      if (mv == 0) continue;
      const int sx = x - sOff, dx = x - dOff;
      switch (format) {
        case vqBits1: ::SetBit(d, dx, GetBit(s, sx)); break;
        case vqRGB24:
          for (int c = 0; c < 3; ++c)
            d[dx * 3 + c] = mv == 256 ? s[sx * 3 + c] : Blend(d[dx * 3 + c], s[sx * 3 + c], mv);
          break;
        default: d[dx] = mv == 256 ? s[sx] : Blend(d[dx], s[sx], mv); break;
      }
    }
  }
  if (!source->Full) dest->Full = false;
  readOnly.reset();
  readWrite.reset();
  if (copyAlpha) CopyMaskedAlpha(dest, source, destAtBox, sourceAtBox);
}

void TVQMask::CopyMaskedAlpha(TVQBitmap* dest, TVQBitmap* source, bool destAtBox, bool sourceAtBox) {
  if (!bits_ || IsEmpty() || !dest) return;
  ClampBox();
  if (IsEmpty()) return;
  TVQBitmap* da = dest->GetAlphaChannel();
  if (!da) return;
  TVQBitmap* sa = source && source->HasAlphaChannel() ? source->GetAlphaChannel() : nullptr;
  const int dw = da->GetWidth(), dh = da->GetHeight();
  const int sw = sa ? sa->GetWidth() : 0, sh = sa ? sa->GetHeight() : 0;
  const int sOff = sourceAtBox ? x1_ : 0, dOff = destAtBox ? x1_ : 0;
  const int sRowOff = sourceAtBox ? y1_ : 0, dRowOff = destAtBox ? y1_ : 0;
  const int xa = std::max(x1_, dOff), xb = std::min(x2_, dw - 1 + dOff);
  if (xa > xb) return;
  std::vector<Byte> aside(sa ? static_cast<std::size_t>(sa->GetRowLength()) : 0);
  TVQViewAccessScope readWrite(*da, vqReadWrite);
  for (int y = y1_; y <= y2_; ++y) {
    const int dy = y - dRowOff, sy = y - sRowOff;
    if (dy < 0 || dy >= dh) continue;
    const bool sourceRow = sa && sy >= 0 && sy < sh;
    if (sourceRow) std::memcpy(aside.data(), sa->GetScanline(sy), aside.size());
    Byte* d = da->GetScanline(dy);
    const Byte* m = ReadRow(y);
    for (int x = xa; x <= xb; ++x) {
      const int mv = bitCount_ == 1 ? (GetBit(m, x) ? 255 : 0) : m[x];
      const int sx = x - sOff;
      const int alpha = sourceRow && sx >= 0 && sx < sw ? aside[static_cast<std::size_t>(sx)] : 255;
      d[x - dOff] = static_cast<Byte>(mv == 0 ? 0 : std::min(alpha, mv));
    }
  }
  da->Full = false;
}
