// The button edit and the up-down from a small fixture skin whose state
// cells are solid colours, so a pixel names the cell a state was drawn from.
#include <gtest/gtest.h>

#include "skin/controls/SkinBoxCtrls_Spin.h"
#include "tests/skin/controls/SkinEditTestSupport.h"

using namespace skinctl;

namespace {

std::string BoxIni() {
  return "[VERSION]\nskinversion=1\n[PICTURES]\nactivepicturescount=1\n0=states.bmp\n"
         "[FORMINFO]\nborderwidth=1\n[SKINOBJECTS]\ncount=0\n"
         "[SKINCONTROLS]\ncount=3\n0=buttonedit:edit\n1=hupdown:updown\n2=resizebutton:button\n"
         "[buttonedit]\npictureindex=0\nskinrect=0,0,40,20\nlefttoppoint=4,4\nrighttoppoint=26,4\n"
         "clientrect=3,3,25,17\nbuttonrect=28,2,38,18\nactivebuttonrect=28,22,38,38\ndownbuttonrect=28,42,38,58\n"
         "fontname=Arial\nfontheight=12\nfontcolor=$00FFFFFF\nactivefontcolor=$0000FFFF\ndisabledfontcolor=$00808080\n"
         "[hupdown]\npictureindex=0\nskinrect=0,0,40,20\nupbuttonrect=20,2,38,18\ndownbuttonrect=2,2,20,18\n"
         "activeupbuttonrect=20,22,38,38\ndownupbuttonrect=20,42,38,58\n"
         "activedownbuttonrect=2,22,20,38\ndowndownbuttonrect=2,42,20,58\n"
         "[resizebutton]\npictureindex=0\nskinrect=0,0,40,20\nactiveskinrect=0,20,40,40\ndownskinrect=0,40,40,60\n"
         "lefttoppoint=4,4\nrighttoppoint=36,4\nleftbottompoint=4,16\nrightbottompoint=36,16\nclientrect=2,2,38,18\n"
         "fontcolor=$00FFFFFF\nactivefontcolor=$00FFFFFF\ndownfontcolor=$00FFFFFF\n"
         "[SKINCOLORS]\ncbtnface=$00F0F0F0\ncbtnhighlight=$00FFFFFF\ncbtnshadow=$00808080\n";
}

class SkinBoxFixtureTest : public SkinBoxTest {
 protected:
  void SetUp() override {
    SkinBoxTest::SetUp();
    folder_.WriteBytes("states.bmp", WriteBmp(FixturePicture()));
    folder_.WriteText("Skin.ini", BoxIni());
    skin = new TspSkinData(form);
    ASSERT_TRUE(skin->LoadFromFile(folder_.Path("Skin.ini"))) << skin->LastLoadError;
  }
};

TEST_F(SkinBoxFixtureTest, ButtonEditTakesItsButtonStatesFromTheSkin) {
  auto* e = new TspSkinCustomEdit(form);
  e->SetParent(form);
  e->SetSkinDataName("buttonedit");
  e->SetButtonMode(true);
  e->SetBounds(20, 20, 80, 30);
  e->SetSkinData(skin);
  int clicks = 0;
  e->OnButtonClick = [&](TObject*) { ++clicks; };
  Show();
  ASSERT_NE(e->ControlIndex(), -1);
  EXPECT_EQ(e->Height(), 20);
  // The button keeps its distance from the right edge of the wider edit.
  EXPECT_EQ(e->ButtonRect(), (TRect{68, 2, 78, 18}));
  EXPECT_EQ(WinPixel(e, 1, 1), kBorder);
  EXPECT_EQ(WinPixel(e, 72, 9), kNormal);
  WinSnapshot(e, "buttonedit_fixture_normal");
  const TPoint p = WinAt(e, 72, 9);
  s.display.MouseMove(p.X, p.Y);
  Idle();
  EXPECT_TRUE(e->ButtonHot());
  EXPECT_EQ(WinPixel(e, 72, 9), kActive);
  s.display.MouseDown(p.X, p.Y);
  Idle();
  EXPECT_EQ(WinPixel(e, 72, 9), kDown);
  WinSnapshot(e, "buttonedit_fixture_down");
  s.display.MouseUp(p.X, p.Y);
  Idle();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(WinPixel(e, 72, 9), kActive);
  // The text follows the skin's colours: active under the pointer.
  EXPECT_EQ(e->Font()->Color(), TColor(0x0000FFFF));
}

TEST_F(SkinBoxFixtureTest, UpDownFromItsDescriptionAndFromTheResizeButton) {
  auto* ud = new TspSkinUpDown(form);
  ud->SetParent(form);
  ud->SetBounds(20, 20, 60, 40);
  ud->SetSkinData(skin);
  Show();
  ASSERT_NE(ud->ControlIndex, -1);
  // The description fixes the size and the buttons.
  EXPECT_EQ(ud->Width(), 40);
  EXPECT_EQ(ud->Height(), 20);
  EXPECT_EQ(ud->Buttons().B[0].R, (TRect{20, 2, 38, 18}));
  EXPECT_EQ(Pixel(ud, 28, 9), kNormal);
  MoveTo(ud, 28, 9);
  EXPECT_EQ(Pixel(ud, 28, 9), kActive);
  EXPECT_EQ(Pixel(ud, 10, 9), kNormal);
  const TPoint p = At(ud, 28, 9);
  s.display.MouseDown(p.X, p.Y);
  Idle();
  EXPECT_EQ(Pixel(ud, 28, 9), kDown);
  Snapshot(ud, "updown_fixture_down");
  s.display.MouseUp(p.X, p.Y);
  Idle();
  EXPECT_EQ(ud->Position(), 1);
  // Without the skin's size only the two buttons show, each a resize button.
  ud->UseSkinSize = false;
  ud->SetBounds(20, 20, 60, 30);
  MoveTo(ud, 200, 150);
  EXPECT_EQ(ud->Width(), 60);
  EXPECT_EQ(ud->Buttons().B[1].R, (TRect{0, 0, 30, 30}));
  EXPECT_EQ(Pixel(ud, 15, 25), kNormal);
  EXPECT_EQ(Pixel(ud, 0, 0), kBorder);
  MoveTo(ud, 45, 25);
  EXPECT_EQ(Pixel(ud, 45, 25), kActive);
  EXPECT_EQ(Pixel(ud, 15, 25), kNormal);
  Snapshot(ud, "updown_fixture_resizebuttons");
}

}  // namespace
