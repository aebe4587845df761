#pragma once

#include "pictures/picture.h"

namespace vr {

// Puts the product's start picture (stored with the program as a picture
// "Data" block) into Picture; leaves it empty when it cannot be read.
void LoadStartPicture(TPicture& Picture);

}  // namespace vr
