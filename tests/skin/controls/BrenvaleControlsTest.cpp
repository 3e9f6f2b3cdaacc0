// The skinned-form controller and the skinned controls of its form: the
// walks around a skin load, controls placed on skin areas, and the status
// bar's size grip while maximized.
#include "skin/windows/Brenvale.h"
#include "skin/controls/SkinBoxCtrls.h"
#include "skin/controls/SkinCtrls_Panel.h"
#include "tests/skin/controls/SkinControlsTestSupport.h"
#include "tests/skin/windows/BrenvaleTestSupport.h"

using namespace skinctl;

namespace {

class SkinControllerWalkTest : public SkinControlsTest {
 protected:
  void SetUp() override {
    SkinControlsTest::SetUp();
    // The skin's messages reach the test's form.
    SkinBroadcast().Send = [](TComponent* f, unsigned msg, WPARAM wp, LPARAM lp) {
      static_cast<TControl*>(f)->Perform(msg, wp, lp);
    };
    SkinBroadcast().Forms = [this] { return std::vector<TComponent*>{form}; };
    SkinBroadcast().IsForm = [](const TComponent* c) { return dynamic_cast<const TForm*>(c) != nullptr; };
  }
  // The form's controller, on the fixture skin.
  TspBrenvale* SkinnedController() {
    auto* ctl = new TspBrenvale(form);
    LoadFixtureSkin();
    ctl->SetSkinData(skin);
    return ctl;
  }
  // A second skin data loaded from the fixture skin's file.
  TspSkinData* OtherSkinData() {
    auto* other = new TspSkinData(form);
    EXPECT_TRUE(other->LoadFromFile(folder_.Path("Skin.ini"))) << other->LastLoadError;
    return other;
  }
  // A skinned button on the form, bound to `data`.
  TspSkinButton* ButtonOn(TspSkinData* data) {
    auto* b = new TspSkinButton(form);
    b->SetParent(form);
    b->SetSkinData(data);
    return b;
  }
};

TEST_F(SkinControllerWalkTest, ALoadMakesBoundControlsLookTheirDescriptionUpAgain) {
  SkinnedController();
  auto* b = ButtonOn(skin);
  b->SetBounds(10, 10, 40, 20);
  b->GetSkinData();
  ASSERT_EQ(b->ControlIndex, 0);
  // The same skin with one more control before the button's.
  std::string ini = FixtureIni(false);
  const std::string from = "count=3\n0=button:button\n1=slider:slider\n2=stdlabel:stdlabel\n";
  ini.replace(ini.find(from), from.size(),
              "count=4\n0=stdlabel2:stdlabel\n1=button:button\n2=slider:slider\n3=stdlabel:stdlabel\n");
  ini += "[stdlabel2]\nfontname=Arial\n";
  folder_.WriteText("Skin.ini", ini);
  ASSERT_TRUE(skin->LoadFromFile(folder_.Path("Skin.ini")));
  // No paint has run: the walk did it.
  EXPECT_EQ(b->ControlIndex, 1);
}

TEST_F(SkinControllerWalkTest, ControlsOfAnotherSkinDataAreLeftAlone) {
  auto* ctl = SkinnedController();
  auto* other = OtherSkinData();
  auto* b = ButtonOn(other);
  b->GetSkinData();
  b->ControlIndex = 7;  // a stale index the walk would replace
  ctl->ApplySkin();
  SendMessage(form->Handle(), SKINMSG_BEFORELOAD, WPARAM(skin), kSkinMessageLParam);
  EXPECT_EQ(b->ControlIndex, 7);
  SendMessage(form->Handle(), SKINMSG_LOADED, WPARAM(skin), kSkinMessageLParam);
  EXPECT_EQ(b->ControlIndex, 7);
}

// A load repaints the skinned controls of a skinned form in the new skin:
// nothing but the skin's messages asks them to.
TEST_F(SkinControllerWalkTest, ALoadRepaintsBoundControlsFromTheNewSkin) {
  SkinnedController();
  auto* b = ButtonOn(skin);
  b->SetBounds(10, 10, 60, 24);
  b->SetTabStop(false);  // a shown form focuses its first tab stop; this checks the unfocused look
  auto* l = new TspSkinStdLabel(form);
  l->SetParent(form);
  l->SetSkinData(skin);
  l->UseSkinFont() = true;
  l->SetBounds(10, 50, 120, 30);
  l->SetCaption("Hello");
  Show();
  auto inkOf = [&](TColor c) {
    int n = 0;
    for (int y = 0; y < l->Height(); ++y)
      for (int x = 0; x < l->Width(); ++x)
        if (Pixel(l, x, y) == c) ++n;
    return n;
  };
  const TColor oldInk = 0x000000FF, newInk = 0x0000A000, newFill = 0x00205080;
  ASSERT_EQ(Pixel(b, 30, 12), kNormal);
  ASSERT_GT(inkOf(oldInk), 10);
  ASSERT_EQ(inkOf(newInk), 0);
  // The same skin with the button's normal fill and the label's colour changed.
  TDibImage pic = FixturePicture();
  for (int y = 0; y < pic.Height; ++y)
    for (int x = 0; x < pic.Width; ++x) {
      Byte* p = pic.Row(y) + x * 3;
      if (TColor(p[2] | p[1] << 8 | p[0] << 16) != kNormal) continue;
      p[0] = Byte(newFill >> 16);
      p[1] = Byte(newFill >> 8);
      p[2] = Byte(newFill);
    }
  folder_.WriteBytes("states.bmp", WriteBmp(pic));
  std::string ini = FixtureIni(false);
  const std::string from = "fontheight=20\nfontcolor=$000000FF\n";
  ASSERT_NE(ini.find(from), std::string::npos);
  ini.replace(ini.find(from), from.size(), "fontheight=20\nfontcolor=$0000A000\n");
  folder_.WriteText("Skin.ini", ini);
  ASSERT_TRUE(skin->LoadFromFile(folder_.Path("Skin.ini")));
  Idle();
  EXPECT_EQ(Pixel(b, 30, 12), newFill);
  EXPECT_EQ(inkOf(oldInk), 0);
  EXPECT_GT(inkOf(newInk), 10);
}

// A load into a skin data the form's controller does not use leaves the
// frame as it is, and still refreshes the form's controls bound to it.
TEST_F(SkinControllerWalkTest, ALoadOfAnotherSkinDataRefreshesOnlyItsControls) {
  auto* ctl = SkinnedController();
  auto* other = OtherSkinData();
  auto* mine = ButtonOn(skin);
  auto* theirs = ButtonOn(other);
  Show();
  mine->GetSkinData();
  theirs->GetSkinData();
  // Stale indexes the walk would replace.
  mine->ControlIndex = theirs->ControlIndex = 7;
  int changes = 0;
  ctl->OnChangeSkinData = [&](TObject*) { ++changes; };
  const std::size_t objects = ctl->ObjectList.size();
  ASSERT_TRUE(other->LoadFromFile(folder_.Path("Skin.ini")));
  Idle();
  EXPECT_EQ(theirs->ControlIndex, 0);
  EXPECT_EQ(mine->ControlIndex, 7);
  EXPECT_EQ(changes, 0);
  EXPECT_TRUE(ctl->SkinApplied);
  EXPECT_EQ(ctl->ObjectList.size(), objects);
}

}  // namespace

