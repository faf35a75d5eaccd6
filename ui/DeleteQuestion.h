#pragma once
// The question asked before files are deleted, on either side.

#include <QString>
#include <QStringList>

// "Es wurde(n) N Datei(en) markiert.\r\nWollen Sie die wirklich löschen?\r\n"
// followed by the first 20 names in quotes, one per line, and a note when
// there are more.
[[nodiscard]] QString FileDeleteQuestion(const QStringList& names);

// "Wollen Sie folgendes Verzeichnis wirklich löschen?\r\n\r\n\"name\""
[[nodiscard]] QString DirectoryDeleteQuestion(const QString& name);
