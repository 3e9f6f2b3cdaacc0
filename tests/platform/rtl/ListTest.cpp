#include <gtest/gtest.h>

#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/List.h"

namespace {
int v[6] = {0, 1, 2, 3, 4, 5};
void* P(int i) { return &v[i]; }

std::vector<int> Values(const TList& l) {
  std::vector<int> out;
  for (int i = 0; i < l.Count(); ++i) out.push_back(l[i] ? *static_cast<int*>(l[i]) : -1);
  return out;
}

// Logs notices as an owning list would see them.
class LoggingList : public TList {
 public:
  std::vector<std::pair<void*, TListNotification>> log;
  ~LoggingList() override { Clear(); }

 protected:
  void Notify(void* item, TListNotification action) override { log.emplace_back(item, action); }
};
}  // namespace

TEST(List, InsertDeleteMoveExchangeKeepOrder) {
  TList l;
  for (int i : {1, 2, 4}) l.Add(P(i));
  l.Insert(0, P(0));
  l.Insert(3, P(3));
  EXPECT_EQ(Values(l), (std::vector<int>{0, 1, 2, 3, 4}));
  l.Move(0, 4);
  EXPECT_EQ(Values(l), (std::vector<int>{1, 2, 3, 4, 0}));
  l.Exchange(0, 4);
  EXPECT_EQ(Values(l), (std::vector<int>{0, 2, 3, 4, 1}));
  l.Delete(1);
  EXPECT_EQ(Values(l), (std::vector<int>{0, 3, 4, 1}));
  EXPECT_EQ(l.Remove(P(4)), 2);
  EXPECT_EQ(l.Remove(P(4)), -1);
  EXPECT_EQ(l.First(), P(0));
  EXPECT_EQ(l.Last(), P(1));
}

TEST(List, OutOfRangeIndexRaisesWithTheIndex) {
  TList l;
  l.Add(P(0));
  struct Case {
    const char* what;
    std::function<void()> call;
    const char* message;
  } cases[] = {
      {"Items(1)", [&] { l.Items(1); }, "List index out of bounds (1)"},
      {"Items(-1)", [&] { l.Items(-1); }, "List index out of bounds (-1)"},
      {"Delete(1)", [&] { l.Delete(1); }, "List index out of bounds (1)"},
      {"Insert(2)", [&] { l.Insert(2, nullptr); }, "List index out of bounds (2)"},
      {"SetItems(3)", [&] { l.SetItems(3, nullptr); }, "List index out of bounds (3)"},
      {"Exchange(0,5)", [&] { l.Exchange(0, 5); }, "List index out of bounds (5)"},
      {"Move(0,1)", [&] { l.Move(0, 1); }, "List index out of bounds (1)"},
      {"SetCount(-1)", [&] { l.SetCount(-1); }, "List count out of bounds (-1)"},
      {"SetCapacity(0)", [&] { l.SetCapacity(0); }, "List capacity out of bounds (0)"},
  };
  for (const Case& c : cases) {
    try {
      c.call();
      ADD_FAILURE() << c.what << " did not raise";
    } catch (const EListError& e) {
      EXPECT_EQ(e.Message(), c.message) << c.what;
    }
  }
  EXPECT_EQ(l.Count(), 1);
  TList empty;
  EXPECT_THROW(empty.First(), EListError);
  EXPECT_THROW(empty.Last(), EListError);
}

TEST(List, SetCountPadsWithNullAndPackDropsThem) {
  TList l;
  l.Add(P(1));
  l.SetCount(3);
  l.Add(P(2));
  EXPECT_EQ(Values(l), (std::vector<int>{1, -1, -1, 2}));
  l.Pack();
  EXPECT_EQ(Values(l), (std::vector<int>{1, 2}));
  l.SetCount(1);
  EXPECT_EQ(Values(l), (std::vector<int>{1}));
}

TEST(List, SortIsStableByTheCompare) {
  struct Rec {
    int key;
    int order;
  } recs[] = {{3, 0}, {1, 1}, {3, 2}, {2, 3}, {1, 4}};
  TList l;
  for (Rec& r : recs) l.Add(&r);
  l.Sort([](void* a, void* b) { return static_cast<Rec*>(a)->key - static_cast<Rec*>(b)->key; });
  std::vector<int> order;
  for (int i = 0; i < l.Count(); ++i) order.push_back(static_cast<Rec*>(l[i])->order);
  EXPECT_EQ(order, (std::vector<int>{1, 4, 3, 0, 2}));
}

TEST(List, NotifiesAddsDeletesAndExtractions) {
  LoggingList l;
  l.Add(P(1));
  l.Add(P(2));
  l.Add(P(3));
  EXPECT_EQ(l.Extract(P(2)), P(2));
  EXPECT_EQ(l.Extract(P(2)), nullptr);
  l.Delete(0);
  l.Clear();
  std::vector<std::pair<void*, TListNotification>> expected = {
      {P(1), lnAdded}, {P(2), lnAdded}, {P(3), lnAdded}, {P(2), lnExtracted}, {P(1), lnDeleted}, {P(3), lnDeleted}};
  EXPECT_EQ(l.log, expected);
}

TEST(List, AssignCopiesItems) {
  TList a, b;
  a.Add(P(4));
  a.Add(P(5));
  b.Add(P(0));
  b.Assign(&a);
  EXPECT_EQ(Values(b), (std::vector<int>{4, 5}));
  b.Assign(&b);
  EXPECT_EQ(b.Count(), 2);
}
