// TspBrenvale: the skinned-form controller. Dropped on a form (its owner),
// it takes the form's window procedure over and from then on draws the
// frame, caption and caption buttons itself, from its SkinData's frame
// pictures or, without a skin, in a built-in default look; it answers the
// non-client messages (size, hit test, paint, activation), keeps its own
// window states (maximize to the work area, minimize, restore, roll-up),
// snaps moved forms to the work area's edges and routes the mouse to its
// frame objects (Brenvale_Object.h).
//
// The frame objects derive from TspActiveSkinObject; the controller keeps
// them in ObjectList and creates them through SkinObjectFactory().
//
// Modules: Brenvale.cpp (construction, properties, the window procedure),
// Brenvale_Geometry.cpp (fitted geometry, client area, regions, hit tests,
// frame sizes), Brenvale_Paint.cpp (frame and background painting),
// Brenvale_States.cpp (window states, roll-up, magnetic edges, dragging),
// Brenvale_Frame.cpp (objects: creation, layout, hover, mouse routing,
// timers), Brenvale_Skin.cpp (skin application and the control walks),
// Brenvale_Menus.cpp (system menu, menu state, tray entry points),
// Brenvale_KeyMenu.cpp (keyboard menu mode, the application message hook,
// the form's short cuts).
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Graphics.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Types.h"
#include "platform/ui/forms/Forms.h"
#include "skin/windows/Brenvale_Object.h"
#include "skin/windows/SkinMenus.h"

class TCanvas;
class TControl;
class TIcon;
class TMainMenu;
class TPopupMenu;
class TTimer;
class TspSkinData;
class TspLayerManager;
// Defined by the hint, menu, tray and bar modules; the controller only holds
// references to them.
class TspSkinHint;
class TspTrayIcon;
class TspSkinMainMenuBar;
class TspSkinMDITabsBar;
class TspSkinStatusBar;

// Scoped: the framework's form already uses the names biSystemMenu and the
// others for its own border icons.
enum class TspBorderIcon { biSystemMenu = 0, biMinimize = 1, biMaximize = 2, biRollUp = 3, biMinimizeToTray = 4 };
// Set of TspBorderIcon: one bit each, in the order above.
using TspBorderIcons = unsigned;
constexpr TspBorderIcons BorderIconBit(TspBorderIcon b) { return 1u << unsigned(b); }
constexpr TspBorderIcons spbiSystemMenu = BorderIconBit(TspBorderIcon::biSystemMenu);
constexpr TspBorderIcons spbiMinimize = BorderIconBit(TspBorderIcon::biMinimize);
constexpr TspBorderIcons spbiMaximize = BorderIconBit(TspBorderIcon::biMaximize);
constexpr TspBorderIcons spbiRollUp = BorderIconBit(TspBorderIcon::biRollUp);
constexpr TspBorderIcons spbiMinimizeToTray = BorderIconBit(TspBorderIcon::biMinimizeToTray);

enum TspPositionInMonitor { sppDefault = 0, sppScreenCenter = 1, sppDesktopCenter = 2 };
enum TSwitchState { swsOn, swsOff };

// The controller's own window state; the form's WindowState stays normal.
enum TspWindowState { spwsNormal = 0, spwsMinimized = 1, spwsMaximized = 2 };

using TspCaptionPaintEvent = std::function<void(TCanvas* Cnvs, TRect& R, bool AActive)>;
using TChangeClientRectEvent = std::function<void(TRect& FittedClientRect)>;
using TspActivateCustomObjectEvent = std::function<void(const std::string& IDName, bool& ObjectVisible)>;
using TspOnAcceptToMDITabsBar = std::function<void(bool& Accept)>;
using TSwitchChangeStateEvent = std::function<void(const std::string& IDName, TSwitchState State)>;
using TTrackBarChangeValueEvent = std::function<void(const std::string& IDName, int Value)>;
using TFrameRegulatorChangeValueEvent = std::function<void(const std::string& IDName, int Value)>;
using TMainMenuItemClick = std::function<void(const std::string& IDName)>;
using TMouseEnterEvent = std::function<void(const std::string& IDName)>;
using TMouseLeaveEvent = std::function<void(const std::string& IDName)>;
using TMouseDownEvent =
    std::function<void(const std::string& IDName, int X, int Y, const TRect& ObjectRect, TMouseButton Button)>;
