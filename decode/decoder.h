// The helper's work as a function; pictavo-decode runs it as its main
// (decode/helper.cpp).
#pragma once

namespace pictavo::decode {

// `argv` as pictavo-decode's (FORMAT FLAGS MEMORY-LIMIT PARENT-PID PATH),
// the result file on descriptor 3 (decode/wire.h). Ends the process itself
// with status 0 once the result is complete; any status it returns means
// that the decode failed. The caller ends the process with it (_exit: the
// process must run no exit handlers).
int DecoderMain(int argc, char** argv);

}  // namespace pictavo::decode
