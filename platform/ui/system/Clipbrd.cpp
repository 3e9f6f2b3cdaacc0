#include "platform/ui/system/Clipbrd.h"

#include <cstring>

#include "platform/graphics/Bitmap.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/user/system/GlobalMemory.h"

namespace {

constexpr std::size_t kFileHeaderSize = 14;

// Opens the clipboard for one operation; raises when another window holds it.
struct TOpenClipboard {
  TOpenClipboard() {
    if (!OpenClipboard(nullptr)) throw Exception("Cannot open clipboard");
  }
  ~TOpenClipboard() { CloseClipboard(); }
};

HGLOBAL CopyToGlobal(const void* data, std::size_t size) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!h) throw EOutOfMemory("Out of memory");
  void* p = GlobalLock(h);
  std::memcpy(p, data, size);
  GlobalUnlock(h);
  return h;
}

}  // namespace

void TClipboard::Assign(const TPersistent* source) {
  if (auto* bitmap = dynamic_cast<const TBitmap*>(source)) {
    AssignBitmap(*bitmap);
    return;
  }
  TPersistent::Assign(source);
}

void TClipboard::AssignBitmap(const TBitmap& bitmap) {
  // A packed DIB is a BMP file without its file header.
  TMemoryStream file;
  const_cast<TBitmap&>(bitmap).SaveToStream(file);
  if (file.Size() <= static_cast<std::int64_t>(kFileHeaderSize)) throw EInvalidGraphic("Invalid bitmap");
  const auto* bytes = static_cast<const std::uint8_t*>(file.Memory());
  TOpenClipboard open;
  HGLOBAL h = CopyToGlobal(bytes + kFileHeaderSize, static_cast<std::size_t>(file.Size()) - kFileHeaderSize);
  EmptyClipboard();
  if (!SetClipboardData(CF_DIB, h)) {
    GlobalFree(h);
    throw Exception("Cannot set clipboard data");
  }
}

bool TClipboard::HasFormat(UINT format) const { return IsClipboardFormatAvailable(format) != FALSE; }

TClipboard* Clipboard() {
  static TClipboard clipboard;
  return &clipboard;
}
