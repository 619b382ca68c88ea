#include "app/interrupts.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "settings/safe_files.h"

namespace pictavo {

namespace {

termios g_terminal{};
std::atomic<bool> g_restoreTerminal{false};
std::atomic<pid_t> g_copy{0};

void OnInterrupt(int signal) {
  if (const pid_t copy = g_copy.load(); copy > 0) {
    kill(copy, signal);
    kill(copy, SIGCONT);
    while (waitpid(copy, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  RemovePendingFiles();
  if (g_restoreTerminal.load()) tcsetattr(STDIN_FILENO, TCSANOW, &g_terminal);
  // The handler was reset to the default on entry; the signal, blocked
  // until this returns, then ends the process with its usual status.
  raise(signal);
}

}  // namespace

void InstallInterruptCleanup() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  action.sa_flags = SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&action.sa_mask, signal);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    // A signal ignored by whoever started us (nohup) stays ignored.
    struct sigaction old {};
    if (sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    sigaction(signal, &action, nullptr);
  }
}

void SetConversionCopy(pid_t copy) { g_copy.store(copy); }

void InstallCrashCleanup() {
  // A stack overflow has no stack left to run the handler on.
  static char alternate[64 * 1024];
  const stack_t stack{alternate, 0, sizeof alternate};
  sigaltstack(&stack, nullptr);
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  action.sa_flags = SA_RESETHAND | SA_ONSTACK | SA_NODEFER;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT}) sigaction(signal, &action, nullptr);
}

void SetTerminalToRestore(const termios* saved) {
  if (!saved) {
    g_restoreTerminal.store(false);
    return;
  }
  g_terminal = *saved;
  g_restoreTerminal.store(true);
}

}  // namespace pictavo
