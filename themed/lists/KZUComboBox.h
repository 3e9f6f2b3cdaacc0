// The bordered combo box: a framework combo box with the flat frame and a
// drop button painted in the look's colours (a picture for MacOS).
#pragma once
#include "platform/ui/lists/ComboBox.h"
#include "themed/lists/KZUBordered.h"

class TkzuCustomComboBox : public TkzuFramed<TCustomComboBox>, public TkzuLookTarget {
 public:
  explicit TkzuCustomComboBox(TComponent* AOwner);
  std::string ClassName() const override { return "TkzuCustomComboBox"; }

  TColor ButtonColor() const { return buttonColor_; }
  void SetButtonColor(TColor v);
  TColor ArrowColor() const { return arrowColor_; }
  void SetArrowColor(TColor v);
  TkzuUIStyle UIStyle() const { return uiStyle_; }
  void SetUIStyle(TkzuUIStyle v);
  void SetEnabled(bool v) override;
  void ApplyContainerUIStyle(TkzuUIStyle style) override { SetUIStyle(style); }

 protected:
  void DrawFrame() override;

 private:
  void DrawComboButton();
  TColor buttonColor_ = clBlack;
  TColor arrowColor_ = clBlack;
  TkzuUIStyle uiStyle_ = TkzuUIStyle::Custom;
};

class TkzuComboBox : public TkzuCustomComboBox {
 public:
  explicit TkzuComboBox(TComponent* AOwner) : TkzuCustomComboBox(AOwner) {}
  std::string ClassName() const override { return "TkzuComboBox"; }
};
