// The themed page control: its tabs are the captions of its tab sheets,
// one of which is shown at a time.
#pragma once
#include <string>
#include <vector>

#include "themed/tabs/KZUTabControl.h"

class TkzuPageControl;

class TkzuTabSheet : public TCustomPanel, public TkzuLookTarget {
 public:
  explicit TkzuTabSheet(TComponent* AOwner);
  ~TkzuTabSheet() override;
  std::string ClassName() const override { return "TkzuTabSheet"; }

  TkzuPageControl* PageControl() const { return pageControl_; }
  int PageIndex() const { return pageIndex_; }
  void SetPageIndex(int v);
  // The tab's caption, kept apart from the panel's own text, which stays empty.
  std::string Caption() const { return caption_; }
  void SetCaption(const std::string& v);
  bool TabVisible() const;
  void SetTabVisible(bool v);
  TColor BorderColor() const { return borderColor_; }
  void SetBorderColor(TColor v);
  TNotifyEvent OnShow;

  void ApplyContainerUIStyle(TkzuUIStyle style) override { ApplyUIStyleToChildren(this, style); }
  bool PassesLookToChildren() const override { return true; }

 protected:
  void Paint() override;

 private:
  friend class TkzuPageControl;
  TkzuPageControl* pageControl_ = nullptr;
  int pageIndex_ = -1;
  std::string caption_;
  TColor borderColor_ = clBlack;
  bool tabVisible_ = true;
};

class TkzuPageControl : public TkzuTab {
 public:
  explicit TkzuPageControl(TComponent* AOwner);
  ~TkzuPageControl() override;
  std::string ClassName() const override { return "TkzuPageControl"; }

  TkzuTabSheet* ActivePage() const { return activePage_; }
  void SetActivePage(TkzuTabSheet* v);
  int PageCount() const { return int(pages_.size()); }
  TkzuTabSheet* Pages(int i) const { return i >= 0 && i < PageCount() ? pages_[i] : nullptr; }
  void SelectPage(int i);

  void TabActive(int index) override;
  void ShowControl(TControl* AControl) override;
  void Dispatch(TMessage& Message) override;

 protected:
  TkzuTabControlTopPanel* CreateTopPanel() override;
  void BorderColorChanged() override;
  void ApplyUIStyle(TkzuUIStyle style) override;

 private:
  friend class TkzuTabSheet;
  void Renumber();
  void RebuildCaptions();
  void ShowPage(TkzuTabSheet* sheet);
  void SheetInserted(TkzuTabSheet* sheet);
  void SheetRemoved(TControl* control);
  void MovePage(TkzuTabSheet* sheet, int to);
  void TabVisibilityChanged(TkzuTabSheet* sheet, bool visible);

  std::vector<TkzuTabSheet*> pages_;
  TkzuTabSheet* activePage_ = nullptr;
  bool destroying_ = false;
};
