// The size step: its page and buttons, the rotate, crop and resize dialogs
// driven as a user would (radio buttons, typed numbers, OK and Cancel), the
// crop frame started by the crop button and finished by a double-click or
// dropped by a right click, the crop question, and the history after each
// operation. Results are compared with the routines applied directly.
#include <cmath>
#include <cstring>
#include <optional>

#include "app/tools/HandCutFrame.h"
#include "app/pixels/RotateImage.h"
#include "app/dialogs/uCut.h"
#include "app/main/uMain_History.h"
#include "app/main/uMain_View.h"
#include "app/dialogs/uRotate.h"
#include "app/pages/uSize.h"
#include "app/dialogs/uZoom.h"
#include "platform/graphics/DibImage.h"
#include "skin/controls/SkinBoxCtrls.h"
#include "skin/controls/SkinBoxCtrls_Spin.h"
#include "tests/app/tools/SelectionSupport.h"
#include "tests/app/WizardTestSupport.h"
#include "themed/buttons/KZUButton.h"

using namespace wizard;

namespace {

const char* const kCropQuestion =
    "当前正在执行裁切动作，是否需要取消裁切？\r如果选择【Yes】按钮，则取消当前裁切。\r"
    "如果选择【No 】按钮，则继续当前操作。";

std::unique_ptr<TBitmap> Copy(TBitmap* b) {
  auto c = std::make_unique<TBitmap>();
  c->Assign(b);
  return c;
}

class SizeStep : public WizardTest {
 protected:
  std::unique_ptr<TBitmap> original;

  // Opens a w x h picture and goes on to the size step.
  void Enter(int w, int h) {
    WriteBmp("face.bmp", w, h);
    Open("face.bmp");
    ASSERT_NE(WorkImage, nullptr);
    Click(main->Btn_Next);
    ASSERT_EQ(main->CurrentStep, 2);
    ASSERT_NE(SizePage(), nullptr);
    original = Copy(WorkImage.get());
  }
  TFrm_Size* SizePage() const { return dynamic_cast<TFrm_Size*>(Page()); }
  TImage* Image() const { return Page()->Image1; }

  // Zooms with the toolbar until the zoom is z (a table value).
  void ZoomTo(float z) {
    for (int i = 0; i < 8 && ZoomFactor != z; ++i) Click(ZoomFactor > z ? main->Btn_ZoomOut : main->Btn_ZoomIn);
    ASSERT_EQ(ZoomFactor, z);
  }

  // Runs fn on the dialog of class T that the click on button opens; with
  // askedFirst the crop question comes first and is answered Yes.
  template <class T>
  void WithDialog(TControl* button, std::function<void(T*)> fn, bool askedFirst = false) {
    bool seen = false;
    auto expect = [this, &seen, fn] {
      OnModal([&seen, fn](TForm* f) {
        auto* d = dynamic_cast<T*>(f);
        ASSERT_NE(d, nullptr) << f->ClassName();
        seen = true;
        fn(d);
      });
    };
    // The dialog is looked for once the question has gone.
    if (askedFirst) AnswerMessage(mrYes, expect);
    else expect();
    Click(button);
    EXPECT_TRUE(seen);
    EXPECT_EQ(Screen->ActiveForm(), main);
  }

  // Replaces an edit's text by typing, as a user would.
  void TypeInto(TWinControl* edit, const std::string& text) {
    Click(edit);
    s.display.KeyPress(VK_END);
    for (int i = 0; i < 8; ++i) s.display.KeyPress(VK_BACK);
    s.display.Text(text.c_str());
    Idle();
  }

  TPoint OnImage(int x, int y) const { return Image()->ClientToScreen(TPoint{x, y}); }
  void DragOnImage(TPoint from, TPoint to) { DragOnPicture(from, to); }
  void DoubleClickOnImage(int x, int y) {
    const TPoint p = OnImage(x, y);
    s.display.MouseMove(p.X, p.Y);
    s.display.Click(p.X, p.Y);
    s.display.Click(p.X, p.Y);
    Idle();
  }
  void RightClickOnImage(int x, int y) {
    const TPoint p = OnImage(x, y);
    s.display.MouseMove(p.X, p.Y);
    s.display.Click(p.X, p.Y, TMouseButton::mbRight);
    Idle();
  }

  // Starts a crop through the crop button: free, or at ratio w : h. A crop
  // under way is cancelled first through the question.
  void StartCrop(bool free, int w = 3, int h = 4) {
    WithDialog<TFrm_Cut>(
        SizePage()->Btn_Cut,
        [&](TFrm_Cut* d) {
          Click(free ? d->RB_Free : d->RB_Scale);
          if (!free) {
            d->SE_Width->SetValue(w);
            d->SE_Height->SetValue(h);
          }
          Click(d->Btn_Ok);
        },
        CropFrame && CropFrame->Active());
  }

