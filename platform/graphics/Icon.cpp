#include "platform/graphics/Icon.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/DeviceContext.h"  // complete handle types for SelectObject
#include "platform/gdi/Gdi.h"
#include "platform/graphics/BmpFormat.h"
#include "platform/graphics/ByteReader.h"
#include "platform/graphics/Canvas.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

namespace {

constexpr std::uint16_t IconType = 1;
constexpr std::uint16_t CursorType = 2;
constexpr std::size_t DirHeaderSize = 6;
constexpr std::size_t DirEntrySize = 16;
constexpr std::uint16_t MaxEntries = 256;
// DIB images in icons are at most 256 x 256; a header asking for far more
// (say a run-length image) is damage, not an icon.
constexpr std::uint64_t MaxIconImageBytes = std::uint64_t(16) << 20;
// Every image of one file together, masks included: 256 of the largest
// usual images fit, and a directory whose entries all name one huge image
// runs out of it after a few copies.
constexpr std::uint64_t MaxIconFileImageBytes = std::uint64_t(128) << 20;

std::uint64_t ImageBytes(const TDibImage& img) { return img.Bits.size() + img.Palette.size() * sizeof(TDibColor); }

bool HasAlpha(const TDibImage& img) {
  if (img.BitCount != 32) return false;
  for (int y = 0; y < img.Height; ++y) {
    const std::uint8_t* p = img.Row(y);
    for (int x = 0; x < img.Width; ++x)
      if (p[4 * x + 3]) return true;
  }
  return false;
}

}  // namespace

TIcon::TIcon() = default;
TIcon::~TIcon() { FreeHandle(); }

void TIcon::FreeHandle() {
  if (handle_) DestroyIcon(handle_);
  handle_ = nullptr;
}

void TIcon::Changed() {
  FreeHandle();
  TGraphic::Changed();
}

HGDIICON TIcon::Handle() {
  if (handle_ || current_ < 0) return handle_;
  const Entry& e = entries_[std::size_t(current_)];
  TBitmap color, mask;
  color.FromDib(e.Color);
  mask.FromDib(e.Mask);
  ICONINFO ii;
  ii.fIcon = cursor_ ? FALSE : TRUE;
  ii.xHotspot = DWORD(std::max(0, e.HotSpot.X));
  ii.yHotspot = DWORD(std::max(0, e.HotSpot.Y));
  ii.hbmColor = color.Handle();
  ii.hbmMask = mask.Handle();
  handle_ = CreateIconIndirect(&ii);
  if (!handle_) throw EOutOfResources("Cannot create the icon handle");
  return handle_;
}

void TIcon::SetHandle(HGDIICON icon) {
  if (icon == handle_) return;
  if (!icon) {
    Assign(nullptr);
    return;
  }
  ICONINFO ii;
  if (!GetIconInfo(icon, &ii)) throw EInvalidGraphic("Invalid icon handle");
  TBitmap color, mask;
  mask.SetHandle(ii.hbmMask);
  if (ii.hbmColor) {
    color.SetHandle(ii.hbmColor);
  } else {
    // A monochrome icon: AND bits on top, XOR bits below, as 1-bit images.
    TDibImage both = ConvertDib(mask.ToDib(), 1, false, DefaultPalette(1));
    const int w = both.Width, h = both.Height / 2;
    TDibImage andBits, xorBits;
    for (TDibImage* img : {&andBits, &xorBits}) {
      img->Palette = DefaultPalette(1);
      img->Allocate(w, h, 1);
    }
    for (int y = 0; y < h; ++y) {
      std::memcpy(andBits.Row(y), both.Row(y), std::size_t(both.Stride()));
      std::memcpy(xorBits.Row(y), both.Row(h + y), std::size_t(both.Stride()));
    }
    mask.FromDib(andBits);
    color.FromDib(xorBits);
  }
  SetImage(color, &mask, ii.fIcon == FALSE, TPoint{int(ii.xHotspot), int(ii.yHotspot)});  // frees the old handle
  handle_ = icon;
}

HGDIICON TIcon::ReleaseHandle() {
  HGDIICON h = Handle();
  handle_ = nullptr;
  return h;
}

int TIcon::Width() const { return current_ < 0 ? 0 : entries_[std::size_t(current_)].Color.Width; }
int TIcon::Height() const { return current_ < 0 ? 0 : entries_[std::size_t(current_)].Color.Height; }
void TIcon::SetWidth(int) { throw EInvalidGraphicOperation("Cannot change the size of an icon"); }
void TIcon::SetHeight(int) { throw EInvalidGraphicOperation("Cannot change the size of an icon"); }

TPoint TIcon::HotSpot() const { return current_ < 0 ? TPoint{} : entries_[std::size_t(current_)].HotSpot; }

