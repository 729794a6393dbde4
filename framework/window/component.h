// TComponent: the owner tree of named components. An owner frees the components it owns when it goes; every
// component that goes tells its owner and the components that asked for it (FreeNotification) through
// Notification(component, opRemove), so nobody keeps a pointer to a freed component. Components also carry the
// named handlers that a stored form description binds to events (DefineMethod / FindMethod).
#pragma once

#include <any>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "framework/base/exception.h"
#include "framework/window/types.h"

// An operation that the object's state does not allow (the classic framework's EInvalidOperation).
class EInvalidOperation : public Exception {
public:
    using Exception::Exception;
};

// A component name that is not a valid identifier or is taken by a sibling.
class EComponentError : public Exception {
public:
    using Exception::Exception;
};

enum TOperation { opInsert, opRemove };
enum TComponentStateFlag { csLoading, csReading, csWriting, csDestroying, csDesigning };
using TComponentState = TSet<TComponentStateFlag>;

class TComponent {
public:
    // REQUIRES: owner, when given, outlives this component or frees it.
    explicit TComponent(TComponent* owner);
    // Frees the owned components (last first), then tells the owner and every free-notification partner.
    virtual ~TComponent();
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    const std::string& Name() const { return name_; }
    // A valid identifier (or empty) that no other component of the owner has (case ignored); else EComponentError.
    virtual void SetName(const std::string& name);
    TComponent* Owner() const { return owner_; }
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    // REQUIRES: 0 <= index < ComponentCount().
    TComponent* Components(int index) const { return components_.at(static_cast<size_t>(index)); }
    int ComponentIndex() const;
    // The owned component of that name (case ignored), or nullptr.
    TComponent* FindComponent(const std::string& name) const;
    // Moves the component into this owner's list (out of its previous owner's).
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);

    // Asks to be told (Notification opRemove) when component goes; the partnership works both ways.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

    TComponentState ComponentState() const { return state_; }
    bool Loading() const { return state_.Contains(csLoading); }
    bool Destroying() const { return state_.Contains(csDestroying); }
    // The reader marks components loading while it sets their stored properties, then calls Loaded.
    void SetLoading(bool loading);
    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

    // The component in whose block a stored description nested this one; a control takes it as its parent.
    virtual void SetParentComponent(TComponent* parent);
    // Called after the stored properties of a whole description are set and its references resolved.
    virtual void Loaded();

    // Named handlers for stored event bindings ("OnCreate = FormCreate"). The signature is part of the name's
    // entry: FindMethod<Sig> gives nullptr for a name defined with another signature.
    template <class Sig>
    void DefineMethod(const std::string& name, std::function<Sig> handler) {
        methods_[name] = std::move(handler);
    }
    template <class Sig>
    const std::function<Sig>* FindMethod(const std::string& name) const {
        auto it = methods_.find(name);
        if (it == methods_.end()) return nullptr;
        return std::any_cast<std::function<Sig>>(&it->second);
    }
    bool HasMethod(const std::string& name) const { return methods_.count(name) != 0; }

protected:
    // Told when a component this one owns, or one it asked about, is inserted or removed.
    virtual void Notification(TComponent* component, TOperation operation);
    // Derived destructors call this first so that notifications during teardown see the flag.
    void MarkDestroying() { state_.Include(csDestroying); }

private:
    void RemoveNotification(TComponent* component);

    std::string name_;                       // unique among the owner's components, case ignored
    TComponent* owner_ = nullptr;            // frees this component; nullptr for a root
    std::vector<TComponent*> components_;    // owned, in insertion order
    std::vector<TComponent*> freeNotifies_;  // partners told when either side goes
    TComponentState state_;                  // loading, destroying, ...
    int tag_ = 0;                            // free for the program's use
    std::map<std::string, std::any> methods_;  // named handlers for stored event bindings
};
