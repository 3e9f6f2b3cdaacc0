// The demonstration form under a private Xvfb: what the X server shows
// inside the form's client area is, pixel for pixel, what the headless
// display rendered for the same form. No window manager runs, so the form
// sits exactly where its bounds say.
#include <gtest/gtest.h>

#include <chrono>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tests/platform/ui/forms/DemoForm.h"
#include "platform/backend/headless/HeadlessDisplay.h"
#include "platform/backend/x11/X11Display.h"
#include "platform/ui/forms/Application.h"
#include "platform/ui/controls/ClassicDraw.h"
#include "platform/ui/forms/Screen.h"
#include "platform/user/nonclient/NonClient.h"
#include "platform/user/User.h"
#include "tests/support/XvfbServer.h"
#include "tests/support/MissingPackage.h"

#include "tests/support/Xlib.h"

namespace {

constexpr int kScreenW = 640, kScreenH = 480;

// The client area's pixels (0x00BBGGRR) and where it lies on the screen.
struct TClientShot {
  TRect screen;
  std::vector<COLORREF> pixels;
};

TRect ClientOnScreen(TCustomForm* form) {
  TPoint o = form->ClientToScreen(TPoint{0, 0});
  return Bounds(o.X, o.Y, form->ClientWidth(), form->ClientHeight());
}

// An application object for one scope, the demo form shown in it.
struct TDemoRun {
  TApplication app{nullptr};
  TApplication* saved = Application;
  TDemoForm* form = nullptr;
  TDemoRun() {
    Application = &app;
    form = TCustomForm::New<TDemoForm>(&app);
    SetCustomFrame(form->Handle(), TRUE);
    form->Show();
  }
  ~TDemoRun() {
    app.DestroyComponents();
    ProcessPendingMessages();
    Application = saved;
  }
};

TClientShot HeadlessShot() {
  THeadlessSession s;
  TDemoRun run;
  s.display.RunUntilIdle();
  TClientShot shot;
  shot.screen = ClientOnScreen(run.form);
  RECT wr{};
  GetWindowRect(run.form->Handle(), &wr);
  for (int y = shot.screen.Top; y < shot.screen.Bottom; ++y)
    for (int x = shot.screen.Left; x < shot.screen.Right; ++x)
      shot.pixels.push_back(s.display.PixelAt(run.form->Handle(), x - wr.Left, y - wr.Top));
  return shot;
}

COLORREF FromX(unsigned long p) { return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF); }

// Reads r from the root window through a second connection, as a user sees it.
std::vector<COLORREF> ScreenPixels(Display* reader, const TRect& r) {
  std::vector<COLORREF> out;
  XImage* img = XGetImage(reader, DefaultRootWindow(reader), r.Left, r.Top, unsigned(r.Width()), unsigned(r.Height()),
                          AllPlanes, ZPixmap);
  if (!img) return out;
  out.reserve(size_t(r.Width()) * size_t(r.Height()));
  for (int y = 0; y < r.Height(); ++y)
    for (int x = 0; x < r.Width(); ++x) out.push_back(FromX(XGetPixel(img, x, y)));
  XDestroyImage(img);
  return out;
}

size_t Mismatches(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b, size_t* first) {
  if (a.size() != b.size()) return a.size() + b.size();
  size_t n = 0;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && n++ == 0) *first = i;
  return n;
}

TEST(DemoFormXvfbTest, ClientAreaShowsTheHeadlessPixels) {
  const TClientShot expected = HeadlessShot();
  ASSERT_FALSE(expected.pixels.empty());

  TXvfbServer server;
  std::string why;
  if (!server.Start(kScreenW, kScreenH, &why)) LUMIQA_SKIP_MISSING_PACKAGE(why);
  std::unique_ptr<TX11Display> display = TX11Display::Open(server.Name().c_str());
  ASSERT_NE(display, nullptr);
  std::unique_ptr<Display, int (*)(Display*)> readerConn(XOpenDisplay(server.Name().c_str()), XCloseDisplay);
  Display* reader = readerConn.get();
  ASSERT_NE(reader, nullptr);
  // A root colour no control uses, so an unpresented pixel cannot pass.
  XSetWindowBackground(reader, DefaultRootWindow(reader), 0x123456);
  XClearWindow(reader, DefaultRootWindow(reader));
  XSync(reader, False);
  struct TInstalled {
    TDisplay* previous;
    ~TInstalled() { SetDisplay(previous); }
  } installed{SetDisplay(display.get())};
  {
    TDemoRun run;
    const Window native = Window(display->NativeOf(run.form->Handle()));
    ASSERT_NE(native, 0u);
    EXPECT_EQ(ClientOnScreen(run.form), expected.screen);

    // Polling bounded by time, generously for a loaded machine: each round
    // trips to the server and handles what came back; the window counts as
    // presented once its client matches.
    std::vector<COLORREF> shown;
    size_t bad = 0, first = 0;
    bool mapped = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      display->Sync();
      ProcessPendingMessages();
      XSync(reader, False);
      XWindowAttributes a{};
      mapped = XGetWindowAttributes(reader, native, &a) && a.map_state == IsViewable;
      if (mapped) {
        shown = ScreenPixels(reader, expected.screen);
        bad = Mismatches(shown, expected.pixels, &first);
        if (bad == 0) break;
      }
      display->WaitEvents(20);
    }
    EXPECT_TRUE(mapped);
    ASSERT_EQ(shown.size(), expected.pixels.size());
    const int w = expected.screen.Width();
    EXPECT_EQ(bad, 0u) << "first at client (" << int(first) % w << ", " << int(first) / w << "): screen "
                       << std::hex << shown[first] << ", headless " << expected.pixels[first];

    // Spot checks, so a wholesale failure says which control it hit.
    auto at = [&](TControl* c, int x, int y) {
      TPoint p = c->ClientToScreen(TPoint{x, y});
      return shown[size_t(p.Y - expected.screen.Top) * size_t(w) + size_t(p.X - expected.screen.Left)];
    };
    EXPECT_EQ(at(run.form->panel, 0, 0), ClassicRGB(clBtnHighlight));
    EXPECT_EQ(at(run.form->image, 5, 5), ClassicRGB(clGreen));
    EXPECT_EQ(at(run.form->shape, 30, 16), ClassicRGB(clYellow));
    EXPECT_EQ(at(run.form->ok, 0, 0), ClassicRGB(cl3DDkShadow));
    EXPECT_EQ(at(run.form->progress, 5, 9), ClassicRGB(clHighlight));
  }
}

}  // namespace
