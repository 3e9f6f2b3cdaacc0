// The window menu shown with the framework's menu windows: opened from an
// MDI child's icon or by Alt+Space, its items and states, tracked with the
// mouse and keys, the chosen command carried out after the menu closed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/platform/ui/menus/MenuTestSupport.h"

namespace {

// Logs the menu messages a window menu brings.
class TLogForm : public TForm {
 public:
  explicit TLogForm(TComponent* owner) : TForm(owner) {}
  std::vector<std::string> Log;
  void Dispatch(TMessage& m) override {
    switch (m.Msg) {
      case WM_ENTERMENULOOP: Log.push_back(m.WParam ? "enter popup" : "enter"); break;
      case WM_EXITMENULOOP: Log.push_back(m.WParam ? "exit popup" : "exit"); break;
      case WM_INITMENU: Log.push_back(IsMenu(reinterpret_cast<HMENU>(m.WParam)) ? "init" : "init ?"); break;
      case WM_INITMENUPOPUP: Log.push_back(HIWORD(m.LParam) ? "popup system" : "popup"); break;
      case WM_MENUSELECT:
        if (HIWORD(m.WParam) == 0xFFFF) break;
        Log.push_back((HIWORD(m.WParam) & MF_SYSMENU) && IsMenu(reinterpret_cast<HMENU>(m.LParam))
                          ? "select " + std::to_string(LOWORD(m.WParam))
                          : "select ?");
        break;
      case WM_SYSCOMMAND: Log.push_back("command " + std::to_string(m.WParam & 0xFFF0)); break;
      default: break;
    }
    TForm::Dispatch(m);
  }
};

class WindowMenuTest : public MenuFixture {
 protected:
  TForm* frame = nullptr;
  void SetUp() override {
    frame = NewForm(0, 0, 800, 600);
    frame->SetFormStyle(fsMDIForm);
    frame->Show();
    s.display.RunUntilIdle();
  }
  void TearDown() override {
    app.DestroyComponents();
    s.display.RunUntilIdle();
  }
  TForm* Child() {
    auto* c = new TForm(&app);
    c->SetFormStyle(fsMDIChild);
    c->SetCaption("Child");
    c->SetBounds(20, 30, 240, 160);
    c->Show();
    s.display.RunUntilIdle();
    return c;
  }
  // Captions with '+' enabled or '.' grayed, the short-cut after a tab.
  static std::string Rows(TMenuItem* root) {
    std::string out;
    for (int i = 0; i < root->Count(); ++i) {
      TMenuItem* it = root->Items(i);
      if (it->IsLine()) {
        out += "- ";
        continue;
      }
      out += StripHotkey(it->Caption()) + (it->Enabled() ? "+" : ".");
      if (it->ShortCut() != scNone) out += "(" + ShortCutToText(it->ShortCut()) + ")";
      out += " ";
    }
    return out;
  }
  static TMenuItem* Find(TMenuItem* root, const std::string& caption) {
    for (int i = 0; i < root->Count(); ++i)
      if (StripHotkey(root->Items(i)->Caption()) == caption) return root->Items(i);
    return nullptr;
  }
};

TEST_F(WindowMenuTest, APressOnAChildsIconOpensItsMenuBelowTheCaptionAndAClickChooses) {
  TForm* c = Child();
  RECT wr{};
  GetWindowRect(c->Handle(), &wr);
  const int frameWidth = GetSystemMetrics(SM_CXFRAME), caption = GetSystemMetrics(SM_CYCAPTION);
  const TPoint icon{wr.Left + frameWidth + 4, wr.Top + frameWidth + caption / 2};
  std::string rows;
  TRect menuRect;
  After(30, [&] {
    ASSERT_EQ(MenuLevelCount(), 1);
    TMenuItem* root = MenuLevelParent(0);
    rows = Rows(root);
    RECT r{};
    GetWindowRect(MenuLevelWindow(0), &r);
    menuRect = r;
    Click(Center(MenuItemScreenRect(0, Find(root, "Maximize"))));
  });
  Click(icon);
  s.display.AdvanceTime(200);
  s.display.RunUntilIdle();
  EXPECT_FALSE(MenuLoopActive());
  // An MDI child closes with Ctrl+F4 and names Ctrl+F6 for the next child.
  EXPECT_EQ(rows, "Restore. Move+ Size+ Minimize+ Maximize+ - Close+(Ctrl+F4) - Next+(Ctrl+F6) ");
  EXPECT_EQ(menuRect.Left, wr.Left + frameWidth);
  EXPECT_EQ(menuRect.Top, wr.Top + frameWidth + caption);
  EXPECT_TRUE(IsZoomed(c->Handle()));
  EXPECT_EQ(c->WindowState(), wsMaximized);
}

TEST_F(WindowMenuTest, AltSpaceOpensTheFormsMenuWithTheFirstItemSelectedAndKeysChoose) {
  TLogForm* f = nullptr;
  app.CreateForm(f);
  f->SetBounds(100, 100, 300, 200);
  f->Show();
  s.display.RunUntilIdle();
  std::vector<std::string> selected;
  After(30, [&] {
    ASSERT_EQ(MenuLevelCount(), 1);
    TMenuItem* item = MenuLevelSelected(0);
    selected.push_back(item ? StripHotkey(item->Caption()) : "");
    s.display.KeyPress(VK_UP);  // wraps round to Close
  });
  After(40, [&] {
    TMenuItem* item = MenuLevelSelected(0);
    selected.push_back(item ? StripHotkey(item->Caption()) : "");
    s.display.KeyPress(VK_RETURN);
  });
  f->Log.clear();
  s.display.KeyDown(VK_MENU);
  s.display.KeyPress(VK_SPACE);
  s.display.KeyUp(VK_MENU);
  s.display.AdvanceTime(200);
  s.display.RunUntilIdle();
  EXPECT_FALSE(MenuLoopActive());
  EXPECT_EQ(selected, (std::vector<std::string>{"Restore", "Close"}));
  // One popup notice, the system one; selections name the window commands;
  // the command comes after the loop.
  const std::string keyMenu = "command " + std::to_string(SC_KEYMENU);
  // The loop is entered first, as not a popup of TrackPopupMenu's.
  EXPECT_EQ(f->Log, (std::vector<std::string>{keyMenu, "enter", "init", "popup system",
                                              "select " + std::to_string(SC_RESTORE),
                                              "select " + std::to_string(SC_CLOSE), "exit",
                                              "command " + std::to_string(SC_CLOSE)}));
  EXPECT_FALSE(f->Visible());
}

LRESULT RawWindowProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  static std::vector<std::string>* log = nullptr;
  if (m == WM_NULL && wp == 0x5EED) log = reinterpret_cast<std::vector<std::string>*>(lp);
  if (log && m == WM_ENTERMENULOOP) log->push_back(wp ? "enter popup" : "enter");
  if (log && m == WM_INITMENU) log->push_back("init");
  if (log && m == WM_EXITMENULOOP) log->push_back("exit");
  return DefWindowProc(h, m, wp, lp);
}

