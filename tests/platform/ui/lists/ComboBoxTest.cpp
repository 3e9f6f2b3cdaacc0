#include "platform/ui/lists/ComboBox.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/platform/ui/ClipboardText.h"
#include "tests/platform/ui/FormTestFixture.h"
#include "platform/ui/edits/Edit.h"

namespace {

class ComboBoxTest : public FormsTest {
 protected:
  TForm* form = nullptr;
  TComboBox* cb = nullptr;
  std::vector<std::string> log;

  // The form's procedure logs into this fixture: free it while the fixture lives.
  void TearDown() override { app.DestroyComponents(); }

  void SetUp() override { Build(100, 100); }

  void Build(int formX, int formY) {
    form = NewForm(formX, formY, 300, 200);
    TWndMethod old = form->WindowProc;
    form->WindowProc = TWndMethod::FromFunction(
        [this, old](TMessage& m) {
          if (m.Msg == WM_COMMAND) log.push_back("CBN" + std::to_string(HIWORD(m.WParam)));
          old(m);
        },
        this);
    form->Show();
    cb = new TComboBox(form);
    cb->SetParent(form);
    cb->SetBounds(10, 10, 150, 0);
    cb->SetStyle(csDropDownList);
    for (int i = 0; i < 20; ++i) cb->Items()->Add("Choice " + std::to_string(i));
    cb->OnDropDown = [this](TObject*) { log.push_back("OnDropDown"); };
    cb->OnCloseUp = [this](TObject*) { log.push_back("OnCloseUp:" + std::to_string(cb->ItemIndex())); };
    cb->OnClick = [this](TObject*) { log.push_back("OnClick"); };
    cb->OnSelect = [this](TObject*) { log.push_back("OnSelect:" + cb->Text()); };
    cb->OnChange = [this](TObject*) { log.push_back("OnChange:" + cb->Text()); };
    s.display.RunUntilIdle();
  }
  TPoint At(TControl* c, int x, int y) { return c->ClientToScreen(TPoint{x, y}); }
  void ClickScreen(TPoint p) {
    s.display.Click(p.X, p.Y);
    s.display.RunUntilIdle();
    s.clock.Advance(1000);
  }
  void ClickButton() {
    TRect b = cb->ButtonRect();
    ClickScreen(At(cb, (b.Left + b.Right) / 2, (b.Top + b.Bottom) / 2));
  }
  void Key(int vk) {
    s.display.KeyPress(vk);
    s.display.RunUntilIdle();
  }
  HWND ListWindow() { return cb->ComboBoxInfo().hwndList; }
  RECT ListRect() {
    RECT r{};
    GetWindowRect(ListWindow(), &r);
    return r;
  }
};

TEST_F(ComboBoxTest, DropChooseAndCloseUpComeInOrder) {
  ClickButton();
  ASSERT_TRUE(cb->DroppedDown());
  EXPECT_EQ(log, (std::vector<std::string>{"CBN7", "OnDropDown"}));
  HWND list = ListWindow();
  EXPECT_TRUE(IsWindowVisible(list));
  const LONG_PTR style = GetWindowLongPtr(list, GWL_STYLE), ex = GetWindowLongPtr(list, GWL_EXSTYLE);
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_FALSE(style & WS_CHILD);
  EXPECT_TRUE(ex & WS_EX_NOACTIVATE);
  EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);
  // Below the combo, as wide, DropDownCount items high.
  const RECT lr = ListRect();
  const TPoint below = At(cb, 0, cb->Height());
  EXPECT_EQ(lr.Left, below.X);
  EXPECT_EQ(lr.Top, below.Y);
  EXPECT_EQ(lr.Right - lr.Left, cb->Width());
  EXPECT_EQ(lr.Bottom - lr.Top, 8 * cb->ItemHeight() + 2);
  EXPECT_EQ(GetActiveWindow(), form->Handle());

