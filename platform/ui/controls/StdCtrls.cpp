#include "platform/ui/controls/StdCtrls.h"

#include <algorithm>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/ui/controls/ClassicDraw.h"

UINT AlignmentToDrawTextFlag(TAlignment a) {
  switch (a) {
    case taRightJustify: return DT_RIGHT;
    case taCenter: return DT_CENTER;
    default: return DT_LEFT;
  }
}

namespace {

// Points the canvas at another DC for a scope and back at its own after.
class TCanvasDCScope {
 public:
  TCanvasDCScope(TCanvas* canvas, HDC dc)
      : canvas_(canvas), previous_(canvas->HandleAllocated() ? canvas->Handle() : nullptr) {
    canvas_->SetHandle(dc);
  }
  ~TCanvasDCScope() { canvas_->SetHandle(previous_); }
  TCanvasDCScope(const TCanvasDCScope&) = delete;
  TCanvasDCScope& operator=(const TCanvasDCScope&) = delete;

 private:
  TCanvas* canvas_;
  HDC previous_;
};

class TMemoryDC {
 public:
  TMemoryDC() : dc_(CreateCompatibleDC(nullptr)) {}
  ~TMemoryDC() { DeleteDC(dc_); }
  TMemoryDC(const TMemoryDC&) = delete;
  TMemoryDC& operator=(const TMemoryDC&) = delete;
  HDC Get() const { return dc_; }

 private:
  HDC dc_;
};

}  // namespace

// ---- TCustomLabel ---------------------------------------------------------------

TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
  ControlStyle |= csReplicatable | csOpaque;
  SetBounds(0, 0, 65, 17);
  SetParentColor(true);
  SetAutoSize(true);
}

TCustomLabel::~TCustomLabel() { SetFocusControl(nullptr); }

UINT TCustomLabel::TextFlags() const {
  return DT_EXPANDTABS | (wordWrap_ ? DT_WORDBREAK : 0) | AlignmentToDrawTextFlag(alignment_);
}

void TCustomLabel::SetAlignment(TAlignment v) {
  if (v == alignment_) return;
  alignment_ = v;
  Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout v) {
  if (v == layout_) return;
  layout_ = v;
  Invalidate();
}

void TCustomLabel::SetWordWrap(bool v) {
  if (v == wordWrap_) return;
  wordWrap_ = v;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool v) {
  if (v == showAccelChar_) return;
  showAccelChar_ = v;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* v) {
  if (v == focusControl_) return;
  if (focusControl_) focusControl_->RemoveFreeNotification(this);
  focusControl_ = v;
  if (v) v->FreeNotification(this);
}

void TCustomLabel::SetTransparent(bool v) {
  if (v == transparent_) return;
  transparent_ = v;
  if (v)
    ControlStyle &= ~csOpaque;
  else
    ControlStyle |= csOpaque;
  Invalidate();
}

void TCustomLabel::SetAutoSize(bool v) {
  TGraphicControl::SetAutoSize(v);
  AdjustBounds();
}

void TCustomLabel::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == focusControl_) focusControl_ = nullptr;
}

void TCustomLabel::Loaded() {
  TGraphicControl::Loaded();
  AdjustBounds();
}

void TCustomLabel::DoDrawText(TRect& Rect, UINT Flags) {
  std::string text = GetLabelText();
  // An empty label still measures one line high, so it stays visible and clickable.
  if ((Flags & DT_CALCRECT) && (text.empty() || (showAccelChar_ && text == "&"))) text += ' ';
  if (!showAccelChar_) Flags |= DT_NOPREFIX;
  TCanvas* canvas = Canvas();
  DrawClassicText(canvas->Handle(), canvas->Font(), canvas->Font()->Color(), text, Rect, Flags, Enabled());
}

TSize TCustomLabel::MeasureText(int width) {
  TMemoryDC dc;
  TCanvasDCScope scope(Canvas(), dc.Get());
  Canvas()->Font()->Assign(Font());
  TRect r{0, 0, std::max(width, 0), Height()};
  DoDrawText(r, TextFlags() | DT_CALCRECT);
  return TSize{r.Width(), r.Height()};
}

bool TCustomLabel::CanAutoSize(int& NewWidth, int& NewHeight) {
  TSize s = MeasureText(NewWidth);
  NewWidth = s.cx;
  NewHeight = s.cy;
  return true;
}

void TCustomLabel::AdjustSize() { AdjustBounds(); }

