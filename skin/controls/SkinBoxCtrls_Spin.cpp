// The spin buttons' mechanism, the spin edit's inner edit and the spin edit.
#include "skin/controls/SkinBoxCtrls_Spin.h"

#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/rtl/SysUtils.h"
#include "platform/user/input/Input.h"
#include "platform/user/paint/Paint.h"
#include "platform/user/windows/WindowPos.h"
#include "platform/user/User.h"
#include "skin/controls/SkinCtrls_Internal.h"

using namespace skinctrls;

namespace {

constexpr UINT kFirstDelay = 500, kRepeatMs = 100, kReentryMs = 50;

TRect Inset(const TRect& r, int d) { return TRect{r.Left + d, r.Top + d, r.Right - d, r.Bottom - d}; }

}  // namespace

// ---- Spin buttons -------------------------------------------------------------------------

void TspSpinButtons::StartTimer(UINT ms) {
  if (owner_->HandleAllocated()) SetTimer(owner_->Handle(), kSpinTimer, ms, nullptr);
}

void TspSpinButtons::StopTimer() {
  if (owner_->HandleAllocated()) KillTimer(owner_->Handle(), kSpinTimer);
}

void TspSpinButtons::Enter(int i) {
  B[std::size_t(i)].hot = true;
  owner_->Repaint();
  if (B[std::size_t(i)].down && CanRepeat()) StartTimer(kReentryMs);
}

void TspSpinButtons::Leave(int i) {
  B[std::size_t(i)].hot = false;
  owner_->Repaint();
  if (B[std::size_t(i)].down) StopTimer();
}

void TspSpinButtons::TrackMouse(int X, int Y) {
  PrevHot = Hot;
  Hot = -1;
  for (int i = 0; i < 2; ++i)
    if (B[std::size_t(i)].R.Contains(TPoint{X, Y})) {
      Hot = i;
      break;
    }
  if (Pressed != -1 && Hot != -1 && Hot != Pressed) Hot = -1;
  if (Hot == PrevHot) return;
  if (PrevHot != -1) Leave(PrevHot);
  if (Hot != -1) Enter(Hot);
}

void TspSpinButtons::MouseDown(int X, int Y) {
  TrackMouse(X, Y);
  if (Hot == -1) return;
  Pressed = Hot;
  TspSpinButton& b = B[std::size_t(Pressed)];
  b.hot = b.down = true;
  owner_->Repaint();
  RepeatDirection = Pressed == 0 ? 2 : 1;
  FirstTick = true;
  if (CanRepeat()) StartTimer(kFirstDelay);
}

void TspSpinButtons::MouseUp() {
  if (Pressed == -1) return;
  const int i = Pressed;
  TspSpinButton& b = B[std::size_t(i)];
  StopTimer();
  RepeatDirection = 0;
  b.down = false;
  if (i != Hot) b.hot = false;
  owner_->Repaint();
  Pressed = -1;
  if ((b.hot || StepWhereReleased) && Step) Step(i, true);
}

void TspSpinButtons::Tick() {
  if (FirstTick) {
    FirstTick = false;
    StartTimer(kRepeatMs);
    return;
  }
  if (RepeatDirection != 0 && Step) Step(RepeatDirection == 2 ? 0 : 1, false);
}

void TspSpinButtons::ClearHot() {
  // A held button left this way stops repeating too, as when the pointer
  // moves off it inside the control: the pointer is not on it.
  for (int i = 0; i < 2; ++i)
    if (B[std::size_t(i)].hot) Leave(i);
  PrevHot = Hot = -1;
}

// ---- TspSkinNumEdit ----------------------------------------------------------------------

void TspSkinNumEdit::KeyDown(Word& Key, TShiftState Shift) {
  if (Key == VK_UP || Key == VK_DOWN) {
    const auto& step = Key == VK_UP ? OnStepUp : OnStepDown;
    if (step) step();
    Key = 0;
    return;
  }
  TspCustomEdit::KeyDown(Key, Shift);
}

void TspSkinNumEdit::KeyPress(std::string& Key) {
  if (!Key.empty()) {
    const auto b = static_cast<unsigned char>(Key[0]);
    const char32_t c = b < 0x80 ? b : 0x80;
    if (!spnumber::IsValidChar(c, Text(), FloatMode ? vtFloat : vtInteger, !EditorEnabled)) {
      Key.clear();
      MessageBeep(0);
      return;
    }
  }
  TspCustomEdit::KeyPress(Key);
}

