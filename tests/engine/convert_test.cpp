// ConvertFile and the worker: the chain from loading to saving, counters,
// stopping between files and output timestamps.
#include "engine/convert.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "engine/load.h"
#include "tools/dng_writer.h"
#include "tests/decorations/pixels.h"
#include "tests/support/temp_dir.h"

namespace pictavo {
namespace {

namespace fs = std::filesystem;

class WorkerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetDefaultSettings(settings, 1);
    BuildFormatTables(tables);
    ResetJob(job, files, accepted, tables.inputExtensions);
    job.consoleRun = true;
    job.outputFolder = dir.path() + "/";
    job.outputExtension = "png";
    job.outputFormatId = FIF_PNG;
    job.keepColorDepth = true;
    job.saveFlags = SaveFlagsFor(settings, "png");
    progress.running = 1;
  }
  void TearDown() override { SetDecoder(nullptr); }

  // Bytes no decoder knows: loading falls back to 16-bit pixels.
  std::string AddBytesFile(const std::string& name, size_t size = 5000) {
    const std::string path = dir.file(name);
    test::WriteFile(path, std::string(size, '\x5A'));
    files[path] = {1, ""};
    return path;
  }

  int Run() {
    ConversionContext context{settings, job, tables, files, progress, decorations,
                              [this](std::string_view line) { printed.emplace_back(line); },
                              ConvertFile, nullptr, {}, {}, {}};
    return ConversionWorker(context);
  }

  test::TempDir dir;
  Settings settings;
  ConversionJob job;
  InputFiles files;
  FormatTables tables;
  std::vector<std::string> accepted;
  ConversionProgress progress;
  DecorationSteps decorations;
  std::vector<std::string> printed;
};

TEST_F(WorkerTest, AnEmptySetEndsAtOnceWithNothingConverted) {
  progress.converted = 7;
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(progress.converted, 0);
  EXPECT_EQ(progress.index, 0);
}

TEST_F(WorkerTest, CountsConvertedFilesAndAdvancesTheNumbersOnlyForThem) {
  settings.advanced.filenameMask = "%n%.%ext%";
  AddBytesFile("a.raw");
  files[dir.file("b-missing.raw")] = {1, ""};
  AddBytesFile("c.raw");
  AddBytesFile("d.raw");
  job.runMarker = RunMarker::Debug;
  Run();
  EXPECT_EQ(progress.converted, 3);
  EXPECT_EQ(progress.index, 4);
  EXPECT_EQ(job.sequenceNumber, 4);
  // The failed file did not use up a number.
  EXPECT_TRUE(fs::exists(dir.file("00001.png")));
  EXPECT_TRUE(fs::exists(dir.file("00002.png")));
  EXPECT_TRUE(fs::exists(dir.file("00003.png")));
  EXPECT_FALSE(fs::exists(dir.file("00004.png")));
  // Debug lines: a failure before naming shows the previous output name.
  ASSERT_EQ(printed.size(), 12u);
  EXPECT_EQ(printed[3], "Processing: " + dir.file("b-missing.raw"));
  EXPECT_EQ(printed[4], "Saving As: " + dir.file("00001.png"));
  EXPECT_EQ(printed[5], "Not OK");
  EXPECT_EQ(printed[8], "OK");
}

TEST_F(WorkerTest, DebugLinesNeedAConsoleRunWithTheDebugMarker) {
  AddBytesFile("a.raw");
  job.runMarker = RunMarker::Debug;
  job.consoleRun = false;
  Run();
  EXPECT_TRUE(printed.empty());
  job.consoleRun = true;
  job.runMarker = RunMarker::None;
  Run();
  EXPECT_TRUE(printed.empty());
}

TEST_F(WorkerTest, ClearingRunningStopsAfterTheCurrentFile) {
  for (const char* name : {"1.raw", "2.raw", "3.raw", "4.raw", "5.raw"}) AddBytesFile(name);
  // The run is stopped while the third file is being loaded.
  SetDecoder([this](FREE_IMAGE_FORMAT, const std::string& path, int) {
    if (path == dir.file("3.raw")) progress.running = 0;
    return Bitmap();
  });
  Run();
  EXPECT_EQ(progress.index, 3);
  EXPECT_EQ(progress.converted, 3);
  EXPECT_TRUE(fs::exists(dir.file("3.png")));
  EXPECT_FALSE(fs::exists(dir.file("4.png")));
}

