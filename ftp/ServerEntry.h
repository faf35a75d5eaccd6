#pragma once
// One entry of a server listing as a record: what the server list shows and
// what the commands work on. Nothing is read back from the list's text.

#include <QString>
#include <QVector>
#include <cstdint>

#include "ftp/ServerNames.h"

struct ServerEntry {
  QString name;
  int64_t size = 0;
  int64_t date = -1;       // date value, -1 for none
  int kind = kFileRow;     // kParentRow, kDirectoryRow, kFileRow or kEncryptedFileRow
  bool link = false;       // the server says it is a symbolic link (kind is that of its target)
};

// The rows of the server list: the parent entry, then the directories, then
// the files, each group in the order the server reported them.
[[nodiscard]] QVector<ServerEntry> ServerRows(const QVector<ServerEntry>& listed);
