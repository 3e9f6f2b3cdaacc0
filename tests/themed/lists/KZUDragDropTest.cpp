// The themed controls take part in the framework's drag and drop: a themed
// button dragged onto a themed list box, which takes it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/themed/support/ThemedTestFixture.h"
#include "themed/lists/KZUListBox.h"

namespace {

class KZUDragDropTest : public ThemedTest {};

TEST_F(KZUDragDropTest, AButtonDraggedOntoAListBoxIsDroppedThere) {
  auto* button = Place<TkzuButton>(10, 10, 90, 30);
  button->SetCaption("Parcel");
  button->SetDragMode(dmAutomatic);
  auto* list = Place<TkzuListBox>(200, 10, 150, 120);
  auto* refusing = Place<TkzuListBox>(200, 150, 150, 120);
  std::vector<std::string> log;
  int clicks = 0;
  button->OnClick = [&](TObject*) { ++clicks; };
  list->OnDragOver = [&](TObject*, TObject* source, int, int, TDragState, bool& accept) {
    accept = source == button;
  };
  refusing->OnDragOver = [&](TObject*, TObject*, int, int, TDragState, bool& accept) { accept = false; };
  for (TkzuListBox* l : {list, refusing})
    l->OnDragDrop = [&, l](TObject*, TObject* source, int x, int y) {
      l->Items()->Add(static_cast<TControl*>(source)->Caption() + " at " + std::to_string(x) + "," + std::to_string(y));
    };
  button->OnEndDrag = [&](TObject*, TObject* target, int, int) {
    log.push_back(target == list ? "taken by the list" : target ? "taken elsewhere" : "not taken");
  };
  struct TCase {
    TkzuListBox* over;
    const char* ended;
  } cases[] = {{refusing, "not taken"}, {list, "taken by the list"}};
  for (const TCase& c : cases) {
    log.clear();
    const TPoint press = Screen(button, 10, 10), over = Screen(c.over, 20, 30);
    After(10, [&] { s.display.MouseMove(over.X, over.Y); });
    After(20, [&] { s.display.MouseUp(over.X, over.Y); });
    s.display.MouseMove(press.X, press.Y);
    s.display.MouseDown(press.X, press.Y);
    s.display.AdvanceTime(40);
    s.display.AdvanceTime(1000);
    EXPECT_EQ(log, std::vector<std::string>{c.ended});
  }
  ASSERT_EQ(list->Items()->Count(), 1);
  EXPECT_EQ(list->Items()->Strings(0), "Parcel at 20,30");
  EXPECT_EQ(refusing->Items()->Count(), 0);
  EXPECT_EQ(clicks, 0);  // an automatic drag takes the press whole
  EXPECT_FALSE(button->Dragging());
}

}  // namespace
