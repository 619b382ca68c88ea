// Rotation, resize and flip of the picture, driven by the Transform settings.
// Each step leaves the picture alone when it is switched off; a null picture
// stays null.
#pragma once

#include <FreeImage.h>

#include <cstdint>

#include "engine/bitmap.h"
#include "settings/settings.h"

namespace pictavo {

// Rotates by Transform/Image Rotation when that lies in 1..359. Pictures of
// 16 bits or less, or above 32, are brought to 24 bits first. Simple rotation
// grows the canvas and fills the uncovered corners with the back colour;
// advanced rotation turns about the centre and keeps the size.
Bitmap RotateImage(const Settings& settings, Bitmap image);

// Resizes to the target size; `width` and `height` are the picture's current
// size. With Keep Aspect Ratio the longer side of the source decides.
Bitmap ResizeImage(const Settings& settings, Bitmap image, int width, int height);

// One side of the target size: unit 0 is pixels, unit 1 percent of
// `dimension` (rounded to the nearest pixel); any other unit gives 0.
int TargetSize(int32_t value, int unit, int dimension);

// The resampling filter for Transform/Image Resize Algorithm; an unknown value
// gives bicubic.
FREE_IMAGE_FILTER ResizeFilter(const Settings& settings);

// Mirrors left-right and then top-bottom as set. Works in place; null is ignored.
void FlipImage(const Settings& settings, FIBITMAP* image);

}  // namespace pictavo
