// The back end as the program uses it: loaded by file name, called through
// its exported C functions, against the real FTP, FTPS and SFTP servers.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "ftp/backend/DateValue.h"
#include "ftp/backend/Utf16.h"
#include "tests/support/BackendLib.h"
#include "tests/support/TestServers.h"

namespace fs = std::filesystem;
using namespace tarnholm::testing;

namespace {

// The date value of this moment on this computer's clock.
int64_t NowDateValue() {
  return tarnholm::backend::DateValueFromUtc(static_cast<int64_t>(std::time(nullptr)));
}

TEST_P(BackendServerTest, FileAndDirectoryOperations) {
  WorkDir dir;
  const std::string cwd = OpenInWorkDir(dir);
  ASSERT_FALSE(cwd.empty());
  EXPECT_EQ(lib_->IsFtp(kConn, msg_), GetParam().protocol == 2 ? 0 : 1);
  EXPECT_NE(lib_->Check(kConn, msg_), 0);

  // Several uploads per connection: a cut-off transfer shows as a wrong size.
  struct File {
    std::string name;
    std::string bytes;
  };
  const std::vector<File> files = {
      {"empty.bin", ""},
      {"Grüße aus Köln.txt", "umlauts in the name\n"},
      {"two  blanks.dat", RandomBytes(1000003, 1)},
      {"big.bin", RandomBytes(3 * 1024 * 1024 + 17, 2)},
  };
  const int64_t before = NowDateValue();
  for (const auto& f : files) {
    SCOPED_TRACE(f.name);
    const std::string source = (local_ / "upload").string();
    WriteFile(source, f.bytes);
    ASSERT_NE(lib_->Send(kConn, U(source).c_str(), U(cwd + f.name).c_str(), msg_), 0) << Message();
    EXPECT_EQ(ReadFile(dir.local + "/" + f.name), f.bytes);
  }
  ASSERT_NE(lib_->CreateDirectory(kConn, U(cwd + "sub").c_str(), msg_), 0) << Message();
  EXPECT_TRUE(fs::is_directory(dir.local + "/sub"));

  const auto entries = List();
  for (const auto& f : files) {
    SCOPED_TRACE(f.name);
    const Entry* e = Find(entries, f.name);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->type, 1);
    EXPECT_EQ(e->size, static_cast<int64_t>(f.bytes.size()));
    // Local wall-clock time of the upload; listings may show minutes only.
    EXPECT_GE(e->date, before - 60);
    EXPECT_LE(e->date, NowDateValue() + 60);
  }
  const Entry* sub = Find(entries, "sub");
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(sub->type, 2);

  for (const auto& f : files) {
    SCOPED_TRACE(f.name);
    const std::string target = (local_ / f.name).string();
    ASSERT_NE(lib_->Receive(kConn, U(cwd + f.name).c_str(), U(target).c_str(), msg_), 0) << Message();
    EXPECT_EQ(ReadFile(target), f.bytes);
  }

  // Into the subdirectory and back with "..".
  ASSERT_NE(lib_->SetDirectory(kConn, U(cwd + "sub/").c_str(), msg_), 0) << Message();
  char16_t buffer[260];
  ASSERT_NE(lib_->GetDirectory(kConn, buffer, msg_), 0);
  EXPECT_EQ(std::u16string(buffer), U(cwd + "sub/"));
  EXPECT_TRUE(List().size() <= 2u);  // at most "." and ".."
  ASSERT_NE(lib_->SetDirectory(kConn, u"..", msg_), 0) << Message();
  ASSERT_NE(lib_->GetDirectory(kConn, buffer, msg_), 0);
  EXPECT_EQ(std::u16string(buffer), U(cwd));
  // A directory that is not there is refused and changes nothing.
  EXPECT_EQ(lib_->SetDirectory(kConn, U(cwd + "nosuch/").c_str(), msg_), 0);
  ASSERT_NE(lib_->GetDirectory(kConn, buffer, msg_), 0);
  EXPECT_EQ(std::u16string(buffer), U(cwd));

  ASSERT_NE(lib_->Rename(kConn, U(cwd + "big.bin").c_str(), U(cwd + "sub/moved.bin").c_str(), msg_), 0)
      << Message();
  EXPECT_FALSE(fs::exists(dir.local + "/big.bin"));
  EXPECT_EQ(fs::file_size(dir.local + "/sub/moved.bin"), files[3].bytes.size());

