#include "platform/ui/edits/Edit.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/platform/ui/ClipboardText.h"
#include "tests/platform/ui/FormTestFixture.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/ui/controls/ClassicDraw.h"
#include "platform/ui/edits/Memo.h"

namespace {

class EditTest : public FormsTest {
 protected:
  TForm* form = nullptr;
  TEdit* edit = nullptr;

  void SetUp() override {
    form = NewForm(100, 100, 400, 300);
    edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetBounds(10, 10, 120, 24);
    form->Show();
    s.display.RunUntilIdle();
    edit->SetFocus();
    s.display.RunUntilIdle();
    ASSERT_TRUE(PutClipboardText(""));
  }

  void Key(int vk) {
    s.display.KeyPress(vk);
    s.display.RunUntilIdle();
  }
  void With(int modifier, int vk) {
    s.display.KeyDown(modifier);
    s.display.KeyPress(vk);
    s.display.KeyUp(modifier);
    s.display.RunUntilIdle();
  }
  void Type(const char* utf8) {
    s.display.Text(utf8);
    s.display.RunUntilIdle();
  }
  TPoint Screen(int x, int y) { return edit->ClientToScreen(TPoint{x, y}); }
  COLORREF Pixel(int x, int y) {
    TPoint p = Screen(x, y);
    RECT wr{};
    GetWindowRect(form->Handle(), &wr);
    return s.display.PixelAt(form->Handle(), p.X - wr.Left, p.Y - wr.Top);
  }
};

TEST_F(EditTest, TypingInsertsOverTheSelectionAndMaxLengthStopsOnlyTyping) {
  edit->SetText("hello");
  edit->SetSelStart(1);
  edit->SetSelLength(3);
  Type("EY");
  EXPECT_EQ(edit->Text(), "hEYo");
  EXPECT_EQ(edit->SelStart(), 3);

  edit->SetMaxLength(5);
  EXPECT_EQ(SendMessage(edit->Handle(), EM_GETLIMITTEXT, 0, 0), 5);
  int beeps = MessageBeepCount();
  Type("12");
  EXPECT_EQ(edit->Text(), "hEY1o");
  EXPECT_EQ(MessageBeepCount(), beeps + 1);
  // WM_SETTEXT is not limited.
  SetWindowText(edit->Handle(), "much longer than five");
  EXPECT_EQ(edit->Text(), "much longer than five");
  edit->SetMaxLength(0);
  EXPECT_EQ(SendMessage(edit->Handle(), EM_GETLIMITTEXT, 0, 0), EditNoLimit);
}

TEST_F(EditTest, ChangeIsTheLastStepAndToleratesSettingTheTextInside) {
  std::vector<std::string> seen;
  std::vector<int> caret;
  edit->OnChange = [&](TObject*) {
    seen.push_back(edit->Text());
    caret.push_back(edit->SelStart());
    // Rewrites the text from inside the notification, once.
    if (edit->Text() == "ab") edit->SetText("AB!");
  };
  Type("a");
  Type("b");
  ASSERT_EQ(seen, (std::vector<std::string>{"a", "ab", "AB!"}));
  // The selection was already moved when OnChange ran, and the re-entrant
  // WM_SETTEXT left it at the start with nothing touching it afterwards.
  EXPECT_EQ(caret, (std::vector<int>{1, 2, 0}));
  EXPECT_EQ(edit->SelStart(), 0);
  EXPECT_FALSE(edit->CanUndo());
  // Setting an equal text notifies nothing.
  edit->SetText("AB!");
  EXPECT_EQ(seen.size(), 3u);
}

TEST_F(EditTest, ControlFreedInsideOnChange) {
  bool fired = false;
  edit->OnChange = [&](TObject*) {
    fired = true;
    delete edit;
    edit = nullptr;
  };
  Type("x");
  EXPECT_TRUE(fired);
  EXPECT_EQ(edit, nullptr);
  // Paste and undo paths, on a fresh edit.
  edit = new TEdit(form);
  edit->SetParent(form);
  edit->SetFocus();
  ASSERT_TRUE(PutClipboardText("clip"));
  edit->OnChange = [&](TObject*) {
    delete edit;
    edit = nullptr;
  };
  With(VK_CONTROL, 'V');
  EXPECT_EQ(edit, nullptr);
}

// A sub-class that swallows WM_PASTE before the edit sees it.
struct PasteFilter {
  TEdit* edit;
  TWndMethod old;
  int stopped = 0;
  void Proc(TMessage& m) {
    if (m.Msg == WM_PASTE) {
      ++stopped;
      return;
    }
    old(m);
  }
};

TEST_F(EditTest, SubclassFilteringPasteStopsItFromEverySource) {
  ASSERT_TRUE(PutClipboardText("pasted"));
  PasteFilter f{edit, edit->WindowProc};
  edit->WindowProc = TWndMethod(&f, &PasteFilter::Proc);

  With(VK_CONTROL, 'V');
  With(VK_SHIFT, VK_INSERT);
  SendMessage(edit->Handle(), WM_PASTE, 0, 0);
  edit->PasteFromClipboard();
  EXPECT_EQ(edit->Text(), "");
  EXPECT_EQ(f.stopped, 4);

  // Undo, cut and copy go through the procedure too, and work.
  edit->SetText("abc");
  edit->SelectAll();
  With(VK_CONTROL, 'C');
  EXPECT_EQ(ClipboardText(), "abc");
  edit->WindowProc = f.old;
  With(VK_SHIFT, VK_INSERT);
  EXPECT_EQ(edit->Text(), "abc");  // replaced the selection with the same text
  With(VK_CONTROL, 'V');
  EXPECT_EQ(edit->Text(), "abcabc");
}

TEST_F(EditTest, ClipboardKeysAndUndoOfUndo) {
  edit->SetText("one two");
  edit->SetSelStart(0);
  edit->SetSelLength(4);
  With(VK_SHIFT, VK_DELETE);  // cut
  EXPECT_EQ(edit->Text(), "two");
  EXPECT_EQ(ClipboardText(), "one ");
  With(VK_CONTROL, 'Z');
  EXPECT_EQ(edit->Text(), "one two");
  With(VK_CONTROL, 'Z');
  EXPECT_EQ(edit->Text(), "two");
  SendMessage(edit->Handle(), WM_UNDO, 0, 0);
  EXPECT_EQ(edit->Text(), "one two");
  EXPECT_TRUE(SendMessage(edit->Handle(), EM_CANUNDO, 0, 0));
  SendMessage(edit->Handle(), EM_EMPTYUNDOBUFFER, 0, 0);
  EXPECT_FALSE(SendMessage(edit->Handle(), EM_CANUNDO, 0, 0));
  // Ctrl+Insert copies; Delete removes the selection or the next character.
  edit->SetSelStart(4);
  edit->SetSelLength(3);
  With(VK_CONTROL, VK_INSERT);
  EXPECT_EQ(ClipboardText(), "two");
  Key(VK_DELETE);
  EXPECT_EQ(edit->Text(), "one ");
  Key(VK_HOME);
  Key(VK_DELETE);
  EXPECT_EQ(edit->Text(), "ne ");
  // Paste stops at the first line break.
  ASSERT_TRUE(PutClipboardText("first\r\nsecond"));
  Key(VK_END);
  With(VK_CONTROL, 'V');
  EXPECT_EQ(edit->Text(), "ne first");
}

TEST_F(EditTest, ChineseSelectionAndDeletionByCharacter) {
  edit->SetText("中文字符");
  Key(VK_HOME);
  s.display.KeyDown(VK_SHIFT);
  Key(VK_RIGHT);
  Key(VK_RIGHT);
  s.display.KeyUp(VK_SHIFT);
  s.display.RunUntilIdle();
  EXPECT_EQ(edit->SelText(), "中文");
  EXPECT_EQ(edit->SelLength(), 2);
  DWORD a = 0, b = 0;
  SendMessage(edit->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
  EXPECT_EQ(a, 0u);
  EXPECT_EQ(b, 2u);
  Key(VK_DELETE);
  EXPECT_EQ(edit->Text(), "字符");
  Key(VK_END);
  Key(VK_BACK);
  EXPECT_EQ(edit->Text(), "字");
  // EM_SETSEL counts characters too.
  edit->SetText("甲乙丙");
  SendMessage(edit->Handle(), EM_SETSEL, 1, 2);
  EXPECT_EQ(edit->SelText(), "乙");
  SendMessage(edit->Handle(), EM_SETSEL, 0, LPARAM(-1));
  EXPECT_EQ(edit->SelText(), "甲乙丙");
}

TEST_F(EditTest, ReadOnlyRefusesTypingAndPasteButCopies) {
  edit->SetText("fixed");
  edit->SetReadOnly(true);
  EXPECT_TRUE(GetWindowLongPtr(edit->Handle(), GWL_STYLE) & ES_READONLY);
  ASSERT_TRUE(PutClipboardText("new"));
  edit->SelectAll();
  Type("x");
  With(VK_CONTROL, 'V');
  Key(VK_BACK);
  Key(VK_DELETE);
  With(VK_CONTROL, 'X');
  EXPECT_EQ(edit->Text(), "fixed");
  EXPECT_EQ(ClipboardText(), "new");
  With(VK_CONTROL, 'C');
  EXPECT_EQ(ClipboardText(), "fixed");
  // Programmatic replacement still works.
  edit->SetSelText("F");
  EXPECT_EQ(edit->Text(), "F");
}

TEST_F(EditTest, ColoursComeFromTheEditOrStaticColourMessage) {
  struct Spy {
    TEdit* e;
    TWndMethod old;
    std::vector<UINT> asked;
    void Proc(TMessage& m) {
      if (m.Msg == CN_CTLCOLOREDIT || m.Msg == CN_CTLCOLORSTATIC) asked.push_back(m.Msg);
      old(m);
    }
  } spy{edit, edit->WindowProc, {}};
  edit->WindowProc = TWndMethod(&spy, &Spy::Proc);
  edit->SetColor(clYellow);
  edit->Invalidate();
  s.display.RunUntilIdle();
  ASSERT_FALSE(spy.asked.empty());
  EXPECT_EQ(spy.asked.back(), CN_CTLCOLOREDIT);
  EXPECT_EQ(Pixel(60, 5), ClassicRGB(clYellow));
  spy.asked.clear();
  edit->SetReadOnly(true);
  s.display.RunUntilIdle();
  ASSERT_FALSE(spy.asked.empty());
  EXPECT_EQ(spy.asked.back(), CN_CTLCOLORSTATIC);
  edit->WindowProc = spy.old;
}

TEST_F(EditTest, SelectionPaintsInHighlightWhenFocusedOrNotHidden) {
  edit->SetText("WWWW");
  edit->SelectAll();
  s.display.RunUntilIdle();
  auto count = [&](COLORREF c) {
    int n = 0;
    for (int y = 0; y < edit->ClientHeight(); ++y)
      for (int x = 0; x < edit->ClientWidth(); ++x) n += Pixel(x, y) == c;
    return n;
  };
  const COLORREF hl = GetSysColor(COLOR_HIGHLIGHT);
  EXPECT_GT(count(hl), 0);
  TEdit* other = new TEdit(form);
  other->SetParent(form);
  other->SetTop(60);
  other->SetFocus();
  s.display.RunUntilIdle();
  EXPECT_EQ(count(hl), 0);
  edit->SetHideSelection(false);
  s.display.RunUntilIdle();
  EXPECT_GT(count(hl), 0);
}

TEST_F(EditTest, DialogCodeMarginsAndFormattingRectangle) {
  HWND h = edit->Handle();
  EXPECT_EQ(SendMessage(h, WM_GETDLGCODE, 0, 0), DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS);
  SendMessage(h, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(5, 7));
  RECT r{};
  SendMessage(h, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
  TRect client = edit->ClientRect();
  // Inside the sunken edge: a pixel off it, then the margins.
  EXPECT_EQ(r.Left, 1 + 5);
  EXPECT_EQ(r.Right, client.Right - 1 - 7);
  EXPECT_EQ(r.Top, 1);
  EXPECT_EQ(SendMessage(h, EM_GETMARGINS, 0, 0), MAKELRESULT(5, 7));
  // The caret and character positions follow the rectangle.
  edit->SetText("abc");
  EXPECT_EQ(LOWORD(SendMessage(h, EM_POSFROMCHAR, 0, 0)), 1 + 5);
  RECT np{20, 2, 80, 20};
  SendMessage(h, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&np));
  EXPECT_EQ(LOWORD(SendMessage(h, EM_POSFROMCHAR, 0, 0)), 20);
  EXPECT_EQ(SendMessage(h, EM_CHARFROMPOS, 0, MAKELPARAM(0, 5)), 0);
  // A resize goes back to client minus margins.
  edit->SetWidth(150);
  SendMessage(h, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r.Left, 1 + 5);
  EXPECT_EQ(r.Right, edit->ClientRect().Right - 1 - 7);
  // Without an edge the rectangle is the client less the margins.
  edit->SetBorderStyle(bsNone);
  SendMessage(edit->Handle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r.Left, 5);
  EXPECT_EQ(r.Top, 0);
}

TEST_F(EditTest, AlignmentStylesPlaceTheText) {
  edit->SetText("ab");
  HWND h = edit->Handle();
  int left = LOWORD(SendMessage(h, EM_POSFROMCHAR, 0, 0));
  edit->SetAlignment(taRightJustify);
  EXPECT_EQ(GetWindowLongPtr(h, GWL_STYLE) & (ES_CENTER | ES_RIGHT), LONG_PTR(ES_RIGHT));
  int right = LOWORD(SendMessage(h, EM_POSFROMCHAR, 2, 0));
  edit->SetAlignment(taCenter);
  int center = LOWORD(SendMessage(h, EM_POSFROMCHAR, 0, 0));
  TRect fmt = edit->FormattingRect();
  EXPECT_EQ(left, fmt.Left);
  EXPECT_EQ(right, fmt.Right - 1);
  EXPECT_GT(center, left);
  EXPECT_LT(center, right);
}

TEST_F(EditTest, ScrollsHorizontallyToKeepTheCaretVisible) {
  edit->SetText(std::string(60, 'm'));
  EXPECT_EQ(edit->HorzScrollPos(), 0);
  Key(VK_END);
  EXPECT_GT(edit->HorzScrollPos(), 0);
  POINT caret{};
  GetCaretPos(&caret);
  TRect fmt = edit->FormattingRect();
  EXPECT_GE(caret.X, fmt.Left);
  EXPECT_LT(caret.X, fmt.Right);
  EXPECT_GT(SendMessage(edit->Handle(), EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  Key(VK_HOME);
  EXPECT_EQ(edit->HorzScrollPos(), 0);
  GetCaretPos(&caret);
  EXPECT_EQ(caret.X, fmt.Left);
}

TEST_F(EditTest, MouseClickDragAndDoubleClick) {
  edit->SetText("alpha beta");
  s.display.AdvanceTime(1000);
  TPoint p0 = Screen(LOWORD(SendMessage(edit->Handle(), EM_POSFROMCHAR, 1, 0)), 5);
  TPoint p1 = Screen(LOWORD(SendMessage(edit->Handle(), EM_POSFROMCHAR, 4, 0)), 5);
  s.display.MouseDown(p0.X, p0.Y);
  s.display.MouseMove(p1.X, p1.Y);
  s.display.MouseUp(p1.X, p1.Y);
  s.display.RunUntilIdle();
  EXPECT_EQ(edit->SelText(), "lph");
  s.display.AdvanceTime(1000);
  TPoint w = Screen(LOWORD(SendMessage(edit->Handle(), EM_POSFROMCHAR, 7, 0)), 5);
  s.display.Click(w.X, w.Y);
  s.display.Click(w.X, w.Y);
  s.display.RunUntilIdle();
  EXPECT_EQ(edit->SelText(), "beta");
}

TEST_F(EditTest, DragPastTheEdgeScrollsOnTheTimer) {
  edit->SetText(std::string(60, 'm'));
  s.display.AdvanceTime(1000);
  TPoint in = Screen(20, 5), out = Screen(edit->ClientWidth() + 20, 5);
  s.display.MouseDown(in.X, in.Y);
  s.display.MouseMove(out.X, out.Y);
  s.display.RunUntilIdle();
  int first = edit->HorzScrollPos();
  s.display.AdvanceTime(500);
  EXPECT_GT(edit->HorzScrollPos(), first);
  s.display.MouseUp(out.X, out.Y);
  s.display.RunUntilIdle();
  int stopped = edit->HorzScrollPos();
  s.display.AdvanceTime(500);
  EXPECT_EQ(edit->HorzScrollPos(), stopped);
  EXPECT_GT(edit->SelLength(), 0);
}

TEST_F(EditTest, ContextMenuFromRightClickAndMenuKeys) {
  std::vector<TPoint> at;
  edit->OnContextPopup = [&](TObject*, TPoint p, bool& handled) {
    at.push_back(p);
    handled = true;
  };
  s.display.AdvanceTime(1000);
  TPoint p = Screen(30, 8);
  s.display.Click(p.X, p.Y, TMouseButton::mbRight);
  s.display.RunUntilIdle();
  Key(VK_APPS);
  With(VK_SHIFT, VK_F10);
  ASSERT_EQ(at.size(), 3u);
  EXPECT_EQ(at[0].X, 30);
  EXPECT_EQ(at[0].Y, 8);
  // Nothing takes it: no menu, and no error.
  edit->OnContextPopup = nullptr;
  bool hooked = false;
  EditContextMenuHook = [&](TCustomEdit* e, TPoint) { return hooked = e == edit; };
  Key(VK_APPS);
  EditContextMenuHook = nullptr;
  EXPECT_TRUE(hooked);
}

TEST_F(EditTest, PasswordMasksAndRefusesCopy) {
  edit->SetPasswordChar('*');
  EXPECT_TRUE(GetWindowLongPtr(edit->Handle(), GWL_STYLE) & ES_PASSWORD);
  EXPECT_EQ(SendMessage(edit->Handle(), EM_GETPASSWORDCHAR, 0, 0), '*');
  Type("secret");
  edit->SelectAll();
  With(VK_CONTROL, 'C');
  With(VK_CONTROL, 'X');
  EXPECT_EQ(ClipboardText(), "");
  EXPECT_EQ(edit->Text(), "secret");
  // Every character shows as the same mask, so positions step evenly.
  HWND h = edit->Handle();
  int x1 = LOWORD(SendMessage(h, EM_POSFROMCHAR, 1, 0)) - LOWORD(SendMessage(h, EM_POSFROMCHAR, 0, 0));
  int x2 = LOWORD(SendMessage(h, EM_POSFROMCHAR, 4, 0)) - LOWORD(SendMessage(h, EM_POSFROMCHAR, 3, 0));
  EXPECT_EQ(x1, x2);
}

TEST_F(EditTest, ModifyFlagCharCaseAndAutoSelect) {
  HWND h = edit->Handle();
  edit->SetText("x");
  EXPECT_FALSE(SendMessage(h, EM_GETMODIFY, 0, 0));
  Key(VK_END);
  Type("y");
  EXPECT_TRUE(edit->Modified());
  SendMessage(h, EM_SETMODIFY, FALSE, 0);
  EXPECT_FALSE(edit->Modified());
  edit->SetCharCase(ecUpperCase);
  EXPECT_EQ(edit->Text(), "XY");
  Key(VK_END);
  Type("z");
  EXPECT_EQ(edit->Text(), "XYZ");
  // Entering by the keyboard selects all.
  TEdit* other = new TEdit(form);
  other->SetParent(form);
  other->SetTop(60);
  other->SetFocus();
  s.display.RunUntilIdle();
  edit->SetFocus();
  s.display.RunUntilIdle();
  EXPECT_EQ(edit->SelLength(), 3);
}

TEST_F(EditTest, MaskEditWithEmptyMaskIsAnEdit) {
  TMaskEdit* m = new TMaskEdit(form);
  m->SetParent(form);
  m->SetTop(60);
  m->EditMask = "";
  m->SetMaxLength(2);
  m->SetFocus();
  s.display.RunUntilIdle();
  Type("abc");
  EXPECT_EQ(m->Text(), "ab");
  EXPECT_EQ(m->EditText(), "ab");
}

// ---- Overwrite mode --------------------------------------------------------------------

TEST_F(EditTest, InsertKeyTogglesOverwriteWhileShiftAndCtrlInsertKeepTheClipboard) {
  edit->SetText("abcd");
  edit->SetSelStart(1);
  Key(VK_INSERT);
  EXPECT_TRUE(edit->Overwrite());
  Type("XY");
  EXPECT_EQ(edit->Text(), "aXYd");
  // Pasting inserts whatever the mode.
  ASSERT_TRUE(PutClipboardText("pq"));
  With(VK_SHIFT, VK_INSERT);
  EXPECT_EQ(edit->Text(), "aXYpqd");
  EXPECT_TRUE(edit->Overwrite());
  edit->SelectAll();
  With(VK_CONTROL, VK_INSERT);
  EXPECT_EQ(ClipboardText(), "aXYpqd");
  EXPECT_TRUE(edit->Overwrite());
  // The mode stays with the control when the focus leaves and comes back.
  TEdit* other = new TEdit(form);
  other->SetParent(form);
  other->SetTop(60);
  other->SetFocus();
  s.display.RunUntilIdle();
  EXPECT_FALSE(other->Overwrite());
  edit->SetFocus();
  s.display.RunUntilIdle();
  EXPECT_TRUE(edit->Overwrite());
  edit->SetSelStart(0);
  Type("Z");
  EXPECT_EQ(edit->Text(), "ZXYpqd");
  With(VK_CONTROL, 'Z');
  EXPECT_EQ(edit->Text(), "aXYpqd");
  Key(VK_INSERT);
  EXPECT_FALSE(edit->Overwrite());
  edit->SetSelStart(0);
  Type("Z");
  EXPECT_EQ(edit->Text(), "ZaXYpqd");
}

class EditCaretTest : public EditTest {
 protected:
  // Width in pixels of the caret as presented: the pixels of its row that
  // change when it is hidden.
  int CaretWidth() {
    POINT c{};
    if (!GetCaretPos(&c)) return -1;
    const int y = c.Y + edit->LineHeight() / 2;
    std::vector<COLORREF> shown, hidden;
    for (int x = 0; x < edit->ClientWidth(); ++x) shown.push_back(Pixel(x, y));
    HideCaret(edit->Handle());
    s.display.RunUntilIdle();
    for (int x = 0; x < edit->ClientWidth(); ++x) hidden.push_back(Pixel(x, y));
    ShowCaret(edit->Handle());
    s.display.RunUntilIdle();
    int n = 0;
    for (std::size_t i = 0; i < shown.size(); ++i) n += shown[i] != hidden[i];
    return n;
  }
  int CharX(int ch) { return LOWORD(SendMessage(edit->Handle(), EM_POSFROMCHAR, WPARAM(ch), 0)); }
};

TEST_F(EditCaretTest, OverwriteCaretIsABlockAsWideAsTheNextCharacter) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, edit->Font()->Handle());
  TEXTMETRIC tm;
  GetTextMetrics(dc, &tm);
  SelectObject(dc, old);
  DeleteDC(dc);
  edit->SetText("Wi");
  edit->SetSelStart(0);
  s.display.RunUntilIdle();
  ASSERT_EQ(CaretWidth(), 1);
  Key(VK_INSERT);
  const int wideW = CharX(1) - CharX(0), narrowI = CharX(2) - CharX(1);
  ASSERT_NE(wideW, narrowI);
  EXPECT_EQ(CaretWidth(), wideW);
  Key(VK_RIGHT);
  EXPECT_EQ(CaretWidth(), narrowI);
  Key(VK_END);
  EXPECT_EQ(CaretWidth(), int(tm.tmAveCharWidth));
  // With a selection typing replaces it: the caret is a line again.
  With(VK_SHIFT, VK_HOME);
  EXPECT_EQ(CaretWidth(), 1);
  Key(VK_HOME);
  EXPECT_EQ(CaretWidth(), wideW);
  Key(VK_INSERT);
  EXPECT_EQ(CaretWidth(), 1);
}

// ---- Notifications to the parent -------------------------------------------------

class EditNotifyTest : public EditTest {
 protected:
  struct TNote {
    HWND From;
    int Code;
    bool operator==(const TNote&) const = default;
  };
  std::vector<TNote> notes;
  std::function<void(int)> onNote;

  // The form's procedure logs into this fixture: free it while the fixture lives.
  void TearDown() override { app.DestroyComponents(); }

  void SetUp() override {
    EditTest::SetUp();
    TWndMethod old = form->WindowProc;
    form->WindowProc = TWndMethod::FromFunction(
        [this, old](TMessage& m) {
          if (m.Msg == WM_COMMAND) {
            notes.push_back(TNote{reinterpret_cast<HWND>(m.LParam), HIWORD(m.WParam)});
            if (onNote) onNote(HIWORD(m.WParam));
          }
          old(m);
        },
        this);
  }
  std::vector<int> Codes() const {
    std::vector<int> c;
    for (const TNote& n : notes) c.push_back(n.Code);
    return c;
  }
};

TEST_F(EditNotifyTest, FocusMovingBetweenEditsNotifiesBoth) {
  TEdit* other = new TEdit(form);
  other->SetParent(form);
  other->SetTop(60);
  notes.clear();
  other->SetFocus();
  s.display.RunUntilIdle();
  EXPECT_EQ(notes, (std::vector<TNote>{{edit->Handle(), EN_KILLFOCUS}, {other->Handle(), EN_SETFOCUS}}));
  notes.clear();
  edit->SetFocus();
  s.display.RunUntilIdle();
  EXPECT_EQ(notes, (std::vector<TNote>{{other->Handle(), EN_KILLFOCUS}, {edit->Handle(), EN_SETFOCUS}}));
}

TEST_F(EditNotifyTest, UpdateComesBeforeChangeWithTheTextAlreadyLaidOut) {
  std::vector<std::string> atUpdate;
  onNote = [&](int code) {
    if (code == EN_UPDATE) atUpdate.push_back(edit->Text() + "|" + std::to_string(edit->SelStart()));
  };
  Type("a");
  edit->SetText("xyz");
  edit->SetText("xyz");  // unchanged: nothing
  EXPECT_EQ(Codes(), (std::vector<int>{EN_UPDATE, EN_CHANGE, EN_UPDATE, EN_CHANGE}));
  EXPECT_EQ(atUpdate, (std::vector<std::string>{"a|1", "xyz|0"}));
}

TEST_F(EditNotifyTest, MaxTextWhenTypingOrPastingIsCut) {
  struct Case {
    const char* start;
    const char* typed;   // typed when set, else pasted
    const char* pasted;
    const char* result;
    std::vector<int> codes;
  };
  const std::vector<Case> cases = {
      {"ab", "c", nullptr, "abc", {EN_UPDATE, EN_CHANGE}},
      {"abc", "d", nullptr, "abc", {EN_MAXTEXT}},
      {"a", nullptr, "xy", "axy", {EN_UPDATE, EN_CHANGE}},
      {"ab", nullptr, "xyz", "abx", {EN_MAXTEXT, EN_UPDATE, EN_CHANGE}},
      {"abc", nullptr, "x", "abc", {EN_MAXTEXT}},
  };
  edit->SetMaxLength(3);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.start) + (c.typed ? c.typed : c.pasted));
    edit->SetText(c.start);
    edit->SetSelStart(int(std::strlen(c.start)));
    notes.clear();
    if (c.typed) {
      Type(c.typed);
    } else {
      ASSERT_TRUE(PutClipboardText(std::string(c.pasted).c_str()));
      edit->PasteFromClipboard();
    }
    EXPECT_EQ(edit->Text(), c.result);
    EXPECT_EQ(Codes(), c.codes);
  }
  // WM_SETTEXT is never cut, so it never reports the limit.
  notes.clear();
  edit->SetText("longer than three");
  EXPECT_EQ(Codes(), (std::vector<int>{EN_UPDATE, EN_CHANGE}));
}

