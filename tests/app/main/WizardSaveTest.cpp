// The save step: comparing with the picture as loaded, saving as JPEG and
// BMP through the save dialog, the name a save writes and the question
// before replacing another file, and failures that keep the work.
#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iterator>

#include <cerrno>

#include "app/pixels/RotateImage.h"
#include "app/dialogs/uLinkQuendrix.h"
#include "skin/controls/SkinExCtrls.h"
#include "platform/rtl/SafeSave.h"
#include "platform/ui/forms/Screen.h"
#include "platform/rtl/SafeSave.h"
#include "tests/app/WizardTestSupport.h"

using namespace wizard;

namespace {

std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The quantisation values of a JPEG file's tables, in file order.
std::vector<int> QuantValues(const std::string& jpeg) {
  std::vector<int> values;
  for (size_t i = 2; i + 4 <= jpeg.size();) {
    if (Byte(jpeg[i]) != 0xFF) break;
    const Byte marker = Byte(jpeg[i + 1]);
    const size_t length = size_t(Byte(jpeg[i + 2])) << 8 | Byte(jpeg[i + 3]);
    if (marker == 0xDA) break;
    if (marker == 0xDB)
      for (size_t t = i + 4; t < i + 2 + length && t < jpeg.size();) {
        const bool wide = (Byte(jpeg[t]) >> 4) != 0;
        for (size_t k = 0; k < 64; ++k)
          values.push_back(wide ? (Byte(jpeg[t + 1 + 2 * k]) << 8 | Byte(jpeg[t + 2 + 2 * k])) : Byte(jpeg[t + 1 + k]));
        t += 1 + (wide ? 128 : 64);
      }
    i += 2 + length;
  }
  return values;
}

class WizardSave : public WizardTest {
 protected:
  // Addresses the after-save picture opened.
  std::vector<std::string> opened;
  // Opens face.jpg, edits it on the size step (a darker copy, pushed) and
  // goes straight on to the save step.
  void ReachSave() {
    WriteJpeg("face.jpg", 160, 120);
    Open("face.jpg");
    main->StepEnabled = {true, false, false, false, false};
    Click(main->Btn_Next);
    ASSERT_EQ(main->CurrentStep, 2);
    for (int y = 0; y < WorkImage->Height(); ++y) {
      auto* row = static_cast<Byte*>(WorkImage->ScanLine(y));
      for (int x = 0; x < WorkImage->Width() * 3; ++x) row[x] = Byte(row[x] / 2);
    }
    HistoryPush(WorkImage.get());
    Click(main->Btn_Next);
    ASSERT_EQ(main->CurrentStep, 7);
  }
  // Runs the save with the dialog answered by fn; returns whether the
  // after-save dialog appeared (it is closed at once).
  bool Save(std::function<void(TFileDialogDriver&)> fn) {
    SetFileDialogTestHook(std::move(fn));
    const size_t before = modals.size();
    CloseLinkDialog(40);
    Click(main->Btn_Next);
    s.display.AdvanceTime(5000);
    Idle();
    return modals.size() > before;
  }
  // Looks for the after-save dialog every 100 ms, a few times, and closes
  // it: other modal loops (the file dialog's) run the clock first.
  void CloseLinkDialog(int tries) {
    After(100, [this, tries] {
      for (int i = 0; i < Screen->CustomFormCount(); ++i)
        if (auto* f = dynamic_cast<TFrm_LinkQuendrix*>(Screen->CustomForms(i)); f && f->Modal()) {
          modals.push_back(f->ClassName());
          // The picture opens the project's page.
          EXPECT_EQ(f->Caption(), "保存成功");
          TspShellOpen saved = SkinLinkOpener();
          SkinLinkOpener() = [this](const std::string& url) { opened.push_back(url); };
          Click(f->LinkImage_quendrix);
          SkinLinkOpener() = saved;
          f->SetModalResult(mrOk);
          return;
        }
      if (tries > 1) CloseLinkDialog(tries - 1);
    });
  }
};

TEST_F(WizardSave, HoldingTheMouseShowsThePictureAsLoaded) {
  ReachSave();
  TImage* image = Page()->Image1;
  ASSERT_EQ(ZoomFactor, 1.0f);
  EXPECT_EQ(image->Cursor(), crHandPoint);
  const TPoint p = image->ClientToScreen(TPoint{20, 20});
  for (TMouseButton b : {TMouseButton::mbLeft, TMouseButton::mbRight}) {
    s.display.MouseMove(p.X, p.Y);
    s.display.MouseDown(p.X, p.Y, b);
    Idle();
    EXPECT_EQ(MaxDifference(*image->Picture()->Bitmap(), *OriginalImage), 0);
    s.display.MouseUp(p.X, p.Y, b);
    Idle();
    EXPECT_EQ(MaxDifference(*image->Picture()->Bitmap(), *WorkImage), 0);
    EXPECT_NE(MaxDifference(*OriginalImage, *WorkImage), 0);
  }
}

TEST_F(WizardSave, AcceptingTheProposedNameWritesAJpegOverTheOpenedPhoto) {
  ReachSave();
  std::vector<std::string> prompts;
  std::string proposed;
  EXPECT_TRUE(Save([&](TFileDialogDriver& d) {
    proposed = d.NameText();
    d.Answers = {mrYes};
    d.PressOk();
    prompts = d.Prompts;
  }));
  EXPECT_EQ(proposed, "face.jpg");
  EXPECT_EQ(prompts.size(), 1u);
  EXPECT_EQ(modals, std::vector<std::string>{"TFrm_LinkQuendrix"});
  EXPECT_EQ(opened, std::vector<std::string>{LumiqaHomePage});
  std::unique_ptr<TBitmap> saved = LoadPicture(Picture("face.jpg"));
  ASSERT_NE(saved, nullptr);
  EXPECT_LE(MaxDifference(*saved, *WorkImage), 6);
  // Quality 100: every quantisation step is 1.
  const std::vector<int> quant = QuantValues(Bytes(Picture("face.jpg")));
  ASSERT_GE(quant.size(), 64u);
  EXPECT_EQ(std::count(quant.begin(), quant.end(), 1), std::ptrdiff_t(quant.size()));
  EXPECT_FALSE(main->Modified);
  EXPECT_EQ(main->CurrentStep, 7);
  EXPECT_EQ(Screen->Cursor(), crDefault);
  EXPECT_TRUE(messages.empty());
}

TEST_F(WizardSave, TheSecondFilterWritesA24BitBmp) {
  ReachSave();
  EXPECT_TRUE(Save([&](TFileDialogDriver& d) {
    d.SetType(2);
    d.TypeName("result");
    d.PressOk();
  }));
  const std::string bytes = Bytes(Picture("result.bmp"));
  ASSERT_GT(bytes.size(), 54u);
  EXPECT_EQ(bytes.substr(0, 2), "BM");
  EXPECT_EQ(Byte(bytes[28]), 24);
  std::unique_ptr<TBitmap> saved = LoadPicture(Picture("result.bmp"));
  ASSERT_NE(saved, nullptr);
  EXPECT_EQ(MaxDifference(*saved, *WorkImage), 0);
  EXPECT_FALSE(main->Modified);
}

TEST(WizardSaveNames, TheNameASaveWrites) {
  struct TCase {
    const char* chosen;
    const char* ext;
    const char* target;
  } cases[] = {
      {"/p/photo.jpg", ".jpg", "/p/photo.jpg"},   {"/p/photo.jpg", ".bmp", "/p/photo.bmp"},
      {"/p/photo.JPG", ".bmp", "/p/photo.bmp"},   {"/p/photo.jpeg", ".bmp", "/p/photo.bmp"},
      {"/p/photo.Bmp", ".jpg", "/p/photo.jpg"},   {"/p/portrait", ".jpg", "/p/portrait.jpg"},
      {"/p/holiday.png", ".jpg", "/p/holiday.png.jpg"}, {"/p.d/face", ".bmp", "/p.d/face.bmp"},
      {"/p/a.b.jpg", ".bmp", "/p/a.b.bmp"},
  };
  for (const TCase& c : cases) EXPECT_EQ(SaveTargetName(c.chosen, c.ext), c.target) << c.chosen << " " << c.ext;
}

TEST_F(WizardSave, ADifferentExistingTargetIsAskedAboutFirst) {
  ReachSave();
  WriteBmp("face.bmp", 10, 10);
  const std::string old = Bytes(Picture("face.bmp"));
  const std::string question = "文件“face.bmp”已经存在。\r是否替换现有文件？";
  auto chooseBmp = [](TFileDialogDriver& d) {
    d.SetType(2);
    d.TypeName("face.jpg");
    d.Answers = {mrYes};
    d.PressOk();
  };
  // No: nothing is written, the work stays unsaved.
  AnswerMessage(mrNo);
  EXPECT_FALSE(Save(chooseBmp));
  EXPECT_EQ(messages, std::vector<std::string>{question});
  EXPECT_EQ(Bytes(Picture("face.bmp")), old);
  EXPECT_TRUE(main->Modified);
  // Yes: written.
  AnswerMessage(mrYes);
  EXPECT_TRUE(Save(chooseBmp));
  EXPECT_EQ(messages.size(), 2u);
  std::unique_ptr<TBitmap> saved = LoadPicture(Picture("face.bmp"));
  ASSERT_NE(saved, nullptr);
  EXPECT_EQ(saved->Width(), 160);
  EXPECT_FALSE(main->Modified);
  // The dialog already asked about a name that is written as chosen.
  EXPECT_TRUE(Save([](TFileDialogDriver& d) {
    d.SetType(2);
    d.TypeName("face.bmp");
    d.Answers = {mrYes};
    d.PressOk();
  }));
  EXPECT_EQ(messages.size(), 2u);
}

TEST_F(WizardSave, AFailedSaveSaysSoAndKeepsTheWorkUnsaved) {
  ReachSave();
  // A folder where the file should go: neither writer can put a file there.
  ASSERT_TRUE(ForceDirectories(Picture("out.jpg")));
  ASSERT_TRUE(ForceDirectories(Picture("out.bmp")));
  struct TCase {
    int type;
    const char* target;
  } cases[] = {{1, "out.jpg"}, {2, "out.bmp"}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.target);
    messages.clear();
    AnswerMessage(mrOk);
    EXPECT_FALSE(Save([&](TFileDialogDriver& d) {
      d.SetType(c.type);
      d.TypeName("out");
      d.PressOk();
    }));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], std::string("保存图片失败：\r") + Picture(c.target) + "\r目标不是普通文件。");
    EXPECT_TRUE(main->Modified);
    EXPECT_TRUE(DirectoryExists(Picture(c.target)));
    EXPECT_EQ(Screen->Cursor(), crDefault);
  }
  // A full disk and a folder that takes no new file are named as such, for
  // either kind.
  struct TFault {
    TSafeSaveFaults faults;
    const char* reason;
  } faults[] = {{{0, 0, 0, 100, {}}, "磁盘空间不足。"}, {{EACCES, 0, 0, -1, {}}, "没有写入该位置的权限。"}};
  for (const TCase& c : cases)
    for (const TFault& f : faults) {
      SCOPED_TRACE(f.reason);
      messages.clear();
      AnswerMessage(mrOk);
      SafeSaveFaults() = f.faults;
      EXPECT_FALSE(Save([&](TFileDialogDriver& d) {
        d.SetType(c.type);
        d.TypeName("fresh");
        d.PressOk();
      }));
      SafeSaveFaults() = TSafeSaveFaults{};
      const std::string target = Picture(std::string("fresh") + (c.type == 1 ? ".jpg" : ".bmp"));
      ASSERT_EQ(messages.size(), 1u);
      EXPECT_EQ(messages[0], "保存图片失败：\r" + target + "\r" + f.reason);
      EXPECT_FALSE(FileExists(target));
      EXPECT_TRUE(main->Modified);
    }
  // Opening another photo still asks, as the work was never saved.
  AnswerMessage(mrNo);
  CancelFileDialog();
  Click(main->Btn_File);
  EXPECT_EQ(messages.size(), 2u);
  EXPECT_EQ(main->CurrentStep, 7);
}

