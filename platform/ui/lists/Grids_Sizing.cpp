// Sizing columns and rows by dragging their boundaries in the fixed cells
// (see Grids.h for the rules).
#include <algorithm>
#include <cstdint>

#include "platform/ui/lists/Grids.h"
#include "platform/user/User.h"

TCustomGrid::TSizingHit TCustomGrid::SizingHitAt(int X, int Y) const {
  TSizingHit best;
  if (X < 0 || Y < 0 || X >= ClientWidth() || Y >= ClientHeight()) return best;
  int bestDist = SizingMargin;
  // The boundaries in view along one axis: the fixed ones, then the
  // scrolled ones from the first in view.
  auto nearest = [&](TSizingAxis axis, int p, int count, int fixed, int first, auto size) {
    int edge = 0;
    for (int i = 0; i < count; ++i) {
      if (i == fixed && first > i) i = first;
      if (i >= count) break;
      const int line = edge + size(i);
      const int lineEnd = line + std::max(gridLineWidth_, 1);
      if (line > p + SizingMargin) break;  // the later ones are farther still
      const int d = p < line ? line - p : p >= lineEnd ? p - (lineEnd - 1) : 0;
      if (d <= bestDist) {
        bestDist = d;
        best = TSizingHit{axis, i};
      }
      edge = line + gridLineWidth_;
    }
  };
  if ((options_ & goColSizing) && Y < FixedHeight())
    nearest(TSizingAxis::Col, X, colCount_, fixedCols_, topLeft_.X, [this](int i) { return ColWidths(i); });
  if (best.axis == TSizingAxis::None && (options_ & goRowSizing) && X < FixedWidth())
    nearest(TSizingAxis::Row, Y, rowCount_, fixedRows_, topLeft_.Y, [this](int i) { return RowHeights(i); });
  return best;
}

void TCustomGrid::BeginSizing(const TSizingHit& hit, int X, int Y) {
  sizingAxis_ = hit.axis;
  sizingIndex_ = hit.index;
  sizingStart_ = hit.axis == TSizingAxis::Col ? X : Y;
  sizingOriginal_ = hit.axis == TSizingAxis::Col ? ColWidths(hit.index) : RowHeights(hit.index);
  selecting_ = false;
  SetMouseCapture(true);
}

void TCustomGrid::MoveSizing(int X, int Y) {
  if (sizingAxis_ == TSizingAxis::None) return;
  const int p = sizingAxis_ == TSizingAxis::Col ? X : Y;
  ApplySize(sizingAxis_, sizingIndex_, std::max(0, sizingOriginal_ + p - sizingStart_));
}

void TCustomGrid::ApplySize(TSizingAxis axis, int index, int size) {
  // A handler of the change may have dropped the column or row meanwhile.
  if (axis == TSizingAxis::Col && index < colCount_) SetColWidths(index, size);
  else if (axis == TSizingAxis::Row && index < rowCount_) SetRowHeights(index, size);
}

void TCustomGrid::EndSizing(bool restore) {
  if (sizingAxis_ == TSizingAxis::None) return;
  const TSizingAxis axis = sizingAxis_;
  const int index = sizingIndex_;
  // Cleared first: giving up the capture below must not cancel again.
  sizingAxis_ = TSizingAxis::None;
  sizingIndex_ = -1;
  if (!restore) return;
  auto alive = AliveToken();
  ApplySize(axis, index, sizingOriginal_);
  if (*alive && MouseCapture()) SetMouseCapture(false);
}

bool TCustomGrid::SetSizingCursor(TMessage& Message) {
  if (!(options_ & (goColSizing | goRowSizing)) || !HandleAllocated()) return false;
  if (reinterpret_cast<HWND>(Message.WParam) != Handle()) return false;
  if (SHORT(LOWORD(std::uintptr_t(Message.LParam))) != HTCLIENT) return false;
  if (ScreenCursorHook && ScreenCursorHook() != crDefault) return false;
  TSizingAxis axis = sizingAxis_;
  if (axis == TSizingAxis::None) {
    POINT p{};
    GetCursorPos(&p);
    ::ScreenToClient(Handle(), &p);
    axis = SizingHitAt(p.X, p.Y).axis;
  }
  if (axis == TSizingAxis::None) return false;
  ::SetCursor(CursorHandle(axis == TSizingAxis::Col ? crHSplit : crVSplit));
  Message.Result = 1;
  return true;
}
