#include "platform/backend/x11/X11Display.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <map>
#include <poll.h>
#include <thread>
#include <vector>

#include "platform/backend/headless/HeadlessDisplay.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/User.h"
#include "tests/platform/backend/x11/X11Fixture.h"

#define Region XlibRegion
#include <X11/extensions/shape.h>
#undef Region
#include <X11/keysym.h>

namespace {

constexpr COLORREF kFill = RGB(30, 144, 200);
constexpr COLORREF kMark = RGB(250, 20, 10);
constexpr COLORREF kOtherFill = RGB(40, 200, 90);

struct TLogged {
  HWND hwnd;
  UINT msg;
  WPARAM wp;
  LPARAM lp = 0;
};
std::vector<TLogged> g_log;
std::map<HWND, int> g_paints;
bool g_keepOnClose = false;

// Paints its client in the colour held in GWLP_USERDATA with a marker
// rectangle, and logs the messages the tests look for.
LRESULT PaintProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  switch (m) {
    case WM_PAINT: {
      g_paints[h]++;
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      RECT all;
      GetClientRect(h, &all);
      HBRUSH fill = CreateSolidBrush(COLORREF(GetWindowLongPtr(h, GWLP_USERDATA)));
      FillRect(dc, &all, fill);
      DeleteObject(fill);
      RECT mark{10, 8, 40, 30};
      HBRUSH red = CreateSolidBrush(kMark);
      FillRect(dc, &mark, red);
      DeleteObject(red);
      EndPaint(h, &ps);
      return 0;
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
      g_log.push_back({h, m, wp, lp});
      return 0;
    case WM_CLOSE:
      g_log.push_back({h, m, wp, lp});
      if (g_keepOnClose) return 0;
      break;
    case WM_SYSCOMMAND:
    case WM_SYSCHAR: g_log.push_back({h, m, wp, lp}); break;
    default: break;
  }
  return DefWindowProc(h, m, wp, lp);
}

class X11DisplayTest : public TX11Fixture {
 protected:
  void SetUp() override {
    StartX11(kScreenW, kScreenH, "X11TestWnd", PaintProc, kRootColour);
    g_log.clear();
    g_paints.clear();
    g_keepOnClose = false;
  }

  void TearDown() override { StopX11(); }

  HWND Create(const char* title, DWORD style, RECT r, COLORREF fill) {
    HWND h = CreateWindowEx(0, "X11TestWnd", title, style, r.Left, r.Top, r.Width(), r.Height(), nullptr, nullptr,
                            nullptr, nullptr);
    if (h) SetWindowLongPtr(h, GWLP_USERDATA, LONG_PTR(fill));
    return h;
  }

  Window NativeOf(HWND h) { return Window(display->NativeOf(h)); }

  void SendKey(HWND h, KeySym ks, bool press, unsigned state = 0) {
    XEvent ev{};
    ev.xkey.type = press ? kXKeyPress : kXKeyRelease;
    ev.xkey.display = reader;
    ev.xkey.window = NativeOf(h);
    ev.xkey.root = DefaultRootWindow(reader);
    ev.xkey.time = CurrentTime;
    ev.xkey.state = state;
    ev.xkey.keycode = XKeysymToKeycode(reader, ks);
    ev.xkey.same_screen = True;
    ASSERT_NE(ev.xkey.keycode, 0u) << "no key for keysym " << ks;
    XSendEvent(reader, ev.xkey.window, False, press ? KeyPressMask : KeyReleaseMask, &ev);
  }

  // A window of the test class shown at (20, 20) and given the focus.
  HWND ShownWithFocus(const char* name) {
    HWND w = Create(name, WS_OVERLAPPEDWINDOW, Bounds(20, 20, 100, 80), kFill);
    ShowWindow(w, SW_SHOWNORMAL);
    SetFocus(w);
    Settle();
    return w;
  }

