// The frame's indicators: frame strips, regulators, animations, gauges,
// labels, switches and track bars.
#include "skin/windows/Brenvale_Objects_Indicators.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/gdi/Gdi.h"
#include "platform/graphics/Bitmap.h"
#include "platform/ui/menus/Menus.h"
#include "skin/engine/SPUtils.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinDataObjects.h"
#include "skin/engine/speffbmp.h"
#include "skin/windows/Brenvale_Objects.h"

namespace {

constexpr int kIndicatorTick = 25;
constexpr double kIndicatorPi = 3.14159265358979323846;

bool IndicatorSkinUsable(const TspSkinData* sd) { return sd && !sd->Empty; }

// Copies rectangle S of picture into B at (x, y).
void IndicatorCopy(TBitmap* B, int x, int y, TBitmap* picture, const TRect& S) {
  if (!picture || S.Width() <= 0 || S.Height() <= 0) return;
  B->Canvas()->CopyRect(TRect{x, y, x + S.Width(), y + S.Height()}, picture->Canvas(), S);
}

}  // namespace

std::unique_ptr<TspActiveSkinObject> CreateIndicatorObjectFromDescription(TspBrenvale* Controller,
                                                                          TspDataSkinObject* Description) {
  if (dynamic_cast<TspDataSkinFrameGaugeObject*>(Description))
    return std::make_unique<TspSkinFrameGaugeObject>(Controller, Description);
  if (dynamic_cast<TspDataSkinFrameRegulatorObject*>(Description))
    return std::make_unique<TspSkinFrameRegulatorObject>(Controller, Description);
  if (dynamic_cast<TspDataSkinAnimate*>(Description))
    return std::make_unique<TspSkinAnimateObject>(Controller, Description);
  if (dynamic_cast<TspDataSkinGauge*>(Description)) return std::make_unique<TspSkinGaugeObject>(Controller, Description);
  if (dynamic_cast<TspDataSkinBitLabel*>(Description))
    return std::make_unique<TspSkinBitLabelObject>(Controller, Description);
  if (dynamic_cast<TspDataSkinLabel*>(Description)) return std::make_unique<TspSkinLabelObject>(Controller, Description);
  if (dynamic_cast<TspDataSkinSwitch*>(Description))
    return std::make_unique<TspSkinSwitchObject>(Controller, Description);
  if (dynamic_cast<TspDataSkinTrackBar*>(Description))
    return std::make_unique<TspSkinTrackBarObject>(Controller, Description);
  return nullptr;
}

// ---- Frame strips ------------------------------------------------------------------------------

void TspSkinFrameObject::InitFrames(int ACountFrames, TspFramesPlacement APlacement) {
  CountFrames = ACountFrames;
  FramesPlacement = APlacement == fpHorizontal ? 0 : 1;
  if (CountFrames <= 0) return;
  if (FramesPlacement == 0) {
    FrameWidth = ActiveSkinRect.Width() / CountFrames;
    FrameHeight = ActiveSkinRect.Height();
  } else {
    FrameHeight = ActiveSkinRect.Height() / CountFrames;
    FrameWidth = ActiveSkinRect.Width();
  }
}

int TspSkinFrameObject::FrameOfValue(int Value, int MinValue, int MaxValue) const {
  if (CountFrames < 2) return 1;
  const int step = (MaxValue - MinValue) / (CountFrames - 1);
  if (step == 0) return 1;
  return std::abs(Value - MinValue) / step + 1;
}

void TspSkinFrameObject::Draw(TCanvas* Cnvs, bool) {
  if (!IndicatorSkinUsable(SkinData) || !Cnvs) return;
  const TRect& s = ActiveSkinRect;
  const int n = FrameIndex;
  const TRect src = FramesPlacement == 0
                        ? TRect{s.Left + FrameWidth * (n - 1), s.Top, s.Left + FrameWidth * n, s.Top + FrameHeight}
                        : TRect{s.Left, s.Top + FrameHeight * (n - 1), s.Left + FrameWidth, s.Top + FrameHeight * n};
  CopyPictureRect(Cnvs, ActivePicture, src);
}

TspSkinFrameGaugeObject::TspSkinFrameGaugeObject(TspBrenvale* AController, TspDataSkinObject* Description)
    : TspSkinFrameObject(AController, Description) {
  auto* d = static_cast<TspDataSkinFrameGaugeObject*>(Description);
  MinValue = d->minvalue;
  MaxValue = d->maxvalue;
  InitFrames(d->countframes, d->framesplacement);
}

