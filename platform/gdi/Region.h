// A set of pixels as y-x banded rectangles: rows are grouped into bands of
// equal x-intervals, bands sorted top to bottom, intervals left to right,
// touching bands with the same intervals merged. This is the shape regions
// have in GDI, and clipping walks it one band at a time.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/rtl/Types.h"

class Region {
 public:
  struct Band {
    int top = 0;
    int bottom = 0;
    std::vector<int> xs;  // pairs: [xs[2i], xs[2i+1]) sorted, disjoint, non-touching
    friend bool operator==(const Band&, const Band&) = default;
  };
  enum class Op { And, Or, Xor, Diff };

  Region() = default;
  explicit Region(const RECT& r) { SetRect(r); }

  void Clear() { bands_.clear(); }
  void SetRect(const RECT& r);
  bool IsEmpty() const { return bands_.empty(); }
  // Whole region is one rectangle.
  bool IsRect() const { return bands_.size() == 1 && bands_[0].xs.size() == 2; }
  RECT Box() const;
  bool Contains(int x, int y) const;
  bool Intersects(const RECT& r) const;
  void Offset(int dx, int dy);
  int Complexity() const;  // NULLREGION, SIMPLEREGION or COMPLEXREGION values
  std::vector<RECT> Rects() const;
  const std::vector<Band>& Bands() const { return bands_; }
  // Band holding row y, or nullptr.
  const Band* BandAt(int y) const;

  static Region Combine(const Region& a, const Region& b, Op op);
  void IntersectRect(const RECT& r) { *this = Combine(*this, Region(r), Op::And); }
  // Builds from rows of x-intervals: rowXs[i] are the sorted disjoint pairs of
  // row top + i. Consecutive equal rows become one band.
  static Region FromRows(int top, const std::vector<std::vector<int>>& rowXs);
  static Region FromRects(const RECT* rects, std::size_t count);

  friend bool operator==(const Region&, const Region&) = default;

 private:
  void AppendBand(int top, int bottom, std::vector<int>&& xs);
  std::vector<Band> bands_;
};
