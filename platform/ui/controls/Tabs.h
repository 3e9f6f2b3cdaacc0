// Tab control and page control, drawn in the classic look: a row (or, with
// MultiLine, rows) of tabs along the top or bottom edge and a raised frame
// round the display area. A tab chosen by the user (click, or Left/Right
// while focused) asks OnChanging first, which may refuse, then OnChange;
// setting TabIndex or ActivePage from code fires neither. Tab i shows
// image i of Images (a page control: the sheet's ImageIndex).
//
// Single-line tabs that do not fit get a pair of arrow buttons at the right
// end which shift the first tab shown by one; multi-line rows keep their order (the selected row does not move
// next to the display area).
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/ImageList.h"
#include "platform/rtl/StringList.h"
#include "platform/ui/controls/Controls.h"

enum TTabPosition { tpTop, tpBottom };
using TTabChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;

class TCustomTabControl : public TCustomControl {
 public:
  explicit TCustomTabControl(TComponent* AOwner);
  ~TCustomTabControl() override;
  std::string ClassName() const override { return "TCustomTabControl"; }

  bool MultiLine() const { return multiLine_; }
  void SetMultiLine(bool v);
  TTabPosition TabPosition() const { return tabPosition_; }
  void SetTabPosition(TTabPosition v);
  TImageList* Images() const { return images_; }
  void SetImages(TImageList* v);
  bool HotTrack = false;
  // Client rectangle of a tab; empty for an index out of range.
  TRect TabRect(int Index) const;
  // The tab under a client point, or -1.
  int IndexOfTabAt(int X, int Y) const;
  // The area inside the frame, below (or above) the tabs.
  TRect DisplayRect() const;
  int RowCount() const;
  // Single line only: the arrow pair (empty while the tabs fit) and the
  // first tab shown; tabs before it lie left of the control.
  TRect ScrollerRect() const;
  int FirstVisibleTab() const;
  void SetFirstVisibleTab(int v);
  void AdjustClientRect(TRect& Rect) override;

  TTabChangingEvent OnChanging;
  TNotifyEvent OnChange;
  void Dispatch(TMessage& Message) override;

 protected:
  // What the tabs show; the tab control keeps a string list, the page control
  // its visible sheets. The base answers "no tabs", as it must while the
  // derived part is not yet made or already gone.
  virtual int TabCount() const { return 0; }
  virtual std::string TabCaption(int) const { return std::string(); }
  virtual int TabImage(int Index) const { return Index; }
  virtual int CurrentTab() const { return -1; }
  // Makes a tab current without events.
  virtual void SetCurrentTab(int) {}
  virtual bool CanChange();
  virtual void Change();
  // A user's choice: OnChanging, then the change and OnChange. False when refused.
  bool UserSelect(int Index);
  void LayoutChanged();
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void Layout() const;
  int TabHeight() const;
  bool multiLine_ = false;
  TTabPosition tabPosition_ = tpTop;
  TImageList* images_ = nullptr;
  mutable bool layoutValid_ = false;
  mutable std::vector<TRect> rects_;  // per tab, as laid out at the top edge
  mutable int rows_ = 1;
  mutable int firstTab_ = 0;
  mutable bool overflow_ = false;
};

class TTabControl : public TCustomTabControl {
 public:
  explicit TTabControl(TComponent* AOwner);
  std::string ClassName() const override { return "TTabControl"; }
  TStrings* Tabs() const { return tabs_.get(); }
  int TabIndex() const { return tabIndex_; }
  void SetTabIndex(int v);

 protected:
  int TabCount() const override { return tabs_->Count(); }
  std::string TabCaption(int Index) const override { return tabs_->Strings(Index); }
  int CurrentTab() const override { return tabIndex_; }
  void SetCurrentTab(int Index) override { SetTabIndex(Index); }

 private:
  std::unique_ptr<TStringList> tabs_;
  int tabIndex_ = -1;
};

class TPageControl;

// A page of a page control: a windowed container that fills the display area.
class TTabSheet : public TWinControl {
 public:
  explicit TTabSheet(TComponent* AOwner);
  ~TTabSheet() override;
  std::string ClassName() const override { return "TTabSheet"; }
  TPageControl* PageControl() const { return pageControl_; }
  // Makes this a page of the control (as its last page) and its child.
  void SetPageControl(TPageControl* v);
  int PageIndex() const;
  void SetPageIndex(int v);
  bool TabVisible() const { return tabVisible_; }
  void SetTabVisible(bool v);
  // Index among the visible tabs, or -1.
  int TabIndex() const;
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int v);
  void Dispatch(TMessage& Message) override;

 private:
  friend class TPageControl;
  TPageControl* pageControl_ = nullptr;
  bool tabVisible_ = true;
  int imageIndex_ = -1;
};

class TPageControl : public TCustomTabControl {
 public:
  explicit TPageControl(TComponent* AOwner);
  ~TPageControl() override;
  std::string ClassName() const override { return "TPageControl"; }
  int PageCount() const { return int(pages_.size()); }
  TTabSheet* Pages(int Index) const;
  TTabSheet* ActivePage() const { return activePage_; }
  // Shows the page and hides the others; a page without a visible tab is
  // shown all the same.
  void SetActivePage(TTabSheet* v);
  int ActivePageIndex() const { return activePage_ ? activePage_->PageIndex() : -1; }
  void SetActivePageIndex(int v);
  TTabSheet* FindNextPage(TTabSheet* CurPage, bool GoForward, bool CheckTabVisible) const;
  // As the user would: with OnChanging and OnChange.
  void SelectNextPage(bool GoForward);
  // Ctrl+Tab and Ctrl+Shift+Tab with the focus inside switch pages.
  void Dispatch(TMessage& Message) override;

 protected:
  int TabCount() const override;
  std::string TabCaption(int Index) const override;
  int TabImage(int Index) const override;
  int CurrentTab() const override { return activePage_ ? activePage_->TabIndex() : -1; }
  void SetCurrentTab(int Index) override;

 private:
  friend class TTabSheet;
  TTabSheet* VisibleTab(int Index) const;
  void InsertPage(TTabSheet* page);
  void RemovePage(TTabSheet* page);
  void MovePage(TTabSheet* page, int index);
  std::vector<TTabSheet*> pages_;
  TTabSheet* activePage_ = nullptr;
};
