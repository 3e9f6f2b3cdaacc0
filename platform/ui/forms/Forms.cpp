#include "platform/ui/forms/Forms.h"

#include <algorithm>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/forms/Application.h"
#include "platform/ui/menus/MenuBar.h"
#include "platform/ui/menus/Menus.h"
#include "platform/ui/forms/Screen.h"
#include "platform/user/User.h"

namespace {

struct TDisabledWindows {
  std::vector<HWND> list;
};

BOOL CollectEnabled(HWND h, LPARAM lp) {
  auto* d = reinterpret_cast<TDisabledWindows*>(lp);
  if (IsWindowVisible(h) && IsWindowEnabled(h)) d->list.push_back(h);
  return TRUE;
}

// Disables every visible, enabled top-level window; returns them for later.
std::vector<HWND> DisableTaskWindows() {
  TDisabledWindows d;
  EnumWindows(CollectEnabled, reinterpret_cast<LPARAM>(&d));
  for (HWND h : d.list) EnableWindow(h, FALSE);
  return d.list;
}

void EnableTaskWindows(const std::vector<HWND>& list) {
  for (HWND h : list)
    if (IsWindow(h)) EnableWindow(h, TRUE);
}

}  // namespace

TCustomForm* GetParentForm(TControl* Control) {
  if (!Control) return nullptr;
  TWinControl* top = Control->TopLevelParent();
  return dynamic_cast<TCustomForm*>(top);
}

// ---- TCustomForm ---------------------------------------------------------------------

TCustomForm::TCustomForm(TComponent* AOwner)
    : TScrollingWinControl(AOwner), icon_(new TIcon), canvas_(new TControlCanvas(this)) {
  ControlStyle = csAcceptsControls | csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
  SetVisible(false);
  SetBounds(0, 0, 320, 240);
  SetColor(clBtnFace);
  SetParentColor(false);
  icon_->OnChange = [this](TObject*) { UpdateIcon(); };
  InstallScreenHooks();
  InstallEditContextMenu();
  InstallWindowMenuTracker();
  Screen->AddForm(this);
}

TCustomForm::~TCustomForm() {
  Destroying();
  if (created_) {
    try {
      DoDestroy();
    } catch (...) {
      Application->HandleException(this);
    }
  }
  if (Application && Application->MainForm() == this) Application->ClearMainForm();
  Screen->RemoveForm(this);
  if (HandleAllocated()) DestroyHandle();
}

void TCustomForm::AfterConstruction() {
  if (created_) return;
  created_ = true;
  DoCreate();
}

void TCustomForm::DoCreate() {
  TNotifyEvent h = OnCreate;
  if (!h) return;
  try {
    h(this);
  } catch (...) {
    Application->HandleException(this);
  }
}

void TCustomForm::DoDestroy() {
  if (OnDestroy) OnDestroy(this);
}

void TCustomForm::BeginLayout() { SetLoading(true); }

void TCustomForm::EndLayout() {
  // Children first, so the form's own Loaded sees them complete.
  for (TComponent* c : std::vector<TComponent*>(ComponentList()))
    if (c->ComponentState() & csLoading) c->SetLoading(false);
  SetLoading(false);
}

void TCustomForm::Notification(TComponent* AComponent, TOperation Operation) {
  TScrollingWinControl::Notification(AComponent, Operation);
  if (Operation == opInsert && AComponent && (ComponentState() & csLoading)) AComponent->SetLoading(true);
  if (Operation == opRemove) {
    if (AComponent == activeControl_) activeControl_ = nullptr;
    if (windowMenu_ && AComponent == static_cast<TComponent*>(windowMenu_)) windowMenu_ = nullptr;
    if (menu_ && AComponent == static_cast<TComponent*>(menu_)) {
      menu_ = nullptr;
      if (!(ComponentState() & csDestroying)) MenuBarChanged(this);
    }
  }
}

