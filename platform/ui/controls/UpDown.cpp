#include "platform/ui/controls/UpDown.h"

#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/controls/ClassicDraw.h"

namespace {
constexpr std::uintptr_t kUpDownTimer = 1;
constexpr UINT kUpDownFirstRepeatMs = 400;
constexpr UINT kUpDownRepeatMs = 100;

std::string WithThousands(int v) {
  std::string digits = IntToStr(v < 0 ? -(long long)v : (long long)v);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ThousandSeparator;
    out += digits[i];
  }
  return v < 0 ? "-" + out : out;
}

}  // namespace

TUpDown::TUpDown(TComponent* AOwner) : TCustomControl(AOwner) {
  ControlStyle = csCaptureMouse | csOpaque | csDoubleClicks;
  SetBounds(0, 0, GetSystemMetrics(SM_CXVSCROLL), 25);
  SetColor(clBtnFace);
}

TUpDown::~TUpDown() {
  if (HandleAllocated()) KillTimer(Handle(), kUpDownTimer);
  Unhook();
}

void TUpDown::SetMin(int v) {
  min_ = v;
  SetPosition(position_);
}

void TUpDown::SetMax(int v) {
  max_ = v;
  SetPosition(position_);
}

void TUpDown::SetPosition(int v) {
  // The range may run either way (Min above Max reverses the buttons).
  const int lo = std::min(min_, max_), hi = std::max(min_, max_);
  position_ = std::clamp(v, lo, hi);
  UpdateAssociateText();
}

void TUpDown::SetThousands(bool v) {
  thousands_ = v;
  UpdateAssociateText();
}

void TUpDown::SetOrientation(TUDOrientation v) {
  if (v == orientation_) return;
  orientation_ = v;
  Invalidate();
}

void TUpDown::SetAlignButton(TUDAlignButton v) {
  if (v == alignButton_) return;
  alignButton_ = v;
  PlaceBesideAssociate();
}

// ---- Associate --------------------------------------------------------------------------

void TUpDown::Unhook() {
  if (!associate_) return;
  if (associate_->WindowProc == TWndMethod(this, &TUpDown::AssociateWndProc))
    associate_->WindowProc = associateOldProc_;
  associate_->RemoveFreeNotification(this);
  associate_ = nullptr;
  associateOldProc_ = nullptr;
}

void TUpDown::SetAssociate(TWinControl* v) {
  if (v == associate_) return;
  if (v == this) v = nullptr;
  Unhook();
  if (!v) return;
  associate_ = v;
  associate_->FreeNotification(this);
  associateOldProc_ = associate_->WindowProc;
  associate_->WindowProc = TWndMethod(this, &TUpDown::AssociateWndProc);
  if (!Parent() && associate_->Parent()) SetParent(associate_->Parent());
  PlaceBesideAssociate();
  UpdateAssociateText();
}

void TUpDown::PlaceBesideAssociate() {
  if (!associate_ || associate_->Parent() != Parent()) return;
  const TRect a = associate_->BoundsRect();
  const int w = Width();
  const int rest = std::max(0, a.Width() - w);
  if (alignButton_ == udRight) {
    associate_->SetBounds(a.Left, a.Top, rest, a.Height());
    SetBounds(a.Left + rest, a.Top, w, a.Height());
  } else {
    SetBounds(a.Left, a.Top, w, a.Height());
    associate_->SetBounds(a.Left + w, a.Top, rest, a.Height());
  }
}

void TUpDown::UpdateAssociateText() {
  if (!associate_) return;
  std::string s = base_ == 16 ? Format("0x%X", {position_}) : thousands_ ? WithThousands(position_) : IntToStr(position_);
  associate_->SetText(s);
}

void TUpDown::ReadAssociateText() {
  if (!associate_) return;
  std::string s = associate_->Text();
  s.erase(std::remove(s.begin(), s.end(), ThousandSeparator), s.end());
  int v = 0;
  if (TryStrToInt(s, v)) position_ = std::clamp(v, std::min(min_, max_), std::max(min_, max_));
}

