// The installed tree: its layout, the program running from it, and the
// desktop files as the desktop's own tools read them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/options.h"
#include "engine/formats.h"
#include "settings/program.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"
#include "tools/dng_writer.h"
#include "ui/main_window.h"
#include "ui/themes.h"

namespace pictavo {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs a shell command; its exit status and what it printed.
std::pair<int, std::string> Shell(const std::string& command) {
  const auto r = test::RunProgram({"-c", command + " 2>&1"}, {}, "", 300, "/bin/sh");
  return {r.exitStatus, r.out};
}

class InstalledTree : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    prefix_ = new test::TempDir;
    const auto [status, out] =
        Shell(std::string("'") + PICTAVO_CMAKE_COMMAND + "' --install '" + PICTAVO_BINARY_DIR + "' --prefix '" +
              prefix_->path() + "'");
    ASSERT_EQ(status, 0) << out;
  }
  static void TearDownTestSuite() {
    delete prefix_;
    prefix_ = nullptr;
  }
  static fs::path Installed(const std::string& relative) { return fs::path(prefix_->path()) / relative; }

  static test::TempDir* prefix_;
};
test::TempDir* InstalledTree::prefix_ = nullptr;

TEST_F(InstalledTree, HoldsEveryFileWhereTheDesktopLooks) {
  for (const char* file :
       {"bin/pictavo", "libexec/pictavo/pictavo-exif",
        "lib/pictavo/pictavo-window.so", "lib/pictavo/libpictavo-drawing.so", "lib/pictavo/libpictavo-imaging.so",
        "share/pictavo/gfx/handdrawn.zip",
        "share/pictavo/pictavo.html", "share/doc/pictavo/pictavo.html", "share/applications/com.corvane.Pictavo.desktop",
        "share/metainfo/com.corvane.Pictavo.metainfo.xml", "share/man/man1/pictavo.1",
        "share/bash-completion/completions/pictavo"})
    EXPECT_TRUE(fs::is_regular_file(Installed(file))) << file;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    const std::string dimension = std::to_string(size) + "x" + std::to_string(size);
    EXPECT_TRUE(fs::is_regular_file(Installed("share/icons/hicolor/" + dimension + "/apps/com.corvane.Pictavo.png")))
        << dimension;
  }
  // F1 needs no documentation folder, which minimal systems remove.
  fs::remove_all(Installed("share/doc"));
  EXPECT_TRUE(fs::is_regular_file(ManualPath(Installed("bin/").string())));
}

TEST_F(InstalledTree, ConvertsFromAnotherFolderWithItsHelper) {
  test::TempDir work;
  ASSERT_TRUE(dng::WriteDng(work.file("photo.dng"), {}));
  fs::create_directory(work.file("out"));
  const std::string program = Installed("bin/pictavo");
  // A relative output folder, then the input's own folder by default.
  auto r = test::RunProgram({"-q", "-i", "photo.dng", "-o", "out"}, {}, work.path(), 120, program);
  EXPECT_EQ(r.exitStatus, 0) << r.out << r.err;
  EXPECT_TRUE(fs::exists(work.file("out/photo.png")));
  r = test::RunProgram({"-q", "-i", "photo.dng"}, {}, work.path(), 120, program);
  EXPECT_EQ(r.exitStatus, 0) << r.out << r.err;
  EXPECT_TRUE(fs::exists(work.file("photo.png")));
  // The metadata reader was found as well: the DNG's camera is in the PNG.
  EXPECT_NE(test::ReadFile(work.file("photo.png")).find("eXIf"), std::string::npos);
}

// The window and the drawing layer load from lib/pictavo, wherever the tree
// was installed and whichever folder the program runs from.
TEST_F(InstalledTree, StartsItsWindowAndDrawsItsWatermarkFromItsModules) {
  test::TempDir work;
  ASSERT_TRUE(dng::WriteDng(work.file("photo.dng"), {}));
  fs::create_directory(work.file("shots"));
  fs::create_directory(work.file("runtime"));
  fs::permissions(work.file("runtime"), fs::perms::owner_all);
  const std::string program = Installed("bin/pictavo");
  auto r = test::RunProgram({"-q", "-i", "photo.dng", "--wm-text=Hello"}, {}, work.path(), 120, program);
  EXPECT_EQ(r.exitStatus, 0) << r.out << r.err;
  EXPECT_TRUE(fs::exists(work.file("photo.png")));
  r = test::RunProgram({"-T", "shots"},
                       {"QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + work.file("runtime"),
                        "XDG_CONFIG_HOME=" + work.file("config")},
                       work.path(), 120, program);
  EXPECT_EQ(r.exitStatus, 0) << r.out << r.err;
  EXPECT_TRUE(fs::exists(work.file("shots/pictavo1.jpg")));
}

