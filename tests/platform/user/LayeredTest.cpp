#include <gtest/gtest.h>

#include "WindowTestSupport.h"
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

}  // namespace
