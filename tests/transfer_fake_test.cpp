// Uploads and downloads through the program's commands against the scripted
// stand-in backend, which moves files to and from a directory that stands
// for the server: the order of files, questions, messages and status lines,
// with the engine's worker doing the moving.

#include <sys/stat.h>

#include <QDirIterator>
#include <QLibrary>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeWidgetItem>

#include "ftp/Connection.h"
#include "ftp/Download.h"
#include "ftp/ErrorReasons.h"
#include "ftp/FtpFunctions.h"
#include "ftp/FtpLibrary.h"
#include "ftp/FtpSession.h"
#include "ftp/ServerList.h"
#include "ftp/ResumeRecords.h"
#include "ftp/TransferCommand.h"
#include "ftp/Upload.h"
#include "tests/fake_ftp/FakeControls.h"
#include "tests/transfer_test_support.h"

namespace {

// The fake's transfer log, read the way these tests need it.
struct TransferLog : FakeControls {
  void Add(const QString& name, int64_t size, int64_t type = 1) { FakeControls::Add(name, size, 0, type); }
  // The Send and Receive lines of the log.
  QStringList Transfers() const {
    QStringList lines;
    for (const QString& line : Log()) {
      if (line.startsWith(QStringLiteral("Send ")) || line.startsWith(QStringLiteral("Receive "))) lines << line;
    }
    return lines;
  }
  // "Send /a.txt" for a log line "Send <local> /a.txt"; "Receive /a.txt" likewise.
  QStringList ServerSides() const {
    QStringList sides;
    for (const QString& line : Transfers()) {
      const QStringList parts = line.split(QLatin1Char(' '));
      sides << parts[0] + QLatin1Char(' ') + (parts[0] == QStringLiteral("Send") ? parts[2] : parts[1]);
    }
    return sides;
  }
};

class Transfers : public ::testing::Test {
 protected:
  TransferLog fake;
  BoxScript script;
  TransferWindow window;
  AppState& state = window.state;
  QTemporaryDir localDir, serverDir, workDir;
  QString local, server;
  QString previousDirectory = QDir::currentPath();

  void SetUp() override {
    ASSERT_NE(fake.setServerRoot, nullptr) << fake.library.errorString().toStdString();
    fake.reset();
    local = localDir.path() + QLatin1Char('/');
    server = serverDir.path();
    fake.setServerRoot(Utf16(server));
    // The temporary file goes to the working directory (AppPathForTemp on).
    QDir::setCurrent(workDir.path());
    ASSERT_TRUE(LoadFtpLibrary(state, QStringLiteral("fake-ftp")));
    state.keyMaterial = TestKey();
    SortLocalListByColumn(state, 0);  // files by name, so row order is known
  }
  void TearDown() override {
    QDir::setCurrent(previousDirectory);
    UnloadFtpLibrary(state);
  }

