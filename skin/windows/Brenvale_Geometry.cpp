// Frame geometry: the skin's frame picture fitted to the window size, the
// client area, the window's shape from the skin's mask, the frame size
// limits and the three hit tests. Everything here runs on every mouse move
// over the frame, so it only computes: no allocation, no drawing.
#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/ui/forms/Screen.h"
#include "platform/user/User.h"
#include "skin/engine/SPUtils.h"
#include "skin/engine/SkinData.h"
#include "skin/windows/Brenvale.h"
#include "skin/windows/Brenvale_Internal.h"

using brenvale::PtIn;

namespace {

TPoint Moved(TPoint p, int dx, int dy) { return TPoint{p.X + dx, p.Y + dy}; }

bool PointInArea(TPoint p, const TRect& area) { return PtIn(area, p.X, p.Y); }

}  // namespace

bool TspBrenvale::SkinFrameUsable() const {
  return supportNCArea_ && skinData_ && !skinData_->Empty && !IsNullRect(skinData_->clientrect) &&
         skinData_->FrameUsable();
}

bool TspBrenvale::SkinStretches() const {
  if (!skinData_) return false;
  const TPoint lt = skinData_->lefttoppoint, rb = skinData_->rightbottompoint;
  return lt.X != rb.X && lt.Y != rb.Y;
}

int TspBrenvale::CaptionHeight() const {
  const TFormBorderStyle b = Form->BorderStyle();
  return (b == bsToolWindow || b == bsSizeToolWin) ? kDefToolCaptionHeight : kDefCaptionHeight;
}

int TspBrenvale::ButtonSize() const {
  const TFormBorderStyle b = Form->BorderStyle();
  return (b == bsToolWindow || b == bsSizeToolWin) ? kDefToolButtonSize : kDefButtonSize;
}

void TspBrenvale::UpdateFrameGeometry() {
  if (FrameWidth == 0) FrameWidth = Form->Width();
  if (FrameHeight == 0) FrameHeight = Form->Height();
  if (!skinData_ || skinData_->Empty) return;
  const TspSkinData& s = *skinData_;
  const int pw = s.Picture.Width(), ph = s.Picture.Height();
  const int dx = FrameWidth - pw, dy = FrameHeight - ph;
  FittedLeftTop = s.lefttoppoint;
  FittedRightTop = Moved(s.righttoppoint, dx, 0);
  FittedLeftBottom = Moved(s.leftbottompoint, 0, dy);
  FittedRightBottom = Moved(s.rightbottompoint, dx, dy);
  FittedClientRect = s.clientrect;
  FittedClientRect.Right += dx;
  FittedClientRect.Bottom += dy;
  FittedCaptionRect = s.captionrect;
  if (!IsNullRect(FittedCaptionRect)) FittedCaptionRect.Right += dx;
  FittedButtonsRect = s.buttonsrect;
  if (!IsNullRect(FittedButtonsRect) && FittedButtonsRect.Left > pw / 2)
    FittedButtonsRect = brenvale::Offset(FittedButtonsRect, dx, 0);
  ButtonsOffset = s.buttonsoffset;
  ButtonsInLeft = s.buttonsinleft;
  HitTestLeftTop = s.hittestlefttoppoint;
  HitTestRightTop = Moved(s.hittestrighttoppoint, dx, 0);
  HitTestLeftBottom = Moved(s.hittestleftbottompoint, 0, dy);
  HitTestRightBottom = Moved(s.hittestrightbottompoint, dx, dy);
  FittedMaskRectArea = s.maskrectarea;
  FittedMaskRectArea.Right += dx;
  FittedMaskRectArea.Bottom += dy;
  FittedIconRect = AnchorRect(s.iconrect);
  FittedMainMenuRect = s.mainmenurect;
  if (SkinStretches()) {
    FittedMainMenuRect.Right += dx;
    const TRect lb{0, s.leftbottompoint.Y, s.leftbottompoint.X, ph};
    if (PointInArea(TPoint{FittedMainMenuRect.Left, FittedMainMenuRect.Top}, lb))
      FittedMainMenuRect = brenvale::Offset(FittedMainMenuRect, 0, dy);
  }
  SizeGripRect = IsNullRect(s.sizegriparea) ? TRect{} : AnchorRect(s.sizegriparea);
}

