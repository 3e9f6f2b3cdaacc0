// The skinned panel and status bar.
#include "skin/controls/SkinCtrls_Panel.h"

#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/graphics/ImageList.h"
#include "platform/ui/controls/ComCtrls.h"
#include "platform/ui/forms/Forms.h"
#include "platform/user/input/Cursors.h"
#include "platform/user/paint/Paint.h"
#include "platform/user/User.h"

namespace {

void FrameTwo(TCanvas* c, const TRect& r, TColor topLeft, TColor bottomRight) {
  if (r.Width() <= 0 || r.Height() <= 0) return;
  c->Pen()->SetColor(topLeft);
  c->MoveTo(r.Left, r.Bottom - 1);
  c->LineTo(r.Left, r.Top);
  c->LineTo(r.Right - 1, r.Top);
  c->Pen()->SetColor(bottomRight);
  c->LineTo(r.Right - 1, r.Bottom - 1);
  c->LineTo(r.Left - 1, r.Bottom - 1);
}

TRect Shrunk(const TRect& r, int d) { return TRect{r.Left + d, r.Top + d, r.Right - d, r.Bottom - d}; }

}  // namespace

void DrawSizeGrip(const TRect& R, TCanvas* canvas, TColor light, TColor shadow) {
  for (int k = 3; R.Left + k + 2 <= R.Right; k += 3) {
    canvas->Pen()->SetColor(shadow);
    canvas->MoveTo(R.Left + k, R.Bottom);
    canvas->LineTo(R.Right, R.Top + k);
    canvas->Pen()->SetColor(light);
    canvas->MoveTo(R.Left + k + 1, R.Bottom);
    canvas->LineTo(R.Right, R.Top + k + 1);
  }
}

// ---- TspSkinPanel -------------------------------------------------------------------------

TspSkinPanel::TspSkinPanel(TComponent* AOwner) : TspSkinCustomControl(AOwner), glyph_(std::make_unique<TBitmap>()) {
  ControlStyle |= csAcceptsControls | csCaptureMouse | csClickEvents | csSetCaption | csOpaque | csReplicatable;
  SetSkinDataName("panel");
  DrawByParts = true;
  SetBounds(Left(), Top(), 150, 150);
  glyph_->OnChange = [this](TObject*) { Repaint(); };
}

TspSkinPanel::~TspSkinPanel() { glyph_->OnChange = nullptr; }

void TspSkinPanel::Notification(TComponent* AComponent, TOperation Operation) {
  TspSkinCustomControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == captionImageList_) captionImageList_ = nullptr;
  hiddenChildren_.erase(std::remove(hiddenChildren_.begin(), hiddenChildren_.end(), AComponent),
                        hiddenChildren_.end());
}

// ---- Properties ------------------------------------------------------------------------------

void TspSkinPanel::SetTransparentMode(bool v) {
  if (v == transparentMode_) return;
  transparentMode_ = v;
  Repaint();
  if (!Designing() && !(ComponentState() & csLoading)) SendBackgroundChanged();
}

void TspSkinPanel::SetCheckedMode(bool v) {
  checkedMode_ = v;
  Repaint();
}

void TspSkinPanel::SetChecked(bool v) {
  checked_ = v;
  if (checkedMode_) Repaint();
  if (AutoEnabledControls && checkedMode_)
    for (int i = 0; i < ControlCount(); ++i) Controls(i)->SetEnabled(v);
  if (OnChecked) OnChecked(this);
}

void TspSkinPanel::SetGlyph(const TBitmap* v) {
  glyph_->Assign(v);
  Repaint();
}

void TspSkinPanel::SetNumGlyphs(TspSkinPanelNumGlyphs v) {
  numGlyphs_ = std::clamp(v, 1, 2);
  Repaint();
}

void TspSkinPanel::SetSpacing(int v) {
  spacing_ = v;
  Repaint();
}

void TspSkinPanel::SetCaptionMode(bool v) {
  captionMode_ = v;
  Repaint();
  Realign();
}

