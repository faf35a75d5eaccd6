// The SFTP session functions against the real sshd of tests/servers/start.
// Files are prepared and checked directly on disk: the server runs here and
// serves the real file system, so the disk is the independent witness.

#include <gtest/gtest.h>
#include <libssh/libssh.h>
#include <netinet/in.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "ftp/backend/SftpSession.h"
#include "tests/support/TestServers.h"

namespace {

namespace fs = std::filesystem;
using tarnholm::backend::DirEntry;
using tarnholm::backend::EntryType;
using tarnholm::backend::ErrorClass;
using tarnholm::backend::Failure;
using tarnholm::backend::SftpLogin;
using tarnholm::backend::SftpSession;
using tarnholm::testing::GiveToServerUser;
using tarnholm::testing::MakeServerWorkDir;
using tarnholm::testing::Servers;
using tarnholm::testing::WorkDir;

struct SessionCloser {
  void operator()(SftpSession* s) const { tarnholm::backend::SftpClose(s); }
};
using SessionPtr = std::unique_ptr<SftpSession, SessionCloser>;

// Accepts every host key, as a user answering Yes would.
bool AcceptAnyKey(const tarnholm::backend::TrustQuestion&) { return true; }

SftpLogin Login(const std::string& host, int port, const std::string& password,
               tarnholm::backend::TrustFn trust = AcceptAnyKey) {
  SftpLogin login;
  login.host = host;
  login.port = port;
  login.user = Servers().user;
  login.password = password;
  login.trust = std::move(trust);
  return login;
}

SessionPtr Connect(const std::string& password, Failure& error) {
  return SessionPtr(tarnholm::backend::SftpOpen(Login("127.0.0.1", Servers().sftpPort, password), error));
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string RandomBytes(size_t size, unsigned seed) {
  std::mt19937 gen(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(gen());
  return bytes;
}

// A port on which nothing listens: bound once by us, then released.
int ClosedPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  int port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
    port = ntohs(addr.sin_port);
  }
  ::close(fd);
  return port;
}

// The fingerprint of the host key file as libssh computes it, for comparison
// with what the session recorded at connect time.
std::string FingerprintOfKeyFile(const std::string& path) {
  ssh_key key = nullptr;
  if (ssh_pki_import_pubkey_file(path.c_str(), &key) != SSH_OK) return "cannot read " + path;
  unsigned char* hash = nullptr;
  size_t len = 0;
  std::string text = "cannot hash";
  if (ssh_get_publickey_hash(key, SSH_PUBLICKEY_HASH_SHA256, &hash, &len) == 0) {
    char* printable = ssh_get_fingerprint_hash(SSH_PUBLICKEY_HASH_SHA256, hash, len);
    text = printable;
    ssh_string_free_char(printable);
    ssh_clean_pubkey_hash(&hash);
  }
  ssh_key_free(key);
  return text;
}

const DirEntry* Find(const std::vector<DirEntry>& entries, const std::string& name) {
  const auto it = std::find_if(entries.begin(), entries.end(),
                               [&](const DirEntry& e) { return e.name == name; });
  return it == entries.end() ? nullptr : &*it;
}

class SftpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Failure error;
    session_ = Connect(Servers().password, error);
    ASSERT_TRUE(session_) << error.text;
    work_ = MakeServerWorkDir("sftp");
    remote_ = fs::canonical(work_.local).string();
    local_ = fs::path(::testing::TempDir()) / ("sftp-local-" + work_.name);
    fs::create_directories(local_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(local_, ec);
    fs::remove_all(work_.local, ec);
  }
  SftpSession* S() { return session_.get(); }

  SessionPtr session_;
  WorkDir work_;
  std::string remote_;  // the work directory as the server names it
  fs::path local_;      // a private local directory for transfer ends
};

TEST(SftpOpen, RecordsTheHostKeyAndLogsInAtTheRoot) {
  Failure error;
  std::vector<tarnholm::backend::TrustQuestion> asked;
  SessionPtr session(tarnholm::backend::SftpOpen(Login("127.0.0.1", Servers().sftpPort, Servers().password,
                                                       [&](const tarnholm::backend::TrustQuestion& q) {
                                                         asked.push_back(q);
                                                         return true;
                                                       }),
                                                 error));
  ASSERT_TRUE(session) << error.text;
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].kind, tarnholm::backend::TrustKind::HostKey);
  EXPECT_EQ(asked[0].host, "127.0.0.1");
  EXPECT_EQ(asked[0].port, Servers().sftpPort);
  EXPECT_EQ(asked[0].fingerprint, FingerprintOfKeyFile(Servers().sshHostKey));
  // The key as the .pub file has it: type, blank, base64 (the file adds a comment).
  EXPECT_EQ(ReadFile(Servers().sshHostKey).rfind(asked[0].publicKey, 0), 0u) << asked[0].publicKey;
  EXPECT_EQ(tarnholm::backend::SftpHostKeyType(session.get()), "ssh-ed25519");
  EXPECT_EQ(tarnholm::backend::SftpHostKeyFingerprint(session.get()),
            FingerprintOfKeyFile(Servers().sshHostKey));
  std::string home;
  ASSERT_TRUE(tarnholm::backend::SftpRealPath(session.get(), ".", home, error)) << error.text;
  EXPECT_EQ(home, fs::canonical(Servers().root).string());
}

