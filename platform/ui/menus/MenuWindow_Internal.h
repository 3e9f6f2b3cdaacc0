// The menu windows' internals, shared by the tracker's modules: geometry,
// the levels on screen and the tracker that runs the menu loop.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/graphics/Graphics.h"
#include "platform/rtl/CodePage.h"
#include "platform/ui/menus/MenuWindow.h"
#include "platform/ui/menus/Menus.h"
#include "platform/ui/forms/Screen.h"
#include "platform/user/User.h"

namespace menuwindow {

constexpr int kBorder = 3;
constexpr int kSeparatorHeight = 8;
constexpr int kArrowWidth = 16;
constexpr int kShortCutGap = 16;
constexpr int kTextGap = 4;
constexpr int kMinGutter = 16;
constexpr std::uintptr_t kOpenTimer = 1;
constexpr std::uintptr_t kScrollTimer = 2;
constexpr UINT kScrollInterval = 100;  // ms per row while the pointer rests on an arrow strip
constexpr int kScrollArrowHeight = 16;
constexpr const char* kMenuClass = "LumiqaMenuWindow";
constexpr UINT kTextFlags = DT_SINGLELINE | DT_VCENTER | DT_LEFT;

inline TFont* MenuFont() { return Screen->MenuFont(); }

struct TRow {
  int index;  // into the parent's items
  TRect rect;  // client coordinates
  bool line;
};

// Rows are laid out top to bottom as if everything fitted; a level taller
// than its room shows them from row `top` on, between two arrow strips.
struct TLevel {
  TMenuItem* parent = nullptr;
  std::shared_ptr<const bool> parentAlive;
  HWND wnd = nullptr;
  std::vector<TRow> rows;
  int selected = -1;  // row
  int gutter = kMinGutter;
  TSize size{};    // the window's
  TRect bounds{};  // screen
  TRect work{};    // the work area the level was placed on
  int maxHeight = 0;
  bool scrolls = false;
  int top = 0;  // first row shown
};

// The client area the rows show in.
inline TRect Viewport(const TLevel& lv) {
  if (!lv.scrolls) return TRect{0, 0, lv.size.cx, lv.size.cy};
  return TRect{kBorder, kBorder + kScrollArrowHeight, lv.size.cx - kBorder, lv.size.cy - kBorder - kScrollArrowHeight};
}

// Dir -1: the strip above the rows, +1: below.
inline TRect ArrowStrip(const TLevel& lv, int dir) {
  if (!lv.scrolls) return TRect{};
  TRect v = Viewport(lv);
  return dir < 0 ? TRect{v.Left, kBorder, v.Right, v.Top} : TRect{v.Left, v.Bottom, v.Right, lv.size.cy - kBorder};
}

// A row's rectangle in client coordinates, scrolled.
inline TRect RowRect(const TLevel& lv, std::size_t row) {
  TRect r = lv.rows[row].rect;
  if (lv.scrolls && lv.top > 0 && std::size_t(lv.top) < lv.rows.size()) {
    int shift = lv.rows[std::size_t(lv.top)].rect.Top - kBorder;
    r.Top -= shift;
    r.Bottom -= shift;
  }
  if (lv.scrolls) {
    r.Top += kScrollArrowHeight;
    r.Bottom += kScrollArrowHeight;
  }
  return r;
}

// The part of a row the user sees; empty when it is scrolled out.
inline TRect ShownRowRect(const TLevel& lv, std::size_t row) {
  TRect r = RowRect(lv, row), v = Viewport(lv);
  TRect out{std::max(r.Left, v.Left), std::max(r.Top, v.Top), std::min(r.Right, v.Right), std::min(r.Bottom, v.Bottom)};
  if (out.Left >= out.Right || out.Top >= out.Bottom) return TRect{};
  return out;
}

// The highest first row that still fills the viewport down to the last row.
inline int MaxTop(const TLevel& lv) {
  if (!lv.scrolls || lv.rows.empty()) return 0;
  int height = Viewport(lv).Height();
  int bottom = lv.rows.back().rect.Bottom;
  int t = int(lv.rows.size()) - 1;
  while (t > 0 && bottom - lv.rows[std::size_t(t - 1)].rect.Top <= height) --t;
  return t;
}

// Limits a measured level to maxHeight, scrolling when its rows need more.
inline void FitHeight(TLevel& lv, int maxHeight) {
  lv.maxHeight = maxHeight;
  lv.scrolls = lv.size.cy > maxHeight && lv.rows.size() > 1;
  if (!lv.scrolls) {
    lv.top = 0;
    return;
  }
  lv.size.cy = std::max(maxHeight, 2 * (kBorder + kScrollArrowHeight) + 1);
  lv.top = std::clamp(lv.top, 0, MaxTop(lv));
}

enum TPlacement { plPopup, plSubMenu, plDropDown };

inline bool IsMouseMessage(UINT m) {
  return (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST) || (m >= WM_NCMOUSEMOVE && m <= WM_NCMBUTTONDBLCLK);
}
inline bool IsKeyMessage(UINT m) { return m >= WM_KEYFIRST && m <= WM_KEYLAST; }
inline bool IsButtonDown(UINT m) {
  switch (m) {
    case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK: case WM_RBUTTONDBLCLK: case WM_MBUTTONDBLCLK:
    case WM_NCLBUTTONDOWN: case WM_NCRBUTTONDOWN: case WM_NCMBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK: case WM_NCRBUTTONDBLCLK: case WM_NCMBUTTONDBLCLK:
      return true;
    default:
      return false;
  }
}
inline bool IsButtonUp(UINT m) {
  return m == WM_LBUTTONUP || m == WM_RBUTTONUP || m == WM_NCLBUTTONUP || m == WM_NCRBUTTONUP;
}

inline TRect WorkAreaAt(TPoint p) {
  MONITORINFO mi;
  if (GetMonitorInfo(MonitorFromPoint(p, MONITOR_DEFAULTTONEAREST), &mi)) return mi.rcWork;
  return TRect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

inline TRect WindowToScreen(HWND wnd, TRect r) {
  RECT w{};
  GetWindowRect(wnd, &w);
  return TRect{r.Left + w.Left, r.Top + w.Top, r.Right + w.Left, r.Bottom + w.Top};
}

inline std::string Utf8Of(WPARAM cp) {
  std::string s;
  AppendUtf8(s, char32_t(cp));
  return s;
}

void RegisterMenuClass();

class TTracker {
 public:
  explicit TTracker(HWND owner);
  Word RunPopup(TMenuItem* root, TPoint at, TPopupAlignment alignment);
  Word RunBar(HWND form, TMenuItem* root, int openIndex, bool keyboard);
  // A window menu: the owner has had WM_INITMENUPOPUP for `menu` already,
  // selections name the item's window command (idOf) with MF_SYSMENU.
  Word RunWindowMenu(TMenuItem* root, TPoint at, bool keyboard, HMENU menu,
                     std::function<UINT(const TMenuItem*)> idOf);
  void Cancel() { done_ = true; }
  void Changed() {
    if (!suppress_) dirty_ = true;
  }
  void Paint(HWND wnd, HDC dc);

  std::vector<std::unique_ptr<TLevel>> levels_;
  HWND barForm_ = nullptr;
  int barIndex_ = -1;
  HMENU systemMenu_ = nullptr;
  TMenuItem* systemRoot_ = nullptr;
  std::function<UINT(const TMenuItem*)> systemIdOf_;
  TMenuItem* RowItem(std::size_t level, int row) const;
  int RowOfItem(std::size_t level, const TMenuItem* item) const;

 private:
  Word Run(bool popup, const std::function<void()>& start);
  void Finish(bool popup, bool notify);
  void HandleMouse(const MSG& peeked);
  void HandleKey(MSG& m);
  void Hover(int level, int row, int barItem);
  void OnOpenTimer();
  void StartTimer(std::size_t level);
  void StopTimer();
  bool ScrollTo(std::size_t level, int top);
  void Reveal(std::size_t level, int row);
  void StartScroll(std::size_t level, int dir);
  void StopScroll();
  void OnScrollTimer();
  void Wheel(TPoint pt, int delta);
  void JumpSelection(std::size_t level, int vk);
  int ArrowAt(std::size_t level, TPoint pt) const;
  bool OwnerLost();
  bool Measure(TLevel& lv);
  bool OpenLevel(TMenuItem* item, const TRect& anchor, TPlacement placement, bool selectFirst, bool initItem);
  bool OpenSub(std::size_t level, int row, bool selectFirst);
  void OpenBarItem(int index, bool keyboard, bool choose);
  void CloseFrom(std::size_t level);
  void SetSelected(std::size_t level, int row);
  void MoveSelection(std::size_t level, int dir);
  void Activate(std::size_t level, int row);
  void Accelerator(const std::string& ch);
  void Choose(TMenuItem* item);
  void Relayout();
  void DrawRow(TCanvas& canvas, HDC dc, TLevel& lv, std::size_t row);
  void SetBarHot(int index);
  int LevelAt(TPoint pt) const;
  int RowAt(std::size_t level, TPoint pt) const;
  int BarItemAt(TPoint pt) const;
  bool OnBar(TPoint pt) const;
  bool OnOwnerBar(TPoint pt) const;
  int NextBarItem(int from, int dir) const;
  bool Alive() const { return !barRoot_ || *barAlive_; }

  HWND owner_;
  bool chain_ = false;  // leaves past the ends (ArmMenuChain)
  bool Leave(int dir);
  TMenuItem* barRoot_ = nullptr;
  std::shared_ptr<const bool> barAlive_;
  TPoint popupAt_{};
  TPopupAlignment alignment_ = paLeft;
  bool done_ = false;
  bool dirty_ = false;
  bool suppress_ = false;
  int timerLevel_ = -1;
  int scrollLevel_ = -1;
  int scrollDir_ = 0;
  int wheelRest_ = 0;
  bool appActive_ = false;
  bool ownerShown_ = false;
  TMenuItem* chosen_ = nullptr;
  std::shared_ptr<const bool> chosenAlive_;
};

extern TTracker* g_tracker;

}  // namespace menuwindow
