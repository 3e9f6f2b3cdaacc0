#include "app/tools/MyImage.h"

#include "platform/ui/system/UiMessages.h"

void TMyImage::WndProc(TMessage& Message) {
  const UINT msg = Message.Msg;
  // A non-zero LParam names a child that was entered or left, not this control.
  const bool own = Message.LParam == 0;
  auto alive = AliveToken();
  TImage::WndProc(Message);
  if (!*alive || !own)
    return;
  if (msg == CM_MOUSEENTER && OnMouseEnter)
    OnMouseEnter(this);
  else if (msg == CM_MOUSELEAVE && OnMouseLeave)
    OnMouseLeave(this);
}
