// Connecting, listing, navigating and the server commands against the real
// test servers, through the program's own operations and the real backend.

#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "ftp/Connection.h"
#include "ftp/ErrorReasons.h"
#include "ftp/FtpLibrary.h"
#include "ftp/ServerCommands.h"
#include "ftp/ServerList.h"
#include "tests/support/ProgramWindow.h"
#include "tests/support/TestServers.h"
#include "ui/MainWindow.h"
#include "ui/MessageBox.h"

namespace {

using tarnholm::testing::Servers;

struct Protocol {
  const char* name;
  int number;
};

const Protocol kProtocols[] = {{"FTP", 1}, {"SFTP", 2}, {"FTPS implicit", 3}, {"FTPS explicit", 4}};

struct Program : tarnholm::testing::ProgramWindow {
  explicit Program(const Protocol& protocol) { LogInWith(protocol.number); }
};

// The work directory as the server shows it: FTP users are jailed in their
// home, SFTP sees the real path.
QString ServerFolder(const Protocol& protocol, const tarnholm::testing::WorkDir& dir) {
  const QString name = QString::fromStdString(dir.name);
  if (protocol.number == 2) return QString::fromStdString(Servers().root) + QLatin1Char('/') + name + QLatin1Char('/');
  return QLatin1Char('/') + name + QLatin1Char('/');
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
  file.close();
  tarnholm::testing::GiveToServerUser(path.toStdString());
}

void MakeDirectory(const QString& path) {
  ASSERT_TRUE(QDir().mkpath(path));
  tarnholm::testing::GiveToServerUser(path.toStdString());
}

class ServerProgram : public ::testing::TestWithParam<Protocol> {};

TEST_P(ServerProgram, ListNavigateAndChangeTheServer) {
  const Protocol protocol = GetParam();
  const auto dir = tarnholm::testing::MakeServerWorkDir(std::string("prog-") + std::to_string(protocol.number));
  const QString local = QString::fromStdString(dir.local);
  MakeDirectory(local + "/sub");
  MakeDirectory(local + "/leer");
  WriteFile(local + "/sub/inner.txt", "inner");
  WriteFile(local + "/a.txt", "hello");
  WriteFile(local + "/data.aes", QByteArray(17, 'x'));
  {
    QFile big(local + "/big.bin");
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(5368709120LL));  // sparse
    big.close();
    tarnholm::testing::GiveToServerUser((local + "/big.bin").toStdString());
  }

  Program program(protocol);
  AppState& state = program.state;
  const QString folder = ServerFolder(protocol, dir);
  state.hostFolder = folder;
  program.Click();
  ASSERT_EQ(state.connection, 1) << "boxes: " << program.boxes.size();
  EXPECT_EQ(state.hostFolder, folder);
  EXPECT_EQ(state.main.serverPath->text(), folder);

