#include "skin/engine/SkinDataIni.h"

#include <gtest/gtest.h>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StringList.h"
#include "tests/skin/engine/SkinTestUtil.h"

namespace {

struct PointCase {
  const char* text;
  TPoint expected;
};

TEST(SkinDataIni, PointKeepsOnlyDigitsOfEachField) {
  const PointCase cases[] = {
      {"10, 20", {10, 20}}, {"x10y,20z", {10, 20}}, {"-5,10", {5, 10}}, {"5,6,", {5, 6}}, {"1,2,3", {1, 2}},
  };
  for (const PointCase& c : cases) EXPECT_EQ(ParseSkinPoint(c.text), c.expected) << c.text;
}

TEST(SkinDataIni, PointOrRectWithoutDigitsInAFieldRaises) {
  for (const char* bad : {"10;20", ",6", "", "5", "a,b", "99999999999,1"})
    EXPECT_THROW(ParseSkinPoint(bad), EConvertError) << bad;
  for (const char* bad : {"1,2,3", "1,,3,4", "1,2,3,x"}) EXPECT_THROW(ParseSkinRect(bad), EConvertError) << bad;
}

// A bad value of any length is quoted by its first 80 characters only.
TEST(SkinDataIni, ErrorsQuoteTheStartOfALongBadValue) {
  const std::string junk = "start" + std::string(60000, 'z');
  const std::string digits = std::string(1000, '9') + ",1";
  for (const std::string& bad : {junk, digits}) {
    try {
      ParseSkinPoint(bad);
      ADD_FAILURE() << "no exception";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message().substr(0, 6), "'" + bad.substr(0, 5)) << e.Message();
      EXPECT_NE(e.Message().find(bad.substr(0, 80) + "...'"), std::string::npos) << e.Message();
      EXPECT_LT(e.Message().size(), 130u);
    }
  }
}

TEST(SkinDataIni, RectIgnoresExtraFields) {
  EXPECT_EQ(ParseSkinRect("1,2,3,4,5,6"), (TRect{1, 2, 3, 4}));
  EXPECT_EQ(ParseSkinRect("2147483647,0,1,1"), (TRect{2147483647, 0, 1, 1}));
}

TEST(SkinDataIni, AbsentPointReadsZeroButEmptyPointRaises) {
  auto ini = IniFromText("[S]\nlefttoppoint=\nother=1\n");
  EXPECT_THROW(ReadSkinPoint(*ini, "S", "lefttoppoint"), EConvertError);
  EXPECT_EQ(ReadSkinPoint(*ini, "S", "missing"), (TPoint{0, 0}));
  EXPECT_EQ(ReadSkinRect(*ini, "S", "missing"), (TRect{}));
}

TEST(SkinDataIni, FlagIsTrueOnlyForIntegerOne) {
  auto ini = IniFromText("[S]\na=01\nb=true\nc=2\nd=-1\ne=1\nf=$1\n");
  EXPECT_TRUE(ReadSkinFlag(*ini, "S", "a"));
  EXPECT_FALSE(ReadSkinFlag(*ini, "S", "b"));
  EXPECT_FALSE(ReadSkinFlag(*ini, "S", "c"));
  EXPECT_FALSE(ReadSkinFlag(*ini, "S", "d"));
  EXPECT_TRUE(ReadSkinFlag(*ini, "S", "e"));
  EXPECT_TRUE(ReadSkinFlag(*ini, "S", "f"));
  EXPECT_FALSE(ReadSkinFlag(*ini, "S", "absent"));
}

TEST(SkinDataIni, ColourAcceptsHexForms) {
  auto ini = IniFromText("[S]\na=$FF\nb=0xFF\nc=16711680\n");
  EXPECT_EQ(ini->ReadInteger("S", "a", 0), 255);
  EXPECT_EQ(ini->ReadInteger("S", "b", 0), 255);
  EXPECT_EQ(ini->ReadInteger("S", "c", 0), 16711680);
}

TEST(SkinDataIni, FontStyleWordsAreCaseSensitiveSubstrings) {
  auto ini = IniFromText("[S]\na=fsItalic\nb=fsunderline,fsbold\nc=fsboldfsitalic\nd=\n");
  EXPECT_EQ(ReadSkinFontStyle(*ini, "S", "a"), 0u);
  EXPECT_EQ(ReadSkinFontStyle(*ini, "S", "b"), fsBold | fsUnderline);
  EXPECT_EQ(ReadSkinFontStyle(*ini, "S", "c"), fsBold | fsItalic);
  EXPECT_EQ(ReadSkinFontStyle(*ini, "S", "d"), 0u);

  TMemIniFile out;
  WriteSkinFontStyle(out, "S", "k", fsUnderline | fsBold);
  EXPECT_EQ(out.ReadString("S", "k", "?"), "fsbold,fsunderline");
  WriteSkinFontStyle(out, "S", "none", 0);
  EXPECT_EQ(out.ReadString("S", "none", "?"), "");
}

