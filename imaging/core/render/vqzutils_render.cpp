#include "imaging/core/render/vqzutils_render.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "imaging/core/processing/pictoraproc_resample_rows.h"
#include "imaging/core/raster/vqzutils_pixelrows.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/ParallelRows.h"

namespace {

enum class TRenderKind { RGB24, Bits1, Gray8, Palette8, Gray16, Float, CMYK };

// What a row needs besides the source row: lookup tables of the format's
// conversion and of the 24-bit display adjustments.
struct TRenderLuts {
  Byte grey[65536];  // Gray8 (256 used) and Gray16 windows
  TRGBPixel palette[256];
  Byte adjust[3][256];  // blue, green, red
  bool adjusted = false;
  bool window = false;
  double low = 0, high = 0;
  const Byte* blend = nullptr;
};

Byte RenderWindow(double v, double low, double high) {
  // Clamped into the window's integer bounds (GrayLow, GrayHigh truncated)
  // and scaled by its true width.
  const double lo = std::trunc(low), hi = std::trunc(high);
  v = std::max(lo, std::min(v, hi));
  const double q = std::trunc((v - lo) / (high - low) * 255);
  return static_cast<Byte>(q < 0 ? 0 : q > 255 ? 255 : q);
}

Byte RenderFloatGrey(float f, const TRenderLuts& l) {
  if (std::isnan(f)) return 0;
  if (!l.window) return static_cast<Byte>(VQFloatIntegerBits(f, 255, 0xFF));
  const double v = std::max(l.low, std::min(static_cast<double>(f), l.high));
  const double q = std::trunc((v - l.low) / (l.high - l.low) * 255);
  return static_cast<Byte>(q < 0 ? 0 : q > 255 ? 255 : q);
}

void RenderBuildLuts(TVQBitmap& src, TRenderKind kind, TVQBlendOperation op, TRenderLuts& l) {
  l.window = src.GrayHigh - src.GrayLow != 0 && std::isfinite(src.GrayHigh - src.GrayLow);
  l.low = src.GrayLow, l.high = src.GrayHigh;
  if (kind == TRenderKind::Gray8 || kind == TRenderKind::Gray16) {
    const int n = kind == TRenderKind::Gray8 ? 256 : 65536;
    for (int v = 0; v < n; ++v)
      l.grey[v] = l.window ? RenderWindow(v, src.GrayLow, src.GrayHigh)
                           : static_cast<Byte>(kind == TRenderKind::Gray8 ? v : v >> 8);
  }
  if (kind == TRenderKind::Palette8) {
    std::fill(l.palette, l.palette + 256, TRGBPixel{});
    for (int i = 0; i < std::min(256, src.PaletteCount()); ++i) l.palette[i] = src.Palette()[i];
  }
  if (kind == TRenderKind::RGB24 && (src.OffsetsOn || src.Contrast != 0 || op != boCopy)) {
    l.adjusted = true;
    const double c = src.Contrast;
    const Int64 factor = static_cast<Int64>(c < 0 ? (1 - std::sqrt(-c) / 10) * 65536 : (c / 10 + 1) * 65536);
    const int offsets[3] = {src.OffsetsOn ? src.BlueOffset : 0, src.OffsetsOn ? src.GreenOffset : 0,
                            src.OffsetsOn ? src.RedOffset : 0};
    for (int ch = 0; ch < 3; ++ch)
      for (int v = 0; v < 256; ++v) {
        const Int64 t = factor * (Int64(v) + offsets[ch] - 128);
        const Int64 q = (t >= 0 ? t / 65536 : -((-t + 65535) / 65536)) + 128;  // floor
        l.adjust[ch][v] = static_cast<Byte>(q < 0 ? 0 : q > 255 ? 255 : q);
      }
    if (BlendIsPerChannel(op)) l.blend = BlendTable(op);
  }
}

// The source colours of destination columns first..last of one row.
void RenderFetch(TRenderKind kind, const Byte* s, const int* cols, int n, const TRenderLuts& l, Byte* out) {
  switch (kind) {
    case TRenderKind::RGB24:
      for (int i = 0; i < n; ++i) std::memcpy(out + 3 * i, s + 3 * cols[i], 3);
      break;
    case TRenderKind::Bits1:
      for (int i = 0; i < n; ++i) {
        const Byte v = (s[cols[i] >> 3] >> (7 - (cols[i] & 7))) & 1 ? 255 : 0;
        out[3 * i] = out[3 * i + 1] = out[3 * i + 2] = v;
      }
      break;
    case TRenderKind::Gray8:
      for (int i = 0; i < n; ++i) out[3 * i] = out[3 * i + 1] = out[3 * i + 2] = l.grey[s[cols[i]]];
      break;
    case TRenderKind::Palette8:
      for (int i = 0; i < n; ++i) {
        const TRGBPixel p = l.palette[s[cols[i]]];
        out[3 * i] = p.b, out[3 * i + 1] = p.g, out[3 * i + 2] = p.r;
      }
      break;
    case TRenderKind::Gray16:
      for (int i = 0; i < n; ++i) {
        std::uint16_t v;
        std::memcpy(&v, s + 2 * cols[i], 2);
        out[3 * i] = out[3 * i + 1] = out[3 * i + 2] = l.grey[v];
      }
      break;
    case TRenderKind::Float:
      for (int i = 0; i < n; ++i)
        out[3 * i] = out[3 * i + 1] = out[3 * i + 2] = RenderFloatGrey(VQLoadFloat(s + 4 * cols[i]), l);
      break;
    case TRenderKind::CMYK:
      for (int i = 0; i < n; ++i) {
        TCMYKPixel c;
        std::memcpy(&c, s + 4 * cols[i], 4);
        const TRGBPixel p = CMYKToRGB(c);
        out[3 * i] = p.b, out[3 * i + 1] = p.g, out[3 * i + 2] = p.r;
      }
      break;
  }
}

// Draws rows first..last of the arguments for a source of the kind.
void RenderStretch(TVQBitmap& src, const TVQStretchArgs& a, TRenderKind kind, bool alphaVariant) {
  if (a.FirstRow > a.LastRow || a.FirstCol > a.LastCol || !a.DestRows) return;
  auto luts = std::make_unique<TRenderLuts>();
  RenderBuildLuts(src, kind, a.BlendOp, *luts);
  const TRenderLuts& l = *luts;
  const int n = a.LastCol - a.FirstCol + 1;
  const int* cols = a.ColTable ? a.ColTable + (a.FirstCol - a.XDst) : nullptr;
  // Without tables the rows are copied 1:1, which only a plain 24-bit
  // drawing inside the source may ask for.
  const bool oneToOne = !a.ColTable || !a.RowTable;
  if (oneToOne && !(kind == TRenderKind::RGB24 && !alphaVariant && !l.adjusted && a.XScale == 16384 &&
                    a.YScale == 16384 && a.XSrc >= 0 && a.YSrc >= 0 && a.XSrc + a.LastCol - a.XDst < src.GetWidth() &&
                    a.YSrc + a.LastRow - a.YDst < src.GetHeight()))
    return;
  const bool plainCopy = !alphaVariant && !l.adjusted;
  const bool replicate = a.RowReplicate && plainCopy && (kind == TRenderKind::RGB24 || kind == TRenderKind::Bits1);
  TVQBitmap* alpha = a.AlphaInUse ? src.GetAlphaChannel() : nullptr;
  const int opacity = std::clamp(a.Opacity, 0, 255);

  auto sourceRow = [&](int y) { return oneToOne ? y + a.YSrc - a.YDst : a.RowTable[y - a.YDst]; };
  // One destination row from its source row (and alpha row).
  auto drawRow = [&](int y, const Byte* s, const Byte* ar, Byte* colour, int previousSource) {
    Byte* d = a.DestRows[y] + 3 * a.FirstCol;
    if (oneToOne) {
      std::memcpy(d, s + 3 * (a.FirstCol + a.XSrc - a.XDst), 3 * static_cast<std::size_t>(n));
      return;
    }
    if (replicate && previousSource == sourceRow(y)) {
      std::memcpy(d, a.DestRows[y - 1] + 3 * a.FirstCol, 3 * static_cast<std::size_t>(n));
      return;
    }
    if (plainCopy && kind == TRenderKind::RGB24) {
      for (int i = 0; i < n; ++i) {
        const Byte* p = s + 3 * cols[i];
        d[3 * i] = p[0], d[3 * i + 1] = p[1], d[3 * i + 2] = p[2];
      }
      return;
    }
    RenderFetch(kind, s, cols, n, l, colour);
    if (l.adjusted) {
      for (int i = 0; i < n; ++i) {
        Byte* c = colour + 3 * i;
        for (int ch = 0; ch < 3; ++ch) c[ch] = l.adjust[ch][c[ch]];
        if (l.blend) {
          for (int ch = 0; ch < 3; ++ch) c[ch] = l.blend[c[ch] * 256 + d[3 * i + ch]];
        } else {
          Byte under[3] = {d[3 * i], d[3 * i + 1], d[3 * i + 2]};
          BlendPixel(a.BlendOp, c, under);
          c[0] = under[0], c[1] = under[1], c[2] = under[2];
        }
      }
    }
    if (!alphaVariant) {
      std::memcpy(d, colour, 3 * static_cast<std::size_t>(n));
      return;
    }
    for (int i = 0; i < n; ++i) {
      const int al = ar ? std::min(opacity, int(ar[cols[i]])) : opacity;
      for (int ch = 0; ch < 3; ++ch) {
        const int dv = d[3 * i + ch];
        d[3 * i + ch] = static_cast<Byte>(dv + (((colour[3 * i + ch] - dv) * al) >> 8));
      }
    }
  };

  std::vector<Byte*> srcRows = VQRowTable(src);
  std::vector<Byte*> alphaRows = alpha ? VQRowTable(*alpha) : std::vector<Byte*>{};
  const int rows = a.LastRow - a.FirstRow + 1;
  if (!srcRows.empty() && (!alpha || !alphaRows.empty())) {
    ParallelRows(rows, [&](int first, int last) {
      std::vector<Byte> colour(3 * static_cast<std::size_t>(n));
      int previous = -1;  // a band's first row is drawn, never copied
      for (int y = a.FirstRow + first; y < a.FirstRow + last; ++y) {
        const int sy = sourceRow(y);
        drawRow(y, srcRows[static_cast<std::size_t>(sy)], alpha ? alphaRows[static_cast<std::size_t>(sy)] : nullptr,
                colour.data(), previous);
        previous = sy;
      }
    });
    return;
  }
  // File-backed: one source row (and one alpha row) at a time.
  std::vector<Byte> colour(3 * static_cast<std::size_t>(n));
  int previous = -1;
  for (int y = a.FirstRow; y <= a.LastRow; ++y) {
    const int sy = sourceRow(y);
    const Byte* ar = alpha ? alpha->GetScanline(sy) : nullptr;
    drawRow(y, src.GetScanline(sy), ar, colour.data(), previous);
    previous = sy;
  }
}

std::unique_ptr<TVQBitmap> RenderMemoryBitmap() {
  auto b = std::make_unique<TVQBitmap>();
  b->MemoryThreshold = std::numeric_limits<Int64>::max();
  b->SetLocation(vqMemoryBuffer);
  return b;
}

// The source rectangle as an image of its own over the source's rows, when
// they lie in memory evenly bottom-up (memory and framework storage): the
// filters then read a part of a photo without copying it. Byte formats
// only; nullptr when the rows are laid out otherwise.
std::unique_ptr<TVQBitmap> RenderSubImage(TVQBitmap& src, int x, int y, int w, int h) {
  const int bits = src.GetBitCount();
  if (src.Location() == vqTempFile || bits < 8 || bits % 8 != 0 || src.GetPixelFormat() == vqPalette8) return nullptr;
  const Int64 rowLength = src.GetRowLength();
  Byte* top = src.GetScanline(y);
  Byte* bottom = src.GetScanline(y + h - 1);
  if (h > 1 && top - bottom != (h - 1) * rowLength) return nullptr;
  if (h > 1 && src.GetScanline(y + 1) != top - rowLength) return nullptr;
  auto part = std::make_unique<TVQBitmap>();
  part->SetRowAlignment(static_cast<int>(rowLength * 8));
  part->EncapsulateMemory(bottom + Int64{x} * (bits / 8), w, h, src.GetPixelFormat(), true);
  if (part->GetRowLength() != rowLength) return nullptr;
  return part;
}

// Column (row) table of a destination span of dn from a source span of n
// starting at origin; entries clamped into the source.
void RenderBuildTable(std::vector<int>& table, int dn, int n, int origin, int size) {
  table.resize(static_cast<std::size_t>(dn));
  for (int i = 0; i < dn; ++i)
    table[static_cast<std::size_t>(i)] =
        static_cast<int>(std::clamp<Int64>(Int64(i) * n / dn + origin, 0, size - 1));
}

// A caller's table: its last used entries move in while they point past
// the source; a short table or one with a bad entry is rebuilt.
bool RenderTableUsable(const std::vector<int>& table, int firstIndex, int& lastIndex, int size) {
  if (table.size() <= static_cast<std::size_t>(std::max(lastIndex, 0))) return false;
  while (lastIndex >= firstIndex && table[static_cast<std::size_t>(lastIndex)] >= size) --lastIndex;
  for (int i = firstIndex; i <= lastIndex; ++i)
    if (table[static_cast<std::size_t>(i)] < 0 || table[static_cast<std::size_t>(i)] >= size) return false;
  return true;
}

}  // namespace

