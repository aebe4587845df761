#pragma once

namespace vr {

// Registers the image libraries (JPEG, GIF, PNG) in their start-up order.
void RegisterImageLibraries();
// Unregisters them again, last registered first.
void UnregisterImageLibraries();

}  // namespace vr
