#include "app/main/uMain_Page.h"

#include "app/main/uMain_View.h"
#include "platform/gdi/GdiTypes.h"
#include "platform/ui/forms/Timer.h"
#include "platform/user/input/Input.h"
#include "skin/controls/SkinCtrls.h"

namespace {
constexpr int kToolWidth = 112;
constexpr TColor kHelpBrush = 8454143;
constexpr TColor kHelpPen = 10592673;
}  // namespace

TStepPage::TStepPage(TComponent* AOwner) : TForm(AOwner) {}

TStepPage::~TStepPage() = default;

namespace {
// A key or button press still waiting in the queue, which may change the
// value again before the work could be seen.
bool StepInputWaiting() { return InputPressWaiting(); }
}  // namespace

void TStepPage::RunForLatestValue(std::function<void()> work) {
  if (!work) return;
  if (!StepInputWaiting()) {
    latest_ = nullptr;
    if (latestTimer_) latestTimer_->SetEnabled(false);
    work();
    return;
  }
  latest_ = std::move(work);
  if (!latestTimer_) {
    latestTimer_ = std::make_unique<TTimer>(nullptr);
    latestTimer_->SetInterval(1);
    latestTimer_->SetOnTimer([this](TObject* sender) { LatestTimer(sender); });
  }
  latestTimer_->SetEnabled(true);
}

void TStepPage::LatestTimer(TObject*) {
  if (StepInputWaiting()) return;  // the timer comes again after that input
  RunLatestWorkNow();
}

void TStepPage::RunLatestWorkNow() {
  if (latestTimer_) latestTimer_->SetEnabled(false);
  std::function<void()> work = std::move(latest_);
  latest_ = nullptr;
  if (work) work();
}

void TStepPage::DropLatestWork() {
  if (latestTimer_) latestTimer_->SetEnabled(false);
  latest_ = nullptr;
}

void TStepPage::BuildCommonLayout(const std::string& caption, const std::vector<std::string>& help,
                                  int helpHeight, TImage* image) {
  SetCaption(caption);
  SetBorderStyle(bsNone);
  SetBounds(0, 0, 640, 480);

  Pnl_Tool1 = new TPanel(this);
  Pnl_Tool1->SetName("Pnl_Tool1");
  Pnl_Tool1->SetParent(this);
  Pnl_Tool1->SetCaption("");
  Pnl_Tool1->SetWidth(kToolWidth);
  Pnl_Tool1->SetAlign(alRight);

  Shape_Help = new TShape(this);
  Shape_Help->SetName("Shape_Help");
  Shape_Help->SetParent(Pnl_Tool1);
  Shape_Help->SetBounds(4, 8, kToolWidth - 8, helpHeight);
  Shape_Help->Brush()->SetColor(kHelpBrush);
  Shape_Help->Pen()->SetColor(kHelpPen);

  TLbl_Help = new TspSkinTextLabel(this);
  TLbl_Help->SetName("TLbl_Help");
  TLbl_Help->SetParent(Pnl_Tool1);
  TLbl_Help->SkinDataName() = "stdlabel";
  TLbl_Help->SetAutoSizeLabel(false);
  TLbl_Help->SetWordWrap(true);
  TLbl_Help->SetBounds(10, 14, kToolWidth - 20, helpHeight - 12);
  TLbl_Help->DefaultFont()->SetName("宋体");
  TLbl_Help->DefaultFont()->SetHeight(-12);
  TLbl_Help->DefaultFont()->SetCharset(GB2312_CHARSET);
  for (const std::string& line : help) TLbl_Help->Lines()->Add(line);

  ScrollBox_Image1 = new TScrollBox(this);
  ScrollBox_Image1->SetName("ScrollBox_Image1");
  ScrollBox_Image1->SetParent(this);
  ScrollBox_Image1->SetAlign(alClient);
  ScrollBox_Image1->SetColor(clGray);
  ScrollBox_Image1->SetAutoScroll(true);

  Image1 = image ? image : new TImage(this);
  Image1->SetName("Image1");
  Image1->SetParent(ScrollBox_Image1);
  Image1->SetAutoSize(true);
  Image1->SetStretch(true);

  OnResize = [this](TObject* s) { FormResize(s); };
}

void TStepPage::FormResize(TObject*) {
  if (Image1 && ScrollBox_Image1) CentrePicture(Image1, ScrollBox_Image1);
}
