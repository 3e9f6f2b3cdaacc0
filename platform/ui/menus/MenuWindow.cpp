// The menu windows and the tracker's loop: levels opening and closing,
// geometry, scrolling, and the entry points the menus call.
#include "platform/ui/menus/MenuWindow.h"

#include <algorithm>
#include <utility>
#include <memory>

#include "platform/gdi/Text.h"
#include "platform/ui/controls/ClassicDraw.h"
#include "platform/ui/menus/MenuBar.h"
#include "platform/ui/menus/MenuWindow_Internal.h"

namespace menuwindow {

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

TTracker* g_tracker = nullptr;

namespace {
bool g_chainArmed = false;
int g_chainLeave = 0;
}  // namespace

TTracker::TTracker(HWND owner) : owner_(owner), chain_(std::exchange(g_chainArmed, false)) { g_chainLeave = 0; }

bool TTracker::Leave(int dir) {
  if (!chain_) return false;
  g_chainLeave = dir;
  done_ = true;
  return true;
}


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
  if (!systemMenu_ || item != systemRoot_)
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
  LPARAM menu = reinterpret_cast<LPARAM>(lv.parent->Handle());
  if (systemMenu_ && lv.parent == systemRoot_) {
    id = systemIdOf_(item);
    flags |= MF_SYSMENU;
    menu = reinterpret_cast<LPARAM>(systemMenu_);
  }
  SendMessage(owner_, WM_MENUSELECT, MAKEWPARAM(int(id), int(flags)), menu);
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

// ---- The loop ----------------------------------------------------------------------------------

Word TTracker::Run(bool popup, const std::function<void()>& start) {
  TTracker* previous = g_tracker;
  g_tracker = this;
  bool quit = false;
  int quitCode = 0;
  appActive_ = GetActiveWindow() != nullptr;
  ownerShown_ = IsWindowVisible(owner_) != FALSE;
  try {
    // The window layer brackets the window menu's loop itself.
    if (!systemMenu_) SendMessage(owner_, WM_ENTERMENULOOP, popup ? TRUE : FALSE, 0);
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
  if (IsWindow(owner_) && !systemMenu_) SendMessage(owner_, WM_EXITMENULOOP, popup ? TRUE : FALSE, 0);
}

Word TTracker::RunPopup(TMenuItem* root, TPoint at, TPopupAlignment alignment) {
  popupAt_ = at;
  alignment_ = alignment;
  return Run(true, [&] { OpenLevel(root, TRect{at.X, at.Y, at.X, at.Y}, plPopup, false, false); });
}

Word TTracker::RunWindowMenu(TMenuItem* root, TPoint at, bool keyboard, HMENU menu,
                             std::function<UINT(const TMenuItem*)> idOf) {
  popupAt_ = at;
  alignment_ = paLeft;
  systemMenu_ = menu;
  systemRoot_ = root;
  systemIdOf_ = std::move(idOf);
  return Run(true, [&] { OpenLevel(root, TRect{at.X, at.Y, at.X, at.Y}, plPopup, keyboard, false); });
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

}  // namespace menuwindow

using namespace menuwindow;


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

namespace {

// The window layer's window menu as items of ours, for the time it is shown.
UINT TrackWindowMenu(HWND owner, HMENU menu, POINT at, bool byKeyboard) {
  if (g_tracker) return 0;
  TMenuItem root(nullptr);
  std::vector<std::pair<const TMenuItem*, UINT>> ids;
  const int n = GetMenuItemCount(menu);
  for (int i = 0; i < n; ++i) {
    const UINT state = GetMenuState(menu, UINT(i), MF_BYPOSITION);
    auto* item = new TMenuItem(nullptr);
    root.Add(item);
    if (state & MF_SEPARATOR) {
      item->SetCaption(cLineCaption);
      continue;
    }
    char text[256];
    GetMenuString(menu, UINT(i), text, int(sizeof text), MF_BYPOSITION);
    std::string caption = text;
    if (std::size_t tab = caption.find('\t'); tab != std::string::npos) {
      item->SetShortCut(TextToShortCut(caption.substr(tab + 1)));
      caption.resize(tab);
    }
    item->SetCaption(caption);
    item->SetEnabled(!(state & (MF_GRAYED | MF_DISABLED)));
    item->SetDefault((state & MF_DEFAULT) != 0);
    ids.emplace_back(item, GetMenuItemID(menu, i));
  }
  auto idOf = [ids](const TMenuItem* item) -> UINT {
    for (const auto& [it, id] : ids)
      if (it == item) return id;
    return 0;
  };
  TTracker t(owner);
  const Word command = t.RunWindowMenu(&root, at, byKeyboard, menu, idOf);
  if (!command) return 0;
  TMenuItem* chosen = TMenuItem::FromCommand(command);
  return chosen ? idOf(chosen) : 0;
}

}  // namespace

void InstallWindowMenuTracker() { SetWindowMenuTracker(TrackWindowMenu); }

void ArmMenuChain() {
  g_chainArmed = true;
  g_chainLeave = 0;
}

int TakeMenuChainLeave() {
  g_chainArmed = false;
  return std::exchange(g_chainLeave, 0);
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
