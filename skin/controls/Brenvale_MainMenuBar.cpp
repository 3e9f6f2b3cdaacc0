// The skinned main menu bar: construction, skin, items and the merge with
// an MDI child's menu, the child system buttons, layout, painting, mouse
// tracking and the keyboard operations the controller drives. The objects
// themselves are in Brenvale_MainMenuBar_Objects.cpp.
#include "skin/controls/Brenvale_MainMenuBar.h"

#include <algorithm>

#include "platform/ui/forms/Application.h"
#include "platform/rtl/Clock.h"
#include "platform/user/User.h"
#include "skin/engine/SPUtils.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinDataControls.h"
#include "skin/engine/SkinDataObjects.h"
#include "skin/windows/SkinMenus.h"

namespace {

constexpr int kMenuBarMarkerWidth = 5;

TCustomForm* MenuBarMainForm() { return Application ? static_cast<TCustomForm*>(Application->MainForm()) : nullptr; }

// The first main menu owned by a form.
TMainMenu* MenuBarFirstMainMenu(TCustomForm* form) {
  if (!form) return nullptr;
  for (int i = 0; i < form->ComponentCount(); ++i)
    if (auto* m = dynamic_cast<TMainMenu*>(form->Components(i))) return m;
  return nullptr;
}

const bool kMenuBarLinks = [] {
  TspSkinBarLinks& l = SkinBarLinks();
  l.ShowChildButtons = [](TspSkinMainMenuBar* b) { b->ShowChildButtons(); };
  l.UpdateChildButtons = [](TspSkinMainMenuBar* b) { b->UpdateChildButtons(); };
  l.Rebuild = [](TspSkinMainMenuBar* b) { b->Rebuild(); };
  l.EnterMenuMode = [](TspSkinMainMenuBar* b) { b->EnterMenuMode(); };
  l.LeaveMenuMode = [](TspSkinMainMenuBar* b) { b->LeaveMenuMode(); };
  l.ReleaseDownItem = [](TspSkinMainMenuBar* b) { b->ReleaseDownItem(); };
  l.SelectNext = [](TspSkinMainMenuBar* b) { b->SelectNext(); };
  l.SelectPrev = [](TspSkinMainMenuBar* b) { b->SelectPrev(); };
  l.FindAccel = [](TspSkinMainMenuBar* b, Word k) { return b->FindAccel(k); };
  l.ExecuteActive = [](TspSkinMainMenuBar* b) { return b->ExecuteActive(); };
  l.BarMainMenu = [](TspSkinMainMenuBar* b) { return b->MainMenu(); };
  l.BarChildMenu = [](TspSkinMainMenuBar* b) { return b->ChildMainMenu(); };
  return true;
}();

}  // namespace

// ---- Construction -------------------------------------------------------------------------

TspSkinMainMenuBar::TspSkinMainMenuBar(TComponent* AOwner)
    : TspSkinControl(AOwner), defItemFont_(std::make_unique<TFont>()) {
  // The whole bar paints in WM_ERASEBKGND, so the background must be erased.
  ControlStyle &= ~csOpaque;
  SetSkinDataName("mainmenubar");
  SetAlign(alTop);
  SetHeight(22);
  MorphTimer = new TTimer(this);
  MorphTimer->SetEnabled(false);
  MorphTimer->SetInterval(25);
  MorphTimer->SetOnTimer([this](TObject*) { MorphTimerTick(); });
  HoverTimer = new TTimer(this);
  HoverTimer->SetEnabled(false);
  HoverTimer->SetInterval(50);
  HoverTimer->SetOnTimer([this](TObject*) { HoverTimerTick(); });
  AnimateTimer = new TTimer(this);
  AnimateTimer->SetEnabled(false);
  AnimateTimer->SetInterval(25);
  AnimateTimer->SetOnTimer([this](TObject*) { AnimateTimerTick(); });
  defItemFont_->SetName("Arial");
  defItemFont_->SetHeight(14);
  defItemFont_->SetStyle(0);
  defItemFont_->SetColor(clBtnText);
}

