#include "app/pages/uSize.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "app/pixels/BitmapRows.h"
#include "app/tools/HandCutFrame.h"
#include "app/pixels/RotateImage.h"
#include "app/dialogs/uCut.h"
#include "app/main/uMain.h"
#include "app/main/uMain_View.h"
#include "app/dialogs/uRotate.h"
#include "app/dialogs/uZoom.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/DibImage.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/forms/Screen.h"
#include "skin/controls/SkinBoxCtrls_Spin.h"
#include "skin/controls/SkinCtrls.h"
#include "skin/controls/spMessages.h"
#include "themed/buttons/KZUButton.h"

namespace {

constexpr int kButtonLeft = 3, kButtonWidth = 106, kButtonHeight = 25;
constexpr int kGlyphSize = 16;

// What the crop guard of the main window sees of the page's frame.
class TPageCropLink : public TCropFrameLink {
 public:
  explicit TPageCropLink(THandCutFrame* frame) : frame_(frame) {}
  bool Active() const override { return !frame_->Idle(); }
  void Cancel() override { frame_->Cancel(); }

 private:
  THandCutFrame* frame_;
};

// The buttons' glyphs travel with the page's layout; fuchsia is the
// transparent colour.
std::unique_ptr<TBitmap> Glyph(void (*draw)(TCanvas*)) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(pf24bit);
  b->SetSize(kGlyphSize, kGlyphSize);
  TCanvas* c = b->Canvas();
  c->Brush()->SetColor(clFuchsia);
  c->FillRect(TRect{0, 0, kGlyphSize, kGlyphSize});
  draw(c);
  return b;
}

// A circular arrow turning clockwise.
void DrawRotateGlyph(TCanvas* c) {
  c->Pen()->SetColor(TColor(0x00A05010));
  c->Pen()->SetWidth(2);
  c->Brush()->SetStyle(bsClear);
  // Three quarters from the right edge round the bottom to the top, where
  // the head points on to the right.
  c->Arc(2, 3, 14, 15, 8, 3, 14, 9);
  c->Pen()->SetWidth(1);
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(TColor(0x00A05010));
  const TPoint head[] = {{8, 0}, {12, 3}, {8, 6}};
  c->Polygon(head, 3);
}

// Two crop corners crossing.
void DrawCutGlyph(TCanvas* c) {
  c->Pen()->SetColor(TColor(0x00303030));
  c->Pen()->SetWidth(2);
  const TPoint a[] = {{4, 1}, {4, 12}, {15, 12}};
  c->Polyline(a, 3);
  c->Pen()->SetColor(TColor(0x002020C0));
  const TPoint b[] = {{1, 4}, {12, 4}, {12, 15}};
  c->Polyline(b, 3);
}

// A small and a large frame with an arrow from one to the other.
void DrawZoomGlyph(TCanvas* c) {
  c->Brush()->SetStyle(bsClear);
  c->Pen()->SetColor(TColor(0x00303030));
  c->Rectangle(1, 1, 15, 15);
  c->Pen()->SetColor(TColor(0x00108010));
  c->Rectangle(2, 9, 8, 15);
  c->Pen()->SetWidth(2);
  c->MoveTo(6, 10);
  c->LineTo(12, 4);
  c->Pen()->SetWidth(1);
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(TColor(0x00108010));
  const TPoint head[] = {{8, 3}, {13, 3}, {13, 8}};
  c->Polygon(head, 3);
}

// Whether a picture of width x height turned by angle degrees (any turn but
// a quarter or half one) stays within the picture budget. The turned picture
// covers the rotated corners plus a pixel of rounding on each side.
bool TurnWithinBudget(int width, int height, double angle) {
  const double t = angle * std::numbers::pi / 180.0;
  const double c = std::fabs(std::cos(t)), s = std::fabs(std::sin(t));
  const double w = std::ceil(width * c + height * s) + 3, h = std::ceil(width * s + height * c) + 3;
  return w <= 65535 && h <= 65535 && (w + 3) * 3 * h <= double(DefaultPictureBudget);
}

}  // namespace

