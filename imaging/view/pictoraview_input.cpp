// The image view's answers to the user: clicks that zoom, drags that
// scroll, the wheel, the scroll bars, the keys it wants, and its messages.
#include <algorithm>
#include <cmath>

#include "imaging/view/pictoraview.h"
#include "platform/ui/forms/Screen.h"
#include "platform/ui/system/UiMessages.h"
#include "platform/user/User.h"

namespace {

constexpr TVQMouseInteract PviBits(std::initializer_list<TVQMouseInteractItem> items) {
  TVQMouseInteract v = 0;
  for (auto i : items) v = TVQMouseInteract(v | MouseBit(i));
  return v;
}

}  // namespace

void TPictoraView::CreateParams(TCreateParams& Params) {
  TVQView::CreateParams(Params);
}

// ---- cursors -----------------------------------------------------------------------------

void TPictoraView::SetViewCursor(TCursor value) {
  rememberedCursor_ = value;
  ShowCursor(value);
}

void TPictoraView::ShowCursor(TCursor value) {
  shownCursor_ = value;
  TControl::SetCursor(value);
  // Shown at once while the mouse is over the view.
  if (MouseControl() == this && Screen) ::SetCursor(Screen->Cursors(value));
}

// ---- the interaction set -------------------------------------------------------------------

void TPictoraView::SetMouseInteract(TVQMouseInteract value) {
  if (value == mouseInteract_) return;
  const TVQMouseInteract added = TVQMouseInteract(value & ~mouseInteract_);
  auto has = [added](TVQMouseInteractItem i) { return (added & MouseBit(i)) != 0; };
  TVQMouseInteract result = value;
  if (has(miScroll))
    result = value & PviBits({miZoom, miScroll});
  else if (has(miSelect))
    result = value & PviBits({miZoom, miSelect});
  else if (has(miSelectPolygon))
    result = value & PviBits({miSelectPolygon});
  else if (has(miSelectCircle))
    result = value & PviBits({miZoom, miSelectCircle});
  else if (has(miSelectLasso))
    result = value & PviBits({miZoom, miSelectLasso});
  else if (has(miSelectZoom))
    result = value & PviBits({miZoom, miSelectZoom});
  else if (has(miZoom))
    result = value & ~PviBits({miSelectPolygon, miSelectMagicWand, miMoveLayers, miResizeLayers});
  else if (has(miSelectMagicWand))
    result = value & PviBits({miSelectMagicWand});
  else if (value & PviBits({miMoveLayers, miResizeLayers}))
    result = value & PviBits({miMoveLayers, miResizeLayers});
  mouseInteract_ = TVQMouseInteract(result);
}

// ---- the mouse -----------------------------------------------------------------------------

void TPictoraView::ClampToDrawn(int& x, int& y) const {
  x = std::clamp(x, offsetX_, std::max(offsetX_, offsetX_ + drawnW_ - 1));
  y = std::clamp(y, offsetY_, std::max(offsetY_, offsetY_ + drawnH_ - 1));
}

void TPictoraView::ShiftMousePoints(int dx, int dy) {
  down_.X -= dx, down_.Y -= dy;
  downUnclamped_.X -= dx, downUnclamped_.Y -= dy;
  last_.X -= dx, last_.Y -= dy;
  lastUnclamped_.X -= dx, lastUnclamped_.Y -= dy;
}

void TPictoraView::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TVQView::MouseDown(Button, Shift, X, Y);
  if (CanFocus()) SetFocus();
  filterAtDown_ = zoomFilter_;
  if (Button == TMouseButton::mbRight && leftDown_) return;
  if (Button != TMouseButton::mbLeft && !(mouseInteract_ & MouseBit(miZoom))) return;
  if (!(mouseInteract_ & MouseBit(miScroll)) && DelayZoomFilter) zoomFilter_ = rfNone;
  int x = X, y = Y;
  ClampToDrawn(x, y);
  down_ = last_ = TPoint{x, y};
  downUnclamped_ = lastUnclamped_ = TPoint{X, Y};
  scrollAtDownX_ = scrollX_;
  scrollAtDownY_ = scrollY_;
  if (Button != TMouseButton::mbLeft) return;
  leftDown_ = true;
  if ((mouseInteract_ & MouseBit(miScroll)) && IsScrollable()) {
    scrolling_ = true;
    ShowCursor(kVQCursorHand);
  }
}

void TPictoraView::MouseMove(TShiftState Shift, int X, int Y) {
  TVQView::MouseMove(Shift, X, Y);
  int x = X, y = Y;
  ClampToDrawn(x, y);
  if (leftDown_ && scrolling_ && (mouseInteract_ & MouseBit(miScroll)))
    SetScrollXY(scrollAtDownX_ + down_.X - X, scrollAtDownY_ + down_.Y - Y);
  last_ = TPoint{x, y};
  lastUnclamped_ = TPoint{X, Y};
}

void TPictoraView::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TVQView::MouseUp(Button, Shift, X, Y);
  int x = X, y = Y;
  ClampToDrawn(x, y);
  const bool left = Button == TMouseButton::mbLeft;
  if ((mouseInteract_ & MouseBit(miZoom)) && X == downUnclamped_.X && Y == downUnclamped_.Y && !IsEmpty() &&
      (left || Button == TMouseButton::mbRight)) {
    double z;
    if (left) {
      if (mouseInteract_ & MouseBit(miScroll)) RestoreCursor();
      z = ZoomInStep(zoom_);
      if (OnZoomIn) OnZoomIn(this, z);
    } else {
      z = ZoomOutStep(zoom_);
      if (OnZoomOut) OnZoomOut(this, z);
    }
    if (z != zoom_) ZoomAtPoint(x, y, z);
  } else if (left && scrolling_ && (mouseInteract_ & MouseBit(miScroll))) {
    SetScrollXY(scrollAtDownX_ + down_.X - X, scrollAtDownY_ + down_.Y - Y);
    RestoreCursor();
  }
  if (left) {
    leftDown_ = false;
    scrolling_ = false;
  }
  zoomFilter_ = filterAtDown_;
}

