// Number text shared by the numeric edit and the spin edit: what may be
// typed, when a text is a number, its conversion and its canonical form.
#include <cmath>

#include "platform/rtl/SysUtils.h"
#include "skin/controls/SkinBoxCtrls.h"

namespace spnumber {

bool IsValidNumberText(const std::string& s, TspValueType type) {
  if (s.empty() || s == "-") return false;
  bool separator = false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c >= '0' && c <= '9') continue;
    if (c == '-') {
      if (i != 0) return false;
      continue;
    }
    if (type == vtFloat && c == DecimalSeparator) {
      if (separator || i == 0) return false;
      separator = true;
      continue;
    }
    return false;
  }
  return true;
}

bool ConvertNumberText(const std::string& s, TspValueType type, double& x) {
  if (type == vtFloat) {
    double v = 0;
    if (!TryStrToFloat(s, v) || !std::isfinite(v)) return false;
    x = v;
    return true;
  }
  int v = 0;
  if (!TryStrToInt(s, v)) return false;
  x = v;
  return true;
}

std::string FormatValue(double v, TspValueType type, int decimals) {
  if (type == vtFloat || !std::isfinite(v) || std::fabs(v) >= 9.2e18)
    return FloatToStrF(v, ffFixed, 15, type == vtFloat ? decimals : 0);
  return IntToStr((long long)Round(v));
}

bool MustRewriteText(double v, double x, double minValue, double maxValue) {
  const bool bothNegative = v < 0 && x < 0;
  return (bothNegative && v > x) || (!bothNegative && v < x) || (minValue > 0 && x < 0) || (maxValue < 0 && x > 0);
}

bool IsValidChar(char32_t c, const std::string& text, TspValueType type, bool locked) {
  if (locked && (c >= 32 || c == 8)) return false;
  if (c < 32) return c != 13;
  if (c >= '0' && c <= '9') return true;
  if (c == '-') return text.find('-') == std::string::npos;
  if (type == vtFloat && c == char32_t(DecimalSeparator)) return text.find(DecimalSeparator) == std::string::npos;
  return false;
}

}  // namespace spnumber
