#include "platform/ui/menus/Menus.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>

#include "platform/rtl/Exceptions.h"
#include "platform/ui/menus/MenuBar.h"
#include "platform/ui/menus/MenuWindow.h"
#include "platform/ui/system/UtilityWindow.h"
#include "platform/user/User.h"

// ---- Short-cuts -------------------------------------------------------------------

namespace {

struct TKeyName {
  Word key;
  const char* name;
};

constexpr TKeyName kKeyNames[] = {
    {VK_BACK, "BkSp"},  {VK_TAB, "Tab"},     {VK_RETURN, "Enter"}, {VK_ESCAPE, "Esc"},  {VK_SPACE, "Space"},
    {VK_PRIOR, "PgUp"}, {VK_NEXT, "PgDn"},   {VK_END, "End"},      {VK_HOME, "Home"},   {VK_LEFT, "Left"},
    {VK_UP, "Up"},      {VK_RIGHT, "Right"}, {VK_DOWN, "Down"},    {VK_INSERT, "Ins"},  {VK_DELETE, "Del"},
};

std::string KeyName(Word key) {
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return std::string(1, char(key));
  if (key >= VK_F1 && key <= VK_F1 + 23) return std::string(1, 'F').append(std::to_string(key - VK_F1 + 1));
  for (const TKeyName& k : kKeyNames)
    if (k.key == key) return k.name;
  return "";
}

bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

// Live items by command; commands cycle through 1..0xFFFF skipping used ones.
std::unordered_map<Word, TMenuItem*>& Commands() {
  static std::unordered_map<Word, TMenuItem*> map;
  return map;
}

Word AllocateCommand(TMenuItem* item) {
  static Word next = 0;
  auto& map = Commands();
  for (int tries = 0; tries < 0xFFFF; ++tries) {
    next = Word(next == 0xFFFF ? 1 : next + 1);
    if (!map.count(next)) {
      map[next] = item;
      return next;
    }
  }
  throw EMenuError("Too many menu items");
}

// Length of the UTF-8 sequence that starts with byte c.
std::size_t Utf8Length(unsigned char c) { return c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : 4; }

}  // namespace

TShortCut ShortCut(Word Key, TShiftState Shift) {
  if (Key & 0xFF00) return scNone;
  TShortCut s = Key;
  if (Shift & ssShift) s |= scShift;
  if (Shift & ssCtrl) s |= scCtrl;
  if (Shift & ssAlt) s |= scAlt;
  return s;
}

void ShortCutToKey(TShortCut ShortCut, Word& Key, TShiftState& Shift) {
  Key = Word(ShortCut & 0x00FF);
  Shift = 0;
  if (ShortCut & scShift) Shift |= ssShift;
  if (ShortCut & scCtrl) Shift |= ssCtrl;
  if (ShortCut & scAlt) Shift |= ssAlt;
}

std::string ShortCutToText(TShortCut ShortCut) {
  std::string name = KeyName(Word(ShortCut & 0xFF));
  if (name.empty()) return "";
  std::string out;
  if (ShortCut & scShift) out += "Shift+";
  if (ShortCut & scCtrl) out += "Ctrl+";
  if (ShortCut & scAlt) out += "Alt+";
  return out + name;
}

TShortCut TextToShortCut(const std::string& Text) {
  TShortCut mods = 0;
  std::size_t start = 0;
  // A modifier is a name followed by '+'; the key is what remains ("Ctrl++" is not a key we name).
  for (;;) {
    std::size_t plus = Text.find('+', start);
    if (plus == std::string::npos || plus == start) break;
    std::string part = Text.substr(start, plus - start);
    if (SameText(part, "Shift")) mods |= scShift;
    else if (SameText(part, "Ctrl")) mods |= scCtrl;
    else if (SameText(part, "Alt")) mods |= scAlt;
    else return scNone;
    start = plus + 1;
  }
  std::string key = Text.substr(start);
  if (key.empty()) return scNone;
  for (int k = 1; k < 0x100; ++k) {
    std::string name = KeyName(Word(k));
    if (!name.empty() && SameText(name, key)) return TShortCut(k | mods);
  }
  return scNone;
}