TRect TspBrenvale::AnchorRect(const TRect& R) const {
  if (!skinData_ || skinData_->Empty) return R;
  const TspSkinData& s = *skinData_;
  const int pw = s.Picture.Width(), ph = s.Picture.Height();
  const TRect lt{0, 0, s.lefttoppoint.X, s.lefttoppoint.Y};
  const TRect lb{0, s.leftbottompoint.Y, s.leftbottompoint.X, ph};
  const TRect rt{s.righttoppoint.X, 0, pw, s.righttoppoint.Y};
  const TRect rb{s.rightbottompoint.X, s.rightbottompoint.Y, pw, ph};
  if (IsNullRect(lt) && IsNullRect(lb) && IsNullRect(rt) && IsNullRect(rb)) return R;
  const int ox = FittedRightBottom.X - s.rightbottompoint.X;
  const int oy = FittedRightBottom.Y - s.rightbottompoint.Y;
  if (RectInRect(R, lt)) return R;
  if (RectInRect(R, rt)) return brenvale::Offset(R, ox, 0);
  if (RectInRect(R, lb)) return brenvale::Offset(R, 0, oy);
  if (RectInRect(R, rb)) return brenvale::Offset(R, ox, oy);
  const TPoint tl{R.Left, R.Top}, br{R.Right, R.Bottom};
  TRect r = R;
  if (PointInArea(tl, lt) && PointInArea(br, rb)) {
    r.Right += ox;
    r.Bottom += oy;
  } else if (PointInArea(tl, lt) && PointInArea(br, rt)) {
    r.Right += ox;
  } else if (PointInArea(tl, lb) && PointInArea(br, rb)) {
    r.Right += ox;
    r = brenvale::Offset(r, 0, oy);
  } else if (PointInArea(tl, lt) && PointInArea(br, lb)) {
    r.Bottom += oy;
  } else if (PointInArea(tl, rt) && PointInArea(br, rb)) {
    r = brenvale::Offset(r, ox, 0);
    r.Bottom += oy;
  }
  return r;
}

void TspBrenvale::CalcClientRect(RECT& R) {
  if (SkinApplied && SkinFrameUsable()) {
    UpdateFrameGeometry();
    const TspSkinData& s = *skinData_;
    const int pw = s.Picture.Width(), ph = s.Picture.Height();
    R.Left += s.clientrect.Left;
    R.Top += s.clientrect.Top;
    R.Right -= pw - s.clientrect.Right;
    R.Bottom -= ph - s.clientrect.Bottom;
  } else {
    R.Left += kDefBorder;
    R.Top += CaptionHeight() + kDefBorder;
    R.Right -= kDefBorder;
    R.Bottom -= kDefBorder;
  }
  R.Right = std::max(R.Right, R.Left);
  R.Bottom = std::max(R.Bottom, R.Top);
}

TPoint TspBrenvale::ToWindowPoint(TPoint Screen) const {
  if (IsMDIChild()) {
    TPoint p = Form->ScreenToClient(Screen);
    if (UseSkinFrame())
      return TPoint{p.X + FittedClientRect.Left, p.Y + FittedClientRect.Top};
    return TPoint{p.X + kDefBorder, p.Y + CaptionHeight() + kDefBorder};
  }
  return TPoint{Screen.X - Form->Left(), Screen.Y - Form->Top()};
}

void TspBrenvale::ClientRectChanged(bool Layout) {
  if (Designing() || !skinData_ || skinData_->Empty) return;
  if (Skinnable) {
    UpdateFrameGeometry();
    if (Layout) LayoutObjects();
  }
  UpdateRegion(Layout);
  if (OnChangeClientRect) {
    TRect r = FittedClientRect;
    OnChangeClientRect(r);
  }
  if (supportNCArea_) {
    if (!WindowRegion && Skinnable) PaintNCNow();
    if (SkinApplied && skinData_->stretcheffect) {
      Form->Invalidate();
      SendBackgroundChanged();
    }
  } else {
    Form->Invalidate();
    PlaceAreaControls();
  }
}

