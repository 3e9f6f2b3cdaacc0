// A row of a skinned popup: its state, its effects and its look, from the
// skin's menu-item description or in the built-in default look.
#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/graphics/ImageList.h"
#include "skin/engine/SPUtils.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinDataControls.h"
#include "skin/engine/SkinDataObjects.h"
#include "skin/engine/SkinStrings.h"
#include "skin/engine/speffbmp.h"
#include "skin/windows/SkinMenus.h"

namespace {

constexpr TColor kSelectedFill = 0x00D2BDB6;
constexpr TColor kSelectedFrame = 0x00800000;
constexpr UINT kItemTextFlags = DT_CENTER | DT_VCENTER;

// Draws text measured in (left, right) and centred vertically in T's
// band; returns where it went.
TRect DrawRowText(TCanvas* c, const std::string& text, int left, int right, const TRect& T, UINT bidi) {
  TRect r{left, 0, std::max(left, right), 0};
  DrawWideText(c, text, r, bidi | DT_CALCRECT);
  const int h = r.Height();
  const int top = T.Height() / 2 + T.Top - h / 2;
  r = TRect{r.Left, top, r.Right + 2, top + h};
  TRect d = r;
  DrawWideText(c, text, d, bidi);
  return r;
}

void DefaultArrow(TCanvas* c, int X, int Y, TColor color) {
  c->Pen()->SetColor(color);
  for (int i = 0; i < 4; ++i) {
    c->MoveTo(X + i, Y + i);
    c->LineTo(X + i, Y + 7 - i);
  }
}

void DefaultCheck(TCanvas* c, int X, int Y, TColor color) {
  c->Pen()->SetColor(color);
  for (int i = 0; i < 3; ++i) {
    const TPoint p[3] = {{X, Y + 5 - i}, {X + 2, Y + 7 - i}, {X + 7, Y + 2 - i}};
    c->Polyline(p, 3);
  }
}

void DefaultRadio(TCanvas* c, int X, int Y, TColor color) {
  c->Pen()->SetColor(color);
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(color);
  c->Ellipse(X, Y, X + 6, Y + 6);
  c->Brush()->SetStyle(bsClear);
}

// A picture piece drawn transparent, centred in T but never left of or
// above it.
void DrawMark(TCanvas* c, TBitmap* picture, const TRect& piece, const TRect& T) {
  if (!picture || IsNullRect(piece)) return;
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(piece.Width(), piece.Height());
  b.Canvas()->CopyRect(TRect{0, 0, piece.Width(), piece.Height()}, picture->Canvas(), piece);
  b.SetTransparent(true);
  const int x = std::max(T.Left, T.Left + (T.Width() - piece.Width()) / 2);
  const int y = std::max(T.Top, T.Top + (T.Height() - piece.Height()) / 2);
  c->Draw(x, y, &b);
}

// The glyph of a window command by the item's name; false when the name is
// none of them.
bool DrawCommandGlyph(TCanvas* c, const std::string& name, int X, int Y, TColor color) {
  if (name == "BVL_CLOSE" || name == "TRAY_BVL_CLOSE")
    DrawCloseImage(c, X, Y, color);
  else if (name == "BVL_MINITEM")
    DrawMinimizeImage(c, X, Y, color);
  else if (name == "BVL_MAXITEM")
    DrawMaximizeImage(c, X, Y, color);
  else if (name == "BVL_RESTORE" || name == "TRAY_BVL_RESTORE")
    DrawRestoreImage(c, X, Y, color);
  else if (name == "BVL_ROLLUP")
    DrawRollUpImage(c, X, Y, color);
  else if (name == "BVL_MINTOTRAY")
    DrawMinimizeToTrayImage(c, X, Y, color);
  else
    return false;
  return true;
}

bool HasGlyph(TMenuItem* item, TImageList* images) {
  return item->HasBitmap() || (images && item->ImageIndex() >= 0 && item->ImageIndex() < images->Count());
}

TSize GlyphSize(TMenuItem* item, TImageList* images) {
  if (images && item->ImageIndex() >= 0 && item->ImageIndex() < images->Count())
    return TSize{images->Width(), images->Height()};
  return TSize{item->Bitmap()->Width(), item->Bitmap()->Height()};
}

void DrawGlyphAt(TCanvas* c, TMenuItem* item, TImageList* images, int X, int Y, TColor frame) {
  const TSize s = GlyphSize(item, images);
  if (item->Checked()) {
    c->Brush()->SetStyle(bsClear);
    c->Pen()->SetColor(frame);
    c->Rectangle(X - 1, Y - 1, X + s.cx + 1, Y + s.cy + 1);
  }
  if (images && item->ImageIndex() >= 0 && item->ImageIndex() < images->Count())
    images->Draw(c, X, Y, item->ImageIndex(), item->Enabled());
  else
    c->Draw(X, Y, item->Bitmap());
}

}  // namespace

