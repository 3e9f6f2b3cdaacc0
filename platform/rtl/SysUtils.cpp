#include "platform/rtl/SysUtils.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <limits>
#include <locale.h>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/Exceptions.h"

std::string MessageExcerpt(std::string_view text) {
  std::string out;
  std::size_t i = 0;
  for (int n = 0; i < text.size() && n < kMessageExcerptChars; ++n) {
    char32_t cp = 0;
    const std::size_t len = DecodeUtf8Char(text, i, cp);
    if (len == 0 || cp < 0x20 || cp == 0x7F) {
      out += '?';
      i += len == 0 ? 1 : len;
    } else {
      out.append(text.substr(i, len));
      i += len;
    }
  }
  if (i < text.size()) out += "...";
  return out;
}

namespace {

// ---- integers ---------------------------------------------------------------

std::string InvalidIntegerMessage(std::string_view s) {
  return "'" + MessageExcerpt(s) + "' is not a valid integer value";
}

// Parses the framework's integer text into a sign and a magnitude no larger
// than `decimalLimit` (decimal) or `hexLimit` (hexadecimal); the caller maps
// the magnitude to its type.
bool ParseInteger(std::string_view s, std::uint64_t positiveLimit, std::uint64_t negativeLimit,
                  std::uint64_t hexLimit, bool& negative, bool& hex, std::uint64_t& magnitude) {
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
    negative = s[i] == '-';
    ++i;
  }
  hex = false;
  if (i < s.size() && s[i] == '$') {
    hex = true;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  } else if (i < s.size() && (s[i] == 'x' || s[i] == 'X')) {
    hex = true;
    ++i;
  }
  if (i >= s.size()) return false;
  const std::uint64_t limit = hex ? hexLimit : (negative ? negativeLimit : positiveLimit);
  const unsigned base = hex ? 16 : 10;
  std::uint64_t v = 0;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    unsigned d;
    if (c >= '0' && c <= '9') {
      d = static_cast<unsigned>(c - '0');
    } else if (hex && c >= 'a' && c <= 'f') {
      d = static_cast<unsigned>(c - 'a' + 10);
    } else if (hex && c >= 'A' && c <= 'F') {
      d = static_cast<unsigned>(c - 'A' + 10);
    } else {
      return false;
    }
    if (v > (limit - d) / base) return false;
    v = v * base + d;
  }
  magnitude = v;
  return true;
}

bool ParseInt32(std::string_view s, int& value) {
  bool negative, hex;
  std::uint64_t m;
  if (!ParseInteger(s, 0x7FFFFFFFull, 0x80000000ull, 0xFFFFFFFFull, negative, hex, m)) return false;
  // Hexadecimal text spells the bit pattern, so "$FFFFFFFF" is -1.
  const std::uint32_t bits = static_cast<std::uint32_t>(m);
  const std::uint32_t r = negative ? 0u - bits : bits;
  value = static_cast<int>(r);
  return true;
}

bool ParseInt64(std::string_view s, Int64& value) {
  bool negative, hex;
  std::uint64_t m;
  if (!ParseInteger(s, 0x7FFFFFFFFFFFFFFFull, 0x8000000000000000ull, ~0ull, negative, hex, m)) return false;
  const std::uint64_t r = negative ? 0ull - m : m;
  value = static_cast<Int64>(r);
  return true;
}

std::string HexDigits(std::uint64_t v, int digits) {
  static const char kHex[] = "0123456789ABCDEF";
  char buf[16];
  int n = 0;
  do {
    buf[n++] = kHex[v & 15];
    v >>= 4;
  } while (v != 0);
  if (digits > 64) digits = 64;
  std::string out;
  if (digits > n) out.assign(static_cast<std::size_t>(digits - n), '0');
  while (n > 0) out += buf[--n];
  return out;
}

// ---- floating point -----------------------------------------------------------

constexpr int kMaxPrecision = 17;  // every double is told apart by 17 digits

// value = 0.d1d2d3... x 10^Exponent; Digits holds no trailing zeros and is
// empty for zero.
struct TFloatRec {
  bool Negative = false;
  int Exponent = 0;
  std::string Digits;
};

