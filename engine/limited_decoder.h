// Decoding under limits, in the process that converts a file: a copy of the
// program (app/conversion_copy.h), whose crash costs that one file and which
// the program ends when a decode outlasts its time.
#pragma once

#include "engine/helper_process.h"
#include "engine/load.h"

namespace pictavo {

// A decoder for SetDecoder. Every decode runs under `limits.memoryLimit`,
// which counts this process's own mappings too (a few tens of MiB) and is
// lifted again once the decode is over: the steps after it were never bound
// by it. Under AddressSanitizer, whose shadow memory alone exceeds any
// limit, there is none. Adds 1 to the counter `phases` (an eventfd) as each
// decode starts and again as it ends, so that the program can tell when its
// clock runs.
Decoder DecoderInThisProcess(DecodeLimits limits, int phases);

}  // namespace pictavo
