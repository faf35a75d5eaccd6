#pragma once
// Reader and writer of the settings file. There is one open settings file for
// the whole process; every user opens it, reads or writes, and closes it within
// one command. Only the GUI thread uses it.
//
// Opening reads and parses the whole file; reads and writes work on the entry
// list in memory; Close writes the complete text back when something changed,
// through a temporary file in the same directory that then replaces the old
// one, so a failed write never leaves a cut-off file behind (unless the
// folder allows no new file, see Close).

#include <QList>
#include <QString>
#include <cstdint>
#include <utility>

namespace SettingsFile {

// True when something is at that name, a dangling symbolic link included.
[[nodiscard]] bool Exists(const QString& fileName);

// Closes any open file, then reads and parses fileName. True when it could be
// read. A file that can be read but not written opens read-only: its changes
// are dropped at Close. On false the file still counts as open with an empty
// model; Close then creates the file when something was written and nothing
// was at that name, and drops the changes when something was (a file that
// cannot be read is never replaced).
[[nodiscard]] bool Open(const QString& fileName);

// Closes any open file and starts an empty model that counts as changed, so
// Close writes at least the byte-order mark. True when the file exists or could
// be created (owner-only); an existing file keeps its bytes until Close
// replaces them. On false no file is open.
[[nodiscard]] bool Create(const QString& fileName);

// Writes the file back if changed, then forgets it. True when nothing needed
// writing or the write succeeded; false when changes were dropped (read-only
// file) or the write failed. A new file is created owner-only, an existing one
// keeps its mode. Where the folder refuses the temporary file the file is
// written in place; otherwise a failed write leaves the old file as it was.
// Does nothing and answers true when no file is open.
[[nodiscard]] bool Close();

// Makes the first group of that name current (empty: the entries before the
// first group). A missing group: false, the name is kept as pending and the
// next write creates it at the end. False also when no file is open.
[[nodiscard]] bool SelectGroup(const QString& name);

// Value of key in the current group, or the default when it is missing. A key
// with an empty value gives the empty text, not the default.
[[nodiscard]] QString ReadString(const QString& key, const QString& defaultValue);

// As ReadString, converted as a decimal integer; a present value without
// digits gives 0.
[[nodiscard]] int32_t ReadInteger(const QString& key, int32_t defaultValue);

// Sets key in the current group (creating a pending group first). Nothing
// happens when no file is open.
void WriteString(const QString& key, const QString& value);
void WriteInteger(const QString& key, int32_t value);

// Removes the first group of that name with all its entries.
void RemoveGroup(const QString& name);

// Renames groups (name, new name) and removes them (empty new name) in one
// step: every name means the first group of that name as the file was before
// this call, so renames may chain or swap names. Unknown names are skipped.
// Afterwards the entries before the first group are current.
void ChangeGroups(const QList<std::pair<QString, QString>>& changes);

// Back to the entries before the first group, pending group forgotten, so that
// NextGroup starts at the first group. True when a file is open.
[[nodiscard]] bool RewindGroups();

// Makes the next group header current; false at the end. A name that occurs
// twice is reported twice.
[[nodiscard]] bool NextGroup();

// Name of the current group; empty before the first group.
[[nodiscard]] QString GroupName();

}  // namespace SettingsFile
