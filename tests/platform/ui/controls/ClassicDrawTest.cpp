#include "platform/ui/controls/ClassicDraw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <set>
#include <string>
#include <vector>

#include "tests/platform/gdi/GdiTestSupport.h"
#include "tests/platform/ui/UiTestSupport.h"
#include "platform/gdi/Gdi.h"
#include "platform/graphics/Graphics.h"

namespace {

constexpr COLORREF kPaper = RGB(1, 2, 3);  // no system colour uses it

// One letter per pixel: H highlight, L 3-D light, F face, S shadow, D dark
// shadow, W window, T window text, G grey text, B highlight (bar), '.' the
// untouched paper, '?' anything else.
std::string Letters(const TestCanvas& c, int x0, int y0, int w, int h) {
  const std::pair<char, TColor> keys[] = {{'H', clBtnHighlight}, {'L', cl3DLight}, {'F', clBtnFace},
                                          {'S', clBtnShadow},    {'D', cl3DDkShadow}, {'W', clWindow},
                                          {'T', clWindowText},   {'G', clGrayText},  {'B', clHighlight}};
  std::string s;
  for (int y = y0; y < y0 + h; ++y) {
    for (int x = x0; x < x0 + w; ++x) {
      COLORREF p = c.At(x, y);
      char ch = p == kPaper ? '.' : '?';
      // Window and highlight are both white in the scheme: prefer the first match.
      for (auto& [k, col] : keys)
        if (ch == '?' && p == Sys(col)) ch = k;
      s += ch;
    }
    s += '\n';
  }
  return s;
}

int Count(const TestCanvas& c, COLORREF colour, TRect area = TRect{0, 0, INT_MAX, INT_MAX}) {
  int n = 0;
  for (int y = std::max(0, area.Top); y < std::min(c.height, area.Bottom); ++y)
    for (int x = std::max(0, area.Left); x < std::min(c.width, area.Right); ++x) n += c.At(x, y) == colour;
  return n;
}

TEST(ClassicDraw, Frame3DDrawsRingsAndShrinksTheRect) {
  TestCanvas c(6, 6, kPaper);
  TRect r{0, 0, 6, 6};
  Frame3D(c.dc, r, clBtnShadow, cl3DDkShadow, 2);
  EXPECT_EQ(r, (TRect{2, 2, 4, 4}));
  // Bottom/right colour owns the top-right and bottom-left corners.
  EXPECT_EQ(Letters(c, 0, 0, 6, 6), Rows({"SSSSSD", "SSSSDD", "SS..DD", "SS..DD", "SDDDDD", "DDDDDD"}));
}

TEST(ClassicDraw, Frame3DStopsWhenTheRectIsUsedUp) {
  TestCanvas c(4, 4, kPaper);
  TRect r{0, 0, 3, 3};
  Frame3D(c.dc, r, clBtnHighlight, clBtnShadow, 5);
  EXPECT_TRUE(r.IsEmpty());
  // The one-pixel last ring takes the bottom colour, as every corner it shares does.
  EXPECT_EQ(Letters(c, 0, 0, 4, 4), Rows({"HHS.", "HSS.", "SSS.", "...."}));
}

TEST(ClassicDraw, ButtonFaceStates) {
  struct Case {
    TButtonFaceState state;
    const char* corners;  // (0,0) (1,1) (2,2) (w-1,h-1) (w-2,h-2) (w-3,h-3)
    TRect content;
  } cases[] = {
      {0, "HLFDSF", TRect{3, 3, 17, 11}},
      {bfsPushed, "SFFSFF", TRect{3, 3, 19, 13}},
      {bfsDefault, "DHLDDS", TRect{4, 4, 16, 10}},
      {bfsDefault | bfsPushed, "DSFDSF", TRect{4, 4, 18, 12}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.state);
    TestCanvas c(20, 14, kPaper);
    TRect content = DrawButtonFace(c.dc, TRect{0, 0, 20, 14}, k.state);
    std::string got;
    for (int i : {0, 1, 2}) got += Letters(c, i, i, 1, 1)[0];
    for (int i : {1, 2, 3}) got += Letters(c, 20 - i, 14 - i, 1, 1)[0];
    EXPECT_EQ(got, k.corners);
    EXPECT_EQ(content, k.content);
    EXPECT_EQ(Count(c, kPaper), 0);  // the whole rectangle is painted
  }
}

TEST(ClassicDraw, CheckGlyphStates) {
  struct Case {
    TCheckGlyphState state;
    bool enabled, pushed;
    TColor well, ink;
  } cases[] = {
      {cgsUnchecked, true, false, clWindow, clNone},    {cgsChecked, true, false, clWindow, clWindowText},
      {cgsGrayed, true, false, clBtnFace, clGrayText},  {cgsChecked, false, false, clBtnFace, clBtnShadow},
      {cgsUnchecked, true, true, clBtnFace, clNone},    {cgsUnchecked, false, false, clBtnFace, clNone},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(int(k.state) * 10 + k.enabled);
    TestCanvas c(17, 17, kPaper);
    DrawCheckGlyph(c.dc, 2, 2, k.state, k.enabled, k.pushed);
    // Sunken ring: shadow over dark shadow at the top left, light inside highlight at the bottom right.
    EXPECT_EQ(Letters(c, 2, 2, 2, 2), Rows({"SS", "SD"}));
    EXPECT_EQ(Letters(c, 13, 13, 2, 2), Rows({"LH", "HH"}));
    EXPECT_EQ(c.At(1, 1), kPaper);
    EXPECT_EQ(c.At(15, 15), kPaper);
    // Interior 9x9 at (4,4): a corner pixel the mark never touches shows the well.
    EXPECT_EQ(c.At(4, 12), Sys(k.well));
    if (k.ink == clNone) {
      EXPECT_EQ(Count(c, Sys(k.well), Bounds(4, 4, 9, 9)), 81);
    } else {
      // Tip of the tick at the top right, its foot at the bottom, a gap inside the V.
      EXPECT_EQ(c.At(5 + 6, 5), Sys(k.ink));
      EXPECT_EQ(c.At(5 + 2, 5 + 6), Sys(k.ink));
      EXPECT_EQ(c.At(5 + 1, 5 + 2), Sys(k.well));
      EXPECT_EQ(Count(c, Sys(k.ink), Bounds(4, 4, 9, 9)), 21);
    }
  }
}

TEST(ClassicDraw, RadioGlyphIsRoundWithADotWhenChecked) {
  for (bool checked : {false, true}) {
    SCOPED_TRACE(checked);
    TestCanvas c(14, 14, kPaper);
    DrawRadioGlyph(c.dc, 1, 1, checked, true);
    // Corners outside the circle stay untouched.
    for (auto [x, y] : {std::pair{1, 1}, {12, 1}, {1, 12}, {12, 12}}) EXPECT_EQ(c.At(x, y), kPaper);
    EXPECT_EQ(c.At(1 + 5, 1), Sys(clBtnShadow));      // top of the ring
    EXPECT_EQ(c.At(1 + 5, 1 + 11), Sys(clBtnHighlight));  // bottom of the ring
    const COLORREF centre = checked ? Sys(clWindowText) : Sys(clWindow);
    for (auto [x, y] : {std::pair{6, 6}, {7, 7}, {5, 6}, {8, 7}}) EXPECT_EQ(c.At(x, y), centre);
    EXPECT_EQ(c.At(5, 5), Sys(clWindow));  // the dot's rounded corner
    EXPECT_EQ(Count(c, Sys(clWindowText)), checked ? 12 : 0);
  }
}

TEST(ClassicDraw, DisabledRadioUsesTheFaceWellAndAShadowDot) {
  TestCanvas c(12, 12, kPaper);
  DrawRadioGlyph(c.dc, 0, 0, true, false);
  EXPECT_EQ(c.At(6, 6), Sys(clBtnShadow));
  EXPECT_EQ(c.At(3, 3), Sys(clBtnFace));
  // The well is face-coloured all through (window white appears only in the ring's highlight).
  EXPECT_EQ(Count(c, Sys(clBtnFace), Bounds(2, 4, 8, 4)) + Count(c, Sys(clBtnShadow), Bounds(2, 4, 8, 4)), 32);
}

TEST(ClassicDraw, SizeGripDrawsGroovesInTheCornerOnly) {
  TestCanvas c(20, 16, kPaper);
  DrawSizeGrip(c.dc, TRect{0, 0, 20, 16});
  // Along the bottom row, from the right edge: corner, shadow, shadow, highlight, gap...
  EXPECT_EQ(Letters(c, 7, 15, 13, 1), Rows({".HSS.HSS.HSS."}));
  // The same diagonals reach the right column.
  EXPECT_EQ(Letters(c, 19, 3, 1, 13), Rows({".", "H", "S", "S", ".", "H", "S", "S", ".", "H", "S", "S", "."}));
  // Nothing left of or above the 12-pixel square.
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 20; ++x)
      if (x < 8 || y < 4) {
        EXPECT_EQ(c.At(x, y), kPaper) << x << "," << y;
      }
  // Pixel (17,14): distances 2 and 1 from the edges, on diagonal 3: highlight.
  EXPECT_EQ(c.At(17, 14), Sys(clBtnHighlight));
}

