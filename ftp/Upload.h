#pragma once
// The upload button: the files selected in the local list go into the current
// server directory, encrypted as name + ".aes" while encryption is on.

#include "state/AppState.h"

// Plans the upload from the selected local files (folders among them are
// skipped and named in the status log), asks before a server entry of the
// same name is replaced (No ends the command before anything is sent), and
// runs it on the engine: each file streams from disk, encrypted on the way
// when encryption is on; one that replaces a server file goes to a temporary
// name and replaces it only once complete. The first error ends the run with
// its message; after a complete run the server list is listed again. Nothing
// while not connected; refused while encryption is on without a valid key.
void UploadSelected(AppState& state);
