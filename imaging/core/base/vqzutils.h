// Utility routines of the imaging library (the raster model, containers and
// encoders have headers of their own, included here): bits, bytes and sizes, powers,
// geometry tests of the views, folders and platform queries, tolerant
// number parsing, CIE L*a*b*, the blend cosine table and Bezier points, and
// the parameter records of the views' scroll bars and mouse wheel.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/core/base/vqzutils_containers.h"
#include "imaging/core/raster/vqzutils_dib.h"
#include "imaging/core/base/vqzutils_encoders.h"
#include "imaging/core/raster/vqzutils_mask.h"
#include "platform/rtl/Types.h"

// ---- bits, bytes and sizes ---------------------------------------------------

// Consecutive set bits from the lowest set bit (a BMP bit field's width).
int MaskBitWidth(std::uint32_t mask);
// -1 for 0; the bit index for a power of two; else the highest bit + 1.
int CeilLog2(std::uint32_t value);
// Bytes of a row of width pixels padded to alignment bits (8, 16 or 32;
// other values count as 8). 64-bit, so huge widths cannot wrap.
Int64 CalcRowLength(Int64 width, int bitCount, int alignment);
void ReverseByteBits(Byte& value);
void ReverseBits32(std::uint32_t& value);
inline std::uint16_t SwapWord(std::uint16_t v) { return static_cast<std::uint16_t>((v >> 8) | (v << 8)); }
inline std::uint32_t SwapDWord(std::uint32_t v) {
  return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}
// 2 to the power bitsPerSample x samples; 1 for no bits, saturating at the
// largest Int64 from 63 bits up.
Int64 ColorCount(int bitsPerSample, int samples);

// ---- powers ------------------------------------------------------------------

double IntPower(double base, int exponent);
double Power(double base, double exponent);

// ---- geometry (inclusive rectangles by two corners) ---------------------------

inline bool PointInRect(int x, int y, int x1, int y1, int x2, int y2) {
  return x >= x1 && x <= x2 && y >= y1 && y <= y2;
}
// A's corners may come in any order; touching edges intersect.
bool RectsIntersect(int ax1, int ay1, int ax2, int ay2, int bx1, int by1, int bx2, int by2);
// 2 when inner lies within outer, 1 when it straddles one corner region,
// 0 otherwise.
int ClassifyRectInRect(int ox1, int oy1, int ox2, int oy2, int ix1, int iy1, int ix2, int iy2);
// 1,000,000 stands for "far": beyond 45,000 pixels past an end, or when the
// arithmetic fails.
double DistanceToSegment(int px, int py, int x1, int y1, int x2, int y2);
// Moves (endX, endY) so the line from the fixed point is vertical,
// horizontal or diagonal.
void SnapLineEnd(int fixedX, int fixedY, int& endX, int& endY);
// Largest size of width x height that fits the box (at least 1 x 1); may
// enlarge. Nothing when width or height is 0.
void ScaleToFit(int width, int height, int boxWidth, int boxHeight, int& outWidth, int& outHeight);

// ---- files and platform -------------------------------------------------------

// Creates the folder and any missing parents; raises "Cannot Create
// Directory" for an empty path. True when the folder exists afterwards.
bool CreateFolderPath(const std::string& path);
// -1 when the file cannot be read.
Int64 GetFileSizeByName(const std::string& name);
bool IsWindows2000OrMe();
bool CpuHasMMX();
// Available physical memory in bytes (0 when it cannot be read).
Int64 GetAvailPhys();

// ---- text and colour ------------------------------------------------------------

// Parses a number with either decimal separator; def when it is none.
double TextToFloatTolerant(std::string_view text, double def);

// CIE L*a*b* under D65 as TIFF stores it: L* scaled to 0..255, a* and b*
// as signed bytes.
struct TCIELab {
  Byte L = 0;
  std::int8_t a = 0;
  std::int8_t b = 0;
  friend bool operator==(const TCIELab&, const TCIELab&) = default;
};
// Packed colour (red in bits 16..23) to Lab and back, through sRGB.
TCIELab RGBToLab(std::uint32_t color);
std::uint32_t LabToRGB(TCIELab lab);

// ---- blending and curves ----------------------------------------------------------

void BuildCosineTable();
// The interpolating blend of two 8-bit values.
inline int CosineBlend(Byte a, Byte b) {
  const int v = CosineTable[a] + CosineTable[b];
  return v < 255 ? v : 255;
}
// N points of the cubic Bezier curve P0..P3 at t = 1/N .. N/N, rounded.
std::vector<TPoint> BezierPoints(TPoint p0, TPoint p1, TPoint p2, TPoint p3, int n);
inline int ChooseInt(bool condition, int a, int b) { return condition ? a : b; }

// ---- view parameter records ------------------------------------------------------

struct TVQScrollBarParams {
  int LineStep = -1;  // -1 lets the view choose
  int PageStep = -1;
  bool Tracking = true;
};

struct TVQMouseWheelParams {
  bool Invert = false;
  int Action = 2;    // zoom
  int StepKind = 1;  // per cent
  int Step = 8;
  bool ZoomAtCursor = false;
};

// ---- module start and end -----------------------------------------------------------

// Fills the word table and the cosine table and resets the memory threshold;
// counted like VqzDefsStart.
void VqzUtilsStart();
void VqzUtilsEnd();
