#include "skin/engine/SPUtils.h"

#include <gtest/gtest.h>

#include "platform/backend/headless/HeadlessDisplay.h"
#include "platform/user/User.h"
#include "tests/skin/engine/SkinPixels.h"

using namespace skinpx;

namespace {

class GlowLayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static const bool registered = [] {
      WNDCLASS wc{};
      wc.lpfnWndProc = DefWindowProc;
      wc.lpszClassName = "GlowOwnerWindow";
      return RegisterClass(&wc) != 0;
    }();
    ASSERT_TRUE(registered);
    image.SetPixelFormat(pf24bit);
    image.SetSize(20, 10);
    Fill(image, Rgb(200, 100, 0));
    mask.SetPixelFormat(pf24bit);
    mask.SetSize(20, 10);
    Fill(mask, Rgb(128, 128, 128));
    SetPx(mask, 0, 0, 0);  // a clear corner
  }

  HWND Owner(int x, int y, int w, int h) {
    HWND o = CreateWindowEx(0, "GlowOwnerWindow", "", WS_POPUP, x, y, w, h, nullptr, nullptr, nullptr, nullptr);
    ShowWindow(o, SW_SHOWNORMAL);
    s.display.RunUntilIdle();
    return o;
  }

  // The shown top-level layer windows the display knows.
  int ShownLayers() {
    int n = 0;
    for (HWND h : s.display.Stacking())
      if (s.display.Native(h)->perPixel) ++n;
    return n;
  }

  THeadlessSession s;
  TBitmap image, mask;
};

