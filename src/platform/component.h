// Components: named objects with a tag, owned by another component that
// destroys them (a form owns its controls).
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/classes.h"

namespace vr {

class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* AOwner) : FOwner(AOwner) {}
  ~TComponent() override { DestroyComponents(); }
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;
  const char* ClassName() const override { return "TComponent"; }

  TComponent* Owner() const { return FOwner; }

  // Runs once the owner has made all its components (a form its controls,
  // before its own start-up handler): each owned component's Loaded, in the
  // order they were made. Components that act on their loaded settings
  // (a player that opens its file) add to it.
  virtual void Loaded() {
    for (const std::unique_ptr<TComponent>& c : FComponents) c->Loaded();
  }
  std::string Name;
  int Tag = 0;

  // Creates a component owned by this one: Make<TButton>(parent, ...)
  // constructs TButton(this, parent, ...).
  template <typename T, typename... Args>
  T* Make(Args&&... args) {
    auto owned = std::make_unique<T>(this, std::forward<Args>(args)...);
    T* raw = owned.get();
    FComponents.push_back(std::move(owned));
    return raw;
  }

 protected:
  // Destroys the owned components, last made first.
  void DestroyComponents() {
    while (!FComponents.empty()) {
      std::unique_ptr<TComponent> last = std::move(FComponents.back());
      FComponents.pop_back();
      last.reset();
    }
  }

 private:
  TComponent* FOwner;
  std::vector<std::unique_ptr<TComponent>> FComponents;
};

}  // namespace vr
