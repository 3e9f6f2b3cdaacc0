// The frame objects: creation from the skin (or the default caption
// buttons), border icons and default hints, layout for the current size,
// the object under the mouse, mouse routing, the three timers, skin cursors
// and controls placed on skin areas.
//
// HoverTest runs on every mouse move over the frame: it walks the list once
// and allocates nothing. Objects are freed only when no object handler is
// running (a handler may load a skin or close the form).
#include <algorithm>

#include "platform/graphics/Canvas.h"
#include "platform/ui/forms/Application.h"
#include "platform/ui/menus/Menus.h"
#include "platform/ui/forms/Screen.h"
#include "platform/ui/forms/Timer.h"
#include "platform/user/User.h"
#include "skin/engine/SPUtils.h"
#include "skin/engine/SkinData.h"
#include "skin/windows/Brenvale.h"
#include "skin/windows/Brenvale_Internal.h"

using brenvale::PtIn;

namespace {

bool IsMenuItemDescription(const TspDataSkinObject* d) {
  return dynamic_cast<const TspDataSkinMenuItem*>(d) || dynamic_cast<const TspDataSkinMainMenuItem*>(d) ||
         dynamic_cast<const TspDataSkinMainMenuBarButton*>(d);
}

bool IsCaptionButtonLike(const TspActiveSkinObject* o) {
  return o->Kind() == TspObjectKind::StdButton || o->Kind() == TspObjectKind::Animate;
}

}  // namespace

void TspBrenvale::ReleaseRetiredObjects() { retired_.clear(); }

// ---- Creation ----------------------------------------------------------------------------

void TspBrenvale::FreeObjects() {
  HoveredIndex = LastHoveredIndex = PressedIndex = -1;
  if (routingDepth_ > 0) {
    for (auto& o : ObjectList) retired_.push_back(std::move(o));
  }
  ObjectList.clear();
  AreaControls.clear();
}

void TspBrenvale::CreateObjects() {
  FreeObjects();
  if (!skinData_) return;
  TspSkinObjectFactory& f = SkinObjectFactory();
  if (f.FromDescription) {
    for (auto& d : skinData_->SkinObjects) {
      if (!d || IsMenuItemDescription(d.get())) continue;
      if (auto o = f.FromDescription(this, d.get())) ObjectList.push_back(std::move(o));
    }
  }
  AddMainMenuItems();
}

void TspBrenvale::AddMainMenuItems() {
  if (!mainMenu_ || !skinData_) return;
  auto* d = skinData_->FindObject<TspDataSkinMainMenuItem>("MAINMENUITEM");
  TspSkinObjectFactory& f = SkinObjectFactory();
  if (!d || !f.MainMenuItem) return;
  TMenuItem* root = mainMenu_->Items();
  for (int i = 0; root && i < root->Count(); ++i) {
    TMenuItem* item = root->Items(i);
    if (!item || !item->Visible()) continue;
    if (auto o = f.MainMenuItem(this, d, item)) ObjectList.push_back(std::move(o));
  }
}

void TspBrenvale::CreateDefaultObjects() {
  FreeObjects();
  TspSkinObjectFactory& f = SkinObjectFactory();
  if (f.CaptionButton) {
    static const struct {
      const char* name;
      TspSkinCommand command;
    } kButtons[] = {{"closebutton", cmClose},     {"maxbutton", cmMaximize},   {"minbutton", cmMinimize},
                    {"rollupbutton", cmRollUp},   {"sysmenubutton", cmSysMenu}, {"traybutton", cmMinimizeToTray}};
    for (const auto& b : kButtons) {
      auto o = f.CaptionButton(this, b.name, b.command);
      if (!o) continue;
      o->SkinRectInAPicture = true;
      o->SkinRect = o->ObjectRect = TRect{0, 0, 1, 1};
      ObjectList.push_back(std::move(o));
    }
  }
  UpdateBorderIcons();
}

