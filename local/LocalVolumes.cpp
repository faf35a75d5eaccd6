#include "local/LocalVolumes.h"

#include <QStorageInfo>
#include <algorithm>

#include "local/LocalListCore.h"

QVector<LocalVolume> ListLocalVolumes() {
  QVector<LocalVolume> volumes;
  for (const QStorageInfo& storage : QStorageInfo::mountedVolumes()) {
    if (!storage.isValid() || !storage.isReady()) continue;
    const QString root = storage.rootPath();
    if (!IsListedVolume(root, QString::fromUtf8(storage.fileSystemType()))) continue;
    if (std::any_of(volumes.cbegin(), volumes.cend(),
                    [&root](const LocalVolume& v) { return v.rootPath == root; })) {
      continue;  // the same mount point mounted over itself
    }
    const QString label = storage.displayName();
    volumes.push_back({root, label == root || label.isEmpty()
                                 ? root
                                 : label + QStringLiteral(" (") + root + QLatin1Char(')')});
  }
  std::sort(volumes.begin(), volumes.end(), [](const LocalVolume& a, const LocalVolume& b) {
    const bool aRoot = a.rootPath == QLatin1String("/");
    const bool bRoot = b.rootPath == QLatin1String("/");
    if (aRoot != bRoot) return aRoot;
    return a.rootPath < b.rootPath;
  });
  return volumes;
}

QStringList VolumeRoots(const QVector<LocalVolume>& volumes) {
  QStringList roots;
  roots.reserve(volumes.size());
  for (const LocalVolume& volume : volumes) roots << volume.rootPath;
  return roots;
}
