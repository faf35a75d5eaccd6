#include "ftp/TransferCommand.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
#include <QSet>
#include <mutex>

#include "ftp/ErrorReasons.h"
#include "ftp/FtpSession.h"
#include "ftp/ProgressText.h"
#include "ftp/FtpLibrary.h"
#include "ftp/ResumePlan.h"
#include "ftp/ResumeRecords.h"
#include "ftp/ServerList.h"
#include "ftp/TransferSurvey.h"
#include "state/StatusLog.h"
#include "ui/MessageBox.h"

namespace {

QString Quoted(const QStringList& names) {
  QStringList quoted;
  for (const QString& name : names) quoted << QStringLiteral("''") + name + QStringLiteral("''");
  return quoted.join(QStringLiteral(", "));
}

void ResetBar(AppState& state) {
  if (state.main.progressBar != nullptr) state.main.progressBar->setValue(0);
}

void Finished(AppState& state, TransferDirection direction, const TransferOutcome& outcome) {
  ResetBar(state);
  if (outcome.lost) {
    if (!outcome.error.isEmpty()) {
      ShowInfo(state.main.window, QStringLiteral("Fehler:"), WithReason(outcome.error, outcome.reason));
    }
    ShowConnectionLost(state);
    return;
  }
  if (outcome.cancelled) {
    AppendStatusMessage(state, direction == TransferDirection::Upload
                                   ? QStringLiteral("Der Upload wurde abgebrochen.")
                                   : QStringLiteral("Der Download wurde abgebrochen."));
    return;
  }
  if (!outcome.error.isEmpty()) {
    ShowInfo(state.main.window, QStringLiteral("Fehler:"), WithReason(outcome.error, outcome.reason));
    if (!outcome.reason.isEmpty()) AppendStatusMessage(state, outcome.reason);
    return;
  }
  if (outcome.listed) ShowServerListing(state, outcome.listing);
}

// Where each item stands in the run: which file it is and the bytes before it.
struct RunFigures {
  QVector<int> fileIndex;
  QVector<int64_t> bytesBefore;
  int files = 0;
  int64_t bytes = 0;
  explicit RunFigures(const QVector<TransferItem>& items) {
    for (const TransferItem& item : items) {
      fileIndex << files;
      bytesBefore << bytes;
      if (item.folder) continue;
      ++files;
      bytes += std::max<int64_t>(0, item.size);
    }
  }
};

// What the worker has to tell the window. The worker adds to it and posts one
// flush while none is pending, so a run of many small files costs the window
// one update per pass of its loop, not one per file.
struct RunReport {
  std::mutex mutex;
  QStringList lines;
  ProgressSnapshot latest;
  bool hasProgress = false;
  bool flushPending = false;
};

void Flush(AppState& state, RunReport& report) {
  QStringList lines;
  ProgressSnapshot latest;
  bool hasProgress = false;
  {
    std::lock_guard lock(report.mutex);
    lines.swap(report.lines);
    latest = report.latest;
    hasProgress = std::exchange(report.hasProgress, false);
    report.flushPending = false;
  }
  AppendStatusMessages(state, lines);
  if (hasProgress) ShowJobProgress(state, ProgressText(latest), ProgressBarValue(latest));
}

// Asks about one existing file; several files also offer the answers for all.
BoxAnswer AskOverwrite(AppState& state, const QString& name, bool several) {
  MessageBoxRequest request{QStringLiteral("Frage:"), OverwriteQuestion(name),
                            several ? BoxButtons::YesNoAll : BoxButtons::YesNo};
  return ShowMessageBox(state.main.window, request);
}

// Large files go through resume files; where an interrupted transfer left
// one that fits, the user says whether to go on. No removes what it left.
void AskAboutResumes(AppState& state, QVector<TransferItem>& items, TransferDirection direction) {
  const bool upload = direction == TransferDirection::Upload;
  const bool resumable = state.ftp != nullptr && state.ftp->Resumes();
  for (const ResumeQuestion& question : PlanResumes(items, upload, ServerIdentity(state), resumable)) {
    TransferItem& item = items[question.item];
    if (AskYesNo(state.main.window, QStringLiteral("Frage:"), ResumeQuestionText(question))) {
      item.resume = ResumeStep::Continue;
      continue;
    }
    ResumeRecord record;
    record.upload = upload;
    record.server = ServerIdentity(state);
    record.serverPath = upload ? item.target : item.source;
    record.localPath = upload ? item.source : item.target;
    DropResumeRecord(record);
    // Here it goes at once; on the server the new transfer replaces it.
    if (!upload) (void)QFile::remove(item.partial);
  }
}

}  // namespace

QString ServerIdentity(const AppState& state) {
  return QStringLiteral("%1|%2|%3|%4").arg(state.protocol).arg(state.hostUrl).arg(state.hostPort).arg(state.hostUser);
}

void ShowSurveyFailure(AppState& state, const SurveyResult& result, TransferDirection direction) {
  if (result.lost) {
    if (!result.error.isEmpty()) {
      ShowInfo(state.main.window, QStringLiteral("Fehler:"), WithReason(result.error, result.reason));
    }
    ShowConnectionLost(state);
  } else if (result.cancelled) {
    AppendStatusMessage(state, direction == TransferDirection::Upload ? QStringLiteral("Der Upload wurde abgebrochen.")
                                                                      : QStringLiteral("Der Download wurde abgebrochen."));
  } else {
    ShowInfo(state.main.window, QStringLiteral("Fehler:"), WithReason(result.error, result.reason));
  }
}

