#include "ftp/Upload.h"

#include <QFile>
#include <QFileInfo>
#include <QTreeWidget>

#include "state/StatusLog.h"
#include "crypto/CipherStream.h"
#include "ftp/FtpLibrary.h"
#include "ftp/ServerList.h"
#include "ftp/TempFile.h"
#include "ftp/TransferRun.h"
#include "local/LocalList.h"

namespace {

const QString kTooShort =
    QStringLiteral("Die Mindestgröße bei der Verschlüsselung einer Quelldatei beträgt 16 Byte.");
const QString kSourceUnreadable = QStringLiteral("Die Quelldatei konnte nicht geöffnet werden.");
const QString kEncryptFailed = QStringLiteral("Eine Datei konnte nicht verschlüsselt werden.");
const QString kTempUnwritable = QStringLiteral("Die temporäre Datei konnte nicht erstellt werden.");
const QString kSendFailed = QStringLiteral("Die Datei konnte nicht hochgeladen werden.");

// Every equal server row (directories too) is one question; false on the first No.
bool ConfirmServerOverwrite(AppState& state, const QString& serverName) {
  const QTreeWidget* list = state.main.serverList;
  for (int row = 1; row < list->topLevelItemCount(); ++row) {
    if (list->topLevelItem(row)->text(0) == serverName && !AskOverwrite(state, serverName)) return false;
  }
  return true;
}

// Writes the file as it is to go on the wire into `temp`. Empty on success,
// else the error text.
QString StageFile(AppState& state, TransferEntry& entry, QFile& source, QTemporaryFile& temp) {
  TransferProgress painting = StartTransferProgress(state);
  auto keepPainting = [&painting](int64_t, int64_t) {
    KeepWindowPainted(painting);
    return true;
  };
  if (state.useCipher != 0) {
    switch (EncryptStream(source, temp, state.keyMaterial, keepPainting)) {
      case CipherStreamResult::Done: break;
      case CipherStreamResult::ReadFailed: return kSourceUnreadable;
      case CipherStreamResult::WriteFailed: return kTempUnwritable;
      default: return kEncryptFailed;  // too short (the file shrank) or refused
    }
    entry.targetPath += QStringLiteral(".aes");
  } else {
    switch (CopyDevice(source, temp, keepPainting)) {
      case CopyResult::Done: break;
      case CopyResult::ReadFailed: return kSourceUnreadable;
      case CopyResult::WriteFailed: return kTempUnwritable;
    }
  }
  temp.close();
  return temp.error() == QFileDevice::NoError ? QString() : kTempUnwritable;
}

QString SendEntry(AppState& state, TransferEntry& entry, const QString& tempDirectory) {
  const QFileInfo info(entry.sourcePath);
  const int64_t size = info.exists() ? info.size() : -1;
  if (state.useCipher != 0 && size < 16) return kTooShort;
  QFile source(entry.sourcePath);
  if (!source.open(QIODevice::ReadOnly)) return kSourceUnreadable;
  // Exclusively created under a fresh name, removed on every way out.
  const std::unique_ptr<QTemporaryFile> temp = CreateTransferTempFile(tempDirectory);
  if (!temp) return kTempUnwritable;
  if (QString error = StageFile(state, entry, source, *temp); !error.isEmpty()) return error;
  source.close();

  if (MoveFileOnConnection(state, TransferDirection::Send, temp->fileName(), entry.targetPath) == 0) return kSendFailed;
  AppendStatusMessage(state, QStringLiteral("Upload ''") + info.fileName() + QStringLiteral("''"));
  ResetTransferProgress(state);
  entry.row = 0;
  return QString();
}

}  // namespace

void UploadSelected(AppState& state) {
  if (state.connection == 0 || !FtpLibraryAvailable(state)) return;
  state.transfers.clear();
  const QString directory = LocalListDirectory(state);
  const int rows = LocalRowCount(state);
  for (int row = 1; row < rows; ++row) {
    if (LocalRowKindAt(state, row) != LocalRowKind::File || !IsLocalRowSelected(state, row)) continue;
    const QString name = LocalRowName(state, row);
    const QString serverName = state.useCipher != 0 ? name + QStringLiteral(".aes") : name;
    if (state.overwrite == 0 && !ConfirmServerOverwrite(state, serverName)) {
      state.transfers.clear();
      return;
    }
    state.transfers.append(TransferEntry{row, 0, directory + name, state.hostFolder + name});
  }
  (void)SendTransferList(state);
  state.transfers.clear();
}

bool SendTransferList(AppState& state) {
  if (state.ftp == nullptr) return false;
  const QString tempDirectory = TransferTempDirectory(state.appPathForTemp != 0);
  for (TransferEntry& entry : state.transfers) {
    if (entry.row <= 0) continue;
    if (const QString error = SendEntry(state, entry, tempDirectory); !error.isEmpty()) {
      ShowTransferError(state, error);
      return false;
    }
  }
  RefreshServerList(state);
  ResetTransferProgress(state);
  return true;
}
