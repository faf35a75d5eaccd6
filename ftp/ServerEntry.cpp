#include "ftp/ServerEntry.h"

QVector<ServerEntry> ServerRows(const QVector<ServerEntry>& listed) {
  QVector<ServerEntry> rows;
  rows.reserve(listed.size() + 1);
  rows.append(ServerEntry{QStringLiteral(".."), 0, -1, kParentRow});
  for (const ServerEntry& e : listed) {
    if (e.kind == kDirectoryRow) rows.append(e);
  }
  for (const ServerEntry& e : listed) {
    if (e.kind == kFileRow || e.kind == kEncryptedFileRow) rows.append(e);
  }
  return rows;
}
