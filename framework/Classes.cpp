#include "framework/Classes.h"

#include <algorithm>

namespace fw {

TComponent::TComponent(TComponent* owner) : owner_(nullptr) {
    if (owner) {
        owner->Insert(this);
        loading_ = owner->Loading();
    }
}

TComponent::~TComponent() {
    SetDestroying();
    DestroyComponents();
    // Tell whoever asked; they drop their references to this component.
    while (!freeNotifies_.empty()) {
        TComponent* other = freeNotifies_.back();
        freeNotifies_.pop_back();
        auto& back = other->freeNotifies_;
        back.erase(std::remove(back.begin(), back.end(), this), back.end());
        other->Notification(this, TOperation::opRemove);
    }
    if (owner_) owner_->Remove(this);
}

void TComponent::Insert(TComponent* component) {
    components_.push_back(component);
    component->owner_ = this;
    Notification(component, TOperation::opInsert);
}

void TComponent::Remove(TComponent* component) noexcept {
    components_.erase(std::remove(components_.begin(), components_.end(), component), components_.end());
    component->owner_ = nullptr;
    Notification(component, TOperation::opRemove);
}

TComponent* TComponent::FindComponent(std::wstring_view name) const {
    for (TComponent* c : components_) {
        if (c->name_ == name) return c;
    }
    return nullptr;
}

void TComponent::BeginLoading() {
    loading_ = true;
    for (TComponent* c : components_) c->BeginLoading();
}

void TComponent::EndLoading() {
    // Loaded may create components; walk by index.
    for (size_t i = 0; i < components_.size(); ++i) {
        if (components_[i]->loading_) components_[i]->Loaded();
    }
    if (loading_) Loaded();
}

void TComponent::Loaded() { loading_ = false; }

void TComponent::SetDestroying() noexcept {
    if (destroying_) return;
    destroying_ = true;
    for (TComponent* c : components_) c->SetDestroying();
}

void TComponent::Notification(TComponent* /*component*/, TOperation /*operation*/) {}

void TComponent::FreeNotification(TComponent* other) {
    if (!other || other == this) return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), other) == freeNotifies_.end()) {
        freeNotifies_.push_back(other);
        other->freeNotifies_.push_back(this);
    }
}

void TComponent::RemoveFreeNotification(TComponent* other) noexcept {
    freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), other), freeNotifies_.end());
    if (other) {
        auto& back = other->freeNotifies_;
        back.erase(std::remove(back.begin(), back.end(), this), back.end());
    }
}

void TComponent::DestroyComponents() noexcept {
    while (!components_.empty()) {
        TComponent* c = components_.back();
        Remove(c);
        delete c;
    }
}

}  // namespace fw
