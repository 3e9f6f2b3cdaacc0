// The wizard's main window on the headless display, in a private folder that
// holds the skin (linked from the tree), the history and the test pictures.
// Dialogs are answered as a user would: file dialogs through their driver,
// message dialogs and other modal forms by clicks from timers on the virtual
// clock.
#pragma once
#include <array>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "app/main/uMain.h"
#include "app/main/uMain_Page.h"
#include "imaging/core/base/vqzdefs.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/ui/dialogs/FileDialog.h"
#include "skin/controls/SkinCtrls.h"
#include "skin/controls/spMessages.h"
#include "tests/app/WizardFolder.h"
#include "tests/platform/ui/FormTestFixture.h"

namespace wizard {

namespace fs = std::filesystem;

// A picture whose pixels tell where they are: smooth enough that a JPEG at
// quality 100 keeps every pixel close.
inline std::unique_ptr<TBitmap> MakePicture(int w, int h) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(pf24bit);
  b->SetSize(w, h);
  for (int y = 0; y < h; ++y) {
    auto* row = static_cast<Byte*>(b->ScanLine(y));
    for (int x = 0; x < w; ++x) {
      row[x * 3] = Byte(40 + (x * 160) / w);
      row[x * 3 + 1] = Byte(60 + (y * 120) / h);
      row[x * 3 + 2] = Byte(200 - (x + y) * 100 / (w + h));
    }
  }
  return b;
}

// The largest difference of any byte between two pictures of the same size;
// -1 when the sizes differ.
inline int MaxDifference(TBitmap& a, TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return -1;
  a.SetPixelFormat(pf24bit);
  b.SetPixelFormat(pf24bit);
  int worst = 0;
  for (int y = 0; y < a.Height(); ++y) {
    auto* ra = static_cast<const Byte*>(a.ScanLine(y));
    auto* rb = static_cast<const Byte*>(b.ScanLine(y));
    for (int x = 0; x < a.Width() * 3; ++x) worst = std::max(worst, std::abs(int(ra[x]) - int(rb[x])));
  }
  return worst;
}

class WizardTest : public FormsTest {
 protected:
  std::string dir;
  TFrm_Main* main = nullptr;
  // The texts of the message dialogs shown, in order.
  std::vector<std::string> messages;
  // Class names of other modal forms seen by ExpectModal.
  std::vector<std::string> modals;

  void SetUp() override {
    StartImagingLibrary();
    static int counter = 0;
    dir = GetTempPath() + "lumiqa-wizard-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
    MakeWizardFolder(dir);
    savedHook_ = FailOnActionErrors();
    app.CreateForm(main);
    main->Show();
    Idle();
  }
  void TearDown() override {
    SetFileDialogTestHook(nullptr);
    CropFrame = nullptr;
    delete main;
    main = nullptr;
    SetWizardFolder("");
    fs::remove_all(dir);
    EndImagingLibrary();
    ApplicationHandleExceptionHook = savedHook_;
  }

  void Idle() { s.display.RunUntilIdle(); }
  std::string Picture(const std::string& name) const { return dir + "/pictures/" + name; }
  void WriteBmp(const std::string& name, int w, int h) { MakePicture(w, h)->SaveToFile(Picture(name)); }
  void WriteJpeg(const std::string& name, int w, int h) {
    TJPEGImage j;
    j.Assign(MakePicture(w, h).get());
    j.CompressionQuality = 95;
    j.SaveToFile(Picture(name));
  }

  std::function<void(TObject*)> savedHook_;

  TPoint Centre(TControl* c) { return c->ClientToScreen(TPoint{c->Width() / 2, c->Height() / 2}); }
  void Click(TControl* c) {
    const TPoint p = Centre(c);
    s.display.MouseMove(p.X, p.Y);
    s.display.Click(p.X, p.Y);
    Idle();
  }
  void DoubleClick(TControl* c) {
    const TPoint p = Centre(c);
    s.display.MouseMove(p.X, p.Y);
    s.display.Click(p.X, p.Y);
    s.display.Click(p.X, p.Y);
    Idle();
  }

