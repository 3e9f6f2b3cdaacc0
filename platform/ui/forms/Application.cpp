#include "platform/ui/forms/Application.h"

#include <algorithm>

#include "platform/ui/dialogs/Dialogs.h"
#include "platform/ui/forms/Forms.h"
#include "platform/ui/forms/HintWindow.h"
#include "platform/ui/forms/Screen.h"
#include "platform/ui/menus/Menus.h"
#include "platform/ui/system/UtilityWindow.h"
#include "platform/user/User.h"

TApplication* Application = new TApplication(nullptr);

void DoneApplication() {
  if (!Application) return;
  Application->CancelHint();
  Application->DestroyComponents();
}

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner), icon_(new TIcon) {
  // Windows the program makes through the window layer alone have their
  // window menu too, before any form exists.
  InstallWindowMenuTracker();
  // Forms without an icon of their own show this one.
  icon_->OnChange = [this](TObject*) {
    if (Application != this || !Screen) return;
    for (int i = 0; i < Screen->CustomFormCount(); ++i)
      if (TCustomForm* f = Screen->CustomForms(i); f && f->Icon()->Empty()) f->UpdateIcon();
  };
}

TApplication::~TApplication() {
  // The forms go first: their destructors still ask this object about itself.
  StopHintTimer();
  DestroyComponents();
  if (handle_) DeallocateHWnd(handle_);
  handle_ = nullptr;
}

void TApplication::Initialize() {}

void TApplication::SetTitle(const std::string& v) {
  title_ = v;
  if (handle_) SetWindowText(handle_, v.c_str());
}

HWND TApplication::Handle() {
  if (!handle_) {
    handle_ = AllocateHWnd([this](HWND h, UINT m, WPARAM wp, LPARAM lp) { return WndProc(h, m, wp, lp); });
    SetWindowText(handle_, title_.c_str());
  }
  return handle_;
}

void TApplication::RegisterCreatedForm(TCustomForm* form) {
  if (mainForm_) return;
  if (auto* f = dynamic_cast<TForm*>(form)) {
    f->HandleNeeded();
    mainForm_ = f;
  }
}

void TApplication::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == mainForm_) mainForm_ = nullptr;
  if (AComponent == hintWindow_) {
    hintWindow_ = nullptr;
    hintShowing_ = false;
  }
  if (AComponent == hintControl_) {
    hintControl_ = nullptr;
    CancelHint();
  }
}

// ---- The loop ----------------------------------------------------------------------

bool TApplication::IsPreProcessKey(MSG& Msg) {
  if (Msg.message < WM_KEYFIRST || Msg.message > WM_KEYLAST) return false;
  if (Msg.message == WM_KEYDOWN || Msg.message == WM_SYSKEYDOWN) {
    TCustomForm* form = Screen->ActiveCustomForm();
    if (TWinControl* focused = FindControl(GetFocus()))
      if (TCustomForm* owner = GetParentForm(focused)) form = owner;
    if (form && form->HandleAllocated() && IsWindowEnabled(form->Handle())) {
      TWMKey key{Msg.message, Word(Msg.wParam), Msg.lParam, 0};
      if (form->IsShortCut(key)) return true;
    }
  }
  // The control layer's key pass: key events, the form's preview and the
  // dialog keys (Tab, arrows, Enter, Esc) happen behind CN_KEYDOWN.
  HWND target = Msg.hwnd;
  if (target && FindControl(target)) {
    if (SendMessage(target, CN_BASE + Msg.message, Msg.wParam, Msg.lParam) != 0) return true;
  }
  return false;
}

bool TApplication::IsMDIMsg(MSG& Msg) {
  if (!mainForm_ || mainForm_->FormStyle() != fsMDIForm || !mainForm_->HandleAllocated() || !mainForm_->ClientHandle())
    return false;
  // Only while the frame is active: a dialog of its own keeps its keys.
  if (GetActiveWindow() != mainForm_->Handle()) return false;
  return TranslateMDISysAccel(mainForm_->ClientHandle(), &Msg) != FALSE;
}

