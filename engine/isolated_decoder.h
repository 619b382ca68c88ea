// Decoding in a helper process. FreeImage's RAW and JPEG decoders read
// untrusted files, and some files make them corrupt memory or loop for hours.
// Run in pictavo-decode (decode/), such a file costs one helper process,
// bounded in memory and time, instead of the whole program. The window
// installs it for every decode with SetDecoder(IsolatedDecoder()); a console
// run converts in a copy of the program, which decodes in itself
// (DecoderInThisProcess).
#pragma once

#include <string>

#include "engine/helper_process.h"
#include "engine/load.h"

namespace pictavo {

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

// A decoder for a process that is itself the isolation: a console run's
// copy of the program (app/conversion_copy.h), whose crash costs the one
// file and which the program ends when a decode outlasts `limits.timeout`.
// Every decode runs here under `limits.memoryLimit`, which counts this
// process's own mappings too (a few tens of MiB) and is lifted again once
// the decode is over: the steps after it were never bound by it. Under
// AddressSanitizer, whose shadow memory alone exceeds any limit, there is
// none. Adds 1 to the counter `phases` (an eventfd) as each decode starts
// and again as it ends, so that the program can tell when its clock runs.
Decoder DecoderInThisProcess(HelperSettings limits, int phases);

}  // namespace pictavo
