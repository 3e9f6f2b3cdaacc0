// TWinControl: its window (made when first needed, destroyed and made again
// keeping the control's state), the window procedure that leads into
// WindowProc, the child lists, showing, and messages reflected to children.
#include <algorithm>
#include <cstdio>

#include "platform/rtl/Exceptions.h"
#include "platform/ui/controls/Controls.h"
#include "platform/ui/controls/Controls_Internal.h"

using namespace controls_internal;

TWinControl* FindControl(HWND hwnd) {
  if (!hwnd) return nullptr;
  auto it = windows.find(hwnd);
  return it == windows.end() ? nullptr : it->second;
}

TWinControl* FocusedControl() { return FindControl(GetFocus()); }

// The procedure of every window a control makes: binds the window to the
// control being made on its first message, then hands each message to the
// control's WindowProc.
LRESULT ControlWindowProcedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  TWinControl* c = FindControl(hwnd);
  if (!c) {
    if (!creating) return DefWindowProc(hwnd, msg, wp, lp);
    c = creating;
    creating = nullptr;
    c->handle_ = hwnd;
    windows[hwnd] = c;
  }
  TMessage m{msg, wp, lp, 0};
  if (ApplicationHandleExceptionHook) {
    try {
      c->WindowProc(m);
    } catch (...) {
      ApplicationHandleExceptionHook(c);
    }
  } else {
    c->WindowProc(m);
  }
  return m.Result;
}

// ---- Life ------------------------------------------------------------------------
TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner), brush_(std::make_unique<TBrush>()) {
  brush_->SetColor(Color());
}

TWinControl::~TWinControl() {
  *alive_ = false;
  Destroying();
  // Derived parts are gone: their message methods must not run any more.
  WindowProc = TWndMethod(static_cast<TControl*>(this), &TControl::WndProc);
  if (handle_) DestroyHandle();
  if (parent_) parent_->RemoveControl(this);
  while (!controls_.empty() || !winControls_.empty()) {
    TControl* c = !winControls_.empty() ? static_cast<TControl*>(winControls_.back()) : controls_.back();
    RemoveControl(c);
    delete c;
  }
  Forget(this);
}

HWND TWinControl::Handle() {
  HandleNeeded();
  return handle_;
}

void TWinControl::HandleNeeded() {
  if (handle_) return;
  if (parent_) parent_->HandleNeeded();
  if (!handle_) CreateHandle();
}

void TWinControl::SetParentWindow(HWND v) {
  if (parent_ || v == parentWindow_) return;
  parentWindow_ = v;
  if (handle_) {
    if (v)
      ::SetParent(handle_, v);
    else
      DestroyHandle();
  }
  if (v) UpdateShowing();
}

void TWinControl::CreateParams(TCreateParams& Params) {
  Params = TCreateParams{};
  Params.Caption = text_;
  Params.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (ControlStyle & csAcceptsControls) {
    Params.Style |= WS_CLIPCHILDREN;
    Params.ExStyle |= WS_EX_CONTROLPARENT;
  }
  if (visible_) Params.Style |= WS_VISIBLE;
  if (!enabled_) Params.Style |= WS_DISABLED;
  if (tabStop_) Params.Style |= WS_TABSTOP;
  Params.X = left_;
  Params.Y = top_;
  Params.Width = width_;
  Params.Height = height_;
  Params.WndParent = parent_ ? parent_->Handle() : parentWindow_;
  Params.WindowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  Params.WindowClass.lpfnWndProc = DefWindowProc;
  Params.WindowClass.hCursor = LoadCursor(nullptr, MAKEINTRESOURCE(IDC_ARROW));
  Params.WinClassName = ClassName();
}

void TWinControl::CreateSubClass(TCreateParams& Params, const char* ClassName) {
  WNDCLASS wc;
  if (!GetClassInfo(nullptr, ClassName, &wc)) return;
  const UINT keep = Params.WindowClass.style & ~(CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS);
  Params.WindowClass = wc;
  Params.WindowClass.style |= keep;
}

