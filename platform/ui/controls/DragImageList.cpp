#include "platform/ui/controls/DragImageList.h"

#include <cstdint>

#include "platform/gdi/Gdi.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/user/User.h"

namespace {

constexpr const char* kDragImageClass = "TDragImageWindow";

LRESULT DragImageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
  if (msg == WM_NCHITTEST) return HTTRANSPARENT;
  return DefWindowProc(hwnd, msg, wp, lp);
}

void DragImageEnsureClass() {
  WNDCLASS probe;
  if (GetClassInfo(nullptr, kDragImageClass, &probe)) return;
  WNDCLASS wc;
  wc.lpfnWndProc = DragImageProc;
  wc.lpszClassName = kDragImageClass;
  RegisterClass(&wc);
}

}  // namespace

TDragImageList::TDragImageList(TComponent* owner, int width, int height) : TImageList(owner, width, height) {}

TDragImageList::~TDragImageList() {
  *alive_ = false;
  DestroyDragWindow();
}

bool TDragImageList::SetDragImage(int Index, int HotSpotX, int HotSpotY) {
  if (Index < 0 || Index >= Count()) return false;
  dragIndex_ = Index;
  hotSpot_ = TPoint{HotSpotX, HotSpotY};
  if (window_) {
    // Made anew with the new picture, at the pointer's place.
    DestroyDragWindow();
    if (shown_) Show(true);
  }
  return true;
}

bool TDragImageList::BeginDrag(HWND Window, int X, int Y) {
  if (dragging_) EndDrag();
  if (dragIndex_ < 0 || dragIndex_ >= Count()) return false;
  dragging_ = true;
  locked_ = false;
  lockWindow_ = nullptr;
  pos_ = TPoint{X, Y};
  return DragLock(Window, X, Y);
}

bool TDragImageList::DragMove(int X, int Y) {
  if (!dragging_) return false;
  pos_ = TPoint{X, Y};
  PlaceWindow();
  return true;
}

void TDragImageList::EndDrag() {
  DestroyDragWindow();
  dragging_ = false;
  shown_ = false;
  locked_ = false;
  lockWindow_ = nullptr;
}

bool TDragImageList::DragLock(HWND Window, int XPos, int YPos) {
  if (!dragging_ || (locked_ && lockWindow_ == Window)) return false;
  locked_ = true;
  lockWindow_ = Window;
  pos_ = TPoint{XPos, YPos};
  Show(true);
  return true;
}

void TDragImageList::DragUnlock() {
  if (!locked_) return;
  Show(false);
  // Unlocked, positions count from the screen's corner: keep the image's
  // place.
  const TPoint o = LockOrigin();
  pos_ = TPoint{pos_.X + o.X, pos_.Y + o.Y};
  locked_ = false;
  lockWindow_ = nullptr;
}

void TDragImageList::ShowDragImage() {
  if (dragging_) Show(true);
}

void TDragImageList::HideDragImage() {
  if (dragging_) Show(false);
}

TPoint TDragImageList::LockOrigin() const {
  if (!lockWindow_ || lockWindow_ == GetDesktopWindow()) return TPoint{0, 0};
  RECT r{};
  if (!GetWindowRect(lockWindow_, &r)) return TPoint{0, 0};
  return TPoint{r.Left, r.Top};
}

TPoint TDragImageList::ScreenPlace() const {
  const TPoint o = LockOrigin();
  return TPoint{o.X + pos_.X - hotSpot_.X, o.Y + pos_.Y - hotSpot_.Y};
}

void TDragImageList::Show(bool show) {
  shown_ = show;
  if (!show) {
    if (window_ && IsWindow(window_)) ShowWindow(window_, SW_HIDE);
    return;
  }
  if (!window_) MakeWindow();
  if (!window_) return;
  const TPoint at = ScreenPlace();
  SetWindowPos(window_, HWND_TOPMOST, at.X, at.Y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void TDragImageList::PlaceWindow() {
  if (!window_ || !IsWindow(window_)) return;
  const TPoint at = ScreenPlace();
  SetWindowPos(window_, nullptr, at.X, at.Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TDragImageList::MakeWindow() {
  DragImageEnsureClass();
  const TPoint at = ScreenPlace();
  const int w = Width(), h = Height();
  window_ = CreateWindowEx(WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE,
                           kDragImageClass, "", WS_POPUP, at.X, at.Y, w, h, nullptr, nullptr, nullptr, nullptr);
  if (!window_) return;
  // The mask's pixels (bit set) are clear, the others opaque; opaque
  // colours are their own premultiplied form.
  TBitmap image, mask;
  GetBitmap(dragIndex_, &image);
  GetMask(dragIndex_, &mask);
  TBitmap layer(w, h, pf32bit);
  for (int y = 0; y < h; ++y) {
    const auto* src = static_cast<const std::uint8_t*>(static_cast<const TBitmap&>(image).ScanLine(y));
    const auto* m = static_cast<const std::uint8_t*>(static_cast<const TBitmap&>(mask).ScanLine(y));
    auto* dst = static_cast<std::uint8_t*>(layer.ScanLine(y));
    for (int x = 0; x < w; ++x) {
      const bool clear = m[x / 8] & (0x80 >> (x % 8));
      dst[4 * x] = clear ? 0 : src[3 * x];
      dst[4 * x + 1] = clear ? 0 : src[3 * x + 1];
      dst[4 * x + 2] = clear ? 0 : src[3 * x + 2];
      dst[4 * x + 3] = clear ? 0 : 255;
    }
  }
  const POINT dst{at.X, at.Y}, src{0, 0};
  const SIZE size{w, h};
  BLENDFUNCTION blend;
  blend.BlendOp = AC_SRC_OVER;
  blend.BlendFlags = 0;
  blend.SourceConstantAlpha = 255;
  blend.AlphaFormat = AC_SRC_ALPHA;
  UpdateLayeredWindow(window_, nullptr, &dst, &size, layer.Canvas()->Handle(), &src, 0, &blend, ULW_ALPHA);
}

bool CopyDragImage(TDragImageList& Drag, const TImageList* Images, int Index, TPoint HotSpot) {
  Drag.Clear();
  if (!Images || Index < 0 || Index >= Images->Count()) return false;
  Drag.SetSize(Images->Width(), Images->Height());
  TBitmap image, mask;
  Images->GetBitmap(Index, &image);
  Images->GetMask(Index, &mask);
  Drag.Add(&image, &mask);
  return Drag.SetDragImage(0, HotSpot.X, HotSpot.Y);
}

void TDragImageList::DestroyDragWindow() {
  HWND w = window_;
  window_ = nullptr;
  if (w && IsWindow(w)) DestroyWindow(w);
}
