#include "platform/ui/system/UtilityWindow.h"

#include <memory>

#include "platform/user/User.h"

namespace {

constexpr const char* kUtilityClass = "TPUtilWindow";

using THolder = std::shared_ptr<TUtilityWndProc>;

LRESULT UtilityProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* holder = reinterpret_cast<THolder*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
  if (!holder || !*holder || !**holder) return DefWindowProc(hwnd, msg, wp, lp);
  // A copy keeps the handler alive should it deallocate its own window.
  THolder keep = *holder;
  return (*keep)(hwnd, msg, wp, lp);
}

void EnsureClass() {
  WNDCLASS probe;
  if (GetClassInfo(nullptr, kUtilityClass, &probe)) return;
  WNDCLASS wc;
  wc.lpfnWndProc = UtilityProc;
  wc.lpszClassName = kUtilityClass;
  RegisterClass(&wc);
}

}  // namespace

HWND AllocateHWnd(TUtilityWndProc proc) {
  EnsureClass();
  HWND h = CreateWindowEx(WS_EX_TOOLWINDOW, kUtilityClass, "", WS_POPUP, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                          nullptr);
  if (!h) return nullptr;
  SetWindowLongPtr(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new THolder(std::make_shared<TUtilityWndProc>(std::move(proc)))));
  return h;
}

void DeallocateHWnd(HWND hwnd) {
  if (!IsWindow(hwnd)) return;
  auto* holder = reinterpret_cast<THolder*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
  SetWindowLongPtr(hwnd, GWLP_USERDATA, 0);
  delete holder;
  DestroyWindow(hwnd);
}
