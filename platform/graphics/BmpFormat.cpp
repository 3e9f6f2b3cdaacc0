#include "platform/graphics/BmpFormat.h"

#include <bit>
#include <algorithm>
#include <cstring>

#include "platform/graphics/ByteReader.h"
#include "platform/graphics/PictureTooLarge.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

namespace {

constexpr std::uint16_t BmpMagic = 0x4D42;  // "BM"
constexpr std::size_t FileHeaderSize = 14;
constexpr std::uint32_t CoreHeaderSize = 12;
constexpr std::uint32_t InfoHeaderSize = 40;
constexpr std::uint32_t Os2HeaderSize = 64;

struct TBmpHeader {
  std::uint32_t HeaderSize = 0;
  std::int32_t Width = 0;
  std::int32_t Height = 0;  // negative: top-down
  std::uint16_t BitCount = 0;
  std::uint32_t Compression = BMP_RGB;
  std::uint32_t ColorsUsed = 0;
  std::uint32_t Masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
  bool HasMasks = false;
};

[[noreturn]] void Bad(const char* what) { throw EInvalidGraphic(what); }

TBmpHeader ReadInfoHeader(TByteReader& r) {
  TBmpHeader h;
  std::size_t start = r.Pos();
  h.HeaderSize = r.U32();
  if (h.HeaderSize == CoreHeaderSize) {
    h.Width = r.U16();
    h.Height = r.U16();
    if (r.U16() != 1) Bad("Bitmap plane count is not 1");
    h.BitCount = r.U16();
    return h;
  }
  if (h.HeaderSize != InfoHeaderSize && h.HeaderSize != 52 && h.HeaderSize != 56 && h.HeaderSize != Os2HeaderSize &&
      h.HeaderSize != 108 && h.HeaderSize != 124)
    Bad("Unknown bitmap header size");
  r.Take(h.HeaderSize - 4);  // the whole header must be there
  r.Seek(start + 4);
  h.Width = r.I32();
  h.Height = r.I32();
  if (r.U16() != 1) Bad("Bitmap plane count is not 1");
  h.BitCount = r.U16();
  h.Compression = r.U32();
  r.Skip(12);  // image size, resolution: not needed
  h.ColorsUsed = r.U32();
  r.Skip(4);  // important colours
  if (h.HeaderSize >= 52 && h.HeaderSize != Os2HeaderSize) {
    for (int i = 0; i < (h.HeaderSize >= 56 ? 4 : 3); ++i) h.Masks[i] = r.U32();
    h.HasMasks = true;
  }
  // The OS/2 header's compression 3 is Huffman coding, not bit fields.
  if (h.HeaderSize == Os2HeaderSize && h.Compression == BMP_BITFIELDS) Bad("Unsupported bitmap compression");
  r.Seek(start + h.HeaderSize);
  return h;
}

// Shift and width of one bit-field mask, for scaling the field to 8 bits.
struct TField {
  int Shift = 0;
  int Bits = 0;
  std::uint32_t Mask = 0;
};
TField FieldOf(std::uint32_t mask) {
  TField f;
  if (!mask) return f;
  f.Shift = std::countr_zero(mask);
  f.Bits = std::countr_one(mask >> f.Shift);
  if (f.Bits > 8) {  // keep the top eight bits of a wide field
    f.Shift += f.Bits - 8;
    f.Bits = 8;
  }
  f.Mask = (1u << f.Bits) - 1;
  return f;
}
inline std::uint8_t Expand(std::uint32_t v, const TField& f) {
  if (!f.Bits) return 0;
  std::uint32_t x = (v >> f.Shift) & f.Mask;
  // Replicate the high bits into the low ones: 5-bit 31 becomes 255.
  std::uint32_t out = 0;
  for (int got = 0; got < 8; got += f.Bits) out = (out << f.Bits) | x;
  int total = ((8 + f.Bits - 1) / f.Bits) * f.Bits;
  return std::uint8_t(out >> (total - 8));
}

// Bit-field rows of any layout into 32-bit B,G,R,A.
void DecodeBitfields(const std::uint8_t* src, std::size_t srcStride, int srcBits, const std::uint32_t masks[4],
                     bool topDown, TDibImage& out) {
  TField fr = FieldOf(masks[0]), fg = FieldOf(masks[1]), fb = FieldOf(masks[2]), fa = FieldOf(masks[3]);
  for (int y = 0; y < out.Height; ++y) {
    const std::uint8_t* s = src + std::size_t(topDown ? y : out.Height - 1 - y) * srcStride;
    std::uint8_t* d = out.Row(y);
    for (int x = 0; x < out.Width; ++x, d += 4) {
      std::uint32_t v;
      if (srcBits == 16) {
        v = std::uint32_t(s[0]) | (std::uint32_t(s[1]) << 8);
        s += 2;
      } else {
        v = std::uint32_t(s[0]) | (std::uint32_t(s[1]) << 8) | (std::uint32_t(s[2]) << 16) |
            (std::uint32_t(s[3]) << 24);
        s += 4;
      }
      d[0] = Expand(v, fb);
      d[1] = Expand(v, fg);
      d[2] = Expand(v, fr);
      d[3] = fa.Bits ? Expand(v, fa) : 255;
    }
  }
}

inline void PutPixel4(std::uint8_t* row, int x, unsigned v) {
  std::uint8_t& b = row[x >> 1];
  if (x & 1)
    b = std::uint8_t((b & 0xF0) | (v & 15));
  else
    b = std::uint8_t((b & 0x0F) | ((v & 15) << 4));
}

// Run-length data into the bottom-up rows of out (runs count from the bottom
// row). Runs and literals past the row's end are clipped there; anything
// leaving the image vertically, and deltas leaving it at all, are refused.
void DecodeRle(TByteReader& r, bool rle4, TDibImage& out) {
  const int w = out.Width, h = out.Height;
  const std::size_t stride = std::size_t(out.Stride());
  int x = 0, y = 0;
  while (r.Left() >= 2) {
    unsigned count = r.U8(), value = r.U8();
    if (count > 0) {
      if (y >= h) Bad("Run-length run leaves the bitmap");
      // Writers encode row padding as a run past the width: clip it.
      const unsigned n = std::min(count, unsigned(w - x));
      std::uint8_t* row = out.Bits.data() + std::size_t(y) * stride;
      if (rle4) {
        for (unsigned i = 0; i < n; ++i) PutPixel4(row, x + int(i), (i & 1) ? value : value >> 4);
      } else {
        std::memset(row + x, int(value), n);
      }
      x += int(n);
      continue;
    }
    switch (value) {
      case 0:  // end of line
        x = 0;
        ++y;
        break;
      case 1:  // end of bitmap
        return;
      case 2: {  // delta
        unsigned dx = r.U8(), dy = r.U8();
        // Landing on the row past the top is allowed only to end there:
        // every later run checks y again.
        if (unsigned(w - x) < dx || (y < h ? unsigned(h - y) : 0u) < dy) Bad("Run-length delta leaves the bitmap");
        x += int(dx);
        y += int(dy);
        break;
      }
      default: {  // literal run of `value` pixels, padded to a 16-bit boundary
        if (y >= h) Bad("Run-length literal leaves the bitmap");
        std::size_t bytes = rle4 ? (value + 1) / 2 : value;
        const std::uint8_t* src = r.Take(bytes + (bytes & 1));
        const unsigned n = std::min(value, unsigned(w - x));  // clipped like a run
        std::uint8_t* row = out.Bits.data() + std::size_t(y) * stride;
        if (rle4) {
          for (unsigned i = 0; i < n; ++i) PutPixel4(row, x + int(i), (i & 1) ? src[i / 2] : src[i / 2] >> 4);
        } else {
          std::memcpy(row + x, src, n);
        }
        x += int(n);
        break;
      }
    }
  }
  // Data ending without an end-of-bitmap code leaves the remaining rows black.
}

bool Is555(const std::uint32_t m[4]) { return m[0] == 0x7C00 && m[1] == 0x03E0 && m[2] == 0x001F; }
bool Is565(const std::uint32_t m[4]) { return m[0] == 0xF800 && m[1] == 0x07E0 && m[2] == 0x001F; }
bool IsBgr32(const std::uint32_t m[4]) { return m[0] == 0xFF0000 && m[1] == 0xFF00 && m[2] == 0xFF; }

// Reads header and table starting at the reader's position and checks
// every field. available: bytes from the reader's origin to the end of the
// data (the reader itself may hold only the first part). pixelOffset:
// absolute offset of the pixels, or 0 for "right after the colour table".
// icon: the height counts the image and its mask (see ReadPackedDib).
TBmpLayout ParseDib(TByteReader& r, std::uint64_t available, std::uint64_t pixelOffset, bool icon,
                    const TBmpReadLimits& limits) {
  const std::size_t headerStart = r.Pos();
  TBmpHeader h = ReadInfoHeader(r);
  const bool core = h.HeaderSize == CoreHeaderSize;

  switch (h.BitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: Bad("Unsupported bitmap bit count");
  }
  switch (h.Compression) {
    case BMP_RGB: break;
    case BMP_RLE8: if (h.BitCount != 8) Bad("RLE8 needs 8 bits per pixel"); break;
    case BMP_RLE4: if (h.BitCount != 4) Bad("RLE4 needs 4 bits per pixel"); break;
    case BMP_BITFIELDS: if (h.BitCount != 16 && h.BitCount != 32) Bad("Bit fields need 16 or 32 bits"); break;
    default: Bad("Unsupported bitmap compression");
  }
  if (h.Width <= 0 || h.Height == 0 || h.Height == INT32_MIN) Bad("Invalid bitmap dimensions");
  TBmpLayout L;
  L.BitCount = h.BitCount;
  L.Compression = h.Compression;
  L.TopDown = h.Height < 0;
  L.Width = h.Width;
  L.Height = L.TopDown ? -h.Height : h.Height;
  const int width = L.Width;
  if (width > MaxDibDimension || L.Height > MaxDibDimension) Bad("Bitmap is too wide or too tall");
  if (L.TopDown && (h.Compression == BMP_RLE8 || h.Compression == BMP_RLE4)) Bad("Run-length bitmaps are bottom-up");
  if (icon) {
    if (L.Height & 1) Bad("Icon bitmap height is odd");
    L.Height /= 2;
  }
  const int height = L.Height;

  // Masks after a 40-byte header with bit fields.
  std::uint32_t* masks = L.Masks;
  for (int i = 0; i < 4; ++i) masks[i] = h.Masks[i];
  if (h.Compression == BMP_BITFIELDS && !h.HasMasks) {
    masks[0] = r.U32();
    masks[1] = r.U32();
    masks[2] = r.U32();
    masks[3] = 0;
  }
  if (h.Compression != BMP_BITFIELDS) {
    if (h.BitCount == 16) masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x1F, masks[3] = 0;
    if (h.BitCount == 32) masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF, masks[3] = 0;
  }

  // Colour table: 2^bits entries unless the header says fewer; deeper
  // images may carry an (unused) table which is skipped.
  const std::size_t entrySize = core ? 3 : 4;
  std::uint64_t entries = core ? (h.BitCount <= 8 ? (1u << h.BitCount) : 0) : h.ColorsUsed;
  if (!core && entries == 0 && h.BitCount <= 8) entries = 1u << h.BitCount;
  // A count past what the depth allows is damage in the field only: read the
  // depth's own count, as other readers do.
  if (h.BitCount <= 8 && entries > (1u << h.BitCount)) entries = 1u << h.BitCount;
  // Some writers give a pixel offset that leaves room for fewer entries than
  // the bit count allows: believe the offset, as Windows does.
  std::size_t tableStart = r.Pos();
  if (pixelOffset > tableStart && pixelOffset < tableStart + entries * entrySize)
    entries = (pixelOffset - tableStart) / entrySize;
  const std::uint64_t tableEnd = tableStart + entries * entrySize;
  if (tableEnd > available) TByteReader::Fail();
  if (h.BitCount <= 8) {
    const std::uint8_t* table = r.Take(entries * entrySize);
    L.Palette.assign(std::size_t(1) << h.BitCount, TDibColor{});  // missing entries stay black
    for (std::size_t i = 0; i < entries; ++i)
      L.Palette[i] = {table[i * entrySize], table[i * entrySize + 1], table[i * entrySize + 2], 0};
  }

  if (pixelOffset == 0) pixelOffset = tableEnd;
  if (pixelOffset < headerStart + h.HeaderSize) Bad("Pixel data overlaps the bitmap header");
  if (pixelOffset > available) TByteReader::Fail();
  L.PixelOffset = pixelOffset;

  // Output depth.
  L.OutBits = h.BitCount;
  if (h.BitCount == 16) {
    if (Is565(masks))
      L.Is565 = true;
    else if (!Is555(masks))
      L.Generic = true;
  } else if (h.BitCount == 32 && !IsBgr32(masks)) {
    L.Generic = true;
  }
  if (L.Generic) L.OutBits = 32;

  if (std::uint64_t(width) * std::uint64_t(height) > limits.MaxPixels) throw EPictureTooLarge("Bitmap has too many pixels");
  std::uint64_t maxBytes = limits.MaxBytes < MaxDibBytes ? limits.MaxBytes : MaxDibBytes;
  if (std::uint64_t(TDibImage::StrideFor(width, L.OutBits)) > maxBytes / std::uint64_t(height) ||
      std::uint64_t(TDibImage::StrideFor(width, h.BitCount)) > maxBytes / std::uint64_t(height))
    throw EPictureTooLarge("Bitmap is larger than the picture budget");

  L.SrcStride = std::uint64_t(TDibImage::StrideFor(width, h.BitCount));
  if (h.Compression != BMP_RLE8 && h.Compression != BMP_RLE4) {
    // The last row may lack its padding.
    L.PixelBytes = L.SrcStride * std::uint64_t(height - 1) + (std::uint64_t(width) * h.BitCount + 7) / 8;
    if (L.PixelBytes > available - pixelOffset) TByteReader::Fail();
  }
  return L;
}

// Reads header, table and pixels starting at the reader's position; see
// ParseDib. iconMask: see ReadPackedDib.
TDibImage ReadDib(TByteReader& r, std::uint64_t pixelOffset, TDibImage* iconMask, const TBmpReadLimits& limits) {
  const TBmpLayout L = ParseDib(r, r.Size(), pixelOffset, iconMask != nullptr, limits);
  const int width = L.Width, height = L.Height;
  const bool topDown = L.TopDown;
  r.Seek(L.PixelOffset);

  TDibImage img;
  img.Palette = L.Palette;
  img.Allocate(width, height, L.OutBits);
  img.Is565 = L.Is565;

  const std::size_t srcStride = std::size_t(L.SrcStride);
  if (L.Compression == BMP_RLE8 || L.Compression == BMP_RLE4) {
    DecodeRle(r, L.Compression == BMP_RLE4, img);
  } else {
    const std::uint64_t need = L.PixelBytes;
    const std::uint8_t* src = r.Take(need);
    if (L.Generic) {
      DecodeBitfields(src, srcStride, L.BitCount, L.Masks, topDown, img);
    } else if (!topDown) {
      std::memcpy(img.Bits.data(), src, std::size_t(need));
    } else {
      std::size_t rowBytes = std::size_t((std::uint64_t(width) * L.BitCount + 7) / 8);
      for (int y = 0; y < height; ++y) std::memcpy(img.Row(y), src + std::size_t(y) * srcStride, rowBytes);
    }
    std::uint64_t end = L.PixelOffset + std::uint64_t(srcStride) * std::uint64_t(height);
    r.Seek(end > r.Size() ? r.Size() : end);
  }

  if (iconMask) {
    TDibImage& m = *iconMask;
    m.Palette = DefaultPalette(1);
    m.Allocate(width, height, 1);
    std::size_t maskStride = std::size_t(m.Stride());
    std::uint64_t maskBytes = std::uint64_t(maskStride) * height;
    if (r.Left() >= maskBytes) {
      const std::uint8_t* src = r.Take(maskBytes);
      if (!topDown)
        std::memcpy(m.Bits.data(), src, std::size_t(maskBytes));
      else
        for (int y = 0; y < height; ++y) std::memcpy(m.Row(y), src + std::size_t(y) * maskStride, maskStride);
    } else if (L.BitCount != 32) {
      Bad("Icon mask is missing");
    }  // a 32-bit icon without a mask: every pixel opaque, alpha decides
  }
  return img;
}

// Everything before the pixels: file header (when asked), info header,
// bit-field masks and colour table, for pixelBytes of rows.
std::vector<std::uint8_t> Headers(int width, int height, int bitCount, bool is565,
                                  const std::vector<TDibColor>& palette, std::uint64_t pixelBytes, bool fileHeader) {
  if (width <= 0 || height <= 0) throw EInvalidGraphicOperation("Cannot save an empty bitmap");
  const std::uint32_t colours = bitCount <= 8 ? std::uint32_t(1u << bitCount) : 0;
  const bool bitfields = bitCount == 16 && is565;
  const std::size_t head = (fileHeader ? FileHeaderSize : 0) + InfoHeaderSize + (bitfields ? 12 : 0);
  const std::size_t offBits = head + colours * 4;
  std::vector<std::uint8_t> out(offBits, 0);
  std::uint8_t* p = out.data();
  if (fileHeader) {
    PutU16(p, BmpMagic);
    PutU32(p + 2, std::uint32_t(offBits + pixelBytes));
    PutU32(p + 10, std::uint32_t(offBits));
    p += FileHeaderSize;
  }
  PutU32(p + 0, InfoHeaderSize);
  PutU32(p + 4, std::uint32_t(width));
  PutU32(p + 8, std::uint32_t(height));
  PutU16(p + 12, 1);
  PutU16(p + 14, std::uint16_t(bitCount));
  PutU32(p + 16, bitfields ? BMP_BITFIELDS : BMP_RGB);
  PutU32(p + 20, std::uint32_t(pixelBytes));
  PutU32(p + 24, 3780);  // 96 dpi in pixels per metre
  PutU32(p + 28, 3780);
  PutU32(p + 32, colours);
  PutU32(p + 36, 0);
  p += InfoHeaderSize;
  if (bitfields) {
    PutU32(p, 0xF800);
    PutU32(p + 4, 0x07E0);
    PutU32(p + 8, 0x001F);
    p += 12;
  }
  for (std::uint32_t i = 0; i < colours; ++i, p += 4) {
    TDibColor c = i < palette.size() ? palette[i] : TDibColor{};
    p[0] = c.Blue, p[1] = c.Green, p[2] = c.Red, p[3] = 0;
  }
  return out;
}

std::vector<std::uint8_t> Write(const TDibImage& img, bool fileHeader) {
  std::vector<std::uint8_t> out =
      Headers(img.Width, img.Height, img.BitCount, img.Is565, img.Palette, img.Bits.size(), fileHeader);
  out.insert(out.end(), img.Bits.begin(), img.Bits.end());
  return out;
}

}  // namespace

