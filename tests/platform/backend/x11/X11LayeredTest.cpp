// Under a private Xvfb: per-pixel layered windows on an ARGB visual, the
// colour key as a shape, the icon property, the sideways wheel and
// activation requests. The test claims _NET_WM_CM_S0 itself, standing in
// for a compositor.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/backend/x11/X11Display.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/User.h"
#include "tests/platform/backend/x11/X11Fixture.h"
#include "tests/support/ScreenPng.h"
#include "tests/support/MissingPackage.h"

#define Region XlibRegion
#include <X11/extensions/XTest.h>
#include <X11/extensions/shape.h>
#undef Region

namespace {

constexpr COLORREF kLayerFill = RGB(30, 144, 200);
constexpr COLORREF kKey = RGB(250, 20, 10);

std::vector<MSG> g_msgs;

// Fills the client with kLayerFill and a kKey square at (10, 8)-(40, 30).
LRESULT LayeredProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_MOUSEHWHEEL || m == WM_LBUTTONDOWN) g_msgs.push_back(MSG{h, m, wp, lp, 0, {}});
  if (m == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT all;
    GetClientRect(h, &all);
    HBRUSH fill = CreateSolidBrush(kLayerFill);
    FillRect(dc, &all, fill);
    DeleteObject(fill);
    RECT mark{10, 8, 40, 30};
    HBRUSH key = CreateSolidBrush(kKey);
    FillRect(dc, &mark, key);
    DeleteObject(key);
    EndPaint(h, &ps);
    return 0;
  }
  return DefWindowProc(h, m, wp, lp);
}

class X11LayeredTest : public TX11Fixture {
 protected:
  void SetUp() override {
    StartX11(320, 240, "X11LayeredWnd", LayeredProc, kRootColour);
    g_msgs.clear();
  }

  void TearDown() override { StopX11(); }

  HWND Create(DWORD style, RECT r, DWORD ex = 0) {
    return CreateWindowEx(ex, "X11LayeredWnd", "w", style, r.Left, r.Top, r.Width(), r.Height(), nullptr, nullptr,
                          nullptr, nullptr);
  }

  Window NativeOf(HWND h) { return Window(display->NativeOf(h)); }

  // What the window itself holds (all 32 bits for an ARGB window).
  std::uint32_t WindowPixel(HWND h, int x, int y) {
    XImage* img = XGetImage(reader, NativeOf(h), x, y, 1, 1, AllPlanes, ZPixmap);
    if (!img) return 0xDEADBEEF;
    std::uint32_t p = std::uint32_t(XGetPixel(img, 0, 0));
    XDestroyImage(img);
    return p;
  }

  bool Mapped(HWND h) {
    XWindowAttributes wa;
    return XGetWindowAttributes(reader, NativeOf(h), &wa) && wa.map_state == IsViewable;
  }

  // Stands in for a compositing manager; false when the server has no
  // 32-bit visual to make ARGB windows with.
  bool ClaimCompositor() {
    XVisualInfo vi;
    if (!XMatchVisualInfo(reader, DefaultScreen(reader), 32, TrueColor, &vi)) return false;
    Window owner = XCreateSimpleWindow(reader, DefaultRootWindow(reader), -10, -10, 1, 1, 0, 0, 0);
    XSetSelectionOwner(reader, XInternAtom(reader, "_NET_WM_CM_S0", False), owner, CurrentTime);
    XSync(reader, False);
    return display->CompositorRunning();
  }
};

