#include "platform/ui/controls/StdCtrls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/platform/ui/FormTestFixture.h"
#include "tests/platform/ui/UiTestSupport.h"
#include "platform/ui/controls/ClassicDraw.h"
#include "platform/ui/controls/ExtCtrls.h"

namespace {

class StdCtrlsTest : public FormsTest {
 protected:
  TForm* form = nullptr;

  void SetUp() override {
    form = NewForm(100, 100, 400, 300);
    form->SetColor(clBtnFace);
    form->Show();
    s.display.RunUntilIdle();
  }

  template <class T>
  T* Make(TWinControl* parent, int x, int y, int w, int h, const std::string& caption = {}) {
    T* c = new T(form);
    c->SetParent(parent);
    c->SetBounds(x, y, w, h);
    if (!caption.empty()) c->SetCaption(caption);
    return c;
  }
  TPoint Screen(TControl* c, int x, int y) { return c->ClientToScreen(TPoint{x, y}); }
  // The presented pixel at a control's client point.
  COLORREF At(TControl* c, int x, int y) {
    TPoint p = Screen(c, x, y);
    RECT wr{};
    GetWindowRect(form->Handle(), &wr);
    return s.display.PixelAt(form->Handle(), p.X - wr.Left, p.Y - wr.Top);
  }
  int CountIn(TControl* c, TRect r, COLORREF colour) {
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) n += At(c, x, y) == colour;
    return n;
  }
  // A left click in the middle of a control, far enough in time from the
  // last one never to pair with it as a double click.
  void ClickOn(TControl* c, int dx = -1, int dy = -1) {
    TPoint p = Screen(c, dx < 0 ? c->Width() / 2 : dx, dy < 0 ? c->Height() / 2 : dy);
    s.display.Click(p.X, p.Y);
    s.display.RunUntilIdle();
    s.display.AdvanceTime(1000);
  }
  void Key(int vk) {
    s.display.KeyPress(vk);
    s.display.RunUntilIdle();
  }
  void AltKey(int vk) {
    s.display.KeyDown(VK_MENU);
    s.display.KeyPress(vk);
    s.display.KeyUp(VK_MENU);
    s.display.RunUntilIdle();
  }
  void Paint() { s.display.RunUntilIdle(); }
  // A radio button checks itself when the keyboard focus reaches it.
  void ClicksFromFocus(TControl* c) {
    static_cast<TWinControl*>(c)->SetFocus();
    s.display.RunUntilIdle();
  }
};

// ---- Label ------------------------------------------------------------------------

TEST_F(StdCtrlsTest, LabelAutoSizeFollowsTextAndFont) {
  TLabel* l = Make<TLabel>(form, 10, 10, 5, 5, "Hello");
  TRect m = MeasureClassicText(l->Font(), "Hello", TRect{}, DT_EXPANDTABS);
  EXPECT_EQ(l->Width(), m.Width());
  EXPECT_EQ(l->Height(), m.Height());
  const int w = l->Width(), h = l->Height();
  l->SetCaption("Hello, wider world");
  EXPECT_GT(l->Width(), w);
  l->Font()->SetHeight(-30);
  EXPECT_GT(l->Height(), h + 10);
  l->SetAutoSize(false);
  l->SetBounds(10, 10, 20, 20);
  l->SetCaption("Longer still and longer");
  EXPECT_EQ(l->Width(), 20);
}

TEST_F(StdCtrlsTest, RightAlignedAutoSizeLabelKeepsItsRightEdge) {
  TLabel* l = Make<TLabel>(form, 0, 10, 10, 10);
  l->SetAlignment(taRightJustify);
  l->SetBounds(150, 10, 50, 17);
  l->SetCaption("Short");
  const int right = l->Left() + l->Width();
  l->SetCaption("Much longer text");
  EXPECT_EQ(l->Left() + l->Width(), right);
  EXPECT_LT(l->Left(), 150);
}

TEST_F(StdCtrlsTest, WordWrapGrowsTheLabelDownwards) {
  TLabel* l = Make<TLabel>(form, 10, 10, 60, 17);
  const int line = TextCellHeight(l->Font());
  l->SetWordWrap(true);
  l->SetCaption("one two three four five six");
  EXPECT_LE(l->Width(), 60);
  EXPECT_GE(l->Height(), 3 * line);
  EXPECT_EQ(l->Height() % line, 0);
}

