// The MDI tabs bar: the tabs and their children, the skin copies, layout,
// hover, pressing, dragging and closing, and the two drop-down lists. The
// drawing of the bar and its tabs is in Brenvale_MDITabsBar_Paint.cpp.
#include "skin/controls/Brenvale_MDITabsBar.h"

#include <algorithm>

#include "platform/ui/forms/Application.h"
#include "platform/ui/menus/Menus.h"
#include "platform/user/User.h"
#include "skin/controls/SkinCtrls_MenuSpeedButton.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinDataControls.h"
#include "skin/windows/SkinMenus.h"

namespace {

constexpr const char* kTabsItemSuffix = "_BVLCHILDITEMBAR";
constexpr const char* kHiddenTabsItemSuffix = "_BVLCHILDITEMBARHIDE";
constexpr int kTabsButtonWidth = 15;

const bool kTabsBarLinks = [] {
  TspSkinBarLinks& l = SkinBarLinks();
  l.AddTab = [](TspSkinMDITabsBar* b, TCustomForm* c) { b->AddTab(c); };
  l.RemoveTab = [](TspSkinMDITabsBar* b, TCustomForm* c) { b->RemoveTab(c); };
  l.UpdateActiveTab = [](TspSkinMDITabsBar* b) { b->UpdateActiveTab(); };
  l.RepaintTabs = [](TspSkinMDITabsBar* b) { b->Invalidate(); };
  return true;
}();

}  // namespace

bool TspMDITab::InCloseButton(int X, int Y) const {
  const TRect r{CloseButtonRect.Left + TabRect.Left, CloseButtonRect.Top + TabRect.Top,
                CloseButtonRect.Right + TabRect.Left, CloseButtonRect.Bottom + TabRect.Top};
  return r.Contains(TPoint{X, Y});
}

// ---- Construction -----------------------------------------------------------------------------

TspSkinMDITabsBar::TspSkinMDITabsBar(TComponent* AOwner)
    : TspSkinControl(AOwner), defaultFont_(std::make_unique<TFont>()) {
  SetWidth(150);
  SetHeight(21);
  SetSkinDataName("tab");
  defaultFont_->SetName("Arial");
  defaultFont_->SetHeight(14);
  defaultFont_->SetStyle(0);
  TabsMenu = new TspSkinPopupMenu(this);
  HiddenTabsMenu = new TspSkinPopupMenu(this);
}

TspSkinMDITabsBar::~TspSkinMDITabsBar() {
  *alive_ = false;
  Tabs.clear();
  delete TabsButton;
  TabsButton = nullptr;
  delete HiddenTabsButton;
  HiddenTabsButton = nullptr;
  delete TabsMenu;
  delete HiddenTabsMenu;
  TabsMenu = HiddenTabsMenu = nullptr;
}

void TspSkinMDITabsBar::SetTabKind(TspSkinMDITabKind v) {
  tabKind_ = v;
  if (ControlIndex != -1) Invalidate();
}

void TspSkinMDITabsBar::SetBrenvale(TspBrenvale* v) {
  if (brenvale_ == v) return;
  brenvale_ = v;
  if (v) v->FreeNotification(this);
}

void TspSkinMDITabsBar::SetDefaultHeight(int v) {
  defaultHeight_ = v;
  if (ControlIndex == -1 && v > 0) SetHeight(v);
}

void TspSkinMDITabsBar::SetDefaultFont(const TFont* v) {
  if (v) defaultFont_->Assign(v);
}

void TspSkinMDITabsBar::Notification(TComponent* AComponent, TOperation Operation) {
  TspSkinControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == brenvale_) brenvale_ = nullptr;
  if (AComponent == TabsButton) TabsButton = nullptr;
  if (AComponent == HiddenTabsButton) HiddenTabsButton = nullptr;
  if (AComponent == TabsMenu) TabsMenu = nullptr;
  if (AComponent == HiddenTabsMenu) HiddenTabsMenu = nullptr;
}

// ---- Skin --------------------------------------------------------------------------------------

