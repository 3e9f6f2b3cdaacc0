#include "platform/gdi/Text.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/FontEngine.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiInternal.h"
#include "platform/gdi/TextLayout.h"
#include "platform/rtl/Exceptions.h"

namespace {

// Rotated fills are rasterized into a mask; beyond this many pixels they are
// skipped rather than allocating without bound.
constexpr long long kMaxRotatedFillPixels = 16LL << 20;
constexpr UINT kMaxCharCode = 0x10FFFF;

FontRequest RequestFrom(const LOGFONT& lf) {
  FontRequest r;
  r.faceName.assign(lf.lfFaceName, strnlen(lf.lfFaceName, LF_FACEBYTES));
  r.height = lf.lfHeight;
  r.width = lf.lfWidth;
  r.escapement = lf.lfEscapement;
  r.weight = lf.lfWeight;
  r.italic = lf.lfItalic != 0;
  r.underline = lf.lfUnderline != 0;
  r.strikeOut = lf.lfStrikeOut != 0;
  r.charSet = lf.lfCharSet;
  r.quality = lf.lfQuality;
  r.pitchAndFamily = lf.lfPitchAndFamily;
  return r;
}

// Directions of the text: u runs along the baseline, v downwards across it.
struct Orientation {
  double cos = 1;
  double sin = 0;
  bool rotated = false;

