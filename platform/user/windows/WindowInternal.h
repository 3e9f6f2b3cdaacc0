// The window object and the state the window-layer modules share. Private
// to platform/user: other layers use the Windows-shaped calls.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Region.h"
#include "platform/user/system/Display.h"
#include "platform/user/UserTypes.h"

struct TWindowScrollBars;  // ScrollBars.cpp
struct TMenuData;          // SystemMenu.cpp

struct TWindowClass {
  std::string name;
  WNDCLASS wc;
  int windows = 0;  // live windows of the class
};

struct WND {
  HWND handle = nullptr;  // the window's entry in the window table
  std::shared_ptr<TWindowClass> cls;
  WND* parent = nullptr;  // WS_CHILD windows only
  WND* owner = nullptr;   // top-level windows only
  std::vector<WND*> children;  // z-order: front is topmost
  DWORD style = 0;
  DWORD exStyle = 0;
  WNDPROC proc = nullptr;
  LONG_PTR userData = 0;
  LONG_PTR id = 0;
  HINSTANCE instance = nullptr;
  std::vector<LONG_PTR> extra;  // cbWndExtra bytes as pointer-sized slots
  std::string text;

  RECT rect{};    // parent-client coordinates (screen for top-level)
  RECT client{};  // same coordinates as rect
  RECT normalRect{};  // restored bounds while maximized
  // Maximised by the program placing it itself (SetDesktopMaximized): the
  // desktop knows, the style stays as it was.
  bool selfMaximized = false;

  // Painting: update region in window coordinates (origin = rect's corner).
  Region update;
  bool erasePending = false;
  bool ncPending = false;
  bool internalPaint = false;
  bool eraseFailed = false;  // WM_ERASEBKGND returned 0: fErase stays set
  bool erasedEarly = false;  // erased before WM_PAINT (RDW_ERASENOW, showing, moving)
  bool sizedOnce = false;

  // Window region in window coordinates, owned (an HRGN from the caller).
  HRGN region = nullptr;
  Byte alpha = 255;
  COLORREF colorKey = CLR_INVALID;
  bool layeredSet = false;
  DWORD layeredFlags = 0;  // LWA_* as last set
  // UpdateLayeredWindow content: the source's BGRA as read, layeredSize
  // pixels, with the blend, flags and key to apply.
  bool perPixel = false;
  BLENDFUNCTION ulwBlend{};
  DWORD ulwFlags = 0;
  COLORREF ulwKey = CLR_INVALID;
  SIZE layeredSize{};
  std::vector<std::uint32_t> layeredPixels;

  // Standard scroll bars (and the SB_CTL data of a scroll-bar control).
  std::shared_ptr<TWindowScrollBars> scrollBars;
  // WM_SETICON: the caller's icons (not owned).
  HICON bigIcon = nullptr;
  HICON smallIcon = nullptr;
  // The window's own window menu (GetSystemMenu), made on first use.
  std::shared_ptr<TMenuData> sysMenu;
  // The caption drawn as active: set by WM_NCACTIVATE. Child frames show it
  // (only the active MDI child is told TRUE); top-level windows follow
  // activation.
  bool frameActive = false;
  // The caption button shown pressed (HTCLOSE...), HTNOWHERE when none.
  int pressedButton = 0;
  // SetProp data, in the order set.
  std::vector<std::pair<std::string, HANDLE>> props;

  // Top-level windows: the native window and the pixels of the whole tree.
  TNativeWindow native = 0;
  std::vector<std::uint32_t> pixels;
  Surface surface;
  Region dirty;  // window coordinates, waiting to be presented
  bool customFrame = false;

  // Life cycle. `refs` pins the memory while a call into the window runs,
  // so a window destroyed inside its own handler is freed afterwards.
  std::uint64_t serial = 0;  // never reused: tells a new window at an old address apart
  bool dead = false;
  bool destroying = false;
  bool creating = false;
  int refs = 0;

