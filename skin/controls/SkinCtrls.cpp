// The skinned-control bases: binding to a skin, the description look-up,
// off-screen painting with optional blending over the parent, and the
// fitting of resizable skins to the control's size.
#include "skin/controls/SkinCtrls.h"

#include "platform/gdi/Gdi.h"
#include "platform/graphics/ImageList.h"
#include "platform/ui/forms/Forms.h"
#include "platform/user/paint/Paint.h"
#include "platform/user/User.h"
#include "skin/controls/SkinBoxCtrls.h"
#include "skin/controls/SkinCtrls_Panel.h"
#include "skin/engine/speffbmp.h"
#include "skin/windows/Brenvale.h"
#include "skin/windows/SkinHint.h"

namespace {

// The skinned hint shows a skinned control's hint title and image.
bool SkinControlHintExtras(TControl* control, TspHintExtras& extras) {
  auto take = [&](auto* c) {
    extras.Title = c->HintTitle;
    extras.ImageIndex = c->HintImageIndex;
    extras.Images = c->HintImageList();
    return true;
  };
  if (auto* c = dynamic_cast<TspSkinControlT<TCustomControl>*>(control)) return take(c);
  if (auto* c = dynamic_cast<TspSkinControlT<TGraphicControl>*>(control)) return take(c);
  return false;
}

}  // namespace

// ---- TspSkinControlT ------------------------------------------------------------------------

template <class TBase>
TspSkinControlT<TBase>::TspSkinControlT(TComponent* AOwner) : TBase(AOwner) {
  // Only a program that makes skinned controls can hint one.
  SetHintExtrasQuery(&SkinControlHintExtras);
}

template <class TBase>
void TspSkinControlT<TBase>::SetSkinData(TspSkinData* value) {
  if (skinData_ == value) {
    if (value && !value->Empty && !Designing()) ChangeSkinData();
    return;
  }
  if (skinData_) skinData_->RemoveFreeNotification(this);
  skinData_ = value;
  if (skinData_) skinData_->FreeNotification(this);
  if (skinData_ && !skinData_->Empty && !Designing()) ChangeSkinData();
}

template <class TBase>
void TspSkinControlT<TBase>::SetAlphaBlend(bool value) {
  alphaBlend_ = value;
  this->Repaint();
}

template <class TBase>
void TspSkinControlT<TBase>::SetAlphaBlendValue(Byte value) {
  alphaBlendValue_ = value;
  this->Repaint();
}

template <class TBase>
void TspSkinControlT<TBase>::SetHintImageList(TImageList* value) {
  if (hintImageList_) hintImageList_->RemoveFreeNotification(this);
  hintImageList_ = value;
  if (hintImageList_) hintImageList_->FreeNotification(this);
}

template <class TBase>
void TspSkinControlT<TBase>::GetSkinData() {
  ControlIndex = SkinUsable() ? skinData_->GetControlIndex(skinDataName_) : -1;
}

template <class TBase>
void TspSkinControlT<TBase>::ApplySkinCursor() {
  if (!UseSkinCursor) return;
  if (CursorIndex == -1 || !skinData_)
    this->SetCursor(crDefault);
  else
    this->SetCursor(TCursor(SmallInt(skinData_->startcursorindex + CursorIndex)));
}

template <class TBase>
void TspSkinControlT<TBase>::ChangeSkinData() {
  GetSkinData();
  ApplySkinCursor();
  this->Repaint();
}

template <class TBase>
void TspSkinControlT<TBase>::SendBackgroundChanged() {
  auto* win = dynamic_cast<TWinControl*>(static_cast<TControl*>(this));
  if (!win) return;
  for (int i = 0; i < win->ControlCount(); ++i) {
    TControl* c = win->Controls(i);
    if (auto* w = dynamic_cast<TWinControl*>(c)) {
      if (w->HandleAllocated()) SendMessage(w->Handle(), WM_SPBACKGROUNDCHANGED, 0, 0);
    } else {
      c->Perform(WM_SPBACKGROUNDCHANGED, 0, 0);
    }
  }
}

