// The speed button: a graphic (windowless) button with a glyph and a
// caption. Buttons of one parent with the same non-zero GroupIndex form a
// group: pressing one puts it down and the others up; a down button goes up
// again only when AllowAllUp. A button alone in its group with AllowAllUp
// is a toggle. OnClick runs after the state change of every completed press.
//
// Glyph holds NumGlyphs images side by side: up, disabled, pressed, down;
// missing ones fall back to the up image (drawn greyed when disabled).
// The pixel at the glyph's bottom-left is transparent.
#pragma once
#include <memory>
#include <string>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/ImageList.h"
#include "platform/ui/controls/ButtonLayout.h"
#include "platform/ui/controls/Controls.h"

enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };

class TSpeedButton : public TGraphicControl {
 public:
  explicit TSpeedButton(TComponent* AOwner);
  ~TSpeedButton() override;
  std::string ClassName() const override { return "TSpeedButton"; }

  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int v);
  bool AllowAllUp() const { return allowAllUp_; }
  // Applies to the whole group.
  void SetAllowAllUp(bool v);
  bool Down() const { return down_; }
  // Refused (stays down) for a grouped button without AllowAllUp; no effect
  // for a button outside any group.
  void SetDown(bool v);
  bool Flat() const { return flat_; }
  void SetFlat(bool v);
  TBitmap* Glyph() const { return glyph_.get(); }
  void SetGlyph(const TBitmap* v) { glyph_->Assign(v); }
  int NumGlyphs() const { return numGlyphs_; }
  void SetNumGlyphs(int v);
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout v);
  // -1 centres glyph and caption together; else pixels from the edge.
  int Margin() const { return margin_; }
  void SetMargin(int v);
  // Between glyph and caption; -1 centres the caption in the space left.
  int Spacing() const { return spacing_; }
  void SetSpacing(int v);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);
  // The look: bsDown while pressed by the mouse, bsExclusive while Down.
  TButtonState State() const { return state_; }
  // The mouse is over a flat button.
  bool MouseInControl() const { return mouseIn_; }
  void Click() override;
  void Dispatch(TMessage& Message) override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseEnter() override;
  void MouseLeave() override;

 private:
  void GlyphChanged();
  void UpdateExclusive();
  void SetState(TButtonState v);
  int groupIndex_ = 0;
  bool allowAllUp_ = false;
  bool down_ = false;
  bool flat_ = false;
  bool transparent_ = true;
  int numGlyphs_ = 1;
  TButtonLayout layout_ = blGlyphLeft;
  int margin_ = -1, spacing_ = 4;
  TButtonState state_ = bsUp;
  bool dragging_ = false;
  bool mouseIn_ = false;
  std::unique_ptr<TBitmap> glyph_;
  std::unique_ptr<TImageList> images_;  // the glyph cut into its images
};