void TCustomLabel::AdjustBounds() {
  if (adjusting_ || !AutoSize() || (ComponentState() & (csLoading | csDestroying))) return;
  adjusting_ = true;
  TSize s = MeasureText(Width());
  int x = Left();
  if (alignment_ == taRightJustify && !wordWrap_) x = Left() + Width() - s.cx;
  SetBounds(x, Top(), s.cx, s.cy);
  adjusting_ = false;
}

void TCustomLabel::Paint() {
  TCanvas* canvas = Canvas();
  const TRect client = ClientRect();
  if (!transparent_) {
    canvas->Brush()->SetColor(Color());
    canvas->Brush()->SetStyle(bsSolid);
    canvas->FillRect(client);
  }
  canvas->Brush()->SetStyle(bsClear);
  canvas->Font()->Assign(Font());
  TRect r = client;
  const UINT flags = TextFlags();
  if (layout_ != tlTop) {
    TRect calc = r;
    DoDrawText(calc, flags | DT_CALCRECT);
    const int spare = client.Height() - calc.Height();
    r.Top += layout_ == tlBottom ? spare : spare / 2;
  }
  DoDrawText(r, flags);
}

void TCustomLabel::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
      TGraphicControl::Dispatch(Message);  // resizes through AdjustSize
      Invalidate();
      return;
    case CM_DIALOGCHAR:
      if (focusControl_ && Enabled() && showAccelChar_ && IsAccel(Word(Message.WParam), Caption()) &&
          focusControl_->CanFocus()) {
        focusControl_->SetFocus();
        Message.Result = 1;
        return;
      }
      break;
    default: break;
  }
  TGraphicControl::Dispatch(Message);
}

// ---- TCustomGroupBox --------------------------------------------------------------

TCustomGroupBox::TCustomGroupBox(TComponent* AOwner) : TCustomControl(AOwner) {
  ControlStyle = csAcceptsControls | csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks |
                 csReplicatable;
  SetColor(clBtnFace);
  SetParentColor(true);
  SetBounds(0, 0, 185, 105);
}

void TCustomGroupBox::AdjustClientRect(TRect& Rect) {
  TCustomControl::AdjustClientRect(Rect);
  // Children sit below the caption line and inside the two-pixel etched frame.
  Rect.Top += TextCellHeight(Font());
  Rect = TRect{Rect.Left + 2, Rect.Top + 2, Rect.Right - 2, Rect.Bottom - 2};
}

void TCustomGroupBox::Paint() {
  HDC dc = Canvas()->Handle();
  const int h = TextCellHeight(Font());
  TRect frame{0, h / 2 - 1, Width(), Height()};
  DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
  const std::string text = Caption();
  if (text.empty()) return;
  TRect t{8, 0, Width() - 8, h};
  TRect measured = t;
  DrawClassicText(dc, Font(), Font()->Color(), text, measured, DT_SINGLELINE | DT_CALCRECT);
  t.Right = std::min(t.Right, measured.Right);
  // The caption interrupts the frame: a gap of one pixel on each side.
  FillSolid(dc, TRect{t.Left - 1, t.Top, t.Right + 1, t.Bottom}, Color());
  DrawClassicText(dc, Font(), Font()->Color(), text, t, DT_SINGLELINE | DT_LEFT, Enabled());
}

void TCustomGroupBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_DIALOGCHAR:
      if (IsAccel(Word(Message.WParam), Caption()) && CanFocus()) {
        SelectNext(nullptr, true, true);
        Message.Result = 1;
        return;
      }
      break;
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
      TCustomControl::Dispatch(Message);
      Realign();
      Invalidate();
      return;
    default: break;
  }
  TCustomControl::Dispatch(Message);
}

// ---- TCustomStaticText -------------------------------------------------------------

TCustomStaticText::TCustomStaticText(TComponent* AOwner) : TCustomControl(AOwner) {
  ControlStyle = csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks | csOpaque | csReplicatable;
  SetColor(clBtnFace);
  SetParentColor(true);
  SetTabStop(false);
  SetBounds(0, 0, 65, 17);
}

void TCustomStaticText::SetAlignment(TAlignment v) {
  if (v == alignment_) return;
  alignment_ = v;
  Invalidate();
}

void TCustomStaticText::SetShowAccelChar(bool v) {
  if (v == showAccelChar_) return;
  showAccelChar_ = v;
  Invalidate();
}

