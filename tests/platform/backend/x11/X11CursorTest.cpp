// Under a private Xvfb: cursor images as pixmap cursors, freed with their
// cursor object, the blank cursor while ShowCursor's counter is below 0,
// and a window made layered after creation moving to an ARGB X window.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/backend/x11/X11CursorBits.h"
#include "platform/backend/x11/X11Display.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/User.h"
#include "tests/platform/backend/x11/X11Fixture.h"

#define Region XlibRegion
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/shape.h>
#undef Region

namespace {

int g_readerErrors = 0;
unsigned char g_lastError = 0;

int CountError(Display*, XErrorEvent* e) {
  ++g_readerErrors;
  g_lastError = e->error_code;
  return 0;
}

LRESULT PlainProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_SETCURSOR) return TRUE;  // the test sets the cursor itself
  return DefWindowProc(h, m, wp, lp);
}

// 16 x 16 planes, rows of 2 bytes, leftmost pixel in the top bit: the left
// half is opaque black, columns 8..11 opaque white, the rest transparent.
void Planes(std::vector<Byte>& andPlane, std::vector<Byte>& xorPlane) {
  andPlane.assign(32, 0);
  xorPlane.assign(32, 0);
  for (int y = 0; y < 16; ++y) {
    andPlane[std::size_t(y * 2 + 1)] = 0x0F;  // columns 12..15 keep the screen
    xorPlane[std::size_t(y * 2 + 1)] = 0xF0;  // columns 8..11 white
  }
}

class X11CursorTest : public TX11Fixture {
 protected:
  XErrorHandler savedHandler = nullptr;

  void SetUp() override { StartX11(320, 240, "X11CursorWnd", PlainProc); }

  void TearDown() override {
    SetCursor(nullptr);
    StopX11();
  }

  HWND Create(DWORD style, RECT r, DWORD ex = 0) {
    return CreateWindowEx(ex, "X11CursorWnd", "cursor test", style, r.Left, r.Top, r.Width(), r.Height(), nullptr,
                          nullptr, nullptr, nullptr);
  }

  // Whether the server still knows the cursor id: a second client defines
  // it on a window of its own, and BadCursor says it is gone.
  bool CursorExists(std::uintptr_t cursor) {
    Window probe = XCreateSimpleWindow(reader, DefaultRootWindow(reader), 0, 0, 1, 1, 0, 0, 0);
    XSync(reader, False);
    g_readerErrors = 0;
    g_lastError = 0;
    XErrorHandler old = XSetErrorHandler(CountError);
    XDefineCursor(reader, probe, Cursor(cursor));
    XSync(reader, False);
    XSetErrorHandler(old);
    XDestroyWindow(reader, probe);
    XSync(reader, False);
    return g_readerErrors == 0;
  }

  bool ClaimCompositor() {
    XVisualInfo vi;
    if (!XMatchVisualInfo(reader, DefaultScreen(reader), 32, TrueColor, &vi)) return false;
    Window owner = XCreateSimpleWindow(reader, DefaultRootWindow(reader), -10, -10, 1, 1, 0, 0, 0);
    XSetSelectionOwner(reader, XInternAtom(reader, "_NET_WM_CM_S0", False), owner, CurrentTime);
    XSync(reader, False);
    return display->CompositorRunning();
  }
};

TEST(X11CursorBitsTest, MaskIsTheOpaquePixelsAndSourceTheDarkOnes) {
  std::vector<Byte> andPlane, xorPlane;
  Planes(andPlane, xorPlane);
  HCURSOR c = CreateCursor(nullptr, 3, 5, 16, 16, andPlane.data(), xorPlane.data());
  ASSERT_NE(c, nullptr);
  TX11CursorBits bits;
  ASSERT_TRUE(X11CursorBitsOf(c, bits));
  EXPECT_EQ(bits.width, 16);
  EXPECT_EQ(bits.height, 16);
  EXPECT_EQ(bits.hotSpot, Point(3, 5));
  ASSERT_EQ(bits.mask.size(), 32u);
  for (int y : {0, 7, 15})
    for (int x = 0; x < 16; ++x) {
      EXPECT_EQ(bits.Bit(bits.mask, x, y), x < 12) << x << "," << y;
      EXPECT_EQ(bits.Bit(bits.source, x, y), x < 8) << x << "," << y;
    }
  DestroyCursor(c);
  EXPECT_FALSE(X11CursorBitsOf(c, bits));
}

