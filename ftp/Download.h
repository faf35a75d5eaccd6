#pragma once
// The download button: the files selected in the server list come into the
// current local directory; ".aes" files are decrypted and lose the suffix.

#include "state/AppState.h"

// Builds the transfer list from the selected server files (kinds 7 and 8).
// An encrypted file while encryption is off, or a No to an overwrite
// question, ends the command before anything is received. Nothing while not
// connected or while the local list shows the volumes (no directory to
// write into).
void DownloadSelected(AppState& state);

// Receives every pending entry of state.transfers in order. An existing local
// file is replaced only by complete new content; the first error shows its
// "Fehler:" box and ends the run, leaving the target as it was. True when
// all were received.
[[nodiscard]] bool ReceiveTransferList(AppState& state);