void TspSkinPanel::SetDefaultCaptionHeight(int v) {
  defaultCaptionHeight_ = v;
  GetSkinData();
  if (ControlIndex == -1 && captionMode_) {
    Repaint();
    Realign();
  }
}

void TspSkinPanel::SetDefaultAlignment(TAlignment v) {
  defaultAlignment_ = v;
  GetSkinData();
  if (ControlIndex == -1 && captionMode_) Repaint();
}

void TspSkinPanel::SetRollUpMode(bool v) {
  rollUpMode_ = v;
  GetSkinData();
  if (ControlIndex == -1 && captionMode_) Repaint();
}

void TspSkinPanel::SetBorderStyle(TspSkinBorderStyle v) {
  borderStyle_ = v;
  GetSkinData();
  if (ControlIndex == -1) {
    Repaint();
    Realign();
  }
}

void TspSkinPanel::SetCaptionImageList(TImageList* v) {
  if (captionImageList_) captionImageList_->RemoveFreeNotification(this);
  captionImageList_ = v;
  if (captionImageList_) captionImageList_->FreeNotification(this);
  Repaint();
}

void TspSkinPanel::SetCaptionImageIndex(int v) {
  if (v == captionImageIndex_) return;
  captionImageIndex_ = v;
  Repaint();
}

void TspSkinPanel::SetImagePosition(TspImagePosition v) {
  if (v == imagePosition_) return;
  imagePosition_ = v;
  Repaint();
}

// ---- Roll-up ----------------------------------------------------------------------------------

void TspSkinPanel::SetRollUpState(bool v) {
  if (v == rollUpState_) return;
  TSizeConstraints* c = Constraints();
  if (!rollUpMode_) {
    // Only constraints a roll lifted are put back: a panel never rolled
    // keeps the ones it was given.
    if (constraintsSaved_) {
      c->SetMaxWidth(savedConstraints_[0]);
      c->SetMinWidth(savedConstraints_[1]);
      c->SetMaxHeight(savedConstraints_[2]);
      c->SetMinHeight(savedConstraints_[3]);
      constraintsSaved_ = false;
    }
    rollUpState_ = false;
    return;
  }
  if (!constraintsSaved_) {
    savedConstraints_[0] = c->MaxWidth();
    savedConstraints_[1] = c->MinWidth();
    savedConstraints_[2] = c->MaxHeight();
    savedConstraints_[3] = c->MinHeight();
    constraintsSaved_ = true;
  }
  c->SetMaxWidth(0);
  c->SetMinWidth(0);
  c->SetMaxHeight(0);
  c->SetMinHeight(0);
  rollUpState_ = v;
  RollPanel(v);
  if (OnChangeRollUpState) OnChangeRollUpState(this);
}

bool TspSkinPanel::CanAutoSize(int& NewWidth, int& NewHeight) {
  if (rollUpMode_ && inRoll_ && AutoSize()) return false;
  return TspSkinCustomControl::CanAutoSize(NewWidth, NewHeight);
}

void TspSkinPanel::CreateParams(TCreateParams& Params) {
  TspSkinCustomControl::CreateParams(Params);
  Params.WindowClass.style &= ~UINT(CS_HREDRAW | CS_VREDRAW);
}

void TspSkinPanel::HideChildren() {
  DisableAlign();
  hiddenChildren_.clear();
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    if (!c->Visible()) continue;
    hiddenChildren_.push_back(c);
  }
  for (TControl* c : hiddenChildren_) c->SetVisible(false);
}

void TspSkinPanel::ShowChildren() {
  // The children that were shown before the roll; one hidden by its owner stays hidden.
  std::vector<TControl*> shown;
  shown.swap(hiddenChildren_);
  for (TControl* c : shown) c->SetVisible(true);
  EnableAlign();
}

void TspSkinPanel::RollPanel(bool up) {
  inRoll_ = true;
  if (up && realHeight_ == -1) {
    realHeight_ = Height();
    HideChildren();
    GetSkinData();
    int w = Width(), h = Height();
    CalcSize(w, h);
    SetHeight(ControlIndex == -1 ? defaultCaptionHeight_ + 1 : Height() - FittedClientRect.Height());
  } else if (!up && realHeight_ != -1) {
    SetHeight(realHeight_);
    realHeight_ = -1;
    ShowChildren();
  }
  inRoll_ = false;
}

