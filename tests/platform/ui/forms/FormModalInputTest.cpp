// While a modal form shows, its owner and everything inside the owner take
// no mouse or keyboard input; a press there beeps and flashes the modal form.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/ui/controls/StdCtrls.h"
#include "platform/ui/edits/Edit.h"
#include "tests/platform/ui/FormTestFixture.h"

namespace {

class FormModalInputTest : public FormsTest {
 public:
  TForm* owner = nullptr;
  TButton* button = nullptr;
  TEdit* edit = nullptr;
  TForm* dialog = nullptr;
  TEdit* dialogEdit = nullptr;
  int clicks = 0;
  std::vector<bool> captions;  // WM_NCACTIVATE states the dialog was sent

  void SetUp() override {
    owner = NewForm(100, 100, 400, 300);
    button = new TButton(owner);
    button->SetParent(owner);
    button->SetBounds(20, 20, 100, 30);
    button->OnClick = [this](TObject*) { ++clicks; };
    edit = new TEdit(owner);
    edit->SetParent(owner);
    edit->SetBounds(20, 80, 200, 24);
    owner->Show();
    dialog = NewForm(600, 100, 240, 160);
    dialogEdit = new TEdit(dialog);
    dialogEdit->SetParent(dialog);
    dialogEdit->SetBounds(10, 10, 200, 24);
    dialog->SetActiveControl(dialogEdit);
    TWndMethod previous = dialog->WindowProc;
    dialog->WindowProc = TWndMethod::FromFunction(
        [this, previous](TMessage& m) {
          if (m.Msg == WM_NCACTIVATE) captions.push_back(m.WParam != 0);
          previous(m);
        },
        this);
    s.display.RunUntilIdle();
  }

  TPoint Centre(TControl* c) { return c->ClientToScreen(TPoint{c->Width() / 2, c->Height() / 2}); }
};

TEST_F(FormModalInputTest, OwnerControlsGetNoInputWhileTheDialogShows) {
  struct TCase {
    const char* name;
    std::function<TControl*(FormModalInputTest&)> target;
  };
  const TCase cases[] = {
      {"button", [](FormModalInputTest& t) -> TControl* { return t.button; }},
      {"edit", [](FormModalInputTest& t) -> TControl* { return t.edit; }},
      {"owner's own client area", [](FormModalInputTest& t) -> TControl* { return t.owner; }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TControl* target = c.target(*this);
    const TPoint at = target == owner ? owner->ClientToScreen(TPoint{300, 250}) : Centre(target);
    int beeps = 0;
    bool ownerActive = true, dialogActive = false;
    HWND focus = nullptr;
    int flashing = 0;
    captions.clear();
    After(50, [&] {
      beeps = MessageBeepCount();
      s.display.Click(at.X, at.Y);
      s.display.Text("typed");
    });
    After(60, [&] {
      beeps = MessageBeepCount() - beeps;
      ownerActive = GetActiveWindow() == owner->Handle();
      dialogActive = GetActiveWindow() == dialog->Handle();
      focus = GetFocus();
      flashing = RunningFlashes();
    });
    std::vector<bool> shown;
    After(1000, [&] {
      shown = captions;
      dialog->SetModalResult(mrCancel);
    });
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(edit->Text(), "");
    EXPECT_EQ(beeps, 1);
    EXPECT_FALSE(ownerActive);
    EXPECT_TRUE(dialogActive);
    EXPECT_EQ(focus, dialogEdit->Handle());
    EXPECT_EQ(dialogEdit->Text(), "typed");
    dialogEdit->SetText("");
    // The dialog's caption flashed, then showed it active again.
    EXPECT_EQ(flashing, 1);
    EXPECT_GE(std::count(shown.begin(), shown.end(), false), 2);
    ASSERT_FALSE(shown.empty());
    EXPECT_TRUE(shown.back());
    EXPECT_EQ(RunningFlashes(), 0);
  }
  // Once the dialog is gone the owner's controls work again.
  s.display.RunUntilIdle();
  const TPoint b = Centre(button);
  s.display.Click(b.X, b.Y);
  s.display.RunUntilIdle();
  EXPECT_EQ(clicks, 1);
}

TEST_F(FormModalInputTest, NothingInsideTheDisabledOwnerTakesTheFocus) {
  HWND refused = reinterpret_cast<HWND>(1);
  After(50, [&] {
    refused = SetFocus(edit->Handle());
    s.display.Text("x");
  });
  After(100, [&] { dialog->SetModalResult(mrOk); });
  EXPECT_EQ(dialog->ShowModal(), mrOk);
  EXPECT_EQ(refused, nullptr);
  EXPECT_EQ(edit->Text(), "");
  EXPECT_EQ(dialogEdit->Text(), "x");
}

}  // namespace