  log.clear();
  const int h = cb->ItemHeight();
  ClickScreen(TPoint{lr.Left + 10, lr.Top + 1 + 3 * h + h / 2});
  EXPECT_FALSE(cb->DroppedDown());
  EXPECT_FALSE(IsWindowVisible(list));
  EXPECT_EQ(cb->ItemIndex(), 3);
  EXPECT_EQ(cb->Text(), "Choice 3");
  EXPECT_EQ(log, (std::vector<std::string>{"CBN9", "CBN8", "OnCloseUp:3", "CBN1", "OnClick", "OnSelect:Choice 3"}));
}

TEST_F(ComboBoxTest, PressAndDragIntoTheListChoosesOnRelease) {
  TRect b = cb->ButtonRect();
  TPoint p = At(cb, (b.Left + b.Right) / 2, (b.Top + b.Bottom) / 2);
  s.display.MouseDown(p.X, p.Y);
  s.display.RunUntilIdle();
  s.display.MouseUp(p.X, p.Y);  // released on the button: the list stays
  s.display.RunUntilIdle();
  ASSERT_TRUE(cb->DroppedDown());
  const RECT lr = ListRect();
  const int h = cb->ItemHeight();
  s.display.MouseMove(lr.Left + 5, lr.Top + 1 + h + 2);
  s.display.RunUntilIdle();
  EXPECT_TRUE(cb->DroppedDown());
  EXPECT_EQ(cb->ItemIndex(), 1);  // hot tracking
  s.display.MouseDown(lr.Left + 5, lr.Top + 1 + 2 * h + 2);
  s.display.MouseUp(lr.Left + 5, lr.Top + 1 + 2 * h + 2);
  s.display.RunUntilIdle();
  EXPECT_FALSE(cb->DroppedDown());
  EXPECT_EQ(cb->ItemIndex(), 2);
}

TEST_F(ComboBoxTest, OutsideClickClosesWithoutChoosing) {
  cb->SetItemIndex(5);
  ClickButton();
  const RECT lr = ListRect();
  s.display.MouseMove(lr.Left + 5, lr.Top + 3);  // hot-tracks item 0 (top 5)
  s.display.RunUntilIdle();
  log.clear();
  ClickScreen(At(form, 250, 150));
  EXPECT_FALSE(cb->DroppedDown());
  EXPECT_FALSE(IsWindowVisible(ListWindow()));
  EXPECT_EQ(cb->ItemIndex(), 5);
  EXPECT_EQ(cb->Text(), "Choice 5");
  EXPECT_EQ(log, (std::vector<std::string>{"CBN10", "CBN8", "OnCloseUp:5"}));
  EXPECT_EQ(GetCapture(), nullptr);
  // The button of a dropped combo closes it and does not drop it again.
  ClickButton();
  ASSERT_TRUE(cb->DroppedDown());
  ClickButton();
  EXPECT_FALSE(cb->DroppedDown());
}

TEST_F(ComboBoxTest, ListGoesAboveWhenThereIsNoRoomBelow) {
  delete form;
  log.clear();
  Build(100, 900);
  ClickButton();
  ASSERT_TRUE(cb->DroppedDown());
  const RECT lr = ListRect();
  const TPoint top = At(cb, 0, 0);
  EXPECT_EQ(lr.Bottom, top.Y);
  EXPECT_EQ(lr.Bottom - lr.Top, 8 * cb->ItemHeight() + 2);
}

TEST_F(ComboBoxTest, KeyboardDropsMovesAndCloses) {
  cb->SetFocus();
  cb->SetItemIndex(0);
  Key(VK_DOWN);  // closed: a plain selection change
  EXPECT_EQ(cb->ItemIndex(), 1);
  EXPECT_EQ(log, (std::vector<std::string>{"CBN1", "OnClick", "OnSelect:Choice 1"}));
  log.clear();
  Key(VK_F4);
  EXPECT_TRUE(cb->DroppedDown());
  Key(VK_DOWN);
  Key(VK_DOWN);
  EXPECT_EQ(cb->ItemIndex(), 3);
  EXPECT_TRUE(cb->DroppedDown());
  Key(VK_RETURN);
  EXPECT_FALSE(cb->DroppedDown());
  EXPECT_EQ(log, (std::vector<std::string>{"CBN7", "OnDropDown", "CBN1", "OnClick", "OnSelect:Choice 2", "CBN1",
                                           "OnClick", "OnSelect:Choice 3", "CBN9", "CBN8", "OnCloseUp:3"}));
  // Alt+Down drops, Esc closes.
  s.display.KeyDown(VK_MENU);
  s.display.KeyPress(VK_DOWN);
  s.display.KeyUp(VK_MENU);
  s.display.RunUntilIdle();
  EXPECT_TRUE(cb->DroppedDown());
  Key(VK_ESCAPE);
  EXPECT_FALSE(cb->DroppedDown());
  EXPECT_EQ(cb->ItemIndex(), 3);
  // Typing a letter picks the next item starting with it.
  cb->Items()->Put(9, "Banana");
  s.display.Text("b");
  s.display.RunUntilIdle();
  EXPECT_EQ(cb->ItemIndex(), 9);
}

