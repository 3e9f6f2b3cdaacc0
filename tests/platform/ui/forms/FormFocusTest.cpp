// What has the focus when a form or dialog opens: its active control when
// it names one, else its first tab stop, never the form itself.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/ui/controls/StdCtrls.h"
#include "platform/ui/edits/Edit.h"
#include "platform/ui/dialogs/ColorDialog.h"
#include "platform/ui/dialogs/Dialogs.h"
#include "platform/ui/dialogs/FontDialog.h"
#include "tests/platform/ui/FormTestFixture.h"

namespace {

class FormFocusTest : public FormsTest {
 protected:
  // A form whose first control in creation order is disabled, whose second
  // is no tab stop and whose tab order puts `third` before `second`.
  struct TTabForm {
    TForm* form;
    TEdit* disabled;
    TButton* noTabStop;
    TEdit* second;
    TEdit* third;
  };
  TTabForm MakeTabForm() {
    TTabForm t{NewForm(), nullptr, nullptr, nullptr, nullptr};
    auto add = [&](auto* c, int top) {
      c->SetParent(t.form);
      c->SetBounds(10, top, 100, 22);
      return c;
    };
    t.disabled = add(new TEdit(t.form), 10);
    t.disabled->SetEnabled(false);
    t.noTabStop = add(new TButton(t.form), 40);
    t.noTabStop->SetTabStop(false);
    t.second = add(new TEdit(t.form), 70);
    t.third = add(new TEdit(t.form), 100);
    t.third->SetTabOrder(1);
    return t;
  }
  // The focus window's control name, as seen from inside a modal loop.
  static std::string FocusedName() {
    TWinControl* c = FindControl(GetFocus());
    if (!c) return "(none)";
    if (c == Screen->ActiveForm()) return "(the form)";
    return c->Name().empty() ? std::string(c->ClassName()) : c->Name();
  }
};

TEST_F(FormFocusTest, AShownFormFocusesItsFirstTabStop) {
  TTabForm t = MakeTabForm();
  t.form->Show();
  ProcessPendingMessages();
  EXPECT_EQ(GetFocus(), t.third->Handle());
  EXPECT_EQ(t.form->ActiveControl(), t.third);
  EXPECT_EQ(Screen->ActiveControl(), t.third);
}

TEST_F(FormFocusTest, ANamedActiveControlWins) {
  TTabForm t = MakeTabForm();
  t.form->SetActiveControl(t.second);
  t.form->Show();
  ProcessPendingMessages();
  EXPECT_EQ(GetFocus(), t.second->Handle());
}

TEST_F(FormFocusTest, AFormWithoutFocusableControlsKeepsTheFocusItself) {
  TForm* f = NewForm();
  auto* off = new TEdit(f);
  off->SetParent(f);
  off->SetEnabled(false);
  f->Show();
  ProcessPendingMessages();
  EXPECT_EQ(GetFocus(), f->Handle());
  EXPECT_EQ(f->ActiveControl(), nullptr);
}

TEST_F(FormFocusTest, ModalFormsAndDialogsOpenWithAControlFocused) {
  NewForm()->Show();  // the main form, behind every dialog
  struct TCase {
    const char* name;
    std::function<void()> run;  // opens the dialog; the check closes it
  };
  std::string seen;
  auto check = [&] {
    After(100, [&] {
      seen = FocusedName();
      if (TCustomForm* f = Screen->ActiveForm()) f->SetModalResult(mrCancel);
    });
  };
  const TCase cases[] = {
      {"modal form", [&] {
         TTabForm t = MakeTabForm();
         t.third->SetName("third");
         check();
         t.form->ShowModal();
       }},
      {"colour dialog", [&] {
         COLORREF custom[16] = {};
         CHOOSECOLOR cc;
         cc.lpCustColors = custom;
         check();
         ChooseColor(&cc);
       }},
      {"font dialog", [&] {
         LOGFONT lf;
         CHOOSEFONT cf;
         cf.lpLogFont = &lf;
         check();
         ChooseFont(&cf);
       }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    seen.clear();
    c.run();
    EXPECT_NE(seen, "");
    EXPECT_NE(seen, "(the form)");
    EXPECT_NE(seen, "(none)");
    if (std::string(c.name) == "modal form") EXPECT_EQ(seen, "third");
  }
}

}  // namespace
