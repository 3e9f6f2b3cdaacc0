#include "skin/engine/SPUtils.h"

#include <gtest/gtest.h>

#include "tests/skin/engine/SkinPixels.h"

using namespace skinpx;

namespace {

// The source pixel a scaled copy of srcLen pixels into dstLen takes for
// destination pixel k: the one under the pixel's centre.
int Near(int k, int srcLen, int dstLen) { return (2 * k + 1) * srcLen / (2 * dstLen); }

// A 40 x 20 element at (3, 2) of a larger picture: top border rows 0..4,
// bottom rows 15..19, left columns 0..4, right columns 35..39; the top and
// bottom bands run from column 10 to 30, the side bands from row 8 to 12.
struct NinePart {
  TBitmap skin;
  const TRect S{3, 2, 43, 22};
  const TPoint LT{10, 8}, RT{30, 8}, LB{10, 12}, RB{30, 12};
  const TRect C{5, 5, 35, 15};
  NinePart() { CoordPicture(skin, 50, 30); }
  // Source pixel of the element at its own (x, y).
  std::uint32_t Src(int x, int y) const { return From(x + S.Left, y + S.Top); }
  void Compose(TBitmap& out, int W, bool drawCentre, bool topStretch, bool stretchEffect = false,
               TspStretchType type = stFull) {
    const int dx = W - S.Width();
    CreateSkinImage(LT, RT, LB, RB, C, LT, TPoint{RT.X + dx, RT.Y}, LB, TPoint{RB.X + dx, RB.Y},
                    TRect{C.Left, C.Top, C.Right + dx, C.Bottom}, &out, &skin, S, W, S.Height(), drawCentre, false,
                    topStretch, false, false, stretchEffect, type);
  }
};

TEST(CreateSkinImage, TiledBandsRepeatFromTheirFirstColumnAndTheCentreTiles) {
  NinePart p;
  TBitmap out;
  const int dx = 60;
  CreateSkinImage(p.LT, p.RT, p.LB, p.RB, p.C, p.LT, TPoint{90, 8}, p.LB, TPoint{90, 12}, TRect{5, 5, 95, 15}, &out,
                  &p.skin, p.S, 100, 20, true, false, false, false, false);
  ASSERT_EQ(out.Width(), 100);
  ASSERT_EQ(out.Height(), 20);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 100; ++x) {
      int sx;
      if (y < 5 || y >= 15)
        sx = x < 10 ? x : x < 90 ? 10 + (x - 10) % 20 : x - dx;  // corners and the tiled band
      else
        sx = x < 5 ? x : x < 95 ? 5 + (x - 5) % 30 : x - dx;  // sides and the tiled centre
      ASSERT_EQ(Px(out, x, y), p.Src(sx, y)) << x << "," << y;
    }
  }
}

TEST(CreateSkinImage, StretchedTopBandScalesTwentyColumnsToEighty) {
  NinePart p;
  TBitmap out;
  p.Compose(out, 100, true, true);
  for (int y = 0; y < 5; ++y)
    for (int x = 10; x < 90; ++x) ASSERT_EQ(Px(out, x, y), p.Src(10 + (x - 10) / 4, y)) << x << "," << y;
  // The bottom band stays tiled.
  EXPECT_EQ(Px(out, 35, 17), p.Src(15, 17));
}

TEST(CreateSkinImage, CentreLeftAsTheResizedDestinationWhenNotDrawn) {
  NinePart p;
  TBitmap out;
  out.SetSize(100, 20);
  Fill(out, 0xFF00FF);
  p.Compose(out, 100, false, false);
  for (int y = 5; y < 15; ++y)
    for (int x = 5; x < 95; ++x) ASSERT_EQ(Px(out, x, y), 0xFF00FFu) << x << "," << y;
  EXPECT_EQ(Px(out, 4, 5), p.Src(4, 5));
  EXPECT_EQ(Px(out, 95, 14), p.Src(35, 14));
}

