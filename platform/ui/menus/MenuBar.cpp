#include "platform/ui/menus/MenuBar.h"

#include <algorithm>
#include <utility>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/ui/controls/ClassicDraw.h"
#include "platform/ui/forms/Forms.h"
#include "platform/ui/menus/MenuWindow.h"
#include "platform/ui/menus/Menus.h"
#include "platform/ui/forms/Screen.h"
#include "platform/user/User.h"
#include "platform/user/nonclient/ButtonTrack.h"

namespace {

constexpr int kBarPad = 6;
constexpr UINT kBarTextFlags = DT_SINGLELINE | DT_VCENTER | DT_CENTER;

// Only a top-level form draws a bar.
TMenuItem* RootOf(TCustomForm* form) {
  if (!form || !form->Menu() || form->Parent() || form->FormStyle() == fsMDIChild) return nullptr;
  // A menu being freed has let go of its items before the form hears of it.
  if (form->Menu()->ComponentState() & csDestroying) return nullptr;
  return form->Menu()->Items();
}

void PostCommand(HWND form, Word command) {
  if (command && IsWindow(form)) PostMessage(form, WM_COMMAND, MAKEWPARAM(int(command), 0), 0);
}

int BarRowHeight() { return std::max(GetSystemMetrics(SM_CYMENU), MenuRowHeight()); }

// A maximized MDI child's caption merged into the frame's bar: its icon
// before the items, its minimize, restore and close buttons at the right
// end of the first row.
struct TBarCaption {
  TCustomForm* child = nullptr;
  int icon = 0;    // the icon cell's width
  int button = 0;  // each button cell's width
  int Reserved() const { return icon + 3 * button; }
};

TBarCaption BarCaptionOf(HWND form) {
  TBarCaption c;
  auto* f = dynamic_cast<TCustomForm*>(FindControl(form));
  c.child = f ? MergedMDIChild(f) : nullptr;
  if (c.child) {
    c.icon = GetSystemMetrics(SM_CXSMICON) + 4;
    c.button = BarRowHeight();
  }
  return c;
}

struct TBarCell {
  int hit;  // HTSYSMENU, HTMINBUTTON, HTMAXBUTTON or HTCLOSE
  TRect rect;  // window coordinates
};

std::vector<TBarCell> BarCaptionCells(const TBarCaption& c, const TRect& bar) {
  if (!c.child) return {};
  const int h = BarRowHeight();
  const int right = bar.Right;
  return {TBarCell{HTSYSMENU, TRect{bar.Left, bar.Top, bar.Left + c.icon, bar.Top + h}},
          TBarCell{HTMINBUTTON, TRect{right - 3 * c.button, bar.Top, right - 2 * c.button, bar.Top + h}},
          TBarCell{HTMAXBUTTON, TRect{right - 2 * c.button, bar.Top, right - c.button, bar.Top + h}},
          TBarCell{HTCLOSE, TRect{right - c.button, bar.Top, right, bar.Top + h}}};
}

// The bar's height for a bar Width pixels wide, with room for a merged caption.
int BarHeight(HWND form, TMenuItem* root, int width) {
  const TBarCaption c = BarCaptionOf(form);
  int height = 0;
  LayoutMenuBar(root, 0, 0, width - c.Reserved(), &height);
  if (c.child) height = std::max(height, BarRowHeight());
  return height;
}

// The merged button the mouse holds down, drawn sunk.
HWND g_pressedForm = nullptr;
int g_pressedHit = 0;

void DrawBarCaption(HDC dc, const TBarCaption& c, const TRect& bar, HWND form) {
  for (const TBarCell& cell : BarCaptionCells(c, bar)) {
    if (cell.hit == HTSYSMENU) {
      HICON icon = reinterpret_cast<HICON>(SendMessage(c.child->Handle(), WM_GETICON, ICON_SMALL2, 0));
      if (!icon) icon = LoadIcon(nullptr, MAKEINTRESOURCE(IDI_APPLICATION));
      const int size = GetSystemMetrics(SM_CXSMICON);
      if (icon)
        DrawIconEx(dc, cell.rect.Left + 2, cell.rect.Top + (cell.rect.Height() - size) / 2, icon, size, size, 0,
                   nullptr, DI_NORMAL);
      continue;
    }
    RECT face{cell.rect.Left + 1, cell.rect.Top + 2, cell.rect.Right - 1, cell.rect.Bottom - 2};
    UINT state = cell.hit == HTCLOSE ? DFCS_CAPTIONCLOSE : cell.hit == HTMINBUTTON ? DFCS_CAPTIONMIN : DFCS_CAPTIONRESTORE;
    if (g_pressedForm == form && g_pressedHit == cell.hit) state |= DFCS_PUSHED;
    const LONG style = GetWindowLong(c.child->Handle(), GWL_STYLE);
    const bool enabled =
        cell.hit == HTCLOSE ? !(GetMenuState(GetSystemMenu(c.child->Handle(), FALSE), UINT(SC_CLOSE), MF_BYCOMMAND) &
                                (MF_GRAYED | MF_DISABLED))
                            : (style & (cell.hit == HTMINBUTTON ? WS_MINIMIZEBOX : WS_MAXIMIZEBOX)) != 0;
    if (!enabled) state |= DFCS_INACTIVE;
    DrawFrameControl(dc, &face, DFC_CAPTION, state);
  }
}

int BarCaptionHit(HWND form, TMenuItem* root, POINT screen) {
  const TBarCaption c = BarCaptionOf(form);
  if (!c.child) return 0;
  RECT wr{};
  GetWindowRect(form, &wr);
  const TPoint p{screen.X - wr.Left, screen.Y - wr.Top};
  for (const TBarCell& cell : BarCaptionCells(c, MenuBarRect(form, root)))
    if (cell.rect.Contains(p)) return cell.hit;
  return 0;
}

// Holds a merged button down until the mouse lets go: true when it let go over it.
bool TrackBarButton(HWND form, TMenuItem* root, int hit) {
  return TrackButtonPress(
      form, [&](POINT pt) { return BarCaptionHit(form, root, pt) == hit; },
      [&](bool pressed) {
        g_pressedForm = pressed ? form : nullptr;
        g_pressedHit = pressed ? hit : 0;
        if (IsWindow(form)) PaintMenuBar(form, root);
      }) != FALSE;
}

// From the keyboard the bar and the window menus form one ring, as on
// Windows: the frame's window menu, a merged MDI child's, then the bar's
// menus; Left and Right past the ends of one open the next.
enum TRingStart { kRingBar, kRingChildMenu, kRingFrameMenu };
bool g_ringRunning = false;  // its own window menus open the plain way

void RunKeyboardMenus(HWND form, TMenuItem* root, int open, TRingStart start = kRingBar) {
  enum { kBar, kChildMenu, kFrameMenu } at = start == kRingBar ? kBar : start == kRingChildMenu ? kChildMenu : kFrameMenu;
  const bool outer = !std::exchange(g_ringRunning, true);
  struct TRingEnd {
    bool outer;
    ~TRingEnd() {
      if (outer) g_ringRunning = false;
    }
  } end{outer};
  auto mergedChild = [form]() -> HWND {
    TCustomForm* c = BarCaptionOf(form).child;
    return c ? c->Handle() : nullptr;
  };
  auto barEnd = [form, root](bool last) {
    std::vector<TMenuBarItem> items = MenuBarItems(form, root);
    return items.empty() ? -1 : last ? items.back().Index : items.front().Index;
  };
  const bool ring = (GetWindowLong(form, GWL_STYLE) & WS_SYSMENU) != 0;
  for (int hops = 0; hops < 64 && IsWindow(form); ++hops) {
    if (ring) ArmMenuChain();
    int leave = 0;
    if (at == kBar) {
      const Word command = TrackMenuBar(form, root, open, true);
      leave = TakeMenuChainLeave();
      if (command) {
        PostCommand(form, command);
        return;
      }
      if (!leave || !IsWindow(form)) return;
      at = leave < 0 && mergedChild() ? kChildMenu : kFrameMenu;
      continue;
    }
    if (at == kChildMenu) {
      HWND child = mergedChild();
      if (!child) return;
      SendMessage(child, WM_SYSCOMMAND, SC_KEYMENU, LPARAM('-'));
    } else {
      SendMessage(form, WM_SYSCOMMAND, SC_KEYMENU, LPARAM(' '));
    }
    leave = TakeMenuChainLeave();
    if (!leave || !IsWindow(form) || RootOf(dynamic_cast<TCustomForm*>(FindControl(form))) != root) return;
    if (at == kChildMenu) {
      at = leave > 0 ? kBar : kFrameMenu;
      open = barEnd(false);
    } else if (leave > 0 && mergedChild()) {
      at = kChildMenu;
    } else {
      at = kBar;
      open = barEnd(leave < 0);
    }
    if (at == kBar && open < 0) return;
  }
}

}  // namespace

