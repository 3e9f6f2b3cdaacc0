// The caption object: the caption strip stretched to the window, the form's
// caption placed in its text rectangle, an optional tiled text frame, light
// and shadow copies and the glow, Vista glow or reflection effect; active
// and inactive looks, the morph between them, the activation animation and
// the skin's inactive effect.
#include <algorithm>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/ui/forms/Forms.h"
#include "skin/engine/SPUtils.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/speffbmp.h"
#include "skin/windows/Brenvale.h"
#include "skin/windows/Brenvale_Objects.h"

namespace {

// A window caption is plain text: '&' is no accelerator mark, and it stays
// on one line.
constexpr UINT kTextFlags = DT_SINGLELINE | DT_NOPREFIX;

TSize MeasureText(TCanvas* c, const std::string& text) {
  RECT r{0, 0, 0, 0};
  DrawText(c->Handle(), text.c_str(), int(text.size()), &r, DT_CALCRECT | kTextFlags);
  return TSize{r.Right - r.Left, r.Bottom - r.Top};
}

// Start offsets of the UTF-8 characters of text, and its size at the end.
std::vector<std::size_t> CharacterStarts(const std::string& text) {
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < text.size(); ++i)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) starts.push_back(i);
  starts.push_back(text.size());
  return starts;
}

// The text shortened with "..." to maxWidth: the longest start of it that
// fits with the dots, found by halving (widths grow with the length).
std::string ShortenToWidth(TCanvas* c, const std::string& text, int maxWidth) {
  if (MeasureText(c, text).cx <= maxWidth) return text;
  static const std::string kDots = "...";
  const std::vector<std::size_t> starts = CharacterStarts(text);
  std::size_t lo = 0, hi = starts.size() - 1;  // characters kept: lo fits (or is 0)
  while (lo < hi) {
    const std::size_t mid = (lo + hi + 1) / 2;
    if (MeasureText(c, text.substr(0, starts[mid]) + kDots).cx <= maxWidth)
      lo = mid;
    else
      hi = mid - 1;
  }
  return text.substr(0, starts[lo]) + kDots;
}

void StretchInto(TBitmap* Image, TBitmap* Picture, const TRect& Source, int W, int H) {
  Image->SetPixelFormat(pf24bit);
  Image->SetSize(W, H);
  if (!Picture || Picture->Empty() || IsNullRect(Source) || W <= 0 || H <= 0) return;
  Image->Canvas()->CopyRect(TRect{0, 0, W, H}, Picture->Canvas(), Source);
}

// The built piece scaled to W x H when its other side differs.
void FitInto(TBitmap* Image, TBitmap& Built, int W, int H) {
  if (Built.Width() == W && Built.Height() == H) {
    Image->Assign(&Built);
    Image->SetPixelFormat(pf24bit);
    return;
  }
  StretchInto(Image, &Built, TRect{0, 0, Built.Width(), Built.Height()}, W, H);
}

}  // namespace

TspSkinCaptionObject::TspSkinCaptionObject(TspBrenvale* AController, TspDataSkinObject* Description)
    : TspActiveSkinObject(AController, Description) {
  auto* d = dynamic_cast<TspDataSkinCaption*>(Description);
  if (!d) return;
  FontName = d->fontname.empty() ? "Arial" : d->fontname;
  FontStyle = d->fontstyle;
  FontHeight = d->fontheight;
  FontColor = TColor(d->fontcolor);
  ActiveFontColor = TColor(d->activefontcolor);
  ShadowColor = TColor(d->shadowcolor);
  ActiveShadowColor = TColor(d->activeshadowcolor);
  Shadow = d->shadow;
  Alignment = d->alignment == taLeftJustify ? 0 : d->alignment == taRightJustify ? 1 : 2;
  TextRect = d->textrect;
  FDefaultCaption = d->defaultcaption;
  FrameRect = d->framerect;
  ActiveFrameRect = d->activeframerect;
  FrameLeftOffset = d->frameleftoffset;
  FrameRightOffset = d->framerightoffset;
  FrameTextRect = d->frametextrect;
  LightColor = TColor(d->lightcolor);
  ActiveLightColor = TColor(d->activelightcolor);
  Light = d->light;
  StretchEffect = d->stretcheffect;
  AnimateSkinRect = d->animateskinrect;
  FrameCount = d->framecount;
  AnimateInterval = d->animateinterval;
  InActiveAnimation = d->inactiveanimation;
  FullFrame = d->fullframe;
  VistaGlowEffect = d->vistagloweffect;
  VistaGlowInactiveEffect = d->vistaglowinactiveeffect;
  GlowEffect = d->gloweffect;
  GlowInactiveEffect = d->glowinactiveeffect;
  GlowSize = d->glowsize;
  GlowColor = TColor(d->glowcolor);
  GlowActiveColor = TColor(d->glowactivecolor);
  GlowOffset = d->glowoffset;
  ReflectionEffect = d->reflectioneffect;
  ReflectionColor = TColor(d->reflactioncolor);
  ReflectionActiveColor = TColor(d->reflactionactivecolor);
  ReflectionOffset = d->reflectionoffset;
}

