#include "local/LocalCommands.h"

#include <QDesktopServices>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QUrl>

#include "local/LocalList.h"
#include "ui/DeleteQuestion.h"
#include "ui/MessageBox.h"

namespace {

LocalFileOpener& Opener() {
  static LocalFileOpener opener;
  return opener;
}

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

void DeleteFiles(const AppState& state, const QString& directory, int firstRow) {
  QStringList names;
  for (int row = firstRow; row < LocalRowCount(state); ++row) {
    if (IsLocalRowSelected(state, row) && LocalRowKindAt(state, row) == LocalRowKind::File)
      names << LocalRowName(state, row);
  }
  if (!AskYesNo(state.main.window, QStringLiteral("Frage:"), FileDeleteQuestion(names))) return;
  for (const QString& name : names) {
    if (!IsPlainEntryName(name) || !QFile::remove(directory + name)) return;
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
  (void)QDir(directory).rmdir(name);
}

}  // namespace


void RenameLocalEntry(AppState& state) {
  SelectedEntry entry;
  if (!TakeSelectedEntry(state, entry)) return;
  const QString word = entry.kind == LocalRowKind::File ? QStringLiteral("Datei") : QStringLiteral("Verzeichnis");
  const QString answer = ShowInputBox({word + QStringLiteral(" umbenennen"),
                                       QStringLiteral("Neuer ") + word + QStringLiteral("name:"), entry.name});
  // A name with "/" or a dot name would leave the directory: refused like any
  // other failed rename, silently.
  if (!IsPlainEntryName(answer)) return;
  (void)QDir(LocalListDirectory(state)).rename(entry.name, answer);
}

void CreateLocalDirectory(AppState& state) {
  const QString directory = LocalListDirectory(state);
  if (directory.isEmpty()) return;  // the volume view has no directory to create in
  const QString answer = ShowInputBox({QStringLiteral("Verzeichnis erstellen"),
                                       QStringLiteral("Bitte geben Sie den Verzeichnisnamen ein:"), QString()});
  if (!IsPlainEntryName(answer)) return;
  (void)QDir(directory).mkdir(answer);
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
  const QString path = LocalListDirectory(state) + entry.name;
  if (Opener()) {
    Opener()(path);
    return;
  }
  (void)QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void SetLocalFileOpener(LocalFileOpener opener) { Opener() = std::move(opener); }