// A failure with a long path: the message box wraps the path between its
// folders and stays within two thirds of the work area, narrower than the
// main window.
TEST_F(WizardSave, AFailureWithALongPathKeepsTheMessageNarrow) {
  ReachSave();
  std::string folder = dir + "/pictures";
  for (int i = 0; folder.size() < 290; ++i) folder += "/photos-of-the-year-" + std::to_string(2000 + i);
  ASSERT_TRUE(ForceDirectories(folder));
  const std::string target = folder + "/result.bmp";
  ASSERT_GE(target.size(), 300u);
  // A folder that takes no new file, as a read-only one.
  SafeSaveFaults().CreateTemp = EACCES;
  int width = 0, labelRight = 0, clientWidth = 0;
  std::string shown;
  AnswerMessage(mrOk, [&] {
    auto* d = dynamic_cast<TspMessageForm*>(Screen->ActiveForm());
    ASSERT_NE(d, nullptr);
    width = d->Width();
    clientWidth = d->ClientWidth();
    labelRight = d->Message->Left() + d->Message->Width();
    shown = d->Message->Caption();
  });
  EXPECT_FALSE(Save([&](TFileDialogDriver& d) {
    d.Navigate(folder);
    d.SetType(2);
    d.TypeName("result");
    d.PressOk();
  }));
  SafeSaveFaults() = TSafeSaveFaults{};
  ASSERT_EQ(messages.size(), 1u);
  const TRect work = Screen->WorkAreaRect();
  EXPECT_LE(width, work.Width() * 2 / 3);
  EXPECT_LT(width, main->Width());
  EXPECT_LE(labelRight, clientWidth);
  // Only line ends were added, each after a folder separator.
  std::string joined;
  for (size_t i = 0; i < shown.size(); ++i) {
    if (shown[i] != '\n') {
      joined += shown[i];
      continue;
    }
    EXPECT_EQ(shown[i - 1], '/') << shown;
  }
  EXPECT_EQ(joined.rfind("保存图片失败：\r" + target + "\r", 0), 0u) << joined;
  EXPECT_TRUE(main->Modified);
}

TEST_F(WizardSave, ACancelledSaveWritesNothing) {
  ReachSave();
  EXPECT_FALSE(Save([](TFileDialogDriver& d) { d.PressCancel(); }));
  EXPECT_TRUE(main->Modified);
  EXPECT_TRUE(messages.empty());
  // After a completed save, opening another photo asks nothing.
  EXPECT_TRUE(Save([](TFileDialogDriver& d) {
    d.TypeName("done.jpg");
    d.PressOk();
  }));
  EXPECT_TRUE(FileExists(Picture("done.jpg")));
  Open("face.jpg");
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(main->CurrentStep, 1);
}

}  // namespace
