#include "app/pages/uColor.h"

#include <algorithm>
#include <cstdint>

#include "app/tools/AntLine.h"
#include "app/pixels/BitmapRows.h"
#include "app/tools/HandCutFrame.h"
#include "app/pixels/Level.h"
#include "app/pixels/PhotoAdjust.h"
#include "app/pixels/RGB2LAB.h"
#include "app/main/uMain.h"
#include "platform/gdi/GdiTypes.h"
#include "platform/graphics/Bitmap.h"
#include "platform/ui/controls/ExtCtrls.h"
#include "platform/ui/forms/Screen.h"
#include "skin/controls/SkinCtrls.h"
#include "skin/controls/spMessages.h"
#include "themed/buttons/KZUButton.h"

namespace {
constexpr int kHelpHeight = 458;
// The page's height as docked in the main window at its stored size, and
// the check box's distance from the tool panel's bottom there.
constexpr int kDockedHeight = 551;
constexpr int kLightBottomGap = 41;
// The skin colour every correction aims at, besides its lightness.
constexpr double kTargetA = 14, kTargetB = 16;
}  // namespace

double SkinTargetLightness(double L, bool brighten) {
  if (L < 50) return 50;
  if (L > 82) return 82;
  if (brighten && L < 78) return 78;
  return L;
}

// What the main window's zoom and undo need of the page's lasso.
class TFrm_Color::TLassoLink : public TSelectionLink {
 public:
  explicit TLassoLink(TImage* image) : lasso(image) {}
  void Rescale(bool noRestore, double factor) override { lasso.Rescale(noRestore, factor); }
  void Clear(bool noRestore) override { lasso.Clear(noRestore); }
  TAntLine lasso;
};

TFrm_Color::TFrm_Color(TComponent* AOwner) : TStepPage(AOwner) {
  BeginLayout();
  SetName("Frm_Color");
  BuildCommonLayout("色彩优化",
                    {"帮助", "使用套索工具选中脸部肤色区域例如脸颊，之后系统自动进行色彩优化。",
                     "选择皮肤增强补光，会对肤色进行增亮，比较适合于人像特写照片。",
                     "点击【优化色彩层次】按钮，可以提升照片的层次感。对于发虚的照片，尤为适用"},
                    kHelpHeight);
  Btn_Rotate = new TspSkinButton(this);
  Btn_Rotate->SetName("Btn_Rotate");
  Btn_Rotate->SetParent(Pnl_Tool1);
  if (Frm_Main) Btn_Rotate->SetSkinData(Frm_Main->SkinData);
  Btn_Rotate->SetSkinDataName("button");
  Btn_Rotate->SetCaption("优化色彩层次");
  Btn_Rotate->OnClick = [this](TObject* s) { Btn_RotateClick(s); };

  CB_Light = new TkzuCheckBox(this);
  CB_Light->SetName("CB_Light");
  CB_Light->SetParent(Pnl_Tool1);
  CB_Light->SetUIStyle(TkzuUIStyle::WinXP);
  CB_Light->SetTransparent(true);
  CB_Light->SetCaption("皮肤增强补光");
  CB_Light->SetParentFont(false);
  CB_Light->Font()->SetName("宋体");
  CB_Light->Font()->SetHeight(-12);
  CB_Light->Font()->SetCharset(GB2312_CHARSET);
  CB_Light->SetChecked(false);
  CB_Light->OnClick = [this](TObject* s) { CB_LightClick(s); };

  OnCreate = [this](TObject* s) { FormCreate(s); };
  EndLayout();

  // Laid out on the page at the height the main window docks it with, once
  // the tool panel has its height: the check box keeps its distance from
  // the panel's bottom as the window is resized.
  SetHeight(kDockedHeight);
  const int noteBottom = Shape_Help->Top() + Shape_Help->Height();
  Btn_Rotate->SetBounds((Pnl_Tool1->ClientWidth() - 106) / 2, noteBottom + 10, 106, 25);
  CB_Light->SetBounds(8, Pnl_Tool1->ClientHeight() - kLightBottomGap, Pnl_Tool1->ClientWidth() - 12, 17);
  CB_Light->SetAnchors(akLeft | akBottom);
  OnResize = [this](TObject* s) {
    FormResize(s);
    PlaceLevelsButton();
  };
}

