#include "ftp/ServerCommands.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTreeWidget>

#include "state/StatusLog.h"
#include "ftp/FtpLibrary.h"
#include "ftp/ServerList.h"
#include "ui/DeleteQuestion.h"
#include "ui/MessageBox.h"

namespace {

bool IsFileRow(int kind) { return kind == kFileRow || kind == kEncryptedFileRow; }

QString KindWord(int kind) { return IsFileRow(kind) ? QStringLiteral("Datei") : QStringLiteral("Verzeichnis"); }

// The current row, when it is one that commands act on (never the parent entry).
QTreeWidgetItem* ActionableRow(AppState& state) {
  const int row = CurrentServerRow(state);
  return row < 1 ? nullptr : state.main.serverList->topLevelItem(row);
}

void DeleteFiles(AppState& state, int firstRow) {
  QStringList names;
  const QTreeWidget* list = state.main.serverList;
  for (int row = firstRow; row < list->topLevelItemCount(); ++row) {
    const QTreeWidgetItem* item = list->topLevelItem(row);
    if (item->isSelected() && IsFileRow(RowKindOfServerItem(item))) names << item->text(0);
  }
  if (!AskYesNo(state.main.window, QStringLiteral("Frage:"), FileDeleteQuestion(names), BoxIcon::Question)) return;
  if (!FtpLibraryAvailable(state)) return;
  for (const QString& name : names) {
    if (state.ftp->DeleteFTPFileEx(state.connection, Utf16(name), MessageBuffer(state)) == 0) break;
    AppendStatusMessage(state, QStringLiteral("Datei ''") + name + QStringLiteral("'' gelöscht"));
  }
  RefreshServerList(state);
}

void DeleteDirectory(AppState& state, const QString& name) {
  if (!AskYesNo(state.main.window, QStringLiteral("Frage:"), DirectoryDeleteQuestion(name))) return;
  if (!FtpLibraryAvailable(state)) return;
  if (state.ftp->DeleteFTPDirectoryEx(state.connection, Utf16(name), MessageBuffer(state)) == 0) {
    ShowInfo(state.main.window, QStringLiteral("Fehler:"),
             QStringLiteral("Konnte das Verzeichnis nicht löschen.\nDas Verzeichnis ist vermutlich nicht leer."));
    return;
  }
  AppendStatusMessage(state, QStringLiteral("Verzeichnis ''") + name + QStringLiteral("'' gelöscht"));
  RefreshServerList(state);
}

}  // namespace

void RenameServerEntry(AppState& state) {
  const QTreeWidgetItem* item = ActionableRow(state);
  if (item == nullptr) return;
  const QString oldName = item->text(0);
  const QString kind = KindWord(RowKindOfServerItem(item));
  const QString newName = ShowInputBox({kind + QStringLiteral(" umbenennen"),
                                        QStringLiteral("Neuer ") + kind + QStringLiteral("name:"), oldName});
  if (newName.isEmpty() || !FtpLibraryAvailable(state)) return;
  if (state.ftp->RenameFTPFileEx(state.connection, Utf16(state.hostFolder + oldName),
                                 Utf16(state.hostFolder + newName), MessageBuffer(state)) == 0) {
    return;
  }
  AppendStatusMessage(state, kind + QStringLiteral(" umbenannt"));
  RefreshServerList(state);
}

void CreateServerDirectory(AppState& state) {
  const QString name = ShowInputBox({QStringLiteral("Verzeichnis erstellen"),
                                     QStringLiteral("Bitte geben Sie den Verzeichnisnamen ein:"), QString()});
  if (name.isEmpty() || !FtpLibraryAvailable(state)) return;
  if (state.ftp->CreateFTPDirectoryEx(state.connection, Utf16(state.hostFolder + name), MessageBuffer(state)) == 0) {
    return;
  }
  AppendStatusMessage(state, QStringLiteral("Verzeichnis ''") + name + QStringLiteral("'' erstellt"));
  RefreshServerList(state);
}

void DeleteServerEntries(AppState& state) {
  const QTreeWidgetItem* item = ActionableRow(state);
  if (item == nullptr) return;
  const int kind = RowKindOfServerItem(item);
  if (IsFileRow(kind)) {
    DeleteFiles(state, CurrentServerRow(state));
  } else if (kind == kDirectoryRow) {
    DeleteDirectory(state, item->text(0));
  }
}

void CopyDownloadLink(AppState& state) {
  const QTreeWidgetItem* item = ActionableRow(state);
  if (item == nullptr) return;
  if (RowKindOfServerItem(item) == kDirectoryRow) {
    ShowInfo(state.main.window, QStringLiteral("Fehler:"),
             QStringLiteral("Es können nur Dateien heruntergeladen werden, keine Verzeichnisse."));
    return;
  }
  const QString link = ShowInputBox({QStringLiteral("Download-Link"), QStringLiteral("In die Zwischenablage kopieren:"),
                                     state.dnLdFolder + state.hostFolder + item->text(0)});
  if (!link.isEmpty()) QGuiApplication::clipboard()->setText(link);
}
