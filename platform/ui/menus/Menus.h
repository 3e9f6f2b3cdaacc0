// Menus: TMenuItem (a tree of items), TMenu with its two kinds TMainMenu (the
// plain bar on a form, see MenuBar.h) and TPopupMenu, and the short-cut
// helpers.
//
// Ownership: an item frees its sub-items; an item created with an owner is
// also freed by that owner (whichever goes first leaves the other alone).
// Delete and Remove take an item out of its parent without freeing it.
//
// Commands: every item has a unique 16-bit Command. A chosen main-menu item
// arrives as WM_COMMAND(Command, 0) posted to its form, a popup-menu item as
// WM_COMMAND posted to a hidden window of this layer; both end in Click, so
// OnClick always runs after the menu has closed and may free the item, the
// menu or the form. A command whose item is gone by then does nothing.
//
// Drawing and tracking are ours (MenuWindow.h). A skinned menu takes over by
// deriving from TPopupMenu and overriding Popup (the items stay the data),
// or, for forms, by leaving Menu unset and drawing its own bar.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/ImageList.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/forms/Forms.h"
#include "platform/ui/system/UiMessages.h"
#include "platform/user/nonclient/SystemMenu.h"

class TMenu;
class TMenuItem;

LUMIQA_EXCEPTION(EMenuError, Exception)

// Menu messages and MF_* flags come from the window layer (SystemMenu.h).

// ---- Short-cuts -----------------------------------------------------------------
using TShortCut = Word;
constexpr TShortCut scNone = 0;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;

TShortCut ShortCut(Word Key, TShiftState Shift);
void ShortCutToKey(TShortCut ShortCut, Word& Key, TShiftState& Shift);
// "Ctrl+S", "Shift+Del", "F5", "Ctrl+Alt+Left"; "" for scNone or an unknown key.
std::string ShortCutToText(TShortCut ShortCut);
// The inverse; modifier and key names without case; scNone when unknown.
TShortCut TextToShortCut(const std::string& Text);

// '&' handling of captions: "&&" is a literal ampersand.
std::string StripHotkey(const std::string& Caption);
// The accelerator character (UTF-8, ASCII letters upper-cased), or "".
std::string GetHotkey(const std::string& Caption);
// True when the typed character (UTF-8) is Caption's accelerator.
bool IsHotkey(const std::string& Character, const std::string& Caption);

constexpr const char* cLineCaption = "-";

// ---- Owner drawing ------------------------------------------------------------------

using TMenuDrawItemEvent = std::function<void(TObject* Sender, TCanvas* ACanvas, TRect ARect, bool Selected)>;
using TAdvancedMenuDrawItemEvent =
    std::function<void(TObject* Sender, TCanvas* ACanvas, TRect ARect, TOwnerDrawState State)>;
using TMenuMeasureItemEvent = std::function<void(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height)>;

enum TMenuAutoFlag { maAutomatic, maManual, maParent };
enum TFindItemKind { fkCommand, fkHandle, fkShortCut };

// ---- TMenuItem -----------------------------------------------------------------------
class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* AOwner);
  ~TMenuItem() override;
  std::string ClassName() const override { return "TMenuItem"; }

  // ---- Properties ----
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v);
  bool IsLine() const { return caption_ == cLineCaption; }
  TShortCut ShortCut() const { return shortCut_; }
  void SetShortCut(TShortCut v);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  bool Checked() const { return checked_; }
  // Checking a radio item unchecks the radio items of its group (same
  // parent, same GroupIndex).
  void SetChecked(bool v);
  bool RadioItem() const { return radioItem_; }
  void SetRadioItem(bool v);
  Byte GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(Byte v);
  // Click toggles Checked (a radio item only turns on).
  bool AutoCheck = false;
  bool Default() const { return default_; }
  void SetDefault(bool v);
  std::string Hint;
  // A picture beside the caption, used when the menu has no image for the item.
  TBitmap* Bitmap();
  bool HasBitmap() const { return bitmap_ && !bitmap_->Empty(); }
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int v);
  // Unique among live items, 1..0xFFFF.
  Word Command() const { return command_; }
  // A token for the sub-menu of this item (fkHandle, WM_INITMENUPOPUP).
  HMENU Handle() const { return reinterpret_cast<HMENU>(const_cast<TMenuItem*>(this)); }
  TMenuAutoFlag AutoLineReduction() const { return autoLineReduction_; }
  void SetAutoLineReduction(TMenuAutoFlag v);

  // ---- Tree ----
  int Count() const { return int(items_.size()); }
  TMenuItem* Items(int Index) const;
  TMenuItem* Parent() const { return parent_; }
  // The menu whose tree holds this item, or nullptr.
  TMenu* GetParentMenu() const;
  int IndexOf(const TMenuItem* Item) const;
  // The sub-item whose caption (without '&', ignoring case) is ACaption.
  TMenuItem* Find(const std::string& ACaption) const;
  void Add(TMenuItem* Item);
  void Add(const std::vector<TMenuItem*>& AItems);
  void Insert(int Index, TMenuItem* Item);
  // Take an item out of this one without freeing it.
  void Delete(int Index);
  void Remove(TMenuItem* Item);
  // Frees every sub-item.
  void Clear();
  int MenuIndex() const;
  void SetMenuIndex(int Value);
  // The items shown: visible ones, and with automatic line reduction no
  // leading, trailing or repeated separators. Indexes into Items.
  std::vector<int> ShownIndexes() const;
  // Manual line reduction: hides the separators that would be redundant
  // and shows the others; true when anything changed.
  bool RethinkLines();
  // Whether line reduction applies to this item's sub-items.
  bool AutoLinesEffective() const;

  // ---- Actions ----
  // Runs OnClick (after AutoCheck). Also called on an item whose sub-menu is
  // about to open, so OnClick can fill it.
  virtual void Click();

  // ---- Drawing (used by the menu windows; overridable) ----
  virtual void MeasureItem(TCanvas* ACanvas, int& Width, int& Height);
  // True when an owner-draw event drew the item.
  virtual bool AdvancedDrawItem(TCanvas* ACanvas, const TRect& ARect, TOwnerDrawState State);

  TNotifyEvent OnClick;
  TMenuDrawItemEvent OnDrawItem;
  TAdvancedMenuDrawItemEvent OnAdvancedDrawItem;
  TMenuMeasureItemEvent OnMeasureItem;

  // Turns false when the item is freed.
  std::shared_ptr<const bool> AliveToken() const { return alive_; }
  // The live item with this command, or nullptr.
  static TMenuItem* FromCommand(Word Command);

 protected:
  // Tells the menu (and what shows it) that this item or its sub-items changed.
  void MenuChanged(bool Rebuild);

 private:
  friend class TMenu;
  void TurnSiblingsOff();
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  std::string caption_;
  TShortCut shortCut_ = scNone;
  bool enabled_ = true;
  bool visible_ = true;
  bool checked_ = false;
  bool radioItem_ = false;
  Byte groupIndex_ = 0;
  bool default_ = false;
  std::unique_ptr<TBitmap> bitmap_;
  int imageIndex_ = -1;
  Word command_ = 0;
  TMenuAutoFlag autoLineReduction_ = maParent;
  std::vector<TMenuItem*> items_;
  TMenuItem* parent_ = nullptr;
  TMenu* menu_ = nullptr;  // set on the root item only
};

