// Frame side widths as the frame and the watermark's frame boundary use them.
#pragma once

#include "settings/settings.h"

namespace pictavo {

struct FrameSides {
  int left = 0;
  int right = 0;
  int top = 0;
  int bottom = 0;
};

// The `Frame`/`Solid …` widths, none below 0.
FrameSides FrameSidesOf(const Settings& settings);

}  // namespace pictavo
