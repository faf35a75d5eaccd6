// The trust file's rules: what a set of known-hosts lines says about a
// server identity, what remembering one leaves in the file, which host-key
// types to offer first, and the words of the questions.

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageAuthenticationCode>
#include <QTemporaryDir>

#include "ftp/Trust.h"
#include "tests/settings_test_support.h"

namespace {

// Two arbitrary ed25519 public key blobs and an RSA one.
const QString kKeyA = QStringLiteral("AAAAC3NzaC1lZDI1NTE5AAAAIBdwOD7buBMbBStOKfqYE13NHHuxhUTWv7sEgl1JTOaN");
const QString kKeyB = QStringLiteral("AAAAC3NzaC1lZDI1NTE5AAAAIFX9SY7MRl2Ggh6q4q5KRk0+6Vt5sXWDOJxPBtdDazBD");
const QString kRsa = QStringLiteral("AAAAB3NzaC1yc2EAAAADAQABAAAAgQC7");

TrustIdentity Key(const QString& host, int port, const QString& key) {
  return {host, port, true, QStringLiteral("ssh-ed25519"), key, KeyFingerprint(key)};
}
TrustIdentity Cert(const QString& host, int port, const QString& fingerprint) {
  return {host, port, false, QStringLiteral("x509-sha256"), fingerprint, fingerprint};
}

QByteArray L(const QString& text) { return text.toUtf8(); }

// OpenSSH's hashed form of a host field: "|1|" base64(salt) "|" base64(HMAC-SHA1(salt, name)).
QByteArray Hashed(const QByteArray& name) {
  const QByteArray salt = QCryptographicHash::hash("salt", QCryptographicHash::Sha1);
  return "|1|" + salt.toBase64() + '|' +
         QMessageAuthenticationCode::hash(name, salt, QCryptographicHash::Sha1).toBase64();
}

QFile::Permissions ModeOf(const QString& path) {
  return QFileInfo(path).permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
}

TEST(TrustFile, HostFieldFollowsOpenSsh) {
  EXPECT_EQ(KnownHostName(QStringLiteral("example.org"), 22), QStringLiteral("example.org"));
  EXPECT_EQ(KnownHostName(QStringLiteral("127.0.0.1"), 2222), QStringLiteral("[127.0.0.1]:2222"));
  EXPECT_EQ(KnownHostName(QStringLiteral("Server.Example.ORG"), 990), QStringLiteral("[server.example.org]:990"));
}

TEST(TrustFile, KeyFingerprintIsUnpaddedBase64OfSha256) {
  // sha256("abc") = ba7816bf..., base64 "ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0"
  EXPECT_EQ(KeyFingerprint(QStringLiteral("YWJj")), QStringLiteral("SHA256:ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0"));
  EXPECT_EQ(KeyFingerprint(QStringLiteral("not base64!")), QString());
  EXPECT_EQ(KeyFingerprint(QString()), QString());
}

TEST(TrustFile, LookupTable) {
  const TrustLines lines = {
      "# kept",
      L("[a.example]:2222 ssh-ed25519 " + kKeyA),
      "[b.example]:990 x509-sha256 AA:BB",
      L("c.example,[d.example]:21 ssh-ed25519 " + kKeyA),
      L("@revoked [e.example]:22 ssh-ed25519 " + kKeyA),
      L("[Mixed.Example]:2222 ssh-ed25519 " + kKeyA),
      L("*.wild.example,!bad.wild.example ssh-ed25519 " + kKeyA),
      L("[h?.example]:21\tssh-ed25519  " + kKeyA + "\r"),
      Hashed("[hashed.example]:2222") + ' ' + L("ssh-ed25519 " + kKeyA),
      "garbage",
      "\xff\xfe broken line",
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
      {"host typed in upper case", Key("A.EXAMPLE", 2222, kKeyA), TrustState::Known, {}},
      {"line written in mixed case", Key("mixed.example", 2222, kKeyA), TrustState::Known, {}},
      {"changed key of a host typed in other case", Key("A.Example", 2222, kKeyB), TrustState::Changed,
       KeyFingerprint(kKeyA)},
      {"wildcard", Key("ftp.wild.example", 22, kKeyA), TrustState::Known, {}},
      {"negated pattern wins over the wildcard", Key("bad.wild.example", 22, kKeyA), TrustState::Unknown, {}},
      {"question mark, tabs, double blank, CR", Key("h1.example", 21, kKeyA), TrustState::Known, {}},
      {"hashed name", Key("hashed.example", 2222, kKeyA), TrustState::Known, {}},
      {"hashed name, other port", Key("hashed.example", 22, kKeyA), TrustState::Unknown, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    QString old;
    EXPECT_EQ(FindTrust(lines, row.id, &old), row.state);
    EXPECT_EQ(old, row.old);
  }
}

TEST(TrustFile, RememberReplacesOnlyThatHostsIdentityOfThatKind) {
  const QByteArray foreign("\xff\xfe kept as it is \xc3");
  const TrustLines lines = {
      "# comment",
      L("[A.Example]:2222 ssh-ed25519 " + kKeyA),
      "[a.example]:2222 x509-sha256 AA:BB",
      L("[a.example]:2222,[z.example]:1\tssh-ed25519 " + kKeyA + "  note\r"),
      L("[*.example]:2222 ssh-ed25519 " + kKeyA),
      Hashed("[a.example]:2222") + ' ' + L("ssh-ed25519 " + kKeyA),
      Hashed("[other.example]:2222") + ' ' + L("ssh-ed25519 " + kKeyA),
      foreign,
  };
  const TrustLines out = RememberTrust(lines, Key("a.example", 2222, kKeyB));
  EXPECT_EQ(out, (TrustLines{"# comment", "[a.example]:2222 x509-sha256 AA:BB",
                             L("[z.example]:1\tssh-ed25519 " + kKeyA + "  note\r"),
                             L("[*.example]:2222 ssh-ed25519 " + kKeyA), lines[6], foreign,
                             L("[a.example]:2222 ssh-ed25519 " + kKeyB)}));
  EXPECT_EQ(FindTrust(out, Key("a.example", 2222, kKeyB), nullptr), TrustState::Known);
  EXPECT_EQ(FindTrust(out, Cert("a.example", 2222, "AA:BB"), nullptr), TrustState::Known);
}

// The key types to offer first when connecting: those remembered for the
// host, as OpenSSH finds them.
TEST(TrustFile, HostKeyTypesToOfferFirst) {
  const TrustLines lines = {
      L("[rsa.example]:2222 ssh-rsa " + kRsa),
      L("[both.example]:2222 ssh-ed25519 " + kKeyA),
      L("[both.example]:2222,[rsa.example]:2222 ssh-rsa " + kRsa),
      L("[both.example]:2222 ssh-ed25519 " + kKeyB),
      "[both.example]:2222 x509-sha256 AA:BB",
      L("@cert-authority [both.example]:2222 ecdsa-sha2-nistp256 " + kKeyA),
      L("*.wild.example,!bad.wild.example ecdsa-sha2-nistp256 " + kKeyA),
      Hashed("hashed.example") + ' ' + L("ssh-rsa " + kRsa),
  };
  const struct {
    const char* name;
    const char* host;
    int port;
    const char* types;
  } rows[] = {
      {"one remembered RSA key", "rsa.example", 2222, "ssh-rsa"},
      {"file order, no repeats, no certificates or markers", "both.example", 2222, "ssh-ed25519 ssh-rsa"},
      {"host in other case", "BOTH.example", 2222, "ssh-ed25519 ssh-rsa"},
      {"other port", "rsa.example", 22, ""},
      {"wildcard", "sftp.wild.example", 22, "ecdsa-sha2-nistp256"},
      {"negated", "bad.wild.example", 22, ""},
      {"hashed name", "hashed.example", 22, "ssh-rsa"},
      {"unknown host", "new.example", 22, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(TrustedHostKeyTypes(lines, QString::fromUtf8(row.host), row.port), QString::fromUtf8(row.types));
  }
}

TEST(TrustFile, FileRoundTripAndDamage) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath(QStringLiteral("known_hosts"));
  TrustLines read = {"stale"};
  EXPECT_TRUE(ReadTrustFile(path, &read)) << "a missing file knows nothing";
  EXPECT_TRUE(read.isEmpty());
  const TrustLines lines = RememberTrust({}, Cert("h", 21, "AA:BB"));
  ASSERT_TRUE(WriteTrustFile(path, lines));
  ASSERT_TRUE(ReadTrustFile(path, &read));
  EXPECT_EQ(read, lines);

  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::Append));
  file.write(QByteArray("\r\n\0\0\xff garbage\r\n", 15));
  file.close();
  ASSERT_TRUE(ReadTrustFile(path, &read));
  EXPECT_EQ(FindTrust(read, Cert("h", 21, "AA:BB"), nullptr), TrustState::Known);

