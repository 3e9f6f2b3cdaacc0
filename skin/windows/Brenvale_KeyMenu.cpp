// The keyboard while a skinned menu or main-menu mode is on: the
// application message hook that takes every key down (so none reaches the
// focused control) and the wheel, the key handling over the frame's
// main-menu items and the open popup levels, and the form's short cuts
// (Alt+Space, Alt+accelerator, the main menu's short cuts).
#include "platform/ui/forms/Application.h"
#include "platform/ui/controls/Controls.h"
#include "platform/ui/menus/Menus.h"
#include "platform/user/User.h"
#include "platform/user/input/Input.h"
#include "skin/windows/Brenvale.h"
#include "skin/windows/Brenvale_Internal.h"
#include "skin/windows/Brenvale_Objects.h"

struct TspBrenvale::TMessageHook {
  TMessageEvent Saved;
};

namespace {

// The frame main-menu items the keyboard reaches: enabled and fitting.
std::vector<TspSkinMainMenuItem*> KeyboardItems(const std::vector<std::unique_ptr<TspActiveSkinObject>>& List) {
  std::vector<TspSkinMainMenuItem*> out;
  for (auto& o : List)
    if (auto* m = dynamic_cast<TspSkinMainMenuItem*>(o.get()); m && m->Enabled && m->Fits) out.push_back(m);
  return out;
}

// The character a key stands for as an accelerator (punctuation and the
// number pad included), 0 for keys that make none: the key code itself is
// no character (F1..F12 would read as p..{).
Word AccelChar(Word K) {
  const UINT c = KeyCharacter(K, false, false, false, false);
  return c > 0x20 && c < 0x7F ? Word(c) : Word(0);
}

}  // namespace

// ---- The application message hook ---------------------------------------------------------------

void TspBrenvale::InstallMessageHook() {
  if (messageHook_ || !Application) return;
  auto hook = std::make_shared<TMessageHook>();
  hook->Saved = Application->OnMessage;
  messageHook_ = hook;
  const std::weak_ptr<bool> alive = alive_;
  Application->OnMessage = [this, alive](MSG& Msg, bool& Handled) {
    // The loop runs a copy of this callback: it may outlive the controller.
    const std::shared_ptr<bool> a = alive.lock();
    if (!a || !*a) return;
    if (Msg.message == WM_KEYDOWN) {
      const Word key = Word(Msg.wParam);
      Msg.message = WM_NULL;
      Handled = true;
      MenuKeyDown(key);
      return;
    }
    if (Msg.message == WM_MOUSEWHEEL) {
      Msg.message = WM_NULL;
      Handled = true;
    }
  };
}

void TspBrenvale::RemoveMessageHook() {
  if (!messageHook_) return;
  std::shared_ptr<TMessageHook> hook = std::move(messageHook_);
  messageHook_ = nullptr;
  if (Application) Application->OnMessage = hook->Saved;
}

// ---- Frame main-menu items under the keyboard ---------------------------------------------------

bool TspBrenvale::MainMenuAccel(Word Key) {
  const Word ch = AccelChar(Key);
  if (!ch) return false;
  if (MainMenuBar) return SkinBarLinks().FindAccel && SkinBarLinks().FindAccel(MainMenuBar, ch);
  for (TspSkinMainMenuItem* m : KeyboardItems(ObjectList)) {
    if (!m->MenuItem || !IsAccel(ch, m->MenuItem->Caption())) continue;
    const std::shared_ptr<bool> alive = alive_;
    TspBrenvaleRoutingGuard routing(this);
    const bool command = m->MenuItem->Count() == 0;
    m->MouseEnter();
    if (!*alive) return true;
    if (!SkinMenuOpen || command) {
      m->MouseDown(0, 0, TMouseButton::mbLeft);
      if (!*alive) return true;
    }
    // A command of the bar itself ran: the bar's keyboard mode is over.
    if (command && InMainMenu) ExitMainMenu();
    return true;
  }
  return false;
}

void TspBrenvale::NextMainMenuItem() {
  if (MainMenuBar) {
    if (SkinBarLinks().SelectNext) SkinBarLinks().SelectNext(MainMenuBar);
    return;
  }
  const std::vector<TspSkinMainMenuItem*> items = KeyboardItems(ObjectList);
  if (items.empty()) return;
  TspBrenvaleRoutingGuard routing(this);
  std::size_t current = items.size();
  for (std::size_t i = 0; i < items.size(); ++i)
    if (items[i]->Active || items[i]->Down) {
      current = i;
      break;
    }
  if (current == items.size()) {
    items.front()->MouseEnter();
    return;
  }
  items[current]->MouseLeave();
  if (!routing.Alive()) return;
  items[(current + 1) % items.size()]->MouseEnter();
}

void TspBrenvale::PreviousMainMenuItem() {
  if (MainMenuBar) {
    if (SkinBarLinks().SelectPrev) SkinBarLinks().SelectPrev(MainMenuBar);
    return;
  }
  const std::vector<TspSkinMainMenuItem*> items = KeyboardItems(ObjectList);
  if (items.empty()) return;
  TspBrenvaleRoutingGuard routing(this);
  std::size_t current = items.size();
  for (std::size_t i = items.size(); i-- > 0;)
    if (items[i]->Active || items[i]->Down) {
      current = i;
      break;
    }
  if (current == items.size()) {
    items.back()->MouseEnter();
    return;
  }
  items[current]->MouseLeave();
  if (!routing.Alive()) return;
  items[current == 0 ? items.size() - 1 : current - 1]->MouseEnter();
}