// A 10 x 6 centre piece into a 25 x 12 centre: stHorz repeats a strip 10 wide
// scaled to 12 rows at 10, 20 and 30, the last cut; stVert a strip 25 wide
// scaled from 10 columns, repeated every 6 rows; stFull scales the piece.
TEST(CreateSkinImage, StretchTypesOfTheCentre) {
  TBitmap skin;
  CoordPicture(skin, 30, 10);
  const TRect S{0, 0, 30, 10}, C{10, 2, 20, 8}, NC{10, 2, 35, 14};
  const TPoint LT{10, 2}, RT{20, 2}, LB{10, 8}, RB{20, 8};
  const TPoint NLT{10, 2}, NRT{35, 2}, NLB{10, 14}, NRB{35, 14};
  for (TspStretchType type : {stHorz, stVert, stFull}) {
    TBitmap out;
    CreateSkinImage(LT, RT, LB, RB, C, NLT, NRT, NLB, NRB, NC, &out, &skin, S, 45, 16, true, true, true, true, true,
                    true, type);
    for (int y = NC.Top; y < NC.Bottom; ++y) {
      for (int x = NC.Left; x < NC.Right; ++x) {
        int sx, sy;
        if (type == stHorz) {
          sx = 10 + (x - 10) % 10;
          sy = 2 + (y - 2) / 2;
        } else if (type == stVert) {
          sx = 10 + Near(x - 10, 10, 25);
          sy = 2 + (y - 2) % 6;
        } else {
          sx = 10 + Near(x - 10, 10, 25);
          sy = 2 + (y - 2) / 2;
        }
        ASSERT_EQ(Px(out, x, y), From(sx, sy)) << int(type) << " at " << x << "," << y;
      }
    }
  }
}

TEST(CreateStretchSkinImage, AtTheElementsOwnSizeReproducesIt) {
  NinePart p;
  TBitmap out;
  out.SetSize(40, 20);
  CreateStretchSkinImage(&out, &p.skin, p.S, TRect{6, 6, 30, 14}, true);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(Px(out, x, y), p.Src(x, y)) << x << "," << y;
}

TEST(CreateStretchSkinImage, KeepsTheMarginsAndScalesTheMiddle) {
  NinePart p;
  TBitmap out;
  out.SetSize(40 + 24, 20);
  // Margins 6 and 10 columns; the 24 middle columns grow to 48.
  CreateStretchSkinImage(&out, &p.skin, p.S, TRect{6, 6, 30, 14}, true);
  for (int x = 0; x < 64; ++x) {
    const int sx = x < 6 ? x : x < 54 ? 6 + (x - 6) / 2 : x - 24;
    ASSERT_EQ(Px(out, x, 3), p.Src(sx, 3)) << x;
    ASSERT_EQ(Px(out, x, 10), p.Src(sx, 10)) << x;
  }
}

TEST(CreateSkinImage, ElementNarrowerThanItsFixedPartsDrawsTheCornersWithoutMirroring) {
  NinePart p;
  TBitmap out;
  // 15 wide: the right corners start at 5, before the left ones end.
  p.Compose(out, 15, true, false);
  for (int x = 0; x < 15; ++x) {
    const int sx = x < 5 ? x : 30 + (x - 5);
    ASSERT_EQ(Px(out, x, 2), p.Src(sx, 2)) << x;
  }
}

TEST(CreateSkinImage, EmptyPictureOrCollapsedPointsOnlyResize) {
  NinePart p;
  TBitmap empty, out;
  out.SetSize(10, 10);
  Fill(out, 0x123456);
  CreateSkinImage(p.LT, p.RT, p.LB, p.RB, p.C, p.LT, p.RT, p.LB, p.RB, p.C, &out, &empty, p.S, 12, 10, true, true,
                  true, true, true);
  EXPECT_EQ(out.Width(), 12);
  EXPECT_EQ(Px(out, 5, 5), 0x123456u);
  CreateSkinImage(p.LT, p.RT, p.LB, TPoint{p.LT.X, 12}, p.C, p.LT, p.RT, p.LB, p.RB, p.C, &out, &p.skin, p.S, 12,
                  10, true, true, true, true, true);
  EXPECT_EQ(Px(out, 5, 5), 0x123456u);
}

