// The skinned push button: states, fades between the normal and the
// highlighted look, the focus animation, the glow layer, auto-repeat and the
// Default, Cancel and ModalResult roles.
#include <algorithm>
#include <cmath>

#include "platform/gdi/Gdi.h"
#include "platform/graphics/ImageList.h"
#include "platform/ui/forms/Forms.h"
#include "platform/user/User.h"
#include "skin/controls/SkinCtrls.h"
#include "skin/controls/SkinCtrls_Internal.h"
#include "skin/engine/speffbmp.h"

using namespace skinctrls;

namespace {

bool ShiftHeld() {
  return GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0;
}

}  // namespace

TspSkinButton::TspSkinButton(TComponent* AOwner)
    : TspSkinCustomControl(AOwner), glyph_(std::make_unique<TBitmap>()) {
  ControlStyle |= csCaptureMouse;
  layerManager_ = new TspLayerManager(this);
  SetSkinDataName("button");
  SetBounds(Left(), Top(), 75, 25);
  SetTabStop(true);
  glyph_->OnChange = [this](TObject*) { Repaint(); };
}

TspSkinButton::~TspSkinButton() {
  glyph_->OnChange = nullptr;
  morphTimer_.reset();
  repeatTimer_.reset();
  animateTimer_.reset();
  stoppedTimer_.reset();
}

// ---- Properties -------------------------------------------------------------------------

void TspSkinButton::SetDefault(bool value) {
  default_ = value;
  if (HandleAllocated() && canFocused_ && !Designing())
    if (TCustomForm* form = GetParentForm(this))
      form->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(form->ActiveControl()));
}

void TspSkinButton::SetCanFocused(bool value) {
  canFocused_ = value;
  SetTabStop(value);
}

void TspSkinButton::SetGroupIndex(int value) {
  groupIndex_ = value;
  if (value != 0) SetCanFocused(false);
}

void TspSkinButton::SetGlyph(const TBitmap* value) {
  glyph_->Assign(value);
  Repaint();
}

void TspSkinButton::SetNumGlyphs(TspNumGlyphs value) {
  numGlyphs_ = std::clamp(value, 1, 4);
  Repaint();
}

void TspSkinButton::SetMargin(int value) {
  if (value == margin_ || value < -1) return;
  margin_ = value;
  Repaint();
}

void TspSkinButton::SetSpacing(int value) {
  if (value == spacing_) return;
  spacing_ = value;
  Repaint();
}

void TspSkinButton::SetLayout(TspButtonLayout value) {
  if (value == layout_) return;
  layout_ = value;
  Repaint();
}

void TspSkinButton::SetImageList(TImageList* value) {
  if (imageList_) imageList_->RemoveFreeNotification(this);
  imageList_ = value;
  if (imageList_) imageList_->FreeNotification(this);
  Repaint();
}

void TspSkinButton::SetImageIndex(int value) {
  if (value == imageIndex_) return;
  imageIndex_ = value;
  Repaint();
}

void TspSkinButton::Notification(TComponent* AComponent, TOperation Operation) {
  TspSkinCustomControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == imageList_) imageList_ = nullptr;
}

void TspSkinButton::SetDown(bool value) {
  down_ = value;
  if (CanMorph()) {
    MorphRatio = 1.0;
    if (down_)
      StopMorph();
    else
      StartMorph();  // the highlight fades out after a release
  }
  Repaint();
  if (groupIndex_ != 0 && down_ && !AllowAllUp) ReleaseGroup();
}

void TspSkinButton::ReleaseGroup() {
  if (!Parent()) return;
  for (int i = 0; i < Parent()->ControlCount(); ++i) {
    auto* b = dynamic_cast<TspSkinButton*>(Parent()->Controls(i));
    if (b && b != this && b->groupIndex_ == groupIndex_ && b->down_) b->SetDown(false);
  }
}

// ---- Clicking -----------------------------------------------------------------------------

void TspSkinButton::ButtonClick() {
  if (canFocused_)
    if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(ModalResult);
  if (OnClick) OnClick(this);
}