void TVQBitmap::StretchRGB24(const TVQStretchArgs& a) { RenderStretch(*this, a, TRenderKind::RGB24, false); }
void TVQBitmap::StretchRGB24Alpha(const TVQStretchArgs& a) { RenderStretch(*this, a, TRenderKind::RGB24, true); }
void TVQBitmap::StretchBits1(const TVQStretchArgs& a) { RenderStretch(*this, a, TRenderKind::Bits1, false); }
void TVQBitmap::StretchBits1Alpha(const TVQStretchArgs& a) { RenderStretch(*this, a, TRenderKind::Bits1, true); }
void TVQBitmap::StretchGray8(const TVQStretchArgs& a) { RenderStretch(*this, a, TRenderKind::Gray8, false); }
void TVQBitmap::StretchGray8Alpha(const TVQStretchArgs& a) { RenderStretch(*this, a, TRenderKind::Gray8, true); }
void TVQBitmap::StretchPalette8(const TVQStretchArgs& a) { RenderStretch(*this, a, TRenderKind::Palette8, false); }
void TVQBitmap::StretchPalette8Alpha(const TVQStretchArgs& a) {
  RenderStretch(*this, a, TRenderKind::Palette8, true);
}
void TVQBitmap::StretchGray16(const TVQStretchArgs& a) { RenderStretch(*this, a, TRenderKind::Gray16, false); }
void TVQBitmap::StretchGray16Alpha(const TVQStretchArgs& a) { RenderStretch(*this, a, TRenderKind::Gray16, true); }
void TVQBitmap::StretchFloat(const TVQStretchArgs& a) { RenderStretch(*this, a, TRenderKind::Float, false); }
void TVQBitmap::StretchFloatAlpha(const TVQStretchArgs& a) { RenderStretch(*this, a, TRenderKind::Float, true); }
void TVQBitmap::StretchCMYK(const TVQStretchArgs& a) { RenderStretch(*this, a, TRenderKind::CMYK, false); }
void TVQBitmap::StretchCMYKAlpha(const TVQStretchArgs& a) { RenderStretch(*this, a, TRenderKind::CMYK, true); }