TspSkinMainMenuBar::~TspSkinMainMenuBar() {
  *alive_ = false;
  ObjectList.clear();
  delete MorphTimer;
  delete HoverTimer;
  delete AnimateTimer;
  MorphTimer = HoverTimer = AnimateTimer = nullptr;
}

void TspSkinMainMenuBar::SetDefItemFont(const TFont* v) {
  if (v) defItemFont_->Assign(v);
  if (!Skinned) Invalidate();
}

void TspSkinMainMenuBar::SetDefaultWidth(int v) {
  defaultWidth_ = v;
  if (!Skinned && v > 0) SetWidth(v);
}

void TspSkinMainMenuBar::SetDefaultHeight(int v) {
  defaultHeight_ = v;
  if (!Skinned && v > 0) SetHeight(v);
}

void TspSkinMainMenuBar::SetBrenvale(TspBrenvale* v) {
  if (brenvale_ == v) return;
  brenvale_ = v;
  if (v) v->FreeNotification(this);
}

void TspSkinMainMenuBar::SetMainMenu(TMainMenu* v) {
  mainMenu_ = v;
  if (v) v->FreeNotification(this);
  BuildItems();
  Invalidate();
}

void TspSkinMainMenuBar::Notification(TComponent* AComponent, TOperation Operation) {
  TspSkinControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == brenvale_) brenvale_ = nullptr;
  if (AComponent == childMenu_) {
    // The items of a freed child menu must not stay on the bar.
    childMenu_ = nullptr;
    FreeObjects();
    if (!(ComponentState() & csDestroying)) Invalidate();
  }
  if (AComponent == mainMenu_) {
    mainMenu_ = nullptr;
    FreeObjects();
    if (!(ComponentState() & csDestroying)) Invalidate();
  }
}

// ---- Skin -----------------------------------------------------------------------------------

TspDataSkinMainMenuBar* TspSkinMainMenuBar::Description() const {
  if (ControlIndex < 0 || !SkinData() || std::size_t(ControlIndex) >= SkinData()->SkinControls.size()) return nullptr;
  return dynamic_cast<TspDataSkinMainMenuBar*>(SkinData()->SkinControls[std::size_t(ControlIndex)].get());
}

void TspSkinMainMenuBar::GetSkinData() {
  TspSkinControl::GetSkinData();
  TspDataSkinMainMenuBar* d = Description();
  if (!d) return;
  SkinRect = d->skinrect;
  ItemsRect = d->itemsrect;
  MenuBarItem = d->menubaritem;
  MaxButton = d->maxbutton;
  MinButton = d->minbutton;
  SysMenuButton = d->sysmenubutton;
  CloseButton = d->closebutton;
  TrackMarkColor = TColor(d->trackmarkcolor);
  TrackMarkActiveColor = TColor(d->trackmarkactivecolor);
  StretchEffect = d->stretcheffect;
  ItemTransparent = d->itemtransparent;
  SkinPicture = SkinData()->GetActivePicture(d->pictureindex);
}

void TspSkinMainMenuBar::ChangeSkinData() {
  GetSkinData();
  Skinned = Description() != nullptr;
  BuildItems();
  if (Skinned)
    SetHeight(SkinRect.Height());
  else if (defaultHeight_ > 0)
    SetHeight(defaultHeight_);
  Invalidate();
}

void TspSkinMainMenuBar::ResetSkinIndex() {
  Skinned = false;
  TspSkinControl::ResetSkinIndex();
  FreeObjects();
}

void TspSkinMainMenuBar::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  GetSkinData();
  if (Description()) AHeight = SkinRect.Height();
  TspSkinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  Invalidate();
}

// ---- Items ------------------------------------------------------------------------------------

void TspSkinMainMenuBar::FreeObjects() {
  // Every stored index would point into the old list.
  HoveredIndex = LastHoveredIndex = PressedIndex = -1;
  ObjectList.clear();
  ButtonsCount = 0;
}

