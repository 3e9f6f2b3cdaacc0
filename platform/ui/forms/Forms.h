// Forms: TScrollingWinControl, TCustomForm and TForm.
//
// A form is a top-level window owned by the hidden application window. It
// starts hidden; Show/Visible shows it, placed by Position on its first
// showing; ShowModal disables the other top-level windows and runs a nested
// loop until ModalResult is set. Close asks OnCloseQuery, then OnClose
// decides: hide, free (deferred through Release, so a handler may close its
// own form), minimize or nothing.
//
// Building a form in code: a class derived from TForm builds its layout in
// its constructor between BeginLayout() and EndLayout() (every component
// created in between is csLoading and gets Loaded() at EndLayout, the form
// last). OnCreate runs after construction: create forms through
// TCustomForm::New<T>(...) or Application->CreateForm(ref), which call
// AfterConstruction.
#pragma once
#include <memory>
#include <utility>
#include <vector>

#include "platform/graphics/Icon.h"
#include "platform/ui/controls/Controls.h"

class TCustomForm;
class TMainMenu;  // the menu layer's; a form only holds it
class TMenuItem;

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };

using TBorderIcons = unsigned;
constexpr TBorderIcons biSystemMenu = 1u << 0;
constexpr TBorderIcons biMinimize = 1u << 1;
constexpr TBorderIcons biMaximize = 1u << 2;
constexpr TBorderIcons biHelp = 1u << 3;

enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};
enum TWindowState { wsNormal, wsMinimized, wsMaximized };

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;
constexpr TModalResult mrAll = 8;
constexpr TModalResult mrNoToAll = 9;
constexpr TModalResult mrYesToAll = 10;

// A key message as short-cut handlers see it.
struct TWMKey {
  UINT Msg = 0;
  Word CharCode = 0;
  LPARAM KeyData = 0;
  LRESULT Result = 0;
};
using TShortCutEvent = std::function<void(TWMKey& Msg, bool& Handled)>;

// The form's MDI client window hosts its MDI children (FormStyle fsMDIChild).
constexpr const char* kMDIClientClass = "MDICLIENT";

// ---- TScrollingWinControl ----------------------------------------------------------
// A windowed control whose content may be larger than its client area. With
// AutoScroll the range follows the children's extent and the standard scroll
// bars appear when the content does not fit.
class TScrollingWinControl : public TWinControl {
 public:
  explicit TScrollingWinControl(TComponent* AOwner);
  std::string ClassName() const override { return "TScrollingWinControl"; }
  bool AutoScroll() const { return autoScroll_; }
  void SetAutoScroll(bool v);
  // The extent of the children (client coordinates, scrolled back to 0,0).
  TSize ScrollRange() const { return range_; }
  TPoint ScrollPos() const { return pos_; }
  void SetScrollPos(TPoint p);
  void ScrollInView(TControl* AControl);

 protected:
  void AlignControls(TControl* AControl, TRect& Rect) override;
  void Dispatch(TMessage& Message) override;

 private:
  void UpdateScrollBars();
  void WMScroll(TMessage& Message, bool horizontal);
  bool autoScroll_ = false;
  bool updating_ = false;
  TSize range_{};
  TPoint pos_{};
};

// ---- TCustomForm ---------------------------------------------------------------------
class TCustomForm : public TScrollingWinControl {
 public:
  // An empty form (the framework's CreateNew).
  explicit TCustomForm(TComponent* AOwner);
  ~TCustomForm() override;
  std::string ClassName() const override { return "TCustomForm"; }

  template <class T, class... Args>
  static T* New(Args&&... args) {
    T* form = new T(std::forward<Args>(args)...);
    form->AfterConstruction();
    return form;
  }
  // Runs OnCreate once; New and Application->CreateForm call it.
  void AfterConstruction();

  // Layout in code: components created in between load together.
  void BeginLayout();
  void EndLayout();

