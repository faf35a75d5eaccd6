#pragma once
// The download button: the files selected in the server list come into the
// current local directory; ".aes" files are decrypted and lose the suffix.

#include "state/AppState.h"

// Plans the download from the records of the selected server files (folders
// among them are skipped and named in the status log). An encrypted file
// while encryption is off, or a No to an overwrite question, ends the command
// before anything is received. Each file streams into a partial file beside
// its target (owner-only, decrypted on the way) that replaces the target only
// once complete; the first error ends the run with its message and leaves the
// target as it was. Nothing while not connected; while the local list shows
// the volumes a status line says where to go first.
void DownloadSelected(AppState& state);
