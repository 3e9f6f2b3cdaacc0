// Stack blur, alpha from a mask, and the glow and reflection text effects.
#include "skin/engine/speffbmp.h"

#include <algorithm>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/graphics/Canvas.h"
#include "skin/engine/SPUtils.h"

namespace {

// One pass of the triangle blur over n samples of a channel, read with
// stride `in` and written with stride `out` into dst. The sum for x is
// sum(x - 1) minus the r + 1 samples ending at x - 1 plus the r + 1
// samples starting at x, so the cost does not depend on the radius.
template <class Src, class Dst, class Get, class Put>
void BlurRun(const Src* src, int n, int r, int divisor, Dst* dst, Get get, Put put) {
  auto at = [&](int i) { return get(src, std::clamp(i, 0, n - 1)); };
  long long sum = 0, outgoing = 0, incoming = 0;
  for (int k = -r; k <= r; ++k) sum += (r + 1 - (k < 0 ? -k : k)) * (long long)at(k);
  for (int k = -r; k <= 0; ++k) outgoing += at(k);
  for (int k = 1; k <= r + 1; ++k) incoming += at(k);
  for (int x = 0; x < n; ++x) {
    put(dst, x, int(sum / divisor));
    sum += incoming - outgoing;
    outgoing += at(x + 1) - at(x - r);
    incoming += at(x + r + 2) - at(x + 1);
  }
}

}  // namespace

void StackBlur(TspBitmap* bitmap, int radius) {
  if (!bitmap || !bitmap->Bits || radius <= 0) return;
  const int r = std::min(radius, kMaxBlurRadius);
  const int w = bitmap->Width, h = bitmap->Height;
  const int divisor = (r + 1) * (r + 1);
  const std::size_t n = std::size_t(w) * std::size_t(h);
  std::vector<int> planes[3] = {std::vector<int>(n), std::vector<int>(n), std::vector<int>(n)};
  for (int c = 0; c < 3; ++c) {
    const int shift = c * 8;
    for (int y = 0; y < h; ++y) {
      BlurRun(
          bitmap->ScanLine(y), w, r, divisor, planes[c].data() + std::size_t(y) * std::size_t(w),
          [shift](const std::uint32_t* s, int i) { return int((s[i] >> shift) & 0xFF); },
          [](int* d, int i, int v) { d[i] = v; });
    }
  }
  std::vector<int> column(static_cast<std::size_t>(h));
  for (int x = 0; x < w; ++x) {
    for (int c = 0; c < 3; ++c) {
      const int shift = c * 8;
      BlurRun(
          planes[c].data() + x, h, r, divisor, column.data(),
          [w](const int* s, int i) { return s[std::size_t(i) * std::size_t(w)]; },
          [](int* d, int i, int v) { d[i] = v; });
      for (int y = 0; y < h; ++y) {
        std::uint32_t& p = bitmap->ScanLine(y)[x];
        p = (p & ~(0xFFu << shift)) | (std::uint32_t(column[std::size_t(y)]) << shift);
      }
    }
    for (int y = 0; y < h; ++y) bitmap->ScanLine(y)[x] |= 0xFF000000u;
  }
}

void SetAlphaFromMask(TspBitmap* bitmap, const TspBitmap* mask) {
  if (!bitmap || !mask || !bitmap->Bits || !mask->Bits) return;
  const int w = std::min(bitmap->Width, mask->Width), h = std::min(bitmap->Height, mask->Height);
  for (int y = 0; y < h; ++y) {
    std::uint32_t* p = bitmap->ScanLine(y);
    const std::uint32_t* m = mask->ScanLine(y);
    for (int x = 0; x < w; ++x) {
      const std::uint32_t a = ((m[x] >> 16 & 0xFF) + (m[x] >> 8 & 0xFF) + (m[x] & 0xFF)) / 3;
      p[x] = (p[x] & 0x00FFFFFFu) | (a << 24);
    }
  }
}

