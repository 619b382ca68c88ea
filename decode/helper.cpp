// pictavo-decode: see decode/main.cpp for its command line and result.
#include "decode/decoder.h"

int main(int argc, char** argv) { return pictavo::decode::DecoderMain(argc, argv); }
