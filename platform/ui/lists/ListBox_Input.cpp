// The list box driven by the user: mouse and keyboard selection.
#include "platform/ui/lists/ListBox.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/controls/ClassicDraw.h"
#include "platform/ui/lists/ItemSearch.h"
#include "platform/ui/lists/ListBox_Internal.h"

using namespace listbox;

// ---- Selection by the user -----------------------------------------------------------------

void TCustomListBox::NotifyParent(Word Code) {
  if (!HandleAllocated()) return;
  HWND parent = GetParent(Handle());
  if (!parent) return;
  SendMessage(parent, WM_COMMAND, MAKEWPARAM(int(GetWindowLongPtr(Handle(), GWL_ID)), Code),
              reinterpret_cast<LPARAM>(Handle()));
}

void TCustomListBox::UserSelChange() {
  auto alive = AliveToken();
  NotifyParent(LBN_SELCHANGE);
  if (*alive) Click();
}

bool TCustomListBox::MoveCaretTo(int Index, TShiftState Shift, bool FromMouse) {
  if (Index < 0 || Index >= Count()) return false;
  bool changed = false;
  const int oldCaret = caret_;
  if (!multiSelect_) {
    changed = caret_ != Index || !data_[std::size_t(Index)].Selected;
    if (changed) CollapseSelectionTo(Index);
  } else if (extendedSelect_) {
    if (Shift & ssShift) {
      if (anchor_ < 0) anchor_ = Index;
      // The range from the anchor replaces the selection unless Ctrl adds to it.
      if (!(Shift & ssCtrl)) {
        for (int i = 0; i < Count(); ++i) {
          bool sel = (i >= std::min(anchor_, Index) && i <= std::max(anchor_, Index));
          if (data_[std::size_t(i)].Selected != sel) {
            data_[std::size_t(i)].Selected = sel;
            InvalidateItem(i);
            changed = true;
          }
        }
      } else {
        changed = SelectRange(anchor_, Index, true);
      }
      caret_ = Index;
    } else if (Shift & ssCtrl) {
      caret_ = Index;
      if (FromMouse) {
        data_[std::size_t(Index)].Selected = !data_[std::size_t(Index)].Selected;
        anchor_ = Index;
        changed = true;
      }
    } else {
      for (int i = 0; i < Count(); ++i) {
        bool sel = i == Index;
        if (data_[std::size_t(i)].Selected != sel) {
          data_[std::size_t(i)].Selected = sel;
          InvalidateItem(i);
          changed = true;
        }
      }
      caret_ = anchor_ = Index;
    }
  } else {
    // Multiple selection: a click toggles; keys only move the caret.
    caret_ = Index;
    if (FromMouse) {
      data_[std::size_t(Index)].Selected = !data_[std::size_t(Index)].Selected;
      anchor_ = Index;
      changed = true;
    }
  }
  InvalidateItem(oldCaret);
  InvalidateItem(Index);
  return changed;
}

void TCustomListBox::ListMouseDown(int Index, TPoint, TShiftState Shift, bool Double) {
  if (Index < 0) return;
  auto alive = AliveToken();
  const bool changed = MoveCaretTo(Index, Shift, true);
  MakeVisible(Index);
  if (changed) UserSelChange();
  if (!*alive || !Double) return;
  NotifyParent(LBN_DBLCLK);
  if (*alive) DblClick();
}

void TCustomListBox::DragCaretTo(TPoint p) {
  dragPoint_ = p;
  int target;
  const bool above = columns_ == 0 && p.Y < 0, below = columns_ == 0 && p.Y >= ClientHeight();
  if (above) target = top_ - 1;
  else if (below) target = top_ + VisibleItemCount();
  else {
    TPoint q{std::clamp(p.X, 0, std::max(ClientWidth() - 1, 0)), std::clamp(p.Y, 0, std::max(ClientHeight() - 1, 0))};
    target = ItemAtPos(q, true);
    if (target < 0) target = Count() - 1;
  }
  if (above || below) {
    if (!autoScrolling_ && HandleAllocated()) autoScrolling_ = SetTimer(Handle(), kAutoScrollTimer, kAutoScrollMs, nullptr) != 0;
  } else {
    StopAutoScroll();
  }
  target = std::clamp(target, 0, Count() - 1);
  const TShiftState shift = multiSelect_ ? ssShift : 0;
  if (target == caret_) return;
  auto alive = AliveToken();
  const bool changed = MoveCaretTo(target, shift, false);
  MakeVisible(target);
  if (changed) UserSelChange();
  if (*alive && (target == 0 || target == Count() - 1) && (above || below)) StopAutoScroll();
}

void TCustomListBox::StopAutoScroll() {
  if (!autoScrolling_) return;
  autoScrolling_ = false;
  if (HandleAllocated()) KillTimer(Handle(), kAutoScrollTimer);
}

