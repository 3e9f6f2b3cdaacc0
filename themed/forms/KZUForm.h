// The themed form panel: dropped on a form, it takes over the form's frame.
// The form loses its system caption and border (on X11 it becomes a
// custom-frame window) and the panel draws the frame itself: a themed title
// bar across the top, an optional menu bar for a main menu, a flat border of
// BorderWidth pixels and the client area in the look's colour or pattern.
// Moving and sizing go through the platform's move and size loops: the
// caption drag sends the caption press, and the form answers the resize
// band's hit tests, which the panel and its title bar let through.
//
// Width and Height read the panel's size and write the form's; a requested
// size is kept, so re-applying it after a look or border change never
// drifts. One panel per form: a second is refused before it touches the
// form.
#pragma once
#include <memory>
#include <string>

#include "platform/ui/controls/ExtCtrls.h"
#include "platform/ui/forms/Forms.h"
#include "themed/core/KZUThemes.h"
#include "themed/forms/KZUTitleBar.h"

class TMainMenu;
class TMenu;
class TToolBar;
class TToolButton;
class TkzuMainMenu;

class TkzuForm : public TCustomPanel, public TkzuFormPanelLook {
 public:
  explicit TkzuForm(TComponent* AOwner);
  ~TkzuForm() override;
  std::string ClassName() const override { return "TkzuForm"; }

  TkzuUIStyle UIStyle() const { return uiStyle_; }
  void SetUIStyle(TkzuUIStyle v);
  bool UIStyleAutoUpdateSub = false;
  TColor BorderColor() const { return borderColor_; }
  void SetBorderColor(TColor v);
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int v);
  bool TitleBarVisible() const;
  void SetTitleBarVisible(bool v);
  std::string Caption() const;
  void SetCaption(const std::string& v);
  TWinControl* FormPanel() const { return formPanel_; }
  void SetFormPanel(TWinControl* v);
  TkzuTitleBarButtons* TitleBarButtons() const;
  void SetTitleBarButtons(const TkzuTitleBarButtons* v);
  TkzuTitleBarSections* TitleBarSections() const;
  void SetTitleBarSections(const TkzuTitleBarSections* v);
  bool TitleBarDrawAppIcon() const;
  void SetTitleBarDrawAppIcon(bool v);
  TMainMenu* Menu() const { return menu_; }
  void SetMenu(TMainMenu* v);
  TColor MenuBarColor() const { return menuBarColor_; }
  void SetMenuBarColor(TColor v);
  int MenuBarHeight() const { return menuBarHeight_; }
  void SetMenuBarHeight(int v);
  // Read: the panel's own size; write: the form's size for that panel.
  int Width() const { return TControl::Width(); }
  void SetWidth(int w);
  int Height() const { return TControl::Height(); }
  void SetHeight(int h);
  void SetOnTitleBarCustomBtnsClick(TkzuTitleBarButtonClickEvent e);
  void SetOnTitleBarHelpBtnClick(TkzuTitleBarButtonClickEvent e);

  TkzuTitleBar* TitleBar() const { return titleBar_; }
  TToolBar* MenuBar() const { return menuBar_; }
  TCustomForm* Form() const { return form_; }
  TFormBorderStyle CreationBorderStyle() const { return creationBorderStyle_; }
  TRect RestoreBounds() const { return restoreBounds_; }
  bool StartMaximized() const { return startMaximized_; }
  bool HookedMessages() const { return hookedMessages_; }

  void Place();
  void DrawBorder();
  void RebuildMenuBar();
  void RefreshMenuBar();
  void UpdateMenuBarFont();
  // The hit test the form gives a screen point (HTNOWHERE: none of its own).
  int FormHitTest(POINT screen) const;
  // Inside the form's 5-pixel resize band of a sizeable, normal form.
  bool InResizeBand(POINT screen) const;

  TkzuUIStyle FormPanelUIStyle() const override { return uiStyle_; }
  TColor FormPanelColor() const override { return Color(); }
  void Dispatch(TMessage& Message) override;

 protected:
  void Paint() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  friend class TkzuMainMenu;
  void FormWindowProc(TMessage& Message);
  bool MenuShortCut(const MSG& Msg);
  void FreeMenuBar();
  void CreateMenuBar();
  void DrawMenuButton(TToolBar* bar, TToolButton* button, TCustomDrawState state, bool& defaultDraw);
  void DrawMenuBarBack(const TRect& r, bool& defaultDraw);
  TkzuUIStyle MenuLook() const;
  bool IsMDIChild() const;
  void ApplySize();
  void UpdateCustomFrame();

  TkzuTitleBar* titleBar_ = nullptr;
  TToolBar* menuBar_ = nullptr;
  TWndMethod oldWindowProc_;
  TCustomForm* form_ = nullptr;
  TFormBorderStyle creationBorderStyle_ = bsSizeable;
  TRect restoreBounds_{};
  bool startMaximized_ = false;
  bool hookedMessages_ = false;
  int nonClientHeight_ = 0, nonClientWidth_ = 0;
  TkzuUIStyle uiStyle_ = TkzuUIStyle::DeepBlue;
  TColor borderColor_ = clBlack;
  int borderWidth_ = 1;
  TWinControl* formPanel_ = nullptr;
  TMainMenu* menu_ = nullptr;
  TColor menuBarColor_ = clBtnFace;
  int menuBarHeight_ = 22;
  // The size last asked for through Width and Height (or taken from the
  // form by the user's sizing), re-applied after look and border changes.
  int requestedWidth_ = 0, requestedHeight_ = 0;
  bool sizing_ = false;
  bool constructed_ = false;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// Message of the refused second panel on a form.
constexpr const char* kzuOnlyOneFormMessage = "Sorry, You can create only one TkzuForm component in one form!";
