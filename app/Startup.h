#pragma once

#include "state/AppState.h"

class QObject;

enum class StartupResult {
  Ready,        // the profile is shown; the event loop runs unless a quit was requested meanwhile
  EndAtOnce,    // a fatal settings-file message was shown: nothing may be written
  Interrupted,  // a quit signal came before the profile was loaded: end without storing anything
};

// Start-up up to the event loop. A quit signal during start-up (see
// QuitSignals.h) stops it at the next step; after the profile has been
// loaded, start-up completes and state.quitRequested tells that the program
// is to end without entering the loop.
[[nodiscard]] StartupResult RunStartup(AppState& state);

enum class StoreFolders { Yes, No };

// Closes an open connection, unloads the FTP library and stores the current
// directories in the current profile (not when start-up was interrupted
// before the profile was read: then they are not the profile's). Runs once;
// later calls do nothing.
void RunShutdown(AppState& state, StoreFolders store = StoreFolders::Yes);

// The desktop session: its real end (the session manager's, or any other end
// of the event loop) runs the shutdown as the exit button does; a request to
// save data, which comes also for a logout that is then cancelled, stores the
// directories and keeps the program running. `context` ends the watch.
void WatchSessionEnd(AppState& state, QObject* context);
