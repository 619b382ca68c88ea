// What happens when the user or the system ends the program with a signal.
#pragma once

#include <sys/types.h>
#include <termios.h>

namespace pictavo {

// On SIGINT, SIGTERM and SIGHUP: remove the files being written, give the
// terminal back its settings when the program changed them, then end as the
// signal would have ended the program anyway.
void InstallInterruptCleanup();

// The copies of the program converting files now (app/conversion_copy.h).
// An interrupting signal is passed on to each, and the program ends only
// once they have removed the files they were writing. A copy forgets its
// siblings, which are not its to end.
void AddConversionCopy(pid_t copy);
void RemoveConversionCopy(pid_t copy);
void ForgetConversionCopies();

// On a crash (SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT), too: remove the
// files being written, then end as the crash would have. For a copy of the
// program that decodes untrusted files in itself.
void InstallCrashCleanup();

// Terminal settings for the handler to put back (nullptr: none). The pause
// holds the terminal in raw mode and must not leave it so.
void SetTerminalToRestore(const termios* saved);

}  // namespace pictavo
