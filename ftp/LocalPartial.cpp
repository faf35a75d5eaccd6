#include "ftp/LocalPartial.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringList>
#include <cerrno>
#include <mutex>

namespace {

std::mutex g_journalMutex;
QString g_journal;

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

void Note(const QString& path) {
  std::lock_guard lock(g_journalMutex);
  if (g_journal.isEmpty()) return;
  QFile journal(g_journal);
  // Losing a line costs only the clean-up of a file that a crash leaves behind.
  if (journal.open(QIODevice::Append)) {
    (void)journal.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    (void)journal.write(path.toUtf8() + '\n');
  }
}

QString RandomSuffix() {
  static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  QString suffix;
  for (int i = 0; i < 6; ++i) suffix += QLatin1Char(kChars[QRandomGenerator::global()->bounded(62)]);
  return suffix;
}

// Creates prefix + random suffix exclusively, never following a link.
bool CreateNew(const QString& prefix, PartialFile& file, int& error) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const QString path = prefix + RandomSuffix();
    const int fd = ::open(Native(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0) {
      file.path = path;
      file.fd = fd;
      Note(path);
      return true;
    }
    if (errno != EEXIST) {
      error = errno;
      return false;
    }
  }
  error = EEXIST;
  return false;
}

bool IsOurs(const QString& path) {
  const QString name = QFileInfo(path).fileName();
  return name.contains(QLatin1String(kPartialMarker)) || name.startsWith(QLatin1String(kStagingMarker));
}

// Read, not set: umask() would change it for every thread for a moment.
unsigned ReadNewFileMode() {
  unsigned mask = 022;
  QFile status(QStringLiteral("/proc/self/status"));
  if (status.open(QIODevice::ReadOnly | QIODevice::Text)) {
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
      if (!line.startsWith("Umask:")) continue;
      bool ok = false;
      const unsigned value = line.mid(6).trimmed().toUInt(&ok, 8);
      if (ok) mask = value;
      break;
    }
  }
  return 0666u & ~mask;
}

}  // namespace

PartialFile::~PartialFile() { DiscardPartialFile(*this); }

void SetTransferJournal(const QString& path) {
  std::lock_guard lock(g_journalMutex);
  g_journal = path;
}

unsigned NewFileMode() {
  // Read once: the program never changes its umask, and a folder of many
  // small files would read it for each.
  static const unsigned mode = ReadNewFileMode();
  return mode;
}

bool CreatePartialFile(const QString& target, PartialFile& file, int& error) {
  const QFileInfo info(target);
  // Names stay well inside the file system's limit with the marker added.
  const QString prefix = info.path() + QStringLiteral("/.") + info.fileName().left(120) + QLatin1String(kPartialMarker);
  return CreateNew(prefix, file, error);
}

bool CreateStagingFile(const QString& folder, PartialFile& file, int& error) {
  return CreateNew(folder + QLatin1String(kStagingMarker), file, error);
}

bool CommitPartialFile(PartialFile& file, const QString& target, int& error) {
  if (file.fd < 0 && file.path.isEmpty()) {
    error = EBADF;
    return false;
  }
  struct stat existing {};
  const bool replacesFile = ::lstat(Native(target).constData(), &existing) == 0 && S_ISREG(existing.st_mode);
  const mode_t mode = replacesFile ? (existing.st_mode & 07777) : static_cast<mode_t>(NewFileMode());
  const bool moded = file.fd >= 0 ? ::fchmod(file.fd, mode) == 0 : ::chmod(Native(file.path).constData(), mode) == 0;
  if (!moded) {
    error = errno;
    return false;
  }
  if (file.fd >= 0 && ::close(file.fd) != 0) {
    file.fd = -1;
    error = errno;
    return false;
  }
  file.fd = -1;
  if (::rename(Native(file.path).constData(), Native(target).constData()) != 0) {
    error = errno;
    return false;
  }
  file.path.clear();
  return true;
}

void DiscardPartialFile(PartialFile& file) {
  if (file.fd >= 0) ::close(file.fd);
  file.fd = -1;
  if (!file.path.isEmpty()) ::unlink(Native(file.path).constData());
  file.path.clear();
}

int RemoveStaleTransferFiles(const QString& journalPath) {
  std::lock_guard lock(g_journalMutex);
  QFile journal(journalPath);
  if (!journal.open(QIODevice::ReadOnly)) return 0;
  const QStringList lines = QString::fromUtf8(journal.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  journal.close();
  int removed = 0;
  for (const QString& path : lines) {
    struct stat entry {};
    // Only regular files of our naming; a link or anything else stays.
    if (!IsOurs(path) || ::lstat(Native(path).constData(), &entry) != 0 || !S_ISREG(entry.st_mode)) continue;
    if (::unlink(Native(path).constData()) == 0) ++removed;
  }
  (void)QFile::remove(journalPath);
  return removed;
}
