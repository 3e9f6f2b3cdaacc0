#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/platform/ui/FormTestFixture.h"
#include "platform/ui/lists/ListBox.h"

namespace {

class CheckListBoxTest : public FormsTest {
 protected:
  TForm* form = nullptr;
  TCheckListBox* box = nullptr;
  int checks = 0;

  void SetUp() override {
    form = NewForm(100, 100, 300, 200);
    form->Show();
    box = new TCheckListBox(form);
    box->SetParent(form);
    box->SetBounds(10, 10, 150, 120);
    for (const char* s : {"one", "two", "three"}) box->Items()->Add(s);
    box->OnClickCheck = [this](TObject*) { ++checks; };
    s.display.RunUntilIdle();
  }
  void ClickAt(int x, int y) {
    TPoint p = box->ClientToScreen(TPoint{x, y});
    s.display.Click(p.X, p.Y);
    s.display.RunUntilIdle();
    s.clock.Advance(1000);  // no double clicks between presses
  }
  int RowY(int i) { return box->ItemRect(i).Top + box->ItemHeight() / 2; }
};

TEST_F(CheckListBoxTest, PressOnTheBoxTogglesAndPressOnTheTextOnlySelects) {
  ClickAt(5, RowY(1));
  EXPECT_TRUE(box->Checked(1));
  EXPECT_EQ(box->ItemIndex(), 1);
  EXPECT_EQ(checks, 1);
  ClickAt(box->CheckWidth() + 20, RowY(2));
  EXPECT_FALSE(box->Checked(2));
  EXPECT_EQ(box->ItemIndex(), 2);
  EXPECT_EQ(checks, 1);
  ClickAt(5, RowY(1));
  EXPECT_FALSE(box->Checked(1));
  EXPECT_EQ(checks, 2);
}

TEST_F(CheckListBoxTest, SpaceCyclesThroughGrayedWhenAllowed) {
  box->SetAllowGrayed(true);
  box->SetFocus();
  box->SetItemIndex(0);
  std::vector<TCheckBoxState> states;
  for (int i = 0; i < 3; ++i) {
    s.display.KeyPress(VK_SPACE);
    s.display.RunUntilIdle();
    states.push_back(box->State(0));
  }
  EXPECT_EQ(states, (std::vector<TCheckBoxState>{cbGrayed, cbChecked, cbUnchecked}));
  EXPECT_EQ(checks, 3);
}

TEST_F(CheckListBoxTest, DisabledItemKeepsItsState) {
  box->SetItemEnabled(0, false);
  box->SetChecked(0, true);
  ClickAt(5, RowY(0));
  EXPECT_TRUE(box->Checked(0));
  EXPECT_EQ(checks, 0);
  EXPECT_THROW(box->State(7), EListError);
}

TEST_F(CheckListBoxTest, StatesMoveWithTheirItemsAndBoxesAreDrawn) {
  box->SetChecked(2, true);
  box->Items()->Insert(0, "zero");
  EXPECT_TRUE(box->Checked(3));
  EXPECT_FALSE(box->Checked(0));
  box->Items()->Delete(1);
  EXPECT_TRUE(box->Checked(2));
  s.display.RunUntilIdle();
  // The checked box shows its mark (window-text pixels) in the box column.
  TPoint origin = box->ClientToScreen(TPoint{0, 0});
  RECT wr{};
  GetWindowRect(form->Handle(), &wr);
  const TRect r = box->ItemRect(2);
  int dark = 0;
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = 0; x < box->CheckWidth(); ++x)
      if (s.display.PixelAt(form->Handle(), origin.X - wr.Left + x, origin.Y - wr.Top + y) == 0) ++dark;
  int darkUnchecked = 0;
  const TRect r0 = box->ItemRect(0);
  for (int y = r0.Top; y < r0.Bottom; ++y)
    for (int x = 0; x < box->CheckWidth(); ++x)
      if (s.display.PixelAt(form->Handle(), origin.X - wr.Left + x, origin.Y - wr.Top + y) == 0) ++darkUnchecked;
  EXPECT_GT(dark, darkUnchecked + 5);
}

}  // namespace
