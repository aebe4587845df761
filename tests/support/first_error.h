// What an exercise of a reader (shared by a fuzz target and its regression
// replay) ends with: the class of the first of the reader's own errors it
// caught, empty when the input went through without one.
#pragma once

#include <string>

#include "platform/exceptions.h"

namespace vr::test {

class TFirstError {
 public:
  void Note(const Exception& E) {
    if (FClass.empty()) FClass = E.ClassName();
  }
  const std::string& Class() const { return FClass; }

 private:
  std::string FClass;
};

}  // namespace vr::test