  // The next message dialog is answered with the button of that modal result
  // (mrYes, mrNo, mrOk, mrCancel), by a click; its text is recorded.
  void AnswerMessage(int result, std::function<void()> then = nullptr) {
    After(50, [this, result, then] {
      auto* d = dynamic_cast<TspMessageForm*>(Screen->ActiveForm());
      ASSERT_NE(d, nullptr) << "no message dialog is up";
      ASSERT_TRUE(d->Modal());
      messages.push_back(d->Message->Caption());
      Snapshot(d, std::string("wizard_") + ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                      "_message_" + std::to_string(messages.size()));
      const char* name = result == mrYes ? "Yes" : result == mrNo ? "No" : result == mrCancel ? "Cancel" : "OK";
      auto* b = dynamic_cast<TControl*>(d->FindComponent(name));
      ASSERT_NE(b, nullptr) << name;
      if (then) then();
      Click(b);
    });
  }
  // The next modal form (not a message dialog) gets fn, then is closed
  // with mrOk if fn left it open.
  void OnModal(std::function<void(TForm*)> fn) {
    After(50, [this, fn] {
      TForm* f = Screen->ActiveForm();
      ASSERT_NE(f, nullptr);
      ASSERT_TRUE(f->Modal());
      modals.push_back(f->ClassName());
      fn(f);
    });
  }
  // The file dialogs' next runs: pick name in folder with the type index.
  void PickFile(const std::string& folder, const std::string& name, int type = 0) {
    SetFileDialogTestHook([folder, name, type](TFileDialogDriver& d) {
      d.Navigate(folder);
      if (type) d.SetType(type);
      d.TypeName(name);
      d.PressOk();
    });
  }
  void CancelFileDialog() { SetFileDialogTestHook([](TFileDialogDriver& d) { d.PressCancel(); }); }

  // Opens a picture through the open button and the open dialog.
  void Open(const std::string& name) {
    PickFile(dir + "/pictures", name);
    Click(main->Btn_File);
  }
  // A window as shown, as BMP in $LUMIQA_SNAPSHOT_DIR when that is set.
  void Snapshot(TWinControl* window, const std::string& name) {
    if (const char* shots = std::getenv("LUMIQA_SNAPSHOT_DIR"))
      s.display.WriteBmp(window->Handle(), (std::string(shots) + "/" + name + ".bmp").c_str());
  }
  std::string Status(int panel) const { return main->StatusBar->Panels()->Items(panel)->Text(); }
  TStepPage* Page() const { return main->StepForm; }

  // Opens the picture and goes straight on to `step`, with `flow` saying
  // which of steps 2..6 belong to the flow.
  void EnterStep(TBitmap* picture, const std::array<bool, 5>& flow, int step) {
    picture->SaveToFile(Picture("face.bmp"));
    Open("face.bmp");
    ASSERT_NE(WorkImage, nullptr);
    main->StepEnabled = flow;
    Click(main->Btn_Next);
    ASSERT_EQ(main->CurrentStep, step);
    ASSERT_NE(Page(), nullptr);
  }
  // A left-button drag on the displayed picture, in display pixels.
  void DragOnPicture(TPoint from, TPoint to) {
    TImage* image = Page()->Image1;
    const TPoint a = image->ClientToScreen(from), b = image->ClientToScreen(to);
    s.display.MouseMove(a.X, a.Y);
    s.display.MouseDown(a.X, a.Y);
    s.display.MouseMove((a.X + b.X) / 2, (a.Y + b.Y) / 2);
    s.display.MouseMove(b.X, b.Y);
    s.display.MouseUp(b.X, b.Y);
    Idle();
  }
};

}  // namespace wizard