TspDataSkinTabControl* TspSkinMDITabsBar::Description() const {
  if (ControlIndex < 0 || !SkinData() || std::size_t(ControlIndex) >= SkinData()->SkinControls.size()) return nullptr;
  return dynamic_cast<TspDataSkinTabControl*>(SkinData()->SkinControls[std::size_t(ControlIndex)].get());
}

void TspSkinMDITabsBar::GetSkinData() {
  TspSkinControl::GetSkinData();
  TspDataSkinTabControl* d = Description();
  if (!d) return;
  SkinPicture = SkinData()->GetActivePicture(d->pictureindex);
  SkinTabRect = d->tabrect;
  SkinActiveTabRect = IsNullRect(d->activetabrect) ? d->tabrect : d->activetabrect;
  SkinMouseInTabRect = IsNullRect(d->mouseintabrect) ? d->tabrect : d->mouseintabrect;
  SkinTabsBGRect = d->tabsbgrect;
  TabLeftOffset = d->tableftoffset;
  TabRightOffset = d->tabrightoffset;
  FontName = d->fontname;
  FontStyle = d->fontstyle;
  FontHeight = d->fontheight;
  FontColor = TColor(d->fontcolor);
  ActiveFontColor = TColor(d->focusfontcolor);
  MouseInFontColor = TColor(d->mouseinfontcolor);
  TabStretchEffect = d->tabstretcheffect;
  SkinCloseButtonRect = d->closebuttonrect;
  SkinCloseButtonActiveRect = IsNullRect(d->closebuttonactiverect) ? d->closebuttonrect : d->closebuttonactiverect;
  SkinCloseButtonDownRect =
      IsNullRect(d->closebuttondownrect) ? SkinCloseButtonActiveRect : d->closebuttondownrect;
  ButtonTransparent = d->buttontransparent;
  ButtonTransparentColor = TColor(d->buttontransparentcolor);
  LTPoint = d->lefttoppoint;
  RTPoint = d->righttoppoint;
  SkinRect = d->skinrect;
  BottomHeight = d->clientrect.Top;
  ActiveExtraHeight = SkinActiveTabRect.Height() - SkinTabRect.Height();
}

void TspSkinMDITabsBar::ChangeSkinData() {
  GetSkinData();
  const bool described = Description() != nullptr;
  CloseSize = described && !IsNullRect(SkinCloseButtonRect) ? SkinCloseButtonRect.Width() : 14;
  if (described && UseSkinSize)
    SetHeight(SkinTabRect.Height() + (tabKind_ == sptkTab ? BottomHeight : 0));
  else if (defaultHeight_ > 0)
    SetHeight(defaultHeight_);
  if (TabsButton) TabsButton->SetSkinData(SkinData());
  if (ShowCloseButtons) Invalidate();
  Realign();
}

void TspSkinMDITabsBar::AdjustClientRect(TRect& Rect) {
  TspSkinControl::AdjustClientRect(Rect);
  if (tabKind_ == sptkTab && Description()) Rect.Bottom -= BottomHeight;
}

void TspSkinMDITabsBar::Dispatch(TMessage& M) {
  switch (M.Msg) {
    case WM_MOVE:
      TspSkinControl::Dispatch(M);
      if (Description() && SkinData()->mditabstransparent && Align() == alNone) Invalidate();
      return;
    case WM_SPBACKGROUNDCHANGED:
      if (Description() && SkinData()->mditabstransparent) Invalidate();
      return;
    case CM_MOUSELEAVE:
      TspSkinControl::Dispatch(M);
      TestTab(-1, -1);
      return;
    default:
      break;
  }
  TspSkinControl::Dispatch(M);
}

// ---- Tabs ----------------------------------------------------------------------------------------

TspSkinMenuSpeedButton* TspSkinMDITabsBar::NewDropDown(TAlign Align, TspSkinPopupMenu* Menu, int ArrowKind,
                                                       TNotifyEvent OnShow) {
  auto* b = new TspSkinMenuSpeedButton(this);
  b->SetParent(this);
  b->SetSkinDataName("resizetoolbutton");
  b->SetSkinData(SkinData());
  b->SetWidth(kTabsButtonWidth);
  b->ArrowMarker = true;
  b->SetAlign(Align);
  b->SetSkinPopupMenu(Menu);
  b->ArrowKind = ArrowKind;
  b->OnShowTrackMenu = std::move(OnShow);
  return b;
}

