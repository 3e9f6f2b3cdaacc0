// TVQVirtualDIBList: any number of small 1- or 24-bit images kept as
// bottom-up device-independent bitmaps in one temporary file, with only the
// most recently used few in memory. Freed file ranges are reused first-fit.
//
// Stored block: a 40-byte BITMAPINFOHEADER, two colour entries (black,
// white), the rows bottom-up at 4-byte row length; with alpha a byte that
// is 1 when the alpha is all 255, then the alpha rows bottom-up, 8 bits a
// pixel. The file is read back as untrusted: a block whose header does not
// fit its size raises EReadError.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/base/vqzutils_containers.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Types.h"

class TVQBitmap;

// One stored image; its address is the handle.
struct TVQDIBImage {
  Int64 Offset = 0;
  Int64 BlockSize = 0;
  Int64 MappedSize = 0;
  Byte* View = nullptr;  // none while not in memory
  bool Acquired = false;
  int FullWidth = 0;
  int FullHeight = 0;
  bool HasAlpha = false;
  Byte Access = 0;  // of the current view: 1 read, 2 write, 3 both
};
using TVQDIBHandle = TVQDIBImage*;

struct TVQFreeBlock {
  Int64 Offset = 0;
  Int64 Size = 0;
};

// The layout a stored block's header describes.
struct TVQStoredDIB {
  int Width = 0;
  int Height = 0;
  int BitCount = 0;
  Int64 RowLength = 0;
  Int64 AlphaRowLength = 0;
  bool AlphaFull = true;  // no alpha rows to read
};
constexpr int VQStoredDIBHeader = 48;
// Bytes of a block for the size, bit count and alpha presence; -1 beyond
// the largest pixel block.
Int64 VQStoredDIBSize(int width, int height, int bitCount, bool hasAlpha);
// Checks a block read back from the file: header size 40, both sides
// positive, bit count 1 or 24, rows (and with alpha the full byte and the
// alpha rows) inside size bytes. False for anything else.
bool ParseStoredDIB(const Byte* block, Int64 size, bool hasAlpha, TVQStoredDIB& out);

class TVQVirtualDIBList : public TObject {
 public:
  TVQVirtualDIBList();
  ~TVQVirtualDIBList() override;
  std::string ClassName() const override { return "TVQVirtualDIBList"; }

  // Images held in memory at most (at least 1 is used).
  int MaxMapped = 10;

  Int64 FileSize() const { return fileSize_; }
  Int64 EndOffset() const { return endOffset_; }
  int GrowStep() const { return growStep_; }
  int MappedCount() const { return static_cast<int>(mapped_.size()); }
  int LastBlockSize() const { return lastBlockSize_; }
  int Count() const { return static_cast<int>(images_.size()); }
  TVQDIBHandle Image(int index) const { return images_[static_cast<std::size_t>(index)].get(); }
  const std::vector<TVQFreeBlock>& FreeBlocks() const { return freeBlocks_; }
  TVQFileBuffer& FileBuffer() { return fileBuffer_; }

  // Deletes every image and acquired bitmap and the file; FileSize and
  // GrowStep stay.
  void Clear();
  // Grows the file by count blocks of the size at once.
  void ReserveSpace(int width, int height, int bitCount, int count);
  // A new block with its header written; pixels not set. Raises
  // EVQBitmapError for a bit count other than 1 and 24 or a side not above
  // 0, EWriteError when the file cannot take it.
  TVQDIBHandle AddImage(int width, int height, int bitCount, bool hasAlpha);
  // Stores a copy of the bitmap (other formats than 1- and 24-bit as 24-bit)
  // with its alpha channel.
  TVQDIBHandle AddBitmap(TVQBitmap* bitmap);
  // False when the block cannot be mapped; EReadError when it is corrupt.
  bool CopyToBitmap(TVQDIBHandle handle, TVQBitmap* bitmap);
  void UpdateImage(TVQDIBHandle handle, TVQBitmap* bitmap);
  // A shared copy of the image, owned by the list until released; none
  // when the block cannot be mapped.
  TVQBitmap* AcquireBitmap(TVQDIBHandle handle);
  void ReleaseBitmap(TVQBitmap* bitmap, bool writeBack);
  void ReleaseBitmapOf(TVQDIBHandle handle, bool writeBack);

  int GetImageWidth(TVQDIBHandle handle);
  int GetImageHeight(TVQDIBHandle handle);
  int GetImageBitCount(TVQDIBHandle handle);
  void SetFullImageWidth(TVQDIBHandle handle, int value) { handle->FullWidth = value; }
  void SetFullImageHeight(TVQDIBHandle handle, int value) { handle->FullHeight = value; }
  // The bottom-up pixel rows; the alpha rows, none without alpha or when
  // it is full. Valid until the image leaves memory.
  Byte* GetImageBits(TVQDIBHandle handle);
  Byte* GetAlphaBits(TVQDIBHandle handle);
  void DeleteImage(TVQDIBHandle handle);
  // Writes back and drops every view.
  void UnmapAll();

 private:
  struct Acquire {
    TVQDIBHandle Image;
    std::unique_ptr<TVQBitmap> Bitmap;
    int UseCount;
  };
  Byte* MapImage(TVQDIBHandle handle, Byte access);
  Byte* MapOrRaise(TVQDIBHandle handle, Byte access);
  void Unmap(TVQDIBHandle handle);
  void AllocateBlock(TVQDIBHandle handle, int width, int height, int bitCount, bool hasAlpha);
  void ResetFile();
  bool ReadStored(TVQDIBHandle handle, TVQStoredDIB& stored, Byte*& view);
  void WriteRows(Byte* view, const TVQStoredDIB& layout, TVQBitmap* bitmap);
  Acquire* FindAcquired(TVQDIBHandle handle);

  TVQFileBuffer fileBuffer_;
  Int64 fileSize_ = 65536;
  std::vector<std::unique_ptr<TVQDIBImage>> images_;
  std::vector<TVQDIBHandle> mapped_;  // least recently used first
  std::vector<TVQFreeBlock> freeBlocks_;
  Int64 endOffset_ = 0;
  int growStep_ = 65536;
  std::vector<Acquire> acquired_;
  int lastBlockSize_ = 0;
};
