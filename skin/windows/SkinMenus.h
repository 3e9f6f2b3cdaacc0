// Skinned popup menus: the rows (TspSkinMenuItem), one window per open level
// (TspSkinPopupWindow), the manager that keeps the open levels of a form's
// menus (TspSkinMenu) and the popup-menu component that shows its items
// through a form's manager (TspSkinPopupMenu). The items stay the
// framework's TMenuItem tree; only drawing and tracking are ours.
//
// Modules: SkinMenus_Item.cpp (a row's look), SkinMenus_Window.cpp (layout,
// placement, painting, scrolling), SkinMenus_Input.cpp (mouse and keys of a
// level), SkinMenus.cpp (the manager and the popup menu).
//
// The windows never take the focus: keys stay with the form, which hands
// WM_KEYDOWN to the manager (KeyDown / PreTranslateMessage). The first level
// holds the mouse capture while the menu is open (a pointer grab on X11,
// where the levels are override-redirect windows), so a press outside every
// level closes the menu; the menu also closes when the application loses
// activation. Closed levels are hidden at once and freed later, as a close
// often starts inside a level's own mouse or key handling.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/Bitmap.h"
#include "platform/rtl/Component.h"
#include "platform/ui/forms/Application.h"
#include "platform/ui/controls/Controls.h"
#include "platform/ui/forms/Forms.h"
#include "platform/ui/menus/Menus.h"
#include "platform/ui/forms/Timer.h"

class TspSkinData;
class TspDataSkinMenuItem;
class TspDataSkinPopupWindow;
class TspSkinMenu;
class TspSkinPopupWindow;

constexpr UINT SP_MENU_CLOSED = 0x04CC;   // to the opener and the manager's form
constexpr UINT SP_MENU_COMMAND = 0x04CD;  // to the opener, after a command ran

// ---- One row -------------------------------------------------------------------------------
class TspSkinMenuItem : public TObject {
 public:
  TspSkinMenuItem(TspSkinPopupWindow* AWindow, TspDataSkinMenuItem* ADescription, TMenuItem* AItem);
  std::string ClassName() const override { return "TspSkinMenuItem"; }

  TspSkinPopupWindow* Window;
  TspDataSkinMenuItem* Description;
  TBitmap* Picture = nullptr;
  double MorphProgress = 0;
  TMenuItem* Item;
  TRect Bounds{};
  bool Selected = false;
  bool SubMenuOpen = false;
  bool Shown = true;
  bool Preselected = false;
  int AnimationFrame = 0;
  // The skin picture was missing: the row's own copies of the description's
  // rectangles are empty (the shared description stays as loaded).
  bool NoPicture = false;

  virtual bool MorphRunning();
  bool AnimationApplies() const;
  bool MorphApplies() const;
  void MorphStep();
  void StartStateEffect();
  void Select(bool ByKeyboard);
  void Deselect();
  void Click();
  void Draw(TCanvas* Cnvs);
  // The row's picture at its Bounds' size, in a bitmap of that size.
  void Render(TBitmap* B);
  bool IsSeparator() const { return Item->IsLine(); }
  // Enabled and not a separator: the rows the keys and the mouse select.
  bool Selectable() const { return Item->Enabled() && !IsSeparator(); }

 private:
  void SkinLook(TBitmap* B, bool active, const TRect* frame);
  void DefaultLook(TBitmap* B);
  void DrawHeader(TBitmap* B);
  TRect SkinRect() const;
  TRect ActiveSkinRect() const;
};

// ---- One level -----------------------------------------------------------------------------
class TspSkinPopupWindow : public TCustomControl {
 public:
  TspSkinPopupWindow(TComponent* AOwner, TspDataSkinPopupWindow* ADescription, TspSkinMenu* AMenu);
  ~TspSkinPopupWindow() override;
  std::string ClassName() const override { return "TspSkinPopupWindow"; }

