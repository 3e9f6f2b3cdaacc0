// The plain message dialog: MessageDlg, ShowMessage and the message box the
// application's default exception handler shows. One modal form per call,
// with a type glyph, the text and a centred row of buttons; Enter presses
// the default button, Esc the cancel button.
#pragma once
#include <initializer_list>
#include <string>

#include "platform/ui/forms/Forms.h"

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };

// A set of buttons: MessageDlg(text, mtWarning, {mbYes, mbNo}, 0).
class TMsgDlgButtons {
 public:
  TMsgDlgButtons() = default;
  TMsgDlgButtons(std::initializer_list<TMsgDlgBtn> list) {
    for (TMsgDlgBtn b : list) bits_ |= 1u << b;
  }
  TMsgDlgButtons(TMsgDlgBtn b) : bits_(1u << b) {}
  bool Contains(TMsgDlgBtn b) const { return (bits_ >> b) & 1u; }
  bool Empty() const { return bits_ == 0; }
  unsigned Bits() const { return bits_; }

 private:
  unsigned bits_ = 0;
};

inline const TMsgDlgButtons mbYesNo{mbYes, mbNo};
inline const TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
inline const TMsgDlgButtons mbOKCancel{mbOK, mbCancel};
inline const TMsgDlgButtons mbAbortRetryIgnore{mbAbort, mbRetry, mbIgnore};

// The dialog, not yet shown: the caller shows it modally and frees it.
// Buttons are named after the button ("Yes", "OK"...), the text label
// "Message".
TForm* CreateMessageDialog(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons);
// Shows the dialog modally and returns the modal result of the button pressed.
int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx);
void ShowMessage(const std::string& Msg);
// A message box in the same look: MB_OK... button sets and MB_ICON* glyphs;
// returns IDOK, IDCANCEL...
int PlainMessageBox(const std::string& Text, const std::string& Caption, UINT Flags);
