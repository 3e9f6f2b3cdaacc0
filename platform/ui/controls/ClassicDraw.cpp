#include "platform/ui/controls/ClassicDraw.h"

#include <algorithm>
#include <cstdint>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/graphics/Graphics.h"

COLORREF ClassicRGB(TColor c) { return COLORREF(ColorToRGB(c)) & 0xFFFFFF; }

void FillSolid(HDC dc, const TRect& r, TColor c) {
  if (r.IsEmpty()) return;
  HBRUSH b = CreateSolidBrush(ClassicRGB(c));
  FillRect(dc, &r, b);
  DeleteObject(b);
}

void FillDotted(HDC dc, const TRect& r, TColor dots, TColor gaps) {
  if (r.IsEmpty()) return;
  // Eight one-bit rows, each padded to 16 bits; 0 bits take the text colour.
  static const Byte kChecker[16] = {0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0};
  HBITMAP pattern = CreateBitmap(8, 8, 1, 1, kChecker);
  HBRUSH brush = CreatePatternBrush(pattern);
  const COLORREF oldText = SetTextColor(dc, ClassicRGB(dots));
  const COLORREF oldBk = SetBkColor(dc, ClassicRGB(gaps));
  FillRect(dc, &r, brush);
  SetTextColor(dc, oldText);
  SetBkColor(dc, oldBk);
  DeleteObject(brush);
  DeleteObject(pattern);
}

void Frame3D(HDC dc, TRect& rect, TColor topColor, TColor bottomColor, int width) {
  if (width <= 0) return;
  HBRUSH top = CreateSolidBrush(ClassicRGB(topColor));
  HBRUSH bottom = CreateSolidBrush(ClassicRGB(bottomColor));
  for (int i = 0; i < width && !rect.IsEmpty(); ++i) {
    const TRect& r = rect;
    TRect t{r.Left, r.Top, r.Right, r.Top + 1}, l{r.Left, r.Top, r.Left + 1, r.Bottom};
    TRect b{r.Left, r.Bottom - 1, r.Right, r.Bottom}, rt{r.Right - 1, r.Top, r.Right, r.Bottom};
    FillRect(dc, &t, top);
    FillRect(dc, &l, top);
    FillRect(dc, &b, bottom);
    FillRect(dc, &rt, bottom);
    rect = TRect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
  }
  DeleteObject(top);
  DeleteObject(bottom);
}

TRect DrawButtonFace(HDC dc, const TRect& r, TButtonFaceState state) {
  TRect rc = r;
  if (state & bfsDefault) Frame3D(dc, rc, cl3DDkShadow, cl3DDkShadow, 1);
  if (state & bfsPushed) {
    // A pressed button sinks into a flat shadow ring, its caption one pixel lower.
    Frame3D(dc, rc, clBtnShadow, clBtnShadow, 1);
    FillSolid(dc, rc, clBtnFace);
    return TRect{rc.Left + 2, rc.Top + 2, rc.Right, rc.Bottom};
  }
  Frame3D(dc, rc, clBtnHighlight, cl3DDkShadow, 1);
  Frame3D(dc, rc, cl3DLight, clBtnShadow, 1);
  FillSolid(dc, rc, clBtnFace);
  return TRect{rc.Left + 1, rc.Top + 1, rc.Right - 1, rc.Bottom - 1};
}

TRect ButtonFocusRect(const TRect& face) {
  return TRect{face.Left + 1, face.Top + 1, face.Right - 1, face.Bottom - 1};
}

namespace {

// A small picture: one character per pixel, ' ' left alone. Each run of
// one colour in a row is one FillRect.
struct TArtColor {
  char key;
  TColor color;
};

void DrawArt(HDC dc, int x, int y, const char* const* rows, int height, const TArtColor* colors, int colorCount) {
  HBRUSH brushes[8] = {};
  colorCount = std::min(colorCount, 8);
  for (int i = 0; i < colorCount; ++i) brushes[i] = CreateSolidBrush(ClassicRGB(colors[i].color));
  for (int row = 0; row < height; ++row) {
    const char* s = rows[row];
    for (int col = 0; s[col];) {
      char k = s[col];
      int end = col + 1;
      while (s[end] == k) ++end;
      for (int i = 0; i < colorCount; ++i)
        if (colors[i].key == k) {
          TRect run{x + col, y + row, x + end, y + row + 1};
          FillRect(dc, &run, brushes[i]);
        }
      col = end;
    }
  }
  for (int i = 0; i < colorCount; ++i) DeleteObject(brushes[i]);
}

const char* const kCheckMark[] = {
    "      #", "     ##", "#   ###", "## ### ", "#####  ", " ###   ", "  #    ",
};

const char* const kRadioRing[] = {
    "    SSSS    ", "  SSDDDDSS  ", " SDDWWWWDDH ", " SDWWWWWWLH ", "SDWWWWWWWWLH", "SDWWWWWWWWLH",
    "SDWWWWWWWWLH", "SDWWWWWWWWLH", " SDWWWWWWLH ", " SLLWWWWLLH ", "  HHLLLLHH  ", "    HHHH    ",
};

const char* const kRadioDot[] = {" ## ", "####", "####", " ## "};

}  // namespace

