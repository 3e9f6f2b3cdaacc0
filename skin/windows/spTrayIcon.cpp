// The tray icon: the notification data, the hidden window's messages,
// click and cycle timers, and the application and owner hooks.
#include "skin/windows/spTrayIcon.h"

#include <algorithm>
#include <cstring>

#include "platform/graphics/ImageList.h"
#include "platform/ui/forms/Forms.h"
#include "platform/ui/forms/Screen.h"
#include "platform/ui/menus/Menus.h"
#include "platform/ui/system/UtilityWindow.h"
#include "platform/user/User.h"
#include "platform/user/system/NotifyIcon.h"
#include "skin/windows/SkinMenus.h"

namespace {
constexpr std::size_t kTrayTipMax = 127;
}  // namespace

UINT TspTrayIcon::TaskbarCreatedMessage() {
  static const UINT message = RegisterWindowMessage(kTaskbarCreatedMessage);
  return message;
}

TspTrayIcon::TspTrayIcon(TComponent* AOwner) : TComponent(AOwner), icon_(std::make_unique<TIcon>()) {
  TaskbarCreatedMessage();
  window_ = AllocateHWnd([this](HWND h, UINT m, WPARAM w, LPARAM l) { return WindowProc(h, m, w, l); });
  cycleTimer_ = std::make_unique<TTimer>(nullptr);
  cycleTimer_->SetEnabled(false);
  cycleTimer_->SetInterval(animateTimerInterval_);
  cycleTimer_->SetOnTimer([this](TObject*) { CycleTimerTick(); });
  clickTimer_ = std::make_unique<TTimer>(nullptr);
  clickTimer_->SetEnabled(false);
  clickTimer_->SetInterval(GetDoubleClickTime());
  clickTimer_->SetOnTimer([this](TObject*) { ClickTimerTick(); });
  if (Designing()) return;
  if (!icon_->Handle() && LoadDefaultIcon() && Application && Application->Icon() && !Application->Icon()->Empty())
    icon_->Assign(Application->Icon());
  if (Application) {
    Application->HookMainWindow(TWindowHook::Bound(this, &TspTrayIcon::AppHook, [this](TMessage& m) {
      return AppHook(m);
    }));
    appHooked_ = true;
  }
  if (auto* owner = dynamic_cast<TWinControl*>(AOwner)) {
    savedOwnerProc_ = owner->WindowProc;
    ownerHooked_ = true;
    std::weak_ptr<bool> alive = alive_;
    TWndMethod saved = savedOwnerProc_;
    owner->WindowProc = TWndMethod::FromFunction(
        [this, alive, saved](TMessage& m) {
          if (auto a = alive.lock(); a && *a) OwnerMessage(m);
          saved(m);
        },
        this);
  }
}

TspTrayIcon::~TspTrayIcon() {
  SetIconVisible(false);
  SetDesignPreview(false);
  *alive_ = false;
  if (appHooked_ && Application)
    Application->UnhookMainWindow(TWindowHook::Bound(this, &TspTrayIcon::AppHook, [](TMessage&) { return false; }));
  // Put the owner's procedure back when ours is still the outermost; a
  // later hook keeps calling ours, which then only passes messages on.
  if (ownerHooked_)
    if (auto* owner = dynamic_cast<TWinControl*>(Owner()); owner && owner->WindowProc == TWndMethod::FromFunction([](TMessage&) {}, this))
      owner->WindowProc = savedOwnerProc_;
  cycleTimer_.reset();
  clickTimer_.reset();
  if (window_) DeallocateHWnd(window_);
}

// ---- Properties ---------------------------------------------------------------------------

void TspTrayIcon::SetDesignPreview(bool v) {
  designPreview_ = v;
  if (!Designing()) return;
  previewing_ = true;
  if (v)
    ShowIcon();
  else
    HideIcon();
  previewing_ = false;
}

void TspTrayIcon::SetIconList(TImageList* v) {
  if (iconList_) iconList_->RemoveFreeNotification(this);
  iconList_ = v;
  if (iconList_) iconList_->FreeNotification(this);
  SetIconIndex(0);
}

void TspTrayIcon::SetCycleIcons(bool v) {
  cycleIcons_ = v;
  if (v) SetIconIndex(0);
  cycleTimer_->SetEnabled(v);
}

void TspTrayIcon::SetAnimateTimerInterval(Cardinal v) {
  animateTimerInterval_ = v;
  cycleTimer_->SetInterval(v);
}

void TspTrayIcon::SetHint(const std::string& v) {
  hint_ = v;
  ModifyIcon();
}

void TspTrayIcon::SetShowHint(bool v) {
  showHint_ = v;
  ModifyIcon();
}

void TspTrayIcon::SetIcon(const TIcon* v) {
  icon_->Assign(v);
  ModifyIcon();
}

void TspTrayIcon::SetIconVisible(bool v) {
  if (v)
    ShowIcon();
  else
    HideIcon();
}

