#include "platform/ui/ColorDialog.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "FormTestFixture.h"

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

}  // namespace
