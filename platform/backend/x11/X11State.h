// Private to the X11 back end: the connection, its atoms and the per-window
// records. Include after the project's headers, as Xlib defines macros
// (None, Bool, Status) that would otherwise reach them.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/backend/x11/X11Display.h"

#include <X11/Xlib.h>
// Xutil's Region would clash with ours; it is never used here.
#define Region XlibRegion
#include <X11/Xutil.h>
#undef Region

#include "platform/backend/x11/X11Shm.h"

struct TX11Atoms {
  Atom wmProtocols = 0, wmDeleteWindow = 0, netWmPing = 0, motifWmHints = 0, netWmWindowOpacity = 0,
       netWorkarea = 0, netCurrentDesktop = 0, netWmState = 0, netWmStateAbove = 0, netWmStateSkipTaskbar = 0,
       netWmWindowType = 0, netWmWindowTypeNormal = 0, netWmWindowTypeUtility = 0, netWmName = 0,
       netWmPid = 0, netWmUserTime = 0, netRestackWindow = 0, netCmS = 0, utf8String = 0, clipboard = 0,
       targets = 0, lumiqaSelection = 0, netWmIcon = 0, netActiveWindow = 0, netClientListStacking = 0, wmTakeFocus = 0,
       netWmStateModal = 0, netWmWindowTypeDialog = 0, netWmStateMaximizedVert = 0, netWmStateMaximizedHorz = 0,
       netWmStateHidden = 0, wmState = 0, wmChangeState = 0, netWmWindowTypeSplash = 0, netWmStateSkipPager = 0,
       netWmWindowTypeDnd = 0, comptonShadow = 0, picomShadow = 0;
};

struct TX11Native {
  Window window = 0;  // the current X window; natives are keyed by the first
  HWND hwnd = nullptr;
  RECT bounds{};  // as last requested by us or reported by the server
  bool popup = false;
  bool customFrame = false;
  bool topmost = false;
  bool toolWindow = false;
  bool splash = false;  // TWindowRole::Splash
  DWORD style = 0;  // WS_* and WS_EX_* bits as the window layer last gave them
  DWORD exStyle = 0;
  // Owned by a disabled window while enabled itself: what a modal form is.
  bool modal = false;
  bool shown = false;      // as the window layer wants it
  bool layered = false;    // per-pixel content that cannot be shown: kept unmapped
  bool minimized = false;
  bool maximized = false;  // as asked of the window manager, or as it reports
  // The window layer's next bounds are its guess for a maximise or restore
  // the window manager carries out: not passed on.
  bool skipNextBounds = false;
  // The server reports the X window mapped (under a window manager: it
  // manages it), so it may be named as a sibling in a stacking request.
  bool mapped = false;
  // Reparented into a window manager's frame: real configure events then
  // give the position inside the frame, which is no news to us.
  bool framed = false;
  // Kept to carry over when the X window is made anew.
  std::string title;
  Byte opacity = 255;
  std::vector<long> icon;  // _NET_WM_ICON data
  // Made with a 32-bit ARGB visual (layered under a compositor): its own
  // colormap and GC, and alpha written with every pixel.
  bool argb = false;
  Visual* visual = nullptr;  // nullptr: the screen's
  Colormap colormap = 0;
  GC gc = nullptr;
  bool perPixelShown = false;  // the backing holds per-pixel content
  // Per-pixel content without a compositor: its mostly opaque pixels shown
  // opaque, the rest cut away by these rows of the shape.
  bool alphaShaped = false;
  std::vector<RECT> alphaRects;
  // Under a compositor, clicks on fully transparent pixels pass through.
  bool inputShaped = false;
  std::vector<XRectangle> inputRects;  // as last set, while inputShaped
  // The last per-pixel content (premultiplied BGRA), shown anew when the
  // compositor comes or goes.
  std::vector<std::uint32_t> content;
  int contentWidth = 0, contentHeight = 0;
  // The shape: the window region's rectangles and the colour key
  // (0x00BBGGRR, CLR_INVALID: none) cut out of the presented pixels.
  bool hasRegion = false;
  std::vector<RECT> regionRects;
  COLORREF colorKey = CLR_INVALID;
  XIC ic = nullptr;
  // The input method draws no preedit: we show it through its callbacks.
  bool icCallbacks = false;
  // The preedit as the callbacks edited it, and whether the window layer
  // was told a composition is going on.
  std::u32string preedit;
  int preeditCaret = 0;
  bool composing = false;
  // Its context is being reset at the window layer's request: the
  // callbacks report nothing (TX11ImeReset).
  bool resetting = false;
  // The spot last given to the input method (window coordinates).
  bool spotSet = false;
  XPoint spot{};
  Cursor cursor = 0;  // as last defined on the window
  // The presented pixels in the visual's format: repaints exposed areas
  // without asking the window layer to paint again.
  std::vector<std::uint32_t> backing;
  XImage* image = nullptr;
  TX11ShmSegment shm;  // dirty areas of the backing, shared with a local server
  int width = 0;
  int height = 0;
  // Configure events older than our last move or resize describe a
  // position we already replaced.
  unsigned long configureSerial = 0;
};

