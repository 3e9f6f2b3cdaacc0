#include "imaging/core/raster/vqzutils_rowwalk.h"

#include "platform/rtl/ParallelRows.h"

std::vector<Byte*> VQRowTable(TVQBitmap& bitmap) {
  std::vector<Byte*> rows;
  if (bitmap.Location() == vqTempFile || bitmap.IsEmpty()) return rows;
  const int h = bitmap.GetHeight();
  rows.resize(static_cast<std::size_t>(h));
  for (int y = 0; y < h; ++y) rows[static_cast<std::size_t>(y)] = bitmap.GetScanline(y);
  return rows;
}

namespace {

int RowWalkPercent(TVQRowPercent kind, int done, int rows) {
  return kind == TVQRowPercent::Scaled ? RowPercent(done, rows) : static_cast<int>(done * 100.0 / (rows + 0.5));
}

}  // namespace

void VQWalkRows(TVQBitmap& src, TVQBitmap* dst, const TVQRowBand& body, TVQProgressRec* progress, TVQRowPercent percent,
                bool parallel, bool inPlace) {
  const int h = src.GetHeight();
  if (h <= 0) return;
  const bool reporting = progress && progress->OnProgress;
  std::vector<Byte*> srcRows = VQRowTable(src);
  std::vector<Byte*> dstRows = dst ? VQRowTable(*dst) : std::vector<Byte*>{};
  const bool stable = !srcRows.empty() && (!dst || !dstRows.empty());
  if (stable && !reporting) {
    Byte* const* s = srcRows.data();
    Byte* const* d = dst ? dstRows.data() : nullptr;
    if (parallel)
      ParallelRows(h, [&](int first, int last) { body(first, last, s, d); });
    else
      body(0, h, s, d);
    return;
  }
  // One row at a time: a file-backed row is valid only until the next row
  // of the same bitmap is asked for.
  std::vector<Byte*> s(static_cast<std::size_t>(h), nullptr), d;
  if (dst) d.assign(static_cast<std::size_t>(h), nullptr);
  TVQViewAccessScope sourceAccess(src, inPlace ? vqReadWrite : vqRead);
  for (int y = 0; y < h; ++y) {
    s[static_cast<std::size_t>(y)] = srcRows.empty() ? src.GetScanline(y) : srcRows[static_cast<std::size_t>(y)];
    if (dst) {
      TVQViewAccessScope writeOnly(*dst, vqWrite);
      d[static_cast<std::size_t>(y)] = dstRows.empty() ? dst->GetScanline(y) : dstRows[static_cast<std::size_t>(y)];
    }
    body(y, y + 1, s.data(), dst ? d.data() : nullptr);
    if (reporting) ReportProgress(progress, RowWalkPercent(percent, y + 1, h));
  }
  if (dst) dst->ReleaseViews();
  if (inPlace) src.ReleaseViews();
}
