// TspSkinMDITabsBar: one tab for each MDI child the main form's controller
// hands to it. The active child's tab is highlighted, a press on a tab
// activates its child, a small close button closes it, tabs are dragged
// to a new place, and a right click opens the child's system menu. Tabs
// that do not fit are listed by a drop-down at the right end; a drop-down
// at the left end lists them all. Drawn from the skin's "tab" description
// or in a default look.
//
// It is a skinned control, so it lives with them; the controller
// (skin/windows) reaches it through SkinBarLinks().
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "skin/controls/SkinCtrls.h"
#include "skin/windows/Brenvale.h"

class TspSkinMDITabsBar;
class TspSkinMenuSpeedButton;
class TspSkinPopupMenu;
class TspDataSkinTabControl;
class TspDataSkinButtonControl;

enum TspSkinMDITabKind { sptkTab = 0, sptkButton = 1 };

class TspMDITab {
 public:
  TspMDITab(TspSkinMDITabsBar* ATabsBar, TCustomForm* AChild) : TabsBar(ATabsBar), Child(AChild) {}
  TspSkinMDITabsBar* TabsBar;
  bool Active = false;
  bool PointerInside = false;
  TRect TabRect{0, 0, 0, 0};
  TCustomForm* Child;
  bool Visible = false;
  TRect CloseButtonRect{};
  bool CloseMouseIn = false;
  bool CloseDown = false;
  // Under the Windows rule (left and top edges in, right and bottom out).
  bool InCloseButton(int X, int Y) const;
};

using TspMDITabMouseEnterEvent = std::function<void(TspMDITab* MDITab)>;
using TspMDITabMouseLeaveEvent = std::function<void(TspMDITab* MDITab)>;
using TspMDITabMouseUpEvent = std::function<void(TMouseButton Button, TShiftState Shift, TspMDITab* MDITab)>;
using TspMDITabMouseDownEvent = std::function<void(TMouseButton Button, TShiftState Shift, TspMDITab* MDITab)>;
using TspMDITabGetDrawParamsEvent = std::function<void(TspMDITab* MDITab, TCanvas* Cnvs)>;

class TspSkinMDITabsBar : public TspSkinControl {
 public:
  explicit TspSkinMDITabsBar(TComponent* AOwner);
  ~TspSkinMDITabsBar() override;
  std::string ClassName() const override { return "TspSkinMDITabsBar"; }

  // ---- Published ----
  bool ShowCloseButtons = false;
  TspSkinMDITabKind TabKind() const { return tabKind_; }
  void SetTabKind(TspSkinMDITabKind v);
  TspBrenvale* Brenvale() const { return brenvale_; }
  void SetBrenvale(TspBrenvale* v);
  bool SupportChildMenus = true;
  bool UseSkinSize = true;
  bool UseSkinFont = true;
  bool MoveTabs = true;
  int DefaultHeight() const { return defaultHeight_; }
  void SetDefaultHeight(int v);
  TFont* DefaultFont() const { return defaultFont_.get(); }
  void SetDefaultFont(const TFont* v);
  int DefaultTabWidth = 100;
  int MinTabWidth = 0;
  TspMDITabMouseEnterEvent OnTabMouseEnter;
  TspMDITabMouseLeaveEvent OnTabMouseLeave;
  TspMDITabMouseUpEvent OnTabMouseUp;
  TspMDITabMouseDownEvent OnTabMouseDown;
  TspMDITabGetDrawParamsEvent OnTabGetDrawParamsEvent;

  // ---- State ----
  int BottomHeight = 0;
  bool TabDragging = false;
  int DragStartX = 0;
  int DragOffset = 0;
  bool TabPressed = false;
  int DraggedTabIndex = -1;
  int HoveredIndex = -1;
  int LastHoveredIndex = -1;
  TspSkinMenuSpeedButton* TabsButton = nullptr;
  TspSkinMenuSpeedButton* HiddenTabsButton = nullptr;
  TspSkinPopupMenu* TabsMenu = nullptr;
  TspSkinPopupMenu* HiddenTabsMenu = nullptr;
  int HiddenCount = 0;
  int CloseSize = 14;
  std::vector<std::unique_ptr<TspMDITab>> Tabs;

  // Copies of the description.
  TBitmap* SkinPicture = nullptr;
  TRect SkinTabRect{}, SkinActiveTabRect{}, SkinMouseInTabRect{}, SkinTabsBGRect{};
  int TabLeftOffset = 0, TabRightOffset = 0;
  std::string FontName;
  TFontStyles FontStyle = 0;
  int FontHeight = 14;
  TColor FontColor = 0, ActiveFontColor = 0, MouseInFontColor = 0;
  bool TabStretchEffect = false;
  TRect SkinCloseButtonRect{}, SkinCloseButtonActiveRect{}, SkinCloseButtonDownRect{};
  bool ButtonTransparent = false;
  TColor ButtonTransparentColor = 0;
  TPoint LTPoint{}, RTPoint{};
  TRect SkinRect{};
  int ActiveExtraHeight = 0;

  // ---- Operations ----
  void AddTab(TCustomForm* Child);
  void RemoveTab(TCustomForm* Child);
  void UpdateActiveTab();
  int TabIndexAt(int X, int Y) const;
  TspMDITab* TabAt(int X, int Y) const;
  void GetSkinData() override;
  void ChangeSkinData() override;
  void AdjustClientRect(TRect& Rect) override;
  void Dispatch(TMessage& Message) override;
  // The description in use (null for the default look).
  TspDataSkinTabControl* Description() const;
  void CalcTabRects();
  int GetDropIndex() const;
  void TestTab(int X, int Y);
  void FillTabsMenu();
  void FillHiddenTabsMenu();

 protected:
  void Paint() override;
  void CreateControlDefaultImage(TBitmap* B) override;
  void CreateControlSkinImage(TBitmap* B) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  int TabHeight() const;
  // Draws the tabs, the dragged tab and the drop marker (both images).
  void DrawTabs(TCanvas* C, int H);
  void DrawTab(TspMDITab* Tab, TCanvas* C);
  void DrawCloseButton(TspMDITab* Tab, TCanvas* C, const TRect& A);
  void DrawTabText(TspMDITab* Tab, TCanvas* C, TRect R);
  void SetSkinFont(TCanvas* C) const;
  // A state's source rectangle and font colour of a button description.
  void ButtonState(const TspDataSkinButtonControl* D, int State, TRect& Source, TColor& Color) const;
  TspSkinMenuSpeedButton* NewDropDown(TAlign Align, TspSkinPopupMenu* Menu, int ArrowKind, TNotifyEvent OnShow);
  // Shows the child and restores it when its controller has it minimized;
  // the lists restore first.
  void ActivateChild(TCustomForm* Child, bool RestoreFirst);
  void ChildItemClick(TObject* Sender, const char* Suffix);
  void RedrawTab(TspMDITab* Tab);

  TspSkinMDITabKind tabKind_ = sptkTab;
  TspBrenvale* brenvale_ = nullptr;
  int defaultHeight_ = 21;
  std::unique_ptr<TFont> defaultFont_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