  std::vector<TLogged> Logged(UINT msg) {
    std::vector<TLogged> out;
    for (const TLogged& l : g_log)
      if (l.msg == msg) out.push_back(l);
    return out;
  }
};

// An L-shaped region: the bottom-right quarter of a 120x90 window is cut away.
HRGN LShape() {
  HRGN a = CreateRectRgn(0, 0, 120, 45);
  HRGN b = CreateRectRgn(0, 45, 60, 90);
  CombineRgn(a, a, b, RGN_OR);
  DeleteObject(b);
  return a;
}

const RECT kShapedRect = Bounds(50, 60, 120, 90);
const RECT kPlainRect = Bounds(300, 80, 100, 70);

TEST_F(X11DisplayTest, ShapedCustomFrameAndDecoratedWindowsShowTheirPixels) {
  const std::uint32_t rootBefore = ScreenPixel(kShapedRect.Left + 100, kShapedRect.Top + 80);
  HWND shaped = Create("shaped", WS_OVERLAPPEDWINDOW, kShapedRect, kFill);
  HWND plain = Create("plain", WS_OVERLAPPEDWINDOW, kPlainRect, kOtherFill);
  ASSERT_TRUE(shaped && plain);
  SetCustomFrame(shaped, TRUE);
  SetWindowRgn(shaped, LShape(), TRUE);
  ShowWindow(shaped, SW_SHOWNORMAL);
  ShowWindow(plain, SW_SHOWNORMAL);
  Settle();

  // Client pixels of both windows, read back from the root window.
  EXPECT_EQ(ScreenPixel(50 + 5, 60 + 40), Rgb24(kFill));
  EXPECT_EQ(ScreenPixel(50 + 100, 60 + 20), Rgb24(kFill));
  EXPECT_EQ(ScreenPixel(50 + 20, 60 + 15), Rgb24(kMark));
  EXPECT_EQ(ScreenPixel(50 + 39, 60 + 29), Rgb24(kMark));
  EXPECT_EQ(ScreenPixel(50 + 40, 60 + 30), Rgb24(kFill));
  EXPECT_EQ(ScreenPixel(300 + 50, 80 + 50), Rgb24(kOtherFill));
  EXPECT_EQ(ScreenPixel(300 + 10, 80 + 8), Rgb24(kMark));
  // The cut-away quarter shows the root window; its edge is exact.
  EXPECT_EQ(ScreenPixel(50 + 100, 60 + 80), rootBefore);
  EXPECT_EQ(ScreenPixel(50 + 60, 60 + 45), rootBefore);
  EXPECT_EQ(ScreenPixel(50 + 59, 60 + 45), Rgb24(kFill));
  EXPECT_EQ(ScreenPixel(50 + 60, 60 + 44), Rgb24(kFill));
  EXPECT_EQ(rootBefore, kRootColour);

  // Decorations: the custom frame asks the window manager for none.
  Atom motif = XInternAtom(reader, "_MOTIF_WM_HINTS", False);
  auto readHints = [&](HWND h, std::vector<long>* out) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    out->clear();
    if (XGetWindowProperty(reader, NativeOf(h), motif, 0, 5, False, AnyPropertyType, &type, &format, &count, &after,
                           &data) == Success &&
        data) {
      for (unsigned long i = 0; i < count; ++i) out->push_back(reinterpret_cast<long*>(data)[i]);
      XFree(data);
    }
  };
  std::vector<long> hints;
  readHints(shaped, &hints);
  ASSERT_EQ(hints.size(), 5u);
  EXPECT_NE(hints[0] & 2, 0) << "decorations flag";
  EXPECT_EQ(hints[2], 0) << "no decorations";
  // Decorated: no decorations flag, or one that keeps the title bar.
  auto decorated = [](const std::vector<long>& h) { return h.size() < 3 || !(h[0] & 2) || (h[2] & 8); };
  readHints(plain, &hints);
  EXPECT_TRUE(decorated(hints));
  // Switching the frame back gives the decorations back.
  SetCustomFrame(shaped, FALSE);
  Settle();
  readHints(shaped, &hints);
  EXPECT_TRUE(decorated(hints));
  XWindowAttributes wa;
  ASSERT_TRUE(XGetWindowAttributes(reader, NativeOf(plain), &wa));
  EXPECT_FALSE(wa.override_redirect);
  EXPECT_EQ(display->ErrorCount(), 0);
}

TEST_F(X11DisplayTest, ClientPixelsMatchTheHeadlessDisplay) {
  HWND shaped = Create("shaped", WS_OVERLAPPEDWINDOW, kShapedRect, kFill);
  ASSERT_TRUE(shaped);
  SetCustomFrame(shaped, TRUE);
  SetWindowRgn(shaped, LShape(), TRUE);
  ShowWindow(shaped, SW_SHOWNORMAL);
  Settle();
  XImage* img = XGetImage(reader, DefaultRootWindow(reader), kShapedRect.Left, kShapedRect.Top,
                          unsigned(kShapedRect.Width()), unsigned(kShapedRect.Height()), AllPlanes, ZPixmap);
  ASSERT_NE(img, nullptr);
  std::vector<std::uint32_t> onScreen;
  for (int y = 0; y < kShapedRect.Height(); ++y)
    for (int x = 0; x < kShapedRect.Width(); ++x) onScreen.push_back(std::uint32_t(XGetPixel(img, x, y)) & 0xFFFFFF);
  XDestroyImage(img);
  DestroyWindow(shaped);
  ProcessPendingMessages();

  THeadlessSession session;
  HWND again = Create("shaped", WS_OVERLAPPEDWINDOW, kShapedRect, kFill);
  ASSERT_TRUE(again);
  SetCustomFrame(again, TRUE);
  HRGN shape = LShape();
  SetWindowRgn(again, LShape(), TRUE);
  ShowWindow(again, SW_SHOWNORMAL);
  session.display.RunUntilIdle();
  int compared = 0, differing = 0;
  for (int y = 0; y < kShapedRect.Height(); ++y)
    for (int x = 0; x < kShapedRect.Width(); ++x) {
      if (!PtInRegion(shape, x, y)) continue;
      ++compared;
      if (onScreen[std::size_t(y * kShapedRect.Width() + x)] != Rgb24(session.display.PixelAt(again, x, y)))
        ++differing;
    }
  DeleteObject(shape);
  DestroyWindow(again);
  session.display.RunUntilIdle();
  EXPECT_EQ(compared, 120 * 45 + 60 * 45);
  EXPECT_EQ(differing, 0);
}

