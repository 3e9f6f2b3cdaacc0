#include "platform/graphics/Bitmap.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/DeviceContext.h"  // complete handle types: HPEN converts to HGDIOBJ
#include "platform/gdi/Gdi.h"
#include "platform/graphics/BmpFormat.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/RowConvert.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Resources.h"
#include "platform/rtl/Streams.h"

// The canvas of a bitmap: makes its DC from the bitmap on first use and
// reports drawing as a change of the bitmap.
class TBitmapCanvas : public TCanvas {
 public:
  explicit TBitmapCanvas(TBitmap* owner) : owner_(owner) {
    OnChange = [owner](TObject*) { owner->Changed(); };
  }
  void Detach() { DeselectAndForget(); }

 protected:
  void CreateHandle() override { SetHandle(owner_->MemoryDC()); }

 private:
  TBitmap* owner_;
};

namespace {

TPixelFormat FormatOf(int bitCount, bool is565) {
  switch (bitCount) {
    case 1: return pf1bit;
    case 4: return pf4bit;
    case 8: return pf8bit;
    case 16: return is565 ? pf16bit : pf15bit;
    case 24: return pf24bit;
    default: return pf32bit;
  }
}
TPixelFormat FormatOf(const TDibImage& img) { return FormatOf(img.BitCount, img.Is565); }

std::vector<RGBQUAD> ToQuads(const std::vector<TDibColor>& p) {
  std::vector<RGBQUAD> q(p.size());
  for (std::size_t i = 0; i < p.size(); ++i) q[i] = {p[i].Blue, p[i].Green, p[i].Red, 0};
  return q;
}

std::vector<TDibColor> ToDibColors(const std::vector<RGBQUAD>& q) {
  std::vector<TDibColor> p(q.size());
  for (std::size_t i = 0; i < q.size(); ++i) p[i] = {q[i].rgbBlue, q[i].rgbGreen, q[i].rgbRed, 0};
  return p;
}

// Paints every pixel white in the image's own format.
void FillWhite(TDibImage& img) {
  if (img.Width == 0 || img.Height == 0) return;
  std::vector<std::uint8_t> white(std::size_t(img.Width) * 4, 0xFF);
  TRowFormat f{img.BitCount, img.Is565, img.Palette.empty() ? nullptr : img.Palette.data()};
  TNearestIndex nearest(img.Palette);
  BGRAToRow(f, &nearest, white.data(), img.Row(0), img.Width);
  for (int x = 0; img.BitCount == 32 && x < img.Width; ++x) img.Row(0)[4 * x + 3] = 0;
  for (int y = 1; y < img.Height; ++y) std::memcpy(img.Row(y), img.Row(0), std::size_t(img.Stride()));
}

// Copies the common top-left block, bit-exact for sub-byte formats.
void CopyTopLeft(const TDibImage& from, TDibImage& to) {
  int w = std::min(from.Width, to.Width), h = std::min(from.Height, to.Height);
  std::size_t bits = std::size_t(w) * std::size_t(from.BitCount);
  std::size_t whole = bits / 8;
  unsigned rest = unsigned(bits % 8);
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* s = from.Row(y);
    std::uint8_t* d = to.Row(y);
    std::memcpy(d, s, whole);
    if (rest) {
      std::uint8_t mask = std::uint8_t(0xFF00u >> rest);  // the high bits come first
      d[whole] = std::uint8_t((d[whole] & ~mask) | (s[whole] & mask));
    }
  }
}

}  // namespace

struct TBitmap::TDibSection {
  HBITMAP Handle = nullptr;
  ~TDibSection() {
    if (Handle) DeleteObject(Handle);
  }
};

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int width, int height, TPixelFormat format) {
  SetPixelFormat(format);
  SetSize(width, height);
}

TBitmap::~TBitmap() {
  FreeHandle();
  canvas_.reset();
}

int TBitmap::BitsOf(TPixelFormat f) {
  static const int bits[] = {32, 1, 4, 8, 16, 16, 24, 32, 0};
  return bits[int(f)];
}

int TBitmap::RowBytes() const { return int(TDibImage::StrideFor(width_, BitsOf(format_))); }

HBITMAP TBitmap::Handle() const {
  // Handle() is const to callers; waking only re-creates what was there,
  // and whoever gets the handle may draw into it.
  if (dormant_) const_cast<TBitmap*>(this)->Wake();
  const_cast<TBitmap*>(this)->Unshare();
  return handle_;
}

