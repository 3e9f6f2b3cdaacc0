#include "platform/ui/controls/ComCtrls.h"

#include <cstdint>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/ui/controls/ClassicDraw.h"

// ---- TStatusPanel ----------------------------------------------------------------------

void TStatusPanel::SetText(const std::string& v) {
  if (v == text_) return;
  text_ = v;
  Changed(false);
}

void TStatusPanel::SetWidth(int v) {
  v = std::max(v, 0);
  if (v == width_) return;
  width_ = v;
  Changed(true);
}

void TStatusPanel::SetAlignment(TAlignment v) {
  if (v == alignment_) return;
  alignment_ = v;
  Changed(false);
}

void TStatusPanel::SetBevel(TStatusPanelBevel v) {
  if (v == bevel_) return;
  bevel_ = v;
  Changed(false);
}

void TStatusPanel::SetStyle(TStatusPanelStyle v) {
  if (v == style_) return;
  style_ = v;
  Changed(false);
}

void TStatusPanel::Assign(const TPersistent* Source) {
  auto* p = dynamic_cast<const TStatusPanel*>(Source);
  if (!p) {
    TCollectionItem::Assign(Source);
    return;
  }
  text_ = p->text_;
  width_ = p->width_;
  alignment_ = p->alignment_;
  bevel_ = p->bevel_;
  style_ = p->style_;
  Changed(true);
}

// ---- TStatusPanels ---------------------------------------------------------------------

TStatusPanels::TStatusPanels(TStatusBar* StatusBar)
    : TCollection(CollectionItemClassOf<TStatusPanel>(), StatusBar), statusBar_(StatusBar) {}

void TStatusPanels::Update(TCollectionItem* Item) {
  TCollection::Update(Item);
  statusBar_->Invalidate();
}

// ---- TStatusBar -------------------------------------------------------------------------

namespace {
constexpr int kPanelGap = 2;    // between panels, and above them
constexpr int kTextMargin = 3;  // inside a panel's bevel
}  // namespace

TStatusBar::TStatusBar(TComponent* AOwner) : TCustomControl(AOwner), panels_(new TStatusPanels(this)) {
  ControlStyle = csCaptureMouse | csClickEvents | csDoubleClicks | csOpaque;
  SetColor(clBtnFace);
  SetBounds(0, 0, 100, 19);
  SetAlign(alBottom);
}

TStatusBar::~TStatusBar() = default;

void TStatusBar::SetSimplePanel(bool v) {
  if (v == simplePanel_) return;
  simplePanel_ = v;
  Invalidate();
}

void TStatusBar::SetSimpleText(const std::string& v) {
  if (v == simpleText_) return;
  simpleText_ = v;
  if (simplePanel_) Invalidate();
}

void TStatusBar::SetSizeGrip(bool v) {
  if (v == sizeGrip_) return;
  sizeGrip_ = v;
  Invalidate();
}

bool TStatusBar::SizeGripShown() const {
  if (!sizeGrip_) return false;
  TCustomForm* form = GetParentForm(const_cast<TStatusBar*>(this));
  if (!form) return true;
  return (form->BorderStyle() == bsSizeable || form->BorderStyle() == bsSizeToolWin) &&
         form->WindowState() != wsMaximized;
}

int TStatusBar::PanelsRight() const {
  const int w = ClientWidth();
  return SizeGripShown() ? std::max(0, w - SizeGripSize) : w;
}

TRect TStatusBar::PanelRect(int Index) const {
  const int right = PanelsRight(), bottom = ClientHeight();
  if (simplePanel_) return Index == 0 ? TRect{0, kPanelGap, right, bottom} : TRect{};
  if (Index < 0 || Index >= panels_->Count()) return TRect{};
  int x = 0;
  for (int i = 0; i < Index; ++i) x += panels_->Items(i)->Width();
  const bool last = Index == panels_->Count() - 1;
  int r = last ? std::max(x, right) : x + panels_->Items(Index)->Width() - kPanelGap;
  r = std::min(r, ClientWidth());
  return TRect{x, kPanelGap, std::max(x, r), bottom};
}

void TStatusBar::PaintPanelFrame(HDC dc, TRect& r, TStatusPanelBevel bevel) {
  if (bevel == pbLowered)
    Frame3D(dc, r, clBtnShadow, clBtnHighlight, 1);
  else if (bevel == pbRaised)
    Frame3D(dc, r, clBtnHighlight, clBtnShadow, 1);
  else
    r = TRect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
}

void TStatusBar::DrawPanel(TStatusPanel* Panel, const TRect& Rect) {
  if (!OnDrawPanel) return;
  TCanvas* c = Canvas();
  c->Font()->Assign(Font());
  c->Brush()->SetColor(Color());
  c->Brush()->SetStyle(bsSolid);
  OnDrawPanel(this, Panel, Rect);
}

