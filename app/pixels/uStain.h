// The blemish eraser: fills a disc of the picture from the ring of pixels
// around it, each ring pixel weighted by the inverse square of its distance.
#pragma once
#include "app/pixels/BitmapRows.h"
#include "app/pixels/RowImage.h"

// The disc in picture pixels for an eraser at a display position and display
// radius: radius Round(r / z), centre (Round(x / z), Round(y / z)).
struct EraseDisc {
  int CentreX = 0, CentreY = 0, Radius = 0;
  friend bool operator==(const EraseDisc&, const EraseDisc&) = default;
};
EraseDisc EraseDiscToImage(TPoint position, int radius, double zoom);

// Refills every pixel within Radius - 1 of the centre from the pixels at
// rounded distance Radius. Returns false, changing nothing, when no ring pixel
// lies on the picture (then there is nothing to fill from).
bool EraseDiscPixels(const RowImage& image, const EraseDisc& disc);

// One click of the eraser at a display position, radius and zoom.
bool ErasePatch(const RowImage& image, TPoint position, int radius, double zoom);
// The same on a framework bitmap, converted to 24 bits first.
bool ErasePatch(TBitmap* image, TPoint position, int radius, double zoom);
