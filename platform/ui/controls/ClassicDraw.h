// The classic look of the plain controls: 3-D frames, button faces, check
// box and radio glyphs, the size grip, progress chunks and embossed
// (disabled) text. Everything draws on a DC in logical coordinates through
// whole-rectangle GDI calls, in the system colours resolved at draw time.
// None of these calls changes the DC's selected objects or colours for
// longer than the call, so a TCanvas over the same DC stays in step.
#pragma once
#include <string>

#include "platform/gdi/GdiTypes.h"
#include "platform/graphics/Colors.h"
#include "platform/rtl/Types.h"

class TFont;

// The plain RGB of a colour (system colours resolved).
COLORREF ClassicRGB(TColor c);
void FillSolid(HDC dc, const TRect& r, TColor c);
// Every other pixel of r in `dots`, the rest in `gaps`, on a checkerboard
// fixed to the DC's brush origin, so separate one-pixel strips (a tree's
// lines) join into one dotted pattern.
void FillDotted(HDC dc, const TRect& r, TColor dots, TColor gaps);

// `width` one-pixel rings, top and left in topColor, bottom and right in
// bottomColor (which also takes the top-right and bottom-left corners);
// rect shrinks by width on every side.
void Frame3D(HDC dc, TRect& rect, TColor topColor, TColor bottomColor, int width);

// Push button faces.
using TButtonFaceState = unsigned;
constexpr TButtonFaceState bfsPushed = 1u << 0;
constexpr TButtonFaceState bfsDefault = 1u << 1;  // the form's Enter button: an extra dark ring
// Draws frame and face over all of r and returns the area for the caption,
// shifted one pixel right and down while pushed.
TRect DrawButtonFace(HDC dc, const TRect& r, TButtonFaceState state);
// The dotted focus rectangle inside a button face's caption area.
TRect ButtonFocusRect(const TRect& face);

enum TCheckGlyphState { cgsUnchecked, cgsChecked, cgsGrayed };
constexpr int CheckGlyphSize = 13;
constexpr int RadioGlyphSize = 12;
// Top-left at (x, y). `pushed` shows the face-coloured well of a pressed box.
void DrawCheckGlyph(HDC dc, int x, int y, TCheckGlyphState state, bool enabled, bool pushed = false);
void DrawRadioGlyph(HDC dc, int x, int y, bool checked, bool enabled, bool pushed = false);

// A solid arrow centred in r: rows 1, 3, 5... pixels wide from the tip, so
// it is symmetric at every size; its size follows the smaller useful side of
// r. A disabled arrow is embossed like disabled text.
enum TArrowDirection { adUp, adDown, adLeft, adRight };
void DrawClassicArrow(HDC dc, const TRect& r, TArrowDirection direction, bool enabled = true);
// The number of rows DrawClassicArrow draws in r.
int ClassicArrowRows(const TRect& r, TArrowDirection direction);

// The diagonal grooves of a size grip in the bottom-right square of r
// (SizeGripSize on a side, or less when r is smaller).
constexpr int SizeGripSize = 12;
void DrawSizeGrip(HDC dc, const TRect& r);

// Pixels of `length` that a position between min and max fills; clamps the
// position and answers 0 for an empty range.
int ProgressFillExtent(int min, int max, int position, int length);
// Chunk length along the bar for a bar `thickness` thick, and the gap after it.
int ProgressChunkLength(int thickness);
constexpr int ProgressChunkGap = 2;
// Fills inner with background, then the filled part with barColor: one block
// when smooth, else whole chunks (the last chunk may run past the exact
// fill, cut at the end of the bar). Vertical bars fill from the bottom.
void DrawProgressFill(HDC dc, const TRect& inner, int min, int max, int position, bool smooth, bool vertical,
                      TColor barColor = clHighlight, TColor background = clBtnFace);

// DrawText with the font and colour given, background left alone. A
// disabled text is embossed: clBtnHighlight one pixel right and down, then
// clBtnShadow in place. Returns DrawText's height; with DT_CALCRECT the rect
// is measured and nothing is drawn.
int DrawClassicText(HDC dc, TFont* font, TColor color, const std::string& text, TRect& rect, UINT flags,
                    bool enabled = true);

// Measuring before a window (and its DC) exists: DrawText with DT_CALCRECT
// in the font on a screen-compatible memory DC; the rect keeps its left and
// top. TextCellHeight is the height of one line of the font.
TRect MeasureClassicText(TFont* font, const std::string& text, TRect rect, UINT flags);
int TextCellHeight(TFont* font);