TEST_F(X11DisplayTest, PopupsBypassTheWindowManager) {
  // Menus, lists, hints and glow layers are tool popups.
  HWND popup = CreateWindowEx(WS_EX_TOOLWINDOW, "X11TestWnd", "popup", WS_POPUP, 10, 10, 40, 30, nullptr, nullptr,
                              nullptr, nullptr);
  HWND form = Create("form", WS_OVERLAPPEDWINDOW, Bounds(100, 10, 40, 30), kFill);
  HWND borderless = Create("borderless", WS_POPUP, Bounds(200, 10, 40, 30), kFill);
  XWindowAttributes wa;
  ASSERT_TRUE(XGetWindowAttributes(reader, NativeOf(popup), &wa));
  EXPECT_TRUE(wa.override_redirect);
  ASSERT_TRUE(XGetWindowAttributes(reader, NativeOf(form), &wa));
  EXPECT_FALSE(wa.override_redirect);
  ASSERT_TRUE(XGetWindowAttributes(reader, NativeOf(borderless), &wa));
  EXPECT_FALSE(wa.override_redirect) << "a borderless form is still the window manager's";
}

TEST_F(X11DisplayTest, ExposedAreasAreRestoredWithoutRepainting) {
  HWND w = Create("w", WS_POPUP, Bounds(20, 20, 100, 80), kFill);
  ShowWindow(w, SW_SHOWNOACTIVATE);
  Settle();
  const int paints = g_paints[w];
  ASSERT_GE(paints, 1);
  // Another client covers part of the window and goes away again.
  XSetWindowAttributes a{};
  a.override_redirect = True;
  a.background_pixel = 0xFFFFFF;
  Window cover = XCreateWindow(reader, DefaultRootWindow(reader), 40, 30, 50, 40, 0, CopyFromParent, InputOutput,
                               CopyFromParent, CWOverrideRedirect | CWBackPixel, &a);
  XMapRaised(reader, cover);
  XSync(reader, False);
  EXPECT_EQ(ScreenPixel(50, 40), 0xFFFFFFu);
  XDestroyWindow(reader, cover);
  Settle();
  EXPECT_EQ(ScreenPixel(50, 40), Rgb24(kMark));
  EXPECT_EQ(ScreenPixel(80, 60), Rgb24(kFill));
  EXPECT_EQ(g_paints[w], paints);
}

TEST_F(X11DisplayTest, KeyPressesArriveAsKeyDownAndChar) {
  HWND w = ShownWithFocus("keys");
  ASSERT_EQ(GetFocus(), w);
  g_log.clear();
  SendKey(w, XK_a, true);
  SendKey(w, XK_a, false);
  Settle();
  auto downs = Logged(WM_KEYDOWN);
  auto chars = Logged(WM_CHAR);
  auto ups = Logged(WM_KEYUP);
  ASSERT_EQ(downs.size(), 1u);
  EXPECT_EQ(downs[0].wp, WPARAM('A'));
  EXPECT_EQ(downs[0].hwnd, w);
  ASSERT_EQ(chars.size(), 1u);
  EXPECT_EQ(chars[0].wp, WPARAM('a'));
  ASSERT_EQ(ups.size(), 1u);
  EXPECT_EQ(ups[0].wp, WPARAM('A'));

  // Shift held: the key is still '1', the character '!'.
  g_log.clear();
  SendKey(w, XK_Shift_L, true);
  SendKey(w, XK_1, true, ShiftMask);
  SendKey(w, XK_1, false, ShiftMask);
  SendKey(w, XK_Shift_L, false, ShiftMask);
  Settle();
  downs = Logged(WM_KEYDOWN);
  chars = Logged(WM_CHAR);
  ASSERT_EQ(downs.size(), 2u);
  EXPECT_EQ(downs[0].wp, WPARAM(VK_SHIFT));
  EXPECT_EQ(downs[1].wp, WPARAM('1'));
  ASSERT_EQ(chars.size(), 1u);
  EXPECT_EQ(chars[0].wp, WPARAM('!'));

  // Keys without a character, and a keypad key whose character comes from
  // the key's text exactly once.
  g_log.clear();
  SendKey(w, XK_F5, true);
  SendKey(w, XK_Delete, true);
  SendKey(w, XK_Left, true);
  SendKey(w, XK_KP_Add, true);
  Settle();
  downs = Logged(WM_KEYDOWN);
  chars = Logged(WM_CHAR);
  ASSERT_EQ(downs.size(), 4u);
  EXPECT_EQ(downs[0].wp, WPARAM(0x74));  // F5
  EXPECT_EQ(downs[1].wp, WPARAM(VK_DELETE));
  EXPECT_EQ(downs[2].wp, WPARAM(VK_LEFT));
  EXPECT_EQ(downs[3].wp, WPARAM(VK_ADD));
  ASSERT_EQ(chars.size(), 1u);
  EXPECT_EQ(chars[0].wp, WPARAM('+'));
}