template <class TBase>
void TspSkinControlT<TBase>::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ERASEBKGND:
      Message.Result = 1;  // the face covers everything
      return;
    case WM_MOVE:
      TBase::Dispatch(Message);
      if (alphaBlend_) this->Repaint();
      return;
    case WM_SPBACKGROUNDCHANGED:
      if (alphaBlend_) this->Repaint();
      return;
    default: break;
  }
  TBase::Dispatch(Message);
}

template <class TBase>
void TspSkinControlT<TBase>::DrawBlended(TBitmap* image, TCanvas* canvas) {
  if (!alphaBlend_) {
    canvas->Draw(0, 0, image);
    return;
  }
  TBitmap back;
  back.SetPixelFormat(pf24bit);
  back.SetSize(image->Width(), image->Height());
  PaintParentImage(this, back.Canvas());
  TspEffectBmp face(image->Handle());
  TspEffectBmp behind(back.Handle());
  face.Morph(&behind, 1.0 - double(alphaBlendValue_) / 255.0);
  face.Draw(canvas->Handle(), 0, 0);
}

template <class TBase>
void TspSkinControlT<TBase>::Paint() {
  const int W = this->Width(), H = this->Height();
  if (W <= 0 || H <= 0) return;
  GetSkinData();
  TBitmap image;
  image.SetPixelFormat(pf24bit);
  image.SetSize(W, H);
  if (ControlIndex != -1)
    CreateControlSkinImage(&image);
  else if (DrawDefault)
    CreateControlDefaultImage(&image);
  DrawBlended(&image, this->Canvas());
}

template <class TBase>
void TspSkinControlT<TBase>::Notification(TComponent* AComponent, TOperation Operation) {
  TBase::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == skinData_) skinData_ = nullptr;
  if (AComponent == hintImageList_) hintImageList_ = nullptr;
}

template class TspSkinControlT<TCustomControl>;
template class TspSkinControlT<TGraphicControl>;

// ---- TspSkinControl / TspGraphicSkinControl ---------------------------------------------

TspSkinControl::TspSkinControl(TComponent* AOwner) : TspSkinControlT<TCustomControl>(AOwner) {}

void TspSkinControl::AlphaBlendRepaint() {
  if (!AlphaBlend()) return;
  Repaint();
  SendBackgroundChanged();
}

void TspSkinControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_PAINT:
      InPaintMessage = true;
      try {
        TspSkinControlT<TCustomControl>::Dispatch(Message);
      } catch (...) {
        InPaintMessage = false;
        throw;
      }
      InPaintMessage = false;
      return;
    case WM_SPBACKGROUNDCHANGED:
      AlphaBlendRepaint();
      return;
    default: break;
  }
  TspSkinControlT<TCustomControl>::Dispatch(Message);
}

TspGraphicSkinControl::TspGraphicSkinControl(TComponent* AOwner) : TspSkinControlT<TGraphicControl>(AOwner) {}

// ---- TspSkinCustomControlT -----------------------------------------------------------------

template <class TBase>
TspSkinCustomControlT<TBase>::TspSkinCustomControlT(TComponent* AOwner)
    : TBase(AOwner), defaultFont_(std::make_unique<TFont>()) {
  defaultFont_->SetName("Arial");
  defaultFont_->SetHeight(14);
  defaultFont_->SetStyle(0);
  defaultFont_->OnChange = [this](TObject*) { DefaultFontChange(); };
}

template <class TBase>
void TspSkinCustomControlT<TBase>::DefaultFontChange() {
  FontChanged();
  if (this->ControlIndex == -1) this->Repaint();
}

template <class TBase>
void TspSkinCustomControlT<TBase>::SetDefaultFont(const TFont* value) {
  defaultFont_->Assign(value);
  FontChanged();
}

template <class TBase>
void TspSkinCustomControlT<TBase>::SetDefaultWidth(int value) {
  defaultWidth_ = value;
  if (this->ControlIndex == -1 && value > 0) this->SetWidth(value);
}

