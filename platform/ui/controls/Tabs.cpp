#include "platform/ui/controls/Tabs.h"

#include <algorithm>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/controls/ClassicDraw.h"
#include "platform/user/User.h"

namespace {
constexpr int kTabPadding = 6;  // each side of the caption
constexpr int kEdge = 2;        // the frame and the selected tab's lift
constexpr int kScrollArrowWidth = 16;  // each of the two scroll arrows
}  // namespace

// ---- TCustomTabControl ---------------------------------------------------------------------

TCustomTabControl::TCustomTabControl(TComponent* AOwner) : TCustomControl(AOwner) {
  ControlStyle = csAcceptsControls | csCaptureMouse | csOpaque | csDoubleClicks | csClickEvents;
  SetColor(clBtnFace);
  SetTabStop(true);
  SetBounds(0, 0, 289, 193);
}

TCustomTabControl::~TCustomTabControl() = default;

void TCustomTabControl::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == images_) {
    images_ = nullptr;
    LayoutChanged();
  }
}

void TCustomTabControl::SetImages(TImageList* v) {
  if (v == images_) return;
  if (images_) images_->RemoveFreeNotification(this);
  images_ = v;
  if (v) v->FreeNotification(this);
  LayoutChanged();
}

void TCustomTabControl::SetMultiLine(bool v) {
  if (v == multiLine_) return;
  multiLine_ = v;
  LayoutChanged();
}

void TCustomTabControl::SetTabPosition(TTabPosition v) {
  if (v == tabPosition_) return;
  tabPosition_ = v;
  LayoutChanged();
}

void TCustomTabControl::LayoutChanged() {
  layoutValid_ = false;
  Realign();
  Invalidate();
}

int TCustomTabControl::TabHeight() const {
  return std::max(TextCellHeight(Font()), images_ ? images_->Height() : 0) + kTabPadding;
}

void TCustomTabControl::Layout() const {
  if (layoutValid_) return;
  layoutValid_ = true;
  const int n = TabCount(), h = TabHeight(), room = Width() - 2 * kEdge;
  rects_.assign(n, TRect{});
  rows_ = 1;
  int x = kEdge, row = 0;
  for (int i = 0; i < n; ++i) {
    int w = MeasureClassicText(Font(), TabCaption(i), TRect{}, DT_SINGLELINE).Width() + 2 * kTabPadding;
    if (images_ && TabImage(i) >= 0) w += images_->Width() + kEdge;
    if (multiLine_ && x > kEdge && x + w > kEdge + room) {
      x = kEdge;
      ++row;
    }
    rects_[i] = TRect{x, kEdge + row * h, x + w, kEdge + (row + 1) * h};
    x += w;
  }
  if (n) rows_ = row + 1;
  overflow_ = !multiLine_ && n && rects_.back().Right > kEdge + room;
  if (!overflow_) {
    firstTab_ = 0;
    return;
  }
  // Scrolling stops once the last tab ends left of the arrows.
  const int limit = Width() - 2 * kScrollArrowWidth;
  int most = 0;
  while (most < n - 1 && rects_.back().Right - (rects_[most].Left - kEdge) > limit) ++most;
  firstTab_ = std::clamp(firstTab_, 0, most);
  const int shift = rects_[firstTab_].Left - kEdge;
  for (TRect& r : rects_) {
    r.Left -= shift;
    r.Right -= shift;
  }
}

TRect TCustomTabControl::ScrollerRect() const {
  Layout();
  if (!overflow_) return TRect{};
  const int h = std::min(TabHeight() - kEdge, kScrollArrowWidth);
  const int row = tabPosition_ == tpTop ? kEdge : Height() - kEdge - TabHeight();
  const int top = row + (TabHeight() - h) / 2;
  return TRect{Width() - 2 * kScrollArrowWidth, top, Width(), top + h};
}

int TCustomTabControl::FirstVisibleTab() const {
  Layout();
  return firstTab_;
}

