// The wizard's entry: one instance at a time, then the wizard on the display.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

#include "app/main/uMain_Program.h"
#include "imaging/core/base/vqzdefs.h"
#include "platform/backend/BackendSelect.h"
#include "platform/backend/headless/HeadlessDisplay.h"
#include "platform/backend/x11/X11Display.h"
#include "platform/sys/NamedMutex.h"
#include "platform/ui/forms/Application.h"
#include "platform/user/input/MessageQueue.h"

namespace {

// The display the user asked for; none when there is no X display to open.
// A headless run must be asked for by name: without a window nobody could
// use or end the program.
std::unique_ptr<TBackend> OpenDisplay() {
  const char* display = std::getenv("DISPLAY");
  const char* backend = std::getenv("LUMIQA_BACKEND");
  if (!(display && *display) && !(backend && *backend)) return nullptr;
  if (ChooseBackend(display, backend) == TBackendKind::Headless)
    return std::make_unique<TBackend>(std::make_unique<THeadlessDisplay>(), TBackendKind::Headless);
  std::unique_ptr<TX11Display> x11 = TX11Display::Open();
  if (!x11) return nullptr;
  x11->SetEndWhenLost(true);
  return std::make_unique<TBackend>(std::move(x11), TBackendKind::X11);
}

int stopPipe[2] = {-1, -1};

extern "C" void OnStopSignal(int sig) {
  const char c = char(sig);
  if (write(stopPipe[1], &c, 1) < 0) {
  }
}

// A stop request from the terminal or the session (SIGINT, SIGTERM,
// SIGHUP) closes the window as the user would, so the history goes with
// it; a second request ends at once. The handler only writes to a pipe; a
// thread turns that into a posted close, which is safe from any thread.
void WatchStopRequests(HWND application) {
  if (pipe(stopPipe) != 0) return;
  std::thread([application] {
    char sig = 0;
    if (read(stopPipe[0], &sig, 1) != 1) return;
    PostMessage(application, WM_CLOSE, 0, 0);
    if (read(stopPipe[0], &sig, 1) == 1) std::_Exit(128 + sig);
  }).detach();
  struct sigaction sa {};
  sa.sa_handler = OnStopSignal;
  sa.sa_flags = SA_RESTART;
  sigemptyset(&sa.sa_mask);
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &sa, nullptr);
}

}  // namespace

int main() {
  HANDLE mutex = CreateMutexA(nullptr, FALSE, "Orvane");
  if (!mutex) {
    // Without the guard a second instance could not be told apart; refuse
    // rather than run beside one.
    std::fprintf(stderr, "lumiqa: cannot take the single-instance lock in %s (error %u)\n",
                 MutexRuntimeFolder().c_str(), unsigned(GetLastError()));
    return 1;
  }
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    // Another instance runs: end without showing anything.
    CloseHandle(mutex);
    return 0;
  }
  std::unique_ptr<TBackend> backend = OpenDisplay();
  if (!backend) {
    std::fprintf(stderr, "lumiqa: cannot open a display (set DISPLAY to a running X server)\n");
    CloseHandle(mutex);
    return 1;
  }
  StartImagingLibrary();
  WatchStopRequests(Application->Handle());
  RunWizard();
  DoneApplication();
  EndImagingLibrary();
  CloseHandle(mutex);
  return 0;
}
