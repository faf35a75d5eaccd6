#pragma once
// The upload button and drops on the server list: local files and folders go
// into a server folder, encrypted as name + ".aes" while encryption is on.

#include <QVector>

#include "ftp/TransferSurvey.h"
#include "state/AppState.h"

// Uploads the selected local files and folders into the current server folder.
void UploadSelected(AppState& state);

// Uploads picks (in order) into targetFolder (absolute, ending in "/"; the
// current server folder or one below it). A folder goes up with everything
// below it, its tree made on the server (folder names stay as they are, also
// encrypted); what the server has already is found out first, on the engine.
// Then the overwrite questions (No ends the command before anything is
// sent), the resume questions, and the run on the engine: each file streams
// from disk, encrypted on the way when encryption is on; one that replaces a
// server file goes to a temporary name and replaces it only once complete.
// The first error ends the run with its message; after a complete run the
// server list is listed again. Nothing while not connected or while a job
// runs; refused while encryption is on without a valid key.
void UploadLocalPicks(AppState& state, const QVector<LocalPick>& picks, const QString& targetFolder);
