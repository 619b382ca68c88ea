// The built program run as a subprocess: exact lines and exit statuses.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <FreeImage.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <sstream>
#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "tests/support/run_program.h"
#include "tools/dng_writer.h"
#include "tests/support/temp_dir.h"

namespace pictavo {
namespace {

using test::RunProgram;
using Lines = std::vector<std::string>;

class ConsoleRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    input = dir.file("photo.raw");
    // No decoder knows these bytes: the run falls back to reading them as
    // 16-bit pixels, a 100 x 100 picture.
    std::string bytes(20000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 7) & 0xFF);
    test::WriteFile(input, bytes);
    out = dir.file("out");
    std::filesystem::create_directory(out);
  }

  test::ProgramResult Run(Lines args) { return RunProgram(args); }

  // The lines after the banner.
  static Lines AfterBanner(const test::ProgramResult& r) {
    EXPECT_GE(r.lines.size(), 2u);
    if (r.lines.size() < 2) return {};
    EXPECT_EQ(r.lines[0], "Pictavo 2.8");
    EXPECT_EQ(r.lines[1], " ");
    return Lines(r.lines.begin() + 2, r.lines.end());
  }

  test::TempDir dir;
  std::string input;
  std::string out;
};

TEST_F(ConsoleRunTest, ASuccessfulRunPrintsSixLinesAndWritesThePng) {
  auto r = Run({"-i", input, "-o", out});
  EXPECT_EQ(r.exitStatus, 0) << r.out << r.err;
  EXPECT_EQ(AfterBanner(r), (Lines{"Preparing...", "Importing...", "Import complete, new files added: 1", "Converting...",
                                   "Conversion complete", "Files converted: 1 of 1"}));
  FIBITMAP* png = FreeImage_Load(FIF_PNG, (out + "/photo.png").c_str(), 0);
  ASSERT_NE(png, nullptr);
  EXPECT_EQ(FreeImage_GetWidth(png), 100u);
  EXPECT_EQ(FreeImage_GetHeight(png), 100u);
  EXPECT_EQ(FreeImage_GetBPP(png), 24u);  // automatic depth for a 16-bit load
  FreeImage_Unload(png);
}

TEST_F(ConsoleRunTest, DebugRunPrintsEverySettingItUsesInOrder) {
  auto r = Run({"-i", input, "-o", out, "-d", "-q"});
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.lines, (Lines{"Input: " + input,
                            "Output: " + out,
                            "Conversion: png",
                            "RAW Load As: AUTO",
                            "RAW Header Size: 0",
                            "RAW Image Width: 0",
                            "RAW Image Height: 0",
                            "RAW Tone Mapping: AL",
                            "PNG BPP: 0",
                            "PNG Compression: NONE",
                            "PNG Interlaced: 0",
                            "Flip Horizontal: 0",
                            "Flip Vertical: 0",
                            "Greyscale: 0",
                            "Frame: NONE",
                            "Watermark: NONE",
                            "Filename Mask: %filename%.%ext%",
                            "File Timestamp: CURRENT",
                            "Keep Subfolders: 1",
                            "Keep Metadata: 1",
                            "Parallel Conversions: 0",
                            "Processing: " + input,
                            "Saving As: " + out + "/photo.png",
                            "OK"}));
}

