// The two-state buttons: check box and radio button.
#include <algorithm>
#include <cstdlib>

#include "platform/gdi/Gdi.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/Exceptions.h"
#include "themed/buttons/KZUButton.h"

namespace {

// Entry of the unchecked check-box picture, which sizes both kinds.
constexpr int UncheckedBoxEntry = 30;

// Width of a caption in a font, without needing the control's window.
int CaptionWidth(TFont* font, const std::string& caption) {
  TBitmap scratch(1, 1);
  scratch.Canvas()->Font()->Assign(font);
  return scratch.Canvas()->TextWidth(caption);
}

}  // namespace

TkzuCustomButtonEx::TkzuCustomButtonEx(TComponent* AOwner) : TkzuCustomButton(AOwner) {
  SetParentColor(true);
  TWinControl::SetTabStop(true);
  // The look is applied by the kinds themselves, whose pictures it needs.
  StoreUIStyle(GetOwnerFormPanelUIStyle(AOwner));
  SetWidth(93);
}

void TkzuCustomButtonEx::SetChecked(bool v) {
  if (v == checked_) return;
  checked_ = v;
  CheckedChanged();
  Invalidate();
}

void TkzuCustomButtonEx::Click() {
  auto alive = AliveToken();
  if (CanFocus() && !Focused()) SetFocus();
  if (!*alive) return;
  Toggle();
  if (!*alive) return;
  TkzuCustomButton::Click();
}

void TkzuCustomButtonEx::ApplyContentSize() {
  if (!AutoSize() || sizing_) return;
  sizing_ = true;
  const int fh = std::abs(Font()->Height());
  const int h = std::max(fh + 2, GetPictureHeight()) + 4;
  const int w = GetPictureWidth() + CaptionWidth(Font(), Caption()) + 8;
  SetClientSize(w, h);
  sizing_ = false;
}

void TkzuCustomButtonEx::ApplyAutoSize() { ApplyContentSize(); }

void TkzuCustomButtonEx::CaptionChanged() {
  ApplyContentSize();
  Invalidate();
}

void TkzuCustomButtonEx::FontChanged() {
  TkzuCustomButton::FontChanged();
  ApplyContentSize();
  Invalidate();
}

void TkzuCustomButtonEx::UIStyleChanged() {
  // The pictures are chosen again with the look (state included).
  LoadUIStylePictures(UIStyle());
}

void TkzuCustomButtonEx::Resize() {
  TkzuCustomButton::Resize();
  ApplyContentSize();
}

int TkzuCustomButtonEx::PaintPictureWidth() {
  try {
    return GetPictureWidth();
  } catch (const Exception&) {
    return 0;
  }
}

int TkzuCustomButtonEx::PaintPictureHeight() {
  try {
    return GetPictureHeight();
  } catch (const Exception&) {
    return 0;
  }
}

void TkzuCustomButtonEx::DrawPicture(TCanvas* canvas, TBitmap* picture) {
  // Disabled boxes have pictures of their own, drawn as they are.
  DrawListPicture(canvas, picture, 1, (ClientHeight() - PaintPictureHeight()) / 2, true);
}

TRect TkzuCustomButtonEx::CaptionLayout() {
  const int fh = std::abs(Font()->Height());
  const int x = PaintPictureWidth() + 4;
  const int y = (ClientHeight() - (fh + 2)) / 2;
  const int tw = CaptionWidth(Font(), Caption());
  return TRect{x, y, std::min(x + tw, ClientWidth()), std::min(y + fh + 2, ClientHeight())};
}

void TkzuCustomButtonEx::DrawCaption(TCanvas* canvas, const std::string& caption) {
  captionRect_ = CaptionLayout();
  canvas->Font()->SetColor(Enabled() ? Font()->Color() : DisabledTextColor);
  canvas->Brush()->SetStyle(bsClear);
  // The text sits in the middle of its cell, a pixel below the cell's top:
  // ideographs fill their em to the top row, and the focus mark goes round
  // the cell.
  TRect r{captionRect_.Left, captionRect_.Top + 1, Width(), Height()};
  DrawText(canvas->Handle(), caption.c_str(), int(caption.size()), &r, DT_SINGLELINE | DT_LEFT);
}

