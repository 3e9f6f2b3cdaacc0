// Value types, handle types and constants of the drawing layer. Names and
// numeric values follow the Windows GDI so code written against it reads the
// same; every declaration here is our own.
#pragma once
#include <cstdint>

#include "platform/rtl/Types.h"

// BOOL results; rtl's Types.h does not name them.
#ifndef LUMIQA_BOOL_CONSTANTS
#define LUMIQA_BOOL_CONSTANTS
constexpr BOOL FALSE = 0;
constexpr BOOL TRUE = 1;
#endif

// ---- Colours -------------------------------------------------------------
using COLORREF = DWORD;  // 0x00BBGGRR
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

constexpr COLORREF RGB(int r, int g, int b) {
  return COLORREF(Byte(r)) | (COLORREF(Byte(g)) << 8) | (COLORREF(Byte(b)) << 16);
}
constexpr Byte GetRValue(COLORREF c) { return Byte(c); }
constexpr Byte GetGValue(COLORREF c) { return Byte(c >> 8); }
constexpr Byte GetBValue(COLORREF c) { return Byte(c >> 16); }
constexpr COLORREF PALETTEINDEX(Word i) { return 0x01000000u | i; }
constexpr COLORREF PALETTERGB(int r, int g, int b) { return 0x02000000u | RGB(r, g, b); }

// ---- Handles -----------------------------------------------------------------
// Handles are generation-checked table entries, not addresses: a handle kept
// after its object went never names the next object made at the same place.
// The types are empty tags so a pen converts to a generic object handle, a
// generic handle casts back, and nothing else mixes with them.
struct GdiObject;
struct GdiPen;
struct GdiBrush;
struct GdiFont;
struct GdiBitmap;
struct GdiRegion;
struct GdiPalette;
struct GdiIcon;
struct DeviceContext;

struct HGDIOBJ__ {};
struct HPEN__ : HGDIOBJ__ {};
struct HBRUSH__ : HGDIOBJ__ {};
struct HFONT__ : HGDIOBJ__ {};
struct HBITMAP__ : HGDIOBJ__ {};
struct HRGN__ : HGDIOBJ__ {};
struct HPALETTE__ : HGDIOBJ__ {};
struct HDC__ {};
using HGDIOBJ = HGDIOBJ__*;
using HPEN = HPEN__*;
using HBRUSH = HBRUSH__*;
using HFONT = HFONT__*;
using HBITMAP = HBITMAP__*;
using HRGN = HRGN__*;
using HPALETTE = HPALETTE__*;
using HDC = HDC__*;
// SelectObject's failure for a region (its successes are region results).
inline HGDIOBJ const HGDI_ERROR = reinterpret_cast<HGDIOBJ>(~std::uintptr_t(0));
// Icons and cursors are one kind of object, as in USER. Their handles are
// generation-checked table entries, not addresses, so the type is opaque.
struct HICON__;
using HGDIICON = HICON__*;

// ---- Object types (GetObjectType) -----------------------------------------
constexpr DWORD OBJ_PEN = 1;
constexpr DWORD OBJ_BRUSH = 2;
constexpr DWORD OBJ_DC = 3;
constexpr DWORD OBJ_PAL = 5;
constexpr DWORD OBJ_FONT = 6;
constexpr DWORD OBJ_BITMAP = 7;
constexpr DWORD OBJ_REGION = 8;
constexpr DWORD OBJ_MEMDC = 10;
constexpr DWORD OBJ_EXTPEN = 11;

// ---- Stock objects ----------------------------------------------------------
constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int HOLLOW_BRUSH = NULL_BRUSH;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
constexpr int OEM_FIXED_FONT = 10;
constexpr int ANSI_FIXED_FONT = 11;
constexpr int ANSI_VAR_FONT = 12;
constexpr int SYSTEM_FONT = 13;
constexpr int DEVICE_DEFAULT_FONT = 14;
constexpr int DEFAULT_PALETTE = 15;
constexpr int SYSTEM_FIXED_FONT = 16;
constexpr int DEFAULT_GUI_FONT = 17;
constexpr int DC_BRUSH = 18;
constexpr int DC_PEN = 19;

