// The shared heap in builds whose allocator belongs to AddressSanitizer: no
// block is ever shared, so the decoder copies every picture into the result
// file (decode/shared_heap.h).
#include "decode/shared_heap.h"

namespace pictavo::decode {

bool StartSharedHeap(int, uint64_t, const void*) { return false; }
bool KeepInFile(const void*, uint64_t, uint64_t&) { return false; }
void ReleaseUnkeptBlocks() {}
uint64_t SharedHeapEnd() { return 0; }

}  // namespace pictavo::decode