  // The picture is shown at the current zoom, centred, with its size in the
  // status bar.
  void ExpectShown() {
    const TSize size = DisplaySize(WorkImage->Width(), WorkImage->Height(), ZoomFactor);
    EXPECT_EQ(Image()->Width(), size.cx);
    EXPECT_EQ(Image()->Height(), size.cy);
    TScrollBox* box = Page()->ScrollBox_Image1;
    // Centred with a margin, or scrolled to its centre when larger.
    if (size.cx + 4 <= box->Width()) EXPECT_EQ(Image()->Left(), (box->Width() - size.cx - 4) / 2);
    else EXPECT_EQ(Image()->Left(), -((size.cx - box->ClientWidth()) / 2));
    EXPECT_EQ(Status(1), " 当前图像大小: " + std::to_string(WorkImage->Width()) + "*" +
                             std::to_string(WorkImage->Height()));
  }
  // The picture is as the step found it and nothing was pushed: the history
  // still holds `entries` with the first one current.
  void ExpectUntouched(int entries = 1) {
    EXPECT_EQ(MaxDifference(*WorkImage, *original), 0);
    EXPECT_EQ(History->Count(), entries);
    EXPECT_EQ(History->Index(), 0);
    EXPECT_FALSE(main->Btn_Undo->Enabled());
  }
  // After an edit that gave `expected`: it is shown and pushed; undo brings
  // the picture back as entered, redo the result again, and undo again
  // leaves the step as it was entered (the next push drops the redo).
  void ExpectEdit(TBitmap& expected) {
    ASSERT_EQ(MaxDifference(*WorkImage, expected), 0);
    // The hourglass of the work is gone.
    EXPECT_EQ(Screen->Cursor(), crDefault);
    ExpectShown();
    EXPECT_EQ(History->Count(), 2);
    EXPECT_TRUE(main->Btn_Undo->Enabled());
    EXPECT_FALSE(main->Btn_Redo->Enabled());
    Click(main->Btn_Undo);
    EXPECT_EQ(MaxDifference(*WorkImage, *original), 0);
    ExpectShown();
    Click(main->Btn_Redo);
    EXPECT_EQ(MaxDifference(*WorkImage, expected), 0);
    ExpectShown();
    Click(main->Btn_Undo);
    EXPECT_FALSE(main->Btn_Undo->Enabled());
    EXPECT_TRUE(main->Btn_Redo->Enabled());
  }
  void ExpectCentredOnMain(TForm* d) {
    const TPoint mc{main->Left() + main->Width() / 2, main->Top() + main->Height() / 2};
    EXPECT_LE(std::abs(d->Left() + d->Width() / 2 - mc.X), 1);
    EXPECT_LE(std::abs(d->Top() + d->Height() / 2 - mc.Y), 1);
  }
};

// ---- The page ------------------------------------------------------------------------------

TEST_F(SizeStep, PageHoldsTheThreeButtonsAndTheCropFrame) {
  Enter(64, 48);
  TFrm_Size* page = SizePage();
  EXPECT_EQ(page->Caption(), "尺寸调整");
  EXPECT_EQ(page->Shape_Help->Height(), 295);
  ASSERT_EQ(page->TLbl_Help->Lines()->Count(), 4);
  EXPECT_EQ(page->TLbl_Help->Lines()->Strings(0), "帮助");
  struct TCase {
    TspSkinButton* button;
    const char* name;
    const char* caption;
    int top;
  } cases[] = {{page->Btn_Rotate, "Btn_Rotate", " 旋转", 316},
               {page->Btn_Cut, "Btn_Cut", " 裁切", 355},
               {page->Btn_Zoom, "Btn_Zoom", " 缩放", 394}};
  // Anchored to the bottom left: a taller window moves each button down by
  // as much, and the gaps stay as laid out.
  const int lift = page->Pnl_Tool1->Height() - cases[0].button->Top();
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.button->Name(), c.name);
    EXPECT_EQ(c.button->Caption(), c.caption);
    EXPECT_EQ(c.button->Parent(), page->Pnl_Tool1);
    EXPECT_EQ(c.button->Width(), 106);
    EXPECT_EQ(c.button->Height(), 25);
    EXPECT_EQ(c.button->Top() - cases[0].button->Top(), c.top - 316);
    EXPECT_EQ(c.button->Left(), 3);
    // Below the help note and on the panel.
    EXPECT_GT(c.button->Top(), page->Shape_Help->Top() + page->Shape_Help->Height());
    EXPECT_LE(c.button->Top() + c.button->Height(), page->Pnl_Tool1->ClientHeight());
    EXPECT_EQ(c.button->Anchors(), TAnchors(akLeft | akBottom));
    EXPECT_EQ(c.button->SkinData(), main->SkinData);
    EXPECT_EQ(c.button->SkinDataName(), "button");
    ASSERT_NE(c.button->Glyph(), nullptr);
    EXPECT_FALSE(c.button->Glyph()->Empty());
    EXPECT_TRUE(c.button->Enabled());
  }
  main->SetBounds(main->Left(), main->Top(), main->Width(), main->Height() + 60);
  Idle();
  EXPECT_EQ(page->Pnl_Tool1->Height() - page->Btn_Rotate->Top(), lift);
  EXPECT_EQ(page->Btn_Zoom->Top() - page->Btn_Rotate->Top(), 78);
  EXPECT_GT(page->Btn_Rotate->Top(), page->Shape_Help->Top() + page->Shape_Help->Height());
  // The crop guard reaches the page's frame while the page lives.
  ASSERT_NE(page->CutFrame(), nullptr);
  EXPECT_NE(CropFrame, nullptr);
  EXPECT_FALSE(CropFrame->Active());
  EXPECT_EQ(History->Count(), 1);
  Click(main->Btn_Next);
  EXPECT_EQ(main->CurrentStep, 3);
  EXPECT_EQ(CropFrame, nullptr);
}

// ---- Rotation ---------------------------------------------------------------------------------

TEST(SizeAngles, NormaliseAngleGivesTheTurnInOneRound) {
  const std::pair<double, double> cases[] = {{90, 90},     {-90, 270}, {450, 90},      {-450, 270},
                                             {360, 0},     {0, 0},     {30, 30},       {0.5, 0.5},
                                             {-0.5, 359.5}, {720.25, 0.25}, {-720, 0}, {180, 180},
                                             {99999, 279}, {-9999, 81}};
  for (auto [angle, turn] : cases) EXPECT_DOUBLE_EQ(NormaliseAngle(angle), turn) << angle;
}