void TWinControl::CreateHandle() {
  if (handle_) return;
  CreateWnd();
  if (!handle_) return;
  PlaceWindowInZOrder();
  // Recreated while shown: our windows appear as they were.
  if (showing_ && !parent_ && !IsWindowVisible(handle_))
    SetWindowPos(handle_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  // Children placed before the window existed were aligned to the whole
  // control; its client may be less (a frame, a menu bar).
  if ((ControlState & csAlignmentNeeded) || ClientRect() != Rect(0, 0, width_, height_)) Realign();
}

void TWinControl::CreateWnd() {
  TCreateParams p;
  CreateParams(p);
  if ((p.Style & WS_CHILD) && !p.WndParent)
    throw EInvalidOperation("Control '" + Name() + "' has no parent window");
  DefWndProc = p.WindowClass.lpfnWndProc ? p.WindowClass.lpfnWndProc : DefWindowProc;
  if (p.WinClassName.empty()) p.WinClassName = ClassName();

  // One registered class per name and class style, its procedure ours.
  WNDCLASS existing;
  std::string name = p.WinClassName;
  if (GetClassInfo(nullptr, name.c_str(), &existing) && existing.style != p.WindowClass.style) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%X", p.WindowClass.style);
    name += suffix;
  }
  bool subclassAfter = false;
  if (!GetClassInfo(nullptr, name.c_str(), &existing)) {
    WNDCLASS wc = p.WindowClass;
    wc.lpfnWndProc = ControlWindowProcedure;
    wc.lpszClassName = name.c_str();
    if (!RegisterClass(&wc)) throw EOutOfResources("Cannot register window class " + name);
  } else if (existing.lpfnWndProc != ControlWindowProcedure) {
    subclassAfter = true;
    DefWndProc = existing.lpfnWndProc;
  }
  p.WinClassName = name;
  ControlState |= csCreating;
  try {
    if (subclassAfter) {
      CreateWindowHandle(p);
      if (handle_) {
        windows[handle_] = this;
        SetWindowLongPtr(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ControlWindowProcedure));
      }
    } else {
      creating = this;
      CreateWindowHandle(p);
      creating = nullptr;
    }
  } catch (...) {
    creating = nullptr;
    ControlState &= ~csCreating;
    throw;
  }
  ControlState &= ~csCreating;
  if (!handle_) throw EOutOfResources("Error creating window");
  UpdateBoundsFromWindow();
}

void TWinControl::CreateWindowHandle(const TCreateParams& Params) {
  HWND h = CreateWindowEx(Params.ExStyle, Params.WinClassName.c_str(), Params.Caption.c_str(), Params.Style, Params.X,
                          Params.Y, Params.Width, Params.Height, Params.WndParent, nullptr, nullptr, Params.Param);
  if (!handle_) handle_ = h;
}

void TWinControl::DestroyHandle() {
  if (!handle_) return;
  ControlState |= csDestroyingHandle;
  for (TWinControl* c : std::vector<TWinControl*>(winControls_)) c->DestroyHandle();
  DestroyWnd();
  ControlState &= ~csDestroyingHandle;
}

void TWinControl::DestroyWnd() {
  // The text lives in text_, so nothing needs saving from the window.
  DestroyWindowHandle();
}

void TWinControl::DestroyWindowHandle() {
  HWND h = handle_;
  if (!h) return;
  DestroyWindow(h);
  // WM_NCDESTROY normally unbinds; a window destroyed without reaching our
  // procedure (sub-classed away) is unbound here.
  windows.erase(h);
  handle_ = nullptr;
}

void TWinControl::RecreateWnd() {
  if (handle_) Perform(CM_RECREATEWND, 0, 0);
}

void TWinControl::CMRecreateWnd(TMessage&) {
  TWinControl* focus = FocusedControl();
  bool hadFocus = focus && IsAncestorOrSelf(this, focus);
  auto focusAlive = hadFocus ? focus->alive_ : nullptr;
  DestroyHandle();
  UpdateShowing();
  if (!handle_ && (parent_ ? parent_->HandleAllocated() : parentWindow_ != nullptr)) HandleNeeded();
  if (hadFocus && *focusAlive && focus->CanFocus()) ::SetFocus(focus->Handle());
}

void TWinControl::WMNCDestroy(TMessage& Message) {
  DefaultHandler(Message);
  if (handle_) {
    windows.erase(handle_);
    handle_ = nullptr;
  }
}

