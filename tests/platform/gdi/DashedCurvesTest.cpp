// Styled one-pixel pens on curved outlines: the pattern runs along the curve.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/gdi/Gdi.h"
#include "tests/platform/gdi/GdiTestSupport.h"

namespace {

using Shape = std::function<void(HDC)>;

void WithPen(TestCanvas& c, int style, int bkMode, const Shape& draw) {
  SetBkMode(c.dc, bkMode);
  SetBkColor(c.dc, RGB(255, 0, 0));
  HGDIOBJ oldBrush = SelectObject(c.dc, GetStockObject(NULL_BRUSH));
  HGDIOBJ oldPen = SelectObject(c.dc, CreatePen(style, 1, RGB(0, 0, 0)));
  draw(c.dc);
  DeleteObject(SelectObject(c.dc, oldPen));
  SelectObject(c.dc, oldBrush);
}

TEST(DashedCurves, PatternRunsCounterClockwiseFromTheRight) {
  // A 6 x 4 round rectangle without rounding: 16 outline pixels ordered by
  // angle from (5, 1) upward and around; dots are 3 on, 3 off.
  TestCanvas c(6, 4);
  WithPen(c, PS_DOT, TRANSPARENT, [](HDC dc) { RoundRect(dc, 0, 0, 6, 4, 0, 0); });
  EXPECT_EQ(c.Picture(), Rows({"#...##",
                               "#....#",
                               "#.....",
                               "...###"}));
}

const Shape kShapes[] = {
    [](HDC dc) { Ellipse(dc, 2, 3, 37, 25); },
    [](HDC dc) { RoundRect(dc, 1, 2, 38, 26, 14, 10); },
    [](HDC dc) { Arc(dc, 2, 3, 37, 25, 40, 0, 0, 28); },
    [](HDC dc) { Pie(dc, 2, 3, 37, 25, 40, 0, 0, 28); },
    [](HDC dc) { Chord(dc, 2, 3, 37, 25, 0, 0, 40, 28); },
};

TEST(DashedCurves, GapsLieOnTheSolidOutlineAndOpaqueGapsFillIt) {
  for (size_t i = 0; i < std::size(kShapes); ++i) {
    TestCanvas solid(40, 28), dashed(40, 28), opaque(40, 28);
    WithPen(solid, PS_SOLID, TRANSPARENT, kShapes[i]);
    WithPen(dashed, PS_DASH, TRANSPARENT, kShapes[i]);
    WithPen(opaque, PS_DASH, OPAQUE, kShapes[i]);
    int on = 0, off = 0;
    for (int y = 0; y < 28; ++y)
      for (int x = 0; x < 40; ++x) {
        const bool ring = solid.At(x, y) == RGB(0, 0, 0);
        const COLORREF d = dashed.At(x, y), o = opaque.At(x, y);
        if (!ring) {
          EXPECT_EQ(d, RGB(255, 255, 255)) << i << ": " << x << "," << y;
          EXPECT_EQ(o, RGB(255, 255, 255)) << i << ": " << x << "," << y;
          continue;
        }
        // Opaque mode paints every outline pixel, gaps in the background colour.
        EXPECT_EQ(o, d == RGB(0, 0, 0) ? RGB(0, 0, 0) : RGB(255, 0, 0)) << i << ": " << x << "," << y;
        (d == RGB(0, 0, 0) ? on : off)++;
      }
    // Dashes of 18 and gaps of 6: about a quarter of the outline is gap.
    EXPECT_GT(off, 0) << i;
    EXPECT_GT(on, 2 * off) << i;
  }
}

TEST(DashedCurves, ThePatternDoesNotDependOnTheClip) {
  for (size_t i = 0; i < std::size(kShapes); ++i) {
    TestCanvas whole(40, 28), clipped(40, 28);
    IntersectClipRect(clipped.dc, 15, 10, 40, 28);
    WithPen(whole, PS_DASHDOT, TRANSPARENT, kShapes[i]);
    WithPen(clipped, PS_DASHDOT, TRANSPARENT, kShapes[i]);
    for (int y = 10; y < 28; ++y)
      for (int x = 15; x < 40; ++x) EXPECT_EQ(whole.At(x, y), clipped.At(x, y)) << i << ": " << x << "," << y;
  }
}

TEST(DashedCurves, PieLinesContinueThePatternOfTheArc) {
  // The same arc alone and as a pie: the arc pixels agree, and the pie's
  // radii carry gaps too, as the pattern runs on.
  TestCanvas arc(40, 28), pie(40, 28);
  WithPen(arc, PS_DOT, TRANSPARENT, [](HDC dc) { Arc(dc, 2, 3, 37, 25, 40, 14, 20, 0); });
  WithPen(pie, PS_DOT, TRANSPARENT, [](HDC dc) { Pie(dc, 2, 3, 37, 25, 40, 14, 20, 0); });
  int radiusOn = 0, radiusOff = 0;
  for (int y = 0; y < 28; ++y)
    for (int x = 0; x < 40; ++x) {
      if (arc.At(x, y) == RGB(0, 0, 0)) {
        EXPECT_EQ(pie.At(x, y), RGB(0, 0, 0)) << x << "," << y;
      }
      // The radius along the centre row runs from the centre to the right edge.
      if (y == 14 && x >= 20 && x < 36) (pie.At(x, y) == RGB(0, 0, 0) ? radiusOn : radiusOff)++;
    }
  EXPECT_GT(radiusOn, 0);
  EXPECT_GT(radiusOff, 0);
}

// A figure millions of pixels wide whose top edge crosses a small canvas:
// only what meets the clip is walked, so it is drawn (a walk of the whole
// outline ran past its pixel cap and drew nothing, or took minutes), and
// it is drawn dotted.
TEST(DashedCurves, AHugeFigureDrawsItsVisiblePart) {
  constexpr int L = -(1 << 26), R = 1 << 26, T = 5, B = 15;
  const Shape huge[] = {
      [](HDC dc) { Ellipse(dc, L, T, R, B); },
      [](HDC dc) { RoundRect(dc, L, T, R, B, 8, 8); },
      [](HDC dc) { Arc(dc, L, T, R, B, R, 10, L, 10); },
      [](HDC dc) { Pie(dc, L, T, R, B, R, 10, L, 10); },
      [](HDC dc) { Chord(dc, L, T, R, B, R, 10, L, 10); },
  };
  for (size_t i = 0; i < std::size(huge); ++i) {
    TestCanvas c(24, 20);
    WithPen(c, PS_DOT, TRANSPARENT, huge[i]);
    int on = 0, off = 0;
    for (int x = 0; x < 24; ++x) (c.At(x, T) == RGB(0, 0, 0) ? on : off)++;
    EXPECT_GE(on, 9) << i;  // dots of 3 on, 3 off
    EXPECT_GE(off, 9) << i;
    for (int y = 0; y < T; ++y)
      for (int x = 0; x < 24; ++x) EXPECT_EQ(c.At(x, y), RGB(255, 255, 255)) << i << ": " << x << "," << y;
  }
}

}  // namespace