TEST_F(X11LayeredTest, PerPixelContentShowsOnAnArgbWindowUnderACompositor) {
  if (!ClaimCompositor()) GTEST_SKIP() << "no 32-bit visual on this server";
  HWND plain = Create(WS_POPUP, Bounds(10, 10, 60, 40));
  HWND glow = Create(WS_POPUP, Bounds(100, 10, 60, 40), WS_EX_LAYERED);
  EXPECT_FALSE(display->IsArgbWindow(display->NativeOf(plain)));
  ASSERT_TRUE(display->IsArgbWindow(display->NativeOf(glow)));
  ShowWindow(glow, SW_SHOWNOACTIVATE);
  Settle();
  // Painted pixels are opaque on the ARGB window.
  EXPECT_EQ(WindowPixel(glow, 50, 35), 0xFF000000u | Rgb24(kLayerFill));

  // Premultiplied content through UpdateLayeredWindow: left half half-covered, right half clear.
  HDC mem = CreateCompatibleDC(nullptr);
  BITMAPINFO bmi;
  bmi.bmiHeader.biWidth = 60;
  bmi.bmiHeader.biHeight = -40;
  bmi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(dib, nullptr);
  auto* px = static_cast<std::uint32_t*>(bits);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x) px[y * 60 + x] = x < 30 ? 0x80402010u : 0u;
  HGDIOBJ old = SelectObject(mem, dib);
  BLENDFUNCTION bf;
  bf.AlphaFormat = AC_SRC_ALPHA;
  POINT src{0, 0};
  SIZE size{60, 40};
  ASSERT_TRUE(UpdateLayeredWindow(glow, nullptr, nullptr, &size, mem, &src, 0, &bf, ULW_ALPHA));
  SelectObject(mem, old);
  DeleteObject(dib);
  DeleteDC(mem);
  Settle();
  EXPECT_TRUE(Mapped(glow));
  EXPECT_EQ(WindowPixel(glow, 5, 5), 0x80402010u);
  EXPECT_EQ(WindowPixel(glow, 50, 5), 0u);
  // A repaint underneath does not replace the content.
  InvalidateRect(glow, nullptr, TRUE);
  Settle();
  EXPECT_EQ(WindowPixel(glow, 5, 5), 0x80402010u);
  EXPECT_EQ(display->ErrorCount(), 0);
}

TEST_F(X11LayeredTest, WithoutACompositorPerPixelContentShowsItsMostlyOpaquePixels) {
  ASSERT_FALSE(display->CompositorRunning());
  HWND glow = Create(WS_POPUP, Bounds(100, 10, 60, 40), WS_EX_LAYERED);
  ShowWindow(glow, SW_SHOWNOACTIVATE);
  HDC mem = CreateCompatibleDC(nullptr);
  BITMAPINFO bmi;
  bmi.bmiHeader.biWidth = 60;
  bmi.bmiHeader.biHeight = -40;
  bmi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(dib, nullptr);
  // Columns 0..19 alpha 0xC0 (premultiplied 0x604020 is straight 0x80552B),
  // 20..39 alpha 0x40, 40..59 clear.
  auto* px = static_cast<std::uint32_t*>(bits);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x) px[y * 60 + x] = x < 20 ? 0xC0604020u : x < 40 ? 0x40202020u : 0u;
  HGDIOBJ old = SelectObject(mem, dib);
  BLENDFUNCTION bf;
  bf.AlphaFormat = AC_SRC_ALPHA;
  POINT src{0, 0};
  SIZE size{60, 40};
  ASSERT_TRUE(UpdateLayeredWindow(glow, nullptr, nullptr, &size, mem, &src, 0, &bf, ULW_ALPHA));
  SelectObject(mem, old);
  DeleteObject(dib);
  DeleteDC(mem);
  Settle();
  EXPECT_TRUE(Mapped(glow));
  EXPECT_EQ(ScreenPixel(100 + 5, 10 + 5), 0x80552Bu);
  EXPECT_EQ(ScreenPixel(100 + 25, 10 + 5), kRootColour);
  EXPECT_EQ(ScreenPixel(100 + 50, 10 + 5), kRootColour);
  // Back to painting: the whole window again.
  SetWindowLongPtr(glow, GWL_EXSTYLE, 0);
  Settle();
  EXPECT_EQ(ScreenPixel(100 + 50, 10 + 5), Rgb24(kLayerFill));
  EXPECT_EQ(display->ErrorCount(), 0);
}

