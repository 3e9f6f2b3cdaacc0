// The wizard end to end on the drawn portrait, driven as a user drives it:
// the open dialog, every step's buttons, dialogs, selections and sliders,
// undo and redo, and the save. Beside the wizard the test keeps its own
// expected picture, made by applying the pixel routines to the loaded
// portrait in the same order with the same parameters; the working picture
// must equal it after every edit, and the saved files must hold it.
#include <fstream>
#include <iterator>

#include "app/pixels/RotateImage.h"
#include "app/main/UBmpToJpg.h"
#include "app/dialogs/uLinkQuendrix.h"
#include "platform/ui/forms/Screen.h"
#include "tests/app/scenario/WizardScenario.h"
#include "tests/app/WizardTestSupport.h"

using namespace wizard;

namespace {

using scenario::FileBytes;

class WizardScenario : public WizardTest {
 protected:
  // What WorkImage must hold: the loaded portrait with every edit applied.
  std::unique_ptr<TBitmap> expected;

  void SetUp() override {
    WizardTest::SetUp();
    fs::copy_file(kPortrait, Picture("portrait.jpg"));
  }
  void TearDown() override {
    expected.reset();
    WizardTest::TearDown();
  }

  // The working picture equals the expected one, pixel for pixel.
  void ExpectWork(const std::string& where) {
    ASSERT_NE(WorkImage, nullptr) << where;
    ASSERT_EQ(WorkImage->Width(), expected->Width()) << where;
    ASSERT_EQ(WorkImage->Height(), expected->Height()) << where;
    EXPECT_EQ(MaxDifference(*WorkImage, *expected), 0) << where;
  }
  // A page as shown, for looking at (LUMIQA_SNAPSHOT_DIR).
  void SnapshotPage(const std::string& name) { Snapshot(main, "wizard_scenario_" + name); }

  // Next, and the page of that step is up.
  void Next(int step) {
    Click(main->Btn_Next);
    ASSERT_EQ(main->CurrentStep, step);
    ASSERT_NE(Page(), nullptr);
  }

  // Runs the save with the dialog answered by fn, closing the after-save
  // dialog; true when that dialog appeared.
  bool Save(std::function<void(TFileDialogDriver&)> fn) {
    SetFileDialogTestHook(std::move(fn));
    bool shown = false;
    CloseLinkDialog(&shown, 40);
    Click(main->Btn_Next);
    s.display.AdvanceTime(5000);
    Idle();
    return shown;
  }
  // Looks for the after-save dialog every 100 ms and closes it: the file
  // dialog's own modal loop runs the clock first.
  void CloseLinkDialog(bool* shown, int tries) {
    After(100, [this, shown, tries] {
      for (int i = 0; i < Screen->CustomFormCount(); ++i)
        if (auto* f = dynamic_cast<TFrm_LinkQuendrix*>(Screen->CustomForms(i)); f && f->Modal()) {
          *shown = true;
          f->SetModalResult(mrOk);
          return;
        }
      if (tries > 1) CloseLinkDialog(shown, tries - 1);
    });
  }