TDibImage ReadBmp(const std::uint8_t* data, std::size_t size, const TBmpReadLimits& limits) {
  TByteReader r(data, size);
  if (r.U16() != BmpMagic) Bad("Not a bitmap file");
  r.Skip(8);  // file size and reserved words: the data's own size is what counts
  std::uint32_t offBits = r.U32();
  // An offset of zero (seen in the wild) means "right after the table".
  return ReadDib(r, offBits, nullptr, limits);
}

TDibImage ReadPackedDib(const std::uint8_t* data, std::size_t size, TDibImage* iconMask, const TBmpReadLimits& limits) {
  TByteReader r(data, size);
  return ReadDib(r, 0, iconMask, limits);
}

std::vector<std::uint8_t> ReadBmpFileBytes(TStream& stream, const TBmpReadLimits& limits) {
  std::uint8_t head[FileHeaderSize];
  const std::int64_t total = BmpStreamExtent(stream, head, limits);
  std::vector<std::uint8_t> bytes(std::size_t(total), 0);
  std::memcpy(bytes.data(), head, FileHeaderSize);
  const std::int64_t want = total - std::int64_t(FileHeaderSize);
  if (stream.Read(bytes.data() + FileHeaderSize, want) != want) Bad("Bitmap stream is truncated");
  return bytes;
}