void TCustomStaticText::SetFocusControl(TWinControl* v) {
  if (v == focusControl_) return;
  if (focusControl_) focusControl_->RemoveFreeNotification(this);
  focusControl_ = v;
  if (v) v->FreeNotification(this);
}

void TCustomStaticText::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == focusControl_) focusControl_ = nullptr;
}

void TCustomStaticText::Paint() {
  HDC dc = Canvas()->Handle();
  TRect r = ClientRect();
  FillSolid(dc, r, Color());
  UINT flags = DT_EXPANDTABS | DT_WORDBREAK | AlignmentToDrawTextFlag(alignment_) | (showAccelChar_ ? 0 : DT_NOPREFIX);
  DrawClassicText(dc, Font(), Font()->Color(), Caption(), r, flags, Enabled());
}

void TCustomStaticText::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
    case CM_ENABLEDCHANGED:
      TCustomControl::Dispatch(Message);
      Invalidate();
      return;
    case CM_DIALOGCHAR:
      if (focusControl_ && Enabled() && showAccelChar_ && IsAccel(Word(Message.WParam), Caption()) &&
          focusControl_->CanFocus()) {
        focusControl_->SetFocus();
        Message.Result = 1;
        return;
      }
      break;
    default: break;
  }
  TCustomControl::Dispatch(Message);
}

// ---- TButtonControl ----------------------------------------------------------------

TButtonControl::TButtonControl(TComponent* AOwner) : TCustomControl(AOwner) {
  // Presses are completed here (release over the control), and a quick second
  // click is another press, not a double click.
  ControlStyle = csCaptureMouse | csSetCaption | csOpaque;
  SetColor(clBtnFace);
  SetTabStop(true);
}

void TButtonControl::SetPressed(bool v) {
  if (v == pressed_) return;
  pressed_ = v;
  Invalidate();
}

void TButtonControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = AliveToken();
  TCustomControl::MouseDown(Button, Shift, X, Y);
  if (!*alive || Button != TMouseButton::mbLeft || !Enabled()) return;
  if (CanFocus() && !Focused()) {
    SetFocus();
    if (!*alive) return;
  }
  mouseDown_ = true;
  SetPressed(true);
}

void TButtonControl::MouseMove(TShiftState Shift, int X, int Y) {
  if (mouseDown_) SetPressed(spaceDown_ || ClientRect().Contains(TPoint{X, Y}));
  TCustomControl::MouseMove(Shift, X, Y);
}

void TButtonControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = AliveToken();
  if (Button == TMouseButton::mbLeft && mouseDown_) {
    mouseDown_ = false;
    const bool complete = ClientRect().Contains(TPoint{X, Y});
    SetPressed(spaceDown_);
    if (complete && !spaceDown_) {
      ButtonPressed();
      if (!*alive) return;
    }
  }
  TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TButtonControl::KeyDown(Word& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  if (Key == VK_SPACE && !spaceDown_) {
    spaceDown_ = true;
    SetPressed(true);
  }
}

void TButtonControl::KeyUp(Word& Key, TShiftState Shift) {
  auto alive = AliveToken();
  TCustomControl::KeyUp(Key, Shift);
  if (!*alive) return;
  if (Key == VK_SPACE && spaceDown_) {
    spaceDown_ = false;
    SetPressed(mouseDown_);
    if (!mouseDown_) ButtonPressed();
  }
}

void TButtonControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETDLGCODE:
      Message.Result = DLGC_BUTTON;
      return;
    case WM_ERASEBKGND:
      Message.Result = 1;  // Paint covers the whole client area
      return;
    case WM_KILLFOCUS:
    case CM_CANCELMODE:
      // A press in progress ends without completing.
      spaceDown_ = false;
      if (Message.Msg == CM_CANCELMODE) mouseDown_ = false;
      SetPressed(mouseDown_ && pressed_);
      Invalidate();
      break;
    case WM_SETFOCUS:
    case CM_ENABLEDCHANGED:
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
      Invalidate();
      break;
    default: break;
  }
  TCustomControl::Dispatch(Message);
}

