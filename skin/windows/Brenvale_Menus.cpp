// The controller's menu entry points: the system menu, the state of menus
// opened from the frame, keyboard main-menu mode, the tray, and the object
// hints. The skinned menu manager and popup menus and the tray icon plug in
// here; until a skinned menu manager is attached the system menu and the
// objects' menus show through the framework's popup menu.
#include "platform/ui/Application.h"
#include "platform/ui/Menus.h"
#include "platform/user/User.h"
#include "skin/engine/SPUtils.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinStrings.h"
#include "skin/windows/Brenvale.h"
#include "skin/windows/Brenvale_Internal.h"
#include "skin/windows/SkinHint.h"

namespace {

struct TSysItem {
  const char* name;
  const char* key;
  const char* text;
};
constexpr TSysItem kMinItem{"BVL_MINITEM", "MI_MINCAPTION", "Mi&nimize"};
constexpr TSysItem kMaxItem{"BVL_MAXITEM", "MI_MAXCAPTION", "Ma&ximize"};
constexpr TSysItem kRestoreItem{"BVL_RESTORE", "MI_RESTORECAPTION", "&Restore"};
constexpr TSysItem kRollUpItem{"BVL_ROLLUP", "MI_ROLLUPCAPTION", "Ro&llUp"};
constexpr TSysItem kTrayItem{"BVL_MINTOTRAY", "MI_MINTOTRAYCAPTION", "Minimize to &Tray"};
constexpr TSysItem kCloseItem{"BVL_CLOSE", "MI_CLOSECAPTION", "\xE5\x85\xB3\xE9\x97\xAD(&C)"};

}  // namespace

void TspBrenvale::SetSkinHint(TspSkinHint* v) {
  if (skinHint_ == v) return;
  skinHint_ = v;
  if (v) v->FreeNotification(this);
}

void TspBrenvale::HideObjectHint() {
  if (skinHint_) skinHint_->HideHint();
}

void TspBrenvale::ShowObjectHintLater(const std::string& Text) {
  if (skinHint_) skinHint_->ShowHintLater(Text);
}

TMenuItem* TspBrenvale::NewSystemItem(TComponent* Owner, const char* Name, const char* Key, const char* Text,
                                      std::function<void()> Click) {
  auto* item = new TMenuItem(Owner);
  item->SetName(Name);
  TspResourceStrData* res = skinData_ ? skinData_->ResourceStrData() : nullptr;
  item->SetCaption(res ? res->GetResStr(Key) : std::string(Text));
  item->OnClick = [Click](TObject*) { Click(); };
  return item;
}

