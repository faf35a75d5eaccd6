#include "ftp/ServerSort.h"

#include <algorithm>

#include "local/LocalListCore.h"

namespace {

LocalSortKey KeyOf(const ServerEntry& e) {
  LocalSortKey key;
  const bool file = e.kind == kFileRow || e.kind == kEncryptedFileRow;
  key.kind = e.kind == kParentRow ? LocalRowKind::ParentOfDirectory
             : file               ? LocalRowKind::File
                                  : LocalRowKind::Directory;
  key.name = e.name;
  key.number = file ? e.size : -1;
  key.modified = e.date;
  return key;
}

LocalColumn LocalColumnOf(int column) {
  switch (static_cast<ServerColumn>(column)) {
    case ServerColumn::Size: return LocalColumn::Size;
    case ServerColumn::Date: return LocalColumn::Modified;
    case ServerColumn::Name: break;
  }
  return LocalColumn::Name;
}

// Parent entry, folders, files: the same in both directions.
int GroupOf(const ServerEntry& e) { return e.kind == kParentRow ? 0 : e.kind == kDirectoryRow ? 1 : 2; }

}  // namespace

ServerSort ClickedSort(const ServerSort& current, int column) {
  if (column == current.column) return {column, !current.descending};
  return {column, false};
}

void SortServerRows(QVector<ServerEntry>& rows, const ServerSort& sort) {
  if (sort.column < 0 || sort.column > 2) return;
  const LocalColumn column = LocalColumnOf(sort.column);
  std::stable_sort(rows.begin(), rows.end(), [&](const ServerEntry& a, const ServerEntry& b) {
    const int ga = GroupOf(a), gb = GroupOf(b);
    if (ga != gb) return ga < gb;
    return LocalRowLess(KeyOf(a), KeyOf(b), column, sort.descending);
  });
}
