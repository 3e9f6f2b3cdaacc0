// Glow layers: a never-activated popup showing per-pixel alpha content,
// and the manager that shows, moves and hides it.
#include "skin/engine/SPUtils.h"

#include <algorithm>
#include <map>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/graphics/Bitmap.h"
#include "platform/user/windows/Layered.h"
#include "platform/user/input/MessageQueue.h"
#include "platform/user/windows/Window.h"
#include "platform/user/windows/WindowPos.h"
#include "skin/engine/speffbmp.h"

TspLayerWindow::TspLayerWindow(TComponent* AOwner) : TCustomControl(AOwner) {}

void TspLayerWindow::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style = WS_POPUP;
  // Never takes a click or the activation: the mouse goes to what it
  // surrounds.
  Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT | WS_EX_NOACTIVATE;
  Params.WindowClass.style |= CS_SAVEBITS;
  Params.WndParent = nullptr;
}

void TspLayerWindow::WndProc(TMessage& Message) {
  if (Message.Msg == WM_MOUSEACTIVATE) {
    Message.Result = MA_NOACTIVATE;
    return;
  }
  TCustomControl::WndProc(Message);
}

void FillLayerWindow(TBitmap* image, TBitmap* mask, int alpha, TspLayerWindow* window) {
  if (!window || !image || image->Empty()) return;
  HWND hwnd = window->Handle();
  SetWindowLongPtr(hwnd, GWL_EXSTYLE, GetWindowLongPtr(hwnd, GWL_EXSTYLE) | WS_EX_LAYERED);
  TspBitmap layer;
  layer.Assign(image);
  if (mask && !mask->Empty()) {
    TspBitmap alphaMask;
    alphaMask.Assign(mask);
    SetAlphaFromMask(&layer, &alphaMask);
  } else {
    layer.SetAlpha(255);
  }
  // Colours are straight up to here; the layered window takes them
  // premultiplied, so this is the one place they are multiplied.
  const std::size_t n = std::size_t(layer.Width) * std::size_t(layer.Height);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint32_t p = layer.Bits[i], a = p >> 24;
    auto mul = [a](std::uint32_t c) { return (c * a + 127) / 255; };
    layer.Bits[i] = (a << 24) | mul((p >> 16) & 0xFF) << 16 | mul((p >> 8) & 0xFF) << 8 | mul(p & 0xFF);
  }
  RECT r{};
  GetWindowRect(hwnd, &r);
  const POINT dst{r.Left, r.Top}, src{0, 0};
  const SIZE size{layer.Width, layer.Height};
  BLENDFUNCTION blend;
  blend.BlendOp = AC_SRC_OVER;
  blend.BlendFlags = 0;
  blend.SourceConstantAlpha = Byte(std::clamp(alpha, 0, 255));
  blend.AlphaFormat = AC_SRC_ALPHA;
  UpdateLayeredWindow(hwnd, nullptr, &dst, &size, layer.DC, &src, 0, &blend, ULW_ALPHA);
}

// ---- Following the owner window ------------------------------------------------

// The owner's window procedure is chained so a shown layer learns when the
// owner moves, hides or goes. Several managers may follow one window.
struct TspLayerTracking {
  struct Entry {
    WNDPROC previous = nullptr;
    std::vector<TspLayerManager*> managers;
  };
  static std::map<HWND, Entry>& Table() {
    static std::map<HWND, Entry> table;
    return table;
  }

