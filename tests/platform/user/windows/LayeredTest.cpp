#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

#include "tests/platform/user/WindowTestSupport.h"
#include "platform/gdi/Gdi.h"

namespace {

struct TAttrCase {
  const char* name;
  COLORREF key;
  Byte alpha;
  DWORD flags;
  COLORREF keyOut;
  Byte alphaOut;
};

TEST_F(WindowTest, LayeredAttributesRoundTrip) {
  const TAttrCase cases[] = {
      {"alpha", 0, 128, LWA_ALPHA, 0, 128},
      {"alpha at full stays reported", 0, 255, LWA_ALPHA, 0, 255},
      {"colour key", RGB(255, 0, 255), 10, LWA_COLORKEY, RGB(255, 0, 255), 255},
      {"both", RGB(1, 2, 3), 40, LWA_ALPHA | LWA_COLORKEY, RGB(1, 2, 3), 40},
  };
  for (const TAttrCase& c : cases) {
    SCOPED_TRACE(c.name);
    HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, WS_EX_LAYERED);
    COLORREF key = 99;
    Byte alpha = 0;
    DWORD flags = 99;
    EXPECT_FALSE(GetLayeredWindowAttributes(w, &key, &alpha, &flags));  // nothing set yet
    ASSERT_TRUE(SetLayeredWindowAttributes(w, c.key, c.alpha, c.flags));
    ASSERT_TRUE(GetLayeredWindowAttributes(w, &key, &alpha, &flags));
    EXPECT_EQ(flags, c.flags);
    EXPECT_EQ(key, c.keyOut);
    EXPECT_EQ(alpha, c.alphaOut);
    // Attributes rule out per-pixel content until the style is cleared.
    BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    EXPECT_FALSE(UpdateLayeredWindow(w, nullptr, nullptr, nullptr, nullptr, nullptr, 0, &bf, ULW_ALPHA));
    SetWindowLong(w, GWL_EXSTYLE, 0);
    EXPECT_FALSE(GetLayeredWindowAttributes(w, &key, &alpha, &flags));
    SetWindowLong(w, GWL_EXSTYLE, WS_EX_LAYERED);
    EXPECT_FALSE(GetLayeredWindowAttributes(w, &key, &alpha, &flags));
    EXPECT_TRUE(UpdateLayeredWindow(w, nullptr, nullptr, nullptr, nullptr, nullptr, 0, &bf, ULW_ALPHA));
    // And per-pixel content rules out reading attributes.
    EXPECT_FALSE(GetLayeredWindowAttributes(w, &key, &alpha, &flags));
    DestroyWindow(w);
  }
  HWND plain = Make("plain", WS_POPUP, 0, 0, 10, 10);
  EXPECT_FALSE(SetLayeredWindowAttributes(plain, 0, 1, LWA_ALPHA));
}

TEST_F(WindowTest, UpdateLayeredWindowMovesAndSizes) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 10, 10, 50, 50, nullptr, WS_EX_LAYERED);
  HDC mem = CreateCompatibleDC(nullptr);
  HBITMAP bm = CreateCompatibleBitmap(mem, 20, 30);
  HGDIOBJ old = SelectObject(mem, bm);
  POINT to{300, 200};
  SIZE size{20, 30};
  POINT from{0, 0};
  BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, 0};
  ASSERT_TRUE(UpdateLayeredWindow(w, nullptr, &to, &size, mem, &from, 0, &bf, ULW_ALPHA));
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r, Bounds(300, 200, 20, 30));
  SIZE bad{0, 5};
  EXPECT_FALSE(UpdateLayeredWindow(w, nullptr, nullptr, &bad, mem, &from, 0, &bf, ULW_ALPHA));
  SelectObject(mem, old);
  DeleteObject(bm);
  DeleteDC(mem);
}

