// The picture control of the blemish step: a TImage that also tells when
// the mouse enters and leaves it, after the control's own handling.
#pragma once
#include <functional>

#include "platform/ui/controls/ExtCtrls.h"

class TMyImage : public TImage {
 public:
  // Class scope: the skinned form's events of the same names carry an object's name instead.
  using TMouseEnterEvent = std::function<void(TObject* Sender)>;
  using TMouseLeaveEvent = std::function<void(TObject* Sender)>;

  explicit TMyImage(TComponent* AOwner) : TImage(AOwner) {}
  std::string ClassName() const override { return "TMyImage"; }

  // Hide the control's own pair: these fire after everything the control
  // does with the notification, its own handlers included.
  TMouseEnterEvent OnMouseEnter;
  TMouseLeaveEvent OnMouseLeave;

  void WndProc(TMessage& Message) override;
};