// ---- Skin ----------------------------------------------------------------------------------------

void TspSkinPanel::GetSkinData() {
  TspSkinCustomControl::GetSkinData();
  bgPictureIndex_ = -1;
  described_ = false;
  if (ControlIndex == -1) return;
  auto* d = dynamic_cast<TspDataSkinPanelControl*>(SkinData()->SkinControls[std::size_t(ControlIndex)].get());
  if (!d) return;
  described_ = true;
  fontName_ = d->fontname;
  fontStyle_ = d->fontstyle;
  fontHeight_ = d->fontheight;
  fontColor_ = d->fontcolor;
  alignment_ = d->alignment;
  captionRect_ = d->captionrect;
  bgPictureIndex_ = d->bgpictureindex;
  checkImageRect_ = d->checkimagerect;
  uncheckImageRect_ = d->uncheckimagerect;
  markFrameRect_ = d->markframerect;
  frameRect_ = d->framerect;
  frameLeftOffset_ = d->frameleftoffset;
  frameRightOffset_ = d->framerightoffset;
  frameTextRect_ = d->frametextrect;
}

void TspSkinPanel::ChangeSkinData() {
  TspSkinCustomControl::ChangeSkinData();
  if (rollUpState_) {
    const int remembered = realHeight_;
    realHeight_ = -1;
    RollPanel(true);
    realHeight_ = remembered;
  } else {
    Realign();
  }
}

void TspSkinPanel::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  TspSkinCustomControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (ControlIndex == -1) Repaint();
}

TRect TspSkinPanel::GetTransparentClientRect() {
  if (!captionMode_) return TRect{2, 2, Width() - 2, Height() - 2};
  TBitmap b;
  b.SetSize(1, 1);
  ApplyFont(b.Canvas());
  return TRect{2, b.Canvas()->TextHeight("Wq"), Width() - 2, Height() - 2};
}

void TspSkinPanel::AdjustClientRect(TRect& Rect) {
  TspSkinCustomControl::AdjustClientRect(Rect);
  GetSkinData();
  if (ControlIndex != -1 && transparentMode_) {
    Rect = GetTransparentClientRect();
    return;
  }
  if (ControlIndex == -1 || Designing()) {
    if (borderStyle_ != TspSkinBorderStyle::bvNone) Rect = Shrunk(Rect, 1);
    if (captionMode_) Rect.Top += defaultCaptionHeight_;
    return;
  }
  int w = Width(), h = Height();
  CalcSize(w, h);
  const bool borderless = borderStyle_ == TspSkinBorderStyle::bvNone && !captionMode_ && ResizeMode == 1;
  if (bgPictureIndex_ == -1 && !borderless) Rect = FittedClientRect;
}

// ---- Painting -------------------------------------------------------------------------------------

bool TspSkinPanel::HasCaptionImage() const {
  return glyph_->Empty() && captionImageList_ && captionImageIndex_ >= 0 &&
         captionImageIndex_ < captionImageList_->Count();
}

int TspSkinPanel::GlyphFrame() const { return !Enabled() && numGlyphs_ == 2 ? 2 : 1; }

int TspSkinPanel::ImageWidth() const {
  if (HasCaptionImage()) return captionImageList_->Width();
  if (!glyph_->Empty()) return glyph_->Width() / numGlyphs_;
  return 0;
}

int TspSkinPanel::GetCaptionContentWidth(TCanvas* C) {
  int w = C->TextWidth(Caption());
  if (!glyph_->Empty()) w += glyph_->Width() / numGlyphs_ + spacing_;
  return w;
}