  EXPECT_FALSE(WriteTrustFile(dir.filePath(QStringLiteral("missing/known_hosts")), lines));
}

// Remembering an identity never loses a line it was not meant to change:
// however large the file, whatever bytes its lines hold, whether the new line
// is appended or the file rewritten.
TEST(TrustFile, StoringKeepsEveryOtherLineByteForByte) {
  QByteArray large;
  for (int i = 0; large.size() < 5 * 1024 * 1024; ++i) {
    large += "[host" + QByteArray::number(i) + ".example]:22 ssh-ed25519 " + L(kKeyA) + '\n';
  }
  const QByteArray foreign("# \xff\xfe not UTF-8\r\n@revoked * ssh-rsa AAAA\r\n");
  const QByteArray old = L("[a.example]:2222 ssh-ed25519 " + kKeyA + '\n');
  const struct {
    const char* name;
    QByteArray before;
    QByteArray after;
  } rows[] = {
      {"large file, appended", large, large + L("[a.example]:2222 ssh-ed25519 " + kKeyB + '\n')},
      {"large file, old key replaced", old + large, large + L("[a.example]:2222 ssh-ed25519 " + kKeyB + '\n')},
      {"foreign bytes and CR LF, appended", foreign, foreign + L("[a.example]:2222 ssh-ed25519 " + kKeyB + '\n')},
      {"foreign bytes, old key replaced", foreign + old + foreign,
       foreign + foreign + L("[a.example]:2222 ssh-ed25519 " + kKeyB + '\n')},
      {"last line without line end", "# no end", "# no end\n" + L("[a.example]:2222 ssh-ed25519 " + kKeyB + '\n')},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("known_hosts"));
    ASSERT_TRUE(WriteFileBytes(path, row.before));
    ASSERT_TRUE(StoreTrust(path, Key("a.example", 2222, kKeyB)));
    const QByteArray after = FileBytes(path);
    EXPECT_EQ(after.size(), row.after.size());
    EXPECT_TRUE(after == row.after);
  }
}