  void Connect() {
    state.main.connectButton->setChecked(true);
    ConnectToggle(state);
    window.Settle();
    ASSERT_EQ(state.connection, 1);
  }
  void Disconnect() {
    state.lastConnectClickMs -= 1000;
    state.main.connectButton->setChecked(false);
    ConnectToggle(state);
    window.Settle();
  }
  void Upload() {
    UploadSelected(state);
    window.Settle();
  }
  void Download() {
    DownloadSelected(state);
    window.Settle();
  }
  // Local files with distinct contents; the list shows them.
  void MakeLocal(const QStringList& names, qint64 size = 100) {
    int seed = 0;
    for (const QString& name : names) ASSERT_TRUE(WriteBytes(local + name, Pattern(size, ++seed)));
    window.ShowLocal(local);
  }
  QByteArray OnServer(const QString& name) const { return ReadBytes(server + QLatin1Char('/') + name); }
  bool ServerHas(const QString& name) const { return QFile::exists(server + QLatin1Char('/') + name); }
};

// --- Upload ---------------------------------------------------------------

TEST_F(Transfers, UploadSendsTheSelectedFilesInRowOrderAndRefreshesTheList) {
  MakeLocal({"a.txt", "b.txt", "c.txt"});
  Connect();
  fake.Add(QStringLiteral("later.txt"), 5);  // only a refresh after the run shows it
  window.SelectLocal({"..", "c.txt", "a.txt", "b.txt"});
  const QStringList order = window.SelectedLocalNames();
  ASSERT_EQ(order.size(), 3);
  fake.setChunk(50);  // two pieces per file: the bar shows half-way
  QSignalSpy bar(state.main.progressBar, &QProgressBar::valueChanged);

  Upload();

  EXPECT_TRUE(script.boxes.empty()) << script.Texts().join('\n').toStdString();
  QStringList sent, status;
  for (const QString& name : order) {
    sent << QStringLiteral("Send /") + name;
    status << QStringLiteral("Upload ''") + name + QStringLiteral("''");
    EXPECT_EQ(OnServer(name), ReadBytes(local + name)) << name.toStdString();
  }
  EXPECT_EQ(fake.ServerSides(), sent);
  EXPECT_EQ(window.StatusTexts().mid(1), status);  // after "Verbunden"
  EXPECT_TRUE(window.ServerNames().contains(QStringLiteral("later.txt")));
  EXPECT_EQ(state.main.progressBar->value(), 0);
  QList<int> values;
  for (const QList<QVariant>& change : bar) values << change[0].toInt();
  EXPECT_TRUE(values.contains(1000)) << "the whole run done";
  EXPECT_TRUE(TempFilesIn(workDir.path()).isEmpty());
}

TEST_F(Transfers, EncryptedUploadStoresTheCipherTextUnderNamePlusAes) {
  MakeLocal({"report.pdf"}, 1000);
  state.useCipher = 1;
  Connect();
  window.SelectLocal({"report.pdf"});
  Upload();
  EXPECT_TRUE(script.boxes.empty());
  EXPECT_EQ(fake.ServerSides(), QStringList{"Send /report.pdf.aes"});
  EXPECT_EQ(OnServer("report.pdf.aes"), Encrypted(ReadBytes(local + "report.pdf"), state.keyMaterial));
  EXPECT_EQ(window.StatusTexts().last(), QStringLiteral("Upload ''report.pdf''"));
  EXPECT_FALSE(ServerHas("report.pdf"));
}

// A backend with only the file functions needs an encrypted copy of each
// file: in the system's temporary folder when AppPathForTemp is off, under a
// fresh name of ours, gone afterwards; a folder that takes no file ends the run.
TEST_F(Transfers, WithoutStreamsAnEncryptedCopyIsStagedWhereAppPathForTempSays) {
  UnloadFtpLibrary(state);
  FakeControls classic("fake-ftp-classic");
  ASSERT_NE(classic.reset, nullptr);
  classic.reset();
  classic.setServerRoot(Utf16(server));
  ASSERT_TRUE(LoadFtpLibrary(state, QStringLiteral("fake-ftp-classic")));
  MakeLocal({"a.txt"});
  state.useCipher = 1;
  state.appPathForTemp = 0;
  Connect();
  window.SelectLocal({"a.txt"});
  Upload();
  EXPECT_TRUE(script.boxes.empty()) << script.Texts().join('\n').toStdString();
  const QStringList sends = classic.Log().filter(QStringLiteral("Send "));
  ASSERT_EQ(sends.size(), 1);
  const QString staged = sends[0].split(QLatin1Char(' '))[1];
  const QString systemTemp = QFileInfo(QDir::tempPath()).canonicalFilePath() + QLatin1Char('/');
  EXPECT_TRUE(staged.startsWith(systemTemp + QStringLiteral("tarnholm-temp-"))) << staged.toStdString();
  EXPECT_FALSE(QFile::exists(staged));
  EXPECT_EQ(OnServer("a.txt.aes"), Encrypted(ReadBytes(local + "a.txt"), state.keyMaterial));

  state.appPathForTemp = 1;
  QDir::setCurrent(QStringLiteral("/proc/self"));
  window.SelectLocal({"a.txt"});
  state.overwrite = 1;
  Upload();
  QDir::setCurrent(workDir.path());
  ASSERT_EQ(script.boxes.size(), 1u);
  EXPECT_TRUE(script.Texts()[0].startsWith(ErrorText("Die temporäre Datei konnte nicht erstellt werden.")));
  EXPECT_EQ(classic.Log().filter(QStringLiteral("Send ")).size(), 1);
}

struct OverwriteCase {
  const char* name;
  QStringList onServer;  // names the server list shows (a trailing "/" marks a directory)
  QStringList selected;
  int useCipher;
  int overwrite;
  std::vector<BoxAnswer> answers;
  QStringList questions;  // names asked about, in order
  QStringList sent;       // server paths sent
};

TEST_F(Transfers, UploadAsksBeforeReplacingAndNoEndsTheWholeCommand) {
  const OverwriteCase cases[] = {
      {"no equal names: no question", {"x.txt"}, {"a.txt"}, 0, 0, {}, {}, {"Send /a.txt"}},
      {"each equal name asked, Yes sends all",
       {"a.txt", "c.txt"}, {"a.txt", "b.txt", "c.txt"}, 0, 0, {}, {"a.txt", "c.txt"},
       {"Send /a.txt", "Send /b.txt", "Send /c.txt"}},
      {"No to the second of three questions sends nothing",
       {"a.txt", "b.txt", "c.txt"}, {"a.txt", "b.txt", "c.txt"}, 0, 0, {BoxAnswer::Yes, BoxAnswer::No},
       {"a.txt", "b.txt"}, {}},
      {"a directory of that name is asked about too", {"a.txt/"}, {"a.txt"}, 0, 0, {}, {"a.txt"}, {"Send /a.txt"}},
      {"Overwrite on: no question", {"a.txt"}, {"a.txt"}, 0, 1, {}, {}, {"Send /a.txt"}},
      {"encrypted: the .aes name on the server is asked about",
       {"report.pdf.aes"}, {"report.pdf"}, 1, 0, {BoxAnswer::No}, {"report.pdf.aes"}, {}},
      {"encrypted: the plain name on the server is not", {"report.pdf"}, {"report.pdf"}, 1, 0, {}, {},
       {"Send /report.pdf.aes"}},
  };
  MakeLocal({"a.txt", "b.txt", "c.txt", "report.pdf"});
  for (const OverwriteCase& c : cases) {
    SCOPED_TRACE(c.name);
    fake.reset();
    fake.setServerRoot(Utf16(server));
    for (const QString& entry : c.onServer) {
      fake.Add(entry.endsWith('/') ? entry.chopped(1) : entry, 1, entry.endsWith('/') ? 2 : 1);
    }
    state.useCipher = c.useCipher;
    state.overwrite = c.overwrite;
    state.lastConnectClickMs -= 1000;
    Connect();
    window.SelectLocal(c.selected);
    script.boxes.clear();
    script.answers.assign(c.answers.begin(), c.answers.end());
    Upload();
    QStringList expected;
    for (const QString& name : c.questions) expected << OverwriteText(name);
    EXPECT_EQ(script.Texts(), expected);
    QStringList sent = fake.ServerSides();
    sent.sort();
    EXPECT_EQ(sent, c.sent);
    Disconnect();
  }
}

struct UploadFailure {
  const char* name;
  qint64 size;
  int useCipher;
  bool removeSource;
  const char* workingDirectory;  // null: the test's own
  QString message;
};

TEST_F(Transfers, UploadFailuresEndTheRunWithTheirMessage) {
  const UploadFailure cases[] = {
      {"encrypted 15 bytes", 15, 1, false, nullptr,
       "Die Mindestgröße bei der Verschlüsselung einer Quelldatei beträgt 16 Byte."},
      {"encrypted, source gone", 100, 1, true, nullptr,
       "Die Mindestgröße bei der Verschlüsselung einer Quelldatei beträgt 16 Byte."},
      {"plain, source gone", 100, 0, true, nullptr,
       "Die Quelldatei konnte nicht geöffnet werden.\nDie Datei oder das Verzeichnis gibt es auf diesem PC nicht."},
  };
  for (const UploadFailure& c : cases) {
    SCOPED_TRACE(c.name);
    fake.reset();
    fake.setServerRoot(Utf16(server));
    ASSERT_TRUE(WriteBytes(local + "f.bin", Pattern(c.size)));
    window.ShowLocal(local);
    state.useCipher = c.useCipher;
    state.lastConnectClickMs -= 1000;
    Connect();
    window.SelectLocal({"f.bin"});
    if (c.removeSource) {
      ASSERT_TRUE(QFile::remove(local + "f.bin"));
    }
    if (c.workingDirectory != nullptr) QDir::setCurrent(QString::fromUtf8(c.workingDirectory));
    script.boxes.clear();
    Upload();
    QDir::setCurrent(workDir.path());
    EXPECT_EQ(script.Texts(), QStringList{ErrorText(c.message)});
    EXPECT_TRUE(fake.Transfers().isEmpty());
    EXPECT_TRUE(TempFilesIn(workDir.path()).isEmpty());
    Disconnect();
  }
}

TEST_F(Transfers, AFailedSendStopsTheRunLeavesTheRestUnsentAndTheListAsItWas) {
  MakeLocal({"a.txt", "b.txt", "c.txt"});
  Connect();
  fake.Add(QStringLiteral("later.txt"), 5);
  window.SelectLocal({"a.txt", "b.txt", "c.txt"});
  const QStringList order = window.SelectedLocalNames();
  fake.Fail("Send", QStringLiteral("/") + order[1]);

  Upload();

  EXPECT_EQ(script.Texts(), QStringList{ErrorText("Die Datei konnte nicht hochgeladen werden.")});
  EXPECT_EQ(fake.ServerSides(), (QStringList{"Send /" + order[0], "Send /" + order[1]}));
  EXPECT_TRUE(ServerHas(order[0]));
  EXPECT_FALSE(ServerHas(order[2]));
  EXPECT_FALSE(window.ServerNames().contains(QStringLiteral("later.txt")));  // not refreshed
  // Each file is named as it starts; the one that failed too.
  EXPECT_EQ(window.StatusTexts().mid(1), (QStringList{"Upload ''" + order[0] + "''", "Upload ''" + order[1] + "''"}));
  EXPECT_EQ(state.main.progressBar->value(), 0);
  EXPECT_TRUE(TempFilesIn(workDir.path()).isEmpty());  // also after the failure

  // A later command starts from its own list: nothing of the failed run is sent.
  window.SelectLocal({order[0]});
  script.boxes.clear();
  state.overwrite = 1;
  Upload();
  EXPECT_EQ(fake.ServerSides().mid(2), QStringList{"Send /" + order[0]});
}

TEST_F(Transfers, ALostConnectionEndsTheRunAndANewConnectWorks) {
  MakeLocal({"a.txt", "b.txt"});
  Connect();
  window.SelectLocal({"a.txt", "b.txt"});
  const QStringList order = window.SelectedLocalNames();
  fake.Fail("LoseOnSend", QStringLiteral("/") + order[0]);
  Upload();
  EXPECT_EQ(script.Texts(), QStringList{ErrorText("Die Datei konnte nicht hochgeladen werden.\n"
                                                  "Die Verbindung zum Server ist abgebrochen.")});
  EXPECT_EQ(fake.ServerSides(), QStringList{"Send /" + order[0]});
  // The connection is gone: the window says so and offers to connect again.
  EXPECT_EQ(window.StatusTexts().last(), QStringLiteral("Die Verbindung zum Server ist verloren gegangen."));
  EXPECT_EQ(state.connection, 0);
  EXPECT_FALSE(state.main.connectButton->isChecked());
  EXPECT_EQ(state.main.connectButton->text(), QStringLiteral("verbinden"));

  fake.Fail("LoseOnSend", QStringLiteral("-"));
  Disconnect();
  state.lastConnectClickMs -= 1000;
  Connect();
  window.SelectLocal({"a.txt", "b.txt"});
  script.boxes.clear();
  Upload();
  EXPECT_TRUE(script.boxes.empty());
  EXPECT_EQ(OnServer(order[1]), ReadBytes(local + order[1]));
}

TEST_F(Transfers, NothingHappensWithoutAConnectionOrWithNothingSelected) {
  MakeLocal({"a.txt"});
  window.SelectLocal({"a.txt"});
  Upload();
  Download();
  EXPECT_TRUE(fake.Transfers().isEmpty());
  Connect();
  fake.Add(QStringLiteral("later.txt"), 5);
  window.SelectLocal({".."});
  Upload();
  EXPECT_TRUE(fake.Transfers().isEmpty());
  EXPECT_TRUE(window.ServerNames().contains(QStringLiteral("later.txt")));  // the empty run refreshes
  EXPECT_TRUE(script.boxes.empty());
}

// --- Download -------------------------------------------------------------

class Downloads : public Transfers {
 protected:
  // Server files with contents; the list shows them after connecting.
  void MakeServer(const std::vector<std::pair<QString, QByteArray>>& files) {
    for (const auto& [name, bytes] : files) {
      ASSERT_TRUE(WriteBytes(server + QLatin1Char('/') + name, bytes));
      fake.Add(name, bytes.size());
    }
  }
};

TEST_F(Downloads, ReceivesTheSelectedFilesInRowOrderAndDecryptsAesFiles) {
  const QByteArray plain = Pattern(5000, 1), secret = Pattern(1000, 2);
  state.useCipher = 1;
  MakeServer({{"z.txt", plain}, {"data.aes", Encrypted(secret, TestKey())}, {"a.bin", Pattern(1, 3)}});
  window.ShowLocal(local);
  Connect();
  fake.Add(QStringLiteral("later.txt"), 5);
  window.SelectServer({"..", "z.txt", "data.aes", "a.bin"});
  QSignalSpy bar(state.main.progressBar, &QProgressBar::valueChanged);

  Download();

  EXPECT_TRUE(script.boxes.empty()) << script.Texts().join('\n').toStdString();
  EXPECT_EQ(fake.ServerSides(), (QStringList{"Receive /z.txt", "Receive /data.aes", "Receive /a.bin"}));
  EXPECT_EQ(ReadBytes(local + "z.txt"), plain);
  EXPECT_EQ(ReadBytes(local + "data"), secret);
  EXPECT_EQ(ReadBytes(local + "a.bin"), Pattern(1, 3));
  EXPECT_FALSE(QFile::exists(local + "data.aes"));
  EXPECT_EQ(window.StatusTexts().mid(1),
            (QStringList{"Download ''z.txt''", "Download ''data.aes''", "Download ''a.bin''"}));
  EXPECT_FALSE(window.ServerNames().contains(QStringLiteral("later.txt")));  // no refresh after downloads
  EXPECT_EQ(state.main.progressBar->value(), 0);
  EXPECT_GE(bar.count(), 1);
  EXPECT_TRUE(TempFilesIn(workDir.path()).isEmpty());
}

TEST_F(Downloads, AnEncryptedFileWhileEncryptionIsOffStopsTheCommandBeforeAnything) {
  MakeServer({{"a.txt", Pattern(20)}, {"data.aes", Pattern(20)}});
  window.ShowLocal(local);
  Connect();
  window.SelectServer({"a.txt", "data.aes"});
  Download();
  EXPECT_EQ(script.Texts(), QStringList{ErrorText("Um verschlüsselte Dateien (.aes) herunterzuladen muß die\n"
                                                  "AES-256-Verschlüsselung eingeschaltet sein.")});
  EXPECT_TRUE(fake.Transfers().isEmpty());
  EXPECT_FALSE(QFile::exists(local + "a.txt"));
}

TEST_F(Downloads, AsksBeforeReplacingALocalFileNamedWithoutAes) {
  struct Case {
    const char* name;
    QStringList localFiles, localDirectories;
    int overwrite;
    std::vector<BoxAnswer> answers;
    QStringList questions;
    QStringList received;
  } cases[] = {
      {"data.aes to an existing data", {"data"}, {}, 0, {}, {"data"}, {"Receive /x.txt", "Receive /data.aes"}},
      {"an existing data.aes is no reason to ask", {"data.aes"}, {}, 0, {}, {},
       {"Receive /x.txt", "Receive /data.aes"}},
      {"No ends the whole command", {"data", "x.txt"}, {}, 0, {BoxAnswer::Yes, BoxAnswer::No},
       {"x.txt", "data"}, {}},
      {"Overwrite on replaces without asking", {"data", "x.txt"}, {}, 1, {}, {}, {"Receive /x.txt", "Receive /data.aes"}},
      {"a local directory of that name is no reason to ask", {}, {"x.txt"}, 0, {}, {}, {"Receive /x.txt"}},
  };
  state.useCipher = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir target;
    const QString folder = target.path() + QLatin1Char('/');
    for (const QString& name : c.localFiles) ASSERT_TRUE(WriteBytes(folder + name, "old"));
    for (const QString& name : c.localDirectories) ASSERT_TRUE(QDir(folder).mkdir(name));
    fake.reset();
    fake.setServerRoot(Utf16(server));
    MakeServer({{"x.txt", Pattern(30)}, {"data.aes", Encrypted(Pattern(40), TestKey())}});
    window.ShowLocal(folder);
    state.overwrite = c.overwrite;
    state.lastConnectClickMs -= 1000;
    Connect();
    window.SelectServer({"x.txt", "data.aes"});
    script.boxes.clear();
    script.answers.assign(c.answers.begin(), c.answers.end());
    Download();
    QStringList expected;
    for (const QString& name : c.questions) expected << OverwriteText(name);
    if (!c.localDirectories.isEmpty()) {
      expected << ErrorText("Die temporäre Datei konnte nicht kopiert werden.\nDort liegt ein Verzeichnis dieses Namens.");
    }
    EXPECT_EQ(script.Texts(), expected);
    EXPECT_EQ(fake.ServerSides(), c.received);
    if (c.received.isEmpty()) {
      for (const QString& name : c.localFiles) EXPECT_EQ(ReadBytes(folder + name), "old");
    }
    Disconnect();
  }
}

