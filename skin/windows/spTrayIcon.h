// The tray icon: an icon in the desktop's notification area with a tip,
// optional cycling through an image list's icons, mouse events, a skinned
// popup menu, and minimizing the application into it.
//
// Where no notification area exists, showing the icon fails, and
// minimizing to the tray then leaves the main form minimized (restorable
// from the task bar) instead of hiding it where nothing could bring it back.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "platform/graphics/Icon.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Events.h"
#include "platform/ui/forms/Application.h"
#include "platform/ui/forms/Timer.h"

class TImageList;
class TspSkinPopupMenu;

using TCycleEvent = std::function<void(TObject* Sender, int NextIndex)>;

// The notification-area callback message of the icon's hidden window.
constexpr UINT WM_TRAYNOTIFY = 0x0800;
// Balloon clicked.
constexpr UINT NIN_BALLOONUSERCLICK = 0x0405;

class TspTrayIcon : public TComponent {
 public:
  explicit TspTrayIcon(TComponent* AOwner);
  ~TspTrayIcon() override;
  std::string ClassName() const override { return "TspTrayIcon"; }

  bool DesignPreview() const { return designPreview_; }
  void SetDesignPreview(bool v);
  TImageList* IconList() const { return iconList_; }
  void SetIconList(TImageList* v);
  bool CycleIcons() const { return cycleIcons_; }
  void SetCycleIcons(bool v);
  Cardinal AnimateTimerInterval() const { return animateTimerInterval_; }
  void SetAnimateTimerInterval(Cardinal v);
  bool Enabled = true;
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& v);
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool v);
  TIcon* Icon() const { return icon_.get(); }
  void SetIcon(const TIcon* v);
  bool IconVisible() const { return iconVisible_; }
  void SetIconVisible(bool v);
  int IconIndex() const { return iconIndex_; }
  void SetIconIndex(int v);
  TspSkinPopupMenu* PopupMenu = nullptr;
  bool PopupByLeftButton = false;
  bool MinimizedOnStart = false;
  bool MinimizeToTray = false;

  TNotifyEvent OnClick, OnDblClick, OnBalloonHintClick;
  TMouseEvent OnMouseDown, OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TCycleEvent OnCycle;

  virtual bool LoadDefaultIcon() { return true; }
  // Each returns the notification area's answer; false when nothing was sent.
  virtual bool ShowIcon();
  virtual bool HideIcon();
  virtual bool ModifyIcon();
  void ShowApplicationForms();
  void HideMainForm();
  void PopupAtCursor();
  void Loaded() override;

  // The hidden window the notification area talks to, and the tip last
  // prepared (tests read them).
  HWND WindowHandle() const { return window_; }
  std::string PreparedTip() const { return tip_; }
  bool ClickTimerRunning() const { return clickTimer_->Enabled(); }
  static UINT TaskbarCreatedMessage();

 protected:
  virtual void Click();
  virtual void DblClick();
  virtual void CycleIcon();
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseMove(TShiftState Shift, int X, int Y);
  virtual void DoMinimizeToTray();
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  bool Designing() const { return (ComponentState() & csDesigning) != 0; }
  bool Send(DWORD message);
  LRESULT WindowProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);
  void TrayMessage(UINT mouseMessage);
  bool AppHook(TMessage& Message);
  void OwnerMessage(TMessage& Message);
  void ClickTimerTick();
  void CycleTimerTick();

  bool designPreview_ = false;
  TImageList* iconList_ = nullptr;
  bool cycleIcons_ = false;
  Cardinal animateTimerInterval_ = 0;
  std::string hint_;
  bool showHint_ = true;
  std::unique_ptr<TIcon> icon_;
  bool iconVisible_ = true;
  int iconIndex_ = 0;
  std::string tip_;
  HWND window_ = nullptr;
  std::unique_ptr<TTimer> cycleTimer_, clickTimer_;
  bool leftDown_ = false, clickPending_ = false, dblSeen_ = false, firstPosChange_ = true, previewing_ = false;
  bool appHooked_ = false;
  TWndMethod savedOwnerProc_;
  bool ownerHooked_ = false;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
