#include "platform/ui/dialogs/ColorDialog.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/platform/ui/FormTestFixture.h"
#include "platform/rtl/FileUtils.h"
#include "platform/ui/controls/ClassicDraw.h"
#include "platform/ui/controls/StdCtrls.h"

namespace {

class ColorDialogTest : public FormsTest {
 protected:
  // Runs fn on the open colour dialog, 100 ms in.
  void OnDialog(std::function<void(TColorDialogDriver& d)> fn) {
    After(100, [fn] {
      TColorDialogDriver d(dynamic_cast<TForm*>(Screen->ActiveForm()));
      ASSERT_TRUE(d.Valid());
      fn(d);
    });
  }
  // A pixel of the open dialog at a screen point.
  COLORREF PixelAt(TPoint p) {
    HWND h = Screen->ActiveForm()->Handle();
    RECT wr{};
    GetWindowRect(h, &wr);
    return s.display.PixelAt(h, p.X - wr.Left, p.Y - wr.Top);
  }
  TControl* Part(const std::string& name) {
    return dynamic_cast<TControl*>(Screen->ActiveForm()->FindComponent(name));
  }
  void Drag(TPoint from, TPoint to) {
    s.display.MouseDown(from.X, from.Y);
    s.display.MouseMove((from.X + to.X) / 2, (from.Y + to.Y) / 2);
    s.display.MouseMove(to.X, to.Y);
    s.display.MouseUp(to.X, to.Y);
    s.display.RunUntilIdle();
  }
  int Number(TColorDialogDriver& d, const char* edit) { return std::atoi(d.EditText(edit).c_str()); }
  COLORREF custom[kCustomColorCount] = {};
  CHOOSECOLOR Request(DWORD flags, COLORREF initial = 0) {
    for (COLORREF& c : custom) c = 0xFFFFFF;
    CHOOSECOLOR cc;
    cc.rgbResult = initial;
    cc.lpCustColors = custom;
    cc.Flags = flags;
    return cc;
  }
};

TEST_F(ColorDialogTest, ReturnsThePickedBasicColour) {
  for (int cell : {0, 9, 21, 40, 47}) {
    SCOPED_TRACE(cell);
    CHOOSECOLOR cc = Request(0, 0x123456);
    OnDialog([&](TColorDialogDriver& d) {
      d.ClickBasic(cell);
      EXPECT_EQ(d.SelectedBasic(), cell);
      d.Ok();
    });
    ASSERT_TRUE(ChooseColor(&cc));
    EXPECT_EQ(cc.rgbResult, BasicColor(cell));
  }
}

TEST_F(ColorDialogTest, AMouseClickOnACellPicksIt) {
  CHOOSECOLOR cc = Request(0);
  OnDialog([&](TColorDialogDriver& d) {
    TPoint p = d.BasicCellPoint(13);
    s.display.Click(p.X, p.Y);
    s.display.RunUntilIdle();
    d.Ok();
  });
  ASSERT_TRUE(ChooseColor(&cc));
  EXPECT_EQ(cc.rgbResult, BasicColor(13));
}

TEST_F(ColorDialogTest, RgbInitPreselectsTheColour) {
  struct TCase {
    DWORD flags;
    COLORREF initial;
    int selected;
    COLORREF current;
  };
  const TCase cases[] = {
      {CC_RGBINIT, BasicColor(12), 12, BasicColor(12)},
      {CC_RGBINIT, RGB(1, 2, 3), -1, RGB(1, 2, 3)},
      {0, BasicColor(12), -1, 0},
  };
  for (const TCase& c : cases) {
    CHOOSECOLOR cc = Request(c.flags | CC_FULLOPEN, c.initial);
    OnDialog([&](TColorDialogDriver& d) {
      EXPECT_EQ(d.SelectedBasic(), c.selected);
      EXPECT_EQ(d.Current(), c.current);
      EXPECT_EQ(d.EditText("Red"), std::to_string(GetRValue(c.current)));
      EXPECT_EQ(d.EditText("Blue"), std::to_string(GetBValue(c.current)));
      d.Ok();
    });
    ASSERT_TRUE(ChooseColor(&cc));
    EXPECT_EQ(cc.rgbResult, c.current);
  }
}

TEST_F(ColorDialogTest, CancelLeavesTheResultUnchanged) {
  CHOOSECOLOR cc = Request(CC_RGBINIT, RGB(9, 8, 7));
  OnDialog([&](TColorDialogDriver& d) {
    d.ClickBasic(3);
    d.Cancel();
  });
  EXPECT_FALSE(ChooseColor(&cc));
  EXPECT_EQ(cc.rgbResult, RGB(9, 8, 7));
}

TEST_F(ColorDialogTest, AddedCustomColoursAreKeptInTheCallersArray) {
  CHOOSECOLOR cc = Request(CC_FULLOPEN);
  custom[15] = RGB(5, 5, 5);
  OnDialog([&](TColorDialogDriver& d) {
    EXPECT_EQ(d.CustomColor(15), RGB(5, 5, 5));
    d.Type("Red", "10");
    d.Type("Green", "20");
    d.Type("Blue", "30");
    EXPECT_EQ(d.Current(), RGB(10, 20, 30));
    d.AddToCustomColors();  // first slot
    d.ClickCustom(6);
    EXPECT_EQ(d.Current(), 0xFFFFFFu);  // the clicked cell's colour
    d.Type("Red", "200");
    d.Type("Green", "20");
    d.Type("Blue", "30");
    d.AddToCustomColors();  // the clicked slot
    d.Ok();
  });
  ASSERT_TRUE(ChooseColor(&cc));
  EXPECT_EQ(custom[0], RGB(10, 20, 30));
  EXPECT_EQ(custom[6], RGB(200, 20, 30));
  EXPECT_EQ(custom[1], 0xFFFFFFu);
  EXPECT_EQ(custom[15], RGB(5, 5, 5));
  EXPECT_EQ(cc.rgbResult, RGB(200, 20, 30));
}

TEST_F(ColorDialogTest, CustomColoursAreKeptEvenOnCancel) {
  CHOOSECOLOR cc = Request(CC_FULLOPEN);
  OnDialog([&](TColorDialogDriver& d) {
    d.ClickBasic(8);
    d.AddToCustomColors();
    d.Cancel();
  });
  EXPECT_FALSE(ChooseColor(&cc));
  EXPECT_EQ(custom[0], BasicColor(8));
}

TEST_F(ColorDialogTest, FullOpenFlagsAndTheDefineButton) {
  struct TCase {
    DWORD flags;
    bool fullAtStart;
    bool defineEnabled;
    bool fullAfterDefine;
  };
  const TCase cases[] = {
      {0, false, true, true},
      {CC_FULLOPEN, true, false, true},
      {CC_PREVENTFULLOPEN, false, false, false},
      {CC_FULLOPEN | CC_PREVENTFULLOPEN, false, false, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.flags);
    CHOOSECOLOR cc = Request(c.flags);
    OnDialog([&](TColorDialogDriver& d) {
      EXPECT_EQ(d.FullOpen(), c.fullAtStart);
      EXPECT_EQ(d.DefineEnabled(), c.defineEnabled);
      d.DefineCustomColors();
      EXPECT_EQ(d.FullOpen(), c.fullAfterDefine);
      // Adding needs the full part.
      d.ClickBasic(1);
      d.AddToCustomColors();
      d.Ok();
    });
    ASSERT_TRUE(ChooseColor(&cc));
    EXPECT_EQ(custom[0], c.fullAfterDefine ? BasicColor(1) : 0xFFFFFFu);
  }
}

TEST_F(ColorDialogTest, TypedValuesAreClampedAndHlsDrivesRgb) {
  CHOOSECOLOR cc = Request(CC_FULLOPEN);
  OnDialog([&](TColorDialogDriver& d) {
    d.Type("Red", "300");
    EXPECT_EQ(d.EditText("Red"), "255");
    EXPECT_EQ(d.Current(), RGB(255, 0, 0));
    EXPECT_EQ(d.EditText("Hue"), "0");
    EXPECT_EQ(d.EditText("Sat"), "240");
    EXPECT_EQ(d.EditText("Lum"), "120");
    d.Type("Hue", "80");  // green at full saturation
    EXPECT_EQ(d.Current(), RGB(0, 255, 0));
    EXPECT_EQ(d.EditText("Green"), "255");
    EXPECT_EQ(d.EditText("Red"), "0");
    d.Ok();
  });
  ASSERT_TRUE(ChooseColor(&cc));
  EXPECT_EQ(cc.rgbResult, RGB(0, 255, 0));
}

TEST(ColorHls, KnownValuesAndRoundTrip) {
  struct TCase {
    COLORREF rgb;
    int hue, lum, sat;
  };
  const TCase cases[] = {
      {RGB(255, 0, 0), 0, 120, 240},   {RGB(0, 255, 0), 80, 120, 240}, {RGB(0, 0, 255), 160, 120, 240},
      {RGB(255, 255, 255), 160, 240, 0}, {RGB(0, 0, 0), 160, 0, 0},    {RGB(255, 255, 0), 40, 120, 240},
  };
  for (const TCase& c : cases) {
    int h = -1, l = -1, s = -1;
    ColorRGBToHLS(c.rgb, h, l, s);
    EXPECT_EQ(h, c.hue);
    EXPECT_EQ(l, c.lum);
    EXPECT_EQ(s, c.sat);
    EXPECT_EQ(ColorHLSToRGB(h, l, s), c.rgb);
  }
  // Every basic colour survives the trip within the 0..240 scale's precision.
  for (int i = 0; i < kBasicColorCount; ++i) {
    int h = 0, l = 0, s = 0;
    COLORREF c = BasicColor(i);
    ColorRGBToHLS(c, h, l, s);
    COLORREF back = ColorHLSToRGB(h, l, s);
    EXPECT_LE(std::abs(int(GetRValue(back)) - int(GetRValue(c))), 3) << i;
    EXPECT_LE(std::abs(int(GetGValue(back)) - int(GetGValue(c))), 3) << i;
    EXPECT_LE(std::abs(int(GetBValue(back)) - int(GetBValue(c))), 3) << i;
  }
}

TEST_F(ColorDialogTest, ABadRecordIsRefusedWithoutADialog) {
  CHOOSECOLOR cc = Request(0, 0x55);
  cc.lStructSize = 0;
  EXPECT_FALSE(ChooseColor(&cc));
  EXPECT_FALSE(ChooseColor(nullptr));
  EXPECT_EQ(cc.rgbResult, 0x55u);
  EXPECT_EQ(Screen->CustomFormCount(), 0);
}

TEST_F(ColorDialogTest, ComponentRoundTripsColourAndCustomColours) {
  TColorDialog dlg(&app);
  dlg.Color = TColor(BasicColor(5));
  dlg.CustomColors()->Add("ColorA=302010");
  dlg.CustomColors()->Add("ColorC=junk");
  dlg.Options = cdFullOpen;
  OnDialog([&](TColorDialogDriver& d) {
    EXPECT_EQ(d.SelectedBasic(), 5);
    EXPECT_EQ(d.CustomColor(0), COLORREF(0x302010));
    EXPECT_EQ(d.CustomColor(2), 0xFFFFFFu);
    d.ClickCustom(1);
    d.Type("Blue", "128");
    d.AddToCustomColors();
    d.Ok();
  });
  ASSERT_TRUE(dlg.Execute());
  COLORREF expected = RGB(255, 255, 128);
  EXPECT_EQ(dlg.Color, TColor(expected));
  EXPECT_EQ(dlg.CustomColors()->Count(), kCustomColorCount);
  EXPECT_EQ(dlg.CustomColors()->Values("ColorA"), "302010");
  EXPECT_EQ(dlg.CustomColors()->Values("ColorB"), "80FFFF");
  EXPECT_EQ(dlg.CustomColors()->Values("ColorP"), "FFFFFF");

  OnDialog([&](TColorDialogDriver& d) {
    d.ClickBasic(0);
    d.Cancel();
  });
  EXPECT_FALSE(dlg.Execute());
  EXPECT_EQ(dlg.Color, TColor(expected));
}

// The full-open part as the classic dialog has it, written next to the test
// program (color_dialog.bmp) for a look.
TEST_F(ColorDialogTest, FullOpenShowsFieldBarSampleAndLabelledEdits) {
  const COLORREF initial = RGB(40, 120, 200);
  CHOOSECOLOR cc = Request(CC_FULLOPEN | CC_RGBINIT, initial);
  OnDialog([&](TColorDialogDriver& d) {
    s.display.RunUntilIdle();
    const std::string bmp = ProgramFolder() + "color_dialog.bmp";
    EXPECT_TRUE(s.display.WriteBmp(Screen->ActiveForm()->Handle(), bmp.c_str())) << bmp;
    const int hue = Number(d, "Hue"), sat = Number(d, "Sat"), lum = Number(d, "Lum");
    // The field: hue across, saturation up, at middle luminosity.
    struct TSpot {
      int hue, sat;
    };
    for (TSpot p : {TSpot{0, 240}, TSpot{80, 240}, TSpot{160, 240}, TSpot{40, 120}, TSpot{200, 0}}) {
      const COLORREF want = ColorHLSToRGB(p.hue, 120, p.sat), got = PixelAt(d.FieldPoint(p.hue, p.sat));
      EXPECT_NEAR(GetRValue(got), GetRValue(want), 12) << p.hue << "," << p.sat;
      EXPECT_NEAR(GetGValue(got), GetGValue(want), 12) << p.hue << "," << p.sat;
      EXPECT_NEAR(GetBValue(got), GetBValue(want), 12) << p.hue << "," << p.sat;
    }
    // The cross-hair: black arms around an open centre at the colour's place.
    const TPoint c = d.FieldPoint(hue, sat);
    EXPECT_NE(PixelAt(c), 0u);
    for (TPoint arm : {TPoint{-6, 0}, TPoint{6, 0}, TPoint{0, -6}, TPoint{0, 6}})
      EXPECT_EQ(PixelAt(TPoint{c.X + arm.X, c.Y + arm.Y}), 0u) << arm.X << "," << arm.Y;
    // The bar: white at the top, black at the bottom, the colour's hue and
    // saturation in the middle; the arrow beside it at the luminosity.
    EXPECT_EQ(PixelAt(d.LumPoint(240)), RGB(255, 255, 255));
    EXPECT_EQ(PixelAt(d.LumPoint(0)), RGB(0, 0, 0));
    const COLORREF mid = PixelAt(d.LumPoint(120)), wantMid = ColorHLSToRGB(hue, 120, sat);
    EXPECT_NEAR(GetBValue(mid), GetBValue(wantMid), 6);
    EXPECT_NEAR(GetRValue(mid), GetRValue(wantMid), 6);
    const COLORREF text = ClassicRGB(clBtnText), face = ClassicRGB(clBtnFace);
    auto beside = [&](int l, int dy) {
      TPoint p = d.LumPoint(l);
      TControl* bar = Part("LumSlider");
      const TPoint right = bar->ClientToScreen(TPoint{bar->Width() - 6, 0});
      return PixelAt(TPoint{right.X, p.Y + dy});
    };
    EXPECT_EQ(beside(lum, 0), text);
    EXPECT_EQ(beside(lum, 8), face);
    EXPECT_EQ(beside(lum, -8), face);
    // The sample shows the colour inside a sunken frame, with its caption.
    TControl* sample = Part("ColorSolid");
    ASSERT_NE(sample, nullptr);
    const TPoint sc = sample->ClientToScreen(TPoint{sample->Width() / 2, sample->Height() / 2});
    EXPECT_EQ(PixelAt(sc), initial);
    EXPECT_EQ(PixelAt(sample->ClientToScreen(TPoint{0, 0})), ClassicRGB(clBtnShadow));
    auto* caption = dynamic_cast<TLabel*>(Part("ColorSolidLabel"));
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(caption->Caption(), "Color|S&olid");
    // Each label ends a few pixels before its edit, is centred on it, and
    // is wide enough for its text.
    for (const char* name : {"Hue", "Sat", "Lum", "Red", "Green", "Blue"}) {
      SCOPED_TRACE(name);
      TControl* edit = Part(name);
      auto* label = dynamic_cast<TLabel*>(Part(std::string(name) + "Label"));
      ASSERT_NE(edit, nullptr);
      ASSERT_NE(label, nullptr);
      EXPECT_LE(label->Left() + label->Width(), edit->Left() - 3);
      EXPECT_GE(label->Left() + label->Width(), edit->Left() - 6);
      EXPECT_NEAR(label->Top() + label->Height() / 2, edit->Top() + edit->Height() / 2, 1);
      EXPECT_GE(label->Width(), MeasureClassicText(label->Font(), label->Caption(), TRect{}, DT_SINGLELINE).Width());
      EXPECT_EQ(GetWindowLong(dynamic_cast<TWinControl*>(edit)->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE,
                WS_EX_CLIENTEDGE);
    }
    EXPECT_GE(caption->Width(), MeasureClassicText(caption->Font(), caption->Caption(), TRect{}, DT_SINGLELINE).Width());
    // Adding fills the first custom swatch with the colour.
    d.AddToCustomColors();
    s.display.RunUntilIdle();
    EXPECT_EQ(PixelAt(d.CustomCellPoint(0)), initial);
    d.Ok();
  });
  ASSERT_TRUE(ChooseColor(&cc));
}

TEST_F(ColorDialogTest, FieldAndBarPickAndFollowTheEdits) {
  CHOOSECOLOR cc = Request(CC_FULLOPEN | CC_RGBINIT, RGB(40, 120, 200));
  OnDialog([&](TColorDialogDriver& d) {
    // A click in the field sets hue and saturation and keeps the luminosity.
    const int lum = Number(d, "Lum");
    TPoint p = d.FieldPoint(0, 240);
    s.display.Click(p.X, p.Y);
    s.display.RunUntilIdle();
    EXPECT_EQ(d.EditText("Hue"), "0");
    EXPECT_EQ(d.EditText("Sat"), "240");
    EXPECT_EQ(Number(d, "Lum"), lum);
    EXPECT_EQ(d.Current(), ColorHLSToRGB(0, lum, 240));
    EXPECT_EQ(d.EditText("Red"), std::to_string(GetRValue(d.Current())));
    // A drag follows the pointer and stops at the field's edges.
    Drag(d.FieldPoint(40, 200), TPoint{d.FieldPoint(239, 0).X + 30, d.FieldPoint(239, 0).Y + 30});
    EXPECT_EQ(d.EditText("Hue"), "239");
    EXPECT_EQ(d.EditText("Sat"), "0");
    Drag(d.FieldPoint(239, 0), d.FieldPoint(160, 120));
    EXPECT_NEAR(Number(d, "Hue"), 160, 2);
    EXPECT_NEAR(Number(d, "Sat"), 120, 2);
    // The bar sets the luminosity, top white and bottom black.
    p = d.LumPoint(240);
    Drag(d.LumPoint(200), TPoint{p.X, p.Y - 20});
    EXPECT_EQ(d.EditText("Lum"), "240");
    EXPECT_EQ(d.Current(), RGB(255, 255, 255));
    Drag(d.LumPoint(240), d.LumPoint(60));
    EXPECT_NEAR(Number(d, "Lum"), 60, 2);
    EXPECT_EQ(d.Current(), ColorHLSToRGB(Number(d, "Hue"), Number(d, "Lum"), Number(d, "Sat")));
    // Typed values move the cross-hair and the arrow.
    d.Type("Red", "255");
    d.Type("Green", "0");
    d.Type("Blue", "0");
    s.display.RunUntilIdle();
    const TPoint c = d.FieldPoint(0, 240);
    EXPECT_EQ(PixelAt(TPoint{c.X + 6, c.Y}), 0u);
    EXPECT_EQ(PixelAt(TPoint{c.X, c.Y + 6}), 0u);
    d.Type("Lum", "60");
    s.display.RunUntilIdle();
    TControl* bar = Part("LumSlider");
    const int arrowX = bar->ClientToScreen(TPoint{bar->Width() - 6, 0}).X;
    EXPECT_EQ(PixelAt(TPoint{arrowX, d.LumPoint(60).Y}), ClassicRGB(clBtnText));
    EXPECT_EQ(PixelAt(TPoint{arrowX, d.LumPoint(120).Y}), ClassicRGB(clBtnFace));
    EXPECT_EQ(d.Current(), ColorHLSToRGB(0, 60, 240));
    d.Ok();
  });
  ASSERT_TRUE(ChooseColor(&cc));
  EXPECT_EQ(cc.rgbResult, ColorHLSToRGB(0, 60, 240));
}

// The number boxes are sunken edits: a two-pixel sunken edge (shadow
// outside, dark shadow inside on the top-left) and the number centred
// vertically, never a black frame with the text at the top.
TEST_F(ColorDialogTest, NumberBoxesAreSunkenEdits) {
  CHOOSECOLOR cc = Request(CC_FULLOPEN, RGB(10, 200, 30));
  OnDialog([&](TColorDialogDriver& d) {
    if (const char* dir = std::getenv("LUMIQA_SNAPSHOT_DIR"))
      s.display.WriteBmp(Screen->ActiveForm()->Handle(), (std::string(dir) + "/colour_dialog.bmp").c_str());
    for (const char* name : {"Hue", "Sat", "Lum", "Red", "Green", "Blue"}) {
      SCOPED_TRACE(name);
      auto* e = dynamic_cast<TWinControl*>(Part(name));
      ASSERT_NE(e, nullptr);
      const TPoint tl = e->ClientToScreen(TPoint{0, 0});
      RECT wr{};
      GetWindowRect(e->Handle(), &wr);
      EXPECT_EQ(PixelAt(TPoint{wr.Left, wr.Top + 5}), ClassicRGB(clBtnShadow));
      EXPECT_EQ(PixelAt(TPoint{wr.Left + 1, wr.Top + 5}), ClassicRGB(cl3DDkShadow));
      EXPECT_EQ(PixelAt(TPoint{wr.Right - 1, wr.Top + 5}), ClassicRGB(clBtnHighlight));
      EXPECT_EQ(tl.X - wr.Left, 2);
      // The digits sit in the middle rows, not against the top.
      int firstInk = -1, lastInk = -1;
      const int h = e->ClientHeight();
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < e->ClientWidth(); ++x)
          if (PixelAt(TPoint{tl.X + x, tl.Y + y}) == ClassicRGB(clWindowText)) {
            if (firstInk < 0) firstInk = y;
            lastInk = y;
          }
      ASSERT_GE(firstInk, 0);
      EXPECT_LE(std::abs(firstInk - (h - 1 - lastInk)), 3) << firstInk << " " << lastInk << " of " << h;
    }
    d.Ok();
  });
  ASSERT_TRUE(ChooseColor(&cc));
}

}  // namespace
