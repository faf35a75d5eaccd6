// The engine and the jobs it runs, against the scripted stand-in backend and
// without any window: one worker with jobs in order, cancel at every stage,
// files streamed byte-exact across chunk and block edges, the server's and
// the local copy kept safe, partial and staging files.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <future>
#include <mutex>
#include <ostream>
#include <thread>
#include <vector>

#include "crypto/FileCipher.h"
#include "ftp/Engine.h"
#include "ftp/ErrorReasons.h"
#include "ftp/FtpFunctions.h"
#include "ftp/LocalPartial.h"
#include "ftp/ServerJobs.h"
#include "ftp/TransferJob.h"
#include "tests/fake_ftp/FakeControls.h"

inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

QString FakePath(const char* name) {
  return QStringLiteral(TARNHOLM_FAKE_FTP_DIR "/lib") + QString::fromLatin1(name) + QStringLiteral(".so");
}

QByteArray Pattern(qint64 size, int seed = 0) {
  QByteArray bytes(size, Qt::Uninitialized);
  for (qint64 i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + i / 251 + seed * 17) & 0xff);
  return bytes;
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

QByteArray ReadBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

KeyMaterial TestKey() {
  KeyMaterial key{};
  for (size_t i = 0; i < key.size(); ++i) key[i] = static_cast<uint8_t>(i * 7 + 3);
  return key;
}

QByteArray Encrypted(const QByteArray& plain) {
  const KeyMaterial key = TestKey();
  QByteArray out(plain.size(), '\0');
  const int64_t n = EncryptBuffer(reinterpret_cast<const uint8_t*>(plain.constData()),
                                  reinterpret_cast<uint8_t*>(out.data()), plain.size(), key.data(), 256, key.data() + 32);
  return n == plain.size() ? out : QByteArray("<encryption failed>");
}

QStringList EntriesIn(const QString& directory) {
  QStringList names = QDir(directory).entryList(QDir::Files | QDir::Hidden | QDir::System);
  names.sort();
  return names;
}