void TCustomForm::SetWindowMenu(TMenuItem* v) {
  if (v == windowMenu_) return;
  // The children's list leaves the old menu.
  for (auto& [item, alive] : mdiListed_)
    if (*alive) {
      if (item->Parent()) item->Parent()->Remove(item);
      delete item;
    }
  mdiListed_.clear();
  if (windowMenu_) windowMenu_->RemoveFreeNotification(this);
  windowMenu_ = v;
  if (v) v->FreeNotification(this);
}

void TCustomForm::SetMenu(TMainMenu* v) {
  if (v == menu_) return;
  if (menu_) menu_->RemoveFreeNotification(this);
  menu_ = v;
  if (menu_) menu_->FreeNotification(this);
  MenuBarChanged(this);
}

void TCustomForm::Loaded() {
  TScrollingWinControl::Loaded();
  if (activeControl_ && activeControl_->HandleAllocated() && active_) FocusControl(activeControl_);
}

// ---- Window -------------------------------------------------------------------------

void TCustomForm::CreateParams(TCreateParams& Params) {
  TScrollingWinControl::CreateParams(Params);
  if (formStyle_ == fsMDIChild && Application->MainForm() && Application->MainForm()->ClientHandle()) {
    Params.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_THICKFRAME | WS_SYSMENU |
                   WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    Params.ExStyle = WS_EX_MDICHILD | WS_EX_WINDOWEDGE;
    Params.WndParent = Application->MainForm()->ClientHandle();
    return;
  }
  if (Parent()) return;  // docked into another control: a plain child
  DWORD style = WS_CLIPCHILDREN;
  DWORD ex = 0;
  TBorderIcons icons = borderIcons_;
  switch (borderStyle_) {
    case bsNone:
      style |= WS_POPUP;
      icons = 0;
      break;
    case bsSingle:
      style |= WS_CAPTION | WS_BORDER;
      break;
    case bsSizeable:
      style |= WS_CAPTION | WS_THICKFRAME;
      break;
    case bsDialog:
      style |= WS_POPUP | WS_CAPTION;
      ex |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
      icons &= biSystemMenu | biHelp;
      break;
    case bsToolWindow:
      style |= WS_CAPTION | WS_BORDER;
      ex |= WS_EX_TOOLWINDOW;
      icons &= biSystemMenu;
      break;
    case bsSizeToolWin:
      style |= WS_CAPTION | WS_THICKFRAME;
      ex |= WS_EX_TOOLWINDOW;
      icons &= biSystemMenu;
      break;
  }
  if (icons & biSystemMenu) {
    style |= WS_SYSMENU;
    if (icons & biMinimize) style |= WS_MINIMIZEBOX;
    if (icons & biMaximize) style |= WS_MAXIMIZEBOX;
    // The help button only shows where there are no minimize/maximize boxes.
    if ((icons & biHelp) && !(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX))) ex |= WS_EX_CONTEXTHELP;
  }
  if (formStyle_ == fsStayOnTop) ex |= WS_EX_TOPMOST;
  Params.Style = style;
  Params.ExStyle = ex;
  Params.WndParent = Modal() ? ModalOwner() : Application->Handle();
  if (position_ == poDefault || position_ == poDefaultPosOnly) Params.X = Params.Y = CW_USEDEFAULT;
  if (position_ == poDefault || position_ == poDefaultSizeOnly) Params.Width = Params.Height = CW_USEDEFAULT;
}

void TCustomForm::CreateWnd() {
  TScrollingWinControl::CreateWnd();
  if (formStyle_ == fsMDIForm) CreateMDIClient();
  // Without an icon of its own the window shows the application's.
  if (!icon_->Empty() || (Application && !Application->Icon()->Empty())) UpdateIcon();
}

