// The indicators and small controls a skin can place on the frame: frame
// strip gauges and regulators (one picture per value step), animations,
// bar gauges, bitmap-font and text labels, switches and track bars. Values
// change only by the mouse and each change is reported through an event of
// the controller.
#pragma once
#include <memory>
#include <string>

#include "platform/rtl/StringList.h"
#include "skin/windows/Brenvale.h"
#include "skin/windows/Brenvale_Object.h"

// An object for an indicator description; null for any other.
std::unique_ptr<TspActiveSkinObject> CreateIndicatorObjectFromDescription(TspBrenvale* Controller,
                                                                          TspDataSkinObject* Description);

// ---- Frame strips ------------------------------------------------------------------------------

class TspSkinFrameObject : public TspActiveSkinObject {
 public:
  using TspActiveSkinObject::TspActiveSkinObject;
  std::string ClassName() const override { return "TspSkinFrameObject"; }
  int FrameIndex = 1;
  int FrameWidth = 0, FrameHeight = 0;
  int CountFrames = 0;
  Byte FramesPlacement = 0;
  void Draw(TCanvas* Cnvs, bool UpDate) override;

 protected:
  void InitFrames(int ACountFrames, TspFramesPlacement APlacement);
  // Frame number of a value between the two bounds.
  int FrameOfValue(int Value, int MinValue, int MaxValue) const;
};

class TspSkinFrameGaugeObject : public TspSkinFrameObject {
 public:
  TspSkinFrameGaugeObject(TspBrenvale* AController, TspDataSkinObject* Description);
  std::string ClassName() const override { return "TspSkinFrameGaugeObject"; }
  TspObjectKind Kind() const override { return TspObjectKind::FrameGauge; }
  int Value = 0, MinValue = 0, MaxValue = 0;
  void Draw(TCanvas* Cnvs, bool UpDate) override;
  void MouseEnter() override;
  void MouseLeave() override;
};

class TspSkinFrameRegulatorObject : public TspSkinFrameObject {
 public:
  TspSkinFrameRegulatorObject(TspBrenvale* AController, TspDataSkinObject* Description);
  std::string ClassName() const override { return "TspSkinFrameRegulatorObject"; }
  TspObjectKind Kind() const override { return TspObjectKind::FrameRegulator; }
  int StepPos = 0, StepValue = 0;
  bool Pressed = false;
  int StartPos = 0, CurPos = 0, WorkValue = 0, OldPos = 0;
  int Value = 0, MinValue = 0, MaxValue = 0;
  Byte RegulatorKind = 0;  // 0 round, 1 horizontal, 2 vertical
  void Draw(TCanvas* Cnvs, bool UpDate) override;
  void MouseDown(int X, int Y, TMouseButton Button) override;
  void MouseUp(int X, int Y, TMouseButton Button) override;
  void MouseMove(int X, int Y) override;
  // The regulator angle of a window point: 0 below the centre, growing
  // clockwise; -1 at the exact centre.
  int AngleOf(int X, int Y) const;
  void SetValue(int AValue);

 private:
  // The position the mouse stands for: angle, local X or minus local Y.
  bool PositionOf(int X, int Y, int& Pos) const;
};

// ---- Animation ---------------------------------------------------------------------------------

class TspSkinAnimateObject : public TspActiveSkinObject {
 public:
  TspSkinAnimateObject(TspBrenvale* AController, TspDataSkinObject* Description);
  std::string ClassName() const override { return "TspSkinAnimateObject"; }
  TspObjectKind Kind() const override { return TspObjectKind::Animate; }
  bool MenuOpen = false;
  int Frame = 1;
  int TimerCount = 25;
  int Interval = 50;
  TMenuItem* MenuItem = nullptr;
  bool Down = false;
  int CountFrames = 1;
  bool Cycle = false;
  bool IsButtonStyle = false;
  bool Forward = true;
  TspSkinCommand AnimateCommand = cmDefault;
  TRect DownSkinRect{}, RestoreRect{}, RestoreActiveRect{}, RestoreInActiveRect{}, RestoreDownRect{};

  int Command() const override { return int(AnimateCommand); }
  bool ButtonStyle() const override { return IsButtonStyle; }
  TMenuItem* ObjectMenuItem() const override { return MenuItem; }
  bool IsDown() const override { return MenuOpen; }
  // The controller's skinned menu closed.
  void SetObjectDown(bool Value) override;
  void ResetState() override;
  bool AnimateTick() override;
  void ShowLayer() override;
  void HideLayer() override;
  void Draw(TCanvas* Cnvs, bool UpDate) override;
  void DblClick() override;
  void MouseDown(int X, int Y, TMouseButton Button) override;
  void MouseUp(int X, int Y, TMouseButton Button) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void DoCommand();

