#include "skin/engine/SPUtils.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/graphics/ImageList.h"
#include "tests/skin/engine/SkinPixels.h"

using namespace skinpx;

namespace {

struct GlyphArt {
  const char* name;
  std::function<void(TCanvas*)> draw;
  std::vector<std::string> rows;  // '#' drawn, '.' untouched
};

// What a glyph leaves on a white 13 x 12 canvas, as rows of '#' and '.'.
std::vector<std::string> Render(const std::function<void(TCanvas*)>& draw) {
  TBitmap b;
  b.SetSize(13, 12);
  Fill(b, 0xFFFFFF);
  draw(b.Canvas());
  std::vector<std::string> rows;
  for (int y = 0; y < 12; ++y) {
    std::string r;
    for (int x = 0; x < 13; ++x) r += Px(b, x, y) == 0 ? '#' : Px(b, x, y) == 0xFFFFFF ? '.' : '?';
    rows.push_back(r);
  }
  return rows;
}

TEST(DefaultGlyphs, DrawExactlyTheirPixels) {
  const GlyphArt cases[] = {
    {"rolldown", [](TCanvas* c) { DrawRollDownImage(c, 1, 1, clBlack); },
     {
       ".............",
       ".............",
       ".............",
       "..########...",
       "...######....",
       "....####.....",
       ".....##......",
       ".............",
       ".............",
       ".............",
       ".............",
       ".............",
     }},
    {"rollup", [](TCanvas* c) { DrawRollUpImage(c, 1, 1, clBlack); },
     {
       ".............",
       ".............",
       ".............",
       ".............",
       ".....##......",
       "....####.....",
       "...######....",
       "..########...",
       ".............",
       ".............",
       ".............",
       ".............",
     }},
    {"close", [](TCanvas* c) { DrawCloseImage(c, 1, 1, clBlack); },
     {
       ".............",
       ".............",
       "..##.....##..",
       "...##...##...",
       "....##.##....",
       ".....###.....",
       ".....###.....",
       "....##.##....",
       "...##...##...",
       "..##.....##..",
       ".............",
       ".............",
     }},
    {"sysmenu", [](TCanvas* c) { DrawSysMenuImage(c, 1, 1, clBlack); },
     {
       ".............",
       ".............",
       ".............",
       ".............",
       "..########...",
       "..#......#...",
       "..########...",
       ".............",
       ".............",
       ".............",
       ".............",
       ".............",
     }},
    {"min", [](TCanvas* c) { DrawMinimizeImage(c, 1, 1, clBlack); },
     {
       ".............",
       ".............",
       ".............",
       ".............",
       ".............",
       ".............",
       ".............",
       ".............",
       ".............",
       "..########...",
       "..########...",
       ".............",
     }},
    {"max", [](TCanvas* c) { DrawMaximizeImage(c, 1, 1, clBlack); },
     {
       ".............",
       ".###########.",
       ".###########.",
       ".#.........#.",
       ".#.........#.",
       ".#.........#.",
       ".#.........#.",
       ".#.........#.",
       ".#.........#.",
       ".#.........#.",
       ".###########.",
       ".............",
     }},
    {"restore", [](TCanvas* c) { DrawRestoreImage(c, 1, 1, clBlack); },
     {
       ".............",
       "...########..",
       "...########..",
       "...#......#..",
       "...#......#..",
       ".#######..#..",
       ".##########..",
       ".#.....#.....",
       ".#.....#.....",
       ".#.....#.....",
       ".#######.....",
       ".............",
     }},
    {"tray", [](TCanvas* c) { DrawMinimizeToTrayImage(c, 1, 1, clBlack); },
     {
       ".............",
       ".............",
       ".............",
       "...#####.....",
       "...#####.....",
       "...#####.....",
       "...#####.....",
       "...#####.....",
       ".............",
       ".............",
       ".............",
       ".............",
     }},
    {"check", [](TCanvas* c) { DrawCheckImage(c, 1, 1, clBlack); },
     {
       ".............",
       ".............",
       ".......#.....",
       "......##.....",
       ".#...###.....",
       ".##.###......",
       ".#####.......",
       "..###........",
       "...#.........",
       ".............",
       ".............",
       ".............",
     }},
    {"track", [](TCanvas* c) { DrawTrackArrow(c, TRect{0, 0, 12, 12}, clBlack); },
     {
       ".............",
       ".............",
       ".............",
       ".............",
       ".............",
       ".............",
       "....#####....",
       ".....###.....",
       "......#......",
       ".............",
       ".............",
       ".............",
     }},
    {"arrow1", [](TCanvas* c) { DrawArrowImage(c, TRect{0, 0, 12, 12}, clBlack, 1); },
     {
       ".............",
       ".............",
       ".............",
       ".......#.....",
       "......##.....",
       ".....###.....",
       "....####.....",
       ".....###.....",
       "......##.....",
       ".......#.....",
       ".............",
       ".............",
     }},
    {"arrow2", [](TCanvas* c) { DrawArrowImage(c, TRect{0, 0, 12, 12}, clBlack, 2); },
     {
       ".............",
       ".............",
       ".............",
       ".....#.......",
       ".....##......",
       ".....###.....",
       ".....####....",
       ".....###.....",
       ".....##......",
       ".....#.......",
       ".............",
       ".............",
     }},
    {"arrow3", [](TCanvas* c) { DrawArrowImage(c, TRect{0, 0, 12, 12}, clBlack, 3); },
     {
       ".............",
       ".............",
       ".............",
       ".............",
       "......#......",
       ".....###.....",
       "....#####....",
       "...#######...",
       ".............",
       ".............",
       ".............",
       ".............",
     }},
    {"arrow4", [](TCanvas* c) { DrawArrowImage(c, TRect{0, 0, 12, 12}, clBlack, 4); },
     {
       ".............",
       ".............",
       ".............",
       ".............",
       ".............",
       "...#######...",
       "....#####....",
       ".....###.....",
       "......#......",
       ".............",
       ".............",
       ".............",
     }},
  };
  for (const GlyphArt& g : cases) EXPECT_EQ(Render(g.draw), g.rows) << g.name;
}

TEST(DefaultGlyphs, UnknownArrowKindDrawsNothing) {
  const std::vector<std::string> blank(12, std::string(13, '.'));
  for (int kind : {0, 5, -1})
    EXPECT_EQ(Render([kind](TCanvas* c) { DrawArrowImage(c, TRect{0, 0, 12, 12}, clBlack, kind); }), blank) << kind;
}

struct LayoutCase {
  TspButtonLayout layout;
  TRect R;
  int GW, GH, TW, TH, S, M;
  int TX, TY, GX, GY;
};

TEST(CalcGlyphTextLayout, PlacesGlyphAndText) {
  const LayoutCase cases[] = {
      // Centred, nothing to place: both at the centre.
      {blGlyphLeft, {0, 0, 100, 24}, 0, 0, 0, 0, 4, -1, 50, 12, 50, 12},
      // Margin 2, spacing 4, a 16-wide glyph.
      {blGlyphLeft, {0, 0, 100, 24}, 16, 16, 40, 10, 4, 2, 22, 7, 2, 4},
      // Centred: half width (40 + 16 + 4) / 2 = 30, half height 15.
      {blGlyphLeft, {0, 0, 100, 30}, 16, 16, 40, 10, 4, -1, 40, 10, 20, 7},
      {blGlyphRight, {0, 0, 100, 30}, 16, 16, 40, 10, 4, -1, 20, 10, 64, 7},
      {blGlyphTop, {0, 0, 100, 30}, 16, 16, 40, 10, 4, -1, 30, 20, 42, 0},
      {blGlyphBottom, {0, 0, 100, 30}, 16, 16, 40, 10, 4, -1, 30, 0, 42, 14},
      {blGlyphRight, {0, 0, 100, 30}, 16, 16, 40, 10, 4, 2, 38, 10, 82, 7},
      {blGlyphTop, {10, 10, 110, 40}, 16, 16, 40, 10, 4, 3, 40, 33, 52, 13},
      {blGlyphBottom, {0, 0, 100, 30}, 16, 16, 40, 10, 4, 3, 30, -3, 42, 11},
      // Without a glyph the spacing does not count.
      {blGlyphLeft, {0, 0, 100, 30}, 0, 0, 40, 10, 4, 2, 2, 10, 2, 15},
  };
  for (const LayoutCase& c : cases) {
    int TX = -99, TY = -99, GX = -99, GY = -99;
    CalcGlyphTextLayout(c.layout, c.R, c.GW, c.GH, c.TW, c.TH, c.S, c.M, TX, TY, GX, GY);
    EXPECT_EQ(TX, c.TX) << int(c.layout) << " m " << c.M;
    EXPECT_EQ(TY, c.TY) << int(c.layout) << " m " << c.M;
    EXPECT_EQ(GX, c.GX) << int(c.layout) << " m " << c.M;
    EXPECT_EQ(GY, c.GY) << int(c.layout) << " m " << c.M;
  }
}

TEST(DrawGlyph, DrawsOneFrameWithItsBottomLeftColourTransparent) {
  TBitmap glyph;
  CoordPicture(glyph, 64, 8);
  for (int f = 0; f < 4; ++f) SetPx(glyph, f * 16, 7, 0xFF00FF);
  SetPx(glyph, 20, 3, 0xFF00FF);
  TBitmap out;
  out.SetSize(30, 20);
  Fill(out, 0x010203);
  DrawGlyph(out.Canvas(), 5, 3, &glyph, 4, 2);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 30; ++x) {
      const int gx = x - 5, gy = y - 3;
      const bool inFrame = gx >= 0 && gx < 16 && gy >= 0 && gy < 8;
      const bool key = inFrame && ((gx == 0 && gy == 7) || (gx == 4 && gy == 3));
      ASSERT_EQ(Px(out, x, y), inFrame && !key ? From(16 + gx, gy) : 0x010203u) << x << "," << y;
    }
  }
}