// The framework's click on release is not the button's click.
void TspSkinButton::Click() {}

// ---- Skin -------------------------------------------------------------------------------------

bool TspSkinButton::ShowsFocus() { return canFocused_ && HandleAllocated() && Focused(); }

bool TspSkinButton::SkinEffectsOn() const {
  return SkinData() && !SkinData()->Empty && SkinData()->EnableSkinEffects;
}

bool TspSkinButton::CanMorph() const { return morphing_ && SkinEffectsOn(); }

bool TspSkinButton::HasAnimation() const {
  return ControlIndex != -1 && SkinEffectsOn() && !IsNullRect(animateskinrect_);
}

void TspSkinButton::GetSkinData() {
  TspSkinCustomControl::GetSkinData();
  if (ControlIndex == -1) {
    morphing_ = false;
    animateskinrect_ = TRect{};
    return;
  }
  if (auto* d = dynamic_cast<TspDataSkinButtonControl*>(SkinData()->SkinControls[std::size_t(ControlIndex)].get())) {
    if (!UseSkinSize && d->maskpictureindex != -1) SkinMask = nullptr;
    fontname_ = d->fontname;
    fontheight_ = d->fontheight;
    fontstyle_ = d->fontstyle;
    fontcolor_ = d->fontcolor;
    activefontcolor_ = d->activefontcolor;
    downfontcolor_ = d->downfontcolor;
    disabledfontcolor_ = d->disabledfontcolor == d->fontcolor ? 0x00808080 : d->disabledfontcolor;
    activeskinrect_ = IsNullRect(d->activeskinrect) ? d->skinrect : d->activeskinrect;
    downskinrect_ = IsNullRect(d->downskinrect) ? activeskinrect_ : d->downskinrect;
    disabledskinrect_ = d->disabledskinrect;
    focusedskinrect_ = d->focusedskinrect;
    morphing_ = d->morphing;
    morphkind_ = d->morphkind;
    animateskinrect_ = d->animateskinrect;
    framecount_ = d->framecount;
    animateinterval_ = d->animateinterval;
    showfocus_ = d->showfocus;
    glowPicture_ = d->glowlayerpictureindex;
    glowMask_ = d->glowlayermaskpictureindex;
    glowLeft_ = d->glowlayeroffsetleft;
    glowTop_ = d->glowlayeroffsettop;
    glowRight_ = d->glowlayeroffsetright;
    glowBottom_ = d->glowlayeroffsetbottom;
    glowShowX_ = d->glowlayershowoffsetx;
    glowShowY_ = d->glowlayershowoffsety;
    glowAlpha_ = d->glowlayeralphablendvalue;
  }
  if (SkinEffectsOn() && animateTimer_ && AnimateFrame > 0 && AnimateFrame <= framecount_) {
    if (animateForward_)
      activeskinrect_ = AnimateFrameRect();
    else
      SkinRect = AnimateFrameRect();
  }
}

TRect TspSkinButton::AnimateFrameRect() const {
  const TRect& A = animateskinrect_;
  const int n = std::max(framecount_, 1), k = AnimateFrame;
  if (A.Width() > SkinRect.Width()) {
    const int w = A.Width() / n;
    return TRect{A.Left + w * (k - 1), A.Top, A.Left + w * k, A.Bottom};
  }
  const int h = A.Height() / n;
  return TRect{A.Left, A.Top + h * (k - 1), A.Right, A.Top + h * k};
}

void TspSkinButton::CalcSize(int& W, int& H) {
  if (UseSkinSize || ResizeMode == 1) {
    TspSkinCustomControl::CalcSize(W, H);
    return;
  }
  FittedClientRect = TRect{ClRect.Left, ClRect.Top, ClRect.Right + (W - SkinRect.Width()),
                           ClRect.Bottom + (H - SkinRect.Height())};
}

void TspSkinButton::ChangeSkinData() {
  StopMorph();
  StopAnimate();
  MorphRatio = 0.0;
  TspSkinCustomControl::ChangeSkinData();
  if (CanMorph() && ControlIndex != -1 && (ShowsFocus() || PointerInside)) MorphRatio = 1.0;
  if (PointerInside) PostToSelf(WM_SPSHOWLAYER);
}