void TButtonControl::PaintCaptionBeside(const TRect& area, TAlignment align) {
  const std::string text = Caption();
  if (text.empty() || area.IsEmpty()) return;
  HDC dc = Canvas()->Handle();
  TRect m = area;
  DrawClassicText(dc, Font(), Font()->Color(), text, m, DT_SINGLELINE | DT_CALCRECT);
  const int w = std::min(m.Width(), area.Width()), h = m.Height();
  const int top = area.Top + (area.Height() - h) / 2;
  const int left = align == taRightJustify ? area.Right - w : area.Left;
  TRect t{left, top, left + w, top + h};
  DrawClassicText(dc, Font(), Font()->Color(), text, t, DT_SINGLELINE | DT_LEFT, Enabled());
  if (Focused()) {
    TRect f{t.Left - 1, t.Top, t.Right + 1, t.Bottom};
    DrawFocusRect(dc, &f);
  }
}

// ---- TButton -----------------------------------------------------------------------

TButton::TButton(TComponent* AOwner) : TButtonControl(AOwner) { SetBounds(0, 0, 75, 25); }

void TButton::SetDefault(bool v) {
  if (v == default_) return;
  default_ = v;
  Invalidate();
}

bool TButton::Active() const {
  TWinControl* focused = FocusedControl();
  auto* asButton = dynamic_cast<TButton*>(focused);
  if (asButton && GetParentForm(asButton) == GetParentForm(const_cast<TButton*>(this))) return asButton == this;
  return default_;
}

void TButton::Click() {
  if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(ModalResult);
  TButtonControl::Click();
}

void TButton::ButtonPressed() { Click(); }

void TButton::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETDLGCODE:
      Message.Result = DLGC_BUTTON | (Active() ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
      return;
    case CM_DIALOGKEY: {
      const Word key = Word(Message.WParam);
      if (((key == VK_RETURN && Active()) || (key == VK_ESCAPE && cancel_)) && CanFocus()) {
        Message.Result = 1;
        Click();
        return;
      }
      break;
    }
    case CM_DIALOGCHAR:
      if (IsAccel(Word(Message.WParam), Caption()) && CanFocus()) {
        Message.Result = 1;
        Click();
        return;
      }
      break;
    case CM_FOCUSCHANGED:
      Invalidate();  // the default look follows the focus
      break;
    default: break;
  }
  TButtonControl::Dispatch(Message);
}

void TButton::Paint() {
  HDC dc = Canvas()->Handle();
  TButtonFaceState state = (Pressed() ? bfsPushed : 0) | (Active() ? bfsDefault : 0);
  const TRect content = DrawButtonFace(dc, ClientRect(), state);
  TRect t = content;
  DrawClassicText(dc, Font(), Font()->Color(), Caption(), t, DT_CENTER | DT_VCENTER | DT_SINGLELINE, Enabled());
  if (Focused()) {
    TRect f = ButtonFocusRect(content);
    DrawFocusRect(dc, &f);
  }
}

// ---- TCustomCheckBox ---------------------------------------------------------------

namespace {

// Glyph and caption areas of a check box or radio button: the glyph at the
// left (taRightJustify) or right, centred vertically, the caption beside it.
void GlyphLayout(const TRect& client, int glyph, TAlignment align, TPoint& at, TRect& text) {
  constexpr int kGap = 4;
  at.Y = client.Top + (client.Height() - glyph) / 2;
  if (align == taLeftJustify) {
    at.X = client.Right - glyph;
    text = TRect{client.Left, client.Top, at.X - kGap, client.Bottom};
  } else {
    at.X = client.Left;
    text = TRect{at.X + glyph + kGap, client.Top, client.Right, client.Bottom};
  }
}

}  // namespace

TCustomCheckBox::TCustomCheckBox(TComponent* AOwner) : TButtonControl(AOwner) {
  SetBounds(0, 0, 97, 17);
  SetParentColor(true);
}

void TCustomCheckBox::SetState(TCheckBoxState v) {
  if (v == state_) return;
  state_ = v;
  Invalidate();
  if (!ClicksDisabled) Click();
}

void TCustomCheckBox::SetAlignment(TLeftRight v) {
  if (v == alignment_) return;
  alignment_ = v;
  Invalidate();
}

void TCustomCheckBox::Toggle() {
  switch (state_) {
    case cbUnchecked: SetState(allowGrayed_ ? cbGrayed : cbChecked); break;
    case cbChecked: SetState(cbUnchecked); break;
    case cbGrayed: SetState(cbChecked); break;
  }
}

