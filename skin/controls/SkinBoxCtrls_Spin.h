// The spin edit (a numeric field with two spin buttons, its text held by an
// inner TspSkinNumEdit) and the up-down (the two buttons alone, holding an
// integer Position). Both share one button mechanism: a press steps on
// release, a held button repeats on window timer 1 after 500 ms, then every
// 100 ms, every 50 ms after the pointer has left it and come back.
#pragma once
#include <array>
#include <cstdint>
#include <functional>

#include "platform/ui/controls/UpDown.h"
#include "skin/controls/SkinBoxCtrls.h"
#include "skin/controls/SkinCtrls.h"

struct TspSpinButton {
  TRect R;
  bool hot = false;
  bool down = false;
};

// The pair of buttons: 0 steps up, 1 steps down.
class TspSpinButtons {
 public:
  explicit TspSpinButtons(TWinControl* owner) : owner_(owner) {}
  std::array<TspSpinButton, 2> B;
  int PrevHot = -1, Hot = -1, Pressed = -1;
  int RepeatDirection = 0;  // 0 none, 1 down, 2 up
  bool FirstTick = false;
  // The up-down steps wherever the mouse is released.
  bool StepWhereReleased = false;
  // A press starts the repeat timer (the up-down's Increment 0 does not).
  std::function<bool()> CanRepeat = [] { return true; };
  // Steps the button's way; click: a click step (its callback fires).
  std::function<void(int button, bool click)> Step;

  void TrackMouse(int X, int Y);
  void MouseDown(int X, int Y);
  void MouseUp();
  // WM_TIMER of timer 1.
  void Tick();
  // The pointer left the control: hot buttons lose it, a held one stops repeating.
  void ClearHot();

 private:
  void Enter(int i);
  void Leave(int i);
  void StartTimer(UINT ms);
  void StopTimer();
  TWinControl* owner_;
};

constexpr std::uintptr_t kSpinTimer = 1;

// ---- The inner edit ------------------------------------------------------------------
class TspSkinNumEdit : public TspCustomEdit {
 public:
  explicit TspSkinNumEdit(TComponent* AOwner) : TspCustomEdit(AOwner) {}
  std::string ClassName() const override { return "TspSkinNumEdit"; }
  std::function<void()> OnStepUp, OnStepDown, OnMouseIn, OnMouseOut;
  bool EditorEnabled = true;
  bool FloatMode = false;
  void Dispatch(TMessage& Message) override;

 protected:
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(std::string& Key) override;
  void MouseEnter() override;
  void MouseLeave() override;
  // A disabled editor refuses every change as ReadOnly does.
  bool Locked() const override { return ReadOnly() || !EditorEnabled; }
};

// ---- TspSkinSpinEdit -----------------------------------------------------------------
class TspSkinSpinEdit : public TspSkinCustomControl {
 public:
  explicit TspSkinSpinEdit(TComponent* AOwner);
  ~TspSkinSpinEdit() override;
  std::string ClassName() const override { return "TspSkinSpinEdit"; }

  TNotifyEvent OnUpButtonClick, OnDownButtonClick, OnChange;
  TKeyEvent OnEditKeyDown, OnEditKeyUp;
  TKeyPressEvent OnEditKeyPress;
  TNotifyEvent OnEditEnter, OnEditExit;
  bool UseSkinSize = true;
  double Increment = 1.0;

  TColor DefaultColor() const { return defaultColor_; }
  void SetDefaultColor(TColor v);
  Byte Decimal() const { return decimal_; }
  void SetDecimal(Byte v) { decimal_ = v; }
  double MinValue() const { return minValue_; }
  void SetMinValue(double v);
  double MaxValue() const { return maxValue_; }
  void SetMaxValue(double v);
  TspValueType ValueType() const { return valueType_; }
  void SetValueType(TspValueType v);
  double Value() const { return value_; }
  void SetValue(double x);
  bool EditorEnabled() const { return edit_->EditorEnabled; }
  void SetEditorEnabled(bool v) { edit_->EditorEnabled = v; }
  int MaxLength() const { return edit_->MaxLength(); }
  void SetMaxLength(int v) { edit_->SetMaxLength(v); }
  TspSkinNumEdit* Edit() const { return edit_; }

