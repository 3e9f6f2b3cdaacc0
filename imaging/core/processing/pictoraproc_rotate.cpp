#include "imaging/core/processing/pictoraproc_rotate.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/core/processing/pictoraproc_rotate_rows.h"
#include "imaging/core/processing/pictoraproc_rotate_shear.h"
#include "imaging/core/raster/vqzutils_rowwalk.h"
#include "platform/rtl/ParallelRows.h"

TVQBitmap& RotMemoryRows(TVQBitmap& b, std::unique_ptr<TVQBitmap>& holder) {
  if (!VQRowTable(b).empty()) return b;
  holder = std::make_unique<TVQBitmap>();
  holder->MemoryThreshold = LLONG_MAX;
  holder->SetLocation(vqMemoryBuffer);
  holder->Assign(&b);
  if (VQRowTable(*holder).empty()) throw EOutOfMemory("No memory for a working copy of the image");
  return *holder;
}

void RotWriteRows(TVQBitmap& dst, const TVQRotBand& body, bool parallel) {
  const int h = dst.GetHeight();
  std::vector<Byte*> table = VQRowTable(dst);
  if (!table.empty() && parallel) {
    ParallelRows(h, [&](int first, int last) { body(first, last, table.data() + first); });
    return;
  }
  for (int y = 0; y < h; ++y) {
    Byte* row = table.empty() ? dst.GetScanline(y) : table[y];
    body(y, y + 1, &row);
  }
  if (table.empty()) dst.ReleaseViews();
}

void RotSetAlphaFrom(TVQBitmap& image, TVQBitmap& plane) {
  TVQBitmap* alpha = image.GetAlphaChannel();
  if (!alpha) return;
  const std::vector<Byte*> src = VQRowTable(plane);
  const int w = plane.GetWidth();
  RotWriteRows(*alpha, [&](int first, int last, Byte* const* rows) {
    for (int y = first; y < last; ++y) std::memcpy(rows[y - first], src[y], w);
  });
  alpha->SyncAlphaFull();
}

