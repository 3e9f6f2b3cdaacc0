// The skinned panel (a container with a frame, a caption bar with text,
// glyph or image, a check box that enables its children, roll-up to the
// caption, a transparent and a group-box mode) and the status bar (a
// borderless panel at the bottom of its form with a size grip that sizes
// the form).
#pragma once
#include <memory>
#include <vector>

#include "skin/controls/SkinCtrls.h"

enum TspImagePosition { spipDefault = 0, spipLeft = 1 };
// Scoped: the framework's bevel names (bvNone, bvRaised) are unscoped.
enum class TspSkinBorderStyle { bvFrame = 0, bvRaised = 1, bvLowered = 2, bvNone = 3 };
using TspSkinPanelNumGlyphs = int;  // 1 or 2

// Grooves of a size grip in R: shadow, then light beside it, every third pixel.
void DrawSizeGrip(const TRect& R, TCanvas* canvas, TColor light, TColor shadow);

class TspSkinPanel : public TspSkinCustomControl {
 public:
  explicit TspSkinPanel(TComponent* AOwner);
  ~TspSkinPanel() override;
  std::string ClassName() const override { return "TspSkinPanel"; }

  bool AutoEnabledControls = true;
  TNotifyEvent OnChangeRollUpState, OnChecked;

  bool TransparentMode() const { return transparentMode_; }
  void SetTransparentMode(bool v);
  bool CheckedMode() const { return checkedMode_; }
  void SetCheckedMode(bool v);
  bool Checked() const { return checked_; }
  void SetChecked(bool v);
  TBitmap* Glyph() const { return glyph_.get(); }
  void SetGlyph(const TBitmap* v);
  TspSkinPanelNumGlyphs NumGlyphs() const { return numGlyphs_; }
  void SetNumGlyphs(TspSkinPanelNumGlyphs v);
  int Spacing() const { return spacing_; }
  void SetSpacing(int v);
  int RealHeight() const { return realHeight_; }
  bool RollUpState() const { return rollUpState_; }
  void SetRollUpState(bool v);
  bool RollUpMode() const { return rollUpMode_; }
  void SetRollUpMode(bool v);
  bool CaptionMode() const { return captionMode_; }
  virtual void SetCaptionMode(bool v);
  TspSkinBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TspSkinBorderStyle v);
  int DefaultCaptionHeight() const { return defaultCaptionHeight_; }
  virtual void SetDefaultCaptionHeight(int v);
  TAlignment DefaultAlignment() const { return defaultAlignment_; }
  void SetDefaultAlignment(TAlignment v);
  TImageList* CaptionImageList() const { return captionImageList_; }
  void SetCaptionImageList(TImageList* v);
  int CaptionImageIndex() const { return captionImageIndex_; }
  void SetCaptionImageIndex(int v);
  TspImagePosition ImagePosition() const { return imagePosition_; }
  void SetImagePosition(TspImagePosition v);
  const TRect& FittedCaptionRect() const { return fittedCaptionRect_; }
  bool InRoll() const { return inRoll_; }

  void RollPanel(bool up);
  void GetSkinData() override;
  void ChangeSkinData() override;
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void AdjustClientRect(TRect& Rect) override;
  void Dispatch(TMessage& Message) override;

 protected:
  // A roll sets the height itself: AutoSize waits until it is done.
  bool CanAutoSize(int& NewWidth, int& NewHeight) override;
  // The panel repaints what a size change needs; its class asks for no
  // whole-window redraws.
  void CreateParams(TCreateParams& Params) override;
  void CreateControlDefaultImage(TBitmap* B) override;
  void CreateControlSkinImage(TBitmap* B) override;
  void Paint() override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // Called with a transparent panel's image just before it is shown.
  virtual void PaintOnTransparentImage(TCanvas*) {}
  bool Described() const { return described_; }
  TRect GetTransparentClientRect();
  TColor SkinShadow() const;

  // Copies of the description.
  bool described_ = false;
  int bgPictureIndex_ = -1;
  TRect captionRect_, checkImageRect_, uncheckImageRect_, markFrameRect_, frameRect_, frameTextRect_;
  int frameLeftOffset_ = 0, frameRightOffset_ = 0;
  std::string fontName_;
  TFontStyles fontStyle_ = 0;
  int fontHeight_ = 14;
  TColor fontColor_ = 0;
  TAlignment alignment_ = taLeftJustify;

 private:
  bool HasCaptionImage() const;
  int GlyphFrame() const;
  int ImageWidth() const;
  int GetCaptionContentWidth(TCanvas* C);
  void DrawCaptionImage(TCanvas* C, int x, const TRect& R);
  void DrawSkinCaption(TCanvas* C);
  void DrawSkinPieceTransparent(TCanvas* C, const TRect& piece, int x, int y);
  void PaintTransparent();
  void PaintGroupBox(TCanvas* C);
  void ApplyFont(TCanvas* C);
  void HideChildren();
  void ShowChildren();
  bool CaptionHit(int X, int Y) const;

  bool inRoll_ = false;
  TspImagePosition imagePosition_ = spipDefault;
  bool transparentMode_ = false;
  int savedConstraints_[4] = {0, 0, 0, 0};
  bool constraintsSaved_ = false;
  bool checkedMode_ = false, checked_ = false;
  std::unique_ptr<TBitmap> glyph_;
  TspSkinPanelNumGlyphs numGlyphs_ = 1;
  int spacing_ = 2;
  int realHeight_ = -1;
  bool rollUpState_ = false, rollUpMode_ = false, captionMode_ = false;
  TspSkinBorderStyle borderStyle_ = TspSkinBorderStyle::bvFrame;
  int defaultCaptionHeight_ = 22;
  TAlignment defaultAlignment_ = taLeftJustify;
  TImageList* captionImageList_ = nullptr;
  int captionImageIndex_ = -1;
  TRect fittedCaptionRect_;
  std::vector<TControl*> hiddenChildren_;
};

class TspSkinStatusBar : public TspSkinPanel {
 public:
  explicit TspSkinStatusBar(TComponent* AOwner);
  std::string ClassName() const override { return "TspSkinStatusBar"; }

  bool SizeGrip() const { return sizeGrip_; }
  void SetSizeGrip(bool v);
  bool SizeGripShown() const { return sizeGripShown_; }
  // The skinned-form controller hides the grip while its form is maximised.
  void SetSizeGripShown(bool v);
  void SetSkinData(TspSkinData* value) override;
  void GetSkinData() override;
  void AdjustClientRect(TRect& Rect) override;
  TRect GetGripRect();
  void Dispatch(TMessage& Message) override;

 protected:
  void CreateControlDefaultImage(TBitmap* B) override;
  void CreateControlSkinImage(TBitmap* B) override;

 private:
  bool GripOn() const { return sizeGrip_ && sizeGripShown_; }
  bool sizeGrip_ = false, sizeGripShown_ = true;
  TRect gripperRect_;
  bool gripperTransparent_ = false;
  TColor gripperTransparentColor_ = 0;
};
