// The real program as a process: the quit signals run the same shutdown as the
// exit button, and the process ends with exit code 0.

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>

namespace {

QByteArray WaitForFile(const QString& path, const QByteArray& needle) {
  for (int i = 0; i < 200; ++i) {
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
      const QByteArray bytes = file.readAll();
      if (bytes.contains(needle)) return bytes;
    }
    QThread::msleep(50);
  }
  return QByteArray();
}

TEST(ProgramProcess, QuitSignalsStoreTheFoldersAndExitWithZero) {
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(signal);
    QTemporaryDir dir;
    QProcess program;
    program.setWorkingDirectory(dir.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(TARNHOLM_BIN), {});
    ASSERT_TRUE(program.waitForStarted());
    // The file appears during start-up; give the event loop a moment to run.
    ASSERT_FALSE(WaitForFile(dir.filePath(QStringLiteral("ftp.ini")), "AppPathForTemp").isEmpty());
    QThread::msleep(300);
    ::kill(static_cast<pid_t>(program.processId()), signal);
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    QFile file(dir.filePath(QStringLiteral("ftp.ini")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("\r\n[Profil1]\r\nLocalFolder = "));
  }
}

}  // namespace