// ---- Pens -----------------------------------------------------------------
constexpr int PS_SOLID = 0;
constexpr int PS_DASH = 1;
constexpr int PS_DOT = 2;
constexpr int PS_DASHDOT = 3;
constexpr int PS_DASHDOTDOT = 4;
constexpr int PS_NULL = 5;
constexpr int PS_INSIDEFRAME = 6;
constexpr int PS_USERSTYLE = 7;
constexpr int PS_ALTERNATE = 8;
constexpr int PS_STYLE_MASK = 0x0000000F;
constexpr int PS_ENDCAP_ROUND = 0x00000000;
constexpr int PS_ENDCAP_SQUARE = 0x00000100;
constexpr int PS_ENDCAP_FLAT = 0x00000200;
constexpr int PS_ENDCAP_MASK = 0x00000F00;
constexpr int PS_JOIN_ROUND = 0x00000000;
constexpr int PS_JOIN_BEVEL = 0x00001000;
constexpr int PS_JOIN_MITER = 0x00002000;
constexpr int PS_JOIN_MASK = 0x0000F000;
constexpr int PS_COSMETIC = 0x00000000;
constexpr int PS_GEOMETRIC = 0x00010000;
constexpr int PS_TYPE_MASK = 0x000F0000;

struct LOGPEN {
  UINT lopnStyle = PS_SOLID;
  POINT lopnWidth{};  // only X is used
  COLORREF lopnColor = 0;
};

// ---- Brushes ----------------------------------------------------------------
constexpr UINT BS_SOLID = 0;
constexpr UINT BS_NULL = 1;
constexpr UINT BS_HOLLOW = BS_NULL;
constexpr UINT BS_HATCHED = 2;
constexpr UINT BS_PATTERN = 3;
constexpr UINT BS_DIBPATTERN = 5;
constexpr UINT BS_DIBPATTERNPT = 6;
constexpr UINT BS_PATTERN8X8 = 7;

constexpr int HS_HORIZONTAL = 0;  // -----
constexpr int HS_VERTICAL = 1;    // |||||
constexpr int HS_FDIAGONAL = 2;   // \\\\\ (top-left to bottom-right)
constexpr int HS_BDIAGONAL = 3;   // ///// (bottom-left to top-right)
constexpr int HS_CROSS = 4;       // +++++
constexpr int HS_DIAGCROSS = 5;   // xxxxx

struct LOGBRUSH {
  UINT lbStyle = BS_SOLID;
  COLORREF lbColor = 0;
  uintptr_t lbHatch = 0;  // hatch style, or the HBITMAP of a pattern brush
};

// ---- Fonts ------------------------------------------------------------------
constexpr int LF_FACESIZE = 32;
// Face names are UTF-8; room for LF_FACESIZE characters of up to three bytes.
constexpr int LF_FACEBYTES = LF_FACESIZE * 3;

struct LOGFONT {
  LongInt lfHeight = 0;
  LongInt lfWidth = 0;
  LongInt lfEscapement = 0;
  LongInt lfOrientation = 0;
  LongInt lfWeight = 0;
  Byte lfItalic = 0;
  Byte lfUnderline = 0;
  Byte lfStrikeOut = 0;
  Byte lfCharSet = 0;
  Byte lfOutPrecision = 0;
  Byte lfClipPrecision = 0;
  Byte lfQuality = 0;
  Byte lfPitchAndFamily = 0;
  char lfFaceName[LF_FACEBYTES] = {};
};
using LOGFONTA = LOGFONT;
using LOGFONTW = LOGFONT;

constexpr int FW_DONTCARE = 0;
constexpr int FW_THIN = 100;
constexpr int FW_EXTRALIGHT = 200;
constexpr int FW_LIGHT = 300;
constexpr int FW_NORMAL = 400;
constexpr int FW_REGULAR = 400;
constexpr int FW_MEDIUM = 500;
constexpr int FW_SEMIBOLD = 600;
constexpr int FW_BOLD = 700;
constexpr int FW_EXTRABOLD = 800;
constexpr int FW_HEAVY = 900;

constexpr Byte ANSI_CHARSET = 0;
constexpr Byte DEFAULT_CHARSET = 1;
constexpr Byte SYMBOL_CHARSET = 2;
constexpr Byte SHIFTJIS_CHARSET = 128;
constexpr Byte HANGEUL_CHARSET = 129;
constexpr Byte GB2312_CHARSET = 134;
constexpr Byte CHINESEBIG5_CHARSET = 136;
constexpr Byte OEM_CHARSET = 255;
constexpr Byte EASTEUROPE_CHARSET = 238;
constexpr Byte RUSSIAN_CHARSET = 204;
constexpr Byte GREEK_CHARSET = 161;
constexpr Byte TURKISH_CHARSET = 162;
constexpr Byte VIETNAMESE_CHARSET = 163;
constexpr Byte HEBREW_CHARSET = 177;
constexpr Byte ARABIC_CHARSET = 178;
constexpr Byte BALTIC_CHARSET = 186;
constexpr Byte THAI_CHARSET = 222;

