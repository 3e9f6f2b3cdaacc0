#include "platform/user/Input.h"

#include <cstdlib>
#include <deque>
#include <optional>

#include "platform/rtl/Clock.h"
#include "platform/user/Focus.h"
#include "platform/user/MessageQueue.h"
#include "platform/user/SysMetrics.h"
#include "platform/user/Window.h"
#include "platform/user/WindowInternal.h"
#include "platform/user/WindowPos.h"

namespace {

enum class TRawKind { Move, Button, Wheel, HWheel, Key, Char, Call };

struct TRawInput {
  TRawKind kind = TRawKind::Move;
  TMouseButton button = TMouseButton::mbLeft;
  bool down = false;
  POINT pt{};
  int value = 0;  // wheel delta, virtual key or character
  DWORD time = 0;
};

struct TClick {
  HWND w = nullptr;
  std::uint64_t serial = 0;
  TMouseButton button = TMouseButton::mbLeft;
  bool client = true;
  DWORD time = 0;
  POINT pt{};
  bool valid = false;
};

struct TTracking {
  WND* w = nullptr;
  DWORD flags = 0;
  DWORD hoverTime = 0;
  POINT hoverStart{};
  Int64 hoverSince = 0;
};

std::deque<TRawInput> g_raw;
std::deque<std::function<void()>> g_calls;  // one per TRawKind::Call, in order
std::optional<MSG> g_cooked;
WND* g_capture = nullptr;
POINT g_cursor{};
Byte g_keys[256] = {};       // as of the messages retrieved
Byte g_asyncKeys[256] = {};  // as of the raw input
TClick g_lastClick;
TTracking g_track;
UINT g_doubleClickTime = 500;

int ButtonVk(TMouseButton b) { return b == TMouseButton::mbLeft ? VK_LBUTTON : b == TMouseButton::mbRight ? VK_RBUTTON : VK_MBUTTON; }

UINT ClientMsg(TMouseButton b, int kind) {  // kind 0 down, 1 up, 2 dblclk
  UINT base = b == TMouseButton::mbLeft ? WM_LBUTTONDOWN : b == TMouseButton::mbRight ? WM_RBUTTONDOWN : WM_MBUTTONDOWN;
  return base + UINT(kind);
}

UINT NcMsg(UINT clientMsg) { return clientMsg - WM_MOUSEMOVE + WM_NCMOUSEMOVE; }

bool Down(const Byte* keys, int vk) { return (keys[vk] & 0x80) != 0; }

WPARAM MouseKeys() {
  WPARAM k = 0;
  if (Down(g_keys, VK_LBUTTON)) k |= MK_LBUTTON;
  if (Down(g_keys, VK_RBUTTON)) k |= MK_RBUTTON;
  if (Down(g_keys, VK_MBUTTON)) k |= MK_MBUTTON;
  if (Down(g_keys, VK_SHIFT)) k |= MK_SHIFT;
  if (Down(g_keys, VK_CONTROL)) k |= MK_CONTROL;
  return k;
}

void SetKey(Byte* keys, int vk, bool down) {
  if (down && !Down(keys, vk)) keys[vk] ^= 1;  // toggle on each press
  keys[vk] = Byte((keys[vk] & 1) | (down ? 0x80 : 0));
  int generic = (vk == VK_LSHIFT || vk == VK_RSHIFT) ? VK_SHIFT
                : (vk == VK_LCONTROL || vk == VK_RCONTROL) ? VK_CONTROL
                : (vk == VK_LMENU || vk == VK_RMENU) ? VK_MENU
                                                     : 0;
  if (generic) keys[generic] = Byte((keys[generic] & 1) | (down ? 0x80 : 0));
}

MSG Make(HWND h, UINT m, WPARAM wp, LPARAM lp, const TRawInput& r) {
  MSG msg;
  msg.hwnd = h;
  msg.message = m;
  msg.wParam = wp;
  msg.lParam = lp;
  msg.time = r.time;
  msg.pt = r.pt;
  return msg;
}

LPARAM ClientPoint(WND* w, POINT screen) {
  POINT o = ClientOriginScreen(w);
  return MAKELPARAM(screen.X - o.X, screen.Y - o.Y);
}

// Where the cursor is, for mouse-leave tracking: the window and whether it
// is over the client area.
void UpdateTracking(WND* over, bool client) {
  if (!g_track.w || !(g_track.flags & TME_LEAVE)) return;
  bool nc = (g_track.flags & TME_NONCLIENT) != 0;
  bool inside = over == g_track.w && client != nc;
  if (inside) return;
  WND* w = g_track.w;
  g_track.flags &= ~(TME_LEAVE | TME_HOVER);
  PostMessage(w, nc ? WM_NCMOUSELEAVE : WM_MOUSELEAVE, 0, 0);
}

void MoveHover(POINT pt) {
  if (!g_track.w || !(g_track.flags & TME_HOVER)) return;
  int cx = GetSystemMetrics(SM_CXMOUSEHOVER) / 2, cy = GetSystemMetrics(SM_CYMOUSEHOVER) / 2;
  if (std::abs(pt.X - g_track.hoverStart.X) > cx || std::abs(pt.Y - g_track.hoverStart.Y) > cy) {
    g_track.hoverStart = pt;
    g_track.hoverSince = GetTickCount64();
  }
}

bool CookMouse(const TRawInput& r, MSG* out) {
  g_cursor = r.pt;
  UINT clientMsg = WM_MOUSEMOVE;
  bool isDown = false;
  if (r.kind == TRawKind::Button) {
    SetKey(g_keys, ButtonVk(r.button), r.down);
    clientMsg = ClientMsg(r.button, r.down ? 0 : 1);
    isDown = r.down;
  }
  MoveHover(r.pt);
  if (g_capture && IsLive(g_capture)) {
    WND* under = WindowUnderPoint(r.pt);
    WND* c = g_capture;
    if (isDown && (c->cls->wc.style & CS_DBLCLKS) && g_lastClick.valid && g_lastClick.w == c &&
        g_lastClick.serial == c->serial && g_lastClick.button == r.button && g_lastClick.client &&
        r.time - g_lastClick.time <= g_doubleClickTime &&
        std::abs(r.pt.X - g_lastClick.pt.X) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
        std::abs(r.pt.Y - g_lastClick.pt.Y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2) {
      clientMsg = ClientMsg(r.button, 2);
      g_lastClick.valid = false;
    } else if (isDown) {
      g_lastClick = TClick{c, c->serial, r.button, true, r.time, r.pt, true};
    }
    POINT co = ClientOriginScreen(c);
    bool overClient = under == c && Bounds(co.X, co.Y, c->client.Width(), c->client.Height()).Contains(r.pt);
    UpdateTracking(overClient ? c : under, overClient);
    *out = Make(c, clientMsg, MouseKeys(), ClientPoint(c, r.pt), r);
    return true;
  }
  int hit = HTNOWHERE;
  WND* under = WindowHitFromPoint(r.pt, &hit);
  if (!under) {
    UpdateTracking(nullptr, false);
    return false;
  }
  TWindowPin pin(under);
  UpdateTracking(under, hit == HTCLIENT);
  if (hit == HTERROR) {
    SendMessage(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under), MAKELPARAM(HTERROR, int(clientMsg)));
    return false;
  }
  bool eat = false;
  if (isDown) {
    for (WND* child = under; child->IsChild() && IsLive(child);) {
      WND* parent = child->parent;
      SendMessage(parent, WM_PARENTNOTIFY, MAKEWPARAM(int(clientMsg), 0), ClientPoint(parent, r.pt));
      if (!IsLive(parent)) break;
      child = parent;
    }
    if (under->dead) return false;
    WND* top = TopLevelOf(under);
    if (top != GetActiveWindow()) {
      LRESULT ma = SendMessage(under, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(top), MAKELPARAM(hit, int(clientMsg)));
      if (under->dead) return false;
      if ((ma == MA_ACTIVATE || ma == MA_ACTIVATEANDEAT || ma == 0) && IsLive(top) && !(top->exStyle & WS_EX_NOACTIVATE))
        SetActiveWindowByClick(top);
      eat = ma == MA_ACTIVATEANDEAT || ma == MA_NOACTIVATEANDEAT;
      if (under->dead) return false;
    }
  }
  SendMessage(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under), MAKELPARAM(hit, int(clientMsg)));
  if (under->dead || eat) return false;
  bool client = hit == HTCLIENT;
  if (isDown) {
    if ((under->cls->wc.style & CS_DBLCLKS) && g_lastClick.valid && g_lastClick.w == under &&
        g_lastClick.serial == under->serial && g_lastClick.button == r.button && g_lastClick.client == client &&
        r.time - g_lastClick.time <= g_doubleClickTime &&
        std::abs(r.pt.X - g_lastClick.pt.X) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
        std::abs(r.pt.Y - g_lastClick.pt.Y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2) {
      clientMsg = ClientMsg(r.button, 2);
      g_lastClick.valid = false;
    } else {
      g_lastClick = TClick{under, under->serial, r.button, client, r.time, r.pt, true};
    }
  }
  if (client)
    *out = Make(under, clientMsg, MouseKeys(), ClientPoint(under, r.pt), r);
  else
    *out = Make(under, NcMsg(clientMsg), WPARAM(hit), PointToLParam(r.pt), r);
  return true;
}

LPARAM KeyLParam(int vk, bool down, bool wasDown, bool alt) {
  UINT scan = MapVirtualKey(UINT(vk), MAPVK_VK_TO_VSC);
  std::uint32_t lp = 1u | (scan << 16);
  if (alt) lp |= 1u << 29;
  if (wasDown || !down) lp |= 1u << 30;
  if (!down) lp |= 1u << 31;
  return LPARAM(std::int32_t(lp));
}

bool CookKey(const TRawInput& r, MSG* out) {
  WND* target = GetFocus();
  bool noFocus = target == nullptr;
  if (!target) target = GetActiveWindow();
  if (r.kind == TRawKind::Char) {
    if (!target) return false;
    *out = Make(target, WM_CHAR, WPARAM(r.value), 1, r);
    return true;
  }
  bool wasDown = Down(g_keys, r.value);
  SetKey(g_keys, r.value, r.down);
  if (!target) return false;
  bool alt = Down(g_keys, VK_MENU) || (r.value == VK_MENU && !r.down);
  bool ctrl = Down(g_keys, VK_CONTROL);
  bool sys = (alt && !ctrl) || r.value == VK_F10 || noFocus;
  UINT msg = r.down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
  *out = Make(target, msg, WPARAM(r.value), KeyLParam(r.value, r.down, wasDown, alt && !ctrl), r);
  return true;
}

void Push(TRawInput r) {
  r.time = GetTickCount();
  g_raw.push_back(r);
}

}  // namespace