using TspMouseUpEvent =
    std::function<void(const std::string& IDName, int X, int Y, const TRect& ObjectRect, TMouseButton Button)>;
// The framework already names its own mouse-move event TMouseMoveEvent.
using TspMouseMoveEvent = std::function<void(const std::string& IDName, int X, int Y, const TRect& ObjectRect)>;
using TPaintEvent = std::function<void(const std::string& IDName, TCanvas* Canvas, const TRect& ObjectRect)>;

// Private window messages of the skinning library.
constexpr UINT SPMSG_MENUCLOSED = 0x04CC;
constexpr UINT SPMSG_MENUCOMMAND = 0x04CD;
constexpr UINT SPMSG_MDICHILDREFIT = 0x04CE;
constexpr UINT SPMSG_MDICHILDMAXIMIZED = 0x04CF;
constexpr UINT SPMSG_MDICHILDRESTORED = 0x04D0;
constexpr UINT SPMSG_BACKGROUNDCHANGED = 0x0504;
// An outside caller asks a skinned window to paint its frame into a DC.
constexpr UINT SPMSG_NCQUERY = 0xB1B2;
constexpr UINT SPMSG_NCPAINTTO = 0xB1C9;
constexpr UINT SPMSG_NCPAINTTO2 = 0xBC4B;
constexpr LPARAM kNcPaintToKey = 0x41A2;

// The default look.
constexpr int kDefCaptionHeight = 19, kDefToolCaptionHeight = 15;
constexpr int kDefButtonSize = 17, kDefToolButtonSize = 13;
constexpr int kDefBorder = 3;

// The skinned menus find the controller of a form through
// TspSkinMenuController (SkinMenus.h).
class TspBrenvale : public TComponent, public TspSkinMenuController {
 public:
  // Owner must be a form (EInvalidCast otherwise).
  explicit TspBrenvale(TComponent* AOwner);
  ~TspBrenvale() override;
  std::string ClassName() const override { return "TspBrenvale"; }

  // ---- Published properties ----
  bool DisableSystemMenu = false;
  TspPositionInMonitor PositionInMonitor = sppDefault;
  TspSkinStatusBar* StatusBar() const { return statusBar_; }
  void SetStatusBar(TspSkinStatusBar* v);
  bool UseFormCursorInNCArea = false;
  int MaxMenuItemsInWindow() const { return maxMenuItemsInWindow_; }
  void SetMaxMenuItemsInWindow(int v);
  int ClientWidth = 0, ClientHeight = 0;
  bool HideCaptionButtons = false;
  bool AlwaysShowInTray = false;
  TBitmap* LogoBitMap() const { return logoBitMap_.get(); }
  void SetLogoBitMap(const TBitmap* v);
  bool LogoBitMapTransparent = false;
  bool AlwaysMinimizeToTray = false;
  bool ShowIcon() const { return showIcon_; }
  void SetShowIcon(bool v);
  bool MaximizeOnFullScreen = false;
  TspSkinHint* SkinHint() const { return skinHint_; }
  void SetSkinHint(TspSkinHint* v);
  bool ShowObjectHint = false;
  bool UseDefaultObjectHint = true;
  bool UseSkinCursors = false;
  TFont* DefCaptionFont() const { return defCaptionFont_.get(); }
  void SetDefCaptionFont(const TFont* v);
  TFont* DefInActiveCaptionFont() const { return defInActiveCaptionFont_.get(); }
  void SetDefInActiveCaptionFont(const TFont* v);
  TspTrayIcon* TrayIcon() const { return trayIcon_; }
  void SetTrayIcon(TspTrayIcon* v);
  bool UseDefaultSysMenu = true;
  TspSkinMainMenuBar* MainMenuBar = nullptr;
  TspSkinMDITabsBar* MDITabsBar = nullptr;
  bool SupportNCArea() const { return supportNCArea_; }
  void SetSupportNCArea(bool v);
  bool AlphaBlendAnimation = false;
  // The alpha steps the last fade-in went through (tests read them).
  std::vector<int> FadeSteps;
  Byte AlphaBlendValue() const { return alphaBlendValue_; }
  void SetAlphaBlendValue(Byte v);
  bool AlphaBlend() const { return alphaBlend_; }
  void SetAlphaBlend(bool v);
  // The menu manager's settings, read from and written to SkinMenu.
  bool UseSkinFontInMenu() const;
  void SetUseSkinFontInMenu(bool v);
  int DefMenuItemHeight() const;
  void SetDefMenuItemHeight(int v);  // values below 1 are ignored
  TFont* DefMenuItemFont() const;
  void SetDefMenuItemFont(const TFont* v);
  bool MenusAlphaBlend() const { return menusAlphaBlend_; }
  void SetMenusAlphaBlend(bool v);
  bool MenusAlphaBlendAnimation() const { return menusAlphaBlendAnimation_; }
  void SetMenusAlphaBlendAnimation(bool v);
  Byte MenusAlphaBlendValue() const { return menusAlphaBlendValue_; }
  void SetMenusAlphaBlendValue(Byte v);
  TMainMenu* MainMenu() const { return mainMenu_; }
  void SetMainMenu(TMainMenu* v);
  TPopupMenu* SystemMenu = nullptr;
  TspSkinData* SkinData() const { return skinData_; }
  void SetSkinData(TspSkinData* v);
  TspSkinData* MenusSkinData = nullptr;
  int MinHeight = 0, MinWidth = 0, MaxHeight = 0, MaxWidth = 0;
  bool Sizeable = true;
  bool DraggAble = false;
  bool Magnetic = false;
  Byte MagneticSize = 10;
  TspBorderIcons BorderIcons() const { return borderIcons_; }
  void SetBorderIcons(TspBorderIcons v);

