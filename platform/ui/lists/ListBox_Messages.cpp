// The list box's window messages: LB_* requests, scrolling, focus and notifications.
#include "platform/ui/lists/ListBox.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/controls/ClassicDraw.h"
#include "platform/ui/lists/ListBox_Internal.h"

using namespace listbox;

// ---- Messages ---------------------------------------------------------------------------

void TCustomListBox::HandleLBMessage(TMessage& m) {
  const int i = int(m.WParam);
  const bool inRange = i >= 0 && i < Count();
  switch (m.Msg) {
    case LB_ADDSTRING:
      m.Result = InsertItem(sorted_ ? SortedPosition(TextParam(m.LParam)) : Count(), TextParam(m.LParam), nullptr);
      return;
    case LB_INSERTSTRING:
      if (i > Count()) {
        m.Result = LB_ERR;
        return;
      }
      m.Result = InsertItem(i < 0 ? Count() : i, TextParam(m.LParam), nullptr);
      return;
    case LB_DELETESTRING:
      if (!inRange) {
        m.Result = LB_ERR;
        return;
      }
      DeleteItem(i);
      m.Result = Count();
      return;
    case LB_RESETCONTENT: ResetContent(); m.Result = 0; return;
    case LB_SETCOUNT:
      // Empty items up to the count (the list keeps no separate data mode).
      if (int(m.WParam) < 0) {
        m.Result = LB_ERR;
        return;
      }
      data_.resize(m.WParam, TItem{});
      for (auto& d : data_)
        if (d.Height == 0) d.Height = FixedHeight();
      if (caret_ >= Count()) caret_ = -1;
      if (anchor_ >= Count()) anchor_ = -1;
      UpdateScrollBar();
      Invalidate();
      m.Result = 0;
      return;
    case LB_GETCOUNT: m.Result = Count(); return;
    case LB_GETCURSEL: m.Result = caret_; return;
    case LB_SETCURSEL:
      if (multiSelect_) {
        m.Result = LB_ERR;
        return;
      }
      SetItemIndex(inRange ? i : -1);
      m.Result = inRange ? i : LB_ERR;
      return;
    case LB_GETCARETINDEX: m.Result = caret_; return;
    case LB_SETCARETINDEX:
      if (!inRange) {
        m.Result = LB_ERR;
        return;
      }
      if (multiSelect_) SetItemIndex(i);
      else MakeVisible(i);
      m.Result = 0;
      return;
    case LB_GETANCHORINDEX: m.Result = anchor_; return;
    case LB_SETANCHORINDEX: anchor_ = inRange ? i : -1; m.Result = inRange ? 0 : LB_ERR; return;
    case LB_GETTOPINDEX: m.Result = top_; return;
    case LB_SETTOPINDEX: SetTopIndex(i); m.Result = inRange || Count() == 0 ? 0 : LB_ERR; return;
    case LB_GETSEL: m.Result = inRange ? (data_[std::size_t(i)].Selected ? 1 : 0) : LB_ERR; return;
    case LB_SETSEL: {
      if (!multiSelect_) {
        m.Result = LB_ERR;
        return;
      }
      // lParam -1: every item.
      const int index = int(m.LParam);
      if (index == -1) SelectRange(0, Count() - 1, m.WParam != 0);
      else if (index >= 0 && index < Count()) SetSelected(index, m.WParam != 0);
      else {
        m.Result = LB_ERR;
        return;
      }
      m.Result = 0;
      return;
    }
    case LB_SELITEMRANGE:
      if (!multiSelect_) {
        m.Result = LB_ERR;
        return;
      }
      SelectRange(LOWORD(std::uintptr_t(m.LParam)), HIWORD(std::uintptr_t(m.LParam)), m.WParam != 0);
      m.Result = 0;
      return;
    case LB_GETSELCOUNT: m.Result = SelCount(); return;
    case LB_GETSELITEMS: {
      if (!multiSelect_) {
        m.Result = LB_ERR;
        return;
      }
      int* out = reinterpret_cast<int*>(m.LParam);
      int n = 0;
      for (int k = 0; k < Count() && n < int(m.WParam); ++k)
        if (data_[std::size_t(k)].Selected) out[n++] = k;
      m.Result = n;
      return;
    }
    case LB_GETTEXT:
      if (!inRange) {
        m.Result = LB_ERR;
        return;
      }
      std::memcpy(reinterpret_cast<char*>(m.LParam), data_[std::size_t(i)].Text.c_str(),
                  data_[std::size_t(i)].Text.size() + 1);
      m.Result = LRESULT(data_[std::size_t(i)].Text.size());
      return;
    case LB_GETTEXTLEN: m.Result = inRange ? LRESULT(data_[std::size_t(i)].Text.size()) : LB_ERR; return;
    case LB_GETITEMDATA:
      m.Result = inRange ? reinterpret_cast<LRESULT>(data_[std::size_t(i)].Object) : LB_ERR;
      return;
    case LB_SETITEMDATA:
      if (!inRange) {
        m.Result = LB_ERR;
        return;
      }
      data_[std::size_t(i)].Object = reinterpret_cast<TObject*>(m.LParam);
      m.Result = 0;
      return;
    case LB_GETITEMRECT: {
      if (!inRange) {
        m.Result = LB_ERR;
        return;
      }
      *reinterpret_cast<RECT*>(m.LParam) = ItemRect(i);
      m.Result = 0;
      return;
    }
    case LB_GETITEMHEIGHT:
      m.Result = style_ == lbOwnerDrawVariable && inRange ? data_[std::size_t(i)].Height : FixedHeight();
      return;
    case LB_SETITEMHEIGHT: {
      const int h = LOWORD(std::uintptr_t(m.LParam));
      if (h <= 0) {
        m.Result = LB_ERR;
        return;
      }
      if (style_ == lbOwnerDrawVariable && columns_ == 0) {
        if (!inRange) {
          m.Result = LB_ERR;
          return;
        }
        data_[std::size_t(i)].Height = h;
        UpdateScrollBar();
        Invalidate();
      } else {
        SetItemHeight(h);
      }
      m.Result = 0;
      return;
    }
    case LB_ITEMFROMPOINT: {
      TPoint p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
      int index = ItemAtPos(p, true);
      // Outside any item: the nearest one, with the high word set.
      if (index < 0) m.Result = MAKELRESULT(std::max(Count() - 1, 0), 1);
      else m.Result = MAKELRESULT(index, 0);
      return;
    }
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT:
    case LB_SELECTSTRING: {
      const std::string s = TextParam(m.LParam);
      const int start = int(m.WParam);
      m.Result = LB_ERR;
      for (int k = 1; k <= Count(); ++k) {
        int idx = ((start < 0 || start >= Count() ? -1 : start) + k) % Count();
        const std::string& t = data_[std::size_t(idx)].Text;
        bool match = m.Msg == LB_FINDSTRINGEXACT ? AnsiSameText(t, s)
                                                 : t.size() >= s.size() && AnsiSameText(t.substr(0, s.size()), s);
        if (match) {
          m.Result = idx;
          break;
        }
      }
      if (m.Msg == LB_SELECTSTRING && m.Result >= 0 && !multiSelect_) SetItemIndex(int(m.Result));
      return;
    }
    case LB_SETCOLUMNWIDTH: m.Result = 0; return;
    case LB_GETHORIZONTALEXTENT: m.Result = hExtent_; return;
    case LB_SETHORIZONTALEXTENT:
      hExtent_ = std::max(0, int(m.WParam));
      UpdateScrollBar();
      Invalidate();
      m.Result = 0;
      return;
    default: break;
  }
}

