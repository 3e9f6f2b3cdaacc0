// Draws the wizard's pictures into resources/ (not part of the product):
//
//   draw_wizard_pictures [resources folder]   (default: resources)
//
// bitmap/wizard/*.bmp: the toolbar glyphs (20 x 20; the names ending in "1"
// are the disabled looks; magenta is the key colour in the bottom-left
// pixel, edges blended toward the white button face), the splash, the two
// title pictures, the caption logo and the flow dialog's arrow;
// rcdata/wizard/LINKPIC.jpg: the after-save picture; rcdata/wizard/MAINICON.ico:
// the program's icon (48 x 48, 32 bits with alpha).
//
// Shapes are signed distance functions sampled at pixel centres, which
// gives smooth one-pixel edges at any size; text comes from the platform's
// own anti-aliased text output (the pinned fonts), so the pictures show the
// faces the program itself uses. The colours are the skin's (see
// scripts/draw_skin.py).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Icon.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/rtl/FileUtils.h"

namespace {

struct Rgb {
  float r, g, b;
};
constexpr Rgb Make(int r, int g, int b) { return Rgb{float(r), float(g), float(b)}; }

// The skin's palette.
constexpr Rgb kOutline = Make(30, 37, 46);
constexpr Rgb kSlateTop = Make(56, 67, 82);
constexpr Rgb kClient = Make(243, 244, 246);
constexpr Rgb kWhite = Make(255, 255, 255);
constexpr Rgb kAccent = Make(74, 127, 193);
constexpr Rgb kAccentDark = Make(58, 103, 160);
constexpr Rgb kAccentTint = Make(227, 236, 248);
constexpr Rgb kText = Make(31, 41, 55);
constexpr Rgb kTextSoft = Make(88, 98, 111);
constexpr Rgb kGlyphLight = Make(232, 236, 241);
constexpr Rgb kOff = Make(160, 169, 180);
constexpr Rgb kOffLight = Make(206, 211, 218);
constexpr Rgb kKey = Make(255, 0, 255);
constexpr Rgb kCream = Make(255, 251, 240);  // the title panel's colour
constexpr Rgb kSuccess = Make(63, 155, 106);
constexpr Rgb kGlow = Make(120, 172, 235);

Rgb Mix(Rgb a, Rgb b, float t) { return Rgb{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }

struct P {
  float x, y;
};
float Len(float x, float y) { return std::sqrt(x * x + y * y); }

// ---- signed distances (negative inside) -------------------------------------------------
using Shape = std::function<float(float, float)>;

Shape Circle(float cx, float cy, float r) {
  return [=](float x, float y) { return Len(x - cx, y - cy) - r; };
}
Shape Ring(float cx, float cy, float r, float width) {
  return [=](float x, float y) { return std::fabs(Len(x - cx, y - cy) - r) - width / 2; };
}
// Box from (x0, y0) to (x1, y1) with corner radius r.
Shape Box(float x0, float y0, float x1, float y1, float r) {
  const float cx = (x0 + x1) / 2, cy = (y0 + y1) / 2, hx = (x1 - x0) / 2 - r, hy = (y1 - y0) / 2 - r;
  return [=](float x, float y) {
    const float qx = std::fabs(x - cx) - hx, qy = std::fabs(y - cy) - hy;
    return Len(std::max(qx, 0.0f), std::max(qy, 0.0f)) + std::min(std::max(qx, qy), 0.0f) - r;
  };
}
float SegmentDistance(float x, float y, P a, P b) {
  const float dx = b.x - a.x, dy = b.y - a.y;
  const float len2 = dx * dx + dy * dy;
  const float t = len2 > 0 ? std::clamp(((x - a.x) * dx + (y - a.y) * dy) / len2, 0.0f, 1.0f) : 0.0f;
  return Len(x - a.x - t * dx, y - a.y - t * dy);
}
// A stroke of the given width along the points, with round ends and joins.
Shape Stroke(std::vector<P> points, float width) {
  return [=](float x, float y) {
    float d = 1e9f;
    for (std::size_t i = 0; i + 1 < points.size(); ++i) d = std::min(d, SegmentDistance(x, y, points[i], points[i + 1]));
    return d - width / 2;
  };
}
// A filled polygon (even-odd rule).
Shape Polygon(std::vector<P> v) {
  return [=](float x, float y) {
    float d = 1e9f;
    bool inside = false;
    for (std::size_t i = 0, j = v.size() - 1; i < v.size(); j = i++) {
      d = std::min(d, SegmentDistance(x, y, v[j], v[i]));
      if ((v[i].y > y) != (v[j].y > y) && x < (v[j].x - v[i].x) * (y - v[i].y) / (v[j].y - v[i].y) + v[i].x)
        inside = !inside;
    }
    return inside ? -d : d;
  };
}
// Points along an arc, angles in degrees (0 = right, 90 = down).
std::vector<P> Arc(float cx, float cy, float r, float from, float to, int steps = 24) {
  std::vector<P> out;
  for (int i = 0; i <= steps; ++i) {
    const float a = (from + (to - from) * float(i) / float(steps)) * 3.14159265f / 180.0f;
    out.push_back(P{cx + r * std::cos(a), cy + r * std::sin(a)});
  }
  return out;
}
Shape Minus(Shape a, Shape b) {
  return [=](float x, float y) { return std::max(a(x, y), -b(x, y)); };
}

// ---- the picture being drawn ---------------------------------------------------------
class Picture {
 public:
  Picture(int w, int h, Rgb fill) : w_(w), h_(h), px_(std::size_t(w) * std::size_t(h), fill), alpha_(px_.size(), 0.0f) {}
  int W() const { return w_; }
  int H() const { return h_; }

  void Blend(int x, int y, Rgb c, float a) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_ || a <= 0) return;
    Rgb& p = px_[std::size_t(y) * std::size_t(w_) + std::size_t(x)];
    p = Mix(p, c, std::min(a, 1.0f));
    float& al = alpha_[std::size_t(y) * std::size_t(w_) + std::size_t(x)];
    al = al + (1 - al) * std::min(a, 1.0f);
  }
  // Fills a shape; colour may vary over the picture.
  void Fill(const Shape& s, const std::function<Rgb(float, float)>& colour, float opacity = 1.0f) {
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x) {
        const float cx = float(x) + 0.5f, cy = float(y) + 0.5f;
        const float cover = std::clamp(0.5f - s(cx, cy), 0.0f, 1.0f);
        if (cover > 0) Blend(x, y, colour(cx, cy), cover * opacity);
      }
  }
  void Fill(const Shape& s, Rgb c, float opacity = 1.0f) {
    Fill(s, [c](float, float) { return c; }, opacity);
  }
  void Set(int x, int y, Rgb c) { px_[std::size_t(y) * std::size_t(w_) + std::size_t(x)] = c; }
  Rgb Get(int x, int y) const { return px_[std::size_t(y) * std::size_t(w_) + std::size_t(x)]; }
  float Alpha(int x, int y) const { return alpha_[std::size_t(y) * std::size_t(w_) + std::size_t(x)]; }

  // Text through the platform's own text output, anti-aliased: drawn white
  // on black, its grey levels are the coverage.
  // Returns the text's width.
  int Text(int x, int y, const std::string& text, const std::string& face, int height, bool bold, Rgb c,
           float opacity = 1.0f) {
    const int width = TextWidthOf(text, face, height, bold);
    const int boxW = width + 8, boxH = height * 2;
    TBitmap mask(boxW, boxH, pf24bit);
    TCanvas* cv = mask.Canvas();
    cv->Brush()->SetColor(clBlack);
    cv->FillRect(TRect{0, 0, boxW, boxH});
    SetUp(*cv, face, height, bold);
    SetBkMode(cv->Handle(), TRANSPARENT);
    cv->TextOut(4, 0, text);
    for (int yy = 0; yy < boxH; ++yy) {
      const auto* row = static_cast<const std::uint8_t*>(mask.ScanLine(yy));
      for (int xx = 0; xx < boxW; ++xx) {
        const float a = float(row[3 * xx + 1]) / 255.0f;
        if (a > 0) Blend(x + xx - 4, y + yy, c, a * opacity);
      }
    }
    return width;
  }
  static int TextWidthOf(const std::string& text, const std::string& face, int height, bool bold) {
    TBitmap probe(1, 1, pf24bit);
    SetUp(*probe.Canvas(), face, height, bold);
    return probe.Canvas()->TextWidth(text);
  }

  // 32 bits with straight alpha from the coverage; the fill colour the
  // edges were mixed with is taken out again.
  std::unique_ptr<TBitmap> ToAlphaBitmap(Rgb fill) const {
    auto b = std::make_unique<TBitmap>(w_, h_, pf32bit);
    for (int y = 0; y < h_; ++y) {
      auto* row = static_cast<std::uint8_t*>(b->ScanLine(y));
      for (int x = 0; x < w_; ++x) {
        const float a = Alpha(x, y);
        const Rgb& p = Get(x, y);
        auto byte = [](float v) { return std::uint8_t(std::clamp(std::lround(v), 0L, 255L)); };
        auto unmix = [&](float c, float f) { return a > 0 ? (c - f * (1 - a)) / a : 0.0f; };
        row[4 * x] = byte(unmix(p.b, fill.b)), row[4 * x + 1] = byte(unmix(p.g, fill.g));
        row[4 * x + 2] = byte(unmix(p.r, fill.r)), row[4 * x + 3] = byte(a * 255);
      }
    }
    return b;
  }

  std::unique_ptr<TBitmap> ToBitmap() const {
    auto b = std::make_unique<TBitmap>(w_, h_, pf24bit);
    for (int y = 0; y < h_; ++y) {
      auto* row = static_cast<std::uint8_t*>(b->ScanLine(y));
      for (int x = 0; x < w_; ++x) {
        const Rgb& p = Get(x, y);
        auto byte = [](float v) { return std::uint8_t(std::clamp(std::lround(v), 0L, 255L)); };
        row[3 * x] = byte(p.b), row[3 * x + 1] = byte(p.g), row[3 * x + 2] = byte(p.r);
      }
    }
    return b;
  }

 private:
  static void SetUp(TCanvas& cv, const std::string& face, int height, bool bold) {
    cv.Font()->SetName(face);
    cv.Font()->SetHeight(-height);
    cv.Font()->SetStyle(bold ? fsBold : TFontStyles(0));
    cv.Font()->SetColor(clWhite);
    cv.Font()->SetQuality(fqAntialiased);
  }
  int w_, h_;
  std::vector<Rgb> px_;
  std::vector<float> alpha_;
};