std::vector<std::uint8_t> WriteBmp(const TDibImage& image) { return Write(image, true); }

std::vector<std::uint8_t> BmpFileHeaders(int width, int height, int bitCount, bool is565,
                                         const std::vector<TDibColor>& palette) {
  const std::uint64_t pixelBytes = std::uint64_t(TDibImage::StrideFor(width, bitCount)) * std::uint64_t(height);
  return Headers(width, height, bitCount, is565, palette, pixelBytes, true);
}

TBmpLayout ReadBmpLayout(const std::uint8_t* head, std::size_t headSize, std::uint64_t fileSize,
                         const TBmpReadLimits& limits) {
  TByteReader r(head, headSize);
  if (r.U16() != BmpMagic) Bad("Not a bitmap file");
  r.Skip(8);  // file size and reserved words: the caller's fileSize is what counts
  const std::uint32_t offBits = r.U32();
  return ParseDib(r, fileSize, offBits, false, limits);
}

std::int64_t BmpStreamExtent(TStream& stream, std::uint8_t (&head)[14], const TBmpReadLimits& limits) {
  if (stream.Read(head, FileHeaderSize) != std::int64_t(FileHeaderSize)) Bad("Bitmap stream is truncated");
  TByteReader r(head, FileHeaderSize);
  if (r.U16() != BmpMagic) Bad("Not a bitmap file");
  std::uint32_t fileSize = r.U32();
  // bfSize says where a bitmap inside a longer stream ends. Writers that leave
  // it 0, or get it wrong, are common: then the rest of the stream is the
  // bitmap, and the reader proper checks what the headers claim against it.
  const std::int64_t left = stream.Size() - stream.Position();
  std::int64_t want = left;
  if (fileSize >= FileHeaderSize + CoreHeaderSize) want = std::min<std::int64_t>(fileSize - FileHeaderSize, left);
  if (want < std::int64_t(CoreHeaderSize)) Bad("Bitmap stream is truncated");
  // Headers and a colour table on top of the largest pixel block we accept.
  if (std::uint64_t(want) > MaxDibBytes + (1u << 20)) throw EPictureTooLarge("Bitmap stream is too large");
  // Pixel data of an allowed picture: at most 4 bytes a pixel (run-length
  // codes at most 2 more), plus headers and a colour table.
  std::uint64_t allowed = limits.MaxBytes;
  if (limits.MaxPixels < MaxDibBytes) allowed = std::min(allowed, limits.MaxPixels * 6 + 65536);
  if (std::uint64_t(want) > allowed + (1u << 20)) throw EPictureTooLarge("Bitmap stream is too large");
  return std::int64_t(FileHeaderSize) + want;
}
std::vector<std::uint8_t> WritePackedDib(const TDibImage& image) { return Write(image, false); }
