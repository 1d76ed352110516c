// The ownership tree: owner lists, freeing order and removal notifications.
#include "ui/component.h"

#include <algorithm>

TComponent::TComponent(TComponent* owner) {
  if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  destroying_ = true;
  while (!components_.empty()) components_.back()->Free();  // each leaves the list
  if (owner_) owner_->RemoveComponent(this);
}

void TComponent::Free() {
  if (destroying_) return;
  destroying_ = true;
  BeforeDestruction();
  delete this;
}

void TComponent::BeforeDestruction() {
  // Owned components go while this one is still whole: their destructors may
  // still use it (a component that subclassed its owner's window puts the old
  // procedure back).
  while (!components_.empty()) components_.back()->Free();
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_) {
    if (c->name_ == name) return c;
  }
  return nullptr;
}

void TComponent::Notification(TComponent*, TOperation) {}

void TComponent::InsertComponent(TComponent* c) {
  c->owner_ = this;
  components_.push_back(c);
}

void TComponent::RemoveComponent(TComponent* c) {
  components_.erase(std::remove(components_.begin(), components_.end(), c), components_.end());
  c->owner_ = nullptr;
  Notification(c, opRemove);
  const std::vector<TComponent*> others = components_;
  for (TComponent* o : others) o->Notification(c, opRemove);
}