constexpr Byte OUT_DEFAULT_PRECIS = 0;
constexpr Byte OUT_TT_PRECIS = 4;
constexpr Byte OUT_TT_ONLY_PRECIS = 7;
constexpr Byte CLIP_DEFAULT_PRECIS = 0;

constexpr Byte DEFAULT_QUALITY = 0;
constexpr Byte DRAFT_QUALITY = 1;
constexpr Byte PROOF_QUALITY = 2;
constexpr Byte NONANTIALIASED_QUALITY = 3;
constexpr Byte ANTIALIASED_QUALITY = 4;
constexpr Byte CLEARTYPE_QUALITY = 5;

constexpr Byte DEFAULT_PITCH = 0;
constexpr Byte FIXED_PITCH = 1;
constexpr Byte VARIABLE_PITCH = 2;
constexpr Byte FF_DONTCARE = 0x00;
constexpr Byte FF_ROMAN = 0x10;
constexpr Byte FF_SWISS = 0x20;
constexpr Byte FF_MODERN = 0x30;
constexpr Byte FF_SCRIPT = 0x40;
constexpr Byte FF_DECORATIVE = 0x50;

// ---- Background mode, mapping ---------------------------------------------
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// ---- ROP2 -----------------------------------------------------------------
constexpr int R2_BLACK = 1;
constexpr int R2_NOTMERGEPEN = 2;
constexpr int R2_MASKNOTPEN = 3;
constexpr int R2_NOTCOPYPEN = 4;
constexpr int R2_MASKPENNOT = 5;
constexpr int R2_NOT = 6;
constexpr int R2_XORPEN = 7;
constexpr int R2_NOTMASKPEN = 8;
constexpr int R2_MASKPEN = 9;
constexpr int R2_NOTXORPEN = 10;
constexpr int R2_NOP = 11;
constexpr int R2_MERGENOTPEN = 12;
constexpr int R2_COPYPEN = 13;
constexpr int R2_MERGEPENNOT = 14;
constexpr int R2_MERGEPEN = 15;
constexpr int R2_WHITE = 16;

// ---- Ternary raster operations -----------------------------------------------
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD SRCPAINT = 0x00EE0086;
constexpr DWORD SRCAND = 0x008800C6;
constexpr DWORD SRCINVERT = 0x00660046;
constexpr DWORD SRCERASE = 0x00440328;
constexpr DWORD NOTSRCCOPY = 0x00330008;
constexpr DWORD NOTSRCERASE = 0x001100A6;
constexpr DWORD MERGECOPY = 0x00C000CA;
constexpr DWORD MERGEPAINT = 0x00BB0226;
constexpr DWORD PATCOPY = 0x00F00021;
constexpr DWORD PATPAINT = 0x00FB0A09;
constexpr DWORD PATINVERT = 0x005A0049;
constexpr DWORD DSTINVERT = 0x00550009;
constexpr DWORD BLACKNESS = 0x00000042;
constexpr DWORD WHITENESS = 0x00FF0062;
constexpr DWORD NOMIRRORBITMAP = 0x80000000;
constexpr DWORD CAPTUREBLT = 0x40000000;
// Raster-operation code of MaskBlt: foreground ROP in the low 24 bits' third
// byte, background ROP in the high byte.
constexpr DWORD MAKEROP4(DWORD fore, DWORD back) { return ((back << 8) & 0xFF000000u) | fore; }

// ---- Stretch modes --------------------------------------------------------
constexpr int BLACKONWHITE = 1;
constexpr int WHITEONBLACK = 2;
constexpr int COLORONCOLOR = 3;
constexpr int HALFTONE = 4;
constexpr int STRETCH_ANDSCANS = BLACKONWHITE;
constexpr int STRETCH_ORSCANS = WHITEONBLACK;
constexpr int STRETCH_DELETESCANS = COLORONCOLOR;
constexpr int STRETCH_HALFTONE = HALFTONE;

