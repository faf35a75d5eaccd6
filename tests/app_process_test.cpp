// The real program as a process: the quit signals run the same shutdown as the
// exit button, from the start of the program on, and the process ends with
// exit code 0.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>

namespace {

// True while the process's main thread sleeps waiting for events (in the
// event loop or a message box's), not while it starts or works.
bool WaitingForEvents(qint64 pid) {
  QFile file(QStringLiteral("/proc/%1/syscall").arg(pid));
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray call = file.readAll().split(' ').value(0);
#if defined(__x86_64__)
  return call == "7" || call == "271";  // poll, ppoll
#elif defined(__aarch64__)
  return call == "73";  // ppoll
#else
  return call == "168" || call == "336";
#endif
}

// Bounded: until the process has been waiting for events for a while.
bool WaitUntilIdle(qint64 pid) {
  int idle = 0;
  for (int i = 0; i < 400 && idle < 5; ++i) {
    idle = WaitingForEvents(pid) ? idle + 1 : 0;
    QThread::msleep(25);
  }
  return idle >= 5;
}

QByteArray Ini(const char* text) { return QByteArray("\xEF\xBB\xBF\r\n") + QByteArray(text).replace("\n", "\r\n"); }

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A profile without stored folders: the shutdown adds them.
const QByteArray kProfile = Ini("[Global]\nselProfile = P\n\n[P]\nHostPort = 21\n");
// The same with a key text that start-up reports in a message box.
const QByteArray kBadKey = Ini("[Global]\nselProfile = P\n\n[P]\nUseCipher = 1\nCipherCode = 00 11\n");

TEST(ProgramProcess, QuitSignalsRunTheShutdownFromTheStart) {
  const struct {
    const char* name;
    int signal;
    bool withoutBackend;  // the missing backend's message box waits during start-up
    QByteArray ini;
    bool foldersStored;  // else the file keeps its bytes
  } rows[] = {
      {"SIGTERM in the event loop", SIGTERM, false, kProfile, true},
      {"SIGINT in the event loop", SIGINT, false, kProfile, true},
      {"SIGHUP in the event loop", SIGHUP, false, kProfile, true},
      // ftp.ini has not been read yet: the profile's folders are unknown, so nothing is stored.
      {"SIGTERM during a message before ftp.ini is read", SIGTERM, true, kProfile, false},
      // The profile has been read: its folders are stored as the exit button stores them.
      {"SIGTERM during a message after the profile is loaded", SIGTERM, false, kBadKey, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString ini = dir.filePath(QStringLiteral("ftp.ini"));
    QFile file(ini);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(row.ini);
    file.close();
    QString binary = QStringLiteral(TARNHOLM_BIN);
    if (row.withoutBackend) {
      // Alone in a folder of its own, the program finds no backend beside it.
      binary = dir.filePath(QStringLiteral("alone/tarnholm"));
      ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("alone")));
      ASSERT_TRUE(QFile::copy(QStringLiteral(TARNHOLM_BIN), binary));
    }

    QProcess program;
    program.setWorkingDirectory(dir.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.remove(QStringLiteral("LD_LIBRARY_PATH"));
    program.setProcessEnvironment(environment);
    program.start(binary, {});
    ASSERT_TRUE(program.waitForStarted());
    ASSERT_TRUE(WaitUntilIdle(program.processId())) << "the program never waited for input";
    ::kill(static_cast<pid_t>(program.processId()), row.signal);
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    const QByteArray after = ReadAll(ini);
    if (row.foldersStored) {
      EXPECT_TRUE(after.contains("\r\n[P]\r\n")) << after.constData();
      EXPECT_TRUE(after.contains("\r\nHostFolder = /\r\n")) << after.constData();
    } else {
      EXPECT_EQ(after, row.ini);
    }
  }
}

}  // namespace
