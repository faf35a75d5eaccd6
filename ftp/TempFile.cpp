#include "ftp/TempFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <filesystem>
#include <system_error>
#include <vector>

namespace {

std::filesystem::path NativePath(const QString& path) { return std::filesystem::path(path.toStdU16String()); }

// The permissions a newly created file gets from the process's file mode
// mask, as an ordinary create would give it. The staged file was made with
// owner-only access, which a downloaded file should not keep.
QFileDevice::Permissions NewFilePermissions() {
  unsigned mask = 022;
  QFile status(QStringLiteral("/proc/self/status"));
  if (status.open(QIODevice::ReadOnly | QIODevice::Text)) {
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
      if (line.startsWith("Umask:")) {
        bool ok = false;
        const unsigned value = line.mid(6).trimmed().toUInt(&ok, 8);
        if (ok) mask = value;
        break;
      }
    }
  }
  const unsigned mode = 0666u & ~mask;
  QFileDevice::Permissions permissions;
  if (mode & 0400) permissions |= QFileDevice::ReadOwner | QFileDevice::ReadUser;
  if (mode & 0200) permissions |= QFileDevice::WriteOwner | QFileDevice::WriteUser;
  if (mode & 0040) permissions |= QFileDevice::ReadGroup;
  if (mode & 0020) permissions |= QFileDevice::WriteGroup;
  if (mode & 0004) permissions |= QFileDevice::ReadOther;
  if (mode & 0002) permissions |= QFileDevice::WriteOther;
  return permissions;
}

bool CopyBesideAndReplace(const QString& from, const QString& target, const ChunkProgressFn& progress) {
  QFile in(from);
  if (!in.open(QIODevice::ReadOnly)) return false;
  QSaveFile out(target);  // written beside the target, renamed over it on commit
  if (!out.open(QIODevice::WriteOnly)) return false;
  if (CopyDevice(in, out, progress) != CopyResult::Done) {
    out.cancelWriting();
    return false;
  }
  return out.commit();
}

}  // namespace

QString TransferTempDirectory(bool appPathForTemp) {
  QString directory = appPathForTemp ? QDir::currentPath() : QFileInfo(QDir::tempPath()).canonicalFilePath();
  if (directory.isEmpty()) directory = QDir::tempPath();
  if (!directory.endsWith(QLatin1Char('/'))) directory += QLatin1Char('/');
  return directory;
}

std::unique_ptr<QTemporaryFile> CreateTransferTempFile(const QString& directory) {
  auto file = std::make_unique<QTemporaryFile>(directory + QStringLiteral("tempXXXXXX"));
  if (!file->open()) return nullptr;
  return file;
}

CopyResult CopyDevice(QIODevice& in, QIODevice& out, const ChunkProgressFn& progress) {
  std::vector<char> buffer(static_cast<size_t>(kCopyChunkBytes));
  const int64_t total = in.isSequential() ? -1 : in.size() - in.pos();
  int64_t done = 0;
  for (;;) {
    const int64_t got = in.read(buffer.data(), kCopyChunkBytes);
    if (got < 0) return CopyResult::ReadFailed;
    if (got == 0) break;
    if (out.write(buffer.data(), got) != got) return CopyResult::WriteFailed;
    done += got;
    if (progress) progress(done, total);
  }
  // A buffered file may only find out at flush that the disk is full.
  if (auto* file = qobject_cast<QFileDevice*>(&out); file && !file->flush()) return CopyResult::WriteFailed;
  return CopyResult::Done;
}

bool MoveFileOver(QTemporaryFile& staged, const QString& target, const ChunkProgressFn& progress) {
  const QString from = staged.fileName();
  staged.close();
  const QFileInfo existing(target);
  if (existing.isDir()) return false;
  // The replacement keeps the permissions of the file it replaces.
  const QFileDevice::Permissions permissions =
      existing.isFile() ? QFile::permissions(target) : NewFilePermissions();
  if (!QFile::setPermissions(from, permissions)) return false;

  std::error_code error;
  std::filesystem::rename(NativePath(from), NativePath(target), error);
  if (!error) {
    staged.setAutoRemove(false);  // the file now lives on under the target's name
    return true;
  }
  if (error != std::errc::cross_device_link) return false;
  return CopyBesideAndReplace(from, target, progress);
}
