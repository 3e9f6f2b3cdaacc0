// The controller's own window states: maximize to the work area, minimize
// to a slot along the bottom of the work area (or the application's
// minimize for the main form), restore, roll-up to the caption; magnetic
// edges while moving; dragging a frameless form by its client area.
#include <algorithm>
#include <cstdlib>

#include "platform/gdi/Gdi.h"
#include "platform/ui/forms/Application.h"
#include "platform/ui/forms/Screen.h"
#include "platform/ui/forms/Timer.h"
#include "platform/user/User.h"
#include "skin/engine/SPUtils.h"
#include "skin/engine/SkinData.h"
#include "skin/windows/Brenvale.h"
#include "skin/windows/Brenvale_Internal.h"

namespace {

TPoint CursorPos() {
  POINT c{};
  GetCursorPos(&c);
  return TPoint{c.X, c.Y};
}

bool IsMainForm(const TCustomForm* f) {
  return Application && static_cast<const TCustomForm*>(Application->MainForm()) == f;
}

}  // namespace

// ---- Window states ------------------------------------------------------------------------

void TspBrenvale::ChangeWindowState(TspWindowState State) {
  if (State == WindowState) return;
  const TspWindowState old = WindowState;
  if (!(State == spwsMinimized && IsMainForm(Form))) WindowState = State;
  switch (State) {
    case spwsNormal:
      if (old == spwsMaximized && RollUpState && !RestoreRollUp) ChangeRollUpState(false);
      RestoreRollUp = false;
      RestoreFromState();
      break;
    case spwsMinimized:
      MinimizeToSlot();
      break;
    case spwsMaximized:
      RestoreRollUp = RollUpState;
      MaximizeToWorkArea();
      break;
  }
}

TRect TspBrenvale::MDIFreeArea() const {
  // The parent's client area less its aligned controls, in its client
  // coordinates.
  TCustomForm* main = Application ? static_cast<TCustomForm*>(Application->MainForm()) : nullptr;
  if (!main) return TRect{};
  TRect r{0, 0, main->ClientWidth(), main->ClientHeight()};
  for (int i = 0; i < main->ControlCount(); ++i) {
    TControl* c = main->Controls(i);
    if (!c->Visible()) continue;
    switch (c->Align()) {
      case alLeft:
        r.Left = std::max(r.Left, c->Left() + c->Width());
        break;
      case alTop:
        r.Top = std::max(r.Top, c->Top() + c->Height());
        break;
      case alRight:
        r.Right = std::min(r.Right, c->Left());
        break;
      case alBottom:
        r.Bottom = std::min(r.Bottom, c->Top());
        break;
      default:
        break;
    }
  }
  return r;
}

void TspBrenvale::MinimizeToSlot() {
  if (IsMainForm(Form) || !supportNCArea_) {
    if (Application) Application->Minimize();
    if (OnMinimize) OnMinimize(this);
    return;
  }
  if (IsNullRect(SavedBounds)) SavedBounds = Form->BoundsRect();
  PlaceInMinimizedSlot();
  if (IsMDIChild() && Application && Application->MainForm())
    Application->MainForm()->Perform(SPMSG_MDICHILDRESTORED, 0, 0);
  if (OnMinimize) OnMinimize(this);
}

void TspBrenvale::PlaceInMinimizedSlot() {
  // A degenerate skin can ask for slots of no size; they still take room.
  const int w = std::max(1, MinFrameWidth()), h = std::max(1, MinFrameHeight());
  TRect area{};
  TPoint slot{};
  if (IsMDIChild()) {
    area = MDIFreeArea();
    area = TRect{0, 0, area.Width(), area.Height()};
  } else {
    area = TRect{0, 0, Screen ? Screen->Width() : 0, Screen ? Screen->Height() : 0};
    GetMonitorWorkArea(Form->HandleAllocated() ? Form->Handle() : nullptr, true, area);
  }
  slot = TPoint{area.Left, area.Bottom - h};
  const TPoint first = slot;
  auto taken = [this](TPoint p) {
    if (!Screen) return false;
    for (int i = 0; i < Screen->CustomFormCount(); ++i) {
      TCustomForm* f = Screen->CustomForms(i);
      if (f == Form || !f->Visible() || IsMainForm(f)) continue;
      if (IsMDIChild() != (f->FormStyle() == fsMDIChild)) continue;
      if (IsMDIChild() && f->Parent() != Form->Parent()) continue;
      TspBrenvale* c = FindController(f);
      if (c && c->WindowState == spwsMinimized && f->Left() == p.X && f->Top() == p.Y) return true;
    }
    return false;
  };
  // Every slot of the area is visited at most once.
  const long long maxSteps = (long long)(area.Width() / w + 2) * (area.Height() / h + 2);
  long long steps = 0;
  while (taken(slot)) {
    if (++steps > maxSteps) {
      slot = first;
      break;
    }
    slot.X += w;
    if (slot.X + w > area.Right) {
      slot.X = area.Left;
      slot.Y -= h;
      if (slot.Y < area.Top) {
        slot = first;
        break;
      }
    }
  }
  Form->SetBounds(slot.X, slot.Y, w, h);
}