// Ctrl and Alt with punctuation and keypad keys follow the same table as
// the headless display: no character typed under Ctrl but the control
// codes, Alt gives WM_SYSCHAR, and each character carries its key's lParam.
TEST_F(X11DisplayTest, ModifiedPunctuationFollowsTheKeyTable) {
  HWND w = ShownWithFocus("keys");
  ASSERT_EQ(GetFocus(), w);
  struct TCase {
    const char* name;
    KeySym modifier;  // NoSymbol: none
    unsigned state;
    KeySym key;
    UINT msg;  // 0: no character
    WPARAM ch;
  };
  const TCase cases[] = {
      {"comma", NoSymbol, 0, XK_comma, WM_CHAR, ','},
      {"keypad minus", NoSymbol, 0, XK_KP_Subtract, WM_CHAR, '-'},
      {"Ctrl+minus", XK_Control_L, ControlMask, XK_minus, 0, 0},
      {"Ctrl+equal", XK_Control_L, ControlMask, XK_equal, 0, 0},
      {"Ctrl+keypad minus", XK_Control_L, ControlMask, XK_KP_Subtract, 0, 0},
      {"Ctrl+[", XK_Control_L, ControlMask, XK_bracketleft, WM_CHAR, 0x1B},
      {"Alt+minus", XK_Alt_L, Mod1Mask, XK_minus, WM_SYSCHAR, '-'},
      {"Alt+comma", XK_Alt_L, Mod1Mask, XK_comma, WM_SYSCHAR, ','},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    g_log.clear();
    if (c.modifier != NoSymbol) SendKey(w, c.modifier, true);
    SendKey(w, c.key, true, c.state);
    SendKey(w, c.key, false, c.state);
    if (c.modifier != NoSymbol) SendKey(w, c.modifier, false, c.state);
    Settle();
    auto chars = Logged(WM_CHAR), sys = Logged(WM_SYSCHAR);
    auto downs = Logged(c.msg == WM_SYSCHAR ? WM_SYSKEYDOWN : WM_KEYDOWN);
    if (!c.msg) {
      EXPECT_TRUE(chars.empty() && sys.empty()) << (chars.empty() ? sys : chars)[0].wp;
      continue;
    }
    const auto& got = c.msg == WM_CHAR ? chars : sys;
    ASSERT_EQ(got.size(), 1u);
    EXPECT_TRUE((c.msg == WM_CHAR ? sys : chars).empty());
    EXPECT_EQ(got[0].wp, c.ch);
    ASSERT_FALSE(downs.empty());
    EXPECT_EQ(got[0].lp, downs.back().lp);
  }
}

// Alt+F4 closes a dialog while its key releases are still on their way to
// that window: the releases must still let the keys go, or Alt stays held
// and every later Backspace or letter becomes a system key.
TEST_F(X11DisplayTest, KeysLetGoOverAWindowThatHasGoneAreLetGo) {
  HWND stays = Create("stays", WS_OVERLAPPEDWINDOW, Bounds(20, 20, 100, 80), kFill);
  HWND goes = Create("goes", WS_OVERLAPPEDWINDOW, Bounds(140, 20, 100, 80), kFill);
  ShowWindow(stays, SW_SHOWNORMAL);
  ShowWindow(goes, SW_SHOWNORMAL);
  SetFocus(goes);
  Settle();
  ASSERT_EQ(GetFocus(), goes);
  const struct {
    KeySym ks;
    int vk;
  } keys[] = {{XK_Alt_L, VK_MENU}, {XK_Control_L, VK_CONTROL}, {XK_Shift_L, VK_SHIFT}};
  for (const auto& k : keys) {
    SendKey(goes, k.ks, true);
    Settle();
    ASSERT_LT(GetKeyState(k.vk), 0) << k.vk << " held";
  }
  for (const auto& k : keys) SendKey(goes, k.ks, false);
  // The server has handed the releases to our connection before the window goes.
  XSync(reader, False);
  DestroyWindow(goes);
  Settle();
  for (const auto& k : keys) {
    EXPECT_GE(GetKeyState(k.vk), 0) << k.vk << " still held";
    EXPECT_GE(GetAsyncKeyState(k.vk), 0) << k.vk << " still held";
  }
}