void TspSkinFrameGaugeObject::Draw(TCanvas* Cnvs, bool UpDate) {
  FrameIndex = FrameOfValue(Value, MinValue, MaxValue);
  TspSkinFrameObject::Draw(Cnvs, UpDate);
}

// Enter and leave of the objects that only report them.
void TspSkinFrameGaugeObject::MouseEnter() {
  PointerInside = Active = true;
  if (Controller) Controller->FireMouseEnter(IDName);
}

void TspSkinFrameGaugeObject::MouseLeave() {
  PointerInside = Active = false;
  if (Controller) Controller->FireMouseLeave(IDName);
}

// ---- Frame regulator ----------------------------------------------------------------------------

TspSkinFrameRegulatorObject::TspSkinFrameRegulatorObject(TspBrenvale* AController, TspDataSkinObject* Description)
    : TspSkinFrameObject(AController, Description) {
  auto* d = static_cast<TspDataSkinFrameRegulatorObject*>(Description);
  MinValue = d->minvalue;
  MaxValue = d->maxvalue;
  RegulatorKind = Byte(d->kind);
  InitFrames(d->countframes, d->framesplacement);
  Value = std::clamp(0, std::min(MinValue, MaxValue), std::max(MinValue, MaxValue));
}

void TspSkinFrameRegulatorObject::Draw(TCanvas* Cnvs, bool UpDate) {
  FrameIndex = FrameOfValue(Value, MinValue, MaxValue);
  TspSkinFrameObject::Draw(Cnvs, UpDate);
}

int TspSkinFrameRegulatorObject::AngleOf(int X, int Y) const {
  const int w = ObjectRect.Width(), h = ObjectRect.Height();
  const int x = std::clamp(X - ObjectRect.Left, 0, std::max(w, 0));
  const int y = std::clamp(Y - ObjectRect.Top, 0, std::max(h, 0));
  const int cx = w / 2, cy = h / 2;
  const double dx = cx - x, dy = cy - y;
  const double m = std::sqrt(dx * dx + dy * dy);
  if (m == 0) return -1;
  int base;
  if (x <= cx && y < cy)
    base = 90;
  else if (x < cx && y >= cy)
    base = 180;
  else if (x >= cx && y > cy)
    base = 270;
  else
    base = 0;
  const double s = (base == 0 || base == 180) ? std::fabs(dy) / m : std::fabs(dx) / m;
  const int t = int(std::lround(base + std::asin(std::min(s, 1.0)) * 180.0 / kIndicatorPi));
  int angle = 270 - t;
  if (angle < 0) angle += 360;
  return angle;
}

bool TspSkinFrameRegulatorObject::PositionOf(int X, int Y, int& Pos) const {
  if (RegulatorKind == 0) {
    Pos = AngleOf(X, Y);
    return Pos != -1;
  }
  Pos = RegulatorKind == 1 ? X - ObjectRect.Left : -(Y - ObjectRect.Top);
  return true;
}

void TspSkinFrameRegulatorObject::SetValue(int AValue) {
  if (AValue == Value || AValue < MinValue || AValue > MaxValue) return;
  Value = AValue;
  if (Controller) Controller->RedrawObject(this);
  if (Controller) Controller->FireFrameRegulatorChangeValue(IDName, Value);
}

void TspSkinFrameRegulatorObject::MouseDown(int X, int Y, TMouseButton Button) {
  Pressed = true;
  WorkValue = Value;
  int pos = 0;
  if (PositionOf(X, Y, pos)) StartPos = OldPos = pos;
  TspSkinFrameObject::MouseDown(X, Y, Button);
}

void TspSkinFrameRegulatorObject::MouseUp(int X, int Y, TMouseButton Button) {
  Pressed = false;
  TspSkinFrameObject::MouseUp(X, Y, Button);
}

