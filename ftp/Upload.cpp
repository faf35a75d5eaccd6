#include "ftp/Upload.h"

#include "ftp/FtpLibrary.h"
#include "ftp/FtpSession.h"
#include "ftp/ServerList.h"
#include "ftp/TransferCommand.h"
#include "local/LocalList.h"
#include "ui/MessageBox.h"

namespace {

QVector<LocalPick> SelectedLocalPicks(const AppState& state) {
  QVector<LocalPick> picks;
  const QString folder = LocalListDirectory(state);
  if (folder.isEmpty()) return picks;
  const int rows = LocalRowCount(state);
  for (int row = 1; row < rows; ++row) {
    if (!IsLocalRowSelected(state, row)) continue;
    const LocalRowKind kind = LocalRowKindAt(state, row);
    if (kind == LocalRowKind::File || kind == LocalRowKind::Directory) {
      picks.append(LocalPick{folder + LocalRowName(state, row), kind == LocalRowKind::Directory});
    }
  }
  return picks;
}

void Plan(AppState& state, const QVector<UploadSource>& sources, const QString& target, const ServerIndex& existing) {
  TransferPlan plan = PlanUpload(sources, target, existing, state.useCipher != 0, state.overwrite != 0);
  if (!ConfirmTransferPlan(state, plan, TransferDirection::Upload)) return;
  StartTransfer(state, TransferDirection::Upload, plan.items);
}

}  // namespace

void UploadSelected(AppState& state) {
  if (RefuseWhileBusy(state) || state.connection == 0 || !FtpLibraryAvailable(state)) return;
  UploadLocalPicks(state, SelectedLocalPicks(state), state.hostFolder);
}

void UploadLocalPicks(AppState& state, const QVector<LocalPick>& picks, const QString& targetFolder) {
  if (RefuseWhileBusy(state) || state.connection == 0 || !FtpLibraryAvailable(state)) return;
  if (state.useCipher != 0 && state.keyTextInvalid) {
    ShowInfo(state.main.window, QStringLiteral("Fehler:"), kKeyInvalid);
    return;
  }
  const bool intoShown = targetFolder == state.hostFolder;
  const bool folders = std::any_of(picks.begin(), picks.end(), [](const LocalPick& p) { return p.folder; });
  if (intoShown && !folders) {
    // Files into the shown folder: its rows say what is there.
    QVector<UploadSource> sources;
    for (const LocalPick& pick : picks) sources.append(LocalFileSource(pick.path));
    Plan(state, sources, targetFolder, IndexRows(ServerRowRecords(state)));
    return;
  }
  UploadSurveyRequest request;
  request.picks = picks;
  request.target = targetFolder;
  request.current = state.hostFolder;
  const int protocol = state.protocol;
  AppState* owner = &state;
  (void)RunServerJob<SurveyResult>(
      state, QStringLiteral("Upload"),
      [owner, request, protocol](const JobContext& ctx) {
        return SurveyUpload(ctx, request, protocol, FolderCountToWindow(*owner, ctx));
      },
      [targetFolder](AppState& s, SurveyResult& r) {
        if (!r.ok) {
          ShowSurveyFailure(s, r, TransferDirection::Upload);
          return;
        }
        Plan(s, r.uploads, targetFolder, r.existing);
      });
}
