// The image libraries the program starts with, beyond the formats the
// picture framework knows by itself: JPEG, GIF and PNG.
#pragma once

namespace vr {

// Registers them in their start-up order: JPEG ("jpeg", then "jpg"), GIF
// (with its clipboard format), PNG. Called before any window is made.
void RegisterImageLibraries();
// Unregisters them again, last registered first.
void UnregisterImageLibraries();

}  // namespace vr
