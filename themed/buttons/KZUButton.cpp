// The button base: properties, the paint pipeline, mouse and keyboard.
#include "themed/buttons/KZUButton.h"

#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/ImageList.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/forms/Timer.h"
#include "themed/core/KZUPublic.h"

namespace {

// What a picture that cannot be loaded paints as.
constexpr int MissingPictureWidth = 74;
constexpr int MissingPictureHeight = 21;

}  // namespace

TkzuCustomButton::TkzuCustomButton(TComponent* AOwner) : TCustomControl(AOwner) {
  // A double click arrives as two clicks.
  ControlStyle &= ~(csAcceptsControls | csDoubleClicks);
  TCustomControl::SetTextBuf("");
}

TkzuCustomButton::~TkzuCustomButton() = default;

void TkzuCustomButton::SetAutoSize(bool v) {
  autoSize_ = v;
  ApplyAutoSize();
  Invalidate();
}

void TkzuCustomButton::SetTransparent(bool v) {
  transparent_ = v;
  TransparentChanged();
  Invalidate();
}

void TkzuCustomButton::SetUIStyle(TkzuUIStyle v) {
  uiStyle_ = v;
  LoadUIStylePictures(v);
  UIStyleChanged();
  Invalidate();
}

void TkzuCustomButton::SetDefault(bool v) {
  default_ = v;
  if (HandleAllocated())
    if (TCustomForm* form = GetParentForm(this))
      form->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(form->ActiveControl()));
  Invalidate();
}

void TkzuCustomButton::SetCancel(bool v) {
  cancel_ = v;
  Invalidate();
}

void TkzuCustomButton::SetTabStop(bool v) {
  TWinControl::SetTabStop(v);
  Invalidate();
}

void TkzuCustomButton::SetEnabled(bool v) {
  TCustomControl::SetEnabled(v);
  EnabledChanged();
  Invalidate();
}

void TkzuCustomButton::SetResHandle(TkzuResHandle v) {
  resHandle_ = v;
  Invalidate();
}

void TkzuCustomButton::SetPicMouseDownResName(const std::string& v) {
  picMouseDown_ = v;
  Invalidate();
}

void TkzuCustomButton::SetPicMouseOnResName(const std::string& v) {
  picMouseOn_ = v;
  Invalidate();
}

void TkzuCustomButton::SetPicNormalResName(const std::string& v) {
  picNormal_ = v;
  ApplyAutoSize();
  Invalidate();
}

void TkzuCustomButton::StoreNames(const std::string& normal, const std::string& mouseOn, const std::string& mouseDown) {
  picNormal_ = normal;
  picMouseOn_ = mouseOn;
  picMouseDown_ = mouseDown;
}

void TkzuCustomButton::SetTextBuf(const std::string& v) {
  if (v == Text()) return;
  TCustomControl::SetTextBuf(v);
  CaptionChanged();
  Invalidate();
}

void TkzuCustomButton::ApplyContainerUIStyle(TkzuUIStyle style) {
  if (uiStyle_ != TkzuUIStyle::Custom) SetUIStyle(style);
}

void TkzuCustomButton::ApplyAutoSize() {
  const std::string name = GetPicNormalResName();
  if (!autoSize_ || name.empty()) return;
  TBitmap picture;
  try {
    LoadResPicture(name, &picture);
  } catch (const Exception&) {
    picture.SetSize(MissingPictureWidth, MissingPictureHeight);
  }
  SetBounds(Left(), Top(), picture.Width(), picture.Height());
}

void TkzuCustomButton::FontChanged() {
  Canvas()->Font()->Assign(Font());
  Invalidate();
}

void TkzuCustomButton::TransparentChanged() {
  PictureTransparent = transparent_;
  Invalidate();
}

void TkzuCustomButton::UIStyleChanged() {
  if (uiStyle_ == TkzuUIStyle::Custom) SetAutoSize(true);
}