TEST_F(X11LayeredTest, ColourKeyCutsThePresentedPixelsOutOfTheShape) {
  HWND w = Create(WS_POPUP, Bounds(50, 60, 80, 50), WS_EX_LAYERED);
  ASSERT_TRUE(SetLayeredWindowAttributes(w, kKey, 255, LWA_COLORKEY));
  ShowWindow(w, SW_SHOWNOACTIVATE);
  Settle();
  EXPECT_EQ(ScreenPixel(50 + 5, 60 + 5), Rgb24(kLayerFill));
  EXPECT_EQ(ScreenPixel(50 + 20, 60 + 20), kRootColour);  // the key colour is a hole
  int count = 0, ordering = 0;
  XRectangle* rects = XShapeGetRectangles(reader, NativeOf(w), ShapeBounding, &count, &ordering);
  ASSERT_NE(rects, nullptr);
  auto inside = [&](int x, int y) {
    for (int i = 0; i < count; ++i)
      if (x >= rects[i].x && x < rects[i].x + rects[i].width && y >= rects[i].y && y < rects[i].y + rects[i].height)
        return true;
    return false;
  };
  const struct {
    int x, y;
    bool in;
  } probes[] = {{0, 0, true}, {9, 8, true}, {10, 8, false}, {39, 29, false}, {40, 29, true}, {20, 30, true}};
  for (const auto& p : probes) EXPECT_EQ(inside(p.x, p.y), p.in) << p.x << "," << p.y;
  XFree(rects);
  // No key: the whole window again.
  ASSERT_TRUE(SetLayeredWindowAttributes(w, 0, 255, LWA_ALPHA));
  Settle();
  EXPECT_EQ(ScreenPixel(50 + 20, 60 + 20), Rgb24(kKey));
}

TEST_F(X11LayeredTest, BigIconBecomesNetWmIcon) {
  HWND w = Create(WS_OVERLAPPEDWINDOW, Bounds(10, 10, 80, 60));
  SendMessage(w, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(LoadIcon(nullptr, MAKEINTRESOURCE(IDI_ERROR))));
  Settle();
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  ASSERT_EQ(XGetWindowProperty(reader, NativeOf(w), XInternAtom(reader, "_NET_WM_ICON", False), 0, 4096, False,
                               XA_CARDINAL, &type, &format, &count, &after, &data),
            Success);
  ASSERT_NE(data, nullptr);
  ASSERT_EQ(count, 2u + 32u * 32u);
  const long* v = reinterpret_cast<const long*>(data);
  EXPECT_EQ(v[0], 32);
  EXPECT_EQ(v[1], 32);
  EXPECT_EQ(std::uint32_t(v[2]), 0u);                        // corner: clear
  EXPECT_EQ(std::uint32_t(v[2 + 3 * 32 + 16]), 0xFFC00000u);  // red, opaque
  XFree(data);
}

TEST_F(X11LayeredTest, SidewaysWheelButtonsAndActivationRequests) {
  HWND a = Create(WS_POPUP, Bounds(10, 10, 60, 40));
  HWND b = Create(WS_POPUP | WS_CAPTION, Bounds(100, 10, 60, 40));
  ShowWindow(a, SW_SHOWNORMAL);
  ShowWindow(b, SW_SHOWNORMAL);
  Settle();
  // No window manager runs: activation focuses the X window itself.
  SetForegroundWindow(b);
  Settle();
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(reader, &focus, &revert);
  EXPECT_EQ(focus, NativeOf(b));
  SetFocus(b);
  for (unsigned button : {6u, 7u}) {
    XEvent ev{};
    ev.xbutton.type = ButtonPress;
    ev.xbutton.window = NativeOf(b);
    ev.xbutton.root = DefaultRootWindow(reader);
    ev.xbutton.x = ev.xbutton.y = 5;
    ev.xbutton.x_root = 105;
    ev.xbutton.y_root = 15;
    ev.xbutton.button = button;
    ev.xbutton.same_screen = True;
    XSendEvent(reader, NativeOf(b), False, ButtonPressMask, &ev);
    ev.xbutton.type = ButtonRelease;
    XSendEvent(reader, NativeOf(b), False, ButtonReleaseMask, &ev);
  }
  Settle();
  ASSERT_EQ(g_msgs.size(), 2u);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(g_msgs[0].wParam), -WHEEL_DELTA);  // 6: left
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(g_msgs[1].wParam), WHEEL_DELTA);   // 7: right
  EXPECT_EQ(LParamToPoint(g_msgs[1].lParam), Point(105, 15));
}

