// The bordered memo: a framework memo with the flat frame and optional
// themed vertical and horizontal scroll bars mirroring its native ones.
#pragma once
#include "platform/ui/edits/Memo.h"
#include "themed/lists/KZUBordered.h"

class TkzuMemo : public TkzuMirrored<TMemo> {
 public:
  explicit TkzuMemo(TComponent* AOwner) : TkzuMirrored<TMemo>(AOwner) {}
  std::string ClassName() const override { return "TkzuMemo"; }

  TkzuScrollBar* HScrollBar() const { return Link(1); }
  void SetHScrollBar(TkzuScrollBar* v) { SetLink(1, v); }

 protected:
  void PlaceBars(int L, int T, int W, int H) override;
  void ShowBar(TkzuScrollBar* bar, bool show) override { bar->SetSliderVisible(show); }
  void LinksChanged() override;
};