TEST_F(ComboBoxTest, WithoutOnSelectTheChoiceRunsOnChange) {
  cb->OnSelect = nullptr;
  cb->SetFocus();
  Key(VK_DOWN);
  EXPECT_EQ(log, (std::vector<std::string>{"CBN1", "OnClick", "OnChange:Choice 0"}));
}

TEST_F(ComboBoxTest, ComboBoxInfoNamesItsParts) {
  COMBOBOXINFO info;
  ASSERT_TRUE(GetComboBoxInfo(cb->Handle(), &info));
  EXPECT_EQ(info.hwndCombo, cb->Handle());
  EXPECT_EQ(info.hwndItem, cb->Handle());
  EXPECT_NE(info.hwndList, nullptr);
  EXPECT_EQ(TRect(info.rcButton), cb->ButtonRect());
  EXPECT_EQ(info.rcButton.Right, cb->ClientWidth() - 2);
  EXPECT_EQ(info.rcButton.Right - info.rcButton.Left, GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_EQ(info.stateButton, 0u);
  EXPECT_LE(info.rcItem.Right, info.rcButton.Left);
  ClickButton();
  ASSERT_TRUE(GetComboBoxInfo(cb->Handle(), &info));
  EXPECT_EQ(info.stateButton, STATE_SYSTEM_PRESSED);
  EXPECT_FALSE(GetComboBoxInfo(form->Handle(), &info));

  cb->SetDroppedDown(false);
  cb->SetStyle(csDropDown);
  ASSERT_TRUE(GetComboBoxInfo(cb->Handle(), &info));
  EXPECT_NE(info.hwndItem, cb->Handle());
  EXPECT_TRUE(IsChild(cb->Handle(), info.hwndItem));
  RECT er{};
  GetWindowRect(info.hwndItem, &er);
  const TPoint o = At(cb, 0, 0);
  EXPECT_EQ(TRect(er).Left - o.X, info.rcItem.Left);
}

TEST_F(ComboBoxTest, ItemHeightChangesWithoutANewWindow) {
  HWND h = cb->Handle();
  HWND list = ListWindow();
  EXPECT_EQ(SendMessage(h, CB_SETITEMHEIGHT, 0, 25), 0);
  EXPECT_EQ(cb->ItemHeight(), 25);
  EXPECT_EQ(SendMessage(h, CB_GETITEMHEIGHT, 0, 0), 25);
  EXPECT_EQ(cb->Handle(), h);
  EXPECT_EQ(ListWindow(), list);
  ClickButton();
  EXPECT_EQ(ListRect().Bottom - ListRect().Top, 8 * 25 + 2);
  cb->SetDroppedDown(false);
  const int before = cb->Height();
  const int fieldBefore = int(SendMessage(h, CB_GETITEMHEIGHT, WPARAM(-1), 0));
  SendMessage(h, CB_SETITEMHEIGHT, WPARAM(-1), 30);
  EXPECT_EQ(cb->Height(), before + 30 - fieldBefore);
  EXPECT_EQ(SendMessage(h, CB_GETITEMHEIGHT, WPARAM(-1), 0), 30);
  EXPECT_EQ(cb->Handle(), h);
}

TEST_F(ComboBoxTest, MessagesAddFindAndSelect) {
  HWND h = cb->Handle();
  SendMessage(h, CB_RESETCONTENT, 0, 0);
  EXPECT_EQ(SendMessage(h, CB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(SendMessage(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("red")), 0);
  EXPECT_EQ(SendMessage(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("green")), 1);
  EXPECT_EQ(SendMessage(h, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>("blue")), 0);
  EXPECT_EQ(SendMessage(h, CB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>("GREEN")), 2);
  EXPECT_EQ(SendMessage(h, CB_SELECTSTRING, WPARAM(-1), reinterpret_cast<LPARAM>("r")), 1);
  EXPECT_EQ(cb->Text(), "red");
  EXPECT_EQ(SendMessage(h, CB_GETCURSEL, 0, 0), 1);
  char buf[16];
  EXPECT_EQ(SendMessage(h, CB_GETLBTEXT, 2, reinterpret_cast<LPARAM>(buf)), 5);
  EXPECT_STREQ(buf, "green");
  SendMessage(h, CB_SETITEMDATA, 1, 77);
  EXPECT_EQ(SendMessage(h, CB_GETITEMDATA, 1, 0), 77);
  SendMessage(h, CB_SHOWDROPDOWN, 1, 0);
  EXPECT_EQ(SendMessage(h, CB_GETDROPPEDSTATE, 0, 0), 1);
  SendMessage(h, CB_SHOWDROPDOWN, 0, 0);
  EXPECT_FALSE(cb->DroppedDown());
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "OnCloseUp:1");
}

TEST_F(ComboBoxTest, EditPartTypesCompletesAndReportsChange) {
  cb->SetStyle(csDropDown);
  cb->SetText("");
  cb->SetFocus();
  s.display.RunUntilIdle();
  log.clear();
  s.display.Text("Choice 1");
  s.display.RunUntilIdle();
  // The last key completed to the first match with the rest selected.
  EXPECT_EQ(cb->Text(), "Choice 1");
  EXPECT_EQ(cb->ItemIndex(), 1);
  s.display.Text("7");
  s.display.RunUntilIdle();
  EXPECT_EQ(cb->Text(), "Choice 17");
  EXPECT_EQ(cb->ItemIndex(), 17);
  Key(VK_BACK);
  Key(VK_BACK);
  EXPECT_EQ(cb->Text(), "Choice ");
  EXPECT_EQ(cb->ItemIndex(), -1);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "OnChange:Choice ");
  EXPECT_EQ(std::count(log.begin(), log.end(), "CBN5"), std::count_if(log.begin(), log.end(), [](const std::string& e) {
              return e.rfind("OnChange:", 0) == 0;
            }));
  Key(VK_DOWN);  // arrows still choose from the list
  EXPECT_EQ(cb->Text(), "Choice 0");
}

TEST_F(ComboBoxTest, OwnerDrawFieldAndListItemsGetTheirRectangles) {
  cb->SetStyle(csOwnerDrawFixed);
  cb->SetItemIndex(4);
  std::vector<std::pair<int, TRect>> field, items;
  cb->OnDrawItem = [&](TWinControl* c, int i, const TRect& r, TOwnerDrawState st) {
    EXPECT_EQ(c, cb);
    (st & odComboBoxEdit ? field : items).emplace_back(i, r);
    cb->Canvas()->FillRect(r);
  };
  cb->Invalidate();
  s.display.RunUntilIdle();
  ASSERT_FALSE(field.empty());
  EXPECT_EQ(field.back().first, 4);
  EXPECT_EQ(field.back().second, cb->ItemRect());
  ClickButton();
  s.display.RunUntilIdle();
  ASSERT_EQ(items.size(), 8u);
  const int h = cb->ItemHeight();
  EXPECT_EQ(items[0].first, 4);  // scrolled to the selection
  EXPECT_EQ(items[2].second, (TRect{0, 2 * h, cb->ListBox()->ClientWidth(), 3 * h}));
}

TEST_F(ComboBoxTest, FreedInItsOwnCloseUp) {
  cb->OnCloseUp = [this](TObject*) { delete cb; };
  ClickButton();
  const RECT lr = ListRect();
  ClickScreen(TPoint{lr.Left + 5, lr.Top + 3});
  EXPECT_EQ(form->ControlCount(), 0);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ComboBoxTest, SimpleStyleKeepsItsListBelowTheEdit) {
  cb->SetStyle(csSimple);
  cb->SetBounds(10, 10, 150, 120);
  s.display.RunUntilIdle();
  COMBOBOXINFO info;
  GetComboBoxInfo(cb->Handle(), &info);
  EXPECT_EQ(info.stateButton, STATE_SYSTEM_INVISIBLE);
  EXPECT_TRUE(IsChild(cb->Handle(), info.hwndList));
  EXPECT_TRUE(IsWindowVisible(info.hwndList));
  RECT lr{};
  GetWindowRect(info.hwndList, &lr);
  log.clear();
  ClickScreen(TPoint{lr.Left + 5, lr.Top + 2 * cb->ItemHeight() + 2});
  EXPECT_EQ(cb->Text(), "Choice 2");
  EXPECT_EQ(log, (std::vector<std::string>{"CBN1", "OnClick", "OnSelect:Choice 2"}));
  EXPECT_FALSE(cb->DroppedDown());
}

TEST_F(ComboBoxTest, EditPartIsAnEditWithClipboardUndoAndMouseSelection) {
  auto ctrl = [this](int vk) {
    s.display.KeyDown(VK_CONTROL);
    s.display.KeyPress(vk);
    s.display.KeyUp(VK_CONTROL);
    s.display.RunUntilIdle();
  };
  for (TComboBoxStyle style : {csDropDown, csSimple}) {
    SCOPED_TRACE(int(style));
    cb->SetStyle(style);
    if (style == csSimple) cb->SetBounds(10, 10, 150, 120);
    cb->SetText("Choice 3");
    s.display.RunUntilIdle();
    COMBOBOXINFO info;
    ASSERT_TRUE(GetComboBoxInfo(cb->Handle(), &info));
    auto* edit = dynamic_cast<TCustomEdit*>(FindControl(info.hwndItem));
    ASSERT_NE(edit, nullptr);

    // A drag across the field selects the text it passes.
    RECT er{};
    GetWindowRect(info.hwndItem, &er);
    const int y = (er.Top + er.Bottom) / 2;
    s.display.MouseDown(er.Left + 1, y);
    s.display.MouseMove(er.Right - 2, y);
    s.display.MouseUp(er.Right - 2, y);
    s.display.RunUntilIdle();
    s.clock.Advance(1000);
    EXPECT_EQ(GetFocus(), info.hwndItem);
    EXPECT_EQ(cb->SelStart(), 0);
    EXPECT_EQ(cb->SelLength(), 8);

    ctrl('C');
    EXPECT_EQ(ClipboardText(), "Choice 3");
    SendMessage(cb->Handle(), CB_SETEDITSEL, 0, MAKELPARAM(7, 8));
    log.clear();
    ctrl('V');  // no completion from a paste
    EXPECT_EQ(cb->Text(), "Choice Choice 3");
    EXPECT_EQ(cb->ItemIndex(), -1);
    EXPECT_EQ(log, (std::vector<std::string>{"CBN5", "OnChange:Choice Choice 3"}));

    log.clear();
    ctrl('Z');
    EXPECT_EQ(cb->Text(), "Choice 3");
    EXPECT_EQ(cb->ItemIndex(), 3);
    EXPECT_EQ(log, (std::vector<std::string>{"CBN5", "OnChange:Choice 3"}));

    SendMessage(cb->Handle(), CB_SETEDITSEL, 0, MAKELPARAM(0, 7));
    ctrl('X');
    EXPECT_EQ(cb->Text(), "3");
    EXPECT_EQ(ClipboardText(), "Choice ");
  }
  // Its context menu is the edit's.
  TCustomEdit* asked = nullptr;
  auto saved = EditContextMenuHook;
  EditContextMenuHook = [&](TCustomEdit* e, TPoint) {
    asked = e;
    return true;
  };
  s.display.KeyPress(VK_APPS);
  s.display.RunUntilIdle();
  EditContextMenuHook = saved;
  EXPECT_EQ(asked, FindControl(cb->ComboBoxInfo().hwndItem));
}

}  // namespace