void TCustomTabControl::SetFirstVisibleTab(int v) {
  Layout();
  const int before = firstTab_;
  firstTab_ = std::max(0, v);
  layoutValid_ = false;
  Layout();
  if (firstTab_ != before) Invalidate();
}

int TCustomTabControl::RowCount() const {
  Layout();
  return TabCount() ? rows_ : 0;
}

TRect TCustomTabControl::TabRect(int Index) const {
  Layout();
  if (Index < 0 || Index >= int(rects_.size())) return TRect{};
  TRect r = rects_[Index];
  if (tabPosition_ == tpBottom) {
    // Mirrored: the first row sits next to the display area.
    const int top = Height() - r.Bottom, bottom = Height() - r.Top;
    r.Top = top;
    r.Bottom = bottom;
  }
  return r;
}

int TCustomTabControl::IndexOfTabAt(int X, int Y) const {
  const TPoint p{X, Y};
  if (ScrollerRect().Contains(p)) return -1;
  for (int i = FirstVisibleTab(); i < TabCount(); ++i)
    if (TabRect(i).Contains(p)) return i;
  return -1;
}

TRect TCustomTabControl::DisplayRect() const {
  const int band = RowCount() * TabHeight() + (RowCount() ? kEdge : 0);
  TRect r{0, 0, Width(), Height()};
  if (tabPosition_ == tpTop) r.Top += band;
  else r.Bottom -= band;
  // Inside the two-pixel frame plus a margin of two.
  return TRect{r.Left + 2 * kEdge, r.Top + 2 * kEdge, std::max(r.Left + 2 * kEdge, r.Right - 2 * kEdge),
               std::max(r.Top + 2 * kEdge, r.Bottom - 2 * kEdge)};
}

void TCustomTabControl::AdjustClientRect(TRect& Rect) { Rect = DisplayRect(); }

bool TCustomTabControl::CanChange() {
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  return allow;
}

void TCustomTabControl::Change() {
  if (OnChange) OnChange(this);
}

bool TCustomTabControl::UserSelect(int Index) {
  if (Index < 0 || Index >= TabCount() || Index == CurrentTab()) return false;
  auto alive = AliveToken();
  if (!CanChange() || !*alive) return false;
  if (Index >= TabCount()) return false;  // tabs removed by the handler
  SetCurrentTab(Index);
  if (!*alive) return false;
  Change();
  return *alive;
}

void TCustomTabControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = AliveToken();
  const TRect scroller = ScrollerRect();
  if (Button == TMouseButton::mbLeft && scroller.Contains(TPoint{X, Y})) {
    SetFirstVisibleTab(firstTab_ + (X < scroller.Left + kScrollArrowWidth ? -1 : 1));
  } else if (Button == TMouseButton::mbLeft) {
    const int i = IndexOfTabAt(X, Y);
    if (i >= 0) {
      if (CanFocus() && !Focused()) {
        SetFocus();
        if (!*alive) return;
      }
      UserSelect(i);
      if (!*alive) return;
    }
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomTabControl::KeyDown(Word& Key, TShiftState Shift) {
  auto alive = AliveToken();
  TCustomControl::KeyDown(Key, Shift);
  if (!*alive || TabCount() == 0) return;
  const int cur = CurrentTab();
  if (Key == VK_LEFT || Key == VK_UP) UserSelect(std::max(0, cur - 1));
  else if (Key == VK_RIGHT || Key == VK_DOWN) UserSelect(std::min(TabCount() - 1, cur + 1));
  else return;
  if (!*alive) return;
  // The chosen tab scrolls into view between the left edge and the arrows.
  const int now = CurrentTab();
  if (now < 0 || now >= TabCount()) return;
  if (now < FirstVisibleTab()) SetFirstVisibleTab(now);
  const TRect scroller = ScrollerRect();
  while (!scroller.IsEmpty() && FirstVisibleTab() < now && TabRect(now).Right > scroller.Left)
    SetFirstVisibleTab(FirstVisibleTab() + 1);
}

void TCustomTabControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETDLGCODE: Message.Result = DLGC_WANTARROWS; return;
    case WM_ERASEBKGND: Message.Result = 1; return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: Invalidate(); break;
    default: break;
  }
  TCustomControl::Dispatch(Message);
  if (Message.Msg == WM_SIZE || Message.Msg == CM_FONTCHANGED) LayoutChanged();
}

