// Output colour depth.
#pragma once

#include <string_view>

#include "engine/bitmap.h"
#include "engine/formats.h"
#include "engine/job.h"

namespace pictavo {

// The first depth of the format's list that is not below the source depth,
// or the list's last one.
int AutoDepth(const OutputFormatMap& formats, std::string_view extension, int sourceBpp);

// The picture at job.outputBpp for job.outputExtension; the same bitmap when
// it is already there; null for a depth no conversion reaches.
Bitmap ConvertColorDepth(const ConversionJob& job, Bitmap image);

}  // namespace pictavo
