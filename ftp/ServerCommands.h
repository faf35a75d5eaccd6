#pragma once
// The server list's context menu: rename, create directory, delete, download link.

#include "state/AppState.h"

void RenameServerEntry(AppState& state);      // item 1
void CreateServerDirectory(AppState& state);  // item 2
void DeleteServerEntries(AppState& state);    // item 3
void CopyDownloadLink(AppState& state);       // item 4
