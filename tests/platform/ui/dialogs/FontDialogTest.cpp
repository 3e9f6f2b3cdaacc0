#include "platform/ui/dialogs/FontDialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/platform/gdi/BdfFixture.h"
#include "tests/platform/ui/FormTestFixture.h"
#include "platform/gdi/FontFamilies.h"
#include "platform/ui/system/Printers.h"
#include "platform/rtl/FileUtils.h"
#include "platform/ui/controls/ClassicDraw.h"
#include "platform/ui/lists/ComboBox.h"
#include "platform/ui/controls/StdCtrls.h"

namespace {

class FontDialogTest : public FormsTest {
 protected:
  // Runs fn on the open font dialog, 100 ms in.
  void OnDialog(std::function<void(TFontDialogDriver& d)> fn) {
    After(100, [fn] {
      TFontDialogDriver d(dynamic_cast<TForm*>(Screen->ActiveForm()));
      ASSERT_TRUE(d.Valid());
      fn(d);
    });
  }
  // Answers the next message box (shown from inside an OK press) and keeps its text.
  void AnswerMessageBox(std::string& text) {
    After(50, [&text] {
      TForm* box = dynamic_cast<TForm*>(Screen->ActiveForm());
      ASSERT_NE(box, nullptr);
      auto* label = dynamic_cast<TLabel*>(box->FindComponent("Message"));
      ASSERT_NE(label, nullptr);
      text = label->Caption();
      box->SetModalResult(mrOk);
    });
  }
  // A pixel of the open dialog at a client point of one of its controls.
  COLORREF PixelAt(TControl* c, int x, int y) {
    HWND h = Screen->ActiveForm()->Handle();
    RECT wr{};
    GetWindowRect(h, &wr);
    const TPoint p = c->ClientToScreen(TPoint{x, y});
    return s.display.PixelAt(h, p.X - wr.Left, p.Y - wr.Top);
  }
  TControl* Part(const std::string& name) {
    return dynamic_cast<TControl*>(Screen->ActiveForm()->FindComponent(name));
  }
  LOGFONT lf;
  CHOOSEFONT Request(DWORD flags) {
    CHOOSEFONT cf;
    cf.lpLogFont = &lf;
    cf.Flags = flags;
    return cf;
  }
};

TEST_F(FontDialogTest, FacesComeFromTheScreenFontsAndNoneFromThePrinter) {
  struct TCase {
    DWORD flags;
    int count;
  };
  const int screen = Screen->Fonts()->Count();
  ASSERT_GT(screen, 0);
  ASSERT_EQ(Printer()->Fonts()->Count(), 0);
  const TCase cases[] = {{CF_SCREENFONTS, screen}, {CF_BOTH, screen}, {CF_PRINTERFONTS, 0}, {0, screen}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.flags);
    CHOOSEFONT cf = Request(c.flags);
    OnDialog([&](TFontDialogDriver& d) {
      EXPECT_EQ(d.Faces()->Count(), c.count);
      EXPECT_EQ(d.Faces()->IndexOf("DejaVu Sans") >= 0, c.count > 0);
      d.Cancel();
    });
    EXPECT_FALSE(ChooseFont(&cf));
  }
}

TEST_F(FontDialogTest, ReturnsTheChosenFaceSizeAndStyle) {
  struct TCase {
    const char* face;
    const char* style;
    const char* size;
    int height, weight, italic;
    Word type;
  };
  const TCase cases[] = {
      {"DejaVu Sans", "Regular", "12", -16, FW_NORMAL, 0, REGULAR_FONTTYPE},
      {"Liberation Serif", "Bold Italic", "11", -15, FW_BOLD, 1, BOLD_FONTTYPE | ITALIC_FONTTYPE},
      {"DejaVu Sans Mono", "Italic", "9", -12, FW_NORMAL, 1, ITALIC_FONTTYPE},
      {"Liberation Sans", "Bold", "10", -13, FW_BOLD, 0, BOLD_FONTTYPE},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.face);
    lf = LOGFONT{};
    lf.lfUnderline = 1;  // without CF_EFFECTS the record is rebuilt from scratch
    CHOOSEFONT cf = Request(CF_SCREENFONTS);
    OnDialog([&](TFontDialogDriver& d) {
      EXPECT_FALSE(d.EffectsVisible());
      EXPECT_TRUE(d.SelectFace(c.face));
      EXPECT_TRUE(d.SelectStyle(c.style));
      EXPECT_TRUE(d.SelectSize(c.size));
      EXPECT_EQ(d.FaceText(), c.face);
      d.Ok();
    });
    ASSERT_TRUE(ChooseFont(&cf));
    EXPECT_STREQ(lf.lfFaceName, c.face);
    EXPECT_EQ(lf.lfHeight, c.height);
    EXPECT_EQ(lf.lfWeight, c.weight);
    EXPECT_EQ(lf.lfItalic, c.italic);
    EXPECT_EQ(lf.lfUnderline, 0);
    EXPECT_EQ(cf.iPointSize, std::atoi(c.size) * 10);
    EXPECT_EQ(cf.nFontType, Word(SCREEN_FONTTYPE | c.type));
  }
}