TspSkinMenuItem::TspSkinMenuItem(TspSkinPopupWindow* AWindow, TspDataSkinMenuItem* ADescription, TMenuItem* AItem)
    : Window(AWindow), Description(ADescription), Item(AItem) {
  if (!Description) return;
  TspSkinData* sd = Window->Menu ? Window->Menu->SkinData : nullptr;
  Picture = sd ? sd->GetActivePicture(Description->activepictureindex) : nullptr;
  // The description is shared by every user of the skin: the emptied
  // rectangles stay with this row.
  NoPicture = Picture == nullptr;
}

TRect TspSkinMenuItem::SkinRect() const { return NoPicture ? TRect{} : Description->skinrect; }
TRect TspSkinMenuItem::ActiveSkinRect() const { return NoPicture ? TRect{} : Description->activeskinrect; }

bool TspSkinMenuItem::MorphRunning() {
  if (!Shown && MorphProgress != 0) {
    Selected = false;
    SubMenuOpen = false;
    MorphProgress = 0;
  }
  const bool s = Selected || SubMenuOpen;
  return Shown && ((s && MorphProgress < 1) || (!s && MorphProgress > 0));
}

bool TspSkinMenuItem::AnimationApplies() const {
  TspSkinData* sd = Window->SkinData;
  return Description && !IsNullRect(Description->animateskinrect) && Description->framecount > 0 && sd &&
         !sd->Empty && sd->EnableSkinEffects;
}

bool TspSkinMenuItem::MorphApplies() const {
  TspSkinData* sd = Window->SkinData;
  return Description && Description->morphing && sd && sd->EnableSkinEffects;
}

void TspSkinMenuItem::MorphStep() {
  MorphProgress += (Selected || SubMenuOpen) ? 0.2 : -0.2;
  MorphProgress = std::clamp(MorphProgress, 0.0, 1.0);
  // Steps of 0.2 in doubles miss 1.0 by a hair.
  if (MorphProgress > 0.999) MorphProgress = 1;
  if (MorphProgress < 0.001) MorphProgress = 0;
  if (Window->HandleAllocated()) Draw(Window->Canvas());
}

void TspSkinMenuItem::StartStateEffect() {
  if (AnimationApplies()) {
    Window->AnimationTimer->SetInterval(Cardinal(std::max(Description->animateinterval, 1)));
    if (Selected || Description->inactiveanimation) {
      Window->AnimationTimer->SetEnabled(true);
      return;
    }
    AnimationFrame = 0;
  } else if (MorphApplies()) {
    Window->AnimationTimer->SetInterval(20);
    Window->AnimationTimer->SetEnabled(true);
    return;
  }
  if (Window->HandleAllocated() && Window->Visible()) Draw(Window->Canvas());
}

void TspSkinMenuItem::Select(bool ByKeyboard) {
  Selected = true;
  if (AnimationApplies()) AnimationFrame = 0;
  for (auto& r : Window->Items)
    if (r.get() != this && r->SubMenuOpen) {
      r->SubMenuOpen = false;
      r->StartStateEffect();
    }
  if (Preselected && !ByKeyboard) {
    StartStateEffect();
  } else if (SubMenuOpen) {
    TspSkinMenu* m = Window->Menu;
    const int i = m->IndexOf(Window);
    if (i + 2 < int(m->PopupWindows.size())) m->PopupWindows[std::size_t(i) + 1]->CloseSubMenus();
  } else {
    StartStateEffect();
    Window->Menu->ItemAction(Window, this, ByKeyboard, false);
  }
  if (Window->Hint != Item->Hint) Window->Hint = Item->Hint;
}

void TspSkinMenuItem::Deselect() {
  Preselected = false;
  Selected = false;
  if (AnimationApplies()) AnimationFrame = Description->framecount + 1;
  if (!SubMenuOpen) StartStateEffect();
  TspSkinMenu* m = Window->Menu;
  if (m->SubMenuItem == this) {
    m->SubMenuTimer->SetEnabled(false);
    m->SubMenuItem = nullptr;
  }
}

void TspSkinMenuItem::Click() {
  Preselected = false;
  if (!SubMenuOpen && Item->Enabled()) Window->Menu->ItemAction(Window, this, false, true);
}

