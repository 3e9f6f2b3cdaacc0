// The themed scroll bar: two arrow image buttons and a track bar whose
// slider is a thumb built from the look's track picture (start cap,
// stretched middle, end cap). The arrows step by SmallChange every 100 ms
// while held.
#pragma once
#include <memory>
#include <string>

#include "platform/ui/controls/ExtCtrls.h"
#include "themed/bars/KZUTrackBar.h"

class TkzuImageButton;

class TkzuScrollBar : public TCustomPanel, public TkzuLookTarget {
 public:
  explicit TkzuScrollBar(TComponent* AOwner);
  ~TkzuScrollBar() override;
  std::string ClassName() const override { return "TkzuScrollBar"; }

  int Max() const { return track_->Max(); }
  void SetMax(int v) { track_->SetMax(v); }
  int Min() const { return track_->Min(); }
  void SetMin(int v) { track_->SetMin(v); }
  int Position() const { return track_->Position(); }
  void SetPosition(int v) { track_->SetPosition(v); }
  int PageSize() const { return track_->PageSize(); }
  void SetPageSize(int v);
  SmallInt LargeChange() const { return SmallInt(track_->PageSize()); }
  void SetLargeChange(SmallInt v) { track_->SetPageSize(v); }
  const TNotifyEvent& OnChange() const { return track_->OnChange; }
  void SetOnChange(TNotifyEvent v) { track_->OnChange = std::move(v); }

  int SmallChange = 1;
  int LineButton() const { return lineButton_; }
  void SetLineButton(int v);
  TkzuProgressBarOrientation Orientation() const { return orientation_; }
  void SetOrientation(TkzuProgressBarOrientation v);
  TkzuUIStyle UIStyle() const { return uiStyle_; }
  void SetUIStyle(TkzuUIStyle v);
  void SetSliderVisible(bool v);

  TkzuScrollTrackBar* Track() const { return track_; }
  TkzuImageButton* UpButton() const { return up_; }
  TkzuImageButton* DownButton() const { return down_; }

  void ApplyContainerUIStyle(TkzuUIStyle style) override { SetUIStyle(style); }
  void Dispatch(TMessage& Message) override;

 protected:
  void Resize() override;

 private:
  void LayoutParts();
  void LoadScrollPictures();
  void BuildThumb();

  TkzuScrollTrackBar* track_ = nullptr;
  TkzuImageButton* down_ = nullptr;
  TkzuImageButton* up_ = nullptr;
  std::unique_ptr<TBitmap> startCap_, middle_, endCap_;
  TkzuProgressBarOrientation orientation_ = kzuVertical;
  TkzuUIStyle uiStyle_ = TkzuUIStyle::Custom;
  int lineButton_ = 0;
  bool laying_ = false;
};
