// In-place label editing, driven through the headless session the same way
// for the list view and the tree view.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/platform/ui/FormTestFixture.h"
#include "tests/platform/ui/UiTestSupport.h"
#include "platform/ui/controls/ClassicDraw.h"
#include "platform/ui/edits/Edit.h"
#include "platform/ui/edits/LabelEditor.h"
#include "platform/ui/lists/ListView.h"
#include "platform/ui/controls/StdCtrls.h"
#include "platform/ui/lists/TreeView.h"

namespace {

constexpr int kRows = 20;  // enough to scroll either view

int MeasureTextWidth(TControl* c, const std::string& text) {
  return MeasureClassicText(c->Font(), text, TRect{}, DT_SINGLELINE | DT_NOPREFIX).Width();
}

// One view and the one item or node a test edits.
class TEditSubject {
 public:
  virtual ~TEditSubject() = default;
  virtual TWinControl* View() = 0;
  virtual TRect Label() = 0;
  virtual std::string Caption() = 0;
  virtual void SetCaption(const std::string& s) = 0;
  virtual bool Editing() = 0;
  virtual TCustomEdit* Editor() = 0;
  virtual bool EditByCode() = 0;
  virtual void EndByCode(bool cancel) = 0;
  virtual void SetReadOnly(bool v) = 0;
  virtual void SetOnEditing(std::function<void(bool&)> fn) = 0;
  virtual void SetOnEdited(std::function<void(std::string&)> fn) = 0;
  virtual void DeleteSubject() = 0;
  virtual void ClearAll() = 0;
  virtual void Sort() = 0;
  virtual bool Alive() = 0;
};

class TListSubject : public TEditSubject {
 public:
  explicit TListSubject(TWinControl* host) {
    lv = new TListView(host);
    lv->SetParent(host);
    lv->SetBounds(0, 0, 250, 150);
    lv->SetViewStyle(vsReport);
    for (const char* name : {"Name", "Size"}) {
      TListColumn* c = lv->Columns()->Add();
      c->SetCaption(name);
      c->SetWidth(100);
    }
    for (int i = 0; i < kRows; ++i) {
      TListItem* it = lv->Items()->Add();
      it->SetCaption("item " + std::to_string(i));
      it->SubItems()->Add(std::to_string(i * 10));
    }
    item = lv->Items()->Item(1);
    alive = item->AliveToken();
  }
  TWinControl* View() override { return lv; }
  TRect Label() override { return item->DisplayRect(drLabel); }
  std::string Caption() override { return item->Caption(); }
  void SetCaption(const std::string& s) override { item->SetCaption(s); }
  bool Editing() override { return lv->IsEditing(); }
  TCustomEdit* Editor() override { return lv->Editor(); }
  bool EditByCode() override { return item->EditCaption(); }
  void EndByCode(bool cancel) override {
    if (cancel && *alive) item->CancelEdit();
    else lv->EndEdit(cancel);
  }
  void SetReadOnly(bool v) override { lv->ReadOnly = v; }
  void SetOnEditing(std::function<void(bool&)> fn) override {
    lv->OnEditing = [this, fn](TObject*, TListItem* it, bool& allow) {
      EXPECT_EQ(it, item);
      fn(allow);
    };
  }
  void SetOnEdited(std::function<void(std::string&)> fn) override {
    lv->OnEdited = [this, fn](TObject*, TListItem* it, std::string& s) {
      EXPECT_EQ(it, item);
      fn(s);
    };
  }
  void DeleteSubject() override { item->Delete(); }
  void ClearAll() override { lv->Items()->Clear(); }
  void Sort() override { lv->AlphaSort(); }
  bool Alive() override { return *alive; }