void TFrm_Color::PlaceLevelsButton() {
  // Below the help note, but never under the check box, which follows the
  // panel's bottom on a short window; then it covers the note's empty foot.
  const int below = Shape_Help->Top() + Shape_Help->Height() + 10;
  Btn_Rotate->SetTop(std::max(0, std::min(below, CB_Light->Top() - Btn_Rotate->Height() - 6)));
}

TFrm_Color::~TFrm_Color() {
  // The destroy handler needs this class's members, gone by the time the
  // base destructor would call it.
  OnDestroy = nullptr;
  FormDestroy(this);
}

TAntLine* TFrm_Color::AntLine() const { return lasso_ ? &lasso_->lasso : nullptr; }

void TFrm_Color::FormCreate(TObject*) {
  HistoryPush(WorkImage.get());
  lasso_ = std::make_unique<TLassoLink>(Image1);
  lasso_->lasso.OnLassoDone = [this](int minX, int maxX, const TRegionArray& region, int maxY, int minY) {
    OnLassoDone(minX, maxX, region, maxY, minY);
  };
  Lasso = lasso_.get();
}

void TFrm_Color::FormDestroy(TObject*) {
  if (destroyed_) return;
  destroyed_ = true;
  HistoryClear();
  if (lasso_ && Lasso == lasso_.get()) Lasso = nullptr;
  if (lasso_) lasso_->lasso.OnLassoDone = nullptr;
  lasso_.reset();
}

void TFrm_Color::OnLassoDone(int MinX, int MaxX, const TRegionArray& Region, int MaxY, int MinY) {
  if (MinX == MaxX || MinY == MaxY) return;
  // The circled pixels as the user sees them: the display at the current zoom.
  const RowImage display = DisplayRows(Image1);
  std::int64_t count = 0, sumR = 0, sumG = 0, sumB = 0;
  for (int y = 0; y < Region.Height; ++y) {
    const int dy = MinY + y;
    if (dy < 0 || dy >= display.Height) continue;
    const Byte* cells = Region.Row(y);
    const Byte* row = display.Row(dy);
    const int from = std::max(0, -MinX), to = std::min(Region.Width, display.Width - MinX);
    for (int x = from; x < to; ++x) {
      if (cells[x] != 1) continue;
      const Byte* p = row + std::ptrdiff_t(MinX + x) * 3;
      sumB += p[0];
      sumG += p[1];
      sumR += p[2];
      ++count;
    }
  }
  if (count <= kMinPixels) {
    if (count > kSilentPixels && Frm_Main)
      Frm_Main->Ask("选中区域过小，请重新选择或者放大图像后再重新选择！", mtInformation, false);
    // The answer may have come after the page went away under the dialog.
    if (Lasso) Lasso->Clear(false);
    return;
  }
  if (!WorkImage || WorkImage->Empty()) return;
  const std::array<Byte, 3> means{Byte(sumR / count), Byte(sumG / count), Byte(sumB / count)};
  TScreenCursorGuard hourglass(crHourGlass);
  const TLab lab = RgbToLab(means[0], means[1], means[2]);
  const TRgbBytes target = LabToRgb(SkinTargetLightness(lab.L, CB_Light->Checked()), kTargetA, kTargetB);
  ChannelCurveAdjust(WorkImage.get(), means, {target.R, target.G, target.B});
  ShowAndPush();
}

void TFrm_Color::Btn_RotateClick(TObject*) {
  if (!WorkImage || WorkImage->Empty()) return;
  TScreenCursorGuard hourglass(crHourGlass);
  AutoLevels(WorkImage.get());
  ShowAndPush();
}

void TFrm_Color::CB_LightClick(TObject*) {
  // The setting is for the next lasso; the one shown goes.
  if (lasso_) lasso_->lasso.Clear(false);
}

void TFrm_Color::ShowAndPush() {
  if (Frm_Main) Frm_Main->ShowPictureZoomed(WorkImage.get(), Image1, 0);
  Repaint();
  if (lasso_) lasso_->lasso.Recapture();
  HistoryPush(WorkImage.get());
}
