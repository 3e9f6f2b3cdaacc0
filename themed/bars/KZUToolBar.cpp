#include "themed/bars/KZUToolBar.h"

#include "platform/graphics/Canvas.h"
#include "platform/graphics/ImageList.h"
#include "themed/core/KZUPublic.h"

TkzuToolBar::TkzuToolBar(TComponent* AOwner) : TToolBar(AOwner) {
  if (!(ComponentState() & csDesigning))
    OnCustomDrawButton = [this](TToolBar*, TToolButton* b, TCustomDrawState st, bool& def) { DrawButton(b, st, def); };
  OnCustomDraw = [this](TToolBar*, const TRect&, bool& def) { DrawBackground(def); };
  SetFlat(true);
  SetTransparent(false);
  SetColor(clWindow);
  SetUIStyle(GetOwnerFormPanelUIStyle(AOwner));
}

void TkzuToolBar::SetUIStyle(TkzuUIStyle v) {
  uiStyle_ = v;
  if (v != TkzuUIStyle::Custom) {
    buttonBorderColor_ = GetThemeColor(v, 80);
    buttonColor_ = GetThemeColor(v, 81);
    buttonDownColor_ = GetThemeColor(v, 82);
    SetColor(GetThemeColor(v, 83));
    SetTransparent(v == TkzuUIStyle::MacOS);
  }
  Invalidate();
}

void TkzuToolBar::SetButtonColor(TColor v) {
  buttonColor_ = v;
  Invalidate();
}

void TkzuToolBar::SetButtonBorderColor(TColor v) {
  buttonBorderColor_ = v;
  Invalidate();
}

void TkzuToolBar::SetButtonDownColor(TColor v) {
  buttonDownColor_ = v;
  Invalidate();
}

void TkzuToolBar::DrawBackground(bool&) {
  if (Transparent()) DrawParentBackground(Canvas(), this);
}

void TkzuToolBar::DrawButton(TToolButton* Button, TCustomDrawState State, bool& DefaultDraw) {
  const bool hot = State & cdsHot, pressed = State & cdsSelected, checked = State & cdsChecked;
  const bool downLook = hot && pressed;
  if (!downLook && !hot && !pressed && !checked) return;
  if (Button->Style() == tbsSeparator || Button->Style() == tbsDivider) return;
  DefaultDraw = false;
  TCanvas* c = Button->Canvas();
  const TRect r = Button->ClientRect();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(downLook ? buttonDownColor_ : buttonColor_);
  c->Pen()->SetStyle(psSolid);
  c->Pen()->SetColor(buttonBorderColor_);
  c->Rectangle(r.Left, r.Top, r.Right, r.Bottom);
  TImageList* images = HotImages() ? HotImages() : Images();
  const int index = Button->ImageIndex();
  const bool hasImage = images && index >= 0 && index < images->Count();
  const int shift = downLook ? 0 : 1;
  if (hasImage)
    images->Draw(c, r.Left + (r.Width() - images->Width()) / 2 - shift, r.Top + 3 - shift, index, Button->Enabled());
  if (ShowCaptions() && !Button->Caption().empty()) {
    c->Font()->Assign(Font());
    c->Brush()->SetStyle(bsClear);
    const int y = r.Top + (hasImage ? images->Height() + 4 : 5 - shift);
    const int x = r.Left + (r.Width() - c->TextWidth(Button->Caption())) / 2;
    c->TextOut(x, y, Button->Caption());
  }
}