template <class TBase>
void TspSkinCustomControlT<TBase>::SetDefaultHeight(int value) {
  defaultHeight_ = value;
  if (this->ControlIndex == -1 && value > 0) this->SetHeight(value);
}

template <class TBase>
void TspSkinCustomControlT<TBase>::GetSkinData() {
  TBase::GetSkinData();
  if (this->ControlIndex == -1) return;
  auto* d = dynamic_cast<TspDataSkinCustomControl*>(
      this->SkinData()->SkinControls[std::size_t(this->ControlIndex)].get());
  if (!d) {
    ResizeMode = 0;
    SkinPicture = nullptr;
    SkinMask = nullptr;
    return;
  }
  LTPoint = d->lefttoppoint;
  RTPoint = d->righttoppoint;
  LBPoint = d->leftbottompoint;
  RBPoint = d->rightbottompoint;
  SkinRect = d->skinrect;
  ClRect = d->clientrect;
  this->CursorIndex = d->cursorindex;
  LeftStretch = d->leftstretch;
  TopStretch = d->topstretch;
  RightStretch = d->rightstretch;
  BottomStretch = d->bottomstretch;
  StretchEffect = d->stretcheffect;
  StretchType = d->stretchtype;
  SkinPicture = this->SkinData()->GetActivePicture(d->pictureindex);
  SkinMask = this->SkinData()->GetActivePicture(d->maskpictureindex);
  if (IsNullRect(SkinRect))
    ResizeMode = -1;
  else if (RBPoint.X != 0 && RBPoint.Y != 0)
    ResizeMode = 1;
  else if (RTPoint.X != 0 || RTPoint.Y != 0)
    ResizeMode = 2;
  else if (LBPoint.X != 0 || LBPoint.Y != 0)
    ResizeMode = 3;
  else
    ResizeMode = 0;
}

template <class TBase>
void TspSkinCustomControlT<TBase>::CalcSize(int& W, int& H) {
  if (this->ControlIndex == -1 || ResizeMode == -1) return;
  const int SW = SkinRect.Width(), SH = SkinRect.Height();
  const int dx = W - SW, dy = H - SH;
  if (ResizeMode == 0) {
    W = SW;
    H = SH;
    FittedClientRect = ClRect;
    return;
  }
  FittedLeftTop = LTPoint;
  if (ResizeMode == 1) {
    FittedRightTop = TPoint{RTPoint.X + dx, RTPoint.Y};
    FittedLeftBottom = TPoint{LBPoint.X, LBPoint.Y + dy};
    FittedRightBottom = TPoint{RBPoint.X + dx, RBPoint.Y + dy};
    FittedClientRect = TRect{ClRect.Left, ClRect.Top, ClRect.Right + dx, ClRect.Bottom + dy};
  } else if (ResizeMode == 2) {
    H = SH;
    FittedRightTop = TPoint{RTPoint.X + dx, RTPoint.Y};
    FittedClientRect = TRect{ClRect.Left, ClRect.Top, ClRect.Right + dx, ClRect.Bottom};
  } else if (ResizeMode == 3) {
    W = SW;
    FittedLeftBottom = TPoint{LBPoint.X, LBPoint.Y + dy};
    FittedClientRect = TRect{ClRect.Left, ClRect.Top, ClRect.Right, ClRect.Bottom + dy};
  }
}

template <class TBase>
void TspSkinCustomControlT<TBase>::CreateControlImageFromSkin(TBitmap* B, TBitmap* picture, const TRect& R) {
  if (!picture) return;
  const int W = this->Width(), H = this->Height();
  const int SW = SkinRect.Width(), SH = SkinRect.Height();
  switch (ResizeMode) {
    case 0:
      B->SetSize(R.Width(), R.Height());
      B->Canvas()->CopyRect(TRect{0, 0, R.Width(), R.Height()}, picture->Canvas(), R);
      break;
    case 1:
      CreateSkinImage(LTPoint, RTPoint, LBPoint, RBPoint, ClRect, FittedLeftTop, FittedRightTop, FittedLeftBottom,
                      FittedRightBottom, FittedClientRect, B, picture, R, W, H, true, LeftStretch, TopStretch,
                      RightStretch, BottomStretch, StretchEffect, StretchType);
      break;
    case 2: CreateHSkinImage(LTPoint.X, SW - RTPoint.X, B, picture, R, W, StretchEffect); break;
    case 3: CreateVSkinImage(LTPoint.Y, SH - LBPoint.Y, B, picture, R, H, StretchEffect); break;
    default: break;
  }
}

