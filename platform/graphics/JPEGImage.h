// TJPEGImage: a JPEG picture. It keeps the compressed data and decodes it
// into a TBitmap when pixels are first needed (24-bit, or 8-bit grey for
// grey sources and Grayscale), at the chosen Scale. Data loaded from a file
// stays in the file (TJpegFileData) and is read again, checked, when it is
// decoded or saved; other data is held in memory.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Graphic.h"

class TJpegFileData;
struct TJpegRows;

// Makes the bitmap's section for a decode of that size and depth (8 bits
// grey, else 24) and gives its rows to the codec top row first, so libjpeg
// writes into the bottom-up section without a flip or a copy.
TJpegRows NewJpegTarget(TBitmap& bitmap, int width, int height, int bitCount);

enum TJPEGScale { jsFullSize, jsHalf, jsQuarter, jsEighth };
enum TJPEGPerformance { jpBestQuality, jpBestSpeed };

class TJPEGImage : public TGraphic {
 public:
  TJPEGImage();
  ~TJPEGImage() override;
  std::string ClassName() const override { return "TJPEGImage"; }

  bool Empty() const override;
  // The size of the decoded picture at the current Scale.
  int Width() const override;
  int Height() const override;
  // A JPEG's size comes from its data: these raise EInvalidGraphicOperation.
  void SetWidth(int w) override;
  void SetHeight(int h) override;

  // Decoding options; changing one drops the decoded pixels.
  TJPEGScale Scale() const { return scale_; }
  void SetScale(TJPEGScale s);
  TJPEGPerformance Performance() const { return performance_; }
  void SetPerformance(TJPEGPerformance p);
  bool Grayscale() const { return grayscale_; }
  void SetGrayscale(bool g);
  // Encoding options, used when the picture is compressed again.
  int CompressionQuality = 90;  // 1..100
  bool ProgressiveEncoding = false;
  // Whether the data is progressive (after a load) .
  bool ProgressiveData() const;

  // Reads the rest of the stream as one JPEG; the header is checked at once.
  // From a stream over a regular file the bytes are left in the file.
  void LoadFromStream(TStream& stream) override;
  // Writes the loaded bytes unchanged, or compresses the pixels assigned.
  // Data left in a file that has changed since is refused
  // (EInvalidGraphicOperation), never replaced by something else; the file
  // may be renamed, deleted or saved over by name meanwhile.
  void SaveToStream(TStream& stream) override;
  bool CanLoad(const std::uint8_t* head, std::size_t size) const override;
  // Compresses the current pixels with the encoding options.
  void Compress();
  // Decodes now (done on demand by Draw, Assign to a bitmap, Bitmap()).
  void DIBNeeded();
  // The decoded pixels (decoding first when needed).
  const TBitmap& Bitmap();
  // The compressed bytes, read into memory first when they were left in the
  // file (checked as a save is); empty when there are none.
  const std::vector<std::uint8_t>& Data();
  // Whether the compressed bytes are held in memory (false while they are
  // left in the file they were loaded from, and when there are none).
  bool DataInMemory() const { return !data_.empty(); }

  void Assign(const TPersistent* source) override;
  void Draw(TCanvas& canvas, const TRect& rect) override;
  std::unique_ptr<TGraphic> NewSameKind() const override { return std::make_unique<TJPEGImage>(); }

 protected:
  void AssignTo(TPersistent* dest) const override;

 private:
  void DropPixels();
  bool HasData() const { return !data_.empty() || file_ != nullptr; }
  // The compressed data, in memory or in its file; neither after a bitmap
  // was assigned.
  std::vector<std::uint8_t> data_;
  std::shared_ptr<const TJpegFileData> file_;
  std::unique_ptr<TBitmap> bitmap_;  // decoded or assigned pixels; may be empty
  bool decoded_ = false;             // bitmap_ was decoded from the data, and can be again
  int dataWidth_ = 0, dataHeight_ = 0;
  TJPEGScale scale_ = jsFullSize;
  TJPEGPerformance performance_ = jpBestQuality;
  bool grayscale_ = false;
};
