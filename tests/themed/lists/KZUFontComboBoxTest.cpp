// The font combos: the options' filter, the family list with its type
// bits, FontName, the list following installed fonts, and the font sizes.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/gdi/FontFamilies.h"
#include "platform/rtl/SysUtils.h"
#include "tests/platform/gdi/BdfFixture.h"
#include "tests/themed/support/ThemedTestFixture.h"
#include "themed/lists/KZUFontComboBox.h"

namespace {

using S = TkzuUIStyle;

class KZUFontComboTest : public ThemedTest {};

TEST(FontPassesOptions, EachOptionRejectsItsKind) {
  struct Case {
    TFontListOptions options;
    DWORD type;
    Byte charSet;
    bool fixed, passes;
  };
  const Case cases[] = {
      {0, RASTER_FONTTYPE, OEM_CHARSET, false, true},
      {foAnsiOnly, TRUETYPE_FONTTYPE, ANSI_CHARSET, false, true},
      {foAnsiOnly, TRUETYPE_FONTTYPE, DEFAULT_CHARSET, false, false},
      {foTrueTypeOnly, 0, ANSI_CHARSET, false, false},
      {foTrueTypeOnly, TRUETYPE_FONTTYPE, ANSI_CHARSET, false, true},
      {foFixedPitchOnly, TRUETYPE_FONTTYPE, ANSI_CHARSET, false, false},
      {foFixedPitchOnly, TRUETYPE_FONTTYPE, ANSI_CHARSET, true, true},
      {foNoOEMFonts, RASTER_FONTTYPE, OEM_CHARSET, true, false},
      {foOEMFontsOnly, RASTER_FONTTYPE, ANSI_CHARSET, true, false},
      {foOEMFontsOnly, RASTER_FONTTYPE, OEM_CHARSET, true, true},
      {foScalableOnly, RASTER_FONTTYPE, ANSI_CHARSET, true, false},
      {foScalableOnly, 0, ANSI_CHARSET, true, true},  // Type 1: scalable, not TrueType
      {foNoSymbolFonts, TRUETYPE_FONTTYPE, SYMBOL_CHARSET, false, false},
  };
  for (const Case& k : cases)
    EXPECT_EQ(FontPassesOptions(k.options, k.type, k.charSet, k.fixed), k.passes) << int(k.options);
}

TEST_F(KZUFontComboTest, ListsThePlatformsFamiliesSortedWithTheirTypeBits) {
  auto* c = Place<TkzuFontComboBox>(10, 10, 200, 24);
  const std::vector<FontFamilyInfo> families = ListedFontFamilies();
  ASSERT_FALSE(families.empty());
  ASSERT_EQ(c->Items()->Count(), int(families.size()));
  for (int i = 0; i + 1 < c->Items()->Count(); ++i)
    EXPECT_LE(AnsiCompareText(c->Items()->Strings(i), c->Items()->Strings(i + 1)), 0);
  for (const FontFamilyInfo& f : families) {
    const int i = c->Items()->IndexOf(f.name);
    ASSERT_GE(i, 0) << f.name;
    const DWORD expected = f.fontType | (f.charSet == SYMBOL_CHARSET ? 0 : kzuFontNotSymbol);
    EXPECT_EQ(c->FontBits(i), expected) << f.name;
  }
}

TEST_F(KZUFontComboTest, TrueTypeOnlyDropsRasterFamiliesAndNewFontsAreListed) {
  auto* c = Place<TkzuFontComboBox>(10, 10, 200, 24);
  int changes = 0;
  c->OnChange = [&](TObject*) { ++changes; };
  const int before = c->Items()->Count();
  {
    TBdfFont bitmap("Lumiqa Combo Bitmap", 12);
    // The list follows the installed fonts.
    ASSERT_EQ(c->Items()->Count(), before + 1);
    const int i = c->Items()->IndexOf("Lumiqa Combo Bitmap");
    ASSERT_GE(i, 0);
    EXPECT_EQ(c->FontBits(i) & 0xFF, RASTER_FONTTYPE);
    c->SetOptions(foTrueTypeOnly);
    EXPECT_EQ(c->Items()->IndexOf("Lumiqa Combo Bitmap"), -1);
    for (int k = 0; k < c->Items()->Count(); ++k) EXPECT_TRUE(c->FontBits(k) & TRUETYPE_FONTTYPE);
  }
  EXPECT_EQ(changes, 0);  // nothing was selected, nothing changed
}

TEST_F(KZUFontComboTest, FontNameSelectsIgnoringCaseOrClearsADropDownList) {
  auto* c = Place<TkzuFontComboBox>(10, 10, 200, 24);
  int changes = 0;
  c->OnChange = [&](TObject*) { ++changes; };
  c->SetFontName("dejavu sans");
  ASSERT_GE(c->ItemIndex(), 0);
  EXPECT_EQ(c->FontName(), "DejaVu Sans");
  EXPECT_EQ(changes, 1);
  c->SetFontName("DejaVu Sans");  // already so: nothing
  EXPECT_EQ(changes, 1);
  c->SetFontName("No Such Font");
  EXPECT_EQ(c->ItemIndex(), -1);
  EXPECT_EQ(changes, 2);
  // An editable combo takes the name as its text.
  c->SetStyle(fcsDropDown);
  c->SetFontName("No Such Font");
  EXPECT_EQ(c->FontName(), "No Such Font");
}

TEST_F(KZUFontComboTest, ItemHeightFitsTheFontAndTheMarker) {
  auto* c = Place<TkzuFontComboBox>(10, 10, 200, 24);
  EXPECT_GE(c->ItemHeight(), 11);  // the marker is 12 high
  c->Font()->SetSize(20);
  s.display.RunUntilIdle();
  EXPECT_GT(c->ItemHeight(), 20);
}

TEST_F(KZUFontComboTest, SizesOfATrueTypeFamilyAreTheSixteenFixedOnes) {
  auto* z = Place<TkzuFontSizeComboBox>(10, 10, 80, 24);
  EXPECT_EQ(z->Style(), csDropDownList);
  z->SetFontName("DejaVu Sans");
  ASSERT_EQ(z->Items()->Count(), 16);
  EXPECT_EQ(z->Items()->Strings(0), "8");
  EXPECT_EQ(z->Items()->Strings(5), "14");
  EXPECT_EQ(z->Items()->Strings(15), "72");
  z->SetFontName("");
  EXPECT_EQ(z->Items()->Count(), 0);
}

TEST_F(KZUFontComboTest, SizesOfABitmapFamilyAreItsStrikesInPointsRoundedHalfToEven) {
  TBdfFont a("Lumiqa Size Bitmap", 10), b("Lumiqa Size Bitmap", 13), d("Lumiqa Size Bitmap", 14);
  auto* z = Place<TkzuFontSizeComboBox>(10, 10, 80, 24);
  int clicks = 0;
  z->OnClick = [&](TObject*) { ++clicks; };
  z->SetFontName("Lumiqa Size Bitmap");
  ASSERT_EQ(z->PixelsPerInch(), 96);
  // 10 px = 7.5 pt -> 8; 13 px = 9.75 pt -> 10; 14 px = 10.5 pt -> 10 (even), once.
  ASSERT_EQ(z->Items()->Count(), 2);
  EXPECT_EQ(z->Items()->Strings(0), "8");
  EXPECT_EQ(z->Items()->Strings(1), "10");
  EXPECT_EQ(clicks, 1);
}


TEST_F(KZUFontComboTest, TypingANameInAnEditableComboSelectsItAndNotifies) {
  auto* c = Place<TkzuFontComboBox>(10, 10, 200, 24);
  c->SetStyle(fcsDropDown);
  s.display.RunUntilIdle();
  int changes = 0;
  c->OnChange = [&](TObject*) { ++changes; };
  c->SetFocus();
  s.display.RunUntilIdle();
  s.display.Text("Liberation Mon");
  s.display.RunUntilIdle();
  EXPECT_GT(changes, 0);
  EXPECT_EQ(c->ItemIndex(), c->Items()->IndexOf("Liberation Mono"));  // completed by the combo
}

TEST_F(KZUFontComboTest, SnapshotsInEveryLook) {
  const S looks[] = {S::MacOS, S::WinXP, S::DeepBlue, S::Protein, S::BlueGlass};
  const char* const names[] = {"macos", "winxp", "deepblue", "protein", "blueglass"};
  for (int li = 0; li < 5; ++li) {
    form->SetColor(GetThemeColor(looks[li], 9));
    auto* f = Place<TkzuFontComboBox>(10, 10, 220, 24);
    f->SetUIStyle(looks[li]);
    f->SetFontName("WenQuanYi Zen Hei Mono");
    f->SetUseFonts(true);
    auto* z = Place<TkzuFontSizeComboBox>(240, 10, 70, 24);
    z->SetUIStyle(looks[li]);
    z->SetFontName("DejaVu Sans");
    z->SetItemIndex(4);
    auto* c = Place<TkzuFontDrawComboBox>(10, 50, 220, 24);
    c->SetUIStyle(looks[li]);
    s.display.RunUntilIdle();
    if (looks[li] != S::MacOS) {  // MacOS draws a picture on the button
      EXPECT_EQ(At(f, f->ButtonRect().Left + 2, 3), COLORREF(GetThemeColor(looks[li], 74))) << names[li];
    }
    SaveFormSheet(std::string("themed_fontcombo_") + names[li]);
    delete f;
    delete z;
    delete c;
    s.display.RunUntilIdle();
  }
}


}  // namespace
