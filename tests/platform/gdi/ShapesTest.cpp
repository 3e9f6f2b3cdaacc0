#include <algorithm>
#include <limits>
#include <string>
#include <vector>
#include <gtest/gtest.h>

#include "platform/gdi/DeviceContext.h"
#include "tests/platform/gdi/GdiTestSupport.h"

namespace {

struct PenScope {
  HDC dc;
  HPEN pen;
  HGDIOBJ old;
  PenScope(HDC d, int style, int width, COLORREF c) : dc(d), pen(CreatePen(style, width, c)), old(SelectObject(d, pen)) {}
  ~PenScope() {
    SelectObject(dc, old);
    DeleteObject(pen);
  }
};

TEST(Rectangle, OutlineStopsBeforeRightAndBottom) {
  TestCanvas c(8, 6);
  SelectObject(c.dc, GetStockObject(NULL_BRUSH));
  Rectangle(c.dc, 1, 1, 5, 4);
  EXPECT_EQ(c.Picture(), Rows({"........",
                               ".####...",
                               ".#..#...",
                               ".####...",
                               "........",
                               "........"}));
}

TEST(Rectangle, WithoutPenFillsOnePixelLess) {
  TestCanvas c(6, 5);
  SelectObject(c.dc, GetStockObject(NULL_PEN));
  SelectObject(c.dc, GetStockObject(BLACK_BRUSH));
  Rectangle(c.dc, 1, 1, 5, 4);
  EXPECT_EQ(c.Picture(), Rows({"......",
                               ".###..",
                               ".###..",
                               "......",
                               "......"}));
}

TEST(Rectangle, InsideFramePenStaysInsideBounds) {
  TestCanvas c(8, 8);
  PenScope p(c.dc, PS_INSIDEFRAME, 2, RGB(0, 0, 0));
  SelectObject(c.dc, GetStockObject(NULL_BRUSH));
  Rectangle(c.dc, 1, 1, 7, 7);
  EXPECT_EQ(c.Picture(), Rows({"........",
                               ".######.",
                               ".######.",
                               ".##..##.",
                               ".##..##.",
                               ".######.",
                               ".######.",
                               "........"}));
}

TEST(FillRect, CoversExactlyTheRectangleThroughTheViewportOrigin) {
  TestCanvas c(6, 5);
  SetViewportOrgEx(c.dc, 2, 1, nullptr);
  RECT r{0, 0, 3, 2};
  FillRect(c.dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(c.Picture(), Rows({"......",
                               "..###.",
                               "..###.",
                               "......",
                               "......"}));
}

TEST(FillRect, AcceptsSystemColourIndexAsBrush) {
  TestCanvas c(2, 2);
  RECT r{0, 0, 1, 1};
  FillRect(c.dc, &r, reinterpret_cast<HBRUSH>(std::uintptr_t(COLOR_BTNFACE + 1)));
  EXPECT_EQ(c.At(0, 0), GdiSysColor(COLOR_BTNFACE));
  EXPECT_EQ(c.At(1, 1), RGB(255, 255, 255));
}

TEST(LineTo, LeavesOutTheLastPoint) {
  TestCanvas c(7, 4);
  MoveToEx(c.dc, 1, 1, nullptr);
  LineTo(c.dc, 5, 1);
  LineTo(c.dc, 5, 3);
  // (1,1)-(4,1), then (5,1)-(5,2); (5,3) is left out.
  EXPECT_EQ(c.Picture(), Rows({".......",
                               ".#####.",
                               ".....#.",
                               "......."}));
  POINT p;
  GetCurrentPositionEx(c.dc, &p);
  EXPECT_EQ(p, Point(5, 3));
}

TEST(LineTo, ShallowLineRoundsToNearestRow) {
  // y = x / 3 rounded: 0 0 1 1 1 2 for x = 0..5; (6, 2) is left out.
  TestCanvas c(7, 3);
  MoveToEx(c.dc, 0, 0, nullptr);
  LineTo(c.dc, 6, 2);
  EXPECT_EQ(c.Picture(), Rows({"##.....",
                               "..###..",
                               ".....#."}));
}

TEST(LineTo, ClippedStartKeepsTheLineAndItsDashes) {
  // The same line drawn whole and through a clip that hides its start.
  for (int style : {PS_SOLID, PS_DOT, PS_DASHDOTDOT}) {
    TestCanvas whole(40, 12), clipped(40, 12);
    for (TestCanvas* c : {&whole, &clipped}) {
      SetBkMode(c->dc, TRANSPARENT);
      SelectObject(c->dc, CreatePen(style, 1, RGB(0, 0, 0)));
    }
    IntersectClipRect(clipped.dc, 17, 0, 40, 12);
    for (TestCanvas* c : {&whole, &clipped}) {
      MoveToEx(c->dc, -30, -3, nullptr);
      LineTo(c->dc, 39, 11);
      DeleteObject(SelectObject(c->dc, GetStockObject(BLACK_PEN)));
    }
    for (int y = 0; y < 12; ++y)
      for (int x = 17; x < 40; ++x) EXPECT_EQ(whole.At(x, y), clipped.At(x, y)) << style << ": " << x << "," << y;
  }
}

TEST(LineTo, DrawingBackwardsCoversTheSameInteriorPixels) {
  TestCanvas a(8, 8), b(8, 8);
  MoveToEx(a.dc, 0, 0, nullptr);
  LineTo(a.dc, 7, 7);
  MoveToEx(b.dc, 7, 7, nullptr);
  LineTo(b.dc, 0, 0);
  for (int i = 1; i < 7; ++i) {
    EXPECT_EQ(a.At(i, i), RGB(0, 0, 0));
    EXPECT_EQ(b.At(i, i), RGB(0, 0, 0));
  }
  EXPECT_EQ(a.At(7, 7), RGB(255, 255, 255));
  EXPECT_EQ(b.At(0, 0), RGB(255, 255, 255));
}

TEST(LineTo, ReversedLineCoversTheSamePixelsInEveryOctant) {
  // Every end point within 7 of the start, ties included (2 across and 1 up
  // passes exactly between two rows). Forward plus its end point must equal
  // backward plus its start point, and an XOR pen drawn there and back must
  // leave only the two end points changed.
  const POINT a{8, 8};
  int lines = 0;
  for (int dy = -7; dy <= 7; ++dy)
    for (int dx = -7; dx <= 7; ++dx) {
      if (dx == 0 && dy == 0) continue;
      const POINT b{a.X + dx, a.Y + dy};
      TestCanvas forward(17, 17), backward(17, 17), xored(17, 17);
      MoveToEx(forward.dc, a.X, a.Y, nullptr);
      LineTo(forward.dc, b.X, b.Y);
      SetPixel(forward.dc, b.X, b.Y, RGB(0, 0, 0));
      MoveToEx(backward.dc, b.X, b.Y, nullptr);
      LineTo(backward.dc, a.X, a.Y);
      SetPixel(backward.dc, a.X, a.Y, RGB(0, 0, 0));
      EXPECT_EQ(forward.Picture(), backward.Picture()) << "to " << dx << "," << dy;
      SelectObject(xored.dc, GetStockObject(WHITE_PEN));
      SetROP2(xored.dc, R2_XORPEN);
      MoveToEx(xored.dc, a.X, a.Y, nullptr);
      LineTo(xored.dc, b.X, b.Y);
      LineTo(xored.dc, a.X, a.Y);
      TestCanvas ends(17, 17);
      ends.Set(a.X, a.Y, RGB(0, 0, 0));
      ends.Set(b.X, b.Y, RGB(0, 0, 0));
      EXPECT_EQ(xored.Picture(), ends.Picture()) << "to " << dx << "," << dy;
      ++lines;
    }
  EXPECT_EQ(lines, 224);
}

TEST(LineTo, TiesGoToTheSmallerCoordinateBothWays) {
  // (0,0)-(4,1) is half way between rows 0 and 1 at x = 2; drawn either way
  // that column takes row 0. The steep twin does the same with columns.
  struct Case {
    POINT from, to;
    POINT tie;
  };
  const Case cases[] = {
      {{0, 0}, {4, 1}, {2, 0}},
      {{4, 1}, {0, 0}, {2, 0}},
      {{0, 1}, {4, 0}, {2, 0}},
      {{4, 0}, {0, 1}, {2, 0}},
      {{0, 0}, {1, 4}, {0, 2}},
      {{1, 4}, {0, 0}, {0, 2}},
      {{1, 0}, {0, 4}, {0, 2}},
      {{0, 4}, {1, 0}, {0, 2}},
  };
  for (const Case& k : cases) {
    TestCanvas c(5, 5);
    MoveToEx(c.dc, k.from.X, k.from.Y, nullptr);
    LineTo(c.dc, k.to.X, k.to.Y);
    EXPECT_EQ(c.At(k.tie.X, k.tie.Y), RGB(0, 0, 0)) << k.from.X << "," << k.from.Y << " to " << k.to.X << "," << k.to.Y;
  }
}

TEST(Polyline, StylePatternsDashOnePixelPens) {
  struct Case {
    int style;
    const char* expected;  // 30 pixels of a horizontal line
  };
  const Case cases[] = {
      {PS_SOLID, "##############################"},
      {PS_DASH, "##################......######"},
      {PS_DOT, "###...###...###...###...###..."},
      {PS_DASHDOT, "#########......###......######"},
      {PS_DASHDOTDOT, "#########...###...###...######"},
      {PS_NULL, ".............................."},
  };
  for (const Case& k : cases) {
    TestCanvas c(31, 1);
    SetBkMode(c.dc, TRANSPARENT);
    PenScope p(c.dc, k.style, 1, RGB(0, 0, 0));
    POINT pts[] = {{0, 0}, {30, 0}};
    Polyline(c.dc, pts, 2);
    EXPECT_EQ(c.Picture(), std::string(k.expected) + ".\n") << "style " << k.style;
  }
}

TEST(Polyline, OpaqueBackgroundFillsDashGapsWithBackgroundColour) {
  TestCanvas c(12, 1);
  SetBkMode(c.dc, OPAQUE);
  SetBkColor(c.dc, RGB(255, 0, 0));
  PenScope p(c.dc, PS_DOT, 1, RGB(0, 0, 0));
  MoveToEx(c.dc, 0, 0, nullptr);
  LineTo(c.dc, 12, 0);
  for (int x = 0; x < 12; ++x) EXPECT_EQ(c.At(x, 0), (x / 3) % 2 ? RGB(255, 0, 0) : RGB(0, 0, 0)) << x;
}

TEST(Polyline, StyleRunsOnAcrossCorners) {
  TestCanvas c(4, 4);
  SetBkMode(c.dc, TRANSPARENT);
  PenScope p(c.dc, PS_DOT, 1, RGB(0, 0, 0));
  POINT pts[] = {{0, 0}, {2, 0}, {2, 3}};
  Polyline(c.dc, pts, 3);
  // 3 on (0,0) (1,0) (2,0), then 3 off (2,1) (2,2) ... (2,3) is the end.
  EXPECT_EQ(c.Picture(), Rows({"###.",
                               "....",
                               "....",
                               "...."}));
}

TEST(Rop2, EveryModeCombinesPenAndDestinationBitwise) {
  const COLORREF P = RGB(0x0F, 0x33, 0x55), D = RGB(0xF0, 0x5A, 0x3C);
  const DWORD p = P, d = D, m = 0xFFFFFF;
  struct Case {
    int mode;
    DWORD expected;
  };
  const Case cases[] = {
      {R2_BLACK, 0},           {R2_NOTMERGEPEN, ~(p | d) & m}, {R2_MASKNOTPEN, ~p & d & m},
      {R2_NOTCOPYPEN, ~p & m}, {R2_MASKPENNOT, p & ~d & m},    {R2_NOT, ~d & m},
      {R2_XORPEN, p ^ d},      {R2_NOTMASKPEN, ~(p & d) & m},  {R2_MASKPEN, p & d},
      {R2_NOTXORPEN, ~(p ^ d) & m}, {R2_NOP, d},               {R2_MERGENOTPEN, (~p | d) & m},
      {R2_COPYPEN, p},         {R2_MERGEPENNOT, (p | ~d) & m}, {R2_MERGEPEN, p | d},
      {R2_WHITE, m},
  };
  for (const Case& k : cases) {
    TestCanvas c(2, 1, D);
    PenScope pen(c.dc, PS_SOLID, 1, P);
    EXPECT_NE(SetROP2(c.dc, k.mode), 0);
    MoveToEx(c.dc, 0, 0, nullptr);
    LineTo(c.dc, 1, 0);
    EXPECT_EQ(c.At(0, 0), k.expected) << "mode " << k.mode;
    EXPECT_EQ(c.At(1, 0), D) << "mode " << k.mode;
  }
}

TEST(Rop2, NotLineDrawnTwiceRestoresThePixels) {
  TestCanvas c(10, 10);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) c.Set(x, y, RGB(x * 20, y * 20, 7));
  TestCanvas ref(10, 10);
  std::memcpy(ref.bits, c.bits, 400);
  SetROP2(c.dc, R2_NOT);
  for (int pass = 0; pass < 2; ++pass) {
    MoveToEx(c.dc, 1, 2, nullptr);
    LineTo(c.dc, 9, 7);
  }
  EXPECT_EQ(0, std::memcmp(ref.bits, c.bits, 400));
}

TEST(Rop2, AppliesToShapeFillsAndOutlinesOnce) {
  // XOR twice over the same rectangle must give back the paper: the outline
  // and the fill never overlap.
  TestCanvas c(8, 8);
  SetROP2(c.dc, R2_XORPEN);
  SelectObject(c.dc, GetStockObject(BLACK_BRUSH));
  PenScope p(c.dc, PS_SOLID, 1, RGB(255, 255, 255));
  Rectangle(c.dc, 1, 1, 7, 7);
  EXPECT_EQ(c.At(1, 1), RGB(0, 0, 0));   // white pen xor white paper
  EXPECT_EQ(c.At(3, 3), RGB(255, 255, 255));  // black brush xor white paper
  Rectangle(c.dc, 1, 1, 7, 7);
  EXPECT_EQ(c.Picture(), Rows({"........", "........", "........", "........", "........", "........",
                               "........", "........"}));
}

TEST(Ellipse, SmallCircleFromPixelCentres) {
  TestCanvas c(4, 4);
  SelectObject(c.dc, GetStockObject(NULL_BRUSH));
  Ellipse(c.dc, 0, 0, 4, 4);
  EXPECT_EQ(c.Picture(), Rows({".##.",
                               "#..#",
                               "#..#",
                               ".##."}));
}

TEST(Ellipse, IsSymmetricAndInsideItsBounds) {
  TestCanvas c(13, 9, RGB(255, 255, 255));
  SelectObject(c.dc, GetStockObject(BLACK_BRUSH));
  Ellipse(c.dc, 1, 1, 12, 8);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 13; ++x) {
      EXPECT_EQ(c.At(x, y), c.At(12 - x, y)) << x << "," << y;
      EXPECT_EQ(c.At(x, y), c.At(x, 8 - y)) << x << "," << y;
      if (x == 0 || y == 0 || x == 12 || y == 8) {
        EXPECT_EQ(c.At(x, y), RGB(255, 255, 255));
      }
    }
  EXPECT_EQ(c.At(6, 4), RGB(0, 0, 0));
}

