#include "platform/user/input/Input.h"

#include <array>
#include <cstdlib>
#include <deque>
#include <optional>

#include "platform/rtl/Clock.h"
#include "platform/user/input/Focus.h"
#include "platform/user/input/MessageQueue.h"
#include "platform/user/system/SysMetrics.h"
#include "platform/user/windows/Window.h"
#include "platform/user/windows/WindowInternal.h"
#include "platform/user/windows/WindowPos.h"

namespace {

// Presses whose character the back end typed itself, by key, until their
// key-down has been translated.
bool g_charFromBackEnd[256] = {};

enum class TRawKind { Move, Button, Wheel, HWheel, Key, Char, Call };

struct TRawInput {
  TRawKind kind = TRawKind::Move;
  TMouseButton button = TMouseButton::mbLeft;
  bool down = false;
  POINT pt{};
  int value = 0;  // wheel delta, virtual key or character
  DWORD time = 0;
  int side = 0;   // keys: the left- or right-hand key behind a Shift, Ctrl or Alt
  TKeyCode code;  // keys: the physical key
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
bool g_altWithKey = false;  // another key went down while Alt was held
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

int GenericOf(int vk) {
  return (vk == VK_LSHIFT || vk == VK_RSHIFT) ? VK_SHIFT
         : (vk == VK_LCONTROL || vk == VK_RCONTROL) ? VK_CONTROL
         : (vk == VK_LMENU || vk == VK_RMENU) ? VK_MENU
                                              : 0;
}

// The left- or right-hand key a generic Shift, Ctrl or Alt came from.
int SideOf(int vk, TKeyCode code) {
  if (GenericOf(vk)) return vk;
  if (vk == VK_SHIFT) return code.scan == 0x36 ? VK_RSHIFT : VK_LSHIFT;
  if (vk == VK_CONTROL) return code.extended ? VK_RCONTROL : VK_LCONTROL;
  if (vk == VK_MENU) return code.extended ? VK_RMENU : VK_LMENU;
  return 0;
}

void SetKey(Byte* keys, int vk, bool down) {
  if (down && !Down(keys, vk)) keys[vk] ^= 1;  // toggle on each press
  keys[vk] = Byte((keys[vk] & 1) | (down ? 0x80 : 0));
  int generic = GenericOf(vk);
  if (!generic) return;
  int left = generic == VK_SHIFT ? VK_LSHIFT : generic == VK_CONTROL ? VK_LCONTROL : VK_LMENU;
  bool any = Down(keys, left) || Down(keys, left + 1);
  if (any && !Down(keys, generic)) keys[generic] ^= 1;
  keys[generic] = Byte((keys[generic] & 1) | (any ? 0x80 : 0));
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
  PostMessage(HandleOf(w), nc ? WM_NCMOUSELEAVE : WM_MOUSELEAVE, 0, 0);
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
    if (isDown && (c->cls->wc.style & CS_DBLCLKS) && g_lastClick.valid && g_lastClick.w == HandleOf(c) &&
        g_lastClick.serial == c->serial && g_lastClick.button == r.button && g_lastClick.client &&
        r.time - g_lastClick.time <= g_doubleClickTime &&
        std::abs(r.pt.X - g_lastClick.pt.X) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
        std::abs(r.pt.Y - g_lastClick.pt.Y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2) {
      clientMsg = ClientMsg(r.button, 2);
      g_lastClick.valid = false;
    } else if (isDown) {
      g_lastClick = TClick{HandleOf(c), c->serial, r.button, true, r.time, r.pt, true};
    }
    POINT co = ClientOriginScreen(c);
    bool overClient = under == c && Bounds(co.X, co.Y, c->client.Width(), c->client.Height()).Contains(r.pt);
    UpdateTracking(overClient ? c : under, overClient);
    *out = Make(HandleOf(c), clientMsg, MouseKeys(), ClientPoint(c, r.pt), r);
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
    SendMessage(HandleOf(under), WM_SETCURSOR, reinterpret_cast<WPARAM>(HandleOf(under)), MAKELPARAM(HTERROR, int(clientMsg)));
    return false;
  }
  bool eat = false;
  if (isDown) {
    // Each window up the chain tells its parent unless it opted out.
    for (WND* child = under; child->IsChild() && IsLive(child) && !(child->exStyle & WS_EX_NOPARENTNOTIFY);) {
      WND* parent = child->parent;
      SendMessage(HandleOf(parent), WM_PARENTNOTIFY, MAKEWPARAM(int(clientMsg), 0), ClientPoint(parent, r.pt));
      if (!IsLive(parent)) break;
      child = parent;
    }
    if (under->dead) return false;
    WND* top = TopLevelOf(under);
    if (HandleOf(top) != GetActiveWindow()) {
      LRESULT ma = SendMessage(HandleOf(under), WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(HandleOf(top)), MAKELPARAM(hit, int(clientMsg)));
      if (under->dead) return false;
      if ((ma == MA_ACTIVATE || ma == MA_ACTIVATEANDEAT || ma == 0) && IsLive(top) && !(top->exStyle & WS_EX_NOACTIVATE))
        SetActiveWindowByClick(top);
      eat = ma == MA_ACTIVATEANDEAT || ma == MA_NOACTIVATEANDEAT;
      if (under->dead) return false;
    }
  }
  SendMessage(HandleOf(under), WM_SETCURSOR, reinterpret_cast<WPARAM>(HandleOf(under)), MAKELPARAM(hit, int(clientMsg)));
  if (under->dead || eat) return false;
  bool client = hit == HTCLIENT;
  if (isDown) {
    // The frame double-clicks whatever the class style.
    if ((!client || (under->cls->wc.style & CS_DBLCLKS)) && g_lastClick.valid && g_lastClick.w == HandleOf(under) &&
        g_lastClick.serial == under->serial && g_lastClick.button == r.button && g_lastClick.client == client &&
        r.time - g_lastClick.time <= g_doubleClickTime &&
        std::abs(r.pt.X - g_lastClick.pt.X) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
        std::abs(r.pt.Y - g_lastClick.pt.Y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2) {
      clientMsg = ClientMsg(r.button, 2);
      g_lastClick.valid = false;
    } else {
      g_lastClick = TClick{HandleOf(under), under->serial, r.button, client, r.time, r.pt, true};
    }
  }
  if (client)
    *out = Make(HandleOf(under), clientMsg, MouseKeys(), ClientPoint(under, r.pt), r);
  else
    *out = Make(HandleOf(under), NcMsg(clientMsg), WPARAM(hit), PointToLParam(r.pt), r);
  return true;
}

LPARAM KeyLParam(TKeyCode code, bool down, bool wasDown, bool alt) {
  std::uint32_t lp = 1u | ((code.scan & 0xFFu) << 16);
  if (code.extended) lp |= 1u << 24;
  if (alt) lp |= 1u << 29;
  if (wasDown || !down) lp |= 1u << 30;
  if (!down) lp |= 1u << 31;
  return LPARAM(std::int32_t(lp));
}

bool CookKey(const TRawInput& r, MSG* out) {
  WND* target = LiveWnd(GetFocus());
  bool noFocus = target == nullptr;
  if (!target) target = LiveWnd(GetActiveWindow());
  if (r.kind == TRawKind::Char) {
    if (!target) return false;
    *out = Make(HandleOf(target), WM_CHAR, WPARAM(r.value), 1, r);
    return true;
  }
  const int key = r.side ? r.side : r.value;
  if (r.down && r.value > 0 && r.value < 256) g_charFromBackEnd[r.value] = r.code.charFromBackEnd;
  bool wasDown = Down(g_keys, key);
  bool altWasDown = Down(g_keys, VK_MENU);
  SetKey(g_keys, key, r.down);
  if (r.down && r.value == VK_MENU && !altWasDown) g_altWithKey = false;
  else if (r.down && r.value != VK_MENU && altWasDown) g_altWithKey = true;
  if (!target) return false;
  bool alt = Down(g_keys, VK_MENU) || (r.value == VK_MENU && !r.down);
  // Alt let go after another key went down with it is a plain key-up.
  if (r.value == VK_MENU && !r.down && !Down(g_keys, VK_MENU) && g_altWithKey) alt = false;
  bool ctrl = Down(g_keys, VK_CONTROL);
  bool sys = (alt && !ctrl) || r.value == VK_F10 || noFocus;
  UINT msg = r.down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
  *out = Make(HandleOf(target), msg, WPARAM(r.value), KeyLParam(r.code, r.down, wasDown, alt && !ctrl), r);
  return true;
}

TRawInput Raw(TRawKind kind, TMouseButton button, bool down, POINT pt, int value) {
  TRawInput r;
  r.kind = kind;
  r.button = button;
  r.down = down;
  r.pt = pt;
  r.value = value;
  return r;
}

void Push(TRawInput r) {
  r.time = GetTickCount();
  g_raw.push_back(r);
}

}  // namespace

bool HasInput() { return g_cooked.has_value() || !g_raw.empty(); }

bool InputPressWaiting() {
  if (g_cooked) {
    const UINT m = g_cooked->message;
    if (m == WM_KEYDOWN || m == WM_SYSKEYDOWN || m == WM_LBUTTONDOWN || m == WM_RBUTTONDOWN ||
        m == WM_MBUTTONDOWN || m == WM_LBUTTONDBLCLK || m == WM_RBUTTONDBLCLK || m == WM_MBUTTONDBLCLK ||
        m == WM_MOUSEWHEEL || m == WM_MOUSEHWHEEL)
      return true;
  }
  for (const TRawInput& r : g_raw)
    if (((r.kind == TRawKind::Key || r.kind == TRawKind::Button) && r.down) || r.kind == TRawKind::Wheel ||
        r.kind == TRawKind::HWheel)
      return true;
  return false;
}

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
      WND* target = LiveWnd(GetFocus() ? GetFocus() : GetActiveWindow());
      if (target) {
        m = Make(HandleOf(target), r.kind == TRawKind::Wheel ? WM_MOUSEWHEEL : WM_MOUSEHWHEEL,
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
  if (g_cooked && g_cooked->hwnd == HandleOf(w)) g_cooked.reset();
  if (g_lastClick.w == HandleOf(w)) g_lastClick.valid = false;
}

void CheckHoverTimeouts() {
  if (!g_track.w || !(g_track.flags & TME_HOVER)) return;
  if (GetTickCount64() - g_track.hoverSince < Int64(g_track.hoverTime)) return;
  WND* w = g_track.w;
  g_track.flags &= ~TME_HOVER;
  bool nc = (g_track.flags & TME_NONCLIENT) != 0;
  PostMessage(HandleOf(w), nc ? 0x02A0u : WM_MOUSEHOVER, nc ? WPARAM(HTCLIENT) : MouseKeys(),
              nc ? PointToLParam(g_cursor) : ClientPoint(w, g_cursor));
}

HWND SetCapture(HWND hwnd) {
  WND* w = LiveWindow(hwnd);
  if (!w) return nullptr;
  WND* old = g_capture;
  const HWND oldHandle = HandleOf(old);
  g_capture = w;
  if (TDisplay* d = CurrentDisplay()) d->GrabPointer(TopLevelOf(w)->native);
  if (old && old != w && IsLive(old)) SendMessage(HandleOf(old), WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(w->handle));
  return oldHandle;
}

BOOL ReleaseCapture() {
  WND* old = g_capture;
  g_capture = nullptr;
  if (old) {
    if (TDisplay* d = CurrentDisplay()) d->GrabPointer(0);
    if (IsLive(old)) SendMessage(HandleOf(old), WM_CAPTURECHANGED, 0, 0);
  }
  return TRUE;
}

HWND GetCapture() { return HandleOf(g_capture); }

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
    tme->hwndTrack = HandleOf(g_track.w);
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

namespace {

struct TScanEntry {
  int vk;
  Byte scan;
  bool extended;
};

// Set-1 scan codes of a US keyboard. Generic modifiers come before their
// sides and the cursor keys before the keypad's, so a scan code maps back
// to the key Windows names.
constexpr TScanEntry kScanCodes[] = {
    {VK_ESCAPE, 0x01, false}, {'1', 0x02, false}, {'2', 0x03, false}, {'3', 0x04, false}, {'4', 0x05, false},
    {'5', 0x06, false}, {'6', 0x07, false}, {'7', 0x08, false}, {'8', 0x09, false}, {'9', 0x0A, false},
    {'0', 0x0B, false}, {0xBD, 0x0C, false}, {0xBB, 0x0D, false}, {VK_BACK, 0x0E, false}, {VK_TAB, 0x0F, false},
    {'Q', 0x10, false}, {'W', 0x11, false}, {'E', 0x12, false}, {'R', 0x13, false}, {'T', 0x14, false},
    {'Y', 0x15, false}, {'U', 0x16, false}, {'I', 0x17, false}, {'O', 0x18, false}, {'P', 0x19, false},
    {0xDB, 0x1A, false}, {0xDD, 0x1B, false}, {VK_RETURN, 0x1C, false}, {VK_CONTROL, 0x1D, false},
    {VK_LCONTROL, 0x1D, false}, {VK_RCONTROL, 0x1D, true}, {'A', 0x1E, false}, {'S', 0x1F, false},
    {'D', 0x20, false}, {'F', 0x21, false}, {'G', 0x22, false}, {'H', 0x23, false}, {'J', 0x24, false},
    {'K', 0x25, false}, {'L', 0x26, false}, {0xBA, 0x27, false}, {0xDE, 0x28, false}, {0xC0, 0x29, false},
    {VK_SHIFT, 0x2A, false}, {VK_LSHIFT, 0x2A, false}, {0xDC, 0x2B, false}, {'Z', 0x2C, false},
    {'X', 0x2D, false}, {'C', 0x2E, false}, {'V', 0x2F, false}, {'B', 0x30, false}, {'N', 0x31, false},
    {'M', 0x32, false}, {0xBC, 0x33, false}, {0xBE, 0x34, false}, {0xBF, 0x35, false}, {VK_DIVIDE, 0x35, true},
    {VK_RSHIFT, 0x36, false}, {VK_MULTIPLY, 0x37, false}, {VK_SNAPSHOT, 0x37, true}, {VK_MENU, 0x38, false},
    {VK_LMENU, 0x38, false}, {VK_RMENU, 0x38, true}, {VK_SPACE, 0x39, false}, {VK_CAPITAL, 0x3A, false},
    {VK_F1, 0x3B, false}, {VK_F1 + 1, 0x3C, false}, {VK_F1 + 2, 0x3D, false}, {VK_F4, 0x3E, false},
    {VK_F1 + 4, 0x3F, false}, {VK_F1 + 5, 0x40, false}, {VK_F1 + 6, 0x41, false}, {VK_F1 + 7, 0x42, false},
    {VK_F1 + 8, 0x43, false}, {VK_F10, 0x44, false}, {VK_PAUSE, 0x45, false}, {VK_NUMLOCK, 0x45, true},
    {VK_SCROLL, 0x46, false}, {VK_HOME, 0x47, true}, {VK_UP, 0x48, true}, {VK_PRIOR, 0x49, true},
    {VK_SUBTRACT, 0x4A, false}, {VK_LEFT, 0x4B, true}, {VK_CLEAR, 0x4C, false}, {VK_RIGHT, 0x4D, true},
    {VK_ADD, 0x4E, false}, {VK_END, 0x4F, true}, {VK_DOWN, 0x50, true}, {VK_NEXT, 0x51, true},
    {VK_INSERT, 0x52, true}, {VK_DELETE, 0x53, true}, {VK_NUMPAD0 + 7, 0x47, false}, {VK_NUMPAD0 + 8, 0x48, false},
    {VK_NUMPAD0 + 9, 0x49, false}, {VK_NUMPAD0 + 4, 0x4B, false}, {VK_NUMPAD0 + 5, 0x4C, false},
    {VK_NUMPAD0 + 6, 0x4D, false}, {VK_NUMPAD0 + 1, 0x4F, false}, {VK_NUMPAD0 + 2, 0x50, false},
    {VK_NUMPAD0 + 3, 0x51, false}, {VK_NUMPAD0, 0x52, false}, {VK_DECIMAL, 0x53, false}, {VK_F1 + 10, 0x57, false},
    {VK_F12, 0x58, false}, {VK_LWIN, 0x5B, true}, {VK_RWIN, 0x5C, true}, {VK_APPS, 0x5D, true},
};

}  // namespace

TKeyCode DefaultKeyCode(int vk) {
  for (const TScanEntry& e : kScanCodes)
    if (e.vk == vk) return TKeyCode{e.scan, e.extended};
  return TKeyCode{};
}

namespace {

struct TCharEntry {
  int vk;
  char plain, shifted, ctrl, ctrlShift;  // 0: no character
};

// Keys other than letters. Ctrl columns as a US layout gives them: Ctrl+[
// is Esc, Ctrl+Enter a line feed, Ctrl+Backspace DEL, Ctrl+Shift+6 and
// Ctrl+Shift+- the last two control codes.
constexpr TCharEntry kChars[] = {
    {'0', '0', ')', 0, 0},     {'1', '1', '!', 0, 0},     {'2', '2', '@', 0, 0},     {'3', '3', '#', 0, 0},
    {'4', '4', '$', 0, 0},     {'5', '5', '%', 0, 0},     {'6', '6', '^', 0, 0x1E},  {'7', '7', '&', 0, 0},
    {'8', '8', '*', 0, 0},     {'9', '9', '(', 0, 0},     {VK_SPACE, ' ', ' ', ' ', ' '},
    {VK_OEM_1, ';', ':', 0, 0}, {VK_OEM_PLUS, '=', '+', 0, 0}, {VK_OEM_COMMA, ',', '<', 0, 0},
    {VK_OEM_MINUS, '-', '_', 0, 0x1F}, {VK_OEM_PERIOD, '.', '>', 0, 0}, {VK_OEM_2, '/', '?', 0, 0},
    {VK_OEM_3, '`', '~', 0, 0}, {VK_OEM_4, '[', '{', 0x1B, 0}, {VK_OEM_5, '\\', '|', 0x1C, 0},
    {VK_OEM_6, ']', '}', 0x1D, 0}, {VK_OEM_7, '\'', '"', 0, 0},
    {VK_MULTIPLY, '*', '*', 0, 0}, {VK_ADD, '+', '+', 0, 0}, {VK_SUBTRACT, '-', '-', 0, 0},
    {VK_DECIMAL, '.', '.', 0, 0}, {VK_DIVIDE, '/', '/', 0, 0},
    {VK_RETURN, '\r', '\r', '\n', 0}, {VK_BACK, '\b', '\b', 0x7F, 0}, {VK_TAB, '\t', '\t', 0, 0},
    {VK_ESCAPE, 0x1B, 0x1B, 0x1B, 0},
};

const TCharEntry* CharEntry(int vk) {
  for (const TCharEntry& e : kChars)
    if (e.vk == vk) return &e;
  return nullptr;
}

}  // namespace

UINT KeyCharacter(int vk, bool shift, bool ctrl, bool alt, bool caps) {
  if (ctrl && alt) return 0;
  if (vk >= 'A' && vk <= 'Z') {
    if (ctrl) return UINT(vk - 'A' + 1);
    return (shift != caps) ? UINT(vk) : UINT(vk - 'A' + 'a');
  }
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return ctrl ? 0 : UINT('0' + (vk - VK_NUMPAD0));
  const TCharEntry* e = CharEntry(vk);
  if (!e) return 0;
  const char c = ctrl ? (shift ? e->ctrlShift : e->ctrl) : (shift ? e->shifted : e->plain);
  return UINT(Byte(c));
}

UINT MapVirtualKey(UINT code, UINT mapType) {
  if (mapType == MAPVK_VK_TO_VSC) return code <= 255 ? DefaultKeyCode(int(code)).scan : 0;
  if (mapType == MAPVK_VSC_TO_VK) {
    for (const TScanEntry& e : kScanCodes)
      if (e.scan == code && code != 0) {
        int generic = GenericOf(e.vk);
        return UINT(generic ? generic : e.vk);
      }
    return 0;
  }
  if (mapType == MAPVK_VK_TO_CHAR) {
    // Letters as capitals, every other key its unshifted character.
    if (code > 255) return 0;
    return KeyCharacter(int(code), code >= 'A' && code <= 'Z', false, false, false);
  }
  return 0;
}

BOOL TranslateMessage(const MSG* msg) {
  if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
  const int vk = int(msg->wParam);
  if (vk <= 0 || vk > 255) return FALSE;
  if (g_charFromBackEnd[vk]) {
    g_charFromBackEnd[vk] = false;
    return FALSE;
  }
  const bool sys = msg->message == WM_SYSKEYDOWN;
  // Alt alone makes the same characters as no modifier, as WM_SYSCHAR.
  const UINT ch = KeyCharacter(vk, Down(g_keys, VK_SHIFT), Down(g_keys, VK_CONTROL), Down(g_keys, VK_MENU) && !sys,
                               (g_keys[VK_CAPITAL] & 1) != 0);
  if (!ch) return FALSE;
  PostMessage(msg->hwnd, sys ? WM_SYSCHAR : WM_CHAR, WPARAM(ch), msg->lParam);
  return TRUE;
}

void InputMouseMove(POINT screen) {
  screen = ClampToCursorClip(screen);
  g_cursor = screen;
  Push(Raw(TRawKind::Move, TMouseButton::mbLeft, false, screen, 0));
}

void InputMouseButton(TMouseButton button, bool down, POINT screen) {
  screen = ClampToCursorClip(screen);
  g_cursor = screen;
  SetKey(g_asyncKeys, ButtonVk(button), down);
  Push(Raw(TRawKind::Button, button, down, screen, 0));
}

void InputMouseWheel(int delta, POINT screen) {
  screen = ClampToCursorClip(screen);
  g_cursor = screen;
  Push(Raw(TRawKind::Wheel, TMouseButton::mbLeft, false, screen, delta));
}

void InputMouseHWheel(int delta, POINT screen) {
  screen = ClampToCursorClip(screen);
  g_cursor = screen;
  Push(Raw(TRawKind::HWheel, TMouseButton::mbLeft, false, screen, delta));
}

void InputKey(int vk, bool down) {
  if (vk <= 0 || vk > 255) return;
  InputKeyCode(vk, down, DefaultKeyCode(vk));
}

void InputKeyCode(int vk, bool down, TKeyCode code) {
  if (vk <= 0 || vk > 255) return;
  int side = SideOf(vk, code);
  int generic = GenericOf(side);
  SetKey(g_asyncKeys, side ? side : vk, down);
  TRawInput r = Raw(TRawKind::Key, TMouseButton::mbLeft, down, g_cursor, generic ? generic : vk);
  r.side = side;
  r.code = code;
  Push(r);
}

void InputSyncKeys(const std::vector<std::pair<int, TKeyCode>>& down) {
  std::array<bool, 256> held{};
  for (const auto& [vk, code] : down) {
    if (vk <= 0 || vk > 255) continue;
    const int side = SideOf(vk, code);
    held[std::size_t(side ? side : vk)] = true;
  }
  // Mouse buttons are not keys the keyboard reports; the generic Shift,
  // Ctrl and Alt follow their sides.
  auto release = [held](Byte* keys) {
    for (int vk = 1; vk < 256; ++vk) {
      if (vk == VK_LBUTTON || vk == VK_RBUTTON || (vk >= VK_MBUTTON && vk <= VK_MBUTTON + 2)) continue;
      if (vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU) continue;
      if (Down(keys, vk) && !held[std::size_t(vk)]) SetKey(keys, vk, false);
    }
  };
  release(g_asyncKeys);
  InputQueueCall([release] {
    release(g_keys);
    g_altWithKey = false;
  });
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
    if (!bad) Push(Raw(TRawKind::Char, TMouseButton::mbLeft, false, g_cursor, int(cp)));
  }
}

void InputQueueCall(std::function<void()> deliver) {
  g_calls.push_back(std::move(deliver));
  Push(Raw(TRawKind::Call, TMouseButton::mbLeft, false, g_cursor, 0));
}