TMenuItem* TspBrenvale::GetSystemMenuItems() {
  const bool minimized = WindowState == spwsMinimized, maximized = WindowState == spwsMaximized;
  const bool canMin = (borderIcons_ & spbiMinimize) && !minimized;
  const bool canMax = (borderIcons_ & spbiMaximize) && !maximized;
  const bool canRestore = WindowState != spwsNormal || RollUpState;
  const bool canRollUp = (borderIcons_ & spbiRollUp) && !RollUpState && !minimized && !ZoomedChild();
  const bool canTray = (borderIcons_ & spbiMinimizeToTray) != 0;
  auto minimize = [this] {
    if (AlwaysMinimizeToTray)
      MinimizeToTray();
    else
      ChangeWindowState(spwsMinimized);
  };
  auto restore = [this] {
    if (MaximizedRollUp || (RollUpState && WindowState == spwsNormal))
      ChangeRollUpState(false);
    else
      ChangeWindowState(spwsNormal);
  };
  auto close = [this] { CloseForm(); };
  const char* closeKey = IsMDIChild() ? "Ctrl+F4" : "Alt+F4";
  TPopupMenu* menu = SystemMenu ? SystemMenu : SystemPopupMenu;
  TMenuItem* root = menu->Items();
  if (SystemMenu) {
    if (!UseDefaultSysMenu) return root;
    static const char* const kNames[] = {kMinItem.name,  kMaxItem.name,    kCloseItem.name,
                                         kTrayItem.name, kRollUpItem.name, kRestoreItem.name};
    for (int i = root->Count(); i-- > 0;) {
      TMenuItem* it = root->Items(i);
      for (const char* n : kNames)
        if (it->Name() == n) {
          root->Delete(i);
          delete it;
          break;
        }
    }
    auto insertTop = [&](const TSysItem& s, std::function<void()> click) {
      root->Insert(0, NewSystemItem(this, s.name, s.key, s.text, std::move(click)));
    };
    if (canTray) insertTop(kTrayItem, [this] { MinimizeToTray(); });
    if (canRollUp) insertTop(kRollUpItem, [this] { ChangeRollUpState(true); });
    if (canMax) insertTop(kMaxItem, [this] { ChangeWindowState(spwsMaximized); });
    if (canRestore) insertTop(kRestoreItem, restore);
    if (canMin) insertTop(kMinItem, minimize);
    TMenuItem* c = NewSystemItem(this, kCloseItem.name, kCloseItem.key, kCloseItem.text, close);
    c->SetShortCut(TextToShortCut(closeKey));
    root->Add(c);
    return root;
  }
  while (root->Count() > 0) {
    TMenuItem* it = root->Items(root->Count() - 1);
    root->Delete(root->Count() - 1);
    delete it;
  }
  auto add = [&](const TSysItem& s, std::function<void()> click) {
    root->Add(NewSystemItem(this, s.name, s.key, s.text, std::move(click)));
  };
  if (canMin) add(kMinItem, minimize);
  if (canMax) add(kMaxItem, [this] { ChangeWindowState(spwsMaximized); });
  if (canRestore) add(kRestoreItem, restore);
  if (canRollUp) add(kRollUpItem, [this] { ChangeRollUpState(true); });
  if (canTray) add(kTrayItem, [this] { MinimizeToTray(); });
  if (root->Count() > 0) {
    auto* line = new TMenuItem(this);
    line->SetCaption("-");
    root->Add(line);
  }
  TMenuItem* c = NewSystemItem(this, kCloseItem.name, kCloseItem.key, kCloseItem.text, close);
  c->SetShortCut(TextToShortCut(closeKey));
  root->Add(c);
  return root;
}

void TspBrenvale::PopupSystemMenu(TPoint Screen) {
  GetSystemMenuItems();
  TPopupMenu* menu = SystemMenu ? SystemMenu : SystemPopupMenu;
  menu->SetPopupComponent(Form);
  menu->Popup(Screen.X, Screen.Y);
}

void TspBrenvale::PopupObjectMenu(TspActiveSkinObject*, TMenuItem* Item, const TRect& R, bool) {
  if (!Item || Item->Count() == 0) return;
  // The framework's popup shows the item's sub-items until the skinned menu
  // manager takes this over.
  SkinMenuOpened();
  if (!objectPopup_) objectPopup_ = new TPopupMenu(this);
  TMenuItem* root = objectPopup_->Items();
  while (root->Count() > 0) {
    TMenuItem* it = root->Items(root->Count() - 1);
    root->Delete(root->Count() - 1);
    delete it;
  }
  for (int i = 0; i < Item->Count(); ++i) {
    TMenuItem* src = Item->Items(i);
    if (!src->Visible()) continue;
    auto* copy = new TMenuItem(objectPopup_);
    copy->SetCaption(src->Caption());
    copy->SetEnabled(src->Enabled());
    copy->SetChecked(src->Checked());
    // The click runs after the menu closed; the item is found again then,
    // in case the menu changed meanwhile.
    const Word command = src->Command();
    TMenuItem* parent = Item;
    copy->OnClick = [parent, command](TObject*) {
      for (int j = 0; j < parent->Count(); ++j)
        if (parent->Items(j)->Command() == command) {
          parent->Items(j)->Click();
          return;
        }
    };
    root->Add(copy);
  }
  objectPopup_->SetPopupComponent(Form);
  objectPopup_->Popup(R.Left, R.Bottom);
  SkinMenuClosed();
}

