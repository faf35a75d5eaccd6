#include "ftp/TransferRun.h"

#include <QCoreApplication>
#include <QProgressBar>

#include <algorithm>

#include "ftp/FtpLibrary.h"
#include "ui/MessageBox.h"

bool AskOverwrite(AppState& state, const QString& name) {
  return AskYesNo(state.main.window, QStringLiteral("Frage:"),
                  QStringLiteral("''") + name +
                      QStringLiteral("''\n\nDiese Datei existiert bereits im Zielverzeichnis.\n"
                                     "Soll sie überschrieben werden?"));
}

void ShowTransferError(AppState& state, const QString& text) {
  ResetTransferProgress(state);
  ShowInfo(state.main.window, QStringLiteral("Fehler:"), text);
}

void ResetTransferProgress(AppState& state) {
  if (state.main.progressBar != nullptr) state.main.progressBar->setValue(0);
}

TransferProgress StartTransferProgress(AppState& state) {
  TransferProgress progress;
  progress.state = &state;
  progress.sincePaint.start();
  return progress;
}

void KeepWindowPainted(TransferProgress& progress) {
  if (progress.sincePaint.elapsed() < TransferProgress::kPaintIntervalMs) return;
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  progress.sincePaint.restart();
}

void ShowTransferProgress(TransferProgress& progress, int64_t done, int64_t total) {
  QProgressBar* bar = progress.state->main.progressBar;
  if (bar != nullptr && total > 0) {
    const int value = static_cast<int>(std::clamp<int64_t>(done, 0, total) * 1000 / total);
    if (value != progress.shown) {
      bar->setValue(value);
      progress.shown = value;
    }
  }
  KeepWindowPainted(progress);
}

namespace {

// The library's hook: never aborts, the run has no way to cancel a file.
int OnLibraryProgress(void* user, int64_t done, int64_t total) {
  ShowTransferProgress(*static_cast<TransferProgress*>(user), done, total);
  return 0;
}

}  // namespace

int64_t MoveFileOnConnection(AppState& state, TransferDirection direction, const QString& localPath,
                             const QString& serverPath) {
  FtpLibrary& ftp = *state.ftp;
  TransferProgress progress = StartTransferProgress(state);
  const bool hooked = ftp.SetFTPProgressCallbackEx != nullptr &&
                      ftp.SetFTPProgressCallbackEx(state.connection, &OnLibraryProgress, &progress) != 0;
  const int64_t result =
      direction == TransferDirection::Send
          ? ftp.SendFTPFileEx(state.connection, Utf16(localPath), Utf16(serverPath), MessageBuffer(state))
          : ftp.ReceiveFTPFileEx(state.connection, Utf16(serverPath), Utf16(localPath), MessageBuffer(state));
  // The hook must not outlive `progress`.
  if (hooked) (void)ftp.SetFTPProgressCallbackEx(state.connection, nullptr, nullptr);
  return result;
}
