#include "platform/user/windows/WindowClass.h"

#include <cstring>
#include <strings.h>
#include <map>
#include <string>

#include "platform/user/windows/WindowInternal.h"

namespace {

struct NoCaseLess {
  bool operator()(const std::string& a, const std::string& b) const { return strcasecmp(a.c_str(), b.c_str()) < 0; }
};

std::map<std::string, std::shared_ptr<TWindowClass>, NoCaseLess>& Classes() {
  static std::map<std::string, std::shared_ptr<TWindowClass>, NoCaseLess> classes;
  return classes;
}

ATOM g_nextAtom = 0xC000;

}  // namespace

std::shared_ptr<TWindowClass> FindWindowClass(const char* name) {
  if (!name) return nullptr;
  auto it = Classes().find(name);
  return it == Classes().end() ? nullptr : it->second;
}

ATOM RegisterClass(const WNDCLASS* wc) {
  if (!wc || !wc->lpszClassName || !*wc->lpszClassName || !wc->lpfnWndProc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (FindWindowClass(wc->lpszClassName)) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  auto cls = std::make_shared<TWindowClass>();
  cls->name = wc->lpszClassName;
  cls->wc = *wc;
  cls->wc.lpszClassName = nullptr;  // the caller's string may not outlive the class
  cls->wc.lpszMenuName = nullptr;
  Classes()[cls->name] = cls;
  return g_nextAtom++;
}

BOOL UnregisterClass(const char* name, HINSTANCE) {
  auto cls = FindWindowClass(name);
  if (!cls) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return FALSE;
  }
  if (cls->windows > 0) {
    SetLastError(ERROR_CLASS_HAS_WINDOWS);
    return FALSE;
  }
  Classes().erase(cls->name);
  return TRUE;
}

BOOL GetClassInfo(HINSTANCE, const char* name, WNDCLASS* out) {
  auto cls = FindWindowClass(name);
  if (!cls) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return FALSE;
  }
  if (out) {
    *out = cls->wc;
    out->lpszClassName = name;
  }
  return TRUE;
}

int GetClassName(HWND hwnd, char* buffer, int size) {
  WND* w = LiveWindow(hwnd);
  if (!w || !buffer || size <= 0) return 0;
  int n = int(std::min<std::size_t>(w->cls->name.size(), std::size_t(size - 1)));
  std::memcpy(buffer, w->cls->name.data(), std::size_t(n));
  buffer[n] = 0;
  return n;
}

LONG_PTR GetClassLongPtr(HWND hwnd, int index) {
  WND* w = LiveWindow(hwnd);
  if (!w) return 0;
  const WNDCLASS& wc = w->cls->wc;
  switch (index) {
    case GCL_STYLE: return LONG_PTR(wc.style);
    case GCLP_WNDPROC: return reinterpret_cast<LONG_PTR>(wc.lpfnWndProc);
    case GCLP_HCURSOR: return reinterpret_cast<LONG_PTR>(wc.hCursor);
    case GCLP_HBRBACKGROUND: return reinterpret_cast<LONG_PTR>(wc.hbrBackground);
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return 0;
}

LONG_PTR SetClassLongPtr(HWND hwnd, int index, LONG_PTR value) {
  WND* w = LiveWindow(hwnd);
  if (!w) return 0;
  LONG_PTR old = GetClassLongPtr(hwnd, index);
  WNDCLASS& wc = w->cls->wc;
  switch (index) {
    case GCL_STYLE: wc.style = UINT(value); break;
    case GCLP_WNDPROC: wc.lpfnWndProc = reinterpret_cast<WNDPROC>(value); break;
    case GCLP_HCURSOR: wc.hCursor = reinterpret_cast<HCURSOR>(value); break;
    case GCLP_HBRBACKGROUND: wc.hbrBackground = reinterpret_cast<HBRUSH>(value); break;
    default: return 0;
  }
  return old;
}
