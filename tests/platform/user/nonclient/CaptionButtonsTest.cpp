// The caption buttons of child frames the layer draws: close, and maximize
// (restore when maximized) and minimize when the style has a box, each with
// its glyph, grayed when the window refuses the command, sunk with the glyph
// a pixel down and right while the mouse holds it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "tests/platform/user/WindowTestSupport.h"
#include "platform/graphics/DebugImage.h"

namespace {

constexpr DWORD kChildFrame = WS_CHILD | WS_VISIBLE | WS_CAPTION | WS_THICKFRAME | WS_SYSMENU;

std::uint32_t Bgrx(COLORREF c) {
  return std::uint32_t(GetRValue(c)) << 16 | std::uint32_t(GetGValue(c)) << 8 | GetBValue(c);
}

class CaptionButtonsTest : public WindowTest {
 protected:
  HWND parent = nullptr;
  void SetUp() override {
    WindowTest::SetUp();
    parent = Make("p", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 400, 300);
  }
  std::uint32_t Px(int x, int y) {
    const Surface* s = WindowSurface(parent);
    return reinterpret_cast<const std::uint32_t*>(s->Row(y))[x] & 0xFFFFFF;
  }
  // The cell hit testing gives a button of child w, in parent coordinates.
  RECT Cell(HWND w, int hit) {
    RECT r;
    GetWindowRect(w, &r);
    RECT cell{r.Right, r.Bottom, r.Left, r.Top};
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x)
        if (SendMessage(w, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == hit) {
          cell.Left = std::min(cell.Left, x);
          cell.Top = std::min(cell.Top, y);
          cell.Right = std::max(cell.Right, x + 1);
          cell.Bottom = std::max(cell.Bottom, y + 1);
        }
    return cell;
  }
  // The box of the pixels of a colour inside a button's face (the cell less
  // its two-pixel margin and edge), empty when there are none.
  RECT Glyph(const RECT& cell, COLORREF colour) {
    RECT box{cell.Right, cell.Bottom, cell.Left, cell.Top};
    for (int y = cell.Top + 4; y < cell.Bottom - 4; ++y)
      for (int x = cell.Left + 4; x < cell.Right - 4; ++x)
        if (Px(x, y) == Bgrx(colour)) {
          box.Left = std::min(box.Left, x);
          box.Top = std::min(box.Top, y);
          box.Right = std::max(box.Right, x + 1);
          box.Bottom = std::max(box.Bottom, y + 1);
        }
    if (box.Left >= box.Right) return RECT{};
    return box;
  }
  void Snapshot(const std::string& name) {
    const char* dir = std::getenv("LUMIQA_SNAPSHOT_DIR");
    if (!dir) return;
    const Surface* s = WindowSurface(parent);
    TDibImage img;
    img.Allocate(s->width, s->height, 24);
    for (int y = 0; y < s->height; ++y)
      for (int x = 0; x < s->width; ++x) {
        const std::uint32_t p = Px(x, y);
        img.Row(y)[x * 3] = std::uint8_t(p);
        img.Row(y)[x * 3 + 1] = std::uint8_t(p >> 8);
        img.Row(y)[x * 3 + 2] = std::uint8_t(p >> 16);
      }
    const std::vector<std::uint8_t> png = EncodeDebugPng(img);
    std::ofstream(std::string(dir) + "/" + name + ".png", std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
  }
};

struct TGlyphCase {
  const char* name;
  DWORD style;
  bool closeOff;  // Close turned off in the window menu
  // Per button: 'n' normal glyph, 'g' grayed glyph, '-' no button.
  char close, maximize, minimize;
};

TEST_F(CaptionButtonsTest, ButtonsAndTheirGlyphsFollowTheStyle) {
  const TGlyphCase cases[] = {
      {"both boxes", kChildFrame | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, false, 'n', 'n', 'n'},
      {"minimize box only: maximize grayed", kChildFrame | WS_MINIMIZEBOX, false, 'n', 'g', 'n'},
      {"no boxes: close alone", kChildFrame, false, 'n', '-', '-'},
      {"close turned off", kChildFrame | WS_MAXIMIZEBOX, true, 'g', 'n', 'g'},
  };
  for (const TGlyphCase& c : cases) {
    SCOPED_TRACE(c.name);
    HWND w = Make("w", c.style, 20, 20, 240, 160, parent);
    if (c.closeOff) EnableMenuItem(GetSystemMenu(w, FALSE), UINT(SC_CLOSE), MF_BYCOMMAND | MF_GRAYED);
    SendMessage(w, WM_NCACTIVATE, TRUE, 0);  // a child frame looks active only when told, as an MDI child is
    RedrawWindow(w, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    Pump();
    Snapshot(std::string("caption_buttons_") + char('0' + (&c - cases)));
    const std::pair<int, char> buttons[] = {{HTCLOSE, c.close}, {HTMAXBUTTON, c.maximize}, {HTMINBUTTON, c.minimize}};
    std::vector<RECT> glyphs;
    for (auto [hit, want] : buttons) {
      SCOPED_TRACE(hit);
      const RECT cell = Cell(w, hit);
      if (want == '-') {
        EXPECT_GE(cell.Left, cell.Right);
        continue;
      }
      ASSERT_LT(cell.Left, cell.Right);
      // A raised face on the caption colour.
      EXPECT_EQ(Px(cell.Left + 1, cell.Top + 1), Bgrx(GetSysColor(COLOR_ACTIVECAPTION)));
      EXPECT_EQ(Px(cell.Left + 4, cell.Bottom - 5), Bgrx(GetSysColor(COLOR_BTNFACE)));
      const RECT dark = Glyph(cell, GetSysColor(COLOR_BTNTEXT)), grey = Glyph(cell, GetSysColor(COLOR_GRAYTEXT));
      EXPECT_EQ(dark.Left < dark.Right, want == 'n');
      EXPECT_EQ(grey.Left < grey.Right, want == 'g');
      glyphs.push_back(want == 'n' ? dark : grey);
    }
    // Each button shows its own glyph: close an X of two-pixel strokes (one
    // column wider than tall), minimize a bar at the bottom, maximize a box.
    if (c.close != '-') EXPECT_EQ(glyphs[0].Right - glyphs[0].Left, glyphs[0].Bottom - glyphs[0].Top + 1);
    if (c.minimize != '-') {
      EXPECT_EQ(glyphs[2].Bottom - glyphs[2].Top, 2);
      EXPECT_EQ(glyphs[2].Bottom, glyphs[1].Bottom);
      EXPECT_GT(glyphs[1].Bottom - glyphs[1].Top, 2);
    }
    DestroyWindow(w);
  }
}

TEST_F(CaptionButtonsTest, MaximizedShowsRestore) {
  HWND w = Make("w", kChildFrame | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, 20, 20, 240, 160, parent);
  Pump();
  const RECT maxCell = Cell(w, HTMAXBUTTON);
  const RECT box = Glyph(maxCell, GetSysColor(COLOR_BTNTEXT));
  // The box's middle is hollow; the restore glyph's front box covers it.
  const int cx = (box.Left + box.Right) / 2, cy = (box.Top + box.Bottom) / 2 + 1;
  EXPECT_EQ(Px(cx, cy), Bgrx(GetSysColor(COLOR_BTNFACE)));
  SetWindowLong(w, GWL_STYLE, GetWindowLong(w, GWL_STYLE) | LONG(WS_MAXIMIZE));
  RedrawWindow(w, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
  Pump();
  Snapshot("caption_buttons_restore");
  const RECT restore = Glyph(maxCell, GetSysColor(COLOR_BTNTEXT));
  EXPECT_EQ(restore.Right - restore.Left, box.Right - box.Left);
  // Two boxes: the back one's corner at the top right, the front one's at the bottom left.
  EXPECT_EQ(Px(restore.Right - 1, restore.Top), Bgrx(GetSysColor(COLOR_BTNTEXT)));
  EXPECT_EQ(Px(restore.Left, restore.Bottom - 1), Bgrx(GetSysColor(COLOR_BTNTEXT)));
  EXPECT_EQ(Px(restore.Left, restore.Top), Bgrx(GetSysColor(COLOR_BTNFACE)));
}

TEST_F(CaptionButtonsTest, AHeldButtonIsSunkUntilTheMouseLeavesOrLetsGo) {
  HWND w = Make("w", kChildFrame | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, 20, 20, 240, 160, parent);
  Pump();
  const RECT cell = Cell(w, HTCLOSE);
  const RECT normal = Glyph(cell, GetSysColor(COLOR_BTNTEXT));
  ASSERT_LT(normal.Left, normal.Right);
  // What the button looks like at each repaint while the mouse holds it.
  std::vector<int> shifts;
  std::vector<std::uint32_t> corners;
  Handle(w, [&](HWND h, UINT m, WPARAM wp, LPARAM lp, bool& handled) -> LRESULT {
    if (m != WM_NCPAINT || GetCapture() != h) return 0;
    handled = true;
    DefWindowProc(h, m, wp, lp);
    shifts.push_back(Glyph(cell, GetSysColor(COLOR_BTNTEXT)).Left - normal.Left);
    corners.push_back(Px(cell.Right - 3, cell.Bottom - 3));
    return 0;
  });
  ClearLog();
  const POINT on{(cell.Left + cell.Right) / 2, (cell.Top + cell.Bottom) / 2};
  InputMouseMove(on);
  InputMouseButton(TMouseButton::mbLeft, true, on);
  InputMouseMove(POINT{on.X - 100, on.Y});
  InputMouseMove(on);
  InputMouseMove(POINT{on.X, on.Y + 60});
  InputMouseButton(TMouseButton::mbLeft, false, POINT{on.X, on.Y + 60});
  Pump();
  // Pressed, left, back, left again (released outside: no command).
  EXPECT_EQ(shifts, (std::vector<int>{1, 0, 1, 0}));
  ASSERT_EQ(corners.size(), 4u);
  EXPECT_NE(corners[0], corners[1]);  // a sunk edge is dark at the top left, light at the bottom right
  EXPECT_EQ(corners[0], corners[2]);
  EXPECT_TRUE(TRecorder::Get().Of(w, WM_SYSCOMMAND).empty());
  EXPECT_EQ(Glyph(cell, GetSysColor(COLOR_BTNTEXT)).Left, normal.Left);
}

TEST_F(CaptionButtonsTest, AGrayedCloseButtonAndAltF4DoNothing) {
  HWND w = Make("w", kChildFrame, 20, 20, 240, 160, parent);
  HWND top = Make("t", WS_POPUP | WS_VISIBLE | WS_SYSMENU, 300, 300, 100, 100);
  Pump();
  EnableMenuItem(GetSystemMenu(w, FALSE), UINT(SC_CLOSE), MF_BYCOMMAND | MF_GRAYED);
  EnableMenuItem(GetSystemMenu(top, FALSE), UINT(SC_CLOSE), MF_BYCOMMAND | MF_GRAYED);
  const RECT cell = Cell(w, HTCLOSE);
  const POINT on{(cell.Left + cell.Right) / 2, (cell.Top + cell.Bottom) / 2};
  ClearLog();
  // A click on w's close button, then Alt+F4 on top.
  auto clickAndAltF4 = [&] {
    InputMouseButton(TMouseButton::mbLeft, true, on);
    InputMouseButton(TMouseButton::mbLeft, false, on);
    Pump();
    SetActiveWindow(top);
    InputKey(VK_MENU, true);
    InputKey(VK_F4, true);
    InputKey(VK_F4, false);
    InputKey(VK_MENU, false);
    Pump();
  };
  clickAndAltF4();
  EXPECT_TRUE(TRecorder::Get().Of(w, WM_SYSCOMMAND).empty());
  EXPECT_TRUE(IsWindow(w));
  EXPECT_TRUE(IsWindow(top));
  // Turned on again, both close (the clock moves on: no double click).
  clock.Advance(2000);
  EnableMenuItem(GetSystemMenu(w, FALSE), UINT(SC_CLOSE), MF_BYCOMMAND | MF_ENABLED);
  EnableMenuItem(GetSystemMenu(top, FALSE), UINT(SC_CLOSE), MF_BYCOMMAND | MF_ENABLED);
  clickAndAltF4();
  EXPECT_FALSE(IsWindow(w));
  EXPECT_FALSE(IsWindow(top));
}

}  // namespace
