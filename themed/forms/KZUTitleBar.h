// The themed title bar: a row of picture sections (left, right and one
// stretched client section), caption buttons with normal, mouse-over and
// mouse-down pictures, and the caption. It drags its form by the caption,
// maximises on a double click, and gives a themed form its rounded top
// corners.
//
// The button under the mouse is found again on every paint. A button that
// closes the form may free the bar: nothing of the bar is touched after.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "platform/graphics/Picture.h"
#include "platform/rtl/Collection.h"
#include "platform/ui/controls/ExtCtrls.h"
#include "themed/core/KZUThemes.h"

class TBitmap;
class TCanvas;
class TCustomForm;
class TPopupMenu;
class TkzuTitleBar;

enum class TkzuTitleBarBtnType : Byte { kzuMax = 0, kzuMin = 1, kzuClose = 2, kzuHelp = 3, kzuControlBox = 4, kzuCustom = 5 };
enum class TkzuTitleBarAlign : Byte { kzuLeft = 0, kzuRight = 1, kzuClient = 2 };
using TkzuTitleBarButtonClickEvent = std::function<void(TObject* Sender, int ButtonIndex)>;

class TkzuTitleBarButton : public TCollectionItem {
 public:
  explicit TkzuTitleBarButton(TCollection* collection);
  ~TkzuTitleBarButton() override;
  std::string ClassName() const override { return "TkzuTitleBarButton"; }
  void Assign(const TPersistent* source) override;

  TkzuTitleBarBtnType ButtonType() const { return buttonType_; }
  void SetButtonType(TkzuTitleBarBtnType v);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);
  int Top() const { return top_; }
  void SetTop(int v);
  TkzuUIStyle UIStyle() const { return uiStyle_; }
  void SetUIStyle(TkzuUIStyle v);
  TPopupMenu* ControlBoxMenu() const { return controlBoxMenu_; }
  void SetControlBoxMenu(TPopupMenu* v);
  TPicture* PicNormal() const { return picNormal_.get(); }
  void SetPicNormal(const TPicture* v);
  TPicture* PicMouseOn() const { return picMouseOn_.get(); }
  void SetPicMouseOn(const TPicture* v);
  TPicture* PicMouseDown() const { return picMouseDown_.get(); }
  void SetPicMouseDown(const TPicture* v);

  void LoadPictures();
  void Click();
  TkzuTitleBar* Bar() const;

 private:
  friend class TkzuTitleBar;
  void Repaint();
  TkzuTitleBarBtnType buttonType_ = TkzuTitleBarBtnType::kzuCustom;
  bool transparent_ = false;
  int top_ = 2;
  TkzuUIStyle uiStyle_ = TkzuUIStyle::DeepBlue;
  TPopupMenu* controlBoxMenu_ = nullptr;
  std::unique_ptr<TPicture> picNormal_, picMouseOn_, picMouseDown_;
};

class TkzuTitleBarSection : public TCollectionItem {
 public:
  explicit TkzuTitleBarSection(TCollection* collection);
  ~TkzuTitleBarSection() override;
  std::string ClassName() const override { return "TkzuTitleBarSection"; }
  void Assign(const TPersistent* source) override;

  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v);
  int Width() const { return width_; }
  void SetWidth(int v);
  TkzuTitleBarAlign Align() const { return align_; }
  void SetAlign(TkzuTitleBarAlign v);
  TPicture* Picture() const { return picture_.get(); }
  void SetPicture(const TPicture* v);
  bool Stretch() const { return stretch_; }
  void SetStretch(bool v);

 private:
  void Repaint();
  bool autoSize_ = false;
  int width_ = 10;
  TkzuTitleBarAlign align_ = TkzuTitleBarAlign::kzuLeft;
  std::unique_ptr<TPicture> picture_;
  bool stretch_ = false;
};

class TkzuTitleBarButtons : public TOwnedCollection {
 public:
  explicit TkzuTitleBarButtons(TkzuTitleBar* bar);
  std::string ClassName() const override { return "TkzuTitleBarButtons"; }
  TkzuTitleBarButton* Items(int i) const { return static_cast<TkzuTitleBarButton*>(TCollection::Items(i)); }
  TkzuTitleBarButton* Add() { return static_cast<TkzuTitleBarButton*>(TCollection::Add()); }