TEST_F(WorkerTest, OutputsTakeTheOriginalOrACustomTimestamp) {
  const std::string input = AddBytesFile("a.raw");
  const timespec old[2] = {{0, UTIME_OMIT}, {1'500'000'000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, input.c_str(), old, 0), 0);

  settings.advanced.fileTimestamp = 1;
  Run();
  EXPECT_EQ(fs::last_write_time(dir.file("a.png")), fs::last_write_time(input));

  settings.advanced.fileTimestamp = 2;
  settings.advanced.customTimestamp = 1'262'347'200;  // 2010-01-01 12:00:00 on the local clock
  Run();
  EXPECT_EQ(FileModifiedLocalSeconds(dir.file("a.png")), 1'262'347'200);

  settings.advanced.fileTimestamp = 0;
  Run();
  const auto age = fs::file_time_type::clock::now() - fs::last_write_time(dir.file("a.png"));
  EXPECT_LT(std::chrono::duration_cast<std::chrono::seconds>(age).count(), 60);
}

TEST_F(WorkerTest, ConvertingTheSameInputTwiceReplacesTheFirstOutput) {
  AddBytesFile("a.raw", 5000);
  Run();
  const auto first = fs::file_size(dir.file("a.png"));
  files.clear();
  AddBytesFile("a.raw", 20000);  // a bigger picture under the same name
  Run();
  EXPECT_NE(fs::file_size(dir.file("a.png")), first);
  EXPECT_EQ(progress.converted, 1);
}

TEST_F(WorkerTest, AutomaticDepthFollowsTheLoadedPicture) {
  const std::string dng = dir.file("photo.dng");
  ASSERT_TRUE(dng::WriteDng(dng, {}));
  files[dng] = {1, ""};
  settings.input.rawLoadAs = RawLoadAs::Full48;
  settings.input.rawToneMapping = 0;
  settings.advanced.filenameMask = "%filename%_%bpp%.%ext%";
  Run();
  EXPECT_EQ(job.sourceBpp, 48);
  EXPECT_EQ(job.outputBpp, 48);
  EXPECT_TRUE(fs::exists(dir.file("photo_48.png")));
  EXPECT_EQ(job.finalWidth, 96);
  EXPECT_EQ(job.finalHeight, 64);
}

TEST_F(WorkerTest, MetadataSurvivesTheStepsThatDropIt) {
  // A JPEG under a RAW name, carrying a comment, loads through the JPEG attempt.
  Bitmap picture(FreeImage_Allocate(64, 48, 24));
  test::SetComment(picture.get(), "shot by the test");
  const std::string input = dir.file("jpeg.nef");
  ASSERT_TRUE(FreeImage_Save(FIF_JPEG, picture.get(), input.c_str(), 90));
  files[input] = {1, ""};
  settings.transform.doImageResize = 1;
  settings.transform.imageWidth = 32;
  settings.transform.imageHeight = 24;
  settings.adjustment.doImageGreyscale = 1;
  // Compositing a frame makes a new picture without metadata.
  decorations.frame = [](Bitmap image, int width, int height) {
    Bitmap framed(FreeImage_Allocate(width, height, 24));
    FreeImage_Paste(framed.get(), image.get(), 0, 0, 256);
    return framed;
  };
  Run();
  ASSERT_EQ(progress.converted, 1);
  Bitmap png(FreeImage_Load(FIF_PNG, dir.file("jpeg.png").c_str(), 0));
  ASSERT_TRUE(png);
  EXPECT_EQ(FreeImage_GetWidth(png.get()), 32u);
  EXPECT_EQ(FreeImage_GetMetadataCount(FIMD_COMMENTS, png.get()), 1u);
}

TEST(SafeSave, NeverWritesOverTheInputAndLeavesNoTemporaryFiles) {
  test::TempDir dir;
  const std::string input = dir.file("photo.png");
  test::WriteFile(input, "original");
  Bitmap picture(FreeImage_Allocate(8, 8, 24));
  EXPECT_FALSE(SaveBitmapSafely(picture.get(), FIF_PNG, input, 0, input));
  EXPECT_FALSE(SaveBitmapSafely(picture.get(), FIF_PNG, dir.path() + "/./photo.png", 0, input));
  EXPECT_EQ(test::ReadFile(input), "original");
  EXPECT_FALSE(SaveBitmapSafely(picture.get(), FIF_PNG, dir.file("missing/out.png"), 0, input));
  EXPECT_FALSE(SaveBitmapSafely(nullptr, FIF_PNG, dir.file("out.png"), 0, input));
  EXPECT_TRUE(SaveBitmapSafely(picture.get(), FIF_PNG, dir.file("out.png"), 0, input));
  int entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 2);
  // The file gets ordinary permissions, not those of a private temporary.
  EXPECT_NE(fs::status(dir.file("out.png")).permissions() & fs::perms::others_read, fs::perms::none);
}

}  // namespace
}  // namespace pictavo