void TspSkinButton::ResetSkinIndex() {
  TspSkinCustomControl::ResetSkinIndex();
  if (layerManager_->LayerVisible) layerManager_->Hide();
}

// ---- Painting -------------------------------------------------------------------------------

int TspSkinButton::GetGlyphNum(bool down, bool in) const {
  if (down && in && numGlyphs_ > 2) return 3;
  if (in && numGlyphs_ > 3) return 4;
  if (Enabled() || numGlyphs_ < 2) return 1;
  return 2;
}

bool TspSkinButton::DownLook() { return down_ && (groupIndex_ != 0 || PointerInside || (ShowsFocus() && !Pressed)); }

void TspSkinButton::ContentAndCaption(TCanvas* C, const TRect& R, bool ADown, bool AMouseIn, bool downFlag) {
  bool drawDefault = true;
  if (OnPaint) OnPaint(this, C, R, ADown, AMouseIn, drawDefault);
  if (!drawDefault) return;
  C->Brush()->SetStyle(bsClear);
  if (imageList_ && imageIndex_ >= 0 && imageIndex_ < imageList_->Count())
    DrawImageAndText(C, R, margin_, spacing_, layout_, Caption(), imageIndex_, imageList_, ADown && AMouseIn,
                     Enabled(), false, 0);
  else
    DrawGlyphAndText(C, R, margin_, spacing_, layout_, Caption(), glyph_.get(), numGlyphs_,
                     GetGlyphNum(ADown, AMouseIn), downFlag, false, 0);
}

void TspSkinButton::CreateControlDefaultImage(TBitmap* B) {
  TspSkinCustomControl::CreateControlDefaultImage(B);
  TCanvas* C = B->Canvas();
  C->Font()->Assign(DefaultFont());
  if (SkinData() && SkinData()->ResourceStrData()) C->Font()->SetCharset(SkinData()->ResourceStrData()->CharSet);
  if (!Enabled()) C->Font()->SetColor(clBtnShadow);
  const TRect R = ClientRect();
  const bool downLook = DownLook();
  const bool hot = !downLook && (PointerInside || ShowsFocus());
  C->Brush()->SetStyle(bsSolid);
  C->Brush()->SetColor(downLook || hot ? kNavy : clBtnShadow);
  C->FrameRect(R);
  C->Brush()->SetColor(downLook ? kDownFill : hot ? kHotFill : clBtnFace);
  C->FillRect(TRect{R.Left + 1, R.Top + 1, R.Right - 1, R.Bottom - 1});
  ContentAndCaption(C, R, down_, PointerInside, downLook);
}

void TspSkinButton::CreateButtonSkinImage(TBitmap* B, const TRect& S, bool ADown, bool AMouseIn) {
  const int W = Width(), H = Height();
  TRect content;
  if (!UseSkinSize && ResizeMode != 1) {
    if (SkinPicture) {
      if (ResizeMode == 0) {
        SetStretchBltMode(B->Canvas()->Handle(), COLORONCOLOR);
        B->Canvas()->CopyRect(TRect{0, 0, W, H}, SkinPicture->Canvas(), S);
      } else {
        CreateStretchSkinImage(B, SkinPicture, S, ClRect, true);
      }
    }
    content = TRect{ClRect.Left, ClRect.Top, ClRect.Right + (B->Width() - S.Width()),
                    ClRect.Bottom + (B->Height() - S.Height())};
  } else {
    CreateControlImageFromSkin(B, SkinPicture, S);
    content = FittedClientRect;
  }
  TCanvas* C = B->Canvas();
  if (UseSkinFont) {
    C->Font()->SetName(fontname_);
    C->Font()->SetHeight(fontheight_);
    C->Font()->SetStyle(fontstyle_);
  } else {
    C->Font()->Assign(DefaultFont());
  }
  C->Font()->SetCharset(SkinData()->ResourceStrData() ? SkinData()->ResourceStrData()->CharSet
                                                      : DefaultFont()->Charset());
  TColor color;
  if (Enabled() && !UseSkinFontColor)
    color = DefaultFont()->Color();
  else if (!Enabled())
    color = disabledfontcolor_;
  else if (ADown && AMouseIn)
    color = downfontcolor_;
  else if (AMouseIn)
    color = activefontcolor_;
  else
    color = fontcolor_;
  C->Font()->SetColor(color);
  if (showfocus_ && ShowsFocus()) {
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(SkinData()->SkinColors.cbtnface);
    C->DrawFocusRect(content);
    C->Brush()->SetStyle(bsClear);
  }
  ContentAndCaption(C, content, ADown, AMouseIn, ADown && AMouseIn);
}