void TWinControl::PlaceWindowInZOrder() {
  if (!parent_ || !handle_) return;
  auto it = std::find(parent_->winControls_.begin(), parent_->winControls_.end(), this);
  if (it == parent_->winControls_.end()) return;
  // Just below the nearest sibling above us that has a window, else on top
  // (a new child window starts below its siblings).
  HWND after = HWND_TOP;
  for (auto above = it + 1; above != parent_->winControls_.end(); ++above) {
    if ((*above)->handle_) {
      after = (*above)->handle_;
      break;
    }
  }
  if (GetWindow(handle_, GW_HWNDPREV) == (after == HWND_TOP ? nullptr : after)) return;  // already there
  SetWindowPos(handle_, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// ---- Showing ------------------------------------------------------------------------
void TWinControl::UpdateShowing() {
  bool show = visible_ && (parent_ ? parent_->showing_ : true);
  auto alive = alive_;
  if (show && !handle_) CreateHandle();
  if (!*alive) return;
  if (show != showing_) {
    showing_ = show;
    Perform(CM_SHOWINGCHANGED, 0, 0);
    if (!*alive) return;
  }
  for (TWinControl* c : std::vector<TWinControl*>(winControls_))
    if (std::find(winControls_.begin(), winControls_.end(), c) != winControls_.end()) c->UpdateShowing();
}

void TWinControl::CMShowingChanged(TMessage&) {
  if (!handle_) return;
  UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
  SetWindowPos(handle_, nullptr, 0, 0, 0, 0, flags | (showing_ ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

void TWinControl::CMVisibleChangedWin(TMessage& Message) {
  auto alive = alive_;
  TControl::CMVisibleChanged(Message);
  if (!*alive) return;
  if (!visible_) {
    TWinControl* f = FocusedControl();
    if (f && IsAncestorOrSelf(this, f)) {
      if (TWinControl* top = TopLevelParent(); top && top != this && top->handle_) ::SetFocus(top->handle_);
    }
  }
  // A child window keeps its own visibility even while its parent is hidden.
  if (handle_ && parent_)
    SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | (visible_ ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
  if (parent_ || parentWindow_ || handle_) {
    UpdateShowing();
  } else if (visible_) {
    // Without a parent only a window of its own (a form) can show.
    TCreateParams p;
    CreateParams(p);
    if (!(p.Style & WS_CHILD)) UpdateShowing();
  }
}

void TWinControl::ShowControl(TControl* AControl) {
  if (parent_) parent_->ShowControl(this);
  (void)AControl;
}

// ---- Children --------------------------------------------------------------------------
TControl* TWinControl::Controls(int Index) const {
  if (Index < 0 || Index >= ControlCount()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  std::size_t i = std::size_t(Index);
  if (i < controls_.size()) return controls_[i];
  return winControls_[i - controls_.size()];
}

bool TWinControl::ContainsControl(const TControl* Control) const {
  for (const TControl* c = Control; c; c = c->parent_)
    if (c == this) return true;
  return false;
}

void TWinControl::InsertControl(TControl* AControl) {
  auto alive = alive_;
  Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(AControl), 1);
  if (!*alive) return;
  AControl->parent_ = this;
  if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
    winControls_.push_back(w);
    tabList_.push_back(w);
  } else {
    controls_.push_back(AControl);
  }
  if (AControl->parentColor_) AControl->Perform(CM_PARENTCOLORCHANGED, 0, 0);
  if (AControl->parentFont_) AControl->Perform(CM_PARENTFONTCHANGED, 0, 0);
  if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
    if (showing_ || handle_) w->UpdateShowing();
  } else {
    AControl->Invalidate();
  }
  if (!*alive) return;
  Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(AControl), 1);
  if (*alive && AControl->align_ != alNone) Realign();
}

void TWinControl::RemoveControl(TControl* AControl) {
  bool destroying = ComponentState() & csDestroying;
  if (!destroying) Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(AControl), 0);
  // By pointer, not by type: a control leaving from its destructor no
  // longer knows its own type.
  auto w = std::find(winControls_.begin(), winControls_.end(), AControl);
  if (w != winControls_.end()) {
    TWinControl* wc = *w;
    if (wc->handle_ && !destroying) wc->DestroyHandle();
    winControls_.erase(std::find(winControls_.begin(), winControls_.end(), AControl));
    tabList_.erase(std::remove(tabList_.begin(), tabList_.end(), wc), tabList_.end());
    wc->showing_ = false;
  } else {
    if (!destroying) AControl->Invalidate();
    controls_.erase(std::remove(controls_.begin(), controls_.end(), AControl), controls_.end());
  }
  if (captureControl == AControl) SetCaptureControl(nullptr);
  AControl->parent_ = nullptr;
  if (!destroying) {
    Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(AControl), 0);
    if (AControl->align_ != alNone) Realign();
  }
}

void TWinControl::Broadcast(TMessage& Message) {
  // A handler may free controls: walk a copy and skip the ones gone.
  std::vector<std::shared_ptr<const bool>> tokens;
  std::vector<TControl*> list;
  for (int i = 0; i < ControlCount(); ++i) {
    list.push_back(Controls(i));
    tokens.push_back(list.back()->AliveToken());
  }
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (!*tokens[i]) continue;
    list[i]->WindowProc(Message);
    if (Message.Result != 0) return;
  }
}