void TspSkinFrameRegulatorObject::MouseMove(int X, int Y) {
  // With fewer than two frames there are no steps to take.
  if (Pressed && CountFrames >= 2 && PositionOf(X, Y, CurPos)) {
    StepValue = std::max((MaxValue - MinValue) / (CountFrames - 1), 1);
    bool up = false, step = false;
    if (RegulatorKind == 0) {
      StepPos = std::max(360 / (CountFrames - 1), 1);
      if (std::abs(CurPos - OldPos) > 300) {
        // The pointer crossed the zero angle.
        StartPos = CurPos;
        up = CurPos < OldPos;
        step = true;
      } else {
        up = CurPos >= StartPos;
        step = std::abs(CurPos - StartPos) >= StepPos;
      }
    } else {
      StepPos = std::max((RegulatorKind == 1 ? FrameWidth : FrameHeight) / (CountFrames - 1), 1);
      up = StartPos <= CurPos;
      step = std::abs(CurPos - StartPos) >= StepPos;
    }
    if (step) {
      StartPos = CurPos;
      WorkValue = std::clamp(WorkValue + (up ? StepValue : -StepValue), MinValue, std::max(MinValue, MaxValue));
      SetValue(WorkValue);
    }
    OldPos = CurPos;
  }
  TspSkinFrameObject::MouseMove(X, Y);
}

// ---- Animation ---------------------------------------------------------------------------------

TspSkinAnimateObject::TspSkinAnimateObject(TspBrenvale* AController, TspDataSkinObject* Description)
    : TspActiveSkinObject(AController, Description) {
  auto* d = static_cast<TspDataSkinAnimate*>(Description);
  Interval = std::max(d->timerinterval, kIndicatorTick);
  CountFrames = std::max(d->countframes, 1);
  Cycle = d->cycle;
  IsButtonStyle = d->buttonstyle;
  AnimateCommand = d->command;
  DownSkinRect = d->downskinrect;
  RestoreRect = d->restorerect;
  RestoreActiveRect = d->restoreactiverect;
  RestoreInActiveRect = d->restoreinactiverect;
  RestoreDownRect = d->restoredownrect;
  RestoreHint = d->restorehint;
  NormalHint = Hint;
  Morphing = false;
}

bool TspSkinAnimateObject::InRestoreState() const {
  if (!Controller) return false;
  switch (AnimateCommand) {
    case cmMaximize: return Controller->WindowState == spwsMaximized;
    case cmMinimize: return Controller->WindowState == spwsMinimized;
    case cmRollUp: return Controller->RollUpState;
    default: return false;
  }
}

void TspSkinAnimateObject::Draw(TCanvas* Cnvs, bool) {
  if (!IndicatorSkinUsable(SkinData) || !Cnvs) return;
  TRect N = SkinRect, A = ActiveSkinRect, D = DownSkinRect, I = InActiveSkinRect;
  if (!IsNullRect(RestoreRect) && InRestoreState()) {
    N = RestoreRect;
    A = RestoreActiveRect;
    D = RestoreDownRect;
    I = RestoreInActiveRect;
  }
  const int W = N.Width(), H = N.Height();
  auto frame = [&](int F) { return TRect{A.Left + W * (F - 1), A.Top, A.Left + W * F, A.Top + H}; };
  TRect src;
  if (MenuOpen) {
    if (!IsNullRect(D)) {
      src = D;
    } else {
      Frame = CountFrames;
      src = frame(Frame);
    }
  } else if (Controller && !Controller->IsFormActive() && !IsNullRect(I)) {
    src = I;
  } else if (Down && PointerInside && !IsNullRect(D)) {
    src = D;
  } else {
    src = frame(Frame);
  }
  CopyPictureRect(Cnvs, ActivePicture, src);
}

bool TspSkinAnimateObject::AnimateTick() {
  if (!Active || (Down && !IsNullRect(DownSkinRect))) return false;
  if (TimerCount < Interval) {
    TimerCount += kIndicatorTick;
    return true;
  }
  if (Forward) {
    Frame = Frame + 1 > CountFrames ? 1 : Frame + 1;
    if (!Cycle && Frame == CountFrames) Active = false;
  } else {
    Frame = Frame - 1 < 1 ? CountFrames : Frame - 1;
    if (Frame == 1) Active = false;
  }
  TimerCount = kIndicatorTick;
  if (Controller) Controller->RedrawObject(this);
  return Active;
}

void TspSkinAnimateObject::StartOrRedraw() {
  if (!Controller) return;
  if (Down && !IsNullRect(DownSkinRect))
    Controller->RedrawObject(this);
  else
    Controller->StartAnimateTimer();
}

TspLayerManager* TspSkinAnimateObject::GlowLayer() const {
  if (!Controller) return nullptr;
  return MenuItem ? Controller->MenuGlowLayer : Controller->ButtonGlowLayer;
}

