// Large allocations of pictavo-decode live in the result file.
//
// The decoders write the picture into a bitmap FreeImage allocates with
// malloc. When that block is a piece of the shared memory file the program
// maps afterwards, the decoded picture is already where the program reads it,
// and handing it over costs no copy. The helper replaces malloc and friends
// for this: blocks of kSharedBlockMinimum bytes or more that one library
// (FreeImage) asks for are mapped from the result file, with an inaccessible
// page on each side; everything else goes to the C library. The decoder's
// own working buffers stay ordinary memory, which is cheaper to fault in than
// shared pages.
// Pictures in smaller blocks are copied into the file.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pictavo::decode {

inline constexpr size_t kSharedBlockMinimum = size_t{1} << 20;

// From here on, large blocks that code of the library holding
// `libraryFunction` asks for are taken from `fd` at offsets from `base` up,
// each at offsets no other block ever had, so that fresh blocks read as zero.
// False when the library cannot be found.
bool StartSharedHeap(int fd, uint64_t base, const void* libraryFunction);

// When [address, address + size) lies inside one shared block: its offset in
// the file. The block's pages then stay in the file when the block is freed.
bool KeepInFile(const void* address, uint64_t size, uint64_t& offset);

// Gives back the pages of blocks nobody freed (a decoder's leaks), so that
// they do not live on in the file the program keeps mapped.
void ReleaseUnkeptBlocks();

// The end of the file's used offsets: description space ends below `base`,
// blocks above it.
uint64_t SharedHeapEnd();

}  // namespace pictavo::decode
