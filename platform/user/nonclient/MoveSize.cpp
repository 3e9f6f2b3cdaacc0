#include "platform/user/nonclient/MoveSize.h"

#include "platform/user/nonclient/ButtonTrack.h"

#include "platform/user/input/Input.h"
#include "platform/user/input/MessageQueue.h"
#include "platform/user/windows/WindowInternal.h"
#include "platform/user/windows/WindowPos.h"

namespace {

void ApplyDelta(RECT& r, const RECT& start, int hit, int dx, int dy) {
  r = start;
  if (hit == HTCAPTION) {
    r = RECT{start.Left + dx, start.Top + dy, start.Right + dx, start.Bottom + dy};
    return;
  }
  if (hit == HTLEFT || hit == HTTOPLEFT || hit == HTBOTTOMLEFT) r.Left += dx;
  if (hit == HTRIGHT || hit == HTTOPRIGHT || hit == HTBOTTOMRIGHT) r.Right += dx;
  if (hit == HTTOP || hit == HTTOPLEFT || hit == HTTOPRIGHT) r.Top += dy;
  if (hit == HTBOTTOM || hit == HTBOTTOMLEFT || hit == HTBOTTOMRIGHT) r.Bottom += dy;
}

// Offers the window the rectangle its start rectangle becomes by the delta
// (WM_MOVING or WM_SIZING, which may change it), then applies it.
void ProposeRect(WND* w, const RECT& startRect, int hit, int dx, int dy) {
  RECT r;
  ApplyDelta(r, startRect, hit, dx, dy);
  if (hit == HTCAPTION) SendMessage(HandleOf(w), WM_MOVING, 0, reinterpret_cast<LPARAM>(&r));
  else SendMessage(HandleOf(w), WM_SIZING, WPARAM(hit - HTLEFT + 1), reinterpret_cast<LPARAM>(&r));
  if (w->dead) return;
  // A size never turns the window inside out.
  if (r.Right <= r.Left) r.Right = r.Left + 1;
  if (r.Bottom <= r.Top) r.Bottom = r.Top + 1;
  UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | (hit == HTCAPTION ? SWP_NOSIZE : 0);
  SetWindowPos(HandleOf(w), nullptr, r.Left, r.Top, r.Width(), r.Height(), flags);
}

// The nested loop both kinds share: capture, WM_ENTERSIZEMOVE, each message
// offered to `take` (true: consumed; `done` ends the loop), the rest
// dispatched, then WM_EXITSIZEMOVE; a WM_QUIT met inside is posted again.
// Esc always puts the window back where it started.
template <class Take>
void RunLoop(WND* w, Take take) {
  TWindowPin pin(w);
  SetCapture(HandleOf(w));
  SendMessage(HandleOf(w), WM_ENTERSIZEMOVE, 0, 0);
  const RECT startRect = w->rect;
  bool quit = false;
  int quitCode = 0;
  MSG m;
  while (!w->dead && GetCapture() == HandleOf(w)) {
    if (!PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
      WaitMessage();
      continue;
    }
    if (m.message == WM_QUIT) {
      quit = true;
      quitCode = int(m.wParam);
      break;
    }
    if ((m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN) && m.wParam == WPARAM(VK_ESCAPE)) {
      SetWindowPos(HandleOf(w), nullptr, startRect.Left, startRect.Top, startRect.Width(), startRect.Height(),
                   SWP_NOZORDER | SWP_NOACTIVATE);
      break;
    }
    bool done = false;
    if (take(m, startRect, done)) {
      if (done || w->dead) break;
      continue;
    }
    if (m.message >= WM_MOUSEFIRST && m.message <= WM_MOUSELAST) continue;
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  if (!w->dead && GetCapture() == HandleOf(w)) ReleaseCapture();
  if (!w->dead) SendMessage(HandleOf(w), WM_EXITSIZEMOVE, 0, 0);
  if (quit) PostQuitMessage(quitCode);
}

// Adds the edge an arrow names to a size loop's hit code: the first arrow
// picks an edge, a crossing one makes it a corner.
int AddEdge(int hit, WPARAM key) {
  const bool horizontal = key == VK_LEFT || key == VK_RIGHT;
  int h = (hit == HTLEFT || hit == HTTOPLEFT || hit == HTBOTTOMLEFT) ? -1
          : (hit == HTRIGHT || hit == HTTOPRIGHT || hit == HTBOTTOMRIGHT) ? 1
                                                                           : 0;
  int v = (hit == HTTOP || hit == HTTOPLEFT || hit == HTTOPRIGHT) ? -1
          : (hit == HTBOTTOM || hit == HTBOTTOMLEFT || hit == HTBOTTOMRIGHT) ? 1
                                                                              : 0;
  if (horizontal && h == 0) h = key == VK_LEFT ? -1 : 1;
  if (!horizontal && v == 0) v = key == VK_UP ? -1 : 1;
  static const int codes[3][3] = {{HTTOPLEFT, HTTOP, HTTOPRIGHT},
                                  {HTLEFT, 0, HTRIGHT},
                                  {HTBOTTOMLEFT, HTBOTTOM, HTBOTTOMRIGHT}};
  return codes[v + 1][h + 1];
}

}  // namespace

void RunMoveSizeLoop(WND* w, int hit, POINT start) {
  if (!IsLive(w) || (hit != HTCAPTION && (hit < HTLEFT || hit > HTBOTTOMRIGHT))) return;
  if (w->style & (WS_MAXIMIZE)) return;
  RunLoop(w, [&](const MSG& m, const RECT& startRect, bool& done) {
    if (m.message == WM_MOUSEMOVE && m.hwnd == HandleOf(w)) {
      ProposeRect(w, startRect, hit, m.pt.X - start.X, m.pt.Y - start.Y);
      return true;
    }
    if (m.message == WM_LBUTTONUP) return done = true;
    return false;
  });
}

void RunKeyboardMoveSizeLoop(WND* w, bool size) {
  if (!IsLive(w) || (w->style & (WS_MAXIMIZE | WS_MINIMIZE))) return;
  int hit = size ? 0 : HTCAPTION;
  int dx = 0, dy = 0;
  POINT mouseStart{};
  GetCursorPos(&mouseStart);
  RunLoop(w, [&](const MSG& m, const RECT& startRect, bool& done) {
    if (m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN) {
      const WPARAM key = m.wParam;
      if (key == VK_RETURN) return done = true;
      if (key != VK_LEFT && key != VK_RIGHT && key != VK_UP && key != VK_DOWN) return true;
      if (hit != HTCAPTION) {
        const int before = hit;
        hit = AddEdge(hit, key);
        if (before != hit) return true;  // choosing an edge does not move it yet
      }
      const int step = (GetKeyState(VK_CONTROL) & 0x8000) ? 1 : 8;
      dx += key == VK_LEFT ? -step : key == VK_RIGHT ? step : 0;
      dy += key == VK_UP ? -step : key == VK_DOWN ? step : 0;
      ProposeRect(w, startRect, hit, dx, dy);
      return true;
    }
    // Other keys do nothing while the loop runs.
    if (m.message == WM_CHAR || m.message == WM_SYSCHAR || m.message == WM_KEYUP || m.message == WM_SYSKEYUP)
      return true;
    if (m.message == WM_MOUSEMOVE && m.hwnd == HandleOf(w) && hit != 0) {
      dx = m.pt.X - mouseStart.X;
      dy = m.pt.Y - mouseStart.Y;
      ProposeRect(w, startRect, hit, dx, dy);
      return true;
    }
    if (m.message == WM_LBUTTONDOWN || m.message == WM_RBUTTONDOWN) return done = true;
    return false;
  });
}

namespace {

// Shows the button sunk while the mouse holds it, in frames the layer draws.
void ShowButtonPressed(WND* w, int hit) {
  if (w->dead || w->pressedButton == hit) return;
  w->pressedButton = hit;
  if (w->IsChild() && (w->style & WS_CAPTION) == WS_CAPTION) SendMessage(HandleOf(w), WM_NCPAINT, 1, 0);
}

}  // namespace

BOOL TrackButtonPress(HWND hwnd, const std::function<bool(POINT)>& Over, const std::function<void(bool)>& Show) {
  WND* w = LiveWindow(hwnd);
  if (!w) return FALSE;
  TWindowPin pin(w);
  SetCapture(HandleOf(w));
  Show(true);
  bool inside = true;
  bool released = false;
  bool quit = false;
  int quitCode = 0;
  MSG m;
  while (!w->dead && GetCapture() == HandleOf(w)) {
    if (!PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
      WaitMessage();
      continue;
    }
    if (m.message == WM_QUIT) {
      quit = true;
      quitCode = int(m.wParam);
      break;
    }
    if ((m.message == WM_MOUSEMOVE || m.message == WM_LBUTTONUP) && m.hwnd == HandleOf(w)) {
      inside = Over(m.pt);
      Show(inside && m.message == WM_MOUSEMOVE);
      if (m.message == WM_LBUTTONUP) {
        released = true;
        break;
      }
      continue;
    }
    if (m.message == WM_KEYDOWN && m.wParam == WPARAM(VK_ESCAPE)) {
      inside = false;
      break;
    }
    if (m.message >= WM_MOUSEFIRST && m.message <= WM_MOUSELAST) continue;
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  if (!w->dead && GetCapture() == HandleOf(w)) ReleaseCapture();
  if (!w->dead) Show(false);
  if (quit) PostQuitMessage(quitCode);
  // Escape, a quit or losing the capture cancels.
  return released && inside && !w->dead;
}

bool TrackCaptionButton(WND* w, int hit) {
  if (!IsLive(w)) return false;
  return TrackButtonPress(
      HandleOf(w),
      [w, hit](POINT pt) {
        int code = HTNOWHERE;
        return WindowHitFromPoint(pt, &code) == w && code == hit;
      },
      [w, hit](bool pressed) { ShowButtonPressed(w, pressed ? hit : HTNOWHERE); });
}
