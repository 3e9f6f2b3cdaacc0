// TComponent: ownership, names, tags and free notification.
#pragma once
#include <string>
#include <vector>

#include "platform/rtl/Object.h"

enum TOperation { opInsert, opRemove };

using TComponentState = unsigned;
constexpr TComponentState csLoading = 1u << 0;
constexpr TComponentState csReading = 1u << 1;
constexpr TComponentState csWriting = 1u << 2;
constexpr TComponentState csDestroying = 1u << 3;
constexpr TComponentState csDesigning = 1u << 4;
constexpr TComponentState csAncestor = 1u << 5;
constexpr TComponentState csUpdating = 1u << 6;
constexpr TComponentState csFixups = 1u << 7;

class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;
  std::string ClassName() const override { return "TComponent"; }

  TComponent* Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const;
  const std::vector<TComponent*>& ComponentList() const { return components_; }
  TComponent* FindComponent(const std::string& name) const;

  const std::string& Name() const { return name_; }
  // Raises EComponentError when a sibling of the same owner has the name
  // (compared ignoring case); an empty name is always allowed.
  virtual void SetName(const std::string& name);
  intptr_t Tag = 0;

  TComponentState ComponentState() const { return state_; }
  void SetLoading(bool on);  // enters or leaves csLoading; leaving calls Loaded()
  void SetUpdating(bool on);

  void InsertComponent(TComponent* c);
  void RemoveComponent(TComponent* c);
  // c will tell this component, through Notification(c, opRemove), when it goes.
  void FreeNotification(TComponent* c);
  void RemoveFreeNotification(TComponent* c);
  // Frees the owned components, last first.
  void DestroyComponents();
  // Marks this component and every owned one as being destroyed.
  void Destroying();

 protected:
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  virtual void Loaded();
  void SetState(TComponentState s) { state_ = s; }

 private:
  void Insert(TComponent* c);
  void Remove(TComponent* c);

  TComponent* owner_ = nullptr;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> free_notifies_;
  std::string name_;
  TComponentState state_ = 0;
};
