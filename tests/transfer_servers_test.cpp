// Uploads and downloads through the program's commands and the real backend
// against the test servers: byte-exact round trips, plain and encrypted, and
// the questions and failures a real server can produce.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDirIterator>
#include <QTemporaryDir>
#include <functional>
#include <QThread>

#include "ftp/Connection.h"
#include "ftp/Download.h"
#include "ftp/ErrorReasons.h"
#include "ftp/FtpFunctions.h"
#include "ftp/FtpLibrary.h"
#include "ftp/ServerCommands.h"
#include "ftp/ServerList.h"
#include "ftp/Upload.h"
#include "tests/support/TestServers.h"
#include "crypto/FileCipher.h"
#include "tests/transfer_test_support.h"

namespace {

using tarnholm::testing::Servers;

struct Protocol {
  const char* name;
  int number;
  int (*port)();
};

const Protocol kProtocols[] = {
    {"FTP", 1, [] { return Servers().ftpPort; }},
    {"SFTP", 2, [] { return Servers().sftpPort; }},
    {"FTPS_implicit", 3, [] { return Servers().ftpsImplicitPort; }},
    {"FTPS_explicit", 4, [] { return Servers().ftpPort; }},
};

class ServerTransfers : public ::testing::TestWithParam<Protocol> {
 protected:
  BoxScript script;
  TransferWindow window;
  AppState& state = window.state;
  tarnholm::testing::WorkDir dir;
  QString onServer;  // the work directory on this machine, ending with "/"

  void SetUp() override {
    const Protocol protocol = GetParam();
    dir = tarnholm::testing::MakeServerWorkDir(std::string("transfer-") + protocol.name);
    onServer = QString::fromStdString(dir.local) + QLatin1Char('/');
    ASSERT_TRUE(LoadFtpLibrary(state));
    state.protocol = protocol.number;
    state.hostUrl = QStringLiteral("127.0.0.1");
    state.hostPort = protocol.port();
    state.hostUser = QString::fromStdString(Servers().user);
    state.hostPass = QString::fromStdString(Servers().password);
    // FTP users are jailed in their home; SFTP sees the real path.
    const QString name = QString::fromStdString(dir.name);
    state.hostFolder = protocol.number == 2
                           ? QString::fromStdString(Servers().root) + QLatin1Char('/') + name + QLatin1Char('/')
                           : QLatin1Char('/') + name + QLatin1Char('/');
    state.appPathForTemp = 0;
    state.keyMaterial = TestKey();
    SortLocalListByColumn(state, 0);
    state.main.connectButton->setChecked(true);
    ConnectToggle(state);
    window.Settle();
    ASSERT_EQ(state.connection, 1) << script.Texts().join('\n').toStdString();
    script.boxes.clear();  // FTPS asks to trust the test certificate
  }
  void TearDown() override {
    CloseConnection(state);
    UnloadFtpLibrary(state);
  }

