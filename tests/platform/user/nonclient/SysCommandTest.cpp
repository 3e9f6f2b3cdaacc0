// Frame presses reach their action through WM_SYSCOMMAND, as on Windows:
// the caption and edges start the move and size loops only from the
// command's default handling, caption buttons act on release over them.
#include <gtest/gtest.h>

#include "tests/platform/user/WindowTestSupport.h"

namespace {

// A 200x150 top-level window at (100,100) whose top 20 pixels are a caption
// with the window-menu icon at the left and minimize, maximize and close
// buttons at the right; an 8-pixel frame sizes it.
void AnswerFrame(HWND w, bool defaultCommands) {
  TRecorder::Get().handlers[w] = [defaultCommands](HWND h, UINT m, WPARAM, LPARAM lp, bool& handled) -> LRESULT {
    if (m == WM_NCHITTEST) {
      handled = true;
      POINT p = LParamToPoint(lp);
      RECT r;
      GetWindowRect(h, &r);
      p.X -= r.Left;
      p.Y -= r.Top;
      if (p.X < 0 || p.Y < 0 || p.X >= r.Width() || p.Y >= r.Height()) return HTNOWHERE;
      if (p.X < 8) return p.Y < 8 ? HTTOPLEFT : p.Y >= r.Height() - 8 ? HTBOTTOMLEFT : HTLEFT;
      if (p.X >= r.Width() - 8) return p.Y >= r.Height() - 8 ? HTBOTTOMRIGHT : HTRIGHT;
      if (p.Y >= r.Height() - 8) return HTBOTTOM;
      if (p.Y < 8) return HTTOP;
      if (p.Y < 28) {
        if (p.X < 28) return HTSYSMENU;
        if (p.X >= 172) return HTCLOSE;
        if (p.X >= 152) return HTMAXBUTTON;
        if (p.X >= 132) return HTMINBUTTON;
        return HTCAPTION;
      }
      return HTCLIENT;
    }
    if (m == WM_SYSCOMMAND && !defaultCommands) handled = true;
    return 0;
  };
}

std::vector<WPARAM> Commands(HWND w) {
  std::vector<WPARAM> out;
  for (const TLogEntry& e : TRecorder::Get().Of(w, WM_SYSCOMMAND)) out.push_back(e.wp);
  return out;
}

struct TPressCase {
  const char* name;
  int x, y;  // window coordinates of the press
  WPARAM command;
};

TEST_F(WindowTest, CaptionAndEdgePressesSendMoveAndSizeCommands) {
  const TPressCase cases[] = {
      {"caption", 80, 15, SC_MOVE | WPARAM(HTCAPTION)},     {"left", 2, 80, SC_SIZE + WMSZ_LEFT},
      {"right", 197, 80, SC_SIZE + WMSZ_RIGHT},              {"top", 80, 2, SC_SIZE + WMSZ_TOP},
      {"bottom", 80, 147, SC_SIZE + WMSZ_BOTTOM},            {"top left", 2, 2, SC_SIZE + WMSZ_TOPLEFT},
      {"bottom left", 2, 147, SC_SIZE + WMSZ_BOTTOMLEFT},    {"bottom right", 197, 147, SC_SIZE + WMSZ_BOTTOMRIGHT},
  };
  for (const TPressCase& c : cases) {
    SCOPED_TRACE(c.name);
    HWND w = Make("w", WS_POPUP | WS_VISIBLE | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, 100, 100, 200, 150);
    AnswerFrame(w, false);
    Pump();
    ClearLog();
    InputMouseButton(TMouseButton::mbLeft, true, Point(100 + c.x, 100 + c.y));
    InputMouseMove(Point(100 + c.x + 30, 100 + c.y + 20));
    InputMouseButton(TMouseButton::mbLeft, false, Point(100 + c.x + 30, 100 + c.y + 20));
    Pump();
    EXPECT_EQ(Commands(w), std::vector<WPARAM>{c.command});
    // The window kept the command to itself: no loop ran and it stayed put.
    EXPECT_TRUE(TRecorder::Get().Of(w, WM_ENTERSIZEMOVE).empty());
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r, Bounds(100, 100, 200, 150));
    DestroyWindow(w);
  }
}

