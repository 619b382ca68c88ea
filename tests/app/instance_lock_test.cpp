#include "app/instance_lock.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "tests/support/temp_dir.h"

namespace pictavo {
namespace {

namespace fs = std::filesystem;
using Outcome = InstanceLock::Outcome;

class InstanceLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(dir.file("runtime"));
    chmod(dir.file("runtime").c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", dir.file("runtime").c_str(), 1);
    setenv("XDG_CACHE_HOME", dir.file("cache").c_str(), 1);
  }
  void TearDown() override {
    unsetenv("XDG_RUNTIME_DIR");
    unsetenv("XDG_CACHE_HOME");
  }
  test::TempDir dir;
};

TEST_F(InstanceLockTest, SecondHolderIsRefusedUntilTheFirstReleases) {
  InstanceLock first, second;
  ASSERT_EQ(first.Acquire("Pictavo 2.8"), Outcome::kAcquired);
  EXPECT_EQ(second.Acquire("Pictavo 2.8"), Outcome::kHeldElsewhere);
  EXPECT_FALSE(second.held());
  InstanceLock other;
  EXPECT_EQ(other.Acquire("Other Program"), Outcome::kAcquired);
  first.Release();
  EXPECT_EQ(second.Acquire("Pictavo 2.8"), Outcome::kAcquired);

  pid_t pid = fork();
  if (pid == 0) {
    InstanceLock child;
    _exit(child.Acquire("Pictavo 2.8") == Outcome::kHeldElsewhere ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// The lock lives where only the user can write: a runtime folder that is
// missing or open to others is passed over for the user's cache folder.
TEST_F(InstanceLockTest, ARuntimeFolderThatIsNotPrivateIsPassedOver) {
  EXPECT_EQ(InstanceLock::LockFolder(), dir.file("runtime") + "/");
  chmod(dir.file("runtime").c_str(), 0777);
  EXPECT_EQ(InstanceLock::LockFolder(), dir.file("cache/pictavo") + "/");
  setenv("XDG_RUNTIME_DIR", dir.file("missing").c_str(), 1);  // common after su
  EXPECT_EQ(InstanceLock::LockFolder(), dir.file("cache/pictavo") + "/");
  EXPECT_EQ(fs::status(dir.file("cache/pictavo")).permissions() & fs::perms::all, fs::perms::owner_all);
  InstanceLock lock;
  EXPECT_EQ(lock.Acquire("Pictavo 2.8"), Outcome::kAcquired);
}

// What another user can plant there is never taken: a link is not followed,
// a file of theirs is not ours. Either is a failure with its reason, which
// the window reports and starts anyway; only a held lock means "another
// window runs".
TEST_F(InstanceLockTest, APlantedLinkOrAnotherUsersFileIsAFailureNotAWindow) {
  const std::string path = InstanceLock::LockPath("Pictavo 2.8");
  const std::string target = dir.file("victim");
  test::WriteFile(target, "keep me");
  fs::create_symlink(target, path);
  InstanceLock lock;
  std::string problem;
  EXPECT_EQ(lock.Acquire("Pictavo 2.8", &problem), Outcome::kFailed);
  EXPECT_NE(problem.find(path), std::string::npos) << problem;
  EXPECT_EQ(test::ReadFile(target), "keep me");
  fs::remove(path);
  if (geteuid() == 0) {
    test::WriteFile(path, "");
    ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
    problem.clear();
    EXPECT_EQ(lock.Acquire("Pictavo 2.8", &problem), Outcome::kFailed);
    EXPECT_NE(problem.find("not this user's"), std::string::npos) << problem;
  }
}

}  // namespace
}  // namespace pictavo
