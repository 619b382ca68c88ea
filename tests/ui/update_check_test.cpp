// The update check as the user meets it: the boxes the answers of a server of
// the test's own bring up, the automatic check at start-up and the menu
// command.

#include "ui/update_check.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "base/program.h"
#include "tests/support/local_http_server.h"
#include "tests/ui/desktop_fixture.h"

namespace pictavo {
namespace {

using namespace std::chrono_literals;
using test::LocalHttpServer;

constexpr const char* kHeaders = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n";
constexpr int32_t kDay = 86400;

std::vector<std::string> Reply(const std::string& body) { return {std::string(kHeaders) + "\r\n" + body + "\r\n"}; }

// What the user is told, as the scripted dialogs saw it.
enum class Told { Nothing, NewVersion, NoUpdate, ConnectionProblem };

Told WhatWasTold(const test::ScriptedDialogs& dialogs) {
  const size_t boxes = dialogs.questions.size() + dialogs.messages.size();
  if (boxes == 0) return Told::Nothing;
  if (boxes > 1) {
    ADD_FAILURE() << boxes << " boxes where one was due";
    return Told::Nothing;
  }
  if (!dialogs.questions.empty()) {
    const auto& q = dialogs.questions.front();
    if (q.icon == MessageIcon::Question && q.title == "New Update" &&
        q.text == "A new version of Pictavo is available! Are you ready to download it right now?")
      return Told::NewVersion;
    ADD_FAILURE() << "asked: " << q.title << " / " << q.text;
    return Told::Nothing;
  }
  const auto& m = dialogs.messages.front();
  if (m.icon == MessageIcon::Information && m.title == "No Update" &&
      m.text == "There is no update of Pictavo yet. You're using the most recent version.")
    return Told::NoUpdate;
  if (m.icon == MessageIcon::Error && m.title == "Error" && m.text == "Internet connection problems!")
    return Told::ConnectionProblem;
  ADD_FAILURE() << "shown: " << m.title << " / " << m.text;
  return Told::Nothing;
}

class UpdateCheckTest : public ::testing::Test {
 protected:
  UpdateCheckTest() : scoped_(dialogs) { BuildLanguageTable(); }

  test::ScriptedDialogs dialogs;

 private:
  ScopedDialogs scoped_;
};

TEST_F(UpdateCheckTest, TellsWhatTheServersNumberMeans) {
  struct Case {
    const char* what;
    std::vector<std::string> reply;  // none: the server never answers
    Told told;
  };
  const Case cases[] = {
      {"a newer version", Reply("290"), Told::NewVersion},
      {"spaces before a newer version", Reply("  281"), Told::NewVersion},
      {"our version", Reply("280"), Told::NoUpdate},
      {"an older version", Reply("279"), Told::NoUpdate},
      {"a number with a point reads as 2", Reply("2.9"), Told::NoUpdate},
      {"a body that is no number", Reply("new"), Told::ConnectionProblem},
      {"a reply without a blank line", {std::string(kHeaders) + "290"}, Told::ConnectionProblem},
      {"no answer", {}, Told::ConnectionProblem},
  };
  for (const Case& c : cases) {
    dialogs.questions.clear();
    dialogs.messages.clear();
    LocalHttpServer server(c.reply);
    // A short wait keeps the silent server's case short; the others answer
    // at once.
    CheckForUpdates({server.Address(), {c.reply.empty() ? 300ms : 10000ms, 20ms}});
    EXPECT_EQ(WhatWasTold(dialogs), c.told) << c.what;
    // The question was answered No: nothing is opened.
    EXPECT_TRUE(dialogs.opened.empty()) << c.what;
  }
}

TEST_F(UpdateCheckTest, AutomaticCheckAsksOnceTheIntervalHasPassedAndMovesTheDateWhateverTheAnswer) {
  struct Case {
    const char* what;
    int32_t range;
    int32_t age;  // seconds since the last check
    bool answer;
    bool asks;
    Told told;
  };
  const Case cases[] = {
      {"every day, checked a minute short of a day ago", 0, kDay - 60, true, false, Told::Nothing},
      {"every day, checked a minute over a day ago, No", 0, kDay + 60, false, true, Told::Nothing},
      {"every day, checked a minute over a day ago, Yes", 0, kDay + 60, true, true, Told::NoUpdate},
      {"never", 5, LocalNowSeconds(), true, false, Told::Nothing},
  };
  for (const Case& c : cases) {
    dialogs.questions.clear();
    dialogs.messages.clear();
    dialogs.answers = {c.answer};
    LocalHttpServer server(Reply("280"));
    Settings settings;
    settings.general.updateRange = c.range;
    settings.general.updateDate = LocalNowSeconds() - c.age;
    const int32_t before = settings.general.updateDate;

    AutoUpdateCheck(settings, {server.Address(), {}});

    ASSERT_EQ(dialogs.questions.empty(), !c.asks) << c.what;
    if (c.asks) {
      EXPECT_EQ(dialogs.questions.front().title, "Check for Updates") << c.what;
      EXPECT_EQ(dialogs.questions.front().text, "Do you want to check for updates?") << c.what;
      dialogs.questions.erase(dialogs.questions.begin());
      EXPECT_NEAR(settings.general.updateDate, LocalNowSeconds(), 5) << c.what;
    } else {
      EXPECT_EQ(settings.general.updateDate, before) << c.what;
    }
    EXPECT_EQ(WhatWasTold(dialogs), c.told) << c.what;
  }
}

class UpdateCommandTest : public test::DesktopTest {};

TEST_F(UpdateCommandTest, CheckForNewVersionOffersTheProductPage) {
  LocalHttpServer server(Reply("290"));
  records().update = {server.Address(), {}};
  dialogs.answers = {true};
  window->RunCommand(kCommandCheckForNewVersion);
  EXPECT_EQ(WhatWasTold(dialogs), Told::NewVersion);
  EXPECT_EQ(dialogs.opened, std::vector<std::string>{std::string(kMakerSite) + "pictavo/"});
}

// A window opened long after the last check, as the program or as the
// screenshot mode opens it.
class StaleStartTest : public test::DesktopTest, public ::testing::WithParamInterface<RunMarker> {
 protected:
  void SetUp() override {
    settings.general.updateRange = 0;
    settings.general.updateDate = 0;
    job.runMarker = GetParam();
    DesktopTest::SetUp();
  }
};

TEST_P(StaleStartTest, AsksWhetherToCheckExceptForScreenshots) {
  const bool screenshots = GetParam() == RunMarker::Screenshot;
  ASSERT_EQ(dialogs.questions.size(), screenshots ? 0u : 1u);
  if (!screenshots) {
    EXPECT_EQ(dialogs.questions.front().title, "Check for Updates");
  }
}

INSTANTIATE_TEST_SUITE_P(RunMarkers, StaleStartTest, ::testing::Values(RunMarker::None, RunMarker::Screenshot),
                         [](const auto& marker) { return marker.param == RunMarker::Screenshot ? "Screenshot" : "None"; });

}  // namespace
}  // namespace pictavo
