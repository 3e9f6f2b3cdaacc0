#include "platform/ui/edits/Memo.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/platform/ui/FormTestFixture.h"

namespace {

class MemoTest : public FormsTest {
 protected:
  TForm* form = nullptr;
  TMemo* memo = nullptr;

  void SetUp() override {
    form = NewForm(100, 100, 400, 300);
    memo = new TMemo(form);
    memo->SetParent(form);
    memo->SetBounds(10, 10, 200, 100);
    form->Show();
    s.display.RunUntilIdle();
    memo->SetFocus();
    s.display.RunUntilIdle();
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
  SCROLLINFO Bar(int bar) {
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    GetScrollInfo(memo->Handle(), bar, &si);
    return si;
  }
  int LineCount() { return int(SendMessage(memo->Handle(), EM_GETLINECOUNT, 0, 0)); }
  std::string Line(int i) {
    char buf[256] = {};
    Word room = sizeof buf;
    std::memcpy(buf, &room, sizeof room);
    LRESULT n = SendMessage(memo->Handle(), EM_GETLINE, WPARAM(i), reinterpret_cast<LPARAM>(buf));
    return std::string(buf, std::size_t(n));
  }
};

TEST_F(MemoTest, VerticalScrollInfoFollowsAddingRemovingAndResizing) {
  memo->SetScrollBars(ssVertical);
  ASSERT_TRUE(GetWindowLongPtr(memo->Handle(), GWL_STYLE) & WS_VSCROLL);
  const int visible = memo->FormattingRect().Height() / memo->LineHeight();
  ASSERT_GT(visible, 1);
  for (int i = 0; i < 20; ++i) memo->Lines()->Add("line " + std::to_string(i));
  // No idle time in between: the information is right at once.
  SCROLLINFO si = Bar(SB_VERT);
  EXPECT_EQ(si.nMin, 0);
  EXPECT_EQ(si.nMax, 19);
  EXPECT_EQ(int(si.nPage), visible);
  // The caret went to the last line added, which is in view.
  EXPECT_EQ(si.nPos, 20 - visible);
  memo->Lines()->Delete(19);
  memo->Lines()->Delete(0);
  si = Bar(SB_VERT);
  EXPECT_EQ(si.nMax, 17);
  memo->SetHeight(memo->Height() + 3 * memo->LineHeight());
  si = Bar(SB_VERT);
  EXPECT_EQ(int(si.nPage), memo->FormattingRect().Height() / memo->LineHeight());
  EXPECT_GT(int(si.nPage), visible);
  memo->Lines()->Clear();
  si = Bar(SB_VERT);
  EXPECT_EQ(si.nMax, 0);
  EXPECT_EQ(si.nPos, 0);
  // Thumb requests scroll by lines.
  for (int i = 0; i < 30; ++i) memo->Lines()->Add("x");
  SendMessage(memo->Handle(), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 4), 0);
  EXPECT_EQ(memo->TopLine(), 4);
  EXPECT_EQ(SendMessage(memo->Handle(), EM_GETFIRSTVISIBLELINE, 0, 0), 4);
  EXPECT_EQ(Bar(SB_VERT).nPos, 4);
}

TEST_F(MemoTest, HorizontalScrollInfoInPixelsWithoutWordWrap) {
  memo->SetWordWrap(false);
  memo->SetScrollBars(ssBoth);
  memo->Lines()->Add(std::string(80, 'w'));
  SCROLLINFO si = Bar(SB_HORZ);
  EXPECT_EQ(int(si.nPage), memo->FormattingRect().Width());
  EXPECT_GT(si.nMax, int(si.nPage));
  EXPECT_EQ(si.nPos, memo->HorzScrollPos());
  SendMessage(memo->Handle(), WM_HSCROLL, MAKEWPARAM(SB_LEFT, 0), 0);
  EXPECT_EQ(memo->HorzScrollPos(), 0);
  EXPECT_EQ(Bar(SB_HORZ).nPos, 0);
}

TEST_F(MemoTest, WordWrapOfChineseText) {
  const std::string text = "这是一段没有空格的中文说明文字，用来检查自动换行。";
  memo->SetText(text);
  ASSERT_GT(LineCount(), 1);
  const int width = memo->FormattingRect().Width();
  std::string joined;
  for (int i = 0; i < LineCount(); ++i) {
    std::string line = Line(i);
    ASSERT_FALSE(line.empty());
    joined += line;
    int lineIndex = int(SendMessage(memo->Handle(), EM_LINEINDEX, WPARAM(i), 0));
    int len = int(SendMessage(memo->Handle(), EM_LINELENGTH, WPARAM(lineIndex), 0));
    // The end of the line lies inside the formatting rectangle.
    int x0 = LOWORD(SendMessage(memo->Handle(), EM_POSFROMCHAR, WPARAM(lineIndex), 0));
    int x1 = lineIndex + len < int(Utf8Length(text))
                 ? int(LOWORD(SendMessage(memo->Handle(), EM_POSFROMCHAR, WPARAM(lineIndex + len - 1), 0)))
                 : x0;
    EXPECT_LE(x1 - x0, width);
    // Closing punctuation never starts a line.
    EXPECT_NE(line.rfind("，", 0), 0u);
    EXPECT_NE(line.rfind("。", 0), 0u);
  }
  EXPECT_EQ(joined, text);
  EXPECT_EQ(memo->Lines()->Count(), 1);
  // Narrower: more lines; no wrap: one.
  int before = LineCount();
  memo->SetWidth(memo->Width() / 2);
  EXPECT_GT(LineCount(), before);
  memo->SetWordWrap(false);
  EXPECT_EQ(LineCount(), 1);
}

TEST_F(MemoTest, LinesIsAViewOverTheText) {
  TStrings* lines = memo->Lines();
  lines->Add("one");
  lines->Add("two");
  lines->Add("three");
  EXPECT_EQ(memo->Text(), "one\r\ntwo\r\nthree");
  EXPECT_EQ(lines->Count(), 3);
  EXPECT_EQ(lines->Strings(1), "two");
  lines->Delete(1);
  EXPECT_EQ(memo->Text(), "one\r\nthree");
  lines->Insert(0, "zero");
  lines->Put(2, "THREE");
  EXPECT_EQ(lines->Text(), "zero\r\none\r\nTHREE\r\n");
  lines->Add("");
  EXPECT_EQ(lines->Count(), 4);
  lines->Add("after");
  EXPECT_EQ(lines->Strings(3), "");
  EXPECT_EQ(lines->Strings(4), "after");
  // A batch changes the text once.
  int changes = 0;
  memo->OnChange = [&](TObject*) { ++changes; };
  lines->BeginUpdate();
  lines->Clear();
  lines->Add("a");
  lines->Add("b");
  lines->EndUpdate();
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(memo->Text(), "a\r\nb");
  lines->SetText("x\ny\n");
  EXPECT_EQ(lines->Count(), 2);
  EXPECT_THROW(lines->Strings(5), Exception);
}

TEST_F(MemoTest, KeysEditAndMoveAcrossLines) {
  s.display.Text("ab");
  Key(VK_RETURN);
  s.display.Text("cdef");
  Key(VK_RETURN);
  s.display.Text("g");
  s.display.RunUntilIdle();
  EXPECT_EQ(memo->Text(), "ab\r\ncdef\r\ng");
  Key(VK_UP);
  EXPECT_EQ(memo->CaretPos().Y, 1);
  Key(VK_END);
  EXPECT_EQ(memo->CaretPos(), (TPoint{4, 1}));
  Key(VK_UP);  // column kept as near as the shorter line allows
  EXPECT_EQ(memo->CaretPos(), (TPoint{2, 0}));
  With(VK_CONTROL, VK_END);
  EXPECT_EQ(memo->CaretPos(), (TPoint{1, 2}));
  Key(VK_HOME);
  EXPECT_EQ(memo->CaretPos(), (TPoint{0, 2}));
  Key(VK_BACK);  // joins the lines: CR LF is one character step
  EXPECT_EQ(memo->Text(), "ab\r\ncdefg");
  With(VK_CONTROL, VK_HOME);
  EXPECT_EQ(memo->SelStart(), 0);
  s.display.KeyDown(VK_SHIFT);
  Key(VK_DOWN);
  s.display.KeyUp(VK_SHIFT);
  s.display.RunUntilIdle();
  EXPECT_EQ(memo->SelText(), "ab\r\n");
  // Tab goes to the form unless WantTabs.
  EXPECT_FALSE(SendMessage(memo->Handle(), WM_GETDLGCODE, 0, 0) & DLGC_WANTTAB);
  memo->SetWantTabs(true);
  EXPECT_TRUE(SendMessage(memo->Handle(), WM_GETDLGCODE, 0, 0) & DLGC_WANTTAB);
  Key(VK_TAB);
  EXPECT_EQ(memo->Text(), "\tcdefg");
  // Without WantReturns, Enter is not wanted and inserts nothing.
  memo->SetWantReturns(false);
  EXPECT_FALSE(SendMessage(memo->Handle(), WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS);
  Key(VK_RETURN);
  EXPECT_EQ(memo->Text(), "\tcdefg");
}

TEST_F(MemoTest, PageKeysAndLineMessages) {
  for (int i = 0; i < 40; ++i) memo->Lines()->Add("row" + std::to_string(i));
  With(VK_CONTROL, VK_HOME);
  const int page = memo->FormattingRect().Height() / memo->LineHeight();
  Key(VK_NEXT);
  EXPECT_EQ(memo->CaretPos().Y, page);
  EXPECT_EQ(memo->TopLine(), page);
  Key(VK_PRIOR);
  EXPECT_EQ(memo->CaretPos().Y, 0);
  EXPECT_EQ(memo->TopLine(), 0);
  HWND h = memo->Handle();
  EXPECT_EQ(SendMessage(h, EM_LINEINDEX, 2, 0), 12);  // "row0\r\nrow1\r\n"
  EXPECT_EQ(SendMessage(h, EM_LINEFROMCHAR, 13, 0), 2);
  EXPECT_EQ(SendMessage(h, EM_LINELENGTH, 13, 0), 4);
  EXPECT_EQ(SendMessage(h, EM_LINEINDEX, 99, 0), -1);
  EXPECT_EQ(Line(39), "row39");
  EXPECT_TRUE(SendMessage(h, EM_LINESCROLL, 0, 5));
  EXPECT_EQ(SendMessage(h, EM_GETFIRSTVISIBLELINE, 0, 0), 5);
  // The wheel scrolls three lines a notch.
  TPoint p = memo->ClientToScreen(TPoint{20, 20});
  s.display.Wheel(p.X, p.Y, -120);
  s.display.RunUntilIdle();
  EXPECT_EQ(memo->TopLine(), 8);
}

TEST_F(MemoTest, ScrollBarsChangeAtRunTimeKeepingTheText) {
  memo->SetText("keep\r\nme");
  memo->SetScrollBars(ssBoth);
  DWORD style = DWORD(GetWindowLongPtr(memo->Handle(), GWL_STYLE));
  EXPECT_TRUE(style & WS_VSCROLL);
  EXPECT_TRUE(style & WS_HSCROLL);
  EXPECT_EQ(memo->Text(), "keep\r\nme");
  EXPECT_TRUE(memo->Focused());
  memo->SetScrollBars(ssNone);
  style = DWORD(GetWindowLongPtr(memo->Handle(), GWL_STYLE));
  EXPECT_FALSE(style & (WS_VSCROLL | WS_HSCROLL));
}

TEST_F(MemoTest, AfterPaintDrawsOverEachFinishedPaint) {
  memo->SetText(std::string(20, 'W') + "\r\n" + std::string(20, 'W'));
  // The focus elsewhere, so the caret overlay draws nothing over the memo.
  TEdit* other = new TEdit(form);
  other->SetParent(form);
  other->SetTop(150);
  other->SetFocus();
  s.display.RunUntilIdle();
  int paints = 0;
  memo->OnAfterPaint = [&](TObject* sender, TCanvas* canvas) {
    EXPECT_EQ(sender, memo);
    ++paints;
    canvas->Brush()->SetColor(clRed);
    canvas->FillRect(memo->ClientRect());
  };
  memo->Invalidate();
  s.display.RunUntilIdle();
  EXPECT_EQ(paints, 1);
  // The hook came after the text: not one glyph pixel shows through it.
  RECT wr{};
  GetWindowRect(form->Handle(), &wr);
  const TRect fmt = memo->FormattingRect();
  int notRed = 0;
  for (int y = fmt.Top; y < fmt.Top + 2 * memo->LineHeight(); ++y)
    for (int x = fmt.Left; x < fmt.Right; ++x) {
      TPoint p = memo->ClientToScreen(TPoint{x, y});
      if (s.display.PixelAt(form->Handle(), p.X - wr.Left, p.Y - wr.Top) != RGB(255, 0, 0)) ++notRed;
    }
  EXPECT_EQ(notRed, 0);
  // Every later paint runs it again.
  memo->SetText("other");
  s.display.RunUntilIdle();
  EXPECT_EQ(paints, 2);
}

TEST_F(MemoTest, ScrollBarInfoOnBothAxes) {
  struct Case {
    TScrollStyle bars;
    bool wrap;
    int lines;
    LONG object;
    DWORD state;  // invisible or unavailable bits of the bar
  };
  const std::vector<Case> cases = {
      {ssNone, true, 50, OBJID_VSCROLL, STATE_SYSTEM_INVISIBLE},
      {ssNone, false, 50, OBJID_HSCROLL, STATE_SYSTEM_INVISIBLE},
      {ssVertical, true, 1, OBJID_VSCROLL, STATE_SYSTEM_UNAVAILABLE},
      {ssVertical, true, 50, OBJID_VSCROLL, 0},
      {ssVertical, false, 50, OBJID_HSCROLL, STATE_SYSTEM_INVISIBLE},
      {ssHorizontal, false, 1, OBJID_HSCROLL, 0},
      {ssBoth, true, 50, OBJID_HSCROLL, STATE_SYSTEM_UNAVAILABLE},  // wrapped: nothing to scroll
      {ssBoth, false, 50, OBJID_VSCROLL, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.bars) << " wrap " << c.wrap << " lines " << c.lines);
    memo->SetScrollBars(c.bars);
    memo->SetWordWrap(c.wrap);
    memo->Lines()->Clear();
    for (int i = 0; i < c.lines; ++i) memo->Lines()->Add(std::string(60, 'w'));
    SCROLLBARINFO sbi;
    GetScrollBarInfo(memo->Handle(), c.object, &sbi);
    EXPECT_EQ(sbi.rgstate[0] & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_UNAVAILABLE), c.state);
  }
}