// Premultiplied content in thirds: opaque-ish brown (alpha 0xC0), faint red
// (0x40) and clear, put on `h` through UpdateLayeredWindow.
void PutThirds(HWND h, int width, int height) {
  HDC mem = CreateCompatibleDC(nullptr);
  BITMAPINFO bmi;
  bmi.bmiHeader.biWidth = width;
  bmi.bmiHeader.biHeight = -height;
  bmi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(dib, nullptr);
  auto* px = static_cast<std::uint32_t*>(bits);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      px[y * width + x] = x < width / 3 ? 0xC0604020u : x < 2 * width / 3 ? 0x40400000u : 0u;
  HGDIOBJ old = SelectObject(mem, dib);
  BLENDFUNCTION bf;
  bf.AlphaFormat = AC_SRC_ALPHA;
  POINT src{0, 0};
  SIZE size{width, height};
  EXPECT_TRUE(UpdateLayeredWindow(h, nullptr, nullptr, &size, mem, &src, 0, &bf, ULW_ALPHA));
  SelectObject(mem, old);
  DeleteObject(dib);
  DeleteDC(mem);
}

// Whether (x, y) of the window takes clicks (inside its input shape).
bool TakesClicks(Display* reader, Window w, int x, int y) {
  int count = 0, ordering = 0;
  XRectangle* rects = XShapeGetRectangles(reader, w, ShapeInput, &count, &ordering);
  bool inside = false;
  for (int i = 0; i < count; ++i)
    inside |= x >= rects[i].x && y >= rects[i].y && x < rects[i].x + rects[i].width && y < rects[i].y + rects[i].height;
  if (rects) XFree(rects);
  return inside;
}