TEST_F(X11DisplayTest, KeysCarryTheirScanCodeAndExtendedBit) {
  HWND w = ShownWithFocus("scan");
  ASSERT_EQ(GetFocus(), w);
  const struct {
    KeySym ks;
    WPARAM vk;
    DWORD lp;  // the key-down's
  } cases[] = {
      {XK_a, 'A', 0x001E0001u},           {XK_Left, VK_LEFT, 0x014B0001u},
      {XK_KP_Left, VK_LEFT, 0x004B0001u},  // the keypad's arrow with Num Lock off
      {XK_KP_Enter, VK_RETURN, 0x011C0001u}, {XK_Return, VK_RETURN, 0x001C0001u},
      {XK_Control_R, VK_CONTROL, 0x011D0001u}, {XK_Control_L, VK_CONTROL, 0x001D0001u},
      {XK_KP_Divide, VK_DIVIDE, 0x01350001u}, {XK_Delete, VK_DELETE, 0x01530001u},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ks);
    if (XKeysymToKeycode(reader, c.ks) == 0) continue;  // not on this server's keyboard
    SendKey(w, c.ks, false);  // up, whatever an earlier test left down
    Settle();
    g_log.clear();
    SendKey(w, c.ks, true);
    SendKey(w, c.ks, false);
    Settle();
    auto downs = Logged(WM_KEYDOWN);
    auto ups = Logged(WM_KEYUP);
    ASSERT_EQ(downs.size(), 1u);
    ASSERT_EQ(ups.size(), 1u);
    EXPECT_EQ(downs[0].wp, c.vk);
    EXPECT_EQ(DWORD(downs[0].lp), c.lp);
    EXPECT_EQ(DWORD(ups[0].lp), c.lp | 0xC0000000u);
  }
}

TEST_F(X11DisplayTest, AltLetterAsksForTheMenuWithTheCharacter) {
  HWND w = ShownWithFocus("menu keys");
  ASSERT_EQ(GetFocus(), w);
  g_log.clear();
  SendKey(w, XK_Alt_L, true);
  SendKey(w, XK_f, true, Mod1Mask);
  SendKey(w, XK_f, false, Mod1Mask);
  SendKey(w, XK_Alt_L, false, Mod1Mask);
  Settle();
  std::vector<std::pair<UINT, WPARAM>> got;
  for (const TLogged& l : g_log) got.emplace_back(l.msg, l.wp);
  const std::vector<std::pair<UINT, WPARAM>> want = {{WM_SYSKEYDOWN, VK_MENU}, {WM_SYSKEYDOWN, 'F'},
                                                     {WM_SYSCHAR, 'f'},         {WM_SYSCOMMAND, SC_KEYMENU},
                                                     {WM_SYSKEYUP, 'F'},
                                                     {WM_KEYUP, VK_MENU}};
  EXPECT_EQ(got, want);
  auto commands = Logged(WM_SYSCOMMAND);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].lp, LPARAM('f'));
}

