#include "platform/ui/FontDialog.h"

#include <gtest/gtest.h>

#include <cstring>

#include "FormTestFixture.h"
#include "platform/ui/Printers.h"
#include "platform/ui/StdCtrls.h"

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
      {"Arial", -11, FW_NORMAL, 1, "Liberation Sans", "Italic", "8"},
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

}  // namespace