TEST_F(ConsoleRunTest, DebugLinesOfTheOptionalSteps) {
  auto r = Run({"-i", input, "-o", out + "/", "-d", "-q", "--rotation=90", "--rotation-back-color=FF0000", "--width=50",
                "--height=50", "--height-unit=percent", "--keep-aspect-ratio", "--resize-algorithm=lanczos",
                "--brightness=10", "--gamma=1", "--threshold=999", "--fr-solid-left=3", "--png-compression=zlib6",
                "--file-timestamp=custom", "--file-timestamp-custom=1000", "--png-bpp=24"});
  EXPECT_EQ(r.exitStatus, 0) << r.out;
  const Lines expected{"Input: " + input,
                       "Output: " + out + "/",
                       "Conversion: png",
                       "RAW Load As: AUTO",
                       "RAW Header Size: 0",
                       "RAW Image Width: 0",
                       "RAW Image Height: 0",
                       "RAW Tone Mapping: AL",
                       "PNG BPP: 24",
                       "PNG Compression: ZLIB6",
                       "PNG Interlaced: 0",
                       "Image Rotation Type: SIMPLE",
                       "Image Rotation: 90",
                       "Image Rotation Back Color: FF0000",
                       "Width: 50 PIXELS",
                       "Height: 50 PERCENT",
                       "Keep Aspect Ratio: 1",
                       "Image Resize Type: ALLIMAGES",
                       "Image Resize Algorithm: LANCZOS",
                       "Flip Horizontal: 0",
                       "Flip Vertical: 0",
                       "Brightness: 10",
                       "Contrast: 0",
                       "Gamma: 1.00",
                       "Invert: 0",
                       "Greyscale: 0",
                       "Image Threshold: 999",
                       "Frame: SOLID",
                       "Frame left: 3",
                       "Frame right: 0",
                       "Frame top: 0",
                       "Frame bottom: 0",
                       "Frame left color: 000000",
                       "Frame right color: 000000",
                       "Frame top color: 000000",
                       "Frame bottom color: 000000",
                       "Frame opacity: 255",
                       "Watermark: NONE",
                       "Filename Mask: %filename%.%ext%",
                       "File Timestamp: CUSTOM",
                       "Custom Timestamp: 1000",
                       "Keep Subfolders: 1"};
  ASSERT_GE(r.lines.size(), expected.size());
  EXPECT_EQ(Lines(r.lines.begin(), r.lines.begin() + static_cast<long>(expected.size())), expected);
}

TEST_F(ConsoleRunTest, DebugLinesOfTheWatermarks) {
  // The lines between "Watermark: ..." and "Filename Mask: ...".
  auto watermarkLines = [&](Lines options) {
    Lines args = {"-i", input, "-o", out, "-d", "-q"};
    args.insert(args.end(), options.begin(), options.end());
    const auto r = Run(args);
    EXPECT_EQ(r.exitStatus, 0) << r.out;
    const auto first = std::find_if(r.lines.begin(), r.lines.end(),
                                    [](const std::string& l) { return l.rfind("Watermark: ", 0) == 0; });
    const auto last = std::find_if(first, r.lines.end(),
                                   [](const std::string& l) { return l.rfind("Filename Mask: ", 0) == 0; });
    return Lines(first, last);
  };
  EXPECT_EQ(watermarkLines({"--wm-text=Hello %n%", "--wm-font-style=bolditalic", "--wm-text-antialiasing",
                            "--wm-text-alignment=right", "--wm-text-x-offset=-3", "--wm-text-y-offset=7",
                            "--wm-back-opacity=99"}),
            (Lines{"Watermark: TEXT", "Watermark text: Hello %n%", "Watermark font: Arial",
                   "Watermark font size: 14", "Watermark font leading: 0", "Watermark font color: FFFFFF",
                   "Watermark font style: BOLDITALIC", "Watermark font effect: NONE",
                   "Watermark text antialiasing: 1", "Watermark text alignment: RIGHT", "Watermark text padding: 0",
                   "Watermark text opacity: 255", "Watermark background color: 000000",
                   "Watermark background opacity: 99", "Watermark boundary: IMAGE", "Watermark position: BOTTOMRIGHT",
                   "Watermark offset (x/y): -3/7", "Watermark rotation: 0", "Watermark size/mode: FIXED"}));
  FIBITMAP* mark = FreeImage_Allocate(4, 4, 24);
  ASSERT_TRUE(FreeImage_Save(FIF_PNG, mark, dir.file("mark.png").c_str(), 0));
  FreeImage_Unload(mark);
  EXPECT_EQ(watermarkLines({"--wm-image=" + dir.file("mark.png"), "--wm-image-greyscale", "--wm-image-opacity=50",
                            "--wm-image-boundary=frame", "--wm-image-position=middlecenter", "--wm-image-x-offset=4",
                            "--wm-image-rotation=45"}),
            (Lines{"Watermark: IMAGE", "Watermark image: " + dir.file("mark.png"), "Watermark greyscale: 1",
                   "Watermark opacity: 50", "Watermark boundary: FRAME", "Watermark position: MIDDLECENTER",
                   "Watermark offset (x/y): 4/10", "Watermark rotation: 45", "Watermark size/mode: FIXED"}));
}