TEST_F(FontDialogTest, InitToLogFontPreselectsAndCancelWritesNothing) {
  struct TCase {
    const char* face;
    int height, weight, italic;
    const char* shownFace;
    const char* shownStyle;
    const char* shownSize;
  };
  const TCase cases[] = {
      {"DejaVu Sans", -16, FW_BOLD, 1, "DejaVu Sans", "Bold Italic", "12"},
      {"dejavu serif", -13, FW_NORMAL, 0, "dejavu serif", "Regular", "10"},
      // A Windows face shows by its own name, not its stand-in's.
      {"Arial", -11, FW_NORMAL, 1, "Arial", "Italic", "8"},
      {"Tahoma", -11, FW_NORMAL, 0, "Tahoma", "Regular", "8"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.face);
    lf = LOGFONT{};
    std::strcpy(lf.lfFaceName, c.face);
    lf.lfHeight = c.height;
    lf.lfWeight = c.weight;
    lf.lfItalic = Byte(c.italic);
    LOGFONT before = lf;
    CHOOSEFONT cf = Request(CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT);
    OnDialog([&](TFontDialogDriver& d) {
      EXPECT_EQ(d.FaceText(), c.shownFace);
      EXPECT_EQ(d.StyleText(), c.shownStyle);
      EXPECT_EQ(d.SizeText(), c.shownSize);
      d.SelectSize("20");
      d.Cancel();
    });
    EXPECT_FALSE(ChooseFont(&cf));
    EXPECT_EQ(std::memcmp(&lf, &before, sizeof lf), 0);
  }
}

TEST_F(FontDialogTest, LimitSizeRefusesASizeOutsideTheRange) {
  CHOOSEFONT cf = Request(CF_SCREENFONTS | CF_LIMITSIZE);
  cf.nSizeMin = 9;
  cf.nSizeMax = 24;
  std::string refusal, second;
  bool stillOpen = false;
  OnDialog([&](TFontDialogDriver& d) {
    EXPECT_EQ(d.Sizes()->Count(), 10);  // 9, 10, 11, 12, 14, 16, 18, 20, 22, 24
    EXPECT_EQ(d.Sizes()->Strings(0), "9");
    EXPECT_FALSE(d.SelectSize("8"));
    d.SelectFace("DejaVu Sans");
    d.TypeSize("30");
    AnswerMessageBox(refusal);
    d.Ok();
    stillOpen = Screen->ActiveForm() && Screen->ActiveForm()->Modal();
    d.TypeSize("8");
    AnswerMessageBox(second);
    d.Ok();
    d.TypeSize("20");
    d.Ok();
  });
  ASSERT_TRUE(ChooseFont(&cf));
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(refusal, "Size must be between 9 and 24 points.");
  EXPECT_EQ(second, refusal);
  EXPECT_EQ(lf.lfHeight, -27);
  EXPECT_EQ(cf.iPointSize, 200);
}

TEST_F(FontDialogTest, RefusesAMissingFaceOrABadSize) {
  struct TCase {
    DWORD flags;
    const char* face;
    const char* size;
    const char* message;
  };
  const TCase cases[] = {
      {0, "", "12", "Choose a font from the list of fonts."},
      {CF_FORCEFONTEXIST, "No Such Face", "12", "There is no font with that name.\nChoose a font from the list of fonts."},
      {0, "DejaVu Sans", "big", "Size must be a number."},
      {0, "DejaVu Sans", "0", "Size must be a number."},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.face);
    CHOOSEFONT cf = Request(CF_SCREENFONTS | c.flags);
    std::string refusal;
    OnDialog([&](TFontDialogDriver& d) {
      d.TypeFace(c.face);
      d.TypeSize(c.size);
      AnswerMessageBox(refusal);
      d.Ok();
      d.Cancel();
    });
    EXPECT_FALSE(ChooseFont(&cf));
    EXPECT_EQ(refusal, c.message);
  }
}

