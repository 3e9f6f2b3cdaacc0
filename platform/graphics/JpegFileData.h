// The compressed bytes of a JPEG loaded from a file, left in the file: the
// picture holds its own descriptor of the file (so a rename, a delete or a
// safe save over the name leaves the bytes readable) and a digest of the
// bytes taken at load, against which every later read is checked. A file
// changed in place after the load is never taken for the data it held.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/graphics/JpegCodec.h"

class TJpegFileData {
 public:
  // The length bytes at offset of the open regular file handle, read once
  // to take their digest and header. Null when the handle is not a regular
  // file or cannot be duplicated (the caller then keeps the bytes itself).
  // Raises EReadError when the file gives fewer bytes, EInvalidGraphic when
  // the header is not a JPEG's.
  static std::shared_ptr<const TJpegFileData> Open(int handle, std::int64_t offset, std::int64_t length);
  ~TJpegFileData();
  TJpegFileData(const TJpegFileData&) = delete;
  TJpegFileData& operator=(const TJpegFileData&) = delete;

  const TJpegInfo& Info() const { return info_; }
  std::int64_t Length() const { return length_; }
  // Decodes straight from the file; when the bytes read are not the ones
  // loaded, the pixels are refused (EInvalidGraphic).
  void Decode(const TJpegDecodeOptions& options, const TJpegAllocate& allocate) const;
  // The bytes as loaded; EInvalidGraphicOperation when the file no longer
  // holds them.
  std::vector<std::uint8_t> ReadAll() const;

 private:
  TJpegFileData(int handle, std::int64_t offset, std::int64_t length)
      : handle_(handle), offset_(offset), length_(length) {}
  class TCursor;
  int handle_;
  std::int64_t offset_, length_;
  std::uint64_t digest_ = 0;
  TJpegInfo info_;
};
