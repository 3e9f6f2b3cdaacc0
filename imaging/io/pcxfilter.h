// PCX and DCX filter of the imaging library. So far: the DCX content test
// and page count.
#pragma once
#include <cstdint>

#include "platform/rtl/Streams.h"

constexpr std::uint32_t kDcxMagic = 987654321;  // 0x3ADE68B1
constexpr int kDcxMaxPages = 1024;

// The DCX magic at the stream's position, then a table of page offsets ended
// by a 0 (or full at 1024 entries), each below the stream's size. A stream
// that ends inside the table is no DCX. The position is restored.
bool IsDcxStream(TStream* Stream);
// The number of page offsets in the table (those read before the stream
// ends); the position is restored.
int CountDcxPages(TStream* Stream);