TEST_F(FontDialogTest, AnUnlistedFaceIsAcceptedWithoutForceFontExist) {
  CHOOSEFONT cf = Request(CF_SCREENFONTS);
  OnDialog([&](TFontDialogDriver& d) {
    d.TypeFace("Tahoma");
    d.TypeSize("8");
    d.Ok();
  });
  ASSERT_TRUE(ChooseFont(&cf));
  EXPECT_STREQ(lf.lfFaceName, "Tahoma");
  EXPECT_EQ(lf.lfHeight, -11);
}

TEST_F(FontDialogTest, EffectsGiveUnderlineStrikeOutAndColour) {
  CHOOSEFONT cf = Request(CF_SCREENFONTS | CF_EFFECTS);
  cf.rgbColors = RGB(1, 2, 3);
  OnDialog([&](TFontDialogDriver& d) {
    EXPECT_TRUE(d.EffectsVisible());
    d.SelectFace("DejaVu Serif");
    d.SelectSize("14");
    d.SetUnderline(true);
    d.SetStrikeOut(true);
    EXPECT_TRUE(d.SelectColor("Red"));
    const TFont* sample = d.SampleFont();
    EXPECT_EQ(sample->Name(), "DejaVu Serif");
    EXPECT_EQ(sample->Height(), -19);
    EXPECT_EQ(sample->Style(), fsUnderline | fsStrikeOut);
    EXPECT_EQ(sample->Color(), clRed);
    d.Ok();
  });
  ASSERT_TRUE(ChooseFont(&cf));
  EXPECT_EQ(lf.lfUnderline, 1);
  EXPECT_EQ(lf.lfStrikeOut, 1);
  EXPECT_EQ(cf.rgbColors, COLORREF(clRed));
}

TEST_F(FontDialogTest, ABadRecordIsRefusedWithoutADialog) {
  CHOOSEFONT cf = Request(CF_SCREENFONTS);
  cf.lpLogFont = nullptr;
  EXPECT_FALSE(ChooseFont(&cf));
  EXPECT_FALSE(ChooseFont(nullptr));
  EXPECT_EQ(Screen->CustomFormCount(), 0);
}

TEST_F(FontDialogTest, ComponentRoundTripsTheFont) {
  TFontDialog dlg(&app);
  dlg.Font()->SetName("DejaVu Sans");
  dlg.Font()->SetSize(10);
  dlg.Font()->SetColor(clBlue);
  OnDialog([&](TFontDialogDriver& d) {
    EXPECT_EQ(d.FaceText(), "DejaVu Sans");
    EXPECT_EQ(d.SizeText(), "10");
    EXPECT_EQ(d.SampleFont()->Color(), clBlue);
    d.SelectFace("Liberation Serif");
    d.SelectStyle("Bold");
    d.SelectSize("14");
    d.SelectColor("Maroon");
    d.Ok();
  });
  ASSERT_TRUE(dlg.Execute());
  EXPECT_EQ(dlg.Font()->Name(), "Liberation Serif");
  EXPECT_EQ(dlg.Font()->Height(), -19);
  EXPECT_EQ(dlg.Font()->Size(), 14);
  EXPECT_EQ(dlg.Font()->Style(), fsBold);
  EXPECT_EQ(dlg.Font()->Color(), clMaroon);

  OnDialog([&](TFontDialogDriver& d) {
    d.SelectSize("8");
    d.Cancel();
  });
  EXPECT_FALSE(dlg.Execute());
  EXPECT_EQ(dlg.Font()->Size(), 14);
}

TEST_F(FontDialogTest, ComponentLimitsSizes) {
  TFontDialog dlg(&app);
  dlg.Options = fdLimitSize;
  dlg.MinFontSize = 10;
  dlg.MaxFontSize = 12;
  OnDialog([&](TFontDialogDriver& d) {
    ASSERT_EQ(d.Sizes()->Count(), 3);
    EXPECT_EQ(d.Sizes()->Strings(2), "12");
    EXPECT_FALSE(d.EffectsVisible());
    d.Cancel();
  });
  EXPECT_FALSE(dlg.Execute());
}

// ---- List filters ----------------------------------------------------------------

