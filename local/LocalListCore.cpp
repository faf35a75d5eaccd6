#include "local/LocalListCore.h"

#include <QDir>
#include <QRegularExpression>

namespace {

bool IsParentKind(LocalRowKind kind) {
  return kind == LocalRowKind::ParentOfDirectory || kind == LocalRowKind::ParentOfRoot;
}

// Directories (and volumes) group before files.
int KindRank(LocalRowKind kind) { return kind == LocalRowKind::File ? 1 : 0; }

template <typename T>
int ThreeWay(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

int CompareRows(const LocalSortKey& a, const LocalSortKey& b, LocalColumn column) {
  const bool volumes = a.kind == LocalRowKind::Volume || b.kind == LocalRowKind::Volume;
  switch (column) {
    case LocalColumn::Name:
      if (volumes) return QString::compare(a.name, b.name, Qt::CaseSensitive);
      if (const int rank = ThreeWay(KindRank(a.kind), KindRank(b.kind))) return rank;
      return QString::compare(a.name, b.name, Qt::CaseInsensitive);
    case LocalColumn::Size:
      return ThreeWay(a.number, b.number);
    case LocalColumn::Modified:
      if (volumes) return 0;
      if (const int rank = ThreeWay(KindRank(a.kind), KindRank(b.kind))) return rank;
      return ThreeWay(a.modified, b.modified);
    case LocalColumn::Type:
      return QString::compare(a.text, b.text, Qt::CaseInsensitive);
  }
  return 0;
}

bool IsUnder(const QString& path, const QString& prefix) {
  return path == prefix || path.startsWith(prefix + QLatin1Char('/'));
}

// True when `directory` (ending with "/") lies on the volume mounted at `root`.
bool LiesOn(const QString& directory, const QString& root) {
  if (root == QLatin1String("/")) return directory.startsWith(QLatin1Char('/'));
  return directory.startsWith(root + QLatin1Char('/'));
}

}  // namespace

QString DirectoryText(const QString& path) {
  QString clean = QDir::cleanPath(QDir(path).absolutePath());
  if (!clean.endsWith(QLatin1Char('/'))) clean += QLatin1Char('/');
  return clean;
}

LocalDirectoryChoice ChooseLocalDirectory(const QString& text, const QString& currentDirectory,
                                          const QString& currentPattern) {
  if (text.isEmpty()) return {QString(), currentPattern};
  QString path = text;
  // Profiles written on a drive-letter system may hold "c:..."; only there is
  // the first letter raised. Paths here start with "/", so it rarely applies.
  if (path.size() >= 2 && path[1] == QLatin1Char(':') && path[0] >= QLatin1Char('a') &&
      path[0] <= QLatin1Char('z')) {
    path[0] = path[0].toUpper();
  }
  if (path.endsWith(QLatin1Char('/'))) return {DirectoryText(path), currentPattern};
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  if (slash < 0) return {currentDirectory, path};
  return {DirectoryText(path.left(slash + 1)), path.mid(slash + 1)};
}

QString ParentDirectoryText(const QString& directory) {
  QString path = directory;
  while (path.size() > 1 && path.endsWith(QLatin1Char('/'))) path.chop(1);
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  if (slash <= 0) return QStringLiteral("/");
  return path.left(slash + 1);
}

QStringList SplitLocalPatterns(const QString& pattern) {
  QStringList result;
  for (const QString& part : pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
    const QString one = part.trimmed();
    if (one.isEmpty()) continue;
    // The drive-letter systems' "*.*" means every name, with or without a dot.
    result << (one == QLatin1String("*.*") ? QStringLiteral("*") : one);
  }
  if (result.isEmpty()) result << QStringLiteral("*");
  return result;
}

bool MatchesLocalPattern(const QString& name, const QString& pattern) {
  if (pattern == QLatin1String("*")) return true;
  const QRegularExpression expression(QRegularExpression::wildcardToRegularExpression(pattern),
                                      QRegularExpression::CaseInsensitiveOption);
  return expression.match(name).hasMatch();
}

QString FileTypeCacheKey(const QString& fileName) {
  const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
  if (dot < 0 || dot == fileName.size() - 1) return QStringLiteral(".");
  const QString extension = fileName.mid(dot + 1).toUpper();
  if (extension.size() > 4) return QString();
  static const QStringList perFile = {QStringLiteral("EXE"), QStringLiteral("ICO"),
                                      QStringLiteral("LNK"), QStringLiteral("ICL")};
  if (perFile.contains(extension)) return QString();
  return extension;
}

bool IsPlainEntryName(const QString& name) {
  return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
         !name.contains(QLatin1Char('/')) && !name.contains(QChar(u'\0'));
}

bool LocalRowLess(const LocalSortKey& a, const LocalSortKey& b, LocalColumn column,
                  bool descending) {
  const bool aParent = IsParentKind(a.kind);
  const bool bParent = IsParentKind(b.kind);
  if (aParent != bParent) return aParent;
  if (aParent) return false;
  const int order = CompareRows(a, b, column);
  return descending ? order > 0 : order < 0;
}

bool IsListedVolume(const QString& rootPath, const QString& fileSystemType) {
  if (rootPath == QLatin1String("/")) return true;
  for (const char* prefix : {"/proc", "/sys", "/dev"}) {
    if (IsUnder(rootPath, QLatin1String(prefix))) return false;
  }
  // /run holds runtime state; removable media may be mounted under /run/media.
  if (IsUnder(rootPath, QStringLiteral("/run")) && !rootPath.startsWith(QLatin1String("/run/media/")))
    return false;
  static const QStringList pseudo = {
      QStringLiteral("proc"),       QStringLiteral("sysfs"),      QStringLiteral("devtmpfs"),
      QStringLiteral("devpts"),     QStringLiteral("cgroup"),     QStringLiteral("cgroup2"),
      QStringLiteral("securityfs"), QStringLiteral("debugfs"),    QStringLiteral("tracefs"),
      QStringLiteral("pstore"),     QStringLiteral("bpf"),        QStringLiteral("configfs"),
      QStringLiteral("fusectl"),    QStringLiteral("hugetlbfs"),  QStringLiteral("mqueue"),
      QStringLiteral("binfmt_misc"), QStringLiteral("autofs"),    QStringLiteral("efivarfs"),
      QStringLiteral("nsfs"),       QStringLiteral("rpc_pipefs"), QStringLiteral("nfsd"),
      QStringLiteral("selinuxfs"),  QStringLiteral("squashfs"),   QStringLiteral("overlay"),
      QStringLiteral("fuse.gvfsd-fuse"), QStringLiteral("fuse.portal")};
  return !pseudo.contains(fileSystemType);
}

VolumeChange DecideVolumeChange(const QStringList& before, const QStringList& after,
                                const QString& directory) {
  if (before == after) return VolumeChange::None;
  if (directory.isEmpty()) return VolumeChange::Refill;
  QString owner;
  for (const QString& root : before) {
    if (LiesOn(directory, root) && root.size() > owner.size()) owner = root;
  }
  if (!owner.isEmpty() && !after.contains(owner)) return VolumeChange::ShowVolumeView;
  return VolumeChange::None;
}