void TspSkinPanel::DrawCaptionImage(TCanvas* C, int x, const TRect& R) {
  if (HasCaptionImage()) {
    const int y = R.Top + R.Height() / 2 - captionImageList_->Height() / 2;
    captionImageList_->Draw(C, x, y, captionImageIndex_, Enabled());
  } else if (!glyph_->Empty()) {
    const int y = R.Top + R.Height() / 2 - glyph_->Height() / 2;
    DrawGlyph(C, x, y, glyph_.get(), numGlyphs_, GlyphFrame());
  }
}

void TspSkinPanel::ApplyFont(TCanvas* C) {
  if (described_ && UseSkinFont) {
    C->Font()->SetName(fontName_);
    C->Font()->SetHeight(fontHeight_);
    C->Font()->SetStyle(fontStyle_);
  } else {
    C->Font()->Assign(DefaultFont());
  }
  TspSkinData* sd = SkinData();
  C->Font()->SetCharset(sd && sd->ResourceStrData() ? sd->ResourceStrData()->CharSet : DefaultFont()->Charset());
  if (described_) C->Font()->SetColor(fontColor_);
}

TColor TspSkinPanel::SkinShadow() const {
  return SkinData() ? TColor(SkinData()->SkinColors.cbtnshadow) : TColor(clBtnShadow);
}

void TspSkinPanel::CreateControlDefaultImage(TBitmap* B) {
  TspSkinCustomControl::CreateControlDefaultImage(B);
  TCanvas* C = B->Canvas();
  const int W = Width(), H = Height();
  TRect R{0, 0, W, H};
  switch (borderStyle_) {
    case TspSkinBorderStyle::bvFrame: FrameTwo(C, R, clBtnShadow, clBtnShadow); break;
    case TspSkinBorderStyle::bvRaised: FrameTwo(C, R, clBtnHighlight, clBtnShadow); break;
    case TspSkinBorderStyle::bvLowered: FrameTwo(C, R, clBtnShadow, clBtnHighlight); break;
    case TspSkinBorderStyle::bvNone: break;
  }
  if (!captionMode_) return;
  if (borderStyle_ != TspSkinBorderStyle::bvNone) {
    R = TRect{1, 1, W - 1, defaultCaptionHeight_};
    FrameTwo(C, R, clBtnShadow, clBtnHighlight);
    FrameTwo(C, Shrunk(R, 1), clBtnHighlight, clBtnShadow);
  } else {
    R = TRect{0, 0, W, defaultCaptionHeight_};
    FrameTwo(C, R, clBtnShadow, clBtnShadow);
    FrameTwo(C, Shrunk(R, 1), clBtnHighlight, clBtnFace);
  }
  if (checkedMode_) R.Left += 20;
  if (rollUpMode_) R.Right -= 10;
  C->Font()->Assign(DefaultFont());
  if (SkinData() && SkinData()->ResourceStrData()) C->Font()->SetCharset(SkinData()->ResourceStrData()->CharSet);
  if (!Enabled()) C->Font()->SetColor(clBtnShadow);
  const std::string text = Caption();
  const int y = R.Top + (R.Height() - C->TextHeight(text.empty() ? "Wq" : text)) / 2;
  int x = R.Left + 2;
  if (defaultAlignment_ == taRightJustify)
    x = R.Right - GetCaptionContentWidth(C);
  else if (defaultAlignment_ == taCenter)
    x = R.Left + 2 + R.Width() / 2 - GetCaptionContentWidth(C) / 2;
  if (checkedMode_) {
    const TRect box{5, R.Top + R.Height() / 2 - 7, 19, R.Top + R.Height() / 2 + 7};
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(clBtnShadow);
    C->FrameRect(box);
    if (checked_) DrawCheckImage(C, box.Left + 3, box.Top + 2, clBtnText);
  }
  const int imageX = x;
  const int w = ImageWidth();
  if (w > 0) x += w + spacing_;
  C->Brush()->SetStyle(bsClear);
  C->TextRect(R, x, y, text);
  DrawCaptionImage(C, imageX, R);
  if (rollUpMode_)
    DrawArrowImage(C, TRect{R.Right, R.Top, R.Right + 10, R.Bottom}, clBtnText, rollUpState_ ? 4 : 3);
}

