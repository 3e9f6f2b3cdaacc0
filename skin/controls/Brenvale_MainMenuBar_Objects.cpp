// The things on the main menu bar: the root object with its hover and
// morph, the child system buttons and the menu items (layout and fit,
// the skinned and default looks, sub-menus and commands).
#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/rtl/Clock.h"
#include "platform/user/User.h"
#include "skin/controls/Brenvale_MainMenuBar.h"
#include "skin/engine/SPUtils.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinDataObjects.h"
#include "skin/engine/SkinStrings.h"
#include "skin/engine/speffbmp.h"
#include "skin/windows/SkinMenus.h"

namespace {

constexpr TColor kMenuBarNavy = 0x00800000;     // RGB (0, 0, 128)
constexpr TColor kMenuBarDownFill = 0x00B59385;  // RGB (133, 147, 181)
constexpr TColor kMenuBarHotFill = 0x00D2BDB6;   // RGB (182, 189, 210)

// The default look's frame and fill of an object of size w x h.
void MenuBarDefaultFace(TCanvas* c, int w, int h, bool down, bool hot) {
  if (down || hot) {
    c->Brush()->SetColor(kMenuBarNavy);
    c->FillRect(TRect{0, 0, w, h});
    c->Brush()->SetColor(down ? kMenuBarDownFill : kMenuBarHotFill);
    c->FillRect(TRect{1, 1, w - 1, h - 1});
  } else {
    c->Brush()->SetColor(clBtnFace);
    c->FillRect(TRect{0, 0, w, h});
  }
}

// The charset of the skin's resource strings, else the given font's.
void MenuBarCharset(TCanvas* c, TspSkinData* data, const TFont* fallback) {
  if (data && data->ResourceStrData())
    c->Font()->SetCharset(data->ResourceStrData()->CharSet);
  else
    c->Font()->SetCharset(fallback->Charset());
}

}  // namespace

// ---- The root object ------------------------------------------------------------------------

TspMenuBarObject::TspMenuBarObject(TspSkinMainMenuBar* AMenuBar, TspDataSkinObject* D) : MenuBar(AMenuBar) {
  if (!D) return;
  IDName = D->SectionName;
  SkinRect = D->skinrect;
  ActiveSkinRect = D->activeskinrect;
  DownRect = D->activeskinrect;
  Morphing = D->morphing;
  MorphKind = D->morphkind;
  ObjectRect = SkinRect;
  if (AMenuBar && AMenuBar->SkinData()) Picture = AMenuBar->SkinData()->GetActivePicture(D->activepictureindex);
}

bool TspMenuBarObject::CanMorphing() const {
  return Morphing && MenuBar && MenuBar->SkinData() && MenuBar->SkinData()->EnableSkinEffects;
}

bool TspMenuBarObject::IsMorphing() const { return (!Down || IsNullRect(DownRect)) && MorphRunning(); }

void TspMenuBarObject::StartMorph() {
  if (CanMorphing())
    MenuBar->StartMorphTimer();
  else
    Redraw();
}

void TspMenuBarObject::MouseEnter() {
  PointerInside = true;
  Active = true;
  StartMorph();
}

void TspMenuBarObject::MouseLeave() {
  PointerInside = false;
  Active = false;
  StartMorph();
}

void TspMenuBarObject::SetMorphRatio(double v) { MorphRatio = std::clamp(v, 0.0, 1.0); }

void TspMenuBarObject::MorphStep() {
  SetMorphRatio(MorphRatio + (Active ? 0.2 : -0.2));
  Redraw();
}

void TspMenuBarObject::Redraw() {
  if (!MenuBar || !MenuBar->HandleAllocated()) return;
  if (MenuBar->ItemTransparent && MenuBar->Description()) {
    MenuBar->Invalidate();
    return;
  }
  if (!Visible) return;
  HDC dc = GetDC(MenuBar->Handle());
  if (!dc) return;
  TCanvas c;
  c.SetHandle(dc);
  Draw(&c);
  c.SetHandle(nullptr);
  ReleaseDC(MenuBar->Handle(), dc);
}

