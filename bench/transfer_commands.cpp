// One upload and one download of a file through the program's own commands
// (UploadSelected, DownloadSelected) with the real backend, headless.
//   bench_transfer_commands PROTOCOL PORT USER PASS SOURCE SERVER_FOLDER BACK_DIR CIPHER
// SERVER_FOLDER is the work directory as the server shows it (ending in "/");
// the file comes back into BACK_DIR. Prints "UP_SECONDS DOWN_SECONDS
// PEAK_GROWTH_KIB" (peak resident memory over the resident size before the
// commands). Exit 1 when a command showed a message box (the trust question
// of the connect does not count).

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTreeWidget>
#include <cstdio>
#include <cstring>

#include "state/AppState.h"
#include "ftp/Connection.h"
#include "ftp/Download.h"
#include "ftp/FtpLibrary.h"
#include "ftp/FtpSession.h"
#include "ftp/Upload.h"
#include "local/LocalList.h"
#include "ui/MainWindow.h"
#include "ui/MessageBox.h"

namespace {

long long StatusKiB(const char* field) {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly | QIODevice::Text)) return -1;
  for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
    if (line.startsWith(field)) return line.mid(static_cast<int>(std::strlen(field))).trimmed().split(' ')[0].toLongLong();
  }
  return -1;
}

void SelectOnly(QTreeWidget* list, const QString& name) {
  for (int row = 0; row < list->topLevelItemCount(); ++row) {
    list->topLevelItem(row)->setSelected(list->topLevelItem(row)->text(0) == name);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  if (argc != 9) {
    std::fprintf(stderr, "usage: %s PROTOCOL PORT USER PASS SOURCE SERVER_FOLDER BACK_DIR CIPHER\n", argv[0]);
    return 2;
  }
  bool failed = false;
  SetMessageBoxResponder([&failed](const MessageBoxRequest& request) {
    // The trust question about the test servers' own host keys is expected.
    if (request.title == QStringLiteral("Frage:")) return BoxAnswer::Yes;
    std::fprintf(stderr, "box: %s %s\n", qPrintable(request.title), qPrintable(request.text));
    failed = true;
    return BoxAnswer::Yes;
  });

  AppState state;
  CreateMainWindow(state.main, [](const Event&) {});
  state.main.serverList->setColumnCount(3);
  SetupLocalList(state, [&state](EventType) { FollowLocalList(state); });
  if (!LoadFtpLibrary(state)) return 1;
  state.protocol = QString::fromUtf8(argv[1]).toInt();
  state.hostUrl = QStringLiteral("127.0.0.1");
  state.hostPort = QString::fromUtf8(argv[2]).toInt();
  state.hostUser = QString::fromUtf8(argv[3]);
  state.hostPass = QString::fromUtf8(argv[4]);
  const QFileInfo source(QString::fromUtf8(argv[5]));
  state.hostFolder = QString::fromUtf8(argv[6]);
  const QString back = QString::fromUtf8(argv[7]);
  state.useCipher = QString::fromUtf8(argv[8]).toInt();
  state.overwrite = 1;
  state.appPathForTemp = 0;
  for (size_t i = 0; i < state.keyMaterial.size(); ++i) state.keyMaterial[i] = static_cast<uint8_t>(i * 7 + 3);

  state.main.connectButton->setChecked(true);
  ConnectToggle(state);
  WaitForServerJob(state);
  if (state.connection != 1) return 1;
  failed = false;  // trusting a new server key or certificate is no failure

  SetLocalDirectory(state, source.absolutePath() + QLatin1Char('/'));
  FollowLocalList(state);
  SelectOnly(state.main.localList, source.fileName());
  const long long before = StatusKiB("VmRSS:");
  {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly)) clear.write("5");
  }
  QElapsedTimer timer;
  timer.start();
  UploadSelected(state);
  WaitForServerJob(state);
  const double up = timer.nsecsElapsed() / 1e9;

  SetLocalDirectory(state, back + QLatin1Char('/'));
  FollowLocalList(state);
  SelectOnly(state.main.serverList, source.fileName() + (state.useCipher != 0 ? QStringLiteral(".aes") : QString()));
  timer.restart();
  DownloadSelected(state);
  WaitForServerJob(state);
  const double down = timer.nsecsElapsed() / 1e9;
  const long long peak = StatusKiB("VmHWM:");

  CloseConnection(state);
  UnloadFtpLibrary(state);
  DestroyLocalList(state);
  delete state.main.window;
  std::printf("%.3f %.3f %lld\n", up, down, peak - before);
  return failed ? 1 : 0;
}