void TCustomForm::UpdateIcon() {
  if (!HandleAllocated()) return;
  // The icon frees its handle on every change, so the window is told each time.
  TIcon* shown = !icon_->Empty() ? icon_.get() : Application ? Application->Icon() : nullptr;
  auto h = reinterpret_cast<LPARAM>(!shown || shown->Empty() ? nullptr : shown->Handle());
  SendMessage(Handle(), WM_SETICON, ICON_BIG, h);
  SendMessage(Handle(), WM_SETICON, ICON_SMALL, h);
}

void TCustomForm::DestroyWnd() {
  if (clientHandle_ && IsWindow(clientHandle_)) DestroyWindow(clientHandle_);
  clientHandle_ = nullptr;
  TScrollingWinControl::DestroyWnd();
}

void TCustomForm::UpdateStyles() {
  if (!HandleAllocated() || (ComponentState() & csLoading)) return;
  TCreateParams p;
  CreateParams(p);
  HWND h = Handle();
  DWORD keep = DWORD(GetWindowLong(h, GWL_STYLE)) & (WS_VISIBLE | WS_DISABLED | WS_MINIMIZE | WS_MAXIMIZE);
  SetWindowLong(h, GWL_STYLE, LONG_PTR(p.Style | keep));
  SetWindowLong(h, GWL_EXSTYLE, LONG_PTR(p.ExStyle));
  SetWindowPos(h, (p.ExStyle & WS_EX_TOPMOST) ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void TCustomForm::SetBorderStyle(TFormBorderStyle v) {
  if (v == borderStyle_) return;
  borderStyle_ = v;
  UpdateStyles();
}

void TCustomForm::SetBorderIcons(TBorderIcons v) {
  if (v == borderIcons_) return;
  borderIcons_ = v;
  UpdateStyles();
}

void TCustomForm::SetFormStyle(TFormStyle v) {
  if (v == formStyle_) return;
  TFormStyle old = formStyle_;
  formStyle_ = v;
  if (!HandleAllocated()) return;
  if (old == fsMDIChild || v == fsMDIChild || old == fsMDIForm || v == fsMDIForm)
    RecreateWnd();
  else
    UpdateStyles();
}

void TCustomForm::SetPosition(TPosition v) {
  position_ = v;
  positionPending_ = true;
}

// ---- Position and state ----------------------------------------------------------

namespace {
// Where the last default-placed form went (screen coordinates).
struct TDefaultPlacement {
  bool any = false;
  TPoint last{};
};
TDefaultPlacement g_defaultPlacement;
}  // namespace

// Each default-placed form one caption and frame down and right of the
// previous, starting over at the work area's corner when it would not fit.
void TCustomForm::PlaceByDefault() {
  TRect work = Screen->WorkAreaRect();
  const int step = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME);
  TPoint p{work.Left, work.Top};
  if (g_defaultPlacement.any) p = TPoint{g_defaultPlacement.last.X + step, g_defaultPlacement.last.Y + step};
  if (p.X < work.Left || p.Y < work.Top || p.X + Width() > work.Right || p.Y + Height() > work.Bottom)
    p = TPoint{work.Left, work.Top};
  g_defaultPlacement = {true, p};
  SetBounds(p.X, p.Y, Width(), Height());
}

void TCustomForm::ApplyPosition() {
  if (!positionPending_) return;
  positionPending_ = false;
  TRect area;
  switch (position_) {
    case poScreenCenter:
      area = Screen->PrimaryMonitor() ? Screen->PrimaryMonitor()->BoundsRect() : Bounds(0, 0, Screen->Width(), Screen->Height());
      break;
    case poDesktopCenter:
      area = Screen->DesktopRect();
      break;
    case poMainFormCenter:
    case poOwnerFormCenter: {
      TCustomForm* center = position_ == poOwnerFormCenter ? dynamic_cast<TCustomForm*>(Owner()) : nullptr;
      if (!center) center = Application->MainForm();
      if (!center || center == this) {
        area = Bounds(0, 0, Screen->Width(), Screen->Height());
      } else {
        area = center->BoundsRect();
      }
      break;
    }
    case poDefault:
    case poDefaultPosOnly:
      if (formStyle_ != fsMDIChild) PlaceByDefault();
      return;
    default:
      return;
  }
  int x = area.Left + (area.Width() - Width()) / 2;
  int y = area.Top + (area.Height() - Height()) / 2;
  // Keep the caption reachable: never above or left of the work area.
  TRect work = Screen->WorkAreaRect();
  if (TMonitor* m = Screen->MonitorFromRect(Bounds(x, y, Width(), Height()))) work = m->WorkareaRect();
  if (x + Width() > work.Right) x = work.Right - Width();
  if (y + Height() > work.Bottom) y = work.Bottom - Height();
  x = std::max(x, work.Left);
  y = std::max(y, work.Top);
  SetBounds(x, y, Width(), Height());
}

TWindowState TCustomForm::WindowState() const { return windowState_; }

void TCustomForm::SetWindowState(TWindowState v) {
  if (v == windowState_) return;
  windowState_ = v;
  if (HandleAllocated() && Showing()) ApplyWindowState();
}

void TCustomForm::ApplyWindowState() {
  if (formStyle_ == fsMDIChild) {
    ApplyMDIState();
    return;
  }
  static constexpr int kCommands[] = {SW_RESTORE, SW_MINIMIZE, SW_MAXIMIZE};
  ShowWindow(Handle(), kCommands[windowState_]);
}

void TCustomForm::WMSize(TMessage& Message) {
  if (Message.WParam == SIZE_MINIMIZED)
    windowState_ = wsMinimized;
  else if (Message.WParam == SIZE_MAXIMIZED)
    windowState_ = wsMaximized;
  else if (Message.WParam == SIZE_RESTORED && !mdiMaximized_)  // an MDI child is maximized by its bounds
    windowState_ = wsNormal;
  TScrollingWinControl::Dispatch(Message);
  if (windowState_ != wsMinimized) LeaveIconic();
  if (clientHandle_) {
    RECT r;
    GetClientRect(Handle(), &r);
    MoveWindow(clientHandle_, 0, 0, r.Width(), r.Height(), TRUE);
    FitMaximizedMDIChildren();
  }
}

// ---- Showing ----------------------------------------------------------------------------

void TCustomForm::Show() {
  SetVisible(true);
  BringToFront();
}

void TCustomForm::Hide() { SetVisible(false); }

void TCustomForm::BringToFront() {
  if (!HandleAllocated() || !Showing()) return;
  if (windowState_ == wsMinimized) return;
  SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  if (IsWindowEnabled(Handle())) SetActiveWindow(Handle());
}

void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
  if (OnHide) OnHide(this);
}