TEST_F(SizeStep, RotateDialogLayoutAndItsRadioButtons) {
  Enter(64, 48);
  WithDialog<TFrm_Rotate>(SizePage()->Btn_Rotate, [&](TFrm_Rotate* d) {
    EXPECT_EQ(d->Caption(), "旋转角度");
    EXPECT_EQ(d->BorderStyle(), bsDialog);
    EXPECT_EQ(d->ClientWidth(), 200);
    EXPECT_EQ(d->ClientHeight(), 176);
    ExpectCentredOnMain(d);
    const std::pair<TkzuRadioButton*, const char*> radios[] = {{d->RB_180D, "180 度"},
                                                              {d->RB_P90D, "顺时针 90度"},
                                                              {d->RB_N90D, "逆时针 90度"},
                                                              {d->RB_POther, "顺时针任意角度"},
                                                              {d->RB_NOther, "逆时针任意角度"}};
    for (auto [r, caption] : radios) {
      EXPECT_EQ(r->Caption(), caption);
      EXPECT_EQ(r->UIStyle(), TkzuUIStyle::WinXP);
      EXPECT_EQ(r->Checked(), r == d->RB_POther);
    }
    for (TspSkinNumericEdit* e : {d->NEdt_POther, d->NEdt_NOther}) {
      EXPECT_EQ(e->Text(), "0");
      EXPECT_EQ(e->MaxLength(), 5);
      EXPECT_EQ(e->ValueType(), vtFloat);
      EXPECT_EQ(e->SkinDataName(), "edit");
    }
    EXPECT_TRUE(d->NEdt_POther->Enabled());
    EXPECT_FALSE(d->NEdt_NOther->Enabled());
    EXPECT_EQ(d->Btn_Ok->Caption(), "确 定");
    EXPECT_EQ(d->Btn_Cancel->Caption(), "取 消");
    EXPECT_TRUE(d->Btn_Ok->Default());
    EXPECT_TRUE(d->Btn_Cancel->Cancel);
    EXPECT_EQ(d->Btn_Cancel->ModalResult, mrCancel);
    EXPECT_EQ(d->Btn_Ok->SkinData(), nullptr);
    Snapshot(d, "size_rotate_dialog");
    // Only the checked kind's angle edit is open, and it has the focus.
    struct TCase {
      TkzuRadioButton* radio;
      bool positive, negative;
    } cases[] = {{d->RB_NOther, false, true}, {d->RB_180D, false, false}, {d->RB_POther, true, false},
                 {d->RB_P90D, false, false},  {d->RB_NOther, false, true}, {d->RB_N90D, false, false}};
    for (const TCase& c : cases) {
      Click(c.radio);
      EXPECT_TRUE(c.radio->Checked());
      EXPECT_EQ(d->NEdt_POther->Enabled(), c.positive);
      EXPECT_EQ(d->NEdt_NOther->Enabled(), c.negative);
      if (c.positive) EXPECT_TRUE(d->NEdt_POther->Focused());
      if (c.negative) EXPECT_TRUE(d->NEdt_NOther->Focused());
    }
    Click(d->Btn_Cancel);
  });
  ExpectUntouched();
}

// While one of the page's dialogs is up, the page and the main window take no
// clicks: the next-step button would free the page under the running dialog,
// the crop button would open a second dialog on top.
TEST_F(SizeStep, ThePageAndMainWindowTakeNoClicksWhileAPageDialogShows) {
  Enter(64, 48);
  struct TCase {
    const char* name;
    TControl* opener;
  } cases[] = {{"rotate", SizePage()->Btn_Rotate}, {"crop", SizePage()->Btn_Cut}, {"resize", SizePage()->Btn_Zoom}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TFrm_Size* page = SizePage();
    const std::size_t modalsBefore = modals.size();
    int beeps = 0;
    WithDialog<TForm>(c.opener, [&](TForm* d) {
      const int before = MessageBeepCount();
      for (TControl* target : {static_cast<TControl*>(main->Btn_Next), static_cast<TControl*>(page->Btn_Cut),
                               static_cast<TControl*>(page->Btn_Rotate), static_cast<TControl*>(main->Btn_Undo)}) {
        Click(target);
        EXPECT_EQ(Screen->ActiveForm(), d);
        EXPECT_TRUE(d->Visible());
      }
      beeps = MessageBeepCount() - before;
      EXPECT_EQ(main->CurrentStep, 2);
      EXPECT_EQ(SizePage(), page);
      Click(dynamic_cast<TControl*>(d->FindComponent("Btn_Cancel")));
    });
    EXPECT_EQ(modals.size(), modalsBefore + 1);  // no second dialog opened on top
    EXPECT_EQ(beeps, 4);
    EXPECT_EQ(SizePage(), page);
    ExpectUntouched();
  }
}

// The step's buttons glow around their whole size, the glow takes no click,
// and it goes while a dialog of the page holds the main window.
TEST_F(SizeStep, ButtonGlowsSurroundTheButtonTakeNoClickAndGoUnderADialog) {
  Enter(64, 48);
  for (TspSkinButton* b : {SizePage()->Btn_Rotate, SizePage()->Btn_Cut, SizePage()->Btn_Zoom}) {
    SCOPED_TRACE(b->Name());
    const TPoint c = Centre(b);
    s.display.MouseMove(c.X, c.Y);
    Idle();
    TspLayerManager* glow = b->LayerManager();
    ASSERT_NE(glow->LayerWindow, nullptr);
    HWND layer = glow->LayerWindow->Handle();
    EXPECT_TRUE(IsWindowVisible(layer));
    RECT r{};
    GetWindowRect(layer, &r);
    const TPoint o = b->ClientToScreen(TPoint{0, 0});
    EXPECT_EQ(r, Bounds(o.X - 6, o.Y - 6, b->Width() + 12, b->Height() + 12));
    // Over the glow's ring the mouse reaches what lies beneath.
    EXPECT_NE(WindowFromPoint(POINT{o.X - 3, o.Y + b->Height() / 2}), layer);
    EXPECT_NE(WindowFromPoint(POINT{o.X + b->Width() + 2, o.Y + b->Height() / 2}), layer);
    s.display.MouseMove(c.X + 300, c.Y + 200);
    Idle();
  }
  TspSkinButton* rotate = SizePage()->Btn_Rotate;
  bool glowDuringDialog = true;
  WithDialog<TFrm_Rotate>(rotate, [&](TFrm_Rotate* d) {
    TspLayerManager* glow = rotate->LayerManager();
    glowDuringDialog = glow->LayerWindow && IsWindowVisible(glow->LayerWindow->Handle());
    Click(d->Btn_Cancel);
  });
  EXPECT_FALSE(glowDuringDialog);
}

