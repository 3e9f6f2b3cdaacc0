// The skinned panel and status bar: borders and caption bar in the default
// look, roll-up and the caption check box, transparency passed on to the
// children, the status bar's grip sizing the form, and the wizard's skin.
#include <gtest/gtest.h>

#include "platform/ui/controls/StdCtrls.h"
#include "skin/controls/SkinCtrls_Panel.h"
#include "tests/skin/controls/SkinEditTestSupport.h"

using namespace skinctl;

namespace {

// Counts the background-changed messages it is sent.
class TBackgroundProbe : public TspSkinControl {
 public:
  explicit TBackgroundProbe(TComponent* AOwner) : TspSkinControl(AOwner) {}
  int Count = 0;
  void Dispatch(TMessage& Message) override {
    if (Message.Msg == WM_SPBACKGROUNDCHANGED) ++Count;
    TspSkinControl::Dispatch(Message);
  }
};

class SkinPanelTest : public SkinBoxTest {
 protected:
  TspSkinPanel* NewPanel(int x = 10, int y = 10, int w = 150, int h = 120) {
    auto* p = new TspSkinPanel(form);
    p->SetParent(form);
    p->SetBounds(x, y, w, h);
    return p;
  }
  int Count(TControl* c, const TRect& r, TColor color) {
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) n += Pixel(c, x, y) == ColorToRGB(color);
    return n;
  }
};

TEST_F(SkinPanelTest, DefaultBordersByStyle) {
  TspSkinPanel* p = NewPanel();
  Show();
  EXPECT_EQ(p->Width(), 150);
  const struct {
    TspSkinBorderStyle style;
    TColor topLeft, bottomRight;
    TRect client;
  } cases[] = {
      {TspSkinBorderStyle::bvFrame, clBtnShadow, clBtnShadow, {1, 1, 149, 119}},
      {TspSkinBorderStyle::bvRaised, clBtnHighlight, clBtnShadow, {1, 1, 149, 119}},
      {TspSkinBorderStyle::bvLowered, clBtnShadow, clBtnHighlight, {1, 1, 149, 119}},
      {TspSkinBorderStyle::bvNone, clBtnFace, clBtnFace, {0, 0, 150, 120}},
  };
  for (const auto& c : cases) {
    p->SetBorderStyle(c.style);
    Idle();
    EXPECT_EQ(Pixel(p, 0, 0), ColorToRGB(c.topLeft)) << int(c.style);
    EXPECT_EQ(Pixel(p, 149, 119), ColorToRGB(c.bottomRight)) << int(c.style);
    EXPECT_EQ(Pixel(p, 75, 60), ColorToRGB(clBtnFace)) << int(c.style);
    TRect r = p->ClientRect();
    p->AdjustClientRect(r);
    EXPECT_EQ(r, c.client) << int(c.style);
  }
}

TEST_F(SkinPanelTest, CaptionClicksRollUpAndCheck) {
  TspSkinPanel* p = NewPanel();
  p->SetCaption("Options 选项");
  p->SetCaptionMode(true);
  p->SetRollUpMode(true);
  p->SetCheckedMode(true);
  auto* inside = new TButton(form);
  inside->SetParent(p);
  inside->SetBounds(10, 40, 75, 25);
  auto* hidden = new TButton(form);
  hidden->SetParent(p);
  hidden->SetBounds(10, 70, 75, 25);
  hidden->SetVisible(false);
  p->OnChecked = [&](TObject*) { log.push_back(p->Checked() ? "checked" : "unchecked"); };
  p->OnChangeRollUpState = [&](TObject*) { log.push_back(p->RollUpState() ? "rolled" : "unrolled"); };
  Show();
  TRect r = p->ClientRect();
  p->AdjustClientRect(r);
  EXPECT_EQ(r.Top, 1 + 22);
  Snapshot(p, "panel_default_caption");
  // A click in the caption bar: checks (enabling the children) and rolls up.
  Press(p, 60, 10);
  Release(p, 60, 10);
  EXPECT_EQ(Take(), (Log{"checked", "rolled"}));
  EXPECT_EQ(p->Height(), 23);
  EXPECT_EQ(p->RealHeight(), 120);
  EXPECT_FALSE(inside->Visible());
  EXPECT_TRUE(inside->Enabled());
  Snapshot(p, "panel_default_rolled_checked");
  // Again: unchecked (children disabled) and rolled down; a child hidden
  // before the roll stays hidden.
  Press(p, 60, 10);
  Release(p, 60, 10);
  EXPECT_EQ(Take(), (Log{"unchecked", "unrolled"}));
  EXPECT_EQ(p->Height(), 120);
  EXPECT_EQ(p->RealHeight(), -1);
  EXPECT_TRUE(inside->Visible());
  EXPECT_FALSE(hidden->Visible());
  EXPECT_FALSE(inside->Enabled());
  // Below the caption nothing toggles.
  Press(p, 60, 60);
  Release(p, 60, 60);
  EXPECT_TRUE(Take().empty());
  p->OnChecked = nullptr;
  p->OnChangeRollUpState = nullptr;
}

