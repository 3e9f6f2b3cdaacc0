#include "platform/user/windows/Window.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "platform/gdi/Gdi.h"
#include "platform/rtl/HandleTable.h"
#include "platform/user/input/Focus.h"
#include "platform/user/input/Input.h"
#include "platform/user/input/MessageQueue.h"
#include "platform/user/paint/Paint.h"
#include "platform/user/windows/WindowClass.h"
#include "platform/user/windows/WindowInternal.h"
#include "platform/user/windows/WindowPos.h"

namespace {

// Live windows and their serials; the lock lets other threads post safely.
std::unordered_map<const WND*, std::uint64_t>& Live() {
  static std::unordered_map<const WND*, std::uint64_t> live;
  return live;
}
std::mutex g_liveLock;
std::uint64_t g_nextSerial = 1;

constexpr unsigned kWindowHandleKind = 12;
THandleTable& WindowTable() {
  static THandleTable* table = new THandleTable(kWindowHandleKind);
  return *table;
}

constexpr int DefaultWidth = 640;
constexpr int DefaultHeight = 480;

void SendParentNotifyCreateDestroy(WND* w, UINT event) {
  // Walks up while each window lets its parent know; stops at one that
  // opted out with WS_EX_NOPARENTNOTIFY.
  WND* child = w;
  while (child && child->IsChild() && !(child->exStyle & WS_EX_NOPARENTNOTIFY)) {
    WND* parent = child->parent;
    TWindowPin pin(parent);
    SendMessage(HandleOf(parent), WM_PARENTNOTIFY, MAKEWPARAM(int(event), int(w->id)), reinterpret_cast<LPARAM>(HandleOf(w)));
    if (!IsLive(parent)) break;
    child = parent;
  }
}

void SendDestroyMessages(WND* w) {
  w->destroying = true;
  CallProc(w, WM_DESTROY, 0, 0);
  std::vector<WND*> kids = w->children;
  for (WND* c : kids)
    if (IsLive(c) && !c->dead) SendDestroyMessages(c);
}

void FreeWindowTree(WND* w) {
  std::vector<WND*> kids = w->children;
  for (WND* c : kids)
    if (IsLive(c)) FreeWindowTree(c);
  {
    TWindowPin pin(w);
    CallProc(w, WM_NCDESTROY, 0, 0);
  }
  KillWindowTimers(w);
  w->sysMenu.reset();
  DropPostedMessagesFor(w);
  ForgetInputWindow(w);
  FocusWindowGone(w);
  ForgetWindowDCs(w);
  auto& sibs = SiblingList(w);
  sibs.erase(std::remove(sibs.begin(), sibs.end(), w), sibs.end());
  for (WND* t : TopLevelWindows())
    if (t->owner == w) t->owner = nullptr;
  if (w->region) DeleteObject(w->region);
  w->region = nullptr;
  if (w->native && CurrentDisplay()) CurrentDisplay()->DestroyNativeWindow(w->native);
  w->native = 0;
  w->cls->windows--;
  {
    std::lock_guard<std::mutex> lock(g_liveLock);
    Live().erase(w);
    WindowTable().Remove(HandleBits(w->handle));
  }
  w->dead = true;
  if (w->refs == 0) ReleaseWindowMemory(w);
}

}  // namespace

TWindowPin::TWindowPin(WND* w) : w_(w) {
  if (w_) w_->refs++;
}
TWindowPin::~TWindowPin() {
  if (w_ && --w_->refs == 0 && w_->dead) ReleaseWindowMemory(w_);
}

void ReleaseWindowMemory(WND* w) { delete w; }

std::uint64_t WindowSerial(HWND h) {
  std::lock_guard<std::mutex> lock(g_liveLock);
  auto* w = static_cast<const WND*>(WindowTable().Find(HandleBits(h)));
  auto it = w ? Live().find(w) : Live().end();
  return it == Live().end() ? 0 : it->second;
}

bool IsLive(const WND* w) { return w && Live().count(w) != 0; }

WND* LiveWnd(HWND h) { return h ? static_cast<WND*>(WindowTable().Find(HandleBits(h))) : nullptr; }

WND* LiveWindow(HWND h) {
  WND* w = LiveWnd(h);
  if (!w) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return w;
}

std::vector<WND*>& TopLevelWindows() {
  static std::vector<WND*> tops;
  return tops;
}

std::vector<WND*>& SiblingList(WND* w) { return w->IsChild() ? w->parent->children : TopLevelWindows(); }