template <class TBase>
void TspSkinCustomControlT<TBase>::CreateControlDefaultImage(TBitmap* B) {
  TCanvas* c = B->Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(clBtnFace);
  c->FillRect(TRect{0, 0, this->Width(), this->Height()});
}

template <class TBase>
void TspSkinCustomControlT<TBase>::CreateControlSkinImage(TBitmap* B) {
  CreateControlImageFromSkin(B, SkinPicture, SkinRect);
}

template <class TBase>
void TspSkinCustomControlT<TBase>::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  GetSkinData();
  const bool changing = (AWidth != this->Width() || AHeight != this->Height()) && this->ControlIndex != -1;
  if (changing) CalcSize(AWidth, AHeight);
  TBase::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (changing) {
    SetControlRegion();
    this->Repaint();
  }
  if constexpr (std::is_base_of_v<TWinControl, TBase>)
    if (this->ControlIndex != -1 && StretchEffect) this->SendBackgroundChanged();
}

template <class TBase>
void TspSkinCustomControlT<TBase>::ChangeSkinData() {
  GetSkinData();
  this->ApplySkinCursor();
  bool resized = false;
  if (this->ControlIndex == -1) {
    if (defaultWidth_ > 0) this->SetWidth(defaultWidth_);
    if (defaultHeight_ > 0) this->SetHeight(defaultHeight_);
  } else {
    int w = this->Width(), h = this->Height();
    CalcSize(w, h);
    resized = w != this->Width() || h != this->Height();
    if (w != this->Width()) this->SetWidth(w);
    if (h != this->Height()) this->SetHeight(h);
  }
  if (!resized) {
    SetControlRegion();
    this->Repaint();
  }
}

template <class TBase>
void TspSkinCustomControlT<TBase>::MapSkinRect(const TRect& R, TRect& result) const {
  result = R;
  const int dx = this->Width() - SkinRect.Width(), dy = this->Height() - SkinRect.Height();
  auto move = [&](int x, int y) { result = TRect{result.Left + x, result.Top + y, result.Right + x, result.Bottom + y}; };
  const int SW = SkinRect.Width(), SH = SkinRect.Height();
  if (ResizeMode == 1) {
    const TRect tl{0, 0, LTPoint.X, LTPoint.Y}, tr{RTPoint.X, 0, SW, RTPoint.Y};
    const TRect bl{0, LBPoint.Y, LBPoint.X, SH}, br{RBPoint.X, RBPoint.Y, SW, SH};
    const TPoint a{R.Left, R.Top}, b{R.Right, R.Bottom};
    if (RectInRect(R, tl)) return;
    if (RectInRect(R, tr)) return move(dx, 0);
    if (RectInRect(R, bl)) return move(0, dy);
    if (RectInRect(R, br)) return move(dx, dy);
    if (IsPointInRect(tl, a) && IsPointInRect(br, b)) {
      result.Right += dx;
      result.Bottom += dy;
    } else if (IsPointInRect(tl, a) && IsPointInRect(tr, b)) {
      result.Right += dx;
    } else if (IsPointInRect(bl, a) && IsPointInRect(br, b)) {
      result.Right += dx;
      move(0, dy);
    } else if (IsPointInRect(tl, a) && IsPointInRect(bl, b)) {
      result.Bottom += dy;
    } else if (IsPointInRect(tr, a) && IsPointInRect(br, b)) {
      move(dx, 0);
      result.Bottom += dy;
    }
  } else if (ResizeMode == 2) {
    if (R.Left <= LTPoint.X && R.Right >= RTPoint.X)
      result.Right += dx;
    else if (R.Left >= RTPoint.X && R.Right > RTPoint.X)
      move(dx, 0);
  } else if (ResizeMode == 3) {
    if (R.Top <= LTPoint.Y && R.Bottom >= LBPoint.Y)
      result.Bottom += dy;
    else if (R.Top >= LBPoint.Y && R.Bottom > LBPoint.Y)
      move(0, dy);
  }
}

