#include "platform/ui/controls/UpDown.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/platform/ui/FormTestFixture.h"
#include "platform/ui/controls/StdCtrls.h"

namespace {

// A stand-in for an edit: a windowed control with text.
class TTextBox : public TCustomControl {
 public:
  explicit TTextBox(TComponent* o) : TCustomControl(o) { SetTabStop(true); }
  std::string ClassName() const override { return "TTextBox"; }
};

class UpDownTest : public FormsTest {
 protected:
  TForm* form = nullptr;
  TUpDown* ud = nullptr;
  std::vector<std::string> log;

  void SetUp() override {
    form = NewForm(100, 100, 300, 200);
    form->Show();
    ud = new TUpDown(form);
    ud->SetParent(form);
    ud->SetBounds(200, 10, 17, 30);
    ud->OnClick = [this](TObject*, TUDBtnType b) { log.push_back(b == btNext ? "next" : "prev"); };
    s.display.RunUntilIdle();
  }
  TPoint UpButton() { return ud->ClientToScreen(TPoint{8, 3}); }
  TPoint DownButton() { return ud->ClientToScreen(TPoint{8, ud->Height() - 3}); }
  void ClickScreen(TPoint p) {
    s.display.Click(p.X, p.Y);
    s.display.RunUntilIdle();
    s.clock.Advance(1000);
  }
};

TEST_F(UpDownTest, ButtonsStepAskFirstAndReportTheButton) {
  ud->Increment = 5;
  ud->SetPosition(50);
  bool allow = true;
  ud->OnChanging = [&](TObject*, bool& a) {
    log.push_back("changing:" + std::to_string(ud->Position()));
    a = allow;
  };
  ClickScreen(UpButton());
  EXPECT_EQ(ud->Position(), 55);
  ClickScreen(DownButton());
  ClickScreen(DownButton());
  EXPECT_EQ(ud->Position(), 45);
  allow = false;
  ClickScreen(UpButton());
  EXPECT_EQ(ud->Position(), 45);
  EXPECT_EQ(log, (std::vector<std::string>{"changing:50", "next", "changing:55", "prev", "changing:50", "prev",
                                           "changing:45", "next"}));
}

struct EndCase {
  bool wrap;
  int from;
  TUDBtnType button;
  int expect;
};

TEST_F(UpDownTest, EndsStopOrWrap) {
  const EndCase cases[] = {{false, 100, btNext, 100}, {true, 100, btNext, 0}, {false, 0, btPrev, 0},
                           {true, 0, btPrev, 100},    {false, 98, btNext, 100}};
  ud->Increment = 3;
  for (const EndCase& c : cases) {
    ud->Wrap = c.wrap;
    ud->SetPosition(c.from);
    ud->StepBy(c.button);
    EXPECT_EQ(ud->Position(), c.expect) << c.wrap << " " << c.from;
  }
}

TEST_F(UpDownTest, HeldButtonRepeatsOnTheClock) {
  std::vector<DWORD> times;
  ud->OnClick = [&](TObject*, TUDBtnType) { times.push_back(GetTickCount()); };
  const DWORD start = GetTickCount();
  TPoint p = UpButton();
  s.display.MouseDown(p.X, p.Y);
  s.display.RunUntilIdle();
  EXPECT_EQ(ud->PressedButton(), int(btNext));
  s.display.AdvanceTime(650);
  s.display.MouseUp(p.X, p.Y);
  s.display.RunUntilIdle();
  s.display.AdvanceTime(1000);
  ASSERT_EQ(times.size(), 4u);
  EXPECT_EQ(times[0] - start, 0u);
  EXPECT_EQ(times[1] - start, 400u);
  EXPECT_EQ(times[2] - start, 500u);
  EXPECT_EQ(times[3] - start, 600u);
  EXPECT_EQ(ud->Position(), 4);
  EXPECT_EQ(ud->PressedButton(), -1);
}

TEST_F(UpDownTest, RepeatPausesWhileThePointerIsOffTheButton) {
  TPoint p = UpButton();
  s.display.MouseDown(p.X, p.Y);
  s.display.RunUntilIdle();
  TPoint off = ud->ClientToScreen(TPoint{60, 3});
  s.display.MouseMove(off.X, off.Y);
  s.display.RunUntilIdle();
  s.display.AdvanceTime(1000);
  EXPECT_EQ(ud->Position(), 1);
  s.display.MouseMove(p.X, p.Y);
  s.display.RunUntilIdle();
  s.display.AdvanceTime(100);
  s.display.MouseUp(p.X, p.Y);
  s.display.RunUntilIdle();
  EXPECT_EQ(ud->Position(), 2);
}

TEST_F(UpDownTest, AssociateIsPlacedWrittenReadAndKeyed) {
  auto* edit = new TTextBox(form);
  edit->SetParent(form);
  edit->SetBounds(10, 50, 100, 21);
  ud->SetMax(5000);
  ud->SetPosition(999);
  ud->SetAssociate(edit);
  EXPECT_EQ(edit->Width(), 100 - ud->Width());
  EXPECT_EQ(ud->Left(), 10 + edit->Width());
  EXPECT_EQ(ud->Top(), 50);
  EXPECT_EQ(ud->Height(), 21);
  EXPECT_EQ(edit->Text(), "999");
  ud->StepBy(btNext);
  EXPECT_EQ(edit->Text(), "1,000");
  ud->SetThousands(false);
  EXPECT_EQ(edit->Text(), "1000");
  // A number typed into the associate is where the next step starts.
  edit->SetText("2,500");
  ud->StepBy(btPrev);
  EXPECT_EQ(ud->Position(), 2499);
  EXPECT_EQ(SendMessage(ud->Handle(), UDM_GETBUDDY, 0, 0), reinterpret_cast<LRESULT>(edit->Handle()));
  // Up and Down on the associate step the position.
  edit->SetFocus();
  s.display.KeyPress(VK_UP);
  s.display.KeyPress(VK_UP);
  s.display.KeyPress(VK_DOWN);
  s.display.RunUntilIdle();
  EXPECT_EQ(ud->Position(), 2500);
  ud->ArrowKeys = false;
  s.display.KeyPress(VK_UP);
  s.display.RunUntilIdle();
  EXPECT_EQ(ud->Position(), 2500);
  // The associate going first leaves nothing dangling.
  delete edit;
  EXPECT_EQ(ud->Associate(), nullptr);
  ud->StepBy(btNext);
  EXPECT_EQ(ud->Position(), 2501);
}

TEST_F(UpDownTest, MessagesSetRangeAndPosition) {
  HWND h = ud->Handle();
  SendMessage(h, UDM_SETRANGE32, WPARAM(-10), 10);
  int lo = 0, hi = 0;
  SendMessage(h, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lo), reinterpret_cast<LPARAM>(&hi));
  EXPECT_EQ(lo, -10);
  EXPECT_EQ(hi, 10);
  EXPECT_EQ(SendMessage(h, UDM_SETPOS32, 0, 50), 0);
  EXPECT_EQ(SendMessage(h, UDM_GETPOS32, 0, 0), 10);
  SendMessage(h, UDM_SETRANGE, 0, MAKELPARAM(20, 5));  // max low, min high
  EXPECT_EQ(ud->Min(), 5);
  EXPECT_EQ(ud->Max(), 20);
  EXPECT_EQ(ud->Position(), 10);
  // A reversed range: "next" goes toward Max, downward in numbers.
  ud->SetMin(20);
  ud->SetMax(0);
  ud->SetPosition(10);
  ud->StepBy(btNext);
  EXPECT_EQ(ud->Position(), 9);
}