TMainMenu* TspSkinMainMenuBar::ChildMainMenu() const {
  if (!brenvale_ || !brenvale_->Form || brenvale_->Form->FormStyle() != fsMDIForm) return nullptr;
  return MenuBarFirstMainMenu(brenvale_->Form->ActiveMDIChild());
}

void TspSkinMainMenuBar::BuildItems() {
  FreeObjects();
  if (childMenu_) childMenu_->RemoveFreeNotification(this);
  childMenu_ = ChildMainMenu();
  if (childMenu_) childMenu_->FreeNotification(this);
  MergedMenu = childMenu_ != nullptr;
  if (!mainMenu_) return;
  TspDataSkinMainMenuBarItem* itemDescription = nullptr;
  if (SkinData() && !SkinData()->Empty && Description())
    itemDescription = SkinData()->FindObject<TspDataSkinMainMenuBarItem>(MenuBarItem);
  std::vector<TMenuItem*> items;
  if (childMenu_) {
    ScrollMenu = false;
    TMenuItem* own = mainMenu_->Items();
    TMenuItem* child = childMenu_->Items();
    for (int i = 0; i < own->Count(); ++i) {
      bool replaced = false;
      for (int j = 0; j < child->Count() && !replaced; ++j)
        replaced = child->Items(j)->GroupIndex() == own->Items(i)->GroupIndex();
      if (!replaced) items.push_back(own->Items(i));
    }
    for (int j = 0; j < child->Count(); ++j) items.push_back(child->Items(j));
    std::stable_sort(items.begin(), items.end(),
                     [](TMenuItem* a, TMenuItem* b) { return a->GroupIndex() < b->GroupIndex(); });
  } else {
    for (int i = 0; i < mainMenu_->Items()->Count(); ++i) items.push_back(mainMenu_->Items()->Items(i));
  }
  for (TMenuItem* m : items) {
    if (!m->Visible()) continue;
    auto item = std::make_unique<TspSkinMainMenuBarItem>(this, itemDescription);
    item->IDName = m->Name();
    item->Enabled = m->Enabled();
    item->SavedEnabled = item->Enabled;
    item->MenuItem = m;
    ObjectList.push_back(std::move(item));
  }
  if (ChildButtons) CreateChildButtons();
}

void TspSkinMainMenuBar::Rebuild() {
  BuildItems();
  Invalidate();
  HoveredIndex = LastHoveredIndex = PressedIndex = -1;
  if (HoverTimer) HoverTimer->SetEnabled(true);
}

// ---- Child system buttons ------------------------------------------------------------------

TCustomForm* TspSkinMainMenuBar::MaximizedChild() const {
  TCustomForm* main = MenuBarMainForm();
  if (!main) return nullptr;
  for (int i = 0; i < main->MDIChildCount(); ++i) {
    TCustomForm* c = main->MDIChildren(i);
    if (TspBrenvale* k = FindController(c); k && k->WindowState == spwsMaximized) return c;
  }
  return nullptr;
}

void TspSkinMainMenuBar::CreateChildButtons() {
  // Drop any buttons left from before: they are the first objects.
  while (!ObjectList.empty() && dynamic_cast<TspSkinMainMenuBarButton*>(ObjectList.front().get()))
    ObjectList.erase(ObjectList.begin());
  ButtonsCount = 0;
  struct TChildButtonPlan {
    const char* defaultName;
    int command;
    const std::string* objectName;
  };
  const TChildButtonPlan plans[4] = {{"MinButton", mbcMinimize, &MinButton},
                                {"MaxButton", mbcRestore, &MaxButton},
                                {"CloseButton", mbcClose, &CloseButton},
                                {"SysMenuButton", mbcSysMenu, &SysMenuButton}};
  const bool described = Description() != nullptr && SkinData();
  for (const TChildButtonPlan& s : plans) {
    TspDataSkinMainMenuBarButton* d =
        described ? SkinData()->FindObject<TspDataSkinMainMenuBarButton>(*s.objectName) : nullptr;
    auto b = std::make_unique<TspSkinMainMenuBarButton>(this, d);
    if (!d) {
      b->IDName = s.defaultName;
      b->Command = s.command;
    } else if (b->Command < mbcClose || b->Command > mbcSysMenu) {
      // A description naming another command keeps its place's command.
      b->Command = s.command;
    }
    ObjectList.insert(ObjectList.begin(), std::move(b));
    ++ButtonsCount;
  }
  UpdateButtonsVisibility();
}

