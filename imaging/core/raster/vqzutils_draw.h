// The utilities that draw on or describe the framework's canvases and
// bitmaps: bevel frames and drop shadows of the image view, and the bit
// depth of a framework pixel format. Rectangles are inclusive corners.
#pragma once

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"

// 1, 4, 8, 15, 16, 24, 32 for the 1- to 32-bit formats; 0 for the device
// and custom formats.
int FrameworkPixelFormatBits(TPixelFormat format);

// Top and left edges in topLeftColor, bottom and right in bottomRightColor,
// with a solid pen in copy mode.
void DrawBevelRect(TCanvas& canvas, int x1, int y1, int x2, int y2, TColor topLeftColor, TColor bottomRightColor);
// A shadow down the right (or along the bottom) of a window: kind 1 fills
// with the canvas brush, 2 draws a fading ramp of lines, 3 a fading ramp
// with a soft diagonal end.
void DrawShadowRight(TCanvas& canvas, int x1, int y1, int x2, int y2, int kind);
void DrawShadowBottom(TCanvas& canvas, int x1, int y1, int x2, int y2, int kind);
