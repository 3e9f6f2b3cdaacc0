#include "themed/core/KZUPublic.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/backend/headless/HeadlessDisplay.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Picture.h"

namespace {

constexpr TColor Sentinel = 0x00FE01;

// A picture whose every pixel is distinct: red = x, green = y, blue = 0x40.
std::unique_ptr<TBitmap> Numbered(int w, int h) {
  auto b = std::make_unique<TBitmap>(w, h, pf24bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b->Canvas()->SetPixels(x, y, TColor(0x400000 | (y << 8) | x));
  return b;
}

std::unique_ptr<TBitmap> Filled(int w, int h, TColor c) {
  auto b = std::make_unique<TBitmap>(w, h, pf24bit);
  b->Canvas()->Brush()->SetColor(c);
  b->Canvas()->FillRect(TRect{0, 0, w, h});
  return b;
}

TEST(KZUPublic, PointInsideRectCountsAllFourEdges) {
  const TRect r{10, 20, 30, 40};
  struct Case {
    int X, Y;
    bool In;
  };
  const Case cases[] = {{10, 20, true}, {30, 40, true}, {30, 20, true}, {10, 40, true}, {20, 30, true},
                        {9, 30, false}, {31, 30, false}, {20, 19, false}, {20, 41, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(PointInsideRect(c.X, c.Y, r), c.In) << c.X << "," << c.Y;
    EXPECT_EQ(PointInsideRect(TPoint{c.X, c.Y}, r), c.In);
  }
}

TEST(KZUPublic, RotatingTurnsAQuarterEachWay) {
  auto left = Numbered(3, 2);
  const TColor topLeft = left->Canvas()->Pixels(0, 0);
  const TColor topRight = left->Canvas()->Pixels(2, 0);
  RotateBitmapLeft(left.get());
  ASSERT_EQ(left->Width(), 2);
  ASSERT_EQ(left->Height(), 3);
  EXPECT_EQ(left->Canvas()->Pixels(0, 2), topLeft);   // bottom-left
  EXPECT_EQ(left->Canvas()->Pixels(0, 0), topRight);  // the top row reads upwards

  auto right = Numbered(3, 2);
  RotateBitmapRight(right.get());
  ASSERT_EQ(right->Width(), 2);
  ASSERT_EQ(right->Height(), 3);
  EXPECT_EQ(right->Canvas()->Pixels(1, 0), topLeft);  // top-right
  EXPECT_EQ(right->Canvas()->Pixels(1, 2), topRight);
}

// Paints the picture into a sentinel-filled target and gives its pixels.
std::vector<TColor> NinePart(TBitmap* picture, int w, int h, bool transparent, TColor ground = Sentinel) {
  auto target = Filled(w, h, ground);
  DrawNinePartBitmap(picture, target->Canvas(), TRect{0, 0, w, h}, transparent);
  std::vector<TColor> px;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) px.push_back(target->Canvas()->Pixels(x, y));
  return px;
}

TEST(KZUPublic, NinePartKeepsCornersAndLeavesNoGaps) {
  auto picture = Numbered(21, 21);
  struct Size {
    int W, H;
  };
  // Larger, equal, smaller and odd and even targets.
  const Size sizes[] = {{80, 27}, {21, 21}, {40, 21}, {15, 11}, {10, 10}, {7, 30}, {60, 8}};
  for (const Size& s : sizes) {
    const std::vector<TColor> px = NinePart(picture.get(), s.W, s.H, false);
    for (int i = 0; i < int(px.size()); ++i)
      ASSERT_NE(px[i], Sentinel) << s.W << "x" << s.H << " gap at " << i % s.W << "," << i / s.W;
    EXPECT_EQ(px[0], picture->Canvas()->Pixels(0, 0)) << s.W << "x" << s.H;
    EXPECT_EQ(px[px.size() - 1], picture->Canvas()->Pixels(20, 20)) << s.W << "x" << s.H;
    EXPECT_EQ(px[s.W - 1], picture->Canvas()->Pixels(20, 0)) << s.W << "x" << s.H;
  }
}

TEST(KZUPublic, NinePartKeysMagentaInEdgesAlwaysAndInCornersOnRequest) {
  auto picture = Filled(21, 21, kzuNinePartKey);
  const std::vector<TColor> plain = NinePart(picture.get(), 50, 30, false);
  const std::vector<TColor> keyed = NinePart(picture.get(), 50, 30, true);
  EXPECT_EQ(plain[0], kzuNinePartKey);     // corner copied as it is
  EXPECT_EQ(plain[15 * 50 + 25], Sentinel);  // centre keyed out
  EXPECT_EQ(plain[15 * 50 + 0], Sentinel);   // left edge keyed out
  for (TColor c : keyed) ASSERT_EQ(c, Sentinel);
}

TEST(KZUPublic, NinePartSurvivesDegenerateSizes) {
  for (int pw : {1, 2, 3})
    for (int ph : {1, 2, 3}) {
      auto picture = Numbered(pw, ph);
      for (int tw : {1, 2, 5})
        for (int th : {1, 2, 5}) {
          const std::vector<TColor> px = NinePart(picture.get(), tw, th, pw % 2 == 0);
          // Whatever lands comes from the picture: no stray colour.
          for (TColor c : px) ASSERT_TRUE(c == Sentinel || (c & 0xFF0000) == 0x400000) << pw << "x" << ph;
        }
    }
  auto empty = std::make_unique<TBitmap>();
  const std::vector<TColor> px = NinePart(empty.get(), 5, 5, false);
  for (TColor c : px) EXPECT_EQ(c, Sentinel);
}

TEST(KZUPublic, ThreePartStretchesTheMiddleAndNeverMirrors) {
  // Slices red, green, blue, 4 wide each.
  auto picture = std::make_unique<TBitmap>(12, 5, pf24bit);
  const TColor slices[] = {0x0000FF, 0x00FF00, 0xFF0000};
  for (int i = 0; i < 3; ++i) {
    picture->Canvas()->Brush()->SetColor(slices[i]);
    picture->Canvas()->FillRect(TRect{4 * i, 0, 4 * i + 4, 5});
  }
  auto wide = Filled(30, 5, Sentinel);
  DrawThreePartBitmap(picture.get(), wide->Canvas(), TRect{0, 0, 30, 5}, false);
  EXPECT_EQ(wide->Canvas()->Pixels(0, 2), slices[0]);
  EXPECT_EQ(wide->Canvas()->Pixels(15, 2), slices[1]);
  EXPECT_EQ(wide->Canvas()->Pixels(29, 2), slices[2]);
  EXPECT_EQ(wide->Canvas()->Pixels(4, 2), slices[1]);
  EXPECT_EQ(wide->Canvas()->Pixels(25, 2), slices[1]);
  EXPECT_EQ(wide->Canvas()->Pixels(26, 2), slices[2]);
  EXPECT_EQ(wide->Canvas()->Pixels(3, 2), slices[0]);

  // Narrower than both ends: the ends overlap and no mirrored middle shows.
  auto narrow = Filled(6, 5, Sentinel);
  DrawThreePartBitmap(picture.get(), narrow->Canvas(), TRect{0, 0, 6, 5}, false);
  for (int x = 0; x < 6; ++x) EXPECT_NE(narrow->Canvas()->Pixels(x, 2), slices[1]) << x;
  EXPECT_EQ(narrow->Canvas()->Pixels(0, 2), slices[0]);
  EXPECT_EQ(narrow->Canvas()->Pixels(5, 2), slices[2]);
}

TEST(KZUPublic, ThreePartKeysTheTopLeftColourWhenTransparent) {
  auto picture = Filled(9, 3, 0x00FF00);
  picture->Canvas()->SetPixels(4, 1, 0x0000FF);
  auto target = Filled(30, 3, Sentinel);
  DrawThreePartBitmap(picture.get(), target->Canvas(), TRect{0, 0, 30, 3}, true);
  EXPECT_EQ(target->Canvas()->Pixels(0, 0), Sentinel);
  EXPECT_EQ(target->Canvas()->Pixels(29, 2), Sentinel);
  EXPECT_EQ(target->Canvas()->Pixels(15, 1), 0x0000FF);
}

TEST(KZUPublic, TilingStartsAtTheCanvasOrigin) {
  TPicture picture;
  picture.Bitmap()->Assign(Numbered(4, 3).get());
  auto target = Filled(11, 8, Sentinel);
  TilePicture(target->Canvas(), &picture, TRect{2, 2, 11, 8});
  // Tiles are laid from (0, 0), not from the rectangle's corner.
  EXPECT_EQ(target->Canvas()->Pixels(0, 0), picture.Bitmap()->Canvas()->Pixels(0, 0));
  EXPECT_EQ(target->Canvas()->Pixels(5, 4), picture.Bitmap()->Canvas()->Pixels(1, 1));
  EXPECT_EQ(target->Canvas()->Pixels(10, 7), picture.Bitmap()->Canvas()->Pixels(2, 1));
}

TEST(KZUPublic, PCharToStringTakesNullAsEmpty) {
  EXPECT_EQ(PCharToString(nullptr), "");
  EXPECT_EQ(PCharToString(""), "");
  EXPECT_EQ(PCharToString("kzu"), "kzu");
}

}  // namespace
