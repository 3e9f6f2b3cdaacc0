#include "skin/engine/SPUtils.h"

#include <gtest/gtest.h>

#include "platform/backend/headless/HeadlessDisplay.h"
#include "platform/user/windows/Layered.h"
#include "platform/user/windows/DefWindowProc.h"
#include "platform/user/windows/Window.h"
#include "platform/user/windows/WindowClass.h"

namespace {

// A plain popup window of a class registered once.
HWND PlainPopup(DWORD exStyle, int x, int y, int w, int h) {
  static const bool registered = [] {
    WNDCLASS wc{};
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = "SPUtilsTestWindow";
    return RegisterClass(&wc) != 0;
  }();
  if (!registered) return nullptr;
  return CreateWindowEx(exStyle, "SPUtilsTestWindow", "", WS_POPUP, x, y, w, h, nullptr, nullptr, nullptr, nullptr);
}

TEST(SPUtilsRects, EdgesThatCount) {
  const TRect r{0, 0, 10, 10};
  EXPECT_TRUE(IsPointInRect(r, TPoint{10, 10}));
  EXPECT_TRUE(IsPointInRect(r, TPoint{0, 10}));
  EXPECT_FALSE(IsPointInRect(r, TPoint{11, 5}));
  EXPECT_FALSE(IsPointInRect(r, TPoint{5, -1}));
  EXPECT_FALSE(RectInRect(r, r));
  EXPECT_TRUE(RectInRect(TRect{1, 1, 9, 9}, r));
  EXPECT_FALSE(RectInRect(TRect{-1, 1, 9, 9}, r));
  EXPECT_TRUE(IsNullRect(TRect{5, 5, 5, 9}));
  EXPECT_TRUE(IsNullRect(TRect{5, 5, 9, 4}));
  EXPECT_FALSE(IsNullRect(TRect{5, 5, 6, 6}));
  EXPECT_TRUE(IsNullPoint(TPoint{0, 7}));
  EXPECT_TRUE(IsNullPoint(TPoint{7, 0}));
  EXPECT_FALSE(IsNullPoint(TPoint{-1, 7}));
  TRect z{1, 2, 3, 4};
  ResetRect(z);
  EXPECT_TRUE(RectsAreEqual(z, TRect{0, 0, 0, 0}));
  EXPECT_FALSE(RectsAreEqual(r, TRect{0, 0, 10, 11}));
  EXPECT_EQ(RectWidth(TRect{3, 0, 10, 0}), 7);
  EXPECT_EQ(RectHeight(TRect{0, 3, 0, 1}), -2);
  EXPECT_EQ(IntMax(-3, 2), 2);
  EXPECT_EQ(IntMin(-3, 2), -3);
}

struct VersionCase {
  int major, minor;
  bool vista, xp, w2000;
};

TEST(SPUtilsVersion, VersionTests) {
  const VersionCase cases[] = {
      {4, 0, false, false, false}, {5, 0, false, false, true}, {5, 1, false, true, true},
      {5, 2, false, false, true},  {5, 3, false, false, false}, {6, 0, true, true, true},
      {6, 1, true, true, true},    {10, 0, true, true, true},
  };
  for (const VersionCase& c : cases) {
    EXPECT_EQ(IsWindowsVistaOrLater(c.major, c.minor), c.vista) << c.major << "." << c.minor;
    EXPECT_EQ(IsWindowsXPOrLater(c.major, c.minor), c.xp) << c.major << "." << c.minor;
    EXPECT_EQ(IsWindows2000OrLater(c.major, c.minor), c.w2000) << c.major << "." << c.minor;
  }
  int major = 0, minor = 0;
  GetWindowsVersion(major, minor);
  EXPECT_EQ(major, 6);
  EXPECT_EQ(minor, 1);
  EXPECT_TRUE(IsWindows2000OrLater());
}

TEST(SPUtilsProcessor, MMXFollowsTheFeatureBits) {
  if (!IsCPUIDSupported()) GTEST_SKIP() << "no CPUID";
  const bool expected = ((GetCPUSignature() >> 8) & 0xF) >= 5 && (GetCPUFeatures() & (1u << 23));
  EXPECT_EQ(IsMMXSupported(), expected);
}

TEST(SPUtilsMonitors, SingleMonitorGivesTheDesktopWorkArea) {
  THeadlessSession s;
  s.display.SetMonitors({TMonitorRec{Bounds(0, 0, 1600, 900), Bounds(0, 0, 1600, 860), true}});
  EXPECT_FALSE(MultiMonitorAvailable());
  TRect r;
  GetMonitorWorkArea(nullptr, true, r);
  EXPECT_TRUE(RectsAreEqual(r, Bounds(0, 0, 1600, 860)));
  GetMonitorWorkArea(nullptr, false, r);
  EXPECT_TRUE(RectsAreEqual(r, Bounds(0, 0, 1600, 900)));
}

TEST(SPUtilsMonitors, SecondMonitorAnswersForAWindowOnIt) {
  THeadlessSession s;
  s.display.SetMonitors({TMonitorRec{Bounds(0, 0, 1280, 1024), Bounds(0, 0, 1280, 984), true},
                         TMonitorRec{Bounds(1280, 0, 1024, 768), Bounds(1280, 30, 1024, 738), false}});
  ASSERT_TRUE(MultiMonitorAvailable());
  HWND w = PlainPopup(0, 1400, 100, 50, 50);
  ASSERT_NE(w, nullptr);
  TRect r;
  GetMonitorWorkArea(w, true, r);
  EXPECT_TRUE(RectsAreEqual(r, Bounds(1280, 30, 1024, 738)));
  GetMonitorWorkArea(w, false, r);
  EXPECT_TRUE(RectsAreEqual(r, Bounds(1280, 0, 1024, 768)));
  DestroyWindow(w);
}

TEST(SPUtilsWindowAlpha, SetsTheConstantAlphaOfALayeredWindow) {
  THeadlessSession s;
  HWND w = PlainPopup(WS_EX_LAYERED, 10, 10, 50, 50);
  ASSERT_NE(w, nullptr);
  SetWindowAlphaBlend(w, 200);
  Byte alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(w, nullptr, &alpha, &flags));
  EXPECT_EQ(alpha, 200);
  EXPECT_EQ(flags & LWA_ALPHA, LWA_ALPHA);
  DestroyWindow(w);
}

}  // namespace
