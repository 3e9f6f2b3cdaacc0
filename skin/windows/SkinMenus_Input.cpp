// The mouse and keys of a skinned popup level: the poll that follows the
// pointer, the captured mouse of the first level (which routes to the level
// under the pointer and closes the menu on a press outside it), and the keys
// the form hands over.
#include <algorithm>

#include "platform/user/User.h"
#include "skin/windows/SkinMenus.h"

void TspSkinPopupWindow::Paint() { PaintTo(Canvas()); }

void TspSkinPopupWindow::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_MOUSEACTIVATE:
      Message.Result = MA_NOACTIVATE;
      return;
    case WM_ERASEBKGND:
      Message.Result = 1;  // Paint covers every pixel
      return;
    case WM_TIMER:
      if (Message.WParam == 1) {
        TCustomControl::WndProc(Message);
        ScrollTick();
        return;
      }
      break;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      // The first level holds the capture: the point may lie on another
      // level or outside the menu.
      POINT p{short(LOWORD(Message.LParam)), short(HIWORD(Message.LParam))};
      ::ClientToScreen(Handle(), &p);
      TspSkinMenu* m = Menu;
      TspSkinPopupWindow* target = m->WindowAt(TPoint{p.X, p.Y});
      const UINT msg = Message.Msg;
      Message.Result = 0;
      if (!target) {
        if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN || msg == WM_LBUTTONDBLCLK ||
            msg == WM_RBUTTONDBLCLK)
          m->CloseAll();
        else if (msg == WM_MOUSEMOVE && m->Form && m->Form->HandleAllocated() &&
                 WindowFromPoint(p) == m->Form->Handle())
          // The capture hides the pointer from the form: its frame (a menu
          // bar) still learns where it is, to follow it along its items.
          SendMessage(m->Form->Handle(), WM_NCHITTEST, 0, MAKELPARAM(p.X, p.Y));
        return;
      }
      POINT c = p;
      ::ScreenToClient(target->Handle(), &c);
      if (msg == WM_MOUSEMOVE) {
        target->LastMouseX = p.X;
        target->LastMouseY = p.Y;
        target->MouseMoveTo(c.X, c.Y);
      } else if (msg == WM_LBUTTONUP || msg == WM_RBUTTONUP || msg == WM_MBUTTONUP) {
        target->MouseUpAt(msg == WM_LBUTTONUP   ? TMouseButton::mbLeft
                          : msg == WM_RBUTTONUP ? TMouseButton::mbRight
                                                : TMouseButton::mbMiddle,
                          c.X, c.Y);
      }
      return;
    }
    case WM_MOUSEWHEEL:
      Message.Result = 0;
      return;
    default:
      break;
  }
  TCustomControl::WndProc(Message);
}

void TspSkinPopupWindow::TrackTick() {
  Menu->CheckActivation();
  if (!Visible() || !HandleAllocated()) return;
  POINT p{};
  GetCursorPos(&p);
  if (p.X == LastMouseX && p.Y == LastMouseY) return;
  LastMouseX = p.X;
  LastMouseY = p.Y;
  if (Menu->WindowAt(TPoint{p.X, p.Y}) == this) {
    POINT c = p;
    ::ScreenToClient(Handle(), &c);
    MouseMoveTo(c.X, c.Y);
  } else if (Scrolling && ScrollDirection != 0) {
    ScrollDirection = 0;
    DrawScrollButton(Canvas(), 1);
    DrawScrollButton(Canvas(), 2);
  }
}

void TspSkinPopupWindow::MouseMoveTo(int X, int Y) {
  const TPoint pt{X, Y};
  if (Scrolling) {
    const bool up = TRect(ScrollButtonRect(1)).Contains(pt);
    const bool down = TRect(ScrollButtonRect(2)).Contains(pt);
    if (up && CanScroll(1) && ScrollDirection == 0)
      StartScroll(1);
    else if (down && CanScroll(2) && ScrollDirection == 0)
      StartScroll(2);
    else if (!up && !down && ScrollDirection != 0)
      StopScroll();
  }
  if (Items.empty()) return;
  PreviousIndex = SelectedRow;
  int hit = -1;
  for (int i = 0; i < int(Items.size()); ++i) {
    TspSkinMenuItem* r = Items[std::size_t(i)].get();
    if (r->Shown && TRect(r->Bounds).Contains(pt)) {
      hit = i;
      break;
    }
  }
  if (hit >= 0) SelectedRow = hit;
  if (PreviousIndex >= int(Items.size())) PreviousIndex = -1;
  if (SelectedRow >= int(Items.size())) SelectedRow = -1;
  if (SelectedRow == PreviousIndex) {
    if (SelectedRow != -1) {
      TspSkinMenuItem* r = Items[std::size_t(SelectedRow)].get();
      if (r->Preselected) {
        r->Preselected = false;
        if (r->Item->Count() > 0) r->Select(false);
      }
    }
    return;
  }
  auto alive = Menu->alive_;
  if (PreviousIndex != -1 && Items[std::size_t(PreviousIndex)]->Selectable()) Items[std::size_t(PreviousIndex)]->Deselect();
  if (!*alive) return;
  if (SelectedRow != -1 && Items[std::size_t(SelectedRow)]->Selectable()) Items[std::size_t(SelectedRow)]->Select(false);
}

