// Memory for a picture's pixels. Large blocks come as fresh pages the system
// has zeroed, so nothing is filled here and a picture about to be written
// pays for no fill; photo-sized blocks are advised for huge pages, a few
// faults instead of thousands and fewer TLB misses on every pass.
#pragma once
#include <cstdint>
#include <cstdlib>

// Asks for huge pages under the whole 2 MiB pages of a block of 8 MiB or
// more not yet touched: a few faults instead of thousands when it is first
// written.
void AdviseHugePages(void* block, std::size_t bytes);

// Zeroed storage of `bytes`, freed with std::free (PictureMemoryFree);
// nullptr for sizes below 1 or above `limit`, or when memory runs out.
std::uint8_t* AllocatePictureMemory(std::int64_t bytes, std::int64_t limit);

// What AllocatePictureMemory has handed out since the process started, so
// tests can tell that work reused its pictures instead of making new ones.
struct PictureMemoryCount {
  std::int64_t blocks = 0;
  std::int64_t bytes = 0;
};
PictureMemoryCount PictureMemoryHandedOut();

struct PictureMemoryFree {
  void operator()(std::uint8_t* p) const { std::free(p); }
};