TFrm_Size::TFrm_Size(TComponent* AOwner) : TStepPage(AOwner) {
  BeginLayout();
  SetName("Frm_Size");
  BuildCommonLayout("尺寸调整", {"帮助", "点击【旋转】按钮，按照设定角度对图像进行旋转。", "点击【裁切】按钮，用裁切框对图像进行裁切。按下鼠标拖动裁切框至合适的大小和位置，之后双击图像就可以完成裁切。右键单击则取消裁切。", "点击【缩放】按钮，按照重新设置的大小尺寸对图像进行缩放。"}, 295);
  Image1->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    Image1MouseDown(s, b, sh, x, y);
  };
  Image1->OnDblClick = [this](TObject* s) { Image1DblClick(s); };

  auto button = [this](const char* name, const char* caption, int top, void (*draw)(TCanvas*)) {
    auto* b = new TspSkinButton(this);
    b->SetName(name);
    b->SetParent(Pnl_Tool1);
    b->SetSkinData(Frm_Main ? Frm_Main->SkinData : nullptr);
    b->SetSkinDataName("button");
    b->SetTop(top);
    b->SetCaption(caption);
    b->SetNumGlyphs(1);
    b->SetSpacing(1);
    b->SetGlyph(Glyph(draw).get());
    b->SetAnchors(akLeft | akBottom);
    return b;
  };
  Btn_Rotate = button("Btn_Rotate", " 旋转", 316, DrawRotateGlyph);
  Btn_Rotate->OnClick = [this](TObject* s) { Btn_RotateClick(s); };
  Btn_Cut = button("Btn_Cut", " 裁切", 355, DrawCutGlyph);
  Btn_Cut->OnClick = [this](TObject* s) { Btn_CutClick(s); };
  Btn_Zoom = button("Btn_Zoom", " 缩放", 394, DrawZoomGlyph);
  Btn_Zoom->OnClick = [this](TObject* s) { Btn_ZoomClick(s); };

  OnCreate = [this](TObject* s) { FormCreate(s); };
  EndLayout();
  // The tool panel has the page's height only once the layout is loaded;
  // the buttons' distance to its bottom is taken from there.
  for (auto [b, top] : {std::pair{Btn_Rotate, 316}, std::pair{Btn_Cut, 355}, std::pair{Btn_Zoom, 394}})
    b->SetBounds(kButtonLeft, top, kButtonWidth, kButtonHeight);
}

TFrm_Size::~TFrm_Size() {
  // The destroy handler needs the crop frame, which is gone by the time the
  // base destructor would call it.
  OnDestroy = nullptr;
  FormDestroy(this);
}

void TFrm_Size::FormCreate(TObject*) {
  // Entry 0, written behind the user's back: the step only replaces the
  // picture, so sharing its pixels costs nothing.
  HistoryKeep(WorkImage.get());
  // The frame keeps the picture control's handlers as they are now, so the
  // page's own are in place first.
  cutFrame_ = std::make_unique<THandCutFrame>(Image1);
  cropLink_ = std::make_unique<TPageCropLink>(cutFrame_.get());
  CropFrame = cropLink_.get();
}

void TFrm_Size::FormDestroy(TObject*) {
  if (destroyed_) return;
  destroyed_ = true;
  HistoryClear();
  if (CropFrame == cropLink_.get()) CropFrame = nullptr;
  cropLink_.reset();
  cutFrame_.reset();
}

void TFrm_Size::TakeResult(std::unique_ptr<TBitmap> picture) {
  WorkImage = std::move(picture);
  // A picture grown past what the display holds at this zoom, or cut below
  // a display pixel, would be shown squeezed or stretched, and display
  // pixels would no longer map onto picture pixels: the zoom steps until
  // the display holds it.
  const float zoom = ZoomFactor;
  const int w = WorkImage->Width(), h = WorkImage->Height();
  auto display = [](int side) { return std::floor(double(side) * double(ZoomFactor)); };
  while (display(std::max(w, h)) > MaxDisplaySize && StepZoom(ZoomFactor, -1)) {
  }
  while (display(std::min(w, h)) < MinDisplaySize && StepZoom(ZoomFactor, +1, w, h)) {
  }
  if (Frm_Main) Frm_Main->ShowPictureZoomed(WorkImage.get(), Image1, 0);
  if (Frm_Main && ZoomFactor != zoom) Frm_Main->ShowZoomRatio();
  CentrePicture(Image1, ScrollBox_Image1);
  // Written behind the user's back; a failure is told at the next action.
  HistoryKeep(WorkImage.get());
  if (Frm_Main) Frm_Main->ShowImageSize();
}

void TFrm_Size::Image1MouseDown(TObject*, TMouseButton Button, TShiftState, int, int) {
  if (Button == TMouseButton::mbRight && cutFrame_) cutFrame_->Cancel();
}

