#include "app/pages/uSmooth_Form.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "app/main/uMain.h"
#include "app/main/uMain_History.h"
#include "app/pixels/uSmooth.h"
#include "platform/gdi/GdiTypes.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/controls/ComCtrls.h"
#include "platform/ui/forms/Screen.h"
#include "platform/ui/controls/StdCtrls.h"
#include "platform/user/input/MessageQueue.h"
#include "skin/controls/SkinCtrls.h"
#include "skin/controls/SkinCtrls_Slider.h"

namespace {

constexpr int kSmoothToolHeight = 116;
// Rows of the amount box, and the value labels' width at the right.
constexpr int kRowTop = 20, kRowStep = 28, kRowHeight = 22;
constexpr int kValueWidth = 28;
constexpr int kSliderLeft = 48;

void SetPageFont(TFont* f) {
  f->SetName("宋体");
  f->SetHeight(-12);
  f->SetCharset(GB2312_CHARSET);
}

TspSkinStdLabel* MakeLabel(TComponent* owner, TWinControl* parent, const std::string& name, const std::string& caption,
                           int left, int top) {
  auto* l = new TspSkinStdLabel(owner);
  l->SetName(name);
  l->SetParent(parent);
  l->SkinDataName() = "stdlabel";
  SetPageFont(l->DefaultFont());
  l->SetTransparent(true);
  l->SetAutoSize(false);
  l->SetLayout(tlCenter);
  l->SetBounds(left, top, 44, kRowHeight);
  l->SetCaption(caption);
  return l;
}

TspSkinSlider* MakeSlider(TComponent* owner, TWinControl* parent, const std::string& name, int lo, int hi, int value,
                          int top, int width) {
  auto* s = new TspSkinSlider(owner);
  s->SetName(name);
  s->SetParent(parent);
  s->SetSkinDataName("slider");
  s->SetIncrement(1);
  s->SetRange(lo, hi);
  s->SetValue(value);
  s->SetOptions(s->Options() | soSmooth);
  s->SetTransparent(true);
  s->SetBounds(kSliderLeft, top, width, kRowHeight);
  s->SetAnchors(akLeft | akTop | akRight);
  return s;
}

// Paints whatever waits to be painted, and shows it, taking no input or
// timer message from the queue: a long pass keeps its window drawn while
// nothing can act on the page under it.
void PaintPending() {
  MSG m;
  while (PeekMessage(&m, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessage(&m);
}

// Drives the bar through a pass over `rows` rows: its maximum is the row
// count and its position the rows done, shown at each 64th of the pass.
// Moving and painting it for every row cost as much as the whole blend of a
// 12-megapixel photo.
constexpr int kPaintSteps = 64;

RowProgress BarProgress(TProgressBar* bar, int rows) {
  if (!bar) return {};
  bar->SetMax(std::max(1, rows));
  return [bar, shown = -1](int done, int total) mutable {
    const int step = int(std::int64_t(done) * kPaintSteps / std::max(1, total));
    if (step == shown) return;
    shown = step;
    bar->SetPosition(done);
    PaintPending();
  };
}

}  // namespace

TFrm_Smooth::TFrm_Smooth(TComponent* AOwner) : TStepPage(AOwner) {
  BeginLayout();
  SetName("Frm_Smooth");
  BuildCommonLayout("细节优化", {"帮助", "调节各项参数即可进行不同程度的平滑处理。"}, kDefaultHelpHeight);

  Pnl_Tool2 = new TPanel(this);
  Pnl_Tool2->SetName("Pnl_Tool2");
  Pnl_Tool2->SetParent(this);
  Pnl_Tool2->SetCaption("");
  Pnl_Tool2->SetBevelOuter(bvLowered);
  Pnl_Tool2->SetParentFont(false);
  SetPageFont(Pnl_Tool2->Font());
  Pnl_Tool2->SetHeight(kSmoothToolHeight);
  Pnl_Tool2->SetAlign(alBottom);
  // A first width for the anchors to keep to; FormResize sets the real one.
  const int box = 300;

  GB_Range = new TGroupBox(this);
  GB_Range->SetName("GB_Range");
  GB_Range->SetParent(Pnl_Tool2);
  GB_Range->SetCaption("平滑幅度");
  GB_Range->SetBounds(4, 2, box, kSmoothToolHeight - 6);
  struct TRow {
    TspSkinStdLabel** label;
    const char* name;
    const char* caption;
    TspSkinSlider** slider;
    const char* sliderName;
    int value;
    TspSkinStdLabel** valueLabel;
    const char* valueName;
  } rows[] = {
      {&Lbl_Fine, "Lbl_Fine", "精细：", &Slider_Fine, "Slider_Fine", 0, &Lbl_FineValue, "Lbl_FineValue"},
      {&Lbl_Mid, "Lbl_Mid", "中等：", &Slider_Mid, "Slider_Mid", 40, &Lbl_MidValue, "Lbl_MidValue"},
      {&Lbl_Rough, "Lbl_Rough", "粗糙：", &Slider_Rough, "Slider_Rough", 50, &Lbl_RoughValue, "Lbl_RoughValue"},
  };
  int top = kRowTop;
  for (const TRow& r : rows) {
    *r.label = MakeLabel(this, GB_Range, r.name, r.caption, 8, top);
    *r.slider = MakeSlider(this, GB_Range, r.sliderName, 0, 100, r.value, top, box - kSliderLeft - kValueWidth - 10);
    *r.valueLabel = MakeLabel(this, GB_Range, r.valueName, std::to_string(r.value), box - kValueWidth - 6, top);
    (*r.valueLabel)->SetWidth(kValueWidth);
    (*r.valueLabel)->SetAnchors(akTop | akRight);
    top += kRowStep;
  }

  GB_Radius = new TGroupBox(this);
  GB_Radius->SetName("GB_Radius");
  GB_Radius->SetParent(Pnl_Tool2);
  GB_Radius->SetCaption("平滑半径");
  GB_Radius->SetBounds(box + 12, 2, box, 52);
  Slider_Radius = MakeSlider(this, GB_Radius, "Slider_Radius", 5, 50, 10, kRowTop, box - kSliderLeft - kValueWidth - 10);
  Slider_Radius->SetLeft(8);
  Slider_Radius->SetWidth(box - 8 - kValueWidth - 10);
  Lbl_RadiusValue = MakeLabel(this, GB_Radius, "Lbl_RadiusValue", "10", box - kValueWidth - 6, kRowTop);
  Lbl_RadiusValue->SetWidth(kValueWidth);
  Lbl_RadiusValue->SetAnchors(akTop | akRight);

  Lbl_Progress = MakeLabel(this, Pnl_Tool2, "Lbl_Progress", "当前进度：", box + 12, 60);
  Lbl_Progress->SetWidth(120);
  ProgressBar = new TProgressBar(this);
  ProgressBar->SetName("ProgressBar");
  ProgressBar->SetParent(Pnl_Tool2);
  ProgressBar->SetSmooth(true);
  ProgressBar->SetStep(1);
  ProgressBar->SetBounds(box + 12, 84, box, 18);

  Slider_Fine->OnChange = [this](TObject* s) { Slider_FineChange(s); };
  Slider_Mid->OnChange = [this](TObject* s) { Slider_MidChange(s); };
  Slider_Rough->OnChange = [this](TObject* s) { Slider_RoughChange(s); };
  Slider_Radius->OnChange = [this](TObject* s) { Slider_RadiusChange(s); };
  for (TspSkinSlider* s : {Slider_Fine, Slider_Mid, Slider_Rough})
    s->OnChanged = [this](TObject* sender) { Slider_FineChanged(sender); };
  Slider_Radius->OnChanged = [this](TObject* s) { Slider_RadiusChanged(s); };

  OnCreate = [this](TObject* s) { FormCreate(s); };
  OnResize = [this](TObject* s) { FormResize(s); };
  EndLayout();
}

TFrm_Smooth::~TFrm_Smooth() {
  // The destroy handler needs this class's members, which are gone by the
  // time the base destructor would call it.
  OnDestroy = nullptr;
  if (created_) FormDestroy(this);
}

void TFrm_Smooth::FormCreate(TObject*) {
  created_ = true;
  SmoothSource.reset();
  if (WorkImage && !WorkImage->Empty()) {
    // The picture's own pixels, shared until either side writes: the step
    // only reads them.
    auto copy = std::make_unique<TBitmap>();
    if (WorkImage->PixelFormat() == pf24bit) {
      copy->ShareFrom(*WorkImage);
    } else {
      copy->Assign(WorkImage.get());
      copy->SetPixelFormat(pf24bit);
    }
    SmoothSource = std::move(copy);
  }
  SmoothResult.reset();
  // Entry 0: the picture before smoothing, kept in memory as well while it
  // shares SmoothSource's pixels, so an undo to it reads no file; its file
  // is written behind the user's back.
  HistoryKeep(WorkImage.get(), true);
}

void TFrm_Smooth::FormDestroy(TObject*) {
  created_ = false;
  SmoothSource.reset();
  SmoothResult.reset();
  HistoryClear();
}

void TFrm_Smooth::FormResize(TObject* Sender) {
  if (!Pnl_Tool2 || !GB_Range) return;
  const int w = (Pnl_Tool2->Width() - 16) / 2;
  GB_Range->SetWidth(w);
  GB_Radius->SetWidth(w);
  GB_Radius->SetLeft(w + 12);
  Lbl_Progress->SetLeft(GB_Radius->Left());
  ProgressBar->SetLeft(GB_Radius->Left());
  ProgressBar->SetWidth(GB_Radius->Width());
  TStepPage::FormResize(Sender);
}

void TFrm_Smooth::Slider_FineChange(TObject*) { Lbl_FineValue->SetCaption(IntToStr(Slider_Fine->Value())); }
void TFrm_Smooth::Slider_MidChange(TObject*) { Lbl_MidValue->SetCaption(IntToStr(Slider_Mid->Value())); }
void TFrm_Smooth::Slider_RoughChange(TObject*) { Lbl_RoughValue->SetCaption(IntToStr(Slider_Rough->Value())); }
void TFrm_Smooth::Slider_RadiusChange(TObject*) { Lbl_RadiusValue->SetCaption(IntToStr(Slider_Radius->Value())); }

bool TFrm_Smooth::RunFirstPass() {
  if (!SmoothSource) return false;
  RunSmoothing(this);
  return true;
}

void TFrm_Smooth::Slider_FineChanged(TObject*) {
  if (!SmoothSource) return;
  RunForLatestValue([this] { ApplySliders(); });
}

void TFrm_Smooth::Slider_RadiusChanged(TObject*) {
  if (!SmoothSource) return;
  // Kept until the work runs: an amount change queued after it must not
  // blend with the smoothing of the radius before.
  radiusChanged_ = true;
  RunForLatestValue([this] { ApplySliders(); });
}

void TFrm_Smooth::ApplySliders() {
  if (!SmoothSource) return;
  if (std::exchange(radiusChanged_, false))
    RunSmoothing(this);
  else
    RunBlend(this);
  ShowResult();
}

void TFrm_Smooth::ShowResult() {
  if (Frm_Main) Frm_Main->ShowPictureZoomed(WorkImage.get(), Image1, 0);
  // The new result takes the place of the last one, right after the picture
  // before; so after an undo back to that picture it still stays.
  if (History) History->SetIndex(0);
  HistoryKeep(WorkImage.get());
}

namespace {

// The page's last result when the history no longer holds it: its memory
// takes the next picture in place instead of fresh pages.
TBitmap* SmoothReusableResult(TBitmap* source) {
  if (History) History->Collect();
  TBitmap* last = WorkImage.get();
  if (last && !last->SharesPixels() && last->PixelFormat() == pf24bit && last->Width() == source->Width() &&
      last->Height() == source->Height() && last != source)
    return last;
  return nullptr;
}

void SmoothBlendIntoWorkImage(TFrm_Smooth* page) {
  TBitmap* source = page->SmoothSource.get();
  if (TBitmap* last = SmoothReusableResult(source)) {
    BlendByDifferenceInto(source, page->SmoothResult.get(), page->Slider_Fine->Value(),
                          BarProgress(page->ProgressBar, source->Height()), page->Slider_Rough->Value(),
                          page->Slider_Mid->Value(), last);
    return;
  }
  WorkImage = BlendByDifference(source, page->SmoothResult.get(), page->Slider_Fine->Value(),
                                BarProgress(page->ProgressBar, source->Height()), page->Slider_Rough->Value(),
                                page->Slider_Mid->Value());
}

}  // namespace

void RunSmoothing(TFrm_Smooth* page) {
  if (!page || !page->SmoothSource) return;
  TScreenCursorGuard hourglass(crHourGlass);
  TBitmap* source = page->SmoothSource.get();
  TBitmap* last = page->SmoothResult.get();
  if (last && last->PixelFormat() == pf24bit && last->Width() == source->Width() &&
      last->Height() == source->Height() && !last->SharesPixels()) {
    // The last smoothing's memory takes the new one; a pass cut short leaves
    // no half-written picture behind to blend with.
    try {
      SmoothPictureInto(source, page->Slider_Radius->Value(), BarProgress(page->ProgressBar, source->Height()), last);
    } catch (...) {
      page->SmoothResult.reset();
      throw;
    }
  } else {
    page->SmoothResult.reset();
    page->SmoothResult =
        SmoothPicture(source, page->Slider_Radius->Value(), BarProgress(page->ProgressBar, source->Height()));
  }
  SmoothBlendIntoWorkImage(page);
}

void RunBlend(TFrm_Smooth* page) {
  if (!page || !page->SmoothSource) return;
  // Without a smoothed picture there is nothing to blend with yet.
  if (!page->SmoothResult) return RunSmoothing(page);
  TScreenCursorGuard hourglass(crHourGlass);
  SmoothBlendIntoWorkImage(page);
}
