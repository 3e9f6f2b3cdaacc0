#include <gtest/gtest.h>

#include "tests/platform/ui/FormTestFixture.h"
#include "platform/graphics/Colors.h"
#include "platform/ui/forms/HintWindow.h"

namespace {

class HintTest : public FormsTest {
 protected:
  TForm* form = nullptr;
  TCustomControl* a = nullptr;
  TCustomControl* b = nullptr;
  TCustomControl* plain = nullptr;

  void SetUp() override {
    form = NewForm(100, 100, 400, 300);
    a = Child("Save the picture", 10);
    b = Child("Open a picture|Opens a picture from a file", 120);
    plain = Child("", 230);
    plain->SetShowHint(false);
    form->Show();
    app.ProcessMessages();
  }
  TCustomControl* Child(const std::string& hint, int x) {
    auto* c = new TCustomControl(form);
    c->SetParent(form);
    c->SetBounds(x, 10, 100, 40);
    c->Hint = hint;
    c->SetShowHint(true);
    return c;
  }
  // Moves the mouse over a control and lets the application loop see it.
  void MoveTo(TControl* c, int x = 20, int y = 20) {
    TPoint p = c->ClientToScreen(TPoint{x, y});
    s.display.MouseMove(p.X, p.Y);
    app.ProcessMessages();
  }
  bool HintShown() {
    THintWindow* w = app.HintWindow();
    return w && w->IsHintShowing();
  }
  std::string HintText() { return app.HintWindow() ? app.HintWindow()->Caption() : std::string(); }
};

TEST_F(HintTest, AppearsAfterTheHintPauseAndHidesAfterTheHidePause) {
  MoveTo(a);
  s.display.AdvanceTime(499);
  EXPECT_FALSE(HintShown());
  s.display.AdvanceTime(1);
  ASSERT_TRUE(HintShown());
  EXPECT_EQ(HintText(), "Save the picture");
  // Below the cursor, on screen.
  RECT r;
  GetWindowRect(app.HintWindow()->Handle(), &r);
  TPoint cursor = a->ClientToScreen(TPoint{20, 20});
  EXPECT_GT(r.Top, cursor.Y);
  EXPECT_GE(r.Left, cursor.X);
  s.display.AdvanceTime(2499);
  EXPECT_TRUE(HintShown());
  s.display.AdvanceTime(1);
  EXPECT_FALSE(HintShown());
  // Resting on in the same control does not bring it back.
  MoveTo(a, 25, 25);
  s.display.AdvanceTime(3000);
  EXPECT_FALSE(HintShown());
}

TEST_F(HintTest, NextControlShowsItsShortHintAfterTheShortPause) {
  MoveTo(a);
  s.display.AdvanceTime(500);
  ASSERT_TRUE(HintShown());
  MoveTo(b);
  EXPECT_FALSE(HintShown());
  s.display.AdvanceTime(49);
  EXPECT_FALSE(HintShown());
  s.display.AdvanceTime(1);
  ASSERT_TRUE(HintShown());
  EXPECT_EQ(HintText(), "Open a picture");
}

TEST_F(HintTest, ControlWithoutShowHintCancelsAndALaterHintWaitsTheFullPause) {
  MoveTo(a);
  s.display.AdvanceTime(500);
  ASSERT_TRUE(HintShown());
  MoveTo(plain);
  EXPECT_FALSE(HintShown());
  s.display.AdvanceTime(1000);
  EXPECT_FALSE(HintShown());
  MoveTo(b);
  s.display.AdvanceTime(50);
  EXPECT_FALSE(HintShown());
  s.display.AdvanceTime(450);
  EXPECT_TRUE(HintShown());
}

TEST_F(HintTest, KeyPressCancelsTheHint) {
  MoveTo(a);
  s.display.AdvanceTime(500);
  ASSERT_TRUE(HintShown());
  s.display.KeyPress('A');
  app.ProcessMessages();
  EXPECT_FALSE(HintShown());
}

TEST_F(HintTest, OnShowHintMayChangeTheTextOrRefuse) {
  std::vector<TControl*> asked;
  app.OnShowHint = [&](std::string& text, bool& canShow, THintInfo& info) {
    asked.push_back(info.HintControl);
    EXPECT_EQ(info.HideTimeout, 2500);
    if (info.HintControl == a) text = "Changed";
    if (info.HintControl == b) canShow = false;
  };
  MoveTo(a);
  s.display.AdvanceTime(500);
  ASSERT_TRUE(HintShown());
  EXPECT_EQ(HintText(), "Changed");
  MoveTo(b);
  s.display.AdvanceTime(500);
  EXPECT_FALSE(HintShown());
  EXPECT_EQ(asked, (std::vector<TControl*>{a, b}));
}

TEST_F(HintTest, ShowHintOffStopsHints) {
  app.SetShowHint(false);
  MoveTo(a);
  s.display.AdvanceTime(1000);
  EXPECT_FALSE(HintShown());
  app.SetShowHint(true);
  MoveTo(a, 30, 30);
  s.display.AdvanceTime(500);
  EXPECT_TRUE(HintShown());
}

TEST_F(HintTest, DrawnInTheInfoColours) {
  MoveTo(a);
  s.display.AdvanceTime(500);
  ASSERT_TRUE(HintShown());
  s.display.RunUntilIdle();
  HWND h = app.HintWindow()->Handle();
  RECT r;
  GetWindowRect(h, &r);
  COLORREF back = COLORREF(ColorToRGB(clInfoBk));
  // The background fills the far corner area; the text is in the info text colour.
  EXPECT_EQ(s.display.PixelAt(h, r.Width() - 3, r.Height() - 3), back);
  bool textSeen = false;
  for (int y = 0; y < r.Height() && !textSeen; ++y)
    for (int x = 0; x < r.Width() && !textSeen; ++x)
      textSeen = s.display.PixelAt(h, x, y) == COLORREF(ColorToRGB(clInfoText));
  EXPECT_TRUE(textSeen);
  EXPECT_FALSE(app.HintWindow()->HandleAllocated() && GetActiveWindow() == h);
}

TEST_F(HintTest, ControlFreedWhileItsHintIsPending) {
  MoveTo(a);
  delete a;
  a = nullptr;
  s.display.AdvanceTime(1000);
  EXPECT_FALSE(HintShown());
  EXPECT_EQ(app.HintControl(), nullptr);
}

}  // namespace