  // ---- Published events ----
  TspCaptionPaintEvent OnCaptionPaint;
  TChangeClientRectEvent OnChangeClientRect;
  TNotifyEvent OnChangeSkinData;
  TspMouseUpEvent OnMouseUpEvent;
  TMouseDownEvent OnMouseDownEvent;
  TspMouseMoveEvent OnMouseMoveEvent;
  TMouseEnterEvent OnMouseEnterEvent;
  TMouseLeaveEvent OnMouseLeaveEvent;
  TPaintEvent OnPaintEvent;
  TSwitchChangeStateEvent OnSwitchChangeStateEvent;
  TTrackBarChangeValueEvent OnTrackBarChangeValueEvent;
  TFrameRegulatorChangeValueEvent OnFrameRegulatorChangeValueEvent;
  TNotifyEvent OnActivate, OnDeActivate, OnSkinMenuOpen, OnSkinMenuClose, OnChangeRollUpState, OnMainMenuEnter,
      OnMainMenuExit, OnMinimizeToTray, OnRestoreFromTray, OnMinimize, OnRestore, OnMaximize;
  TspActivateCustomObjectEvent OnActivateCustomObject;
  TShortCutEvent OnShortCut;
  TspOnAcceptToMDITabsBar OnAcceptToMDITabsBar;

  // The objects fire the controller's events through these (each passes its
  // arguments on, and only to an assigned event).
  void FireMouseDown(const std::string& IDName, int X, int Y, const TRect& R, TMouseButton Button);
  void FireMouseUp(const std::string& IDName, int X, int Y, const TRect& R, TMouseButton Button);
  void FireMouseMove(const std::string& IDName, int X, int Y, const TRect& R);
  void FireMouseEnter(const std::string& IDName);
  void FireMouseLeave(const std::string& IDName);
  void FirePaint(const std::string& IDName, TCanvas* Canvas, const TRect& R);
  void FireSwitchChangeState(const std::string& IDName, TSwitchState State);
  void FireTrackBarChangeValue(const std::string& IDName, int Value);
  void FireFrameRegulatorChangeValue(const std::string& IDName, int Value);

  // ---- State other modules read ----
  TCustomForm* Form = nullptr;
  std::vector<std::unique_ptr<TspActiveSkinObject>> ObjectList;
  bool Skinnable = true;
  bool SkinApplied = false;
  bool SkinChanging = false;
  TspWindowState WindowState = spwsNormal;
  bool RollUpState = false, MaximizedRollUp = false, RestoreRollUp = false;
  int FrameWidth = 0, FrameHeight = 0;
  int HoveredIndex = -1, LastHoveredIndex = -1, PressedIndex = -1;
  bool InSizeMove = false, FullDrag = false;
  bool SkinMenuOpen = false, InMainMenu = false;
  bool NCActive = false;
  bool ChildMaximized = false;
  bool ClientDragActive = false;
  TPoint DragPoint{};
  bool HoverStarted = false;
  bool PositionPending = true;
  TRect SavedBounds{};
  TTimer* MorphTimer = nullptr;
  TTimer* AnimateTimer = nullptr;
  TTimer* HoverTimer = nullptr;
  TPopupMenu* SystemPopupMenu = nullptr;
  TspSkinPopupMenu* TrayPopupMenu = nullptr;
  TspSkinMenu* SkinMenu = nullptr;
  TspLayerManager* ButtonGlowLayer = nullptr;
  TspLayerManager* MenuGlowLayer = nullptr;
  // The region last given to the window. Not owned: the window owns what
  // SetWindowRgn gave it and frees what it replaces.
  HRGN WindowRegion = nullptr;