std::vector<TMenuBarItem> LayoutMenuBar(TMenuItem* Root, int Left, int Top, int Width, int* Height) {
  std::vector<TMenuBarItem> out;
  if (Height) *Height = 0;
  if (!Root) return out;
  TFont* font = Screen->MenuFont();
  int rowHeight = std::max(GetSystemMetrics(SM_CYMENU), MenuRowHeight());
  int x = Left, y = Top;
  for (int i : Root->ShownIndexes()) {
    TMenuItem* item = Root->Items(i);
    if (item->IsLine()) continue;
    int w = MeasureClassicText(font, item->Caption(), TRect{0, 0, 10000, 1000}, kBarTextFlags).Width() + 2 * kBarPad;
    // A row wraps when the next item does not fit (a row always takes one item).
    if (x > Left && x + w > Left + Width) {
      x = Left;
      y += rowHeight;
    }
    out.push_back(TMenuBarItem{i, TRect{x, y, x + w, y + rowHeight}});
    x += w;
  }
  if (Height && !out.empty()) *Height = y + rowHeight - Top;
  return out;
}

TRect MenuBarRect(HWND Form, TMenuItem* Root) {
  if (!Root || !IsWindow(Form)) return TRect{};
  RECT wr{}, cr{};
  GetWindowRect(Form, &wr);
  GetClientRect(Form, &cr);
  POINT origin{0, 0};
  ClientToScreen(Form, &origin);
  int left = origin.X - wr.Left, top = origin.Y - wr.Top;
  const int height = BarHeight(Form, Root, cr.Width());
  if (height == 0) return TRect{};
  return TRect{left, top - height, left + cr.Width(), top};
}