  void Refresh() {
    RefreshServerList(state);
    window.Settle();
  }
  void SelectAllServerFiles() {
    QStringList names = window.ServerNames();
    window.SelectServer(names.mid(1));
  }
};

TEST_P(ServerTransfers, RoundTripsArePlainCopiesOrTheFileCipherByteForByte) {
  // The block edges, and the edges of the 4 MiB pieces files move in.
  const qint64 sizes[] = {0, 1, 15, 16, 17, 4096, (1 << 20) + 5, (4 << 20) - 1, 4 << 20, (4 << 20) + 17};
  QTemporaryDir source;
  const QString from = source.path() + QLatin1Char('/');
  QStringList names;
  int seed = 0;
  for (qint64 size : sizes) {
    names << QStringLiteral("s%1.bin").arg(size);
    ASSERT_TRUE(WriteBytes(from + names.last(), Pattern(size, ++seed)));
  }
  window.ShowLocal(from);

  // Plain: every size goes up and comes back unchanged.
  window.SelectLocal(names);
  UploadSelected(state);
  window.Settle();
  ASSERT_TRUE(script.boxes.empty()) << script.Texts().join('\n').toStdString();
  for (const QString& name : names) EXPECT_EQ(ReadBytes(onServer + name), ReadBytes(from + name)) << name.toStdString();
  QTemporaryDir plainBack;
  window.ShowLocal(plainBack.path() + QLatin1Char('/'));
  SelectAllServerFiles();
  DownloadSelected(state);
  window.Settle();
  ASSERT_TRUE(script.boxes.empty()) << script.Texts().join('\n').toStdString();
  for (const QString& name : names) {
    EXPECT_EQ(ReadBytes(plainBack.filePath(name)), ReadBytes(from + name)) << name.toStdString();
  }

  // Encrypted: 15 bytes are refused; from 16 bytes on the server holds the
  // file cipher of the file, and the download gives the file back.
  state.useCipher = 1;
  window.ShowLocal(from);
  window.SelectLocal({"s15.bin"});
  UploadSelected(state);
  window.Settle();
  EXPECT_EQ(script.Texts(),
            QStringList{ErrorText("Die Mindestgröße bei der Verschlüsselung einer Quelldatei beträgt 16 Byte.")});
  EXPECT_FALSE(QFile::exists(onServer + "s15.bin.aes"));
  script.boxes.clear();

  const QStringList encrypted = names.mid(3);
  window.SelectLocal(encrypted);
  UploadSelected(state);
  window.Settle();
  ASSERT_TRUE(script.boxes.empty()) << script.Texts().join('\n').toStdString();
  for (const QString& name : encrypted) {
    EXPECT_EQ(ReadBytes(onServer + name + ".aes"), Encrypted(ReadBytes(from + name), TestKey())) << name.toStdString();
  }
  QTemporaryDir cipherBack;
  window.ShowLocal(cipherBack.path() + QLatin1Char('/'));
  QStringList aesNames;
  for (const QString& name : encrypted) aesNames << name + ".aes";
  window.SelectServer(aesNames);
  DownloadSelected(state);
  window.Settle();
  ASSERT_TRUE(script.boxes.empty()) << script.Texts().join('\n').toStdString();
  for (const QString& name : encrypted) {
    EXPECT_EQ(ReadBytes(cipherBack.filePath(name)), ReadBytes(from + name)) << name.toStdString();
  }
  QStringList back = QDir(cipherBack.path()).entryList(QDir::Files), expected = encrypted;
  back.sort();
  expected.sort();
  EXPECT_EQ(back, expected);
  EXPECT_TRUE(window.StatusTexts().contains(QStringLiteral("Download ''s1048581.bin.aes''")));
}

TEST_P(ServerTransfers, QuestionsRefusalsAndFailuresLeaveEverythingAsItWas) {
  QTemporaryDir source;
  const QString from = source.path() + QLatin1Char('/');
  for (const char* name : {"a.txt", "b.txt", "c.txt", "report.pdf"}) ASSERT_TRUE(WriteBytes(from + name, Pattern(40)));
  window.ShowLocal(from);
  window.SelectLocal({"a.txt", "b.txt", "c.txt"});
  UploadSelected(state);
  window.Settle();
  ASSERT_TRUE(script.boxes.empty());

  // New local contents; No to the second of three questions sends nothing.
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) ASSERT_TRUE(WriteBytes(from + name, Pattern(50, 9)));
  window.ShowLocal(from);
  window.SelectLocal({"a.txt", "b.txt", "c.txt"});
  script.answers = {BoxAnswer::Yes, BoxAnswer::No};
  UploadSelected(state);
  window.Settle();
  EXPECT_EQ(script.Texts(), (QStringList{OverwriteText("a.txt"), OverwriteText("b.txt")}));
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) EXPECT_EQ(ReadBytes(onServer + name), Pattern(40));
  script.boxes.clear();

  // Encrypted, the server's report.pdf.aes is what is asked about.
  ASSERT_TRUE(WriteBytes(onServer + "report.pdf.aes", "older"));
  tarnholm::testing::GiveToServerUser((onServer + "report.pdf.aes").toStdString());
  Refresh();
  state.useCipher = 1;
  window.SelectLocal({"report.pdf"});
  script.answers = {BoxAnswer::Yes};
  UploadSelected(state);
  window.Settle();
  EXPECT_EQ(script.Texts(), QStringList{OverwriteText("report.pdf.aes")});
  EXPECT_EQ(ReadBytes(onServer + "report.pdf.aes"), Encrypted(Pattern(40), TestKey()));
  script.boxes.clear();

  // The second of three cannot be stored (a directory has its name): the first
  // is on the server, the third is not sent, the list is not refreshed.
  state.useCipher = 0;
  state.overwrite = 1;
  for (const char* name : {"d.txt", "e.txt", "f.txt"}) ASSERT_TRUE(WriteBytes(from + name, Pattern(30)));
  ASSERT_TRUE(QDir().mkdir(onServer + "e.txt"));
  tarnholm::testing::GiveToServerUser((onServer + "e.txt").toStdString());
  window.ShowLocal(from);
  window.SelectLocal({"d.txt", "e.txt", "f.txt"});
  const QStringList listBefore = window.ServerNames();
  UploadSelected(state);
  window.Settle();
  // The reason depends on how the server words its refusal.
  ASSERT_EQ(script.boxes.size(), 1u);
  EXPECT_TRUE(script.Texts()[0].startsWith(ErrorText("Die Datei konnte nicht hochgeladen werden.\n")))
      << script.Texts()[0].toStdString();
  EXPECT_EQ(ReadBytes(onServer + "d.txt"), Pattern(30));
  EXPECT_FALSE(QFile::exists(onServer + "f.txt"));
  EXPECT_EQ(window.ServerNames(), listBefore);
  EXPECT_EQ(state.main.progressBar->value(), 0);
  script.boxes.clear();

  // An encrypted file while encryption is off: nothing is received.
  state.overwrite = 0;
  Refresh();
  QTemporaryDir target;
  const QString to = target.path() + QLatin1Char('/');
  window.ShowLocal(to);
  window.SelectServer({"a.txt", "report.pdf.aes"});
  DownloadSelected(state);
  window.Settle();
  EXPECT_EQ(script.Texts(), QStringList{ErrorText("Um verschlüsselte Dateien (.aes) herunterzuladen muß die\n"
                                                  "AES-256-Verschlüsselung eingeschaltet sein.")});
  EXPECT_TRUE(QDir(to).entryList(QDir::Files).isEmpty());
  script.boxes.clear();

  // A server file that vanished after listing: the receive fails and the
  // local file of that name is left as it was, with nothing beside it.
  ASSERT_TRUE(WriteBytes(to + "a.txt", "keep me"));
  ASSERT_TRUE(QFile::remove(onServer + "a.txt"));
  window.ShowLocal(to);
  window.SelectServer({"a.txt"});
  DownloadSelected(state);
  window.Settle();
  EXPECT_EQ(script.Texts(),
            (QStringList{OverwriteText("a.txt"),
                         ErrorText("Die Datei konnte nicht heruntergeladen werden.\n" +
                                   ReasonForErrorClass(kFtpErrorNotFound, GetParam().number))}));
  EXPECT_EQ(ReadBytes(to + "a.txt"), "keep me");
  EXPECT_EQ(QDir(to).entryList(QDir::Files | QDir::Hidden), QStringList{"a.txt"});

  // The connection still serves the next command.
  script.boxes.clear();
  window.SelectServer({"b.txt"});
  DownloadSelected(state);
  window.Settle();
  EXPECT_TRUE(script.boxes.empty()) << script.Texts().join('\n').toStdString();
  EXPECT_EQ(ReadBytes(to + "b.txt"), Pattern(40));
}