// ---- TMenu ---------------------------------------------------------------------------------
class TMenu : public TComponent {
 public:
  explicit TMenu(TComponent* AOwner);
  ~TMenu() override;
  std::string ClassName() const override { return "TMenu"; }

  TMenuItem* Items() const { return items_; }
  TImageList* Images() const { return images_; }
  void SetImages(TImageList* v);
  TMenuAutoFlag AutoLineReduction() const { return autoLineReduction_; }
  void SetAutoLineReduction(TMenuAutoFlag v);
  bool OwnerDraw() const { return ownerDraw_; }
  void SetOwnerDraw(bool v);
  // Clicks the item with this command; false when there is none.
  bool DispatchCommand(Word ACommand);
  // Runs the item whose ShortCut matches the key message (with the current
  // Shift and Ctrl state, Alt from the key data). Invisible items count; an
  // item that is disabled, or under a disabled parent, does not run and
  // leaves the key to others (false).
  virtual bool IsShortCut(TWMKey& Message);
  TMenuItem* FindItem(std::uintptr_t Value, TFindItemKind Kind) const;
  std::shared_ptr<const bool> AliveToken() const { return alive_; }

  TNotifyEvent OnChange;

  // Called when the items change (Rebuild: items added, removed, shown or
  // hidden); shown menus follow.
  virtual void MenuChanged(TMenuItem* Source, bool Rebuild);

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  TMenuItem* items_;
  TImageList* images_ = nullptr;
  TMenuAutoFlag autoLineReduction_ = maAutomatic;
  bool ownerDraw_ = false;
};

// ---- TMainMenu: drawn as a plain bar on the forms whose Menu it is ----------------------------
class TMainMenu : public TMenu {
 public:
  explicit TMainMenu(TComponent* AOwner) : TMenu(AOwner) {}
  std::string ClassName() const override { return "TMainMenu"; }
  void MenuChanged(TMenuItem* Source, bool Rebuild) override;
};

// ---- TPopupMenu ---------------------------------------------------------------------------
enum TPopupAlignment { paLeft, paRight, paCenter };

class TPopupMenu : public TMenu {
 public:
  explicit TPopupMenu(TComponent* AOwner);
  ~TPopupMenu() override;
  std::string ClassName() const override { return "TPopupMenu"; }

  // Shows the menu at a screen point (kept on the point's monitor work
  // area) and tracks it until it closes. OnPopup runs first. The chosen
  // item's OnClick runs later, from the message loop.
  virtual void Popup(int X, int Y);
  TPopupAlignment Alignment = paLeft;
  // Right clicks on a control whose PopupMenu this is pop it.
  bool AutoPopup = true;
  // The control the menu last popped for (cleared when it is freed).
  TComponent* PopupComponent() const { return popupComponent_; }
  void SetPopupComponent(TComponent* v);
  TPoint PopupPoint() const { return popupPoint_; }
  // The window that gets WM_INITMENUPOPUP/WM_MENUSELECT while tracking
  // (default: the PopupComponent's form, else the active window).
  HWND OwnerWindow() const;

  TNotifyEvent OnPopup;

 protected:
  virtual void DoPopup(TObject* Sender);
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TComponent* popupComponent_ = nullptr;
  TPoint popupPoint_{-1, -1};
};

// The hidden window popup-menu commands are posted to.
HWND PopupListWindow();

// Lets the window layer show window menus (GetSystemMenu) with the menu
// windows of this layer, unless something else tracks them.
void InstallWindowMenuTracker();

// Installs the edit's standard context menu (undo, cut, copy, paste, delete,
// select all) as EditContextMenuHook unless something else holds it.
void InstallEditContextMenu();
