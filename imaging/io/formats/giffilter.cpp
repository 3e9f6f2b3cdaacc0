#include "imaging/io/formats/giffilter.h"

#include <algorithm>
#include <cstring>

#include "imaging/core/base/vqzutils_containers.h"
#include "imaging/core/colour/neurquant.h"
#include "imaging/core/colour/pictoraproc_bitdepth.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/core/raster/vqzutils_mask.h"
#include "imaging/io/coders/giflzw.h"
#include "imaging/io/component/pictoraio_filters.h"
#include "imaging/io/component/pictoraio_formats.h"
#include "imaging/io/component/pictoraio_params.h"
#include "platform/rtl/SafeSave.h"

namespace {

// Larger frames are refused rather than allocated.
constexpr std::int64_t kGifMaxPixels = std::int64_t(1) << 28;
constexpr int kGifHeaderSize = 13;
constexpr int kGifDescriptorSize = 9;
constexpr std::uint8_t kGifExtension = 0x21;  // '!'
constexpr std::uint8_t kGifImage = 0x2C;      // ','
constexpr std::uint8_t kGifTrailer = 0x3B;    // ';'
constexpr std::uint8_t kGifControlLabel = 0xF9;
constexpr std::uint8_t kGifCommentLabel = 0xFE;
constexpr std::uint8_t kGifTableFlag = 0x80;
constexpr std::uint8_t kGifInterlaceFlag = 0x40;

int GifTableEntries(std::uint8_t flags) { return 2 << (flags & 7); }

std::uint16_t GifU16(const std::uint8_t* p) { return std::uint16_t(p[0] | p[1] << 8); }

void GifPutU16(std::uint8_t* p, int v) {
  const auto u = std::uint16_t(std::clamp(v, 0, 65535));
  p[0] = std::uint8_t(u);
  p[1] = std::uint8_t(u >> 8);
}

// Red, green, blue triples of the file into a zero-filled 256-entry table
// (blue, green, red), so that any index finds an entry.
void GifTableFromFile(const std::uint8_t* rgb, int entries, TRGBPixel table[256]) {
  for (int i = 0; i < 256; ++i) table[i] = TRGBPixel{};
  for (int i = 0; i < std::min(entries, 256); ++i) table[i] = TRGBPixel{rgb[3 * i + 2], rgb[3 * i + 1], rgb[3 * i]};
}

// Walks the blocks of the stream once: the header, where each frame is and
// the graphic control extension before it, the comments.
void GifScan(TStream& Stream, TGifStreamIndex& ix) {
  TGifInput in(Stream);
  ix.HeaderComplete = in.ReadExact(ix.Header, kGifHeaderSize);
  if (!ix.HeaderComplete || std::memcmp(ix.Header, "GIF", 3) != 0) {
    ix.End = in.Position();
    return;
  }
  if (ix.Header[10] & kGifTableFlag) {
    ix.GlobalTable.resize(std::size_t(3 * GifTableEntries(ix.Header[10])));
    ix.GlobalTable.resize(std::size_t(in.Read(ix.GlobalTable.data(), std::int64_t(ix.GlobalTable.size()))));
  }
  TGifStreamIndex::TFrame pending;
  std::vector<std::uint8_t> block;
  std::uint8_t b = 0;
  ix.EndsAfterHeader = !in.ReadByte(b);
  if (!ix.EndsAfterHeader) {
    for (;;) {
      if (b == kGifTrailer) break;
      if (b == kGifExtension) {
        std::uint8_t label = 0;
        if (!in.ReadByte(label)) break;
        if (label == kGifControlLabel) {
          block.clear();
          in.ReadSubBlocks(block);
          block.resize(std::max<std::size_t>(block.size(), 4), 0);
          pending.HasControl = true;
          pending.ControlFlags = block[0];
          pending.Delay = GifU16(&block[1]);
          pending.TransparentIndex = block[3];
        } else if (label == kGifCommentLabel) {
          std::uint8_t n = 0;
          std::uint8_t text[256];
          while (in.ReadByte(n) && n != 0) {
            const std::int64_t got = in.Read(text, n);
            const std::size_t len = strnlen(reinterpret_cast<const char*>(text), std::size_t(got));
            if (len > 0) ix.Comments.push_back({int(ix.Frames.size()), std::string(reinterpret_cast<char*>(text), len)});
            if (got < n) break;
          }
        } else {
          in.SkipSubBlocks();
        }
      } else if (b == kGifImage) {
        std::uint8_t d[kGifDescriptorSize];
        pending.Descriptor = in.Position();
        if (!in.ReadExact(d, kGifDescriptorSize)) break;
        std::uint8_t codeSize = 0;
        std::int64_t table = (d[8] & kGifTableFlag) ? 3 * GifTableEntries(d[8]) : 0;
        // Passing over the local table byte by byte would cost a call per
        // byte; Read into a scratch block instead.
        std::uint8_t scratch[768];
        if (table) in.Read(scratch, table);
        if (in.ReadByte(codeSize)) in.SkipSubBlocks();
        ix.Frames.push_back(pending);
        pending = {};
      }
      if (!in.ReadByte(b)) break;
    }
  }
  ix.End = in.Position();
}

// Colours for a frame without any table, whose indices have no colours of
// their own: a grey ramp over the code size's indices.
void GifGreyTable(int entries, TRGBPixel table[256]) {
  for (int i = 0; i < 256; ++i) {
    const Byte v = i < entries && entries > 1 ? Byte(i * 255 / (entries - 1)) : 0;
    table[i] = TRGBPixel{v, v, v};
  }
}

}  // namespace

