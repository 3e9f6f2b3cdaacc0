// Standard controls drawn in the classic look: the label, the group box,
// the push button, the check box and the radio button.
//
// Buttons draw themselves (no native button class). A check box or radio
// button changes on the release of a left press over it, on Space, and on
// its accelerator; every change of state, by the user or by code, fires
// OnClick. A push button's Click sets the ModalResult of the form it sits on
// before OnClick runs; Enter presses the form's active button (the focused
// button, or the Default one when the focus is not on a button) and Esc
// the Cancel button.
#pragma once
#include <string>

#include "platform/ui/controls/Controls.h"
#include "platform/ui/forms/Forms.h"

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
using TLeftRight = TAlignment;  // taLeftJustify or taRightJustify
enum TTextLayout { tlTop, tlCenter, tlBottom };
// Controls take only bsNone or bsSingle of the form's border styles.
using TBorderStyle = TFormBorderStyle;

// DT_LEFT, DT_RIGHT or DT_CENTER.
UINT AlignmentToDrawTextFlag(TAlignment a);

// ---- Label ------------------------------------------------------------------------
class TCustomLabel : public TGraphicControl {
 public:
  explicit TCustomLabel(TComponent* AOwner);
  ~TCustomLabel() override;
  std::string ClassName() const override { return "TCustomLabel"; }

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout v);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool v);
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool v);
  // Takes the focus when the label's accelerator is pressed.
  TWinControl* FocusControl() const { return focusControl_; }
  void SetFocusControl(TWinControl* v);
  // A transparent label paints only its text over what lies behind it.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);
  void SetAutoSize(bool v) override;
  // Goes through AdjustBounds, so every automatic resize keeps the right
  // edge of a right-aligned label.
  void AdjustSize() override;
  void Dispatch(TMessage& Message) override;

 protected:
  virtual std::string GetLabelText() const { return Caption(); }
  // Draws (or, with DT_CALCRECT, measures) the label's text in Rect with the
  // canvas font; skinned labels override it to draw their own way.
  virtual void DoDrawText(TRect& Rect, UINT Flags);
  // Resizes the label to its text when AutoSize is on (keeping the right
  // edge of a right-aligned label).
  virtual void AdjustBounds();
  bool CanAutoSize(int& NewWidth, int& NewHeight) override;
  void Paint() override;
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  UINT TextFlags() const;
  // The text's size when laid out in a label `width` wide.
  TSize MeasureText(int width);
  TAlignment alignment_ = taLeftJustify;
  TTextLayout layout_ = tlTop;
  bool wordWrap_ = false;
  bool showAccelChar_ = true;
  bool transparent_ = false;
  bool adjusting_ = false;
  TWinControl* focusControl_ = nullptr;
};

class TLabel : public TCustomLabel {
 public:
  explicit TLabel(TComponent* AOwner) : TCustomLabel(AOwner) {}
  std::string ClassName() const override { return "TLabel"; }
};

// ---- Static text ------------------------------------------------------------------
// A label with a window of its own: it shows over sibling windows beneath it
// (a dialog's hook window, for one) where a graphic label would be hidden.
class TCustomStaticText : public TCustomControl {
 public:
  explicit TCustomStaticText(TComponent* AOwner);
  std::string ClassName() const override { return "TCustomStaticText"; }
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool v);
  // Takes the focus when the text's accelerator is pressed.
  TWinControl* FocusControl() const { return focusControl_; }
  void SetFocusControl(TWinControl* v);
  void Dispatch(TMessage& Message) override;

 protected:
  void Paint() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TAlignment alignment_ = taLeftJustify;
  bool showAccelChar_ = true;
  TWinControl* focusControl_ = nullptr;
};

class TStaticText : public TCustomStaticText {
 public:
  explicit TStaticText(TComponent* AOwner) : TCustomStaticText(AOwner) {}
  std::string ClassName() const override { return "TStaticText"; }
};

// ---- Group box ----------------------------------------------------------------------
class TCustomGroupBox : public TCustomControl {
 public:
  explicit TCustomGroupBox(TComponent* AOwner);
  std::string ClassName() const override { return "TCustomGroupBox"; }
  void AdjustClientRect(TRect& Rect) override;
  void Dispatch(TMessage& Message) override;

