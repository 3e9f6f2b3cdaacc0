#include "imaging/io/acquire/vqds.h"

TVQDirectShow::TVQDirectShow() = default;

TVQDirectShow::~TVQDirectShow() {
  graph_ = nullptr;
  for (int i = 0; i < owned_.Count(); ++i) delete static_cast<TObject*>(owned_.Items(i));
  owned_.Clear();
}

void TVQDirectShow::SetNotifyWindow(HWND Window, UINT NewFrameMessage, UINT EventMessage, std::intptr_t Extra) {
  notifyWindow_ = Window;
  newFrameMessage_ = NewFrameMessage;
  eventMessage_ = EventMessage;
  notifyExtra_ = Extra;
}
