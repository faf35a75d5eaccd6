#pragma once
// What the upload and download commands share: the overwrite question, the
// error box that ends a run, and the progress bar while a file moves.

#include <QElapsedTimer>
#include <QString>
#include <cstdint>

#include "state/AppState.h"

// "''name''\n\nDiese Datei existiert bereits im Zielverzeichnis.\n..." in a
// "Frage:" box; true for Yes.
[[nodiscard]] bool AskOverwrite(AppState& state, const QString& name);

// An error that ends a run: the "Fehler:" box with an OK button. The progress
// bar goes back to 0 so no half-full bar outlives the run.
void ShowTransferError(AppState& state, const QString& text);

void ResetTransferProgress(AppState& state);

// Shows one file's progress (0 to 1000) and lets the window paint while a
// command runs. Input stays blocked: only non-input events are handled, and
// at most every kPaintIntervalMs.
struct TransferProgress {
  static constexpr int kPaintIntervalMs = 50;
  AppState* state = nullptr;
  QElapsedTimer sincePaint;
  int shown = -1;
};

[[nodiscard]] TransferProgress StartTransferProgress(AppState& state);
// Keeps the window painted without moving the bar (preparing a file).
void KeepWindowPainted(TransferProgress& progress);
// Moves the bar to done/total (nothing for an unknown total) and keeps painting.
void ShowTransferProgress(TransferProgress& progress, int64_t done, int64_t total);

enum class TransferDirection { Send, Receive };

// SendFTPFileEx or ReceiveFTPFileEx with the connection number and the
// message buffer, reporting progress through the library's hook when it
// offers one. Nonzero when the library reports the file moved.
[[nodiscard]] int64_t MoveFileOnConnection(AppState& state, TransferDirection direction, const QString& localPath,
                                           const QString& serverPath);
