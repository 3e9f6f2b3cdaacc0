// The screen's font families as EnumFontFamiliesEx reports them, read from
// fontconfig once and cached. Each family carries its type bits, one charset,
// its pitch and, for bitmap families, the sizes it comes in.
//
// How fontconfig's facts map onto the Windows classes:
//   scalable outline in TrueType or CFF format  -> TRUETYPE_FONTTYPE
//   not scalable (PCF, BDF, bitmap-only sfnt)    -> RASTER_FONTTYPE, sizes from
//                                                   pixelsize (the em height,
//                                                   i.e. cell height minus
//                                                   internal leading)
//   any other scalable format (Type 1...)        -> no type bit: scalable, but
//                                                   not TrueType
//   DEVICE_FONTTYPE                              -> never: the screen has no
//                                                   device fonts
//   symbol charmap, or no Latin letters at all   -> SYMBOL_CHARSET
//   every Latin-1 letter covered                 -> ANSI_CHARSET
//   Latin letters, but not all of Latin-1        -> DEFAULT_CHARSET
//   OEM_CHARSET                                  -> never
//   spacing mono (100) or charcell (110)         -> fixed pitch
// There are no vector (stroke) fonts.
//
// A family is named by its first fontconfig family name, as TScreen::Fonts
// names it. When its files disagree, the family is TrueType if one of them
// is, raster only if none is scalable, fixed pitch only if all are, and its
// charset is the widest any of them gives (ANSI over DEFAULT over SYMBOL).
#pragma once
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "platform/gdi/GdiTypes.h"
#include "platform/gdi/Text.h"

// EnumFontFamiliesEx FontType bits.
constexpr DWORD RASTER_FONTTYPE = 0x0001;
constexpr DWORD DEVICE_FONTTYPE = 0x0002;
constexpr DWORD TRUETYPE_FONTTYPE = 0x0004;

// NEWTEXTMETRIC ntmFlags.
constexpr DWORD NTM_ITALIC = 0x00000001;
constexpr DWORD NTM_BOLD = 0x00000020;
constexpr DWORD NTM_REGULAR = 0x00000040;

constexpr int LF_FULLFACESIZE = 64;

struct ENUMLOGFONTEX {
  LOGFONT elfLogFont;
  char elfFullName[LF_FULLFACESIZE * 3] = {};  // UTF-8, as lfFaceName
  char elfStyle[LF_FACEBYTES] = {};
  char elfScript[LF_FACEBYTES] = {};
};
using ENUMLOGFONTEXA = ENUMLOGFONTEX;
using ENUMLOGFONTEXW = ENUMLOGFONTEX;

struct NEWTEXTMETRIC {
  TEXTMETRIC tm;  // first, so a NEWTEXTMETRIC* reads as a TEXTMETRIC*
  DWORD ntmFlags = 0;
  UINT ntmSizeEM = 0;
  UINT ntmCellHeight = 0;
  UINT ntmAvgWidth = 0;
};

struct FONTSIGNATURE {
  DWORD fsUsb[4] = {};
  DWORD fsCsb[2] = {};
};

struct NEWTEXTMETRICEX {
  NEWTEXTMETRIC ntmTm;
  FONTSIGNATURE ntmFontSig;
};

// Called once per family (and charset); return 0 to stop. The LOGFONT is the
// first member of an ENUMLOGFONTEX and the TEXTMETRIC of a NEWTEXTMETRICEX.
using FONTENUMPROC = int (*)(const LOGFONT* lf, const TEXTMETRIC* tm, DWORD fontType, LPARAM data);

// What a family is, in the enumeration's terms.
struct FontFamilyInfo {
  std::string name;
  DWORD fontType = 0;  // RASTER_FONTTYPE, TRUETYPE_FONTTYPE or 0
  Byte charSet = ANSI_CHARSET;
  bool fixedPitch = false;
  // Raster families only: em heights in pixels (cell height minus internal
  // leading), ascending and distinct. Empty for scalable families.
  std::vector<int> sizes;

  bool Raster() const { return fontType & RASTER_FONTTYPE; }
  bool TrueType() const { return fontType & TRUETYPE_FONTTYPE; }
  bool Scalable() const { return !Raster(); }
  bool operator==(const FontFamilyInfo&) const = default;
};

