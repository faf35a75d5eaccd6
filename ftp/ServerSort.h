#pragma once
// The order of the server list's rows when a column header was clicked: the
// parent entry stays on top, folders come before files in both directions,
// and within each group the local list's rules decide (names without regard
// to case, sizes and dates by their values). Pure.

#include <QVector>

#include "ftp/ServerEntry.h"

// The server list's columns.
enum class ServerColumn { Name = 0, Size = 1, Date = 2 };

struct ServerSort {
  int column = -1;  // -1: the order of the listing
  bool descending = false;
};

// A click on a header: the same column turns the order round, another one
// sorts by it ascending.
[[nodiscard]] ServerSort ClickedSort(const ServerSort& current, int column);

// Sorts rows (row 0 the parent entry) in place; stable, so equal rows keep
// the listing's order.
void SortServerRows(QVector<ServerEntry>& rows, const ServerSort& sort);