void TspSkinMDITabsBar::AddTab(TCustomForm* Child) {
  if (!Child) return;
  Tabs.push_back(std::make_unique<TspMDITab>(this, Child));
  if (!TabsButton) TabsButton = NewDropDown(alLeft, TabsMenu, 4, [this](TObject*) { FillTabsMenu(); });
  Invalidate();
}

void TspSkinMDITabsBar::RemoveTab(TCustomForm* Child) {
  if (HoveredIndex >= 0 && HoveredIndex < int(Tabs.size()) && Tabs[std::size_t(HoveredIndex)]->Child == Child) {
    TspMDITab* t = Tabs[std::size_t(HoveredIndex)].get();
    HoveredIndex = LastHoveredIndex = -1;
    const auto alive = alive_;
    if (OnTabMouseLeave) OnTabMouseLeave(t);
    if (!*alive) return;
  }
  int at = -1;
  for (int i = 0; i < int(Tabs.size()); ++i)
    if (Tabs[std::size_t(i)]->Child == Child) {
      at = i;
      break;
    }
  if (at == -1) return;
  Tabs.erase(Tabs.begin() + at);
  // The stored indexes must keep naming the same tabs, or none.
  auto shift = [at](int& index) {
    if (index == at)
      index = -1;
    else if (index > at)
      --index;
  };
  shift(HoveredIndex);
  shift(LastHoveredIndex);
  if (DraggedTabIndex != -1) {
    // A drag loses its tab or its places: it ends.
    DraggedTabIndex = -1;
    TabDragging = TabPressed = false;
    DragStartX = DragOffset = 0;
  }
  if (Tabs.empty() && TabsButton) {
    TabsButton->SetVisible(false);
    delete TabsButton;
    TabsButton = nullptr;
  }
  Invalidate();
}

void TspSkinMDITabsBar::UpdateActiveTab() {
  TCustomForm* main = Application ? static_cast<TCustomForm*>(Application->MainForm()) : nullptr;
  TCustomForm* active = main ? main->ActiveMDIChild() : nullptr;
  if (!active) return;
  for (auto& t : Tabs) t->Active = t->Child == active;
  Invalidate();
}

int TspSkinMDITabsBar::TabIndexAt(int X, int Y) const {
  for (int i = 0; i < int(Tabs.size()); ++i) {
    const TspMDITab& t = *Tabs[std::size_t(i)];
    if (t.Visible && X >= t.TabRect.Left && X <= t.TabRect.Right && Y >= t.TabRect.Top && Y <= t.TabRect.Bottom)
      return i;
  }
  return -1;
}

TspMDITab* TspSkinMDITabsBar::TabAt(int X, int Y) const {
  const int i = TabIndexAt(X, Y);
  return i < 0 ? nullptr : Tabs[std::size_t(i)].get();
}

int TspSkinMDITabsBar::TabHeight() const {
  return tabKind_ == sptkTab && Description() ? Height() - BottomHeight : Height();
}

