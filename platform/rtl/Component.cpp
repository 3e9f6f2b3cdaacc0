#include "platform/rtl/Component.h"

#include <algorithm>
#include <strings.h>

#include "platform/rtl/Exceptions.h"

namespace {
void EraseOne(std::vector<TComponent*>& v, TComponent* c) {
  auto it = std::find(v.begin(), v.end(), c);
  if (it != v.end()) v.erase(it);
}
}  // namespace

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  // Tell everyone watching us; each may call back into RemoveFreeNotification.
  while (!free_notifies_.empty()) {
    TComponent* c = free_notifies_.back();
    free_notifies_.pop_back();
    EraseOne(c->free_notifies_, this);
    c->Notification(this, opRemove);
  }
  DestroyComponents();
  if (owner_) owner_->RemoveComponent(this);
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return components_[static_cast<size_t>(index)];
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_)
    if (strcasecmp(c->name_.c_str(), name.c_str()) == 0) return c;
  return nullptr;
}

void TComponent::SetName(const std::string& name) {
  if (name == name_) return;
  if (!name.empty() && owner_) {
    TComponent* other = owner_->FindComponent(name);
    if (other && other != this) throw EComponentError("A component named " + name + " already exists");
  }
  name_ = name;
}

void TComponent::SetLoading(bool on) {
  if (on) {
    state_ |= csLoading;
  } else if (state_ & csLoading) {
    state_ &= ~csLoading;
    Loaded();
  }
}

void TComponent::SetUpdating(bool on) {
  if (on)
    state_ |= csUpdating;
  else
    state_ &= ~csUpdating;
}

void TComponent::Loaded() { state_ &= ~csLoading; }

void TComponent::InsertComponent(TComponent* c) {
  if (!c || c->owner_ == this) return;
  if (c->owner_) c->owner_->RemoveComponent(c);
  Insert(c);
  Notification(c, opInsert);
}

void TComponent::RemoveComponent(TComponent* c) {
  if (!c || c->owner_ != this) return;
  Notification(c, opRemove);
  Remove(c);
}

void TComponent::Insert(TComponent* c) {
  components_.push_back(c);
  c->owner_ = this;
}

void TComponent::Remove(TComponent* c) {
  EraseOne(components_, c);
  c->owner_ = nullptr;
}

void TComponent::FreeNotification(TComponent* c) {
  if (!c || c == this) return;
  if (std::find(free_notifies_.begin(), free_notifies_.end(), c) == free_notifies_.end()) free_notifies_.push_back(c);
  if (std::find(c->free_notifies_.begin(), c->free_notifies_.end(), this) == c->free_notifies_.end())
    c->free_notifies_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* c) {
  if (!c) return;
  EraseOne(free_notifies_, c);
  EraseOne(c->free_notifies_, this);
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* c = components_.back();
    Remove(c);
    delete c;
  }
}

void TComponent::Destroying() {
  if (state_ & csDestroying) return;
  state_ |= csDestroying;
  for (TComponent* c : components_) c->Destroying();
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  // The owner's children hear of each other's removal too, as the framework does.
  if (Operation == opRemove && AComponent)
    for (TComponent* c : std::vector<TComponent*>(components_))
      if (c != AComponent) c->Notification(AComponent, Operation);
}
