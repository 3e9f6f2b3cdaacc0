#include "app/pages/uHighLight.h"

#include <cstring>

#include "app/pixels/BitmapRows.h"
#include "app/tools/RectFrame.h"
#include "app/pixels/RemoveHighLight.h"
#include "app/pixels/RotateImage.h"
#include "app/main/uMain.h"
#include "platform/gdi/GdiTypes.h"
#include "platform/graphics/Bitmap.h"
#include "platform/ui/controls/ExtCtrls.h"
#include "platform/ui/forms/Screen.h"
#include "platform/ui/controls/StdCtrls.h"
#include "skin/controls/SkinCtrls_Slider.h"

namespace {
constexpr int kToolHeight = 35;
constexpr int kCenterWidth = 505;
constexpr int kSliderWidth = 400;
constexpr int kSliderHeight = 25;

void LabelFont(TLabel* label) {
  label->SetParentFont(false);
  label->Font()->SetName("宋体");
  label->Font()->SetHeight(-12);
  label->Font()->SetCharset(GB2312_CHARSET);
}
}  // namespace

// What the main window's zoom and undo need of the page's rectangle frame.
class TFrm_HighLight::TFrameLink : public TSelectionLink {
 public:
  explicit TFrameLink(TImage* image) : frame(image) {}
  void Attach() override { frame.Attach(); }
  void Rescale(bool noRestore, double factor) override { frame.Rescale(noRestore, factor); }
  void Clear(bool noRestore) override { frame.Clear(noRestore); }
  TRectFrame frame;
};

TFrm_HighLight::TFrm_HighLight(TComponent* AOwner) : TStepPage(AOwner) {
  BeginLayout();
  SetName("Frm_HighLight");
  BuildCommonLayout("高光去除", {"帮助", "使用矩形选框工具选中存在高光的肤色区域，例如脸部，然后选择调整幅度，自动去除高光。"},
                    kDefaultHelpHeight);

  Pnl_Tool2 = new TPanel(this);
  Pnl_Tool2->SetName("Pnl_Tool2");
  Pnl_Tool2->SetParent(this);
  Pnl_Tool2->SetCaption("");
  Pnl_Tool2->SetBevelOuter(bvLowered);
  Pnl_Tool2->SetHeight(kToolHeight);
  Pnl_Tool2->SetAlign(alBottom);

  Pnl_Center = new TPanel(this);
  Pnl_Center->SetName("Pnl_Center");
  Pnl_Center->SetParent(Pnl_Tool2);
  Pnl_Center->SetCaption("");
  Pnl_Center->SetBevelOuter(bvNone);
  Pnl_Center->SetBounds((Pnl_Tool2->Width() - kCenterWidth) / 2, 1, kCenterWidth, kToolHeight - 2);

  Lbl_Range = new TLabel(this);
  Lbl_Range->SetName("Lbl_Range");
  Lbl_Range->SetParent(Pnl_Center);
  LabelFont(Lbl_Range);
  Lbl_Range->SetCaption("调整幅度：");
  Lbl_Range->SetBounds(8, 10, 64, 13);

  Slider_Range = new TspSkinSlider(this);
  Slider_Range->SetName("Slider_Range");
  Slider_Range->SetParent(Pnl_Center);
  Slider_Range->SetSkinDataName("slider");
  Slider_Range->SetBounds(72, (kToolHeight - 2 - kSliderHeight) / 2, kSliderWidth, kSliderHeight);
  Slider_Range->SetRange(0, 100);
  Slider_Range->SetIncrement(1);
  Slider_Range->SetOptions(Slider_Range->Options() | soSmooth);
  Slider_Range->SetTransparent(true);
  Slider_Range->SetValue(0);
  Slider_Range->SetEnabled(false);
  Slider_Range->OnChange = [this](TObject* s) { Slider_RangeChange(s); };
  Slider_Range->OnChanged = [this](TObject* s) { Slider_RangeChanged(s); };

  Lbl_Value = new TLabel(this);
  Lbl_Value->SetName("Lbl_Value");
  Lbl_Value->SetParent(Pnl_Center);
  LabelFont(Lbl_Value);
  Lbl_Value->SetCaption("0");
  Lbl_Value->SetBounds(72 + kSliderWidth + 8, 10, 24, 13);

  OnCreate = [this](TObject* s) { FormCreate(s); };
  OnResize = [this](TObject* s) { FormResize(s); };
  EndLayout();
}