std::vector<std::string> Names(TStrings* list) {
  std::vector<std::string> out;
  for (int i = 0; i < list->Count(); ++i) out.push_back(list->Strings(i));
  return out;
}

bool Listed(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

TEST(FontDialogFilter, FamiliesPassByPitchTypeAndCharset) {
  auto family = [](DWORD type, Byte charSet, bool fixed) {
    FontFamilyInfo f;
    f.name = "F";
    f.fontType = type;
    f.charSet = charSet;
    f.fixedPitch = fixed;
    if (type == RASTER_FONTTYPE) f.sizes = {10};
    return f;
  };
  const FontFamilyInfo ttMono = family(TRUETYPE_FONTTYPE, ANSI_CHARSET, true);
  const FontFamilyInfo ttSans = family(TRUETYPE_FONTTYPE, ANSI_CHARSET, false);
  const FontFamilyInfo ttSymbol = family(TRUETYPE_FONTTYPE, SYMBOL_CHARSET, false);
  const FontFamilyInfo type1 = family(0, ANSI_CHARSET, false);  // scalable, not TrueType
  const FontFamilyInfo rasterFixed = family(RASTER_FONTTYPE, ANSI_CHARSET, true);
  const FontFamilyInfo rasterLatin = family(RASTER_FONTTYPE, DEFAULT_CHARSET, false);
  struct Case {
    const char* what;
    DWORD flags;
    bool ttMono, ttSans, ttSymbol, type1, rasterFixed, rasterLatin;
  };
  const Case cases[] = {
      {"no filter", CF_SCREENFONTS, true, true, true, true, true, true},
      {"fixed pitch", CF_FIXEDPITCHONLY, true, false, false, false, true, false},
      {"TrueType", CF_TTONLY, true, true, true, false, false, false},
      {"scalable", CF_SCALABLEONLY, true, true, true, true, false, false},
      {"ANSI", CF_ANSIONLY, true, true, false, true, true, false},
      {"scripts is ANSI", CF_SCRIPTSONLY, true, true, false, true, true, false},
      {"no vector fonts removes nothing", CF_NOVECTORFONTS, true, true, true, true, true, true},
      {"fixed TrueType", CF_FIXEDPITCHONLY | CF_TTONLY, true, false, false, false, false, false},
      {"ANSI scalable", CF_ANSIONLY | CF_SCALABLEONLY, true, true, false, true, false, false},
      {"unrelated flags", CF_EFFECTS | CF_LIMITSIZE | CF_NOSIMULATIONS | CF_FORCEFONTEXIST, true, true, true, true,
       true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ChooseFontListsFamily(ttMono, c.flags), c.ttMono);
    EXPECT_EQ(ChooseFontListsFamily(ttSans, c.flags), c.ttSans);
    EXPECT_EQ(ChooseFontListsFamily(ttSymbol, c.flags), c.ttSymbol);
    EXPECT_EQ(ChooseFontListsFamily(type1, c.flags), c.type1);
    EXPECT_EQ(ChooseFontListsFamily(rasterFixed, c.flags), c.rasterFixed);
    EXPECT_EQ(ChooseFontListsFamily(rasterLatin, c.flags), c.rasterLatin);
  }
}

constexpr const char* kBitmapFamily = "Lumiqa Dialog Bitmap";

TEST_F(FontDialogTest, TheFaceListShowsOnlyTheFilteredFamilies) {
  // A raster family with Latin letters but not all of Latin-1, next to the pinned fonts.
  TBdfFont bitmap(kBitmapFamily, 13, "C");
  ASSERT_EQ(bitmap.Faces(), 1);
  struct TCase {
    const char* what;
    DWORD flags;
    std::vector<const char*> kept, dropped;
    bool (*wanted)(const FontFamilyInfo&);
  };
  const TCase cases[] = {
      {"fixed pitch", CF_FIXEDPITCHONLY, {"DejaVu Sans Mono", "Liberation Mono", kBitmapFamily},
       {"DejaVu Sans", "Liberation Serif", "WenQuanYi Zen Hei"},
       [](const FontFamilyInfo& f) { return f.fixedPitch; }},
      {"TrueType", CF_TTONLY, {"DejaVu Sans", "DejaVu Sans Mono", "WenQuanYi Zen Hei"}, {kBitmapFamily},
       [](const FontFamilyInfo& f) { return f.TrueType(); }},
      {"scalable", CF_SCALABLEONLY, {"DejaVu Sans", "Liberation Mono"}, {kBitmapFamily},
       [](const FontFamilyInfo& f) { return !f.Raster(); }},
      {"ANSI", CF_ANSIONLY, {"DejaVu Sans", "Liberation Serif", "WenQuanYi Zen Hei"}, {kBitmapFamily},
       [](const FontFamilyInfo& f) { return f.charSet == ANSI_CHARSET; }},
      {"no vector fonts", CF_NOVECTORFONTS, {"DejaVu Sans", kBitmapFamily}, {},
       [](const FontFamilyInfo&) { return true; }},
      {"fixed TrueType", CF_FIXEDPITCHONLY | CF_TTONLY, {"DejaVu Sans Mono", "Liberation Mono"},
       {"DejaVu Sans", kBitmapFamily}, [](const FontFamilyInfo& f) { return f.fixedPitch && f.TrueType(); }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> expected;
    for (const FontFamilyInfo& f : ListedFontFamilies())
      if (c.wanted(f)) expected.push_back(f.name);
    CHOOSEFONT cf = Request(CF_SCREENFONTS | c.flags);
    std::vector<std::string> shown;
    OnDialog([&](TFontDialogDriver& d) {
      shown = Names(d.Faces());
      d.Cancel();
    });
    EXPECT_FALSE(ChooseFont(&cf));
    EXPECT_EQ(shown, expected);
    for (const char* name : c.kept) EXPECT_TRUE(Listed(shown, name)) << name;
    for (const char* name : c.dropped) EXPECT_FALSE(Listed(shown, name)) << name;
  }
}

TEST_F(FontDialogTest, ARasterFaceListsOnlyItsOwnSizes) {
  // 10, 13 and 16 pixels are 8, 10 and 12 points on the 96-dpi screen; 11
  // pixels round to 8 points as well and gives way to the first.
  TBdfFont s10(kBitmapFamily, 10), s11(kBitmapFamily, 11), s13(kBitmapFamily, 13), s16(kBitmapFamily, 16);
  struct TCase {
    const char* what;
    DWORD flags;
    int min, max;
    const char* pick;
    std::vector<std::string> sizes;
    int height;
  };
  const TCase cases[] = {
      {"every size", 0, 0, 0, "10", {"8", "10", "12"}, -13},
      {"the smallest", 0, 0, 0, "8", {"8", "10", "12"}, -10},
      {"limited", CF_LIMITSIZE, 9, 24, "12", {"10", "12"}, -16},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    CHOOSEFONT cf = Request(CF_SCREENFONTS | c.flags);
    cf.nSizeMin = c.min;
    cf.nSizeMax = c.max;
    std::vector<std::string> rasterSizes, scalableSizes, backToRaster, typedSizes;
    OnDialog([&](TFontDialogDriver& d) {
      ASSERT_TRUE(d.SelectFace("DejaVu Sans"));
      scalableSizes = Names(d.Sizes());
      ASSERT_TRUE(d.SelectFace(kBitmapFamily));
      rasterSizes = Names(d.Sizes());
      d.TypeFace("Not A Listed Face");
      typedSizes = Names(d.Sizes());
      d.TypeFace(kBitmapFamily);
      backToRaster = Names(d.Sizes());
      EXPECT_TRUE(d.SelectSize(c.pick));
      EXPECT_EQ(d.SampleFont()->Height(), c.height);
      d.Ok();
    });
    ASSERT_TRUE(ChooseFont(&cf));
    EXPECT_EQ(rasterSizes, c.sizes);
    EXPECT_EQ(backToRaster, c.sizes);
    EXPECT_EQ(scalableSizes, typedSizes);
    EXPECT_EQ(scalableSizes.size(), c.flags & CF_LIMITSIZE ? 10u : 16u);
    EXPECT_STREQ(lf.lfFaceName, kBitmapFamily);
    EXPECT_EQ(lf.lfHeight, c.height);
    EXPECT_EQ(cf.iPointSize, std::atoi(c.pick) * 10);
    EXPECT_EQ(cf.nFontType, Word(SCREEN_FONTTYPE | REGULAR_FONTTYPE));
  }
}

TEST_F(FontDialogTest, ASizeTypedForARasterFaceKeepsThePointRule) {
  TBdfFont s13(kBitmapFamily, 13);
  CHOOSEFONT cf = Request(CF_SCREENFONTS);
  OnDialog([&](TFontDialogDriver& d) {
    ASSERT_TRUE(d.SelectFace(kBitmapFamily));
    d.TypeSize("20");  // not one of its sizes: the font mapper's business
    d.Ok();
  });
  ASSERT_TRUE(ChooseFont(&cf));
  EXPECT_EQ(lf.lfHeight, -27);
  EXPECT_EQ(cf.iPointSize, 200);
}

TEST_F(FontDialogTest, ComponentOptionsFilterTheFaces) {
  TBdfFont bitmap(kBitmapFamily, 13, "C");
  struct TCase {
    TFontDialogOptions options;
    bool sans, mono, bitmap;
  };
  const TCase cases[] = {
      {0, true, true, true},
      {fdFixedPitchOnly, false, true, true},
      {fdTrueTypeOnly, true, true, false},
      {fdScalableOnly, true, true, false},
      {fdAnsiOnly, true, true, false},
      {fdNoVectorFonts, true, true, true},
      {fdFixedPitchOnly | fdScalableOnly, false, true, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.options);
    TFontDialog dlg(&app);
    dlg.Options = c.options;
    std::vector<std::string> shown;
    OnDialog([&](TFontDialogDriver& d) {
      shown = Names(d.Faces());
      d.Cancel();
    });
    EXPECT_FALSE(dlg.Execute());
    EXPECT_EQ(Listed(shown, "DejaVu Sans"), c.sans);
    EXPECT_EQ(Listed(shown, "DejaVu Sans Mono"), c.mono);
    EXPECT_EQ(Listed(shown, kBitmapFamily), c.bitmap);
  }
}

// The sample sits in a "Sample" group, the colour list shows a swatch of
// each colour, and the script list holds the face's scripts; the dialog is
// written next to the test program (font_dialog.bmp) for a look.
TEST_F(FontDialogTest, SampleGroupColourSwatchesAndScriptList) {
  CHOOSEFONT cf = Request(CF_SCREENFONTS | CF_EFFECTS);
  OnDialog([&](TFontDialogDriver& d) {
    ASSERT_TRUE(d.SelectFace("DejaVu Sans"));
    ASSERT_TRUE(d.SelectSize("12"));
    ASSERT_TRUE(d.SelectColor("Red"));
    s.display.RunUntilIdle();
    const std::string bmp = ProgramFolder() + "font_dialog.bmp";
    EXPECT_TRUE(s.display.WriteBmp(Screen->ActiveForm()->Handle(), bmp.c_str())) << bmp;
    // The group's caption is drawn over its etched frame, the sample inside it.
    auto* group = dynamic_cast<TGroupBox*>(Part("SampleGroup"));
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->Caption(), "Sample");
    TControl* sample = Part("Sample");
    ASSERT_NE(sample, nullptr);
    EXPECT_EQ(sample->Parent(), group);
    int captionInk = 0, sampleRed = 0;
    for (int y = 0; y < 12; ++y)
      for (int x = 8; x < 50; ++x) captionInk += PixelAt(group, x, y) == ClassicRGB(clBtnText);
    for (int y = 0; y < sample->Height(); ++y)
      for (int x = 0; x < sample->Width(); ++x) sampleRed += PixelAt(sample, x, y) == RGB(255, 0, 0);
    EXPECT_GT(captionInk, 20);
    EXPECT_GT(sampleRed, 40);
    EXPECT_EQ(PixelAt(group, 0, group->Height() / 2), ClassicRGB(clBtnShadow));
    // The colour field: a black-framed swatch of the colour before its name.
    auto* colour = dynamic_cast<TComboBox*>(Part("ColorCombo"));
    ASSERT_NE(colour, nullptr);
    const int mid = colour->Height() / 2;
    int swatchRed = 0;
    for (int x = 0; x < 40; ++x) swatchRed += PixelAt(colour, x, mid) == RGB(255, 0, 0);
    EXPECT_GE(swatchRed, 16);
    int x = 0;
    while (x < 40 && PixelAt(colour, x, mid) != RGB(255, 0, 0)) ++x;
    EXPECT_EQ(PixelAt(colour, x - 1, mid), RGB(0, 0, 0));
    // Scripts of the face; a script brings its own sample text and charset.
    ASSERT_NE(d.Scripts(), nullptr);
    EXPECT_EQ(d.Scripts()->Strings(0), "Western");
    EXPECT_EQ(d.ScriptText(), "Western");
    for (const char* name : {"Greek", "Cyrillic", "Central European"}) EXPECT_GE(d.Scripts()->IndexOf(name), 0) << name;
    EXPECT_LT(d.Scripts()->IndexOf("CHINESE_GB2312"), 0);
    EXPECT_TRUE(d.SelectScript("Cyrillic"));
    EXPECT_EQ(d.SampleFont()->Charset(), RUSSIAN_CHARSET);
    EXPECT_TRUE(d.SelectFace("DejaVu Serif"));
    EXPECT_EQ(d.ScriptText(), "Cyrillic");  // kept while the face has it
    d.Ok();
  });
  ASSERT_TRUE(ChooseFont(&cf));
  EXPECT_EQ(lf.lfCharSet, RUSSIAN_CHARSET);
  EXPECT_EQ(cf.rgbColors, RGB(255, 0, 0));
}

TEST_F(FontDialogTest, ScriptsFollowTheFaceAndTheRecordsCharset) {
  EXPECT_GE(FontScripts("WenQuanYi Zen Hei").size(), 2u);
  std::vector<std::string> cjk;
  for (const TFontScript& sc : FontScripts("WenQuanYi Zen Hei")) cjk.push_back(sc.name);
  EXPECT_NE(std::find(cjk.begin(), cjk.end(), std::string("CHINESE_GB2312")), cjk.end());
  for (const FontFamilyInfo& f : ScreenFontFamilies())
    if (f.charSet == SYMBOL_CHARSET) {
      SCOPED_TRACE(f.name);
      const std::vector<TFontScript> sym = FontScripts(f.name);
      ASSERT_EQ(sym.size(), 1u);
      EXPECT_EQ(sym[0].charSet, SYMBOL_CHARSET);
    }
  struct TCase {
    const char* face;
    Byte charSet;
    const char* shown;
    DWORD flags;
  };
  const TCase cases[] = {
      {"DejaVu Sans", GREEK_CHARSET, "Greek", 0},
      {"DejaVu Sans", GB2312_CHARSET, "Western", 0},  // not a script of the face
      {"WenQuanYi Zen Hei", GB2312_CHARSET, "CHINESE_GB2312", 0},
      {"DejaVu Sans", RUSSIAN_CHARSET, "Cyrillic", CF_NOSCRIPTSEL},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.face);
    lf = LOGFONT{};
    std::snprintf(lf.lfFaceName, sizeof lf.lfFaceName, "%s", c.face);
    lf.lfHeight = -16;
    lf.lfCharSet = c.charSet;
    CHOOSEFONT cf = Request(CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | c.flags);
    OnDialog([&](TFontDialogDriver& d) {
      EXPECT_EQ(d.ScriptText(), c.shown);
      EXPECT_EQ(d.SelectScript("Western"), !(c.flags & CF_NOSCRIPTSEL));
      d.Ok();
    });
    ASSERT_TRUE(ChooseFont(&cf));
    EXPECT_EQ(lf.lfCharSet, (c.flags & CF_NOSCRIPTSEL) ? c.charSet : ANSI_CHARSET);
  }
}

