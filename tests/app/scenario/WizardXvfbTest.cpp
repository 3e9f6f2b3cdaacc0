// The real program under a private Xvfb, as a user starts it: the splash
// comes first, then the skinned main window with its toolbar, task panel and
// status bar; closing the window ends the program and removes its history.
// Screenshots go to $LUMIQA_SCREENSHOTS when it is set.
#include <gtest/gtest.h>
#include <unistd.h>

#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/ChildProgram.h"
#include "tests/support/ScreenPng.h"
#include "tests/support/XvfbServer.h"
#include "tests/support/MissingPackage.h"

#include "tests/support/Xlib.h"

namespace {

namespace fs = std::filesystem;

// The program's windows come and go while the test looks at them: one that
// went away between listing and reading fails its request. Xlib's default
// handler would end the whole test process for that, so errors on the
// test's own connection are counted instead and the read is skipped.
class TXErrorTrap {
 public:
  explicit TXErrorTrap(Display* d) {
    display_ = d;
    errors_ = 0;
    previous_ = XSetErrorHandler(Record);
  }
  ~TXErrorTrap() {
    XSetErrorHandler(previous_);
    display_ = nullptr;
  }
  TXErrorTrap(const TXErrorTrap&) = delete;
  TXErrorTrap& operator=(const TXErrorTrap&) = delete;
  static int Errors() { return errors_; }

 private:
  static int Record(Display* d, XErrorEvent* e) {
    if (d == display_) {
      ++errors_;
      return 0;
    }
    return previous_ ? previous_(d, e) : 0;
  }
  static inline Display* display_ = nullptr;
  static inline int errors_ = 0;
  static inline XErrorHandler previous_ = nullptr;
};

struct TShown {
  Window window = 0;
  int x = 0, y = 0, w = 0, h = 0;
  std::string name;
};

std::string WindowName(Display* d, Window w) {
  Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
  Atom netName = XInternAtom(d, "_NET_WM_NAME", False);
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  std::string name;
  if (XGetWindowProperty(d, w, netName, 0, 1024, False, utf8, &type, &format, &count, &after, &data) == Success &&
      data) {
    name.assign(reinterpret_cast<char*>(data), count);
    XFree(data);
  }
  return name;
}

// A 32-bit property of another client's window (empty when it has none).
std::vector<long> LongProperty(Display* d, Window w, const char* name) {
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  std::vector<long> out;
  if (XGetWindowProperty(d, w, XInternAtom(d, name, False), 0, 1 << 16, False, AnyPropertyType, &type, &format,
                         &count, &after, &data) == Success &&
      data && format == 32)
    out.assign(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + count);
  if (data) XFree(data);
  return out;
}

bool HasAtom(Display* d, Window w, const char* property, const char* atom) {
  const std::vector<long> atoms = LongProperty(d, w, property);
  return std::find(atoms.begin(), atoms.end(), long(XInternAtom(d, atom, False))) != atoms.end();
}

// The viewable top-level windows, bottom to top.
std::vector<TShown> ShownWindows(Display* d) {
  std::vector<TShown> out;
  Window root = DefaultRootWindow(d), parent, *children = nullptr;
  unsigned n = 0;
  if (!XQueryTree(d, root, &root, &parent, &children, &n)) return out;
  for (unsigned i = 0; i < n; ++i) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, children[i], &a) || a.map_state != IsViewable || a.override_redirect) continue;
    out.push_back(TShown{children[i], a.x, a.y, a.width, a.height, WindowName(d, children[i])});
  }
  if (children) XFree(children);
  return out;
}

// Pixels of a screen rectangle as 0xRRGGBB.
struct TShot {
  int w = 0, h = 0;
  std::vector<unsigned long> px;
  unsigned long At(int x, int y) const { return px[size_t(y) * size_t(w) + size_t(x)]; }
};

TShot Grab(Display* d, const TShown& s) {
  TShot shot;
  XImage* img = XGetImage(d, DefaultRootWindow(d), s.x, s.y, unsigned(s.w), unsigned(s.h), AllPlanes, ZPixmap);
  if (!img) return shot;
  shot.w = s.w;
  shot.h = s.h;
  for (int y = 0; y < s.h; ++y)
    for (int x = 0; x < s.w; ++x) shot.px.push_back(XGetPixel(img, x, y) & 0xFFFFFF);
  XDestroyImage(img);
  return shot;
}