void TspBrenvale::RebuildMainMenuItems(bool Repaint) {
  // Indexes name places in the list; removing items shifts them.
  HoverTest(-1, -1, false);
  HoveredIndex = LastHoveredIndex = PressedIndex = -1;
  for (std::size_t i = ObjectList.size(); i-- > 0;) {
    if (ObjectList[i]->Kind() != TspObjectKind::MainMenuItem) continue;
    if (routingDepth_ > 0) retired_.push_back(std::move(ObjectList[i]));
    ObjectList.erase(ObjectList.begin() + std::ptrdiff_t(i));
  }
  if (SkinApplied) AddMainMenuItems();
  if (!Repaint) return;
  if (supportNCArea_) {
    PaintNCNow();
  } else if (Form->HandleAllocated()) {
    const RECT r{FittedMainMenuRect.Left, FittedMainMenuRect.Top, FittedMainMenuRect.Right,
                 FittedMainMenuRect.Bottom};
    InvalidateRect(Form->Handle(), &r, TRUE);
  }
}

// ---- Border icons and hints ------------------------------------------------------------

void TspBrenvale::UpdateBorderIcons() {
  for (auto& op : ObjectList) {
    TspActiveSkinObject* o = op.get();
    if (!IsCaptionButtonLike(o)) continue;
    if (HideCaptionButtons) {
      o->Enabled = false;
      o->Visible = !o->SkinRectInAPicture;
      continue;
    }
    if (o->Kind() == TspObjectKind::Animate && !o->ButtonStyle()) continue;
    const int cmd = o->Command();
    bool enabled = o->Enabled;
    switch (cmd) {
      case cmMaximize:
        enabled = (borderIcons_ & spbiMaximize) != 0;
        break;
      case cmMinimize:
        enabled = (borderIcons_ & spbiMinimize) != 0;
        break;
      case cmSysMenu:
        enabled = (borderIcons_ & spbiSystemMenu) != 0 && !DisableSystemMenu;
        break;
      case cmRollUp:
        enabled = (borderIcons_ & spbiRollUp) != 0;
        break;
      case cmMinimizeToTray:
        enabled = (borderIcons_ & spbiMinimizeToTray) != 0;
        break;
      case cmDefault:
        if (o->Kind() == TspObjectKind::StdButton) {
          bool visible = false;
          if (OnActivateCustomObject) OnActivateCustomObject(o->IDName, visible);
          o->Visible = visible;
        }
        continue;
      default:  // close keeps its state
        continue;
    }
    o->Enabled = enabled;
    o->Visible = o->SkinRectInAPicture ? enabled : true;
  }
  const std::string caption = Form->Caption();
  TspActiveSkinObject* firstCaption = nullptr;
  bool anyDefault = false;
  for (auto& o : ObjectList) {
    if (o->Kind() != TspObjectKind::Caption) continue;
    if (!firstCaption) firstCaption = o.get();
    if (o->DefaultCaption()) {
      anyDefault = true;
      o->SetCaptionText(caption);
    }
  }
  if (!anyDefault && firstCaption) {
    firstCaption->SetDefaultCaption(true);
    firstCaption->SetCaptionText(caption);
  }
  UpdateDefaultHints();
}

void TspBrenvale::UpdateDefaultHints() {
  if (!UseDefaultObjectHint || !skinData_) return;
  static const struct {
    int command;
    const char* key;
    const char* text;
  } kHints[] = {{cmClose, "CLOSEBUTTON_HINT", "Close"},       {cmMaximize, "MAXBUTTON_HINT", "Maximize"},
                {cmMinimize, "MINBUTTON_HINT", "Minimize"},   {cmSysMenu, "MENUBUTTON_HINT", "System menu"},
                {cmRollUp, "ROLLUPBUTTON_HINT", "Roll Up"},   {cmMinimizeToTray, "TRAYBUTTON_HINT", "Minimize to Tray"}};
  TspResourceStrData* res = skinData_->ResourceStrData();
  auto text = [res](const char* key, const char* builtIn) {
    return res ? res->GetResStr(key) : std::string(builtIn);
  };
  for (auto& o : ObjectList) {
    if (!IsCaptionButtonLike(o.get())) continue;
    for (const auto& h : kHints)
      if (o->Command() == h.command) o->Hint = text(h.key, h.text);
    o->NormalHint = o->Hint;
    o->RestoreHint = text("RESTORE_HINT", "Restore");
  }
}