void TspSkinAnimateObject::ShowLayer() {
  TspLayerManager* layer = GlowLayer();
  if (!layer || !IndicatorSkinUsable(SkinData) || GlowLayerPictureIndex == -1 || !IsWindows2000OrLater() ||
      !SkinData->ShowCaptionButtonGlowFrames)
    return;
  TBitmap* glow = SkinData->GetActivePicture(GlowLayerPictureIndex);
  if (!glow) return;
  const TPoint origin = Controller->WindowScreenOrigin();
  layer->Show(origin.X + ObjectRect.Left - GlowLayerOffsetX, origin.Y + ObjectRect.Top - GlowLayerOffsetY, glow,
              SkinData->GetActivePicture(GlowLayerMaskPictureIndex), GlowLayerAlphaBlendValue);
}

void TspSkinAnimateObject::HideLayer() {
  if (TspLayerManager* layer = GlowLayer(); layer && layer->LayerVisible) layer->Hide();
}

void TspSkinAnimateObject::MouseEnter() {
  if (AnimateCommand != cmDefault) Hint = !RestoreHint.empty() && InRestoreState() ? RestoreHint : NormalHint;
  PointerInside = true;
  if (MenuOpen) return;
  if (IsButtonStyle) {
    Active = true;
    Forward = true;
    StartOrRedraw();
  }
  if (Controller) Controller->FireMouseEnter(IDName);
  ShowLayer();
}

void TspSkinAnimateObject::MouseLeave() {
  if (!PointerInside) return;
  PointerInside = false;
  if (MenuOpen) return;
  if (IsButtonStyle) {
    Active = true;
    Forward = false;
    StartOrRedraw();
  }
  if (Controller) Controller->FireMouseLeave(IDName);
  HideLayer();
}

void TspSkinAnimateObject::MouseDown(int X, int Y, TMouseButton Button) {
  TspActiveSkinObject::MouseDown(X, Y, Button);
  if (Button == TMouseButton::mbLeft && !IsNullRect(DownSkinRect)) {
    Frame = CountFrames;
    Down = true;
    if (Controller) Controller->RedrawObject(this);
  }
  if (AnimateCommand == cmSysMenu && PointerInside && IsButtonStyle && Button == TMouseButton::mbLeft) DoCommand();
}

void TspSkinAnimateObject::MouseUp(int X, int Y, TMouseButton Button) {
  TspActiveSkinObject::MouseUp(X, Y, Button);
  if (MenuOpen) return;
  if (Button == TMouseButton::mbLeft && !IsNullRect(DownSkinRect)) {
    Down = false;
    if (Controller) {
      Controller->RedrawObject(this);
      Controller->StartAnimateTimer();
    }
  }
  if (AnimateCommand != cmSysMenu && PointerInside && IsButtonStyle && Button == TMouseButton::mbLeft) DoCommand();
}

void TspSkinAnimateObject::DblClick() {
  if (AnimateCommand == cmSysMenu && Controller) Controller->CloseForm();
}

void TspSkinAnimateObject::DoCommand() {
  if (!Controller) return;
  if (AnimateCommand == cmSysMenu) MenuItem = Controller->GetSystemMenuItems();
  if (AnimateCommand == cmSysMenu || AnimateCommand == cmDefault) {
    if (!MenuItem || MenuItem->Count() == 0) return;
    MenuOpen = true;
    if (Controller->ButtonGlowLayer && Controller->ButtonGlowLayer->LayerVisible) Controller->ButtonGlowLayer->Hide();
    if (PointerInside) ShowLayer();
    const TPoint origin = Controller->WindowScreenOrigin();
    const TRect screen{origin.X + ObjectRect.Left, origin.Y + ObjectRect.Top, origin.X + ObjectRect.Right,
                       origin.Y + ObjectRect.Bottom};
    Controller->RedrawObject(this);
    Controller->SkinMenuOpened();
    Controller->PopupObjectMenu(this, MenuItem, screen, false);
    return;
  }
  RunSkinCommand(Controller, AnimateCommand);
}

void TspSkinAnimateObject::SetObjectDown(bool Value) {
  if (Value) return;
  Active = true;
  Frame = CountFrames;
  Down = false;
  MenuOpen = false;
  Forward = false;
  if (Controller) Controller->StartAnimateTimer();
}