TEST(SftpOpen, FailuresGiveNullAClassAndAReason) {
  struct Row {
    const char* name;
    std::string host;
    int port;
    std::string password;
    ErrorClass cls;
    tarnholm::backend::TrustFn trust = AcceptAnyKey;
  };
  const Row rows[] = {
      {"wrong password", "127.0.0.1", Servers().sftpPort, Servers().password + "x", ErrorClass::LoginRefused},
      {"empty password", "127.0.0.1", Servers().sftpPort, "", ErrorClass::LoginRefused},
      {"closed port", "127.0.0.1", ClosedPort(), Servers().password, ErrorClass::Refused},
      {"unknown host", "no-such-host.invalid", Servers().sftpPort, Servers().password, ErrorClass::HostUnknown},
      {"an FTP server on the port", "127.0.0.1", Servers().ftpPort, Servers().password, ErrorClass::WrongProtocol},
      {"host key refused", "127.0.0.1", Servers().sftpPort, Servers().password, ErrorClass::TrustRefused,
       [](const tarnholm::backend::TrustQuestion&) { return false; }},
      {"nobody to ask about the host key", "127.0.0.1", Servers().sftpPort, Servers().password,
       ErrorClass::TrustRefused, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Failure error;
    SftpSession* session = tarnholm::backend::SftpOpen(Login(row.host, row.port, row.password, row.trust), error);
    EXPECT_EQ(session, nullptr);
    tarnholm::backend::SftpClose(session);
    EXPECT_EQ(error.cls, row.cls) << error.text;
    EXPECT_FALSE(error.text.empty());
  }
}

std::size_t OpenDescriptors() {
  return static_cast<std::size_t>(
      std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

// The socket is ours (libssh leaves a socket it was handed to its owner):
// it must go with the session, whichever way the open ended.
TEST(SftpOpen, NoSocketOutlivesItsSession) {
  const auto refuse = [](const tarnholm::backend::TrustQuestion&) { return false; };
  const auto openAndClose = [&] {
    Failure error;
    tarnholm::backend::SftpClose(Connect(Servers().password, error).release());
    tarnholm::backend::SftpClose(tarnholm::backend::SftpOpen(
        Login("127.0.0.1", Servers().sftpPort, Servers().password + "x"), error));
    tarnholm::backend::SftpClose(
        tarnholm::backend::SftpOpen(Login("127.0.0.1", Servers().ftpPort, Servers().password), error));
    tarnholm::backend::SftpClose(
        tarnholm::backend::SftpOpen(Login("127.0.0.1", Servers().sftpPort, Servers().password, refuse), error));
  };
  openAndClose();  // libraries open what they keep on first use
  const std::size_t before = OpenDescriptors();
  for (int i = 0; i < 3; ++i) openAndClose();
  EXPECT_EQ(OpenDescriptors(), before);
}

// A server that accepts the connection and never says a word must not hang
// the caller: the open fails once the wait for its greeting has passed.
TEST(SftpOpen, SilentServerFailsWithTimeout) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(::listen(fd, 1), 0);
  ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len), 0);
  Failure error;
  SftpSession* session =
      tarnholm::backend::SftpOpen(Login("127.0.0.1", ntohs(addr.sin_port), Servers().password), error);
  ::close(fd);
  EXPECT_EQ(session, nullptr);
  tarnholm::backend::SftpClose(session);
  EXPECT_EQ(error.cls, ErrorClass::Timeout) << error.text;
}

