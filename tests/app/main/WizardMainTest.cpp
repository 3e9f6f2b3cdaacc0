// The main window: its start state, layout formula, opening photos through
// the open dialog, the zoom buttons with the status texts, stepping through
// the flow, undo and redo, and the crop question.
#include <cmath>
#include <fstream>
#include <iterator>

#include "app/pixels/RotateImage.h"
#include "app/main/uMain_History.h"
#include "app/main/uMain_View.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "skin/windows/Brenvale.h"
#include "platform/rtl/SafeSave.h"
#include "tests/app/WizardTestSupport.h"

using namespace wizard;

namespace {

class WizardMain : public WizardTest {
 protected:
  // Sizes the main window so the page's scroll box has this outer size.
  void SizeBox(int w, int h) {
    TScrollBox* box = Page()->ScrollBox_Image1;
    main->SetBounds(main->Left(), main->Top(), main->Width() + w - box->Width(), main->Height() + h - box->Height());
    Idle();
    ASSERT_EQ(box->Width(), w);
    ASSERT_EQ(box->Height(), h);
  }
  std::vector<bool> Buttons() const {
    return {main->Btn_File->Enabled(),    main->Btn_Next->Enabled(),   main->Btn_ZoomIn->Enabled(),
            main->Btn_ZoomOut->Enabled(), main->Btn_Fit->Enabled(),    main->Btn_Actual->Enabled(),
            main->Btn_Undo->Enabled(),    main->Btn_Redo->Enabled()};
  }
};

// A crop frame as the size step will hold it.
class TStandInCrop : public TCropFrameLink {
 public:
  bool active = true;
  int cancels = 0;
  bool Active() const override { return active; }
  void Cancel() override {
    ++cancels;
    active = false;
  }
};

TEST_F(WizardMain, StartsAtTheOpenStepWithOnlyTheOpenButton) {
  EXPECT_EQ(main->Caption(), "Lumiqa2011--轻松五步打造出您的Lumiqa");
  EXPECT_EQ(main->ClientWidth(), 883);
  EXPECT_EQ(main->ClientHeight(), 611);
  EXPECT_EQ(main->SkinForm->DefMenuItemHeight(), 20);  // the system menu's rows
  EXPECT_EQ(main->CurrentStep, 1);
  ASSERT_NE(Page(), nullptr);
  EXPECT_EQ(Page()->ClassName(), "TFrm_OpenFile");
  EXPECT_EQ(Page()->Parent(), main->Pnl_Main);
  EXPECT_EQ(main->Pnl_Task->Caption(), "打开文件");
  EXPECT_EQ(Buttons(), (std::vector<bool>{true, false, false, false, false, false, false, false}));
  EXPECT_EQ(main->Btn_Next->Hint, "后一页 尺寸调整");
  // Before a photo, the status bar's size and zoom stay empty.
  EXPECT_EQ(Status(1), "");
  EXPECT_EQ(Status(2), "");
  // The skin beside the program was loaded and binds the toolbar.
  EXPECT_FALSE(main->SkinData->Empty);
  EXPECT_NE(main->Btn_Next->ControlIndex, -1);
  EXPECT_TRUE(DirectoryExists(History->Folder()));
  EXPECT_EQ(Page()->TLbl_Help->Lines()->Strings(0), "帮助");
  EXPECT_EQ(Page()->Pnl_Tool1->Width(), 112);
}

// The skinned window menu speaks the wizard's language beside its own
// "关闭(&C)", whatever the locale: the skin carries the texts.
TEST_F(WizardMain, TheWindowMenuIsChinese) {
  TMenuItem* root = main->SkinForm->GetSystemMenuItems();
  std::vector<std::string> captions;
  for (int i = 0; i < root->Count(); ++i)
    if (root->Items(i)->Caption() != "-") captions.push_back(root->Items(i)->Caption());
  EXPECT_EQ(captions, (std::vector<std::string>{"最小化(&N)", "最大化(&X)", "关闭(&C)"}));
}

TEST_F(WizardMain, ToolbarFollowsTheWindowWidth) {
  for (int w : {1000, 883, 1280}) {
    main->SetBounds(0, 0, w, 700);
    Idle();
    const int task = (w - 337 - 100) / 2;
    EXPECT_EQ(main->Pnl_Task->Left(), task) << w;
    EXPECT_EQ(main->Btn_File->Left(), task - 25 - 4) << w;
    EXPECT_EQ(main->Btn_Next->Left(), task + 337 + 4) << w;
    const int r = task + 337 + 4 + 25;
    const int zoomIn = r + (main->Btn_Undo->Left() - r - 112) / 2;
    EXPECT_EQ(main->Btn_ZoomIn->Left(), zoomIn) << w;
    EXPECT_EQ(main->Btn_Actual->Left(), zoomIn + 3 * 29) << w;
    // Undo and redo keep their distance to the right edge.
    EXPECT_EQ(main->Pnl_Title->Width() - main->Btn_Redo->Left(), 37) << w;
  }
  main->SetBounds(0, 0, 1000, 700);
  Idle();
  EXPECT_EQ(main->Pnl_Task->Left(), 281);
}

TEST_F(WizardMain, OpensJpegAndBmpThroughTheOpenDialog) {
  struct TCase {
    const char* name;
    int w, h;
  } cases[] = {{"face.jpg", 300, 200}, {"photo.bmp", 640, 480}, {"Upper.JPG", 90, 120}};
  WriteJpeg("face.jpg", 300, 200);
  WriteBmp("photo.bmp", 640, 480);
  WriteJpeg("Upper.JPG", 90, 120);
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    Open(c.name);
    ASSERT_NE(WorkImage, nullptr);
    EXPECT_EQ(WorkImage->Width(), c.w);
    EXPECT_EQ(WorkImage->Height(), c.h);
    EXPECT_EQ(WorkImage->PixelFormat(), pf24bit);
    EXPECT_EQ(Status(0), Picture(c.name));
    EXPECT_EQ(Status(1), " 当前图像大小: " + std::to_string(c.w) + "*" + std::to_string(c.h));
    EXPECT_EQ(Buttons(), (std::vector<bool>{true, true, true, ZoomFactor > 0.167f, true, true, false, false}));
    EXPECT_FALSE(main->Modified);
    EXPECT_TRUE(messages.empty());
    Snapshot(main, std::string("wizard_opened_") + c.name);
  }
}