void TkzuCustomButtonEx::DrawFocus(TCanvas* canvas) {
  // Laid out afresh, so the mark never trails a caption changed since the
  // last paint.
  // A clear pixel between the mark and the caption's ink on every side,
  // kept inside the control.
  const TRect r = CaptionLayout();
  canvas->Brush()->SetStyle(bsSolid);
  canvas->DrawFocusRect(TRect{r.Left - 2, std::max(0, r.Top - 1), std::min(r.Right + 1, ClientWidth()),
                              std::min(r.Bottom + 1, ClientHeight())});
}

// ---- Check box ------------------------------------------------------------------

TkzuCheckBox::TkzuCheckBox(TComponent* AOwner, bool applyLook) : TkzuCustomButtonEx(AOwner) {
  PictureTransparent = false;
  SetCaption("kzuCheckBox");
  SetHeight(17);
  if (applyLook) SetUIStyle(UIStyle());
}

void TkzuCheckBox::Toggle() {
  SetChecked(!Checked());
  AfterToggle();
}

void TkzuCheckBox::CheckedChanged() { LoadUIStylePictures(UIStyle()); }

void TkzuCheckBox::TransparentChanged() {
  PictureTransparent = false;
  Invalidate();
}

void TkzuCheckBox::EnabledChanged() { LoadUIStylePictures(UIStyle()); }

void TkzuCheckBox::UIStyleChanged() {
  TkzuCustomButtonEx::UIStyleChanged();
  switch (UIStyle()) {
    case TkzuUIStyle::MacOS:
    case TkzuUIStyle::Protein: SetTransparent(true); break;
    case TkzuUIStyle::WinXP:
    case TkzuUIStyle::DeepBlue:
    case TkzuUIStyle::BlueGlass: SetTransparent(false); break;
    case TkzuUIStyle::Custom: break;
  }
}

void TkzuCheckBox::LoadUIStylePictures(TkzuUIStyle style) {
  SetResHandle(nullptr);
  // Entries from the first: disabled checked, disabled unchecked, then
  // checked and unchecked for normal, mouse over and mouse down.
  const int first = FirstThemeEntry();
  const int off = Checked() ? 0 : 1;
  const int normal = Enabled() ? first + 2 + off : first + off;
  SetPicNormalResName(GetThemeBitmapName(style, normal));
  SetPicMouseOnResName(GetThemeBitmapName(style, first + 4 + off));
  SetPicMouseDownResName(GetThemeBitmapName(style, first + 6 + off));
}

TSize TkzuCheckBox::PictureSize() {
  if (UIStyle() == TkzuUIStyle::Custom) return TSize{0, 0};
  TBitmap picture;
  LoadResPicture(GetThemeBitmapName(UIStyle(), UncheckedBoxEntry), &picture);
  return TSize{picture.Width(), picture.Height()};
}

int TkzuCheckBox::GetPictureWidth() { return PictureSize().cx; }
int TkzuCheckBox::GetPictureHeight() { return PictureSize().cy; }

// ---- Radio button ------------------------------------------------------------------

TkzuRadioButton::TkzuRadioButton(TComponent* AOwner) : TkzuCheckBox(AOwner, false) {
  PictureTransparent = true;
  SetCaption("kzuRadioButton");
  SetHeight(17);
  SetUIStyle(UIStyle());
}

void TkzuRadioButton::Toggle() {
  if (!Checked()) SetChecked(true);
}

void TkzuRadioButton::CheckedChanged() {
  if (Checked() && Parent()) {
    TWinControl* parent = Parent();
    for (int i = 0; i < parent->ControlCount(); ++i) {
      auto* other = dynamic_cast<TkzuRadioButton*>(parent->Controls(i));
      if (other && other != this && other->GroupIndex == GroupIndex) other->SetChecked(false);
    }
  }
  LoadUIStylePictures(UIStyle());
}

void TkzuRadioButton::TransparentChanged() {
  PictureTransparent = true;
  Invalidate();
}

void TkzuRadioButton::LoadUIStylePictures(TkzuUIStyle style) {
  TkzuCheckBox::LoadUIStylePictures(style);
  Invalidate();
}
