// The update check as the user meets it: the menu command's check with its
// messages and the automatic check when the desktop starts. Both block the
// window while they wait for the server (up to the source's limits).
#pragma once

#include "settings/settings.h"
#include "update/version_check.h"

namespace pictavo {

// Asks `source` for the latest version and tells the user: a question that
// offers the product page for a newer version, "no update" for ours or an
// older one, and the connection error when no number came.
void CheckForUpdates(const UpdateSource& source = {});

// At start-up: when the interval of General/Update Range has passed since
// General/Update Date, asks whether to check and checks on Yes. The date
// moves to now whatever the answer, so the question waits for the next
// interval.
void AutoUpdateCheck(Settings& settings, const UpdateSource& source = {});

// The two questions; true for Yes.
bool AskNewUpdate();
bool AskCheckForUpdates();

}  // namespace pictavo