void TspSkinMainMenuBar::UpdateButtonsVisibility() {
  // The child's own controller holds its border icons: a skinned form's
  // framework icons are always empty.
  TCustomForm* child = MaximizedChild();
  TspBrenvale* k = child ? FindController(child) : nullptr;
  const TspBorderIcons icons = k ? k->BorderIcons() : (spbiSystemMenu | spbiMinimize);
  for (int i = 0; i < ButtonsCount && i < int(ObjectList.size()); ++i) {
    auto* b = dynamic_cast<TspSkinMainMenuBarButton*>(ObjectList[std::size_t(i)].get());
    if (!b) continue;
    b->Visible = true;
    if (b->Command == mbcMinimize && !(icons & spbiMinimize)) b->Visible = false;
    if (b->Command == mbcSysMenu && !(icons & spbiSystemMenu)) b->Visible = false;
  }
}

void TspSkinMainMenuBar::ShowChildButtons() {
  if (ChildButtons) return;
  ChildButtons = true;
  HoveredIndex = LastHoveredIndex = PressedIndex = -1;
  CreateChildButtons();
  Invalidate();
}

void TspSkinMainMenuBar::UpdateChildButtons() {
  if (!MaximizedChild()) {
    if (!ChildButtons) return;
    ChildButtons = false;
    while (!ObjectList.empty() && dynamic_cast<TspSkinMainMenuBarButton*>(ObjectList.front().get()))
      ObjectList.erase(ObjectList.begin());
    ButtonsCount = 0;
    HoveredIndex = LastHoveredIndex = PressedIndex = -1;
    Invalidate();
    return;
  }
  UpdateButtonsVisibility();
  Invalidate();
}

void TspSkinMainMenuBar::MenuClosed() {
  for (int i = 0; i < int(ObjectList.size()); ++i) {
    auto* b = dynamic_cast<TspSkinMainMenuBarButton*>(ObjectList[std::size_t(i)].get());
    if (!b || b->Command != mbcSysMenu || !b->Down) continue;
    // A press on the button closed its menu soon after the press that
    // opened it: a double click.
    if (SysPressed && HandleAllocated() && GetKeyState(VK_LBUTTON) < 0 &&
        GetTickCount() - SysPressTime <= GetDoubleClickTime()) {
      POINT p{};
      GetCursorPos(&p);
      ::ScreenToClient(Handle(), &p);
      if (b->ObjectRect.Contains(TPoint{p.X, p.Y})) PostMessage(Handle(), kSysButtonDblClick, 0, 0);
    }
    SysPressed = false;
    if (i != HoveredIndex) {
      b->Active = false;
      b->PointerInside = false;
    }
    b->Down = false;
    b->StartMorph();
  }
}

// ---- Layout and painting -----------------------------------------------------------------

void TspSkinMainMenuBar::CalcLayout() {
  if (Skinned && Description())
    FittedItemsRect = TRect{ItemsRect.Left, ItemsRect.Top, Width() + ItemsRect.Right - SkinRect.Width(),
                            ItemsRect.Bottom};
  else
    FittedItemsRect = TRect{2, 2, Width() - 2, Height() - 2};
  if (!ChildButtons || ButtonsCount != 4 || ObjectList.size() < 4) return;
  TRect& r = FittedItemsRect;
  auto place = [&](TspSkinMainMenuBarButton* b, bool left) {
    int w, top, bottom;
    if (b->Skinned) {
      w = b->SkinRect.Width();
      const int h = b->SkinRect.Height();
      top = r.Top + r.Height() / 2 - h / 2;
      bottom = top + h;
    } else {
      w = r.Height();
      top = r.Top;
      bottom = r.Bottom;
    }
    if (left) {
      b->ObjectRect = TRect{r.Left, top, r.Left + w, bottom};
      r.Left += w + 2;
    } else {
      b->ObjectRect = TRect{r.Right - w, top, r.Right, bottom};
      r.Right -= w + 2;
    }
  };
  place(static_cast<TspSkinMainMenuBarButton*>(ObjectList[0].get()), true);
  for (std::size_t i = 1; i < 4; ++i) place(static_cast<TspSkinMainMenuBarButton*>(ObjectList[i].get()), false);
}