TEST_F(X11DisplayTest, DeleteWindowRequestArrivesAsClose) {
  HWND kept = Create("kept", WS_OVERLAPPEDWINDOW, Bounds(20, 20, 60, 40), kFill);
  HWND closed = Create("closed", WS_OVERLAPPEDWINDOW, Bounds(120, 20, 60, 40), kFill);
  ShowWindow(kept, SW_SHOWNORMAL);
  ShowWindow(closed, SW_SHOWNORMAL);
  Settle();
  auto sendDelete = [&](HWND h) {
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = NativeOf(h);
    ev.xclient.message_type = XInternAtom(reader, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = long(XInternAtom(reader, "WM_DELETE_WINDOW", False));
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(reader, ev.xclient.window, False, NoEventMask, &ev);
  };
  // The protocol is advertised, or window managers would kill the client.
  Atom* protocols = nullptr;
  int count = 0;
  ASSERT_TRUE(XGetWMProtocols(reader, NativeOf(kept), &protocols, &count));
  bool advertised = false;
  for (int i = 0; i < count; ++i) advertised |= protocols[i] == XInternAtom(reader, "WM_DELETE_WINDOW", False);
  XFree(protocols);
  EXPECT_TRUE(advertised);

  g_keepOnClose = true;
  sendDelete(kept);
  Settle();
  // As the close button: WM_SYSCOMMAND SC_CLOSE, whose default is WM_CLOSE.
  ASSERT_FALSE(g_log.empty());
  EXPECT_EQ(g_log[0].msg, UINT(WM_SYSCOMMAND));
  EXPECT_EQ(g_log[0].wp & 0xFFF0, SC_CLOSE);
  auto closes = Logged(WM_CLOSE);
  ASSERT_EQ(closes.size(), 1u);
  EXPECT_EQ(closes[0].hwnd, kept);
  EXPECT_TRUE(IsWindow(kept));
  g_keepOnClose = false;
  Window closedNative = NativeOf(closed);
  sendDelete(closed);
  Settle();
  EXPECT_FALSE(IsWindow(closed));
  XWindowAttributes wa;
  EXPECT_FALSE(XGetWindowAttributes(reader, closedNative, &wa)) << "the X window went with it";
}

TEST_F(X11DisplayTest, WindowManagerMovesAndFocusReachTheWindowLayer) {
  HWND a = Create("a", WS_OVERLAPPEDWINDOW, Bounds(20, 20, 60, 40), kFill);
  HWND b = Create("b", WS_OVERLAPPEDWINDOW, Bounds(120, 20, 60, 40), kFill);
  ShowWindow(a, SW_SHOWNORMAL);
  ShowWindow(b, SW_SHOWNORMAL);
  Settle();
  // As a window manager would: move and resize from outside.
  XMoveResizeWindow(reader, NativeOf(a), 200, 150, 80, 70);
  Settle();
  RECT r;
  ASSERT_TRUE(GetWindowRect(a, &r));
  EXPECT_EQ(r, Bounds(200, 150, 80, 70));
  // Our own move lands on the X window.
  SetWindowPos(b, nullptr, 300, 200, 50, 30, SWP_NOZORDER | SWP_NOACTIVATE);
  Settle();
  XWindowAttributes wa;
  ASSERT_TRUE(XGetWindowAttributes(reader, NativeOf(b), &wa));
  EXPECT_EQ(wa.x, 300);
  EXPECT_EQ(wa.y, 200);
  EXPECT_EQ(wa.width, 50);
  EXPECT_EQ(wa.height, 30);
  ASSERT_TRUE(GetWindowRect(b, &r));
  EXPECT_EQ(r, Bounds(300, 200, 50, 30));

  XSetInputFocus(reader, NativeOf(b), RevertToParent, CurrentTime);
  Settle();
  EXPECT_EQ(GetActiveWindow(), b);
  XSetInputFocus(reader, NativeOf(a), RevertToParent, CurrentTime);
  Settle();
  EXPECT_EQ(GetActiveWindow(), a);
  // Focus leaving for another client deactivates.
  Window other = XCreateSimpleWindow(reader, DefaultRootWindow(reader), 0, 300, 20, 20, 0, 0, 0);
  XMapWindow(reader, other);
  XSync(reader, False);
  XSetInputFocus(reader, other, RevertToParent, CurrentTime);
  Settle();
  EXPECT_EQ(GetActiveWindow(), nullptr);
  XDestroyWindow(reader, other);
}

TEST_F(X11DisplayTest, MonitorIsTheScreenAndWorkAreaComesFromTheRoot) {
  auto monitors = display->Monitors();
  ASSERT_EQ(monitors.size(), 1u);
  EXPECT_EQ(monitors[0].monitor, Bounds(0, 0, kScreenW, kScreenH));
  EXPECT_EQ(monitors[0].work, Bounds(0, 0, kScreenW, kScreenH));
  EXPECT_TRUE(monitors[0].primary);
  long area[8] = {0, 0, kScreenW, kScreenH - 30, 0, 24, kScreenW, kScreenH - 24};
  XChangeProperty(reader, DefaultRootWindow(reader), XInternAtom(reader, "_NET_WORKAREA", False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<unsigned char*>(area), 8);
  long desktop = 1;
  XChangeProperty(reader, DefaultRootWindow(reader), XInternAtom(reader, "_NET_CURRENT_DESKTOP", False), XA_CARDINAL,
                  32, PropModeReplace, reinterpret_cast<unsigned char*>(&desktop), 1);
  XSync(reader, False);
  monitors = display->Monitors();
  ASSERT_EQ(monitors.size(), 1u);
  EXPECT_EQ(monitors[0].work, Bounds(0, 24, kScreenW, kScreenH - 24));
  RECT work;
  SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_EQ(work, Bounds(0, 24, kScreenW, kScreenH - 24));
}

TEST_F(X11DisplayTest, PostFromAnotherThreadWakesTheMessageLoop) {
  HWND w = Create("w", WS_POPUP, Bounds(0, 0, 10, 10), kFill);
  ASSERT_TRUE(w);
  g_keepOnClose = true;
  ProcessPendingMessages();
  std::atomic<bool> waiting{false};
  std::thread t([&] {
    while (!waiting) std::this_thread::yield();
    PostMessage(w, WM_CLOSE, 0, 0);
  });
  MSG msg;
  waiting = true;
  ASSERT_TRUE(GetMessage(&msg, nullptr, 0, 0));  // blocks in WaitEvents until the post wakes it
  t.join();
  EXPECT_EQ(msg.message, WM_CLOSE);
  EXPECT_EQ(msg.hwnd, w);
}

TEST_F(X11DisplayTest, WindowsKilledBehindOurBackAndALostServerAreSurvived) {
  HWND w = Create("w", WS_POPUP, Bounds(20, 20, 50, 50), kFill);
  ShowWindow(w, SW_SHOWNOACTIVATE);
  Settle();
  XDestroyWindow(reader, NativeOf(w));
  XSync(reader, False);
  InvalidateRect(w, nullptr, TRUE);
  SetWindowRgn(w, CreateRectRgn(0, 0, 20, 20), TRUE);
  SetWindowPos(w, nullptr, 30, 30, 60, 60, SWP_NOZORDER | SWP_NOACTIVATE);
  Settle();
  EXPECT_GT(display->ErrorCount(), 0);
  EXPECT_FALSE(display->ConnectionLost());

  XCloseDisplay(reader);
  reader = nullptr;
  server.Stop();
  display->Sync();
  EXPECT_TRUE(display->ConnectionLost());
  // Everything still answers, and waiting still ends.
  InvalidateRect(w, nullptr, TRUE);
  SetWindowPos(w, nullptr, 40, 40, 60, 60, SWP_NOZORDER | SWP_NOACTIVATE);
  ProcessPendingMessages();
  HWND late = Create("late", WS_POPUP | WS_VISIBLE, Bounds(0, 0, 10, 10), kFill);
  EXPECT_NE(late, nullptr);
  display->WaitEvents(0);
  std::thread t([&] { display->Wake(); });
  display->WaitEvents(-1);
  t.join();
  EXPECT_EQ(display->Monitors().size(), 1u);
}

// Another client's answer to the next selection request it receives, on a
// thread of its own: `text` as a property of `type`.
std::thread AnswerOneSelectionRequest(Display* reader, Atom type, const std::string& text) {
  return std::thread([reader, type, text] {
    for (int waited = 0; waited < 5000; waited += 50) {
      XEvent e;
      if (!XPending(reader)) {
        pollfd p{ConnectionNumber(reader), POLLIN, 0};
        poll(&p, 1, 50);
        continue;
      }
      XNextEvent(reader, &e);
      if (e.type != SelectionRequest) continue;
      XSelectionRequestEvent& req = e.xselectionrequest;
      XChangeProperty(reader, req.requestor, req.property, type, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(text.data()), int(text.size()));
      XEvent reply{};
      reply.xselection.type = SelectionNotify;
      reply.xselection.requestor = req.requestor;
      reply.xselection.selection = req.selection;
      reply.xselection.target = req.target;
      reply.xselection.property = req.property;
      reply.xselection.time = req.time;
      XSendEvent(reader, req.requestor, False, NoEventMask, &reply);
      XSync(reader, False);
      return;
    }
  });
}

TEST_F(X11DisplayTest, ClipboardTextTravelsBothWaysAsUtf8) {
  const std::string ours = "caf\xC3\xA9 \xE4\xB8\xAD\xE6\x96\x87";
  display->SetClipboardText(ours);
  Atom clipboard = XInternAtom(reader, "CLIPBOARD", False);
  Atom utf8 = XInternAtom(reader, "UTF8_STRING", False);
  Atom prop = XInternAtom(reader, "TEST_PASTE", False);
  Window requestor = XCreateSimpleWindow(reader, DefaultRootWindow(reader), 0, 0, 1, 1, 0, 0, 0);
  XConvertSelection(reader, clipboard, utf8, prop, requestor, CurrentTime);
  XSync(reader, False);
  display->Sync();  // answers the request
  XSync(reader, False);
  XEvent ev;
  ASSERT_TRUE(XCheckTypedWindowEvent(reader, requestor, SelectionNotify, &ev));
  ASSERT_EQ(ev.xselection.property, prop);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  ASSERT_EQ(XGetWindowProperty(reader, requestor, prop, 0, 1024, True, AnyPropertyType, &type, &format, &count, &after,
                               &data),
            Success);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(type, utf8);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data), count), ours);
  XFree(data);
  EXPECT_EQ(display->GetClipboardText(), ours);

  // Another client takes the clipboard and answers our request from its own thread.
  const std::string theirs = "from another client \xE2\x9C\x93";
  XSetSelectionOwner(reader, clipboard, requestor, CurrentTime);
  XSync(reader, False);
  std::thread owner = AnswerOneSelectionRequest(reader, utf8, theirs);
  display->Sync();  // sees that it lost the selection
  std::optional<std::string> pasted = display->GetClipboardText();
  owner.join();
  EXPECT_EQ(pasted, theirs);
  XDestroyWindow(reader, requestor);
}