void TBitmap::Wake() {
  if (!dormant_) return;
  std::unique_ptr<TDibImage> img = std::move(dormant_);
  NewDib(img->Width, img->Height, colors_);
  if (bits_) std::memcpy(bits_, img->Bits.data(), std::min(img->Bits.size(), std::size_t(RowBytes()) * height_));
}

void TBitmap::Unshare() {
  if (!dib_ || dib_.use_count() == 1) return;
  const std::shared_ptr<TDibSection> shared = dib_;  // alive while copied
  const std::uint8_t* from = bits_;
  const int w = width_, h = height_;
  NewDib(w, h, colors_);
  if (bits_) std::memcpy(bits_, from, std::size_t(RowBytes()) * std::size_t(h));
}

bool TBitmap::SharesPixels() const { return dib_ && dib_.use_count() > 1; }

void TBitmap::ShareFrom(const TBitmap& from) {
  if (&from == this) return;
  auto& src = const_cast<TBitmap&>(from);
  src.Wake();
  // Its DC would write the shared pixels without asking: its canvas makes
  // a new one (and the pixels its own) when next used.
  src.FreeDC();
  FreeHandle();
  format_ = src.format_;
  colors_ = src.colors_;
  dib_ = src.dib_;
  handle_ = src.handle_;
  bits_ = src.bits_;
  width_ = src.width_;
  height_ = src.height_;
  transparent_ = src.transparent_;
  transparentColor_ = src.transparentColor_;
  transparentMode_ = src.transparentMode_;
  Changed();
}

void TBitmap::TakeFrom(TBitmap& from) {
  if (&from == this) return;
  ShareFrom(from);
  from.FreeHandle();  // leaves this bitmap the only owner
  from.Changed();
}

HDC TBitmap::MemoryDC() {
  Wake();
  Unshare();
  if (!dc_) {
    dc_ = CreateCompatibleDC(nullptr);
    if (!dc_) throw EOutOfResources("Cannot create a device context for the bitmap");
    if (handle_) oldBitmap_ = SelectObject(dc_, handle_);
  }
  return dc_;
}

void TBitmap::FreeDC() {
  if (canvas_) canvas_->Detach();
  if (dc_) {
    if (oldBitmap_) SelectObject(dc_, oldBitmap_);
    DeleteDC(dc_);
  }
  dc_ = nullptr;
  oldBitmap_ = nullptr;
}

void TBitmap::FreeHandle() {
  dormant_.reset();
  FreeDC();
  if (palette_) DeleteObject(palette_);
  palette_ = nullptr;
  dib_.reset();
  handle_ = nullptr;
  bits_ = nullptr;
  width_ = height_ = 0;
}

void TBitmap::NewDib(int width, int height, const std::vector<RGBQUAD>& colors) {
  const int bpp = BitsOf(format_);
  FreeHandle();
  colors_ = colors;
  if (bpp <= 8) {
    // No table: the default one; a short table: missing entries are black.
    if (colors_.empty()) colors_ = ToQuads(DefaultPalette(bpp));
    colors_.resize(std::size_t(1) << bpp, RGBQUAD{});
  } else {
    colors_.clear();
  }
  if (width == 0 || height == 0) {
    width_ = width;
    height_ = height;
    return;
  }
  if (width > MaxDibDimension || height > MaxDibDimension) throw EInvalidGraphic("Bitmap is too wide or too tall");
  const std::uint64_t stride = std::uint64_t(TDibImage::StrideFor(width, bpp));
  if (stride > MaxDibBytes / std::uint64_t(height)) throw EInvalidGraphic("Bitmap too large");

  BITMAPINFO bmi;
  bmi.bmiHeader.biWidth = width;
  bmi.bmiHeader.biHeight = height;  // bottom-up, as ScanLine promises
  bmi.bmiHeader.biBitCount = Word(bpp);
  if (format_ == pf16bit) {
    bmi.bmiHeader.biCompression = BI_BITFIELDS;
    const DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
    std::memcpy(bmi.bmiColors, masks, sizeof masks);
  }
  bmi.bmiHeader.biClrUsed = DWORD(colors_.size());
  std::copy(colors_.begin(), colors_.end(), bmi.bmiColors);
  void* bits = nullptr;
  // The section comes zeroed, from pages the system zeroes on first touch.
  HBITMAP h = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!h || !bits) throw EOutOfResources("Cannot create the bitmap");
  dib_ = std::make_shared<TDibSection>();
  dib_->Handle = h;
  handle_ = h;
  bits_ = static_cast<std::uint8_t*>(bits);
  width_ = width;
  height_ = height;
}