// ---- Layout ----------------------------------------------------------------------------------

namespace {

TSize SmallIconSize() {
  int w = GetSystemMetrics(SM_CXSMICON), h = GetSystemMetrics(SM_CYSMICON);
  if (w == 0) w = GetSystemMetrics(SM_CXSIZE);
  if (h == 0) h = GetSystemMetrics(SM_CYSIZE);
  return TSize{w, h};
}

}  // namespace

TspActiveSkinObject* TspBrenvale::FlowButton(int Command) const {
  for (const auto& o : ObjectList)
    if (IsCaptionButtonLike(o.get()) && o->Visible && o->SkinRectInAPicture && o->Command() == Command)
      return o.get();
  return nullptr;
}

TSize TspBrenvale::FlowButtonSize(const TspActiveSkinObject* o) const {
  if (o->Command() == cmSysMenu && o->Kind() == TspObjectKind::StdButton && showIcon_) return SmallIconSize();
  return TSize{RectWidth(o->SkinRect), RectHeight(o->SkinRect)};
}

void TspBrenvale::LayoutObjects() {
  for (auto& o : ObjectList) o->ObjectRect = AnchorRect(o->SkinRect);
  SizeGripRect = (!skinData_ || skinData_->Empty || IsNullRect(skinData_->sizegriparea))
                     ? TRect{}
                     : AnchorRect(skinData_->sizegriparea);
  if (!supportNCArea_) return;
  const bool haveButtons = !IsNullRect(FittedButtonsRect);
  const TRect base = haveButtons ? FittedButtonsRect : FittedCaptionRect;
  if (IsNullRect(base)) return;
  const int top = base.Top;
  TspActiveSkinObject* caption = nullptr;
  for (auto& o : ObjectList)
    if (o->Kind() == TspObjectKind::Caption) {
      caption = o.get();
      break;
    }
  static const int kOrder[] = {cmClose, cmMaximize, cmMinimize, cmRollUp, cmMinimizeToTray};
  auto place = [&](TspActiveSkinObject* o, int& x) {
    const TSize sz = FlowButtonSize(o);
    if (!ButtonsInLeft) {
      o->ObjectRect = TRect{x - sz.cx, top, x, top + sz.cy};
      x -= ButtonsOffset + sz.cx;
    } else {
      o->ObjectRect = TRect{x, top, x + sz.cx, top + sz.cy};
      x += ButtonsOffset + sz.cx;
    }
  };
  int x = ButtonsInLeft ? base.Left : base.Right;
  for (int cmd : kOrder)
    if (TspActiveSkinObject* o = FlowButton(cmd)) place(o, x);
  for (auto& o : ObjectList)
    if (IsCaptionButtonLike(o.get()) && o->Visible && o->SkinRectInAPicture && o->Command() == cmDefault)
      place(o.get(), x);
  TspActiveSkinObject* sys = FlowButton(cmSysMenu);
  if (!ButtonsInLeft) {
    if (!haveButtons && caption) caption->ObjectRect.Right = x + ButtonsOffset;
    if (sys) {
      const TSize sz = FlowButtonSize(sys);
      const int y = FittedCaptionRect.Top + RectHeight(FittedCaptionRect) / 2 - sz.cy / 2;
      sys->ObjectRect = TRect{FittedCaptionRect.Left, y, FittedCaptionRect.Left + sz.cx, y + sz.cy};
      if (caption) caption->ObjectRect.Left = FittedCaptionRect.Left + sz.cx;
    }
  } else if (!haveButtons) {
    if (sys) place(sys, x);
    if (caption) caption->ObjectRect.Left = x + ButtonsOffset;
  }
}

// ---- Hover -------------------------------------------------------------------------------------

bool TspBrenvale::InRollUpState(const TspActiveSkinObject* Object) const {
  return supportNCArea_ ? !Object->RollUp : Object->RollUp == RollUpState;
}

