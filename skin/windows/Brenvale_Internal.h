// Helpers shared by the controller's modules.
#pragma once
#include <memory>

#include "platform/rtl/Types.h"
#include "skin/windows/Brenvale.h"

class TBitmap;

// Counts the object handlers running; the outermost one frees the objects
// retired meanwhile. Alive() turns false when a handler freed the
// controller.
class TspBrenvaleRoutingGuard {
 public:
  explicit TspBrenvaleRoutingGuard(TspBrenvale* c) : c_(c), alive_(c->alive_) { ++c_->routingDepth_; }
  ~TspBrenvaleRoutingGuard() {
    if (!*alive_) return;
    if (--c_->routingDepth_ == 0) c_->ReleaseRetiredObjects();
  }
  TspBrenvaleRoutingGuard(const TspBrenvaleRoutingGuard&) = delete;
  TspBrenvaleRoutingGuard& operator=(const TspBrenvaleRoutingGuard&) = delete;
  bool Alive() const { return *alive_; }

 private:
  TspBrenvale* c_;
  std::shared_ptr<bool> alive_;
};

namespace brenvale {

// Whether the pixel (X, Y) of a mask picture is pure black; false outside it
// or for an empty picture. Reads the row directly for 24- and 32-bit
// pictures (no allocation).
bool MaskPixelIsBlack(TBitmap* Mask, int X, int Y);

// Half-open point test.
inline bool PtIn(const TRect& R, int X, int Y) { return X >= R.Left && X < R.Right && Y >= R.Top && Y < R.Bottom; }

inline TRect Offset(TRect R, int DX, int DY) {
  R.Left += DX;
  R.Right += DX;
  R.Top += DY;
  R.Bottom += DY;
  return R;
}

}  // namespace brenvale