TEST_F(StdCtrlsTest, AccelCharIsHiddenUnlessShowAccelCharIsOff) {
  TLabel* l = Make<TLabel>(form, 10, 10, 5, 5, "&Name");
  const int withPrefix = l->Width();
  l->SetShowAccelChar(false);
  EXPECT_GT(l->Width(), withPrefix);  // the '&' is now text
}

TEST_F(StdCtrlsTest, EmptyLabelStaysOneLineHigh) {
  TLabel* l = Make<TLabel>(form, 10, 10, 5, 5);
  EXPECT_EQ(l->Height(), TextCellHeight(l->Font()));
  EXPECT_GT(l->Width(), 0);
}

TEST_F(StdCtrlsTest, LayoutPlacesTheTextVertically) {
  struct Case {
    TTextLayout layout;
    int inkFrom, inkTo;  // the rows where ink may start (60 high box)
  } cases[] = {{tlTop, 0, 6}, {tlCenter, 20, 30}, {tlBottom, 40, 60}};
  for (const Case& k : cases) {
    SCOPED_TRACE(int(k.layout));
    TLabel* l = Make<TLabel>(form, 10, 10, 10, 10);
    l->SetAutoSize(false);
    l->SetBounds(10, 10, 120, 60);
    l->SetCaption("Text");
    l->SetLayout(k.layout);
    Paint();
    int first = -1;
    for (int y = 0; y < 60 && first < 0; ++y)
      if (CountIn(l, TRect{0, y, 120, y + 1}, Sys(clWindowText)) > 0) first = y;
    EXPECT_GE(first, k.inkFrom);
    EXPECT_LT(first, k.inkTo);
    delete l;
  }
}

TEST_F(StdCtrlsTest, OpaqueLabelFillsWithItsColourTransparentOneDoesNot) {
  TShape* back = Make<TShape>(form, 0, 0, 200, 100);
  back->Brush()->SetColor(clRed);
  back->Pen()->SetStyle(psClear);
  TLabel* l = Make<TLabel>(form, 10, 10, 10, 10, "Hi");
  l->SetColor(clYellow);
  Paint();
  EXPECT_EQ(At(l, 0, 0), Sys(clYellow));
  l->SetTransparent(true);
  Paint();
  EXPECT_EQ(At(l, 0, 0), Sys(clRed));
  EXPECT_GT(CountIn(l, TRect{0, 0, l->Width(), l->Height()}, Sys(clWindowText)), 5);
}

TEST_F(StdCtrlsTest, LabelAcceleratorFocusesItsFocusControl) {
  TLabel* l = Make<TLabel>(form, 10, 10, 10, 10, "&Name");
  TCheckBox* box = Make<TCheckBox>(form, 10, 40, 100, 17, "Box");
  TButton* other = Make<TButton>(form, 10, 70, 75, 25, "Other");
  other->SetFocus();
  l->SetFocusControl(box);
  AltKey('N');
  EXPECT_TRUE(box->Focused());
  EXPECT_FALSE(box->Checked());  // focused, not pressed
  // A freed focus control is forgotten.
  delete box;
  EXPECT_EQ(l->FocusControl(), nullptr);
  other->SetFocus();
  AltKey('N');
  EXPECT_TRUE(other->Focused());
}

class TRecordingLabel : public TLabel {
 public:
  using TLabel::TLabel;
  std::vector<UINT> flags;

 protected:
  void DoDrawText(TRect& Rect, UINT Flags) override {
    flags.push_back(Flags);
    TLabel::DoDrawText(Rect, Flags);
  }
};

TEST_F(StdCtrlsTest, PaintAndAutoSizeGoThroughDoDrawText) {
  auto* l = new TRecordingLabel(form);
  l->SetParent(form);
  l->SetWordWrap(true);
  l->SetAlignment(taRightJustify);
  l->SetCaption("Skinned");
  bool measured = false;
  for (UINT f : l->flags) measured |= (f & DT_CALCRECT) != 0;
  EXPECT_TRUE(measured);
  l->flags.clear();
  Paint();
  ASSERT_FALSE(l->flags.empty());
  const UINT f = l->flags.back();
  EXPECT_EQ(f & DT_CALCRECT, 0u);
  EXPECT_NE(f & DT_WORDBREAK, 0u);
  EXPECT_NE(f & DT_RIGHT, 0u);
  EXPECT_NE(f & DT_EXPANDTABS, 0u);
}

// ---- Group box ------------------------------------------------------------------------

