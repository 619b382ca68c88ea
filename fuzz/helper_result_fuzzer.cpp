// libFuzzer target; the work is in helper_result_entry.h, shared with the regression tests.
#include <cstddef>
#include <cstdint>

#include "fuzz/helper_result_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return pictavo::fuzz::Verdict(pictavo::fuzz::HelperResult({reinterpret_cast<const char*>(data), size}));
}