TEST_F(WizardMain, ZoomStepsWithTheStatusTexts) {
  WriteBmp("big.bmp", 4000, 3000);
  SizeBox(604, 454);
  Open("big.bmp");
  ASSERT_NE(WorkImage, nullptr);
  TImage* image = Page()->Image1;
  EXPECT_EQ(Status(1), " 当前图像大小: 4000*3000");
  struct TStep {
    TspSkinButton* TFrm_Main::*button;
    int percent, width, height;
    bool zoomIn, zoomOut;
  } steps[] = {
      {nullptr, 15, 600, 450, true, false},  // fitted on opening
      {&TFrm_Main::Btn_ZoomOut, 15, 600, 450, true, false},
      // 0.167 as a single is just below it: 4000 x 0.167f is 667.99998.
      {&TFrm_Main::Btn_ZoomIn, 17, 667, 500, true, false},
      {&TFrm_Main::Btn_ZoomIn, 25, 1000, 750, true, true},
      {&TFrm_Main::Btn_ZoomIn, 50, 2000, 1500, true, true},
      {&TFrm_Main::Btn_ZoomOut, 25, 1000, 750, true, true},
      {&TFrm_Main::Btn_Actual, 100, 4000, 3000, true, true},
      {&TFrm_Main::Btn_Fit, 15, 600, 450, true, false},
  };
  for (const TStep& st : steps) {
    if (st.button) {
      TspSkinButton* b = main->*st.button;
      // A disabled button does nothing; its handler would not either.
      if (b->Enabled()) Click(b);
      else main->Btn_ZoomOutClick(nullptr);
    }
    SCOPED_TRACE(st.percent);
    EXPECT_EQ(Status(2), " 缩放比例：" + std::to_string(st.percent) + "%");
    EXPECT_EQ(image->Width(), st.width);
    EXPECT_EQ(image->Height(), st.height);
    EXPECT_EQ(main->Btn_ZoomIn->Enabled(), st.zoomIn);
    EXPECT_EQ(main->Btn_ZoomOut->Enabled(), st.zoomOut);
  }
  // The fitted picture is smaller than the box: centred with a margin.
  EXPECT_EQ(image->Left(), (604 - 600 - 4) / 2);
  EXPECT_EQ(image->Top(), (454 - 450 - 4) / 2);
}

