// MDI support of the skinned-form controller: the MDI form's client window
// (its hook paints the background and takes the border away), maximized
// children refitted to the free client area, minimized ones put back in
// their slots, and the window-menu items of MDI children.
#include <map>

#include "platform/ui/forms/Application.h"
#include "platform/ui/menus/Menus.h"
#include "platform/user/User.h"
#include "skin/engine/SkinData.h"
#include "skin/windows/Brenvale.h"

namespace {

constexpr const char* kChildItemSuffix = "_BVLCHILDITEM";

// One hook per MDI client window: the controller it paints for and the
// procedure it replaced.
struct TMdiClientHook {
  TspBrenvale* controller;
  WNDPROC oldProc;
};
std::map<HWND, TMdiClientHook>& MdiClientHooks() {
  static std::map<HWND, TMdiClientHook> hooks;
  return hooks;
}

LRESULT MdiClientHookProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  auto it = MdiClientHooks().find(h);
  if (it == MdiClientHooks().end()) return DefWindowProc(h, msg, wp, lp);
  const TMdiClientHook hook = it->second;
  if (msg == WM_NCDESTROY) {
    // The window goes: the hook with it.
    MdiClientHooks().erase(it);
    SetWindowLongPtr(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(hook.oldProc));
    return CallWindowProc(hook.oldProc, h, msg, wp, lp);
  }
  return hook.controller->MDIClientWndProc(h, msg, wp, lp, hook.oldProc);
}

// The item's name less the first suffix.
std::string ChildNameOfItem(const std::string& itemName) {
  std::string name = itemName;
  const std::size_t at = name.find(kChildItemSuffix);
  if (at != std::string::npos) name.erase(at, std::char_traits<char>::length(kChildItemSuffix));
  return name;
}

bool IsChildItem(const TMenuItem* item) {
  return item && item->Name().find(kChildItemSuffix) != std::string::npos;
}

TCustomForm* MainFormOf() { return Application ? static_cast<TCustomForm*>(Application->MainForm()) : nullptr; }

}  // namespace

// ---- The MDI client window ------------------------------------------------------------

bool TspBrenvale::MDIClientHooked() const {
  const HWND client = Form->ClientHandle();
  if (!client) return false;
  auto it = MdiClientHooks().find(client);
  return it != MdiClientHooks().end() && it->second.controller == this;
}

void TspBrenvale::HookMDIClient() {
  const HWND client = Form->ClientHandle();
  if (!IsMDIForm() || !client || !IsWindow(client)) return;
  auto it = MdiClientHooks().find(client);
  if (it != MdiClientHooks().end()) {
    // Hooked before (by this controller or one gone since): the procedure
    // saved then stays the one everything else goes to.
    it->second.controller = this;
  } else {
    const LONG_PTR old = SetWindowLongPtr(client, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MdiClientHookProc));
    MdiClientHooks()[client] = TMdiClientHook{this, reinterpret_cast<WNDPROC>(old)};
  }
  // The hook takes the client window's border away.
  SetWindowPos(client, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(client, nullptr, TRUE);
}