void TspSkinPanel::DrawSkinPieceTransparent(TCanvas* C, const TRect& piece, int x, int y) {
  if (!SkinPicture || IsNullRect(piece)) return;
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(piece.Width(), piece.Height());
  b.Canvas()->CopyRect(TRect{0, 0, piece.Width(), piece.Height()}, SkinPicture->Canvas(), piece);
  b.SetTransparent(true);
  C->Draw(x, y, &b);
}

void TspSkinPanel::DrawSkinCaption(TCanvas* C) {
  TRect R = fittedCaptionRect_;
  if (rollUpMode_) R.Right -= 12;
  if (checkedMode_) {
    const TRect& piece = checked_ ? checkImageRect_ : uncheckImageRect_;
    if (!IsNullRect(piece)) {
      DrawSkinPieceTransparent(C, piece, R.Left, R.Top + R.Height() / 2 - piece.Height() / 2);
      R.Left += piece.Width() + 2;
    }
  }
  ApplyFont(C);
  const std::string text = Caption();
  const int tw = C->TextWidth(text);
  int y = R.Top + (R.Height() - C->TextHeight(text.empty() ? "Wq" : text)) / 2;
  int x = R.Left;
  if (alignment_ == taRightJustify)
    x = R.Right - GetCaptionContentWidth(C);
  else if (alignment_ == taCenter)
    x = R.Left + R.Width() / 2 - GetCaptionContentWidth(C) / 2;
  const int w = ImageWidth();
  int imageX = x;
  if (w > 0) {
    if (imagePosition_ == spipDefault) {
      x += w + spacing_;
    } else {
      imageX = R.Left + 2;
      const int least = R.Left + 2 + w + spacing_;
      if (alignment_ == taRightJustify)
        x = R.Right - tw;
      else if (alignment_ == taCenter)
        x = R.Left + R.Width() / 2 - tw / 2;
      else
        x = least;
      x = std::max(x, least);
    }
  }
  if (rollUpMode_) {
    const TRect box{R.Right, R.Top, R.Right + 10, R.Bottom};
    if (!IsNullRect(markFrameRect_) && SkinPicture)
      C->CopyRect(TRect{box.Left, box.Top, box.Left + markFrameRect_.Width(), captionRect_.Top + markFrameRect_.Height()},
                  SkinPicture->Canvas(), markFrameRect_);
    DrawArrowImage(C, box, fontColor_, rollUpState_ ? 4 : 3);
  }
  if (!IsNullRect(frameRect_) && SkinPicture) {
    const int extra = frameRect_.Width() - frameTextRect_.Width();
    TBitmap frame;
    frame.SetPixelFormat(pf24bit);
    CreateHSkinImage(frameLeftOffset_, frameRightOffset_, &frame, SkinPicture, frameRect_, tw + extra, false);
    int fx = x;
    if (alignment_ == taLeftJustify) {
      x += frameTextRect_.Left;
    } else if (alignment_ == taRightJustify) {
      fx = x - extra;
      x = x - extra + frameTextRect_.Left;
    } else {
      fx = x - frameTextRect_.Left - 2;
      x -= 2;
    }
    C->Draw(fx, captionRect_.Top, &frame);
    y = captionRect_.Top + frameTextRect_.Top + (frameTextRect_.Height() - C->TextHeight("Wq")) / 2;
  }
  C->Brush()->SetStyle(bsClear);
  C->TextRect(R, x, y, text);
  if (w > 0) DrawCaptionImage(C, imageX, R);
}

