// Text output and measuring on device contexts, with the GDI names and
// results. Strings are UTF-8; counts are in bytes, and a negative count means
// "up to the NUL" where the Windows call allows it (DrawText, DrawTextEx);
// elsewhere a negative count fails the call. Per-character arrays (ExtTextOut
// spacing, GetTextExtentExPoint results) have one entry per character, not per
// byte. The "A" and "W" forms are the same calls.
//
// Drawing follows the DC: selected font, text colour, background colour and
// mode (OPAQUE fills the text cell), text alignment (TA_LEFT/RIGHT/CENTER,
// TA_TOP/BOTTOM/BASELINE, TA_UPDATECP), character extra, viewport and clip.
// Advances are whole pixels, so what is measured is what is drawn.
#pragma once
#include "platform/gdi/GdiTypes.h"

struct TEXTMETRIC {
  LongInt tmHeight = 0;
  LongInt tmAscent = 0;
  LongInt tmDescent = 0;
  LongInt tmInternalLeading = 0;
  LongInt tmExternalLeading = 0;
  LongInt tmAveCharWidth = 0;
  LongInt tmMaxCharWidth = 0;
  LongInt tmWeight = 0;
  LongInt tmOverhang = 0;
  LongInt tmDigitizedAspectX = 96;
  LongInt tmDigitizedAspectY = 96;
  Word tmFirstChar = 0;  // characters as in the wide structure
  Word tmLastChar = 0;
  Word tmDefaultChar = 0;
  Word tmBreakChar = 0;
  Byte tmItalic = 0;
  Byte tmUnderlined = 0;
  Byte tmStruckOut = 0;
  Byte tmPitchAndFamily = 0;
  Byte tmCharSet = 0;
};
using TEXTMETRICA = TEXTMETRIC;
using TEXTMETRICW = TEXTMETRIC;

// TEXTMETRIC pitch-and-family bits. TMPF_FIXED_PITCH set means variable pitch.
constexpr Byte TMPF_FIXED_PITCH = 0x01;
constexpr Byte TMPF_VECTOR = 0x02;
constexpr Byte TMPF_DEVICE = 0x08;
constexpr Byte TMPF_TRUETYPE = 0x04;

struct DRAWTEXTPARAMS {
  UINT cbSize = sizeof(DRAWTEXTPARAMS);
  int iTabLength = 0;  // in average character widths; 0 = 8
  int iLeftMargin = 0;
  int iRightMargin = 0;
  UINT uiLengthDrawn = 0;  // out: bytes of text processed
};

BOOL TextOut(HDC dc, int x, int y, const char* text, int count);
// `rect` is filled with the background colour with ETO_OPAQUE and clips the
// text with ETO_CLIPPED; `dx` gives each character's advance (then the
// character extra does not apply).
BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* rect, const char* text, UINT count, const int* dx);

// Returns the text height (see TextLayout.h for every flag). DT_CALCRECT
// stores the needed rectangle in `rect` and draws nothing. With
// DT_MODIFYSTRING the mutable forms write the shown text back; the buffer
// must hold count + 4 bytes, as on Windows.
int DrawText(HDC dc, const char* text, int count, RECT* rect, UINT format);
int DrawText(HDC dc, char* text, int count, RECT* rect, UINT format);
int DrawTextEx(HDC dc, const char* text, int count, RECT* rect, UINT format, DRAWTEXTPARAMS* params);
int DrawTextEx(HDC dc, char* text, int count, RECT* rect, UINT format, DRAWTEXTPARAMS* params);

// Width includes the character extra; height is the font's cell height.
BOOL GetTextExtentPoint32(HDC dc, const char* text, int count, SIZE* size);
// `fit` receives how many characters fit in maxExtent (when not null) and
// `dx[i]` the extent of the first i + 1 characters (room for one entry per
// character).
BOOL GetTextExtentExPoint(HDC dc, const char* text, int count, int maxExtent, int* fit, int* dx, SIZE* size);
BOOL GetTextMetrics(HDC dc, TEXTMETRIC* tm);
// Advances of the characters first..last (inclusive) without character extra.
BOOL GetCharWidth32(HDC dc, UINT first, UINT last, int* widths);
// Copies the selected font's face name (NUL-terminated, never cutting a
// character) and returns the bytes copied including the NUL; with a null
// buffer returns the size needed.
int GetTextFace(HDC dc, int count, char* name);

inline BOOL TextOutA(HDC dc, int x, int y, const char* s, int n) { return TextOut(dc, x, y, s, n); }
inline BOOL TextOutW(HDC dc, int x, int y, const char* s, int n) { return TextOut(dc, x, y, s, n); }
inline BOOL ExtTextOutA(HDC dc, int x, int y, UINT o, const RECT* r, const char* s, UINT n, const int* dx) {
  return ExtTextOut(dc, x, y, o, r, s, n, dx);
}
inline BOOL ExtTextOutW(HDC dc, int x, int y, UINT o, const RECT* r, const char* s, UINT n, const int* dx) {
  return ExtTextOut(dc, x, y, o, r, s, n, dx);
}
inline int DrawTextA(HDC dc, const char* s, int n, RECT* r, UINT f) { return DrawText(dc, s, n, r, f); }
inline int DrawTextA(HDC dc, char* s, int n, RECT* r, UINT f) { return DrawText(dc, s, n, r, f); }
inline int DrawTextW(HDC dc, const char* s, int n, RECT* r, UINT f) { return DrawText(dc, s, n, r, f); }
inline int DrawTextW(HDC dc, char* s, int n, RECT* r, UINT f) { return DrawText(dc, s, n, r, f); }
inline BOOL GetTextExtentPoint32A(HDC dc, const char* s, int n, SIZE* sz) { return GetTextExtentPoint32(dc, s, n, sz); }
inline BOOL GetTextExtentPoint32W(HDC dc, const char* s, int n, SIZE* sz) { return GetTextExtentPoint32(dc, s, n, sz); }
inline BOOL GetTextExtentPoint(HDC dc, const char* s, int n, SIZE* sz) { return GetTextExtentPoint32(dc, s, n, sz); }
inline BOOL GetTextMetricsA(HDC dc, TEXTMETRIC* tm) { return GetTextMetrics(dc, tm); }
inline BOOL GetTextMetricsW(HDC dc, TEXTMETRIC* tm) { return GetTextMetrics(dc, tm); }