  void Popup(const TRect& R, TMenuItem* Item, int StartIndex, bool ByItem, bool PopupUp);
  void Popup2(const TRect& R, TMenuItem* ItemA, TMenuItem* ItemB, int StartIndex, bool ByItem, bool PopupUp);
  using TCustomControl::KeyDown;
  void KeyDown(Word Key);
  void CloseSubMenus();
  void ScrollUp(bool Wrap);
  void ScrollDown(bool Wrap);
  bool CanScroll(int Direction) const;
  // The mouse at a client point (the poll and the captured mouse use it).
  void MouseMoveTo(int X, int Y);
  void MouseUpAt(TMouseButton Button, int X, int Y);
  // The window's picture with its shown rows, as painted.
  void PaintTo(TCanvas* Cnvs);
  // One tick of the row effects; false when nothing moved.
  bool AnimationTick();
  // One tick of the mouse poll.
  void TrackTick();
  // One tick of the scroll repeat.
  void ScrollTick();
  int RowHeight(const TspSkinMenuItem* Row) const;
  int LastPageFirstIndex() const;
  TRect ScrollButtonRect(int Direction) const;
  void FillItemBackground(TCanvas* Cnvs, const TRect& R);
  // Stops the timers before the window is put aside to be freed.
  void Retire();
  int GlyphColumnWidth = 16;

  TspDataSkinMenuItem* ItemDescription = nullptr;
  int PageCount = 0;
  int FirstIndex = 0;
  bool Scrolling = false;
  bool ScrollingByLimit = false;
  int ScrollDirection = 0;
  TPoint LeftTopPoint{}, RightTopPoint{}, LeftBottomPoint{}, RightBottomPoint{};
  TRect ItemsArea{};
  int ShowX = 0, ShowY = 0;
  int LastMouseX = -1, LastMouseY = -1;
  TImageList* Images = nullptr;
  TBitmap* WindowPicture = nullptr;
  TBitmap* MaskPicture = nullptr;
  int PreviousIndex = -1;
  TTimer* TrackTimer = nullptr;
  TTimer* AnimationTimer = nullptr;
  TspSkinMenu* Menu;
  TspSkinData* SkinData = nullptr;
  TspDataSkinPopupWindow* Description = nullptr;
  bool AlphaBlend = false;
  Byte AlphaBlendValue = 200;
  bool AlphaBlendAnimation = false;
  std::vector<std::unique_ptr<TspSkinMenuItem>> Items;
  int SelectedRow = -1;
  std::unique_ptr<TBitmap> BackgroundImage;
  // The alpha steps the last fade-in went through (tests read them).
  std::vector<int> FadeSteps;
  // Selects row Index (or -1) as the mouse or the keys do.
  void SelectRow(int Index, bool ByKeyboard);

 protected:
  void CreateParams(TCreateParams& Params) override;
  void WndProc(TMessage& Message) override;
  void Paint() override;

 private:
  void CreateItems(TMenuItem* ItemA, TMenuItem* ItemB, int StartIndex, bool Two);
  void AddRows(TMenuItem* Item, int From);
  void SetupFont();
  void Layout();
  void Place(const TRect& R, bool ByItem, bool PopupUp);
  void Show(bool ByItem);
  void WindowImage(TBitmap* B, bool Centre);
  void DrawScrollButton(TCanvas* Cnvs, int Direction);
  void StartScroll(int Direction);
  void StopScroll();
  void SelectNext();
  void SelectPrevious();
  void MouseWheel(int Delta);
  bool FirstOfPage(int Row) const { return Row == FirstIndex; }
  bool LastOfPage(int Row) const { return Row == FirstIndex + PageCount - 1; }
  bool scrollTimer_ = false;
};

// Whether a message of the form closes its skinned menus.
bool IsMenuCloseMessage(UINT Message);

// ---- The manager ---------------------------------------------------------------------------
class TspSkinMenu : public TComponent {
 public:
  TspSkinMenu(TComponent* AOwner, TCustomForm* AForm);
  ~TspSkinMenu() override;
  std::string ClassName() const override { return "TspSkinMenu"; }

  bool UseSkinFont = true;
  bool FirstPopup = false;
  int DefMenuItemHeight = 20;
  TFont* DefMenuItemFont() const { return defMenuItemFont_.get(); }
  TControl* OpenerControl() const { return opener_; }
  TControl* CommandControl() const { return command_; }
  TCustomForm* Form;
  TTimer* SubMenuTimer;
  TspSkinMenuItem* SubMenuItem = nullptr;
  TRect WorkArea{};
  bool Visible = false;
  TspSkinData* SkinData = nullptr;
  TNotifyEvent OnMenuClose;
  std::vector<std::unique_ptr<TspSkinPopupWindow>> PopupWindows;
  bool AlphaBlend = false;
  Byte AlphaBlendValue = 200;
  bool AlphaBlendAnimation = false;
  int MaxMenuItemsInWindow = 0;
  // While a menu is open the manager chains the application's message
  // callback to hand keys to the menu and puts back what it found when the
  // menu closes. A controller that routes the keys itself turns this off.
  bool HookApplicationMessages = true;

