// The trust file's rules: what a set of known-hosts lines says about a
// server identity, and what remembering one leaves in the file.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "ftp/Trust.h"

namespace {

// Two arbitrary ed25519 public key blobs.
const QString kKeyA = QStringLiteral("AAAAC3NzaC1lZDI1NTE5AAAAIBdwOD7buBMbBStOKfqYE13NHHuxhUTWv7sEgl1JTOaN");
const QString kKeyB = QStringLiteral("AAAAC3NzaC1lZDI1NTE5AAAAIFX9SY7MRl2Ggh6q4q5KRk0+6Vt5sXWDOJxPBtdDazBD");

TrustIdentity Key(const QString& host, int port, const QString& key) {
  return {host, port, true, QStringLiteral("ssh-ed25519"), key, KeyFingerprint(key)};
}
TrustIdentity Cert(const QString& host, int port, const QString& fingerprint) {
  return {host, port, false, QStringLiteral("x509-sha256"), fingerprint, fingerprint};
}

TEST(TrustFile, HostFieldFollowsOpenSsh) {
  EXPECT_EQ(KnownHostName(QStringLiteral("example.org"), 22), QStringLiteral("example.org"));
  EXPECT_EQ(KnownHostName(QStringLiteral("127.0.0.1"), 2222), QStringLiteral("[127.0.0.1]:2222"));
}

TEST(TrustFile, KeyFingerprintIsUnpaddedBase64OfSha256) {
  // sha256("abc") = ba7816bf..., base64 "ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0"
  EXPECT_EQ(KeyFingerprint(QStringLiteral("YWJj")), QStringLiteral("SHA256:ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0"));
  EXPECT_EQ(KeyFingerprint(QStringLiteral("not base64!")), QString());
  EXPECT_EQ(KeyFingerprint(QString()), QString());
}

TEST(TrustFile, LookupTable) {
  const QStringList lines = {
      QStringLiteral("# kept"),
      QStringLiteral("[a.example]:2222 ssh-ed25519 ") + kKeyA,
      QStringLiteral("[b.example]:990 x509-sha256 AA:BB"),
      QStringLiteral("c.example,[d.example]:21 ssh-ed25519 ") + kKeyA,
      QStringLiteral("@revoked [e.example]:22 ssh-ed25519 ") + kKeyA,
      QStringLiteral("garbage"),
      QStringLiteral("\xff\xfe broken line"),
  };
  const struct {
    const char* name;
    TrustIdentity id;
    TrustState state;
    QString old;
  } rows[] = {
      {"known key", Key("a.example", 2222, kKeyA), TrustState::Known, {}},
      {"other key for the host", Key("a.example", 2222, kKeyB), TrustState::Changed, KeyFingerprint(kKeyA)},
      {"same host, other port", Key("a.example", 22, kKeyA), TrustState::Unknown, {}},
      {"host name only as a prefix", Key("a.exampl", 2222, kKeyA), TrustState::Unknown, {}},
      {"certificate does not count for a host key", Key("b.example", 990, kKeyA), TrustState::Unknown, {}},
      {"known certificate", Cert("b.example", 990, "AA:BB"), TrustState::Known, {}},
      {"changed certificate", Cert("b.example", 990, "AA:BC"), TrustState::Changed, "AA:BB"},
      {"host key does not count for a certificate", Cert("a.example", 2222, kKeyA), TrustState::Unknown, {}},
      {"second host of a line, port 22 bare", Key("c.example", 22, kKeyA), TrustState::Known, {}},
      {"bracketed host of a line", Key("d.example", 21, kKeyB), TrustState::Changed, KeyFingerprint(kKeyA)},
      {"marker lines are not ours", Key("e.example", 22, kKeyB), TrustState::Unknown, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    QString old;
    EXPECT_EQ(FindTrust(lines, row.id, &old), row.state);
    EXPECT_EQ(old, row.old);
  }
}

TEST(TrustFile, RememberReplacesOnlyThatHostsIdentityOfThatKind) {
  const QStringList lines = {
      QStringLiteral("# comment"),
      QStringLiteral("[a.example]:2222 ssh-ed25519 ") + kKeyA,
      QStringLiteral("[a.example]:2222 x509-sha256 AA:BB"),
      QStringLiteral("[a.example]:2222,[z.example]:1 ssh-ed25519 ") + kKeyA,
  };
  const QStringList out = RememberTrust(lines, Key("a.example", 2222, kKeyB));
  EXPECT_EQ(out, (QStringList{QStringLiteral("# comment"), QStringLiteral("[a.example]:2222 x509-sha256 AA:BB"),
                              QStringLiteral("[z.example]:1 ssh-ed25519 ") + kKeyA,
                              QStringLiteral("[a.example]:2222 ssh-ed25519 ") + kKeyB}));
  EXPECT_EQ(FindTrust(out, Key("a.example", 2222, kKeyB), nullptr), TrustState::Known);
  EXPECT_EQ(FindTrust(out, Cert("a.example", 2222, "AA:BB"), nullptr), TrustState::Known);
}

TEST(TrustFile, FileRoundTripAndDamage) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath(QStringLiteral("known_hosts"));
  EXPECT_TRUE(ReadTrustFile(path).isEmpty()) << "a missing file knows nothing";
  const QStringList lines = RememberTrust({}, Cert("h", 21, "AA:BB"));
  ASSERT_TRUE(WriteTrustFile(path, lines));
  EXPECT_EQ(ReadTrustFile(path), lines);

  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::Append));
  file.write(QByteArray("\r\n\0\0\xff garbage\r\n", 15));
  file.close();
  EXPECT_EQ(FindTrust(ReadTrustFile(path), Cert("h", 21, "AA:BB"), nullptr), TrustState::Known);

  EXPECT_FALSE(WriteTrustFile(dir.filePath(QStringLiteral("missing/known_hosts")), lines));
}

}  // namespace