void TCustomTabControl::Paint() {
  TCanvas* canvas = Canvas();
  canvas->Font()->Assign(Font());
  HDC dc = canvas->Handle();
  FillSolid(dc, ClientRect(), Color());
  const bool top = tabPosition_ == tpTop;
  TRect frame = DisplayRect();
  frame = TRect{frame.Left - 2 * kEdge, frame.Top - 2 * kEdge, frame.Right + 2 * kEdge, frame.Bottom + 2 * kEdge};
  TRect inner = frame;
  Frame3D(dc, inner, clBtnHighlight, cl3DDkShadow, 1);
  Frame3D(dc, inner, clBtnFace, clBtnShadow, 1);
  const int current = CurrentTab();
  const TRect clip = canvas->ClipRect();
  // The selected tab is drawn last: it is lifted over its neighbours' edges.
  std::vector<int> order;
  for (int i = 0; i < TabCount(); ++i)
    if (i != current) order.push_back(i);
  if (current >= 0 && current < TabCount()) order.push_back(current);
  for (int i : order) {
    TRect r = TabRect(i);
    if (r.Left >= Width() || r.Right <= kEdge || r.Right <= clip.Left || r.Left >= clip.Right) continue;
    const bool selected = i == current;
    if (selected) {
      // Lifted by two pixels and merged with the frame.
      r = TRect{r.Left - kEdge, top ? r.Top - kEdge : r.Top, r.Right + kEdge, top ? r.Bottom + 1 : r.Bottom + kEdge};
      if (top) r.Bottom = std::max(r.Bottom, frame.Top + 1);
      // Below the page both frame lines give way, the inner grey one too.
      else r.Top = std::min(r.Top, frame.Bottom - 2);
    }
    FillSolid(dc, r, Color());
    // Outer edges: highlight on the left and the open side's far edge, dark on the right.
    FillSolid(dc, TRect{r.Left, r.Top + (top ? 2 : 0), r.Left + 1, r.Bottom - (top ? 0 : 2)}, clBtnHighlight);
    if (top) FillSolid(dc, TRect{r.Left + 2, r.Top, r.Right - 2, r.Top + 1}, clBtnHighlight);
    else FillSolid(dc, TRect{r.Left + 2, r.Bottom - 1, r.Right - 2, r.Bottom}, cl3DDkShadow);
    FillSolid(dc, TRect{r.Right - 1, r.Top + (top ? 2 : 0), r.Right, r.Bottom - (top ? 0 : 2)}, cl3DDkShadow);
    FillSolid(dc, TRect{r.Right - 2, r.Top + (top ? 1 : 0), r.Right - 1, r.Bottom - (top ? 0 : 1)}, clBtnShadow);
    int x = r.Left + kTabPadding;
    if (images_) {
      const int img = TabImage(i);
      if (img >= 0 && img < images_->Count()) {
        images_->Draw(canvas, x, r.Top + (r.Height() - images_->Height()) / 2, img, Enabled());
        x += images_->Width() + kEdge;
      }
    }
    TRect t{x, r.Top, r.Right - kTabPadding + 2, r.Bottom};
    DrawClassicText(dc, Font(), Font()->Color(), TabCaption(i), t, DT_SINGLELINE | DT_VCENTER, Enabled());
    if (selected && Focused()) {
      TRect f{t.Left - 2, t.Top + 2, t.Right, t.Bottom - 2};
      DrawFocusRect(dc, &f);
    }
  }
  const TRect scroller = ScrollerRect();
  if (!scroller.IsEmpty()) {
    const int most = TabCount() - 1;
    for (int k = 0; k < 2; ++k) {
      const TRect b{scroller.Left + k * kScrollArrowWidth, scroller.Top, scroller.Left + (k + 1) * kScrollArrowWidth,
                    scroller.Bottom};
      const TRect face = DrawButtonFace(dc, b, 0);
      // A small solid triangle pointing left or right; grey where it cannot move.
      const bool can = k == 0 ? firstTab_ > 0 : firstTab_ < most && TabRect(most).Right > scroller.Left;
      const TColor c = can ? clBtnText : clBtnShadow;
      const int cx = (face.Left + face.Right) / 2, cy = (face.Top + face.Bottom) / 2;
      for (int d = 0; d < 4; ++d) {
        const int x = k == 0 ? cx - 2 + d : cx + 1 - d;
        FillSolid(dc, TRect{x, cy - d, x + 1, cy + d + 1}, c);
      }
    }
  }
}

