// The images menu: a drop-down grid of pictures from an image list, with
// full-width buttons and section headers, for pickers (colours, line
// styles, symbols). Skinned speed buttons drop it down.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Graphics.h"
#include "platform/rtl/Collection.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Types.h"
#include "platform/ui/controls/Controls.h"
#include "platform/ui/forms/Application.h"

class TImageList;

// What a speed button needs of an images menu: the selected item's image
// and caption, a drop-down at a screen rectangle, and calls when the
// selection changes and when the drop-down closes.
class TspImagesMenuBase : public TComponent {
 public:
  explicit TspImagesMenuBase(TComponent* AOwner) : TComponent(AOwner) {}
  std::string ClassName() const override { return "TspImagesMenuBase"; }
  virtual TImageList* ImagesList() const = 0;
  // False when no item is selected.
  virtual bool SelectedItem(int& imageIndex, std::string& caption) const = 0;
  // Drops the menu down below R (screen coordinates).
  virtual void PopupAtRect(const TRect& R) = 0;
  // Whether the drop-down is open.
  virtual bool IsOpen() const = 0;
  // Called after the selection changed; the button that shows it repaints.
  std::function<void()> ChangeNotify;
  // Called when the drop-down has closed; the button that opened it comes up.
  std::function<void()> CloseNotify;
};

// ---- The skinned images menu ----------------------------------------------------------------

class TspSkinData;
class TspSkinHint;
class TspSkinImagesMenu;

class TspImagesMenuItem : public TCollectionItem {
 public:
  explicit TspImagesMenuItem(TCollection* collection = nullptr) : TCollectionItem(collection) {}
  std::string ClassName() const override { return "TspImagesMenuItem"; }
  int ImageIndex = -1;
  std::string Caption;
  TNotifyEvent OnClick;
  bool Button = false;
  bool Header = false;
  std::string Hint;
  // Set by the layout, in the drop-down's client coordinates.
  TRect CellRect{};
  void Assign(const TPersistent* source) override;
};

class TspImagesMenuItems : public TOwnedCollection {
 public:
  explicit TspImagesMenuItems(TspSkinImagesMenu* owner);
  std::string ClassName() const override { return "TspImagesMenuItems"; }
  TspImagesMenuItem* Items(int index) const { return static_cast<TspImagesMenuItem*>(TCollection::Items(index)); }
  TspImagesMenuItem* Add() { return static_cast<TspImagesMenuItem*>(TCollection::Add()); }
};

// The drop-down: never activated, holds the mouse capture and the
// application's message callback while open.
class TspSkinImagesMenuPopupWindow : public TCustomControl {
 public:
  explicit TspSkinImagesMenuPopupWindow(TspSkinImagesMenu* AMenu);
  ~TspSkinImagesMenuPopupWindow() override;
  std::string ClassName() const override { return "TspSkinImagesMenuPopupWindow"; }

  bool Skinned = false;
  TspSkinImagesMenu* Menu;
  TPoint LeftTopPoint{}, RightTopPoint{}, LeftBottomPoint{}, RightBottomPoint{};
  TRect ItemsArea{};
  TBitmap* WindowPicture = nullptr;
  TBitmap* MaskPicture = nullptr;
  int HoverIndex = -1;
  int LastHoverIndex = -1;
  bool MouseWasDown = false;
  bool Pressed = false;
  // The alpha steps the last fade-in went through (tests read them).
  std::vector<int> FadeSteps;

  void DropDown(const TRect& R);
  void CloseUp(bool AcceptChanges);
  using TCustomControl::KeyDown;
  void KeyDown(Word Key);
  // The item under a client point that is not a header, or -1.
  int ItemAtPos(int X, int Y) const;
  void PaintTo(TCanvas* Cnvs);

 protected:
  void CreateParams(TCreateParams& Params) override;
  void WndProc(TMessage& Message) override;
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;

 private:
  bool ComputeSkinned() const;
  void LayoutAndSize();
  void Hover(int Index);
  void MouseLeft();
  void HideHint();
  void DrawHeader(TCanvas* C, TspImagesMenuItem* Item);
  void DrawCellBackground(TCanvas* C, const TRect& R, bool Down);
  void DrawButtonCaption(TCanvas* C, TspImagesMenuItem* Item, TRect R, bool Down, bool Hot);
  bool hooked_ = false;
  TMessageEvent savedOnMessage_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

class TspSkinImagesMenu : public TspImagesMenuBase {
 public:
  explicit TspSkinImagesMenu(TComponent* AOwner);
  ~TspSkinImagesMenu() override;
  std::string ClassName() const override { return "TspSkinImagesMenu"; }

  TImageList* Images() const { return images_; }
  void SetImages(TImageList* v);
  TspSkinHint* SkinHint() const { return skinHint_; }
  void SetSkinHint(TspSkinHint* v);
  TspSkinData* SkinData() const { return skinData_; }
  void SetSkinData(TspSkinData* v);
  TspImagesMenuItems* ImagesItems() const { return items_.get(); }
  void SetImagesItems(const TspImagesMenuItems* v) { items_->Assign(v); }
  TFont* DefaultFont() const { return defaultFont_.get(); }
  void SetDefaultFont(const TFont* v) { defaultFont_->Assign(v); }
  int ColumnsCount() const { return columnsCount_; }
  void SetColumnsCount(int v);

  bool ShowHints = true;
  int ItemIndex = -1;
  bool UseSkinFont = true;
  bool ShowSelectedItem = true;
  bool AlphaBlend = false;
  bool AlphaBlendAnimation = false;
  Byte AlphaBlendValue = 200;
  TNotifyEvent OnItemClick, OnChange, OnMenuPopup, OnMenuClose;
  int OldItemIndex = -1;
  TspSkinImagesMenuPopupWindow* PopupWindow() const { return popupWindow_.get(); }

  TspImagesMenuItem* SelectedItem() const;
  void PopupAtRect(const TRect& R) override;
  void ClosePopup(bool AcceptChanges);

  // The speed button's view.
  TImageList* ImagesList() const override { return images_; }
  bool SelectedItem(int& imageIndex, std::string& caption) const override;
  bool IsOpen() const override { return popupWindow_ != nullptr; }

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TImageList* images_ = nullptr;
  TspSkinHint* skinHint_ = nullptr;
  TspSkinData* skinData_ = nullptr;
  std::unique_ptr<TspImagesMenuItems> items_;
  std::unique_ptr<TFont> defaultFont_;
  int columnsCount_ = 1;
  std::unique_ptr<TspSkinImagesMenuPopupWindow> popupWindow_;
  // A closed drop-down waits here to be freed: closing starts inside its
  // own handlers.
  std::unique_ptr<TspSkinImagesMenuPopupWindow> closed_;
};
