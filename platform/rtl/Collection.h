// TCollection and TCollectionItem: an owned, ordered list of items of one
// class, made by the collection's item factory. Items belong to at most one
// collection; deleting an item takes it out of its collection.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/Object.h"

class TCollection;

class TCollectionItem : public TPersistent {
 public:
  // With a collection, the item appends itself to it.
  explicit TCollectionItem(TCollection* collection = nullptr);
  ~TCollectionItem() override;
  std::string ClassName() const override { return "TCollectionItem"; }

  TCollection* Collection() const { return collection_; }
  // Moves the item to another collection (or none).
  void SetCollection(TCollection* collection);
  // Unique within the collection, never reused while it lives.
  int ID() const { return id_; }
  // Position in the collection, -1 when in none. SetIndex moves it.
  int Index() const;
  void SetIndex(int value);
  // The class name unless a derived item names itself.
  virtual std::string DisplayName() const { return ClassName(); }

 protected:
  // Tells the collection this item (or, with allItems, every item) changed.
  void Changed(bool allItems);

 private:
  friend class TCollection;
  TCollection* collection_ = nullptr;
  int id_ = 0;
};

// Makes an item of the collection's item class; the item is made without a
// collection and added by the caller.
using TCollectionItemClass = std::function<TCollectionItem*()>;

template <class T>
TCollectionItemClass CollectionItemClassOf() {
  return [] { return new T(nullptr); };
}

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

class TCollection : public TPersistent {
 public:
  explicit TCollection(TCollectionItemClass itemClass, TPersistent* owner = nullptr);
  // Frees every item.
  ~TCollection() override;
  std::string ClassName() const override { return "TCollection"; }

  TCollectionItem* Add();
  TCollectionItem* Insert(int index);
  // Index errors raise EListError "List index out of bounds (%d)".
  void Delete(int index);
  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }
  TCollectionItem* Items(int index) const;
  // Copies source into the item at index through the item's Assign.
  void SetItems(int index, const TCollectionItem* source);
  TCollectionItem* FindItemID(int id) const;
  TPersistent* Owner() const { return owner_; }

  // Clears and copies item by item through the items' Assign; the items are
  // made by this collection's factory.
  void Assign(const TPersistent* source) override;

  // Changes inside an update are reported once, as Update(nullptr), at the
  // last EndUpdate.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }

  // Called after item changes (nullptr: the whole collection) outside updates.
  std::function<void(TCollection* sender, TCollectionItem* item)> OnUpdate;

 protected:
  // Derived collections override to react; the base calls OnUpdate.
  virtual void Update(TCollectionItem* item);
  virtual void Notify(TCollectionItem* /*item*/, TCollectionNotification /*action*/) {}
  // Reports a change now or, inside an update, at its end.
  void Changed(TCollectionItem* item = nullptr);

 private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* item, int index);
  void RemoveItem(TCollectionItem* item);
  void MoveItem(TCollectionItem* item, int newIndex);

  TCollectionItemClass itemClass_;
  TPersistent* owner_;
  std::vector<TCollectionItem*> items_;
  int nextId_ = 0;
  int updateCount_ = 0;
  bool changedInUpdate_ = false;
};

// The framework's name for a collection that reports an owner.
class TOwnedCollection : public TCollection {
 public:
  TOwnedCollection(TPersistent* owner, TCollectionItemClass itemClass)
      : TCollection(std::move(itemClass), owner) {}
  std::string ClassName() const override { return "TOwnedCollection"; }
};
