#include "imaging/core/metadata/vqzutils_annot.h"

#include <cmath>
#include <cstring>
#include <string_view>

#include "imaging/core/colour/pictoraproc_frames.h"
#include "platform/gdi/Gdi.h"
#include "platform/rtl/Exceptions.h"

namespace {

constexpr std::uint32_t annotDefaultBlock = 2;
constexpr std::uint32_t annotMarkAttributes = 5;
constexpr std::uint32_t annotMarkBlock = 6;
constexpr int annotFontHeightOffset = 48;
// What every named block's size field holds: the name and the data size.
constexpr std::uint32_t annotNamedHeaderSize = 12;
constexpr std::size_t annotRecordSize = 56;

std::int32_t AnnotGet32(const Byte* p) {
  return static_cast<std::int32_t>(std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
                                   (std::uint32_t(p[3]) << 24));
}
void AnnotSet32(Byte* p, std::int32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = Byte(std::uint32_t(v) >> (8 * i));
}

int AnnotDeviceResolution(int index) {
  HDC dc = CreateCompatibleDC(nullptr);
  const int value = dc ? GetDeviceCaps(dc, index) : 0;
  if (dc) DeleteDC(dc);
  return value > 0 ? value : 96;
}

// The named blocks of one mark (or of the whole set), as far as they shape
// the marks: the others are read and dropped.
struct AnnotCollection {
  bool HasPoints = false;
  std::vector<TPoint> Points;
  bool HasText = false;
  std::uint32_t CreationScale = 0;
  std::string Text;
  const Byte* Dib = nullptr;
  std::size_t DibLength = 0;
};

// Text of a block: up to its zero terminator or the block's end.
std::string AnnotText(const Byte* p, std::size_t n) {
  const void* zero = std::memchr(p, 0, n);
  return std::string(reinterpret_cast<const char*>(p), zero ? static_cast<const Byte*>(zero) - p : n);
}

void AnnotStore(AnnotCollection& c, std::string_view name, const Byte* p, std::size_t n, std::int32_t markType) {
  if (name == "OiAnoDat") {
    // Types 1, 2 and 12 carry a resolution record, which nothing uses.
    if ((markType == 3 || markType == 4) && n >= 8) {
      const std::uint32_t count = static_cast<std::uint32_t>(AnnotGet32(p + 4));
      // Only the points the block holds.
      const std::size_t kept = std::min<std::size_t>(count, (n - 8) / 8);
      c.HasPoints = true;
      c.Points.resize(kept);
      for (std::size_t i = 0; i < kept; ++i)
        c.Points[i] = TPoint{AnnotGet32(p + 8 + 8 * i), AnnotGet32(p + 12 + 8 * i)};
    }
  } else if (name == "OiAnText") {
    if (n >= 16) {
      c.HasText = true;
      c.CreationScale = static_cast<std::uint32_t>(AnnotGet32(p + 8));
      c.Text = AnnotText(p + 16, n - 16);
    }
  } else if (name == "OiDIB") {
    c.Dib = p;
    c.DibLength = n;
  }
}

void AnnotFinishMark(TVQImagingAnnot& annot, const std::array<Byte, TVQImagingObject::AttributesSize>& attributes,
                     const AnnotCollection& c) {
  auto object = std::make_unique<TVQImagingObject>();
  object->Attributes = attributes;
  const std::int32_t type = object->MarkType();
  if (type < 1) return;
  if ((type == 3 || type == 4) && c.HasPoints) object->Points = c.Points;
  if (type >= 7 && type <= 10 && c.HasText) {
    object->Text = c.Text;
    // A scale of 0 would divide by zero: the height is then kept.
    if (c.CreationScale) {
      const double height = (72000.0 / c.CreationScale) / AnnotScreenResolutionY() * -double(object->FontHeight());
      const double rounded = std::nearbyint(height);
      object->SetFontHeight(rounded >= 2147483647.0    ? INT32_MAX
                            : rounded <= -2147483648.0 ? INT32_MIN
                                                       : static_cast<std::int32_t>(rounded));
    }
  }
  if (type == 1 && c.Dib) {
    auto image = std::make_unique<TVQBitmap>();
    try {
      FrameToBitmap(c.Dib, c.DibLength, image.get());
      object->Image = std::move(image);
    } catch (const EInvalidGraphic&) {
    } catch (const EOutOfMemory&) {
    }
  }
  annot.Add(std::move(object));
}

// Appends little-endian integers, names and blocks.
class AnnotWriter {
 public:
  void U32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(Byte(v >> (8 * i)));
  }
  void Raw(const void* p, std::size_t n) {
    const Byte* b = static_cast<const Byte*>(p);
    bytes_.insert(bytes_.end(), b, b + n);
  }
  // Starts a named block; its data follows, then End fills in its size.
  void Begin(std::uint32_t type, const char* name) {
    U32(type);
    U32(annotNamedHeaderSize);
    char padded[8] = {};
    std::memcpy(padded, name, std::strlen(name));
    Raw(padded, 8);
    sizeAt_ = bytes_.size();
    U32(0);
  }
  void End() {
    const std::size_t n = bytes_.size() - sizeAt_ - 4;
    for (int i = 0; i < 4; ++i) bytes_[sizeAt_ + std::size_t(i)] = Byte(n >> (8 * i));
  }
  void TextBlock(std::uint32_t type, const char* name, const std::string& text) {
    Begin(type, name);
    Raw(text.c_str(), text.size() + 1);
    End();
  }
  std::vector<Byte>& Bytes() { return bytes_; }

