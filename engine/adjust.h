// Tone adjustments: brightness, contrast, gamma, invert, greyscale, threshold.
#pragma once

#include "engine/bitmap.h"
#include "settings/settings.h"

namespace pictavo {

Bitmap ApplyColorCorrection(const Settings& settings, Bitmap image);
Bitmap ApplyGreyscale(const Settings& settings, Bitmap image);
Bitmap ApplyThreshold(const Settings& settings, Bitmap image);

}  // namespace pictavo