// Rounds half away from zero to `precision` significant digits and to no more
// than `decimals` digits after the decimal point.
TFloatRec FloatToDecimal(double value, int precision, int decimals) {
  TFloatRec rec;
  rec.Negative = std::signbit(value);
  if (value == 0) {
    rec.Negative = false;
    return rec;
  }
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.*e", kMaxPrecision - 1, std::fabs(value));
  // buf = "d.dddddddddddddddde[+-]xx"
  std::string digits;
  const char* p = buf;
  for (; *p != 'e' && *p != '\0'; ++p) {
    if (*p >= '0' && *p <= '9') digits += *p;
  }
  int exp10 = (*p == 'e') ? std::atoi(p + 1) : 0;
  int exponent = exp10 + 1;

  if (precision < 1) precision = 1;
  if (precision > kMaxPrecision) precision = kMaxPrecision;
  long long keepLong = precision;
  const long long byDecimals = static_cast<long long>(exponent) + decimals;
  if (byDecimals < keepLong) keepLong = byDecimals;
  if (keepLong < 0) {
    rec.Negative = false;
    return rec;
  }
  const std::size_t keep = static_cast<std::size_t>(keepLong);
  if (keep < digits.size()) {
    const bool up = digits[keep] >= '5';
    digits.resize(keep);
    if (up) {
      std::size_t i = digits.size();
      while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
      if (i == 0) {
        // All nines carried over: the value is 1 followed by zeros, which the
        // trailing-zero trim below drops anyway.
        digits.assign(1, '1');
        ++exponent;
      } else {
        ++digits[i - 1];
      }
    }
  }
  while (!digits.empty() && digits.back() == '0') digits.pop_back();
  if (digits.empty()) {
    rec.Negative = false;
    return rec;
  }
  rec.Exponent = exponent;
  rec.Digits = std::move(digits);
  return rec;
}