struct DownloadFailure {
  const char* name;
  QByteArray onServer;  // content of data.aes on the server
  qint64 listedSize;
  const char* failReceive;
  const char* localFolder;  // null: the test's local directory
  QString message;
  bool received;
};

TEST_F(Downloads, FailuresEndTheRunAndLeaveAnExistingTargetIntact) {
  const QByteArray good = Encrypted(Pattern(64), TestKey());
  const DownloadFailure cases[] = {
      {"listed below 16 bytes", good, 15, nullptr, nullptr,
       "Die Mindestgröße bei der Entschlüsselung einer Quelldatei beträgt 16 Byte.", false},
      {"receive fails", good, 64, "/data.aes", nullptr, "Die Datei konnte nicht heruntergeladen werden.", true},
      {"received file shorter than a block", QByteArray(10, 'x'), 64, nullptr, nullptr,
       "Die temporäre Datei konnte nicht entschlüsselt werden.", true},
      {"decrypted target cannot be written", good, 64, nullptr, "/proc/self/",
       "Die Zieldatei konnte nicht geschrieben werden.", false},
  };
  state.useCipher = 1;
  for (const DownloadFailure& c : cases) {
    SCOPED_TRACE(c.name);
    fake.reset();
    fake.setServerRoot(Utf16(server));
    ASSERT_TRUE(WriteBytes(server + "/data.aes", c.onServer));
    ASSERT_TRUE(WriteBytes(server + "/after.txt", "after"));
    fake.Add(QStringLiteral("data.aes"), c.listedSize);
    fake.Add(QStringLiteral("after.txt"), 5);
    if (c.failReceive != nullptr) fake.Fail("Receive", QString::fromUtf8(c.failReceive));
    ASSERT_TRUE(WriteBytes(local + "data", "old content"));
    window.ShowLocal(local);
    state.lastConnectClickMs -= 1000;
    state.overwrite = 1;
    Connect();
    if (c.localFolder != nullptr) state.localFolder = QString::fromUtf8(c.localFolder);
    window.SelectServer({"data.aes", "after.txt"});
    script.boxes.clear();
    Download();
    ASSERT_EQ(script.boxes.size(), 1u);
    EXPECT_TRUE(script.Texts()[0].startsWith(ErrorText(c.message))) << script.Texts()[0].toStdString();
    EXPECT_EQ(fake.ServerSides(), c.received ? QStringList{"Receive /data.aes"} : QStringList{});
    EXPECT_EQ(ReadBytes(local + "data"), "old content");
    EXPECT_FALSE(QFile::exists(local + "after.txt"));
    EXPECT_EQ(QDir(local).entryList(QDir::Files), (QStringList{"data"}));  // nothing half-written beside it
    EXPECT_TRUE(TempFilesIn(workDir.path()).isEmpty());
    EXPECT_EQ(state.main.progressBar->value(), 0);
    Disconnect();
  }
}