// Text another client offers is taken up to the limit and refused beyond
// it, before it is transferred.
TEST_F(X11DisplayTest, ClipboardTextFromAnotherClientIsCapped) {
  Atom clipboard = XInternAtom(reader, "CLIPBOARD", False);
  Atom utf8 = XInternAtom(reader, "UTF8_STRING", False);
  Window owner = XCreateSimpleWindow(reader, DefaultRootWindow(reader), 0, 0, 1, 1, 0, 0, 0);
  const std::string theirs(1000, 'x');
  const struct {
    std::size_t limit;
    bool pasted;
  } cases[] = {{999, false}, {1000, true}, {TX11Display::kMaxClipboardBytes, true}};
  for (const auto& c : cases) {
    display->MaxClipboardBytes = c.limit;
    XSetSelectionOwner(reader, clipboard, owner, CurrentTime);
    XSync(reader, False);
    std::thread answer = AnswerOneSelectionRequest(reader, utf8, theirs);
    display->Sync();
    const std::optional<std::string> pasted = display->GetClipboardText();
    answer.join();
    EXPECT_EQ(pasted.has_value(), c.pasted) << c.limit;
    if (c.pasted) EXPECT_EQ(pasted, theirs) << c.limit;
  }
  display->MaxClipboardBytes = TX11Display::kMaxClipboardBytes;
  XDestroyWindow(reader, owner);
}