TEST_F(UpDownTest, FreedInItsOwnOnClick) {
  ud->OnClick = [this](TObject*, TUDBtnType) { delete ud; };
  TPoint p = UpButton();
  s.display.MouseDown(p.X, p.Y);
  s.display.RunUntilIdle();
  s.display.AdvanceTime(1000);
  s.display.MouseUp(p.X, p.Y);
  s.display.RunUntilIdle();
  EXPECT_EQ(form->ControlCount(), 0);
}

}  // namespace

namespace {

// Each button's arrow: contiguous lines across, one pixel at the tip, every
// line centred on the same axis, at several sizes and both orientations.
TEST_F(UpDownTest, ArrowsAreSymmetricWithAOnePixelTip) {
  struct TCase {
    TUDOrientation orientation;
    int w, h;
  };
  for (TCase c : {TCase{udVertical, 17, 30}, TCase{udVertical, 16, 22}, TCase{udHorizontal, 30, 17},
                  TCase{udHorizontal, 25, 16}}) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
    ud->SetOrientation(c.orientation);
    ud->SetBounds(200, 10, c.w, c.h);
    s.display.RunUntilIdle();
    const bool vertical = c.orientation == udVertical;
    RECT wr{};
    GetWindowRect(form->Handle(), &wr);
    for (TUDBtnType b : {btNext, btPrev}) {
      // The two buttons split the control in halves.
      const int mid = vertical ? c.h / 2 : c.w / 2;
      const TRect r = vertical ? (b == btNext ? TRect{0, 0, c.w, mid} : TRect{0, mid, c.w, c.h})
                               : (b == btNext ? TRect{mid, 0, c.w, c.h} : TRect{0, 0, mid, c.h});
      std::vector<std::pair<int, int>> lines;  // ink extent across, per line along
      const int along = vertical ? r.Height() : r.Width(), across = vertical ? r.Width() : r.Height();
      for (int a = 0; a < along; ++a) {
        int first = -1, last = -1, n = 0;
        for (int k = 0; k < across; ++k) {
          TPoint p = ud->ClientToScreen(vertical ? TPoint{r.Left + k, r.Top + a} : TPoint{r.Left + a, r.Top + k});
          if (s.display.PixelAt(form->Handle(), p.X - wr.Left, p.Y - wr.Top) != RGB(0, 0, 0)) continue;
          if (first < 0) first = k;
          last = k;
          ++n;
        }
        if (n) {
          EXPECT_EQ(n, last - first + 1);
          lines.push_back({first, last});
        }
      }
      ASSERT_GE(lines.size(), 2u);
      // The tip points up (left) for btNext vertically (btPrev horizontally).
      const bool tipFirst = vertical ? b == btNext : b == btPrev;
      if (!tipFirst) std::reverse(lines.begin(), lines.end());
      EXPECT_EQ(lines[0].first, lines[0].second) << "the tip is one pixel";
      for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].second - lines[i].first, int(2 * i));
        EXPECT_EQ(lines[i].first + lines[i].second, 2 * lines[0].first);
      }
    }
  }
}

}  // namespace
