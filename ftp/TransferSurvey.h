#pragma once
// What the engine's worker finds out before a transfer with folders is
// planned: the local folders' content, what the server already holds in the
// target folder and below it, the server folders' content. Pure: no widgets,
// no application state.

#include <QString>
#include <QVector>
#include <functional>

#include "ftp/Engine.h"
#include "ftp/TransferPlan.h"

// A local file or folder picked for an upload.
struct LocalPick {
  QString path;  // absolute, without a trailing "/"
  bool folder = false;
};

struct UploadSurveyRequest {
  QVector<LocalPick> picks;
  QString target;         // the server folder the picks go into (absolute, ending in "/")
  QString current;        // the backend's current folder, set back afterwards
};

struct SurveyResult {
  bool ok = false;
  QVector<UploadSource> uploads;
  QVector<DownloadSource> downloads;
  ServerIndex existing;   // uploads: what the target holds, below the picked folders too
  QString error;          // what failed, for the message
  QString reason;
  bool cancelled = false;
  bool lost = false;
};

using EntryCountFn = std::function<void(int64_t)>;

// The local side of a file pick: its size and time, as the plan needs them.
[[nodiscard]] UploadSource LocalFileSource(const QString& path);

[[nodiscard]] SurveyResult SurveyUpload(const JobContext& ctx, const UploadSurveyRequest& request,
                                        int protocol, const EntryCountFn& count);
// picked: server entries of `current`; folders are walked.
[[nodiscard]] SurveyResult SurveyDownload(const JobContext& ctx, const QVector<ServerEntry>& picked,
                                          const QString& current, int protocol, const EntryCountFn& count);
