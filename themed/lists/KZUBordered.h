// What the bordered list, edit and combo controls share: the flat
// two-colour frame drawn over the framework control after every paint, and
// the mirroring of the native scroll bars on linked themed scroll bars.
#pragma once
#include <algorithm>
#include <cstdlib>

#include "platform/gdi/Gdi.h"
#include "platform/ui/controls/Controls.h"
#include "platform/ui/system/UiMessages.h"
#include "platform/user/nonclient/ScrollBars.h"
#include "themed/bars/KZUScrollBar.h"
#include "themed/core/KZUPublic.h"
#include "themed/core/KZUThemes.h"

template <class Base>
class TkzuFramed : public Base {
 public:
  explicit TkzuFramed(TComponent* AOwner) : Base(AOwner) {
    if constexpr (requires(Base& b) { b.SetBorderStyle(bsNone); }) Base::SetBorderStyle(bsNone);
    borderColor_ = GetOwnerFormPanelBorderColor(AOwner);
  }

  TColor BorderColor() const { return borderColor_; }
  void SetBorderColor(TColor v) {
    borderColor_ = v;
    this->Invalidate();
  }

  // The ring between the window's edge and its client area that the
  // frame is drawn in, so the frame never covers what the control paints.
  int BorderWidth() const { return borderWidth_; }

  void Dispatch(TMessage& Message) override {
    if (Message.Msg == WM_NCCALCSIZE && borderWidth_ > 0) {
      RECT* r = Message.WParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(Message.LParam)->rgrc[0]
                               : reinterpret_cast<RECT*>(Message.LParam);
      if (r) {
        const int b = std::min({borderWidth_, std::max(0, (r->Right - r->Left) / 2), std::max(0, (r->Bottom - r->Top) / 2)});
        *r = RECT{r->Left + b, r->Top + b, r->Right - b, r->Bottom - b};
      }
    }
    Base::Dispatch(Message);
    if (Message.Msg == WM_ERASEBKGND || Message.Msg == WM_PAINT || Message.Msg == WM_NCPAINT) DrawFrame();
  }

 protected:
  virtual void DrawFrame() { DrawWindowFrame(this, borderColor_, this->Color()); }
  void AddOpaqueStyle() { this->ControlStyle |= csOpaque; }
  void SetFrameWidth(int v) {
    borderWidth_ = v;
    if (this->HandleAllocated())
      SetWindowPos(this->Handle(), nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }

 private:
  TColor borderColor_ = clBlack;
  int borderWidth_ = 2;
};

// The list box's and memo's links to themed scroll bars placed beside them
// (normally on the same parent). Link 0 mirrors the native vertical bar,
// link 1 the horizontal one.
template <class Base>
class TkzuMirrored : public TkzuFramed<Base> {
 public:
  explicit TkzuMirrored(TComponent* AOwner) : TkzuFramed<Base>(AOwner) { this->AddOpaqueStyle(); }
  ~TkzuMirrored() override {
    // Bars that outlive the control must not call back into it.
    for (TkzuScrollBar*& bar : links_)
      if (bar) {
        Release(bar);
        bar = nullptr;
      }
  }

  TkzuScrollBar* VScrollBar() const { return links_[0]; }
  void SetVScrollBar(TkzuScrollBar* v) { SetLink(0, v); }
  bool Synchronising() const { return synchronising_; }

  void SyncScrollBars() {
    if (!this->HandleAllocated() || synchronising_) return;
    synchronising_ = true;
    for (int i = 0; i < 2; ++i) {
      TkzuScrollBar* bar = links_[i];
      if (!bar) continue;
      const int native = i == 0 ? SB_VERT : SB_HORZ;
      SCROLLBARINFO sbi;
      GetScrollBarInfo(this->Handle(), i == 0 ? OBJID_VSCROLL : OBJID_HSCROLL, &sbi);
      const DWORD state = sbi.rgstate[0];
      const bool off = state == STATE_SYSTEM_INVISIBLE || state == STATE_SYSTEM_UNAVAILABLE;
      bar->SetLineButton(off ? 0 : std::abs(sbi.xyThumbBottom - sbi.xyThumbTop));
      if (bar->Enabled() == off) bar->SetEnabled(!off);
      ShowBar(bar, !off);
      SCROLLINFO si;
      si.fMask = SIF_ALL;
      if (GetScrollInfo(this->Handle(), native, &si)) {
        const int max = int(std::clamp<long long>(static_cast<long long>(si.nMax) - si.nPage + 1, INT32_MIN, INT32_MAX));
        if (bar->Max() != max) bar->SetMax(max);
        if (bar->Min() != si.nMin) bar->SetMin(si.nMin);
        if (bar->Position() != si.nPos) bar->SetPosition(si.nPos);
      }
    }
    synchronising_ = false;
    CoverNativeSeams();
  }

