// What happens when the user or the system ends the program with a signal.
#pragma once

#include <termios.h>

namespace pictavo {

// On SIGINT, SIGTERM and SIGHUP: remove the files being written, give the
// terminal back its settings when the program changed them, then end as the
// signal would have ended the program anyway.
void InstallInterruptCleanup();

// Terminal settings for the handler to put back (nullptr: none). The pause
// holds the terminal in raw mode and must not leave it so.
void SetTerminalToRestore(const termios* saved);

}  // namespace pictavo
