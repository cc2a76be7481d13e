// Components: named objects with an owner that destroys what it owns.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace fw {

class PropertyTable;

// Root of everything that can be the sender of an event.
class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;
};

// An event that carries only its sender. An empty one is skipped.
using TNotifyEvent = std::function<void(TObject* sender)>;

// Calls `event` with `sender` if it is assigned.
inline void Raise(const TNotifyEvent& event, TObject* sender) {
  if (event) event(sender);
}

class TComponent : public TObject {
 public:
  // Owned by `owner` (if any), which deletes this component when it is deleted.
  explicit TComponent(TComponent* owner);
  // Deletes every owned component, last first, and leaves the owner's list.
  ~TComponent() override;

  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }

  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const { return components_.at(index); }
  // The owned component with this name, or null.
  TComponent* FindComponent(const std::string& name) const;

  // A form being edited: controls raise no change events and build no regions.
  bool Designing() const { return designing_; }
  void SetDesigning(bool designing);
  // True while a stored layout is being applied to this component.
  bool Loading() const { return loading_; }
  void SetLoading(bool loading) { loading_ = loading; }

  // Called once a stored layout has been applied.
  virtual void Loaded() { loading_ = false; }

  // The published properties of this object's class, base classes included.
  virtual const PropertyTable& Properties() const { return ClassProperties(); }
  // The table of this class; a derived class's table names it as its base.
  static const PropertyTable& ClassProperties();

 protected:
  // Deletes the owned components now (last first). Derived destructors whose
  // parts the owned components may still use call this first.
  void DestroyComponents();

 private:
  void Insert(TComponent* c) { components_.push_back(c); }
  void Remove(TComponent* c);

  TComponent* owner_ = nullptr;
  std::vector<TComponent*> components_;
  std::string name_;
  bool designing_ = false;
  bool loading_ = false;
};

}  // namespace fw
