#include "platform/ui/Memo.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "FormTestFixture.h"

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

}  // namespace