// ---- Child system buttons --------------------------------------------------------------------

TspSkinMainMenuBarButton::TspSkinMainMenuBarButton(TspSkinMainMenuBar* AMenuBar, TspDataSkinMainMenuBarButton* D)
    : TspMenuBarObject(AMenuBar, D) {
  if (!D) return;
  Skinned = true;
  Command = int(D->command);
  DownRect = D->downrect;
}

void TspSkinMainMenuBarButton::DrawDefault(TCanvas* Cnvs) {
  const int w = ObjectRect.Width(), h = ObjectRect.Height();
  if (w <= 0 || h <= 0) return;
  TBitmap B;
  B.SetPixelFormat(pf24bit);
  B.SetSize(w, h);
  TCanvas* c = B.Canvas();
  MenuBarDefaultFace(c, w, h, Down && PointerInside, PointerInside || Down);
  const int shift = Down && PointerInside ? 1 : 0;
  const int x = w / 2 - 5 + shift, y = h / 2 - 4 + shift;
  const TColor color = Enabled ? clBtnText : clBtnShadow;
  switch (Command) {
    case mbcClose: DrawCloseImage(c, x, y, color); break;
    case mbcRestore: DrawRestoreImage(c, x, y, color); break;
    case mbcMinimize: DrawMinimizeImage(c, x, y, color); break;
    default: DrawSysMenuImage(c, x, y, color); break;
  }
  Cnvs->Draw(ObjectRect.Left, ObjectRect.Top, &B);
}

void TspSkinMainMenuBarButton::Draw(TCanvas* Cnvs) {
  if (!Skinned || !Picture) {
    DrawDefault(Cnvs);
    return;
  }
  const int w = ObjectRect.Width(), h = ObjectRect.Height();
  if (w <= 0 || h <= 0) return;
  TBitmap B;
  B.SetPixelFormat(pf24bit);
  B.SetSize(w, h);
  auto copy = [&](TBitmap* to, const TRect& src) {
    to->SetPixelFormat(pf24bit);
    to->SetSize(w, h);
    to->Canvas()->CopyRect(TRect{0, 0, w, h}, Picture->Canvas(), src);
  };
  if (Down && PointerInside && !IsNullRect(DownRect)) {
    copy(&B, DownRect);
  } else if (CanMorphing() && MorphRunning() && !IsNullRect(ActiveSkinRect)) {
    TBitmap act;
    copy(&B, SkinRect);
    copy(&act, ActiveSkinRect);
    TspEffectBmp a(B.Handle()), b(act.Handle());
    a.MorphByKind(&b, MorphRatio, MorphKind);
    a.Draw(B.Canvas()->Handle(), 0, 0);
  } else if (Active && !IsNullRect(ActiveSkinRect)) {
    copy(&B, ActiveSkinRect);
  } else {
    copy(&B, SkinRect);
  }
  Cnvs->Draw(ObjectRect.Left, ObjectRect.Top, &B);
}

void TspSkinMainMenuBarButton::RunCommand() {
  TCustomForm* child = MenuBar->MaximizedChild();
  TspBrenvale* k = child ? FindController(child) : nullptr;
  if (!k) return;
  switch (Command) {
    case mbcClose: child->Close(); break;
    case mbcRestore: k->ChangeWindowState(spwsNormal); break;
    case mbcMinimize: k->ChangeWindowState(spwsMinimized); break;
    case mbcSysMenu: {
      TspBrenvale* bar = MenuBar->Brenvale();
      if (!bar || !bar->SkinMenu) return;
      MenuBar->Invalidate();
      const TPoint tl = MenuBar->ClientToScreen(TPoint{ObjectRect.Left, ObjectRect.Top});
      const TRect r{tl.X, tl.Y, tl.X + ObjectRect.Width(), tl.Y + ObjectRect.Height()};
      TspSkinData* data = bar->MenusSkinData ? bar->MenusSkinData : bar->SkinData();
      MenuBar->PopupThroughController(k->GetSystemMenuItems(), nullptr, 0, r, MenuBar->PopupToUp, MenuBar, data);
      break;
    }
    default: break;
  }
}

