// A whole shoot at once: a folder on the command line, its files converted
// several at a time, ending exactly as a run of one file at a time.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"
#include "tools/dng_writer.h"

namespace pictavo {
namespace {

namespace fs = std::filesystem;

const fs::path kBadFiles = fs::path(PICTAVO_SOURCE_DIR) / ".." / "shared" / "corpus" / "bad";
const char* const kCrashingFile = "fuzz_kodak_dc50_unpack_thumb_heap_overflow.kdc";

// Every file below `folder`: its path relative to it and its bytes.
std::map<std::string, std::string> Tree(const std::string& folder) {
  std::map<std::string, std::string> tree;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (entry.is_regular_file()) tree[fs::relative(entry.path(), folder).string()] = test::ReadFile(entry.path());
  return tree;
}

void WriteDng(const std::string& path, int width, int height) {
  dng::DngOptions options;
  options.width = width;
  options.height = height;
  ASSERT_TRUE(dng::WriteDng(path, options)) << path;
}

class FolderRun : public ::testing::Test {
 protected:
  std::string Out(const std::string& name) {
    const std::string folder = out.file(name);
    fs::create_directories(folder);
    return folder;
  }
  test::TempDir shoot;
  test::TempDir out;
};

// Larger files first, so that later ones finish sooner when several run.
TEST_F(FolderRun, ConvertsEveryFileIntoItsSubfolderAsOneAtATimeWould) {
  fs::create_directories(shoot.file("2019/May"));
  WriteDng(shoot.file("a.dng"), 900, 600);
  WriteDng(shoot.file("2019/b.DNG"), 300, 200);
  WriteDng(shoot.file("2019/May/c.dng"), 96, 64);
  test::WriteFile(shoot.file("2019/notes.txt"), "not a photograph");
  const bool crashing = fs::exists(kBadFiles / kCrashingFile);
  if (crashing) fs::copy_file(kBadFiles / kCrashingFile, shoot.file("2019/May/broken.kdc"));

  std::map<std::string, test::ProgramResult> runs;
  for (const char* parallel : {"1", "3"})
    runs[parallel] = test::RunProgram({"-d", "-i", shoot.path(), "-o", Out(parallel), "--raw-load-as=24",
                                       std::string("--parallel=") + parallel},
                                      {}, "", 300);
  const auto& one = runs["1"];
  const auto& three = runs["3"];
  // Every file converted but the one that crashes its copy, which costs
  // that file only; the status tells a script whether all were.
  EXPECT_EQ(three.exitStatus, crashing ? 1 : 0) << three.out << three.err;
  EXPECT_EQ(three.lines.back(), crashing ? "Files converted: 3 of 4" : "Files converted: 3 of 3");
  const std::map<std::string, std::string> tree = Tree(out.file("3"));
  std::vector<std::string> names;
  for (const auto& [name, bytes] : tree) names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::string>{"2019/May/c.png", "2019/b.png", "a.png"}));
  EXPECT_TRUE(tree == Tree(out.file("1"))) << "the same files, byte for byte";
  // The per-file lines come in the order of the files either way.
  std::string expected = one.out;
  for (size_t at; (at = expected.find(out.file("1"))) != std::string::npos;)
    expected.replace(at, out.file("1").size(), out.file("3"));
  EXPECT_EQ(three.out.substr(three.out.find("Processing:")), expected.substr(expected.find("Processing:")));
}

// With the subfolders left out, two files of one name share an output: the
// later one in the folder's order ends there, as one at a time, however
// soon the earlier one finishes.
TEST_F(FolderRun, TwoFilesOfOneNameEndAsInOrder) {
  fs::create_directories(shoot.file("a"));
  fs::create_directories(shoot.file("b"));
  WriteDng(shoot.file("a/x.dng"), 1200, 800);
  WriteDng(shoot.file("b/x.dng"), 96, 64);
  for (const char* parallel : {"1", "2"})
    ASSERT_EQ(test::RunProgram({"-q", "-i", shoot.path(), "-o", Out(parallel), "--no-subfolders",
                                std::string("--parallel=") + parallel},
                               {}, "", 300)
                  .exitStatus,
              0);
  const auto tree = Tree(out.file("2"));
  ASSERT_EQ(tree.size(), 1u);
  EXPECT_TRUE(tree == Tree(out.file("1")));
}

TEST_F(FolderRun, AFolderWithoutPhotographsConvertsNothing) {
  test::WriteFile(shoot.file("notes.txt"), "text");
  const auto r = test::RunProgram({"-i", shoot.path(), "-o", Out("x")});
  EXPECT_EQ(r.exitStatus, 1);
  ASSERT_GE(r.lines.size(), 2u);
  EXPECT_EQ(r.lines[r.lines.size() - 2], "Conversion stopped");
  EXPECT_EQ(r.lines.back(), "No input file(s) found. Please, add valid file(s) and try again!");
}

// Ctrl+C while several files are under way: the copies remove what they
// were writing, and every file left is a whole picture.
TEST_F(FolderRun, AnInterruptedRunLeavesOnlyWholeFiles) {
  for (int i = 0; i < 4; ++i) WriteDng(shoot.file("p" + std::to_string(i) + ".dng"), 1600, 1200);
  const std::string folder = Out("x");
  const int pid = test::SpawnProgram({"-q", "-i", shoot.path(), "-o", folder, "--parallel=2"});
  ASSERT_GT(pid, 0);
  // Once a copy is writing its file.
  ASSERT_GT(test::CopyWritingInto(pid, folder), 0);
  kill(pid, SIGINT);
  const int status = test::WaitForProgram(pid);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
  for (const auto& [name, bytes] : Tree(folder)) {
    EXPECT_FALSE(name.starts_with(".")) << name;
    EXPECT_EQ(bytes.substr(bytes.size() - 8, 4), "IEND") << name << ": a whole PNG";
  }
}

}  // namespace
}  // namespace pictavo