TEST(DrawGlyphAndText, GlyphAtItsMarginAndTheTextAfterIt) {
  TBitmap glyph;
  glyph.SetPixelFormat(pf24bit);
  glyph.SetSize(32, 10);
  Fill(glyph, 0x0000FF);
  SetPx(glyph, 0, 9, 0xFF00FF);
  TBitmap out;
  out.SetSize(120, 30);
  Fill(out, 0xFFFFFF);
  out.Canvas()->Font()->SetColor(clBlack);
  DrawGlyphAndText(out.Canvas(), TRect{0, 0, 120, 30}, 3, 5, blGlyphLeft, "Ok", &glyph, 2, 1, false, false, 0);
  // A 16 x 10 frame at (3, 10), blue but its key pixel.
  EXPECT_EQ(Px(out, 3, 10), 0x0000FFu);
  EXPECT_EQ(Px(out, 18, 18), 0x0000FFu);
  EXPECT_EQ(Px(out, 3, 19), 0xFFFFFFu);
  EXPECT_EQ(Px(out, 19, 15), 0xFFFFFFu);
  // Text starts at 3 + 16 + 5 = 24: nothing of it to the left.
  int firstInk = -1;
  for (int x = 19; x < 120 && firstInk < 0; ++x)
    for (int y = 0; y < 30; ++y)
      if (Px(out, x, y) == 0) {
        firstInk = x;
        break;
      }
  EXPECT_GE(firstInk, 24);
  EXPECT_LT(firstInk, 30);
}