// Vertical gradient over the whole picture.
void Gradient(Picture& p, Rgb top, Rgb bottom) {
  p.Fill([](float, float) { return -1.0f; }, [&](float, float y) { return Mix(top, bottom, y / float(p.H())); });
}

// The product's mark: a rounded square in the accent with a white lens ring
// and a small highlight, size x size at (x, y).
void Mark(Picture& p, float x, float y, float size) {
  const float r = size * 0.24f;
  p.Fill(Box(x, y, x + size, y + size, r),
         [&](float, float yy) { return Mix(Make(98, 150, 214), kAccentDark, (yy - y) / size); });
  const float c = size / 2;
  p.Fill(Ring(x + c, y + c, size * 0.27f, size * 0.1f), kWhite);
  p.Fill(Circle(x + c, y + c, size * 0.1f), kWhite, 0.85f);
  p.Fill(Circle(x + size * 0.76f, y + size * 0.25f, size * 0.055f), kWhite);
}

// ---- toolbar glyphs --------------------------------------------------------------------
// Each draws in a 20 x 20 box with the main colour and a second one.
using GlyphPainter = std::function<void(Picture&, Rgb main, Rgb second)>;

void Next(Picture& p, Rgb main, Rgb) {
  p.Fill(Circle(10, 10, 8.6f), main);
  p.Fill(Stroke({{5.6f, 10}, {13.6f, 10}}, 2.0f), kWhite);
  p.Fill(Stroke({{10.2f, 6.4f}, {13.9f, 10}, {10.2f, 13.6f}}, 2.0f), kWhite);
}