void TIcon::PickCurrent() {
  current_ = -1;
  int bestDist = 0, bestBits = 0;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const TDibImage& c = entries_[i].Color;
    int dist = std::abs(c.Width - 32) + std::abs(c.Height - 32);
    if (current_ < 0 || dist < bestDist || (dist == bestDist && c.BitCount > bestBits)) {
      current_ = int(i);
      bestDist = dist;
      bestBits = c.BitCount;
    }
  }
}

void TIcon::LoadFromBytes(const std::uint8_t* data, std::size_t size) {
  TByteReader r(data, size);
  if (r.U16() != 0) TByteReader::Fail("Not an icon file");
  std::uint16_t type = r.U16();
  if (type != IconType && type != CursorType) TByteReader::Fail("Not an icon file");
  std::uint16_t count = r.U16();
  if (count == 0 || count > MaxEntries) TByteReader::Fail("Invalid icon image count");
  r.Take(std::uint64_t(count) * DirEntrySize);  // the whole directory must be there

  std::vector<Entry> entries;
  // Where each decoded entry came from: entries naming the same bytes are
  // decoded once and copied, each copy counted against the budget.
  struct TSource {
    std::uint32_t Offset, Bytes;
    std::size_t Entry;
  };
  std::vector<TSource> decoded;
  std::uint64_t budget = MaxIconFileImageBytes;
  bool sawPng = false;
  for (std::uint16_t i = 0; i < count; ++i) {
    r.Seek(DirHeaderSize + std::size_t(i) * DirEntrySize + 4);
    std::uint16_t planesOrX = r.U16(), bitsOrY = r.U16();
    std::uint32_t bytes = r.U32(), offset = r.U32();
    if (offset > size || bytes > size - offset) TByteReader::Fail("Icon image lies outside the file");
    const std::uint8_t* img = data + offset;
    if (bytes >= 8 && std::memcmp(img, "\x89PNG", 4) == 0) {
      sawPng = true;  // needs a PNG decoder, which lives above this layer
      continue;
    }
    Entry e;
    const TSource* same = nullptr;
    for (const TSource& s : decoded)
      if (s.Offset == offset && s.Bytes == bytes) same = &s;
    if (same) {
      const Entry& first = entries[same->Entry];
      const std::uint64_t cost = ImageBytes(first.Color) + ImageBytes(first.Mask);
      if (cost > budget) TByteReader::Fail("Icon images exceed the memory budget");
      budget -= cost;
      e.Color = first.Color;
      e.Mask = first.Mask;
    } else {
      TBmpReadLimits limits;
      limits.MaxBytes = std::min(MaxIconImageBytes, budget);
      e.Color = ReadPackedDib(img, bytes, &e.Mask, limits);
      const std::uint64_t cost = ImageBytes(e.Color) + ImageBytes(e.Mask);
      if (cost > budget) TByteReader::Fail("Icon images exceed the memory budget");
      budget -= cost;
      decoded.push_back({offset, bytes, entries.size()});
    }
    if (type == CursorType) e.HotSpot = {planesOrX, bitsOrY};
    entries.push_back(std::move(e));
  }
  if (entries.empty()) TByteReader::Fail(sawPng ? "PNG icon images are not supported" : "Icon has no images");
  entries_ = std::move(entries);
  cursor_ = type == CursorType;
  PickCurrent();
  Changed();
}

void TIcon::LoadFromStream(TStream& stream) {
  std::int64_t left = stream.Size() - stream.Position();
  if (left <= 0 || std::uint64_t(left) > MaxIconFileImageBytes) throw EInvalidGraphic("Invalid icon data size");
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(left));
  stream.ReadBuffer(bytes.data(), left);
  LoadFromBytes(bytes.data(), bytes.size());
}

bool TIcon::CanLoad(const std::uint8_t* head, std::size_t size) const {
  return size >= 4 && head[0] == 0 && head[1] == 0 && (head[2] == IconType || head[2] == CursorType) && head[3] == 0;
}

void TIcon::SaveToStream(TStream& stream) {
  if (entries_.empty()) throw EInvalidGraphicOperation("Cannot save an empty icon");
  std::vector<std::vector<std::uint8_t>> blobs;
  for (const Entry& e : entries_) {
    // An icon DIB: the header's height counts the colour image and the mask.
    std::vector<std::uint8_t> dib = WritePackedDib(e.Color);
    PutU32(dib.data() + 8, std::uint32_t(e.Color.Height * 2));
    dib.insert(dib.end(), e.Mask.Bits.begin(), e.Mask.Bits.end());
    blobs.push_back(std::move(dib));
  }
  std::vector<std::uint8_t> head(DirHeaderSize + DirEntrySize * entries_.size(), 0);
  PutU16(head.data() + 2, cursor_ ? CursorType : IconType);
  PutU16(head.data() + 4, std::uint16_t(entries_.size()));
  std::uint32_t offset = std::uint32_t(head.size());
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const Entry& e = entries_[i];
    std::uint8_t* d = head.data() + DirHeaderSize + i * DirEntrySize;
    d[0] = std::uint8_t(e.Color.Width >= 256 ? 0 : e.Color.Width);  // 0 means 256
    d[1] = std::uint8_t(e.Color.Height >= 256 ? 0 : e.Color.Height);
    d[2] = std::uint8_t(e.Color.BitCount < 8 ? 1 << e.Color.BitCount : 0);
    PutU16(d + 4, std::uint16_t(cursor_ ? e.HotSpot.X : 1));
    PutU16(d + 6, std::uint16_t(cursor_ ? e.HotSpot.Y : e.Color.BitCount));
    PutU32(d + 8, std::uint32_t(blobs[i].size()));
    PutU32(d + 12, offset);
    offset += std::uint32_t(blobs[i].size());
  }
  stream.WriteBuffer(head.data(), std::int64_t(head.size()));
  for (const auto& b : blobs) stream.WriteBuffer(b.data(), std::int64_t(b.size()));
}

