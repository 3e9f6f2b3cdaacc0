// Alignment, anchors and auto size. Children are placed in the
// framework's order: top, bottom, left, right, client, custom, then the
// anchored ones that are not aligned.
#include <algorithm>

#include "platform/ui/controls/Controls.h"
#include "platform/ui/controls/Controls_Internal.h"

using namespace controls_internal;

// ---- TControl -----------------------------------------------------------------
void TControl::RequestAlign() {
  if (parent_) parent_->AlignControl(this);
}

void TControl::UpdateAnchorRules() {
  if (!parent_ || alignLevel_ || (ComponentState() & csLoading)) return;
  TRect pc = parent_->ClientRect();
  if (pc.IsEmpty()) {
    // The parent has no size yet: the distances are taken once it has one.
    anchorValid_ = false;
    return;
  }
  anchorParentSize_ = TSize{pc.Width(), pc.Height()};
  anchorRule_ = Rect(left_, top_, pc.Width() - (left_ + width_), pc.Height() - (top_ + height_));
  anchorValid_ = true;
}

void TControl::ApplyAnchors(int pw, int ph) {
  if (anchors_ == (akLeft | akTop)) return;
  if (!anchorValid_) {
    UpdateAnchorRules();
    return;
  }
  int l = left_, t = top_, w = width_, h = height_;
  if (anchors_ & akRight) {
    if (anchors_ & akLeft) {
      l = anchorRule_.Left;
      w = pw - anchorRule_.Left - anchorRule_.Right;
    } else {
      l = pw - anchorRule_.Right - w;
    }
  } else if (!(anchors_ & akLeft) && anchorParentSize_.cx > 0) {
    // Neither side: the centre keeps its relative place.
    int centre0 = anchorRule_.Left + (anchorParentSize_.cx - anchorRule_.Left - anchorRule_.Right) / 2;
    int centre = int(std::int64_t(centre0) * pw / anchorParentSize_.cx);
    l = centre - w / 2;
  }
  if (anchors_ & akBottom) {
    if (anchors_ & akTop) {
      t = anchorRule_.Top;
      h = ph - anchorRule_.Top - anchorRule_.Bottom;
    } else {
      t = ph - anchorRule_.Bottom - h;
    }
  } else if (!(anchors_ & akTop) && anchorParentSize_.cy > 0) {
    int centre0 = anchorRule_.Top + (anchorParentSize_.cy - anchorRule_.Top - anchorRule_.Bottom) / 2;
    int centre = int(std::int64_t(centre0) * ph / anchorParentSize_.cy);
    t = centre - h / 2;
  }
  alignLevel_++;
  SetBounds(l, t, std::max(0, w), std::max(0, h));
  alignLevel_--;
}

// ---- TWinControl ------------------------------------------------------------------
void TWinControl::DisableAlign() { alignDisabled_++; }

void TWinControl::EnableAlign() {
  if (alignDisabled_ > 0) alignDisabled_--;
  if (alignDisabled_ == 0 && (ControlState & csAlignmentNeeded)) Realign();
}

void TWinControl::Realign() { AlignControl(nullptr); }

void TWinControl::AdjustClientRect(TRect&) {}

void TWinControl::AlignControl(TControl* AControl) {
  if (ComponentState() & (csDestroying | csLoading)) {
    ControlState |= csAlignmentNeeded;
    return;
  }
  if (alignDisabled_ > 0) {
    ControlState |= csAlignmentNeeded;
    return;
  }
  auto alive = alive_;
  DisableAlign();
  TRect r = ClientRect();
  AlignControls(AControl, r);
  if (!*alive) return;
  // Requests made while placing the children were answered by this pass.
  ControlState &= ~csAlignmentNeeded;
  alignDisabled_--;
  if (AutoSize()) AdjustSize();
}

void TWinControl::AlignControls(TControl* AControl, TRect& Rect) {
  AdjustClientRect(Rect);
  std::vector<TControl*> list;
  const TAlign order[] = {alTop, alBottom, alLeft, alRight, alClient, alCustom};
  auto alive = alive_;
  for (TAlign a : order) {
    DoAlign(AControl, a, Rect, list);
    if (!*alive) return;
  }
  DoAnchors(Rect);
}

