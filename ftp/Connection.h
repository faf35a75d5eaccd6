#pragma once
// Connecting and disconnecting with the connect button.

#include "state/AppState.h"

// Runs on every click of the connect button; the click has already flipped the
// button. A click within one second of the last accepted one is undone. The
// connect (login, folder, listing) and the disconnect run on the engine; the
// window stays usable meanwhile and the cancel control ends a connect.
void ConnectToggle(AppState& state);

// Program end: cancels a running job, closes an open connection and ends the
// engine, waiting for both (a cancelled job ends within half a second).
void CloseConnection(AppState& state);