void TFrm_Size::Btn_RotateClick(TObject*) {
  if (Frm_Main) Frm_Main->ConfirmCancelCrop();
  if (!WorkImage) return;
  double angle = 0;
  {
    TWizardModal modal;
    std::unique_ptr<TFrm_Rotate> dialog(TCustomForm::New<TFrm_Rotate>(this));
    if (dialog->ShowModal() != mrOk) return;
    angle = dialog->Angle;
  }
  const double c = NormaliseAngle(angle);
  if (c == 0) return;
  const bool exact = c == 90 || c == 180 || c == 270;
  if (!exact && !TurnWithinBudget(WorkImage->Width(), WorkImage->Height(), c)) {
    if (Frm_Main) Frm_Main->Ask("图片尺寸过大，无法按此角度旋转。", mtError, false);
    return;
  }
  TScreenCursorGuard hourglass(crHourGlass);
  std::unique_ptr<TBitmap> turned;
  if (c == 180) turned = Rotate180(WorkImage.get());
  else if (c == 90) turned = Rotate90(WorkImage.get());
  else if (c == 270) turned = Rotate270(WorkImage.get());
  else turned = RotateAnyAngle(WorkImage.get(), c);
  TakeResult(std::move(turned));
}

void TFrm_Size::Btn_CutClick(TObject*) {
  if (Frm_Main) Frm_Main->ConfirmCancelCrop();
  if (!WorkImage || !cutFrame_) return;
  std::unique_ptr<TFrm_Cut> dialog(TCustomForm::New<TFrm_Cut>(this));
  {
    TWizardModal modal;
    if (dialog->ShowModal() != mrOk) return;
  }
  if (dialog->RB_Free->Checked()) {
    cutFrame_->RatioWidth = 0;
    cutFrame_->RatioHeight = 0;
  } else {
    cutFrame_->RatioWidth = Word(Round(dialog->SE_Width->Value()));
    cutFrame_->RatioHeight = Word(Round(dialog->SE_Height->Value()));
  }
  // The visible part of the display: the scroll box's client area when the
  // picture fills it, else the whole picture.
  int a, x0, b, y0;
  if (Image1->Width() >= ScrollBox_Image1->Width() - 4) {
    a = ScrollBox_Image1->ClientWidth();
    x0 = -Image1->Left();
  } else {
    a = Image1->Width();
    x0 = 0;
  }
  if (Image1->Height() >= ScrollBox_Image1->Height() - 4) {
    b = ScrollBox_Image1->ClientHeight();
    y0 = -Image1->Top();
  } else {
    b = Image1->Height();
    y0 = 0;
  }
  const TRect f = CropStartFrame(x0, y0, a, b, cutFrame_->RatioWidth, cutFrame_->RatioHeight);
  cutFrame_->Start(f.Left, f.Top, f.Right, f.Bottom);
}

void TFrm_Size::Image1DblClick(TObject*) {
  if (!cutFrame_ || !WorkImage) return;
  TRect r;
  if (!cutFrame_->Finish(r)) return;
  const TRect block = CropBlockToImage(r.Left, r.Top, r.Right, r.Bottom, ZoomFactor, cutFrame_->RatioWidth,
                                       cutFrame_->RatioHeight, WorkImage->Width(), WorkImage->Height());
  if (block.Width() < 1 || block.Height() < 1) {
    // Nothing of the picture inside the frame: the darkened display goes.
    if (Frm_Main) Frm_Main->ShowPictureZoomed(WorkImage.get(), Image1, 0);
    return;
  }
  TakeResult(CopyBlock(WorkImage.get(), block));
}

void TFrm_Size::Btn_ZoomClick(TObject*) {
  if (Frm_Main) Frm_Main->ConfirmCancelCrop();
  if (!WorkImage) return;
  std::unique_ptr<TFrm_Zoom> dialog(TCustomForm::New<TFrm_Zoom>(this));
  dialog->OrgWidth = WorkImage->Width();
  dialog->OrgHeight = WorkImage->Height();
  {
    TWizardModal modal;
    if (dialog->ShowModal() != mrOk) return;
  }
  const int w = int(Round(dialog->SE_Width->Value())), h = int(Round(dialog->SE_Height->Value()));
  dialog.reset();
  // The dialog refuses these sizes; the routines are never asked for them.
  if (!ResizeWithinBudget(WorkImage->Width(), WorkImage->Height(), w, h)) return;
  TScreenCursorGuard hourglass(crHourGlass);
  TakeResult(ResizePicture(WorkImage.get(), w, h));
}