  static LRESULT Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto& table = Table();
    auto it = table.find(hwnd);
    if (it == table.end()) return DefWindowProc(hwnd, msg, wp, lp);
    const WNDPROC previous = it->second.previous;
    if (msg == WM_NCDESTROY) {
      const std::vector<TspLayerManager*> managers = it->second.managers;
      for (TspLayerManager* m : managers) {
        m->Hide();
        m->owner_ = nullptr;
      }
      SetWindowLongPtr(hwnd, GWLP_WNDPROC, LONG_PTR(previous));
      table.erase(hwnd);
      return CallWindowProc(previous, hwnd, msg, wp, lp);
    }
    const LRESULT result = CallWindowProc(previous, hwnd, msg, wp, lp);
    // A disabled window (its owner of a modal dialog) shows no glow.
    if (msg == WM_ENABLE && !wp) {
      it = table.find(hwnd);
      if (it != table.end()) {
        const std::vector<TspLayerManager*> managers = it->second.managers;
        for (TspLayerManager* m : managers) m->Hide();
      }
      return result;
    }
    if (msg == WM_WINDOWPOSCHANGED) {
      it = table.find(hwnd);
      if (it != table.end()) {
        const std::vector<TspLayerManager*> managers = it->second.managers;
        for (TspLayerManager* m : managers) m->OwnerChanged();
      }
    }
    return result;
  }

  static void Attach(HWND owner, TspLayerManager* m) {
    auto& table = Table();
    auto it = table.find(owner);
    if (it == table.end()) {
      Entry e;
      e.previous = reinterpret_cast<WNDPROC>(GetWindowLongPtr(owner, GWLP_WNDPROC));
      it = table.emplace(owner, e).first;
      SetWindowLongPtr(owner, GWLP_WNDPROC, LONG_PTR(&Proc));
    }
    it->second.managers.push_back(m);
  }

  static void Detach(HWND owner, TspLayerManager* m) {
    auto& table = Table();
    auto it = table.find(owner);
    if (it == table.end()) return;
    auto& ms = it->second.managers;
    ms.erase(std::remove(ms.begin(), ms.end(), m), ms.end());
    // Unchain only while nobody chained behind us; otherwise keep
    // forwarding, the entry then just passes messages on.
    if (ms.empty() && reinterpret_cast<WNDPROC>(GetWindowLongPtr(owner, GWLP_WNDPROC)) == &Proc) {
      SetWindowLongPtr(owner, GWLP_WNDPROC, LONG_PTR(it->second.previous));
      table.erase(it);
    }
  }
};

TspLayerManager::TspLayerManager(TComponent* AOwner) : TComponent(AOwner) {}

TspLayerManager::~TspLayerManager() {
  SetOwnerWindow(nullptr);
  delete LayerWindow;
  LayerWindow = nullptr;
}

void TspLayerManager::SetOwnerWindow(HWND owner) {
  if (owner == owner_) return;
  if (owner_ && IsWindow(owner_)) TspLayerTracking::Detach(owner_, this);
  owner_ = owner && IsWindow(owner) ? owner : nullptr;
  if (owner_) TspLayerTracking::Attach(owner_, this);
}

namespace {

// Whether the layer must move to sit right above the owner, and the window
// to put it after for that (HWND_TOP when the owner is the top one).
bool AboveOwner(HWND owner, HWND layer, HWND& after) {
  HWND prev = GetWindow(owner, GW_HWNDPREV);
  if (prev == layer) return false;
  after = prev ? prev : HWND_TOP;
  return true;
}

}  // namespace

void TspLayerManager::Show(int X, int Y, TBitmap* image, TBitmap* mask, int alpha) {
  if (!IsWindows2000OrLater()) return;
  if (!image || image->Empty()) return;
  if (LayerWindow) Hide();
  LayerVisible = true;
  LayerWindow = new TspLayerWindow(this);
  LayerWindow->SetVisible(false);
  LayerWindow->SetBounds(X, Y, image->Width(), image->Height());
  FillLayerWindow(image, mask, alpha, LayerWindow);
  HWND after = TopMost ? HWND_TOPMOST : HWND_NOTOPMOST;
  if (owner_) {
    RECT r{};
    GetWindowRect(owner_, &r);
    offset_ = TPoint{X - r.Left, Y - r.Top};
  }
  SetWindowPos(LayerWindow->Handle(), after, X, Y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  HWND above = nullptr;
  if (owner_ && !TopMost && AboveOwner(owner_, LayerWindow->Handle(), above))
    SetWindowPos(LayerWindow->Handle(), above, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
}

void TspLayerManager::Hide() {
  if (!IsWindows2000OrLater()) return;
  LayerVisible = false;
  if (!LayerWindow) return;
  if (LayerWindow->HandleAllocated())
    SetWindowPos(LayerWindow->Handle(), nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
  TspLayerWindow* w = LayerWindow;
  LayerWindow = nullptr;
  delete w;
}

void TspLayerManager::OwnerChanged() {
  if (!LayerWindow || !owner_) return;
  if (!IsWindowVisible(owner_) || IsIconic(owner_)) {
    Hide();
    return;
  }
  RECT r{};
  GetWindowRect(owner_, &r);
  HWND layer = LayerWindow->Handle();
  HWND above = nullptr;
  const bool restack = !TopMost && AboveOwner(owner_, layer, above);
  SetWindowPos(layer, above, r.Left + offset_.X, r.Top + offset_.Y, 0, 0,
               SWP_NOSIZE | SWP_NOACTIVATE | (restack ? 0u : SWP_NOZORDER));
}