// ---- TTabControl -------------------------------------------------------------------------

TTabControl::TTabControl(TComponent* AOwner) : TCustomTabControl(AOwner), tabs_(std::make_unique<TStringList>()) {
  tabs_->OnChange = [this](TObject*) {
    if (tabIndex_ >= tabs_->Count()) tabIndex_ = tabs_->Count() - 1;
    if (tabIndex_ < 0 && tabs_->Count() > 0) tabIndex_ = 0;
    LayoutChanged();
  };
}

void TTabControl::SetTabIndex(int v) {
  if (v < -1 || v >= tabs_->Count() || v == tabIndex_) return;
  tabIndex_ = v;
  Invalidate();
}

// ---- TTabSheet ---------------------------------------------------------------------------

TTabSheet::TTabSheet(TComponent* AOwner) : TWinControl(AOwner) {
  ControlStyle = csAcceptsControls | csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
  SetColor(clBtnFace);
  SetParentColor(true);
  SetVisible(false);
  SetAlign(alClient);
}

TTabSheet::~TTabSheet() {
  if (pageControl_) pageControl_->RemovePage(this);
}

void TTabSheet::SetPageControl(TPageControl* v) {
  if (v == pageControl_) return;
  if (pageControl_) pageControl_->RemovePage(this);
  SetParent(v);
  if (v) v->InsertPage(this);
}

int TTabSheet::PageIndex() const {
  if (!pageControl_) return -1;
  const auto& p = pageControl_->pages_;
  return int(std::find(p.begin(), p.end(), this) - p.begin());
}

void TTabSheet::SetPageIndex(int v) {
  if (pageControl_) pageControl_->MovePage(this, v);
}

int TTabSheet::TabIndex() const {
  if (!pageControl_ || !tabVisible_) return -1;
  int n = 0;
  for (TTabSheet* p : pageControl_->pages_) {
    if (p == this) return n;
    n += p->tabVisible_;
  }
  return -1;
}

void TTabSheet::SetTabVisible(bool v) {
  if (v == tabVisible_) return;
  tabVisible_ = v;
  if (pageControl_) pageControl_->LayoutChanged();
}

void TTabSheet::SetImageIndex(int v) {
  imageIndex_ = v;
  if (pageControl_) pageControl_->Invalidate();
}

void TTabSheet::Dispatch(TMessage& Message) {
  TWinControl::Dispatch(Message);
  if (Message.Msg == CM_TEXTCHANGED && pageControl_) pageControl_->LayoutChanged();
}

// ---- TPageControl ------------------------------------------------------------------------

TPageControl::TPageControl(TComponent* AOwner) : TCustomTabControl(AOwner) {}

TPageControl::~TPageControl() {
  // The sheets are freed by the windowed base after this part is gone.
  for (TTabSheet* p : pages_) p->pageControl_ = nullptr;
  pages_.clear();
  activePage_ = nullptr;
}

