// More plain controls in the classic look: the panel, the image, the shape
// and the bevel.
#pragma once
#include <memory>
#include <string>

#include "platform/graphics/Picture.h"
#include "platform/ui/controls/StdCtrls.h"

// ---- Panel ----------------------------------------------------------------------------
enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
using TBevelWidth = int;
using TBorderWidth = int;

// Painted from the outside in: the outer bevel, BorderWidth pixels of the
// panel's colour, the inner bevel, then the caption centred vertically in
// what is left (aligned by Alignment). Children are placed inside all of
// the rings (AdjustClientRect).
class TCustomPanel : public TCustomControl {
 public:
  explicit TCustomPanel(TComponent* AOwner);
  std::string ClassName() const override { return "TCustomPanel"; }

  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut v);
  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut v);
  TBevelWidth BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(TBevelWidth v);
  TBorderWidth BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(TBorderWidth v);
  // bsSingle adds the sunken client edge of the window layer.
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle v);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);
  // Fills with the parent's colour instead of the panel's own.
  bool ParentBackground() const { return parentBackground_; }
  void SetParentBackground(bool v);
  // Kept for code written for 3-D borders; the look is always 3-D.
  bool Ctl3D = true;

  void AdjustClientRect(TRect& Rect) override;
  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  // The colour the panel's background takes.
  TColor BackgroundColor() const;

 private:
  void Changed();
  TBevelCut bevelInner_ = bvNone;
  TBevelCut bevelOuter_ = bvRaised;
  TBevelWidth bevelWidth_ = 1;
  TBorderWidth borderWidth_ = 0;
  TBorderStyle borderStyle_ = bsNone;
  TAlignment alignment_ = taCenter;
  bool parentBackground_ = false;
};

class TPanel : public TCustomPanel {
 public:
  explicit TPanel(TComponent* AOwner) : TCustomPanel(AOwner) {}
  std::string ClassName() const override { return "TPanel"; }
};

// ---- Image -----------------------------------------------------------------------------
// Shows Picture: at its own size at the top left, centred (Center),
// stretched to the control (Stretch), or scaled keeping its proportions
// (Proportional, which only ever shrinks unless Stretch is on too).
class TImage : public TGraphicControl {
 public:
  explicit TImage(TComponent* AOwner);
  ~TImage() override;
  std::string ClassName() const override { return "TImage"; }

  TPicture* Picture() const { return picture_.get(); }
  void SetPicture(const TPicture* v) { picture_->Assign(v); }
  // The canvas of the picture's bitmap, made the size of the control when
  // the picture is empty; drawing on it shows at the next paint. Raises
  // EInvalidOperation when the picture holds something other than a bitmap.
  TCanvas* Canvas();
  bool Center() const { return center_; }
  void SetCenter(bool v);
  bool Stretch() const { return stretch_; }
  void SetStretch(bool v);
  bool Proportional() const { return proportional_; }
  void SetProportional(bool v);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);
  // Where the picture is drawn, in control coordinates.
  TRect DestRect() const;

 protected:
  bool CanAutoSize(int& NewWidth, int& NewHeight) override;
  void Paint() override;
  virtual void PictureChanged(TObject* Sender);

 private:
  std::unique_ptr<TPicture> picture_;
  bool center_ = false;
  bool stretch_ = false;
  bool proportional_ = false;
  bool transparent_ = false;
  bool drawing_ = false;
};

// ---- Shape -----------------------------------------------------------------------------
enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };

// Drawn with Pen and Brush inside the bounds, the pen kept wholly inside;
// the square kinds use the largest centred square.
class TShape : public TGraphicControl {
 public:
  explicit TShape(TComponent* AOwner);
  std::string ClassName() const override { return "TShape"; }

  TShapeType Shape() const { return shape_; }
  void SetShape(TShapeType v);
  TPen* Pen() const { return pen_.get(); }
  void SetPen(const TPen* v) { pen_->Assign(v); }
  TBrush* Brush() const { return brush_.get(); }
  void SetBrush(const TBrush* v) { brush_->Assign(v); }

 protected:
  void Paint() override;

 private:
  std::unique_ptr<TPen> pen_;
  std::unique_ptr<TBrush> brush_;
  TShapeType shape_ = stRectangle;
};

// ---- Bevel -----------------------------------------------------------------------------
enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

class TBevel : public TGraphicControl {
 public:
  explicit TBevel(TComponent* AOwner);
  std::string ClassName() const override { return "TBevel"; }

  TBevelShape Shape() const { return shape_; }
  void SetShape(TBevelShape v);
  TBevelStyle Style() const { return style_; }
  void SetStyle(TBevelStyle v);

 protected:
  void Paint() override;

 private:
  TBevelShape shape_ = bsBox;
  TBevelStyle style_ = bsLowered;
};

// ---- Scroll box ------------------------------------------------------------------------
// A container whose children may reach past its client area: the range
// follows the children (AutoScroll) and the standard scroll bars appear in
// its non-client area when they do not fit.
class TScrollBox : public TScrollingWinControl {
 public:
  explicit TScrollBox(TComponent* AOwner);
  std::string ClassName() const override { return "TScrollBox"; }
  // bsSingle (the default) adds the sunken client edge.
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle v);

 protected:
  void CreateParams(TCreateParams& Params) override;

 private:
  TBorderStyle borderStyle_ = bsSingle;
};
