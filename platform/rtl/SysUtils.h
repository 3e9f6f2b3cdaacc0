// Strings and numbers: integer and float conversion, Format, trimming, case,
// comparison and search helpers, and the framework's rounding functions.
// Text is UTF-8; "Ansi" calls are the UTF-8 aware forms of the plain ones.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/rtl/Types.h"

// ---- integers -------------------------------------------------------------

std::string IntToStr(int value);
std::string IntToStr(long value);
std::string IntToStr(long long value);
std::string IntToStr(unsigned value);
std::string IntToStr(unsigned long value);
std::string IntToStr(unsigned long long value);

// Accepts leading blanks, an optional sign, decimal digits or hexadecimal
// after '$', '0x' or 'x'. Hexadecimal text may give the full unsigned range of
// the type ("$FFFFFFFF" is -1). Raises EConvertError on bad text or overflow.
int StrToInt(std::string_view s);
int StrToIntDef(std::string_view s, int defaultValue);
bool TryStrToInt(std::string_view s, int& value);
Int64 StrToInt64(std::string_view s);
Int64 StrToInt64Def(std::string_view s, Int64 defaultValue);
bool TryStrToInt64(std::string_view s, Int64& value);

// Upper-case hexadecimal of `bits`, zero-padded to at least `digits`.
std::string HexOfBits(std::uint64_t bits, int digits);

// Upper-case hexadecimal, zero-padded to at least `digits`; a negative value
// shows its two's complement in 32 bits, or 64 for eight-byte types.
template <typename T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
std::string IntToHex(T value, int digits) {
  if constexpr (sizeof(T) > 4) {
    return HexOfBits(static_cast<std::uint64_t>(value), digits);
  } else {
    return HexOfBits(static_cast<std::uint32_t>(value), digits);
  }
}

// ---- floating point -------------------------------------------------------

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// The formatting conventions: decimal point '.', thousands ',', currency
// prefix "$", two currency decimals.
constexpr char DecimalSeparator = '.';
constexpr char ThousandSeparator = ',';
inline constexpr const char* CurrencyString = "$";
constexpr int CurrencyDecimals = 2;

// ffGeneral: shortest of fixed or scientific ("1.5E20"), trailing zeros off;
//            scientific when the integer part has more than `precision` digits
//            or the value is below 0.00001; `digits` = minimum exponent digits.
// ffExponent: "-d.ddd...E+ddd", `precision` digits in all, `digits` (0..4)
//            the minimum exponent digits: FloatToStrF(1500, ffExponent, 2, 3)
//            is "1.5E+003".
// ffFixed:   "-ddd.ddd" with `digits` (0..18) decimals.
// ffNumber:  as ffFixed with thousand separators.
// ffCurrency: CurrencyString before the ffNumber text.
// Decimal digits are rounded half away from zero, as the framework does.
// NaN and infinities print as "NAN", "INF" and "-INF".
std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits);
// ffGeneral with 15 significant digits.
std::string FloatToStr(double value);

// Leading and trailing blanks, a sign, digits with '.' as the decimal point
// and an optional exponent. Raises EConvertError on bad text or overflow.
double StrToFloat(std::string_view s);
double StrToFloatDef(std::string_view s, double defaultValue);
bool TryStrToFloat(std::string_view s, double& value);

// Half to even, as the framework's Round; raises EIntOverflow for NaN and for
// values outside the Int64 range (also Trunc, Floor, Ceil).
Int64 Round(double value);
Int64 Trunc(double value);
double Frac(double value);
Int64 Floor(double value);
Int64 Ceil(double value);

// ---- Format -----------------------------------------------------------------

// One Format argument: the framework's open-array element.
class TVarRec {
 public:
  enum Kind { vtInteger, vtUnsigned, vtExtended, vtString, vtPointer, vtChar, vtBoolean };

  TVarRec(bool v) : kind_(vtBoolean), int_(v ? 1 : 0) {}
  TVarRec(char v) : kind_(vtChar), str_(&char_, 1), char_(v) {}
  template <typename T,
            std::enable_if_t<std::is_integral_v<T> && std::is_signed_v<T> && !std::is_same_v<T, char> &&
                                 !std::is_same_v<T, bool>,
                             int> = 0>
  TVarRec(T v) : kind_(vtInteger), int_(v), bits_(sizeof(T) > 4 ? 64 : 32) {}
  template <typename T,
            std::enable_if_t<std::is_integral_v<T> && std::is_unsigned_v<T> && !std::is_same_v<T, bool>, int> = 0>
  TVarRec(T v) : kind_(vtUnsigned), uint_(v), bits_(sizeof(T) > 4 ? 64 : 32) {}
  template <typename T, std::enable_if_t<std::is_enum_v<T>, int> = 0>
  TVarRec(T v) : TVarRec(static_cast<std::underlying_type_t<T>>(v)) {}
  TVarRec(double v) : kind_(vtExtended), float_(v) {}
  TVarRec(float v) : kind_(vtExtended), float_(v) {}
  TVarRec(long double v) : kind_(vtExtended), float_(static_cast<double>(v)) {}
  TVarRec(const char* v) : kind_(vtString), str_(v ? std::string_view(v) : std::string_view()) {}
  TVarRec(const std::string& v) : kind_(vtString), str_(v) {}
  TVarRec(std::string_view v) : kind_(vtString), str_(v) {}
  TVarRec(const void* v) : kind_(vtPointer), ptr_(v) {}
  TVarRec(std::nullptr_t) : kind_(vtPointer), ptr_(nullptr) {}

