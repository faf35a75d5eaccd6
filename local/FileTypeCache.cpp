#include "local/FileTypeCache.h"

#include <QFileInfo>

#include "local/LocalListCore.h"

FileTypeInfo LookUpFileType(FileTypeCache& cache, const QFileInfo& file) {
  const QString key = FileTypeCacheKey(file.fileName());
  if (!key.isEmpty()) {
    const auto found = cache.byKey.constFind(key);
    if (found != cache.byKey.constEnd()) return *found;
  }
  FileTypeInfo info{cache.provider.icon(file), cache.provider.type(file)};
  if (!key.isEmpty()) cache.byKey.insert(key, info);
  return info;
}

const QIcon& FolderIcon(FileTypeCache& cache) {
  if (cache.folderIcon.isNull()) cache.folderIcon = cache.provider.icon(QFileIconProvider::Folder);
  return cache.folderIcon;
}

const QIcon& VolumeIcon(FileTypeCache& cache) {
  if (cache.volumeIcon.isNull()) cache.volumeIcon = cache.provider.icon(QFileIconProvider::Drive);
  return cache.volumeIcon;
}
