#include "ftp/FolderTree.h"

#include <algorithm>

int FileCount(const FolderTree& tree) {
  return static_cast<int>(std::count_if(tree.entries.begin(), tree.entries.end(),
                                        [](const TreeEntry& e) { return !e.folder; }));
}

QString JoinRelative(const QString& prefix, const QString& path) {
  return prefix.isEmpty() ? path : prefix + QLatin1Char('/') + path;
}
