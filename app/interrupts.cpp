#include "app/interrupts.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>

#include "settings/safe_files.h"

namespace pictavo {

namespace {

termios g_terminal{};
std::atomic<bool> g_restoreTerminal{false};

void OnInterrupt(int signal) {
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

void SetTerminalToRestore(const termios* saved) {
  if (!saved) {
    g_restoreTerminal.store(false);
    return;
  }
  g_terminal = *saved;
  g_restoreTerminal.store(true);
}

}  // namespace pictavo