  bool IsChild() const { return (style & WS_CHILD) != 0 && parent != nullptr; }
};

// Keeps a window's memory alive for a scope.
class TWindowPin {
 public:
  explicit TWindowPin(WND* w);
  ~TWindowPin();
  TWindowPin(const TWindowPin&) = delete;
  TWindowPin& operator=(const TWindowPin&) = delete;

 private:
  WND* w_;
};

// ---- Registry and tree (Window.cpp) ----------------------------------------
WND* LiveWindow(HWND h);  // nullptr (and ERROR_INVALID_WINDOW_HANDLE) if not live
// The window a handle names, nullptr for stale, foreign or special handles;
// leaves the last error alone.
WND* LiveWnd(HWND h);
// The handle of a window (nullptr for none).
inline HWND HandleOf(const WND* w) { return w ? w->handle : nullptr; }
bool IsLive(const WND* w);
// Thread-safe: the serial of a live window, 0 otherwise.
std::uint64_t WindowSerial(HWND h);
std::vector<WND*>& TopLevelWindows();  // z-order: front is topmost
std::vector<WND*>& SiblingList(WND* w);
WND* TopLevelOf(WND* w);
// Visible itself and every ancestor.
bool IsReallyVisible(const WND* w);
void ReleaseWindowMemory(WND* w);

// ---- Coordinates (WindowPos.cpp) ---------------------------------------------
POINT WindowOriginScreen(const WND* w);
POINT ClientOriginScreen(const WND* w);
// The client rectangle in window coordinates.
inline RECT ClientInWindow(const WND* w) {
  return Bounds(w->client.Left - w->rect.Left, w->client.Top - w->rect.Top, w->client.Width(), w->client.Height());
}
// Offset of w's window corner inside its top-level surface.
POINT WindowOriginInSurface(const WND* w);
void ZOrderInsert(WND* w, HWND after);
// Whether ZOrderInsert(w, after) would move w (or the windows it owns).
bool ZOrderWouldChange(WND* w, HWND after);
// WindowFromPoint with the hit code the window answered (HTERROR for a
// disabled one); windows answering HTTRANSPARENT are passed over.
WND* WindowHitFromPoint(POINT screen, int* hit);
// The window under a point by geometry alone, asking no window.
WND* WindowUnderPoint(POINT screen);

// ---- Painting (Paint.cpp) -----------------------------------------------------
void EnsureSurface(WND* top);
void InvalidateWindowArea(WND* w, const Region& windowCoords, bool erase, bool frame, bool children);
void InvalidateParentArea(WND* w, const RECT& parentCoords);
void ErasePendingNow(WND* w);
WND* FindWindowToPaint();
void PresentDirtySurfaces();
void ForgetWindowDCs(WND* w);
void UpdateWindowDCs(WND* top);
// The part of w visible on its top-level surface, in surface coordinates.
Region VisibleRegion(WND* w, bool client, bool clipChildren, bool clipSiblings);
bool WindowRegionContains(const WND* w, POINT windowPt);

// ---- Messages (MessageQueue.cpp) ------------------------------------------
LRESULT CallProc(WND* w, UINT msg, WPARAM wp, LPARAM lp);
void DropPostedMessagesFor(WND* w);
bool MainThreadCheck();
// Lets TThread::Synchronize and Queue wake the message loop.
void InstallWakeHook();

// ---- Timers (Timers.cpp) -----------------------------------------------------
void KillWindowTimers(WND* w);
bool TakeDueTimer(MSG* out, bool remove);

