// The skinned up-down: two spin buttons alone, holding an integer Position.
#include <algorithm>

#include "platform/user/User.h"
#include "skin/controls/SkinBoxCtrls_Spin.h"
#include "skin/controls/SkinCtrls_Internal.h"

using namespace skinctrls;

TspSkinUpDown::TspSkinUpDown(TComponent* AOwner) : TspSkinCustomControl(AOwner), buttons_(this) {
  ControlStyle |= csCaptureMouse | csOpaque;
  buttons_.StepWhereReleased = true;
  buttons_.CanRepeat = [this] { return increment_ != 0; };
  buttons_.Step = [this](int button, bool click) {
    if (increment_ != 0) SetPosition(button == 0 ? position_ + increment_ : position_ - increment_);
    if (!click) return;
    const TNotifyEvent& callback = button == 0 ? OnUpButtonClick : OnDownButtonClick;
    if (callback) callback(this);
  };
  SetSkinDataName("hupdown");
  SetBounds(Left(), Top(), 25, 50);
}

TspSkinUpDown::~TspSkinUpDown() = default;

void TspSkinUpDown::SetPosition(int v) {
  if (v < min_ || v > max_) return;
  position_ = v;
  Repaint();
  if (!Designing() && OnChange) OnChange(this);
}

void TspSkinUpDown::SetMin(int v) {
  min_ = v;
  if (position_ < v) position_ = v;
}

void TspSkinUpDown::SetMax(int v) {
  max_ = v;
  if (position_ > v) position_ = v;
}

void TspSkinUpDown::SetOrientation(TUDOrientation v) {
  orientation_ = v;
  if (Designing() && !(ComponentState() & csLoading)) SetSkinDataName(v == udVertical ? "vupdown" : "hupdown");
  LayoutButtons();
  Repaint();
}

void TspSkinUpDown::GetSkinData() {
  TspSkinCustomControl::GetSkinData();
  if (ControlIndex == -1) return;
  auto* d = dynamic_cast<TspDataSkinUpDownControl*>(SkinData()->SkinControls[std::size_t(ControlIndex)].get());
  if (!d) return;
  upRect_ = d->upbuttonrect;
  activeUpRect_ = d->activeupbuttonrect;
  downUpRect_ = IsNullRect(d->downupbuttonrect) ? d->activeupbuttonrect : d->downupbuttonrect;
  downRect_ = d->downbuttonrect;
  activeDownRect_ = d->activedownbuttonrect;
  downDownRect_ = IsNullRect(d->downdownbuttonrect) ? d->activedownbuttonrect : d->downdownbuttonrect;
}

void TspSkinUpDown::CalcSize(int& W, int& H) {
  if (UseSkinSize) TspSkinCustomControl::CalcSize(W, H);
}

void TspSkinUpDown::SetControlRegion() {
  if (UseSkinSize) TspSkinCustomControl::SetControlRegion();
}

void TspSkinUpDown::LayoutButtons() {
  GetSkinData();
  const int W = Width(), H = Height();
  if (ControlIndex != -1 && UseSkinSize) {
    buttons_.B[0].R = upRect_;
    buttons_.B[1].R = downRect_;
  } else if (orientation_ == udVertical) {
    buttons_.B[0].R = TRect{0, 0, W, H / 2};
    buttons_.B[1].R = TRect{0, H / 2, W, H};
  } else {
    buttons_.B[1].R = TRect{0, 0, W / 2, H};
    buttons_.B[0].R = TRect{W / 2, 0, W, H};
  }
}

void TspSkinUpDown::CreateControlDefaultImage(TBitmap* B) {
  LayoutButtons();
  TCanvas* C = B->Canvas();
  for (int i = 0; i < 2; ++i) {
    const TspSpinButton& b = buttons_.B[std::size_t(i)];
    if (b.R.Width() <= 0 || b.R.Height() <= 0) continue;
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(b.hot ? kNavy : clBtnShadow);
    C->FrameRect(b.R);
    C->Brush()->SetColor(b.hot ? (b.down ? kDownFill : kHotFill) : clBtnFace);
    C->FillRect(TRect{b.R.Left + 1, b.R.Top + 1, b.R.Right - 1, b.R.Bottom - 1});
    const int kind = orientation_ == udVertical ? (i == 0 ? 3 : 4) : (i == 0 ? 2 : 1);
    DrawArrowImage(C, b.R, Enabled() ? TColor(0) : TColor(clBtnShadow), kind);
  }
}

