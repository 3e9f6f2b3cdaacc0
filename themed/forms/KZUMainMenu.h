// The themed main menu: its drop-down items are owner-drawn in the pack's
// looks (side bar, selection, separators, check marks and images in the
// theme's colours, an optional flat frame round each drop-down, the
// system's menu font or its own). On a form it never shows as the form's
// plain menu bar: the form's themed form panel shows it in its menu bar.
#pragma once
#include <memory>
#include <string>

#include "platform/ui/menus/Menus.h"
#include "themed/core/KZUThemes.h"

class TkzuForm;

class TkzuMainMenu : public TMainMenu, public TkzuLookTarget {
 public:
  explicit TkzuMainMenu(TComponent* AOwner);
  ~TkzuMainMenu() override;
  std::string ClassName() const override { return "TkzuMainMenu"; }

  // nullptr while the internal list (the check mark) is in use.
  TImageList* Images() const;
  void SetImages(TImageList* v);
  bool OwnerDraw() const { return true; }
  void SetOwnerDraw(bool) {}
  TkzuUIStyle UIStyle() const { return uiStyle_; }
  void SetUIStyle(TkzuUIStyle v);
  int MenuItemHeight() const { return menuItemHeight_; }
  void SetMenuItemHeight(int v);
  int SeparatorHeight() const { return separatorHeight_; }
  void SetSeparatorHeight(int v);
  bool UseSystemFont() const { return useSystemFont_; }
  void SetUseSystemFont(bool v);

  int BarWidth = 0;
  TColor BarColor = clBtnFace;
  TColor Color = clWhite;
  TColor SeparatorColor = TColor(0x808080);
  TColor SelectedBorderColor = clHighlight;
  TColor SelectedColor = clHighlight;
  TColor SelectedFontColor = clWhite;
  // Menu text by default: a menu left in the Custom look stays readable.
  TColor FontColor = clMenuText;
  TColor BorderColor = clBlack;
  bool FlatMenu = false;
  std::string FontName = "MS Sans Serif";
  int FontSize = 8;
  Byte FontCharset = 1;

  TkzuForm* ThemedForm() const { return themedForm_; }

  // Sets the measure and draw events of every item of the tree; rebuilds
  // the themed form's menu bar.
  void HookItems();
  void Loaded() override;
  void MenuChanged(TMenuItem* Source, bool Rebuild) override;
  void ApplyContainerUIStyle(TkzuUIStyle style) override { SetUIStyle(style); }

  void MeasureItem(TMenuItem* item, TCanvas* canvas, int& width, int& height);
  void DrawItem(TMenuItem* item, TCanvas* canvas, const TRect& r, bool selected);
  // The font the items are drawn in.
  void ApplyItemFont(TFont* font) const;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  friend class TkzuForm;
  std::unique_ptr<TImageList> internalImages_;
  TkzuUIStyle uiStyle_ = TkzuUIStyle::DeepBlue;
  int menuItemHeight_ = 21;
  int separatorHeight_ = 21;
  bool useSystemFont_ = true;
  TkzuForm* themedForm_ = nullptr;
};

// The drawing routines of the themed menus.
void HookMenuItem(TMenuItem* item, const TMenuMeasureItemEvent& measure, const TMenuDrawItemEvent& draw);
void FrameRectInColor(TCanvas* canvas, const TRect& r, TColor colour);
void FillRectInColor(TCanvas* canvas, const TRect& r, TColor colour);
void DrawMenuSeparator(TCanvas* canvas, const TRect& r, TColor colour, int offset);
void DrawMacMenuBar(TCanvas* canvas, const TRect& r, int height);
void DrawMacMenuSelect(TCanvas* canvas, const TRect& r);
// A frame round the window's whole rectangle, drawn on the window itself.
void DrawMenuPopupFrame(HWND window, TColor colour, TColor second);
// The system's menu font in the menu text colour; false leaves font alone.
bool GetMenuFont(TFont* font);