void TCustomListBox::DefaultHandler(TMessage& Message) {
  TMessage& m = Message;
  if (m.Msg >= LB_ADDSTRING && m.Msg <= LB_ITEMFROMPOINT) {
    m.Result = LB_ERR;
    HandleLBMessage(m);
    return;
  }
  switch (m.Msg) {
    case WM_GETDLGCODE: m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS; return;
    case WM_KEYDOWN: ListKeyDown(Word(m.WParam), KeyboardStateToShiftState()); m.Result = 0; return;
    case WM_CHAR: ListChar(char32_t(m.WParam)); m.Result = 0; return;
    case WM_VSCROLL:
    case WM_HSCROLL:
      if (m.LParam == 0) {
        HandleScroll(LOWORD(m.WParam), HIWORD(m.WParam), m.Msg == WM_HSCROLL);
        m.Result = 0;
        return;
      }
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      auto alive = AliveToken();
      if (TakesFocusOnClick && !Focused() && CanFocus()) {
        SetFocus();
        if (!*alive) return;
      }
      const TPoint p = m.Pos();
      dragging_ = true;
      ListMouseDown(ItemAtPos(p, true), p, KeysToShiftState(m.WParam), m.Msg == WM_LBUTTONDBLCLK);
      m.Result = 0;
      return;
    }
    case WM_MOUSEMOVE:
      if (!dragging_ || !(m.WParam & MK_LBUTTON) || (multiSelect_ && !extendedSelect_) || Count() == 0) break;
      DragCaretTo(m.Pos());
      m.Result = 0;
      return;
    case WM_TIMER:
      if (m.WParam != kAutoScrollTimer) break;
      // The button is held outside without moving: keep scrolling.
      if (dragging_ && (GetKeyState(VK_LBUTTON) & 0x8000) && Count() > 0) DragCaretTo(dragPoint_);
      else StopAutoScroll();
      m.Result = 0;
      return;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      dragging_ = false;
      StopAutoScroll();
      break;
    default: break;
  }
  TCustomControl::DefaultHandler(Message);
}

void TCustomListBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ERASEBKGND: Message.Result = 1; return;  // Paint covers the client area
    case CN_DRAWITEM: {
      auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
      if (!dis || int(dis->itemID) < 0 || int(dis->itemID) >= Count()) return;
      DrawItem(int(dis->itemID), dis->rcItem, StateFromOds(dis->itemState));
      Message.Result = 1;
      return;
    }
    case CN_COMMAND: Message.Result = 0; return;  // our own notifications, already handled
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      auto alive = AliveToken();
      TCustomControl::Dispatch(Message);
      if (*alive) InvalidateItem(caret_ < 0 ? 0 : caret_);
      if (*alive && Count() == 0) Invalidate();
      return;
    }
    case CM_CANCELMODE: dragging_ = false; break;
    case CM_FONTCHANGED: {
      auto alive = AliveToken();
      TCustomControl::Dispatch(Message);
      if (!*alive) return;
      fontHeight_ = 0;
      UpdateScrollBar();
      Invalidate();
      return;
    }
    case CM_ENABLEDCHANGED: {
      auto alive = AliveToken();
      TCustomControl::Dispatch(Message);
      if (*alive) Invalidate();
      return;
    }
    default: break;
  }
  TCustomControl::Dispatch(Message);
}

