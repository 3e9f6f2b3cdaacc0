// The YUV unpackers: one stored row of a frame into a 24-bit row. Every
// pixel of the row is written; a group that reaches past the width is
// decoded and its pixels beyond the width dropped.
#include <cstdint>
#include <cstring>

#include "imaging/core/colour/pictoraproc_colorspace.h"
#include "imaging/core/colour/pictoraproc_frames.h"

namespace {

constexpr std::uint32_t yuvCodeI420 = VQFourCC('I', '4', '2', '0');
constexpr std::uint32_t yuvCodeIYUV = VQFourCC('I', 'Y', 'U', 'V');
constexpr std::uint32_t yuvCodeYV12 = VQFourCC('Y', 'V', '1', '2');
constexpr std::uint32_t yuvCodeYVU9 = VQFourCC('Y', 'V', 'U', '9');
constexpr std::uint32_t yuvCodeYUY2 = VQFourCC('Y', 'U', 'Y', '2');
constexpr std::uint32_t yuvCodeYUNV = VQFourCC('Y', 'U', 'N', 'V');
constexpr std::uint32_t yuvCodeUYVY = VQFourCC('U', 'Y', 'V', 'Y');
constexpr std::uint32_t yuvCodeUYNV = VQFourCC('U', 'Y', 'N', 'V');
constexpr std::uint32_t yuvCodecyuv = VQFourCC('c', 'y', 'u', 'v');
constexpr std::uint32_t yuvCodeYVYU = VQFourCC('Y', 'V', 'Y', 'U');
constexpr std::uint32_t yuvCodeY211 = VQFourCC('Y', '2', '1', '1');
constexpr std::uint32_t yuvCodeIYU1 = VQFourCC('I', 'Y', 'U', '1');
constexpr std::uint32_t yuvCodeIYU2 = VQFourCC('I', 'Y', 'U', '2');
constexpr std::uint32_t yuvCodeY41P = VQFourCC('Y', '4', '1', 'P');
constexpr std::uint32_t yuvCodeCLJR = VQFourCC('C', 'L', 'J', 'R');

// Bytes of one stored row of a packed layout: whole groups.
Int64 YuvPackedStride(Int64 width, int pixelsPerGroup, int bytesPerGroup) {
  return (width + pixelsPerGroup - 1) / pixelsPerGroup * bytesPerGroup;
}

// a x b, or the largest Int64 when that would not fit.
Int64 YuvProduct(Int64 a, Int64 b) {
  if (a > 0 && b > INT64_MAX / a) return INT64_MAX;
  return a * b;
}

// Planar 4:2:0 and 4:1:0: the luma row and the chroma rows serving it.
template <int step>
void YuvUnpackPlanar(const TVQYUVFrame& f, int r, Byte* dst, bool uFirst) {
  const TVQYUVTerms& t = YUVTerms();
  const Int64 w = f.Width, h = f.Height;
  const Int64 cw = (w + step - 1) / step, ch = (h + step - 1) / step;
  const Byte* y = f.Data + r * w;
  const Byte* first = f.Data + w * h + (r / step) * cw;
  const Byte* u = uFirst ? first : first + cw * ch;
  const Byte* v = uFirst ? first + cw * ch : first;
  for (int x = 0; x < f.Width; ++x) YUVToBGR(t, y[x], u[x / step], v[x / step], dst + 3 * x);
}

// Two pixels in four bytes; yi, ui, vi are the byte positions of Y0, U, V
// (Y1 is Y0 + 2).
void YuvUnpack422(const TVQYUVFrame& f, int r, Byte* dst, int yi, int ui, int vi) {
  const TVQYUVTerms& t = YUVTerms();
  const int w = f.Width;
  const Byte* s = f.Data + r * YuvPackedStride(w, 2, 4);
  int x = 0;
  for (; x + 1 < w; x += 2, s += 4, dst += 6) {
    YUVToBGR(t, s[yi], s[ui], s[vi], dst);
    YUVToBGR(t, s[yi + 2], s[ui], s[vi], dst + 3);
  }
  if (x < w) YUVToBGR(t, s[yi], s[ui], s[vi], dst);
}

// Puts the decoded pixels of one group, at most those left in the row.
void YuvPutGroup(const TVQYUVTerms& t, Byte* dst, int count, const Byte* ys, Byte u, Byte v) {
  for (int i = 0; i < count; ++i) YUVToBGR(t, ys[i], u, v, dst + 3 * i);
}

int YuvGroupCount(int x, int width, int group) { return width - x < group ? width - x : group; }

// Four pixels sharing one chroma pair in groupBytes bytes; ys are the byte
// positions of their lumas, ui and vi those of U and V.
void YuvUnpackQuad(const TVQYUVFrame& f, int r, Byte* dst, int groupBytes, const int (&ys)[4], int ui, int vi) {
  const TVQYUVTerms& t = YUVTerms();
  const Byte* s = f.Data + r * YuvPackedStride(f.Width, 4, groupBytes);
  for (int x = 0; x < f.Width; x += 4, s += groupBytes) {
    const Byte lumas[4] = {s[ys[0]], s[ys[1]], s[ys[2]], s[ys[3]]};
    YuvPutGroup(t, dst + 3 * x, YuvGroupCount(x, f.Width, 4), lumas, s[ui], s[vi]);
  }
}

}  // namespace

