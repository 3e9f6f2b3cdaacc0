// The user object, the button and the caption button; the creators the
// controller's factory calls.
#include "skin/windows/Brenvale_Objects.h"
#include "skin/windows/Brenvale_Objects_Indicators.h"

#include "platform/gdi/Gdi.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/ui/menus/Menus.h"
#include "skin/engine/SPUtils.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/speffbmp.h"
#include "skin/windows/Brenvale.h"

namespace {

// The default look's button faces.
constexpr TColor kNavy = 0x00800000;          // RGB(0, 0, 128)
constexpr TColor kDownFill = 0x00B59385;      // RGB(133, 147, 181)
constexpr TColor kHotFill = 0x00D2BDB6;       // RGB(182, 189, 210)

bool MorphUnderWay(const TspActiveSkinObject& o) {
  return o.CanMorphing() && ((o.Active && o.MorphRatio != 1.0) || (!o.Active && o.MorphRatio != 0.0));
}

// Source of ActivePicture morphed from one rectangle toward another at
// ObjectRect; nothing when a picture or rectangle is missing.
void DrawMorph(const TspActiveSkinObject& o, TCanvas* Cnvs, TBitmap* FromPicture, const TRect& From,
               const TRect& To) {
  const int w = RectWidth(o.ObjectRect), h = RectHeight(o.ObjectRect);
  if (w <= 0 || h <= 0 || !FromPicture || FromPicture->Empty() || !o.ActivePicture || o.ActivePicture->Empty() ||
      IsNullRect(From) || IsNullRect(To))
    return;
  TBitmap normal(w, h, pf24bit), active(w, h, pf24bit);
  const TRect dest{0, 0, w, h};
  normal.Canvas()->CopyRect(dest, FromPicture->Canvas(), From);
  active.Canvas()->CopyRect(dest, o.ActivePicture->Canvas(), To);
  TspEffectBmp a(normal.Handle()), b(active.Handle());
  a.MorphByKind(&b, o.MorphRatio, o.MorphKind);
  a.Draw(Cnvs->Handle(), o.ObjectRect.Left, o.ObjectRect.Top);
}

}  // namespace

// ---- Creation --------------------------------------------------------------------------------

std::unique_ptr<TspActiveSkinObject> CreateCaptionObjectFromDescription(TspBrenvale* Controller,
                                                                        TspDataSkinObject* Description) {
  // A caption button's description is also a button's: test it first.
  if (dynamic_cast<TspDataSkinStdButton*>(Description))
    return std::make_unique<TspSkinStdButtonObject>(Controller, Description);
  if (dynamic_cast<TspDataSkinButton*>(Description))
    return std::make_unique<TspSkinButtonObject>(Controller, Description);
  if (dynamic_cast<TspDataSkinCaption*>(Description))
    return std::make_unique<TspSkinCaptionObject>(Controller, Description);
  if (dynamic_cast<TspDataUserObject*>(Description)) return std::make_unique<TspUserObject>(Controller, Description);
  return CreateIndicatorObjectFromDescription(Controller, Description);
}

std::unique_ptr<TspActiveSkinObject> CreateDefaultCaptionButton(TspBrenvale* Controller, const std::string& IDName,
                                                                TspSkinCommand Command) {
  return std::make_unique<TspSkinStdButtonObject>(Controller, IDName, Command);
}

std::unique_ptr<TspActiveSkinObject> CreateMainMenuItemObject(TspBrenvale* Controller,
                                                              TspDataSkinMainMenuItem* Description, TMenuItem* Item) {
  auto o = std::make_unique<TspSkinMainMenuItem>(Controller, Description);
  if (Item) {
    o->IDName = Item->Name();
    o->Enabled = Item->Enabled();
    o->SavedEnabled = o->Enabled;
    o->MenuItem = Item;
  }
  return o;
}

// ---- User object -------------------------------------------------------------------------------

void TspUserObject::Draw(TCanvas* Cnvs, bool) {
  if (Controller) Controller->FirePaint(IDName, Cnvs, ObjectRect);
}

// ---- Button ------------------------------------------------------------------------------------