  // Both bounds 0: no range.
  double ClampValue(double x) const;
  std::string FormatValue(double v) const;
  void StepUp();
  void StepDown();

  // State, read by tests.
  const TspSpinButtons& Buttons() const { return buttons_; }
  bool MouseOver() const { return mouseOver_; }

  void GetSkinData() override;
  void ChangeSkinData() override;
  void CalcSize(int& W, int& H) override;
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void Invalidate() override;
  void Dispatch(TMessage& Message) override;

 protected:
  virtual void Change();
  void CreateWnd() override;
  void CreateControlDefaultImage(TBitmap* B) override;
  void CreateControlSkinImage(TBitmap* B) override;
  void FontChanged() override;
  void SetControlRegion() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

 private:
  void LayoutEdit();
  void AdjustEditHeight();
  void EditChanged();
  void TextChanged();
  void ActiveLook(bool over);
  void ApplyEditColor();
  bool ActiveState() const { return mouseOver_ || editFocused_; }
  void DrawDefaultButton(TCanvas* C, int i);

  TspSkinNumEdit* edit_;
  TspSpinButtons buttons_;
  TColor defaultColor_ = clWindow;
  bool mouseOver_ = false, editFocused_ = false;
  bool updatingText_ = false, textFromEdit_ = false;
  Byte decimal_ = 2;
  double minValue_ = 0, maxValue_ = 0, value_ = 0;
  TspValueType valueType_ = vtInteger;
  bool erasing_ = false;
  // Copies of the description.
  bool described_ = false;
  TRect activeSkinRect_;
  std::string fontName_;
  TFontStyles fontStyle_ = 0;
  int fontHeight_ = 14;
  TColor fontColor_ = 0, disabledFontColor_ = 0, activeFontColor_ = 0;
  TRect upRect_, activeUpRect_, downUpRect_, downRect_, activeDownRect_, downDownRect_;
  int leftWidth_ = 0, rightWidth_ = 0;
};

// ---- TspSkinUpDown -------------------------------------------------------------------
class TspSkinUpDown : public TspSkinCustomControl {
 public:
  explicit TspSkinUpDown(TComponent* AOwner);
  ~TspSkinUpDown() override;
  std::string ClassName() const override { return "TspSkinUpDown"; }

  bool UseSkinSize = true;
  TNotifyEvent OnUpButtonClick, OnDownButtonClick, OnChange;
  TUDOrientation Orientation() const { return orientation_; }
  void SetOrientation(TUDOrientation v);
  int Increment() const { return increment_; }
  void SetIncrement(int v) { increment_ = v; }
  int Position() const { return position_; }
  // Ignores values outside [Min, Max]; fires OnChange for any other.
  void SetPosition(int v);
  int Min() const { return min_; }
  void SetMin(int v);
  int Max() const { return max_; }
  void SetMax(int v);
  const TspSpinButtons& Buttons() const { return buttons_; }

  void GetSkinData() override;
  void CalcSize(int& W, int& H) override;
  void Dispatch(TMessage& Message) override;

 protected:
  void CreateControlDefaultImage(TBitmap* B) override;
  void CreateControlSkinImage(TBitmap* B) override;
  void SetControlRegion() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

 private:
  void LayoutButtons();
  TspSpinButtons buttons_;
  TUDOrientation orientation_ = udHorizontal;
  int increment_ = 1, position_ = 0, min_ = 0, max_ = 100;
  TRect upRect_, activeUpRect_, downUpRect_, downRect_, activeDownRect_, downDownRect_;
};
