// Focus, tab order and keys. A key down first goes through the dialog-key
// check (Tab, arrows, Enter, Esc to the top-level control as CM_DIALOGKEY,
// unless the control claims the key through WM_GETDLGCODE or
// CM_WANTSPECIALKEY), then to OnKeyDown; a character that the control does
// not want (no DLGC_WANTCHARS) is offered as an accelerator (CM_DIALOGCHAR).
#include <algorithm>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/controls/Controls.h"
#include "platform/ui/controls/Controls_Internal.h"

using namespace controls_internal;

// ---- Focus -----------------------------------------------------------------------
bool TWinControl::Focused() const { return handle_ && GetFocus() == handle_; }

bool TWinControl::CanFocus() const {
  for (const TControl* c = this; c; c = c->parent_)
    if (!c->visible_ || !c->enabled_) return false;
  TWinControl* top = TopLevelParent();
  return top && top->showing_;
}

void TWinControl::SetFocus() {
  if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  auto alive = alive_;
  ControlState |= csFocusing;
  ::SetFocus(Handle());
  if (*alive) ControlState &= ~csFocusing;
}

void TWinControl::WMSetFocus(TMessage& Message) {
  auto alive = alive_;
  DefaultHandler(Message);
  if (!*alive) return;
  TWinControl* top = TopLevelParent();
  auto topAlive = top->alive_;
  TWinControl* old = nullptr;
  if (auto it = lastFocused.find(top); it != lastFocused.end()) old = it->second;
  lastFocused[top] = this;
  if (old != this) {
    // OnExit from the old control up to the common parent, then OnEnter
    // from below it down to this one; the top-level control takes neither.
    std::vector<TWinControl*> exits, enters;
    for (TWinControl* c = old; c && c != top && !IsAncestorOrSelf(c, this); c = c->parent_) exits.push_back(c);
    for (TWinControl* c = this; c && c != top && !(old && IsAncestorOrSelf(c, old)); c = c->parent_)
      enters.push_back(c);
    std::reverse(enters.begin(), enters.end());
    std::vector<std::shared_ptr<const bool>> exitTokens, enterTokens;
    for (TWinControl* c : exits) exitTokens.push_back(c->AliveToken());
    for (TWinControl* c : enters) enterTokens.push_back(c->AliveToken());
    for (std::size_t i = 0; i < exits.size(); ++i)
      if (*exitTokens[i]) exits[i]->Perform(CM_EXIT, 0, 0);
    for (std::size_t i = 0; i < enters.size(); ++i)
      if (*enterTokens[i]) enters[i]->Perform(CM_ENTER, 0, 0);
  }
  if (*alive && *topAlive) top->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(this));
}

void TWinControl::WMKillFocus(TMessage& Message) { DefaultHandler(Message); }

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

void TWinControl::CMEnter(TMessage&) { DoEnter(); }
void TWinControl::CMExit(TMessage&) { DoExit(); }

void TWinControl::CMFocusChanged(TMessage& Message) {
  Message.Result = 0;
  Broadcast(Message);
}

// ---- Tab order -----------------------------------------------------------------------
void TWinControl::SetTabStop(bool v) {
  if (v == tabStop_) return;
  tabStop_ = v;
  if (handle_) {
    LONG_PTR style = GetWindowLongPtr(handle_, GWL_STYLE);
    SetWindowLongPtr(handle_, GWL_STYLE, v ? (style | WS_TABSTOP) : (style & ~LONG_PTR(WS_TABSTOP)));
  }
  Perform(CM_TABSTOPCHANGED, 0, 0);
}

int TWinControl::TabOrder() const {
  if (!parent_) return -1;
  auto& list = parent_->tabList_;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : int(it - list.begin());
}