void TspSkinUpDown::CreateControlSkinImage(TBitmap* B) {
  LayoutButtons();
  if (UseSkinSize) {
    TspSkinCustomControl::CreateControlSkinImage(B);
    if (!SkinPicture) return;
    for (int i = 0; i < 2; ++i) {
      const TspSpinButton& b = buttons_.B[std::size_t(i)];
      const TRect* piece = nullptr;
      if (b.down && b.hot)
        piece = i == 0 ? &downUpRect_ : &downDownRect_;
      else if (b.hot)
        piece = i == 0 ? &activeUpRect_ : &activeDownRect_;
      if (piece && !IsNullRect(*piece)) B->Canvas()->CopyRect(b.R, SkinPicture->Canvas(), *piece);
    }
    return;
  }
  TspSkinData* sd = SkinData();
  const int bi = sd->GetControlIndex("resizebutton");
  auto* d = bi == -1 ? nullptr : dynamic_cast<TspDataSkinButtonControl*>(sd->SkinControls[std::size_t(bi)].get());
  for (int i = 0; i < 2; ++i) {
    const TspSpinButton& b = buttons_.B[std::size_t(i)];
    TBitmap face;
    const int kind = orientation_ == udVertical ? (i == 0 ? 3 : 4) : (i == 0 ? 2 : 1);
    if (d) {
      const TRect activeRect = IsNullRect(d->activeskinrect) ? d->skinrect : d->activeskinrect;
      TRect s = d->skinrect;
      TColor arrow = d->fontcolor;
      if (b.down && b.hot) {
        s = IsNullRect(d->downskinrect) ? activeRect : d->downskinrect;
        arrow = d->downfontcolor;
      } else if (b.hot) {
        s = activeRect;
        arrow = d->activefontcolor;
      }
      DrawSkinButtonFace(&face, d, sd->GetActivePicture(d->pictureindex), s, b.R.Width(), b.R.Height());
      TRect ar{0, 0, b.R.Width(), b.R.Height()};
      if (b.down && b.hot) ar = TRect{2, 2, ar.Right, ar.Bottom};
      DrawArrowImage(face.Canvas(), ar, arrow, kind);
    } else {
      face.SetPixelFormat(pf24bit);
      face.SetSize(std::max(b.R.Width(), 0), std::max(b.R.Height(), 0));
      face.Canvas()->Brush()->SetColor(sd->SkinColors.cbtnface);
      face.Canvas()->FillRect(TRect{0, 0, face.Width(), face.Height()});
      DrawArrowImage(face.Canvas(), TRect{0, 0, face.Width(), face.Height()}, sd->SkinColors.cbtntext, kind);
    }
    B->Canvas()->Draw(b.R.Left, b.R.Top, &face);
  }
}

void TspSkinUpDown::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  buttons_.TrackMouse(X, Y);
  buttons_.B[buttons_.Hot == 0 ? 1 : 0].hot = false;
  buttons_.MouseDown(X, Y);
  TspSkinCustomControl::MouseDown(Button, Shift, X, Y);
}

void TspSkinUpDown::MouseMove(TShiftState Shift, int X, int Y) {
  TspSkinCustomControl::MouseMove(Shift, X, Y);
  buttons_.TrackMouse(X, Y);
}

void TspSkinUpDown::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = AliveToken();
  buttons_.MouseUp();
  if (*alive) TspSkinCustomControl::MouseUp(Button, Shift, X, Y);
}

void TspSkinUpDown::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_SIZE:
      TspSkinCustomControl::Dispatch(Message);
      LayoutButtons();
      return;
    case WM_TIMER:
      TspSkinCustomControl::Dispatch(Message);
      if (Message.WParam == kSpinTimer) buttons_.Tick();
      return;
    case CM_MOUSEENTER:
      TspSkinCustomControl::Dispatch(Message);
      buttons_.Hot = buttons_.PrevHot = -1;
      return;
    case CM_MOUSELEAVE: {
      auto alive = AliveToken();
      TspSkinCustomControl::Dispatch(Message);
      if (*alive) buttons_.ClearHot();
      return;
    }
    default: break;
  }
  TspSkinCustomControl::Dispatch(Message);
}
