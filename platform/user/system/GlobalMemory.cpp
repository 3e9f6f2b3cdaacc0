#include "platform/user/system/GlobalMemory.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace {

struct TBlock {
  std::unique_ptr<Byte[]> data;
  std::size_t size = 0;
  int locks = 0;
  bool fixed = false;
};

// Fixed handles are the data's address. Movable handles are tokens never
// handed out twice, so a stale handle cannot name a newer block.
std::mutex g_lock;
std::uintptr_t g_nextToken = 0x10000;
std::unordered_map<const void*, std::unique_ptr<TBlock>>& Blocks() {
  static std::unordered_map<const void*, std::unique_ptr<TBlock>> blocks;
  return blocks;
}

TBlock* Find(HGLOBAL h) {
  auto it = Blocks().find(h);
  if (it == Blocks().end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return it->second.get();
}

std::unique_ptr<Byte[]> NewData(std::size_t bytes, bool zero) {
  // Zero-sized blocks still get a unique address.
  auto data = std::make_unique<Byte[]>(bytes ? bytes : 1);
  if (zero) std::memset(data.get(), 0, bytes ? bytes : 1);
  return data;
}

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes) {
  auto block = std::make_unique<TBlock>();
  block->data = NewData(bytes, (flags & GMEM_ZEROINIT) != 0);
  block->size = bytes;
  block->fixed = !(flags & GMEM_MOVEABLE);
  std::lock_guard<std::mutex> lock(g_lock);
  HGLOBAL h = block->data.get();
  if (!block->fixed) {
    do {
      h = reinterpret_cast<HGLOBAL>(g_nextToken += 16);
    } while (Blocks().count(h));
  }
  Blocks()[h] = std::move(block);
  return h;
}

HGLOBAL GlobalReAlloc(HGLOBAL h, std::size_t bytes, UINT flags) {
  std::lock_guard<std::mutex> lock(g_lock);
  TBlock* b = Find(h);
  if (!b) return nullptr;
  if (flags & GMEM_MODIFY) return h;
  // A fixed block's handle is its address, so it cannot move.
  if (b->fixed && bytes > b->size) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (b->locks > 0 && bytes > b->size) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (bytes > b->size) {
    auto data = NewData(bytes, false);
    std::memcpy(data.get(), b->data.get(), b->size);
    if (flags & GMEM_ZEROINIT) std::memset(data.get() + b->size, 0, bytes - b->size);
    b->data = std::move(data);
  }
  b->size = bytes;
  return h;
}

void* GlobalLock(HGLOBAL h) {
  std::lock_guard<std::mutex> lock(g_lock);
  TBlock* b = Find(h);
  if (!b) return nullptr;
  if (!b->fixed && b->locks < int(GMEM_LOCKCOUNT)) b->locks++;
  return b->data.get();
}

BOOL GlobalUnlock(HGLOBAL h) {
  std::lock_guard<std::mutex> lock(g_lock);
  TBlock* b = Find(h);
  if (!b || b->locks == 0) {
    if (b) SetLastError(ERROR_NOT_LOCKED);
    return FALSE;
  }
  return --b->locks > 0 ? TRUE : FALSE;
}

HGLOBAL GlobalFree(HGLOBAL h) {
  std::unique_ptr<TBlock> doomed;
  std::lock_guard<std::mutex> lock(g_lock);
  auto it = Blocks().find(h);
  if (it == Blocks().end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return h;
  }
  doomed = std::move(it->second);
  Blocks().erase(it);
  return nullptr;
}

std::size_t GlobalSize(HGLOBAL h) {
  std::lock_guard<std::mutex> lock(g_lock);
  TBlock* b = Find(h);
  return b ? b->size : 0;
}

UINT GlobalFlags(HGLOBAL h) {
  std::lock_guard<std::mutex> lock(g_lock);
  TBlock* b = Find(h);
  return b ? UINT(b->locks) : GMEM_INVALID_HANDLE;
}

HGLOBAL GlobalHandle(const void* memory) {
  std::lock_guard<std::mutex> lock(g_lock);
  for (auto& [h, b] : Blocks())
    if (b->data.get() == memory) return const_cast<HGLOBAL>(h);
  SetLastError(ERROR_INVALID_HANDLE);
  return nullptr;
}