namespace {

// turn: 1 a quarter counter-clockwise, 2 a half turn, 3 a quarter clockwise.
// Destination pixel (X, Y) takes source pixel (SourceX, SourceY).
struct TRotQuarterMap {
  int turn, sw, sh;
  int SourceX(int X, int Y) const { return turn == 1 ? sw - 1 - Y : turn == 2 ? sw - 1 - X : Y; }
  int SourceY(int X, int Y) const { return turn == 1 ? X : turn == 2 ? sh - 1 - Y : sh - 1 - X; }
};

// Whole pixels of P bytes. Destination rows go in blocks so that one source
// row feeds several destination rows from neighbouring bytes.
template <int P>
void RotQuarterBytes(const std::vector<Byte*>& src, const TRotQuarterMap& m, int dw, int first, int last,
                     Byte* const* rows) {
  if (m.turn == 2) {
    for (int Y = first; Y < last; ++Y) {
      const Byte* s = src[m.sh - 1 - Y] + static_cast<Int64>(m.sw - 1) * P;
      Byte* d = rows[Y - first];
      for (int X = 0; X < dw; ++X, d += P, s -= P) std::memcpy(d, s, P);
    }
    return;
  }
  // Tiles of kBlock x kBlock pixels: the source tile stays in the first
  // cache level while each destination row takes its run of it.
  constexpr int kBlock = 64;
  for (int Y0 = first; Y0 < last; Y0 += kBlock) {
    const int n = std::min(kBlock, last - Y0);
    for (int X0 = 0; X0 < dw; X0 += kBlock) {
      const int xn = std::min(kBlock, dw - X0);
      for (int k = 0; k < n; ++k) {
        const int Y = Y0 + k;
        Byte* d = rows[Y - first] + static_cast<Int64>(X0) * P;
        if (m.turn == 1) {
          // Row Y takes column sw - 1 - Y of source rows X.
          const Int64 col = static_cast<Int64>(m.sw - 1 - Y) * P;
          for (int i = 0; i < xn; ++i, d += P) std::memcpy(d, src[X0 + i] + col, P);
        } else {
          // Row Y takes column Y of source rows sh - 1 - X.
          const Int64 col = static_cast<Int64>(Y) * P;
          for (int i = 0; i < xn; ++i, d += P) std::memcpy(d, src[m.sh - 1 - X0 - i] + col, P);
        }
      }
    }
  }
}

inline bool RotBit(const Byte* row, int x) { return (row[x >> 3] >> (7 - (x & 7))) & 1; }

void RotQuarterBits(const std::vector<Byte*>& src, const TRotQuarterMap& m, int dw, int rowLength, int first,
                    int last, Byte* const* rows) {
  for (int Y = first; Y < last; ++Y) {
    Byte* d = rows[Y - first];
    std::memset(d, 0, rowLength);
    for (int X = 0; X < dw; ++X)
      if (RotBit(src[m.SourceY(X, Y)], m.SourceX(X, Y))) d[X >> 3] |= static_cast<Byte>(0x80 >> (X & 7));
  }
}

void RotCopyPalette(TVQBitmap& from, TVQBitmap& to) {
  const TRGBPixel* p = from.Palette();
  for (int i = 0; p && i < from.PaletteCount(); ++i) to.SetPaletteColor(i, p[i]);
}

// The pixels of src (rows in memory) turned into dst, allocated at the
// turned size in src's format.
void RotQuarterPlane(TVQBitmap& src, TVQBitmap& dst, int turn) {
  const int sw = src.GetWidth(), sh = src.GetHeight();
  const TVQPixelFormat format = src.GetPixelFormat();
  const bool across = turn != 2;
  dst.Allocate(across ? sh : sw, across ? sw : sh, format);
  RotCopyPalette(src, dst);
  const std::vector<Byte*> table = VQRowTable(src);
  const TRotQuarterMap m{turn, sw, sh};
  const int dw = dst.GetWidth(), rowLength = dst.GetRowLength();
  const int bytes = PixelFormatBits(format) / 8;
  RotWriteRows(dst, [&](int first, int last, Byte* const* rows) {
    switch (bytes) {
      case 0: RotQuarterBits(table, m, dw, rowLength, first, last, rows); break;
      case 1: RotQuarterBytes<1>(table, m, dw, first, last, rows); break;
      case 2: RotQuarterBytes<2>(table, m, dw, first, last, rows); break;
      case 3: RotQuarterBytes<3>(table, m, dw, first, last, rows); break;
      default: RotQuarterBytes<4>(table, m, dw, first, last, rows); break;
    }
  });
}

// source turned into destination with its alpha channel; destination may
// be source itself (its storage is taken over first).
void RotQuarterBitmap(TVQBitmap& source, TVQBitmap& destination, int turn) {
  if (source.IsEmpty()) return;
  TVQBitmap taken;
  TVQBitmap* from = &source;
  if (&source == &destination) {
    taken.MemoryThreshold = LLONG_MAX;
    source.TransferTo(&taken);
    from = &taken;
  }
  const bool full = from->Full;
  const Byte biLevel = from->BiLevelMethod;
  std::unique_ptr<TVQBitmap> holder, alphaHolder;
  try {
    RotQuarterPlane(RotMemoryRows(*from, holder), destination, turn);
  } catch (...) {
    // The caller keeps the picture it had.
    if (from == &taken) taken.TransferTo(&source);
    throw;
  }
  destination.Full = full;
  destination.BiLevelMethod = biLevel;
  if (from->HasAlphaChannel()) {
    TVQBitmap plane;
    plane.MemoryThreshold = LLONG_MAX;
    plane.SetLocation(vqMemoryBuffer);
    RotQuarterPlane(RotMemoryRows(*from->GetAlphaChannel(), alphaHolder), plane, turn);
    RotSetAlphaFrom(destination, plane);
  }
}

// ---- flips -----------------------------------------------------------------

template <int P>
void FlipRowBytes(Byte* row, int w) {
  Byte t[P];
  for (int a = 0, b = w - 1; a < b; ++a, --b) {
    std::memcpy(t, row + static_cast<Int64>(a) * P, P);
    std::memcpy(row + static_cast<Int64>(a) * P, row + static_cast<Int64>(b) * P, P);
    std::memcpy(row + static_cast<Int64>(b) * P, t, P);
  }
}

void FlipRowBits(Byte* row, int w, std::vector<Byte>& scratch) {
  const int bytes = (w + 7) / 8;
  scratch.assign(row, row + bytes);
  std::memset(row, 0, bytes);
  for (int x = 0; x < w; ++x)
    if (RotBit(scratch.data(), w - 1 - x)) row[x >> 3] |= static_cast<Byte>(0x80 >> (x & 7));
}

void FlipPlane(TVQBitmap& b, int direction) {
  const int w = b.GetWidth(), h = b.GetHeight(), rowLength = b.GetRowLength();
  const int bytes = PixelFormatBits(b.GetPixelFormat()) / 8;
  std::vector<Byte*> table = VQRowTable(b);
  if (direction == 1) {
    if (table.empty()) {
      std::vector<Byte> top(rowLength);
      for (int y = 0, z = h - 1; y < z; ++y, --z) {
        std::memcpy(top.data(), b.GetScanline(y), rowLength);
        const Byte* bottom = b.GetScanline(z);
        std::vector<Byte> keep(bottom, bottom + rowLength);
        std::memcpy(b.GetScanline(z), top.data(), rowLength);
        std::memcpy(b.GetScanline(y), keep.data(), rowLength);
      }
      b.ReleaseViews();
      return;
    }
    ParallelRows(h / 2, [&](int first, int last) {
      std::vector<Byte> t(rowLength);
      for (int y = first; y < last; ++y) {
        std::memcpy(t.data(), table[y], rowLength);
        std::memcpy(table[y], table[h - 1 - y], rowLength);
        std::memcpy(table[h - 1 - y], t.data(), rowLength);
      }
    });
    return;
  }
  RotWriteRows(b, [&](int first, int last, Byte* const* rows) {
    std::vector<Byte> scratch;
    for (int k = 0; k < last - first; ++k) {
      switch (bytes) {
        case 0: FlipRowBits(rows[k], w, scratch); break;
        case 1: FlipRowBytes<1>(rows[k], w); break;
        case 2: FlipRowBytes<2>(rows[k], w); break;
        case 3: FlipRowBytes<3>(rows[k], w); break;
        default: FlipRowBytes<4>(rows[k], w); break;
      }
    }
  });
}

// Trunc(angle x 1000) mod 360000, sign following the angle, in millidegrees.
Int64 RotMillidegrees(double angle) {
  const double scaled = angle * 1000;
  if (std::fabs(scaled) < 9e18) return static_cast<Int64>(scaled) % 360000;
  return static_cast<Int64>(std::fmod(angle, 360.0) * 1000) % 360000;
}

}  // namespace