  explicit Orientation(int escapement) {
    switch (escapement) {
      case 0: return;
      case 900: cos = 0, sin = 1; break;
      case 1800: cos = -1, sin = 0; break;
      case 2700: cos = 0, sin = -1; break;
      default: {
        const double a = escapement * std::numbers::pi / 1800.0;
        cos = std::cos(a);
        sin = std::sin(a);
      }
    }
    rotated = true;
  }
  // Text-space offset -> logical offset (y down).
  POINT Map(long long u, long long v) const {
    if (!rotated) return {static_cast<int>(u), static_cast<int>(v)};
    return {static_cast<int>(std::lround(u * cos + v * sin)), static_cast<int>(std::lround(-u * sin + v * cos))};
  }
};

struct TextContext {
  HDC handle = nullptr;
  DeviceContext* dc = nullptr;
  ResolvedFont font;
  int extra = 0;
  const FontFace& Face() const { return *font.face; }
  const FontMetrics& Metrics() const { return font.metrics; }
};

bool Prepare(HDC h, TextContext& t) {
  t.handle = h;
  t.dc = GdiCheckDC(h);
  if (!t.dc) return false;
  const GdiFont* f = t.dc->st.font;
  if (!f) f = static_cast<const GdiFont*>(GdiStock(SYSTEM_FONT));
  if (!f) return false;
  try {
    t.font = ResolveFont(RequestFrom(f->lf));
  } catch (const Exception&) {
    return false;
  }
  t.extra = t.dc->st.charExtra;
  return t.font.face != nullptr;
}

std::vector<char32_t> Decode(std::string_view s) {
  std::vector<char32_t> chars;
  chars.reserve(s.size());
  for (std::size_t pos = 0, next = 0; pos < s.size(); pos = next) chars.push_back(ReadTextChar(s, pos, next));
  return chars;
}

int ClampInt(long long v) { return static_cast<int>(std::clamp<long long>(v, INT_MIN / 4, INT_MAX / 4)); }

// Blends a mask placed at (x, y), cut to `clip` when given.
void BlendClipped(HDC h, long long x, long long y, const std::uint8_t* mask, int stride, int w, int hgt, COLORREF color,
                  bool coverage, const RECT* clip) {
  long long x0 = x, y0 = y, x1 = x + w, y1 = y + hgt;
  if (clip) {
    x0 = std::max<long long>(x0, clip->Left);
    y0 = std::max<long long>(y0, clip->Top);
    x1 = std::min<long long>(x1, clip->Right);
    y1 = std::min<long long>(y1, clip->Bottom);
  }
  if (x0 >= x1 || y0 >= y1 || x0 < INT_MIN / 2 || x1 > INT_MAX / 2 || y0 < INT_MIN / 2 || y1 > INT_MAX / 2) return;
  GdiBlendMask(h, static_cast<int>(x0), static_cast<int>(y0), mask + (y0 - y) * stride + (x0 - x), stride,
               static_cast<int>(x1 - x0), static_cast<int>(y1 - y0), color, coverage);
}

// Fills the text-space rectangle [u0, u1) x [v0, v1) around `origin`.
void FillTextRect(HDC h, const Orientation& o, POINT origin, long long u0, long long u1, long long v0, long long v1,
                  COLORREF color, const RECT* clip) {
  if (u0 >= u1 || v0 >= v1) return;
  if (!o.rotated) {
    RECT r{ClampInt(origin.X + u0), ClampInt(origin.Y + v0), ClampInt(origin.X + u1), ClampInt(origin.Y + v1)};
    if (clip) {
      r.Left = std::max(r.Left, clip->Left);
      r.Top = std::max(r.Top, clip->Top);
      r.Right = std::min(r.Right, clip->Right);
      r.Bottom = std::min(r.Bottom, clip->Bottom);
    }
    if (!r.IsEmpty()) GdiFillSolidRect(h, r, color);
    return;
  }
  const POINT corners[] = {o.Map(u0, v0), o.Map(u1, v0), o.Map(u0, v1), o.Map(u1, v1)};
  int minX = INT_MAX, minY = INT_MAX, maxX = INT_MIN, maxY = INT_MIN;
  for (const POINT& p : corners) {
    minX = std::min(minX, p.X), maxX = std::max(maxX, p.X);
    minY = std::min(minY, p.Y), maxY = std::max(maxY, p.Y);
  }
  const int w = maxX - minX + 1, hgt = maxY - minY + 1;
  if (static_cast<long long>(w) * hgt > kMaxRotatedFillPixels) return;
  std::vector<std::uint8_t> mask(static_cast<std::size_t>(w) * hgt);
  // Pixel centres back into text space: the rotation's inverse.
  for (int y = 0; y < hgt; ++y) {
    const double dy = minY + y + 0.5;
    for (int x = 0; x < w; ++x) {
      const double dx = minX + x + 0.5;
      const double u = dx * o.cos - dy * o.sin, v = dx * o.sin + dy * o.cos;
      mask[static_cast<std::size_t>(y) * w + x] = (u >= u0 && u < u1 && v >= v0 && v < v1) ? 255 : 0;
    }
  }
  BlendClipped(h, static_cast<long long>(origin.X) + minX, static_cast<long long>(origin.Y) + minY, mask.data(), w, w,
               hgt, color, false, clip);
}

// One run of characters from a baseline origin; pens[i] is character i's
// pen offset along the baseline and `width` the run's advance.
void DrawRun(const TextContext& t, POINT origin, const std::vector<char32_t>& chars, const std::vector<long long>& pens,
             long long width, const RECT* clip, bool fillCell) {
  const FontMetrics& m = t.Metrics();
  const Orientation o(t.Face().Escapement());
  const COLORREF text = t.dc->st.textColor;
  if (fillCell) FillTextRect(t.handle, o, origin, 0, width, -m.ascent, m.descent, t.dc->st.bkColor, clip);
  const bool coverage = t.Face().Antialiased();
  for (std::size_t i = 0; i < chars.size(); ++i) {
    const Glyph& g = t.Face().GetGlyph(chars[i]);
    if (g.width <= 0 || g.height <= 0) continue;
    const POINT pen = o.Map(pens[i], 0);
    BlendClipped(t.handle, static_cast<long long>(origin.X) + pen.X + g.left,
                 static_cast<long long>(origin.Y) + pen.Y + g.top, g.coverage.get(), g.width, g.width, g.height, text,
                 coverage, clip);
  }
  if (m.underlined)
    FillTextRect(t.handle, o, origin, 0, width, m.underlineOffset, m.underlineOffset + m.underlineThickness, text,
                 clip);
  if (m.struckOut)
    FillTextRect(t.handle, o, origin, 0, width, -m.strikeOutOffset, -m.strikeOutOffset + m.strikeOutThickness, text,
                 clip);
}

// Pen offsets of a run, from the font or from a caller's spacing array.
long long PlacePens(const TextContext& t, const std::vector<char32_t>& chars, const int* dx, std::vector<long long>& pens) {
  pens.resize(chars.size());
  long long u = 0;
  for (std::size_t i = 0; i < chars.size(); ++i) {
    pens[i] = u;
    u += dx ? dx[i] : t.Face().Advance(chars[i]) + t.extra;
    u = std::clamp<long long>(u, INT_MIN / 4, INT_MAX / 4);
  }
  return u;
}

int DrawTextImpl(HDC h, const char* text, char* writable, int count, RECT* rect, UINT format,
                 DRAWTEXTPARAMS* params) {
  if (!rect) return 0;
  if (params && params->cbSize != sizeof(DRAWTEXTPARAMS)) return 0;
  TextContext t;
  if (!Prepare(h, t)) return 0;
  if (!text) return 0;  // bad input, not an empty string
  if (count < 0) count = static_cast<int>(std::min<std::size_t>(std::strlen(text), INT_MAX));
  const std::string_view s(text ? text : "", static_cast<std::size_t>(count));
  const FontMetrics& m = t.Metrics();

  TextLayoutMetrics lm;
  lm.lineHeight = m.height;
  lm.externalLeading = m.externalLeading;
  lm.aveCharWidth = m.aveCharWidth;
  const FontFace* face = t.font.face.get();
  const int extra = t.extra;
  lm.charWidth = [face, extra](char32_t c) { return face->Advance(c) + extra; };
  TextLayoutParams lp;
  if (params) {
    lp.tabLength = params->iTabLength;
    lp.leftMargin = params->iLeftMargin;
    lp.rightMargin = params->iRightMargin;
  }
  const TextLayoutResult layout = LayoutDrawText(s, *rect, format, lm, lp);
  if (params) params->uiLengthDrawn = static_cast<UINT>(layout.lengthDrawn);

  if ((format & DT_MODIFYSTRING) && writable && layout.modified) {
    // The caller's buffer holds count + 4 bytes; keep the NUL inside it.
    const std::size_t room = static_cast<std::size_t>(count) + 3;
    const std::size_t n = std::min(layout.modifiedText.size(), room);
    std::memcpy(writable, layout.modifiedText.data(), n);
    writable[n] = '\0';
  }
  if (format & DT_CALCRECT) {
    *rect = layout.calcRect;
    return layout.height;
  }

  const RECT clipRect = *rect;
  const RECT* clip = layout.clip ? &clipRect : nullptr;
  const bool fillCell = t.dc->st.bkMode == OPAQUE;
  const Orientation o(t.Face().Escapement());
  std::vector<char32_t> chars;
  std::vector<long long> pens;
  for (const TextLayoutLine& line : layout.lines) {
    const POINT origin{line.x, line.y + m.ascent};
    if (layout.drawChars) {
      chars.clear();
      pens.clear();
      for (const TextLayoutChar& c : line.chars) {
        chars.push_back(c.ch);
        pens.push_back(c.x);
      }
      DrawRun(t, origin, chars, pens, line.width, clip, fillCell);
    }
    if (layout.drawUnderlines && line.underlineLeft < line.underlineRight)
      FillTextRect(h, o, origin, line.underlineLeft - line.x, line.underlineRight - line.x, m.underlineOffset,
                   m.underlineOffset + m.underlineThickness, t.dc->st.textColor, clip);
  }
  return layout.height;
}

bool Measure(HDC h, const char* text, int count, TextContext& t, std::vector<char32_t>& chars) {
  if (count < 0 || (!text && count > 0)) return false;
  if (!Prepare(h, t)) return false;
  chars = Decode(std::string_view(text ? text : "", static_cast<std::size_t>(count)));
  return true;
}

}  // namespace

