// Drawing and geometry routines shared by the themed controls: the parent's
// background behind a control, tiling, the nine-part and three-part bitmap
// painters, the flat two-colour window frame, turning bitmaps by 90 degrees.
//
// Transparent colours: the nine-part painter keys out magenta (0xFF00FF);
// the three-part painter keys out its picture's top-left pixel. Source
// rectangles are clipped to the picture and parts of no size are skipped,
// so any target size is safe.
#pragma once
#include <string>

#include "platform/graphics/Colors.h"
#include "platform/rtl/Types.h"

class TBitmap;
class TCanvas;
class TControl;
class TPicture;
class TWinControl;

constexpr TColor kzuNinePartKey = 0xFF00FF;

// Paints what the control's parent shows behind it into canvas, in the
// control's coordinates: the parent erases and paints itself (with its
// graphic children, never its windowed ones) into the canvas's DC.
void DrawParentBackground(TCanvas* canvas, TControl* control);
// Tiles the picture from the canvas origin over rect (one tile may overhang
// each axis).
void TilePicture(TCanvas* canvas, TPicture* picture, const TRect& rect);
// True on all four edges too.
bool PointInsideRect(const TPoint& p, const TRect& r);
bool PointInsideRect(int x, int y, const TRect& r);
void GetWorkArea(TRect& r);
// Left, then Top.
void SetControlPos(TControl* control, const TPoint& p);
// Left, Top, Width, Height in that order.
void SetFormBounds(TControl* form, const TRect& r);
// The picture scaled to rect by its nine parts: corners unscaled (clipped to
// half the target), edges and centre stretched. Corners key out magenta only
// when transparent is set; edges and centre always do.
void DrawNinePartBitmap(TBitmap* bitmap, TCanvas* canvas, const TRect& rect, bool transparent);
// A one-pixel frame in outer round the whole window and one in inner inside
// it, drawn on the window's own DC (non-client area included).
void DrawWindowFrame(TWinControl* control, TColor outer, TColor inner);
// The picture's three equal slices across rect: first and last unscaled,
// the middle one stretched between them.
void DrawThreePartBitmap(TBitmap* bitmap, TCanvas* canvas, const TRect& rect, bool transparent);
// Turns the bitmap in place, counter-clockwise and clockwise.
void RotateBitmapLeft(TBitmap* bitmap);
void RotateBitmapRight(TBitmap* bitmap);
std::string PCharToString(const char* text);
