// The themed tab strip and the tab control: a row of picture-drawn tabs
// along the top of a panel with a flat border round the rest.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/controls/ExtCtrls.h"
#include "themed/core/KZUThemes.h"

class TFont;
class TStringList;
class TStrings;
class TkzuTab;

using TkzuTabActiveEvent = std::function<void(TObject* Sender, int TabIndex)>;

class TkzuTabControlTopPanel : public TCustomPanel {
 public:
  TkzuTabControlTopPanel(TComponent* AOwner, TkzuTab* tab);
  ~TkzuTabControlTopPanel() override;
  std::string ClassName() const override { return "TkzuTabControlTopPanel"; }

  TStrings* Tabs() const;
  void SetTabs(const TStrings* v);
  int TabIndex() const { return tabIndex_; }
  void SetTabIndex(int v);
  int LeftMargin() const { return leftMargin_; }
  void SetLeftMargin(int v);
  TkzuUIStyle UIStyle() const { return uiStyle_; }
  void SetUIStyle(TkzuUIStyle v);

  // Visibility of tab i; tabs past the list of flags are visible.
  bool TabVisibleFlag(int i) const;
  void SetTabVisibleFlag(int i, bool v);
  // The drawn width of tab i at the last paint (0 hidden, -1 none).
  int TabWidth(int i) const { return i >= 0 && i < int(widths_.size()) ? widths_[i] : -1; }
  int TabRowHeight() const { return rowHeight_; }
  // The tab under a strip point, else -1.
  int TabAt(int x, int y) const;

  void Dispatch(TMessage& Message) override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;

 private:
  TkzuTab* tab_;
  std::unique_ptr<TStringList> tabs_;
  TkzuUIStyle uiStyle_ = TkzuUIStyle::Custom;
  std::string activeName_, inactiveName_, lineName_;
  int tabIndex_ = 0;
  int leftMargin_ = 10;
  std::vector<int> widths_;
  std::vector<bool> visible_;
  int rowHeight_ = 0;
};

class TkzuPageControlTopPanel : public TkzuTabControlTopPanel {
 public:
  using TkzuTabControlTopPanel::TkzuTabControlTopPanel;
  std::string ClassName() const override { return "TkzuPageControlTopPanel"; }
};

class TkzuTab : public TCustomPanel, public TkzuLookTarget {
 public:
  ~TkzuTab() override;
  std::string ClassName() const override { return "TkzuTab"; }

  TkzuTabControlTopPanel* TopPanel() const { return top_; }
  int LeftMargin() const { return top_->LeftMargin(); }
  void SetLeftMargin(int v) { top_->SetLeftMargin(v); }
  TColor BorderColor() const { return borderColor_; }
  void SetBorderColor(TColor v);
  TFont* TabFont() const { return font_.get(); }
  void SetTabFont(const TFont* v);
  TkzuUIStyle UIStyle() const { return uiStyle_; }
  void SetUIStyle(TkzuUIStyle v);
  TkzuTabActiveEvent OnTabActive;

  virtual void SetTabIndex(int index) { top_->SetTabIndex(index); }
  virtual void TabActive(int index);

  void ApplyContainerUIStyle(TkzuUIStyle style) override { SetUIStyle(style); }
  bool PassesLookToChildren() const override { return true; }
  void Dispatch(TMessage& Message) override;

 protected:
  explicit TkzuTab(TComponent* AOwner);
  // Run by each derived constructor, as a constructor cannot call the
  // derived class's CreateTopPanel.
  void Setup();
  virtual TkzuTabControlTopPanel* CreateTopPanel() = 0;
  virtual void BorderColorChanged() {}
  virtual void ApplyUIStyle(TkzuUIStyle style);
  void Paint() override;

 private:
  TkzuTabControlTopPanel* top_ = nullptr;
  std::unique_ptr<TFont> font_;
  TkzuUIStyle uiStyle_ = TkzuUIStyle::Custom;
  TColor borderColor_ = clBlack;
};

class TkzuTabControl : public TkzuTab {
 public:
  explicit TkzuTabControl(TComponent* AOwner);
  std::string ClassName() const override { return "TkzuTabControl"; }
  TStrings* Tabs() const { return TopPanel()->Tabs(); }
  void SetTabs(const TStrings* v) { TopPanel()->SetTabs(v); }
  int TabIndex() const { return TopPanel()->TabIndex(); }

 protected:
  TkzuTabControlTopPanel* CreateTopPanel() override;
};