TEST_F(WizardMain, ASmallPhotoFitsUnscaledAndAnAwkwardBoxKeepsTheSingleFit) {
  WriteJpeg("small.jpg", 300, 200);
  Open("small.jpg");
  EXPECT_EQ(ZoomFactor, 1.0f);
  EXPECT_EQ(Status(2), " 缩放比例：100%");
  EXPECT_EQ(Page()->Image1->Width(), 300);
  struct TStep {
    float zoom;
    int width;
    bool zoomIn;
  } steps[] = {{1.5f, 450, true}, {2.0f, 600, false}, {2.0f, 600, false}};
  for (const TStep& st : steps) {
    // At 2.0 the button is off and its handler changes nothing either.
    if (main->Btn_ZoomIn->Enabled()) Click(main->Btn_ZoomIn);
    else main->Btn_ZoomInClick(nullptr);
    EXPECT_EQ(ZoomFactor, st.zoom);
    EXPECT_EQ(Status(2), " 缩放比例：" + std::to_string(int(st.zoom * 100)) + "%");
    EXPECT_EQ(Page()->Image1->Width(), st.width);
    EXPECT_EQ(main->Btn_ZoomIn->Enabled(), st.zoomIn);
    EXPECT_TRUE(main->Btn_ZoomOut->Enabled());
  }
  // Down to 0.167, where zoom out stops.
  for (int i = 0; i < 8; ++i)
    if (main->Btn_ZoomOut->Enabled()) Click(main->Btn_ZoomOut);
  EXPECT_EQ(ZoomFactor, 0.167f);
  EXPECT_EQ(Status(2), " 缩放比例：17%");
  main->Btn_ZoomOutClick(nullptr);
  EXPECT_EQ(ZoomFactor, 0.167f);
  EXPECT_FALSE(main->Btn_ZoomOut->Enabled());
  EXPECT_TRUE(main->Btn_ZoomIn->Enabled());
  Click(main->Btn_Actual);
  EXPECT_EQ(Status(2), " 缩放比例：100%");
  EXPECT_TRUE(main->Btn_ZoomOut->Enabled());

  WriteBmp("big.bmp", 4000, 3000);
  SizeBox(600, 450);
  Open("big.bmp");
  EXPECT_EQ(ZoomFactor, float(446.0L / 3000.0L));
  EXPECT_EQ(Page()->Image1->Width(), 594);
  EXPECT_EQ(Page()->Image1->Height(), 445);
}

TEST_F(WizardMain, NextWalksTheEnabledStepsWithTheirHints) {
  WriteJpeg("face.jpg", 320, 240);
  Open("face.jpg");
  TBitmap loaded;
  loaded.Assign(WorkImage.get());
  struct TStepCase {
    int step;
    const char* page;
    const char* task;
    const char* hint;
  } steps[] = {
      {2, "TFrm_Size", "尺寸调整", "后一页 高光去除"},     {3, "TFrm_HighLight", "高光去除", "后一页 色彩优化"},
      {4, "TFrm_Color", "色彩优化", "后一页 细节优化"},    {5, "TFrm_Smooth", "细节优化", "后一页 痘痣去除"},
      {6, "TFrm_Stain", "痘痣去除", "后一页 保存照片"},    {7, "TFrm_SaveFile", "保存照片", "保存照片"},
  };
  const float zoom = ZoomFactor;
  for (const TStepCase& st : steps) {
    Click(main->Btn_Next);
    SCOPED_TRACE(st.page);
    EXPECT_EQ(main->CurrentStep, st.step);
    ASSERT_NE(Page(), nullptr);
    EXPECT_EQ(Page()->ClassName(), st.page);
    EXPECT_EQ(main->Pnl_Task->Caption(), st.task);
    EXPECT_EQ(main->Btn_Next->Hint, st.hint);
    EXPECT_TRUE(main->Modified);
    // Each page shows the picture at the zoom the last one left.
    EXPECT_EQ(ZoomFactor, zoom);
    EXPECT_EQ(Page()->Image1->Width(), int(std::floor(320 * zoom)));
    // A retouching page's history holds the picture as it came in; the
    // smoothing step's also its first result.
    EXPECT_EQ(History->Count(), st.step == 5 ? 2 : st.step < 7 ? 1 : 0);
    EXPECT_EQ(main->Btn_Undo->Enabled(), st.step == 5);
  }
  // Leaving step 1 kept the picture as loaded.
  ASSERT_NE(OriginalImage, nullptr);
  EXPECT_EQ(MaxDifference(*OriginalImage, loaded), 0);
  EXPECT_TRUE(main->Btn_Next->Enabled());
}