  // A directory with content is refused; empty, it goes.
  EXPECT_EQ(lib_->DeleteDirectory(kConn, u"sub", msg_), 0);
  ASSERT_NE(lib_->DeleteFile(kConn, U(cwd + "sub/moved.bin").c_str(), msg_), 0) << Message();
  ASSERT_NE(lib_->DeleteDirectory(kConn, u"sub", msg_), 0) << Message();
  EXPECT_FALSE(fs::exists(dir.local + "/sub"));
  for (const auto& f : files) {
    if (f.name == "big.bin") continue;
    SCOPED_TRACE(f.name);
    ASSERT_NE(lib_->DeleteFile(kConn, U(f.name).c_str(), msg_), 0) << Message();  // bare name
    EXPECT_FALSE(fs::exists(dir.local + "/" + f.name));
  }
  EXPECT_EQ(lib_->DeleteFile(kConn, u"empty.bin", msg_), 0);  // gone already

  EXPECT_NE(lib_->Close(kConn, msg_), 0);
  EXPECT_EQ(lib_->Examine(kConn, msg_), 0);
  EXPECT_EQ(lib_->Close(kConn, msg_), 0);
}

TEST_P(BackendServerTest, FailedReceiveLeavesNoLocalFile) {
  WorkDir dir;
  const std::string cwd = OpenInWorkDir(dir);
  ASSERT_FALSE(cwd.empty());
  WriteFile(dir.local + "/data.bin", RandomBytes(4 * 1024 * 1024, 3));
  GiveToServerUser(dir.local + "/data.bin");
  const std::string target = (local_ / "data.bin").string();

  EXPECT_EQ(lib_->Receive(kConn, U(cwd + "missing.bin").c_str(), U(target).c_str(), msg_), 0);
  EXPECT_NE(Message(), "");
  EXPECT_TRUE(fs::is_empty(local_));

  // Aborted by the progress callback halfway: no file, and an older one stays.
  WriteFile(target, "older");
  auto abortHalfway = [](void*, int64_t done, int64_t total) { return total > 0 && done > total / 2 ? 1 : 0; };
  ASSERT_NE(lib_->SetProgress(kConn, abortHalfway, nullptr), 0);
  EXPECT_EQ(lib_->Receive(kConn, U(cwd + "data.bin").c_str(), U(target).c_str(), msg_), 0);
  EXPECT_EQ(ReadFile(target), "older");
  EXPECT_EQ(std::distance(fs::directory_iterator(local_), fs::directory_iterator()), 1);

  // The connection still works after the abort.
  ASSERT_NE(lib_->SetProgress(kConn, nullptr, nullptr), 0);
  ASSERT_NE(lib_->Receive(kConn, U(cwd + "data.bin").c_str(), U(target).c_str(), msg_), 0) << Message();
  EXPECT_EQ(ReadFile(target), ReadFile(dir.local + "/data.bin"));
}

TEST_P(BackendServerTest, LongNamesSparseFilesAndUnsafeNames) {
  WorkDir dir;
  const std::string cwd = OpenInWorkDir(dir);
  ASSERT_FALSE(cwd.empty());

  // 5 GiB without writing them: only the listed size matters here.
  const int64_t fiveGiB = 5LL * 1024 * 1024 * 1024;
  WriteFile(dir.local + "/sparse.img", "");
  ASSERT_EQ(truncate((dir.local + "/sparse.img").c_str(), fiveGiB), 0);
  GiveToServerUser(dir.local + "/sparse.img");

  // The longest name the file system takes (255 bytes) survives the listing.
  const std::string longest(255, 'L');
  WriteFile(dir.local + "/" + longest, "x");
  GiveToServerUser(dir.local + "/" + longest);

  const auto entries = List();
  const Entry* sparse = Find(entries, "sparse.img");
  ASSERT_NE(sparse, nullptr);
  EXPECT_EQ(sparse->size, fiveGiB);
  EXPECT_NE(Find(entries, longest), nullptr);

  // 300 characters: no file system takes it; refused cleanly, nothing made.
  const std::string name300(300, 'n');
  const std::string source = (local_ / "small").string();
  WriteFile(source, "abc");
  EXPECT_EQ(lib_->Send(kConn, U(source).c_str(), U(cwd + name300).c_str(), msg_), 0);
  EXPECT_EQ(lib_->CreateDirectory(kConn, U(cwd + name300).c_str(), msg_), 0);
  EXPECT_EQ(lib_->Receive(kConn, U(cwd + name300).c_str(), U((local_ / "r").string()).c_str(), msg_), 0);
  EXPECT_FALSE(fs::exists(local_ / "r"));

  // A line break must not smuggle a second command to the server.
  EXPECT_EQ(lib_->DeleteFile(kConn, u"nosuch\r\nDELE sparse.img", msg_), 0);
  EXPECT_EQ(lib_->CreateDirectory(kConn, U(cwd + "x\nRMD y").c_str(), msg_), 0);
  EXPECT_TRUE(fs::exists(dir.local + "/sparse.img"));
}

