#include "skin/windows/Brenvale_Object.h"

#include <algorithm>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/ui/forms/Timer.h"
#include "skin/engine/SPUtils.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/speffbmp.h"
#include "skin/windows/Brenvale.h"
#include "skin/windows/Brenvale_Internal.h"

namespace brenvale {

bool MaskPixelIsBlack(TBitmap* Mask, int X, int Y) {
  if (!Mask || Mask->Empty() || X < 0 || Y < 0 || X >= Mask->Width() || Y >= Mask->Height()) return false;
  switch (Mask->PixelFormat()) {
    case pf24bit: {
      const auto* row = static_cast<const Byte*>(Mask->ScanLine(Y)) + std::size_t(X) * 3;
      return row[0] == 0 && row[1] == 0 && row[2] == 0;
    }
    case pf32bit:
    case pfDevice: {
      const auto* row = static_cast<const Byte*>(Mask->ScanLine(Y)) + std::size_t(X) * 4;
      return row[0] == 0 && row[1] == 0 && row[2] == 0;
    }
    default:
      return (ColorToRGB(Mask->Canvas()->Pixels(X, Y)) & 0xFFFFFF) == 0;
  }
}

}  // namespace brenvale

using brenvale::Offset;

TspActiveSkinObject::TspActiveSkinObject(TspBrenvale* AController, TspDataSkinObject* Description)
    : Controller(AController) {
  SkinData = AController ? AController->SkinData() : nullptr;
  if (!Description) return;
  IDName = Description->SectionName;
  Hint = Description->hint;
  SkinRect = Description->skinrect;
  ActiveSkinRect = Description->activeskinrect;
  InActiveSkinRect = Description->inactiveskinrect;
  Morphing = Description->morphing;
  MorphKind = Description->morphkind;
  CursorIndex = Description->cursorindex;
  RollUp = Description->rollup;
  SkinRectInAPicture = Description->skinrectinapicture;
  GlowLayerPictureIndex = Description->glowlayerpictureindex;
  GlowLayerMaskPictureIndex = Description->glowlayermaskpictureindex;
  GlowLayerOffsetX = Description->glowlayeroffsetx;
  GlowLayerOffsetY = Description->glowlayeroffsety;
  GlowLayerAlphaBlendValue = Description->glowlayeralphablendvalue;
  if (SkinData) {
    Picture = RollUp ? &SkinData->RollUpPicture : &SkinData->Picture;
    const int count = int(SkinData->ActivePictures.size());
    const int ai = Description->activepictureindex;
    if (ai >= 0 && ai < count) ActivePicture = SkinData->ActivePictures[std::size_t(ai)].get();
    const int mi = Description->activemaskpictureindex;
    if (mi >= 0 && mi < count) MaskPicture = SkinData->ActivePictures[std::size_t(mi)].get();
  }
  // Without its picture the active image cannot exist; the description
  // itself stays as the skin has it.
  if (!ActivePicture) ResetRect(ActiveSkinRect);
  ObjectRect = SkinRect;
}

TspActiveSkinObject::~TspActiveSkinObject() = default;

bool TspActiveSkinObject::HitTest(int X, int Y) {
  if (!SkinData || SkinData->Empty || !MaskPicture) return true;
  return brenvale::MaskPixelIsBlack(MaskPicture, X, Y);
}

void TspActiveSkinObject::ShowLayer() {
  if (!SkinData || SkinData->Empty || GlowLayerPictureIndex == -1 || !IsWindows2000OrLater() ||
      !SkinData->ShowCaptionButtonGlowFrames || !Controller || !Controller->ButtonGlowLayer)
    return;
  TBitmap* glow = SkinData->GetActivePicture(GlowLayerPictureIndex);
  if (!glow) return;
  TBitmap* mask = SkinData->GetActivePicture(GlowLayerMaskPictureIndex);
  const TPoint origin = Controller->WindowScreenOrigin();
  Controller->ButtonGlowLayer->Show(origin.X + ObjectRect.Left - GlowLayerOffsetX,
                                    origin.Y + ObjectRect.Top - GlowLayerOffsetY, glow, mask,
                                    GlowLayerAlphaBlendValue);
}

void TspActiveSkinObject::HideLayer() {
  if (!SkinData || SkinData->Empty || GlowLayerPictureIndex == -1 || !IsWindows2000OrLater() ||
      !SkinData->ShowCaptionButtonGlowFrames || !Controller || !Controller->ButtonGlowLayer)
    return;
  Controller->ButtonGlowLayer->Hide();
}