BOOL ExtTextOut(HDC h, int x, int y, UINT options, const RECT* rect, const char* text, UINT count, const int* dx) {
  TextContext t;
  if (!Prepare(h, t)) return FALSE;
  if (!text) count = 0;
  const std::vector<char32_t> chars = Decode(std::string_view(text ? text : "", count));
  DeviceContext& dc = *t.dc;
  if ((options & ETO_OPAQUE) && rect) GdiFillSolidRect(h, *rect, dc.st.bkColor);
  if (chars.empty()) return TRUE;

  std::vector<long long> pens;
  const long long width = PlacePens(t, chars, dx, pens);
  const FontMetrics& m = t.Metrics();
  const Orientation o(t.Face().Escapement());
  const UINT align = dc.st.textAlign;
  const POINT start = (align & TA_UPDATECP) ? dc.st.pos : POINT{x, y};

  long long u = 0;
  if ((align & TA_CENTER) == TA_CENTER)
    u = -width / 2;
  else if (align & TA_RIGHT)
    u = -width;
  long long v = m.ascent;  // TA_TOP: the reference point is the cell's top
  if ((align & TA_BASELINE) == TA_BASELINE)
    v = 0;
  else if (align & TA_BOTTOM)
    v = -m.descent;
  const POINT shift = o.Map(u, v);
  const POINT origin{ClampInt(static_cast<long long>(start.X) + shift.X), ClampInt(static_cast<long long>(start.Y) + shift.Y)};

  const RECT* clip = (options & ETO_CLIPPED) && rect ? rect : nullptr;
  DrawRun(t, origin, chars, pens, width, clip, dc.st.bkMode == OPAQUE);

  if (align & TA_UPDATECP) {
    // The current position moves past the text; centred text leaves it.
    long long move = 0;
    if ((align & TA_CENTER) == TA_CENTER)
      move = 0;
    else if (align & TA_RIGHT)
      move = -width;
    else
      move = width;
    const POINT d = o.Map(move, 0);
    dc.st.pos = {ClampInt(static_cast<long long>(start.X) + d.X), ClampInt(static_cast<long long>(start.Y) + d.Y)};
  }
  return TRUE;
}

