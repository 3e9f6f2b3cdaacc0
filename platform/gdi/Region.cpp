#include "platform/gdi/Region.h"

#include <algorithm>

#include "platform/gdi/GdiTypes.h"

namespace {

// Combines two sorted interval lists (pairs) with a set operation by a sweep
// over their boundaries.
void CombineIntervals(const std::vector<int>& a, const std::vector<int>& b, Region::Op op,
                      std::vector<int>& out) {
  out.clear();
  size_t ia = 0, ib = 0;
  bool inA = false, inB = false, inOut = false;
  while (ia < a.size() || ib < b.size()) {
    int x;
    if (ib >= b.size() || (ia < a.size() && a[ia] <= b[ib]))
      x = a[ia];
    else
      x = b[ib];
    while (ia < a.size() && a[ia] == x) {
      inA = !inA;
      ++ia;
    }
    while (ib < b.size() && b[ib] == x) {
      inB = !inB;
      ++ib;
    }
    bool v = false;
    switch (op) {
      case Region::Op::And: v = inA && inB; break;
      case Region::Op::Or: v = inA || inB; break;
      case Region::Op::Xor: v = inA != inB; break;
      case Region::Op::Diff: v = inA && !inB; break;
    }
    if (v != inOut) {
      out.push_back(x);
      inOut = v;
    }
  }
}

}  // namespace

void Region::SetRect(const RECT& r) {
  bands_.clear();
  if (r.Right > r.Left && r.Bottom > r.Top) bands_.push_back(Band{r.Top, r.Bottom, {r.Left, r.Right}});
}

RECT Region::Box() const {
  if (bands_.empty()) return RECT{};
  RECT box{bands_.front().xs.front(), bands_.front().top, bands_.front().xs.back(), bands_.back().bottom};
  for (const Band& b : bands_) {
    box.Left = std::min(box.Left, b.xs.front());
    box.Right = std::max(box.Right, b.xs.back());
  }
  return box;
}

const Region::Band* Region::BandAt(int y) const {
  auto it = std::upper_bound(bands_.begin(), bands_.end(), y, [](int v, const Band& b) { return v < b.bottom; });
  if (it == bands_.end() || y < it->top) return nullptr;
  return &*it;
}

bool Region::Contains(int x, int y) const {
  const Band* b = BandAt(y);
  if (!b) return false;
  for (size_t i = 0; i + 1 < b->xs.size(); i += 2)
    if (x >= b->xs[i] && x < b->xs[i + 1]) return true;
  return false;
}

bool Region::Intersects(const RECT& r) const {
  if (r.Right <= r.Left || r.Bottom <= r.Top) return false;
  for (const Band& b : bands_) {
    if (b.bottom <= r.Top) continue;
    if (b.top >= r.Bottom) break;
    for (size_t i = 0; i + 1 < b.xs.size(); i += 2)
      if (b.xs[i] < r.Right && b.xs[i + 1] > r.Left) return true;
  }
  return false;
}

void Region::Offset(int dx, int dy) {
  // Saturating, so a far offset cannot wrap a region around.
  auto add = [](int v, int d) {
    std::int64_t r = std::int64_t(v) + d;
    return int(std::clamp<std::int64_t>(r, INT32_MIN / 2, INT32_MAX / 2));
  };
  for (Band& b : bands_) {
    b.top = add(b.top, dy);
    b.bottom = add(b.bottom, dy);
    for (int& x : b.xs) x = add(x, dx);
  }
}

int Region::Complexity() const {
  if (bands_.empty()) return NULLREGION;
  return IsRect() ? SIMPLEREGION : COMPLEXREGION;
}

std::vector<RECT> Region::Rects() const {
  std::vector<RECT> out;
  for (const Band& b : bands_)
    for (size_t i = 0; i + 1 < b.xs.size(); i += 2) out.push_back(RECT{b.xs[i], b.top, b.xs[i + 1], b.bottom});
  return out;
}

void Region::AppendBand(int top, int bottom, std::vector<int>&& xs) {
  if (xs.empty() || bottom <= top) return;
  if (!bands_.empty() && bands_.back().bottom == top && bands_.back().xs == xs) {
    bands_.back().bottom = bottom;
    return;
  }
  bands_.push_back(Band{top, bottom, std::move(xs)});
}

Region Region::Combine(const Region& a, const Region& b, Op op) {
  // Sweep the y boundaries of both; each slice combines the two bands' rows.
  std::vector<int> ys;
  ys.reserve((a.bands_.size() + b.bands_.size()) * 2);
  for (const Band& x : a.bands_) {
    ys.push_back(x.top);
    ys.push_back(x.bottom);
  }
  for (const Band& x : b.bands_) {
    ys.push_back(x.top);
    ys.push_back(x.bottom);
  }
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  Region out;
  static const std::vector<int> kEmpty;
  size_t ia = 0, ib = 0;
  std::vector<int> xs;
  for (size_t i = 0; i + 1 < ys.size(); ++i) {
    int y0 = ys[i], y1 = ys[i + 1];
    while (ia < a.bands_.size() && a.bands_[ia].bottom <= y0) ++ia;
    while (ib < b.bands_.size() && b.bands_[ib].bottom <= y0) ++ib;
    const std::vector<int>& xa = (ia < a.bands_.size() && a.bands_[ia].top <= y0) ? a.bands_[ia].xs : kEmpty;
    const std::vector<int>& xb = (ib < b.bands_.size() && b.bands_[ib].top <= y0) ? b.bands_[ib].xs : kEmpty;
    CombineIntervals(xa, xb, op, xs);
    out.AppendBand(y0, y1, std::vector<int>(xs));
  }
  return out;
}

Region Region::FromRows(int top, const std::vector<std::vector<int>>& rowXs) {
  Region out;
  for (size_t i = 0; i < rowXs.size(); ++i) out.AppendBand(top + int(i), top + int(i) + 1, std::vector<int>(rowXs[i]));
  return out;
}

Region Region::FromRects(const RECT* rects, std::size_t count) {
  // Union in a balanced way so long lists stay near n log n.
  std::vector<Region> parts;
  parts.reserve(count);
  for (std::size_t i = 0; i < count; ++i)
    if (rects[i].Right > rects[i].Left && rects[i].Bottom > rects[i].Top) parts.emplace_back(rects[i]);
  if (parts.empty()) return Region();
  while (parts.size() > 1) {
    std::vector<Region> next;
    next.reserve((parts.size() + 1) / 2);
    for (size_t i = 0; i + 1 < parts.size(); i += 2) next.push_back(Combine(parts[i], parts[i + 1], Op::Or));
    if (parts.size() % 2) next.push_back(std::move(parts.back()));
    parts.swap(next);
  }
  return std::move(parts[0]);
}
