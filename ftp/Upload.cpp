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
  const int rows = LocalRowCount(state);
  for (int row = 1; row < rows; ++row) {
    if (!IsLocalRowSelected(state, row)) continue;
    const LocalRowKind kind = LocalRowKindAt(state, row);
    if (kind == LocalRowKind::File) picks.append(LocalPick{LocalRowName(state, row), false});
    if (kind == LocalRowKind::Directory) picks.append(LocalPick{LocalRowName(state, row), true});
  }
  return picks;
}

}  // namespace

void UploadSelected(AppState& state) {
  if (RefuseWhileBusy(state) || state.connection == 0 || !FtpLibraryAvailable(state)) return;
  if (state.useCipher != 0 && state.keyTextInvalid) {
    ShowInfo(state.main.window, QStringLiteral("Fehler:"), kKeyInvalid);
    return;
  }
  const TransferPlan plan = PlanUpload(SelectedLocalPicks(state), LocalListDirectory(state), ServerRowRecords(state),
                                       state.hostFolder, state.useCipher != 0, state.overwrite != 0);
  if (!ConfirmTransferPlan(state, plan, TransferDirection::Upload)) return;
  StartTransfer(state, TransferDirection::Upload, plan.items);
}
