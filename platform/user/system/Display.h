// The display the window layer draws on: native top-level windows, their
// presentation, monitors and waiting for events. Back ends (headless, X11)
// implement TDisplay and feed input back through the calls in Input.h.
// Without an installed display the window layer still works in memory with
// one 1280x1024 monitor, so its own tests need no back end.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Region.h"
#include "platform/user/UserTypes.h"

using TNativeWindow = std::uintptr_t;  // 0: none

struct TNativeWindowParams {
  HWND hwnd = nullptr;
  RECT bounds{};              // screen coordinates
  bool popup = false;         // no window-manager control (menus, combo lists, hints, glow layers)
  bool customFrame = false;   // undecorated: the program paints its own frame
  bool topmost = false;
  bool toolWindow = false;
  // WS_EX_LAYERED at creation: content may come with per-pixel alpha
  // (UpdateLayeredWindow), so a back end that can should make the native
  // window able to show it (an ARGB visual under a compositor).
  bool layered = false;
  std::string title;
  // The window's WS_* and WS_EX_* bits: frame, boxes, enabled state.
  DWORD style = 0;
  DWORD exStyle = 0;
};

// A notification-area icon as the window layer hands it to the display:
// mouse messages on it go back to hwnd as callbackMessage (wParam id,
// lParam the mouse message).
struct TTrayIconRec {
  HWND hwnd = nullptr;
  UINT id = 0;
  UINT callbackMessage = 0;
  std::vector<std::uint32_t> argb;  // straight ARGB, width x height
  int width = 0, height = 0;
  std::string tip;
};
enum class TTrayOp { Add, Modify, Delete };

struct TMonitorRec {
  RECT monitor{};
  RECT work{};
  bool primary = false;
};

class TDisplay {
 public:
  TDisplay() = default;
  TDisplay(const TDisplay&) = delete;
  TDisplay& operator=(const TDisplay&) = delete;
  virtual ~TDisplay() = default;

  virtual TNativeWindow CreateNativeWindow(const TNativeWindowParams& params) = 0;
  virtual void DestroyNativeWindow(TNativeWindow w) = 0;
  virtual void SetNativeBounds(TNativeWindow w, const RECT& screen) = 0;
  virtual void ShowNativeWindow(TNativeWindow w, bool show, bool activate) = 0;
  virtual void SetNativeTitle(TNativeWindow w, const std::string& title) = 0;
  virtual void SetCustomFrame(TNativeWindow w, bool custom) = 0;
  // Stacking: `above` is the native window this one goes right above, 0 for
  // the bottom of its layer; topmost windows form their own layer.
  virtual void RestackNativeWindow(TNativeWindow w, TNativeWindow above, bool topmost) = 0;
  // Copies the dirty rectangles (window coordinates) of the window's 32-bit
  // BGRX pixels to the screen. The pixels must be copied before returning:
  // the caret overlay is taken off right after.
  virtual void Present(TNativeWindow w, const Surface& pixels, const std::vector<RECT>& dirty) = 0;
  // Region in window coordinates; nullptr removes the shape.
  virtual void SetShape(TNativeWindow w, const Region* shape) = 0;
  // Constant opacity 0..255 (255: opaque).
  virtual void SetOpacity(TNativeWindow w, Byte alpha) = 0;
  // Routes all pointer input to w (0 ends the grab).
  virtual void GrabPointer(TNativeWindow w) = 0;
  virtual std::vector<TMonitorRec> Monitors() = 0;
  // Blocks until input or a Wake arrives, or timeoutMs passes (-1: no
  // limit). Input found is handed to the window layer before returning.
  virtual void WaitEvents(int timeoutMs) = 0;
  // Ends a WaitEvents from any thread.
  virtual void Wake() = 0;

  // ---- Optional features; the defaults keep the window layer working -----
  // Per-pixel alpha content of a layered window: premultiplied BGRA, the
  // window's size, replacing its painted pixels until called with nullptr.
  virtual void SetLayeredContent(TNativeWindow, const Surface*) {}
  // Pixels of this colour (0x00BBGGRR) are transparent; CLR_INVALID: none.
  virtual void SetColorKey(TNativeWindow, COLORREF) {}
  // The window's icon: straight (not premultiplied) 0xAARRGGBB pixels, top
  // row first; nullptr removes it. The pixels are copied before returning.
  virtual void SetIcon(TNativeWindow, const Surface*) {}
  // Raises the window and gives it the keyboard focus (SetActiveWindow,
  // SetForegroundWindow, BringWindowToTop of a top-level window).
  virtual void ActivateNativeWindow(TNativeWindow) {}
  // Iconified, or back to normal.
  virtual void SetNativeMinimized(TNativeWindow, bool) {}
  // Maximised, or back to normal. True when the display places the window
  // itself (a window manager does it): the bounds the window layer sets for
  // the change are only a first guess, and the display reports the real
  // ones as a move of the native window.
  virtual bool SetNativeMaximized(TNativeWindow, bool) { return false; }
  virtual void SetNativeRole(TNativeWindow, TWindowRole) {}
  // The style bits changed (SetWindowLong, EnableWindow).
  virtual void SetNativeStyle(TNativeWindow, DWORD /*style*/, DWORD /*exStyle*/) {}
  // The system clipboard's text, UTF-8; nullopt: no text. The defaults keep
  // it in this process.
  virtual void SetClipboardText(const std::optional<std::string>& text) { clipboardText_ = text; }
  virtual std::optional<std::string> GetClipboardText() { return clipboardText_; }
  // ShowCursor's counter crossed 0: false hides the pointer over our windows.
  virtual void SetCursorVisible(bool) {}
  // SetCursor changed the cursor: every window of the program shows it now,
  // on its way to the screen before the call returns, since long work that
  // leaves the loop waiting often follows.
  virtual void CursorChanged() {}
  // A cursor object is being destroyed: native resources made from it go.
  virtual void CursorDestroyed(HCURSOR) {}
  // The window layer finished the composition itself (ImmNotifyIME): the
  // input method drops its own, reporting nothing of it.
  virtual void ResetComposition() {}
  // Adds, changes or removes a notification-area icon; false when the
  // desktop has no notification area (or the icon is unknown to it).
  virtual bool TrayIcon(TTrayOp, const TTrayIconRec&) { return false; }

 private:
  std::optional<std::string> clipboardText_;
};

// Installs the display (nullptr: none) and returns the previous one. The
// caller keeps it alive while installed.
TDisplay* SetDisplay(TDisplay* display);
TDisplay* CurrentDisplay();

// Work that must still happen when the program ends because its display is
// gone (flushing settings, removing temporary files). Hooks must not need
// the display. The id removes the hook again.
int AddShutdownHook(std::function<void()> hook);
void RemoveShutdownHook(int id);
// The display's connection broke for good: runs the shutdown hooks, last
// added first (one that throws does not stop the others), writes `message`
// as one line to stderr and ends the process with status 1.
[[noreturn]] void EndForLostDisplay(const std::string& message);