// ---- Polygon fill mode, arc direction -------------------------------------
constexpr int ALTERNATE = 1;
constexpr int WINDING = 2;
constexpr int AD_COUNTERCLOCKWISE = 1;
constexpr int AD_CLOCKWISE = 2;

// ---- Flood fill -------------------------------------------------------------
constexpr UINT FLOODFILLBORDER = 0;
constexpr UINT FLOODFILLSURFACE = 1;

// ---- Bitmaps and DIBs -----------------------------------------------------
struct BITMAP {
  LongInt bmType = 0;
  LongInt bmWidth = 0;
  LongInt bmHeight = 0;
  LongInt bmWidthBytes = 0;
  Word bmPlanes = 1;
  Word bmBitsPixel = 0;
  void* bmBits = nullptr;
};

struct RGBQUAD {
  Byte rgbBlue = 0;
  Byte rgbGreen = 0;
  Byte rgbRed = 0;
  Byte rgbReserved = 0;
  friend bool operator==(const RGBQUAD&, const RGBQUAD&) = default;
};

constexpr DWORD BI_RGB = 0;
constexpr DWORD BI_RLE8 = 1;
constexpr DWORD BI_RLE4 = 2;
constexpr DWORD BI_BITFIELDS = 3;
constexpr DWORD BI_JPEG = 4;
constexpr DWORD BI_PNG = 5;

// Plain field layout of the 40-byte header; file readers fill it field by
// field, never by copying bytes over it.
struct BITMAPINFOHEADER {
  DWORD biSize = 40;
  LongInt biWidth = 0;
  LongInt biHeight = 0;  // positive: bottom-up rows; negative: top-down
  Word biPlanes = 1;
  Word biBitCount = 0;
  DWORD biCompression = BI_RGB;
  DWORD biSizeImage = 0;
  LongInt biXPelsPerMeter = 0;
  LongInt biYPelsPerMeter = 0;
  DWORD biClrUsed = 0;
  DWORD biClrImportant = 0;
};

// Header plus colour table. With BI_BITFIELDS the first three entries hold
// the red, green and blue masks (read them with DibMasks in Gdi.h).
// Room for a full 256-entry table so callers can declare one on the stack.
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[256] = {};
};

struct BITMAPFILEHEADER {
  Word bfType = 0x4D42;  // "BM"
  DWORD bfSize = 0;
  Word bfReserved1 = 0;
  Word bfReserved2 = 0;
  DWORD bfOffBits = 0;
};

struct DIBSECTION {
  BITMAP dsBm;
  BITMAPINFOHEADER dsBmih;
  DWORD dsBitfields[3] = {};
  void* dshSection = nullptr;
  DWORD dsOffset = 0;
};

constexpr UINT DIB_RGB_COLORS = 0;
constexpr UINT DIB_PAL_COLORS = 1;
constexpr DWORD CBM_INIT = 4;

// ---- Gradients and alpha ---------------------------------------------------
using COLOR16 = Word;
struct TRIVERTEX {
  LongInt x = 0;
  LongInt y = 0;
  COLOR16 Red = 0;  // 8.8: the high byte is the channel value
  COLOR16 Green = 0;
  COLOR16 Blue = 0;
  COLOR16 Alpha = 0;
};
struct GRADIENT_RECT {
  DWORD UpperLeft = 0;
  DWORD LowerRight = 0;
};
struct GRADIENT_TRIANGLE {
  DWORD Vertex1 = 0;
  DWORD Vertex2 = 0;
  DWORD Vertex3 = 0;
};
constexpr DWORD GRADIENT_FILL_RECT_H = 0;
constexpr DWORD GRADIENT_FILL_RECT_V = 1;
constexpr DWORD GRADIENT_FILL_TRIANGLE = 2;

struct BLENDFUNCTION {
  Byte BlendOp = 0;
  Byte BlendFlags = 0;
  Byte SourceConstantAlpha = 255;
  Byte AlphaFormat = 0;
};
constexpr Byte AC_SRC_OVER = 0x00;
constexpr Byte AC_SRC_ALPHA = 0x01;

// ---- Palettes ---------------------------------------------------------------
struct PALETTEENTRY {
  Byte peRed = 0;
  Byte peGreen = 0;
  Byte peBlue = 0;
  Byte peFlags = 0;
  friend bool operator==(const PALETTEENTRY&, const PALETTEENTRY&) = default;
};
struct LOGPALETTE {
  Word palVersion = 0x300;
  Word palNumEntries = 0;
  PALETTEENTRY palPalEntry[256] = {};
};
constexpr Byte PC_RESERVED = 0x01;
constexpr Byte PC_EXPLICIT = 0x02;
constexpr Byte PC_NOCOLLAPSE = 0x04;