TEST(Polygon, FillModesDifferOnOverlap) {
  const POINT pts[] = {{0, 0}, {4, 0}, {4, 4}, {0, 4}, {2, 2}, {6, 2}, {6, 6}, {2, 6}};
  const int counts[] = {4, 4};
  struct Case {
    int mode;
    std::string expected;
  };
  const Case cases[] = {
      {ALTERNATE, Rows({"####..", "####..", "##..##", "##..##", "..####", "..####"})},
      {WINDING, Rows({"####..", "####..", "######", "######", "..####", "..####"})},
  };
  for (const Case& k : cases) {
    TestCanvas c(6, 6);
    SelectObject(c.dc, GetStockObject(NULL_PEN));
    SelectObject(c.dc, GetStockObject(BLACK_BRUSH));
    SetPolyFillMode(c.dc, k.mode);
    PolyPolygon(c.dc, pts, counts, 2);
    EXPECT_EQ(c.Picture(), k.expected) << "mode " << k.mode;
  }
}

// '#' for the pen, 'o' for the brush, '.' for the paper, '?' otherwise.
std::string PenAndBrushPicture(const TestCanvas& c, COLORREF pen, COLORREF brush) {
  std::string s;
  for (int y = 0; y < c.height; ++y) {
    for (int x = 0; x < c.width; ++x) {
      const COLORREF v = c.At(x, y);
      s += v == pen ? '#' : v == brush ? 'o' : v == RGB(255, 255, 255) ? '.' : '?';
    }
    s += '\n';
  }
  return s;
}

