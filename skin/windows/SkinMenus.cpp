// The skinned menu manager of a form and the skinned popup-menu component.
#include "skin/windows/SkinMenus.h"

#include <algorithm>

#include "platform/user/User.h"
#include "skin/engine/SPUtils.h"
#include "skin/engine/SkinData.h"

bool IsMenuCloseMessage(UINT Message) {
  switch (Message) {
    case WM_MOVE: case WM_SIZE: case WM_ACTIVATE: case WM_KILLFOCUS: case WM_CANCELMODE:
    case WM_MOUSEACTIVATE: case WM_NCLBUTTONDOWN: case WM_NCRBUTTONDOWN: case WM_NCMBUTTONDOWN:
    case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN: case WM_PARENTNOTIFY:
      return true;
    default:
      return false;
  }
}

// ---- TspSkinMenu --------------------------------------------------------------------------------

TspSkinMenu::TspSkinMenu(TComponent* AOwner, TCustomForm* AForm)
    : TComponent(AOwner), Form(AForm), defMenuItemFont_(std::make_unique<TFont>()) {
  defMenuItemFont_->SetName("Arial");
  defMenuItemFont_->SetStyle(0);
  defMenuItemFont_->SetHeight(14);
  SubMenuTimer = new TTimer(this);
  SubMenuTimer->SetEnabled(false);
  SubMenuTimer->SetInterval(500);
  SubMenuTimer->SetOnTimer([this](TObject*) {
    SubMenuTimer->SetEnabled(false);
    FreeClosedWindows();
    if (TspSkinMenuItem* r = SubMenuItem) ItemAction(r->Window, r, false, true);
  });
  freeTimer_ = new TTimer(this);
  freeTimer_->SetEnabled(false);
  freeTimer_->SetInterval(1);
  freeTimer_->SetOnTimer([this](TObject*) { FreeClosedWindows(); });
  if (Form) Form->FreeNotification(this);
}

TspSkinMenu::~TspSkinMenu() {
  *alive_ = false;
  OnMenuClose = nullptr;
  CloseFrom(0);
  Unhook();
  closed_.clear();
}

void TspSkinMenu::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == opener_) opener_ = nullptr;
  if (AComponent == command_) command_ = nullptr;
  if (AComponent == Form) Form = nullptr;
  if (AComponent == SkinData) {
    // The open levels draw from the skin's pictures: they go with it.
    SkinData = nullptr;
    if (!PopupWindows.empty()) CloseAll();
  }
  if (AComponent == SubMenuTimer) SubMenuTimer = nullptr;
  if (AComponent == freeTimer_) freeTimer_ = nullptr;
}

void TspSkinMenu::SetOpener(TControl* C) {
  if (opener_ && opener_ != command_) opener_->RemoveFreeNotification(this);
  opener_ = C;
  if (C) C->FreeNotification(this);
}

void TspSkinMenu::SetCommand(TControl* C) {
  if (command_ && command_ != opener_) command_->RemoveFreeNotification(this);
  command_ = C;
  if (C) C->FreeNotification(this);
}

void TspSkinMenu::Notify(TControl* C, UINT Msg) {
  if (!C) return;
  if (auto* w = dynamic_cast<TWinControl*>(C); w && w->HandleAllocated())
    SendMessage(w->Handle(), Msg, 0, 0);
  else
    C->Perform(Msg, 0, 0);
}

int TspSkinMenu::IndexOf(const TspSkinPopupWindow* Window) const {
  for (std::size_t i = 0; i < PopupWindows.size(); ++i)
    if (PopupWindows[i].get() == Window) return int(i);
  return int(PopupWindows.size());
}

TspSkinPopupWindow* TspSkinMenu::WindowAt(TPoint P) const {
  // Deeper levels lie on top.
  for (auto it = PopupWindows.rbegin(); it != PopupWindows.rend(); ++it) {
    TspSkinPopupWindow* w = it->get();
    if (!w->HandleAllocated() || !IsWindowVisible(w->Handle())) continue;
    RECT r{};
    GetWindowRect(w->Handle(), &r);
    if (TRect(r).Contains(P)) return w;
  }
  return nullptr;
}

void TspSkinMenu::FreeClosedWindows() {
  if (freeTimer_) freeTimer_->SetEnabled(false);
  closed_.clear();
}

