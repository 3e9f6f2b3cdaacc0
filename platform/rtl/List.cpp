#include "platform/rtl/List.h"

#include <algorithm>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"

TList::~TList() {
  // Derived lists clear themselves; Notify no longer reaches them here.
  items_.clear();
}

void TList::Error(const std::string& messageFormat, int data) { throw EListError(Format(messageFormat, data)); }

void TList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) Error("List index out of bounds (%d)", index);
}

int TList::Add(void* item) {
  int index = Count();
  items_.push_back(item);
  if (item) Notify(item, lnAdded);
  return index;
}

void TList::Insert(int index, void* item) {
  if (index < 0 || index > Count()) Error("List index out of bounds (%d)", index);
  items_.insert(items_.begin() + index, item);
  if (item) Notify(item, lnAdded);
}

void TList::Delete(int index) {
  CheckIndex(index);
  void* item = items_[index];
  items_.erase(items_.begin() + index);
  if (item) Notify(item, lnDeleted);
}

int TList::Remove(void* item) {
  int index = IndexOf(item);
  if (index >= 0) Delete(index);
  return index;
}

void* TList::Extract(void* item) {
  int index = IndexOf(item);
  if (index < 0) return nullptr;
  items_.erase(items_.begin() + index);
  Notify(item, lnExtracted);
  return item;
}

int TList::IndexOf(void* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void* TList::Items(int index) const {
  CheckIndex(index);
  return items_[index];
}

void TList::SetItems(int index, void* item) {
  CheckIndex(index);
  void* old = items_[index];
  if (old == item) return;
  items_[index] = item;
  if (old) Notify(old, lnDeleted);
  if (item) Notify(item, lnAdded);
}

void TList::SetCount(int newCount) {
  if (newCount < 0) Error("List count out of bounds (%d)", newCount);
  if (newCount >= Count()) {
    items_.resize(newCount, nullptr);
    return;
  }
  while (Count() > newCount) Delete(Count() - 1);
}

void TList::SetCapacity(int newCapacity) {
  if (newCapacity < Count()) Error("List capacity out of bounds (%d)", newCapacity);
  if (newCapacity > Capacity()) {
    items_.reserve(newCapacity);
  } else {
    std::vector<void*> copy;
    copy.reserve(newCapacity);
    copy.assign(items_.begin(), items_.end());
    items_.swap(copy);
  }
}

void TList::Clear() {
  // Notify may touch the list, so it sees it already empty.
  std::vector<void*> old;
  old.swap(items_);
  for (void* item : old)
    if (item) Notify(item, lnDeleted);
}

void TList::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  std::swap(items_[index1], items_[index2]);
}

void TList::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  CheckIndex(curIndex);
  CheckIndex(newIndex);
  void* item = items_[curIndex];
  items_.erase(items_.begin() + curIndex);
  items_.insert(items_.begin() + newIndex, item);
}

void TList::Sort(const TListSortCompare& compare) {
  if (!compare || items_.size() < 2) return;
  std::stable_sort(items_.begin(), items_.end(), [&](void* a, void* b) { return compare(a, b) < 0; });
}

void* TList::First() const {
  if (items_.empty()) Error("List index out of bounds (%d)", 0);
  return items_.front();
}

void* TList::Last() const {
  if (items_.empty()) Error("List index out of bounds (%d)", -1);
  return items_.back();
}

void TList::Pack() { items_.erase(std::remove(items_.begin(), items_.end(), nullptr), items_.end()); }

void TList::Assign(const TList* source) {
  if (!source || source == this) return;
  Clear();
  for (void* item : source->items_) Add(item);
}
