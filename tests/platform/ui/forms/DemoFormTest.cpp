// A form with one of every plain control, rendered by the headless display:
// the snapshot shows each control drawn, and is written next to the test
// executable (demo_form_headless.bmp) for a look.
#include <gtest/gtest.h>

#include <string>

#include "tests/platform/ui/forms/DemoForm.h"
#include "tests/platform/ui/FormTestFixture.h"
#include "tests/platform/ui/UiTestSupport.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/FileUtils.h"
#include "platform/ui/controls/ClassicDraw.h"
#include "platform/ui/controls/ComCtrls.h"
#include "platform/ui/controls/ExtCtrls.h"
#include "platform/ui/controls/StdCtrls.h"

namespace {

class DemoFormTest : public FormsTest {
 protected:
  TDemoForm* form = nullptr;
  COLORREF At(TControl* c, int x, int y) {
    TPoint p = c->ClientToScreen(TPoint{x, y});
    RECT wr{};
    GetWindowRect(form->Handle(), &wr);
    return s.display.PixelAt(form->Handle(), p.X - wr.Left, p.Y - wr.Top);
  }
  int Count(TControl* c, TRect r, COLORREF colour) {
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) n += At(c, x, y) == colour;
    return n;
  }
  int Ink(TControl* c) { return Count(c, TRect{0, 0, c->Width(), c->Height()}, Sys(clBtnText)); }
};

TEST_F(DemoFormTest, EveryPlainControlIsDrawn) {
  form = TCustomForm::New<TDemoForm>(&app);
  form->Show();
  s.display.RunUntilIdle();
  const std::string bmp = ProgramFolder() + "demo_form_headless.bmp";
  EXPECT_TRUE(s.display.WriteBmp(form->Handle(), bmp.c_str())) << bmp;

  // Panel: raised outer bevel, border, lowered inner bevel, caption ink.
  TPanel* p = form->panel;
  EXPECT_EQ(At(p, 0, 0), Sys(clBtnHighlight));
  EXPECT_EQ(At(p, p->Width() - 1, p->Height() - 1), Sys(clBtnShadow));
  EXPECT_EQ(At(p, 3, 3), Sys(clBtnShadow));
  EXPECT_GT(Ink(p), 10);

  EXPECT_GT(Ink(form->label), 10);
  EXPECT_EQ(At(form->image, 5, 5), Sys(clGreen));
  EXPECT_EQ(At(form->image, 40, 20), Sys(clNavy));
  EXPECT_EQ(At(form->shape, 30, 16), Sys(clYellow));
  EXPECT_EQ(At(form->shape, 0, 0), Sys(clBtnFace));
  EXPECT_EQ(At(form->bevel, 0, 0), Sys(clBtnShadow));
  EXPECT_EQ(At(form->bevel, 59, 31), Sys(clBtnHighlight));

  // Group box: etched frame and caption; its check box ticked, radio A dotted.
  TGroupBox* g = form->group;
  EXPECT_EQ(At(g, 0, 60), Sys(clBtnShadow));
  EXPECT_EQ(At(g, 1, 60), Sys(clBtnHighlight));
  EXPECT_GT(Count(g, TRect{8, 0, 60, 14}, Sys(clBtnText)), 10);
  const int checkTop = (17 - CheckGlyphSize) / 2, radioTop = (17 - RadioGlyphSize) / 2;
  EXPECT_EQ(At(form->check, 3 + 6, checkTop + 3), Sys(clWindowText));
  EXPECT_EQ(At(form->radioA, 6, radioTop + 6), Sys(clWindowText));
  EXPECT_EQ(At(form->radioB, 6, radioTop + 6), Sys(clWindow));

  // Scroll box: its child lies below, so a vertical bar shows.
  EXPECT_NE(GetWindowLong(form->scroll->Handle(), GWL_STYLE) & WS_VSCROLL, 0);
  EXPECT_LT(form->scroll->ClientWidth(), 150 - 4);

  // Buttons: the default one has the dark ring; both show their captions.
  EXPECT_EQ(At(form->ok, 0, 0), Sys(cl3DDkShadow));
  EXPECT_EQ(At(form->cancel, 0, 0), Sys(clBtnHighlight));
  EXPECT_GT(Ink(form->ok), 5);
  EXPECT_GT(Ink(form->cancel), 10);

  // Progress: 40% of the 296 pixels inside the frame.
  EXPECT_EQ(Count(form->progress, TRect{0, 9, 300, 10}, Sys(clHighlight)), 296 * 40 / 100);

  // Status bar along the bottom: panel bevels, text, and the grip.
  TStatusBar* sb = form->status;
  EXPECT_EQ(sb->Top() + sb->Height(), form->ClientHeight());
  EXPECT_EQ(At(sb, 0, 2), Sys(clBtnShadow));
  EXPECT_GT(Count(sb, TRect{0, 2, 118, sb->Height()}, Sys(clBtnText)), 10);
  EXPECT_GT(Count(sb, TRect{120, 2, 240, sb->Height()}, Sys(clBtnText)), 10);
  EXPECT_EQ(At(sb, sb->Width() - 2, sb->Height() - 1), Sys(clBtnShadow));
}

}  // namespace