// A window the program made through the window layer alone, before any
// form, has its window menu shown too.
TEST_F(WindowMenuTest, AWindowOfTheLayerAloneOpensItsMenu) {
  SetWindowMenuTracker({});
  TApplication framework(nullptr);  // the framework's start installs the menu windows
  WNDCLASS wc;
  wc.lpfnWndProc = RawWindowProc;
  wc.lpszClassName = "RawMenuWnd";
  ASSERT_NE(RegisterClass(&wc), 0);
  HWND w = CreateWindowEx(0, "RawMenuWnd", "raw", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200, nullptr,
                          nullptr, nullptr, nullptr);
  ASSERT_NE(w, nullptr);
  std::vector<std::string> log;
  SendMessage(w, WM_NULL, 0x5EED, reinterpret_cast<LPARAM>(&log));
  s.display.RunUntilIdle();
  int levels = -1;
  After(30, [&] {
    levels = MenuLevelCount();
    s.display.KeyPress(VK_ESCAPE);
  });
  s.display.KeyDown(VK_MENU);
  s.display.KeyPress(VK_SPACE);
  s.display.KeyUp(VK_MENU);
  s.display.AdvanceTime(100);
  s.display.RunUntilIdle();
  EXPECT_EQ(levels, 1);
  EXPECT_FALSE(MenuLoopActive());
  EXPECT_EQ(log, (std::vector<std::string>{"enter", "init", "exit"}));
  SendMessage(w, WM_NULL, 0x5EED, 0);
  DestroyWindow(w);
  UnregisterClass("RawMenuWnd", nullptr);
}

}  // namespace