  TListView* lv;
  TListItem* item;
  std::shared_ptr<const bool> alive;
};

class TTreeSubject : public TEditSubject {
 public:
  explicit TTreeSubject(TWinControl* host) {
    tv = new TTreeView(host);
    tv->SetParent(host);
    tv->SetBounds(0, 0, 200, 120);
    for (int i = 0; i < kRows; ++i) tv->Items()->Add(nullptr, "node " + std::to_string(i));
    node = tv->Items()->Item(1);
    alive = node->AliveToken();
  }
  TWinControl* View() override { return tv; }
  TRect Label() override { return node->DisplayRect(true); }
  std::string Caption() override { return node->Text(); }
  void SetCaption(const std::string& s) override { node->SetText(s); }
  bool Editing() override { return tv->IsEditing(); }
  TCustomEdit* Editor() override { return tv->Editor(); }
  bool EditByCode() override { return node->EditText(); }
  void EndByCode(bool cancel) override {
    if (*alive) node->EndEdit(cancel);
    else tv->EndEdit(cancel);
  }
  void SetReadOnly(bool v) override { tv->ReadOnly = v; }
  void SetOnEditing(std::function<void(bool&)> fn) override {
    tv->OnEditing = [this, fn](TObject*, TTreeNode* n, bool& allow) {
      EXPECT_EQ(n, node);
      fn(allow);
    };
  }
  void SetOnEdited(std::function<void(std::string&)> fn) override {
    tv->OnEdited = [this, fn](TObject*, TTreeNode* n, std::string& s) {
      EXPECT_EQ(n, node);
      fn(s);
    };
  }
  void DeleteSubject() override { node->Delete(); }
  void ClearAll() override { tv->Items()->Clear(); }
  void Sort() override { tv->AlphaSort(); }
  bool Alive() override { return *alive; }

  TTreeView* tv;
  TTreeNode* node;
  std::shared_ptr<const bool> alive;
};

enum class TViewKind { List, Tree };

class LabelEditTest : public UiTest, public ::testing::WithParamInterface<TViewKind> {
 protected:
  std::unique_ptr<TEditSubject> v;
  std::shared_ptr<const bool> viewAlive;
  TEdit* other = nullptr;  // somewhere else for the focus to go
  int edited = 0;
  std::vector<std::string> editedTexts;