bool HasInput() { return g_cooked.has_value() || !g_raw.empty(); }

bool TakeInputMessage(MSG* out, bool remove) {
  while (!g_cooked) {
    if (g_raw.empty()) return false;
    TRawInput r = g_raw.front();
    g_raw.pop_front();
    MSG m;
    bool ok = false;
    if (r.kind == TRawKind::Call) {
      std::function<void()> call = std::move(g_calls.front());
      g_calls.pop_front();
      if (call) call();
    } else if (r.kind == TRawKind::Key || r.kind == TRawKind::Char) {
      ok = CookKey(r, &m);
    } else if (r.kind == TRawKind::Wheel || r.kind == TRawKind::HWheel) {
      g_cursor = r.pt;
      WND* target = GetFocus() ? GetFocus() : GetActiveWindow();
      if (target) {
        m = Make(target, r.kind == TRawKind::Wheel ? WM_MOUSEWHEEL : WM_MOUSEHWHEEL,
                 MAKEWPARAM(int(MouseKeys()), r.value), PointToLParam(r.pt), r);
        ok = true;
      }
    } else {
      ok = CookMouse(r, &m);
    }
    if (ok) g_cooked = m;
  }
  *out = *g_cooked;
  if (remove) g_cooked.reset();
  return true;
}