TDibImage TBitmap::ToDib() const {
  if (dormant_) return *dormant_;
  TDibImage img;
  img.Width = width_;
  img.Height = height_;
  img.BitCount = BitsOf(format_);
  img.Is565 = format_ == pf16bit;
  img.Palette = ToDibColors(colors_);
  if (bits_) img.Bits.assign(bits_, bits_ + std::size_t(RowBytes()) * std::size_t(height_));
  else img.Bits.assign(std::size_t(RowBytes()) * std::size_t(height_), 0);
  return img;
}

void TBitmap::FromDib(const TDibImage& image) {
  format_ = FormatOf(image);
  NewDib(image.Width, image.Height, ToQuads(image.Palette));
  if (bits_ && !image.Bits.empty())
    std::memcpy(bits_, image.Bits.data(), std::min(image.Bits.size(), std::size_t(RowBytes()) * height_));
  Changed();
}

void TBitmap::SetSize(int width, int height) {
  if (width < 0 || height < 0) throw EInvalidGraphic("Invalid bitmap size");
  if (width == width_ && height == height_) return;
  if (Empty()) {
    NewDib(width, height, colors_);
  } else {
    TDibImage old = ToDib();
    TDibImage grown;
    grown.Palette = old.Palette;
    grown.Allocate(width, height, old.BitCount);
    grown.Is565 = old.Is565;
    FillWhite(grown);
    CopyTopLeft(old, grown);
    NewDib(width, height, colors_);
    if (bits_) std::memcpy(bits_, grown.Bits.data(), grown.Bits.size());
  }
  Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat f) {
  if (f == pfCustom) throw EInvalidGraphic("Custom pixel formats are not supported");
  if (f == format_) return;
  const int from = BitsOf(format_), to = BitsOf(f);
  if (Empty()) {
    format_ = f;
    colors_ = to <= 8 ? ToQuads(DefaultPalette(to)) : std::vector<RGBQUAD>{};
  } else if (from == to && from == 32) {
    format_ = f;  // pfDevice and pf32bit share the layout
  } else {
    // Straight from the old section's rows into the new one's: the old
    // pixels are held only until the new ones exist, and no third copy is
    // made (a 13000-square grey photo would otherwise cost a gigabyte).
    Wake();
    const std::shared_ptr<TDibSection> old = dib_;
    const std::uint8_t* oldBits = bits_;
    const std::vector<TDibColor> oldPalette = ToDibColors(colors_);
    const TRowFormat fromRow{from, format_ == pf16bit, oldPalette.empty() ? nullptr : oldPalette.data()};
    const std::ptrdiff_t oldStride = RowBytes();
    const int w = width_, h = height_;
    format_ = f;
    NewDib(w, h, to <= 8 ? ToQuads(DefaultPalette(to)) : std::vector<RGBQUAD>{});
    const std::vector<TDibColor> newPalette = ToDibColors(colors_);
    const TRowFormat toRow{to, f == pf16bit, newPalette.empty() ? nullptr : newPalette.data()};
    // Both sections are bottom-up with the same row order: row 0 first.
    ConvertDibRows(fromRow, oldBits, oldStride, toRow, bits_, RowBytes(), w, h);
  }
  Changed();
}

void* TBitmap::ScanLine(int y) {
  Wake();
  if (y < 0 || y >= height_ || !bits_) throw EInvalidGraphicOperation("Scan line index out of range");
  Unshare();
  return bits_ + std::size_t(height_ - 1 - y) * std::size_t(RowBytes());
}

const void* TBitmap::ScanLine(int y) const {
  if (dormant_) const_cast<TBitmap*>(this)->Wake();
  if (y < 0 || y >= height_ || !bits_) throw EInvalidGraphicOperation("Scan line index out of range");
  return bits_ + std::size_t(height_ - 1 - y) * std::size_t(RowBytes());
}

std::uint8_t* TBitmap::NewImage(int width, int height, TPixelFormat f, const std::vector<RGBQUAD>& colors) {
  if (width < 0 || height < 0) throw EInvalidGraphic("Invalid bitmap size");
  if (f == pfCustom) throw EInvalidGraphic("Custom pixel formats are not supported");
  FreeHandle();
  format_ = f;
  NewDib(width, height, colors);
  Changed();
  return bits_;
}

