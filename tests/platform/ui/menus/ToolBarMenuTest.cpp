// Tool buttons with menus: a drop-down button's arrow pops its menu under
// the button, and a button standing for a menu item drops its sub-items or
// clicks it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/platform/ui/menus/MenuTestSupport.h"
#include "platform/ui/controls/ClassicDraw.h"
#include "platform/ui/controls/ToolBar.h"

namespace {

class ToolBarMenuTest : public MenuFixture {
 protected:
  TMenuForm* form = nullptr;
  TToolBar* bar = nullptr;
  std::vector<std::string> log;

  void SetUp() override {
    form = NewMenuForm(100, 100, 400, 300);
    bar = new TToolBar(form);
    bar->SetParent(form);
    form->Show();
    s.display.RunUntilIdle();
  }
  TToolButton* Button(TToolButtonStyle style, const std::string& name) {
    auto* b = new TToolButton(form);
    b->SetStyle(style);
    b->SetParent(bar);
    b->OnClick = [this, name](TObject*) { log.push_back(name); };
    return b;
  }
  TMenuItem* Item(TMenuItem* parent, const std::string& caption) {
    TMenuItem* item = NewItem(parent, caption);
    item->OnClick = [this, caption](TObject*) { log.push_back(caption); };
    return item;
  }
  TPoint At(TControl* c, int x, int y) { return c->ClientToScreen(TPoint{x, y}); }
  // Clicks at p; while a menu shows, look() sees it and the row pick is chosen.
  void ClickWithMenu(TPoint p, const std::function<void()>& look, TMenuItem* pick) {
    After(10, [this, p] { Click(p); });
    After(30, [look, pick, this] {
      look();
      if (pick && MenuLoopActive()) Click(Center(MenuItemScreenRect(MenuLevelCount() - 1, pick)));
    });
    s.display.AdvanceTime(200);
    s.display.RunUntilIdle();
    EXPECT_FALSE(MenuLoopActive());
  }
};

TEST_F(ToolBarMenuTest, TheArrowPopsTheDropdownMenuUnderTheButton) {
  Button(tbsButton, "plain");
  TToolButton* drop = Button(tbsDropDown, "drop");
  auto* menu = new TPopupMenu(form);
  Item(menu->Items(), "One");
  TMenuItem* two = Item(menu->Items(), "Two");
  drop->SetDropdownMenu(menu);
  s.display.RunUntilIdle();

  // The body clicks as a plain button, with no menu.
  ClickWithMenu(At(drop, 4, 10), [] { EXPECT_FALSE(MenuLoopActive()); }, nullptr);
  EXPECT_EQ(log, (std::vector<std::string>{"drop"}));
  log.clear();

  std::vector<TCustomDrawState> states;
  bar->OnCustomDrawButton = [&](TToolBar*, TToolButton* b, TCustomDrawState st, bool&) {
    if (b == drop) states.push_back(st);
  };
  ClickWithMenu(At(drop, drop->Width() - 4, 10), [&] {
    ASSERT_EQ(MenuLevelCount(), 1);
    EXPECT_EQ(MenuLevelParent(0), menu->Items());
    RECT r{};
    GetWindowRect(MenuLevelWindow(0), &r);
    const TPoint corner = At(drop, 0, drop->Height());
    EXPECT_EQ(r.Left, corner.X);
    EXPECT_EQ(r.Top, corner.Y);
    ASSERT_FALSE(states.empty());
    EXPECT_TRUE(states.back() & cdsSelected) << "drawn pressed while the menu shows";
  }, two);
  EXPECT_EQ(log, (std::vector<std::string>{"Two"}));
  EXPECT_EQ(menu->PopupComponent(), drop);
  EXPECT_FALSE(drop->Pressed());

  // The arrow of a drop-down button without a menu is part of the button.
  drop->SetDropdownMenu(nullptr);
  log.clear();
  ClickWithMenu(At(drop, drop->Width() - 4, 10), [] { EXPECT_FALSE(MenuLoopActive()); }, nullptr);
  EXPECT_EQ(log, (std::vector<std::string>{"drop"}));

  // A freed menu leaves the button.
  drop->SetDropdownMenu(menu);
  delete menu;
  EXPECT_EQ(drop->DropdownMenu(), nullptr);
}

TEST_F(ToolBarMenuTest, ADropDownButtonHasAnArrowPartThatSinksAlone) {
  TToolButton* drop = Button(tbsDropDown, "drop");
  auto* menu = new TPopupMenu(form);
  Item(menu->Items(), "One");
  drop->SetDropdownMenu(menu);
  s.display.RunUntilIdle();
  const int split = drop->Width() - 13;  // where the arrow part starts
  auto pixel = [&](int x, int y) {
    TPoint p = At(drop, x, y);
    RECT wr{};
    GetWindowRect(form->Handle(), &wr);
    return s.display.PixelAt(form->Handle(), p.X - wr.Left, p.Y - wr.Top);
  };
  // At rest: two raised faces side by side.
  EXPECT_EQ(pixel(0, 5), ClassicRGB(clBtnHighlight));
  EXPECT_EQ(pixel(split - 1, 5), ClassicRGB(cl3DDkShadow));
  EXPECT_EQ(pixel(split, 5), ClassicRGB(clBtnHighlight));
  // The menu down: the arrow part sunk, the button part still raised.
  ClickWithMenu(At(drop, drop->Width() - 4, 10), [&] {
    ASSERT_EQ(MenuLevelCount(), 1);
    s.display.RunUntilIdle();
    EXPECT_EQ(pixel(0, 5), ClassicRGB(clBtnHighlight));
    EXPECT_EQ(pixel(split, 5), ClassicRGB(clBtnShadow));
    EXPECT_EQ(pixel(drop->Width() - 1, 5), ClassicRGB(clBtnShadow));
  }, nullptr);
}

TEST_F(ToolBarMenuTest, AMenuItemButtonDropsItsSubItemsOrClicksTheItem) {
  auto* main = new TMainMenu(form);
  TMenuItem* file = Item(main->Items(), "&File");
  TMenuItem* open = Item(file, "Open");
  Item(file, "Save");
  TMenuItem* help = Item(main->Items(), "Help");
  help->Hint = "Help topics";
  help->SetImageIndex(3);
  TToolButton* fileButton = Button(tbsButton, "fileButton");
  TToolButton* helpButton = Button(tbsButton, "helpButton");
  fileButton->SetMenuItem(file);
  helpButton->SetMenuItem(help);
  EXPECT_EQ(fileButton->Caption(), "&File");
  EXPECT_EQ(helpButton->Hint, "Help topics");
  EXPECT_EQ(helpButton->ImageIndex(), 3);
  s.display.RunUntilIdle();

  ClickWithMenu(At(fileButton, 5, 5), [&] {
    ASSERT_EQ(MenuLevelCount(), 1);
    EXPECT_EQ(MenuLevelParent(0), file);
  }, open);
  EXPECT_EQ(log, (std::vector<std::string>{"Open"}));
  log.clear();

  ClickWithMenu(At(helpButton, 5, 5), [] { EXPECT_FALSE(MenuLoopActive()); }, nullptr);
  EXPECT_EQ(log, (std::vector<std::string>{"helpButton", "Help"}));

  // A disabled item is not clicked; a freed one is let go.
  log.clear();
  help->SetEnabled(false);
  ClickWithMenu(At(helpButton, 5, 5), [] {}, nullptr);
  EXPECT_EQ(log, (std::vector<std::string>{"helpButton"}));
  delete help;
  EXPECT_EQ(helpButton->MenuItem(), nullptr);
  ClickWithMenu(At(helpButton, 5, 5), [] {}, nullptr);
}

}  // namespace
