// Moving on to a step: the new page reaches the screen only with its
// picture in place, so the previous page stays on screen while the display
// copy is made and the step's first work runs, never an empty grey page.
#include "platform/rtl/SafeSave.h"
#include "platform/ui/forms/Screen.h"
#include "tests/app/WizardTestSupport.h"

using namespace wizard;

namespace {

class WizardPageShown : public WizardTest {};

TEST_F(WizardPageShown, EachPageIsPaintedOnlyWithItsPicture) {
  for (int step = stepSize; step <= stepStain; ++step) {
    SCOPED_TRACE(step);
    std::array<bool, 5> flow{false, false, false, false, false};
    flow[size_t(step - 2)] = true;
    auto picture = MakePicture(900, 700);
    picture->SaveToFile(Picture("face.bmp"));
    if (main->CurrentStep != stepOpen) {
      // Back to the first page, dropping the steps.
      AnswerMessage(mrYes);
      CancelFileDialog();
      Click(main->Btn_File);
    }
    Open("face.bmp");
    ASSERT_NE(WorkImage, nullptr);
    main->StepEnabled = flow;
    TStepPage* before = Page();
    // Each paint of the new page's picture box notes whether its picture
    // was there; the box is hooked as soon as the page exists (its first
    // history entry is written while it is made).
    std::vector<bool> paints;
    TWndMethod saved;
    TScrollBox* box = nullptr;
    SafeSaveFaults().TempCreated = [&](const std::string&) {
      if (box) return;
      for (int i = 0; i < Screen->CustomFormCount(); ++i) {
        auto* page = dynamic_cast<TStepPage*>(Screen->CustomForms(i));
        if (!page || page == before) continue;
        box = page->ScrollBox_Image1;
        TImage* image = page->Image1;
        saved = box->WindowProc;
        box->WindowProc = TWndMethod::FromFunction(
            [&paints, &saved, image](TMessage& m) {
              if (m.Msg == WM_PAINT) paints.push_back(!image->Picture()->Bitmap()->Empty());
              saved(m);
            },
            &paints);
      }
    };
    Click(main->Btn_Next);
    SafeSaveFaults() = TSafeSaveFaults{};
    ASSERT_EQ(main->CurrentStep, step);
    ASSERT_NE(box, nullptr);
    ASSERT_FALSE(paints.empty());
    for (bool withPicture : paints) EXPECT_TRUE(withPicture);
    box->WindowProc = saved;
    EXPECT_FALSE(Page()->Image1->Picture()->Bitmap()->Empty());
  }
}

}  // namespace
