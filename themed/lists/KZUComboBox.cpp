#include "themed/lists/KZUComboBox.h"

#include "platform/gdi/Gdi.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"

namespace {

constexpr TColor DisabledArrowGrey = 0x808080;

void Triangle(TCanvas* c, int x, int y, TColor colour) {
  c->Brush()->SetColor(colour);
  c->Brush()->SetStyle(bsSolid);
  c->Pen()->SetColor(colour);
  const TPoint pts[3] = {{x, y}, {x + 6, y}, {x + 3, y + 3}};
  c->Polygon(pts, 3);
}

}  // namespace

TkzuCustomComboBox::TkzuCustomComboBox(TComponent* AOwner) : TkzuFramed<TCustomComboBox>(AOwner) {
  SetFrameWidth(0);
  SetUIStyle(GetOwnerFormPanelUIStyle(AOwner));
}

void TkzuCustomComboBox::SetButtonColor(TColor v) {
  buttonColor_ = v;
  Invalidate();
}

void TkzuCustomComboBox::SetArrowColor(TColor v) {
  arrowColor_ = v;
  Invalidate();
}

void TkzuCustomComboBox::SetUIStyle(TkzuUIStyle v) {
  uiStyle_ = v;
  if (v == TkzuUIStyle::Custom) {
    buttonColor_ = arrowColor_ = clBlack;
    SetBorderColor(clBlack);
  } else {
    buttonColor_ = GetThemeColor(v, 74);
    arrowColor_ = GetThemeColor(v, 8);
    SetBorderColor(GetThemeColor(v, 8));
  }
  Invalidate();
}

void TkzuCustomComboBox::SetEnabled(bool v) {
  TkzuFramed<TCustomComboBox>::SetEnabled(v);
  Invalidate();
}

void TkzuCustomComboBox::DrawFrame() {
  DrawComboButton();
  TkzuFramed<TCustomComboBox>::DrawFrame();
}

void TkzuCustomComboBox::DrawComboButton() {
  if (!HandleAllocated()) return;
  COMBOBOXINFO info;
  if (!GetComboBoxInfo(Handle(), &info)) return;
  const TRect r = info.rcButton;
  if (r.Width() <= 0 || r.Height() <= 0) return;
  HDC dc = GetDC(Handle());
  if (!dc) return;
  {
    TCanvas c;
    c.SetHandle(dc);
    if (uiStyle_ == TkzuUIStyle::MacOS) {
      // Without the picture the button keeps the framework's look.
      TBitmap b;
      if (TryLoadThemeBitmap("MACOS_COMBOBOX_BUTTON", b)) c.StretchDraw(r, &b);
    } else {
      c.Brush()->SetColor(buttonColor_);
      c.Brush()->SetStyle(bsSolid);
      c.FillRect(r);
    }
    const int ax = r.Left + r.Width() / 2 - 4, ay = r.Height() / 2;
    if (Enabled()) {
      Triangle(&c, ax, ay, arrowColor_);
    } else {
      Triangle(&c, ax + 1, ay + 1, clWhite);
      Triangle(&c, ax, ay, DisabledArrowGrey);
    }
    c.SetHandle(nullptr);
  }
  ReleaseDC(Handle(), dc);
}
