#include "platform/graphics/JPEGImage.h"

#include "platform/graphics/JpegCodec.h"
#include "platform/graphics/JpegFileData.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

namespace {
int Denominator(TJPEGScale s) { return 1 << int(s); }

// The 0..255 grey ramp, read from the table alone.
bool IsGreyRampTable(const std::vector<RGBQUAD>& t) {
  if (t.size() != 256) return false;
  for (int i = 0; i < 256; ++i)
    if (t[i].rgbRed != i || t[i].rgbGreen != i || t[i].rgbBlue != i) return false;
  return true;
}

// Pixels the encoder takes as they are: 24-bit, or 8-bit grey levels.
bool EncodableAsIs(const TBitmap& b) {
  return b.PixelFormat() == pf24bit || (b.PixelFormat() == pf8bit && IsGreyRampTable(b.ColorTable()));
}
// libjpeg rounds scaled sizes up.
int Scaled(int size, TJPEGScale s) { return (size + Denominator(s) - 1) / Denominator(s); }
}  // namespace

TJpegRows NewJpegTarget(TBitmap& bitmap, int width, int height, int bitCount) {
  std::vector<RGBQUAD> grey;
  if (bitCount == 8)
    for (int i = 0; i < 256; ++i) grey.push_back(RGBQUAD{std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0});
  std::uint8_t* block = bitmap.NewImage(width, height, bitCount == 8 ? pf8bit : pf24bit, grey);
  const std::ptrdiff_t pitch = bitmap.RowBytes();
  return TJpegRows{block + std::ptrdiff_t(height - 1) * pitch, -pitch};
}

TJPEGImage::TJPEGImage() : bitmap_(std::make_unique<TBitmap>()) {}
TJPEGImage::~TJPEGImage() = default;

bool TJPEGImage::Empty() const { return !HasData() && bitmap_->Empty(); }

int TJPEGImage::Width() const { return HasData() ? Scaled(dataWidth_, scale_) : bitmap_->Width(); }
int TJPEGImage::Height() const { return HasData() ? Scaled(dataHeight_, scale_) : bitmap_->Height(); }

void TJPEGImage::SetWidth(int) { throw EInvalidGraphicOperation("Cannot change the size of a JPEG image"); }
void TJPEGImage::SetHeight(int) { throw EInvalidGraphicOperation("Cannot change the size of a JPEG image"); }

// Pixels that came from data can be decoded again; assigned ones cannot.
void TJPEGImage::DropPixels() {
  if (HasData()) bitmap_->Assign(nullptr);
}

void TJPEGImage::SetScale(TJPEGScale s) {
  if (s == scale_) return;
  scale_ = s;
  DropPixels();
  Changed();
}

void TJPEGImage::SetPerformance(TJPEGPerformance p) {
  if (p == performance_) return;
  performance_ = p;
  DropPixels();
  Changed();
}

void TJPEGImage::SetGrayscale(bool g) {
  if (g == grayscale_) return;
  grayscale_ = g;
  DropPixels();
  Changed();
}

bool TJPEGImage::ProgressiveData() const {
  if (file_) return file_->Info().Progressive;
  return !data_.empty() && ReadJpegInfo(data_.data(), data_.size()).Progressive;
}

void TJPEGImage::LoadFromStream(TStream& stream) {
  const std::int64_t start = stream.Position();
  std::int64_t left = stream.Size() - start;
  if (left <= 0) throw EInvalidGraphic("JPEG error: empty data");
  if (std::uint64_t(left) > DefaultPictureBudget) throw EInvalidGraphic("JPEG data too large");
  // A photo's compressed bytes are a tenth of its pixels: leave them in
  // their file when there is one.
  std::shared_ptr<const TJpegFileData> file;
  if (auto* h = dynamic_cast<THandleStream*>(&stream)) file = TJpegFileData::Open(h->Handle(), start, left);
  std::vector<std::uint8_t> bytes;
  TJpegInfo info;
  if (file) {
    info = file->Info();
    stream.Seek(0, soEnd);
  } else {
    bytes.resize(static_cast<std::size_t>(left));
    stream.ReadBuffer(bytes.data(), left);
    info = ReadJpegInfo(bytes.data(), bytes.size());
  }
  data_ = std::move(bytes);
  file_ = std::move(file);
  dataWidth_ = info.Width;
  dataHeight_ = info.Height;
  bitmap_->Assign(nullptr);
  Changed();
}

bool TJPEGImage::CanLoad(const std::uint8_t* head, std::size_t size) const {
  return size >= 2 && head[0] == 0xFF && head[1] == 0xD8;
}