// ---- Geometry -----------------------------------------------------------------------------------

int TspSkinCaptionObject::Place() const {
  if (RectWidth(ObjectRect) == RectWidth(SkinRect) && RectHeight(ObjectRect) == RectHeight(SkinRect)) return 0;
  if (!SkinData) return 0;
  const TspSkinData& s = *SkinData;
  if (SkinRect.Top <= s.lefttoppoint.Y && SkinRect.Bottom < s.righttoppoint.Y) return 1;
  if (SkinRect.Top >= s.leftbottompoint.Y && SkinRect.Bottom > s.rightbottompoint.Y) return 2;
  if (SkinRect.Top <= s.lefttoppoint.Y && SkinRect.Bottom > s.leftbottompoint.Y) return 3;
  return 4;
}

void TspSkinCaptionObject::BuildStripImage(TBitmap* Image, TBitmap* Pic, const TRect& S, bool Horizontal) const {
  const int w = RectWidth(ObjectRect), h = RectHeight(ObjectRect);
  if (w <= 0 || h <= 0 || !Pic || Pic->Empty() || IsNullRect(S) || !SkinData) {
    StretchInto(Image, Pic, S, std::max(w, 0), std::max(h, 0));
    return;
  }
  const TspSkinData& sd = *SkinData;
  const bool corners =
      sd.lefttoppoint.X != sd.rightbottompoint.X && sd.lefttoppoint.Y != sd.rightbottompoint.Y;
  int place = corners ? Place() : 0;
  if (Horizontal && place >= 3) place = 0;
  if (place <= 2) {
    int lo = 0, ro = 0;
    if (place == 1) {
      lo = sd.lefttoppoint.X - S.Left;
      ro = S.Right - sd.righttoppoint.X;
    } else if (place == 2) {
      lo = sd.leftbottompoint.X - S.Left;
      ro = S.Right - sd.rightbottompoint.X;
    }
    // Fixed ends never overlap, in the source or in the strip.
    const int room = std::min(RectWidth(S), w);
    lo = std::clamp(lo, 0, room);
    ro = std::clamp(ro, 0, room - lo);
    if (lo == 0 && ro == 0) {
      StretchInto(Image, Pic, S, w, h);
      return;
    }
    TBitmap built;
    built.SetPixelFormat(pf24bit);
    CreateHSkinImage(lo, ro, &built, Pic, S, w, StretchEffect);
    FitInto(Image, built, w, h);
    return;
  }
  int to = 0, bo = 0;
  if (place == 3) {
    to = sd.lefttoppoint.Y - S.Top;
    bo = S.Bottom - sd.leftbottompoint.Y;
  } else {
    to = sd.righttoppoint.Y - S.Top;
    bo = S.Bottom - sd.rightbottompoint.Y;
  }
  const int room = std::min(RectHeight(S), h);
  to = std::clamp(to, 0, room);
  bo = std::clamp(bo, 0, room - to);
  TBitmap built;
  built.SetPixelFormat(pf24bit);
  CreateVSkinImage(to, bo, &built, Pic, S, h, StretchEffect);
  FitInto(Image, built, w, h);
}

