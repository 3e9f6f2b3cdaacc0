// MDI: the MDI form's client window and the children inside it. The
// topmost child window is the active child; activation brings a child to
// the top, maximize fills the client window, Cascade and Tile arrange them.
#include <algorithm>
#include <cmath>

#include "platform/ui/Application.h"
#include "platform/ui/Forms.h"
#include "platform/user/User.h"

namespace {

constexpr int kCascadeStep = 24;

void EnsureClientClass() {
  WNDCLASS probe;
  if (GetClassInfo(nullptr, kMDIClientClass, &probe)) return;
  WNDCLASS wc;
  wc.lpfnWndProc = DefWindowProc;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(std::uintptr_t(COLOR_APPWORKSPACE + 1));
  wc.lpszClassName = kMDIClientClass;
  RegisterClass(&wc);
}

// Visible MDI children of a client window, topmost first.
std::vector<TCustomForm*> ChildrenOf(HWND client) {
  std::vector<TCustomForm*> out;
  if (!client) return out;
  for (HWND h = GetWindow(client, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
    if (auto* f = dynamic_cast<TCustomForm*>(FindControl(h)); f && f->FormStyle() == fsMDIChild) out.push_back(f);
  return out;
}

}  // namespace

void TCustomForm::CreateMDIClient() {
  EnsureClientClass();
  RECT r;
  GetClientRect(Handle(), &r);
  clientHandle_ = CreateWindowEx(WS_EX_CLIENTEDGE, kMDIClientClass, "",
                                 WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0, r.Width(),
                                 r.Height(), Handle(), nullptr, nullptr, nullptr);
}

int TCustomForm::MDIChildCount() const { return int(ChildrenOf(clientHandle_).size()); }

TCustomForm* TCustomForm::MDIChildren(int i) const {
  auto list = ChildrenOf(clientHandle_);
  if (i < 0 || i >= int(list.size())) throw EListError("List index out of bounds (" + std::to_string(i) + ")");
  return list[size_t(i)];
}

TCustomForm* TCustomForm::ActiveMDIChild() const {
  for (TCustomForm* f : ChildrenOf(clientHandle_))
    if (f->Visible()) return f;
  return nullptr;
}

void TCustomForm::ApplyMDIState() {
  if (!HandleAllocated()) return;
  HWND client = GetParent(Handle());
  if (windowState_ == wsMaximized) {
    if (!mdiMaximized_) mdiRestore_ = BoundsRect();
    mdiMaximized_ = true;
    RECT r;
    GetClientRect(client, &r);
    SetBounds(0, 0, r.Width(), r.Height());
  } else if (mdiMaximized_) {
    mdiMaximized_ = false;
    SetBoundsRect(mdiRestore_);
  }
  if (windowState_ == wsMinimized) ShowWindow(Handle(), SW_MINIMIZE);
}

void TCustomForm::Cascade() {
  auto list = ChildrenOf(clientHandle_);
  std::reverse(list.begin(), list.end());  // the active child ends on top
  RECT r;
  if (!clientHandle_ || !GetClientRect(clientHandle_, &r)) return;
  int w = r.Width() * 2 / 3, h = r.Height() * 2 / 3;
  int i = 0;
  for (TCustomForm* f : list) {
    if (f->WindowState() != wsNormal) f->SetWindowState(wsNormal);
    f->SetBounds(i * kCascadeStep, i * kCascadeStep, w, h);
    SetWindowPos(f->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ++i;
  }
}

void TCustomForm::Tile() {
  auto list = ChildrenOf(clientHandle_);
  RECT r;
  if (list.empty() || !GetClientRect(clientHandle_, &r)) return;
  int n = int(list.size());
  int cols = int(std::ceil(std::sqrt(double(n))));
  int rows = (n + cols - 1) / cols;
  for (int i = 0; i < n; ++i) {
    int c = i % cols, row = i / cols;
    int x0 = r.Width() * c / cols, x1 = r.Width() * (c + 1) / cols;
    int y0 = r.Height() * row / rows, y1 = r.Height() * (row + 1) / rows;
    if (list[size_t(i)]->WindowState() != wsNormal) list[size_t(i)]->SetWindowState(wsNormal);
    list[size_t(i)]->SetBounds(x0, y0, x1 - x0, y1 - y0);
  }
}

void TCustomForm::Next() {
  auto list = ChildrenOf(clientHandle_);
  if (list.size() < 2) return;
  // The active child goes to the bottom; the one under it comes up.
  SetWindowPos(list.front()->Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TCustomForm::Previous() {
  auto list = ChildrenOf(clientHandle_);
  if (list.size() < 2) return;
  SetWindowPos(list.back()->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}