void TspSkinMainMenuBarButton::MouseDown(int, int, TMouseButton Button) {
  if (!Enabled || Button != TMouseButton::mbLeft) return;
  if (!Down) {
    Down = true;
    if (CanMorphing() && !IsNullRect(DownRect)) MorphRatio = 1.0;
    Redraw();
  }
  // The system menu opens at once; the others run on release.
  if (Command == mbcSysMenu) {
    MenuBar->SysPressed = true;
    MenuBar->SysPressTime = GetTickCount();
    RunCommand();
  }
}

void TspSkinMainMenuBarButton::MouseUp(int, int, TMouseButton Button) {
  if (!Enabled || Button != TMouseButton::mbLeft || Command == mbcSysMenu) return;
  Down = false;
  Redraw();
  if (CanMorphing()) StartMorph();
  // The command may free the child and rebuild the bar: nothing after it.
  if (Active) RunCommand();
}

void TspSkinMainMenuBarButton::MouseEnter() {
  if (Down && Command == mbcSysMenu) {
    PointerInside = Active = true;
    return;
  }
  if (Down && CanMorphing()) {
    PointerInside = Active = true;
    Redraw();
    return;
  }
  TspMenuBarObject::MouseEnter();
}

void TspSkinMainMenuBarButton::MouseLeave() {
  if (Down && Command == mbcSysMenu) {
    if (CanMorphing()) MorphRatio = 1.0;
    Active = PointerInside = false;
    return;
  }
  if (Down && CanMorphing()) {
    Active = PointerInside = false;
    Redraw();
    return;
  }
  TspMenuBarObject::MouseLeave();
}

void TspSkinMainMenuBarButton::DblClick() {
  if (Command != mbcSysMenu) return;
  TspBrenvale* bar = MenuBar->Brenvale();
  TCustomForm* child = MenuBar->MaximizedChild();
  const auto alive = MenuBar->AliveToken();
  if (bar) {
    bar->CloseSkinMenus();
    if (!*alive) return;
    if (bar->SkinMenuOpen) bar->SkinMenuClosed();
    if (!*alive) return;
  }
  if (child) child->Close();
}

// ---- Items --------------------------------------------------------------------------------------

TspSkinMainMenuBarItem::TspSkinMainMenuBarItem(TspSkinMainMenuBar* AMenuBar, TspDataSkinMainMenuBarItem* D)
    : TspMenuBarObject(AMenuBar, D) {
  if (D) {
    Skinned = true;
    FontName = D->fontname;
    FontHeight = D->fontheight;
    FontStyle = D->fontstyle;
    UnEnabledFontColor = TColor(D->unenabledfontColor);
    FontColor = TColor(D->fontcolor);
    ActiveFontColor = TColor(D->activefontcolor);
    DownFontColor = TColor(D->downfontcolor);
    TextRect = D->textrect;
    ItemDownRect = D->downrect;
    ItemLeftOffset = D->itemleftoffset;
    ItemRightOffset = D->itemrightoffset;
    StretchEffect = D->stretcheffect;
    AnimateSkinRect = D->animateskinrect;
    FrameCount = D->framecount;
    AnimateInterval = D->animateinterval;
    InActiveAnimation = D->inactiveanimation;
  }
  if (IsNullRect(ItemDownRect)) ItemDownRect = IsNullRect(ActiveSkinRect) ? SkinRect : ActiveSkinRect;
  if (IsNullRect(ActiveSkinRect)) Morphing = false;
}

bool TspSkinMainMenuBarItem::CanAnimate() const {
  return !IsNullRect(AnimateSkinRect) && FrameCount > 0 && MenuBar && MenuBar->SkinData() &&
         MenuBar->SkinData()->EnableSkinEffects;
}