TRect TspSkinCaptionObject::CurrentTextRect() const {
  TRect tr = TextRect;
  if (!IsNullRect(TextRect)) tr.Right = RectWidth(ObjectRect) + TextRect.Right - RectWidth(SkinRect);
  if (!IsNullRect(FrameRect)) {
    tr.Left += FrameTextRect.Left;
    tr.Top += FrameTextRect.Top;
    tr.Right -= RectWidth(FrameRect) - FrameTextRect.Right;
  }
  return tr;
}

std::string TspSkinCaptionObject::Text() const {
  TCustomForm* form = Controller ? Controller->Form : nullptr;
  if (!form) return CaptionText;
  std::string text = form->Caption();
  if (form->FormStyle() == fsMDIForm && Controller->ChildMaximized) {
    auto maximized = [](TCustomForm* child) {
      TspBrenvale* c = child ? FindController(child) : nullptr;
      return c && c->WindowState == spwsMaximized;
    };
    TCustomForm* child = form->ActiveMDIChild();
    if (!maximized(child)) {
      child = nullptr;
      for (int i = 0; i < form->MDIChildCount() && !child; ++i)
        if (maximized(form->MDIChildren(i))) child = form->MDIChildren(i);
    }
    if (child) text += " - [" + child->Caption() + "]";
  }
  return text;
}

bool TspSkinCaptionObject::CanAnimate() const {
  return SkinData && !SkinData->Empty && SkinData->EnableSkinEffects && !IsNullRect(AnimateSkinRect) &&
         FrameCount > 0;
}

// ---- Text -------------------------------------------------------------------------------------------

void TspSkinCaptionObject::SetCaptionFont(TCanvas* Cnvs, TColor Color) const {
  TFont* f = Cnvs->Font();
  f->SetName(FontName);
  f->SetStyle(FontStyle);
  f->SetHeight(FontHeight);
  f->SetColor(Color);
  if (SkinData && SkinData->ResourceStrData())
    f->SetCharset(SkinData->ResourceStrData()->CharSet);
  else if (Controller && Controller->DefCaptionFont())
    f->SetCharset(Controller->DefCaptionFont()->Charset());
}