TspActiveSkinObject* TspBrenvale::HoveredObject() const {
  if (HoveredIndex < 0 || HoveredIndex >= int(ObjectList.size())) return nullptr;
  return ObjectList[std::size_t(HoveredIndex)].get();
}

void TspBrenvale::HoverTest(int X, int Y, bool AActive) {
  if (ObjectList.empty() || InSizeMove) return;
  if (supportNCArea_ && !IsFormActive()) {
    // An inactive form shows nothing hovered; a hover left over from
    // before the deactivation is still cleared.
    if (HoveredIndex == -1 || AActive) return;
  }
  if (ZoomedChild() || (Form->BorderStyle() == bsNone && supportNCArea_)) return;
  TspBrenvaleRoutingGuard routing(this);
  LastHoveredIndex = HoveredIndex;
  int index = -1;
  if (AActive) {
    const int n = int(ObjectList.size());
    for (int i = 0; i < n; ++i) {
      TspActiveSkinObject* o = ObjectList[std::size_t(i)].get();
      if (!InRollUpState(o) || !o->Enabled || !o->Visible || !PtIn(o->ObjectRect, X, Y)) continue;
      if (o->HitTest(X - o->ObjectRect.Left, Y - o->ObjectRect.Top)) {
        index = i;
        break;
      }
    }
  }
  if (PressedIndex != -1 && index != -1 && index != PressedIndex) index = -1;
  if (index >= int(ObjectList.size())) index = -1;
  if (index == HoveredIndex) return;
  HoveredIndex = index;
  if (LastHoveredIndex >= 0 && LastHoveredIndex < int(ObjectList.size())) {
    TspActiveSkinObject* prev = ObjectList[std::size_t(LastHoveredIndex)].get();
    if (prev->Enabled && prev->Visible) {
      prev->MouseLeave();
      if (!routing.Alive()) return;
      RedrawWithoutMorph(prev);
    }
    if (ShowObjectHint && skinHint_ && !prev->Hint.empty()) HideObjectHint();
  }
  TspActiveSkinObject* now = HoveredObject();
  if (now) {
    if (now->Enabled && now->Visible) {
      now->MouseEnter();
      if (!routing.Alive()) return;
      now = HoveredObject();
      if (now) RedrawWithoutMorph(now);
    }
    now = HoveredObject();
    if (now && IsFormActive() && ShowObjectHint && skinHint_ && !now->Hint.empty()) ShowObjectHintLater(now->Hint);
  }
}

void TspBrenvale::RedrawObject(TspActiveSkinObject* Object) {
  if (!Object || !InRollUpState(Object) || !Form->HandleAllocated()) return;
  if (supportNCArea_) {
    if (ZoomedChild() || Form->BorderStyle() == bsNone) return;
    HWND h = Form->Handle();
    HDC dc = GetWindowDC(h);
    if (!dc) return;
    {
      TCanvas c;
      c.SetHandle(dc);
      Object->Draw(&c, true);
      c.SetHandle(nullptr);
    }
    ReleaseDC(h, dc);
  } else if (Form->Canvas()) {
    Object->Draw(Form->Canvas(), true);
  }
}

void TspBrenvale::RedrawWithoutMorph(TspActiveSkinObject* Object) {
  // A caption button that draws itself without any image of its own (the
  // default look) has no morph that would repaint it: repaint it here, so
  // hover and press show at once.
  if (Object->Kind() == TspObjectKind::StdButton && Object->SkinRectInAPicture && IsNullRect(Object->ActiveSkinRect) &&
      !Object->CanMorphing())
    RedrawObject(Object);
}

void TspBrenvale::ResetObjectStates() {
  for (auto& o : ObjectList) o->ResetState();
}

// ---- Mouse routing --------------------------------------------------------------------------

