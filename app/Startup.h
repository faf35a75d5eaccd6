#pragma once

#include "state/AppState.h"

// Start-up up to the event loop. False when the program must end at once (a
// fatal settings-file message was shown); nothing has been written then.
[[nodiscard]] bool RunStartup(AppState& state);

// Closes an open connection, unloads the FTP library and stores the current
// directories in the current profile. Runs once; later calls do nothing.
void RunShutdown(AppState& state);
