// The stream functions against the real servers in all four protocols:
// byte-exact across the block sizes the back end uses, resumed both ways,
// the safe replacement of a server file, and cancel in mid-transfer.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <unistd.h>

#include "tests/support/BackendLib.h"

namespace fs = std::filesystem;
using namespace tarnholm::testing;

namespace {

// The block sizes of the back end's transfers, whose edges the sizes below
// straddle: an SFTP read request, an SFTP write to OpenSSH, libcurl's
// receive buffer and its send buffer.
constexpr std::size_t kSftpRead = 32 * 1024;
constexpr std::size_t kSftpWrite = 255 * 1024;
constexpr std::size_t kFtpReceive = 512 * 1024;
constexpr std::size_t kFtpSend = 2 * 1024 * 1024;

// Hands out bytes in pieces of at most `piece`, so that reads seldom fill
// what they are offered. failAt: -1 refuses once that many bytes went out;
// cancelAt: asks to cancel once that many bytes went out.
struct Source {
  const std::string* bytes = nullptr;
  std::size_t at = 0;
  std::size_t piece = 7777;
  int64_t failAt = -1;
  int64_t cancelAt = -1;
  std::atomic<int64_t> handedOut{0};

  static int64_t Read(void* user, char* buffer, int64_t capacity) {
    auto& s = *static_cast<Source*>(user);
    const int64_t done = static_cast<int64_t>(s.at);
    if (s.failAt >= 0 && done >= s.failAt) return -1;
    if (s.cancelAt >= 0 && done >= s.cancelAt) (void)Backend().Cancel(kConn, 1);
    const std::size_t n = std::min({static_cast<std::size_t>(capacity), s.piece, s.bytes->size() - s.at});
    std::copy_n(s.bytes->data() + s.at, n, buffer);
    s.at += n;
    s.handedOut += static_cast<int64_t>(n);
    return static_cast<int64_t>(n);
  }
};

struct Sink {
  std::string bytes;
  std::atomic<int64_t> received{0};
  bool keep = true;  // false: count only

  static int64_t Write(void* user, const char* data, int64_t length) {
    auto& s = *static_cast<Sink*>(user);
    if (s.keep) s.bytes.append(data, static_cast<std::size_t>(length));
    s.received += length;
    return length;
  }
};

struct ProgressLog {
  int64_t done = -1;
  int64_t total = -2;
  static int Record(void* user, int64_t done, int64_t total) {
    auto& p = *static_cast<ProgressLog*>(user);
    p.done = done;
    p.total = total;
    return 0;
  }
};

std::set<std::string> NamesIn(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

using BackendStreamTest = BackendServerTest;

TEST_P(BackendStreamTest, ByteExactAcrossBlockEdges) {
  WorkDir dir;
  const std::string cwd = OpenInWorkDir(dir);
  ASSERT_FALSE(cwd.empty());
  ProgressLog progress;
  ASSERT_NE(lib_->SetProgress(kConn, &ProgressLog::Record, &progress), 0);
  struct Row {
    std::size_t size;
    bool sizeKnown;
  };
  std::vector<Row> rows = {{0, true}, {1, true}, {15, true}, {16, true}, {17, true}, {kSftpWrite + 1, false}};
  for (const std::size_t edge : {kSftpRead, kSftpWrite, kFtpReceive, kFtpSend}) {
    for (const std::size_t size : {edge - 1, edge, edge + 1}) rows.push_back({size, true});
  }
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.size) + (row.sizeKnown ? "" : " of unknown size"));
    const std::string bytes = RandomBytes(row.size, static_cast<unsigned>(row.size));
    const std::string name = "s" + std::to_string(row.size);
    Source source;
    source.bytes = &bytes;
    progress = {};
    const int64_t announced = row.sizeKnown ? static_cast<int64_t>(row.size) : -1;
    ASSERT_NE(lib_->SendStream(kConn, &Source::Read, &source, announced, U(cwd + name).c_str(), 0, 0, msg_), 0)
        << Message();
    EXPECT_EQ(lib_->LastErrorClass(kConn), kTarnholmErrorNone);
    EXPECT_EQ(ReadFile(dir.local + "/" + name), bytes);
    if (row.size > 0) {
      EXPECT_EQ(progress.done, static_cast<int64_t>(row.size));
      if (row.sizeKnown) {
        EXPECT_EQ(progress.total, static_cast<int64_t>(row.size));
      }
    }