void TspBrenvale::MaximizeToWorkArea() {
  if (IsNullRect(SavedBounds)) SavedBounds = Form->BoundsRect();
  if (IsMDIChild()) {
    HoverTimer->SetEnabled(false);
    HoverTest(-1, -1, false);
    const TRect a = MDIFreeArea();
    const int oldW = Form->Width(), oldH = Form->Height();
    Form->SetBounds(0, 0, a.Width(), a.Height());
    if (oldW == Form->Width() && oldH == Form->Height()) RelayoutJiggle();
    if (Application && Application->MainForm()) Application->MainForm()->Perform(SPMSG_MDICHILDMAXIMIZED, 0, 0);
  } else {
    HWND h = Form->HandleAllocated() ? Form->Handle() : nullptr;
    const TRect screenRect{0, 0, Screen ? Screen->Width() : 0, Screen ? Screen->Height() : 0};
    TRect whole = screenRect, work = screenRect;
    GetMonitorWorkArea(h, false, whole);
    GetMonitorWorkArea(h, true, work);
    TRect r = MaximizeOnFullScreen ? whole : work;
    if (!MaximizeOnFullScreen && work.Width() == whole.Width() && work.Height() == whole.Height() &&
        RectsAreEqual(whole, screenRect))
      r = TRect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
    // The desktop learns of it first, so a window manager keeps the bounds
    // to restore and a restore from its side comes back here.
    if (h) SetDesktopMaximized(h, TRUE);
    Form->SetBounds(r.Left, r.Top, r.Width(), r.Height());
  }
  if (statusBar_ && SkinControlLinks().SetSizeGripShown) SkinControlLinks().SetSizeGripShown(statusBar_, false);
  if (OnMaximize) OnMaximize(this);
}

void TspBrenvale::RestoreFromState() {
  MaximizedRollUp = false;
  if (!IsMDIChild() && Form->HandleAllocated()) SetDesktopMaximized(Form->Handle(), FALSE);
  const int oldW = Form->Width(), oldH = Form->Height();
  if (supportNCArea_) {
    if (PositionPending && !IsNullRect(SavedBounds)) {
      PositionPending = false;
      int left = SavedBounds.Left, top = SavedBounds.Top;
      const int w = SavedBounds.Width(), h = SavedBounds.Height();
      if (PositionInMonitor != sppDefault) {
        TRect area{0, 0, Screen ? Screen->Width() : 0, Screen ? Screen->Height() : 0};
        GetMonitorWorkArea(Form->HandleAllocated() ? Form->Handle() : nullptr,
                           PositionInMonitor == sppDesktopCenter, area);
        left = area.Left + area.Width() / 2 - w / 2;
        top = area.Top + area.Height() / 2 - h / 2;
      }
      Form->SetBounds(left, top, w, h);
    } else if (!IsNullRect(SavedBounds)) {
      // Without saved bounds (the application itself was minimized) the
      // form keeps its place and size.
      Form->SetBoundsRect(SavedBounds);
    }
    StartHoverTimer();
    if (oldW == Form->Width() && oldH == Form->Height()) RelayoutJiggle();
    Form->Invalidate();
    PaintNCNow();
    if (IsMDIChild() && Application && Application->MainForm())
      Application->MainForm()->Perform(SPMSG_MDICHILDRESTORED, 0, 0);
    SavedBounds = TRect{};
  } else {
    if (!IsNullRect(SavedBounds)) Form->SetBoundsRect(SavedBounds);
    SavedBounds = TRect{};
    StartHoverTimer();
  }
  if (statusBar_ && SkinControlLinks().SetSizeGripShown) SkinControlLinks().SetSizeGripShown(statusBar_, true);
  if (OnRestore) OnRestore(this);
}