void TspSkinMainMenuBarItem::SetItemFont(TCanvas* C) const {
  if (MenuBar->UseSkinFont && Skinned && MenuBar->Description()) {
    C->Font()->SetName(FontName.empty() ? "Arial" : FontName);
    C->Font()->SetStyle(FontStyle);
    C->Font()->SetHeight(FontHeight);
  } else {
    C->Font()->Assign(MenuBar->DefItemFont());
  }
  MenuBarCharset(C, MenuBar->SkinData(), MenuBar->DefItemFont());
}

bool TspSkinMainMenuBarItem::Fit() {
  TBitmap scratch(1, 1, pf24bit);
  TCanvas* sc = scratch.Canvas();
  SetItemFont(sc);
  TRect m{0, 0, 0, 0};
  const std::string caption = MenuItem ? MenuItem->Caption() : IDName;
  DrawWideText(sc, caption, m, DT_CALCRECT | DT_CENTER);
  const int W = m.Width();
  int left = 0;
  for (auto& o : MenuBar->ObjectList) {
    if (o.get() == this) break;
    if (auto* it = dynamic_cast<TspSkinMainMenuBarItem*>(o.get())) left = it->ObjectRect.Right;
  }
  const TRect& items = MenuBar->FittedItemsRect;
  if (left == 0) left = items.Left;
  const int top = items.Top;
  const bool skinned = Skinned && MenuBar->Description();
  if (skinned)
    ObjectRect = TRect{left, top, left + SkinRect.Width() + TextRect.Left - TextRect.Right + W + 2,
                       top + SkinRect.Height()};
  else
    ObjectRect = TRect{left, top, left + W + 12, items.Bottom};
  const int limit = MenuBar->ScrollMenu ? items.Right - 5 : items.Right;
  if (ObjectRect.Right > limit) {
    MenuBar->Overflow = true;
    if (Fits) {
      SavedEnabled = Enabled;
      Enabled = false;
      Fits = false;
    }
    return false;
  }
  if (!Fits) {
    Fits = true;
    Enabled = SavedEnabled;
  }
  return true;
}

void TspSkinMainMenuBarItem::DrawCaption(TCanvas* C, TRect R, bool Selected, UINT Format) {
  if (MenuItem && MenuItem->OnDrawItem) {
    MenuItem->OnDrawItem(MenuItem, C, R, Selected);
    return;
  }
  DrawWideText(C, MenuItem ? MenuItem->Caption() : IDName, R, Format);
}