TEST_F(WindowTest, MoveAndSizeCommandsRunTheLoopsByDefault) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE | WS_SYSMENU, 100, 100, 200, 150);
  AnswerFrame(w, true);
  Pump();
  ClearLog();
  InputMouseButton(TMouseButton::mbLeft, true, Point(180, 115));
  InputMouseMove(Point(190, 125));
  InputMouseButton(TMouseButton::mbLeft, false, Point(190, 125));
  Pump();
  EXPECT_EQ(Trace({WM_NCLBUTTONDOWN, WM_SYSCOMMAND, WM_ENTERSIZEMOVE, WM_EXITSIZEMOVE}),
            (Strings{"w:NCLBUTTONDOWN", "w:SYSCOMMAND", "w:ENTERSIZEMOVE", "w:EXITSIZEMOVE"}));
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r, Bounds(110, 110, 200, 150));
  ClearLog();
  InputMouseButton(TMouseButton::mbLeft, true, Point(307, 257));
  InputMouseMove(Point(317, 267));
  InputMouseButton(TMouseButton::mbLeft, false, Point(317, 267));
  Pump();
  EXPECT_EQ(Commands(w), std::vector<WPARAM>{SC_SIZE + WMSZ_BOTTOMRIGHT});
  GetWindowRect(w, &r);
  EXPECT_EQ(r, Bounds(110, 110, 210, 160));
}

struct TButtonCase {
  const char* name;
  int x;            // window x of the press, in the caption row
  DWORD extra;      // added style
  int awayX;        // where the mouse goes before coming back (0: stays)
  int releaseX;     // window x of the release
  std::vector<WPARAM> commands;
};

TEST_F(WindowTest, CaptionButtonsActOnReleaseOverThem) {
  const TButtonCase cases[] = {
      {"close", 180, 0, 0, 185, {SC_CLOSE}},
      {"minimize", 140, 0, 0, 141, {SC_MINIMIZE}},
      {"maximize", 160, 0, 0, 161, {SC_MAXIMIZE}},
      {"restore from maximized", 160, WS_MAXIMIZE, 0, 161, {SC_RESTORE}},
      {"left and came back", 180, 0, 60, 181, {SC_CLOSE}},
      {"released elsewhere", 180, 0, 0, 60, {}},
      {"released on another button", 180, 0, 0, 161, {}},
      // The window menu opens at the press, as a menu does.
      {"window menu", 10, 0, 0, 60, {SC_MOUSEMENU | WPARAM(HTSYSMENU)}},
  };
  for (const TButtonCase& c : cases) {
    SCOPED_TRACE(c.name);
    HWND w = Make("w", WS_POPUP | WS_VISIBLE | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | c.extra, 100, 100, 200,
                  150);
    AnswerFrame(w, false);
    Pump();
    ClearLog();
    InputMouseButton(TMouseButton::mbLeft, true, Point(100 + c.x, 110));
    if (c.awayX) InputMouseMove(Point(100 + c.awayX, 110));
    InputMouseMove(Point(100 + c.releaseX, 112));
    InputMouseButton(TMouseButton::mbLeft, false, Point(100 + c.releaseX, 112));
    Pump();
    EXPECT_EQ(Commands(w), c.commands);
    EXPECT_EQ(GetCapture(), nullptr);
    // The button's release went to the tracking, not to the window.
    if (c.x != 10) EXPECT_TRUE(TRecorder::Get().Of(w, WM_LBUTTONUP).empty());
    DestroyWindow(w);
  }
}

TEST_F(WindowTest, CloseButtonClosesThroughWmClose) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE | WS_SYSMENU, 100, 100, 200, 150);
  AnswerFrame(w, true);
  Pump();
  ClearLog();
  InputMouseButton(TMouseButton::mbLeft, true, Point(285, 110));
  InputMouseButton(TMouseButton::mbLeft, false, Point(285, 110));
  Pump();
  EXPECT_EQ(Trace({WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY}), (Strings{"w:SYSCOMMAND", "w:CLOSE", "w:DESTROY"}));
  EXPECT_FALSE(IsWindow(w));
}

struct TDoubleCase {
  const char* name;
  int x;
  DWORD extra;
  std::vector<WPARAM> commands;
};