TEST_F(InstalledTree, TheDesktopToolsAcceptItsFiles) {
  const std::pair<const char*, std::string> checks[] = {
      {"desktop entry", "desktop-file-validate '" + Installed("share/applications/com.corvane.Pictavo.desktop").string() + "'"},
      {"metainfo", "appstreamcli validate --no-net '" + Installed("share/metainfo/com.corvane.Pictavo.metainfo.xml").string() + "'"},
      {"manual page", "groff -man -ww -z '" + Installed("share/man/man1/pictavo.1").string() + "'"},
      {"completion", "bash -n '" + Installed("share/bash-completion/completions/pictavo").string() + "'"},
  };
  for (const auto& [what, command] : checks) {
    const auto [status, out] = Shell(command);
    EXPECT_EQ(status, 0) << what << ": " << out;
    if (std::string_view(what) == "manual page") {
      EXPECT_EQ(out, "") << what;
    }
  }
  // Only picture types; the window's class and id name this entry.
  const std::string entry = Read(Installed(std::string("share/applications/") + kDesktopId + ".desktop"));
  for (const std::string& line : std::vector<std::string>{"Exec=pictavo %f", "TryExec=pictavo", "StartupNotify=true",
                                 std::string("StartupWMClass=") + kBaseName})
    EXPECT_NE(entry.find("\n" + line + "\n"), std::string::npos) << line;
  EXPECT_EQ(entry.find("application/"), std::string::npos);
}

// What the desktop makes of a RAW file once the package's MIME types are
// known: a type the entry claims, so that "Open with" offers the program,
// also for the TIFF-like files it would otherwise take for TIFF.
TEST_F(InstalledTree, TheDesktopOffersItForEveryRawExtension) {
  if (Shell("command -v gio && command -v update-mime-database").first != 0) GTEST_SKIP() << "no gio";
  const auto [status, out] = Shell("update-mime-database '" + Installed("share/mime").string() + "'");
  ASSERT_EQ(status, 0) << out;
  test::TempDir files;
  InputExtensionMap extensions;
  BuildInputExtensions(extensions);
  std::string names;
  for (const std::string& extension : BuildAcceptedExtensions(extensions, InputGroups())) {
    if (extensions[extension].formatGroup != "raw") continue;
    test::WriteFile(files.file("x." + extension), std::string("II*\0\x08\0\0\0", 8));
    names += " '" + files.file("x." + extension) + "'";
  }
  const auto [guessed, types] = Shell("XDG_DATA_HOME=/nonexistent XDG_DATA_DIRS='" + Installed("share").string() +
                                      ":/usr/share' gio info -a standard::content-type" + names);
  ASSERT_EQ(guessed, 0) << types;
  const std::string entry = Read(Installed(std::string("share/applications/") + kDesktopId + ".desktop"));
  std::istringstream lines(types);
  int seen = 0;
  for (std::string line; std::getline(lines, line);) {
    const size_t at = line.find("content-type: ");
    if (at == std::string::npos) continue;
    ++seen;
    const std::string type = line.substr(at + 14);
    // ".cap" and ".sti" belong to other programs' files first.
    if (type.rfind("image/", 0) == 0) {
      const bool claimed = entry.find("=" + type + ";") != std::string::npos ||
                           entry.find(";" + type + ";") != std::string::npos;
      EXPECT_TRUE(claimed) << type;
    }
  }
  EXPECT_GE(seen, 40);
}

TEST_F(InstalledTree, ManualPageAndCompletionNameEveryOption) {
  const std::string page = Read(Installed("share/man/man1/pictavo.1"));
  const std::string completion = Read(Installed("share/bash-completion/completions/pictavo"));
  for (const OptionRow& row : OptionTable()) {
    for (const std::string& name : row.names) {
      std::string lower, roff;
      for (char c : name) {
        const char l = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        lower += l;
        roff += l == '-' ? std::string("\\-") : std::string(1, l);
      }
      EXPECT_NE(page.find(roff), std::string::npos) << name;
      if (row.scope != OptionScope::ProfileOnly) {
        EXPECT_NE(completion.find(lower), std::string::npos) << name;
      }
    }
  }
}

TEST(ThemeFolder, BesideTheProgramOrInTheInstalledDataFolder) {
  test::TempDir tree;
  fs::create_directories(tree.file("bin"));
  const std::string program = tree.file("bin") + "/";
  EXPECT_EQ(ThemeFolder(program), program + "../share/pictavo/gfx/");
  fs::create_directories(program + "gfx");
  EXPECT_EQ(ThemeFolder(program), program + "gfx/");
}

}  // namespace
}  // namespace pictavo