TspSkinButtonObject::TspSkinButtonObject(TspBrenvale* AController, TspDataSkinObject* Description)
    : TspActiveSkinObject(AController, Description) {
  if (auto* d = dynamic_cast<TspDataSkinButton*>(Description)) {
    DownRect = d->downrect;
    DisableSkinRect = d->disableskinrsect;
    GroupIndex = d->groupindex;
  }
  Active = false;
  PointerInside = false;
  MorphRatio = 0.0;
}

void TspSkinButtonObject::Redraw() {
  if (Controller) Controller->RedrawObject(this);
}

TspLayerManager* TspSkinButtonObject::GlowLayer() const {
  if (!Controller) return nullptr;
  return MenuItem ? Controller->MenuGlowLayer : Controller->ButtonGlowLayer;
}

bool TspSkinButtonObject::GlowAllowed() const {
  return SkinData && !SkinData->Empty && GlowLayerPictureIndex != -1 && IsWindows2000OrLater() &&
         SkinData->ShowCaptionButtonGlowFrames && GlowLayer();
}

void TspSkinButtonObject::ShowLayer() {
  if (!GlowAllowed()) return;
  TBitmap* glow = SkinData->GetActivePicture(GlowLayerPictureIndex);
  if (!glow) return;
  TBitmap* mask = SkinData->GetActivePicture(GlowLayerMaskPictureIndex);
  const TPoint origin = Controller->WindowScreenOrigin();
  GlowLayer()->Show(origin.X + ObjectRect.Left - GlowLayerOffsetX, origin.Y + ObjectRect.Top - GlowLayerOffsetY, glow,
                    mask, GlowLayerAlphaBlendValue);
}

void TspSkinButtonObject::HideLayer() {
  if (GlowAllowed()) GlowLayer()->Hide();
}

void TspSkinButtonObject::Draw(TCanvas* Cnvs, bool UpDate) {
  if (!SkinData || SkinData->Empty || !Cnvs) return;
  if (!Enabled && !IsNullRect(DisableSkinRect)) {
    CopyPictureRect(Cnvs, ActivePicture, DisableSkinRect);
    return;
  }
  // Outside a group a pressed button looks pressed only under the mouse.
  if (Down && !IsNullRect(DownRect) && (GroupIndex != -1 || PointerInside)) {
    CopyPictureRect(Cnvs, ActivePicture, DownRect);
    return;
  }
  // Without an active image there is nothing to morph toward or show:
  // the normal image stays whatever the hover.
  if (IsNullRect(ActiveSkinRect)) {
    const bool formActive = Controller ? Controller->IsFormActive() : true;
    if (Enabled && !formActive && !IsNullRect(InActiveSkinRect)) {
      CopyPictureRect(Cnvs, ActivePicture, InActiveSkinRect);
      return;
    }
    if (UpDate || SkinRectInAPicture) CopyPictureRect(Cnvs, SkinRectInAPicture ? ActivePicture : Picture, SkinRect);
    return;
  }
  TspActiveSkinObject::Draw(Cnvs, UpDate);
}

void TspSkinButtonObject::ReleaseGroupButton() {
  if (GroupIndex == -1 || !Controller) return;
  for (auto& item : Controller->ObjectList) {
    auto* b = dynamic_cast<TspSkinButtonObject*>(item.get());
    if (b && b != this && b->IDName != IDName && b->GroupIndex == GroupIndex && b->Down) {
      b->SetDown(false);
      return;
    }
  }
}

void TspSkinButtonObject::SetDown(bool Value) {
  Down = Value;
  if (MenuItem && IsNullRect(DownRect)) {
    if (Down) {
      PointerInside = true;
      Active = true;
      if (CanMorphing()) MorphRatio = 1.0;
      Redraw();
    } else {
      Redraw();
      if (CanMorphing()) StartMorph();
    }
  }
  if (IsNullRect(DownRect)) {
    if (Down) ReleaseGroupButton();
    return;
  }
  if (Down) {
    if (CanMorphing()) MorphRatio = 1.0;
    Redraw();
    ReleaseGroupButton();
  } else {
    if (GroupIndex != -1 || MenuItem) Active = false;
    if (CanMorphing()) Redraw();
    StartMorph();
  }
}