// A pixmap cursor made from a cursor object's image.
struct TX11ImageCursor {
  Cursor cursor = 0;
  std::uint64_t fingerprint = 0;
};

// A notification-area icon: our window docked into the system tray.
struct TX11TrayIcon {
  HWND hwnd = nullptr;
  UINT id = 0;
  UINT callbackMessage = 0;
  std::vector<std::uint32_t> argb;
  int iconWidth = 0, iconHeight = 0;
  int width = 22, height = 22;  // the window's size as the tray gives it
  Time lastPress = 0;
  unsigned lastButton = 0;
  std::string tip;
  Window tipWindow = 0;  // the tip shown while the pointer is over the icon
};

struct TX11State {
  Display* dpy = nullptr;
  int screen = 0;
  Window root = 0;
  Visual* visual = nullptr;
  int depth = 0;
  // The visual stores BGRX exactly, so rows copy without conversion.
  bool directPixels = false;
  TX11Atoms atoms;
  XIM im = nullptr;
  // The preedit callbacks every input context gets (client data: this state).
  XICCallback preeditStart{};
  XIMCallback preeditDone{}, preeditDraw{}, preeditCaret{};
  int wakePipe[2] = {-1, -1};
  std::map<Window, TX11Native> natives;
  Window grab = 0;
  // Focus left one of our windows; applied after the batch unless focus
  // came back to another of ours, so switching windows does not deactivate
  // the application in between.
  HWND pendingDeactivate = nullptr;
  HWND activeNative = nullptr;
  HCURSOR shownCursor = nullptr;
  bool cursorStale = true;  // a window has not got the current cursor yet
  std::map<int, Cursor> fontCursors;
  std::uint64_t shownFingerprint = 0;  // of shownCursor's image
  bool cursorHidden = false;          // ShowCursor's counter is below 0
  std::map<const void*, TX11ImageCursor> imageCursors;  // by cursor object
  // Owns the CLIPBOARD selection and receives converted selections.
  Window clipWindow = 0;
  std::optional<std::string> clipText;
  bool ownsClipboard = false;
  std::string hostName;  // WM_CLIENT_MACHINE
  // XFixes reports changes of the compositor's selection (0: no XFixes).
  int fixesEventBase = 0;
  bool haveFixes = false;
  bool compositor = false;  // as last seen
  bool compositorChanged = false;  // seen by the event loop, followed after it
  bool ioLost = false;
  bool endWhenLost = false;
  std::string displayName;  // as connected, for the message when it is lost
  int errors = 0;
  TX11ShmSupport shm;
  std::map<Window, TX11TrayIcon> trayIcons;
  bool trayWatching = false;  // the root's StructureNotify selected for tray announcements

  // By native window id (the window layer's handle).
  TX11Native* Find(Window w);
  // By the X window events name.
  TX11Native* FindX(Window w);
  TX11Native* FindByHwnd(HWND h);
  Cursor FontCursor(int shape);
};