TEST_F(Downloads, APlainReplacementKeepsTheTargetsPermissions) {
  MakeServer({{"x.txt", Pattern(30)}});
  ASSERT_TRUE(WriteBytes(local + "x.txt", "old"));
  const auto permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                           QFileDevice::WriteUser | QFileDevice::ReadGroup;
  ASSERT_TRUE(QFile::setPermissions(local + "x.txt", permissions));
  window.ShowLocal(local);
  state.overwrite = 1;
  Connect();
  window.SelectServer({"x.txt"});
  Download();
  EXPECT_TRUE(script.boxes.empty());
  EXPECT_EQ(ReadBytes(local + "x.txt"), Pattern(30));
  EXPECT_EQ(QFile::permissions(local + "x.txt"), permissions);
}

TEST_F(Downloads, NothingIsReceivedWhileTheVolumesAreShown) {
  MakeServer({{"x.txt", Pattern(30)}});
  window.ShowLocal(QString());
  ASSERT_TRUE(state.localFolder.isEmpty());
  Connect();
  window.SelectServer({"x.txt"});
  Download();
  EXPECT_TRUE(fake.Transfers().isEmpty());
  EXPECT_TRUE(TempFilesIn(workDir.path()).isEmpty());
  EXPECT_TRUE(window.StatusTexts().last().startsWith(QStringLiteral("Bitte links zuerst ein Verzeichnis öffnen")));
}