// The Windows faces the platform maps are listed by their own names, with
// the families that stand in for them, and come back as asked.
TEST_F(FontDialogTest, ListsTheWindowsFacesThePlatformMaps) {
  CHOOSEFONT cf = Request(CF_SCREENFONTS);
  OnDialog([&](TFontDialogDriver& d) {
    if (const char* dir = std::getenv("LUMIQA_SNAPSHOT_DIR"))
      s.display.WriteBmp(Screen->ActiveForm()->Handle(), (std::string(dir) + "/font_dialog.bmp").c_str());
    for (const char* face : {"Tahoma", "Arial", "Times New Roman", "Courier New", "SimSun", "\u5B8B\u4F53", "DejaVu Sans"})
      EXPECT_GE(d.Faces()->IndexOf(face), 0) << face;
    EXPECT_TRUE(d.SelectFace("\u5B8B\u4F53"));
    EXPECT_EQ(d.FaceText(), "\u5B8B\u4F53");
    d.SelectSize("12");
    d.Ok();
  });
  ASSERT_TRUE(ChooseFont(&cf));
  EXPECT_STREQ(lf.lfFaceName, "\u5B8B\u4F53");
  // The same list as the screen's fonts.
  EXPECT_GE(Screen->Fonts()->IndexOf("Tahoma"), 0);
}

}  // namespace