TEST_F(SftpTest, ListGivesSizesTypesAndLocalDates) {
  // The zone is fixed so that the expected local fields are known: CET/CEST.
  const std::string oldTz = std::getenv("TZ") != nullptr ? std::getenv("TZ") : "";
  ::setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  ::tzset();

  const fs::path dir = work_.local;
  WriteFile(dir / "winter.txt", "abc");
  WriteFile(dir / "summer.bin", RandomBytes(70000, 1));
  WriteFile(dir / "late.txt", "x");
  fs::create_directory(dir / "sub");
  WriteFile(dir / "sub" / "inner", "12345");
  fs::create_symlink("sub", dir / "to-sub");
  fs::create_symlink("winter.txt", dir / "to-file");
  fs::create_symlink("nowhere", dir / "dangling");
  ::mkfifo((dir / "pipe").c_str(), 0644);
  // 2018-12-24 17:30:00 UTC is 18:30 in CET; 2018-07-01 10:00:00 UTC is 12:00
  // in CEST; 2038-01-19 03:14:07 UTC is 04:14:07 local, past the last date.
  const struct {
    const char* name;
    std::time_t utc;
  } times[] = {{"winter.txt", 1545672600}, {"summer.bin", 1530439200}, {"late.txt", 2147483647}};
  for (const auto& t : times) {
    const timespec stamps[2] = {{t.utc, 0}, {t.utc, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (dir / t.name).c_str(), stamps, 0), 0);
  }
  for (const auto& entry : fs::recursive_directory_iterator(dir)) GiveToServerUser(entry.path());

  std::vector<DirEntry> entries;
  Failure error;
  const bool ok = tarnholm::backend::SftpList(S(), remote_, entries, error);
  ::setenv("TZ", oldTz.c_str(), 1);
  if (oldTz.empty()) ::unsetenv("TZ");
  ::tzset();
  ASSERT_TRUE(ok) << error.text;

  const struct {
    const char* name;
    EntryType type;
    int64_t size;  // -2: not checked
    int64_t date;  // -2: not checked
  } expected[] = {
      {".", EntryType::Directory, -2, -2},
      {"..", EntryType::Directory, -2, -2},
      {"winter.txt", EntryType::File, 3, 1545676200},
      {"summer.bin", EntryType::File, 70000, 1530446400},
      {"late.txt", EntryType::File, 1, -1},
      {"sub", EntryType::Directory, -2, -2},
      {"to-sub", EntryType::Directory, -2, -2},
      {"to-file", EntryType::File, 3, 1545676200},  // the target's attributes
      {"dangling", EntryType::File, -2, -2},
      {"pipe", EntryType::Other, -2, -2},
  };
  EXPECT_EQ(entries.size(), std::size(expected));
  for (const auto& row : expected) {
    SCOPED_TRACE(row.name);
    const DirEntry* entry = Find(entries, row.name);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->type, row.type);
    if (row.size != -2) {
      EXPECT_EQ(entry->size, row.size);
    }
    if (row.date != -2) {
      EXPECT_EQ(entry->date, row.date);
    }
  }
}

TEST_F(SftpTest, ListOfAMissingDirectoryFails) {
  std::vector<DirEntry> entries{DirEntry{}};
  Failure error;
  EXPECT_FALSE(tarnholm::backend::SftpList(S(), remote_ + "/missing", entries, error));
  EXPECT_TRUE(entries.empty());
  EXPECT_FALSE(error.text.empty());
}

TEST_F(SftpTest, SparseFileAboveFourGibIsListedWithItsExactSize) {
  const int64_t size = int64_t{5} << 30;
  const fs::path file = fs::path(work_.local) / "sparse.bin";
  WriteFile(file, "");
  fs::resize_file(file, static_cast<uintmax_t>(size));
  GiveToServerUser(file.string());
  std::vector<DirEntry> entries;
  Failure error;
  ASSERT_TRUE(tarnholm::backend::SftpList(S(), remote_, entries, error)) << error.text;
  const DirEntry* entry = Find(entries, "sparse.bin");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->size, size);
  EXPECT_EQ(entry->type, EntryType::File);
}

TEST_F(SftpTest, DirectoryAndFileOperationsChangeTheServer) {
  using namespace tarnholm::backend;
  const fs::path disk = work_.local;
  Failure error;
  ASSERT_TRUE(SftpMakeDirectory(S(), remote_ + "/made", error)) << error.text;
  EXPECT_TRUE(fs::is_directory(disk / "made"));
  EXPECT_TRUE(SftpIsDirectory(S(), remote_ + "/made", error)) << error.text;

  ASSERT_TRUE(SftpRename(S(), remote_ + "/made", remote_ + "/renamed", error)) << error.text;
  EXPECT_FALSE(fs::exists(disk / "made"));
  EXPECT_TRUE(fs::is_directory(disk / "renamed"));

  WriteFile(disk / "renamed" / "f.txt", "data");
  GiveToServerUser((disk / "renamed" / "f.txt").string());
  EXPECT_FALSE(SftpIsDirectory(S(), remote_ + "/renamed/f.txt", error));
  EXPECT_FALSE(SftpRemoveDirectory(S(), remote_ + "/renamed", error)) << "not empty";
  ASSERT_TRUE(SftpRename(S(), remote_ + "/renamed/f.txt", remote_ + "/g.txt", error)) << error.text;
  EXPECT_EQ(ReadFile(disk / "g.txt"), "data");
  ASSERT_TRUE(SftpRemoveFile(S(), remote_ + "/g.txt", error)) << error.text;
  EXPECT_FALSE(fs::exists(disk / "g.txt"));
  ASSERT_TRUE(SftpRemoveDirectory(S(), remote_ + "/renamed", error)) << error.text;
  EXPECT_FALSE(fs::exists(disk / "renamed"));
}

