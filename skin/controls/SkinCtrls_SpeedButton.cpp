// The skinned speed button: states, flat mode, fades, frame animation,
// auto-repeat, groups, and the images-menu selection.
#include "skin/controls/SkinCtrls_SpeedButton.h"

#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/graphics/ImageList.h"
#include "skin/controls/SkinCtrls_Internal.h"
#include "skin/engine/speffbmp.h"

using namespace skinctrls;

TspSkinSpeedButton::TspSkinSpeedButton(TComponent* AOwner)
    : TspGraphicSkinCustomControl(AOwner), glyph_(std::make_unique<TBitmap>()) {
  // Clicks come from the button's own logic, not the framework's.
  ControlStyle = csCaptureMouse | csOpaque | csDoubleClicks;
  SetSkinDataName("toolbutton");
  SetBounds(Left(), Top(), 25, 25);
  glyph_->OnChange = [this](TObject*) { Repaint(); };
}

TspSkinSpeedButton::~TspSkinSpeedButton() {
  StopRepeat();
  StopAnimate();
  glyph_->OnChange = nullptr;
  StopMorph();
  if (imagesMenu_) imagesMenu_->ChangeNotify = nullptr;
  morphTimer_.reset();
  repeatTimer_.reset();
  animateTimer_.reset();
  stoppedTimer_.reset();
}

// ---- Properties -------------------------------------------------------------------------

void TspSkinSpeedButton::SetFlat(bool v) {
  flat_ = v;
  GetSkinData();  // a flat button never fades: the copy follows at once
  if (v)
    ControlStyle &= ~csOpaque;
  else
    ControlStyle |= csOpaque;
  Invalidate();
}

void TspSkinSpeedButton::SetGlyph(const TBitmap* v) {
  glyph_->Assign(v);
  Repaint();
}

void TspSkinSpeedButton::SetNumGlyphs(TspNumGlyphs v) {
  numGlyphs_ = std::clamp(v, 1, 4);
  Repaint();
}

void TspSkinSpeedButton::SetMargin(int v) {
  if (v == margin_ || v < -1) return;
  margin_ = v;
  Repaint();
}

void TspSkinSpeedButton::SetSpacing(int v) {
  if (v == spacing_) return;
  spacing_ = v;
  Repaint();
}

void TspSkinSpeedButton::SetLayout(TspButtonLayout v) {
  if (v == layout_) return;
  layout_ = v;
  Repaint();
}

void TspSkinSpeedButton::SetImageList(TImageList* v) {
  if (imageList_) imageList_->RemoveFreeNotification(this);
  imageList_ = v;
  if (imageList_) imageList_->FreeNotification(this);
  Repaint();
}

void TspSkinSpeedButton::SetImageIndex(int v) {
  imageIndex_ = v;
  if (imageList_) Repaint();
}

void TspSkinSpeedButton::SetShowCaption(bool v) {
  if (v == showCaption_) return;
  showCaption_ = v;
  if (WidthWithCaption > 0 && WidthWithoutCaption > 0)
    SetWidth(v ? WidthWithCaption : WidthWithoutCaption);
  else
    Repaint();
}

void TspSkinSpeedButton::SetSkinImagesMenu(TspImagesMenuBase* menu) {
  if (imagesMenu_) {
    imagesMenu_->ChangeNotify = nullptr;
    imagesMenu_->RemoveFreeNotification(this);
  }
  imagesMenu_ = menu;
  if (imagesMenu_) {
    imagesMenu_->FreeNotification(this);
    imagesMenu_->ChangeNotify = [this] { Repaint(); };
  }
  Repaint();
}

void TspSkinSpeedButton::Notification(TComponent* AComponent, TOperation Operation) {
  TspGraphicSkinCustomControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == imagesMenu_) imagesMenu_ = nullptr;
  if (AComponent == imageList_) imageList_ = nullptr;
}

void TspSkinSpeedButton::SetDown(bool v) {
  down_ = v;
  if (CanMorph()) {
    MorphRatio = 1.0;
    if (down_)
      StopMorph();
    else
      StartMorph();
  }
  Repaint();
  if (groupIndex_ != 0 && down_ && !AllowAllUp) ReleaseGroup();
}