std::string StripHotkey(const std::string& Caption) {
  std::string out;
  for (std::size_t i = 0; i < Caption.size(); ++i) {
    if (Caption[i] == '&') {
      if (i + 1 < Caption.size() && Caption[i + 1] == '&') {
        out += '&';
        ++i;
      }
      continue;
    }
    out += Caption[i];
  }
  return out;
}

std::string GetHotkey(const std::string& Caption) {
  for (std::size_t i = 0; i + 1 < Caption.size(); ++i) {
    if (Caption[i] != '&') continue;
    if (Caption[i + 1] == '&') {
      ++i;
      continue;
    }
    std::string ch = Caption.substr(i + 1, Utf8Length(static_cast<unsigned char>(Caption[i + 1])));
    if (ch.size() == 1) ch[0] = char(std::toupper(static_cast<unsigned char>(ch[0])));
    return ch;
  }
  return "";
}

bool IsHotkey(const std::string& Character, const std::string& Caption) {
  std::string key = GetHotkey(Caption);
  if (key.empty()) return false;
  std::string c = Character;
  if (c.size() == 1) c[0] = char(std::toupper(static_cast<unsigned char>(c[0])));
  return c == key;
}

// ---- TMenuItem -------------------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) { command_ = AllocateCommand(this); }

TMenuItem::~TMenuItem() {
  *alive_ = false;
  Destroying();
  Commands().erase(command_);
  while (!items_.empty()) {
    TMenuItem* child = items_.back();
    items_.pop_back();
    child->parent_ = nullptr;
    delete child;
  }
  if (parent_) parent_->Remove(this);
}

TMenuItem* TMenuItem::FromCommand(Word Command) {
  auto it = Commands().find(Command);
  return it == Commands().end() ? nullptr : it->second;
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* root = this;
  while (root->parent_) root = root->parent_;
  return root->menu_;
}

void TMenuItem::MenuChanged(bool Rebuild) {
  if (TMenu* m = GetParentMenu()) m->MenuChanged(this, Rebuild);
  else NotifyMenuTracking();
}

void TMenuItem::SetCaption(const std::string& v) {
  if (v == caption_) return;
  bool wasLine = IsLine();
  caption_ = v;
  MenuChanged(wasLine != IsLine());
}

void TMenuItem::SetShortCut(TShortCut v) {
  if (v == shortCut_) return;
  shortCut_ = v;
  MenuChanged(false);
}

void TMenuItem::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  MenuChanged(false);
}

void TMenuItem::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  MenuChanged(true);
}

void TMenuItem::TurnSiblingsOff() {
  if (!parent_) return;
  for (TMenuItem* s : parent_->items_)
    if (s != this && s->radioItem_ && s->groupIndex_ == groupIndex_ && s->checked_) {
      s->checked_ = false;
      s->MenuChanged(false);
    }
}

void TMenuItem::SetChecked(bool v) {
  if (v == checked_) return;
  checked_ = v;
  if (v && radioItem_) TurnSiblingsOff();
  MenuChanged(false);
}

void TMenuItem::SetRadioItem(bool v) {
  if (v == radioItem_) return;
  radioItem_ = v;
  if (v && checked_) TurnSiblingsOff();
  MenuChanged(false);
}

void TMenuItem::SetGroupIndex(Byte v) {
  if (v == groupIndex_) return;
  groupIndex_ = v;
  if (radioItem_ && checked_) TurnSiblingsOff();
}

void TMenuItem::SetDefault(bool v) {
  if (v == default_) return;
  // One default item per sub-menu.
  if (v && parent_)
    for (TMenuItem* s : parent_->items_) s->default_ = false;
  default_ = v;
  MenuChanged(false);
}

TBitmap* TMenuItem::Bitmap() {
  if (!bitmap_) bitmap_.reset(new TBitmap);
  return bitmap_.get();
}

