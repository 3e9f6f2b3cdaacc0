// The themed group box, drawn on the picture panel: a one-pixel frame in
// BorderColor broken by the caption along the top; and the check group, a
// group box keeping one check box per line of its Items.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "themed/panels/KZUImagePanel.h"

class TStringList;
class TStrings;
class TkzuCheckBox;

class TkzuCustomGroupBox : public TkzuCustomPanel {
 public:
  explicit TkzuCustomGroupBox(TComponent* AOwner);
  std::string ClassName() const override { return "TkzuCustomGroupBox"; }

  // The group's caption, kept apart from the panel text (a single blank).
  std::string Caption() const { return caption_; }
  void SetCaption(const std::string& v);
  TColor BorderColor() const { return borderColor_; }
  void SetBorderColor(TColor v);
  void SetEnabled(bool v) override;
  // Where the group's content goes, in client coordinates.
  TRect ContentRect();

  virtual void ApplyUIStyle(TkzuUIStyle style);
  void ApplyContainerUIStyle(TkzuUIStyle style) override { ApplyUIStyle(style); }
  void Dispatch(TMessage& Message) override;

 protected:
  void Paint() override;

 private:
  std::string caption_;
  TColor borderColor_ = clBlack;
};

class TkzuGroupBox : public TkzuCustomGroupBox {
 public:
  explicit TkzuGroupBox(TComponent* AOwner) : TkzuCustomGroupBox(AOwner) {}
  std::string ClassName() const override { return "TkzuGroupBox"; }
};

class TkzuCheckGroup : public TkzuCustomGroupBox {
 public:
  explicit TkzuCheckGroup(TComponent* AOwner);
  ~TkzuCheckGroup() override;
  std::string ClassName() const override { return "TkzuCheckGroup"; }

  TStrings* Items() const;
  void SetItems(const TStrings* v);
  int Columns() const { return columns_; }
  void SetColumns(int v);
  int TopMargin() const { return topMargin_; }
  void SetTopMargin(int v);
  TkzuUIStyle UIStyle() const { return uiStyle_; }
  void SetUIStyle(TkzuUIStyle v);
  int ButtonCount() const { return int(buttons_.size()); }
  TkzuCheckBox* Buttons(int i) const { return i >= 0 && i < ButtonCount() ? buttons_[i] : nullptr; }
  TNotifyEvent OnClick;

  void ApplyUIStyle(TkzuUIStyle style) override;
  void SetTransparent(bool v) override;
  void ApplyContainerUIStyle(TkzuUIStyle style) override { SetUIStyle(style); }

 protected:
  virtual void ItemClicked() {}
  virtual TkzuCheckBox* CreateItemButton();
  void Resize() override;

 private:
  void ItemsChanged();
  void Layout();
  void Dispatch_Click();

  std::unique_ptr<TStringList> items_;
  std::vector<TkzuCheckBox*> buttons_;
  int columns_ = 1;
  int topMargin_ = 8;
  TkzuUIStyle uiStyle_ = TkzuUIStyle::Custom;
};