TEST_F(StdCtrlsTest, GroupBoxCaptionSitsInTheFrameAndChildrenBelowIt) {
  TGroupBox* g = Make<TGroupBox>(form, 10, 10, 200, 120, "Options");
  TPanel* inner = Make<TPanel>(g, 0, 0, 10, 10);
  inner->SetAlign(alClient);
  const int h = TextCellHeight(g->Font());
  EXPECT_GE(inner->Top(), h);
  EXPECT_GE(inner->Left(), 2);
  EXPECT_LE(inner->Left() + inner->Width(), 198);
  EXPECT_LE(inner->Top() + inner->Height(), 118);
  inner->SetVisible(false);
  Paint();
  // Ink of the caption on the frame line, the etched frame on the left.
  EXPECT_GT(CountIn(g, TRect{8, 0, 80, h}, Sys(clWindowText)), 10);
  EXPECT_EQ(At(g, 0, 60), Sys(clBtnShadow));
  EXPECT_EQ(At(g, 1, 60), Sys(clBtnHighlight));
  EXPECT_EQ(At(g, 199, 60), Sys(clBtnHighlight));
  EXPECT_EQ(At(g, 198, 60), Sys(clBtnShadow));
}

// ---- Button -----------------------------------------------------------------------------

TEST_F(StdCtrlsTest, ButtonClicksOnReleaseOverItAfterAPressOnIt) {
  TButton* b = Make<TButton>(form, 50, 50, 80, 30, "Go");
  int clicks = 0;
  b->OnClick = [&](TObject*) { ++clicks; };
  struct Case {
    TPoint down, up;
    int clicks;
  } cases[] = {
      {{10, 10}, {20, 20}, 1},   // inside, inside
      {{10, 10}, {120, 10}, 0},  // released outside
      {{-20, 5}, {10, 10}, 0},   // pressed outside
  };
  for (const Case& k : cases) {
    clicks = 0;
    TPoint d = Screen(b, k.down.X, k.down.Y), u = Screen(b, k.up.X, k.up.Y);
    s.display.MouseDown(d.X, d.Y);
    s.display.MouseMove(u.X, u.Y);
    s.display.MouseUp(u.X, u.Y);
    s.display.RunUntilIdle();
    s.display.AdvanceTime(1000);
    EXPECT_EQ(clicks, k.clicks) << k.down.X << "," << k.up.X;
  }
}

TEST_F(StdCtrlsTest, ButtonLooksPushedWhileHeld) {
  TButton* b = Make<TButton>(form, 50, 50, 80, 30, "Go");
  Paint();
  EXPECT_EQ(At(b, 1, 1), Sys(cl3DLight));  // raised, neither focused nor default
  TPoint p = Screen(b, 40, 15);
  s.display.MouseDown(p.X, p.Y);
  Paint();
  EXPECT_TRUE(b->Pressed());
  EXPECT_EQ(At(b, 1, 1), Sys(clBtnShadow));
  // Moving off the button lifts it; coming back pushes it again.
  TPoint off = Screen(b, 200, 15);
  s.display.MouseMove(off.X, off.Y);
  Paint();
  EXPECT_FALSE(b->Pressed());
  EXPECT_EQ(At(b, 1, 1), Sys(clBtnHighlight));
  s.display.MouseMove(p.X, p.Y);
  s.display.MouseUp(p.X, p.Y);
  Paint();
  EXPECT_FALSE(b->Pressed());
  EXPECT_EQ(At(b, 1, 1), Sys(clBtnHighlight));
  // Focused: a dotted focus rectangle inside the face, caption ink in the middle.
  EXPECT_TRUE(b->Focused());
  EXPECT_GT(CountIn(b, TRect{20, 5, 60, 25}, Sys(clBtnText)), 5);
}

TEST_F(StdCtrlsTest, SpaceClicksAButtonOnRelease) {
  TButton* b = Make<TButton>(form, 50, 50, 80, 30, "Go");
  int clicks = 0;
  b->OnClick = [&](TObject*) { ++clicks; };
  b->SetFocus();
  s.display.KeyDown(VK_SPACE);
  s.display.RunUntilIdle();
  EXPECT_EQ(clicks, 0);
  EXPECT_TRUE(b->Pressed());
  s.display.KeyUp(VK_SPACE);
  s.display.RunUntilIdle();
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(b->Pressed());
}

