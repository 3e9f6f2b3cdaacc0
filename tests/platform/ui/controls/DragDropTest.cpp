// Drag and drop between controls of one program, driven by injected mouse
// and keys: the events each side hears, the cursor over each target, and
// what ends a drag.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/platform/ui/FormTestFixture.h"
#include "tests/platform/ui/UiTestSupport.h"

namespace {

class TParcel : public TDragObject {
 public:
  std::string ClassName() const override { return "TParcel"; }
};

class DragDropTest : public FormsTest {
 protected:
  TForm* form = nullptr;
  TTestWin* source = nullptr;
  TTestWin* taker = nullptr;      // accepts what comes from source
  TTestGraphic* refuser = nullptr;  // a graphic control that refuses
  TParcel parcel;
  std::vector<std::string> log;

  void SetUp() override {
    form = NewForm(100, 100, 400, 300);
    source = Place(new TTestWin(form), 10, 10, 80, 40, "source");
    taker = Place(new TTestWin(form), 200, 10, 100, 60, "taker");
    refuser = Place(new TTestGraphic(form), 200, 150, 100, 60, "refuser");
    source->DragCursor = crHandPoint;
    source->OnStartDrag = [this](TObject*, TDragObject*&) { log.push_back("start"); };
    source->OnEndDrag = [this](TObject*, TObject* target, int x, int y) {
      log.push_back("end " + NameOf(target) + " " + std::to_string(x) + "," + std::to_string(y));
    };
    source->OnClick = [this](TObject*) { log.push_back("click"); };
    for (TControl* c : std::vector<TControl*>{taker, refuser}) {
      c->OnDragOver = [this, c](TObject*, TObject* src, int, int, TDragState state, bool& accept) {
        static const char* kStates[] = {"enter", "leave", "move"};
        const std::string line = c->Name() + " " + kStates[state] + " from " + NameOf(src);
        if (log.empty() || log.back() != line) log.push_back(line);
        accept = c == taker && (src == source || src == &parcel);
      };
      c->OnDragDrop = [this, c](TObject*, TObject* src, int x, int y) {
        log.push_back(c->Name() + " drop from " + NameOf(src) + " " + std::to_string(x) + "," + std::to_string(y));
      };
    }
    form->Show();
    s.display.RunUntilIdle();
  }
  void TearDown() override {
    app.DestroyComponents();
    s.display.RunUntilIdle();
  }
  template <class T>
  T* Place(T* c, int x, int y, int w, int h, const char* name) {
    c->SetName(name);
    c->SetBounds(x, y, w, h);
    c->SetParent(form);
    return c;
  }
  std::string NameOf(TObject* o) {
    if (!o) return "nothing";
    if (o == &parcel) return "parcel";
    auto* c = dynamic_cast<TComponent*>(o);
    return c ? c->Name() : o->ClassName();
  }
  TPoint On(TControl* c, int x, int y) { return c->ClientToScreen(TPoint{x, y}); }

