#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "platform/rtl/Exceptions.h"

namespace {

TEST(Round, HalvesGoToTheEvenNeighbour) {
  struct Case {
    double value;
    Int64 expected;
  } cases[] = {
      {0.5, 0},
      {1.5, 2},
      {2.5, 2},
      {3.5, 4},
      {-0.5, 0},
      {-1.5, -2},
      {-2.5, -2},
      {2.4999, 2},
      {2.5000001, 3},
      {-2.5000001, -3},
      {0.49999999999999994, 0},  // the double just below one half
      {1e15 + 0.5, 1000000000000000},
      {1e15 + 1.5, 1000000000000002},
      {4503599627370495.5, 4503599627370496},  // 2^52 - 0.5
      {4503599627370497.0, 4503599627370497},
      {-9223372036854775808.0, std::numeric_limits<Int64>::min()},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Round(c.value), c.expected) << c.value;
  }
}

TEST(Round, OutOfRangeRaisesInsteadOfWrapping) {
  for (double v : {9223372036854775808.0, -9.3e18, 1e300, std::numeric_limits<double>::infinity(),
                   std::numeric_limits<double>::quiet_NaN()}) {
    EXPECT_THROW(Round(v), EIntOverflow) << v;
    EXPECT_THROW(Trunc(v), EIntOverflow) << v;
  }
}

TEST(Round, TruncFloorCeilFrac) {
  EXPECT_EQ(Trunc(-2.7), -2);
  EXPECT_EQ(Trunc(2.7), 2);
  EXPECT_EQ(Floor(-2.2), -3);
  EXPECT_EQ(Ceil(-2.7), -2);
  EXPECT_EQ(Ceil(2.1), 3);
  EXPECT_DOUBLE_EQ(Frac(-2.25), -0.25);
  EXPECT_DOUBLE_EQ(Frac(3.75), 0.75);
}

TEST(StrToInt, AcceptsTheFrameworkSyntax) {
  struct Case {
    const char* text;
    int expected;
  } cases[] = {
      {"0", 0},           {"123", 123},        {"-45", -45},          {"+7", 7},
      {"  12", 12},       {"$FF", 255},        {"0x1f", 31},          {"x10", 16},
      {"-$10", -16},      {"$FFFFFFFF", -1},   {"2147483647", 2147483647},
      {"-2147483648", std::numeric_limits<int>::min()},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StrToInt(c.text), c.expected) << c.text;
  }
}

TEST(StrToInt, RejectsBadTextAndOverflow) {
  for (const char* text : {"", " ", "-", "$", "0x", "12a", "12 ", "1.5", "2147483648", "-2147483649",
                           "$100000000", "99999999999999999999999", "--1", "1e3"}) {
    EXPECT_THROW(StrToInt(text), EConvertError) << text;
    EXPECT_EQ(StrToIntDef(text, -77), -77) << text;
    int v = 5;
    EXPECT_FALSE(TryStrToInt(text, v)) << text;
    EXPECT_EQ(v, 5) << text;
  }
}

TEST(StrToInt, MessageNamesTheText) {
  try {
    StrToInt("abc");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'abc' is not a valid integer value");
  }
}

TEST(StrToInt64, CoversTheWholeRange) {
  EXPECT_EQ(StrToInt64("9223372036854775807"), std::numeric_limits<Int64>::max());
  EXPECT_EQ(StrToInt64("-9223372036854775808"), std::numeric_limits<Int64>::min());
  EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
  EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
  EXPECT_EQ(StrToInt64Def("x", 9), 9);
}

TEST(IntToHex, PadsAndShowsTwosComplement) {
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(0x12345, 2), "12345");
  EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFF");
  EXPECT_EQ(IntToHex(Int64{-1}, 1), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(IntToHex(0, 0), "0");
  EXPECT_EQ(IntToHex(DWORD{0x80000000u}, 8), "80000000");
  EXPECT_EQ(IntToHex(std::uint64_t{1} << 40, 0), "10000000000");
  EXPECT_EQ(IntToStr(-2147483647 - 1), "-2147483648");
  EXPECT_EQ(IntToStr(std::numeric_limits<Int64>::min()), "-9223372036854775808");
}