TEST_F(SftpTest, OperationsOnMissingPathsFailAsNotFound) {
  using namespace tarnholm::backend;
  const std::string missing = remote_ + "/missing";
  struct Row {
    const char* name;
    bool (*call)(SftpSession*, const std::string&, Failure&);
  };
  const Row rows[] = {
      {"is directory", [](SftpSession* s, const std::string& p, Failure& e) {
         return SftpIsDirectory(s, p, e);
       }},
      {"make directory in missing parent", [](SftpSession* s, const std::string& p, Failure& e) {
         return SftpMakeDirectory(s, p + "/child", e);
       }},
      {"remove directory", [](SftpSession* s, const std::string& p, Failure& e) {
         return SftpRemoveDirectory(s, p, e);
       }},
      {"remove file", [](SftpSession* s, const std::string& p, Failure& e) {
         return SftpRemoveFile(s, p, e);
       }},
      {"rename", [](SftpSession* s, const std::string& p, Failure& e) {
         return SftpRename(s, p, p + "-new", e);
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Failure error;
    EXPECT_FALSE(row.call(S(), missing, error));
    EXPECT_NE(error.text.find("missing"), std::string::npos) << error.text;
    EXPECT_EQ(error.cls, ErrorClass::NotFound) << error.text;
  }
  // The session stays usable after the failures.
  std::string home;
  Failure error;
  EXPECT_TRUE(SftpRealPath(S(), ".", home, error)) << error.text;
}

// Bytes gathered by a receive.
struct Sink {
  std::string bytes;
  tarnholm::backend::WriteFn Fn() {
    return [this](const char* data, int64_t length) {
      bytes.append(data, static_cast<size_t>(length));
      return true;
    };
  }
};

// Bytes handed out by a send, in pieces of at most `piece` to show that
// short reads are gathered into whole writes.
tarnholm::backend::ReadFn Source(const std::string& bytes, size_t& at, int64_t piece) {
  return [&bytes, &at, piece](char* buffer, int64_t capacity) -> int64_t {
    const size_t n = std::min({static_cast<size_t>(capacity), static_cast<size_t>(piece), bytes.size() - at});
    std::copy_n(bytes.data() + at, n, buffer);
    at += n;
    return static_cast<int64_t>(n);
  };
}

TEST_F(SftpTest, StaleAnswersOfAStoppedReceiveDoNotReachTheNextOne) {
  using namespace tarnholm::backend;
  const std::string bytes = RandomBytes((1 << 20) + 5, 7);
  WriteFile(fs::path(work_.local) / "big.bin", bytes);
  GiveToServerUser(work_.local + "/big.bin");
  Failure error;
  // Refused after the first block, with fifteen more requests in flight.
  int calls = 0;
  EXPECT_FALSE(SftpReceive(S(), remote_ + "/big.bin", 0, [&](const char*, int64_t) { return ++calls < 2; }, {},
                           error));
  EXPECT_EQ(error.cls, ErrorClass::Callback);
  Sink whole;
  ASSERT_TRUE(SftpReceive(S(), remote_ + "/big.bin", 0, whole.Fn(), {}, error)) << error.text;
  EXPECT_EQ(whole.bytes, bytes);
}

TEST_F(SftpTest, SendModesAndShortReads) {
  using namespace tarnholm::backend;
  const std::string bytes = RandomBytes(600 * 1024 + 3, 9);
  const std::string target = remote_ + "/sent.bin";
  Failure error;
  size_t at = 0;
  ASSERT_TRUE(SftpSend(S(), Source(bytes, at, 1000), static_cast<int64_t>(bytes.size()), target, 0,
                       SendMode::Truncate, {}, error))
      << error.text;
  EXPECT_EQ(ReadFile(fs::path(work_.local) / "sent.bin"), bytes);

  // A new name must be new.
  at = 0;
  EXPECT_FALSE(SftpSend(S(), Source(bytes, at, 1 << 20), -1, target, 0, SendMode::CreateNew, {}, error));
  EXPECT_EQ(ReadFile(fs::path(work_.local) / "sent.bin"), bytes);

  // Appending checks what the server holds first.
  at = 0;
  EXPECT_FALSE(SftpSend(S(), Source(bytes, at, 1 << 20), -1, target, 5, SendMode::Append, {}, error));
  EXPECT_EQ(ReadFile(fs::path(work_.local) / "sent.bin"), bytes);
}

}  // namespace