void TWinControl::NotifyControls(UINT Msg) {
  TMessage m{Msg, 0, 0, 0};
  Broadcast(m);
}

void TWinControl::ScrollBy(int DeltaX, int DeltaY) {
  DisableAlign();
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    c->alignLevel_++;
    c->SetBounds(c->left_ + DeltaX, c->top_ + DeltaY, c->width_, c->height_);
    c->alignLevel_--;
  }
  ControlState &= ~csAlignmentNeeded;
  EnableAlign();
}

void TWinControl::SetZOrder(bool TopMost) {
  if (parent_) {
    auto& list = parent_->winControls_;
    auto it = std::find(list.begin(), list.end(), this);
    if (it != list.end()) {
      list.erase(it);
      if (TopMost)
        list.push_back(this);
      else
        list.insert(list.begin(), this);
    }
  }
  if (handle_)
    SetWindowPos(handle_, TopMost ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// ---- Bounds ----------------------------------------------------------------------------------
void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (!CheckNewSize(AWidth, AHeight)) return;
  if (ALeft == left_ && ATop == top_ && AWidth == width_ && AHeight == height_) return;
  bool sized = AWidth != width_ || AHeight != height_;
  auto alive = alive_;
  left_ = ALeft;
  top_ = ATop;
  width_ = AWidth;
  height_ = AHeight;
  if (handle_) {
    SetWindowPos(handle_, nullptr, ALeft, ATop, AWidth, AHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    if (!*alive) return;
  }
  if (!alignLevel_) UpdateAnchorRules();
  if (sized) Realign();
  if (!*alive) return;
  RequestAlign();
  if (*alive && sized && !(ComponentState() & csLoading)) Resize();
}

void TWinControl::UpdateBoundsFromWindow() {
  if (!handle_) return;
  RECT r{};
  GetWindowRect(handle_, &r);
  if (HWND p = GetParent(handle_); p && (GetWindowLongPtr(handle_, GWL_STYLE) & WS_CHILD)) {
    POINT tl{r.Left, r.Top};
    ::ScreenToClient(p, &tl);
    r = Bounds(tl.X, tl.Y, r.Width(), r.Height());
  }
  if (r == BoundsRect()) return;
  bool sized = r.Width() != width_ || r.Height() != height_;
  left_ = r.Left;
  top_ = r.Top;
  width_ = r.Width();
  height_ = r.Height();
  if (!sized) return;
  auto alive = alive_;
  Realign();
  if (*alive && !(ComponentState() & csLoading)) Resize();
}

void TWinControl::WMWindowPosChanged(TMessage& Message) {
  auto alive = alive_;
  DefaultHandler(Message);
  if (*alive && !(ControlState & csCreating)) UpdateBoundsFromWindow();
}

void TWinControl::WMSize(TMessage& Message) {
  auto alive = alive_;
  DefaultHandler(Message);
  if (!*alive || (ControlState & csCreating)) return;
  const int w = width_, h = height_;
  UpdateBoundsFromWindow();
  // The client alone changed (a menu bar or scroll bar came or went): the
  // children align to what is left.
  if (*alive && w == width_ && h == height_) Realign();
}

void TWinControl::WMMove(TMessage& Message) {
  auto alive = alive_;
  DefaultHandler(Message);
  if (*alive && !(ControlState & csCreating)) UpdateBoundsFromWindow();
}

TRect TWinControl::ClientRect() const {
  if (handle_) {
    RECT r{};
    GetClientRect(handle_, &r);
    return r;
  }
  return Rect(0, 0, width_, height_);
}

TPoint TWinControl::ClientOrigin() const {
  if (handle_) {
    POINT p{0, 0};
    ::ClientToScreen(handle_, &p);
    return p;
  }
  if (!parent_) return TPoint{left_, top_};
  TPoint p = parent_->ClientOrigin();
  return TPoint{p.X + left_, p.Y + top_};
}

// ---- State ------------------------------------------------------------------------------------
void TWinControl::SetEnabled(bool v) { TControl::SetEnabled(v); }

void TWinControl::CMEnabledChangedWin(TMessage& Message) {
  if (!enabled_) {
    TWinControl* f = FocusedControl();
    if (f && IsAncestorOrSelf(this, f)) {
      if (TWinControl* top = TopLevelParent(); top && top != this && top->handle_) ::SetFocus(top->handle_);
    }
  }
  if (handle_) EnableWindow(handle_, enabled_);
  TControl::CMEnabledChanged(Message);
}

void TWinControl::CMFontChangedWin(TMessage& Message) {
  auto alive = alive_;
  TControl::CMFontChanged(Message);
  if (!*alive) return;
  if (handle_) Perform(WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), 0);
  if (*alive) NotifyControls(CM_PARENTFONTCHANGED);
}

void TWinControl::CMColorChangedWin(TMessage& Message) {
  brush_->SetColor(Color());
  auto alive = alive_;
  NotifyControls(CM_PARENTCOLORCHANGED);
  if (*alive) TControl::CMColorChanged(Message);
}

void TWinControl::SetTextBuf(const std::string& v) { TControl::SetTextBuf(v); }

void TWinControl::WMSetText(TMessage& Message) {
  text_ = Message.LParam ? reinterpret_cast<const char*>(Message.LParam) : "";
  if (handle_)
    DefaultHandler(Message);
  else
    Message.Result = TRUE;
}

void TWinControl::Loaded() {
  TControl::Loaded();
  Realign();
}

// ---- Messages ----------------------------------------------------------------------------------
void TWinControl::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_MOUSEMOVE:
      if (handle_) {
        TRACKMOUSEEVENT tme;
        tme.dwFlags = TME_LEAVE;
        tme.hwndTrack = handle_;
        TrackMouseEvent(&tme);
        auto alive = alive_;
        SetMouseControl(FindVCLWindow(ClientToScreen(Message.Pos())));
        if (!*alive) return;
      }
      [[fallthrough]];
    case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN: case WM_RBUTTONUP: case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN: case WM_MBUTTONUP: case WM_MBUTTONDBLCLK: {
      auto alive = alive_;
      if (IsMouseMessageForChild(Message)) {
        // The window's own default still runs (right release -> context menu).
        if (*alive && Message.Result == 0 && handle_)
          CallWindowProc(DefWndProc, handle_, Message.Msg, Message.WParam, Message.LParam);
        return;
      }
      if (!*alive) return;
      break;
    }
    default: break;
  }
  TControl::WndProc(Message);
}

void TWinControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_PAINT: WMPaint(Message); return;
    case WM_ERASEBKGND: WMEraseBkgnd(Message); return;
    case WM_SETCURSOR: WMSetCursor(Message); return;
    case WM_WINDOWPOSCHANGED: WMWindowPosChanged(Message); return;
    case WM_SIZE: WMSize(Message); return;
    case WM_MOVE: WMMove(Message); return;
    case WM_SETFOCUS: WMSetFocus(Message); return;
    case WM_KILLFOCUS: WMKillFocus(Message); return;
    case WM_KEYDOWN: case WM_SYSKEYDOWN: case WM_KEYUP: case WM_SYSKEYUP: WMKey(Message); return;
    case WM_CHAR: WMChar(Message); return;
    case WM_SYSCHAR: WMSysChar(Message); return;
    case WM_SETTEXT: WMSetText(Message); return;
    case WM_NCDESTROY: WMNCDestroy(Message); return;
    case WM_MOUSELEAVE: WMMouseLeave(Message); return;
    case WM_GETDLGCODE: WMGetDlgCode(Message); return;
    case WM_CONTEXTMENU: WMContextMenuWin(Message); return;
    case WM_COMMAND: case WM_NOTIFY: case WM_DRAWITEM: case WM_MEASUREITEM:
    case WM_HSCROLL: case WM_VSCROLL: case WM_VKEYTOITEM: case WM_CHARTOITEM:
    case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC:
      WMReflect(Message);
      return;
    case CN_KEYDOWN: case CN_SYSKEYDOWN: CNKeyDown(Message); return;
    case CN_CHAR: CNChar(Message); return;
    case CN_SYSCHAR: CNSysChar(Message); return;
    case CM_CHILDKEY: CMChildKey(Message); return;
    case CM_DIALOGKEY: CMDialogKey(Message); return;
    case CM_DIALOGCHAR: CMDialogChar(Message); return;
    case CM_FOCUSCHANGED: CMFocusChanged(Message); return;
    case CM_ENTER: CMEnter(Message); return;
    case CM_EXIT: CMExit(Message); return;
    case CM_SHOWINGCHANGED: CMShowingChanged(Message); return;
    case CM_VISIBLECHANGED: CMVisibleChangedWin(Message); return;
    case CM_FONTCHANGED: CMFontChangedWin(Message); return;
    case CM_COLORCHANGED: CMColorChangedWin(Message); return;
    case CM_ENABLEDCHANGED: CMEnabledChangedWin(Message); return;
    case CM_RECREATEWND: CMRecreateWnd(Message); return;
    case CM_SYSCOLORCHANGE: case CM_SHOWHINTCHANGED: case CM_PARENTSHOWHINTCHANGED: {
      auto alive = alive_;
      TControl::Dispatch(Message);
      if (*alive) NotifyControls(Message.Msg == CM_SYSCOLORCHANGE ? CM_SYSCOLORCHANGE : CM_PARENTSHOWHINTCHANGED);
      return;
    }
    default: TControl::Dispatch(Message); return;
  }
}