// Cancelled half-way, an upload over a server file and a download over a
// local one leave both where they were; beside them only the resume file that
// lets the next transfer go on, and that does.
TEST_P(ServerTransfers, CancelledHalfWayBothSidesKeepTheirFiles) {
  constexpr qint64 kSize = qint64{256} << 20;
  QTemporaryDir source;
  const QString from = source.path() + QLatin1Char('/');
  {
    QFile sparse(from + "big.bin");
    ASSERT_TRUE(sparse.open(QIODevice::WriteOnly) && sparse.resize(kSize));
  }
  ASSERT_TRUE(WriteBytes(onServer + "big.bin", "the server's old copy"));
  tarnholm::testing::GiveToServerUser((onServer + "big.bin").toStdString());
  Refresh();
  state.overwrite = 1;

  const auto cancelHalfWay = [this] {
    for (int i = 0; i < 2000 && state.main.progressBar->value() == 0 && ServerJobRunning(state); ++i) {
      QCoreApplication::processEvents();
      QThread::msleep(2);
    }
    ASSERT_TRUE(ServerJobRunning(state)) << "over before it could be cancelled";
    CancelServerJob(state);  // what the cancel control runs
    window.Settle();
  };
  window.ShowLocal(from);
  window.SelectLocal({"big.bin"});
  UploadSelected(state);
  cancelHalfWay();
  EXPECT_TRUE(script.boxes.empty()) << script.Texts().join('\n').toStdString();
  EXPECT_EQ(window.StatusTexts().last(), QStringLiteral("Der Upload wurde abgebrochen."));
  EXPECT_EQ(ReadBytes(onServer + "big.bin"), "the server's old copy");
  EXPECT_EQ(QDir(onServer).entryList(QDir::Files | QDir::Hidden),
            (QStringList{".big.bin.tarnholm-resume", "big.bin"}));

  // The rest of the file up, then a download over a local file cancelled half-way.
  UploadSelected(state);
  window.Settle();
  ASSERT_EQ(script.boxes.size(), 1u);
  EXPECT_TRUE(script.Texts()[0].endsWith(QStringLiteral("\nFortsetzen?"))) << script.Texts()[0].toStdString();
  script.boxes.clear();
  ASSERT_EQ(QFileInfo(onServer + "big.bin").size(), kSize);
  EXPECT_EQ(QDir(onServer).entryList(QDir::Files | QDir::Hidden), QStringList{"big.bin"});
  QTemporaryDir target;
  ASSERT_TRUE(WriteBytes(target.filePath("big.bin"), "the local old copy"));
  window.ShowLocal(target.path() + QLatin1Char('/'));
  window.SelectServer({"big.bin"});
  DownloadSelected(state);
  cancelHalfWay();
  EXPECT_TRUE(script.boxes.empty()) << script.Texts().join('\n').toStdString();
  EXPECT_EQ(window.StatusTexts().last(), QStringLiteral("Der Download wurde abgebrochen."));
  EXPECT_EQ(ReadBytes(target.filePath("big.bin")), "the local old copy");
  EXPECT_EQ(QDir(target.path()).entryList(QDir::Files | QDir::Hidden),
            (QStringList{".big.bin.tarnholm-resume", "big.bin"}));
  EXPECT_EQ(QFile::permissions(target.filePath(".big.bin.tarnholm-resume")),
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser);
  QFile::remove(onServer + "big.bin");

  // The connection serves the next command.
  Refresh();
  EXPECT_EQ(state.connection, 1);
  EXPECT_FALSE(window.ServerNames().contains(QStringLiteral("big.bin")));
}