TEST_F(MemoTest, ThumbRequestsMoveTheViewOnBothAxes) {
  memo->SetWordWrap(false);
  memo->SetScrollBars(ssBoth);
  for (int i = 0; i < 50; ++i) memo->Lines()->Add(std::string(60, 'w'));
  HWND h = memo->Handle();
  const int lastTop = Bar(SB_VERT).nMax - int(Bar(SB_VERT).nPage) + 1;
  const int lastX = Bar(SB_HORZ).nMax - int(Bar(SB_HORZ).nPage) + 1;
  ASSERT_GT(lastTop, 12);
  ASSERT_GT(lastX, 40);
  struct Case {
    UINT msg;
    int code, pos;
    int top, x;  // -1: unchanged
  };
  const std::vector<Case> cases = {
      {WM_VSCROLL, SB_THUMBPOSITION, 0, 0, -1},
      {WM_VSCROLL, SB_THUMBTRACK, 7, 7, -1},
      {WM_VSCROLL, SB_THUMBPOSITION, 12, 12, -1},
      {WM_VSCROLL, SB_THUMBPOSITION, 9999, lastTop, -1},
      {WM_HSCROLL, SB_THUMBPOSITION, 0, -1, 0},
      {WM_HSCROLL, SB_THUMBTRACK, 25, -1, 25},
      {WM_HSCROLL, SB_THUMBPOSITION, 40, -1, 40},
      {WM_HSCROLL, SB_THUMBPOSITION, 9999, -1, lastX},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.msg << " " << c.code << " " << c.pos);
    const int top = memo->TopLine(), x = memo->HorzScrollPos();
    SendMessage(h, c.msg, MAKEWPARAM(c.code, c.pos), 0);
    EXPECT_EQ(memo->TopLine(), c.top < 0 ? top : c.top);
    EXPECT_EQ(memo->HorzScrollPos(), c.x < 0 ? x : c.x);
    EXPECT_EQ(Bar(SB_VERT).nPos, memo->TopLine());
    EXPECT_EQ(Bar(SB_HORZ).nPos, memo->HorzScrollPos());
  }
  // The bar's thumb follows the view.
  SendMessage(h, WM_VSCROLL, MAKEWPARAM(SB_TOP, 0), 0);
  SCROLLBARINFO top;
  GetScrollBarInfo(h, OBJID_VSCROLL, &top);
  SendMessage(h, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, lastTop), 0);
  SCROLLBARINFO bottom;
  GetScrollBarInfo(h, OBJID_VSCROLL, &bottom);
  EXPECT_GT(bottom.xyThumbTop, top.xyThumbTop);
}

TEST_F(MemoTest, DraggingTheThumbScrollsThroughTheTrackPosition) {
  memo->SetScrollBars(ssVertical);
  for (int i = 0; i < 60; ++i) memo->Lines()->Add("row");
  SendMessage(memo->Handle(), WM_VSCROLL, MAKEWPARAM(SB_TOP, 0), 0);
  s.display.RunUntilIdle();
  SCROLLBARINFO sbi;
  GetScrollBarInfo(memo->Handle(), OBJID_VSCROLL, &sbi);
  const int x = (sbi.rcScrollBar.Left + sbi.rcScrollBar.Right) / 2;
  const int y = sbi.rcScrollBar.Top + (sbi.xyThumbTop + sbi.xyThumbBottom) / 2;
  s.display.MouseDown(x, y);
  s.display.MouseMove(x, y + 20);
  s.display.MouseUp(x, y + 20);
  s.display.RunUntilIdle();
  EXPECT_GT(memo->TopLine(), 0);
  EXPECT_EQ(Bar(SB_VERT).nPos, memo->TopLine());
}

}  // namespace