// ---- the wheel -----------------------------------------------------------------------------

bool TPictoraView::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
  TVQView::DoMouseWheel(Shift, WheelDelta, MousePos);
  const TPoint at = ScreenToClient(MousePos);
  WheelRule(WheelDelta, GetKeyState(VK_CONTROL) < 0, at);
  return true;
}

void TPictoraView::WheelRule(int delta, bool ctrl, TPoint at) {
  const TVQMouseWheelParams& p = wheelParams_;
  if (p.Action == 0 || AutoFit) return;
  int direction = delta > 0 ? -1 : 1;
  if (p.Invert) direction = -direction;
  if (p.Action == 1) {
    int mx = 0, my = 0;
    GetMaxScroll(mx, my);
    const bool horizontal = ctrl || (mx > 0 && my == 0);
    int step;
    if (p.StepKind == 0)
      step = direction * p.Step * std::max(int(scale_), 1);
    else if (p.StepKind == 1)
      step = direction * std::max(int(std::nearbyint((horizontal ? GetDrawingWidth() : GetDrawingHeight()) * p.Step /
                                                      100.0)),
                                  1);
    else
      return;
    if (horizontal)
      SetScrollX(scrollX_ + step);
    else
      SetScrollY(scrollY_ + step);
    return;
  }
  if (p.Action != 2) return;
  double z = zoom_;
  if (p.StepKind == 0)
    z = zoom_ + direction * p.Step;
  else if (p.StepKind == 1)
    z = zoom_ + direction * std::max(std::nearbyint(p.Step * zoom_ / 100), 1.0);
  if (z > zoom_ && OnZoomIn) OnZoomIn(this, z);
  if (z < zoom_ && OnZoomOut) OnZoomOut(this, z);
  if (p.ZoomAtCursor)
    ZoomAtPoint(at.X, at.Y, z);
  else
    SetZoom(z);
}

// ---- the keyboard --------------------------------------------------------------------------

void TPictoraView::KeyDown(Word& Key, TShiftState Shift) {
  TVQView::KeyDown(Key, Shift);
  if ((Shift & ssShift) && ShiftAddsSelection) {
    if (shownCursor_ == kVQCursorCross) ShowCursor(kVQCursorCrossPlus);
    else if (shownCursor_ == kVQCursorCross2) ShowCursor(kVQCursorCross2Plus);
  }
}

void TPictoraView::KeyUp(Word& Key, TShiftState Shift) {
  TVQView::KeyUp(Key, Shift);
  if (!(Shift & ssShift) && ShiftAddsSelection) RestoreCursor();
}

// ---- messages ------------------------------------------------------------------------------

void TPictoraView::ScrollBarMessage(bool vertical, WPARAM wParam) {
  const int code = LOWORD(wParam);
  const TVQScrollBarParams& p = vertical ? vScrollParams_ : hScrollParams_;
  const double factor = vertical ? vBarFactor_ : hBarFactor_;
  auto run = [&](TVQScrollCommand c, int pos) { vertical ? ScrollVertically(c, pos) : ScrollHorizontally(c, pos); };
  switch (code) {
    case SB_LINEUP: run(scLineBack, 0); break;
    case SB_LINEDOWN: run(scLineForward, 0); break;
    case SB_PAGEUP: run(scPageBack, 0); break;
    case SB_PAGEDOWN: run(scPageForward, 0); break;
    case SB_TOP: run(scStart, 0); break;
    case SB_BOTTOM: run(scEnd, 0); break;
    case SB_THUMBTRACK:
      if (!p.Tracking) break;
      [[fallthrough]];
    case SB_THUMBPOSITION: run(scPosition, int(HIWORD(wParam) * factor)); break;
    default: run(scPosition, vertical ? scrollY_ : scrollX_); break;
  }
}

void TPictoraView::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_SIZE:
      TVQView::Dispatch(Message);
      transitions_->Stop();
      Update();
      return;
    case WM_ERASEBKGND:
      Message.Result = 0;  // the back buffer covers every pixel
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      TVQView::Dispatch(Message);
      Invalidate();
      return;
    case WM_HSCROLL:
    case WM_VSCROLL:
      TVQView::Dispatch(Message);
      if (Message.LParam == 0) ScrollBarMessage(Message.Msg == WM_VSCROLL, Message.WParam);
      return;
    case kVQUpdateMessage:
      Update();
      return;
    case CM_WANTSPECIALKEY: {
      TVQView::Dispatch(Message);
      bool handled = false;
      const auto key = static_cast<std::uint16_t>(Message.WParam);
      if (OnSpecialKey) OnSpecialKey(this, key, handled);
      if (handled) {
        Message.Result = 1;
      } else if (key >= VK_PRIOR && key <= VK_DOWN) {
        // Page, end, home and arrows reach OnKeyDown rather than move the focus.
        Message.Result = 1;
        if (!(KeyboardStateToShiftState() & ssShift) && ShiftAddsSelection) RestoreCursor();
      }
      return;
    }
    default: TVQView::Dispatch(Message);
  }
}
