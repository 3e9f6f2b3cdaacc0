// TApplication: the message loop, the hidden application window, the main
// form, exception reporting and the hint timing.
//
// A program's main:
//   Application->Initialize();
//   Application->SetTitle("...");
//   Application->CreateForm(MainForm);   // the first form becomes MainForm
//   Application->Run();                  // until Terminate or the main form closes
//   DoneApplication();
//
// Each queued message passes, in order: OnMessage; the hint layer; for key
// messages the active form's short-cut pass (IsShortCut: OnShortCut, then the
// main menu) and the focused control's key handling (CN_KEYDOWN and friends,
// where dialog keys are offered to the form); then TranslateMessage and
// DispatchMessage. An exception escaping a handler reaches HandleException:
// EAbort is silent, any other is shown in a plain message box (or given to
// OnException) and the loop goes on.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/Icon.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/controls/Controls.h"

class TCustomForm;
class TForm;
class THintWindow;

struct THintInfo {
  TControl* HintControl = nullptr;
  std::function<THintWindow*(TComponent* Owner)> HintWindowClass;
  TPoint HintPos{};      // screen point of the hint window's top-left
  int HintMaxWidth = 0;  // pixels
  TColor HintColor = clInfoBk;
  TRect CursorRect{};    // client rectangle of HintControl; leaving it hides the hint
  TPoint CursorPos{};    // in HintControl's client coordinates
  int ReshowTimeout = 0;  // > 0: ask again after so many ms while the mouse stays
  int HideTimeout = 0;    // ms the hint stays up (0: until the mouse leaves)
  std::string HintStr;
  void* HintData = nullptr;
};

using TMessageEvent = std::function<void(MSG& Msg, bool& Handled)>;
using TExceptionEvent = std::function<void(TObject* Sender, const Exception& E)>;
using TShowHintEvent = std::function<void(std::string& HintStr, bool& CanShow, THintInfo& HintInfo)>;
using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;
// A hook on the application window: true means the message was handled.
using TWindowHook = Delegate<bool(TMessage& Message)>;
using THintWindowClass = std::function<THintWindow*(TComponent* Owner)>;

class TApplication : public TComponent {
 public:
  explicit TApplication(TComponent* AOwner);
  ~TApplication() override;
  std::string ClassName() const override { return "TApplication"; }

  void Initialize();
  // Creates a form owned by the application; the first becomes MainForm.
  template <class T>
  void CreateForm(T*& Reference) {
    T* form = new T(this);
    Reference = form;
    form->AfterConstruction();
    RegisterCreatedForm(form);
  }
  void Run();
  // Handles every message waiting, then returns.
  void ProcessMessages();
  // Handles one message, or idles (waiting for one) when none waits.
  void HandleMessage();
  void Terminate();
  bool Terminated() const { return terminated_; }

  TForm* MainForm() const { return mainForm_; }
  bool ShowMainForm = true;
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& v);
  TIcon* Icon() const { return icon_.get(); }
  // The hidden application window: owner of the forms.
  HWND Handle();
  void HookMainWindow(TWindowHook Hook);
  void UnhookMainWindow(TWindowHook Hook);
  void Minimize();
  void Restore();
  bool Minimized() const { return minimized_; }

  // ---- Exceptions ----
  // Call from a catch block: reports the exception being handled.
  void HandleException(TObject* Sender);
  void ShowException(const Exception& E);

  // ---- Hints ----
  int HintPause = 500;
  int HintShortPause = 50;
  int HintHidePause = 2500;
  TColor HintColor = clInfoBk;
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool v);
  THintWindowClass HintWindowClass();
  void SetHintWindowClass(THintWindowClass v);
  void CancelHint();
  void ActivateHint(TPoint CursorPos);
  void HideHint();
  // The control layer's report of a mouse message over Control.
  void HintMouseMessage(TControl* Control, const TMessage& Message);
  THintWindow* HintWindow() const { return hintWindow_; }
  TControl* HintControl() const { return hintControl_; }

  // ---- Help and message boxes ----
  bool HelpContext(int Context);
  std::string HelpFile;
  int LastHelpContext() const { return lastHelpContext_; }
  // A plain message box; returns IDOK, IDCANCEL... (the mr* values).
  int MessageBox(const std::string& Text, const std::string& Caption, UINT Flags = 0);

  // ---- Events ----
  TMessageEvent OnMessage;
  TExceptionEvent OnException;
  TShowHintEvent OnShowHint;
  TIdleEvent OnIdle;
  TNotifyEvent OnMinimize;
  TNotifyEvent OnRestore;
  TNotifyEvent OnHint;
  std::function<bool(Word Command, int Data, bool& CallHelp)> OnHelp;

  // For the form layer.
  void ClearMainForm() { mainForm_ = nullptr; }
  bool Running() const { return running_; }

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  // The one timer of the hidden window: the hint's show and hide delays.
  static constexpr std::uintptr_t kHintTimerId = 1;

  void RegisterCreatedForm(TCustomForm* form);
  bool ProcessMessage(MSG& Msg);
  void Idle(const MSG& Msg);
  bool IsPreProcessKey(MSG& Msg);
  // The MDI frame's document keys (Ctrl+F4, Ctrl+F6, Ctrl+Tab, Alt+-).
  bool IsMDIMsg(MSG& Msg);
  void IsHintMsg(const MSG& Msg);
  LRESULT WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void HintTimerExpired();
  void StartHintTimer(int ms, bool show);
  void StopHintTimer();

  HWND handle_ = nullptr;
  TForm* mainForm_ = nullptr;
  std::string title_;
  std::unique_ptr<TIcon> icon_;
  bool terminated_ = false;
  bool running_ = false;
  bool minimized_ = false;
  std::vector<TWindowHook> hooks_;
  int lastHelpContext_ = 0;

  bool showHint_ = true;
  THintWindowClass hintWindowClass_;
  THintWindow* hintWindow_ = nullptr;
  TControl* hintControl_ = nullptr;
  TRect hintCursorRect_{};  // screen coordinates
  bool hintActive_ = false;   // a hint is up, or was when the mouse moved on
  bool hintShowing_ = false;
  bool hintTimerShow_ = false;
  bool hintTimerRunning_ = false;
  TPoint lastMousePos_{};
  int hintDepth_ = 0;
};

// The global application object.
extern TApplication* Application;
// Frees the application's forms and window; the end of a program's main.
void DoneApplication();

// MessageBox answers.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
constexpr UINT MB_OKCANCEL = 0x00000001;
constexpr UINT MB_ABORTRETRYIGNORE = 0x00000002;
constexpr UINT MB_YESNOCANCEL = 0x00000003;
constexpr UINT MB_YESNO = 0x00000004;
constexpr UINT MB_RETRYCANCEL = 0x00000005;
constexpr UINT MB_ICONSTOP = MB_ICONHAND;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr UINT MB_DEFBUTTON2 = 0x00000100;
constexpr UINT MB_DEFBUTTON3 = 0x00000200;