void TWinControl::DefaultHandler(TMessage& Message) {
  if (!handle_) {
    TControl::DefaultHandler(Message);
    return;
  }
  Message.Result = CallWindowProc(DefWndProc ? DefWndProc : DefWindowProc, handle_, Message.Msg, Message.WParam,
                                  Message.LParam);
}

bool TWinControl::DoControlMsg(HWND ControlHandle, TMessage& Message) {
  TWinControl* c = FindControl(ControlHandle);
  if (!c || c == this) return false;
  Message.Result = c->Perform(CN_BASE + Message.Msg, Message.WParam, Message.LParam);
  return true;
}

void TWinControl::WMReflect(TMessage& Message) {
  HWND from = nullptr;
  switch (Message.Msg) {
    case WM_NOTIFY:
      if (Message.LParam) from = reinterpret_cast<const NMHDR*>(Message.LParam)->hwndFrom;
      break;
    case WM_DRAWITEM:
      if (Message.LParam) from = reinterpret_cast<const DRAWITEMSTRUCT*>(Message.LParam)->hwndItem;
      break;
    case WM_MEASUREITEM:
      if (Message.LParam) {
        auto* mi = reinterpret_cast<const MEASUREITEMSTRUCT*>(Message.LParam);
        if (mi->CtlType != ODT_MENU && handle_)
          for (TWinControl* c : winControls_)
            if (c->handle_ && GetWindowLongPtr(c->handle_, GWL_ID) == LONG_PTR(mi->CtlID)) from = c->handle_;
      }
      break;
    default: from = reinterpret_cast<HWND>(Message.LParam); break;
  }
  if (from && DoControlMsg(from, Message)) return;
  DefaultHandler(Message);
}