void TMenuItem::SetImageIndex(int v) {
  if (v == imageIndex_) return;
  imageIndex_ = v;
  MenuChanged(true);
}

void TMenuItem::SetAutoLineReduction(TMenuAutoFlag v) {
  if (v == autoLineReduction_) return;
  autoLineReduction_ = v;
  MenuChanged(true);
}

TMenuItem* TMenuItem::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw EMenuError("Menu index out of range");
  return items_[std::size_t(Index)];
}

int TMenuItem::IndexOf(const TMenuItem* Item) const {
  auto it = std::find(items_.begin(), items_.end(), Item);
  return it == items_.end() ? -1 : int(it - items_.begin());
}

TMenuItem* TMenuItem::Find(const std::string& ACaption) const {
  std::string want = StripHotkey(ACaption);
  for (TMenuItem* i : items_)
    if (SameText(StripHotkey(i->caption_), want)) return i;
  return nullptr;
}

void TMenuItem::Add(TMenuItem* Item) { Insert(Count(), Item); }

void TMenuItem::Add(const std::vector<TMenuItem*>& AItems) {
  for (TMenuItem* i : AItems) Add(i);
}

void TMenuItem::Insert(int Index, TMenuItem* Item) {
  if (!Item) return;
  if (Item->parent_) throw EMenuError("Menu item already has a parent");
  for (const TMenuItem* p = this; p; p = p->parent_)
    if (p == Item) throw EMenuError("A menu item cannot hold itself");
  if (Index < 0 || Index > Count()) throw EMenuError("Menu index out of range");
  items_.insert(items_.begin() + Index, Item);
  Item->parent_ = this;
  if (Item->radioItem_ && Item->checked_) Item->TurnSiblingsOff();
  MenuChanged(true);
}

void TMenuItem::Delete(int Index) {
  if (Index < 0 || Index >= Count()) throw EMenuError("Menu index out of range");
  TMenuItem* item = items_[std::size_t(Index)];
  items_.erase(items_.begin() + Index);
  item->parent_ = nullptr;
  MenuChanged(true);
}

void TMenuItem::Remove(TMenuItem* Item) {
  int i = IndexOf(Item);
  if (i < 0) throw EMenuError("Menu item not found");
  Delete(i);
}

void TMenuItem::Clear() {
  while (!items_.empty()) delete items_.back();  // each removes itself
}

int TMenuItem::MenuIndex() const { return parent_ ? parent_->IndexOf(this) : -1; }

void TMenuItem::SetMenuIndex(int Value) {
  if (!parent_) return;
  TMenuItem* p = parent_;
  int count = p->Count();
  Value = std::clamp(Value, 0, count - 1);
  int cur = MenuIndex();
  if (cur == Value) return;
  p->items_.erase(p->items_.begin() + cur);
  p->items_.insert(p->items_.begin() + Value, this);
  MenuChanged(true);
}

bool TMenuItem::AutoLinesEffective() const {
  for (const TMenuItem* i = this; i; i = i->parent_) {
    if (i->autoLineReduction_ == maAutomatic) return true;
    if (i->autoLineReduction_ == maManual) return false;
  }
  TMenu* m = GetParentMenu();
  return !m || m->AutoLineReduction() != maManual;
}

std::vector<int> TMenuItem::ShownIndexes() const {
  std::vector<int> out;
  bool reduce = AutoLinesEffective();
  for (int i = 0; i < Count(); ++i) {
    TMenuItem* item = items_[std::size_t(i)];
    if (!item->visible_) continue;
    if (reduce && item->IsLine() && (out.empty() || items_[std::size_t(out.back())]->IsLine())) continue;
    out.push_back(i);
  }
  if (reduce && !out.empty() && items_[std::size_t(out.back())]->IsLine()) out.pop_back();
  return out;
}

