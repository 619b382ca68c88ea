// The manual's recipe for converting an archive on many machines, run as it
// stands on this machine alone: the outputs are those of one run per file,
// and a rerun converts nothing again.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"
#include "tools/dng_writer.h"

namespace pictavo {
namespace {

namespace fs = std::filesystem;

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) text.replace(at, from.size(), to);
  return text;
}

// The recipe's shell text from the manual's source.
std::string Recipe() {
  const std::string manual = test::ReadFile(PICTAVO_SOURCE_DIR "/docs/manual.html.in");
  const std::string start = "<pre id=\"archive-recipe\"><code>";
  const size_t from = manual.find(start);
  const size_t to = manual.find("</code></pre>", from);
  if (from == std::string::npos || to == std::string::npos) return {};
  std::string text = manual.substr(from + start.size(), to - from - start.size());
  for (const auto& [entity, character] : {std::pair{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}})
    text = ReplaceAll(text, entity, character);
  return text;
}

std::map<std::string, std::string> Tree(const std::string& folder) {
  std::map<std::string, std::string> tree;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (entry.is_regular_file()) tree[fs::relative(entry.path(), folder).string()] = test::ReadFile(entry.path());
  return tree;
}

TEST(ArchiveRecipe, ConvertsAsOneRunPerFileAndARerunLeavesItAlone) {
  if (!fs::exists("/usr/bin/parallel")) GTEST_SKIP() << "GNU parallel (package parallel) not installed";
  const std::string recipe = Recipe();
  ASSERT_NE(recipe.find("parallel --sshlogin"), std::string::npos) << "the manual has no recipe";

  // An archive of nested folders, two photographs of one name among them;
  // the camera files, when present, under a name the recipe looks for (the
  // decoder goes by the contents).
  test::TempDir work;
  const std::string archive = work.file("archive");
  fs::create_directories(archive + "/2019/May");
  fs::create_directories(archive + "/2020");
  for (const auto& [name, width] : {std::pair{"2019/May/a.dng", 300}, {"2020/a.DNG", 200}, {"b.nef", 96}}) {
    dng::DngOptions options;
    options.width = width;
    options.height = width * 2 / 3;
    ASSERT_TRUE(dng::WriteDng(archive + "/" + name, options));
  }
  const fs::path corpus = fs::path(PICTAVO_SOURCE_DIR) / ".." / "shared" / "corpus" / "raw";
  if (fs::is_directory(corpus))
    for (const auto& entry : fs::directory_iterator(corpus))
      fs::copy_file(entry.path(), archive + "/2020/" + entry.path().stem().string() + ".dng");
  test::WriteFile(archive + "/notes.txt", "not a photograph");

  std::string local = ReplaceAll(recipe, "/photos/archive", archive);
  local = ReplaceAll(local, "/photos/converted", work.file("converted"));
  local = ReplaceAll(local, "~/archive-convert.log", work.file("convert.log"));
  local = ReplaceAll(local, "2/alpha,2/beta,:", "2/:");
  local = ReplaceAll(local, "pictavo -q", std::string(PICTAVO_EXECUTABLE) + " -q");
  const auto run = [&] {
    return test::RunProgram({"-c", local}, {"HOME=" + work.path()}, work.path(), 600, "/bin/bash");
  };
  const auto first = run();
  ASSERT_EQ(first.exitStatus, 0) << first.out << first.err;

  // One run of the program per file, into the same subfolders.
  for (const auto& entry : fs::recursive_directory_iterator(archive)) {
    if (!entry.is_regular_file() || entry.path().extension() == ".txt") continue;
    const std::string folder =
        work.file("one-by-one/" + fs::relative(entry.path().parent_path(), archive).string());
    fs::create_directories(folder);
    ASSERT_EQ(test::RunProgram({"-q", "-i", entry.path().string(), "-o", folder}, {}, "", 300).exitStatus, 0)
        << entry.path();
  }
  const auto converted = Tree(work.file("converted"));
  EXPECT_EQ(converted.size(), Tree(archive).size() - 1);
  EXPECT_TRUE(converted == Tree(work.file("one-by-one"))) << "the same files, byte for byte";

  const auto log = test::ReadFile(work.file("convert.log"));
  const auto times = fs::last_write_time(work.file("converted/b.png"));
  const auto again = run();
  EXPECT_EQ(again.exitStatus, 0) << again.err;
  EXPECT_EQ(test::ReadFile(work.file("convert.log")), log) << "nothing converted again";
  EXPECT_EQ(fs::last_write_time(work.file("converted/b.png")), times);
}

}  // namespace
}  // namespace pictavo
