#include "themed/tabs/KZUTabControl.h"

#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Graphics.h"
#include "platform/rtl/StringList.h"
#include "platform/ui/system/UiMessages.h"
#include "themed/core/KZUPublic.h"

namespace {

constexpr int EmptyCaptionTabWidth = 80;
constexpr int CaptionPadding = 20;
constexpr int MinTabWidth = 15;
// The strip's height when the look gives none (Custom).
constexpr int PlainStripHeight = 21;

}  // namespace

// ---- Top panel ---------------------------------------------------------------

TkzuTabControlTopPanel::TkzuTabControlTopPanel(TComponent* AOwner, TkzuTab* tab) : TCustomPanel(AOwner), tab_(tab) {
  ControlStyle &= ~csAcceptsControls;
  SetBevelInner(bvNone);
  SetBevelOuter(bvNone);
  tabs_ = std::make_unique<TStringList>();
  tabs_->Add("Tab1");
  tabs_->OnChange = [this](TObject*) { Invalidate(); };
  SetUIStyle(TkzuUIStyle::Custom);
}

TkzuTabControlTopPanel::~TkzuTabControlTopPanel() { tabs_->OnChange = nullptr; }

TStrings* TkzuTabControlTopPanel::Tabs() const { return tabs_.get(); }

void TkzuTabControlTopPanel::SetTabs(const TStrings* v) { tabs_->Assign(v); }

void TkzuTabControlTopPanel::SetTabIndex(int v) {
  const int count = tabs_->Count();
  if (count == 0) {
    tabIndex_ = -1;
    Invalidate();
    return;
  }
  if (v >= -1 && v < count) {
    tabIndex_ = v;
    Invalidate();
    if (tab_) tab_->TabActive(v);
    return;
  }
  Invalidate();
}

void TkzuTabControlTopPanel::SetLeftMargin(int v) {
  leftMargin_ = v;
  Invalidate();
}

void TkzuTabControlTopPanel::SetUIStyle(TkzuUIStyle v) {
  uiStyle_ = v;
  activeName_ = GetThemeBitmapName(v, 70);
  inactiveName_ = GetThemeBitmapName(v, 71);
  lineName_ = GetThemeBitmapName(v, 72);
  // A look without tab pictures keeps a usable strip height.
  const int h = GetThemeInteger(v, 73);
  SetHeight(h > 0 ? h : PlainStripHeight);
  Invalidate();
}

bool TkzuTabControlTopPanel::TabVisibleFlag(int i) const {
  return i < 0 || i >= int(visible_.size()) || visible_[i];
}

void TkzuTabControlTopPanel::SetTabVisibleFlag(int i, bool v) {
  if (i < 0) return;
  if (i >= int(visible_.size())) visible_.resize(i + 1, true);
  visible_[i] = v;
  Invalidate();
}

int TkzuTabControlTopPanel::TabAt(int x, int y) const {
  int left = leftMargin_;
  for (size_t i = 0; i < widths_.size() && widths_[i] != -1; ++i) {
    const int w = widths_[i];
    if (left < x && x < left + w && 0 < y && y < rowHeight_) return int(i);
    left += w;
  }
  return -1;
}