TEST(FloatToStrF, FormatsAsTheFrameworkDoes) {
  struct Case {
    double value;
    TFloatFormat format;
    int precision;
    int digits;
    const char* expected;
  } cases[] = {
      {1500, ffExponent, 2, 3, "1.5E+003"},
      {1500, ffExponent, 4, 2, "1.500E+03"},
      {-0.00123, ffExponent, 3, 0, "-1.23E-3"},
      {0, ffExponent, 3, 3, "0.00E+000"},
      {1.23456, ffFixed, 15, 2, "1.23"},
      {1.23456, ffFixed, 3, 4, "1.2300"},
      {0.125, ffFixed, 15, 2, "0.13"},  // decimal halves go away from zero
      {-0.125, ffFixed, 15, 2, "-0.13"},
      {2.5, ffFixed, 15, 0, "3"},
      {0.999, ffFixed, 15, 2, "1.00"},
      {-0.001, ffFixed, 15, 2, "0.00"},
      {100, ffFixed, 15, 0, "100"},
      {1234567.891, ffNumber, 15, 2, "1,234,567.89"},
      {-999.5, ffNumber, 15, 0, "-1,000"},
      {1234.5, ffCurrency, 15, 2, "$1,234.50"},
      {1e20, ffFixed, 15, 2, "1E20"},  // more integer digits than precision
      {0.1, ffGeneral, 15, 0, "0.1"},
      {100, ffGeneral, 15, 0, "100"},
      {123456, ffGeneral, 3, 0, "1.23E5"},
      {0.0001, ffGeneral, 15, 0, "0.0001"},
      {0.00001, ffGeneral, 15, 0, "1E-5"},
      {1.5e-7, ffGeneral, 15, 2, "1.5E-07"},
      {-12.5, ffGeneral, 15, 0, "-12.5"},
      {0, ffGeneral, 15, 0, "0"},
      {std::numeric_limits<double>::quiet_NaN(), ffFixed, 15, 2, "NAN"},
      {-std::numeric_limits<double>::infinity(), ffGeneral, 15, 0, "-INF"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FloatToStrF(c.value, c.format, c.precision, c.digits), c.expected)
        << c.value << " format " << c.format << " precision " << c.precision << " digits " << c.digits;
  }
  EXPECT_EQ(FloatToStr(1.0 / 3.0), "0.333333333333333");
  EXPECT_EQ(FloatToStr(1e15), "1E15");
  EXPECT_EQ(FloatToStr(123456789012345.0), "123456789012345");
}

TEST(FloatToStrF, SeventeenDigitsRoundTripThroughStrToFloat) {
  std::mt19937_64 rng(42);
  std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
  std::uniform_int_distribution<int> exponent(-300, 300);
  for (int i = 0; i < 2000; ++i) {
    const double v = std::ldexp(mantissa(rng), exponent(rng));
    const std::string general = FloatToStrF(v, ffGeneral, 17, 0);
    EXPECT_EQ(StrToFloat(general), v) << general;
    const std::string exp = FloatToStrF(v, ffExponent, 17, 0);
    EXPECT_EQ(StrToFloat(exp), v) << exp;
  }
  for (double v : {0.1, 2.5, -1234.0625, 1e-5, 3.0e10, 65535.0, -7e-300}) {
    EXPECT_EQ(StrToFloat(FloatToStr(v)), v) << v;
  }
  for (double v : {0.1, 2.5, -1234.0625, 3.0e10, 65535.0}) {
    EXPECT_EQ(StrToFloat(FloatToStrF(v, ffFixed, 15, 4)), v) << v;
  }
}