void DrawCheckGlyph(HDC dc, int x, int y, TCheckGlyphState state, bool enabled, bool pushed) {
  TRect r = Bounds(x, y, CheckGlyphSize, CheckGlyphSize);
  Frame3D(dc, r, clBtnShadow, clBtnHighlight, 1);
  Frame3D(dc, r, cl3DDkShadow, cl3DLight, 1);
  const bool well = !enabled || pushed || state == cgsGrayed;
  FillSolid(dc, r, well ? clBtnFace : clWindow);
  if (state == cgsUnchecked) return;
  const TColor ink = !enabled ? clBtnShadow : state == cgsGrayed ? clGrayText : clWindowText;
  const TArtColor colors[] = {{'#', ink}};
  DrawArt(dc, x + 3, y + 3, kCheckMark, 7, colors, 1);
}

void DrawRadioGlyph(HDC dc, int x, int y, bool checked, bool enabled, bool pushed) {
  const TArtColor ring[] = {{'S', clBtnShadow},
                            {'D', cl3DDkShadow},
                            {'H', clBtnHighlight},
                            {'L', cl3DLight},
                            {'W', (!enabled || pushed) ? clBtnFace : clWindow}};
  DrawArt(dc, x, y, kRadioRing, RadioGlyphSize, ring, 5);
  if (!checked) return;
  const TArtColor dot[] = {{'#', enabled ? clWindowText : clBtnShadow}};
  DrawArt(dc, x + 4, y + 4, kRadioDot, 4, dot, 1);
}

void DrawSizeGrip(HDC dc, const TRect& r) {
  const int n = std::min({SizeGripSize, r.Width(), r.Height()});
  if (n <= 0) return;
  // Diagonal d holds the pixels whose distances from the right and bottom
  // edges add up to d; from the corner out: two shadow lines, one
  // highlight line, one gap, three times.
  const int right = r.Right - 1, bottom = r.Bottom - 1;
  HPEN shadow = CreatePen(PS_SOLID, 1, ClassicRGB(clBtnShadow));
  HPEN hilight = CreatePen(PS_SOLID, 1, ClassicRGB(clBtnHighlight));
  HGDIOBJ old = SelectObject(dc, shadow);
  POINT oldPos{};
  MoveToEx(dc, 0, 0, &oldPos);
  for (int d = 1; d < n; ++d) {
    const int phase = (d - 1) % 4;
    if (phase == 3) continue;
    SelectObject(dc, phase == 2 ? hilight : shadow);
    MoveToEx(dc, right - d, bottom, nullptr);
    LineTo(dc, right + 1, bottom - d - 1);  // LineTo leaves out its end point
  }
  MoveToEx(dc, oldPos.X, oldPos.Y, nullptr);
  SelectObject(dc, old);
  DeleteObject(shadow);
  DeleteObject(hilight);
}

int ProgressFillExtent(int min, int max, int position, int length) {
  if (max <= min || length <= 0) return 0;
  const std::int64_t pos = std::clamp<std::int64_t>(position, min, max);
  return int((pos - min) * length / (std::int64_t(max) - min));
}

int ProgressChunkLength(int thickness) { return std::max(2, thickness * 2 / 3); }