void TWinControl::SetTabOrder(int v) {
  if (!parent_) return;
  auto& list = parent_->tabList_;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  list.erase(it);
  v = std::clamp(v, 0, int(list.size()));
  list.insert(list.begin() + v, this);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& List) {
  for (TWinControl* c : tabList_) {
    List.push_back(c);
    c->GetTabOrderList(List);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                                          bool CheckParent) {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return nullptr;
  const int count = int(list.size());
  auto found = std::find(list.begin(), list.end(), CurControl);
  int start = found == list.end() ? (GoForward ? count - 1 : 0) : int(found - list.begin());
  int i = start;
  do {
    if (GoForward) {
      if (++i == count) i = 0;
    } else {
      if (i == 0) i = count;
      --i;
    }
    TWinControl* c = list[std::size_t(i)];
    if (c != CurControl && c->CanFocus() && (!CheckTabStop || c->tabStop_) && (!CheckParent || c->parent_ == this))
      return c;
  } while (i != start);
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop) {
  if (TWinControl* next = FindNextControl(CurControl, GoForward, CheckTabStop, !CheckTabStop)) next->SetFocus();
}

// ---- Keys -------------------------------------------------------------------------------
void TWinControl::KeyDown(Word& Key, TShiftState Shift) {
  if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyUp(Word& Key, TShiftState Shift) {
  if (OnKeyUp) OnKeyUp(this, Key, Shift);
}

void TWinControl::KeyPress(std::string& Key) {
  if (OnKeyPress) OnKeyPress(this, Key);
}

bool TWinControl::DoKeyDown(TMessage& Message) {
  auto alive = alive_;
  TWinControl* top = TopLevelParent();
  if (top && top != this && top->IsKeyPreview()) {
    if (top->DoKeyDown(Message) || !*alive) return true;
  }
  if (ControlStyle & csNoStdEvents) return false;
  Word key = LOWORD(Message.WParam);
  KeyDown(key, KeyDataToShiftState(Message.LParam));
  if (!*alive || key == 0) return true;
  Message.WParam = key;
  return false;
}

bool TWinControl::DoKeyUp(TMessage& Message) {
  auto alive = alive_;
  TWinControl* top = TopLevelParent();
  if (top && top != this && top->IsKeyPreview()) {
    if (top->DoKeyUp(Message) || !*alive) return true;
  }
  if (ControlStyle & csNoStdEvents) return false;
  Word key = LOWORD(Message.WParam);
  KeyUp(key, KeyDataToShiftState(Message.LParam));
  if (!*alive || key == 0) return true;
  Message.WParam = key;
  return false;
}

bool TWinControl::DoKeyPress(TMessage& Message) {
  auto alive = alive_;
  TWinControl* top = TopLevelParent();
  if (top && top != this && top->IsKeyPreview()) {
    if (top->DoKeyPress(Message) || !*alive) return true;
  }
  if (ControlStyle & csNoStdEvents) return false;
  std::string key;
  AppendUtf8(key, char32_t(Message.WParam));
  KeyPress(key);
  if (!*alive || key.empty()) return true;
  char32_t cp = 0;
  if (DecodeUtf8Char(key, 0, cp)) Message.WParam = WPARAM(cp);
  return false;
}

void TWinControl::WMKey(TMessage& Message) {
  auto alive = alive_;
  if (Message.Msg == WM_KEYDOWN || Message.Msg == WM_SYSKEYDOWN) {
    eatChar = 0;
    if (Perform(CN_BASE + Message.Msg, Message.WParam, Message.LParam) != 0 || !*alive) return;
    if (!DoKeyDown(Message) && *alive) DefaultHandler(Message);
  } else {
    if (!DoKeyUp(Message) && *alive) DefaultHandler(Message);
  }
}

void TWinControl::CNKeyDown(TMessage& Message) {
  auto alive = alive_;
  Message.Result = 1;
  Word key = LOWORD(Message.WParam);
  if (Perform(CM_CHILDKEY, key, reinterpret_cast<LPARAM>(this)) != 0 || !*alive) return;
  LRESULT mask = 0;
  switch (key) {
    case VK_TAB: mask = DLGC_WANTTAB; break;
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: mask = DLGC_WANTARROWS; break;
    case VK_RETURN: case VK_ESCAPE: case VK_CANCEL: mask = DLGC_WANTALLKEYS; break;
    default: break;
  }
  if (mask) {
    bool wanted = Perform(CM_WANTSPECIALKEY, key, 0) != 0;
    if (!*alive) return;
    if (!wanted) wanted = (Perform(WM_GETDLGCODE, 0, 0) & mask) != 0;
    if (!*alive) return;
    TWinControl* top = TopLevelParent();
    if (!wanted && top && top->Perform(CM_DIALOGKEY, key, Message.LParam) != 0) {
      // The character this key makes is used up with it.
      eatChar = key == VK_TAB ? '\t' : key == VK_RETURN ? '\r' : key == VK_ESCAPE ? 0x1B : 0;
      return;
    }
    if (!*alive) return;
  }
  Message.Result = 0;
}

void TWinControl::CMChildKey(TMessage& Message) {
  if (parent_) Message.Result = parent_->Perform(CM_CHILDKEY, Message.WParam, Message.LParam);
}

void TWinControl::WMChar(TMessage& Message) {
  if (eatChar && Message.WParam == eatChar) {
    eatChar = 0;
    return;
  }
  eatChar = 0;
  auto alive = alive_;
  if (Perform(CN_CHAR, Message.WParam, Message.LParam) != 0 || !*alive) return;
  if (!DoKeyPress(Message) && *alive) DefaultHandler(Message);
}

void TWinControl::CNChar(TMessage& Message) {
  auto alive = alive_;
  Message.Result = 1;
  bool wantsChars = (Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS) != 0;
  if (!*alive) return;
  TWinControl* top = TopLevelParent();
  if (!wantsChars && top && top->Perform(CM_DIALOGCHAR, Message.WParam, Message.LParam) != 0) return;
  if (*alive) Message.Result = 0;
}

void TWinControl::WMSysChar(TMessage& Message) {
  eatChar = 0;
  auto alive = alive_;
  if (Perform(CN_SYSCHAR, Message.WParam, Message.LParam) != 0 || !*alive) return;
  DefaultHandler(Message);
}

void TWinControl::CNSysChar(TMessage& Message) {
  Message.Result = 0;
  if (Message.WParam == VK_SPACE) return;
  if (TWinControl* top = TopLevelParent()) Message.Result = top->Perform(CM_DIALOGCHAR, Message.WParam, Message.LParam);
}

void TWinControl::CMDialogKey(TMessage& Message) {
  if (!parent_ && GetKeyState(VK_MENU) >= 0) {
    Word key = LOWORD(Message.WParam);
    TWinControl* active = FocusedControl();
    if (!active || !IsAncestorOrSelf(this, active) || active == this) {
      auto it = lastFocused.find(this);
      active = it == lastFocused.end() ? nullptr : it->second;
      if (active == this) active = nullptr;
    }
    if (key == VK_TAB && GetKeyState(VK_CONTROL) >= 0) {
      SelectNext(active, GetKeyState(VK_SHIFT) >= 0, true);
      Message.Result = 1;
      return;
    }
    if (key == VK_TAB) {
      // Ctrl+Tab belongs to the containers around the focus (a page control
      // switches pages), the innermost first.
      for (TWinControl* c = active; c && c != this; c = c->parent_)
        if (c->Perform(CM_FOCUSPATHKEY, key, Message.LParam) != 0) {
          Message.Result = 1;
          return;
        }
    }
    if (key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN) {
      if (active && active->parent_) {
        active->parent_->SelectNext(active, key == VK_RIGHT || key == VK_DOWN, false);
        Message.Result = 1;
      }
      return;
    }
  }
  Broadcast(Message);
}

void TWinControl::CMDialogChar(TMessage& Message) { Broadcast(Message); }