void TspSkinButtonObject::PopupItemMenu() {
  if (!MenuItem || MenuItem->Count() == 0 || !Controller) return;
  if (Controller->ButtonGlowLayer && Controller->ButtonGlowLayer->LayerVisible) Controller->ButtonGlowLayer->Hide();
  if (Controller->MenuGlowLayer && Controller->MenuGlowLayer->LayerVisible) Controller->MenuGlowLayer->Hide();
  if (PointerInside) ShowLayer();
  const TPoint origin = Controller->WindowScreenOrigin();
  const TRect screen{origin.X + ObjectRect.Left, origin.Y + ObjectRect.Top, origin.X + ObjectRect.Right,
                     origin.Y + ObjectRect.Bottom};
  Controller->SkinMenuOpened();
  Controller->PopupObjectMenu(this, MenuItem, screen, false);
}

void TspSkinButtonObject::MouseDown(int X, int Y, TMouseButton Button) {
  if (!Enabled) return;
  if (Button == TMouseButton::mbLeft && !Down) {
    SetDown(true);
    PopupItemMenu();
  }
  TspActiveSkinObject::MouseDown(X, Y, Button);
}

void TspSkinButtonObject::MouseUp(int X, int Y, TMouseButton Button) {
  if (!Enabled) return;
  if (Button == TMouseButton::mbLeft && !MenuItem && Down && GroupIndex == -1) SetDown(false);
  TspActiveSkinObject::MouseUp(X, Y, Button);
}

void TspSkinButtonObject::MouseEnter() {
  PointerInside = true;
  Active = true;
  if (IsNullRect(DownRect) || !Down) {
    if (!IsNullRect(ActiveSkinRect)) StartMorph();
    if (MenuItem) ShowLayer();
  }
  if (Down && !IsNullRect(DownRect) && GroupIndex == -1) Redraw();
  if (Controller) Controller->FireMouseEnter(IDName);
  if (!MenuItem) ShowLayer();
}

void TspSkinButtonObject::MouseLeave() {
  PointerInside = false;
  if (MenuItem && Down && IsNullRect(DownRect)) {
    Active = false;
  } else if (Down && !IsNullRect(DownRect) && (MenuItem || GroupIndex != -1)) {
    // Stays pressed.
  } else {
    Active = false;
    if (CanMorphing() && Down) MorphRatio = 1.0;
    if (!IsNullRect(ActiveSkinRect) || (!IsNullRect(DownRect) && GroupIndex == -1)) StartMorph();
    if (MenuItem) HideLayer();
  }
  if (Controller) Controller->FireMouseLeave(IDName);
  if (!MenuItem) HideLayer();
}

bool TspSkinButtonObject::IsMorphing() { return TspActiveSkinObject::IsMorphing() && !(MenuItem && Down); }

void TspSkinButtonObject::ResetState() {
  TspActiveSkinObject::ResetState();
}

// ---- Caption button ------------------------------------------------------------------------------

TspSkinStdButtonObject::TspSkinStdButtonObject(TspBrenvale* AController, TspDataSkinObject* Description)
    : TspSkinButtonObject(AController, Description) {
  Skinned = Description != nullptr;
  if (auto* d = dynamic_cast<TspDataSkinStdButton*>(Description)) {
    ButtonCommand = d->command;
    RestoreRect = d->restorerect;
    RestoreActiveRect = d->restoreactiverect;
    RestoreDownRect = d->restoredownrect;
    RestoreInActiveRect = d->restoreinactiverect;
    RestoreHint = d->restorehint;
  }
  if (Description) NormalHint = Description->hint;
}

TspSkinStdButtonObject::TspSkinStdButtonObject(TspBrenvale* AController, const std::string& AIDName,
                                               TspSkinCommand ACommand)
    : TspSkinButtonObject(AController, nullptr) {
  Skinned = false;
  IDName = AIDName;
  ButtonCommand = ACommand;
  SkinRectInAPicture = true;
  SkinRect = TRect{0, 0, 1, 1};
  ObjectRect = SkinRect;
}

