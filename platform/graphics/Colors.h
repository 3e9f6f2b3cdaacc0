// TColor: 0x00BBGGRR, or a system colour when the high byte is set (the
// framework uses 0xFF0000ii; older code used 0x800000ii, both resolve the
// same way), plus the special values clNone and clDefault.
#pragma once
#include <cstdint>
#include <string>

#include "platform/gdi/GdiTypes.h"  // COLORREF, RGB, GetRValue...
#include "platform/graphics/SysColors.h"

using TColor = std::int32_t;

constexpr TColor clSystemColor = TColor(0xFF000000u);
constexpr TColor SysColor(int index) { return TColor(0xFF000000u | unsigned(index)); }

// Standard colours.
constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clLtGray = clSilver;
constexpr TColor clDkGray = clGray;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;

// System colours, resolved through SysColorTable.
constexpr TColor clScrollBar = SysColor(0);
constexpr TColor clBackground = SysColor(1);
constexpr TColor clActiveCaption = SysColor(2);
constexpr TColor clInactiveCaption = SysColor(3);
constexpr TColor clMenu = SysColor(4);
constexpr TColor clWindow = SysColor(5);
constexpr TColor clWindowFrame = SysColor(6);
constexpr TColor clMenuText = SysColor(7);
constexpr TColor clWindowText = SysColor(8);
constexpr TColor clCaptionText = SysColor(9);
constexpr TColor clActiveBorder = SysColor(10);
constexpr TColor clInactiveBorder = SysColor(11);
constexpr TColor clAppWorkSpace = SysColor(12);
constexpr TColor clHighlight = SysColor(13);
constexpr TColor clHighlightText = SysColor(14);
constexpr TColor clBtnFace = SysColor(15);
constexpr TColor clBtnShadow = SysColor(16);
constexpr TColor clGrayText = SysColor(17);
constexpr TColor clBtnText = SysColor(18);
constexpr TColor clInactiveCaptionText = SysColor(19);
constexpr TColor clBtnHighlight = SysColor(20);
constexpr TColor cl3DDkShadow = SysColor(21);
constexpr TColor cl3DLight = SysColor(22);
constexpr TColor clInfoText = SysColor(23);
constexpr TColor clInfoBk = SysColor(24);
constexpr TColor clHotLight = SysColor(26);
constexpr TColor clGradientActiveCaption = SysColor(27);
constexpr TColor clGradientInactiveCaption = SysColor(28);
constexpr TColor clMenuHighlight = SysColor(29);
constexpr TColor clMenuBar = SysColor(30);

constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// A system colour becomes its table value; any other value is returned as it
// is (clNone and clDefault included, as the framework does), so callers that
// need a plain RGB mask the result with 0xFFFFFF.
constexpr std::int32_t ColorToRGB(TColor c) {
  return c < 0 ? std::int32_t(SysColorToRGB(c & 0xFF)) : c;
}

// Named colours in the framework's order: 16 standard, 4 extended, the
// system colours clScrollBar..clInfoBk, then clNone and clDefault.
struct TColorName {
  TColor Value;
  const char* Name;
};
extern const TColorName ColorNames[];
extern const int ColorNameCount;

// "clRed" for a named value, else "$00BBGGRR" (8 hex digits).
std::string ColorToString(TColor c);
// Accepts a name (ignoring case) or a number ("$..", "0x.." or decimal);
// raises EConvertError otherwise.
TColor StringToColor(const std::string& s);
bool IdentToColor(const std::string& ident, TColor& c);
bool ColorToIdent(TColor c, std::string& ident);
