#pragma once

#include "state/AppState.h"

// Brings the main window in line with the application state after a profile
// was loaded: key indicator (parsing the key text while encryption is on),
// title, tooltips, captions and the local directory.
void ShowProfileInWindow(AppState& state);
