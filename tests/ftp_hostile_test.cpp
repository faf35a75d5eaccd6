// The program against a server that misbehaves on purpose
// (tests/hostile/hostile_ftpd.py): hostile names, garbage listings, endless
// and stalled listings, cut and stalled downloads, a server that goes mute.
// Whatever it does, the program must not crash, hang, or touch a path
// outside the directories it was given, and the next connect must work.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <cstdlib>
#include <string>
#include <vector>

#include "ftp/Connection.h"
#include "ftp/Download.h"
#include "ftp/FtpLibrary.h"
#include "ftp/ServerCommands.h"
#include "ftp/ServerList.h"
#include "ftp/ServerNames.h"
#include "tests/support/HostileServer.h"
#include "tests/support/ProgramWindow.h"
#include "ui/MainWindow.h"
#include "ui/MessageBox.h"

namespace {

using tarnholm::testing::HostileServer;

constexpr int kStallSeconds = 3;  // the bound the backend is given for these tests
constexpr qint64 kBoundMs = 20000;

const HostileServer& Server() {
  static HostileServer server;
  return server;
}

struct Program : tarnholm::testing::ProgramWindow {
  explicit Program(const char* scenario, int port = Server().port) {
    ::setenv("TARNHOLM_STALL_SECONDS", std::to_string(kStallSeconds).c_str(), 1);
    state.protocol = 1;
    state.hostUrl = QStringLiteral("127.0.0.1");
    state.hostPort = port;
    state.hostUser = QString::fromLatin1(scenario);
    state.hostPass = QStringLiteral("x");
  }
  int Errors() const {
    int n = 0;
    for (const auto& b : boxes) n += b.title == QStringLiteral("Fehler:") ? 1 : 0;
    return n;
  }
  // Receives remote into the download directory with the backend's own
  // file function (the engine is idle meanwhile).
  std::u16string message = std::u16string(1025, u' ');
  bool Receive(const QString& remote, const QString& local) {
    return state.ftp->ReceiveFTPFileEx(state.connection, Utf16(remote), Utf16(local), message.data()) != 0;
  }
};

// Every file below dir, relative to it.
QStringList FilesBelow(const QString& dir) {
  QStringList files;
  QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
  while (it.hasNext()) files << QDir(dir).relativeFilePath(it.next());
  files.sort();
  return files;
}

// After any misbehaviour the same program connects again and lists.
void ExpectNextConnectWorks(Program& p) {
  if (p.state.connection != 0) p.Click();
  p.state.hostUser = QStringLiteral("names");
  p.Click();
  EXPECT_EQ(p.state.connection, 1);
  EXPECT_TRUE(p.Names().contains(QStringLiteral("ok.txt"))) << p.Names().join(QLatin1Char('|')).toStdString();
}

TEST(HostileServer, HostileNamesAreNotListedAndCommandsFailWithAMessage) {
  ASSERT_GT(Server().port, 0) << "the hostile server did not start (python3 missing?)";
  Program p("names");
  p.Click();
  ASSERT_EQ(p.state.connection, 1);
  const QStringList names = p.Names();
  EXPECT_TRUE(names.contains(QStringLiteral("ok.txt")));
  EXPECT_TRUE(names.contains(QStringLiteral("good-dir")));
  for (const QString& name : names) {
    SCOPED_TRACE(name.left(80).toStdString());
    EXPECT_TRUE(name == QStringLiteral("..") || IsListableName(name));
    EXPECT_LE(name.size(), 259);
  }
  for (const char* hostile : {"../../escape.txt", "a/b.txt", "..\\..\\win.txt", "/etc"}) {
    EXPECT_FALSE(names.contains(QString::fromLatin1(hostile))) << hostile;
  }

  // Navigation into the listed directory and back.
  p.SelectOnly(QStringLiteral("good-dir"));
  p.state.main.serverList->setCurrentItem(p.state.main.serverList->findItems(QStringLiteral("good-dir"), Qt::MatchExactly).value(0));
  HandleServerListEvent(p.state, EventType::DoubleClick);
  p.Settle();
  EXPECT_EQ(p.state.hostFolder, QStringLiteral("/good-dir/"));
  p.state.main.serverList->setCurrentItem(p.state.main.serverList->findItems(QStringLiteral(".."), Qt::MatchExactly).value(0));
  HandleServerListEvent(p.state, EventType::DoubleClick);
  p.Settle();
  EXPECT_EQ(p.state.hostFolder, QStringLiteral("/"));

  // The server refuses every change. By the program's rules a refused
  // directory delete says "Fehler:", the other commands stop silently; none
  // may report a success.
  const struct {
    const char* name;
    const char* row;
    void (*run)(AppState&);
    int errorBoxes;
  } commands[] = {{"delete file", "ok.txt", &DeleteServerEntries, 0},
                  {"delete directory", "good-dir", &DeleteServerEntries, 1},
                  {"create directory", "ok.txt", &CreateServerDirectory, 0},
                  {"rename", "ok.txt", &RenameServerEntry, 0}};
  for (const auto& command : commands) {
    SCOPED_TRACE(command.name);
    p.SelectOnly(QString::fromLatin1(command.row));
    p.state.main.serverList->setCurrentItem(
        p.state.main.serverList->findItems(QString::fromLatin1(command.row), Qt::MatchExactly).value(0));
    p.inputAnswer = QStringLiteral("neu");
    const int before = p.Errors();
    command.run(p.state);
    p.Settle();
    EXPECT_EQ(p.Errors(), before + command.errorBoxes);
    const QString log = p.state.main.messageArea->toPlainText();
    for (const char* success : {"gelöscht", "erstellt", "umbenannt"}) {
      EXPECT_FALSE(log.contains(QString::fromUtf8(success))) << log.toStdString();
    }
    EXPECT_EQ(p.state.connection, 1);
  }

  // Downloads write exactly the local path they are given, whatever the remote name.
  const QString target = p.workingDirectory.filePath(QStringLiteral("down"));
  ASSERT_TRUE(QDir().mkpath(target));
  EXPECT_TRUE(p.Receive(QStringLiteral("ok.txt"), target + QStringLiteral("/ok.txt")));
  EXPECT_TRUE(p.Receive(QStringLiteral("../../escape.txt"), target + QStringLiteral("/escape.txt")));
  EXPECT_TRUE(p.Receive(QStringLiteral("a/b.txt"), target + QStringLiteral("/b.txt")));
  EXPECT_EQ(FilesBelow(target), (QStringList{QStringLiteral("b.txt"), QStringLiteral("escape.txt"), QStringLiteral("ok.txt")}));
  QFile ok(target + QStringLiteral("/ok.txt"));
  ASSERT_TRUE(ok.open(QIODevice::ReadOnly));
  EXPECT_EQ(ok.readAll(), QByteArray("hello"));
  EXPECT_FALSE(QFile::exists(p.workingDirectory.filePath(QStringLiteral("escape.txt"))));
  EXPECT_FALSE(QFile::exists(QDir(p.workingDirectory.path()).filePath(QStringLiteral("../escape.txt"))));
}

// Inside a folder the server lists names that are no single path component,
// folders "..", "/etc" and "../..", and a link up. Downloading and deleting
// the folder stays inside it: locally nothing lands outside the target, and
// on the server no command names anything outside the folder.
TEST(HostileServer, AHostileListingInsideAFolderCannotLeadOutsideIt) {
  QTemporaryDir logDir;
  const QString log = logDir.filePath(QStringLiteral("commands.log"));
  HostileServer server(log.toStdString());
  ASSERT_GT(server.port, 0) << "the hostile server did not start (python3 missing?)";
  Program p("tree", server.port);
  p.Click();
  ASSERT_EQ(p.state.connection, 1);
  ASSERT_NE(p.Row(QStringLiteral("good-dir")), nullptr);

  const QString target = p.workingDirectory.filePath(QStringLiteral("down"));
  ASSERT_TRUE(QDir().mkpath(target));
  p.SelectOnly(QStringLiteral("good-dir"));
  DownloadServerEntries(p.state, SelectedServerRows(p.state), target + QLatin1Char('/'));
  p.Settle();
  EXPECT_TRUE(p.boxes.empty()) << p.boxes.front().text.toStdString();
  EXPECT_EQ(FilesBelow(p.workingDirectory.path()),
            (QStringList{QStringLiteral("down/good-dir/ok.txt"), QStringLiteral("down/good-dir/sub/deep.txt")}));
  EXPECT_EQ(p.LastStatus(), QStringLiteral("Download ''good-dir/sub/deep.txt''"));
  EXPECT_TRUE(p.state.main.messageArea->toPlainText().contains(
      QStringLiteral("Nicht heruntergeladen (Verknüpfungen): ''good-dir/up''")));

  // The delete counts what the walk found (the link as a file) and stops at
  // the server's first refusal.
  p.SelectOnly(QStringLiteral("good-dir"));
  p.state.main.serverList->setCurrentItem(p.Row(QStringLiteral("good-dir")));
  DeleteServerEntries(p.state);
  p.Settle();
  ASSERT_EQ(p.boxes.size(), 2u);
  EXPECT_TRUE(p.boxes[0].text.endsWith(QStringLiteral("Mit ihm werden 3 Datei(en) und 1 Unterverzeichnis(se) gelöscht.")))
      << p.boxes[0].text.toStdString();
  EXPECT_EQ(p.boxes[1].title, QStringLiteral("Fehler:"));
  EXPECT_EQ(p.state.connection, 1);
  EXPECT_EQ(p.state.hostFolder, QStringLiteral("/"));

  QFile file(log);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QStringList commands = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  int named = 0;
  for (const QString& command : commands) {
    const QString verb = command.section(QLatin1Char(' '), 0, 0);
    const QString argument = command.section(QLatin1Char(' '), 1);
    SCOPED_TRACE(command.toStdString());
    if (verb == QStringLiteral("CWD")) {
      ++named;
      EXPECT_TRUE(argument == QStringLiteral("/") || argument == QStringLiteral("/good-dir") ||
                  argument == QStringLiteral("/good-dir/sub"));
    } else if (verb == QStringLiteral("RETR") || verb == QStringLiteral("DELE") || verb == QStringLiteral("RMD") ||
               verb == QStringLiteral("SIZE")) {
      ++named;
      EXPECT_TRUE(IsListableName(argument)) << "a plain name in the folder made current before";
      EXPECT_TRUE(QStringList({"ok.txt", "deep.txt", "up"}).contains(argument));
    }
  }
  EXPECT_GT(named, 4);
}

enum class Act { Connect, Download };

struct Misbehaviour {
  const char* scenario;
  Act act;
  bool connects;  // the connect itself succeeds
};

class HostileFailures : public ::testing::TestWithParam<Misbehaviour> {};

TEST_P(HostileFailures, FailsInBoundedTimeWithoutLeftoversAndTheNextConnectWorks) {
  ASSERT_GT(Server().port, 0) << "the hostile server did not start (python3 missing?)";
  const Misbehaviour& m = GetParam();
  Program p(m.scenario);
  QElapsedTimer timer;
  timer.start();
  p.Click();
  EXPECT_EQ(p.state.connection, m.connects ? 1 : 0);
  if (!m.connects) {
    ASSERT_FALSE(p.boxes.empty());
    EXPECT_EQ(p.boxes.back().title, QStringLiteral("Fehler:"));
  }
  if (m.act == Act::Connect && m.connects) {
    // The listing failed; nothing half-read is shown.
    for (const QString& name : p.Names()) EXPECT_EQ(name, QStringLiteral("..")) << name.left(80).toStdString();
  }
  if (m.act == Act::Download) {
    const QString target = p.workingDirectory.filePath(QStringLiteral("down"));
    ASSERT_TRUE(QDir().mkpath(target));
    EXPECT_FALSE(p.Receive(QStringLiteral("file.bin"), target + QStringLiteral("/file.bin")));
    EXPECT_NE(QString::fromStdU16String(p.message).trimmed(), QString());
    EXPECT_EQ(FilesBelow(target), QStringList()) << "no partial file";
  }
  EXPECT_LT(timer.elapsed(), kBoundMs);
  ExpectNextConnectWorks(p);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, HostileFailures,
                         ::testing::Values(Misbehaviour{"endless", Act::Connect, true},
                                           Misbehaviour{"stall-list", Act::Connect, true},
                                           Misbehaviour{"mute", Act::Connect, false},
                                           Misbehaviour{"cut", Act::Download, true},
                                           Misbehaviour{"stall-retr", Act::Download, true}),
                         [](const auto& info) {
                           std::string name = info.param.scenario;
                           for (char& c : name) {
                             if (c == '-') c = '_';
                           }
                           return name;
                         });

}  // namespace