void Save(Picture& p, Rgb main, Rgb second) {
  p.Fill(Minus(Box(2.5f, 2.5f, 17.5f, 17.5f, 2.2f), Polygon({{14, 2}, {18, 2}, {18, 6}})), main);
  p.Fill(Box(6, 2.5f, 13.5f, 7.5f, 0.6f), kWhite);
  p.Fill(Box(10.8f, 3.5f, 12.4f, 6.5f, 0.3f), main);
  p.Fill(Box(5, 10.5f, 15, 17.5f, 1.0f), kWhite);
  p.Fill(Stroke({{7, 13}, {13, 13}}, 1.0f), second);
  p.Fill(Stroke({{7, 15.2f}, {13, 15.2f}}, 1.0f), second);
}

void Lens(Picture& p, Rgb main, Rgb second) {
  p.Fill(Stroke({{12.6f, 12.6f}, {17.2f, 17.2f}}, 3.2f), second);
  p.Fill(Circle(8.5f, 8.5f, 5.4f), kWhite);
  p.Fill(Ring(8.5f, 8.5f, 5.6f, 2.0f), main);
}
void ZoomIn(Picture& p, Rgb main, Rgb second) {
  Lens(p, main, second);
  p.Fill(Stroke({{6.0f, 8.5f}, {11.0f, 8.5f}}, 1.8f), main);
  p.Fill(Stroke({{8.5f, 6.0f}, {8.5f, 11.0f}}, 1.8f), main);
}
void ZoomOut(Picture& p, Rgb main, Rgb second) {
  Lens(p, main, second);
  p.Fill(Stroke({{6.0f, 8.5f}, {11.0f, 8.5f}}, 1.8f), main);
}