void TspBrenvale::UnhookMDIClient() {
  for (auto it = MdiClientHooks().begin(); it != MdiClientHooks().end(); ++it) {
    if (it->second.controller != this) continue;
    const HWND client = it->first;
    const WNDPROC old = it->second.oldProc;
    MdiClientHooks().erase(it);
    if (IsWindow(client)) {
      SetWindowLongPtr(client, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
      SetWindowPos(client, nullptr, 0, 0, 0, 0,
                   SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return;
  }
}

LRESULT TspBrenvale::MDIClientWndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp, WNDPROC old) {
  switch (msg) {
    case WM_SIZE: {
      const LRESULT r = CallWindowProc(old, h, msg, wp, lp);
      const std::shared_ptr<bool> alive = alive_;
      RefitMDIChildren(false);
      if (!*alive || !IsWindow(h)) return r;
      bool stretched = !logoBitMap_->Empty();
      if (SkinApplied && skinData_) {
        const TspSkinData& s = *skinData_;
        if ((s.stretcheffect && s.mdibgpictureindex == -1) || (s.mdibgstretcheffect && s.mdibgpictureindex != -1))
          stretched = true;
      }
      if (stretched) InvalidateRect(h, nullptr, TRUE);
      return r;
    }
    case WM_NCCALCSIZE:
    case WM_NCPAINT:
      return 0;
    case WM_ERASEBKGND:
      PaintMDIClientBackground(reinterpret_cast<HDC>(wp));
      return 1;
    case WM_NCACTIVATE:
      return 1;
    default:
      return CallWindowProc(old, h, msg, wp, lp);
  }
}

// ---- Children ---------------------------------------------------------------------------

void TspBrenvale::RefitMDIChildren(bool Minimized) {
  if (!IsMDIForm()) return;
  const std::shared_ptr<bool> alive = alive_;
  // The list is taken first: a refit may re-stack the children.
  std::vector<TCustomForm*> children;
  for (int i = 0; i < Form->MDIChildCount(); ++i) children.push_back(Form->MDIChildren(i));
  for (TCustomForm* c : children) {
    if (!*alive) return;
    if (c->HandleAllocated()) SendMessage(c->Handle(), SPMSG_MDICHILDREFIT, 0, 0);
  }
  if (!Minimized) return;
  for (TCustomForm* c : children) {
    if (!*alive) return;
    TspBrenvale* k = FindController(c);
    if (k && k->WindowState == spwsMinimized) k->PlaceInMinimizedSlot();
  }
}

// ---- Window-menu items of an MDI child -----------------------------------------------

TMenuItem* TspBrenvale::MainWindowMenu() const {
  TCustomForm* main = MainFormOf();
  if (!main || main == Form || !FindController(main)) return nullptr;
  return main->WindowMenu();
}

void TspBrenvale::AddChildWindowMenuItem() {
  TMenuItem* menu = MainWindowMenu();
  if (!menu) return;
  const std::string name = Form->Name() + kChildItemSuffix;
  for (int i = 0; i < menu->Count(); ++i)
    if (menu->Items(i)->Owner() == this && menu->Items(i)->Name() == name) return;  // added already
  auto* item = new TMenuItem(this);
  item->SetName(name);
  item->SetCaption(Form->Caption());
  item->OnClick = [item](TObject*) {
    TCustomForm* main = MainFormOf();
    if (!main) return;
    const std::string childName = ChildNameOfItem(item->Name());
    // The first child of that name answers.
    for (int i = 0; i < main->MDIChildCount(); ++i) {
      TCustomForm* child = main->MDIChildren(i);
      if (child->Name() != childName) continue;
      const auto alive = child->AliveToken();
      if (TspBrenvale* k = FindController(child); k && k->WindowState == spwsMinimized)
        k->ChangeWindowState(spwsNormal);
      if (*alive) child->Show();
      return;
    }
  };
  menu->Add(item);
  // The child may have been made active before its item was there.
  CheckChildWindowMenuItems();
}

void TspBrenvale::RemoveChildWindowMenuItem() {
  TCustomForm* main = MainFormOf();
  TMenuItem* menu = MainWindowMenu();
  if (!menu) return;
  for (int i = 0; i < menu->Count(); ++i) {
    TMenuItem* item = menu->Items(i);
    if (IsChildItem(item) && ChildNameOfItem(item->Name()) == Form->Name()) {
      menu->Delete(i);
      delete item;
      break;
    }
  }
  // The last child going takes any item left behind with it.
  bool others = false;
  for (int i = 0; main && i < main->MDIChildCount(); ++i)
    if (main->MDIChildren(i) != Form && main->MDIChildren(i)->Visible()) others = true;
  if (others) return;
  for (int i = 0; i < menu->Count(); ++i)
    if (TMenuItem* item = menu->Items(i); IsChildItem(item)) {
      menu->Delete(i);
      delete item;
      break;
    }
}

void TspBrenvale::UpdateChildWindowMenuItem() {
  TMenuItem* menu = MainWindowMenu();
  if (!menu) return;
  for (int i = 0; i < menu->Count(); ++i)
    if (TMenuItem* item = menu->Items(i); IsChildItem(item) && ChildNameOfItem(item->Name()) == Form->Name()) {
      item->SetCaption(Form->Caption());
      return;
    }
}

void TspBrenvale::CheckChildWindowMenuItems() {
  TCustomForm* main = MainFormOf();
  TMenuItem* menu = MainWindowMenu();
  if (!menu) return;
  TCustomForm* active = main->ActiveMDIChild();
  for (int i = 0; i < menu->Count(); ++i)
    if (TMenuItem* item = menu->Items(i); IsChildItem(item))
      item->SetChecked(active && ChildNameOfItem(item->Name()) == active->Name());
}

void TspBrenvale::MDIChildDestroyed() {
  WindowState = spwsNormal;
  const std::shared_ptr<bool> alive = alive_;
  if (TCustomForm* main = MainFormOf(); main && main != Form) main->Perform(SPMSG_MDICHILDRESTORED, 0, 0);
  if (!*alive) return;
  // A child destroyed while shown never hears that it was hidden: its tab
  // must not outlive it.
  RemoveChildTab();
  RefreshMainBars();
}

TspBrenvale* TspBrenvale::MainController() const {
  TCustomForm* main = MainFormOf();
  if (!main || main == Form) return nullptr;
  return FindController(main);
}

void TspBrenvale::AddChildTab() {
  TspBrenvale* main = MainController();
  if (!main || !main->MDITabsBar || !SkinBarLinks().AddTab) return;
  SkinBarLinks().AddTab(main->MDITabsBar, Form);
  // The child was made active before it showed: its new tab says so.
  if (main->MDITabsBar && SkinBarLinks().UpdateActiveTab) SkinBarLinks().UpdateActiveTab(main->MDITabsBar);
}

void TspBrenvale::RemoveChildTab() {
  TspBrenvale* main = MainController();
  if (main && main->MDITabsBar && SkinBarLinks().RemoveTab) SkinBarLinks().RemoveTab(main->MDITabsBar, Form);
}

void TspBrenvale::RefreshMainBars() {
  TspBrenvale* main = MainController();
  if (!main) return;
  const std::shared_ptr<bool> alive = main->alive_;
  if (main->MainMenuBar && SkinBarLinks().Rebuild) SkinBarLinks().Rebuild(main->MainMenuBar);
  if (!*alive) return;
  if (main->MDITabsBar && SkinBarLinks().UpdateActiveTab) SkinBarLinks().UpdateActiveTab(main->MDITabsBar);
}

void TspBrenvale::MDIChildActivated(bool Active) {
  if (NCActive != Active) {
    NCActive = Active;
    if (!Active) HoverTest(-1, -1, false);
    if (ZoomedChild() || !Framed()) {
      UpdateCaptionActivation(false);
    } else {
      PaintNCNow();
      UpdateCaptionActivation(true);
    }
  }
  CheckChildWindowMenuItems();
  RefreshMainBars();
}
