#pragma once
// What the upload and download commands share on the GUI thread: the
// overwrite questions, running the planned items on the engine with the
// progress under the lists, and the end of a run.

#include "ftp/TransferPlan.h"
#include "state/AppState.h"

enum class TransferDirection { Upload, Download };

// Tells which selected folders are skipped; asks the plan's overwrite
// questions in order. False when the command ends here (a No, or the plan's
// refusal, which is shown).
[[nodiscard]] bool ConfirmTransferPlan(AppState& state, const TransferPlan& plan, TransferDirection direction);

// Runs the items on the engine. Each file is named in the status log as it
// starts; a failure shows its message with the German reason; an upload that
// sent everything shows the folder listed again.
void StartTransfer(AppState& state, TransferDirection direction, const QVector<TransferItem>& items);

// Where an encrypted file's copy goes with a backend that cannot stream: the
// program's working directory, or the system's temporary one (ends with "/").
[[nodiscard]] QString StagingFolder(bool appPathForTemp);

inline const QString kKeyInvalid = QStringLiteral(
    "Die AES-256-Verschlüsselung ist eingeschaltet, aber der Schlüssel ist ungültig.\n"
    "Bitte in den Einstellungen einen gültigen Schlüssel eintragen.");