TEST(Polygon, FillsPixelCentresInsideAndThePenDrawsOverIt) {
  // Vertices are pixel centres: the fill takes the centres inside, those on
  // a left or top edge too, those on a right or bottom edge not; the outline
  // passes through every vertex over the fill.
  struct Case {
    std::vector<POINT> pts;
    bool pen;
    std::string expected;
  };
  const Case cases[] = {
      {{{3, 0}, {6, 3}, {0, 3}}, true, Rows({"...#...", "..#o#..", ".#ooo#.", "#######"})},
      {{{0, 0}, {6, 0}, {3, 3}}, true, Rows({"#######", ".#ooo#.", "..#o#..", "...#..."})},
      {{{0, 0}, {3, 3}, {0, 6}}, true, Rows({"#...", "##..", "#o#.", "#oo#", "#o#.", "##..", "#..."})},
      {{{1, 1}, {4, 1}, {4, 4}, {1, 4}}, true, Rows({"......", ".####.", ".#oo#.", ".#oo#.", ".####.", "......"})},
      // Without a pen the right and bottom edges stay out.
      {{{3, 0}, {6, 3}, {0, 3}}, false, Rows({".......", "..oo...", ".oooo..", "......."})},
      {{{1, 1}, {4, 1}, {4, 4}, {1, 4}}, false, Rows({"......", ".ooo..", ".ooo..", ".ooo..", "......", "......"})},
  };
  const COLORREF pen = RGB(0, 0, 0), brush = RGB(255, 0, 0);
  for (const Case& k : cases) {
    TestCanvas c(int(k.expected.find('\n')), int(std::count(k.expected.begin(), k.expected.end(), '\n')));
    HBRUSH b = CreateSolidBrush(brush);
    SelectObject(c.dc, b);
    SelectObject(c.dc, GetStockObject(k.pen ? BLACK_PEN : NULL_PEN));
    EXPECT_TRUE(Polygon(c.dc, k.pts.data(), int(k.pts.size())));
    EXPECT_EQ(PenAndBrushPicture(c, pen, brush), k.expected) << k.pts[1].X << "," << k.pts[1].Y << (k.pen ? " pen" : "");
    SelectObject(c.dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(b);
  }
}

TEST(Polygon, FillNeverShowsOutsideItsOutline) {
  // Every triangle with corners on a 5 x 5 grid: on each row, brush pixels
  // lie between the leftmost and rightmost pen pixels.
  const COLORREF pen = RGB(0, 0, 0), brush = RGB(255, 0, 0);
  int checked = 0;
  for (int a = 0; a < 25; ++a)
    for (int b = a + 1; b < 25; ++b)
      for (int d = b + 1; d < 25; ++d) {
        const POINT pts[] = {{a % 5 * 2, a / 5 * 2}, {b % 5 * 2, b / 5 * 2}, {d % 5 * 2, d / 5 * 2}};
        TestCanvas c(9, 9);
        HBRUSH br = CreateSolidBrush(brush);
        SelectObject(c.dc, br);
        Polygon(c.dc, pts, 3);
        for (int y = 0; y < 9; ++y) {
          int lo = 9, hi = -1;
          for (int x = 0; x < 9; ++x)
            if (c.At(x, y) == pen) lo = std::min(lo, x), hi = std::max(hi, x);
          for (int x = 0; x < 9; ++x)
            if (c.At(x, y) == brush) {
              EXPECT_TRUE(x > lo && x < hi) << "triangle " << a << "," << b << "," << d << " at " << x << "," << y;
              ++checked;
            }
        }
        SelectObject(c.dc, GetStockObject(WHITE_BRUSH));
        DeleteObject(br);
      }
  EXPECT_GT(checked, 1000);
}

TEST(HatchBrush, PatternIsAlignedToTheBrushOrigin) {
  TestCanvas c(16, 16, RGB(255, 0, 0));
  SetBkMode(c.dc, TRANSPARENT);
  HBRUSH b = CreateHatchBrush(HS_VERTICAL, RGB(0, 0, 0));
  SetBrushOrgEx(c.dc, 3, 0, nullptr);
  RECT r{0, 0, 16, 16};
  FillRect(c.dc, &r, b);
  // One vertical line per 8 columns; transparent gaps keep the red paper.
  int lines = 0;
  for (int x = 0; x < 16; ++x) {
    bool on = c.At(x, 5) == RGB(0, 0, 0);
    if (on) ++lines;
    EXPECT_EQ(on, c.At(x, 0) == RGB(0, 0, 0));
    if (!on) {
      EXPECT_EQ(c.At(x, 5), RGB(255, 0, 0));
    }
  }
  EXPECT_EQ(lines, 2);
  // Moving the origin by one moves the lines by one.
  int first = 0;
  while (c.At(first, 0) != RGB(0, 0, 0)) ++first;
  TestCanvas d(16, 16, RGB(255, 0, 0));
  SetBkMode(d.dc, TRANSPARENT);
  SetBrushOrgEx(d.dc, 4, 0, nullptr);
  FillRect(d.dc, &r, b);
  EXPECT_EQ(d.At((first + 1) % 16, 0), RGB(0, 0, 0));
  EXPECT_NE(d.At(first, 0), RGB(0, 0, 0));
  DeleteObject(b);
}

TEST(HatchBrush, AllSixStylesRepeatEveryEightPixels) {
  for (int style = HS_HORIZONTAL; style <= HS_DIAGCROSS; ++style) {
    TestCanvas c(24, 24);
    HBRUSH b = CreateHatchBrush(style, RGB(0, 0, 0));
    ASSERT_NE(b, nullptr);
    RECT r{0, 0, 24, 24};
    FillRect(c.dc, &r, b);
    int ink = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) {
        EXPECT_EQ(c.At(x, y), c.At(x + 8, y + 8)) << style;
        ink += c.At(x, y) == RGB(0, 0, 0);
      }
    EXPECT_GT(ink, 0) << style;
    EXPECT_LT(ink, 16 * 16) << style;
    DeleteObject(b);
  }
  EXPECT_EQ(CreateHatchBrush(6, 0), nullptr);
}

