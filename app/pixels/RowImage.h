// 24-bit pictures as rows of blue, green, red bytes, for the wizard's pixel
// routines. RowImage is a non-owning view (a bitmap's rows, bottom-up or
// top-down through a signed stride); RowImageBuffer owns its rows. Row(0) is
// always the top row on the screen.
#pragma once
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/ParallelRows.h"
#include "platform/rtl/PictureMemory.h"
#include "platform/rtl/Types.h"

struct RowImage {
  int Width = 0;
  int Height = 0;
  Byte* Origin = nullptr;     // first byte of the top row
  std::ptrdiff_t Stride = 0;  // bytes from one row to the next one down; negative for bottom-up DIBs

  Byte* Row(int y) const { return Origin + y * Stride; }
  bool Empty() const { return Width <= 0 || Height <= 0; }
};

// The largest picture the routines will allocate: 2 GiB of pixel data. Sizes
// beyond it are refused before anything is allocated.
inline constexpr std::int64_t MaxRowImageBytes = std::int64_t(1) << 31;

// Rows padded to 32 bits, as in a DIB, so a copy into a bitmap is one memcpy a row.
inline std::ptrdiff_t RowImageStride(int width) { return (std::ptrdiff_t(width) * 3 + 3) & ~std::ptrdiff_t(3); }

class RowImageBuffer {
 public:
  RowImageBuffer() = default;
  // A white picture; raises EOutOfMemory for sizes below 1 or too large to hold.
  RowImageBuffer(int width, int height) : width_(width), height_(height) {
    if (width < 1 || height < 1)
      throw EOutOfMemory("Picture size must be at least 1 by 1");
    std::int64_t bytes = std::int64_t(RowImageStride(width)) * height;
    Allocate(bytes);
    std::memset(data_.get(), 255, std::size_t(bytes));
  }
  // Pixels left unset, for routines that write every one of them; the row
  // padding is still filled, so whole buffers compare as with the default.
  struct Unset {};
  RowImageBuffer(int width, int height, Unset) : width_(width), height_(height) {
    if (width < 1 || height < 1)
      throw EOutOfMemory("Picture size must be at least 1 by 1");
    const std::ptrdiff_t stride = RowImageStride(width), used = std::ptrdiff_t(width) * 3;
    Allocate(std::int64_t(stride) * height);
    if (stride != used)
      for (int y = 0; y < height; ++y)
        std::memset(data_.get() + y * stride + used, 255, std::size_t(stride - used));
  }
  // A copy of any view's pixels.
  static RowImageBuffer CopyOf(const RowImage& source) {
    RowImageBuffer copy(source.Width, source.Height, Unset{});
    ParallelRows(source.Height, [&](int begin, int end) {
      for (int y = begin; y < end; ++y)
        std::memcpy(copy.Row(y), source.Row(y), std::size_t(source.Width) * 3);
    });
    return copy;
  }

  int Width() const { return width_; }
  int Height() const { return height_; }
  std::ptrdiff_t Stride() const { return RowImageStride(width_); }
  Byte* Row(int y) const { return data_.get() + y * Stride(); }
  RowImage View() const { return RowImage{width_, height_, data_.get(), Stride()}; }
  operator RowImage() const { return View(); }

 private:
  // Picture memory, so a big buffer faults in huge pages and is never cleared twice.
  void Allocate(std::int64_t bytes) {
    if (bytes > MaxRowImageBytes)
      throw EOutOfMemory("Picture too large");
    data_.reset(AllocatePictureMemory(bytes, MaxRowImageBytes));
    if (!data_)
      throw EOutOfMemory("Out of memory for the picture");
  }

  int width_ = 0;
  int height_ = 0;
  std::unique_ptr<Byte[], PictureMemoryFree> data_;
};

// The routines work on pictures of at least 1 by 1.
inline void RequirePicture(const RowImage& picture) {
  if (picture.Empty())
    throw EInvalidGraphicOperation("Empty picture");
}

// Round half to even for pixel loops, where the value is known to be finite and
// in range; the checked Round of the run-time library is for everything else.
inline int RoundEven(double v) { return int(std::lrint(v)); }

inline Byte ClampByte(int v) { return Byte(v < 0 ? 0 : v > 255 ? 255 : v); }

// Told as a long pass goes: rows done so far and rows in all.
using RowProgress = std::function<void(int done, int total)>;

// Runs body(begin, end) over rows [0, rows) through ParallelRows. With a
// progress the rows go in pieces of a 64th of the pass (every row of a pass
// of 64 rows or fewer), each piece split among the threads, and the progress
// hears on the calling thread after each piece, since it may paint.
inline void PictureRows(int rows, const std::function<void(int begin, int end)>& body,
                        const RowProgress& progress = {}) {
  if (!progress) {
    ParallelRows(rows, body);
    return;
  }
  constexpr int kPieces = 64;
  const int piece = (rows + kPieces - 1) / kPieces;
  for (int begin = 0; begin < rows; begin += piece) {
    const int end = rows - begin > piece ? begin + piece : rows;
    ParallelRows(end - begin, [&](int a, int b) { body(begin + a, begin + b); });
    progress(end, rows);
  }
}

// Replaces each byte of every pixel through its channel's table (blue,
// green, red), in place.
inline void MapChannels(const RowImage& picture, const std::array<Byte, 256> (&tables)[3]) {
  PictureRows(picture.Height, [&](int begin, int end) {
    // The band's own copy: stores through the rows could alias the caller's
    // tables, which would keep every look-up waiting on the store before it.
    const std::array<Byte, 256> maps[3] = {tables[0], tables[1], tables[2]};
    for (int y = begin; y < end; ++y) {
      Byte* p = picture.Row(y);
      for (int x = 0; x < picture.Width; ++x, p += 3) {
        p[0] = maps[0][p[0]];
        p[1] = maps[1][p[1]];
        p[2] = maps[2][p[2]];
      }
    }
  });
}

// Blue, green, red of one pixel.
struct BGR {
  Byte B = 0, G = 0, R = 0;
  friend bool operator==(const BGR&, const BGR&) = default;
};
