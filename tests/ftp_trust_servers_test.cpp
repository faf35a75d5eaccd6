// Trusting FTPS certificates and SSH host keys through the program's own
// connect button, against the real test servers (self-signed by a throwaway
// authority, fresh host key).

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <cstdlib>
#include <vector>

#include "ftp/Connection.h"
#include "ftp/FtpLibrary.h"
#include "ftp/Trust.h"
#include "tests/support/ProgramWindow.h"
#include "tests/support/TestServers.h"
#include "ui/MainWindow.h"
#include "ui/MessageBox.h"

namespace {

using tarnholm::testing::Servers;

struct Kind {
  const char* name;
  int protocol;
  int port() const { return tarnholm::testing::ServerPort(protocol); }
};

const Kind kKinds[] = {{"FtpsImplicit", 3}, {"FtpsExplicit", 4}, {"Sftp", 2}};

// The trust decisions go into the program's fresh working directory.
struct Program : tarnholm::testing::ProgramWindow {
  explicit Program(const Kind& kind) { LogInWith(kind.protocol); }
  QString TrustFile() const { return workingDirectory.filePath(QString::fromLatin1(kTrustFileName)); }
  ::TrustLines TrustLines() const {
    ::TrustLines lines;
    EXPECT_TRUE(ReadTrustFile(TrustFile(), &lines));
    return lines;
  }
};

class TrustOnConnect : public ::testing::TestWithParam<Kind> {
 protected:
  void SetUp() override { ::unsetenv("TARNHOLM_EXTRA_CA_FILE"); }
  void TearDown() override { ::unsetenv("TARNHOLM_EXTRA_CA_FILE"); }
};

TEST_P(TrustOnConnect, FirstContactAsksAndYesIsRemembered) {
  Program p(GetParam());
  p.Click();
  ASSERT_EQ(p.state.connection, 1);
  ASSERT_EQ(p.boxes.size(), 1u);
  const MessageBoxRequest& box = p.boxes[0];
  EXPECT_EQ(box.title, QStringLiteral("Frage:"));
  EXPECT_EQ(box.buttons, BoxButtons::YesNo);
  EXPECT_TRUE(box.text.contains(QStringLiteral("127.0.0.1:%1").arg(GetParam().port()))) << box.text.toStdString();
  if (GetParam().protocol == 2) {
    EXPECT_TRUE(box.text.contains(QStringLiteral("ssh-ed25519"))) << box.text.toStdString();
    EXPECT_TRUE(box.text.contains(QStringLiteral("SHA256:"))) << box.text.toStdString();
  } else {
    for (const char* part : {"CN=127.0.0.1", "CN=Tarnholm Test CA", "Gültig von", "SHA-256-Fingerabdruck", "Grund:"}) {
      EXPECT_TRUE(box.text.contains(QString::fromUtf8(part))) << part << " in " << box.text.toStdString();
    }
    // The reason is one of the program's German texts, never the TLS library's English one.
    const QString reason = box.text.section(QStringLiteral("Grund: "), 1).section(QLatin1Char('\r'), 0, 0);
    bool german = false;
    for (int64_t code = 0; code <= 6; ++code) german = german || reason == CertificateReasonText(code);
    EXPECT_TRUE(german) << reason.toStdString();
  }
  ASSERT_EQ(p.TrustLines().size(), 1);
  EXPECT_TRUE(p.TrustLines()[0].startsWith(QStringLiteral("[127.0.0.1]:%1 ").arg(GetParam().port()).toUtf8()));

  p.Click();  // disconnect
  p.Click();  // and again: known now
  EXPECT_EQ(p.state.connection, 1);
  EXPECT_EQ(p.boxes.size(), 1u);
}

TEST_P(TrustOnConnect, NoEndsTheConnectAndRemembersNothing) {
  Program p(GetParam());
  p.answer = BoxAnswer::No;
  p.Click();
  EXPECT_EQ(p.state.connection, 0);
  EXPECT_FALSE(p.state.main.connectButton->isChecked());
  ASSERT_EQ(p.boxes.size(), 2u);
  EXPECT_EQ(p.boxes[0].title, QStringLiteral("Frage:"));
  EXPECT_EQ(p.boxes[1].title, QStringLiteral("Fehler:"));
  EXPECT_TRUE(p.boxes[1].text.startsWith(QStringLiteral("Es konnte keine Verbindung mit dem Server hergestellt werden.")));
  EXPECT_FALSE(QFile::exists(p.TrustFile()));
}

// An edited remembered key or fingerprint is what a server with a new
// certificate or key looks like from here.
TEST_P(TrustOnConnect, AChangedIdentityIsRefusedLoudlyUntilAnExplicitYes) {
  Program p(GetParam());
  p.Click();
  ASSERT_EQ(p.state.connection, 1);
  p.Click();
  ::TrustLines lines = p.TrustLines();
  ASSERT_EQ(lines.size(), 1);
  const QByteArray genuine = lines[0];
  // Flip one character of the key in its middle: still base64, still hex.
  QByteArray& line = lines[0];
  const qsizetype at = line.size() - 10;
  line[at] = line[at] == 'A' ? 'B' : 'A';
  ASSERT_TRUE(WriteTrustFile(p.TrustFile(), lines));
  const QByteArray forged = line;

  p.answer = BoxAnswer::No;
  p.Click();
  EXPECT_EQ(p.state.connection, 0);
  ASSERT_EQ(p.boxes.size(), 3u);  // first question, the warning, the connect failure
  const MessageBoxRequest warning = p.boxes[1];
  EXPECT_EQ(warning.title, QStringLiteral("Achtung:"));
  EXPECT_EQ(warning.buttons, BoxButtons::YesNo);
  EXPECT_TRUE(warning.defaultNo);
  EXPECT_EQ(warning.icon, BoxIcon::Warning);
  const QString forgedKey = QString::fromUtf8(forged).section(QLatin1Char(' '), 2, 2);
  const QString oldShown = GetParam().protocol == 2 ? KeyFingerprint(forgedKey) : forgedKey;
  ASSERT_FALSE(oldShown.isEmpty());
  EXPECT_TRUE(warning.text.contains(QStringLiteral("Bisheriger Fingerabdruck: ") + oldShown)) << warning.text.toStdString();
  EXPECT_TRUE(warning.text.contains(QStringLiteral("Neuer Fingerabdruck: "))) << warning.text.toStdString();
  EXPECT_EQ(p.boxes[2].title, QStringLiteral("Fehler:"));
  EXPECT_EQ(p.TrustLines(), ::TrustLines{forged}) << "No keeps what was remembered";

  p.answer = BoxAnswer::Yes;
  p.Click();
  EXPECT_EQ(p.state.connection, 1);
  ASSERT_EQ(p.boxes.size(), 4u);
  EXPECT_EQ(p.boxes[3].title, QStringLiteral("Achtung:"));
  EXPECT_EQ(p.TrustLines(), ::TrustLines{genuine}) << "Yes replaces the remembered identity";
}

TEST_P(TrustOnConnect, ADamagedTrustFileOnlyForgetsTheDecisions) {
  Program p(GetParam());
  QFile file(p.TrustFile());
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(QByteArray("\xff\xfe\0garbage [127.0.0.1]:x\n\n@@@\n", 31));
  file.close();
  p.Click();
  EXPECT_EQ(p.state.connection, 1);
  ASSERT_EQ(p.boxes.size(), 1u);
  EXPECT_EQ(p.boxes[0].title, QStringLiteral("Frage:"));
  p.Click();
  p.Click();
  EXPECT_EQ(p.state.connection, 1);
  EXPECT_EQ(p.boxes.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Kinds, TrustOnConnect, ::testing::ValuesIn(kKinds),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TrustOnConnectFtps, ACertificateOfAKnownAuthorityConnectsSilently) {
  ASSERT_FALSE(Servers().testCa.empty()) << "servers.env lacks TARNHOLM_TEST_CA: restart the test servers";
  for (const Kind& kind : {kKinds[0], kKinds[1]}) {
    SCOPED_TRACE(kind.name);
    ::setenv("TARNHOLM_EXTRA_CA_FILE", Servers().testCa.c_str(), 1);
    Program p(kind);
    p.Click();
    ::unsetenv("TARNHOLM_EXTRA_CA_FILE");
    EXPECT_EQ(p.state.connection, 1);
    EXPECT_TRUE(p.boxes.empty());
    EXPECT_FALSE(QFile::exists(p.TrustFile()));
  }
}

TEST(TrustOnConnectFtp, PlainFtpAsksNothing) {
  Program p({"Ftp", 1});
  p.Click();
  EXPECT_EQ(p.state.connection, 1);
  EXPECT_TRUE(p.boxes.empty());
  EXPECT_FALSE(QFile::exists(p.TrustFile()));
}

}  // namespace
