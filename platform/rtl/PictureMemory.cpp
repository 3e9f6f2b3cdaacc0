#include "platform/rtl/PictureMemory.h"

#include <sys/mman.h>

#include <atomic>

namespace {
std::atomic<std::int64_t> pictureMemoryBlocks{0}, pictureMemoryBytes{0};
}  // namespace

PictureMemoryCount PictureMemoryHandedOut() {
  return {pictureMemoryBlocks.load(std::memory_order_relaxed), pictureMemoryBytes.load(std::memory_order_relaxed)};
}

void AdviseHugePages(void* block, std::size_t bytes) {
  constexpr std::uintptr_t kHuge = std::uintptr_t(2) << 20;
  if (!block || bytes < 4 * kHuge) return;
  const std::uintptr_t from = (reinterpret_cast<std::uintptr_t>(block) + kHuge - 1) & ~(kHuge - 1);
  const std::uintptr_t to = (reinterpret_cast<std::uintptr_t>(block) + bytes) & ~(kHuge - 1);
  if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

std::uint8_t* AllocatePictureMemory(std::int64_t bytes, std::int64_t limit) {
  if (bytes <= 0 || bytes > limit) return nullptr;
  auto* p = static_cast<std::uint8_t*>(std::calloc(std::size_t(bytes), 1));
  if (p) AdviseHugePages(p, std::size_t(bytes));
  if (p) {
    pictureMemoryBlocks.fetch_add(1, std::memory_order_relaxed);
    pictureMemoryBytes.fetch_add(bytes, std::memory_order_relaxed);
  }
  return p;
}
