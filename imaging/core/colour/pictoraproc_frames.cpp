#include "imaging/core/colour/pictoraproc_frames.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/core/colour/pictoraproc_bitrows.h"
#include "imaging/core/base/vqzutils.h"
#include "platform/gdi/Gdi.h"
#include "platform/graphics/BmpFormat.h"
#include "platform/graphics/ByteReader.h"
#include "platform/rtl/ParallelRows.h"

namespace {

constexpr std::uint32_t framesRGB = 0;
constexpr std::uint32_t framesRunLength8 = 1;
constexpr std::uint32_t framesRunLength4 = 2;
constexpr std::uint32_t framesBitFields = 3;
constexpr std::uint64_t framesRunLengthPixelsPerByte = 256;

Int64 FramesDibStride(Int64 width, int bitCount) { return (width * bitCount + 31) / 32 * 4; }

// Whether rows of stride bytes fit in available bytes, without a product
// that could wrap.
bool FramesRowsFit(Int64 stride, int rows, std::uint64_t available) {
  return rows <= 0 || static_cast<std::uint64_t>(stride) <= available / static_cast<std::uint64_t>(rows);
}

// Calls fill(r, row) for the stored rows r = 0 .. rows - 1, row being the
// bitmap row target(r). Rows of a bitmap in memory are split across threads
// (every row written by one band only, so the bytes never depend on the
// thread count); a file-backed bitmap pages one row at a time.
template <class Target, class Fill>
void FramesForEachRow(TVQBitmap& bitmap, int rows, Byte access, Target target, Fill fill) {
  TVQViewAccessScope scope(bitmap, access);
  if (bitmap.Location() == vqMemoryBuffer) {
    std::vector<Byte*> table(static_cast<std::size_t>(rows));
    for (int r = 0; r < rows; ++r) table[static_cast<std::size_t>(r)] = bitmap.GetScanline(target(r));
    ParallelRows(
        rows,
        [&](int begin, int end) {
          for (int r = begin; r < end; ++r) fill(r, table[static_cast<std::size_t>(r)]);
        },
        16);
    return;
  }
  for (int r = 0; r < rows; ++r) fill(r, bitmap.GetScanline(target(r)));
}

// Where the header's size field says the colour table starts; a field
// below the 40 bytes read is taken as 40.
std::size_t FramesHeaderEnd(const TVQDibHeader& h, std::size_t length) {
  const std::size_t size = std::max<std::size_t>(h.Size, VQDibHeaderSize);
  if (size > length) TByteReader::Fail("DIB header larger than its block");
  return size;
}

void FramesCheckSize(const TVQDibHeader& h) {
  if (h.Width <= 0 || h.Height == 0 || h.Height == INT32_MIN) TByteReader::Fail("DIB without pixels");
}

// Colour-table entries after the header: colours used, or the full table,
// for 1, 4 and 8 bits; none for other depths.
std::uint64_t FramesTableEntries(const TVQDibHeader& h) {
  if (h.BitCount != 1 && h.BitCount != 4 && h.BitCount != 8) return 0;
  return h.ClrUsed ? h.ClrUsed : (1u << h.BitCount);
}

// One channel of a 16-bit pixel through its mask: the field, moved down to
// bit 0 and then placed in the top of the byte (wider fields keep their top
// 8 bits). For the usual red-above-green-above-blue masks this is the same
// as shifting the masked value by the widths below it, and no shift can go
// negative for narrow, wide or empty masks.
struct FramesMaskField {
  std::uint32_t Mask = 0;
  int Low = 0, Width = 0;
  explicit FramesMaskField(std::uint32_t mask) : Mask(mask) {
    if (!mask) return;
    Low = std::countr_zero(mask);
    Width = MaskBitWidth(mask);
  }
  Byte Of(std::uint32_t v) const {
    if (!Width) return 0;
    const std::uint32_t field = ((v & Mask) >> Low) & ((Width >= 32 ? 0u : (1u << Width)) - 1u);
    return static_cast<Byte>(Width >= 8 ? field >> (Width - 8) : field << (8 - Width));
  }
};

enum class FramesPath { None, Copy1, Index4, Index8, Masked16, Copy24, Drop32 };

FramesPath FramesPathOf(const TVQDibHeader& h) {
  switch (h.BitCount) {
    case 1: return FramesPath::Copy1;
    case 4: return FramesPath::Index4;
    case 8: return FramesPath::Index8;
    case 16: return FramesPath::Masked16;
    case 24: return h.Compression == framesRGB ? FramesPath::Copy24 : FramesPath::None;
    case 32:
      return h.Compression == framesRGB || h.Compression == framesBitFields ? FramesPath::Drop32 : FramesPath::None;
    default: return FramesPath::None;
  }
}

bool FramesIsRunLength(const TVQDibHeader& h) {
  return (h.Compression == framesRunLength8 && h.BitCount == 8) || (h.Compression == framesRunLength4 && h.BitCount == 4);
}

// Run-length coded 8- and 4-bit DIBs, decoded by the platform's BMP reader
// (which checks every run against the picture) and then looked up in the
// table as the plain rows are. A picture of more than
// framesRunLengthPixelsPerByte pixels for each byte of its block is refused
// before it is decoded: nothing else bounds what a few bytes may claim.
int FramesReadRunLength(const TVQDibHeader& h, const Byte* base, std::size_t length, TVQBitmap& bitmap,
                        const Byte* bits, std::size_t bitsLength, std::size_t pixelStart, const TRGBPixel* table) {
  std::vector<Byte> joined;
  const Byte* block = base;
  std::size_t size = length;
  if (bits) {
    joined.assign(base, base + pixelStart);
    joined.insert(joined.end(), bits, bits + bitsLength);
    block = joined.data();
    size = joined.size();
  }
  TBmpReadLimits limits;
  limits.MaxPixels = std::max<std::uint64_t>(std::uint64_t{1} << 20, std::uint64_t(size) * framesRunLengthPixelsPerByte);
  const TDibImage image = ReadPackedDib(block, size, nullptr, limits);
  const int width = h.Width, height = h.Height;
  if (image.Width != width || image.Height != height || image.BitCount != h.BitCount)
    TByteReader::Fail("Run-length DIB that does not match its header");
  bitmap.Allocate(width, height, vqRGB24);
  if (bitmap.IsEmpty()) return h.BitCount;
  const bool four = h.BitCount == 4;
  FramesForEachRow(
      bitmap, height, vqWrite, [](int r) { return r; },
      [&](int r, Byte* dst) {
        const Byte* src = image.Row(r);
        for (int x = 0; x < width; ++x) {
          const Byte index = four ? ((x & 1) ? (src[x >> 1] & 15) : (src[x >> 1] >> 4)) : src[x];
          std::memcpy(dst + 3 * x, &table[index], 3);
        }
      });
  return h.BitCount;
}

// The uncompressed (and bit-field) layouts.
int FramesReadRGB(const TVQDibHeader& h, const Byte* base, std::size_t length, TVQBitmap& bitmap, const Byte* bits,
                  std::size_t bitsLength) {
  const int width = h.Width, height = h.Height < 0 ? -h.Height : h.Height;
  TByteReader header(base, length);
  header.Seek(FramesHeaderEnd(h, length));
  const std::uint64_t entries = FramesTableEntries(h);
  if (entries > header.Left() / 4) TByteReader::Fail("DIB colour table beyond its block");
  // Indexes past the table's entries read black rather than foreign memory.
  TRGBPixel table[256] = {};
  const Byte* stored = header.Take(entries * 4);
  for (std::uint64_t i = 0; i < std::min<std::uint64_t>(entries, 256); ++i)
    table[i] = TRGBPixel{stored[4 * i], stored[4 * i + 1], stored[4 * i + 2]};

  TByteReader pixels(bits ? bits : base + header.Pos(), bits ? bitsLength : header.Left());
  std::uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
  if (h.Compression == framesBitFields && (h.BitCount == 16 || h.BitCount == 32))
    for (std::uint32_t& m : masks) m = pixels.U32();
  if (FramesIsRunLength(h)) return FramesReadRunLength(h, base, length, bitmap, bits, bitsLength, header.Pos(), table);
  const FramesPath path = FramesPathOf(h);
  const Int64 stride = FramesDibStride(width, std::max<int>(h.BitCount, 1));
  if (!FramesRowsFit(stride, height, pixels.Left())) TByteReader::Fail("DIB rows beyond their block");
  const Byte* rows = pixels.Data() + pixels.Pos();

  bitmap.Allocate(width, height, h.BitCount == 1 ? vqBits1 : vqRGB24);
  if (path == FramesPath::None || bitmap.IsEmpty()) return h.BitCount;
  const bool bottomUp = h.Height > 0;
  const FramesMaskField red(masks[0]), green(masks[1]), blue(masks[2]);
  const std::size_t oneBitBytes = std::min<std::size_t>((static_cast<std::size_t>(width) + 7) / 8,
                                                        static_cast<std::size_t>(bitmap.GetRowLength()));
  FramesForEachRow(
      bitmap, height, vqWrite, [&](int r) { return bottomUp ? height - 1 - r : r; },
      [&](int r, Byte* dst) {
        const Byte* src = rows + r * stride;
        switch (path) {
          case FramesPath::Copy1: std::memcpy(dst, src, oneBitBytes); break;
          case FramesPath::Index4:
            for (int x = 0; x < width; ++x) {
              const Byte b = src[x >> 1];
              std::memcpy(dst + 3 * x, &table[(x & 1) ? (b & 15) : (b >> 4)], 3);
            }
            break;
          case FramesPath::Index8:
            for (int x = 0; x < width; ++x) std::memcpy(dst + 3 * x, &table[src[x]], 3);
            break;
          case FramesPath::Masked16:
            for (int x = 0; x < width; ++x, src += 2, dst += 3) {
              const std::uint32_t v = std::uint32_t(src[0]) | (std::uint32_t(src[1]) << 8);
              dst[0] = blue.Of(v);
              dst[1] = green.Of(v);
              dst[2] = red.Of(v);
            }
            break;
          case FramesPath::Copy24: std::memcpy(dst, src, static_cast<std::size_t>(width) * 3); break;
          case FramesPath::Drop32:
            for (int x = 0; x < width; ++x, src += 4, dst += 3) {
              dst[0] = src[0];
              dst[1] = src[1];
              dst[2] = src[2];
            }
            break;
          case FramesPath::None: break;
        }
      });
  return h.BitCount;
}

int FramesReadYUV(const TVQDibHeader& h, const Byte* base, std::size_t length, TVQBitmap& bitmap, const Byte* bits,
                  std::size_t bitsLength) {
  const int width = h.Width, height = h.Height < 0 ? -h.Height : h.Height;
  // Without a bits pointer the frame follows the header.
  const std::size_t start = FramesHeaderEnd(h, length);
  const Byte* data = bits ? bits : base + start;
  const std::size_t available = bits ? bitsLength : length - start;
  const TVQYUVUnpacker unpack = YUVUnpackerOf(h.Compression);
  const bool fits = unpack ? static_cast<std::uint64_t>(YUVFrameSize(h.Compression, width, height)) <= available
                           : FramesRowsFit(FramesDibStride(width, std::max<int>(h.BitCount, 1)), height, available);
  if (!fits) TByteReader::Fail("Video frame beyond its block");
  // Always 24-bit: the unpackers write three bytes a pixel.
  bitmap.Allocate(width, height, vqRGB24);
  if (!unpack || bitmap.IsEmpty()) return h.BitCount;
  const bool fromTop = (h.Height > 0) != YUVRowsReversed(h.Compression);
  const TVQYUVFrame frame{data, width, height};
  FramesForEachRow(
      bitmap, height, vqWrite, [&](int r) { return fromTop ? r : height - 1 - r; },
      [&](int r, Byte* dst) { unpack(frame, r, dst); });
  return h.BitCount;
}

// Locks a global block for a call and unlocks it after, also on a raise.
class FramesLockedBlock {
 public:
  explicit FramesLockedBlock(HGLOBAL h) : handle_(h), data_(h ? GlobalLock(h) : nullptr) {
    size_ = data_ ? GlobalSize(h) : 0;
  }
  ~FramesLockedBlock() {
    if (data_) GlobalUnlock(handle_);
  }
  FramesLockedBlock(const FramesLockedBlock&) = delete;
  FramesLockedBlock& operator=(const FramesLockedBlock&) = delete;
  const void* Data() const { return data_; }
  std::size_t Size() const { return size_; }