TEST_F(StdCtrlsTest, EnterPressesTheActiveButtonAndEscTheCancelButton) {
  TButton* ok = Make<TButton>(form, 10, 10, 75, 25, "OK");
  TButton* cancel = Make<TButton>(form, 100, 10, 75, 25, "Cancel");
  TCheckBox* box = Make<TCheckBox>(form, 10, 60, 100, 17, "Box");
  ok->SetDefault(true);
  cancel->SetCancel(true);
  std::string log;
  ok->OnClick = [&](TObject*) { log += "ok "; };
  cancel->OnClick = [&](TObject*) { log += "cancel "; };
  box->SetFocus();
  EXPECT_TRUE(ok->Active());
  Key(VK_RETURN);
  Key(VK_ESCAPE);
  EXPECT_EQ(log, "ok cancel ");
  // The focused button is the active one; the default button is not, then.
  cancel->SetFocus();
  EXPECT_FALSE(ok->Active());
  EXPECT_TRUE(cancel->Active());
  log.clear();
  Key(VK_RETURN);
  EXPECT_EQ(log, "cancel ");
  EXPECT_FALSE(box->Checked());
}

TEST_F(StdCtrlsTest, ButtonSetsTheModalResultOfItsForm) {
  TForm* dialog = NewForm(200, 200, 300, 150);
  auto* panel = new TPanel(dialog);
  panel->SetParent(dialog);
  panel->SetAlign(alClient);
  auto* ok = new TButton(dialog);
  ok->SetParent(panel);  // the form is found through the parents
  ok->SetBounds(10, 10, 75, 25);
  ok->ModalResult = mrOk;
  int clicks = 0;
  ok->OnClick = [&](TObject*) {
    ++clicks;
    EXPECT_EQ(dialog->ModalResult(), mrOk);  // set before OnClick runs
  };
  After(100, [&] {
    TPoint p = ok->ClientToScreen(TPoint{20, 10});
    s.display.Click(p.X, p.Y);
  });
  EXPECT_EQ(dialog->ShowModal(), mrOk);
  EXPECT_EQ(clicks, 1);
}

TEST_F(StdCtrlsTest, ButtonAcceleratorClicksIt) {
  TButton* b = Make<TButton>(form, 10, 10, 75, 25, "&Apply");
  TCheckBox* box = Make<TCheckBox>(form, 10, 60, 100, 17, "Box");
  box->SetFocus();
  int clicks = 0;
  b->OnClick = [&](TObject*) { ++clicks; };
  AltKey('A');
  EXPECT_EQ(clicks, 1);
  AltKey('X');
  EXPECT_EQ(clicks, 1);
}

TEST_F(StdCtrlsTest, ButtonFreedInItsOwnClickHandler) {
  // Mouse, Space and Enter each complete a press whose handler frees the button.
  for (int way = 0; way < 3; ++way) {
    SCOPED_TRACE(way);
    TButton* b = Make<TButton>(form, 10, 10, 75, 25, "Bye");
    b->SetDefault(true);
    bool freed = false;
    b->OnClick = [&freed](TObject* sender) {
      freed = true;  // the handler (this lambda) goes with the button
      delete static_cast<TButton*>(sender);
    };
    b->SetFocus();
    if (way == 0) ClickOn(b);
    if (way == 1) Key(VK_SPACE);
    if (way == 2) Key(VK_RETURN);
    EXPECT_TRUE(freed);
    Paint();
  }
}

// ---- Check box --------------------------------------------------------------------------

TEST_F(StdCtrlsTest, CheckBoxClicksCycleTheStates) {
  struct Case {
    bool allowGrayed;
    std::vector<TCheckBoxState> states;
  } cases[] = {{false, {cbChecked, cbUnchecked, cbChecked}}, {true, {cbGrayed, cbChecked, cbUnchecked, cbGrayed}}};
  for (const Case& k : cases) {
    TCheckBox* box = Make<TCheckBox>(form, 10, 10, 120, 17, "Check");
    box->SetAllowGrayed(k.allowGrayed);
    int clicks = 0;
    box->OnClick = [&](TObject*) { ++clicks; };
    for (std::size_t i = 0; i < k.states.size(); ++i) {
      ClickOn(box, 5, 8);
      EXPECT_EQ(box->State(), k.states[i]) << k.allowGrayed << " " << i;
      EXPECT_EQ(clicks, int(i + 1));
    }
    delete box;
  }
}

TEST_F(StdCtrlsTest, CheckBoxChangedByCodeFiresOnClickOnce) {
  TCheckBox* box = Make<TCheckBox>(form, 10, 10, 120, 17, "Check");
  int clicks = 0;
  box->OnClick = [&](TObject*) { ++clicks; };
  box->SetChecked(true);
  box->SetChecked(true);
  EXPECT_EQ(clicks, 1);
  box->SetState(cbGrayed);
  EXPECT_FALSE(box->Checked());
  EXPECT_EQ(clicks, 2);
}

