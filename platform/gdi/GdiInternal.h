// Helpers shared by the drawing modules; not for callers outside platform/gdi.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/PixelRows.h"
#include "platform/gdi/Raster.h"

// References from DC states (current and saved); a deferred delete happens
// when the last one goes.
void GdiAddRef(GdiObject* obj);
void GdiRelease(GdiObject* obj);
GdiObject* GdiStock(int index);
GdiBitmap* GdiStockBitmap();

// Rows of the DC's clip box, for scan converting only what can show.
struct RowWindow;
RowWindow ClipRows(DeviceContext& dc);
// A shape cut to the DC's clip box before per-pixel work on it.
Region ClipToBox(DeviceContext& dc, const Region& r);

// Logical rectangle -> surface rectangle, normalised (left <= right).
RECT LogicalToSurface(const DeviceContext& dc, const RECT& r);

// Bitmap storage of `bytes`, zeroed; nullptr when the size is refused.
Byte* AllocatePixels(std::int64_t bytes);
constexpr std::int64_t kMaxBitmapBytes = std::int64_t(1) << 31;
// Most points one polyline, polygon or region call takes.
constexpr int kMaxPoints = 1 << 24;

// A memory DC holding a 1-bit device bitmap: blits map colours through the
// DC colours on the way in and out.
bool IsMonoBitmapDC(const DeviceContext& dc);

// A caller's packed DIB described as a surface over its bits.
struct DibFormat {
  int width = 0, height = 0;  // height positive
  bool topDown = false;
  int bpp = 0;
  DWORD redMask = 0, greenMask = 0, blueMask = 0;
  std::vector<RGBQUAD> colors;
  std::int64_t stride = 0;
  std::int64_t imageBytes = 0;
};
// Checks the header (sizes, depth, compression, table); DIB_PAL_COLORS
// tables index the DC's palette. False for anything we cannot read safely.
bool ParseDibHeader(const BITMAPINFO* bmi, UINT usage, const DeviceContext* dc, DibFormat& out);
// Surface over bits laid out as `f`; row 0 is the top row of the picture.
Surface DibSurface(const DibFormat& f, const void* bits);
// The 16 colours of a 4-bit device bitmap and the 256 of an 8-bit one.
const std::vector<RGBQUAD>& DefaultColorTable(int bpp);