void TspSkinMenu::Open(TControl* Control, TspSkinData* ASkinData, int StartIndex, const TRect& R, TMenuItem* ItemA,
                       TMenuItem* ItemB, bool PopupUp, bool Two) {
  FreeClosedWindows();
  FirstPopup = !Visible;
  if (!PopupWindows.empty()) CloseFrom(0);
  SetOpener(Control);
  HWND fh = Form && Form->HandleAllocated() ? Form->Handle() : nullptr;
  GetMonitorWorkArea(fh, true, WorkArea);
  if (SkinData != ASkinData) {
    if (SkinData) SkinData->RemoveFreeNotification(this);
    SkinData = ASkinData;
    if (SkinData) SkinData->FreeNotification(this);
  }
  if (!ItemA) return;
  const int total = ItemA->Count() + (Two && ItemB ? ItemB->Count() : 0);
  if (Two ? (ItemA->Count() == 0 || StartIndex >= total) : StartIndex >= ItemA->Count()) return;
  Visible = true;
  appActive_ = GetActiveWindow() != nullptr;
  Hook();
  OpenWindow(R, ItemA, ItemB, PopupUp, false, StartIndex, Two);
  FirstPopup = false;
}

void TspSkinMenu::PopupMenu(TControl* Control, TspSkinData* ASkinData, int StartIndex, const TRect& R,
                            TMenuItem* Item, bool PopupUp) {
  Open(Control, ASkinData, StartIndex, R, Item, nullptr, PopupUp, false);
}

void TspSkinMenu::PopupMenu2(TControl* Control, TspSkinData* ASkinData, int StartIndex, const TRect& R,
                             TMenuItem* ItemA, TMenuItem* ItemB, bool PopupUp) {
  Open(Control, ASkinData, StartIndex, R, ItemA, ItemB, PopupUp, true);
}

void TspSkinMenu::OpenWindow(const TRect& R, TMenuItem* ItemA, TMenuItem* ItemB, bool PopupUp, bool ByItem,
                             int StartIndex, bool Two) {
  TspDataSkinPopupWindow* d = SkinData && !SkinData->Empty ? &SkinData->PopupWindow : nullptr;
  auto w = std::make_unique<TspSkinPopupWindow>(nullptr, d, this);
  TspSkinPopupWindow* win = w.get();
  PopupWindows.push_back(std::move(w));
  auto alive = alive_;
  if (Two)
    win->Popup2(R, ItemA, ItemB, StartIndex, ByItem, PopupUp);
  else
    win->Popup(R, ItemA, StartIndex, ByItem, PopupUp);
  if (!*alive) return;
  if (PopupWindows.size() == 1 && PopupWindows[0].get() == win) Capture();
}

void TspSkinMenu::Capture() {
  TspSkinPopupWindow* first = PopupWindows.empty() ? nullptr : PopupWindows[0].get();
  if (first && first->HandleAllocated() && IsWindowVisible(first->Handle())) SetCapture(first->Handle());
}

void TspSkinMenu::ItemAction(TspSkinPopupWindow* Window, TspSkinMenuItem* Row, bool ByKeyboard, bool Execute) {
  TMenuItem* item = Row->Item;
  const int n = item->Count();
  const int index = IndexOf(Window);
  if (n == 0 && !Execute) {
    if (SubMenuTimer) SubMenuTimer->SetEnabled(false);
    SubMenuItem = nullptr;
    if (index + 1 < int(PopupWindows.size())) CloseFrom(index + 1);
    return;
  }
  if (n == 0) {
    if (SubMenuTimer) SubMenuTimer->SetEnabled(false);
    SubMenuItem = nullptr;
    // Closing frees the rows: what the command needs is taken first.
    TMenu* menu = item->GetParentMenu();
    auto menuAlive = menu ? menu->AliveToken() : nullptr;
    auto itemAlive = item->AliveToken();
    const Word command = item->Command();
    auto alive = alive_;
    CloseAll();
    if (menu && *menuAlive)
      menu->DispatchCommand(command);
    else if (*itemAlive)
      item->Click();
    if (*alive && command_) Notify(command_, SP_MENU_COMMAND);
    return;
  }
  if (!Execute && !ByKeyboard) {
    if (index + 1 < int(PopupWindows.size())) CloseFrom(index + 1);
    SubMenuItem = Row;
    if (SubMenuTimer) {
      SubMenuTimer->SetEnabled(false);
      SubMenuTimer->SetEnabled(true);
    }
    return;
  }
  if (!Execute) return;
  // The item's own click may fill its sub-menu first.
  auto rowWindowAlive = alive_;
  if (TMenu* menu = item->GetParentMenu())
    menu->DispatchCommand(item->Command());
  else
    item->Click();
  if (!*rowWindowAlive || IndexOf(Window) >= int(PopupWindows.size())) return;
  if (SubMenuTimer) SubMenuTimer->SetEnabled(false);
  SubMenuItem = nullptr;
  if (IndexOf(Window) + 1 < int(PopupWindows.size())) CloseFrom(IndexOf(Window) + 1);
  if (item->Count() == 0) return;
  Row->SubMenuOpen = true;
  RECT wr{};
  GetWindowRect(Window->Handle(), &wr);
  const TRect r{Row->Bounds.Left + wr.Left, Row->Bounds.Top + wr.Top, Row->Bounds.Right + wr.Left,
                Row->Bounds.Bottom + wr.Top};
  OpenWindow(r, item, nullptr, false, true, 0, false);
}