void TspBrenvale::RouteMouseDown(TMouseButton Button, int X, int Y) {
  TspBrenvaleRoutingGuard routing(this);
  if (!supportNCArea_) ClientDragActive = false;
  HoverTest(X, Y, true);
  if (!routing.Alive()) return;
  TspActiveSkinObject* o = HoveredObject();
  if (o) {
    if (supportNCArea_ && o->Kind() != TspObjectKind::Caption && Form->HandleAllocated()) {
      SetCapture(Form->Handle());
      objectCapture_ = true;
    }
    PressedIndex = HoveredIndex;
    o->MouseDown(X, Y, Button);
    if (routing.Alive() && HoveredObject() == o) RedrawWithoutMorph(o);
    return;
  }
  if (!supportNCArea_ && Button == TMouseButton::mbLeft && WindowState != spwsMaximized && DraggAble) {
    POINT c{};
    GetCursorPos(&c);
    StartClientDrag(TPoint{c.X, c.Y});
  }
}

void TspBrenvale::RouteMouseUp(TMouseButton Button, int X, int Y) {
  TspBrenvaleRoutingGuard routing(this);
  if (!supportNCArea_) ClientDragActive = false;
  if (PressedIndex < 0 || PressedIndex >= int(ObjectList.size())) {
    // The pressed object may be gone (freed by its own handler); the
    // capture taken for it goes all the same.
    PressedIndex = -1;
    if (objectCapture_ && Form->HandleAllocated() && GetCapture() == Form->Handle()) ReleaseCapture();
    objectCapture_ = false;
    return;
  }
  const int pressed = PressedIndex;
  TspActiveSkinObject* o = ObjectList[std::size_t(pressed)].get();
  PressedIndex = -1;
  if (supportNCArea_ && o->Kind() != TspObjectKind::Caption && GetCapture() == Form->Handle()) ReleaseCapture();
  objectCapture_ = false;
  const std::size_t index = std::size_t(pressed);
  o->MouseUp(X, Y, Button);
  if (routing.Alive() && index < ObjectList.size() && ObjectList[index].get() == o) RedrawWithoutMorph(o);
}

void TspBrenvale::RouteMouseMove(int X, int Y) {
  if (!supportNCArea_ && ClientDragActive) return;
  TspBrenvaleRoutingGuard routing(this);
  TspActiveSkinObject* o = nullptr;
  if (PressedIndex >= 0 && PressedIndex < int(ObjectList.size()))
    o = ObjectList[std::size_t(PressedIndex)].get();
  else
    o = HoveredObject();
  if (o) o->MouseMove(X, Y);
}

void TspBrenvale::RouteDblClick() {
  TspBrenvaleRoutingGuard routing(this);
  if (TspActiveSkinObject* o = HoveredObject()) o->DblClick();
}

// ---- Timers ---------------------------------------------------------------------------------------

void TspBrenvale::StartMorphTimer() {
  if (MorphTimer && !MorphTimer->Enabled()) MorphTimer->SetEnabled(true);
}
void TspBrenvale::StartAnimateTimer() {
  if (AnimateTimer && !AnimateTimer->Enabled()) AnimateTimer->SetEnabled(true);
}
void TspBrenvale::StartHoverTimer() {
  if (HoverTimer && !HoverTimer->Enabled()) HoverTimer->SetEnabled(true);
}
void TspBrenvale::StopTimers() {
  if (MorphTimer) MorphTimer->SetEnabled(false);
  if (AnimateTimer) AnimateTimer->SetEnabled(false);
  if (HoverTimer) HoverTimer->SetEnabled(false);
}

void TspBrenvale::HoverTimerTick(TObject*) {
  if (!SkinApplied && !supportNCArea_) return;
  TspBrenvaleRoutingGuard routing(this);
  POINT c{};
  GetCursorPos(&c);
  const bool overForm = Form->HandleAllocated() && WindowFromPoint(c) == Form->Handle();
  if (supportNCArea_) {
    if (!overForm) {
      HoverTimer->SetEnabled(false);
      HoverTest(-1, -1, false);
    } else if (InSizeMove) {
      HoverTimer->SetEnabled(false);
    } else {
      const TPoint p = ToWindowPoint(TPoint{c.X, c.Y});
      if (!PtIn(FittedClientRectForHover(), p.X, p.Y)) {
        HoverTest(p.X, p.Y, true);
      } else {
        if (HoveredIndex != -1) HoverTest(-1, -1, true);
        // Over the client nothing is to be polled; the next hit test on an
        // object starts the timer again.
        if (routing.Alive() && PressedIndex == -1) HoverTimer->SetEnabled(false);
      }
    }
  } else if (!ClientDragActive) {
    const TPoint p = Form->ScreenToClient(TPoint{c.X, c.Y});
    if (overForm) {
      HoverTest(p.X, p.Y, true);
    } else {
      HoverTest(-1, -1, false);
      HoverStarted = false;
      HoverTimer->SetEnabled(false);
    }
  }
  if (routing.Alive() && UseSkinCursors) UpdateSkinCursor();
}