// Polls every 20 ms (the program runs in real time) until pred holds or
// seconds pass.
template <class Pred>
bool WaitFor(Pred pred, double seconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < end) {
    if (pred()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return pred();
}

// The bounding box of the pixels of one colour in rows y0..y1 of a shot.
struct TBox {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
  int count = 0;
  bool Empty() const { return count == 0; }
};
TBox FindColour(const TShot& s, unsigned long rgb, int y0, int y1) {
  TBox b;
  for (int y = std::max(0, y0); y < std::min(s.h, y1); ++y)
    for (int x = 0; x < s.w; ++x)
      if (s.At(x, y) == rgb) {
        b.left = std::min(b.left, x), b.right = std::max(b.right, x);
        b.top = std::min(b.top, y), b.bottom = std::max(b.bottom, y);
        ++b.count;
      }
  return b;
}

// Counting stops past `enough`, so a poll that only asks "more than n?"
// stays cheap and does not miss a window shown for a moment.
int DistinctColours(const TShot& s, int x0, int y0, int w, int h, int enough = 1 << 30) {
  std::set<unsigned long> seen;
  for (int y = y0; y < y0 + h && y < s.h; ++y)
    for (int x = x0; x < x0 + w && x < s.w; ++x) {
      seen.insert(s.At(x, y));
      if (int(seen.size()) > enough) return int(seen.size());
    }
  return int(seen.size());
}

// Dark pixels (text strokes) in a rectangle.
int DarkPixels(const TShot& s, int x0, int y0, int w, int h) {
  int n = 0;
  for (int y = y0; y < y0 + h && y < s.h; ++y)
    for (int x = x0; x < x0 + w && x < s.w; ++x) {
      const unsigned long p = s.At(x, y);
      if (((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) < 200) ++n;
    }
  return n;
}

constexpr unsigned long kCream = 0xFFFBF0, kSkyBlue = 0xA6CAF0;
constexpr char kMainCaption[] = "Lumiqa2011--轻松五步打造出您的Lumiqa";

// True once the main window is among the shown ones.
bool MainWindowShown(Display* d) {
  for (const TShown& s : ShownWindows(d))
    if (s.name == kMainCaption) return true;
  return false;
}

// The program in a folder of its own beside the built one (a hard link
// and the skin), so the history beside it belongs to this test alone, and a
// private folder for its lock file.
struct TInstall {
  fs::path folder, exe, runtime;
  fs::path History() const { return folder / "HisBmpDir"; }
  explicit TInstall(const std::string& name) {
    static int counter = 0;
    const std::string tag = name + "-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
    folder = fs::path(LUMIQA_EXE).parent_path() / ("wizard-run-" + tag);
    runtime = fs::path("/tmp") / ("lumiqa-xvfb-" + tag);
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::create_directories(runtime);
    exe = folder / "lumiqa";
    fs::create_hard_link(LUMIQA_EXE, exe);
    fs::create_directory_symlink(fs::path(LUMIQA_EXE).parent_path() / "Skin", folder / "Skin");
  }
  // Runs when an assertion ends the test early too, so no lock folder is
  // left in /tmp.
  ~TInstall() {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    fs::remove_all(runtime, ignored);
  }
};

// Starts the program on the server as a user would: nothing in its
// environment asks for the headless display.
bool StartWizard(TChildProgram& lumiqa, const TXvfbServer& server, const TInstall& install, std::string* why) {
  const char* backend = std::getenv("LUMIQA_BACKEND");
  const std::string savedBackend = backend ? backend : "";
  unsetenv("LUMIQA_BACKEND");
  setenv("LUMIQA_RUNTIME_DIR", install.runtime.c_str(), 1);
  const bool started = lumiqa.Start(install.exe.string(), {}, server.Name(), why);
  if (backend) setenv("LUMIQA_BACKEND", savedBackend.c_str(), 1);
  unsetenv("LUMIQA_RUNTIME_DIR");
  return started;
}

TEST(WizardXvfb, SplashThenTheSkinnedMainWindow) {
  TXvfbServer server;
  std::string why;
  if (!server.Start(1280, 1024, &why)) LUMIQA_SKIP_MISSING_PACKAGE(why);
  Display* d = XOpenDisplay(server.Name().c_str());
  ASSERT_NE(d, nullptr);
  TXErrorTrap trap(d);
  const TInstall install("main");
  const fs::path history = install.History();
  ASSERT_TRUE(fs::exists(install.folder / "Skin" / "Skin.ini"));

  TChildProgram lumiqa;
  ASSERT_TRUE(StartWizard(lumiqa, server, install, &why)) << why;

  TShown splash, main;
  bool splashPainted = false, splashBeforeMain = false, splashIsSplash = false;
  ASSERT_TRUE(WaitFor(
      [&] {
        for (const TShown& s : ShownWindows(d)) {
          if (s.w == 520 && s.h == 390) {
            splash = s;
            // Seen once its picture is on the screen.
            if (!splashPainted && DistinctColours(Grab(d, s), 0, 0, 520, 390, 16) > 16) {
              splashPainted = true;
              splashBeforeMain = main.window == 0;
              // The desktop's splash, named as the program, with no task
              // bar or pager entry.
              splashIsSplash = HasAtom(d, s.window, "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_SPLASH") &&
                               HasAtom(d, s.window, "_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR") &&
                               HasAtom(d, s.window, "_NET_WM_STATE", "_NET_WM_STATE_SKIP_PAGER") &&
                               s.name == "Lumiqa";
              MaybeSaveScreenshot(d, "wizard_splash");
            }
          }
          if (s.name == kMainCaption) main = s;
        }
        return main.window != 0;
      },
      30))
      << "the main window never appeared";
  EXPECT_TRUE(splashPainted) << "no splash was seen";
  EXPECT_TRUE(splashBeforeMain);
  EXPECT_TRUE(splashIsSplash) << "named \"" << splash.name << "\"";
  // The splash sits in the middle of the screen.
  EXPECT_EQ(splash.x, (1280 - 520) / 2);
  EXPECT_EQ(splash.y, (1024 - 390) / 2);
  // It is gone once the main window is up.
  EXPECT_TRUE(WaitFor(
      [&] {
        for (const TShown& s : ShownWindows(d))
          if (s.window == splash.window) return false;
        return true;
      },
      5));

  // Wait until the window is painted: its title panel is cream.
  TShot shot;
  ASSERT_TRUE(WaitFor(
      [&] {
        for (const TShown& s : ShownWindows(d))
          if (s.window == main.window) main = s;
        shot = Grab(d, main);
        return !FindColour(shot, kCream, 0, 120).Empty() && !FindColour(shot, kSkyBlue, 0, 120).Empty();
      },
      10));
  MaybeSaveScreenshot(d, "wizard_main");
  // The program's own icon for the task bar and the switcher: 48 x 48.
  const std::vector<long> icon = LongProperty(d, main.window, "_NET_WM_ICON");
  ASSERT_GE(icon.size(), 2u);
  EXPECT_EQ(icon[0], 48);
  EXPECT_EQ(icon[1], 48);
  EXPECT_EQ(icon.size(), 2u + 48 * 48);

  // The skinned frame lies around the 883 x 611 client area.
  EXPECT_GE(main.w, 883);
  EXPECT_LE(main.w, 883 + 40);
  EXPECT_GE(main.h, 611);
  EXPECT_LE(main.h, 611 + 80);
  EXPECT_LE(std::abs(main.x - (1280 - main.w) / 2), 1);

  // The title panel: 41 cream rows across the client width.
  const TBox title = FindColour(shot, kCream, 0, 120);
  ASSERT_FALSE(title.Empty());
  EXPECT_EQ(title.bottom - title.top + 1, 41);
  // The task panel, sky blue inside its lowered bevel, centred by the
  // layout formula on the window's outer width.
  const TBox task = FindColour(shot, kSkyBlue, title.top, title.bottom + 1);
  ASSERT_FALSE(task.Empty());
  const int clientLeft = title.left;
  EXPECT_EQ(task.left - 1 - clientLeft, (main.w - 337 - 100) / 2);
  EXPECT_EQ(task.right - task.left + 1, 337 - 2);
  EXPECT_EQ(task.top - 1 - title.top, 8);
  // "打开文件" in the task panel: strokes of the CJK face.
  EXPECT_GT(DarkPixels(shot, task.left, task.top, task.right - task.left + 1, task.bottom - task.top + 1), 60);
  // The open button left of it and the next button right of it show their
  // glyphs over the button's face.
  const int fileLeft = task.left - 1 - 4 - 25;
  EXPECT_GT(DistinctColours(shot, fileLeft, task.top - 1, 25, 25), 4);
  const int nextLeft = task.right + 2 + 4;
  EXPECT_GT(DistinctColours(shot, nextLeft, task.top - 1, 25, 25), 8);
  // The caption's text is drawn in the frame above the client area.
  EXPECT_GT(DistinctColours(shot, 0, 0, main.w, title.top), 12);
  // The status bar at the bottom differs from the grey page above it.
  EXPECT_GT(DistinctColours(shot, clientLeft, title.top + 611 - 30, 883, 24), 2);

  // Closing the window ends the program and takes the history with it.
  EXPECT_TRUE(fs::exists(history));
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = main.window;
  ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = long(XInternAtom(d, "WM_DELETE_WINDOW", False));
  ev.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, main.window, False, NoEventMask, &ev);
  XFlush(d);
  EXPECT_TRUE(WaitFor([&] { return !lumiqa.Running(); }, 15));
  EXPECT_TRUE(WIFEXITED(lumiqa.ExitStatus()));
  EXPECT_EQ(WEXITSTATUS(lumiqa.ExitStatus()), 0);
  EXPECT_FALSE(fs::exists(history));
  XCloseDisplay(d);
}

// A display that goes away ends the program; its history goes with it.
TEST(WizardXvfb, ALostDisplayEndsTheProgramAndRemovesTheHistory) {
  TXvfbServer server;
  std::string why;
  if (!server.Start(1024, 768, &why)) LUMIQA_SKIP_MISSING_PACKAGE(why);
  Display* d = XOpenDisplay(server.Name().c_str());
  ASSERT_NE(d, nullptr);
  TXErrorTrap trap(d);
  const TInstall install("lost");
  const fs::path history = install.History();
  TChildProgram lumiqa;
  ASSERT_TRUE(StartWizard(lumiqa, server, install, &why)) << why;
  ASSERT_TRUE(WaitFor([&] { return MainWindowShown(d); }, 30));
  EXPECT_TRUE(fs::exists(history));
  XCloseDisplay(d);
  server.Stop();
  EXPECT_TRUE(WaitFor([&] { return !lumiqa.Running(); }, 15));
  EXPECT_TRUE(WIFEXITED(lumiqa.ExitStatus()));
  EXPECT_EQ(WEXITSTATUS(lumiqa.ExitStatus()), 1);
  EXPECT_FALSE(fs::exists(history));
}

// A stop request from the terminal or the session closes the window as the
// user would: the program ends well and its history goes.
TEST(WizardXvfb, AStopRequestClosesTheWindowAndRemovesTheHistory) {
  TXvfbServer server;
  std::string why;
  if (!server.Start(1024, 768, &why)) LUMIQA_SKIP_MISSING_PACKAGE(why);
  Display* d = XOpenDisplay(server.Name().c_str());
  ASSERT_NE(d, nullptr);
  TXErrorTrap trap(d);
  const TInstall install("stop");
  const fs::path history = install.History();
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(sig);
    TChildProgram lumiqa;
    ASSERT_TRUE(StartWizard(lumiqa, server, install, &why)) << why;
    ASSERT_TRUE(WaitFor([&] { return MainWindowShown(d); }, 30));
    EXPECT_TRUE(fs::exists(history));
    lumiqa.Signal(sig);
    EXPECT_TRUE(WaitFor([&] { return !lumiqa.Running(); }, 15));
    EXPECT_TRUE(WIFEXITED(lumiqa.ExitStatus()));
    EXPECT_EQ(WEXITSTATUS(lumiqa.ExitStatus()), 0);
    EXPECT_FALSE(fs::exists(history));
  }
  XCloseDisplay(d);
}

}  // namespace
