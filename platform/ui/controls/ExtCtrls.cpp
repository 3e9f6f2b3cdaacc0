#include "platform/ui/controls/ExtCtrls.h"

#include <algorithm>
#include <cstdint>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/controls/ClassicDraw.h"

// ---- TCustomPanel -------------------------------------------------------------------

TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) {
  ControlStyle = csAcceptsControls | csCaptureMouse | csClickEvents | csSetCaption | csOpaque | csDoubleClicks |
                 csReplicatable;
  SetColor(clBtnFace);
  SetBounds(0, 0, 185, 41);
}

void TCustomPanel::Changed() {
  Realign();
  Invalidate();
}

void TCustomPanel::SetBevelInner(TBevelCut v) {
  if (v == bevelInner_) return;
  bevelInner_ = v;
  Changed();
}

void TCustomPanel::SetBevelOuter(TBevelCut v) {
  if (v == bevelOuter_) return;
  bevelOuter_ = v;
  Changed();
}

void TCustomPanel::SetBevelWidth(TBevelWidth v) {
  v = std::max(v, 1);
  if (v == bevelWidth_) return;
  bevelWidth_ = v;
  Changed();
}

void TCustomPanel::SetBorderWidth(TBorderWidth v) {
  v = std::max(v, 0);
  if (v == borderWidth_) return;
  borderWidth_ = v;
  Changed();
}

void TCustomPanel::SetBorderStyle(TBorderStyle v) {
  if (v != bsSingle) v = bsNone;
  if (v == borderStyle_) return;
  borderStyle_ = v;
  if (HandleAllocated()) RecreateWnd();
  Changed();
}

void TCustomPanel::SetAlignment(TAlignment v) {
  if (v == alignment_) return;
  alignment_ = v;
  Invalidate();
}

void TCustomPanel::SetParentBackground(bool v) {
  if (v == parentBackground_) return;
  parentBackground_ = v;
  if (v)
    ControlStyle |= csParentBackground;
  else
    ControlStyle &= ~csParentBackground;
  Invalidate();
}

TColor TCustomPanel::BackgroundColor() const {
  return parentBackground_ && Parent() ? Parent()->Color() : Color();
}

void TCustomPanel::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  if (borderStyle_ == bsSingle) Params.ExStyle |= WS_EX_CLIENTEDGE;
  // The whole panel repaints from Paint; a size change needs no class redraw.
  Params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TCustomPanel::AdjustClientRect(TRect& Rect) {
  TCustomControl::AdjustClientRect(Rect);
  int inset = borderWidth_;
  if (bevelOuter_ != bvNone) inset += bevelWidth_;
  if (bevelInner_ != bvNone) inset += bevelWidth_;
  Rect = TRect{Rect.Left + inset, Rect.Top + inset, Rect.Right - inset, Rect.Bottom - inset};
}

void TCustomPanel::Paint() {
  HDC dc = Canvas()->Handle();
  const TColor back = BackgroundColor();
  TRect r = ClientRect();
  auto bevel = [&](TBevelCut cut) {
    if (cut == bvNone) return;
    if (cut == bvSpace)
      Frame3D(dc, r, back, back, bevelWidth_);
    else if (cut == bvLowered)
      Frame3D(dc, r, clBtnShadow, clBtnHighlight, bevelWidth_);
    else
      Frame3D(dc, r, clBtnHighlight, clBtnShadow, bevelWidth_);
  };
  bevel(bevelOuter_);
  Frame3D(dc, r, back, back, borderWidth_);
  bevel(bevelInner_);
  FillSolid(dc, r, back);
  const std::string text = Caption();
  if (!text.empty())
    DrawClassicText(dc, Font(), Font()->Color(), text, r,
                    DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS | AlignmentToDrawTextFlag(alignment_), Enabled());
}

void TCustomPanel::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ERASEBKGND:
      Message.Result = 1;  // Paint fills every pixel
      return;
    case CM_TEXTCHANGED:
    case CM_ENABLEDCHANGED:
    case CM_PARENTCOLORCHANGED:
    case CM_FONTCHANGED:
      Invalidate();
      break;
    default: break;
  }
  TCustomControl::Dispatch(Message);
}

