#include "platform/ui/lists/TreeView.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "tests/platform/ui/UiTestSupport.h"
#include "platform/ui/controls/ClassicDraw.h"

namespace {

class TreeViewTest : public UiTest {
 protected:
  TTreeView* tv = nullptr;
  TTreeNode* a = nullptr;  // "a" with children a0..a2, a1 with a1x
  TTreeNode* b = nullptr;

  void SetUp() override {
    UiTest::SetUp();
    ShowHost();
    tv = new TTreeView(host);
    tv->SetParent(host);
    tv->SetBounds(0, 0, 200, 120);
    a = tv->Items()->Add(nullptr, "a");
    for (int i = 0; i < 3; ++i) tv->Items()->AddChild(a, "a" + std::to_string(i));
    tv->Items()->AddChild(a->Item(1), "a1x");
    b = tv->Items()->Add(nullptr, "b");
    s.display.RunUntilIdle();
  }
  std::string SelectedText() { return tv->Selected() ? tv->Selected()->Text() : "-"; }
  bool BarShown() { return (GetWindowLong(tv->Handle(), GWL_STYLE) & WS_VSCROLL) != 0; }
  void ClickNode(TTreeNode* n, bool onButton = false) {
    TRect r = n->DisplayRect(true);
    Click(tv, onButton ? r.Left - tv->Indent() / 2 : r.Left + 3, r.Top + r.Height() / 2);
  }
};

TEST_F(TreeViewTest, NodesKeepTheirStructure) {
  EXPECT_EQ(tv->Items()->Count(), 6);
  EXPECT_EQ(a->Count(), 3);
  EXPECT_EQ(a->GetFirstChild()->Text(), "a0");
  EXPECT_EQ(a->GetFirstChild()->GetNextSibling()->Text(), "a1");
  EXPECT_EQ(a->Item(1)->Item(0)->Parent(), a->Item(1));
  EXPECT_EQ(a->Item(1)->Item(0)->Level(), 2);
  EXPECT_EQ(tv->Items()->Item(3)->Text(), "a1x");
  EXPECT_EQ(b->AbsoluteIndex(), 5);
  TTreeNode* first = tv->Items()->AddChildFirst(a, "first");
  TTreeNode* before = tv->Items()->Insert(b, "before b");
  EXPECT_EQ(first->Index(), 0);
  EXPECT_EQ(before->GetNextSibling(), b);
  EXPECT_TRUE(a->HasChildren());
  EXPECT_FALSE(b->HasChildren());
  b->SetHasChildren(true);
  EXPECT_TRUE(b->HasChildren());
  EXPECT_FALSE(a->Item(2)->IsVisible());  // a is collapsed
}

TEST_F(TreeViewTest, MouseSelectsAndButtonsExpandWithRefusal) {
  EXPECT_EQ(a->DisplayRect(false), (TRect{0, 0, tv->ClientWidth(), tv->RowHeight()}));
  EXPECT_TRUE(a->Item(0)->DisplayRect(false).IsEmpty());  // hidden under a collapsed parent
  std::vector<std::string> log;
  tv->OnExpanding = [&](TObject*, TTreeNode* n, bool& allow) {
    log.push_back("expanding " + n->Text());
    allow = n->Text() != "a1";
  };
  tv->OnCollapsing = [&](TObject*, TTreeNode* n, bool&) { log.push_back("collapsing " + n->Text()); };
  tv->OnChange = [&](TObject*, TTreeNode* n) { log.push_back("change " + (n ? n->Text() : "-")); };
  ClickNode(a, true);
  EXPECT_TRUE(a->Expanded());
  EXPECT_EQ(SelectedText(), "-");  // the button does not select
  ClickNode(a->Item(1), true);
  EXPECT_FALSE(a->Item(1)->Expanded());  // refused
  ClickNode(a->Item(2));
  EXPECT_EQ(SelectedText(), "a2");
  EXPECT_EQ(tv->GetNodeAt(5, 3 * tv->RowHeight() + 2), a->Item(2));
  ClickNode(a, true);  // collapsing a parent of the selection selects the parent
  EXPECT_FALSE(a->Expanded());
  EXPECT_EQ(SelectedText(), "a");
  EXPECT_EQ(log, (std::vector<std::string>{"expanding a", "expanding a1", "change a2", "collapsing a", "change a"}));
}

TEST_F(TreeViewTest, KeysWalkExpandAndCollapse) {
  tv->SetFocus();
  struct Step {
    int vk;
    const char* selected;
    bool aExpanded;
  } steps[] = {
      {VK_DOWN, "a", false}, {VK_RIGHT, "a", true},  {VK_RIGHT, "a0", true}, {VK_DOWN, "a1", true},
      {VK_ADD, "a1", true},  {VK_DOWN, "a1x", true}, {VK_LEFT, "a1", true},  {VK_SUBTRACT, "a1", true},
      {VK_END, "b", true},   {VK_HOME, "a", true},   {VK_LEFT, "a", false},  {VK_DOWN, "b", false},
  };
  for (const Step& st : steps) {
    Key(st.vk);
    EXPECT_EQ(SelectedText(), st.selected) << "vk " << st.vk;
    EXPECT_EQ(a->Expanded(), st.aExpanded) << "vk " << st.vk;
  }
  EXPECT_FALSE(a->Item(1)->Expanded());
  // OnChanging refuses a move.
  tv->OnChanging = [](TObject*, TTreeNode* n, bool& allow) { allow = n->Text() != "a"; };
  Key(VK_UP);
  EXPECT_EQ(SelectedText(), "b");
}

TEST_F(TreeViewTest, ScrollInfoFollowsExpansionAddingAndSize) {
  const int rowH = tv->RowHeight();
  EXPECT_FALSE(BarShown());
  for (int i = 0; i < 20; ++i) tv->Items()->AddChild(b, "b" + std::to_string(i));
  EXPECT_FALSE(BarShown());  // b is collapsed
  b->Expand(false);
  ASSERT_TRUE(BarShown());
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  GetScrollInfo(tv->Handle(), SB_VERT, &si);
  EXPECT_EQ(si.nMax, 21);  // a, b and its 20 children
  EXPECT_EQ(int(si.nPage), tv->ClientHeight() / rowH);
  EXPECT_EQ(tv->VisibleRowCount(), tv->ClientHeight() / rowH);
  b->Item(19)->MakeVisible();
  EXPECT_EQ(tv->TopItem()->AbsoluteIndex() - 4, 22 - tv->VisibleRowCount());  // a's 4 hidden nodes skipped
  tv->SetHeight(tv->Height() + 5 * rowH);
  si.fMask = SIF_ALL;
  GetScrollInfo(tv->Handle(), SB_VERT, &si);
  EXPECT_EQ(int(si.nPage), tv->ClientHeight() / rowH);
  EXPECT_EQ(si.nPos, 22 - int(si.nPage));
  tv->SetFocus();  // the wheel goes to the focused window
  TPoint p = At(tv, 20, 20);
  s.display.Wheel(p.X, p.Y, WHEEL_DELTA);
  s.display.RunUntilIdle();
  EXPECT_EQ(GetScrollPos(tv->Handle(), SB_VERT), 22 - int(si.nPage) - 3);
  b->Collapse(false);
  EXPECT_FALSE(BarShown());
  EXPECT_EQ(tv->TopItem(), a);
}

TEST_F(TreeViewTest, NodeDeletedInsideOnChangeMovesTheSelection) {
  a->Expand(true);
  std::vector<std::string> deleted, changes;
  tv->OnDeletion = [&](TObject*, TTreeNode* n) { deleted.push_back(n->Text()); };
  bool once = true;
  tv->OnChange = [&](TObject*, TTreeNode* n) {
    changes.push_back(n ? n->Text() : "-");
    if (once && n) {
      once = false;
      n->Delete();
    }
  };
  ClickNode(a->Item(1));  // a1 (and a1x) go; the selection moves to a2
  EXPECT_EQ(deleted, (std::vector<std::string>{"a1x", "a1"}));
  EXPECT_EQ(changes, (std::vector<std::string>{"a1", "a2"}));
  EXPECT_EQ(SelectedText(), "a2");
  EXPECT_EQ(a->Count(), 2);
  tv->Items()->Delete(a->Item(1));
  EXPECT_EQ(SelectedText(), "a0");  // no next sibling: the previous one
  tv->Items()->Delete(a->Item(0));
  EXPECT_EQ(SelectedText(), "a");  // no sibling: the parent
  tv->OnChange = [&](TObject*, TTreeNode*) { delete tv; };
  ClickNode(b);
  EXPECT_EQ(host->ControlCount(), 0);
}

}  // namespace