TEST_F(SizeStep, RotationsThroughTheDialogMatchTheRoutines) {
  Enter(64, 48);
  enum TKind { none, r90, r180, r270, any };
  struct TCase {
    const char* radio;  // by name
    const char* text;   // typed into the open angle edit, if any
    TKind kind;
    double turn;
  } cases[] = {
      {"RB_P90D", nullptr, r90, 0},   {"RB_N90D", nullptr, r270, 0},   {"RB_180D", nullptr, r180, 0},
      {"RB_POther", "90", r90, 0},    {"RB_NOther", "90", r270, 0},    {"RB_POther", "450", r90, 0},
      {"RB_NOther", "450", r270, 0},  {"RB_POther", "360", none, 0},   {"RB_POther", "0", none, 0},
      {"RB_NOther", "720", none, 0},  {"RB_POther", "30", any, 30},    {"RB_POther", "0.5", any, 0.5},
      {"RB_NOther", "0.5", any, 359.5}, {"RB_POther", "-30", any, 330},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.radio) + " " + (c.text ? c.text : ""));
    const int entries = History->Count();
    WithDialog<TFrm_Rotate>(SizePage()->Btn_Rotate, [&](TFrm_Rotate* d) {
      auto* radio = dynamic_cast<TkzuRadioButton*>(d->FindComponent(c.radio));
      ASSERT_NE(radio, nullptr);
      Click(radio);
      if (c.text) TypeInto(radio == d->RB_POther ? d->NEdt_POther : d->NEdt_NOther, c.text);
      Click(d->Btn_Ok);
    });
    std::unique_ptr<TBitmap> expected;
    switch (c.kind) {
      case none: break;
      case r90: expected = Rotate90(original.get()); break;
      case r180: expected = Rotate180(original.get()); break;
      case r270: expected = Rotate270(original.get()); break;
      case any: expected = RotateAnyAngle(original.get(), c.turn); break;
    }
    if (!expected) {
      ExpectUntouched(entries);
      continue;
    }
    // The corners a free turn brings in are white.
    if (c.kind == any)
      EXPECT_TRUE(Pixel(BitmapRows(WorkImage.get()), 0, 0, 255, 255, 255));
    ExpectEdit(*expected);
  }
  EXPECT_TRUE(messages.empty());
}

TEST_F(SizeStep, AFreeTurnTooLargeToMakeIsRefused) {
  // Turned by 45 degrees this strip would need some 42000 by 42000 pixels.
  Enter(60000, 3);
  WithDialog<TFrm_Rotate>(SizePage()->Btn_Rotate, [&](TFrm_Rotate* d) {
    TypeInto(d->NEdt_POther, "45");
    AnswerMessage(mrOk);
    Click(d->Btn_Ok);
  });
  EXPECT_EQ(messages, std::vector<std::string>{"图片尺寸过大，无法按此角度旋转。"});
  ExpectUntouched();
  EXPECT_EQ(Screen->Cursor(), crDefault);
  // A quarter turn keeps the pixel count and is made.
  WithDialog<TFrm_Rotate>(SizePage()->Btn_Rotate, [&](TFrm_Rotate* d) {
    Click(d->RB_P90D);
    Click(d->Btn_Ok);
  });
  auto expected = Rotate90(original.get());
  ExpectEdit(*expected);
}

// ---- Crop ---------------------------------------------------------------------------------------

