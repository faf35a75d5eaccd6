#include "ftp/ServerCommands.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QProgressBar>
#include <QTreeWidget>
#include <algorithm>

#include "ftp/ErrorReasons.h"
#include "ftp/FtpLibrary.h"
#include "ftp/FtpSession.h"
#include "ftp/ServerJobs.h"
#include "ftp/ServerList.h"
#include "ftp/ServerTree.h"
#include "ftp/TransferCommand.h"
#include "ftp/TreeDelete.h"
#include "state/StatusLog.h"
#include "ui/DeleteQuestion.h"
#include "ui/MessageBox.h"

namespace {

const QString kFolderNotDeleted =
    QStringLiteral("Konnte das Verzeichnis nicht löschen.\nDas Verzeichnis ist vermutlich nicht leer.");

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

// The counts the question names: "12 Datei(en) und 3 Unterverzeichnis(se)".
QString CountsText(int files, int folders) {
  return QStringLiteral("%1 Datei(en) und %2 Unterverzeichnis(se)").arg(files).arg(folders);
}

// What a delete that stopped says: which entry, why, and what is still there.
QString TreeDeleteFailure(const QString& name, const TreeDeleteResult& r, int protocol) {
  QString text;
  if (r.failedIsFolder) {
    text = kFolderNotDeleted;
    if (r.failedPath != name) text += QStringLiteral("\n(''%1'')").arg(r.failedPath);
  } else {
    text = WithReason(QStringLiteral("Die Datei ''%1'' konnte nicht gelöscht werden.").arg(r.failedPath),
                      ReasonForErrorClass(r.errorClass, protocol));
  }
  if (r.filesLeft + r.foldersLeft > 0) {
    text += QStringLiteral("\n\nNoch vorhanden: ''%1'' mit %2.").arg(name, CountsText(r.filesLeft, r.foldersLeft));
  }
  return text;
}

void DeleteTree(AppState& state, const QString& name, const FolderTree& tree) {
  const TreeCounts counts = CountTree(tree);
  QString question = DirectoryDeleteQuestion(name);
  if (counts.files + counts.folders > 0) {
    question += QStringLiteral("\r\n\r\nMit ihm werden ") + CountsText(counts.files, counts.folders) +
                QStringLiteral(" gelöscht.");
  }
  if (!AskYesNo(state.main.window, QStringLiteral("Frage:"), question)) return;
  const QString current = state.hostFolder;
  AppState* owner = &state;
  (void)RunServerJob<TreeDeleteResult>(
      state, QStringLiteral("Löschen"),
      [owner, current, name, tree](const JobContext& ctx) {
        return DeleteServerTree(ctx, current, name, tree, [owner, &ctx](int done, int total) {
          PostToWindow(ctx, [owner, done, total] {
            ShowJobProgress(*owner, QStringLiteral("Löschen: %1 von %2").arg(done).arg(total),
                            static_cast<int>(int64_t{done} * 1000 / std::max(1, total)));
          });
        });
      },
      [name](AppState& s, TreeDeleteResult& r) {
        if (s.main.progressBar != nullptr) s.main.progressBar->setValue(0);
        if (r.ok) {
          AppendStatusMessage(s, QStringLiteral("Verzeichnis ''") + name + QStringLiteral("'' gelöscht"));
        } else if (r.lost) {
          ShowConnectionLost(s);
          return;
        } else if (r.cancelled) {
          AppendStatusMessage(s, QStringLiteral("Das Löschen wurde abgebrochen."));
        } else {
          ShowInfo(s.main.window, QStringLiteral("Fehler:"), TreeDeleteFailure(name, r, s.protocol));
        }
        if (r.listed) ShowServerListing(s, r.listing);
      });
}

// One question that names what goes, after a walk that finds it out.
void DeleteDirectory(AppState& state, const QString& name) {
  if (!FtpLibraryAvailable(state)) return;
  const QString current = state.hostFolder;
  const int protocol = state.protocol;
  AppState* owner = &state;
  (void)RunServerJob<ServerWalk>(
      state, QStringLiteral("Löschen"),
      [owner, current, name](const JobContext& ctx) {
        return WalkServerFolder(ctx, current + name + QLatin1Char('/'), current, FolderCountToWindow(*owner, ctx));
      },
      [name, protocol](AppState& s, ServerWalk& walk) {
        if (walk.lost) {
          ShowConnectionLost(s);
        } else if (walk.cancelled) {
          AppendStatusMessage(s, QStringLiteral("Das Löschen wurde abgebrochen."));
        } else if (walk.tooLarge) {
          ShowInfo(s.main.window, QStringLiteral("Fehler:"),
                   QStringLiteral("Das Verzeichnis ''%1'' ist zu tief verschachtelt oder hat zu viele Einträge "
                                  "(mehr als %2 Ebenen oder 1.000.000 Einträge).")
                       .arg(name)
                       .arg(kMaxFolderDepth));
        } else if (!walk.ok) {
          ShowInfo(s.main.window, QStringLiteral("Fehler:"),
                   WithReason(QStringLiteral("Das Verzeichnis ''%1'' auf dem Server konnte nicht gelesen werden.")
                                  .arg(JoinRelative(name, walk.failedFolder)),
                              ReasonForErrorClass(walk.errorClass, protocol)));
        } else {
          DeleteTree(s, name, walk.tree);
        }
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
