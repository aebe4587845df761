#include "platform/classes.h"

#include "platform/exceptions.h"

namespace vr {

void TPersistent::AssignFrom(const TPersistent* Source) {
  if (Source != nullptr && Source->AssignInto(this)) return;
  AssignError(Source);
}

bool TPersistent::AssignInto(TPersistent*) const { return false; }

void TPersistent::AssignError(const TPersistent* Source) const {
  const char* from = Source != nullptr ? Source->ClassName() : "nil";
  throw EConvertError(Format("Cannot assign a %s to a %s", from, ClassName()));
}

}  // namespace vr