TEST(SizeCropFrame, StartFrameIsCentredInTheVisiblePart) {
  struct TCase {
    int x0, y0, a, b, rw, rh;
    TRect frame;
  } cases[] = {
      {0, 0, 500, 400, 3, 4, {175, 100, 324, 299}},  // 150 x 200
      {0, 0, 500, 400, 0, 0, {150, 100, 349, 299}},  // free: 200 x 200
      {0, 0, 500, 400, 4, 3, {150, 125, 349, 274}},  // 200 x 150
      {0, 0, 500, 400, 16, 9, {150, 144, 349, 255}},  // Round(112.5) = 112
      {120, 80, 767, 547, 1, 1, {367, 217, 639, 489}},  // scrolled: from the scroll offset
      {0, 0, 1, 1, 0, 0, {0, 0, 0, 0}},  // a tiny display still gives one pixel
      {0, 0, 500, 400, 1, 65535, {249, 100, 249, 299}},  // a steep ratio keeps a column
      {0, 0, 500, 400, 65535, 1, {150, 199, 349, 199}},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(CropStartFrame(c.x0, c.y0, c.a, c.b, c.rw, c.rh), c.frame) << c.rw << ":" << c.rh << " " << c.a;
}

TEST_F(SizeStep, CropDialogLayoutRatioEditsAndRefusedRatios) {
  Enter(64, 48);
  WithDialog<TFrm_Cut>(SizePage()->Btn_Cut, [&](TFrm_Cut* d) {
    EXPECT_EQ(d->Caption(), "图片裁切");
    EXPECT_EQ(d->BorderStyle(), bsDialog);
    EXPECT_EQ(d->ClientWidth(), 193);
    EXPECT_EQ(d->ClientHeight(), 125);
    ExpectCentredOnMain(d);
    EXPECT_EQ(d->RB_Free->Caption(), "自由裁切");
    EXPECT_EQ(d->RB_Scale->Caption(), "按宽高比例裁切");
    EXPECT_FALSE(d->RB_Free->Checked());
    EXPECT_TRUE(d->RB_Scale->Checked());
    EXPECT_EQ(d->Lbl_Width->Caption(), "宽：");
    EXPECT_EQ(d->Lbl_Height->Caption(), "高：");
    EXPECT_EQ(d->SE_Width->Value(), 3);
    EXPECT_EQ(d->SE_Height->Value(), 4);
    for (TspSkinSpinEdit* e : {d->SE_Width, d->SE_Height}) {
      EXPECT_EQ(e->ValueType(), vtInteger);
      EXPECT_EQ(e->Increment, 1);
      EXPECT_EQ(e->MaxLength(), 5);
      EXPECT_EQ(e->SkinDataName(), "spinedit");
      EXPECT_TRUE(e->Enabled());
    }
    EXPECT_TRUE(d->Btn_Ok->Default());
    EXPECT_EQ(d->Btn_Ok->ModalResult, mrOk);
    EXPECT_TRUE(d->Btn_Cancel->Cancel);
    Snapshot(d, "size_cut_dialog");
    Click(d->RB_Free);
    EXPECT_FALSE(d->SE_Width->Enabled());
    EXPECT_FALSE(d->SE_Height->Enabled());
    Click(d->RB_Scale);
    EXPECT_TRUE(d->SE_Width->Enabled());
    EXPECT_TRUE(d->SE_Height->Enabled());
    // Ratios that cannot be kept in 16 bits, or that would mean a free crop,
    // are refused and the dialog stays.
    const std::pair<const char*, const char*> refused[] = {{"0", "4"}, {"3", "0"}, {"-2", "4"}, {"70000", "1"}};
    for (auto [w, h] : refused) {
      TypeInto(d->SE_Width->Edit(), w);
      TypeInto(d->SE_Height->Edit(), h);
      const size_t before = messages.size();
      AnswerMessage(mrOk);
      Click(d->Btn_Ok);
      ASSERT_EQ(messages.size(), before + 1) << w << ":" << h;
      EXPECT_EQ(messages.back(), "宽高比例的数值必须在 1 到 65535 之间。");
      EXPECT_TRUE(d->Modal());
      EXPECT_EQ(d->ModalResult(), mrNone);
    }
    // A free crop does not look at the ratio.
    Click(d->RB_Free);
    Click(d->Btn_Ok);
  });
  EXPECT_EQ(messages.size(), 4u);
  EXPECT_TRUE(CropFrame->Active());
  EXPECT_EQ(SizePage()->CutFrame()->RatioWidth, 0);
  EXPECT_EQ(SizePage()->CutFrame()->RatioHeight, 0);
  EXPECT_EQ(History->Count(), 1);
}

TEST_F(SizeStep, CropFramesStartCentredOnTheShownPicture) {
  Enter(1000, 800);
  ZoomTo(0.5f);
  ASSERT_EQ(Image()->Width(), 500);
  ASSERT_EQ(Image()->Height(), 400);
  struct TCase {
    bool free;
    int w, h;
    TRect frame;
  } cases[] = {{false, 3, 4, {175, 100, 324, 299}}, {true, 3, 4, {150, 100, 349, 299}}, {false, 4, 3, {150, 125, 349, 274}}};
  // Each new crop over the last one asks first.
  for (const TCase& c : cases) {
    StartCrop(c.free, c.w, c.h);
    THandCutFrame* frame = SizePage()->CutFrame();
    ASSERT_FALSE(frame->Idle());
    EXPECT_EQ(frame->Frame(), c.frame);
    EXPECT_EQ(frame->RatioWidth, c.free ? 0 : c.w);
    EXPECT_EQ(frame->RatioHeight, c.free ? 0 : c.h);
  }
  EXPECT_EQ(messages, std::vector<std::string>(2, kCropQuestion));
  // Yes to the question, then Cancel in the dialog: no crop is left.
  WithDialog<TFrm_Cut>(SizePage()->Btn_Cut, [&](TFrm_Cut* d) { Click(d->Btn_Cancel); }, true);
  EXPECT_TRUE(SizePage()->CutFrame()->Idle());
  EXPECT_EQ(History->Count(), 1);
  // At actual size the picture is larger than the box and scrolled to its
  // centre: the frame is centred in the part that can be seen.
  Click(main->Btn_Actual);
  TScrollBox* box = Page()->ScrollBox_Image1;
  const int x0 = -Image()->Left(), y0 = -Image()->Top(), a = box->ClientWidth(), b = box->ClientHeight();
  ASSERT_GT(x0, 0);
  ASSERT_GT(y0, 0);
  StartCrop(true);
  const int e = std::min(a, b) / 2, left = x0 + (a - e) / 2, top = y0 + (b - e) / 2;
  EXPECT_EQ(SizePage()->CutFrame()->Frame(), (TRect{left, top, left + e - 1, top + e - 1}));
}

// The skinned message dialog speaks the wizard's language in any locale:
// its caption and buttons come from the skin's texts.
TEST_F(SizeStep, TheCropQuestionsDialogIsChineseThroughout) {
  Enter(64, 48);
  StartCrop(true);
  std::string caption, yes, no;
  After(50, [&] {
    auto* d = dynamic_cast<TspMessageForm*>(Screen->ActiveForm());
    ASSERT_NE(d, nullptr);
    caption = d->Caption();
    yes = dynamic_cast<TControl*>(d->FindComponent("Yes"))->Caption();
    no = dynamic_cast<TControl*>(d->FindComponent("No"))->Caption();
    Snapshot(d, "size_crop_question");
    Click(dynamic_cast<TControl*>(d->FindComponent("No")));
  });
  Click(SizePage()->Btn_Cut);
  EXPECT_EQ(caption, "警告");
  EXPECT_EQ(yes, "是(&Y)");
  EXPECT_EQ(no, "否(&N)");
  EXPECT_TRUE(CropFrame->Active());  // "No" keeps the crop going
}

TEST_F(SizeStep, DoubleClickCropsTheFramedBlock) {
  Enter(1000, 800);
  ZoomTo(0.5f);
  struct TCase {
    bool free;
    int w, h;
    // Drags after the start (corners or the inside), display pixels.
    std::vector<std::pair<TPoint, TPoint>> drags;
    // A frame of another shape put in place of the started one.
    std::optional<TRect> restart;
    TRect block;  // expected, right and bottom exclusive
  } cases[] = {
      // Round(109 / 0.5) = 218, Round(59 / 0.5) = 118: 199 x 99 from (20, 20).
      {true, 0, 0, {{{150, 100}, {10, 10}}, {{349, 299}, {109, 59}}}, std::nullopt, {20, 20, 219, 119}},
      // The height follows the width: Round(299 x 4 / 3) = 399.
      {false, 3, 4, {}, std::nullopt, {350, 200, 649, 599}},
      // Moved down as far as it goes.
      {false, 3, 4, {{{250, 200}, {250, 350}}}, std::nullopt, {350, 400, 649, 799}},
      // A 1 : 2 block from the width runs past the bottom: it is cut there
      // and narrowed to keep the ratio.
      {false, 1, 2, {}, TRect{100, 300, 299, 399}, {200, 600, 300, 800}},
  };
  for (const TCase& c : cases) {
    StartCrop(c.free, c.w, c.h);
    if (c.restart) SizePage()->CutFrame()->Start(c.restart->Left, c.restart->Top, c.restart->Right, c.restart->Bottom);
    for (auto [from, to] : c.drags) DragOnImage(from, to);
    const TRect f = SizePage()->CutFrame()->Frame();
    Snapshot(main, "size_page_crop_" + std::to_string(&c - cases));
    const TRect block = CropBlockToImage(f.Left, f.Top, f.Right, f.Bottom, ZoomFactor, c.free ? 0 : c.w,
                                         c.free ? 0 : c.h, 1000, 800);
    EXPECT_EQ(block, c.block);
    DoubleClickOnImage((f.Left + f.Right) / 2, (f.Top + f.Bottom) / 2);
    EXPECT_TRUE(SizePage()->CutFrame()->Idle());
    EXPECT_FALSE(CropFrame->Active());
    auto expected = BitmapFromRows(CopyBlock(BitmapRows(original.get()), c.block));
    ExpectEdit(*expected);
  }
  // A double-click with no crop under way does nothing.
  DoubleClickOnImage(50, 50);
  ExpectUntouched(2);
  EXPECT_TRUE(messages.empty());
}

TEST_F(SizeStep, ACropAtZoomTwoStaysOnThePicture) {
  Enter(60, 40);
  ZoomTo(2.0f);
  StartCrop(true);
  // Over the whole display: the last column and row round to one past the
  // picture and are held on it.
  DragOnImage({SizePage()->CutFrame()->Frame().Left, SizePage()->CutFrame()->Frame().Top}, {0, 0});
  const TRect f0 = SizePage()->CutFrame()->Frame();
  DragOnImage({f0.Right, f0.Bottom}, {119, 79});
  EXPECT_EQ(SizePage()->CutFrame()->Frame(), (TRect{0, 0, 119, 79}));
  DoubleClickOnImage(60, 40);
  ExpectEdit(*original);
}

TEST_F(SizeStep, RightClickDropsTheCropAndRestoresTheDisplay) {
  Enter(1000, 800);
  ZoomTo(0.5f);
  const RowImageBuffer before = RowImageBuffer::CopyOf(DisplayRows(Image()));
  StartCrop(false);
  ASSERT_TRUE(CropFrame->Active());
  // The frame darkens the outside.
  EXPECT_NE(DisplayRows(Image()).Row(10)[30], before.Row(10)[30]);
  RightClickOnImage(200, 200);
  EXPECT_FALSE(CropFrame->Active());
  const RowImage after = DisplayRows(Image());
  ASSERT_EQ(after.Width, before.Width());
  for (int y = 0; y < after.Height; ++y)
    ASSERT_EQ(std::memcmp(after.Row(y), before.Row(y), size_t(after.Width) * 3), 0) << y;
  // A right click with no crop, and a double-click after the drop, change nothing.
  RightClickOnImage(200, 200);
  DoubleClickOnImage(250, 200);
  ExpectUntouched();
  EXPECT_TRUE(messages.empty());
}

TEST_F(SizeStep, TheCropQuestionComesBeforeEachAction) {
  Enter(1000, 800);
  ZoomTo(0.5f);
  struct TCase {
    TControl* button;
    const char* dialog;  // class of the dialog that opens after Yes; nullptr for Next
  } cases[] = {{SizePage()->Btn_Rotate, "TFrm_Rotate"},
               {SizePage()->Btn_Zoom, "TFrm_Zoom"},
               {SizePage()->Btn_Cut, "TFrm_Cut"},
               {main->Btn_Undo, nullptr},
               {main->Btn_Next, nullptr}};
  // Undo has nothing to undo yet and is disabled: its handler is called as
  // the button would.
  auto press = [this](TControl* b) {
    if (b->Enabled()) {
      Click(b);
      return;
    }
    try {
      main->Btn_UndoClick(nullptr);
    } catch (const EAbort&) {
      // The application's loop ends a declined action silently.
    }
  };
  size_t asked = 0;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.dialog ? c.dialog : "toolbar");
    StartCrop(true);
    ASSERT_TRUE(CropFrame->Active());
    const RowImageBuffer cropping = RowImageBuffer::CopyOf(DisplayRows(Image()));
    const size_t dialogs = modals.size();
    // No: the action is dropped and the crop goes on.
    AnswerMessage(mrNo);
    press(c.button);
    ASSERT_EQ(messages.size(), ++asked);
    EXPECT_EQ(messages.back(), kCropQuestion);
    EXPECT_TRUE(CropFrame->Active());
    EXPECT_EQ(modals.size(), dialogs);
    EXPECT_EQ(FirstDifference(DisplayRows(Image()), cropping), (TPoint{-1, -1}));
    // Yes: the crop is dropped, then the action runs.
    AnswerMessage(mrYes, [this, &c] {
      if (c.dialog) OnModal([](TForm* f) { f->SetModalResult(mrCancel); });
    });
    press(c.button);
    ASSERT_EQ(messages.size(), ++asked);
    if (c.dialog) {
      ASSERT_EQ(modals.size(), dialogs + 1);
      EXPECT_EQ(modals.back(), c.dialog);
    }
    if (c.button == main->Btn_Next) {
      EXPECT_EQ(main->CurrentStep, 3);
      EXPECT_EQ(CropFrame, nullptr);
      break;
    }
    EXPECT_FALSE(CropFrame->Active());
    ExpectUntouched();
  }
}

