// The numeric edit: a double Value kept in step with the typed text, the
// key filter, Up and Down stepping and the canonical text on leaving.
#include "platform/user/User.h"
#include "skin/controls/SkinBoxCtrls.h"

namespace {

// The first code point of a key press (UTF-8); 0 for an empty key.
char32_t FirstCodePoint(const std::string& s) {
  if (s.empty()) return 0;
  const auto b = static_cast<unsigned char>(s[0]);
  if (b < 0x80) return b;
  // Anything beyond ASCII is neither a digit, a sign nor the separator.
  return 0x80;
}

}  // namespace

TspSkinNumericEdit::TspSkinNumericEdit(TComponent* AOwner) : TspSkinCustomEdit(AOwner) {
  updatingText_ = true;
  SetText("0");
  updatingText_ = false;
  SetBounds(Left(), Top(), 120, 20);
  SetSkinDataName("edit");
}

double TspSkinNumericEdit::ClampValue(double x) const {
  if (minValue_ == maxValue_) return x;
  if (x < minValue_) return minValue_;
  if (x > maxValue_) return maxValue_;
  return x;
}

std::string TspSkinNumericEdit::FormatValue(double v) const { return spnumber::FormatValue(v, valueType_, decimal_); }

void TspSkinNumericEdit::SetValue(double x) {
  value_ = ClampValue(x);
  updatingText_ = true;
  SetText(FormatValue(value_));
  updatingText_ = false;
}

void TspSkinNumericEdit::Change() {
  if (rewritingText_) return;
  if (!updatingText_) {
    const std::string s = Text();
    double x = 0;
    // A text the conversion refuses ("-.", a number beyond the integer
    // range) counts as no number yet: the value stays, nothing is rewritten.
    if (spnumber::IsValidNumberText(s, valueType_) && spnumber::ConvertNumberText(s, valueType_, x)) {
      const double v = ClampValue(x);
      if (v != value_) value_ = v;
      if (spnumber::MustRewriteText(v, x, minValue_, maxValue_)) {
        rewritingText_ = true;
        SetText(FormatValue(v));
        rewritingText_ = false;
      }
    }
  }
  TspSkinCustomEdit::Change();
}

void TspSkinNumericEdit::KeyDown(Word& Key, TShiftState Shift) {
  TspSkinCustomEdit::KeyDown(Key, Shift);
  if (!SupportUpDownKeys) return;
  if (Key == VK_UP)
    SetValue(value_ + Increment);
  else if (Key == VK_DOWN)
    SetValue(value_ - Increment);
}

void TspSkinNumericEdit::KeyPress(std::string& Key) {
  if (!Key.empty() && !spnumber::IsValidChar(FirstCodePoint(Key), Text(), valueType_, ReadOnly())) {
    Key.clear();
    MessageBeep(0);
  }
  TspSkinCustomEdit::KeyPress(Key);
}

void TspSkinNumericEdit::Dispatch(TMessage& Message) {
  if (Message.Msg != WM_KILLFOCUS) {
    TspSkinCustomEdit::Dispatch(Message);
    return;
  }
  auto alive = AliveToken();
  TspSkinCustomEdit::Dispatch(Message);
  if (!*alive || (ComponentState() & csDestroying)) return;
  updatingText_ = true;
  SetText(FormatValue(value_));
  updatingText_ = false;
  if (valueType_ != vtFloat) return;
  double shown = 0;
  if (spnumber::ConvertNumberText(Text(), vtFloat, shown) && shown != value_) {
    value_ = shown;
    if (OnChange) OnChange(this);
  }
}
