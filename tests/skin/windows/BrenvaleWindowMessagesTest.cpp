// What the skinned form's controller does with the window's alpha, its
// first-show position and a few window messages: the fade-in steps and the
// alpha it ends at, the alpha setters, centring on the whole screen or the
// work area, a display change, a synchronous paint while rolled up and the
// restore command.
#include <algorithm>

#include "platform/user/windows/Layered.h"
#include "skin/windows/Brenvale.h"
#include "tests/skin/windows/BrenvaleTestSupport.h"

using namespace brvtest;

namespace {

class BrenvaleWindowMessagesTest : public BrenvaleTest {
 protected:
  // Shared: the watch outlives the test when the fixture frees the form.
  std::shared_ptr<std::vector<std::string>> seenLog = std::make_shared<std::vector<std::string>>();
  std::vector<std::string>& seen = *seenLog;
  // A 1280 x 1024 monitor whose work area leaves a 40-pixel bar at the bottom.
  void WorkAreaWithBar() { s.display.SetMonitors({TMonitorRec{RECT{0, 0, 1280, 1024}, RECT{0, 0, 1280, 984}, true}}); }
  // A skinned form that is not the application's main form, not yet shown.
  void SecondForm() {
    NewForm(0, 0, 100, 100);
    MakeForm(300, 200);
    LoadFixtureSkin();
    ctl->SetSkinData(skin);
  }
  int Alpha() {
    Byte a = 0;
    DWORD flags = 0;
    if (!GetLayeredWindowAttributes(form->Handle(), nullptr, &a, &flags)) return -1;
    return a;
  }
  bool Layered() { return (GetWindowLong(form->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED) != 0; }
  // Logs the messages the form's window gets, outside the controller.
  void WatchForm() {
    TWndMethod inner = form->WindowProc;
    form->WindowProc = TWndMethod::FromFunction(
        [log = seenLog, inner](TMessage& m) {
          if (m.Msg == WM_NCPAINT) log->push_back("ncpaint");
          if (m.Msg == WM_SIZE) log->push_back("size " + std::to_string(LOWORD(m.LParam)));
          inner(m);
        },
        seenLog.get());
  }
};

TEST_F(BrenvaleWindowMessagesTest, TheFadeInStepsByTensToItsTarget) {
  const struct {
    const char* what;
    bool alphaBlend, animation;
    Byte value;
    std::vector<int> steps;
    int alpha;  // -1: not layered at the end
  } cases[] = {
      {"blend and fade", true, true, 45, {10, 20, 30, 40, 45}, 45},
      {"blend only: at once", true, false, 150, {}, 150},
      {"fade only: to opaque, then no layer", false, true, 200, {}, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SecondForm();
    ctl->AlphaBlendAnimation = c.animation;
    ctl->SetAlphaBlendValue(c.value);
    ctl->SetAlphaBlend(c.alphaBlend);
    Show();
    // The fade starts from a 1 ms window timer (at least the system's
    // minimum interval).
    Advance(20);
    if (c.alphaBlend && c.animation) {
      EXPECT_EQ(ctl->FadeSteps, c.steps);
    } else if (c.animation) {
      ASSERT_EQ(ctl->FadeSteps.size(), 26u);  // 10, 20, ... 250, 255
      EXPECT_EQ(ctl->FadeSteps.front(), 10);
      EXPECT_EQ(ctl->FadeSteps.back(), 255);
    } else {
      EXPECT_TRUE(ctl->FadeSteps.empty());
    }
    EXPECT_EQ(Layered(), c.alpha != -1);
    if (c.alpha != -1) EXPECT_EQ(Alpha(), c.alpha);
    delete form;
    form = nullptr;
  }
}

TEST_F(BrenvaleWindowMessagesTest, TheAlphaSettersActOnAShownWindow) {
  SecondForm();
  Show();
  EXPECT_FALSE(Layered());
  ctl->SetAlphaBlendValue(90);  // not blending yet: only stored
  EXPECT_FALSE(Layered());
  ctl->SetAlphaBlend(true);
  EXPECT_TRUE(Layered());
  EXPECT_EQ(Alpha(), 90);
  ctl->SetAlphaBlendValue(130);
  EXPECT_EQ(Alpha(), 130);
  ctl->SetAlphaBlend(false);
  EXPECT_FALSE(Layered());
  EXPECT_EQ(ctl->AlphaBlendValue(), 130);
}

TEST_F(BrenvaleWindowMessagesTest, FirstShowCentresOnTheWholeScreenOrOnTheWorkArea) {
  WorkAreaWithBar();
  const struct {
    TspPositionInMonitor where;
    int left, top;
  } cases[] = {{sppScreenCenter, 640 - 150, 512 - 100}, {sppDesktopCenter, 640 - 150, 492 - 100},
               {sppDefault, 100, 100}};
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.where));
    NewForm(0, 0, 100, 100);
    MakeForm(300, 200);
    ctl->PositionInMonitor = c.where;
    Show();
    EXPECT_EQ(form->Left(), c.left);
    EXPECT_EQ(form->Top(), c.top);
    EXPECT_EQ(form->Width(), 300);
    EXPECT_FALSE(ctl->PositionPending);
  }
}

TEST_F(BrenvaleWindowMessagesTest, ADisplayChangeRelaysOutAFormWiderThanTheScreen) {
  SecondForm();
  Show();
  WatchForm();
  SendMessage(form->Handle(), WM_DISPLAYCHANGE, 32, 0);
  EXPECT_TRUE(seen.empty());  // fits: nothing to do
  s.display.SetMonitors({TMonitorRec{RECT{0, 0, 250, 600}, RECT{0, 0, 250, 600}, true}});
  SendMessage(form->Handle(), WM_DISPLAYCHANGE, 32, 0);
  const auto sizes = std::count_if(seen.begin(), seen.end(), [](const std::string& e) { return e.rfind("size", 0) == 0; });
  EXPECT_EQ(sizes, 2);  // one pixel narrower and back
  EXPECT_EQ(form->Width(), 300);
}

TEST_F(BrenvaleWindowMessagesTest, ASynchronousPaintRepaintsTheFrameWhileRolledUp) {
  SecondForm();
  Show();
  WatchForm();
  SendMessage(form->Handle(), WM_SYNCPAINT, 0, 0);
  EXPECT_TRUE(seen.empty());
  ctl->ChangeRollUpState(true);
  Idle();
  seen.clear();
  SendMessage(form->Handle(), WM_SYNCPAINT, 0, 0);
  EXPECT_EQ(seen, (std::vector<std::string>{"ncpaint"}));
}

TEST_F(BrenvaleWindowMessagesTest, TheRestoreCommandFiresOnRestore) {
  SecondForm();
  Show();
  int restores = 0;
  ctl->OnRestore = [&](TObject*) { ++restores; };
  SendMessage(form->Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_EQ(restores, 1);
  // The low four bits are the system's own: still the restore command.
  SendMessage(form->Handle(), WM_SYSCOMMAND, SC_RESTORE | 0x2, 0);
  EXPECT_EQ(restores, 2);
}

}  // namespace
