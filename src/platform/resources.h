// Loading the program's resources by name.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "platform/handles.h"

namespace vr {

// A bitmap resource as a device-dependent bitmap; empty when missing.
TBitmapHandle LoadBitmapResource(const char* Name);
// The raw bytes of an RCDATA resource; empty when missing.
std::vector<uint8_t> LoadDataResource(const char* Name);

}  // namespace vr
