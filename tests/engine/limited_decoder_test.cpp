// Decoding under limits in the process that converts (a console run's copy
// of the program).
#include "engine/limited_decoder.h"

#include <FreeImage.h>
#include <gtest/gtest.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <string>
#include <utility>

#include "engine/helper_process.h"
#include "tools/dng_writer.h"
#include "tests/support/temp_dir.h"

namespace pictavo {
namespace {

bool WriteTwelveMegapixels(const std::string& path) {
  dng::DngOptions options;
  options.width = 4000;
  options.height = 3000;
  return dng::WriteDng(path, options);
}

// A process that decodes in itself (a console run's copy of the program)
// does so under the address-space limit, which counts its own mappings too,
// and has it lifted again afterwards; it tells the program as each decode
// starts and ends. Under AddressSanitizer there is no limit: the sanitizer's
// shadow memory alone exceeds any.
TEST(DecoderInThisProcess, DecodesUnderTheLimitAndCountsItsPhases) {
  test::TempDir dir;
  const std::string small = dir.file("small.dng");
  const std::string large = dir.file("large.dng");
  ASSERT_TRUE(dng::WriteDng(small, {}));
  ASSERT_TRUE(WriteTwelveMegapixels(large));
  std::istringstream status(test::ReadFile("/proc/self/status"));
  uint64_t ownKiB = 0;
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmSize:", 0) == 0) ownKiB = std::stoull(line.substr(7));
  ASSERT_GT(ownKiB, 0u);
  rlimit before{};
  ASSERT_EQ(getrlimit(RLIMIT_AS, &before), 0);

  const UniqueFd phases(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  DecodeLimits tight = DefaultDecodeLimits();
  tight.memoryLimit = (ownKiB << 10) + (uint64_t{100} << 20);
  const Decoder decode = DecoderInThisProcess(tight, phases.get());
  EXPECT_NE(decode(FIF_RAW, small, RAW_DEFAULT), nullptr);
#if defined(__SANITIZE_ADDRESS__)
  EXPECT_NE(decode(FIF_RAW, large, RAW_DEFAULT), nullptr);
#else
  EXPECT_EQ(decode(FIF_RAW, large, RAW_DEFAULT), nullptr);
#endif
  uint64_t counted = 0;
  ASSERT_EQ(read(phases.get(), &counted, sizeof counted), static_cast<ssize_t>(sizeof counted));
  EXPECT_EQ(counted, 4u);

  rlimit after{};
  ASSERT_EQ(getrlimit(RLIMIT_AS, &after), 0);
  EXPECT_EQ(after.rlim_cur, before.rlim_cur);
  EXPECT_EQ(after.rlim_max, before.rlim_max);
  EXPECT_NE(DecodeWithFreeImage(FIF_RAW, large, RAW_DEFAULT), nullptr);
}

TEST(DecodeLimits, TimeLimitComesFromTheEnvironmentWhenSane) {
  const std::pair<const char*, std::chrono::milliseconds> cases[] = {
      {"5", std::chrono::seconds(5)}, {"0", std::chrono::seconds(60)}, {"5s", std::chrono::seconds(60)}};
  for (const auto& [text, expected] : cases) {
    setenv("PICTAVO_DECODE_TIMEOUT", text, 1);
    EXPECT_EQ(DefaultDecodeLimits().timeout, expected) << '"' << text << '"';
  }
  unsetenv("PICTAVO_DECODE_TIMEOUT");
  EXPECT_EQ(DefaultDecodeLimits().timeout, std::chrono::seconds(60));
}

}  // namespace
}  // namespace pictavo