void TspSkinMenu::CloseFrom(int Index) {
  Index = std::max(Index, 0);
  while (int(PopupWindows.size()) > Index) {
    std::unique_ptr<TspSkinPopupWindow> w = std::move(PopupWindows.back());
    PopupWindows.pop_back();
    if (SubMenuItem && SubMenuItem->Window == w.get()) {
      if (SubMenuTimer) SubMenuTimer->SetEnabled(false);
      SubMenuItem = nullptr;
    }
    w->Retire();
    closed_.push_back(std::move(w));
    if (freeTimer_) freeTimer_->SetEnabled(true);
  }
  if (Index != 0) return;
  if (SubMenuTimer) SubMenuTimer->SetEnabled(false);
  const bool wasVisible = Visible;
  Visible = false;
  if (wasVisible) Unhook();
  SetCommand(opener_);
  auto alive = alive_;
  if (TControl* o = opener_) {
    SetOpener(nullptr);
    Notify(o, SP_MENU_CLOSED);
    if (!*alive) return;
  }
  if (OnMenuClose) {
    TNotifyEvent e = std::move(OnMenuClose);
    OnMenuClose = nullptr;
    e(this);
  }
}

void TspSkinMenu::CloseAll() {
  auto alive = alive_;
  CloseFrom(0);
  if (!*alive) return;
  if (SubMenuTimer) SubMenuTimer->SetEnabled(false);
  SubMenuItem = nullptr;
  if (Form && Form->HandleAllocated()) SendMessage(Form->Handle(), SP_MENU_CLOSED, 0, 0);
}

void TspSkinMenu::CheckActivation() {
  if (!Visible) return;
  if (GetActiveWindow()) {
    appActive_ = true;  // a menu opened while inactive closes on the next loss
    return;
  }
  if (appActive_) CloseAll();
}

bool TspSkinMenu::KeyDown(Word Key) {
  if (!Visible || PopupWindows.empty()) return false;
  FreeClosedWindows();
  PopupWindows.back()->KeyDown(Key);
  return true;
}

bool TspSkinMenu::PreTranslateMessage(MSG& Msg) {
  if (!Visible) return false;
  switch (Msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (Msg.wParam == VK_MENU || Msg.wParam == VK_F10) {
        CloseAll();
        return true;
      }
      KeyDown(Word(Msg.wParam));
      return true;
    case WM_KEYUP:
    case WM_SYSKEYUP:
    case WM_CHAR:
    case WM_SYSCHAR:
      return true;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN: {
      // Without the capture (taken away by someone else) a press elsewhere
      // still closes the menu and goes on to its window.
      POINT p{};
      GetCursorPos(&p);
      if (!WindowAt(TPoint{p.X, p.Y})) CloseAll();
      return false;
    }
    default:
      return false;
  }
}

void TspSkinMenu::Hook() {
  if (hooked_ || !HookApplicationMessages || !Application) return;
  hooked_ = true;
  savedOnMessage_ = Application->OnMessage;
  // Closing the menu puts the previous callback back while this one runs:
  // what it needs afterwards is copied out first.
  struct TState {
    std::weak_ptr<bool> alive;
    TMessageEvent previous;
  };
  auto state = std::make_shared<TState>(TState{alive_, savedOnMessage_});
  Application->OnMessage = [this, state](MSG& Msg, bool& Handled) {
    const std::shared_ptr<TState> st = state;
    if (auto a = st->alive.lock(); a && *a && PreTranslateMessage(Msg)) {
      Handled = true;
      return;
    }
    if (st->previous) st->previous(Msg, Handled);
  };
}

