#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rtl/Component.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Resources.h"

namespace {
// Records the notifications it receives and clears its reference like a form
// field would.
class Watcher : public TComponent {
 public:
  using TComponent::TComponent;
  TComponent* watched = nullptr;
  std::vector<std::pair<TComponent*, TOperation>> log;

 protected:
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    log.emplace_back(c, op);
    if (op == opRemove && c == watched) watched = nullptr;
  }
};

class Counted : public TComponent {
 public:
  Counted(TComponent* owner, std::vector<std::string>& order, std::string tag)
      : TComponent(owner), order_(order), tag_(std::move(tag)) {}
  ~Counted() override { order_.push_back(tag_); }

 private:
  std::vector<std::string>& order_;
  std::string tag_;
};

class LoadCounter : public TComponent {
 public:
  using TComponent::TComponent;
  int loaded = 0;

 protected:
  void Loaded() override {
    TComponent::Loaded();
    ++loaded;
  }
};
}  // namespace

TEST(Component, OwnerFreesOwnedComponentsLastFirst) {
  std::vector<std::string> order;
  auto* owner = new TComponent(nullptr);
  new Counted(owner, order, "a");
  new Counted(owner, order, "b");
  EXPECT_EQ(owner->ComponentCount(), 2);
  delete owner;
  EXPECT_EQ(order, (std::vector<std::string>{"b", "a"}));
}

TEST(Component, FreedChildLeavesItsOwner) {
  TComponent owner(nullptr);
  auto* child = new TComponent(&owner);
  EXPECT_EQ(child->Owner(), &owner);
  delete child;
  EXPECT_EQ(owner.ComponentCount(), 0);
  EXPECT_THROW(owner.Components(0), EListError);
}

TEST(Component, FreeNotificationClearsReferenceAcrossOwners) {
  TComponent ownerA(nullptr), ownerB(nullptr);
  auto* watcher = new Watcher(&ownerA);
  auto* target = new TComponent(&ownerB);
  watcher->watched = target;
  target->FreeNotification(watcher);
  delete target;
  EXPECT_EQ(watcher->watched, nullptr);
  ASSERT_FALSE(watcher->log.empty());
  EXPECT_EQ(watcher->log.back().second, opRemove);
}

TEST(Component, RemovedFreeNotificationIsNotSent) {
  Watcher watcher(nullptr);
  auto* target = new TComponent(nullptr);
  target->FreeNotification(&watcher);
  target->RemoveFreeNotification(&watcher);
  delete target;
  EXPECT_TRUE(watcher.log.empty());
}

TEST(Component, WatcherFreedFirstIsForgotten) {
  auto* target = new TComponent(nullptr);
  auto* gone = new Watcher(nullptr);
  Watcher stays(nullptr);
  target->FreeNotification(gone);
  target->FreeNotification(&stays);
  delete gone;
  delete target;  // must not call into the freed watcher (ASan would catch it)
  ASSERT_EQ(stays.log.size(), 1u);
  EXPECT_EQ(stays.log[0].first, target);
  EXPECT_EQ(stays.log[0].second, opRemove);
}

TEST(Component, OwnerHearsInsertAndRemove) {
  Watcher owner(nullptr);
  auto* child = new TComponent(&owner);
  delete child;
  ASSERT_EQ(owner.log.size(), 2u);
  EXPECT_EQ(owner.log[0].second, opInsert);
  EXPECT_EQ(owner.log[1].second, opRemove);
}

TEST(Component, NamesAreUniqueAmongSiblingsIgnoringCase) {
  TComponent owner(nullptr);
  auto* a = new TComponent(&owner);
  auto* b = new TComponent(&owner);
  a->SetName("Btn_Next");
  EXPECT_THROW(b->SetName("btn_next"), EComponentError);
  b->SetName("Btn_Back");
  EXPECT_EQ(owner.FindComponent("BTN_BACK"), b);
  EXPECT_EQ(owner.FindComponent("missing"), nullptr);
}

TEST(Component, LeavingLoadingCallsLoadedOnce) {
  LoadCounter c(nullptr);
  c.SetLoading(true);
  EXPECT_TRUE(c.ComponentState() & csLoading);
  c.SetLoading(false);
  c.SetLoading(false);
  EXPECT_EQ(c.loaded, 1);
  EXPECT_FALSE(c.ComponentState() & csLoading);
}

TEST(Component, DestroyingMarksOwnedComponents) {
  TComponent owner(nullptr);
  auto* child = new TComponent(&owner);
  owner.Destroying();
  EXPECT_TRUE(child->ComponentState() & csDestroying);
}

TEST(Resources, EmbeddedTestResourceIsFoundIgnoringCase) {
  TResourceData r = FindResourceData("RCDATA", "lumiqaselftest");
  ASSERT_TRUE(r);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.Data), r.Size), "Lumiqa resource check\n");
  EXPECT_TRUE(FindResourceData("", "LUMIQASELFTEST"));
  EXPECT_FALSE(FindResourceData("BITMAP", "LumiqaSelfTest"));
  EXPECT_FALSE(FindResourceData("", "NoSuchResource"));
}