  // Presses on the source, then runs each step from a timer 10 ms after
  // the one before, while the drag's loop waits; the cursor each step finds
  // is the one the step before left.
  std::vector<HCURSOR> Run(TPoint press, std::vector<std::function<void()>> steps) {
    std::vector<HCURSOR> cursors;
    for (size_t i = 0; i < steps.size(); ++i)
      After(10 * int(i + 1), [&cursors, step = steps[i]] {
        cursors.push_back(GetCursor());
        step();
      });
    s.display.MouseMove(press.X, press.Y);
    s.display.MouseDown(press.X, press.Y);
    s.display.AdvanceTime(10 * int(steps.size() + 2));
    s.display.AdvanceTime(1000);  // no double click with the next case
    return cursors;
  }
  std::function<void()> MoveTo(TPoint p) {
    return [this, p] { s.display.MouseMove(p.X, p.Y); };
  }
  std::function<void()> Release(TPoint p) {
    return [this, p] { s.display.MouseUp(p.X, p.Y); };
  }
};

using V = std::vector<std::string>;

TEST_F(DragDropTest, EventsAndCursorsFromTheStartToTheDropOrCancel) {
  HCURSOR hand = Screen->Cursors(crHandPoint), no = Screen->Cursors(crNoDrop);
  ASSERT_NE(hand, no);
  const TPoint press = On(source, 5, 5), atTaker = On(taker, 30, 20), atRefuser = On(refuser, 30, 20);
  struct TCase {
    const char* what;
    TDragMode mode;
    std::vector<std::function<void()>> steps;
    V events;
    std::vector<HCURSOR> cursors;  // found by each step
  } cases[] = {
      {"automatic, dropped where it is taken",
       dmAutomatic,
       {MoveTo(atRefuser), MoveTo(atTaker), Release(atTaker)},
       {"start", "refuser enter from source", "refuser move from source", "refuser leave from source",
        "taker enter from source", "taker move from source", "taker drop from source 30,20", "end taker 30,20"},
       {no, no, hand}},
      {"let go where it is refused",
       dmAutomatic,
       {MoveTo(atRefuser), Release(atRefuser)},
       {"start", "refuser enter from source", "refuser move from source", "refuser leave from source",
        "end nothing 220,160"},
       {no, no}},
      {"left for another target",
       dmAutomatic,
       {MoveTo(atTaker), MoveTo(atRefuser), Release(atRefuser)},
       {"start", "taker enter from source", "taker move from source", "taker leave from source",
        "refuser enter from source", "refuser move from source", "refuser leave from source", "end nothing 220,160"},
       {no, hand, no}},
      {"Esc cancels",
       dmAutomatic,
       {MoveTo(atTaker), [this] { s.display.KeyPress(VK_ESCAPE); }, Release(atTaker)},
       {"start", "taker enter from source", "taker move from source", "taker leave from source", "end nothing 220,20"},
       {no, hand, Screen->Cursors(crDefault)}},
      {"the right button cancels",
       dmAutomatic,
       {MoveTo(atTaker), [this, atTaker] { s.display.MouseDown(atTaker.X, atTaker.Y, TMouseButton::mbRight); },
        [this, atTaker] {
          s.display.MouseUp(atTaker.X, atTaker.Y, TMouseButton::mbRight);
          s.display.MouseUp(atTaker.X, atTaker.Y);
        }},
       {"start", "taker enter from source", "taker move from source", "taker leave from source", "end nothing 220,20"},
       {no, hand, Screen->Cursors(crDefault)}},
      {"manual, let go before the threshold: a click",
       dmManual,
       {MoveTo(TPoint{press.X + 2, press.Y + 2}), Release(TPoint{press.X + 2, press.Y + 2})},
       {"click"},
       {}},
      {"manual, past the threshold",
       dmManual,
       {MoveTo(TPoint{press.X + 6, press.Y}), MoveTo(atTaker), Release(atTaker)},
       {"start", "taker enter from source", "taker move from source", "taker drop from source 30,20", "end taker 30,20"},
       {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    log.clear();
    source->SetDragMode(c.mode);
    source->OnMouseDown = nullptr;
    if (c.mode == dmManual)
      source->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) { source->BeginDrag(false); };
    const std::vector<HCURSOR> cursors = Run(press, c.steps);
    EXPECT_EQ(log, c.events);
    if (!c.cursors.empty()) {
      EXPECT_EQ(cursors, c.cursors);
    }
    EXPECT_FALSE(source->Dragging());
    EXPECT_EQ(GetCapture(), nullptr);
  }
}

// An object made in OnStartDrag is the Source the targets see, and a
// handler can end the drag itself.
TEST_F(DragDropTest, AnObjectFromOnStartDragTravelsAndEndDragEndsIt) {
  source->SetDragMode(dmAutomatic);
  source->OnStartDrag = [this](TObject*, TDragObject*& object) {
    log.push_back("start");
    object = &parcel;
    EXPECT_TRUE(source->Dragging());
  };
  const TPoint atTaker = On(taker, 30, 20);
  // The taker ends the drag with a drop on its second move.
  int moves = 0;
  taker->OnDragOver = [&](TObject*, TObject* src, int, int, TDragState state, bool& accept) {
    accept = src == &parcel;
    if (state == dsDragMove && ++moves == 2) source->EndDrag(true);
  };
  Run(On(source, 5, 5), {MoveTo(atTaker), MoveTo(TPoint{atTaker.X + 1, atTaker.Y})});
  EXPECT_EQ(log, (V{"start", "taker drop from parcel 31,20", "end taker 31,20"}));
  EXPECT_TRUE(parcel.Dropped);
  EXPECT_EQ(parcel.DragTarget, taker);
  EXPECT_FALSE(source->Dragging());
  // Found by the control under a point, graphic ones too; nothing outside.
  EXPECT_EQ(FindDragTarget(On(refuser, 1, 1), false), refuser);
  EXPECT_EQ(FindDragTarget(On(taker, 1, 1), false), taker);
  EXPECT_EQ(FindDragTarget(On(form, 150, 100), false), form);
  EXPECT_EQ(FindDragTarget(TPoint{5, 5}, false), nullptr);
}

}  // namespace