    Sink sink;
    progress = {};
    ASSERT_NE(lib_->ReceiveStream(kConn, U(cwd + name).c_str(), 0, &Sink::Write, &sink, msg_), 0) << Message();
    EXPECT_TRUE(sink.bytes == bytes) << "received " << sink.bytes.size() << " bytes";
    if (row.size > 0) {
      EXPECT_EQ(progress.done, static_cast<int64_t>(row.size));
    }
  }
  // The streams wrote no local file anywhere.
  EXPECT_TRUE(fs::is_empty(local_));
}

TEST_P(BackendStreamTest, ResumeBothWays) {
  WorkDir dir;
  const std::string cwd = OpenInWorkDir(dir);
  ASSERT_FALSE(cwd.empty());
  ProgressLog progress;
  ASSERT_NE(lib_->SetProgress(kConn, &ProgressLog::Record, &progress), 0);
  const std::string whole = RandomBytes(3 * kSftpWrite + 11, 5);
  const std::size_t held = kSftpWrite + 100;  // what an earlier, broken send left
  const std::u16string remote = U(cwd + "part.bin");
  WriteFile(dir.local + "/part.bin", whole.substr(0, held));
  GiveToServerUser(dir.local + "/part.bin");

  // An offset that is not what the server holds is refused, the file untouched.
  const std::string rest = whole.substr(held);
  Source wrong;
  wrong.bytes = &rest;
  EXPECT_EQ(lib_->SendStream(kConn, &Source::Read, &wrong, static_cast<int64_t>(rest.size()), remote.c_str(),
                             static_cast<int64_t>(held) + 1, 0, msg_),
            0);
  EXPECT_EQ(ReadFile(dir.local + "/part.bin"), whole.substr(0, held));

  Source source;
  source.bytes = &rest;
  ASSERT_NE(lib_->SendStream(kConn, &Source::Read, &source, static_cast<int64_t>(rest.size()), remote.c_str(),
                             static_cast<int64_t>(held), 0, msg_),
            0)
      << Message();
  EXPECT_TRUE(ReadFile(dir.local + "/part.bin") == whole);
  EXPECT_EQ(progress.done, static_cast<int64_t>(whole.size()));
  EXPECT_EQ(progress.total, static_cast<int64_t>(whole.size()));

  for (const std::size_t offset : {std::size_t{1}, held, whole.size() - 1, whole.size()}) {
    SCOPED_TRACE(offset);
    Sink sink;
    ASSERT_NE(lib_->ReceiveStream(kConn, remote.c_str(), static_cast<int64_t>(offset), &Sink::Write, &sink, msg_), 0)
        << Message();
    EXPECT_TRUE(sink.bytes == whole.substr(offset)) << "received " << sink.bytes.size() << " bytes";
  }
}

TEST_P(BackendStreamTest, SafeReplaceKeepsTheOldFileUntilTheNewOneIsComplete) {
  WorkDir dir;
  const std::string cwd = OpenInWorkDir(dir);
  ASSERT_FALSE(cwd.empty());
  const std::string older = RandomBytes(300 * 1024, 1);
  const std::string newer = RandomBytes(3 * kFtpSend + 5, 2);
  struct Row {
    const char* name;
    int64_t failAt;
    int64_t cancelAt;
    bool targetIsFolder;
    int64_t offset;
    int64_t errorClass;  // kTarnholmErrorNone: the send succeeds
  };
  const Row rows[] = {
      {"completes", -1, -1, false, 0, kTarnholmErrorNone},
      {"the source fails midway", 1 << 20, -1, false, 0, kTarnholmErrorCallback},
      {"cancelled midway", -1, 1 << 20, false, 0, kTarnholmErrorCancelled},
      {"the server refuses the rename", -1, -1, true, 0, kTarnholmErrorReplaceRefused},
      {"no resume with it", -1, -1, false, 7, kTarnholmErrorOther},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string target = dir.local + "/target";
    fs::remove_all(target);
    if (row.targetIsFolder) {
      fs::create_directory(target);
      WriteFile(target + "/inside", older);
      GiveToServerUser(target + "/inside");
    } else {
      WriteFile(target, older);
    }
    GiveToServerUser(target);
    Source source;
    source.bytes = &newer;
    source.failAt = row.failAt;
    source.cancelAt = row.cancelAt;
    const int64_t sent = lib_->SendStream(kConn, &Source::Read, &source, static_cast<int64_t>(newer.size()),
                                          U(cwd + "target").c_str(), row.offset, kTarnholmSendReplaceSafely, msg_);
    EXPECT_EQ(sent != 0, row.errorClass == kTarnholmErrorNone) << Message();
    EXPECT_EQ(lib_->LastErrorClass(kConn), row.errorClass) << Message();
    (void)lib_->Cancel(kConn, 0);
    // The connection is still good for the next call, which also finishes a
    // clean-up that a cancel left (it gets only what remains of half a second).
    EXPECT_NE(lib_->Examine(kConn, msg_), 0) << Message();
    (void)lib_->Finish(kConn, msg_);
    // Only the target is there: the temporary name is gone either way.
    EXPECT_EQ(NamesIn(dir.local), std::set<std::string>{"target"});
    if (row.targetIsFolder) {
      EXPECT_EQ(ReadFile(target + "/inside"), older);
    } else {
      EXPECT_TRUE(ReadFile(target) == (sent != 0 ? newer : older));
    }
  }
}

