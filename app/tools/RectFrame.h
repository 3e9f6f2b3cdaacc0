// The rubber-band rectangle of the highlight step: drag to draw, drag inside
// to move; the edges march while a rectangle is selected, and the owner hears
// through OnSelection whenever a drag ends or the rectangle is dropped.
// Display pixels, inclusive edges; no handles, ratio or darkening.
#pragma once
#include <functional>
#include <memory>

#include "app/tools/HandCutFrame.h"
#include "app/pixels/RowImage.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Types.h"

class TImage;
class TTimer;
class TObject;

// The owner's method, bound with its object.
using TSelectionEvent = std::function<void(bool Selected)>;

class TRectFrame {
 public:
  // Saves the control's mouse handlers; Attach puts the frame's own in.
  explicit TRectFrame(TImage* image);
  ~TRectFrame();
  TRectFrame(const TRectFrame&) = delete;
  TRectFrame& operator=(const TRectFrame&) = delete;

  // Takes the current display as the picture under the ants and installs
  // the frame's mouse handlers; after every redisplay of the picture.
  void Attach();
  // Scales the rectangle by factor (new zoom / old zoom), clamped to the
  // current display; a rectangle that falls off it is dropped.
  void Rescale(bool keepDisplay, double factor);
  // Drops the rectangle, erasing its edges unless keepDisplay.
  void Clear(bool keepDisplay);
  bool GetRect(TRect& rect) const;

  TSelectionEvent OnSelection;

  bool HasRect() const { return hasRect_; }
  TRect Frame() const { return TRect{left_, top_, right_, bottom_}; }
  int Phase() const { return phase_; }
  TTimer* Timer() const { return timer_.get(); }

  static constexpr Word DashLength = 5;

 private:
  void MouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void MouseMove(TObject* sender, TShiftState shift, int x, int y);
  void MouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void TimerTick(TObject* sender);
  RowImage Display() const;
  void DrawBorder();
  void RestoreBorder();
  void Repaint();
  void Tell(bool selected);
  void Drop();

  TImage* image_;
  std::shared_ptr<const bool> imageAlive_;
  std::unique_ptr<TTimer> timer_;
  int phase_ = 0;
  bool moving_ = false, hasRect_ = false, dragging_ = false, installed_ = false;
  TPoint startPoint_, endPoint_;
  TFrameMove move_;
  int left_ = 0, right_ = 0, top_ = 0, bottom_ = 0;
  RowImageBuffer shown_;
  TMouseEvent savedDown_, savedUp_;
  TMouseMoveEvent savedMove_;
};
