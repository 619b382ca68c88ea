// The program's reader of the decoder helper's result file. Input: the
// file's bytes, as a helper taken over by a hostile photograph might leave
// them. The reader must give a picture that fits in the file, or nothing.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <string>
#include <string_view>

#include "engine/isolated_decoder.h"
#include "fuzz/fuzz_support.h"

namespace pictavo::fuzz {

inline std::string HelperResult(std::string_view input) {
  const int fd = memfd_create("pictavo-fuzz-result", MFD_CLOEXEC);
  if (fd < 0) return "cannot make the result file";
  const bool written = write(fd, input.data(), input.size()) == static_cast<ssize_t>(input.size());
  std::string problem;
  if (written) {
    const Decoded result = ReadHelperResult(fd, uint64_t{1} << 30);
    if (const FIBITMAP* image = result.image.get()) {
      FIBITMAP* dib = const_cast<FIBITMAP*>(image);
      const uint64_t bytes = uint64_t{FreeImage_GetPitch(dib)} * FreeImage_GetHeight(dib);
      if (result.decoderFailed) problem = "a picture from a failed decode";
      else if (bytes > input.size()) problem = "pixels beyond the end of the file";
      else if (FreeImage_GetWidth(dib) == 0 || FreeImage_GetHeight(dib) == 0) problem = "an empty picture";
    }
  } else {
    problem = "cannot write the result file";
  }
  close(fd);
  return problem;
}

}  // namespace pictavo::fuzz
