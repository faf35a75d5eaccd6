// The program's own commands with the real backend, headless, timed:
//   bench_transfer_commands transfer PROTOCOL PORT USER PASS SOURCE SERVER_FOLDER BACK_DIR CIPHER
//     one upload and one download of SOURCE through UploadSelected and
//     DownloadSelected; prints "UP_SECONDS DOWN_SECONDS PEAK_GROWTH_KIB GAP_MS"
//     (peak resident memory over the size before the commands; the longest a
//     10 ms timer on the GUI thread waited meanwhile).
//   bench_transfer_commands cancel PROTOCOL PORT USER PASS SOURCE SERVER_FOLDER BACK_DIR CIPHER
//     starts the upload, then the download, and runs the cancel control 0.3 s
//     into each; prints "UP_CANCEL_MS DOWN_CANCEL_MS" (click to the
//     job's end) and fails unless both sides kept their files.
//   bench_transfer_commands list PROTOCOL PORT USER PASS SERVER_FOLDER
//     connects, then lists SERVER_FOLDER again through RefreshServerList;
//     prints "SHOWN_SECONDS GAP_MS ROWS" (refresh to the last row in the list).
//   bench_transfer_commands folder PROTOCOL PORT USER PASS SOURCE_FOLDER SERVER_FOLDER BACK_DIR
//     uploads the folder SOURCE_FOLDER (selected in the local list) into
//     SERVER_FOLDER, then downloads it (selected in the server list) into
//     BACK_DIR; prints "UP_SECONDS DOWN_SECONDS GAP_MS" (command to the end of
//     its run, the list shown again after the upload included).
// SERVER_FOLDER is the folder as the server shows it (ending in "/"). Exit 1
// when a command showed a message box (the connect's trust question aside).

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <cstring>

#include "ftp/Connection.h"
#include "ftp/Download.h"
#include "ftp/FtpLibrary.h"
#include "ftp/FtpSession.h"
#include "ftp/ServerList.h"
#include "ftp/Upload.h"
#include "local/LocalList.h"
#include "state/AppState.h"
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

// The longest wait of a 10 ms timer on the GUI thread since the last Reset.
struct GapMeter {
  QTimer timer;
  QElapsedTimer since;
  qint64 worst = 0;
  GapMeter() {
    timer.setInterval(10);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [this] {
      worst = std::max(worst, since.restart());
    });
  }
  void Reset() {
    worst = 0;
    since.start();
    timer.start();
  }
};

// Runs an event loop, as the program's own does (sleeping until something
// happens), until the job has ended.
void RunUntilIdle(AppState& state) {
  QEventLoop loop;
  QTimer check;
  QObject::connect(&check, &QTimer::timeout, &loop, [&] {
    if (!ServerJobRunning(state)) loop.quit();
  });
  check.start(5);
  loop.exec();
}

// Runs an event loop for ms milliseconds.
void RunFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

