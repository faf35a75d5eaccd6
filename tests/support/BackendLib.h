#pragma once
// The FTP back end loaded as the program loads it: by file name at run time,
// each function looked up by its exported C name; and the fixture of the
// tests that call it against the real servers in all four protocols.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "ftp/backend/TarnholmFtp.h"
#include "ftp/backend/Utf16.h"
#include "tests/support/TestServers.h"

namespace tarnholm::testing {

struct BackendLib {
  void* handle = nullptr;
  decltype(&OpenFTPEx) Open = nullptr;
  decltype(&CloseFTPEx) Close = nullptr;
  decltype(&ExamineFTPDirectoryEx) Examine = nullptr;
  decltype(&NextFTPDirectoryEntryEx) Next = nullptr;
  decltype(&FTPDirectoryEntryNameEx) EntryName = nullptr;
  decltype(&FTPDirectoryEntrySizeEx) EntrySize = nullptr;
  decltype(&FTPDirectoryEntryDateEx) EntryDate = nullptr;
  decltype(&FTPDirectoryEntryTypeEx) EntryType = nullptr;
  decltype(&FTPDirectoryEntryAttributesEx) EntryAttributes = nullptr;
  decltype(&FinishFTPDirectoryEx) Finish = nullptr;
  decltype(&SetFTPDirectoryEx) SetDirectory = nullptr;
  decltype(&GetFTPDirectoryEx) GetDirectory = nullptr;
  decltype(&CreateFTPDirectoryEx) CreateDirectory = nullptr;
  decltype(&DeleteFTPDirectoryEx) DeleteDirectory = nullptr;
  decltype(&DeleteFTPFileEx) DeleteFile = nullptr;
  decltype(&RenameFTPFileEx) Rename = nullptr;
  decltype(&ReceiveFTPFileEx) Receive = nullptr;
  decltype(&SendFTPFileEx) Send = nullptr;
  decltype(&CheckFTPConnectionEx) Check = nullptr;
  decltype(&IsFTPEx) IsFtp = nullptr;
  decltype(&SetFTPProgressCallbackEx) SetProgress = nullptr;
  decltype(&SetFTPTrustCallbackEx) SetTrust = nullptr;
  decltype(&SetFTPHostKeyPreferenceEx) SetHostKeyPreference = nullptr;
  decltype(&FTPLastErrorClassEx) LastErrorClass = nullptr;
  decltype(&SendFTPStreamEx) SendStream = nullptr;
  decltype(&ReceiveFTPStreamEx) ReceiveStream = nullptr;
  decltype(&CancelFTPEx) Cancel = nullptr;
  decltype(&FTPFileSizeEx) FileSize = nullptr;
  decltype(&ReplaceFTPFileEx) Replace = nullptr;
};

// Loads the library at path and resolves every function; false with error
// naming the first one missing.
[[nodiscard]] bool LoadBackend(const std::string& path, BackendLib& out, std::string& error);

// The library this build made (TARNHOLM_FTP_LIBRARY), loaded once per process;
// fails the current test when it cannot be loaded.
[[nodiscard]] const BackendLib& Backend();

// ---- For the tests against the real servers --------------------------------

inline constexpr int64_t kConn = 1;

inline std::u16string U(const std::string& utf8) { return tarnholm::backend::Utf8ToUtf16(utf8); }

inline std::string Utf8(const char16_t* text) {
  std::string out;
  return text != nullptr && tarnholm::backend::Utf16ToUtf8(text, out) ? out : "<invalid>";
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(gen());
  return s;
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

struct ProtocolRow {
  const char* name;
  int64_t protocol;
  int (*port)();
};

inline const ProtocolRow kProtocolRows[] = {
    {"Ftp", 1, [] { return Servers().ftpPort; }},
    {"FtpsImplicit", 3, [] { return Servers().ftpsImplicitPort; }},
    {"FtpsExplicit", 4, [] { return Servers().ftpPort; }},
    {"Sftp", 2, [] { return Servers().sftpPort; }},
};

inline void PrintTo(const ProtocolRow& row, std::ostream* os) { *os << row.name; }

struct Entry {
  std::string name;
  int64_t size;
  int64_t date;
  int64_t type;
};

// The self-signed test servers would be refused without a yes; these tests
// are about everything after the trust question.
inline int AcceptEverything(void*, const TarnholmTrustQuestion*) { return 1; }

// One protocol per instance: a private local folder, and helpers to log in
// and move into a fresh server folder of the test's own.
class BackendServerTest : public ::testing::TestWithParam<ProtocolRow> {
 protected:
  void SetUp() override {
    ASSERT_NE(Backend().Cancel, nullptr);
    ASSERT_FALSE(Servers().user.empty());
    lib_ = &Backend();
    ASSERT_NE(lib_->SetTrust(kConn, &AcceptEverything, nullptr), 0);
    std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    for (auto& c : test) {
      if (c == '/') c = '_';
    }
    local_ = std::filesystem::temp_directory_path() /
             ("tarnholm-backend-" + std::to_string(getpid()) + "-" + test);
    std::filesystem::remove_all(local_);
    std::filesystem::create_directories(local_);
  }
  void TearDown() override {
    if (lib_ != nullptr) {
      (void)lib_->Cancel(kConn, 0);
      (void)lib_->Close(kConn, msg_);
      (void)lib_->SetTrust(kConn, nullptr, nullptr);
    }
    std::filesystem::remove_all(local_);
    std::error_code ignored;  // the server may still be closing files there
    if (!serverDir_.empty()) std::filesystem::remove_all(serverDir_, ignored);
  }

  int64_t Open(const std::string& password) {
    const auto& row = GetParam();
    return lib_->Open(kConn, row.protocol, u"127.0.0.1", row.port(), U(Servers().user).c_str(),
                      U(password).c_str(), 2, msg_);
  }

  // Opens and moves into a fresh directory of its own; returns its path.
  std::string OpenInWorkDir(WorkDir& dir) {
    dir = MakeServerWorkDir(GetParam().name);
    serverDir_ = dir.local;
    if (Open(Servers().password) == 0) {
      ADD_FAILURE() << "login failed: " << Message();
      return {};
    }
    char16_t buffer[260];
    EXPECT_NE(lib_->GetDirectory(kConn, buffer, msg_), 0);
    std::u16string login(buffer);
    EXPECT_EQ(login.back(), u'/');
    const std::u16string path = login + U(dir.name) + u"/";
    EXPECT_NE(lib_->SetDirectory(kConn, path.c_str(), msg_), 0) << Message();
    return std::string(path.begin(), path.end());  // ASCII by construction
  }

  std::vector<Entry> List() {
    std::vector<Entry> entries;
    if (lib_->Examine(kConn, msg_) == 0) {
      ADD_FAILURE() << "listing failed: " << Message();
      return entries;
    }
    while (lib_->Next(kConn, msg_) != 0) {
      char16_t name[260];
      EXPECT_NE(lib_->EntryName(kConn, name, msg_), 0);
      entries.push_back({Utf8(name), lib_->EntrySize(kConn, msg_), lib_->EntryDate(kConn, msg_),
                         lib_->EntryType(kConn, msg_)});
    }
    EXPECT_NE(lib_->Finish(kConn, msg_), 0);
    return entries;
  }

  static const Entry* Find(const std::vector<Entry>& entries, const std::string& name) {
    for (const auto& e : entries) {
      if (e.name == name) return &e;
    }
    return nullptr;
  }

  std::string Message() const { return Utf8(msg_); }

  const BackendLib* lib_ = nullptr;
  std::filesystem::path local_;
  std::string serverDir_;
  char16_t msg_[1025] = {};
};

}  // namespace tarnholm::testing