void TspSkinPanel::CreateControlSkinImage(TBitmap* B) {
  const int W = Width(), H = Height();
  if (borderStyle_ == TspSkinBorderStyle::bvNone && ResizeMode == 1 && !captionMode_ && !StretchEffect &&
      SkinPicture) {
    const TRect piece{SkinRect.Left + ClRect.Left, SkinRect.Top + ClRect.Top, SkinRect.Left + ClRect.Right,
                      SkinRect.Top + ClRect.Bottom};
    const int pw = piece.Width(), ph = piece.Height();
    if (pw <= 0 || ph <= 0) return;
    for (int i = 0; i <= W / pw; ++i)
      for (int j = 0; j <= H / ph; ++j) {
        const int w = std::min(pw, W - i * pw), h = std::min(ph, H - j * ph);
        if (w <= 0 || h <= 0) continue;
        B->Canvas()->CopyRect(TRect{i * pw, j * ph, i * pw + w, j * ph + h}, SkinPicture->Canvas(),
                              TRect{piece.Left, piece.Top, piece.Left + w, piece.Top + h});
      }
    return;
  }
  TspSkinCustomControl::CreateControlSkinImage(B);
  if (!described_) return;
  if (ResizeMode == 0 || ResizeMode == -1)
    fittedCaptionRect_ = captionRect_;
  else
    MapSkinRect(captionRect_, fittedCaptionRect_);
  if (!Caption().empty() && !IsNullRect(captionRect_)) DrawSkinCaption(B->Canvas());
}

void TspSkinPanel::PaintTransparent() {
  const int W = Width(), H = Height();
  TBitmap image;
  image.SetPixelFormat(pf24bit);
  image.SetSize(W, H);
  PaintParentImage(this, image.Canvas());
  TCanvas* C = image.Canvas();
  if (!captionMode_) {
    if (borderStyle_ != TspSkinBorderStyle::bvNone) {
      C->Brush()->SetStyle(bsSolid);
      C->Brush()->SetColor(SkinShadow());
      C->FrameRect(TRect{0, 0, W, H});
    }
  } else {
    PaintGroupBox(C);
  }
  PaintOnTransparentImage(C);
  Canvas()->Draw(0, 0, &image);
}

void TspSkinPanel::PaintGroupBox(TCanvas* C) {
  const int W = Width(), H = Height();
  ApplyFont(C);
  TColor captionColor = SkinData()->SkinColors.cbtntext;
  const int li = SkinData()->GetControlIndex("stdlabel");
  if (li != -1)
    if (auto* d = dynamic_cast<TspDataSkinLabelControl*>(SkinData()->SkinControls[std::size_t(li)].get()))
      captionColor = d->fontcolor;
  const int th = C->TextHeight("Wq");
  int x = 5;
  fittedCaptionRect_ = TRect{5, 0, W, th + 5};
  if (checkedMode_) {
    const TRect& piece = checked_ ? checkImageRect_ : uncheckImageRect_;
    if (!IsNullRect(piece)) {
      DrawSkinPieceTransparent(C, piece, x, fittedCaptionRect_.Height() / 2 - piece.Height() / 2);
      x += piece.Width() + 5;
    }
  }
  const int imageX = x;
  const int w = ImageWidth();
  if (w > 0) x += w + 2;
  TRect R{x, 0, W, th + 5};
  C->Font()->SetColor(captionColor);
  C->Brush()->SetStyle(bsClear);
  const std::string text = Caption();
  DrawSingleLineText(C, text, R);
  const int tw = text.empty() ? 0 : C->TextWidth(text);
  if (w > 0) DrawCaptionImage(C, imageX, R);
  const int m = R.Height() / 2;
  C->Pen()->SetColor(SkinShadow());
  if (rollUpMode_) {
    DrawArrowImage(C, TRect{R.Left + tw + 3, R.Top, R.Left + tw + 10, R.Bottom}, captionColor, rollUpState_ ? 4 : 3);
    C->Pen()->SetColor(SkinShadow());
    C->MoveTo(R.Left + tw + 12, m);
  } else {
    C->MoveTo(R.Left + tw + 3, m);
  }
  C->LineTo(W, m);
  C->MoveTo(0, m);
  C->LineTo(4, m);
  C->MoveTo(W - 1, m);
  C->LineTo(W - 1, H - 1);
  C->LineTo(0, H - 1);
  C->LineTo(0, m);
}