void TspBrenvale::UpdateRegion(bool Stretch) {
  if (!Form->HandleAllocated()) return;
  HWND h = Form->Handle();
  if (FrameWidth == 0) FrameWidth = Form->Width();
  if (FrameHeight == 0) FrameHeight = Form->Height();
  if (Skinnable && (Framed() || !supportNCArea_)) {
    HRGN rgn = nullptr;
    const bool skinShape = SkinApplied && skinData_ && !skinData_->Empty && !skinData_->Mask.Empty();
    if (!skinShape || ZoomedChild() || (supportNCArea_ && !SkinFrameUsable())) {
      if (!skinData_ || skinData_->Empty || !skinShape) {
        maskTop_->SetSize(0, 0);
        maskBottom_->SetSize(0, 0);
        maskLeft_->SetSize(0, 0);
        maskRight_->SetSize(0, 0);
      }
      rgn = CreateRectRgn(0, 0, FrameWidth, FrameHeight);
    } else if (Stretch) {
      UpdateFrameGeometry();
      const TspSkinData& s = *skinData_;
      maskTop_->SetSize(0, 0);
      maskBottom_->SetSize(0, 0);
      maskLeft_->SetSize(0, 0);
      maskRight_->SetSize(0, 0);
      TBitmap* mask = const_cast<TBitmap*>(&s.Mask);
      CreateSkinMask(s.lefttoppoint, s.righttoppoint, s.leftbottompoint, s.rightbottompoint, s.maskrectarea,
                     FittedLeftTop, FittedRightTop, FittedLeftBottom, FittedRightBottom, FittedMaskRectArea, mask,
                     maskTop_.get(), maskLeft_.get(), maskRight_.get(), maskBottom_.get(), FrameWidth);
      if (!IsNullRect(FittedMaskRectArea))
        rgn = CreateRectRgn(FittedMaskRectArea.Left, FittedMaskRectArea.Top, FittedMaskRectArea.Right,
                            FittedMaskRectArea.Bottom);
      auto add = [&rgn](TBitmap* strip, int x, int y) {
        if (strip->Empty()) return;
        HRGN part = nullptr;
        CreateRegionFromBitmap(part, strip);
        if (!part) return;
        OffsetRgn(part, x, y);
        if (!rgn) {
          rgn = part;
          return;
        }
        CombineRgn(rgn, rgn, part, RGN_OR);
        DeleteObject(reinterpret_cast<HGDIOBJ>(part));
      };
      add(maskTop_.get(), 0, 0);
      add(maskBottom_.get(), 0, FittedMaskRectArea.Bottom);
      add(maskLeft_.get(), 0, FittedMaskRectArea.Top);
      add(maskRight_.get(), FittedMaskRectArea.Right, FittedMaskRectArea.Top);
    } else {
      CreateRegionFromBitmap(rgn, const_cast<TBitmap*>(&skinData_->Mask));
    }
    // A mask without black pixels leaves the shape as it was.
    if (!rgn) return;
    // The window owns the region from here on and frees the one it replaces.
    SetWindowRgn(h, rgn, TRUE);
    WindowRegion = rgn;
  } else if (WindowRegion) {
    SetWindowRgn(h, nullptr, TRUE);
    WindowRegion = nullptr;
  }
}

int TspBrenvale::MinFrameWidth() const {
  const bool minimized = WindowState == spwsMinimized;
  if (supportNCArea_) {
    if (!SkinApplied || !skinData_) return MinWidth > 0 ? MinWidth : 130;
    const int pw = skinData_->Picture.Width();
    if (MinWidth > pw && !minimized) return MinWidth;
    const int fmw = skinData_->formminwidth;
    if (fmw > 0) return (fmw >= MinWidth || minimized) ? fmw : MinWidth;
    return pw;
  }
  if (!SkinApplied || !skinData_) return 0;
  const int pw = skinData_->Picture.Width();
  return MinWidth == 0 ? pw : std::min(pw, MinWidth);
}

