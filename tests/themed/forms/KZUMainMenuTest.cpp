// The themed menu: its look's values, the measured sizes, each part of an
// owner-drawn item (side bar, selection, separator, check mark, images),
// and its drop-downs drawn in every look from the themed form's menu bar.
#include <gtest/gtest.h>

#include "platform/graphics/ImageList.h"
#include "platform/ui/controls/ToolBar.h"
#include "platform/ui/forms/Screen.h"
#include "platform/ui/menus/MenuWindow.h"
#include "tests/themed/support/ThemedTestFixture.h"
#include "themed/forms/KZUForm.h"
#include "themed/forms/KZUMainMenu.h"

namespace {

using S = TkzuUIStyle;

class KZUMainMenuTest : public ThemedTest {
 protected:
  TMenuItem* Item(TkzuMainMenu* m, const std::string& caption, TMenuItem* parent = nullptr) {
    auto* i = new TMenuItem(m);
    i->SetCaption(caption);
    (parent ? parent : m->Items())->Add(i);
    return i;
  }
  // Draws one item into a fresh bitmap of the item's measured size.
  std::unique_ptr<TBitmap> Drawn(TkzuMainMenu* m, TMenuItem* item, bool selected, int width = 160) {
    auto b = std::make_unique<TBitmap>(width, 40, pf24bit);
    b->Canvas()->Brush()->SetColor(0x00FF00);
    b->Canvas()->FillRect(TRect{0, 0, width, 40});
    int w = 0, h = 0;
    m->MeasureItem(item, b->Canvas(), w, h);
    m->DrawItem(item, b->Canvas(), TRect{0, 0, width, h}, selected);
    return b;
  }
  static COLORREF Px(TBitmap* b, int x, int y) { return COLORREF(ColorToRGB(b->Canvas()->Pixels(x, y))); }
};

TEST_F(KZUMainMenuTest, LooksSetTheirValues) {
  auto* m = new TkzuMainMenu(form);
  EXPECT_TRUE(m->OwnerDraw());
  EXPECT_EQ(m->Images(), nullptr);
  struct Case {
    S look;
    int item, separator;
  };
  const Case cases[] = {{S::MacOS, 20, 12}, {S::WinXP, 21, 5}, {S::Protein, 21, 5}};
  for (const Case& k : cases) {
    m->SetUIStyle(k.look);
    EXPECT_EQ(m->MenuItemHeight(), k.item);
    EXPECT_EQ(m->SeparatorHeight(), k.separator);
    EXPECT_EQ(m->BarWidth, GetThemeInteger(k.look, 22));
    EXPECT_EQ(m->BarColor, GetThemeColor(k.look, 17));
    EXPECT_EQ(m->Color, GetThemeColor(k.look, 15));
    EXPECT_EQ(m->SelectedColor, GetThemeColor(k.look, 12));
    EXPECT_EQ(m->SelectedBorderColor, GetThemeColor(k.look, 11));
    EXPECT_EQ(m->SelectedFontColor, GetThemeColor(k.look, 13));
    EXPECT_EQ(m->FontColor, GetThemeColor(k.look, 16));
    EXPECT_EQ(m->SeparatorColor, GetThemeColor(k.look, 18));
    EXPECT_EQ(m->BorderColor, GetThemeColor(k.look, 2));
  }
  // MacOS keeps its heights; WinXP takes what is set.
  m->SetUIStyle(S::MacOS);
  m->SetMenuItemHeight(30);
  EXPECT_EQ(m->MenuItemHeight(), 20);
  m->SetUIStyle(S::WinXP);
  m->SetMenuItemHeight(30);
  EXPECT_EQ(m->MenuItemHeight(), 30);
}

TEST_F(KZUMainMenuTest, ACustomMenuKeepsItsConstructionValuesAndReadableText) {
  auto* panel = new TkzuForm(form);
  panel->SetUIStyle(S::Custom);
  auto* m = new TkzuMainMenu(form);
  EXPECT_EQ(m->UIStyle(), S::Custom);
  EXPECT_EQ(m->SeparatorHeight(), 21);
  EXPECT_EQ(m->MenuItemHeight(), 21);
  EXPECT_NE(m->FontColor, m->Color);  // white on white would hide every item
  EXPECT_EQ(panel->Menu(), m);
}

TEST_F(KZUMainMenuTest, ImagesReadNoneWhileTheInternalListIsInUse) {
  auto* m = new TkzuMainMenu(form);
  TImageList user(nullptr);
  m->SetImages(&user);
  EXPECT_EQ(m->Images(), &user);
  m->SetImages(nullptr);
  EXPECT_EQ(m->Images(), nullptr);
}

TEST_F(KZUMainMenuTest, MeasuresHeightsAndWidthFromTheCaptionAndShortCut) {
  auto* m = new TkzuMainMenu(form);
  m->SetUIStyle(S::WinXP);
  m->SetUseSystemFont(false);
  TMenuItem* open = Item(m, "Open");
  open->SetShortCut(ShortCut('O', ssCtrl));
  TMenuItem* line = Item(m, "-");
  TBitmap b(10, 10, pf24bit);
  TFont font;
  font.SetName(m->FontName);
  font.SetSize(m->FontSize);
  b.Canvas()->Font()->Assign(&font);
  const int expected = b.Canvas()->TextWidth("Open") + b.Canvas()->TextWidth("Ctrl+O") + 26 + 40;
  int w = 0, h = 0;
  m->MeasureItem(open, b.Canvas(), w, h);
  EXPECT_EQ(h, 21);
  EXPECT_EQ(w, expected);
  m->MeasureItem(line, b.Canvas(), w, h);
  EXPECT_EQ(h, 5);
}

TEST_F(KZUMainMenuTest, DrawsSideBarBackgroundSelectionAndSeparator) {
  auto* m = new TkzuMainMenu(form);
  m->SetUIStyle(S::WinXP);
  TMenuItem* open = Item(m, "Open");
  TMenuItem* line = Item(m, "-");
  auto plain = Drawn(m, open, false);
  EXPECT_EQ(Px(plain.get(), 3, 10), COLORREF(m->BarColor));
  EXPECT_EQ(Px(plain.get(), 150, 10), COLORREF(m->Color));
  auto selected = Drawn(m, open, true);
  EXPECT_EQ(Px(selected.get(), 3, 10), COLORREF(m->SelectedColor));
  EXPECT_EQ(Px(selected.get(), 0, 10), COLORREF(m->SelectedBorderColor));
  EXPECT_EQ(Px(selected.get(), 159, 0), COLORREF(m->SelectedBorderColor));
  auto sep = Drawn(m, line, true);  // a separator is never selected
  EXPECT_EQ(Px(sep.get(), 26 + 4, 2), COLORREF(m->SeparatorColor));
  EXPECT_EQ(Px(sep.get(), 157, 2), COLORREF(m->SeparatorColor));
  EXPECT_EQ(Px(sep.get(), 26 + 3, 2), COLORREF(m->Color));
  EXPECT_EQ(Px(sep.get(), 3, 2), COLORREF(m->BarColor));
  // A disabled item is not highlighted.
  open->SetEnabled(false);
  auto disabled = Drawn(m, open, true);
  EXPECT_EQ(Px(disabled.get(), 150, 10), COLORREF(m->Color));
}

TEST_F(KZUMainMenuTest, CheckedItemsShowTheCheckMarkOrTheirImageOnAHighlightedSquare) {
  auto* m = new TkzuMainMenu(form);
  m->SetUIStyle(S::DeepBlue);
  TMenuItem* a = Item(m, "Grid");
  a->SetChecked(true);
  // The check mark picture: its dark stroke at the mark's place.
  TBitmap check;
  LoadThemeBitmap("MENU_CHECKED", check);
  int cx = -1, cy = -1;
  for (int y = 0; y < 16 && cx < 0; ++y)
    for (int x = 0; x < 16 && cx < 0; ++x)
      if (ColorToRGB(check.Canvas()->Pixels(x, y)) == 0) cx = x, cy = y;
  ASSERT_GE(cx, 0);
  auto marked = Drawn(m, a, false);
  EXPECT_EQ(Px(marked.get(), 4 + cx, 3 + cy), COLORREF(clBlack));
  // With a user image: a black frame, the selection colour, the image.
  TImageList images(nullptr);
  images.SetWidth(16);
  images.SetHeight(16);
  TBitmap red(16, 16, pf24bit);
  red.Canvas()->Brush()->SetColor(clRed);
  red.Canvas()->FillRect(TRect{0, 0, 16, 16});
  images.Add(&red, nullptr);
  m->SetImages(&images);
  a->SetImageIndex(0);
  auto imaged = Drawn(m, a, false);
  EXPECT_EQ(Px(imaged.get(), 2, 1), COLORREF(clBlack));
  EXPECT_EQ(Px(imaged.get(), 3, 2), COLORREF(m->SelectedColor));
  EXPECT_EQ(Px(imaged.get(), 10, 10), COLORREF(clRed));
  // An index outside the list draws no image and falls back to the mark.
  for (int bad : {-2, 1}) {
    a->SetImageIndex(bad);
    auto b = Drawn(m, a, false);
    EXPECT_EQ(Px(b.get(), 4 + cx, 3 + cy), COLORREF(clBlack)) << bad;
    EXPECT_NE(Px(b.get(), 10, 10), COLORREF(clRed)) << bad;
  }
}


TEST_F(KZUMainMenuTest, AFlatMenuFramesItsDropDown) {
  TForm* f = NewForm(60, 60, 360, 260);
  auto* panel = new TkzuForm(f);
  auto* m = new TkzuMainMenu(f);
  TMenuItem* file = Item(m, "&File");
  Item(m, "&Open", file);
  m->HookItems();
  m->FlatMenu = true;
  f->Show();
  s.display.RunUntilIdle();
  COLORREF edge = 0, inside = 0;
  After(50, [&] {
    HWND w = MenuLevelWindow(0);
    RECT wr{};
    GetWindowRect(w, &wr);
    edge = s.display.PixelAt(w, 0, (wr.Bottom - wr.Top) / 2);
    inside = s.display.PixelAt(w, 1, (wr.Bottom - wr.Top) / 2);
    s.display.KeyPress(VK_ESCAPE);
  });
  ClickOn(panel->MenuBar()->Buttons(0), 5, 5);
  EXPECT_EQ(edge, COLORREF(m->BorderColor));
  EXPECT_EQ(inside, COLORREF(clWhite));
}

TEST_F(KZUMainMenuTest, DropDownsFromTheMenuBarAreOwnerDrawnInEveryLook) {
  const S looks[] = {S::MacOS, S::WinXP, S::DeepBlue, S::Protein, S::BlueGlass};
  const char* const names[] = {"macos", "winxp", "deepblue", "protein", "blueglass"};
  TForm* f = NewForm(60, 60, 360, 260);
  auto* panel = new TkzuForm(f);
  auto* m = new TkzuMainMenu(f);
  TMenuItem* file = Item(m, "&File");
  TMenuItem* open = Item(m, "&Open 打开", file);
  open->SetShortCut(ShortCut('O', ssCtrl));
  Item(m, "-", file);
  Item(m, "&Grid", file)->SetChecked(true);
  Item(m, "Disabled", file)->SetEnabled(false);
  Item(m, "E&xit", file);
  Item(m, "&Help", nullptr);
  m->HookItems();
  f->Show();
  s.display.RunUntilIdle();
  ASSERT_EQ(panel->MenuBar()->ButtonCount(), 2);
  for (int li = 0; li < 5; ++li) {
    panel->SetUIStyle(looks[li]);
    s.display.RunUntilIdle();
    ASSERT_EQ(m->UIStyle(), looks[li]);
    bool checked = false;
    After(50, [&, li] {
      checked = true;
      ASSERT_EQ(MenuLevelCount(), 1);
      HWND w = MenuLevelWindow(0);
      const TRect row = MenuItemScreenRect(0, open);
      EXPECT_EQ(row.Height(), m->MenuItemHeight()) << names[li];
      RECT wr{};
      GetWindowRect(w, &wr);
      const int y = row.Top - wr.Top + row.Height() / 2;
      if (looks[li] != S::MacOS) {
        EXPECT_EQ(s.display.PixelAt(w, row.Right - wr.Left - 3, y), COLORREF(m->Color)) << names[li];
        EXPECT_EQ(s.display.PixelAt(w, row.Left - wr.Left + 2, y), COLORREF(m->BarColor)) << names[li];
      } else {
        TBitmap bar;
        LoadThemeBitmap("MACOS_MENU_BAR", bar);
        EXPECT_EQ(s.display.PixelAt(w, row.Right - wr.Left - 3, row.Top - wr.Top + 1),
                  COLORREF(ColorToRGB(bar.Canvas()->Pixels(0, 1)))) << names[li];
      }
      SaveWindowSheet(w, std::string("themed_menu_") + names[li]);
      s.display.KeyPress(VK_ESCAPE);
    });
    ClickOn(panel->MenuBar()->Buttons(0), 5, 5);
    s.display.RunUntilIdle();
    EXPECT_TRUE(checked) << names[li];
    EXPECT_FALSE(MenuLoopActive());
  }
}

}  // namespace