// A roll sets the height itself: an auto-sized panel keeps the height the
// roll gives and the one it puts back, even when its children changed
// while rolled; afterwards AutoSize follows them again.
TEST_F(SkinPanelTest, AutoSizeWaitsWhileThePanelRolls) {
  TspSkinPanel* p = NewPanel(10, 10, 150, 120);
  p->SetCaptionMode(true);
  p->SetRollUpMode(true);
  auto* child = new TButton(form);
  child->SetParent(p);
  child->SetBounds(10, 40, 75, 25);
  p->SetAutoSize(true);
  Show();
  const int fitted = p->Height();
  ASSERT_LT(fitted, 120);
  p->SetRollUpState(true);
  EXPECT_EQ(p->Height(), 23);
  child->SetBounds(10, 40, 75, 90);
  p->SetRollUpState(false);
  EXPECT_EQ(p->Height(), fitted);
  EXPECT_TRUE(child->Visible());
  child->SetHeight(100);
  EXPECT_EQ(p->Height(), fitted + (140 - 65));
}

TEST_F(SkinPanelTest, ItsWindowClassAsksForNoWholeRedraws) {
  TspSkinPanel* p = NewPanel();
  Show();
  EXPECT_EQ(GetClassLongPtr(p->Handle(), GCL_STYLE) & LONG_PTR(CS_HREDRAW | CS_VREDRAW), 0);
  // The framework's default, for comparison.
  auto* plain = new TspSkinControl(form);
  plain->SetParent(form);
  Show();
  EXPECT_EQ(GetClassLongPtr(plain->Handle(), GCL_STYLE) & LONG_PTR(CS_HREDRAW | CS_VREDRAW),
            LONG_PTR(CS_HREDRAW | CS_VREDRAW));
}

TEST_F(SkinPanelTest, RollUpStateWithoutRollUpModeKeepsTheGivenConstraints) {
  TspSkinPanel* p = NewPanel();
  p->Constraints()->SetMinHeight(40);
  p->Constraints()->SetMaxWidth(300);
  p->SetRollUpState(true);
  EXPECT_FALSE(p->RollUpState());
  EXPECT_EQ(p->Constraints()->MinHeight(), 40);
  EXPECT_EQ(p->Constraints()->MaxWidth(), 300);
  // A real roll lifts them and puts them back once the mode is off.
  p->SetCaptionMode(true);
  p->SetRollUpMode(true);
  p->SetRollUpState(true);
  EXPECT_EQ(p->Constraints()->MinHeight(), 0);
  EXPECT_EQ(p->Height(), 23);
  p->SetRollUpMode(false);
  p->SetRollUpState(false);
  EXPECT_EQ(p->Constraints()->MinHeight(), 40);
  EXPECT_EQ(p->Constraints()->MaxWidth(), 300);
}

TEST_F(SkinPanelTest, TransparentPanelPassesBackgroundChangesOn) {
  LoadWizardSkin();
  form->SetColor(0x00C0E0F0);
  TspSkinPanel* p = NewPanel();
  p->SetSkinData(skin);
  auto* probe = new TBackgroundProbe(form);
  probe->SetParent(p);
  probe->SetBounds(130, 100, 8, 8);
  Show();
  const int before = probe->Count;
  SendMessage(p->Handle(), WM_SPBACKGROUNDCHANGED, 0, 0);
  EXPECT_EQ(probe->Count, before);  // an opaque panel keeps it
  p->SetTransparentMode(true);
  EXPECT_EQ(probe->Count, before + 1);
  SendMessage(p->Handle(), WM_SPBACKGROUNDCHANGED, 0, 0);
  EXPECT_EQ(probe->Count, before + 2);
  p->SetLeft(20);
  Idle();
  EXPECT_GE(probe->Count, before + 3);
  // The parent shows through, inside a one-pixel outline.
  EXPECT_EQ(Pixel(p, 60, 60), 0x00C0E0F0);
  EXPECT_EQ(Pixel(p, 0, 60), skin->SkinColors.cbtnshadow);
  Snapshot(p, "panel_wizard_transparent");
  // As a group box: a caption on the top line.
  p->SetCaption("分组 Group");
  p->SetCaptionMode(true);
  Idle();
  Snapshot(p, "panel_wizard_groupbox");
  EXPECT_EQ(Pixel(p, 60, 60), 0x00C0E0F0);
}