// Every file and folder below dir: "path/" for a folder, "path=<bytes>" for a
// file, through a function that maps what the server holds back to names.
QStringList TreeOf(const QString& dir, const std::function<QByteArray(const QString&, QString&)>& read = {}) {
  QStringList tree;
  QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    QString relative = QDir(dir).relativeFilePath(path);
    if (it.fileInfo().isDir()) {
      tree << relative + QLatin1Char('/');
      continue;
    }
    const QByteArray bytes = read ? read(path, relative) : ReadBytes(path);
    tree << relative + QLatin1Char('=') + QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
  }
  tree.sort();
  return tree;
}

TEST_P(ServerTransfers, NestedFoldersGoUpAndComeBackByteForBytePlainAndEncrypted) {
  QTemporaryDir source;
  const QString from = source.path() + QLatin1Char('/');
  ASSERT_TRUE(QDir().mkpath(from + "Baum/x/y") && QDir().mkpath(from + "Baum/x/leer"));
  const std::pair<const char*, qint64> files[] = {
      {"Baum/a.txt", 1000}, {"Baum/.versteckt", 40}, {"Baum/x/y/z.bin", (1 << 20) + 17}, {"Baum/Ä ö.txt", 33}};
  int seed = 0;
  for (const auto& [name, size] : files) ASSERT_TRUE(WriteBytes(from + QString::fromUtf8(name), Pattern(size, ++seed)));
  const QStringList local = TreeOf(from + "Baum");
  ASSERT_EQ(local.size(), 7);

  for (const int cipher : {0, 1}) {
    SCOPED_TRACE(cipher ? "encrypted" : "plain");
    state.useCipher = cipher;
    QDir(onServer + "Baum").removeRecursively();
    Refresh();
    window.ShowLocal(from);
    window.SelectLocal({"Baum"});
    UploadSelected(state);
    window.Settle();
    ASSERT_TRUE(script.boxes.empty()) << script.Texts().join('\n').toStdString();
    // What the server holds: the same tree, each file under name + ".aes" as the file cipher of it.
    EXPECT_EQ(TreeOf(onServer + "Baum",
                     [cipher](const QString& path, QString& relative) {
                       if (!cipher) return ReadBytes(path);
                       if (!relative.endsWith(".aes")) return QByteArray("<not encrypted>");
                       relative.chop(4);
                       QByteArray plain(QFileInfo(path).size(), '\0');
                       const QByteArray cipherText = ReadBytes(path);
                       const KeyMaterial key = TestKey();
                       (void)DecryptBuffer(reinterpret_cast<const uint8_t*>(cipherText.constData()),
                                           reinterpret_cast<uint8_t*>(plain.data()), plain.size(), key.data(), 256,
                                           key.data() + 32);
                       return plain;
                     }),
              local);
    QTemporaryDir back;
    window.ShowLocal(back.path() + QLatin1Char('/'));
    window.SelectServer({"Baum"});
    DownloadSelected(state);
    window.Settle();
    ASSERT_TRUE(script.boxes.empty()) << script.Texts().join('\n').toStdString();
    EXPECT_EQ(TreeOf(back.path() + "/Baum"), local);
  }
}