int ClampInt(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

void AppendExponent(std::string& out, int exponent, int minDigits, bool alwaysSign) {
  out += 'E';
  if (exponent < 0) {
    out += '-';
    exponent = -exponent;
  } else if (alwaysSign) {
    out += '+';
  }
  std::string e = std::to_string(exponent);
  if (static_cast<int>(e.size()) < minDigits) e.insert(0, static_cast<std::size_t>(minDigits) - e.size(), '0');
  out += e;
}

std::string FormatGeneral(double value, int precision, int digits) {
  precision = ClampInt(precision, 1, kMaxPrecision);
  const TFloatRec rec = FloatToDecimal(value, precision, 9999);
  if (rec.Digits.empty()) return "0";
  std::string out = rec.Negative ? "-" : "";
  const int n = static_cast<int>(rec.Digits.size());
  if (rec.Exponent > precision || rec.Exponent < -3) {
    out += rec.Digits[0];
    if (n > 1) {
      out += DecimalSeparator;
      out.append(rec.Digits, 1, std::string::npos);
    }
    AppendExponent(out, rec.Exponent - 1, ClampInt(digits, 0, 4), false);
    return out;
  }
  if (rec.Exponent <= 0) {
    out += '0';
    out += DecimalSeparator;
    out.append(static_cast<std::size_t>(-rec.Exponent), '0');
    out += rec.Digits;
    return out;
  }
  if (n <= rec.Exponent) {
    out += rec.Digits;
    out.append(static_cast<std::size_t>(rec.Exponent - n), '0');
  } else {
    out.append(rec.Digits, 0, static_cast<std::size_t>(rec.Exponent));
    out += DecimalSeparator;
    out.append(rec.Digits, static_cast<std::size_t>(rec.Exponent), std::string::npos);
  }
  return out;
}

std::string FormatExponent(double value, int precision, int digits) {
  precision = ClampInt(precision, 1, kMaxPrecision);
  const TFloatRec rec = FloatToDecimal(value, precision, 9999);
  std::string d = rec.Digits;
  d.resize(static_cast<std::size_t>(precision), '0');
  std::string out = rec.Negative ? "-" : "";
  out += d[0];
  if (precision > 1) {
    out += DecimalSeparator;
    out.append(d, 1, std::string::npos);
  }
  AppendExponent(out, rec.Digits.empty() ? 0 : rec.Exponent - 1, ClampInt(digits, 0, 4), true);
  return out;
}

// Fixed notation with optional thousand separators; the caller has checked
// that the integer part fits in `precision` digits.
std::string FormatFixed(double value, int precision, int digits, bool thousands, bool& negative) {
  const TFloatRec rec = FloatToDecimal(value, precision, digits);
  negative = rec.Negative;
  const int n = static_cast<int>(rec.Digits.size());
  std::string intPart;
  if (rec.Exponent <= 0) {
    intPart = "0";
  } else {
    for (int i = 0; i < rec.Exponent; ++i) intPart += i < n ? rec.Digits[static_cast<std::size_t>(i)] : '0';
  }
  std::string out;
  if (thousands) {
    const std::size_t len = intPart.size();
    for (std::size_t i = 0; i < len; ++i) {
      if (i > 0 && (len - i) % 3 == 0) out += ThousandSeparator;
      out += intPart[i];
    }
  } else {
    out = intPart;
  }
  if (digits > 0) {
    out += DecimalSeparator;
    for (int i = 0; i < digits; ++i) {
      const int k = rec.Exponent + i;  // index into Digits of this decimal
      out += (k >= 0 && k < n) ? rec.Digits[static_cast<std::size_t>(k)] : '0';
    }
  }
  return out;
}

locale_t CLocale() {
  static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return loc;
}

// A locale whose wide-character tables know every letter, for the "Ansi" case
// calls; null when none is installed (those calls then fold ASCII only).
locale_t UnicodeLocale() {
  static locale_t loc = [] {
    locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (l == nullptr) l = newlocale(LC_CTYPE_MASK, "en_US.UTF-8", static_cast<locale_t>(nullptr));
    return l;
  }();
  return loc;
}

// ---- UTF-8 ------------------------------------------------------------------

char32_t FoldLower(char32_t cp) {
  if (cp < 0x80) return (cp >= 'A' && cp <= 'Z') ? cp + 32 : cp;
  locale_t loc = UnicodeLocale();
  if (loc == nullptr) return cp;
  return static_cast<char32_t>(towlower_l(static_cast<wint_t>(cp), loc));
}

char32_t FoldUpper(char32_t cp) {
  if (cp < 0x80) return (cp >= 'a' && cp <= 'z') ? cp - 32 : cp;
  locale_t loc = UnicodeLocale();
  if (loc == nullptr) return cp;
  return static_cast<char32_t>(towupper_l(static_cast<wint_t>(cp), loc));
}

template <typename Fold>
std::string MapCase(std::string_view s, Fold fold) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    char32_t cp;
    const std::size_t n = DecodeUtf8Char(s, i, cp);
    if (n == 0) {
      out += s[i++];
      continue;
    }
    const char32_t m = fold(cp);
    // A mapping outside the valid range would corrupt the text.
    if (m > 0x10FFFF || (m >= 0xD800 && m <= 0xDFFF)) {
      out.append(s, i, n);
    } else {
      AppendUtf8(out, m);
    }
    i += n;
  }
  return out;
}

// Reads the next unit for folded comparison: a code point, or an invalid
// byte kept apart from every code point.
std::uint32_t NextFolded(std::string_view s, std::size_t& i) {
  char32_t cp;
  const std::size_t n = DecodeUtf8Char(s, i, cp);
  if (n == 0) return 0x110000u + static_cast<unsigned char>(s[i++]);
  i += n;
  return FoldLower(cp);
}

// Length in `s` of a folded match of `pat` at `pos`, or npos.
std::size_t MatchFoldedAt(std::string_view s, std::size_t pos, std::string_view pat) {
  std::size_t i = pos, j = 0;
  while (j < pat.size()) {
    if (i >= s.size()) return std::string_view::npos;
    if (NextFolded(s, i) != NextFolded(pat, j)) return std::string_view::npos;
  }
  return i - pos;
}

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