TEST_F(GlowLayerTest, ShowsThePictureWithItsMaskAsAlphaPremultipliedOnce) {
  TspLayerManager m(nullptr);
  m.Show(100, 50, &image, &mask, 255);
  s.display.RunUntilIdle();
  ASSERT_NE(m.LayerWindow, nullptr);
  EXPECT_TRUE(m.LayerVisible);
  HWND layer = m.LayerWindow->Handle();
  const THeadlessDisplay::TNative* n = s.display.Native(layer);
  ASSERT_NE(n, nullptr);
  EXPECT_TRUE(n->visible);
  EXPECT_TRUE(n->topmost);
  EXPECT_TRUE(RectsAreEqual(n->bounds, Bounds(100, 50, 20, 10)));
  EXPECT_TRUE(GetWindowLongPtr(layer, GWL_EXSTYLE) & WS_EX_LAYERED);
  EXPECT_TRUE(GetWindowLongPtr(layer, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  // Alpha 128 from the grey mask: red (200 * 128 + 127) / 255 = 100,
  // green 50, blue 0.
  EXPECT_EQ(s.display.LayeredPixelAt(layer, 5, 5), 0x80643200u);
  EXPECT_EQ(s.display.LayeredPixelAt(layer, 0, 0), 0u);
}

TEST_F(GlowLayerTest, WithoutAMaskTheLayerIsOpaqueAndWithoutAPictureNothingShows) {
  TspLayerManager m(nullptr);
  m.Show(0, 0, nullptr, &mask, 255);
  EXPECT_EQ(m.LayerWindow, nullptr);
  EXPECT_FALSE(m.LayerVisible);
  TBitmap empty;
  m.Show(0, 0, &empty, nullptr, 255);
  EXPECT_EQ(m.LayerWindow, nullptr);
  m.Show(10, 10, &image, nullptr, 255);
  s.display.RunUntilIdle();
  ASSERT_NE(m.LayerWindow, nullptr);
  EXPECT_EQ(s.display.LayeredPixelAt(m.LayerWindow->Handle(), 0, 0), 0xFFC86400u);
}

TEST_F(GlowLayerTest, ShowingTwiceLeavesOneLayerAndHideRemovesIt) {
  TspLayerManager m(nullptr);
  m.Hide();  // without a layer: only the flag
  EXPECT_FALSE(m.LayerVisible);
  m.Show(10, 10, &image, &mask, 255);
  m.Show(40, 30, &image, &mask, 255);
  s.display.RunUntilIdle();
  EXPECT_EQ(ShownLayers(), 1);
  EXPECT_TRUE(RectsAreEqual(s.display.Native(m.LayerWindow->Handle())->bounds, Bounds(40, 30, 20, 10)));
  m.Hide();
  s.display.RunUntilIdle();
  EXPECT_EQ(m.LayerWindow, nullptr);
  EXPECT_FALSE(m.LayerVisible);
  EXPECT_EQ(ShownLayers(), 0);
}

TEST_F(GlowLayerTest, AClickOnTheLayerDoesNotActivateIt) {
  HWND owner = Owner(300, 300, 100, 100);
  SetActiveWindow(owner);
  s.display.RunUntilIdle();
  TspLayerManager m(nullptr);
  m.Show(10, 10, &image, nullptr, 255);
  s.display.RunUntilIdle();
  s.display.Click(15, 15);
  s.display.RunUntilIdle();
  EXPECT_EQ(GetActiveWindow(), owner);
  DestroyWindow(owner);
}

TEST_F(GlowLayerTest, FollowsItsOwnerWhenItMovesAndGoesWhenItHides) {
  HWND owner = Owner(200, 150, 120, 80);
  TspLayerManager m(nullptr);
  m.TopMost = false;
  m.SetOwnerWindow(owner);
  m.Show(190, 140, &image, &mask, 255);  // 10 pixels up and left of the owner
  s.display.RunUntilIdle();
  ASSERT_NE(m.LayerWindow, nullptr);
  HWND layer = m.LayerWindow->Handle();
  // Right above the owner.
  std::vector<HWND> order = s.display.Stacking();
  ASSERT_GE(order.size(), 2u);
  EXPECT_EQ(order[0], layer);
  EXPECT_EQ(order[1], owner);

  MoveWindow(owner, 400, 300, 120, 80, TRUE);
  s.display.RunUntilIdle();
  EXPECT_TRUE(RectsAreEqual(s.display.Native(layer)->bounds, Bounds(390, 290, 20, 10)));

  // Another window comes between: raising the owner brings the layer along.
  HWND other = Owner(0, 0, 50, 50);
  SetWindowPos(owner, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  s.display.RunUntilIdle();
  order = s.display.Stacking();
  ASSERT_GE(order.size(), 3u);
  EXPECT_EQ(order[0], layer);
  EXPECT_EQ(order[1], owner);
  EXPECT_EQ(order[2], other);

  ShowWindow(owner, SW_HIDE);
  s.display.RunUntilIdle();
  EXPECT_EQ(m.LayerWindow, nullptr);
  EXPECT_FALSE(m.LayerVisible);

  // An owner that goes leaves the manager without one.
  ShowWindow(owner, SW_SHOWNORMAL);
  m.Show(0, 0, &image, &mask, 255);
  DestroyWindow(owner);
  s.display.RunUntilIdle();
  EXPECT_EQ(m.OwnerWindow(), nullptr);
  EXPECT_EQ(m.LayerWindow, nullptr);
  DestroyWindow(other);
}

TEST_F(GlowLayerTest, ManagersSharingAnOwnerUnchainInAnyOrder) {
  HWND owner = Owner(10, 10, 50, 50);
  const LONG_PTR original = GetWindowLongPtr(owner, GWLP_WNDPROC);
  {
    auto a = std::make_unique<TspLayerManager>(nullptr);
    auto b = std::make_unique<TspLayerManager>(nullptr);
    a->SetOwnerWindow(owner);
    b->SetOwnerWindow(owner);
    b->Show(0, 0, &image, &mask, 255);
    a.reset();
    MoveWindow(owner, 30, 10, 50, 50, TRUE);
    s.display.RunUntilIdle();
    EXPECT_TRUE(RectsAreEqual(s.display.Native(b->LayerWindow->Handle())->bounds, Bounds(20, 0, 20, 10)));
  }
  EXPECT_EQ(GetWindowLongPtr(owner, GWLP_WNDPROC), original);
  DestroyWindow(owner);
}

}  // namespace
