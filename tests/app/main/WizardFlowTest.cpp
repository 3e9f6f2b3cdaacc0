// The flow dialog reached by double-clicking the task panel: its layout,
// its check boxes mirroring the step flags, the refusal of an empty flow,
// and the new flow's effect on the next step and its hint.
#include "app/main/uFlow.h"
#include "skin/windows/Brenvale.h"
#include "tests/app/WizardTestSupport.h"

using namespace wizard;

namespace {

class WizardFlow : public WizardTest {
 protected:
  // Double-clicks the task panel; fn runs on the flow dialog once it is up.
  void RunFlow(std::function<void(TFrm_Flow*)> fn) {
    bool seen = false;
    OnModal([&seen, fn](TForm* f) {
      auto* flow = dynamic_cast<TFrm_Flow*>(f);
      ASSERT_NE(flow, nullptr) << f->ClassName();
      seen = true;
      fn(flow);
    });
    DoubleClick(main->Pnl_Task);
    ASSERT_TRUE(seen);
    EXPECT_EQ(Screen->ActiveForm(), main);
  }
  // Sets the boxes by clicking the ones that differ.
  void SetBoxes(TFrm_Flow* flow, const std::array<bool, 5>& want) {
    for (size_t k = 0; k < 5; ++k)
      if (flow->CB_Step[k]->Checked() != want[k]) Click(flow->CB_Step[k]);
    for (size_t k = 0; k < 5; ++k) ASSERT_EQ(flow->CB_Step[k]->Checked(), want[k]) << k;
  }
};

TEST_F(WizardFlow, LayoutShowsTheSevenStepsWithBoxesForTheFiveRetouchingOnes) {
  RunFlow([this](TFrm_Flow* flow) {
    EXPECT_EQ(flow->Caption(), "自定义打造流程");
    EXPECT_EQ(flow->ClientWidth(), 283);
    EXPECT_EQ(flow->ClientHeight(), 426);
    EXPECT_EQ(flow->Pnl_Flow->Width(), 283);
    EXPECT_EQ(flow->Pnl_Flow->Height(), 373);
    const char* captions[7] = {"打开文件",        "第一步.尺寸调整", "第二步.高光去除", "第三步.色彩优化",
                               "第四步.细节优化", "第五步.痘痣去除", "保存照片"};
    int lastBottom = 0;
    for (int i = 0; i < 7; ++i) {
      TPanel* p = flow->Pnl_Step[size_t(i)];
      EXPECT_EQ(p->Caption(), captions[i]);
      EXPECT_EQ(p->Width(), 255);
      EXPECT_EQ(p->Height(), 31);
      EXPECT_EQ(p->Color(), clMoneyGreen);
      EXPECT_GT(p->Top(), lastBottom);
      if (i < 6) {
        TImage* a = flow->Img_Arrow[size_t(i)];
        // Each arrow sits between its step and the next.
        EXPECT_GE(a->Top(), p->Top() + p->Height());
        EXPECT_EQ(a->Width(), 20);
        EXPECT_EQ(a->Height(), 20);
        lastBottom = a->Top() + a->Height();
      }
    }
    EXPECT_LE(lastBottom + 31, 373);
    for (int k = 0; k < 5; ++k) {
      EXPECT_EQ(flow->CB_Step[size_t(k)]->Parent(), flow->Pnl_Step[size_t(k + 1)]);
      EXPECT_EQ(flow->CB_Step[size_t(k)]->Left(), 40);
      EXPECT_TRUE(flow->CB_Step[size_t(k)]->Checked());
    }
    EXPECT_EQ(flow->Btn_OK->Caption(), "确  定");
    EXPECT_EQ(flow->Btn_Cancel->Caption(), "取  消");
    EXPECT_TRUE(flow->Btn_OK->Default());
    EXPECT_TRUE(flow->Btn_Cancel->Cancel);
    EXPECT_EQ(flow->Btn_OK->SkinData(), Frm_Main->SkinData);
    EXPECT_NE(flow->Btn_OK->ControlIndex, -1);
    EXPECT_FALSE(flow->SkinForm->Sizeable);
    EXPECT_TRUE(flow->SkinForm->DisableSystemMenu);
    // Centred on the main window.
    const TPoint mc{Frm_Main->Left() + Frm_Main->Width() / 2, Frm_Main->Top() + Frm_Main->Height() / 2};
    EXPECT_LE(std::abs(flow->Left() + flow->Width() / 2 - mc.X), 1);
    EXPECT_LE(std::abs(flow->Top() + flow->Height() / 2 - mc.Y), 1);
    if (const char* shots = std::getenv("LUMIQA_SNAPSHOT_DIR")) {
      s.display.WriteBmp(flow->Handle(), (std::string(shots) + "/wizard_flow.bmp").c_str());
      s.display.WriteBmp(Frm_Main->Handle(), (std::string(shots) + "/wizard_main_headless.bmp").c_str());
    }
    flow->SetModalResult(mrCancel);
  });
}

TEST_F(WizardFlow, AnEmptyFlowIsRefusedAndCancelKeepsTheFlags) {
  RunFlow([this](TFrm_Flow* flow) {
    SetBoxes(flow, {false, false, false, false, false});
    AnswerMessage(mrOk);
    Click(flow->Btn_OK);
    EXPECT_EQ(messages, std::vector<std::string>{"必须选中一个步骤！"});
    // Still open: cancel it.
    EXPECT_TRUE(flow->Modal());
    EXPECT_EQ(flow->ModalResult(), mrNone);
    Click(flow->Btn_Cancel);
  });
  EXPECT_EQ(main->StepEnabled, (std::array<bool, 5>{true, true, true, true, true}));
  EXPECT_EQ(main->Btn_Next->Hint, "后一页 尺寸调整");
}

TEST_F(WizardFlow, OkTakesTheFlowAndTheHintNamesTheNewNextStep) {
  struct TCase {
    std::array<bool, 5> flow;
    const char* hint;
  } cases[] = {
      {{false, false, true, true, true}, "后一页 色彩优化"},
      {{false, false, false, false, true}, "后一页 痘痣去除"},
      {{true, false, false, false, false}, "后一页 尺寸调整"},
      {{true, true, true, true, true}, "后一页 尺寸调整"},
  };
  for (const TCase& c : cases) {
    RunFlow([&](TFrm_Flow* flow) {
      SetBoxes(flow, c.flow);
      Click(flow->Btn_OK);
    });
    EXPECT_EQ(main->StepEnabled, c.flow);
    EXPECT_EQ(main->Btn_Next->Hint, c.hint);
    // Opened again, the boxes show the flags.
    RunFlow([&](TFrm_Flow* flow) {
      for (size_t k = 0; k < 5; ++k) EXPECT_EQ(flow->CB_Step[k]->Checked(), c.flow[k]);
      flow->SetModalResult(mrCancel);
    });
  }
}

TEST_F(WizardFlow, NextFollowsTheFlowAndAStepSwitchedOffStaysUntilLeft) {
  WriteJpeg("face.jpg", 64, 48);
  Open("face.jpg");
  RunFlow([&](TFrm_Flow* flow) {
    SetBoxes(flow, {false, false, true, false, true});
    Click(flow->Btn_OK);
  });
  EXPECT_EQ(main->Btn_Next->Hint, "后一页 色彩优化");
  Click(main->Btn_Next);
  EXPECT_EQ(main->CurrentStep, 4);
  EXPECT_EQ(main->Btn_Next->Hint, "后一页 痘痣去除");
  // Switching off the step shown keeps it; the hint moves on at once.
  RunFlow([&](TFrm_Flow* flow) {
    SetBoxes(flow, {true, false, false, false, false});
    Click(flow->Btn_OK);
  });
  EXPECT_EQ(main->CurrentStep, 4);
  EXPECT_EQ(main->Btn_Next->Hint, "后一页 保存照片");
  Click(main->Btn_Next);
  EXPECT_EQ(main->CurrentStep, 7);
  EXPECT_EQ(main->Btn_Next->Hint, "保存照片");
  // At the save step the hint stays.
  RunFlow([&](TFrm_Flow* flow) {
    SetBoxes(flow, {true, true, true, true, true});
    Click(flow->Btn_OK);
  });
  EXPECT_EQ(main->Btn_Next->Hint, "保存照片");
}

TEST(WizardFlowSteps, NextEnabledStepSkipsStepsSwitchedOff) {
  struct TCase {
    std::array<bool, 5> flags;
    int from, next;
  } cases[] = {
      {{true, true, true, true, true}, 1, 2},    {{true, true, true, true, true}, 6, 7},
      {{false, false, true, true, true}, 1, 4},  {{false, false, false, false, true}, 1, 6},
      {{false, false, false, false, true}, 6, 7}, {{true, false, false, false, false}, 2, 7},
      {{false, true, false, true, false}, 3, 5},  {{false, true, false, true, false}, 5, 7},
  };
  for (const TCase& c : cases) EXPECT_EQ(NextEnabledStep(c.flags, c.from), c.next) << c.from;
}

}  // namespace