void TkzuCustomButton::LoadResPicture(const std::string& name, TBitmap* picture) const {
  // Only this program's own resources exist here.
  if (resHandle_) throw EResNotFound("Resource " + name + " not found");
  LoadThemeBitmap(name, *picture);
}

void TkzuCustomButton::GetNormalPicture(TBitmap* picture) { LoadResPicture(picNormal_, picture); }
void TkzuCustomButton::GetMouseOnPicture(TBitmap* picture) { LoadResPicture(picMouseOn_, picture); }
void TkzuCustomButton::GetMouseDownPicture(TBitmap* picture) { LoadResPicture(picMouseDown_, picture); }
void TkzuCustomButton::GetDisabledPicture(TBitmap* picture) { LoadResPicture(picNormal_, picture); }

void TkzuCustomButton::DrawListPicture(TCanvas* canvas, TBitmap* picture, int x, int y, bool enabled) {
  if (pictureMissing_ || picture->Empty()) return;
  TImageList list(nullptr, picture->Width(), picture->Height());
  if (PictureTransparent)
    list.AddMasked(picture, picture->Canvas()->Pixels(0, 0));
  else
    list.Add(picture, nullptr);
  list.Draw(canvas, x, y, 0, enabled);
}

void TkzuCustomButton::DrawPicture(TCanvas* canvas, TBitmap* picture) {
  DrawListPicture(canvas, picture, 0, 0, Enabled());
}

namespace {

void DrawTextAt(TCanvas* canvas, const std::string& text, TRect r, UINT flags, TColor color) {
  canvas->Font()->SetColor(color);
  DrawText(canvas->Handle(), text.c_str(), int(text.size()), &r, flags);
}

}  // namespace

void TkzuCustomButton::DrawCaption(TCanvas* canvas, const std::string& caption) {
  canvas->Brush()->SetStyle(bsClear);
  TRect r = ClientRect();
  const UINT flags = DT_SINGLELINE | DT_CENTER | DT_VCENTER;
  if (!Enabled()) {
    DrawTextAt(canvas, caption, TRect{r.Left + 1, r.Top + 1, r.Right + 1, r.Bottom + 1}, flags, clWhite);
    DrawTextAt(canvas, caption, r, flags, DisabledTextColor);
    return;
  }
  if (mouseDown_) r = TRect{r.Left + 1, r.Top + 1, r.Right + 1, r.Bottom + 1};
  DrawTextAt(canvas, caption, r, flags, Font()->Color());
}

void TkzuCustomButton::DrawFocus(TCanvas* canvas) {
  canvas->DrawFocusRect(TRect{2, 2, ClientWidth() - 2, ClientHeight() - 2});
}

void TkzuCustomButton::Paint() {
  const int w = ClientWidth(), h = ClientHeight();
  if (w <= 0 || h <= 0) return;
  TBitmap buffer(w, h, pfDevice);
  TBitmap picture;
  pictureMissing_ = false;
  try {
    if (!Enabled())
      GetDisabledPicture(&picture);
    else if (mouseDown_)
      GetMouseDownPicture(&picture);
    else if (mouseOver_)
      GetMouseOnPicture(&picture);
    else
      GetNormalPicture(&picture);
  } catch (const Exception&) {
    picture.SetSize(MissingPictureWidth, MissingPictureHeight);
    pictureMissing_ = true;
  }
  picture.SetTransparent(PictureTransparent);
  TCanvas* c = buffer.Canvas();
  if (transparent_) {
    DrawParentBackground(c, this);
  } else {
    c->Brush()->SetColor(Color());
    c->Brush()->SetStyle(bsSolid);
    c->FillRect(ClientRect());
  }
  DrawPicture(c, &picture);
  if (Focused() && TabStop()) DrawFocus(c);
  c->Font()->Assign(Font());
  Canvas()->Font()->Assign(Font());
  const std::string caption = Caption();
  if (!Trim(caption).empty()) DrawCaption(c, caption);
  pictureMissing_ = false;
  Canvas()->CopyRect(ClientRect(), c, ClientRect());
}

