#include "framework/window/component.h"

#include <algorithm>
#include <cctype>

#include "framework/data/strings.h"

namespace {

bool IsValidIdent(const std::string& name) {
    if (name.empty()) return false;
    if (!(std::isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_')) return false;
    return std::all_of(name.begin(), name.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
}

}  // namespace

TComponent::TComponent(TComponent* owner) {
    if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
    state_.Include(csDestroying);
    // Partners first, so that none of them holds on to this component while the owned ones go.
    while (!freeNotifies_.empty()) {
        TComponent* partner = freeNotifies_.back();
        freeNotifies_.pop_back();
        partner->RemoveNotification(this);
        partner->Notification(this, opRemove);
    }
    while (!components_.empty()) {
        TComponent* child = components_.back();
        delete child;  // its destructor removes it from components_
    }
    if (owner_) owner_->RemoveComponent(this);
}

void TComponent::SetName(const std::string& name) {
    if (name == name_) return;
    if (!name.empty() && !IsValidIdent(name))
        throw EComponentError("\"" + name + "\" is not a valid component name");
    if (!name.empty() && owner_) {
        TComponent* other = owner_->FindComponent(name);
        if (other && other != this) throw EComponentError("A component named " + name + " already exists");
    }
    name_ = name;
}

int TComponent::ComponentIndex() const {
    if (!owner_) return -1;
    auto it = std::find(owner_->components_.begin(), owner_->components_.end(), this);
    return it == owner_->components_.end() ? -1 : static_cast<int>(it - owner_->components_.begin());
}

TComponent* TComponent::FindComponent(const std::string& name) const {
    if (name.empty()) return nullptr;
    for (TComponent* c : components_)
        if (SameText(c->name_, name)) return c;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
    if (!component || component->owner_ == this) return;
    if (!component->name_.empty() && FindComponent(component->name_))
        throw EComponentError("A component named " + component->name_ + " already exists");
    if (component->owner_) component->owner_->RemoveComponent(component);
    components_.push_back(component);
    component->owner_ = this;
    Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
    auto it = std::find(components_.begin(), components_.end(), component);
    if (it == components_.end()) return;
    Notification(component, opRemove);
    components_.erase(std::find(components_.begin(), components_.end(), component));
    component->owner_ = nullptr;
}

void TComponent::FreeNotification(TComponent* component) {
    if (!component || component == this) return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end())
        freeNotifies_.push_back(component);
    if (std::find(component->freeNotifies_.begin(), component->freeNotifies_.end(), this) ==
        component->freeNotifies_.end())
        component->freeNotifies_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
    if (!component) return;
    RemoveNotification(component);
    component->RemoveNotification(this);
}

void TComponent::RemoveNotification(TComponent* component) {
    freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), component), freeNotifies_.end());
}

void TComponent::SetLoading(bool loading) {
    if (loading) {
        state_.Include(csLoading).Include(csReading);
    } else {
        state_.Exclude(csLoading).Exclude(csReading);
    }
}

void TComponent::SetParentComponent(TComponent*) {}

void TComponent::Loaded() { state_.Exclude(csLoading).Exclude(csReading); }

void TComponent::Notification(TComponent* component, TOperation operation) {
    // An owner passes removals on to the components it owns, so that they drop references to the leaving one.
    if (operation != opRemove || !component) return;
    for (size_t i = 0; i < components_.size(); ++i)
        if (components_[i] != component) components_[i]->Notification(component, opRemove);
}