void ForgetInputWindow(WND* w) {
  if (g_capture == w) g_capture = nullptr;
  if (g_track.w == w) g_track = TTracking{};
  if (g_cooked && g_cooked->hwnd == w) g_cooked.reset();
  if (g_lastClick.w == w) g_lastClick.valid = false;
}

void CheckHoverTimeouts() {
  if (!g_track.w || !(g_track.flags & TME_HOVER)) return;
  if (GetTickCount64() - g_track.hoverSince < Int64(g_track.hoverTime)) return;
  WND* w = g_track.w;
  g_track.flags &= ~TME_HOVER;
  bool nc = (g_track.flags & TME_NONCLIENT) != 0;
  PostMessage(w, nc ? 0x02A0u : WM_MOUSEHOVER, nc ? WPARAM(HTCLIENT) : MouseKeys(),
              nc ? PointToLParam(g_cursor) : ClientPoint(w, g_cursor));
}

HWND SetCapture(HWND hwnd) {
  WND* w = LiveWindow(hwnd);
  if (!w) return nullptr;
  WND* old = g_capture;
  g_capture = w;
  if (TDisplay* d = CurrentDisplay()) d->GrabPointer(TopLevelOf(w)->native);
  if (old && old != w && IsLive(old)) SendMessage(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(w));
  return old;
}