void TCustomListBox::ListKeyDown(Word Key, TShiftState Shift) {
  if (Count() == 0) return;
  const int cur = caret_ < 0 ? 0 : caret_;
  const int rows = columns_ > 0 ? RowsPerColumn() : 1;
  const int page = std::max(1, VisibleItemCount() - (columns_ > 0 ? 0 : 1));
  int target = -1;
  switch (Key) {
    case VK_UP: target = caret_ < 0 ? 0 : cur - 1; break;
    case VK_DOWN: target = caret_ < 0 ? 0 : cur + 1; break;
    case VK_LEFT: target = columns_ > 0 ? cur - rows : cur - 1; break;
    case VK_RIGHT: target = columns_ > 0 ? cur + rows : cur + 1; break;
    case VK_PRIOR: target = cur - page; break;
    case VK_NEXT: target = cur + page; break;
    case VK_HOME: target = 0; break;
    case VK_END: target = Count() - 1; break;
    case VK_SPACE:
      if (multiSelect_ && caret_ >= 0 && (!extendedSelect_ || (Shift & ssCtrl))) {
        data_[std::size_t(caret_)].Selected = !data_[std::size_t(caret_)].Selected;
        anchor_ = caret_;
        InvalidateItem(caret_);
        UserSelChange();
      }
      return;
    default: return;
  }
  target = std::clamp(target, 0, Count() - 1);
  const bool changed = MoveCaretTo(target, Shift, false);
  MakeVisible(target);
  if (changed) UserSelChange();
}

void TCustomListBox::ListChar(char32_t Ch) {
  if (Ch < 0x20 || Ch == 0x7F || Count() == 0) return;
  std::string s;
  AppendUtf8(s, Ch);
  // The next item after the caret whose text starts with the character.
  const int i = FindItemByPrefix(Count(), caret_ < 0 ? 0 : caret_ + 1, s,
                                 [this](int k) -> const std::string& { return data_[std::size_t(k)].Text; });
  if (i < 0) return;
  const bool changed = MoveCaretTo(i, 0, false);
  MakeVisible(i);
  if (changed) UserSelChange();
}

bool TCustomListBox::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
  auto alive = AliveToken();
  if (TCustomControl::DoMouseWheel(Shift, WheelDelta, MousePos) || !*alive) return true;
  wheelRemainder_ += WheelDelta;
  const int notches = wheelRemainder_ / WHEEL_DELTA;
  wheelRemainder_ -= notches * WHEEL_DELTA;
  if (notches != 0) {
    const int step = columns_ > 0 ? RowsPerColumn() : kWheelLines;
    SetTopIndex(top_ - notches * step);
  }
  return true;
}

void TCustomListBox::HandleScroll(int Code, int Pos, bool Horizontal) {
  if (Horizontal && ScrollsSideways()) {
    // A line is half an item high, about a character wide.
    const int line = std::max(1, FixedHeight() / 2);
    switch (Code) {
      case SB_LINELEFT: SetScrollX(scrollX_ - line); break;
      case SB_LINERIGHT: SetScrollX(scrollX_ + line); break;
      case SB_PAGELEFT: SetScrollX(scrollX_ - ClientWidth()); break;
      case SB_PAGERIGHT: SetScrollX(scrollX_ + ClientWidth()); break;
      case SB_LEFT: SetScrollX(0); break;
      case SB_RIGHT: SetScrollX(MaxScrollX()); break;
      case SB_THUMBTRACK:
      case SB_THUMBPOSITION: {
        int pos = Pos;
        SCROLLINFO si;
        si.fMask = SIF_POS | SIF_TRACKPOS;
        if (HandleAllocated() && GetScrollInfo(Handle(), SB_HORZ, &si) && si.nTrackPos != si.nPos) pos = si.nTrackPos;
        SetScrollX(pos);
        break;
      }
      default: break;
    }
    return;
  }
  if (Horizontal != (columns_ > 0)) return;
  const int unit = columns_ > 0 ? RowsPerColumn() : 1;
  const int page = columns_ > 0 ? columns_ * unit : std::max(1, VisibleItemCount());
  switch (Code) {
    case SB_LINEUP: SetTopIndex(top_ - unit); break;
    case SB_LINEDOWN: SetTopIndex(top_ + unit); break;
    case SB_PAGEUP: SetTopIndex(top_ - page); break;
    case SB_PAGEDOWN: SetTopIndex(top_ + page); break;
    case SB_TOP: SetTopIndex(0); break;
    case SB_BOTTOM: SetTopIndex(MaxTop()); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      // A drag of the bar reports 32 bits through nTrackPos; a position
      // sent by hand comes in the high word.
      int pos = Pos;
      SCROLLINFO si;
      si.fMask = SIF_POS | SIF_TRACKPOS;
      if (HandleAllocated() && GetScrollInfo(Handle(), Horizontal ? SB_HORZ : SB_VERT, &si) && si.nTrackPos != si.nPos)
        pos = si.nTrackPos;
      SetTopIndex(pos * unit);
      break;
    }
    default: break;
  }
}

