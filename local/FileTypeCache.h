#pragma once
// Icons and type names of files, cached per extension (see FileTypeCacheKey)
// because asking the icon provider for every file of a large directory is slow.
// Used on the GUI thread only, so it needs no lock.

#include <QFileIconProvider>
#include <QHash>
#include <QIcon>
#include <QString>

class QFileInfo;

struct FileTypeInfo {
  QIcon icon;
  QString typeName;
};

struct FileTypeCache {
  QFileIconProvider provider;
  QHash<QString, FileTypeInfo> byKey;
  QIcon folderIcon;  // looked up once, on first use
  QIcon volumeIcon;
};

[[nodiscard]] FileTypeInfo LookUpFileType(FileTypeCache& cache, const QFileInfo& file);
[[nodiscard]] const QIcon& FolderIcon(FileTypeCache& cache);
[[nodiscard]] const QIcon& VolumeIcon(FileTypeCache& cache);