TFrm_HighLight::~TFrm_HighLight() {
  // The destroy handler needs this class's members, gone by the time the
  // base destructor would call it.
  OnDestroy = nullptr;
  FormDestroy(this);
}

TRectFrame* TFrm_HighLight::RectFrame() const { return frame_ ? &frame_->frame : nullptr; }

void TFrm_HighLight::FormCreate(TObject*) {
  HistoryPush(WorkImage.get());
  frame_ = std::make_unique<TFrameLink>(Image1);
  frame_->frame.OnSelection = [this](bool selected) { OnSelection(selected); };
  RectSelection = frame_.get();
  Patch = std::make_unique<TBitmap>();
  Patch->SetPixelFormat(pf24bit);
}

void TFrm_HighLight::FormDestroy(TObject*) {
  if (destroyed_) return;
  destroyed_ = true;
  HistoryClear();
  if (frame_ && RectSelection == frame_.get()) RectSelection = nullptr;
  if (frame_) frame_->frame.OnSelection = nullptr;
  frame_.reset();
  Patch.reset();
}

void TFrm_HighLight::FormResize(TObject* Sender) {
  if (Pnl_Tool2 && Pnl_Center) Pnl_Center->SetLeft((Pnl_Tool2->Width() - Pnl_Center->Width()) / 2);
  TStepPage::FormResize(Sender);
}

void TFrm_HighLight::OnSelection(bool Selected) {
  // A change still waiting was for the rectangle before.
  DropLatestWork();
  TRect display;
  TRect block{};
  if (Selected && frame_ && WorkImage && !WorkImage->Empty() && frame_->frame.GetRect(display))
    block = HighlightRectToImage(display.Left, display.Top, display.Right, display.Bottom, double(ZoomFactor),
                                 WorkImage->Width(), WorkImage->Height());
  if (block.IsEmpty()) {
    Slider_Range->SetEnabled(false);
    Slider_Range->SetValue(0);
    return;
  }
  PatchRect = block;
  {
    TScreenCursorGuard hourglass(crHourGlass);
    Patch = CopyBlock(WorkImage.get(), PatchRect);
    PrepareHighlightMask(Patch.get());
  }
  Slider_Range->SetEnabled(true);
  Slider_Range->SetValue(0);
  Replacing = false;
}

void TFrm_HighLight::Slider_RangeChange(TObject*) { Lbl_Value->SetCaption(std::to_string(Slider_Range->Value())); }

void TFrm_HighLight::Slider_RangeChanged(TObject*) {
  RunForLatestValue([this] { ApplyRange(); });
}

void TFrm_HighLight::ApplyRange() {
  // Nothing to re-colour without a rectangle; the picture must still hold it.
  if (!Patch || Patch->Empty() || !WorkImage || PatchRect.Right > WorkImage->Width() ||
      PatchRect.Bottom > WorkImage->Height() || Patch->Width() != PatchRect.Width() ||
      Patch->Height() != PatchRect.Height())
    return;
  TScreenCursorGuard hourglass(crHourGlass);
  // The mask made from the patch when the rectangle was set; the patch is
  // never drawn on, so the removal's rows go straight into the picture.
  const HighlightMask& mask = CurrentHighlightMask();
  if (mask.Width != Patch->Width() || mask.Height != Patch->Height()) PrepareHighlightMask(Patch.get());
  const RowImageBuffer fixed = ApplyHighlightRemoval(CurrentHighlightMask(), Slider_Range->Value());
  const RowImage to = BitmapRows(WorkImage.get());
  for (int y = 0; y < fixed.Height(); ++y)
    std::memcpy(to.Row(PatchRect.Top + y) + std::ptrdiff_t(PatchRect.Left) * 3, fixed.Row(y),
                std::size_t(fixed.Width()) * 3);
  if (Frm_Main) Frm_Main->ShowPictureZoomed(WorkImage.get(), Image1, 0);
  Repaint();
  if (frame_) frame_->frame.Attach();
  // One entry per rectangle: later changes replace the first one's.
  if (Replacing) {
    HistoryReplaceCurrent(WorkImage.get());
  } else {
    Replacing = true;
    HistoryKeep(WorkImage.get());
  }
}