void TStatusBar::Paint() {
  HDC dc = Canvas()->Handle();
  const TRect client = ClientRect();
  FillSolid(dc, client, Color());
  auto text = [&](const std::string& s, TRect r, TAlignment a) {
    r = TRect{r.Left + kTextMargin, r.Top, r.Right - kTextMargin, r.Bottom};
    DrawClassicText(dc, Font(), Font()->Color(), s, r,
                    DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | AlignmentToDrawTextFlag(a), Enabled());
  };
  if (simplePanel_) {
    TRect r = PanelRect(0);
    PaintPanelFrame(dc, r, pbLowered);
    text(simpleText_, r, taLeftJustify);
  } else {
    auto alive = AliveToken();
    for (int i = 0; i < panels_->Count(); ++i) {
      TStatusPanel* p = panels_->Items(i);
      TRect r = PanelRect(i);
      if (r.IsEmpty()) continue;
      PaintPanelFrame(dc, r, p->Bevel());
      if (p->Style() == psOwnerDraw) {
        DrawPanel(p, r);
        if (!*alive) return;
        dc = Canvas()->Handle();
      } else {
        text(p->Text(), r, p->Alignment());
      }
    }
  }
  if (SizeGripShown()) DrawSizeGrip(dc, client);
}

// The grip square, client coordinates: the bottom-right corner, full height.
bool TStatusBar::OverGrip(TPoint screen) const {
  if (!SizeGripShown() || !HandleAllocated()) return false;
  TPoint p = ScreenToClient(screen);
  const TRect client = ClientRect();
  return p.X >= client.Right - SizeGripSize && p.X < client.Right && p.Y >= client.Top && p.Y < client.Bottom;
}

bool HandleSizeGripMessage(TControl* control, TMessage& Message) {
  if (Message.Msg == WM_SETCURSOR && LOWORD(Message.LParam) == HTBOTTOMRIGHT) {
    ::SetCursor(LoadCursor(nullptr, MAKEINTRESOURCE(IDC_SIZENWSE)));
    Message.Result = 1;
    return true;
  }
  if (Message.Msg == WM_NCLBUTTONDOWN && Message.WParam == WPARAM(HTBOTTOMRIGHT)) {
    if (TCustomForm* form = GetParentForm(control); form && form->HandleAllocated())
      SendMessage(form->Handle(), WM_SYSCOMMAND, SC_SIZE | WMSZ_BOTTOMRIGHT, Message.LParam);
    Message.Result = 0;
    return true;
  }
  return false;
}

void TStatusBar::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_NCHITTEST:
      if (OverGrip(LParamToPoint(Message.LParam))) {
        Message.Result = HTBOTTOMRIGHT;
        return;
      }
      break;
    case WM_SETCURSOR:
    case WM_NCLBUTTONDOWN:
      if (HandleSizeGripMessage(this, Message)) return;
      break;
    case WM_ERASEBKGND:
      Message.Result = 1;  // Paint fills every pixel
      return;
    case WM_SIZE:
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
    case CM_ENABLEDCHANGED:
      // The last panel and the grip follow the width.
      Invalidate();
      break;
    default: break;
  }
  TCustomControl::Dispatch(Message);
}

// ---- TProgressBar -------------------------------------------------------------------------

TProgressBar::TProgressBar(TComponent* AOwner) : TCustomControl(AOwner) {
  ControlStyle = csCaptureMouse | csClickEvents | csDoubleClicks | csOpaque;
  SetColor(clBtnFace);
  SetBounds(0, 0, 150, 16);
}

void TProgressBar::SetRange(int AMin, int AMax) {
  AMax = std::max(AMin, AMax);
  if (AMin == min_ && AMax == max_) return;
  min_ = AMin;
  max_ = AMax;
  position_ = std::clamp(position_, min_, max_);
  Invalidate();
}

void TProgressBar::SetPosition(int v) {
  v = std::clamp(v, min_, max_);
  if (v == position_) return;
  position_ = v;
  Invalidate();
}

void TProgressBar::StepIt() {
  const std::int64_t range = std::int64_t(max_) - min_;
  std::int64_t next = std::int64_t(position_) + step_;
  if (range == 0) {
    next = min_;
  } else if (next > max_) {
    next = min_ + (next - min_) % range;
  } else if (next < min_) {
    next = max_ - (std::int64_t(min_) - next) % range;
  }
  SetPosition(int(next));
}

void TProgressBar::StepBy(int Delta) {
  SetPosition(int(std::clamp<std::int64_t>(std::int64_t(position_) + Delta, min_, max_)));
}

void TProgressBar::SetSmooth(bool v) {
  if (v == smooth_) return;
  smooth_ = v;
  Invalidate();
}

void TProgressBar::SetOrientation(TProgressBarOrientation v) {
  if (v == orientation_) return;
  orientation_ = v;
  if (!(ComponentState() & csLoading)) SetBounds(Left(), Top(), Height(), Width());
  Invalidate();
}

void TProgressBar::Paint() {
  HDC dc = Canvas()->Handle();
  TRect r = ClientRect();
  Frame3D(dc, r, clBtnShadow, clBtnHighlight, 1);
  Frame3D(dc, r, Color(), Color(), 1);
  DrawProgressFill(dc, r, min_, max_, position_, smooth_, orientation_ == pbVertical, clHighlight, Color());
}

void TProgressBar::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_ERASEBKGND) {
    Message.Result = 1;  // Paint fills every pixel
    return;
  }
  TCustomControl::Dispatch(Message);
}
