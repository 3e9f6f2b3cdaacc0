#include "skin/windows/Brenvale.h"

#include "platform/rtl/Exceptions.h"
#include "tests/skin/windows/BrenvaleTestSupport.h"

using namespace brvtest;

TEST_F(BrenvaleTest, RefusesAnOwnerThatIsNotAForm) {
  TComponent owner(nullptr);
  EXPECT_THROW(TspBrenvale c(&owner), EInvalidCast);
}

TEST_F(BrenvaleTest, TakesTheWindowProcedureOverAndGivesItBack) {
  form = NewForm();
  const TWndMethod before = form->WindowProc;
  auto* c = new TspBrenvale(form);
  EXPECT_FALSE(form->WindowProc == before);
  EXPECT_EQ(form->BorderIcons(), 0u);
  delete c;
  EXPECT_TRUE(form->WindowProc == before);
}

TEST_F(BrenvaleTest, DefaultLookLeavesThreePixelBordersAndTheCaption) {
  MakeForm(300, 200);
  Show();
  RECT wr{}, cr{};
  GetWindowRect(form->Handle(), &wr);
  GetClientRect(form->Handle(), &cr);
  EXPECT_EQ(cr.Width(), 300 - 6);
  EXPECT_EQ(cr.Height(), 200 - 6 - kDefCaptionHeight);
  const TPoint origin = form->ClientToScreen(TPoint{0, 0});
  EXPECT_EQ(origin.X - wr.Left, 3);
  EXPECT_EQ(origin.Y - wr.Top, 3 + kDefCaptionHeight);
  // The display is told the program paints the frame.
  ASSERT_NE(s.display.Native(form->Handle()), nullptr);
  EXPECT_TRUE(s.display.Native(form->Handle())->customFrame);
}

TEST_F(BrenvaleTest, ToolWindowsHaveTheLowerCaption) {
  form = NewForm(100, 100, 200, 120);
  form->SetBorderStyle(bsToolWindow);
  ctl = new TspBrenvale(form);
  Show();
  EXPECT_EQ(form->ClientHeight(), 120 - 6 - kDefToolCaptionHeight);
}

TEST_F(BrenvaleTest, SkinnedClientAreaComesFromTheSkin) {
  MakeForm(300, 200);
  LoadFixtureSkin();
  ctl->SetSkinData(skin);
  Show();
  // clientrect (4, 24, 116, 76) of a 120 x 80 frame.
  EXPECT_EQ(form->ClientWidth(), 300 - 4 - 4);
  EXPECT_EQ(form->ClientHeight(), 200 - 24 - 4);
  EXPECT_EQ(ctl->FittedClientRect, (TRect{4, 24, 296, 196}));
}

TEST_F(BrenvaleTest, ObjectsComeFromTheFactoryInSkinOrder) {
  MakeForm(300, 200);
  LoadFixtureSkin();
  ctl->SetSkinData(skin);
  ASSERT_EQ(ctl->ObjectList.size(), 4u);
  EXPECT_EQ(ctl->ObjectList[0]->IDName, "caption");
  EXPECT_EQ(ctl->ObjectList[1]->IDName, "closebutton");
  EXPECT_EQ(ctl->ObjectList[3]->IDName, "minbutton");
  // The default caption takes the form's caption.
  form->SetCaption("Hello");
  ctl->UpdateBorderIcons();
  EXPECT_EQ(Obj("caption")->Text, "Hello");
}
