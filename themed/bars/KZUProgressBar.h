// The themed progress bar: the look's picture stretched over the filled
// part, Color over the rest, a one-pixel border and the
// percentage as its caption.
#pragma once
#include <memory>
#include <string>

#include "platform/ui/controls/ExtCtrls.h"
#include "themed/core/KZUThemes.h"

class TPicture;

class TkzuProgressBar : public TCustomPanel, public TkzuLookTarget {
 public:
  explicit TkzuProgressBar(TComponent* AOwner);
  ~TkzuProgressBar() override;
  std::string ClassName() const override { return "TkzuProgressBar"; }

  TPicture* Picture() const { return picture_.get(); }
  void SetPicture(const TPicture* v);
  int Min() const { return min_; }
  void SetMin(int v);
  int Max() const { return max_; }
  void SetMax(int v);
  int Position() const { return position_; }
  void SetPosition(int v);
  TkzuProgressBarOrientation Orientation() const { return orientation_; }
  void SetOrientation(TkzuProgressBarOrientation v);
  TColor BorderColor() const { return borderColor_; }
  void SetBorderColor(TColor v);
  TColor CaptionColor() const { return captionColor_; }
  void SetCaptionColor(TColor v);
  bool ShowCaption() const { return showCaption_; }
  void SetShowCaption(bool v);
  bool SmartShowCaption() const { return smartShowCaption_; }
  void SetSmartShowCaption(bool v);
  TkzuUIStyle UIStyle() const { return uiStyle_; }
  void SetUIStyle(TkzuUIStyle v);

  // (Position - Min) x 100 div (Max - Min); 0 for an empty range.
  int Percent() const;
  // The filled part of an available length n.
  int FilledLength(int n) const;

  void ApplyContainerUIStyle(TkzuUIStyle style) override { SetUIStyle(style); }
  void Dispatch(TMessage& Message) override;

 protected:
  void Paint() override;
  bool CanResize(int& NewWidth, int& NewHeight) override;

 private:
  void RefreshCaption();
  void LoadLook();

  std::unique_ptr<TPicture> picture_;
  int min_ = 0, max_ = 100, position_ = 50;
  TkzuProgressBarOrientation orientation_ = kzuHorizontal;
  TColor borderColor_ = clBlack;
  TColor captionColor_ = clBlack;
  bool showCaption_ = true;
  bool smartShowCaption_ = false;
  TkzuUIStyle uiStyle_ = TkzuUIStyle::Custom;
  bool turning_ = false;
};