void TspSkinMenuItem::Draw(TCanvas* Cnvs) {
  if (!Shown || Bounds.Width() <= 0 || Bounds.Height() <= 0) return;
  TBitmap b;
  Render(&b);
  Cnvs->Draw(Bounds.Left, Bounds.Top, &b);
  // A DC taken outside a paint goes back at once.
  if (auto* cc = dynamic_cast<TControlCanvas*>(Cnvs)) cc->FreeHandle();
}

void TspSkinMenuItem::Render(TBitmap* B) {
  B->SetPixelFormat(pf24bit);
  if (!Description) {
    DefaultLook(B);
    return;
  }
  if (IsSeparator()) {
    if (Picture && !NoPicture)
      CreateHSkinImage(Description->dividerleftoffset, Description->dividerrightoffset, B, Picture,
                       Description->dividerrect, Bounds.Width(), Description->dividerstretcheffect);
    if (B->Width() != Bounds.Width() || B->Height() != Bounds.Height()) B->SetSize(Bounds.Width(), Bounds.Height());
    return;
  }
  const bool s = Selected || SubMenuOpen;
  if (AnimationApplies() && AnimationFrame > 0 && AnimationFrame <= Description->framecount) {
    const TRect a = Description->animateskinrect;
    const int n = Description->framecount, k = AnimationFrame;
    TRect f;
    if (a.Height() > SkinRect().Height())
      f = TRect{a.Left, a.Top + (a.Height() / n) * (k - 1), a.Right, a.Top + (a.Height() / n) * k};
    else
      f = TRect{a.Left + (a.Width() / n) * (k - 1), a.Top, a.Left + (a.Width() / n) * k, a.Bottom};
    SkinLook(B, s, &f);
  } else if (!MorphApplies() || (s && MorphProgress >= 1) || (!s && MorphProgress <= 0)) {
    SkinLook(B, s, nullptr);
  } else {
    TBitmap normal, active;
    SkinLook(&normal, false, nullptr);
    SkinLook(&active, true, nullptr);
    normal.SetPixelFormat(pf24bit);
    active.SetPixelFormat(pf24bit);
    if (normal.Width() == active.Width() && normal.Height() == active.Height() && normal.Width() > 0) {
      TspEffectBmp e1(normal.Handle()), e2(active.Handle());
      e1.MorphByKind(&e2, MorphProgress, Description->morphkind);
      B->SetSize(normal.Width(), normal.Height());
      e1.Draw(B->Canvas()->Handle(), 0, 0);
    } else {
      B->Assign(s ? &active : &normal);
    }
  }
  if (B->Width() != Bounds.Width() || B->Height() != Bounds.Height()) {
    // A picture-less row still takes its place.
    if (B->Width() == 0) {
      B->SetSize(Bounds.Width(), Bounds.Height());
      B->Canvas()->Brush()->SetColor(clWindow);
      B->Canvas()->FillRect(TRect{0, 0, Bounds.Width(), Bounds.Height()});
    }
  }
}

