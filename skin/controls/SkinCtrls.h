// Skinned controls: the four bases every skinned control stands on, the
// skinned button, the slider and the two labels.
//
// A skinned control binds to a TspSkinData and a key (SkinDataName). Each
// paint looks its description up afresh, so a control never draws from the
// pictures of a skin that has since been replaced; without skin data, with
// an empty one or a key the skin does not hold, it draws its default look.
// Every face is composed in one off-screen bitmap and drawn in one piece;
// WM_ERASEBKGND never erases, so nothing flickers.
#pragma once
#include <memory>
#include <string>

#include "platform/graphics/Bitmap.h"
#include "platform/rtl/StringList.h"
#include "platform/ui/controls/Controls.h"
#include "platform/ui/forms/Forms.h"
#include "platform/ui/controls/StdCtrls.h"
#include "platform/ui/forms/Timer.h"
#include "skin/engine/SPUtils.h"
#include "skin/engine/SkinData.h"

class TImageList;

// The background behind a control changed: transparent and alpha-blended
// skinned children repaint.
constexpr UINT WM_SPBACKGROUNDCHANGED = 0x504;
// Posted by a skinned button to itself: show or hide its glow layer.
constexpr UINT WM_SPSHOWLAYER = 0x590;
constexpr UINT WM_SPHIDELAYER = 0x591;

// One morph step of a skinned button: the ratio moves 0.2 toward its target
// (1 hovered, 0 not); false once it has arrived, when the timer should stop.
bool StepMorphRatio(double& ratio, bool target);

// ---- The shared part of the windowed and graphic bases ---------------------------------
template <class TBase>
class TspSkinControlT : public TBase {
 public:
  explicit TspSkinControlT(TComponent* AOwner);

  TspSkinData* SkinData() const { return skinData_; }
  virtual void SetSkinData(TspSkinData* value);
  const std::string& SkinDataName() const { return skinDataName_; }
  // Stores the key only; the next look-up uses it.
  virtual void SetSkinDataName(const std::string& value) { skinDataName_ = value; }
  bool AlphaBlend() const { return alphaBlend_; }
  virtual void SetAlphaBlend(bool value);
  Byte AlphaBlendValue() const { return alphaBlendValue_; }
  virtual void SetAlphaBlendValue(Byte value);
  TImageList* HintImageList() const { return hintImageList_; }
  void SetHintImageList(TImageList* value);

  std::string AreaName;
  bool DrawDefault = true;
  int CursorIndex = -1;
  bool UseSkinCursor = false;
  std::string HintTitle;
  int HintImageIndex = 0;
  int ControlIndex = -1;

  // Looks the description up by key; -1 without a usable skin.
  virtual void GetSkinData();
  // The skin changed: look up again, take the cursor, repaint.
  virtual void ChangeSkinData();
  // Before a skin load.
  virtual void ResetSkinIndex() { ControlIndex = -1; }
  // Sends WM_SPBACKGROUNDCHANGED to every child.
  void SendBackgroundChanged();
  void Dispatch(TMessage& Message) override;

 protected:
  // Draw the default or the skin look into an image of the control's size.
  virtual void CreateControlDefaultImage(TBitmap* B) {}
  virtual void CreateControlSkinImage(TBitmap* B) {}
  // Mixes image with what lies behind the control and draws the result at
  // (0, 0) of the canvas, or draws image as it is without AlphaBlend.
  void DrawBlended(TBitmap* image, TCanvas* canvas);
  void Paint() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  bool Designing() const { return (this->ComponentState() & csDesigning) != 0; }
  bool SkinUsable() const { return skinData_ && !skinData_->Empty; }
  void ApplySkinCursor();

 private:
  TspSkinData* skinData_ = nullptr;
  std::string skinDataName_;
  bool alphaBlend_ = false;
  Byte alphaBlendValue_ = 200;
  TImageList* hintImageList_ = nullptr;
};

