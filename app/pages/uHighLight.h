// Step 3: highlight removal on a marked rectangle. The user drags a
// rectangle on the picture; the block of WorkImage under it becomes the
// patch, whose highlight mask is built at once, and the amount slider
// re-colours the patch's highlights. Every slider change starts again from
// the patch as it was taken, so each rectangle holds one history entry that
// later changes replace.
#pragma once
#include <memory>

#include "app/main/uMain_Page.h"
#include "platform/rtl/Types.h"

class TBitmap;
class TLabel;
class TPanel;
class TRectFrame;
class TspSkinSlider;

class TFrm_HighLight : public TStepPage {
 public:
  explicit TFrm_HighLight(TComponent* AOwner);
  ~TFrm_HighLight() override;
  std::string ClassName() const override { return "TFrm_HighLight"; }

  // ---- Components ----
  TPanel* Pnl_Tool2 = nullptr;
  TPanel* Pnl_Center = nullptr;
  TLabel* Lbl_Range = nullptr;
  TspSkinSlider* Slider_Range = nullptr;
  TLabel* Lbl_Value = nullptr;

  // ---- State ----
  // The block of WorkImage under the rectangle, as it was when the
  // rectangle was set.
  std::unique_ptr<TBitmap> Patch;
  // Where Patch came from, in picture pixels (right and bottom exclusive).
  TRect PatchRect{};
  // A slider change has been committed since the rectangle was set.
  bool Replacing = false;

  // The page's rectangle frame (also reached program-wide through
  // RectSelection); none before FormCreate and after FormDestroy.
  TRectFrame* RectFrame() const;

  // ---- Handlers ----
  void FormCreate(TObject* Sender);
  void FormDestroy(TObject* Sender);
  void FormResize(TObject* Sender);
  void Slider_RangeChange(TObject* Sender);
  void Slider_RangeChanged(TObject* Sender);
  // The rectangle frame's callback: a rectangle was set or dropped.
  void OnSelection(bool Selected);

 private:
  // The removal at the slider's value, pasted into the picture and kept in
  // the history.
  void ApplyRange();
  class TFrameLink;
  std::unique_ptr<TFrameLink> frame_;
  bool destroyed_ = false;
};