bool TspSkinStdButtonObject::InRestoreState() const {
  if (!Controller) return false;
  switch (ButtonCommand) {
    case cmMaximize:
      return Controller->WindowState == spwsMaximized;
    case cmMinimize:
      return Controller->WindowState == spwsMinimized;
    case cmRollUp:
      return Controller->RollUpState;
    default:
      return false;
  }
}

bool TspSkinStdButtonObject::IconMode() const {
  return ButtonCommand == cmSysMenu && Controller && Controller->ShowIcon() && SkinRectInAPicture;
}

bool TspSkinStdButtonObject::HitTest(int X, int Y) {
  if (IconMode() && Skinned) return true;
  return TspActiveSkinObject::HitTest(X, Y);
}

void TspSkinStdButtonObject::ShowLayer() {
  if (IconMode() && Skinned) return;
  TspSkinButtonObject::ShowLayer();
}

void TspSkinStdButtonObject::HideLayer() {
  if (IconMode() && Skinned) return;
  TspSkinButtonObject::HideLayer();
}

bool TspSkinStdButtonObject::IsMorphing() { return !IconMode() && TspSkinButtonObject::IsMorphing(); }

void TspSkinStdButtonObject::Draw(TCanvas* Cnvs, bool UpDate) {
  if (!Cnvs) return;
  if (!Skinned) {
    DrawDefault(Cnvs);
    return;
  }
  if (!SkinData || SkinData->Empty) return;
  if (IconMode()) {
    if (Controller) Controller->DrawFormIcon(Cnvs, ObjectRect.Left, ObjectRect.Top);
    MorphRatio = 0.0;
    return;
  }
  if (!Enabled || IsNullRect(RestoreRect) || !InRestoreState()) {
    TspSkinButtonObject::Draw(Cnvs, UpDate);
    return;
  }
  DrawRestore(Cnvs);
}

void TspSkinStdButtonObject::DrawRestore(TCanvas* Cnvs) {
  const bool formActive = Controller ? Controller->IsFormActive() : true;
  if (!formActive && !IsNullRect(RestoreInActiveRect)) {
    CopyPictureRect(Cnvs, ActivePicture, RestoreInActiveRect);
  } else if (Down && PointerInside && !IsNullRect(RestoreDownRect)) {
    CopyPictureRect(Cnvs, ActivePicture, RestoreDownRect);
  } else if (MorphUnderWay(*this)) {
    DrawMorph(*this, Cnvs, ActivePicture, RestoreRect, RestoreActiveRect);
  } else if (Active && !IsNullRect(RestoreActiveRect)) {
    CopyPictureRect(Cnvs, ActivePicture, RestoreActiveRect);
  } else {
    CopyPictureRect(Cnvs, ActivePicture, RestoreRect);
  }
}