TEST(DrawEdge, SunkenEdgeUsesTheFourShadeColours) {
  TestCanvas c(6, 5, RGB(1, 2, 3));
  RECT r{0, 0, 6, 5};
  DrawEdge(c.dc, &r, EDGE_SUNKEN, BF_RECT | BF_MIDDLE | BF_ADJUST);
  auto code = [&](int x, int y) {
    COLORREF v = c.At(x, y);
    if (v == GdiSysColor(COLOR_BTNSHADOW)) return 's';
    if (v == GdiSysColor(COLOR_BTNHIGHLIGHT)) return 'h';
    if (v == GdiSysColor(COLOR_3DDKSHADOW)) return 'd';
    if (v == GdiSysColor(COLOR_3DLIGHT)) return 'l';
    if (v == GdiSysColor(COLOR_BTNFACE)) return 'f';
    return '?';
  };
  std::string got;
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 6; ++x) got += code(x, y);
    got += '\n';
  }
  // Top and left first, bottom and right over them: the top-right and
  // bottom-left corners of each border take the second colour.
  EXPECT_EQ(got, Rows({"sssssh",
                       "sdddlh",
                       "sdfflh",
                       "sllllh",
                       "hhhhhh"}));
  EXPECT_EQ(r, Rect(2, 2, 4, 3));
}

