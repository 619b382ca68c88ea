#include "decode/shared_heap.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <atomic>
#include <mutex>

#if defined(__SANITIZE_ADDRESS__)
#define PICTAVO_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PICTAVO_ADDRESS_SANITIZER 1
#endif
#endif

#ifdef PICTAVO_ADDRESS_SANITIZER
#error "pictavo-decode replaces malloc; AddressSanitizer would have to replace it too"
#endif

// The C library's own allocator, which takes everything that is not ours.
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
void __libc_free(void* pointer);
}

namespace pictavo::decode {
namespace {

// Written just before a block's first byte, on a private page of its own, so
// that free() can tell our blocks from the C library's without a lookup. The
// slot table has the last word: a copy of the tag in someone's data is not a
// block.
constexpr uint64_t kTag = 0x5043'5456'4845'4150ull;  // "PCTVHEAP"

struct Block {
  char* data = nullptr;  // first byte handed out
  size_t size = 0;       // whole pages
  uint64_t offset = 0;   // of `data` in the file
  bool live = false;
  bool kept = false;
};

struct alignas(16) Header {
  uint64_t tag;
  uint64_t slot;
};

// A decode holds a handful of large blocks at a time; when the table is full,
// the C library takes the rest.
constexpr size_t kSlots = 256;

// Plain globals, ready before any constructor runs: malloc is called early.
std::mutex lock;
Block blocks[kSlots];
std::atomic<int> file{-1};  // set once, before the decoder's threads start
uint64_t nextOffset = 0;
size_t pageSize = 4096;
// Code of the library whose blocks are shared; others go to the C library.
uintptr_t codeStart = 0;
uintptr_t codeEnd = 0;

size_t RoundToPages(size_t size) { return (size + pageSize - 1) / pageSize * pageSize; }

// Guard page, header page, data, guard page.
size_t Reservation(const Block& block) { return block.size + 3 * pageSize; }
char* ReservationStart(const Block& block) { return block.data - 2 * pageSize; }

bool FromSharingLibrary(const void* caller) {
  const auto address = reinterpret_cast<uintptr_t>(caller);
  return address >= codeStart && address < codeEnd;
}

void* Allocate(size_t size, const void* caller) {
  if (file < 0 || size < kSharedBlockMinimum || size > (size_t{1} << 46) || !FromSharingLibrary(caller))
    return nullptr;
  const size_t dataSize = RoundToPages(size);
  std::lock_guard hold(lock);
  size_t slot = 0;
  while (slot < kSlots && blocks[slot].live) ++slot;
  if (slot == kSlots) return nullptr;

  const uint64_t offset = nextOffset;
  if (ftruncate(file, static_cast<off_t>(offset + dataSize)) != 0) return nullptr;
  Block block{nullptr, dataSize, offset, true, false};
  void* reserved = mmap(nullptr, dataSize + 3 * pageSize, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (reserved == MAP_FAILED) return nullptr;
  char* start = static_cast<char*>(reserved);
  block.data = start + 2 * pageSize;
  if (mprotect(start + pageSize, pageSize, PROT_READ | PROT_WRITE) != 0 ||
      mmap(block.data, dataSize, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_FIXED, file, static_cast<off_t>(offset)) ==
          MAP_FAILED) {
    munmap(reserved, dataSize + 3 * pageSize);
    return nullptr;
  }
  // The block is about to be filled: its pages come writable in one call
  // rather than one fault each (kernels before 5.14 fault them in as usual).
  madvise(block.data, dataSize, MADV_POPULATE_WRITE);
  nextOffset = offset + dataSize;
  Header* header = reinterpret_cast<Header*>(block.data) - 1;
  header->tag = kTag;
  header->slot = slot;
  blocks[slot] = block;
  return block.data;
}

// Cheap test, without the lock, that `pointer` may be one of our blocks: ours
// start on a page and have the tag before them. For anything the C library
// handed out, the 16 bytes before the pointer are its own chunk header, so
// reading them is safe.
bool MaybeShared(const void* pointer) {
  if (!pointer || file < 0 || reinterpret_cast<uintptr_t>(pointer) % pageSize != 0) return false;
  return (static_cast<const Header*>(pointer) - 1)->tag == kTag;
}

// The slot of the block starting at `pointer`, or -1; with the lock held.
long SlotOf(const void* pointer) {
  if (!MaybeShared(pointer)) return -1;
  const uint64_t slot = (static_cast<const Header*>(pointer) - 1)->slot;
  if (slot >= kSlots) return -1;
  const Block& block = blocks[slot];
  return block.live && block.data == pointer ? static_cast<long>(slot) : -1;
}

void Release(Block& block) {
  // A kept block's pages are the picture the program maps: only our view of
  // them goes.
  if (!block.kept)
    fallocate(file, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, static_cast<off_t>(block.offset),
              static_cast<off_t>(block.size));
  munmap(ReservationStart(block), Reservation(block));
  block = Block{};
}

// True when `pointer` was ours and is freed.
bool FreeShared(void* pointer) {
  if (!MaybeShared(pointer)) return false;
  std::lock_guard hold(lock);
  const long slot = SlotOf(pointer);
  if (slot < 0) return false;
  Release(blocks[slot]);
  return true;
}

}  // namespace

namespace {

struct CodeSearch {
  uintptr_t base;
  uintptr_t start = 0;
  uintptr_t end = 0;
};

int FindCode(dl_phdr_info* info, size_t, void* data) {
  auto* search = static_cast<CodeSearch*>(data);
  if (info->dlpi_addr != search->base) return 0;
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& segment = info->dlpi_phdr[i];
    if (segment.p_type != PT_LOAD || !(segment.p_flags & PF_X)) continue;
    search->start = info->dlpi_addr + segment.p_vaddr;
    search->end = search->start + segment.p_memsz;
    return 1;
  }
  return 0;
}

}  // namespace

bool StartSharedHeap(int fd, uint64_t base, const void* libraryFunction) {
  const long page = sysconf(_SC_PAGESIZE);
  if (page <= 0 || base % static_cast<uint64_t>(page) != 0) return false;
  Dl_info library{};
  if (!dladdr(libraryFunction, &library) || !library.dli_fbase) return false;
  CodeSearch code{reinterpret_cast<uintptr_t>(library.dli_fbase)};
  if (!dl_iterate_phdr(FindCode, &code)) return false;
  std::lock_guard hold(lock);
  codeStart = code.start;
  codeEnd = code.end;
  pageSize = static_cast<size_t>(page);
  nextOffset = base;
  file = fd;
  return true;
}

bool KeepInFile(const void* address, uint64_t size, uint64_t& offset) {
  std::lock_guard hold(lock);
  const char* bytes = static_cast<const char*>(address);
  for (Block& block : blocks) {
    if (!block.live || bytes < block.data || bytes > block.data + block.size) continue;
    const uint64_t into = static_cast<uint64_t>(bytes - block.data);
    if (size > block.size - into) return false;
    block.kept = true;
    offset = block.offset + into;
    return true;
  }
  return false;
}

void ReleaseUnkeptBlocks() {
  std::lock_guard hold(lock);
  for (Block& block : blocks)
    if (block.live && !block.kept) Release(block);
}

uint64_t SharedHeapEnd() {
  std::lock_guard hold(lock);
  return nextOffset;
}

}  // namespace pictavo::decode