class BrenvaleControlsTest : public brvtest::BrenvaleTest {};

TEST_F(BrenvaleControlsTest, AControlOnASkinAreaFollowsTheFrame) {
  MakeForm(300, 200);
  ctl->SetSupportNCArea(false);
  brvtest::TFixtureOptions o;
  // In the bottom-right corner area of the 120 x 80 frame.
  o.extraSections = "[SKINAREAS]\ncount=1\n0=corner:104,64,114,74\n";
  LoadFixtureSkin(o);
  auto* b = new TspSkinButton(form);
  b->SetParent(form);
  b->AreaName = "corner";
  b->SetAlign(alClient);
  ctl->SetSkinData(skin);
  Show();
  EXPECT_EQ(b->Align(), alNone);
  const int w = form->ClientWidth(), h = form->ClientHeight();
  EXPECT_EQ(b->BoundsRect(), (TRect{104 + w - 120, 64 + h - 80, 114 + w - 120, 74 + h - 80}));
  form->SetBounds(form->Left(), form->Top(), 400, 260);
  Idle();
  EXPECT_EQ(b->BoundsRect(), (TRect{104 + 280, 64 + 180, 114 + 280, 74 + 180}));
  // A freed control is forgotten.
  delete b;
  form->SetBounds(form->Left(), form->Top(), 420, 270);
  Idle();
  EXPECT_EQ(form->Width(), 420);
}

