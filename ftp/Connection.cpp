#include "ftp/Connection.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <chrono>

#include "state/StatusLog.h"
#include "ftp/FtpLibrary.h"
#include "ftp/ServerList.h"
#include "ftp/Trust.h"
#include "ui/Images.h"
#include "ui/MessageBox.h"

namespace {

// Milliseconds on a monotonic clock that reads 0 at its first reading.
int64_t ReadClickClock(AppState& state) {
  const int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now().time_since_epoch())
                          .count();
  if (state.connectClockOrigin < 0) state.connectClockOrigin = now;
  return now - state.connectClockOrigin;
}

void ShowConnectedLook(AppState& state, bool connected) {
  const ProgramImages& images = LoadProgramImages();
  state.main.connectButton->setText(connected ? QStringLiteral("trennen") : QStringLiteral("verbinden"));
  state.main.downloadButton->setIcon(connected ? images.downloadConnected : images.downloadDisconnected);
  state.main.uploadButton->setIcon(connected ? images.uploadConnected : images.uploadDisconnected);
}

// After login the list shows the profile's directory when the server has it;
// otherwise the directory the server put us in becomes the current one.
void EnterHostFolder(AppState& state) {
  FtpLibrary& ftp = *state.ftp;
  if (ftp.SetFTPDirectoryEx(state.connection, Utf16(state.hostFolder), MessageBuffer(state)) != 0) return;
  QString buffer(260, QLatin1Char(' '));
  if (ftp.GetFTPDirectoryEx(state.connection, reinterpret_cast<char16_t*>(buffer.data()), MessageBuffer(state)) == 0) {
    return;
  }
  QString directory = QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer.utf16()));
  if (!directory.startsWith(QLatin1Char('/'))) directory.prepend(QLatin1Char('/'));
  if (!directory.endsWith(QLatin1Char('/'))) directory.append(QLatin1Char('/'));
  state.hostFolder = directory;
}

}  // namespace

void ConnectToggle(AppState& state) {
  QPushButton* button = state.main.connectButton;
  const int64_t now = ReadClickClock(state);
  if (now > 0 && now < state.lastConnectClickMs + 1000) {
    button->setChecked(!button->isChecked());
    return;
  }
  state.lastConnectClickMs = now;

  if (button->isChecked()) {
    if (!FtpLibraryAvailable(state)) {
      button->setChecked(false);
      return;
    }
    ClearStatusMessages(state);
    state.connection = 1;
    // Unverified certificates and host keys are asked about during the open.
    RegisterTrustCallback(state);
    const int64_t opened = state.ftp->OpenFTPEx(state.connection, state.protocol, Utf16(state.hostUrl), state.hostPort,
                                                Utf16(state.hostUser), Utf16(state.hostPass), 2, MessageBuffer(state));
    if (opened == 0) {
      ShowInfo(state.main.window, QStringLiteral("Fehler:"),
               QStringLiteral("Es konnte keine Verbindung mit dem Server hergestellt werden."));
      button->setChecked(false);
      ClearStatusMessages(state);
      state.connection = 0;
      return;
    }
    AppendStatusMessage(state, QStringLiteral("Verbunden"));
    EnterHostFolder(state);
    RefreshServerList(state);
    ShowConnectedLook(state, true);
    return;
  }

  if (state.connection != 0) {
    CloseConnection(state);
    AppendStatusMessage(state, QStringLiteral("Verbindung geschlossen"));
    state.main.serverList->clear();
    state.hostFolder = QStringLiteral("/");
    state.main.serverPath->setText(QString());
  }
  ShowConnectedLook(state, false);
}

void CloseConnection(AppState& state) {
  if (state.connection == 0) return;
  if (state.ftp != nullptr) (void)state.ftp->CloseFTPEx(state.connection, MessageBuffer(state));
  state.connection = 0;
}
