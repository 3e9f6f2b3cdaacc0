// Code page conversion of arbitrary bytes: never crashes, never over-reads,
// and whatever comes out of a decoder is valid UTF-8.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/rtl/CodePage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (!IsValidUtf8(Cp936ToUtf8(bytes))) std::abort();
  if (!IsValidUtf8(DecodeText8(bytes))) std::abort();
  const std::string back = Utf8ToCp936(bytes);
  // No character takes more bytes in code page 936 than in UTF-8.
  if (back.size() > size) std::abort();
  if (IsValidUtf8(bytes) && !IsValidUtf8(Cp936ToUtf8(back))) std::abort();
  return 0;
}
