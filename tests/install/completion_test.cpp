// The bash completion as bash runs it: bash-completion loaded, the line split
// into words as bash splits it for completion, _pictavo called in a folder of
// photos, other files and folders, and its replies read back as the user
// sees them (a folder with "/" when it completes as a file name).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

#include "app/options.h"
#include "settings/keywords.h"
#include "base/text_util.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace pictavo {
namespace {

namespace fs = std::filesystem;

constexpr const char* kBashCompletion = "/usr/share/bash-completion/bash_completion";

struct Replies {
  std::vector<std::string> shown;  // sorted
  bool nospace = false;            // no blank after the reply
};

// COMP_WORDS as bash splits a line for completion: at blanks, with "=" (one
// of COMP_WORDBREAKS) a word of its own, so "--a=b" is "--a", "=", "b" and
// "--a=" ends in the word "=".
std::vector<std::string> CompletionWords(const std::string& line) {
  std::vector<std::string> words;
  for (const std::string& blank : SplitString(line, ' ')) {
    if (blank.empty()) continue;
    std::string rest = blank;
    for (size_t eq = rest.find('='); eq != std::string::npos; eq = rest.find('=')) {
      if (eq > 0) words.push_back(rest.substr(0, eq));
      words.push_back("=");
      rest.erase(0, eq + 1);
    }
    if (!rest.empty()) words.push_back(rest);
  }
  if (line.back() == ' ') words.push_back("");
  return words;
}

std::string ShellQuote(const std::string& text) { return "'" + ReplaceAll(text, "'", "'\\''") + "'"; }

class Completion : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kBashCompletion) || test::RunProgram({"-c", "true"}, {}, "", 10, "/bin/bash").exitStatus != 0)
      GTEST_SKIP() << "needs bash and bash-completion";
    for (const char* folder : {"shots", "my card"}) fs::create_directory(dir_.file(folder));
    for (const char* file : {"a.dng", "B.NEF", "my photo.dng", "notes.txt"}) std::ofstream(dir_.file(file)) << "x";
  }

  // Completes each line at its end, in the folder of files.
  std::vector<Replies> Complete(const std::vector<std::string>& lines) {
    // compopt outside a real completion only fails; the stand-in records
    // what readline would be told.
    std::string script = std::string("source ") + kBashCompletion + "\nsource " +
                         ShellQuote(PICTAVO_BINARY_DIR "/doc/pictavo.bash") + "\ncd " + ShellQuote(dir_.path()) +
                         "\n"
                         "compopt() { [[ $1 == -o ]] && told_readline+=\" $2\"; builtin compopt \"$@\" 2>/dev/null; "
                         "return 0; }\n"
                         "run() {\n"
                         "  COMP_LINE=$1 COMP_POINT=${#1} COMP_CWORD=$(($# - 2)); shift; COMP_WORDS=(\"$@\")\n"
                         "  COMPREPLY=() told_readline=\n"
                         "  _pictavo\n"
                         "  for reply in \"${COMPREPLY[@]}\"; do\n"
                         "    [[ $told_readline == *filenames* && -d $reply ]] && reply+=/\n"
                         "    printf '%s\\n' \"$reply\"\n"
                         "  done\n"
                         "  printf '\\x1f%s\\n' \"$told_readline\"\n"
                         "}\n";
    for (const std::string& line : lines) {
      script += "run " + ShellQuote(line);
      for (const std::string& word : CompletionWords(line)) script += " " + ShellQuote(word);
      script += "\n";
    }
    const auto r = test::RunProgram({"-c", script}, {}, "", 60, "/bin/bash");
    EXPECT_EQ(r.err, "");
    std::vector<Replies> replies(1);
    for (const std::string& line : SplitString(r.out, '\n')) {
      if (line.empty() || line[0] != '\x1f') {
        if (!line.empty()) replies.back().shown.push_back(line);
        continue;
      }
      replies.back().nospace = line.find("nospace") != std::string::npos;
      std::sort(replies.back().shown.begin(), replies.back().shown.end());
      replies.emplace_back();
    }
    replies.pop_back();
    EXPECT_EQ(replies.size(), lines.size()) << r.out;
    replies.resize(lines.size());
    return replies;
  }

  test::TempDir dir_;
};

using Words = std::vector<std::string>;

