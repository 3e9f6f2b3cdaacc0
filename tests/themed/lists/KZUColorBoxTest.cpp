// The colour box: which colours each style lists and in which order, names,
// the custom entry, Selected with and without a window, picking the custom
// entry, and the swatches it draws.
#include <gtest/gtest.h>

#include "platform/ui/dialogs/ColorDialog.h"
#include "platform/ui/forms/Screen.h"
#include "tests/themed/support/ThemedTestFixture.h"
#include "themed/lists/KZUColorBox.h"

namespace {

using S = TkzuUIStyle;

class CountingColorBox : public TkzuColorBox {
 public:
  using TkzuColorBox::TkzuColorBox;
  bool PickCustomColor() override {
    ++picks;
    if (answer) SetSelected(answerColour);
    return answer;
  }
  int picks = 0;
  bool answer = false;
  TColor answerColour = clBlack;
};

class KZUColorBoxTest : public ThemedTest {
 protected:
  template <class B = TkzuColorBox>
  B* NewBox(TColorBoxStyles style) {
    auto* b = Place<B>(10, 10, 180, 24);
    b->SetStyle(style);
    s.display.RunUntilIdle();
    return b;
  }
  int SystemColourCount() {
    int n = 0;
    for (int i = 0; i < ColorNameCount; ++i) n += ColorNames[i].Value < 0;
    return n;
  }
};

TEST(PrettyColorName, DropsClAndSplitsWords) {
  EXPECT_EQ(PrettyColorName("clMoneyGreen"), "Money Green");
  EXPECT_EQ(PrettyColorName("clBtnFace"), "Btn Face");
  EXPECT_EQ(PrettyColorName("clRed"), "Red");
  EXPECT_EQ(PrettyColorName("Odd"), "Odd");
}

TEST_F(KZUColorBoxTest, DefaultStyleListsStandardExtendedAndSystemColours) {
  auto* b = Place<TkzuColorBox>(10, 10, 180, 24);
  ASSERT_EQ(b->ColorCount(), 20 + SystemColourCount());
  EXPECT_EQ(b->ColorNames(0), "clBlack");
  EXPECT_EQ(b->Colors(0), clBlack);
  EXPECT_EQ(b->Colors(16), clMoneyGreen);
  EXPECT_EQ(b->Colors(20), clActiveBorder);  // system colours by name
  EXPECT_EQ(b->Selected(), clBlack);
  EXPECT_EQ(b->ItemIndex(), 0);
}

TEST_F(KZUColorBoxTest, StylesChooseTheListedColours) {
  struct Case {
    TColorBoxStyles style;
    int count;
    TColor first, last;
  };
  const Case cases[] = {
      {cbStandardColors, 16, clBlack, clWhite},
      {cbExtendedColors, 4, clMoneyGreen, clMedGray},
      {cbStandardColors | cbIncludeNone | cbIncludeDefault, 18, clBlack, clDefault},
      // None and default are listed by their own flags, with no system colours.
      {cbIncludeNone, 1, clNone, clNone},
      {cbExtendedColors | cbIncludeDefault, 5, clMoneyGreen, clDefault},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(int(k.style));
    auto* b = NewBox(k.style);
    ASSERT_EQ(b->ColorCount(), k.count);
    EXPECT_EQ(b->Colors(0), k.first);
    EXPECT_EQ(b->Colors(k.count - 1), k.last);
    delete b;
  }
}

TEST_F(KZUColorBoxTest, OnlyTheCustomEntryOrNothing) {
  auto* b = NewBox(cbCustomColor);
  ASSERT_EQ(b->ColorCount(), 1);
  EXPECT_EQ(b->ColorNames(0), "Custom...");
  EXPECT_TRUE(b->Enabled());
  b->SetStyle(0);
  EXPECT_EQ(b->ColorCount(), 0);
  EXPECT_FALSE(b->Enabled());
  EXPECT_EQ(b->Selected(), kzuNoColor);
}

TEST_F(KZUColorBoxTest, PrettyNamesShowTheButtonFaceAsTwoWords) {
  auto* b = NewBox(cbSystemColors | cbPrettyNames);
  int at = -1;
  for (int i = 0; i < b->ColorCount(); ++i)
    if (b->Colors(i) == clBtnFace) at = i;
  ASSERT_GE(at, 0);
  EXPECT_EQ(b->ColorNames(at), "Btn Face");
}

TEST_F(KZUColorBoxTest, AColourNotListedGoesOnTheCustomEntry) {
  auto* b = NewBox(cbStandardColors | cbCustomColor);
  b->SetSelected(0x123456);
  EXPECT_EQ(b->ItemIndex(), 0);
  EXPECT_EQ(b->Colors(0), TColor(0x123456));
  EXPECT_EQ(b->Selected(), TColor(0x123456));
  b->SetSelected(clRed);
  EXPECT_EQ(b->ColorNames(b->ItemIndex()), "clRed");
  // The custom colour survives a refill.
  b->SetStyle(cbStandardColors | cbCustomColor | cbPrettyNames);
  EXPECT_EQ(b->Colors(0), TColor(0x123456));
  EXPECT_EQ(b->ColorNames(b->ItemIndex()), "Red");
  // Without the custom entry an unknown colour selects nothing.
  b->SetStyle(cbStandardColors);
  b->SetSelected(0x123456);
  EXPECT_EQ(b->ItemIndex(), -1);
  EXPECT_EQ(b->Selected(), kzuNoColor);
}

TEST_F(KZUColorBoxTest, TheScrollBarColourIsAColourLikeAnyOther) {
  auto* b = NewBox(cbSystemColors);
  b->SetSelected(clScrollBar);
  ASSERT_GE(b->ItemIndex(), 0);
  EXPECT_EQ(b->Selected(), clScrollBar);
  auto* c = NewBox<TkzuColorBox>(cbStandardColors | cbCustomColor);
  c->SetSelected(clScrollBar);
  EXPECT_EQ(c->ItemIndex(), 0);
  EXPECT_EQ(c->Colors(0), clScrollBar);
}

TEST_F(KZUColorBoxTest, SelectedWithoutAWindowIsKeptUntilThereIsOne) {
  auto* b = new TkzuColorBox(form);
  b->SetSelected(clNavy);
  EXPECT_EQ(b->Selected(), clNavy);
  EXPECT_EQ(b->ColorCount(), 0);  // filled when the window is made
  b->SetParent(form);
  s.display.RunUntilIdle();
  b->HandleNeeded();
  ASSERT_GT(b->ColorCount(), 0);
  EXPECT_EQ(b->ColorNames(b->ItemIndex()), "clNavy");
}

TEST_F(KZUColorBoxTest, EnterOnTheCustomEntryAsksForAColour) {
  auto* b = NewBox<CountingColorBox>(cbStandardColors | cbCustomColor);
  b->SetItemIndex(0);
  b->SetFocus();
  b->answer = true;
  b->answerColour = 0x00A0B0;
  Key(VK_RETURN);
  EXPECT_EQ(b->picks, 1);
  EXPECT_EQ(b->Selected(), TColor(0x00A0B0));
  b->SetItemIndex(3);
  Key(VK_RETURN);
  EXPECT_EQ(b->picks, 1);
}

TEST_F(KZUColorBoxTest, PickingTheCustomEntryFromTheListAsksAndACancelDropsTheSelection) {
  auto* b = NewBox<CountingColorBox>(cbStandardColors | cbCustomColor);
  b->SetSelected(clBlack);  // item 1: the list opens at its top
  int selects = 0;
  b->OnSelect = [&](TObject*) { ++selects; };
  b->SetFocus();
  b->SetDroppedDown(true);
  s.display.RunUntilIdle();
  ASSERT_TRUE(b->DroppedDown());
  b->ListBox()->SetTopIndex(0);
  s.display.RunUntilIdle();
  ClickOn(b->ListBox(), 8, b->ItemHeight() / 2);
  EXPECT_EQ(b->picks, 1);
  EXPECT_EQ(selects, 0);  // the user cancelled
  // A plain colour picked from the list selects as usual.
  b->SetDroppedDown(true);
  b->ListBox()->SetTopIndex(0);
  s.display.RunUntilIdle();
  ClickOn(b->ListBox(), 8, b->ItemHeight() * 2 + b->ItemHeight() / 2);
  EXPECT_EQ(b->picks, 1);
  EXPECT_EQ(selects, 1);
  EXPECT_EQ(b->Selected(), clMaroon);
}

TEST_F(KZUColorBoxTest, TheRealDialogGivesItemZeroItsColour) {
  auto* b = NewBox(cbStandardColors | cbCustomColor);
  b->SetSelected(0x102030);
  After(10, [] {
    TColorDialogDriver d(::Screen->ActiveForm());
    ASSERT_TRUE(d.Valid());
    d.ClickBasic(0);
    d.Ok();
  });
  EXPECT_TRUE(b->PickCustomColor());
  EXPECT_NE(b->Colors(0), TColor(0x102030));
}

TEST_F(KZUColorBoxTest, SwatchFramesFollowBrightness) {
  auto* b = NewBox(cbStandardColors);
  b->SetSelected(clRed);  // red 255 > 192: a black frame
  s.display.RunUntilIdle();
  const TRect f = b->ItemRect();
  EXPECT_EQ(At(b, f.Left + 1, f.Top + f.Height() / 2), COLORREF(clBlack));
  EXPECT_EQ(At(b, f.Left + 4, f.Top + f.Height() / 2), COLORREF(clRed));
  b->SetSelected(clNavy);  // dark: framed in its own colour
  s.display.RunUntilIdle();
  EXPECT_EQ(At(b, f.Left + 1, f.Top + f.Height() / 2), COLORREF(clNavy));
}

}  // namespace