bool TApplication::ProcessMessage(MSG& Msg) {
  if (!PeekMessage(&Msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (Msg.message == WM_QUIT) {
    terminated_ = true;
    return true;
  }
  bool handled = false;
  if (TMessageEvent h = OnMessage) h(Msg, handled);
  if (handled || Msg.message == WM_NULL) return true;
  IsHintMsg(Msg);
  if (IsMDIMsg(Msg)) return true;
  if (IsPreProcessKey(Msg)) return true;
  TranslateMessage(&Msg);
  DispatchMessage(&Msg);
  return true;
}

void TApplication::ProcessMessages() {
  MSG msg;
  for (;;) {
    bool got = false;
    try {
      got = ProcessMessage(msg);
    } catch (...) {
      HandleException(this);
      got = true;
    }
    if (!got) break;
  }
}

void TApplication::HandleMessage() {
  MSG msg;
  try {
    if (!ProcessMessage(msg)) Idle(msg);
  } catch (...) {
    HandleException(this);
  }
}

void TApplication::Idle(const MSG&) {
  if (showHint_ && hintControl_) {
    POINT p{};
    GetCursorPos(&p);
    if (!FindVCLWindow(p)) CancelHint();
  }
  bool done = true;
  if (TIdleEvent h = OnIdle) h(this, done);
  if (done) WaitMessage();
}

void TApplication::Run() {
  running_ = true;
  struct TRunning {
    bool& flag;
    ~TRunning() { flag = false; }
  } running{running_};
  if (!mainForm_) return;
  if (ShowMainForm) {
    if (mainForm_->WindowState() == wsMinimized) {
      Minimize();
    } else {
      mainForm_->SetVisible(true);
    }
  }
  while (!terminated_) HandleMessage();
}

void TApplication::Terminate() { PostQuitMessage(0); }

// ---- Exceptions ---------------------------------------------------------------------

void TApplication::HandleException(TObject* Sender) {
  std::exception_ptr ep = std::current_exception();
  if (!ep) return;
  try {
    std::rethrow_exception(ep);
  } catch (const EAbort&) {
    return;
  } catch (const Exception& e) {
    if (TExceptionEvent h = OnException)
      h(Sender, e);
    else
      ShowException(e);
  } catch (const std::exception& e) {
    Exception wrapped(e.what());
    if (TExceptionEvent h = OnException)
      h(Sender, wrapped);
    else
      ShowException(wrapped);
  } catch (...) {
    Exception wrapped("Unknown exception");
    if (TExceptionEvent h = OnException)
      h(Sender, wrapped);
    else
      ShowException(wrapped);
  }
}

void TApplication::ShowException(const Exception& E) {
  std::string msg = E.Message();
  // The framework ends the sentence for the user.
  if (!msg.empty() && msg.back() != '.') msg += '.';
  MessageBox(msg, title_, MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const std::string& Text, const std::string& Caption, UINT Flags) {
  return PlainMessageBox(Text, Caption, Flags);
}

bool TApplication::HelpContext(int Context) {
  lastHelpContext_ = Context;
  bool callHelp = true;
  bool result = false;
  if (OnHelp) result = OnHelp(0x0001 /* HELP_CONTEXT */, Context, callHelp);
  // No help viewer exists on this platform: the request is only recorded.
  return result;
}

// ---- The application window ----------------------------------------------------------

void TApplication::HookMainWindow(TWindowHook Hook) { hooks_.push_back(std::move(Hook)); }

void TApplication::UnhookMainWindow(TWindowHook Hook) {
  auto it = std::find(hooks_.begin(), hooks_.end(), Hook);
  if (it != hooks_.end()) hooks_.erase(it);
}

LRESULT TApplication::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  try {
    TMessage m{msg, wp, lp, 0};
    // A copy: a hook may unhook itself.
    for (const TWindowHook& hook : std::vector<TWindowHook>(hooks_))
      if (hook && hook(m)) return m.Result;
    switch (msg) {
      case WM_TIMER:
        if (wp == kHintTimerId) {
          HintTimerExpired();
          return 0;
        }
        break;
      case WM_CLOSE:
        if (mainForm_) mainForm_->Close();
        return 0;
      case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) == SC_MINIMIZE) {
          Minimize();
          return 0;
        }
        if ((wp & 0xFFF0) == SC_RESTORE) {
          Restore();
          return 0;
        }
        break;
      default:
        break;
    }
  } catch (...) {
    HandleException(this);
    return 0;
  }
  return DefWindowProc(hwnd, msg, wp, lp);
}

void TApplication::Minimize() {
  if (minimized_) return;
  minimized_ = true;
  CancelHint();
  if (mainForm_ && mainForm_->HandleAllocated() && IsWindowVisible(mainForm_->Handle()))
    ShowWindow(mainForm_->Handle(), SW_MINIMIZE);
  SendMessage(Handle(), WM_SIZE, SIZE_MINIMIZED, 0);
  if (TNotifyEvent h = OnMinimize) h(this);
}

void TApplication::Restore() {
  if (!minimized_) return;
  minimized_ = false;
  if (mainForm_ && mainForm_->HandleAllocated()) {
    if (IsIconic(mainForm_->Handle()))
      ShowWindow(mainForm_->Handle(), SW_RESTORE);
    else if (ShowMainForm && !mainForm_->Visible())
      mainForm_->SetVisible(true);
  }
  SendMessage(Handle(), WM_SIZE, SIZE_RESTORED, 0);
  if (TNotifyEvent h = OnRestore) h(this);
}