  // ---- Fitted frame geometry (window coordinates) ----
  TPoint FittedLeftTop{}, FittedRightTop{}, FittedLeftBottom{}, FittedRightBottom{};
  TRect FittedClientRect{}, FittedCaptionRect{}, FittedButtonsRect{};
  int ButtonsOffset = 0;
  bool ButtonsInLeft = false;
  TPoint HitTestLeftTop{}, HitTestRightTop{}, HitTestLeftBottom{}, HitTestRightBottom{};
  TRect FittedMaskRectArea{}, FittedIconRect{}, FittedMainMenuRect{}, SizeGripRect{};
  // The default look's caption band, set by LayoutDefaultButtons.
  TRect DefCaptionRect{};

  // ---- Geometry, regions, hit testing (Brenvale_Geometry.cpp) ----
  // Non-client support on, skin data present and not Empty, clientrect not
  // empty (and the frame picture usable).
  bool SkinFrameUsable() const;
  bool SkinStretches() const;
  int CaptionHeight() const;  // default look
  int ButtonSize() const;     // default look
  void UpdateFrameGeometry();
  TRect AnchorRect(const TRect& R) const;
  void ClientRectChanged(bool Layout);
  void UpdateRegion(bool Stretch);
  int MinFrameWidth() const;
  int MinFrameHeight() const;
  int MaxFrameWidth() const;
  int MaxFrameHeight() const;
  void RelayoutJiggle();
  TPoint ToWindowPoint(TPoint Screen) const;
  int SkinHitTest(TPoint P);
  int DefaultHitTest(TPoint P);
  int ClientHitTest(TPoint P);
  // Whether a window point lies inside the skin's mask (the window shape).
  bool PointInMask(int X, int Y) const;
  // The client rectangle for a window rectangle (WM_NCCALCSIZE).
  void CalcClientRect(RECT& R);
  // The border test of the skinned hit tests (borderwidth probes).
  bool OnSkinBorder(TPoint P) const;
  // In the rectangle of a caption object of the current roll-up state.
  bool InCaptionObject(TPoint P) const;

  // ---- Painting (Brenvale_Paint.cpp) ----
  void PaintNCSkin(HDC DC, bool UseDC);
  void PaintNCDefault(HDC DC, bool UseDC);
  void PaintClientBackground(HDC DC);
  void PaintMDIClientBackground(HDC DC);
  void DrawLogo(TCanvas* Canvas);
  void DrawFormIcon(TCanvas* Canvas, int X, int Y);
  void UpdateCaptionActivation(bool On);
  bool IsFormActive() const;
  void LayoutDefaultButtons();
  // Frame painting without non-client support (the whole frame in the client).
  void PaintFrameInClient(HDC DC);
  void DrawSizeGrip(TCanvas* Canvas);

  // ---- Window states (Brenvale_States.cpp) ----
  void ChangeWindowState(TspWindowState State);
  void ChangeRollUpState(bool Value);
  void MagneticSnap(int& Left, int& Top, int Height, int Width);
  void FitClientToSkin();
  void ClearMagneticStick();
  // Remembers the cursor as both magnetic anchors.
  void SetMagneticAnchor();
  void StartClientDrag(TPoint Screen);
  void ClientDragStep();
  // Closes the form (caption button, system menu).
  void CloseForm();

