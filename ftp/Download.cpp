#include "ftp/Download.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTreeWidget>

#include "state/StatusLog.h"
#include "crypto/CipherStream.h"
#include "ftp/FtpLibrary.h"
#include "ftp/ServerList.h"
#include "ftp/ServerNames.h"
#include "ftp/TempFile.h"
#include "ftp/TransferRun.h"
#include "ui/MessageBox.h"

namespace {

const QString kCipherOff = QStringLiteral(
    "Um verschlüsselte Dateien (.aes) herunterzuladen muß die\nAES-256-Verschlüsselung eingeschaltet sein.");
const QString kTooShort =
    QStringLiteral("Die Mindestgröße bei der Entschlüsselung einer Quelldatei beträgt 16 Byte.");
const QString kReceiveFailed = QStringLiteral("Die Datei konnte nicht heruntergeladen werden.");
const QString kTempUnreadable = QStringLiteral("Die temporäre Datei konnte nicht geöffnet werden.");
const QString kDecryptFailed = QStringLiteral("Die temporäre Datei konnte nicht entschlüsselt werden.");
const QString kCopyFailed = QStringLiteral("Die temporäre Datei konnte nicht kopiert werden.");
const QString kTempUnwritable = QStringLiteral("Die temporäre Datei konnte nicht erstellt werden.");
const QString kTargetUnwritable = QStringLiteral("Die Zieldatei konnte nicht geschrieben werden.");

// Decrypts the received file into the target through a file beside it that
// replaces the target only when it is complete.
QString DecryptToTarget(AppState& state, const QString& received, const QString& target) {
  QFile in(received);
  if (!in.open(QIODevice::ReadOnly)) return kTempUnreadable;
  QSaveFile out(target);
  if (!out.open(QIODevice::WriteOnly)) return kTargetUnwritable;
  TransferProgress painting = StartTransferProgress(state);
  const CipherStreamResult result = DecryptStream(in, out, state.keyMaterial, [&painting](int64_t, int64_t) {
    KeepWindowPainted(painting);
    return true;
  });
  switch (result) {
    case CipherStreamResult::Done: break;
    case CipherStreamResult::ReadFailed: out.cancelWriting(); return kTempUnreadable;
    case CipherStreamResult::WriteFailed: out.cancelWriting(); return kTargetUnwritable;
    default: out.cancelWriting(); return kDecryptFailed;  // shorter than listed, or refused
  }
  return out.commit() ? QString() : kTargetUnwritable;
}

QString ReceiveEntry(AppState& state, TransferEntry& entry, const QString& tempDirectory) {
  const bool encrypted = IsEncryptedFileName(entry.sourcePath);
  if (encrypted && entry.size < 16) {
    entry.row = 0;
    return kTooShort;
  }
  // Exclusively created under a fresh name, removed on every way out; the
  // library writes the received file over it by name.
  const std::unique_ptr<QTemporaryFile> temp = CreateTransferTempFile(tempDirectory);
  if (!temp) return kTempUnwritable;
  temp->close();
  if (MoveFileOnConnection(state, TransferDirection::Receive, temp->fileName(), entry.sourcePath) == 0) {
    entry.row = 0;
    return kReceiveFailed;
  }
  AppendStatusMessage(state, QStringLiteral("Download ''") + entry.sourcePath.section(QLatin1Char('/'), -1) +
                                 QStringLiteral("''"));
  ResetTransferProgress(state);
  entry.row = 0;

  if (encrypted) return DecryptToTarget(state, temp->fileName(), entry.targetPath);
  TransferProgress painting = StartTransferProgress(state);
  const bool moved = MoveFileOver(*temp, entry.targetPath, [&painting](int64_t, int64_t) {
    KeepWindowPainted(painting);
  });
  return moved ? QString() : kCopyFailed;
}

}  // namespace

void DownloadSelected(AppState& state) {
  if (state.connection == 0 || !FtpLibraryAvailable(state)) return;
  // In the volume view there is no directory: a bare name would land in the
  // program's working directory.
  if (state.localFolder.isEmpty()) return;
  state.transfers.clear();
  const QTreeWidget* list = state.main.serverList;
  for (int row = 1; row < list->topLevelItemCount(); ++row) {
    const QTreeWidgetItem* item = list->topLevelItem(row);
    const int kind = RowKindOfServerItem(item);
    if (!item->isSelected() || (kind != kFileRow && kind != kEncryptedFileRow)) continue;
    const QString name = item->text(0);
    if (IsEncryptedFileName(name) && state.useCipher == 0) {
      state.transfers.clear();
      ShowInfo(state.main.window, QStringLiteral("Fehler:"), kCipherOff);
      return;
    }
    QString localPath = state.localFolder + name;
    if (IsEncryptedFileName(localPath)) localPath.chop(4);
    if (state.overwrite == 0 && QFileInfo(localPath).isFile() &&
        !AskOverwrite(state, QFileInfo(localPath).fileName())) {
      state.transfers.clear();
      return;
    }
    state.transfers.append(TransferEntry{row, item->text(1).toLongLong(), state.hostFolder + name, localPath});
  }
  (void)ReceiveTransferList(state);
  state.transfers.clear();
}

bool ReceiveTransferList(AppState& state) {
  if (state.ftp == nullptr) return false;
  const QString tempDirectory = TransferTempDirectory(state.appPathForTemp != 0);
  for (TransferEntry& entry : state.transfers) {
    if (entry.row <= 0) continue;
    if (const QString error = ReceiveEntry(state, entry, tempDirectory); !error.isEmpty()) {
      ShowTransferError(state, error);
      return false;
    }
  }
  ResetTransferProgress(state);
  return true;
}