void Rotate90Clockwise(TVQBitmap* source, TVQBitmap* destination) {
  if (source && destination) RotQuarterBitmap(*source, *destination, 3);
}

void Rotate90CounterClockwise(TVQBitmap* source, TVQBitmap* destination) {
  if (source && destination) RotQuarterBitmap(*source, *destination, 1);
}

void FlipBitmap(TVQBitmap* bitmap, int direction) {
  if (!bitmap || bitmap->IsEmpty() || (direction != 0 && direction != 1)) return;
  FlipPlane(*bitmap, direction);
  if (bitmap->HasAlphaChannel()) FlipPlane(*bitmap->GetAlphaChannel(), direction);
}

void RotateBitmap(TVQBitmap* bitmap, double angle, bool antialias, std::uint32_t background,
                  TVQProgressRec* progress) {
  if (!bitmap || bitmap->IsEmpty() || angle == 0 || !std::isfinite(angle)) return;
  const TRGBPixel bg{static_cast<Byte>(background), static_cast<Byte>(background >> 8),
                     static_cast<Byte>(background >> 16)};
  if (bitmap->GetPixelFormat() == vqBits1) {
    RotateBits1(bitmap, bg.r != 0 && bg.g != 0 && bg.b != 0, progress, angle);
    return;
  }
  double c = RotMillidegrees(angle) / 1000.0;
  int quarters = 0;
  while (c > 45) c -= 90, ++quarters;
  while (c < -45) c += 90, --quarters;
  quarters = ((quarters % 4) + 4) % 4;
  if (quarters) RotQuarterBitmap(*bitmap, *bitmap, quarters);
  if (c == 0) return;
  if (bitmap->GetPixelFormat() != vqRGB24) bitmap->ConvertPixelFormat(vqRGB24);
  RotShearBitmap(*bitmap, c, antialias, bg, progress);
}

void RotateBits1(TVQBitmap* bitmap, bool whiteBackground, TVQProgressRec* progress, double angle) {
  if (!bitmap || bitmap->IsEmpty() || bitmap->GetPixelFormat() != vqBits1 || !std::isfinite(angle)) return;
  if (angle == 90) return RotQuarterBitmap(*bitmap, *bitmap, 1);
  if (angle == -90 || angle == 270) return RotQuarterBitmap(*bitmap, *bitmap, 3);
  if (angle == 180 || angle == -180) return RotQuarterBitmap(*bitmap, *bitmap, 2);
  RotMapBits1(*bitmap, whiteBackground, progress, angle);
}
