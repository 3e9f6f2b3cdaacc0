// Under a private Xvfb (no compositor): a glow layer shows around its
// window through a shape and follows the window when it moves.
#include "skin/engine/SPUtils.h"

#include <gtest/gtest.h>

#include "platform/gdi/Gdi.h"
#include "tests/platform/backend/x11/X11Fixture.h"
#include "tests/skin/engine/SkinPixels.h"

#include <X11/extensions/shape.h>

using namespace skinpx;

namespace {

constexpr unsigned long kRoot = 0x808080;
constexpr std::uint32_t kWindowColour = 0x204060;  // 0xRRGGBB
constexpr std::uint32_t kGlow = 0x30C0FF;

LRESULT PaintedProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT all;
    GetClientRect(h, &all);
    HBRUSH b = CreateSolidBrush(RGB(0x20, 0x40, 0x60));
    FillRect(dc, &all, b);
    DeleteObject(b);
    EndPaint(h, &ps);
    return 0;
  }
  return DefWindowProc(h, m, wp, lp);
}

class GlowLayerXvfbTest : public TX11Fixture {
 protected:
  void SetUp() override { StartX11(400, 300, "GlowXvfbOwner", PaintedProc, long(kRoot)); }
  void TearDown() override { StopX11(); }
};

// A glow 20 pixels wider than the window on each side: an opaque ring 8
// pixels thick, fading to nothing outside it, and a clear middle.
void GlowPictures(TBitmap& image, TBitmap& mask, int w, int h) {
  image.SetPixelFormat(pf24bit);
  image.SetSize(w, h);
  Fill(image, kGlow);
  mask.SetPixelFormat(pf24bit);
  mask.SetSize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int edge = std::min(std::min(x, y), std::min(w - 1 - x, h - 1 - y));
      const int v = edge < 12 ? edge * 20 : edge < 20 ? 255 : 0;
      SetPx(mask, x, y, Rgb(v, v, v));
    }
}

TEST_F(GlowLayerXvfbTest, GlowShowsAroundTheWindowAndFollowsItsMove) {
  HWND w = CreateWindowEx(0, "GlowXvfbOwner", "", WS_POPUP, 100, 80, 120, 60, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(w, nullptr);
  ShowWindow(w, SW_SHOWNORMAL);
  Settle();
  ASSERT_EQ(ScreenPixel(160, 110), kWindowColour);

  TBitmap image, mask;
  GlowPictures(image, mask, 160, 100);
  TspLayerManager m(nullptr);
  m.TopMost = false;
  m.SetOwnerWindow(w);
  m.Show(80, 60, &image, &mask, 255);
  Settle();
  // The ring shows in the glow colour on all four sides; the faint outer
  // part and the clear middle let the root and the window through.
  EXPECT_EQ(ScreenPixel(80 + 15, 110), kGlow);
  EXPECT_EQ(ScreenPixel(80 + 145, 110), kGlow);
  EXPECT_EQ(ScreenPixel(160, 60 + 15), kGlow);
  EXPECT_EQ(ScreenPixel(160, 60 + 85), kGlow);
  EXPECT_EQ(ScreenPixel(80 + 2, 110), kRoot);
  EXPECT_EQ(ScreenPixel(160, 110), kWindowColour);

  MoveWindow(w, 200, 150, 120, 60, TRUE);
  Settle();
  EXPECT_EQ(ScreenPixel(260, 180), kWindowColour);
  EXPECT_EQ(ScreenPixel(180 + 15, 180), kGlow);
  EXPECT_EQ(ScreenPixel(180 + 145, 180), kGlow);
  EXPECT_EQ(ScreenPixel(260, 130 + 15), kGlow);
  // Nothing left where it was.
  EXPECT_EQ(ScreenPixel(80 + 15, 110), kRoot);

  m.Hide();
  Settle();
  EXPECT_EQ(ScreenPixel(180 + 15, 180), kRoot);
  EXPECT_EQ(display->ErrorCount(), 0);
}

// A glow takes no click anywhere, asks compositors for no shadow, and goes
// while its window is disabled (the owner of a modal dialog).
TEST_F(GlowLayerXvfbTest, GlowTakesNoClickHasNoShadowAndGoesWhileItsWindowIsDisabled) {
  HWND w = CreateWindowEx(0, "GlowXvfbOwner", "", WS_POPUP, 100, 80, 120, 60, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(w, nullptr);
  ShowWindow(w, SW_SHOWNORMAL);
  Settle();
  TBitmap image, mask;
  GlowPictures(image, mask, 160, 100);
  TspLayerManager m(nullptr);
  m.TopMost = false;
  m.SetOwnerWindow(w);
  m.Show(80, 60, &image, &mask, 255);
  Settle();
  ASSERT_NE(m.LayerWindow, nullptr);
  const Window glow = Window(display->XWindowOf(m.LayerWindow->Handle()));
  int count = -1, ordering = 0;
  XRectangle* rects = XShapeGetRectangles(reader, glow, ShapeInput, &count, &ordering);
  if (rects) XFree(rects);
  EXPECT_EQ(count, 0) << "no pixel of the glow takes a click";
  EXPECT_TRUE(HasAtom(glow, "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_DND"));
  for (const char* shadow : {"_COMPTON_SHADOW", "_PICOM_SHADOW"}) {
    const std::vector<long> v = Property(glow, shadow);
    ASSERT_EQ(v.size(), 1u) << shadow;
    EXPECT_EQ(v[0], 0) << shadow;
  }
  // The window layer passes the mouse through as well: the ring's pixels
  // belong to what lies under them.
  EXPECT_EQ(WindowFromPoint(POINT{80 + 15, 110}), nullptr);
  EXPECT_EQ(WindowFromPoint(POINT{160, 110}), w);

  EnableWindow(w, FALSE);
  Settle();
  EXPECT_FALSE(m.LayerVisible);
  EXPECT_EQ(ScreenPixel(80 + 15, 110), kRoot);
  EnableWindow(w, TRUE);
  EXPECT_EQ(display->ErrorCount(), 0);
}

}  // namespace