void TspSkinNumEdit::MouseEnter() {
  TspCustomEdit::MouseEnter();
  if (OnMouseIn) OnMouseIn();
}

void TspSkinNumEdit::MouseLeave() {
  TspCustomEdit::MouseLeave();
  if (OnMouseOut) OnMouseOut();
}

void TspSkinNumEdit::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_MOUSEWHEEL) {
    // A positive delta (turned away from the user) steps down.
    const auto& step = std::int32_t(DWORD(Message.WParam)) > 0 ? OnStepDown : OnStepUp;
    if (step) step();
    Message.Result = 0;
    return;
  }
  TspCustomEdit::Dispatch(Message);
}

// ---- TspSkinSpinEdit ------------------------------------------------------------------------

TspSkinSpinEdit::TspSkinSpinEdit(TComponent* AOwner)
    : TspSkinCustomControl(AOwner), edit_(new TspSkinNumEdit(this)), buttons_(this) {
  ControlStyle |= csAcceptsControls | csCaptureMouse | csOpaque | csDoubleClicks;
  edit_->SetParent(this);
  edit_->SetColor(defaultColor_);
  edit_->SetFont(DefaultFont());
  edit_->SetAutoSize(false);
  edit_->SetTransparentMode(false);
  edit_->OnChange = [this](TObject*) { EditChanged(); };
  edit_->OnStepUp = [this] { StepUp(); };
  edit_->OnStepDown = [this] { StepDown(); };
  edit_->OnMouseIn = [this] { ActiveLook(true); };
  edit_->OnMouseOut = [this] { ActiveLook(false); };
  edit_->OnKeyDown = [this](TObject*, Word& key, TShiftState shift) {
    if (OnEditKeyDown) OnEditKeyDown(this, key, shift);
  };
  edit_->OnKeyUp = [this](TObject*, Word& key, TShiftState shift) {
    if (OnEditKeyUp) OnEditKeyUp(this, key, shift);
  };
  edit_->OnKeyPress = [this](TObject*, std::string& key) {
    if (OnEditKeyPress) OnEditKeyPress(this, key);
  };
  edit_->OnEnter = [this](TObject*) {
    if (OnEditEnter) OnEditEnter(this);
    editFocused_ = true;
    if (ControlIndex != -1 && !IsNullRect(activeSkinRect_)) Repaint();
    ApplyEditColor();
  };
  edit_->OnExit = [this](TObject*) {
    if (OnEditExit) OnEditExit(this);
    editFocused_ = false;
    if (ControlIndex != -1 && !IsNullRect(activeSkinRect_)) Repaint();
    ApplyEditColor();
    const bool was = updatingText_;
    updatingText_ = true;
    edit_->SetText(FormatValue(value_));
    updatingText_ = was;
  };
  buttons_.Step = [this](int button, bool click) {
    if (click) {
      if (button == 0)
        StepUp();
      else
        StepDown();
    } else {
      SetValue(button == 0 ? value_ + Increment : value_ - Increment);
    }
  };
  updatingText_ = true;
  SetText("0");
  updatingText_ = false;
  SetBounds(Left(), Top(), 120, 20);
  SetSkinDataName("spinedit");
}

TspSkinSpinEdit::~TspSkinSpinEdit() {
  // The inner edit goes first with the owner's components; nothing may call back.
  edit_->OnChange = nullptr;
  edit_->OnExit = nullptr;
  edit_->OnEnter = nullptr;
  edit_->OnMouseIn = edit_->OnMouseOut = nullptr;
}

// ---- Value and text -----------------------------------------------------------------------

double TspSkinSpinEdit::ClampValue(double x) const {
  if (minValue_ == 0 && maxValue_ == 0) return x;
  if (x < minValue_) return minValue_;
  if (x > maxValue_) return maxValue_;
  return x;
}

std::string TspSkinSpinEdit::FormatValue(double v) const { return spnumber::FormatValue(v, valueType_, decimal_); }

void TspSkinSpinEdit::Change() {
  const bool was = updatingText_;
  updatingText_ = true;
  if (OnChange) OnChange(this);
  updatingText_ = was;
}

