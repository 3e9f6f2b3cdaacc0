#include "platform/backend/x11/X11Display.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/user/User.h"
#include "tests/platform/backend/x11/X11Fixture.h"
#include "tests/support/XvfbServer.h"
#include "tests/support/MissingPackage.h"

namespace {

constexpr int kCell = 8;

// Cells of distinct colours, shifted by the phase in GWLP_USERDATA, so a
// misplaced row or column of a copied area shows.
COLORREF CellColour(int cx, int cy, int phase) {
  return RGB((cx * 37 + phase * 101) & 0xFF, (cy * 53 + phase * 17) & 0xFF, (cx * 11 + cy * 29 + phase * 71) & 0xFF);
}

LRESULT CellProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  if (m != WM_PAINT) return DefWindowProc(h, m, wp, lp);
  const int phase = int(GetWindowLongPtr(h, GWLP_USERDATA));
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(h, &ps);
  RECT all;
  GetClientRect(h, &all);
  for (int y = 0; y < all.Bottom; y += kCell)
    for (int x = 0; x < all.Right; x += kCell) {
      RECT cell{x, y, x + kCell, y + kCell};
      HBRUSH b = CreateSolidBrush(CellColour(x / kCell, y / kCell, phase));
      FillRect(dc, &cell, b);
      DeleteObject(b);
    }
  EndPaint(h, &ps);
  return 0;
}

// Shared memory segments this process made that something still has
// attached; -1 when the kernel does not list them.
int AttachedSegmentsOfThisProcess() {
  std::ifstream in("/proc/sysvipc/shm");
  if (!in) return -1;
  std::string line;
  std::getline(in, line);  // column names
  int count = 0;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    long long key = 0, id = 0, size = 0, cpid = 0, lpid = 0, attached = 0;
    std::string perms;
    if (!(fields >> key >> id >> perms >> size >> cpid >> lpid >> attached)) continue;
    if (cpid == getpid() && attached > 0) ++count;
  }
  return count;
}

// Restores the variable as it was when the test began.
class TEnvGuard {
 public:
  TEnvGuard() {
    if (const char* v = std::getenv(kNoShm)) saved_ = v, had_ = true;
  }
  ~TEnvGuard() {
    if (had_) setenv(kNoShm, saved_.c_str(), 1);
    else unsetenv(kNoShm);
  }

 private:
  std::string saved_;
  bool had_ = false;
};

class X11ShmTest : public ::testing::Test {
 protected:
  TXvfbServer server;
  TEnvGuard env;
  std::unique_ptr<TX11Display> display;
  Display* reader = nullptr;  // a second client, reading what the server shows
  TDisplay* previous = nullptr;
  bool switched = false;

  void SetUp() override {
    std::string why;
    if (!server.Start(kScreenW, kScreenH, &why)) LUMIQA_SKIP_MISSING_PACKAGE(why);
    if (AttachedSegmentsOfThisProcess() < 0) GTEST_SKIP() << "/proc/sysvipc/shm is not readable";
    reader = XOpenDisplay(server.Name().c_str());
    ASSERT_NE(reader, nullptr);
    WNDCLASS wc;
    wc.lpfnWndProc = CellProc;
    wc.lpszClassName = "X11ShmTestWnd";
    ASSERT_NE(RegisterClass(&wc), 0);
  }

  void TearDown() override {
    CloseDisplay();
    UnregisterClass("X11ShmTestWnd", nullptr);
    if (reader) XCloseDisplay(reader);
    server.Stop();
  }

  void OpenDisplay(bool shared) {
    if (shared) unsetenv(kNoShm);
    else setenv(kNoShm, "1", 1);
    display = TX11Display::Open(server.Name().c_str());
    ASSERT_NE(display, nullptr);
    previous = SetDisplay(display.get());
    switched = true;
  }

  void CloseDisplay() {
    while (HWND h = GetTopWindow(nullptr)) DestroyWindow(h);
    ProcessPendingMessages();
    if (switched) SetDisplay(previous);
    switched = false;
    display.reset();
  }

  HWND Create(RECT r) {
    HWND h = CreateWindowEx(0, "X11ShmTestWnd", "shm", WS_POPUP, r.Left, r.Top, r.Width(), r.Height(), nullptr,
                            nullptr, nullptr, nullptr);
    if (h) SetWindowLongPtr(h, GWLP_USERDATA, 0);
    return h;
  }

  void Settle() {
    for (int i = 0; i < 3; ++i) {
      XSync(reader, False);
      display->Sync();
      ProcessPendingMessages();
    }
    display->Sync();
    XSync(reader, False);
  }