void TspSkinPopupWindow::MouseUpAt(TMouseButton Button, int X, int Y) {
  MouseMoveTo(X, Y);
  if (Button != TMouseButton::mbLeft || SelectedRow < 0 || SelectedRow >= int(Items.size())) return;
  TspSkinMenuItem* r = Items[std::size_t(SelectedRow)].get();
  if (!r->Shown || !TRect(r->Bounds).Contains(TPoint{X, Y}) || r->IsSeparator()) return;
  r->Click();  // may close the menu: nothing of this window is touched after it
}

void TspSkinPopupWindow::SelectRow(int Index, bool ByKeyboard) {
  if (Index == SelectedRow) return;
  PreviousIndex = SelectedRow;
  SelectedRow = Index;
  auto alive = Menu->alive_;
  const int self = Menu->IndexOf(this);
  if (Index >= 0) Items[std::size_t(Index)]->Select(ByKeyboard);
  if (!*alive || Menu->IndexOf(this) != self) return;
  if (PreviousIndex >= 0 && PreviousIndex < int(Items.size())) Items[std::size_t(PreviousIndex)]->Deselect();
}

void TspSkinPopupWindow::SelectNext() {
  if (Scrolling && ScrollDirection == 0 && SelectedRow >= 0 && LastOfPage(SelectedRow)) ScrollDown(true);
  const int n = int(Items.size());
  // The selection does not wrap past the last row (the page does).
  const int start = SelectedRow < 0 ? 0 : SelectedRow + 1;
  int found = SelectedRow;
  for (int i = start; i < n; ++i) {
    if (Items[std::size_t(i)]->Selectable()) {
      found = i;
      break;
    }
    if (Scrolling && LastOfPage(i)) ScrollDown(true);
  }
  if (found != SelectedRow) SelectRow(found, true);
}

void TspSkinPopupWindow::SelectPrevious() {
  if (Scrolling && ScrollDirection == 0 && SelectedRow >= 0 && FirstOfPage(SelectedRow)) ScrollUp(true);
  const int n = int(Items.size());
  int start = SelectedRow - 1;
  if (SelectedRow < 0 || start < 0) start = n - 1;
  int found = SelectedRow;
  for (int i = start; i >= 0; --i) {
    if (Items[std::size_t(i)]->Selectable()) {
      found = i;
      break;
    }
    if (Scrolling && FirstOfPage(i)) ScrollUp(true);
  }
  if (found != SelectedRow) SelectRow(found, true);
}

namespace {
// The character a virtual key types for accelerators: letters and digits.
std::string KeyCharacter(Word key) {
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return std::string(1, char(key));
  if (key >= VK_NUMPAD0 && key <= VK_NUMPAD0 + 9) return std::string(1, char('0' + key - VK_NUMPAD0));
  return {};
}
}  // namespace

void TspSkinPopupWindow::KeyDown(Word Key) {
  if (!Visible()) return;
  TspSkinMenu* m = Menu;
  const std::string ch = KeyCharacter(Key);
  if (!ch.empty()) {
    for (int i = 0; i < int(Items.size()); ++i) {
      TspSkinMenuItem* r = Items[std::size_t(i)].get();
      if (!IsHotkey(ch, r->Item->Caption())) continue;
      PreviousIndex = SelectedRow;
      SelectedRow = i;
      if (PreviousIndex != i) {
        auto alive = m->alive_;
        r->Select(false);
        if (!*alive) return;
        if (PreviousIndex != -1 && PreviousIndex < int(Items.size())) Items[std::size_t(PreviousIndex)]->Deselect();
      }
      r->Click();
      return;
    }
  }
  const int count = int(m->PopupWindows.size());
  switch (Key) {
    case VK_RETURN:
      if (SelectedRow >= 0 && SelectedRow < int(Items.size())) Items[std::size_t(SelectedRow)]->Click();
      break;
    case VK_ESCAPE:
    case VK_LEFT:
      if (count >= 2) {
        TspSkinPopupWindow* before = m->PopupWindows[std::size_t(count) - 2].get();
        if (before->SelectedRow >= 0 && before->SelectedRow < int(before->Items.size())) {
          TspSkinMenuItem* r = before->Items[std::size_t(before->SelectedRow)].get();
          r->SubMenuOpen = false;
          m->CloseFrom(count - 1);
          r->StartStateEffect();
        } else {
          m->CloseFrom(count - 1);
        }
      } else if (Key == VK_ESCAPE) {
        // Only the menu closes: a form in main-menu mode keeps its bar lit.
        m->CloseFrom(0);
      }
      break;
    case VK_UP:
      SelectPrevious();
      break;
    case VK_DOWN:
      SelectNext();
      break;
    case VK_RIGHT:
      if (SelectedRow >= 0 && SelectedRow < int(Items.size()) && Items[std::size_t(SelectedRow)]->Item->Count() > 0)
        Items[std::size_t(SelectedRow)]->Click();
      break;
    default:
      break;
  }
}
