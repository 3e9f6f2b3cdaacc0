#include "platform/rtl/PictureMemory.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using Block = std::unique_ptr<std::uint8_t[], PictureMemoryFree>;

TEST(PictureMemory, RefusesSizesOutsideOneToTheLimit) {
  EXPECT_EQ(AllocatePictureMemory(0, 100), nullptr);
  EXPECT_EQ(AllocatePictureMemory(-5, 100), nullptr);
  EXPECT_EQ(AllocatePictureMemory(101, 100), nullptr);
  Block edge(AllocatePictureMemory(100, 100));
  EXPECT_NE(edge, nullptr);
}

TEST(PictureMemory, ComesZeroedSmallAndPhotoSized) {
  // 64 bytes from the heap, 24 MiB from fresh pages advised for huge pages.
  for (std::int64_t bytes : {std::int64_t(64), std::int64_t(24) << 20}) {
    Block block(AllocatePictureMemory(bytes, std::int64_t(1) << 31));
    ASSERT_NE(block, nullptr) << bytes;
    std::int64_t nonZero = 0;
    for (std::int64_t i = 0; i < bytes; i += 4093) nonZero += block[std::size_t(i)] != 0;
    EXPECT_EQ(nonZero, 0) << bytes;
    EXPECT_EQ(block[std::size_t(bytes - 1)], 0);
    block[std::size_t(bytes - 1)] = 7;  // the whole block is writable
  }
}

}  // namespace