TTabSheet* TPageControl::Pages(int Index) const {
  if (Index < 0 || Index >= PageCount()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return pages_[Index];
}

void TPageControl::InsertPage(TTabSheet* page) {
  pages_.push_back(page);
  page->pageControl_ = this;
  if (!activePage_) SetActivePage(page);
  LayoutChanged();
}

void TPageControl::RemovePage(TTabSheet* page) {
  auto it = std::find(pages_.begin(), pages_.end(), page);
  if (it == pages_.end()) return;
  TTabSheet* next = nullptr;
  if (page == activePage_) {
    next = FindNextPage(page, true, true);
    if (next == page) next = nullptr;
  }
  pages_.erase(it);
  page->pageControl_ = nullptr;
  if (page == activePage_) {
    activePage_ = nullptr;
    SetActivePage(next);
  }
  LayoutChanged();
}

void TPageControl::MovePage(TTabSheet* page, int index) {
  auto it = std::find(pages_.begin(), pages_.end(), page);
  if (it == pages_.end()) return;
  pages_.erase(it);
  index = std::clamp(index, 0, int(pages_.size()));
  pages_.insert(pages_.begin() + index, page);
  LayoutChanged();
}

void TPageControl::SetActivePage(TTabSheet* v) {
  if (v && v->pageControl_ != this) return;
  if (v == activePage_) return;
  activePage_ = v;
  if (v) {
    v->BringToFront();
    v->SetVisible(true);
  }
  for (TTabSheet* p : pages_)
    if (p != v) p->SetVisible(false);
  Invalidate();
}

void TPageControl::SetActivePageIndex(int v) {
  SetActivePage(v >= 0 && v < PageCount() ? pages_[v] : nullptr);
}

TTabSheet* TPageControl::VisibleTab(int Index) const {
  for (TTabSheet* p : pages_)
    if (p->tabVisible_ && Index-- == 0) return p;
  return nullptr;
}

int TPageControl::TabCount() const {
  return int(std::count_if(pages_.begin(), pages_.end(), [](TTabSheet* p) { return p->tabVisible_; }));
}

std::string TPageControl::TabCaption(int Index) const {
  TTabSheet* p = VisibleTab(Index);
  return p ? p->Caption() : std::string();
}

int TPageControl::TabImage(int Index) const {
  TTabSheet* p = VisibleTab(Index);
  return p ? p->imageIndex_ : -1;
}

void TPageControl::SetCurrentTab(int Index) { SetActivePage(VisibleTab(Index)); }

TTabSheet* TPageControl::FindNextPage(TTabSheet* CurPage, bool GoForward, bool CheckTabVisible) const {
  const int n = PageCount();
  if (n == 0) return nullptr;
  auto it = std::find(pages_.begin(), pages_.end(), CurPage);
  int start = it == pages_.end() ? (GoForward ? n - 1 : 0) : int(it - pages_.begin());
  int i = start;
  for (int step = 0; step < n; ++step) {
    i = (i + (GoForward ? 1 : n - 1)) % n;
    if (!CheckTabVisible || pages_[i]->tabVisible_) return pages_[i];
  }
  return nullptr;
}

void TPageControl::SelectNextPage(bool GoForward) {
  TTabSheet* next = FindNextPage(activePage_, GoForward, true);
  if (next && next != activePage_) UserSelect(next->TabIndex());
}

void TPageControl::Dispatch(TMessage& Message) {
  if (Message.Msg != CM_FOCUSPATHKEY || Message.WParam != VK_TAB || GetKeyState(VK_CONTROL) >= 0) {
    TCustomTabControl::Dispatch(Message);
    return;
  }
  TTabSheet* old = activePage_;
  TTabSheet* next = FindNextPage(old, GetKeyState(VK_SHIFT) >= 0, true);
  if (!next || next == old) return;  // an outer page control may take it
  Message.Result = 1;
  TWinControl* focused = FocusedControl();
  const bool focusOnOldPage = old && focused && old->ContainsControl(focused);
  auto alive = AliveToken();
  SelectNextPage(GetKeyState(VK_SHIFT) >= 0);
  if (!*alive || !activePage_ || activePage_ == old || !focusOnOldPage) return;
  // The focus was on the page now hidden: it goes to the new page's first
  // control, or to the page control.
  activePage_->SelectNext(nullptr, true, true);
  TWinControl* now = FocusedControl();
  if ((!now || !activePage_->ContainsControl(now)) && CanFocus()) SetFocus();
}