TEST(DrawEdge, RaisedEdgeOnChosenSidesOnly) {
  TestCanvas c(4, 4, RGB(1, 2, 3));
  RECT r{0, 0, 4, 4};
  DrawEdge(c.dc, &r, BDR_RAISEDOUTER, BF_TOP | BF_LEFT);
  EXPECT_EQ(c.At(0, 0), GdiSysColor(COLOR_3DLIGHT));
  EXPECT_EQ(c.At(3, 0), GdiSysColor(COLOR_3DLIGHT));
  EXPECT_EQ(c.At(0, 3), GdiSysColor(COLOR_3DLIGHT));
  EXPECT_EQ(c.At(3, 3), RGB(1, 2, 3));
  EXPECT_EQ(c.At(1, 1), RGB(1, 2, 3));
}

TEST(DrawEdge, RectanglesAtTheLimitsOfIntNeitherWrapNorOverflow) {
  constexpr int lo = std::numeric_limits<int>::min(), hi = std::numeric_limits<int>::max();
  // An empty rectangle past the limits must not be turned inside out by the
  // adjustment: its sides move inwards or stay.
  const RECT cases[] = {{hi, hi, lo, lo}, {lo, lo, hi, hi}, {lo, 0, lo, 4}, {0, hi, 4, hi}};
  for (const RECT& start : cases) {
    TestCanvas c(4, 4, RGB(1, 2, 3));
    RECT r = start;
    DrawEdge(c.dc, &r, EDGE_SUNKEN, BF_RECT | BF_MIDDLE | BF_ADJUST);
    EXPECT_GE(r.Left, start.Left);
    EXPECT_GE(r.Top, start.Top);
    EXPECT_LE(r.Right, start.Right);
    EXPECT_LE(r.Bottom, start.Bottom);
    RECT d = start;
    DrawEdge(c.dc, &d, BDR_RAISEDOUTER, BF_DIAGONAL | BF_BOTTOM | BF_RIGHT | BF_ADJUST);
  }
}