bool TMenuItem::RethinkLines() {
  // A separator shows only between two shown items, and only once.
  std::vector<bool> itemAfter(items_.size() + 1, false);
  for (std::size_t i = items_.size(); i-- > 0;)
    itemAfter[i] = itemAfter[i + 1] || (!items_[i]->IsLine() && items_[i]->visible_);
  bool changed = false;
  bool lastWasItem = false;  // the last shown entry is an item, not a separator
  for (std::size_t i = 0; i < items_.size(); ++i) {
    TMenuItem* item = items_[i];
    if (!item->IsLine()) {
      if (item->visible_) lastWasItem = true;
      continue;
    }
    bool show = lastWasItem && itemAfter[i + 1];
    if (item->visible_ != show) {
      item->visible_ = show;
      changed = true;
    }
    if (show) lastWasItem = false;
  }
  if (changed) MenuChanged(true);
  return changed;
}

void TMenuItem::Click() {
  if (AutoCheck) SetChecked(radioItem_ ? true : !checked_);
  if (TNotifyEvent h = OnClick) h(this);
}

void TMenuItem::MeasureItem(TCanvas* ACanvas, int& Width, int& Height) {
  if (TMenuMeasureItemEvent h = OnMeasureItem) h(this, ACanvas, Width, Height);
}

bool TMenuItem::AdvancedDrawItem(TCanvas* ACanvas, const TRect& ARect, TOwnerDrawState State) {
  if (TAdvancedMenuDrawItemEvent h = OnAdvancedDrawItem) {
    h(this, ACanvas, ARect, State);
    return true;
  }
  if (TMenuDrawItemEvent h = OnDrawItem) {
    h(this, ACanvas, ARect, (State & odSelected) != 0);
    return true;
  }
  return false;
}

// ---- TMenu ------------------------------------------------------------------------------

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), items_(new TMenuItem(nullptr)) { items_->menu_ = this; }

TMenu::~TMenu() {
  *alive_ = false;
  Destroying();
  if (images_) images_->RemoveFreeNotification(this);
  items_->menu_ = nullptr;
  delete items_;
  NotifyMenuTracking();
}

void TMenu::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == images_) {
    images_ = nullptr;
    MenuChanged(nullptr, true);
  }
}

void TMenu::SetImages(TImageList* v) {
  if (v == images_) return;
  if (images_) images_->RemoveFreeNotification(this);
  images_ = v;
  if (images_) images_->FreeNotification(this);
  MenuChanged(nullptr, true);
}

void TMenu::SetAutoLineReduction(TMenuAutoFlag v) {
  if (v == maParent || v == autoLineReduction_) return;
  autoLineReduction_ = v;
  MenuChanged(nullptr, true);
}

void TMenu::SetOwnerDraw(bool v) {
  if (v == ownerDraw_) return;
  ownerDraw_ = v;
  MenuChanged(nullptr, true);
}

void TMenu::MenuChanged(TMenuItem*, bool) {
  NotifyMenuTracking();
  if (TNotifyEvent h = OnChange) h(this);
}

TMenuItem* TMenu::FindItem(std::uintptr_t Value, TFindItemKind Kind) const {
  std::function<TMenuItem*(TMenuItem*)> walk = [&](TMenuItem* parent) -> TMenuItem* {
    for (int i = 0; i < parent->Count(); ++i) {
      TMenuItem* item = parent->Items(i);
      bool hit = false;
      switch (Kind) {
        case fkCommand: hit = item->Command() == Value; break;
        case fkHandle: hit = item->Count() > 0 && reinterpret_cast<std::uintptr_t>(item->Handle()) == Value; break;
        case fkShortCut: hit = item->ShortCut() != scNone && item->ShortCut() == Value; break;
      }
      if (hit) return item;
      if (TMenuItem* found = walk(item)) return found;
    }
    return nullptr;
  };
  if (Kind == fkHandle && reinterpret_cast<std::uintptr_t>(items_->Handle()) == Value) return items_;
  return walk(items_);
}