TEST(CreateSkinImage, ElementOutsideThePictureLeavesThosePixelsAlone) {
  NinePart p;
  TBitmap out;
  out.SetSize(40, 20);
  Fill(out, 0x123456);
  // The element's right half lies beyond the 50-column picture.
  CreateSkinImage(p.LT, p.RT, p.LB, p.RB, p.C, p.LT, p.RT, p.LB, p.RB, p.C, &out, &p.skin, TRect{30, 2, 70, 22},
                  40, 20, true, false, false, false, false);
  EXPECT_EQ(Px(out, 2, 2), From(32, 4));
  EXPECT_EQ(Px(out, 38, 2), 0x123456u);
}

struct ThreePartCase {
  bool horizontal;
  bool stretch;
};

TEST(CreateHVSkinImage, KeepEndsAndTileOrStretchTheMiddle) {
  TBitmap skin;
  CoordPicture(skin, 30, 30);
  // Element (2, 3)-(22, 13) wide, or (3, 2)-(13, 22) high: ends of 4 and 6,
  // a middle of 10 grown to 30.
  for (const ThreePartCase c : {ThreePartCase{true, false}, ThreePartCase{true, true}, ThreePartCase{false, false},
                                ThreePartCase{false, true}}) {
    TBitmap out;
    if (c.horizontal)
      CreateHSkinImage(4, 6, &out, &skin, TRect{2, 3, 22, 13}, 40, c.stretch);
    else
      CreateVSkinImage(4, 6, &out, &skin, TRect{3, 2, 13, 22}, 40, c.stretch);
    ASSERT_EQ(out.Width(), c.horizontal ? 40 : 10);
    ASSERT_EQ(out.Height(), c.horizontal ? 10 : 40);
    for (int i = 0; i < 40; ++i) {
      int s;
      if (i < 4)
        s = i;
      else if (i >= 34)
        s = i - 20;
      else
        s = c.stretch ? 4 + (i - 4) / 3 : 4 + (i - 4) % 10;
      const std::uint32_t got = c.horizontal ? Px(out, i, 5) : Px(out, 5, i);
      const std::uint32_t want = c.horizontal ? From(2 + s, 8) : From(8, 2 + s);
      ASSERT_EQ(got, want) << c.horizontal << c.stretch << " at " << i;
    }
  }
}

TEST(CreateSkinBorderImages, FourStripsWithTheirBandsPlaced) {
  NinePart p;
  TBitmap left, top, right, bottom;
  // A 100 x 40 frame: the side bands grow from 4 to 24 rows.
  const TRect NC{5, 5, 95, 35};
  CreateSkinBorderImages(p.LT, p.RT, p.LB, p.RB, p.C, p.LT, TPoint{90, 8}, TPoint{10, 32}, TPoint{90, 32}, NC, &left,
                         &top, &right, &bottom, &p.skin, p.S, 100, 40, false, false, true, false);
  ASSERT_EQ(top.Width(), 100);
  ASSERT_EQ(top.Height(), 5);
  ASSERT_EQ(bottom.Height(), 5);
  ASSERT_EQ(left.Width(), 5);
  ASSERT_EQ(left.Height(), 30);
  ASSERT_EQ(right.Width(), 5);
  // Top: corners, tiles of 20 starting at column 0 under them.
  EXPECT_EQ(Px(top, 3, 1), p.Src(3, 1));
  EXPECT_EQ(Px(top, 50, 1), p.Src(20, 1));
  EXPECT_EQ(Px(top, 95, 1), p.Src(35, 1));
  // Bottom comes from the element's last five rows.
  EXPECT_EQ(Px(bottom, 2, 0), p.Src(2, 15));
  // Left (tiled): three fixed rows on top, the 4-row band from row 0 on,
  // three fixed rows at the bottom.
  EXPECT_EQ(Px(left, 1, 0), p.Src(1, 5));
  EXPECT_EQ(Px(left, 1, 2), p.Src(1, 7));
  EXPECT_EQ(Px(left, 1, 5), p.Src(1, 9));
  EXPECT_EQ(Px(left, 1, 27), p.Src(1, 12));
  EXPECT_EQ(Px(left, 1, 29), p.Src(1, 14));
  // Right (stretched): the 4 band rows scaled over rows 3..27.
  EXPECT_EQ(Px(right, 0, 3), p.Src(35, 8));
  EXPECT_EQ(Px(right, 0, 26), p.Src(35, 11));
  EXPECT_EQ(Px(right, 4, 29), p.Src(39, 14));
}

}  // namespace