void TspSkinButton::ComposeFace(TBitmap& image) {
  const int W = Width(), H = Height();
  image.SetPixelFormat(pf24bit);
  image.SetSize(W, H);
  if (CanMorph() && MorphRatio != 0.0 && MorphRatio != 1.0 && Enabled()) {
    TBitmap active;
    active.SetPixelFormat(pf24bit);
    active.SetSize(W, H);
    CreateButtonSkinImage(&image, SkinRect, false, false);
    CreateButtonSkinImage(&active, activeskinrect_, false, true);
    TspEffectBmp normal(image.Handle());
    TspEffectBmp target(active.Handle());
    normal.MorphByKind(&target, MorphRatio, morphkind_);
    normal.Draw(image.Canvas()->Handle(), 0, 0);
    return;
  }
  const bool focus = ShowsFocus();
  if (!Enabled() && !IsNullRect(disabledskinrect_))
    CreateButtonSkinImage(&image, disabledskinrect_, false, false);
  else if (DownLook())
    CreateButtonSkinImage(&image, downskinrect_, true, true);
  else if (focus && !IsNullRect(focusedskinrect_) && !animateTimer_)
    CreateButtonSkinImage(&image, focusedskinrect_, false, true);
  else if (focus || PointerInside)
    CreateButtonSkinImage(&image, activeskinrect_, false, true);
  else if (!CanMorph() || MorphRatio != 1.0)
    CreateButtonSkinImage(&image, SkinRect, false, false);
  else
    CreateButtonSkinImage(&image, activeskinrect_, false, true);
}

void TspSkinButton::Paint() {
  GetSkinData();
  if (ControlIndex == -1) {
    TspSkinCustomControl::Paint();
    return;
  }
  if (Width() <= 0 || Height() <= 0) return;
  TBitmap image;
  ComposeFace(image);
  DrawBlended(&image, Canvas());
}

// ---- Morphing, animation, repeat ------------------------------------------------------

void TspSkinButton::StopTimer(std::unique_ptr<TTimer>& timer) {
  if (!timer) return;
  timer->SetEnabled(false);
  stoppedTimer_ = std::move(timer);
}

void TspSkinButton::StartMorph() {
  if (morphTimer_) return;
  morphTimer_ = std::make_unique<TTimer>(nullptr);
  morphTimer_->SetInterval(kMorphInterval);
  morphTimer_->SetOnTimer([this](TObject*) { MorphTimerProc(); });
}

void TspSkinButton::StopMorph() { StopTimer(morphTimer_); }

void TspSkinButton::StartMorphOrRepaint() {
  if (CanMorph() && ControlIndex != -1)
    StartMorph();
  else
    Repaint();
}

void TspSkinButton::MorphTimerProc() {
  const bool target = PointerInside || ShowsFocus();
  if (ControlIndex == -1 || !CanMorph()) {
    MorphRatio = target ? 1.0 : 0.0;
    StopMorph();
    return;
  }
  if (!StepMorphRatio(MorphRatio, target)) StopMorph();
  Repaint();
}

void TspSkinButton::StartAnimate(bool forward) {
  if (!HasAnimation()) return;
  StopAnimate();
  animateForward_ = forward;
  AnimateFrame = forward ? 1 : framecount_;
  animateTimer_ = std::make_unique<TTimer>(nullptr);
  animateTimer_->SetInterval(Cardinal(std::max(animateinterval_, 0)));
  animateTimer_->SetOnTimer([this](TObject*) { AnimateTimerProc(); });
}