void TspSkinSpeedButton::ReleaseGroup() {
  if (!Parent()) return;
  for (int i = 0; i < Parent()->ControlCount(); ++i) {
    auto* b = dynamic_cast<TspSkinSpeedButton*>(Parent()->Controls(i));
    if (b && b != this && b->groupIndex_ == groupIndex_ && b->down_) b->SetDown(false);
  }
}

void TspSkinSpeedButton::ButtonClick() {
  if (OnClick) OnClick(this);
}

// ---- Skin -------------------------------------------------------------------------------------

bool TspSkinSpeedButton::SkinEffectsOn() const {
  return SkinData() && !SkinData()->Empty && SkinData()->EnableSkinEffects;
}

bool TspSkinSpeedButton::CanMorph() const { return morphing_ && SkinEffectsOn(); }

bool TspSkinSpeedButton::HasAnimation() const {
  return ControlIndex != -1 && SkinEffectsOn() && !IsNullRect(animateskinrect_) && !flat_;
}

void TspSkinSpeedButton::GetSkinData() {
  TspGraphicSkinCustomControl::GetSkinData();
  if (ControlIndex == -1) {
    morphing_ = false;
    activeskinrect_ = TRect{};
    return;
  }
  if (auto* d = dynamic_cast<TspDataSkinButtonControl*>(SkinData()->SkinControls[std::size_t(ControlIndex)].get())) {
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
    morphing_ = d->morphing && !flat_;
    morphkind_ = d->morphkind;
    animateskinrect_ = d->animateskinrect;
    framecount_ = d->framecount;
    animateinterval_ = d->animateinterval;
    menumarkerrect_ = d->menumarkerrect;
    menumarkeractiverect_ = IsNullRect(d->menumarkeractiverect) ? menumarkerrect_ : d->menumarkeractiverect;
    menumarkerdownrect_ = IsNullRect(d->menumarkerdownrect) ? menumarkeractiverect_ : d->menumarkerdownrect;
    menumarkerflatrect_ = IsNullRect(d->menumarkerflatrect) ? menumarkerrect_ : d->menumarkerflatrect;
    menumarkertransparentcolor_ = d->menumarkertransparentcolor;
  }
  if (SkinEffectsOn() && animateTimer_ && animateFrame_ > 0 && animateFrame_ <= framecount_) {
    if (animateForward_)
      activeskinrect_ = AnimateFrameRect();
    else
      SkinRect = AnimateFrameRect();
  }
}

TRect TspSkinSpeedButton::AnimateFrameRect() const {
  const TRect& A = animateskinrect_;
  const int n = std::max(framecount_, 1), k = animateFrame_;
  if (A.Width() > SkinRect.Width()) {
    const int w = A.Width() / n;
    return TRect{A.Left + w * (k - 1), A.Top, A.Left + w * k, A.Bottom};
  }
  const int h = A.Height() / n;
  return TRect{A.Left, A.Top + h * (k - 1), A.Right, A.Top + h * k};
}

void TspSkinSpeedButton::CalcSize(int& W, int& H) {
  if (UseSkinSize || ResizeMode == 1) {
    TspGraphicSkinCustomControl::CalcSize(W, H);
    return;
  }
  FittedClientRect = TRect{ClRect.Left, ClRect.Top, ClRect.Right + (W - SkinRect.Width()),
                           ClRect.Bottom + (H - SkinRect.Height())};
}

void TspSkinSpeedButton::ChangeSkinData() {
  StopAnimate();
  StopMorph();
  TspGraphicSkinCustomControl::ChangeSkinData();
  if (CanMorph() && ControlIndex != -1 && PointerInside) MorphRatio = 1.0;
}

// ---- Painting -------------------------------------------------------------------------------

int TspSkinSpeedButton::GetGlyphNum(bool down, bool in) const {
  if (down && in && numGlyphs_ > 2) return 3;
  if (in && numGlyphs_ > 3) return 4;
  if (Enabled() || numGlyphs_ < 2) return 1;
  return 2;
}