class TspSkinControl : public TspSkinControlT<TCustomControl> {
 public:
  explicit TspSkinControl(TComponent* AOwner);
  std::string ClassName() const override { return "TspSkinControl"; }
  bool InPaintMessage = false;
  HRGN ControlRegion = nullptr;
  // With AlphaBlend: repaint and pass the change on to the children.
  virtual void AlphaBlendRepaint();
  void Dispatch(TMessage& Message) override;
  TCanvas* Canvas() const { return TCustomControl::Canvas(); }
};

class TspGraphicSkinControl : public TspSkinControlT<TGraphicControl> {
 public:
  explicit TspGraphicSkinControl(TComponent* AOwner);
  std::string ClassName() const override { return "TspGraphicSkinControl"; }
};

// ---- Resizable skin bases ---------------------------------------------------------------
template <class TBase>
class TspSkinCustomControlT : public TBase {
 public:
  explicit TspSkinCustomControlT(TComponent* AOwner);

  bool UseSkinFont = true;
  int DefaultWidth() const { return defaultWidth_; }
  void SetDefaultWidth(int value);
  int DefaultHeight() const { return defaultHeight_; }
  void SetDefaultHeight(int value);
  TFont* DefaultFont() const { return defaultFont_.get(); }
  void SetDefaultFont(const TFont* value);

  TPoint LTPoint, RTPoint, LBPoint, RBPoint;
  TRect SkinRect, ClRect;
  TPoint FittedLeftTop, FittedRightTop, FittedLeftBottom, FittedRightBottom;
  TRect FittedClientRect;
  TBitmap* SkinPicture = nullptr;
  TBitmap* SkinMask = nullptr;
  int ResizeMode = 0;
  bool StretchEffect = false;
  bool LeftStretch = false, TopStretch = false, RightStretch = false, BottomStretch = false;
  TspStretchType StretchType = stFull;

  void GetSkinData() override;
  void ChangeSkinData() override;
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  // Fits a requested size to the description and sets the Fitted* values.
  virtual void CalcSize(int& W, int& H);
  // Where a rectangle of the skin rectangle lies at the control's size.
  void MapSkinRect(const TRect& R, TRect& result) const;

 protected:
  virtual void FontChanged() {}
  virtual void SetControlRegion() {}
  void CreateControlDefaultImage(TBitmap* B) override;
  void CreateControlSkinImage(TBitmap* B) override;
  // Composes rectangle R of picture into B at the control's size.
  void CreateControlImageFromSkin(TBitmap* B, TBitmap* picture, const TRect& R);

 private:
  void DefaultFontChange();
  int defaultWidth_ = 0, defaultHeight_ = 0;
  std::unique_ptr<TFont> defaultFont_;
};

class TspSkinCustomControl : public TspSkinCustomControlT<TspSkinControl> {
 public:
  explicit TspSkinCustomControl(TComponent* AOwner);
  std::string ClassName() const override { return "TspSkinCustomControl"; }
  bool DrawByParts = false;
  bool FillClient = true;

 protected:
  void SetControlRegion() override;
  void Paint() override;

 private:
  void PaintByParts();
};

class TspGraphicSkinCustomControl : public TspSkinCustomControlT<TspGraphicSkinControl> {
 public:
  explicit TspGraphicSkinCustomControl(TComponent* AOwner);
  std::string ClassName() const override { return "TspGraphicSkinCustomControl"; }
};

// ---- Skinned button ----------------------------------------------------------------------
using TspButtonPaintEvent = std::function<void(TObject* Sender, TCanvas* Cnvs, TRect R, bool ADown, bool AMouseIn,
                                               bool& DrawDefault)>;

class TspSkinButton : public TspSkinCustomControl {
 public:
  explicit TspSkinButton(TComponent* AOwner);
  ~TspSkinButton() override;
  std::string ClassName() const override { return "TspSkinButton"; }

  bool AlwaysShowLayeredFrame = false;
  bool UseSkinFontColor = true;
  bool UseSkinSize = true;
  bool RepeatMode = false;
  int RepeatInterval = 100;
  bool AllowAllUp = false;
  bool Cancel = false;
  TModalResult ModalResult = mrNone;
  // OnClick (the control's) is fired by ButtonClick alone.
  TspButtonPaintEvent OnPaint;

