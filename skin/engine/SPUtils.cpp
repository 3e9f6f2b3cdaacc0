// Platform queries and rectangle helpers.
#include "skin/engine/SPUtils.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

#include "platform/gdi/Gdi.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/user/windows/Layered.h"
#include "platform/user/system/Monitors.h"
#include "platform/user/paint/Paint.h"
#include "platform/user/system/SysMetrics.h"

namespace {
// What the platform layer reports as its version.
constexpr int kReportedMajor = 6;
constexpr int kReportedMinor = 1;
constexpr std::uint32_t kMMXFeatureBit = 1u << 23;
}  // namespace

void GetWindowsVersion(int& major, int& minor) {
  major = kReportedMajor;
  minor = kReportedMinor;
}

bool IsWindowsVistaOrLater(int major, int) { return major >= 6; }
bool IsWindowsXPOrLater(int major, int minor) { return major > 5 || (major == 5 && minor == 1); }
bool IsWindows2000OrLater(int major, int minor) {
  return major > 5 || (major == 5 && minor >= 0 && minor <= 2);
}

bool IsWindowsVistaOrLater() {
  int major, minor;
  GetWindowsVersion(major, minor);
  return IsWindowsVistaOrLater(major, minor);
}
bool IsWindowsXPOrLater() {
  int major, minor;
  GetWindowsVersion(major, minor);
  return IsWindowsXPOrLater(major, minor);
}
bool IsWindows2000OrLater() {
  int major, minor;
  GetWindowsVersion(major, minor);
  return IsWindows2000OrLater(major, minor);
}

bool IsCPUIDSupported() {
#if defined(__i386__) || defined(__x86_64__)
  return __get_cpuid_max(0, nullptr) >= 1;
#else
  return false;
#endif
}

namespace {
void CpuidLeaf1(std::uint32_t& eax, std::uint32_t& edx) {
  eax = edx = 0;
#if defined(__i386__) || defined(__x86_64__)
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (__get_cpuid(1, &a, &b, &c, &d)) {
    eax = a;
    edx = d;
  }
#endif
}
}  // namespace

std::uint32_t GetCPUSignature() {
  std::uint32_t eax, edx;
  CpuidLeaf1(eax, edx);
  return eax;
}

std::uint32_t GetCPUFeatures() {
  std::uint32_t eax, edx;
  CpuidLeaf1(eax, edx);
  return edx;
}

bool IsMMXSupported() {
  if (!IsCPUIDSupported()) return false;
  const std::uint32_t family = (GetCPUSignature() >> 8) & 0xF;
  return family >= 5 && (GetCPUFeatures() & kMMXFeatureBit) != 0;
}

void CopyScreenToBitmap(int X, int Y, TBitmap* bitmap) {
  if (!bitmap || bitmap->Empty()) return;
  HDC screen = GetDC(nullptr);
  if (!screen) return;
  BitBlt(bitmap->Canvas()->Handle(), 0, 0, bitmap->Width(), bitmap->Height(), screen, X, Y, SRCCOPY);
  ReleaseDC(nullptr, screen);
}

bool MultiMonitorAvailable() { return GetSystemMetrics(SM_CMONITORS) > 1; }

void GetScreenWorkArea(bool workArea, TRect& rect) {
  if (workArea) {
    RECT r{};
    if (SystemParametersInfo(SPI_GETWORKAREA, 0, &r, 0)) rect = r;
    return;
  }
  rect = TRect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

void GetMonitorWorkArea(HWND window, bool workArea, TRect& rect) {
  if (!MultiMonitorAvailable()) {
    GetScreenWorkArea(workArea, rect);
    return;
  }
  HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
  MONITORINFO info;
  if (!monitor || !GetMonitorInfo(monitor, &info)) return;
  rect = workArea ? info.rcWork : info.rcMonitor;
}

void SetWindowAlphaBlend(HWND window, Byte alpha) { SetLayeredWindowAttributes(window, 0, alpha, LWA_ALPHA); }

bool RectInRect(const TRect& a, const TRect& b) {
  auto inside = [&b](int x, int y) { return b.Left <= x && x < b.Right && b.Top <= y && y < b.Bottom; };
  return inside(a.Left, a.Top) && inside(a.Right, a.Bottom);
}