TEST_F(ConsoleRunTest, AVersionSwitchAfterTheFirstPositionIsIgnored) {
  auto r = Run({"-i", input, "-o", out, "-v", "-q"});
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_TRUE(r.lines.empty()) << r.out;
  EXPECT_TRUE(std::filesystem::exists(out + "/photo.png"));
}

TEST_F(ConsoleRunTest, CommandLineErrorsPrintOneLineAndExitWithTwo) {
  struct Case {
    Lines args;
    std::string line;
  };
  const std::vector<Case> cases = {
      {{"-i"}, "Error: Incorrect number of parameters"},
      {{"-i", "-photo.raw"}, "Error: Incorrect number of parameters"},
      {{"-i", input, "--output="}, "Error: Incorrect number of parameters"},
      {{"-i", input, "--brightness"}, "Error: Incorrect number of parameters"},
      {{"-q", "-i", input, "--jpg-quality"}, "Error: Incorrect number of parameters"},
      {{"-i", input, "--profile=" + dir.file("none.ini")}, "Error: Invalid profile file"},
      // -p before the error waits for a key; without a terminal it must not hang.
      {{"-p", "--jpg-quality"}, "Error: Incorrect number of parameters"},
  };
  for (const Case& c : cases) {
    auto r = RunProgram(c.args, {}, "", 30);
    EXPECT_EQ(r.exitStatus, 2) << c.args[0];
    EXPECT_EQ(r.lines, Lines{c.line}) << c.args[0];
  }
}

