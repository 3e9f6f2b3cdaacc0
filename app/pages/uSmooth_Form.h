// Step 5: skin smoothing. The page keeps the picture as it entered the step
// and the smoothed picture for the current radius; the three amount sliders
// only re-blend the two, the radius slider smooths again. The result is
// WorkImage and occupies the one history entry after the picture before.
#pragma once
#include <memory>

#include "app/main/uMain_Page.h"

class TBitmap;
class TGroupBox;
class TProgressBar;
class TspSkinSlider;
class TspSkinStdLabel;

class TFrm_Smooth : public TStepPage {
 public:
  explicit TFrm_Smooth(TComponent* AOwner);
  ~TFrm_Smooth() override;
  std::string ClassName() const override { return "TFrm_Smooth"; }

  TPanel* Pnl_Tool2 = nullptr;
  TGroupBox* GB_Range = nullptr;
  TspSkinStdLabel* Lbl_Fine = nullptr;
  TspSkinSlider* Slider_Fine = nullptr;
  TspSkinStdLabel* Lbl_FineValue = nullptr;
  TspSkinStdLabel* Lbl_Mid = nullptr;
  TspSkinSlider* Slider_Mid = nullptr;
  TspSkinStdLabel* Lbl_MidValue = nullptr;
  TspSkinStdLabel* Lbl_Rough = nullptr;
  TspSkinSlider* Slider_Rough = nullptr;
  TspSkinStdLabel* Lbl_RoughValue = nullptr;
  TGroupBox* GB_Radius = nullptr;
  TspSkinSlider* Slider_Radius = nullptr;
  TspSkinStdLabel* Lbl_RadiusValue = nullptr;
  TspSkinStdLabel* Lbl_Progress = nullptr;
  TProgressBar* ProgressBar = nullptr;

  // The picture as the step found it, and its smoothing at the current
  // radius (none before the first pass).
  std::unique_ptr<TBitmap> SmoothSource;
  std::unique_ptr<TBitmap> SmoothResult;

  // The first smoothing with the sliders' settings, when the step is entered.
  bool RunFirstPass() override;

  void FormCreate(TObject* Sender);
  void FormDestroy(TObject* Sender);
  void FormResize(TObject* Sender);
  void Slider_FineChange(TObject* Sender);
  void Slider_MidChange(TObject* Sender);
  void Slider_RoughChange(TObject* Sender);
  void Slider_RadiusChange(TObject* Sender);
  // The finished change of any of the three amount sliders.
  void Slider_FineChanged(TObject* Sender);
  void Slider_RadiusChanged(TObject* Sender);

 private:
  // Shows WorkImage at the current zoom and makes it the step's result in
  // the history, after the picture before.
  void ShowResult();
  // Runs what the sliders' changes since the last run need: smoothing
  // again when the radius changed, else blending again.
  void ApplySliders();
  bool created_ = false;
  bool radiusChanged_ = false;
};

// Smooths SmoothSource at the radius slider's value and blends it by the
// amount sliders into a new WorkImage, under the hourglass.
void RunSmoothing(TFrm_Smooth* page);
// The blend alone, with the current SmoothResult.
void RunBlend(TFrm_Smooth* page);