TEST_F(WizardMain, NextStaysOffWithoutAPicture) {
  EXPECT_FALSE(main->Btn_Next->Enabled());
  main->Btn_NextClick(nullptr);
  EXPECT_EQ(main->CurrentStep, 1);
  CancelFileDialog();
  Click(main->Btn_File);
  EXPECT_EQ(WorkImage, nullptr);
  EXPECT_FALSE(main->Btn_Next->Enabled());
}

// A small file whose headers claim a picture of width x height: a JPEG
// with its frame header changed, or an 8-bit run-length BMP of a few runs.
void WriteClaimingJpeg(const std::string& file, int width, int height) {
  TJPEGImage j;
  j.Assign(MakePicture(16, 16).get());
  TMemoryStream m;
  j.SaveToStream(m);
  std::string bytes(static_cast<const char*>(m.Memory()), std::size_t(m.Size()));
  const std::size_t sof = bytes.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  bytes[sof + 5] = char(height >> 8), bytes[sof + 6] = char(height);
  bytes[sof + 7] = char(width >> 8), bytes[sof + 8] = char(width);
  std::ofstream(file, std::ios::binary) << bytes;
}

void WriteClaimingRleBmp(const std::string& file, int width, int height) {
  std::string b;
  auto put = [&b](std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b += char(v >> (8 * i));
  };
  const std::uint32_t offset = 14 + 40 + 256 * 4;
  const std::string runs = std::string("\xFF\x07\xFF\x09", 4) + std::string("\x00\x01", 2);
  b += "BM";
  put(offset + std::uint32_t(runs.size()), 4), put(0, 4), put(offset, 4);
  put(40, 4), put(std::uint32_t(width), 4), put(std::uint32_t(height), 4), put(1, 2), put(8, 2);
  put(1, 4), put(std::uint32_t(runs.size()), 4), put(2835, 4), put(2835, 4), put(256, 4), put(0, 4);
  for (std::uint32_t i = 0; i < 256; ++i) put(i * 0x010101u, 4);
  std::ofstream(file, std::ios::binary) << b + runs;
}