  void PopupMenu(TControl* Control, TspSkinData* ASkinData, int StartIndex, const TRect& R, TMenuItem* Item,
                 bool PopupUp);
  void PopupMenu2(TControl* Control, TspSkinData* ASkinData, int StartIndex, const TRect& R, TMenuItem* ItemA,
                  TMenuItem* ItemB, bool PopupUp);
  void ItemAction(TspSkinPopupWindow* Window, TspSkinMenuItem* Row, bool ByKeyboard, bool Execute);
  int IndexOf(const TspSkinPopupWindow* Window) const;
  void CloseFrom(int Index);
  void CloseAll();
  // The keys of the form's WM_KEYDOWN go to the last open level; true when a
  // menu took it.
  bool KeyDown(Word Key);
  static bool IsMenuCloseMessage(UINT Message) { return ::IsMenuCloseMessage(Message); }
  // The menu's part of the form's message pre-translation: keys go to the
  // menu and a press outside the menu closes it. True when handled.
  bool PreTranslateMessage(MSG& Msg);
  // The open level under a screen point, or nullptr.
  TspSkinPopupWindow* WindowAt(TPoint P) const;
  // Frees the levels closed earlier (they are hidden; they wait for the
  // call that closed them to return).
  void FreeClosedWindows();
  // Closes the menu once the application has lost activation.
  void CheckActivation();

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  friend class TspSkinPopupWindow;
  friend class TspSkinPopupMenu;
  void Open(TControl* Control, TspSkinData* ASkinData, int StartIndex, const TRect& R, TMenuItem* ItemA,
            TMenuItem* ItemB, bool PopupUp, bool Two);
  void OpenWindow(const TRect& R, TMenuItem* ItemA, TMenuItem* ItemB, bool PopupUp, bool ByItem, int StartIndex,
                  bool Two);
  void SetOpener(TControl* C);
  void SetCommand(TControl* C);
  void Hook();
  void Unhook();
  void Capture();
  static void Notify(TControl* C, UINT Msg);
  std::unique_ptr<TFont> defMenuItemFont_;
  TControl* opener_ = nullptr;
  TControl* command_ = nullptr;
  std::vector<std::unique_ptr<TspSkinPopupWindow>> closed_;
  TTimer* freeTimer_ = nullptr;  // frees the closed levels from the message loop
  bool hooked_ = false;
  TMessageEvent savedOnMessage_;
  bool appActive_ = false;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// ---- What a popup menu needs of a skinned form's controller ------------------------------------
// The skinned-form controller implements this; TspSkinPopupMenu finds it
// among the components of the form.
class TspSkinMenuController {
 public:
  virtual ~TspSkinMenuController() = default;
  virtual TspSkinMenu* SkinMenuManager() = 0;
  virtual TspSkinData* MenusSkinDataOf() = 0;  // the controller's MenusSkinData, else its SkinData
  virtual TCustomForm* ControllerForm() = 0;
  // The controller's menu-opened and menu-closed handling.
  virtual void SkinMenuOpened() {}
  virtual void SkinMenuClosed() {}
};

class TspSkinPopupMenu : public TPopupMenu {
 public:
  explicit TspSkinPopupMenu(TComponent* AOwner);
  ~TspSkinPopupMenu() override;
  std::string ClassName() const override { return "TspSkinPopupMenu"; }

  TspSkinData* SkinData() const { return skinData_; }
  void SetSkinData(TspSkinData* Value);
  TNotifyEvent OnMenuClose;
  TPoint LastPopupPoint{-1, -1};
  TComponent* ControllerForm = nullptr;
  TspSkinMenuController* Controller = nullptr;

  void Popup(int X, int Y) override;
  void PopupAtButton(TControl* Button, const TRect& R, bool PopupUp);
  void PopupAtEdit(TControl* Edit, int X, int Y);
  void PopupSkinMenuAtRect(const TRect& R, bool PopupUp);
  static TspSkinMenuController* FindController(TComponent* Component);
  // Whether the menu last shown by this component is still open.
  bool MenuShowing() const;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void Show(TControl* Control, const TRect& R, bool PopupUp, bool NeedSkin);
  TspSkinData* skinData_ = nullptr;
  // The manager of the last popup, and its liveness.
  TspSkinMenu* shownBy_ = nullptr;
  std::shared_ptr<bool> shownByAlive_;
};