 private:
  std::vector<Byte> bytes_;
  std::size_t sizeAt_ = 0;
};

}  // namespace

// ---- TVQImagingObject ---------------------------------------------------------------

std::int32_t TVQImagingObject::MarkType() const { return AnnotGet32(Attributes.data()); }
void TVQImagingObject::SetMarkType(std::int32_t type) { AnnotSet32(Attributes.data(), type); }
std::int32_t TVQImagingObject::FontHeight() const { return AnnotGet32(Attributes.data() + annotFontHeightOffset); }
void TVQImagingObject::SetFontHeight(std::int32_t height) {
  AnnotSet32(Attributes.data() + annotFontHeightOffset, height);
}

// ---- TVQImagingAnnot -------------------------------------------------------------------

TVQImagingObject* TVQImagingAnnot::Items(int index) const {
  if (index < 0 || index >= Count())
    throw EListError("Annotation index out of bounds (" + std::to_string(index) + ")");
  return objects_[static_cast<std::size_t>(index)].get();
}

int TVQImagingAnnot::Add(std::unique_ptr<TVQImagingObject> object) {
  objects_.push_back(std::move(object));
  return Count() - 1;
}

void TVQImagingAnnot::Assign(const TVQImagingAnnot* source) {
  if (source == this) return;
  Clear();
  if (!source) return;
  for (const auto& from : source->objects_) {
    auto object = std::make_unique<TVQImagingObject>();
    object->Attributes = from->Attributes;
    object->Points = from->Points;
    object->Text = from->Text;
    if (from->Image) {
      object->Image = std::make_unique<TVQBitmap>();
      object->Image->Assign(from->Image.get());
    }
    objects_.push_back(std::move(object));
  }
}

// ---- the annotation block ------------------------------------------------------------

int AnnotScreenResolutionX() {
  static const int value = AnnotDeviceResolution(LOGPIXELSX);
  return value;
}

int AnnotScreenResolutionY() {
  static const int value = AnnotDeviceResolution(LOGPIXELSY);
  return value;
}

void ReadImagingAnnotations(TVQImagingAnnot* annot, const void* data, Int64 length) {
  if (!annot || !data || length < 8) return;
  const Byte* p = static_cast<const Byte*>(data);
  const std::size_t n = static_cast<std::size_t>(length);
  const bool wideIntegers = AnnotGet32(p + 4) != 0;
  AnnotCollection defaults, current;
  std::array<Byte, TVQImagingObject::AttributesSize> attributes{};
  std::size_t at = 8;
  while (n - at >= 8) {
    const std::uint32_t type = static_cast<std::uint32_t>(AnnotGet32(p + at));
    const std::uint32_t size = static_cast<std::uint32_t>(AnnotGet32(p + at + 4));
    at += 8;
    if (type == annotMarkAttributes) {
      if (n - at < attributes.size()) break;
      AnnotFinishMark(*annot, attributes, current);
      current = AnnotCollection{};
      std::memcpy(attributes.data(), p + at, attributes.size());
      at += attributes.size();
    } else if (type == annotDefaultBlock || type == annotMarkBlock) {
      const std::size_t fields = wideIntegers ? 12 : 16;
      if (n - at < fields) break;
      const std::string name = AnnotText(p + at, 8);
      const std::uint32_t dataSize = static_cast<std::uint32_t>(AnnotGet32(p + at + 8));
      at += fields;
      if (dataSize > n - at) break;
      AnnotStore(type == annotDefaultBlock ? defaults : current, name, p + at, dataSize,
                 AnnotGet32(attributes.data()));
      at += dataSize;
    } else {
      // A block this reader does not know is skipped whole, by its size.
      if (size > n - at) break;
      at += size;
    }
  }
  AnnotFinishMark(*annot, attributes, current);
}