// ---- Regions --------------------------------------------------------------
constexpr int RGN_AND = 1;
constexpr int RGN_OR = 2;
constexpr int RGN_XOR = 3;
constexpr int RGN_DIFF = 4;
constexpr int RGN_COPY = 5;

constexpr int ERROR = 0;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int COMPLEXREGION = 3;
constexpr int RGN_ERROR = ERROR;

constexpr DWORD RDH_RECTANGLES = 1;
struct RGNDATAHEADER {
  DWORD dwSize = 32;
  DWORD iType = RDH_RECTANGLES;
  DWORD nCount = 0;
  DWORD nRgnSize = 0;
  RECT rcBound{};
};
// Header followed by nCount RECTs in y-x banded order. Buffer sizes are
// sizeof(RGNDATAHEADER) + nCount * sizeof(RECT).
struct RGNDATA {
  RGNDATAHEADER rdh;
  RECT Buffer[1];
};

// ---- DrawEdge ----------------------------------------------------------------
constexpr UINT BDR_RAISEDOUTER = 0x0001;
constexpr UINT BDR_SUNKENOUTER = 0x0002;
constexpr UINT BDR_RAISEDINNER = 0x0004;
constexpr UINT BDR_SUNKENINNER = 0x0008;
constexpr UINT BDR_OUTER = BDR_RAISEDOUTER | BDR_SUNKENOUTER;
constexpr UINT BDR_INNER = BDR_RAISEDINNER | BDR_SUNKENINNER;
constexpr UINT BDR_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr UINT BDR_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr UINT EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr UINT EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr UINT EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
constexpr UINT EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;

constexpr UINT BF_LEFT = 0x0001;
constexpr UINT BF_TOP = 0x0002;
constexpr UINT BF_RIGHT = 0x0004;
constexpr UINT BF_BOTTOM = 0x0008;
constexpr UINT BF_TOPLEFT = BF_TOP | BF_LEFT;
constexpr UINT BF_TOPRIGHT = BF_TOP | BF_RIGHT;
constexpr UINT BF_BOTTOMLEFT = BF_BOTTOM | BF_LEFT;
constexpr UINT BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT;
constexpr UINT BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
constexpr UINT BF_DIAGONAL = 0x0010;
constexpr UINT BF_DIAGONAL_ENDTOPRIGHT = BF_DIAGONAL | BF_TOP | BF_RIGHT;
constexpr UINT BF_DIAGONAL_ENDTOPLEFT = BF_DIAGONAL | BF_TOP | BF_LEFT;
constexpr UINT BF_DIAGONAL_ENDBOTTOMLEFT = BF_DIAGONAL | BF_BOTTOM | BF_LEFT;
constexpr UINT BF_DIAGONAL_ENDBOTTOMRIGHT = BF_DIAGONAL | BF_BOTTOM | BF_RIGHT;
constexpr UINT BF_MIDDLE = 0x0800;
constexpr UINT BF_SOFT = 0x1000;
constexpr UINT BF_ADJUST = 0x2000;
constexpr UINT BF_FLAT = 0x4000;
constexpr UINT BF_MONO = 0x8000;

// ---- Text -------------------------------------------------------------------
constexpr UINT TA_NOUPDATECP = 0;
constexpr UINT TA_UPDATECP = 1;
constexpr UINT TA_LEFT = 0;
constexpr UINT TA_RIGHT = 2;
constexpr UINT TA_CENTER = 6;
constexpr UINT TA_TOP = 0;
constexpr UINT TA_BOTTOM = 8;
constexpr UINT TA_BASELINE = 24;
constexpr UINT TA_RTLREADING = 256;

