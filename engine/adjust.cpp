#include "engine/adjust.h"

namespace pictavo {

// Not built yet: the picture goes on unchanged.
Bitmap ApplyColorCorrection(const Settings&, Bitmap image) { return image; }
Bitmap ApplyGreyscale(const Settings&, Bitmap image) { return image; }
Bitmap ApplyThreshold(const Settings&, Bitmap image) { return image; }

}  // namespace pictavo
