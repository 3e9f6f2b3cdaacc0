// The skinned-form controller's walks reach the skinned controls of its
// form: before a load they forget their description, after it they look it
// up again, and a control on a skin area takes that area's place.
#include "skin/windows/Brenvale.h"
#include "tests/skin/controls/SkinControlsTestSupport.h"

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
};

TEST_F(SkinControllerWalkTest, ALoadMakesBoundControlsLookTheirDescriptionUpAgain) {
  auto* ctl = new TspBrenvale(form);
  LoadFixtureSkin();
  ctl->SetSkinData(skin);
  auto* b = new TspSkinButton(form);
  b->SetParent(form);
  b->SetSkinData(skin);
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
  auto* ctl = new TspBrenvale(form);
  LoadFixtureSkin();
  ctl->SetSkinData(skin);
  auto* other = new TspSkinData(form);
  ASSERT_TRUE(other->LoadFromFile(folder_.Path("Skin.ini")));
  auto* b = new TspSkinButton(form);
  b->SetParent(form);
  b->SetSkinData(other);
  b->GetSkinData();
  b->ControlIndex = 7;  // a stale index the walk would replace
  ctl->ApplySkin();
  SendMessage(form->Handle(), SKINMSG_BEFORELOAD, WPARAM(skin), kSkinMessageLParam);
  EXPECT_EQ(b->ControlIndex, 7);
  SendMessage(form->Handle(), SKINMSG_LOADED, WPARAM(skin), kSkinMessageLParam);
  EXPECT_EQ(b->ControlIndex, 7);
}
}  // namespace