void TUpDown::AssociateWndProc(TMessage& Message) {
  if (ArrowKeys && Message.Msg == WM_KEYDOWN && (Message.WParam == VK_UP || Message.WParam == VK_DOWN)) {
    StepBy(Message.WParam == VK_UP ? btNext : btPrev);
    Message.Result = 0;
    return;
  }
  TWndMethod old = associateOldProc_;
  if (old) old(Message);
  if (ArrowKeys && Message.Msg == WM_GETDLGCODE) Message.Result |= DLGC_WANTARROWS;
}

void TUpDown::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == associate_) {
    // Its window procedure dies with it: nothing to give back.
    associate_ = nullptr;
    associateOldProc_ = nullptr;
  }
}

// ---- Stepping ----------------------------------------------------------------------------

bool TUpDown::CanChange() {
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  return allow;
}

void TUpDown::ClickButton(TUDBtnType Button) {
  if (OnClick) OnClick(this, Button);
}

void TUpDown::StepBy(TUDBtnType Button) {
  auto alive = AliveToken();
  ReadAssociateText();
  // "Next" goes toward Max, whichever way the range runs.
  const int dir = (Button == btNext) == (max_ >= min_) ? 1 : -1;
  const int lo = std::min(min_, max_), hi = std::max(min_, max_);
  long long target = (long long)position_ + (long long)dir * Increment;
  if (target > hi) target = Wrap ? lo : hi;
  if (target < lo) target = Wrap ? hi : lo;
  bool allowed = true;
  if (HandleAllocated()) {
    if (HWND parent = GetParent(Handle())) {
      NMUPDOWN nm;
      nm.hdr.hwndFrom = Handle();
      nm.hdr.idFrom = std::uintptr_t(GetWindowLongPtr(Handle(), GWL_ID));
      nm.hdr.code = UDN_DELTAPOS;
      nm.iPos = position_;
      nm.iDelta = int(target - position_);
      allowed = SendMessage(parent, WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm)) == 0;
      if (!*alive) return;
    }
  }
  if (allowed) {
    allowed = CanChange();
    if (!*alive) return;
  }
  if (allowed && target != position_) {
    position_ = int(target);
    UpdateAssociateText();
    if (!*alive) return;
    if (HandleAllocated())
      if (HWND parent = GetParent(Handle())) {
        SendMessage(parent, orientation_ == udVertical ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, position_),
                    reinterpret_cast<LPARAM>(Handle()));
        if (!*alive) return;
      }
  }
  ClickButton(Button);
}

TRect TUpDown::ButtonRect(TUDBtnType b) const {
  const TRect r = ClientRect();
  if (orientation_ == udVertical) {
    const int mid = r.Height() / 2;
    return b == btNext ? TRect{0, 0, r.Right, mid} : TRect{0, mid, r.Right, r.Bottom};
  }
  const int mid = r.Width() / 2;
  return b == btNext ? TRect{mid, 0, r.Right, r.Bottom} : TRect{0, 0, mid, r.Bottom};
}

void TUpDown::Paint() {
  HDC dc = Canvas()->Handle();
  for (TUDBtnType b : {btNext, btPrev}) {
    const bool down = pressed_ == int(b) && overPressed_;
    const TRect r = ButtonRect(b);
    DrawButtonFace(dc, r, down ? bfsPushed : 0);
    // The arrow takes all inside the frame, one pixel lower while pushed.
    const int d = down ? 1 : 0;
    const TRect face{r.Left + 2 + d, r.Top + 2 + d, r.Right - 2 + d, r.Bottom - 2 + d};
    const TArrowDirection dir = orientation_ == udVertical ? (b == btNext ? adUp : adDown) : (b == btNext ? adRight : adLeft);
    DrawClassicArrow(dc, face, dir, Enabled());
  }
}

