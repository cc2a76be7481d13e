#include "framework/Component.h"

#include <algorithm>

#include "framework/Properties.h"

namespace fw {

TComponent::TComponent(TComponent* owner) : owner_(owner) {
  if (owner_) {
    owner_->Insert(this);
    designing_ = owner_->designing_;
  }
}

TComponent::~TComponent() {
  DestroyComponents();
  if (owner_) owner_->Remove(this);
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* last = components_.back();
    components_.pop_back();
    last->owner_ = nullptr;
    delete last;
  }
}

void TComponent::Remove(TComponent* c) {
  auto it = std::find(components_.begin(), components_.end(), c);
  if (it != components_.end()) components_.erase(it);
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  for (TComponent* c : components_) {
    if (c->name_ == name) return c;
  }
  return nullptr;
}

void TComponent::SetDesigning(bool designing) {
  designing_ = designing;
  for (TComponent* c : components_) c->SetDesigning(designing);
}

const PropertyTable& TComponent::ClassProperties() {
  static const PropertyTable table(nullptr, {});
  return table;
}

}  // namespace fw