int TspBrenvale::MinFrameHeight() const {
  const bool lenient = RollUpState || WindowState == spwsMinimized;
  if (supportNCArea_) {
    int h;
    if (SkinApplied && skinData_)
      h = skinData_->Picture.Height() - RectHeight(skinData_->clientrect);
    else
      h = CaptionHeight() + 6;
    return (h >= MinHeight || lenient) ? h : MinHeight;
  }
  if (!SkinApplied || !skinData_) return 0;
  const int ph = skinData_->Picture.Height();
  return (MinHeight == 0 || ph < MinHeight) ? ph : MinHeight;
}

int TspBrenvale::MaxFrameWidth() const {
  TRect r{0, 0, Screen ? Screen->Width() : 0, Screen ? Screen->Height() : 0};
  GetMonitorWorkArea(Form->HandleAllocated() ? Form->Handle() : nullptr, !MaximizeOnFullScreen, r);
  const int w = r.Width();
  return (MaxWidth != 0 && MaxWidth < w) ? MaxWidth : w;
}

int TspBrenvale::MaxFrameHeight() const {
  TRect r{0, 0, Screen ? Screen->Width() : 0, Screen ? Screen->Height() : 0};
  GetMonitorWorkArea(Form->HandleAllocated() ? Form->Handle() : nullptr, !MaximizeOnFullScreen, r);
  const int h = r.Height();
  return (MaxHeight != 0 && MaxHeight < h) ? MaxHeight : h;
}

void TspBrenvale::RelayoutJiggle() {
  const int w = Form->Width();
  if (w - 1 < MinFrameWidth()) {
    Form->SetWidth(w + 1);
    Form->SetWidth(w);
  } else {
    Form->SetWidth(w - 1);
    Form->SetWidth(w);
  }
}

bool TspBrenvale::PointInMask(int X, int Y) const {
  const TRect& a = FittedMaskRectArea;
  if (PtIn(a, X, Y)) return true;
  if (Y <= a.Top) return brenvale::MaskPixelIsBlack(maskTop_.get(), X, Y);
  if (Y >= a.Bottom) return brenvale::MaskPixelIsBlack(maskBottom_.get(), X, Y - a.Bottom);
  if (X > a.Left) return brenvale::MaskPixelIsBlack(maskRight_.get(), X - a.Right, Y - a.Top);
  return brenvale::MaskPixelIsBlack(maskLeft_.get(), X, Y - a.Top);
}

namespace {

// Hit codes of the corners and bands of a frame's border.
int BorderCode(TPoint p, TPoint lt, TPoint rt, TPoint lb, TPoint rb, const TRect& client, int W, int H) {
  const int x = p.X, y = p.Y;
  if (x <= lt.X && y <= lt.Y) return HTTOPLEFT;
  if (x >= rt.X && y <= rt.Y) return HTTOPRIGHT;
  if (x <= lb.X && y >= lb.Y) return HTBOTTOMLEFT;
  if (x >= rb.X && y >= rb.Y) return HTBOTTOMRIGHT;
  if (PtIn(TRect{lt.X, 0, rt.X, client.Top}, x, y)) return HTTOP;
  if (PtIn(TRect{lb.X, client.Bottom, rb.X, H}, x, y)) return HTBOTTOM;
  if (PtIn(TRect{0, lt.Y, client.Left, lb.Y}, x, y)) return HTLEFT;
  if (PtIn(TRect{client.Right, rt.Y, W, rb.Y}, x, y)) return HTRIGHT;
  return 0;
}

}  // namespace