void LoadGifImage(TStream& Stream, TVQBitmap* Bitmap, int& FrameCount, bool NoAlphaMask,
                  std::unique_ptr<TVQMask>& Mask, bool ParamsOnly, TVQProgressRec& Progress, TIOParamsVals& Params,
                  TGifStreamIndex* Index) {
  bool dummyAbort = false;
  bool& abortFlag = Progress.Aborting ? *Progress.Aborting : dummyAbort;
  ReportProgress(&Progress, 0);
  // Every read lists the file's comments once, however often it is read.
  Params.GifComments->Clear();
  FrameCount = 0;
  const std::int64_t start = Stream.Position();
  TGifStreamIndex local;
  TGifStreamIndex& ix = Index ? *Index : local;
  if (ix.Start != start) {
    ix = TGifStreamIndex();
    ix.Start = start;
    GifScan(Stream, ix);
  }
  if (!ix.HeaderComplete || std::memcmp(ix.Header, "GIF", 3) != 0) {
    abortFlag = true;
    Stream.Seek(ix.End, soBeginning);
    return;
  }
  const std::uint8_t* h = ix.Header;
  Params.GifVersion = std::string(reinterpret_cast<const char*>(h), 6);
  Params.GifWinWidth = GifU16(h + 6);
  Params.GifWinHeight = GifU16(h + 8);
  Params.GifAspectRatio = h[12];
  Params.SetDpiX(kIODefaultDpi);
  Params.SetDpiY(kIODefaultDpi);
  Params.SamplesPerPixel = 1;
  const bool hasGlobal = h[10] & kGifTableFlag;
  TRGBPixel global[256];
  GifTableFromFile(ix.GlobalTable.data(), int(ix.GlobalTable.size() / 3), global);
  if (hasGlobal) Params.GifBackground = global[h[11]];
  if (ix.EndsAfterHeader || (hasGlobal && int(ix.GlobalTable.size()) < 3 * GifTableEntries(h[10]))) {
    abortFlag = true;
    Stream.Seek(ix.End, soBeginning);
    return;
  }

  const int count = int(ix.Frames.size());
  const int wanted = Params.GifImageIndex;
  bool frameFailed = false;
  if (wanted >= 0 && wanted < count && !abortFlag) {
    const TGifStreamIndex::TFrame& f = ix.Frames[std::size_t(wanted)];
    ReportProgress(&Progress, 30);
    auto fail = [&] {
      abortFlag = true;
      frameFailed = true;
    };
    Stream.Seek(f.Descriptor, soBeginning);
    std::uint8_t d[kGifDescriptorSize];
    ReadExact(&Stream, d, kGifDescriptorSize);
    TRGBPixel table[256];
    int tableBits = h[10] & 7;
    if (d[8] & kGifTableFlag) {
      tableBits = d[8] & 7;
      std::uint8_t rgb[768] = {};
      const int entries = GifTableEntries(d[8]);
      Stream.Read(rgb, 3 * entries);
      GifTableFromFile(rgb, entries, table);
    } else if (hasGlobal) {
      std::copy(global, global + 256, table);
    } else {
      GifGreyTable(GifTableEntries(std::uint8_t(tableBits)), table);
    }
    Params.GifTransparentColor = table[f.TransparentIndex];
    Params.GifXPos = GifU16(d);
    Params.GifYPos = GifU16(d + 2);
    const int width = GifU16(d + 4), height = GifU16(d + 6);
    Params.Width = width;
    Params.Height = height;
    Params.GifDelayTime = f.HasControl ? f.Delay : 0;
    Params.GifHasTransparency = f.HasControl && (f.ControlFlags & 1);
    Params.GifDisposalMethod = f.HasControl ? Byte((f.ControlFlags >> 2) & 7) : 0;
    Params.GifInterlaced = d[8] & kGifInterlaceFlag;
    std::vector<std::uint8_t> indices;
    if (!ParamsOnly) {
      // An empty or oversized frame has no picture to give.
      if (width == 0 || height == 0 || std::int64_t(width) * height > kGifMaxPixels) {
        fail();
      } else {
        indices.assign(std::size_t(width) * height, 0);
        TVQGifLzwDecompressProc decode = Params.GifLzwDecompress ? Params.GifLzwDecompress : DefGifLzwDecompress;
        const std::int64_t at = Stream.Position();
        if (decode) decode(&Stream, height, width, indices.data(), Params.GifInterlaced);
        if (!decode || Stream.Position() == at) fail();
      }
      if (!frameFailed) ReportProgress(&Progress, 70);
    }
    if (!abortFlag) {
      Params.BitsPerSample = tableBits + 1;
      Params.SetColorMap(table, 1 << Params.BitsPerSample);
    }
    if (!ParamsOnly && !abortFlag && Bitmap) {
      const bool blackWhite = Params.BitsPerSample == 1 && table[0] == TRGBPixel{0, 0, 0} &&
                              table[1] == TRGBPixel{255, 255, 255};
      const TVQPixelFormat format = blackWhite ? vqBits1 : Params.NativePixelFormat ? vqPalette8 : vqRGB24;
      Bitmap->Allocate(width, height, format);
      if (format == vqPalette8)
        for (int i = 0; i < 256; ++i) Bitmap->SetPaletteColor(i, table[i]);
      TVQMask* mask = nullptr;
      if (!NoAlphaMask) {
        if (!Mask) Mask = std::make_unique<TVQMask>();
        Mask->AllocateBits(width, height, 8);
        Mask->Fill(255);
        Mask->Full = true;
        mask = Mask.get();
      }
      const bool transparent = mask && Params.GifHasTransparency;
      const std::uint8_t ti = f.TransparentIndex;
      TVQViewAccessScope writeOnly(*Bitmap, vqWrite);
      for (int y = 0; y < height; ++y) {
        const std::uint8_t* src = indices.data() + std::size_t(y) * width;
        Byte* out = Bitmap->GetScanline(y);
        if (format == vqBits1) {
          std::memset(out, 0, std::size_t((width + 7) / 8));
          for (int x = 0; x < width; ++x)
            if (src[x] == 1) out[x >> 3] |= Byte(0x80 >> (x & 7));
        } else if (format == vqPalette8) {
          std::memcpy(out, src, std::size_t(width));
        } else {
          for (int x = 0; x < width; ++x, out += 3) {
            const TRGBPixel c = table[src[x]];
            out[0] = c.b;
            out[1] = c.g;
            out[2] = c.r;
          }
        }
        if (transparent && std::memchr(src, ti, std::size_t(width))) {
          Byte* m = mask->GetScanline(y);
          for (int x = 0; x < width; ++x)
            if (src[x] == ti) m[x] = 0;
          mask->Full = false;
        }
      }
    }
  }
  // A frame that failed ends the walk there, as if nothing came after it.
  const int seen = frameFailed ? wanted + 1 : count;
  for (const TGifStreamIndex::TComment& c : ix.Comments)
    if (c.Frame < seen || (!frameFailed && c.Frame == seen)) Params.GifComments->Add(c.Text);
  FrameCount = seen;
  Params.GifImageCount = seen;
  Stream.Seek(ix.End, soBeginning);
  if (!abortFlag) ReportProgress(&Progress, 100);
}