std::vector<TMenuBarItem> MenuBarItems(HWND Form, TMenuItem* Root) {
  TRect r = MenuBarRect(Form, Root);
  if (r.Width() <= 0 || r.Height() <= 0) return {};
  const TBarCaption c = BarCaptionOf(Form);
  return LayoutMenuBar(Root, r.Left + c.icon, r.Top, r.Width() - c.Reserved(), nullptr);
}

void PaintMenuBar(HWND Form, TMenuItem* Root) {
  TRect bar = MenuBarRect(Form, Root);
  if (bar.Width() <= 0 || bar.Height() <= 0) return;
  HDC dc = GetWindowDC(Form);
  if (!dc) return;
  FillSolid(dc, bar, clMenu);
  bool open = false;
  int hot = MenuBarHotIndex(Form, &open);
  TFont* font = Screen->MenuFont();
  DrawBarCaption(dc, BarCaptionOf(Form), bar, Form);
  for (const TMenuBarItem& b : MenuBarItems(Form, Root)) {
    TMenuItem* item = Root->Items(b.Index);
    bool isHot = b.Index == hot;
    if (isHot) FillSolid(dc, b.Rect, clHighlight);
    TRect tr = b.Rect;
    DrawClassicText(dc, font, isHot ? clHighlightText : clMenuText, item->Caption(), tr, kBarTextFlags,
                    item->Enabled() || isHot);
  }
  ReleaseDC(Form, dc);
}

void MenuBarNcCalcSize(TCustomForm* Form, TMessage& Message) {
  TMenuItem* root = RootOf(Form);
  if (!root) return;
  RECT* r = Message.WParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(Message.LParam)->rgrc[0]
                           : reinterpret_cast<RECT*>(Message.LParam);
  if (!r || !Form->HandleAllocated()) return;
  const int height = BarHeight(Form->Handle(), root, r->Width());
  r->Top = std::min(r->Top + height, r->Bottom);
}

bool MenuBarNcHitTest(TCustomForm* Form, TMessage& Message) {
  TMenuItem* root = RootOf(Form);
  if (!root || !Form->HandleAllocated()) return false;
  HWND h = Form->Handle();
  TRect bar = MenuBarRect(h, root);
  RECT wr{};
  GetWindowRect(h, &wr);
  TPoint p = LParamToPoint(Message.LParam);
  if (!TRect{bar.Left + wr.Left, bar.Top + wr.Top, bar.Right + wr.Left, bar.Bottom + wr.Top}.Contains(p)) return false;
  Message.Result = HTMENU;
  return true;
}

