// Byte vectors and memory streams for the skin engine's stream tests.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/rtl/Streams.h"

using Bytes = std::vector<std::uint8_t>;

// Everything a memory stream holds.
inline Bytes Contents(TMemoryStream& s) {
  const auto* p = static_cast<const std::uint8_t*>(s.Memory());
  return Bytes(p, p + s.Size());
}
