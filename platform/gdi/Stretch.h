// Resampling kernels of StretchBlt and friends, on BGRX rows.
//
// Nearest (COLORONCOLOR, and every mode that enlarges): rows and columns are
// kept or dropped, never mixed. Enlarging, destination pixel i of n takes
// source pixel floor((2i + 1) * srcLen / (2n)), the one under its centre;
// shrinking, it takes floor(i * srcLen / n + 1/2), stepping from the first
// source pixel as GDI does.
// BLACKONWHITE / WHITEONBLACK, on an axis that shrinks: destination pixel i
// of n ANDs / ORs the colour values of source pixels
// [floor(i * srcLen / n), floor((i + 1) * srcLen / n)), the kept pixel and
// the ones dropped beside it, so black (resp. white) lines survive.
// HALFTONE, per axis: shrinking averages the covered area exactly (integer
// weights, one rounding at the end); enlarging interpolates bilinearly
// between pixel centres (8-bit weights), edges clamped; equal sizes copy.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// Source pixel of each destination pixel by the nearest rule; reversed when
// the axis is mirrored. Indices are relative to the source start; only the
// destination pixels [from, to) are mapped, and map[i] takes i in that range.
struct NearestMap {
  NearestMap() = default;
  NearestMap(int srcLen, std::int64_t dstLen, bool mirror, int from, int to);
  int operator[](std::size_t i) const { return v[i - std::size_t(base)]; }
  int base = 0;
  std::vector<int> v;
};

// Per destination pixel, the source taps and their weights; weights of one
// pixel sum to `scale`.
struct AxisTaps {
  std::vector<int> first;   // first source index (relative to the source start)
  std::vector<int> count;   // taps
  std::vector<int> offset;  // into weights
  std::vector<std::uint32_t> weights;
  std::uint32_t scale = 1;
  int lo = 0, hi = 0;  // range of source indices touched [lo, hi)
};
// Taps of destination pixels [from, to), stored from index 0. Source pixels
// outside [validLo, validHi) read as the nearest edge pixel, so a shrinking
// axis gives their share to that pixel and never lists them: the taps stay
// within what exists however long the source axis claims to be (an empty
// range: no limit). Weights of axes longer than 2^24 are scaled to 2^24.
AxisTaps HalftoneTaps(int srcLen, std::int64_t dstLen, bool mirror, int from, int to, int validLo = 0,
                      int validHi = 0);

// Reads source row y (relative), pixels [x0, x0 + n) relative, as BGRX.
using SourceRowReader = std::function<void(int y, int x0, int n, std::uint32_t* out)>;

// Destination block [c0, c1) x [r0, r1) of the halftone image, row-major into
// out ((c1 - c0) pixels per row).
void HalftoneBlock(const SourceRowReader& read, const AxisTaps& xt, const AxisTaps& yt, int c0, int c1, int r0,
                   int r1, std::uint32_t* out);

// 24- or 32-bit B,G,R(,X) rows read in place: row y (relative) starts at
// top + (y0 + y) * pitch, pixel x (relative) at column x0 + x. Every tap
// must lie inside the rows.
struct DirectRows {
  const std::uint8_t* top = nullptr;
  std::ptrdiff_t pitch = 0;
  int bytesPerPixel = 3;  // 3 or 4
  int x0 = 0, y0 = 0;
};

// The same image as HalftoneBlock, bit for bit, read straight from the rows:
// each output row first sums its source rows over the needed width (one
// contiguous multiply-add per byte), then applies the column taps once.
// Large blocks are split by rows across a few threads.
void HalftoneBlockDirect(const DirectRows& src, const AxisTaps& xt, const AxisTaps& yt, int c0, int c1, int r0,
                         int r1, std::uint32_t* out);

// The BLACKONWHITE (useAnd) or WHITEONBLACK image of destination block
// [c0, c1) x [r0, r1), row-major into out. Axes that do not shrink take the
// nearest pixel.
// Source pixels outside `valid` (relative; an empty rectangle: no limit)
// read as the nearest edge pixel, so each group is narrowed to the pixels
// that exist: combining a pixel with itself changes nothing.
struct SourceBounds {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};
void ScanCombineBlock(const SourceRowReader& read, int srcW, int srcH, std::int64_t dstW, std::int64_t dstH,
                      bool mirrorX, bool mirrorY, int c0, int c1, int r0, int r1, bool useAnd, std::uint32_t* out,
                      const SourceBounds& valid = {});