// ---- Format -----------------------------------------------------------------

[[noreturn]] void InvalidFormat(std::string_view fmt) {
  throw EConvertError("Format '" + std::string(fmt) + "' invalid or incompatible with argument");
}

[[noreturn]] void MissingArgument(std::string_view fmt) {
  throw EConvertError("No argument for format '" + std::string(fmt) + "'");
}

// Decimal digits of an integer argument, with `precision` as the minimum
// digit count (zeros go after the sign).
std::string FormatInteger(const TVarRec& a, bool asUnsigned, int precision) {
  bool negative = false;
  std::uint64_t mag;
  if (a.kind() == TVarRec::vtUnsigned) {
    mag = a.AsUInt64();
  } else if (asUnsigned) {
    mag = static_cast<std::uint64_t>(a.AsInt64());
    if (a.Bits() == 32) mag &= 0xFFFFFFFFull;
  } else {
    const Int64 v = a.AsInt64();
    negative = v < 0;
    mag = negative ? 0ull - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
  }
  std::string d = std::to_string(mag);
  if (precision > 0 && static_cast<int>(d.size()) < precision) {
    d.insert(0, static_cast<std::size_t>(precision) - d.size(), '0');
  }
  return negative ? "-" + d : d;
}

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Characters of UTF-8 text: every byte that does not continue a sequence.
std::size_t Utf8Length(std::string_view s) {
  std::size_t n = 0;
  for (char c : s) n += IsContinuationByte(c) ? 0 : 1;
  return n;
}

// Byte offset where character `count` starts (the size when there are fewer).
std::size_t Utf8Offset(std::string_view s, std::size_t count) {
  std::size_t i = 0;
  for (; i < s.size(); ++i) {
    if (!IsContinuationByte(s[i])) {
      if (count == 0) return i;
      --count;
    }
  }
  return i;
}

bool IsIntegerArg(const TVarRec& a) {
  return a.kind() == TVarRec::vtInteger || a.kind() == TVarRec::vtUnsigned;
}

}  // namespace

// ---- integers -----------------------------------------------------------------

std::string IntToStr(int value) { return std::to_string(value); }
std::string IntToStr(long value) { return std::to_string(value); }
std::string IntToStr(long long value) { return std::to_string(value); }
std::string IntToStr(unsigned value) { return std::to_string(value); }
std::string IntToStr(unsigned long value) { return std::to_string(value); }
std::string IntToStr(unsigned long long value) { return std::to_string(value); }

bool TryStrToInt(std::string_view s, int& value) { return ParseInt32(s, value); }

int StrToInt(std::string_view s) {
  int v;
  if (!ParseInt32(s, v)) throw EConvertError(InvalidIntegerMessage(s));
  return v;
}

int StrToIntDef(std::string_view s, int defaultValue) {
  int v;
  return ParseInt32(s, v) ? v : defaultValue;
}

bool TryStrToInt64(std::string_view s, Int64& value) { return ParseInt64(s, value); }

Int64 StrToInt64(std::string_view s) {
  Int64 v;
  if (!ParseInt64(s, v)) throw EConvertError(InvalidIntegerMessage(s));
  return v;
}

Int64 StrToInt64Def(std::string_view s, Int64 defaultValue) {
  Int64 v;
  return ParseInt64(s, v) ? v : defaultValue;
}

std::string HexOfBits(std::uint64_t bits, int digits) { return HexDigits(bits, digits); }

// ---- floating point -------------------------------------------------------------

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  switch (format) {
    case ffExponent:
      return FormatExponent(value, precision, digits);
    case ffFixed:
    case ffNumber:
    case ffCurrency: {
      precision = ClampInt(precision, 1, kMaxPrecision);
      digits = ClampInt(digits, 0, 18);
      // Too many integer digits for the precision: scientific instead.
      const TFloatRec probe = FloatToDecimal(value, precision, 9999);
      if (probe.Exponent > precision) return FormatGeneral(value, precision, 0);
      bool negative = false;
      const std::string body = FormatFixed(value, precision, digits, format != ffFixed, negative);
      std::string out = negative ? "-" : "";
      if (format == ffCurrency) out += CurrencyString;
      return out + body;
    }
    case ffGeneral:
    default:
      return FormatGeneral(value, precision, digits);
  }
}