void TspSkinButton::StopAnimate() {
  StopTimer(animateTimer_);
  AnimateFrame = 0;
}

void TspSkinButton::AnimateTimerProc() {
  if (animateForward_ ? AnimateFrame <= framecount_ : AnimateFrame >= 0) {
    AnimateFrame += animateForward_ ? 1 : -1;
    Repaint();
    if (animateForward_ ? AnimateFrame <= framecount_ : AnimateFrame > 0) return;
  }
  StopAnimate();
  Repaint();
}

void TspSkinButton::StartRepeat() {
  StopTimer(repeatTimer_);
  repeatTimer_ = std::make_unique<TTimer>(nullptr);
  repeatTimer_->SetInterval(kRepeatDelay);
  repeatTimer_->SetOnTimer([this](TObject*) {
    // The first click comes when the delay ends, then one per interval.
    repeatTimer_->SetInterval(Cardinal(std::max(RepeatInterval, 1)));
    ButtonClick();
  });
}

void TspSkinButton::StopRepeat() { StopTimer(repeatTimer_); }

bool StepMorphRatio(double& ratio, bool target) {
  // Compared with a little slack: five steps of 0.2 do not sum to 1 exactly.
  if (target && ratio < 1.0 - 1e-9) {
    ratio = std::min(1.0, ratio + 0.2);
    return true;
  }
  if (!target && ratio > 1e-9) {
    ratio = std::max(0.0, ratio - 0.2);
    return true;
  }
  ratio = target ? 1.0 : 0.0;
  return false;
}

// ---- Glow layer -------------------------------------------------------------------------------

void TspSkinButton::PostToSelf(UINT msg) {
  if (HandleAllocated()) PostMessage(Handle(), msg, 0, 0);
}

bool TspSkinButton::LayerReady() const {
  return SkinData() && !SkinData()->Empty && IsWindows2000OrLater() &&
         (SkinData()->ShowButtonGlowFrames || AlwaysShowLayeredFrame) && glowPicture_ != -1 && ControlIndex != -1;
}

void TspSkinButton::ShowLayerFrame() {
  if (!LayerReady()) return;
  TCustomForm* parentForm = GetParentForm(this);
  // A form waiting for a modal dialog shows no glow; the glow follows the
  // form and goes when the form is disabled.
  if (parentForm && parentForm->HandleAllocated()) {
    if (!IsWindowEnabled(parentForm->Handle())) return;
    layerManager_->SetOwnerWindow(parentForm->Handle());
  }
  if (auto* form = dynamic_cast<TForm*>(parentForm)) layerManager_->TopMost = form->FormStyle() == fsStayOnTop;
  TBitmap* G = SkinData()->GetActivePicture(glowPicture_);
  TBitmap* M = SkinData()->GetActivePicture(glowMask_);
  if (!G || !M) return;
  const int W = Width(), H = Height(), SW = SkinRect.Width(), SH = SkinRect.Height();
  // A button smaller than its skin rectangle by more than the glow's size
  // has no glow to show (the fitted glow would have no pixels).
  if (ResizeMode != 0 && (G->Width() + W - SW < 1 || (ResizeMode == 1 && G->Height() + H - SH < 1))) return;
  TBitmap image, mask;
  TBitmap *showImage = nullptr, *showMask = nullptr;
  if (ResizeMode == 0) {
    showImage = G;
    showMask = M;
  } else if (ResizeMode == 2 && UseSkinSize) {
    const int nw = G->Width() + W - SW;
    const TRect all{0, 0, G->Width(), G->Height()};
    CreateHSkinImage(glowLeft_, glowRight_, &image, G, all, nw, true);
    CreateHSkinImage(glowLeft_, glowRight_, &mask, M, TRect{0, 0, M->Width(), M->Height()}, nw, true);
    showImage = &image;
    showMask = &mask;
  } else if (ResizeMode == 1) {
    for (auto [dst, src] : {std::pair{&image, G}, std::pair{&mask, M}}) {
      dst->SetPixelFormat(pf24bit);
      dst->SetSize(src->Width() + W - SW, src->Height() + H - SH);
      CreateStretchSkinImage(dst, src, TRect{0, 0, src->Width(), src->Height()},
                             TRect{glowLeft_, glowTop_, src->Width() - glowRight_, src->Height() - glowBottom_},
                             true);
    }
    showImage = &image;
    showMask = &mask;
  } else {
    return;
  }
  const TPoint origin = ClientToScreen(TPoint{0, 0});
  layerManager_->Show(origin.X - glowShowX_, origin.Y - glowShowY_, showImage, showMask, glowAlpha_);
}

