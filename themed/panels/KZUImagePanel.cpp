#include "themed/panels/KZUImagePanel.h"

#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Picture.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/system/UiMessages.h"
#include "themed/core/KZUPublic.h"

TkzuCustomPanel::TkzuCustomPanel(TComponent* AOwner) : TCustomPanel(AOwner) {
  picture_ = std::make_unique<TPicture>();
  picture_->OnChange = [this](TObject*) { PictureChanged(); };
  SetBevelInner(bvNone);
  SetBevelOuter(bvNone);
  Invalidate();
}

TkzuCustomPanel::~TkzuCustomPanel() { picture_->OnChange = nullptr; }

bool TkzuCustomPanel::HasPicture() const {
  return picture_->Graphic() && !picture_->Graphic()->Empty();
}

void TkzuCustomPanel::SetPicture(const TPicture* v) {
  picture_->Assign(v);
  // Assign tells PictureChanged; a cleared picture may not, so do it here too.
  PictureChanged();
}

void TkzuCustomPanel::SetTransparent(bool v) {
  transparent_ = v;
  if (HasPicture()) picture_->Graphic()->SetTransparent(v);
  Invalidate();
}

void TkzuCustomPanel::SetAutoSize(bool v) {
  autoSize_ = v;
  if (v && HasPicture()) ApplyPictureSize();
}

void TkzuCustomPanel::SetDrawStyle(TkzuDrawStyle v) {
  drawStyle_ = v;
  FillBackground();
  Invalidate();
}

void TkzuCustomPanel::ApplyPictureSize() {
  const TAlign a = Align();
  int w = Width(), h = Height();
  if (a != alTop && a != alBottom && a != alClient) w = picture_->Width();
  if (a != alLeft && a != alRight && a != alClient) h = picture_->Height();
  SetBounds(Left(), Top(), w, h);
}

void TkzuCustomPanel::PictureChanged() {
  if (HasPicture()) {
    if (autoSize_) ApplyPictureSize();
    if (picture_->Graphic()->Transparent() != transparent_) picture_->Graphic()->SetTransparent(transparent_);
  }
  FillBackground();
  Invalidate();
}

void TkzuCustomPanel::FillBackground() {
  if (!ParentWindow() || !HandleAllocated()) return;
  Canvas()->Brush()->SetColor(Color());
  Canvas()->Brush()->SetStyle(bsSolid);
  Canvas()->FillRect(ClientRect());
}

void TkzuCustomPanel::Paint() {
  const int w = Width(), h = Height();
  if (w <= 0 || h <= 0) return;
  TBitmap buffer(w, h, pfDevice);
  TCanvas* c = buffer.Canvas();
  const TRect r = ClientRect();
  // Filled whenever opaque, so a picture smaller than the panel (or with
  // keyed-out pixels) never leaves the bitmap's leftovers showing.
  if (transparent_) {
    DrawParentBackground(c, this);
  } else {
    c->Brush()->SetColor(Color());
    c->Brush()->SetStyle(bsSolid);
    c->FillRect(r);
  }
  if (HasPicture()) {
    switch (drawStyle_) {
      case kzuStretch: c->StretchDraw(r, picture_->Graphic()); break;
      case kzuTile: TilePicture(c, picture_.get(), r); break;
      default: c->Draw(0, 0, picture_->Graphic()); break;
    }
  }
  const std::string text = Caption();
  if (!Trim(text).empty()) {
    c->Font()->Assign(Font());
    c->Brush()->SetStyle(bsClear);
    UINT flags = DT_SINGLELINE | DT_VCENTER;
    switch (Alignment()) {
      case taLeftJustify: flags |= DT_LEFT; break;
      case taRightJustify: flags |= DT_RIGHT; break;
      default: flags |= DT_CENTER; break;
    }
    TRect tr = r;
    DrawText(c->Handle(), text.c_str(), int(text.size()), &tr, flags);
    captionRect_ = r;
  }
  Canvas()->CopyRect(r, c, r);
}

void TkzuCustomPanel::Resize() {
  TCustomPanel::Resize();
  Invalidate();
}

void TkzuCustomPanel::ApplyContainerUIStyle(TkzuUIStyle style) { ApplyUIStyleToChildren(this, style); }

void TkzuCustomPanel::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ERASEBKGND: Message.Result = 1; return;
    case CM_TEXTCHANGED:
      TCustomPanel::Dispatch(Message);
      TextChanged(captionRect_);
      Invalidate();
      return;
    default: TCustomPanel::Dispatch(Message); return;
  }
}
