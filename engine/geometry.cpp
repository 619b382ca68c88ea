#include "engine/geometry.h"

namespace pictavo {

// Not built yet: the picture goes on unchanged.
Bitmap RotateImage(const Settings&, Bitmap image) { return image; }
Bitmap ResizeImage(const Settings&, Bitmap image, int, int) { return image; }
void FlipImage(const Settings&, FIBITMAP*) {}

}  // namespace pictavo
