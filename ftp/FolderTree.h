#pragma once
// What lies below a folder that is transferred or deleted whole, as records:
// one entry per file and folder, each folder before what it holds. Both
// sides' walks give this form; the planning works on it alone. Pure.

#include <QString>
#include <QStringList>
#include <QVector>
#include <cstdint>

struct TreeEntry {
  QString path;        // relative to the walked folder, "/"-separated ("2024/a.jpg")
  bool folder = false;
  int64_t size = 0;    // files
  int64_t date = -1;   // server: the listing's date value; local: modification time in seconds
};

struct FolderTree {
  QVector<TreeEntry> entries;  // pre-order: a folder before its content
  QStringList skipped;         // relative paths left out: links not followed, special files
};

// Bounds of a walk: a server that nests folders without end, or one of
// millions of entries, ends the walk with a message instead of the memory.
inline constexpr int kMaxFolderDepth = 128;
inline constexpr int64_t kMaxTreeEntries = 1000000;

[[nodiscard]] int FileCount(const FolderTree& tree);

// "a" and "b/c" give "a/b/c"; an empty prefix gives the path itself.
[[nodiscard]] QString JoinRelative(const QString& prefix, const QString& path);