void MenuBarMouseDown(TCustomForm* Form, TPoint Screen) {
  TMenuItem* root = RootOf(Form);
  if (!root || MenuLoopActive()) return;
  HWND h = Form->Handle();
  // The merged caption of a maximized MDI child: its window menu and buttons.
  if (const int hit = BarCaptionHit(h, root, POINT{Screen.X, Screen.Y})) {
    HWND child = BarCaptionOf(h).child->Handle();
    if (hit == HTSYSMENU) {
      SendMessage(child, WM_SYSCOMMAND, SC_MOUSEMENU | WPARAM(HTSYSMENU), PointToLParam(POINT{Screen.X, Screen.Y}));
    } else if (TrackBarButton(h, root, hit) && IsWindow(child)) {
      const WPARAM command = hit == HTCLOSE ? SC_CLOSE : hit == HTMINBUTTON ? SC_MINIMIZE : SC_RESTORE;
      SendMessage(child, WM_SYSCOMMAND, command, 0);
    }
    return;
  }
  RECT wr{};
  GetWindowRect(h, &wr);
  for (const TMenuBarItem& b : MenuBarItems(h, root)) {
    TRect r{b.Rect.Left + wr.Left, b.Rect.Top + wr.Top, b.Rect.Right + wr.Left, b.Rect.Bottom + wr.Top};
    if (r.Contains(Screen)) {
      PostCommand(h, TrackMenuBar(h, root, b.Index, false));
      return;
    }
  }
}

bool MenuBarDoubleClick(TCustomForm* Form, TPoint Screen) {
  TMenuItem* root = RootOf(Form);
  if (!root || MenuLoopActive() || !Form->HandleAllocated()) return false;
  HWND h = Form->Handle();
  if (BarCaptionHit(h, root, POINT{Screen.X, Screen.Y}) != HTSYSMENU) return false;
  // The child's own rules apply: no window menu or a disabled Close keeps it.
  SendMessage(BarCaptionOf(h).child->Handle(), WM_NCLBUTTONDBLCLK, WPARAM(HTSYSMENU),
              PointToLParam(POINT{Screen.X, Screen.Y}));
  return true;
}

bool MenuBarKeyMenu(TCustomForm* Form, const std::string& Character) {
  TMenuItem* root = RootOf(Form);
  if (!root || MenuLoopActive() || !Form->HandleAllocated()) return false;
  HWND h = Form->Handle();
  std::vector<TMenuBarItem> items = MenuBarItems(h, root);
  if (items.empty()) return false;
  int open = -1;
  if (!Character.empty()) {
    for (const TMenuBarItem& b : items)
      if (IsHotkey(Character, root->Items(b.Index)->Caption())) {
        open = b.Index;
        break;
      }
    if (open < 0) return false;
  }
  RunKeyboardMenus(h, root, open);
  return true;
}

bool MenuBarWindowMenuKey(TCustomForm* Form, LPARAM Character) {
  if (g_ringRunning || MenuLoopActive() || !Form || !Form->HandleAllocated()) return false;
  TCustomForm* frame = Form;
  if (Character == LPARAM('-')) {
    // A maximized MDI child's menu sits on its frame's bar.
    if (Form->FormStyle() != fsMDIChild) return false;
    frame = dynamic_cast<TCustomForm*>(FindControl(GetParent(GetParent(Form->Handle()))));
    if (!frame || MergedMDIChild(frame) != Form) return false;
  } else if (Character != LPARAM(' ')) {
    return false;
  }
  TMenuItem* root = RootOf(frame);
  if (!root || !frame->HandleAllocated() || !(GetWindowLong(frame->Handle(), GWL_STYLE) & WS_SYSMENU)) return false;
  RunKeyboardMenus(frame->Handle(), root, -1, Character == LPARAM('-') ? kRingChildMenu : kRingFrameMenu);
  return true;
}

void MenuBarNcPaint(TCustomForm* Form) {
  if (TMenuItem* root = RootOf(Form); root && Form->HandleAllocated()) PaintMenuBar(Form->Handle(), root);
}

void MenuBarChanged(TCustomForm* Form) {
  if (!Form || !Form->HandleAllocated()) return;
  SetWindowPos(Form->Handle(), nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  if (TMenuItem* root = RootOf(Form)) PaintMenuBar(Form->Handle(), root);
}

void MainMenuChanged(TMainMenu* Menu) {
  if (!Screen) return;
  for (int i = 0; i < Screen->CustomFormCount(); ++i) {
    TCustomForm* f = Screen->CustomForms(i);
    if (f && f->Menu() == Menu) MenuBarChanged(f);
  }
}