WND* TopLevelOf(WND* w) {
  while (w && w->IsChild()) w = w->parent;
  return w;
}

bool IsReallyVisible(const WND* w) {
  for (; w; w = w->IsChild() ? w->parent : nullptr)
    if (!(w->style & WS_VISIBLE)) return false;
  return true;
}

HWND CreateWindowEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x, int y,
                    int width, int height, HWND parentHandle, HMENU menuOrId, HINSTANCE instance, void* param) {
  if (!MainThreadCheck()) return nullptr;
  InstallWakeHook();
  auto cls = FindWindowClass(className);
  if (!cls) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  WND* parent = nullptr;
  if (parentHandle && parentHandle != HWND_MESSAGE) {
    parent = LiveWindow(parentHandle);
    if (!parent) return nullptr;
  }
  if ((style & WS_CHILD) && !parent) {
    SetLastError(ERROR_TLW_WITH_WSCHILD);
    return nullptr;
  }
  if (x == CW_USEDEFAULT) x = y = 0;
  if (width == CW_USEDEFAULT) {
    width = DefaultWidth;
    height = DefaultHeight;
  }

  WND* w = new WND;
  w->cls = cls;
  cls->windows++;
  w->style = style & ~WS_VISIBLE;
  if (!(style & WS_CHILD)) w->style |= WS_CLIPSIBLINGS;
  w->exStyle = exStyle;
  w->proc = cls->wc.lpfnWndProc;
  w->instance = instance;
  w->text = windowName ? windowName : "";
  if (cls->wc.cbWndExtra > 0)
    w->extra.assign((std::size_t(cls->wc.cbWndExtra) + sizeof(LONG_PTR) - 1) / sizeof(LONG_PTR), 0);
  if (style & WS_CHILD) {
    w->parent = parent;
    w->id = reinterpret_cast<LONG_PTR>(menuOrId);
  } else if (parent) {
    w->owner = TopLevelOf(parent);
  }
  w->rect = Bounds(x, y, std::max(0, width), std::max(0, height));
  w->client = w->rect;
  w->creating = true;
  {
    std::lock_guard<std::mutex> lock(g_liveLock);
    w->handle = HandleValue<HWND__>(WindowTable().Add(w));
    if (!w->handle) {
      cls->windows--;
      delete w;
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    w->serial = g_nextSerial++;
    Live()[w] = w->serial;
  }
  // A new child starts below its siblings, a new top-level window above.
  ZOrderInsert(w, w->IsChild() ? HWND_BOTTOM : (exStyle & WS_EX_TOPMOST) ? HWND_TOPMOST : HWND_TOP);
  if (!w->IsChild()) {
    EnsureSurface(w);
    // Message-only windows never show, so they get no native window that a
    // window manager could be asked about.
    if (TDisplay* d = parentHandle == HWND_MESSAGE ? nullptr : CurrentDisplay()) {
      TNativeWindowParams p;
      p.hwnd = HandleOf(w);
      p.bounds = w->rect;
      // Only tool popups (menus, lists, hints, glow layers) bypass the
      // window manager; a borderless form is still a managed window.
      p.popup = (style & WS_POPUP) && (style & WS_CAPTION) != WS_CAPTION &&
                (exStyle & (WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE));
      p.style = w->style;
      p.exStyle = exStyle;
      p.topmost = (exStyle & WS_EX_TOPMOST) != 0;
      p.toolWindow = (exStyle & WS_EX_TOOLWINDOW) != 0;
      p.layered = (exStyle & WS_EX_LAYERED) != 0;
      p.title = w->text;
      w->native = d->CreateNativeWindow(p);
    }
  }

  TWindowPin pin(w);
  CREATESTRUCT cs;
  cs.lpCreateParams = param;
  cs.hInstance = instance;
  cs.hMenu = menuOrId;
  cs.hwndParent = parentHandle;
  cs.x = x;
  cs.y = y;
  cs.cx = width;
  cs.cy = height;
  cs.style = LONG(style);
  cs.lpszName = windowName;
  cs.lpszClass = className;
  cs.dwExStyle = exStyle;

  if (!w->IsChild() && ((style & WS_THICKFRAME) || !(style & WS_POPUP))) {
    MINMAXINFO mmi;
    SendMessage(HandleOf(w), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
  }
  if (w->dead) return nullptr;
  if (!SendMessage(HandleOf(w), WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
    if (!w->dead) {
      w->destroying = true;
      FreeWindowTree(w);
    }
    return nullptr;
  }
  if (w->dead) return nullptr;
  RECT r = w->rect;
  SendMessage(HandleOf(w), WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&r));
  if (w->dead) return nullptr;
  w->client = r;
  if (SendMessage(HandleOf(w), WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    if (!w->dead) DestroyWindow(HandleOf(w));
    return nullptr;
  }
  if (w->dead) return nullptr;
  w->creating = false;
  // A child, or a popup created shown, hears its size and place at once,
  // before its show sequence; other top-level windows when first shown
  // (ShowWindow), so a hidden one hears nothing until then.
  if ((w->IsChild() || (style & (WS_POPUP | WS_VISIBLE)) == (WS_POPUP | WS_VISIBLE)) && !w->sizedOnce) {
    w->sizedOnce = true;
    SendMessage(HandleOf(w), WM_SIZE, SIZE_RESTORED, MAKELPARAM(w->client.Width(), w->client.Height()));
    if (w->dead) return nullptr;
    SendMessage(HandleOf(w), WM_MOVE, 0, MAKELPARAM(w->client.Left, w->client.Top));
    if (w->dead) return nullptr;
  }
  SendParentNotifyCreateDestroy(w, WM_CREATE);
  if (w->dead) return nullptr;
  if (style & WS_VISIBLE) ShowWindow(HandleOf(w), SW_SHOW);
  return HandleOf(w->dead ? nullptr : w);
}

BOOL DestroyWindow(HWND hwnd) {
  if (!MainThreadCheck()) return FALSE;
  WND* w = LiveWindow(hwnd);
  if (!w) return FALSE;
  if (w->destroying) return TRUE;
  TWindowPin pin(w);
  w->destroying = true;

  std::vector<WND*> owned;
  for (WND* t : TopLevelWindows())
    if (t->owner == w) owned.push_back(t);
  for (WND* t : owned)
    if (IsLive(t)) DestroyWindow(HandleOf(t));

  // The parent hears of the end while the child is still shown; a child is
  // hidden as ShowWindow hides it, with WM_SHOWWINDOW.
  SendParentNotifyCreateDestroy(w, WM_DESTROY);
  if (w->dead) return TRUE;
  if (w->style & WS_VISIBLE) {
    if (w->IsChild()) ShowWindow(HandleOf(w), SW_HIDE);
    else SetWindowPos(HandleOf(w), nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
  }
  if (w->dead) return TRUE;
  if (HWND focus = GetFocus(); focus && (focus == HandleOf(w) || IsChild(HandleOf(w), focus))) SetFocus(HandleOf(w->IsChild() ? w->parent : nullptr));
  if (w->dead) return TRUE;
  SendDestroyMessages(w);
  if (!w->dead) {
    if (w->IsChild() && IsLive(w->parent)) InvalidateParentArea(w, w->rect);
    FreeWindowTree(w);
  }
  return TRUE;
}

BOOL IsWindow(HWND hwnd) { return LiveWnd(hwnd) ? TRUE : FALSE; }

BOOL IsWindowVisible(HWND hwnd) {
  WND* w = LiveWindow(hwnd);
  return w && IsReallyVisible(w) ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
  WND* w = LiveWindow(hwnd);
  return w && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}

namespace {

void TellNativeStyle(WND* w) {
  if (!w->dead && !w->IsChild() && w->native && CurrentDisplay())
    CurrentDisplay()->SetNativeStyle(w->native, w->style, w->exStyle);
}

}  // namespace

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  WND* w = LiveWindow(hwnd);
  if (!w) return FALSE;
  BOOL wasDisabled = (w->style & WS_DISABLED) ? TRUE : FALSE;
  if (bool(enable) == !wasDisabled) return wasDisabled;
  TWindowPin pin(w);
  if (!enable) {
    SendMessage(HandleOf(w), WM_CANCELMODE, 0, 0);
    if (w->dead) return wasDisabled;
    w->style |= WS_DISABLED;
    if (HWND focus = GetFocus(); focus && (focus == HandleOf(w) || IsChild(HandleOf(w), focus))) SetFocus(nullptr);
    if (GetCapture() == HandleOf(w)) ReleaseCapture();
  } else {
    w->style &= ~WS_DISABLED;
  }
  TellNativeStyle(w);
  if (!w->dead) SendMessage(HandleOf(w), WM_ENABLE, enable ? TRUE : FALSE, 0);
  return wasDisabled;
}

BOOL SetWindowRole(HWND hwnd, TWindowRole role) {
  WND* w = LiveWindow(hwnd);
  if (!w || w->IsChild() || !w->native) return FALSE;
  if (TDisplay* d = CurrentDisplay()) d->SetNativeRole(w->native, role);
  return TRUE;
}

BOOL IsChild(HWND parentHandle, HWND hwnd) {
  WND* p = LiveWindow(parentHandle);
  WND* w = LiveWindow(hwnd);
  if (!p || !w) return FALSE;
  for (w = w->IsChild() ? w->parent : nullptr; w; w = w->IsChild() ? w->parent : nullptr)
    if (w == p) return TRUE;
  return FALSE;
}

HWND GetParent(HWND hwnd) {
  WND* w = LiveWindow(hwnd);
  if (!w) return nullptr;
  return HandleOf(w->IsChild() ? w->parent : w->owner);
}

HWND SetParent(HWND hwnd, HWND newParent) {
  WND* w = LiveWindow(hwnd);
  WND* p = newParent ? LiveWindow(newParent) : nullptr;
  if (!w || (newParent && !p) || !w->IsChild() || !p || p == w || IsChild(HandleOf(w), HandleOf(p))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  WND* old = w->parent;
  bool visible = (w->style & WS_VISIBLE) != 0;
  if (visible) InvalidateParentArea(w, w->rect);
  auto& sibs = old->children;
  sibs.erase(std::remove(sibs.begin(), sibs.end(), w), sibs.end());
  w->parent = p;
  ZOrderInsert(w, HWND_TOP);
  UpdateWindowDCs(TopLevelOf(w));
  if (visible) InvalidateWindowArea(w, Region(Bounds(0, 0, w->rect.Width(), w->rect.Height())), true, true, true);
  return HandleOf(old);
}

HWND GetAncestor(HWND hwnd, UINT flags) {
  WND* w = LiveWindow(hwnd);
  if (!w) return nullptr;
  switch (flags) {
    case GA_PARENT: return w->IsChild() ? w->parent->handle : GetDesktopWindow();
    case GA_ROOT: return HandleOf(TopLevelOf(w));
    case GA_ROOTOWNER: {
      WND* t = TopLevelOf(w);
      while (t->owner) t = t->owner;
      return HandleOf(t);
    }
  }
  return nullptr;
}

HWND GetDesktopWindow() { return nullptr; }

HWND GetWindow(HWND hwnd, UINT cmd) {
  WND* w = LiveWindow(hwnd);
  if (!w) return nullptr;
  if (cmd == GW_OWNER) return HandleOf(w->IsChild() ? nullptr : w->owner);
  if (cmd == GW_CHILD) return HandleOf(w->children.empty() ? nullptr : w->children.front());
  if (cmd == GW_ENABLEDPOPUP) {
    for (WND* t : TopLevelWindows())
      if (t->owner == w && (t->style & WS_VISIBLE) && !(t->style & WS_DISABLED)) return HandleOf(t);
    return nullptr;
  }
  auto& sibs = SiblingList(w);
  auto it = std::find(sibs.begin(), sibs.end(), w);
  switch (cmd) {
    case GW_HWNDFIRST: return HandleOf(sibs.front());
    case GW_HWNDLAST: return HandleOf(sibs.back());
    case GW_HWNDNEXT: return HandleOf((it + 1 == sibs.end()) ? nullptr : *(it + 1));
    case GW_HWNDPREV: return HandleOf(it == sibs.begin() ? nullptr : *(it - 1));
  }
  return nullptr;
}

HWND GetTopWindow(HWND hwnd) {
  if (!hwnd) return HandleOf(TopLevelWindows().empty() ? nullptr : TopLevelWindows().front());
  return GetWindow(hwnd, GW_CHILD);
}

BOOL EnumWindows(WNDENUMPROC proc, LPARAM lp) {
  std::vector<WND*> list = TopLevelWindows();
  for (WND* w : list)
    if (IsLive(w) && !proc(HandleOf(w), lp)) return FALSE;
  return TRUE;
}

namespace {
void CollectDescendants(WND* w, std::vector<WND*>& out) {
  for (WND* c : w->children) {
    out.push_back(c);
    CollectDescendants(c, out);
  }
}
bool Matches(const WND* w, const char* className, const char* windowName) {
  if (className && strcasecmp(className, w->cls->name.c_str()) != 0) return false;
  if (windowName && w->text != windowName) return false;
  return true;
}
}  // namespace

BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lp) {
  if (!parent) return EnumWindows(proc, lp);
  WND* p = LiveWindow(parent);
  if (!p) return FALSE;
  std::vector<WND*> list;
  CollectDescendants(p, list);
  for (WND* w : list)
    if (IsLive(w) && !proc(HandleOf(w), lp)) return FALSE;
  return TRUE;
}

HWND FindWindow(const char* className, const char* windowName) {
  for (WND* w : TopLevelWindows())
    if (Matches(w, className, windowName)) return HandleOf(w);
  return nullptr;
}

HWND FindWindowEx(HWND parent, HWND childAfter, const char* className, const char* windowName) {
  std::vector<WND*>* list = &TopLevelWindows();
  if (parent) {
    WND* p = LiveWindow(parent);
    if (!p) return nullptr;
    list = &p->children;
  }
  auto it = list->begin();
  if (childAfter) {
    it = std::find(list->begin(), list->end(), LiveWnd(childAfter));
    if (it == list->end()) return nullptr;
    ++it;
  }
  for (; it != list->end(); ++it)
    if (Matches(*it, className, windowName)) return HandleOf(*it);
  return nullptr;
}

LONG_PTR GetWindowLongPtr(HWND hwnd, int index) {
  WND* w = LiveWindow(hwnd);
  if (!w) return 0;
  switch (index) {
    case GWL_STYLE: return LONG_PTR(LONG(w->style));
    case GWL_EXSTYLE: return LONG_PTR(LONG(w->exStyle));
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_USERDATA: return w->userData;
    case GWLP_ID: return w->id;
    case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT: return reinterpret_cast<LONG_PTR>(HandleOf(w->IsChild() ? w->parent : w->owner));
  }
  if (index >= 0 && std::size_t(index) % sizeof(LONG_PTR) == 0 && std::size_t(index) / sizeof(LONG_PTR) < w->extra.size())
    return w->extra[std::size_t(index) / sizeof(LONG_PTR)];
  SetLastError(ERROR_INVALID_PARAMETER);
  return 0;
}

LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value) {
  WND* w = LiveWindow(hwnd);
  if (!w) return 0;
  TWindowPin pin(w);
  LONG_PTR old = GetWindowLongPtr(hwnd, index);
  switch (index) {
    case GWL_STYLE:
    case GWL_EXSTYLE: {
      STYLESTRUCT ss{DWORD(old), DWORD(value)};
      SendMessage(HandleOf(w), WM_STYLECHANGING, WPARAM(index), reinterpret_cast<LPARAM>(&ss));
      if (w->dead) return old;
      if (index == GWL_STYLE) {
        w->style = ss.styleNew;
      } else {
        w->exStyle = ss.styleNew;
        // Dropping the layered style makes the window opaque again.
        if (!(w->exStyle & WS_EX_LAYERED) && (w->layeredSet || w->perPixel)) ResetLayered(w);
      }
      TellNativeStyle(w);
      SendMessage(HandleOf(w), WM_STYLECHANGED, WPARAM(index), reinterpret_cast<LPARAM>(&ss));
      return old;
    }
    case GWLP_WNDPROC: w->proc = reinterpret_cast<WNDPROC>(value); return old;
    case GWLP_USERDATA: w->userData = value; return old;
    case GWLP_ID: w->id = value; return old;
    case GWLP_HINSTANCE: w->instance = reinterpret_cast<HINSTANCE>(value); return old;
    case GWLP_HWNDPARENT:
      if (!w->IsChild()) {
        WND* o = value ? LiveWindow(reinterpret_cast<HWND>(value)) : nullptr;
        w->owner = o && o != w ? TopLevelOf(o) : nullptr;
      }
      return old;
  }
  if (index >= 0 && std::size_t(index) % sizeof(LONG_PTR) == 0 && std::size_t(index) / sizeof(LONG_PTR) < w->extra.size()) {
    w->extra[std::size_t(index) / sizeof(LONG_PTR)] = value;
    return old;
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return 0;
}

BOOL SetWindowText(HWND hwnd, const char* text) {
  if (!LiveWindow(hwnd)) return FALSE;
  return SendMessage(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")) ? TRUE : FALSE;
}

int GetWindowText(HWND hwnd, char* buffer, int size) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = 0;
  if (!LiveWindow(hwnd)) return 0;
  return int(SendMessage(hwnd, WM_GETTEXT, WPARAM(size), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLength(HWND hwnd) {
  if (!LiveWindow(hwnd)) return 0;
  return int(SendMessage(hwnd, WM_GETTEXTLENGTH, 0, 0));
}
