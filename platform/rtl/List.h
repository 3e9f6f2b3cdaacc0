// TList: an ordered list of untyped pointers. It never owns what it points
// to; derived lists that do hear every change through Notify.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/Object.h"

enum TListNotification { lnAdded, lnExtracted, lnDeleted };

// Negative when a sorts before b, 0 when equal, positive after.
using TListSortCompare = std::function<int(void* a, void* b)>;

class TList : public TObject {
 public:
  TList() = default;
  ~TList() override;
  std::string ClassName() const override { return "TList"; }

  int Add(void* item);
  void Insert(int index, void* item);
  void Delete(int index);
  // Removes the first occurrence; returns its former index or -1.
  int Remove(void* item);
  // Removes the first occurrence without the lnDeleted notice; returns the
  // item, or nullptr when absent.
  void* Extract(void* item);
  int IndexOf(void* item) const;

  // Index errors raise EListError "List index out of bounds (%d)".
  void* Items(int index) const;
  void SetItems(int index, void* item);
  void* operator[](int index) const { return Items(index); }

  int Count() const { return static_cast<int>(items_.size()); }
  // Growing pads with nullptr; shrinking deletes from the end.
  void SetCount(int newCount);
  int Capacity() const { return static_cast<int>(items_.capacity()); }
  // Raises EListError "List capacity out of bounds (%d)" below Count.
  void SetCapacity(int newCapacity);
  void Clear();

  void Exchange(int index1, int index2);
  // Takes the item at curIndex out and puts it back at newIndex.
  void Move(int curIndex, int newIndex);
  // Stable: equal items keep their order.
  void Sort(const TListSortCompare& compare);
  // Raise EListError on an empty list.
  void* First() const;
  void* Last() const;
  // Drops every nullptr entry.
  void Pack();
  // Makes this a copy of source's items.
  void Assign(const TList* source);
  const std::vector<void*>& List() const { return items_; }

  [[noreturn]] static void Error(const std::string& messageFormat, int data);

 protected:
  virtual void Notify(void* /*item*/, TListNotification /*action*/) {}

 private:
  void CheckIndex(int index) const;
  std::vector<void*> items_;
};
