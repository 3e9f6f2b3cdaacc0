#include "imaging/view/vqview.h"

#include <algorithm>

#include "platform/ui/system/UiMessages.h"
#include "platform/user/User.h"

TVQView::TVQView(TComponent* AOwner) : TCustomControl(AOwner) {
  ControlStyle |= csAcceptsControls | csOpaque | csReplicatable | csNeedsBorderPaint;
  SetCtl3D(true);
}

TVQView::~TVQView() { BroadcastDestroy(); }

void TVQView::BroadcastDestroy() {
  while (!callbacks_.empty()) {
    std::unique_ptr<TRecord> first = std::move(callbacks_.front());
    callbacks_.erase(callbacks_.begin());
    if (first->handler) first->handler(this, true);
  }
}

void TVQView::SetCtl3D(bool value) {
  if (value == ctl3D_) return;
  ctl3D_ = value;
  if (HandleAllocated()) RecreateWnd();
}

void TVQView::SetBorderStyle(TBorderStyle value) {
  if (value == borderStyle_) return;
  borderStyle_ = value;
  if (HandleAllocated()) RecreateWnd();
}

void TVQView::SetDpiX(int value) {
  if (value != 0) dpiX_ = value;
}

void TVQView::SetDpiY(int value) {
  if (value != 0) dpiY_ = value;
}

void TVQView::SetDpi(int x, int y) {
  SetDpiX(x);
  SetDpiY(y);
}

void TVQView::CallChangeCallbacks() {
  const std::size_t count = callbacks_.size();
  for (std::size_t i = 0; i < count && i < callbacks_.size(); ++i)
    if (callbacks_[i] && callbacks_[i]->handler) callbacks_[i]->handler(this, false);
}

TVQCallbackHandle TVQView::RegisterChangeCallback(TVQChangeCallback handler) {
  auto record = std::make_unique<TRecord>();
  record->handler = std::move(handler);
  const auto handle = reinterpret_cast<TVQCallbackHandle>(record.get());
  callbacks_.push_back(std::move(record));
  return handle;
}

void TVQView::UnregisterChangeCallback(TVQCallbackHandle handle) {
  if (handle < 0) return;
  auto it = std::find_if(callbacks_.begin(), callbacks_.end(), [handle](const std::unique_ptr<TRecord>& r) {
    return reinterpret_cast<TVQCallbackHandle>(r.get()) == handle;
  });
  if (it != callbacks_.end()) callbacks_.erase(it);
}

void TVQView::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  if (borderStyle_ == bsSingle) {
    if (ctl3D_)
      Params.ExStyle |= WS_EX_CLIENTEDGE;
    else
      Params.Style |= WS_BORDER;
  }
  // A resize repaints only what it uncovers.
  Params.WindowClass.style &= ~UINT(CS_HREDRAW | CS_VREDRAW);
}

void TVQView::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_MOUSEENTER:
      TCustomControl::Dispatch(Message);
      if (OnMouseEnter) OnMouseEnter(this);
      return;
    case CM_MOUSELEAVE:
      TCustomControl::Dispatch(Message);
      if (OnMouseLeave) OnMouseLeave(this);
      return;
    default: TCustomControl::Dispatch(Message);
  }
}
