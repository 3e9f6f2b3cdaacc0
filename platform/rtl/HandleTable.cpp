#include "platform/rtl/HandleTable.h"

namespace {
constexpr unsigned kKindShift = 28;
constexpr unsigned kGenerationShift = 16;
constexpr std::uint16_t kGenerationMask = 0x0FFF;
constexpr std::uintptr_t kIndexMask = 0xFFFF;
}  // namespace

THandleTable::THandleTable(unsigned kind) : kind_(kind & 0xF ? kind & 0xF : 1) {}

bool THandleTable::Decode(std::uintptr_t handle, std::size_t* index) const {
  if ((handle >> kKindShift) != kind_) return false;
  std::size_t i = handle & kIndexMask;
  auto gen = std::uint16_t((handle >> kGenerationShift) & kGenerationMask);
  if (i >= slots_.size() || !slots_[i].object || slots_[i].generation != gen) return false;
  *index = i;
  return true;
}

std::uintptr_t THandleTable::Add(void* object) {
  if (!object) return 0;
  std::lock_guard<std::mutex> guard(lock_);
  std::size_t i;
  if (freeHead_ < free_.size()) {
    i = free_[freeHead_++];
    if (freeHead_ == free_.size()) {
      free_.clear();
      freeHead_ = 0;
    } else if (freeHead_ > 1024 && freeHead_ * 2 > free_.size()) {
      free_.erase(free_.begin(), free_.begin() + std::ptrdiff_t(freeHead_));
      freeHead_ = 0;
    }
  } else {
    if (slots_.size() >= kMaxSlots) return 0;
    i = slots_.size();
    slots_.push_back({});
  }
  Slot& s = slots_[i];
  s.object = object;
  ++live_;
  return (std::uintptr_t(kind_) << kKindShift) | (std::uintptr_t(s.generation) << kGenerationShift) | i;
}

void* THandleTable::Find(std::uintptr_t handle) const {
  std::lock_guard<std::mutex> guard(lock_);
  std::size_t i;
  return Decode(handle, &i) ? slots_[i].object : nullptr;
}

void* THandleTable::Remove(std::uintptr_t handle) {
  std::lock_guard<std::mutex> guard(lock_);
  std::size_t i;
  if (!Decode(handle, &i)) return nullptr;
  Slot& s = slots_[i];
  void* object = s.object;
  s.object = nullptr;
  s.generation = std::uint16_t((s.generation + 1) & kGenerationMask);
  free_.push_back(std::uint32_t(i));
  --live_;
  return object;
}

std::size_t THandleTable::Count() const {
  std::lock_guard<std::mutex> guard(lock_);
  return live_;
}