void TspTrayIcon::SetIconIndex(int v) {
  // An empty list has no icon to copy: the index stays 0.
  if (iconList_ && iconList_->Count() > 0) {
    iconIndex_ = std::clamp(v, 0, iconList_->Count() - 1);
    iconList_->GetIcon(iconIndex_, icon_.get());
  } else {
    iconIndex_ = 0;
  }
  ModifyIcon();
}

void TspTrayIcon::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == iconList_) iconList_ = nullptr;
  if (AComponent == PopupMenu) PopupMenu = nullptr;
}

// ---- The notification area ----------------------------------------------------------------

bool TspTrayIcon::Send(DWORD message) {
  if (Designing() && !previewing_ && !designPreview_) return false;
  NOTIFYICONDATAA d;
  d.hWnd = window_;
  d.uID = 1;
  d.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  d.uCallbackMessage = WM_TRAYNOTIFY;
  d.hIcon = icon_->Empty() ? nullptr : icon_->Handle();
  tip_ = !hint_.empty() && showHint_ ? hint_.substr(0, kTrayTipMax) : std::string();
  std::memcpy(d.szTip, tip_.data(), tip_.size());
  return Shell_NotifyIcon(message, &d) != FALSE;
}

bool TspTrayIcon::ShowIcon() {
  if (!previewing_) iconVisible_ = true;
  if (Designing() && !previewing_) return false;
  return Send(NIM_ADD);
}

bool TspTrayIcon::HideIcon() {
  if (!previewing_) iconVisible_ = false;
  if (Designing() && !previewing_) return false;
  return Send(NIM_DELETE);
}

bool TspTrayIcon::ModifyIcon() { return Send(NIM_MODIFY); }

void TspTrayIcon::Loaded() {
  TComponent::Loaded();
  if (dynamic_cast<TWinControl*>(Owner()) && MinimizedOnStart && !Designing()) {
    iconVisible_ = true;
    MinimizeToTray = true;
    if (Application) {
      Application->ShowMainForm = false;
      ShowWindow(Application->Handle(), SW_HIDE);
    }
  }
  ModifyIcon();
  SetIconVisible(iconVisible_);
}

// ---- Forms --------------------------------------------------------------------------------------

void TspTrayIcon::ShowApplicationForms() {
  if (!dynamic_cast<TWinControl*>(Owner()) || !Application || !Application->MainForm()) return;
  ShowWindow(Application->Handle(), SW_RESTORE);
  TForm* main = Application->MainForm();
  main->SetVisible(true);
  if (main->WindowState() == wsMinimized) main->SetWindowState(wsNormal);
}

void TspTrayIcon::HideMainForm() {
  if (!Application) return;
  if (TForm* main = Application->MainForm()) main->SetVisible(false);
  ShowWindow(Application->Handle(), SW_HIDE);
}

void TspTrayIcon::DoMinimizeToTray() {
  // No notification area: hiding the main form would leave nothing to
  // bring it back with, so it stays minimized on the task bar.
  if (!ShowIcon()) return;
  HideMainForm();
}

void TspTrayIcon::PopupAtCursor() {
  if (!PopupMenu || !PopupMenu->AutoPopup) return;
  POINT p{};
  if (!GetCursorPos(&p)) return;
  auto alive = alive_;
  if (Application) Application->ProcessMessages();
  if (!*alive || !PopupMenu) return;
  SetForegroundWindow(window_);
  auto* owner = dynamic_cast<TWinControl*>(Owner());
  if (owner && owner->HandleAllocated()) SetForegroundWindow(owner->Handle());
  PopupMenu->SetPopupComponent(this);
  PopupMenu->Popup(p.X, p.Y);
  if (!*alive) return;
  if (owner && owner->HandleAllocated()) PostMessage(owner->Handle(), WM_NULL, 0, 0);
}

// ---- Events -------------------------------------------------------------------------------------

void TspTrayIcon::Click() {
  if (OnClick) OnClick(this);
}
void TspTrayIcon::DblClick() {
  if (OnDblClick) OnDblClick(this);
}
void TspTrayIcon::CycleIcon() {
  const int next = iconList_ && iconIndex_ < iconList_->Count() ? iconIndex_ + 1 : 0;
  if (OnCycle) OnCycle(this, next);
}
void TspTrayIcon::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}
void TspTrayIcon::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}
void TspTrayIcon::MouseMove(TShiftState Shift, int X, int Y) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TspTrayIcon::ClickTimerTick() {
  clickTimer_->SetEnabled(false);
  if (!dblSeen_ && clickPending_) {
    clickPending_ = false;
    Click();
  }
  dblSeen_ = false;
}

void TspTrayIcon::CycleTimerTick() {
  // An empty list has nothing to cycle through.
  if (!iconList_ || iconList_->Count() == 0) return;
  iconList_->GetIcon(iconIndex_, icon_.get());
  CycleIcon();
  ModifyIcon();
  iconIndex_ = iconIndex_ >= iconList_->Count() - 1 ? 0 : iconIndex_ + 1;
}