TEST_F(WindowTest, DoubleClicksOnTheCaption) {
  const TDoubleCase cases[] = {
      {"caption maximizes", 80, WS_MAXIMIZEBOX, {SC_MOVE | WPARAM(HTCAPTION), SC_MAXIMIZE}},
      {"caption restores", 80, WS_MAXIMIZEBOX | WS_MAXIMIZE, {SC_MOVE | WPARAM(HTCAPTION), SC_RESTORE}},
      {"no maximize box", 80, 0, {SC_MOVE | WPARAM(HTCAPTION)}},
      {"window menu closes", 10, 0, {SC_MOUSEMENU | WPARAM(HTSYSMENU), SC_CLOSE}},
  };
  // The frame double-clicks without CS_DBLCLKS: run each case for both classes.
  for (const char* cls : {"TestDblWnd", "TestWnd"}) {
    for (const TDoubleCase& c : cases) {
      SCOPED_TRACE(std::string(c.name) + " " + cls);
      HWND w = Make("w", WS_POPUP | WS_VISIBLE | WS_SYSMENU | c.extra, 100, 100, 200, 150, nullptr, 0, cls);
      AnswerFrame(w, false);
      Pump();
      ClearLog();
      for (int i = 0; i < 2; ++i) {
        InputMouseButton(TMouseButton::mbLeft, true, Point(100 + c.x, 110));
        InputMouseButton(TMouseButton::mbLeft, false, Point(100 + c.x, 110));
      }
      Pump();
      // Down, up, double click, up: the first press's command, then the double click's.
      EXPECT_EQ(Commands(w), c.commands);
      DestroyWindow(w);
      clock.Advance(2000);
    }
  }
}

}  // namespace

namespace {

struct TKeyLoopCase {
  const char* name;
  WPARAM command;
  std::vector<WPARAM> keys;
  RECT expected;
};

}  // namespace

// Move and Size from the window menu carry no caption or edge: the arrow
// keys drive the loop, Enter keeps the result and Esc takes it back.
TEST_F(WindowTest, MoveAndSizeFromTheWindowMenuFollowTheArrowKeys) {
  const TKeyLoopCase cases[] = {
      {"move", SC_MOVE, {VK_RIGHT, VK_RIGHT, VK_DOWN, VK_RETURN}, Bounds(116, 108, 200, 150)},
      {"move taken back", SC_MOVE, {VK_RIGHT, VK_UP, VK_ESCAPE}, Bounds(100, 100, 200, 150)},
      {"right edge", SC_SIZE, {VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_RETURN}, Bounds(100, 100, 216, 150)},
      {"left edge", SC_SIZE, {VK_LEFT, VK_LEFT, VK_RETURN}, Bounds(92, 100, 208, 150)},
      {"top edge moved down", SC_SIZE, {VK_UP, VK_DOWN, VK_RETURN}, Bounds(100, 108, 200, 142)},
      {"bottom then the corner", SC_SIZE, {VK_DOWN, VK_RIGHT, VK_RIGHT, VK_DOWN, VK_RETURN},
       Bounds(100, 100, 208, 158)},
      {"size taken back", SC_SIZE, {VK_LEFT, VK_LEFT, VK_ESCAPE}, Bounds(100, 100, 200, 150)},
  };
  for (const TKeyLoopCase& c : cases) {
    SCOPED_TRACE(c.name);
    HWND w = Make("w", WS_POPUP | WS_VISIBLE | WS_SYSMENU | WS_THICKFRAME, 100, 100, 200, 150);
    AnswerFrame(w, true);
    Pump();
    ClearLog();
    for (WPARAM k : c.keys) PostMessage(w, WM_KEYDOWN, k, 0);
    SendMessage(w, WM_SYSCOMMAND, c.command, 0);
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r, c.expected);
    EXPECT_EQ(TRecorder::Get().Of(w, WM_ENTERSIZEMOVE).size(), 1u);
    EXPECT_EQ(TRecorder::Get().Of(w, WM_EXITSIZEMOVE).size(), 1u);
    EXPECT_EQ(GetCapture(), nullptr);
    DestroyWindow(w);
  }
}
