// Resolution adjustment: a loaded image whose horizontal and vertical
// resolutions differ is resampled so that both become equal and the
// picture keeps its physical size. The longer side keeps its pixels.
#include <memory>

#include "imaging/core/processing/pictoraproc_resample.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/component/pictoraio.h"

namespace {

struct TDpiPlan {
  int width = 0, height = 0;
  bool heightResampled = false;  // else the width is
};

// The size from the block's recorded size; false when nothing is to be
// done or the size would not make an image (a block that recorded no size,
// or one beyond what a bitmap holds).
bool PlanDpiAdjustment(const TIOParamsVals& p, TVQBitmap& image, TDpiPlan& plan) {
  const int dx = p.DpiX(), dy = p.DpiY();
  if (dx == dy || dx <= 0 || dy <= 0 || image.GetWidth() <= 0 || image.GetHeight() <= 0) return false;
  double w = p.Width, h = p.Height;
  plan.heightResampled = p.Height < p.Width;
  if (plan.heightResampled)
    h = h / dy * dx;
  else
    w = w / dx * dy;
  if (w < 1 || h < 1 || w > 0x7FFFFFFF || h > 0x7FFFFFFF) return false;
  plan.width = int(w);
  plan.height = int(h);
  return true;
}

// Bitmap resampled into a new bitmap of the plan's size.
std::unique_ptr<TVQBitmap> ResampleForDpi(TVQBitmap& bitmap, const TDpiPlan& plan, bool filtered) {
  auto result = std::make_unique<TVQBitmap>();
  if (filtered) {
    bitmap.SetPixelFormat(vqRGB24);
    result->Allocate(plan.width, plan.height, vqRGB24);
    ResampleFiltered(&bitmap, result.get(), rfFastLinear);
  } else {
    result->Allocate(plan.width, plan.height, bitmap.GetPixelFormat());
    // A paletted destination keeps its own palette: it takes the source's.
    for (int i = 0; i < bitmap.PaletteCount(); ++i) {
      TRGBPixel c;
      bitmap.GetPaletteColor(i, c);
      result->SetPaletteColor(i, c);
    }
    StretchNearest(&bitmap, result.get());
  }
  return result;
}

}  // namespace

void TPictoraIO::AdjustDpi() {
  if (!PrepareImage()) return;
  TDpiPlan plan;
  if (!PlanDpiAdjustment(*params_, *image_, plan)) return;
  // Written straight: the view and the EXIF copies are not told.
  if (plan.heightResampled) {
    params_->StoreDpi(params_->DpiX(), params_->DpiX());
    params_->Height = plan.height;
  } else {
    params_->StoreDpi(params_->DpiY(), params_->DpiY());
    params_->Width = plan.width;
  }
  std::unique_ptr<TVQBitmap> alpha;
  if (image_->HasAlphaChannel()) {
    alpha = std::make_unique<TVQBitmap>();
    alpha->Assign(image_->GetAlphaChannel());
  }
  std::unique_ptr<TVQBitmap> resampled = ResampleForDpi(*image_, plan, FilteredAdjustDPI);
  image_->RemoveAlphaChannel();
  image_->Assign(resampled.get());
  resampled.reset();
  // The alpha channel always to the nearest pixel, filtered or not.
  if (alpha) StretchNearest(alpha.get(), image_->GetAlphaChannel());
}

TVQBitmap* AdjustBitmapDpi(TVQBitmap* Bitmap, TIOParamsVals* Params, bool Filtered) {
  if (!Bitmap || !Params) return Bitmap;
  TDpiPlan plan;
  if (!PlanDpiAdjustment(*Params, *Bitmap, plan)) return Bitmap;
  if (plan.heightResampled)
    Params->SetDpiY(Params->DpiX());
  else
    Params->SetDpiX(Params->DpiY());
  return ResampleForDpi(*Bitmap, plan, Filtered).release();
}