TRect TspSkinMainMenuBar::MarkerRect() const {
  return TRect{FittedItemsRect.Right - kMenuBarMarkerWidth, FittedItemsRect.Top, FittedItemsRect.Right,
               FittedItemsRect.Bottom};
}

void TspSkinMainMenuBar::PaintBar(TCanvas* C) {
  GetSkinData();
  const int W = Width(), H = Height();
  if (W <= 0 || H <= 0) return;
  TBitmap B;
  B.SetPixelFormat(pf24bit);
  B.SetSize(W, H);
  TCanvas* bc = B.Canvas();
  TspDataSkinMainMenuBar* d = Description();
  if (!d) {
    bc->Brush()->SetColor(clBtnFace);
    bc->FillRect(TRect{0, 0, W, H});
  } else if (SkinData()->mainmenubartransparent) {
    PaintParentImage(this, bc);
  } else if (SkinPicture && !SkinRect.IsEmpty()) {
    TBitmap strip;
    CreateHSkinImage(ItemsRect.Left, SkinRect.Width() - ItemsRect.Right, &strip, SkinPicture, SkinRect, W,
                     StretchEffect);
    bc->Draw(0, 0, &strip);
  } else {
    bc->Brush()->SetColor(clBtnFace);
    bc->FillRect(TRect{0, 0, W, H});
  }
  CalcLayout();
  Overflow = false;
  for (auto& o : ObjectList)
    if (o->Visible) o->Draw(bc);
  if (Overflow && ScrollMenu) {
    TColor c = d ? (MarkerActive ? TrackMarkActiveColor : TrackMarkColor) : (MarkerActive ? clBtnText : clBtnShadow);
    DrawArrowImage(bc, MarkerRect(), c, 2);
  }
  C->Draw(0, 0, &B);
}

void TspSkinMainMenuBar::Dispatch(TMessage& M) {
  switch (M.Msg) {
    case WM_ERASEBKGND: {
      TCanvas c;
      c.SetHandle(reinterpret_cast<HDC>(M.WParam));
      PaintBar(&c);
      c.SetHandle(nullptr);
      M.Result = 1;
      return;
    }
    case WM_SIZE:
      TspSkinControl::Dispatch(M);
      CalcLayout();
      return;
    case WM_MOVE:
      TspSkinControl::Dispatch(M);
      if (Skinned && SkinData() && SkinData()->mainmenubartransparent && Align() == alNone) Invalidate();
      return;
    case WM_SPBACKGROUNDCHANGED:
      if (Skinned && SkinData() && SkinData()->mainmenubartransparent) Invalidate();
      return;
    case SPMSG_MENUCLOSED:
      MenuClosed();
      return;
    case kSysButtonDblClick:
      for (auto& o : ObjectList)
        if (auto* b = dynamic_cast<TspSkinMainMenuBarButton*>(o.get()); b && b->Command == mbcSysMenu) {
          b->DblClick();
          return;
        }
      return;
    case CM_MOUSEENTER:
      TspSkinControl::Dispatch(M);
      if (OnMouseEnter) OnMouseEnter(this);
      if (HoverTimer) HoverTimer->SetEnabled(true);
      return;
    case CM_MOUSELEAVE: {
      TspSkinControl::Dispatch(M);
      const auto alive = alive_;
      if (OnMouseLeave) OnMouseLeave(this);
      if (!*alive) return;
      if (HoverTimer) HoverTimer->SetEnabled(false);
      TestMouse(-1, -1);
      return;
    }
    default:
      break;
  }
  TspSkinControl::Dispatch(M);
}