std::string FloatToStr(double value) { return FloatToStrF(value, ffGeneral, 15, 0); }

bool TryStrToFloat(std::string_view s, double& value) {
  std::size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  const std::string_view t = s.substr(b, e - b);
  // Check the shape ourselves: strtod would also take hex, "inf" and "nan".
  std::size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  std::size_t mantissaDigits = 0;
  while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++mantissaDigits;
  if (i < t.size() && t[i] == DecimalSeparator) {
    ++i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++mantissaDigits;
  }
  if (mantissaDigits == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    std::size_t expDigits = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++expDigits;
    if (expDigits == 0) return false;
  }
  if (i != t.size()) return false;
  const std::string text(t);
  char* end = nullptr;
  locale_t c = CLocale();
  // Without a "C" locale object, strtod reads the process locale's point.
  const double v = c != nullptr ? strtod_l(text.c_str(), &end, c) : std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || std::isinf(v) || std::isnan(v)) return false;
  value = v;
  return true;
}

double StrToFloat(std::string_view s) {
  double v;
  if (!TryStrToFloat(s, v)) throw EConvertError("'" + MessageExcerpt(s) + "' is not a valid floating point value");
  return v;
}

double StrToFloatDef(std::string_view s, double defaultValue) {
  double v;
  return TryStrToFloat(s, v) ? v : defaultValue;
}

namespace {

// 2^63: the first double outside Int64.
constexpr double kInt64Bound = 9223372036854775808.0;

Int64 CheckedInt64(double integral) {
  if (!(integral >= -kInt64Bound && integral < kInt64Bound)) {
    throw EIntOverflow("Floating point value out of the integer range");
  }
  return static_cast<Int64>(integral);
}

}  // namespace

Int64 Round(double value) {
  if (std::isnan(value)) return CheckedInt64(value);
  // Explicit rather than through the rounding mode, which others may change.
  const double t = std::trunc(value);
  const double diff = value - t;  // exact: both have the same exponent range
  double r = t;
  if (std::fabs(diff) > 0.5) {
    r = t + (value < 0 ? -1.0 : 1.0);
  } else if (std::fabs(diff) == 0.5) {
    if (std::fmod(t, 2.0) != 0.0) r = t + (value < 0 ? -1.0 : 1.0);
  }
  return CheckedInt64(r);
}

Int64 Trunc(double value) { return CheckedInt64(std::trunc(value)); }

double Frac(double value) { return value - std::trunc(value); }

Int64 Floor(double value) { return CheckedInt64(std::floor(value)); }

Int64 Ceil(double value) { return CheckedInt64(std::ceil(value)); }

// ---- Format ---------------------------------------------------------------------

std::string Format(std::string_view fmt, std::initializer_list<TVarRec> args) {
  return FormatArgs(fmt, args.begin(), args.size());
}

