// The caret overlay, per-pixel layered content, minimizing and the
// clipboard as the headless display sees them.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/backend/headless/HeadlessDisplay.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/User.h"

namespace {

class OverlayTest : public ::testing::Test {
 protected:
  THeadlessSession session;
  THeadlessDisplay& display = session.display;

  void SetUp() override {
    WNDCLASS wc;
    wc.lpfnWndProc = DefWindowProc;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(std::uintptr_t(COLOR_BTNFACE + 1));
    wc.lpszClassName = "OverlayWnd";
    ASSERT_NE(RegisterClass(&wc), 0);
  }
  void TearDown() override {
    DestroyCaret();
    while (HWND h = GetTopWindow(nullptr)) DestroyWindow(h);
    display.RunUntilIdle();
    UnregisterClass("OverlayWnd", nullptr);
  }
  HWND Popup(int x, int y, int w, int h, DWORD ex = 0) {
    return CreateWindowEx(ex, "OverlayWnd", "", WS_POPUP | WS_VISIBLE, x, y, w, h, nullptr, nullptr, nullptr, nullptr);
  }
  COLORREF SurfaceAt(HWND w, int x, int y) {
    const Surface* s = WindowSurface(w);
    std::uint32_t p = reinterpret_cast<const std::uint32_t*>(s->Row(y))[x];
    return RGB(int((p >> 16) & 0xFF), int((p >> 8) & 0xFF), int(p & 0xFF));
  }
  static COLORREF Inverted(COLORREF c) { return c ^ 0xFFFFFF; }
  void Fill(HWND w, const RECT& r, COLORREF c) {
    HDC dc = GetDC(w);
    HBRUSH b = CreateSolidBrush(c);
    FillRect(dc, &r, b);
    DeleteObject(b);
    ReleaseDC(w, dc);
  }
};

TEST_F(OverlayTest, CaretBlinksOnTheVirtualClockAndNeverTouchesTheWindowsPixels) {
  HWND w = Popup(0, 0, 100, 100);
  display.RunUntilIdle();
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  ASSERT_TRUE(CreateCaret(w, nullptr, 2, 10));
  SetCaretPos(10, 20);
  display.RunUntilIdle();
  EXPECT_EQ(display.PixelAt(w, 10, 20), face);  // created hidden
  ASSERT_TRUE(ShowCaret(w));
  display.RunUntilIdle();
  EXPECT_EQ(display.PixelAt(w, 10, 20), Inverted(face));
  EXPECT_EQ(display.PixelAt(w, 11, 29), Inverted(face));
  EXPECT_EQ(display.PixelAt(w, 12, 20), face);
  EXPECT_EQ(display.PixelAt(w, 10, 30), face);
  EXPECT_EQ(SurfaceAt(w, 10, 20), face);

  display.AdvanceTime(529);
  EXPECT_EQ(display.PixelAt(w, 10, 20), Inverted(face));
  display.AdvanceTime(1);
  EXPECT_EQ(display.PixelAt(w, 10, 20), face);
  display.AdvanceTime(530);
  EXPECT_EQ(display.PixelAt(w, 10, 20), Inverted(face));

  // Painted over while shown, then blinking off: the new pixels, not stale
  // inverted ones.
  Fill(w, Rect(0, 0, 50, 50), RGB(200, 0, 0));
  display.RunUntilIdle();
  EXPECT_EQ(display.PixelAt(w, 10, 20), Inverted(RGB(200, 0, 0)));
  EXPECT_EQ(SurfaceAt(w, 10, 20), RGB(200, 0, 0));
  InvalidateRect(w, nullptr, TRUE);
  display.RunUntilIdle();
  EXPECT_EQ(display.PixelAt(w, 10, 20), Inverted(face));
  display.AdvanceTime(530);
  EXPECT_EQ(display.PixelAt(w, 10, 20), face);
  EXPECT_EQ(display.PixelAt(w, 5, 5), face);

  // Counted hiding; a move shows the caret at once in its new place.
  display.AdvanceTime(530);
  HideCaret(w);
  HideCaret(w);
  display.RunUntilIdle();
  EXPECT_EQ(display.PixelAt(w, 10, 20), face);
  ShowCaret(w);
  display.AdvanceTime(2000);
  EXPECT_EQ(display.PixelAt(w, 10, 20), face);
  ShowCaret(w);
  SetCaretPos(40, 40);
  display.RunUntilIdle();
  EXPECT_EQ(display.PixelAt(w, 40, 40), Inverted(face));
  EXPECT_EQ(display.PixelAt(w, 10, 20), face);
  DestroyCaret();
  display.RunUntilIdle();
  EXPECT_EQ(display.PixelAt(w, 40, 40), face);
}

TEST_F(OverlayTest, CaretOfAChildIsClippedAndGoesWithIt) {
  HWND p = Popup(0, 0, 100, 100);
  HWND c = CreateWindowEx(0, "OverlayWnd", "", WS_CHILD | WS_VISIBLE, 10, 10, 20, 20, p, nullptr, nullptr, nullptr);
  display.RunUntilIdle();
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  ASSERT_TRUE(CreateCaret(c, reinterpret_cast<HBITMAP>(1), 4, 30));  // grey, taller than the child
  ShowCaret(c);
  display.RunUntilIdle();
  EXPECT_EQ(display.PixelAt(p, 10, 10), Inverted(face));
  EXPECT_EQ(display.PixelAt(p, 11, 10), face);  // grey: every other pixel
  EXPECT_EQ(display.PixelAt(p, 11, 11), Inverted(face));
  EXPECT_EQ(display.PixelAt(p, 10, 30), face);  // below the child: clipped
  DestroyWindow(c);
  display.AdvanceTime(2000);
  EXPECT_EQ(display.PixelAt(p, 10, 10), face);
}

// Writes BGRA pixels into a 32-bit top-down DIB selected into a memory DC.
HDC SourceDC(int w, int h, const std::vector<std::uint32_t>& px, HBITMAP* bm) {
  BITMAPINFO bmi;
  bmi.bmiHeader.biWidth = w;
  bmi.bmiHeader.biHeight = -h;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  *bm = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  std::memcpy(bits, px.data(), px.size() * 4);
  HDC dc = CreateCompatibleDC(nullptr);
  SelectObject(dc, *bm);
  return dc;
}

TEST_F(OverlayTest, PerPixelLayeredContentReachesTheSnapshot) {
  HWND w = Popup(0, 0, 10, 10, WS_EX_LAYERED | WS_EX_TOOLWINDOW);
  display.RunUntilIdle();
  HBITMAP bm;
  HDC src = SourceDC(4, 2, {0x80400000, 0xFF00FF00, 0x00000000, 0xFF0000FF, 1, 2, 3, 4}, &bm);
  POINT at{50, 60};
  SIZE size{4, 2};
  POINT origin{0, 0};
  BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ASSERT_TRUE(UpdateLayeredWindow(w, nullptr, &at, &size, src, &origin, 0, &bf, ULW_ALPHA));
  display.RunUntilIdle();
  const THeadlessDisplay::TNative* n = display.Native(w);
  ASSERT_NE(n, nullptr);
  EXPECT_TRUE(n->perPixel);
  EXPECT_EQ(n->bounds, Bounds(50, 60, 4, 2));
  EXPECT_EQ(display.LayeredPixelAt(w, 0, 0), 0x80400000u);
  EXPECT_EQ(display.LayeredPixelAt(w, 1, 0), 0xFF00FF00u);
  EXPECT_EQ(display.LayeredPixelAt(w, 2, 0), 0u);
  EXPECT_EQ(display.PixelAt(w, 0, 0), RGB(64, 0, 0));
  // Painting does not replace the content.
  InvalidateRect(w, nullptr, TRUE);
  display.RunUntilIdle();
  EXPECT_EQ(display.LayeredPixelAt(w, 1, 0), 0xFF00FF00u);

  // Constant alpha scales every channel of the kept content; a move alone
  // keeps it.
  bf.SourceConstantAlpha = 128;
  POINT moved{70, 80};
  ASSERT_TRUE(UpdateLayeredWindow(w, nullptr, &moved, nullptr, nullptr, nullptr, 0, &bf, ULW_ALPHA));
  EXPECT_EQ(display.Native(w)->bounds, Bounds(70, 80, 4, 2));
  EXPECT_EQ(display.LayeredPixelAt(w, 1, 0), 0x80008000u);
  EXPECT_EQ(display.LayeredPixelAt(w, 0, 0), 0x40200000u);

  // Colour key without alpha: opaque except the key.
  ASSERT_TRUE(UpdateLayeredWindow(w, nullptr, nullptr, nullptr, src, &origin, RGB(0, 255, 0), nullptr, ULW_COLORKEY));
  EXPECT_EQ(display.LayeredPixelAt(w, 1, 0), 0u);
  EXPECT_EQ(display.LayeredPixelAt(w, 0, 0), 0xFF400000u);
  EXPECT_EQ(display.LayeredPixelAt(w, 3, 0), 0xFF0000FFu);
  ASSERT_TRUE(UpdateLayeredWindow(w, nullptr, nullptr, nullptr, src, &origin, 0, &bf, ULW_OPAQUE));
  EXPECT_EQ(display.LayeredPixelAt(w, 2, 0), 0xFF000000u);

  // Clearing the style brings the painted pixels back.
  SetWindowLong(w, GWL_EXSTYLE, WS_EX_TOOLWINDOW);
  display.RunUntilIdle();
  EXPECT_FALSE(display.Native(w)->perPixel);
  EXPECT_EQ(display.PixelAt(w, 1, 0), GetSysColor(COLOR_BTNFACE));
  DeleteDC(src);
  DeleteObject(bm);
}

TEST_F(OverlayTest, ConstantAttributesReachTheDisplay) {
  HWND w = Popup(0, 0, 10, 10, WS_EX_LAYERED);
  ASSERT_TRUE(SetLayeredWindowAttributes(w, RGB(255, 0, 255), 100, LWA_ALPHA | LWA_COLORKEY));
  EXPECT_EQ(display.Native(w)->opacity, 100);
  EXPECT_EQ(display.Native(w)->colorKey, RGB(255, 0, 255));
  SetWindowLong(w, GWL_EXSTYLE, 0);
  EXPECT_EQ(display.Native(w)->opacity, 255);
  EXPECT_EQ(display.Native(w)->colorKey, CLR_INVALID);
}

TEST_F(OverlayTest, MinimizingIconifiesTheNativeWindow) {
  HWND w = Popup(0, 0, 10, 10);
  ShowWindow(w, SW_MINIMIZE);
  EXPECT_TRUE(display.Native(w)->minimized);
  ShowWindow(w, SW_RESTORE);
  EXPECT_FALSE(display.Native(w)->minimized);
}

TEST_F(OverlayTest, ClipboardTextGoesThroughTheDisplay) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 4);
  std::memcpy(GlobalLock(h), "abc", 4);
  GlobalUnlock(h);
  SetClipboardData(CF_TEXT, h);
  CloseClipboard();
  EXPECT_EQ(display.GetClipboardText(), std::optional<std::string>("abc"));
  // Another program copies something.
  display.SetClipboardText(std::string("from elsewhere"));
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_STREQ(static_cast<const char*>(GlobalLock(GetClipboardData(CF_UNICODETEXT))), "from elsewhere");
  GlobalUnlock(GetClipboardData(CF_UNICODETEXT));
  EmptyClipboard();
  CloseClipboard();
  EXPECT_FALSE(display.GetClipboardText().has_value());
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
}

}  // namespace