TEST_F(StdCtrlsTest, SpaceTogglesAFocusedCheckBox) {
  TCheckBox* box = Make<TCheckBox>(form, 10, 10, 120, 17, "Check");
  box->SetFocus();
  Key(VK_SPACE);
  EXPECT_TRUE(box->Checked());
  Key(VK_SPACE);
  EXPECT_FALSE(box->Checked());
}

TEST_F(StdCtrlsTest, DisabledCheckBoxIgnoresClicks) {
  TCheckBox* box = Make<TCheckBox>(form, 10, 10, 120, 17, "Check");
  box->SetEnabled(false);
  ClickOn(box, 5, 8);
  EXPECT_FALSE(box->Checked());
}

TEST_F(StdCtrlsTest, CheckBoxDrawsItsGlyphOnTheAlignedSide) {
  TCheckBox* box = Make<TCheckBox>(form, 10, 10, 120, 17, "Check");
  box->SetChecked(true);
  Paint();
  const int top = (17 - CheckGlyphSize) / 2;
  // Tick ink inside the box at the left, the white well around it, caption ink to the right.
  EXPECT_EQ(At(box, 3 + 6, top + 3), Sys(clWindowText));
  EXPECT_EQ(At(box, 2, top + 10), Sys(clWindow));
  EXPECT_GT(CountIn(box, TRect{CheckGlyphSize + 4, 0, 120, 17}, Sys(clWindowText)), 10);
  box->SetAlignment(taLeftJustify);
  box->SetChecked(false);
  Paint();
  EXPECT_EQ(At(box, 120 - CheckGlyphSize, top), Sys(clBtnShadow));
  EXPECT_EQ(CountIn(box, TRect{120 - CheckGlyphSize, top, 120, top + CheckGlyphSize}, Sys(clWindowText)), 0);
}

// ---- Radio button -----------------------------------------------------------------------

TEST_F(StdCtrlsTest, RadioButtonsGroupByParent) {
  TPanel* a = Make<TPanel>(form, 0, 0, 200, 100);
  TPanel* b = Make<TPanel>(form, 200, 0, 200, 100);
  TRadioButton* a1 = Make<TRadioButton>(a, 10, 10, 100, 17, "A1");
  TRadioButton* a2 = Make<TRadioButton>(a, 10, 40, 100, 17, "A2");
  TRadioButton* b1 = Make<TRadioButton>(b, 10, 10, 100, 17, "B1");
  int clicks = 0;
  for (TRadioButton* r : {a1, a2, b1}) r->OnClick = [&](TObject*) { ++clicks; };
  b1->SetChecked(true);
  ClickOn(a1, 5, 8);
  EXPECT_TRUE(a1->Checked());
  EXPECT_TRUE(b1->Checked());
  ClickOn(a2, 5, 8);
  EXPECT_FALSE(a1->Checked());
  EXPECT_TRUE(a2->Checked());
  EXPECT_TRUE(b1->Checked());
  EXPECT_EQ(clicks, 3);
  ClickOn(a2, 5, 8);  // already checked: nothing changes
  EXPECT_EQ(clicks, 3);
  // Only the checked button of a group is a tab stop.
  EXPECT_FALSE(a1->TabStop());
  EXPECT_TRUE(a2->TabStop());
  Paint();
  const int top = (17 - RadioGlyphSize) / 2;
  EXPECT_EQ(At(a2, 6, top + 6), Sys(clWindowText));
  EXPECT_EQ(At(a1, 6, top + 6), Sys(clWindow));
}

TEST_F(StdCtrlsTest, ArrowKeysMoveTheCheckWithTheFocus) {
  TRadioButton* a = Make<TRadioButton>(form, 10, 10, 100, 17, "A");
  TRadioButton* b = Make<TRadioButton>(form, 10, 40, 100, 17, "B");
  a->SetChecked(true);
  int clicks = 0;
  b->OnClick = [&](TObject*) { ++clicks; };
  a->SetFocus();
  Key(VK_DOWN);
  EXPECT_TRUE(b->Focused());
  EXPECT_TRUE(b->Checked());
  EXPECT_FALSE(a->Checked());
  EXPECT_EQ(clicks, 1);
  // A press that ends outside focuses without checking.
  TPoint down = Screen(a, 5, 8), up = Screen(a, 300, 8);
  s.display.MouseDown(down.X, down.Y);
  s.display.MouseMove(up.X, up.Y);
  s.display.MouseUp(up.X, up.Y);
  s.display.RunUntilIdle();
  EXPECT_TRUE(a->Focused());
  EXPECT_FALSE(a->Checked());
  EXPECT_TRUE(b->Checked());
}