TEST_F(ConsoleRunTest, RunChecksStopWithTheirMessageAndExitWithOne) {
  test::WriteFile(dir.file("empty.raw"), "");
  test::WriteFile(dir.file("list.txt"), "photo.raw\n");
  test::WriteFile(dir.file("picture.jpg2"), "data");
  struct Case {
    Lines args;
    Lines tail;  // last lines printed
  };
  const std::vector<Case> cases = {
      {{"-i", input, "--parallel=-1"}, {"Error: Invalid parallel value"}},
      {{"-i", input, "--parallel=65"}, {"Error: Invalid parallel value"}},
      {{"-i", dir.file("*.raw")}, {"Error: Invalid input file"}},
      {{"-i", dir.file("empty.raw")}, {"Error: Invalid input file"}},
      {{"-i", dir.file("missing.raw")}, {"Error: Invalid input file"}},
      {{"-i", dir.file(".raw")}, {"Error: Invalid input file"}},
      {{"-i", input, "-o", dir.file("nowhere")}, {"Error: Invalid output folder"}},
      {{"-i", input, "-o", input}, {"Error: Invalid output folder"}},
      {{"-i", input, "-o", out, "-c", "PNG"}, {"Error: Invalid conversion type"}},
      {{"-i", input, "-o", out, "-c", "jpg"}, {"Error: Invalid conversion type"}},
      {{"-i", input, "-o", out, "--png-bpp=16"}, {"Error: Invalid png-bpp value"}},
      {{"-i", input, "-o", out, "--width=800"}, {"Error: Invalid height value"}},
      {{"-i", input, "-o", out, "--height=800"}, {"Error: Invalid width value"}},
      {{"-i", input, "-o", out, "--brightness=101"}, {"Error: Invalid brightness value"}},
      {{"-i", input, "-o", out, "--contrast=-101"}, {"Error: Invalid contrast value"}},
      // Beyond 32 bits: would wrap to 10 and pass.
      {{"-i", input, "-o", out, "--brightness=4294967306"}, {"Error: Invalid brightness value"}},
      {{"-i", input, "-o", out, "--gamma=10"}, {"Error: Invalid gamma value"}},
      {{"-i", input, "-o", out, "--gamma=0.009"}, {"Error: Invalid gamma value"}},
      {{"-i", input, "-o", out, "--gamma=nan"}, {"Error: Invalid gamma value"}},
      {{"-i", input, "-o", out, "--wm-image=" + dir.file("empty.raw")}, {"Error: Invalid watermark image"}},
      {{"-i", dir.file("list.txt"), "-o", out},
       {"Import complete, new files added: 0", "Conversion stopped",
        "No input file(s) found. Please, add valid file(s) and try again!"}},
      {{"-i", dir.file("picture.jpg2"), "-o", out},
       {"Import complete, new files added: 0", "Conversion stopped",
        "No input file(s) found. Please, add valid file(s) and try again!"}},
  };
  for (const Case& c : cases) {
    auto r = Run(c.args);
    EXPECT_EQ(r.exitStatus, 1) << c.args.back();
    ASSERT_GE(r.lines.size(), c.tail.size()) << r.out;
    EXPECT_EQ(Lines(r.lines.end() - static_cast<long>(c.tail.size()), r.lines.end()), c.tail) << c.args.back();
  }
  // Quiet hides the progress lines but never the failure lines.
  auto r = Run({"-q", "-i", dir.file("list.txt"), "-o", out});
  EXPECT_EQ(r.lines, (Lines{"Conversion stopped", "No input file(s) found. Please, add valid file(s) and try again!"}));
  r = Run({"-q", "-i", input, "-o", out, "-c", "PNG"});
  EXPECT_EQ(r.lines, Lines{"Error: Invalid conversion type"});
  EXPECT_FALSE(std::filesystem::exists(out + "/photo.png"));
}

TEST_F(ConsoleRunTest, RangeLimitsThemselvesPass) {
  for (const char* option : {"--brightness=100", "--brightness=-100", "--gamma=0.01", "--gamma=9.99", "--threshold=999",
                             "--png-bpp=0", "--png-bpp=48"}) {
    auto r = Run({"-q", "-i", input, "-o", out, option});
    EXPECT_EQ(r.exitStatus, 0) << option << r.out;
    EXPECT_TRUE(r.lines.empty()) << option << r.out;
  }
}

TEST_F(ConsoleRunTest, WithoutAnOutputFolderTheInputsFolderIsUsed) {
  auto r = Run({"-q", "-i", input});
  EXPECT_EQ(r.exitStatus, 0) << r.out;
  EXPECT_TRUE(std::filesystem::exists(dir.file("photo.png")));
}

TEST_F(ConsoleRunTest, RelativePathsCountFromTheWorkingFolder) {
  std::filesystem::create_directory(dir.file("sub"));
  const std::string away = "../../" + std::filesystem::path(dir.path()).filename().string() + "/out";
  struct Case {
    Lines args;     // run in dir/sub
    const char* written;  // below dir
  };
  const Case cases[] = {
      {{"-i", "../photo.raw", "-o", "../out"}, "out/photo.png"},
      {{"-i", input, "-o", away}, "out/photo.png"},
      {{"-i", input, "-o", "."}, "sub/photo.png"},
      {{"-i", input, "-o", "./"}, "sub/photo.png"},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(dir.file("out/photo.png"));
    std::filesystem::remove_all(dir.file("sub/photo.png"));
    Lines args = c.args;
    args.insert(args.begin(), "-q");
    const auto r = RunProgram(args, {}, dir.file("sub"));
    EXPECT_EQ(r.exitStatus, 0) << c.args[3] << r.out;
    EXPECT_TRUE(std::filesystem::exists(dir.file(c.written))) << c.args[3];
  }
  // An input named without a folder is converted beside itself, in the
  // working folder.
  const auto r = RunProgram({"-q", "-i", "photo.raw"}, {}, dir.path());
  EXPECT_EQ(r.exitStatus, 0) << r.out;
  EXPECT_TRUE(std::filesystem::exists(dir.file("photo.png")));
}

