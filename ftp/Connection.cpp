#include "ftp/Connection.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <chrono>

#include "ftp/ErrorReasons.h"
#include "ftp/FtpLibrary.h"
#include "ftp/FtpSession.h"
#include "ftp/ServerJobs.h"
#include "ftp/ServerList.h"
#include "ftp/Trust.h"
#include "state/StatusLog.h"
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

void Connected(AppState& state, FolderResult& r) {
  QPushButton* button = state.main.connectButton;
  if (!r.opened) {
    button->setChecked(false);
    ClearStatusMessages(state);
    state.connection = 0;
    if (r.cancelled) {
      AppendStatusMessage(state, QStringLiteral("Der Verbindungsaufbau wurde abgebrochen."));
      return;
    }
    const QString reason = ReasonForErrorClass(r.errorClass, state.protocol);
    ShowInfo(state.main.window, QStringLiteral("Fehler:"),
             WithReason(QStringLiteral("Es konnte keine Verbindung mit dem Server hergestellt werden."), reason));
    if (!reason.isEmpty()) AppendStatusMessage(state, reason);
    return;
  }
  state.connection = 1;
  button->setChecked(true);
  AppendStatusMessage(state, QStringLiteral("Verbunden"));
  state.hostFolder = r.folder;
  ShowConnectedLook(state, true);
  ShowServerListing(state, r.listing);
}

void Connect(AppState& state) {
  FtpSession* session = Session(state);
  ConnectRequest request;
  request.protocol = state.protocol;
  request.host = state.hostUrl;
  request.port = state.hostPort;
  request.user = state.hostUser;
  request.password = state.hostPass;
  request.hostFolder = state.hostFolder;
  request.trust = &ForwardTrustQuestion;
  request.trustUser = session;
  // A server with several host keys then shows the one remembered.
  if (state.protocol == 2) request.keyTypes = HostKeyPreference(state.hostUrl, state.hostPort);
  AppState* owner = &state;
  const bool started = RunServerJob<FolderResult>(
      state, QStringLiteral("Verbinden"),
      [owner, request](const JobContext& ctx) {
        return ConnectAndList(ctx, request, [owner, &ctx](int64_t count) {
          PostToWindow(ctx, [owner, count] {
            ShowJobProgress(*owner, QStringLiteral("Verzeichnis wird gelesen: %1 Einträge").arg(count));
          });
        });
      },
      &Connected);
  if (!started) {
    state.main.connectButton->setChecked(false);
    return;
  }
  ShowJobProgress(state, QStringLiteral("Verbinden mit %1:%2 …").arg(state.hostUrl).arg(state.hostPort));
}

void Disconnected(AppState& state) {
  state.connection = 0;
  AppendStatusMessage(state, QStringLiteral("Verbindung geschlossen"));
  state.main.serverList->clear();
  if (state.ftpSession) {
    state.ftpSession->rows.clear();
    state.ftpSession->shownRows = 0;
  }
  state.hostFolder = QStringLiteral("/");
  state.main.serverPath->setText(QString());
  ShowConnectedLook(state, false);
}

}  // namespace

void ConnectToggle(AppState& state) {
  QPushButton* button = state.main.connectButton;
  if (ServerJobRunning(state)) {
    button->setChecked(!button->isChecked());
    (void)RefuseWhileBusy(state);
    return;
  }
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
    Connect(state);
    return;
  }
  if (state.connection == 0) {
    ShowConnectedLook(state, false);
    return;
  }
  const bool started = RunServerJob<bool>(
      state, QStringLiteral("Trennen"),
      [](const JobContext& ctx) {
        CloseOnServer(ctx);
        return true;
      },
      [](AppState& s, bool&) { Disconnected(s); });
  if (!started) button->setChecked(true);
}

void CloseConnection(AppState& state) {
  FtpSession* session = state.ftpSession.get();
  if (session != nullptr) {
    if (session->job != 0) CancelJob(*session->engine, session->job);
    if (state.connection != 0 || session->job != 0) {
      (void)SubmitJob(*session->engine, [](JobContext& ctx) { CloseOnServer(ctx); });
    }
    // Ending the engine runs the close, then drops what the cancelled job posts.
    state.ftpSession.reset();
  }
  state.connection = 0;
}