void TspSkinPanel::Paint() {
  const int W = Width(), H = Height();
  if (W <= 0 || H <= 0) return;
  GetSkinData();
  if (transparentMode_ && described_) {
    PaintTransparent();
    return;
  }
  if (!described_ || (!DrawByParts && StretchEffect)) {
    TspSkinCustomControl::Paint();
    return;
  }
  int w = W, h = H;
  CalcSize(w, h);
  const bool borderless = borderStyle_ == TspSkinBorderStyle::bvNone && ResizeMode == 1 && !captionMode_ &&
                          DrawByParts && !AlphaBlend();
  TCanvas* C = Canvas();
  if (!borderless) {
    TBitmap* G = bgPictureIndex_ == -1 ? nullptr : SkinData()->GetActivePicture(bgPictureIndex_);
    if (!G || G->Width() <= 0 || G->Height() <= 0) {
      TspSkinCustomControl::Paint();
      return;
    }
    const int gw = G->Width(), gh = G->Height();
    if (!StretchEffect) {
      for (int i = 0; i <= W / gw; ++i)
        for (int j = 0; j <= H / gh; ++j) C->Draw(i * gw, j * gh, G);
    } else if (StretchType == stFull) {
      C->StretchDraw(FittedClientRect, G);
    } else if (StretchType == stHorz) {
      for (int i = 0; i <= W / gw; ++i) C->StretchDraw(TRect{i * gw, 0, (i + 1) * gw, H}, G);
    } else {
      for (int j = 0; j <= H / gh; ++j) C->StretchDraw(TRect{0, j * gh, W, (j + 1) * gh}, G);
    }
    return;
  }
  if (!SkinPicture) return;
  const TRect piece{SkinRect.Left + ClRect.Left, SkinRect.Top + ClRect.Top, SkinRect.Left + ClRect.Right,
                    SkinRect.Top + ClRect.Bottom};
  const int pw = piece.Width(), ph = piece.Height();
  if (pw <= 0 || ph <= 0) return;
  TBitmap tile;
  tile.SetPixelFormat(pf24bit);
  tile.SetSize(pw, ph);
  tile.Canvas()->CopyRect(TRect{0, 0, pw, ph}, SkinPicture->Canvas(), piece);
  if (!StretchEffect) {
    for (int i = 0; i <= W / pw; ++i)
      for (int j = 0; j <= H / ph; ++j) C->Draw(i * pw, j * ph, &tile);
  } else if (StretchType == stFull) {
    C->StretchDraw(TRect{0, 0, W, H}, &tile);
  } else if (StretchType == stHorz) {
    for (int i = 0; i <= W / pw; ++i) C->StretchDraw(TRect{i * pw, 0, (i + 1) * pw, H}, &tile);
  } else {
    for (int j = 0; j <= H / ph; ++j) C->StretchDraw(TRect{0, j * ph, W, (j + 1) * ph}, &tile);
  }
}

// ---- Mouse and messages ----------------------------------------------------------------------

bool TspSkinPanel::CaptionHit(int X, int Y) const {
  if (ControlIndex != -1) return IsPointInRect(fittedCaptionRect_, TPoint{X, Y});
  return X >= 1 && X <= Width() - 1 && Y >= 1 && Y <= defaultCaptionHeight_;
}

void TspSkinPanel::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = AliveToken();
  if ((rollUpMode_ || checkedMode_) && captionMode_ && Button == TMouseButton::mbLeft && CaptionHit(X, Y)) {
    if (checkedMode_) SetChecked(!checked_);
    if (*alive && rollUpMode_) SetRollUpState(!rollUpState_);
  }
  if (*alive) TspSkinCustomControl::MouseUp(Button, Shift, X, Y);
}

void TspSkinPanel::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_MOVE:
      TspSkinCustomControl::Dispatch(Message);
      if (transparentMode_) {
        Repaint();
        SendBackgroundChanged();
      }
      return;
    case WM_SPBACKGROUNDCHANGED:
      if (transparentMode_ || AlphaBlend()) {
        Repaint();
        SendBackgroundChanged();
      }
      return;
    case CM_TEXTCHANGED:
      TspSkinCustomControl::Dispatch(Message);
      if (captionMode_) Repaint();
      return;
    default: break;
  }
  TspSkinCustomControl::Dispatch(Message);
}