// What resuming and walking folders need: names starting with "." are
// listed, links are marked as such, a file's size is told without a listing,
// and a file replaces another in one step.
TEST_P(BackendStreamTest, HiddenNamesLinksSizesAndReplaceInOneStep) {
  WorkDir dir;
  const std::string cwd = OpenInWorkDir(dir);
  ASSERT_FALSE(cwd.empty());
  WriteFile(dir.local + "/.hidden", "fresh");
  WriteFile(dir.local + "/file.txt", "old content");
  WriteFile(dir.local + "/empty", "");
  fs::create_directory(dir.local + "/dir");
  fs::create_symlink("file.txt", dir.local + "/link-file");
  fs::create_directory_symlink("dir", dir.local + "/link-dir");
  for (const char* name : {".hidden", "file.txt", "empty", "dir"}) GiveToServerUser(dir.local + "/" + name);

  std::map<std::string, int64_t> attributes;
  ASSERT_NE(lib_->Examine(kConn, msg_), 0) << Message();
  while (lib_->Next(kConn, msg_) != 0) {
    char16_t name[260];
    ASSERT_NE(lib_->EntryName(kConn, name, msg_), 0);
    attributes[Utf8(name)] = lib_->EntryAttributes(kConn, msg_);
  }
  (void)lib_->Finish(kConn, msg_);
  EXPECT_EQ(attributes[".hidden"], 0x80);
  EXPECT_EQ(attributes["file.txt"], 0x80);
  EXPECT_EQ(attributes["dir"], 0x10);
  EXPECT_EQ(attributes["link-file"], 0x80 | 0x400);
  EXPECT_EQ(attributes["link-dir"] & 0x400, 0x400) << "a link to a folder is marked, whatever type it gets";

  EXPECT_EQ(lib_->FileSize(kConn, u".hidden", msg_), 5) << Message();
  EXPECT_EQ(lib_->FileSize(kConn, U(cwd + "empty").c_str(), msg_), 0) << Message();
  EXPECT_EQ(lib_->LastErrorClass(kConn), kTarnholmErrorNone);
  EXPECT_EQ(lib_->FileSize(kConn, U(cwd + "missing").c_str(), msg_), -1);
  EXPECT_EQ(lib_->LastErrorClass(kConn), kTarnholmErrorNotFound) << Message();

  ASSERT_NE(lib_->Replace(kConn, u".hidden", U(cwd + "file.txt").c_str(), msg_), 0) << Message();
  EXPECT_EQ(ReadFile(dir.local + "/file.txt"), "fresh");
  EXPECT_FALSE(fs::exists(dir.local + "/.hidden"));
  EXPECT_EQ(lib_->Replace(kConn, u"missing", u"file.txt", msg_), 0);
  EXPECT_EQ(lib_->LastErrorClass(kConn), kTarnholmErrorReplaceRefused) << Message();
  EXPECT_EQ(ReadFile(dir.local + "/file.txt"), "fresh");
}

