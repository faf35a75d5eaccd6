#pragma once
// The server list: the current server directory as rows ".." , directories,
// files; and navigation by double click.

#include "state/AppState.h"
#include "ftp/ServerNames.h"
#include "ui/Event.h"

class QTreeWidgetItem;

// Lists the current directory in two passes, directories then files.
void RefreshServerList(AppState& state);

// Every server list event: a double click navigates, a right click shows the
// server menu (the router does the menu).
void HandleServerListEvent(AppState& state, EventType type);

// The row kind stored with a row (5 to 8), and the first selected row or -1.
[[nodiscard]] int RowKindOfServerItem(const QTreeWidgetItem* item);
[[nodiscard]] int CurrentServerRow(const AppState& state);