void TspActiveSkinObject::CopyPictureRect(TCanvas* Cnvs, TBitmap* Source, const TRect& SourceRect) const {
  if (!Cnvs || !Source || Source->Empty() || IsNullRect(SourceRect) || IsNullRect(ObjectRect)) return;
  Cnvs->CopyRect(ObjectRect, Source->Canvas(), SourceRect);
}

void TspActiveSkinObject::Draw(TCanvas* Cnvs, bool UpDate) {
  if (!SkinData || SkinData->Empty || !Cnvs) return;
  const bool formActive = Controller ? Controller->IsFormActive() : true;
  if (Enabled && !formActive && !IsNullRect(InActiveSkinRect)) {
    CopyPictureRect(Cnvs, ActivePicture, InActiveSkinRect);
    return;
  }
  TBitmap* normalSource = SkinRectInAPicture ? ActivePicture : Picture;
  // Without an active image there is nothing to morph toward: the normal
  // image is drawn below.
  if (CanMorphing() && ActivePicture && !IsNullRect(ActiveSkinRect) &&
      ((Active && MorphRatio != 1.0) || (!Active && MorphRatio != 0.0))) {
    const int w = RectWidth(ObjectRect), h = RectHeight(ObjectRect);
    if (w <= 0 || h <= 0 || !normalSource) return;
    TBitmap normal(w, h, pf24bit), active(w, h, pf24bit);
    const TRect dest{0, 0, w, h};
    normal.Canvas()->CopyRect(dest, normalSource->Canvas(), SkinRect);
    active.Canvas()->CopyRect(dest, ActivePicture->Canvas(), ActiveSkinRect);
    TspEffectBmp from(normal.Handle()), to(active.Handle());
    from.MorphByKind(&to, MorphRatio, MorphKind);
    from.Draw(Cnvs->Handle(), ObjectRect.Left, ObjectRect.Top);
    return;
  }
  if (Active && !IsNullRect(ActiveSkinRect)) {
    CopyPictureRect(Cnvs, ActivePicture, ActiveSkinRect);
    return;
  }
  if (!UpDate && !SkinRectInAPicture) return;
  CopyPictureRect(Cnvs, normalSource, SkinRect);
}

void TspActiveSkinObject::DblClick() {}

void TspActiveSkinObject::MouseDown(int X, int Y, TMouseButton Button) {
  if (Controller) Controller->FireMouseDown(IDName, X, Y, ObjectRect, Button);
}

void TspActiveSkinObject::MouseUp(int X, int Y, TMouseButton Button) {
  if (PointerInside && Controller) Controller->FireMouseUp(IDName, X, Y, ObjectRect, Button);
}

void TspActiveSkinObject::MouseMove(int X, int Y) {
  if (Controller) Controller->FireMouseMove(IDName, X, Y, ObjectRect);
}

void TspActiveSkinObject::MouseEnter() {
  PointerInside = true;
  Active = true;
  if (!IsNullRect(ActiveSkinRect)) StartMorph();
  if (Controller) Controller->FireMouseEnter(IDName);
  ShowLayer();
}

void TspActiveSkinObject::MouseLeave() {
  PointerInside = false;
  Active = false;
  if (!IsNullRect(ActiveSkinRect)) StartMorph();
  if (Controller) Controller->FireMouseLeave(IDName);
  HideLayer();
}

bool TspActiveSkinObject::IsMorphing() { return (Active && MorphRatio < 1.0) || (!Active && MorphRatio > 0.0); }

bool TspActiveSkinObject::CanMorphing() const {
  return Morphing && Controller && Controller->SkinData() && Controller->SkinData()->EnableSkinEffects;
}

void TspActiveSkinObject::StartMorph() {
  if (!Controller) return;
  if (CanMorphing())
    Controller->StartMorphTimer();
  else
    Controller->RedrawObject(this);
}

void TspActiveSkinObject::MorphStep() {
  SetMorphRatio(Active ? MorphRatio + 0.2 : MorphRatio - 0.2);
  if (Controller) Controller->RedrawObject(this);
}

void TspActiveSkinObject::SetMorphRatio(double Value) {
  // Steps of 0.2 do not add up exactly; a ratio a rounding error away from
  // an end is at that end, so a morph takes five steps either way.
  Value = std::clamp(Value, 0.0, 1.0);
  if (Value < 1e-9) Value = 0.0;
  if (Value > 1.0 - 1e-9) Value = 1.0;
  MorphRatio = Value;
}

void TspActiveSkinObject::ResetState() {
  Active = false;
  PointerInside = false;
  MorphRatio = 0.0;
}

TspSkinObjectFactory& SkinObjectFactory() {
  static TspSkinObjectFactory factory = DefaultSkinObjectFactory();
  return factory;
}
