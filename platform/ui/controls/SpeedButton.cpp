#include "platform/ui/controls/SpeedButton.h"

#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/ui/controls/ClassicDraw.h"
#include "platform/user/User.h"

TSpeedButton::TSpeedButton(TComponent* AOwner)
    : TGraphicControl(AOwner), glyph_(std::make_unique<TBitmap>()), images_(std::make_unique<TImageList>()) {
  ControlStyle = csCaptureMouse | csDoubleClicks;
  SetBounds(0, 0, 23, 22);
  SetParentColor(true);
  glyph_->OnChange = [this](TObject*) { GlyphChanged(); };
}

TSpeedButton::~TSpeedButton() { glyph_->OnChange = nullptr; }

void TSpeedButton::GlyphChanged() {
  images_->Clear();
  const int n = std::max(1, numGlyphs_);
  if (!glyph_->Empty() && glyph_->Width() >= n) {
    images_->SetSize(glyph_->Width() / n, glyph_->Height());
    images_->AddMasked(glyph_.get(), clDefault);
  }
  Invalidate();
}

void TSpeedButton::SetNumGlyphs(int v) {
  v = std::clamp(v, 1, 4);
  if (v == numGlyphs_) return;
  numGlyphs_ = v;
  GlyphChanged();
}

void TSpeedButton::SetFlat(bool v) {
  if (v == flat_) return;
  flat_ = v;
  Invalidate();
}

void TSpeedButton::SetLayout(TButtonLayout v) {
  layout_ = v;
  Invalidate();
}

void TSpeedButton::SetMargin(int v) {
  margin_ = std::max(v, -1);
  Invalidate();
}

void TSpeedButton::SetSpacing(int v) {
  spacing_ = std::max(v, -1);
  Invalidate();
}

void TSpeedButton::SetTransparent(bool v) {
  transparent_ = v;
  Invalidate();
}

void TSpeedButton::SetState(TButtonState v) {
  if (v == state_) return;
  state_ = v;
  Invalidate();
}

// ---- Groups -----------------------------------------------------------------------------

void TSpeedButton::SetGroupIndex(int v) {
  if (v == groupIndex_) return;
  groupIndex_ = v;
  if (v == 0 && down_) {
    down_ = false;
    SetState(bsUp);
  }
  UpdateExclusive();
}

void TSpeedButton::SetAllowAllUp(bool v) {
  allowAllUp_ = v;
  if (!Parent() || groupIndex_ == 0) return;
  for (int i = 0; i < Parent()->ControlCount(); ++i)
    if (auto* b = dynamic_cast<TSpeedButton*>(Parent()->Controls(i)); b && b->groupIndex_ == groupIndex_)
      b->allowAllUp_ = v;
}

void TSpeedButton::SetDown(bool v) {
  if (groupIndex_ == 0) v = false;
  if (v == down_) return;
  if (down_ && !allowAllUp_) return;  // one of the group stays down
  down_ = v;
  SetState(v ? bsExclusive : bsUp);
  if (v) UpdateExclusive();
}

// Puts the other buttons of the group up.
void TSpeedButton::UpdateExclusive() {
  if (!Parent() || groupIndex_ == 0 || !down_) return;
  for (int i = 0; i < Parent()->ControlCount(); ++i) {
    auto* b = dynamic_cast<TSpeedButton*>(Parent()->Controls(i));
    if (!b || b == this || b->groupIndex_ != groupIndex_) continue;
    if (b->down_) {
      b->down_ = false;
      b->SetState(bsUp);
    }
    b->allowAllUp_ = allowAllUp_;
  }
}

// ---- Mouse --------------------------------------------------------------------------------

void TSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = AliveToken();
  TGraphicControl::MouseDown(Button, Shift, X, Y);
  if (!*alive || Button != TMouseButton::mbLeft || !Enabled()) return;
  if (!down_) SetState(bsDown);
  dragging_ = true;
}

void TSpeedButton::MouseMove(TShiftState Shift, int X, int Y) {
  auto alive = AliveToken();
  TGraphicControl::MouseMove(Shift, X, Y);
  if (!*alive || !dragging_) return;
  const bool inside = ClientRect().Contains(TPoint{X, Y});
  SetState(down_ ? bsExclusive : inside ? bsDown : bsUp);
}

void TSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = AliveToken();
  TGraphicControl::MouseUp(Button, Shift, X, Y);
  if (!*alive || Button != TMouseButton::mbLeft || !dragging_) return;
  dragging_ = false;
  const bool inside = ClientRect().Contains(TPoint{X, Y});
  if (groupIndex_ == 0) {
    SetState(bsUp);
  } else if (inside) {
    SetDown(!down_);
    SetState(down_ ? bsExclusive : bsUp);
  } else {
    SetState(down_ ? bsExclusive : bsUp);
  }
  if (inside) Click();
}