void TkzuTabControlTopPanel::Paint() {
  const int W = Width(), H = Height();
  if (W <= 0 || H <= 0) return;
  TBitmap buffer(W, H, pfDevice);
  TCanvas* c = buffer.Canvas();
  // What the tab control's parent shows behind it; the strip sits at its origin.
  if (tab_) DrawParentBackground(c, tab_);
  TBitmap active, inactive, line;
  const bool pictures = TryLoadThemeBitmap(activeName_, active) && TryLoadThemeBitmap(inactiveName_, inactive);
  TryLoadThemeBitmap(lineName_, line);
  active.SetTransparentColor(kzuNinePartKey);
  inactive.SetTransparentColor(kzuNinePartKey);
  rowHeight_ = pictures ? active.Height() : H;
  const int ih = pictures ? inactive.Height() : H - 1;
  const TColor border = tab_ ? tab_->BorderColor() : clBlack;
  const int lh = line.Empty() ? 1 : line.Height();
  if (!line.Empty()) {
    c->StretchDraw(TRect{1, ih, W - 1, ih + lh}, &line);
  } else {
    c->Pen()->SetColor(border);
    c->MoveTo(0, ih);
    c->LineTo(W, ih);
  }
  c->Pen()->SetColor(border);
  c->MoveTo(0, ih);
  c->LineTo(0, ih + lh);
  c->MoveTo(W - 1, ih);
  c->LineTo(W - 1, ih + lh);

  if (tab_) c->Font()->Assign(tab_->TabFont());
  const int count = tabs_->Count();
  widths_.assign(size_t(count), -1);
  int x = leftMargin_;
  for (int i = 0; i < count; ++i) {
    if (!TabVisibleFlag(i)) {
      widths_[i] = 0;
      continue;
    }
    const std::string caption = tabs_->Strings(i);
    const int w = caption.empty() ? EmptyCaptionTabWidth : std::max(c->TextWidth(caption) + CaptionPadding, MinTabWidth);
    widths_[i] = w;
    const bool isActive = i == tabIndex_;
    TRect r = isActive ? TRect{x, 1, x + w, ih + 1} : TRect{x, 0, x + w, ih};
    if (pictures) {
      DrawThreePartBitmap(isActive ? &active : &inactive, c, r, true);
    } else {
      // No pictures for this look: plain tabs, the active one in the
      // panel's colour and open toward the page.
      c->Brush()->SetColor(isActive ? Color() : clBtnFace);
      c->Brush()->SetStyle(bsSolid);
      c->Pen()->SetColor(border);
      c->Rectangle(TRect{r.Left, r.Top, r.Right, r.Bottom + (isActive ? 0 : 1)});
    }
    c->Brush()->SetStyle(bsClear);
    TRect tr = r;
    DrawText(c->Handle(), caption.c_str(), int(caption.size()), &tr, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    x += w;
  }
  Canvas()->CopyRect(TRect{0, 0, W, H}, c, TRect{0, 0, W, H});
}

void TkzuTabControlTopPanel::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  Invalidate();
  auto alive = AliveToken();
  TCustomPanel::MouseDown(Button, Shift, X, Y);
  if (!*alive) return;
  const int i = TabAt(X, Y);
  if (i >= 0) SetTabIndex(i);
}

void TkzuTabControlTopPanel::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_ERASEBKGND) {
    Message.Result = 1;
    return;
  }
  TCustomPanel::Dispatch(Message);
}

// ---- Tab ---------------------------------------------------------------------

TkzuTab::TkzuTab(TComponent* AOwner) : TCustomPanel(AOwner) { font_ = std::make_unique<TFont>(); }

TkzuTab::~TkzuTab() = default;

void TkzuTab::Setup() {
  top_ = CreateTopPanel();
  top_->SetParent(this);
  top_->SetAlign(alTop);
  SetCaption(" ");
  SetBevelInner(bvNone);
  SetBevelOuter(bvNone);
  SetBorderWidth(0);
  SetHeight(80);
  SetUIStyle(GetOwnerFormPanelUIStyle(Owner()));
}

void TkzuTab::SetBorderColor(TColor v) {
  borderColor_ = v;
  BorderColorChanged();
  Invalidate();
  if (top_) top_->Invalidate();
}

void TkzuTab::SetTabFont(const TFont* v) {
  font_->Assign(v);
  if (top_) top_->Invalidate();
}

void TkzuTab::SetUIStyle(TkzuUIStyle v) {
  if (v == TkzuUIStyle::Custom) return;
  uiStyle_ = v;
  top_->SetColor(GetThemeColor(v, 9));
  SetBorderColor(GetThemeColor(v, 8));
  top_->SetUIStyle(v);
  SetColor(v == TkzuUIStyle::WinXP ? clWhite : GetThemeColor(v, 9));
  ApplyUIStyle(v);
  Invalidate();
}

void TkzuTab::ApplyUIStyle(TkzuUIStyle style) { ApplyUIStyleToChildren(this, style); }

void TkzuTab::TabActive(int index) {
  if (ComponentState() & csLoading) return;
  if (TkzuTabActiveEvent h = OnTabActive) h(this, index);
}

void TkzuTab::Paint() {
  const int W = Width(), H = Height(), top = top_ ? top_->Height() : 0;
  Canvas()->Brush()->SetColor(Color());
  Canvas()->Brush()->SetStyle(bsSolid);
  Canvas()->FillRect(TRect{0, top, W, H});
  Canvas()->Pen()->SetColor(borderColor_);
  const TPoint edge[4] = {{0, top}, {0, H - 1}, {W - 1, H - 1}, {W - 1, top - 1}};
  Canvas()->Polyline(edge, 4);
}

void TkzuTab::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ERASEBKGND: Message.Result = 1; return;
    case CM_CURSORCHANGED:
      TCustomPanel::Dispatch(Message);
      if (top_) top_->SetCursor(Cursor());
      return;
    default: TCustomPanel::Dispatch(Message); return;
  }
}

// ---- Tab control -------------------------------------------------------------

TkzuTabControl::TkzuTabControl(TComponent* AOwner) : TkzuTab(AOwner) { Setup(); }

TkzuTabControlTopPanel* TkzuTabControl::CreateTopPanel() { return new TkzuTabControlTopPanel(this, this); }