  // ---- Appearance ----
  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle v);
  TBorderIcons BorderIcons() const { return borderIcons_; }
  void SetBorderIcons(TBorderIcons v);
  TFormStyle FormStyle() const { return formStyle_; }
  void SetFormStyle(TFormStyle v);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition v);
  TWindowState WindowState() const;
  void SetWindowState(TWindowState v);
  TIcon* Icon() const { return icon_.get(); }
  void SetIcon(const TIcon* v) { icon_->Assign(v); }
  TMainMenu* Menu() const { return menu_; }
  // Shown as a plain bar above the client area (MenuBar.h).
  void SetMenu(TMainMenu* v);
  // The menu item under which an MDI form's children are listed (the
  // window menu); cleared when the item goes.
  TMenuItem* WindowMenu() const { return windowMenu_; }
  void SetWindowMenu(TMenuItem* v);
  bool KeyPreview = false;
  int HelpContext = 0;
  TCanvas* Canvas() const { return canvas_.get(); }

  // ---- Focus ----
  TWinControl* ActiveControl() const { return activeControl_; }
  void SetActiveControl(TWinControl* v);
  // The focus inside this form moves to control (called by the control layer).
  virtual bool SetFocusedControl(TWinControl* Control);
  void FocusControl(TWinControl* Control);
  bool Active() const { return active_; }
  TCustomForm* ActiveMDIChild() const;
  int MDIChildCount() const;
  TCustomForm* MDIChildren(int i) const;
  HWND ClientHandle() const { return clientHandle_; }
  void Cascade();
  void Tile();
  // Lays the minimized children left to right along the client's bottom,
  // a row further up each time one row is full.
  void ArrangeIcons();
  void Next();
  void Previous();

  // ---- Showing and closing ----
  void Show();
  void Hide();
  virtual TModalResult ShowModal();
  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult v) { modalResult_ = v; }
  bool Modal() const { return modalLevel_ > 0; }
  void Close();
  // Frees the form once the messages now queued have been handled.
  void Release();
  virtual bool CloseQuery();
  void BringToFront();
  // The form's short-cut pass: OnShortCut first, then the main menu's.
  virtual bool IsShortCut(TWMKey& Message);

  // ---- Events ----
  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  TNotifyEvent OnPaint;
  TShortCutEvent OnShortCut;

  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Loaded() override;
  void PaintWindow(HDC DC) override;
  bool IsKeyPreview() const override { return KeyPreview; }
  virtual void DoCreate();
  virtual void DoDestroy();
  virtual void DoShow();
  virtual void DoHide();
  virtual void DoClose(TCloseAction& Action);
  virtual void Activate();
  virtual void Deactivate();
  virtual void Paint();

 private:
  friend class TApplication;
  void ShowingChanged(TMessage& Message);
  void ApplyPosition();
  void PlaceByDefault();
  void ApplyWindowState();
  void UpdateStyles();
  void WMActivate(TMessage& Message);
  void WMClose(TMessage& Message);
  void WMSysCommand(TMessage& Message);
  void WMSize(TMessage& Message);
  void CMRelease(TMessage& Message);
  void CreateMDIClient();
  void ApplyMDIState();
  void FitMaximizedMDIChildren();  // after the client window changed size
  // The window menu's list of children, renewed each time it drops.
  void RefreshMDIWindowList();
  std::vector<std::pair<TMenuItem*, std::shared_ptr<const bool>>> mdiListed_;
  TRect mdiRestore_{};
  bool mdiMaximized_ = false;
  friend TCustomForm* MergedMDIChild(const TCustomForm* Frame);
  TRect mdiIconRestore_{};  // the bounds before ArrangeIcons moved a minimized child
  bool mdiIconic_ = false;
  void LeaveIconic();
  // Hands Icon (or, without one, the application's) to the window as its
  // big and small icon; the application calls it when its icon changes.
  void UpdateIcon();
  friend class TApplication;
  HWND ModalOwner() const;

  TFormBorderStyle borderStyle_ = bsSizeable;
  TBorderIcons borderIcons_ = biSystemMenu | biMinimize | biMaximize;
  TFormStyle formStyle_ = fsNormal;
  TPosition position_ = poDesigned;
  bool positionPending_ = true;
  TWindowState windowState_ = wsNormal;
  std::unique_ptr<TIcon> icon_;
  TMainMenu* menu_ = nullptr;
  TMenuItem* windowMenu_ = nullptr;
  std::unique_ptr<TControlCanvas> canvas_;
  TWinControl* activeControl_ = nullptr;
  bool active_ = false;
  TModalResult modalResult_ = mrNone;
  int modalLevel_ = 0;
  bool created_ = false;
  bool releasePosted_ = false;
  bool closing_ = false;
  HWND clientHandle_ = nullptr;
};

class TForm : public TCustomForm {
 public:
  explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
  std::string ClassName() const override { return "TForm"; }
};

// The maximized active MDI child whose icon and buttons an MDI form shows in
// its menu bar, or nullptr. A frame without a menu bar has nowhere to show
// them, so there a maximized child keeps its own caption.
TCustomForm* MergedMDIChild(const TCustomForm* Frame);
// The "Select Window" dialog of an MDI frame's window menu: the chosen
// child window, or nullptr when cancelled.
HWND SelectMDIWindow(const std::vector<HWND>& Children, HWND Active);

// The form a control sits on (the outermost windowed parent), or nullptr.
TCustomForm* GetParentForm(TControl* Control);