// What the window manager reads (X11Hints.cpp): decorations and functions
// (Motif hints), WM_HINTS (input, group), the window type and the state
// list, WM_TRANSIENT_FOR.
void WriteX11ManagerHints(TX11State& s, TX11Native& n);
// A window with WS_EX_TRANSPARENT: no click lands on it and no compositor
// gives it a shadow.
void WriteX11ClickThrough(TX11State& s, TX11Native& n);
void ApplyMotifHints(TX11State& s, const TX11Native& n);
void WriteX11InputHint(TX11State& s, const TX11Native& n);
void WriteWmStateList(TX11State& s, const TX11Native& n);
// The window manager reads _NET_WM_STATE itself only before mapping; once
// mapped a change is a request to the root window.
void SetWmState(TX11State& s, TX11Native& n, Atom state, bool on, Atom second = 0);
void SetAtomList(TX11State& s, Window w, Atom property, const std::vector<Atom>& atoms);
bool IsX11Modal(const TX11Native& n);
// Re-evaluates n's modality and tells the window manager when it changed.
void UpdateX11Modal(TX11State& s, TX11Native& n);
// WM_TAKE_FOCUS: the focus goes to n, or, while n is disabled, to the
// window it waits for.
void TakeX11Focus(TX11State& s, TX11Native& n, Time time);
// The window manager's _NET_WM_STATE or WM_STATE changed: a maximise,
// minimise or restore it did reaches the window layer.
void ReadX11WindowState(TX11State& s, TX11Native& n);
// Event handling (X11Events.cpp).
int DrainX11Events(TX11State& s);
// The pointer's look (X11Cursor.cpp).
void UpdateX11Cursor(TX11State& s);
void FreeX11Cursors(TX11State& s);
// Keyboard (X11Input.cpp).
void HandleX11Key(TX11State& s, XKeyEvent& ev, TX11Native* n);
// The input context of a new X window: preedit through callbacks when the
// input method offers that style, else none shown by us (as without a
// method). nullptr without an input method.
XIC CreateX11InputContext(TX11State& s, TX11Native& n, Window w);
// Gives the input method the spot the focus window asked for (Ime.h).
void UpdateX11ImeSpot(TX11State& s);
// The preedit callbacks' edits, apart from any input method: a draw
// replaces chg_length characters at chg_first with its text (a text without
// a string changes only looks), then takes its caret; a caret move follows
// its direction. Both keep the caret inside the text.
void ApplyX11PreeditDraw(std::u32string& text, int& caret, const XIMPreeditDrawCallbackStruct& d);
int MoveX11PreeditCaret(const std::u32string& text, int caret, XIMCaretDirection direction, int position);
// Callbacks as the input method calls them (X11Input.cpp). XIMProc names
// its first parameter an XIM, but preedit callbacks get the XIC.
int X11PreeditStart(XIC ic, XPointer state, XPointer);
// Around a reset of n's input context: the preedit callbacks the input
// method makes meanwhile reach no one, and at the end n composes nothing.
class TX11ImeReset {
 public:
  explicit TX11ImeReset(TX11Native& n) : n_(n) { n_.resetting = true; }
  ~TX11ImeReset();
  TX11ImeReset(const TX11ImeReset&) = delete;
  TX11ImeReset& operator=(const TX11ImeReset&) = delete;

 private:
  TX11Native& n_;
};
// Drops the composition of every window composing (Xutf8ResetIC), with
// the commits the input method queued for it while doing so.
void ResetX11Compositions(TX11State& s);
void X11PreeditDone(XIM ic, XPointer state, XPointer);
void X11PreeditDraw(XIM ic, XPointer state, XPointer call);
void X11PreeditCaret(XIM ic, XPointer state, XPointer call);
// Clipboard (X11Clipboard.cpp): answers other clients; true when handled.
bool HandleX11Selection(TX11State& s, XEvent& ev);
// Events of the notification-area icons (X11Tray.cpp); true when taken.
bool HandleX11Tray(TX11State& s, XEvent& ev);
bool X11TrayIcon(TX11State& s, TTrayOp op, const TTrayIconRec& icon);
void FreeX11TrayIcons(TX11State& s);
// Presentation (X11Present.cpp).
void PutBacking(TX11State& s, TX11Native& n, const RECT& r);
void FreeBacking(TX11Native& n);
// Copies premultiplied BGRA content into an ARGB window's backing and shows it.
void PutLayeredContent(TX11State& s, TX11Native& n, const Surface& content);
// Without a compositor: shows premultiplied BGRA content opaque, its pixels
// of alpha 128 and above in their own colour, the others cut away.
void PutShapedLayeredContent(TX11State& s, TX11Native& n, const Surface& content);
// The window region, the colour key and the alpha shape, combined into the
// bounding shape.
void ApplyX11Shape(TX11State& s, TX11Native& n);
// The input shape: these rectangles, or (nullptr) the whole window.
void SetX11InputShape(TX11State& s, TX11Native& n, const std::vector<RECT>* rects);
// Sends the shapes again once a window manager has framed the window: a
// manager copies them to its frame only when told of a change after it
// started watching (openbox and xfwm4 never read the input shape on their
// own).
void RepeatX11ShapesForFrame(TX11State& s, TX11Native& n);
// Frees the window's own GC and colormap (ARGB windows).
void FreeX11WindowResources(TX11State& s, TX11Native& n);
// Makes n's X window (unmapped) from n's fields, with the ARGB visual when
// given; sets n.window, the visual's resources and the input context.
bool MakeX11Window(TX11State& s, TX11Native& n, const XVisualInfo* argb);
// Error bookkeeping shared by the handlers (X11Display.cpp).
void RegisterX11Connection(TX11State* s);
bool WindowManagerRunning(TX11State& s);
void UnregisterX11Connection(TX11State* s);
