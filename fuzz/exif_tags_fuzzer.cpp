// libFuzzer target; the work is in exif_tags_entry.h, shared with the regression tests.
#include <cstddef>
#include <cstdint>

#include "fuzz/exif_tags_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return pictavo::fuzz::Verdict(pictavo::fuzz::ExifTags({reinterpret_cast<const char*>(data), size}));
}