// ---- Resize ----------------------------------------------------------------------------------

TEST(SizeResize, BudgetRefusesPicturesTooLargeToMake) {
  struct TCase {
    int w, h, nw, nh;
    bool ok;
  } cases[] = {
      {800, 600, 400, 300, true},       {800, 600, 1600, 1200, true},  {800, 600, 0, 300, false},
      {800, 600, 400, -1, false},       {800, 600, 65536, 10, false},  {800, 600, 65535, 65535, false},
      {800, 600, 13000, 13000, true},   // 507 MB: within
      {800, 600, 14000, 14000, false},  // 588 MB
      {800, 600, 14000, 300, false},    // the mixed path's square of 14000 is too large
      {800, 600, 12000, 300, true},     {10, 10, 65535, 2, false},    {10, 10, 65535, 10, true},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(ResizeWithinBudget(c.w, c.h, c.nw, c.nh), c.ok) << c.nw << "x" << c.nh;
}

TEST_F(SizeStep, ResizeDialogKeepsTheRatioWhileTyping) {
  Enter(800, 600);
  WithDialog<TFrm_Zoom>(SizePage()->Btn_Zoom, [&](TFrm_Zoom* d) {
    EXPECT_EQ(d->Caption(), "图片缩放");
    EXPECT_EQ(d->BorderStyle(), bsDialog);
    EXPECT_EQ(d->ClientWidth(), 240);
    EXPECT_EQ(d->ClientHeight(), 126);
    ExpectCentredOnMain(d);
    EXPECT_EQ(d->GB_SetPix->Caption(), "设置像素大小");
    EXPECT_EQ(d->Lbl_Width->Caption(), "宽度：");
    EXPECT_EQ(d->Lbl_Height->Caption(), "高度：");
    EXPECT_EQ(d->CB_KeepScale->Caption(), "保持原图宽高比例");
    EXPECT_EQ(d->CB_KeepScale->UIStyle(), TkzuUIStyle::WinXP);
    EXPECT_TRUE(d->CB_KeepScale->Checked());
    for (TspSkinSpinEdit* e : {d->SE_Width, d->SE_Height}) {
      EXPECT_EQ(e->Parent(), d->GB_SetPix);
      EXPECT_EQ(e->MaxLength(), 5);
      EXPECT_EQ(e->SkinDataName(), "spinedit");
    }
    EXPECT_TRUE(d->Btn_Ok->Default());
    EXPECT_EQ(d->Btn_Ok->ModalResult, mrOk);
    EXPECT_TRUE(d->Btn_Cancel->Cancel);
    // Opening shows the picture's size and counts as no edit.
    EXPECT_EQ(d->OrgWidth, 800);
    EXPECT_EQ(d->OrgHeight, 600);
    EXPECT_EQ(d->SE_Width->Value(), 800);
    EXPECT_EQ(d->SE_Height->Value(), 600);
    EXPECT_EQ(d->LastEdited, 0);
    Snapshot(d, "size_zoom_dialog");
    TypeInto(d->SE_Width->Edit(), "400");
    EXPECT_EQ(d->SE_Width->Value(), 400);
    EXPECT_EQ(d->SE_Height->Value(), 300);
    EXPECT_EQ(d->LastEdited, 1);
    TypeInto(d->SE_Height->Edit(), "150");
    EXPECT_EQ(d->SE_Width->Value(), 200);
    EXPECT_EQ(d->LastEdited, 2);
    // The spin buttons' steps are edits too.
    d->SE_Width->StepUp();
    EXPECT_EQ(d->SE_Width->Value(), 201);
    EXPECT_EQ(d->SE_Height->Value(), 151);  // Round(150.75)
    EXPECT_EQ(d->LastEdited, 1);
    Click(d->Btn_Ok);
  });
  auto expected = ResizePicture(original.get(), 201, 151);
  ExpectEdit(*expected);
}

TEST_F(SizeStep, CheckingKeepRatioRedoesTheSideNotEditedLast) {
  Enter(800, 600);
  struct TCase {
    std::vector<std::pair<bool, const char*>> typed;  // (width?, text) with the box off
    int lastBefore;
    int width, height, lastAfter;
  } cases[] = {
      {{}, 0, 800, 600, 0},
      // Width last: the width is recomputed from the height.
      {{{true, "400"}}, 1, 800, 600, 2},
      {{{false, "450"}, {true, "200"}}, 1, 600, 450, 2},
      // Height last: the height is recomputed from the width.
      {{{true, "400"}, {false, "500"}}, 2, 400, 300, 1},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.typed.size());
    WithDialog<TFrm_Zoom>(SizePage()->Btn_Zoom, [&](TFrm_Zoom* d) {
      Click(d->CB_KeepScale);
      ASSERT_FALSE(d->CB_KeepScale->Checked());
      for (auto [width, text] : c.typed) TypeInto(width ? d->SE_Width->Edit() : d->SE_Height->Edit(), text);
      EXPECT_EQ(d->LastEdited, c.lastBefore);
      Click(d->CB_KeepScale);
      EXPECT_TRUE(d->CB_KeepScale->Checked());
      EXPECT_EQ(d->SE_Width->Value(), c.width);
      EXPECT_EQ(d->SE_Height->Value(), c.height);
      EXPECT_EQ(d->LastEdited, c.lastAfter);
      // Unchecking changes nothing.
      Click(d->CB_KeepScale);
      EXPECT_EQ(d->SE_Width->Value(), c.width);
      EXPECT_EQ(d->SE_Height->Value(), c.height);
      Click(d->Btn_Cancel);
    });
    ExpectUntouched();
  }
}