 private:
  bool InRestoreState() const;
  void StartOrRedraw();
  TspLayerManager* GlowLayer() const;
};

// ---- Bar gauge, labels, switch ---------------------------------------------------------------

class TspSkinGaugeObject : public TspActiveSkinObject {
 public:
  TspSkinGaugeObject(TspBrenvale* AController, TspDataSkinObject* Description);
  std::string ClassName() const override { return "TspSkinGaugeObject"; }
  TspObjectKind Kind() const override { return TspObjectKind::Gauge; }
  TPoint Offset{}, OldOffset{};
  int Value = 0, MinValue = 0, MaxValue = 0;
  Byte GaugeKind = 0;  // 0 horizontal, 1 vertical
  void Draw(TCanvas* Cnvs, bool UpDate) override;
  void MouseEnter() override;
  void MouseLeave() override;
  TPoint OffsetOfValue() const;
};

class TspSkinBitLabelObject : public TspActiveSkinObject {
 public:
  TspSkinBitLabelObject(TspBrenvale* AController, TspDataSkinObject* Description);
  std::string ClassName() const override { return "TspSkinBitLabelObject"; }
  TspObjectKind Kind() const override { return TspObjectKind::BitLabel; }
  std::string TextValue;
  int SymbolWidth = 0, SymbolHeight = 0;
  const TStringList* Symbols = nullptr;
  bool Transparent = false;
  TColor TransparentColor = 0x00FF00FF;
  void Draw(TCanvas* Cnvs, bool UpDate) override;
};

class TspSkinLabelObject : public TspActiveSkinObject {
 public:
  TspSkinLabelObject(TspBrenvale* AController, TspDataSkinObject* Description);
  std::string ClassName() const override { return "TspSkinLabelObject"; }
  TspObjectKind Kind() const override { return TspObjectKind::Label; }
  std::string TextValue;
  std::string FontName = "Arial";
  TFontStyles FontStyle = 0;
  int FontHeight = 14;
  TColor FontColor = 0, ActiveFontColor = 0;
  Byte Alignment = 2;  // 0 left, 1 right, 2 centre
  void Draw(TCanvas* Cnvs, bool UpDate) override;
  void MouseEnter() override;
  void MouseLeave() override;
  // The label's picture with its background and font colour choice.
  void LabelImage(TBitmap* B, bool Background, bool ActiveColour);
};

class TspSkinSwitchObject : public TspActiveSkinObject {
 public:
  using TspActiveSkinObject::TspActiveSkinObject;
  std::string ClassName() const override { return "TspSkinSwitchObject"; }
  TspObjectKind Kind() const override { return TspObjectKind::Switch; }
  TSwitchState State = swsOff;
  void SetState(TSwitchState Value);
  void MouseDown(int X, int Y, TMouseButton Button) override;
  void MouseEnter() override;
  void MouseLeave() override;
};

// ---- Track bar ---------------------------------------------------------------------------------

class TspSkinTrackBarObject : public TspActiveSkinObject {
 public:
  TspSkinTrackBarObject(TspBrenvale* AController, TspDataSkinObject* Description);
  std::string ClassName() const override { return "TspSkinTrackBarObject"; }
  TspObjectKind Kind() const override { return TspObjectKind::TrackBar; }
  TPoint ButtonPos{}, OldButtonPos{};
  int Value = 0;
  bool ButtonDown = false;
  TPoint OldMousePos{};
  Byte TrackKind = 0;  // 0 horizontal, 1 vertical
  TRect ButtonRect{}, ActiveButtonRect{};
  TPoint BeginPoint{}, EndPoint{};
  int MinValue = 0, MaxValue = 0;
  bool MouseDownChangeValue = false, ButtonTransparent = false;
  TColor ButtonTransparentColor = 0;

  void Draw(TCanvas* Cnvs, bool UpDate) override;
  void MouseDown(int X, int Y, TMouseButton Button) override;
  void MouseUp(int X, int Y, TMouseButton Button) override;
  void MouseMove(int X, int Y) override;
  TPoint PositionOfValue(int AValue) const;
  int ValueOfPosition(TPoint P) const;
  TRect ButtonBounds() const;
  void MoveButton(TPoint P);
};
