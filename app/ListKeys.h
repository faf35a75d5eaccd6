#pragma once
// What the keys of the two file lists do beyond the commands of their menus.

#include "state/AppState.h"

// Backspace in the local list: up one level, as the parent entry does; at the
// top of a volume to the volume view. LocalFolder and the path field follow.
void GoUpLocalList(AppState& state);

// F5 in the local list: read the shown directory again.
void RefreshLocalListByKey(AppState& state);

// Enter in the server list: opens the selected folder as a double click does.
void OpenSelectedServerEntry(AppState& state);

// Backspace in the server list: up one level, as a double click on ".." does.
void GoUpServerList(AppState& state);

// F5 in the server list: lists the server directory again while connected.
void RefreshServerListByKey(AppState& state);
