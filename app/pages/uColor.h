// Step 4: colour optimisation. The user circles skin with the lasso; the
// mean colour of the circled display pixels goes to L*a*b*, a target skin
// colour of about the same lightness is chosen, and every channel of the
// whole WorkImage is bent so that its mean lands on the target's. A button
// stretches the picture's levels. Each correction adds one history entry.
#pragma once
#include <array>
#include <memory>

#include "app/main/uMain_Page.h"
#include "platform/rtl/Types.h"

class TAntLine;
class TkzuCheckBox;
class TspSkinButton;
struct TRegionArray;

// The lightness a lasso's mean lightness L is carried to: kept within
// 50..82, and raised to 78 when brightening is asked for.
double SkinTargetLightness(double L, bool brighten);

class TFrm_Color : public TStepPage {
 public:
  explicit TFrm_Color(TComponent* AOwner);
  ~TFrm_Color() override;
  std::string ClassName() const override { return "TFrm_Color"; }

  // ---- Components ----
  TkzuCheckBox* CB_Light = nullptr;
  TspSkinButton* Btn_Rotate = nullptr;

  // The page's lasso (also reached program-wide through Lasso); none
  // before FormCreate and after FormDestroy.
  TAntLine* AntLine() const;

  // Lassos of at most this many display pixels are refused; above
  // kSilentPixels the user is told why.
  static constexpr int kMinPixels = 200;
  static constexpr int kSilentPixels = 10;

  // ---- Handlers ----
  void FormCreate(TObject* Sender);
  void FormDestroy(TObject* Sender);
  void CB_LightClick(TObject* Sender);
  void Btn_RotateClick(TObject* Sender);
  // The lasso's callback: the region is indexed from (MinX, MinY).
  void OnLassoDone(int MinX, int MaxX, const TRegionArray& Region, int MaxY, int MinY);

 private:
  void PlaceLevelsButton();
  // Shows WorkImage again at the current zoom and makes it a history entry.
  void ShowAndPush();
  class TLassoLink;
  std::unique_ptr<TLassoLink> lasso_;
  bool destroyed_ = false;
};
