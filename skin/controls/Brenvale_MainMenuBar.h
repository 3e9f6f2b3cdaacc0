// TspSkinMainMenuBar: a form's main menu drawn as a skinned bar at the top
// of the form. It tracks the mouse over its items (hover, morph, frame
// animation), opens each item's sub-menu through the form controller's
// skinned menu manager, follows the controller's keyboard menu mode, lists
// items that do not fit in an overflow menu, merges the active MDI child's
// menu into its own and, while an MDI child is maximized in the skinned
// way, shows that child's system-menu, minimize, restore and close buttons
// at its ends.
//
// It is a skinned control, so it lives with them; the controller
// (skin/windows) reaches it through SkinBarLinks().
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/menus/Menus.h"
#include "skin/controls/SkinCtrls.h"
#include "skin/windows/Brenvale.h"

class TspSkinMainMenuBar;
class TspDataSkinMainMenuBar;

using TspItemEnterEvent = std::function<void(TMenuItem* MenuItem)>;
using TspItemLeaveEvent = std::function<void(TMenuItem* MenuItem)>;

// One thing on the bar: an item or a child system button.
class TspMenuBarObject {
 public:
  TspMenuBarObject(TspSkinMainMenuBar* AMenuBar, TspDataSkinObject* Description);
  virtual ~TspMenuBarObject() = default;

  TspSkinMainMenuBar* MenuBar;
  double MorphRatio = 0.0;
  bool PointerInside = false;
  TBitmap* Picture = nullptr;
  bool Down = false;
  std::string IDName;
  TRect SkinRect{}, ActiveSkinRect{}, DownRect{};
  bool Morphing = false;
  TspMorphKind MorphKind = mkDefault;
  TRect ObjectRect{};
  bool Active = false;
  bool Enabled = true;
  bool Visible = true;

  virtual void StartMorph();
  virtual void Draw(TCanvas*) {}
  virtual void DblClick() {}
  virtual void MouseDown(int, int, TMouseButton) {}
  virtual void MouseUp(int, int, TMouseButton) {}
  virtual void MouseEnter();
  virtual void MouseLeave();
  virtual bool IsMorphing() const;
  bool CanMorphing() const;
  void MorphStep();
  void SetMorphRatio(double v);
  // The object drawn again on the bar (the whole bar for transparent items).
  void Redraw();

 protected:
  bool MorphRunning() const {
    return (Active && MorphRatio < 1.0) || (!Active && MorphRatio > 0.0);
  }
};

// Command of a child system button.
enum TspMenuBarButtonCommand { mbcClose = 0, mbcRestore = 1, mbcMinimize = 2, mbcSysMenu = 3 };

class TspSkinMainMenuBarButton : public TspMenuBarObject {
 public:
  TspSkinMainMenuBarButton(TspSkinMainMenuBar* AMenuBar, TspDataSkinMainMenuBarButton* Description);
  bool Skinned = false;
  int Command = mbcClose;

  void Draw(TCanvas* Cnvs) override;
  void DblClick() override;
  void MouseDown(int X, int Y, TMouseButton Button) override;
  void MouseUp(int X, int Y, TMouseButton Button) override;
  void MouseEnter() override;
  void MouseLeave() override;

 private:
  void DrawDefault(TCanvas* Cnvs);
  void RunCommand();
};

class TspSkinMainMenuBarItem : public TspMenuBarObject {
 public:
  TspSkinMainMenuBarItem(TspSkinMainMenuBar* AMenuBar, TspDataSkinMainMenuBarItem* Description);
  bool Skinned = false;
  bool SavedEnabled = true;
  bool Fits = true;
  TMenuItem* MenuItem = nullptr;
  std::string FontName;
  int FontHeight = 14;
  TFontStyles FontStyle = 0;
  TColor UnEnabledFontColor = 0, FontColor = 0, ActiveFontColor = 0, DownFontColor = 0;
  TRect TextRect{}, ItemDownRect{};
  int ItemLeftOffset = 0, ItemRightOffset = 0;
  bool StretchEffect = false;
  TRect AnimateSkinRect{};
  int FrameCount = 0, AnimateInterval = 25, AnimFrame = 0;
  bool InActiveAnimation = false;

  void StartMorph() override;
  void Draw(TCanvas* Cnvs) override;
  void MouseDown(int X, int Y, TMouseButton Button) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void SetDown(bool Value);
  bool CanAnimate() const;
  bool HasSubItems() const { return MenuItem && MenuItem->Count() > 0; }

 private:
  // Sets the item font on a canvas.
  void SetItemFont(TCanvas* C) const;
  // Lays the item out after the one before it; false when it does not fit.
  bool Fit();
  void DrawSkinned(TCanvas* Cnvs);
  void DrawDefault(TCanvas* Cnvs);
  void BuildImage(TBitmap* B, const TRect& Source, bool ActiveLook, TCanvas* Bar);
  void DrawCaption(TCanvas* C, TRect R, bool Selected, UINT Format);
  void PopupSubMenu();
};