TEST_F(SizeStep, RefusedSizesKeepTheDialogOpenAndChangeNothing) {
  Enter(800, 600);
  WithDialog<TFrm_Zoom>(SizePage()->Btn_Zoom, [&](TFrm_Zoom* d) {
    Click(d->CB_KeepScale);
    struct TCase {
      const char *w, *h, *message;
    } cases[] = {
        {"0", "300", "图片的宽度和高度必须在 1 到 65535 像素之间。"},
        {"-5", "300", "图片的宽度和高度必须在 1 到 65535 像素之间。"},
        {"400", "0", "图片的宽度和高度必须在 1 到 65535 像素之间。"},
        {"70000", "300", "图片的宽度和高度必须在 1 到 65535 像素之间。"},
        {"65535", "65535", "图片尺寸过大，无法缩放到 65535*65535 像素。"},
        {"30000", "300", "图片尺寸过大，无法缩放到 30000*300 像素。"},
    };
    for (const TCase& c : cases) {
      TypeInto(d->SE_Width->Edit(), c.w);
      TypeInto(d->SE_Height->Edit(), c.h);
      const size_t before = messages.size();
      AnswerMessage(mrOk);
      Click(d->Btn_Ok);
      ASSERT_EQ(messages.size(), before + 1) << c.w << "x" << c.h;
      EXPECT_EQ(messages.back(), c.message);
      EXPECT_TRUE(d->Modal());
      EXPECT_EQ(d->ModalResult(), mrNone);
    }
    Click(d->Btn_Cancel);
  });
  ExpectUntouched();
}

