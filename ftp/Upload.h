#pragma once
// The upload button: the files selected in the local list go into the current
// server directory, encrypted as name + ".aes" while encryption is on.

#include "state/AppState.h"

// Builds the transfer list from the selected local files, asking before a
// server entry of the same name is replaced (No ends the command before
// anything is sent), and runs SendTransferList. Nothing while not connected.
void UploadSelected(AppState& state);

// Sends every pending entry of state.transfers in order through a fresh
// temporary file. The first error shows its "Fehler:" box and ends the run:
// later entries stay unsent and the server list is not refreshed. True when
// all were sent (the server list is then refreshed).
[[nodiscard]] bool SendTransferList(AppState& state);
