#include "platform/user/nonclient/SystemMenu.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/rtl/HandleTable.h"
#include "platform/user/input/Input.h"
#include "platform/user/input/MessageQueue.h"
#include "platform/user/windows/Window.h"
#include "platform/user/windows/WindowInternal.h"
#include "platform/rtl/StockTexts.h"

struct TMenuItemData {
  UINT id = 0;
  UINT state = 0;  // MF_GRAYED, MF_DISABLED, MF_CHECKED, MF_SEPARATOR, MF_DEFAULT
  std::string text;
};

struct TMenuData {
  TMenuData();
  ~TMenuData();
  TMenuData(const TMenuData&) = delete;
  TMenuData& operator=(const TMenuData&) = delete;
  std::vector<TMenuItemData> items;
  HMENU handle = nullptr;
};

namespace {

constexpr unsigned kMenuHandleKind = 5;

THandleTable& Menus() {
  static THandleTable* menus = new THandleTable(kMenuHandleKind);
  return *menus;
}

TWindowMenuTracker& Tracker() {
  static TWindowMenuTracker tracker;
  return tracker;
}

TMenuData* MenuOf(HMENU h) {
  return static_cast<TMenuData*>(Menus().Find(HandleBits(h)));
}

// The index of an item named by command or position, or -1.
int Find(const TMenuData* m, UINT item, UINT flags) {
  if (flags & MF_BYPOSITION) return item < m->items.size() ? int(item) : -1;
  for (std::size_t i = 0; i < m->items.size(); ++i)
    if (!(m->items[i].state & MF_SEPARATOR) && m->items[i].id == item) return int(i);
  return -1;
}

constexpr UINT kStateBits = MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_SEPARATOR | MF_DEFAULT;

void Fill(TMenuData& m, const WND* w) {
  const bool boxes = (w->style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) != 0;
  const bool sizing = (w->style & WS_THICKFRAME) != 0;
  auto add = [&](UINT id, const char* text, UINT state = 0) {
    m.items.push_back(TMenuItemData{id, state, *text ? StockText(text) : std::string()});
  };
  // A window without minimize and maximize boxes (a dialog) is only moved,
  // sized when its frame sizes, and closed.
  if (boxes) add(UINT(SC_RESTORE), "&Restore");
  add(UINT(SC_MOVE), "&Move");
  if (boxes || sizing) add(UINT(SC_SIZE), "&Size");
  if (boxes) {
    add(UINT(SC_MINIMIZE), "Mi&nimize");
    add(UINT(SC_MAXIMIZE), "Ma&ximize");
  }
  add(0, "", MF_SEPARATOR);
  const UINT close = MF_DEFAULT | ((w->cls->wc.style & CS_NOCLOSE) ? MF_GRAYED : 0);
  // An MDI child closes and hands on with the document keys.
  if (w->exStyle & WS_EX_MDICHILD) {
    add(UINT(SC_CLOSE), "&Close\tCtrl+F4", close);
    add(0, "", MF_SEPARATOR);
    add(UINT(SC_NEXTWINDOW), "Nex&t\tCtrl+F6");
  } else {
    add(UINT(SC_CLOSE), "&Close\tAlt+F4", close);
  }
}

void SetEnabled(TMenuData& m, WPARAM command, bool enabled) {
  int i = Find(&m, UINT(command), MF_BYCOMMAND);
  if (i < 0) return;
  UINT& state = m.items[std::size_t(i)].state;
  state = enabled ? state & ~(MF_GRAYED | MF_DISABLED) : state | MF_GRAYED;
}

// The window commands that make sense in the window's state; Close keeps
// what the program set, as it is the one programs turn off.
void UpdateStates(TMenuData& m, const WND* w) {
  const bool max = (w->style & WS_MAXIMIZE) != 0, min = (w->style & WS_MINIMIZE) != 0;
  SetEnabled(m, SC_RESTORE, max || min);
  SetEnabled(m, SC_MOVE, !max);
  SetEnabled(m, SC_SIZE, (w->style & WS_THICKFRAME) && !max && !min);
  SetEnabled(m, SC_MINIMIZE, (w->style & WS_MINIMIZEBOX) && !min);
  SetEnabled(m, SC_MAXIMIZE, (w->style & WS_MAXIMIZEBOX) && !max);
}

}  // namespace

TMenuData::TMenuData() : handle(HandleValue<void>(Menus().Add(this))) {}
TMenuData::~TMenuData() { Menus().Remove(HandleBits(handle)); }

HMENU GetSystemMenu(HWND hwnd, BOOL revert) {
  WND* w = LiveWindow(hwnd);
  if (!w) return nullptr;
  if (revert) {
    w->sysMenu.reset();
    return nullptr;
  }
  if (!w->sysMenu) {
    w->sysMenu = std::make_shared<TMenuData>();
    Fill(*w->sysMenu, w);
  }
  return w->sysMenu->handle;
}