TEST_F(WizardMain, AFailedOpenKeepsThePictureAndSaysWhy) {
  WriteJpeg("good.jpg", 200, 100);
  {
    std::ofstream(Picture("broken.jpg")) << "not a jpeg at all";
    std::ofstream(Picture("photo.jpeg")) << "x";
    std::ofstream(Picture("text.bmp")) << "BMnope";
  }
  // Past the wizard's bound by one row, and far past it: refused from the
  // headers as too large, not as damaged.
  WriteClaimingJpeg(Picture("huge.jpg"), 10000, 10001);
  WriteClaimingJpeg(Picture("grey13000.jpg"), 13000, 13000);
  WriteClaimingRleBmp(Picture("runs.bmp"), 12000, 14000);
  const char* tooLarge = "图片太大：本程序只能处理 1 亿像素以内的图片。";
  struct TCase {
    const char* name;
    const char* reason;
  } cases[] = {
      {"broken.jpg", "文件已损坏，或不是有效的图片。"},
      {"photo.jpeg", "只能打开 JPG 和 BMP 格式的图片。"},
      {"text.bmp", "文件已损坏，或不是有效的图片。"},
      {"huge.jpg", tooLarge},
      {"grey13000.jpg", tooLarge},
      {"runs.bmp", tooLarge},
  };
  // With no picture yet, Next stays off.
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    messages.clear();
    AnswerMessage(mrOk);
    Open(c.name);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], std::string("无法打开图片文件：\r") + Picture(c.name) + "\r" + c.reason);
    EXPECT_EQ(WorkImage, nullptr);
    EXPECT_FALSE(main->Btn_Next->Enabled());
    EXPECT_EQ(Status(0), "");
  }
  // With a picture, a failed open keeps it, its display and its state.
  Open("good.jpg");
  ASSERT_NE(WorkImage, nullptr);
  TBitmap* before = WorkImage.get();
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    messages.clear();
    AnswerMessage(mrOk);
    Open(c.name);
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(WorkImage.get(), before);
    EXPECT_TRUE(main->Btn_Next->Enabled());
    EXPECT_EQ(Status(0), Picture("good.jpg"));
    EXPECT_EQ(Page()->Image1->Width(), 200);
  }
}

