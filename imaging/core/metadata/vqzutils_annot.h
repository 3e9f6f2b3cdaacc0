// Image annotations as a TIFF file carries them (marks such as lines, texts
// and embedded pictures, in a block of numbered and named blocks), and the
// holder of an ICC colour profile's bytes. The parameter block of the I/O
// component keeps one annotation list and two profile holders.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/raster/vqzutils_bitmap.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Types.h"

// One mark.
class TVQImagingObject : public TObject {
 public:
  static constexpr int AttributesSize = 164;
  std::string ClassName() const override { return "TVQImagingObject"; }

  // Kept and written as they are; the mark type is the 32-bit integer at
  // offset 0, the font height the signed 32-bit integer at offset 48.
  std::array<Byte, AttributesSize> Attributes{};
  // 32-bit x and y each.
  std::vector<TPoint> Points;
  // 8-bit text without its terminator; empty when the mark has none.
  std::string Text;
  std::unique_ptr<TVQBitmap> Image;

  std::int32_t MarkType() const;
  void SetMarkType(std::int32_t type);
  std::int32_t FontHeight() const;
  void SetFontHeight(std::int32_t height);
};

class TVQImagingAnnot : public TObject {
 public:
  std::string ClassName() const override { return "TVQImagingAnnot"; }
  int Count() const { return static_cast<int>(objects_.size()); }
  // Raises EListError outside the list.
  TVQImagingObject* Items(int index) const;
  // Takes ownership; returns the new index.
  int Add(std::unique_ptr<TVQImagingObject> object);
  void Clear() { objects_.clear(); }
  // Copies of every object of source (attributes, points, text and image).
  void Assign(const TVQImagingAnnot* source);

 private:
  std::vector<std::unique_ptr<TVQImagingObject>> objects_;
};

// The screen's logical resolution the records are written and read for.
int AnnotScreenResolutionX();
int AnnotScreenResolutionY();

// Appends the marks of an annotation block to annot. Every size read is
// checked against length: a block that runs past the end ends the reading,
// keeping the marks read so far; an embedded picture that does not fit its
// block is dropped, keeping its mark.
void ReadImagingAnnotations(TVQImagingAnnot* annot, const void* data, Int64 length);
// A new block (free it with delete[]) holding the marks; an empty list
// gives none and length 0.
void WriteImagingAnnotations(const TVQImagingAnnot* annot, Byte*& data, Int64& length);

// The bytes of an ICC profile; the colour-transform fields are kept for the
// colour-management hooks and only ever cleared here.
class TVQICC : public TObject {
 public:
  std::string ClassName() const override { return "TVQICC"; }
  ~TVQICC() override { Clear(); }

  const Byte* Data() const { return data_.empty() ? nullptr : data_.data(); }
  Int64 Length() const { return static_cast<Int64>(data_.size()); }
  bool IsEmpty() const { return data_.empty(); }

  // Clears, then copies the bytes; nothing for no data or length below 1.
  void LoadFromBuffer(const void* data, Int64 length);
  // Frees the bytes and zeroes the transform fields.
  void Clear();
  void Reset() { Clear(); }
  // Clears, then copies other's bytes; a missing holder just clears.
  void Assign(const TVQICC* other);

  void* Transform = nullptr;
  void* InputProfile = nullptr;
  void* OutputProfile = nullptr;
  bool TransformReady = false;

 private:
  std::vector<Byte> data_;
};