  bool Default() const { return default_; }
  void SetDefault(bool value);
  bool CanFocused() const { return canFocused_; }
  void SetCanFocused(bool value);
  bool Down() const { return down_; }
  void SetDown(bool value);
  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int value);
  TBitmap* Glyph() const { return glyph_.get(); }
  void SetGlyph(const TBitmap* value);
  TspNumGlyphs NumGlyphs() const { return numGlyphs_; }
  void SetNumGlyphs(TspNumGlyphs value);
  int Margin() const { return margin_; }
  void SetMargin(int value);
  int Spacing() const { return spacing_; }
  void SetSpacing(int value);
  TspButtonLayout Layout() const { return layout_; }
  void SetLayout(TspButtonLayout value);
  TImageList* ImageList() const { return imageList_; }
  void SetImageList(TImageList* value);
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int value);

  // State, read by tests and by the skin-change walk.
  bool ActiveDefault = false;
  bool PointerInside = false;
  bool Pressed = false;
  double MorphRatio = 0.0;
  int AnimateFrame = 0;
  TspLayerManager* LayerManager() const { return layerManager_; }
  bool Morphing() const { return morphTimer_ != nullptr; }
  bool Repeating() const { return repeatTimer_ != nullptr; }

  // Everything that clicks the button clicks through here.
  virtual void ButtonClick();
  void GetSkinData() override;
  void ChangeSkinData() override;
  void ResetSkinIndex() override;
  void CalcSize(int& W, int& H) override;
  void Dispatch(TMessage& Message) override;
  void Click() override;

 protected:
  virtual void CreateButtonSkinImage(TBitmap* B, const TRect& state, bool ADown, bool AMouseIn);
  void CreateControlDefaultImage(TBitmap* B) override;
  void CreateControlSkinImage(TBitmap*) override {}
  void Paint() override;
  void WndProc(TMessage& Message) override;
  void CreateWnd() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  bool ShowsFocus();
  bool SkinEffectsOn() const;
  bool CanMorph() const;
  bool HasAnimation() const;
  int GetGlyphNum(bool down, bool in) const;
  bool DownLook();
  void ContentAndCaption(TCanvas* C, const TRect& R, bool ADown, bool AMouseIn, bool downFlag);
  void StartMorph();
  void StopMorph();
  void StartMorphOrRepaint();
  void MorphTimerProc();
  void StartAnimate(bool forward);
  void StopAnimate();
  void AnimateTimerProc();
  void StartRepeat();
  void StopRepeat();
  void ReleaseGroup();
  void ShowLayerFrame();
  void HideLayerFrame();
  void PostToSelf(UINT msg);
  void MouseEnterButton();
  void MouseLeaveButton();
  void FocusChanged(TWinControl* sender);
  bool LayerReady() const;
  TRect AnimateFrameRect() const;
  void ComposeFace(TBitmap& image);
  void StopTimer(std::unique_ptr<TTimer>& timer);

  TspLayerManager* layerManager_ = nullptr;
  std::unique_ptr<TTimer> animateTimer_, repeatTimer_, morphTimer_;
  // A stopped timer is freed later, never inside its own tick.
  std::unique_ptr<TTimer> stoppedTimer_;
  bool animateForward_ = false;
  bool downAtPress_ = false;
  bool default_ = false;
  bool canFocused_ = true;
  bool settingFocus_ = false;
  bool down_ = false;
  int groupIndex_ = 0;
  std::unique_ptr<TBitmap> glyph_;
  TspNumGlyphs numGlyphs_ = 1;
  int margin_ = -1, spacing_ = 1;
  TspButtonLayout layout_ = blGlyphLeft;
  TImageList* imageList_ = nullptr;
  int imageIndex_ = -1;
  // Copies of the description.
  std::string fontname_;
  int fontheight_ = 14;
  TFontStyles fontstyle_ = 0;
  int fontcolor_ = 0, activefontcolor_ = 0, downfontcolor_ = 0, disabledfontcolor_ = 0;
  TRect activeskinrect_, downskinrect_, disabledskinrect_, focusedskinrect_, animateskinrect_;
  bool morphing_ = false;
  TspMorphKind morphkind_ = mkDefault;
  int framecount_ = 0, animateinterval_ = 25;
  bool showfocus_ = false;
  int glowPicture_ = -1, glowMask_ = -1;
  int glowLeft_ = 0, glowTop_ = 0, glowRight_ = 0, glowBottom_ = 0, glowShowX_ = 0, glowShowY_ = 0;
  int glowAlpha_ = 255;
};