// --- Folders and the answers for all ----------------------------------------

// Every file and folder below dir: "path/" for a folder, "path=<bytes>" for a file.
QStringList TreeOf(const QString& dir) {
  QStringList tree;
  QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    const QString relative = QDir(dir).relativeFilePath(path);
    tree << (it.fileInfo().isDir() ? relative + QLatin1Char('/') : relative + "=" + ReadBytes(path).toHex().left(16));
  }
  tree.sort();
  return tree;
}

class Folders : public Downloads {
 protected:
  void SetUp() override {
    Downloads::SetUp();
    ASSERT_NE(fake.listFromRoot, nullptr);
    fake.listFromRoot(1);
  }
  void Refresh() {
    RefreshServerList(state);
    window.Settle();
  }
  // Fotos/a.txt, Fotos/2024/b.bin, an empty Fotos/2024/leer, and links: one
  // to a file inside (goes up as that file), one out of the folder and one to
  // a folder (both left out, as is a named pipe).
  void MakeLocalTree() {
    const QString root = local + "Fotos/";
    ASSERT_TRUE(QDir().mkpath(root + "2024/leer"));
    ASSERT_TRUE(WriteBytes(root + "a.txt", Pattern(100, 1)));
    ASSERT_TRUE(WriteBytes(root + "2024/b.bin", Pattern(5000, 2)));
    ASSERT_TRUE(WriteBytes(local + "secret.txt", Pattern(50, 3)));
    ASSERT_TRUE(QFile::link(root + "a.txt", root + "inside"));
    ASSERT_TRUE(QFile::link(local + "secret.txt", root + "outside"));
    ASSERT_TRUE(QFile::link(root + "2024", root + "dirlink"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(root + "pipe").constData(), 0600), 0);  // would block a reader
    window.ShowLocal(local);
  }
};

TEST_F(Folders, AFolderGoesUpAndComesBackWholePlainAndEncrypted) {
  MakeLocalTree();
  Connect();
  for (const int cipher : {0, 1}) {
    SCOPED_TRACE(cipher ? "encrypted" : "plain");
    const QString aes = cipher ? ".aes" : "";
    state.useCipher = cipher;
    QDir(server).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(server));
    Refresh();
    window.ShowLocal(local);
    window.SelectLocal({"Fotos"});
    script.boxes.clear();
    Upload();
    EXPECT_TRUE(script.boxes.empty()) << script.Texts().join('\n').toStdString();
    // Folder names stay; every file is encrypted on its own under name + ".aes".
    const QString on = server + "/Fotos/";
    EXPECT_EQ(TreeOf(on).size(), 5) << TreeOf(on).join(' ').toStdString();
    EXPECT_TRUE(QFileInfo(on + "2024/leer").isDir());
    for (const char* name : {"a.txt", "inside", "2024/b.bin"}) {
      const QByteArray plain = ReadBytes(local + "Fotos/" + name);
      EXPECT_EQ(ReadBytes(on + name + aes), cipher ? Encrypted(plain, TestKey()) : plain) << name;
    }
    EXPECT_FALSE(QFile::exists(on + "outside" + aes));
    EXPECT_FALSE(QFile::exists(on + "dirlink"));
    const QStringList lines = window.StatusTexts();
    EXPECT_TRUE(lines.contains("Nicht hochgeladen (Verknüpfungen und Sonderdateien): ''Fotos/dirlink'', "
                               "''Fotos/outside'', ''Fotos/pipe''"));
    const QStringList uploads = lines.filter(QStringLiteral("Upload ''"));
    EXPECT_EQ(uploads.mid(uploads.size() - 6),
              (QStringList{"Upload ''Fotos/''", "Upload ''Fotos/a.txt''", "Upload ''Fotos/inside''",
                           "Upload ''Fotos/2024/''", "Upload ''Fotos/2024/b.bin''", "Upload ''Fotos/2024/leer/''"}));
    EXPECT_TRUE(window.ServerNames().contains("Fotos")) << "listed again after the run";

    // And back into an empty folder: the same tree, decrypted.
    QTemporaryDir back;
    window.ShowLocal(back.path() + "/");
    window.SelectServer({"Fotos"});
    Download();
    EXPECT_TRUE(script.boxes.empty()) << script.Texts().join('\n').toStdString();
    EXPECT_EQ(TreeOf(back.path() + "/Fotos"),
              (QStringList{"2024/", "2024/b.bin=" + Pattern(5000, 2).toHex().left(16), "2024/leer/",
                           "a.txt=" + Pattern(100, 1).toHex().left(16), "inside=" + Pattern(100, 1).toHex().left(16)}));
    EXPECT_TRUE(TempFilesIn(back.path() + "/Fotos").isEmpty());
  }
}