BOOL ReleaseCapture() {
  WND* old = g_capture;
  g_capture = nullptr;
  if (old) {
    if (TDisplay* d = CurrentDisplay()) d->GrabPointer(0);
    if (IsLive(old)) SendMessage(old, WM_CAPTURECHANGED, 0, 0);
  }
  return TRUE;
}

HWND GetCapture() { return g_capture; }

BOOL GetCursorPos(POINT* p) {
  if (!p) return FALSE;
  *p = g_cursor;
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  InputMouseMove(POINT{x, y});
  return TRUE;
}

POINT InputCursorPos() { return g_cursor; }

BOOL TrackMouseEvent(TRACKMOUSEEVENT* tme) {
  if (!tme) return FALSE;
  if (tme->dwFlags & TME_QUERY) {
    tme->dwFlags = g_track.w ? g_track.flags : 0;
    tme->hwndTrack = g_track.w;
    tme->dwHoverTime = g_track.hoverTime;
    return TRUE;
  }
  WND* w = LiveWindow(tme->hwndTrack);
  if (!w) return FALSE;
  if (tme->dwFlags & TME_CANCEL) {
    if (g_track.w == w) g_track.flags &= ~(tme->dwFlags & (TME_LEAVE | TME_HOVER));
    return TRUE;
  }
  DWORD hover = tme->dwHoverTime == HOVER_DEFAULT ? 400 : tme->dwHoverTime;
  g_track.w = w;
  g_track.flags = tme->dwFlags & (TME_LEAVE | TME_HOVER | TME_NONCLIENT);
  g_track.hoverTime = hover;
  g_track.hoverStart = g_cursor;
  g_track.hoverSince = GetTickCount64();
  // Not over the window now: the leave is due at once.
  WND* under = g_capture ? WindowUnderPoint(g_cursor) : WindowHitFromPoint(g_cursor, nullptr);
  if (!IsLive(w)) return FALSE;
  POINT co = ClientOriginScreen(w);
  bool overClient = under == w && Bounds(co.X, co.Y, w->client.Width(), w->client.Height()).Contains(g_cursor);
  bool overNc = under == w && !overClient;
  UpdateTracking(overClient || overNc ? w : nullptr, overClient);
  return TRUE;
}

UINT GetDoubleClickTime() { return g_doubleClickTime; }
BOOL SetDoubleClickTime(UINT ms) {
  g_doubleClickTime = ms ? ms : 500;
  return TRUE;
}

SHORT GetKeyState(int vk) {
  if (vk < 0 || vk > 255) return 0;
  return SHORT((Down(g_keys, vk) ? 0x8000 : 0) | (g_keys[vk] & 1));
}

SHORT GetAsyncKeyState(int vk) {
  if (vk < 0 || vk > 255) return 0;
  return SHORT(Down(g_asyncKeys, vk) ? 0x8000 : 0);
}

BOOL GetKeyboardState(Byte* keys) {
  if (!keys) return FALSE;
  for (int i = 0; i < 256; ++i) keys[i] = g_keys[i];
  return TRUE;
}

UINT MapVirtualKey(UINT code, UINT mapType) {
  static const struct {
    int vk;
    UINT scan;
  } table[] = {{VK_ESCAPE, 0x01}, {'1', 0x02},      {'2', 0x03},       {'3', 0x04},     {'4', 0x05},   {'5', 0x06},
               {'6', 0x07},       {'7', 0x08},      {'8', 0x09},       {'9', 0x0A},     {'0', 0x0B},   {VK_BACK, 0x0E},
               {VK_TAB, 0x0F},    {'Q', 0x10},      {'W', 0x11},       {'E', 0x12},     {'R', 0x13},   {'T', 0x14},
               {'Y', 0x15},       {'U', 0x16},      {'I', 0x17},       {'O', 0x18},     {'P', 0x19},   {VK_RETURN, 0x1C},
               {VK_CONTROL, 0x1D}, {'A', 0x1E},     {'S', 0x1F},       {'D', 0x20},     {'F', 0x21},   {'G', 0x22},
               {'H', 0x23},       {'J', 0x24},      {'K', 0x25},       {'L', 0x26},     {VK_SHIFT, 0x2A}, {'Z', 0x2C},
               {'X', 0x2D},       {'C', 0x2E},      {'V', 0x2F},       {'B', 0x30},     {'N', 0x31},   {'M', 0x32},
               {VK_MENU, 0x38},   {VK_SPACE, 0x39}, {VK_F1, 0x3B},     {VK_F4, 0x3E},   {VK_F10, 0x44}, {VK_HOME, 0x47},
               {VK_UP, 0x48},     {VK_PRIOR, 0x49}, {VK_LEFT, 0x4B},   {VK_RIGHT, 0x4D}, {VK_END, 0x4F}, {VK_DOWN, 0x50},
               {VK_NEXT, 0x51},   {VK_INSERT, 0x52}, {VK_DELETE, 0x53}};
  if (mapType == MAPVK_VK_TO_VSC) {
    for (auto& e : table)
      if (UINT(e.vk) == code) return e.scan;
    return 0;
  }
  if (mapType == MAPVK_VSC_TO_VK) {
    for (auto& e : table)
      if (e.scan == code) return UINT(e.vk);
    return 0;
  }
  if (mapType == MAPVK_VK_TO_CHAR) {
    if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9') || code == VK_SPACE) return code;
    if (code >= VK_NUMPAD0 && code <= VK_NUMPAD0 + 9) return '0' + (code - VK_NUMPAD0);
    if (code == VK_RETURN || code == VK_BACK || code == VK_TAB || code == VK_ESCAPE) return code;
    return 0;
  }
  return 0;
}

