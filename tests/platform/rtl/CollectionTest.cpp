#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rtl/Collection.h"
#include "platform/rtl/Exceptions.h"

namespace {
class Section : public TCollectionItem {
 public:
  explicit Section(TCollection* c) : TCollectionItem(c) {}
  std::string ClassName() const override { return "Section"; }
  std::string Caption;
  int Width = 0;
  void SetWidth(int w) {
    Width = w;
    Changed(false);
  }
  void Assign(const TPersistent* source) override {
    if (auto* s = dynamic_cast<const Section*>(source)) {
      Caption = s->Caption;
      Width = s->Width;
      return;
    }
    TCollectionItem::Assign(source);
  }
};

std::vector<std::string> Captions(const TCollection& c) {
  std::vector<std::string> out;
  for (int i = 0; i < c.Count(); ++i) out.push_back(static_cast<Section*>(c.Items(i))->Caption);
  return out;
}

Section* AddSection(TCollection& c, const std::string& caption) {
  auto* s = static_cast<Section*>(c.Add());
  s->Caption = caption;
  return s;
}
}  // namespace

TEST(Collection, AddInsertIndexAndIdsStayUnique) {
  TCollection c(CollectionItemClassOf<Section>());
  Section* a = AddSection(c, "a");
  Section* b = AddSection(c, "b");
  auto* z = static_cast<Section*>(c.Insert(0));
  z->Caption = "z";
  EXPECT_EQ(Captions(c), (std::vector<std::string>{"z", "a", "b"}));
  EXPECT_EQ(a->Index(), 1);
  EXPECT_EQ(a->Collection(), &c);
  EXPECT_NE(a->ID(), b->ID());
  EXPECT_NE(z->ID(), a->ID());
  int bId = b->ID();
  c.Delete(2);
  EXPECT_EQ(c.FindItemID(bId), nullptr);
  Section* d = AddSection(c, "d");
  EXPECT_NE(d->ID(), bId);
  EXPECT_EQ(c.FindItemID(d->ID()), d);
}

TEST(Collection, SetIndexMovesAndDeletingAnItemLeavesTheCollection) {
  TCollection c(CollectionItemClassOf<Section>());
  for (const char* t : {"a", "b", "c", "d"}) AddSection(c, t);
  c.Items(0)->SetIndex(2);
  EXPECT_EQ(Captions(c), (std::vector<std::string>{"b", "c", "a", "d"}));
  c.Items(3)->SetIndex(99);  // clamped to the last place
  EXPECT_EQ(Captions(c), (std::vector<std::string>{"b", "c", "a", "d"}));
  delete c.Items(1);
  EXPECT_EQ(Captions(c), (std::vector<std::string>{"b", "a", "d"}));
  Section loose(nullptr);
  EXPECT_EQ(loose.Index(), -1);
  EXPECT_THROW(c.Items(3), EListError);
  EXPECT_THROW(c.Delete(-1), EListError);
  EXPECT_THROW(c.Insert(5), EListError);
}

TEST(Collection, ItemMovesBetweenCollections) {
  TCollection a(CollectionItemClassOf<Section>()), b(CollectionItemClassOf<Section>());
  Section* s = AddSection(a, "s");
  s->SetCollection(&b);
  EXPECT_EQ(a.Count(), 0);
  ASSERT_EQ(b.Count(), 1);
  EXPECT_EQ(b.Items(0), s);
  EXPECT_EQ(s->Collection(), &b);
}

TEST(Collection, AssignCopiesItemByItemThroughItemAssign) {
  TCollection src(CollectionItemClassOf<Section>()), dst(CollectionItemClassOf<Section>());
  AddSection(src, "one")->Width = 10;
  AddSection(src, "two")->Width = 20;
  AddSection(dst, "old");
  int updates = 0;
  dst.OnUpdate = [&](TCollection*, TCollectionItem* item) {
    ++updates;
    EXPECT_EQ(item, nullptr);
  };
  dst.Assign(&src);
  EXPECT_EQ(updates, 1);
  EXPECT_EQ(Captions(dst), (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(static_cast<Section*>(dst.Items(1))->Width, 20);
  EXPECT_NE(dst.Items(0), src.Items(0));
}

TEST(Collection, UpdateReportsItemChangesOrOnceAfterAnUpdate) {
  TPersistent owner;
  TOwnedCollection c(&owner, CollectionItemClassOf<Section>());
  EXPECT_EQ(c.Owner(), &owner);
  Section* s = AddSection(c, "s");
  std::vector<TCollectionItem*> seen;
  c.OnUpdate = [&](TCollection* sender, TCollectionItem* item) {
    EXPECT_EQ(sender, &c);
    seen.push_back(item);
  };
  s->SetWidth(5);
  EXPECT_EQ(seen, (std::vector<TCollectionItem*>{s}));
  seen.clear();
  c.BeginUpdate();
  s->SetWidth(6);
  AddSection(c, "t");
  c.Delete(0);
  EXPECT_TRUE(seen.empty());
  c.EndUpdate();
  EXPECT_EQ(seen, (std::vector<TCollectionItem*>{nullptr}));
}

TEST(Collection, AssignFromUnrelatedClassRaises) {
  TCollection c(CollectionItemClassOf<Section>());
  TPersistent other;
  EXPECT_THROW(c.Assign(&other), EConvertError);
  Section item(nullptr);
  EXPECT_THROW(item.Assign(&other), EConvertError);
}