// What the enumeration learns about one font file (one face) from fontconfig.
struct FontFaceFacts {
  std::string family;
  std::string format;  // fontconfig's fontformat: "TrueType", "CFF", "Type 1", "PCF", "BDF"...
  bool scalable = true;
  bool outline = true;
  int spacing = 0;  // fontconfig's spacing: 0 proportional, 90 dual, 100 mono, 110 charcell
  std::vector<double> pixelSizes;  // bitmap faces: each strike's em height in pixels
  bool symbolCharmap = false;
  bool latinLetters = false;   // some of A-Z, a-z
  bool latin1Letters = false;  // every letter of A-Z, a-z and U+00C0..U+00FF
};

// Fills the two letter facts from a coverage test. Pure.
void SetLetterCoverage(FontFaceFacts& facts, const std::function<bool(char32_t)>& has);

// Groups faces into families (names compared ignoring ASCII case, the first
// spelling kept) and classifies each by the rules above; the result is sorted
// by name ignoring case. Pure: it reads nothing but its argument.
std::vector<FontFamilyInfo> ClassifyFontFamilies(std::span<const FontFaceFacts> faces);

// The families on the screen, read on first use and cached. Thread-safe.
std::vector<FontFamilyInfo> ScreenFontFamilies();
// Changes each time RefreshFontFamilies finds a changed list, so a copy of
// the list knows when it is stale.
int ScreenFontFamiliesVersion();
// The screen family with this name (ignoring case); false when none.
bool FindScreenFontFamily(const std::string& name, FontFamilyInfo* info);
// The Windows faces the text engine stands in for, as families a program
// can ask for by name: each is listed while its stand-in is installed and
// no family of its own name is, with the stand-in's type and pitch and its
// own charset. Sorted by name ignoring case.
std::vector<FontFamilyInfo> WindowsFaceFamilies();
// What programs are shown (EnumFontFamiliesEx, Screen->Fonts, the font
// dialog): the screen families and the Windows faces, sorted by name.
std::vector<FontFamilyInfo> ListedFontFamilies();
// Re-reads the installed fonts (fontconfig rescans its folders first). True
// when the list changed; then the font-list-changed handlers run, on the
// calling thread, after the lock is released.
bool RefreshFontFamilies();

// A WM_FONTCHANGE stand-in: handlers run when RefreshFontFamilies finds a
// changed list. The id removes the handler again.
int AddFontListChangedHandler(std::function<void()> handler);
void RemoveFontListChangedHandler(int id);

// Font files for this process only (AddFontResourceEx with FR_PRIVATE; fl 0
// is taken the same way, as nothing is installed for other programs). Adding
// returns the number of faces the file brought, 0 for no font file; adding
// and removing refresh the family list, so the font-list-changed handlers
// run. Removing fails for a file that was not added.
constexpr DWORD FR_PRIVATE = 0x10;
int AddFontResourceEx(const char* path, DWORD fl, void* reserved);
BOOL RemoveFontResourceEx(const char* path, DWORD fl, void* reserved);

// Enumerates the screen's families in the regular style. lf->lfCharSet
// DEFAULT_CHARSET takes every charset, another value only families of that
// charset; an empty lfFaceName reports each family once, a name only that
// family, and a raster family named so once per size. The DC is not
// consulted: every DC shows the screen's fonts.
// Scalable families are measured at a 16-pixel (12-point) em, with the
// NEWTEXTMETRIC sizes in pixels at that em. Raster families are not opened:
// the TEXTMETRIC holds the size as tmHeight and tmAscent, with no internal
// leading, as their split is unknown.
// Returns the last callback result; 1 when nothing matched (so "0 means a
// callback stopped it" holds); 0 for a null lf or proc or dwFlags other
// than 0.
int EnumFontFamiliesEx(HDC dc, const LOGFONT* lf, FONTENUMPROC proc, LPARAM data, DWORD flags);
// The older form, over every charset: a null or empty family reports every
// family once, a name as above.
int EnumFontFamilies(HDC dc, const char* family, FONTENUMPROC proc, LPARAM data);
inline int EnumFontFamiliesExA(HDC dc, const LOGFONT* lf, FONTENUMPROC proc, LPARAM data, DWORD flags) {
  return EnumFontFamiliesEx(dc, lf, proc, data, flags);
}
inline int EnumFontFamiliesExW(HDC dc, const LOGFONT* lf, FONTENUMPROC proc, LPARAM data, DWORD flags) {
  return EnumFontFamiliesEx(dc, lf, proc, data, flags);
}
