// The skinned slider: a groove with a thumb holding an integer Value between
// MinValue and MaxValue. Drawn from the skin's slider description, or from
// four images of its own (drawn here when the user assigns none).
#pragma once
#include <array>

#include "skin/controls/SkinCtrls.h"

enum TspSliderOrientation { soHorizontal = 0, soVertical = 1 };
using TspSliderOptions = unsigned;
constexpr TspSliderOptions soShowFocus = 1u << 0;
constexpr TspSliderOptions soShowPoints = 1u << 1;
constexpr TspSliderOptions soSmooth = 1u << 2;
constexpr TspSliderOptions soRulerOpaque = 1u << 3;
constexpr TspSliderOptions soThumbOpaque = 1u << 4;
using TspNumThumbStates = int;  // 1 or 2

// Draws default image index (0 horizontal thumb, 1 horizontal ruler,
// 2 vertical thumb, 3 vertical ruler) into b, magenta where transparent.
void DrawSliderDefaultImage(int index, TBitmap& b);

class TspSkinCustomSlider : public TspSkinControl {
 public:
  explicit TspSkinCustomSlider(TComponent* AOwner);
  ~TspSkinCustomSlider() override;
  std::string ClassName() const override { return "TspSkinCustomSlider"; }

  bool UseSkinThumb = true;
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);
  // 0 ImageHThumb, 1 ImageHRuler, 2 ImageVThumb, 3 ImageVRuler.
  TBitmap* Image(int index) const { return images_[std::size_t(index)].get(); }
  // nullptr restores the default image.
  void SetImage(int index, const TBitmap* bitmap);
  Byte UserImages() const { return userImages_; }
  int EdgeSize() const { return edgeSize_; }
  void SetEdgeSize(int v);
  TspNumThumbStates NumThumbStates() const { return numThumbStates_; }
  void SetNumThumbStates(TspNumThumbStates v);
  TspSliderOrientation Orientation() const { return orientation_; }
  void SetOrientation(TspSliderOrientation v);
  TspSliderOptions Options() const { return options_; }
  void SetOptions(TspSliderOptions v);
  int MinValue() const { return min_; }
  void SetMinValue(int v);
  int MaxValue() const { return max_; }
  void SetMaxValue(int v);
  void SetRange(int min, int max);
  int Increment() const { return increment_; }
  void SetIncrement(int v);
  int Value() const { return value_; }
  void SetValue(int v);

  TNotifyEvent OnChange, OnChanged, OnDrawPoints;

  // Geometry, for tests and subclasses.
  const TRect& ThumbRect() const { return thumbRect_; }
  TPoint RulerPos() const { return rulerPos_; }
  TBitmap* RulerImage() const { return ruler_.get(); }
  int RulerLength() const;
  int ValueToOffset(int v) const;
  int OffsetToValue(int p) const;
  bool Dragging() const { return dragging_; }

  void GetSkinData() override;
  void ChangeSkinData() override;
  void Dispatch(TMessage& Message) override;
  // A new size lays ruler and thumb out again, window or not.
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

 protected:
  virtual bool CanChangeValue() { return true; }
  virtual TRect GetSliderRect() const { return TRect{0, 0, Width(), Height()}; }
  virtual int GetCurrentValue() const { return value_; }
  virtual void RebuildLayout() { CalcLayout(); }
  virtual void RangeChanged() {}
  virtual void ThumbMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void ThumbMouseMove(TShiftState Shift, int X, int Y);
  virtual void ThumbMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void DrawPoints(int step, int tickLength, int endTickLength);
  virtual void Change();
  virtual void Changed();
  void Loaded() override;
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void PaintPoints(TCanvas* C, int step, int tickLength, int endTickLength);

 private:
  bool UsesSkinThumb() const;
  int ThumbWidth() const;
  int ThumbHeight() const;
  void CalcLayout();
  void BuildUserRuler(int N);
  void SnapOffset(int p, TPoint& topLeft) const;
  void MoveThumbTo(int p);
  void InvalidateThumb();
  int ScrollCodeAt(int X, int Y) const;
  void RepeatStep();
  void StopRepeat();
  void Scroll(int code);
  void PaintBuffered(TMessage& Message);
  bool Reading() const { return (ComponentState() & (csReading | csLoading)) != 0; }

  bool transparent_ = false;
  Byte userImages_ = 0;
  std::array<std::unique_ptr<TBitmap>, 4> images_;
  int edgeSize_ = 2;
  std::unique_ptr<TBitmap> ruler_;
  bool paintingBuffer_ = false;
  TPoint rulerPos_{};
  TRect thumbRect_{};
  bool thumbPressed_ = false;
  TspNumThumbStates numThumbStates_ = 2;
  TRect pointsRect_{};
  TspSliderOrientation orientation_ = soHorizontal;
  TspSliderOptions options_ = soShowFocus | soShowPoints | soSmooth;
  int min_ = 0, max_ = 100, increment_ = 10, value_ = 0;
  int dragOffset_ = 0;
  bool focused_ = false, dragging_ = false, repeating_ = false, timerRunning_ = false;
  TPoint lastMouse_{};
  int repeatDirection_ = 0;
  bool constructing_ = true;
  // Copies of the description.
  TRect hrulerrect_, hthumbrect_, vrulerrect_, vthumbrect_;
  int skinEdgeSize_ = 0;
  TColor skinBgColor_ = 0, skinPointsColor_ = 0;
  TBitmap* skinPicture_ = nullptr;
};

class TspSkinSlider : public TspSkinCustomSlider {
 public:
  explicit TspSkinSlider(TComponent* AOwner) : TspSkinCustomSlider(AOwner) {}
  std::string ClassName() const override { return "TspSkinSlider"; }
};