void TSpeedButton::Click() { TGraphicControl::Click(); }

void TSpeedButton::MouseEnter() {
  mouseIn_ = true;
  if (flat_ && Enabled()) Invalidate();
}

void TSpeedButton::MouseLeave() {
  mouseIn_ = false;
  if (flat_ && Enabled()) Invalidate();
}

void TSpeedButton::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_CANCELMODE:
      if (dragging_) {
        dragging_ = false;
        SetState(down_ ? bsExclusive : bsUp);
      }
      break;
    case CM_ENABLEDCHANGED:
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED: Invalidate(); break;
    case CM_DIALOGCHAR:
      if (IsAccel(Word(Message.WParam), Caption()) && Enabled() && Visible() && Parent() && Parent()->Showing()) {
        Click();
        Message.Result = 1;
        return;
      }
      break;
    default: break;
  }
  TGraphicControl::Dispatch(Message);
}

// ---- Painting -----------------------------------------------------------------------------

void TSpeedButton::Paint() {
  TCanvas* canvas = Canvas();
  HDC dc = canvas->Handle();
  TRect r = ClientRect();
  const bool pushed = state_ == bsDown || state_ == bsExclusive;
  if (!flat_) {
    DrawButtonFace(dc, r, pushed ? bfsPushed : 0);
    // A down button shows a lighter face than one merely pressed.
    if (state_ == bsExclusive) FillSolid(dc, TRect{r.Left + 2, r.Top + 2, r.Right - 1, r.Bottom - 1}, clBtnHighlight);
  } else {
    if (!transparent_ || state_ == bsExclusive)
      FillSolid(dc, r, state_ == bsExclusive ? clBtnHighlight : Color());
    if (pushed || (mouseIn_ && Enabled())) {
      TRect edge = r;
      Frame3D(dc, edge, pushed ? clBtnShadow : clBtnHighlight, pushed ? clBtnHighlight : clBtnShadow, 1);
    }
  }
  // Glyph and caption, laid out together.
  const int gw = images_->Count() ? images_->Width() : 0, gh = images_->Count() ? images_->Height() : 0;
  const std::string text = Caption();
  TSize ts{};
  if (!text.empty()) {
    TRect m = MeasureClassicText(Font(), text, TRect{}, DT_SINGLELINE);
    ts = TSize{m.Width(), m.Height()};
  }
  const bool horizontal = layout_ == blGlyphLeft || layout_ == blGlyphRight;
  const int along = horizontal ? r.Width() : r.Height();
  const int glyphLen = horizontal ? gw : gh, textLen = horizontal ? ts.cx : ts.cy;
  int gap = (gw && !text.empty()) ? spacing_ : 0;
  int start;
  if (margin_ < 0) {
    if (gap < 0) gap = (along - glyphLen - textLen) / 3;
    start = (along - glyphLen - gap - textLen) / 2;
  } else {
    start = margin_;
    if (gap < 0) gap = (along - start - glyphLen - textLen) / 2;
  }
  const bool glyphFirst = layout_ == blGlyphLeft || layout_ == blGlyphTop;
  const int glyphPos = glyphFirst ? start : along - start - glyphLen;
  const int textPos = glyphFirst ? start + glyphLen + gap : along - start - glyphLen - gap - textLen;
  const int shift = pushed ? 1 : 0;
  TPoint g = horizontal ? TPoint{glyphPos, (r.Height() - gh) / 2} : TPoint{(r.Width() - gw) / 2, glyphPos};
  TPoint t = horizontal ? TPoint{textPos, (r.Height() - ts.cy) / 2} : TPoint{(r.Width() - ts.cx) / 2, textPos};
  if (images_->Count()) {
    int index = 0;
    if (!Enabled() && numGlyphs_ > 1) index = 1;
    else if (state_ == bsDown && numGlyphs_ > 2) index = 2;
    else if (state_ == bsExclusive && numGlyphs_ > 3) index = 3;
    index = std::min(index, images_->Count() - 1);
    images_->Draw(canvas, g.X + shift, g.Y + shift, index, Enabled() || numGlyphs_ > 1);
  }
  if (!text.empty()) {
    TRect tr{t.X + shift, t.Y + shift, t.X + shift + ts.cx, t.Y + shift + ts.cy};
    DrawClassicText(dc, Font(), Font()->Color(), text, tr, DT_SINGLELINE, Enabled());
  }
}
