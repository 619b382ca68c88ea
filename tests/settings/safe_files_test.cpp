#include "settings/safe_files.h"

#include <gtest/gtest.h>
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

TEST(PendingFile, AreRemovedWhenASignalEndsTheProcess) {
  test::TempDir dir;
  PendingFile first(dir.file("a.XXXXXX"));
  PendingFile second(dir.file("b.XXXXXX"));
  ASSERT_TRUE(Exists(first.path()) && Exists(second.path()));
  RemovePendingFiles();  // what the signal handler calls
  EXPECT_FALSE(Exists(first.path()));
  EXPECT_FALSE(Exists(second.path()));
}

}  // namespace
}  // namespace pictavo
