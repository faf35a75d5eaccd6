#pragma once
// Connecting and disconnecting with the connect button.

#include "state/AppState.h"

// Runs on every click of the connect button; the click has already flipped the
// button. A click within one second of the last accepted one is undone.
void ConnectToggle(AppState& state);

// Closes an open connection without touching the window (program end).
void CloseConnection(AppState& state);