TRect TspBrenvale::FittedClientRectForHover() const {
  if (UseSkinFrame()) return FittedClientRect;
  // The default look's client area.
  return TRect{kDefBorder, CaptionHeight() + kDefBorder, Form->Width() - kDefBorder, Form->Height() - kDefBorder};
}

void TspBrenvale::MorphTimerTick(TObject*) {
  TspBrenvaleRoutingGuard routing(this);
  bool any = false;
  for (std::size_t i = 0; i < ObjectList.size() && routing.Alive(); ++i) {
    TspActiveSkinObject* o = ObjectList[i].get();
    if (o->CanMorphing() && o->IsMorphing()) {
      o->MorphStep();
      any = true;
    }
  }
  if (routing.Alive() && !any) MorphTimer->SetEnabled(false);
}

void TspBrenvale::AnimateTimerTick(TObject*) {
  TspBrenvaleRoutingGuard routing(this);
  bool any = false;
  for (std::size_t i = 0; i < ObjectList.size() && routing.Alive(); ++i)
    if (ObjectList[i]->AnimateTick()) any = true;
  if (routing.Alive() && !any) AnimateTimer->SetEnabled(false);
}

void TspBrenvale::UpdateSkinCursor() {
  if (!skinData_) return;
  int index = skinData_->cursorindex;
  if (TspActiveSkinObject* o = HoveredObject())
    if (o->CursorIndex != -1) index = o->CursorIndex;
  const TCursor cursor = index == -1 ? crDefault : TCursor(skinData_->startcursorindex + index);
  if (Form->Cursor() != cursor) Form->SetCursor(cursor);
}

TPoint TspBrenvale::WindowScreenOrigin() const {
  if (IsMDIChild()) {
    const TPoint off = UseSkinFrame() ? TPoint{FittedClientRect.Left, FittedClientRect.Top}
                                      : TPoint{kDefBorder, CaptionHeight() + kDefBorder};
    return Form->ClientToScreen(TPoint{-off.X, -off.Y});
  }
  if (!supportNCArea_) return Form->ClientToScreen(TPoint{0, 0});
  return TPoint{Form->Left(), Form->Top()};
}

// ---- Area controls -------------------------------------------------------------------------------

void TspBrenvale::BindAreaControls() {
  AreaControls.clear();
  if (!skinData_) return;
  TspSkinControlLinks& links = SkinControlLinks();
  if (!links.AreaName) return;
  for (int i = 0; i < Form->ControlCount(); ++i) {
    TControl* c = Form->Controls(i);
    const std::string name = links.AreaName(c);
    if (name.empty()) continue;
    const int ai = skinData_->GetAreaIndex(name);
    if (ai < 0) continue;
    const TRect r = skinData_->SkinAreas[std::size_t(ai)]->AreaBounds;
    if (IsNullRect(r)) continue;
    c->SetAlign(alNone);
    c->FreeNotification(this);
    AreaControls.push_back(TAreaControl{c, r});
  }
}

void TspBrenvale::PlaceAreaControls() {
  const bool stretches = SkinStretches();
  for (const TAreaControl& a : AreaControls) {
    const TRect r = stretches ? AnchorRect(a.Rect) : a.Rect;
    a.Control->SetBounds(r.Left, r.Top, r.Width(), r.Height());
    if (auto* w = dynamic_cast<TWinControl*>(a.Control)) w->Realign();
  }
}

TspSkinBarLinks& SkinBarLinks() {
  static TspSkinBarLinks links;
  return links;
}

TspSkinControlLinks& SkinControlLinks() {
  static TspSkinControlLinks links;
  return links;
}
