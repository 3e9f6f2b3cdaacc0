#include <gtest/gtest.h>

#include "tests/platform/ui/FormTestFixture.h"
#include "platform/ui/dialogs/Dialogs.h"
#include "platform/ui/controls/StdCtrls.h"

namespace {

class DialogsTest : public FormsTest {
 protected:
  // Runs fn on the dialog once it is up (the active form, 100 ms in).
  void OnDialog(std::function<void(TForm* dialog)> fn) {
    After(100, [fn] {
      TForm* dialog = Screen->ActiveForm();
      ASSERT_NE(dialog, nullptr);
      ASSERT_TRUE(dialog->Modal());
      fn(dialog);
    });
  }
  static TButton* ButtonOf(TForm* dialog, const char* name) { return dynamic_cast<TButton*>(dialog->FindComponent(name)); }
};

TEST_F(DialogsTest, ReturnsTheResultOfTheButtonPressed) {
  struct TCase {
    TMsgDlgButtons buttons;
    const char* press;
    int result;
  };
  const TCase cases[] = {
      {mbYesNo, "Yes", mrYes},       {mbYesNo, "No", mrNo},         {TMsgDlgButtons{mbOK}, "OK", mrOk},
      {mbOKCancel, "Cancel", mrCancel}, {mbAbortRetryIgnore, "Ignore", mrIgnore},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.press);
    OnDialog([&](TForm* d) {
      TButton* b = ButtonOf(d, c.press);
      ASSERT_NE(b, nullptr);
      TPoint p = b->ClientToScreen(TPoint{5, 5});
      s.display.Click(p.X, p.Y);
    });
    EXPECT_EQ(MessageDlg("Question?", mtConfirmation, c.buttons, 0), c.result);
  }
}

TEST_F(DialogsTest, EnterPressesTheDefaultButtonAndEscTheCancelButton) {
  struct TCase {
    TMsgDlgButtons buttons;
    int key;
    int result;
  };
  const TCase cases[] = {
      {mbYesNo, VK_RETURN, mrYes}, {mbYesNo, VK_ESCAPE, mrNo}, {mbOKCancel, VK_RETURN, mrOk},
      {mbOKCancel, VK_ESCAPE, mrCancel}, {TMsgDlgButtons{mbOK}, VK_ESCAPE, mrOk},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.key);
    OnDialog([&](TForm*) { s.display.KeyPress(c.key); });
    EXPECT_EQ(MessageDlg("Go on?", mtWarning, c.buttons, 0), c.result);
  }
}

TEST_F(DialogsTest, CaptionsButtonsAndTextOfTheDialog) {
  struct TCase {
    TMsgDlgType type;
    const char* caption;
  };
  app.SetTitle("Lumiqa");
  for (TCase c : {TCase{mtWarning, "Warning"}, TCase{mtError, "Error"}, TCase{mtInformation, "Information"},
                  TCase{mtConfirmation, "Confirm"}, TCase{mtCustom, "Lumiqa"}}) {
    std::unique_ptr<TForm> d(CreateMessageDialog("Line one\nLine two", c.type, mbYesNoCancel));
    EXPECT_EQ(d->Caption(), c.caption);
    EXPECT_EQ(d->BorderStyle(), bsDialog);
    EXPECT_EQ(d->Position(), poScreenCenter);
    TButton* yes = ButtonOf(d.get(), "Yes");
    TButton* no = ButtonOf(d.get(), "No");
    TButton* cancel = ButtonOf(d.get(), "Cancel");
    ASSERT_TRUE(yes && no && cancel);
    EXPECT_EQ(ButtonOf(d.get(), "OK"), nullptr);
    EXPECT_TRUE(yes->Default());
    EXPECT_TRUE(cancel->Cancel());
    EXPECT_EQ(yes->Caption(), "&Yes");
    // One row, left to right in button order, inside the client area.
    EXPECT_EQ(yes->Top(), cancel->Top());
    EXPECT_LT(yes->Left(), no->Left());
    EXPECT_LT(no->Left(), cancel->Left());
    EXPECT_LE(cancel->Left() + cancel->Width(), d->ClientWidth());
    auto* label = dynamic_cast<TLabel*>(d->FindComponent("Message"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->Caption(), "Line one\nLine two");
    EXPECT_LT(label->Top() + label->Height(), yes->Top());
  }
}

TEST_F(DialogsTest, ShowMessageUsesTheTitleAndAnOKButton) {
  app.SetTitle("Lumiqa");
  std::string caption;
  OnDialog([&](TForm* d) {
    caption = d->Caption();
    ASSERT_NE(ButtonOf(d, "OK"), nullptr);
    d->SetModalResult(mrOk);
  });
  ShowMessage("Saved");
  EXPECT_EQ(caption, "Lumiqa");
  EXPECT_EQ(Screen->CustomFormCount(), 0);  // freed after use
}

TEST_F(DialogsTest, MessageBoxFlagsChooseButtonsAndGlyph) {
  OnDialog([&](TForm* d) {
    EXPECT_EQ(d->Caption(), "Title");
    EXPECT_NE(d->FindComponent("Image"), nullptr);
    EXPECT_NE(ButtonOf(d, "Retry"), nullptr);
    ASSERT_NE(ButtonOf(d, "Cancel"), nullptr);
    d->SetModalResult(mrRetry);
  });
  EXPECT_EQ(app.MessageBox("Try again?", "Title", MB_RETRYCANCEL | MB_ICONQUESTION), IDRETRY);
}

TEST_F(DialogsTest, HelpButtonAsksForTheHelpContext) {
  OnDialog([&](TForm* d) {
    ButtonOf(d, "Help")->Click();
    EXPECT_TRUE(d->Modal());  // the help button does not close
    d->SetModalResult(mrOk);
  });
  MessageDlg("Help?", mtInformation, {mbOK, mbHelp}, 42);
  EXPECT_EQ(app.LastHelpContext(), 42);
}

}  // namespace
