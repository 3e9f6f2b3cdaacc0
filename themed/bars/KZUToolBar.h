// The themed tool bar: the framework tool bar with flat buttons painted in
// the look's colours while hot, pressed or checked. Each button paints in
// its own coordinates, so buttons of a wrapped second row draw in their row.
#pragma once
#include <string>

#include "platform/ui/controls/ToolBar.h"
#include "themed/core/KZUThemes.h"

class TkzuToolBar : public TToolBar, public TkzuLookTarget {
 public:
  explicit TkzuToolBar(TComponent* AOwner);
  std::string ClassName() const override { return "TkzuToolBar"; }

  TkzuUIStyle UIStyle() const { return uiStyle_; }
  void SetUIStyle(TkzuUIStyle v);
  TColor ButtonColor() const { return buttonColor_; }
  void SetButtonColor(TColor v);
  TColor ButtonBorderColor() const { return buttonBorderColor_; }
  void SetButtonBorderColor(TColor v);
  TColor ButtonDownColor() const { return buttonDownColor_; }
  void SetButtonDownColor(TColor v);
  void ApplyContainerUIStyle(TkzuUIStyle style) override { SetUIStyle(style); }

 private:
  void DrawButton(TToolButton* Button, TCustomDrawState State, bool& DefaultDraw);
  void DrawBackground(bool& DefaultDraw);
  TkzuUIStyle uiStyle_ = TkzuUIStyle::Custom;
  TColor buttonColor_ = TColor(0xEFD3C6);
  TColor buttonBorderColor_ = TColor(0xC66931);
  TColor buttonDownColor_ = TColor(0xE1AC93);
};
