// Type-to-find in the list view, and the prefix rule it shares with the
// list box (ItemSearch.h).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/platform/ui/UiTestSupport.h"
#include "platform/ui/lists/ItemSearch.h"
#include "platform/ui/lists/ListView.h"
#include "platform/user/User.h"

namespace {

// ---- The shared rule ------------------------------------------------------------------

TEST(ItemSearch, FindsTheFirstPrefixMatchGoingRoundFromTheStart) {
  const std::vector<std::string> texts{"apple", "Banana", "blueberry", "Éclair", "中文 照片", "b\xFF" "ad", ""};
  struct TCase {
    int start;
    const char* prefix;
    int expected;
  };
  const TCase cases[] = {
      {0, "b", 1},           {1, "b", 1},       {2, "b", 2},  {6, "b", 1},  // round past the end
      {13, "b", 1},          {-1, "b", 1},                                   // start taken into range
      {0, "BANANA", 1},      {0, "bananas", -1}, {0, "", -1}, {0, "q", -1},
      {0, "é", 3},           {0, "ÉCL", 3},     {0, "e", -1},               // é is not e
      {0, "中文", 4},         {0, "中文 照", 4},   {0, "文", -1},
      {2, "b\xFF", 5},       {2, "b\xFE", -1},                               // a stray byte matches itself only
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.prefix) + " from " + std::to_string(c.start));
    EXPECT_EQ(FindItemByPrefix(int(texts.size()), c.start, c.prefix,
                               [&](int i) -> const std::string& { return texts[size_t(i)]; }),
              c.expected);
  }
  EXPECT_EQ(FindItemByPrefix(0, 0, "a", [&](int i) -> const std::string& { return texts[size_t(i)]; }), -1);
}

// ---- The list view ----------------------------------------------------------------------

class ListViewSearchTest : public UiTest {
 protected:
  TListView* lv = nullptr;

  void Make(const std::vector<std::string>& captions, int height = 150) {
    ShowHost();
    lv = new TListView(host);
    lv->SetParent(host);
    lv->SetBounds(0, 0, 250, height);
    lv->SetViewStyle(vsReport);
    TListColumn* c = lv->Columns()->Add();
    c->SetCaption("Name");
    c->SetWidth(200);
    for (const std::string& caption : captions) lv->Items()->Add()->SetCaption(caption);
    lv->SetFocus();
    s.display.RunUntilIdle();
  }
  void Type(const char* text) {
    s.display.Text(text);
    s.display.RunUntilIdle();
  }
  // Long enough for any search to be over.
  void Pause() { s.display.AdvanceTime(2 * TListView::SearchTimeout()); }
  std::vector<int> SelectedIndexes() {
    std::vector<int> out;
    for (int i = 0; i < lv->Items()->Count(); ++i)
      if (lv->Items()->Item(i)->Selected()) out.push_back(i);
    return out;
  }
  int FocusedIndex() {
    TListItem* f = lv->ItemFocused();
    return f ? f->Index() : -1;
  }
};

const std::vector<std::string> kFruit{
    "apple",   // 0
    "Banana",  // 1
    "blueberry",
    "cherry",  // 3
    "Bread",
    "avocado",  // 5
    "banner",
    "Éclair",  // 7
    "éclat",
    "中文 照片",  // 9
    "中国",
};