TEST_P(BackendStreamTest, CallbacksThatRefuseEndTheTransferWithTheirClass) {
  WorkDir dir;
  const std::string cwd = OpenInWorkDir(dir);
  ASSERT_FALSE(cwd.empty());
  const std::string bytes = RandomBytes(kFtpSend + 3, 4);
  WriteFile(dir.local + "/there.bin", bytes);
  GiveToServerUser(dir.local + "/there.bin");
  struct Row {
    const char* name;
    std::function<int64_t()> call;
  };
  const Row rows[] = {
      {"a write that takes less than it was given",
       [&] {
         return lib_->ReceiveStream(kConn, U(cwd + "there.bin").c_str(), 0,
                                    [](void*, const char*, int64_t length) { return length - 1; }, nullptr, msg_);
       }},
      {"a source that ends before the announced size",
       [&] {
         Source source;
         source.bytes = &bytes;
         return lib_->SendStream(kConn, &Source::Read, &source, static_cast<int64_t>(bytes.size()) + 10,
                                 U(cwd + "short.bin").c_str(), 0, 0, msg_);
       }},
      {"a source that gives more than it was asked for",
       [&] {
         return lib_->SendStream(kConn, [](void*, char*, int64_t capacity) { return capacity + 1; }, nullptr, -1,
                                 U(cwd + "long.bin").c_str(), 0, 0, msg_);
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.call(), 0);
    EXPECT_EQ(lib_->LastErrorClass(kConn), kTarnholmErrorCallback) << Message();
    EXPECT_NE(lib_->Check(kConn, msg_), 0) << Message();
  }
}

// Cancels from another thread once the transfer is under way, and measures
// how long the running call takes to return.
struct Canceller {
  std::atomic<int64_t>* progress = nullptr;
  int64_t after = 0;
  std::chrono::steady_clock::time_point when{};
  std::thread thread;

  void Start() {
    thread = std::thread([this] {
      while (progress->load() < after) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      when = std::chrono::steady_clock::now();
      (void)Backend().Cancel(kConn, 1);
    });
  }
  double MillisecondsUntilNow() {
    thread.join();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - when).count();
  }
};

TEST_P(BackendStreamTest, CancelInMidTransferIsQuickAndKeepsTheConnection) {
  WorkDir dir;
  const std::string cwd = OpenInWorkDir(dir);
  ASSERT_FALSE(cwd.empty());
  // Far more than can move before the cancel: the transfer is always running then.
  const std::string sparse = dir.local + "/huge.img";
  WriteFile(sparse, "");
  ASSERT_EQ(::truncate(sparse.c_str(), int64_t{8} << 30), 0);
  GiveToServerUser(sparse);
  const std::string chunk = RandomBytes(64 << 20, 3);

  for (const bool upload : {true, false}) {
    SCOPED_TRACE(upload ? "upload" : "download");
    Source source;
    source.bytes = &chunk;
    source.piece = 1 << 20;
    Sink sink;
    sink.keep = false;
    Canceller canceller;
    canceller.progress = upload ? &source.handedOut : &sink.received;
    canceller.after = 4 << 20;
    canceller.Start();
    const int64_t result =
        upload ? lib_->SendStream(kConn, &Source::Read, &source, -1, U(cwd + "up.bin").c_str(), 0, 0, msg_)
               : lib_->ReceiveStream(kConn, U(cwd + "huge.img").c_str(), 0, &Sink::Write, &sink, msg_);
    const double latency = canceller.MillisecondsUntilNow();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(lib_->LastErrorClass(kConn), kTarnholmErrorCancelled) << Message();
    std::cout << "[ figure   ] cancel latency " << GetParam().name << (upload ? " upload " : " download ")
              << latency << " ms\n";
    RecordProperty(upload ? "cancel_upload_ms" : "cancel_download_ms", std::to_string(latency));
    // Generous: a correctness check, the figure above is what counts.
    EXPECT_LT(latency, 2000.0);

    // Until it is cleared, every call is refused at once.
    EXPECT_EQ(lib_->Examine(kConn, msg_), 0);
    EXPECT_EQ(lib_->LastErrorClass(kConn), kTarnholmErrorCancelled);
    ASSERT_NE(lib_->Cancel(kConn, 0), 0);
    std::vector<Entry> entries = List();
    EXPECT_NE(Find(entries, "huge.img"), nullptr) << Message();
  }
}

INSTANTIATE_TEST_SUITE_P(Protocols, BackendStreamTest, ::testing::ValuesIn(kProtocolRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
