#include "platform/graphics/ImageList.h"

#include <gtest/gtest.h>

#include "platform/graphics/Canvas.h"
#include "platform/graphics/Icon.h"
#include "platform/rtl/Exceptions.h"

namespace {

// A strip of three 4 x 4 images: red, green, blue squares on magenta, one
// extra row below that the list must drop.
void Strip(TBitmap& b) {
  b.SetPixelFormat(pf24bit);
  b.SetSize(13, 5);  // 13 div 4 = 3 images
  TCanvas* c = b.Canvas();
  c->Brush()->SetColor(clFuchsia);
  c->FillRect(Rect(0, 0, 13, 5));
  const TColor colours[] = {clRed, clLime, clBlue};
  for (int i = 0; i < 3; ++i) {
    c->Brush()->SetColor(colours[i]);
    c->FillRect(Rect(i * 4 + 1, 1, i * 4 + 3, 3));
  }
}

// An 8 x 8 grey bitmap to draw on.
struct Target : TBitmap {
  Target() : TBitmap(8, 8, pf24bit) {
    Canvas()->Brush()->SetColor(clGray);
    Canvas()->FillRect(Rect(0, 0, 8, 8));
  }
};

TEST(ImageList, AddMaskedCutsAWideBitmapAndKeysExactColours) {
  TImageList list(nullptr, 4, 4);
  TBitmap strip;
  Strip(strip);
  EXPECT_EQ(list.AddMasked(&strip, clFuchsia), 0);
  ASSERT_EQ(list.Count(), 3);
  Target t;
  list.Draw(t.Canvas(), 2, 2, 1);
  EXPECT_EQ(t.Canvas()->Pixels(3, 3), clLime);
  EXPECT_EQ(t.Canvas()->Pixels(2, 2), clGray);  // magenta was the key
  EXPECT_EQ(t.Canvas()->Pixels(5, 5), clGray);
  TBitmap img;
  list.GetBitmap(2, &img);
  EXPECT_EQ(img.Width(), 4);
  EXPECT_EQ(img.Canvas()->Pixels(1, 1), clBlue);
  EXPECT_EQ(img.Canvas()->Pixels(0, 0), clBlack);  // masked pixels are stored black
}

TEST(ImageList, AddWithAMaskBitmap) {
  TImageList list(nullptr, 2, 1);
  TBitmap img(2, 1, pf24bit), mask(2, 1, pf24bit);
  img.Canvas()->SetPixels(0, 0, clRed);
  img.Canvas()->SetPixels(1, 0, clBlue);
  mask.Canvas()->SetPixels(1, 0, clWhite);  // white: transparent
  list.Add(&img, &mask);
  Target t;
  list.Draw(t.Canvas(), 0, 0, 0);
  EXPECT_EQ(t.Canvas()->Pixels(0, 0), clRed);
  EXPECT_EQ(t.Canvas()->Pixels(1, 0), clGray);
}

TEST(ImageList, DisabledDrawsTheDarkShapeEmbossed) {
  TImageList list(nullptr, 4, 4);
  TBitmap strip;
  Strip(strip);
  list.AddMasked(&strip, clFuchsia);
  Target t;
  list.Draw(t.Canvas(), 2, 2, 0, false);
  // Red square at (3..4, 3..4): shadow there, highlight one pixel lower right.
  const TColor shadow = ColorToRGB(clBtnShadow), light = ColorToRGB(clBtnHighlight);
  EXPECT_EQ(t.Canvas()->Pixels(3, 3), shadow);
  EXPECT_EQ(t.Canvas()->Pixels(4, 4), shadow);
  EXPECT_EQ(t.Canvas()->Pixels(5, 5), light);
  EXPECT_EQ(t.Canvas()->Pixels(5, 4), light);
  EXPECT_EQ(t.Canvas()->Pixels(2, 2), clGray);
  EXPECT_EQ(t.Canvas()->Pixels(6, 6), clGray);
}

TEST(ImageList, ReplaceDeleteClearAndSizeChanges) {
  TImageList list(nullptr, 4, 4);
  int changes = 0;
  list.OnChange = [&](TObject*) { ++changes; };
  TBitmap strip;
  Strip(strip);
  list.AddMasked(&strip, clFuchsia);
  TBitmap one(4, 4, pf24bit);
  one.Canvas()->Brush()->SetColor(clYellow);
  one.Canvas()->FillRect(Rect(0, 0, 4, 4));
  list.Replace(0, &one, nullptr);
  TBitmap got;
  list.GetBitmap(0, &got);
  EXPECT_EQ(got.Canvas()->Pixels(0, 0), clYellow);
  list.Delete(0);
  EXPECT_EQ(list.Count(), 2);
  list.GetBitmap(0, &got);
  EXPECT_EQ(got.Canvas()->Pixels(1, 1), clLime);
  EXPECT_THROW(list.Delete(5), EInvalidOperation);
  list.SetWidth(8);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(changes, 4);
  TBitmap narrow(3, 4, pf24bit);  // narrower than one image: nothing added
  EXPECT_EQ(list.Add(&narrow, nullptr), -1);
}

TEST(ImageList, GetIconKeepsTheMask) {
  TImageList list(nullptr, 4, 4);
  TBitmap strip;
  Strip(strip);
  list.AddMasked(&strip, clFuchsia);
  TIcon icon;
  list.GetIcon(2, &icon);
  Target t;
  t.Canvas()->Draw(0, 0, &icon);
  EXPECT_EQ(t.Canvas()->Pixels(1, 1), clBlue);
  EXPECT_EQ(t.Canvas()->Pixels(0, 0), clGray);
  TImageList again(nullptr, 4, 4);
  EXPECT_EQ(again.AddIcon(&icon), 0);
  Target u;
  again.Draw(u.Canvas(), 0, 0, 0);
  EXPECT_EQ(u.Canvas()->Pixels(2, 2), clBlue);
  EXPECT_EQ(u.Canvas()->Pixels(3, 3), clGray);
}

}  // namespace
