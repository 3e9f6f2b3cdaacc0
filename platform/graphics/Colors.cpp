#include "platform/graphics/Colors.h"

#include <cstdio>
#include <cstdlib>
#include <strings.h>

#include "platform/rtl/Exceptions.h"

const TColorName ColorNames[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"},
    {clSkyBlue, "clSkyBlue"},
    {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    {clActiveBorder, "clActiveBorder"},
    {clActiveCaption, "clActiveCaption"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clBackground, "clBackground"},
    {clBtnFace, "clBtnFace"},
    {clBtnHighlight, "clBtnHighlight"},
    {clBtnShadow, "clBtnShadow"},
    {clBtnText, "clBtnText"},
    {clCaptionText, "clCaptionText"},
    {clGrayText, "clGrayText"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clInactiveBorder, "clInactiveBorder"},
    {clInactiveCaption, "clInactiveCaption"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clInfoBk, "clInfoBk"},
    {clInfoText, "clInfoText"},
    {clMenu, "clMenu"},
    {clMenuText, "clMenuText"},
    {clScrollBar, "clScrollBar"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clWindowText, "clWindowText"},
    {clNone, "clNone"},
    {clDefault, "clDefault"},
};
const int ColorNameCount = int(sizeof(ColorNames) / sizeof(ColorNames[0]));

bool ColorToIdent(TColor c, std::string& ident) {
  for (int i = 0; i < ColorNameCount; ++i)
    if (ColorNames[i].Value == c) {
      ident = ColorNames[i].Name;
      return true;
    }
  return false;
}

bool IdentToColor(const std::string& ident, TColor& c) {
  for (int i = 0; i < ColorNameCount; ++i)
    if (strcasecmp(ColorNames[i].Name, ident.c_str()) == 0) {
      c = ColorNames[i].Value;
      return true;
    }
  return false;
}

std::string ColorToString(TColor c) {
  std::string s;
  if (ColorToIdent(c, s)) return s;
  char buf[16];
  std::snprintf(buf, sizeof buf, "$%08X", unsigned(c));
  return buf;
}

TColor StringToColor(const std::string& s) {
  TColor c;
  if (IdentToColor(s, c)) return c;
  const char* p = s.c_str();
  int base = 10;
  if (*p == '$') {
    base = 16;
    ++p;
  } else if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    base = 16;
    p += 2;
  }
  char* end = nullptr;
  long long v = *p ? std::strtoll(p, &end, base) : 0;
  if (!*p || *end || v < INT32_MIN || v > UINT32_MAX) throw EConvertError("'" + s + "' is not a valid colour");
  return TColor(std::uint32_t(v));
}