// ---- writing -----------------------------------------------------------------------

namespace {

// Passes writes on to a stream and remembers a short one, so that a failure
// inside the encoder hook still reaches the abort flag.
class TGifCheckedStream : public TStream {
 public:
  explicit TGifCheckedStream(TStream& s) : s_(s) {}
  std::int64_t Read(void* buffer, std::int64_t count) override { return s_.Read(buffer, count); }
  std::int64_t Write(const void* buffer, std::int64_t count) override {
    std::int64_t n = 0;
    try {
      n = s_.Write(buffer, count);
    } catch (...) {
      n = -1;
    }
    if (n != count) Failed = true;
    return n < 0 ? 0 : n;
  }
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override { return s_.Seek(offset, origin); }
  std::int64_t Size() override { return s_.Size(); }
  bool Failed = false;

 private:
  TStream& s_;
};

void GifWriteSubBlocks(std::vector<std::uint8_t>& out, const std::string& text) {
  // Texts longer than a sub-block go on in further sub-blocks.
  for (std::size_t at = 0; at < text.size(); at += 255) {
    const std::size_t n = std::min<std::size_t>(255, text.size() - at);
    out.push_back(std::uint8_t(n));
    out.insert(out.end(), text.begin() + std::ptrdiff_t(at), text.begin() + std::ptrdiff_t(at + n));
  }
}

std::uint32_t GifPacked(TRGBPixel c) { return std::uint32_t(c.r) << 16 | std::uint32_t(c.g) << 8 | c.b; }

}  // namespace