 protected:
  void Paint() override;
};

class TGroupBox : public TCustomGroupBox {
 public:
  explicit TGroupBox(TComponent* AOwner) : TCustomGroupBox(AOwner) {}
  std::string ClassName() const override { return "TGroupBox"; }
};

// ---- Buttons ----------------------------------------------------------------------------
// What the button kinds share: the pressed look while a left press or Space
// is held on them, and WM_GETDLGCODE.
class TButtonControl : public TCustomControl {
 public:
  explicit TButtonControl(TComponent* AOwner);
  std::string ClassName() const override { return "TButtonControl"; }
  void Dispatch(TMessage& Message) override;
  // Held down (mouse over it with the button pressed, or Space held).
  bool Pressed() const { return pressed_; }

 protected:
  // What a completed press does (toggle, check); TButton uses Click.
  virtual void ButtonPressed() {}
  bool ClicksDisabled = false;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyUp(Word& Key, TShiftState Shift) override;
  // Pushed state changes repaint at once.
  void SetPressed(bool v);
  // Draws the caption beside a glyph, with the focus rectangle round it.
  void PaintCaptionBeside(const TRect& textArea, TAlignment align);
  // Set by a press with the mouse; the release inside completes it.
  bool mouseDown_ = false;
  bool spaceDown_ = false;

 private:
  bool pressed_ = false;
};

class TButton : public TButtonControl {
 public:
  explicit TButton(TComponent* AOwner);
  std::string ClassName() const override { return "TButton"; }

  bool Default() const { return default_; }
  void SetDefault(bool v);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool v) { cancel_ = v; }
  TModalResult ModalResult = mrNone;
  // Shows the default look: the focused button, else the Default one when
  // the focus is on no button.
  bool Active() const;
  // Sets the form's ModalResult, then runs OnClick.
  void Click() override;
  void Dispatch(TMessage& Message) override;

 protected:
  void ButtonPressed() override;
  void Paint() override;

 private:
  bool default_ = false;
  bool cancel_ = false;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TCustomCheckBox : public TButtonControl {
 public:
  explicit TCustomCheckBox(TComponent* AOwner);
  std::string ClassName() const override { return "TCustomCheckBox"; }

  TCheckBoxState State() const { return state_; }
  void SetState(TCheckBoxState v);
  bool Checked() const { return state_ == cbChecked; }
  void SetChecked(bool v) { SetState(v ? cbChecked : cbUnchecked); }
  bool AllowGrayed() const { return allowGrayed_; }
  void SetAllowGrayed(bool v) { allowGrayed_ = v; }
  // taRightJustify: box on the left, caption to its right.
  TLeftRight Alignment() const { return alignment_; }
  void SetAlignment(TLeftRight v);
  void Dispatch(TMessage& Message) override;

 protected:
  // Unchecked, grayed (when allowed), checked, unchecked...
  virtual void Toggle();
  void ButtonPressed() override { Toggle(); }
  void Paint() override;

 private:
  TCheckBoxState state_ = cbUnchecked;
  bool allowGrayed_ = false;
  TLeftRight alignment_ = taRightJustify;
};

class TCheckBox : public TCustomCheckBox {
 public:
  explicit TCheckBox(TComponent* AOwner) : TCustomCheckBox(AOwner) {}
  std::string ClassName() const override { return "TCheckBox"; }
};

class TRadioButton : public TButtonControl {
 public:
  explicit TRadioButton(TComponent* AOwner);
  std::string ClassName() const override { return "TRadioButton"; }

  bool Checked() const { return checked_; }
  // Checking unchecks the other radio buttons of the same parent; OnClick
  // runs when the button becomes checked.
  void SetChecked(bool v);
  TLeftRight Alignment() const { return alignment_; }
  void SetAlignment(TLeftRight v);
  void Dispatch(TMessage& Message) override;
  // Keeps the tab stops of the old and the new group right.
  void SetParent(TWinControl* AParent) override;

 protected:
  void ButtonPressed() override { SetChecked(true); }
  void Paint() override;

 private:
  bool checked_ = false;
  TLeftRight alignment_ = taRightJustify;
};