bool TspBrenvale::OpenCurrentMainMenuItem() {
  if (MainMenuBar) return SkinBarLinks().ExecuteActive && SkinBarLinks().ExecuteActive(MainMenuBar);
  for (TspSkinMainMenuItem* m : KeyboardItems(ObjectList)) {
    const bool command = !m->MenuItem || m->MenuItem->Count() == 0;
    if (!((m->Down && command) || (m->Active && !SkinMenuOpen))) continue;
    const std::shared_ptr<bool> alive = alive_;
    TspBrenvaleRoutingGuard routing(this);
    m->Active = false;
    m->MouseDown(0, 0, TMouseButton::mbLeft);
    if (!*alive) return true;
    if (command && InMainMenu) ExitMainMenu();
    return true;
  }
  return false;
}

// ---- Key handling -----------------------------------------------------------------------------------

void TspBrenvale::MenuKeyDown(Word K) {
  // An MDI child's menus show through the main form's controller.
  if (IsMDIChild() && Application && Application->MainForm()) {
    TspBrenvale* main = FindController(Application->MainForm());
    if (main && main != this && (main->SkinMenuOpen || main->InMainMenu || main->SkinMenuVisible())) {
      main->MenuKeyDown(K);
      return;
    }
  }
  const std::shared_ptr<bool> alive = alive_;
  if (InMainMenu && MainMenuAccel(K)) return;
  if (!*alive) return;
  const std::size_t open = SkinMenu->PopupWindows.size();
  if (K == VK_ESCAPE && InMainMenu && !SkinMenuOpen && !SkinMenuVisible()) {
    ExitMainMenu();
    return;
  }
  if (K == VK_LEFT && InMainMenu && open <= 1) {
    PreviousMainMenuItem();
    return;
  }
  if (K == VK_RIGHT && InMainMenu) {
    bool subMenu = false;
    if (open > 0) {
      TspSkinPopupWindow* last = SkinMenu->PopupWindows.back().get();
      if (last->SelectedRow >= 0 && last->SelectedRow < int(last->Items.size()))
        subMenu = last->Items[std::size_t(last->SelectedRow)]->Item->Count() > 0;
    }
    if (!subMenu) {
      NextMainMenuItem();
      return;
    }
  }
  if (K == VK_RETURN || K == VK_DOWN) {
    if (OpenCurrentMainMenuItem()) return;
    if (!*alive) return;
    if (SkinMenuVisible()) SkinMenu->KeyDown(K);
    return;
  }
  if (SkinMenuVisible()) {
    SkinMenu->KeyDown(K);
    if (!*alive) return;
  }
  if (K == VK_ESCAPE && SkinMenu->PopupWindows.empty()) {
    if (InMainMenu)
      BarMenuClosed();
    else if (SkinMenuOpen)
      SkinMenuClosed();
  }
}

// ---- Short cuts -------------------------------------------------------------------------------------

bool TspBrenvale::SystemMenuObjectRect(TRect& R) const {
  const TPoint org = WindowScreenOrigin();
  for (auto& o : ObjectList) {
    if (o->Command() != cmSysMenu || !o->Enabled) continue;
    if (o->Kind() != TspObjectKind::StdButton && !(o->Kind() == TspObjectKind::Animate && o->ButtonStyle())) continue;
    R = brenvale::Offset(o->ObjectRect, org.X, org.Y);
    return true;
  }
  // A skin without a system-menu button still has a system menu: it opens
  // below the caption's left end.
  if (!(borderIcons_ & spbiSystemMenu)) return false;
  const TRect cap = UseSkinFrame() ? FittedCaptionRect : DefCaptionRect;
  if (cap.Right <= cap.Left || cap.Bottom <= cap.Top) return false;
  R = TRect{org.X + cap.Left, org.Y + cap.Top, org.X + cap.Left, org.Y + cap.Bottom};
  return true;
}

void TspBrenvale::FormShortCut(TWMKey& Msg, bool& Handled) {
  const std::shared_ptr<bool> alive = alive_;
  if (OnShortCut) {
    OnShortCut(Msg, Handled);
    if (Handled || !*alive) return;
  }
  const bool altOnly = KeyDataToShiftState(Msg.KeyData) == ssAlt;
  if (altOnly && Msg.CharCode == VK_SPACE) {
    TRect r{};
    if (!DisableSystemMenu && SystemMenuObjectRect(r)) PopupSystemMenuAtRect(r);
    Handled = true;
    return;
  }
  TMainMenu* menu = mainMenu_;
  if (MainMenuBar) menu = SkinBarLinks().BarMainMenu ? SkinBarLinks().BarMainMenu(MainMenuBar) : nullptr;
  if (menu) {
    if (altOnly && Msg.CharCode != VK_F4 && MainMenuAccel(Msg.CharCode)) {
      Handled = true;
      return;
    }
    if (!*alive) return;
    Handled = menu->IsShortCut(Msg);
    if (Handled || !*alive) return;
  }
  // An MDI child's keys reach only its own form: the main form's bar, with
  // the child's menu merged in, hears what the child does not take.
  if (IsMDIChild()) {
    TCustomForm* main = Application ? static_cast<TCustomForm*>(Application->MainForm()) : nullptr;
    if (main && main != Form && main->HandleAllocated() && IsWindowEnabled(main->Handle()))
      Handled = main->IsShortCut(Msg);
    return;
  }
  // The merged menu of the active MDI child answers its own short cuts.
  TMainMenu* child = MainMenuBar && SkinBarLinks().BarChildMenu ? SkinBarLinks().BarChildMenu(MainMenuBar) : nullptr;
  if (!child) return;
  Handled = (altOnly && Msg.CharCode != VK_F4 && MainMenuAccel(Msg.CharCode));
  if (Handled || !*alive) return;
  Handled = child->IsShortCut(Msg);
}
