#pragma once
// What an interrupted transfer of a large file left, so that the next
// transfer of the same file can go on from there: kept in a small owner-only
// file beside the transfer journal. A record names both ends of the transfer
// and the state of its source, so that a resume file is found by a rule and
// never taken for another transfer's. Callable from any thread.

#include <QString>
#include <cstdint>

inline constexpr const char* kResumeRecordsName = ".tarnholm-resume";

struct ResumeRecord {
  bool upload = false;
  QString server;      // protocol, host, port and user
  QString serverPath;  // download: the source; upload: the target
  QString localPath;   // download: the target; upload: the source
  QString partial;     // the resume file: download: here; upload: on the server
  int64_t size = 0;    // of the whole file
  int64_t date = -1;   // download: the listing's date value; upload: the local time in seconds
  bool encrypted = false;
  int64_t done = 0;    // how far it had come when it stopped
};

// Where the records are kept; "" keeps none. Set once before the engine starts.
void SetResumeRecordFile(const QString& path);

// The record of the transfer between these two paths, if there is one.
[[nodiscard]] bool FindResumeRecord(bool upload, const QString& server, const QString& serverPath,
                                    const QString& localPath, ResumeRecord& record);

// Adds the record, replacing one of the same transfer.
void SaveResumeRecord(const ResumeRecord& record);

// Removes the record of the same transfer.
void DropResumeRecord(const ResumeRecord& record);
