#pragma once
// Components: objects with an owner that frees them, a name, a tag, and the
// loading protocol of a stored form description (every property set while
// Loading(), then one Loaded() per component in creation order).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fw {

class TObject {
public:
    virtual ~TObject() = default;
};

class TComponent;
using TNotifyEvent = std::function<void(TObject* sender)>;

enum class TOperation { opInsert, opRemove };

class TComponent : public TObject {
public:
    // The owner frees this component when it is freed itself.
    explicit TComponent(TComponent* owner);
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;
    ~TComponent() override;

    TComponent* Owner() const noexcept { return owner_; }
    const std::wstring& Name() const noexcept { return name_; }
    void SetName(std::wstring name) { name_ = std::move(name); }
    std::intptr_t Tag() const noexcept { return tag_; }
    void SetTag(std::intptr_t tag) noexcept { tag_ = tag; }

    int ComponentCount() const noexcept { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const { return components_.at(static_cast<size_t>(index)); }
    TComponent* FindComponent(std::wstring_view name) const;

    // Loading: set from creation in a form description until Loaded.
    bool Loading() const noexcept { return loading_; }
    bool Destroying() const noexcept { return destroying_; }
    // Marks this component and the ones it owns as loading (a form does this
    // before it creates its components; each new component of a loading
    // owner starts loading too).
    void BeginLoading();
    // Ends loading: Loaded() on every owned component in creation order, then on this one.
    void EndLoading();

    // Marks the component and what it owns as being destroyed; the first
    // thing a destructor of a component with windows or events does.
    void SetDestroying() noexcept;

    // Asks to be told (Notification opRemove) when other is freed.
    void FreeNotification(TComponent* other);
    void RemoveFreeNotification(TComponent* other) noexcept;

protected:
    // All stored properties are set: apply what was deferred while loading.
    virtual void Loaded();
    virtual void Notification(TComponent* component, TOperation operation);
    // Frees the owned components, last created first. Derived destructors may
    // call it early, while the rest of the object is still whole.
    void DestroyComponents() noexcept;

private:
    void Insert(TComponent* component);
    void Remove(TComponent* component) noexcept;

    TComponent* owner_;
    std::wstring name_;
    std::intptr_t tag_ = 0;
    bool loading_ = false;
    bool destroying_ = false;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
};

}  // namespace fw