  void Dispatch(TMessage& Message) override {
    auto alive = this->AliveToken();
    TkzuFramed<Base>::Dispatch(Message);
    if (!*alive || (!links_[0] && !links_[1])) return;
    switch (Message.Msg) {
      case WM_MOVE:
      case WM_SIZE: PlaceScrollBars(); return;
      case WM_PAINT:
      case WM_ERASEBKGND:
      case WM_NCPAINT:
      case WM_DESTROY:
      case WM_NCDESTROY: return;
      default:
        // Whatever changed the native range, page or position (a key, a
        // typed character, a cleared list, lines added in code, a new
        // font) came through a message; a look after each keeps the bars
        // from going stale. A scroll-state change redraws the native bar
        // at once, outside any paint, so its seam is covered again too.
        SyncScrollBars();
        return;
    }
  }

  void PlaceScrollBars() {
    PlaceBars(this->Left(), this->Top(), this->Width(), this->Height());
    SyncScrollBars();
  }

 protected:
  void DrawFrame() override {
    TkzuFramed<Base>::DrawFrame();
    CoverNativeSeams();
  }
  virtual void PlaceBars(int L, int T, int W, int H) = 0;
  // Hides the whole bar (list box) or only its thumb (memo).
  virtual void ShowBar(TkzuScrollBar* bar, bool show) = 0;
  virtual void LinksChanged() {}
  TkzuScrollBar* Link(int i) const { return links_[i]; }

  void SetLink(int i, TkzuScrollBar* v) {
    if (links_[i] == v) return;
    if (links_[i]) {
      links_[i]->RemoveFreeNotification(this);
      Release(links_[i]);
    }
    links_[i] = v;
    if (v) {
      v->FreeNotification(this);
      v->SetOrientation(i == 0 ? kzuVertical : kzuHorizontal);
      v->SetOnChange([this, i](TObject*) { ScrollFromBar(i); });
      v->BringToFront();
    }
    LinksChanged();
    if (v) PlaceScrollBars();
  }

  void Notification(TComponent* AComponent, TOperation Operation) override {
    TkzuFramed<Base>::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    for (TkzuScrollBar*& bar : links_)
      if (bar == AComponent) bar = nullptr;
  }

  // Scrolls to a position beyond the 16 bits a scroll message carries.
  virtual void ScrollToLarge(int i, int pos) {
    this->Perform(i == 0 ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, std::clamp(pos, 0, 0xFFFF)), 0);
  }

 private:
  // A native bar can be a pixel wider than the themed one laid over it;
  // what shows of it beside the themed bar takes the control's colour.
  void CoverNativeSeams() {
    if (!this->HandleAllocated()) return;
    HWND wnd = this->Handle();
    RECT wr{};
    GetWindowRect(wnd, &wr);
    HDC dc = nullptr;
    for (int i = 0; i < 2; ++i) {
      TkzuScrollBar* bar = links_[i];
      if (!bar || !bar->Visible()) continue;
      SCROLLBARINFO sbi;
      if (!GetScrollBarInfo(wnd, i == 0 ? OBJID_VSCROLL : OBJID_HSCROLL, &sbi)) continue;
      if (sbi.rgstate[0] & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN)) continue;
      RECT nb = sbi.rcScrollBar;
      nb = RECT{nb.Left - wr.Left, nb.Top - wr.Top, nb.Right - wr.Left, nb.Bottom - wr.Top};
      const TPoint bp = bar->ClientToScreen(TPoint{0, 0});
      RECT strip = nb;
      if (i == 0)
        strip.Right = std::min(nb.Right, LONG(bp.X - wr.Left));
      else
        strip.Bottom = std::min(nb.Bottom, LONG(bp.Y - wr.Top));
      if (strip.Right <= strip.Left || strip.Bottom <= strip.Top) continue;
      if (!dc) dc = GetWindowDC(wnd);
      if (!dc) return;
      HBRUSH brush = CreateSolidBrush(COLORREF(ColorToRGB(this->Color())));
      FillRect(dc, &strip, brush);
      DeleteObject(brush);
    }
    if (dc) ReleaseDC(wnd, dc);
  }

  static void Release(TkzuScrollBar* bar) {
    bar->SetOnChange(nullptr);
    bar->SetLineButton(0);
    bar->SetMax(100);
    bar->SetEnabled(true);
  }

  void ScrollFromBar(int i) {
    if (synchronising_ || !links_[i]) return;
    const int pos = links_[i]->Position();
    if (pos >= 0 && pos <= 0xFFFF)
      this->Perform(i == 0 ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, pos), 0);
    else
      ScrollToLarge(i, pos);
    this->Invalidate();
  }

  TkzuScrollBar* links_[2] = {nullptr, nullptr};
  bool synchronising_ = false;
};