TEST_F(Folders, ServerLinksInsideAFolderAreNotFollowedAndANameTooDeepEndsTheWalk) {
  ASSERT_TRUE(QDir().mkpath(server + "/Dir/sub"));
  ASSERT_TRUE(WriteBytes(server + "/Dir/sub/x.txt", "x"));
  ASSERT_TRUE(WriteBytes(server + "/outside.txt", "secret"));
  ASSERT_TRUE(QFile::link(server + "/outside.txt", server + "/Dir/link.txt"));
  ASSERT_TRUE(QFile::link(server + "/Dir", server + "/Dir/sub/loop"));
  Connect();
  window.ShowLocal(local);
  window.SelectServer({"Dir"});
  Download();
  EXPECT_TRUE(script.boxes.empty()) << script.Texts().join('\n').toStdString();
  EXPECT_EQ(TreeOf(local + "Dir"), (QStringList{"sub/", "sub/x.txt=78"}));
  EXPECT_TRUE(window.StatusTexts().contains("Nicht heruntergeladen (Verknüpfungen): ''Dir/link.txt'', ''Dir/sub/loop''"));
  EXPECT_EQ(state.hostFolder, "/");
  EXPECT_EQ(fake.Log().filter("SetDirectory ").last(), "SetDirectory /") << "the backend's folder is the shown one again";

  // A server that nests folders without end (the scripted listing repeats
  // itself in every folder) ends the walk with a message, not the memory.
  fake.listFromRoot(0);
  fake.Add(QStringLiteral("deeper"), 0, 2);
  Refresh();
  window.SelectServer({"deeper"});
  script.boxes.clear();
  Download();
  ASSERT_EQ(script.boxes.size(), 1u);
  EXPECT_TRUE(script.Texts()[0].startsWith(ErrorText("Das Verzeichnis ''deeper'' ist zu tief verschachtelt")))
      << script.Texts()[0].toStdString();
  EXPECT_FALSE(QFile::exists(local + "deeper"));
  EXPECT_EQ(fake.Log().filter("SetDirectory ").last(), QStringLiteral("SetDirectory /"));
}

TEST_F(Folders, AFolderThatCannotBeMadeEndsTheRun) {
  MakeLocalTree();
  Connect();
  fake.Fail("CreateDirectory", QStringLiteral("/Fotos/2024"));
  fake.setErrorClass("CreateDirectory", 8);
  window.SelectLocal({"Fotos"});
  Upload();
  EXPECT_EQ(script.Texts(), QStringList{ErrorText("Das Verzeichnis ''Fotos/2024'' konnte auf dem Server nicht "
                                                  "erstellt werden.\n" +
                                                  ReasonForErrorClass(kFtpErrorPermission, 1))});
  EXPECT_FALSE(QFile::exists(server + "/Fotos/2024/b.bin"));
  EXPECT_TRUE(QFile::exists(server + "/Fotos/a.txt")) << "what came before stays";

  // The list is left as it was, without the folder the run made. Going again
  // finds that folder on the server and asks about what is in it.
  EXPECT_FALSE(window.ServerNames().contains("Fotos"));
  fake.Fail("CreateDirectory", QStringLiteral("/elsewhere"));
  script.boxes.clear();
  script.answers = {BoxAnswer::YesToAll};
  Upload();
  ASSERT_EQ(script.boxes.size(), 1u);
  EXPECT_EQ(script.boxes[0].text.section(QStringLiteral("''"), 1, 1), "Fotos/a.txt") << script.Texts()[0].toStdString();
  EXPECT_EQ(ReadBytes(server + "/Fotos/2024/b.bin"), Pattern(5000, 2));
  script.answers.clear();

  // Here: a file where a folder of the download goes.
  QTemporaryDir back;
  ASSERT_TRUE(WriteBytes(back.path() + "/Fotos", "a file"));
  window.ShowLocal(back.path() + "/");
  Refresh();
  window.SelectServer({"Fotos"});
  script.boxes.clear();
  Download();
  EXPECT_EQ(script.Texts(), QStringList{ErrorText("Das Verzeichnis ''Fotos'' konnte nicht erstellt werden.\n"
                                                  "Dort liegt eine Datei dieses Namens.")});
  EXPECT_EQ(ReadBytes(back.path() + "/Fotos"), "a file");
}

// Files too short for the cipher would end an encrypted run halfway; below
// a chosen folder they are left out and named, and go up when not encrypted.
TEST_F(Folders, FilesTooShortToEncryptAreLeftOutOfAFolderAndNamed) {
  ASSERT_TRUE(QDir().mkpath(local + "Notes/sub"));
  ASSERT_TRUE(WriteBytes(local + "Notes/empty.txt", ""));
  ASSERT_TRUE(WriteBytes(local + "Notes/sub/short.txt", Pattern(15, 4)));
  ASSERT_TRUE(WriteBytes(local + "Notes/sub/block.txt", Pattern(16, 5)));
  window.ShowLocal(local);
  Connect();
  for (const int cipher : {1, 0}) {
    SCOPED_TRACE(cipher ? "encrypted" : "plain");
    QDir(server).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(server));
    state.useCipher = cipher;
    window.SelectLocal({"Notes"});
    script.boxes.clear();
    Upload();
    EXPECT_TRUE(script.boxes.empty()) << script.Texts().join('\n').toStdString();
    const QString aes = cipher ? ".aes" : "";
    EXPECT_TRUE(QFile::exists(server + "/Notes/sub/block.txt" + aes));
    EXPECT_EQ(QFile::exists(server + "/Notes/empty.txt" + aes), !cipher);
    EXPECT_EQ(QFile::exists(server + "/Notes/sub/short.txt" + aes), !cipher);
    // Said once, by the encrypted run (the plain one comes after it).
    EXPECT_EQ(window.StatusTexts().count("Nicht hochgeladen (für die Verschlüsselung kürzer als 16 Byte): "
                                         "''Notes/empty.txt'', ''Notes/sub/short.txt''"),
              1);
  }
}