TEST_P(BackendServerTest, WrongPasswordFailsInBoundedTime) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Open(Servers().password + "x"), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  EXPECT_NE(Message(), "");
  EXPECT_EQ(lib_->Examine(kConn, msg_), 0);  // nothing was opened
}

INSTANTIATE_TEST_SUITE_P(Protocols, BackendServerTest, ::testing::ValuesIn(kProtocolRows),
                         [](const auto& info) { return std::string(info.param.name); });

// What the trust callback was asked, in UTF-8, and how it answers.
struct TrustRecorder {
  int answer = 1;
  struct Asked {
    std::string host, fingerprint, publicKey, subject, issuer, validFrom, validUntil, reason;
    int64_t port, kind, reasonCode;
  };
  std::vector<Asked> asked;

  static std::string Text(const char16_t* text) {
    std::string out;
    return text != nullptr && tarnholm::backend::Utf16ToUtf8(text, out) ? out : "<invalid>";
  }
  static int Answer(void* user, const TarnholmTrustQuestion* q) {
    auto* self = static_cast<TrustRecorder*>(user);
    self->asked.push_back({Text(q->host), Text(q->fingerprint), Text(q->publicKey), Text(q->subject),
                           Text(q->issuer), Text(q->validFrom), Text(q->validUntil), Text(q->reason), q->port,
                           q->kind, q->reasonCode});
    return self->answer;
  }
};

