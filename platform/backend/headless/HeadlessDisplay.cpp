#include "platform/backend/headless/HeadlessDisplay.h"

#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/user/input/Ime.h"
#include "platform/user/input/Input.h"
#include "platform/user/input/MessageQueue.h"
#include "platform/user/input/Timers.h"
#include "platform/user/system/NotifyIcon.h"

THeadlessDisplay::THeadlessDisplay() {
  monitors_.push_back(TMonitorRec{Bounds(0, 0, 1280, 1024), Bounds(0, 0, 1280, 1024), true});
}

void THeadlessDisplay::SetMonitors(std::vector<TMonitorRec> monitors) { monitors_ = std::move(monitors); }

THeadlessDisplay::TNative* THeadlessDisplay::Find(TNativeWindow w) {
  auto it = natives_.find(w);
  return it == natives_.end() ? nullptr : &it->second;
}

TNativeWindow THeadlessDisplay::CreateNativeWindow(const TNativeWindowParams& p) {
  TNativeWindow id = next_++;
  TNative& n = natives_[id];
  n.hwnd = p.hwnd;
  n.bounds = p.bounds;
  n.popup = p.popup;
  n.customFrame = p.customFrame;
  n.topmost = p.topmost;
  n.toolWindow = p.toolWindow;
  n.layeredAtCreation = p.layered;
  n.title = p.title;
  stack_.insert(stack_.begin(), id);
  return id;
}

void THeadlessDisplay::DestroyNativeWindow(TNativeWindow w) {
  natives_.erase(w);
  stack_.erase(std::remove(stack_.begin(), stack_.end(), w), stack_.end());
  if (grab_ == w) grab_ = 0;
}

void THeadlessDisplay::SetNativeBounds(TNativeWindow w, const RECT& r) {
  if (TNative* n = Find(w)) n->bounds = r;
}

void THeadlessDisplay::ShowNativeWindow(TNativeWindow w, bool show, bool) {
  if (TNative* n = Find(w)) n->visible = show;
}

void THeadlessDisplay::SetNativeTitle(TNativeWindow w, const std::string& title) {
  if (TNative* n = Find(w)) n->title = title;
}

void THeadlessDisplay::SetCustomFrame(TNativeWindow w, bool custom) {
  if (TNative* n = Find(w)) n->customFrame = custom;
}

void THeadlessDisplay::RestackNativeWindow(TNativeWindow w, TNativeWindow above, bool topmost) {
  TNative* n = Find(w);
  if (!n) return;
  n->restacks++;
  n->topmost = topmost;
  stack_.erase(std::remove(stack_.begin(), stack_.end(), w), stack_.end());
  auto it = above ? std::find(stack_.begin(), stack_.end(), above) : stack_.end();
  if (!above) {
    // Bottom of its layer.
    it = topmost ? std::find_if(stack_.begin(), stack_.end(), [&](TNativeWindow s) { return !natives_[s].topmost; })
                 : stack_.end();
  }
  stack_.insert(it, w);
}

void THeadlessDisplay::Present(TNativeWindow w, const Surface& s, const std::vector<RECT>& dirty) {
  TNative* n = Find(w);
  if (!n || !s.Valid()) return;
  if (n->width != s.width || n->height != s.height) {
    n->width = s.width;
    n->height = s.height;
    n->pixels.assign(std::size_t(s.width) * std::size_t(s.height), 0);
  }
  for (RECT r : dirty) {
    r.Left = std::max(r.Left, 0);
    r.Top = std::max(r.Top, 0);
    r.Right = std::min(r.Right, s.width);
    r.Bottom = std::min(r.Bottom, s.height);
    for (int y = r.Top; y < r.Bottom; ++y) {
      const auto* src = reinterpret_cast<const std::uint32_t*>(s.Row(y));
      std::copy(src + r.Left, src + r.Right, n->pixels.begin() + std::ptrdiff_t(y) * s.width + r.Left);
    }
  }
  n->presents++;
}

void THeadlessDisplay::SetShape(TNativeWindow w, const Region* shape) {
  if (TNative* n = Find(w)) n->shape = shape ? std::optional<Region>(*shape) : std::nullopt;
}

void THeadlessDisplay::SetOpacity(TNativeWindow w, Byte alpha) {
  if (TNative* n = Find(w)) n->opacity = alpha;
}

void THeadlessDisplay::GrabPointer(TNativeWindow w) { grab_ = w; }

void THeadlessDisplay::SetLayeredContent(TNativeWindow w, const Surface* content) {
  TNative* n = Find(w);
  if (!n) return;
  n->perPixel = content && content->Valid();
  n->layered.clear();
  n->layeredWidth = n->layeredHeight = 0;
  if (!n->perPixel) return;
  n->layeredWidth = content->width;
  n->layeredHeight = content->height;
  n->layered.resize(std::size_t(content->width) * std::size_t(content->height));
  for (int y = 0; y < content->height; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(content->Row(y));
    std::copy(row, row + content->width, n->layered.begin() + std::ptrdiff_t(y) * content->width);
  }
  n->presents++;
}

