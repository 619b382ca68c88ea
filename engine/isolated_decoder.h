// Decoding in a helper process. FreeImage's RAW and JPEG decoders read
// untrusted files, and some files make them corrupt memory or loop for hours.
// Run in pictavo-decode (decode/), such a file costs one helper process,
// bounded in memory and time, instead of the whole program. The program
// installs it for every decode with SetDecoder(IsolatedDecoder()).
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "engine/load.h"

namespace pictavo {

// How the helper process comes to be.
enum class HelperStart {
  // pictavo-decode is started: a new program that loads FreeImage and its
  // libraries itself.
  Executable,
  // This process is copied (fork: from the calling thread when it is the
  // only one, else from a new thread that waits for the copy) and the copy
  // runs the same decoder code (decode/decoder.h): it starts at once, with
  // FreeImage loaded, and shares the library pages with the program instead
  // of loading its own. Only for a process in which no other thread can be
  // inside a lock at the moment of the copy (the copy would find it held
  // forever): a console run, which converts on its one thread. Under
  // AddressSanitizer the copy gets no address-space limit (the sanitizer's
  // shadow memory alone exceeds any) and copies the picture into the result
  // file.
  ForkedProgram,
};

struct HelperSettings {
  HelperStart start = HelperStart::Executable;
  // The helper executable: pictavo-decode beside the running program, or in
  // ../libexec/pictavo from it in an installed tree.
  std::string executable;
  // Wall-clock time one decode may take before the helper is killed.
  std::chrono::milliseconds timeout{std::chrono::seconds(60)};
  // Address space the helper may use, in bytes; 0 for no limit. Well above
  // what a full decode of the largest photographs needs (a 24-megapixel one
  // peaks below 400 MiB). A decode that runs into it mostly fails cleanly and
  // gives no picture. A forked copy counts the program's own mappings in it
  // (a few tens of MiB), and under AddressSanitizer goes without it.
  uint64_t memoryLimit = uint64_t{8} << 30;
};

// The settings above. PICTAVO_DECODE_TIMEOUT, when set to whole seconds from
// 1 to 3600, replaces the 60 s time limit (tests use it to end a hanging
// decode sooner).
HelperSettings DefaultHelperSettings();

// One FreeImage decode run in the helper. The picture is rebuilt on this side
// exactly as FreeImage gave it in the helper: type, depth, masks, palette,
// transparency, resolution, background, ICC profile, thumbnail and every
// metadata tag; its pixels stay in the memory the helper wrote them to and
// are released with the bitmap. Null when the decoder found no picture (or
// the path is not a regular file); decoderFailed when the helper crashed, hit
// a limit, ran out of time, could not be started or left a result that does
// not hold together.
Decoded DecodeInHelper(const HelperSettings& helper, FREE_IMAGE_FORMAT format, const std::string& path, int flags);

// The program's side of DecodeInHelper: rebuilds the picture from the shared
// file `fd` that the helper filled (decode/wire.h). Trusts nothing in it:
// sizes are bounded by the file, by sane limits and by `pixelLimit` (the
// helper's memory limit, 0 for none) before anything is allocated or mapped.
Decoded ReadHelperResult(int fd, uint64_t pixelLimit);

// A decoder for SetDecoder that runs every decode in the helper.
Decoder IsolatedDecoder(HelperSettings helper = DefaultHelperSettings());

}  // namespace pictavo