TEST_F(X11LayeredTest, PerPixelWindowsFollowTheCompositorAsItComesAndGoes) {
  // A glow layer up before any compositor runs: its mostly opaque pixels
  // show, cut out by a shape.
  HWND glow = Create(WS_POPUP, Bounds(60, 40, 90, 60), WS_EX_LAYERED | WS_EX_TOOLWINDOW);
  ASSERT_TRUE(glow);
  ShowWindow(glow, SW_SHOWNOACTIVATE);
  PutThirds(glow, 90, 60);
  Settle();
  EXPECT_TRUE(Mapped(glow));
  EXPECT_EQ(ScreenPixel(60 + 5, 40 + 5), 0x80552Bu);
  EXPECT_EQ(ScreenPixel(60 + 45, 40 + 5), kRootColour);
  EXPECT_EQ(ScreenPixel(60 + 80, 40 + 5), kRootColour);
  MaybeSaveScreenshot(reader, "layered-without-compositor");

  std::string why;
  if (!wm.Start("xcompmgr", {}, server.Name(), &why)) LUMIQA_SKIP_MISSING_PACKAGE(why);
  ASSERT_TRUE(WaitUntil([&] { return display->CompositorRunning(); })) << "xcompmgr never took the selection";
  // The X window showing it now (made anew on the ARGB visual).
  auto shown = [&] { return Window(display->XWindowOf(glow)); };
  auto viewable = [&] {
    XWindowAttributes wa;
    return XGetWindowAttributes(reader, shown(), &wa) && wa.map_state == IsViewable;
  };
  auto pixel = [&](int x, int y) {
    XImage* img = XGetImage(reader, shown(), x, y, 1, 1, AllPlanes, ZPixmap);
    if (!img) return 0xDEADBEEFu;
    std::uint32_t p = std::uint32_t(XGetPixel(img, 0, 0));
    XDestroyImage(img);
    return p;
  };
  // Now blended: an ARGB window holding the content as it is, whose clear
  // pixels let clicks through.
  ASSERT_TRUE(WaitUntil([&] {
    return display->IsArgbWindow(display->NativeOf(glow)) && viewable() && pixel(45, 5) == 0x40400000u;
  }));
  EXPECT_EQ(pixel(5, 5), 0xC0604020u);
  EXPECT_TRUE(TakesClicks(reader, shown(), 5, 5));
  EXPECT_TRUE(TakesClicks(reader, shown(), 45, 5));
  EXPECT_FALSE(TakesClicks(reader, shown(), 80, 5)) << "clicks on clear pixels pass through";
  // What the compositor shows: each third blended over the grey root
  // (premultiplied: colour + root * (255 - alpha) / 255), the clear one
  // leaving it as it is.
  auto near = [](std::uint32_t a, std::uint32_t b) {
    for (int shift : {0, 8, 16})
      if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > 2) return false;
    return true;
  };
  EXPECT_TRUE(WaitUntil([&] {
    return near(ScreenPixel(60 + 5, 40 + 5), 0x806040u) && near(ScreenPixel(60 + 45, 40 + 5), 0xA06060u) &&
           ScreenPixel(60 + 80, 40 + 5) == kRootColour;
  })) << std::hex << ScreenPixel(60 + 5, 40 + 5) << " " << ScreenPixel(60 + 45, 40 + 5) << " "
      << ScreenPixel(60 + 80, 40 + 5);
  MaybeSaveScreenshot(reader, "layered-with-compositor");

  // The compositor stops while the window is up: no black where it was
  // clear, the mostly opaque pixels stay.
  wm.Stop();
  ASSERT_TRUE(WaitUntil([&] { return !display->CompositorRunning(); }));
  EXPECT_TRUE(WaitUntil([&] {
    return ScreenPixel(60 + 80, 40 + 5) == kRootColour && ScreenPixel(60 + 45, 40 + 5) == kRootColour &&
           ScreenPixel(60 + 5, 40 + 5) == 0x80552Bu;
  })) << std::hex << ScreenPixel(60 + 5, 40 + 5) << " " << ScreenPixel(60 + 45, 40 + 5) << " "
      << ScreenPixel(60 + 80, 40 + 5);
  MaybeSaveScreenshot(reader, "layered-after-compositor");
  EXPECT_EQ(display->ErrorCount(), 0);
}