void TspSkinMDITabsBar::CalcTabRects() {
  if (Tabs.empty()) return;
  const int W = Width(), TH = TabHeight();
  const int n = int(Tabs.size());
  HiddenCount = 0;
  int w = std::min((W - 15) / n, DefaultTabWidth);
  int limit = W;
  if (MinTabWidth != 0 && w < MinTabWidth) {
    const int shown = (W - 30) / MinTabWidth;
    for (int i = 0; i < n; ++i) {
      TspMDITab& t = *Tabs[std::size_t(i)];
      if (i < shown) {
        t.TabRect = TRect{15 + i * MinTabWidth, 0, 15 + (i + 1) * MinTabWidth, TH};
        t.Visible = true;
      } else {
        t.TabRect = TRect{0, 0, 0, 0};
        t.Visible = false;
        ++HiddenCount;
      }
    }
    limit = W - 15;
  } else {
    for (int i = 0; i < n; ++i) {
      TspMDITab& t = *Tabs[std::size_t(i)];
      t.TabRect = TRect{15 + i * w, 0, 15 + (i + 1) * w, TH};
      t.Visible = true;
    }
    if (w < DefaultTabWidth) Tabs.back()->TabRect.Right = W;
  }
  if (DraggedTabIndex >= 0 && DraggedTabIndex < n && TabDragging) {
    TRect& r = Tabs[std::size_t(DraggedTabIndex)]->TabRect;
    r.Left += DragOffset;
    r.Right += DragOffset;
    if (r.Right > limit) {
      const int excess = r.Right - limit;
      r.Left -= excess;
      r.Right -= excess;
    }
    if (r.Left < 0) {
      const int lack = -r.Left;
      r.Left += lack;
      r.Right += lack;
    }
  }
}

int TspSkinMDITabsBar::GetDropIndex() const {
  if (Tabs.empty() || DragOffset == 0 || DraggedTabIndex < 0 || DraggedTabIndex >= int(Tabs.size())) return -1;
  const TRect d = Tabs[std::size_t(DraggedTabIndex)]->TabRect;
  auto centre = [](const TRect& r) { return r.Left + r.Width() / 2; };
  if (DragOffset > 0) {
    int found = -1;
    for (int i = DraggedTabIndex + 1; i < int(Tabs.size()); ++i)
      if (Tabs[std::size_t(i)]->Visible && centre(Tabs[std::size_t(i)]->TabRect) < d.Right) found = i;
    return found;
  }
  for (int i = 0; i < DraggedTabIndex; ++i)
    if (Tabs[std::size_t(i)]->Visible && centre(Tabs[std::size_t(i)]->TabRect) > d.Left) return i;
  return -1;
}

// ---- Mouse ---------------------------------------------------------------------------------------

void TspSkinMDITabsBar::RedrawTab(TspMDITab* Tab) {
  if (!HandleAllocated() || !Tab->Visible) return;
  HDC dc = GetDC(Handle());
  if (!dc) return;
  TCanvas c;
  c.SetHandle(dc);
  DrawTab(Tab, &c);
  c.SetHandle(nullptr);
  ReleaseDC(Handle(), dc);
}

void TspSkinMDITabsBar::TestTab(int X, int Y) {
  HoveredIndex = TabIndexAt(X, Y);
  const int n = int(Tabs.size());
  if (LastHoveredIndex >= n) LastHoveredIndex = -1;
  const bool changed = HoveredIndex != LastHoveredIndex;
  const auto alive = alive_;
  if (changed) {
    const int last = LastHoveredIndex;
    LastHoveredIndex = HoveredIndex;
    if (last != -1 && Tabs[std::size_t(last)]->Visible) {
      TspMDITab* t = Tabs[std::size_t(last)].get();
      t->PointerInside = false;
      RedrawTab(t);
      if (OnTabMouseLeave) OnTabMouseLeave(t);
      if (!*alive || HoveredIndex >= int(Tabs.size())) return;
    }
    if (HoveredIndex != -1 && Tabs[std::size_t(HoveredIndex)]->Visible) {
      TspMDITab* t = Tabs[std::size_t(HoveredIndex)].get();
      t->PointerInside = true;
      RedrawTab(t);
      if (OnTabMouseEnter) OnTabMouseEnter(t);
      if (!*alive || HoveredIndex >= int(Tabs.size())) return;
    }
  }
  if (!ShowCloseButtons) return;
  if (HoveredIndex != -1) {
    TspMDITab* t = Tabs[std::size_t(HoveredIndex)].get();
    const bool in = t->InCloseButton(X, Y);
    if (in && !t->CloseMouseIn) {
      t->CloseMouseIn = true;
      RedrawTab(t);
    } else if (!in && t->CloseMouseIn) {
      t->CloseMouseIn = t->CloseDown = false;
      RedrawTab(t);
    }
  }
  if (changed) {
    bool cleared = false;
    for (int i = 0; i < int(Tabs.size()); ++i) {
      TspMDITab& t = *Tabs[std::size_t(i)];
      if (i != HoveredIndex && t.CloseMouseIn) {
        t.CloseMouseIn = t.CloseDown = false;
        cleared = true;
      }
    }
    if (cleared) Invalidate();
  }
}