QByteArray Head(const QString& path, qint64 n) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.read(n) : QByteArray();
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const QString mode = argc > 1 ? QString::fromUtf8(argv[1]) : QString();
  const bool transferMode = (mode == QLatin1String("transfer") || mode == QLatin1String("cancel")) && argc == 10;
  const bool folderMode = mode == QLatin1String("folder") && argc == 9;
  if (!transferMode && !folderMode && !(mode == QLatin1String("list") && argc == 7)) {
    std::fprintf(stderr,
                 "usage: %s transfer|cancel PROTOCOL PORT USER PASS SOURCE SERVER_FOLDER BACK_DIR CIPHER\n"
                 "       %s list PROTOCOL PORT USER PASS SERVER_FOLDER\n"
                 "       %s folder PROTOCOL PORT USER PASS SOURCE_FOLDER SERVER_FOLDER BACK_DIR\n",
                 argv[0], argv[0], argv[0]);
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
  state.protocol = QString::fromUtf8(argv[2]).toInt();
  state.hostUrl = QStringLiteral("127.0.0.1");
  state.hostPort = QString::fromUtf8(argv[3]).toInt();
  state.hostUser = QString::fromUtf8(argv[4]);
  state.hostPass = QString::fromUtf8(argv[5]);
  state.hostFolder = QString::fromUtf8(argv[transferMode || folderMode ? 7 : 6]);
  state.overwrite = 1;
  state.appPathForTemp = 0;
  for (size_t i = 0; i < state.keyMaterial.size(); ++i) state.keyMaterial[i] = static_cast<uint8_t>(i * 7 + 3);

  GapMeter gaps;
  state.main.connectButton->setChecked(true);
  ConnectToggle(state);
  RunUntilIdle(state);
  if (state.connection != 1) return 1;
  failed = false;  // trusting a new server key or certificate is no failure

  if (folderMode) {
    const QFileInfo source(QString::fromUtf8(argv[6]));
    SetLocalDirectory(state, source.absolutePath() + QLatin1Char('/'));
    FollowLocalList(state);
    SelectOnly(state.main.localList, source.fileName());
    QElapsedTimer timer;
    gaps.Reset();
    timer.start();
    UploadSelected(state);
    RunUntilIdle(state);
    const double up = timer.nsecsElapsed() / 1e9;
    SetLocalDirectory(state, QString::fromUtf8(argv[8]) + QLatin1Char('/'));
    FollowLocalList(state);
    SelectOnly(state.main.serverList, source.fileName());
    timer.restart();
    DownloadSelected(state);
    RunUntilIdle(state);
    const double down = timer.nsecsElapsed() / 1e9;
    std::printf("%.3f %.3f %lld\n", up, down, static_cast<long long>(gaps.worst));
    CloseConnection(state);
    UnloadFtpLibrary(state);
    return failed ? 1 : 0;
  }

  if (!transferMode) {
    QElapsedTimer timer;
    gaps.Reset();
    timer.start();
    RefreshServerList(state);
    RunUntilIdle(state);
    const double shown = timer.nsecsElapsed() / 1e9;
    std::printf("%.3f %lld %d\n", shown, static_cast<long long>(gaps.worst), state.main.serverList->topLevelItemCount());
    CloseConnection(state);
    UnloadFtpLibrary(state);
    return failed ? 1 : 0;
  }

  const QFileInfo source(QString::fromUtf8(argv[6]));
  const QString back = QString::fromUtf8(argv[8]);
  state.useCipher = QString::fromUtf8(argv[9]).toInt();
  const QString serverName = source.fileName() + (state.useCipher != 0 ? QStringLiteral(".aes") : QString());
  SetLocalDirectory(state, source.absolutePath() + QLatin1Char('/'));
  FollowLocalList(state);
  SelectOnly(state.main.localList, source.fileName());

  if (mode == QLatin1String("cancel")) {
    // Cancelling an upload over the file keeps the server's copy; cancelling
    // the download over a local file keeps that one.
    UploadSelected(state);
    RunUntilIdle(state);
    const QString local = back + QLatin1Char('/') + source.fileName();
    QFile::remove(local);
    if (!QFile::copy(source.absoluteFilePath(), local)) return 1;
    const QByteArray localBefore = Head(local, 4096);
    double latency[2] = {0, 0};
    for (int round = 0; round < 2; ++round) {
      if (round == 0) {
        SelectOnly(state.main.localList, source.fileName());
        UploadSelected(state);
      } else {
        SetLocalDirectory(state, back + QLatin1Char('/'));
        FollowLocalList(state);
        SelectOnly(state.main.serverList, serverName);
        DownloadSelected(state);
      }
      RunFor(300);
      if (!ServerJobRunning(state)) {
        std::fprintf(stderr, "the transfer was over before the cancel: take a larger file\n");
        return 1;
      }
      QElapsedTimer timer;
      timer.start();
      CancelServerJob(state);  // what the cancel control and Escape run
      RunUntilIdle(state);
      latency[round] = timer.nsecsElapsed() / 1e6;
    }
    const bool kept = Head(local, 4096) == localBefore && QFileInfo(local).size() == source.size();
    std::printf("%.0f %.0f\n", latency[0], latency[1]);
    CloseConnection(state);
    UnloadFtpLibrary(state);
    return failed || !kept ? 1 : 0;
  }

  const long long before = StatusKiB("VmRSS:");
  {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly)) clear.write("5");
  }
  QElapsedTimer timer;
  gaps.Reset();
  timer.start();
  UploadSelected(state);
  RunUntilIdle(state);
  const double up = timer.nsecsElapsed() / 1e9;

  SetLocalDirectory(state, back + QLatin1Char('/'));
  FollowLocalList(state);
  SelectOnly(state.main.serverList, serverName);
  timer.restart();
  DownloadSelected(state);
  RunUntilIdle(state);
  const double down = timer.nsecsElapsed() / 1e9;
  const long long peak = StatusKiB("VmHWM:");

  CloseConnection(state);
  UnloadFtpLibrary(state);
  DestroyLocalList(state);
  delete state.main.window;
  std::printf("%.3f %.3f %lld %lld\n", up, down, peak - before, static_cast<long long>(gaps.worst));
  return failed ? 1 : 0;
}
