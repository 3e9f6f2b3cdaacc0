// JPEG bytes <-> TDibImage through libjpeg. libjpeg reports errors by
// longjmp back into the frame that called it; those frames hold only plain
// data, and the error becomes EInvalidGraphic once we are back in C++.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/graphics/DibImage.h"

struct TJpegDecodeOptions {
  int ScaleDenom = 1;      // 1, 2, 4 or 8
  bool Grayscale = false;  // force 8-bit grey output
  bool Colour = false;     // grey sources come out as 24-bit B,G,R too
  bool Fast = false;       // integer fast DCT and plain upsampling
  // Largest decoded pixel block accepted, and libjpeg's memory limit; a
  // picture whose dimensions ask for more is refused before decoding.
  std::uint64_t MaxBytes = DefaultPictureBudget;
  // Most scans a progressive file may have: each one costs a pass over the
  // whole coefficient buffer, so thousands of tiny scans are a time bomb.
  int MaxScans = 1000;
  // Scans of a progressive file are taken in until they have cost this many
  // passes over all of the picture's blocks (a scan of one component costs
  // that component's share); the picture is then shown as refined so far,
  // as a viewer shows a file still arriving. Common files need 4 to 10.
  double MaxScanPasses = 20;
};

struct TJpegInfo {
  int Width = 0, Height = 0;
  int Components = 0;
  bool Progressive = false;
};

// Output: 8-bit grey (grey palette) for grey sources or Grayscale, else
// 24-bit B,G,R. CMYK and YCCK sources are converted to RGB, their samples
// read as inverted whether or not an Adobe marker says so.
TDibImage DecodeJpeg(const std::uint8_t* data, std::size_t size, const TJpegDecodeOptions& options = {});

// Where decoded rows go: row y (0 = top) starts at Top + y * Pitch; Pitch is
// negative for a bottom-up DIB.
struct TJpegRows {
  std::uint8_t* Top = nullptr;
  std::ptrdiff_t Pitch = 0;
};
// What a decode that succeeded met on the way.
struct TJpegDecodeResult {
  // The data ended before the picture did: the rows after that point are
  // libjpeg's fill (mid grey), not the picture's.
  bool DataEnded = false;
};

// Asked once, when the decoded size is known and every check has passed:
// width, height and depth (8: grey, for the grey ramp; 24: B,G,R).
using TJpegAllocate = std::function<TJpegRows(int width, int height, int bitCount)>;
// The same decode, libjpeg writing each row straight into the rows that
// allocate gives (its padding is left alone): no image in between.
TJpegDecodeResult DecodeJpegInto(const std::uint8_t* data, std::size_t size, const TJpegDecodeOptions& options,
                                 const TJpegAllocate& allocate);
// Header only; raises EInvalidGraphic on bad data.
TJpegInfo ReadJpegInfo(const std::uint8_t* data, std::size_t size);

// Compressed bytes asked for as libjpeg needs them: fills at most count
// bytes of buffer and gives how many, 0 at the end. It may raise; the
// exception reaches the caller as it was. Data that ends early decodes as
// far as it goes, as it does from memory.
using TJpegReader = std::function<std::size_t(std::uint8_t* buffer, std::size_t count)>;
// The decode and header read above, from a reader instead of memory: the
// compressed data never has to be held whole.
TJpegDecodeResult DecodeJpegInto(const TJpegReader& read, const TJpegDecodeOptions& options,
                                 const TJpegAllocate& allocate);
TJpegInfo ReadJpegInfo(const TJpegReader& read);

struct TJpegEncodeOptions {
  int Quality = 90;  // 1..100
  bool Progressive = false;
  bool Grayscale = false;
};
// Takes 24-bit images and 8-bit images with a grey ramp palette; other depths
// are converted to 24 bits first.
std::vector<std::uint8_t> EncodeJpeg(const TDibImage& image, const TJpegEncodeOptions& options = {});
// Encodes rows where they lie (row y at top + y * pitch): 24-bit B,G,R, or
// 8-bit grey levels when grey.
std::vector<std::uint8_t> EncodeJpegRows(const std::uint8_t* top, std::ptrdiff_t pitch, int width, int height,
                                         bool grey, const TJpegEncodeOptions& options = {});

// True when the 8-bit palette is the 0..255 grey ramp.
bool IsGreyRamp(const TDibImage& image);