void Fit(Picture& p, Rgb main, Rgb second) {
  const float a = 2.5f, b = 17.5f, l = 5.0f, w = 2.0f;
  p.Fill(Stroke({{a, a + l}, {a, a}, {a + l, a}}, w), main);
  p.Fill(Stroke({{b - l, a}, {b, a}, {b, a + l}}, w), main);
  p.Fill(Stroke({{a, b - l}, {a, b}, {a + l, b}}, w), main);
  p.Fill(Stroke({{b - l, b}, {b, b}, {b, b - l}}, w), main);
  p.Fill(Box(6.5f, 7.5f, 13.5f, 12.5f, 1.0f), second);
}

void Actual(Picture& p, Rgb main, Rgb second) {
  const Shape frame = Box(1.5f, 3.5f, 18.5f, 16.5f, 2.5f);
  p.Fill([frame](float x, float y) { return std::fabs(frame(x, y)) - 0.6f; }, second);
  p.Fill(Stroke({{4.2f, 7.2f}, {6.2f, 5.8f}, {6.2f, 14.2f}}, 1.9f), main);
  p.Fill(Circle(10, 8.2f, 1.2f), main);
  p.Fill(Circle(10, 12.2f, 1.2f), main);
  p.Fill(Stroke({{12.8f, 7.2f}, {14.8f, 5.8f}, {14.8f, 14.2f}}, 1.9f), main);
}

// A curved arrow whose head points left; mirrored for redo.
void Undo(Picture& p, Rgb main, Rgb, bool mirror) {
  auto m = [mirror](std::vector<P> v) {
    if (mirror)
      for (P& q : v) q.x = 20 - q.x;
    return v;
  };
  std::vector<P> path = {{5, 7}, {11, 7}};
  const std::vector<P> arc = Arc(11, 11.5f, 4.5f, -90, 90);
  path.insert(path.end(), arc.begin(), arc.end());
  path.push_back({7, 16});
  p.Fill(Stroke(m(path), 2.1f), main);
  p.Fill(Polygon(m({{2.2f, 7}, {7.2f, 2.6f}, {7.2f, 11.4f}})), main);
}