void TspSkinMenu::Unhook() {
  if (GetCapture()) {
    for (auto& w : closed_)
      if (w->HandleAllocated() && GetCapture() == w->Handle()) ReleaseCapture();
  }
  if (!hooked_) return;
  hooked_ = false;
  if (Application) Application->OnMessage = savedOnMessage_;
  savedOnMessage_ = nullptr;
}

// ---- TspSkinPopupMenu --------------------------------------------------------------------------

TspSkinPopupMenu::TspSkinPopupMenu(TComponent* AOwner) : TPopupMenu(AOwner) {}

TspSkinPopupMenu::~TspSkinPopupMenu() = default;

void TspSkinPopupMenu::SetSkinData(TspSkinData* Value) {
  if (skinData_ == Value) return;
  if (skinData_) skinData_->RemoveFreeNotification(this);
  skinData_ = Value;
  if (skinData_) skinData_->FreeNotification(this);
}

void TspSkinPopupMenu::Notification(TComponent* AComponent, TOperation Operation) {
  TPopupMenu::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == skinData_) skinData_ = nullptr;
  if (AComponent == ControllerForm) ControllerForm = nullptr;
}

TspSkinMenuController* TspSkinPopupMenu::FindController(TComponent* Component) {
  if (!Component) return nullptr;
  for (int i = 0; i < Component->ComponentCount(); ++i)
    if (auto* c = dynamic_cast<TspSkinMenuController*>(Component->Components(i))) return c;
  return nullptr;
}

void TspSkinPopupMenu::Show(TControl* Control, const TRect& R, bool PopupUp, bool NeedSkin) {
  if (OnPopup) OnPopup(this);
  TspSkinMenuController* c = Controller;
  if (!c) {
    if (ControllerForm) {
      c = FindController(ControllerForm);
    } else if (TComponent* o = Owner()) {
      if (dynamic_cast<TCustomForm*>(o))
        c = FindController(o);
      else if (o->Owner() && dynamic_cast<TCustomForm*>(o->Owner()))
        c = FindController(o->Owner());
    }
    if (c) {
      TCustomForm* f = c->ControllerForm();
      if (f && f->FormStyle() == fsMDIChild && Application && Application->MainForm())
        if (TspSkinMenuController* mc = FindController(Application->MainForm())) c = mc;
    }
  }
  if (c && !skinData_) SetSkinData(c->MenusSkinDataOf());
  if (!c) return;
  if (NeedSkin && !skinData_) return;
  TspSkinMenu* m = c->SkinMenuManager();
  if (!m) return;
  if (m->Visible) c->SkinMenuClosed();
  c->SkinMenuOpened();
  LastPopupPoint = TPoint{R.Left, R.Top};
  auto alive = m->alive_;
  shownBy_ = m;
  shownByAlive_ = alive;
  m->PopupMenu(Control, skinData_, 0, R, Items(), PopupUp);
  if (!*alive) return;
  if (!m->Visible) {
    // Nothing to show: the controller's menu state must not stay on (it
    // would hold the keys until the next Escape or click).
    c->SkinMenuClosed();
    return;
  }
  if (OnMenuClose) m->OnMenuClose = OnMenuClose;
}

bool TspSkinPopupMenu::MenuShowing() const {
  return shownByAlive_ && *shownByAlive_ && shownBy_->Visible;
}

void TspSkinPopupMenu::Popup(int X, int Y) { Show(nullptr, TRect{X, Y, X, Y}, false, false); }

void TspSkinPopupMenu::PopupAtButton(TControl* Button, const TRect& R, bool PopupUp) {
  Show(Button, R, PopupUp, false);
}

void TspSkinPopupMenu::PopupAtEdit(TControl* Edit, int X, int Y) { Show(Edit, TRect{X, Y, X, Y}, false, true); }

void TspSkinPopupMenu::PopupSkinMenuAtRect(const TRect& R, bool PopupUp) { Show(nullptr, R, PopupUp, false); }