void TspSkinMenuItem::SkinLook(TBitmap* B, bool active, const TRect* frame) {
  const TspDataSkinMenuItem& d = *Description;
  TspSkinMenu* m = Window->Menu;
  const int width = Bounds.Width();
  TRect src = active ? ActiveSkinRect() : SkinRect();
  bool stretch = active ? d.stretcheffect : d.inactivestretcheffect;
  if (!active && !d.inactivestretcheffect && d.stretcheffect) stretch = frame != nullptr;
  if (frame) src = *frame;
  B->SetPixelFormat(pf24bit);
  if (!active && d.inactivetransparent && Window->BackgroundImage) {
    B->SetSize(width, Bounds.Height());
    B->Canvas()->CopyRect(TRect{0, 0, width, Bounds.Height()}, Window->BackgroundImage->Canvas(), Bounds);
  } else if (Picture && !IsNullRect(src)) {
    CreateHSkinImage(d.itemleftoffset, d.itemrightoffset, B, Picture, src, width, stretch);
  } else {
    B->SetSize(width, Bounds.Height());
    B->Canvas()->Brush()->SetColor(active ? kSelectedFill : clWindow);
    B->Canvas()->FillRect(TRect{0, 0, width, Bounds.Height()});
  }
  TCanvas* c = B->Canvas();
  const bool images = Window->Images != nullptr;
  int G = images ? Window->GlyphColumnWidth : 16;
  if (!IsNullRect(d.imagerect)) G = 0;
  TRect T = d.textrect;
  T.Right = B->Width() + d.textrect.Right - d.skinrect.Width();

  c->Brush()->SetStyle(bsClear);
  TFont* f = c->Font();
  if (m->UseSkinFont) {
    f->SetName(d.fontname.empty() ? m->DefMenuItemFont()->Name() : d.fontname);
    f->SetStyle(d.fontstyle);
    f->SetHeight(d.fontheight);
  } else {
    f->Assign(m->DefMenuItemFont());
  }
  TspResourceStrData* rs = m->SkinData ? m->SkinData->ResourceStrData() : nullptr;
  f->SetCharset(rs ? rs->CharSet : m->DefMenuItemFont()->Charset());
  TColor color = TColor(active ? d.activefontcolor : Item->Enabled() ? d.fontcolor : d.unenabledfontcolor);
  f->SetColor(color);

  if (Item->OnAdvancedDrawItem) {
    Item->OnAdvancedDrawItem(this, c, T, active ? odSelected : 0);
    return;
  }
  const std::string& cap = Item->Caption();
  if (cap.size() >= 2 && cap.front() == '-' && cap.back() == '-' && !Item->Enabled()) {
    DrawHeader(B);
    return;
  }
  const UINT bidi = kItemTextFlags;
  const TRect cr = DrawRowText(c, cap, T.Left + G, T.Right - 16, T, bidi);
  const std::string sc = ShortCutToText(Item->ShortCut());
  if (!sc.empty()) {
    TRect r{0, 0, 0, 0};
    DrawWideText(c, sc, r, bidi | DT_CALCRECT);
    TRect d2{T.Right - r.Width() - 16, cr.Top, T.Right - 16, cr.Bottom};
    DrawWideText(c, sc, d2, bidi);
  }
  if (Item->Count() > 0) {
    const TRect& ar = active ? d.activearrowimagerect : d.arrowimagerect;
    if (IsNullRect(d.arrowimagerect))
      DefaultArrow(c, T.Right - 7, T.Height() / 2 + T.Top - 4, color);
    else
      DrawMark(c, Picture, ar, TRect{T.Right - ar.Width() - 5, T.Top, T.Right, T.Bottom});
  }
  if (d.useimagecolor) color = TColor(active ? d.activeimagecolor : d.imagecolor);
  TImageList* il = Window->Images;
  const bool noImageRect = IsNullRect(d.imagerect);
  if (HasGlyph(Item, il)) {
    const TSize s = GlyphSize(Item, il);
    int X, Y;
    if (noImageRect) {
      X = T.Left + 2;
      Y = T.Height() / 2 + T.Top - s.cy / 2;
    } else {
      X = d.imagerect.Width() / 2 + d.imagerect.Left - s.cx / 2;
      Y = d.imagerect.Height() / 2 + d.imagerect.Top - s.cy / 2;
    }
    DrawGlyphAt(c, Item, il, X, Y, color);
    return;
  }
  int X, Y;
  if (noImageRect) {
    X = T.Left + 2;
    Y = T.Height() / 2 + T.Top - 4;
  } else {
    X = d.imagerect.Width() / 2 + d.imagerect.Left - 4;
    Y = d.imagerect.Height() / 2 + d.imagerect.Top - 4;
  }
  if (DrawCommandGlyph(c, Item->Name(), X, Y, color)) return;
  if (!Item->Checked()) return;
  const TRect target = noImageRect ? TRect{T.Left + 2, T.Top, T.Left + 16, T.Bottom} : d.imagerect;
  if (Item->RadioItem()) {
    if (IsNullRect(d.radioimagerect))
      DefaultRadio(c, X, Y + 1, color);
    else
      DrawMark(c, Picture, active ? d.activeradioimagerect : d.radioimagerect, target);
  } else {
    if (IsNullRect(d.checkimagerect))
      DefaultCheck(c, X, Y, color);
    else
      DrawMark(c, Picture, active ? d.activecheckimagerect : d.checkimagerect, target);
  }
}