template class TspSkinCustomControlT<TspSkinControl>;
template class TspSkinCustomControlT<TspGraphicSkinControl>;

// ---- TspSkinCustomControl -------------------------------------------------------------------

TspSkinCustomControl::TspSkinCustomControl(TComponent* AOwner) : TspSkinCustomControlT<TspSkinControl>(AOwner) {}

void TspSkinCustomControl::SetControlRegion() {
  if (!Parent() || !HandleAllocated()) return;
  if (!SkinMask || ControlIndex == -1) {
    if (ControlRegion) {
      SetWindowRgn(Handle(), nullptr, TRUE);
      ControlRegion = nullptr;
    }
    return;
  }
  int w = Width(), h = Height();
  CalcSize(w, h);
  const int W = Width(), H = Height(), SW = SkinRect.Width(), SH = SkinRect.Height();
  HRGN region = nullptr;
  switch (ResizeMode) {
    case 1:
      CreateSkinRegion(region, LTPoint, RTPoint, LBPoint, RBPoint, ClRect, FittedLeftTop, FittedRightTop,
                       FittedLeftBottom, FittedRightBottom, FittedClientRect, SkinMask, W, H);
      break;
    case 2: {
      const TPoint nrt{RTPoint.X + W - SW, RTPoint.Y};
      CreateSkinRegion(region, LTPoint, RTPoint, LTPoint, RTPoint, ClRect, LTPoint, nrt, LTPoint, nrt,
                       FittedClientRect, SkinMask, W, H);
      break;
    }
    case 3: {
      const TPoint nlb{LBPoint.X, LBPoint.Y + H - SH};
      CreateSkinRegion(region, LTPoint, LTPoint, LBPoint, LBPoint, ClRect, LTPoint, LTPoint, nlb, nlb,
                       FittedClientRect, SkinMask, W, H);
      break;
    }
    case 0: CreateRegionFromBitmap(region, SkinMask); break;
    default: break;
  }
  // The window owns an installed region and frees the one it replaces.
  SetWindowRgn(Handle(), region, TRUE);
  ControlRegion = region;
}

void TspSkinCustomControl::Paint() {
  const int W = Width(), H = Height();
  if (W < 1 || H < 1) return;
  GetSkinData();
  int w = W, h = H;
  CalcSize(w, h);
  if (ControlIndex == -1 || !DrawByParts || ResizeMode != 1 || AlphaBlend()) {
    TspSkinControl::Paint();
    return;
  }
  PaintByParts();
}