// A JPEG cut short opens with what it holds, and the user is told once that
// the lower part is missing; a whole one opens without a word.
TEST_F(WizardMain, ATruncatedJpegOpensWithANotice) {
  WriteJpeg("whole.jpg", 320, 240);
  std::string bytes;
  {
    std::ifstream in(Picture("whole.jpg"), std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  std::ofstream(Picture("cut.jpg"), std::ios::binary) << bytes.substr(0, bytes.size() * 40 / 99);
  Open("whole.jpg");
  EXPECT_TRUE(messages.empty());
  ASSERT_NE(WorkImage, nullptr);
  AnswerMessage(mrOk);
  Open("cut.jpg");
  EXPECT_EQ(messages, std::vector<std::string>{"图片文件已损坏，图片的下部缺失：\r" + Picture("cut.jpg")});
  ASSERT_NE(WorkImage, nullptr);
  EXPECT_EQ(WorkImage->Width(), 320);
  EXPECT_EQ(WorkImage->Height(), 240);
  EXPECT_TRUE(main->Btn_Next->Enabled());
  EXPECT_EQ(Status(0), Picture("cut.jpg"));
  // Once: moving on says nothing more.
  Click(main->Btn_Next);
  EXPECT_EQ(messages.size(), 1u);
}

TEST_F(WizardMain, OpeningAgainAsksBeforeDiscardingTheSteps) {
  WriteJpeg("one.jpg", 200, 100);
  WriteJpeg("two.jpg", 120, 160);
  Open("one.jpg");
  Click(main->Btn_Next);
  Click(main->Btn_Next);
  Click(main->Btn_Next);
  ASSERT_EQ(main->CurrentStep, 4);
  const std::string question =
      "是否撤销当前的操作？\r如果选择【Yes】按钮，则撤销所有操作。\r如果选择【No 】按钮，则继续当前操作。";
  // No: nothing changes.
  AnswerMessage(mrNo);
  PickFile(dir + "/pictures", "two.jpg");
  Click(main->Btn_File);
  ASSERT_EQ(messages, std::vector<std::string>{question});
  EXPECT_EQ(main->CurrentStep, 4);
  EXPECT_EQ(WorkImage->Width(), 200);
  EXPECT_TRUE(main->Modified);
  // Yes: the open page comes back, the step's history is gone and the new
  // photo is fitted.
  AnswerMessage(mrYes);
  Click(main->Btn_File);
  EXPECT_EQ(messages.size(), 2u);
  EXPECT_EQ(main->CurrentStep, 1);
  EXPECT_EQ(Page()->ClassName(), "TFrm_OpenFile");
  EXPECT_EQ(History->Count(), 0);
  EXPECT_EQ(WorkImage->Width(), 120);
  EXPECT_FALSE(main->Modified);
  // Unmodified now: no question.
  Open("one.jpg");
  EXPECT_EQ(messages.size(), 2u);
}

TEST_F(WizardMain, UndoAndRedoAcrossHistoryPushes) {
  WriteJpeg("face.jpg", 64, 48);
  Open("face.jpg");
  Click(main->Btn_Next);
  ASSERT_EQ(main->CurrentStep, 2);
  // Edits as the size step makes them: a new picture, pushed.
  std::vector<int> widths{64};
  for (int w : {50, 40}) {
    WorkImage = MakePicture(w, 30);
    HistoryPush(WorkImage.get());
    widths.push_back(w);
  }
  EXPECT_EQ(History->Count(), 3);
  EXPECT_TRUE(main->Btn_Undo->Enabled());
  EXPECT_FALSE(main->Btn_Redo->Enabled());
  struct TMove {
    bool undo;
    int width;
    bool canUndo, canRedo;
  } moves[] = {{true, 50, true, true}, {true, 64, false, true}, {false, 50, true, true}, {false, 40, true, false}};
  for (const TMove& m : moves) {
    Click(m.undo ? main->Btn_Undo : main->Btn_Redo);
    EXPECT_EQ(WorkImage->Width(), m.width);
    EXPECT_EQ(Status(1), " 当前图像大小: " + std::to_string(m.width) + "*" + std::to_string(m.width == 64 ? 48 : 30));
    EXPECT_EQ(Page()->Image1->Width(), int(std::floor(m.width * ZoomFactor)));
    EXPECT_EQ(main->Btn_Undo->Enabled(), m.canUndo);
    EXPECT_EQ(main->Btn_Redo->Enabled(), m.canRedo);
  }
  // Undo twice, push: the redo tail goes, files 0 and 1 remain.
  Click(main->Btn_Undo);
  Click(main->Btn_Undo);
  WorkImage = MakePicture(33, 30);
  HistoryPush(WorkImage.get());
  EXPECT_FALSE(main->Btn_Redo->Enabled());
  EXPECT_TRUE(main->Btn_Undo->Enabled());
  EXPECT_TRUE(FileExists(History->Folder() + "/0.bmp"));
  EXPECT_TRUE(FileExists(History->Folder() + "/1.bmp"));
  EXPECT_FALSE(FileExists(History->Folder() + "/2.bmp"));
  // Leaving the step clears its files.
  Click(main->Btn_Next);
  EXPECT_EQ(History->Count(), 1);
  EXPECT_FALSE(FileExists(History->Folder() + "/1.bmp"));
  Click(main->Btn_Undo);
  EXPECT_EQ(WorkImage->Width(), 33);
}

// A history write that fails (a full disk) is told once with its reason;
// the buttons never offer an entry that was not written, and a failure
// after a write that worked again is told again.
TEST_F(WizardMain, AFailedHistoryWriteIsToldOnceWithItsReason) {
  WriteJpeg("face.jpg", 64, 48);
  Open("face.jpg");
  Click(main->Btn_Next);
  ASSERT_EQ(main->CurrentStep, 2);
  const std::string told = "这一步无法保存到历史记录，因此不能撤销。\r原因：磁盘空间不足。";
  struct TPush {
    bool diskFull;
    size_t messagesAfter;
  } pushes[] = {{true, 1}, {true, 1}, {false, 1}, {true, 2}};
  for (const TPush& p : pushes) {
    const int count = History->Count();
    if (p.diskFull) {
      SafeSaveFaults().DiskSpace = 10;
      if (messages.size() < p.messagesAfter) AnswerMessage(mrOk);
    }
    WorkImage = MakePicture(50, 30);
    HistoryPush(WorkImage.get());
    SafeSaveFaults() = TSafeSaveFaults{};
    EXPECT_EQ(History->Count(), p.diskFull ? count : count + 1);
    EXPECT_EQ(main->Btn_Undo->Enabled(), History->CanUndo());
    ASSERT_EQ(messages.size(), p.messagesAfter);
    EXPECT_EQ(messages.back(), told);
  }
}

TEST_F(WizardMain, TheCropQuestionGuardsTheToolbar) {
  WriteJpeg("face.jpg", 64, 48);
  Open("face.jpg");
  Click(main->Btn_Next);
  TStandInCrop crop;
  CropFrame = &crop;
  const std::string question =
      "当前正在执行裁切动作，是否需要取消裁切？\r如果选择【Yes】按钮，则取消当前裁切。\r"
      "如果选择【No 】按钮，则继续当前操作。";
  // No: the action is dropped and the crop goes on.
  AnswerMessage(mrNo);
  Click(main->Btn_Next);
  EXPECT_EQ(messages, std::vector<std::string>{question});
  EXPECT_EQ(main->CurrentStep, 2);
  EXPECT_TRUE(crop.active);
  EXPECT_EQ(crop.cancels, 0);
  const float zoom = ZoomFactor;
  AnswerMessage(mrNo);
  Click(main->Btn_ZoomIn);
  EXPECT_EQ(ZoomFactor, zoom);
  // The task panel's double click never asks.
  OnModal([](TForm* f) { f->SetModalResult(mrCancel); });
  DoubleClick(main->Pnl_Task);
  EXPECT_EQ(messages.size(), 2u);
  // Yes: the crop is cancelled and the action goes on.
  AnswerMessage(mrYes);
  Click(main->Btn_Next);
  EXPECT_EQ(messages.size(), 3u);
  EXPECT_EQ(crop.cancels, 1);
  EXPECT_EQ(main->CurrentStep, 3);
  // An idle frame asks nothing.
  Click(main->Btn_Next);
  EXPECT_EQ(messages.size(), 3u);
  EXPECT_EQ(main->CurrentStep, 4);
  CropFrame = nullptr;
}

TEST_F(WizardMain, LeavingTheWindowRemovesTheHistoryFolder) {
  WriteJpeg("face.jpg", 64, 48);
  Open("face.jpg");
  Click(main->Btn_Next);
  const std::string folder = History->Folder();
  EXPECT_TRUE(FileExists(folder + "/0.bmp"));
  delete main;
  main = nullptr;
  EXPECT_EQ(Frm_Main, nullptr);
  EXPECT_EQ(WorkImage, nullptr);
  EXPECT_EQ(History, nullptr);
  EXPECT_FALSE(DirectoryExists(folder));
}

}  // namespace

namespace {

// The skin's maximise sizes the window before its region follows; the
// picture box's edge in the added area was left black (the children's
// frames were painted clipped by the old region and never again).
TEST_F(WizardMain, TheSkinsMaximiseDrawsThePictureBoxEdgeAllAlong) {
  WriteBmp("face.bmp", 400, 300);
  Open("face.bmp");
  TScrollBox* box = Page()->ScrollBox_Image1;
  const int oldW = box->Width(), oldH = box->Height();
  main->SkinForm->ChangeWindowState(spwsMaximized);
  Idle();
  Snapshot(main, "wizard_maximised");
  ASSERT_GT(box->Width(), oldW + 100);
  ASSERT_GT(box->Height(), oldH + 100);
  RECT frame, outer;
  GetWindowRect(main->Handle(), &frame);
  GetWindowRect(box->Handle(), &outer);
  const int left = outer.Left - frame.Left, top = outer.Top - frame.Top;
  const HWND h = main->Handle();
  // The edge's top row and left column are one colour from end to end.
  const COLORREF topEdge = s.display.PixelAt(h, left + 2, top);
  const COLORREF leftEdge = s.display.PixelAt(h, left, top + 2);
  ASSERT_NE(topEdge, RGB(0, 0, 0));
  ASSERT_NE(leftEdge, RGB(0, 0, 0));
  int wrongTop = 0, wrongLeft = 0;
  for (int x = left + 2; x < left + box->Width() - 2; ++x) wrongTop += s.display.PixelAt(h, x, top) != topEdge;
  for (int y = top + 2; y < top + box->Height() - 2; ++y) wrongLeft += s.display.PixelAt(h, left, y) != leftEdge;
  EXPECT_EQ(wrongTop, 0) << "of " << box->Width() - 4 << " along the top, " << oldW << " wide before";
  EXPECT_EQ(wrongLeft, 0) << "of " << box->Height() - 4 << " down the left, " << oldH << " high before";
}

}  // namespace