void WriteImagingAnnotations(const TVQImagingAnnot* annot, Byte*& data, Int64& length) {
  data = nullptr;
  length = 0;
  if (!annot || annot->Count() == 0) return;
  const int dpiX = AnnotScreenResolutionX(), dpiY = AnnotScreenResolutionY();
  AnnotWriter w;
  w.U32(0);
  w.U32(1);
  w.TextBlock(annotDefaultBlock, "OiGroup", "0");
  w.TextBlock(annotDefaultBlock, "OiIndex", "1");
  for (int i = 0; i < annot->Count(); ++i) {
    const TVQImagingObject* object = annot->Items(i);
    w.U32(annotMarkAttributes);
    w.U32(TVQImagingObject::AttributesSize);
    w.Raw(object->Attributes.data(), object->Attributes.size());
    const std::int32_t type = object->MarkType();
    if (type == 1) {
      w.Begin(annotMarkBlock, "OiAnoDat");
      for (std::int32_t v : {1, 1000, dpiX, dpiY, dpiX, dpiY, 0, 0}) w.U32(static_cast<std::uint32_t>(v));
      const Byte zeros[annotRecordSize - 32] = {};
      w.Raw(zeros, sizeof zeros);
      w.End();
      // A mark without a picture has nothing to embed.
      if (object->Image) {
        HGLOBAL block = BitmapToDib(object->Image.get());
        w.Begin(annotMarkBlock, "OiDIB");
        w.Raw(GlobalLock(block), GlobalSize(block));
        GlobalUnlock(block);
        GlobalFree(block);
        w.End();
      }
    } else if (type == 3 || type == 4) {
      w.Begin(annotMarkBlock, "OiAnoDat");
      w.U32(static_cast<std::uint32_t>(object->Points.size()));
      w.U32(static_cast<std::uint32_t>(object->Points.size()));
      for (const TPoint& pt : object->Points) {
        w.U32(static_cast<std::uint32_t>(pt.X));
        w.U32(static_cast<std::uint32_t>(pt.Y));
      }
      w.End();
    } else if (type >= 7 && type <= 10) {
      w.Begin(annotMarkBlock, "OiAnText");
      w.U32(0);
      w.U32(1000);
      w.U32(static_cast<std::uint32_t>(72000 / dpiY));
      w.U32(static_cast<std::uint32_t>(object->Text.size()));
      w.Raw(object->Text.c_str(), object->Text.size() + 1);
      w.End();
    }
    w.TextBlock(annotMarkBlock, "OiGroup", "0");
    w.TextBlock(annotMarkBlock, "OiIndex", std::to_string(i));
  }
  std::vector<Byte>& bytes = w.Bytes();
  data = new Byte[bytes.size()];
  std::memcpy(data, bytes.data(), bytes.size());
  length = static_cast<Int64>(bytes.size());
}

// ---- TVQICC ------------------------------------------------------------------------------

void TVQICC::LoadFromBuffer(const void* data, Int64 length) {
  Clear();
  if (!data || length < 1) return;
  const Byte* p = static_cast<const Byte*>(data);
  data_.assign(p, p + length);
}

void TVQICC::Clear() {
  data_.clear();
  data_.shrink_to_fit();
  Transform = InputProfile = OutputProfile = nullptr;
  TransformReady = false;
}

void TVQICC::Assign(const TVQICC* other) {
  if (other == this) return;
  Clear();
  if (other) data_ = other->data_;
}
