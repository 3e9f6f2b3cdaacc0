// Row tables the resampling and drawing loops hold for a whole call: a
// file-backed bitmap is read into (or written from) one memory block, so
// every row address stays valid while the rows run on all cores.
#pragma once
#include <cstring>
#include <functional>
#include <vector>

#include "imaging/core/base/vqzutils_progress.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/core/raster/vqzutils_rowwalk.h"
#include "platform/rtl/ParallelRows.h"

class TResampleRowTable {
 public:
  // read: the rows' pixels are wanted (a file-backed bitmap is copied in).
  TResampleRowTable(TVQBitmap& bitmap, bool read) : bitmap_(bitmap) {
    rows_ = VQRowTable(bitmap);
    if (!rows_.empty() || bitmap.IsEmpty()) return;
    const int h = bitmap.GetHeight();
    const std::size_t len = static_cast<std::size_t>(bitmap.GetRowLength());
    copy_.assign(len * static_cast<std::size_t>(h), 0);
    rows_.resize(static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y) {
      rows_[static_cast<std::size_t>(y)] = copy_.data() + len * static_cast<std::size_t>(y);
      if (read) std::memcpy(rows_[static_cast<std::size_t>(y)], bitmap.GetScanline(y), len);
    }
  }
  Byte* const* Rows() const { return rows_.data(); }
  Byte* operator[](int y) const { return rows_[static_cast<std::size_t>(y)]; }
  // Writes the rows of a file-backed bitmap back to it.
  void Commit() {
    if (copy_.empty()) return;
    const std::size_t len = static_cast<std::size_t>(bitmap_.GetRowLength());
    for (int y = 0; y < bitmap_.GetHeight(); ++y)
      std::memcpy(bitmap_.GetScanline(y), rows_[static_cast<std::size_t>(y)], len);
  }

 private:
  TVQBitmap& bitmap_;
  std::vector<Byte*> rows_;
  std::vector<Byte> copy_;
};

// body(begin, end) over [0, n): on all cores, or one by one in order with
// percent(i) reported after item i when a progress handler listens.
inline void ResampleRunItems(int n, TVQProgressRec* progress, const std::function<void(int, int)>& body,
                             const std::function<int(int)>& percent) {
  if (n <= 0) return;
  if (progress && progress->OnProgress) {
    for (int i = 0; i < n; ++i) {
      body(i, i + 1);
      ReportProgress(progress, percent(i));
    }
    return;
  }
  ParallelRows(n, body);
}
