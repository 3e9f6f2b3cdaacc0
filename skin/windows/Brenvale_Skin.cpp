// Skin changes: the skin data's messages around a load, applying a skin to
// the frame, the walks that let skinned controls re-read their descriptions,
// and switching skinning of the form off and on.
#include "platform/ui/forms/Application.h"
#include "platform/ui/forms/Screen.h"
#include "platform/ui/forms/Timer.h"
#include "platform/user/User.h"
#include "skin/engine/SPUtils.h"
#include "skin/engine/SkinData.h"
#include "skin/windows/Brenvale.h"
#include "skin/windows/Brenvale_Internal.h"

void TspBrenvale::SetSkinData(TspSkinData* v) {
  if (skinData_ == v) return;
  skinData_ = v;
  if (TrayPopupMenu) TrayPopupMenu->SetSkinData(v);
  if (v) {
    v->FreeNotification(this);
    if (!IsMDIChild()) Skinnable = v->SkinnableForm();
  }
  ApplySkin();
}

void TspBrenvale::ApplySkin() {
  HoveredIndex = LastHoveredIndex = PressedIndex = -1;
  // The kept border images belong to the skin before.
  borderW_ = borderH_ = -1;
  SkinApplied = skinData_ && !skinData_->Empty;
  ButtonGlowLayer->Hide();
  MenuGlowLayer->Hide();
  UpdateCustomFrame();
  if (supportNCArea_) {
    if (SkinApplied && Skinnable) {
      CreateObjects();
      UpdateBorderIcons();
    } else {
      FreeObjects();
      FrameWidth = Form->Width();
      FrameHeight = Form->Height();
      UpdateRegion(true);
    }
    if (Skinnable) {
      if (Form->BorderIcons() != 0) Form->SetBorderIcons(0);
    } else {
      TBorderIcons icons = 0;
      if (!HideCaptionButtons) icons |= biSystemMenu;
      if (borderIcons_ & spbiMinimize) icons |= biMinimize;
      if (borderIcons_ & spbiMaximize) icons |= biMaximize;
      Form->SetBorderIcons(icons);
    }
    const int minW = MinFrameWidth(), minH = MinFrameHeight();
    const bool narrow = Form->Width() < minW, low = Form->Height() < minH;
    if (narrow && low)
      Form->SetBounds(Form->Left(), Form->Top(), minW, minH);
    else if (low)
      Form->SetHeight(minH);
    else if (narrow)
      Form->SetWidth(minW);
    else if (Form->HandleAllocated())
      RelayoutJiggle();
    if ((RollUpState || WindowState == spwsMinimized) && Form->Height() != MinFrameHeight())
      Form->SetHeight(MinFrameHeight());
    if (WindowState == spwsMinimized && Form->Width() != MinFrameWidth()) Form->SetWidth(MinFrameWidth());
    FrameWidth = Form->Width();
    FrameHeight = Form->Height();
    if (SkinApplied) ClientRectChanged(true);
    if (IsMDIForm() && Form->ClientHandle()) {
      InvalidateRect(Form->ClientHandle(), nullptr, TRUE);
      RefitMDIChildren(true);
    } else {
      Form->Invalidate();
    }
    PaintNCNow();
    UpdateCaptionActivation(!ZoomedChild());
    StartHoverTimer();
    if (OnChangeSkinData) OnChangeSkinData(this);
    if (!RollUpState) {
      if (ClientWidth > 0) Form->SetClientWidth(ClientWidth);
      if (ClientHeight > 0) Form->SetClientHeight(ClientHeight);
    }
    return;
  }
  if (!SkinApplied) return;
  if (RollUpState && skinData_->RollUpPicture.Empty()) {
    RollUpState = false;
    RollDownFrame();
  } else if (!RollUpState) {
    FitClientToSkin();
  }
  CreateObjects();
  UpdateBorderIcons();
  if (RollUpState) ShowRolledUpFrame();
  if (OnChangeSkinData) OnChangeSkinData(this);
  const bool stretches = SkinStretches();
  if (!RollUpState && (stretches || (Form->ClientWidth() == skinData_->Picture.Width() &&
                                     Form->ClientHeight() == skinData_->Picture.Height())))
    ClientRectChanged(stretches);
  LayoutObjects();
  BindAreaControls();
  PlaceAreaControls();
  UpdateCaptionActivation(true);
  StartHoverTimer();
}