void TspSkinSpinEdit::SetValue(double x) {
  value_ = ClampValue(x);
  const bool nested = updatingText_;
  updatingText_ = true;
  if (nested)
    edit_->SetText(FormatValue(value_));
  else
    SetText(FormatValue(value_));
  updatingText_ = nested;
  if (!nested) Change();
}

void TspSkinSpinEdit::SetMinValue(double v) {
  minValue_ = v;
  if (value_ < v) SetValue(v);
}

void TspSkinSpinEdit::SetMaxValue(double v) {
  maxValue_ = v;
  if (value_ > v) SetValue(v);
}

void TspSkinSpinEdit::SetValueType(TspValueType v) {
  if (v != valueType_ && v == vtInteger) {
    Increment = double(Round(Increment));
    if (Increment == 0) Increment = 1.0;
  }
  valueType_ = v;
  edit_->FloatMode = v == vtFloat;
}

void TspSkinSpinEdit::SetDefaultColor(TColor v) {
  defaultColor_ = v;
  if (ControlIndex == -1) edit_->SetColor(v);
}

void TspSkinSpinEdit::StepUp() {
  SetValue(value_ + Increment);
  if (OnUpButtonClick) OnUpButtonClick(this);
}

void TspSkinSpinEdit::StepDown() {
  SetValue(value_ - Increment);
  if (OnDownButtonClick) OnDownButtonClick(this);
}

void TspSkinSpinEdit::EditChanged() {
  textFromEdit_ = true;
  SetText(edit_->Text());
  textFromEdit_ = false;
}

void TspSkinSpinEdit::TextChanged() {
  if (!textFromEdit_) edit_->SetText(Text());
  if (updatingText_) return;
  const std::string s = edit_->Text();
  double x = 0;
  // A text the conversion refuses counts as no number yet.
  if (!spnumber::IsValidNumberText(s, valueType_) || !spnumber::ConvertNumberText(s, valueType_, x)) return;
  const double v = ClampValue(x);
  if (v != value_) {
    value_ = v;
    Change();
  }
  if (spnumber::MustRewriteText(v, x, minValue_, maxValue_)) {
    const bool was = updatingText_;
    updatingText_ = true;
    edit_->SetText(FormatValue(v));
    updatingText_ = was;
  }
}

// ---- Skin ----------------------------------------------------------------------------------

void TspSkinSpinEdit::GetSkinData() {
  TspSkinCustomControl::GetSkinData();
  described_ = false;
  if (ControlIndex == -1) return;
  auto* d = dynamic_cast<TspDataSkinSpinEditControl*>(SkinData()->SkinControls[std::size_t(ControlIndex)].get());
  if (!d) return;
  described_ = true;
  activeSkinRect_ = d->activeskinrect;
  fontName_ = d->fontname;
  fontStyle_ = d->fontstyle;
  fontHeight_ = d->fontheight;
  fontColor_ = d->fontcolor;
  disabledFontColor_ = d->disabledfontcolor;
  activeFontColor_ = d->activefontcolor;
  upRect_ = d->upbuttonrect;
  activeUpRect_ = d->activeupbuttonrect;
  downUpRect_ = IsNullRect(d->downupbuttonrect) ? d->activeupbuttonrect : d->downupbuttonrect;
  downRect_ = d->downbuttonrect;
  activeDownRect_ = d->activedownbuttonrect;
  downDownRect_ = IsNullRect(d->downdownbuttonrect) ? d->activedownbuttonrect : d->downdownbuttonrect;
  leftWidth_ = d->lefttoppoint.X;
  rightWidth_ = d->skinrect.Width() - d->righttoppoint.X;
}

void TspSkinSpinEdit::ApplyEditColor() {
  TColor c;
  if (!Enabled())
    c = described_ ? disabledFontColor_ : TColor(clGrayText);
  else if (!described_)
    c = DefaultFont()->Color();
  else
    c = ActiveState() ? activeFontColor_ : fontColor_;
  edit_->Font()->SetColor(c);
}