std::function<void(int64_t)> FolderCountToWindow(AppState& state, const JobContext& ctx) {
  AppState* owner = &state;
  return [owner, &ctx](int64_t count) {
    PostToWindow(ctx, [owner, count] {
      ShowJobProgress(*owner, QStringLiteral("Verzeichnisse werden gelesen: %1 Einträge").arg(count));
    });
  };
}

QString OverwriteQuestion(const QString& name) {
  return QStringLiteral("''") + name +
         QStringLiteral("''\n\nDiese Datei existiert bereits im Zielverzeichnis.\nSoll sie überschrieben werden?");
}

QString StagingFolder(bool appPathForTemp) {
  QString folder = appPathForTemp ? QDir::currentPath() : QFileInfo(QDir::tempPath()).canonicalFilePath();
  if (folder.isEmpty()) folder = QDir::tempPath();
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return folder;
}

bool ConfirmTransferPlan(AppState& state, TransferPlan& plan, TransferDirection direction) {
  if (!plan.skipped.isEmpty()) {
    AppendStatusMessage(state, (direction == TransferDirection::Upload
                                    ? QStringLiteral("Nicht hochgeladen (Verknüpfungen und Sonderdateien): ")
                                    : QStringLiteral("Nicht heruntergeladen (Verknüpfungen): ")) +
                                   Quoted(plan.skipped));
  }
  if (!plan.tooShort.isEmpty()) {
    AppendStatusMessage(state, QStringLiteral("Nicht hochgeladen (für die Verschlüsselung kürzer als 16 Byte): ") +
                                   Quoted(plan.tooShort));
  }
  const bool several = PlannedFileCount(plan.items) > 1;
  const qsizetype asked = plan.refusal.isEmpty() ? plan.questions.size() : plan.questionsBeforeRefusal;
  QSet<int> keep;  // items left as they are at the target
  QStringList kept;
  bool yesToAll = false;
  bool noToAll = false;
  for (qsizetype i = 0; i < asked && !yesToAll; ++i) {
    const PlanQuestion& question = plan.questions[i];
    const BoxAnswer answer = noToAll ? BoxAnswer::NoToAll : AskOverwrite(state, question.name, several);
    if (answer == BoxAnswer::No) return false;
    yesToAll = answer == BoxAnswer::YesToAll;
    noToAll = answer == BoxAnswer::NoToAll;
    if (noToAll) {
      keep.insert(question.item);
      kept << question.name;
    }
  }
  if (!plan.refusal.isEmpty()) {
    ShowInfo(state.main.window, QStringLiteral("Fehler:"), plan.refusal);
    return false;
  }
  if (!keep.isEmpty()) {
    QVector<TransferItem> items;
    for (int i = 0; i < plan.items.size(); ++i) {
      if (!keep.contains(i)) items.append(plan.items[i]);
    }
    plan.items = items;
    AppendStatusMessage(state, QStringLiteral("Nicht überschrieben: ") + Quoted(kept));
  }
  AskAboutResumes(state, plan.items, direction);
  return true;
}

void StartTransfer(AppState& state, TransferDirection direction, const QVector<TransferItem>& items,
                   std::function<void(bool)> whenDone) {
  TransferSettings settings;
  settings.key = state.keyMaterial;
  settings.protocol = state.protocol;
  settings.stagingFolder = StagingFolder(state.appPathForTemp != 0);
  settings.server = ServerIdentity(state);
  const bool upload = direction == TransferDirection::Upload;
  AppState* owner = &state;
  const bool started = RunServerJob<TransferOutcome>(
      state, upload ? QStringLiteral("Upload") : QStringLiteral("Download"),
      [owner, items, settings, upload](const JobContext& ctx) {
        const auto figures = std::make_shared<RunFigures>(items);
        const auto report = std::make_shared<RunReport>();
        const int64_t startedMs = MonotonicMs();
        const auto post = [owner, &ctx, report] {
          PostToWindow(ctx, [owner, report] { Flush(*owner, *report); });
        };
        TransferEvents events;
        events.started = [&items, upload, figures, report, post](int index) {
          const TransferItem& item = items[index];
          const QString line = (upload ? QStringLiteral("Upload ''") : QStringLiteral("Download ''")) + item.name +
                               (item.folder ? QStringLiteral("/''") : QStringLiteral("''"));
          std::lock_guard lock(report->mutex);
          report->lines << line;
          if (!item.folder) {
            report->latest = ProgressSnapshot{item.name, 0, item.size, 0, figures->fileIndex[index], figures->files,
                                              figures->bytesBefore[index], figures->bytes};
            report->hasProgress = true;
          }
          if (!std::exchange(report->flushPending, true)) post();
        };
        events.note = [report, post](int, const QString& text) {
          std::lock_guard lock(report->mutex);
          report->lines << text;
          if (!std::exchange(report->flushPending, true)) post();
        };
        events.progress = [&items, figures, report, post, startedMs](int index, int64_t done, int64_t total) {
          std::lock_guard lock(report->mutex);
          report->latest = ProgressSnapshot{items[index].name,          done,
                                            total,                      MonotonicMs() - startedMs,
                                            figures->fileIndex[index],  figures->files,
                                            figures->bytesBefore[index] + done, figures->bytes};
          report->hasProgress = true;
          if (!std::exchange(report->flushPending, true)) post();
        };
        return upload ? RunUploads(ctx, items, settings, events) : RunDownloads(ctx, items, settings, events);
      },
      [direction, whenDone](AppState& s, TransferOutcome& outcome) {
        Finished(s, direction, outcome);
        if (whenDone) whenDone(outcome.error.isEmpty() && !outcome.cancelled && !outcome.lost);
      });
  if (!started && whenDone) whenDone(false);
}