void TspSkinCaptionObject::DrawCaptionText(TCanvas* Cnvs, TCanvas* Target, int OX, int OY, bool A, TColor Color) {
  if (Controller && Controller->OnCaptionPaint) {
    TRect r = ObjectRect;
    Controller->OnCaptionPaint(Target, r, A);
    return;
  }
  std::string text = Text();
  if (text.empty() || IsNullRect(TextRect)) return;
  const TRect tr = CurrentTextRect();
  SetCaptionFont(Cnvs, Color);
  text = ShortenToWidth(Cnvs, text, tr.Width());
  const TSize ts = MeasureText(Cnvs, text);
  int Y = tr.Top + tr.Height() / 2 - ts.cy / 2;
  int X = Alignment == 0 ? tr.Left : Alignment == 1 ? tr.Right - ts.cx : tr.Left + tr.Width() / 2 - ts.cx / 2;
  X += OX;
  Y += OY;
  Cnvs->Brush()->SetStyle(bsClear);

  if (!IsNullRect(FrameRect) && ActivePicture && !ActivePicture->Empty()) {
    const TRect source = A && !IsNullRect(ActiveFrameRect) ? ActiveFrameRect : FrameRect;
    const int buttonsOffset = SkinData ? SkinData->buttonsoffset : 0;
    int width = 0, fx = 0;
    if (FullFrame) {
      width = RectWidth(ObjectRect) - 2 * buttonsOffset;
      fx = OX + buttonsOffset;
    } else {
      width = RectWidth(FrameRect) + ts.cx - RectWidth(FrameTextRect);
      fx = X - FrameTextRect.Left;
    }
    if (width > 0) {
      TBitmap frame;
      frame.SetPixelFormat(pf24bit);
      const int sw = RectWidth(source);
      const int lo = std::clamp(FrameLeftOffset, 0, std::min(sw, width));
      const int ro = std::clamp(FrameRightOffset, 0, std::min(sw, width) - lo);
      CreateHSkinImage(lo, ro, &frame, ActivePicture, source, width, false);
      if (!frame.Empty()) Cnvs->Draw(fx, Y - FrameTextRect.Top, &frame);
    }
  }

  auto plain = [&](int x, int y) {
    RECT r{x, y, x + ts.cx, y + ts.cy};
    DrawText(Cnvs->Handle(), text.c_str(), int(text.size()), &r, kTextFlags);
  };
  if (Light) {
    Cnvs->Font()->SetColor(A ? ActiveLightColor : LightColor);
    plain(X - 1, Y - 1);
    Cnvs->Font()->SetColor(Color);
  }
  if (Shadow) {
    Cnvs->Font()->SetColor(A ? ActiveShadowColor : ShadowColor);
    plain(X + 1, Y + 1);
    Cnvs->Font()->SetColor(Color);
  }
  const TRect r{X, Y, X + ts.cx, Y + ts.cy};
  const UINT format = DT_VCENTER | kTextFlags;
  if (ReflectionEffect) {
    DrawReflectionText(Cnvs, r, text, format, ReflectionOffset, A ? ReflectionActiveColor : ReflectionColor);
  } else if (VistaGlowEffect && (A || VistaGlowInactiveEffect)) {
    DrawVistaGlowText(Cnvs, r, text, format, A ? GlowActiveColor : GlowColor);
  } else if (GlowEffect && (A || GlowInactiveEffect)) {
    DrawGlowText(Cnvs, r, text, format, GlowOffset, A ? GlowActiveColor : GlowColor, GlowSize);
  } else {
    plain(X, Y);
  }
}

void TspSkinCaptionObject::ApplyInactiveEffect(TBitmap* Image) const {
  if (!SkinData || !Image || Image->Empty()) return;
  TspEffectBmp e(Image->Handle());
  e.ApplyInactiveEffect(SkinData->inactiveeffect);
  e.Draw(Image->Canvas()->Handle(), 0, 0);
}

// ---- Drawing -----------------------------------------------------------------------------------------

