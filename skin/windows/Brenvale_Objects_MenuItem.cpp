// The frame main-menu item: one per visible top-level item of the form's
// main menu, laid out after the one before it inside the frame's main-menu
// rectangle, hidden while it does not fit.
#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/ui/menus/Menus.h"
#include "skin/engine/SPUtils.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/speffbmp.h"
#include "skin/windows/Brenvale.h"
#include "skin/windows/Brenvale_Objects.h"

TspSkinMainMenuItem::TspSkinMainMenuItem(TspBrenvale* AController, TspDataSkinMainMenuItem* Description)
    : TspActiveSkinObject(AController, Description) {
  if (Description) {
    FontName = Description->fontname.empty() ? "Arial" : Description->fontname;
    FontHeight = Description->fontheight;
    FontStyle = Description->fontstyle;
    UnEnabledFontColor = TColor(Description->unenabledfontColor);
    FontColor = TColor(Description->fontcolor);
    ActiveFontColor = TColor(Description->activefontcolor);
    DownFontColor = TColor(Description->downfontcolor);
    TextRect = Description->textrect;
    DownRect = Description->downrect;
    ItemLeftOffset = Description->itemleftoffset;
    ItemRightOffset = Description->itemrightoffset;
  }
  if (IsNullRect(DownRect)) DownRect = IsNullRect(ActiveSkinRect) ? SkinRect : ActiveSkinRect;
  if (IsNullRect(ActiveSkinRect)) Morphing = false;
  SavedEnabled = Enabled;
  Fits = true;
}

std::string TspSkinMainMenuItem::ItemCaption() const { return MenuItem ? MenuItem->Caption() : IDName; }

TRect TspSkinMainMenuItem::ItemRect(bool UpDate) {
  TBitmap scratch(1, 1, pf24bit);
  TCanvas* c = scratch.Canvas();
  c->Font()->SetName(FontName);
  c->Font()->SetStyle(FontStyle);
  c->Font()->SetHeight(FontHeight);
  TRect measured{0, 0, 0, 0};
  DrawWideText(c, ItemCaption(), measured, DT_CALCRECT | DT_CENTER);
  const int W = measured.Width();
  int left = 0;
  if (Controller) {
    // The nearest frame menu item before this one.
    TspSkinMainMenuItem* before = nullptr;
    for (auto& o : Controller->ObjectList) {
      if (o.get() == this) break;
      if (auto* m = dynamic_cast<TspSkinMainMenuItem*>(o.get())) before = m;
    }
    if (before) left = before->ObjectRect.Right;
    if (left == 0) left = Controller->FittedMainMenuRect.Left;
  }
  const int top = Controller ? Controller->FittedMainMenuRect.Top : 0;
  TRect r{left, top, left + RectWidth(SkinRect) + TextRect.Left - TextRect.Right + W + 2, top + RectHeight(SkinRect)};
  ResetRect(NCRect);
  if (Controller && Controller->SupportNCArea() && !UpDate) {
    const int B = Controller->FittedClientRect.Bottom;
    if (B < r.Top) {
      NCRect = r;
      r.Top -= B;
      r.Bottom -= B;
    }
  }
  return r;
}

void TspSkinMainMenuItem::BuildItemImage(TBitmap* Image, const TRect& Source, TColor TextColor) {
  const int w = RectWidth(ObjectRect), h = RectHeight(ObjectRect);
  Image->SetPixelFormat(pf24bit);
  Image->SetSize(std::max(w, 0), std::max(h, 0));
  if (w <= 0 || h <= 0 || !ActivePicture || ActivePicture->Empty() || IsNullRect(Source)) return;
  TCanvas* c = Image->Canvas();
  TCanvas* src = ActivePicture->Canvas();
  const int sw = RectWidth(Source);
  // Ends that do not fit the source or the item shrink; the middle is tiled.
  const int lo = std::clamp(ItemLeftOffset, 0, std::min(sw, w));
  const int ro = std::clamp(ItemRightOffset, 0, std::min(sw - lo, w - lo));
  if (lo > 0) c->CopyRect(TRect{0, 0, lo, h}, src, TRect{Source.Left, Source.Top, Source.Left + lo, Source.Bottom});
  if (ro > 0)
    c->CopyRect(TRect{w - ro, 0, w, h}, src, TRect{Source.Right - ro, Source.Top, Source.Right, Source.Bottom});
  const int mw = sw - lo - ro;
  if (mw > 0)
    for (int x = lo; x < w - ro; x += mw) {
      const int pw = std::min(mw, w - ro - x);
      c->CopyRect(TRect{x, 0, x + pw, h}, src,
                  TRect{Source.Left + lo, Source.Top, Source.Left + lo + pw, Source.Bottom});
    }
  c->Font()->SetName(FontName);
  c->Font()->SetStyle(FontStyle);
  c->Font()->SetHeight(FontHeight);
  c->Font()->SetColor(TextColor);
  c->Brush()->SetStyle(bsClear);
  const std::string caption = ItemCaption();
  TRect r{TextRect.Left, TextRect.Top, TextRect.Left, TextRect.Top};
  DrawWideText(c, caption, r, DT_CALCRECT | DT_CENTER);
  r.Right += 2;
  DrawWideText(c, caption, r, DT_CENTER | DT_VCENTER);
}

