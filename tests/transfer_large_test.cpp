// A file far beyond 4 GiB, encrypted, up and down through the program's
// commands against the real FTP server, with the process's peak memory
// watched: no file is ever held whole in memory.

#include <QTemporaryDir>
#include <cstring>

#include "ftp/Connection.h"
#include "ftp/Download.h"
#include "ftp/FtpLibrary.h"
#include "ftp/Upload.h"
#include "tests/support/TestServers.h"
#include "tests/transfer_test_support.h"

namespace {

using tarnholm::testing::Servers;

// A field of /proc/self/status in KiB, -1 when missing.
qint64 StatusKiB(const char* field) {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly | QIODevice::Text)) return -1;
  for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
    if (line.startsWith(field)) return line.mid(static_cast<int>(std::strlen(field))).trimmed().split(' ')[0].toLongLong();
  }
  return -1;
}

// Lets VmHWM start again from the present resident size.
bool ResetPeakMemory() {
  QFile clear(QStringLiteral("/proc/self/clear_refs"));
  return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

// True when the file has `size` bytes, all zero.
bool AllZero(const QString& path, qint64 size) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly) || file.size() != size) return false;
  QByteArray chunk(8 << 20, '\0'), zeros(8 << 20, '\0');
  for (qint64 got; (got = file.read(chunk.data(), chunk.size())) > 0;) {
    if (std::memcmp(chunk.constData(), zeros.constData(), static_cast<size_t>(got)) != 0) return false;
  }
  return file.atEnd();
}

TEST(LargeTransfer, FiveGiBEncryptedUpAndDownWithinBoundedMemory) {
  constexpr qint64 kSize = (qint64{5} << 30) + 5;  // past 4 GiB, with a partial last block
  constexpr qint64 kAllowedGrowthKiB = 64 << 10;
  BoxScript script;
  TransferWindow window;
  AppState& state = window.state;
  const auto dir = tarnholm::testing::MakeServerWorkDir("transfer-large");
  const QString onServer = QString::fromStdString(dir.local) + QLatin1Char('/');
  ASSERT_TRUE(LoadFtpLibrary(state));
  state.protocol = 1;
  state.hostUrl = QStringLiteral("127.0.0.1");
  state.hostPort = Servers().ftpPort;
  state.hostUser = QString::fromStdString(Servers().user);
  state.hostPass = QString::fromStdString(Servers().password);
  state.hostFolder = QLatin1Char('/') + QString::fromStdString(dir.name) + QLatin1Char('/');
  state.appPathForTemp = 0;
  state.useCipher = 1;
  state.keyMaterial = TestKey();
  state.main.connectButton->setChecked(true);
  ConnectToggle(state);
  window.Settle();
  ASSERT_EQ(state.connection, 1);

  QTemporaryDir source, target;
  {
    QFile sparse(source.filePath("big.bin"));
    ASSERT_TRUE(sparse.open(QIODevice::WriteOnly) && sparse.resize(kSize));
  }
  window.ShowLocal(source.path() + QLatin1Char('/'));
  window.SelectLocal({"big.bin"});

  const qint64 residentBefore = StatusKiB("VmRSS:");
  ASSERT_TRUE(ResetPeakMemory());
  UploadSelected(state);
  window.Settle();
  EXPECT_TRUE(script.boxes.empty()) << script.Texts().join('\n').toStdString();
  EXPECT_EQ(QFileInfo(onServer + "big.bin.aes").size(), kSize);

  window.ShowLocal(target.path() + QLatin1Char('/'));
  window.SelectServer({"big.bin.aes"});
  DownloadSelected(state);
  window.Settle();
  EXPECT_TRUE(script.boxes.empty()) << script.Texts().join('\n').toStdString();
  const qint64 peak = StatusKiB("VmHWM:");
  QFile::remove(onServer + "big.bin.aes");

  EXPECT_TRUE(AllZero(target.filePath("big.bin"), kSize));
  EXPECT_LT(peak - residentBefore, kAllowedGrowthKiB) << "peak " << peak << " KiB, before " << residentBefore;
  RecordProperty("peak_growth_kib", static_cast<int>(peak - residentBefore));
  CloseConnection(state);
  UnloadFtpLibrary(state);
}

}  // namespace
