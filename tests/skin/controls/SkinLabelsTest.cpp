#include <gtest/gtest.h>

#include "platform/gdi/Text.h"
#include "tests/skin/controls/SkinControlsTestSupport.h"

using namespace skinctl;

namespace {

class SkinLabelsTest : public SkinControlsTest {
 protected:
  TspSkinTextLabel* NewTextLabel(int x, int y) {
    auto* l = new TspSkinTextLabel(form);
    l->SetParent(form);
    l->SetLeft(x);
    l->SetTop(y);
    l->DefaultFont()->SetName("Arial");
    l->DefaultFont()->SetHeight(14);
    return l;
  }
  // Darkest pixel's row range inside the control: where text was drawn.
  bool InkAt(TControl* c, int x0, int y0, int x1, int y1, TColor ink) {
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x)
        if (Pixel(c, x, y) == ColorToRGB(ink)) return true;
    return false;
  }
};

TEST_F(SkinLabelsTest, AutoSizeTextLabelIsAsHighAsItsLinesAndKeepsItsRightEdge) {
  TspSkinTextLabel* l = NewTextLabel(300, 10);
  l->SetAutoSizeLabel(false);
  l->SetAlignment(taRightJustify);
  l->SetBounds(300, 10, 20, 20);
  l->SetAutoSizeLabel(true);
  // Empty: nothing measured, and never a negative height.
  EXPECT_EQ(l->Height(), 0);
  EXPECT_GE(l->Width(), 0);
  l->Lines()->Add("One");
  const int line = l->Height();
  EXPECT_GT(line, 10);
  l->Lines()->Add("Two lines");
  l->Lines()->Add("Three");
  EXPECT_EQ(l->Height(), 3 * line);
  EXPECT_EQ(l->Left() + l->Width(), 320);
}

TEST_F(SkinLabelsTest, DefaultFontUnlessUseSkinFontIsOffAndDisabledTextIsDrawnTwice) {
  TspSkinTextLabel* l = NewTextLabel(10, 10);
  l->SetAutoSizeLabel(false);
  l->SetBounds(10, 10, 200, 60);
  l->DefaultFont()->SetColor(0x000000FF);
  l->SetFont([] {
    static TFont f;
    f.SetName("Arial");
    f.SetHeight(14);
    f.SetColor(0x00FF0000);
    return &f;
  }());
  l->Lines()->Add("Hello");
  Show();
  Snapshot(l, "textlabel_default");
  EXPECT_TRUE(InkAt(l, 0, 0, 60, 20, 0x000000FF));
  EXPECT_FALSE(InkAt(l, 0, 0, 60, 20, 0x00FF0000));
  l->UseSkinFont() = false;
  l->Repaint();
  Idle();
  EXPECT_TRUE(InkAt(l, 0, 0, 60, 20, 0x00FF0000));
  // Disabled: highlight one pixel down and right under the shadow text.
  l->UseSkinFont() = true;
  l->SetEnabled(false);
  Idle();
  Snapshot(l, "textlabel_disabled");
  EXPECT_TRUE(InkAt(l, 0, 0, 60, 20, clBtnShadow));
  form->SetColor(clBlack);
  Idle();
  EXPECT_TRUE(InkAt(l, 0, 0, 60, 20, clBtnHighlight));
}

TEST_F(SkinLabelsTest, BottomLayoutPutsTheLastLineAtTheBottomEdge) {
  TspSkinTextLabel* l = NewTextLabel(10, 10);
  l->SetAutoSizeLabel(false);
  l->SetBounds(10, 10, 150, 100);
  l->SetLayout(tlBottom);
  l->DefaultFont()->SetColor(clBlack);
  l->Lines()->Add("Xx");
  l->Lines()->Add("Xx");
  Show();
  Snapshot(l, "textlabel_bottom");
  EXPECT_FALSE(InkAt(l, 0, 0, 40, 60, clBlack));
  EXPECT_TRUE(InkAt(l, 0, 85, 40, 100, clBlack));
}

TEST_F(SkinLabelsTest, BoundLabelsTakeTheSkinsFontAndColour) {
  LoadFixtureSkin();
  auto* std = new TspSkinStdLabel(form);
  std->SetParent(form);
  std->SetAutoSize(false);
  std->SetBounds(10, 10, 40, 20);
  std->SetCaption("A long caption that does not fit");
  std->SetEllipsType(spetEndEllips);
  TspSkinTextLabel* text = NewTextLabel(10, 50);
  text->Lines()->Add("Skinned");
  const int before = text->Height();
  std->SetSkinData(skin);
  text->SetSkinData(skin);
  Show();
  EXPECT_EQ(std->ControlIndex(), 2);
  EXPECT_GT(text->Height(), before);  // height 20 instead of 14
  Snapshot(std, "stdlabel_skin");
  Snapshot(text, "textlabel_skin");
  EXPECT_TRUE(InkAt(std, 0, 0, 40, 20, 0x000000FF));
  EXPECT_TRUE(InkAt(text, 0, 0, text->Width(), text->Height(), 0x000000FF));
  // The ellipsis keeps the text inside the label: nothing drawn past it.
  EXPECT_FALSE(InkAt(form, 50, 10, 120, 30, 0x000000FF));
}

}  // namespace
