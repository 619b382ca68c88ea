// The update check's fetch against a server of the test's own on 127.0.0.1,
// and its rules: what an answer means and when the automatic check is due.

#include "update/version_check.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <memory>
#include <string>
#include <vector>

#include "base/program.h"
#include "tests/support/local_http_server.h"

namespace pictavo {
namespace {

using namespace std::chrono_literals;
using test::LocalHttpServer;

// Sockets want a Qt application object, as they have in the program.
class CoreApplicationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (!QCoreApplication::instance()) app_ = std::make_unique<QCoreApplication>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[16] = "update_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QCoreApplication> app_;
};

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new CoreApplicationEnvironment);

constexpr const char* kHeaders = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n";

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + separator.size())
    parts.push_back(text.substr(start, end - start));
  parts.push_back(text.substr(start));
  return parts;
}

TEST(FetchUpdateText, SendsAPlainHttp10RequestForThePathOfTheAddress) {
  struct Case {
    std::string path;
    std::string requestLine;
  };
  const Case cases[] = {
      {"/files/pictavo.dat", "GET /files/pictavo.dat HTTP/1.0"},
      {"", "GET / HTTP/1.0"},
  };
  for (const Case& c : cases) {
    LocalHttpServer server({std::string(kHeaders) + "\r\n280"});
    FetchUpdateText(server.Address(c.path), ProgramTitle());
    EXPECT_EQ(Split(server.Request(), "\r\n"),
              (std::vector<std::string>{c.requestLine, "Host: 127.0.0.1", "Accept: */*", "User-Agent: Pictavo 2.8",
                                        "Connection: close", "", ""}))
        << c.path;
  }
}

TEST(FetchUpdateText, GivesTheFirstThreeCharactersOfTheBody) {
  const std::string headers = kHeaders;
  struct Case {
    const char* what;
    std::vector<std::string> reply;
    std::string text;
  };
  const Case cases[] = {
      {"a number and more", {headers + "\r\n2810 and more\r\n"}, "281"},
      {"spaces at both ends", {headers + "\r\n  29 "}, "29"},
      {"a number with a point", {headers + "\r\n2.9"}, "2.9"},
      {"the body ends at the second blank line", {headers + "\r\n 2\r\n\r\n281"}, "2"},
      {"the reply ends at a zero byte", {headers + "\r\n28" + std::string(1, '\0') + "1"}, "28"},
      {"no blank line", {headers + "281"}, ""},
      {"the blank line beyond 2048 bytes", {headers + "X-Padding: " + std::string(2048, 'x') + "\r\n\r\n281"}, ""},
      {"a reply in pieces", {headers, "\r\n", "283"}, "283"},
      {"an empty reply", {""}, ""},
      // Only a 200 reply carries the answer; an error page's digits are not one.
      {"an error page", {"HTTP/1.0 404 Not Found\r\nContent-Type: text/plain\r\n\r\n404 page not found"}, ""},
      {"a server error", {"HTTP/1.1 500 Internal Server Error\r\n\r\n281"}, ""},
      {"no status line", {"281\r\n\r\n281"}, ""},
  };
  for (const Case& c : cases) {
    LocalHttpServer server(c.reply);
    EXPECT_EQ(FetchUpdateText(server.Address(), ProgramTitle()), c.text) << c.what;
  }
}

TEST(FetchUpdateText, GivesUpOnAServerThatNeverAnswers) {
  LocalHttpServer server({});
  EXPECT_EQ(FetchUpdateText(server.Address(), ProgramTitle(), {300ms, 20ms}), "");
  // It did reach the server: the empty text comes from the wait, not from
  // a failed connection.
  EXPECT_NE(server.Request(), "");
}

TEST(FetchUpdateText, AnAddressThatCannotBeAskedGivesNothing) {
  for (const char* address : {"", "http://", "not an address"})
    EXPECT_EQ(FetchUpdateText(address, ProgramTitle(), {300ms, 20ms}), "") << address;
}

TEST(UpdateAnswer, ComparesTheNumberWithOurVersion) {
  struct Case {
    const char* text;
    UpdateAnswer answer;
  };
  // The ui tests ask a server for the plain numbers; here the edges.
  const Case cases[] = {
      {"281", UpdateAnswer::NewVersion}, {"280", UpdateAnswer::UpToDate}, {"-5", UpdateAnswer::UpToDate},
      {"$1F", UpdateAnswer::UpToDate},   {"0", UpdateAnswer::NoAnswer},   {"", UpdateAnswer::NoAnswer},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadUpdateAnswer(c.text, 280), c.answer) << c.text;
}

TEST(AutoUpdateDue, OnlyOnceTheIntervalOfTheRangeHasPassed) {
  constexpr int32_t kNow = 1'700'000'000;
  constexpr int32_t kDay = 86400;
  struct Case {
    int32_t range;
    int32_t days;  // the interval; 0 for never
  };
  const Case cases[] = {{0, 1}, {1, 7}, {2, 30}, {3, 90}, {4, 180}, {5, 0}, {6, 30}, {-1, 30}};
  for (const Case& c : cases) {
    if (c.days == 0) {
      EXPECT_FALSE(AutoUpdateDue(c.range, 0, kNow)) << c.range;
      continue;
    }
    EXPECT_FALSE(AutoUpdateDue(c.range, kNow - c.days * kDay, kNow)) << c.range;
    EXPECT_TRUE(AutoUpdateDue(c.range, kNow - c.days * kDay - 1, kNow)) << c.range;
  }
  // A date near the end of the range does not wrap into the past.
  EXPECT_FALSE(AutoUpdateDue(4, INT32_MAX - 10, INT32_MAX));
}

}  // namespace
}  // namespace pictavo
