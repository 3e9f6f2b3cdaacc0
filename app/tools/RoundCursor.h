// The circle outline of the blemish step's eraser: it follows the mouse over
// a TMyImage by inverting the display's pixels on the circle (so drawing it
// twice leaves the display as before), hides when the mouse leaves, and
// hands a left click to the owner with the centre and radius.
#pragma once
#include <functional>
#include <memory>

#include "app/pixels/RowImage.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Types.h"

class TMyImage;
class TObject;

// The owner's method, bound with its object.
using TEraseEvent = std::function<void(TPoint Position, int Radius)>;

// Inverts every pixel of the display whose distance from centre, rounded
// half to even, equals radius (the inner square, which holds none, is
// skipped). Clipped to the display; radius 0 is the centre pixel alone.
void InvertCircle(const RowImage& display, TPoint centre, int radius);

class TRoundCursor {
 public:
  explicit TRoundCursor(TMyImage* image);
  ~TRoundCursor();
  TRoundCursor(const TRoundCursor&) = delete;
  TRoundCursor& operator=(const TRoundCursor&) = delete;

  // Inverts the outline at Position; nothing when none is shown.
  void DrawOutline();
  void SetRadius(int r);

  int Radius() const { return radius_; }
  TPoint Position() const { return position_; }

  TEraseEvent OnErase;

  static constexpr TPoint NoPosition{-1, -1};

 private:
  void MouseEnter(TObject* sender);
  void MouseLeave(TObject* sender);
  void MouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void MouseMove(TObject* sender, TShiftState shift, int x, int y);
  void MouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void MoveTo(TPoint p);
  void Repaint();

  TMyImage* image_;
  std::shared_ptr<const bool> imageAlive_;
  int radius_ = 15;
  TPoint position_ = NoPosition;
  std::function<void(TObject*)> savedEnter_, savedLeave_;
  TMouseEvent savedDown_, savedUp_;
  TMouseMoveEvent savedMove_;
};