void TspSkinSpeedButton::DrawContent(TCanvas* C, const TRect& R, bool ADown, bool AMouseIn, bool downFlag) {
  C->Brush()->SetStyle(bsClear);
  const bool pressed = ADown && AMouseIn;
  int index = 0;
  std::string caption;
  if (imagesMenu_ && UseImagesMenuImage && imagesMenu_->SelectedItem(index, caption)) {
    DrawImageAndText(C, R, margin_, spacing_, layout_, UseImagesMenuCaption ? caption : ShownCaption(), index,
                     imagesMenu_->ImagesList(), pressed, Enabled(), ShowColorBar, ColorBarColor);
  } else if (glyph_->Empty() && imageList_) {
    DrawImageAndText(C, R, margin_, spacing_, layout_, ShownCaption(), imageIndex_, imageList_, pressed, Enabled(),
                     ShowColorBar, ColorBarColor);
  } else {
    DrawGlyphAndText(C, R, margin_, spacing_, layout_, ShownCaption(), glyph_.get(), numGlyphs_,
                     GetGlyphNum(ADown, AMouseIn), downFlag, ShowColorBar, ColorBarColor);
  }
}

void TspSkinSpeedButton::CreateControlDefaultImage(TBitmap* B) {
  TspGraphicSkinCustomControl::CreateControlDefaultImage(B);
  TCanvas* C = B->Canvas();
  const TRect R{0, 0, Width(), Height()};
  const bool downLook = DownLook();
  C->Brush()->SetStyle(bsSolid);
  C->Brush()->SetColor(downLook || PointerInside ? kNavy : clBtnShadow);
  C->FrameRect(R);
  C->Brush()->SetColor(downLook ? kDownFill : PointerInside ? kHotFill : clBtnFace);
  C->FillRect(TRect{1, 1, R.Right - 1, R.Bottom - 1});
  C->Font()->Assign(DefaultFont());
  C->Font()->SetCharset(SkinData() && SkinData()->ResourceStrData() ? SkinData()->ResourceStrData()->CharSet
                                                                    : DefaultFont()->Charset());
  bool drawDefault = DrawDefault;
  if (OnPaint) OnPaint(this, C, R, down_, PointerInside, drawDefault);
  if (!drawDefault) return;
  if (!Enabled()) C->Font()->SetColor(clBtnShadow);
  DrawContent(C, R, down_, PointerInside, downLook);
}

void TspSkinSpeedButton::ApplyFace(TCanvas* C, bool ADown, bool AMouseIn) {
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
}

void TspSkinSpeedButton::CreateButtonSkinImage(TBitmap* B, const TRect& S, bool ADown, bool AMouseIn) {
  const int W = Width(), H = Height();
  if (!UseSkinSize && ResizeMode != 1) {
    if (SkinPicture) {
      if (ResizeMode == 0) {
        SetStretchBltMode(B->Canvas()->Handle(), COLORONCOLOR);
        B->Canvas()->CopyRect(TRect{0, 0, W, H}, SkinPicture->Canvas(), S);
      } else {
        CreateStretchSkinImage(B, SkinPicture, S, ClRect, true);
      }
    }
  } else {
    CreateControlImageFromSkin(B, SkinPicture, S);
  }
  TCanvas* C = B->Canvas();
  ApplyFace(C, ADown, AMouseIn);
  bool drawDefault = true;
  if (OnPaint) OnPaint(this, C, FittedClientRect, ADown, AMouseIn, drawDefault);
  if (drawDefault) DrawContent(C, FittedClientRect, ADown, AMouseIn, ADown && AMouseIn);
}

void TspSkinSpeedButton::ComposeFace(TBitmap& image) {
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
  if (!Enabled() && !IsNullRect(disabledskinrect_))
    CreateButtonSkinImage(&image, disabledskinrect_, false, false);
  else if (DownLook())
    CreateButtonSkinImage(&image, downskinrect_, true, true);
  else if (PointerInside || (CanMorph() && MorphRatio == 1.0))
    CreateButtonSkinImage(&image, activeskinrect_, false, true);
  else
    CreateButtonSkinImage(&image, SkinRect, false, false);
}

