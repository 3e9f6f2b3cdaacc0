// Closing the main window: work not yet saved is asked about first, in the
// wizard's own words; an unchanged picture closes without a word.
#include "app/dialogs/uLinkQuendrix.h"
#include "app/pixels/RotateImage.h"
#include "app/main/uMain_History.h"
#include "platform/ui/forms/Screen.h"
#include "tests/app/WizardTestSupport.h"

using namespace wizard;

namespace {

constexpr char kQuestion[] = "图片已修改，是否保存？";

class WizardClose : public WizardTest {
 protected:
  // The captions of the buttons of the last question, by name.
  std::map<std::string, std::string> captions;

  // Opens face.jpg and goes on to the size step: the work counts as changed.
  void Change() {
    WriteJpeg("face.jpg", 120, 90);
    Open("face.jpg");
    ASSERT_NE(WorkImage, nullptr);
    Click(main->Btn_Next);
    ASSERT_EQ(main->CurrentStep, 2);
    ASSERT_TRUE(main->Modified);
  }
  // Answers the close question with result and notes its buttons.
  void AnswerClose(int result) {
    AnswerMessage(result, [this] {
      auto* d = dynamic_cast<TspMessageForm*>(Screen->ActiveForm());
      ASSERT_NE(d, nullptr);
      for (const char* name : {"Yes", "No", "Cancel", "OK"})
        if (auto* b = dynamic_cast<TspSkinButton*>(d->FindComponent(name))) captions[name] = b->Caption();
    });
  }
  // The window's close box, as the window manager sends it; true when the
  // program was told to end.
  bool closed = false;
  void CloseWindow() {
    SendMessage(main->Handle(), WM_CLOSE, 0, 0);
    MSG m;
    closed = PeekMessage(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
    Idle();
  }
  // Closes the after-save dialog once it is up.
  void CloseLinkDialogLater() {
    After(400, [this] {
      for (int i = 0; i < Screen->CustomFormCount(); ++i)
        if (auto* f = dynamic_cast<TFrm_LinkQuendrix*>(Screen->CustomForms(i)); f && f->Modal()) {
          modals.push_back(f->ClassName());
          f->SetModalResult(mrOk);
        }
    });
  }
};

TEST_F(WizardClose, AnUnchangedPictureClosesWithoutAQuestion) {
  WriteJpeg("face.jpg", 120, 90);
  Open("face.jpg");
  ASSERT_NE(WorkImage, nullptr);
  ASSERT_FALSE(main->Modified);
  CloseWindow();
  EXPECT_TRUE(messages.empty());
  EXPECT_TRUE(closed);
}

TEST_F(WizardClose, CancelKeepsTheWindowTheStepAndTheHistory) {
  Change();
  const int entries = History->Count();
  AnswerClose(mrCancel);
  CloseWindow();
  EXPECT_EQ(messages, std::vector<std::string>{kQuestion});
  EXPECT_EQ(captions, (std::map<std::string, std::string>{{"Yes", "是"}, {"No", "否"}, {"Cancel", "取消"}}));
  EXPECT_FALSE(closed);
  EXPECT_EQ(main->CurrentStep, 2);
  ASSERT_NE(History, nullptr);
  EXPECT_EQ(History->Count(), entries);
  EXPECT_TRUE(main->Modified);
}

TEST_F(WizardClose, NoClosesWithoutSaving) {
  Change();
  AnswerClose(mrNo);
  CloseWindow();
  EXPECT_EQ(messages, std::vector<std::string>{kQuestion});
  EXPECT_TRUE(closed);
  EXPECT_FALSE(fs::exists(Picture("kept.jpg")));
}

TEST_F(WizardClose, YesSavesThroughTheSaveDialogAndThenCloses) {
  Change();
  AnswerClose(mrYes);
  PickFile(dir + "/pictures", "kept.jpg");
  CloseLinkDialogLater();
  CloseWindow();
  s.display.AdvanceTime(2000);
  Idle();
  EXPECT_EQ(messages, std::vector<std::string>{kQuestion});
  std::unique_ptr<TBitmap> saved = LoadPicture(Picture("kept.jpg"));
  ASSERT_NE(saved, nullptr);
  EXPECT_EQ(saved->Width(), 120);
  EXPECT_EQ(modals, std::vector<std::string>{"TFrm_LinkQuendrix"});
  EXPECT_FALSE(main->Modified);
  EXPECT_TRUE(closed);
}

TEST_F(WizardClose, YesWithTheSaveCancelledStaysWithTheWork) {
  Change();
  AnswerClose(mrYes);
  CancelFileDialog();
  CloseWindow();
  EXPECT_EQ(messages, std::vector<std::string>{kQuestion});
  EXPECT_FALSE(closed);
  EXPECT_TRUE(main->Modified);
  EXPECT_EQ(main->CurrentStep, 2);
  EXPECT_NE(WorkImage, nullptr);
}

// After a save the picture counts as unchanged: closing asks nothing.
TEST_F(WizardClose, ASavedPictureClosesWithoutAQuestion) {
  Change();
  main->StepEnabled = {true, false, false, false, false};
  Click(main->Btn_Next);
  ASSERT_EQ(main->CurrentStep, 7);
  PickFile(dir + "/pictures", "done.jpg");
  CloseLinkDialogLater();
  Click(main->Btn_Next);
  s.display.AdvanceTime(2000);
  Idle();
  ASSERT_FALSE(main->Modified);
  CloseWindow();
  EXPECT_TRUE(messages.empty());
  EXPECT_TRUE(closed);
}

}  // namespace