// Four existing files among six: what each way of answering sends.
TEST_F(Folders, AnswersForAllSpareTheQuestionsAfterThem) {
  const QStringList names = {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt", "f.txt"};
  const QStringList existing = {"a.txt", "b.txt", "d.txt", "e.txt"};
  const struct {
    const char* name;
    std::vector<BoxAnswer> answers;
    QStringList asked;     // the files the questions named
    QStringList replaced;  // existing files that were replaced
    bool sent;             // the new files went up
  } cases[] = {
      {"Ja, alle at the first: no more questions, all replaced", {BoxAnswer::YesToAll}, {"a.txt"}, existing, true},
      {"Ja, then Nein, keine: the first replaced, the rest kept, the new ones sent",
       {BoxAnswer::Yes, BoxAnswer::NoToAll}, {"a.txt", "b.txt"}, {"a.txt"}, true},
      {"Nein, keine at the first: nothing replaced", {BoxAnswer::NoToAll}, {"a.txt"}, {}, true},
      {"Nein ends the whole command, as ever", {BoxAnswer::Yes, BoxAnswer::No}, {"a.txt", "b.txt"}, {}, false},
  };
  MakeLocal(names);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QDir(server).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(server));
    for (const QString& name : existing) ASSERT_TRUE(WriteBytes(server + "/" + name, "old"));
    state.lastConnectClickMs -= 1000;
    Connect();
    window.SelectLocal(names);
    script.boxes.clear();
    script.answers.assign(c.answers.begin(), c.answers.end());
    Upload();
    QStringList asked;
    for (const MessageBoxRequest& box : script.boxes) {
      EXPECT_EQ(box.buttons, BoxButtons::YesNoAll);
      asked << box.text.section(QStringLiteral("''"), 1, 1);
    }
    EXPECT_EQ(asked, c.asked);
    for (const QString& name : names) {
      const bool wasThere = existing.contains(name);
      const bool expectNew = wasThere ? c.replaced.contains(name) : c.sent;
      EXPECT_EQ(ReadBytes(server + "/" + name) == ReadBytes(local + name), expectNew) << name.toStdString();
    }
    Disconnect();
  }
  // One file alone is asked about with "Ja" and "Nein" only.
  state.lastConnectClickMs -= 1000;
  Connect();
  window.SelectLocal({"a.txt"});
  script.boxes.clear();
  script.answers = {BoxAnswer::No};
  Upload();
  ASSERT_EQ(script.boxes.size(), 1u);
  EXPECT_EQ(script.boxes[0].buttons, BoxButtons::YesNo);
}

// --- Resume -----------------------------------------------------------------

enum class Change { None, SourceChanged, ResumeFileAltered, ResumeFileGone };

struct ResumeCase {
  const char* name;
  bool upload;
  bool cipher;
  Change change;
  BoxAnswer answer;    // to "Fortsetzen?"
  bool asked;          // the question comes
  bool continued;      // the second transfer goes on from the resume file
  const char* note;    // a status line that says it starts over, or null
};

class Resume : public Folders, public ::testing::WithParamInterface<ResumeCase> {};