// The allocator functions themselves. Everything the C library hands out
// keeps going back to it; memalign and its kin stay the C library's, and
// their blocks come back through free() like any other. Nothing the helper
// loads asks for malloc_usable_size, which would not know our blocks.
using namespace pictavo::decode;

extern "C" {

void* malloc(size_t size) noexcept {
  if (void* shared = Allocate(size, __builtin_return_address(0))) return shared;
  return __libc_malloc(size);
}

void* calloc(size_t count, size_t size) noexcept {
  size_t total = 0;
  if (__builtin_mul_overflow(count, size, &total)) {
    errno = ENOMEM;
    return nullptr;
  }
  // Blocks never reuse offsets of the file, so their pages start as zeros.
  if (void* shared = Allocate(total, __builtin_return_address(0))) return shared;
  return __libc_calloc(count, size);
}

void free(void* pointer) noexcept {
  if (FreeShared(pointer)) return;
  __libc_free(pointer);
}

void* realloc(void* pointer, size_t size) noexcept {
  if (!MaybeShared(pointer)) return __libc_realloc(pointer, size);
  size_t oldSize = 0;
  {
    std::lock_guard hold(lock);
    const long slot = SlotOf(pointer);
    if (slot < 0) return __libc_realloc(pointer, size);
    oldSize = blocks[slot].size;
  }
  if (size == 0) {
    free(pointer);
    return nullptr;
  }
  if (size <= oldSize) return pointer;
  void* moved = malloc(size);
  if (!moved) return nullptr;
  std::memcpy(moved, pointer, oldSize);
  free(pointer);
  return moved;
}

}  // extern "C"