TEST(DrawFocusRect, DottedXorFrameUndoesItself) {
  TestCanvas c(6, 4);
  RECT r{0, 0, 6, 4};
  DrawFocusRect(c.dc, &r);
  EXPECT_EQ(c.Picture(), Rows({"#.#.#.",
                               ".....#",
                               "#.....",
                               ".#.#.#"}));
  DrawFocusRect(c.dc, &r);
  EXPECT_EQ(c.Picture(), Rows({"......", "......", "......", "......"}));
}

TEST(InvertRect, InvertsEveryChannel) {
  TestCanvas c(2, 1, RGB(10, 200, 255));
  RECT r{0, 0, 1, 1};
  InvertRect(c.dc, &r);
  EXPECT_EQ(c.At(0, 0), RGB(245, 55, 0));
  EXPECT_EQ(c.At(1, 0), RGB(10, 200, 255));
}

TEST(FrameRect, OnePixelFrameWithBrush) {
  TestCanvas c(5, 4);
  RECT r{0, 0, 4, 3};
  FrameRect(c.dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(c.Picture(), Rows({"####.",
                               "#..#.",
                               "####.",
                               "....."}));
}

TEST(FloodFill, StopsAtTheBorderColour) {
  TestCanvas c(7, 6);
  SelectObject(c.dc, GetStockObject(NULL_BRUSH));
  Rectangle(c.dc, 1, 1, 6, 5);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  SelectObject(c.dc, red);
  EXPECT_TRUE(FloodFill(c.dc, 3, 2, RGB(0, 0, 0)));
  EXPECT_EQ(c.Picture(RGB(255, 0, 0), RGB(0, 0, 0)),
            Rows({"???????", "?.....?", "?.###.?", "?.###.?", "?.....?", "???????"}));
  SelectObject(c.dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(red);
}

TEST(FloodFill, SurfaceModeFillsTheConnectedColour) {
  TestCanvas c(5, 1);
  c.Set(2, 0, RGB(0, 0, 0));
  SelectObject(c.dc, GetStockObject(BLACK_BRUSH));
  EXPECT_TRUE(ExtFloodFill(c.dc, 0, 0, RGB(255, 255, 255), FLOODFILLSURFACE));
  EXPECT_EQ(c.Picture(), "###..\n");
  EXPECT_FALSE(ExtFloodFill(c.dc, 0, 0, RGB(255, 255, 255), FLOODFILLSURFACE));
}

TEST(Shapes, BadHandlesFailWithoutDrawing) {
  int notAHandle = 0;
  HDC bogus = reinterpret_cast<HDC>(&notAHandle);
  EXPECT_FALSE(Rectangle(bogus, 0, 0, 4, 4));
  EXPECT_FALSE(LineTo(nullptr, 1, 1));
  EXPECT_FALSE(Polygon(bogus, nullptr, 0));
  RECT r{0, 0, 1, 1};
  EXPECT_EQ(FillRect(bogus, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 0);
  TestCanvas c(2, 2);
  EXPECT_EQ(FillRect(c.dc, &r, reinterpret_cast<HBRUSH>(&notAHandle)), 0);
  EXPECT_EQ(c.At(0, 0), RGB(255, 255, 255));
}

TEST(Shapes, HugeCoordinatesAreClippedNotWalked) {
  TestCanvas lines(4, 4);
  MoveToEx(lines.dc, -2000000000, 1, nullptr);
  LineTo(lines.dc, 2000000000, 1);
  EXPECT_EQ(lines.Picture(), Rows({"....", "####", "....", "...."}));
  // A steep line through the canvas lands where its equation says.
  MoveToEx(lines.dc, 2, -1000000000, nullptr);
  LineTo(lines.dc, 2, 1000000000);
  EXPECT_EQ(lines.At(2, 0), RGB(0, 0, 0));
  EXPECT_EQ(lines.At(2, 3), RGB(0, 0, 0));
  HPEN wide = CreatePen(PS_SOLID, 5, RGB(0, 0, 0));
  HGDIOBJ old = SelectObject(lines.dc, wide);
  EXPECT_TRUE(LineTo(lines.dc, -2000000000, -2000000000));
  SelectObject(lines.dc, old);
  DeleteObject(wide);
  TestCanvas e(4, 4);
  EXPECT_TRUE(Ellipse(e.dc, -1000000000, -1000000000, 1000000000, 1000000000));
  EXPECT_TRUE(Arc(e.dc, -1000000000, -1000000000, 1000000000, 1000000000, 0, 0, 1, 1));
  const POINT tri[] = {{-2000000000, 0}, {2000000000, -2000000000}, {0, 2000000000}};
  EXPECT_TRUE(Polygon(e.dc, tri, 3));
  EXPECT_EQ(CreateEllipticRgn(0, -1000000000, 10, 1000000000), nullptr);
  TestCanvas c(4, 4);
  SelectObject(c.dc, GetStockObject(BLACK_BRUSH));
  SelectObject(c.dc, GetStockObject(NULL_PEN));
  EXPECT_TRUE(Rectangle(c.dc, -100000000, -100000000, 100000000, 100000000));
  EXPECT_EQ(c.At(3, 3), RGB(0, 0, 0));
}

TEST(WidePen, LineIsAFilledShapeWithRoundCaps) {
  TestCanvas c(11, 7);
  PenScope p(c.dc, PS_SOLID, 3, RGB(0, 0, 0));
  MoveToEx(c.dc, 2, 3, nullptr);
  LineTo(c.dc, 8, 3);
  // Width 3 across the line; the caps reach 1.5 pixels past both ends.
  EXPECT_EQ(c.Picture(), Rows({"...........",
                               "...........",
                               ".#########.",
                               ".#########.",
                               ".#########.",
                               "...........",
                               "..........."}));
}

TEST(WidePen, XorModePaintsOverlappingSegmentsOnce) {
  TestCanvas c(12, 12);
  PenScope p(c.dc, PS_SOLID, 4, RGB(255, 255, 255));
  SetROP2(c.dc, R2_XORPEN);
  POINT pts[] = {{2, 2}, {9, 2}, {9, 9}};
  Polyline(c.dc, pts, 3);
  // The corner where both segments overlap is black like the rest.
  EXPECT_EQ(c.At(9, 2), RGB(0, 0, 0));
  EXPECT_EQ(c.At(5, 2), RGB(0, 0, 0));
  EXPECT_EQ(c.At(9, 6), RGB(0, 0, 0));
  EXPECT_EQ(c.At(5, 6), RGB(255, 255, 255));
}

TEST(RoundRect, CornersAreCut) {
  TestCanvas c(10, 10);
  SelectObject(c.dc, GetStockObject(NULL_BRUSH));
  RoundRect(c.dc, 0, 0, 10, 10, 4, 4);
  EXPECT_EQ(c.At(0, 0), RGB(255, 255, 255));
  EXPECT_EQ(c.At(1, 0), RGB(0, 0, 0));
  EXPECT_EQ(c.At(0, 1), RGB(0, 0, 0));
  EXPECT_EQ(c.At(1, 1), RGB(255, 255, 255));
  EXPECT_EQ(c.At(5, 0), RGB(0, 0, 0));
  EXPECT_EQ(c.At(9, 5), RGB(0, 0, 0));
  EXPECT_EQ(c.At(9, 9), RGB(255, 255, 255));
  EXPECT_EQ(c.At(5, 5), RGB(255, 255, 255));
}

TEST(Arc, DrawsTheOutlineCounterClockwiseFromStartToEnd) {
  TestCanvas ring(8, 8), arc(8, 8), cw(8, 8);
  SelectObject(ring.dc, GetStockObject(NULL_BRUSH));
  Ellipse(ring.dc, 0, 0, 8, 8);
  // From the radial through (8, 4) (east) to the one through (4, 0) (north).
  Arc(arc.dc, 0, 0, 8, 8, 8, 4, 4, 0);
  SetArcDirection(cw.dc, AD_CLOCKWISE);
  Arc(cw.dc, 0, 0, 8, 8, 8, 4, 4, 0);
  int drawn = 0;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      bool onRing = ring.At(x, y) == RGB(0, 0, 0);
      bool upperRight = x >= 4 && y <= 3;
      EXPECT_EQ(arc.At(x, y) == RGB(0, 0, 0), onRing && upperRight) << x << "," << y;
      EXPECT_EQ(cw.At(x, y) == RGB(0, 0, 0), onRing && !upperRight) << x << "," << y;
      drawn += arc.At(x, y) == RGB(0, 0, 0);
    }
  EXPECT_GT(drawn, 3);
}

TEST(Pie, FillsTheSectorAndChordFillsTheSegment) {
  TestCanvas pie(16, 16), chord(16, 16);
  for (HDC dc : {pie.dc, chord.dc}) {
    SelectObject(dc, GetStockObject(BLACK_BRUSH));
    SelectObject(dc, GetStockObject(NULL_PEN));
  }
  // The upper-right quarter: from east (16, 8) to north (8, 0).
  Pie(pie.dc, 0, 0, 16, 16, 16, 8, 8, 0);
  Chord(chord.dc, 0, 0, 16, 16, 16, 8, 8, 0);
  EXPECT_EQ(pie.At(12, 2), RGB(0, 0, 0));
  EXPECT_EQ(pie.At(9, 6), RGB(0, 0, 0));
  EXPECT_EQ(pie.At(5, 10), RGB(255, 255, 255));
  EXPECT_EQ(pie.At(5, 5), RGB(255, 255, 255));
  // The chord x - y = 8 cuts the corner off; the centre side stays empty.
  EXPECT_EQ(chord.At(12, 2), RGB(0, 0, 0));
  EXPECT_EQ(chord.At(9, 4), RGB(255, 255, 255));
  EXPECT_EQ(chord.At(5, 10), RGB(255, 255, 255));
}

TEST(PolyPolyline, EachPolylineLeavesOutItsOwnLastPoint) {
  TestCanvas c(5, 3);
  const POINT pts[] = {{0, 0}, {3, 0}, {0, 2}, {0, 1}};
  const DWORD counts[] = {2, 2};
  EXPECT_TRUE(PolyPolyline(c.dc, pts, counts, 2));
  EXPECT_EQ(c.Picture(), Rows({"###..", ".....", "#...."}));
  const DWORD bad[] = {2, 1};
  EXPECT_FALSE(PolyPolyline(c.dc, pts, bad, 2));
}

TEST(PolylineTo, StartsAtAndMovesTheCurrentPosition) {
  TestCanvas c(4, 3);
  MoveToEx(c.dc, 0, 2, nullptr);
  const POINT pts[] = {{3, 2}, {3, 0}};
  EXPECT_TRUE(PolylineTo(c.dc, pts, 2));
  EXPECT_EQ(c.Picture(), Rows({"....", "...#", "####"}));
  POINT p;
  GetCurrentPositionEx(c.dc, &p);
  EXPECT_EQ(p, Point(3, 0));
}

TEST(DrawEdge, EdgeKindsTable) {
  const COLORREF light = GdiSysColor(COLOR_3DLIGHT), hi = GdiSysColor(COLOR_BTNHIGHLIGHT);
  const COLORREF shadow = GdiSysColor(COLOR_BTNSHADOW), dark = GdiSysColor(COLOR_3DDKSHADOW);
  struct Case {
    UINT edge, flags;
    COLORREF outerTL, outerBR, innerTL, innerBR;
  };
  const Case cases[] = {
      {EDGE_RAISED, BF_RECT, light, dark, hi, shadow},
      {EDGE_SUNKEN, BF_RECT, shadow, hi, dark, light},
      {EDGE_ETCHED, BF_RECT, shadow, hi, hi, shadow},
      {EDGE_BUMP, BF_RECT, light, dark, dark, light},
      {EDGE_RAISED, BF_RECT | BF_FLAT, shadow, shadow, GdiSysColor(COLOR_BTNFACE), GdiSysColor(COLOR_BTNFACE)},
      {EDGE_SUNKEN, BF_RECT | BF_MONO, GdiSysColor(COLOR_WINDOWFRAME), GdiSysColor(COLOR_WINDOWFRAME),
       GdiSysColor(COLOR_WINDOW), GdiSysColor(COLOR_WINDOW)},
  };
  for (const Case& k : cases) {
    TestCanvas c(6, 6, RGB(1, 2, 3));
    RECT r{0, 0, 6, 6};
    EXPECT_TRUE(DrawEdge(c.dc, &r, k.edge, k.flags));
    EXPECT_EQ(c.At(2, 0), k.outerTL) << k.edge << "/" << k.flags;  // outer top
    EXPECT_EQ(c.At(0, 2), k.outerTL) << k.edge << "/" << k.flags;  // outer left
    EXPECT_EQ(c.At(5, 2), k.outerBR) << k.edge << "/" << k.flags;  // outer right
    EXPECT_EQ(c.At(2, 5), k.outerBR) << k.edge << "/" << k.flags;  // outer bottom
    EXPECT_EQ(c.At(2, 1), k.innerTL) << k.edge << "/" << k.flags;
    EXPECT_EQ(c.At(1, 2), k.innerTL) << k.edge << "/" << k.flags;
    EXPECT_EQ(c.At(4, 2), k.innerBR) << k.edge << "/" << k.flags;
    EXPECT_EQ(c.At(2, 4), k.innerBR) << k.edge << "/" << k.flags;
    EXPECT_EQ(c.At(2, 2), RGB(1, 2, 3)) << "no BF_MIDDLE, no fill";
  }
}

}  // namespace