 private:
  HGLOBAL handle_;
  void* data_;
  std::size_t size_ = 0;
};

}  // namespace

TVQDibHeader ReadDibHeader(const void* data, std::size_t length) {
  TByteReader r(static_cast<const Byte*>(data), data ? length : 0);
  TVQDibHeader h;
  h.Size = r.U32();
  h.Width = r.I32();
  h.Height = r.I32();
  h.Planes = r.U16();
  h.BitCount = r.U16();
  h.Compression = r.U32();
  h.SizeImage = r.U32();
  h.XPelsPerMeter = r.I32();
  h.YPelsPerMeter = r.I32();
  h.ClrUsed = r.U32();
  h.ClrImportant = r.U32();
  return h;
}

int FrameToBitmap(const void* header, std::size_t length, TVQBitmap* bitmap, const void* bits,
                  std::size_t bitsLength) {
  const TVQDibHeader h = ReadDibHeader(header, length);
  if (!bitmap) return h.BitCount;
  FramesCheckSize(h);
  const Byte* base = static_cast<const Byte*>(header);
  const Byte* pixels = static_cast<const Byte*>(bits);
  if (h.Compression <= framesBitFields) return FramesReadRGB(h, base, length, *bitmap, pixels, bitsLength);
  return FramesReadYUV(h, base, length, *bitmap, pixels, bitsLength);
}