bool TspBrenvale::OnSkinBorder(TPoint P) const {
  const int B = skinData_ ? skinData_->borderwidth : 0;
  const int W = Form->Width(), H = Form->Height();
  const TPoint probes[4] = {{P.X - B, P.Y}, {P.X, P.Y - B}, {P.X + B, P.Y}, {P.X, P.Y + B}};
  if (!skinData_ || skinData_->Mask.Empty()) {
    for (const TPoint& q : probes)
      if (!PtIn(TRect{0, 0, W, H}, q.X, q.Y)) return true;
    return false;
  }
  if (PtIn(FittedMaskRectArea, P.X, P.Y)) return false;
  for (const TPoint& q : probes)
    if (!PointInMask(q.X, q.Y)) return true;
  return false;
}

bool TspBrenvale::InCaptionObject(TPoint P) const {
  for (const auto& o : ObjectList)
    if (o->Kind() == TspObjectKind::Caption && InRollUpState(o.get()) && PtIn(o->ObjectRect, P.X, P.Y)) return true;
  return false;
}

int TspBrenvale::SkinHitTest(TPoint P) {
  UpdateFrameGeometry();
  const int W = Form->Width(), H = Form->Height();
  const bool inCaption = InCaptionObject(P);
  if (!RollUpState && WindowState != spwsMinimized) {
    const bool inClient = PtIn(FittedClientRect, P.X, P.Y);
    if (HoveredIndex != -1 && !inCaption && !inClient && !InSizeMove) return HTOBJECT;
    if (WindowState != spwsMaximized && Sizeable) {
      if (!OnSkinBorder(P)) {
        if (inClient) return HTCLIENT;
        return inCaption ? HTCAPTION : HTOBJECT;
      }
      const int code = BorderCode(P, HitTestLeftTop, HitTestRightTop, HitTestLeftBottom, HitTestRightBottom,
                                  FittedClientRect, W, H);
      if (code) return code;
    }
    if (inClient) return HTCLIENT;
  }
  return inCaption ? HTCAPTION : HTOBJECT;
}

int TspBrenvale::DefaultHitTest(TPoint P) {
  const int W = Form->Width(), H = Form->Height();
  const int x = P.X, y = P.Y;
  const int ch = CaptionHeight();
  if (WindowState == spwsNormal && !RollUpState && Sizeable) {
    if (HoveredIndex != -1) return HTOBJECT;
    // Edges as wide as the border: three pixels on every side.
    const int r = W - kDefBorder, b = H - kDefBorder;
    if (x < kDefBorder && y < kDefBorder) return HTTOPLEFT;
    if (x >= r && y < kDefBorder) return HTTOPRIGHT;
    if (x < kDefBorder && y >= b) return HTBOTTOMLEFT;
    if (x >= r && y >= b) return HTBOTTOMRIGHT;
    if (x < kDefBorder) return HTLEFT;
    if (y < kDefBorder) return HTTOP;
    if (x >= r) return HTRIGHT;
    if (y >= b) return HTBOTTOM;
  }
  // The caption band as painted: from the top border to the client's top
  // (the band's own rectangle stops three pixels short of it).
  TRect caption = DefCaptionRect;
  if (IsNullRect(caption)) caption = TRect{kDefBorder, kDefBorder, W - kDefBorder, ch};
  caption.Bottom = ch + kDefBorder;
  if (PtIn(caption, x, y)) return HTCAPTION;
  if (PtIn(TRect{kDefBorder, ch + kDefBorder, W - kDefBorder, H - kDefBorder}, x, y)) return HTCLIENT;
  return HTOBJECT;
}

int TspBrenvale::ClientHitTest(TPoint P) {
  if (!Sizeable || WindowState == spwsMaximized || RollUpState || HoveredIndex != -1 || !SkinApplied)
    return HTCLIENT;
  UpdateFrameGeometry();
  if (!IsNullRect(SizeGripRect) && PtIn(SizeGripRect, P.X, P.Y)) return HTBOTTOMRIGHT;
  if (!OnSkinBorder(P)) return HTCLIENT;
  const int code = BorderCode(P, HitTestLeftTop, HitTestRightTop, HitTestLeftBottom, HitTestRightBottom,
                              FittedClientRect, Form->Width(), Form->Height());
  return code ? code : HTCLIENT;
}