  // ---- Objects (Brenvale_Frame.cpp) ----
  void CreateObjects();
  void CreateDefaultObjects();
  void FreeObjects();
  void UpdateBorderIcons();
  void UpdateDefaultHints();
  void LayoutObjects();
  void HoverTest(int X, int Y, bool AActive);
  void RedrawObject(TspActiveSkinObject* Object);
  void ResetObjectStates();
  void RedrawWithoutMorph(TspActiveSkinObject* Object);
  void RouteMouseDown(TMouseButton Button, int X, int Y);
  void RouteMouseUp(TMouseButton Button, int X, int Y);
  void RouteMouseMove(int X, int Y);
  void RouteDblClick();
  void RebuildMainMenuItems(bool Repaint);
  void PlaceAreaControls();
  void BindAreaControls();
  // Whether an object belongs to the current roll-up state.
  bool InRollUpState(const TspActiveSkinObject* Object) const;
  // The hovered object, or null.
  TspActiveSkinObject* HoveredObject() const;
  void StartMorphTimer();
  void StartAnimateTimer();
  void StartHoverTimer();
  void StopTimers();
  // The screen position of the window point (0, 0), for glow layers and
  // menus.
  TPoint WindowScreenOrigin() const;
  // Applies the skin cursor for the hovered object (UseSkinCursors).
  void UpdateSkinCursor();

  // ---- Skin change (Brenvale_Skin.cpp) ----
  void ApplySkin();
  void SwitchSkinnable(bool Value);
  void SendBackgroundChanged();

  // ---- MDI (Brenvale_MDI.cpp) ----
  // Subclasses the MDI form's client window (once): the hook paints its
  // background and takes its border away.
  void HookMDIClient();
  void UnhookMDIClient();
  bool MDIClientHooked() const;
  // The MDI client window's procedure while hooked.
  LRESULT MDIClientWndProc(HWND Client, UINT Msg, WPARAM WParam, LPARAM LParam, WNDPROC Old);
  // 0x04CE to each MDI child; with Minimized, the minimized ones go back to
  // their slots afterwards.
  void RefitMDIChildren(bool Minimized);
  // Window-menu items of an MDI child in the main form's WindowMenu.
  void AddChildWindowMenuItem();
  void RemoveChildWindowMenuItem();
  void UpdateChildWindowMenuItem();
  void CheckChildWindowMenuItems();
  // The main form's window menu when the main form has a controller.
  TMenuItem* MainWindowMenu() const;
  // An MDI child's window goes.
  void MDIChildDestroyed();
  // The controller of the application's main form when it is another form.
  TspBrenvale* MainController() const;
  // The child's tab on the main form's tabs bar.
  void AddChildTab();
  void RemoveChildTab();
  // The main form's menu bar and tabs bar follow the active child.
  void RefreshMainBars();
  // An MDI child's activation changed (the platform tells MDI children by
  // WM_ACTIVATE).
  void MDIChildActivated(bool Active);

  // ---- Menus (Brenvale_Menus.cpp, Brenvale_KeyMenu.cpp) ----
  // TspSkinMenuController.
  TspSkinMenu* SkinMenuManager() override { return SkinMenu; }
  TspSkinData* MenusSkinDataOf() override { return MenusSkinData ? MenusSkinData : skinData_; }
  TCustomForm* ControllerForm() override { return Form; }
  // The system menu at a screen point, or below (or at) a screen rectangle.
  void PopupSystemMenuAt(int X, int Y);
  void PopupSystemMenuAtRect(const TRect& R);
  void PopupSystemMenu(TPoint Screen) { PopupSystemMenuAt(Screen.X, Screen.Y); }
  // The menu a caption button or frame menu item opens, below (or above)
  // the screen rectangle R.
  void PopupObjectMenu(TspActiveSkinObject* Object, TMenuItem* Item, const TRect& R, bool PopupUp);
  // A skinned menu opened from the frame: SkinMenuOpen and OnSkinMenuOpen.
  void SkinMenuOpened() override;
  // A skinned menu closed (0x04CC): the object that opened it goes up.
  void SkinMenuClosed() override;
  // Escape closed the last popup while in main-menu mode: the item stays lit.
  void BarMenuClosed();
  // Keyboard main-menu mode (SC_KEYMENU, Alt, F10).
  void EnterMainMenu();
  void ExitMainMenu();
  void MinimizeToTray();
  void RestoreFromTray();
  // Whether a skinned menu of the form is open (closed by the pre-step).
  bool SkinMenuVisible() const;
  void CloseSkinMenus();
  // The system menu's items, rebuilt for the current state.
  TMenuItem* GetSystemMenuItems();
  // The form's short-cut handler installed by the constructor.
  void FormShortCut(TWMKey& Msg, bool& Handled);
  // The keys while a menu or main-menu mode is on (the message hook).
  void MenuKeyDown(Word Key);
  // Whether the application's message callback is the controller's.
  bool MessageHookInstalled() const { return messageHook_ != nullptr; }