TEST(DrawGlyphAndText, ColourBarUnderTheGlyphAcrossTheWholeStrip) {
  TBitmap glyph;
  glyph.SetPixelFormat(pf24bit);
  glyph.SetSize(20, 6);
  Fill(glyph, 0xFFFFFF);
  TBitmap out;
  out.SetSize(40, 20);
  Fill(out, 0xFFFFFF);
  // Two frames of 10 x 6 at (2, 7) moved by (1, 1) for the down state.
  DrawGlyphAndText(out.Canvas(), TRect{0, 0, 40, 20}, 2, 0, blGlyphLeft, "", &glyph, 2, 1, true, true, clRed);
  for (int y : {12, 13, 14})
    for (int x = 3; x < 23; ++x) ASSERT_EQ(Px(out, x, y), 0xFF0000u) << x << "," << y;
  EXPECT_EQ(Px(out, 23, 13), 0xFFFFFFu);
  EXPECT_EQ(Px(out, 3, 11), 0xFFFFFFu);
}

TEST(DrawImageAndText, ColourBarBlockWithoutGlyphOrCaption) {
  TBitmap out;
  out.SetSize(30, 20);
  Fill(out, 0xFFFFFF);
  DrawImageAndText(out.Canvas(), TRect{0, 0, 30, 20}, -1, 0, blGlyphLeft, "", 0, nullptr, true, true, true, clBlue);
  // Down: (4, 5)-(28, 17).
  EXPECT_EQ(Px(out, 4, 5), 0x0000FFu);
  EXPECT_EQ(Px(out, 27, 16), 0x0000FFu);
  EXPECT_EQ(Px(out, 28, 16), 0xFFFFFFu);
  EXPECT_EQ(Px(out, 4, 4), 0xFFFFFFu);
  EXPECT_EQ(Px(out, 4, 17), 0xFFFFFFu);
}