  QStringList names = program.Names();
  ASSERT_FALSE(names.isEmpty());
  EXPECT_EQ(names[0], QStringLiteral(".."));
  EXPECT_EQ(QSet<QString>(names.begin() + 1, names.begin() + 3), (QSet<QString>{"sub", "leer"}));
  EXPECT_EQ(QSet<QString>(names.begin() + 3, names.end()), (QSet<QString>{"a.txt", "data.aes", "big.bin"}));
  EXPECT_EQ(RowKindOfServerItem(program.Row("sub")), kDirectoryRow);
  EXPECT_EQ(RowKindOfServerItem(program.Row("a.txt")), kFileRow);
  EXPECT_EQ(RowKindOfServerItem(program.Row("data.aes")), kEncryptedFileRow);
  EXPECT_EQ(program.Row("big.bin")->text(1), QStringLiteral("5368709120"));
  EXPECT_EQ(program.Row("a.txt")->text(1), QStringLiteral("5"));
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d\\.\\d\\d\\.20\\d\\d \\d\\d:\\d\\d$"))
                  .match(program.Row("a.txt")->text(2))
                  .hasMatch());

  // Down into a directory and back up.
  program.SelectOnly(QStringLiteral("sub"));
  HandleServerListEvent(state, EventType::DoubleClick);
  program.Settle();
  EXPECT_EQ(state.hostFolder, folder + "sub/");
  EXPECT_EQ(program.Names(), (QStringList{"..", "inner.txt"}));
  program.SelectOnly(QStringLiteral(".."));
  HandleServerListEvent(state, EventType::DoubleClick);
  program.Settle();
  EXPECT_EQ(state.hostFolder, folder);
  EXPECT_EQ(program.LastStatus(), QStringLiteral("Wechsel in das übergeordnete Verzeichnis"));

  // Create, rename and delete.
  program.inputAnswer = QStringLiteral("neu");
  CreateServerDirectory(state);
  program.Settle();
  EXPECT_TRUE(QFileInfo(local + "/neu").isDir());
  EXPECT_EQ(program.LastStatus(), QStringLiteral("Verzeichnis ''neu'' erstellt"));

  program.SelectOnly(QStringLiteral("a.txt"));
  program.inputAnswer = QStringLiteral("b.txt");
  RenameServerEntry(state);
  program.Settle();
  EXPECT_TRUE(QFile::exists(local + "/b.txt"));
  EXPECT_FALSE(QFile::exists(local + "/a.txt"));
  EXPECT_NE(program.Row("b.txt"), nullptr);

  program.SelectOnly(QStringLiteral("b.txt"));
  DeleteServerEntries(state);
  program.Settle();
  EXPECT_FALSE(QFile::exists(local + "/b.txt"));
  EXPECT_EQ(program.LastStatus(), QStringLiteral("Datei ''b.txt'' gelöscht"));

  // A folder with content goes with it, after one question that counts it.
  const size_t boxesBefore = program.boxes.size();
  program.SelectOnly(QStringLiteral("sub"));
  DeleteServerEntries(state);
  program.Settle();
  ASSERT_EQ(program.boxes.size(), boxesBefore + 1);
  EXPECT_TRUE(program.boxes.back().text.endsWith(
      QStringLiteral("Mit ihm werden 1 Datei(en) und 0 Unterverzeichnis(se) gelöscht.")));
  EXPECT_FALSE(QFileInfo(local + "/sub").exists());
  EXPECT_EQ(program.LastStatus(), QStringLiteral("Verzeichnis ''sub'' gelöscht"));

  program.SelectOnly(QStringLiteral("leer"));
  DeleteServerEntries(state);
  program.Settle();
  EXPECT_FALSE(QFileInfo(local + "/leer").exists());
  EXPECT_EQ(program.LastStatus(), QStringLiteral("Verzeichnis ''leer'' gelöscht"));

  program.Click();
  EXPECT_EQ(state.connection, 0);
  EXPECT_EQ(state.hostFolder, QStringLiteral("/"));
  EXPECT_EQ(program.LastStatus(), QStringLiteral("Verbindung geschlossen"));
}

INSTANTIATE_TEST_SUITE_P(AllProtocols, ServerProgram, ::testing::ValuesIn(kProtocols),
                         [](const auto& info) {
                           std::string name = info.param.name;
                           std::replace(name.begin(), name.end(), ' ', '_');
                           return name;
                         });

// The message says what happened: after the sentence, a German reason on a
// line of its own, which the status log shows as well.
TEST(ServerProgramFailures, WrongPasswordClosedPortAndWrongProtocolFailQuicklyWithAReason) {
  const struct {
    const char* why;
    int protocol;
    int port;
    const char* password;
    int64_t errorClass;
  } cases[] = {
      {"wrong FTP password", 1, Servers().ftpPort, "wrong", kFtpErrorLoginRefused},
      {"wrong SFTP password", 2, Servers().sftpPort, "wrong", kFtpErrorLoginRefused},
      {"closed port", 1, 1, nullptr, kFtpErrorRefused},
      {"SFTP against the FTP port", 2, Servers().ftpPort, nullptr, kFtpErrorWrongProtocol},
      {"FTP against the SFTP port", 1, Servers().sftpPort, nullptr, kFtpErrorWrongProtocol},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    Program program(kProtocols[c.protocol - 1]);
    program.state.hostPort = c.port;
    if (c.password != nullptr) program.state.hostPass = QString::fromUtf8(c.password);
    QElapsedTimer timer;
    timer.start();
    program.Click();
    EXPECT_LT(timer.elapsed(), 20000);
    EXPECT_EQ(program.state.connection, 0);
    EXPECT_FALSE(program.state.main.connectButton->isChecked());
    // The first SFTP contact asks about the host key (answered Yes) before the login.
    auto& boxes = program.boxes;
    boxes.erase(std::remove_if(boxes.begin(), boxes.end(),
                               [](const MessageBoxRequest& r) { return r.title == QStringLiteral("Frage:"); }),
                boxes.end());
    ASSERT_EQ(program.boxes.size(), 1u);
    const QString reason = ReasonForErrorClass(c.errorClass, c.protocol);
    EXPECT_EQ(program.boxes[0].text,
              QStringLiteral("Es konnte keine Verbindung mit dem Server hergestellt werden.\n") + reason);
    EXPECT_EQ(program.LastStatus(), reason);
  }
}

}  // namespace
