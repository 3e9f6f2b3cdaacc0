// The themed button family: a picture-driven base (TkzuCustomButton), its
// two-state branch with the check box and the radio button, the push button
// that stretches its look's picture by nine parts, and the image button.
//
// Every paint goes through one off-screen bitmap: background (the parent's
// pixels when Transparent, else Color), the state's picture, the focus mark,
// the caption. The state's picture is loaded by resource name on each paint;
// a picture that cannot be loaded paints as an empty 74 x 21 picture.
//
// Input: the left button, or Space or Enter on the focused control, holds
// the pressed look; the release over the control (or the key's release)
// clicks. A click of a two-state button takes the focus, toggles, then runs
// OnClick; so one click is one toggle and one OnClick, by mouse, key or
// accelerator. Events of a mouse click come as OnMouseDown, OnClick,
// OnMouseUp.
#pragma once
#include <memory>
#include <string>

#include "platform/ui/controls/ButtonLayout.h"
#include "platform/ui/controls/Controls.h"
#include "platform/ui/forms/Forms.h"
#include "themed/core/KZUThemes.h"

class TTimer;
class TPicture;

// Resource names of the buttons' pictures; ResHandle nullptr means this
// program's own resources.
using TkzuResHandle = HINSTANCE;

using TkzuButtonLayout = TButtonLayout;

class TkzuCustomButton : public TCustomControl, public TkzuLookTarget {
 public:
  explicit TkzuCustomButton(TComponent* AOwner);
  ~TkzuCustomButton() override;
  std::string ClassName() const override { return "TkzuCustomButton"; }

  // Resource names of the pictures: setters store and repaint (the normal
  // one also re-applies AutoSize).
  std::string PicNormalResName() const { return GetPicNormalResName(); }
  std::string PicMouseOnResName() const { return GetPicMouseOnResName(); }
  std::string PicMouseDownResName() const { return GetPicMouseDownResName(); }
  virtual void SetPicMouseDownResName(const std::string& v);
  virtual void SetPicMouseOnResName(const std::string& v);
  virtual void SetPicNormalResName(const std::string& v);
  virtual std::string GetPicMouseDownResName() const { return picMouseDown_; }
  virtual std::string GetPicMouseOnResName() const { return picMouseOn_; }
  virtual std::string GetPicNormalResName() const { return picNormal_; }

