// TVQMask drawing: the inverted overlay, the marching-ants outline and the
// grey checker over the unselected part, all from one scaled copy of the
// mask that is kept between drawings of the same size.
#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/core/colour/pictoraproc_bitrows.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/core/raster/vqzutils_mask.h"
#include "platform/gdi/Gdi.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"

namespace {

constexpr Int64 kUnit = 16384;  // fixed-point one of the scale steps

// a div b as the Parts write it, truncating toward zero.
inline Int64 Div(Int64 a, Int64 b) { return a / b; }

}  // namespace

void TVQMask::DrawXor(TCanvas* canvas, int xDst, int yDst, int dxDst, int dyDst, int xSrc, int ySrc, int dxSrc,
                      int dySrc) {
  if (!canvas || bitCount_ != 1 || !bits_ || IsEmpty()) return;
  BITMAPINFOHEADER& h = bitmapInfo_.bmiHeader;
  h.biWidth = width_;
  h.biHeight = height_;
  h.biSizeImage = static_cast<DWORD>(Int64{rowLength_} * height_);
  // The platform counts a bottom-up DIB's source rows from its bottom.
  StretchDIBits(canvas->Handle(), xDst, yDst, dxDst, dyDst, xSrc, height_ - ySrc - dySrc, dxSrc, dySrc, bits_.get(),
                &bitmapInfo_, DIB_RGB_COLORS, SRCINVERT);
}

bool TVQMask::BuildOutline(int destWidth, int destHeight, int sourceX, int sourceY, int sourceWidth, int sourceHeight,
                           Scale& scale) {
  if (destWidth < 1 || destHeight < 1 || sourceWidth < 1 || sourceHeight < 1 || !bits_) return false;
  ClampBox();
  if (IsEmpty()) return false;
  scale.xs = std::max<Int64>(1, static_cast<Int64>(double(sourceWidth) / destWidth * kUnit));
  scale.ys = std::max<Int64>(1, static_cast<Int64>(double(sourceHeight) / destHeight * kUnit));
  const OutlineKey key{
      changes_, {x1_, y1_, x2_, y2_}, {destWidth, destHeight}, {sourceX, sourceY, sourceWidth, sourceHeight}};
  if (outlineValid_ && key == outlineKey_) return true;
  outlineValid_ = false;
  if (destWidth != outlineWidth_ || destHeight != outlineHeight_) {
    const Int64 rowLength = (Int64{destWidth} + 31) / 32 * 4;
    if (rowLength > VQMaxPixelBlock / destHeight)
      throw EOutOfMemory("Cannot draw a mask onto " + std::to_string(destWidth) + " x " + std::to_string(destHeight) +
                         " pixels");
    outline_.assign(static_cast<std::size_t>(rowLength * destHeight), 0);
    outlineWidth_ = destWidth;
    outlineHeight_ = destHeight;
    outlineRowLength_ = static_cast<int>(rowLength);
  } else {
    std::fill(outline_.begin(), outline_.end(), Byte{0});
  }

  // Destination columns whose source lies in the box: the source column
  // grows with the column, so they are one run. Each is read as a byte of
  // the source row and a mask in it (8-bit masks: the byte itself).
  int jFirst = -1, jLast = -2;
  std::vector<int> at;
  std::vector<Byte> bit;
  for (int j = 0; j < destWidth; ++j) {
    const Int64 c = sourceX + Div(j * scale.xs, kUnit);
    if (c < x1_ || c > x2_) continue;
    if (jFirst < 0) jFirst = j;
    jLast = j;
    at.push_back(bitCount_ == 1 ? static_cast<int>(c >> 3) : static_cast<int>(c));
    bit.push_back(bitCount_ == 1 ? static_cast<Byte>(0x80u >> (c & 7)) : Byte{0xFF});
  }
  if (jFirst >= 0) {
    const bool straight = scale.xs == kUnit && bitCount_ == 1;
    const int sourceFirst = static_cast<int>(sourceX + Div(jFirst * scale.xs, kUnit));
    Int64 previous = -1;
    const Byte* previousRow = nullptr;
    for (int i = 0; i < destHeight; ++i) {
      const Int64 r = sourceY + Div(i * scale.ys, kUnit);
      if (r < y1_ || r > y2_) continue;
      Byte* to = OutlineRow(i);
      if (r == previous) {  // enlarged: the same source row again
        std::memcpy(to, previousRow, static_cast<std::size_t>(outlineRowLength_));
        continue;
      }
      const Byte* from = ReadRow(static_cast<int>(r));
      if (straight) {
        CopyBits(to, from, jFirst, rowLength_, jLast - jFirst + 1, sourceFirst);
      } else {
        // Eight destination pixels a byte, without branches.
        const int* a = at.data() - jFirst;
        const Byte* m = bit.data() - jFirst;
        for (int j = jFirst; j <= jLast;) {
          const int end = std::min(jLast, (j | 7));
          unsigned v = 0;
          for (int k = j; k <= end; ++k) v |= unsigned((from[a[k]] & m[k]) != 0) << (7 - (k & 7));
          to[j >> 3] |= static_cast<Byte>(v);
          j = end + 1;
        }
      }
      previous = r;
      previousRow = to;
    }
  }
  outlineKey_ = key;
  outlineValid_ = true;
  return true;
}