  // The window's pixels as the server holds them, read by the other client.
  std::vector<std::uint32_t> WindowPixels(HWND h, int width, int height) {
    std::vector<std::uint32_t> out;
    XImage* img = XGetImage(reader, Window(display->NativeOf(h)), 0, 0, unsigned(width), unsigned(height), AllPlanes,
                            ZPixmap);
    if (!img) return out;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) out.push_back(std::uint32_t(XGetPixel(img, x, y)) & 0xFFFFFF);
    XDestroyImage(img);
    return out;
  }

  // Pixels that differ from the cells of the phase, or of newPhase inside
  // the area.
  static int Mismatches(const std::vector<std::uint32_t>& px, int width, int height, int phase, RECT area = {},
                        int newPhase = 0) {
    if (px.size() != std::size_t(width) * std::size_t(height)) return -1;
    int bad = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const bool inArea = x >= area.Left && x < area.Right && y >= area.Top && y < area.Bottom;
        if (px[std::size_t(y * width + x)] != Rgb24(CellColour(x / kCell, y / kCell, inArea ? newPhase : phase)))
          ++bad;
      }
    return bad;
  }

  struct TShown {
    std::vector<std::uint32_t> whole;    // after the first paint
    std::vector<std::uint32_t> updated;  // after repainting one area
    int segments = 0;                    // attached while the window was up
    int segmentsAfter = 0;               // after it was destroyed
    int errors = 0;
  };

  static constexpr RECT kWindow{70, 50, 70 + 150, 50 + 110};
  static constexpr RECT kArea{13, 21, 13 + 61, 21 + 37};

  // Shows a window, then repaints one area that is not cell-aligned.
  TShown ShowAndUpdate(bool shared) {
    TShown r;
    OpenDisplay(shared);
    if (!display) return r;
    HWND h = Create(kWindow);
    if (!h) return r;
    ShowWindow(h, SW_SHOWNOACTIVATE);
    Settle();
    r.whole = WindowPixels(h, kWindow.Width(), kWindow.Height());
    SetWindowLongPtr(h, GWLP_USERDATA, 1);
    InvalidateRect(h, &kArea, FALSE);
    UpdateWindow(h);
    Settle();
    r.updated = WindowPixels(h, kWindow.Width(), kWindow.Height());
    r.segments = AttachedSegmentsOfThisProcess();
    r.errors = display->ErrorCount();
    DestroyWindow(h);
    ProcessPendingMessages();
    display->Sync();
    r.segmentsAfter = AttachedSegmentsOfThisProcess();
    CloseDisplay();
    return r;
  }
};

TEST_F(X11ShmTest, SharedAndPlainPresentationShowTheSamePixels) {
  const TShown shm = ShowAndUpdate(true);
  const TShown plain = ShowAndUpdate(false);
  const int w = kWindow.Width(), h = kWindow.Height();

  EXPECT_EQ(Mismatches(shm.whole, w, h, 0), 0);
  EXPECT_EQ(Mismatches(shm.updated, w, h, 0, kArea, 1), 0);
  EXPECT_EQ(Mismatches(plain.whole, w, h, 0), 0);
  EXPECT_EQ(Mismatches(plain.updated, w, h, 0, kArea, 1), 0);
  EXPECT_EQ(shm.whole, plain.whole);
  EXPECT_EQ(shm.updated, plain.updated);

  // Shared memory was really used, and only when allowed; the segment goes
  // with the window.
  EXPECT_EQ(shm.segments, 1);
  EXPECT_EQ(plain.segments, 0);
  EXPECT_EQ(shm.segmentsAfter, 0);
  EXPECT_EQ(plain.segmentsAfter, 0);
  EXPECT_EQ(shm.errors, 0);
  EXPECT_EQ(plain.errors, 0);
}

TEST_F(X11ShmTest, ResizedWindowPresentsThroughANewSegment) {
  OpenDisplay(true);
  HWND h = Create(Bounds(30, 40, 90, 70));
  ASSERT_TRUE(h);
  ShowWindow(h, SW_SHOWNOACTIVATE);
  Settle();
  ASSERT_EQ(Mismatches(WindowPixels(h, 90, 70), 90, 70, 0), 0);
  ASSERT_EQ(AttachedSegmentsOfThisProcess(), 1);

  // Larger than before, with new content everywhere.
  SetWindowLongPtr(h, GWLP_USERDATA, 2);
  SetWindowPos(h, nullptr, 30, 40, 230, 170, SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(h, nullptr, FALSE);
  UpdateWindow(h);
  Settle();
  EXPECT_EQ(Mismatches(WindowPixels(h, 230, 170), 230, 170, 2), 0);
  // The old segment went with the old size.
  EXPECT_EQ(AttachedSegmentsOfThisProcess(), 1);

  // Smaller again: the new size's rows, not the old stride.
  SetWindowLongPtr(h, GWLP_USERDATA, 3);
  SetWindowPos(h, nullptr, 30, 40, 57, 45, SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(h, nullptr, FALSE);
  UpdateWindow(h);
  Settle();
  EXPECT_EQ(Mismatches(WindowPixels(h, 57, 45), 57, 45, 3), 0);
  EXPECT_EQ(AttachedSegmentsOfThisProcess(), 1);
  EXPECT_EQ(display->ErrorCount(), 0);

  // The segment goes with the window.
  DestroyWindow(h);
  ProcessPendingMessages();
  display->Sync();
  EXPECT_EQ(AttachedSegmentsOfThisProcess(), 0);
}

}  // namespace
