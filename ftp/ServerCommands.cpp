#include "ftp/ServerCommands.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTreeWidget>

#include "ftp/ErrorReasons.h"
#include "ftp/FtpLibrary.h"
#include "ftp/FtpSession.h"
#include "ftp/ServerJobs.h"
#include "ftp/ServerList.h"
#include "state/StatusLog.h"
#include "ui/DeleteQuestion.h"
#include "ui/MessageBox.h"

namespace {

bool IsFileRow(int kind) { return kind == kFileRow || kind == kEncryptedFileRow; }

QString KindWord(int kind) { return IsFileRow(kind) ? QStringLiteral("Datei") : QStringLiteral("Verzeichnis"); }

// The record of the current row, when it is one that commands act on (never the parent entry).
const ServerEntry* ActionableRow(const AppState& state) {
  const int row = CurrentServerRow(state);
  return row < 1 ? nullptr : ServerRowAt(state, row);
}

// A refusal by the server: one status line saying what failed, with its reason.
void ReportRefusal(AppState& state, const CommandResult& r, const QString& what) {
  if (r.lost) {
    ShowConnectionLost(state);
    return;
  }
  if (r.cancelled) {
    AppendStatusMessage(state, what + QStringLiteral(" wurde abgebrochen."));
    return;
  }
  AppendStatusMessage(state, WithReason(what + QStringLiteral(" hat der Server abgelehnt."),
                                        ReasonForErrorClass(r.errorClass, state.protocol)));
}

void RunCommand(AppState& state, const QString& label, ServerCommand command, const QStringList& names,
                std::function<void(AppState&, CommandResult&)> done) {
  if (!FtpLibraryAvailable(state)) return;
  (void)RunServerJob<CommandResult>(
      state, label, [command, names](const JobContext& ctx) { return RunServerCommand(ctx, command, names); },
      std::move(done));
}

// Every selected file from the current (first selected) row on.
void DeleteFiles(AppState& state) {
  QStringList names;
  for (const ServerEntry& entry : SelectedServerRows(state)) {
    if (IsFileRow(entry.kind)) names << entry.name;
  }
  if (!AskYesNo(state.main.window, QStringLiteral("Frage:"), FileDeleteQuestion(names), BoxIcon::Question)) return;
  RunCommand(state, QStringLiteral("Löschen"), ServerCommand::DeleteFiles, names,
             [names](AppState& s, CommandResult& r) {
               for (int i = 0; i < r.done; ++i) {
                 AppendStatusMessage(s, QStringLiteral("Datei ''") + names[i] + QStringLiteral("'' gelöscht"));
               }
               if (!r.ok && r.done < names.size()) {
                 ReportRefusal(s, r, QStringLiteral("Das Löschen von ''%1''").arg(names[r.done]));
               }
               if (r.listed) ShowServerListing(s, r.listing);
             });
}

void DeleteDirectory(AppState& state, const QString& name) {
  if (!AskYesNo(state.main.window, QStringLiteral("Frage:"), DirectoryDeleteQuestion(name))) return;
  RunCommand(state, QStringLiteral("Löschen"), ServerCommand::DeleteDirectory, {name},
             [name](AppState& s, CommandResult& r) {
               if (r.ok) {
                 AppendStatusMessage(s, QStringLiteral("Verzeichnis ''") + name + QStringLiteral("'' gelöscht"));
                 if (r.listed) ShowServerListing(s, r.listing);
                 return;
               }
               if (r.lost || r.cancelled) {
                 ReportRefusal(s, r, QStringLiteral("Das Löschen"));
                 return;
               }
               ShowInfo(s.main.window, QStringLiteral("Fehler:"),
                        QStringLiteral("Konnte das Verzeichnis nicht löschen.\nDas Verzeichnis ist vermutlich nicht leer."));
             });
}

}  // namespace

void RenameServerEntry(AppState& state) {
  if (RefuseWhileBusy(state)) return;
  const ServerEntry* entry = ActionableRow(state);
  if (entry == nullptr) return;
  const QString oldName = entry->name;
  const QString kind = KindWord(entry->kind);
  const QString newName = ShowInputBox({kind + QStringLiteral(" umbenennen"),
                                        QStringLiteral("Neuer ") + kind + QStringLiteral("name:"), oldName});
  if (newName.isEmpty()) return;
  RunCommand(state, QStringLiteral("Umbenennen"), ServerCommand::Rename,
             {state.hostFolder + oldName, state.hostFolder + newName},
             [kind, oldName, newName](AppState& s, CommandResult& r) {
               if (!r.ok) {
                 ReportRefusal(s, r,
                               QStringLiteral("Das Umbenennen von ''%1'' in ''%2''").arg(oldName, newName));
                 return;
               }
               AppendStatusMessage(s, kind + QStringLiteral(" umbenannt"));
               if (r.listed) ShowServerListing(s, r.listing);
             });
}

void CreateServerDirectory(AppState& state) {
  if (RefuseWhileBusy(state)) return;
  const QString name = ShowInputBox({QStringLiteral("Verzeichnis erstellen"),
                                     QStringLiteral("Bitte geben Sie den Verzeichnisnamen ein:"), QString()});
  // Without a connection there is nothing to create it on; that stays silent.
  if (name.isEmpty() || !FtpLibraryAvailable(state) || state.connection == 0) return;
  RunCommand(state, QStringLiteral("Verzeichnis erstellen"), ServerCommand::CreateDirectory,
             {state.hostFolder + name}, [name](AppState& s, CommandResult& r) {
               if (!r.ok) {
                 ReportRefusal(s, r, QStringLiteral("Das Erstellen des Verzeichnisses ''%1''").arg(name));
                 return;
               }
               AppendStatusMessage(s, QStringLiteral("Verzeichnis ''") + name + QStringLiteral("'' erstellt"));
               if (r.listed) ShowServerListing(s, r.listing);
             });
}

void DeleteServerEntries(AppState& state) {
  if (RefuseWhileBusy(state)) return;
  const ServerEntry* entry = ActionableRow(state);
  if (entry == nullptr) return;
  if (IsFileRow(entry->kind)) {
    DeleteFiles(state);
  } else if (entry->kind == kDirectoryRow) {
    DeleteDirectory(state, entry->name);
  }
}

void CopyDownloadLink(AppState& state) {
  const ServerEntry* entry = ActionableRow(state);
  if (entry == nullptr) return;
  if (entry->kind == kDirectoryRow) {
    ShowInfo(state.main.window, QStringLiteral("Fehler:"),
             QStringLiteral("Es können nur Dateien heruntergeladen werden, keine Verzeichnisse."));
    return;
  }
  const QString link = ShowInputBox({QStringLiteral("Download-Link"), QStringLiteral("In die Zwischenablage kopieren:"),
                                     DownloadLink(state.dnLdFolder, state.hostFolder, entry->name)});
  if (!link.isEmpty()) QGuiApplication::clipboard()->setText(link);
}