void TspSkinAnimateObject::ResetState() {
  TspActiveSkinObject::ResetState();
  Frame = 1;
  Down = false;
  TimerCount = kIndicatorTick;
}

// ---- Bar gauge ---------------------------------------------------------------------------------

TspSkinGaugeObject::TspSkinGaugeObject(TspBrenvale* AController, TspDataSkinObject* Description)
    : TspActiveSkinObject(AController, Description) {
  auto* d = static_cast<TspDataSkinGauge*>(Description);
  MinValue = d->minvalue;
  MaxValue = d->maxvalue;
  Value = MinValue;
  GaugeKind = d->kind == gkHorizontal ? 0 : 1;
  Offset = OldOffset = OffsetOfValue();
}

TPoint TspSkinGaugeObject::OffsetOfValue() const {
  // Equal bounds: an empty gauge.
  const double x = MaxValue == MinValue ? 0.0 : double(Value - MinValue) / double(MaxValue - MinValue);
  if (GaugeKind == 0) return TPoint{int(std::lround(x * SkinRect.Width())), 0};
  return TPoint{0, int(std::lround(SkinRect.Height() * (1.0 - x)))};
}

void TspSkinGaugeObject::Draw(TCanvas* Cnvs, bool UpDate) {
  if (!IndicatorSkinUsable(SkinData) || !Cnvs || (Value == MinValue && !UpDate)) return;
  const int w = ObjectRect.Width(), h = ObjectRect.Height();
  if (w <= 0 || h <= 0) return;
  TBitmap b(w, h, pf24bit);
  TCanvas* c = b.Canvas();
  const TRect& A = ActiveSkinRect;
  const TRect& S = SkinRect;
  if (GaugeKind == 0) {
    const int ox = std::clamp(Offset.X, 0, w);
    if (ActivePicture && ox > 0) c->CopyRect(TRect{0, 0, ox, h}, ActivePicture->Canvas(), TRect{A.Left, A.Top, A.Left + ox, A.Top + h});
    if (Picture && ox < w) c->CopyRect(TRect{ox, 0, w, h}, Picture->Canvas(), TRect{S.Left + ox, S.Top, S.Left + w, S.Top + h});
  } else {
    const int oy = std::clamp(Offset.Y, 0, h);
    if (Picture && oy > 0) c->CopyRect(TRect{0, 0, w, oy}, Picture->Canvas(), TRect{S.Left, S.Top, S.Left + w, S.Top + oy});
    if (ActivePicture && oy < h)
      c->CopyRect(TRect{0, oy, w, h}, ActivePicture->Canvas(), TRect{A.Left, A.Top + oy, A.Left + w, A.Top + h});
  }
  Cnvs->Draw(ObjectRect.Left, ObjectRect.Top, &b);
}

void TspSkinGaugeObject::MouseEnter() {
  PointerInside = Active = true;
  if (Controller) Controller->FireMouseEnter(IDName);
}

void TspSkinGaugeObject::MouseLeave() {
  PointerInside = Active = false;
  if (Controller) Controller->FireMouseLeave(IDName);
}

// ---- Bitmap-font label ---------------------------------------------------------------------------

TspSkinBitLabelObject::TspSkinBitLabelObject(TspBrenvale* AController, TspDataSkinObject* Description)
    : TspActiveSkinObject(AController, Description) {
  auto* d = static_cast<TspDataSkinBitLabel*>(Description);
  TextValue = d->textvalue;
  SymbolWidth = d->symbolwidth;
  SymbolHeight = d->symbolheight;
  Symbols = &d->symbols;
  Transparent = d->transparent;
  TransparentColor = d->transparentcolor;
  Morphing = false;
}