void TspSkinSpeedButton::PaintFlatAtRest(const TRect& R, bool described) {
  // No face: the parent shows through behind the content.
  TCanvas* C = Canvas();
  if (described) {
    if (UseSkinFont) {
      C->Font()->SetName(fontname_);
      C->Font()->SetStyle(fontstyle_);
      C->Font()->SetHeight(fontheight_);
    } else {
      C->Font()->Assign(DefaultFont());
    }
    const TspSkinColors& colors = SkinData()->SkinColors;
    C->Font()->SetColor(!Enabled() ? colors.cbtnshadow : UseSkinFontColor ? colors.cbtntext : DefaultFont()->Color());
  } else {
    C->Font()->Assign(DefaultFont());
    if (!Enabled()) C->Font()->SetColor(clBtnShadow);
  }
  TspSkinData* sd = SkinData();
  C->Font()->SetCharset(sd && sd->ResourceStrData() ? sd->ResourceStrData()->CharSet : DefaultFont()->Charset());
  bool drawDefault = DrawDefault;
  if (OnPaint) OnPaint(this, C, R, down_, PointerInside, drawDefault);
  if (drawDefault) DrawContent(C, R, down_, PointerInside, false);
}

void TspSkinSpeedButton::Paint() {
  GetSkinData();
  const int W = Width(), H = Height();
  if (W <= 0 || H <= 0) return;
  if (ControlIndex == -1) {
    if (DownLook() || PointerInside || !flat_)
      TspGraphicSkinCustomControl::Paint();
    else
      PaintFlatAtRest(TRect{0, 0, W, H}, false);
    return;
  }
  int w = W, h = H;
  CalcSize(w, h);
  if (!flat_ || PointerInside || (down_ && groupIndex_ != 0)) {
    TBitmap image;
    ComposeFace(image);
    DrawBlended(&image, Canvas());
    return;
  }
  PaintFlatAtRest(FittedClientRect, true);
}

void TspSkinSpeedButton::DrawMenuMarker(TCanvas* C, const TRect& R, bool mouseIn, bool down, bool flat) {
  GetSkinData();
  if (ControlIndex == -1 || !SkinPicture) return;
  const TRect& piece = down      ? menumarkerdownrect_
                       : mouseIn ? menumarkeractiverect_
                       : flat    ? menumarkerflatrect_
                                 : menumarkerrect_;
  if (IsNullRect(piece)) return;
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(piece.Width(), piece.Height());
  b.Canvas()->CopyRect(TRect{0, 0, piece.Width(), piece.Height()}, SkinPicture->Canvas(), piece);
  b.SetTransparentMode(tmFixed);
  b.SetTransparentColor(menumarkertransparentcolor_);
  b.SetTransparent(true);
  C->Draw(R.Left + R.Width() / 2 - piece.Width() / 2, R.Top + R.Height() / 2 - piece.Height() / 2, &b);
}

// ---- Morphing, animation, repeat ------------------------------------------------------

void TspSkinSpeedButton::StopTimer(std::unique_ptr<TTimer>& timer) {
  if (!timer) return;
  timer->SetEnabled(false);
  stoppedTimer_ = std::move(timer);
}

void TspSkinSpeedButton::StartMorph() {
  if (morphTimer_) return;
  morphTimer_ = std::make_unique<TTimer>(nullptr);
  morphTimer_->SetInterval(kMorphInterval);
  morphTimer_->SetOnTimer([this](TObject*) { MorphTimerProc(); });
}

void TspSkinSpeedButton::StopMorph() { StopTimer(morphTimer_); }

void TspSkinSpeedButton::StartMorphOrRepaint() {
  if (CanMorph() && ControlIndex != -1)
    StartMorph();
  else
    Repaint();
}

void TspSkinSpeedButton::MorphTimerProc() {
  const bool target = PointerInside;
  if (ControlIndex == -1 || !CanMorph()) {
    MorphRatio = target ? 1.0 : 0.0;
    StopMorph();
    return;
  }
  if (!StepMorphRatio(MorphRatio, target)) StopMorph();
  Repaint();
}

