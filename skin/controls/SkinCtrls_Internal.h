// What the skinned controls share inside the library: the colours of the
// default look (no skin loaded), the buttons' fade and repeat timings, and
// the solid fills that look draws with.
#pragma once
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Colors.h"

namespace skinctrls {

constexpr TColor kNavy = 0x00800000;
constexpr TColor kHotFill = 0x00D2BDB6;
constexpr TColor kDownFill = 0x00B59385;
constexpr UINT kMorphInterval = 20;
constexpr UINT kRepeatDelay = 500;

inline void Fill(TCanvas* c, const TRect& r, TColor color) {
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(color);
  c->FillRect(r);
}

inline void Frame(TCanvas* c, const TRect& r, TColor color) {
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(color);
  c->FrameRect(r);
}

}  // namespace skinctrls