TEST_F(X11CursorTest, CustomCursorBecomesAPixmapCursorFreedWithTheCursor) {
  HWND w = Create(WS_POPUP, Bounds(10, 10, 60, 40));
  ShowWindow(w, SW_SHOWNOACTIVATE);
  SetCursor(LoadCursor(nullptr, MAKEINTRESOURCE(IDC_ARROW)));
  Settle();
  const TNativeWindow native = display->NativeOf(w);
  const std::uintptr_t arrow = display->WindowCursor(native);
  ASSERT_NE(arrow, 0u);
  EXPECT_FALSE(display->IsImageCursor(arrow));

  std::vector<Byte> andPlane, xorPlane;
  Planes(andPlane, xorPlane);
  HCURSOR custom = CreateCursor(nullptr, 3, 5, 16, 16, andPlane.data(), xorPlane.data());
  ASSERT_NE(custom, nullptr);
  SetCursor(custom);
  Settle();
  const std::uintptr_t made = display->WindowCursor(native);
  EXPECT_NE(made, arrow);
  EXPECT_TRUE(display->IsImageCursor(made));
  EXPECT_TRUE(CursorExists(made));
  // Shown again later: the same X cursor, not a new one.
  SetCursor(LoadCursor(nullptr, MAKEINTRESOURCE(IDC_ARROW)));
  Settle();
  EXPECT_EQ(display->WindowCursor(native), arrow);
  SetCursor(custom);
  Settle();
  EXPECT_EQ(display->WindowCursor(native), made);

  ASSERT_TRUE(DestroyCursor(custom));
  Settle();
  EXPECT_FALSE(display->IsImageCursor(made));
  EXPECT_NE(display->WindowCursor(native), made);
  EXPECT_FALSE(CursorExists(made));
  EXPECT_EQ(g_lastError, BadCursor);
  EXPECT_EQ(display->ErrorCount(), 0);
}

TEST_F(X11CursorTest, CursorDestroyedAsAnIconIsFreedToo) {
  HWND w = Create(WS_POPUP, Bounds(10, 10, 60, 40));
  ShowWindow(w, SW_SHOWNOACTIVATE);
  std::vector<Byte> andPlane, xorPlane;
  Planes(andPlane, xorPlane);
  HCURSOR custom = CreateCursor(nullptr, 0, 0, 16, 16, andPlane.data(), xorPlane.data());
  ASSERT_NE(custom, nullptr);
  SetCursor(custom);
  Settle();
  const std::uintptr_t made = display->WindowCursor(display->NativeOf(w));
  ASSERT_TRUE(display->IsImageCursor(made));
  SetCursor(LoadCursor(nullptr, MAKEINTRESOURCE(IDC_CROSS)));
  ASSERT_TRUE(DestroyIcon(custom));
  Settle();
  EXPECT_FALSE(display->IsImageCursor(made));
  EXPECT_FALSE(CursorExists(made));
  EXPECT_EQ(display->ErrorCount(), 0);
}

TEST_F(X11CursorTest, NegativeShowCountShowsTheBlankCursor) {
  HWND w = Create(WS_POPUP, Bounds(10, 10, 60, 40));
  ShowWindow(w, SW_SHOWNOACTIVATE);
  SetCursor(LoadCursor(nullptr, MAKEINTRESOURCE(IDC_ARROW)));
  Settle();
  const TNativeWindow native = display->NativeOf(w);
  const std::uintptr_t arrow = display->WindowCursor(native);
  ASSERT_FALSE(display->IsBlankCursor(arrow));
  const int start = ShowCursor(TRUE) - 1;
  ShowCursor(FALSE);
  ASSERT_GE(start, 0);
  int count = start;
  while (count >= 0) count = ShowCursor(FALSE);
  Settle();
  EXPECT_TRUE(display->IsBlankCursor(display->WindowCursor(native)));
  // Another cursor set meanwhile stays hidden.
  SetCursor(LoadCursor(nullptr, MAKEINTRESOURCE(IDC_IBEAM)));
  Settle();
  EXPECT_TRUE(display->IsBlankCursor(display->WindowCursor(native)));
  SetCursor(LoadCursor(nullptr, MAKEINTRESOURCE(IDC_ARROW)));
  while (count < start) count = ShowCursor(TRUE);
  Settle();
  EXPECT_EQ(display->WindowCursor(native), arrow);
  EXPECT_EQ(display->ErrorCount(), 0);
}