// The edited node hidden or gone under a collapse or a deletion: the edit
// ends as cancelled, the editor over nothing is never left behind.
TEST_F(TreeViewTest, CollapsingOrDeletingAParentCancelsTheEdit) {
  struct Case {
    const char* name;
    std::function<void()> change;
  };
  int edited = 0;
  tv->OnEdited = [&](TObject*, TTreeNode*, std::string&) { ++edited; };
  const std::vector<Case> cases = {
      {"collapse by code", [&] { a->Collapse(false); }},
      {"collapse all", [&] { tv->FullCollapse(); }},
      {"delete the parent", [&] { a->Item(1)->Delete(); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    a->Expand(true);
    TTreeNode* target = a->Item(1)->Item(0);
    auto alive = target->AliveToken();
    ASSERT_TRUE(target->EditText());
    s.display.Text("typed");
    s.display.RunUntilIdle();
    c.change();
    s.display.RunUntilIdle();
    EXPECT_FALSE(tv->IsEditing());
    EXPECT_EQ(tv->ControlCount(), 0);
    EXPECT_EQ(edited, 0);
    if (*alive) EXPECT_EQ(target->Text(), "a1x");
  }
  // A collapse elsewhere leaves the edit alone.
  b->SetHasChildren(true);
  tv->Items()->AddChild(b, "b0");
  b->Expand(false);
  ASSERT_TRUE(a->EditText());
  b->Collapse(false);
  EXPECT_TRUE(tv->IsEditing());
  tv->EndEdit(true);
}

TEST_F(TreeViewTest, AlphaSortOrdersEachLevelIgnoringCase) {
  tv->Items()->AddChild(b, "Zed");
  tv->Items()->AddChild(b, "alpha");
  tv->Items()->AddFirst(a, "C");
  tv->Items()->AddChild(a->Item(1), "A1y");
  auto texts = [](TTreeNode* first) {
    std::string out;
    for (TTreeNode* n = first; n; n = n->GetNextSibling()) out += n->Text() + " ";
    return out;
  };
  b->AlphaSort();  // one level only
  EXPECT_EQ(texts(b->GetFirstChild()), "alpha Zed ");
  EXPECT_EQ(texts(tv->Items()->GetFirstNode()), "C a b ");
  a->Expand(true);
  tv->SetSelected(a->Item(1));
  tv->AlphaSort();
  EXPECT_EQ(texts(tv->Items()->GetFirstNode()), "a b C ");
  EXPECT_EQ(texts(a->Item(1)->GetFirstChild()), "a1x A1y ");
  EXPECT_EQ(SelectedText(), "a1");
  // The rows follow the new order.
  EXPECT_EQ(tv->GetNodeAt(5, tv->RowHeight() * 5 + 1)->Text(), "a2");
}

namespace {

TEST_F(TreeViewTest, UnfocusedSelectionIsHiddenOrDrawnInTheFaceColour) {
  // (has focus, hide selection) -> the label's background.
  struct TCase {
    bool focused;
    bool hide;
    TColor back;
  };
  auto* other = Add<TTestWin>(host, 220, 0, 40, 40);
  other->SetTabStop(true);
  ClickNode(b);
  ASSERT_EQ(tv->Selected(), b);
  for (TCase c : {TCase{true, true, clHighlight}, TCase{false, true, clWindow}, TCase{false, false, clBtnFace},
                  TCase{true, false, clHighlight}}) {
    SCOPED_TRACE(testing::Message() << c.focused << c.hide);
    tv->HideSelection = c.hide;
    if (c.focused)
      tv->SetFocus();
    else
      other->SetFocus();
    tv->Invalidate();
    s.display.RunUntilIdle();
    const TRect r = b->DisplayRect(true);
    TPoint p = host->ScreenToClient(At(tv, r.Left + 1, r.Top + 1));
    EXPECT_EQ(Pixel(p.X, p.Y), ClassicRGB(c.back));
  }
}

// The lines are dotted, every other pixel, and the dots of separate rows
// and of the joints line up into one pattern.
TEST_F(TreeViewTest, LinesAreDottedEveryOtherPixel) {
  tv->SetShowLines(true);
  tv->SetShowRoot(true);
  a->Expand(false);
  tv->Invalidate();
  s.display.RunUntilIdle();
  if (const char* dir = std::getenv("LUMIQA_SNAPSHOT_DIR"))
    s.display.WriteBmp(host->Handle(), (std::string(dir) + "/tree_view_lines.bmp").c_str());
  // The vertical line of the root column, from a's row down to b's.
  const TRect ra = a->DisplayRect(true), rb = b->DisplayRect(true);
  const int column = tv->Indent() / 2;
  const TColor line = clBtnShadow, back = tv->Color();
  int dots = 0, gaps = 0;
  for (int y = ra.Bottom; y < rb.Top; ++y) {
    const TPoint p = host->ScreenToClient(At(tv, column, y));
    const COLORREF here = Pixel(p.X, p.Y), below = Pixel(p.X, p.Y + 1);
    if (here == ClassicRGB(line)) ++dots;
    if (here == ClassicRGB(back)) ++gaps;
    EXPECT_NE(here, below) << "no two line pixels in a row at " << y;
  }
  EXPECT_GT(dots, 4);
  EXPECT_GT(gaps, 4);
  // A child's horizontal stroke alternates too.
  const TRect r0 = a->Item(0)->DisplayRect(true);
  const int mid = r0.Top + r0.Height() / 2;
  const TPoint h0 = host->ScreenToClient(At(tv, a->Item(0)->DisplayRect(true).Left - 4, mid));
  EXPECT_NE(Pixel(h0.X, h0.Y), Pixel(h0.X + 1, h0.Y));
}

}  // namespace
