#include "tests/platform/ui/UiTestSupport.h"

namespace {

using ControlFocus = UiTest;

// Stands in for a push button: Enter reaches the default one, Esc the cancel one.
class TDialogButton : public TTestWin {
 public:
  using TTestWin::TTestWin;
  bool Default = false, Cancel = false;
  int Pressed = 0;
  void Dispatch(TMessage& m) override {
    if (m.Msg == CM_DIALOGKEY &&
        ((m.WParam == VK_RETURN && Default) || (m.WParam == VK_ESCAPE && Cancel))) {
      ++Pressed;
      m.Result = 1;
      return;
    }
    TTestWin::Dispatch(m);
  }
};

// Answers its '&' accelerator.
class TAccelTarget : public TTestGraphic {
 public:
  using TTestGraphic::TTestGraphic;
  int Hits = 0;
  void Dispatch(TMessage& m) override {
    if (m.Msg == CM_DIALOGCHAR && IsAccel(Word(m.WParam), Caption())) {
      ++Hits;
      m.Result = 1;
      return;
    }
    TTestGraphic::Dispatch(m);
  }
};

TEST_F(ControlFocus, TabFollowsTabOrderAndSkipsWhatCannotTakeFocus) {
  auto* panel = Add<TTestWin>(host, 0, 100, 200, 100);
  panel->ControlStyle |= csAcceptsControls;
  auto* a = Add<TTestWin>(host, 0, 0, 20, 20);
  auto* b = Add<TTestWin>(host, 30, 0, 20, 20);
  auto* c = Add<TTestWin>(panel, 0, 0, 20, 20);
  auto* noStop = Add<TTestWin>(host, 60, 0, 20, 20);
  auto* disabled = Add<TTestWin>(host, 90, 0, 20, 20);
  auto* hidden = Add<TTestWin>(host, 120, 0, 20, 20);
  for (TTestWin* w : {a, b, c, disabled, hidden}) w->SetTabStop(true);
  disabled->SetEnabled(false);
  hidden->SetVisible(false);
  // Order in the host: b, panel (holding c), a.
  b->SetTabOrder(0);
  a->SetTabOrder(10);
  EXPECT_EQ(b->TabOrder(), 0);
  EXPECT_EQ(a->TabOrder(), host->ControlCount() - 1);
  std::vector<std::string> log;
  auto watch = [&](TWinControl* w, const std::string& n) {
    w->OnEnter = [&log, n](TObject*) { log.push_back("enter " + n); };
    w->OnExit = [&log, n](TObject*) { log.push_back("exit " + n); };
  };
  watch(a, "a");
  watch(b, "b");
  watch(c, "c");
  watch(panel, "panel");
  (void)noStop;
  ShowHost();
  b->SetFocus();
  s.display.RunUntilIdle();
  Key(VK_TAB);
  EXPECT_TRUE(c->Focused());
  Key(VK_TAB);
  EXPECT_TRUE(a->Focused());
  Key(VK_TAB);
  EXPECT_TRUE(b->Focused());
  s.display.KeyDown(VK_SHIFT);
  Key(VK_TAB);
  s.display.KeyUp(VK_SHIFT);
  s.display.RunUntilIdle();
  EXPECT_TRUE(a->Focused());
  EXPECT_EQ(log, (std::vector<std::string>{"enter b", "exit b", "enter panel", "enter c", "exit c", "exit panel",
                                           "enter a", "exit a", "enter b", "exit b", "enter a"}));
}

struct TDialogKeyCase {
  const char* name;
  LRESULT dlgCode;
  int key;
  bool keyDownSeen;   // the focused control's OnKeyDown
  int defaultPressed, cancelPressed;
  const char* focusAfter;
  const char* typed;  // characters that reached any control's OnKeyPress
};

TEST_F(ControlFocus, DialogKeysUnlessTheControlClaimsThem) {
  const TDialogKeyCase cases[] = {
      {"enter", 0, VK_RETURN, false, 1, 0, "edit", ""},
      {"enter wanted", DLGC_WANTALLKEYS, VK_RETURN, true, 0, 0, "edit", "\r"},
      {"escape", 0, VK_ESCAPE, false, 0, 1, "edit", ""},
      {"escape wanted", DLGC_WANTALLKEYS, VK_ESCAPE, true, 0, 0, "edit", "\x1b"},
      {"tab", 0, VK_TAB, false, 0, 0, "next", ""},
      {"tab wanted", DLGC_WANTTAB, VK_TAB, true, 0, 0, "edit", "\t"},
      {"tab not wanted by arrows", DLGC_WANTARROWS, VK_TAB, false, 0, 0, "next", ""},
      {"right", 0, VK_RIGHT, false, 0, 0, "next", ""},
      {"right wanted", DLGC_WANTARROWS, VK_RIGHT, true, 0, 0, "edit", ""},
      {"left", 0, VK_LEFT, false, 0, 0, "prev", ""},
      {"letter", 0, 'Q', true, 0, 0, "edit", "q"},
  };
  auto* prev = Add<TTestWin>(host, 0, 0, 20, 20);
  auto* edit = Add<TTestWin>(host, 30, 0, 20, 20);
  auto* next = Add<TTestWin>(host, 60, 0, 20, 20);
  auto* ok = Add<TDialogButton>(host, 0, 50, 20, 20);
  auto* cancel = Add<TDialogButton>(host, 30, 50, 20, 20);
  ok->Default = true;
  cancel->Cancel = true;
  for (TTestWin* w : {prev, edit, next}) w->SetTabStop(true);
  ShowHost();
  bool keyDown = false;
  std::string typed;
  edit->OnKeyDown = [&](TObject*, Word&, TShiftState) { keyDown = true; };
  for (TTestWin* w : {prev, edit, next}) w->OnKeyPress = [&](TObject*, std::string& k) { typed += k; };
  for (const TDialogKeyCase& c : cases) {
    edit->DlgCode = c.dlgCode;
    edit->SetFocus();
    s.display.RunUntilIdle();
    keyDown = false;
    typed.clear();
    ok->Pressed = cancel->Pressed = 0;
    Key(c.key);
    EXPECT_EQ(keyDown, c.keyDownSeen) << c.name;
    EXPECT_EQ(ok->Pressed, c.defaultPressed) << c.name;
    EXPECT_EQ(cancel->Pressed, c.cancelPressed) << c.name;
    TWinControl* expected = std::string(c.focusAfter) == "next" ? next : std::string(c.focusAfter) == "prev" ? prev : edit;
    EXPECT_TRUE(expected->Focused()) << c.name;
    // The character of a used-up dialog key reaches no control.
    EXPECT_EQ(typed, c.typed) << c.name;
  }
}

TEST_F(ControlFocus, WantSpecialKeyKeepsArrowsForTheControl) {
  class TArrowTaker : public TTestWin {
   public:
    using TTestWin::TTestWin;
    void Dispatch(TMessage& m) override {
      if (m.Msg == CM_WANTSPECIALKEY) {
        m.Result = (m.WParam >= 33 && m.WParam <= 40) ? 1 : 0;
        return;
      }
      TTestWin::Dispatch(m);
    }
  };
  auto* a = Add<TArrowTaker>(host, 0, 0, 20, 20);
  auto* b = Add<TTestWin>(host, 30, 0, 20, 20);
  a->SetTabStop(true);
  b->SetTabStop(true);
  std::vector<Word> keys;
  a->OnKeyDown = [&](TObject*, Word& k, TShiftState) { keys.push_back(k); };
  ShowHost();
  a->SetFocus();
  Key(VK_DOWN);
  Key(VK_TAB);
  EXPECT_EQ(keys, (std::vector<Word>{Word(VK_DOWN)}));
  EXPECT_TRUE(b->Focused());
}

TEST_F(ControlFocus, AcceleratorsThroughDialogChar) {
  auto* target = Add<TAccelTarget>(host, 100, 100, 20, 20);
  target->SetCaption("&Save");
  auto* typing = Add<TTestWin>(host, 0, 0, 20, 20);
  auto* plain = Add<TTestWin>(host, 30, 0, 20, 20);
  typing->DlgCode = DLGC_WANTCHARS;
  std::string typed;
  typing->OnKeyPress = [&](TObject*, std::string& k) { typed += k; };
  ShowHost();
  typing->SetFocus();
  s.display.Text("s");
  s.display.RunUntilIdle();
  EXPECT_EQ(target->Hits, 0);  // a control that takes characters keeps them
  EXPECT_EQ(typed, "s");
  s.display.KeyDown(VK_MENU);
  Key('S');
  s.display.KeyUp(VK_MENU);
  s.display.RunUntilIdle();
  EXPECT_EQ(target->Hits, 1);  // Alt+S
  plain->SetFocus();
  s.display.Text("s");
  s.display.RunUntilIdle();
  EXPECT_EQ(target->Hits, 2);
  s.display.Text("x");
  s.display.RunUntilIdle();
  EXPECT_EQ(target->Hits, 2);
}

TEST(IsAccelTable, MatchesTheCharacterAfterASingleAmpersand) {
  struct TCase {
    const char* caption;
    char vk;
    bool match;
  };
  const TCase cases[] = {{"&Save", 'S', true},  {"&save", 'S', true},   {"Sa&ve", 'V', true},
                         {"Sa&ve", 'S', false}, {"&&Save", 'S', false}, {"A&&B&c", 'C', true},
                         {"Save", 'S', false},  {"Save&", 'S', false},  {"", 'S', false}};
  for (const TCase& c : cases) EXPECT_EQ(IsAccel(Word(c.vk), c.caption), c.match) << c.caption << " " << c.vk;
}

// Records what reaches the default handling after the key events.
class TCharSink : public TTestWin {
 public:
  using TTestWin::TTestWin;
  std::vector<WPARAM> chars, keys;
  void DefaultHandler(TMessage& m) override {
    if (m.Msg == WM_CHAR) chars.push_back(m.WParam);
    if (m.Msg == WM_KEYDOWN) keys.push_back(m.WParam);
    TTestWin::DefaultHandler(m);
  }
};

TEST_F(ControlFocus, KeyHandlersMayChangeOrEatKeys) {
  auto* w = Add<TCharSink>(host, 0, 0, 20, 20);
  w->DlgCode = DLGC_WANTCHARS;
  w->OnKeyPress = [&](TObject*, std::string& k) {
    if (k == "a") k = "\xE4\xB8\xAD";  // replaced by a CJK character
    if (k == "b") k.clear();          // eaten
  };
  w->OnKeyDown = [&](TObject*, Word& k, TShiftState) {
    if (k == 'X') k = 0;
    if (k == 'Y') k = 'Z';
  };
  ShowHost();
  w->SetFocus();
  s.display.Text("abc");
  s.display.RunUntilIdle();
  EXPECT_EQ(w->chars, (std::vector<WPARAM>{0x4E2D, 'c'}));
  Key('X');
  Key('Y');
  EXPECT_EQ(w->keys, (std::vector<WPARAM>{'Z'}));
}

TEST_F(ControlFocus, CannotFocusHiddenOrDisabledControls) {
  auto* w = Add<TTestWin>(host, 0, 0, 20, 20);
  EXPECT_FALSE(w->CanFocus());  // the host is not shown yet
  ShowHost();
  EXPECT_TRUE(w->CanFocus());
  w->SetEnabled(false);
  EXPECT_FALSE(w->CanFocus());
  EXPECT_THROW(w->SetFocus(), EInvalidOperation);
  w->SetEnabled(true);
  w->SetFocus();
  EXPECT_TRUE(w->Focused());
  EXPECT_EQ(FocusedControl(), w);
}

}  // namespace