// ---- Input and focus (Input.cpp, Focus.cpp) ------------------------------------
void ForgetInputWindow(WND* w);
bool TakeInputMessage(MSG* out, bool remove);
bool HasInput();
void FocusWindowGone(WND* w);
void ActiveWindowHidden(WND* w);
void ActivateForShow(WND* w);
void SetActiveWindowByClick(WND* top);  // WA_CLICKACTIVE
// A press on a disabled window: the enabled window its top-level window
// owns (the modal dialog it waits for) is activated and its caption flashes
// kWaitedForFlashes times, kWaitedForFlashMs apart.
void ShowWaitedForWindow(WND* disabled);
constexpr unsigned kWaitedForFlashes = 6;
constexpr unsigned kWaitedForFlashMs = 70;
// Asks the display to raise and focus a shown top-level window.
void RaiseNative(WND* top);
// While one lives, top-level z-order changes stay in the window layer: the
// display already shows them (the desktop activated a window and stacked it
// itself; asking it to restack again would be taken as a new request).
class TNativeOrderShown {
 public:
  TNativeOrderShown();
  ~TNativeOrderShown();
  TNativeOrderShown(const TNativeOrderShown&) = delete;
  TNativeOrderShown& operator=(const TNativeOrderShown&) = delete;
};
void CheckHoverTimeouts();

// ---- Cursors and icons (Cursors.cpp) ----------------------------------------
// The point moved inside ClipCursor's rectangle.
POINT ClampToCursorClip(POINT screen);
// Straight (not premultiplied) 0xAARRGGBB pixels of an icon, top row first.
bool IconToArgb(HICON icon, std::vector<std::uint32_t>& out, int& width, int& height);
// Hands a top-level window's big icon (or its removal) to the display.
void PassIconToDisplay(WND* w);

// ---- The window menu (SystemMenu.cpp) --------------------------------------------
// DefWindowProc's SC_MOUSEMENU and SC_KEYMENU: opens w's window menu below
// its caption and posts the chosen command.
void OpenWindowMenu(WND* w, bool byKeyboard);
// Where the window menu opens: the left end of the caption's lower edge, or
// the client's top-left corner when the window manager draws the caption.
POINT WindowMenuAnchor(WND* w);  // NonClient.cpp
// Whether the window menu lets a window command run (a Close turned off
// there, or by CS_NOCLOSE, grays the close button and keeps it from acting).
bool WindowCommandEnabled(WND* w, WPARAM command);

// ---- Caption buttons of frames the layer draws (NonClient.cpp) ---------------------
struct TCaptionButton {
  int hit;    // HTCLOSE, HTMAXBUTTON, HTMINBUTTON
  RECT cell;  // window coordinates, as hit testing finds it
  bool enabled;
};
// From the right: close, then maximize and minimize when the style has either box.
std::vector<TCaptionButton> CaptionButtons(WND* w, const RECT& band);
// The caption band with its icon, title and buttons (the pressed one sunk).
void DrawCaption(WND* w, HDC dc, const RECT& band);

// WM_PRINT's default handling (Print.cpp).
void DefaultPrint(WND* w, HDC dc, LPARAM flags);

// ---- Scroll bars (ScrollBars.cpp, ScrollBarTrack.cpp) ---------------------------
// Draws the standard bars into a DC whose origin is the window's corner.
void DrawWindowScrollBars(WND* w, HDC windowDC);
// DefWindowProc's tracking loop for a press on HTHSCROLL / HTVSCROLL.
void TrackWindowScrollBar(WND* w, int hit, POINT screen);

// ---- Layered windows, update lock, caret (Layered.cpp, WindowUpdateLock.cpp, Caret.cpp)
// A point (window coordinates) of a top-level layered window the mouse
// passes through: alpha 0 in what it shows, or the colour key.
bool LayeredPointTransparent(const WND* w, POINT windowPt);
// WS_EX_LAYERED was cleared: back to an opaque, painted window.
void ResetLayered(WND* w);
// Drawing to w goes nowhere while w or an ancestor is locked.
bool IsUpdateLocked(const WND* w);
// Inverts the caret's pixels on top's surface (apply, then undo after
// presenting) and returns the area it covers, in surface coordinates.
Region ToggleCaretOverlay(WND* top);
