// Painting: a window paints itself, then its graphic children in child
// order, each on the window's DC moved to its origin and clipped to its
// bounds. TCustomControl paints through its canvas; TGraphicControl through
// a canvas over the parent's DC.
#include <algorithm>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/ui/controls/Controls.h"
#include "platform/ui/controls/Controls_Internal.h"

using namespace controls_internal;

namespace {

std::vector<TControlCanvas*> g_canvasesWithDC;

// Sets a paint DC on a canvas for one paint call.
class TCanvasPaintScope {
 public:
  TCanvasPaintScope(TControlCanvas* canvas, HDC dc) : canvas_(canvas) {
    canvas_->FreeHandle();
    canvas_->Lock();
    canvas_->SetHandle(dc);
  }
  ~TCanvasPaintScope() {
    canvas_->SetHandle(nullptr);
    canvas_->Unlock();
  }
  TCanvasPaintScope(const TCanvasPaintScope&) = delete;
  TCanvasPaintScope& operator=(const TCanvasPaintScope&) = delete;

 private:
  TControlCanvas* canvas_;
};

}  // namespace

void FreeDeviceContexts() {
  for (TControlCanvas* c : std::vector<TControlCanvas*>(g_canvasesWithDC)) c->FreeHandle();
}

// ---- TControlCanvas --------------------------------------------------------------
TControlCanvas::~TControlCanvas() { FreeHandle(); }

void TControlCanvas::FreeHandle() {
  if (!ownDC_) return;
  HDC dc = ownDC_;
  HWND wnd = ownWnd_;
  ownDC_ = nullptr;
  ownWnd_ = nullptr;
  SetHandle(nullptr);
  if (IsWindow(wnd)) ReleaseDC(wnd, dc);
  g_canvasesWithDC.erase(std::remove(g_canvasesWithDC.begin(), g_canvasesWithDC.end(), this),
                         g_canvasesWithDC.end());
}

void TControlCanvas::CreateHandle() {
  if (!control_) return;
  HWND wnd = nullptr;
  bool graphic = false;
  if (auto* w = dynamic_cast<TWinControl*>(control_)) {
    wnd = w->Handle();
  } else if (control_->Parent()) {
    wnd = control_->Parent()->Handle();
    graphic = true;
  }
  if (!wnd) return;
  HDC dc = GetDCEx(wnd, nullptr, DCX_CACHE | DCX_CLIPCHILDREN | DCX_CLIPSIBLINGS);
  if (!dc) return;
  if (graphic) {
    SetViewportOrgEx(dc, control_->Left(), control_->Top(), nullptr);
    IntersectClipRect(dc, 0, 0, control_->Width(), control_->Height());
  }
  ownDC_ = dc;
  ownWnd_ = wnd;
  g_canvasesWithDC.push_back(this);
  SetHandle(dc);
}

// ---- TWinControl ------------------------------------------------------------------
void TWinControl::WMPaint(TMessage& Message) {
  // The canvases' own DCs would go stale under the paint.
  FreeDeviceContexts();
  PaintHandler(Message);
}

void TWinControl::PaintHandler(TMessage& Message) {
  auto alive = alive_;
  HDC dc = reinterpret_cast<HDC>(Message.WParam);
  PAINTSTRUCT ps;
  HWND h = handle_;
  if (!dc) {
    if (!h) return;
    dc = BeginPaint(h, &ps);
  }
  int saved = SaveDC(dc);
  // Opaque graphic children cover their area: the window leaves it to them.
  for (TControl* c : controls_)
    if (c->visible_ && (c->ControlStyle & csOpaque))
      ExcludeClipRect(dc, c->left_, c->top_, c->left_ + c->width_, c->top_ + c->height_);
  PaintWindow(dc);
  RestoreDC(dc, saved);
  if (*alive) PaintControls(dc, nullptr);
  if (!Message.WParam) EndPaint(h, &ps);
}

void TWinControl::PaintWindow(HDC DC) {
  // A class of its own (a sub-classed one) paints its content itself;
  // DefWindowProc has nothing to add after the erase.
  if (DefWndProc && DefWndProc != DefWindowProc) {
    TMessage m{WM_PAINT, reinterpret_cast<WPARAM>(DC), 0, 0};
    DefaultHandler(m);
  }
}

void TWinControl::PaintControls(HDC DC, TControl* First) {
  auto start = controls_.begin();
  if (First) {
    start = std::find(controls_.begin(), controls_.end(), First);
    if (start == controls_.end()) start = controls_.begin();
  }
  std::vector<TControl*> list(start, controls_.end());
  std::vector<std::shared_ptr<const bool>> tokens;
  for (TControl* c : list) tokens.push_back(c->AliveToken());
  RECT clip{};
  GetClipBox(DC, &clip);
  for (std::size_t i = 0; i < list.size(); ++i) {
    TControl* c = list[i];
    if (!*tokens[i] || c->parent_ != this || !c->visible_) continue;
    TRect b = c->BoundsRect();
    if (b.Right <= clip.Left || b.Left >= clip.Right || b.Bottom <= clip.Top || b.Top >= clip.Bottom) continue;
    int saved = SaveDC(DC);
    OffsetViewportOrgEx(DC, c->left_, c->top_, nullptr);
    IntersectClipRect(DC, 0, 0, c->width_, c->height_);
    c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
    RestoreDC(DC, saved);
  }
}

void TWinControl::WMEraseBkgnd(TMessage& Message) {
  HDC dc = reinterpret_cast<HDC>(Message.WParam);
  if (dc) {
    TRect r = ClientRect();
    FillRect(dc, &r, brush_->Handle());
  }
  Message.Result = 1;
}

void TWinControl::Invalidate() {
  if (handle_) InvalidateRect(handle_, nullptr, !(ControlStyle & csOpaque));
}

void TWinControl::Update() {
  if (handle_) UpdateWindow(handle_);
}

void TWinControl::Repaint() {
  Invalidate();
  Update();
}

// ---- TCustomControl ---------------------------------------------------------------------
TCustomControl::TCustomControl(TComponent* AOwner)
    : TWinControl(AOwner), canvas_(std::make_unique<TControlCanvas>(this)) {}

TCustomControl::~TCustomControl() {
  // The window goes while Paint and the canvas still exist.
  Destroying();
  WindowProc = TWndMethod(static_cast<TControl*>(this), &TControl::WndProc);
  DestroyHandle();
  canvas_->FreeHandle();
}

void TCustomControl::PaintWindow(HDC DC) {
  TCanvasPaintScope scope(canvas_.get(), DC);
  Paint();
}

// ---- TGraphicControl -------------------------------------------------------------------
TGraphicControl::TGraphicControl(TComponent* AOwner)
    : TControl(AOwner), canvas_(std::make_unique<TControlCanvas>(this)) {}

TGraphicControl::~TGraphicControl() { canvas_->FreeHandle(); }

void TGraphicControl::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_PAINT) {
    WMPaint(Message);
    return;
  }
  TControl::Dispatch(Message);
}

void TGraphicControl::WMPaint(TMessage& Message) {
  HDC dc = reinterpret_cast<HDC>(Message.WParam);
  if (!dc) return;
  TCanvasPaintScope scope(canvas_.get(), dc);
  Paint();
}
