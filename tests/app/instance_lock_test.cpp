#include "app/instance_lock.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "tests/support/temp_dir.h"

namespace pictavo {
namespace {

TEST(InstanceLock, SecondHolderIsRefusedUntilTheFirstReleases) {
  test::TempDir runtime;
  setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
  InstanceLock first, second;
  ASSERT_TRUE(first.Acquire("Pictavo 2.8"));
  EXPECT_FALSE(second.Acquire("Pictavo 2.8"));
  EXPECT_FALSE(second.held());
  InstanceLock other;
  EXPECT_TRUE(other.Acquire("Other Program"));
  first.Release();
  EXPECT_TRUE(second.Acquire("Pictavo 2.8"));
  unsetenv("XDG_RUNTIME_DIR");
}

TEST(InstanceLock, AnotherProcessCannotTakeAHeldLock) {
  test::TempDir runtime;
  setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
  InstanceLock held;
  ASSERT_TRUE(held.Acquire("Pictavo 2.8"));
  pid_t pid = fork();
  if (pid == 0) {
    InstanceLock child;
    _exit(child.Acquire("Pictavo 2.8") ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  unsetenv("XDG_RUNTIME_DIR");
}

}  // namespace
}  // namespace pictavo