class TspSkinMainMenuBar : public TspSkinControl {
 public:
  explicit TspSkinMainMenuBar(TComponent* AOwner);
  ~TspSkinMainMenuBar() override;
  std::string ClassName() const override { return "TspSkinMainMenuBar"; }

  // ---- Published ----
  bool UseSkinFont = true;
  bool ScrollMenu = true;
  TFont* DefItemFont() const { return defItemFont_.get(); }
  void SetDefItemFont(const TFont* v);
  int DefaultWidth() const { return defaultWidth_; }
  void SetDefaultWidth(int v);
  int DefaultHeight() const { return defaultHeight_; }
  void SetDefaultHeight(int v);
  bool PopupToUp = false;
  TspBrenvale* Brenvale() const { return brenvale_; }
  void SetBrenvale(TspBrenvale* v);
  TMainMenu* MainMenu() const { return mainMenu_; }
  void SetMainMenu(TMainMenu* v);
  TMainMenuItemClick OnMainMenuItemClick;
  TspItemEnterEvent OnItemMouseEnter;
  TspItemLeaveEvent OnItemMouseLeave;
  TNotifyEvent OnMouseEnter, OnMouseLeave;

  // ---- State ----
  bool Overflow = false;
  bool MarkerActive = false;
  bool MenuActive = false;
  bool ChildButtons = false;
  int ButtonsCount = 0;
  TTimer* MorphTimer = nullptr;
  TTimer* HoverTimer = nullptr;
  TTimer* AnimateTimer = nullptr;
  int HoveredIndex = -1, LastHoveredIndex = -1, PressedIndex = -1;
  TRect FittedItemsRect{};
  bool Skinned = false;
  TRect SkinRect{}, ItemsRect{};
  std::string MenuBarItem, MaxButton, MinButton, SysMenuButton, CloseButton;
  TColor TrackMarkColor = 0, TrackMarkActiveColor = 0;
  bool StretchEffect = false, ItemTransparent = false;
  TBitmap* SkinPicture = nullptr;
  std::vector<std::unique_ptr<TspMenuBarObject>> ObjectList;
  bool MergedMenu = false;

  // ---- Used by the controller ----
  bool FindAccel(Word Key);
  void SelectNext();
  void SelectPrev();
  bool ExecuteActive();
  void EnterMenuMode();
  void ReleaseDownItem();
  void LeaveMenuMode();
  void ShowChildButtons();
  void UpdateChildButtons();
  void Rebuild();

  // ---- Overrides of the skinned control ----
  void GetSkinData() override;
  void ChangeSkinData() override;
  void ResetSkinIndex() override;
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void Dispatch(TMessage& Message) override;

  // The child menu merged into the bar: the first main menu owned by the
  // active MDI child of the controller's MDI form; null for none.
  TMainMenu* ChildMainMenu() const;
  // The MDI child maximized in the skinned way, and its controller.
  TCustomForm* MaximizedChild() const;
  // The description in use (null for the default look).
  TspDataSkinMainMenuBar* Description() const;
  // Layout of FittedItemsRect and the child buttons.
  void CalcLayout();
  // The overflow marker's rectangle (the rightmost 5 pixels of the items).
  TRect MarkerRect() const;
  void TestMouse(int X, int Y);
  // The whole bar into a canvas.
  void PaintBar(TCanvas* C);
  void StartMorphTimer();
  void StartAnimateTimer(int Interval);
  // Pops a menu through the controller and keeps the state straight when
  // nothing opened.
  void PopupThroughController(TMenuItem* Items, TMenuItem* Items2, int StartIndex, const TRect& ScreenRect,
                              bool Up, TControl* Control, TspSkinData* Data);
  // The skinned menu manager closed a menu opened by a child button.
  void MenuClosed();
  // Posted to itself: the system-menu button was double-clicked.
  static constexpr UINT kSysButtonDblClick = WM_USER + 0x5B1;
  // When and where the system-menu button was last pressed: its menu holds
  // the mouse, so the second click of a double click reaches the menu,
  // which closes; the bar tells it from there.
  DWORD SysPressTime = 0;
  bool SysPressed = false;
  // A liveness token: handlers that call out check it afterwards.
  std::shared_ptr<bool> AliveToken() const { return alive_; }

 protected:
  void Paint() override {}
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void FreeObjects();
  void BuildItems();
  void CreateChildButtons();
  void UpdateButtonsVisibility();
  void ShowOverflowMenu();
  void HoverTimerTick();
  void MorphTimerTick();
  void AnimateTimerTick();
  std::vector<TspSkinMainMenuBarItem*> KeyItems() const;

  std::unique_ptr<TFont> defItemFont_;
  int defaultWidth_ = 0, defaultHeight_ = 22;
  TspBrenvale* brenvale_ = nullptr;
  TMainMenu* mainMenu_ = nullptr;
  TMainMenu* childMenu_ = nullptr;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
