#include <gtest/gtest.h>

#include "tests/platform/user/WindowTestSupport.h"

namespace {

// A top-level window whose top 20 pixels are a caption.
HWND MakeCaptioned(WindowTest*, HWND w) {
  TRecorder::Get().handlers[w] = [](HWND h, UINT m, WPARAM, LPARAM lp, bool& handled) -> LRESULT {
    if (m == WM_NCHITTEST) {
      handled = true;
      POINT p = LParamToPoint(lp);
      ScreenToClient(h, &p);
      if (p.X >= 195) return HTRIGHT;
      return p.Y < 20 ? HTCAPTION : HTCLIENT;
    }
    if (m == WM_MOVING) {
      // Snap the left edge to multiples of 10.
      RECT* r = reinterpret_cast<RECT*>(lp);
      int w = r->Width();
      r->Left = (r->Left / 10) * 10;
      r->Right = r->Left + w;
    }
    return 0;
  };
  return w;
}

TEST_F(WindowTest, MoveLoopLetsWmMovingChangeTheRectangle) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 100, 100, 200, 150);
  MakeCaptioned(this, w);
  Pump();
  ClearLog();
  InputMouseButton(TMouseButton::mbLeft, true, Point(150, 105));
  InputMouseMove(Point(163, 112));
  InputMouseMove(Point(177, 125));
  InputMouseButton(TMouseButton::mbLeft, false, Point(177, 125));
  Pump();
  EXPECT_EQ(Trace({WM_NCLBUTTONDOWN, WM_ENTERSIZEMOVE, WM_MOVING, WM_MOVE, WM_EXITSIZEMOVE, WM_LBUTTONUP,
                   WM_CAPTURECHANGED}),
            (Strings{"w:NCLBUTTONDOWN", "w:ENTERSIZEMOVE", "w:MOVING", "w:MOVE", "w:MOVING", "w:MOVE",
                     "w:CAPTURECHANGED", "w:EXITSIZEMOVE"}));
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r, Bounds(120, 120, 200, 150));
  auto moving = TRecorder::Get().Of(w, WM_MOVING);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(WindowTest, EscapeEndsTheMoveLoopWhereItStarted) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 100, 100, 200, 150);
  MakeCaptioned(this, w);
  Pump();
  InputMouseButton(TMouseButton::mbLeft, true, Point(150, 105));
  InputMouseMove(Point(300, 300));
  InputKey(VK_ESCAPE, true);
  InputKey(VK_ESCAPE, false);
  InputMouseButton(TMouseButton::mbLeft, false, Point(300, 300));
  Pump();
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r, Bounds(100, 100, 200, 150));
}

TEST_F(WindowTest, SizeLoopSendsSizingWithTheEdge) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 100, 100, 200, 150);
  MakeCaptioned(this, w);
  Pump();
  ClearLog();
  InputMouseButton(TMouseButton::mbLeft, true, Point(298, 200));
  InputMouseMove(Point(318, 210));
  InputMouseButton(TMouseButton::mbLeft, false, Point(318, 210));
  Pump();
  auto sizing = TRecorder::Get().Of(w, WM_SIZING);
  ASSERT_EQ(sizing.size(), 1u);
  EXPECT_EQ(sizing[0].wp, WPARAM(WMSZ_RIGHT));
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r, Bounds(100, 100, 220, 150));
  EXPECT_EQ(TRecorder::Get().Of(w, WM_SIZE).back().lp, MAKELPARAM(220, 150));
}

}  // namespace