void SaveGifImage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, TVQProgressRec& Progress) {
  bool dummyAbort = false;
  bool& abortFlag = Progress.Aborting ? *Progress.Aborting : dummyAbort;
  ReportProgress(&Progress, 0);
  if (!Bitmap || Bitmap->IsEmpty() || Bitmap->GetWidth() > 65535 || Bitmap->GetHeight() > 65535) {
    abortFlag = true;
    return;
  }
  const int w = Bitmap->GetWidth(), hgt = Bitmap->GetHeight();
  const bool alpha = Bitmap->HasAlphaChannel();
  // Depths past the format's 8 bits come from other files' blocks; a
  // one-bit request with transparency needs a spare index beside black and
  // white.
  int bits = Params.BitsPerSample >= 1 && Params.BitsPerSample <= 8 ? Params.BitsPerSample : 8;
  if (bits == 1 && alpha) bits = 2;
  const int n = 1 << bits;
  const int colours = alpha ? n - 1 : n;
  TRGBPixel table[256] = {};
  std::vector<std::uint8_t> indices(std::size_t(w) * hgt);
  std::unique_ptr<TVQBitmap> copy;
  std::unique_ptr<TVQQuantizer> quant;
  TVQBitmap* src = Bitmap;
  const TVQPixelFormat format = Bitmap->GetPixelFormat();
  if (bits == 1) {
    std::unique_ptr<TVQBitmap> two;
    if (format != vqBits1) {
      TRGBPixel c0, c1;
      two = TwoColorBitmap(Bitmap, c0, c1);
      if (!two) {
        two = std::make_unique<TVQBitmap>();
        two->Assign(Bitmap);
        two->RemoveAlphaChannel();
        two->SetPixelFormat(vqBits1);
      }
    }
    TVQBitmap* bw = two ? two.get() : Bitmap;
    table[0] = TRGBPixel{0, 0, 0};
    table[1] = TRGBPixel{255, 255, 255};
    TVQViewAccessScope readOnly(*bw, vqRead);
    for (int y = 0; y < hgt; ++y) {
      const Byte* row = bw->GetScanline(y);
      std::uint8_t* out = indices.data() + std::size_t(y) * w;
      for (int x = 0; x < w; ++x) out[x] = (row[x >> 3] >> (7 - (x & 7))) & 1;
    }
  } else {
    if (format != vqRGB24 && format != vqPalette8) {
      copy = std::make_unique<TVQBitmap>();
      copy->Assign(Bitmap);
      copy->RemoveAlphaChannel();
      copy->SetPixelFormat(vqRGB24);
      src = copy.get();
    }
    quant = std::make_unique<TVQQuantizer>(src, table, colours, -1);
    // A palette image's own indices serve when its palette fits.
    const bool ownIndices = src->GetPixelFormat() == vqPalette8 && src->PaletteCount() <= colours;
    TVQViewAccessScope readOnly(*src, vqRead);
    TVQQuantizer::TRowCache cache;
    std::vector<Byte> rgb;
    for (int y = 0; y < hgt; ++y) {
      const Byte* row = src->GetScanline(y);
      std::uint8_t* out = indices.data() + std::size_t(y) * w;
      if (ownIndices) {
        for (int x = 0; x < w; ++x) out[x] = row[x] < colours ? row[x] : 0;
      } else if (src->GetPixelFormat() == vqPalette8) {
        for (int x = 0; x < w; ++x) out[x] = Byte(quant->ColorIndex(GifPacked(src->Palette()[row[x]])));
      } else {
        quant->ColorIndexRow(row, w, out, &cache);
      }
    }
  }
  if (alpha) {
    TVQBitmap* a = Bitmap->GetAlphaChannel();
    TVQViewAccessScope readOnly(*a, vqRead);
    for (int y = 0; y < hgt; ++y) {
      const Byte* row = a->GetScanline(y);
      std::uint8_t* out = indices.data() + std::size_t(y) * w;
      for (int x = 0; x < w; ++x)
        if (row[x] < 255) out[x] = std::uint8_t(n - 1);
    }
    table[n - 1] = TRGBPixel{};
    Params.GifHasTransparency = true;
  }
  ReportProgress(&Progress, 30);
  if (abortFlag) return;

  auto tableIndex = [&](TRGBPixel c) {
    if (quant && format == vqRGB24) return quant->ColorIndex(GifPacked(c));
    return NearestPaletteIndex(table, colours, GifPacked(c));
  };
  std::vector<std::uint8_t> out;
  std::string version = Params.GifVersion.substr(0, 6);
  if (version.size() < 6) version += std::string("GIF89a").substr(version.size());
  out.insert(out.end(), version.begin(), version.end());
  std::uint8_t screen[7] = {};
  GifPutU16(screen, w);
  GifPutU16(screen + 2, hgt);
  screen[4] = std::uint8_t(0x80 | (bits - 1) << 4 | (bits - 1));
  screen[5] = std::uint8_t(tableIndex(Params.GifBackground));
  out.insert(out.end(), screen, screen + 7);
  for (int i = 0; i < n; ++i) out.insert(out.end(), {table[i].r, table[i].g, table[i].b});
  const int transparentIndex = alpha ? n - 1 : tableIndex(Params.GifTransparentColor);
  std::uint8_t control[8] = {kGifExtension, kGifControlLabel, 4,
                             std::uint8_t((Params.GifHasTransparency ? 1 : 0) | 8), 0, 0,
                             std::uint8_t(transparentIndex), 0};
  GifPutU16(control + 4, Params.GifDelayTime);
  out.insert(out.end(), control, control + 8);
  std::uint8_t descriptor[10] = {kGifImage};
  GifPutU16(descriptor + 1, Params.GifXPos);
  GifPutU16(descriptor + 3, Params.GifYPos);
  GifPutU16(descriptor + 5, w);
  GifPutU16(descriptor + 7, hgt);
  descriptor[9] = Params.GifInterlaced ? kGifInterlaceFlag : 0;
  out.insert(out.end(), descriptor, descriptor + 10);
  SafeStreamWrite(&Stream, abortFlag, out.data(), std::int64_t(out.size()));

  ReportProgress(&Progress, 70);
  if (abortFlag) return;
  TVQGifLzwCompressProc encode = Params.GifLzwCompress ? Params.GifLzwCompress : DefGifLzwCompress;
  if (!encode) {
    abortFlag = true;
    return;
  }
  TGifCheckedStream checked(Stream);
  encode(&checked, hgt, w, bits, indices.data(), Params.GifInterlaced);
  if (checked.Failed) abortFlag = true;

  out.assign({kGifExtension, kGifCommentLabel});
  for (int i = 0; i < Params.GifComments->Count(); ++i) GifWriteSubBlocks(out, Params.GifComments->Strings(i));
  out.push_back(0);
  out.push_back(kGifTrailer);
  SafeStreamWrite(&Stream, abortFlag, out.data(), std::int64_t(out.size()));
  if (!abortFlag) ReportProgress(&Progress, 100);
}

