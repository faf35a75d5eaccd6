#pragma once
// The widget-free rules of the local file list: directory texts
// and patterns, the sort comparison and the volume bookkeeping. Everything here
// works on plain values, so it is tested without a QApplication.

#include <QString>
#include <QStringList>
#include <cstdint>

// What a row of the local list stands for; stored in the row.
enum class LocalRowKind {
  None = 0,
  ParentOfDirectory,  // ".." of a directory below "/": leads one level up
  ParentOfRoot,       // ".." of "/": leads to the volume view
  Directory,
  File,
  Volume,             // a mounted volume in the volume view
};

// What a column of the list holds; columns can be removed, so indices move.
enum class LocalColumn { Name, Size, Type, Modified };

// The outcome of setting the list's directory from a text.
struct LocalDirectoryChoice {
  QString directory;  // "" = volume view; otherwise absolute, ends with "/"
  QString pattern;
};

// Empty text: volume view. Ending with "/": a directory. Otherwise split at the
// last "/" into directory and pattern; without any "/" only the pattern changes.
[[nodiscard]] LocalDirectoryChoice ChooseLocalDirectory(const QString& text,
                                                        const QString& currentDirectory,
                                                        const QString& currentPattern);

// "/a/b/" -> "/a/"; "/" stays "/".
[[nodiscard]] QString ParentDirectoryText(const QString& directory);

// A directory text for a path: absolute, clean, ending with "/".
[[nodiscard]] QString DirectoryText(const QString& path);

// The single patterns of a pattern text separated by ";", blanks trimmed, empty
// ones dropped; "*.*" becomes "*" so names without a dot match too.
[[nodiscard]] QStringList SplitLocalPatterns(const QString& pattern);

// Case-insensitive wildcard match of one name against one pattern.
[[nodiscard]] bool MatchesLocalPattern(const QString& name, const QString& pattern);

// The key under which a file's icon and type name are cached: its extension in
// upper case when it has at most four characters; empty (not cached) for
// longer extensions and for EXE, ICO, LNK and ICL, whose icons differ per file.
// Names without an extension share the key ".".
[[nodiscard]] QString FileTypeCacheKey(const QString& fileName);

// True for a name that stays inside its directory: not empty, no "/", no NUL,
// not "." or "..".
[[nodiscard]] bool IsPlainEntryName(const QString& name);

// One row as the sort comparison sees it.
struct LocalSortKey {
  LocalRowKind kind = LocalRowKind::None;
  QString name;          // volume rows: the root path
  int64_t number = 0;    // Size column: a file's size in bytes, -1 for any other row
  int64_t modified = 0;  // Modified column: modification time in ms
  QString text;          // any other column: the shown text
};

// Parent entries first in both directions; otherwise the column's order,
// reversed when descending.
[[nodiscard]] bool LocalRowLess(const LocalSortKey& a, const LocalSortKey& b, LocalColumn column,
                                bool descending);

// Volumes whose mount point is under /proc, /sys or /dev, or whose file system
// is a kernel pseudo file system, are not shown in the volume view.
[[nodiscard]] bool IsListedVolume(const QString& rootPath, const QString& fileSystemType);

enum class VolumeChange { None, Refill, ShowVolumeView };

// What the list does when the set of mounted volumes changed from `before` to
// `after` while it shows `directory` ("" = volume view).
[[nodiscard]] VolumeChange DecideVolumeChange(const QStringList& before, const QStringList& after,
                                              const QString& directory);