void THeadlessDisplay::SetColorKey(TNativeWindow w, COLORREF key) {
  if (TNative* n = Find(w)) n->colorKey = key;
}

void THeadlessDisplay::SetNativeMinimized(TNativeWindow w, bool minimized) {
  if (TNative* n = Find(w)) n->minimized = minimized;
}

void THeadlessDisplay::SetNativeRole(TNativeWindow w, TWindowRole role) {
  if (TNative* n = Find(w)) n->role = role;
}

void THeadlessDisplay::SetIcon(TNativeWindow w, const Surface* argb) {
  TNative* n = Find(w);
  if (!n) return;
  n->icon.clear();
  n->iconWidth = n->iconHeight = 0;
  if (!argb || !argb->Valid() || argb->bpp != 32) return;
  n->iconWidth = argb->width;
  n->iconHeight = argb->height;
  for (int y = 0; y < argb->height; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(argb->Row(y));
    n->icon.insert(n->icon.end(), row, row + argb->width);
  }
}

void THeadlessDisplay::ActivateNativeWindow(TNativeWindow w) {
  TNative* n = Find(w);
  if (!n) return;
  n->activations++;
  // Raised within its layer, as a window manager would.
  stack_.erase(std::remove(stack_.begin(), stack_.end(), w), stack_.end());
  auto it = n->topmost ? stack_.begin()
                       : std::find_if(stack_.begin(), stack_.end(), [&](TNativeWindow s) { return !natives_[s].topmost; });
  stack_.insert(it, w);
}

std::vector<TMonitorRec> THeadlessDisplay::Monitors() { return monitors_; }

void THeadlessDisplay::WaitEvents(int timeoutMs) {
  // Virtual time jumps straight to the next timer.
  if (timeoutMs >= 0) {
    if (auto* vc = dynamic_cast<TVirtualClock*>(&CurrentClock())) {
      vc->Advance(timeoutMs);
      return;
    }
  }
  std::unique_lock<std::mutex> lock(lock_);
  if (timeoutMs < 0) wake_.wait(lock, [&] { return woken_; });
  else wake_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return woken_; });
  woken_ = false;
}

void THeadlessDisplay::Wake() {
  std::lock_guard<std::mutex> lock(lock_);
  woken_ = true;
  wake_.notify_all();
}

void THeadlessDisplay::MouseMove(int x, int y) { InputMouseMove(POINT{x, y}); }
void THeadlessDisplay::MouseDown(int x, int y, TMouseButton b) { InputMouseButton(b, true, POINT{x, y}); }
void THeadlessDisplay::MouseUp(int x, int y, TMouseButton b) { InputMouseButton(b, false, POINT{x, y}); }
void THeadlessDisplay::Click(int x, int y, TMouseButton b) {
  MouseDown(x, y, b);
  MouseUp(x, y, b);
}
void THeadlessDisplay::Wheel(int x, int y, int delta) { InputMouseWheel(delta, POINT{x, y}); }
void THeadlessDisplay::HWheel(int x, int y, int delta) { InputMouseHWheel(delta, POINT{x, y}); }
void THeadlessDisplay::KeyDown(int vk) { InputKey(vk, true); }
void THeadlessDisplay::KeyUp(int vk) { InputKey(vk, false); }
void THeadlessDisplay::KeyDown(int vk, TKeyCode code) { InputKeyCode(vk, true, code); }
void THeadlessDisplay::KeyUp(int vk, TKeyCode code) { InputKeyCode(vk, false, code); }
void THeadlessDisplay::KeyPress(int vk) {
  KeyDown(vk);
  KeyUp(vk);
}
void THeadlessDisplay::Text(const char* utf8) { InputText(utf8); }
void THeadlessDisplay::ComposeText(const std::string& preedit, int cursor) {
  composing_ = true;
  preedit_ = preedit;
  InputImeCompose(preedit, cursor);
}

void THeadlessDisplay::CommitComposition(const std::string& result) {
  composing_ = false;
  preedit_.clear();
  InputImeResult(result);
}

void THeadlessDisplay::CancelComposition() {
  composing_ = false;
  preedit_.clear();
  InputImeEnd();
}

void THeadlessDisplay::ResetComposition() {
  ++compositionResets_;
  if (!composing_) return;
  const std::string dropped = preedit_;
  composing_ = false;
  preedit_.clear();
  InputImeResult(dropped);
}

int THeadlessDisplay::RunUntilIdle() { return ProcessPendingMessages(); }