TEST_F(ListViewSearchTest, TypedTextFindsTheItemWithPausesStartingOver) {
  Make(kFruit);
  ASSERT_EQ(TListView::SearchTimeout(), 2 * GetDoubleClickTime());
  const int T = int(TListView::SearchTimeout());
  struct TStep {
    int gap;  // virtual milliseconds before the text
    const char* text;
  };
  struct TCase {
    int from;  // focused (and selected) first; -1: nothing
    std::vector<TStep> steps;
    int expected;
    int beeps;
  };
  const TCase cases[] = {
      {-1, {{0, "b"}}, 1, 0},                // nothing focused: from the top
      {1, {{0, "b"}}, 2, 0},                 // a new search starts after the focused item
      {0, {{0, "ban"}}, 1, 0},               // extending stays on the focused item while it matches
      {0, {{0, "ban"}, {T - 1, "n"}}, 6, 0},
      {0, {{0, "b"}, {T - 1, "r"}}, 4, 0},
      {0, {{0, "b"}, {T - 1, "c"}}, 1, 1},   // "bc": nothing, nothing changes
      {0, {{0, "b"}, {T, "c"}}, 3, 0},       // the pause ends the search: "c" alone
      {0, {{0, "b"}, {T / 2, "a"}, {T / 2, "nn"}}, 6, 0},  // each character restarts the timeout
      {0, {{0, "bbb"}}, 4, 0},               // the same letter steps through its items
      {0, {{0, "bbbbb"}}, 1, 0},             // and goes round
      {2, {{0, "bb"}, {T - 1, "a"}}, 6, 1},  // stepping then "bba": nothing, banner stays
      {0, {{0, "BLUE"}}, 2, 0},              // case ignored both ways
      {0, {{0, "bR"}}, 4, 0},
      {0, {{0, "é"}}, 7, 0},                 // Latin-1 folds
      {0, {{0, "ÉCLAT"}}, 8, 0},
      {0, {{0, "e"}}, 0, 1},                 // an accent is not ignored
      {0, {{0, "中"}}, 9, 0},
      {0, {{0, "中国"}}, 10, 0},
      {9, {{0, "中"}}, 10, 0},
      {0, {{0, "中文 照"}}, 9, 0},            // a space inside a search extends it
      {3, {{0, " "}}, 3, 0},                 // a space alone searches nothing
      {0, {{0, "q"}}, 0, 1},
  };
  for (const TCase& c : cases) {
    std::string typed;
    for (const TStep& st : c.steps) typed += std::string("[+") + std::to_string(st.gap) + "]" + st.text;
    SCOPED_TRACE(typed + " from " + std::to_string(c.from));
    Pause();
    if (c.from >= 0) {
      lv->SetItemIndex(c.from);
    } else {
      lv->ClearSelection();
      lv->SetItemFocused(nullptr);
    }
    const int beeps = MessageBeepCount();
    for (const TStep& st : c.steps) {
      s.display.AdvanceTime(st.gap);
      Type(st.text);
    }
    const int expected = c.expected;
    EXPECT_EQ(FocusedIndex(), expected);
    EXPECT_EQ(SelectedIndexes(), expected >= 0 ? std::vector<int>{expected} : std::vector<int>{});
    EXPECT_EQ(MessageBeepCount() - beeps, c.beeps);
  }
}

// Typing selects by the same path as an arrow key: the same events in the
// same order, whatever was selected before.
TEST_F(ListViewSearchTest, FoundItemIsSelectedAsTheArrowKeysSelect) {
  Make(kFruit);
  lv->SetMultiSelect(true);
  std::vector<std::string> events;
  lv->OnSelectItem = [&](TObject*, TListItem* it, bool sel) {
    events.push_back("select " + std::to_string(it->Index()) + (sel ? "+" : "-"));
  };
  lv->OnChange = [&](TObject*, TListItem* it, TItemChange) { events.push_back("change " + std::to_string(it->Index())); };
  auto selectOneToThree = [&] {
    lv->SetItemIndex(0);
    lv->Items()->Item(1)->SetSelected(true);
    lv->Items()->Item(2)->SetSelected(true);
    lv->Items()->Item(2)->SetFocused(true);
    events.clear();
  };
  selectOneToThree();
  Key(VK_DOWN);
  const std::vector<std::string> byArrow = events;
  ASSERT_EQ(SelectedIndexes(), (std::vector<int>{3}));

  Pause();
  selectOneToThree();
  Type("c");
  EXPECT_EQ(events, byArrow);
  EXPECT_EQ(SelectedIndexes(), (std::vector<int>{3}));
  EXPECT_EQ(FocusedIndex(), 3);
  EXPECT_EQ(lv->Perform(LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED), 3);

  // A key press handler that takes the character away stops the search.
  Pause();
  lv->OnKeyPress = [](TObject*, std::string& key) {
    if (key == "a") key.clear();
  };
  Type("a");
  EXPECT_EQ(FocusedIndex(), 3);
  Type("b");
  EXPECT_EQ(FocusedIndex(), 4);
}

