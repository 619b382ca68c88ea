#include "engine/job.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "tests/support/temp_dir.h"

namespace pictavo {
namespace {

class JobTest : public ::testing::Test {
 protected:
  void SetUp() override { BuildFormatTables(tables); }
  FormatTables tables;
  ConversionJob job;
  InputFiles files;
  std::vector<std::string> accepted;
};

TEST_F(JobTest, ResetStartsNumberingAndKeepsTheRunMarker) {
  job.runMarker = RunMarker::Screenshot;
  job.finalWidth = 640;
  job.sequenceNumber = 4;
  job.outputFolder = "/out/";
  job.consoleRun = true;
  files["x.nef"] = {1, ""};
  ResetJob(job, files, accepted, tables.inputExtensions);
  EXPECT_EQ(job.runMarker, RunMarker::Screenshot);
  EXPECT_EQ(job.finalWidth, 640);
  EXPECT_EQ(job.sequenceNumber, 1);
  EXPECT_EQ(job.outputFolder, "");
  EXPECT_FALSE(job.consoleRun);
  EXPECT_TRUE(files.empty());
  EXPECT_EQ(accepted.size(), 48u);
  EXPECT_FALSE(job.programFolder.empty());
  EXPECT_EQ(job.programFolder.back(), '/');
  EXPECT_GE(job.randomNumber, 1);
  EXPECT_LE(job.randomNumber, 99999);
}

TEST_F(JobTest, EachResetDrawsItsOwnRandomNumber) {
  // Twenty draws from 99999 values all equal would mean the draw is fixed.
  std::set<int32_t> seen;
  for (int i = 0; i < 20; ++i) {
    ResetJob(job, files, accepted, tables.inputExtensions);
    seen.insert(job.randomNumber);
  }
  EXPECT_GT(seen.size(), 1u);
}

TEST_F(JobTest, AddInputFileTestsSizeAndExtension) {
  ResetJob(job, files, accepted, tables.inputExtensions);
  test::TempDir dir;
  test::WriteFile(dir.file("empty.nef"), "");
  test::WriteFile(dir.file("photo.NEF"), "data");
  test::WriteFile(dir.file("second.cr2"), "data");
  test::WriteFile(dir.file("picture.jpg"), "data");

  EXPECT_FALSE(AddInputFile(dir.file("empty.nef"), files, job, accepted));
  EXPECT_FALSE(AddInputFile(dir.file("picture.jpg"), files, job, accepted));
  EXPECT_TRUE(files.empty());

  EXPECT_TRUE(AddInputFile(dir.file("photo.NEF"), files, job, accepted));
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files.begin()->first, dir.file("photo.NEF"));  // key kept as given
  EXPECT_EQ(files.begin()->second.queued, 1);
  EXPECT_EQ(files.begin()->second.relativeFolder, "");

  EXPECT_TRUE(AddInputFile(dir.file("second.cr2"), files, job, accepted));
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files.begin()->first, dir.file("second.cr2"));

  // A missing file passes here; loading fails later.
  EXPECT_TRUE(AddInputFile(dir.file("missing.dng"), files, job, accepted));
}

TEST_F(JobTest, AddInputFileRecordsTheFolderRelativeToTheInputPath) {
  ResetJob(job, files, accepted, tables.inputExtensions);
  job.inputPath = "/photos/";
  EXPECT_TRUE(AddInputFile("/photos/2019/May/a.nef", files, job, accepted));
  EXPECT_EQ(files.begin()->second.relativeFolder, "2019/May/");
}

// Walks `folder` as a user who cannot read what is locked (root reads every
// folder): the files found and their subfolders, or "failed".
std::map<std::string, std::string> WalkAsAnotherUser(const std::string& folder, const std::vector<std::string>& accepted) {
  int ends[2];
  if (pipe(ends) != 0) return {{"failed", "pipe"}};
  const pid_t child = fork();
  if (child == 0) {
    close(ends[0]);
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(1);
    InputFiles files;
    AddFolderFiles(folder, files, accepted);
    std::string listing;
    for (const auto& [path, entry] : files) listing += path.substr(folder.size()) + '\t' + entry.relativeFolder + '\n';
    const bool written = write(ends[1], listing.data(), listing.size()) == static_cast<ssize_t>(listing.size());
    _exit(written ? 0 : 1);
  }
  close(ends[1]);
  std::string listing;
  char buffer[4096];
  for (ssize_t got; (got = read(ends[0], buffer, sizeof buffer)) > 0;) listing.append(buffer, static_cast<size_t>(got));
  close(ends[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {{"failed", listing}};
  std::map<std::string, std::string> found;
  std::istringstream lines(listing);
  for (std::string line; std::getline(lines, line);) found[line.substr(0, line.find('\t'))] = line.substr(line.find('\t') + 1);
  return found;
}

TEST_F(JobTest, AFolderGivesEveryAcceptedFileBelowItOnce) {
  ResetJob(job, files, accepted, tables.inputExtensions);
  test::TempDir dir;
  namespace fs = std::filesystem;
  fs::create_directories(dir.file("2019/May"));
  fs::create_directories(dir.file("locked"));
  test::WriteFile(dir.file("a.NEF"), "data");
  test::WriteFile(dir.file("empty.cr2"), "");
  test::WriteFile(dir.file("notes.txt"), "data");
  test::WriteFile(dir.file("2019/b.cr2"), "data");
  test::WriteFile(dir.file("2019/May/c.Dng"), "data");
  test::WriteFile(dir.file("locked/d.nef"), "data");
  fs::create_directory_symlink("..", dir.file("2019/loop"));  // would walk the tree again and again
  fs::create_symlink("2019/b.cr2", dir.file("e.cr2"));         // a link to a file is the file
  fs::permissions(dir.path(), fs::perms::all);
  for (const char* folder : {"2019", "2019/May"}) fs::permissions(dir.file(folder), fs::perms::all);
  fs::permissions(dir.file("locked"), fs::perms::none);

  const std::map<std::string, std::string> expected = {
      {"a.NEF", ""}, {"e.cr2", ""}, {"2019/b.cr2", "2019/"}, {"2019/May/c.Dng", "2019/May/"}};
  EXPECT_EQ(WalkAsAnotherUser(dir.path() + "/", accepted), expected);
  fs::permissions(dir.file("locked"), fs::perms::owner_all);
  // The files already in the set stay, and none is added twice.
  files["/elsewhere/x.nef"] = {1, ""};
  EXPECT_EQ(AddFolderFiles(dir.path() + "/", files, accepted), 5);
  EXPECT_EQ(AddFolderFiles(dir.path() + "/", files, accepted), 0);
  EXPECT_EQ(files.size(), 6u);
}

TEST(RelativeFolder, RemovesTheBaseFromTheFilesFolder) {
  EXPECT_EQ(RelativeFolderOf("/Photos/2019/May/a.nef", "/Photos/"), "2019/May/");
  EXPECT_EQ(RelativeFolderOf("/Photos/a.nef", "/Photos/"), "");
  EXPECT_EQ(RelativeFolderOf("/Other/a.nef", "/Photos/"), "");
  EXPECT_EQ(RelativeFolderOf("/photos/a.nef", "/Photos/"), "");  // case-sensitive
  EXPECT_EQ(RelativeFolderOf("", "/Photos/"), "");
  EXPECT_EQ(RelativeFolderOf("/Photos/a.nef", ""), "");
  // Every occurrence goes, not only a leading one.
  EXPECT_EQ(RelativeFolderOf("/x/y/x/y/a.nef", "x/"), "/y/y/");
}

}  // namespace
}  // namespace pictavo
