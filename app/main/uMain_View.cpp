#include "app/main/uMain_View.h"

#include <algorithm>
#include <cmath>

#include "platform/gdi/Gdi.h"
#include "platform/graphics/Canvas.h"
#include "platform/ui/controls/ExtCtrls.h"

const float ZoomTable[7] = {0.167f, 0.25f, 0.5f, 0.75f, 1.0f, 1.5f, 2.0f};

namespace {

// The unclamped display length; doubles hold every product of an int and a
// single exactly enough for Floor to see what the single holds.
double DisplayLength(int length, float zoom) { return std::floor(double(length) * double(zoom)); }

// Keeps zoom where the picture's display is 1..MaxDisplaySize on each side.
float LimitZoom(float zoom, int width, int height) {
  const int longer = std::max(width, height), shorter = std::min(width, height);
  if (!(zoom > 0.0f) || DisplayLength(shorter, zoom) < MinDisplaySize) {
    zoom = float(1.0 / shorter);
    while (DisplayLength(shorter, zoom) < MinDisplaySize) zoom = std::nextafter(zoom, 2.0f * zoom + 1.0f);
  }
  if (DisplayLength(longer, zoom) > MaxDisplaySize) {
    zoom = float(double(MaxDisplaySize) / longer);
    while (DisplayLength(longer, zoom) > MaxDisplaySize) zoom = std::nextafter(zoom, 0.0f);
  }
  return zoom;
}

}  // namespace

std::unique_ptr<TBitmap> StretchCopy(TBitmap* source, int width, int height) {
  if (!source || source->Empty()) return nullptr;
  width = std::clamp(width, MinDisplaySize, MaxDisplaySize);
  height = std::clamp(height, MinDisplaySize, MaxDisplaySize);
  source->SetPixelFormat(pf24bit);
  auto copy = std::make_unique<TBitmap>(width, height, pf24bit);
  HDC dst = copy->Canvas()->Handle();
  SetStretchBltMode(dst, HALFTONE);
  // The source's rows are read where they are: its canvas would make
  // pixels it shares (with the history, with the smoothing's source) its
  // own first, a copy of the whole picture.
  const TBitmap& rows = *source;
  BITMAPINFO info{};
  info.bmiHeader.biWidth = source->Width();
  info.bmiHeader.biHeight = source->Height();
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  StretchDIBits(dst, 0, 0, width, height, 0, 0, source->Width(), source->Height(), rows.ScanLine(source->Height() - 1),
                &info, DIB_RGB_COLORS, SRCCOPY);
  return copy;
}

bool StepZoom(float& zoom, int direction) {
  if (direction == -1) {
    for (int i = 6; i >= 0; --i)
      if (ZoomTable[i] < zoom) {
        zoom = ZoomTable[i];
        return true;
      }
    return false;
  }
  if (direction == 1) {
    for (int i = 0; i < 7; ++i)
      if (ZoomTable[i] > zoom) {
        zoom = ZoomTable[i];
        return true;
      }
    return false;
  }
  return true;
}

bool StepZoom(float& zoom, int direction, int width, int height) {
  float next = zoom;
  if (!StepZoom(next, direction)) return false;
  if (direction == 1 && std::max(DisplayLength(width, next), DisplayLength(height, next)) > MaxDisplaySize)
    return false;
  zoom = next;
  return true;
}

float FitZoom(int width, int height, int boxWidth, int boxHeight) {
  if (width <= 0 || height <= 0) return 1.0f;
  const long double z =
      std::min((long double)(boxHeight - 4) / height, (long double)(boxWidth - 4) / width);
  const float zoom = float(std::min(z, 1.0L));
  return LimitZoom(zoom, width, height);
}

TSize DisplaySize(int width, int height, float zoom) {
  auto side = [zoom](int length) {
    const double d = DisplayLength(length, zoom);
    if (!(d >= MinDisplaySize)) return MinDisplaySize;  // NaN and negatives too
    return d > MaxDisplaySize ? MaxDisplaySize : int(d);
  };
  return TSize{side(width), side(height)};
}

void CentrePicture(TImage* image, TScrollBox* scrollBox) {
  if (!image || !scrollBox) return;
  image->SetAutoSize(true);
  image->SetStretch(true);
  // Sizes and positions are read afresh at each step: moving the picture
  // may show or hide the scroll bars, which changes the client size and
  // may pull the other position back into range.
  auto setX = [scrollBox](int x) { scrollBox->SetScrollPos(TPoint{x, scrollBox->ScrollPos().Y}); };
  auto setY = [scrollBox](int y) { scrollBox->SetScrollPos(TPoint{scrollBox->ScrollPos().X, y}); };
  setX(0);
  image->SetLeft(std::max(0, (scrollBox->Width() - image->Width() - 4) / 2));
  setX(std::max(0, (image->Width() - scrollBox->ClientWidth()) / 2));
  setY(0);
  image->SetTop(std::max(0, (scrollBox->Height() - image->Height() - 4) / 2));
  setY(std::max(0, (image->Height() - scrollBox->ClientHeight()) / 2));
}
