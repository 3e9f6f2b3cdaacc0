// The application's hint timing: the mouse resting on a control with
// ShowHint shows its hint after HintPause; the hint hides after
// HintHidePause; moving on to another control while a hint is up shows the
// next one after HintShortPause. A key or button press cancels the hint.
#include <algorithm>

#include "platform/ui/forms/Application.h"
#include "platform/ui/forms/HintWindow.h"
#include "platform/ui/forms/Screen.h"
#include "platform/user/User.h"

namespace {

// The hint goes this far below the cursor's hot spot, clear of the arrow.
constexpr int kCursorHeightMargin = 20;

// The control whose hint applies: the first with ShowHint up the parent chain.
TControl* GetHintControl(TControl* c) {
  while (c && !c->ShowHint()) c = c->Parent();
  return c;
}

// The text before '|' is the short hint, shown in the hint window.
std::string ShortHint(const std::string& hint) {
  auto bar = hint.find('|');
  return bar == std::string::npos ? hint : hint.substr(0, bar);
}

// A control without a hint of its own shows its parent's.
std::string HintOf(TControl* c) {
  for (; c; c = c->Parent())
    if (!c->Hint.empty()) return c->Hint;
  return {};
}

bool IsHintCancelMessage(UINT m) {
  switch (m) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
    case WM_MOUSEWHEEL:
    case WM_ACTIVATEAPP:
      return true;
    default:
      return false;
  }
}

}  // namespace

void TApplication::SetShowHint(bool v) {
  if (v == showHint_) return;
  showHint_ = v;
  if (!v) {
    CancelHint();
    // The hint window is made anew when hints come back (a new class may apply).
    delete hintWindow_;
    hintWindow_ = nullptr;
  }
}

THintWindowClass TApplication::HintWindowClass() {
  if (hintWindowClass_) return hintWindowClass_;
  return [](TComponent* owner) -> THintWindow* { return new THintWindow(owner); };
}

void TApplication::SetHintWindowClass(THintWindowClass v) {
  hintWindowClass_ = std::move(v);
  CancelHint();
  delete hintWindow_;
  hintWindow_ = nullptr;
}

void TApplication::IsHintMsg(const MSG& Msg) {
  if (!showHint_) return;
  if (Msg.message == WM_MOUSEMOVE && Msg.hwnd) {
    if (hintWindow_ && hintWindow_->HandleAllocated() && Msg.hwnd == hintWindow_->Handle()) return;
    POINT p = LParamToPoint(Msg.lParam);
    ClientToScreen(Msg.hwnd, &p);
    TControl* control = FindVCLWindow(p);
    TMessage m{Msg.message, Msg.wParam, 0, 0};
    if (control) {
      TPoint client = control->ScreenToClient(p);
      m.LParam = MAKELPARAM(client.X, client.Y);
      HintMouseMessage(control, m);
    } else {
      CancelHint();
    }
  } else if (hintControl_ && IsHintCancelMessage(Msg.message)) {
    CancelHint();
  }
}

void TApplication::HintMouseMessage(TControl* Control, const TMessage& Message) {
  if (!showHint_ || !Control) return;
  TPoint screen = Control->ClientToScreen(Message.Pos());
  lastMousePos_ = screen;
  TControl* newControl = GetHintControl(Control);
  if (!newControl) {
    CancelHint();
    return;
  }
  if (newControl == hintControl_ && hintCursorRect_.Contains(screen)) return;
  bool wasActive = hintActive_;
  CancelHint();
  hintControl_ = newControl;
  hintControl_->FreeNotification(this);
  TRect bounds = newControl->ClientRect();
  TPoint origin = newControl->ClientToScreen(TPoint{0, 0});
  hintCursorRect_ = Bounds(origin.X + bounds.Left, origin.Y + bounds.Top, bounds.Width(), bounds.Height());
  int pause = wasActive ? HintShortPause : HintPause;
  newControl->Perform(CM_HINTSHOWPAUSE, wasActive ? 1 : 0, reinterpret_cast<LPARAM>(&pause));
  hintActive_ = wasActive;
  StartHintTimer(pause, true);
}

