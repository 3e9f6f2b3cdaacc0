#include "platform/ui/menus/MenuBar.h"

#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/ui/controls/ClassicDraw.h"
#include "platform/ui/forms/Forms.h"
#include "platform/ui/menus/MenuWindow.h"
#include "platform/ui/menus/Menus.h"
#include "platform/ui/forms/Screen.h"
#include "platform/user/User.h"

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
  int height = 0;
  LayoutMenuBar(Root, left, 0, cr.Width(), &height);
  if (height == 0) return TRect{};
  return TRect{left, top - height, left + cr.Width(), top};
}

std::vector<TMenuBarItem> MenuBarItems(HWND Form, TMenuItem* Root) {
  TRect r = MenuBarRect(Form, Root);
  if (r.Width() <= 0 || r.Height() <= 0) return {};
  return LayoutMenuBar(Root, r.Left, r.Top, r.Width(), nullptr);
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
  for (const TMenuBarItem& b : LayoutMenuBar(Root, bar.Left, bar.Top, bar.Width(), nullptr)) {
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
  if (!r) return;
  int height = 0;
  LayoutMenuBar(root, 0, 0, r->Width(), &height);
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
  PostCommand(h, TrackMenuBar(h, root, open, true));
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