void TspSkinButton::HideLayerFrame() {
  if (!LayerReady()) return;
  if (ResizeMode == 0 || ResizeMode == 1 || (ResizeMode == 2 && UseSkinSize)) layerManager_->Hide();
}

// ---- Mouse -----------------------------------------------------------------------------------

void TspSkinButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = AliveToken();
  TspSkinCustomControl::MouseDown(Button, Shift, X, Y);
  if (!*alive || Button != TMouseButton::mbLeft) return;
  if (HasAnimation()) StopAnimate();
  Pressed = true;
  if (!down_) {
    PointerInside = true;
    SetDown(true);
    if (RepeatMode && groupIndex_ == 0)
      StartRepeat();
    else if (groupIndex_ != 0)
      ButtonClick();
    downAtPress_ = false;
  } else if (groupIndex_ != 0) {
    downAtPress_ = true;
  }
}

void TspSkinButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = AliveToken();
  if (Button == TMouseButton::mbLeft) {
    Pressed = false;
    const bool wasDown = down_;
    if (groupIndex_ == 0) {
      if (PointerInside) {
        SetDown(false);
        if (repeatTimer_) StopRepeat();
        if (wasDown) ButtonClick();
      } else {
        down_ = false;
        StopRepeat();
      }
    } else if (wasDown && AllowAllUp && downAtPress_ && PointerInside) {
      SetDown(false);
      ButtonClick();
    }
  }
  if (*alive && HandleAllocated() && Visible()) TspSkinCustomControl::MouseUp(Button, Shift, X, Y);
}

void TspSkinButton::MouseEnterButton() {
  if (Designing()) return;
  PointerInside = true;
  if ((groupIndex_ != 0 && !down_) || (groupIndex_ == 0 && (!ShowsFocus() || down_))) {
    if (down_) {
      if (CanMorph()) MorphRatio = 1.0;
      Repaint();
    } else {
      StartAnimate(true);
      StartMorphOrRepaint();
    }
  }
  if (down_ && RepeatMode && groupIndex_ == 0) StartRepeat();
  PostToSelf(WM_SPSHOWLAYER);
}

void TspSkinButton::MouseLeaveButton() {
  if (Designing()) return;
  const bool keepsHighlight = canFocused_ && default_ && ActiveDefault && !ShowsFocus();
  if (!keepsHighlight) PointerInside = false;
  if ((groupIndex_ != 0 && !down_) || (groupIndex_ == 0 && (!ShowsFocus() || down_))) {
    StartAnimate(false);
    StartMorphOrRepaint();
  }
  if (down_ && RepeatMode && repeatTimer_ && groupIndex_ == 0) StopRepeat();
  PostToSelf(WM_SPHIDELAYER);
}

// ---- Keyboard, focus and messages -------------------------------------------------------------

void TspSkinButton::FocusChanged(TWinControl* sender) {
  auto* asButton = dynamic_cast<TspSkinButton*>(sender);
  ActiveDefault = asButton ? asButton == this : default_;
  if (!canFocused_ || !default_) return;
  if (asButton && asButton != this) {
    PointerInside = false;
    StartMorphOrRepaint();
  } else if (!asButton) {
    PointerInside = true;
    if (CanMorph()) MorphRatio = 1.0;
    Repaint();
  }
}