 protected:
  void Update(TCollectionItem* item) override;
};

class TkzuTitleBarSections : public TOwnedCollection {
 public:
  explicit TkzuTitleBarSections(TkzuTitleBar* bar);
  std::string ClassName() const override { return "TkzuTitleBarSections"; }
  TkzuTitleBarSection* Items(int i) const { return static_cast<TkzuTitleBarSection*>(TCollection::Items(i)); }
  TkzuTitleBarSection* Add() { return static_cast<TkzuTitleBarSection*>(TCollection::Add()); }

 protected:
  void Update(TCollectionItem* item) override;
};

class TkzuTitleBar : public TCustomPanel, public TkzuLookTarget {
 public:
  explicit TkzuTitleBar(TComponent* AOwner);
  ~TkzuTitleBar() override;
  std::string ClassName() const override { return "TkzuTitleBar"; }

  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v) override;
  TkzuTitleBarSections* Sections() const { return sections_.get(); }
  void SetSections(const TkzuTitleBarSections* v);
  TkzuUIStyle UIStyle() const { return uiStyle_; }
  void SetUIStyle(TkzuUIStyle v);
  TkzuTitleBarButtons* Buttons() const { return buttons_.get(); }
  void SetButtons(const TkzuTitleBarButtons* v);
  int ButtonInterval() const { return buttonInterval_; }
  void SetButtonInterval(int v);
  std::string Caption() const { return caption_; }
  void SetCaption(const std::string& v);
  bool FormActive() const { return formActive_; }
  void SetFormActive(bool v);
  int LeftBtnXOffset() const { return leftBtnXOffset_; }
  void SetLeftBtnXOffset(int v);
  int RightBtnXOffset() const { return rightBtnXOffset_; }
  void SetRightBtnXOffset(int v);
  bool DrawAppIcon() const { return drawAppIcon_; }
  void SetDrawAppIcon(bool v);
  TkzuTitleBarButtonClickEvent OnCustomBtnsClick;
  TkzuTitleBarButtonClickEvent OnHelpBtnClick;

  int CornerRadius = 0;
  int HotButton() const { return hotButton_; }
  bool Pressed() const { return pressed_; }
  // Where the last paint put each button (client coordinates), and where
  // the caption starts; empty for a button not drawn.
  TRect ButtonRect(int index) const;
  int CaptionLeft() const { return captionLeft_; }
  // The caption as the last paint showed it.
  std::string ShownCaption() const { return shownCaption_; }

  // The form of the bar, or nullptr.
  TCustomForm* ParentForm() const;
  // The parent form's window region from CornerRadius (on a themed form).
  void UpdateRegion();
  void ApplyContainerUIStyle(TkzuUIStyle style) override { SetUIStyle(style); }
  void Dispatch(TMessage& Message) override;

 protected:
  void Paint() override;
  virtual void DrawSections(TCanvas* canvas);
  virtual void DrawButtonsAndCaption(TCanvas* canvas);
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void DblClick() override;

 private:
  friend class TkzuTitleBarButton;
  void DrawButton(TCanvas* canvas, TkzuTitleBarButton* b, int index, int x, const TPoint& cursor);
  std::unique_ptr<TkzuTitleBarSections> sections_;
  std::unique_ptr<TkzuTitleBarButtons> buttons_;
  std::vector<TRect> buttonRects_;
  TkzuUIStyle uiStyle_ = TkzuUIStyle::DeepBlue;
  bool autoSize_ = false;
  int buttonInterval_ = 0;
  std::string caption_, shownCaption_;
  bool formActive_ = true;
  int leftBtnXOffset_ = 0, rightBtnXOffset_ = 0;
  bool drawAppIcon_ = false;
  int hotButton_ = -1;
  bool pressed_ = false;
  int captionLeft_ = 0;
};

// The caption shortened to its first two characters (code points) and "...".
std::string ShortTitleCaption(const std::string& caption);