void TspSkinBitLabelObject::Draw(TCanvas* Cnvs, bool) {
  if (!IndicatorSkinUsable(SkinData) || !Cnvs) return;
  const int w = SkinRect.Width(), h = SkinRect.Height();
  if (w <= 0 || h <= 0) return;
  TBitmap b(w, h, pf24bit);
  IndicatorCopy(&b, 0, 0, Picture, SkinRect);
  for (std::size_t k = 0; k < TextValue.size() && SymbolWidth > 0; ++k) {
    const char ch = TextValue[k];
    const int i = int(k) + 1;
    int r = -1, c = -1;
    for (int row = 0; Symbols && row < Symbols->Count(); ++row) {
      const std::size_t p = Symbols->Strings(row).find(ch);
      if (p != std::string::npos) {
        r = row;
        c = int(p);
        break;
      }
    }
    if (r < 0) continue;  // not in the font: its place stays empty
    const int cut = std::max(0, i * SymbolWidth - w);
    const TRect src{ActiveSkinRect.Left + SymbolWidth * c, ActiveSkinRect.Top + SymbolHeight * r,
                    ActiveSkinRect.Left + SymbolWidth * c + SymbolWidth - cut,
                    ActiveSkinRect.Top + SymbolHeight * r + SymbolHeight};
    IndicatorCopy(&b, (i - 1) * SymbolWidth, 0, ActivePicture, src);
    if (cut > 0) break;
  }
  if (Transparent) {
    TBitmap back(w, h, pf24bit);
    IndicatorCopy(&back, 0, 0, &SkinData->Picture, SkinRect);
    b.SetTransparentMode(tmFixed);
    b.SetTransparentColor(TransparentColor);
    b.SetTransparent(true);
    back.Canvas()->Draw(0, 0, &b);
    Cnvs->Draw(ObjectRect.Left, ObjectRect.Top, &back);
    return;
  }
  Cnvs->Draw(ObjectRect.Left, ObjectRect.Top, &b);
}

// ---- Text label ----------------------------------------------------------------------------------

TspSkinLabelObject::TspSkinLabelObject(TspBrenvale* AController, TspDataSkinObject* Description)
    : TspActiveSkinObject(AController, Description) {
  auto* d = static_cast<TspDataSkinLabel*>(Description);
  TextValue = d->textvalue;
  if (!d->fontName.empty()) FontName = d->fontName;
  FontStyle = d->fontstyle;
  FontHeight = d->fontheight;
  FontColor = d->fontcolor;
  ActiveFontColor = d->activefontcolor;
  Alignment = d->alignment == taLeftJustify ? 0 : d->alignment == taRightJustify ? 1 : 2;
}

void TspSkinLabelObject::LabelImage(TBitmap* B, bool Background, bool ActiveColour) {
  const int w = ObjectRect.Width(), h = ObjectRect.Height();
  B->SetPixelFormat(pf24bit);
  B->SetSize(std::max(w, 0), std::max(h, 0));
  if (Background)
    IndicatorCopy(B, 0, 0, ActivePicture, ActiveSkinRect);
  else
    IndicatorCopy(B, 0, 0, Picture, SkinRect);
  TCanvas* c = B->Canvas();
  c->Font()->SetName(FontName);
  c->Font()->SetStyle(FontStyle);
  c->Font()->SetHeight(FontHeight);
  c->Font()->SetColor(ActiveColour ? ActiveFontColor : FontColor);
  c->Brush()->SetStyle(bsClear);
  const int tw = c->TextWidth(TextValue), th = c->TextHeight(TextValue);
  const int x = Alignment == 0 ? 0 : Alignment == 1 ? w - tw : w / 2 - tw / 2;
  c->TextRect(TRect{0, 0, w, h}, x, h / 2 - th / 2, TextValue);
}

void TspSkinLabelObject::Draw(TCanvas* Cnvs, bool) {
  if (!IndicatorSkinUsable(SkinData) || !Cnvs) return;
  const bool activeBack = !IsNullRect(ActiveSkinRect);
  TBitmap image;
  if (CanMorphing() && IsMorphing()) {
    TBitmap from, to;
    LabelImage(&from, false, false);
    LabelImage(&to, activeBack, true);
    if (from.Width() <= 0 || from.Height() <= 0) return;
    TspEffectBmp a(from.Handle()), b(to.Handle());
    a.MorphByKind(&b, MorphRatio, MorphKind);
    a.Draw(Cnvs->Handle(), ObjectRect.Left, ObjectRect.Top);
    return;
  }
  if (Active) {
    if (activeBack)
      LabelImage(&image, true, true);
    else if (ActiveFontColor != FontColor)
      LabelImage(&image, false, true);
    else
      return;
  } else {
    LabelImage(&image, false, false);
  }
  Cnvs->Draw(ObjectRect.Left, ObjectRect.Top, &image);
}

void TspSkinLabelObject::MouseEnter() {
  PointerInside = Active = true;
  if (!IsNullRect(ActiveSkinRect) || ActiveFontColor != FontColor) StartMorph();
  if (Controller) Controller->FireMouseEnter(IDName);
}