TEST_F(EditNotifyTest, ScrollingTheViewNotifiesItsDirection) {
  TMemo* memo = new TMemo(form);
  memo->SetParent(form);
  memo->SetBounds(10, 60, 150, 80);
  memo->SetWordWrap(false);
  for (int i = 0; i < 30; ++i) memo->Lines()->Add(std::string(60, 'w'));
  HWND h = memo->Handle();
  struct Case {
    UINT msg;
    WPARAM wp;
    LPARAM lp;
    std::vector<int> codes;
  };
  const std::vector<Case> cases = {
      {WM_HSCROLL, MAKEWPARAM(SB_LEFT, 0), 0, {EN_HSCROLL}},
      {WM_VSCROLL, MAKEWPARAM(SB_TOP, 0), 0, {EN_VSCROLL}},
      {WM_VSCROLL, MAKEWPARAM(SB_LINEUP, 0), 0, {}},  // already at the top
      {WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0, {EN_VSCROLL}},
      {WM_HSCROLL, MAKEWPARAM(SB_LINERIGHT, 0), 0, {EN_HSCROLL}},
      {EM_LINESCROLL, 1, 2, {EN_VSCROLL, EN_HSCROLL}},
      {WM_HSCROLL, MAKEWPARAM(SB_LEFT, 0), 0, {EN_HSCROLL}},
      {WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0, {EN_VSCROLL}},
  };
  // The caret is at the end: the view starts at the bottom, scrolled right.
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.msg << " " << c.wp);
    notes.clear();
    SendMessage(h, c.msg, c.wp, c.lp);
    EXPECT_EQ(Codes(), c.codes);
    for (const TNote& n : notes) EXPECT_EQ(n.From, h);
  }
  EXPECT_EQ(memo->TopLine(), 0);
}

}  // namespace

namespace {

using EditCreationTest = FormsTest;

TEST_F(EditCreationTest, SelectionSetBeforeTheWindowExistsSurvivesItsCreation) {
  // Selections made while the form is hidden, with and without a window yet;
  // the other edit holds the focus so entering this one selects nothing.
  for (bool handleFirst : {false, true}) {
    SCOPED_TRACE(handleFirst);
    TForm* f = NewForm(100, 100, 300, 200);
    auto* first = new TEdit(f);
    first->SetParent(f);
    auto* e = new TEdit(f);
    e->SetParent(f);
    e->SetTop(40);
    e->SetText("photo 中文 name");
    if (handleFirst) e->HandleNeeded();
    e->SetSelStart(6);
    e->SetSelLength(3);
    f->SetActiveControl(first);
    f->Show();
    s.display.RunUntilIdle();
    EXPECT_EQ(e->SelStart(), 6);
    EXPECT_EQ(e->SelLength(), 3);
    DWORD from = 0, to = 0;
    SendMessage(e->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    EXPECT_EQ(from, 6u);
    EXPECT_EQ(to, 9u);
    delete f;
  }
}

}  // namespace
