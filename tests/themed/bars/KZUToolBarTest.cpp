// The themed tool bar: colours by look, hot, pressed and checked buttons
// in those colours, and buttons of a wrapped row drawn in their own row.
#include <gtest/gtest.h>

#include "tests/themed/support/ThemedTestFixture.h"
#include "themed/bars/KZUToolBar.h"

namespace {

using S = TkzuUIStyle;

class KZUToolBarTest : public ThemedTest {
 protected:
  TkzuToolBar* NewBar(S look, int width = 200) {
    auto* b = new TkzuToolBar(form);
    b->SetParent(form);
    b->SetAlign(alNone);
    b->SetBounds(10, 10, width, 60);
    b->SetUIStyle(look);
    return b;
  }
  TToolButton* AddButton(TkzuToolBar* bar, const std::string& caption) {
    auto* t = new TToolButton(form);
    t->SetCaption(caption);
    t->SetParent(bar);
    s.display.RunUntilIdle();
    return t;
  }
};

TEST_F(KZUToolBarTest, LooksSetTheThemeColours) {
  const S looks[] = {S::MacOS, S::WinXP, S::DeepBlue, S::Protein, S::BlueGlass};
  for (S look : looks) {
    auto* b = NewBar(look);
    EXPECT_EQ(b->ButtonBorderColor(), GetThemeColor(look, 80));
    EXPECT_EQ(b->ButtonColor(), GetThemeColor(look, 81));
    EXPECT_EQ(b->ButtonDownColor(), GetThemeColor(look, 82));
    EXPECT_EQ(b->Color(), GetThemeColor(look, 83));
    EXPECT_EQ(b->Transparent(), look == S::MacOS);
    delete b;
  }
  auto* custom = NewBar(S::WinXP);
  custom->SetButtonColor(0x123456);
  custom->SetUIStyle(S::Custom);
  EXPECT_EQ(custom->ButtonColor(), TColor(0x123456));
}

TEST_F(KZUToolBarTest, HotPressedAndCheckedButtonsTakeTheirColours) {
  auto* bar = NewBar(S::WinXP);
  auto* a = AddButton(bar, "A");
  auto* b = AddButton(bar, "B");
  b->SetStyle(tbsCheck);
  b->SetDown(true);
  s.display.RunUntilIdle();
  // Plain button: the bar's colour; checked: ButtonColor inside a frame.
  EXPECT_EQ(At(a, 5, 5), COLORREF(bar->Color()));
  EXPECT_EQ(At(b, 5, 5), COLORREF(bar->ButtonColor()));
  EXPECT_EQ(At(b, 0, 5), COLORREF(bar->ButtonBorderColor()));
  MoveOver(a, 5, 5);
  EXPECT_EQ(At(a, 5, 5), COLORREF(bar->ButtonColor()));
  Press(a, 5, 5);
  EXPECT_EQ(At(a, 5, 5), COLORREF(bar->ButtonDownColor()));
  Release(a, 5, 5);
}

TEST_F(KZUToolBarTest, ASecondRowButtonDrawsInItsOwnRow) {
  auto* bar = NewBar(S::WinXP, 60);
  bar->SetWrapable(true);
  TToolButton* last = nullptr;
  for (int i = 0; i < 4; ++i) {
    last = AddButton(bar, "");
    last->SetStyle(tbsCheck);
    last->SetDown(true);
  }
  s.display.RunUntilIdle();
  ASSERT_GT(last->Top(), 0);
  // Its frame's top line sits at its own top, in the second row.
  EXPECT_EQ(At(last, 5, 0), COLORREF(bar->ButtonBorderColor()));
  EXPECT_EQ(At(last, 5, 3), COLORREF(bar->ButtonColor()));
}

TEST_F(KZUToolBarTest, SnapshotsInEveryLook) {
  const S looks[] = {S::MacOS, S::WinXP, S::DeepBlue, S::Protein, S::BlueGlass};
  const char* const names[] = {"macos", "winxp", "deepblue", "protein", "blueglass"};
  for (int li = 0; li < 5; ++li) {
    form->SetColor(GetThemeColor(looks[li], 9));
    auto* bar = NewBar(looks[li], 380);
    bar->SetShowCaptions(true);
    AddButton(bar, "打开");
    auto* b = AddButton(bar, "Save");
    b->SetStyle(tbsCheck);
    b->SetDown(true);
    auto* h = AddButton(bar, "Hot");
    MoveOver(h, 5, 5);
    EXPECT_EQ(At(h, 5, 5), COLORREF(bar->ButtonColor())) << names[li];
    SaveFormSheet(std::string("themed_toolbar_") + names[li]);
    MoveAway();
    delete bar;
    s.display.RunUntilIdle();
  }
}

}  // namespace