// "AB:CD:..." of a PEM certificate, from the openssl command line tool as an
// independent witness.
std::string CertificateFingerprint(const std::string& pem) {
  std::string out;
  if (FILE* p = ::popen(("openssl x509 -noout -fingerprint -sha256 -in '" + pem + "'").c_str(), "r")) {
    char line[512];
    while (std::fgets(line, sizeof line, p) != nullptr) out += line;
    ::pclose(p);
  }
  const auto eq = out.find('=');
  if (eq == std::string::npos) return "no fingerprint from openssl";
  out = out.substr(eq + 1);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

TEST(BackendTrust, UnverifiedIdentitiesAreAskedAboutBeforeTheLogin) {
  const BackendLib& lib = Backend();
  ASSERT_NE(lib.SetTrust, nullptr);
  ASSERT_FALSE(Servers().testCa.empty()) << "servers.env lacks TARNHOLM_TEST_CA: restart the test servers";
  const std::string fingerprint = CertificateFingerprint(Servers().ftpsCert);
  struct Row {
    const char* name;
    int64_t protocol;
    int port;
    const char16_t* host;
    bool registered;  // a callback at all
    int answer;
    bool testCa;      // TARNHOLM_EXTRA_CA_FILE names the test authority
    std::size_t asks;
    bool opens;
    const char* messagePart;  // in the failure message
  };
  const Row rows[] = {
      {"implicit FTPS, unknown authority, yes", 3, Servers().ftpsImplicitPort, u"127.0.0.1", true, 1, false, 1, true, ""},
      {"explicit FTPS, unknown authority, yes", 4, Servers().ftpPort, u"127.0.0.1", true, 1, false, 1, true, ""},
      {"explicit FTPS, no", 4, Servers().ftpPort, u"127.0.0.1", true, 0, false, 1, false, "refused"},
      {"implicit FTPS, no", 3, Servers().ftpsImplicitPort, u"127.0.0.1", true, 0, false, 1, false, "refused"},
      {"implicit FTPS, nobody to ask", 3, Servers().ftpsImplicitPort, u"127.0.0.1", false, 0, false, 0, false,
       "not verified"},
      {"odd answer counts as no", 3, Servers().ftpsImplicitPort, u"127.0.0.1", true, 7, false, 1, false, "refused"},
      {"test authority: silent", 3, Servers().ftpsImplicitPort, u"127.0.0.1", true, 0, true, 0, true, ""},
      {"test authority, explicit: silent", 4, Servers().ftpPort, u"127.0.0.1", true, 0, true, 0, true, ""},
      {"test authority, wrong host name", 3, Servers().ftpsImplicitPort, u"localhost", true, 1, true, 1, true, ""},
      {"plain FTP asks nothing", 1, Servers().ftpPort, u"127.0.0.1", false, 0, false, 0, true, ""},
      {"SFTP, yes", 2, Servers().sftpPort, u"127.0.0.1", true, 1, false, 1, true, ""},
      {"SFTP, no", 2, Servers().sftpPort, u"127.0.0.1", true, 0, false, 1, false, "refused"},
      {"SFTP, nobody to ask", 2, Servers().sftpPort, u"127.0.0.1", false, 0, false, 0, false, "not verified"},
  };
  const std::u16string user = U(Servers().user), pass = U(Servers().password);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TrustRecorder recorder;
    recorder.answer = row.answer;
    ASSERT_NE(lib.SetTrust(kConn, row.registered ? &TrustRecorder::Answer : nullptr, &recorder), 0);
    if (row.testCa) {
      ::setenv("TARNHOLM_EXTRA_CA_FILE", Servers().testCa.c_str(), 1);
    } else {
      ::unsetenv("TARNHOLM_EXTRA_CA_FILE");
    }
    char16_t msg[1025] = {};
    const int64_t opened = lib.Open(kConn, row.protocol, row.host, row.port, user.c_str(), pass.c_str(), 2, msg);
    std::string message;
    (void)tarnholm::backend::Utf16ToUtf8(msg, message);
    EXPECT_EQ(opened != 0, row.opens) << message;
    EXPECT_EQ(recorder.asked.size(), row.asks);
    if (!row.opens) {
      EXPECT_NE(message.find(row.messagePart), std::string::npos) << message;
    }
    if (opened != 0) {
      // Data connections (TLS again for FTPS) must not ask a second time.
      EXPECT_NE(lib.Examine(kConn, msg), 0);
      EXPECT_EQ(recorder.asked.size(), row.asks);
    }
    (void)lib.Close(kConn, msg);
    if (recorder.asked.empty()) continue;
    const auto& q = recorder.asked[0];
    EXPECT_EQ(q.port, row.port);
    EXPECT_EQ(U(q.host), std::u16string(row.host));
    if (row.protocol == 2) {
      EXPECT_EQ(q.kind, 2);
      EXPECT_EQ(q.fingerprint.rfind("SHA256:", 0), 0u) << q.fingerprint;
      EXPECT_EQ(q.publicKey.rfind("ssh-ed25519 AAAA", 0), 0u) << q.publicKey;
      EXPECT_EQ(q.subject, "");
      EXPECT_EQ(q.reason, "");
      EXPECT_EQ(q.reasonCode, 0);
    } else {
      EXPECT_EQ(q.kind, 1);
      EXPECT_EQ(q.fingerprint, fingerprint);
      EXPECT_EQ(q.subject, "CN=127.0.0.1");
      EXPECT_EQ(q.issuer, "CN=Tarnholm Test CA");
      EXPECT_EQ(q.publicKey, "");
      EXPECT_EQ(q.validFrom.size(), 23u) << q.validFrom;
      EXPECT_LT(q.validFrom, q.validUntil);
      EXPECT_NE(q.reason, "") << "the reason why it did not verify";
      // The test authority is unknown to the system; where it is added, the
      // name is what fails ("localhost" is not in the certificate).
      EXPECT_EQ(q.reasonCode, row.testCa ? 5 : 2) << q.reason;
    }
  }
  ::unsetenv("TARNHOLM_EXTRA_CA_FILE");
  (void)lib.SetTrust(kConn, nullptr, nullptr);
}

