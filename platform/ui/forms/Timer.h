// TTimer: OnTimer every Interval milliseconds on the GUI thread, through a
// window timer on a hidden utility window. Interval 0 never fires. A
// handler may stop, restart or free its own timer.
#pragma once
#include "platform/rtl/Component.h"
#include "platform/rtl/Events.h"
#include "platform/user/UserTypes.h"

class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;
  std::string ClassName() const override { return "TTimer"; }

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  Cardinal Interval() const { return interval_; }
  void SetInterval(Cardinal value);
  const TNotifyEvent& OnTimer() const { return onTimer_; }
  void SetOnTimer(TNotifyEvent value);

  HWND Handle() const { return handle_; }

 protected:
  // Calls OnTimer; derived timers may add to it.
  virtual void Timer();
  void Loaded() override;

 private:
  void UpdateTimer();
  LRESULT WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  HWND handle_ = nullptr;
  bool enabled_ = true;
  Cardinal interval_ = 1000;
  TNotifyEvent onTimer_;
};