std::string FormatArgs(std::string_view fmt, const TVarRec* args, std::size_t count) {
  std::string out;
  std::size_t next = 0;  // index of the next argument
  std::size_t i = 0;
  const auto takeArg = [&]() -> const TVarRec& {
    if (next >= count) MissingArgument(fmt);
    return args[next++];
  };
  // Reads a number or '*' (from the arguments); -1 when neither is there.
  const auto readNumber = [&]() -> long long {
    if (i < fmt.size() && fmt[i] == '*') {
      ++i;
      const TVarRec& a = takeArg();
      if (!IsIntegerArg(a)) InvalidFormat(fmt);
      const Int64 v = a.kind() == TVarRec::vtUnsigned ? (a.AsUInt64() > 0xFFFF ? 0xFFFF : static_cast<Int64>(a.AsUInt64()))
                                                      : a.AsInt64();
      return v < 0 ? -1 : (v > 0xFFFF ? 0xFFFF : v);
    }
    if (i >= fmt.size() || fmt[i] < '0' || fmt[i] > '9') return -1;
    long long v = 0;
    while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') {
      if (v < 0xFFFF) v = v * 10 + (fmt[i] - '0');
      ++i;
    }
    // Widths beyond this are typing errors, not layouts.
    return v > 0xFFFF ? 0xFFFF : v;
  };

  while (i < fmt.size()) {
    const char c = fmt[i++];
    if (c != '%') {
      out += c;
      continue;
    }
    if (i >= fmt.size()) InvalidFormat(fmt);
    if (fmt[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    // [index ":"] ["-"] [width] ["." precision] type
    long long n = readNumber();
    if (i < fmt.size() && fmt[i] == ':') {
      ++i;
      if (n < 0) n = 0;
      next = static_cast<std::size_t>(n);
      n = -1;
    }
    bool left = false;
    long long width = n;
    if (width < 0) {
      if (i < fmt.size() && fmt[i] == '-') {
        left = true;
        ++i;
      }
      width = readNumber();
    }
    long long precision = -1;
    if (i < fmt.size() && fmt[i] == '.') {
      ++i;
      precision = readNumber();
      if (precision < 0) precision = 0;
    }
    if (i >= fmt.size()) InvalidFormat(fmt);
    const char type = static_cast<char>(UpperAscii(fmt[i++]));
    const TVarRec& a = takeArg();
    const int prec = static_cast<int>(precision);
    std::string text;
    switch (type) {
      case 'D':
      case 'U':
        if (!IsIntegerArg(a)) InvalidFormat(fmt);
        text = FormatInteger(a, type == 'U', prec);
        break;
      case 'X': {
        if (!IsIntegerArg(a)) InvalidFormat(fmt);
        std::uint64_t v = a.kind() == TVarRec::vtUnsigned ? a.AsUInt64() : static_cast<std::uint64_t>(a.AsInt64());
        if (a.Bits() == 32) v &= 0xFFFFFFFFull;
        text = HexDigits(v, prec);
        if (fmt[i - 1] == 'x') text = LowerCase(text);
        break;
      }
      case 'E':
      case 'F':
      case 'G':
      case 'N':
      case 'M': {
        if (a.kind() != TVarRec::vtExtended) InvalidFormat(fmt);
        const double v = a.AsFloat();
        if (type == 'E') {
          text = FloatToStrF(v, ffExponent, precision < 0 ? 15 : prec, 3);
        } else if (type == 'G') {
          text = FloatToStrF(v, ffGeneral, precision < 0 ? 15 : prec, 0);
        } else {
          const TFloatFormat ff = type == 'F' ? ffFixed : (type == 'N' ? ffNumber : ffCurrency);
          const int decimals = precision < 0 ? (type == 'M' ? CurrencyDecimals : 2) : prec;
          text = FloatToStrF(v, ff, kMaxPrecision, decimals);
        }
        break;
      }
      case 'S': {
        if (a.kind() != TVarRec::vtString && a.kind() != TVarRec::vtChar) InvalidFormat(fmt);
        std::string_view s = a.AsString();
        // Precision counts characters, so a cut never splits one.
        if (precision >= 0) s = s.substr(0, Utf8Offset(s, static_cast<std::size_t>(precision)));
        text.assign(s);
        break;
      }
      case 'P':
        if (a.kind() != TVarRec::vtPointer) InvalidFormat(fmt);
        text = HexDigits(reinterpret_cast<std::uintptr_t>(a.AsPointer()), static_cast<int>(sizeof(void*) * 2));
        break;
      default:
        InvalidFormat(fmt);
    }
    const std::size_t chars = Utf8Length(text);
    if (width > 0 && static_cast<long long>(chars) < width) {
      const std::size_t pad = static_cast<std::size_t>(width) - chars;
      if (left) {
        text.append(pad, ' ');
      } else {
        text.insert(0, pad, ' ');
      }
    }
    out += text;
  }
  return out;
}

// ---- strings --------------------------------------------------------------------

std::string Trim(std::string_view s) { return TrimRight(TrimLeft(s)); }

std::string TrimLeft(std::string_view s) {
  std::size_t b = 0;
  while (b < s.size() && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  return std::string(s.substr(b));
}

std::string TrimRight(std::string_view s) {
  std::size_t e = s.size();
  while (e > 0 && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return std::string(s.substr(0, e));
}

std::string UpperCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = UpperAscii(c);
  return out;
}

std::string LowerCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return out;
}

std::string AnsiUpperCase(std::string_view s) { return MapCase(s, FoldUpper); }
std::string AnsiLowerCase(std::string_view s) { return MapCase(s, FoldLower); }

int CompareStr(std::string_view a, std::string_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const int d = static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i]);
    if (d != 0) return d;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int CompareText(std::string_view a, std::string_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const int d = static_cast<unsigned char>(UpperAscii(a[i])) - static_cast<unsigned char>(UpperAscii(b[i]));
    if (d != 0) return d;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareText(a, b) == 0;
}