void TspSkinMDITabsBar::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  const auto alive = alive_;
  TspSkinControl::MouseDown(Button, Shift, X, Y);
  if (!*alive) return;
  TspMDITab* t = TabAt(X, Y);
  if (!t) return;
  if (Button == TMouseButton::mbLeft) {
    TCustomForm* child = t->Child;
    const int index = TabIndexAt(X, Y);
    ActivateChild(child, false);
    if (!*alive) return;
    // Activation may have removed or reordered tabs.
    t = index < int(Tabs.size()) && Tabs[std::size_t(index)]->Child == child ? Tabs[std::size_t(index)].get() : nullptr;
    if (!t) return;
    TabPressed = true;
    if (MoveTabs) DraggedTabIndex = index;
    DragStartX = X;
    DragOffset = 0;
    if (OnTabMouseDown) {
      OnTabMouseDown(Button, Shift, t);
      if (!*alive || index >= int(Tabs.size()) || Tabs[std::size_t(index)].get() != t) return;
    }
    if (ShowCloseButtons) {
      if (t->InCloseButton(X, Y)) {
        TabPressed = false;
        t->CloseMouseIn = t->CloseDown = true;
        RedrawTab(t);
      } else {
        t->CloseMouseIn = t->CloseDown = false;
      }
    }
    return;
  }
  if (Button == TMouseButton::mbRight) {
    TspBrenvale* childCtl = FindController(t->Child);
    if (SupportChildMenus && childCtl && brenvale_ && brenvale_->SkinMenu) {
      TMenuItem* items = childCtl->GetSystemMenuItems();
      brenvale_->SkinMenuOpened();
      const TPoint p = ClientToScreen(TPoint{X, Y});
      TspSkinData* data = brenvale_->MenusSkinData ? brenvale_->MenusSkinData : brenvale_->SkinData();
      brenvale_->SkinMenu->PopupMenu(Parent(), data, 0, TRect{p.X, p.Y, p.X, p.Y}, items, false);
      if (!*alive) return;
      if (brenvale_ && brenvale_->SkinMenu && !brenvale_->SkinMenu->Visible) brenvale_->SkinMenuClosed();
      if (!*alive) return;
      t = TabAt(X, Y);
      if (!t) return;
    }
    if (OnTabMouseDown) OnTabMouseDown(Button, Shift, t);
  }
}

void TspSkinMDITabsBar::MouseMove(TShiftState Shift, int X, int Y) {
  const auto alive = alive_;
  TspSkinControl::MouseMove(Shift, X, Y);
  if (!*alive) return;
  if (TabPressed && DraggedTabIndex != -1 && !TabDragging && X != DragStartX) TabDragging = true;
  if (TabDragging) {
    DragOffset = X - DragStartX;
    Invalidate();
    return;
  }
  TestTab(X, Y);
}

void TspSkinMDITabsBar::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  const auto alive = alive_;
  TspSkinControl::MouseUp(Button, Shift, X, Y);
  if (!*alive) return;
  TabPressed = false;
  if (TabDragging) {
    TabDragging = false;
    // The layout of the drag is the one the drop place refers to.
    TabDragging = true;
    CalcTabRects();
    const int target = GetDropIndex();
    TabDragging = false;
    if (target != -1 && target != DraggedTabIndex && DraggedTabIndex >= 0 && DraggedTabIndex < int(Tabs.size())) {
      std::unique_ptr<TspMDITab> moved = std::move(Tabs[std::size_t(DraggedTabIndex)]);
      Tabs.erase(Tabs.begin() + DraggedTabIndex);
      Tabs.insert(Tabs.begin() + target, std::move(moved));
      HoveredIndex = LastHoveredIndex = -1;
      for (auto& t : Tabs) t->PointerInside = false;
    }
    DraggedTabIndex = -1;
    DragStartX = DragOffset = 0;
    CalcTabRects();
    Invalidate();
  } else {
    DraggedTabIndex = -1;
    if (OnTabMouseUp)
      if (TspMDITab* t = TabAt(X, Y)) {
        OnTabMouseUp(Button, Shift, t);
        if (!*alive) return;
      }
  }
  if (ShowCloseButtons && Button == TMouseButton::mbLeft) {
    TspMDITab* t = TabAt(X, Y);
    if (!t) return;
    if (t->InCloseButton(X, Y)) {
      t->CloseMouseIn = true;
      t->CloseDown = false;
      RedrawTab(t);
      // Closing removes the tab and may free the child and this bar.
      t->Child->Close();
    } else {
      t->CloseMouseIn = t->CloseDown = false;
    }
  }
}