TEST_F(StdCtrlsTest, CheckAndRadioFreedInTheirOwnClickHandlers) {
  for (int kind = 0; kind < 2; ++kind)
    for (int way = 0; way < 3; ++way) {
      SCOPED_TRACE(kind * 10 + way);
      TButtonControl* c = kind == 0 ? static_cast<TButtonControl*>(Make<TCheckBox>(form, 10, 10, 100, 17, "&Free"))
                                    : Make<TRadioButton>(form, 10, 10, 100, 17, "&Free");
      bool freed = false;
      c->OnClick = [&freed](TObject* sender) {
        freed = true;
        delete static_cast<TControl*>(sender);
      };
      TButton* other = Make<TButton>(form, 10, 50, 75, 25, "Other");
      other->SetFocus();
      if (way == 0) ClickOn(c, 5, 8);
      if (way == 1) AltKey('F');
      if (way == 2) {
        if (kind == 1) {
          ClicksFromFocus(c);
        } else {
          c->SetFocus();
          Key(VK_SPACE);
        }
      }
      EXPECT_TRUE(freed);
      delete other;
      Paint();
    }
}

}  // namespace

namespace {

// Tab reaches a radio group at its checked button, or at its first (in tab
// order) when none is checked, also after moves between parents.
TEST_F(StdCtrlsTest, FirstRadioButtonIsTheTabStopWhileNoneIsChecked) {
  TPanel* a = Make<TPanel>(form, 0, 0, 200, 120);
  TPanel* b = Make<TPanel>(form, 200, 0, 200, 120);
  TRadioButton* r1 = Make<TRadioButton>(a, 10, 10, 100, 17, "One");
  TRadioButton* r2 = Make<TRadioButton>(a, 10, 40, 100, 17, "Two");
  TRadioButton* r3 = Make<TRadioButton>(a, 10, 70, 100, 17, "Three");
  auto stops = [&] { return std::vector<bool>{r1->TabStop(), r2->TabStop(), r3->TabStop()}; };
  using B = std::vector<bool>;
  EXPECT_EQ(stops(), (B{true, false, false}));
  r2->SetChecked(true);
  EXPECT_EQ(stops(), (B{false, true, false}));
  r2->SetChecked(false);
  EXPECT_EQ(stops(), (B{true, false, false}));
  // The first in tab order, not in creation order.
  r3->SetTabOrder(0);
  r2->SetChecked(true);
  r2->SetChecked(false);
  EXPECT_EQ(stops(), (B{false, false, true}));
  // Moved to an empty parent it leads the new group; the old one re-forms.
  r3->SetParent(b);
  EXPECT_TRUE(r3->TabStop());
  EXPECT_EQ(stops(), (B{true, false, true}));
  r1->SetChecked(true);
  r1->SetParent(b);
  EXPECT_TRUE(r1->TabStop());
  EXPECT_FALSE(r3->TabStop());
  EXPECT_TRUE(r2->TabStop());
  // Tab from outside lands on the group's stop.
  TButton* before = Make<TButton>(form, 10, 200, 75, 25, "Before");
  before->SetTabOrder(0);
  before->SetFocus();
  Key(VK_TAB);
  EXPECT_TRUE(r2->Focused());
}

// A click handler freeing its own control, then reading what it captured:
// the framework runs a copy, so the captures outlive the control.
TEST_F(StdCtrlsTest, OnClickHandlerOutlivesTheControlItFrees) {
  std::vector<std::string> log;
  TLabel* label = Make<TLabel>(form, 10, 10, 80, 20, "Label");
  TPanel* panel = Make<TPanel>(form, 10, 50, 80, 40, "Panel");
  for (TControl* c : std::vector<TControl*>{label, panel}) {
    std::string tag = c->ClassName() + " handler";
    c->OnClick = [&log, tag](TObject* sender) {
      delete static_cast<TControl*>(sender);
      log.push_back(tag);
    };
  }
  ClickOn(label, 5, 5);
  ClickOn(panel, 5, 5);
  EXPECT_EQ(log, (std::vector<std::string>{"TLabel handler", "TPanel handler"}));
  EXPECT_EQ(form->ControlCount(), 0);
}

}  // namespace