void TspTrayIcon::TrayMessage(UINT mouseMessage) {
  POINT p{};
  GetCursorPos(&p);
  TShiftState shift = 0;
  if (GetAsyncKeyState(VK_SHIFT) < 0) shift |= ssShift;
  if (GetAsyncKeyState(VK_MENU) < 0) shift |= ssAlt;
  if (GetAsyncKeyState(VK_CONTROL) < 0) shift |= ssCtrl;
  auto alive = alive_;
  switch (mouseMessage) {
    case WM_MOUSEMOVE: MouseMove(shift, p.X, p.Y); break;
    case WM_LBUTTONDOWN:
      clickTimer_->SetEnabled(true);
      MouseDown(TMouseButton::mbLeft, shift | ssLeft, p.X, p.Y);
      if (!*alive) return;
      leftDown_ = true;
      if (PopupByLeftButton) PopupAtCursor();
      break;
    case WM_LBUTTONUP:
      if (leftDown_) clickPending_ = true;
      if (leftDown_ && !clickTimer_->Enabled()) {
        leftDown_ = clickPending_ = false;
        Click();
        if (!*alive) return;
      }
      leftDown_ = false;
      MouseUp(TMouseButton::mbLeft, shift | ssLeft, p.X, p.Y);
      break;
    case WM_LBUTTONDBLCLK:
      clickPending_ = false;
      dblSeen_ = true;
      DblClick();
      if (!*alive) return;
      if (PopupMenu && PopupMenu->AutoPopup && !PopupByLeftButton) {
        TMenuItem* root = PopupMenu->Items();
        TMenuItem* found = nullptr;
        for (int i = root->Count() - 1; i >= 0; --i)
          if (root->Items(i)->Default()) found = root->Items(i);
        if (found) found->Click();
      }
      break;
    case WM_RBUTTONDOWN:
      MouseDown(TMouseButton::mbRight, shift | ssRight, p.X, p.Y);
      if (!*alive) return;
      PopupAtCursor();
      break;
    case WM_RBUTTONUP: MouseUp(TMouseButton::mbRight, shift | ssRight, p.X, p.Y); break;
    case WM_MBUTTONDOWN: MouseDown(TMouseButton::mbMiddle, shift | ssMiddle, p.X, p.Y); break;
    case WM_MBUTTONUP: MouseUp(TMouseButton::mbMiddle, shift | ssMiddle, p.X, p.Y); break;
    case NIN_BALLOONUSERCLICK:
      if (OnBalloonHintClick) OnBalloonHintClick(this);
      break;
    default: break;
  }
}

LRESULT TspTrayIcon::WindowProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_TRAYNOTIFY:
      if (Enabled) TrayMessage(UINT(lp));
      return 0;
    case WM_DESTROY:
    case WM_CLOSE:
    case WM_QUERYENDSESSION:
    case WM_QUIT:
    case WM_USERCHANGED:
    case WM_NCDESTROY:
      return 1;
    default: return DefWindowProc(h, msg, wp, lp);
  }
}

// ---- Hooks ------------------------------------------------------------------------------------

bool TspTrayIcon::AppHook(TMessage& Message) {
  if (Message.Msg == WM_SIZE && Message.WParam == SIZE_MINIMIZED && MinimizeToTray) {
    DoMinimizeToTray();
  } else if (Message.Msg == WM_WINDOWPOSCHANGED && firstPosChange_ && Application && Application->MainForm()) {
    if (Application->MainForm()->FormStyle() == fsMDIForm && MinimizedOnStart)
      ShowWindow(Application->Handle(), SW_HIDE);
    firstPosChange_ = false;
  } else if (Message.Msg == TaskbarCreatedMessage() && iconVisible_) {
    ShowIcon();
  }
  return false;
}

void TspTrayIcon::OwnerMessage(TMessage& Message) {
  if (Message.Msg == WM_ACTIVATE && (LOWORD(Message.WParam) == WA_ACTIVE || LOWORD(Message.WParam) == WA_CLICKACTIVE)) {
    if (Screen && Screen->ActiveControl()) {
      TWinControl* c = Screen->ActiveControl();
      TWinControl* target = c->Parent() ? c->Parent() : c;
      if (!target->HandleAllocated() || HWND(Message.LParam) != target->Handle()) c->SetFocus();
    }
  } else if (Message.Msg == WM_SHOWWINDOW && Message.WParam == 1 && Message.LParam == 0) {
    if (Application) {
      ShowWindow(Application->Handle(), SW_RESTORE);
      SetForegroundWindow(Application->Handle());
    }
    if (auto* owner = dynamic_cast<TWinControl*>(Owner()); owner && owner->HandleAllocated())
      SetForegroundWindow(owner->Handle());
  }
}
