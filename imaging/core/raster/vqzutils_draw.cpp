#include "imaging/core/raster/vqzutils_draw.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/graphics/Graphics.h"

int FrameworkPixelFormatBits(TPixelFormat format) {
  switch (format) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf15bit: return 15;
    case pf16bit: return 16;
    case pf24bit: return 24;
    case pf32bit: return 32;
    default: return 0;
  }
}

namespace {

// Grey of a shadow at t: e^t / e, scaled to 255.
int ShadowGrey(double t) { return static_cast<int>(std::trunc(std::exp(t) / std::numbers::e * 255)); }

TColor Grey(int g) {
  g = std::clamp(g, 0, 255);
  return TColor(g | (g << 8) | (g << 16));
}

void SolidPen(TCanvas& canvas, TColor color) {
  canvas.Pen()->SetStyle(psSolid);
  canvas.Pen()->SetMode(pmCopy);
  canvas.Pen()->SetColor(color);
}

// The soft end of kind 3: along `length` steps (rows of a right shadow,
// columns of a bottom one) the ramp across `across` pixels fades out, and its
// start moves in by one per step once the ramp reaches the diagonal.
template <class Plot>
void SoftShadow(int length, int across, Plot plot) {
  if (length <= 0 || across <= 0) return;
  for (int j = 0; j <= length; ++j) {
    const int gv = std::clamp(ShadowGrey(double(length - 3 * j) / length), 0, 255);
    const int start = std::max(0, j - (length - across + 1));
    for (int i = start; i <= across; ++i) plot(i, j, Grey(std::max(ShadowGrey(double(i) / across), gv)));
  }
}

}  // namespace

void DrawBevelRect(TCanvas& canvas, int x1, int y1, int x2, int y2, TColor topLeftColor, TColor bottomRightColor) {
  SolidPen(canvas, topLeftColor);
  canvas.MoveTo(x1, y2);
  canvas.LineTo(x1, y1);
  canvas.LineTo(x2, y1);
  SolidPen(canvas, bottomRightColor);
  canvas.MoveTo(x1, y2);
  canvas.LineTo(x2, y2);
  canvas.LineTo(x2, y1);
}

void DrawShadowRight(TCanvas& canvas, int x1, int y1, int x2, int y2, int kind) {
  const int w = x2 - x1 + 1, h = y2 - y1 + 1;
  switch (kind) {
    case 1:
      canvas.FillRect(TRect{x1, y1 + w, x2, y2 + 1});
      break;
    case 2:
      for (int i = 0; i < w; ++i) {
        SolidPen(canvas, Grey(ShadowGrey(double(i) / w)));
        canvas.MoveTo(x1 + i, y1 + w);
        canvas.LineTo(x1 + i, y2 - w + i + 3);
      }
      break;
    case 3:
      SoftShadow(h, w, [&](int i, int j, TColor c) { canvas.SetPixels(x1 + i, y1 + j, c); });
      break;
    default:
      break;
  }
}

void DrawShadowBottom(TCanvas& canvas, int x1, int y1, int x2, int y2, int kind) {
  const int w = x2 - x1 + 1, h = y2 - y1 + 1;
  switch (kind) {
    case 1:
      canvas.FillRect(TRect{x1 + h, y1, x2 + 1, y2});
      break;
    case 2:
      for (int i = 0; i < h; ++i) {
        SolidPen(canvas, Grey(ShadowGrey(double(i) / h)));
        canvas.MoveTo(x1 + h, y1 + i);
        canvas.LineTo(x2 - h + i + 3, y1 + i);
      }
      break;
    case 3:
      SoftShadow(w, h, [&](int i, int j, TColor c) { canvas.SetPixels(x1 + j, y1 + i, c); });
      break;
    default:
      break;
  }
}