int AnsiCompareText(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const std::uint32_t x = NextFolded(a, i);
    const std::uint32_t y = NextFolded(b, j);
    if (x != y) return x < y ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

bool AnsiSameText(std::string_view a, std::string_view b) { return AnsiCompareText(a, b) == 0; }

int AnsiCompareStr(std::string_view a, std::string_view b) {
  // UTF-8 byte order is code point order.
  const int d = CompareStr(a, b);
  return d < 0 ? -1 : (d > 0 ? 1 : 0);
}

int Pos(std::string_view sub, std::string_view s) {
  if (sub.empty()) return 0;
  const std::size_t p = s.find(sub);
  if (p == std::string_view::npos || p >= static_cast<std::size_t>(std::numeric_limits<int>::max())) return 0;
  return static_cast<int>(p) + 1;
}

int AnsiPos(std::string_view sub, std::string_view s) { return Pos(sub, s); }

std::string Copy(std::string_view s, Int64 index, Int64 count) {
  if (index < 1) index = 1;
  if (count <= 0 || index > static_cast<Int64>(s.size())) return std::string();
  const std::size_t start = static_cast<std::size_t>(index - 1);
  const std::size_t avail = s.size() - start;
  const std::size_t n = static_cast<std::uint64_t>(count) < avail ? static_cast<std::size_t>(count) : avail;
  return std::string(s.substr(start, n));
}

std::string StringReplace(std::string_view s, std::string_view oldPattern, std::string_view newPattern,
                          TReplaceFlags flags) {
  if (oldPattern.empty()) return std::string(s);
  const bool all = (flags & rfReplaceAll) != 0;
  const bool ignoreCase = (flags & rfIgnoreCase) != 0;
  std::string out;
  std::size_t i = 0;
  bool replaced = false;
  while (i < s.size()) {
    if (!replaced || all) {
      std::size_t len = std::string_view::npos;
      if (ignoreCase) {
        len = MatchFoldedAt(s, i, oldPattern);
      } else if (s.compare(i, oldPattern.size(), oldPattern) == 0) {
        len = oldPattern.size();
      }
      if (len != std::string_view::npos) {
        out += newPattern;
        i += len;
        replaced = true;
        continue;
      }
    } else {
      out.append(s, i, std::string_view::npos);
      break;
    }
    out += s[i++];
  }
  return out;
}

std::string QuotedStr(std::string_view s) { return AnsiQuotedStr(s, '\''); }

std::string AnsiQuotedStr(std::string_view s, char quote) {
  std::string out(1, quote);
  for (char c : s) {
    out += c;
    if (c == quote) out += c;
  }
  out += quote;
  return out;
}

std::string AnsiDequotedStr(std::string_view s, char quote) {
  if (s.empty() || s[0] != quote) return std::string(s);
  std::string out;
  for (std::size_t i = 1; i < s.size(); ++i) {
    if (s[i] == quote) {
      if (i + 1 < s.size() && s[i + 1] == quote) {
        out += quote;
        ++i;
        continue;
      }
      break;
    }
    out += s[i];
  }
  return out;
}

std::string StringOfChar(char c, int count) {
  return count > 0 ? std::string(static_cast<std::size_t>(count), c) : std::string();
}