void TspBrenvale::SkinMenuOpened() {
  if (SkinMenuOpen) return;
  SkinMenuOpen = true;
  if (OnSkinMenuOpen) OnSkinMenuOpen(this);
}

void TspBrenvale::SkinMenuClosed() {
  if (MenuGlowLayer) MenuGlowLayer->Hide();
  SkinMenuOpen = false;
  TspBrenvaleRoutingGuard routing(this);
  for (std::size_t i = 0; i < ObjectList.size(); ++i) {
    TspActiveSkinObject* o = ObjectList[i].get();
    const bool menuHolder = o->Kind() == TspObjectKind::MainMenuItem || o->ObjectMenuItem() != nullptr;
    if (menuHolder && o->IsDown()) {
      if (o->Kind() == TspObjectKind::MainMenuItem) o->Active = false;
      o->SetObjectDown(false);
      break;
    }
  }
  if (!routing.Alive()) return;
  if (OnSkinMenuClose) OnSkinMenuClose(this);
  if (InMainMenu) {
    InMainMenu = false;
    if (OnMainMenuExit) OnMainMenuExit(this);
  }
}

void TspBrenvale::EnterMainMenuMode() {
  TspBrenvaleRoutingGuard routing(this);
  TspActiveSkinObject* target = nullptr;
  for (auto& o : ObjectList)
    if (o->Kind() == TspObjectKind::MainMenuItem && o->Active) {
      target = o.get();
      break;
    }
  if (!target)
    for (auto& o : ObjectList)
      if (o->Kind() == TspObjectKind::MainMenuItem) {
        target = o.get();
        break;
      }
  if (target) {
    target->MouseEnter();
    if (!routing.Alive()) return;
    InMainMenu = true;
  }
  if (OnMainMenuEnter) OnMainMenuEnter(this);
}

void TspBrenvale::LeaveMainMenuMode() {
  InMainMenu = false;
  if (SkinMenuVisible()) CloseSkinMenus();
  TspBrenvaleRoutingGuard routing(this);
  for (auto& o : ObjectList)
    if (o->Kind() == TspObjectKind::MainMenuItem && o->Active) {
      o->MouseLeave();
      break;
    }
  if (!routing.Alive()) return;
  if (OnMainMenuExit) OnMainMenuExit(this);
}

void TspBrenvale::MinimizeToTray() {
  // Without a tray icon nothing could bring the form back: minimize it.
  if (!trayIcon_) {
    ChangeWindowState(spwsMinimized);
    return;
  }
  if (OnMinimizeToTray) OnMinimizeToTray(this);
  Form->Hide();
}

void TspBrenvale::RestoreFromTray() {
  Form->Show();
  if (OnRestoreFromTray) OnRestoreFromTray(this);
}

bool TspBrenvale::SkinMenuVisible() const { return false; }

void TspBrenvale::CloseSkinMenus() {}

void TspBrenvale::FormShortCut(TWMKey& Msg, bool& Handled) {
  // Alt+Space opens the system menu at the system-menu object.
  if (Msg.CharCode == VK_SPACE && (Msg.KeyData & (LPARAM(1) << 29)) && !DisableSystemMenu) {
    for (auto& o : ObjectList) {
      if (o->Command() != cmSysMenu || !o->Enabled) continue;
      const TPoint org = WindowScreenOrigin();
      PopupSystemMenu(TPoint{org.X + o->ObjectRect.Left, org.Y + o->ObjectRect.Bottom});
      Handled = true;
      return;
    }
  }
  if (OnShortCut) OnShortCut(Msg, Handled);
}