void TspSkinCustomControl::PaintByParts() {
  const int W = Width(), H = Height();
  TBitmap left, top, right, bottom;
  for (TBitmap* b : {&left, &top, &right, &bottom}) b->SetPixelFormat(pf24bit);
  CreateSkinBorderImages(LTPoint, RTPoint, LBPoint, RBPoint, ClRect, FittedLeftTop, FittedRightTop, FittedLeftBottom,
                         FittedRightBottom, FittedClientRect, &left, &top, &right, &bottom, SkinPicture, SkinRect, W,
                         H, LeftStretch, TopStretch, RightStretch, BottomStretch);
  CreateControlSkinImage(&top);
  TCanvas* C = Canvas();
  HDC dc = C->Handle();
  if (FillClient && SkinPicture) {
    const TRect piece{SkinRect.Left + ClRect.Left, SkinRect.Top + ClRect.Top, SkinRect.Left + ClRect.Right,
                      SkinRect.Top + ClRect.Bottom};
    const int pw = piece.Width(), ph = piece.Height();
    const TRect& F = FittedClientRect;
    if (pw > 0 && ph > 0) {
      TBitmap tile;
      tile.SetPixelFormat(pf24bit);
      tile.SetSize(pw, ph);
      tile.Canvas()->CopyRect(TRect{0, 0, pw, ph}, SkinPicture->Canvas(), piece);
      const int saved = SaveDC(dc);
      IntersectClipRect(dc, F.Left, F.Top, F.Right, F.Bottom);
      if (!StretchEffect) {
        for (int i = 0; i <= F.Width() / pw; ++i)
          for (int j = 0; j <= F.Height() / ph; ++j) C->Draw(F.Left + i * pw, F.Top + j * ph, &tile);
      } else if (F.Width() > 0 && F.Height() > 0) {
        if (StretchType == stFull) {
          C->StretchDraw(F, &tile);
        } else if (StretchType == stHorz) {
          for (int i = 0; i <= F.Width() / pw; ++i)
            C->StretchDraw(TRect{F.Left + i * pw, F.Top, F.Left + (i + 1) * pw, F.Bottom}, &tile);
        } else {
          for (int j = 0; j <= F.Height() / ph; ++j)
            C->StretchDraw(TRect{F.Left, F.Top + j * ph, F.Right, F.Top + (j + 1) * ph}, &tile);
        }
      }
      RestoreDC(dc, saved);
    }
  }
  C->Draw(0, 0, &top);
  C->Draw(0, top.Height(), &left);
  C->Draw(W - right.Width(), top.Height(), &right);
  C->Draw(0, H - bottom.Height(), &bottom);
}

TspGraphicSkinCustomControl::TspGraphicSkinCustomControl(TComponent* AOwner)
    : TspSkinCustomControlT<TspGraphicSkinControl>(AOwner) {}

// ---- What the skinned-form controller asks of skinned controls -----------------------------
// The controller lives in the library below this one; it walks its form's
// controls through these before and after a skin load and places controls
// on skin areas.
namespace {

const bool kControllerLinks = [] {
  TspSkinControlLinks& links = SkinControlLinks();
  links.SkinDataOf = [](TControl* c, TspSkinData*& bound) {
    if (auto* w = dynamic_cast<TspSkinControl*>(c)) return bound = w->SkinData(), true;
    if (auto* g = dynamic_cast<TspGraphicSkinControl*>(c)) return bound = g->SkinData(), true;
    if (auto* l = dynamic_cast<TspSkinStdLabel*>(c)) return bound = l->SkinData(), true;
    if (auto* t = dynamic_cast<TspSkinTextLabel*>(c)) return bound = t->SkinData(), true;
    if (auto* e = dynamic_cast<TspSkinCustomEdit*>(c)) return bound = e->SkinData(), true;
    return false;
  };
  links.IsSkinEdit = [](TControl* c) { return dynamic_cast<TspSkinCustomEdit*>(c) != nullptr; };
  links.ResetSkinIndex = [](TControl* c) {
    if (auto* w = dynamic_cast<TspSkinControl*>(c))
      w->ResetSkinIndex();
    else if (auto* g = dynamic_cast<TspGraphicSkinControl*>(c))
      g->ResetSkinIndex();
  };
  links.ChangeSkinData = [](TControl* c) {
    if (auto* g = dynamic_cast<TspGraphicSkinControl*>(c))
      g->ChangeSkinData();
    else if (auto* w = dynamic_cast<TspSkinControl*>(c))
      w->ChangeSkinData();
    else if (auto* e = dynamic_cast<TspSkinCustomEdit*>(c))
      e->ChangeSkinData();
    else if (auto* l = dynamic_cast<TspSkinStdLabel*>(c))
      l->ChangeSkinData();
    else if (auto* t = dynamic_cast<TspSkinTextLabel*>(c))
      t->ChangeSkinData();
  };
  links.SetSizeGripShown = [](TspSkinStatusBar* bar, bool shown) { bar->SetSizeGripShown(shown); };
  links.AreaName = [](TControl* c) -> std::string {
    if (auto* w = dynamic_cast<TspSkinControl*>(c)) return w->AreaName;
    if (auto* g = dynamic_cast<TspGraphicSkinControl*>(c)) return g->AreaName;
    return std::string();
  };
  return true;
}();

}  // namespace
