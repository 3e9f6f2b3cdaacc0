// Feeds arbitrary bytes to the icon and cursor reader, as bytes and as a
// stream. Whatever loads must save and load back with the same images.
#include <cstdint>
#include <cstdlib>

#include "platform/graphics/Icon.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TIcon icon;
  try {
    icon.LoadFromBytes(data, size);
  } catch (const EInvalidGraphic&) {
    return 0;
  }
  if (icon.Empty() || icon.Current() < 0) std::abort();
  TMemoryStream saved;
  icon.SaveToStream(saved);
  saved.SetPosition(0);
  TIcon back;
  back.LoadFromStream(saved);
  if (back.ImageCount() != icon.ImageCount() || back.IsCursor() != icon.IsCursor()) std::abort();
  for (int i = 0; i < icon.ImageCount(); ++i) {
    const TIcon::Entry& a = icon.ImageEntry(i);
    const TIcon::Entry& b = back.ImageEntry(i);
    if (a.Color.Bits != b.Color.Bits || a.Mask.Bits != b.Mask.Bits || a.Color.BitCount != b.Color.BitCount) std::abort();
  }
  return 0;
}