// ---- Mouse -----------------------------------------------------------------------------------

void TspSkinMainMenuBar::TestMouse(int X, int Y) {
  if (ObjectList.empty()) return;
  LastHoveredIndex = HoveredIndex;
  int candidate = -1;
  for (int i = 0; i < int(ObjectList.size()); ++i) {
    TspMenuBarObject* o = ObjectList[std::size_t(i)].get();
    if (o->Enabled && o->ObjectRect.Contains(TPoint{X, Y})) {
      candidate = i;
      break;
    }
  }
  const bool lastIsItem = LastHoveredIndex >= 0 && LastHoveredIndex < int(ObjectList.size()) &&
                          dynamic_cast<TspSkinMainMenuBarItem*>(ObjectList[std::size_t(LastHoveredIndex)].get());
  if (candidate == -1 && MenuActive && lastIsItem) {
    // The open menu's item stays lit while the pointer is away.
  } else {
    HoveredIndex = candidate;
  }
  if (PressedIndex != -1 && HoveredIndex != PressedIndex) HoveredIndex = -1;
  if (HoveredIndex >= int(ObjectList.size())) HoveredIndex = -1;
  if (LastHoveredIndex >= int(ObjectList.size())) LastHoveredIndex = -1;
  const auto alive = alive_;
  if (HoveredIndex != LastHoveredIndex) {
    const std::size_t before = ObjectList.size();
    if (LastHoveredIndex != -1) {
      TspMenuBarObject* o = ObjectList[std::size_t(LastHoveredIndex)].get();
      if (o->Enabled) o->MouseLeave();
      if (!*alive || ObjectList.size() != before) return;
    }
    if (HoveredIndex != -1) {
      TspMenuBarObject* o = ObjectList[std::size_t(HoveredIndex)].get();
      if (o->Enabled) o->MouseEnter();
      if (!*alive) return;
    }
  }
  if (Overflow && ScrollMenu) {
    const bool in = MarkerRect().Contains(TPoint{X, Y});
    if (in != MarkerActive) {
      MarkerActive = in;
      Invalidate();
    }
  }
}

void TspSkinMainMenuBar::HoverTimerTick() {
  if (!HandleAllocated()) return;
  POINT p{};
  GetCursorPos(&p);
  ::ScreenToClient(Handle(), &p);
  int x = p.X, y = p.Y;
  if (x < 0 || y < 0 || x > Width() || y > Height()) {
    if (!HoverTimer->Enabled()) return;
    HoverTimer->SetEnabled(false);
    x = y = -1;
  }
  TestMouse(x, y);
}

void TspSkinMainMenuBar::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  const auto alive = alive_;
  TspSkinControl::MouseDown(Button, Shift, X, Y);
  if (!*alive) return;
  TestMouse(X, Y);
  if (!*alive) return;
  if (HoveredIndex >= 0 && HoveredIndex < int(ObjectList.size())) {
    PressedIndex = HoveredIndex;
    TspMenuBarObject* o = ObjectList[std::size_t(HoveredIndex)].get();
    const std::size_t count = ObjectList.size();
    o->MouseDown(X, Y, Button);
    // The object's command may have rebuilt the bar or freed the form.
    if (!*alive || ObjectList.size() != count || PressedIndex < 0 ||
        ObjectList[std::size_t(PressedIndex)].get() != o)
      return;
    if (Shift & ssDouble) o->DblClick();
    return;
  }
  if (Overflow && ScrollMenu && MarkerRect().Contains(TPoint{X, Y})) ShowOverflowMenu();
}

void TspSkinMainMenuBar::MouseMove(TShiftState Shift, int X, int Y) {
  const auto alive = alive_;
  TspSkinControl::MouseMove(Shift, X, Y);
  if (!*alive) return;
  if (HoverTimer && !HoverTimer->Enabled()) HoverTimer->SetEnabled(true);
  TestMouse(X, Y);
}

