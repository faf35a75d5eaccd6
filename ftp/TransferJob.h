#pragma once
// Uploads and downloads as the engine's worker runs them: planned items in,
// an outcome out. Files stream between disk and wire; encrypted ones are
// encrypted while sent and decrypted while received. Pure: no widgets, no
// application state.

#include <QString>
#include <QVector>
#include <cstdint>
#include <functional>

#include "ftp/Engine.h"
#include "ftp/ServerListing.h"
#include "state/KeyMaterial.h"

// How a large file moves: through a file of a fixed name beside its target
// (its resume file) that stays when the transfer is cut, so that it can go on
// from there. See ResumePlan.h.
enum class ResumeStep {
  None,      // small files, and backends that cannot resume: as ever
  Fresh,     // through the resume file, from the first byte (what it held before is replaced)
  Continue,  // on from what the resume file holds, once its last bytes agree with the source
};

// One file (or folder) of an upload or download, planned before the run starts.
struct TransferItem {
  QString source;         // upload: local path; download: server path
  QString target;         // upload: server path (with ".aes" when encrypted); download: local path
  QString name;           // what the log names: the file's path below the shown folder
  int64_t size = 0;       // upload: the local size; download: the size the listing gave
  bool encrypted = false;
  bool replaces = false;  // upload: the server already has the target
  bool folder = false;    // a folder to create at target (it holds the items after it)
  int64_t date = -1;      // download: the listing's date value; upload: the local time in seconds
  ResumeStep resume = ResumeStep::None;
  QString partial{};      // the resume file: download: a local path; upload: a server path
};

// Called on the worker: a file starts (before any byte moves), and its bytes
// move (at most about ten times a second, and once at its end).
struct TransferEvents {
  std::function<void(int index)> started;
  std::function<void(int index, int64_t done, int64_t total)> progress;
  std::function<void(int index, const QString& text)> note;  // a line for the status log
};

struct TransferSettings {
  KeyMaterial key{};
  int protocol = 1;       // for the wording of reasons
  QString server;         // protocol, host, port and user: the resume records' key
  QString stagingFolder;  // ends with "/": where a backend without streams needs an encrypted file's copy
};

struct TransferOutcome {
  int finished = 0;       // items transferred completely, from the first on
  QString error;          // the failure's message; empty when none
  QString reason;         // its German reason, when one is known
  bool cancelled = false;
  bool lost = false;      // the connection is gone
  bool listed = false;    // uploads: every item went up and the folder was listed again
  ListingResult listing;
};

[[nodiscard]] TransferOutcome RunUploads(const JobContext& ctx, const QVector<TransferItem>& items,
                                         const TransferSettings& settings, const TransferEvents& events);
[[nodiscard]] TransferOutcome RunDownloads(const JobContext& ctx, const QVector<TransferItem>& items,
                                           const TransferSettings& settings, const TransferEvents& events);

// Messages of a failed run.
inline const QString kUploadTooShort =
    QStringLiteral("Die Mindestgröße bei der Verschlüsselung einer Quelldatei beträgt 16 Byte.");
inline const QString kSourceUnreadable = QStringLiteral("Die Quelldatei konnte nicht geöffnet werden.");
inline const QString kEncryptFailed = QStringLiteral("Eine Datei konnte nicht verschlüsselt werden.");
inline const QString kStagingUnwritable = QStringLiteral("Die temporäre Datei konnte nicht erstellt werden.");
inline const QString kSendFailed = QStringLiteral("Die Datei konnte nicht hochgeladen werden.");
inline const QString kDownloadTooShort =
    QStringLiteral("Die Mindestgröße bei der Entschlüsselung einer Quelldatei beträgt 16 Byte.");
inline const QString kReceiveFailed = QStringLiteral("Die Datei konnte nicht heruntergeladen werden.");
inline const QString kDecryptFailed = QStringLiteral("Die temporäre Datei konnte nicht entschlüsselt werden.");
inline const QString kCopyFailed = QStringLiteral("Die temporäre Datei konnte nicht kopiert werden.");
inline const QString kTargetUnwritable = QStringLiteral("Die Zieldatei konnte nicht geschrieben werden.");
// A folder that could not be made on the server (onServer) or here.
[[nodiscard]] QString FolderNotCreated(const QString& name, bool onServer);

// Why one file's transfer failed.
struct FileFailure {
  QString error;
  QString reason;
  bool remote = false;  // the backend's call failed on its own (not on this computer)
};

// The outcome of a run that a file's failure ends: cancelled, lost, or its message.
void TakeFailure(const JobContext& ctx, const FileFailure& failure, int64_t errorClass, TransferOutcome& outcome);

// Shared by the two runs.
struct ProgressThrottle {
  int64_t lastMs = -1000;
  [[nodiscard]] bool Due(int64_t nowMs);
};
[[nodiscard]] int64_t MonotonicMs();

// A backend without streams reports progress through its hook, which is also
// the only way to stop its transfer; installed for the duration of one call.
struct FileHook {
  const JobContext& ctx;
  const TransferEvents& events;
  int index;
  ProgressThrottle throttle;
  FileHook(const JobContext& c, const TransferEvents& e, int i);
  ~FileHook();
};