// The file says whom the user trusts: a new one is the user's alone; an
// existing one keeps its mode; one that cannot be read is left alone.
TEST(TrustFile, ModesAndUnreadableFiles) {
  const QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
  const QFile::Permissions shared = ownerOnly | QFile::ReadGroup | QFile::ReadOther;
  const QByteArray old = L("[a.example]:2222 ssh-ed25519 " + kKeyA + '\n');
  const struct {
    const char* name;
    QByteArray before;  // null: no file
    QFile::Permissions mode;
    bool stored;
    QFile::Permissions modeAfter;
  } rows[] = {
      {"new file", QByteArray(), {}, true, ownerOnly},
      {"appended to a shared file", "# x\n", shared, true, shared},
      {"rewritten shared file", old, shared, true, shared},
      {"unreadable file", old, QFile::WriteOwner, false, QFile::WriteOwner},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("known_hosts"));
    if (!row.before.isNull()) {
      ASSERT_TRUE(WriteFileBytes(path, row.before));
      ASSERT_TRUE(QFile::setPermissions(path, row.mode));
    }
    {
      PermissionBitsApply permissions;
      EXPECT_EQ(StoreTrust(path, Key("a.example", 2222, kKeyB)), row.stored);
    }
    EXPECT_EQ(ModeOf(path), row.modeAfter);
    if (!row.stored) {
      ASSERT_TRUE(QFile::setPermissions(path, ownerOnly));
      EXPECT_EQ(FileBytes(path), row.before);
    }
  }
}

TEST(TrustQuestion, CertificateReasonsAreGerman) {
  const struct {
    int64_t code;
    const char* text;
  } rows[] = {
      {1, "Das Zertifikat ist selbst signiert."},
      {2, "Der Aussteller des Zertifikats ist unbekannt."},
      {3, "Das Zertifikat ist abgelaufen."},
      {4, "Das Zertifikat ist noch nicht gültig."},
      {5, "Das Zertifikat ist für einen anderen Servernamen ausgestellt."},
      {6, "Das Zertifikat konnte nicht geprüft werden."},
      {0, "Das Zertifikat konnte nicht geprüft werden."},
      {77, "Das Zertifikat konnte nicht geprüft werden."},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.code);
    EXPECT_EQ(CertificateReasonText(row.code), QString::fromUtf8(row.text));
  }
}

TEST(TrustQuestion, TheBoxGivesTheReasonInGermanAndServerTextPlain) {
  TarnholmTrustQuestion q{};
  q.host = u"ftp.example";
  q.port = 990;
  q.kind = 1;
  q.fingerprint = u"AB:CD";
  q.publicKey = u"";
  q.subject = u"CN=ftp.example\u202E";
  q.issuer = u"CN=Eigene CA";
  q.validFrom = u"2026-01-01 00:00:00 UTC";
  q.validUntil = u"2027-01-01 00:00:00 UTC";
  q.reason = u"self-signed certificate";
  q.reasonCode = 1;

  const MessageBoxRequest asked = TrustQuestionBox(q, TrustState::Unknown, QString());
  EXPECT_EQ(asked.title, QStringLiteral("Frage:"));
  EXPECT_EQ(asked.buttons, BoxButtons::YesNo);
  EXPECT_TRUE(asked.text.contains(QStringLiteral("\r\nGrund: Das Zertifikat ist selbst signiert.")))
      << asked.text.toStdString();
  EXPECT_FALSE(asked.text.contains(QStringLiteral("self-signed")));
  EXPECT_TRUE(asked.text.contains(QStringLiteral("Server: ftp.example:990")));
  EXPECT_TRUE(asked.text.contains(QStringLiteral("Inhaber: CN=ftp.example?"))) << "a format character is replaced";

  const MessageBoxRequest warned = TrustQuestionBox(q, TrustState::Changed, QStringLiteral("AB:CE"));
  EXPECT_EQ(warned.title, QStringLiteral("Achtung:"));
  EXPECT_TRUE(warned.defaultNo);
  EXPECT_TRUE(warned.text.contains(QStringLiteral("Bisheriger Fingerabdruck: AB:CE\r\nNeuer Fingerabdruck: AB:CD")));
}

}  // namespace
