#include "engine/limited_decoder.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

namespace pictavo {

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif

void CountPhase(int phases) {
  if (phases < 0) return;
  const uint64_t one = 1;
  // Adding to an eventfd fails only when the count would overflow.
  [[maybe_unused]] const ssize_t sent = write(phases, &one, sizeof one);
}

// The soft address-space limit for as long as it lives, never above the one
// the process had; the hard one is left alone, so that it can be lifted
// again.
class AddressSpaceLimit {
 public:
  explicit AddressSpaceLimit(uint64_t bytes) {
    if (bytes == 0 || kAddressSanitizer || getrlimit(RLIMIT_AS, &saved_) != 0) return;
    const rlimit tight{std::min<rlim_t>(bytes, saved_.rlim_cur), saved_.rlim_max};
    active_ = setrlimit(RLIMIT_AS, &tight) == 0;
  }
  ~AddressSpaceLimit() {
    if (active_) setrlimit(RLIMIT_AS, &saved_);
  }
  AddressSpaceLimit(const AddressSpaceLimit&) = delete;
  AddressSpaceLimit& operator=(const AddressSpaceLimit&) = delete;

 private:
  rlimit saved_{};
  bool active_ = false;
};

}  // namespace

Decoder DecoderInThisProcess(DecodeLimits limits, int phases) {
  return [limits = std::move(limits), phases](FREE_IMAGE_FORMAT format, const std::string& path, int flags) {
    CountPhase(phases);
    Bitmap decoded;
    {
      const AddressSpaceLimit limit(limits.memoryLimit);
      decoded = DecodeWithFreeImage(format, path, flags);
    }
    CountPhase(phases);
    return decoded;
  };
}

}  // namespace pictavo