void TspSkinButton::CreateWnd() {
  TspSkinCustomControl::CreateWnd();
  ActiveDefault = default_;
}

void TspSkinButton::WndProc(TMessage& Message) {
  if (canFocused_ && !Designing()) {
    switch (Message.Msg) {
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
        if (!Focused()) {
          settingFocus_ = true;
          if (CanFocus()) SetFocus();
          settingFocus_ = false;
          if (!Focused()) return;
        }
        break;
      case WM_KEYDOWN:
        // Enter is not clicked here: it reaches the form as a dialog key,
        // which clicks the focused button (always the active default one);
        // clicking here as well would click twice.
        if (Message.WParam == VK_SPACE) {
          SetDown(true);
          if (RepeatMode) ButtonClick();
        }
        break;
      case WM_KEYUP:
        if (Message.WParam == VK_SPACE) {
          SetDown(false);
          ButtonClick();
        }
        break;
      default: break;
    }
  }
  TspSkinCustomControl::WndProc(Message);
}

void TspSkinButton::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ERASEBKGND:
      // Outside its own painting (a parent drawing its children into a DC)
      // the button draws itself whole into that DC.
      if (!InPaintMessage && Message.WParam) {
        GetSkinData();
        TCanvas c;
        c.SetHandle(reinterpret_cast<HDC>(Message.WParam));
        TBitmap image;
        if (ControlIndex != -1) {
          ComposeFace(image);
        } else {
          image.SetPixelFormat(pf24bit);
          image.SetSize(Width(), Height());
          if (DrawDefault) CreateControlDefaultImage(&image);
        }
        c.Draw(0, 0, &image);
        c.SetHandle(nullptr);
      }
      Message.Result = 1;
      return;
    case WM_SETFOCUS:
      TspSkinCustomControl::Dispatch(Message);
      if (canFocused_) {
        StartAnimate(true);
        StartMorphOrRepaint();
      }
      return;
    case WM_KILLFOCUS:
      if (RepeatMode && repeatTimer_) StopRepeat();
      if (groupIndex_ == 0 && down_) down_ = false;
      TspSkinCustomControl::Dispatch(Message);
      if (canFocused_) {
        StartAnimate(false);
        if (CanMorph() && ControlIndex != -1)
          StartMorph();
        else
          Invalidate();
      }
      return;
    case CM_DIALOGKEY: {
      const Word key = Word(Message.WParam);
      if ((key == VK_RETURN && ActiveDefault && Enabled()) ||
          (key == VK_ESCAPE && Cancel && canFocused_ && !ShiftHeld() && CanFocus())) {
        ButtonClick();
        Message.Result = 1;
        return;
      }
      break;
    }
    case CM_DIALOGCHAR:
      if (IsAccel(Word(Message.WParam), Caption()) && CanFocus() && canFocused_) {
        SetFocus();
        ButtonClick();
        Message.Result = 1;
        return;
      }
      break;
    case CM_FOCUSCHANGED:
      FocusChanged(reinterpret_cast<TWinControl*>(Message.LParam));
      break;
    case CM_ENABLEDCHANGED:
      TspSkinCustomControl::Dispatch(Message);
      if (CanMorph()) {
        StopMorph();
        MorphRatio = 0.0;
      }
      PointerInside = false;
      Repaint();
      return;
    case CM_TEXTCHANGED:
      TspSkinCustomControl::Dispatch(Message);
      if (ControlIndex != -1 || Designing() || DrawDefault) Repaint();
      return;
    case CM_MOUSEENTER: {
      auto alive = AliveToken();
      TspSkinCustomControl::Dispatch(Message);
      if (*alive) MouseEnterButton();
      return;
    }
    case CM_MOUSELEAVE: {
      auto alive = AliveToken();
      TspSkinCustomControl::Dispatch(Message);
      if (*alive) MouseLeaveButton();
      return;
    }
    case WM_SPSHOWLAYER: ShowLayerFrame(); return;
    case WM_SPHIDELAYER: HideLayerFrame(); return;
    default: break;
  }
  TspSkinCustomControl::Dispatch(Message);
}
