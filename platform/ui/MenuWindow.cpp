#include "platform/ui/MenuWindow.h"

#include <algorithm>
#include <memory>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/graphics/Graphics.h"
#include "platform/ui/ClassicDraw.h"
#include "platform/ui/MenuBar.h"
#include "platform/ui/Screen.h"
#include "platform/user/User.h"

namespace {

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

TFont* MenuFont() { return Screen->MenuFont(); }

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
TRect Viewport(const TLevel& lv) {
  if (!lv.scrolls) return TRect{0, 0, lv.size.cx, lv.size.cy};
  return TRect{kBorder, kBorder + kScrollArrowHeight, lv.size.cx - kBorder, lv.size.cy - kBorder - kScrollArrowHeight};
}

// Dir -1: the strip above the rows, +1: below.
TRect ArrowStrip(const TLevel& lv, int dir) {
  if (!lv.scrolls) return TRect{};
  TRect v = Viewport(lv);
  return dir < 0 ? TRect{v.Left, kBorder, v.Right, v.Top} : TRect{v.Left, v.Bottom, v.Right, lv.size.cy - kBorder};
}

// A row's rectangle in client coordinates, scrolled.
TRect RowRect(const TLevel& lv, std::size_t row) {
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
TRect ShownRowRect(const TLevel& lv, std::size_t row) {
  TRect r = RowRect(lv, row), v = Viewport(lv);
  TRect out{std::max(r.Left, v.Left), std::max(r.Top, v.Top), std::min(r.Right, v.Right), std::min(r.Bottom, v.Bottom)};
  if (out.Left >= out.Right || out.Top >= out.Bottom) return TRect{};
  return out;
}

// The highest first row that still fills the viewport down to the last row.
int MaxTop(const TLevel& lv) {
  if (!lv.scrolls || lv.rows.empty()) return 0;
  int height = Viewport(lv).Height();
  int bottom = lv.rows.back().rect.Bottom;
  int t = int(lv.rows.size()) - 1;
  while (t > 0 && bottom - lv.rows[std::size_t(t - 1)].rect.Top <= height) --t;
  return t;
}

// Limits a measured level to maxHeight, scrolling when its rows need more.
void FitHeight(TLevel& lv, int maxHeight) {
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

bool IsMouseMessage(UINT m) {
  return (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST) || (m >= WM_NCMOUSEMOVE && m <= WM_NCMBUTTONDBLCLK);
}
bool IsKeyMessage(UINT m) { return m >= WM_KEYFIRST && m <= WM_KEYLAST; }
bool IsButtonDown(UINT m) {
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
bool IsButtonUp(UINT m) {
  return m == WM_LBUTTONUP || m == WM_RBUTTONUP || m == WM_NCLBUTTONUP || m == WM_NCRBUTTONUP;
}

TRect WorkAreaAt(TPoint p) {
  MONITORINFO mi;
  if (GetMonitorInfo(MonitorFromPoint(p, MONITOR_DEFAULTTONEAREST), &mi)) return mi.rcWork;
  return TRect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

TRect WindowToScreen(HWND wnd, TRect r) {
  RECT w{};
  GetWindowRect(wnd, &w);
  return TRect{r.Left + w.Left, r.Top + w.Top, r.Right + w.Left, r.Bottom + w.Top};
}

std::string Utf8Of(WPARAM cp) {
  std::string s;
  auto c = std::uint32_t(cp);
  if (c < 0x80) {
    s += char(c);
  } else if (c < 0x800) {
    s += char(0xC0 | (c >> 6));
    s += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    s += char(0xE0 | (c >> 12));
    s += char(0x80 | ((c >> 6) & 0x3F));
    s += char(0x80 | (c & 0x3F));
  } else {
    s += char(0xF0 | (c >> 18));
    s += char(0x80 | ((c >> 12) & 0x3F));
    s += char(0x80 | ((c >> 6) & 0x3F));
    s += char(0x80 | (c & 0x3F));
  }
  return s;
}

// A check mark 7 wide and 7 high with (x, y) its top-left.
void DrawCheckMark(HDC dc, int x, int y, TColor c) {
  static const int top[] = {2, 3, 4, 3, 2, 1, 0};
  for (int i = 0; i < 7; ++i) FillSolid(dc, TRect{x + i, y + top[i], x + i + 1, y + top[i] + 3}, c);
}

// A round bullet 6 across.
void DrawBullet(HDC dc, int x, int y, TColor c) {
  static const int half[] = {1, 2, 3, 3, 2, 1};
  for (int i = 0; i < 6; ++i) FillSolid(dc, TRect{x + 3 - half[i], y + i, x + 3 + half[i], y + i + 1}, c);
}

// A right-pointing triangle 4 wide, 7 high.
void DrawSubMenuArrow(HDC dc, int x, int y, TColor c) {
  for (int i = 0; i < 4; ++i) FillSolid(dc, TRect{x + i, y + i, x + i + 1, y + 7 - i}, c);
}

// A scroll arrow strip: a triangle 7 wide and 4 high in its middle, embossed
// when the rows cannot go further that way.
void DrawScrollArrow(HDC dc, const TRect& strip, int dir, bool enabled) {
  int x = strip.Left + (strip.Width() - 7) / 2, y = strip.Top + (strip.Height() - 4) / 2;
  auto triangle = [&](int dx, TColor c) {
    for (int i = 0; i < 4; ++i) {
      int half = dir < 0 ? i : 3 - i;
      FillSolid(dc, TRect{x + dx + 3 - half, y + dx + i, x + dx + 4 + half, y + dx + i + 1}, c);
    }
  };
  if (enabled) {
    triangle(0, clMenuText);
  } else {
    triangle(1, clBtnHighlight);
    triangle(0, clBtnShadow);
  }
}

LRESULT MenuWndProc(HWND h, UINT m, WPARAM wp, LPARAM lp);

void RegisterMenuClass() {
  WNDCLASS wc;
  if (GetClassInfo(nullptr, kMenuClass, &wc)) return;
  wc = WNDCLASS{};
  wc.style = CS_SAVEBITS;
  wc.lpfnWndProc = MenuWndProc;
  wc.hCursor = LoadCursor(nullptr, MAKEINTRESOURCE(IDC_ARROW));
  wc.lpszClassName = kMenuClass;
  RegisterClass(&wc);
}

class TTracker {
 public:
  explicit TTracker(HWND owner) : owner_(owner) {}
  Word RunPopup(TMenuItem* root, TPoint at, TPopupAlignment alignment);
  Word RunBar(HWND form, TMenuItem* root, int openIndex, bool keyboard);
  void Cancel() { done_ = true; }
  void Changed() {
    if (!suppress_) dirty_ = true;
  }
  void Paint(HWND wnd, HDC dc);

  std::vector<std::unique_ptr<TLevel>> levels_;
  HWND barForm_ = nullptr;
  int barIndex_ = -1;
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

TTracker* g_tracker = nullptr;

LRESULT MenuWndProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  switch (m) {
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      try {
        if (g_tracker) g_tracker->Paint(h, dc);
      } catch (...) {
        EndPaint(h, &ps);
        throw;
      }
      EndPaint(h, &ps);
      return 0;
    }
    default: return DefWindowProc(h, m, wp, lp);
  }
}

// ---- Items and geometry -------------------------------------------------------------------

TMenuItem* TTracker::RowItem(std::size_t level, int row) const {
  if (level >= levels_.size()) return nullptr;
  const TLevel& lv = *levels_[level];
  if (!*lv.parentAlive || row < 0 || row >= int(lv.rows.size())) return nullptr;
  int index = lv.rows[std::size_t(row)].index;
  if (index >= lv.parent->Count()) return nullptr;
  return lv.parent->Items(index);
}

int TTracker::RowOfItem(std::size_t level, const TMenuItem* item) const {
  if (level >= levels_.size() || !item) return -1;
  for (std::size_t r = 0; r < levels_[level]->rows.size(); ++r)
    if (RowItem(level, int(r)) == item) return int(r);
  return -1;
}

int TTracker::LevelAt(TPoint pt) const {
  for (std::size_t i = levels_.size(); i-- > 0;)
    if (levels_[i]->bounds.Contains(pt)) return int(i);
  return -1;
}

int TTracker::RowAt(std::size_t level, TPoint pt) const {
  const TLevel& lv = *levels_[level];
  TPoint local{pt.X - lv.bounds.Left, pt.Y - lv.bounds.Top};
  if (!Viewport(lv).Contains(local)) return -1;
  for (std::size_t r = std::size_t(lv.top); r < lv.rows.size(); ++r) {
    TRect rect = RowRect(lv, r);
    if (rect.Top > local.Y) break;
    if (rect.Contains(local)) return int(r);
  }
  return -1;
}

int TTracker::ArrowAt(std::size_t level, TPoint pt) const {
  const TLevel& lv = *levels_[level];
  TPoint local{pt.X - lv.bounds.Left, pt.Y - lv.bounds.Top};
  for (int dir : {-1, 1})
    if (ArrowStrip(lv, dir).Contains(local)) return dir;
  return 0;
}

int TTracker::BarItemAt(TPoint pt) const {
  if (!barForm_ || !Alive()) return -1;
  for (const TMenuBarItem& b : MenuBarItems(barForm_, barRoot_))
    if (WindowToScreen(barForm_, b.Rect).Contains(pt)) return b.Index;
  return -1;
}

bool TTracker::OnBar(TPoint pt) const {
  return barForm_ && Alive() && WindowToScreen(barForm_, MenuBarRect(barForm_, barRoot_)).Contains(pt);
}

bool TTracker::OnOwnerBar(TPoint pt) const {
  if (barForm_) return false;
  auto* form = dynamic_cast<TCustomForm*>(FindControl(owner_));
  if (!form || !form->Menu()) return false;
  return WindowToScreen(owner_, MenuBarRect(owner_, form->Menu()->Items())).Contains(pt);
}

int TTracker::NextBarItem(int from, int dir) const {
  if (!barForm_ || !Alive()) return -1;
  std::vector<TMenuBarItem> items = MenuBarItems(barForm_, barRoot_);
  if (items.empty()) return -1;
  int pos = -1;
  for (std::size_t i = 0; i < items.size(); ++i)
    if (items[i].Index == from) pos = int(i);
  int n = int(items.size());
  pos = pos < 0 ? (dir > 0 ? 0 : n - 1) : (pos + dir + n) % n;
  return items[std::size_t(pos)].Index;
}

bool TTracker::Measure(TLevel& lv) {
  if (!*lv.parentAlive) return false;
  TMenuItem* parent = lv.parent;
  TFont* font = MenuFont();
  TMenu* menu = parent->GetParentMenu();
  TImageList* images = menu ? menu->Images() : nullptr;
  bool ownerDraw = menu && menu->OwnerDraw();
  std::vector<int> shown = parent->ShownIndexes();
  int gutter = kMinGutter;
  int rowHeight = TextCellHeight(font) + 6;
  if (images) {
    gutter = std::max(gutter, images->Width() + 4);
    rowHeight = std::max(rowHeight, images->Height() + 4);
  }
  for (int i : shown) {
    TMenuItem* item = parent->Items(i);
    if (item->HasBitmap()) {
      gutter = std::max(gutter, item->Bitmap()->Width() + 4);
      rowHeight = std::max(rowHeight, item->Bitmap()->Height() + 4);
    }
  }
  TFont bold;
  bold.Assign(font);
  bold.SetStyle(bold.Style() | fsBold);
  int maxText = 0, maxShortCut = 0, maxOwner = 0;
  std::vector<int> heights;
  HDC mdc = CreateCompatibleDC(nullptr);
  TCanvas canvas;
  canvas.SetHandle(mdc);
  canvas.Font()->Assign(font);
  suppress_ = true;
  bool ok = true;
  for (int i : shown) {
    if (!*lv.parentAlive || i >= parent->Count()) {
      ok = false;
      break;
    }
    TMenuItem* item = parent->Items(i);
    if (item->IsLine()) {
      heights.push_back(kSeparatorHeight);
      continue;
    }
    int tw = MeasureClassicText(item->Default() ? &bold : font, item->Caption(), TRect{0, 0, 10000, 1000}, kTextFlags)
                 .Width();
    std::string sc = ShortCutToText(item->ShortCut());
    int sw = sc.empty() ? 0 : MeasureClassicText(font, sc, TRect{0, 0, 10000, 1000}, kTextFlags | DT_NOPREFIX).Width();
    int h = rowHeight;
    if (ownerDraw) {
      int w = gutter + kTextGap + tw + (sw ? kShortCutGap + sw : 0) + kArrowWidth;
      item->MeasureItem(&canvas, w, h);
      maxOwner = std::max(maxOwner, w);
    } else {
      maxText = std::max(maxText, tw);
      maxShortCut = std::max(maxShortCut, sw);
    }
    heights.push_back(std::max(h, 1));
  }
  suppress_ = false;
  canvas.SetHandle(nullptr);
  DeleteDC(mdc);
  if (!ok || !*lv.parentAlive) return false;
  int width = std::max(gutter + kTextGap + maxText + (maxShortCut ? kShortCutGap + maxShortCut : 0) + kArrowWidth,
                       maxOwner);
  lv.rows.clear();
  int y = kBorder;
  for (std::size_t k = 0; k < shown.size(); ++k) {
    TMenuItem* item = parent->Items(shown[k]);
    lv.rows.push_back(TRow{shown[k], TRect{kBorder, y, kBorder + width, y + heights[k]}, item->IsLine()});
    y += heights[k];
  }
  lv.gutter = gutter;
  lv.size = TSize{width + 2 * kBorder, y + kBorder};
  return true;
}

// ---- Levels ---------------------------------------------------------------------------------

bool TTracker::OpenLevel(TMenuItem* item, const TRect& anchor, TPlacement placement, bool selectFirst,
                         bool initItem) {
  auto alive = item->AliveToken();
  SendMessage(owner_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(item->Handle()),
              MAKELPARAM(std::max(item->MenuIndex(), 0), 0));
  if (!*alive || done_) return false;
  if (initItem)
    if (TNotifyEvent h = item->OnClick) h(item);  // lets the item fill its sub-menu
  if (!*alive || done_) return false;
  auto lv = std::make_unique<TLevel>();
  lv->parent = item;
  lv->parentAlive = alive;
  if (!Measure(*lv) || lv->rows.empty()) return false;
  TRect work = WorkAreaAt(placement == plPopup ? popupAt_ : TPoint{anchor.Left, anchor.Top});
  int room = work.Height();
  if (placement == plDropDown) {
    // A drop-down stays clear of its bar: below it, else above, else on the larger side.
    int below = work.Bottom - anchor.Bottom, above = anchor.Top - work.Top;
    room = lv->size.cy <= below ? below : lv->size.cy <= above ? above : std::max(below, above);
  }
  lv->work = work;
  FitHeight(*lv, room);
  int w = lv->size.cx, h = lv->size.cy;
  int x = anchor.Left, y = anchor.Top;
  switch (placement) {
    case plPopup:
      x = alignment_ == paRight ? anchor.Left - w : alignment_ == paCenter ? anchor.Left - w / 2 : anchor.Left;
      if (x + w > work.Right) x = alignment_ == paLeft ? anchor.Left - w : work.Right - w;
      if (y + h > work.Bottom) y = anchor.Top - h;
      break;
    case plSubMenu:
      x = anchor.Right - kBorder;
      y = anchor.Top - kBorder;
      if (x + w > work.Right) x = levels_.empty() ? work.Right - w : levels_.back()->bounds.Left - w + kBorder;
      if (y + h > work.Bottom) y = work.Bottom - h;
      break;
    case plDropDown:
      y = anchor.Bottom;
      if (y + h > work.Bottom && anchor.Top - h >= work.Top) y = anchor.Top - h;
      if (x + w > work.Right) x = work.Right - w;
      break;
  }
  x = std::max(std::min(x, work.Right - w), work.Left);
  y = std::max(std::min(y, work.Bottom - h), work.Top);
  lv->bounds = TRect{x, y, x + w, y + h};
  RegisterMenuClass();
  lv->wnd = CreateWindowEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, kMenuClass, "", WS_POPUP, x, y, w, h,
                           owner_, nullptr, nullptr, nullptr);
  if (!lv->wnd) return false;
  HWND wnd = lv->wnd;
  levels_.push_back(std::move(lv));
  ShowWindow(wnd, SW_SHOWNOACTIVATE);
  if (selectFirst) MoveSelection(levels_.size() - 1, +1);
  return true;
}

bool TTracker::OpenSub(std::size_t level, int row, bool selectFirst) {
  TMenuItem* item = RowItem(level, row);
  if (!item || !item->Enabled() || item->Count() == 0) return false;
  if (levels_.size() > level + 1 && levels_[level + 1]->parent == item) {
    if (selectFirst && levels_[level + 1]->selected < 0) MoveSelection(level + 1, +1);
    return true;
  }
  CloseFrom(level + 1);
  SetSelected(level, row);
  if (done_ || level >= levels_.size()) return false;
  item = RowItem(level, row);
  if (!item) return false;
  TLevel& lv = *levels_[level];
  if (ShownRowRect(lv, std::size_t(row)).Width() == 0) Reveal(level, row);
  TRect r = ShownRowRect(lv, std::size_t(row));
  TRect anchor{lv.bounds.Left + r.Left, lv.bounds.Top + r.Top, lv.bounds.Left + r.Right, lv.bounds.Top + r.Bottom};
  anchor.Right = lv.bounds.Right;
  return OpenLevel(item, anchor, plSubMenu, selectFirst, true);
}

void TTracker::CloseFrom(std::size_t level) {
  if (timerLevel_ >= int(level)) StopTimer();
  if (scrollLevel_ >= int(level)) StopScroll();
  while (levels_.size() > level) {
    HWND wnd = levels_.back()->wnd;
    levels_.pop_back();
    if (wnd && IsWindow(wnd)) DestroyWindow(wnd);
  }
  if (barForm_ && level == 0 && Alive() && IsWindow(barForm_)) PaintMenuBar(barForm_, barRoot_);
}

void TTracker::SetSelected(std::size_t level, int row) {
  if (level >= levels_.size()) return;
  TLevel& lv = *levels_[level];
  if (lv.selected == row) return;
  for (int r : {lv.selected, row})
    if (r >= 0 && r < int(lv.rows.size())) {
      TRect rect = RowRect(lv, std::size_t(r));
      InvalidateRect(lv.wnd, &rect, FALSE);
    }
  lv.selected = row;
  TMenuItem* item = RowItem(level, row);
  if (!item) return;
  UINT flags = MF_HILITE;
  if (item->Count() > 0) flags |= MF_POPUP;
  if (!item->Enabled()) flags |= MF_GRAYED | MF_DISABLED;
  if (item->Checked()) flags |= MF_CHECKED;
  WPARAM id = item->Count() > 0 ? WPARAM(item->MenuIndex()) : WPARAM(item->Command());
  SendMessage(owner_, WM_MENUSELECT, MAKEWPARAM(int(id), int(flags)), reinterpret_cast<LPARAM>(lv.parent->Handle()));
}

void TTracker::MoveSelection(std::size_t level, int dir) {
  if (level >= levels_.size()) return;
  TLevel& lv = *levels_[level];
  int n = int(lv.rows.size());
  if (n == 0) return;
  int start = lv.selected < 0 ? (dir > 0 ? -1 : n) : lv.selected;
  for (int k = 1; k <= n; ++k) {
    int r = ((start + dir * k) % n + n) % n;
    if (!lv.rows[std::size_t(r)].line) {
      SetSelected(level, r);
      Reveal(level, r);
      return;
    }
  }
}

// Home and End go to the first and last item; Page Up and Down go as far as
// one viewport of rows from the selected one, without wrapping.
void TTracker::JumpSelection(std::size_t level, int vk) {
  if (level >= levels_.size()) return;
  TLevel& lv = *levels_[level];
  int n = int(lv.rows.size());
  if (n == 0) return;
  int dir = (vk == VK_HOME || vk == VK_PRIOR) ? -1 : 1;
  if (lv.selected < 0 && (vk == VK_PRIOR || vk == VK_NEXT)) {
    MoveSelection(level, dir);
    return;
  }
  int target;
  if (vk == VK_HOME || vk == VK_END) {
    target = dir < 0 ? 0 : n - 1;
    dir = -dir;  // from the end inwards, past separators
  } else {
    int page = Viewport(lv).Height();
    const TRect& from = lv.rows[std::size_t(lv.selected)].rect;
    target = lv.selected;
    while (target + dir >= 0 && target + dir < n) {
      const TRect& next = lv.rows[std::size_t(target + dir)].rect;
      if ((dir > 0 ? next.Bottom - from.Top : from.Bottom - next.Top) > page && target != lv.selected) break;
      target += dir;
    }
  }
  for (int r = target; r >= 0 && r < n; r += dir)
    if (!lv.rows[std::size_t(r)].line) {
      target = r;
      break;
    }
  for (int r = target; r >= 0 && r < n; r -= dir)  // only separators that way: the nearest item back
    if (!lv.rows[std::size_t(r)].line) {
      SetSelected(level, r);
      Reveal(level, r);
      return;
    }
}

// ---- Scrolling ----------------------------------------------------------------------------------

bool TTracker::ScrollTo(std::size_t level, int top) {
  if (level >= levels_.size()) return false;
  TLevel& lv = *levels_[level];
  top = std::clamp(top, 0, MaxTop(lv));
  if (top == lv.top) return false;
  // A sub-menu would be left beside a row that moved.
  CloseFrom(level + 1);
  if (level >= levels_.size()) return false;
  lv.top = top;
  InvalidateRect(lv.wnd, nullptr, FALSE);
  return true;
}

// Scrolls as little as brings the whole row into view.
void TTracker::Reveal(std::size_t level, int row) {
  if (level >= levels_.size()) return;
  TLevel& lv = *levels_[level];
  if (!lv.scrolls || row < 0 || row >= int(lv.rows.size())) return;
  if (row < lv.top) {
    ScrollTo(level, row);
    return;
  }
  int height = Viewport(lv).Height();
  int top = lv.top;
  while (top < row && lv.rows[std::size_t(row)].rect.Bottom - lv.rows[std::size_t(top)].rect.Top > height) ++top;
  ScrollTo(level, top);
}

void TTracker::StartScroll(std::size_t level, int dir) {
  if (scrollLevel_ == int(level) && scrollDir_ == dir) return;
  StopScroll();
  scrollLevel_ = int(level);
  scrollDir_ = dir;
  SetTimer(levels_[level]->wnd, kScrollTimer, kScrollInterval, nullptr);
}

void TTracker::StopScroll() {
  if (scrollLevel_ >= 0 && scrollLevel_ < int(levels_.size()))
    KillTimer(levels_[std::size_t(scrollLevel_)]->wnd, kScrollTimer);
  scrollLevel_ = -1;
  scrollDir_ = 0;
}

void TTracker::OnScrollTimer() {
  auto level = std::size_t(scrollLevel_);
  if (level >= levels_.size()) return;
  // The pointer may have left for a window of another application without a move reaching us.
  POINT pt{};
  GetCursorPos(&pt);
  const TLevel& lv = *levels_[level];
  if (ArrowAt(level, pt) != scrollDir_ || !ScrollTo(level, lv.top + scrollDir_)) StopScroll();
}

void TTracker::Wheel(TPoint pt, int delta) {
  int level = LevelAt(pt);
  if (level < 0) level = int(levels_.size()) - 1;
  if (level < 0 || delta == 0) return;
  UINT lines = 3;
  SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
  // Parts of a notch add up until they make a row.
  wheelRest_ += delta * int(std::clamp<UINT>(lines, 1, 100));
  int rows = wheelRest_ / WHEEL_DELTA;
  wheelRest_ -= rows * WHEEL_DELTA;
  auto l = std::size_t(level);
  if (rows) ScrollTo(l, levels_[l]->top - rows);
}

void TTracker::Choose(TMenuItem* item) {
  chosen_ = item;
  chosenAlive_ = item->AliveToken();
  done_ = true;
}

void TTracker::Activate(std::size_t level, int row) {
  TMenuItem* item = RowItem(level, row);
  if (!item || item->IsLine() || !item->Enabled()) return;
  if (item->Count() > 0)
    OpenSub(level, row, true);
  else
    Choose(item);
}

void TTracker::SetBarHot(int index) {
  barIndex_ = index;
  if (!Alive() || !IsWindow(barForm_)) return;
  PaintMenuBar(barForm_, barRoot_);
  if (index >= 0 && index < barRoot_->Count()) {
    TMenuItem* item = barRoot_->Items(index);
    UINT flags = MF_HILITE | (item->Count() > 0 ? MF_POPUP : 0) | (item->Enabled() ? 0 : MF_GRAYED | MF_DISABLED);
    WPARAM id = item->Count() > 0 ? WPARAM(index) : WPARAM(item->Command());
    SendMessage(owner_, WM_MENUSELECT, MAKEWPARAM(int(id), int(flags)), reinterpret_cast<LPARAM>(barRoot_->Handle()));
  }
}

void TTracker::OpenBarItem(int index, bool keyboard, bool choose) {
  if (!Alive() || index < 0 || index >= barRoot_->Count()) return;
  CloseFrom(0);
  TMenuItem* item = barRoot_->Items(index);
  auto alive = item->AliveToken();
  SetBarHot(index);
  if (done_ || !*alive || !item->Enabled()) return;
  if (item->Count() == 0) {
    if (choose) Choose(item);
    return;
  }
  for (const TMenuBarItem& b : MenuBarItems(barForm_, barRoot_))
    if (b.Index == index) {
      OpenLevel(item, WindowToScreen(barForm_, b.Rect), plDropDown, keyboard, true);
      break;
    }
  if (Alive() && IsWindow(barForm_)) PaintMenuBar(barForm_, barRoot_);
}

void TTracker::StartTimer(std::size_t level) {
  StopTimer();
  DWORD delay = 400;
  SystemParametersInfo(SPI_GETMENUSHOWDELAY, 0, &delay, 0);
  timerLevel_ = int(level);
  SetTimer(levels_[level]->wnd, kOpenTimer, std::max<UINT>(UINT(delay), 1), nullptr);
}

void TTracker::StopTimer() {
  if (timerLevel_ >= 0 && timerLevel_ < int(levels_.size())) KillTimer(levels_[std::size_t(timerLevel_)]->wnd, kOpenTimer);
  timerLevel_ = -1;
}

void TTracker::OnOpenTimer() {
  std::size_t level = std::size_t(timerLevel_);
  StopTimer();
  if (level >= levels_.size()) return;
  int row = levels_[level]->selected;
  TMenuItem* item = RowItem(level, row);
  if (levels_.size() > level + 1 && levels_[level + 1]->parent != item) CloseFrom(level + 1);
  if (item && levels_.size() == level + 1) OpenSub(level, row, false);
}

void TTracker::Relayout() {
  dirty_ = false;
  if (barForm_) {
    if (!Alive()) {
      done_ = true;
      return;
    }
    PaintMenuBar(barForm_, barRoot_);
  }
  for (std::size_t level = 0; level < levels_.size(); ++level) {
    TLevel& lv = *levels_[level];
    bool shown = *lv.parentAlive;
    if (shown && level > 0) shown = RowOfItem(level - 1, lv.parent) >= 0;  // still listed above
    TMenuItem* selected = shown ? RowItem(level, lv.selected) : nullptr;
    TMenuItem* top = shown ? RowItem(level, lv.top) : nullptr;
    if (!shown || !Measure(lv) || lv.rows.empty()) {
      CloseFrom(level);
      break;
    }
    lv.selected = RowOfItem(level, selected);
    lv.top = std::max(RowOfItem(level, top), 0);
    FitHeight(lv, lv.maxHeight);
    // A level that grew stays on its work area.
    int y = std::max(std::min(lv.bounds.Top, lv.work.Bottom - lv.size.cy), lv.work.Top);
    lv.bounds = TRect{lv.bounds.Left, y, lv.bounds.Left + lv.size.cx, y + lv.size.cy};
    SetWindowPos(lv.wnd, nullptr, lv.bounds.Left, lv.bounds.Top, lv.size.cx, lv.size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(lv.wnd, nullptr, FALSE);
  }
  if (levels_.empty() && !barForm_) done_ = true;
}

// ---- Painting --------------------------------------------------------------------------------

void TTracker::Paint(HWND wnd, HDC dc) {
  for (auto& p : levels_) {
    if (p->wnd != wnd) continue;
    TLevel& lv = *p;
    TRect r{0, 0, lv.size.cx, lv.size.cy};
    Frame3D(dc, r, clBtnFace, cl3DDkShadow, 1);
    Frame3D(dc, r, clBtnHighlight, clBtnShadow, 1);
    FillSolid(dc, r, clMenu);
    if (lv.scrolls) {
      DrawScrollArrow(dc, ArrowStrip(lv, -1), -1, lv.top > 0);
      DrawScrollArrow(dc, ArrowStrip(lv, +1), +1, lv.top < MaxTop(lv));
    }
    TRect view = Viewport(lv);
    int saved = SaveDC(dc);
    // Owner drawing and the last, partly shown row stay off the arrow strips.
    if (lv.scrolls) IntersectClipRect(dc, view.Left, view.Top, view.Right, view.Bottom);
    TCanvas canvas;
    canvas.SetHandle(dc);
    suppress_ = true;
    try {
      for (std::size_t row = std::size_t(lv.top); row < lv.rows.size() && *lv.parentAlive; ++row) {
        if (RowRect(lv, row).Top >= view.Bottom) break;
        DrawRow(canvas, dc, lv, row);
      }
    } catch (...) {
      suppress_ = false;
      canvas.SetHandle(nullptr);
      RestoreDC(dc, saved);
      throw;
    }
    suppress_ = false;
    canvas.SetHandle(nullptr);
    RestoreDC(dc, saved);
    return;
  }
}

void TTracker::DrawRow(TCanvas& canvas, HDC dc, TLevel& lv, std::size_t row) {
  const TRow& rw = lv.rows[row];
  if (rw.index >= lv.parent->Count()) return;
  TMenuItem* item = lv.parent->Items(rw.index);
  TRect rect = RowRect(lv, row);
  bool selected = int(row) == lv.selected;
  bool enabled = item->Enabled();
  TMenu* menu = item->GetParentMenu();
  TFont* font = MenuFont();
  if (menu && menu->OwnerDraw()) {
    TOwnerDrawState state = (selected ? odSelected : 0) | (enabled ? 0 : odDisabled | odGrayed) |
                            (item->Checked() ? odChecked : 0) | (item->Default() ? odDefault : 0);
    canvas.Font()->Assign(font);
    canvas.Font()->SetColor(selected ? clHighlightText : clMenuText);
    canvas.Brush()->SetColor(selected ? clHighlight : clMenu);
    if (item->AdvancedDrawItem(&canvas, rect, state)) return;
  }
  if (rw.line) {
    int y = rect.Top + rect.Height() / 2 - 1;
    FillSolid(dc, TRect{rect.Left + 1, y, rect.Right - 1, y + 1}, clBtnShadow);
    FillSolid(dc, TRect{rect.Left + 1, y + 1, rect.Right - 1, y + 2}, clBtnHighlight);
    return;
  }
  FillSolid(dc, rect, selected ? clHighlight : clMenu);
  TColor text = selected ? (enabled ? clHighlightText : clGrayText) : clMenuText;
  // The glyph column: an image, else the bitmap, else the check mark or bullet.
  TRect glyph{rect.Left, rect.Top, rect.Left + lv.gutter, rect.Bottom};
  TImageList* images = menu ? menu->Images() : nullptr;
  bool pictured = false;
  if (images && item->ImageIndex() >= 0 && item->ImageIndex() < images->Count()) {
    int x = glyph.Left + (glyph.Width() - images->Width()) / 2, y = glyph.Top + (glyph.Height() - images->Height()) / 2;
    if (item->Checked()) {
      TRect f{x - 1, y - 1, x + images->Width() + 1, y + images->Height() + 1};
      Frame3D(dc, f, clBtnShadow, clBtnHighlight, 1);
    }
    images->Draw(&canvas, x, y, item->ImageIndex(), enabled);
    pictured = true;
  } else if (item->HasBitmap()) {
    TBitmap* b = item->Bitmap();
    canvas.Draw(glyph.Left + (glyph.Width() - b->Width()) / 2, glyph.Top + (glyph.Height() - b->Height()) / 2, b);
    pictured = true;
  }
  if (!pictured && item->Checked()) {
    TColor mark = enabled ? text : clBtnShadow;
    int cx = glyph.Left + glyph.Width() / 2, cy = glyph.Top + glyph.Height() / 2;
    if (item->RadioItem())
      DrawBullet(dc, cx - 3, cy - 3, mark);
    else
      DrawCheckMark(dc, cx - 3, cy - 3, mark);
  }
  TFont bold;
  TFont* captionFont = font;
  if (item->Default()) {
    bold.Assign(font);
    bold.SetStyle(bold.Style() | fsBold);
    captionFont = &bold;
  }
  bool embossed = !enabled && !selected;
  TRect tr{glyph.Right + kTextGap, rect.Top, rect.Right - kArrowWidth, rect.Bottom};
  DrawClassicText(dc, captionFont, text, item->Caption(), tr, kTextFlags, !embossed);
  std::string sc = ShortCutToText(item->ShortCut());
  if (!sc.empty()) {
    TRect sr = tr;
    DrawClassicText(dc, font, text, sc, sr, DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX, !embossed);
  }
  if (item->Count() > 0)
    DrawSubMenuArrow(dc, rect.Right - kArrowWidth / 2 - 2, rect.Top + (rect.Height() - 7) / 2,
                     embossed ? clBtnShadow : text);
}

// ---- Input --------------------------------------------------------------------------------------

void TTracker::Hover(int level, int row, int barItem) {
  if (level >= 0) {
    auto l = std::size_t(level);
    // The chain of parents down to this level stays selected.
    for (std::size_t k = 0; k < l && k + 1 < levels_.size(); ++k) {
      int parentRow = RowOfItem(k, levels_[k + 1]->parent);
      if (parentRow >= 0) SetSelected(k, parentRow);
      if (done_ || l >= levels_.size()) return;
    }
    if (row >= 0 && row != levels_[l]->selected) {
      StopTimer();
      SetSelected(l, row);
      if (done_ || l >= levels_.size()) return;
      TMenuItem* item = RowItem(l, row);
      bool opens = item && item->Enabled() && item->Count() > 0;
      bool closes = levels_.size() > l + 1 && levels_[l + 1]->parent != item;
      if (opens || closes) StartTimer(l);
    } else if (row < 0 && l + 1 == levels_.size()) {
      StopTimer();
      SetSelected(l, -1);
    }
    return;
  }
  if (barItem >= 0) {
    if (barItem == barIndex_) return;
    TMenuItem* item = barRoot_->Items(barItem);
    if (!levels_.empty()) {
      if (item->Count() > 0 && item->Enabled())
        OpenBarItem(barItem, false, false);
      else {
        CloseFrom(0);
        SetBarHot(barItem);
      }
    } else {
      SetBarHot(barItem);
    }
    return;
  }
  // Outside: the deepest level lets go of a row whose sub-menu is not open.
  if (!levels_.empty()) {
    std::size_t l = levels_.size() - 1;
    StopTimer();
    SetSelected(l, -1);
  }
}

void TTracker::HandleMouse(const MSG& peeked) {
  TPoint pt = peeked.pt;
  int level = LevelAt(pt);
  bool onBar = OnBar(pt);
  bool onOwnerBar = OnOwnerBar(pt);
  if (IsButtonDown(peeked.message) && level < 0 && !onBar && !onOwnerBar) {
    done_ = true;  // left in the queue for the window under the pointer
    return;
  }
  MSG m;
  if (!PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) return;
  if (m.message != peeked.message || m.hwnd != peeked.hwnd) {
    // Something else came first after all: handle it as any message.
    if (!IsMouseMessage(m.message) && !IsKeyMessage(m.message)) {
      TranslateMessage(&m);
      DispatchMessage(&m);
    }
    return;
  }
  if (m.message == WM_MOUSEWHEEL) {
    Wheel(pt, GET_WHEEL_DELTA_WPARAM(m.wParam));
    return;
  }
  int row = level >= 0 ? RowAt(std::size_t(level), pt) : -1;
  int arrow = level >= 0 ? ArrowAt(std::size_t(level), pt) : 0;
  int barItem = onBar ? BarItemAt(pt) : -1;
  if (m.message == WM_MOUSEMOVE || m.message == WM_NCMOUSEMOVE) {
    if (!arrow) StopScroll();
    Hover(level, row, barItem);
    if (arrow && !done_ && std::size_t(level) < levels_.size()) StartScroll(std::size_t(level), arrow);
    return;
  }
  if (IsButtonDown(m.message)) {
    if (level >= 0) {
      if (arrow) {
        ScrollTo(std::size_t(level), levels_[std::size_t(level)]->top + arrow);
        if (!done_ && std::size_t(level) < levels_.size()) StartScroll(std::size_t(level), arrow);
        return;
      }
      if (row < 0) return;
      Hover(level, row, -1);
      if (done_) return;
      TMenuItem* item = RowItem(std::size_t(level), row);
      if (item && item->Count() > 0) {
        StopTimer();
        OpenSub(std::size_t(level), row, false);
      }
    } else if (onBar) {
      if (barItem < 0 || (!levels_.empty() && barItem == barIndex_))
        done_ = true;
      else
        OpenBarItem(barItem, false, true);
    } else {
      done_ = true;  // on the owner's bar: consumed
    }
    return;
  }
  if (IsButtonUp(m.message) && level >= 0 && row >= 0) {
    TMenuItem* item = RowItem(std::size_t(level), row);
    if (item && !item->IsLine() && item->Enabled() && item->Count() == 0) Choose(item);
  }
}

void TTracker::Accelerator(const std::string& ch) {
  if (levels_.empty()) {
    if (!barForm_ || !Alive()) return;
    for (const TMenuBarItem& b : MenuBarItems(barForm_, barRoot_))
      if (IsHotkey(ch, barRoot_->Items(b.Index)->Caption())) {
        OpenBarItem(b.Index, true, true);
        return;
      }
    return;
  }
  std::size_t l = levels_.size() - 1;
  TLevel& lv = *levels_[l];
  std::vector<int> matches;
  for (std::size_t r = 0; r < lv.rows.size(); ++r) {
    TMenuItem* item = RowItem(l, int(r));
    if (item && !item->IsLine() && IsHotkey(ch, item->Caption())) matches.push_back(int(r));
  }
  if (matches.empty()) return;
  if (matches.size() == 1) {
    SetSelected(l, matches[0]);
    Reveal(l, matches[0]);
    if (!done_) Activate(l, matches[0]);
    return;
  }
  auto next = std::upper_bound(matches.begin(), matches.end(), lv.selected);
  int row = next == matches.end() ? matches[0] : *next;
  SetSelected(l, row);
  Reveal(l, row);
}

void TTracker::HandleKey(MSG& m) {
  if (m.message == WM_CHAR || m.message == WM_SYSCHAR) {
    if (m.wParam >= 0x20) Accelerator(Utf8Of(m.wParam));
    return;
  }
  if (m.message != WM_KEYDOWN && m.message != WM_SYSKEYDOWN) return;
  int vk = int(m.wParam);
  bool hasLevel = !levels_.empty();
  std::size_t l = hasLevel ? levels_.size() - 1 : 0;
  switch (vk) {
    case VK_MENU:
    case VK_F10:
      done_ = true;
      break;
    case VK_ESCAPE:
      if (!hasLevel || (l == 0 && !barForm_)) {
        done_ = true;
      } else {
        CloseFrom(l);
        if (l == 0) SetBarHot(barIndex_);
      }
      break;
    case VK_UP:
    case VK_DOWN:
      if (hasLevel)
        MoveSelection(l, vk == VK_DOWN ? 1 : -1);
      else if (barForm_)
        OpenBarItem(barIndex_, true, false);
      break;
    case VK_RIGHT: {
      TMenuItem* item = hasLevel ? RowItem(l, levels_[l]->selected) : nullptr;
      if (item && item->Enabled() && item->Count() > 0)
        OpenSub(l, levels_[l]->selected, true);
      else if (barForm_) {
        int next = NextBarItem(barIndex_, +1);
        if (hasLevel) OpenBarItem(next, true, false);
        else SetBarHot(next);
      }
      break;
    }
    case VK_LEFT:
      if (hasLevel && l > 0) {
        CloseFrom(l);
      } else if (barForm_) {
        int prev = NextBarItem(barIndex_, -1);
        if (hasLevel) OpenBarItem(prev, true, false);
        else SetBarHot(prev);
      }
      break;
    case VK_HOME:
    case VK_END:
    case VK_PRIOR:
    case VK_NEXT:
      if (hasLevel) JumpSelection(l, vk);
      break;
    case VK_RETURN:
      if (hasLevel)
        Activate(l, levels_[l]->selected);
      else if (barForm_)
        OpenBarItem(barIndex_, true, true);
      break;
    default:
      TranslateMessage(&m);  // the character comes back as WM_CHAR
      break;
  }
}

// ---- The loop ----------------------------------------------------------------------------------

Word TTracker::Run(bool popup, const std::function<void()>& start) {
  TTracker* previous = g_tracker;
  g_tracker = this;
  bool quit = false;
  int quitCode = 0;
  appActive_ = GetActiveWindow() != nullptr;
  ownerShown_ = IsWindowVisible(owner_) != FALSE;
  try {
    SendMessage(owner_, WM_ENTERMENULOOP, popup ? TRUE : FALSE, 0);
    if (!done_ && IsWindow(owner_)) start();
    if (!popup || !levels_.empty()) {
      while (!done_) {
        if (OwnerLost()) break;
        if (dirty_) Relayout();
        if (done_) break;
        MSG m;
        if (!PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE)) {
          WaitMessage();
          continue;
        }
        if (OwnerLost()) break;  // the back end's events are read while peeking
        if (m.message == WM_QUIT) {
          PeekMessage(&m, nullptr, 0, 0, PM_REMOVE);
          quit = true;
          quitCode = int(m.wParam);
          break;
        }
        if (IsMouseMessage(m.message)) {
          HandleMouse(m);
          continue;
        }
        PeekMessage(&m, nullptr, 0, 0, PM_REMOVE);
        if (IsKeyMessage(m.message)) {
          HandleKey(m);
          continue;
        }
        if (m.message == WM_TIMER && m.wParam == kOpenTimer && timerLevel_ >= 0 &&
            timerLevel_ < int(levels_.size()) && m.hwnd == levels_[std::size_t(timerLevel_)]->wnd) {
          OnOpenTimer();
          continue;
        }
        if (m.message == WM_TIMER && m.wParam == kScrollTimer && scrollLevel_ >= 0 &&
            scrollLevel_ < int(levels_.size()) && m.hwnd == levels_[std::size_t(scrollLevel_)]->wnd) {
          OnScrollTimer();
          continue;
        }
        if (m.message == WM_CANCELMODE) done_ = true;
        TranslateMessage(&m);
        DispatchMessage(&m);
      }
    }
  } catch (...) {
    Finish(popup, false);
    g_tracker = previous;
    throw;
  }
  Finish(popup, true);
  g_tracker = previous;
  if (quit) PostQuitMessage(quitCode);
  return chosen_ && *chosenAlive_ ? chosen_->Command() : 0;
}

// Menus close as if Esc were pressed to the end when the owner goes away or
// is hidden, or when the application loses activation: the window layer
// sends WM_ACTIVATEAPP(FALSE) exactly when no window of ours stays active,
// which the loop sees as the active window turning null.
bool TTracker::OwnerLost() {
  if (!IsWindow(owner_) || (barForm_ && !IsWindow(barForm_))) return true;
  if (ownerShown_ && !IsWindowVisible(owner_)) return true;
  if (GetActiveWindow()) {
    appActive_ = true;  // a menu opened while inactive closes on the next loss
    return false;
  }
  return appActive_;
}

void TTracker::Finish(bool popup, bool notify) {
  done_ = true;
  StopTimer();
  HWND bar = barForm_;
  CloseFrom(0);
  barIndex_ = -1;
  barForm_ = nullptr;
  if (bar && Alive() && IsWindow(bar)) PaintMenuBar(bar, barRoot_);
  if (!notify || !IsWindow(owner_)) return;
  SendMessage(owner_, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
  if (IsWindow(owner_)) SendMessage(owner_, WM_EXITMENULOOP, popup ? TRUE : FALSE, 0);
}

Word TTracker::RunPopup(TMenuItem* root, TPoint at, TPopupAlignment alignment) {
  popupAt_ = at;
  alignment_ = alignment;
  return Run(true, [&] { OpenLevel(root, TRect{at.X, at.Y, at.X, at.Y}, plPopup, false, false); });
}

Word TTracker::RunBar(HWND form, TMenuItem* root, int openIndex, bool keyboard) {
  barForm_ = form;
  barRoot_ = root;
  barAlive_ = root->AliveToken();
  return Run(false, [&] {
    if (openIndex >= 0)
      OpenBarItem(openIndex, keyboard, true);
    else
      SetBarHot(NextBarItem(-1, +1));
  });
}

}  // namespace

Word TrackMenuPopup(TMenuItem* Root, TPoint At, TPopupAlignment Alignment, HWND Owner) {
  if (!Root || g_tracker) return 0;
  TTracker t(Owner);
  return t.RunPopup(Root, At, Alignment);
}

Word TrackMenuBar(HWND Form, TMenuItem* Root, int OpenIndex, bool ByKeyboard) {
  if (!Root || !Form || g_tracker) return 0;
  TTracker t(Form);
  return t.RunBar(Form, Root, OpenIndex, ByKeyboard);
}

void EndMenu() {
  if (g_tracker) g_tracker->Cancel();
}

bool MenuLoopActive() { return g_tracker != nullptr; }

int MenuLevelCount() { return g_tracker ? int(g_tracker->levels_.size()) : 0; }

HWND MenuLevelWindow(int Level) {
  if (!g_tracker || Level < 0 || Level >= MenuLevelCount()) return nullptr;
  return g_tracker->levels_[std::size_t(Level)]->wnd;
}

TMenuItem* MenuLevelParent(int Level) {
  if (!g_tracker || Level < 0 || Level >= MenuLevelCount()) return nullptr;
  const TLevel& lv = *g_tracker->levels_[std::size_t(Level)];
  return *lv.parentAlive ? lv.parent : nullptr;
}

TRect MenuItemScreenRect(int Level, const TMenuItem* Item) {
  if (!g_tracker || Level < 0 || Level >= MenuLevelCount()) return TRect{};
  int row = g_tracker->RowOfItem(std::size_t(Level), Item);
  if (row < 0) return TRect{};
  const TLevel& lv = *g_tracker->levels_[std::size_t(Level)];
  TRect r = ShownRowRect(lv, std::size_t(row));
  if (r.Width() == 0) return TRect{};
  return TRect{lv.bounds.Left + r.Left, lv.bounds.Top + r.Top, lv.bounds.Left + r.Right, lv.bounds.Top + r.Bottom};
}

TMenuItem* MenuLevelTopItem(int Level) {
  if (!g_tracker || Level < 0 || Level >= MenuLevelCount()) return nullptr;
  return g_tracker->RowItem(std::size_t(Level), g_tracker->levels_[std::size_t(Level)]->top);
}

TRect MenuScrollArrowScreenRect(int Level, int Direction) {
  if (!g_tracker || Level < 0 || Level >= MenuLevelCount() || Direction == 0) return TRect{};
  const TLevel& lv = *g_tracker->levels_[std::size_t(Level)];
  TRect r = ArrowStrip(lv, Direction);
  if (r.Width() == 0) return TRect{};
  return TRect{lv.bounds.Left + r.Left, lv.bounds.Top + r.Top, lv.bounds.Left + r.Right, lv.bounds.Top + r.Bottom};
}

TMenuItem* MenuLevelSelected(int Level) {
  if (!g_tracker || Level < 0 || Level >= MenuLevelCount()) return nullptr;
  return g_tracker->RowItem(std::size_t(Level), g_tracker->levels_[std::size_t(Level)]->selected);
}

int MenuBarHotIndex(HWND Form, bool* Open) {
  if (Open) *Open = false;
  if (!g_tracker || !Form || g_tracker->barForm_ != Form) return -1;
  if (Open) *Open = !g_tracker->levels_.empty();
  return g_tracker->barIndex_;
}

void NotifyMenuTracking() {
  if (g_tracker) g_tracker->Changed();
}

int MenuRowHeight() { return TextCellHeight(MenuFont()) + 6; }