void TspSkinMainMenuBarItem::BuildImage(TBitmap* B, const TRect& Source, bool ActiveLook, TCanvas* Bar) {
  const int w = ObjectRect.Width(), h = ObjectRect.Height();
  B->SetPixelFormat(pf24bit);
  B->SetSize(std::max(w, 0), std::max(h, 0));
  if (!Picture || w <= 0 || h <= 0) return;
  if (MenuBar->ItemTransparent && Source == SkinRect && Bar) {
    // The bar's background shows through.
    B->Canvas()->CopyRect(TRect{0, 0, w, h}, Bar, ObjectRect);
  } else {
    TBitmap strip;
    CreateHSkinImage(ItemLeftOffset, ItemRightOffset, &strip, Picture, Source, w, ActiveLook && StretchEffect);
    B->Canvas()->Draw(0, 0, &strip);
  }
  TCanvas* c = B->Canvas();
  SetItemFont(c);
  c->Brush()->SetStyle(bsClear);
  TColor color;
  if (Down)
    color = DownFontColor;
  else if (ActiveLook)
    color = ActiveFontColor;
  else
    color = (!MenuItem || MenuItem->Enabled()) ? FontColor : UnEnabledFontColor;
  c->Font()->SetColor(color);
  TRect r{TextRect.Left, TextRect.Top, TextRect.Left, TextRect.Top};
  DrawWideText(c, MenuItem ? MenuItem->Caption() : IDName, r, DT_CALCRECT | DT_CENTER);
  r.Right += 2;
  DrawCaption(c, r, ActiveLook, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void TspSkinMainMenuBarItem::DrawSkinned(TCanvas* Cnvs) {
  if (IsNullRect(SkinRect) || IsNullRect(TextRect)) return;
  TBitmap image;
  if (Down) {
    BuildImage(&image, ItemDownRect, true, Cnvs);
  } else if (CanAnimate() && AnimFrame >= 1 && AnimFrame <= FrameCount) {
    TRect band = AnimateSkinRect;
    if (SkinRect.Height() < AnimateSkinRect.Height()) {
      const int bh = AnimateSkinRect.Height() / FrameCount;
      band = TRect{AnimateSkinRect.Left, AnimateSkinRect.Top + (AnimFrame - 1) * bh, AnimateSkinRect.Right,
                   AnimateSkinRect.Top + AnimFrame * bh};
    } else {
      const int bw = AnimateSkinRect.Width() / FrameCount;
      band = TRect{AnimateSkinRect.Left + (AnimFrame - 1) * bw, AnimateSkinRect.Top,
                   AnimateSkinRect.Left + AnimFrame * bw, AnimateSkinRect.Bottom};
    }
    BuildImage(&image, band, true, Cnvs);
  } else if (CanMorphing() && MorphRunning()) {
    TBitmap act;
    BuildImage(&image, SkinRect, false, Cnvs);
    BuildImage(&act, ActiveSkinRect, true, Cnvs);
    if (!image.Empty() && !act.Empty()) {
      TspEffectBmp a(image.Handle()), b(act.Handle());
      a.MorphByKind(&b, MorphRatio, MorphKind);
      a.Draw(image.Canvas()->Handle(), 0, 0);
    }
  } else if (Active) {
    BuildImage(&image, IsNullRect(ActiveSkinRect) ? SkinRect : ActiveSkinRect, true, Cnvs);
  } else {
    BuildImage(&image, SkinRect, false, Cnvs);
  }
  if (!image.Empty() && Picture) Cnvs->Draw(ObjectRect.Left, ObjectRect.Top, &image);
}

void TspSkinMainMenuBarItem::DrawDefault(TCanvas* Cnvs) {
  const int w = ObjectRect.Width(), h = ObjectRect.Height();
  if (w <= 0 || h <= 0) return;
  TBitmap B;
  B.SetPixelFormat(pf24bit);
  B.SetSize(w, h);
  TCanvas* c = B.Canvas();
  MenuBarDefaultFace(c, w, h, Down, PointerInside);
  c->Font()->Assign(MenuBar->DefItemFont());
  MenuBarCharset(c, MenuBar->SkinData(), MenuBar->DefItemFont());
  c->Brush()->SetStyle(bsClear);
  TRect m{0, 0, w, 0};
  DrawWideText(c, MenuItem ? MenuItem->Caption() : IDName, m, DT_CALCRECT | DT_CENTER);
  const int th = m.Height();
  TRect r{0, h / 2 - th / 2, w, h / 2 - th / 2 + th};
  if (Down) r = TRect{r.Left + 1, r.Top + 1, r.Right + 1, r.Bottom + 1};
  DrawCaption(c, r, Active, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  Cnvs->Draw(ObjectRect.Left, ObjectRect.Top, &B);
}

void TspSkinMainMenuBarItem::Draw(TCanvas* Cnvs) {
  if (!Fit()) return;
  if (Skinned && MenuBar->Description())
    DrawSkinned(Cnvs);
  else
    DrawDefault(Cnvs);
}

void TspSkinMainMenuBarItem::StartMorph() {
  if (CanAnimate()) {
    MenuBar->StartAnimateTimer(AnimateInterval);
    return;
  }
  TspMenuBarObject::StartMorph();
}

void TspSkinMainMenuBarItem::PopupSubMenu() {
  TspBrenvale* k = MenuBar->Brenvale();
  if (!k || !MenuItem) return;
  const TPoint tl = MenuBar->ClientToScreen(TPoint{ObjectRect.Left, ObjectRect.Top});
  const TRect r{tl.X, tl.Y, tl.X + ObjectRect.Width(), tl.Y + ObjectRect.Height()};
  k->InMainMenu = true;
  MenuBar->PopupThroughController(MenuItem, nullptr, 0, r, MenuBar->PopupToUp, nullptr, MenuBar->SkinData());
}

void TspSkinMainMenuBarItem::SetDown(bool Value) {
  Down = Value;
  if (Value) {
    Redraw();
    TspBrenvale* k = MenuBar->Brenvale();
    const auto alive = MenuBar->AliveToken();
    if (k && !k->InMainMenu && k->OnMainMenuEnter) {
      k->OnMainMenuEnter(MenuBar);
      if (!*alive) return;
    }
    PopupSubMenu();
    return;
  }
  Active = false;
  if (CanAnimate()) {
    if (InActiveAnimation) {
      AnimFrame = FrameCount + 1;
      StartMorph();
    } else {
      AnimFrame = 0;
      Redraw();
    }
  } else if (CanMorphing()) {
    MorphRatio = 1.0;
    StartMorph();
  } else {
    Redraw();
  }
}

void TspSkinMainMenuBarItem::MouseEnter() {
  TspSkinMainMenuBarItem* downItem = nullptr;
  TspSkinMainMenuBarItem* activeItem = nullptr;
  for (auto& o : MenuBar->ObjectList) {
    auto* it = dynamic_cast<TspSkinMainMenuBarItem*>(o.get());
    if (!it || it == this) continue;
    if (it->Down && !downItem) downItem = it;
    if (it->Active && !activeItem) activeItem = it;
  }
  const auto alive = MenuBar->AliveToken();
  if (downItem) {
    // Moving along the bar with a menu open opens this item's menu.
    downItem->SetDown(false);
    if (!*alive) return;
    Active = true;
    PointerInside = true;
    if (CanMorphing()) MorphRatio = 1.0;
    SetDown(true);
    return;
  }
  if (activeItem) activeItem->MouseLeave();
  if (!*alive) return;
  PointerInside = true;
  Active = true;
  StartMorph();
  if (MenuBar->OnItemMouseEnter) MenuBar->OnItemMouseEnter(MenuItem);
  if (!*alive) return;
  if (MenuItem && MenuBar->Hint != MenuItem->Hint) MenuBar->Hint = MenuItem->Hint;
}

void TspSkinMainMenuBarItem::MouseLeave() {
  Active = false;
  PointerInside = false;
  if (CanAnimate() && !InActiveAnimation) {
    AnimFrame = 0;
    Redraw();
  }
  if (CanMorphing() && Down) MorphRatio = 0.0;
  StartMorph();
  if (MenuBar->OnItemMouseLeave) MenuBar->OnItemMouseLeave(MenuItem);
}

void TspSkinMainMenuBarItem::MouseDown(int, int, TMouseButton Button) {
  TspBrenvale* k = MenuBar->Brenvale();
  if (!Enabled || !k || Button != TMouseButton::mbLeft) return;
  const auto alive = MenuBar->AliveToken();
  if (MenuBar->OnMainMenuItemClick) {
    MenuBar->OnMainMenuItemClick(IDName);
    if (!*alive) return;
  }
  if (HasSubItems()) {
    MenuBar->MenuActive = true;
    SetDown(true);
    return;
  }
  if (k->InMainMenu) {
    k->ExitMainMenu();
    if (!*alive) return;
  }
  k->SkinMenuOpen = false;
  if (CanMorphing())
    StartMorph();
  else
    Redraw();
  // The command may free the form and rebuild the bar: nothing after it.
  TMenuItem* item = MenuItem;
  if (!item) return;
  if (TMenu* parent = item->GetParentMenu())
    parent->DispatchCommand(item->Command());
  else
    item->Click();
}
