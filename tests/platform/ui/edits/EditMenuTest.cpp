// The edit's standard context menu: its rows, which of them are enabled for
// the edit's state, and each row running its command on the edit.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/platform/ui/ClipboardText.h"
#include "tests/platform/ui/menus/MenuTestSupport.h"
#include "platform/ui/edits/Edit.h"

namespace {

class EditMenuTest : public MenuFixture {
 protected:
  TForm* form = nullptr;
  TEdit* edit = nullptr;

  void SetUp() override {
    form = NewMenuForm(100, 100, 400, 300);
    edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetBounds(10, 10, 160, 24);
    form->Show();
    s.display.RunUntilIdle();
    edit->SetFocus();
    s.display.RunUntilIdle();
  }
  // Pops the menu with the menu key, lets look() see it, then picks the
  // row captioned pick (or closes the menu when pick is empty).
  void WithMenu(const std::function<void(TMenuItem* root)>& look, const std::string& pick = "") {
    After(10, [this] {
      s.display.KeyPress(VK_APPS);
    });
    After(30, [this, look, pick] {
      ASSERT_EQ(MenuLevelCount(), 1);
      TMenuItem* root = MenuLevelParent(0);
      look(root);
      for (int i = 0; i < root->Count(); ++i)
        if (!pick.empty() && StripHotkey(root->Items(i)->Caption()) == pick) {
          Click(Center(MenuItemScreenRect(0, root->Items(i))));
          return;
        }
      EndMenu();
    });
    s.display.AdvanceTime(200);
    s.display.RunUntilIdle();
    EXPECT_FALSE(MenuLoopActive());
  }
};

TEST_F(EditMenuTest, RowsAndSeparatorsInTheirOrder) {
  std::vector<std::string> rows;
  WithMenu([&](TMenuItem* root) {
    for (int i = 0; i < root->Count(); ++i) rows.push_back(StripHotkey(root->Items(i)->Caption()));
  });
  EXPECT_EQ(rows, (std::vector<std::string>{"Undo", "-", "Cut", "Copy", "Paste", "Delete", "-", "Select All"}));
}

TEST_F(EditMenuTest, RowsAreEnabledByTheEditsState) {
  struct TCase {
    const char* name;
    bool readOnly, select, clip, undo, password;
    // Undo, Cut, Copy, Paste, Delete, Select All
    std::vector<bool> enabled;
  };
  const TCase cases[] = {
      {"plain", false, false, false, false, false, {false, false, false, false, false, true}},
      {"selection", false, true, false, false, false, {false, true, true, false, true, true}},
      {"clipboard", false, false, true, false, false, {false, false, false, true, false, true}},
      {"undo", false, false, false, true, false, {true, false, false, false, false, true}},
      {"read-only", true, true, true, true, false, {false, false, true, false, false, true}},
      {"password", false, true, false, false, true, {false, false, false, false, true, true}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    edit->SetReadOnly(false);
    edit->SetPasswordChar(c.password ? '*' : 0);
    edit->SetText("hello world");
    if (c.undo) {
      edit->SetSelStart(11);
      s.display.Text("!");
      s.display.RunUntilIdle();
      ASSERT_TRUE(edit->CanUndo());
    } else {
      SendMessage(edit->Handle(), EM_EMPTYUNDOBUFFER, 0, 0);
    }
    edit->SetSelStart(0);
    edit->SetSelLength(c.select ? 5 : 0);
    edit->SetReadOnly(c.readOnly);
    ASSERT_TRUE(PutClipboardText(c.clip ? "x" : nullptr));
    std::vector<bool> got;
    WithMenu([&](TMenuItem* root) {
      for (int i = 0; i < root->Count(); ++i)
        if (!root->Items(i)->IsLine()) got.push_back(root->Items(i)->Enabled());
    });
    EXPECT_EQ(got, c.enabled);
  }
  // Everything selected already: nothing more to select.
  edit->SetReadOnly(false);
  edit->SetPasswordChar(0);
  edit->SelectAll();
  bool selectAll = true;
  WithMenu([&](TMenuItem* root) { selectAll = root->Items(root->Count() - 1)->Enabled(); });
  EXPECT_FALSE(selectAll);
}

TEST_F(EditMenuTest, EachRowRunsItsCommand) {
  edit->SetText("hello world");
  edit->SetSelStart(0);
  edit->SetSelLength(5);
  ASSERT_TRUE(PutClipboardText(nullptr));
  WithMenu([](TMenuItem*) {}, "Cut");
  EXPECT_EQ(edit->Text(), " world");
  EXPECT_EQ(ClipboardText(), "hello");

  WithMenu([](TMenuItem*) {}, "Undo");
  EXPECT_EQ(edit->Text(), "hello world");

  edit->SetSelStart(6);
  edit->SetSelLength(5);
  WithMenu([](TMenuItem*) {}, "Copy");
  EXPECT_EQ(ClipboardText(), "world");
  WithMenu([](TMenuItem*) {}, "Delete");
  EXPECT_EQ(edit->Text(), "hello ");

  WithMenu([](TMenuItem*) {}, "Paste");
  EXPECT_EQ(edit->Text(), "hello world");

  edit->SetSelStart(2);
  WithMenu([](TMenuItem*) {}, "Select All");
  EXPECT_EQ(edit->SelStart(), 0);
  EXPECT_EQ(edit->SelLength(), 11);
}

TEST_F(EditMenuTest, AHookAlreadyInstalledIsKept) {
  bool called = false;
  EditContextMenuHook = [&](TCustomEdit*, TPoint) { return called = true; };
  InstallEditContextMenu();
  s.display.KeyPress(VK_APPS);
  s.display.RunUntilIdle();
  EditContextMenuHook = nullptr;
  InstallEditContextMenu();
  EXPECT_TRUE(called);
  EXPECT_FALSE(MenuLoopActive());
}

}  // namespace
