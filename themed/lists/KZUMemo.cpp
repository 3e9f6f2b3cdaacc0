#include "themed/lists/KZUMemo.h"

void TkzuMemo::PlaceBars(int L, int T, int W, int H) {
  TkzuScrollBar* v = Link(0);
  TkzuScrollBar* h = Link(1);
  if (h) h->SetBounds(L + 1, T + H - h->Height() - 2, W - 1 - (v ? v->Width() : 0), h->Height());
  if (v) v->SetBounds(L + W - v->Width() - 2, T + 1, v->Width(), H - 1 - (h ? h->Height() : 0));
}

void TkzuMemo::LinksChanged() {
  // The themed bars lie over native bars of the same kind.
  const bool v = Link(0) != nullptr, h = Link(1) != nullptr;
  SetScrollBars(v && h ? ssBoth : v ? ssVertical : h ? ssHorizontal : ssNone);
}