// ---- Mouse and keyboard ------------------------------------------------------------

void TkzuCustomButton::SetMouseFlags(bool over, bool down) {
  if (over == mouseOver_ && down == mouseDown_) return;
  mouseOver_ = over;
  mouseDown_ = down;
  Invalidate();
}

void TkzuCustomButton::FreeTimer() { timer_.reset(); }

void TkzuCustomButton::MouseEnter() {
  mouseOver_ = true;
  Invalidate();
}

void TkzuCustomButton::MouseLeave() {
  mouseOver_ = false;
  mouseDown_ = false;
  FreeTimer();
  Invalidate();
  if (TNotifyEvent h = OnMouseExit) h(this);
}

void TkzuCustomButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == TMouseButton::mbLeft) {
    mouseDown_ = true;
    if (!timer_) {
      timer_ = std::make_unique<TTimer>(nullptr);
      timer_->SetInterval(Cardinal(std::max(MouseContinuouslyDownInterval, 0)));
      timer_->SetOnTimer([this](TObject*) {
        if (TNotifyEvent h = OnMouseContinuouslyDown) h(this);
      });
      timer_->SetEnabled(true);
    }
    Invalidate();
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TkzuCustomButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == TMouseButton::mbLeft) {
    FreeTimer();
    mouseDown_ = false;
    Invalidate();
  }
  TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TkzuCustomButton::MouseMove(TShiftState Shift, int X, int Y) {
  auto alive = AliveToken();
  TCustomControl::MouseMove(Shift, X, Y);
  if (!*alive) return;
  if (X < 0 || Y < 0 || X > Width() || Y > Height()) SetMouseFlags(false, false);
}

void TkzuCustomButton::KeyDown(Word& Key, TShiftState Shift) {
  auto alive = AliveToken();
  TCustomControl::KeyDown(Key, Shift);
  if (!*alive) return;
  if ((Key == VK_SPACE || Key == VK_RETURN) && Focused() && Enabled()) {
    mouseDown_ = true;
    Invalidate();
  }
}

void TkzuCustomButton::KeyUp(Word& Key, TShiftState Shift) {
  auto alive = AliveToken();
  TCustomControl::KeyUp(Key, Shift);
  if (!*alive) return;
  if ((Key == VK_SPACE || Key == VK_RETURN) && Focused() && Enabled() && mouseDown_) {
    mouseDown_ = false;
    Invalidate();
    Click();
  }
}

void TkzuCustomButton::Click() {
  if (Parent())
    if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(ModalResult);
  TCustomControl::Click();
}

void TkzuCustomButton::CMDialogChar(TMessage& Message) {
  // Dialog characters reach every control of the form: a hidden or
  // disabled one (on another page, say) must not answer.
  if (IsAccel(Word(Message.WParam), Caption()) && CanFocus()) {
    SetFocus();
    Click();
    Message.Result = 1;
    return;
  }
  Message.Result = 0;
}

void TkzuCustomButton::CMDialogKey(TMessage& Message) {
  const Word key = LOWORD(Message.WParam);
  const bool plain = (KeyDataToShiftState(Message.LParam) & (ssShift | ssCtrl | ssAlt)) == 0;
  if (((key == VK_RETURN && default_) || (key == VK_ESCAPE && cancel_)) && plain && CanFocus()) {
    Click();
    Message.Result = 1;
    return;
  }
  TCustomControl::Dispatch(Message);
}

void TkzuCustomButton::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_DIALOGCHAR: CMDialogChar(Message); return;
    case CM_DIALOGKEY: CMDialogKey(Message); return;
    case CM_FONTCHANGED:
      TCustomControl::Dispatch(Message);
      FontChanged();
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case CM_FOCUSCHANGED:
      TCustomControl::Dispatch(Message);
      Invalidate();
      return;
    case WM_ERASEBKGND: Message.Result = 1; return;
    default: TCustomControl::Dispatch(Message); return;
  }
}