// ---- TImage ---------------------------------------------------------------------------

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), picture_(new TPicture) {
  ControlStyle |= csReplicatable;
  picture_->OnChange = [this](TObject* sender) { PictureChanged(sender); };
  SetBounds(0, 0, 105, 105);
}

TImage::~TImage() { picture_->OnChange = nullptr; }

TCanvas* TImage::Canvas() {
  TGraphic* g = picture_->Graphic();
  if (!g) {
    picture_->Bitmap()->SetSize(Width(), Height());
  } else if (!dynamic_cast<TBitmap*>(g)) {
    throw EInvalidOperation("Can only modify an image if it contains a bitmap");
  }
  return picture_->Bitmap()->Canvas();
}

void TImage::SetCenter(bool v) {
  if (v == center_) return;
  center_ = v;
  PictureChanged(this);
}

void TImage::SetStretch(bool v) {
  if (v == stretch_) return;
  stretch_ = v;
  PictureChanged(this);
}

void TImage::SetProportional(bool v) {
  if (v == proportional_) return;
  proportional_ = v;
  PictureChanged(this);
}

void TImage::SetTransparent(bool v) {
  if (v == transparent_) return;
  transparent_ = v;
  PictureChanged(this);
}

TRect TImage::DestRect() const {
  int w = picture_->Width(), h = picture_->Height();
  const int cw = Width(), ch = Height();
  if (stretch_ || (proportional_ && (w > cw || h > ch))) {
    if (proportional_ && w > 0 && h > 0) {
      // The larger of the two scale ratios decides; 64-bit products never overflow.
      if (std::int64_t(w) * ch > std::int64_t(h) * cw) {
        h = int(std::int64_t(h) * cw / w);
        w = cw;
      } else {
        w = int(std::int64_t(w) * ch / h);
        h = ch;
      }
    } else {
      w = cw;
      h = ch;
    }
  }
  int x = 0, y = 0;
  if (center_) {
    x = (cw - w) / 2;
    y = (ch - h) / 2;
  }
  return Bounds(x, y, w, h);
}

bool TImage::CanAutoSize(int& NewWidth, int& NewHeight) {
  if (picture_->Width() <= 0 || picture_->Height() <= 0) return false;
  NewWidth = picture_->Width();
  NewHeight = picture_->Height();
  return true;
}

void TImage::PictureChanged(TObject*) {
  if (AutoSize()) AdjustSize();
  TGraphic* g = picture_->Graphic();
  if (g && g->Transparent() != transparent_) {
    // Changing the graphic calls back here; the second call finds nothing to change.
    g->SetTransparent(transparent_);
    return;
  }
  const TRect d = DestRect();
  const bool covers = g && !g->Empty() && !transparent_ && d.Left <= 0 && d.Top <= 0 && d.Right >= Width() &&
                      d.Bottom >= Height();
  if (covers)
    ControlStyle |= csOpaque;
  else
    ControlStyle &= ~csOpaque;
  if (!drawing_) Invalidate();
}

void TImage::Paint() {
  TGraphic* g = picture_->Graphic();
  if (!g || g->Empty()) return;
  // Drawing may make a graphic build its pixels and report a change; that
  // must not ask for another paint.
  drawing_ = true;
  try {
    TGraphicControl::Canvas()->StretchDraw(DestRect(), g);
  } catch (...) {
    drawing_ = false;
    throw;
  }
  drawing_ = false;
}

// ---- TShape ---------------------------------------------------------------------------

TShape::TShape(TComponent* AOwner) : TGraphicControl(AOwner), pen_(new TPen), brush_(new TBrush) {
  ControlStyle |= csReplicatable;
  pen_->OnChange = [this](TObject*) { Invalidate(); };
  brush_->OnChange = [this](TObject*) { Invalidate(); };
  SetBounds(0, 0, 65, 65);
}

void TShape::SetShape(TShapeType v) {
  if (v == shape_) return;
  shape_ = v;
  Invalidate();
}

