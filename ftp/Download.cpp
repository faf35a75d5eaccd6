#include "ftp/Download.h"

#include "ftp/FtpLibrary.h"
#include "ftp/FtpSession.h"
#include "ftp/ServerList.h"
#include "ftp/TransferCommand.h"
#include "ftp/TransferSurvey.h"
#include "state/StatusLog.h"
#include "ui/MessageBox.h"

namespace {

using DoneFn = std::function<void(bool)>;

void Tell(const DoneFn& whenDone, bool complete) {
  if (whenDone) whenDone(complete);
}

void Plan(AppState& state, const QVector<DownloadSource>& sources, const QString& localFolder, const DoneFn& whenDone) {
  TransferPlan plan = PlanDownload(sources, state.hostFolder, localFolder, state.useCipher != 0, state.overwrite != 0,
                                   &LocalFileExists);
  const bool encryptedItems =
      std::any_of(plan.items.begin(), plan.items.end(), [](const TransferItem& i) { return i.encrypted; });
  if (plan.refusal.isEmpty() && encryptedItems && state.keyTextInvalid) {
    ShowInfo(state.main.window, QStringLiteral("Fehler:"), kKeyInvalid);
    Tell(whenDone, false);
    return;
  }
  if (!ConfirmTransferPlan(state, plan, TransferDirection::Download)) {
    Tell(whenDone, false);
    return;
  }
  StartTransfer(state, TransferDirection::Download, plan.items, whenDone);
}

}  // namespace

void DownloadSelected(AppState& state) { DownloadServerEntries(state, SelectedServerRows(state), state.localFolder); }

void DownloadServerEntries(AppState& state, const QVector<ServerEntry>& entries, const QString& localFolder,
                           std::function<void(bool)> whenDone) {
  if (RefuseWhileBusy(state) || state.connection == 0 || !FtpLibraryAvailable(state)) {
    Tell(whenDone, false);
    return;
  }
  // In the volume view there is no directory: a bare name would land in the
  // program's working directory.
  if (localFolder.isEmpty()) {
    AppendStatusMessage(state, QStringLiteral("Bitte links zuerst ein Verzeichnis öffnen, in das heruntergeladen "
                                              "werden soll (jetzt sind die Laufwerke zu sehen)."));
    Tell(whenDone, false);
    return;
  }
  const bool folders =
      std::any_of(entries.begin(), entries.end(), [](const ServerEntry& e) { return e.kind == kDirectoryRow; });
  if (!folders) {
    QVector<DownloadSource> sources;
    for (const ServerEntry& entry : entries) sources.append({entry, {}});
    Plan(state, sources, localFolder, whenDone);
    return;
  }
  const QString current = state.hostFolder;
  const int protocol = state.protocol;
  AppState* owner = &state;
  const bool started = RunServerJob<SurveyResult>(
      state, QStringLiteral("Download"),
      [owner, entries, current, protocol](const JobContext& ctx) {
        return SurveyDownload(ctx, entries, current, protocol, FolderCountToWindow(*owner, ctx));
      },
      [localFolder, whenDone](AppState& s, SurveyResult& r) {
        if (!r.ok) {
          ShowSurveyFailure(s, r, TransferDirection::Download);
          Tell(whenDone, false);
          return;
        }
        Plan(s, r.downloads, localFolder, whenDone);
      });
  if (!started) Tell(whenDone, false);
}
