// Helpers the JPEG tests share.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/graphics/JPEGImage.h"
#include "platform/rtl/Streams.h"

// The bytes SaveToStream writes.
inline std::vector<std::uint8_t> Saved(TJPEGImage& j) {
  TMemoryStream s;
  j.SaveToStream(s);
  const auto* p = static_cast<const std::uint8_t*>(s.Memory());
  return std::vector<std::uint8_t>(p, p + s.Size());
}