// Files (links counted) and folders below dir, as the delete question counts them.
std::pair<int, int> CountBelow(const QString& dir) {
  int files = 0, folders = 0;
  QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    it.next();
    (it.fileInfo().isDir() && !it.fileInfo().isSymLink() ? folders : files)++;
  }
  return {files, folders};
}

TEST_P(ServerTransfers, AFolderIsDeletedWithItsContentAfterOneQuestionAndARefusalSaysWhatIsLeft) {
  QTemporaryDir source;
  const QString from = source.path() + QLatin1Char('/');
  ASSERT_TRUE(QDir().mkpath(from + "Weg/u/v") && QDir().mkpath(from + "Weg/u/leer"));
  for (const char* name : {"Weg/.versteckt", "Weg/a.txt", "Weg/u/v/w.bin"}) {
    ASSERT_TRUE(WriteBytes(from + QString::fromUtf8(name), Pattern(300)));
  }
  window.ShowLocal(from);
  window.SelectLocal({"Weg"});
  UploadSelected(state);
  window.Settle();
  ASSERT_TRUE(script.boxes.empty()) << script.Texts().join('\n').toStdString();
  // A link out of the folder (deleted, never followed), and a folder whose
  // file the server user may not delete.
  ASSERT_TRUE(WriteBytes(onServer + "keep.txt", "keep"));
  ASSERT_TRUE(QFile::link(onServer + "keep.txt", onServer + "Weg/zeiger"));
  ASSERT_TRUE(QDir().mkpath(onServer + "Weg/fest"));
  ASSERT_TRUE(WriteBytes(onServer + "Weg/fest/x", "x"));
  ASSERT_TRUE(QFile::setPermissions(onServer + "Weg/fest", QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                                               QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
  const auto [files, folders] = CountBelow(onServer + "Weg");
  ASSERT_EQ(files, 5);
  ASSERT_EQ(folders, 4);
  Refresh();

  window.SelectServer({"Weg"});
  DeleteServerEntries(state);
  window.Settle();
  ASSERT_EQ(script.boxes.size(), 2u) << script.Texts().join('\n').toStdString();
  EXPECT_EQ(script.Texts()[0], QStringLiteral("Frage:|Wollen Sie folgendes Verzeichnis wirklich löschen?\r\n\r\n"
                                              "\"Weg\"\r\n\r\nMit ihm werden 5 Datei(en) und 4 Unterverzeichnis(se) "
                                              "gelöscht."));
  const auto [filesLeft, foldersLeft] = CountBelow(onServer + "Weg");
  EXPECT_TRUE(script.Texts()[1].startsWith(ErrorText("Die Datei ''Weg/fest/x'' konnte nicht gelöscht werden.")))
      << script.Texts()[1].toStdString();
  EXPECT_TRUE(script.Texts()[1].endsWith(QStringLiteral("\n\nNoch vorhanden: ''Weg'' mit %1 Datei(en) und %2 "
                                                        "Unterverzeichnis(se).")
                                             .arg(filesLeft)
                                             .arg(foldersLeft)))
      << script.Texts()[1].toStdString();
  EXPECT_GE(filesLeft, 1);
  EXPECT_TRUE(window.ServerNames().contains("Weg")) << "the list shows what is left";

  // Once the server lets it, the rest goes; the link's target stays.
  tarnholm::testing::GiveToServerUser((onServer + "Weg/fest").toStdString());
  tarnholm::testing::GiveToServerUser((onServer + "Weg/fest/x").toStdString());
  ASSERT_TRUE(QFile::setPermissions(onServer + "Weg/fest", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                               QFile::ReadOther | QFile::WriteOther | QFile::ExeOther));
  script.boxes.clear();
  window.SelectServer({"Weg"});
  DeleteServerEntries(state);
  window.Settle();
  ASSERT_EQ(script.boxes.size(), 1u) << script.Texts().join('\n').toStdString();
  EXPECT_FALSE(QFileInfo::exists(onServer + "Weg"));
  EXPECT_EQ(ReadBytes(onServer + "keep.txt"), "keep");
  EXPECT_EQ(window.StatusTexts().last(), QStringLiteral("Verzeichnis ''Weg'' gelöscht"));
  EXPECT_FALSE(window.ServerNames().contains("Weg"));
}

// Cuts every TCP connection of this process to the servers, as a dropped
// line would: the backend's control, data and SSH connections alike.
void CutConnections() {
  QDir fds(QStringLiteral("/proc/self/fd"));
  for (const QString& entry : fds.entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)) {
    const int fd = entry.toInt();
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) == 0 && peer.sin_family == AF_INET &&
        peer.sin_addr.s_addr == htonl(INADDR_LOOPBACK)) {
      ::shutdown(fd, SHUT_RDWR);
    }
  }
}

