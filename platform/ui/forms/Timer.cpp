#include "platform/ui/forms/Timer.h"

#include "platform/ui/forms/Application.h"
#include "platform/ui/system/UtilityWindow.h"
#include "platform/user/User.h"

namespace {
constexpr std::uintptr_t kTimerId = 1;
}

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
  handle_ = AllocateHWnd([this](HWND h, UINT m, WPARAM wp, LPARAM lp) { return WndProc(h, m, wp, lp); });
}

TTimer::~TTimer() {
  enabled_ = false;
  if (handle_) KillTimer(handle_, kTimerId);
  DeallocateHWnd(handle_);
  handle_ = nullptr;
}

void TTimer::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  UpdateTimer();
}

void TTimer::SetInterval(Cardinal value) {
  if (value == interval_) return;
  interval_ = value;
  UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent value) {
  onTimer_ = std::move(value);
  UpdateTimer();
}

void TTimer::Loaded() {
  TComponent::Loaded();
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  if (!handle_) return;
  KillTimer(handle_, kTimerId);
  if (ComponentState() & (csLoading | csDestroying)) return;
  if (interval_ != 0 && enabled_ && onTimer_) SetTimer(handle_, kTimerId, interval_, nullptr);
}

void TTimer::Timer() {
  // A copy: the handler may replace itself or free this timer.
  TNotifyEvent handler = onTimer_;
  if (handler) handler(this);
}

LRESULT TTimer::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_TIMER && wp == kTimerId) {
    // Nothing of this object may be touched after Timer(): it may be gone.
    try {
      Timer();
    } catch (...) {
      if (Application) Application->HandleException(this);
    }
    return 0;
  }
  return DefWindowProc(hwnd, msg, wp, lp);
}