TEST_F(X11DisplayTest, MinimizedWindowsAreUnmappedAndLayeredOnesShowThroughAShape) {
  HWND w = Create("w", WS_OVERLAPPEDWINDOW, Bounds(20, 20, 60, 40), kFill);
  HWND glow = Create("glow", WS_POPUP, Bounds(120, 20, 60, 40), kFill);
  ShowWindow(w, SW_SHOWNORMAL);
  ShowWindow(glow, SW_SHOWNOACTIVATE);
  Settle();
  auto mapped = [&](HWND h) {
    XWindowAttributes wa;
    return XGetWindowAttributes(reader, NativeOf(h), &wa) && wa.map_state == IsViewable;
  };
  ASSERT_TRUE(mapped(w));
  ASSERT_TRUE(mapped(glow));
  display->SetNativeMinimized(display->NativeOf(w), true);
  Settle();
  EXPECT_FALSE(mapped(w));
  display->SetNativeMinimized(display->NativeOf(w), false);
  Settle();
  EXPECT_TRUE(mapped(w));
  if (display->CompositorRunning()) GTEST_SKIP() << "a compositor runs on this server";
  std::vector<std::uint32_t> argb(60 * 40, 0x80402010u);
  Surface content;
  content.top = reinterpret_cast<Byte*>(argb.data());
  content.pitch = 60 * 4;
  content.width = 60;
  content.height = 40;
  // Without a compositor the content stays on screen, cut to its pixels of
  // alpha 128 and more: the top half here.
  for (int i = 20 * 60; i < 40 * 60; ++i) argb[std::size_t(i)] = 0x7F402010u;
  auto shapeRows = [&]() {
    int count = 0, ordering = 0;
    XRectangle* r = XShapeGetRectangles(reader, NativeOf(glow), ShapeBounding, &count, &ordering);
    int bottom = 0;
    for (int i = 0; i < count; ++i) bottom = std::max(bottom, r[i].y + int(r[i].height));
    if (r) XFree(r);
    return bottom;
  };
  display->SetLayeredContent(display->NativeOf(glow), &content);
  Settle();
  EXPECT_TRUE(mapped(glow));
  EXPECT_EQ(shapeRows(), 20);
  display->SetLayeredContent(display->NativeOf(glow), nullptr);
  Settle();
  EXPECT_TRUE(mapped(glow));
  EXPECT_EQ(shapeRows(), 40);
}

// WM_TAKE_FOCUS is answered with the focus request timed as the manager's
// message: a stale one (the user has chosen since) changes nothing, where
// CurrentTime would take the focus back.
TEST_F(X11DisplayTest, TakeFocusIsAnsweredWithTheMessagesTimestamp) {
  HWND a = Create("a", WS_OVERLAPPEDWINDOW, Bounds(20, 20, 100, 80), kFill);
  HWND b = Create("b", WS_OVERLAPPEDWINDOW, Bounds(200, 20, 100, 80), kFill);
  ShowWindow(a, SW_SHOWNORMAL);
  ShowWindow(b, SW_SHOWNORMAL);
  auto focused = [&] {
    Window f = 0;
    int revert = 0;
    XGetInputFocus(reader, &f, &revert);
    return f;
  };
  ASSERT_TRUE(WaitUntil([&] {
    XWindowAttributes wa;
    return XGetWindowAttributes(reader, NativeOf(a), &wa) && wa.map_state == IsViewable &&
           XGetWindowAttributes(reader, NativeOf(b), &wa) && wa.map_state == IsViewable;
  }));
  // The server's time now, from a property change of the reader's own.
  Window clock = XCreateSimpleWindow(reader, DefaultRootWindow(reader), 0, 0, 1, 1, 0, 0, 0);
  XSelectInput(reader, clock, PropertyChangeMask);
  auto serverTime = [&] {
    XChangeProperty(reader, clock, XA_WM_NAME, XA_STRING, 8, PropModeAppend, nullptr, 0);
    XEvent ev;
    XWindowEvent(reader, clock, PropertyChangeMask, &ev);
    return ev.xproperty.time;
  };
  auto takeFocus = [&](HWND h, Time t) {
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = NativeOf(h);
    ev.xclient.message_type = XInternAtom(reader, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = long(XInternAtom(reader, "WM_TAKE_FOCUS", False));
    ev.xclient.data.l[1] = long(t);
    XSendEvent(reader, NativeOf(h), False, NoEventMask, &ev);
    XFlush(reader);
  };
  // The user chose a, as a manager records it.
  const Time chosen = serverTime();
  XSetInputFocus(reader, NativeOf(a), RevertToParent, chosen);
  XSync(reader, False);
  ASSERT_EQ(focused(), NativeOf(a));
  takeFocus(b, chosen - 1000);
  Settle();
  EXPECT_EQ(focused(), NativeOf(a)) << "a stale WM_TAKE_FOCUS moved the focus";
  takeFocus(b, serverTime());
  EXPECT_TRUE(WaitUntil([&] { return focused() == NativeOf(b); })) << "a current one did not";
  XDestroyWindow(reader, clock);
}

}  // namespace