TEST(StrToFloat, AcceptsDecimalTextOnly) {
  struct Case {
    const char* text;
    double expected;
  } good[] = {{"1.5", 1.5},    {"  -2.25 ", -2.25}, {"+3", 3},   {".5", 0.5},
              {"5.", 5},       {"1e3", 1000},       {"1.5E-2", 0.015}, {"-0", 0}};
  for (const Case& c : good) {
    EXPECT_EQ(StrToFloat(c.text), c.expected) << c.text;
  }
  for (const char* text : {"", ".", "1,5", "1.5.2", "e5", "1e", "1e+", "inf", "nan", "0x10", "1.5x", "1e400",
                           "- 1"}) {
    EXPECT_THROW(StrToFloat(text), EConvertError) << text;
    EXPECT_EQ(StrToFloatDef(text, 7.5), 7.5) << text;
  }
}

TEST(Format, IntegersAndStrings) {
  struct Case {
    std::string actual;
    const char* expected;
  } cases[] = {
      {Format("spSkin%d", 0), "spSkin0"},
      {Format("%d|%5d|%-5d|%.3d", 42, 42, 42, -7), "42|   42|42   |-007"},
      {Format("%u", -1), "4294967295"},
      {Format("%x %X %.8x", 255, 255, 0xABC), "ff FF 00000abc"},
      {Format("ColorA=%.8x", 0x00FF8040), "ColorA=00ff8040"},
      {Format("%x", Int64{-1}), "ffffffffffffffff"},
      {Format("%s and %s", std::string("one"), "two"), "one and two"},
      {Format("[%6s][%-6s][%.2s]", "abc", "abc", "abc"), "[   abc][abc   ][ab]"},
      {Format("%*d|%-*d|%.*f", 4, 7, 3, 8, 1, 2.25), "   7|8  |2.3"},
      {Format("%1:s %0:s %s", "a", "b"), "b a b"},
      {Format("100%%"), "100%"},
      {Format("%s", 'c'), "c"},
      {Format("[%4s][%.1s]", "确定", "确定"), "[  确定][确]"},  // counted in characters
      {Format("Resource %s not found", "IDB_PLAY"), "Resource IDB_PLAY not found"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.actual, c.expected);
  }
  EXPECT_EQ(Format("%p", reinterpret_cast<const void*>(0xBEEF)), "000000000000BEEF");
  EXPECT_EQ(Format("%d %s", {3, "x"}), "3 x");
}

TEST(Format, Floats) {
  EXPECT_EQ(Format("%f", 2.0), "2.00");
  EXPECT_EQ(Format("%.1f", 0.25), "0.3");
  EXPECT_EQ(Format("%e", 1500.0), "1.50000000000000E+003");
  EXPECT_EQ(Format("%.3e", -0.5), "-5.00E-001");
  EXPECT_EQ(Format("%g", 0.5), "0.5");
  EXPECT_EQ(Format("%n", 1234567.0), "1,234,567.00");
  EXPECT_EQ(Format("%m", 5.0), "$5.00");
  EXPECT_EQ(Format("%8.2f|", 3.14159), "    3.14|");
}

TEST(Format, MismatchedOrMissingArgumentsRaise) {
  EXPECT_THROW(Format("%d", 1.5), EConvertError);
  EXPECT_THROW(Format("%f", 1), EConvertError);
  EXPECT_THROW(Format("%s", 1), EConvertError);
  EXPECT_THROW(Format("%d", "1"), EConvertError);
  EXPECT_THROW(Format("%d %d", 1), EConvertError);
  EXPECT_THROW(Format("%q", 1), EConvertError);
  EXPECT_THROW(Format("50%"), EConvertError);
  EXPECT_THROW(Format("%5:d", 1), EConvertError);
  EXPECT_THROW(Format("%*d", "w", 1), EConvertError);
  try {
    Format("%d", 1.5);
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Format '%d' invalid or incompatible with argument");
  }
}

