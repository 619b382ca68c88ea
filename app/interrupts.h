// What happens when the user or the system ends the program with a signal.
#pragma once

#include <sys/types.h>
#include <termios.h>

namespace pictavo {

// On SIGINT, SIGTERM and SIGHUP: remove the files being written, give the
// terminal back its settings when the program changed them, then end as the
// signal would have ended the program anyway.
void InstallInterruptCleanup();

// The copy of the program that converts the file now (app/conversion_copy.h),
// or 0. An interrupting signal is passed on to it, and the program ends only
// once the copy has removed the file it was writing.
void SetConversionCopy(pid_t copy);

// On a crash (SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT), too: remove the
// files being written, then end as the crash would have. For a copy of the
// program that decodes untrusted files in itself.
void InstallCrashCleanup();

// Terminal settings for the handler to put back (nullptr: none). The pause
// holds the terminal in raw mode and must not leave it so.
void SetTerminalToRestore(const termios* saved);

}  // namespace pictavo