void TspSkinLabelObject::MouseLeave() {
  PointerInside = Active = false;
  if (!IsNullRect(ActiveSkinRect) || ActiveFontColor != FontColor) StartMorph();
  if (Controller) Controller->FireMouseLeave(IDName);
}

// ---- Switch --------------------------------------------------------------------------------------

void TspSkinSwitchObject::SetState(TSwitchState Value) {
  State = Value;
  Active = State == swsOn;
  StartMorph();
  if (Controller) Controller->FireSwitchChangeState(IDName, State);
}

void TspSkinSwitchObject::MouseDown(int X, int Y, TMouseButton Button) {
  if (Button == TMouseButton::mbLeft) SetState(State == swsOff ? swsOn : swsOff);
  TspActiveSkinObject::MouseDown(X, Y, Button);
}

void TspSkinSwitchObject::MouseEnter() {
  PointerInside = true;
  if (Controller) Controller->FireMouseEnter(IDName);
}

void TspSkinSwitchObject::MouseLeave() {
  PointerInside = false;
  if (Controller) Controller->FireMouseLeave(IDName);
}

// ---- Track bar -----------------------------------------------------------------------------------

TspSkinTrackBarObject::TspSkinTrackBarObject(TspBrenvale* AController, TspDataSkinObject* Description)
    : TspActiveSkinObject(AController, Description) {
  auto* d = static_cast<TspDataSkinTrackBar*>(Description);
  ButtonRect = d->buttonrect;
  ActiveButtonRect = d->activebuttonrect;
  BeginPoint = d->beginpoint;
  EndPoint = d->endpoint;
  MinValue = d->minvalue;
  MaxValue = d->maxvalue;
  MouseDownChangeValue = d->mousedownchangevalue;
  ButtonTransparent = d->buttontransparent;
  ButtonTransparentColor = d->buttontransparentcolor;
  TrackKind = std::abs(EndPoint.Y - BeginPoint.Y) >= std::abs(EndPoint.X - BeginPoint.X) ? 1 : 0;
  Value = MinValue;
  ButtonPos = OldButtonPos = PositionOfValue(MinValue);
  Morphing = false;
}

TPoint TspSkinTrackBarObject::PositionOfValue(int AValue) const {
  const double x = MaxValue == MinValue ? 0.0 : double(AValue - MinValue) / double(MaxValue - MinValue);
  if (TrackKind == 0) return TPoint{BeginPoint.X + int(std::lround(x * (EndPoint.X - BeginPoint.X))), BeginPoint.Y};
  return TPoint{BeginPoint.X, EndPoint.Y + int(std::lround((1.0 - x) * (BeginPoint.Y - EndPoint.Y)))};
}

int TspSkinTrackBarObject::ValueOfPosition(TPoint P) const {
  double x;
  if (TrackKind == 0) {
    if (EndPoint.X == BeginPoint.X) return Value;
    x = double(P.X - BeginPoint.X) / double(EndPoint.X - BeginPoint.X);
  } else {
    if (BeginPoint.Y == EndPoint.Y) return Value;  // the ends meet: the value stays
    x = 1.0 - double(P.Y - EndPoint.Y) / double(BeginPoint.Y - EndPoint.Y);
  }
  return MinValue + int(std::lround((MaxValue - MinValue) * x));
}

TRect TspSkinTrackBarObject::ButtonBounds() const {
  const int w = ButtonRect.Width(), h = ButtonRect.Height();
  return TRect{ButtonPos.X - w / 2, ButtonPos.Y - h / 2, ButtonPos.X - w / 2 + w, ButtonPos.Y - h / 2 + h};
}

void TspSkinTrackBarObject::MoveButton(TPoint P) {
  if (P == ButtonPos) return;
  OldButtonPos = ButtonPos;
  ButtonPos = P;
  Value = ValueOfPosition(P);
  if (Controller) Controller->RedrawObject(this);
  if (Controller) Controller->FireTrackBarChangeValue(IDName, Value);
}