void TVQBitmap::RenderToTVQBitmap(TVQBitmap* Dest, std::vector<Byte*>& DestRows, std::vector<int>& XTable,
                                  std::vector<int>& YTable, const TRect* ClipRect, int XDst, int YDst, int DxDst,
                                  int DyDst, int XSrc, int YSrc, int DxSrc, int DySrc, bool EnableAlpha,
                                  bool RowReplicate, int Opacity, TResampleFilter Filter, bool FreeTables,
                                  TVQBlendOperation BlendOp) {
  TVQViewAccessScope access(*this, vqRead);
  // Only a 24-bit destination can take the rows; anything else is refused.
  if (!Dest || Dest == this || Dest->GetPixelFormat() != vqRGB24 || IsEmpty()) return;
  const int dw = Dest->GetWidth(), dh = Dest->GetHeight(), sw = GetWidth(), sh = GetHeight();
  if (dw <= 0 || dh <= 0 || DxDst <= 0 || DyDst <= 0 || DxSrc <= 0 || DySrc <= 0) return;
  if (YDst > dh - 1 || XDst > dw - 1) return;
  Int64 xd = XDst, yd = YDst, dxd = DxDst, dyd = DyDst, xs = XSrc, ys = YSrc, dxs = DxSrc, dys = DySrc;
  if (yd < 0) {
    const Int64 k = -yd * dys / dyd;
    dyd += yd, dys -= k, ys += k, yd = 0;
  }
  if (xd < 0) {
    const Int64 k = -xd * dxs / dxd;
    dxd += xd, dxs -= k, xs += k, xd = 0;
  }
  if (yd + dyd > dh) {
    const Int64 excess = yd + dyd - dh;
    dys -= excess * dys / dyd, dyd -= excess;
  }
  if (xd + dxd > dw) {
    const Int64 excess = xd + dxd - dw;
    dxs -= excess * dxs / dxd, dxd -= excess;
  }
  XDst = static_cast<int>(std::clamp<Int64>(xd, 0, dw - 1));
  YDst = static_cast<int>(std::clamp<Int64>(yd, 0, dh - 1));
  DxDst = static_cast<int>(std::clamp<Int64>(dxd, 0, dw));
  DyDst = static_cast<int>(std::clamp<Int64>(dyd, 0, dh));
  XSrc = static_cast<int>(std::clamp<Int64>(xs, 0, sw - 1));
  YSrc = static_cast<int>(std::clamp<Int64>(ys, 0, sh - 1));
  DxSrc = static_cast<int>(std::clamp<Int64>(dxs, 0, sw));
  DySrc = static_cast<int>(std::clamp<Int64>(dys, 0, sh));
  if (DxDst == 0 || DyDst == 0 || DxSrc == 0 || DySrc == 0) return;
  Opacity = std::clamp(Opacity, 0, 255);
  const TVQPixelFormat format = GetPixelFormat();
  const bool alphaInUse = EnableAlpha && HasAlphaChannel() && !GetAlphaChannel()->Full;

  try {
    if (Filter != rfNone && (DxSrc != DxDst || DySrc != DyDst) && (format == vqBits1 || format == vqRGB24)) {
      auto scaled = RenderMemoryBitmap();
      scaled->Allocate(DxDst, DyDst, vqRGB24);
      const bool whole = XSrc == 0 && YSrc == 0 && DxSrc == sw && DySrc == sh;
      if (DxSrc < DxDst || format != vqBits1 || alphaInUse) {
        std::unique_ptr<TVQBitmap> part;
        TVQBitmap* from = this;
        if (!whole && !alphaInUse && (part = RenderSubImage(*this, XSrc, YSrc, DxSrc, DySrc))) {
          // The rows are read where they are.
          from = part.get();
        } else if (!whole) {
          part = RenderMemoryBitmap();
          part->Allocate(DxSrc, DySrc, format);
          CopyRectTo(part.get(), XSrc, YSrc, 0, 0, DxSrc, DySrc);
          if (alphaInUse) {
            GetAlphaChannel()->CopyRectTo(part->GetAlphaChannel(), XSrc, YSrc, 0, 0, DxSrc, DySrc);
            part->GetAlphaChannel()->Full = GetAlphaChannel()->Full;
          }
          from = part.get();
        }
        if (format == vqBits1)
          ResampleFiltered1Bit(from, scaled.get(), Filter);
        else
          ResampleFiltered(from, scaled.get(), Filter);
        if (alphaInUse) {
          ResampleFilteredGray(from->GetAlphaChannel(), scaled->GetAlphaChannel(), Filter);
          scaled->GetAlphaChannel()->Full = from->GetAlphaChannel()->Full;
        }
      } else {
        ReduceArea(this, XSrc, YSrc, XSrc + DxSrc - 1, YSrc + DySrc - 1, scaled.get());
      }
      scaled->RedOffset = RedOffset, scaled->GreenOffset = GreenOffset, scaled->BlueOffset = BlueOffset;
      scaled->OffsetsOn = OffsetsOn, scaled->Contrast = Contrast;
      scaled->GrayLow = GrayLow, scaled->GrayHigh = GrayHigh;
      std::vector<int> xt, yt;
      scaled->RenderToTVQBitmap(Dest, DestRows, xt, yt, ClipRect, XDst, YDst, DxDst, DyDst, 0, 0, DxDst, DyDst,
                                alphaInUse, RowReplicate, Opacity, rfNone, true, BlendOp);
      return;
    }

    // The destination's rows: a file-backed destination is drawn in memory
    // and written back, and its rows are not handed out.
    std::unique_ptr<TResampleRowTable> fileRows;
    bool builtRows = false;
    if (Dest->Location() == vqTempFile) {
      fileRows = std::make_unique<TResampleRowTable>(*Dest, true);
    } else if (DestRows.size() != static_cast<std::size_t>(dh)) {
      DestRows = VQRowTable(*Dest);
      builtRows = true;
    }
    TVQStretchArgs args;
    args.Dest = Dest;
    args.DestRows = fileRows ? fileRows->Rows() : DestRows.data();
    args.XScale = static_cast<int>(double(DxSrc) / DxDst * 16384);
    args.YScale = static_cast<int>(double(DySrc) / DyDst * 16384);
    const int clipL = ClipRect ? ClipRect->Left : 0, clipT = ClipRect ? ClipRect->Top : 0;
    const int clipR = ClipRect ? ClipRect->Right : dw - 1, clipB = ClipRect ? ClipRect->Bottom : dh - 1;
    args.FirstCol = std::clamp(std::max(clipL, XDst), 0, dw - 1);
    args.FirstRow = std::clamp(std::max(clipT, YDst), 0, dh - 1);
    args.LastCol = std::clamp(std::min({clipR, XDst + DxDst - 1, dw - 1}), 0, dw - 1);
    args.LastRow = std::clamp(std::min({clipB, YDst + DyDst - 1, dh - 1}), 0, dh - 1);
    if (ClipRect && (clipR < args.FirstCol || clipB < args.FirstRow || clipL > args.LastCol || clipT > args.LastRow))
      args.LastRow = args.FirstRow - 1;
    args.XDst = XDst, args.YDst = YDst, args.XSrc = XSrc, args.YSrc = YSrc;
    args.AlphaInUse = alphaInUse;
    args.Opacity = Opacity;
    args.BlendOp = BlendOp;
    args.RowReplicate = RowReplicate;
    const bool alphaVariant = Opacity < 255 || alphaInUse;
    const bool plainOneToOne = args.XScale == 16384 && args.YScale == 16384 && format == vqRGB24 && !alphaVariant &&
                               !OffsetsOn && Contrast == 0 && BlendOp == boCopy &&
                               XSrc + (args.LastCol - XDst) < sw && YSrc + (args.LastRow - YDst) < sh;
    bool builtX = false, builtY = false;
    if (!plainOneToOne) {
      int lastX = args.LastCol - XDst, lastY = args.LastRow - YDst;
      if (!RenderTableUsable(XTable, args.FirstCol - XDst, lastX, sw)) {
        RenderBuildTable(XTable, DxDst, DxSrc, XSrc, sw);
        builtX = true;
      } else {
        args.LastCol = lastX + XDst;
      }
      if (!RenderTableUsable(YTable, args.FirstRow - YDst, lastY, sh)) {
        RenderBuildTable(YTable, DyDst, DySrc, YSrc, sh);
        builtY = true;
      } else {
        args.LastRow = lastY + YDst;
      }
      args.ColTable = XTable.data();
      args.RowTable = YTable.data();
    }
    try {
      switch (format) {
        case vqRGB24: alphaVariant ? StretchRGB24Alpha(args) : StretchRGB24(args); break;
        case vqBits1: alphaVariant ? StretchBits1Alpha(args) : StretchBits1(args); break;
        case vqGray8: alphaVariant ? StretchGray8Alpha(args) : StretchGray8(args); break;
        case vqPalette8: alphaVariant ? StretchPalette8Alpha(args) : StretchPalette8(args); break;
        case vqGray16: alphaVariant ? StretchGray16Alpha(args) : StretchGray16(args); break;
        case vq32f: alphaVariant ? StretchFloatAlpha(args) : StretchFloat(args); break;
        case vqCMYK: alphaVariant ? StretchCMYKAlpha(args) : StretchCMYK(args); break;
        default: break;
      }
      if (fileRows) fileRows->Commit();
    } catch (...) {
      // A failure ends the drawing; the tables are still released below.
    }
    if (FreeTables) {
      if (builtX) XTable.clear();
      if (builtY) YTable.clear();
      if (builtRows) DestRows.clear();
    }
  } catch (...) {
    // Scratch bitmaps that cannot be had end the drawing silently.
  }
}

void TVQBitmap::RenderToTBitmap(TBitmap* Dest, std::vector<Byte*>& DestRows, std::vector<int>& XTable,
                                std::vector<int>& YTable, const TRect* ClipRect, int XDst, int YDst, int DxDst,
                                int DyDst, int XSrc, int YSrc, int DxSrc, int DySrc, bool EnableAlpha,
                                bool RowReplicate, int Opacity, TResampleFilter Filter, bool FreeTables,
                                TVQBlendOperation BlendOp) {
  if (!Dest || Dest->PixelFormat() != pf24bit) return;
  TVQBitmap wrapper;
  wrapper.EncapsulateTBitmap(Dest, false);
  RenderToTVQBitmap(&wrapper, DestRows, XTable, YTable, ClipRect, XDst, YDst, DxDst, DyDst, XSrc, YSrc, DxSrc, DySrc,
                    EnableAlpha, RowReplicate, Opacity, Filter, FreeTables, BlendOp);
}