TEST_F(SizeStep, APictureGrownPastTheDisplayIsShownAtASmallerZoom) {
  Enter(60, 40);
  ZoomTo(2.0f);
  WithDialog<TFrm_Zoom>(SizePage()->Btn_Zoom, [&](TFrm_Zoom* d) {
    Click(d->CB_KeepScale);
    TypeInto(d->SE_Width->Edit(), "40000");
    Click(d->Btn_Ok);
  });
  ASSERT_EQ(WorkImage->Width(), 40000);
  // 80000 display pixels at 2.0 are more than a display holds; 1.5 gives 60000.
  EXPECT_EQ(ZoomFactor, 1.5f);
  EXPECT_EQ(Status(2), " 缩放比例：150%");
  EXPECT_EQ(Image()->Width(), 60000);
  EXPECT_EQ(Image()->Height(), 60);
  auto expected = ResizePicture(original.get(), 40000, 40);
  ExpectEdit(*expected);
}

TEST_F(SizeStep, TwoTurnsUndoneAndAThirdDropTheRedo) {
  Enter(64, 48);
  // Enter takes the default button: each dialog's OK.
  auto turn = [this](const char* radio) {
    WithDialog<TFrm_Rotate>(SizePage()->Btn_Rotate, [&](TFrm_Rotate* d) {
      Click(dynamic_cast<TControl*>(d->FindComponent(radio)));
      s.display.KeyPress(VK_RETURN);
      Idle();
    });
  };
  turn("RB_P90D");
  turn("RB_P90D");
  auto half = Rotate180(original.get());
  EXPECT_EQ(MaxDifference(*WorkImage, *half), 0);
  EXPECT_EQ(History->Count(), 3);
  Click(main->Btn_Undo);
  Click(main->Btn_Undo);
  EXPECT_EQ(MaxDifference(*WorkImage, *original), 0);
  EXPECT_FALSE(main->Btn_Undo->Enabled());
  EXPECT_TRUE(main->Btn_Redo->Enabled());
  turn("RB_N90D");
  auto left = Rotate270(original.get());
  EXPECT_EQ(MaxDifference(*WorkImage, *left), 0);
  EXPECT_FALSE(main->Btn_Redo->Enabled());
  EXPECT_TRUE(main->Btn_Undo->Enabled());
  EXPECT_EQ(History->Count(), 2);
  EXPECT_TRUE(FileExists(History->Folder() + "/0.bmp"));
  EXPECT_TRUE(FileExists(History->Folder() + "/1.bmp"));
  EXPECT_FALSE(FileExists(History->Folder() + "/2.bmp"));
  // Leaving the step clears its files.
  Click(main->Btn_Next);
  EXPECT_FALSE(FileExists(History->Folder() + "/1.bmp"));
}

TEST_F(SizeStep, APictureCutBelowADisplayPixelIsShownAtALargerZoom) {
  Enter(1000, 800);
  ZoomTo(0.25f);
  StartCrop(true);
  // A frame of one display pixel keeps one picture pixel, which has no
  // display pixel at 0.25. The double-click lands away from the frame, so
  // its first press grabs nothing.
  SizePage()->CutFrame()->Start(10, 10, 10, 10);
  DoubleClickOnImage(100, 100);
  ASSERT_EQ(WorkImage->Width(), 1);
  EXPECT_EQ(ZoomFactor, 1.0f);
  EXPECT_EQ(Status(2), " 缩放比例：100%");
  auto expected = BitmapFromRows(CopyBlock(BitmapRows(original.get()), TRect{40, 40, 41, 41}));
  ExpectEdit(*expected);
}

// ---- Cancelled dialogs ---------------------------------------------------------------------------

TEST_F(SizeStep, CancelInEachDialogChangesNothing) {
  Enter(64, 48);
  TFrm_Size* page = SizePage();
  struct TCase {
    TControl* button;
    bool escape;
  } cases[] = {{page->Btn_Rotate, false}, {page->Btn_Rotate, true}, {page->Btn_Cut, false},
               {page->Btn_Cut, true},     {page->Btn_Zoom, false},  {page->Btn_Zoom, true}};
  for (const TCase& c : cases) {
    OnModal([&](TForm* f) {
      // Choices made first, then dropped.
      if (auto* r = dynamic_cast<TFrm_Rotate*>(f)) Click(r->RB_180D);
      if (auto* z = dynamic_cast<TFrm_Zoom*>(f)) TypeInto(z->SE_Width->Edit(), "32");
      if (c.escape) {
        s.display.KeyPress(VK_ESCAPE);
        Idle();
      } else {
        Click(dynamic_cast<TControl*>(f->FindComponent("Btn_Cancel")));
      }
    });
    Click(c.button);
    EXPECT_EQ(Screen->ActiveForm(), main);
    ExpectUntouched();
    ExpectShown();
    EXPECT_FALSE(CropFrame->Active());
  }
  EXPECT_EQ(modals.size(), 6u);
}

}  // namespace