void TspSkinMenuItem::DrawHeader(TBitmap* B) {
  TspSkinData* sd = Window->SkinData;
  if (!Window->Description || !sd) return;
  auto* ctl = sd->FindControl<TspDataSkinCustomControl>("menuheader");
  if (!ctl) ctl = sd->FindControl<TspDataSkinCustomControl>("label");
  if (!ctl) return;
  TBitmap* pic = sd->GetActivePicture(ctl->pictureindex);
  const TRect R{0, 0, B->Width(), B->Height()};
  TBitmap img;
  img.SetPixelFormat(pf24bit);
  if (pic && !IsNullRect(ctl->skinrect))
    CreateHSkinImage(ctl->lefttoppoint.X, ctl->skinrect.Width() - ctl->righttoppoint.X, &img, pic, ctl->skinrect,
                     R.Width(), ctl->stretcheffect);
  if (img.Width() <= 0 || img.Height() <= 0) return;
  TCanvas* c = img.Canvas();
  c->Font()->SetCharset(B->Canvas()->Font()->Charset());
  if (auto* lbl = dynamic_cast<TspDataSkinLabelControl*>(ctl)) {
    c->Font()->SetColor(TColor(lbl->fontcolor));
    c->Font()->SetName(lbl->fontname);
    c->Font()->SetHeight(lbl->fontheight);
  }
  c->Brush()->SetStyle(bsClear);
  const std::string& cap = Item->Caption();
  TRect tr{0, ctl->clientrect.Top, img.Width(), img.Height()};
  DrawWideText(c, cap.substr(1, cap.size() - 2), tr, kItemTextFlags | DT_SINGLELINE);
  B->Canvas()->Draw(R.Left, R.Height() / 2 + R.Top - img.Height() / 2, &img);
}

void TspSkinMenuItem::DefaultLook(TBitmap* B) {
  const int w = Bounds.Width(), h = Bounds.Height();
  B->SetSize(w, h);
  TCanvas* c = B->Canvas();
  TspSkinMenu* m = Window->Menu;
  const bool images = Window->Images != nullptr;
  const int G = images ? Window->GlyphColumnWidth : 19;
  c->Font()->Assign(m->DefMenuItemFont());
  if (m->SkinData && m->SkinData->ResourceStrData()) c->Font()->SetCharset(m->SkinData->ResourceStrData()->CharSet);
  const bool s = (Selected || SubMenuOpen) && !IsSeparator();
  c->Brush()->SetStyle(bsSolid);
  TColor text;
  if (s) {
    c->Brush()->SetColor(kSelectedFill);
    c->FillRect(TRect{0, 0, w, h});
    c->Brush()->SetColor(kSelectedFrame);
    c->FrameRect(TRect{0, 0, w, h});
    text = clWindowText;
  } else {
    c->Brush()->SetColor(clBtnFace);
    c->FillRect(TRect{0, 0, std::min(G, w), h});
    c->Brush()->SetColor(clWindow);
    c->FillRect(TRect{std::min(G, w), 0, w, h});
    text = Item->Enabled() ? clWindowText : clBtnShadow;
  }
  if (IsSeparator()) {
    c->Pen()->SetColor(clBtnShadow);
    c->MoveTo(G, h / 2);
    c->LineTo(w, h / 2);
    return;
  }
  c->Brush()->SetStyle(bsClear);
  c->Font()->SetColor(text);
  const TRect I{2, 2, w - 2, h - 2};
  if (Item->OnAdvancedDrawItem) {
    Item->OnAdvancedDrawItem(this, c, I, s ? odSelected : 0);
    return;
  }
  const std::string& cap = Item->Caption();
  if (cap.size() >= 2 && cap.front() == '-' && cap.back() == '-' && !Item->Enabled()) return;  // header: blank
  const TRect cr = DrawRowText(c, cap, I.Left + G, I.Right - 19, I, kItemTextFlags);
  const std::string sc = ShortCutToText(Item->ShortCut());
  if (!sc.empty()) {
    TRect r{0, 0, 0, 0};
    DrawWideText(c, sc, r, kItemTextFlags | DT_CALCRECT);
    TRect d{I.Right - r.Width() - 19, cr.Top, I.Right - 19, cr.Bottom};
    DrawWideText(c, sc, d, kItemTextFlags);
  }
  if (Item->Count() > 0) DefaultArrow(c, I.Right - 7, I.Height() / 2 + I.Top - 4, text);
  TImageList* il = Window->Images;
  if (HasGlyph(Item, il)) {
    const TSize gs = GlyphSize(Item, il);
    DrawGlyphAt(c, Item, il, I.Left + 2, I.Height() / 2 + I.Top - gs.cy / 2, text);
    return;
  }
  if (DrawCommandGlyph(c, Item->Name(), I.Left + 2, I.Height() / 2 + I.Top - 4, text)) return;
  if (!Item->Checked()) return;
  if (Item->RadioItem())
    DefaultRadio(c, I.Left + 3, I.Height() / 2 + I.Top - 3, text);
  else
    DefaultCheck(c, I.Left + 3, I.Height() / 2 + I.Top - 4, text);
}