  void SetUp() override {
    UiTest::SetUp();
    ShowHost();
    other = Add<TEdit>(host, 260, 0, 30, 20);
    MakeView();
  }
  // A fresh view, in place of the one before if it still stands.
  void MakeView() {
    if (viewAlive && *viewAlive) delete v->View();
    if (GetParam() == TViewKind::List) v = std::make_unique<TListSubject>(host);
    else v = std::make_unique<TTreeSubject>(host);
    viewAlive = v->View()->AliveToken();
    edited = 0;
    editedTexts.clear();
    v->SetOnEdited([this](std::string& s) {
      ++edited;
      editedTexts.push_back(s);
    });
    s.display.RunUntilIdle();
  }
  void ClickLabel() {
    const TRect r = v->Label();
    Click(v->View(), r.Left + 3, r.Top + r.Height() / 2);
  }
  // Apart by more than the double-click time, so two clicks never pair.
  void Wait(int ms = int(GetDoubleClickTime()) + 100) { s.display.AdvanceTime(ms); }
  // Selected and focused by a first click, then a second, lone click.
  void SecondClick() {
    ClickLabel();
    Wait();
    ClickLabel();
  }
  void StartByCode() {
    ASSERT_TRUE(v->EditByCode());
    s.display.RunUntilIdle();
    ASSERT_TRUE(v->Editing());
  }
  // The host pixel at the editor's top-left border pixel.
  COLORREF EditorCorner(TCustomEdit* e) {
    const TPoint p = host->ScreenToClient(e->ClientToScreen(TPoint{-1, -1}));
    return Pixel(p.X, p.Y);
  }
  void Type(const char* text) {
    s.display.Text(text);
    s.display.RunUntilIdle();
  }
};

TEST_P(LabelEditTest, SecondClickEditsOnlyOnceTheDoubleClickTimeHasPassed) {
  SecondClick();
  s.display.AdvanceTime(GetDoubleClickTime() - 1);
  EXPECT_FALSE(v->Editing());  // a second click could still come
  s.display.AdvanceTime(1);
  ASSERT_TRUE(v->Editing());
  TCustomEdit* e = v->Editor();
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->Parent(), v->View());
  EXPECT_TRUE(e->Focused());
  EXPECT_EQ(e->Text(), v->Caption());
  EXPECT_EQ(e->SelText(), v->Caption());
  // A one-pixel border around one line, over the label, inside the view.
  const LONG_PTR style = GetWindowLongPtr(e->Handle(), GWL_STYLE);
  EXPECT_NE(style & WS_BORDER, 0);
  EXPECT_EQ(GetWindowLongPtr(e->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  EXPECT_EQ(e->Height() - e->ClientHeight(), 2);
  const TRect label = v->Label();
  const TRect box = e->BoundsRect();
  EXPECT_GE(box.Left, label.Left);
  EXPECT_LE(box.Left, label.Left + 4);
  EXPECT_GE(box.Top, label.Top - 1);
  EXPECT_LE(box.Bottom, label.Bottom + 1);
  EXPECT_LE(box.Right, v->View()->ClientWidth());
  EXPECT_GT(e->ClientWidth(), MeasureTextWidth(e, v->Caption()));
}

TEST_P(LabelEditTest, DoubleClickOrAFirstClickNeverEdits) {
  ClickLabel();  // the first click only selects
  Wait(3000);
  EXPECT_FALSE(v->Editing());
  ClickLabel();  // the double click on the selected label
  ClickLabel();
  Wait(3000);
  EXPECT_FALSE(v->Editing());
  EXPECT_EQ(edited, 0);
}

TEST_P(LabelEditTest, EnterCommitsThroughOnEditedWhichMayChangeTheText) {
  v->SetOnEdited([this](std::string& s) {
    editedTexts.push_back(s);
    s += "!";
  });
  StartByCode();
  TCustomEdit* e = v->Editor();
  EXPECT_EQ(EditorCorner(e), GetSysColor(COLOR_WINDOWFRAME));  // drawn over the view
  Type("renamed");
  EXPECT_EQ(e->Text(), "renamed");  // typing replaced the selected caption
  const TPoint where = host->ScreenToClient(e->ClientToScreen(TPoint{-1, -1}));
  Key(VK_RETURN);
  EXPECT_EQ(editedTexts, (std::vector<std::string>{"renamed"}));
  EXPECT_EQ(v->Caption(), "renamed!");
  EXPECT_FALSE(v->Editing());
  EXPECT_EQ(v->Editor(), nullptr);
  EXPECT_TRUE(v->View()->Focused());
  s.display.RunUntilIdle();
  EXPECT_EQ(v->View()->ControlCount(), 0);  // the editor was freed
  EXPECT_NE(Pixel(where.X, where.Y), GetSysColor(COLOR_WINDOWFRAME));  // and the view repainted there
}

TEST_P(LabelEditTest, EachWayOfEndingCommitsOrKeepsTheOldText) {
  struct Case {
    const char* name;
    bool typed;
    std::function<void()> end;
    bool commits;
  };
  const std::vector<Case> cases = {
      {"enter", true, [this] { Key(VK_RETURN); }, true},
      {"enter unchanged", false, [this] { Key(VK_RETURN); }, true},
      {"esc", true, [this] { Key(VK_ESCAPE); }, false},
      {"focus elsewhere", true,
       [this] {
         other->SetFocus();
         s.display.RunUntilIdle();
       },
       true},
      {"code commit", true, [this] { v->EndByCode(false); }, true},
      {"code cancel", true, [this] { v->EndByCode(true); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string before = v->Caption();
    edited = 0;
    editedTexts.clear();
    StartByCode();
    if (c.typed) Type("new text");
    c.end();
    s.display.RunUntilIdle();
    EXPECT_FALSE(v->Editing());
    EXPECT_EQ(v->View()->ControlCount(), 0);
    const std::string expected = c.typed ? "new text" : before;
    EXPECT_EQ(edited, c.commits ? 1 : 0);
    if (c.commits) EXPECT_EQ(editedTexts, (std::vector<std::string>{expected}));
    EXPECT_EQ(v->Caption(), c.commits ? expected : before);
    const bool focusMoved = std::string(c.name) == "focus elsewhere";
    EXPECT_EQ(other->Focused(), focusMoved);
    EXPECT_EQ(v->View()->Focused(), !focusMoved);
    v->SetCaption(before);
  }
}

TEST_P(LabelEditTest, OnEditingVetoAndReadOnlyBlockEveryWayToStart) {
  struct Start {
    const char* name;
    std::function<void()> run;
  };
  const std::vector<Start> starts = {
      {"second click",
       [this] {
         SecondClick();
         Wait();
       }},
      {"F2",
       [this] {
         ClickLabel();
         Key(VK_F2);
       }},
      {"code", [this] { v->EditByCode(); }},
  };
  int asked = 0;
  bool allow = false;
  v->SetOnEditing([&](bool& a) {
    ++asked;
    a = allow;
  });
  // Each start begins with the focus elsewhere, so its first click only
  // focuses and selects.
  auto away = [this] {
    other->SetFocus();
    Wait();
  };
  for (const Start& st : starts) {
    SCOPED_TRACE(st.name);
    away();
    asked = 0;
    allow = false;
    st.run();
    s.display.RunUntilIdle();
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(v->Editing());

    asked = 0;
    allow = true;
    v->SetReadOnly(true);
    away();
    st.run();
    s.display.RunUntilIdle();
    EXPECT_EQ(asked, 0);
    EXPECT_FALSE(v->Editing());
    v->SetReadOnly(false);

    away();
    st.run();
    s.display.RunUntilIdle();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(v->Editing());
    Key(VK_ESCAPE);
    EXPECT_FALSE(v->Editing());
  }
  EXPECT_EQ(edited, 0);
}

TEST_P(LabelEditTest, EditorGrowsWithTheTextWithinTheClientArea) {
  StartByCode();
  TCustomEdit* e = v->Editor();
  const int narrow = e->Width();
  Type("a longer caption");
  EXPECT_GT(e->Width(), narrow);
  EXPECT_GT(e->ClientWidth(), MeasureTextWidth(e, e->Text()));
  Type(" and then far too long for the view to show it whole at all");
  EXPECT_EQ(e->BoundsRect().Right, v->View()->ClientWidth());
  Key(VK_ESCAPE);
}

TEST_P(LabelEditTest, ChangesUnderTheEditCancelItWithoutDanglingPointers) {
  struct Case {
    const char* name;
    std::function<void()> change;
    bool subjectGoes, viewGoes;
  };
  const std::vector<Case> cases = {
      {"delete", [this] { v->DeleteSubject(); }, true, false},
      {"clear", [this] { v->ClearAll(); }, true, false},
      {"sort", [this] { v->Sort(); }, false, false},
      {"scroll bar", [this] { SendMessage(v->View()->Handle(), WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0); }, false,
       false},
      {"free the view", [this] { delete v->View(); }, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MakeView();
    StartByCode();
    Type("typed");
    const std::string before = v->Alive() ? v->Caption() : "";
    c.change();
    s.display.RunUntilIdle();
    EXPECT_EQ(edited, 0);
    EXPECT_EQ(v->Alive(), !c.subjectGoes);
    EXPECT_EQ(*viewAlive, !c.viewGoes);
    if (c.viewGoes) continue;
    EXPECT_FALSE(v->Editing());
    EXPECT_EQ(v->View()->ControlCount(), 0);
    // Nothing left that would reach for the old item on these.
    v->View()->SetFocus();
    Key(VK_RETURN);
    v->EndByCode(false);
    EXPECT_EQ(edited, 0);
    if (!c.subjectGoes) EXPECT_EQ(v->Caption(), before);
  }
}

TEST_P(LabelEditTest, SubjectDeletedBeforeTheClickTimerFires) {
  SecondClick();
  v->DeleteSubject();
  s.display.RunUntilIdle();
  Wait();
  EXPECT_FALSE(v->Editing());
}

TEST_P(LabelEditTest, EndingMayRunAModalLoopOrFreeTheView) {
  // A message box from OnEdited runs the loop while the editor is still
  // inside its Enter key: the editor must outlive that.
  std::shared_ptr<const bool> editorAlive;
  v->SetOnEdited([&](std::string&) {
    ++edited;
    s.display.RunUntilIdle();
    EXPECT_EQ(v->Editor(), nullptr);
    EXPECT_TRUE(*editorAlive);
  });
  StartByCode();
  editorAlive = v->Editor()->AliveToken();
  Type("x");
  Key(VK_RETURN);
  EXPECT_EQ(edited, 1);
  EXPECT_EQ(v->Caption(), "x");
  s.display.RunUntilIdle();
  EXPECT_FALSE(*editorAlive);
  EXPECT_EQ(v->View()->ControlCount(), 0);

  TWinControl* view = v->View();
  auto viewAlive = view->AliveToken();
  v->SetOnEdited([view](std::string&) { delete view; });
  StartByCode();
  Type("y");
  Key(VK_RETURN);
  EXPECT_FALSE(*viewAlive);
  EXPECT_EQ(host->ControlCount(), 1);  // only the other edit is left
}

TEST_P(LabelEditTest, FocusBackOnTheViewCommitsAndF2EditsAgain) {
  StartByCode();
  Type("first");
  TCustomEdit* first = v->Editor();
  // F2 reaches the view only once focus is back on it.
  v->View()->SetFocus();
  s.display.RunUntilIdle();
  EXPECT_EQ(editedTexts, (std::vector<std::string>{"first"}));
  EXPECT_FALSE(v->Editing());
  Key(VK_F2);
  ASSERT_TRUE(v->Editing());
  EXPECT_NE(v->Editor(), first);
  EXPECT_EQ(v->Editor()->Text(), "first");
  Key(VK_ESCAPE);
}

// On a form, Enter and Esc belong to the editor, not to the form's default
// and cancel buttons, which get them again once the edit is over.
using LabelEditFormTest = FormsTest;

TEST_F(LabelEditFormTest, EnterAndEscEndTheEditNotTheDialog) {
  TForm* form = NewForm();
  form->Show();
  auto* tv = new TTreeView(form);
  tv->SetParent(form);
  tv->SetBounds(10, 10, 150, 120);
  TTreeNode* node = tv->Items()->Add(nullptr, "old");
  int ok = 0, cancel = 0;
  auto* okButton = new TButton(form);
  okButton->SetParent(form);
  okButton->SetBounds(200, 10, 60, 24);
  okButton->SetDefault(true);
  okButton->OnClick = [&](TObject*) { ++ok; };
  auto* cancelButton = new TButton(form);
  cancelButton->SetParent(form);
  cancelButton->SetBounds(200, 40, 60, 24);
  cancelButton->SetCancel(true);
  cancelButton->OnClick = [&](TObject*) { ++cancel; };
  s.display.RunUntilIdle();
  auto key = [&](int vk) {
    s.display.KeyPress(vk);
    s.display.RunUntilIdle();
  };

  ASSERT_TRUE(node->EditText());
  s.display.Text("new");
  key(VK_RETURN);
  EXPECT_EQ(node->Text(), "new");
  ASSERT_TRUE(node->EditText());
  s.display.Text("newer");
  key(VK_ESCAPE);
  EXPECT_EQ(node->Text(), "new");
  EXPECT_FALSE(tv->IsEditing());
  EXPECT_EQ(ok + cancel, 0);
  ASSERT_TRUE(tv->Focused());
  key(VK_RETURN);
  key(VK_ESCAPE);
  EXPECT_EQ(ok, 1);
  EXPECT_EQ(cancel, 1);
}

INSTANTIATE_TEST_SUITE_P(Views, LabelEditTest, ::testing::Values(TViewKind::List, TViewKind::Tree),
                         [](const ::testing::TestParamInfo<TViewKind>& p) {
                           return p.param == TViewKind::List ? "ListView" : "TreeView";
                         });

}  // namespace
