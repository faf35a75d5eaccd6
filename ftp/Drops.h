#pragma once
// Drag and drop between the two lists and with the desktop's file manager:
// what is dropped on the server list goes up, what is dropped on the local
// list comes down, with the same questions as the arrows; server entries
// dragged out to another program are downloaded for it when it asks.

#include <QMimeData>

#include "state/AppState.h"
#include "ui/Event.h"

// Local files and folders dropped on the server list: into the shown folder,
// or into the folder whose row they were dropped on. Refused while a job runs.
void UploadDropped(AppState& state, const DropData& drop);

// Server entries dropped on the local list: into the shown folder, or the
// folder whose row they were dropped on. Refused while a job runs.
void DownloadDropped(AppState& state, const DropData& drop);

// The drag of the selected server rows (none while a job runs or without a
// connection). This program's local list takes the entries; another program
// that asks for file URLs gets the entries downloaded for it first, into a
// fresh owner-only folder in the system's temporary folder, while the window
// runs on; that folder stays until the next such drag or the program's end.
[[nodiscard]] QMimeData* ServerListDrag(AppState& state);

// Makes ServerListDrag the server list's drag source.
void SetUpServerListDrag(AppState& state);