void TUpDown::DefaultHandler(TMessage& Message) {
  TMessage& m = Message;
  auto alive = AliveToken();
  switch (m.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      const TPoint p = m.Pos();
      for (TUDBtnType b : {btNext, btPrev}) {
        if (!ButtonRect(b).Contains(p)) continue;
        pressed_ = int(b);
        overPressed_ = true;
        Invalidate();
        if (associate_ && associate_->CanFocus() && !associate_->Focused()) {
          associate_->SetFocus();
          if (!*alive) return;
        }
        StepBy(b);
        if (!*alive) return;
        if (pressed_ >= 0 && HandleAllocated()) SetTimer(Handle(), kUpDownTimer, kUpDownFirstRepeatMs, nullptr);
        break;
      }
      m.Result = 0;
      return;
    }
    case WM_MOUSEMOVE:
      if (pressed_ >= 0) {
        const bool over = ButtonRect(TUDBtnType(pressed_)).Contains(m.Pos());
        if (over != overPressed_) {
          overPressed_ = over;
          Invalidate();
        }
      }
      break;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (pressed_ >= 0) {
        pressed_ = -1;
        if (HandleAllocated()) KillTimer(Handle(), kUpDownTimer);
        Invalidate();
      }
      break;
    case WM_TIMER:
      if (m.WParam == kUpDownTimer) {
        if (pressed_ < 0) {
          KillTimer(Handle(), kUpDownTimer);
          return;
        }
        SetTimer(Handle(), kUpDownTimer, kUpDownRepeatMs, nullptr);
        // Repeats only while the pointer stays on the pressed button.
        if (overPressed_) StepBy(TUDBtnType(pressed_));
        m.Result = 0;
        return;
      }
      break;
    case UDM_SETRANGE:
      min_ = SHORT(HIWORD(std::uintptr_t(m.LParam)));
      max_ = SHORT(LOWORD(std::uintptr_t(m.LParam)));
      SetPosition(position_);
      return;
    case UDM_GETRANGE: m.Result = MAKELRESULT(Word(max_), Word(min_)); return;
    case UDM_SETRANGE32: min_ = int(m.WParam); max_ = int(m.LParam); SetPosition(position_); return;
    case UDM_GETRANGE32:
      if (m.WParam) *reinterpret_cast<int*>(m.WParam) = min_;
      if (m.LParam) *reinterpret_cast<int*>(m.LParam) = max_;
      return;
    case UDM_SETPOS:
    case UDM_SETPOS32: {
      const int old = position_;
      SetPosition(m.Msg == UDM_SETPOS ? SHORT(LOWORD(std::uintptr_t(m.LParam))) : int(m.LParam));
      m.Result = old;
      return;
    }
    case UDM_GETPOS: ReadAssociateText(); m.Result = MAKELRESULT(Word(position_), 0); return;
    case UDM_GETPOS32:
      ReadAssociateText();
      if (m.LParam) *reinterpret_cast<BOOL*>(m.LParam) = FALSE;
      m.Result = position_;
      return;
    case UDM_SETBUDDY: {
      TWinControl* old = associate_;
      SetAssociate(FindControl(reinterpret_cast<HWND>(m.WParam)));
      m.Result = old && old->HandleAllocated() ? reinterpret_cast<LRESULT>(old->Handle()) : 0;
      return;
    }
    case UDM_GETBUDDY:
      m.Result = associate_ && associate_->HandleAllocated() ? reinterpret_cast<LRESULT>(associate_->Handle()) : 0;
      return;
    case UDM_SETBASE: {
      const int old = base_;
      if (m.WParam != 10 && m.WParam != 16) {
        m.Result = 0;
        return;
      }
      base_ = int(m.WParam);
      UpdateAssociateText();
      m.Result = old;
      return;
    }
    case UDM_GETBASE: m.Result = base_; return;
    default: break;
  }
  TCustomControl::DefaultHandler(Message);
}

void TUpDown::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ERASEBKGND: Message.Result = 1; return;
    case CN_HSCROLL:
    case CN_VSCROLL:
    case CN_NOTIFY: Message.Result = 0; return;  // our own notifications
    default: break;
  }
  TCustomControl::Dispatch(Message);
}