constexpr UINT DT_TOP = 0x00000000;
constexpr UINT DT_LEFT = 0x00000000;
constexpr UINT DT_CENTER = 0x00000001;
constexpr UINT DT_RIGHT = 0x00000002;
constexpr UINT DT_VCENTER = 0x00000004;
constexpr UINT DT_BOTTOM = 0x00000008;
constexpr UINT DT_WORDBREAK = 0x00000010;
constexpr UINT DT_SINGLELINE = 0x00000020;
constexpr UINT DT_EXPANDTABS = 0x00000040;
constexpr UINT DT_TABSTOP = 0x00000080;
constexpr UINT DT_NOCLIP = 0x00000100;
constexpr UINT DT_EXTERNALLEADING = 0x00000200;
constexpr UINT DT_CALCRECT = 0x00000400;
constexpr UINT DT_NOPREFIX = 0x00000800;
constexpr UINT DT_INTERNAL = 0x00001000;
constexpr UINT DT_EDITCONTROL = 0x00002000;
constexpr UINT DT_PATH_ELLIPSIS = 0x00004000;
constexpr UINT DT_END_ELLIPSIS = 0x00008000;
constexpr UINT DT_MODIFYSTRING = 0x00010000;
constexpr UINT DT_RTLREADING = 0x00020000;
constexpr UINT DT_WORD_ELLIPSIS = 0x00040000;
constexpr UINT DT_NOFULLWIDTHCHARBREAK = 0x00080000;
constexpr UINT DT_HIDEPREFIX = 0x00100000;
constexpr UINT DT_PREFIXONLY = 0x00200000;

constexpr UINT ETO_OPAQUE = 0x0002;
constexpr UINT ETO_CLIPPED = 0x0004;
constexpr UINT ETO_GLYPH_INDEX = 0x0010;
constexpr UINT ETO_RTLREADING = 0x0080;
constexpr UINT ETO_IGNORELANGUAGE = 0x1000;
constexpr UINT ETO_PDY = 0x2000;

// ---- Icons ----------------------------------------------------------------
struct ICONINFO {
  BOOL fIcon = TRUE;  // FALSE: a cursor with the hot spot below
  DWORD xHotspot = 0;
  DWORD yHotspot = 0;
  HBITMAP hbmMask = nullptr;   // AND mask; twice as high (AND, then XOR) without a colour bitmap
  HBITMAP hbmColor = nullptr;  // XOR image, or 32 bits with alpha; nullptr: monochrome
};
constexpr UINT DI_MASK = 0x0001;
constexpr UINT DI_IMAGE = 0x0002;
constexpr UINT DI_NORMAL = 0x0003;
constexpr UINT DI_COMPAT = 0x0004;
constexpr UINT DI_DEFAULTSIZE = 0x0008;
constexpr UINT DI_NOMIRROR = 0x0010;

// ---- World transforms (ExtCreateRegion) -------------------------------------
struct XFORM {
  float eM11 = 1, eM12 = 0, eM21 = 0, eM22 = 1;
  float eDx = 0, eDy = 0;
};

// ---- Clip-region results, misc ---------------------------------------------
constexpr int GDI_ERROR = -1;
constexpr UINT CLR_NONE = 0xFFFFFFFF;

// ---- System colour indexes used by drawing helpers -------------------------
constexpr int COLOR_SCROLLBAR = 0;
constexpr int COLOR_BACKGROUND = 1;
constexpr int COLOR_ACTIVECAPTION = 2;
constexpr int COLOR_INACTIVECAPTION = 3;
constexpr int COLOR_MENU = 4;
constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWFRAME = 6;
constexpr int COLOR_MENUTEXT = 7;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_CAPTIONTEXT = 9;
constexpr int COLOR_ACTIVEBORDER = 10;
constexpr int COLOR_INACTIVEBORDER = 11;
constexpr int COLOR_APPWORKSPACE = 12;
constexpr int COLOR_HIGHLIGHT = 13;
constexpr int COLOR_HIGHLIGHTTEXT = 14;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_BTNSHADOW = 16;
constexpr int COLOR_GRAYTEXT = 17;
constexpr int COLOR_BTNTEXT = 18;
constexpr int COLOR_INACTIVECAPTIONTEXT = 19;
constexpr int COLOR_BTNHIGHLIGHT = 20;
constexpr int COLOR_3DDKSHADOW = 21;
constexpr int COLOR_3DLIGHT = 22;
constexpr int COLOR_INFOTEXT = 23;
constexpr int COLOR_INFOBK = 24;
constexpr int COLOR_3DFACE = COLOR_BTNFACE;
constexpr int COLOR_3DSHADOW = COLOR_BTNSHADOW;
constexpr int COLOR_3DHIGHLIGHT = COLOR_BTNHIGHLIGHT;
constexpr int COLOR_3DHILIGHT = COLOR_BTNHIGHLIGHT;