// A cursor set while the program is busy reaches the server without a pass
// of the message loop, on every window of the program; so does the arrow
// put back after the work.
TEST_F(X11CursorTest, SetCursorReachesEveryWindowWithoutTheLoop) {
  int event = 0, error = 0;
  if (!XFixesQueryExtension(reader, &event, &error)) GTEST_SKIP() << "no XFixes";
  HWND a = Create(WS_POPUP, Bounds(10, 10, 60, 40));
  HWND b = Create(WS_POPUP, Bounds(100, 10, 60, 40));
  ShowWindow(a, SW_SHOWNOACTIVATE);
  ShowWindow(b, SW_SHOWNOACTIVATE);
  XWarpPointer(reader, kXNone, DefaultRootWindow(reader), 0, 0, 0, 0, 30, 30);
  // Both looks as the server shows them, each settled through the loop.
  SetCursor(LoadCursor(nullptr, MAKEINTRESOURCE(IDC_WAIT)));
  Settle();
  const std::vector<unsigned long> wait = ShownCursor();
  SetCursor(LoadCursor(nullptr, MAKEINTRESOURCE(IDC_ARROW)));
  Settle();
  const std::vector<unsigned long> arrow = ShownCursor();
  ASSERT_FALSE(arrow.empty());
  ASSERT_NE(wait, arrow);
  const TNativeWindow nativeB = display->NativeOf(b);
  // From here on nothing reads our display's events.
  SetCursor(LoadCursor(nullptr, MAKEINTRESOURCE(IDC_WAIT)));
  EXPECT_TRUE(ServerShowsCursor(wait));
  EXPECT_FALSE(display->IsBlankCursor(display->WindowCursor(nativeB)));
  XWarpPointer(reader, kXNone, DefaultRootWindow(reader), 0, 0, 0, 0, 120, 30);
  EXPECT_TRUE(ServerShowsCursor(wait));
  SetCursor(LoadCursor(nullptr, MAKEINTRESOURCE(IDC_ARROW)));
  EXPECT_TRUE(ServerShowsCursor(arrow));
  XWarpPointer(reader, kXNone, DefaultRootWindow(reader), 0, 0, 0, 0, 30, 30);
  EXPECT_TRUE(ServerShowsCursor(arrow));
  EXPECT_EQ(display->ErrorCount(), 0);
}

std::string WmName(Display* dpy, Window w) {
  char* name = nullptr;
  std::string out;
  if (XFetchName(dpy, w, &name) && name) out = name;
  if (name) XFree(name);
  return out;
}