  // The button's own automatic size (from its picture or content), not the
  // framework's.
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v) override;
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);
  TkzuUIStyle UIStyle() const { return uiStyle_; }
  void SetUIStyle(TkzuUIStyle v);
  bool Default() const { return default_; }
  void SetDefault(bool v);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool v);
  void SetTabStop(bool v);
  void SetEnabled(bool v) override;
  // nullptr: this program's own resources.
  TkzuResHandle ResHandle() const { return resHandle_; }
  virtual void SetResHandle(TkzuResHandle v);

  TModalResult ModalResult = mrNone;
  // Pictures are drawn with their top-left pixel's colour left out.
  bool PictureTransparent = false;
  // Milliseconds between OnMouseContinuouslyDown calls while the left
  // button is held on the control.
  int MouseContinuouslyDownInterval = 100;
  TNotifyEvent OnMouseExit;
  TNotifyEvent OnMouseContinuouslyDown;

  // Visual state.
  bool MouseOver() const { return mouseOver_; }
  bool MouseIsDown() const { return mouseDown_; }

  void Click() override;
  void Dispatch(TMessage& Message) override;
  // Look pushed down by a container: kept while the look is Custom.
  void ApplyContainerUIStyle(TkzuUIStyle style) override;

 protected:
  // The captions of every button kind while disabled.
  static constexpr TColor DisabledTextColor = 0x808080;

  // ---- Slots, in the order the family fills them ----
  virtual void ApplyAutoSize();
  virtual void CaptionChanged() {}
  virtual void FontChanged();
  virtual void TransparentChanged();
  virtual void EnabledChanged() {}
  virtual void UIStyleChanged();
  virtual void DrawPicture(TCanvas* canvas, TBitmap* picture);
  virtual void DrawCaption(TCanvas* canvas, const std::string& caption);
  virtual void DrawFocus(TCanvas* canvas);
  virtual void GetNormalPicture(TBitmap* picture);
  virtual void GetMouseOnPicture(TBitmap* picture);
  virtual void GetMouseDownPicture(TBitmap* picture);
  virtual void GetDisabledPicture(TBitmap* picture);
  virtual void LoadUIStylePictures(TkzuUIStyle style) = 0;

  // Draws the picture through an image list (keyed by its top-left pixel
  // when PictureTransparent), dimmed unless enabled; nothing when missing.
  void DrawListPicture(TCanvas* canvas, TBitmap* picture, int x, int y, bool enabled);
  // Loads a picture by resource name from ResHandle.
  void LoadResPicture(const std::string& name, TBitmap* picture) const;
  // The stored names, whatever the virtual getters answer.
  const std::string& StoredNormalName() const { return picNormal_; }
  const std::string& StoredMouseOnName() const { return picMouseOn_; }
  const std::string& StoredMouseDownName() const { return picMouseDown_; }
  // Stores a name without the setter's side effects.
  void StoreNames(const std::string& normal, const std::string& mouseOn, const std::string& mouseDown);
  // Set while painting a picture that could not be loaded; DrawPicture then
  // draws nothing.
  bool PictureMissing() const { return pictureMissing_; }
  void StoreUIStyle(TkzuUIStyle v) { uiStyle_ = v; }

  void Paint() override;
  void SetTextBuf(const std::string& v) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyUp(Word& Key, TShiftState Shift) override;
  void SetMouseFlags(bool over, bool down);

 private:
  void FreeTimer();
  void CMDialogChar(TMessage& Message);
  void CMDialogKey(TMessage& Message);

  std::string picNormal_, picMouseDown_, picMouseOn_;
  bool autoSize_ = false;
  bool transparent_ = false;
  bool default_ = false;
  bool cancel_ = false;
  TkzuUIStyle uiStyle_ = TkzuUIStyle::Custom;
  TkzuResHandle resHandle_ = nullptr;
  std::unique_ptr<TTimer> timer_;
  bool mouseOver_ = false;
  bool mouseDown_ = false;
  bool pictureMissing_ = false;
};

// ---- Two-state buttons -----------------------------------------------------------
class TkzuCustomButtonEx : public TkzuCustomButton {
 public:
  explicit TkzuCustomButtonEx(TComponent* AOwner);
  std::string ClassName() const override { return "TkzuCustomButtonEx"; }

  bool Checked() const { return checked_; }
  void SetChecked(bool v);
  // Takes the focus when it can, toggles, then runs OnClick.
  void Click() override;
  // Where the caption was last drawn.
  TRect CaptionRect() const { return captionRect_; }

 protected:
  virtual void Toggle() {}
  virtual void CheckedChanged() {}
  virtual int GetPictureWidth() = 0;
  virtual int GetPictureHeight() = 0;

  void ApplyAutoSize() override;
  void CaptionChanged() override;
  void FontChanged() override;
  void UIStyleChanged() override;
  void DrawPicture(TCanvas* canvas, TBitmap* picture) override;
  void DrawCaption(TCanvas* canvas, const std::string& caption) override;
  void DrawFocus(TCanvas* canvas) override;
  void Resize() override;
  // The picture sizes for layout while painting: 0 when the look's picture
  // is missing, so a paint never fails on it.
  int PaintPictureWidth();
  int PaintPictureHeight();
  // Where the caption goes: after the picture, as wide as its text.
  TRect CaptionLayout();

 private:
  void ApplyContentSize();
  bool checked_ = false;
  bool sizing_ = false;
  TRect captionRect_{};
};

class TkzuCheckBox : public TkzuCustomButtonEx {
 public:
  explicit TkzuCheckBox(TComponent* AOwner) : TkzuCheckBox(AOwner, true) {}
  std::string ClassName() const override { return "TkzuCheckBox"; }

 protected:
  // A derived kind applies the owner's look itself, once its own slots are
  // in place.
  TkzuCheckBox(TComponent* AOwner, bool applyLook);
  virtual void AfterToggle() {}
  void Toggle() override;
  void CheckedChanged() override;
  void TransparentChanged() override;
  void EnabledChanged() override;
  void UIStyleChanged() override;
  void LoadUIStylePictures(TkzuUIStyle style) override;
  // Size of the look's unchecked check-box picture (0 for Custom); raises
  // EResNotFound when the look lacks it.
  int GetPictureWidth() override;
  int GetPictureHeight() override;
  TSize PictureSize();
  // First theme entry of this kind's pictures (27 check box, 35 radio).
  virtual int FirstThemeEntry() const { return 27; }
};

