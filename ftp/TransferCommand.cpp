#include "ftp/TransferCommand.h"

#include <QDir>
#include <QFileInfo>
#include <QProgressBar>
#include <algorithm>

#include "ftp/ErrorReasons.h"
#include "ftp/FtpSession.h"
#include "ftp/ProgressText.h"
#include "ftp/ServerList.h"
#include "state/StatusLog.h"
#include "ui/MessageBox.h"

namespace {

bool AskOverwrite(AppState& state, const QString& name) {
  return AskYesNo(state.main.window, QStringLiteral("Frage:"),
                  QStringLiteral("''") + name +
                      QStringLiteral("''\n\nDiese Datei existiert bereits im Zielverzeichnis.\n"
                                     "Soll sie überschrieben werden?"));
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

}  // namespace

QString StagingFolder(bool appPathForTemp) {
  QString folder = appPathForTemp ? QDir::currentPath() : QFileInfo(QDir::tempPath()).canonicalFilePath();
  if (folder.isEmpty()) folder = QDir::tempPath();
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return folder;
}

bool ConfirmTransferPlan(AppState& state, const TransferPlan& plan, TransferDirection direction) {
  if (!plan.skippedFolders.isEmpty()) {
    QStringList quoted;
    for (const QString& name : plan.skippedFolders) quoted << QStringLiteral("''") + name + QStringLiteral("''");
    AppendStatusMessage(state, (direction == TransferDirection::Upload
                                    ? QStringLiteral("Verzeichnisse werden nicht hochgeladen, übersprungen: ")
                                    : QStringLiteral("Verzeichnisse werden nicht heruntergeladen, übersprungen: ")) +
                                   quoted.join(QStringLiteral(", ")));
  }
  const qsizetype asked = plan.refusal.isEmpty() ? plan.questions.size() : plan.questionsBeforeRefusal;
  for (qsizetype i = 0; i < asked; ++i) {
    if (!AskOverwrite(state, plan.questions[i])) return false;
  }
  if (!plan.refusal.isEmpty()) {
    ShowInfo(state.main.window, QStringLiteral("Fehler:"), plan.refusal);
    return false;
  }
  return true;
}

void StartTransfer(AppState& state, TransferDirection direction, const QVector<TransferItem>& items) {
  TransferSettings settings;
  settings.key = state.keyMaterial;
  settings.protocol = state.protocol;
  settings.stagingFolder = StagingFolder(state.appPathForTemp != 0);
  const bool upload = direction == TransferDirection::Upload;
  AppState* owner = &state;
  (void)RunServerJob<TransferOutcome>(
      state, upload ? QStringLiteral("Upload") : QStringLiteral("Download"),
      [owner, items, settings, upload](const JobContext& ctx) {
        auto startedMs = std::make_shared<int64_t>(0);
        const int count = static_cast<int>(items.size());
        TransferEvents events;
        events.started = [owner, &ctx, items, upload, startedMs](int index) {
          *startedMs = MonotonicMs();
          const QString line = (upload ? QStringLiteral("Upload ''") : QStringLiteral("Download ''")) +
                               items[index].name + QStringLiteral("''");
          PostToWindow(ctx, [owner, line] {
            AppendStatusMessage(*owner, line);
            ShowJobProgress(*owner, line, 0);
          });
        };
        events.progress = [owner, &ctx, items, count, startedMs](int index, int64_t done, int64_t total) {
          const ProgressSnapshot snapshot{items[index].name, done, total, MonotonicMs() - *startedMs, index, count};
          const int bar = total > 0 ? static_cast<int>(std::clamp<int64_t>(done, 0, total) * 1000 / total) : -1;
          PostToWindow(ctx, [owner, snapshot, bar] { ShowJobProgress(*owner, ProgressText(snapshot), bar); });
        };
        return upload ? RunUploads(ctx, items, settings, events) : RunDownloads(ctx, items, settings, events);
      },
      [direction](AppState& s, TransferOutcome& outcome) { Finished(s, direction, outcome); });
}