void TspSkinSpinEdit::ChangeSkinData() {
  TspSkinCustomControl::ChangeSkinData();
  if (!described_) {
    edit_->SetFont(DefaultFont());
  } else if (UseSkinFont) {
    edit_->Font()->SetStyle(fontStyle_);
    edit_->Font()->SetColor(fontColor_);
    edit_->Font()->SetHeight(fontHeight_);
    edit_->Font()->SetName(fontName_);
  } else {
    edit_->SetFont(DefaultFont());
    edit_->Font()->SetColor(fontColor_);
  }
  TspSkinData* sd = SkinData();
  edit_->Font()->SetCharset(sd && sd->ResourceStrData() ? sd->ResourceStrData()->CharSet : DefaultFont()->Charset());
  edit_->SetTransparentMode(described_);
  if (described_ && UseSkinSize && Height() != SkinRect.Height()) SetHeight(SkinRect.Height());
  LayoutEdit();
  ApplyEditColor();
  Repaint();
}

void TspSkinSpinEdit::CalcSize(int& W, int& H) {
  if (UseSkinSize) {
    TspSkinCustomControl::CalcSize(W, H);
    return;
  }
  const int dx = W - SkinRect.Width();
  FittedLeftTop = LTPoint;
  FittedRightTop = TPoint{RTPoint.X + dx, RTPoint.Y};
  FittedClientRect = TRect{ClRect.Left, ClRect.Top, ClRect.Right + dx, ClRect.Bottom};
}

void TspSkinSpinEdit::SetControlRegion() {
  if (UseSkinSize) TspSkinCustomControl::SetControlRegion();
}

void TspSkinSpinEdit::FontChanged() {
  if (!(described_ && UseSkinFont)) edit_->SetFont(DefaultFont());
  AdjustEditHeight();
}

void TspSkinSpinEdit::AdjustEditHeight() {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, edit_->Font()->Handle());
  TEXTMETRIC tm;
  GetTextMetrics(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  edit_->SetHeight(int(tm.tmHeight));
}

void TspSkinSpinEdit::LayoutEdit() {
  GetSkinData();
  const int W = Width(), H = Height();
  if (!described_) {
    buttons_.B[0].R = TRect{W - 17, 2, W - 2, H / 2};
    buttons_.B[1].R = TRect{W - 17, H / 2, W - 2, H - 2};
    edit_->SetBounds(2, 2, std::max(W - 19, 0), std::max(H - 4, 0));
    AdjustEditHeight();
    edit_->SetBounds(2, H / 2 - edit_->Height() / 2, edit_->Width(), edit_->Height());
    return;
  }
  const int dx = W - SkinRect.Width(), dy = H - SkinRect.Height();
  TRect up = upRect_, down = downRect_;
  if (up.Left > RTPoint.X) up = TRect{up.Left + dx, up.Top, up.Right + dx, up.Bottom};
  if (down.Left > RTPoint.X) down = TRect{down.Left + dx, down.Top, down.Right + dx, down.Bottom};
  TRect er{ClRect.Left, ClRect.Top, ClRect.Right + dx, ClRect.Bottom};
  if (!UseSkinSize) {
    er.Bottom += dy;
    if (down.Bottom >= up.Bottom) {
      // One above the other: halves of their union grown by dy. The split
      // is the union's middle, so neither half ever turns inside out.
      const TRect u{std::min(up.Left, down.Left), std::min(up.Top, down.Top), std::max(up.Right, down.Right),
                    std::max(up.Bottom, down.Bottom) + dy};
      const int split = u.Top + (u.Bottom - u.Top) / 2;
      up = TRect{u.Left, u.Top, u.Right, split};
      down = TRect{u.Left, split, u.Right, u.Bottom};
    } else {
      up.Bottom += dy;
      down.Bottom += dy;
    }
  }
  buttons_.B[0].R = up;
  buttons_.B[1].R = down;
  edit_->SetBounds(er.Left, er.Top, std::max(er.Width(), 0), edit_->Height());
  AdjustEditHeight();
  edit_->SetBounds(er.Left, er.Top + er.Height() / 2 - edit_->Height() / 2, edit_->Width(), edit_->Height());
}

// ---- Painting --------------------------------------------------------------------------------

void TspSkinSpinEdit::DrawDefaultButton(TCanvas* C, int i) {
  const TspSpinButton& b = buttons_.B[std::size_t(i)];
  if (b.R.Width() <= 0 || b.R.Height() <= 0) return;
  if (b.hot) {
    Frame(C, b.R, kNavy);
    Fill(C, Inset(b.R, 1), b.down ? kDownFill : kHotFill);
  } else {
    Fill(C, b.R, clBtnFace);
  }
  DrawArrowImage(C, b.R, Enabled() ? TColor(0) : TColor(clBtnShadow), i == 0 ? 3 : 4);
}