void DrawProgressFill(HDC dc, const TRect& inner, int min, int max, int position, bool smooth, bool vertical,
                      TColor barColor, TColor background) {
  if (inner.IsEmpty()) return;
  FillSolid(dc, inner, background);
  const int length = vertical ? inner.Height() : inner.Width();
  const int fill = ProgressFillExtent(min, max, position, length);
  if (fill <= 0) return;
  // Spans along the bar, measured from its start (left, or bottom).
  auto span = [&](int from, int to) {
    to = std::min(to, length);
    return vertical ? TRect{inner.Left, inner.Bottom - to, inner.Right, inner.Bottom - from}
                    : TRect{inner.Left + from, inner.Top, inner.Left + to, inner.Bottom};
  };
  HBRUSH b = CreateSolidBrush(ClassicRGB(barColor));
  if (smooth) {
    TRect r = span(0, fill);
    FillRect(dc, &r, b);
  } else {
    const int chunk = ProgressChunkLength(vertical ? inner.Width() : inner.Height());
    for (int at = 0; at < fill; at += chunk + ProgressChunkGap) {
      TRect r = span(at, at + chunk);
      FillRect(dc, &r, b);
    }
  }
  DeleteObject(b);
}

int DrawClassicText(HDC dc, TFont* font, TColor color, const std::string& text, TRect& rect, UINT flags,
                    bool enabled) {
  const int saved = SaveDC(dc);
  if (font) SelectObject(dc, font->Handle());
  SetBkMode(dc, TRANSPARENT);
  int height;
  if ((flags & DT_CALCRECT) || enabled) {
    SetTextColor(dc, ClassicRGB(color));
    height = DrawText(dc, text.c_str(), int(text.size()), &rect, flags);
  } else {
    TRect shifted{rect.Left + 1, rect.Top + 1, rect.Right + 1, rect.Bottom + 1};
    SetTextColor(dc, ClassicRGB(clBtnHighlight));
    DrawText(dc, text.c_str(), int(text.size()), &shifted, flags);
    SetTextColor(dc, ClassicRGB(clBtnShadow));
    height = DrawText(dc, text.c_str(), int(text.size()), &rect, flags);
  }
  RestoreDC(dc, saved);
  return height;
}

TRect MeasureClassicText(TFont* font, const std::string& text, TRect rect, UINT flags) {
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) return TRect{rect.Left, rect.Top, rect.Left, rect.Top};
  HGDIOBJ old = font ? SelectObject(dc, font->Handle()) : nullptr;
  DrawText(dc, text.c_str(), int(text.size()), &rect, flags | DT_CALCRECT);
  if (old) SelectObject(dc, old);
  DeleteDC(dc);
  return rect;
}

int TextCellHeight(TFont* font) {
  return MeasureClassicText(font, "0", TRect{0, 0, 1000, 1000}, DT_SINGLELINE | DT_NOPREFIX).Height();
}

int ClassicArrowRows(const TRect& r, TArrowDirection direction) {
  const bool vertical = direction == adUp || direction == adDown;
  const int across = vertical ? r.Width() : r.Height(), along = vertical ? r.Height() : r.Width();
  return std::max(1, std::min((across + 1) / 4, along / 2));
}

namespace {

void ArrowRows(HDC dc, const TRect& r, TArrowDirection direction, int dx, int dy, TColor colour) {
  const int n = ClassicArrowRows(r, direction);
  const bool vertical = direction == adUp || direction == adDown;
  const bool toStart = direction == adUp || direction == adLeft;
  // The centre line across, and the first row along, with the glyph centred.
  const int mid = vertical ? r.Left + (r.Width() - 1) / 2 : r.Top + (r.Height() - 1) / 2;
  const int start = (vertical ? r.Top + (r.Height() - n) / 2 : r.Left + (r.Width() - n) / 2);
  for (int i = 0; i < n; ++i) {
    const int half = toStart ? i : n - 1 - i;
    const int at = start + i;
    const TRect row = vertical ? TRect{mid - half, at, mid + half + 1, at + 1} : TRect{at, mid - half, at + 1, mid + half + 1};
    FillSolid(dc, TRect{row.Left + dx, row.Top + dy, row.Right + dx, row.Bottom + dy}, colour);
  }
}

}  // namespace

void DrawClassicArrow(HDC dc, const TRect& r, TArrowDirection direction, bool enabled) {
  if (r.IsEmpty()) return;
  if (enabled) {
    ArrowRows(dc, r, direction, 0, 0, clBtnText);
    return;
  }
  ArrowRows(dc, r, direction, 1, 1, clBtnHighlight);
  ArrowRows(dc, r, direction, 0, 0, clBtnShadow);
}
