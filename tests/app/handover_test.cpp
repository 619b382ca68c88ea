// A second start of the program while the window runs hands its file to that
// window. The window is mostly the test's own, built from the same classes
// as the program's, so what it holds can be read; the second start is
// always the program itself. The last test runs the program's own window.
#include "ui/window_handover.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>

#include "app/instance_lock.h"
#include "base/program.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/desktop_fixture.h"
#include "ui/commands.h"

namespace pictavo {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Handles the window's events until `done`, for at most `seconds`.
bool SpinUntil(const std::function<bool()>& done, double seconds) {
  const Clock::time_point start = Clock::now();
  while (!done()) {
    if (SecondsSince(start) > seconds) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

// Runs `work` on a thread while the window answers on this one.
template <typename Work>
auto WhileTheWindowRuns(Work work) {
  auto result = std::async(std::launch::async, std::move(work));
  SpinUntil([&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 60);
  return result.get();
}

// A socket at `path`: listening (nobody accepts), or closed again as a
// crashed window leaves it. The descriptor, or -1 once closed.
int SocketAt(const std::string& path, bool listening) {
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  path.copy(address.sun_path, sizeof address.sun_path - 1);
  EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << path;
  if (listening) {
    listen(fd, 4);
    return fd;
  }
  close(fd);
  return -1;
}

// A connection to the window at `path`, -1 when none.
int ConnectTo(const std::string& path) {
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  path.copy(address.sun_path, sizeof address.sun_path - 1);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
  close(fd);
  return -1;
}

// What comes back on `fd` until the window closes it; "(still open)" when it
// has not after `seconds`.
std::string ReadToEnd(int fd, int seconds) {
  std::string reply;
  const Clock::time_point start = Clock::now();
  for (;;) {
    pollfd ready{fd, POLLIN, 0};
    if (SecondsSince(start) > seconds || poll(&ready, 1, 100) < 0) return reply + "(still open)";
    if (ready.revents == 0) continue;
    char buffer[64];
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) return reply;
    reply.append(buffer, static_cast<size_t>(n));
  }
}

class HandoverTest : public test::DesktopTest {
 protected:
  void SetUp() override {
    fs::create_directories(dir_.file("runtime"));
    chmod(dir_.file("runtime").c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", dir_.file("runtime").c_str(), 1);
    setenv("XDG_CONFIG_HOME", dir_.file("config").c_str(), 1);
    setenv("HOME", dir_.path().c_str(), 1);
    fs::create_directories(dir_.file("shoot"));
    for (const char* name : {"shoot/a.dng", "shoot/b.dng", "notes.txt"}) test::WriteFile(dir_.file(name), "bytes");

    test::DesktopTest::SetUp();
    socket_ = InstanceLock::SocketPath(ProgramTitle());
    ASSERT_EQ(lock_.Acquire(ProgramTitle()), InstanceLock::Outcome::kAcquired);
    handover_ = std::make_unique<WindowHandover>(socket_);
    ASSERT_TRUE(handover_->listening()) << handover_->problem();
    handover_->SetWindow(window.get());
  }
  void TearDown() override {
    handover_.reset();
    lock_.Release();
    for (const char* name : {"XDG_RUNTIME_DIR", "XDG_CONFIG_HOME"}) unsetenv(name);
    setenv("HOME", home_.c_str(), 1);
  }

  struct Start {
    test::ProgramResult result;
    double seconds;
  };
  // `pictavo args...`, started in `folder`.
  Start StartAgain(const std::vector<std::string>& args, const std::string& folder = "") {
    const Clock::time_point start = Clock::now();
    test::ProgramResult result = WhileTheWindowRuns([&] { return test::RunProgram(args, {}, folder, 30); });
    return {result, SecondsSince(start)};
  }

  std::string Input() const { return window->inputField()->text().toStdString(); }

  const std::string home_ = std::getenv("HOME") ? std::getenv("HOME") : "";
  test::TempDir dir_;
  InstanceLock lock_;
  std::string socket_;
  std::unique_ptr<WindowHandover> handover_;
};

TEST_F(HandoverTest, ASecondStartHandsItsFileToTheWindowAndBringsItUp) {
  struct Case {
    std::vector<std::string> args;
    std::string folder;     // where the second start runs
    std::string input;      // the window's input afterwards (the rows run in order)
    bool complains;         // the window took nothing, and the second start says so
  };
  const std::string shoot = dir_.file("shoot");
  const Case cases[] = {
      {{shoot + "/a.dng"}, "", shoot + "/a.dng", false},
      {{"b.dng"}, shoot, shoot + "/b.dng", false},  // relative to where it was started
      {{shoot}, "", shoot, false},
      {{"../notes.txt"}, shoot, shoot, true},
      {{"missing.dng"}, shoot, shoot, true},
      {{}, "", shoot, false},  // no file: the window is only brought up
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.empty() ? "(no file)" : c.args[0]);
    window->showMinimized();
    const Start start = StartAgain(c.args, c.folder);
    EXPECT_EQ(start.result.exitStatus, 0);
    EXPECT_LT(start.seconds, 5);
    EXPECT_EQ(start.result.err.find("took nothing") != std::string::npos, c.complains) << start.result.err;
    EXPECT_EQ(Input(), c.input);
    EXPECT_FALSE(window->isMinimized());
  }
}

// A run works from the input it started with; a file handed over meanwhile
// waits until the window is the user's again.
TEST_F(HandoverTest, WhileARunHoldsTheWindowAHandedFileWaitsForIt) {
  const std::string running = dir_.file("shoot/a.dng"), handed = dir_.file("shoot/b.dng");
  ASSERT_TRUE(OpenGivenFile(*window, running));
  window->setEnabled(false);  // as the run's progress dialog leaves it
  const Start start = StartAgain({handed});
  EXPECT_EQ(start.result.exitStatus, 0);
  EXPECT_EQ(start.result.err, "");
  SpinUntil([] { return false; }, 0.5);
  EXPECT_EQ(Input(), running);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files.begin()->first, running);

  window->setEnabled(true);
  EXPECT_TRUE(SpinUntil([&] { return Input() == handed; }, 5)) << Input();
}

// What another process sends is bounded and checked: only an absolute path
// to an existing file or folder is taken, and a caller that says nothing
// holds up nobody.
TEST_F(HandoverTest, WhatAnotherProcessSendsIsBoundedAndChecked) {
  struct Case {
    std::string request;
    std::string reply;
  };
  const Case cases[] = {
      // Too long: cut off unanswered, however it ends.
      {std::string(kHandoverRequestLimit, '/') + dir_.file("shoot/a.dng") + '\0', ""},
      {std::string("shoot/a.dng\0", 12), "no\n"},
      {std::string("/dev/null\0", 10), "no\n"},
      {dir_.file("missing.dng") + '\0', "no\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.request.substr(0, 40));
    const std::string reply = WhileTheWindowRuns([&] {
      const int fd = ConnectTo(socket_);
      send(fd, c.request.data(), c.request.size(), MSG_NOSIGNAL);
      const std::string reply = ReadToEnd(fd, 5);
      close(fd);
      return reply;
    });
    EXPECT_EQ(reply, c.reply);
    EXPECT_EQ(Input(), "");
  }

  const int silent = ConnectTo(socket_);
  ASSERT_GE(silent, 0);
  const Start start = StartAgain({dir_.file("shoot/a.dng")});
  EXPECT_EQ(start.result.exitStatus, 0);
  EXPECT_LT(start.seconds, 5);
  EXPECT_EQ(Input(), dir_.file("shoot/a.dng"));
  EXPECT_EQ(WhileTheWindowRuns([&] { return ReadToEnd(silent, 5); }), "");
  close(silent);
}

// No window answers: the second start ends at once with status 0, as it
// did before windows took files over.
TEST_F(HandoverTest, WithoutAWindowThatAnswersTheSecondStartEndsAsBefore) {
  handover_.reset();  // the lock stays held
  enum class Left { kNothing, kClosedSocket, kListeningSocket };
  struct Case {
    const char* what;
    Left left;
    uid_t owner;
  };
  std::vector<Case> cases = {{"nothing there", Left::kNothing, getuid()},
                             {"a crashed window's socket", Left::kClosedSocket, getuid()},
                             {"a socket nobody answers on", Left::kListeningSocket, getuid()}};
  if (geteuid() == 0) cases.push_back({"another user's socket", Left::kListeningSocket, 65534});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(socket_);
    const int fd = c.left == Left::kNothing ? -1 : SocketAt(socket_, c.left == Left::kListeningSocket);
    if (c.owner != getuid()) {
      ASSERT_EQ(lchown(socket_.c_str(), c.owner, c.owner), 0);
    }
    const Start start = StartAgain({dir_.file("shoot/a.dng")});
    EXPECT_EQ(start.result.exitStatus, 0);
    EXPECT_EQ(start.result.err, "");
    EXPECT_LT(start.seconds, 5);
    if (c.owner != getuid()) {
      pollfd caller{fd, POLLIN, 0};
      EXPECT_EQ(poll(&caller, 1, 0), 0) << "connected to another user's socket";
    }
    if (fd >= 0) close(fd);
  }
}

// The program's own window: it replaces a crashed window's socket with its
// own, owner-only, and answers there.
TEST_F(HandoverTest, TheProgramsWindowListensBesideItsLock) {
  handover_.reset();
  lock_.Release();
  SocketAt(socket_, false);
  const int pid = test::SpawnProgram({});
  ASSERT_GT(pid, 0);
  const bool answering = SpinUntil(
      [&] {
        const int fd = ConnectTo(socket_);
        if (fd >= 0) close(fd);
        return fd >= 0;
      },
      60);
  struct stat st {};
  EXPECT_TRUE(answering);
  EXPECT_EQ(lstat(socket_.c_str(), &st), 0);
  EXPECT_TRUE(S_ISSOCK(st.st_mode));
  EXPECT_EQ(st.st_uid, getuid());
  EXPECT_EQ(st.st_mode & 077, 0u);

  const Start refused = StartAgain({dir_.file("notes.txt")});
  EXPECT_EQ(refused.result.exitStatus, 0);
  EXPECT_NE(refused.result.err.find("took nothing"), std::string::npos) << refused.result.err;
  const Start taken = StartAgain({dir_.file("shoot/a.dng")});
  EXPECT_EQ(taken.result.exitStatus, 0);
  EXPECT_EQ(taken.result.err, "");
  EXPECT_LT(taken.seconds, 5);

  kill(pid, SIGTERM);
  test::WaitForProgram(pid);
}

}  // namespace
}  // namespace pictavo