TEST_F(ConsoleRunTest, QuotedParametersAreJoined) {
  const std::string spaced = dir.file("my photo.raw");
  std::filesystem::copy_file(input, spaced);
  auto r = Run({"-q", "-i", "\"" + dir.file("my"), "photo.raw\"", "-o", out});
  EXPECT_EQ(r.exitStatus, 0) << r.out;
  EXPECT_TRUE(std::filesystem::exists(out + "/my photo.png"));
}

TEST_F(ConsoleRunTest, ProfileFrameOpacityKeyDiffersFromTheCommandLine) {
  test::WriteFile(dir.file("wm.ini"), "[CLI]\n--fr-solid-left = 2\n--wm-solid-opacity = 128\n");
  test::WriteFile(dir.file("fr.ini"), "[CLI]\n--fr-solid-left = 2\n--fr-solid-opacity = 128\n");
  auto wm = Run({"-q", "-d", "-i", input, "-o", out, "--profile=" + dir.file("wm.ini")});
  auto fr = Run({"-q", "-d", "-i", input, "-o", out, "--profile=" + dir.file("fr.ini")});
  EXPECT_NE(std::find(wm.lines.begin(), wm.lines.end(), "Frame opacity: 128"), wm.lines.end()) << wm.out;
  EXPECT_NE(std::find(fr.lines.begin(), fr.lines.end(), "Frame opacity: 255"), fr.lines.end()) << fr.out;
}

TEST_F(ConsoleRunTest, AnOutputNamedLikeTheInputNeverReplacesThePhotograph) {
  // The mask turns photo.raw into photo.raw in the input's own folder.
  const std::string before = test::ReadFile(input);
  auto r = Run({"-d", "-q", "-i", input, "-o", dir.path(), "--filename-mask=%filename%.raw"});
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_EQ(r.lines.back(), "Conversion stopped");
  EXPECT_EQ(r.lines[r.lines.size() - 2], "Not OK");
  EXPECT_EQ(test::ReadFile(input), before);
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(ConsoleRunTest, AFailedSaveLeavesAnExistingOutputUntouched) {
  test::WriteFile(out + "/photo.png", "precious");
  // The disk "fills up" a few kilobytes into the new file: a file-size limit
  // with its signal ignored makes writes fail as a full disk does.
  const Lines command = {"-c", "trap '' XFSZ; ulimit -f 8; exec \"$0\" \"$@\"", PICTAVO_EXECUTABLE,
                         "-q", "-d", "-i", input, "-o", out};
  auto r = RunProgram(command, {}, "", 120, "/bin/sh");
  EXPECT_EQ(r.exitStatus, 1) << r.out << r.err;
  EXPECT_NE(r.out.find("Saving As: " + out + "/photo.png\nNot OK"), std::string::npos) << r.out;
  EXPECT_EQ(test::ReadFile(out + "/photo.png"), "precious");
  EXPECT_EQ(FilesIn(out), Lines{"photo.png"});  // no temporary file left behind

  // The same run with room to write replaces the file: the save was what failed.
  r = Run({"-q", "-i", input, "-o", out});
  EXPECT_EQ(r.exitStatus, 0) << r.out << r.err;
  EXPECT_NE(test::ReadFile(out + "/photo.png"), "precious");
}

// The picture is saved by the copy of the program that converts it: a
// signal to the program, or a crash of the copy, while it writes leaves no
// partial file. A crashed copy costs the file, not the run, which stops.
TEST_F(ConsoleRunTest, ASignalOrACrashDuringTheSaveLeavesNoPartialFile) {
  // A picture big enough that compressing it takes a while: 2400 x 2400
  // noisy 16-bit pixels.
  std::string bytes(2400 * 2400 * 2, '\0');
  uint32_t state = 12345;
  for (char& b : bytes) b = static_cast<char>((state = state * 1103515245u + 12345u) >> 24);
  const std::string big = dir.file("big.raw");
  test::WriteFile(big, bytes);
  for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGSEGV}) {
    const int pid = test::SpawnProgram({"-q", "-i", big, "-o", out, "--png-compression=zlib9"});
    ASSERT_GT(pid, 0);
    // Wait for the copy to write its file, then stop the program, or crash
    // the copy.
    const int copy = test::CopyWritingInto(pid, out);
    kill(signal == SIGSEGV ? copy : pid, signal);
    const int status = test::WaitForProgram(pid);
    ASSERT_GT(copy, 0) << "the save never started";
    if (signal == SIGSEGV)
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << "status " << status;
    else
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "signal " << signal << ", status " << status;
    EXPECT_EQ(FilesIn(out), Lines{}) << "signal " << signal;
  }
}

}  // namespace
}  // namespace pictavo