int FrameToBitmap(HGLOBAL header, TVQBitmap* bitmap, const void* bits, std::size_t bitsLength) {
  const FramesLockedBlock block(header);
  return FrameToBitmap(block.Data(), block.Size(), bitmap, bits, bitsLength);
}

int DibToBitmap(const void* dib, std::size_t length, TVQDibbitmap* dest, const void* bits, std::size_t bitsLength) {
  const TVQDibHeader h = ReadDibHeader(dib, length);
  if (!dest) return h.BitCount;
  FramesCheckSize(h);
  const int width = h.Width, height = h.Height < 0 ? -h.Height : h.Height;
  TByteReader r(static_cast<const Byte*>(dib), length);
  r.Seek(FramesHeaderEnd(h, length));
  // The platform's blit reads the table (or masks) right after a 40-byte
  // header: it gets a copy of just that, whatever the block's header size.
  std::vector<Byte> info(VQDibHeaderSize + 256 * 4);
  std::memcpy(info.data(), dib, VQDibHeaderSize);
  PutU32(info.data(), VQDibHeaderSize);
  const std::uint64_t entries = FramesTableEntries(h);
  bool drawable = true;
  if (entries) {
    if (entries > r.Left() / 4) TByteReader::Fail("DIB colour table beyond its block");
    const std::uint64_t kept = std::min<std::uint64_t>(entries, 1u << h.BitCount);
    std::memcpy(info.data() + VQDibHeaderSize, r.Take(entries * 4), kept * 4);
    PutU32(info.data() + 32, static_cast<std::uint32_t>(kept));
  } else if (h.Compression == framesBitFields && (h.BitCount == 16 || h.BitCount == 32)) {
    std::memcpy(info.data() + VQDibHeaderSize, r.Take(12), 12);
  } else if (h.BitCount == 32 && h.Compression != framesRGB) {
    drawable = false;
  } else if (h.BitCount != 16 && h.BitCount != 24 && h.BitCount != 32) {
    drawable = false;
  }
  TByteReader pixels(bits ? static_cast<const Byte*>(bits) : r.Data() + r.Pos(), bits ? bitsLength : r.Left());
  const Int64 stride = FramesDibStride(width, std::max<int>(h.BitCount, 1));
  if (!FramesRowsFit(stride, height, pixels.Left())) TByteReader::Fail("DIB rows beyond their block");
  const Byte* rows = pixels.Data() + pixels.Pos();
  dest->AllocateBits(width, height, h.BitCount == 1 ? 1 : 24);
  if (drawable && dest->DC()) {
    HDRAWDIB context = OpenDrawDib();
    DrawDibStretch(context, dest->DC(), 0, 0, -1, -1, reinterpret_cast<const BITMAPINFO*>(info.data()), rows, 0, 0,
                   -1, -1, 0);
    CloseDrawDib(context);
  }
  return h.BitCount;
}