  // Copies must not keep a view into another record's character.
  TVarRec(const TVarRec& o) { *this = o; }
  TVarRec& operator=(const TVarRec& o) {
    kind_ = o.kind_;
    int_ = o.int_;
    uint_ = o.uint_;
    float_ = o.float_;
    ptr_ = o.ptr_;
    bits_ = o.bits_;
    char_ = o.char_;
    str_ = kind_ == vtChar ? std::string_view(&char_, 1) : o.str_;
    return *this;
  }

  Kind kind() const { return kind_; }
  Int64 AsInt64() const { return int_; }
  std::uint64_t AsUInt64() const { return uint_; }
  double AsFloat() const { return float_; }
  std::string_view AsString() const { return str_; }
  const void* AsPointer() const { return ptr_; }
  // 32 for arguments of up to four bytes, else 64: the width %x shows.
  int Bits() const { return bits_; }

 private:
  Kind kind_ = vtInteger;
  Int64 int_ = 0;
  std::uint64_t uint_ = 0;
  double float_ = 0;
  std::string_view str_;
  const void* ptr_ = nullptr;
  int bits_ = 32;
  char char_ = 0;
};

// The framework's Format: "%" [index ":"] ["-"] [width] ["." precision] type
// with types d u x X s e f g n m p and "%%"; width, precision and index may be
// "*" to take them from the next argument. Precision is the minimum digit count
// for d, u, x; the decimals for f, n, m; significant digits for e, g; the
// maximum length for s. Lengths and widths count UTF-8 characters. Raises EConvertError on an unknown type, a missing
// argument or an argument of the wrong kind.
std::string Format(std::string_view fmt, std::initializer_list<TVarRec> args);
std::string FormatArgs(std::string_view fmt, const TVarRec* args, std::size_t count);

template <typename... Args>
std::string Format(std::string_view fmt, const Args&... args) {
  const TVarRec list[] = {TVarRec(args)..., TVarRec(0)};
  return FormatArgs(fmt, list, sizeof...(Args));
}

// ---- strings ----------------------------------------------------------------

// Blanks and control characters (<= ' ').
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);

// ASCII letters only.
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
// Every letter of the UTF-8 text; invalid bytes pass through unchanged.
std::string AnsiUpperCase(std::string_view s);
std::string AnsiLowerCase(std::string_view s);

// <0, 0, >0 as the strings compare byte by byte.
int CompareStr(std::string_view a, std::string_view b);
// Byte order after folding ASCII letters to upper case.
int CompareText(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);
// Code point order after folding every letter to lower case.
int AnsiCompareText(std::string_view a, std::string_view b);
bool AnsiSameText(std::string_view a, std::string_view b);
int AnsiCompareStr(std::string_view a, std::string_view b);

// 1-based position of the first occurrence, 0 when absent or `sub` is empty.
int Pos(std::string_view sub, std::string_view s);
int AnsiPos(std::string_view sub, std::string_view s);
// `count` bytes from 1-based `index`, clamped to the string.
std::string Copy(std::string_view s, Int64 index, Int64 count);

enum TReplaceFlag { rfReplaceAll = 1, rfIgnoreCase = 2 };
using TReplaceFlags = int;
std::string StringReplace(std::string_view s, std::string_view oldPattern, std::string_view newPattern,
                          TReplaceFlags flags);

// Untrusted text as an error message may quote it: at most the first
// kMessageExcerptChars characters, then "..." when there was more; bytes
// that are not UTF-8 and control characters show as '?'.
constexpr int kMessageExcerptChars = 80;
std::string MessageExcerpt(std::string_view text);

// 'text' with embedded quotes doubled.
std::string QuotedStr(std::string_view s);
std::string AnsiQuotedStr(std::string_view s, char quote);
// The inverse of AnsiQuotedStr: the text between the quotes with doubled
// quotes undone; `s` is returned unchanged when it does not start with `quote`.
std::string AnsiDequotedStr(std::string_view s, char quote);

std::string StringOfChar(char c, int count);