TEST(Format, HugeWidthIsCapped) {
  const std::string s = Format("%999999999d", 1);
  EXPECT_LE(s.size(), 0x10000u);
  EXPECT_EQ(s.back(), '1');
}

TEST(Strings, TrimRemovesBlanksAndControlCharacters) {
  EXPECT_EQ(Trim(" \t\r\n abc \x01"), "abc");
  EXPECT_EQ(TrimLeft("  a b  "), "a b  ");
  EXPECT_EQ(TrimRight("  a b  "), "  a b");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim(" 宋体 "), "宋体");
}

TEST(Strings, CaseMapping) {
  EXPECT_EQ(UpperCase("abc-é"), "ABC-é");
  EXPECT_EQ(LowerCase("ABC-É"), "abc-É");
  EXPECT_EQ(AnsiUpperCase("straße é ä ω 宋体"), "STRAßE É Ä Ω 宋体");
  EXPECT_EQ(AnsiLowerCase("ÉÄΩ ABC"), "éäω abc");
  // Invalid bytes pass through untouched.
  EXPECT_EQ(AnsiUpperCase(std::string("a\xFF\xC3z")), std::string("A\xFF\xC3Z"));
}

TEST(Strings, Comparison) {
  EXPECT_EQ(CompareText("Skin.INI", "skin.ini"), 0);
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  EXPECT_GT(CompareText("abcd", "ABC"), 0);
  EXPECT_TRUE(SameText("Button", "BUTTON"));
  EXPECT_FALSE(SameText("Button", "Buttons"));
  EXPECT_FALSE(SameText("é", "É"));  // ASCII only
  EXPECT_TRUE(AnsiSameText("É", "é"));
  EXPECT_LT(CompareStr("B", "a"), 0);
  EXPECT_GT(CompareStr("ab", "a"), 0);
  EXPECT_LT(AnsiCompareText("apple", "Banana"), 0);
}

TEST(Strings, PosAndCopy) {
  EXPECT_EQ(Pos("b", "abcb"), 2);
  EXPECT_EQ(Pos("x", "abc"), 0);
  EXPECT_EQ(Pos("", "abc"), 0);
  EXPECT_EQ(Copy("abcdef", 2, 3), "bcd");
  EXPECT_EQ(Copy("abcdef", 0, 2), "ab");
  EXPECT_EQ(Copy("abcdef", 5, 100), "ef");
  EXPECT_EQ(Copy("abcdef", 7, 1), "");
  EXPECT_EQ(Copy("abcdef", 2, -1), "");
  EXPECT_EQ(Copy("abc", std::numeric_limits<Int64>::max(), std::numeric_limits<Int64>::max()), "");
}

TEST(Strings, StringReplace) {
  EXPECT_EQ(StringReplace("a-b-c", "-", "+", 0), "a+b-c");
  EXPECT_EQ(StringReplace("a-b-c", "-", "+", rfReplaceAll), "a+b+c");
  EXPECT_EQ(StringReplace("Skin SKIN skin", "skin", "X", rfReplaceAll | rfIgnoreCase), "X X X");
  EXPECT_EQ(StringReplace("Skin SKIN", "skin", "X", rfIgnoreCase), "X SKIN");
  EXPECT_EQ(StringReplace("ÉCRAN écran", "écran", "s", rfReplaceAll | rfIgnoreCase), "s s");
  EXPECT_EQ(StringReplace("aaa", "a", "aa", rfReplaceAll), "aaaaaa");
  EXPECT_EQ(StringReplace("abc", "", "x", rfReplaceAll), "abc");
}

TEST(Strings, Quoting) {
  EXPECT_EQ(QuotedStr("it's"), "'it''s'");
  EXPECT_EQ(AnsiQuotedStr("say \"hi\"", '"'), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(AnsiDequotedStr("'it''s' tail", '\''), "it's");
  EXPECT_EQ(AnsiDequotedStr("plain", '\''), "plain");
  EXPECT_EQ(AnsiDequotedStr("'open", '\''), "open");
}

}  // namespace
