// The ownership tree of the widget layer (portable: no Win32):
//
//   TObject      root with a virtual destructor; copying deleted
//   TComponent   owner and owned components, Name; an owner frees what it owns
//                and tells the others when one of them leaves
//
// Threads: a component tree belongs to one thread (the window thread for the
// program's own components).
//
// Lifetime: components are made with `new T(owner)` and belong to their owner,
// which frees them (last made, first freed) when it goes. Free a component
// yourself with Free(), which runs BeforeDestruction() while the object is
// still whole and then deletes it.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TObject {
 public:
  TObject() = default;
  virtual ~TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
};

using TNotifyEvent = std::function<void(TObject* sender)>;

enum TOperation { opInsert, opRemove };

class TComponent : public TObject {
 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;  // frees owned components, leaves the owner's list

  // BeforeDestruction(), then delete. The way to destroy a component.
  void Free();

  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }

  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const { return components_.at(index); }
  // The owned component of this exact name (case-sensitive), or nullptr.
  TComponent* FindComponent(std::string_view name) const;

  // True from the start of Free()/destruction on.
  bool Destroying() const { return destroying_; }

  // Told when a component leaves this component's owner (opRemove): the
  // owner and every component it still owns hear it, so a reference to a
  // sibling can be dropped before the sibling is gone.
  virtual void Notification(TComponent* component, TOperation operation);

 protected:
  // Runs at the start of Free() while the object is whole; the base version
  // frees the owned components (last made first). Overrides call it.
  virtual void BeforeDestruction();

 private:
  void InsertComponent(TComponent* c);
  void RemoveComponent(TComponent* c);

  TComponent* owner_ = nullptr;
  std::string name_;
  std::vector<TComponent*> components_;
  bool destroying_ = false;
};