void TspSkinSpinEdit::CreateControlDefaultImage(TBitmap* B) {
  TspSkinCustomControl::CreateControlDefaultImage(B);
  TCanvas* C = B->Canvas();
  const int W = Width(), H = Height();
  Frame(C, TRect{0, 0, W, H}, clBtnShadow);
  Frame(C, TRect{1, 1, W - 1, H - 1}, clBtnFace);
  // The field around the inner edit in its colour, so a taller control
  // shows one field rather than a band of button face.
  Fill(C, TRect{2, 2, std::max(buttons_.B[0].R.Left, 2), H - 2}, defaultColor_);
  DrawDefaultButton(C, 0);
  DrawDefaultButton(C, 1);
}

void TspSkinSpinEdit::CreateControlSkinImage(TBitmap* B) {
  if (!described_ || !SkinPicture) {
    TspSkinCustomControl::CreateControlSkinImage(B);
    return;
  }
  const bool active = ActiveState() && !IsNullRect(activeSkinRect_);
  const int W = Width(), H = Height();
  if (UseSkinSize) {
    if (active)
      CreateHSkinImage(leftWidth_, rightWidth_, B, SkinPicture, activeSkinRect_, W, StretchEffect);
    else
      TspSkinCustomControl::CreateControlSkinImage(B);
    for (int i = 0; i < 2; ++i) {
      const TspSpinButton& b = buttons_.B[std::size_t(i)];
      const TRect* piece = nullptr;
      if (b.down && b.hot)
        piece = i == 0 ? &downUpRect_ : &downDownRect_;
      else if (b.hot)
        piece = i == 0 ? &activeUpRect_ : &activeDownRect_;
      if (piece && !IsNullRect(*piece)) {
        SetStretchBltMode(B->Canvas()->Handle(), COLORONCOLOR);
        B->Canvas()->CopyRect(b.R, SkinPicture->Canvas(), *piece);
      }
    }
    return;
  }
  B->SetSize(W, H);
  CreateStretchSkinImage(B, SkinPicture, active ? activeSkinRect_ : SkinRect, ClRect, true);
  TspSkinData* sd = SkinData();
  int bi = sd->GetControlIndex("editbutton");
  if (bi == -1) bi = sd->GetControlIndex("resizebutton");
  auto* d = bi == -1 ? nullptr : dynamic_cast<TspDataSkinButtonControl*>(sd->SkinControls[std::size_t(bi)].get());
  for (int i = 0; i < 2; ++i) {
    const TspSpinButton& b = buttons_.B[std::size_t(i)];
    TBitmap face;
    face.SetPixelFormat(pf24bit);
    face.SetSize(std::max(b.R.Width(), 0), std::max(b.R.Height(), 0));
    TColor arrow = 0;
    if (d) {
      const TRect activeRect = IsNullRect(d->activeskinrect) ? d->skinrect : d->activeskinrect;
      TRect s = d->skinrect;
      arrow = d->fontcolor;
      if (b.down && b.hot) {
        s = IsNullRect(d->downskinrect) ? activeRect : d->downskinrect;
        arrow = d->downfontcolor;
      } else if (b.hot) {
        s = activeRect;
        arrow = d->activefontcolor;
      }
      DrawSkinButtonFace(&face, d, sd->GetActivePicture(d->pictureindex), s, b.R.Width(), b.R.Height());
      TRect ar{0, 0, b.R.Width(), b.R.Height()};
      if (b.down && b.hot) ar = TRect{ar.Left + 2, ar.Top + 2, ar.Right, ar.Bottom};
      DrawArrowImage(face.Canvas(), ar, arrow, i == 0 ? 3 : 4);
    } else {
      // No button description: the face's own colour, and the arrow.
      Fill(face.Canvas(), TRect{0, 0, face.Width(), face.Height()}, sd->SkinColors.cbtnface);
      DrawArrowImage(face.Canvas(), TRect{0, 0, face.Width(), face.Height()}, sd->SkinColors.cbtntext, i == 0 ? 3 : 4);
    }
    B->Canvas()->Draw(b.R.Left, b.R.Top, &face);
  }
}