TEST_F(ListViewSearchTest, NoMatchChangesNothing) {
  std::vector<std::string> rows;
  for (int i = 0; i < 30; ++i) rows.push_back("row " + std::to_string(i));
  Make(rows, 120);
  lv->SetMultiSelect(true);
  lv->SetItemIndex(4);
  lv->Items()->Item(5)->SetSelected(true);
  lv->Items()->Item(5)->SetFocused(true);
  SendMessage(lv->Handle(), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 12), 0);
  ASSERT_EQ(lv->Perform(LVM_GETTOPINDEX, 0, 0), 12);
  int events = 0;
  lv->OnSelectItem = [&](TObject*, TListItem*, bool) { ++events; };
  lv->OnChange = [&](TObject*, TListItem*, TItemChange) { ++events; };
  const int beeps = MessageBeepCount();
  Type("zq");  // "z" finds nothing, nor does "zq"
  EXPECT_EQ(SelectedIndexes(), (std::vector<int>{4, 5}));
  EXPECT_EQ(FocusedIndex(), 5);
  EXPECT_EQ(lv->Perform(LVM_GETTOPINDEX, 0, 0), 12);
  EXPECT_EQ(events, 0);
  EXPECT_EQ(MessageBeepCount(), beeps + 2);
}

TEST_F(ListViewSearchTest, FoundItemIsScrolledIntoView) {
  std::vector<std::string> rows;
  for (int i = 0; i < 40; ++i) rows.push_back("row " + std::to_string(i));
  rows[3] = "alpha";
  rows[35] = "zebra";
  Make(rows, 120);
  const int page = lv->VisibleRowCount();
  ASSERT_LT(page, 30);
  lv->SetItemIndex(0);
  Type("z");
  EXPECT_EQ(FocusedIndex(), 35);
  EXPECT_EQ(lv->Perform(LVM_GETTOPINDEX, 0, 0), 35 - page + 1);  // the last whole row, as the arrows scroll
  Pause();
  Type("a");  // round past the end, back up
  EXPECT_EQ(FocusedIndex(), 3);
  EXPECT_EQ(lv->Perform(LVM_GETTOPINDEX, 0, 0), 3);
}

// While a caption is edited the characters are the editor's text, and the
// view looks for nothing even if one reaches it.
TEST_F(ListViewSearchTest, LabelEditTakesTheCharacters) {
  Make(kFruit);
  lv->SetItemIndex(1);
  Key(VK_F2);
  ASSERT_TRUE(lv->IsEditing());
  Type("cherry");
  EXPECT_EQ(lv->Editor()->Text(), "cherry");
  SendMessage(lv->Handle(), WM_CHAR, 'c', 0);
  s.display.RunUntilIdle();
  EXPECT_EQ(FocusedIndex(), 1);
  EXPECT_EQ(SelectedIndexes(), (std::vector<int>{1}));
  Key(VK_ESCAPE);
  ASSERT_FALSE(lv->IsEditing());
  EXPECT_EQ(lv->Items()->Item(1)->Caption(), "Banana");
  // The edit over, typing finds again.
  Type("c");
  EXPECT_EQ(FocusedIndex(), 3);
}

// A click or a moving key ends a search, so the next character starts anew.
TEST_F(ListViewSearchTest, ClicksAndMovingKeysEndTheSearch) {
  Make(kFruit);
  lv->SetItemIndex(0);
  Type("b");
  ASSERT_EQ(FocusedIndex(), 1);
  Key(VK_DOWN);
  Type("r");  // "r" alone, not "br": nothing starts with it
  EXPECT_EQ(FocusedIndex(), 2);
  Pause();
  Type("b");
  ASSERT_EQ(FocusedIndex(), 4);
  const TRect r = lv->Items()->Item(0)->DisplayRect(drLabel);
  Click(lv, r.Left + 3, r.Top + 3);
  Type("a");  // "a" alone from apple: avocado, where "ba" would be Banana
  EXPECT_EQ(FocusedIndex(), 5);
}

}  // namespace