void TShape::Paint() {
  TCanvas* c = Canvas();
  c->Pen()->Assign(pen_.get());
  c->Brush()->Assign(brush_.get());
  // The pen is centred on the outline, so the outline moves in by half its
  // width to keep the whole stroke inside the control.
  const int pw = pen_->Style() == psClear ? 0 : pen_->Width();
  int x = pw / 2, y = pw / 2;
  int w = Width() - pw + 1, h = Height() - pw + 1;
  if (pw == 0) {
    --w;
    --h;
  }
  const int s = std::min(w, h);
  if (shape_ == stSquare || shape_ == stRoundSquare || shape_ == stCircle) {
    x += (w - s) / 2;
    y += (h - s) / 2;
    w = h = s;
  }
  switch (shape_) {
    case stRectangle:
    case stSquare: c->Rectangle(x, y, x + w, y + h); break;
    case stRoundRect:
    case stRoundSquare: c->RoundRect(x, y, x + w, y + h, s / 4, s / 4); break;
    case stEllipse:
    case stCircle: c->Ellipse(x, y, x + w, y + h); break;
  }
}

// ---- TBevel ---------------------------------------------------------------------------

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) {
  ControlStyle |= csReplicatable;
  SetBounds(0, 0, 50, 50);
}

void TBevel::SetShape(TBevelShape v) {
  if (v == shape_) return;
  shape_ = v;
  Invalidate();
}

void TBevel::SetStyle(TBevelStyle v) {
  if (v == style_) return;
  style_ = v;
  Invalidate();
}

void TBevel::Paint() {
  HDC dc = Canvas()->Handle();
  const TColor first = style_ == bsLowered ? clBtnShadow : clBtnHighlight;
  const TColor second = style_ == bsLowered ? clBtnHighlight : clBtnShadow;
  const int w = Width(), h = Height();
  auto outline = [&](TRect r, TColor c) { Frame3D(dc, r, c, c, 1); };
  switch (shape_) {
    case bsBox: {
      TRect r{0, 0, w, h};
      Frame3D(dc, r, first, second, 1);
      break;
    }
    case bsFrame:
      // Etched: the second colour one pixel down and right, under the first.
      outline(TRect{1, 1, w, h}, second);
      outline(TRect{0, 0, w - 1, h - 1}, first);
      break;
    case bsTopLine:
      FillSolid(dc, TRect{0, 0, w, 1}, first);
      FillSolid(dc, TRect{0, 1, w, 2}, second);
      break;
    case bsBottomLine:
      FillSolid(dc, TRect{0, h - 2, w, h - 1}, first);
      FillSolid(dc, TRect{0, h - 1, w, h}, second);
      break;
    case bsLeftLine:
      FillSolid(dc, TRect{0, 0, 1, h}, first);
      FillSolid(dc, TRect{1, 0, 2, h}, second);
      break;
    case bsRightLine:
      FillSolid(dc, TRect{w - 2, 0, w - 1, h}, first);
      FillSolid(dc, TRect{w - 1, 0, w, h}, second);
      break;
    case bsSpacer: break;
  }
}

// ---- TScrollBox -------------------------------------------------------------------------

TScrollBox::TScrollBox(TComponent* AOwner) : TScrollingWinControl(AOwner) {
  ControlStyle |= csAcceptsControls;
  SetColor(clBtnFace);
  SetBounds(0, 0, 185, 41);
  SetTabStop(false);
  SetAutoScroll(true);
}

void TScrollBox::SetBorderStyle(TBorderStyle v) {
  if (v != bsSingle) v = bsNone;
  if (v == borderStyle_) return;
  borderStyle_ = v;
  if (HandleAllocated()) RecreateWnd();
}

void TScrollBox::CreateParams(TCreateParams& Params) {
  TScrollingWinControl::CreateParams(Params);
  Params.Style |= WS_CLIPCHILDREN;
  if (borderStyle_ == bsSingle) Params.ExStyle |= WS_EX_CLIENTEDGE;
}