void TApplication::StartHintTimer(int ms, bool show) {
  StopHintTimer();
  hintTimerShow_ = show;
  hintTimerRunning_ = true;
  SetTimer(Handle(), kHintTimerId, UINT(std::max(ms, 1)), nullptr);
}

void TApplication::StopHintTimer() {
  if (!hintTimerRunning_) return;
  hintTimerRunning_ = false;
  if (handle_) KillTimer(handle_, kHintTimerId);
}

void TApplication::HintTimerExpired() {
  bool show = hintTimerShow_;
  StopHintTimer();
  if (!hintControl_) return;
  if (show) {
    POINT p{};
    GetCursorPos(&p);
    ActivateHint(p);
  } else {
    // Hidden after the hide pause; it comes back only once the mouse has
    // left the control's rectangle.
    HideHint();
    hintActive_ = false;
  }
}

void TApplication::ActivateHint(TPoint CursorPos) {
  TControl* control = hintControl_;
  if (!control || !showHint_) return;
  // A hint may be asked for again from its own handlers; one at a time.
  if (hintDepth_ > 0) return;
  ++hintDepth_;
  struct TDepth {
    int& d;
    ~TDepth() { --d; }
  } depth{hintDepth_};

  THintInfo info;
  info.HintControl = control;
  info.HintWindowClass = HintWindowClass();
  info.HintPos = TPoint{CursorPos.X, CursorPos.Y + kCursorHeightMargin};
  info.HintMaxWidth = Screen->Width();
  info.HintColor = HintColor;
  info.CursorRect = control->ClientRect();
  info.CursorPos = control->ScreenToClient(CursorPos);
  info.HideTimeout = HintHidePause;
  info.HintStr = ShortHint(HintOf(control));
  auto alive = control->AliveToken();
  bool canShow = control->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)) == 0;
  if (!*alive || hintControl_ != control) return;
  std::string hintStr = info.HintStr;
  if (canShow && OnShowHint) OnShowHint(hintStr, canShow, info);
  if (!*alive || hintControl_ != control) return;
  TPoint origin = control->ClientToScreen(TPoint{0, 0});
  hintCursorRect_ = Bounds(origin.X + info.CursorRect.Left, origin.Y + info.CursorRect.Top, info.CursorRect.Width(),
                           info.CursorRect.Height());
  if (!canShow || hintStr.empty()) {
    HideHint();
    return;
  }
  if (!hintWindow_) {
    hintWindow_ = info.HintWindowClass ? info.HintWindowClass(this) : new THintWindow(this);
    if (!hintWindow_) return;
    if (hintWindow_->Owner() != this) InsertComponent(hintWindow_);
  }
  hintWindow_->SetColor(info.HintColor);
  TRect r = hintWindow_->CalcHintRect(info.HintMaxWidth, hintStr, info.HintData);
  r = Bounds(info.HintPos.X, info.HintPos.Y, r.Width(), r.Height());
  // Stay on the monitor the cursor is on.
  TRect area = Screen->WorkAreaRect();
  if (TMonitor* m = Screen->MonitorFromPoint(CursorPos)) area = m->BoundsRect();
  if (r.Right > area.Right) r = Bounds(area.Right - r.Width(), r.Top, r.Width(), r.Height());
  if (r.Bottom > area.Bottom) r = Bounds(r.Left, CursorPos.Y - r.Height() - 1, r.Width(), r.Height());
  if (r.Left < area.Left) r = Bounds(area.Left, r.Top, r.Width(), r.Height());
  if (r.Top < area.Top) r = Bounds(r.Left, area.Top, r.Width(), r.Height());
  hintWindow_->ActivateHintData(r, hintStr, info.HintData);
  hintShowing_ = true;
  hintActive_ = true;
  if (info.ReshowTimeout > 0)
    StartHintTimer(info.ReshowTimeout, true);
  else if (info.HideTimeout > 0)
    StartHintTimer(info.HideTimeout, false);
}

void TApplication::HideHint() {
  if (hintWindow_ && hintShowing_) hintWindow_->ReleaseHandle();
  hintShowing_ = false;
}

void TApplication::CancelHint() {
  StopHintTimer();
  if (hintControl_) {
    hintControl_->RemoveFreeNotification(this);
    hintControl_ = nullptr;
  }
  HideHint();
  hintActive_ = false;
}