void TspSkinStdButtonObject::DrawDefault(TCanvas* Cnvs) {
  if (ButtonCommand == cmSysMenu && Controller && Controller->ShowIcon()) {
    Controller->DrawFormIcon(Cnvs, ObjectRect.Left, ObjectRect.Top);
    return;
  }
  const int w = RectWidth(ObjectRect), h = RectHeight(ObjectRect);
  if (w <= 0 || h <= 0) return;
  TBitmap face(w, h, pf24bit);
  TCanvas* c = face.Canvas();
  const bool pressed = Down && PointerInside;
  c->Brush()->SetStyle(bsSolid);
  if (PointerInside) {
    c->Brush()->SetColor(kNavy);
    c->FillRect(TRect{0, 0, w, h});
    c->Brush()->SetColor(pressed ? kDownFill : kHotFill);
    c->FillRect(TRect{1, 1, w - 1, h - 1});
  } else {
    c->Brush()->SetColor(clBtnFace);
    c->FillRect(TRect{0, 0, w, h});
  }
  const int x = w / 2 - 5 + (pressed ? 1 : 0), y = h / 2 - 4 + (pressed ? 1 : 0);
  const TColor ink = Enabled ? clBtnText : clBtnShadow;
  const bool maximized = Controller && Controller->WindowState == spwsMaximized;
  const bool minimized = Controller && Controller->WindowState == spwsMinimized;
  const bool rolledUp = Controller && Controller->RollUpState;
  switch (ButtonCommand) {
    case cmClose:
      DrawCloseImage(c, x, y, ink);
      break;
    case cmMaximize:
      maximized ? DrawRestoreImage(c, x, y, ink) : DrawMaximizeImage(c, x, y, ink);
      break;
    case cmMinimize:
      minimized ? DrawRestoreImage(c, x, y, ink) : DrawMinimizeImage(c, x, y, ink);
      break;
    case cmSysMenu:
      DrawSysMenuImage(c, x, y, ink);
      break;
    case cmRollUp:
      rolledUp ? DrawRollDownImage(c, x, y, ink) : DrawRollUpImage(c, x, y, ink);
      break;
    case cmMinimizeToTray:
      DrawMinimizeToTrayImage(c, x, y, ink);
      break;
    case cmDefault:
      break;
  }
  Cnvs->Draw(ObjectRect.Left, ObjectRect.Top, &face);
}

void TspSkinStdButtonObject::SetDown(bool Value) {
  const bool was = Down;
  TspSkinButtonObject::SetDown(Value);
  // The default look has no morph and no down picture that would redraw it.
  if (!Skinned && was != Down) Redraw();
}

void TspSkinStdButtonObject::MouseEnter() {
  if (ButtonCommand != cmDefault) Hint = !RestoreHint.empty() && InRestoreState() ? RestoreHint : NormalHint;
  TspSkinButtonObject::MouseEnter();
  if (!Skinned) Redraw();
}

void TspSkinStdButtonObject::MouseLeave() {
  TspSkinButtonObject::MouseLeave();
  if (!Skinned) Redraw();
}

void TspSkinStdButtonObject::MouseDown(int, int, TMouseButton Button) {
  if (!Enabled || Button != TMouseButton::mbLeft || Down) return;
  if (ButtonCommand == cmSysMenu && Controller) MenuItem = Controller->GetSystemMenuItems();
  SetDown(true);
  if (ButtonCommand == cmSysMenu) PopupItemMenu();
}

void TspSkinStdButtonObject::MouseUp(int X, int Y, TMouseButton Button) {
  const bool command = Active && Button == TMouseButton::mbLeft;
  if (ButtonCommand == cmClose) {
    // The event first: closing may free the form and this object with it.
    TspSkinButtonObject::MouseUp(X, Y, Button);
    if (command) DoCommand();
    return;
  }
  if (command) DoCommand();
  TspSkinButtonObject::MouseUp(X, Y, Button);
}

void TspSkinStdButtonObject::DblClick() {
  if (ButtonCommand == cmSysMenu && Controller) Controller->CloseForm();
}

void RunSkinCommand(TspBrenvale* c, TspSkinCommand Command) {
  if (!c) return;
  switch (Command) {
    case cmClose:
      c->HoverTest(-1, -1, false);
      c->CloseForm();
      break;
    case cmMaximize:
      c->HoverTest(-1, -1, false);
      c->ChangeWindowState(c->WindowState == spwsMaximized ? spwsNormal : spwsMaximized);
      break;
    case cmMinimize:
      c->HoverTest(-1, -1, false);
      if (c->AlwaysMinimizeToTray)
        c->MinimizeToTray();
      else
        c->ChangeWindowState(c->SupportNCArea() && c->WindowState == spwsMinimized ? spwsNormal : spwsMinimized);
      break;
    case cmRollUp:
      c->ChangeRollUpState(!c->RollUpState);
      break;
    case cmMinimizeToTray:
      c->HoverTest(-1, -1, false);
      c->MinimizeToTray();
      break;
    case cmSysMenu:
    case cmDefault:
      break;
  }
}

void TspSkinStdButtonObject::DoCommand() { RunSkinCommand(Controller, ButtonCommand); }