  // The form's caption as the frame shows it: with a maximized MDI child's
  // caption after it on an MDI form.
  std::string DefaultCaptionText() const;

  // ---- The window procedure ----
  void NewWndProc(TMessage& Message);

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // Applies what the setters only stored while the form's layout was loading.
  void Loaded() override;

  // Stages of NewWndProc.
  void PreStep(TMessage& Message);
  // True when handled (not passed to OldWindowProc).
  bool HandleMessage(TMessage& Message, bool& PassedFirst);
  void MouseStage(TMessage& Message);
  void CaptionDblClickAction();
  void ClientCaptionDblClick();
  void FirstShowPositioning();
  void PrepareFadeIn();
  void FadeInTimer();
  void PaintNCNow();  // WM_NCPAINT to the form
  void WMSize(TMessage& Message);
  void FollowDesktopState(WPARAM sizeType);
  void WMSizing(TMessage& Message);
  void WMShowWindow(TMessage& Message);
  void WMNCActivate(TMessage& Message);
  void WMActivate(TMessage& Message);
  void WMSetText(TMessage& Message);
  void SkinMessage(TMessage& Message);

  void HoverTimerTick(TObject* Sender);
  void MorphTimerTick(TObject* Sender);
  void AnimateTimerTick(TObject* Sender);

  bool Framed() const;
  bool IsMDIChild() const;
  bool IsMDIForm() const;
  bool ZoomedChild() const;
  bool Designing() const { return false; }

  void AddMainMenuItems();
  // Window-state steps.
  void MinimizeToSlot();
  // Moves a minimized form to the first free minimized slot.
  void PlaceInMinimizedSlot();
  void MaximizeToWorkArea();
  void RestoreFromState();
  void ShowRolledUpFrame();
  void RollDownFrame();
  void UpdateRollUpRegion();
  // An MDI parent's client area less its aligned controls (parent client
  // coordinates).
  TRect MDIFreeArea() const;
  // The skin-change walks over a control and its children.
  void ResetSkinControls(TspSkinData* Data, TControl* Control);
  void ChangeSkinControls(TspSkinData* Data, TControl* Control);
  // The first visible, self-drawing caption button of a command.
  TspActiveSkinObject* FlowButton(int Command) const;
  TSize FlowButtonSize(const TspActiveSkinObject* o) const;
  // The client area the hover timer leaves alone.
  TRect FittedClientRectForHover() const;

  // Frees retired objects once no object handler runs any more.
  void ReleaseRetiredObjects();
  // Tells the display whether the program paints the frame (undecorated).
  void UpdateCustomFrame();
  // The skin draws the frame (else the default look does).
  bool UseSkinFrame() const { return SkinApplied && SkinFrameUsable(); }
  // Object hints through SkinHint.
  void HideObjectHint();
  void ShowObjectHintLater(const std::string& Text);
  TMenuItem* NewSystemItem(TComponent* Owner, const char* Name, const char* Key, const char* Text,
                           std::function<void()> Click);
  // Menus: the manager, the tray menu (construction) and the hook.
  void CreateMenus();
  void InstallMessageHook();
  void RemoveMessageHook();
  // The screen rectangle Alt+Space opens the system menu at; false for none.
  bool SystemMenuObjectRect(TRect& R) const;
  // Keyboard moves among the frame's main-menu items.
  bool MainMenuAccel(Word Key);
  void NextMainMenuItem();
  void PreviousMainMenuItem();
  bool OpenCurrentMainMenuItem();

  TWndMethod OldWindowProc;
  // The form's window procedure while skinned: equal to NewWndProc, and
  // once the controller is gone it passes messages to OldWindowProc, since
  // a procedure installed over it later may still call it.
  TWndMethod HookProc();
  // Objects taken out of ObjectList while one of their handlers may still
  // run; freed when the outermost routing call returns.
  std::vector<std::unique_ptr<TspActiveSkinObject>> retired_;
  int routingDepth_ = 0;
  struct TAreaControl {
    TControl* Control;
    TRect Rect;
  };
  std::vector<TAreaControl> AreaControls;
  std::vector<TControl*> HiddenControls;