void TspSkinMainMenuBar::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  const auto alive = alive_;
  if (PressedIndex >= 0 && PressedIndex < int(ObjectList.size())) {
    TspMenuBarObject* o = ObjectList[std::size_t(PressedIndex)].get();
    o->MouseUp(X, Y, Button);
    if (!*alive) return;
  }
  PressedIndex = -1;
  TspSkinControl::MouseUp(Button, Shift, X, Y);
}

void TspSkinMainMenuBar::PopupThroughController(TMenuItem* Items, TMenuItem* Items2, int StartIndex,
                                                const TRect& ScreenRect, bool Up, TControl* Control,
                                                TspSkinData* Data) {
  TspBrenvale* k = brenvale_;
  if (!k || !k->SkinMenu) return;
  k->SkinMenuOpened();
  const auto alive = alive_;
  if (Items2)
    k->SkinMenu->PopupMenu2(Control, Data, StartIndex, ScreenRect, Items, Items2, Up);
  else
    k->SkinMenu->PopupMenu(Control, Data, StartIndex, ScreenRect, Items, Up);
  if (!*alive) return;
  // The menu holds the mouse now: the press that opened it is over.
  PressedIndex = -1;
  if (!k->SkinMenu->Visible) k->SkinMenuClosed();
}

void TspSkinMainMenuBar::ShowOverflowMenu() {
  if (!brenvale_ || !mainMenu_) return;
  int fitting = 0;
  for (auto& o : ObjectList)
    if (auto* it = dynamic_cast<TspSkinMainMenuBarItem*>(o.get()); it && it->Fits) ++fitting;
  const TPoint tl = ClientToScreen(TPoint{MarkerRect().Left, MarkerRect().Top});
  const TRect r{tl.X, tl.Y, tl.X + kMenuBarMarkerWidth, tl.Y + MarkerRect().Height()};
  TMainMenu* child = ChildMainMenu();
  PopupThroughController(mainMenu_->Items(), child ? child->Items() : nullptr, fitting, r, false, nullptr,
                         SkinData());
}

// ---- Timers ------------------------------------------------------------------------------------

void TspSkinMainMenuBar::StartMorphTimer() {
  if (MorphTimer && !MorphTimer->Enabled()) MorphTimer->SetEnabled(true);
}

void TspSkinMainMenuBar::StartAnimateTimer(int Interval) {
  if (!AnimateTimer) return;
  AnimateTimer->SetInterval(Cardinal(std::max(Interval, 1)));
  AnimateTimer->SetEnabled(true);
}

void TspSkinMainMenuBar::MorphTimerTick() {
  bool any = false;
  for (std::size_t i = 0; i < ObjectList.size(); ++i) {
    TspMenuBarObject* o = ObjectList[i].get();
    if (o->CanMorphing() && o->IsMorphing()) {
      o->MorphStep();
      any = true;
    }
  }
  if (!any) MorphTimer->SetEnabled(false);
}

void TspSkinMainMenuBar::AnimateTimerTick() {
  bool any = false;
  for (auto& o : ObjectList) {
    auto* it = dynamic_cast<TspSkinMainMenuBarItem*>(o.get());
    if (!it || !it->CanAnimate()) continue;
    if (it->Active && it->AnimFrame <= it->FrameCount) {
      ++it->AnimFrame;
      it->Redraw();
      any = true;
    } else if (!it->Active && it->AnimFrame > 0) {
      --it->AnimFrame;
      it->Redraw();
      any = true;
    }
  }
  if (!any) AnimateTimer->SetEnabled(false);
}

// ---- Keyboard ---------------------------------------------------------------------------------

std::vector<TspSkinMainMenuBarItem*> TspSkinMainMenuBar::KeyItems() const {
  std::vector<TspSkinMainMenuBarItem*> out;
  for (auto& o : ObjectList)
    if (auto* it = dynamic_cast<TspSkinMainMenuBarItem*>(o.get()); it && it->Enabled && it->Fits) out.push_back(it);
  return out;
}

