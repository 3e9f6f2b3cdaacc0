// The crop frame of the size step: marching-ants edges, white corner handles
// and everything outside darkened, drawn into the picture control's own
// display bitmap. Corners resize (optionally at a fixed ratio), the inside
// moves the frame. All coordinates are display pixels, edges inclusive.
//
// While a crop is under way the frame owns the control's mouse-down, -move
// and -up handlers and calls the ones it replaced afterwards.
#pragma once
#include <memory>

#include "app/pixels/RowImage.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Types.h"

class TImage;
class TTimer;
class TObject;

// The control's displayed bitmap as 24-bit rows (converted in place), or an
// empty view when it shows no bitmap.
RowImage DisplayRows(TImage* image);

// Paints the four edge lines of the inclusive rectangle with black and white
// dashes: on a line starting at s, position p is black when
// Floor((p - s - phase) / dashLength) is even. Clipped to the display.
void DrawFrameAnts(const RowImage& display, const TRect& frame, int phase, int dashLength);
// Copies the four edge lines of the rectangle from shown into display
// (same sizes), clipped to both.
void RestoreFrameEdges(const RowImage& display, const RowImage& shown, const TRect& frame);

// Asks for a repaint of the four edge lines only: an ants tick changes
// nothing else, and a full-screen repaint costs far more than the drawing.
void InvalidateFrameEdges(TImage* image, const TRect& frame);

// A frame dragged by a point held inside it, kept wholly on the display it
// was grabbed on.
class TFrameMove {
 public:
  void Grab(int x, int y, const TRect& frame, int displayWidth, int displayHeight);
  // The frame with the held point gone to (x, y), as near as the display lets it.
  TRect Follow(int x, int y);
  bool Moved() const { return at_ != start_; }

 private:
  TPoint start_, at_;
  int offLeft_ = 0, offRight_ = 0, offTop_ = 0, offBottom_ = 0;
  int maxX_ = 0, maxY_ = 0;
};

class THandCutFrame {
 public:
  explicit THandCutFrame(TImage* image);
  ~THandCutFrame();
  THandCutFrame(const THandCutFrame&) = delete;
  THandCutFrame& operator=(const THandCutFrame&) = delete;

  // Begins a crop over the current display; the frame is clamped to it.
  void Start(int left, int top, int right, int bottom);
  // Ends a crop and puts the display back as it was at Start.
  void Cancel();
  // Ends a crop and gives its frame; the display stays darkened. False,
  // and the crop goes on, when the frame is empty (a corner dragged onto
  // its anchor); false when no crop is under way.
  bool Finish(TRect& rect);

  bool Idle() const { return idle_; }
  // Width : height of the frame; both 0 means free.
  Word RatioWidth = 0;
  Word RatioHeight = 0;

  // For tests and the page: the frame (inclusive edges), the ants' offset.
  TRect Frame() const { return TRect{left_, top_, right_, bottom_}; }
  int Phase() const { return phase_; }
  bool Dragging() const { return dragging_; }
  TTimer* Timer() const { return timer_.get(); }

  static constexpr Word DashLength = 5;
  static constexpr int Darken = 70;
  static constexpr int HandleReach = 3;

 private:
  void MouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void MouseMove(TObject* sender, TShiftState shift, int x, int y);
  void MouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void TimerTick(TObject* sender);
  void InstallHandlers();
  void RestoreHandlers();
  // The display when it still has the size of the stored copies, else empty.
  RowImage Display() const;
  void Render();
  void DrawBorder();
  void RestoreBorder();
  void DrawHandles();
  void EraseHandles();
  void Repaint();
  void RatioCorrect();

  TImage* image_;
  std::shared_ptr<const bool> imageAlive_;
  std::unique_ptr<TTimer> timer_;
  bool moving_ = false, idle_ = true, dragging_ = false, installed_ = false, empty_ = false;
  int phase_ = 0;
  TPoint anchor_, dragPoint_;
  TFrameMove move_;
  int left_ = 0, right_ = 0, top_ = 0, bottom_ = 0;
  RowImageBuffer untouched_, shown_;
  TMouseEvent savedDown_, savedUp_;
  TMouseMoveEvent savedMove_;
};