TEST(ClassicDraw, ProgressFillExtent) {
  struct Case {
    int min, max, pos, length, want;
  } cases[] = {
      {0, 100, 50, 200, 100},  {0, 100, 0, 200, 0},       {0, 100, 100, 200, 200},
      {0, 100, 150, 200, 200}, {0, 100, -5, 200, 0},      {10, 20, 15, 7, 3},
      {5, 5, 5, 100, 0},       {9, 3, 5, 100, 0},         {0, 100, 50, 0, 0},
      {INT_MIN, INT_MAX, 0, 1000, 500}, {INT_MIN, INT_MAX, INT_MAX, 1000, 1000},
      {-100, 0, -25, 40, 30},
  };
  for (const Case& k : cases)
    EXPECT_EQ(ProgressFillExtent(k.min, k.max, k.pos, k.length), k.want)
        << k.min << " " << k.max << " " << k.pos << " " << k.length;
}

TEST(ClassicDraw, SmoothProgressFillsItsShare) {
  TestCanvas c(44, 10, kPaper);
  DrawProgressFill(c.dc, TRect{2, 2, 42, 8}, 0, 4, 1, true, false);
  EXPECT_EQ(Letters(c, 0, 4, 44, 1), Rows({"..BBBBBBBBBBFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF.."}));
  EXPECT_EQ(Count(c, Sys(clHighlight)), 10 * 6);
}

