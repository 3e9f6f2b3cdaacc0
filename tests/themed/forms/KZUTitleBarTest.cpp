// The themed title bar: sections and their widths per look, the buttons'
// order and pictures by state, the caption's room and shortening, the app
// icon, and the refusals of a second client section and control box.
#include <gtest/gtest.h>

#include "platform/ui/forms/Screen.h"
#include "tests/themed/support/ThemedTestFixture.h"
#include "themed/forms/KZUTitleBar.h"

namespace {

using S = TkzuUIStyle;
using BT = TkzuTitleBarBtnType;

class KZUTitleBarTest : public ThemedTest {
 protected:
  TkzuTitleBar* NewBar(S look, const std::string& caption = "Retouch") {
    auto* t = new TkzuTitleBar(form);
    t->SetParent(form);
    t->SetUIStyle(look);
    t->SetCaption(caption);
    s.display.RunUntilIdle();
    return t;
  }
  // Answers the next message box with Enter, keeping whether one came.
  void AnswerMessageBox(bool* shown) {
    After(50, [this, shown] {
      TForm* box = ::Screen->ActiveForm();
      *shown = box && box->Modal();
      s.display.KeyPress(VK_RETURN);
    });
  }
};

TEST(ShortTitleCaption, KeepsTwoCharactersNotTwoBytes) {
  EXPECT_EQ(ShortTitleCaption("Retouch"), "Re...");
  EXPECT_EQ(ShortTitleCaption("人像修饰向导"), "人像...");
  EXPECT_EQ(ShortTitleCaption("A"), "A...");
  EXPECT_EQ(ShortTitleCaption(""), "...");
  EXPECT_EQ(ShortTitleCaption("é中x"), "é中...");
}

TEST_F(KZUTitleBarTest, SectionWidthsComeFromEachLooksPictures) {
  struct Case {
    S look;
    int left, client, right;
  };
  const Case cases[] = {{S::MacOS, 48, 49, 48},
                        {S::WinXP, 35, 37, 35},
                        {S::DeepBlue, 97, 98, 97},
                        {S::Protein, 441, 1, 1},
                        {S::BlueGlass, 162, 179, 101}};
  for (const Case& k : cases) {
    auto* t = NewBar(k.look);
    ASSERT_EQ(t->Sections()->Count(), 3);
    EXPECT_EQ(t->Sections()->Items(0)->Width(), k.left);
    EXPECT_EQ(t->Sections()->Items(1)->Align(), TkzuTitleBarAlign::kzuRight);
    EXPECT_EQ(t->Sections()->Items(1)->Width(), k.right);
    EXPECT_EQ(t->Sections()->Items(2)->Align(), TkzuTitleBarAlign::kzuClient);
    EXPECT_EQ(t->Sections()->Items(2)->Width(), k.client);
    EXPECT_TRUE(t->Sections()->Items(2)->Stretch());
    EXPECT_EQ(t->Height(), t->Sections()->Items(0)->Picture()->Height());
    EXPECT_EQ(t->LeftBtnXOffset(), GetThemeInteger(k.look, 67));
    EXPECT_EQ(t->RightBtnXOffset(), GetThemeInteger(k.look, 68));
    EXPECT_EQ(t->CornerRadius, GetThemeInteger(k.look, 7));
    delete t;
  }
}

TEST_F(KZUTitleBarTest, ButtonsRunRightToLeftCloseMaxMinWithTheControlBoxLeft) {
  auto* t = NewBar(S::WinXP);
  ASSERT_EQ(t->Buttons()->Count(), 4);
  EXPECT_EQ(t->Buttons()->Items(0)->ButtonType(), BT::kzuControlBox);
  const TRect box = t->ButtonRect(0), close = t->ButtonRect(1), max = t->ButtonRect(2), min = t->ButtonRect(3);
  // x := width + offset + 1, less each picture and one pixel.
  EXPECT_EQ(close.Right, t->Width() + t->RightBtnXOffset() + 1 - 1);
  EXPECT_EQ(max.Right, close.Left - 1);
  EXPECT_EQ(min.Right, max.Left - 1);
  EXPECT_EQ(box.Left, t->LeftBtnXOffset());
  EXPECT_EQ(close.Top, GetThemeInteger(S::WinXP, 69));
  // The caption follows the control box by 5 pixels.
  EXPECT_EQ(t->CaptionLeft(), box.Right + 5);
}

TEST_F(KZUTitleBarTest, TheButtonUnderTheMouseShowsItsStates) {
  auto* t = NewBar(S::DeepBlue);
  const TRect close = t->ButtonRect(1);
  // A point where the three pictures differ.
  TPoint inPicture{-1, -1};
  for (int py = 0; py < close.Height() && inPicture.X < 0; ++py)
    for (int px = 0; px < close.Width() && inPicture.X < 0; ++px) {
      const COLORREF n = ThemePixel("DEEPBLUE_TITLEBTN_CLOSE_NORMAL", px, py);
      const COLORREF o = ThemePixel("DEEPBLUE_TITLEBTN_CLOSE_MOUSEON", px, py);
      const COLORREF d = ThemePixel("DEEPBLUE_TITLEBTN_CLOSE_MOUSEDOWN", px, py);
      if (n != o && o != d && n != d) inPicture = TPoint{px, py};
    }
  ASSERT_GE(inPicture.X, 0);
  const int x = close.Left + inPicture.X, y = close.Top + inPicture.Y;
  auto pic = [&](const char* name) { return ThemePixel(name, inPicture.X, inPicture.Y); };
  EXPECT_EQ(At(t, x, y), pic("DEEPBLUE_TITLEBTN_CLOSE_NORMAL"));
  MoveOver(t, x, y);
  EXPECT_EQ(t->HotButton(), 1);
  EXPECT_EQ(At(t, x, y), pic("DEEPBLUE_TITLEBTN_CLOSE_MOUSEON"));
  int clicks = 0;
  t->Buttons()->Items(1)->SetButtonType(BT::kzuCustom);
  t->OnCustomBtnsClick = [&](TObject*, int i) { clicks += 10 + i; };
  Press(t, x, y);
  EXPECT_TRUE(t->Pressed());
  EXPECT_EQ(At(t, x, y), pic("DEEPBLUE_TITLEBTN_CLOSE_MOUSEDOWN"));
  Release(t, x, y);
  EXPECT_EQ(clicks, 11);
  EXPECT_FALSE(t->Pressed());
  MoveAway();
  EXPECT_EQ(t->HotButton(), -1);
}

TEST_F(KZUTitleBarTest, ALongCaptionShowsTwoCharactersAndDots) {
  auto* t = NewBar(S::DeepBlue, "人像修饰向导：调整肤色与光线，保存到相册");
  t->SetAlign(alNone);
  t->SetWidth(240);
  s.display.RunUntilIdle();
  EXPECT_EQ(t->ShownCaption(), "人像...");
  t->SetWidth(400);
  t->SetCaption("人像修饰");
  s.display.RunUntilIdle();
  EXPECT_EQ(t->ShownCaption(), "人像修饰");
}

TEST_F(KZUTitleBarTest, WithTheAppIconTheCaptionStartsAfter21Pixels) {
  auto* t = NewBar(S::BlueGlass);
  t->SetDrawAppIcon(true);
  s.display.RunUntilIdle();
  EXPECT_EQ(t->CaptionLeft(), t->LeftBtnXOffset() + 21);
  const TRect icon = t->ButtonRect(0);
  EXPECT_EQ(icon.Left, t->LeftBtnXOffset() + 3);
  MoveOver(t, icon.Left + 2, icon.Top + 2);
  EXPECT_EQ(t->HotButton(), 0);
}

TEST_F(KZUTitleBarTest, ASecondClientSectionOrControlBoxIsRefused) {
  auto* t = NewBar(S::WinXP);
  bool shown = false;
  AnswerMessageBox(&shown);
  t->Sections()->Items(0)->SetAlign(TkzuTitleBarAlign::kzuClient);
  EXPECT_TRUE(shown);
  EXPECT_EQ(t->Sections()->Items(0)->Align(), TkzuTitleBarAlign::kzuLeft);
  EXPECT_TRUE(t->Sections()->Items(2)->Stretch());
  shown = false;
  AnswerMessageBox(&shown);
  t->Buttons()->Items(3)->SetButtonType(BT::kzuControlBox);
  EXPECT_TRUE(shown);
  EXPECT_EQ(t->Buttons()->Items(3)->ButtonType(), BT::kzuMin);
}

TEST_F(KZUTitleBarTest, ASectionNarrowerPictureIsNotReadPastItsEdge) {
  auto* t = NewBar(S::WinXP);
  TkzuTitleBarSection* left = t->Sections()->Items(0);
  left->SetAutoSize(false);
  left->SetWidth(200);  // wider than its 35-pixel picture
  s.display.RunUntilIdle();
  EXPECT_EQ(At(t, 30, 2), ThemePixel("WINXP_TITLE_LEFT", 30, 2));
  // Past the picture the bar shows its own colour, nothing read from beyond.
  EXPECT_EQ(At(t, 100, 2), COLORREF(ColorToRGB(t->Color())));
}

TEST_F(KZUTitleBarTest, SnapshotsInEveryLook) {
  const S looks[] = {S::MacOS, S::WinXP, S::DeepBlue, S::Protein, S::BlueGlass};
  const char* const names[] = {"macos", "winxp", "deepblue", "protein", "blueglass"};
  for (int li = 0; li < 5; ++li) {
    auto* a = NewBar(looks[li], "Lumiqa 人像修饰");
    auto* b = NewBar(looks[li], "An inactive window with a long caption that cannot fit");
    b->SetFormActive(false);
    b->SetTop(100);
    s.display.RunUntilIdle();
    const TRect close = a->ButtonRect(1);
    MoveOver(a, close.Left + 3, close.Top + 3);
    EXPECT_EQ(a->HotButton(), 1) << names[li];
    SaveFormSheet(std::string("themed_titlebar_") + names[li]);
    MoveAway();
    delete a;
    delete b;
    s.display.RunUntilIdle();
  }
}

}  // namespace
