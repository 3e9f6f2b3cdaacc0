#include "themed/lists/KZUListBox.h"

void TkzuListBox::PlaceBars(int L, int T, int W, int H) {
  if (TkzuScrollBar* v = Link(0)) v->SetBounds(L + W - v->Width() - 2, T + 1, v->Width(), H - 2);
}

void TkzuListBox::ShowBar(TkzuScrollBar* bar, bool show) {
  if (bar->Visible() != show) bar->SetVisible(show);
}

void TkzuListBox::ScrollToLarge(int i, int pos) {
  if (i == 0)
    SetTopIndex(pos);
  else
    TkzuMirrored<TListBox>::ScrollToLarge(i, pos);
}
