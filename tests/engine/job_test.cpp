#include "engine/job.h"

#include <gtest/gtest.h>

#include <set>

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
  job.runMarker = "T";
  job.finalWidth = 640;
  job.sequenceNumber = 4;
  job.outputFolder = "/out/";
  job.consoleRun = 1;
  files["x.nef"] = {1, ""};
  ResetJob(job, files, accepted, tables.inputExtensions);
  EXPECT_EQ(job.runMarker, "T");
  EXPECT_EQ(job.finalWidth, 640);
  EXPECT_EQ(job.sequenceNumber, 1);
  EXPECT_EQ(job.outputFolder, "");
  EXPECT_EQ(job.consoleRun, 0);
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