void TspSkinMainMenuItem::Draw(TCanvas* Cnvs, bool UpDate) {
  if (!Cnvs || IsNullRect(SkinRect) || IsNullRect(TextRect)) return;
  ObjectRect = ItemRect(UpDate);
  const int menuRight = Controller ? Controller->FittedMainMenuRect.Right : ObjectRect.Right;
  const int right = IsNullRect(NCRect) ? ObjectRect.Right : NCRect.Right;
  if (right > menuRight) {
    if (Fits) {
      SavedEnabled = Enabled;
      Enabled = false;
      Fits = false;
    }
    return;
  }
  if (!Fits) {
    Fits = true;
    Enabled = SavedEnabled;
  }
  TBitmap image;
  const bool morph = CanMorphing() && ((Active && MorphRatio != 1.0) || (!Active && MorphRatio != 0.0));
  if (Down) {
    BuildItemImage(&image, DownRect, DownFontColor);
  } else if (!morph) {
    if (Active)
      BuildItemImage(&image, IsNullRect(ActiveSkinRect) ? SkinRect : ActiveSkinRect, ActiveFontColor);
    else
      BuildItemImage(&image, SkinRect, MenuItem && !MenuItem->Enabled() ? UnEnabledFontColor : FontColor);
  } else {
    TBitmap active;
    BuildItemImage(&image, SkinRect, MenuItem && !MenuItem->Enabled() ? UnEnabledFontColor : FontColor);
    BuildItemImage(&active, ActiveSkinRect, ActiveFontColor);
    if (!image.Empty() && !active.Empty()) {
      TspEffectBmp a(image.Handle()), b(active.Handle());
      a.MorphByKind(&b, MorphRatio, MorphKind);
      a.Draw(image.Canvas()->Handle(), 0, 0);
    }
  }
  if (!image.Empty()) Cnvs->Draw(ObjectRect.Left, ObjectRect.Top, &image);
  if (!UpDate && Controller && Controller->SupportNCArea() && !IsNullRect(NCRect)) ObjectRect = NCRect;
}

void TspSkinMainMenuItem::PopupSubMenu() {
  if (!Controller || !MenuItem) return;
  Controller->SkinMenuOpened();
  const TPoint origin = Controller->WindowScreenOrigin();
  const TRect screen{origin.X + ObjectRect.Left, origin.Y + ObjectRect.Top, origin.X + ObjectRect.Right,
                     origin.Y + ObjectRect.Bottom};
  Controller->PopupObjectMenu(this, MenuItem, screen, SkinData && SkinData->mainmenupopupup);
}

void TspSkinMainMenuItem::SetDown(bool Value) {
  Down = Value;
  if (Down) {
    if (Controller) Controller->RedrawObject(this);
    PopupSubMenu();
    if (Controller && !Controller->InMainMenu) {
      Controller->InMainMenu = true;
      if (Controller->OnMainMenuEnter) Controller->OnMainMenuEnter(Controller);
    }
  } else {
    Active = false;
    if (CanMorphing()) MorphRatio = 1.0;
    StartMorph();
  }
}

void TspSkinMainMenuItem::MouseEnter() {
  TspSkinMainMenuItem* downItem = nullptr;
  TspSkinMainMenuItem* activeItem = nullptr;
  if (Controller)
    for (auto& o : Controller->ObjectList) {
      auto* m = dynamic_cast<TspSkinMainMenuItem*>(o.get());
      if (!m || m == this) continue;
      if (m->Down && !downItem) downItem = m;
      if (m->Active && !activeItem) activeItem = m;
    }
  if (downItem) {
    // Moving along the bar with a menu open opens the next one.
    downItem->SetDown(false);
    Active = true;
    PointerInside = true;
    if (CanMorphing()) MorphRatio = 1.0;
    SetDown(true);
    return;
  }
  if (activeItem) activeItem->MouseLeave();
  PointerInside = true;
  Active = true;
  StartMorph();
}

void TspSkinMainMenuItem::MouseLeave() {
  Active = false;
  PointerInside = false;
  if (CanMorphing() && Down) MorphRatio = 0.0;
  StartMorph();
  if (Controller) Controller->FireMouseLeave(IDName);
}

void TspSkinMainMenuItem::MouseDown(int X, int Y, TMouseButton Button) {
  if (!Enabled) return;
  if (Button == TMouseButton::mbLeft && MenuItem && MenuItem->Count() == 0) {
    // The item's command may close the form: the event goes first, and
    // nothing of this object is touched after the click.
    TMenuItem* item = MenuItem;
    SetDown(false);
    if (Controller) Controller->SkinMenuOpen = false;
    TspActiveSkinObject::MouseDown(X, Y, Button);
    item->Click();
    return;
  }
  if (Button == TMouseButton::mbLeft && MenuItem) SetDown(true);
  TspActiveSkinObject::MouseDown(X, Y, Button);
}