// Real clicks (XTest) on a per-pixel layered form managed by the window
// manager the parameter names, with another program's window beneath it.
class X11LayeredClickTest : public X11LayeredTest, public ::testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override {
    X11LayeredTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    StartWindowManager(GetParam());
    if (IsSkipped() || HasFatalFailure()) return;
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(reader, &eventBase, &errorBase, &major, &minor))
      LUMIQA_SKIP_MISSING_PACKAGE("the server has no XTEST");
    // On a connection of its own, so its presses wait for us.
    other = XOpenDisplay(server.Name().c_str());
    ASSERT_NE(other, nullptr);
    beneath = XCreateSimpleWindow(other, DefaultRootWindow(other), 20, 20, 260, 180, 0, 0, 0xC0C0C0);
    XSelectInput(other, beneath, ButtonPressMask);
    XMapWindow(other, beneath);
    XSync(other, False);
    ASSERT_TRUE(WaitUntil([&] { return Viewable(beneath); }));
  }
  void TearDown() override {
    compositor.Stop();
    if (other) XCloseDisplay(other);
    other = nullptr;
    X11LayeredTest::TearDown();
  }

  void StartCompositor() {
    std::string why;
    if (!compositor.Start("xcompmgr", {}, server.Name(), &why)) LUMIQA_SKIP_MISSING_PACKAGE(why);
    ASSERT_TRUE(WaitUntil([&] { return display->CompositorRunning(); })) << "xcompmgr never took the selection";
  }
  // Left third mostly opaque, middle faint, right third clear.
  void ShowForm() {
    form = Create(WS_POPUP, at, WS_EX_LAYERED);
    ASSERT_TRUE(form);
    ShowWindow(form, SW_SHOWNORMAL);
    PutThirds(form, at.Width(), at.Height());
    ASSERT_TRUE(WaitUntil([&] { return OnTop(); }));
  }
  Window Shown() { return Window(display->XWindowOf(form)); }
  bool OnTop() {
    std::vector<long> stacking = Property(DefaultRootWindow(reader), "_NET_CLIENT_LIST_STACKING");
    return Viewable(Shown()) && !stacking.empty() && Window(stacking.back()) == Shown();
  }
  // A click that reaches the window beneath raises it; the form comes back
  // on top as the task bar would bring it.
  bool BringBack() {
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = Shown();
    ev.xclient.message_type = XInternAtom(reader, "_NET_ACTIVE_WINDOW", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = 2;
    XSendEvent(reader, DefaultRootWindow(reader), False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
    XFlush(reader);
    return WaitUntil([&] { return OnTop(); });
  }
  // Who takes a real click at (x, y) of the form: 1 the window beneath, 2
  // the form, 0 neither (the manager's frame) before the wait ends.
  int Click(int x, int y) {
    g_msgs.clear();
    XTestFakeMotionEvent(reader, DefaultScreen(reader), at.Left + x, at.Top + y, CurrentTime);
    XTestFakeButtonEvent(reader, 1, True, CurrentTime);
    XTestFakeButtonEvent(reader, 1, False, CurrentTime);
    XSync(reader, False);
    int who = 0;
    WaitUntil(
        [&] {
          XEvent ev;
          if (XCheckTypedWindowEvent(other, beneath, ButtonPress, &ev)) who = 1;
          for (const MSG& m : g_msgs)
            if (m.message == WM_LBUTTONDOWN && m.hwnd == form) who = 2;
          return who != 0;
        },
        3000);
    return who;
  }
  // Two clear pixels and an opaque one, the form brought back on top after
  // each click that went through.
  void ClearPixelsLetClicksThrough(const char* when) {
    SCOPED_TRACE(when);
    EXPECT_EQ(Click(80, 30), 1) << "a clear pixel";
    ASSERT_TRUE(BringBack());
    EXPECT_EQ(Click(70, 5), 1) << "another clear pixel";
    ASSERT_TRUE(BringBack());
    EXPECT_EQ(Click(5, 30), 2) << "an opaque pixel";
  }

  const RECT at = Bounds(60, 40, 90, 60);
  Display* other = nullptr;
  Window beneath = 0;
  HWND form = nullptr;
  TChildProgram compositor;
};

// Up before the compositor started: the form is made anew as an ARGB window,
// whose clear pixels let clicks through as the shaped one did.
TEST_P(X11LayeredClickTest, ClearPixelsLetRealClicksThroughWhenACompositorComesLater) {
  ShowForm();
  Settle();
  ASSERT_TRUE(WindowManagerCaughtUp());
  ClearPixelsLetClicksThrough("no compositor");
  StartCompositor();
  if (IsSkipped() || HasFatalFailure()) return;
  ASSERT_TRUE(WaitUntil([&] { return display->IsArgbWindow(display->NativeOf(form)) && OnTop(); }));
  Settle();
  // The manager has framed the new window and heard all we told it.
  ASSERT_TRUE(WindowManagerCaughtUp());
  ClearPixelsLetClicksThrough("the form made anew under the compositor");
}

TEST_P(X11LayeredClickTest, ClearPixelsLetRealClicksThroughWhenTheCompositorRanFromTheStart) {
  StartCompositor();
  if (IsSkipped() || HasFatalFailure()) return;
  ShowForm();
  ASSERT_TRUE(display->IsArgbWindow(display->NativeOf(form)));
  Settle();
  ASSERT_TRUE(WindowManagerCaughtUp());
  ClearPixelsLetClicksThrough("compositor from the start");
}

// Both copy a client's input shape to their frame only when told of a change.
INSTANTIATE_TEST_SUITE_P(Managers, X11LayeredClickTest, ::testing::Values("openbox", "xfwm4"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

}  // namespace
