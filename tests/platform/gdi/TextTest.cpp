#include "platform/gdi/Text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "platform/gdi/DeviceContext.h"  // complete handle types for SelectObject
#include "platform/gdi/Gdi.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kInk = RGB(12, 34, 56);
constexpr COLORREF kBack = RGB(200, 10, 20);

// BGRX pixel of a COLORREF.
std::uint32_t Px(COLORREF c) { return (DWORD(GetRValue(c)) << 16) | (DWORD(GetGValue(c)) << 8) | GetBValue(c); }

// A 32-bit top-down DIB section selected into a memory DC.
class Canvas {
 public:
  Canvas(int w, int h) : w_(w), h_(h) {
    dc_ = CreateCompatibleDC(nullptr);
    BITMAPINFO bmi;
    bmi.bmiHeader.biWidth = w;
    bmi.bmiHeader.biHeight = -h;
    bmi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    bm_ = CreateDIBSection(dc_, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<std::uint32_t*>(bits);
    old_ = SelectObject(dc_, bm_);
    Clear();
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    if (font_) DeleteObject(SelectObject(dc_, oldFont_));
    DeleteObject(bm_);
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  void Clear() {
    for (int i = 0; i < w_ * h_; ++i) bits_[i] = Px(kWhite);
  }
  void UseFont(HFONT f) {
    if (font_) DeleteObject(SelectObject(dc_, f));
    else oldFont_ = SelectObject(dc_, f);
    font_ = f;
  }
  void UseFont(const char* face, int height, int weight = FW_NORMAL, Byte quality = DEFAULT_QUALITY,
               int escapement = 0, bool underline = false, bool strike = false) {
    UseFont(CreateFont(height, 0, escapement, escapement, weight, 0, underline, strike, DEFAULT_CHARSET, 0, 0,
                       quality, 0, face));
  }
  std::uint32_t At(int x, int y) const { return bits_[y * w_ + x]; }
  // Bounding box of pixels that are not white; empty when none.
  RECT InkBox() const { return BoxWhere([&](std::uint32_t p) { return p != Px(kWhite); }); }
  RECT BoxOf(COLORREF c) const { return BoxWhere([&](std::uint32_t p) { return p == Px(c); }); }
  std::set<std::uint32_t> Colors() const { return std::set<std::uint32_t>(bits_, bits_ + w_ * h_); }
  std::vector<std::uint32_t> Pixels() const { return std::vector<std::uint32_t>(bits_, bits_ + w_ * h_); }
  int Count(COLORREF c) const {
    int n = 0;
    for (int i = 0; i < w_ * h_; ++i) n += bits_[i] == Px(c);
    return n;
  }

 private:
  template <class F>
  RECT BoxWhere(F match) const {
    RECT r{w_, h_, 0, 0};
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x)
        if (match(At(x, y))) {
          r.Left = std::min(r.Left, x), r.Top = std::min(r.Top, y);
          r.Right = std::max(r.Right, x + 1), r.Bottom = std::max(r.Bottom, y + 1);
        }
    return r.IsEmpty() ? RECT{} : r;
  }

  int w_, h_;
  HDC dc_ = nullptr;
  HBITMAP bm_ = nullptr;
  HGDIOBJ old_ = nullptr;
  HFONT font_ = nullptr;
  HGDIOBJ oldFont_ = nullptr;
  std::uint32_t* bits_ = nullptr;
};

struct FontCase {
  const char* face;
  int height;
  int weight;
};
const FontCase kFonts[] = {{"Arial", -13, FW_NORMAL}, {"宋体", 12, FW_NORMAL}, {"Tahoma", -11, FW_BOLD},
                           {"Courier New", -16, FW_NORMAL}, {"华文细黑", -14, FW_BOLD}};
const char* const kTexts[] = {"Hello, World", "请在图像上用鼠标框选", "Mixed 中文 text (1.5x)"};

TEST(Text, ExtentCalcRectOpaqueCellAndInkAgree) {
  Canvas c(600, 80);
  for (const FontCase& f : kFonts) {
    c.UseFont(f.face, f.height, f.weight);
    TEXTMETRIC tm;
    ASSERT_TRUE(GetTextMetrics(c.dc(), &tm));
    for (const char* text : kTexts) {
      const int len = int(std::strlen(text));
      SIZE sz;
      ASSERT_TRUE(GetTextExtentPoint32(c.dc(), text, len, &sz));
      EXPECT_EQ(sz.cy, tm.tmHeight);
      RECT calc = Rect(10, 10, 11, 11);
      EXPECT_EQ(DrawText(c.dc(), text, -1, &calc, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX), tm.tmHeight);
      EXPECT_EQ(calc, Rect(10, 10, 10 + sz.cx, 10 + sz.cy)) << f.face << " " << text;

      // The opaque cell is exactly the measured extent.
      c.Clear();
      SetBkMode(c.dc(), OPAQUE);
      SetBkColor(c.dc(), kBack);
      SetTextColor(c.dc(), kInk);
      ASSERT_TRUE(TextOut(c.dc(), 10, 10, text, len));
      EXPECT_EQ(c.InkBox(), Rect(10, 10, 10 + sz.cx, 10 + sz.cy)) << f.face << " " << text;
      EXPECT_EQ(c.Count(kBack) + c.Count(kInk), sz.cx * sz.cy) << f.face << " " << text;
      const auto viaTextOut = c.Pixels();

      // DrawText draws the same pixels at the same place.
      c.Clear();
      RECT r = Rect(10, 10, 590, 70);
      DrawText(c.dc(), text, len, &r, DT_SINGLELINE | DT_NOPREFIX);
      EXPECT_EQ(c.Pixels(), viaTextOut) << f.face << " " << text;

      // Transparent ink stays inside the cell (these faces do not overhang).
      c.Clear();
      SetBkMode(c.dc(), TRANSPARENT);
      TextOut(c.dc(), 10, 10, text, len);
      const RECT ink = c.InkBox();
      EXPECT_GE(ink.Left, 10);
      EXPECT_LE(ink.Right, 10 + sz.cx);
      EXPECT_GE(ink.Top, 10);
      EXPECT_LE(ink.Bottom, 10 + sz.cy);
      EXPECT_GT(ink.Width(), sz.cx / 2) << f.face << " " << text;
    }
  }
}

TEST(Text, MonochromeTextUsesOnlyTheTextColour) {
  Canvas c(300, 40);
  SetBkMode(c.dc(), TRANSPARENT);
  SetTextColor(c.dc(), kInk);
  for (Byte quality : {DEFAULT_QUALITY, NONANTIALIASED_QUALITY, ANTIALIASED_QUALITY, CLEARTYPE_QUALITY}) {
    for (const char* face : {"Arial", "宋体"}) {
      c.Clear();
      c.UseFont(face, -15, FW_NORMAL, quality);
      const char* text = "Quality 质量 test";
      TextOut(c.dc(), 2, 2, text, int(std::strlen(text)));
      const auto colors = c.Colors();
      const bool smooth = quality == ANTIALIASED_QUALITY || quality == CLEARTYPE_QUALITY;
      EXPECT_TRUE(colors.count(Px(kInk)));
      if (smooth)
        EXPECT_GT(colors.size(), 2u) << face;
      else
        EXPECT_EQ(colors, (std::set<std::uint32_t>{Px(kWhite), Px(kInk)})) << face << int(quality);
    }
  }
}

TEST(Text, ChineseHelpTextWrapsInsideANarrowRectangle) {
  const char* help = "请在图像上用鼠标框选需要去除高光的区域，然后调整参数。";
  Canvas c(300, 300);
  c.UseFont("宋体", 12);
  TEXTMETRIC tm;
  GetTextMetrics(c.dc(), &tm);
  RECT calc = Rect(20, 20, 140, 21);
  const int height = DrawText(c.dc(), help, -1, &calc, DT_CALCRECT | DT_WORDBREAK);
  const int lines = height / tm.tmHeight;
  EXPECT_EQ(height % tm.tmHeight, 0);
  EXPECT_GE(lines, 3);
  EXPECT_LE(calc.Right, 140);
  EXPECT_EQ(calc.Bottom, 20 + height);

  SetBkMode(c.dc(), TRANSPARENT);
  RECT r = Rect(20, 20, 140, 280);
  EXPECT_EQ(DrawText(c.dc(), help, -1, &r, DT_WORDBREAK), height);
  const RECT ink = c.InkBox();
  EXPECT_GE(ink.Left, 20);
  EXPECT_LE(ink.Right, 140);
  EXPECT_LE(ink.Bottom, 20 + height);
  // Every line carries ink.
  for (int line = 0; line < lines; ++line) {
    bool any = false;
    for (int y = 20 + line * tm.tmHeight; y < 20 + (line + 1) * tm.tmHeight && !any; ++y)
      for (int x = 20; x < 140 && !any; ++x) any = c.At(x, y) != Px(kWhite);
    EXPECT_TRUE(any) << line;
  }
}

TEST(Text, AlignmentPlacesTheCell) {
  Canvas c(300, 120);
  c.UseFont("Arial", -14);
  SetBkMode(c.dc(), OPAQUE);
  SetBkColor(c.dc(), kBack);
  TEXTMETRIC tm;
  GetTextMetrics(c.dc(), &tm);
  SIZE sz;
  GetTextExtentPoint32(c.dc(), "Align", 5, &sz);
  const int x = 150, y = 60;
  struct Case {
    UINT align;
    RECT cell;
  };
  const Case cases[] = {
      {TA_LEFT | TA_TOP, Rect(x, y, x + sz.cx, y + sz.cy)},
      {TA_RIGHT | TA_TOP, Rect(x - sz.cx, y, x, y + sz.cy)},
      {TA_CENTER | TA_TOP, Rect(x - sz.cx / 2, y, x - sz.cx / 2 + sz.cx, y + sz.cy)},
      {TA_LEFT | TA_BASELINE, Rect(x, y - tm.tmAscent, x + sz.cx, y + tm.tmDescent)},
      {TA_LEFT | TA_BOTTOM, Rect(x, y - sz.cy, x + sz.cx, y)},
  };
  for (const Case& k : cases) {
    c.Clear();
    SetTextAlign(c.dc(), k.align);
    TextOut(c.dc(), x, y, "Align", 5);
    EXPECT_EQ(c.InkBox(), k.cell) << k.align;
  }
  SetTextAlign(c.dc(), TA_LEFT | TA_TOP);
}

TEST(Text, UpdateCpContinuesWhereTheLastTextEnded) {
  Canvas c(300, 40);
  c.UseFont("Tahoma", -11);
  SIZE a, b;
  GetTextExtentPoint32(c.dc(), "abc", 3, &a);
  GetTextExtentPoint32(c.dc(), "de", 2, &b);
  MoveToEx(c.dc(), 7, 5, nullptr);
  SetTextAlign(c.dc(), TA_UPDATECP);
  SetBkMode(c.dc(), OPAQUE);
  SetBkColor(c.dc(), kBack);
  TextOut(c.dc(), 200, 30, "abc", 3);  // x and y are ignored
  TextOut(c.dc(), 200, 30, "de", 2);
  POINT p;
  GetCurrentPositionEx(c.dc(), &p);
  EXPECT_EQ(p, Point(7 + a.cx + b.cx, 5));
  EXPECT_EQ(c.InkBox(), Rect(7, 5, 7 + a.cx + b.cx, 5 + a.cy));
}

TEST(Text, CharacterExtraAndSpacingArrayWidenTheCell) {
  Canvas c(400, 40);
  c.UseFont("Arial", -13);
  SIZE plain, spaced;
  GetTextExtentPoint32(c.dc(), "a中b", 5, &plain);
  SetTextCharacterExtra(c.dc(), 3);
  GetTextExtentPoint32(c.dc(), "a中b", 5, &spaced);
  EXPECT_EQ(spaced.cx, plain.cx + 9);  // three characters, not five bytes
  SetBkColor(c.dc(), kBack);
  TextOut(c.dc(), 0, 0, "a中b", 5);
  EXPECT_EQ(c.InkBox(), Rect(0, 0, spaced.cx, spaced.cy));
  RECT calc = Rect(0, 0, 1, 1);
  DrawText(c.dc(), "a中b", -1, &calc, DT_CALCRECT);
  EXPECT_EQ(calc.Right, spaced.cx);
  SetTextCharacterExtra(c.dc(), 0);

  // A spacing array overrides the advances.
  c.Clear();
  const int dx[] = {20, 30, 40};
  ExtTextOut(c.dc(), 5, 0, 0, nullptr, "a中b", 5, dx);
  EXPECT_EQ(c.InkBox(), Rect(5, 0, 95, plain.cy));
  SetBkMode(c.dc(), TRANSPARENT);
  c.Clear();
  ExtTextOut(c.dc(), 5, 0, 0, nullptr, "l", 1, dx);
  const RECT first = c.InkBox();
  c.Clear();
  ExtTextOut(c.dc(), 5, 0, 0, nullptr, "ml", 2, dx);
  EXPECT_EQ(c.InkBox().Right, first.Right + 20);  // the 'l' moved by dx[0]
}

TEST(Text, ExtTextOutOpaqueRectangleAndClipping) {
  Canvas c(200, 60);
  c.UseFont("Arial", -20);
  SetBkMode(c.dc(), TRANSPARENT);
  SetBkColor(c.dc(), kBack);
  SetTextColor(c.dc(), kInk);
  const RECT r = Rect(10, 10, 40, 30);
  ExtTextOut(c.dc(), 0, 0, ETO_OPAQUE | ETO_CLIPPED, &r, "WWWWWW", 6, nullptr);
  EXPECT_EQ(c.InkBox(), r);
  EXPECT_GT(c.Count(kInk), 0);
  c.Clear();
  ExtTextOut(c.dc(), 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);  // no text: only the fill
  EXPECT_EQ(c.BoxOf(kBack), r);
  EXPECT_EQ(c.Count(kBack), r.Width() * r.Height());
}

TEST(Text, UnderlineStrikeOutAndPrefixLines) {
  Canvas c(300, 60);
  SetBkMode(c.dc(), TRANSPARENT);
  SetTextColor(c.dc(), kInk);
  TEXTMETRIC tm;
  SIZE sz;
  auto fullRows = [&](int left, int right) {
    std::vector<int> rows;
    for (int y = 0; y < 60; ++y) {
      bool full = true;
      for (int x = left; x < right && full; ++x) full = c.At(x, y) == Px(kInk);
      if (full) rows.push_back(y);
    }
    return rows;
  };
  c.UseFont("Arial", -20, FW_NORMAL, DEFAULT_QUALITY, 0, true, false);
  GetTextMetrics(c.dc(), &tm);
  GetTextExtentPoint32(c.dc(), "under", 5, &sz);
  TextOut(c.dc(), 10, 10, "under", 5);
  const auto under = fullRows(10, 10 + sz.cx);
  ASSERT_FALSE(under.empty());
  EXPECT_GT(under.front(), 10 + tm.tmAscent - 1);  // below the baseline
  EXPECT_LT(under.back(), 10 + tm.tmHeight);
  EXPECT_EQ(c.InkBox().Right, 10 + sz.cx);

  c.Clear();
  c.UseFont("Arial", -20, FW_NORMAL, DEFAULT_QUALITY, 0, false, true);
  TextOut(c.dc(), 10, 10, "strike", 6);
  GetTextExtentPoint32(c.dc(), "strike", 6, &sz);
  const auto strike = fullRows(10, 10 + sz.cx);
  ASSERT_FALSE(strike.empty());
  EXPECT_LT(strike.back(), 10 + tm.tmAscent);  // above the baseline
  EXPECT_GT(strike.front(), 10 + tm.tmInternalLeading);

  // "&File": only the F is underlined.
  c.Clear();
  c.UseFont("Arial", -20);
  SIZE f;
  GetTextExtentPoint32(c.dc(), "F", 1, &f);
  RECT r = Rect(10, 10, 290, 50);
  DrawText(c.dc(), "&File", -1, &r, DT_SINGLELINE);
  const auto prefix = fullRows(10, 10 + f.cx);
  ASSERT_FALSE(prefix.empty());
  EXPECT_GE(prefix.front(), 10 + tm.tmAscent);
  for (int y : prefix) EXPECT_NE(c.At(10 + f.cx + 1, y), Px(kInk));  // stops after the F
  c.Clear();
  r = Rect(10, 10, 290, 50);
  DrawText(c.dc(), "&File", -1, &r, DT_SINGLELINE | DT_PREFIXONLY);
  EXPECT_EQ(c.InkBox().Left, 10);
  EXPECT_EQ(c.InkBox().Right, 10 + f.cx);
  EXPECT_LE(c.InkBox().Height(), 3);
}

TEST(Text, HeightSignSelectsEmOrCellHeight) {
  Canvas c(10, 10);
  for (const char* face : {"Arial", "宋体", "MS Sans Serif"}) {
    for (int h : {9, 12, 17, 30}) {
      TEXTMETRIC em, cell;
      c.UseFont(face, -h);
      GetTextMetrics(c.dc(), &em);
      c.UseFont(face, h);
      GetTextMetrics(c.dc(), &cell);
      EXPECT_EQ(em.tmHeight - em.tmInternalLeading, h) << face;
      EXPECT_EQ(cell.tmHeight, h) << face;
      EXPECT_EQ(cell.tmAscent + cell.tmDescent, h) << face;
      if (std::string(face) == "宋体")
        EXPECT_EQ(cell.tmHeight, em.tmHeight);  // SimSun's em box is its cell
      else
        EXPECT_LT(cell.tmHeight, em.tmHeight) << face;
    }
  }
  c.UseFont("Arial", 0);
  TEXTMETRIC def;
  GetTextMetrics(c.dc(), &def);
  EXPECT_EQ(def.tmHeight, 13);
  c.UseFont("Arial", 1000000);
  GetTextMetrics(c.dc(), &def);
  EXPECT_LE(def.tmHeight, 2000);
}

TEST(Text, ExtentExPointFitsAndCharWidthsAdd) {
  Canvas c(10, 10);
  c.UseFont("Arial", -13);
  const char* text = "ab中d";
  int widths[4];
  for (int i = 0; i < 4; ++i) {
    static const UINT codes[] = {U'a', U'b', U'中', U'd'};
    ASSERT_TRUE(GetCharWidth32(c.dc(), codes[i], codes[i], &widths[i]));
  }
  int fit = -1, dx[4] = {};
  SIZE sz;
  ASSERT_TRUE(GetTextExtentExPoint(c.dc(), text, int(std::strlen(text)), widths[0] + widths[1] + widths[2], &fit, dx, &sz));
  EXPECT_EQ(fit, 3);
  EXPECT_EQ(dx[0], widths[0]);
  EXPECT_EQ(dx[2], widths[0] + widths[1] + widths[2]);
  EXPECT_EQ(dx[3], sz.cx);
  int range[3];
  ASSERT_TRUE(GetCharWidth32(c.dc(), 'a', 'c', range));
  EXPECT_EQ(range[0], widths[0]);
  EXPECT_EQ(range[1], widths[1]);
  EXPECT_FALSE(GetCharWidth32(c.dc(), 'c', 'a', range));
}

TEST(Text, FaceNameAndMetricsOfTheSelectedFont) {
  Canvas c(10, 10);
  c.UseFont("宋体", -12, FW_BOLD);
  char name[64];
  EXPECT_EQ(GetTextFace(c.dc(), 0, nullptr), int(std::strlen("宋体")) + 1);
  EXPECT_EQ(GetTextFace(c.dc(), sizeof name, name), int(std::strlen("宋体")) + 1);
  EXPECT_STREQ(name, "宋体");
  EXPECT_EQ(GetTextFace(c.dc(), 5, name), 4);  // room for one character and the NUL
  EXPECT_STREQ(name, "宋");
  TEXTMETRIC tm;
  GetTextMetrics(c.dc(), &tm);
  EXPECT_EQ(tm.tmWeight, FW_BOLD);
  EXPECT_EQ(tm.tmCharSet, GB2312_CHARSET);
}

TEST(Text, ModifyStringWritesTheEllipsizedText) {
  Canvas c(200, 40);
  c.UseFont("Arial", -13);
  char buffer[32] = "A rather long caption";
  const int len = int(std::strlen(buffer));
  RECT r = Rect(0, 0, 60, 20);
  DrawText(c.dc(), buffer, len, &r, DT_SINGLELINE | DT_END_ELLIPSIS | DT_MODIFYSTRING);
  const std::string shown = buffer;
  ASSERT_GE(shown.size(), 4u);
  EXPECT_EQ(shown.substr(shown.size() - 3), "...");
  SIZE sz;
  GetTextExtentPoint32(c.dc(), buffer, int(shown.size()), &sz);
  EXPECT_LE(sz.cx, 60);
  DRAWTEXTPARAMS p;
  p.iLeftMargin = 4;
  RECT calc = Rect(0, 0, 1, 1);
  DrawTextEx(c.dc(), "abc", -1, &calc, DT_CALCRECT, &p);
  GetTextExtentPoint32(c.dc(), "abc", 3, &sz);
  EXPECT_EQ(calc.Right, 4 + sz.cx);
  EXPECT_EQ(p.uiLengthDrawn, 3u);
}

TEST(Text, RotatedTextRunsAlongItsEscapement) {
  Canvas c(200, 200);
  SetBkMode(c.dc(), TRANSPARENT);
  SIZE sz;
  c.UseFont("Arial", -16, FW_NORMAL, DEFAULT_QUALITY, 900);
  GetTextExtentPoint32(c.dc(), "HHHHHH", 6, &sz);
  TextOut(c.dc(), 100, 150, "HHHHHH", 6);
  RECT up = c.InkBox();
  EXPECT_GT(up.Height(), 2 * up.Width());
  EXPECT_LE(up.Bottom, 151);                 // runs upwards from the origin
  EXPECT_NEAR(up.Height(), sz.cx, 3);
  EXPECT_GE(up.Left, 100);                   // the cell lies right of the origin (top points left)
  c.Clear();
  c.UseFont("Arial", -16, FW_NORMAL, DEFAULT_QUALITY, 2700);
  TextOut(c.dc(), 100, 20, "HHHHHH", 6);
  RECT down = c.InkBox();
  EXPECT_GT(down.Height(), 2 * down.Width());
  EXPECT_GE(down.Top, 19);
  EXPECT_LE(down.Right, 100);
}

TEST(Text, EmptyStringMeasuresOneLineOfTheFont) {
  Canvas c(80, 40);
  for (const char* face : {"宋体", "Tahoma", "Arial"})
    for (int height : {-11, -12, -16}) {
      c.UseFont(face, height);
      TEXTMETRIC tm;
      ASSERT_TRUE(GetTextMetrics(c.dc(), &tm));
      for (UINT format : {UINT(DT_CALCRECT | DT_SINGLELINE), UINT(DT_CALCRECT | DT_WORDBREAK), UINT(0)}) {
        RECT r = Rect(5, 7, 60, 30);
        EXPECT_EQ(DrawText(c.dc(), "", 0, &r, format), tm.tmHeight) << face << height;
        if (format & DT_CALCRECT) {
          EXPECT_EQ(r, Rect(5, 7, 5, 7 + tm.tmHeight)) << face << height;
        }
      }
      RECT one = Rect(0, 0, 80, 40);
      EXPECT_EQ(DrawText(c.dc(), "Ag", -1, &one, DT_CALCRECT | DT_SINGLELINE), tm.tmHeight);
    }
  // SimSun's line is its em: 12 pixels at -12.
  c.UseFont("宋体", -12);
  RECT r = Rect(0, 0, 80, 40);
  EXPECT_EQ(DrawText(c.dc(), "中文", -1, &r, DT_CALCRECT | DT_SINGLELINE), 12);
  EXPECT_EQ(r.Bottom, 12);
}

TEST(Text, BadInputFailsQuietly) {
  Canvas c(50, 50);
  RECT r = Rect(0, 0, 50, 50);
  SIZE sz;
  EXPECT_FALSE(TextOut(nullptr, 0, 0, "x", 1));
  EXPECT_FALSE(TextOut(c.dc(), 0, 0, "x", -1));
  EXPECT_TRUE(TextOut(c.dc(), 0, 0, nullptr, 0));
  EXPECT_EQ(DrawText(c.dc(), static_cast<const char*>(nullptr), -1, &r, 0), 0);
  EXPECT_EQ(DrawText(c.dc(), "x", 1, nullptr, 0), 0);
  EXPECT_FALSE(GetTextExtentPoint32(c.dc(), nullptr, 3, &sz));
  EXPECT_FALSE(GetTextExtentPoint32(c.dc(), "x", -1, &sz));
  EXPECT_FALSE(GetTextMetrics(c.dc(), nullptr));
  const char bad[] = "\xFF\xC3(\xE4\xB8";
  EXPECT_TRUE(GetTextExtentPoint32(c.dc(), bad, 5, &sz));
  EXPECT_GT(sz.cx, 0);
  EXPECT_TRUE(TextOut(c.dc(), 0, 0, bad, 5));
  EXPECT_GT(DrawText(c.dc(), bad, -1, &r, DT_WORDBREAK), 0);
  c.UseFont("", 0);
  EXPECT_TRUE(TextOut(c.dc(), 1 << 30, -(1 << 30), "far away", 8));
}

}  // namespace