// ---- frame copy ----------------------------------------------------------------------

int DeleteGifFrame(const std::string& FileName, int Index, bool WriteBack) {
  TMemoryStream copy;
  int copied = 0;
  {
    TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
    TGifInput in(file);
    std::uint8_t head[kGifHeaderSize];
    if (!in.ReadExact(head, kGifHeaderSize) || std::memcmp(head, "GIF", 3) != 0) return 0;
    std::memcpy(head + 3, "89a", 3);
    std::vector<std::uint8_t> buf;
    // Copies up to n bytes, never more than the file holds; false when it
    // held fewer.
    auto pass = [&](std::int64_t n) {
      buf.resize(std::size_t(n));
      const std::int64_t got = in.Read(buf.data(), n);
      copy.WriteBuffer(buf.data(), got);
      return got == n;
    };
    // Sub-blocks up to the terminator; false when the file ended first.
    auto passBlocks = [&] {
      for (;;) {
        std::uint8_t n = 0;
        if (!in.ReadByte(n)) return false;
        copy.WriteBuffer(&n, 1);
        if (n == 0) return true;
        if (!pass(n)) return false;
      }
    };
    copy.WriteBuffer(head, kGifHeaderSize);
    if (head[10] & kGifTableFlag) pass(3 * GifTableEntries(head[10]));
    int i = 0;
    for (;;) {
      std::uint8_t b = kGifTrailer;
      in.ReadByte(b);
      if (b == kGifTrailer) {
        copy.WriteBuffer(&b, 1);
        break;
      }
      if (b == kGifExtension) {
        std::uint8_t label = 0;
        if (!in.ReadByte(label)) continue;
        if (label == kGifControlLabel && i == Index) {
          in.SkipSubBlocks();
        } else {
          copy.WriteBuffer(&b, 1);
          copy.WriteBuffer(&label, 1);
          passBlocks();
        }
      } else if (b == kGifImage) {
        std::uint8_t d[kGifDescriptorSize];
        if (!in.ReadExact(d, kGifDescriptorSize)) continue;
        const std::int64_t table = (d[8] & kGifTableFlag) ? 3 * GifTableEntries(d[8]) : 0;
        if (i == Index) {
          std::uint8_t skip[768];
          std::uint8_t codeSize = 0;
          in.Read(skip, table);
          if (in.ReadByte(codeSize)) in.SkipSubBlocks();
        } else {
          copy.WriteBuffer(&b, 1);
          copy.WriteBuffer(d, kGifDescriptorSize);
          pass(table);
          std::uint8_t codeSize = 0;
          const bool whole = in.ReadByte(codeSize);
          if (whole) copy.WriteBuffer(&codeSize, 1);
          ++copied;
          // A frame cut short ends the copy as it stands.
          if (!whole || !passBlocks()) break;
        }
        ++i;
      }
    }
  }
  if (WriteBack) {
    const auto* p = static_cast<const char*>(copy.Memory());
    SafeSaveFile(FileName, std::string(p, std::size_t(copy.Size())));
  }
  return copied;
}

int GifFrameCount(const std::string& FileName) {
  try {
    return DeleteGifFrame(FileName, -1, false);
  } catch (...) {
    return 0;
  }
}

// ---- the GIF slot of the I/O component ------------------------------------------

namespace {

void GifFilterLoad(TStream& Stream, TVQBitmap* Image, TIOParamsVals* Params, TVQFilterLoadArgs& Args,
                   TVQProgressRec& Progress) {
  if (!Params) return;
  int count = 0;
  LoadGifImage(Stream, Image, count, Args.NoAlphaMask, Args.Mask, Args.ParamsOnly, Progress, *Params, Args.GifIndex);
  Args.ImageCount = count;
}

void GifFilterSave(TStream& Stream, TVQBitmap* Image, TIOParamsVals* Params, TVQFilterSaveArgs&,
                   TVQProgressRec& Progress) {
  if (Params) SaveGifImage(Stream, Image, *Params, Progress);
}

[[maybe_unused]] const bool kGifSlotFilled = (InstallGifFilter(), true);

}  // namespace

void InstallGifFilter() { SetBuiltInFilter(ioGIF, GifFilterLoad, GifFilterSave); }