 private:
  // Four mask strips for the current size (top, bottom, left, right).
  std::unique_ptr<TBitmap> maskTop_, maskBottom_, maskLeft_, maskRight_;
  // The frame's border images, kept from one paint to the next.
  std::unique_ptr<TBitmap> borderTop_, borderLeft_, borderRight_, borderBottom_;
  int borderW_ = 0, borderH_ = 0;
  std::unique_ptr<TBitmap> logoBitMap_;
  std::unique_ptr<TFont> defCaptionFont_, defInActiveCaptionFont_;
  std::unique_ptr<TIcon> smallIcon_;
  bool smallIconMade_ = false;
  TspSkinData* skinData_ = nullptr;
  TspTrayIcon* trayIcon_ = nullptr;
  bool trayDblClickOurs_ = false;  // the icon's double click is our restore
  TspSkinHint* skinHint_ = nullptr;
  TspSkinStatusBar* statusBar_ = nullptr;
  TMainMenu* mainMenu_ = nullptr;
  TspBorderIcons borderIcons_ = spbiSystemMenu | spbiMinimize | spbiMaximize | spbiRollUp;
  bool supportNCArea_ = true;
  bool alphaBlend_ = false;
  Byte alphaBlendValue_ = 200;
  bool showIcon_ = false;
  int maxMenuItemsInWindow_ = 0;
  bool vistaOrLater_ = true;
  // Magnetic edges: stuck flags and the anchors where they snapped.
  bool stickLeft_ = false, stickTop_ = false, stickRight_ = false, stickBottom_ = false;
  TPoint anchor_{};
  int rolledUpSavedHeight_ = 0;
  bool hooked_ = false;
  bool menusAlphaBlend_ = false, menusAlphaBlendAnimation_ = false;
  Byte menusAlphaBlendValue_ = 200;
  // The controller's application message callback while installed, and the
  // one it replaced.
  struct TMessageHook;
  std::shared_ptr<TMessageHook> messageHook_;
  // The mouse was captured for a pressed object.
  bool objectCapture_ = false;
  HWND customFrameWindow_ = nullptr;
  bool customFrame_ = false;
  // Cleared by the destructor; the window procedure holds a copy while it
  // calls out, so it notices when a handler freed the controller.
  std::shared_ptr<bool> alive_;
  // Set while the controller is being destroyed.
  bool destroying_ = false;
  friend class TspBrenvaleTestAccess;
  friend class TspBrenvaleRoutingGuard;
};

// What the controller asks of skinned controls, which live in a library
// built on this one; the skinned-control module fills these in. A null
// function means no control qualifies.
struct TspSkinControlLinks {
  // The skin data a skinned control is bound to; false for other controls.
  std::function<bool(TControl* Control, TspSkinData*& Bound)> SkinDataOf;
  std::function<void(TControl* Control)> ResetSkinIndex;
  std::function<void(TControl* Control)> ChangeSkinData;
  // The skin area a skinned control sits on ("" for none).
  std::function<std::string(TControl* Control)> AreaName;
  // A skinned edit (it is told CM_CANCELMODE when its MDI form's menus close).
  std::function<bool(TControl* Control)> IsSkinEdit;
  // Shows or hides a skinned status bar's size grip.
  std::function<void(TspSkinStatusBar* Bar, bool Shown)> SetSizeGripShown;
};
TspSkinControlLinks& SkinControlLinks();

// What the controller asks of its form's main menu bar and of the main
// form's MDI tabs bar. Both are skinned controls and live in the library
// built on this one; their modules fill these in. A null function does
// nothing (false, null).
struct TspSkinBarLinks {
  // The main menu bar.
  std::function<void(TspSkinMainMenuBar*)> ShowChildButtons, UpdateChildButtons, Rebuild;
  std::function<void(TspSkinMainMenuBar*)> EnterMenuMode, LeaveMenuMode, ReleaseDownItem, SelectNext, SelectPrev;
  std::function<bool(TspSkinMainMenuBar*, Word Key)> FindAccel;
  std::function<bool(TspSkinMainMenuBar*)> ExecuteActive;
  // The bar's own menu, and the child menu merged into it (null for none).
  std::function<TMainMenu*(TspSkinMainMenuBar*)> BarMainMenu, BarChildMenu;
  // The MDI tabs bar.
  std::function<void(TspSkinMDITabsBar*, TCustomForm* Child)> AddTab, RemoveTab;
  std::function<void(TspSkinMDITabsBar*)> UpdateActiveTab, RepaintTabs;
};
TspSkinBarLinks& SkinBarLinks();

// The first TspBrenvale owned by the form, or null.
TspBrenvale* FindController(TCustomForm* Form);