std::unique_ptr<TBitmap> Glyph(const GlyphPainter& paint, bool enabled) {
  Picture p(20, 20, kWhite);
  if (enabled)
    paint(p, kAccent, kTextSoft);
  else
    paint(p, kOff, kOffLight);
  // Untouched pixels take the key colour; the edges stay blended toward the
  // white face of the button.
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x)
      if (p.Alpha(x, y) < 0.04f) p.Set(x, y, kKey);
  p.Set(0, 19, kKey);
  return p.ToBitmap();
}

// ---- the larger pictures ---------------------------------------------------------------
constexpr const char* kCjkFace = "华文细黑";
constexpr const char* kLatinFace = "Arial";

std::unique_ptr<TBitmap> Splash() {
  Picture p(520, 390, kSlateTop);
  Gradient(p, Make(52, 63, 79), Make(28, 34, 43));
  // Soft light from the upper right, and two quiet rings.
  for (int y = 0; y < p.H(); ++y)
    for (int x = 0; x < p.W(); ++x) {
      const float fall = std::max(0.0f, 1.0f - Len(float(x) - 470, float(y) - 30) / 330.0f);
      p.Blend(x, y, kGlow, 0.16f * fall * fall);
    }
  p.Fill(Ring(430, 300, 120, 1.2f), kGlow, 0.18f);
  p.Fill(Ring(430, 300, 160, 1.0f), kGlow, 0.10f);
  // Mark, name and the line under it.
  Mark(p, 48, 92, 64);
  p.Text(128, 88, "Lumiqa", kLatinFace, 58, true, kWhite);
  p.Text(131, 158, "轻松五步打造出您的Lumiqa", kCjkFace, 20, false, kGlyphLight);
  p.Fill(Box(48, 204, 472, 205, 0), kWhite, 0.14f);
  // The five steps.
  const char* steps[] = {"尺寸调整", "高光去除", "色彩优化", "细节优化", "痘痣去除"};
  for (int i = 0; i < 5; ++i) {
    const float cx = 48 + 14 + float(i) * 88;
    p.Fill(Circle(cx, 246, 13), kAccent);
    p.Text(int(cx) - 4, 238, std::to_string(i + 1), kLatinFace, 15, true, kWhite);
    if (i < 4) p.Fill(Stroke({{cx + 18, 246}, {cx + 70, 246}}, 1.0f), kWhite, 0.22f);
    const int tw = Picture::TextWidthOf(steps[i], kCjkFace, 13, false);
    p.Text(int(cx) - tw / 2, 266, steps[i], kCjkFace, 13, false, Make(196, 204, 214));
  }
  // Bottom band.
  p.Fill(Box(0, 352, 520, 390, 0), kOutline, 0.55f);
  p.Fill(Box(0, 352, 520, 353, 0), kAccent, 0.9f);
  p.Text(48, 362, "照片美化向导", kCjkFace, 13, false, Make(168, 178, 190));
  const int vw = Picture::TextWidthOf("Lumiqa 2011", kLatinFace, 13, false);
  p.Text(472 - vw, 362, "Lumiqa 2011", kLatinFace, 13, false, Make(168, 178, 190));
  return p.ToBitmap();
}

// Left title picture: the mark and the name on the title panel's cream.
// Kept narrow: the toolbar's first button sits right of it, as close as
// about 150 pixels from the left edge in the narrowest window.
std::unique_ptr<TBitmap> Title1() {
  const int nameW = Picture::TextWidthOf("Lumiqa", kLatinFace, 22, true);
  const int w = 8 + 27 + 8 + nameW + 8;
  Picture p(w, 41, kCream);
  Mark(p, 8, 7, 27);
  p.Text(43, 8, "Lumiqa", kLatinFace, 22, true, kText);
  return p.ToBitmap();
}

