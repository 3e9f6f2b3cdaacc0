// THintWindow: the small topmost window that shows a hint, drawn plainly in
// the info colours. It never takes activation or the mouse.
#pragma once
#include <string>

#include "platform/ui/controls/Controls.h"

class THintWindow : public TCustomControl {
 public:
  explicit THintWindow(TComponent* AOwner);
  std::string ClassName() const override { return "THintWindow"; }

  // Shows the hint at Rect (screen coordinates) without activating it.
  virtual void ActivateHint(const TRect& Rect, const std::string& AHint);
  virtual void ActivateHintData(const TRect& Rect, const std::string& AHint, void* AData);
  // The size the hint needs, at (0, 0), wrapping lines at MaxWidth.
  virtual TRect CalcHintRect(int MaxWidth, const std::string& AHint, void* AData);
  // Hides the hint by destroying its window.
  virtual void ReleaseHandle();
  bool IsHintShowing();

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  void Dispatch(TMessage& Message) override;
};
