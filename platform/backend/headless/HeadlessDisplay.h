// The in-memory display every test uses: native windows are records with
// their presented pixels, monitors are configurable (one 1280x1024 monitor
// by default), time is a virtual clock, and input is injected at screen
// coordinates. THeadlessSession installs a display and a clock for a scope.
#pragma once
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/rtl/Clock.h"
#include "platform/rtl/Events.h"
#include "platform/user/system/Display.h"
#include "platform/user/input/Input.h"

class THeadlessDisplay final : public TDisplay {
 public:
  struct TNative {
    HWND hwnd = nullptr;
    RECT bounds{};
    bool visible = false;
    bool popup = false;
    bool customFrame = false;
    bool topmost = false;
    bool toolWindow = false;
    bool layeredAtCreation = false;
    int activations = 0;  // ActivateNativeWindow requests
    int restacks = 0;     // RestackNativeWindow requests
    Byte opacity = 255;
    std::optional<Region> shape;
    std::string title;
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // BGRX as presented
    int presents = 0;
    // UpdateLayeredWindow content, premultiplied BGRA, replacing pixels.
    bool perPixel = false;
    int layeredWidth = 0;
    int layeredHeight = 0;
    std::vector<std::uint32_t> layered;
    COLORREF colorKey = CLR_INVALID;
    bool minimized = false;
    TWindowRole role = TWindowRole::Normal;
    // The icon as set: straight 0xAARRGGBB, top row first.
    int iconWidth = 0;
    int iconHeight = 0;
    std::vector<std::uint32_t> icon;
  };

  THeadlessDisplay();
  void SetMonitors(std::vector<TMonitorRec> monitors);

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
  void SetColorKey(TNativeWindow w, COLORREF key) override;
  void SetNativeMinimized(TNativeWindow w, bool minimized) override;
  void SetIcon(TNativeWindow w, const Surface* argb) override;
  void SetNativeRole(TNativeWindow w, TWindowRole role) override;
  void ActivateNativeWindow(TNativeWindow w) override;
  void SetCursorVisible(bool visible) override { cursorVisible_ = visible; }
  // Counts the request and drops the injected composition. Like an input
  // method that commits its preedit when reset, it reports that preedit as
  // a result, which the window layer must ignore.
  void ResetComposition() override;
  // The notification area: icons are recorded (TrayIcons, in the order
  // added) and every request logged ("add 7", "modify 7", "delete 7" by id).
  // Without TrayAvailable there is none and adding fails.
  bool TrayIcon(TTrayOp op, const TTrayIconRec& icon) override;
  bool TrayAvailable = true;
  std::vector<TTrayIconRec> TrayIcons;
  std::vector<std::string> TrayLog;
  // A mouse message (WM_LBUTTONDOWN, ...) on a recorded icon: posted to its
  // window as the icon's callback message. False for an unknown icon.
  bool TrayMouse(HWND hwnd, UINT id, UINT mouseMessage);
  // The notification area restarts: its icons are gone and the windows are
  // told (NotifyAreaRestarted).
  void TrayRestart();

  // ---- Driving (GUI thread) ------------------------------------------------
  void MouseMove(int x, int y);
  void MouseDown(int x, int y, TMouseButton b = TMouseButton::mbLeft);
  void MouseUp(int x, int y, TMouseButton b = TMouseButton::mbLeft);
  void Click(int x, int y, TMouseButton b = TMouseButton::mbLeft);
  void Wheel(int x, int y, int delta);
  // Sideways: positive to the right.
  void HWheel(int x, int y, int delta);
  // The usual key for vk; VK_RCONTROL, VK_RMENU and the like name a side.
  void KeyDown(int vk);
  void KeyUp(int vk);
  void KeyPress(int vk);
  // A particular key: the keypad's Enter (VK_RETURN, extended) or arrows
  // (unextended), the right-hand Shift (scan code 0x36).
  void KeyDown(int vk, TKeyCode code);
  void KeyUp(int vk, TKeyCode code);
  void Text(const char* utf8);
  // The input method: the composition string and the cursor in it
  // (characters; starts a composition when none is going on), a commit of
  // the result, and a cancel. Queued with the other input (Ime.h).
  void ComposeText(const std::string& preedit, int cursor);
  void CommitComposition(const std::string& result);
  void CancelComposition();
  // The injected composition still going on, as far as this input method
  // knows, and how often the window layer asked for a reset.
  bool Composing() const { return composing_; }
  const std::string& Preedit() const { return preedit_; }
  int CompositionResets() const { return compositionResets_; }
  // Dispatches everything pending, paints and presents; returns the count.
  int RunUntilIdle();
  // Moves the virtual clock ms forward, stopping at each timer that falls
  // due on the way and running until idle there, so timers fire in order.
  void AdvanceTime(Int64 ms);

  // ---- Reading state ---------------------------------------------------------
  const TNative* Native(HWND topLevel) const;
  // Shown native windows, topmost first.
  std::vector<HWND> Stacking() const;
  HWND GrabbedWindow() const;
  // A presented pixel in window coordinates as 0x00BBGGRR; CLR_INVALID outside.
  // A per-pixel layered window gives its content's premultiplied colour.
  COLORREF PixelAt(HWND topLevel, int x, int y) const;
  // Per-pixel layered content: premultiplied 0xAARRGGBB; 0 outside or when
  // the window has none.
  std::uint32_t LayeredPixelAt(HWND topLevel, int x, int y) const;
  bool WriteBmp(HWND topLevel, const char* path) const;
  // ShowCursor's counter is 0 or above.
  bool CursorVisible() const { return cursorVisible_; }

 private:
  TNative* Find(TNativeWindow w);
  std::map<TNativeWindow, TNative> natives_;
  std::vector<TNativeWindow> stack_;  // topmost first
  std::vector<TMonitorRec> monitors_;
  TNativeWindow next_ = 1;
  TNativeWindow grab_ = 0;
  std::mutex lock_;
  std::condition_variable wake_;
  bool woken_ = false;
  bool cursorVisible_ = true;
  bool composing_ = false;
  std::string preedit_;
  int compositionResets_ = 0;
};

// A headless display and a virtual clock installed for one scope.
class THeadlessSession {
 public:
  explicit THeadlessSession(Int64 startMs = 1000);
  ~THeadlessSession();
  THeadlessSession(const THeadlessSession&) = delete;
  THeadlessSession& operator=(const THeadlessSession&) = delete;

  THeadlessDisplay display;
  TVirtualClock clock;

 private:
  TScopedClock scopedClock_;
  TDisplay* previous_;
};
