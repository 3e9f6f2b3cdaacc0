#include <gtest/gtest.h>

#include "tests/platform/ui/menus/MenuTestSupport.h"
#include "platform/ui/controls/ClassicDraw.h"

namespace {

TEST(ShortCutText, RoundTripsThroughText) {
  struct TCase {
    TShortCut sc;
    const char* text;
  } cases[] = {
      {TShortCut(scCtrl | 'S'), "Ctrl+S"},
      {TShortCut(scShift | VK_DELETE), "Shift+Del"},
      {TShortCut(VK_F1 + 4), "F5"},
      {TShortCut(scAlt | VK_F4), "Alt+F4"},
      {TShortCut(scCtrl | scAlt | VK_LEFT), "Ctrl+Alt+Left"},
      {TShortCut(scShift | scCtrl | (VK_F1 + 11)), "Shift+Ctrl+F12"},
      {TShortCut(scCtrl | '0'), "Ctrl+0"},
      {TShortCut(VK_ESCAPE), "Esc"},
      {TShortCut(scShift | VK_INSERT), "Shift+Ins"},
      {TShortCut(VK_NEXT), "PgDn"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(ShortCutToText(c.sc), c.text);
    EXPECT_EQ(TextToShortCut(c.text), c.sc) << c.text;
  }
}

TEST(ShortCutText, ParsingIgnoresCaseAndRefusesUnknownNames) {
  EXPECT_EQ(TextToShortCut("ctrl+s"), TShortCut(scCtrl | 'S'));
  EXPECT_EQ(TextToShortCut("SHIFT+del"), TShortCut(scShift | VK_DELETE));
  EXPECT_EQ(TextToShortCut(""), scNone);
  EXPECT_EQ(TextToShortCut("Ctrl+"), scNone);
  EXPECT_EQ(TextToShortCut("Hyper+S"), scNone);
  EXPECT_EQ(TextToShortCut("Ctrl+Banana"), scNone);
  EXPECT_EQ(ShortCutToText(scNone), "");
  EXPECT_EQ(ShortCut(VK_DELETE, ssShift | ssCtrl), TShortCut(scShift | scCtrl | VK_DELETE));
  Word key = 0;
  TShiftState shift = 0;
  ShortCutToKey(TShortCut(scAlt | 'X'), key, shift);
  EXPECT_EQ(key, 'X');
  EXPECT_EQ(shift, ssAlt);
}

TEST(MenuCaption, HotkeysAndStripping) {
  EXPECT_EQ(StripHotkey("&File && Folder"), "File & Folder");
  EXPECT_EQ(GetHotkey("Save &as"), "A");
  EXPECT_EQ(GetHotkey("Fish && &Chips"), "C");
  EXPECT_EQ(GetHotkey("No accelerator && here"), "");
  EXPECT_TRUE(IsHotkey("a", "Save &as"));
  EXPECT_FALSE(IsHotkey("s", "Save &as"));
  EXPECT_TRUE(IsHotkey("文", "&文件"));
}

TEST(MenuItemTree, EditingKeepsParentsAndIndexesRight) {
  TMainMenu menu(nullptr);
  TMenuItem* root = menu.Items();
  TMenuItem* a = NewItem(root, "&Alpha");
  TMenuItem* c = NewItem(root, "Gamma");
  auto* b = new TMenuItem(nullptr);
  b->SetCaption("Beta");
  root->Insert(1, b);
  EXPECT_EQ(root->Count(), 3);
  EXPECT_EQ(root->IndexOf(b), 1);
  EXPECT_EQ(b->Parent(), root);
  EXPECT_EQ(b->GetParentMenu(), &menu);
  EXPECT_EQ(root->Find("alpha"), a);
  EXPECT_EQ(root->Find("Delta"), nullptr);
  c->SetMenuIndex(0);
  EXPECT_EQ(root->Items(0), c);
  EXPECT_EQ(a->MenuIndex(), 1);
  root->Delete(1);  // takes a out without freeing it
  EXPECT_EQ(a->Parent(), nullptr);
  EXPECT_EQ(root->Count(), 2);
  EXPECT_THROW(a->Add(a), EMenuError);
  root->Add(a);
  EXPECT_THROW(root->Add(a), EMenuError);
  root->Remove(b);
  delete b;
  EXPECT_THROW(root->Items(5), EMenuError);
  root->Clear();
  EXPECT_EQ(root->Count(), 0);
}

TEST(MenuItemTree, OwnerAndParentFreeingInEitherOrder) {
  TComponent owner(nullptr);
  auto* menu = new TPopupMenu(&owner);
  TMenuItem* sub = new TMenuItem(&owner);
  menu->Items()->Add(sub);
  TMenuItem* leaf = new TMenuItem(&owner);
  sub->Add(leaf);
  Word command = leaf->Command();
  EXPECT_EQ(TMenuItem::FromCommand(command), leaf);
  delete sub;  // frees leaf too; the owner forgets both
  EXPECT_EQ(TMenuItem::FromCommand(command), nullptr);
  EXPECT_EQ(menu->Items()->Count(), 0);
  TMenuItem* again = new TMenuItem(&owner);
  menu->Items()->Add(again);
  owner.DestroyComponents();  // items last-first, then the menu
}

TEST(MenuItemTree, CommandsAreUniqueAndFound) {
  TMainMenu menu(nullptr);
  TMenuItem* file = NewItem(menu.Items(), "File");
  TMenuItem* save = NewItem(file, "Save", TShortCut(scCtrl | 'S'));
  TMenuItem* open = NewItem(file, "Open");
  EXPECT_NE(save->Command(), open->Command());
  EXPECT_EQ(menu.FindItem(open->Command(), fkCommand), open);
  EXPECT_EQ(menu.FindItem(scCtrl | 'S', fkShortCut), save);
  EXPECT_EQ(menu.FindItem(reinterpret_cast<std::uintptr_t>(file->Handle()), fkHandle), file);
  int clicks = 0;
  open->OnClick = [&](TObject* s) {
    EXPECT_EQ(s, open);
    ++clicks;
  };
  EXPECT_TRUE(menu.DispatchCommand(open->Command()));
  EXPECT_FALSE(menu.DispatchCommand(Word(save->Command() + 1000)));
  EXPECT_EQ(clicks, 1);
}

TEST(MenuItemState, RadioItemsOfAGroupExcludeEachOther) {
  TPopupMenu menu(nullptr);
  TMenuItem* r1 = NewItem(menu.Items(), "One");
  TMenuItem* r2 = NewItem(menu.Items(), "Two");
  TMenuItem* other = NewItem(menu.Items(), "Other group");
  TMenuItem* plain = NewItem(menu.Items(), "Plain check");
  for (TMenuItem* r : {r1, r2, other}) {
    r->SetRadioItem(true);
    r->SetGroupIndex(1);
  }
  other->SetGroupIndex(2);
  plain->SetChecked(true);
  r1->SetChecked(true);
  other->SetChecked(true);
  r2->SetChecked(true);
  EXPECT_FALSE(r1->Checked());
  EXPECT_TRUE(r2->Checked());
  EXPECT_TRUE(other->Checked());
  EXPECT_TRUE(plain->Checked());
  // AutoCheck: a radio item only turns on, a plain one toggles.
  r1->AutoCheck = true;
  r1->Click();
  r1->Click();
  EXPECT_TRUE(r1->Checked());
  EXPECT_FALSE(r2->Checked());
  plain->AutoCheck = true;
  plain->Click();
  EXPECT_FALSE(plain->Checked());
  // Moving the group of a checked radio item turns off the new group's checked one.
  r1->SetGroupIndex(2);
  EXPECT_FALSE(other->Checked());
}

TEST(MenuItemState, AutoLineReductionHidesRedundantSeparators) {
  TPopupMenu menu(nullptr);
  TMenuItem* root = menu.Items();
  for (const char* c : {"-", "A", "-", "-", "B", "-", "C", "-"}) NewItem(root, c);
  root->Items(4)->SetVisible(false);
  EXPECT_EQ(root->ShownIndexes(), (std::vector<int>{1, 2, 6}));
  menu.SetAutoLineReduction(maManual);
  EXPECT_EQ(root->ShownIndexes(), (std::vector<int>{0, 1, 2, 3, 5, 6, 7}));
  EXPECT_TRUE(root->RethinkLines());
  EXPECT_EQ(root->ShownIndexes(), (std::vector<int>{1, 2, 6}));
  EXPECT_FALSE(root->RethinkLines());
  // An item may ask for reduction under a manual menu.
  TMenuItem* sub = NewItem(root, "Sub");
  for (const char* c : {"-", "X", "-"}) NewItem(sub, c);
  EXPECT_EQ(sub->ShownIndexes().size(), 3u);
  sub->SetAutoLineReduction(maAutomatic);
  EXPECT_EQ(sub->ShownIndexes(), (std::vector<int>{1}));
}

// ---- Forms: the bar and the short-cut pass ---------------------------------------------------

using MenuFormTest = MenuFixture;

TEST_F(MenuFormTest, MainMenuTakesABarAboveTheClientThatHitTestsAsMenu) {
  TMenuForm* f = NewMenuForm();
  f->Show();
  s.display.RunUntilIdle();
  int clientBefore = f->ClientHeight();
  auto* menu = new TMainMenu(f);
  NewItem(menu->Items(), "&File");
  NewItem(menu->Items(), "&Edit");
  f->SetMenu(menu);
  s.display.RunUntilIdle();
  int bar = std::max(GetSystemMetrics(SM_CYMENU), MenuRowHeight());
  EXPECT_EQ(f->ClientHeight(), clientBefore - bar);
  EXPECT_EQ(f->Height(), 200);
  TRect file = BarItemScreenRect(f, 0);
  ASSERT_GT(file.Width(), 0);
  EXPECT_EQ(file.Top, 100);
  EXPECT_EQ(SendMessage(f->Handle(), WM_NCHITTEST, 0, PointToLParam(Center(file))), HTMENU);
  EXPECT_EQ(SendMessage(f->Handle(), WM_NCHITTEST, 0, PointToLParam(TPoint{150, 100 + bar + 5})), HTCLIENT);
  // The bar is painted in the menu colour beside the items.
  EXPECT_EQ(s.display.PixelAt(f->Handle(), 290, 2), ClassicRGB(clMenu));
  // Freeing the menu takes the bar away.
  delete menu;
  s.display.RunUntilIdle();
  EXPECT_EQ(f->Menu(), nullptr);
  EXPECT_EQ(f->ClientHeight(), clientBefore);
}

TEST_F(MenuFormTest, ShortCutsRunEnabledItemsAfterOnShortCutAndBeforeKeyPreview) {
  TMenuForm* f = NewMenuForm();
  f->KeyPreview = true;
  auto* menu = new TMainMenu(f);
  TMenuItem* file = NewItem(menu->Items(), "&File");
  TMenuItem* save = NewItem(file, "&Save", TShortCut(scCtrl | 'S'));
  TMenuItem* print = NewItem(file, "&Print", TShortCut(scCtrl | 'P'));
  TMenuItem* hidden = NewItem(file, "Hidden", TShortCut(VK_F1 + 4));
  TMenuItem* under = NewItem(NewItem(file, "Disabled sub"), "Under", TShortCut(scCtrl | 'U'));
  print->SetEnabled(false);
  hidden->SetVisible(false);
  under->Parent()->SetEnabled(false);
  f->SetMenu(menu);
  f->Show();
  s.display.RunUntilIdle();
  std::vector<std::string> order;
  bool swallow = false;
  f->OnShortCut = [&](TWMKey& key, bool& handled) {
    if (key.CharCode == VK_CONTROL) return;
    order.push_back("OnShortCut " + std::string(1, char(key.CharCode)));
    handled = swallow;
  };
  f->OnKeyDown = [&](TObject*, Word& key, TShiftState) {
    if (key != VK_CONTROL) order.push_back("OnKeyDown " + std::string(1, char(key)));
  };
  for (TMenuItem* i : {save, print, hidden, under})
    i->OnClick = [&order](TObject* s) { order.push_back("Click " + static_cast<TMenuItem*>(s)->Caption()); };
  auto ctrlKey = [&](int vk) {
    s.display.KeyDown(VK_CONTROL);
    s.display.KeyPress(vk);
    s.display.KeyUp(VK_CONTROL);
    app.ProcessMessages();
  };
  ctrlKey('S');
  ctrlKey('P');  // disabled: the key goes on to the form
  ctrlKey('U');  // under a disabled parent
  s.display.KeyPress(VK_F1 + 4);  // invisible items still answer their short-cut
  app.ProcessMessages();
  swallow = true;
  ctrlKey('S');
  EXPECT_EQ(order, (std::vector<std::string>{"OnShortCut S", "Click &Save", "OnShortCut P", "OnKeyDown P",
                                             "OnShortCut U", "OnKeyDown U", "OnShortCut t", "Click Hidden",
                                             "OnShortCut S"}));
}

TEST_F(MenuFormTest, AShortCutItemMayFreeItsOwnForm) {
  TMenuForm* f = NewMenuForm();
  TMenuForm* other = NewMenuForm();  // keeps the application's main form alive
  auto* menu = new TMainMenu(other);
  menu->Items()->Add(new TMenuItem(other));
  TMenuItem* quit = NewItem(menu->Items()->Items(0), "Quit", TShortCut(scCtrl | 'Q'));
  quit->OnClick = [&](TObject*) { delete other; };
  other->SetMenu(menu);
  other->Show();
  s.display.RunUntilIdle();
  s.display.KeyDown(VK_CONTROL);
  s.display.KeyPress('Q');
  s.display.KeyUp(VK_CONTROL);
  app.ProcessMessages();
  EXPECT_EQ(Screen->CustomFormCount(), 1);
  EXPECT_EQ(Screen->CustomForms(0), f);
}

}  // namespace