TEST(ClassicDraw, ChunkedProgressDrawsWholeChunksWithGaps) {
  TestCanvas c(30, 9, kPaper);
  // Thickness 9: chunks of 6 with gaps of 2; 9 of 30 filled starts two chunks.
  ASSERT_EQ(ProgressChunkLength(9), 6);
  DrawProgressFill(c.dc, TRect{0, 0, 30, 9}, 0, 10, 3, false, false);
  EXPECT_EQ(Letters(c, 0, 0, 30, 1), Rows({"BBBBBBFFBBBBBBFFFFFFFFFFFFFFFF"}));
  // Full: the last chunk is cut at the end of the bar.
  DrawProgressFill(c.dc, TRect{0, 0, 30, 9}, 0, 10, 10, false, false);
  EXPECT_EQ(Letters(c, 0, 8, 30, 1), Rows({"BBBBBBFFBBBBBBFFBBBBBBFFBBBBBB"}));
}

TEST(ClassicDraw, VerticalProgressFillsFromTheBottom) {
  TestCanvas c(3, 10, kPaper);
  DrawProgressFill(c.dc, TRect{0, 0, 3, 10}, 0, 10, 3, true, true, clRed, clWhite);
  for (int y = 0; y < 10; ++y) EXPECT_EQ(c.At(1, y), y >= 7 ? Sys(clRed) : Sys(clWhite)) << y;
}

TEST(ClassicDraw, EnabledTextUsesTheColourAndLeavesTheDcAsItWas) {
  TestCanvas c(80, 20, kPaper);
  SetTextColor(c.dc, RGB(9, 9, 9));
  SetBkMode(c.dc, OPAQUE);
  TFont font;
  font.SetColor(clRed);
  TRect r{0, 0, 80, 20};
  int h = DrawClassicText(c.dc, &font, clBlue, "Hello", r, DT_SINGLELINE);
  EXPECT_GT(h, 0);
  EXPECT_GT(Count(c, Sys(clBlue)), 10);
  EXPECT_EQ(Count(c, Sys(clRed)), 0);
  EXPECT_EQ(Count(c, Sys(clBlue)) + Count(c, kPaper), 80 * 20);  // transparent: no cell fill
  EXPECT_EQ(GetTextColor(c.dc), RGB(9, 9, 9));
  EXPECT_EQ(GetBkMode(c.dc), OPAQUE);
}

TEST(ClassicDraw, DisabledTextIsEmbossed) {
  TestCanvas c(80, 20, kPaper);
  TFont font;
  TRect r{0, 0, 80, 20};
  DrawClassicText(c.dc, &font, clBtnText, "Hello", r, DT_SINGLELINE, false);
  const int shadow = Count(c, Sys(clBtnShadow)), hilight = Count(c, Sys(clBtnHighlight));
  EXPECT_GT(shadow, 10);
  EXPECT_GT(hilight, 5);
  EXPECT_EQ(shadow + hilight + Count(c, kPaper), 80 * 20);
  // The highlight copy sits one pixel right and down: the bottom-right-most
  // ink pixel is highlight.
  int lastY = -1;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 80; ++x)
      if (c.At(x, y) != kPaper) lastY = y;
  bool highlightOnLastRow = false;
  for (int x = 0; x < 80; ++x) highlightOnLastRow |= c.At(x, lastY) == Sys(clBtnHighlight);
  EXPECT_TRUE(highlightOnLastRow);
}