  // Saves as BMP and as JPEG and checks both files against the expected
  // picture: the BMP exactly, the JPEG against the expected picture encoded
  // the same way.
  void SaveBothAndCheck() {
    ASSERT_EQ(main->CurrentStep, stepSave);
    ASSERT_TRUE(Save([](TFileDialogDriver& d) {
      d.SetType(2);
      d.TypeName("result");
      d.PressOk();
    }));
    std::unique_ptr<TBitmap> bmp = LoadPicture(Picture("result.bmp"));
    ASSERT_NE(bmp, nullptr);
    EXPECT_EQ(MaxDifference(*bmp, *expected), 0);
    EXPECT_FALSE(main->Modified);

    ASSERT_TRUE(Save([](TFileDialogDriver& d) {
      d.SetType(1);
      d.TypeName("result.jpg");
      d.PressOk();
    }));
    ASSERT_TRUE(SaveAsJpeg(expected.get(), dir + "/expected.jpg", 100));
    const std::string want = FileBytes(dir + "/expected.jpg");
    ASSERT_GT(want.size(), 1000u);
    EXPECT_TRUE(FileBytes(Picture("result.jpg")) == want) << "the saved JPEG differs from the expected one";
    std::unique_ptr<TBitmap> jpg = LoadPicture(Picture("result.jpg"));
    ASSERT_NE(jpg, nullptr);
    std::unique_ptr<TBitmap> wantJpg = LoadPicture(dir + "/expected.jpg");
    ASSERT_NE(wantJpg, nullptr);
    EXPECT_EQ(MaxDifference(*jpg, *wantJpg), 0);
    // Quality 100 keeps the picture close (the colour is subsampled, so the
    // grain's sharpest steps move a little).
    EXPECT_LE(MaxDifference(*jpg, *expected), 24);
    EXPECT_EQ(Screen->Cursor(), crDefault);
    EXPECT_TRUE(messages.empty()) << messages.front();
  }
};

TEST_F(WizardScenario, ThePortraitThroughTheWizardIsSavedAsThePixelRoutinesMakeIt) {
  expected = LoadPicture(kPortrait);
  ASSERT_NE(expected, nullptr);
  ASSERT_EQ(expected->Width(), 600);
  ASSERT_EQ(expected->Height(), 800);

  Open("portrait.jpg");
  ASSERT_EQ(main->CurrentStep, stepOpen);
  ExpectWork("opened");
  EXPECT_EQ(Status(0), Picture("portrait.jpg"));
  SnapshotPage("open");

  main->StepEnabled = {true, false, false, false, false};
  Next(stepSize);
  ExpectWork("size step entered");
  SnapshotPage("size");

  Next(stepSave);
  ExpectWork("save step entered");
  SnapshotPage("save");
  SaveBothAndCheck();
}

// The headless display as the scenario's hand: input injected where a
// device would put it, pictures of the window in front.
class THeadlessHost : public scenario::TScenarioHost {
 public:
  THeadlessHost(THeadlessDisplay& display, std::function<void(TWinControl*, const std::string&)> shot)
      : display_(display), shot_(std::move(shot)) {}
  void MoveTo(TPoint p) override {
    at_ = p;
    display_.MouseMove(p.X, p.Y);
  }
  void Button(TMouseButton b, bool down) override {
    if (down) display_.MouseDown(at_.X, at_.Y, b);
    else display_.MouseUp(at_.X, at_.Y, b);
  }
  void Wheel(int notches) override {
    for (int i = 0; i < std::abs(notches); ++i) display_.Wheel(at_.X, at_.Y, notches > 0 ? 120 : -120);
  }
  void Key(int vk, bool down) override {
    if (down) display_.KeyDown(vk);
    else display_.KeyUp(vk);
  }
  // The display turns text into characters as a keyboard layout would.
  void Type(const std::string& text) override {
    for (char c : text) display_.Text(std::string(1, c).c_str());
  }
  void Shot(const std::string& name) override {
    TForm* f = Screen->ActiveForm();
    if (f) shot_(f, name);
  }

 private:
  THeadlessDisplay& display_;
  std::function<void(TWinControl*, const std::string&)> shot_;
  TPoint at_{};
};

// Every step on the portrait: two quarter turns (one undone and redone), an
// arbitrary angle, a crop at 3 : 4 with the frame dragged and moved, a
// resize keeping the ratio; a highlight rectangle with two amounts; two
// lassos on the cheek (the second brightening the skin) and auto levels;
// the fine, rough, medium and radius sliders; two blemish clicks with the
// wheel-sized eraser, the second at 150 %; undo and redo on every page;
// saved as BMP and JPEG.
TEST_F(WizardScenario, EveryStepOnThePortraitThroughTheUserInterface) {
  THeadlessHost host(s.display,
                     [this](TWinControl* w, const std::string& name) { Snapshot(w, "wizard_scenario_" + name); });
  scenario::TScript script;
  scenario::TWizardScenario plan(host, script, dir + "/pictures");
  plan.Build(kPortrait);
  script.Start(&app, 10, 3000);
  for (int i = 0; i < 200000 && !script.Finished(); ++i) {
    s.display.AdvanceTime(10);
    Idle();
  }
  ASSERT_TRUE(script.Finished());
  ASSERT_FALSE(script.Failed());
  EXPECT_GT(plan.highlightChanged, 20);
  EXPECT_EQ(plan.lassoBrightened, 1);
  EXPECT_EQ(plan.moleLightened, 2);
  expected = std::move(plan.expected);
  std::unique_ptr<TBitmap> bmp = LoadPicture(Picture("result.bmp"));
  ASSERT_NE(bmp, nullptr);
  EXPECT_EQ(MaxDifference(*bmp, *expected), 0);
  ASSERT_TRUE(SaveAsJpeg(expected.get(), dir + "/expected.jpg", 100));
  EXPECT_TRUE(FileBytes(Picture("result.jpg")) == FileBytes(dir + "/expected.jpg"));
  EXPECT_TRUE(messages.empty());
}

}  // namespace