unsigned ModeOf(const QString& path) {
  struct stat info {};
  return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// An engine over a fake backend; posts to the owner are kept, not run.
struct Harness {
  FakeControls fake;
  QLibrary library;
  FtpFunctions ftp{};
  bool loaded = false;
  Engine* engine = nullptr;
  std::mutex mutex;
  std::vector<std::function<void()>> posted;
  QTemporaryDir serverDir, localDir;
  QString server, local;  // both end with "/"

  explicit Harness(const char* name = "fake-ftp") : fake(FakePath(name), 0), library(FakePath(name)) {
    loaded = library.load() && ResolveFtpFunctions(library, ftp) && fake.reset != nullptr;
    if (!loaded) return;
    fake.reset();
    server = serverDir.path() + QLatin1Char('/');
    local = localDir.path() + QLatin1Char('/');
    fake.setServerRoot(FakeControls::Text(serverDir.path()));
    engine = StartEngine(ftp, 1, [this](std::function<void()> fn) {
      std::lock_guard lock(mutex);
      posted.push_back(std::move(fn));
    });
  }
  ~Harness() { StopEngine(engine); }

  template <typename R>
  std::future<R> Start(std::function<R(const JobContext&)> work, int64_t* id = nullptr) {
    auto promise = std::make_shared<std::promise<R>>();
    std::future<R> future = promise->get_future();
    const int64_t jobId = SubmitJob(*engine, [promise, work](JobContext& ctx) { promise->set_value(work(ctx)); });
    if (id != nullptr) *id = jobId;
    return future;
  }
  template <typename R>
  R Run(std::function<R(const JobContext&)> work) {
    return Start<R>(std::move(work)).get();
  }
  FolderResult Connect() {
    return Run<FolderResult>([](const JobContext& ctx) {
      ConnectRequest request;
      request.host = QStringLiteral("h");
      request.hostFolder = QStringLiteral("/");
      return ConnectAndList(ctx, request, {});
    });
  }
  TransferOutcome Upload(const QVector<TransferItem>& items) {
    return Run<TransferOutcome>([items](const JobContext& ctx) { return RunUploads(ctx, items, Settings(), {}); });
  }
  TransferOutcome Download(const QVector<TransferItem>& items) {
    return Run<TransferOutcome>([items](const JobContext& ctx) { return RunDownloads(ctx, items, Settings(), {}); });
  }
  static TransferSettings Settings() {
    TransferSettings settings;
    settings.key = TestKey();
    settings.stagingFolder = QDir::tempPath() + QLatin1Char('/');
    return settings;
  }
};

TEST(Engine, JobsRunOneAfterAnotherOnOneWorker) {
  Harness h;
  ASSERT_TRUE(h.loaded);
  std::mutex mutex;
  std::vector<std::pair<int, std::thread::id>> seen;
  std::vector<std::future<bool>> done;
  for (int i = 1; i <= 3; ++i) {
    done.push_back(h.Start<bool>([&, i](const JobContext&) {
      std::this_thread::sleep_for(std::chrono::milliseconds(i == 1 ? 30 : 0));
      std::lock_guard lock(mutex);
      seen.emplace_back(i, std::this_thread::get_id());
      return true;
    }));
  }
  for (auto& f : done) EXPECT_TRUE(f.get());
  ASSERT_EQ(seen.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(seen[i].first, i + 1);
    EXPECT_EQ(seen[i].second, seen[0].second);
  }
  EXPECT_NE(seen[0].second, std::this_thread::get_id());
}

TEST(Engine, CancelEndsTheJobAtEveryStageAndTheNextJobRuns) {
  enum class Stage { Connect, Listing, Upload, Download };
  const struct {
    const char* name;
    Stage stage;
    const char* operation;
  } cases[] = {{"connect", Stage::Connect, "Open"},
               {"listing", Stage::Listing, "Examine"},
               {"upload over an existing file", Stage::Upload, "Send"},
               {"download over an existing file", Stage::Download, "Receive"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h;
    ASSERT_TRUE(h.loaded);
    ASSERT_TRUE(WriteBytes(h.server + "old.bin", "server's old content"));
    ASSERT_TRUE(WriteBytes(h.local + "old.bin", "local old content"));
    ASSERT_TRUE(WriteBytes(h.local + "up.bin", Pattern(300000)));
    if (c.stage != Stage::Connect) {
      ASSERT_TRUE(h.Connect().opened);
    }
    h.fake.hold(c.operation);

    int64_t id = 0;
    std::future<QString> outcome;
    switch (c.stage) {
      case Stage::Connect:
        outcome = h.Start<QString>([](const JobContext& ctx) {
          ConnectRequest request;
          const FolderResult r = ConnectAndList(ctx, request, {});
          return r.cancelled && !r.opened ? QStringLiteral("cancelled") : QStringLiteral("not cancelled");
        }, &id);
        break;
      case Stage::Listing:
        outcome = h.Start<QString>([](const JobContext& ctx) {
          const FolderResult r = ListFolder(ctx, QStringLiteral("/"), {});
          return r.cancelled && !r.listing.lost ? QStringLiteral("cancelled") : QStringLiteral("not cancelled");
        }, &id);
        break;
      case Stage::Upload: {
        const QVector<TransferItem> items{{h.local + "up.bin", "/old.bin", "up.bin", 0, false, true}};
        outcome = h.Start<QString>([items](const JobContext& ctx) {
          const TransferOutcome r = RunUploads(ctx, items, Harness::Settings(), {});
          return r.cancelled && r.error.isEmpty() ? QStringLiteral("cancelled") : r.error;
        }, &id);
        break;
      }
      case Stage::Download: {
        const QVector<TransferItem> items{{"/old.bin", h.local + "old.bin", "old.bin", 20, false, false}};
        outcome = h.Start<QString>([items](const JobContext& ctx) {
          const TransferOutcome r = RunDownloads(ctx, items, Harness::Settings(), {});
          return r.cancelled && r.error.isEmpty() ? QStringLiteral("cancelled") : r.error;
        }, &id);
        break;
      }
    }
    ASSERT_EQ(h.fake.waitHeld(5000), 1);
    CancelJob(*h.engine, id);
    ASSERT_EQ(outcome.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(outcome.get(), QStringLiteral("cancelled"));
    EXPECT_EQ(ReadBytes(h.server + "old.bin"), "server's old content");
    EXPECT_EQ(ReadBytes(h.local + "old.bin"), "local old content");
    EXPECT_EQ(EntriesIn(h.local), (QStringList{"old.bin", "up.bin"}));
    EXPECT_EQ(EntriesIn(h.server), QStringList{"old.bin"});

    // The backend's cancel is sticky; it must not reach the next job.
    if (c.stage == Stage::Connect) {
      ASSERT_TRUE(h.Connect().opened);
    }
    const FolderResult next = h.Run<FolderResult>([](const JobContext& ctx) { return ListFolder(ctx, "/", {}); });
    EXPECT_TRUE(next.listing.ok);
  }
}

TEST(Engine, ACancelForAnEndedJobIsLostAndOneForAQueuedJobStartsItCancelled) {
  Harness h;
  ASSERT_TRUE(h.loaded);
  ASSERT_TRUE(h.Connect().opened);
  int64_t first = 0;
  const auto list = [](const JobContext& ctx) { return ListFolder(ctx, QStringLiteral("/"), {}); };
  EXPECT_TRUE(h.Start<FolderResult>(list, &first).get().listing.ok);
  // Comes too late: at most it reaches the backend before the worker is
  // free again, and the next job starts by clearing it.
  CancelJob(*h.engine, first);
  EXPECT_TRUE(h.Run<FolderResult>(list).listing.ok);

  h.fake.hold("Examine");
  int64_t running = 0, queued = 0;
  auto a = h.Start<FolderResult>(list, &running);
  ASSERT_EQ(h.fake.waitHeld(5000), 1);
  auto b = h.Start<FolderResult>(list, &queued);
  CancelJob(*h.engine, queued);
  h.fake.release();
  EXPECT_TRUE(a.get().listing.ok);
  const FolderResult cancelled = b.get();
  EXPECT_TRUE(cancelled.cancelled);
  EXPECT_FALSE(cancelled.listing.ok);
}

TEST(Streams, RoundTripsAreByteExactAcrossChunkAndBlockEdges) {
  const int64_t chunks[] = {64 * 1024, 1000, 100, -1};  // -1: the backend asks for changing sizes
  const int64_t sizes[] = {0,     1,     15,    16,    17,    31,    32,          33,
                           999,   1000,  1001,  65535, 65536, 65537, (4 << 20) - 1, (4 << 20) + 17};
  for (int64_t chunk : chunks) {
    SCOPED_TRACE(chunk);
    Harness h;
    ASSERT_TRUE(h.loaded);
    h.fake.setChunk(chunk);
    ASSERT_TRUE(h.Connect().opened);
    QVector<TransferItem> plainUp, cipherUp, plainDown, cipherDown;
    QTemporaryDir back;
    int seed = 0;
    for (int64_t size : sizes) {
      if (chunk == 100 && size > 70000) continue;  // tiny pieces: the small sizes show the edges
      const QString name = QStringLiteral("f%1.bin").arg(size);
      ASSERT_TRUE(WriteBytes(h.local + name, Pattern(size, ++seed)));
      plainUp.append({h.local + name, "/" + name, name, 0, false, false});
      plainDown.append({"/" + name, back.filePath(name), name, size, false, false});
      if (size < 16) continue;
      cipherUp.append({h.local + name, "/" + name + ".aes", name, 0, true, false});
      cipherDown.append({"/" + name + ".aes", back.filePath(name + ".plain"), name, size, true, false});
    }
    for (const auto* items : {&plainUp, &cipherUp}) {
      const TransferOutcome up = h.Upload(*items);
      EXPECT_EQ(up.finished, items->size()) << up.error.toStdString();
      EXPECT_TRUE(up.listed);
    }
    for (const TransferItem& item : plainUp) EXPECT_EQ(ReadBytes(h.server + item.name), ReadBytes(item.source)) << item.name.toStdString();
    for (const TransferItem& item : cipherUp) {
      EXPECT_EQ(ReadBytes(h.server + item.name + ".aes"), Encrypted(ReadBytes(item.source))) << item.name.toStdString();
    }
    for (const auto* items : {&plainDown, &cipherDown}) {
      const TransferOutcome down = h.Download(*items);
      EXPECT_EQ(down.finished, items->size()) << down.error.toStdString();
    }
    for (const TransferItem& item : plainDown) EXPECT_EQ(ReadBytes(item.target), ReadBytes(h.local + item.name));
    for (const TransferItem& item : cipherDown) EXPECT_EQ(ReadBytes(item.target), ReadBytes(h.local + item.name));
  }
}

TEST(Streams, AFailedUploadKeepsTheServersFileAndLeavesNothingOfItsOwn) {
  const struct {
    const char* name;
    const char* fail;
    const char* failArgument;
    int64_t errorClass;  // 0: the fake's default
    QString target;
    bool replaces, encrypted, sourceMissing;
    qint64 size;
    QString error;
    int64_t reasonClass;  // -1: no reason expected
    bool lost;
  } cases[] = {
      {"fails half-way while replacing", "Send", "/old.bin", kFtpErrorOther, "/old.bin", true, false, false, 200000,
       kSendFailed, kFtpErrorOther, false},
      {"server refuses to rename over the old file", "ReplaceRename", "*", 0, "/old.bin", true, false, false, 200000,
       kSendFailed, kFtpErrorReplaceRefused, false},
      {"server disk full", "Send", "/old.bin", kFtpErrorDiskFull, "/old.bin", true, true, false, 200000, kSendFailed,
       kFtpErrorDiskFull, false},
      {"a new file that fails half-way is removed", "Send", "/new.bin", kFtpErrorPermission, "/new.bin", false, false,
       false, 200000, kSendFailed, kFtpErrorPermission, false},
      {"connection lost", "LoseOnSend", "/old.bin", 0, "/old.bin", true, false, false, 200000, kSendFailed,
       kFtpErrorConnectionLost, true},
      {"source gone", nullptr, nullptr, 0, "/old.bin", true, false, true, 200000, kSourceUnreadable, -1, false},
      {"encrypted below 16 bytes", nullptr, nullptr, 0, "/old.bin", true, true, false, 15, kUploadTooShort, -1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h;
    ASSERT_TRUE(h.loaded);
    ASSERT_TRUE(WriteBytes(h.server + "old.bin", "server's old content"));
    ASSERT_TRUE(WriteBytes(h.local + "up.bin", Pattern(c.size)));
    if (c.sourceMissing) {
      ASSERT_TRUE(QFile::remove(h.local + "up.bin"));
    }
    ASSERT_TRUE(h.Connect().opened);
    if (c.fail != nullptr) h.fake.Fail(c.fail, QString::fromLatin1(c.failArgument));
    if (c.errorClass != 0) h.fake.setErrorClass(c.fail, c.errorClass);
    const TransferOutcome r = h.Upload({{h.local + "up.bin", c.target, "up.bin", 0, c.encrypted, c.replaces}});
    EXPECT_EQ(r.finished, 0);
    EXPECT_EQ(r.error, c.error);
    EXPECT_FALSE(r.cancelled);
    EXPECT_EQ(r.lost, c.lost);
    EXPECT_FALSE(r.listed);
    if (c.reasonClass >= 0) {
      EXPECT_EQ(r.reason, ReasonForErrorClass(c.reasonClass, 1));
    }
    EXPECT_EQ(ReadBytes(h.server + "old.bin"), "server's old content");
    EXPECT_EQ(EntriesIn(h.server), QStringList{"old.bin"});
  }
}

TEST(Streams, DownloadsReplaceTheTargetOnlyWhenCompleteAndNeverWriteThroughALink) {
  enum class Target { Missing, File, LinkToFile, DanglingLink };
  const struct {
    const char* name;
    Target target;
  } kinds[] = {{"new file", Target::Missing},
               {"existing file keeps its mode", Target::File},
               {"link to a file elsewhere", Target::LinkToFile},
               {"dangling link", Target::DanglingLink}};
  for (bool encrypted : {false, true}) {
    for (const auto& k : kinds) {
      SCOPED_TRACE(std::string(k.name) + (encrypted ? ", encrypted" : ", plain"));
      Harness h;
      ASSERT_TRUE(h.loaded);
      QTemporaryDir elsewhere;
      const QString pointed = elsewhere.filePath("pointed.txt");
      const QByteArray plain = Pattern(70000, 4);
      ASSERT_TRUE(WriteBytes(h.server + "f.bin", encrypted ? Encrypted(plain) : plain));
      const QString target = h.local + "f.txt";
      switch (k.target) {
        case Target::Missing: break;
        case Target::File:
          ASSERT_TRUE(WriteBytes(target, "old"));
          ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0640), 0);
          break;
        case Target::LinkToFile:
          ASSERT_TRUE(WriteBytes(pointed, "not to be touched"));
          ASSERT_TRUE(QFile::link(pointed, target));
          break;
        case Target::DanglingLink: ASSERT_TRUE(QFile::link(pointed, target)); break;
      }
      ASSERT_TRUE(h.Connect().opened);
      const TransferOutcome r = h.Download({{"/f.bin", target, "f.bin", plain.size(), encrypted, false}});
      EXPECT_EQ(r.finished, 1) << r.error.toStdString();
      EXPECT_FALSE(QFileInfo(target).isSymLink());
      EXPECT_EQ(ReadBytes(target), plain);
      EXPECT_EQ(ModeOf(target), k.target == Target::File ? 0640u : NewFileMode());
      if (k.target == Target::LinkToFile) {
        EXPECT_EQ(ReadBytes(pointed), "not to be touched");
      }
      if (k.target == Target::DanglingLink) {
        EXPECT_FALSE(QFile::exists(pointed));
      }
      EXPECT_EQ(EntriesIn(h.local), QStringList{"f.txt"});
    }
  }
}

TEST(Streams, ThePartialFileIsOwnerOnlyWhileTheDownloadRuns) {
  Harness h;
  ASSERT_TRUE(h.loaded);
  ASSERT_TRUE(WriteBytes(h.server + "f.bin", Pattern(200000)));
  ASSERT_TRUE(h.Connect().opened);
  h.fake.hold("Receive");
  int64_t id = 0;
  const QVector<TransferItem> items{{"/f.bin", h.local + "f.bin", "f.bin", 200000, false, false}};
  auto outcome = h.Start<TransferOutcome>(
      [items](const JobContext& ctx) { return RunDownloads(ctx, items, Harness::Settings(), {}); }, &id);
  ASSERT_EQ(h.fake.waitHeld(5000), 1);
  const QStringList during = EntriesIn(h.local);
  ASSERT_EQ(during.size(), 1);
  EXPECT_TRUE(during[0].startsWith(QStringLiteral(".f.bin.tarnholm-part-"))) << during[0].toStdString();
  EXPECT_EQ(ModeOf(h.local + during[0]), 0600u);
  h.fake.release();
  EXPECT_EQ(outcome.get().finished, 1);
  EXPECT_EQ(EntriesIn(h.local), QStringList{"f.bin"});
}

TEST(Streams, AFailedDownloadLeavesTheTargetAsItWas) {
  const struct {
    const char* name;
    QByteArray onServer;
    qint64 listed;
    bool encrypted;
    const char* fail;
    QString folder;  // empty: the harness's local folder
    QString error;
  } cases[] = {
      {"receive fails half-way", Pattern(200000), 200000, false, "/f.bin", {}, kReceiveFailed},
      {"encrypted and listed below 16 bytes", Encrypted(Pattern(64)), 15, true, nullptr, {}, kDownloadTooShort},
      {"encrypted but shorter than a block", QByteArray(10, 'x'), 64, true, nullptr, {}, kDecryptFailed},
      {"plain into a folder that takes no file", Pattern(100), 100, false, nullptr, "/proc/self/", kCopyFailed},
      {"encrypted into a folder that takes no file", Encrypted(Pattern(64)), 64, true, nullptr, "/proc/self/",
       kTargetUnwritable},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h;
    ASSERT_TRUE(h.loaded);
    ASSERT_TRUE(WriteBytes(h.server + "f.bin", c.onServer));
    ASSERT_TRUE(WriteBytes(h.local + "f", "old content"));
    ASSERT_TRUE(h.Connect().opened);
    if (c.fail != nullptr) h.fake.Fail("Receive", QString::fromLatin1(c.fail));
    const QString folder = c.folder.isEmpty() ? h.local : c.folder;
    const TransferOutcome r = h.Download({{"/f.bin", folder + "f", "f.bin", c.listed, c.encrypted, false}});
    EXPECT_EQ(r.finished, 0);
    EXPECT_EQ(r.error, c.error);
    EXPECT_EQ(ReadBytes(h.local + "f"), "old content");
    EXPECT_EQ(EntriesIn(h.local), QStringList{"f"});
  }
}

TEST(ClassicBackend, WithoutStreamsTheFileFunctionsCarryTheFiles) {
  Harness h("fake-ftp-classic");
  ASSERT_TRUE(h.loaded);
  ASSERT_FALSE(h.ftp.Streams());
  QTemporaryDir staging;
  TransferSettings settings = Harness::Settings();
  settings.stagingFolder = staging.path() + QLatin1Char('/');
  const QByteArray plain = Pattern(5000, 2);
  ASSERT_TRUE(WriteBytes(h.local + "a.txt", plain));
  ASSERT_TRUE(h.Connect().opened);

  const QVector<TransferItem> up{{h.local + "a.txt", "/a.txt", "a.txt", 0, false, false},
                                 {h.local + "a.txt", "/a.txt.aes", "a.txt", 0, true, false}};
  const TransferOutcome sent =
      h.Run<TransferOutcome>([&](const JobContext& ctx) { return RunUploads(ctx, up, settings, {}); });
  EXPECT_EQ(sent.finished, 2) << sent.error.toStdString();
  EXPECT_TRUE(h.fake.Log().contains(QStringLiteral("Send ") + h.local + QStringLiteral("a.txt /a.txt")))
      << "a plain file is sent from where it lies";
  EXPECT_EQ(ReadBytes(h.server + "a.txt"), plain);
  EXPECT_EQ(ReadBytes(h.server + "a.txt.aes"), Encrypted(plain));

  QTemporaryDir back;
  const QVector<TransferItem> down{{"/a.txt.aes", back.filePath("a.txt"), "a.txt.aes", plain.size(), true, false},
                                   {"/a.txt", back.filePath("b.txt"), "a.txt", plain.size(), false, false}};
  const TransferOutcome received =
      h.Run<TransferOutcome>([&](const JobContext& ctx) { return RunDownloads(ctx, down, settings, {}); });
  EXPECT_EQ(received.finished, 2) << received.error.toStdString();
  EXPECT_EQ(ReadBytes(back.filePath("a.txt")), plain);
  EXPECT_EQ(ReadBytes(back.filePath("b.txt")), plain);
  EXPECT_EQ(EntriesIn(back.path()), (QStringList{"a.txt", "b.txt"}));
  EXPECT_TRUE(EntriesIn(staging.path()).isEmpty()) << "the encrypted copies are gone";

  // Over an existing file the upload goes to a name of ours first and
  // replaces the file only once complete; a failure leaves it as it was.
  const QVector<TransferItem> over{{h.local + "a.txt", "/a.txt", "a.txt", 0, false, true}};
  ASSERT_TRUE(WriteBytes(h.local + "a.txt", "new content"));
  h.fake.Fail("Send", QStringLiteral("*"));
  const TransferOutcome failed =
      h.Run<TransferOutcome>([&](const JobContext& ctx) { return RunUploads(ctx, over, settings, {}); });
  EXPECT_EQ(failed.error, kSendFailed);
  EXPECT_EQ(ReadBytes(h.server + "a.txt"), plain);
  EXPECT_EQ(EntriesIn(h.server), (QStringList{"a.txt", "a.txt.aes"}));
  h.fake.Fail("Send", QStringLiteral("-"));
  const TransferOutcome replaced =
      h.Run<TransferOutcome>([&](const JobContext& ctx) { return RunUploads(ctx, over, settings, {}); });
  EXPECT_EQ(replaced.finished, 1) << replaced.error.toStdString();
  EXPECT_EQ(ReadBytes(h.server + "a.txt"), "new content");
  EXPECT_EQ(EntriesIn(h.server), (QStringList{"a.txt", "a.txt.aes"}));
  EXPECT_EQ(h.fake.Log().filter(QStringLiteral("Rename /.tarnholm-up-")).size(), 1);
}

TEST(StaleFiles, OnlyOurOwnNotedFilesAreRemovedAtTheNextStart) {
  QTemporaryDir dir;
  const QString journal = dir.filePath(QString::fromLatin1(kTransferJournalName));
  SetTransferJournal(journal);
  int error = 0;
  QString leftPartial, leftStaging;
  {
    // A run that ends abruptly leaves both behind.
    PartialFile partial, staging;
    ASSERT_TRUE(CreatePartialFile(dir.filePath("target.txt"), partial, error));
    ASSERT_TRUE(CreateStagingFile(dir.path() + QLatin1Char('/'), staging, error));
    leftPartial = partial.path;
    leftStaging = staging.path;
    ::close(partial.fd);
    ::close(staging.fd);
    partial = PartialFile{};
    staging = PartialFile{};
  }
  SetTransferJournal(QString());
  ASSERT_TRUE(QFile::exists(leftPartial));
  ASSERT_TRUE(QFile::exists(leftStaging));
  // Lines naming anything else stay untouched, whatever they say.
  ASSERT_TRUE(WriteBytes(dir.filePath("keep.txt"), "mine"));
  QFile add(journal);
  ASSERT_TRUE(add.open(QIODevice::Append));
  add.write((dir.filePath("keep.txt") + "\n" + dir.filePath(".x.tarnholm-part-gone") + "\n").toUtf8());
  add.close();

  EXPECT_EQ(RemoveStaleTransferFiles(journal), 2);
  EXPECT_FALSE(QFile::exists(leftPartial));
  EXPECT_FALSE(QFile::exists(leftStaging));
  EXPECT_EQ(ReadBytes(dir.filePath("keep.txt")), "mine");
  EXPECT_FALSE(QFile::exists(journal));
  EXPECT_EQ(RemoveStaleTransferFiles(journal), 0);
}

}  // namespace