class TkzuRadioButton : public TkzuCheckBox {
 public:
  explicit TkzuRadioButton(TComponent* AOwner);
  std::string ClassName() const override { return "TkzuRadioButton"; }

  // Radio buttons of one parent with the same GroupIndex form a group.
  int GroupIndex = 0;

 protected:
  void Toggle() override;
  void CheckedChanged() override;
  void TransparentChanged() override;
  void LoadUIStylePictures(TkzuUIStyle style) override;
  int FirstThemeEntry() const override { return 35; }
};

// ---- Push buttons ------------------------------------------------------------------
class TkzuButton : public TkzuCustomButton {
 public:
  explicit TkzuButton(TComponent* AOwner);
  ~TkzuButton() override;
  std::string ClassName() const override { return "TkzuButton"; }

  TBitmap* Glyph() const { return glyph_.get(); }
  void SetGlyph(const TBitmap* v);
  TkzuButtonLayout Layout() const { return layout_; }
  void SetLayout(TkzuButtonLayout v);
  int Spacing() const { return spacing_; }
  void SetSpacing(int v);
  // Where the last glyph layout put the caption.
  TPoint CaptionPos() const { return captionPos_; }

  // Setting a name switches the button to the Custom look; the names read
  // empty while the look is themed.
  void SetPicMouseDownResName(const std::string& v) override;
  void SetPicMouseOnResName(const std::string& v) override;
  void SetPicNormalResName(const std::string& v) override;
  std::string GetPicMouseDownResName() const override;
  std::string GetPicMouseOnResName() const override;
  std::string GetPicNormalResName() const override;

 protected:
  void UIStyleChanged() override;
  void DrawPicture(TCanvas* canvas, TBitmap* picture) override;
  void DrawCaption(TCanvas* canvas, const std::string& caption) override;
  void DrawFocus(TCanvas* canvas) override;
  void LoadUIStylePictures(TkzuUIStyle style) override;
  bool CanResize(int& NewWidth, int& NewHeight) override;

 private:
  void DrawGlyph(TCanvas* canvas);
  std::unique_ptr<TBitmap> glyph_;
  TkzuButtonLayout layout_ = blGlyphLeft;
  int spacing_ = 4;
  TPoint captionPos_{};
};

class TkzuImageButton : public TkzuCustomButton {
 public:
  explicit TkzuImageButton(TComponent* AOwner);
  ~TkzuImageButton() override;
  std::string ClassName() const override { return "TkzuImageButton"; }

  TPicture* PicNormal() const { return pics_[0].get(); }
  TPicture* PicMouseOn() const { return pics_[1].get(); }
  TPicture* PicMouseDown() const { return pics_[2].get(); }
  TPicture* PicDisabled() const { return pics_[3].get(); }
  void SetPicNormal(const TPicture* v) { SetPic(0, v); }
  void SetPicMouseOn(const TPicture* v) { SetPic(1, v); }
  void SetPicMouseDown(const TPicture* v) { SetPic(2, v); }
  void SetPicDisabled(const TPicture* v) { SetPic(3, v); }
  bool Stretch() const { return stretch_; }
  void SetStretch(bool v);

 protected:
  void ApplyAutoSize() override;
  void DrawPicture(TCanvas* canvas, TBitmap* picture) override;
  void GetNormalPicture(TBitmap* picture) override;
  void GetMouseOnPicture(TBitmap* picture) override;
  void GetMouseDownPicture(TBitmap* picture) override;
  void GetDisabledPicture(TBitmap* picture) override;
  void LoadUIStylePictures(TkzuUIStyle) override {}

 private:
  void SetPic(int index, const TPicture* v);
  // Copies picture `index`, or PicNormal when that one is empty.
  void CopyPic(int index, TBitmap* out) const;
  std::unique_ptr<TPicture> pics_[4];
  bool stretch_ = false;
};