TEST(ClassicDraw, CalcRectMeasuresWithoutDrawing) {
  TestCanvas c(80, 40, kPaper);
  TFont font;
  TRect r{5, 5, 80, 40};
  int h = DrawClassicText(c.dc, &font, clBtnText, "Hi\r\nthere", r, DT_CALCRECT, false);
  EXPECT_EQ(r.Top, 5);
  EXPECT_EQ(r.Height(), h);
  EXPECT_GT(h, 20);  // two lines
  EXPECT_EQ(Count(c, kPaper), 80 * 40);
}

}  // namespace

namespace {

TEST(ClassicDraw, MeasuringNeedsNoWindowAndFollowsTheFont) {
  TFont small, big;
  big.SetHeight(-24);
  const int hs = TextCellHeight(&small), hb = TextCellHeight(&big);
  EXPECT_GT(hs, 8);
  EXPECT_GT(hb, hs + 8);
  TRect one = MeasureClassicText(&small, "Wide text", TRect{3, 4, 3, 4}, DT_SINGLELINE);
  TRect two = MeasureClassicText(&small, "Wide text\nmore", TRect{3, 4, 3, 4}, 0);
  EXPECT_EQ(one.Left, 3);
  EXPECT_EQ(one.Top, 4);
  EXPECT_GT(one.Width(), 30);
  EXPECT_EQ(one.Height(), hs);
  EXPECT_EQ(two.Height(), 2 * hs);
  // '&' is a prefix unless DT_NOPREFIX keeps it as text.
  EXPECT_LT(MeasureClassicText(&small, "&OK", TRect{}, DT_SINGLELINE).Width(),
            MeasureClassicText(&small, "&OK", TRect{}, DT_SINGLELINE | DT_NOPREFIX).Width());
}

TEST(ClassicDraw, ArrowsAreSymmetricTrianglesAtEverySize) {
  // Rows from the tip: 1, 3, 5... pixels, centred on one line, inside the box.
  for (int w = 5; w <= 21; w += 2)
    for (int h = 5; h <= 21; h += 3)
      for (TArrowDirection d : {adUp, adDown, adLeft, adRight}) {
        SCOPED_TRACE(testing::Message() << w << "x" << h << " dir " << d);
        TestCanvas c(w + 2, h + 2, kPaper);
        const TRect box{1, 1, w + 1, h + 1};
        DrawClassicArrow(c.dc, box, d);
        const bool vertical = d == adUp || d == adDown;
        const int n = ClassicArrowRows(box, d);
        EXPECT_GE(n, 1);
        // Per line along the arrow: the ink's extent across.
        std::vector<std::pair<int, int>> rows;  // (first, last) across
        const int lines = vertical ? c.height : c.width, across = vertical ? c.width : c.height;
        for (int a = 0; a < lines; ++a) {
          int first = -1, last = -1, count = 0;
          for (int b = 0; b < across; ++b) {
            COLORREF p = vertical ? c.At(b, a) : c.At(a, b);
            if (p == kPaper) continue;
            EXPECT_EQ(p, Sys(clBtnText));
            if (first < 0) first = b;
            last = b;
            ++count;
          }
          if (count) {
            EXPECT_EQ(count, last - first + 1) << "a hole in line " << a;
            rows.push_back({first, last});
          }
        }
        ASSERT_EQ(int(rows.size()), n);
        if (d == adDown || d == adRight) std::reverse(rows.begin(), rows.end());
        for (int i = 0; i < n; ++i) {
          EXPECT_EQ(rows[size_t(i)].second - rows[size_t(i)].first + 1, 2 * i + 1) << "row " << i;
          EXPECT_EQ(rows[size_t(i)].first + rows[size_t(i)].second, 2 * rows[0].first) << "off centre, row " << i;
        }
        EXPECT_EQ(Count(c, Sys(clBtnText), box), n * n);
        EXPECT_EQ(Count(c, Sys(clBtnText)), n * n);
      }
}

TEST(ClassicDraw, DisabledArrowIsEmbossed) {
  TestCanvas c(13, 13, kPaper);
  DrawClassicArrow(c.dc, TRect{0, 0, 12, 12}, adDown, false);
  EXPECT_EQ(Letters(c, 0, 3, 13, 6),
            Rows({".............", "...SSSSS.....", "....SSSHH....", ".....SHH.....", "......H......", "............."}));
}

}  // namespace
