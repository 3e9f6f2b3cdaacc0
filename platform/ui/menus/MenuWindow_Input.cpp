// The menu loop's mouse and keyboard: hovering, clicks, accelerators and keys.
#include <algorithm>

#include "platform/ui/menus/MenuBar.h"
#include "platform/ui/menus/MenuWindow_Internal.h"

namespace menuwindow {

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
      else if (barForm_ ? NextBarItem(barIndex_, +1) <= barIndex_ && Leave(+1) : systemMenu_ && Leave(+1))
        break;
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
      } else if (barForm_ ? NextBarItem(barIndex_, -1) >= barIndex_ && Leave(-1) : systemMenu_ && Leave(-1)) {
        break;
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

}  // namespace menuwindow