void TspSkinSpeedButton::StartAnimate(bool forward) {
  if (!HasAnimation()) return;
  StopAnimate();
  animateForward_ = forward;
  animateFrame_ = forward ? 1 : framecount_;
  animateTimer_ = std::make_unique<TTimer>(nullptr);
  animateTimer_->SetInterval(Cardinal(std::max(animateinterval_, 0)));
  animateTimer_->SetOnTimer([this](TObject*) { AnimateTimerProc(); });
}

void TspSkinSpeedButton::StopAnimate() {
  StopTimer(animateTimer_);
  animateFrame_ = 0;
}

void TspSkinSpeedButton::AnimateTimerProc() {
  if (animateForward_ ? animateFrame_ <= framecount_ : animateFrame_ >= 0) {
    animateFrame_ += animateForward_ ? 1 : -1;
    Repaint();
    if (animateForward_ ? animateFrame_ <= framecount_ : animateFrame_ > 0) return;
  }
  StopAnimate();
  Repaint();
}

void TspSkinSpeedButton::StartRepeat() {
  StopTimer(repeatTimer_);
  repeatTimer_ = std::make_unique<TTimer>(nullptr);
  repeatTimer_->SetInterval(kRepeatDelay);
  repeatTimer_->SetOnTimer([this](TObject*) {
    repeatTimer_->SetInterval(Cardinal(std::max(RepeatInterval, 1)));
    ButtonClick();
  });
}

void TspSkinSpeedButton::StopRepeat() { StopTimer(repeatTimer_); }

// ---- Mouse -----------------------------------------------------------------------------------

void TspSkinSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = AliveToken();
  TspGraphicSkinCustomControl::MouseDown(Button, Shift, X, Y);
  if (!*alive || Button != TMouseButton::mbLeft || !Enabled()) return;
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

void TspSkinSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = AliveToken();
  if (Button == TMouseButton::mbLeft && Pressed) {
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
        Repaint();
      }
    } else if (wasDown && AllowAllUp && downAtPress_ && PointerInside) {
      SetDown(false);
      ButtonClick();
    }
  }
  if (*alive) TspGraphicSkinCustomControl::MouseUp(Button, Shift, X, Y);
}

void TspSkinSpeedButton::MouseEnterButton() {
  if (Designing()) return;
  PointerInside = true;
  if (Enabled() && (groupIndex_ == 0 || !down_)) {
    if (down_) {
      if (CanMorph()) MorphRatio = 1.0;
      Repaint();
    } else {
      StartAnimate(true);
      StartMorphOrRepaint();
    }
  }
  if (down_ && RepeatMode && groupIndex_ == 0) StartRepeat();
}

void TspSkinSpeedButton::MouseLeaveButton() {
  if (Designing()) return;
  PointerInside = false;
  if (Enabled() && (groupIndex_ == 0 || !down_)) {
    StartAnimate(false);
    StartMorphOrRepaint();
  }
  if (down_ && RepeatMode && repeatTimer_ && groupIndex_ == 0) StopRepeat();
}

void TspSkinSpeedButton::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_DIALOGCHAR:
      if (IsAccel(Word(Message.WParam), Caption()) && Enabled() && Visible() && Parent() && Parent()->Showing()) {
        ButtonClick();
        Message.Result = 1;
        return;
      }
      break;
    case CM_ENABLEDCHANGED:
      TspGraphicSkinCustomControl::Dispatch(Message);
      if (CanMorph()) {
        StopMorph();
        MorphRatio = 0.0;
      }
      PointerInside = false;
      Repaint();
      return;
    case CM_TEXTCHANGED:
      TspGraphicSkinCustomControl::Dispatch(Message);
      if (ControlIndex != -1 || Designing() || DrawDefault) Repaint();
      return;
    case CM_MOUSEENTER: {
      auto alive = AliveToken();
      TspGraphicSkinCustomControl::Dispatch(Message);
      if (*alive && Message.LParam == 0) MouseEnterButton();
      return;
    }
    case CM_MOUSELEAVE: {
      auto alive = AliveToken();
      TspGraphicSkinCustomControl::Dispatch(Message);
      if (*alive && Message.LParam == 0) MouseLeaveButton();
      return;
    }
    default: break;
  }
  TspGraphicSkinCustomControl::Dispatch(Message);
}
