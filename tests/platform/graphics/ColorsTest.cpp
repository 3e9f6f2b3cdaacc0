#include "platform/graphics/Colors.h"

#include <gtest/gtest.h>

#include "platform/graphics/Graphics.h"
#include "platform/rtl/Exceptions.h"

namespace {

TEST(Colors, SystemColoursUseTheHighByteAndResolveThroughTheTable) {
  EXPECT_EQ(clBtnFace, -16777201);
  const struct {
    TColor colour;
    int index;
  } cases[] = {{clScrollBar, 0}, {clWindow, 5}, {clWindowText, 8}, {clHighlight, 13}, {clHighlightText, 14},
               {clBtnFace, 15}, {clBtnShadow, 16}, {clGrayText, 17}, {clBtnText, 18}, {clBtnHighlight, 20},
               {cl3DDkShadow, 21}, {cl3DLight, 22}, {clInfoText, 23}, {clInfoBk, 24}, {clMenuBar, 30}};
  for (const auto& c : cases) EXPECT_EQ(ColorToRGB(c.colour), TColor(SysColorTable[c.index])) << c.index;
  // The older 0x80 high byte resolves the same way.
  EXPECT_EQ(ColorToRGB(TColor(0x8000000Fu)), ColorToRGB(clBtnFace));
  EXPECT_EQ(ColorToRGB(SysColor(200)), 0);  // past the table: black
}

TEST(Colors, PlainAndSpecialValuesPassThrough) {
  EXPECT_EQ(ColorToRGB(clNavy), 0x800000);
  EXPECT_EQ(ColorToRGB(clNone), 0x1FFFFFFF);
  EXPECT_EQ(ColorToRGB(clDefault), 0x20000000);
  // The complement of a resolved colour, masked, is a plain colour again.
  EXPECT_EQ(~ColorToRGB(clWhite) & 0xFFFFFF, clBlack);
}

TEST(Colors, NamesComeInTheFrameworkOrder) {
  ASSERT_EQ(ColorNameCount, 16 + 4 + 25 + 2);
  EXPECT_STREQ(ColorNames[0].Name, "clBlack");
  EXPECT_STREQ(ColorNames[15].Name, "clWhite");
  EXPECT_STREQ(ColorNames[16].Name, "clMoneyGreen");
  EXPECT_STREQ(ColorNames[19].Name, "clMedGray");
  EXPECT_STREQ(ColorNames[ColorNameCount - 2].Name, "clNone");
  EXPECT_STREQ(ColorNames[ColorNameCount - 1].Name, "clDefault");
  for (int i = 20; i < 45; ++i) EXPECT_LT(ColorNames[i].Value, 0) << ColorNames[i].Name;
}

TEST(Colors, StringConversionRoundTrips) {
  for (int i = 0; i < ColorNameCount; ++i) {
    EXPECT_EQ(ColorToString(ColorNames[i].Value), ColorNames[i].Name);
    EXPECT_EQ(StringToColor(ColorNames[i].Name), ColorNames[i].Value);
  }
  EXPECT_EQ(StringToColor("CLRED"), clRed);
  EXPECT_EQ(ColorToString(0x123456), "$00123456");
  EXPECT_EQ(StringToColor("$00123456"), 0x123456);
  EXPECT_EQ(StringToColor("-16777201"), clBtnFace);
  EXPECT_EQ(StringToColor("0xFF"), clRed);
  for (const char* bad : {"", "clPink", "$", "12x", "99999999999"}) EXPECT_THROW(StringToColor(bad), EConvertError) << bad;
}

TEST(Font, SizeAndHeightConvertAtNinetySixDpi) {
  const struct {
    int height, size;
  } cases[] = {{-11, 8}, {-13, 10}, {-16, 12}, {-12, 9}, {-15, 11}, {-21, 16}};
  for (const auto& c : cases) {
    TFont f;
    f.SetHeight(c.height);
    EXPECT_EQ(f.Size(), c.size) << c.height;
    TFont g;
    g.SetSize(c.size);
    EXPECT_EQ(g.Height(), c.height) << c.size;
  }
}

TEST(Font, HandleCarriesTheSettingsAndIsRemadeAfterAChange) {
  TFont f;
  int changes = 0;
  f.OnChange = [&](TObject*) { ++changes; };
  f.SetName("Arial");
  f.SetHeight(-14);
  f.SetStyle(fsBold | fsItalic | fsUnderline | fsStrikeOut);
  f.SetCharset(GB2312_CHARSET);
  f.SetPitch(fpFixed);
  EXPECT_EQ(changes, 5);
  f.SetName("Arial");
  EXPECT_EQ(changes, 5);
  LOGFONT lf = f.LogFont();
  EXPECT_STREQ(lf.lfFaceName, "Arial");
  EXPECT_EQ(lf.lfHeight, -14);
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_TRUE(lf.lfItalic && lf.lfUnderline && lf.lfStrikeOut);
  EXPECT_EQ(lf.lfCharSet, GB2312_CHARSET);
  EXPECT_EQ(lf.lfPitchAndFamily & 3, FIXED_PITCH);
  HFONT h = f.Handle();
  ASSERT_NE(h, nullptr);
  TFont copy;
  copy.SetHandle(h);
  EXPECT_EQ(copy.Name(), "Arial");
  EXPECT_EQ(copy.Style(), fsBold | fsItalic | fsUnderline | fsStrikeOut);
  EXPECT_EQ(copy.Pitch(), fpFixed);
  f.SetHeight(-20);
  EXPECT_EQ(f.LogFont().lfHeight, -20);
  EXPECT_NE(f.Handle(), nullptr);
}

TEST(Font, AssignCopiesEverySetting) {
  TFont a, b;
  a.SetName("Verdana");
  a.SetSize(14);
  a.SetColor(clRed);
  a.SetStyle(fsBold);
  b.Assign(&a);
  EXPECT_EQ(b.Name(), "Verdana");
  EXPECT_EQ(b.Size(), 14);
  EXPECT_EQ(b.Color(), clRed);
  EXPECT_EQ(b.Style(), fsBold);
  TPen pen;
  EXPECT_THROW(b.Assign(&pen), EConvertError);
}

TEST(Brush, ColourOnAClearBrushMakesItSolid) {
  TBrush b;
  b.SetStyle(bsClear);
  b.SetColor(clRed);
  EXPECT_EQ(b.Style(), bsSolid);
}

TEST(Pen, ModesMapToTheirRop2Codes) {
  EXPECT_EQ(PenModeToRop2(pmCopy), R2_COPYPEN);
  EXPECT_EQ(PenModeToRop2(pmNot), R2_NOT);
  EXPECT_EQ(PenModeToRop2(pmXor), R2_XORPEN);
  EXPECT_EQ(PenModeToRop2(pmNotXor), R2_NOTXORPEN);
  EXPECT_EQ(PenModeToRop2(pmMaskPenNot), R2_MASKPENNOT);
  EXPECT_EQ(PenModeToRop2(pmBlack), R2_BLACK);
}

}  // namespace
