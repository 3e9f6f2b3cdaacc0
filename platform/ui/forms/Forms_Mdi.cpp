// MDI: the MDI form's client window and the children inside it. The
// topmost visible child window is the active child; activation brings a
// child to the top, maximize fills the client window, Cascade and Tile
// arrange them.
//
// The client window watches its children: it sub-classes each MDI child
// window as it is created, so any change of stacking or visibility (a
// click, Show, Next, a child closing) re-checks which child is on top, and
// the change reaches the forms as WM_ACTIVATE (OnDeactivate on the old
// child, then OnActivate on the new one). The frame's window text shows
// the maximized active child as "Frame - [Child]" while its Caption stays.
#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

#include "platform/rtl/StockTexts.h"
#include "platform/ui/forms/Application.h"
#include "platform/ui/forms/Forms.h"
#include "platform/ui/menus/MenuBar.h"
#include "platform/ui/menus/Menus.h"
#include "platform/user/windows/Props.h"
#include "platform/user/User.h"

namespace {

constexpr int kCascadeStep = 24;
constexpr int kIconWidth = 160;  // a minimized child's width once arranged
constexpr UINT kSyncActive = WM_USER + 1;  // posted to the client after a child is gone
constexpr const char* kChildProcProp = "Lumiqa.MdiChildProc";

struct TClientState {
  HWND active = nullptr;  // the child last told it is active
  HWND merged = nullptr;  // the child whose icon and buttons the frame's menu bar shows
  bool handOnMaximized = false;  // the active child went while maximized
  std::vector<HWND> created;  // children in the order they came, for the window menu's list
  bool syncing = false;
};
std::map<HWND, TClientState> g_clients;

// Visible MDI children of a client window, topmost first.
std::vector<TCustomForm*> ChildrenOf(HWND client) {
  std::vector<TCustomForm*> out;
  if (!client) return out;
  for (HWND h = GetWindow(client, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
    if (auto* f = dynamic_cast<TCustomForm*>(FindControl(h)); f && f->FormStyle() == fsMDIChild) out.push_back(f);
  return out;
}

bool Dying(TCustomForm* f) { return !f || (f->ComponentState() & csDestroying); }

// The child that should be active: the topmost one whose window shows.
HWND TopChild(HWND client) {
  for (TCustomForm* f : ChildrenOf(client))
    if (IsWindowVisible(f->Handle()) && !Dying(f)) return f->Handle();
  return nullptr;
}

TCustomForm* FrameOf(HWND client) {
  return client ? dynamic_cast<TCustomForm*>(FindControl(GetParent(client))) : nullptr;
}

bool FrameHasMenuBar(const TCustomForm* frame) { return frame && frame->Menu() && frame->FormStyle() == fsMDIForm; }

// The frame's shown title: its caption, plus the maximized active child's;
// its menu bar follows the merged child.
void UpdateFrameTitle(HWND client) {
  TCustomForm* frame = FrameOf(client);
  if (!frame || !frame->HandleAllocated()) return;
  if (auto it = g_clients.find(client); it != g_clients.end()) {
    TCustomForm* merged = MergedMDIChild(frame);
    HWND now = merged ? merged->Handle() : nullptr;
    if (it->second.merged != now) {
      it->second.merged = now;
      MenuBarChanged(frame);
    }
  }
  std::string title = frame->Caption();
  auto it = g_clients.find(client);
  HWND active = it != g_clients.end() ? it->second.active : nullptr;
  auto* child = active ? dynamic_cast<TCustomForm*>(FindControl(active)) : nullptr;
  if (child && !Dying(child) && child->WindowState() == wsMaximized) title += " - [" + child->Caption() + "]";
  char shown[512] = {};
  DefWindowProc(frame->Handle(), WM_GETTEXT, sizeof shown, reinterpret_cast<LPARAM>(shown));
  if (title == shown) return;
  // Straight to the window, past the control: the form's Caption is unchanged.
  DefWindowProc(frame->Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(title.c_str()));
  RedrawWindow(frame->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
}

// Tells the old and the new active child, until the top child holds still
// (a handler may itself bring another child up).
void SyncActive(HWND client) {
  auto it = g_clients.find(client);
  if (it == g_clients.end() || it->second.syncing) return;
  it->second.syncing = true;
  // Taken now, so a child that comes later to an empty client comes up as it was.
  bool handOn = std::exchange(it->second.handOnMaximized, false);
  for (int round = 0; round < 8; ++round) {
    it = g_clients.find(client);
    if (it == g_clients.end()) return;
    HWND top = TopChild(client);
    HWND old = it->second.active;
    if (top == old) break;
    it->second.active = top;
    auto* oldForm = old && IsWindow(old) ? dynamic_cast<TCustomForm*>(FindControl(old)) : nullptr;
    // A maximized child hands its state on: the child coming up is
    // maximized and the one going down restored, so one child fills the client.
    auto* topForm = top ? dynamic_cast<TCustomForm*>(FindControl(top)) : nullptr;
    // One that went (closed or freed) hands it on the same way.
    if (std::exchange(handOn, false) && !oldForm && topForm && !Dying(topForm) && topForm->WindowState() != wsMaximized) {
      topForm->SetWindowState(wsMaximized);
      if (!IsWindow(client)) return;
    }
    if (oldForm && topForm && !Dying(oldForm) && !Dying(topForm) && oldForm->WindowState() == wsMaximized &&
        topForm->WindowState() != wsMaximized) {
      auto oldAlive = oldForm->AliveToken();
      topForm->SetWindowState(wsMaximized);
      if (*oldAlive && !Dying(oldForm)) oldForm->SetWindowState(wsNormal);
      if (!IsWindow(client)) return;
      if (!*oldAlive) oldForm = nullptr;
    }
    // Each child's caption follows: only the active child's looks active.
    if (oldForm && !Dying(oldForm)) {
      SendMessage(old, WM_NCACTIVATE, FALSE, reinterpret_cast<LPARAM>(top));
      if (IsWindow(old)) SendMessage(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(top));
    }
    if (top && IsWindow(top)) SendMessage(top, WM_NCACTIVATE, TRUE, reinterpret_cast<LPARAM>(old));
    if (top && IsWindow(top)) SendMessage(top, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(old));
    if (!IsWindow(client)) return;
  }
  it = g_clients.find(client);
  if (it == g_clients.end()) return;
  it->second.syncing = false;
  UpdateFrameTitle(client);
}

// The next child comes up and the one on top goes to the bottom; the
// previous one is the bottom child brought back up.
void StepChildren(HWND client, bool previous) {
  std::vector<TCustomForm*> list;
  for (TCustomForm* f : ChildrenOf(client))
    if (IsWindowVisible(f->Handle()) && !Dying(f)) list.push_back(f);
  if (list.size() < 2) return;
  if (previous)
    SetWindowPos(list.back()->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  else
    SetWindowPos(list.front()->Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

LRESULT MdiChildProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  auto old = reinterpret_cast<WNDPROC>(GetProp(h, kChildProcProp));
  if (!old) old = DefWindowProc;
  if (m == WM_NCDESTROY) {
    RemoveProp(h, kChildProcProp);
    SetWindowLongPtr(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
    return CallWindowProc(old, h, m, wp, lp);
  }
  HWND client = GetParent(h);
  LRESULT r = CallWindowProc(old, h, m, wp, lp);
  if (!IsWindow(h) || !IsWindow(client)) return r;
  switch (m) {
    case WM_WINDOWPOSCHANGED: {
      auto* pos = reinterpret_cast<const WINDOWPOS*>(lp);
      if (!pos || !(pos->flags & SWP_NOZORDER) || (pos->flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW))) SyncActive(client);
      break;
    }
    case WM_SIZE:
      UpdateFrameTitle(client);
      break;
    default:
      break;
  }
  return r;
}

// Watches a form's text: the control layer sets text through WindowProc,
// past the window's procedure, so the watch wraps WindowProc (once).
struct TTitleWatch {
  TWndMethod inner;
  TControl* self;
  void operator()(TMessage& m) const {
    if (m.Msg != WM_SETTEXT) {
      inner(m);
      return;
    }
    // The handler may free the form, and this watch with it: keep copies.
    TControl* me = self;
    auto alive = me->AliveToken();
    TWndMethod call = inner;
    call(m);
    if (!*alive) return;
    auto* form = dynamic_cast<TCustomForm*>(me);
    if (!form || !form->HandleAllocated()) return;
    UpdateFrameTitle(form->FormStyle() == fsMDIChild ? GetParent(form->Handle()) : form->ClientHandle());
  }
};

const char kTitleWatchTag = 0;

void WatchTitle(TControl* c) {
  if (!c || c->WindowProc.Object() == &kTitleWatchTag) return;
  c->WindowProc = TWndMethod::FromFunction(TTitleWatch{c->WindowProc, c}, &kTitleWatchTag);
}

LRESULT MdiClientProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  switch (m) {
    case WM_CREATE:
      g_clients[h] = TClientState{};
      break;
    case WM_NCDESTROY:
      g_clients.erase(h);
      break;
    case WM_PARENTNOTIFY: {
      auto child = reinterpret_cast<HWND>(lp);
      if (LOWORD(wp) == WM_CREATE && child && GetParent(child) == h &&
          (GetWindowLong(child, GWL_EXSTYLE) & WS_EX_MDICHILD) && !GetProp(child, kChildProcProp)) {
        LONG_PTR old = SetWindowLongPtr(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MdiChildProc));
        SetProp(child, kChildProcProp, reinterpret_cast<HANDLE>(old));
        WatchTitle(FindControl(child));
        if (auto it = g_clients.find(h); it != g_clients.end()) it->second.created.push_back(child);
      } else if (LOWORD(wp) == WM_DESTROY && child && GetParent(child) == h) {
        // A closing child is never told it lost activation; the next one is told it won.
        if (auto it = g_clients.find(h); it != g_clients.end())
          std::erase(it->second.created, child);
        if (auto it = g_clients.find(h); it != g_clients.end() && it->second.active == child) {
          it->second.active = nullptr;
          // By the window's style: the form may be half gone by now.
          it->second.handOnMaximized = IsZoomed(child) != FALSE;
        }
        PostMessage(h, kSyncActive, 0, 0);
      } else if (LOWORD(wp) == WM_LBUTTONDOWN || LOWORD(wp) == WM_RBUTTONDOWN || LOWORD(wp) == WM_MBUTTONDOWN) {
        // A press anywhere in a child brings it up, even while the frame is active.
        POINT pt = LParamToPoint(lp);
        ClientToScreen(h, &pt);
        for (TCustomForm* f : ChildrenOf(h)) {
          RECT r;
          if (!IsWindowVisible(f->Handle()) || !GetWindowRect(f->Handle(), &r)) continue;
          if (pt.X < r.Left || pt.X >= r.Right || pt.Y < r.Top || pt.Y >= r.Bottom) continue;
          if (f != ChildrenOf(h).front()) SetWindowPos(f->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
          break;
        }
      }
      return 0;
    }
    case kSyncActive:
      SyncActive(h);
      return 0;
    case WM_MDIGETACTIVE: {
      auto it = g_clients.find(h);
      return reinterpret_cast<LRESULT>(it != g_clients.end() ? it->second.active : nullptr);
    }
    case WM_MDINEXT:
      StepChildren(h, lp != 0);
      return 0;
    default:
      break;
  }
  return DefWindowProc(h, m, wp, lp);
}

void EnsureClientClass() {
  WNDCLASS probe;
  if (GetClassInfo(nullptr, kMDIClientClass, &probe)) return;
  WNDCLASS wc;
  wc.lpfnWndProc = MdiClientProc;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(std::uintptr_t(COLOR_APPWORKSPACE + 1));
  wc.lpszClassName = kMDIClientClass;
  RegisterClass(&wc);
}

// Normal-state children, the ones Cascade and Tile place; a maximized one
// is restored first, a minimized one is left where it lies.
std::vector<TCustomForm*> Arrangeable(HWND client) {
  std::vector<TCustomForm*> out;
  for (TCustomForm* f : ChildrenOf(client)) {
    if (!IsWindowVisible(f->Handle()) || f->WindowState() == wsMinimized) continue;
    if (f->WindowState() == wsMaximized) f->SetWindowState(wsNormal);
    out.push_back(f);
  }
  return out;
}

}  // namespace

TCustomForm* MergedMDIChild(const TCustomForm* Frame) {
  if (!FrameHasMenuBar(Frame) || !Frame->HandleAllocated() || !Frame->ClientHandle()) return nullptr;
  auto it = g_clients.find(Frame->ClientHandle());
  if (it == g_clients.end() || !it->second.active || !IsWindow(it->second.active)) return nullptr;
  auto* child = dynamic_cast<TCustomForm*>(FindControl(it->second.active));
  if (!child || Dying(child) || !child->mdiMaximized_ || child->windowState_ != wsMaximized ||
      !IsWindowVisible(child->Handle()) || IsIconic(child->Handle()))
    return nullptr;
  if (!(GetWindowLong(child->Handle(), GWL_STYLE) & WS_SYSMENU)) return nullptr;
  return child;
}

void TCustomForm::CreateMDIClient() {
  EnsureClientClass();
  RECT r;
  GetClientRect(Handle(), &r);
  clientHandle_ = CreateWindowEx(WS_EX_CLIENTEDGE, kMDIClientClass, "",
                                 WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0, r.Width(),
                                 r.Height(), Handle(), nullptr, nullptr, nullptr);
  WatchTitle(this);
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

namespace {

// Holds activation still while several children move, then settles it once.
class TActivationHold {
 public:
  explicit TActivationHold(HWND client) : client_(client) {
    auto it = g_clients.find(client);
    if (it != g_clients.end() && !it->second.syncing) held_ = it->second.syncing = true;
  }
  ~TActivationHold() {
    if (!held_) return;
    auto it = g_clients.find(client_);
    if (it == g_clients.end()) return;
    it->second.syncing = false;
    SyncActive(client_);
  }
  TActivationHold(const TActivationHold&) = delete;
  TActivationHold& operator=(const TActivationHold&) = delete;

 private:
  HWND client_;
  bool held_ = false;
};

}  // namespace

void TCustomForm::ApplyMDIState() {
  if (!HandleAllocated()) return;
  HWND client = GetParent(Handle());
  // Coming out of an icon reports a restore on the way: keep the state asked for.
  const TWindowState target = windowState_;
  if (target != wsMinimized) {
    if (IsIconic(Handle())) ShowWindow(Handle(), SW_RESTORE);
    LeaveIconic();
    windowState_ = target;
  }
  const LONG style = GetWindowLong(Handle(), GWL_STYLE);
  if (windowState_ == wsMaximized) {
    if (!mdiMaximized_) mdiRestore_ = BoundsRect();
    mdiMaximized_ = true;
    SetWindowLong(Handle(), GWL_STYLE, style | LONG(WS_MAXIMIZE));
    RECT r;
    GetClientRect(client, &r);
    TRect b{0, 0, r.Width(), r.Height()};
    // With the frame's menu bar taking the icon and buttons, the child's
    // frame and caption lie outside the client window: only its client shows.
    if (FrameHasMenuBar(FrameOf(client))) {
      RECT wr{}, cr{};
      GetWindowRect(Handle(), &wr);
      GetClientRect(Handle(), &cr);
      POINT o{0, 0};
      ::ClientToScreen(Handle(), &o);
      const int left = o.X - wr.Left, top = o.Y - wr.Top;
      const int right = wr.Width() - left - cr.Width(), bottom = wr.Height() - top - cr.Height();
      b = TRect{-left, -top, r.Width() + right, r.Height() + bottom};
    }
    SetBoundsRect(b);
  } else {
    if (style & WS_MAXIMIZE) SetWindowLong(Handle(), GWL_STYLE, style & ~LONG(WS_MAXIMIZE));
    if (mdiMaximized_) {
      mdiMaximized_ = false;
      SetBoundsRect(mdiRestore_);
    }
  }
  if (windowState_ == wsMinimized) ShowWindow(Handle(), SW_MINIMIZE);
  UpdateFrameTitle(client);
}

void TCustomForm::RefreshMDIWindowList() {
  for (auto& [item, alive] : mdiListed_)
    if (*alive) {
      if (item->Parent()) item->Parent()->Remove(item);
      delete item;
    }
  mdiListed_.clear();
  auto it = g_clients.find(clientHandle_);
  if (!windowMenu_ || it == g_clients.end()) return;
  std::vector<HWND> shown;
  for (HWND h : it->second.created)
    if (IsWindow(h) && IsWindowVisible(h) && !Dying(dynamic_cast<TCustomForm*>(FindControl(h)))) shown.push_back(h);
  if (shown.empty()) return;
  auto add = [this](TMenuItem* item) {
    windowMenu_->Add(item);
    mdiListed_.emplace_back(item, item->AliveToken());
  };
  if (windowMenu_->Count() > 0) {
    auto* line = new TMenuItem(nullptr);
    line->SetCaption(cLineCaption);
    add(line);
  }
  // Windows numbers the first nine children in the order they came.
  const HWND client = clientHandle_;
  auto bringUp = [client](HWND child) {
    if (!child || !IsWindow(child) || GetParent(child) != client) return;
    auto* f = dynamic_cast<TCustomForm*>(FindControl(child));
    if (!f || Dying(f)) return;
    if (f->WindowState() == wsMinimized) f->SetWindowState(wsNormal);
    SetWindowPos(child, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  };
  for (std::size_t i = 0; i < shown.size() && i < 9; ++i) {
    auto* item = new TMenuItem(nullptr);
    item->SetCaption(std::string(1, '&').append(std::to_string(i + 1)).append(" ").append(FindControl(shown[i])->Caption()));
    item->SetChecked(shown[i] == it->second.active);
    item->OnClick = [bringUp, child = shown[i]](TObject*) { bringUp(child); };
    add(item);
  }
  if (shown.size() > 9) {
    auto* more = new TMenuItem(nullptr);
    more->SetCaption(StockText("&More Windows..."));
    more->OnClick = [bringUp, client](TObject*) {
      auto it = g_clients.find(client);
      if (it == g_clients.end()) return;
      std::vector<HWND> all;
      for (HWND h : it->second.created)
        if (IsWindow(h) && IsWindowVisible(h) && !Dying(dynamic_cast<TCustomForm*>(FindControl(h)))) all.push_back(h);
      bringUp(SelectMDIWindow(all, it->second.active));
    };
    add(more);
  }
}

void TCustomForm::FitMaximizedMDIChildren() {
  for (TCustomForm* f : ChildrenOf(clientHandle_))
    if (f->mdiMaximized_ && f->windowState_ == wsMaximized && !Dying(f)) f->ApplyMDIState();
}

void TCustomForm::Cascade() {
  RECT r;
  if (!clientHandle_ || !GetClientRect(clientHandle_, &r)) return;
  TActivationHold hold(clientHandle_);
  auto list = Arrangeable(clientHandle_);
  std::reverse(list.begin(), list.end());  // the active child ends on top
  int w = r.Width() * 2 / 3, h = r.Height() * 2 / 3;
  int i = 0;
  for (TCustomForm* f : list) {
    f->SetBounds(i * kCascadeStep, i * kCascadeStep, w, h);
    SetWindowPos(f->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ++i;
  }
}

void TCustomForm::Tile() {
  RECT r;
  if (!clientHandle_ || !GetClientRect(clientHandle_, &r)) return;
  TActivationHold hold(clientHandle_);
  auto list = Arrangeable(clientHandle_);
  if (list.empty()) return;
  int n = int(list.size());
  int cols = int(std::ceil(std::sqrt(double(n))));
  int rows = (n + cols - 1) / cols;
  for (int i = 0; i < n; ++i) {
    int c = i % cols, row = i / cols;
    int x0 = r.Width() * c / cols, x1 = r.Width() * (c + 1) / cols;
    int y0 = r.Height() * row / rows, y1 = r.Height() * (row + 1) / rows;
    list[size_t(i)]->SetBounds(x0, y0, x1 - x0, y1 - y0);
  }
}

void TCustomForm::Next() { StepChildren(clientHandle_, false); }

void TCustomForm::Previous() { StepChildren(clientHandle_, true); }

void TCustomForm::LeaveIconic() {
  if (!mdiIconic_) return;
  mdiIconic_ = false;
  SetBoundsRect(mdiIconRestore_);
}

void TCustomForm::ArrangeIcons() {
  RECT r;
  if (!clientHandle_ || !GetClientRect(clientHandle_, &r)) return;
  std::vector<TCustomForm*> icons;
  for (TCustomForm* f : ChildrenOf(clientHandle_))
    if (IsWindowVisible(f->Handle()) && f->WindowState() == wsMinimized) icons.push_back(f);
  // Row by row from the bottom, left to right: arranging twice changes nothing.
  std::stable_sort(icons.begin(), icons.end(), [](TCustomForm* a, TCustomForm* b) {
    return a->Top() != b->Top() ? a->Top() > b->Top() : a->Left() < b->Left();
  });
  const int w = kIconWidth, h = GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFRAME);
  const int perRow = std::max(1, r.Width() / w);
  for (size_t i = 0; i < icons.size(); ++i) {
    TCustomForm* f = icons[i];
    if (!f->mdiIconic_) {
      f->mdiIconRestore_ = f->mdiMaximized_ ? f->mdiRestore_ : f->BoundsRect();
      f->mdiIconic_ = true;
    }
    const int col = int(i) % perRow, row = int(i) / perRow;
    f->SetBounds(col * w, r.Height() - (row + 1) * h, w, h);
  }
}