int DibToBitmap(HGLOBAL dib, TVQDibbitmap* dest, const void* bits, std::size_t bitsLength) {
  const FramesLockedBlock block(dib);
  return DibToBitmap(block.Data(), block.Size(), dest, bits, bitsLength);
}

HGLOBAL BitmapToDib(TVQBitmap* bitmap) {
  if (!bitmap) return nullptr;
  const TVQPixelFormat format = bitmap->GetPixelFormat();
  const int width = std::max(bitmap->GetWidth(), 0), height = std::max(bitmap->GetHeight(), 0);
  const int bitCount = format == vqBits1 ? 1 : format == vqRGB24 ? 24 : 0;
  const Int64 stride = bitCount ? FramesDibStride(width, bitCount) : bitmap->GetRowLength();
  const Int64 headerBytes = bitCount == 1 ? 52 : 44;
  const std::size_t size = static_cast<std::size_t>(headerBytes + stride * height);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, size);
  if (!block) throw EOutOfMemory("Cannot allocate a DIB of " + std::to_string(size) + " bytes");
  Byte* p = static_cast<Byte*>(GlobalLock(block));
  // Nothing of the block is left unwritten: the header part and the spare
  // end here, the rows with their padding below (all of it for the formats
  // that have no rows).
  const std::size_t rowsAt = bitCount == 1 ? 48 : VQDibHeaderSize;
  const std::size_t rowsEnd = rowsAt + static_cast<std::size_t>(stride * height);
  if (bitCount) {
    std::memset(p, 0, rowsAt);
    std::memset(p + rowsEnd, 0, size - rowsEnd);
  } else {
    std::memset(p, 0, size);
  }
  PutU32(p, VQDibHeaderSize);
  PutU32(p + 4, static_cast<std::uint32_t>(width));
  PutU32(p + 8, static_cast<std::uint32_t>(height));
  PutU16(p + 12, 1);
  PutU16(p + 14, static_cast<std::uint16_t>(bitCount));
  if (bitCount && width > 0 && height > 0) {
    Byte* rows = p + VQDibHeaderSize;
    if (bitCount == 1) {
      PutU32(p + 44, 0xFFFFFFFFu);  // entry 0 black, entry 1 white
      rows += 8;
    }
    const Int64 source = bitmap->GetRowLength();
    FramesForEachRow(
        *bitmap, height, vqRead, [&](int r) { return height - 1 - r; },
        [&](int r, Byte* src) {
          Byte* dst = rows + r * stride;
          if (bitCount == 1) {
            std::memset(dst, 0, static_cast<std::size_t>(stride));
            CopyBits(dst, src, 0, source, width, 0);
          } else {
            const std::size_t bytes = static_cast<std::size_t>(width) * 3;
            std::memcpy(dst, src, bytes);
            std::memset(dst + bytes, 0, static_cast<std::size_t>(stride) - bytes);
          }
        });
  }
  GlobalUnlock(block);
  return block;
}