TEST(DrawImageAndText, ImageFromTheListAtItsPlace) {
  TImageList images(nullptr, 8, 8);
  TBitmap pic;
  pic.SetPixelFormat(pf24bit);
  pic.SetSize(16, 8);
  Fill(pic, 0x00FF00);
  images.Add(&pic, nullptr);
  TBitmap out;
  out.SetSize(30, 20);
  Fill(out, 0xFFFFFF);
  DrawImageAndText(out.Canvas(), TRect{0, 0, 30, 20}, 1, 0, blGlyphTop, "", 1, &images, false, true, false, 0);
  // Top layout, margin 1: (15 - 4, 1).
  EXPECT_EQ(Px(out, 11, 1), 0x00FF00u);
  EXPECT_EQ(Px(out, 18, 8), 0x00FF00u);
  EXPECT_EQ(Px(out, 10, 1), 0xFFFFFFu);
  // An index past the list draws no image.
  Fill(out, 0xFFFFFF);
  DrawImageAndText(out.Canvas(), TRect{0, 0, 30, 20}, 1, 0, blGlyphTop, "", 2, &images, false, true, false, 0);
  EXPECT_EQ(Px(out, 11, 1), 0xFFFFFFu);
}

TEST(TruncateTextToWidth, FitsTextWithAnEllipsis) {
  TBitmap b;
  b.SetSize(10, 10);
  TCanvas* c = b.Canvas();
  std::string fits = "Short";
  TruncateTextToWidth(c, fits, GetWideTextWidth(c, "Short"));
  EXPECT_EQ(fits, "Short");

  std::string nothing = "Wide text";
  TruncateTextToWidth(c, nothing, 1);
  EXPECT_EQ(nothing, "...");

  const std::string full = "A longer caption of a window";
  std::string cut = full;
  const int max = GetWideTextWidth(c, "A longer cap...");
  TruncateTextToWidth(c, cut, max);
  ASSERT_GE(cut.size(), 3u);
  EXPECT_EQ(cut.substr(cut.size() - 3), "...");
  const std::string kept = cut.substr(0, cut.size() - 3);
  EXPECT_EQ(full.compare(0, kept.size(), kept), 0);
  EXPECT_LE(GetWideTextWidth(c, cut), max);
  // One more character would not have fitted.
  EXPECT_GT(GetWideTextWidth(c, full.substr(0, kept.size() + 1) + "..."), max);
}

TEST(TruncateTextToWidth, CutsWholeCharacters) {
  TBitmap b;
  b.SetSize(10, 10);
  TCanvas* c = b.Canvas();
  std::string text = "调整图像的颜色和亮度";
  TruncateTextToWidth(c, text, GetWideTextWidth(c, "调整图像...") );
  EXPECT_EQ(text, "调整图像...");
}

TEST(WideText, MeasuresWhatItDraws) {
  TBitmap b;
  b.SetSize(200, 40);
  Fill(b, 0xFFFFFF);
  TCanvas* c = b.Canvas();
  c->Font()->SetColor(clBlack);
  const int w = GetWideTextWidth(c, "Hello"), h = GetWideTextHeight(c, "Hello");
  EXPECT_GT(w, 10);
  EXPECT_GT(h, 5);
  c->Brush()->SetStyle(bsClear);
  DrawSingleLineText(c, "Hello", TRect{10, 0, 200, 40});
  int left = 999, right = -1;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 200; ++x)
      if (Px(b, x, y) != 0xFFFFFF) left = std::min(left, x), right = std::max(right, x);
  EXPECT_GE(left, 10);
  EXPECT_LT(right, 10 + w);
}

}  // namespace
