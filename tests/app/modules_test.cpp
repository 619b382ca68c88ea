// What a run of the built program loads: Qt, the window and the drawing layer
// only when the run needs them, and each still working when it does.
#include <gtest/gtest.h>

#include <FreeImage.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/modules.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"
#include "tools/dng_writer.h"

namespace pictavo {
namespace {

namespace fs = std::filesystem;
using test::RunProgram;
using Lines = std::vector<std::string>;

// The program with PICTAVO_SHOW_LIBRARIES set, the libraries it and its copy
// that converts listed, and its exit status. Without any display, as in a
// script run over ssh.
struct Loaded {
  int exitStatus = -1;
  std::string libraries;  // the listed paths, one a line
  std::string own;        // those of the program's own process
  std::string output;
};

Loaded RunListing(const Lines& args, const Lines& extraEnv = {}) {
  Lines env = {"PICTAVO_SHOW_LIBRARIES=1", "DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="};
  env.insert(env.end(), extraEnv.begin(), extraEnv.end());
  const auto r = RunProgram(args, env);
  Loaded loaded{r.exitStatus, "", "", r.out + r.err};
  size_t at = 0;
  while ((at = r.err.find("library: ", at)) != std::string::npos) {
    const size_t end = r.err.find('\n', at);
    const std::string path = r.err.substr(at + 9, end - at - 9) + "\n";
    loaded.libraries += path;
    if (at == 0 || r.err[at - 1] == '\n') loaded.own += path;
    at = end;
  }
  return loaded;
}

bool Has(const Loaded& loaded, const std::string& name) { return loaded.libraries.find(name) != std::string::npos; }

class LoadedLibraries : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dng::WriteDng(photo, {}));
    fs::create_directory(out);
  }

  // Pixels of exactly the colour the decorations are drawn in (magenta).
  int MarkedPixels() const {
    FIBITMAP* png = FreeImage_Load(FIF_PNG, (out + "/photo.png").c_str(), 0);
    if (!png) return -1;
    FIBITMAP* rgb = FreeImage_ConvertTo24Bits(png);
    FreeImage_Unload(png);
    int marked = 0;
    for (unsigned y = 0; y < FreeImage_GetHeight(rgb); ++y) {
      const BYTE* row = FreeImage_GetScanLine(rgb, static_cast<int>(y));
      for (unsigned x = 0; x < FreeImage_GetWidth(rgb); ++x, row += 3)
        if (row[FI_RGBA_RED] == 255 && row[FI_RGBA_GREEN] == 0 && row[FI_RGBA_BLUE] == 255) ++marked;
    }
    FreeImage_Unload(rgb);
    return marked;
  }

  test::TempDir dir;
  const std::string photo = dir.file("photo.dng");
  const std::string out = dir.file("out");
};

// The program itself never loads FreeImage: only the copy that converts a
// file does, with the image engine.
TEST_F(LoadedLibraries, ConsoleRunsWithoutDecorationsLoadNoQtAndNoModule) {
  for (const Lines& args : {Lines{"-v"}, Lines{"-h"}, Lines{"-q", "-i", photo, "-o", out}}) {
    const Loaded loaded = RunListing(args);
    EXPECT_EQ(loaded.exitStatus, 0) << args[0] << "\n" << loaded.output;
    EXPECT_NE(loaded.own.find("libc.so"), std::string::npos) << args[0] << ": the listing itself failed";
    EXPECT_EQ(loaded.own.find("libfreeimage"), std::string::npos) << args[0];
    EXPECT_EQ(Has(loaded, "libpictavo-imaging.so"), args[0] == "-q") << args[0];
    EXPECT_EQ(Has(loaded, "libfreeimage"), args[0] == "-q") << args[0];
    for (const char* library : {"libQt6", "pictavo-window.so", "libpictavo-drawing.so", "libfontconfig"})
      EXPECT_FALSE(Has(loaded, library)) << args[0] << " loaded " << library;
  }
}

// A frame or a watermark brings the drawing layer and Qt Gui, never the
// window; the text is drawn without any display, in the colour asked for.
TEST_F(LoadedLibraries, DecorationsLoadTheDrawingLayerAndDrawWithoutADisplay) {
  const Lines plain = {"-q", "-i", photo, "-o", out};
  ASSERT_EQ(RunListing(plain).exitStatus, 0);
  EXPECT_EQ(MarkedPixels(), 0) << "the test photograph itself has the colour";

  const std::vector<Lines> decorations = {
      {"--wm-text=Hello", "--wm-font-size=30", "--wm-font-color=FF00FF"},
      {"--fr-solid-left=12", "--fr-solid-left-color=FF00FF"},
  };
  for (const Lines& decoration : decorations) {
    Lines args = plain;
    args.insert(args.end(), decoration.begin(), decoration.end());
    const Loaded loaded = RunListing(args);
    EXPECT_EQ(loaded.exitStatus, 0) << decoration[0] << "\n" << loaded.output;
    EXPECT_TRUE(Has(loaded, "libpictavo-drawing.so")) << decoration[0];
    EXPECT_TRUE(Has(loaded, "libQt6Gui")) << decoration[0];
    EXPECT_FALSE(Has(loaded, "libQt6Widgets")) << decoration[0];
    EXPECT_FALSE(Has(loaded, "pictavo-window.so")) << decoration[0];
    EXPECT_GT(MarkedPixels(), 50) << decoration[0] << " drew nothing";
  }
}

// The window module starts the desktop: the screenshot mode builds and shows
// the main window and saves its picture.
TEST_F(LoadedLibraries, TheWindowStartsFromItsModule) {
  const std::string shots = dir.file("shots");
  const std::string runtime = dir.file("runtime");
  fs::create_directory(shots);
  fs::create_directory(runtime);
  fs::permissions(runtime, fs::perms::owner_all);
  const Loaded loaded = RunListing({"-T", shots}, {"QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + runtime,
                                                   "XDG_CONFIG_HOME=" + dir.file("config")});
  EXPECT_EQ(loaded.exitStatus, 0) << loaded.output;
  EXPECT_TRUE(Has(loaded, "pictavo-window.so"));
  EXPECT_TRUE(Has(loaded, "libQt6Widgets"));
  EXPECT_GT(fs::file_size(shots + "/pictavo1.jpg"), 1000u);
}

TEST(ModulePath, BesideTheProgramOrInTheInstalledLibraryFolder) {
  test::TempDir tree;
  fs::create_directories(tree.file("bin"));
  fs::create_directories(tree.file(PICTAVO_MODULE_DIR));
  const std::string program = tree.file("bin") + "/";
  EXPECT_EQ(ModulePath(program, "m.so"), "");
  EXPECT_EQ(ModulePath("", "m.so"), "");
  test::WriteFile(tree.file(PICTAVO_MODULE_DIR "/m.so"), "x");
  EXPECT_EQ(ModulePath(program, "m.so"), program + "../" PICTAVO_MODULE_DIR "/m.so");
  test::WriteFile(program + "m.so", "x");
  EXPECT_EQ(ModulePath(program, "m.so"), program + "m.so");
}

}  // namespace
}  // namespace pictavo
