#include <gtest/gtest.h>

#include "tests/platform/ui/FormTestFixture.h"
#include "platform/ui/forms/Timer.h"

using TimerTest = FormsTest;

TEST_F(TimerTest, FiresEveryIntervalOnlyWhileEnabledAndNonZero) {
  struct TCase {
    Cardinal interval;
    bool enabled;
    int advanceMs;
    int expected;
  };
  const TCase cases[] = {
      {100, true, 350, 3}, {100, true, 99, 0}, {250, true, 1000, 4}, {0, true, 5000, 0}, {100, false, 1000, 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << "interval " << c.interval << " enabled " << c.enabled);
    TTimer t(nullptr);
    int fired = 0;
    t.SetInterval(c.interval);
    t.SetEnabled(c.enabled);
    t.SetOnTimer([&](TObject* sender) {
      EXPECT_EQ(sender, &t);
      ++fired;
    });
    s.display.AdvanceTime(c.advanceMs);
    EXPECT_EQ(fired, c.expected);
  }
}

TEST_F(TimerTest, ReEnablingRestartsTheCount) {
  TTimer t(nullptr);
  int fired = 0;
  t.SetInterval(100);
  t.SetOnTimer([&](TObject*) { ++fired; });
  s.display.AdvanceTime(80);
  t.SetEnabled(false);
  t.SetEnabled(true);
  s.display.AdvanceTime(80);
  EXPECT_EQ(fired, 0);  // 160 ms in all, but only 80 since the restart
  s.display.AdvanceTime(20);
  EXPECT_EQ(fired, 1);
}

TEST_F(TimerTest, FreedInsideItsOwnHandler) {
  auto* t = new TTimer(&app);
  int fired = 0;
  t->SetInterval(50);
  t->SetOnTimer([&, t](TObject*) {
    ++fired;
    delete t;
  });
  s.display.AdvanceTime(500);
  EXPECT_EQ(fired, 1);
  EXPECT_EQ(app.ComponentCount(), 0);
}

TEST_F(TimerTest, StoppedOrRetimedInsideItsOwnHandler) {
  TTimer t(nullptr);
  std::vector<Int64> at;
  t.SetInterval(100);
  t.SetOnTimer([&](TObject*) {
    at.push_back(s.clock.PeekMilliseconds());
    if (at.size() == 1) t.SetInterval(300);
    if (at.size() == 2) t.SetEnabled(false);
  });
  Int64 start = s.clock.PeekMilliseconds();
  s.display.AdvanceTime(2000);
  ASSERT_EQ(at.size(), 2u);
  EXPECT_EQ(at[0] - start, 100);
  EXPECT_EQ(at[1] - start, 400);
}

TEST_F(TimerTest, KeepsStillWhileLoadingAndStartsAtLoaded) {
  TForm* f = TCustomForm::New<TForm>(&app);
  f->BeginLayout();
  auto* t = new TTimer(f);
  int fired = 0;
  t->SetInterval(100);
  t->SetOnTimer([&](TObject*) { ++fired; });
  EXPECT_TRUE(t->ComponentState() & csLoading);
  s.display.AdvanceTime(300);
  EXPECT_EQ(fired, 0);
  f->EndLayout();
  EXPECT_FALSE(t->ComponentState() & csLoading);
  s.display.AdvanceTime(100);
  EXPECT_EQ(fired, 1);
}

TEST_F(TimerTest, HandlerExceptionGoesToTheApplication) {
  TTimer t(nullptr);
  std::vector<std::string> seen;
  app.OnException = [&](TObject* sender, const Exception& e) {
    EXPECT_EQ(sender, &t);
    seen.push_back(e.Message());
  };
  int ticks = 0;
  t.SetInterval(100);
  t.SetOnTimer([&](TObject*) {
    ++ticks;
    if (ticks == 1) throw EConvertError("bad number");
    if (ticks == 2) Abort();
  });
  s.display.AdvanceTime(300);
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(seen, std::vector<std::string>{"bad number"});
}
