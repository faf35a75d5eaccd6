#pragma once
// Which files of a plan go through a resume file, and which of those can go
// on from what an earlier, interrupted transfer left. Large files (from
// kResumeMinBytes on) move through a file of a fixed name beside the target,
// ".<name>.tarnholm-resume" (here for a download, on the server for an
// upload), which becomes the target only once complete. One that is cut
// keeps it, with a record of both ends and of the source's size and time;
// the next transfer of the same file finds it by that rule alone and asks
// whether to go on. Pure: no widgets, no application state.

#include <QString>
#include <QVector>

#include "ftp/TransferJob.h"

inline constexpr int64_t kResumeMinBytes = int64_t{1} << 20;
inline constexpr const char* kResumeSuffix = ".tarnholm-resume";

// The resume file's name for a target name: ".<name>.tarnholm-resume", a
// long name shortened (with a hash of the whole) to stay within 255 bytes.
[[nodiscard]] QString ResumeFileName(const QString& name);

struct ResumeQuestion {
  QString name;      // as the question names it
  int item = 0;
  int64_t done = 0;  // what the resume file holds (upload: what had been sent)
  int64_t size = 0;
};

// Marks the large files of items Fresh with their resume file, and for those
// whose earlier transfer left a resume file that still fits (the same ends,
// the source unchanged, a download's file here ours and no larger than the
// whole) answers a question each. resumable: the backend can resume.
[[nodiscard]] QVector<ResumeQuestion> PlanResumes(QVector<TransferItem>& items, bool upload, const QString& server,
                                                  bool resumable);

// "''name''\n\nDiese Datei wurde beim letzten Mal nicht vollständig übertragen
// (12,0 MiB von 40,0 MiB).\nFortsetzen?"
[[nodiscard]] QString ResumeQuestionText(const ResumeQuestion& question);
