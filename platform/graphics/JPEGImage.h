// TJPEGImage: a JPEG picture. It keeps the compressed bytes and decodes them
// into a TBitmap when pixels are first needed (24-bit, or 8-bit grey for
// grey sources and Grayscale), at the chosen Scale.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Graphic.h"

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
  void LoadFromStream(TStream& stream) override;
  // Writes the loaded bytes unchanged, or compresses the pixels assigned.
  void SaveToStream(TStream& stream) override;
  bool CanLoad(const std::uint8_t* head, std::size_t size) const override;
  // Compresses the current pixels with the encoding options.
  void Compress();
  // Decodes now (done on demand by Draw, Assign to a bitmap, Bitmap()).
  void DIBNeeded();
  // The decoded pixels (decoding first when needed).
  const TBitmap& Bitmap();
  const std::vector<std::uint8_t>& Data() const { return data_; }

  void Assign(const TPersistent* source) override;
  void Draw(TCanvas& canvas, const TRect& rect) override;
  std::unique_ptr<TGraphic> NewSameKind() const override { return std::make_unique<TJPEGImage>(); }

 protected:
  void AssignTo(TPersistent* dest) const override;

 private:
  void DropPixels();
  std::vector<std::uint8_t> data_;  // compressed; empty after a bitmap was assigned
  std::unique_ptr<TBitmap> bitmap_;  // decoded or assigned pixels; may be empty
  bool decoded_ = false;             // bitmap_ was decoded from data_, and can be again
  int dataWidth_ = 0, dataHeight_ = 0;
  TJPEGScale scale_ = jsFullSize;
  TJPEGPerformance performance_ = jpBestQuality;
  bool grayscale_ = false;
};