// Right title picture, stretched to whatever room is left: only gentle
// horizontal change, so stretching never shows.
std::unique_ptr<TBitmap> Title2() {
  Picture p(200, 41, kCream);
  p.Fill([](float, float) { return -1.0f; }, [](float x, float) { return Mix(kCream, kAccentTint, x / 200.0f); });
  p.Fill(Box(0, 39, 200, 41, 0), [](float x, float) { return Mix(kCream, kAccent, x / 200.0f); }, 0.55f);
  return p.ToBitmap();
}

// The caption logo the skinned frame draws in the middle of the client.
std::unique_ptr<TBitmap> Logo() {
  Picture p(180, 120, kClient);
  Mark(p, 58, 8, 64);
  const int w = Picture::TextWidthOf("Lumiqa", kLatinFace, 30, true);
  p.Text(90 - w / 2, 78, "Lumiqa", kLatinFace, 30, true, Make(176, 186, 198));
  // A watermark behind the pages: faded toward the client colour.
  for (int y = 0; y < p.H(); ++y)
    for (int x = 0; x < p.W(); ++x) p.Set(x, y, Mix(p.Get(x, y), kClient, 0.45f));
  return p.ToBitmap();
}

// The program's icon for the task bar and the window switcher: the mark on
// nothing, 48 x 48.
bool SaveIcon(const std::string& name) {
  const Rgb fill = Make(98, 150, 214);
  Picture p(48, 48, fill);
  Mark(p, 1, 1, 46);
  try {
    TIcon icon;
    icon.SetImage(*p.ToAlphaBitmap(fill), nullptr);
    icon.SaveToFile(name);
    return true;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "draw_wizard_pictures: %s\n", e.what());
    return false;
  }
}

// The flow dialog's arrow between two steps, on the dialog's client colour.
std::unique_ptr<TBitmap> Arrow() {
  Picture p(20, 20, kClient);
  p.Fill(Stroke({{10, 2.5f}, {10, 12}}, 2.4f), kAccent);
  p.Fill(Polygon({{4, 10.5f}, {16, 10.5f}, {10, 17.5f}}), kAccent);
  return p.ToBitmap();
}

// The after-save picture: a quiet thank-you with the web address to click.
std::unique_ptr<TBitmap> LinkPicture() {
  Picture p(500, 511, kWhite);
  Gradient(p, kWhite, Make(236, 240, 245));
  // Three photos fanned out behind the check mark.
  auto photo = [&p](float cx, float cy, float angle, Rgb top, Rgb bottom) {
    const float a = angle * 3.14159265f / 180.0f, c = std::cos(a), s = std::sin(a);
    auto corner = [&](float x, float y) { return P{cx + x * c - y * s, cy + x * s + y * c}; };
    const std::vector<P> frame = {corner(-70, -52), corner(70, -52), corner(70, 52), corner(-70, 52)};
    const std::vector<P> inner = {corner(-62, -44), corner(62, -44), corner(62, 34), corner(-62, 34)};
    std::vector<P> shadow = frame;
    for (P& q : shadow) q.y += 3;
    p.Fill(Polygon(shadow), Make(30, 37, 46), 0.10f);
    p.Fill(Polygon(frame), Make(30, 37, 46), 0.10f);
    p.Fill(Polygon(frame), kWhite);
    p.Fill(Polygon(inner), [&](float, float y) { return Mix(top, bottom, std::clamp((y - cy + 44) / 88, 0.0f, 1.0f)); });
  };
  photo(170, 150, -12, Make(150, 190, 230), Make(232, 214, 180));
  photo(330, 150, 10, Make(196, 220, 196), Make(120, 160, 130));
  photo(250, 136, 0, Make(160, 196, 236), Make(80, 122, 176));
  // The check mark in its badge.
  p.Fill(Circle(250, 222, 46), kWhite);
  p.Fill(Circle(250, 222, 40), kSuccess);
  p.Fill(Stroke({{229, 223}, {244, 238}, {272, 208}}, 8.0f), kWhite);
  auto centred = [&p](int y, const std::string& text, const char* face, int height, bool bold, Rgb c) {
    const int w = Picture::TextWidthOf(text, face, height, bold);
    p.Text(250 - w / 2, y, text, face, height, bold, c);
  };
  centred(286, "保存成功", kCjkFace, 38, true, kText);
  centred(342, "您的照片已经保存完毕，感谢使用 Lumiqa！", kCjkFace, 17, false, kTextSoft);
  // The card that invites the click.
  p.Fill(Box(60, 392, 440, 470, 10), Make(30, 37, 46), 0.05f);
  p.Fill(Box(60, 390, 440, 466, 10), kAccentTint);
  p.Fill(Box(60, 390, 66, 466, 3), kAccent);
  p.Text(86, 402, "点击这里，访问 Lumiqa 主页", kCjkFace, 17, true, kText);
  p.Text(86, 430, "获取更多照片美化技巧与新版本", kCjkFace, 14, false, kTextSoft);
  const int uw = Picture::TextWidthOf("lumiqa.example.org", kLatinFace, 14, false);
  p.Text(418 - uw, 431, "lumiqa.example.org", kLatinFace, 14, false, kAccentDark);
  p.Fill(Box(418 - float(uw), 449, 418, 450, 0), kAccentDark);
  p.Fill(Stroke({{404, 410}, {412, 418}, {404, 426}}, 2.2f), kAccent);
  centred(486, "Lumiqa 照片美化向导", kCjkFace, 12, false, kOff);
  return p.ToBitmap();
}

