// Handles that outlive their objects safely. A handle names a slot of a
// table and the generation the slot had when the handle was handed out, so
// a handle kept after its object went never names the next object put in
// the same slot: the call fails as it does for any stale handle, instead of
// reaching whatever now lives at the old object's address.
#pragma once
#include <cstdint>
#include <mutex>
#include <vector>

// Handle values keep to 32 bits, as programs store handles in 32-bit
// fields: kind in the top four bits (never zero, so a handle is never a
// small integer or null), generation in the next twelve, slot index in the
// low sixteen.
class THandleTable {
 public:
  static constexpr unsigned kMaxSlots = 0xFFFF;

  // kind: 1..15, one per kind of handle, so a handle of one kind is never
  // taken for another.
  explicit THandleTable(unsigned kind);
  THandleTable(const THandleTable&) = delete;
  THandleTable& operator=(const THandleTable&) = delete;

  // A fresh handle for the object; 0 when the table is full.
  std::uintptr_t Add(void* object);
  // The object the handle names, or nullptr when it is stale, foreign or 0.
  void* Find(std::uintptr_t handle) const;
  // Forgets the handle; returns its object, or nullptr when it was not live.
  void* Remove(std::uintptr_t handle);
  std::size_t Count() const;

 private:
  struct Slot {
    void* object = nullptr;
    std::uint16_t generation = 0;
  };
  bool Decode(std::uintptr_t handle, std::size_t* index) const;

  unsigned kind_;
  mutable std::mutex lock_;
  std::vector<Slot> slots_;
  // Freed slots, oldest first: reusing the slot that has been free longest
  // puts the most handle creations between a stale handle and its slot's
  // next generation.
  std::vector<std::uint32_t> free_;
  std::size_t freeHead_ = 0;
  std::size_t live_ = 0;
};

template <class T> T* HandleValue(std::uintptr_t v) { return reinterpret_cast<T*>(v); }
template <class T> std::uintptr_t HandleBits(T* h) { return reinterpret_cast<std::uintptr_t>(h); }