BOOL TextOut(HDC h, int x, int y, const char* text, int count) {
  if (count < 0) return FALSE;
  return ExtTextOut(h, x, y, 0, nullptr, text, static_cast<UINT>(count), nullptr);
}

int DrawText(HDC h, const char* text, int count, RECT* rect, UINT format) {
  return DrawTextImpl(h, text, nullptr, count, rect, format, nullptr);
}
int DrawText(HDC h, char* text, int count, RECT* rect, UINT format) {
  return DrawTextImpl(h, text, text, count, rect, format, nullptr);
}
int DrawTextEx(HDC h, const char* text, int count, RECT* rect, UINT format, DRAWTEXTPARAMS* params) {
  return DrawTextImpl(h, text, nullptr, count, rect, format, params);
}
int DrawTextEx(HDC h, char* text, int count, RECT* rect, UINT format, DRAWTEXTPARAMS* params) {
  return DrawTextImpl(h, text, text, count, rect, format, params);
}

BOOL GetTextExtentPoint32(HDC h, const char* text, int count, SIZE* size) {
  return GetTextExtentExPoint(h, text, count, 0, nullptr, nullptr, size);
}

BOOL GetTextExtentExPoint(HDC h, const char* text, int count, int maxExtent, int* fit, int* dx, SIZE* size) {
  TextContext t;
  std::vector<char32_t> chars;
  if (!Measure(h, text, count, t, chars)) return FALSE;
  long long x = 0;
  int fitting = 0;
  for (std::size_t i = 0; i < chars.size(); ++i) {
    x = std::min<long long>(x + t.Face().Advance(chars[i]) + t.extra, INT_MAX / 4);
    if (dx) dx[i] = static_cast<int>(x);
    if (x <= maxExtent && fitting == static_cast<int>(i)) fitting = static_cast<int>(i) + 1;
  }
  if (fit) *fit = fitting;
  if (size) *size = SIZE{static_cast<int>(x), t.Metrics().height};
  return TRUE;
}

BOOL GetTextMetrics(HDC h, TEXTMETRIC* tm) {
  TextContext t;
  if (!tm || !Prepare(h, t)) return FALSE;
  const FontMetrics& m = t.Metrics();
  auto wide = [](char32_t c) { return static_cast<Word>(std::min<char32_t>(c, 0xFFFF)); };
  *tm = TEXTMETRIC{};
  tm->tmHeight = m.height;
  tm->tmAscent = m.ascent;
  tm->tmDescent = m.descent;
  tm->tmInternalLeading = m.internalLeading;
  tm->tmExternalLeading = m.externalLeading;
  tm->tmAveCharWidth = m.aveCharWidth;
  tm->tmMaxCharWidth = m.maxCharWidth;
  tm->tmWeight = m.weight;
  tm->tmFirstChar = wide(m.firstChar);
  tm->tmLastChar = wide(m.lastChar);
  tm->tmDefaultChar = wide(m.defaultChar);
  tm->tmBreakChar = wide(m.breakChar);
  tm->tmItalic = m.italic ? 255 : 0;
  tm->tmUnderlined = m.underlined ? 255 : 0;
  tm->tmStruckOut = m.struckOut ? 255 : 0;
  tm->tmPitchAndFamily = m.pitchAndFamily;
  tm->tmCharSet = m.charSet;
  return TRUE;
}

BOOL GetCharWidth32(HDC h, UINT first, UINT last, int* widths) {
  TextContext t;
  if (!widths || last < first || last > kMaxCharCode || !Prepare(h, t)) return FALSE;
  for (UINT c = first; c <= last; ++c) widths[c - first] = t.Face().Advance(static_cast<char32_t>(c));
  return TRUE;
}

int GetTextFace(HDC h, int count, char* name) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc) return 0;
  const GdiFont* f = dc->st.font ? dc->st.font : static_cast<const GdiFont*>(GdiStock(SYSTEM_FONT));
  if (!f) return 0;
  std::string face(f->lf.lfFaceName, strnlen(f->lf.lfFaceName, LF_FACEBYTES));
  if (face.empty()) face = MapFontFamily(face, f->lf.lfCharSet, f->lf.lfPitchAndFamily);
  if (!name) return static_cast<int>(face.size()) + 1;
  if (count <= 0) return 0;
  std::size_t n = std::min(face.size(), static_cast<std::size_t>(count - 1));
  // Never cut a character in two.
  while (n > 0 && n < face.size() && (static_cast<unsigned char>(face[n]) & 0xC0) == 0x80) --n;
  std::memcpy(name, face.data(), n);
  name[n] = '\0';
  return static_cast<int>(n) + 1;
}