namespace pictavo {
namespace {

// A mask makes a file name: one that would lead out of the output folder,
// or name a folder, converts nothing and writes nothing anywhere.
TEST_F(ConsoleRunTest, AMaskThatIsNoFileNameWritesNothing) {
  test::WriteFile(dir.file("notes.txt"), "mine");
  for (const char* mask : {"../escape.%ext%", "../notes.txt", "..", ".", "sub/name.%ext%", "%filename%/"}) {
    const auto r = Run({"-q", "-d", "-i", input, "-o", out, std::string("--filename-mask=") + mask});
    EXPECT_EQ(r.exitStatus, 1) << mask;
    EXPECT_EQ(r.lines.back(), "Conversion stopped") << mask;
    EXPECT_NE(std::find(r.lines.begin(), r.lines.end(), "Not OK"), r.lines.end()) << mask;
    EXPECT_TRUE(std::filesystem::is_empty(out)) << mask;
  }
  EXPECT_EQ(test::ReadFile(dir.file("notes.txt")), "mine");
  EXPECT_FALSE(std::filesystem::exists(dir.file("escape.png")));
}

}  // namespace
}  // namespace pictavo

namespace pictavo {
namespace {

// A copy killed outright while it writes its file (SIGKILL, the
// out-of-memory killer) has no chance to clean up: nothing of the file may
// be left anyway.
TEST_F(ConsoleRunTest, ACopyKilledDuringItsSaveLeavesNothing) {
  dng::DngOptions options;
  options.width = 2400;
  options.height = 1600;
  ASSERT_TRUE(dng::WriteDng(dir.file("large.dng"), options));
  const int pid = test::SpawnProgram(
      {"-q", "-i", dir.file("large.dng"), "-o", out, "--raw-load-as=48", "--raw-tone-mapping=none"});
  ASSERT_GT(pid, 0);
  const int copy = test::CopyWritingInto(pid, out, 120);
  const bool killed = copy > 0 && kill(copy, SIGKILL) == 0;
  const int status = test::WaitForProgram(pid);
  ASSERT_TRUE(killed) << "the copy never wrote";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
  EXPECT_TRUE(std::filesystem::is_empty(out));
}

}  // namespace
}  // namespace pictavo

namespace pictavo {
namespace {

// A watermark that is on but cannot be drawn fails the file, which the run
// reports as not converted instead of saving the picture without it.
TEST_F(ConsoleRunTest, AWatermarkThatCannotBeDrawnFailsTheFile) {
  test::WriteFile(dir.file("mark.png"), "not a picture");
  const auto r = Run({"-q", "-i", input, "-o", out, "--wm-image=" + dir.file("mark.png")});
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_EQ(r.lines.back(), "Conversion stopped");
  EXPECT_TRUE(std::filesystem::is_empty(out));
}

}  // namespace
}  // namespace pictavo
