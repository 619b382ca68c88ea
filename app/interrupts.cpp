#include "app/interrupts.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "base/safe_files.h"

namespace pictavo {

namespace {

termios g_terminal{};
std::atomic<bool> g_restoreTerminal{false};
// Fixed slots, which a signal handler may read: one per file under way.
constexpr int kCopySlots = 64;
constinit std::atomic<pid_t> g_copies[kCopySlots] = {};

void OnInterrupt(int signal) {
  for (std::atomic<pid_t>& slot : g_copies) {
    if (const pid_t copy = slot.load(); copy > 0) {
      kill(copy, signal);
      kill(copy, SIGCONT);
    }
  }
  for (std::atomic<pid_t>& slot : g_copies) {
    if (const pid_t copy = slot.load(); copy > 0) {
      while (waitpid(copy, nullptr, 0) < 0 && errno == EINTR) {
      }
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

void AddConversionCopy(pid_t copy) {
  for (std::atomic<pid_t>& slot : g_copies) {
    pid_t empty = 0;
    if (slot.compare_exchange_strong(empty, copy)) return;
  }
}

void RemoveConversionCopy(pid_t copy) {
  for (std::atomic<pid_t>& slot : g_copies) {
    pid_t expected = copy;
    slot.compare_exchange_strong(expected, 0);
  }
}

void ForgetConversionCopies() {
  for (std::atomic<pid_t>& slot : g_copies) slot.store(0);
}

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