TEST(SkinDataIni, UnknownAlignmentWordMeansRight) {
  auto ini = IniFromText("[S]\na=TaCenter\nb=taleftjustify\nc=tacenter\nd=middle\n");
  EXPECT_EQ(ReadSkinAlignment(*ini, "S", "a"), taRightJustify);
  EXPECT_EQ(ReadSkinAlignment(*ini, "S", "b"), taLeftJustify);
  EXPECT_EQ(ReadSkinAlignment(*ini, "S", "c"), taCenter);
  EXPECT_EQ(ReadSkinAlignment(*ini, "S", "d"), taRightJustify);
  EXPECT_EQ(ReadSkinAlignment(*ini, "S", "absent"), taCenter);
}

struct WordCase {
  const TspSkinWords* words;
  const char* value;  // nullptr: key absent
  int expected;
};

TEST(SkinDataIni, WordEnumerationsGiveAbsentAndOtherValues) {
  const WordCase cases[] = {
      {&StretchTypeWords, "stFull", 1},       {&StretchTypeWords, nullptr, 0},
      {&StretchTypeWords, "stvert", 2},       {&MorphKindWords, "mkpush", 6},
      {&MorphKindWords, "mkPush", 0},         {&InactiveEffectWords, "whatever", 2},
      {&InactiveEffectWords, nullptr, 0},     {&InactiveEffectWords, "ieinvert", 5},
      {&FramesPlacementWords, "fpVertical", 1}, {&RegulatorKindWords, "rkhorizontal", 1},
      {&RegulatorKindWords, "other", 2},      {&GaugeKindWords, "x", 1},
      {&CommandWords, nullptr, 4},            {&CommandWords, "cmminimizetotray", 6},
      {&CommandWords, "cmMaximize", 6},       {&CommandWords, "cmrollup", 5},
  };
  for (const WordCase& c : cases) {
    auto ini = IniFromText(c.value ? std::string("[S]\nk=") + c.value + "\nz=1\n" : "[S]\nz=1\n");
    EXPECT_EQ(ReadSkinWord(*ini, "S", "k", *c.words), c.expected) << (c.value ? c.value : "(absent)");
  }
}

TEST(SkinDataIni, WordWriterUsesOtherWordOutsideTable) {
  TMemIniFile out;
  WriteSkinWord(out, "S", "command", 9, CommandWords);
  WriteSkinWord(out, "S", "kind", 7, RegulatorKindWords);
  WriteSkinWord(out, "S", "stretch", stVert, StretchTypeWords);
  EXPECT_EQ(out.ReadString("S", "command", ""), "cmminimizetotray");
  EXPECT_EQ(out.ReadString("S", "kind", ""), "rkvertical");
  EXPECT_EQ(out.ReadString("S", "stretch", ""), "stvert");
}

TEST(SkinDataIni, NegativeCoordinatesAreWrittenAsZeroSoTheyReadBackAsWritten) {
  TMemIniFile out;
  WriteSkinRect(out, "S", "r", TRect{-5, 2, 30, -1});
  WriteSkinPoint(out, "S", "p", TPoint{-3, 4});
  EXPECT_EQ(ReadSkinRect(out, "S", "r"), (TRect{0, 2, 30, 0}));
  EXPECT_EQ(ReadSkinPoint(out, "S", "p"), (TPoint{0, 4}));
}

TEST(SkinDataIni, ListsAppendAndIgnoreBadCounts) {
  auto ini = IniFromText("[L]\nactivepicturescount=2\n0=a.bmp\n1=b.bmp\n"
                         "[N]\ncount=-4\n0=x\n"
                         "[T]\nsymbolslinecount=2\nsymbolsline0=ABC\nsymbolsline1=DEF\n");
  TStringList list;
  list.Add("keep");
  ReadSkinList(*ini, "L", "activepictures", &list);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list[1], "a.bmp");
  EXPECT_EQ(list[2], "b.bmp");
  TStringList none;
  ReadSkinList(*ini, "N", "", &none);
  EXPECT_EQ(none.Count(), 0);
  TStringList rows;
  ReadSkinStrings(*ini, "T", "symbols", &rows);
  ASSERT_EQ(rows.Count(), 2);
  EXPECT_EQ(rows[1], "DEF");

  TMemIniFile out;
  WriteSkinStrings(out, "T", "symbols", &rows);
  EXPECT_EQ(out.ReadInteger("T", "symbolslinecount", 0), 2);
  EXPECT_EQ(out.ReadString("T", "symbolsline0", ""), "ABC");
}

TEST(SkinDataIni, HugeListCountIsCapped) {
  auto ini = IniFromText("[L]\nactivepicturescount=2000000000\n0=a\n");
  TStringList list;
  ReadSkinList(*ini, "L", "activepictures", &list);
  EXPECT_EQ(list.Count(), kMaxSkinListCount);
}

TEST(SkinDataIni, EntrySplitsAtFirstColon) {
  std::string name, rest;
  EXPECT_TRUE(SplitSkinEntry("caption:caption:x", name, rest));
  EXPECT_EQ(name, "caption");
  EXPECT_EQ(rest, "caption:x");
  EXPECT_FALSE(SplitSkinEntry("nocolon", name, rest));
  EXPECT_EQ(name, "");
  EXPECT_EQ(rest, "");
}

}  // namespace
