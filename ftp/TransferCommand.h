#pragma once
// What the upload and download commands share on the GUI thread: the
// overwrite and resume questions, running the planned items on the engine
// with the progress of the whole run under the lists, and the end of a run.

#include <functional>

#include "ftp/Engine.h"
#include "ftp/TransferPlan.h"
#include "state/AppState.h"

enum class TransferDirection { Upload, Download };

// Names what was left out below the chosen folders; asks the plan's
// overwrite questions in order ("Ja, alle" and "Nein, keine" beside "Ja" and
// "Nein" when the plan holds several files: "Nein, keine" leaves this and
// every later file that exists as it is); then asks whether to go on with
// interrupted transfers. False when the command ends here (a No, or the
// plan's refusal, which is shown). The plan keeps the items that go.
[[nodiscard]] bool ConfirmTransferPlan(AppState& state, TransferPlan& plan, TransferDirection direction);

// Runs the items on the engine. Each file is named in the status log as it
// starts; a failure shows its message with the German reason; an upload that
// sent everything shows the folder listed again.
// whenDone, when given, hears at the end whether everything went.
void StartTransfer(AppState& state, TransferDirection direction, const QVector<TransferItem>& items,
                   std::function<void(bool complete)> whenDone = {});

// A survey before the plan that failed: the message, or the cancel, or the
// lost connection.
struct SurveyResult;
void ShowSurveyFailure(AppState& state, const SurveyResult& result, TransferDirection direction);

// For a job on the worker: the entries read so far, under the lists.
[[nodiscard]] std::function<void(int64_t)> FolderCountToWindow(AppState& state, const JobContext& ctx);

// Where an encrypted file's copy goes with a backend that cannot stream: the
// program's working directory, or the system's temporary one (ends with "/").
[[nodiscard]] QString StagingFolder(bool appPathForTemp);

// Protocol, host, port and user: whose server a resume record is about.
[[nodiscard]] QString ServerIdentity(const AppState& state);

// The overwrite question's text, as the upload and download ask it.
[[nodiscard]] QString OverwriteQuestion(const QString& name);

inline const QString kKeyInvalid = QStringLiteral(
    "Die AES-256-Verschlüsselung ist eingeschaltet, aber der Schlüssel ist ungültig.\n"
    "Bitte in den Einstellungen einen gültigen Schlüssel eintragen.");
