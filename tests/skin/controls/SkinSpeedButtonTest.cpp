// The skinned speed button: default and flat looks, clicks, groups and the
// down state, auto-repeat, caption widths, glyph layouts, the paint hook,
// an images menu's selection (through a stand-in menu) and the wizard's skin.
#include <gtest/gtest.h>

#include <climits>

#include "platform/graphics/ImageList.h"
#include "skin/controls/SkinCtrls_SpeedButton.h"
#include "tests/skin/controls/SkinEditTestSupport.h"

using namespace skinctl;

namespace {

constexpr TColor kGlyph = 0x000000C0;  // red, symmetric enough to read back as set

// Stands in for the skinned images menu: a list of images, a selection.
class TStandInImagesMenu : public TspImagesMenuBase {
 public:
  explicit TStandInImagesMenu(TComponent* AOwner) : TspImagesMenuBase(AOwner), images(this) {}
  TImageList images;
  int selected = -1;
  std::string captions[2] = {"One", "Two"};
  TImageList* ImagesList() const override { return const_cast<TImageList*>(&images); }
  bool SelectedItem(int& imageIndex, std::string& caption) const override {
    if (selected < 0) return false;
    imageIndex = selected;
    caption = captions[selected];
    return true;
  }
  void Select(int i) {
    selected = i;
    if (ChangeNotify) ChangeNotify();
  }
  std::vector<TRect> popups;
  bool open = false;
  void PopupAtRect(const TRect& R) override {
    popups.push_back(R);
    open = true;
  }
  bool IsOpen() const override { return open; }
};

class SkinSpeedButtonTest : public SkinBoxTest {
 protected:
  TspSkinSpeedButton* NewButton(int x = 20, int y = 20, int w = 60, int h = 30) {
    auto* b = new TspSkinSpeedButton(form);
    b->SetParent(form);
    b->SetBounds(x, y, w, h);
    b->OnClick = [this, b](TObject*) { log.push_back("click " + b->Caption()); };
    return b;
  }
  static void Solid(TBitmap& b, int w, int h, TColor c) {
    b.SetPixelFormat(pf24bit);
    b.SetSize(w, h);
    b.Canvas()->Brush()->SetColor(c);
    b.Canvas()->FillRect(TRect{0, 0, w, h});
  }
  // Bounding box of the pixels of one colour in a control.
  TRect Box(TControl* c, TColor color) {
    TRect r{INT_MAX, INT_MAX, -1, -1};
    for (int y = 0; y < c->Height(); ++y)
      for (int x = 0; x < c->Width(); ++x)
        if (Pixel(c, x, y) == color) {
          r.Left = std::min(r.Left, x);
          r.Top = std::min(r.Top, y);
          r.Right = std::max(r.Right, x + 1);
          r.Bottom = std::max(r.Bottom, y + 1);
        }
    return r;
  }
};

TEST_F(SkinSpeedButtonTest, DefaultLookInEachStateAndTheFlatLook) {
  form->SetColor(0x00E0F0F0);
  TspSkinSpeedButton* b = NewButton();
  b->SetCaption("Tool");
  Show();
  EXPECT_EQ(b->SkinDataName(), "toolbutton");
  const struct {
    const char* what;
    std::function<void()> act;
    TColor frame, fill;
  } states[] = {
      {"normal", [] {}, clBtnShadow, clBtnFace},
      {"hot", [&] { MoveTo(b, 30, 15); }, 0x00800000, 0x00D2BDB6},
      {"pressed", [&] { Press(b, 30, 15); }, 0x00800000, 0x00B59385},
      {"released", [&] { Release(b, 30, 15); }, 0x00800000, 0x00D2BDB6},
      {"left", [&] { MoveTo(b, 200, 150); }, clBtnShadow, clBtnFace},
  };
  for (const auto& st : states) {
    st.act();
    EXPECT_EQ(Pixel(b, 0, 0), ColorToRGB(st.frame)) << st.what;
    EXPECT_EQ(Pixel(b, 2, 2), ColorToRGB(st.fill)) << st.what;
    Snapshot(b, std::string("speed_default_") + st.what);
  }
  EXPECT_EQ(Take(), (Log{"click Tool"}));
  // Flat: no face at rest, the hot face under the pointer.
  b->SetFlat(true);
  Idle();
  EXPECT_EQ(Pixel(b, 0, 0), 0x00E0F0F0);
  EXPECT_EQ(Pixel(b, 2, 2), 0x00E0F0F0);
  Snapshot(b, "speed_default_flat");
  MoveTo(b, 30, 15);
  EXPECT_EQ(Pixel(b, 2, 2), 0x00D2BDB6);
  MoveTo(b, 200, 150);
  EXPECT_EQ(Pixel(b, 2, 2), 0x00E0F0F0);
}

TEST_F(SkinSpeedButtonTest, ClicksGroupsAndTheDownState) {
  TspSkinSpeedButton* a = NewButton(20, 20);
  a->SetCaption("A");
  TspSkinSpeedButton* b = NewButton(90, 20);
  b->SetCaption("B");
  Show();
  // Released away from the button: no click.
  Press(a, 10, 10);
  Release(a, 200, 150);
  EXPECT_TRUE(Take().empty());
  EXPECT_FALSE(a->Down());
  // In a group a press clicks and stays down; the other one comes up.
  a->SetGroupIndex(1);
  b->SetGroupIndex(1);
  Press(a, 10, 10);
  EXPECT_EQ(Take(), (Log{"click A"}));
  Release(a, 10, 10);
  EXPECT_TRUE(a->Down());
  Press(b, 10, 10);
  Release(b, 10, 10);
  EXPECT_TRUE(b->Down());
  EXPECT_FALSE(a->Down());
  EXPECT_EQ(Take(), (Log{"click B"}));
  // A down button stays down on a second click, unless all may be up.
  Press(b, 10, 10);
  Release(b, 10, 10);
  EXPECT_TRUE(b->Down());
  EXPECT_TRUE(Take().empty());
  b->AllowAllUp = true;
  a->AllowAllUp = true;
  Press(b, 10, 10);
  Release(b, 10, 10);
  EXPECT_FALSE(b->Down());
  EXPECT_EQ(Take(), (Log{"click B"}));
  // The down look shows while down in a group, pointer or not.
  a->SetDown(true);
  MoveTo(b, 200, 150);
  EXPECT_EQ(Pixel(a, 2, 2), 0x00B59385);
}

TEST_F(SkinSpeedButtonTest, RepeatModeClicksWhileHeld) {
  TspSkinSpeedButton* b = NewButton();
  b->SetCaption("R");
  b->RepeatMode = true;
  b->RepeatInterval = 100;
  Show();
  Press(b, 10, 10);
  Advance(499);
  EXPECT_TRUE(Take().empty());
  Advance(1);
  EXPECT_EQ(Take(), (Log{"click R"}));
  Advance(200);
  EXPECT_EQ(Take(), (Log{"click R", "click R"}));
  // Away from it the repeat stops; the release there clicks nothing.
  MoveTo(b, 200, 150);
  Advance(300);
  Release(b, 200, 150);
  EXPECT_TRUE(Take().empty());
  EXPECT_FALSE(b->Repeating());
}

TEST_F(SkinSpeedButtonTest, CaptionWidthsGlyphLayoutsAndThePaintHook) {
  TspSkinSpeedButton* b = NewButton(20, 20, 60, 40);
  b->SetCaption("Go");
  b->WidthWithCaption = 60;
  b->WidthWithoutCaption = 25;
  // Magenta round it: a glyph's bottom-left colour is transparent.
  TBitmap glyph;
  Solid(glyph, 10, 10, 0x00FF00FF);
  glyph.Canvas()->Brush()->SetColor(kGlyph);
  glyph.Canvas()->FillRect(TRect{1, 1, 9, 9});
  b->SetGlyph(&glyph);
  Show();
  b->SetShowCaption(false);
  EXPECT_EQ(b->Width(), 25);
  b->SetShowCaption(true);
  EXPECT_EQ(b->Width(), 60);
  const struct {
    TspButtonLayout layout;
    const char* name;
  } layouts[] = {{blGlyphLeft, "left"}, {blGlyphRight, "right"}, {blGlyphTop, "top"}, {blGlyphBottom, "bottom"}};
  TRect boxes[4];
  for (int i = 0; i < 4; ++i) {
    b->SetLayout(layouts[i].layout);
    Idle();
    boxes[i] = Box(b, kGlyph);
    EXPECT_EQ(boxes[i].Width(), 8) << layouts[i].name;
    EXPECT_EQ(boxes[i].Height(), 8) << layouts[i].name;
    Snapshot(b, std::string("speed_glyph_") + layouts[i].name);
  }
  EXPECT_LT(boxes[0].Left, boxes[1].Left);    // left before right
  EXPECT_LT(boxes[2].Top, boxes[3].Top);      // top above bottom
  EXPECT_EQ(boxes[0].Top, boxes[1].Top);      // both centred vertically
  EXPECT_EQ(boxes[2].Left, boxes[3].Left);    // both centred horizontally
  // A paint hook that keeps the content away leaves the bare face.
  b->OnPaint = [](TObject*, TCanvas*, TRect, bool, bool, bool& drawDefault) { drawDefault = false; };
  b->Repaint();
  Idle();
  EXPECT_EQ(Box(b, kGlyph).Right, -1);
}

TEST_F(SkinSpeedButtonTest, ShowsTheImagesMenusSelectionAndFollowsIt) {
  auto* menu = new TStandInImagesMenu(form);
  menu->images.SetSize(12, 12);
  TBitmap one, two;
  Solid(one, 12, 12, 0x0000A000);
  Solid(two, 12, 12, 0x00A000A0);
  menu->images.Add(&one, nullptr);
  menu->images.Add(&two, nullptr);
  TspSkinSpeedButton* b = NewButton(20, 20, 40, 30);
  b->UseImagesMenuImage = true;
  b->SetSkinImagesMenu(menu);
  Show();
  EXPECT_EQ(Box(b, 0x0000A000).Right, -1);  // nothing selected yet
  menu->Select(0);
  Idle();
  EXPECT_EQ(Box(b, 0x0000A000).Width(), 12);
  menu->Select(1);
  Idle();
  EXPECT_EQ(Box(b, 0x0000A000).Right, -1);
  EXPECT_EQ(Box(b, 0x00A000A0).Width(), 12);
  Snapshot(b, "speed_imagesmenu");
  // The menu going away leaves the button without it.
  delete menu;
  EXPECT_EQ(b->SkinImagesMenu(), nullptr);
  b->Repaint();
  Idle();
}

TEST_F(SkinSpeedButtonTest, WizardSkinFadesUnlessFlat) {
  LoadWizardSkin();
  form->SetColor(clBtnFace);
  TspSkinSpeedButton* b = NewButton(20, 20, 80, 26);
  b->SetSkinDataName("button");
  b->SetCaption("工具");
  b->SetSkinData(skin);
  Show();
  ASSERT_NE(b->ControlIndex, -1);
  Snapshot(b, "speed_wizard_normal");
  MoveTo(b, 40, 13);
  EXPECT_TRUE(b->Morphing());
  Advance(200);
  EXPECT_EQ(b->MorphRatio, 1.0);
  Snapshot(b, "speed_wizard_hot");
  MoveTo(b, 300, 200);
  Advance(200);
  b->SetFlat(true);
  MoveTo(b, 40, 13);
  EXPECT_FALSE(b->Morphing());
  MoveTo(b, 300, 200);
  Idle();
  Snapshot(b, "speed_wizard_flat");
  EXPECT_EQ(Pixel(b, 1, 1), ColorToRGB(clBtnFace));
}

}  // namespace