void THeadlessDisplay::AdvanceTime(Int64 ms) {
  auto* vc = dynamic_cast<TVirtualClock*>(&CurrentClock());
  if (!vc) return;
  const Int64 end = vc->PeekMilliseconds() + ms;
  RunUntilIdle();
  for (;;) {
    int next = MillisecondsToNextTimer();
    Int64 now = vc->PeekMilliseconds();
    if (next < 0 || now + next > end) break;
    vc->Advance(next);
    RunUntilIdle();
  }
  Int64 now = vc->PeekMilliseconds();
  if (now < end) vc->Advance(end - now);
  RunUntilIdle();
}

const THeadlessDisplay::TNative* THeadlessDisplay::Native(HWND hwnd) const {
  for (auto& [id, n] : natives_)
    if (n.hwnd == hwnd) return &n;
  return nullptr;
}

std::vector<HWND> THeadlessDisplay::Stacking() const {
  std::vector<HWND> out;
  for (TNativeWindow id : stack_)
    if (auto it = natives_.find(id); it != natives_.end() && it->second.visible) out.push_back(it->second.hwnd);
  return out;
}

HWND THeadlessDisplay::GrabbedWindow() const {
  auto it = natives_.find(grab_);
  return it == natives_.end() ? nullptr : it->second.hwnd;
}

COLORREF THeadlessDisplay::PixelAt(HWND hwnd, int x, int y) const {
  const TNative* n = Native(hwnd);
  if (n && n->perPixel) {
    if (x < 0 || y < 0 || x >= n->layeredWidth || y >= n->layeredHeight) return CLR_INVALID;
    std::uint32_t p = LayeredPixelAt(hwnd, x, y);
    return RGB(int((p >> 16) & 0xFF), int((p >> 8) & 0xFF), int(p & 0xFF));
  }
  if (!n || x < 0 || y < 0 || x >= n->width || y >= n->height) return CLR_INVALID;
  std::uint32_t p = n->pixels[std::size_t(y) * std::size_t(n->width) + std::size_t(x)];
  return RGB(int((p >> 16) & 0xFF), int((p >> 8) & 0xFF), int(p & 0xFF));
}

std::uint32_t THeadlessDisplay::LayeredPixelAt(HWND hwnd, int x, int y) const {
  const TNative* n = Native(hwnd);
  if (!n || !n->perPixel || x < 0 || y < 0 || x >= n->layeredWidth || y >= n->layeredHeight) return 0;
  return n->layered[std::size_t(y) * std::size_t(n->layeredWidth) + std::size_t(x)];
}

bool THeadlessDisplay::WriteBmp(HWND hwnd, const char* path) const {
  const TNative* n = Native(hwnd);
  if (!n || n->pixels.empty()) return false;
  std::vector<std::uint32_t> copy = n->pixels;
  Surface s;
  s.top = reinterpret_cast<Byte*>(copy.data());
  s.pitch = std::ptrdiff_t(n->width) * 4;
  s.width = n->width;
  s.height = n->height;
  HDC dc = CreateSurfaceDC(s, POINT{0, 0}, nullptr);
  if (!dc) return false;
  bool ok = WriteDCToBmpFile(dc, path);
  DeleteDC(dc);
  return ok;
}

THeadlessSession::THeadlessSession(Int64 startMs)
    : clock(startMs), scopedClock_(clock), previous_(SetDisplay(&display)) {}

THeadlessSession::~THeadlessSession() { SetDisplay(previous_); }

bool THeadlessDisplay::TrayIcon(TTrayOp op, const TTrayIconRec& icon) {
  auto it = std::find_if(TrayIcons.begin(), TrayIcons.end(),
                         [&](const TTrayIconRec& r) { return r.hwnd == icon.hwnd && r.id == icon.id; });
  switch (op) {
    case TTrayOp::Add:
      TrayLog.push_back("add " + std::to_string(icon.id));
      if (!TrayAvailable || it != TrayIcons.end()) return false;
      TrayIcons.push_back(icon);
      return true;
    case TTrayOp::Modify:
      TrayLog.push_back("modify " + std::to_string(icon.id));
      if (it == TrayIcons.end()) return false;
      *it = icon;
      return true;
    case TTrayOp::Delete:
      TrayLog.push_back("delete " + std::to_string(icon.id));
      if (it == TrayIcons.end()) return false;
      TrayIcons.erase(it);
      return true;
  }
  return false;
}

bool THeadlessDisplay::TrayMouse(HWND hwnd, UINT id, UINT mouseMessage) {
  for (const TTrayIconRec& r : TrayIcons)
    if (r.hwnd == hwnd && r.id == id) return PostMessage(hwnd, r.callbackMessage, WPARAM(id), LPARAM(mouseMessage));
  return false;
}

void THeadlessDisplay::TrayRestart() {
  TrayIcons.clear();
  NotifyAreaRestarted();
}