void TIcon::GetImage(TBitmap& color, TBitmap& mask) const {
  if (current_ < 0) {
    color.Assign(nullptr);
    mask.Assign(nullptr);
    return;
  }
  color.FromDib(entries_[std::size_t(current_)].Color);
  mask.FromDib(entries_[std::size_t(current_)].Mask);
}

void TIcon::SetImage(const TBitmap& color, const TBitmap* mask, bool cursor, TPoint hotSpot) {
  Entry e;
  e.Color = color.ToDib();
  if (mask && !mask->Empty()) {
    e.Mask = ConvertDib(mask->ToDib(), 1, false, DefaultPalette(1));
  } else {
    e.Mask.Palette = DefaultPalette(1);
    e.Mask.Allocate(e.Color.Width, e.Color.Height, 1);  // all zero: opaque
  }
  if (e.Mask.Width != e.Color.Width || e.Mask.Height != e.Color.Height)
    throw EInvalidGraphic("Icon mask and image differ in size");
  e.HotSpot = hotSpot;
  entries_.clear();
  entries_.push_back(std::move(e));
  cursor_ = cursor;
  PickCurrent();
  Changed();
}

void TIcon::Assign(const TPersistent* source) {
  if (auto* i = dynamic_cast<const TIcon*>(source)) {
    if (i == this) return;
    entries_ = i->entries_;
    cursor_ = i->cursor_;
    current_ = i->current_;
    Changed();
    return;
  }
  if (!source) {
    entries_.clear();
    current_ = -1;
    Changed();
    return;
  }
  TGraphic::Assign(source);
}

void TIcon::AssignTo(TPersistent* dest) const {
  if (auto* b = dynamic_cast<TBitmap*>(dest)) {
    // The icon drawn on white, as the framework hands icons to bitmaps.
    TBitmap out(Width(), Height(), pf24bit);
    out.Canvas()->Brush()->SetColor(clWhite);
    out.Canvas()->FillRect(Rect(0, 0, Width(), Height()));
    if (current_ >= 0) {
      const Entry& e = entries_[std::size_t(current_)];
      DrawMasked(*out.Canvas(), Rect(0, 0, Width(), Height()), e.Color, e.Mask);
    }
    b->Assign(&out);
    return;
  }
  TGraphic::AssignTo(dest);
}

void TIcon::Draw(TCanvas& canvas, const TRect& rect) {
  // A zero extent would mean "the icon's own size" to DrawIconEx.
  if (current_ < 0 || rect.Width() <= 0 || rect.Height() <= 0) return;
  DrawIconEx(canvas.Handle(), rect.Left, rect.Top, Handle(), rect.Width(), rect.Height(), 0, nullptr, DI_NORMAL);
}

void DrawMasked(TCanvas& canvas, const TRect& rect, const TDibImage& color, const TDibImage& mask) {
  if (color.Width == 0 || color.Height == 0) return;
  HDC dst = canvas.Handle();
  if (HasAlpha(color)) {
    // AlphaBlend wants premultiplied colour.
    TDibImage pre = color;
    for (int y = 0; y < pre.Height; ++y) {
      std::uint8_t* p = pre.Row(y);
      for (int x = 0; x < pre.Width; ++x, p += 4)
        for (int c = 0; c < 3; ++c) p[c] = std::uint8_t((p[c] * p[3] + 127) / 255);
    }
    TBitmap src;
    src.FromDib(pre);
    BLENDFUNCTION bf;
    bf.AlphaFormat = AC_SRC_ALPHA;
    AlphaBlend(dst, rect.Left, rect.Top, rect.Width(), rect.Height(), src.Canvas()->Handle(), 0, 0, pre.Width,
               pre.Height, bf);
    return;
  }
  TBitmap m, c;
  m.FromDib(mask);
  c.FromDib(color);
  StretchBlt(dst, rect.Left, rect.Top, rect.Width(), rect.Height(), m.Canvas()->Handle(), 0, 0, mask.Width,
             mask.Height, SRCAND);
  StretchBlt(dst, rect.Left, rect.Top, rect.Width(), rect.Height(), c.Canvas()->Handle(), 0, 0, color.Width,
             color.Height, SRCINVERT);
}
