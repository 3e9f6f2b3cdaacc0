// LoadPicture: picture files into 24-bit working bitmaps.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <new>
#include <string>

#include "app/pixels/RotateImage.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Icon.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/graphics/JpegCodec.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/PictureTooLarge.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Streams.h"

namespace {

enum class TPictureKind { None, Bmp, Jpg, Ico, Metafile };

// Only the last three letters count: the dot before them is not checked.
TPictureKind KindOf(const std::string& fileName) {
  if (fileName.size() < 3) return TPictureKind::None;
  std::string tail = fileName.substr(fileName.size() - 3);
  for (char& c : tail) c = char(std::toupper(static_cast<unsigned char>(c)));
  if (tail == "BMP") return TPictureKind::Bmp;
  if (tail == "JPG") return TPictureKind::Jpg;
  if (tail == "ICO") return TPictureKind::Ico;
  if (tail == "EMF" || tail == "WMF") return TPictureKind::Metafile;
  return TPictureKind::None;
}

// Sizes the bitmap to the graphic, white, and draws the graphic at (0, 0).
void DrawOnWhite(TBitmap& bitmap, TGraphic& graphic) {
  bitmap.SetSize(graphic.Width(), graphic.Height());
  TCanvas* canvas = bitmap.Canvas();
  canvas->Brush()->SetColor(clWhite);
  canvas->FillRect(TRect{0, 0, graphic.Width(), graphic.Height()});
  canvas->Draw(0, 0, &graphic);
}

// Opens a file the way the JPEG class does: a regular file whose first
// bytes look like a JPEG.
class TJpegFile : public TJPEGImage {
 public:
  using TJPEGImage::OpenPictureFile;
};

// Decodes straight into the bitmap's own rows while reading the file in
// blocks: neither the whole compressed file nor a second copy of the pixels
// is ever held.
// True when the file ended before the picture did.
bool LoadJpeg(TBitmap& bitmap, const std::string& fileName, std::uint64_t maxPixels) {
  std::unique_ptr<TStream> file = TJpegFile().OpenPictureFile(fileName);
  TStream* stream = file.get();
  const TJpegReader read = [stream](std::uint8_t* buffer, std::size_t count) {
    const std::int64_t got = stream->Read(buffer, std::int64_t(count));
    if (got < 0) throw EReadError("Cannot read the picture file");
    return std::size_t(got);
  };
  TJpegDecodeOptions options;
  // The working picture is 24-bit: grey files are decoded as such.
  options.Colour = true;
  // libjpeg's own work area (twice the samples for progressive files, plus
  // row padding) is bounded here; the pixels exactly below.
  options.MaxBytes = std::min(DefaultPictureBudget, maxPixels * 6 + (std::uint64_t(1) << 20));
  return DecodeJpegInto(read, options, [&bitmap, maxPixels](int width, int height, int bitCount) {
           if (std::uint64_t(width) * std::uint64_t(height) > maxPixels)
             throw EPictureTooLarge("JPEG image is larger than the picture budget");
           return NewJpegTarget(bitmap, width, height, bitCount);
         }).DataEnded;
}

}  // namespace

std::unique_ptr<TBitmap> LoadPicture(const std::string& fileName) {
  return LoadPicture(fileName, DefaultPictureBudget / 3);
}

std::unique_ptr<TBitmap> LoadPicture(const std::string& fileName, std::uint64_t maxPixels) {
  return LoadPicture(fileName, maxPixels, nullptr);
}

std::unique_ptr<TBitmap> LoadPicture(const std::string& fileName, TPictureLoadNotes* notes) {
  return LoadPicture(fileName, DefaultPictureBudget / 3, nullptr, notes);
}

std::unique_ptr<TBitmap> LoadPicture(const std::string& fileName, std::uint64_t maxPixels, TPictureRefusal* why,
                                     TPictureLoadNotes* notes) {
  TPictureRefusal ignored;
  TPictureRefusal& refusal = why ? *why : ignored;
  refusal = TPictureRefusal::None;
  // Every kind ends as 24 bits: that is what the budget must hold.
  maxPixels = std::min(maxPixels, DefaultPictureBudget / 3);
  if (notes) *notes = {};
  bool truncated = false;
  try {
    if (!FileExists(fileName)) {
      refusal = TPictureRefusal::Missing;
      return nullptr;
    }
    const TPictureKind kind = KindOf(fileName);
    if (kind == TPictureKind::None) {
      refusal = TPictureRefusal::UnknownKind;
      return nullptr;
    }
    refusal = TPictureRefusal::Damaged;
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf24bit);
    switch (kind) {
      case TPictureKind::Bmp:
        bitmap->LoadFromFile(fileName, TBmpReadLimits{maxPixels * 3, maxPixels});
        break;
      case TPictureKind::Jpg:
        truncated = LoadJpeg(*bitmap, fileName, maxPixels);
        break;
      case TPictureKind::Ico: {
        TIcon icon;
        icon.LoadFromFile(fileName);
        if (std::uint64_t(icon.Width()) * std::uint64_t(icon.Height()) > maxPixels) {
          refusal = TPictureRefusal::TooLarge;
          return nullptr;
        }
        DrawOnWhite(*bitmap, icon);
        break;
      }
      case TPictureKind::Metafile: {
        TMetafile metafile;
        metafile.LoadFromFile(fileName);
        DrawOnWhite(*bitmap, metafile);
        break;
      }
      case TPictureKind::None:
        return nullptr;
    }
    if (bitmap->Empty()) return nullptr;
    bitmap->SetPixelFormat(pf24bit);
    if (notes) notes->Truncated = truncated;
    refusal = TPictureRefusal::None;
    return bitmap;
  } catch (const EPictureTooLarge&) {
    refusal = TPictureRefusal::TooLarge;
    return nullptr;
  } catch (const EOutOfMemory&) {
    refusal = TPictureRefusal::TooLarge;
    return nullptr;
  } catch (const std::bad_alloc&) {
    refusal = TPictureRefusal::TooLarge;
    return nullptr;
  } catch (...) {
    return nullptr;
  }
}
