#include "app/dialogs/uZoom.h"

#include <cstdint>
#include <tuple>

#include "app/pixels/RowImage.h"
#include "app/dialogs/WizardDialog.h"
#include "app/main/uMain.h"
#include "platform/gdi/GdiTypes.h"
#include "platform/graphics/DibImage.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/controls/StdCtrls.h"
#include "skin/controls/SkinBoxCtrls_Spin.h"
#include "skin/controls/SkinCtrls.h"
#include "skin/controls/spMessages.h"
#include "themed/buttons/KZUButton.h"

namespace {
constexpr int kZoomClientWidth = 240, kZoomClientHeight = 126;

std::uint64_t PictureBytes(int width, int height) {
  return std::uint64_t(RowImageStride(width)) * std::uint64_t(height);
}

bool UsableSide(double v) { return v >= 1 && v <= MaxPictureSide; }

// The other side for a new side at the picture's ratio. Kept within a range
// Round can take; a side that far out is refused at OK anyway.
double KeptSide(int orgOther, double side, int orgSide) {
  if (orgSide <= 0) return side;
  const double v = double(orgOther) * side / double(orgSide);
  return double(Round(v < -1e9 ? -1e9 : v > 1e9 ? 1e9 : v));
}
}  // namespace

bool ResizeWithinBudget(int width, int height, int newWidth, int newHeight) {
  if (newWidth < 1 || newHeight < 1 || newWidth > MaxPictureSide || newHeight > MaxPictureSide) return false;
  if (PictureBytes(newWidth, newHeight) > DefaultPictureBudget) return false;
  const bool grows = newWidth >= width && newHeight >= height, shrinks = newWidth <= width && newHeight <= height;
  if (!grows && !shrinks) {
    const int side = std::max(newWidth, newHeight);
    if (PictureBytes(side, side) > DefaultPictureBudget) return false;
  }
  return true;
}

TFrm_Zoom::TFrm_Zoom(TComponent* AOwner) : TForm(AOwner) {
  BeginLayout();
  BeginDialog(this, "Frm_Zoom", "图片缩放");

  GB_SetPix = new TGroupBox(this);
  GB_SetPix->SetName("GB_SetPix");
  GB_SetPix->SetParent(this);
  GB_SetPix->SetCaption("设置像素大小");
  GB_SetPix->SetBounds(8, 4, kZoomClientWidth - 16, 80);

  auto label = [this](const char* name, const char* caption, int left) {
    auto* l = new TLabel(this);
    l->SetName(name);
    l->SetParent(GB_SetPix);
    l->SetCaption(caption);
    l->SetLeft(left);
    l->SetTop(26);
    return l;
  };
  auto spin = [this](const char* name, int left) {
    return DialogSpin(this, GB_SetPix, name, TRect{left, 22, left + 62, 22 + 21});
  };
  Lbl_Width = label("Lbl_Width", "宽度：", 10);
  SE_Width = spin("SE_Width", 46);
  Lbl_Height = label("Lbl_Height", "高度：", 116);
  SE_Height = spin("SE_Height", 152);

  CB_KeepScale = new TkzuCheckBox(this);
  CB_KeepScale->SetName("CB_KeepScale");
  CB_KeepScale->SetParent(GB_SetPix);
  CB_KeepScale->SetUIStyle(TkzuUIStyle::WinXP);
  CB_KeepScale->SetCaption("保持原图宽高比例");
  CB_KeepScale->SetLeft(10);
  CB_KeepScale->SetTop(52);
  CB_KeepScale->SetAutoSize(true);
  CB_KeepScale->SetChecked(true);
  CB_KeepScale->OnClick = [this](TObject* s) { CB_KeepScaleClick(s); };

  std::tie(Btn_Ok, Btn_Cancel) = DialogButtons(this, 93, 36, kZoomClientWidth);
  Btn_Ok->ModalResult = mrOk;
  Btn_Ok->OnClick = [this](TObject* s) { Btn_OkClick(s); };

  OnShow = [this](TObject* s) { FormShow(s); };
  EndLayout();
  SetClientWidth(kZoomClientWidth);
  SetClientHeight(kZoomClientHeight);
  AttachChangeHandlers();
}

void TFrm_Zoom::AttachChangeHandlers() {
  SE_Width->OnChange = [this](TObject* s) { SE_WidthChange(s); };
  SE_Height->OnChange = [this](TObject* s) { SE_HeightChange(s); };
}

void TFrm_Zoom::FormShow(TObject*) {
  // Showing the picture's size is not an edit.
  SE_Width->OnChange = nullptr;
  SE_Height->OnChange = nullptr;
  SE_Width->SetValue(OrgWidth);
  SE_Height->SetValue(OrgHeight);
  AttachChangeHandlers();
}

void TFrm_Zoom::SE_WidthChange(TObject*) {
  if (CB_KeepScale->Checked()) {
    TNotifyEvent saved = SE_Height->OnChange;
    SE_Height->OnChange = nullptr;
    SE_Height->SetValue(KeptSide(OrgHeight, SE_Width->Value(), OrgWidth));
    SE_Height->OnChange = saved;
  }
  LastEdited = 1;
}

void TFrm_Zoom::SE_HeightChange(TObject*) {
  if (CB_KeepScale->Checked()) {
    TNotifyEvent saved = SE_Width->OnChange;
    SE_Width->OnChange = nullptr;
    SE_Width->SetValue(KeptSide(OrgWidth, SE_Height->Value(), OrgHeight));
    SE_Width->OnChange = saved;
  }
  LastEdited = 2;
}

void TFrm_Zoom::CB_KeepScaleClick(TObject*) {
  if (!CB_KeepScale->Checked()) return;
  if (LastEdited == 1) SE_HeightChange(CB_KeepScale);
  else if (LastEdited == 2) SE_WidthChange(CB_KeepScale);
}

void TFrm_Zoom::Btn_OkClick(TObject*) {
  const double w = SE_Width->Value(), h = SE_Height->Value();
  std::string refusal;
  if (!UsableSide(w) || !UsableSide(h))
    refusal = "图片的宽度和高度必须在 1 到 65535 像素之间。";
  else if (!ResizeWithinBudget(OrgWidth, OrgHeight, int(Round(w)), int(Round(h))))
    refusal = "图片尺寸过大，无法缩放到 " + std::to_string(Round(w)) + "*" + std::to_string(Round(h)) + " 像素。";
  if (refusal.empty()) return;
  SetModalResult(mrNone);
  if (Frm_Main) Frm_Main->Ask(refusal, mtError, false);
}
