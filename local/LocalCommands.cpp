#include "local/LocalCommands.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QWidget>

#include "local/LocalList.h"
#include "local/OpenWithProgram.h"
#include "ui/DeleteQuestion.h"
#include "ui/MessageBox.h"

namespace {

// The entry a command acts on: never row 0 (the parent entry), never a volume.
struct SelectedEntry {
  int row = -1;
  LocalRowKind kind = LocalRowKind::None;
  QString name;
};

[[nodiscard]] bool TakeSelectedEntry(const AppState& state, SelectedEntry& entry) {
  if (LocalListDirectory(state).isEmpty()) return false;
  entry.row = FirstSelectedLocalRow(state);
  if (entry.row <= 0) return false;
  entry.kind = LocalRowKindAt(state, entry.row);
  entry.name = LocalRowName(state, entry.row);
  return (entry.kind == LocalRowKind::File || entry.kind == LocalRowKind::Directory) &&
         IsPlainEntryName(entry.name);
}

// -2 when the directory cannot be read, as if its "." and ".." were missing;
// otherwise 0 for empty, 1 for anything inside (counting further changes nothing).
[[nodiscard]] int EntriesBeyondDots(const QString& path) {
  const QDir directory(path);
  if (!directory.exists() || !directory.isReadable()) return -2;
  QDirIterator it(path, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  return it.hasNext() ? 1 : 0;
}

// A dangling symbolic link is an entry too.
[[nodiscard]] bool EntryExists(const QString& path) {
  const QFileInfo info(path);
  return info.exists() || info.isSymLink();
}

QString Quoted(const QString& name) { return QLatin1Char('"') + name + QLatin1Char('"'); }

const QString kBadName =
    QStringLiteral("Ein Name darf kein \"/\" enthalten und nicht \".\" oder \"..\" sein.");
const QString kNameTaken = QStringLiteral("In diesem Verzeichnis gibt es schon einen Eintrag mit diesem Namen.");

// Why the file system refused to change `path` in `directory`, as far as can be told afterwards.
QString RefusalReason(const QString& directory, const QString& path, const QString& otherwise) {
  if (!path.isEmpty() && !EntryExists(path)) return QStringLiteral("Der Eintrag ist nicht mehr vorhanden.");
  if (!QFileInfo(directory).isWritable()) return QStringLiteral("Sie haben keine Schreibrechte in diesem Verzeichnis.");
  return otherwise;
}

void ShowRefusal(const AppState& state, const QString& what, const QString& reason) {
  ShowInfo(state.main.window, QStringLiteral("Fehler:"), what + QStringLiteral("\r\n") + reason);
}

void DeleteFiles(const AppState& state, const QString& directory, int firstRow) {
  QStringList names;
  for (int row = firstRow; row < LocalRowCount(state); ++row) {
    if (IsLocalRowSelected(state, row) && LocalRowKindAt(state, row) == LocalRowKind::File)
      names << LocalRowName(state, row);
  }
  if (!AskYesNo(state.main.window, QStringLiteral("Frage:"), FileDeleteQuestion(names))) return;
  for (const QString& name : names) {
    const QString path = directory + name;
    // One that is gone already needs no deleting; the run goes on.
    if (!IsPlainEntryName(name) || QFile::remove(path) || !EntryExists(path)) continue;
    ShowRefusal(state,
                QStringLiteral("Die Datei ") + Quoted(name) +
                    QStringLiteral(" kann nicht gelöscht werden; sie und die nach ihr markierten bleiben."),
                RefusalReason(directory, path, QStringLiteral("Das Dateisystem hat das Löschen abgelehnt.")));
    return;
  }
}

void DeleteDirectory(const AppState& state, const QString& directory, const QString& name) {
  const QString question = DirectoryDeleteQuestion(name);
  if (!AskYesNo(state.main.window, QStringLiteral("Frage:"), question)) return;
  if (EntriesBeyondDots(directory + name) != 0) {
    ShowInfo(state.main.window, QStringLiteral("Fehler:"),
             QStringLiteral("Das Verzeichnis ist nicht leer.\r\nLöschen Sie zuerst die darin enthaltenen Dateien."));
    return;
  }
  if (QDir(directory).rmdir(name)) return;
  ShowRefusal(state, QStringLiteral("Das Verzeichnis ") + Quoted(name) + QStringLiteral(" kann nicht gelöscht werden."),
              RefusalReason(directory, directory + name, QStringLiteral("Das Dateisystem hat das Löschen abgelehnt.")));
}

}  // namespace

void RenameLocalEntry(AppState& state) {
  SelectedEntry entry;
  if (!TakeSelectedEntry(state, entry)) return;
  const bool file = entry.kind == LocalRowKind::File;
  const QString word = file ? QStringLiteral("Datei") : QStringLiteral("Verzeichnis");
  const QString answer = ShowInputBox({word + QStringLiteral(" umbenennen"),
                                       QStringLiteral("Neuer ") + word + QStringLiteral("name:"), entry.name});
  if (answer.isEmpty() || answer == entry.name) return;
  const QString directory = LocalListDirectory(state);
  const QString what = (file ? QStringLiteral("Die Datei ") : QStringLiteral("Das Verzeichnis ")) + Quoted(entry.name) +
                       QStringLiteral(" kann nicht in ") + Quoted(answer) + QStringLiteral(" umbenannt werden.");
  // A name with "/" or a dot name would leave the directory.
  if (!IsPlainEntryName(answer)) return ShowRefusal(state, what, kBadName);
  // Another entry of that name is never replaced; a change of case alone is no other entry.
  if (EntryExists(directory + answer) && answer.compare(entry.name, Qt::CaseInsensitive) != 0) {
    return ShowRefusal(state, what, kNameTaken);
  }
  if (QDir(directory).rename(entry.name, answer)) return;
  ShowRefusal(state, what,
              RefusalReason(directory, directory + entry.name, QStringLiteral("Das Dateisystem hat das Umbenennen abgelehnt.")));
}

void CreateLocalDirectory(AppState& state) {
  const QString directory = LocalListDirectory(state);
  if (directory.isEmpty()) return;  // the volume view has no directory to create in
  const QString answer = ShowInputBox({QStringLiteral("Verzeichnis erstellen"),
                                       QStringLiteral("Bitte geben Sie den Verzeichnisnamen ein:"), QString()});
  if (answer.isEmpty()) return;
  const QString what = QStringLiteral("Das Verzeichnis ") + Quoted(answer) + QStringLiteral(" kann nicht erstellt werden.");
  if (!IsPlainEntryName(answer)) return ShowRefusal(state, what, kBadName);
  if (EntryExists(directory + answer)) return ShowRefusal(state, what, kNameTaken);
  if (QDir(directory).mkdir(answer)) return;
  ShowRefusal(state, what, RefusalReason(directory, QString(), QStringLiteral("Das Dateisystem hat das Erstellen abgelehnt.")));
}

void DeleteLocalEntries(AppState& state) {
  SelectedEntry entry;
  if (!TakeSelectedEntry(state, entry)) return;
  const QString directory = LocalListDirectory(state);
  if (entry.kind == LocalRowKind::File) {
    DeleteFiles(state, directory, entry.row);
  } else {
    DeleteDirectory(state, directory, entry.name);
  }
}

void OpenLocalFile(AppState& state) {
  SelectedEntry entry;
  if (!TakeSelectedEntry(state, entry) || entry.kind != LocalRowKind::File) return;
  QWidget* owner = state.main.window;
  const QString name = entry.name;
  // The answer comes when the desktop has looked for a program, after this returned.
  OpenWithProgram(LocalListDirectory(state) + name, owner, [owner, name] {
    ShowInfo(owner, QStringLiteral("Fehler:"),
             QStringLiteral("Die Datei ") + Quoted(name) +
                 QStringLiteral(" kann nicht geöffnet werden.\r\nFür ihren Dateityp ist kein Programm eingerichtet."));
  });
}