void TJPEGImage::Compress() {
  if (bitmap_->Empty()) DIBNeeded();
  TJpegEncodeOptions o;
  o.Quality = CompressionQuality;
  o.Progressive = ProgressiveEncoding;
  o.Grayscale = grayscale_;
  const TBitmap* src = bitmap_.get();
  TBitmap converted;
  if (!src->Empty() && !EncodableAsIs(*src)) {
    converted.Assign(src);
    converted.SetPixelFormat(pf24bit);
    src = &converted;
  }
  if (src->Empty()) throw EInvalidGraphicOperation("Cannot save an empty JPEG image");
  // libjpeg reads the bitmap's own rows, bottom-up block and all.
  const auto* top = static_cast<const std::uint8_t*>(src->ScanLine(0));
  data_ = EncodeJpegRows(top, -std::ptrdiff_t(src->RowBytes()), src->Width(), src->Height(),
                         src->PixelFormat() == pf8bit, o);
  file_.reset();
  dataWidth_ = bitmap_->Width();
  dataHeight_ = bitmap_->Height();
  // The pixels stay as they are; later decodes read the new data.
}

void TJPEGImage::SaveToStream(TStream& stream) {
  if (file_) {
    // Checked whole before the first byte goes out.
    const std::vector<std::uint8_t> bytes = file_->ReadAll();
    stream.WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
    return;
  }
  if (data_.empty()) Compress();
  stream.WriteBuffer(data_.data(), std::int64_t(data_.size()));
}

const std::vector<std::uint8_t>& TJPEGImage::Data() {
  if (file_) {
    data_ = file_->ReadAll();
    file_.reset();
  }
  return data_;
}

void TJPEGImage::DIBNeeded() {
  if (!bitmap_->Empty() || !HasData()) return;
  TJpegDecodeOptions o;
  o.ScaleDenom = Denominator(scale_);
  o.Grayscale = grayscale_;
  o.Fast = performance_ == jpBestSpeed;
  try {
    // libjpeg writes the rows straight into the bitmap's section.
    const auto allocate = [this](int width, int height, int bitCount) {
      return NewJpegTarget(*bitmap_, width, height, bitCount);
    };
    if (file_)
      file_->Decode(o, allocate);
    else
      DecodeJpegInto(data_.data(), data_.size(), o, allocate);
    decoded_ = true;
  } catch (...) {
    bitmap_->Assign(nullptr);
    throw;
  }
}

const TBitmap& TJPEGImage::Bitmap() {
  DIBNeeded();
  return *bitmap_;
}

void TJPEGImage::Assign(const TPersistent* source) {
  if (auto* j = dynamic_cast<const TJPEGImage*>(source)) {
    if (j == this) return;
    data_ = j->data_;
    file_ = j->file_;  // never changes: shared
    dataWidth_ = j->dataWidth_;
    dataHeight_ = j->dataHeight_;
    scale_ = j->scale_;
    performance_ = j->performance_;
    grayscale_ = j->grayscale_;
    CompressionQuality = j->CompressionQuality;
    ProgressiveEncoding = j->ProgressiveEncoding;
    bitmap_->ShareFrom(*j->bitmap_);
    decoded_ = j->decoded_;
    Changed();
    return;
  }
  if (auto* b = dynamic_cast<const TBitmap*>(source)) {
    data_.clear();  // compressed again on save
    file_.reset();
    decoded_ = false;
    if (EncodableAsIs(*b) || b->Empty()) {
      bitmap_->ShareFrom(*b);  // copied only when one side writes
    } else {
      bitmap_->Assign(b);
      bitmap_->SetPixelFormat(pf24bit);
    }
    Changed();
    return;
  }
  TGraphic::Assign(source);
}

void TJPEGImage::AssignTo(TPersistent* dest) const {
  if (auto* b = dynamic_cast<TBitmap*>(dest)) {
    // Decoding fills the cache, which does not change what the picture is.
    const_cast<TJPEGImage*>(this)->DIBNeeded();
    // Decoded pixels move to the bitmap (the data decodes again when asked);
    // assigned ones are shared until one side writes.
    if (decoded_ && HasData())
      b->TakeFrom(*bitmap_);
    else
      b->ShareFrom(*bitmap_);
    return;
  }
  TGraphic::AssignTo(dest);
}

void TJPEGImage::Draw(TCanvas& canvas, const TRect& rect) {
  DIBNeeded();
  bitmap_->Draw(canvas, rect);
}