TEST_P(ServerTransfers, ACutConnectionGoesOnWhereItStoppedToTheExactBytes) {
  constexpr qint64 kSize = qint64{48} << 20;
  QTemporaryDir source, target;
  const QString from = source.path() + QLatin1Char('/');
  const QString to = target.path() + QLatin1Char('/');
  const QByteArray plain = Pattern(kSize, 6);
  ASSERT_TRUE(WriteBytes(from + "big.bin", plain));
  // Waits until the resume file holds a few MiB, then cuts the line and
  // connects again into the same folder.
  const QString folder = state.hostFolder;
  const auto cutWhenGrown = [this, folder](const QString& resumeFile) {
    for (int i = 0; i < 20000 && QFileInfo(resumeFile).size() < (qint64{4} << 20) && ServerJobRunning(state); ++i) {
      QCoreApplication::processEvents();
      QThread::usleep(200);
    }
    ASSERT_TRUE(ServerJobRunning(state)) << "over before the line could be cut";
    CutConnections();
    window.Settle();
    ASSERT_EQ(state.connection, 0) << script.Texts().join('\n').toStdString();
    script.boxes.clear();
    state.hostFolder = folder;
    state.lastConnectClickMs -= 1000;
    state.main.connectButton->setChecked(true);
    ConnectToggle(state);
    window.Settle();
    ASSERT_EQ(state.connection, 1);
    script.boxes.clear();  // FTPS asks to trust the certificate again
  };
  for (const int cipher : {0, 1}) {
    SCOPED_TRACE(cipher ? "encrypted" : "plain");
    state.useCipher = cipher;
    const QString serverName = cipher ? "big.bin.aes" : "big.bin";
    window.ShowLocal(from);
    window.SelectLocal({"big.bin"});
    UploadSelected(state);
    cutWhenGrown(onServer + "." + serverName + ".tarnholm-resume");
    window.SelectLocal({"big.bin"});
    UploadSelected(state);
    window.Settle();
    ASSERT_EQ(script.boxes.size(), 1u);
    EXPECT_TRUE(script.Texts()[0].endsWith("\nFortsetzen?")) << script.Texts()[0].toStdString();
    EXPECT_TRUE(ReadBytes(onServer + serverName) == (cipher ? Encrypted(plain, TestKey()) : plain))
        << "upload: exact bytes";
    EXPECT_TRUE(window.StatusTexts().filter("beginnt von vorn").isEmpty()) << "it went on, it did not start over";
    EXPECT_FALSE(QFile::exists(onServer + "." + serverName + ".tarnholm-resume"));

    script.boxes.clear();
    Refresh();
    window.ShowLocal(to);
    window.SelectServer({serverName});
    DownloadSelected(state);
    cutWhenGrown(to + ".big.bin.tarnholm-resume");
    window.SelectServer({serverName});
    DownloadSelected(state);
    window.Settle();
    ASSERT_EQ(script.boxes.size(), 1u);
    EXPECT_TRUE(script.Texts()[0].endsWith("\nFortsetzen?")) << script.Texts()[0].toStdString();
    EXPECT_TRUE(ReadBytes(to + "big.bin") == plain) << "download: exact bytes";
    EXPECT_TRUE(window.StatusTexts().filter("beginnt von vorn").isEmpty()) << "it went on, it did not start over";
    EXPECT_EQ(QDir(to).entryList(QDir::Files | QDir::Hidden), QStringList{"big.bin"});
    QFile::remove(to + "big.bin");
    QFile::remove(onServer + serverName);
    script.boxes.clear();
    Refresh();
  }
}

INSTANTIATE_TEST_SUITE_P(Protocols, ServerTransfers, ::testing::ValuesIn(kProtocols),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
