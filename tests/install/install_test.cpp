// The installed tree: its layout, the program running from it, and the
// desktop files as the desktop's own tools read them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/options.h"
#include "engine/formats.h"
#include "base/program.h"
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
        PICTAVO_MODULE_DIR "/pictavo-window.so", PICTAVO_MODULE_DIR "/libpictavo-drawing.so",
        PICTAVO_MODULE_DIR "/libpictavo-imaging.so",
        "share/pictavo/gfx/handdrawn.zip",
        "share/pictavo/pictavo.html", "share/doc/pictavo/pictavo.html", "share/applications/com.corvane.Pictavo.desktop",
        "share/metainfo/com.corvane.Pictavo.metainfo.xml", "share/man/man1/pictavo.1.gz",
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

// The window and the drawing layer load from their module folder, wherever the
// tree was installed and whichever folder the program runs from.
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
      {"manual page", "gzip -dc '" + Installed("share/man/man1/pictavo.1.gz").string() + "' | groff -man -ww -z"},
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

// The manual page and the manual's option reference describe every option,
// and say of exactly the options that change nothing that they are accepted
// without effect (the completion leaves those out: completion_test.cpp).
TEST(GeneratedDocs, DescribeEveryOptionAndMarkThoseWithoutEffect) {
  const std::string page = Read(PICTAVO_BINARY_DIR "/doc/pictavo.1");
  const std::string manual = Read(PICTAVO_BINARY_DIR "/bin/pictavo.html");
  // The entry of an option: from its first name to the next entry.
  auto entry = [](const std::string& text, const std::string& start, const std::vector<std::string>& ends) {
    const size_t from = text.find(start);
    if (from == std::string::npos) return std::string();
    size_t to = text.size();
    for (const std::string& end : ends) to = std::min(to, text.find(end, from + start.size()));
    return text.substr(from, to - from);
  };
  for (const OptionRow& row : OptionTable()) {
    std::vector<std::string> lower, roff;
    for (const std::string& name : row.names) {
      lower.emplace_back();
      roff.emplace_back();
      for (char c : name) {
        const char l = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        lower.back() += l;
        roff.back() += l == '-' ? std::string("\\-") : std::string(1, l);
      }
    }
    const std::string documents[] = {
        entry(page, ".TP\n\\fB" + roff[0] + "\\fR", {"\n.TP", "\n.SS", "\n.SH"}),
        entry(manual, "<tr><td><code>" + lower[0] + "</code>", {"</tr>"}),
    };
    for (const std::string& document : documents) {
      ASSERT_NE(document, "") << lower[0];
      for (size_t i = 0; i < row.names.size(); ++i)
        EXPECT_NE(document.find(&document == &documents[0] ? roff[i] : lower[i]), std::string::npos) << document;
      EXPECT_EQ(document.find("without effect") == std::string::npos, OptionTakesEffect(row)) << document;
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

namespace pictavo {
namespace {

// Every program and module of the tree with the distribution's hardening:
// read-only relocations bound at start, and the stack protector.
TEST_F(InstalledTree, EveryBinaryIsHardened) {
  if (Shell("command -v readelf").first != 0) GTEST_SKIP() << "no readelf";
  int binaries = 0;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(Installed(""))) {
    if (!entry.is_regular_file() || Read(entry.path()).substr(0, 4) != "\x7f" "ELF") continue;
    ++binaries;
    const std::string file = "'" + entry.path().string() + "'";
    const std::string dynamic = Shell("readelf -d -W " + file).second;
    EXPECT_TRUE(dynamic.find("BIND_NOW") != std::string::npos || dynamic.find(" NOW") != std::string::npos)
        << entry.path();
    EXPECT_NE(Shell("readelf -l -W " + file).second.find("GNU_RELRO"), std::string::npos) << entry.path();
    EXPECT_NE(Shell("readelf --dyn-syms -W " + file).second.find("__stack_chk_fail"), std::string::npos)
        << entry.path();
    if (entry.path().extension() != ".so") {
      EXPECT_NE(dynamic.find(" PIE"), std::string::npos) << entry.path();
    }
  }
  EXPECT_EQ(binaries, 5);
}

// The Debian package as a maintainer checks it: lintian without an error or
// a warning, the program's own version, and the same bytes when packed again.
TEST(DebianPackage, PassesLintianAndPacksTheSameBytesTwice) {
  if (Shell("command -v lintian && command -v dpkg-deb").first != 0) GTEST_SKIP() << "no lintian";
  const std::string cpack = (fs::path(PICTAVO_CMAKE_COMMAND).parent_path() / "cpack").string();
  test::TempDir work;
  for (const char* round : {"a", "b"}) {
    const auto [status, out] = Shell("cd '" + work.path() + "' && '" + cpack + "' -G DEB -B '" + work.file(round) +
                                     "' --config '" PICTAVO_BINARY_DIR "/CPackConfig.cmake'");
    ASSERT_EQ(status, 0) << out;
  }
  const std::string architecture = Shell("dpkg --print-architecture").second;
  const std::string name = "pictavo_" + FormatVersion(kVersionNumber) + "_" +
                           architecture.substr(0, architecture.find('\n')) + ".deb";
  ASSERT_TRUE(fs::exists(work.file("a/" + name))) << name;
  EXPECT_EQ(Read(work.file("a/" + name)), Read(work.file("b/" + name)));
  const auto [version, control] = Shell("dpkg-deb -f '" + work.file("a/" + name) + "' Version");
  EXPECT_EQ(control, FormatVersion(kVersionNumber) + "\n");

  const auto [status, report] = Shell("lintian --no-cfg --fail-on error,warning '" + work.file("a/" + name) + "'");
  EXPECT_EQ(status, 0) << report;
}

}  // namespace
}  // namespace pictavo