void TspSkinTrackBarObject::Draw(TCanvas* Cnvs, bool) {
  if (!IndicatorSkinUsable(SkinData) || !Cnvs) return;
  const int w = SkinRect.Width(), h = SkinRect.Height();
  if (w <= 0 || h <= 0) return;
  TBitmap b(w, h, pf24bit);
  TCanvas* c = b.Canvas();
  const TRect& A = ActiveSkinRect;
  const TRect& S = SkinRect;
  if (IsNullRect(A) || !ActivePicture) {
    IndicatorCopy(&b, 0, 0, Picture, S);
  } else if (TrackKind == 0) {
    const int x = std::clamp(ButtonPos.X, 0, w);
    if (x > 0) c->CopyRect(TRect{0, 0, x, h}, ActivePicture->Canvas(), TRect{A.Left, A.Top, A.Left + x, A.Top + h});
    if (Picture && x < w) c->CopyRect(TRect{x, 0, w, h}, Picture->Canvas(), TRect{S.Left + x, S.Top, S.Left + w, S.Top + h});
  } else {
    const int y = std::clamp(ButtonPos.Y, 0, h);
    if (Picture && y > 0) c->CopyRect(TRect{0, 0, w, y}, Picture->Canvas(), TRect{S.Left, S.Top, S.Left + w, S.Top + y});
    if (y < h) c->CopyRect(TRect{0, y, w, h}, ActivePicture->Canvas(), TRect{A.Left, A.Top + y, A.Left + w, A.Top + h});
  }
  const TRect& face = ButtonDown && !IsNullRect(ActiveButtonRect) ? ActiveButtonRect : ButtonRect;
  const TRect bb = ButtonBounds();
  if (ActivePicture && !IsNullRect(face)) {
    if (ButtonTransparent) {
      TBitmap btn(face.Width(), face.Height(), pf24bit);
      IndicatorCopy(&btn, 0, 0, ActivePicture, face);
      btn.SetTransparentMode(tmFixed);
      btn.SetTransparentColor(ButtonTransparentColor);
      btn.SetTransparent(true);
      c->Draw(bb.Left, bb.Top, &btn);
    } else {
      c->CopyRect(bb, ActivePicture->Canvas(), face);
    }
  }
  Cnvs->Draw(ObjectRect.Left, ObjectRect.Top, &b);
}

void TspSkinTrackBarObject::MouseDown(int X, int Y, TMouseButton Button) {
  const TPoint p{X - ObjectRect.Left, Y - ObjectRect.Top};
  const TRect bb = ButtonBounds();
  const bool onButton = p.X >= bb.Left && p.X < bb.Right && p.Y >= bb.Top && p.Y < bb.Bottom;
  if (onButton && Button == TMouseButton::mbLeft) {
    ButtonDown = true;
    OldMousePos = p;
    if (!IsNullRect(ActiveButtonRect) && Controller) Controller->RedrawObject(this);
  } else if (MouseDownChangeValue && Button == TMouseButton::mbLeft) {
    if (TrackKind == 0)
      MoveButton(TPoint{std::clamp(p.X, std::min(BeginPoint.X, EndPoint.X), std::max(BeginPoint.X, EndPoint.X)),
                        BeginPoint.Y});
    else
      MoveButton(TPoint{BeginPoint.X,
                        std::clamp(p.Y, std::min(EndPoint.Y, BeginPoint.Y), std::max(EndPoint.Y, BeginPoint.Y))});
  }
  TspActiveSkinObject::MouseDown(X, Y, Button);
}

void TspSkinTrackBarObject::MouseMove(int X, int Y) {
  const TPoint p{X - ObjectRect.Left, Y - ObjectRect.Top};
  if (ButtonDown) {
    if (TrackKind == 0) {
      const int nx = ButtonPos.X + p.X - OldMousePos.X;
      if (nx >= std::min(BeginPoint.X, EndPoint.X) && nx <= std::max(BeginPoint.X, EndPoint.X))
        MoveButton(TPoint{nx, ButtonPos.Y});
    } else {
      const int ny = ButtonPos.Y + p.Y - OldMousePos.Y;
      if (ny >= std::min(EndPoint.Y, BeginPoint.Y) && ny <= std::max(EndPoint.Y, BeginPoint.Y))
        MoveButton(TPoint{ButtonPos.X, ny});
    }
    OldMousePos = p;
  }
  TspActiveSkinObject::MouseMove(X, Y);
}

void TspSkinTrackBarObject::MouseUp(int X, int Y, TMouseButton Button) {
  if (Button == TMouseButton::mbLeft && ButtonDown) {
    ButtonDown = false;
    if (!IsNullRect(ActiveButtonRect) && Controller) Controller->RedrawObject(this);
  }
  TspActiveSkinObject::MouseUp(X, Y, Button);
}