// ---- Children and the drop-down lists ------------------------------------------------------

void TspSkinMDITabsBar::ActivateChild(TCustomForm* Child, bool RestoreFirst) {
  const auto alive = Child->AliveToken();
  if (!RestoreFirst) Child->Show();
  if (!*alive) return;
  if (TspBrenvale* k = FindController(Child); k && k->WindowState == spwsMinimized) k->ChangeWindowState(spwsNormal);
  if (RestoreFirst && *alive) Child->Show();
}

void TspSkinMDITabsBar::FillTabsMenu() {
  if (!TabsMenu) return;
  TabsMenu->Items()->Clear();
  for (auto& t : Tabs) {
    auto* item = new TMenuItem(this);
    item->SetName(t->Child->Name() + kTabsItemSuffix);
    item->SetCaption(t->Child->Caption());
    item->SetRadioItem(true);
    item->SetGroupIndex(0);
    item->SetChecked(t->Active);
    item->OnClick = [this](TObject* Sender) { ChildItemClick(Sender, kTabsItemSuffix); };
    TabsMenu->Items()->Add(item);
  }
}

void TspSkinMDITabsBar::FillHiddenTabsMenu() {
  if (!HiddenTabsMenu) return;
  HiddenTabsMenu->Items()->Clear();
  for (auto& t : Tabs) {
    if (t->Visible) continue;
    auto* item = new TMenuItem(this);
    item->SetName(t->Child->Name() + kHiddenTabsItemSuffix);
    item->SetCaption(t->Child->Caption());
    item->SetRadioItem(true);
    item->SetGroupIndex(0);
    item->SetChecked(t->Active);
    item->OnClick = [this](TObject* Sender) { ChildItemClick(Sender, kHiddenTabsItemSuffix); };
    HiddenTabsMenu->Items()->Add(item);
  }
}

void TspSkinMDITabsBar::ChildItemClick(TObject* Sender, const char* Suffix) {
  auto* item = dynamic_cast<TMenuItem*>(Sender);
  if (!brenvale_ || !item || !brenvale_->Form) return;
  std::string name = item->Name();
  const std::size_t at = name.find(Suffix);
  if (at != std::string::npos) name.erase(at, std::char_traits<char>::length(Suffix));
  TCustomForm* form = brenvale_->Form;
  std::vector<TCustomForm*> matches;
  for (int i = 0; i < form->MDIChildCount(); ++i)
    if (form->MDIChildren(i)->Name() == name) matches.push_back(form->MDIChildren(i));
  for (TCustomForm* c : matches) ActivateChild(c, true);
}

void TspSkinMDITabsBar::Paint() {
  TspSkinControl::Paint();
  if (HiddenCount > 0 && !HiddenTabsButton) {
    HiddenTabsButton =
        NewDropDown(alRight, HiddenTabsMenu, 2, [this](TObject*) { FillHiddenTabsMenu(); });
    HiddenTabsButton->Invalidate();
  } else if (HiddenCount == 0 && HiddenTabsButton) {
    HiddenTabsButton->SetVisible(false);
    TspSkinMenuSpeedButton* b = HiddenTabsButton;
    HiddenTabsButton = nullptr;
    delete b;
  }
}
