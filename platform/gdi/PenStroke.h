// Stroking with the DC's pen: one-pixel lines by Bresenham's rule with the
// dash pattern, wide pens as filled shapes. Used by lines and shape outlines.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/gdi/DeviceContext.h"

class PenStroke {
 public:
  explicit PenStroke(DeviceContext& dc);
  bool Visible() const { return visible_; }
  int Width() const { return width_; }
  // A segment in surface coordinates; the end point is left out. The dash
  // pattern runs on across the segments of one stroke.
  void Segment(int x0, int y0, int x1, int y1);
  // One pixel of a one-pixel pen's stroke, surface coordinates; the dash
  // pattern moves on by one.
  void Pixel(int x, int y) {
    if (visible_ && width_ == 1) Plot(x, y);
  }
  // Finishes a stroke (wide pens are painted once, so overlaps paint once).
  void Flush();
  ~PenStroke() { Flush(); }

 private:
  void Plot(int x, int y);
  void Advance(std::int64_t pixels);  // moves the dash pattern on
  void FlushRun();
  DeviceContext& dc_;
  bool visible_ = true;
  int width_ = 1;
  std::uint32_t color_ = 0;
  std::uint32_t gap_ = 0;
  bool gapOpaque_ = false;
  std::vector<int> dashes_;  // on, off, on, off ... in pixels; empty = solid
  size_t dashIndex_ = 0;
  int dashLeft_ = 0;
  // Current horizontal run of equally styled pixels.
  int runY_ = 0, runX0_ = 0, runX1_ = 0;
  bool runOn_ = true, runOpen_ = false;
  Region wide_;
};
