#pragma once
// The program's main window with the real FTP backend loaded, in a fresh
// working directory (where ftp.ini and the trust decisions would go), with
// every message and input box recorded and answered.

#include <gtest/gtest.h>

#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <vector>

#include "state/AppState.h"
#include "ftp/Connection.h"
#include "ftp/FtpLibrary.h"
#include "ftp/FtpSession.h"
#include "tests/support/TestServers.h"
#include "ui/MainWindow.h"
#include "ui/MessageBox.h"

namespace tarnholm::testing {

// The test server's port for protocol 1 FTP, 2 SFTP, 3 FTPS implicit, 4 FTPS explicit.
inline int ServerPort(int protocol) {
  switch (protocol) {
    case 2: return Servers().sftpPort;
    case 3: return Servers().ftpsImplicitPort;
    default: return Servers().ftpPort;
  }
}

struct ProgramWindow {
  QTemporaryDir workingDirectory;
  QString previous = QDir::currentPath();
  AppState state;
  std::vector<MessageBoxRequest> boxes;
  BoxAnswer answer = BoxAnswer::Yes;  // to every Yes/No box
  QString inputAnswer;                // to every input box

  ProgramWindow() {
    EXPECT_TRUE(workingDirectory.isValid() && QDir::setCurrent(workingDirectory.path()));
    SetMessageBoxResponder([this](const MessageBoxRequest& r) {
      boxes.push_back(r);
      return r.buttons == BoxButtons::Ok ? BoxAnswer::Ok : answer;
    });
    SetInputBoxResponder([this](const InputBoxRequest&) { return inputAnswer; });
    CreateMainWindow(state.main, [](const Event&) {});
    state.main.serverList->setColumnCount(3);
    EXPECT_TRUE(LoadFtpLibrary(state));
  }
  ~ProgramWindow() {
    CloseConnection(state);
    UnloadFtpLibrary(state);
    delete state.main.window;
    SetMessageBoxResponder(nullptr);
    SetInputBoxResponder(nullptr);
    QDir::setCurrent(previous);
  }

  // The throwaway user of the test servers.
  void LogInWith(int protocol) {
    state.protocol = protocol;
    state.hostUrl = QStringLiteral("127.0.0.1");
    state.hostPort = ServerPort(protocol);
    state.hostUser = QString::fromStdString(Servers().user);
    state.hostPass = QString::fromStdString(Servers().password);
  }

  // Connects or disconnects as a click on the button does, a second after the
  // last, and waits until the engine has done it.
  void Click() {
    state.lastConnectClickMs -= 1000;
    state.main.connectButton->setChecked(!state.main.connectButton->isChecked());
    ConnectToggle(state);
    Settle();
  }
  // Lets the running job end and its result arrive.
  void Settle() { WaitForServerJob(state); }

  QStringList Names() const {
    QStringList names;
    for (int row = 0; row < state.main.serverList->topLevelItemCount(); ++row) {
      names << state.main.serverList->topLevelItem(row)->text(0);
    }
    return names;
  }
  QTreeWidgetItem* Row(const QString& name) const {
    const auto found = state.main.serverList->findItems(name, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.first();
  }
  void SelectOnly(const QString& name) {
    state.main.serverList->clearSelection();
    for (QTreeWidgetItem* item : state.main.serverList->findItems(name, Qt::MatchExactly)) item->setSelected(true);
  }
  // The last line of the message area without its time stamp.
  QString LastStatus() const {
    const QStringList lines = state.main.messageArea->toPlainText().split(QLatin1Char('\n'));
    return lines.last().mid(11);
  }
};

}  // namespace tarnholm::testing
