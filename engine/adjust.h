// Tone adjustments driven by the Adjustment settings, run in this order:
// colour correction (brightness, contrast, gamma, invert), greyscale and a
// black-and-white threshold. Each step leaves the picture alone when it is
// switched off; a null picture stays null.
#pragma once

#include "engine/bitmap.h"
#include "settings/settings.h"

namespace pictavo {

// Adjusts the picture's 8-, 24- or 32-bit pixels; any other depth is brought
// to 24 bits first, and that 24-bit picture is what goes on.
Bitmap ApplyColorCorrection(const Settings& settings, Bitmap image);

// Gives an 8-bit greyscale picture (deep pictures pass through 24 bits).
Bitmap ApplyGreyscale(const Settings& settings, Bitmap image);

// Gives a 1-bit picture: pixels at or above Adjustment/Image Threshold white,
// the rest black.
Bitmap ApplyThreshold(const Settings& settings, Bitmap image);

}  // namespace pictavo
