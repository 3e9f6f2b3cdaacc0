// The themed track bar: a bar picture with a draggable slider (a picture
// panel) selecting an integer between Min and Max; paging by presses on
// the bar, repeated every 500 ms while held.
#pragma once
#include <memory>
#include <string>

#include "platform/ui/controls/ExtCtrls.h"
#include "themed/core/KZUThemes.h"

class TBitmap;
class TPicture;
class TTimer;
class TkzuImagePanel;

class TkzuTrackBar : public TCustomPanel, public TkzuLookTarget {
 public:
  explicit TkzuTrackBar(TComponent* AOwner);
  ~TkzuTrackBar() override;
  std::string ClassName() const override { return "TkzuTrackBar"; }

  TPicture* BarImage() const { return barImage_.get(); }
  void SetBarImage(const TPicture* v);
  TPicture* SliderImage() const;
  virtual void SetSliderImage(const TPicture* v);
  int Min() const { return min_; }
  void SetMin(int v);
  int Max() const { return max_; }
  void SetMax(int v);
  int Position() const { return position_; }
  void SetPosition(int v);
  int PageSize() const { return pageSize_; }
  void SetPageSize(int v);
  TkzuProgressBarOrientation Orientation() const { return orientation_; }
  void SetOrientation(TkzuProgressBarOrientation v);
  TkzuUIStyle UIStyle() const { return uiStyle_; }
  void SetUIStyle(TkzuUIStyle v);
  TNotifyEvent OnChange;

  bool GetSliderVisible() const;
  void SetSliderVisible(bool v);
  void UpdateSliderSize();
  TkzuImagePanel* Slider() const { return slider_; }
  bool Dragging() const { return dragging_; }
  bool Repeating() const { return timer_ != nullptr; }

  // Pure geometry of the slider and of points, for a slider sw x sh in a
  // bar w x h; computed in 64 bits so wide ranges cannot overflow.
  TPoint PositionToSliderPos() const;
  int PointToPosition(int x, int y) const;

  void ApplyContainerUIStyle(TkzuUIStyle style) override { SetUIStyle(style); }
  void Dispatch(TMessage& Message) override;

 protected:
  virtual void UpdatePictures();
  void RefreshAll();
  void UpdateSlider();
  void Paint() override;
  void Resize() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

 private:
  void SliderMouseDown(TMouseButton Button, int X, int Y);
  void PageToward(int x, int y);
  void Report();
  int BarPictureHeight() const;

  std::unique_ptr<TPicture> barImage_;
  std::unique_ptr<TBitmap> barBitmap_;
  TkzuImagePanel* slider_ = nullptr;
  std::unique_ptr<TTimer> timer_;
  int min_ = 0, max_ = 100, position_ = 0, pageSize_ = 10;
  int lastReported_ = 0;
  TkzuProgressBarOrientation orientation_ = kzuHorizontal;
  TkzuUIStyle uiStyle_ = TkzuUIStyle::Custom;
  bool dragging_ = false;
  int grab_ = 0;
  bool refreshing_ = false;
};

// The scroll bar's inner track.
class TkzuScrollTrackBar : public TkzuTrackBar {
 public:
  explicit TkzuScrollTrackBar(TComponent* AOwner) : TkzuTrackBar(AOwner) {}
  std::string ClassName() const override { return "TkzuScrollTrackBar"; }
};