std::vector<std::string> Lower(std::vector<std::string> words) {
  for (std::string& word : words) word = ToLowerAscii(word);
  std::sort(words.begin(), words.end());
  return words;
}

TEST_F(Completion, NamesOptionsWithTheirEqualsSign) {
  const struct {
    const char* line;
    Words shown;
    bool nospace;
  } cases[] = {
      {"pictavo --png-comp", {"--png-compression="}, true},
      {"pictavo --PNG-COMP", {"--png-compression="}, true},  // names are not case-sensitive
      {"pictavo --greys", {"--greyscale"}, false},
      {"pictavo --vers", {"--version"}, false},
      {"pictavo -d --vers", {}, false},   // only as the first argument
      {"pictavo --wm-solid", {}, false},  // profiles only
      {"pictavo --jpg-q", {}, false},     // accepted without effect
  };
  std::vector<std::string> lines;
  for (const auto& c : cases) lines.push_back(c.line);
  const std::vector<Replies> replies = Complete(lines);
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(replies[i].shown, cases[i].shown) << lines[i];
    EXPECT_EQ(replies[i].nospace, cases[i].nospace) << lines[i];
  }
}

// Every option that changes something, and nothing else.
TEST_F(Completion, OffersEveryOptionThatTakesEffect) {
  Words expected{"-v", "--version", "-h", "--help"};
  for (const OptionRow& row : OptionTable())
    if (row.scope != OptionScope::ProfileOnly && OptionTakesEffect(row))
      for (const std::string& name : row.names)
        expected.push_back(ToLowerAscii(name) + (row.form != OptionForm::Flag && name.starts_with("--") ? "=" : ""));
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Complete({"pictavo -"})[0].shown, expected);
}

TEST_F(Completion, OffersTheKeywordsOfEveryWordOption) {
  std::vector<std::string> lines;
  std::vector<Words> expected;
  for (const OptionRow& row : OptionTable()) {
    if (row.form != OptionForm::Word || !OptionTakesEffect(row) || row.scope == OptionScope::ProfileOnly) continue;
    lines.push_back("pictavo " + ToLowerAscii(row.names.front()) + "=");
    expected.push_back(Lower(KeywordsOf(row.keywords, row.format)));
  }
  ASSERT_FALSE(lines.empty());
  const std::vector<Replies> replies = Complete(lines);
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(replies[i].shown, expected[i]) << lines[i];
}

TEST_F(Completion, CompletesValuesAfterTheEqualsSignOrTheShortOption) {
  const struct {
    const char* line;
    Words shown;
  } cases[] = {
      {"pictavo --png-compression=z", {"zlib1", "zlib6", "zlib9"}},
      {"pictavo -i a.dng --Resize-Type=L", {"largeimages"}},
      {"pictavo -c ", {"png"}},
      {"pictavo --conversion=", {"png"}},
      {"pictavo --width=", {}},      // a free number
      {"pictavo --wm-text=", {}},    // a free text, not a file
      {"pictavo --greyscale=", {}},  // a flag
  };
  std::vector<std::string> lines;
  for (const auto& c : cases) lines.push_back(c.line);
  const std::vector<Replies> replies = Complete(lines);
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(replies[i].shown, cases[i].shown) << lines[i];
}

TEST_F(Completion, CompletesPhotosFoldersAndFiles) {
  const struct {
    const char* line;
    Words shown;
  } cases[] = {
      // RAW files and folders, in any letter case; a name with a blank is one reply.
      {"pictavo -i ", {"B.NEF", "a.dng", "my card/", "my photo.dng", "shots/"}},
      {"pictavo --input=my", {"my card/", "my photo.dng"}},
      {"pictavo ", {"B.NEF", "a.dng", "my card/", "my photo.dng", "shots/"}},
      // Folders only.
      {"pictavo -o ", {"my card/", "shots/"}},
      {"pictavo -i a.dng --output=s", {"shots/"}},
      // Any file.
      {"pictavo --profile=n", {"notes.txt"}},
      {"pictavo --wm-image=", {"B.NEF", "a.dng", "my card/", "my photo.dng", "notes.txt", "shots/"}},
  };
  std::vector<std::string> lines;
  for (const auto& c : cases) lines.push_back(c.line);
  const std::vector<Replies> replies = Complete(lines);
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(replies[i].shown, cases[i].shown) << lines[i];
}

}  // namespace
}  // namespace pictavo