void TspBrenvale::SwitchSkinnable(bool Value) {
  NCActive = IsFormActive();
  if (IsMDIForm() && Form->MDIChildCount() > 0) return;
  bool remaximize = false;
  if (WindowState == spwsMaximized && Skinnable) {
    if (!IsMDIForm()) Form->Hide();
    ChangeWindowState(spwsNormal);
    remaximize = true;
  } else if (Form->WindowState() == wsMaximized && !Skinnable) {
    Form->SetWindowState(wsNormal);
    Form->Hide();
    remaximize = true;
  }
  Skinnable = Value;
  ApplySkin();
  ChangeSkinControls(nullptr, Form);
  if (Form->WindowProc != TWndMethod(this, &TspBrenvale::NewWndProc))
    Form->WindowProc = HookProc();
  if (Form->HandleAllocated()) {
    SetWindowPos(Form->Handle(), nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (IsMDIForm()) {
    // One hook, kept over every switch (the MDI client's own procedure
    // stays saved from the first).
    HookMDIClient();
    RelayoutJiggle();
  } else {
    Form->Refresh();
  }
  if (remaximize) {
    if (!Skinnable)
      Form->SetWindowState(wsMaximized);
    else
      ChangeWindowState(spwsMaximized);
    if (!IsMDIForm()) Form->Show();
  }
}

void TspBrenvale::SendBackgroundChanged() {
  for (int i = 0; i < Form->ControlCount(); ++i)
    if (auto* w = dynamic_cast<TWinControl*>(Form->Controls(i))) w->Perform(SPMSG_BACKGROUNDCHANGED, 0, 0);
}

void TspBrenvale::ResetSkinControls(TspSkinData* Data, TControl* Control) {
  if (!Control) return;
  TspSkinControlLinks& links = SkinControlLinks();
  TspSkinData* bound = nullptr;
  if (links.SkinDataOf && links.ResetSkinIndex && links.SkinDataOf(Control, bound) && (!Data || bound == Data))
    links.ResetSkinIndex(Control);
  if (auto* w = dynamic_cast<TWinControl*>(Control))
    for (int i = 0; i < w->ControlCount(); ++i) ResetSkinControls(Data, w->Controls(i));
}

void TspBrenvale::ChangeSkinControls(TspSkinData* Data, TControl* Control) {
  if (!Control) return;
  TspSkinControlLinks& links = SkinControlLinks();
  TspSkinData* bound = nullptr;
  if (links.SkinDataOf && links.ChangeSkinData && links.SkinDataOf(Control, bound) && (!Data || bound == Data))
    links.ChangeSkinData(Control);
  if (auto* w = dynamic_cast<TWinControl*>(Control))
    for (int i = 0; i < w->ControlCount(); ++i) ChangeSkinControls(Data, w->Controls(i));
}

void TspBrenvale::SkinMessage(TMessage& M) {
  auto* data = reinterpret_cast<TspSkinData*>(M.WParam);
  switch (M.Msg) {
    case SKINMSG_BEFORELOAD:
      if (data && data == skinData_) {
        SkinChanging = true;
        SkinApplied = false;
        StopTimers();
        FreeObjects();
        ResetSkinControls(data, Form);
      }
      break;
    case SKINMSG_LOADED:
      SkinChanging = false;
      if (data && data == skinData_) ApplySkin();
      ChangeSkinControls(data, Form);
      break;
    case SKINMSG_AFTERLOAD:
      if (data && data == skinData_ && IsMDIForm()) RefitMDIChildren(true);
      break;
    case SPMSG_MENUCLOSED:
      SkinMenuClosed();
      break;
    case SKINMSG_RESSTRCHANGED:
      UpdateDefaultHints();
      break;
    case SKINMSG_SKINNABLECHANGED:
      if (data && data == skinData_ && !IsMDIChild()) SwitchSkinnable(data->SkinnableForm());
      break;
    case SPMSG_MDICHILDMAXIMIZED:
      ChildMaximized = true;
      PaintNCNow();
      if (MainMenuBar && SkinBarLinks().ShowChildButtons) SkinBarLinks().ShowChildButtons(MainMenuBar);
      break;
    case SPMSG_MDICHILDRESTORED: {
      bool any = false;
      for (int i = 0; i < Form->MDIChildCount(); ++i) {
        TspBrenvale* c = FindController(Form->MDIChildren(i));
        if (c && c->WindowState == spwsMaximized) any = true;
      }
      if (!any) {
        ChildMaximized = false;
        PaintNCNow();
      }
      // The bar drops the child's buttons, or follows their border icons.
      if (MainMenuBar && SkinBarLinks().UpdateChildButtons) SkinBarLinks().UpdateChildButtons(MainMenuBar);
      break;
    }
    case SPMSG_MDICHILDREFIT:
      if (IsMDIChild() && WindowState == spwsMaximized) {
        const TRect a = MDIFreeArea();
        Form->SetBounds(0, 0, a.Width(), a.Height());
      }
      break;
    default:
      break;
  }
}
