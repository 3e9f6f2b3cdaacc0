// The X11 display: one X window per top-level window, presented from the
// window layer's BGRX surfaces. X errors are recorded. After a lost
// connection every call does nothing while WaitEvents still honours
// timeouts and Wake, unless SetEndWhenLost asked to end the program.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/user/system/Display.h"

struct TX11State;

class TX11Display final : public TDisplay {
 public:
  // nullptr when the display (nullptr: $DISPLAY) cannot be opened.
  static std::unique_ptr<TX11Display> Open(const char* displayName = nullptr);
  ~TX11Display() override;

  TNativeWindow CreateNativeWindow(const TNativeWindowParams& params) override;
  void DestroyNativeWindow(TNativeWindow w) override;
  void SetNativeBounds(TNativeWindow w, const RECT& screen) override;
  void ShowNativeWindow(TNativeWindow w, bool show, bool activate) override;
  void SetNativeTitle(TNativeWindow w, const std::string& title) override;
  void SetCustomFrame(TNativeWindow w, bool custom) override;
  void RestackNativeWindow(TNativeWindow w, TNativeWindow above, bool topmost) override;
  void Present(TNativeWindow w, const Surface& pixels, const std::vector<RECT>& dirty) override;
  void SetShape(TNativeWindow w, const Region* shape) override;
  void SetOpacity(TNativeWindow w, Byte alpha) override;
  void GrabPointer(TNativeWindow w) override;
  std::vector<TMonitorRec> Monitors() override;
  void WaitEvents(int timeoutMs) override;
  void Wake() override;
  void SetLayeredContent(TNativeWindow w, const Surface* content) override;
  void SetNativeMinimized(TNativeWindow w, bool minimized) override;
  bool SetNativeMaximized(TNativeWindow w, bool maximized) override;
  void SetNativeStyle(TNativeWindow w, DWORD style, DWORD exStyle) override;
  void SetIcon(TNativeWindow w, const Surface* argb) override;
  void SetNativeRole(TNativeWindow w, TWindowRole role) override;
  void SetColorKey(TNativeWindow w, COLORREF key) override;
  void ActivateNativeWindow(TNativeWindow w) override;
  void SetClipboardText(const std::optional<std::string>& text) override;
  // Text another client offers larger than MaxClipboardBytes is refused
  // (nothing to paste) before it is transferred.
  std::optional<std::string> GetClipboardText() override;
  static constexpr std::size_t kMaxClipboardBytes = std::size_t{64} << 20;
  std::size_t MaxClipboardBytes = kMaxClipboardBytes;
  void SetCursorVisible(bool visible) override;
  void CursorChanged() override;
  void CursorDestroyed(HCURSOR cursor) override;
  void ResetComposition() override;
  // Docks the icon into the freedesktop system tray (XEmbed into the owner
  // of _NET_SYSTEM_TRAY_S<screen>); false when no tray runs.
  bool TrayIcon(TTrayOp op, const TTrayIconRec& icon) override;
  // The X window of a docked icon (0: none).
  std::uintptr_t TrayWindowOf(HWND hwnd, UINT id) const;

  // A lost connection ends the program (EndForLostDisplay) instead of
  // leaving it running without a screen. Off by default: the program's
  // display turns it on.
  void SetEndWhenLost(bool end);

  // Round trip to the server, then hands every queued event to the window
  // layer. Returns the number of events handled.
  int Sync();
  // The native window of a top-level window (0: none): the id of its first
  // X window, kept when the X window is made anew.
  TNativeWindow NativeOf(HWND topLevel) const;
  // The X window currently showing the top-level window (0: none).
  std::uintptr_t XWindowOf(HWND topLevel) const;
  bool ConnectionLost() const;
  // X errors seen on this connection, BadWindow on dead windows included.
  int ErrorCount() const;
  // A compositing manager owns _NET_WM_CM_S<screen> (per-pixel alpha possible).
  bool CompositorRunning();
  // The native window was made with a 32-bit ARGB visual.
  bool IsArgbWindow(TNativeWindow w) const;
  // The X cursor last defined on the native window (0: none yet), and
  // whether it is one made from a cursor image, or the blank one.
  std::uintptr_t WindowCursor(TNativeWindow w) const;
  bool IsImageCursor(std::uintptr_t cursor) const;
  bool IsBlankCursor(std::uintptr_t cursor) const;

 private:
  explicit TX11Display(std::unique_ptr<TX11State> state);
  // Replaces the X window with one on the 32-bit ARGB visual when a
  // compositor runs; false when it cannot.
  bool RecreateAsArgb(TNativeWindow w);
  // Shows the window's stored per-pixel content the way the compositor's
  // presence allows: blended on an ARGB window, or cut out by a shape.
  void ShowLayeredContent(TNativeWindow w);
  // The compositor came or went (XFixes told the event loop): every window
  // with per-pixel content is shown the other way.
  void FollowCompositor();
  std::unique_ptr<TX11State> s_;
};
