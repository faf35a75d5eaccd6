#include "ftp/Download.h"

#include "ftp/FtpLibrary.h"
#include "ftp/FtpSession.h"
#include "ftp/ServerList.h"
#include "ftp/TransferCommand.h"
#include "state/StatusLog.h"
#include "ui/MessageBox.h"

void DownloadSelected(AppState& state) {
  if (RefuseWhileBusy(state) || state.connection == 0 || !FtpLibraryAvailable(state)) return;
  // In the volume view there is no directory: a bare name would land in the
  // program's working directory.
  if (state.localFolder.isEmpty()) {
    AppendStatusMessage(state, QStringLiteral("Bitte links zuerst ein Verzeichnis öffnen, in das heruntergeladen "
                                              "werden soll (jetzt sind die Laufwerke zu sehen)."));
    return;
  }
  const TransferPlan plan = PlanDownload(SelectedServerRows(state), state.hostFolder, state.localFolder,
                                         state.useCipher != 0, state.overwrite != 0, &LocalFileExists);
  bool encryptedItems = false;
  for (const TransferItem& item : plan.items) encryptedItems = encryptedItems || item.encrypted;
  if (plan.refusal.isEmpty() && encryptedItems && state.keyTextInvalid) {
    ShowInfo(state.main.window, QStringLiteral("Fehler:"), kKeyInvalid);
    return;
  }
  if (!ConfirmTransferPlan(state, plan, TransferDirection::Download)) return;
  StartTransfer(state, TransferDirection::Download, plan.items);
}
