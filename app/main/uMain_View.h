// The wizard's view helpers: zoom steps, fitting, the scaled display copy
// and centring the picture control in its scroll box. No state of its own:
// the caller keeps the zoom.
#pragma once
#include <memory>

#include "platform/graphics/Bitmap.h"
#include "platform/rtl/Types.h"

class TImage;
class TScrollBox;

// The zoom steps, ascending; the first is the single nearest to 0.167.
extern const float ZoomTable[7];

// Display sizes stay within these bounds at any zoom.
constexpr int MinDisplaySize = 1;
constexpr int MaxDisplaySize = 65535;

// A new 24-bit bitmap of width x height holding the whole source stretched
// with the platform's HALFTONE mode. The source is converted to 24 bits in
// place first. Sizes are clamped to MinDisplaySize..MaxDisplaySize; nullptr
// for no source or an empty one.
std::unique_ptr<TBitmap> StretchCopy(TBitmap* source, int width, int height);

// Direction -1: the largest table value strictly below zoom; +1: the
// smallest strictly above. False, zoom unchanged, when there is none.
// Direction 0 (or any other value) keeps the zoom and gives true.
bool StepZoom(float& zoom, int direction);
// The same for a picture of width x height: a step up that would make the
// display larger than MaxDisplaySize is refused like a missing step.
bool StepZoom(float& zoom, int direction, int width, int height);

// min((boxHeight - 4) / height, (boxWidth - 4) / width, 1) as a single,
// kept above 0 and within the zoom range where the display of the picture
// is 1..MaxDisplaySize pixels on each side. A picture without pixels fits
// at 1.
float FitZoom(int width, int height, int boxWidth, int boxHeight);

// Floor(width x zoom) by Floor(height x zoom), each clamped to
// MinDisplaySize..MaxDisplaySize.
TSize DisplaySize(int width, int height, float zoom);

// Centres the picture control in the scroll box with equal margins when it
// is smaller, or scrolls to its centre when it is larger. The control is set
// auto-sized and stretched.
void CentrePicture(TImage* image, TScrollBox* scrollBox);
