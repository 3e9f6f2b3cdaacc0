// Tool bar and tool buttons. Buttons sit left to right in the order they
// were added, wrapping to a new row of ButtonHeight when Wrapable and the
// next one would pass the right edge (or after a button with Wrap).
// Separators and dividers are 8 pixels wide.
//
// A tbsCheck button toggles Down when clicked; Grouped check buttons next to
// each other (up to a separator or a plain button) keep at most one down,
// and one stays down unless AllowAllUp. OnClick runs after the change.
//
// Drawing: OnCustomDraw for the bar, then OnCustomDrawButton for each
// button with its state (hot, selected while pressed, checked while Down);
// clearing DefaultDraw skips the plain drawing. Flat bars show a button's
// frame only while it is hot, pressed or down.
//
// A tbsDropDown button's arrow part pops its DropdownMenu under the button
// (the rest of it clicks as usual). A button with a MenuItem shows the
// item's caption, hint, image and enabled state; a press pops the item's
// sub-items under the button, or, when it has none, a click clicks the item.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/ImageList.h"
#include "platform/ui/controls/Controls.h"


class TToolBar;
class TPopupMenu;
class TMenuItem;

enum TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };

class TToolButton : public TGraphicControl {
 public:
  explicit TToolButton(TComponent* AOwner);
  ~TToolButton() override;
  std::string ClassName() const override { return "TToolButton"; }
  void SetParent(TWinControl* AParent) override;

  TToolButtonStyle Style() const { return style_; }
  void SetStyle(TToolButtonStyle v);
  bool Down() const { return down_; }
  // Putting a grouped button down puts the rest of its group up.
  void SetDown(bool v);
  bool Grouped() const { return grouped_; }
  void SetGrouped(bool v) { grouped_ = v; }
  bool AllowAllUp = false;
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int v);
  // Starts a new row after this button.
  bool Wrap() const { return wrap_; }
  void SetWrap(bool v);
  TToolBar* ToolBar() const { return toolBar_; }
  int Index() const;
  bool Pressed() const { return pressed_; }
  bool Hot() const;
  TPopupMenu* DropdownMenu() const { return dropdownMenu_; }
  void SetDropdownMenu(TPopupMenu* v);
  TMenuItem* MenuItem() const { return menuItem_ && *menuAlive_ ? menuItem_ : nullptr; }
  void SetMenuItem(TMenuItem* v);
  // Pops the DropdownMenu (or MenuItem's sub-items) under the button;
  // false when there is nothing to pop.
  bool CheckMenuDropdown();
  void Click() override;
  void Dispatch(TMessage& Message) override;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseEnter() override;
  void MouseLeave() override;

 private:
  friend class TToolBar;
  // The other buttons of this one's group.
  std::vector<TToolButton*> GroupMates() const;
  TToolBar* toolBar_ = nullptr;
  TToolButtonStyle style_ = tbsButton;
  bool down_ = false, grouped_ = false, wrap_ = false;
  bool pressed_ = false, tracking_ = false;
  int imageIndex_ = -1;
  int separatorWidth_ = 8;
  TPopupMenu* dropdownMenu_ = nullptr;
  TMenuItem* menuItem_ = nullptr;
  std::shared_ptr<const bool> menuAlive_;
  bool dropped_ = false;  // drawn pressed while its menu shows
};

using TTBCustomDrawEvent = std::function<void(TToolBar* Sender, const TRect& ARect, bool& DefaultDraw)>;
using TTBCustomDrawBtnEvent =
    std::function<void(TToolBar* Sender, TToolButton* Button, TCustomDrawState State, bool& DefaultDraw)>;

class TToolBar : public TCustomControl {
 public:
  explicit TToolBar(TComponent* AOwner);
  ~TToolBar() override;
  std::string ClassName() const override { return "TToolBar"; }

  int ButtonCount() const { return int(buttons_.size()); }
  TToolButton* Buttons(int Index) const;
  int ButtonWidth() const { return buttonWidth_; }
  void SetButtonWidth(int v);
  int ButtonHeight() const { return buttonHeight_; }
  void SetButtonHeight(int v);
  void SetButtonSize(int w, int h);
  TImageList* Images() const { return images_; }
  void SetImages(TImageList* v);
  // Used for the hot button when set.
  TImageList* HotImages() const { return hotImages_; }
  void SetHotImages(TImageList* v);
  bool Flat() const { return flat_; }
  void SetFlat(bool v);
  bool ShowCaptions() const { return showCaptions_; }
  void SetShowCaptions(bool v);
  bool Wrapable() const { return wrapable_; }
  void SetWrapable(bool v);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);
  // Rows the buttons take now.
  int RowCount() const { return rows_; }
  // The button the mouse is over (flat bars light it), or nullptr.
  TToolButton* HotButton() const { return hot_; }

  TTBCustomDrawEvent OnCustomDraw;
  TTBCustomDrawBtnEvent OnCustomDrawButton;
  void Dispatch(TMessage& Message) override;

 protected:
  void Paint() override;
  void AlignControls(TControl* AControl, TRect& Rect) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  friend class TToolButton;
  void InsertButton(TToolButton* b);
  void RemoveButton(TToolButton* b);
  void SetHot(TToolButton* b);
  void LayoutButtons();
  TSize ButtonSize(const TToolButton* b) const;
  std::vector<TToolButton*> buttons_;
  TToolButton* hot_ = nullptr;
  int buttonWidth_ = 23, buttonHeight_ = 22;
  TImageList* images_ = nullptr;
  TImageList* hotImages_ = nullptr;
  bool flat_ = false, showCaptions_ = false, wrapable_ = true, transparent_ = false;
  bool laying_ = false;
  int rows_ = 0;
};
