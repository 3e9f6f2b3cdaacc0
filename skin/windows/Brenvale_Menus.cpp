// The controller's menu entry points: the system menu, the state of menus
// opened from the frame, keyboard main-menu mode, the tray, and the object
// hints. The skinned menu manager and popup menus and the tray icon plug in
// here; until a skinned menu manager is attached the system menu and the
// objects' menus show through the framework's popup menu.
#include "platform/ui/forms/Application.h"
#include "platform/ui/menus/Menus.h"
#include "platform/user/User.h"
#include "skin/engine/SPUtils.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinStrings.h"
#include "skin/windows/Brenvale.h"
#include "skin/windows/spTrayIcon.h"
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

void TspBrenvale::CreateMenus() {
  // The tray menu is built now, before any skin, so it keeps the built-in
  // captions; it shows through this controller's menu manager.
  TrayPopupMenu = new TspSkinPopupMenu(this);
  TrayPopupMenu->ControllerForm = Form;
  TMenuItem* tray = TrayPopupMenu->Items();
  TMenuItem* restore =
      NewSystemItem(this, "TRAY_BVL_RESTORE", kRestoreItem.key, kRestoreItem.text, [this] { RestoreFromTray(); });
  tray->Add(restore);
  auto* line = new TMenuItem(this);
  line->SetCaption("-");
  tray->Add(line);
  TMenuItem* close = NewSystemItem(this, "TRAY_BVL_CLOSE", kCloseItem.key, kCloseItem.text, [this] { CloseForm(); });
  close->SetShortCut(TextToShortCut(IsMDIChild() ? "Ctrl+F4" : "Alt+F4"));
  tray->Add(close);
  SkinMenu = new TspSkinMenu(this, Form);
  // The controller routes the keys itself while a menu is open.
  SkinMenu->HookApplicationMessages = false;
  SkinMenu->MaxMenuItemsInWindow = maxMenuItemsInWindow_;
  SkinMenu->AlphaBlend = menusAlphaBlend_;
  SkinMenu->AlphaBlendAnimation = menusAlphaBlendAnimation_;
  SkinMenu->AlphaBlendValue = menusAlphaBlendValue_;
}

// ---- The menu manager's settings ---------------------------------------------------------------

bool TspBrenvale::UseSkinFontInMenu() const { return SkinMenu->UseSkinFont; }
void TspBrenvale::SetUseSkinFontInMenu(bool v) { SkinMenu->UseSkinFont = v; }
int TspBrenvale::DefMenuItemHeight() const { return SkinMenu->DefMenuItemHeight; }
void TspBrenvale::SetDefMenuItemHeight(int v) {
  if (v > 0) SkinMenu->DefMenuItemHeight = v;
}
TFont* TspBrenvale::DefMenuItemFont() const { return SkinMenu->DefMenuItemFont(); }
void TspBrenvale::SetDefMenuItemFont(const TFont* v) { SkinMenu->DefMenuItemFont()->Assign(v); }
void TspBrenvale::SetMenusAlphaBlend(bool v) {
  menusAlphaBlend_ = v;
  SkinMenu->AlphaBlend = v;
}
void TspBrenvale::SetMenusAlphaBlendAnimation(bool v) {
  menusAlphaBlendAnimation_ = v;
  SkinMenu->AlphaBlendAnimation = v;
}
void TspBrenvale::SetMenusAlphaBlendValue(Byte v) {
  menusAlphaBlendValue_ = v;
  SkinMenu->AlphaBlendValue = v;
}

// ---- The system menu ----------------------------------------------------------------------------

void TspBrenvale::PopupSystemMenuAt(int X, int Y) { PopupSystemMenuAtRect(TRect{X, Y, X, Y}); }

void TspBrenvale::PopupSystemMenuAtRect(const TRect& R) {
  // An MDI child's menu shows through the main form's controller.
  TspBrenvale* shower = this;
  if (IsMDIChild()) {
    shower = Application && Application->MainForm() ? FindController(Application->MainForm()) : nullptr;
    if (!shower) return;
  }
  TspSkinMenu* manager = shower->SkinMenu;
  // The rows of an open menu may show the system items about to be rebuilt:
  // that menu closes first, and its windows go before the items do.
  const std::shared_ptr<bool> alive = alive_;
  if (manager->Visible) {
    manager->CloseAll();
    if (!*alive) return;
  }
  manager->FreeClosedWindows();
  TMenuItem* items = GetSystemMenuItems();
  SkinMenuOpened();
  manager->PopupMenu(nullptr, shower->MenusSkinDataOf(), 0, R, items, false);
  if (!*alive) return;
  if (!manager->Visible) {
    SkinMenuClosed();
    return;
  }
  // The main form hears that the menu closed; this child must too.
  if (shower != this) {
    const std::weak_ptr<bool> mine = alive_;
    manager->OnMenuClose = [this, mine](TObject*) {
      if (auto a = mine.lock(); a && *a && SkinMenuOpen) SkinMenuClosed();
    };
  }
}

void TspBrenvale::PopupObjectMenu(TspActiveSkinObject*, TMenuItem* Item, const TRect& R, bool PopupUp) {
  if (!Item || Item->Count() == 0) return;
  if (auto* owner = dynamic_cast<TspSkinPopupMenu*>(Item->GetParentMenu())) {
    owner->PopupSkinMenuAtRect(R, PopupUp);
    return;
  }
  SkinMenuOpened();
  const std::shared_ptr<bool> alive = alive_;
  SkinMenu->PopupMenu(nullptr, MenusSkinDataOf(), 0, R, Item, PopupUp);
  if (!*alive) return;
  // Nothing opened: the menu state the object set goes back.
  if (!SkinMenu->Visible) {
    SkinMenuClosed();
    return;
  }
  // The menu holds the mouse now: the press that opened it is over, so the
  // other frame objects hover again (moving along the bar opens their menus).
  PressedIndex = -1;
  objectCapture_ = false;
}

