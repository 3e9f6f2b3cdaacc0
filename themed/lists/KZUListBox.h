// The bordered list box: a framework list box with the flat frame and an
// optional themed vertical scroll bar mirroring its native one.
#pragma once
#include "platform/ui/lists/ListBox.h"
#include "themed/lists/KZUBordered.h"

class TkzuListBox : public TkzuMirrored<TListBox> {
 public:
  explicit TkzuListBox(TComponent* AOwner) : TkzuMirrored<TListBox>(AOwner) {}
  std::string ClassName() const override { return "TkzuListBox"; }

 protected:
  void PlaceBars(int L, int T, int W, int H) override;
  void ShowBar(TkzuScrollBar* bar, bool show) override;
  void ScrollToLarge(int i, int pos) override;
};