void TCustomCheckBox::Dispatch(TMessage& Message) {
  if (Message.Msg == CM_DIALOGCHAR && IsAccel(Word(Message.WParam), Caption()) && CanFocus()) {
    Message.Result = 1;
    auto alive = AliveToken();
    SetFocus();
    if (*alive && Focused()) Toggle();
    return;
  }
  TButtonControl::Dispatch(Message);
}

void TCustomCheckBox::Paint() {
  HDC dc = Canvas()->Handle();
  const TRect client = ClientRect();
  FillSolid(dc, client, Color());
  TPoint at{};
  TRect text{};
  GlyphLayout(client, CheckGlyphSize, alignment_, at, text);
  const TCheckGlyphState glyph = state_ == cbChecked ? cgsChecked : state_ == cbGrayed ? cgsGrayed : cgsUnchecked;
  DrawCheckGlyph(dc, at.X, at.Y, glyph, Enabled(), Pressed());
  PaintCaptionBeside(text, taLeftJustify);
}

// ---- TRadioButton ------------------------------------------------------------------

TRadioButton::TRadioButton(TComponent* AOwner) : TButtonControl(AOwner) {
  SetBounds(0, 0, 113, 17);
  SetParentColor(true);
  SetTabStop(false);  // only the checked button of a group is a tab stop
}

namespace {

// The radio buttons sharing a parent, in tab order.
std::vector<TRadioButton*> RadioGroupOf(TWinControl* parent) {
  std::vector<TRadioButton*> group;
  if (!parent) return group;
  for (int i = 0; i < parent->ControlCount(); ++i)
    if (auto* rb = dynamic_cast<TRadioButton*>(parent->Controls(i))) group.push_back(rb);
  std::stable_sort(group.begin(), group.end(),
                   [](TRadioButton* a, TRadioButton* b) { return a->TabOrder() < b->TabOrder(); });
  return group;
}

// Tab reaches a group at its checked button, or at its first when none is.
void UpdateGroupTabStops(TWinControl* parent) {
  auto group = RadioGroupOf(parent);
  bool anyChecked = std::any_of(group.begin(), group.end(), [](TRadioButton* rb) { return rb->Checked(); });
  for (size_t i = 0; i < group.size(); ++i) group[i]->SetTabStop(anyChecked ? group[i]->Checked() : i == 0);
}

}  // namespace

void TRadioButton::SetChecked(bool v) {
  if (v == checked_) return;
  checked_ = v;
  Invalidate();
  TWinControl* parent = Parent();
  if (v)
    for (TRadioButton* rb : RadioGroupOf(parent))
      if (rb != this) rb->SetChecked(false);
  if (parent)
    UpdateGroupTabStops(parent);
  else
    SetTabStop(v);
  if (v && !ClicksDisabled) Click();
}

void TRadioButton::SetParent(TWinControl* AParent) {
  TWinControl* old = Parent();
  TButtonControl::SetParent(AParent);
  if (old == Parent()) return;
  SetTabStop(checked_);
  UpdateGroupTabStops(old);
  UpdateGroupTabStops(Parent());
}

void TRadioButton::SetAlignment(TLeftRight v) {
  if (v == alignment_) return;
  alignment_ = v;
  Invalidate();
}

void TRadioButton::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_GETDLGCODE) {
    Message.Result = DLGC_BUTTON | DLGC_RADIOBUTTON;
    return;
  }
  if (Message.Msg == WM_SETFOCUS) {
    auto alive = AliveToken();
    TButtonControl::Dispatch(Message);
    // Reached by the keyboard (arrows within the group): the focus checks it.
    // A mouse press checks only when released over the button.
    if (*alive && !checked_ && GetKeyState(VK_LBUTTON) >= 0) SetChecked(true);
    return;
  }
  if (Message.Msg == CM_DIALOGCHAR && IsAccel(Word(Message.WParam), Caption()) && CanFocus()) {
    Message.Result = 1;
    auto alive = AliveToken();
    SetFocus();
    if (*alive && Focused()) SetChecked(true);
    return;
  }
  TButtonControl::Dispatch(Message);
}

void TRadioButton::Paint() {
  HDC dc = Canvas()->Handle();
  const TRect client = ClientRect();
  FillSolid(dc, client, Color());
  TPoint at{};
  TRect text{};
  GlyphLayout(client, RadioGlyphSize, alignment_, at, text);
  DrawRadioGlyph(dc, at.X, at.Y, checked_, Enabled(), Pressed());
  PaintCaptionBeside(text, taLeftJustify);
}