// Layered windows let the mouse through where they show nothing: alpha 0
// in per-pixel content (or a constant alpha of 0), or the colour key.
TEST_F(WindowTest, ClearLayeredPixelsPassTheMouseToTheWindowBelow) {
  const COLORREF key = RGB(255, 0, 255);
  struct TCase {
    const char* name;
    std::function<void(HWND)> setUp;  // the layered window is 40 x 40 at (0, 0)
    POINT solid, clear;               // (-1, -1): no clear point
  };
  // Per-pixel content: the left half half-covered, the right half clear,
  // row 0 in the key colour.
  auto content = [&](HWND w, BLENDFUNCTION bf, DWORD flags) {
    HDC mem = CreateCompatibleDC(nullptr);
    BITMAPINFO bmi;
    bmi.bmiHeader.biWidth = 40;
    bmi.bmiHeader.biHeight = -40;
    bmi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* px = static_cast<std::uint32_t*>(bits);
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 40; ++x) px[y * 40 + x] = y == 0 ? 0xFFFF00FFu : x < 20 ? 0x80402010u : 0u;
    HGDIOBJ old = SelectObject(mem, dib);
    POINT from{0, 0};
    SIZE size{40, 40};
    EXPECT_TRUE(UpdateLayeredWindow(w, nullptr, nullptr, &size, mem, &from, key, &bf, flags));
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
  };
  auto paintKey = [&](HWND w) {
    HDC dc = GetDC(w);
    RECT r{20, 20, 40, 40};
    HBRUSH b = CreateSolidBrush(key);
    FillRect(dc, &r, b);
    DeleteObject(b);
    ReleaseDC(w, dc);
  };
  const TCase cases[] = {
      {"per-pixel alpha", [&](HWND w) { content(w, BLENDFUNCTION{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA}, ULW_ALPHA); },
       {5, 5}, {30, 5}},
      {"per-pixel colour key", [&](HWND w) { content(w, BLENDFUNCTION{}, ULW_COLORKEY); }, {30, 5}, {30, 0}},
      {"per-pixel content, constant alpha 0",
       [&](HWND w) { content(w, BLENDFUNCTION{AC_SRC_OVER, 0, 0, 0}, ULW_ALPHA); }, {-1, -1}, {5, 5}},
      {"painted with a colour key",
       [&](HWND w) {
         SetLayeredWindowAttributes(w, key, 255, LWA_COLORKEY);
         paintKey(w);
       },
       {5, 5}, {30, 30}},
      {"painted, alpha 0", [&](HWND w) { SetLayeredWindowAttributes(w, 0, 0, LWA_ALPHA); }, {-1, -1}, {5, 5}},
      {"painted, alpha 1", [&](HWND w) { SetLayeredWindowAttributes(w, 0, 1, LWA_ALPHA); }, {5, 5}, {-1, -1}},
  };
  for (const TCase& tc : cases) {
    SCOPED_TRACE(tc.name);
    HWND below = Make("below", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40, nullptr, WS_EX_LAYERED);
    Pump();
    tc.setUp(w);
    Pump();
    if (tc.solid.X >= 0) {
      EXPECT_EQ(WindowFromPoint(tc.solid), w);
    }
    if (tc.clear.X >= 0) {
      EXPECT_EQ(WindowFromPoint(tc.clear), below);
      // Clicks there reach the window below.
      ClearLog();
      InputMouseButton(TMouseButton::mbLeft, true, tc.clear);
      InputMouseButton(TMouseButton::mbLeft, false, tc.clear);
      Pump();
      EXPECT_EQ(TRecorder::Get().Of(below, WM_LBUTTONDOWN).size(), 1u);
      EXPECT_EQ(TRecorder::Get().Of(w, WM_LBUTTONDOWN).size(), 0u);
    }
    EXPECT_EQ(WindowFromPoint(Point(60, 60)), below);
    // Without the style the window is solid again (above the clicked one).
    SetWindowPos(w, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowLong(w, GWL_EXSTYLE, 0);
    if (tc.clear.X >= 0) {
      EXPECT_EQ(WindowFromPoint(tc.clear), w);
    }
    DestroyWindow(w);
    DestroyWindow(below);
    clock.Advance(1000);  // no double clicks across cases
  }
}

}  // namespace