void TspBrenvale::CloseForm() { Form->Close(); }

// ---- Roll-up -----------------------------------------------------------------------------------

void TspBrenvale::ChangeRollUpState(bool Value) {
  if (!SkinApplied && !supportNCArea_) return;
  if (!(borderIcons_ & spbiRollUp)) return;
  if (RollUpState && WindowState == spwsMaximized && !MaximizedRollUp) return;
  if (WindowState == spwsMinimized) return;
  // Rolling up what is rolled up would save the rolled height as the one to
  // come back to.
  if (Value == RollUpState) return;
  if (WindowState == spwsMaximized) MaximizedRollUp = Value;
  RollUpState = Value;
  if (supportNCArea_) {
    if (Value) {
      rolledUpSavedHeight_ = Form->Height();
      Form->SetHeight(MinFrameHeight());
    } else if (ClientHeight != 0) {
      Form->SetClientHeight(ClientHeight);
    } else if (rolledUpSavedHeight_ > 0) {
      Form->SetHeight(rolledUpSavedHeight_);
    }
  } else {
    if (!skinData_ || skinData_->RollUpPicture.Empty()) {
      RollUpState = false;
      return;
    }
    if (Value) {
      rolledUpSavedHeight_ = Form->Height();
      ShowRolledUpFrame();
    } else {
      RollDownFrame();
    }
  }
  if (OnChangeRollUpState) OnChangeRollUpState(this);
}

void TspBrenvale::ShowRolledUpFrame() {
  TspSkinData& s = *skinData_;
  const int rw = s.RollUpPicture.Width(), rh = s.RollUpPicture.Height();
  int w = rw;
  if (s.rollupleftpoint.X < s.rolluprightpoint.X) {
    w = Form->Width();
    const int d = w - rw;
    for (auto& o : ObjectList) {
      if (!o->RollUp) continue;
      TRect r = o->SkinRect;
      if (r.Left >= s.rolluprightpoint.X)
        r = brenvale::Offset(r, d, 0);
      else if (r.Left > s.rollupleftpoint.X)
        ;
      else if (r.Right >= s.rolluprightpoint.X)
        r.Right += d;
      o->ObjectRect = r;
    }
  }
  HoverTest(-1, -1, false);
  HoverTimer->SetEnabled(false);
  MorphTimer->SetEnabled(false);
  if (HiddenControls.empty()) {
    for (int i = 0; i < Form->ControlCount(); ++i) {
      TControl* c = Form->Controls(i);
      if (!c->Visible()) continue;
      c->SetVisible(false);
      c->FreeNotification(this);
      HiddenControls.push_back(c);
    }
  }
  Form->SetClientWidth(w);
  Form->SetClientHeight(rh);
  UpdateRollUpRegion();
  Form->Invalidate();
  StartHoverTimer();
  StartMorphTimer();
}

void TspBrenvale::RollDownFrame() {
  HoverTest(-1, -1, false);
  HoverTimer->SetEnabled(false);
  MorphTimer->SetEnabled(false);
  for (TControl* c : HiddenControls) c->SetVisible(true);
  HiddenControls.clear();
  if (SkinStretches() && rolledUpSavedHeight_ > 0) Form->SetHeight(rolledUpSavedHeight_);
  FitClientToSkin();
  UpdateRegion(SkinStretches());
  Form->Invalidate();
  StartHoverTimer();
  StartMorphTimer();
}