namespace {

class KZUColorBoxLooks : public ThemedTest {};

TEST_F(KZUColorBoxLooks, SnapshotsInEveryLook) {
  const S looks[] = {S::MacOS, S::WinXP, S::DeepBlue, S::Protein, S::BlueGlass};
  const char* const names[] = {"macos", "winxp", "deepblue", "protein", "blueglass"};
  for (int li = 0; li < 5; ++li) {
    form->SetColor(GetThemeColor(looks[li], 9));
    auto* a = Place<TkzuColorBox>(10, 10, 200, 24);
    a->SetUIStyle(looks[li]);
    a->SetStyle(cbStandardColors | cbExtendedColors | cbPrettyNames);
    a->SetSelected(clMoneyGreen);
    auto* b = Place<TkzuColorBox>(10, 50, 200, 24);
    b->SetUIStyle(looks[li]);
    b->SetStyle(cbStandardColors | cbCustomColor);
    b->SetSelected(0x3366CC);
    s.display.RunUntilIdle();
    const TRect f = a->ItemRect();
    EXPECT_EQ(At(a, f.Left + 4, f.Top + f.Height() / 2), COLORREF(clMoneyGreen)) << names[li];
    SaveFormSheet(std::string("themed_colorbox_") + names[li]);
    delete a;
    delete b;
    s.display.RunUntilIdle();
  }
}

}  // namespace
