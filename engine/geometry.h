// Rotation, resize and flip of the picture.
#pragma once

#include "engine/bitmap.h"
#include "settings/settings.h"

namespace pictavo {

Bitmap RotateImage(const Settings& settings, Bitmap image);
Bitmap ResizeImage(const Settings& settings, Bitmap image, int width, int height);
// Works in place.
void FlipImage(const Settings& settings, FIBITMAP* image);

}  // namespace pictavo