void TspSkinSpinEdit::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  TspSkinCustomControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  // Without a window there is no WM_SIZE to lay the inner edit out.
  if (!HandleAllocated()) LayoutEdit();
}

void TspSkinSpinEdit::CreateWnd() {
  TspSkinCustomControl::CreateWnd();
  LayoutEdit();
}

void TspSkinSpinEdit::Invalidate() {
  TspSkinCustomControl::Invalidate();
  if (ControlIndex != -1) edit_->Invalidate();
}

// ---- Mouse and focus ----------------------------------------------------------------------

void TspSkinSpinEdit::ActiveLook(bool over) {
  if (!over) {
    // Leaving for the inner edit (or from it back onto the control) is
    // no leaving.
    POINT p{};
    GetCursorPos(&p);
    HWND under = WindowFromPoint(p);
    over = HandleAllocated() && (under == Handle() || (edit_->HandleAllocated() && under == edit_->Handle()));
  }
  if (over == mouseOver_) return;
  mouseOver_ = over;
  if (!described_) return;
  if (!editFocused_ && !IsNullRect(activeSkinRect_)) Repaint();
  ApplyEditColor();
}

void TspSkinSpinEdit::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  buttons_.MouseDown(X, Y);
  TspSkinCustomControl::MouseDown(Button, Shift, X, Y);
}

void TspSkinSpinEdit::MouseMove(TShiftState Shift, int X, int Y) {
  TspSkinCustomControl::MouseMove(Shift, X, Y);
  buttons_.TrackMouse(X, Y);
}

void TspSkinSpinEdit::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = AliveToken();
  buttons_.MouseUp();
  if (*alive) TspSkinCustomControl::MouseUp(Button, Shift, X, Y);
}

void TspSkinSpinEdit::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_TEXTCHANGED:
      TspSkinCustomControl::Dispatch(Message);
      TextChanged();
      return;
    case WM_SIZE:
      TspSkinCustomControl::Dispatch(Message);
      LayoutEdit();
      return;
    case WM_TIMER:
      TspSkinCustomControl::Dispatch(Message);
      if (Message.WParam == kSpinTimer) buttons_.Tick();
      return;
    case WM_ERASEBKGND:
      if (InPaintMessage || !Message.WParam || erasing_) {
        Message.Result = 1;
        return;
      }
      {
        // Asked from outside: the whole control, inner edit included.
        erasing_ = true;
        HDC dc = reinterpret_cast<HDC>(Message.WParam);
        PaintWindow(dc);
        if (edit_->HandleAllocated()) {
          const int saved = SaveDC(dc);
          POINT org{};
          GetViewportOrgEx(dc, &org);
          SetViewportOrgEx(dc, org.X + edit_->Left(), org.Y + edit_->Top(), nullptr);
          IntersectClipRect(dc, 0, 0, edit_->Width(), edit_->Height());
          SendMessage(edit_->Handle(), WM_PAINT, WPARAM(dc), 0);
          RestoreDC(dc, saved);
        }
        erasing_ = false;
      }
      Message.Result = 1;
      return;
    case CM_ENABLEDCHANGED:
      TspSkinCustomControl::Dispatch(Message);
      // A disabled control shows no button under the pointer.
      if (!Enabled()) buttons_.ClearHot();
      ApplyEditColor();
      Repaint();
      return;
    case CM_FOCUSCHANGED:
      TspSkinCustomControl::Dispatch(Message);
      if (HandleAllocated() && Focused() && edit_->HandleAllocated() && edit_->CanFocus()) edit_->SetFocus();
      return;
    case WM_SETFOCUS:
      TspSkinCustomControl::Dispatch(Message);
      if (edit_->CanFocus()) edit_->SetFocus();
      return;
    case CM_MOUSEENTER: {
      auto alive = AliveToken();
      TspSkinCustomControl::Dispatch(Message);
      if (!*alive) return;
      if (Message.LParam == 0) buttons_.TrackMouse(-1, -1);
      ActiveLook(true);
      return;
    }
    case CM_MOUSELEAVE: {
      auto alive = AliveToken();
      TspSkinCustomControl::Dispatch(Message);
      if (!*alive) return;
      if (Message.LParam == 0) buttons_.ClearHot();
      ActiveLook(false);
      return;
    }
    default: break;
  }
  TspSkinCustomControl::Dispatch(Message);
}
