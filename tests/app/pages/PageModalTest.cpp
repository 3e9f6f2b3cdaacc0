// Every page left alone while one of its dialogs or messages is up: the
// handler that opened it still runs beneath, so the main window's actions
// (next page, open, undo, zoom, the flow, closing) are refused until it
// ends. The actions are called directly, as input that reaches the main
// window despite the modal loop would call them.
#include <fstream>

#include "app/main/uMain_History.h"
#include "app/pages/uColor.h"
#include "app/pages/uSize.h"
#include "app/tools/AntLine.h"
#include "platform/ui/forms/Screen.h"
#include "tests/app/WizardTestSupport.h"

using namespace wizard;

namespace {

class PageModal : public WizardTest {
 protected:
  TStepPage* pageBefore = nullptr;
  int stepBefore = 0;
  bool tried = false;

  // Opens a picture and goes on to step (the flow holds only that step).
  void Reach(int step) {
    std::array<bool, 5> flow{false, false, false, false, false};
    if (step >= stepSize && step <= stepStain) flow[size_t(step - 2)] = true;
    auto picture = MakePicture(200, 150);
    if (step == stepOpen) {
      picture->SaveToFile(Picture("face.bmp"));
      Open("face.bmp");
      ASSERT_NE(WorkImage, nullptr);
      return;
    }
    EnterStep(picture.get(), flow, step == stepSave ? stepSave : step);
  }
  // Every action of the main window that would leave or change the page;
  // none may take effect while the modal loop runs.
  void TryToLeave() {
    pageBefore = Page();
    stepBefore = main->CurrentStep;
    ASSERT_TRUE(WizardModalRunning());
    main->Btn_NextClick(main->Btn_Next);
    main->Btn_FileClick(main->Btn_File);
    main->Btn_UndoClick(main->Btn_Undo);
    main->Btn_RedoClick(main->Btn_Redo);
    main->Btn_ZoomInClick(main->Btn_ZoomIn);
    main->Btn_ActualClick(main->Btn_Actual);
    main->Pnl_TaskDblClick(main->Pnl_Task);
    main->Close();
    MSG m;
    EXPECT_FALSE(PeekMessage(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(Page(), pageBefore);
    EXPECT_EQ(main->CurrentStep, stepBefore);
    tried = true;
  }
  // The page, still there, goes on as usual once the loop has ended.
  void ExpectPageGoesOn() {
    EXPECT_TRUE(tried) << "no modal loop came up";
    EXPECT_FALSE(WizardModalRunning());
    EXPECT_EQ(Page(), pageBefore);
    EXPECT_EQ(main->CurrentStep, stepBefore);
    EXPECT_EQ(Screen->ActiveForm(), main);
    if (stepBefore < stepSave) {
      main->StepEnabled = {true, true, true, true, true};
      Click(main->Btn_Next);
      EXPECT_EQ(main->CurrentStep, NextEnabledStep(main->StepEnabled, stepBefore));
    }
  }
  // A dialog (not a message) on the page: tries to leave, then cancels it.
  void DuringDialog() {
    OnModal([this](TForm* f) {
      TryToLeave();
      f->SetModalResult(mrCancel);
    });
  }
  // The open button's question, which every page after the first asks.
  void DuringOpenQuestion() {
    AnswerMessage(mrNo, [this] { TryToLeave(); });
    Click(main->Btn_File);
    EXPECT_EQ(messages.size(), 1u);
  }
};

TEST_F(PageModal, OpenPageDuringTheCannotOpenMessage) {
  Reach(stepOpen);
  std::ofstream(Picture("broken.jpg")) << "not a picture";
  AnswerMessage(mrOk, [this] { TryToLeave(); });
  Open("broken.jpg");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].rfind("无法打开图片文件：", 0), 0u) << messages[0];
  ExpectPageGoesOn();
}

TEST_F(PageModal, SizePageDuringEachOfItsDialogs) {
  Reach(stepSize);
  auto* page = dynamic_cast<TFrm_Size*>(Page());
  ASSERT_NE(page, nullptr);
  for (TControl* button : {static_cast<TControl*>(page->Btn_Rotate), static_cast<TControl*>(page->Btn_Cut),
                           static_cast<TControl*>(page->Btn_Zoom)}) {
    SCOPED_TRACE(button->Name());
    tried = false;
    DuringDialog();
    Click(button);
    EXPECT_TRUE(tried);
    EXPECT_EQ(Page(), page);
    EXPECT_FALSE(WizardModalRunning());
  }
  ExpectPageGoesOn();
}

TEST_F(PageModal, HighLightPageDuringTheOpenQuestion) {
  Reach(stepHighLight);
  DuringOpenQuestion();
  ExpectPageGoesOn();
}

// The lasso's message comes from inside the lasso's own mouse-up, which
// carries on with the lasso after the message.
TEST_F(PageModal, ColorPageDuringTheSmallRegionMessage) {
  Reach(stepColor);
  TImage* image = Page()->Image1;
  AnswerMessage(mrOk, [this] { TryToLeave(); });
  const TPoint corners[] = {{60, 40}, {72, 40}, {72, 52}, {60, 52}};
  for (size_t i = 0; i < 4; ++i) {
    const TPoint p = image->ClientToScreen(corners[i]);
    s.display.MouseMove(p.X, p.Y);
    if (i == 0) s.display.MouseDown(p.X, p.Y);
    Idle();
  }
  const TPoint end = image->ClientToScreen(corners[3]);
  s.display.MouseUp(end.X, end.Y);
  Idle();
  EXPECT_EQ(messages, std::vector<std::string>{"选中区域过小，请重新选择或者放大图像后再重新选择！"});
  auto* page = dynamic_cast<TFrm_Color*>(Page());
  ASSERT_NE(page, nullptr);
  EXPECT_TRUE(page->AntLine()->Path().empty());
  ExpectPageGoesOn();
}

TEST_F(PageModal, SmoothPageDuringTheOpenQuestion) {
  Reach(stepSmooth);
  DuringOpenQuestion();
  ExpectPageGoesOn();
}

TEST_F(PageModal, StainPageDuringTheOpenQuestion) {
  Reach(stepStain);
  DuringOpenQuestion();
  ExpectPageGoesOn();
}

TEST_F(PageModal, SavePageDuringTheAfterSaveDialog) {
  Reach(stepSave);
  PickFile(dir + "/pictures", "saved.jpg");
  // The after-save dialog comes after the file dialog's own loop.
  After(300, [this] {
    auto* f = Screen->ActiveForm();
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(f->Modal());
    TryToLeave();
    f->SetModalResult(mrOk);
  });
  Click(main->Btn_Next);
  s.display.AdvanceTime(1000);
  Idle();
  EXPECT_TRUE(fs::exists(Picture("saved.jpg")));
  ExpectPageGoesOn();
}

}  // namespace