TEST_P(Resume, ACutTransferGoesOnWhereItStoppedOnlyWhenItsRestStillFits) {
  const ResumeCase& c = GetParam();
  constexpr qint64 kSize = qint64{5} << 20;
  const QByteArray plain = Pattern(kSize, 4);
  state.useCipher = c.cipher;
  const QString serverName = c.cipher && c.upload ? "big.bin.aes" : c.cipher ? "big.bin.aes" : "big.bin";
  const QString resumeName = "." + (c.upload ? serverName : QStringLiteral("big.bin")) + ".tarnholm-resume";
  // The resume file lies on the target's side.
  const QString resumeFile = (c.upload ? server + "/" : local) + resumeName;
  if (c.upload) {
    ASSERT_TRUE(WriteBytes(local + "big.bin", plain));
  } else {
    ASSERT_TRUE(WriteBytes(server + "/" + serverName, c.cipher ? Encrypted(plain, TestKey()) : plain));
  }
  window.ShowLocal(local);
  Connect();
  const auto transfer = [&] {
    if (c.upload) {
      window.SelectLocal({"big.bin"});
      Upload();
    } else {
      window.SelectServer({serverName});
      Download();
    }
  };

  // Cut after 3 MiB: the connection is gone, the resume file stays (owner-only here).
  fake.cutAfter(qint64{3} << 20);
  transfer();
  ASSERT_EQ(script.boxes.size(), 1u);
  EXPECT_TRUE(script.Texts()[0].endsWith("Die Verbindung zum Server ist abgebrochen.")) << script.Texts()[0].toStdString();
  EXPECT_EQ(state.connection, 0);
  ASSERT_GE(QFileInfo(resumeFile).size(), qint64{2} << 20);
  EXPECT_FALSE(QFile::exists(c.upload ? server + "/" + serverName : local + "big.bin")) << "the target is not touched";
  const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser;
  if (!c.upload) {
    EXPECT_EQ(QFile::permissions(resumeFile), ownerOnly);
  }
  EXPECT_EQ(QFile::permissions(window.RecordFile()), ownerOnly) << "the record names both ends";

  const auto alter = [](const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.seek(file.size() - 1000));
    const char byte = file.read(1)[0];
    ASSERT_TRUE(file.seek(file.size() - 1000));
    ASSERT_EQ(file.write(QByteArray(1, static_cast<char>(byte ^ 0x55))), 1);
  };
  switch (c.change) {
    case Change::None: break;
    case Change::SourceChanged:
      if (c.upload) {
        ASSERT_TRUE(WriteBytes(local + "big.bin", Pattern(kSize + 16, 9)));
      } else {
        ASSERT_TRUE(WriteBytes(server + "/" + serverName, Pattern(kSize + 16, 9)));
      }
      break;
    case Change::ResumeFileAltered: alter(resumeFile); break;
    case Change::ResumeFileGone: ASSERT_TRUE(QFile::remove(resumeFile)); break;
  }
  const QByteArray expected = c.change == Change::SourceChanged ? Pattern(kSize + 16, 9) : plain;

  state.lastConnectClickMs -= 1000;
  Connect();
  window.ShowLocal(local);
  script.boxes.clear();
  script.answers = {c.answer};
  const qsizetype logBefore = fake.Log().size();
  transfer();
  const QStringList texts = script.Texts();
  if (c.asked) {
    ASSERT_EQ(texts.size(), 1) << texts.join('\n').toStdString();
    const QString shownName = c.upload ? QStringLiteral("big.bin") : serverName;
    EXPECT_TRUE(texts[0].startsWith("Frage:|''" + shownName +
                                    "''\n\nDiese Datei wurde beim letzten Mal nicht vollständig übertragen ("))
        << texts[0].toStdString();
    EXPECT_TRUE(texts[0].endsWith(" von 5,0 MiB).\nFortsetzen?")) << texts[0].toStdString();
  } else {
    EXPECT_TRUE(texts.isEmpty()) << texts.join('\n').toStdString();
  }
  // Where the second transfer took its bytes from.
  const QStringList streams = fake.Log().mid(logBefore).filter(QRegularExpression("^(Send - |Receive /)"));
  ASSERT_FALSE(streams.isEmpty());
  const qint64 offset = streams.last().section(' ', c.upload ? 4 : 3, c.upload ? 4 : 3).toLongLong();
  if (c.continued) {
    EXPECT_GT(offset, qint64{1} << 20) << streams.join('\n').toStdString();
  } else {
    EXPECT_EQ(offset, 0) << streams.join('\n').toStdString();
  }
  if (c.note != nullptr) {
    EXPECT_TRUE(window.StatusTexts().contains(QString::fromUtf8(c.note))) << window.StatusTexts().join('\n').toStdString();
  }
  const QByteArray result = c.upload ? ReadBytes(server + "/" + serverName) : ReadBytes(local + "big.bin");
  const QByteArray want = c.upload && c.cipher ? Encrypted(expected, TestKey()) : expected;
  EXPECT_TRUE(result == want) << "exact bytes: " << result.size() << " of " << want.size();
  EXPECT_FALSE(QFile::exists(resumeFile));
  ResumeRecord record;
  EXPECT_FALSE(FindResumeRecord(c.upload, ServerIdentity(state), c.upload ? "/" + serverName : "/" + serverName,
                                c.upload ? local + "big.bin" : local + "big.bin", record));
}

const ResumeCase kResumeCases[] = {
    {"upload_goes_on", true, false, Change::None, BoxAnswer::Yes, true, true, nullptr},
    {"download_goes_on", false, false, Change::None, BoxAnswer::Yes, true, true, nullptr},
    {"encrypted_upload_goes_on", true, true, Change::None, BoxAnswer::Yes, true, true, nullptr},
    {"encrypted_download_goes_on", false, true, Change::None, BoxAnswer::Yes, true, true, nullptr},
    {"upload_declined_starts_over", true, false, Change::None, BoxAnswer::No, true, false, nullptr},
    {"download_declined_starts_over", false, false, Change::None, BoxAnswer::No, true, false, nullptr},
    {"upload_of_a_changed_file_is_not_offered", true, false, Change::SourceChanged, BoxAnswer::Yes, false, false,
     nullptr},
    {"download_of_a_changed_file_is_not_offered", false, false, Change::SourceChanged, BoxAnswer::Yes, false, false,
     nullptr},
    {"upload_whose_rest_does_not_fit_starts_over", true, false, Change::ResumeFileAltered, BoxAnswer::Yes, true, false,
     "''big.bin'': Der Rest der unterbrochenen Übertragung passt nicht zur Quelle; sie beginnt von vorn."},
    {"download_whose_rest_does_not_fit_starts_over", false, false, Change::ResumeFileAltered, BoxAnswer::Yes, true,
     false, "''big.bin'': Der Rest der unterbrochenen Übertragung passt nicht zur Quelle; sie beginnt von vorn."},
    {"encrypted_upload_whose_rest_does_not_fit_starts_over", true, true, Change::ResumeFileAltered, BoxAnswer::Yes,
     true, false,
     "''big.bin'': Der Rest der unterbrochenen Übertragung passt nicht zur Quelle; sie beginnt von vorn."},
    {"encrypted_download_whose_rest_does_not_fit_starts_over", false, true, Change::ResumeFileAltered, BoxAnswer::Yes,
     true, false,
     "''big.bin.aes'': Der Rest der unterbrochenen Übertragung passt nicht zur Quelle; sie beginnt von vorn."},
    {"upload_whose_rest_is_gone_starts_over", true, false, Change::ResumeFileGone, BoxAnswer::Yes, true, false,
     "''big.bin'': Der Rest der unterbrochenen Übertragung ist nicht mehr da; sie beginnt von vorn."},
    {"download_whose_rest_is_gone_is_not_offered", false, false, Change::ResumeFileGone, BoxAnswer::Yes, false, false,
     nullptr},
};

INSTANTIATE_TEST_SUITE_P(Cases, Resume, ::testing::ValuesIn(kResumeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Folders, ASmallFileThatIsCutLeavesNothingBehind) {
  ASSERT_TRUE(WriteBytes(local + "small.bin", Pattern(900 << 10)));
  window.ShowLocal(local);
  Connect();
  fake.cutAfter(600 << 10);
  window.SelectLocal({"small.bin"});
  Upload();
  EXPECT_EQ(state.connection, 0);
  EXPECT_EQ(QDir(server).entryList(QDir::Files | QDir::Hidden), QStringList{"small.bin"})
      << "a file below 1 MiB goes as ever: straight to its name";
  EXPECT_FALSE(QFile::exists(window.RecordFile()));
}

}  // namespace