bool SaveBmp(TBitmap& b, const std::string& name) {
  try {
    b.SaveToFile(name);
    return true;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "draw_wizard_pictures: %s\n", e.what());
    return false;
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string root = argc > 1 ? argv[1] : "resources";
  const std::string bitmaps = root + "/bitmap/wizard/", data = root + "/rcdata/wizard/";
  if (!ForceDirectories(bitmaps) || !ForceDirectories(data)) {
    std::fprintf(stderr, "draw_wizard_pictures: cannot make the folders under %s\n", root.c_str());
    return 1;
  }
  struct GlyphJob {
    const char* name;
    GlyphPainter paint;
    bool disabled;  // also draw the "1" look
  } glyphs[] = {
      {"NEXT", Next, true},
      {"SAVE", Save, false},
      {"ZOOMIN", ZoomIn, true},
      {"ZOOMOUT", ZoomOut, true},
      {"FIT", Fit, true},
      {"ACTUAL", Actual, true},
      {"UNDO", [](Picture& p, Rgb m, Rgb s) { Undo(p, m, s, false); }, true},
      {"REDO", [](Picture& p, Rgb m, Rgb s) { Undo(p, m, s, true); }, true},
  };
  bool ok = true;
  for (const GlyphJob& g : glyphs) {
    ok &= SaveBmp(*Glyph(g.paint, true), bitmaps + g.name + ".bmp");
    if (g.disabled) ok &= SaveBmp(*Glyph(g.paint, false), bitmaps + g.name + "1.bmp");
  }
  ok &= SaveBmp(*Splash(), bitmaps + "SPLASH.bmp");
  ok &= SaveBmp(*Title1(), bitmaps + "TITLE1.bmp");
  ok &= SaveBmp(*Title2(), bitmaps + "TITLE2.bmp");
  ok &= SaveBmp(*Logo(), bitmaps + "LOGO.bmp");
  ok &= SaveBmp(*Arrow(), bitmaps + "ARROW.bmp");
  ok &= SaveIcon(data + "MAINICON.ico");
  try {
    auto link = LinkPicture();
    TJPEGImage jpeg;
    jpeg.CompressionQuality = 92;
    jpeg.Assign(link.get());
    jpeg.SaveToFile(data + "LINKPIC.jpg");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "draw_wizard_pictures: %s\n", e.what());
    ok = false;
  }
  return ok ? 0 : 1;
}