// ---- Menu state ------------------------------------------------------------------------------------

void TspBrenvale::SkinMenuOpened() {
  if (!InMainMenu) InstallMessageHook();
  if (SkinMenuOpen) return;
  SkinMenuOpen = true;
  if (OnSkinMenuOpen) OnSkinMenuOpen(this);
}

void TspBrenvale::SkinMenuClosed() {
  if (MenuGlowLayer && MenuGlowLayer->LayerVisible) MenuGlowLayer->Hide();
  SkinMenuOpen = false;
  TspBrenvaleRoutingGuard routing(this);
  for (std::size_t i = 0; i < ObjectList.size(); ++i) {
    TspActiveSkinObject* o = ObjectList[i].get();
    const bool menuHolder = o->Kind() == TspObjectKind::MainMenuItem || o->ObjectMenuItem() != nullptr;
    if (menuHolder && o->IsDown()) {
      if (o->Kind() == TspObjectKind::MainMenuItem) o->Active = false;
      o->SetObjectDown(false);
      if (!routing.Alive()) return;
      // The button that opened the menu held the mouse for itself; the
      // menu took the release.
      if (PressedIndex == int(i)) PressedIndex = -1;
      break;
    }
  }
  RemoveMessageHook();
  if (OnSkinMenuClose) OnSkinMenuClose(this);
  if (!routing.Alive()) return;
  if (InMainMenu) {
    InMainMenu = false;
    if (MainMenuBar && SkinBarLinks().LeaveMenuMode) {
      SkinBarLinks().LeaveMenuMode(MainMenuBar);
      if (!routing.Alive()) return;
    }
    if (OnMainMenuExit) OnMainMenuExit(this);
  }
}

void TspBrenvale::BarMenuClosed() {
  SkinMenuOpen = false;
  TspBrenvaleRoutingGuard routing(this);
  if (MainMenuBar) {
    if (SkinBarLinks().ReleaseDownItem) SkinBarLinks().ReleaseDownItem(MainMenuBar);
  } else
    for (auto& o : ObjectList)
    if (o->Kind() == TspObjectKind::MainMenuItem && o->IsDown()) {
      o->SetObjectDown(false);
      if (!routing.Alive()) return;
      o->MouseEnter();
      if (!routing.Alive()) return;
      break;
    }
  if (OnSkinMenuClose) OnSkinMenuClose(this);
}

void TspBrenvale::EnterMainMenu() {
  const std::shared_ptr<bool> alive = alive_;
  // Alt closes an open menu before the bar lights up.
  if (SkinMenuVisible()) {
    CloseSkinMenus();
    if (!*alive) return;
  }
  if (SkinMenuOpen) {
    SkinMenuClosed();
    if (!*alive) return;
  }
  if (MainMenuBar) {
    // The bar lights its item and sets InMainMenu itself.
    InstallMessageHook();
    if (SkinBarLinks().EnterMenuMode) SkinBarLinks().EnterMenuMode(MainMenuBar);
    return;
  }
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
  // Without frame menu items the mode is entered all the same: it lights
  // nothing, and Escape, Alt or a click ends it.
  if (target) {
    target->MouseEnter();
    if (!routing.Alive()) return;
  }
  InMainMenu = true;
  InstallMessageHook();
  if (OnMainMenuEnter) OnMainMenuEnter(this);
}

void TspBrenvale::ExitMainMenu() {
  InMainMenu = false;
  const std::shared_ptr<bool> alive = alive_;
  if (SkinMenuVisible()) {
    CloseSkinMenus();
    if (!*alive) return;
  }
  TspBrenvaleRoutingGuard routing(this);
  if (MainMenuBar) {
    if (SkinBarLinks().LeaveMenuMode) SkinBarLinks().LeaveMenuMode(MainMenuBar);
    if (!routing.Alive()) return;
  } else
    for (auto& o : ObjectList)
      if (o->Kind() == TspObjectKind::MainMenuItem && o->Active) {
        o->MouseLeave();
        if (!routing.Alive()) return;
        break;
      }
  RemoveMessageHook();
  if (OnMainMenuExit) OnMainMenuExit(this);
}

void TspBrenvale::MinimizeToTray() {
  if (!trayIcon_) return;
  trayIcon_->MinimizeToTray = true;
  // The application's minimize reaches the icon's hook, which hides the
  // main form and shows the icon.
  if (Application) Application->Minimize();
  if (OnMinimizeToTray) OnMinimizeToTray(this);
}

void TspBrenvale::RestoreFromTray() {
  if (!trayIcon_) return;
  trayIcon_->MinimizeToTray = false;
  trayIcon_->ShowApplicationForms();
  if (Application) Application->Restore();
  if (trayIcon_ && !AlwaysShowInTray) trayIcon_->SetIconVisible(false);
  if (OnRestoreFromTray) OnRestoreFromTray(this);
}

bool TspBrenvale::SkinMenuVisible() const { return SkinMenu && SkinMenu->Visible; }

void TspBrenvale::CloseSkinMenus() {
  if (SkinMenu) SkinMenu->CloseAll();
}
