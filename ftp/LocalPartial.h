#pragma once
// Local files a transfer writes before the real one exists: the partial file
// a download grows in beside its target, and the staging file an encrypted
// transfer needs with a backend that cannot stream. Both are created new and
// owner-only, named so they are recognisably ours, and noted in a journal so
// that what an abrupt end left behind is removed at the next start.

#include <QString>

inline constexpr const char* kPartialMarker = ".tarnholm-part-";
inline constexpr const char* kStagingMarker = "tarnholm-temp-";
inline constexpr const char* kTransferJournalName = ".tarnholm-transfers";

struct PartialFile {
  QString path;
  int fd = -1;
  ~PartialFile();  // closes and removes a file that was not committed
};

// The journal that CreatePartialFile and CreateStagingFile note their files
// in; "" notes nothing. Set once before the engine starts.
void SetTransferJournal(const QString& path);

// A new file ".<name>.tarnholm-part-XXXXXX" beside target, opened for
// writing with mode 0600. False with errno's value in error.
[[nodiscard]] bool CreatePartialFile(const QString& target, PartialFile& file, int& error);

// A new file "tarnholm-temp-XXXXXX" in folder (ending with "/"), 0600.
[[nodiscard]] bool CreateStagingFile(const QString& folder, PartialFile& file, int& error);

// Gives the file the mode of the regular file it replaces (a new file, or one
// that replaces a link or another kind of entry, the mode the umask gives)
// and renames it over target: a link at target is replaced, never written
// through. False with errno's value in error; the target is then as it was.
[[nodiscard]] bool CommitPartialFile(PartialFile& file, const QString& target, int& error);

// Removes the file (if it is still there) and forgets it.
void DiscardPartialFile(PartialFile& file);

// Removes the files an earlier run noted in the journal and left behind (only
// those whose names carry one of the markers), then empties the journal.
// Answers how many were removed.
int RemoveStaleTransferFiles(const QString& journalPath);

// The mode a file created now gets: 0666 less the process's umask.
[[nodiscard]] unsigned NewFileMode();
