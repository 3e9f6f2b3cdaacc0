#include "platform/rtl/Collection.h"

#include <algorithm>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"

namespace {
[[noreturn]] void IndexError(int index) { throw EListError(Format("List index out of bounds (%d)", index)); }

class CollectionUpdateScope {
 public:
  explicit CollectionUpdateScope(TCollection* c) : c_(c) { c_->BeginUpdate(); }
  ~CollectionUpdateScope() { c_->EndUpdate(); }
  CollectionUpdateScope(const CollectionUpdateScope&) = delete;
  CollectionUpdateScope& operator=(const CollectionUpdateScope&) = delete;

 private:
  TCollection* c_;
};
}  // namespace

// ---- TCollectionItem ------------------------------------------------------------

TCollectionItem::TCollectionItem(TCollection* collection) { SetCollection(collection); }

TCollectionItem::~TCollectionItem() {
  if (collection_) collection_->RemoveItem(this);
}

void TCollectionItem::SetCollection(TCollection* collection) {
  if (collection == collection_) return;
  if (collection_) collection_->RemoveItem(this);
  if (collection) collection->InsertItem(this, collection->Count());
}

int TCollectionItem::Index() const {
  if (!collection_) return -1;
  const auto& items = collection_->items_;
  auto it = std::find(items.begin(), items.end(), this);
  return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

void TCollectionItem::SetIndex(int value) {
  if (collection_ && value != Index()) collection_->MoveItem(this, value);
}

void TCollectionItem::Changed(bool allItems) {
  if (collection_) collection_->Changed(allItems ? nullptr : this);
}

// ---- TCollection ------------------------------------------------------------------

TCollection::TCollection(TCollectionItemClass itemClass, TPersistent* owner)
    : itemClass_(std::move(itemClass)), owner_(owner) {}

TCollection::~TCollection() {
  // No notices from a dying collection: derived overrides are gone already.
  updateCount_ = 1;
  while (!items_.empty()) {
    TCollectionItem* item = items_.back();
    items_.pop_back();
    item->collection_ = nullptr;
    delete item;
  }
}

TCollectionItem* TCollection::Add() { return Insert(Count()); }

TCollectionItem* TCollection::Insert(int index) {
  if (index < 0 || index > Count()) IndexError(index);
  if (!itemClass_) throw EListError("Collection has no item class");
  TCollectionItem* item = itemClass_();
  if (!item) throw EListError("Collection item class made no item");
  if (item->collection_) item->collection_->RemoveItem(item);
  InsertItem(item, index);
  return item;
}

void TCollection::Delete(int index) {
  if (index < 0 || index >= Count()) IndexError(index);
  TCollectionItem* item = items_[index];
  Notify(item, cnDeleting);
  items_.erase(items_.begin() + index);
  item->collection_ = nullptr;
  delete item;
  Changed();
}

void TCollection::Clear() {
  if (items_.empty()) return;
  CollectionUpdateScope scope(this);
  while (!items_.empty()) Delete(Count() - 1);
}

TCollectionItem* TCollection::Items(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return items_[index];
}

void TCollection::SetItems(int index, const TCollectionItem* source) { Items(index)->Assign(source); }

TCollectionItem* TCollection::FindItemID(int id) const {
  for (TCollectionItem* item : items_)
    if (item->id_ == id) return item;
  return nullptr;
}

void TCollection::Assign(const TPersistent* source) {
  auto* src = dynamic_cast<const TCollection*>(source);
  if (!src) {
    TPersistent::Assign(source);
    return;
  }
  if (src == this) return;
  CollectionUpdateScope scope(this);
  Clear();
  for (TCollectionItem* item : src->items_) Add()->Assign(item);
}

void TCollection::BeginUpdate() { ++updateCount_; }

void TCollection::EndUpdate() {
  if (updateCount_ <= 0) return;
  if (--updateCount_ == 0 && changedInUpdate_) {
    changedInUpdate_ = false;
    Update(nullptr);
  }
}

void TCollection::Changed(TCollectionItem* item) {
  if (updateCount_ > 0) {
    changedInUpdate_ = true;
    return;
  }
  Update(item);
}

void TCollection::Update(TCollectionItem* item) {
  if (OnUpdate) OnUpdate(this, item);
}

void TCollection::InsertItem(TCollectionItem* item, int index) {
  items_.insert(items_.begin() + index, item);
  item->collection_ = this;
  item->id_ = nextId_++;
  Notify(item, cnAdded);
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* item) {
  auto it = std::find(items_.begin(), items_.end(), item);
  if (it == items_.end()) return;
  Notify(item, cnExtracting);
  items_.erase(it);
  item->collection_ = nullptr;
  Changed();
}

void TCollection::MoveItem(TCollectionItem* item, int newIndex) {
  int cur = item->Index();
  if (cur < 0) return;
  newIndex = std::clamp(newIndex, 0, Count() - 1);
  if (newIndex == cur) return;
  items_.erase(items_.begin() + cur);
  items_.insert(items_.begin() + newIndex, item);
  Changed();
}
