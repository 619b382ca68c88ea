// The program as the window's converter: started by the window with
// --conversion-service, it reads a run from standard input
// (engine/run_request.h), converts its files as a console run does (each in
// a copy of itself, several at once) and reports on standard output as each
// file starts and ends. It ends with the window, and a SIGTERM from the
// window (Break) ends the files under way without a trace.
#pragma once

#include "app/process.h"

namespace pictavo {

// The hidden first parameter that selects this mode.
inline constexpr const char* kConversionServiceOption = "--CONVERSION-SERVICE";

// Reads the run from `in`, reports to `out`; the exit status.
int RunConversionService(ProcessState& state, int in, int out);

}  // namespace pictavo