TCanvas* TBitmap::Canvas() {
  if (!canvas_) canvas_ = std::make_unique<TBitmapCanvas>(this);
  return canvas_.get();
}

void TBitmap::SetHandle(HBITMAP bm) {
  if (bm == handle_ && !dormant_) return;
  FreeHandle();
  if (!bm) {
    Changed();
    return;
  }
  DIBSECTION ds;
  int n = GetObject(bm, int(sizeof ds), &ds);
  if (n <= 0) throw EInvalidGraphic("Invalid bitmap handle");
  const int bpp = ds.dsBm.bmBitsPixel;
  const bool dib = n == int(sizeof(DIBSECTION)) && ds.dsBm.bmBits;
  const DWORD* m = ds.dsBitfields;
  const bool plainMasks = (m[0] == 0 && m[1] == 0 && m[2] == 0) ||
                          (bpp == 16 && m[0] == 0x7C00 && m[1] == 0x03E0 && m[2] == 0x001F) ||
                          (bpp == 16 && m[0] == 0xF800 && m[1] == 0x07E0 && m[2] == 0x001F) ||
                          (bpp == 32 && m[0] == 0xFF0000 && m[1] == 0xFF00 && m[2] == 0xFF);
  // Only layouts ScanLine users can read are kept as they are.
  if (dib && plainMasks && ds.dsBmih.biHeight > 0 &&
      (bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32)) {
    dib_ = std::make_shared<TDibSection>();
    dib_->Handle = bm;
    handle_ = bm;
    bits_ = static_cast<std::uint8_t*>(ds.dsBm.bmBits);
    width_ = ds.dsBm.bmWidth;
    height_ = ds.dsBm.bmHeight;
    format_ = bpp == 1 ? pf1bit : bpp == 4 ? pf4bit : bpp == 8 ? pf8bit : bpp == 24 ? pf24bit : bpp == 32 ? pf32bit
              : ds.dsBitfields[1] == 0x07E0 ? pf16bit : pf15bit;
    colors_.clear();
    if (bpp <= 8) {
      colors_.assign(std::size_t(1) << bpp, RGBQUAD{});
      GetDIBColorTable(MemoryDC(), 0, UINT(colors_.size()), colors_.data());
    }
  } else {
    // A device bitmap, a top-down section or unusual masks: copy it into
    // our own block.
    format_ = bpp == 1 ? pf1bit : pf32bit;
    NewDib(ds.dsBm.bmWidth, ds.dsBm.bmHeight, {});
    if (handle_) {
      BITMAPINFO bmi;
      bmi.bmiHeader.biWidth = width_;
      bmi.bmiHeader.biHeight = height_;
      bmi.bmiHeader.biBitCount = Word(BitsOf(format_));
      bmi.bmiHeader.biClrUsed = DWORD(colors_.size());
      std::copy(colors_.begin(), colors_.end(), bmi.bmiColors);
      HDC tmp = CreateCompatibleDC(nullptr);
      GetDIBits(tmp, bm, 0, UINT(height_), bits_, &bmi, DIB_RGB_COLORS);
      DeleteDC(tmp);
    }
    DeleteObject(bm);
  }
  Changed();
}

HBITMAP TBitmap::ReleaseHandle() {
  Wake();
  Unshare();
  FreeDC();
  HBITMAP h = handle_;
  if (dib_) dib_->Handle = nullptr;  // the caller frees it now
  handle_ = nullptr;
  FreeHandle();
  Changed();
  return h;
}

std::vector<RGBQUAD> TBitmap::ColorTable() const { return colors_; }

void TBitmap::SetColorTable(const std::vector<RGBQUAD>& colors) {
  if (colors_.empty()) return;  // deeper formats have no table
  Wake();
  Unshare();
  for (std::size_t i = 0; i < colors_.size(); ++i) colors_[i] = i < colors.size() ? colors[i] : RGBQUAD{};
  if (handle_) SetDIBColorTable(MemoryDC(), 0, UINT(colors_.size()), colors_.data());
  if (palette_) DeleteObject(palette_);
  palette_ = nullptr;
  Changed();
}