// ---- TspSkinStatusBar ---------------------------------------------------------------------

TspSkinStatusBar::TspSkinStatusBar(TComponent* AOwner) : TspSkinPanel(AOwner) {
  SetSkinDataName("statusbar");
  SetAlign(alBottom);
  SetHeight(21);
  SetBorderStyle(TspSkinBorderStyle::bvNone);
  DrawByParts = false;
}

void TspSkinStatusBar::SetSizeGrip(bool v) {
  sizeGrip_ = v;
  Repaint();
  Realign();
}

void TspSkinStatusBar::SetSizeGripShown(bool v) {
  sizeGripShown_ = v;
  Repaint();
  Realign();
}

void TspSkinStatusBar::SetSkinData(TspSkinData* value) {
  TspSkinPanel::SetSkinData(value);
  for (int i = 0; i < ControlCount(); ++i)
    if (auto* c = dynamic_cast<TspSkinControl*>(Controls(i))) c->SetSkinData(value);
}

void TspSkinStatusBar::GetSkinData() {
  TspSkinPanel::GetSkinData();
  if (!described_) return;
  auto* d = dynamic_cast<TspDataSkinPanelControl*>(SkinData()->SkinControls[std::size_t(ControlIndex)].get());
  gripperRect_ = d->gripperrect;
  gripperTransparent_ = d->grippertransparent;
  gripperTransparentColor_ = d->grippertransparentcolor;
}

void TspSkinStatusBar::AdjustClientRect(TRect& Rect) {
  TspSkinPanel::AdjustClientRect(Rect);
  if (!GripOn()) return;
  Rect.Right -= described_ && !IsNullRect(gripperRect_) ? gripperRect_.Width() : Rect.Height();
}

TRect TspSkinStatusBar::GetGripRect() {
  TRect A{0, 0, Width(), Height()};
  AdjustClientRect(A);
  if (described_ && !IsNullRect(gripperRect_))
    return TRect{A.Right, A.Bottom - gripperRect_.Height(), A.Right + gripperRect_.Width(), A.Bottom};
  return TRect{A.Right + 2, A.Top, A.Right + A.Height(), A.Bottom - 2};
}

void TspSkinStatusBar::CreateControlDefaultImage(TBitmap* B) {
  TspSkinPanel::CreateControlDefaultImage(B);
  if (GripOn()) DrawSizeGrip(GetGripRect(), B->Canvas(), clBtnHighlight, clBtnShadow);
}

void TspSkinStatusBar::CreateControlSkinImage(TBitmap* B) {
  TspSkinPanel::CreateControlSkinImage(B);
  if (!GripOn()) return;
  const TRect g = GetGripRect();
  if (!described_ || IsNullRect(gripperRect_) || !SkinPicture) {
    TspSkinData* sd = SkinData();
    DrawSizeGrip(g, B->Canvas(), sd->SkinColors.cbtnhighlight, sd->SkinColors.cbtnshadow);
    return;
  }
  TBitmap piece;
  piece.SetPixelFormat(pf24bit);
  piece.SetSize(gripperRect_.Width(), gripperRect_.Height());
  piece.Canvas()->CopyRect(TRect{0, 0, piece.Width(), piece.Height()}, SkinPicture->Canvas(), gripperRect_);
  if (gripperTransparent_) {
    piece.SetTransparentMode(tmFixed);
    piece.SetTransparentColor(gripperTransparentColor_);
    piece.SetTransparent(true);
  }
  B->Canvas()->Draw(g.Left, g.Top, &piece);
}

void TspSkinStatusBar::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_NCHITTEST:
      if (Designing() || !GripOn()) break;
      {
        const TPoint p = ScreenToClient(Message.Pos());
        Message.Result = IsPointInRect(GetGripRect(), p) ? HTBOTTOMRIGHT : HTCLIENT;
      }
      return;
    case WM_SETCURSOR:
    case WM_NCLBUTTONDOWN:
      if (HandleSizeGripMessage(this, Message)) return;
      break;
    default: break;
  }
  TspSkinPanel::Dispatch(Message);
}