void TCustomForm::ShowingChanged(TMessage& Message) {
  if (Parent() || formStyle_ == fsMDIChild) {
    if (Showing()) {
      try {
        DoShow();
      } catch (...) {
        Application->HandleException(this);
      }
    } else {
      try {
        DoHide();
      } catch (...) {
        Application->HandleException(this);
      }
    }
    TScrollingWinControl::Dispatch(Message);
    if (formStyle_ == fsMDIChild && Showing()) {
      if (windowState_ == wsMaximized) ApplyWindowState();
      SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
    return;
  }
  auto alive = AliveToken();
  if (Showing()) {
    try {
      DoShow();
    } catch (...) {
      Application->HandleException(this);
    }
    if (!*alive || !Showing()) return;
    ApplyPosition();
    static constexpr int kCommands[] = {SW_SHOWNORMAL, SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED};
    ShowWindow(Handle(), kCommands[windowState_]);
  } else {
    try {
      DoHide();
    } catch (...) {
      Application->HandleException(this);
    }
    if (!*alive || Showing()) return;
    ShowWindow(Handle(), SW_HIDE);
  }
}

HWND TCustomForm::ModalOwner() const {
  HWND active = GetActiveWindow();
  return active ? active : Application->Handle();
}

TModalResult TCustomForm::ShowModal() {
  if (Visible() || !Enabled() || Modal() || formStyle_ == fsMDIChild)
    throw EInvalidOperation("Cannot make a visible window modal");
  if (HWND capture = GetCapture()) SendMessage(capture, WM_CANCELMODE, 0, 0);
  ReleaseCapture();
  Application->CancelHint();

  auto alive = AliveToken();
  TApplication* app = Application;
  ++modalLevel_;
  HWND previousActive = GetActiveWindow();
  TCursor savedCursor = Screen->Cursor();
  Screen->SetCursor(crDefault);
  std::vector<HWND> disabled = DisableTaskWindows();
  TModalResult result = mrCancel;
  try {
    // The owner follows the window that was active when the form went modal.
    if (HandleAllocated()) SetWindowLongPtr(Handle(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(ModalOwner()));
    Show();
    modalResult_ = mrNone;
    while (*alive) {
      app->HandleMessage();
      if (!*alive) break;
      if (app->Terminated())
        modalResult_ = mrCancel;
      else if (modalResult_ != mrNone) {
        // Closing may be refused (OnCloseQuery, caNone): the loop goes on.
        TCloseAction action = caNone;
        if (CloseQuery()) {
          action = caHide;
          DoClose(action);
        }
        if (!*alive) break;
        if (action == caNone) modalResult_ = mrNone;
        if (action == caFree) Release();
      }
      if (modalResult_ != mrNone) break;
    }
    if (*alive) {
      result = modalResult_;
      Hide();
    }
  } catch (...) {
    EnableTaskWindows(disabled);
    Screen->SetCursor(savedCursor);
    if (*alive) --modalLevel_;
    throw;
  }
  EnableTaskWindows(disabled);
  Screen->SetCursor(savedCursor);
  if (previousActive && IsWindow(previousActive) && IsWindowVisible(previousActive)) SetActiveWindow(previousActive);
  if (*alive) --modalLevel_;
  return result;
}

bool TCustomForm::CloseQuery() {
  // MDI children are asked first; any of them may refuse.
  if (formStyle_ == fsMDIForm)
    for (int i = 0; i < MDIChildCount(); ++i)
      if (!MDIChildren(i)->CloseQuery()) return false;
  bool canClose = true;
  if (TCloseQueryEvent h = OnCloseQuery) h(this, canClose);
  return canClose;
}

void TCustomForm::DoClose(TCloseAction& Action) {
  if (TCloseEvent h = OnClose) h(this, Action);
}

void TCustomForm::Close() {
  if (Modal()) {
    modalResult_ = mrCancel;
    return;
  }
  if (closing_) return;
  auto alive = AliveToken();
  closing_ = true;
  struct TReset {
    TCustomForm* f;
    std::shared_ptr<const bool> alive;
    ~TReset() {
      if (*alive) f->closing_ = false;
    }
  } reset{this, alive};
  if (!CloseQuery() || !*alive) return;
  TCloseAction action = formStyle_ == fsMDIChild ? ((borderIcons_ & biMinimize) ? caMinimize : caNone) : caHide;
  DoClose(action);
  if (!*alive || action == caNone) return;
  if (Application->MainForm() == this)
    Application->Terminate();
  else if (action == caHide)
    Hide();
  else if (action == caMinimize)
    SetWindowState(wsMinimized);
  else
    Release();
}

void TCustomForm::Release() {
  if (releasePosted_) return;
  releasePosted_ = true;
  PostMessage(Handle(), CM_RELEASE, 0, 0);
}

void TCustomForm::CMRelease(TMessage&) { delete this; }

// ---- Activation and focus ----------------------------------------------------------

void TCustomForm::Activate() {
  if (OnActivate) OnActivate(this);
}

void TCustomForm::Deactivate() {
  if (OnDeactivate) OnDeactivate(this);
}

void TCustomForm::WMActivate(TMessage& Message) {
  auto alive = AliveToken();
  TScrollingWinControl::Dispatch(Message);
  if (!*alive) return;
  bool activating = LOWORD(Message.WParam) != WA_INACTIVE;
  if (activating == active_) return;
  active_ = activating;
  try {
    if (activating) {
      Screen->SetActiveCustomForm(this);
      // A form shown without an active control starts at its first tab
      // stop, so typing goes somewhere before any click or Tab.
      if (!activeControl_ && !(ComponentState() & csDesigning))
        if (TWinControl* first = FindNextControl(nullptr, true, true, false)) {
          activeControl_ = first;
          first->FreeNotification(this);
        }
      if (activeControl_ && activeControl_ != this && activeControl_->CanFocus())
        ::SetFocus(activeControl_->Handle());
      Activate();
    } else {
      Deactivate();
    }
  } catch (...) {
    Application->HandleException(this);
  }
}

void TCustomForm::SetActiveControl(TWinControl* v) {
  if (v == activeControl_) return;
  if (v && (v == this || GetParentForm(v) != this)) throw EInvalidOperation("Invalid active control");
  activeControl_ = v;
  if (v) v->FreeNotification(this);
  if (active_ && v && !(ComponentState() & csLoading) && v->CanFocus()) FocusControl(v);
}

bool TCustomForm::SetFocusedControl(TWinControl* Control) {
  if (Control != this) activeControl_ = Control;
  if (Control) Control->FreeNotification(this);
  if (Screen->ActiveCustomForm() == this || active_) Screen->SetActiveControl(Control);
  return true;
}

void TCustomForm::FocusControl(TWinControl* Control) {
  if (Control && Control->CanFocus()) ::SetFocus(Control->Handle());
}

bool TCustomForm::IsShortCut(TWMKey& Message) {
  bool handled = false;
  auto alive = AliveToken();
  if (TShortCutEvent h = OnShortCut) h(Message, handled);
  if (handled || !*alive) return handled;
  // The item's OnClick may free this form: nothing of it is touched afterwards.
  return menu_ && menu_->IsShortCut(Message);
}

// ---- Painting ----------------------------------------------------------------------

void TCustomForm::PaintWindow(HDC DC) {
  canvas_->SetHandle(DC);
  try {
    Paint();
  } catch (...) {
    canvas_->SetHandle(nullptr);
    throw;
  }
  canvas_->SetHandle(nullptr);
  PaintControls(DC, nullptr);
}

void TCustomForm::Paint() {
  if (OnPaint) OnPaint(this);
}

// ---- Messages ------------------------------------------------------------------------

void TCustomForm::WMClose(TMessage&) { Close(); }

void TCustomForm::WMSysCommand(TMessage& Message) {
  WPARAM cmd = Message.WParam & 0xFFF0;
  // Alt+Space is the window menu's, not the menu bar's; with a bar, the
  // two take turns under Left and Right.
  if (cmd == SC_KEYMENU && (Message.LParam == ' ' || Message.LParam == '-') &&
      MenuBarWindowMenuKey(this, Message.LParam)) {
    Message.Result = 0;
    return;
  }
  if (cmd == SC_KEYMENU && menu_ && Message.LParam != ' ') {
    std::string ch;
    if (Message.LParam > ' ') AppendUtf8(ch, char32_t(Message.LParam));
    if (MenuBarKeyMenu(this, ch)) {
      Message.Result = 0;
      return;
    }
  }
  // An MDI child is maximized and restored by its bounds in the client.
  if (formStyle_ == fsMDIChild && (cmd == SC_MAXIMIZE || (cmd == SC_RESTORE && windowState_ == wsMaximized))) {
    SetWindowState(cmd == SC_MAXIMIZE ? wsMaximized : wsNormal);
    Message.Result = 0;
    return;
  }
  if (cmd == SC_MINIMIZE && Application->MainForm() == this && formStyle_ != fsMDIChild) {
    Application->Minimize();
    Message.Result = 0;
    return;
  }
  auto alive = AliveToken();
  TScrollingWinControl::Dispatch(Message);
  // Restoring a window whose size stays the same brings no WM_SIZE.
  if (*alive && cmd == SC_RESTORE && windowState_ == wsMinimized && HandleAllocated() && !IsIconic(Handle())) {
    windowState_ = IsZoomed(Handle()) ? wsMaximized : wsNormal;
    LeaveIconic();
  }
}

void TCustomForm::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_SHOWINGCHANGED:
      ShowingChanged(Message);
      return;
    case WM_ACTIVATE:
      WMActivate(Message);
      return;
    case WM_CLOSE:
      WMClose(Message);
      return;
    case WM_SYSCOMMAND:
      WMSysCommand(Message);
      return;
    case WM_SIZE:
      WMSize(Message);
      return;
    case CM_RELEASE:
      CMRelease(Message);
      return;
    // The main menu's bar in the non-client area.
    case WM_NCCALCSIZE:
      TScrollingWinControl::Dispatch(Message);
      if (menu_) MenuBarNcCalcSize(this, Message);
      return;
    case WM_NCHITTEST:
      if (menu_ && MenuBarNcHitTest(this, Message)) return;
      break;
    case WM_NCPAINT:
    case WM_NCACTIVATE: {
      auto alive = AliveToken();
      TScrollingWinControl::Dispatch(Message);
      if (*alive && menu_) MenuBarNcPaint(this);
      return;
    }
    case WM_NCLBUTTONDOWN:
      if (menu_ && Message.WParam == WPARAM(HTMENU)) {
        MenuBarMouseDown(this, LParamToPoint(Message.LParam));
        return;
      }
      break;
    case WM_NCLBUTTONDBLCLK:
      if (menu_ && Message.WParam == WPARAM(HTMENU) && MenuBarDoubleClick(this, LParamToPoint(Message.LParam))) return;
      break;
    case WM_INITMENUPOPUP:
      if (formStyle_ == fsMDIForm && windowMenu_ && Message.WParam == reinterpret_cast<WPARAM>(windowMenu_->Handle()))
        RefreshMDIWindowList();
      break;
    case WM_COMMAND:
      // A main-menu command; the item's OnClick may free this form.
      if (Message.LParam == 0 && HIWORD(Message.WParam) == 0 && menu_ &&
          menu_->DispatchCommand(Word(LOWORD(Message.WParam))))
        return;
      break;
    case CM_DIALOGCHAR: {
      auto alive = AliveToken();
      TScrollingWinControl::Dispatch(Message);
      // Alt+character: the controls' accelerators first, then the bar's.
      if (*alive && Message.Result == 0 && menu_ && (Message.LParam & (LPARAM(1) << 29))) {
        std::string ch;
        AppendUtf8(ch, char32_t(Message.WParam));
        if (MenuBarKeyMenu(this, ch)) Message.Result = 1;
      }
      return;
    }
    case CM_VISIBLECHANGED:
      TScrollingWinControl::Dispatch(Message);
      // An MDI child's window is a child of the MDI client, not of a parent
      // control, so the control layer leaves its showing to the form.
      if (formStyle_ == fsMDIChild && !Parent()) UpdateShowing();
      return;
    case CM_FOCUSCHANGED:
      if (Message.LParam) SetFocusedControl(reinterpret_cast<TWinControl*>(Message.LParam));
      break;
    case WM_MOUSEACTIVATE:
      if (formStyle_ == fsMDIChild) {
        TScrollingWinControl::Dispatch(Message);
        SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        return;
      }
      break;
    default:
      break;
  }
  TScrollingWinControl::Dispatch(Message);
}
