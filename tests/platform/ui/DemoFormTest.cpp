// A form with one of every plain control, rendered by the headless display:
// the snapshot shows each control drawn, and is written next to the test
// executable (demo_form_headless.bmp) for a look.
#include <gtest/gtest.h>

#include <string>

#include "FormTestFixture.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/FileUtils.h"
#include "platform/ui/ClassicDraw.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/StdCtrls.h"

namespace {

COLORREF Sys(TColor c) { return ClassicRGB(c); }

// The demonstration form, built in code like the program's forms.
class TDemoForm : public TForm {
 public:
  explicit TDemoForm(TComponent* owner) : TForm(owner) {
    BeginLayout();
    SetBounds(60, 60, 480, 330);
    SetCaption("Plain controls");
    SetColor(clBtnFace);

    panel = Add<TPanel>(this, 10, 10, 150, 50);
    panel->SetCaption("Panel");
    panel->SetBevelInner(bvLowered);
    panel->SetBorderWidth(2);

    label = Add<TLabel>(this, 170, 10, 10, 10);
    label->SetCaption("&Label text");

    image = Add<TImage>(this, 170, 35, 48, 32);
    TBitmap* bmp = image->Picture()->Bitmap();
    bmp->SetSize(48, 32);
    bmp->Canvas()->Brush()->SetColor(clGreen);
    bmp->Canvas()->FillRect(TRect{0, 0, 48, 32});
    bmp->Canvas()->Brush()->SetColor(clNavy);
    bmp->Canvas()->FillRect(TRect{24, 0, 48, 32});

    shape = Add<TShape>(this, 230, 35, 60, 32);
    shape->SetShape(stEllipse);
    shape->Brush()->SetColor(clYellow);

    bevel = Add<TBevel>(this, 300, 35, 60, 32);

    group = Add<TGroupBox>(this, 10, 70, 200, 110);
    group->SetCaption("Group");
    check = Add<TCheckBox>(group, 10, 25, 150, 17);
    check->SetCaption("&Check");
    check->SetChecked(true);
    radioA = Add<TRadioButton>(group, 10, 50, 150, 17);
    radioA->SetCaption("Radio A");
    radioA->SetChecked(true);
    radioB = Add<TRadioButton>(group, 10, 75, 150, 17);
    radioB->SetCaption("Radio B");

    scroll = Add<TScrollBox>(this, 220, 70, 150, 110);
    auto* inner = Add<TPanel>(scroll, 10, 200, 80, 30);
    inner->SetCaption("Far");

    ok = Add<TButton>(this, 385, 70, 80, 25);
    ok->SetCaption("OK");
    ok->SetDefault(true);
    ok->ModalResult = mrOk;
    cancel = Add<TButton>(this, 385, 100, 80, 25);
    cancel->SetCaption("Cancel");
    cancel->SetCancel(true);

    progress = Add<TProgressBar>(this, 10, 190, 300, 18);
    progress->SetSmooth(true);
    progress->SetPosition(40);

    status = Add<TStatusBar>(this, 0, 0, 10, 19);
    status->Panels()->Add()->SetText("Ready");
    status->Panels()->Items(0)->SetWidth(120);
    status->Panels()->Add()->SetText("Demo");
    EndLayout();
  }

  TPanel* panel;
  TLabel* label;
  TImage* image;
  TShape* shape;
  TBevel* bevel;
  TGroupBox* group;
  TCheckBox* check;
  TRadioButton *radioA, *radioB;
  TScrollBox* scroll;
  TButton *ok, *cancel;
  TProgressBar* progress;
  TStatusBar* status;

 private:
  template <class T>
  T* Add(TWinControl* parent, int x, int y, int w, int h) {
    T* c = new T(this);
    c->SetParent(parent);
    c->SetBounds(x, y, w, h);
    return c;
  }
};

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
