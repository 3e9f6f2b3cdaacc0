#include "themed/tabs/KZUPageControl.h"

#include <algorithm>

#include "platform/graphics/Canvas.h"
#include "platform/rtl/StringList.h"
#include "platform/ui/system/UiMessages.h"

// ---- Tab sheet ---------------------------------------------------------------

TkzuTabSheet::TkzuTabSheet(TComponent* AOwner) : TCustomPanel(AOwner) {
  caption_ = " ";
  TCustomPanel::SetCaption("");
  SetBevelInner(bvNone);
  SetBevelOuter(bvNone);
  SetBorderWidth(0);
  SetAlign(alClient);
}

TkzuTabSheet::~TkzuTabSheet() {
  // Leave while the page control can still tell what we are.
  if (pageControl_) SetParent(nullptr);
}

void TkzuTabSheet::SetCaption(const std::string& v) {
  caption_ = v;
  if (pageControl_) pageControl_->RebuildCaptions();
}

void TkzuTabSheet::SetPageIndex(int v) {
  if (!pageControl_ || v < 0 || v >= pageControl_->PageCount()) return;
  pageControl_->MovePage(this, v);
}

bool TkzuTabSheet::TabVisible() const {
  if (pageControl_ && pageIndex_ >= 0) return pageControl_->TopPanel()->TabVisibleFlag(pageIndex_);
  return tabVisible_;
}

void TkzuTabSheet::SetTabVisible(bool v) {
  tabVisible_ = v;
  if (pageControl_ && pageIndex_ >= 0) pageControl_->TabVisibilityChanged(this, v);
}

void TkzuTabSheet::SetBorderColor(TColor v) {
  borderColor_ = v;
  Invalidate();
}

void TkzuTabSheet::Paint() {
  TCustomPanel::Paint();
  const int W = Width(), H = Height();
  Canvas()->Pen()->SetColor(borderColor_);
  const TPoint edge[4] = {{0, 0}, {0, H - 1}, {W - 1, H - 1}, {W - 1, -1}};
  Canvas()->Polyline(edge, 4);
}

// ---- Page control ------------------------------------------------------------

TkzuPageControl::TkzuPageControl(TComponent* AOwner) : TkzuTab(AOwner) {
  Setup();
  TopPanel()->Tabs()->Clear();
  TopPanel()->SetTabIndex(-1);
}

TkzuPageControl::~TkzuPageControl() {
  destroying_ = true;
  for (TkzuTabSheet* p : pages_) p->pageControl_ = nullptr;
  pages_.clear();
  activePage_ = nullptr;
}

TkzuTabControlTopPanel* TkzuPageControl::CreateTopPanel() { return new TkzuPageControlTopPanel(this, this); }

void TkzuPageControl::Renumber() {
  for (size_t i = 0; i < pages_.size(); ++i) pages_[i]->pageIndex_ = int(i);
}

void TkzuPageControl::RebuildCaptions() {
  TStrings* tabs = TopPanel()->Tabs();
  tabs->BeginUpdate();
  tabs->Clear();
  for (TkzuTabSheet* p : pages_) tabs->Add(p->caption_);
  tabs->EndUpdate();
  for (size_t i = 0; i < pages_.size(); ++i) TopPanel()->SetTabVisibleFlag(int(i), pages_[i]->tabVisible_);
}

void TkzuPageControl::ShowPage(TkzuTabSheet* sheet) {
  activePage_ = sheet;
  if (!sheet) return;
  sheet->SetVisible(true);
  sheet->BringToFront();
  if (TNotifyEvent h = sheet->OnShow) h(sheet);
}

void TkzuPageControl::SetActivePage(TkzuTabSheet* v) {
  activePage_ = v;
  if (!v) return;
  SetTabIndex(v->pageIndex_);  // tells TabActive, which shows the page
}

void TkzuPageControl::ShowControl(TControl* AControl) {
  if (auto* sheet = dynamic_cast<TkzuTabSheet*>(AControl); sheet && sheet->pageControl_ == this) {
    SetActivePage(sheet);
    return;
  }
  TkzuTab::ShowControl(AControl);
}

void TkzuPageControl::SelectPage(int i) {
  if (i < 0 || i >= TopPanel()->Tabs()->Count()) {
    activePage_ = nullptr;
    return;
  }
  SetTabIndex(i);
}

void TkzuPageControl::TabActive(int index) {
  ShowPage(Pages(index));
  TkzuTab::TabActive(index);
}

void TkzuPageControl::SheetInserted(TkzuTabSheet* sheet) {
  if (std::find(pages_.begin(), pages_.end(), sheet) != pages_.end()) return;
  sheet->pageControl_ = this;
  sheet->SetColor(Color());
  sheet->SetBorderColor(BorderColor());
  pages_.push_back(sheet);
  Renumber();
  RebuildCaptions();
  SetActivePage(sheet);
}

void TkzuPageControl::SheetRemoved(TControl* control) {
  // Matched by pointer: a sheet being freed no longer knows its type.
  auto it = std::find(pages_.begin(), pages_.end(), control);
  if (it == pages_.end()) return;
  TkzuTabSheet* sheet = *it;
  const int index = int(it - pages_.begin());
  pages_.erase(it);
  sheet->pageControl_ = nullptr;
  sheet->pageIndex_ = -1;
  if (activePage_ == sheet) activePage_ = nullptr;
  Renumber();
  RebuildCaptions();
  SelectPage(index - 1);
}

void TkzuPageControl::MovePage(TkzuTabSheet* sheet, int to) {
  auto it = std::find(pages_.begin(), pages_.end(), sheet);
  if (it == pages_.end()) return;
  pages_.erase(it);
  pages_.insert(pages_.begin() + to, sheet);
  Renumber();
  RebuildCaptions();
  SetActivePage(sheet);
}

void TkzuPageControl::TabVisibilityChanged(TkzuTabSheet* sheet, bool visible) {
  const int i = sheet->pageIndex_;
  TopPanel()->SetTabVisibleFlag(i, visible);
  if (visible) {
    SelectPage(i);
    return;
  }
  if (activePage_ != sheet) return;
  for (int j = i - 1; j >= 0; --j)
    if (TopPanel()->TabVisibleFlag(j)) return SelectPage(j);
  for (int j = i + 1; j < PageCount(); ++j)
    if (TopPanel()->TabVisibleFlag(j)) return SelectPage(j);
}

void TkzuPageControl::BorderColorChanged() {
  for (TkzuTabSheet* p : pages_) p->SetBorderColor(BorderColor());
  if (activePage_) activePage_->Invalidate();
}

void TkzuPageControl::ApplyUIStyle(TkzuUIStyle style) {
  for (TkzuTabSheet* p : pages_) {
    p->SetColor(Color());
    p->SetBorderColor(BorderColor());
    ApplyUIStyleToChildren(p, style);
  }
}

void TkzuPageControl::Dispatch(TMessage& Message) {
  TkzuTab::Dispatch(Message);
  if (destroying_) return;
  switch (Message.Msg) {
    case CM_CONTROLLISTCHANGE: {
      auto* control = reinterpret_cast<TControl*>(Message.WParam);
      if (Message.LParam) {
        if (auto* sheet = dynamic_cast<TkzuTabSheet*>(control)) SheetInserted(sheet);
      } else {
        SheetRemoved(control);
      }
      return;
    }
    case CM_COLORCHANGED:
      for (TkzuTabSheet* p : pages_) p->SetColor(Color());
      return;
    default: return;
  }
}