static bool InsertBefore(TWinControl* self, TControl* c1, TControl* c2, TAlign a,
                         bool (TWinControl::*custom)(TControl*, TControl*)) {
  switch (a) {
    case alTop: return c1->Top() < c2->Top();
    case alBottom: return c1->Top() + c1->Height() >= c2->Top() + c2->Height();
    case alLeft: return c1->Left() < c2->Left();
    case alRight: return c1->Left() + c1->Width() >= c2->Left() + c2->Width();
    case alCustom: return (self->*custom)(c1, c2);
    default: return false;
  }
}

void TWinControl::DoAlign(TControl* AControl, TAlign AAlign, TRect& Rect, std::vector<TControl*>& list) {
  list.clear();
  // The control that asked goes first among equals, so a control moved by
  // hand keeps the place it was moved to.
  if (AControl && AControl->parent_ == this && AControl->align_ == AAlign && AControl->visible_)
    list.push_back(AControl);
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    if (c == AControl || c->align_ != AAlign || !c->visible_) continue;
    std::size_t j = 0;
    while (j < list.size() && !InsertBefore(this, c, list[j], AAlign, &TWinControl::CustomAlignInsertBefore)) ++j;
    list.insert(list.begin() + std::ptrdiff_t(j), c);
  }
  std::vector<std::shared_ptr<const bool>> tokens;
  for (TControl* c : list) tokens.push_back(c->AliveToken());
  TAlignInfo info;
  info.AlignList = &list;
  info.Align = AAlign;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (!*tokens[i]) continue;
    TControl* c = list[i];
    if (c->parent_ != this) continue;
    info.ControlIndex = int(i);
    int w = Rect.Right - Rect.Left;
    if (w < 0 || AAlign == alLeft || AAlign == alRight || AAlign == alCustom) w = c->width_;
    int h = Rect.Bottom - Rect.Top;
    if (h < 0 || AAlign == alTop || AAlign == alBottom || AAlign == alCustom) h = c->height_;
    int l = Rect.Left, t = Rect.Top;
    switch (AAlign) {
      case alTop: Rect.Top += h; break;
      case alBottom: Rect.Bottom -= h; t = Rect.Bottom; break;
      case alLeft: Rect.Left += w; break;
      case alRight: Rect.Right -= w; l = Rect.Right; break;
      case alCustom:
        l = c->left_;
        t = c->top_;
        CustomAlignPosition(c, l, t, w, h, Rect, info);
        break;
      default: break;
    }
    c->alignLevel_++;
    auto alive = c->AliveToken();
    c->SetBounds(l, t, w, h);
    if (!*alive) continue;
    c->alignLevel_--;
    // Constraints may have refused the size: the rest moves up to the real edge.
    if (c->width_ != w || c->height_ != h) {
      switch (AAlign) {
        case alTop: Rect.Top -= h - c->height_; break;
        case alBottom: Rect.Bottom += h - c->height_; break;
        case alLeft: Rect.Left -= w - c->width_; break;
        case alRight: Rect.Right += w - c->width_; break;
        case alClient:
          Rect.Right += w - c->width_;
          Rect.Bottom += h - c->height_;
          break;
        default: break;
      }
    }
  }
}

void TWinControl::DoAnchors(TRect&) {
  TRect pc = ClientRect();
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    if (c->align_ == alNone) c->ApplyAnchors(pc.Width(), pc.Height());
  }
}

void TWinControl::CustomAlignPosition(TControl*, int&, int&, int&, int&, TRect&, TAlignInfo&) {}

bool TWinControl::CustomAlignInsertBefore(TControl* C1, TControl* C2) {
  (void)C1;
  (void)C2;
  return false;
}

bool TWinControl::CanAutoSize(int& NewWidth, int& NewHeight) {
  bool any = false;
  int right = 0, bottom = 0;
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    if (!c->visible_) continue;
    any = true;
    right = std::max(right, c->left_ + c->width_);
    bottom = std::max(bottom, c->top_ + c->height_);
  }
  if (!any) return false;
  TRect client = ClientRect();
  TRect adjusted = client;
  AdjustClientRect(adjusted);
  // Room for the frame and for the margins AdjustClientRect keeps free.
  NewWidth = right + (client.Right - adjusted.Right) + (width_ - client.Width());
  NewHeight = bottom + (client.Bottom - adjusted.Bottom) + (height_ - client.Height());
  return true;
}