HPALETTE TBitmap::Palette() {
  if (colors_.empty()) return nullptr;
  if (!palette_) {
    LOGPALETTE lp;
    lp.palNumEntries = Word(colors_.size());
    for (std::size_t i = 0; i < colors_.size(); ++i)
      lp.palPalEntry[i] = {colors_[i].rgbRed, colors_[i].rgbGreen, colors_[i].rgbBlue, 0};
    palette_ = CreatePalette(&lp);
  }
  return palette_;
}

void TBitmap::SetPalette(HPALETTE pal) {
  if (!pal || colors_.empty()) return;
  PALETTEENTRY entries[256];
  UINT n = GetPaletteEntries(pal, 0, 256, entries);
  std::vector<RGBQUAD> table = colors_;
  for (UINT i = 0; i < n && i < table.size(); ++i)
    table[i] = {entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
  SetColorTable(table);
}

bool TBitmap::Monochrome() const {
  return format_ == pf1bit && colors_.size() == 2 && colors_[0] == RGBQUAD{0, 0, 0, 0} &&
         colors_[1] == RGBQUAD{255, 255, 255, 0};
}

void TBitmap::SetMonochrome(bool m) {
  if (m == Monochrome()) return;
  if (!m) {
    SetPixelFormat(pfDevice);
    return;
  }
  if (Empty()) {
    format_ = pf1bit;
    colors_ = ToQuads(DefaultPalette(1));
    Changed();
    return;
  }
  TDibImage converted = ConvertDib(ToDib(), 1, false, DefaultPalette(1));
  FromDib(converted);
}

TColor TBitmap::TransparentColor() const {
  if (transparentMode_ == tmFixed) return transparentColor_;
  if (dormant_) const_cast<TBitmap*>(this)->Wake();
  if (!bits_) return clDefault;
  // The bottom-left pixel is the first one of the block.
  std::vector<TDibColor> palette = ToDibColors(colors_);
  TRowFormat f{BitsOf(format_), format_ == pf16bit, palette.empty() ? nullptr : palette.data()};
  std::uint8_t bgra[4] = {};  // gcc cannot see RowToBGRA fill it once inlined in a batch
  RowToBGRA(f, bits_, bgra, 1);
  return TColor(RGB(bgra[2], bgra[1], bgra[0]));
}

void TBitmap::SetTransparentColor(TColor c) {
  TTransparentMode mode = c == clDefault ? tmAuto : tmFixed;
  if (c == transparentColor_ && mode == transparentMode_) return;
  transparentColor_ = c;
  transparentMode_ = mode;
  Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode m) {
  if (m == transparentMode_) return;
  if (m == tmAuto)
    SetTransparentColor(clDefault);
  else
    SetTransparentColor(TransparentColor());  // freeze the current automatic colour
}

void TBitmap::Assign(const TPersistent* source) {
  if (!source) {
    FreeHandle();
    Changed();
    return;
  }
  if (auto* b = dynamic_cast<const TBitmap*>(source)) {
    if (b == this) return;
    if (b->dormant_) const_cast<TBitmap*>(b)->Wake();
    format_ = b->format_;
    NewDib(b->width_, b->height_, b->colors_);
    if (bits_ && b->bits_) std::memcpy(bits_, b->bits_, std::size_t(RowBytes()) * std::size_t(height_));
    transparent_ = b->transparent_;
    transparentColor_ = b->transparentColor_;
    transparentMode_ = b->transparentMode_;
    Changed();
    return;
  }
  TGraphic::Assign(source);
}

void TBitmap::AssignTo(TPersistent* dest) const {
  if (auto* b = dynamic_cast<TBitmap*>(dest)) {
    b->Assign(this);
    return;
  }
  TGraphic::AssignTo(dest);
}

void TBitmap::LoadFromStream(TStream& stream) { LoadFromStream(stream, TBmpReadLimits{}); }

void TBitmap::LoadFromStream(TStream& stream, const TBmpReadLimits& limits) {
  const std::int64_t start = stream.Position();
  if (LoadRows(stream, limits)) return;
  stream.SetPosition(start);
  std::vector<std::uint8_t> bytes = ReadBmpFileBytes(stream, limits);
  FromDib(ReadBmp(bytes.data(), bytes.size(), limits));
}

bool TBitmap::LoadRows(TStream& stream, const TBmpReadLimits& limits) try {
  const std::int64_t start = stream.Position();
  // Headers and colour table: what a file can hold before its rows, or the
  // whole file when it is smaller.
  constexpr std::int64_t kHead = 4096;
  std::uint8_t fileHeader[14];
  const std::int64_t extent = BmpStreamExtent(stream, fileHeader, limits);
  std::vector<std::uint8_t> head(std::size_t(std::min(extent, kHead)));
  std::memcpy(head.data(), fileHeader, sizeof fileHeader);
  stream.ReadBuffer(head.data() + sizeof fileHeader, std::int64_t(head.size() - sizeof fileHeader));
  const TBmpLayout L = ReadBmpLayout(head.data(), head.size(), std::uint64_t(extent), limits);
  if (!L.Plain()) return false;

  // Every check has passed: the rows go straight from the stream into the
  // section, which is not filled first.
  std::uint8_t* bits = NewImage(L.Width, L.Height, FormatOf(L.OutBits, L.Is565), ToQuads(L.Palette));
  try {
    // A last row without its padding leaves the padding as it came: zero.
    const std::size_t stride = std::size_t(RowBytes());
    stream.SetPosition(start + std::int64_t(L.PixelOffset));
    if (!L.TopDown) {
      stream.ReadBuffer(bits, std::int64_t(L.PixelBytes));
    } else {
      // Row by row into their places, padding left zero as the reader does.
      const std::size_t used = std::size_t(L.PixelBytes - L.SrcStride * (L.Height - 1));
      for (int y = 0; y < L.Height; ++y) {
        std::uint8_t* row = bits + std::size_t(L.Height - 1 - y) * stride;
        stream.ReadBuffer(row, std::int64_t(y + 1 < L.Height ? stride : used));
        std::memset(row + used, 0, stride - used);
      }
    }
  } catch (...) {
    FreeHandle();
    Changed();
    throw;
  }
  stream.SetPosition(start + extent);
  return true;
} catch (const EReadError&) {
  throw EInvalidGraphic("Bitmap stream is truncated");
}

void TBitmap::LoadFromFile(const std::string& fileName, const TBmpReadLimits& limits) {
  std::unique_ptr<TStream> file = OpenPictureFile(fileName);
  LoadFromStream(*file, limits);
}

void TBitmap::SaveToStream(TStream& stream) {
  const TBitmap& self = *this;
  if (Empty()) throw EInvalidGraphicOperation("Cannot save an empty bitmap");
  const int bpp = BitsOf(format_);
  std::vector<std::uint8_t> head = BmpFileHeaders(width_, height_, bpp, format_ == pf16bit, ToDibColors(colors_));
  stream.WriteBuffer(head.data(), std::int64_t(head.size()));
  // The block is bottom-up like the file: the rows go out as they lie.
  const void* bottom = self.ScanLine(height_ - 1);
  stream.WriteBuffer(bottom, std::int64_t(RowBytes()) * height_);
}

bool TBitmap::CanLoad(const std::uint8_t* head, std::size_t size) const {
  return size >= 2 && head[0] == 'B' && head[1] == 'M';
}

void TBitmap::LoadFromResourceName(const std::string& name) {
  TResourceData res = FindResourceData("BITMAP", name);
  if (!res) throw EResNotFound("Resource " + name + " not found");
  if (res.Size >= 2 && res.Data[0] == 'B' && res.Data[1] == 'M')
    FromDib(ReadBmp(res.Data, res.Size));
  else
    FromDib(ReadPackedDib(res.Data, res.Size));
}

void TBitmap::Dormant() {
  if (dormant_) return;
  if (!handle_) {
    FreeDC();
    if (palette_) DeleteObject(palette_);
    palette_ = nullptr;
    return;
  }
  auto img = std::make_unique<TDibImage>(ToDib());
  const int w = width_, h = height_;
  FreeHandle();  // also forgets the size
  width_ = w;
  height_ = h;
  dormant_ = std::move(img);
}

void TBitmap::FreeImage() { Wake(); }

void TBitmap::Draw(TCanvas& canvas, const TRect& rect) {
  if (Empty()) return;
  HDC dst = canvas.Handle();
  HDC src = MemoryDC();
  if (Transparent()) {
    UINT key = UINT(ColorToRGB(TransparentColor()) & 0xFFFFFF);
    TransparentBlt(dst, rect.Left, rect.Top, rect.Width(), rect.Height(), src, 0, 0, width_, height_, key);
  } else {
    StretchBlt(dst, rect.Left, rect.Top, rect.Width(), rect.Height(), src, 0, 0, width_, height_, canvas.CopyMode);
  }
}
