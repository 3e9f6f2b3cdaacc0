// Scroll-bar state and geometry shared by ScrollBars.cpp (data, drawing)
// and ScrollBarTrack.cpp (the tracking loop and the SCROLLBAR control).
#pragma once
#include "platform/user/nonclient/ScrollBars.h"
#include "platform/user/windows/WindowInternal.h"

// The parts of a bar in SCROLLBARINFO.rgstate order.
enum class TBarPart { None = 0, LeftArrow = 1, PageLeft = 2, Thumb = 3, PageRight = 4, RightArrow = 5 };

struct TScrollBarData {
  int min = 0;
  int max = 100;
  UINT page = 0;
  int pos = 0;
  UINT arrows = ESB_ENABLE_BOTH;  // ESB_DISABLE_* bits
  TBarPart pressed = TBarPart::None;
  bool tracking = false;  // thumb drag under way
  int trackPos = 0;
};

struct TWindowScrollBars {
  TScrollBarData bars[3];  // SB_HORZ, SB_VERT, SB_CTL
};

// Along the bar's axis, offsets from its start; thumbLen 0: no thumb.
struct TBarGeometry {
  RECT rect{};  // window coordinates (the client area of a control)
  bool vertical = false;
  int length = 0;
  int arrow = 0;
  int thumbPos = 0;
  int thumbLen = 0;
};

constexpr int kMinThumbLength = 8;

bool IsScrollBarControl(const WND* w);
// nullptr when w has no such bar.
TScrollBarData* ScrollBarData(WND* w, int bar, bool create);
bool ScrollBarVisible(const WND* w, int bar);
TBarGeometry ScrollBarGeometry(WND* w, int bar);
TBarPart ScrollBarPartAt(const TBarGeometry& g, POINT windowPt);
// The position the thumb would have with its leading edge at thumbPos.
int ScrollPosFromThumb(const TScrollBarData& d, const TBarGeometry& g, int thumbPos);
int MaxScrollPos(const TScrollBarData& d);
// Paints one bar now through a window DC (or the control's client DC).
void RedrawScrollBar(WND* w, int bar);
void DrawScrollBar(HDC dc, WND* w, int bar, const TBarGeometry& g);
// Runs the tracking loop for a press at a screen point on a bar of w.
void TrackScrollBar(WND* w, int bar, POINT screen);
