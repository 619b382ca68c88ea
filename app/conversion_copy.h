// Console runs convert each file in a copy of the program (fork), which
// loads the image engine with FreeImage and its libraries while the program
// itself never does: a copy of a small process starts and ends faster than
// any helper, and only one process maps those libraries. The copy decodes
// in itself, so a file that crashes or hangs a decoder costs the copy, never
// the program: the program ends a copy whose decode outlasts its time limit,
// and a copy that ends in any other way than by reporting counts as a file
// not converted. Only for a process with one thread (a console run), which
// no other thread can leave holding a lock in the copy.
#pragma once

#include "engine/convert.h"

namespace pictavo {

// A converter for ConversionContext::convertFile. The copy runs ConvertFile
// with the image engine's decoder limits (DefaultHelperSettings) and hands
// back whether the file was saved and its output path (job.outputFile).
bool ConvertInCopy(ConversionContext& context);

}  // namespace pictavo