TEST_F(X11CursorTest, WindowLayeredAfterCreationMovesToAnArgbWindow) {
  if (!ClaimCompositor()) GTEST_SKIP() << "no 32-bit visual on this server";
  HWND under = Create(WS_POPUP, Bounds(0, 0, 200, 150));
  HWND w = Create(WS_POPUP, Bounds(40, 30, 60, 40));
  HWND over = Create(WS_POPUP, Bounds(200, 150, 50, 50));
  ShowWindow(under, SW_SHOWNOACTIVATE);
  ShowWindow(w, SW_SHOWNOACTIVATE);
  ShowWindow(over, SW_SHOWNOACTIVATE);
  HRGN rgn = CreateRectRgn(0, 0, 50, 40);
  SetWindowRgn(w, rgn, TRUE);
  SetCursor(LoadCursor(nullptr, MAKEINTRESOURCE(IDC_HAND)));
  Settle();
  const TNativeWindow native = display->NativeOf(w);
  const Window before = Window(display->XWindowOf(w));
  ASSERT_EQ(before, Window(native));
  ASSERT_FALSE(display->IsArgbWindow(native));
  const std::uintptr_t hand = display->WindowCursor(native);

  SetWindowLong(w, GWL_EXSTYLE, GetWindowLong(w, GWL_EXSTYLE) | WS_EX_LAYERED);
  HDC mem = CreateCompatibleDC(nullptr);
  BITMAPINFO bmi;
  bmi.bmiHeader.biWidth = 60;
  bmi.bmiHeader.biHeight = -40;
  bmi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(dib, nullptr);
  auto* px = static_cast<std::uint32_t*>(bits);
  for (int i = 0; i < 60 * 40; ++i) px[i] = 0x80402010u;
  HGDIOBJ old = SelectObject(mem, dib);
  BLENDFUNCTION bf;
  bf.AlphaFormat = AC_SRC_ALPHA;
  POINT src{0, 0};
  SIZE size{60, 40};
  ASSERT_TRUE(UpdateLayeredWindow(w, nullptr, nullptr, &size, mem, &src, 0, &bf, ULW_ALPHA));
  SelectObject(mem, old);
  DeleteObject(dib);
  DeleteDC(mem);
  Settle();

  // The window layer's id stays; the X window behind it is a new one.
  EXPECT_EQ(display->NativeOf(w), native);
  ASSERT_TRUE(display->IsArgbWindow(native));
  const Window after = Window(display->XWindowOf(w));
  ASSERT_NE(after, before);
  Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  ASSERT_TRUE(XQueryTree(reader, DefaultRootWindow(reader), &root, &parent, &children, &count));
  std::vector<Window> stack(children, children + count);
  if (children) XFree(children);
  EXPECT_EQ(std::count(stack.begin(), stack.end(), before), 0);
  // Where the old one was in the stacking order: between its neighbours.
  const auto at = [&](HWND h) { return std::find(stack.begin(), stack.end(), Window(display->XWindowOf(h))); };
  ASSERT_NE(at(w), stack.end());
  ASSERT_NE(at(under), stack.end());
  ASSERT_NE(at(over), stack.end());
  EXPECT_LT(at(under), at(w));
  EXPECT_LT(at(w), at(over));

  XWindowAttributes wa;
  ASSERT_TRUE(XGetWindowAttributes(reader, after, &wa));
  EXPECT_EQ(wa.depth, 32);
  EXPECT_EQ(wa.map_state, IsViewable);
  EXPECT_EQ(wa.x, 40);
  EXPECT_EQ(wa.y, 30);
  EXPECT_EQ(wa.width, 60);
  EXPECT_EQ(wa.height, 40);
  EXPECT_EQ(WmName(reader, after), "cursor test");
  XImage* img = XGetImage(reader, after, 5, 5, 1, 1, AllPlanes, ZPixmap);
  ASSERT_NE(img, nullptr);
  EXPECT_EQ(std::uint32_t(XGetPixel(img, 0, 0)), 0x80402010u);
  XDestroyImage(img);
  // The region still cuts the right edge off.
  int rects = 0, ordering = 0;
  XRectangle* r = XShapeGetRectangles(reader, after, ShapeBounding, &rects, &ordering);
  ASSERT_NE(r, nullptr);
  ASSERT_EQ(rects, 1);
  EXPECT_EQ(r[0].width, 50);
  EXPECT_EQ(r[0].height, 40);
  XFree(r);
  EXPECT_EQ(display->WindowCursor(native), hand);
  // Calls through the old id reach the new window.
  SetWindowPos(w, nullptr, 70, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  Settle();
  ASSERT_TRUE(XGetWindowAttributes(reader, after, &wa));
  EXPECT_EQ(wa.x, 70);
  EXPECT_EQ(wa.y, 50);
  EXPECT_EQ(display->ErrorCount(), 0);
}

}  // namespace
