// Common controls drawn plainly: the status bar and the progress bar.
#pragma once
#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "platform/rtl/Collection.h"
#include "platform/ui/controls/StdCtrls.h"

class TStatusBar;

// ---- Status bar ------------------------------------------------------------------------
enum TStatusPanelStyle { psText, psOwnerDraw };
enum TStatusPanelBevel { pbNone, pbLowered, pbRaised };

class TStatusPanel : public TCollectionItem {
 public:
  explicit TStatusPanel(TCollection* Collection = nullptr) : TCollectionItem(Collection) {}
  std::string ClassName() const override { return "TStatusPanel"; }

  const std::string& Text() const { return text_; }
  void SetText(const std::string& v);
  // Includes the gap to the next panel; the last panel reaches the right end.
  int Width() const { return width_; }
  void SetWidth(int v);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);
  TStatusPanelBevel Bevel() const { return bevel_; }
  void SetBevel(TStatusPanelBevel v);
  // psOwnerDraw panels are drawn by the bar's OnDrawPanel.
  TStatusPanelStyle Style() const { return style_; }
  void SetStyle(TStatusPanelStyle v);
  void Assign(const TPersistent* Source) override;

 private:
  std::string text_;
  int width_ = 50;
  TAlignment alignment_ = taLeftJustify;
  TStatusPanelBevel bevel_ = pbLowered;
  TStatusPanelStyle style_ = psText;
};

class TStatusPanels : public TCollection {
 public:
  explicit TStatusPanels(TStatusBar* StatusBar);
  std::string ClassName() const override { return "TStatusPanels"; }
  TStatusPanel* Add() { return static_cast<TStatusPanel*>(TCollection::Add()); }
  TStatusPanel* Items(int Index) const { return static_cast<TStatusPanel*>(TCollection::Items(Index)); }
  TStatusPanel* operator[](int Index) const { return Items(Index); }

 protected:
  void Update(TCollectionItem* Item) override;

 private:
  TStatusBar* statusBar_;
};

using TDrawPanelEvent = std::function<void(TStatusBar* StatusBar, TStatusPanel* Panel, const TRect& Rect)>;

// Aligned to the bottom by default. SimplePanel shows SimpleText across the
// whole bar instead of the panels. The size grip sits at the right end when
// SizeGrip is on and the bar's form can be resized.
// A size grip's cursor and drag, for any control whose WM_NCHITTEST answers
// HTBOTTOMRIGHT over its grip: the cursor comes from the hit code, as over a
// form's corner, and a press sizes the control's form from that corner.
// True when `Message` was one of these and is answered.
bool HandleSizeGripMessage(TControl* control, TMessage& Message);

class TStatusBar : public TCustomControl {
 public:
  explicit TStatusBar(TComponent* AOwner);
  ~TStatusBar() override;
  std::string ClassName() const override { return "TStatusBar"; }

  TStatusPanels* Panels() const { return panels_.get(); }
  bool SimplePanel() const { return simplePanel_; }
  void SetSimplePanel(bool v);
  const std::string& SimpleText() const { return simpleText_; }
  void SetSimpleText(const std::string& v);
  bool SizeGrip() const { return sizeGrip_; }
  void SetSizeGrip(bool v);
  // The grip is shown now (SizeGrip, and a sizeable form or none).
  bool SizeGripShown() const;
  // Where panel Index is drawn (client coordinates, bevel included); with
  // SimplePanel, index 0 is the simple text's area.
  TRect PanelRect(int Index) const;
  // For psOwnerDraw panels, with Canvas holding the bar's font and colour;
  // the rect is the panel inside its bevel.
  TDrawPanelEvent OnDrawPanel;
  void Dispatch(TMessage& Message) override;

 protected:
  // Calls OnDrawPanel for a psOwnerDraw panel.
  virtual void DrawPanel(TStatusPanel* Panel, const TRect& Rect);
  void Paint() override;

 private:
  bool OverGrip(TPoint screen) const;
  // The right end of the panel area: before the grip.
  int PanelsRight() const;
  void PaintPanelFrame(HDC dc, TRect& r, TStatusPanelBevel bevel);
  std::unique_ptr<TStatusPanels> panels_;
  bool simplePanel_ = false;
  std::string simpleText_;
  bool sizeGrip_ = true;
};

// ---- Progress bar ------------------------------------------------------------------------
enum TProgressBarOrientation { pbHorizontal, pbVertical };

// Position stays within [Min, Max]. StepIt wraps round to the start when
// it passes Max; StepBy stops at the ends. A change repaints at the next
// paint, or at once after Update().
class TProgressBar : public TCustomControl {
 public:
  explicit TProgressBar(TComponent* AOwner);
  std::string ClassName() const override { return "TProgressBar"; }

  int Min() const { return min_; }
  void SetMin(int v) { SetRange(v, std::max(v, max_)); }
  int Max() const { return max_; }
  void SetMax(int v) { SetRange(std::min(v, min_), v); }
  void SetRange(int AMin, int AMax);
  int Position() const { return position_; }
  void SetPosition(int v);
  int Step() const { return step_; }
  void SetStep(int v) { step_ = v; }
  void StepIt();
  void StepBy(int Delta);
  bool Smooth() const { return smooth_; }
  void SetSmooth(bool v);
  TProgressBarOrientation Orientation() const { return orientation_; }
  // Swaps width and height when the orientation changes.
  void SetOrientation(TProgressBarOrientation v);
  void Dispatch(TMessage& Message) override;

 protected:
  void Paint() override;

 private:
  int min_ = 0, max_ = 100, position_ = 0, step_ = 10;
  bool smooth_ = false;
  TProgressBarOrientation orientation_ = pbHorizontal;
};