void TspBrenvale::UpdateRollUpRegion() {
  if (!Form->HandleAllocated() || !skinData_) return;
  HWND h = Form->Handle();
  TspSkinData& s = *skinData_;
  if (s.RollUpMask.Empty()) {
    if (WindowRegion) {
      SetWindowRgn(h, nullptr, TRUE);
      WindowRegion = nullptr;
    }
    return;
  }
  HRGN rgn = nullptr;
  if (s.rollupleftpoint.X < s.rolluprightpoint.X) {
    TBitmap wide;
    const TRect S{0, 0, s.RollUpMask.Width(), s.RollUpMask.Height()};
    CreateHSkinImage(s.rollupleftpoint.X, S.Width() - s.rolluprightpoint.X, &wide, &s.RollUpMask, S,
                     Form->ClientWidth(), true);
    CreateRegionFromBitmap(rgn, &wide);
  } else {
    CreateRegionFromBitmap(rgn, &s.RollUpMask);
  }
  if (!rgn) return;
  SetWindowRgn(h, rgn, TRUE);
  WindowRegion = rgn;
}

void TspBrenvale::FitClientToSkin() {
  if (!skinData_ || skinData_->Empty) return;
  const int pw = skinData_->Picture.Width(), ph = skinData_->Picture.Height();
  // A skin without a frame picture has no size to give.
  if (pw <= 0 || ph <= 0) return;
  if (SkinStretches()) {
    if (MinWidth != 0 && MinHeight != 0) return;
    if (Form->ClientWidth() < pw) Form->SetClientWidth(pw);
    if (Form->ClientHeight() < ph) Form->SetClientHeight(ph);
  } else {
    Form->SetClientWidth(pw);
    Form->SetClientHeight(ph);
    Sizeable = false;
  }
}

// ---- Magnetic edges and dragging ---------------------------------------------------------

void TspBrenvale::ClearMagneticStick() { stickLeft_ = stickTop_ = stickRight_ = stickBottom_ = false; }

void TspBrenvale::SetMagneticAnchor() { anchor_ = CursorPos(); }

void TspBrenvale::MagneticSnap(int& Left, int& Top, int Height, int Width) {
  if (!Magnetic) return;
  const int M = MagneticSize;
  TRect area{};
  if (IsMDIChild()) {
    const TRect a = MDIFreeArea();
    TCustomForm* main = Application ? static_cast<TCustomForm*>(Application->MainForm()) : nullptr;
    const TPoint o = main ? main->ClientToScreen(TPoint{a.Left, a.Top}) : TPoint{a.Left, a.Top};
    area = TRect{o.X, o.Y, o.X + a.Width(), o.Y + a.Height()};
  } else {
    area = TRect{0, 0, Screen ? Screen->Width() : 0, Screen ? Screen->Height() : 0};
    GetMonitorWorkArea(Form->HandleAllocated() ? Form->Handle() : nullptr, true, area);
  }
  const TPoint c = CursorPos();
  // One edge: pos is the proposed coordinate of that edge's side, edge the
  // work area's, snapTo what the form's Left/Top becomes when snapped.
  auto edge = [M](int& value, int pos, int edgeCoord, int snapTo, int cursor, int& anchor, bool& stuck) {
    const bool near = edgeCoord - M < pos && pos < edgeCoord + M;
    if (near && !stuck) {
      value = snapTo;
      anchor = cursor;
    } else if (stuck) {
      if (std::abs(cursor - anchor) > M)
        value = cursor + snapTo - anchor;
      else
        value = snapTo;
    }
    stuck = near;
  };
  edge(Left, Left, area.Left, area.Left, c.X, anchor_.X, stickLeft_);
  edge(Top, Top, area.Top, area.Top, c.Y, anchor_.Y, stickTop_);
  edge(Left, Left + Width, area.Right, area.Right - Width, c.X, anchor_.X, stickRight_);
  edge(Top, Top + Height, area.Bottom, area.Bottom - Height, c.Y, anchor_.Y, stickBottom_);
}

void TspBrenvale::StartClientDrag(TPoint Screen) {
  ClientDragActive = true;
  DragPoint = Screen;
}

void TspBrenvale::ClientDragStep() {
  const TPoint c = CursorPos();
  if (c.X == DragPoint.X && c.Y == DragPoint.Y) return;
  int left = c.X + Form->Left() - DragPoint.X;
  int top = c.Y + Form->Top() - DragPoint.Y;
  if (Magnetic) MagneticSnap(left, top, Form->Height(), Form->Width());
  Form->SetBounds(left, top, Form->Width(), Form->Height());
  DragPoint = c;
}