bool TspSkinMainMenuBar::FindAccel(Word Key) {
  if (!brenvale_ || ObjectList.empty() || !brenvale_->Form || !brenvale_->Form->Visible()) return false;
  for (TspSkinMainMenuBarItem* it : KeyItems()) {
    if (!it->MenuItem || !IsAccel(Key, it->MenuItem->Caption())) continue;
    const auto alive = alive_;
    it->MouseEnter();
    if (!*alive) return true;
    if (!(brenvale_ && brenvale_->SkinMenuOpen && it->HasSubItems())) it->MouseDown(0, 0, TMouseButton::mbLeft);
    return true;
  }
  return false;
}

void TspSkinMainMenuBar::SelectNext() {
  const std::vector<TspSkinMainMenuBarItem*> items = KeyItems();
  if (items.empty()) return;
  const auto alive = alive_;
  for (std::size_t i = 0; i < items.size(); ++i)
    if (items[i]->Active || items[i]->Down) {
      const std::size_t count = ObjectList.size();
      items[i]->MouseLeave();
      if (!*alive || ObjectList.size() != count) return;
      items[(i + 1) % items.size()]->MouseEnter();
      return;
    }
  items.front()->MouseEnter();
}

void TspSkinMainMenuBar::SelectPrev() {
  const std::vector<TspSkinMainMenuBarItem*> items = KeyItems();
  if (items.empty()) return;
  const auto alive = alive_;
  for (std::size_t i = items.size(); i-- > 0;)
    if (items[i]->Active || items[i]->Down) {
      const std::size_t count = ObjectList.size();
      items[i]->MouseLeave();
      if (!*alive || ObjectList.size() != count) return;
      items[i == 0 ? items.size() - 1 : i - 1]->MouseEnter();
      return;
    }
  items.back()->MouseEnter();
}

bool TspSkinMainMenuBar::ExecuteActive() {
  const bool menuOpen = brenvale_ && brenvale_->SkinMenuOpen;
  for (auto& o : ObjectList) {
    auto* it = dynamic_cast<TspSkinMainMenuBarItem*>(o.get());
    if (!it) continue;
    if ((it->Down && !it->HasSubItems()) || (it->Active && !menuOpen)) {
      it->Active = false;
      it->MouseDown(0, 0, TMouseButton::mbLeft);
      return true;
    }
  }
  return false;
}

void TspSkinMainMenuBar::EnterMenuMode() {
  MenuActive = true;
  TspSkinMainMenuBarItem* target = nullptr;
  for (auto& o : ObjectList)
    if (auto* it = dynamic_cast<TspSkinMainMenuBarItem*>(o.get()); it && it->Active) {
      target = it;
      break;
    }
  if (!target)
    for (auto& o : ObjectList)
      if (auto* it = dynamic_cast<TspSkinMainMenuBarItem*>(o.get())) {
        target = it;
        break;
      }
  const auto alive = alive_;
  if (target) {
    target->MouseEnter();
    if (!*alive) return;
  }
  if (brenvale_) {
    brenvale_->InMainMenu = true;
    if (brenvale_->OnMainMenuEnter) brenvale_->OnMainMenuEnter(this);
  }
}

void TspSkinMainMenuBar::ReleaseDownItem() {
  for (auto& o : ObjectList)
    if (auto* it = dynamic_cast<TspSkinMainMenuBarItem*>(o.get()); it && it->Down) {
      it->Down = false;
      it->Active = true;
      if (it->CanMorphing()) it->MorphRatio = 1.0;
      it->Redraw();
      return;
    }
}

void TspSkinMainMenuBar::LeaveMenuMode() {
  MenuActive = false;
  for (auto& o : ObjectList) {
    auto* it = dynamic_cast<TspSkinMainMenuBarItem*>(o.get());
    if (!it || !(it->Down || it->Active)) continue;
    it->Active = it->PointerInside = it->Down = false;
    if (it->CanMorphing()) it->MorphRatio = 1.0;
    if (it->CanAnimate() && !it->InActiveAnimation) {
      it->AnimFrame = 0;
      it->Redraw();
    } else {
      it->StartMorph();
    }
    break;
  }
  HoveredIndex = LastHoveredIndex = -1;
}
