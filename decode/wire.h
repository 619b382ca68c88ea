// How pictavo-decode hands a decoded bitmap to the program: one shared memory
// file that the program creates and the helper fills. The program reads it
// only once the helper has said it is complete (kDoneFd) or has ended with
// status 0, and trusts nothing in it: every size and count is checked
// against what was actually written.
//
// Layout: a Prelude at offset 0; right after it the description of the
// bitmap, a stream of fields written by Writer and read back by Reader; the
// main picture's pixels at `pixelOffset`, rows bottom-up and pitch apart as
// FreeImage keeps them, so that the program can map them in place. They are
// either inside one of the decoder's own blocks, which the helper allocates
// in this file from kSharedBlocksOffset on, or copied in after the
// description.
//
// Description of one bitmap, in order:
//   u32 image type, u32 pitch, u32 red, green, blue mask
//   BITMAPINFOHEADER (size, depth, palette length, resolution …)
//   u32 palette length, then that many RGBQUAD
//   u32 transparent, u32 transparency count, 256 bytes transparency table
//   u32 has background, RGBQUAD background
//   u16 ICC flags, blob ICC profile
//   u32 tag count, then per tag: u32 model, blob key, u8 has description,
//       blob description, u16 id, u16 type, u32 count, u32 length,
//       u8 has value, blob value
//   u32 has thumbnail, then the thumbnail's own description (which has no
//       thumbnail) followed by a blob of its pixels
// A blob is a u64 length and that many bytes. Both sides are the same build
// on the same machine, so fields are in native byte order.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

namespace pictavo::wire {

// The helper finds the shared memory file under this descriptor.
inline constexpr int kResultFd = 3;
// Once the result is complete the helper adds 1 to this counter (an eventfd:
// eight bytes) and ends.
inline constexpr int kDoneFd = 4;

// Pixels copied in after the description start on a multiple of this, which
// is a multiple of every page size Linux uses.
inline constexpr uint64_t kPixelAlignment = 64 * 1024;

// Pixels left where the decoder wrote them (decode/shared_heap.h) start
// wherever FreeImage put them in its block: on a multiple of this.
inline constexpr uint64_t kPixelMinimumAlignment = 16;

// The helper's large blocks lie from here on in the file.
inline constexpr uint64_t kSharedBlocksOffset = uint64_t{1} << 40;

inline constexpr char kMagic[8] = {'P', 'C', 'T', 'V', 'D', 'E', 'C', '1'};

enum Outcome : uint32_t {
  kNoPicture = 1,  // the decoder ran to its end and found no picture
  kPicture = 2,
};

struct Prelude {
  char magic[8];
  uint32_t outcome;
  uint32_t reserved;
  uint64_t descriptionSize;  // bytes right after the prelude
  uint64_t pixelOffset;
  uint64_t pixelSize;
};

class Writer {
 public:
  template <typename T>
  void Put(const T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    bytes_.append(reinterpret_cast<const char*>(&value), sizeof value);
  }
  void Raw(const void* data, size_t size) {
    if (size) bytes_.append(static_cast<const char*>(data), size);
  }
  void Blob(const void* data, uint64_t size) {
    Put(size);
    Raw(data, static_cast<size_t>(size));
  }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

// Reads fields back; the first read past the end fails and so does every
// later one, so a caller may check ok() once at the end of a record.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : rest_(bytes) {}

  template <typename T>
  bool Get(T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    if (!Take(sizeof value)) return false;
    std::memcpy(&value, taken_.data(), sizeof value);
    return true;
  }
  template <typename T>
  T Get() {
    T value{};
    Get(value);
    return value;
  }
  // `size` bytes in place; empty once a read failed.
  std::string_view Raw(uint64_t size) { return Take(size) ? taken_ : std::string_view(); }
  std::string_view Blob() {
    uint64_t size = 0;
    return Get(size) ? Raw(size) : std::string_view();
  }
  bool ok() const { return ok_; }
  uint64_t Remaining() const { return ok_ ? rest_.size() : 0; }
  bool AtEnd() const { return ok_ && rest_.empty(); }

 private:
  bool Take(uint64_t size) {
    if (!ok_ || size > rest_.size()) {
      ok_ = false;
      return false;
    }
    taken_ = rest_.substr(0, static_cast<size_t>(size));
    rest_.remove_prefix(static_cast<size_t>(size));
    return true;
  }

  std::string_view rest_;
  std::string_view taken_;
  bool ok_ = true;
};

}  // namespace pictavo::wire
