// The plain menu bar a form draws for its Menu in its non-client area,
// above the client: WM_NCCALCSIZE takes the bar's height (rows wrap when
// the items do not fit), WM_NCPAINT draws it, WM_NCHITTEST answers HTMENU
// over it, a press on it or Alt/F10 (SC_KEYMENU) or Alt+accelerator starts
// the menu loop (MenuWindow.h). The chosen command is posted to the form
// as WM_COMMAND(Command, 0), which the form hands to Menu->DispatchCommand.
#pragma once
#include <string>
#include <vector>

#include "platform/rtl/Types.h"
#include "platform/ui/system/UiMessages.h"
#include "platform/user/UserTypes.h"

class TCustomForm;
class TMainMenu;
class TMenuItem;

struct TMenuBarItem {
  int Index;   // into the root's items
  TRect Rect;  // window coordinates
};

// The bar's items for a bar Width pixels wide starting at (Left, Top) in
// window coordinates, and its height (0 without shown items).
std::vector<TMenuBarItem> LayoutMenuBar(TMenuItem* Root, int Left, int Top, int Width, int* Height);
// The bar rectangle of a form's window (window coordinates); empty without a bar.
TRect MenuBarRect(HWND Form, TMenuItem* Root);
std::vector<TMenuBarItem> MenuBarItems(HWND Form, TMenuItem* Root);
// Draws the bar now (through the window DC).
void PaintMenuBar(HWND Form, TMenuItem* Root);

// ---- The form's hooks (Forms.cpp) --------------------------------------------------------
// After the default WM_NCCALCSIZE: moves the client's top below the bar.
void MenuBarNcCalcSize(TCustomForm* Form, TMessage& Message);
// WM_NCHITTEST: true (Result HTMENU) over the bar.
bool MenuBarNcHitTest(TCustomForm* Form, TMessage& Message);
// After the default WM_NCPAINT and WM_NCACTIVATE: draws the bar.
void MenuBarNcPaint(TCustomForm* Form);
// WM_NCLBUTTONDOWN on HTMENU: tracks the bar from the item pressed.
void MenuBarMouseDown(TCustomForm* Form, TPoint Screen);
// WM_NCLBUTTONDBLCLK on HTMENU: true when it was on a merged MDI child's icon,
// which the child takes as a double click on its own icon.
bool MenuBarDoubleClick(TCustomForm* Form, TPoint Screen);
// SC_KEYMENU (Character 0: Alt or F10) and Alt+character: true when the bar took it.
bool MenuBarKeyMenu(TCustomForm* Form, const std::string& Character);
// SC_KEYMENU with Alt+Space, or Alt+- on a maximized MDI child: true when
// the window menu opened as part of the bar's keyboard ring.
bool MenuBarWindowMenuKey(TCustomForm* Form, LPARAM Character);
// A form's Menu changed, or the menu's items did: the frame is recomputed.
void MenuBarChanged(TCustomForm* Form);
// TMainMenu's change hook: every form showing Menu follows.
void MainMenuChanged(TMainMenu* Menu);