void TVQMask::DrawOutline(TCanvas* canvas, int destX, int destY, int destWidth, int destHeight, int sourceX,
                          int sourceY, int sourceWidth, int sourceHeight, int phase, TColor colorA, TColor colorB, int,
                          int) {
  if (!canvas) return;
  Scale scale;
  if (!BuildOutline(destWidth, destHeight, sourceX, sourceY, sourceWidth, sourceHeight, scale)) return;
  const COLORREF a = COLORREF(ColorToRGB(colorA)) & 0xFFFFFF, b = COLORREF(ColorToRGB(colorB)) & 0xFFFFFF;
  canvas->Pen()->SetStyle(psSolid);
  canvas->Pen()->SetMode(pmCopy);
  HDC dc = canvas->Handle();

  // Rows and columns whose source may lie in the box.
  const int iFirst =
      static_cast<int>(std::clamp<Int64>(Div((Int64{y1_} - sourceY) * kUnit, scale.ys), 0, destHeight - 1));
  const int iLast =
      static_cast<int>(std::clamp<Int64>(Div((Int64{y2_} - sourceY + 1) * kUnit, scale.ys) + 1, 0, destHeight - 1));
  const int jFirst =
      static_cast<int>(std::clamp<Int64>(Div((Int64{x1_} - sourceX) * kUnit, scale.xs), 0, destWidth - 1));
  const int jLast =
      static_cast<int>(std::clamp<Int64>(Div((Int64{x2_} - sourceX + 1) * kUnit, scale.xs) + 1, 0, destWidth - 1));
  const bool wholeWidth = sourceWidth == width_, wholeHeight = sourceHeight == height_;
  const int lastJ = destWidth - 1, lastI = destHeight - 1;
  auto sourceColumn = [&](int j) { return sourceX + Div(j * scale.xs, kUnit); };
  auto sourceRow = [&](int i) { return sourceY + Div(i * scale.ys, kUnit); };

  for (int i = iFirst; i <= iLast; ++i) {
    const Byte* row = OutlineRow(i);
    const Byte* up = OutlineRow(std::max(i - 1, 0));
    const Byte* down = OutlineRow(std::min(i + 1, lastI));
    const bool edgeRow = i == 0 || i == lastI;
    const bool topEdge = i == 0 && sourceRow(i) <= y1_;
    const bool bottomEdge = i == lastI && (sourceRow(i) >= y2_ || wholeHeight);
    for (int k = jFirst >> 3; k <= (jLast >> 3); ++k) {
      const Byte v = row[k];
      if (v == 0) continue;
      // Eight set pixels whose neighbours are all set, away from the
      // buffer's edges, hold no border pixel.
      const int j0 = k * 8;
      if (v == 0xFF && !edgeRow && j0 > 0 && j0 + 8 < destWidth && up[k] == 0xFF && down[k] == 0xFF &&
          (row[k - 1] & up[k - 1] & down[k - 1] & 1) && (row[k + 1] & up[k + 1] & down[k + 1] & 0x80))
        continue;
      const int jEnd = std::min({j0 + 7, jLast, lastJ});
      for (int j = std::max(j0, jFirst); j <= jEnd; ++j) {
        if (!GetBit(row, j)) continue;
        bool border = topEdge || bottomEdge || (j == 0 && sourceColumn(j) <= x1_) ||
                      (j == lastJ && (sourceColumn(j) >= x2_ || wholeWidth));
        if (!border) {
          const int jl = std::max(j - 1, 0), jr = std::min(j + 1, lastJ);
          border = !GetBit(row, jl) || !GetBit(row, jr) || !GetBit(up, jl) || !GetBit(up, j) || !GetBit(up, jr) ||
                   !GetBit(down, jl) || !GetBit(down, j) || !GetBit(down, jr);
        }
        if (!border) continue;
        const Int64 x = Int64{destX} + j, y = Int64{destY} + i;
        const Int64 step = ((x + y + phase) % 8 + 8) % 8;
        SetPixelV(dc, static_cast<int>(x), static_cast<int>(y), step < 4 ? b : a);
      }
    }
  }
}

void TVQMask::DrawCheckerOutside(TBitmap* bitmap, int destX, int destY, int destWidth, int destHeight, int sourceX,
                                 int sourceY, int sourceWidth, int sourceHeight) {
  if (!bitmap || bitmap->PixelFormat() != pf24bit || bitmap->Empty()) return;
  Scale scale;
  if (!BuildOutline(destWidth, destHeight, sourceX, sourceY, sourceWidth, sourceHeight, scale)) return;
  const int bw = bitmap->Width(), bh = bitmap->Height();
  // Buffer rows and columns whose source lies in the mask and whose pixel
  // lies in the bitmap.
  const Int64 iFirst = std::max<Int64>({Div(-Int64{sourceY} * kUnit, scale.ys), 0, -Int64{destY}});
  const Int64 iLast =
      std::min<Int64>({Div((Int64{height_} - sourceY) * kUnit, scale.ys) + 1, destHeight - 1, Int64{bh} - 1 - destY});
  const Int64 jFirst = std::max<Int64>({Div(-Int64{sourceX} * kUnit, scale.xs), 0, -Int64{destX}});
  const Int64 jLast =
      std::min<Int64>({Div((Int64{width_} - sourceX) * kUnit, scale.xs) + 1, destWidth - 1, Int64{bw} - 1 - destX});
  for (Int64 i = iFirst; i <= iLast; ++i) {
    const Byte* mask = OutlineRow(static_cast<int>(i));
    Byte* px = static_cast<Byte*>(bitmap->ScanLine(static_cast<int>(destY + i)));
    for (Int64 j = jFirst + ((i + jFirst) & 1); j <= jLast; j += 2)
      if (!GetBit(mask, j)) std::memset(px + (destX + j) * 3, 97, 3);
  }
}
