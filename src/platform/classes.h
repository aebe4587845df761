// The object model every component stands on: run-time class names,
// assignment between persistent objects, and notify events.
#pragma once

#include <functional>
#include <string>

namespace vr {

class TObject {
 public:
  virtual ~TObject() = default;
  // The class's own name ("TBitmap", "TJPEGImage"); used in messages and
  // to find a class by name in stored image blocks.
  virtual const char* ClassName() const { return "TObject"; }
};

// An event that carries only its sender.
using TNotifyEvent = std::function<void(TObject* Sender)>;

// An object that can copy its state from another of a compatible class.
class TPersistent : public TObject {
 public:
  const char* ClassName() const override { return "TPersistent"; }
  // Copies Source into this object. The base asks Source to assign itself
  // into this object, and failing that raises "Cannot assign a %s to a %s".
  virtual void AssignFrom(const TPersistent* Source);

 protected:
  // Lets Source copy itself into Dest; returns false when it cannot.
  virtual bool AssignInto(TPersistent* Dest) const;
  [[noreturn]] void AssignError(const TPersistent* Source) const;
};

}  // namespace vr