TEST(BackendTrust, RegistrationNeedsAPositiveNumber) {
  const BackendLib& lib = Backend();
  ASSERT_NE(lib.SetTrust, nullptr);
  EXPECT_EQ(lib.SetTrust(0, &AcceptEverything, nullptr), 0);
  EXPECT_EQ(lib.SetTrust(-3, &AcceptEverything, nullptr), 0);
  EXPECT_NE(lib.SetTrust(5, &AcceptEverything, nullptr), 0);
  EXPECT_NE(lib.SetTrust(5, nullptr, nullptr), 0);
}

TEST(BackendClosedConnection, EveryCallGivesZeroAndLeavesTheMessage) {
  const BackendLib& lib = Backend();
  ASSERT_NE(lib.SetProgress, nullptr);
  char16_t msg[1025];
  std::fill(std::begin(msg), std::end(msg) - 1, u' ');
  msg[1024] = 0;
  const std::u16string blanks(msg);
  char16_t buffer[260] = u"unchanged";
  for (const int64_t conn : {int64_t{0}, int64_t{1}, int64_t{-1}, int64_t{7}}) {
    SCOPED_TRACE(conn);
    EXPECT_EQ(lib.CreateDirectory(conn, u"/x", msg), 0);
    EXPECT_EQ(lib.Examine(conn, msg), 0);
    EXPECT_EQ(lib.Next(conn, msg), 0);
    EXPECT_EQ(lib.EntryName(conn, buffer, msg), 0);
    EXPECT_EQ(lib.SetDirectory(conn, u"..", msg), 0);
    EXPECT_EQ(lib.GetDirectory(conn, buffer, msg), 0);
    EXPECT_EQ(lib.DeleteFile(conn, u"x", msg), 0);
    EXPECT_EQ(lib.Send(conn, u"/etc/hostname", u"/x", msg), 0);
    EXPECT_EQ(lib.Check(conn, msg), 0);
    const auto neverRead = [](void*, char*, int64_t) -> int64_t {
      ADD_FAILURE() << "read on a closed connection";
      return -1;
    };
    const auto neverWrite = [](void*, const char*, int64_t) -> int64_t {
      ADD_FAILURE() << "write on a closed connection";
      return -1;
    };
    EXPECT_EQ(lib.SendStream(conn, neverRead, nullptr, 3, u"/x", 0, 0, msg), 0);
    EXPECT_EQ(lib.ReceiveStream(conn, u"/x", 0, neverWrite, nullptr, msg), 0);
    EXPECT_EQ(lib.Close(conn, msg), 0);
    // Registrations and cancel requests need a number above 0, not an open one.
    EXPECT_EQ(lib.Cancel(conn, 0) != 0, conn > 0);
    EXPECT_EQ(lib.SetHostKeyPreference(conn, u"ssh-rsa") != 0, conn > 0);
    EXPECT_EQ(lib.SetHostKeyPreference(conn, nullptr) != 0, conn > 0);
  }
  EXPECT_EQ(std::u16string(msg), blanks);
  EXPECT_EQ(std::u16string(buffer), u"unchanged");
}

TEST(BackendOpen, RefusedPortAndBadArgumentsFail) {
  const BackendLib& lib = Backend();
  ASSERT_NE(lib.SetProgress, nullptr);
  char16_t msg[1025] = {};
  const std::u16string user = U(Servers().user), pass = U(Servers().password);
  // Port 1 on the loopback: nobody listens, the connect is refused at once.
  EXPECT_EQ(lib.Open(1, 1, u"127.0.0.1", 1, user.c_str(), pass.c_str(), 2, msg), 0);
  EXPECT_NE(msg[0], 0);
  EXPECT_EQ(lib.Open(0, 1, u"127.0.0.1", Servers().ftpPort, user.c_str(), pass.c_str(), 2, msg), 0);
  EXPECT_EQ(lib.Open(1, 9, u"127.0.0.1", Servers().ftpPort, user.c_str(), pass.c_str(), 2, msg), 0);
  EXPECT_EQ(lib.Open(1, 1, nullptr, Servers().ftpPort, user.c_str(), pass.c_str(), 2, msg), 0);
  EXPECT_EQ(lib.Open(1, 1, u"127.0.0.1/x", Servers().ftpPort, user.c_str(), pass.c_str(), 2, msg), 0);
  EXPECT_EQ(lib.Examine(1, msg), 0);
}

}  // namespace
