#pragma once
// The server list: the current server directory as rows "..", directories,
// files, kept as records beside the widget; navigation by double click.

#include <QVector>

#include "ftp/ServerEntry.h"
#include "ftp/ServerListing.h"
#include "state/AppState.h"
#include "ui/Event.h"

class QTreeWidgetItem;

// Lists the current directory again (a job on the engine).
void RefreshServerList(AppState& state);

// Shows what a job listed: the records become the rows (the widget fills in
// slices, so a huge folder never holds the window), the path field shows
// HostFolder. A failed listing leaves "..", says why in the status log, and a
// lost connection ends the connected state.
void ShowServerListing(AppState& state, const ListingResult& listing);

// The connection went away under a job: say so, show the disconnected look.
void ShowConnectionLost(AppState& state);

// Every server list event: a double click navigates (the router shows the
// menu on a right click).
void HandleServerListEvent(AppState& state, EventType type);

// The row kind stored with a row (5 to 8), and the first selected row or -1.
[[nodiscard]] int RowKindOfServerItem(const QTreeWidgetItem* item);
[[nodiscard]] int CurrentServerRow(const AppState& state);

// The record of a row; null outside the records.
[[nodiscard]] const ServerEntry* ServerRowAt(const AppState& state, int row);
// The records of the selected rows from row 1 on, in row order.
[[nodiscard]] QVector<ServerEntry> SelectedServerRows(const AppState& state);
// All rows as records (row 0 is "..").
[[nodiscard]] QVector<ServerEntry> ServerRowRecords(const AppState& state);

// A click on a column header: sorts by it (the same column again turns the
// order round). The order stays for later listings, also of other folders,
// and the selected rows stay selected.
void SortServerListByColumn(AppState& state, int column);

// Sets the connect button's caption and the arrows' images.
void ShowConnectedLook(AppState& state, bool connected);