BOOL IsMenu(HMENU menu) { return MenuOf(menu) != nullptr; }

int GetMenuItemCount(HMENU menu) {
  const TMenuData* m = MenuOf(menu);
  return m ? int(m->items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int pos) {
  const TMenuData* m = MenuOf(menu);
  if (!m || pos < 0 || std::size_t(pos) >= m->items.size()) return UINT(-1);
  return m->items[std::size_t(pos)].id;
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) {
  const TMenuData* m = MenuOf(menu);
  int i = m ? Find(m, item, flags) : -1;
  return i < 0 ? UINT(-1) : m->items[std::size_t(i)].state & kStateBits;
}

int GetMenuString(HMENU menu, UINT item, char* text, int max, UINT flags) {
  const TMenuData* m = MenuOf(menu);
  int i = m ? Find(m, item, flags) : -1;
  if (i < 0) return 0;
  const std::string& s = m->items[std::size_t(i)].text;
  if (!text || max <= 0) return int(s.size());
  std::size_t n = std::min(s.size(), std::size_t(max - 1));
  std::memcpy(text, s.data(), n);
  text[n] = 0;
  return int(n);
}

BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable) {
  TMenuData* m = MenuOf(menu);
  int i = m ? Find(m, item, enable) : -1;
  if (i < 0) return -1;
  UINT& state = m->items[std::size_t(i)].state;
  BOOL previous = BOOL(state & (MF_GRAYED | MF_DISABLED));
  state = (state & ~(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
  return previous;
}

BOOL RemoveMenu(HMENU menu, UINT item, UINT flags) {
  TMenuData* m = MenuOf(menu);
  int i = m ? Find(m, item, flags) : -1;
  if (i < 0) return FALSE;
  m->items.erase(m->items.begin() + i);
  return TRUE;
}

BOOL DeleteMenu(HMENU menu, UINT item, UINT flags) { return RemoveMenu(menu, item, flags); }

BOOL InsertMenu(HMENU menu, UINT before, UINT flags, UINT_PTR id, const char* text) {
  TMenuData* m = MenuOf(menu);
  if (!m || (flags & (MF_POPUP | MF_OWNERDRAW))) return FALSE;
  int at = Find(m, before, flags);
  if (at < 0) at = int(m->items.size());
  TMenuItemData d;
  d.state = flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_SEPARATOR);
  if (!(flags & MF_SEPARATOR)) {
    d.id = UINT(id & 0xFFFF);
    d.text = text ? text : "";
  }
  m->items.insert(m->items.begin() + at, std::move(d));
  return TRUE;
}

BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR id, const char* text) {
  return InsertMenu(menu, UINT(-1), flags | MF_BYPOSITION, id, text);
}

bool WindowCommandEnabled(WND* w, WPARAM command) {
  if (w->sysMenu) {
    UINT state = GetMenuState(w->sysMenu->handle, UINT(command), MF_BYCOMMAND);
    if (state != UINT(-1)) return !(state & (MF_GRAYED | MF_DISABLED));
  }
  return command != SC_CLOSE || !(w->cls->wc.style & CS_NOCLOSE);
}

void SetWindowMenuTracker(TWindowMenuTracker tracker) { Tracker() = std::move(tracker); }

void OpenWindowMenu(WND* w, bool byKeyboard) {
  if (!IsLive(w) || !(w->style & WS_SYSMENU)) return;
  TWindowPin pin(w);
  HMENU menu = GetSystemMenu(HandleOf(w), FALSE);
  // Kept alive for the loop: the program may revert or replace the menu meanwhile.
  std::shared_ptr<TMenuData> keep = w->sysMenu;
  UpdateStates(*keep, w);
  // The loop is entered before the menu is prepared, as a menu bar's is
  // (wParam FALSE: not a TrackPopupMenu), and left after it closed.
  SendMessage(HandleOf(w), WM_ENTERMENULOOP, FALSE, 0);
  if (w->dead) return;
  UINT command = 0;
  SendMessage(HandleOf(w), WM_INITMENU, reinterpret_cast<WPARAM>(menu), 0);
  if (!w->dead && IsMenu(menu)) SendMessage(HandleOf(w), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(0, TRUE));
  if (!w->dead && IsMenu(menu) && Tracker()) {
    TWindowMenuTracker tracker = Tracker();
    command = tracker(HandleOf(w), menu, WindowMenuAnchor(w), byKeyboard);
  }
  if (w->dead) return;
  SendMessage(HandleOf(w), WM_EXITMENULOOP, FALSE, 0);
  if (!command || w->dead) return;
  // A command goes out only once the menu has closed, as any chosen item's.
  POINT pt{};
  if (!byKeyboard) GetCursorPos(&pt);
  PostMessage(HandleOf(w), WM_SYSCOMMAND, WPARAM(command), byKeyboard ? 0 : PointToLParam(pt));
}
