// Loads arbitrary bytes as a stored compressed skin: once as the compressed
// data itself and once as a compressed skin file (version, size, data).
// Whatever the bytes, the load ends loaded or failed with the skin data in a
// consistent state.
#include <cstdint>
#include <cstdlib>

#include "skin/engine/SkinData.h"
#include "skin/engine/SkinDataStored.h"

namespace {

void Check(TspSkinData& skin, bool loaded) {
  if (skin.SkinLoading) std::abort();
  if (loaded == skin.Empty) std::abort();
  if (!loaded && (!skin.SkinControls.empty() || !skin.ActivePictures.empty() || !skin.Picture.Empty())) std::abort();
  if (skin.CursorNames.Count() != 0) std::abort();
  for (const auto& c : skin.SkinControls) {
    if (skin.GetControlIndex(c->SectionName) < 0) std::abort();
    (void)skin.GetActivePicture(c->pictureindex);
  }
  for (int i = 0; i < static_cast<int>(skin.ActivePictures.size()); ++i) {
    TBitmap* p = skin.GetActivePicture(i);
    if (p && !p->ScanLine(p->Height() - 1)) std::abort();
  }
  (void)skin.FrameUsable();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Cursors are never part of a stored skin.
  SkinCursorTable().SetCursor = [](int, std::uintptr_t) { std::abort(); };
  TspSkinData skin(nullptr);
  {
    TspCompressedStoredSkin stored(nullptr);
    if (size > 0) stored.PackedStream.WriteBuffer(data, std::int64_t(size));
    Check(skin, skin.LoadFromCompressedStoredSkin(&stored));
  }
  {
    TspCompressedStoredSkin stored(nullptr);
    TMemoryStream file;
    if (size > 0) file.WriteBuffer(data, std::int64_t(size));
    const bool kept = stored.LoadCompressedFromStream(file);
    if (kept == stored.IsEmpty()) std::abort();
    if (kept && stored.PackedStream.Size() > std::int64_t(size)) std::abort();
    TspSkinData other(nullptr);
    Check(other, other.LoadFromCompressedStoredSkin(&stored));
  }
  return 0;
}
