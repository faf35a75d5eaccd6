#include "ftp/TransferJob.h"

#include <chrono>

#include "ftp/FtpFunctions.h"

namespace {

constexpr int64_t kProgressIntervalMs = 100;

int OnFileProgress(void* user, int64_t done, int64_t total) {
  auto* hook = static_cast<FileHook*>(user);
  if (hook->ctx.Cancelled()) return 1;
  if (hook->events.progress && (done == total || hook->throttle.Due(MonotonicMs()))) {
    hook->events.progress(hook->index, done, total);
  }
  return 0;
}

}  // namespace

int64_t MonotonicMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

QString FolderNotCreated(const QString& name, bool onServer) {
  return (onServer ? QStringLiteral("Das Verzeichnis ''%1'' konnte auf dem Server nicht erstellt werden.")
                   : QStringLiteral("Das Verzeichnis ''%1'' konnte nicht erstellt werden."))
      .arg(name);
}

void TakeFailure(const JobContext& ctx, const FileFailure& failure, int64_t errorClass, TransferOutcome& outcome) {
  outcome.cancelled = ctx.Cancelled() || errorClass == kFtpErrorCancelled || failure.error.isEmpty();
  outcome.lost = !outcome.cancelled && failure.remote && ConnectionLost(ctx, errorClass);
  if (!outcome.cancelled) {
    outcome.error = failure.error;
    outcome.reason = failure.reason;
  }
}

bool ProgressThrottle::Due(int64_t nowMs) {
  if (nowMs - lastMs < kProgressIntervalMs) return false;
  lastMs = nowMs;
  return true;
}

FileHook::FileHook(const JobContext& c, const TransferEvents& e, int i) : ctx(c), events(e), index(i) {
  if (ctx.ftp.SetFTPProgressCallbackEx != nullptr) (void)ctx.ftp.SetFTPProgressCallbackEx(ctx.conn, &OnFileProgress, this);
}

FileHook::~FileHook() {
  // The hook must not outlive this record.
  if (ctx.ftp.SetFTPProgressCallbackEx != nullptr) (void)ctx.ftp.SetFTPProgressCallbackEx(ctx.conn, nullptr, nullptr);
}