TEST_F(SkinPanelTest, WizardSkinFramesThePanelByParts) {
  LoadWizardSkin();
  TspSkinPanel* p = NewPanel(10, 10, 200, 100);
  p->SetSkinData(skin);
  Show();
  ASSERT_NE(p->ControlIndex, -1);
  EXPECT_EQ(p->ResizeMode, 1);
  TBitmap* pic = skin->GetActivePicture(7);
  ASSERT_NE(pic, nullptr);
  EXPECT_EQ(Pixel(p, 0, 0), pic->Canvas()->Pixels(0, 0));
  EXPECT_EQ(Pixel(p, 199, 99), pic->Canvas()->Pixels(59, 59));
  EXPECT_EQ(Pixel(p, 100, 50), pic->Canvas()->Pixels(30, 30));
  TRect r = p->ClientRect();
  p->AdjustClientRect(r);
  EXPECT_EQ(r, (TRect{1, 1, 199, 99}));
  Snapshot(p, "panel_wizard");
}

TEST_F(SkinPanelTest, StatusBarGripSizesTheForm) {
  form->SetBorderStyle(bsSizeable);
  auto* bar = new TspSkinStatusBar(form);
  bar->SetParent(form);
  bar->SetSizeGrip(true);
  bar->SetCaption("就绪 Ready");
  Show();
  EXPECT_EQ(bar->Height(), 21);
  EXPECT_EQ(bar->Top() + bar->Height(), form->ClientHeight());
  EXPECT_EQ(bar->Width(), form->ClientWidth());
  const int w = bar->Width(), h = bar->Height();
  EXPECT_EQ(bar->GetGripRect(), (TRect{w - 21 + 2, 0, w, h - 2}));
  auto hit = [&](int x, int y) {
    const TPoint p = bar->ClientToScreen(TPoint{x, y});
    return SendMessage(bar->Handle(), WM_NCHITTEST, 0, MAKELPARAM(p.X, p.Y));
  };
  EXPECT_EQ(hit(w - 3, h - 5), HTBOTTOMRIGHT);
  EXPECT_EQ(hit(w - 30, 5), HTCLIENT);
  // The grooves in the corner.
  EXPECT_GT(Count(bar, bar->GetGripRect(), clBtnShadow), 5);
  EXPECT_GT(Count(bar, bar->GetGripRect(), clBtnHighlight), 5);
  Snapshot(bar, "statusbar_default");

  const TRect before = form->BoundsRect();
  const TPoint grip = bar->ClientToScreen(TPoint{w - 4, h - 5});
  s.display.MouseMove(grip.X, grip.Y);
  s.display.MouseDown(grip.X, grip.Y);
  s.display.MouseMove(grip.X + 30, grip.Y + 20);
  s.display.MouseUp(grip.X + 30, grip.Y + 20);
  Idle();
  EXPECT_EQ(form->BoundsRect(), Bounds(before.Left, before.Top, before.Width() + 30, before.Height() + 20));
  EXPECT_EQ(bar->Top() + bar->Height(), form->ClientHeight());

  // Hidden while the form is maximised.
  bar->SetSizeGripShown(false);
  EXPECT_EQ(hit(bar->Width() - 3, h - 5), HTCLIENT);
}

TEST_F(SkinPanelTest, StatusBarFromTheWizardSkinPassesItsSkinToItsChildren) {
  LoadWizardSkin();
  auto* bar = new TspSkinStatusBar(form);
  bar->SetParent(form);
  bar->SetSizeGrip(true);
  bar->SetCaption("就绪");
  auto* child = new TBackgroundProbe(form);
  child->SetParent(bar);
  bar->SetSkinData(skin);
  Show();
  EXPECT_NE(bar->ControlIndex, -1);
  EXPECT_EQ(child->SkinData(), skin);
  TBitmap* pic = skin->GetActivePicture(8);
  ASSERT_NE(pic, nullptr);
  EXPECT_EQ(Pixel(bar, 30, 12), pic->Canvas()->Pixels(30, 12));
  Snapshot(bar, "statusbar_wizard");
}

}  // namespace
