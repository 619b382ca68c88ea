#include "base/safe_files.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "tests/support/temp_dir.h"

namespace pictavo {
namespace {

bool Exists(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0;
}

TEST(PendingFile, BecomesTheTargetOnlyThroughCommit) {
  test::TempDir dir;
  const std::string target = dir.file("out.png");
  test::WriteFile(target, "old");
  std::string abandoned;
  {
    PendingFile file(target + ".XXXXXX");
    ASSERT_GE(file.fd(), 0);
    abandoned = file.path();
    ASSERT_TRUE(file.WriteAll("new", 3));
  }  // never committed
  EXPECT_FALSE(Exists(abandoned));
  EXPECT_EQ(test::ReadFile(target), "old");

  PendingFile file(target + ".XXXXXX");
  ASSERT_TRUE(file.WriteAll("new", 3));
  ASSERT_TRUE(file.Commit(target, 0640));
  EXPECT_FALSE(Exists(file.path()));
  EXPECT_EQ(test::ReadFile(target), "new");
  struct stat st {};
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

size_t Threads() {
  size_t count = 0;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) count += task.exists();
  return count;
}

// A large file is synced along the way by a thread of its own, which ends
// with the file, committed or abandoned.
TEST(PendingFile, ALargeFileSyncedAlongTheWayEndsWhole) {
  test::TempDir dir;
  const std::string target = dir.file("large.png");
  const size_t before = Threads();
  std::string written;
  auto fill = [&](PendingFile& file) {
    written.clear();
    std::string chunk(1 << 20, '\0');
    for (int i = 0; i < 20; ++i) {
      std::fill(chunk.begin(), chunk.end(), static_cast<char>('a' + i));
      ASSERT_TRUE(file.WriteAll(chunk.data(), chunk.size()));
      written += chunk;
    }
    EXPECT_GT(Threads(), before) << "nothing synced along the way";
  };
  std::string abandoned;
  {
    PendingFile file(target + ".XXXXXX");
    fill(file);
    abandoned = file.path();
  }
  EXPECT_EQ(Threads(), before);
  EXPECT_FALSE(Exists(abandoned));

  PendingFile file(target + ".XXXXXX");
  fill(file);
  ASSERT_TRUE(file.Commit(target, 0644));
  EXPECT_EQ(Threads(), before);
  EXPECT_TRUE(test::ReadFile(target) == written);
}

TEST(PendingFile, AFailedRenameRemovesItAndLeavesTheTarget) {
  test::TempDir dir;
  // A folder with contents cannot be renamed over.
  const std::string target = dir.file("taken");
  std::filesystem::create_directory(target);
  test::WriteFile(target + "/inside", "kept");
  PendingFile file(dir.file("new.XXXXXX"));
  ASSERT_TRUE(file.WriteAll("bytes", 5));
  EXPECT_FALSE(file.Commit(target, 0644));
  EXPECT_FALSE(Exists(file.path()));
  EXPECT_EQ(test::ReadFile(target + "/inside"), "kept");
}

// A file being written has no name in its folder, so that even SIGKILL
// (or the out-of-memory killer) in the middle of it leaves nothing.
TEST(PendingFile, NothingIsLeftWhateverEndsTheProcess) {
  test::TempDir dir;
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  if (child == 0) {
    PendingFile file(dir.file(".photo.png.XXXXXX"));
    const bool written = file.fd() >= 0 && file.WriteAll("partial", 7);
    [[maybe_unused]] const ssize_t told = write(ready[1], written ? "1" : "0", 1);
    pause();
    _exit(0);
  }
  char written = 0;
  ASSERT_EQ(read(ready[0], &written, 1), 1);
  EXPECT_EQ(written, '1');
  EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "a name while it is written";
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  close(ready[0]);
  close(ready[1]);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace pictavo