void TspSkinCaptionObject::Draw(TCanvas* Cnvs, bool UpDate) {
  if (!SkinData || SkinData->Empty || !Cnvs || !Controller) return;
  const bool formActive = Controller->IsFormActive();
  Active = formActive;
  const bool nc = Controller->SupportNCArea();
  const bool inactiveEffect = SkinData->autorenderinginactiveimage && !formActive;
  const int w = RectWidth(ObjectRect), h = RectHeight(ObjectRect);

  if (CanAnimate() && AnimFrame >= 1 && AnimFrame <= FrameCount) {
    TRect frame;
    if (RectHeight(SkinRect) < RectHeight(AnimateSkinRect)) {
      const int band = RectHeight(AnimateSkinRect) / FrameCount;
      frame = TRect{AnimateSkinRect.Left, AnimateSkinRect.Top + (AnimFrame - 1) * band, AnimateSkinRect.Right,
                    AnimateSkinRect.Top + AnimFrame * band};
    } else {
      const int band = RectWidth(AnimateSkinRect) / FrameCount;
      frame = TRect{AnimateSkinRect.Left + (AnimFrame - 1) * band, AnimateSkinRect.Top,
                    AnimateSkinRect.Left + AnimFrame * band, AnimateSkinRect.Bottom};
    }
    TBitmap image;
    BuildStripImage(&image, ActivePicture, frame, nc);
    if (image.Empty()) return;
    // The text keeps the look of the state being left until the end.
    DrawCaptionText(image.Canvas(), Cnvs, 0, 0, !Active, Active ? FontColor : ActiveFontColor);
    Cnvs->Draw(ObjectRect.Left, ObjectRect.Top, &image);
    return;
  }

  const bool hasActive = !IsNullRect(ActiveSkinRect);
  if (!(nc && !hasActive)) {
    if (hasActive && (Active || (MorphRatio != 0.0 && CanMorphing()))) {
      TBitmap active;
      BuildStripImage(&active, ActivePicture, ActiveSkinRect, false);
      if (active.Empty()) return;
      DrawCaptionText(active.Canvas(), Cnvs, 0, 0, true, ActiveFontColor);
      if ((MorphRatio == 0.0 && Active && !CanMorphing()) || (Active && MorphRatio == 1.0)) {
        Cnvs->Draw(ObjectRect.Left, ObjectRect.Top, &active);
        return;
      }
      TBitmap inactive;
      BuildStripImage(&inactive, Picture, SkinRect, false);
      if (inactive.Empty()) return;
      DrawCaptionText(inactive.Canvas(), Cnvs, 0, 0, false, FontColor);
      {
        TspEffectBmp a(inactive.Handle()), b(active.Handle());
        a.MorphByKind(&b, MorphRatio, MorphKind);
        a.Draw(inactive.Canvas()->Handle(), 0, 0);
      }
      if (inactiveEffect) ApplyInactiveEffect(&inactive);
      Cnvs->Draw(ObjectRect.Left, ObjectRect.Top, &inactive);
      return;
    }
    if (UpDate) {
      TBitmap image;
      BuildStripImage(&image, Picture, SkinRect, false);
      if (image.Empty() || w <= 0 || h <= 0) return;
      DrawCaptionText(image.Canvas(), Cnvs, 0, 0, Active, Active ? ActiveFontColor : FontColor);
      if (inactiveEffect) ApplyInactiveEffect(&image);
      Cnvs->Draw(ObjectRect.Left, ObjectRect.Top, &image);
      return;
    }
  }
  // The frame painting already shows the strip: the text alone.
  DrawCaptionText(Cnvs, Cnvs, ObjectRect.Left, ObjectRect.Top, Active, Active ? ActiveFontColor : FontColor);
}

// ---- Mouse and timers ------------------------------------------------------------------------------------

void TspSkinCaptionObject::MouseDown(int X, int Y, TMouseButton Button) {
  if (Controller && !Controller->SupportNCArea() && Controller->WindowState != spwsMaximized && Controller->Form)
    Controller->StartClientDrag(Controller->Form->ClientToScreen(TPoint{X, Y}));
  if (Controller) Controller->FireMouseDown(IDName, X, Y, ObjectRect, Button);
}

void TspSkinCaptionObject::MouseUp(int X, int Y, TMouseButton Button) {
  if (!Controller) return;
  if (!Controller->SupportNCArea()) Controller->ClientDragActive = false;
  Controller->FireMouseUp(IDName, X, Y, ObjectRect, Button);
}

void TspSkinCaptionObject::MouseEnter() {
  PointerInside = true;
  if (Controller) Controller->FireMouseEnter(IDName);
}

void TspSkinCaptionObject::MouseLeave() {
  PointerInside = false;
  if (Controller) Controller->FireMouseLeave(IDName);
}

void TspSkinCaptionObject::ActivationChanged(bool On) {
  if (!Controller) return;
  if (On) {
    if (!Controller->SupportNCArea()) Active = Controller->IsFormActive();
    if (CanAnimate()) {
      TimerCount = 25;
      AnimFrame = Active ? 1 : InActiveAnimation ? FrameCount : 0;
      Controller->StartAnimateTimer();
    }
    if (!Controller->SupportNCArea() || !IsNullRect(ActiveSkinRect)) StartMorph();
  } else if (Morphing) {
    SetMorphRatio(Controller->IsFormActive() ? 1.0 : 0.0);
  }
}

bool TspSkinCaptionObject::AnimateTick() {
  if (!CanAnimate()) return false;
  const bool pending = Active ? AnimFrame <= FrameCount : AnimFrame > 0;
  if (!pending) return false;
  if (TimerCount < AnimateInterval) {
    TimerCount += 25;
    return true;
  }
  AnimFrame += Active ? 1 : -1;
  TimerCount = 25;
  if (Controller) Controller->RedrawObject(this);
  return true;
}
