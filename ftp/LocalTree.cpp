#include "ftp/LocalTree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

namespace {

struct DirCloser {
  void operator()(DIR* d) const { ::closedir(d); }
};

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

// The canonical form of a path; empty when it cannot be resolved.
QByteArray Canonical(const QByteArray& path) {
  std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.constData(), nullptr), &std::free);
  return real ? QByteArray(real.get()) : QByteArray();
}

bool Inside(const QByteArray& path, const QByteArray& root) {
  return path.startsWith(root.endsWith('/') ? root : root + '/');
}

struct Walker {
  QByteArray root;          // canonical path of the chosen folder
  LocalWalk result;

  // The entries of one folder, files first, each group by name.
  bool Walk(const QByteArray& folder, const QString& relative, int depth) {
    if (depth > kMaxFolderDepth || result.tree.entries.size() > kMaxTreeEntries) {
      result.failedPath = QFile::decodeName(folder);
      return false;
    }
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    std::unique_ptr<DIR, DirCloser> dir(fd >= 0 ? ::fdopendir(fd) : nullptr);
    if (!dir) {
      result.error = errno;
      result.failedPath = QFile::decodeName(folder);
      if (fd >= 0) ::close(fd);
      return false;
    }
    QVector<TreeEntry> files;
    QVector<QByteArray> folders;
    QStringList skipped;
    errno = 0;
    while (const dirent* d = ::readdir(dir.get())) {
      const QByteArray name(d->d_name);
      if (name == "." || name == "..") continue;
      const QString path = JoinRelative(relative, QFile::decodeName(name));
      struct stat info {};
      if (::fstatat(::dirfd(dir.get()), name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0) continue;  // gone meanwhile
      if (S_ISDIR(info.st_mode)) {
        folders << name;
      } else if (S_ISREG(info.st_mode)) {
        files.append({path, false, static_cast<int64_t>(info.st_size), static_cast<int64_t>(info.st_mtim.tv_sec)});
      } else if (S_ISLNK(info.st_mode) && LinkToFileInside(folder + '/' + name, info)) {
        files.append({path, false, static_cast<int64_t>(info.st_size), static_cast<int64_t>(info.st_mtim.tv_sec)});
      } else {
        skipped << path;
      }
    }
    skipped.sort();
    result.tree.skipped += skipped;
    const auto byPath = [](const TreeEntry& a, const TreeEntry& b) { return a.path < b.path; };
    std::sort(files.begin(), files.end(), byPath);
    std::sort(folders.begin(), folders.end());
    result.tree.entries += files;
    for (const QByteArray& name : folders) {
      const QString path = JoinRelative(relative, QFile::decodeName(name));
      struct stat info {};
      const QByteArray full = folder + '/' + name;
      const int64_t date = ::lstat(full.constData(), &info) == 0 ? static_cast<int64_t>(info.st_mtim.tv_sec) : -1;
      result.tree.entries.append({path, true, 0, date});
      if (!Walk(full, path, depth + 1)) return false;
    }
    return true;
  }

  // A link whose target is a regular file inside the chosen folder; info
  // then describes the target.
  bool LinkToFileInside(const QByteArray& link, struct stat& info) {
    const QByteArray target = Canonical(link);
    struct stat resolved {};
    if (target.isEmpty() || !Inside(target, root) || ::stat(target.constData(), &resolved) != 0 ||
        !S_ISREG(resolved.st_mode)) {
      return false;
    }
    info = resolved;
    return true;
  }
};

}  // namespace

LocalWalk WalkLocalFolder(const QString& folder) {
  Walker walker;
  QByteArray native = Native(folder);
  while (native.size() > 1 && native.endsWith('/')) native.chop(1);
  walker.root = Canonical(native);
  if (walker.root.isEmpty()) {
    walker.result.error = errno;
    walker.result.failedPath = folder;
    return walker.result;
  }
  // The chosen folder itself may be a link the user picked; nothing below it is followed.
  walker.result.ok = walker.Walk(walker.root, QString(), 1);
  return walker.result;
}
