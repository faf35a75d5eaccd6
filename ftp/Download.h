#pragma once
// The download button and drops on the local list: server files and folders
// come into a local folder; ".aes" files are decrypted and lose the suffix.

#include <QVector>
#include <functional>

#include "ftp/ServerEntry.h"
#include "state/AppState.h"

// Downloads the selected server files and folders into the current local folder.
void DownloadSelected(AppState& state);

// Downloads entries (records of the current server folder, in row order)
// into localFolder (ending in "/"). A folder comes with everything below it,
// found out first on the engine, its tree made here. An encrypted file while
// encryption is off, or a No to an overwrite question, ends the command
// before anything is received. Each file streams into a partial file beside
// its target (owner-only, decrypted on the way) that replaces the target only
// once complete; the first error ends the run with its message and leaves the
// target as it was. Nothing while not connected or while a job runs; while
// the local list shows the volumes a status line says where to go first.
// whenDone, when given, hears once whether everything arrived.
void DownloadServerEntries(AppState& state, const QVector<ServerEntry>& entries, const QString& localFolder,
                           std::function<void(bool complete)> whenDone = {});