Int64 YUVFrameSize(std::uint32_t fourcc, int width, int height) {
  if (width < 0 || height < 0) return -1;
  const Int64 w = width, h = height;
  switch (fourcc) {
    case yuvCodeI420:
    case yuvCodeIYUV:
    case yuvCodeYV12: return w * h + 2 * ((w + 1) / 2) * ((h + 1) / 2);
    case yuvCodeYVU9: return w * h + 2 * ((w + 3) / 4) * ((h + 3) / 4);
    case yuvCodeYUY2:
    case yuvCodeYUNV:
    case yuvCodeUYVY:
    case yuvCodeUYNV:
    case yuvCodecyuv:
    case yuvCodeYVYU: return YuvProduct(YuvPackedStride(w, 2, 4), h);
    case yuvCodeY211: return YuvProduct(YuvPackedStride(w, 4, 4), h);
    case yuvCodeIYU1: return YuvProduct(YuvPackedStride(w, 4, 6), h);
    case yuvCodeIYU2: return YuvProduct(YuvPackedStride(w, 1, 3), h);
    case yuvCodeY41P: return YuvProduct(YuvPackedStride(w, 8, 12), h);
    case yuvCodeCLJR: return YuvProduct(YuvPackedStride(w, 4, 4), h);
    default: return -1;
  }
}

TVQYUVUnpacker YUVUnpackerOf(std::uint32_t fourcc) {
  switch (fourcc) {
    case yuvCodeI420:
    case yuvCodeIYUV: return UnpackI420;
    case yuvCodeYV12: return UnpackYV12;
    case yuvCodeYVU9: return UnpackYVU9;
    case yuvCodeYUY2:
    case yuvCodeYUNV: return UnpackYUY2;
    case yuvCodeUYVY:
    case yuvCodeUYNV:
    case yuvCodecyuv: return UnpackUYVY;
    case yuvCodeYVYU: return UnpackYVYU;
    case yuvCodeY211: return UnpackY211;
    case yuvCodeIYU1: return UnpackIYU1;
    case yuvCodeIYU2: return UnpackIYU2;
    case yuvCodeY41P: return UnpackY41P;
    case yuvCodeCLJR: return UnpackCLJR;
    default: return nullptr;
  }
}

bool YUVRowsReversed(std::uint32_t fourcc) { return fourcc == yuvCodeY41P || fourcc == yuvCodecyuv; }

void UnpackI420(const TVQYUVFrame& f, int r, Byte* dst) { YuvUnpackPlanar<2>(f, r, dst, true); }
void UnpackYV12(const TVQYUVFrame& f, int r, Byte* dst) { YuvUnpackPlanar<2>(f, r, dst, false); }
void UnpackYVU9(const TVQYUVFrame& f, int r, Byte* dst) { YuvUnpackPlanar<4>(f, r, dst, false); }
void UnpackYUY2(const TVQYUVFrame& f, int r, Byte* dst) { YuvUnpack422(f, r, dst, 0, 1, 3); }
void UnpackUYVY(const TVQYUVFrame& f, int r, Byte* dst) { YuvUnpack422(f, r, dst, 1, 0, 2); }
void UnpackYVYU(const TVQYUVFrame& f, int r, Byte* dst) { YuvUnpack422(f, r, dst, 0, 3, 1); }

void UnpackY211(const TVQYUVFrame& f, int r, Byte* dst) { YuvUnpackQuad(f, r, dst, 4, {0, 0, 2, 2}, 1, 3); }
void UnpackIYU1(const TVQYUVFrame& f, int r, Byte* dst) { YuvUnpackQuad(f, r, dst, 6, {1, 2, 4, 5}, 0, 3); }

void UnpackIYU2(const TVQYUVFrame& f, int r, Byte* dst) {
  const TVQYUVTerms& t = YUVTerms();
  const Byte* s = f.Data + r * YuvPackedStride(f.Width, 1, 3);
  for (int x = 0; x < f.Width; ++x, s += 3, dst += 3) YUVToBGR(t, s[1], s[0], s[2], dst);
}

void UnpackY41P(const TVQYUVFrame& f, int r, Byte* dst) {
  const TVQYUVTerms& t = YUVTerms();
  const Byte* s = f.Data + r * YuvPackedStride(f.Width, 8, 12);
  for (int x = 0; x < f.Width; x += 8, s += 12) {
    const Byte first[4] = {s[1], s[3], s[5], s[7]};
    const Byte second[4] = {s[8], s[9], s[10], s[11]};
    YuvPutGroup(t, dst + 3 * x, YuvGroupCount(x, f.Width, 4), first, s[0], s[2]);
    if (x + 4 < f.Width) YuvPutGroup(t, dst + 3 * (x + 4), YuvGroupCount(x + 4, f.Width, 4), second, s[4], s[6]);
  }
}

void UnpackCLJR(const TVQYUVFrame& f, int r, Byte* dst) {
  const TVQYUVTerms& t = YUVTerms();
  const Byte* s = f.Data + r * YuvPackedStride(f.Width, 4, 4);
  // The 5-bit luma and 6-bit chroma fields are widened to 8 bits by
  // repeating their top bits, so that full scale stays full scale.
  auto luma = [](std::uint32_t v) { return static_cast<Byte>((v << 3) | (v >> 2)); };
  auto chroma = [](std::uint32_t v) { return static_cast<Byte>((v << 2) | (v >> 4)); };
  for (int x = 0; x < f.Width; x += 4, s += 4) {
    const std::uint32_t word =
        std::uint32_t(s[0]) | (std::uint32_t(s[1]) << 8) | (std::uint32_t(s[2]) << 16) | (std::uint32_t(s[3]) << 24);
    const Byte v = chroma(word & 0x3F), u = chroma((word >> 6) & 0x3F);
    const Byte ys[4] = {luma((word >> 12) & 0x1F), luma((word >> 17) & 0x1F), luma((word >> 22) & 0x1F),
                        luma((word >> 27) & 0x1F)};
    YuvPutGroup(t, dst + 3 * x, YuvGroupCount(x, f.Width, 4), ys, u, v);
  }
}