BOOL TranslateMessage(const MSG* msg) {
  if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
  int vk = int(msg->wParam);
  bool shift = Down(g_keys, VK_SHIFT), ctrl = Down(g_keys, VK_CONTROL), caps = (g_keys[VK_CAPITAL] & 1) != 0;
  UINT ch = 0;
  if (vk >= 'A' && vk <= 'Z') {
    if (ctrl && !Down(g_keys, VK_MENU)) ch = UINT(vk - 'A' + 1);
    else ch = (shift != caps) ? UINT(vk) : UINT(vk - 'A' + 'a');
  } else if (vk >= '0' && vk <= '9') {
    static const char shifted[] = ")!@#$%^&*(";
    ch = shift ? UINT(Byte(shifted[vk - '0'])) : UINT(vk);
  } else {
    ch = MapVirtualKey(UINT(vk), MAPVK_VK_TO_CHAR);
  }
  if (!ch) return FALSE;
  PostMessage(msg->hwnd, msg->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR, WPARAM(ch), msg->lParam);
  return TRUE;
}

void InputMouseMove(POINT screen) {
  screen = ClampToCursorClip(screen);
  g_cursor = screen;
  Push(TRawInput{TRawKind::Move, TMouseButton::mbLeft, false, screen, 0, 0});
}

void InputMouseButton(TMouseButton button, bool down, POINT screen) {
  screen = ClampToCursorClip(screen);
  g_cursor = screen;
  SetKey(g_asyncKeys, ButtonVk(button), down);
  Push(TRawInput{TRawKind::Button, button, down, screen, 0, 0});
}

void InputMouseWheel(int delta, POINT screen) {
  screen = ClampToCursorClip(screen);
  g_cursor = screen;
  Push(TRawInput{TRawKind::Wheel, TMouseButton::mbLeft, false, screen, delta, 0});
}

void InputMouseHWheel(int delta, POINT screen) {
  screen = ClampToCursorClip(screen);
  g_cursor = screen;
  Push(TRawInput{TRawKind::HWheel, TMouseButton::mbLeft, false, screen, delta, 0});
}

void InputKey(int vk, bool down) {
  if (vk <= 0 || vk > 255) return;
  SetKey(g_asyncKeys, vk, down);
  Push(TRawInput{TRawKind::Key, TMouseButton::mbLeft, down, g_cursor, vk, 0});
}

void InputText(const char* utf8) {
  if (!utf8) return;
  const Byte* s = reinterpret_cast<const Byte*>(utf8);
  while (*s) {
    std::uint32_t cp = *s;
    int extra = cp < 0x80 ? 0 : (cp >> 5) == 6 ? 1 : (cp >> 4) == 14 ? 2 : (cp >> 3) == 30 ? 3 : -1;
    if (extra < 0) {
      ++s;
      continue;  // stray continuation byte
    }
    if (extra) cp &= (0x3Fu >> extra);
    ++s;
    bool bad = false;
    for (int i = 0; i < extra; ++i, ++s) {
      if ((*s & 0xC0) != 0x80) {
        bad = true;
        break;
      }
      cp = (cp << 6) | (*s & 0x3Fu);
    }
    if (!bad) Push(TRawInput{TRawKind::Char, TMouseButton::mbLeft, false, g_cursor, int(cp), 0});
  }
}

void InputQueueCall(std::function<void()> deliver) {
  g_calls.push_back(std::move(deliver));
  Push(TRawInput{TRawKind::Call, TMouseButton::mbLeft, false, g_cursor, 0, 0});
}