TEST_F(BrenvaleControlsTest, StatusBarGripHidesWhileMaximized) {
  NewForm(0, 0, 50, 50);  // the main form
  MakeForm(300, 200);
  LoadFixtureSkin();
  ctl->SetSkinData(skin);
  auto* bar = new TspSkinStatusBar(form);
  bar->SetParent(form);
  ctl->SetStatusBar(bar);
  Show();
  ASSERT_TRUE(bar->SizeGripShown());
  ctl->ChangeWindowState(spwsMaximized);
  EXPECT_FALSE(bar->SizeGripShown());
  ctl->ChangeWindowState(spwsNormal);
  EXPECT_TRUE(bar->SizeGripShown());
  delete bar;
  EXPECT_EQ(ctl->StatusBar(), nullptr);
  ctl->ChangeWindowState(spwsMaximized);
}

namespace {

// A skinned edit that logs the cancel-mode notices it gets.
class TCancelLoggingEdit : public TspSkinCustomEdit {
 public:
  TCancelLoggingEdit(TComponent* owner, std::vector<std::string>* log, std::string name)
      : TspSkinCustomEdit(owner), log_(log), name_(std::move(name)) {}
  void Dispatch(TMessage& m) override {
    if (m.Msg == CM_CANCELMODE) log_->push_back(name_);
    TspSkinCustomEdit::Dispatch(m);
  }

 private:
  std::vector<std::string>* log_;
  std::string name_;
};

}  // namespace

TEST_F(BrenvaleControlsTest, AnMDIFormsMenuClosingMessagesCancelItsVisibleEnabledSkinnedEdits) {
  std::vector<std::string> log;
  form = NewForm(0, 0, 400, 300);
  form->SetFormStyle(fsMDIForm);
  ctl = new TspBrenvale(form);
  auto* shown = new TCancelLoggingEdit(form, &log, "shown");
  auto* hidden = new TCancelLoggingEdit(form, &log, "hidden");
  auto* disabled = new TCancelLoggingEdit(form, &log, "disabled");
  for (auto* e : {shown, hidden, disabled}) e->SetParent(form);
  hidden->SetVisible(false);
  disabled->SetEnabled(false);
  Show();
  log.clear();
  for (UINT msg : {UINT(WM_CANCELMODE), UINT(WM_KILLFOCUS)}) {
    SendMessage(form->Handle(), msg, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"shown"})) << msg;
    log.clear();
  }
  // Not a closing message: nothing.
  SendMessage(form->Handle(), WM_NULL, 0, 0);
  EXPECT_TRUE(log.empty());
}

TEST_F(BrenvaleControlsTest, APlainFormsSkinnedEditsAreNotCancelled) {
  std::vector<std::string> log;
  MakeForm();
  auto* e = new TCancelLoggingEdit(form, &log, "edit");
  e->SetParent(form);
  Show();
  log.clear();
  SendMessage(form->Handle(), WM_CANCELMODE, 0, 0);
  EXPECT_TRUE(log.empty());
}