namespace {

constexpr TColor kCoverageRed = 0x0000FF;

// A zeroed bitmap whose canvas draws text in the target's font in pure red
// on a clear brush.
void PrepareCoverage(TspBitmap& b, TCanvas* target, int w, int h) {
  b.SetSize(std::max(w, 1), std::max(h, 1));
  std::fill(b.Bits, b.Bits + std::size_t(b.Width) * std::size_t(b.Height), 0u);
  TCanvas* c = b.Canvas();
  c->Font()->Assign(target->Font());
  c->Font()->SetColor(kCoverageRed);
  c->Brush()->SetStyle(bsClear);
}

void DrawCoverageText(TspBitmap& b, const std::string& text, TRect r, UINT format) {
  DrawWideText(b.Canvas(), text, r, format);
}

// Red coverage becomes the alpha of a pixel of the glow colour.
void CoverageToAlpha(TspBitmap& b, TColor color) {
  const std::uint32_t rgb = ColorToPixel(color) & 0x00FFFFFFu;
  const std::size_t n = std::size_t(b.Width) * std::size_t(b.Height);
  for (std::size_t i = 0; i < n; ++i) b.Bits[i] = ((b.Bits[i] >> 16 & 0xFF) << 24) | rgb;
  b.HasAlpha = true;
}

int DrawPlainText(TCanvas* canvas, const std::string& text, TRect rect, UINT format) {
  canvas->Brush()->SetStyle(bsClear);
  return DrawWideText(canvas, text, rect, format);
}

}  // namespace

int DrawVistaGlowText(TCanvas* canvas, TRect rect, const std::string& text, UINT format, TColor glowColor) {
  if (!canvas) return 0;
  constexpr int m = 12;
  TspBitmap b;
  PrepareCoverage(b, canvas, rect.Width() + 2 * m, rect.Height() + 2 * m);
  const TRect T{m, m, b.Width - m, b.Height - m};
  const TRect band{T.Left - 3, T.Top + 2, T.Right + 3, T.Bottom - 2};
  for (int y = std::max(band.Top, 0); y < std::min(band.Bottom, b.Height); ++y)
    for (int x = std::max(band.Left, 0); x < std::min(band.Right, b.Width); ++x) b.ScanLine(y)[x] = 0x00FF0000u;
  static const TPoint offsets[] = {{-1, -1}, {-2, -2}, {-1, 0}, {-2, 0}, {1, 0}, {2, 0}, {1, 1}, {2, 2}, {0, 0}};
  for (const TPoint& o : offsets)
    DrawCoverageText(b, text, TRect{T.Left + o.X, T.Top + o.Y, T.Right + o.X, T.Bottom + o.Y}, format);
  StackBlur(&b, m / 2);
  StackBlur(&b, m / 2);
  CoverageToAlpha(b, glowColor);
  b.DrawToCanvas(canvas, rect.Left - m, rect.Top - m);
  return DrawPlainText(canvas, text, rect, format);
}

int DrawGlowText(TCanvas* canvas, TRect rect, const std::string& text, UINT format, int offset, TColor glowColor,
                 int glowSize) {
  if (!canvas) return 0;
  const int g = std::clamp(glowSize, 0, kMaxBlurRadius);
  TspBitmap b;
  PrepareCoverage(b, canvas, rect.Width() + 2 * g, rect.Height() + 2 * g);
  DrawCoverageText(b, text, TRect{g, g, b.Width - g, b.Height - g}, format);
  StackBlur(&b, g);
  CoverageToAlpha(b, glowColor);
  b.DrawToCanvas(canvas, rect.Left - g + offset, rect.Top - g + offset);
  return DrawPlainText(canvas, text, rect, format);
}

void DrawReflectionText(TCanvas* canvas, TRect rect, const std::string& text, UINT format, int offset,
                        TColor reflectionColor) {
  if (!canvas) return;
  const int w = rect.Width(), h = rect.Height();
  if (w > 0 && h > 0) {
    TspBitmap b;
    PrepareCoverage(b, canvas, w, h);
    DrawCoverageText(b, text, TRect{0, 0, w, h}, format);
    TRect measured{0, 0, w, h};
    DrawWideText(b.Canvas(), text, measured, format | DT_CALCRECT);
    TRect inTarget = rect;
    DrawWideText(canvas, text, inTarget, format | DT_CALCRECT);
    const int t = measured.Top, bottom = measured.Bottom;
    if (bottom > t) {
      const std::uint32_t rgb = ColorToPixel(reflectionColor) & 0x00FFFFFFu;
      for (int row = 0; row < h; ++row) {
        std::uint32_t* p = b.ScanLine(row);
        if (row < t || row > bottom) {
          std::fill(p, p + w, 0u);
          continue;
        }
        double f = 0.7 - double(bottom + t - row) / double(bottom - t);
        if (f < 0) f = 0;
        for (int x = 0; x < w; ++x) p[x] = (std::uint32_t((p[x] >> 16 & 0xFF) * f) << 24) | rgb;
      }
      for (int i = 0; i < h / 2; ++i) std::swap_ranges(b.ScanLine(i), b.ScanLine(i) + w, b.ScanLine(h - 1 - i));
      b.HasAlpha = true;
      b.DrawToCanvas(canvas, rect.Left, inTarget.Bottom + bottom + offset - h);
    }
  }
  DrawPlainText(canvas, text, rect, format);
}