// ---- Labels -------------------------------------------------------------------------------
enum TspEllipsType { spetNone = 0, spetEndEllips = 1, spetPathEllips = 2 };

// The skin look-up and text drawing both labels share.
class TspLabelSkin {
 public:
  TspSkinData* SkinData = nullptr;
  std::string SkinDataName = "stdlabel";
  bool UseSkinFont = true;
  bool UseSkinColor = true;
  int ControlIndex = -1;
  std::string fontname;
  int fontheight = 14;
  TFontStyles fontstyle = 0;
  int fontcolor = 0;
  void GetSkinData();
  // Draws (or measures with DT_CALCRECT) text in R on canvas, with the
  // skin's font or defaultFont, or font when UseSkinFont is off.
  void DrawLabelText(TCanvas* canvas, const std::string& text, TRect& R, UINT flags, bool enabled,
                     const TFont* defaultFont, const TFont* font);
};

class TspSkinStdLabel : public TCustomLabel {
 public:
  explicit TspSkinStdLabel(TComponent* AOwner);
  std::string ClassName() const override { return "TspSkinStdLabel"; }
  TspSkinData* SkinData() const { return skin_.SkinData; }
  void SetSkinData(TspSkinData* value);
  std::string& SkinDataName() { return skin_.SkinDataName; }
  TFont* DefaultFont() const { return defaultFont_.get(); }
  void SetDefaultFont(const TFont* value) { defaultFont_->Assign(value); }
  bool& UseSkinFont() { return skin_.UseSkinFont; }
  bool& UseSkinColor() { return skin_.UseSkinColor; }
  int ControlIndex() const { return skin_.ControlIndex; }
  TspEllipsType EllipsType() const { return ellipsType_; }
  void SetEllipsType(TspEllipsType value);
  void ChangeSkinData();

 protected:
  void DoDrawText(TRect& Rect, UINT Flags) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TspLabelSkin skin_;
  std::unique_ptr<TFont> defaultFont_;
  TspEllipsType ellipsType_ = spetNone;
};

class TspSkinTextLabel : public TGraphicControl {
 public:
  explicit TspSkinTextLabel(TComponent* AOwner);
  ~TspSkinTextLabel() override;
  std::string ClassName() const override { return "TspSkinTextLabel"; }
  TspSkinData* SkinData() const { return skin_.SkinData; }
  void SetSkinData(TspSkinData* value);
  std::string& SkinDataName() { return skin_.SkinDataName; }
  TFont* DefaultFont() const { return defaultFont_.get(); }
  void SetDefaultFont(const TFont* value) { defaultFont_->Assign(value); }
  bool& UseSkinFont() { return skin_.UseSkinFont; }
  bool& UseSkinColor() { return skin_.UseSkinColor; }
  int ControlIndex() const { return skin_.ControlIndex; }
  TStrings* Lines() const { return lines_.get(); }
  void SetLines(const TStrings* value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  bool AutoSize() const { return autoSize_; }
  virtual void SetAutoSizeLabel(bool value);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout value);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool value);
  void ChangeSkinData();
  void AdjustBounds();
  virtual std::string GetLabelText() const;
  void Dispatch(TMessage& Message) override;

 protected:
  void Paint() override;
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void DoDrawText(TCanvas* canvas, TRect& R, UINT flags);
  void LinesChange();
  TspLabelSkin skin_;
  std::unique_ptr<TFont> defaultFont_;
  std::unique_ptr<TStringList> lines_;
  TAlignment alignment_ = taLeftJustify;
  bool autoSize_ = true;
  TTextLayout layout_ = tlTop;
  bool wordWrap_ = false;
};