bool TMenu::DispatchCommand(Word ACommand) {
  TMenuItem* item = FindItem(ACommand, fkCommand);
  if (!item) return false;
  item->Click();  // may free this menu: nothing of it is touched afterwards
  return true;
}

bool TMenu::IsShortCut(TWMKey& Message) {
  TShiftState shift = 0;
  if (GetKeyState(VK_SHIFT) < 0) shift |= ssShift;
  if (GetKeyState(VK_CONTROL) < 0) shift |= ssCtrl;
  if (Message.KeyData & (LPARAM(1) << 29)) shift |= ssAlt;
  TShortCut sc = ::ShortCut(Message.CharCode, shift);
  if (sc == scNone) return false;
  // Depth first; a disabled match, or one under a disabled parent, is skipped.
  std::function<TMenuItem*(TMenuItem*)> walk = [&](TMenuItem* parent) -> TMenuItem* {
    for (int i = 0; i < parent->Count(); ++i) {
      TMenuItem* item = parent->Items(i);
      if (!item->Enabled()) continue;
      if (item->ShortCut() == sc) return item;
      if (TMenuItem* found = walk(item)) return found;
    }
    return nullptr;
  };
  TMenuItem* item = walk(items_);
  if (!item) return false;
  item->Click();
  return true;
}

// ---- TMainMenu -------------------------------------------------------------------------------

void TMainMenu::MenuChanged(TMenuItem* Source, bool Rebuild) {
  TMenu::MenuChanged(Source, Rebuild);
  MainMenuChanged(this);
}

// ---- TPopupMenu ------------------------------------------------------------------------------

namespace {

HWND g_popupList = nullptr;

void PopupToControl(TPopupMenu* menu, TControl* control, TPoint screen) {
  if (!menu || !menu->AutoPopup) return;
  menu->SetPopupComponent(control);
  menu->Popup(screen.X, screen.Y);
}

}  // namespace

HWND PopupListWindow() {
  if (!g_popupList || !IsWindow(g_popupList)) {
    g_popupList = AllocateHWnd([](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
      if (m == WM_COMMAND && lp == 0) {
        if (TMenuItem* item = TMenuItem::FromCommand(Word(LOWORD(wp)))) item->Click();
        return 0;
      }
      return DefWindowProc(h, m, wp, lp);
    });
  }
  return g_popupList;
}

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {
  // Set here rather than at start-up: the hook's own initialisation lives in another unit.
  if (!PopupMenuHandler) PopupMenuHandler = PopupToControl;
}

TPopupMenu::~TPopupMenu() {
  Destroying();
  if (popupComponent_) popupComponent_->RemoveFreeNotification(this);
}

void TPopupMenu::Notification(TComponent* AComponent, TOperation Operation) {
  TMenu::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == popupComponent_) popupComponent_ = nullptr;
}

void TPopupMenu::SetPopupComponent(TComponent* v) {
  if (v == popupComponent_) return;
  if (popupComponent_) popupComponent_->RemoveFreeNotification(this);
  popupComponent_ = v;
  if (popupComponent_) popupComponent_->FreeNotification(this);
}

HWND TPopupMenu::OwnerWindow() const {
  if (auto* c = dynamic_cast<TControl*>(popupComponent_))
    if (TWinControl* top = c->TopLevelParent(); top && top->HandleAllocated()) return top->Handle();
  if (HWND active = GetActiveWindow()) return active;
  return PopupListWindow();
}

void TPopupMenu::DoPopup(TObject* Sender) {
  if (TNotifyEvent h = OnPopup) h(Sender);
}

void TPopupMenu::Popup(int X, int Y) {
  if (MenuLoopActive()) return;  // one menu at a time
  auto alive = AliveToken();
  popupPoint_ = TPoint{X, Y};
  DoPopup(this);
  if (!*alive) return;
  Word command = TrackMenuPopup(Items(), TPoint{X, Y}, Alignment, OwnerWindow());
  if (command) PostMessage(PopupListWindow(), WM_COMMAND, WPARAM(command), 0);
}
