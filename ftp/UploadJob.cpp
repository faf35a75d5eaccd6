// Uploads on the worker: each file is read straight from disk into the
// backend's send buffer; one that goes up encrypted is encrypted ahead of the
// sender on a thread of its own.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>

#include "crypto/CipherStream.h"
#include "crypto/FileCipher.h"
#include "ftp/EncryptAhead.h"
#include "ftp/ErrorReasons.h"
#include "ftp/FileRead.h"
#include "ftp/FtpFunctions.h"
#include "ftp/LocalPartial.h"
#include "ftp/ResumeTransfer.h"
#include "ftp/TransferJob.h"

namespace {

struct Source {
  const JobContext& ctx;
  const TransferEvents& events;
  int index = 0;
  int fd = -1;
  int64_t size = 0;
  int64_t done = 0;
  int readError = 0;  // errno of a failed read
  bool encrypted = false;
  EncryptAhead ahead;  // encrypted: the bytes come from here
  ProgressThrottle throttle;

  Source(const JobContext& c, const TransferEvents& e) : ctx(c), events(e) {}
  ~Source() {
    StopEncryptAhead(ahead);  // it reads from fd
    if (fd >= 0) ::close(fd);
  }
};

int64_t Next(Source& s, uint8_t* buffer, int64_t capacity) {
  if (!s.encrypted) return ReadFromFile(s.fd, buffer, capacity, s.readError);
  return TakeEncrypted(s.ahead, reinterpret_cast<char*>(buffer), capacity);
}

int64_t OnRead(void* user, char* buffer, int64_t capacity) {
  auto& s = *static_cast<Source*>(user);
  if (s.ctx.Cancelled() || capacity <= 0) return -1;
  const int64_t n = Next(s, reinterpret_cast<uint8_t*>(buffer), capacity);
  if (n < 0) return -1;
  s.done += n;
  if (s.events.progress && (s.done == s.size || s.throttle.Due(MonotonicMs()))) s.events.progress(s.index, s.done, s.size);
  return n;
}

// A name of ours in the target's folder for the upload that replaces it.
QString ServerPartialName(const QString& target) {
  const qsizetype slash = target.lastIndexOf(QLatin1Char('/'));
  return target.left(slash + 1) + QStringLiteral(".tarnholm-up-") + QString::number(::getpid()) + QLatin1Char('-') +
         target.mid(slash + 1).left(100);
}

using Failure = FileFailure;

// A backend without streams sends files: the source itself, or an encrypted
// copy staged in the chosen folder.
bool SendByFile(const JobContext& ctx, const TransferItem& item, const TransferSettings& settings,
                const TransferEvents& events, int index, Failure& failure, int64_t& errorClass) {
  PartialFile staged;
  QString from = item.source;
  if (item.encrypted) {
    int error = 0;
    if (!CreateStagingFile(settings.stagingFolder, staged, error)) {
      failure = {kStagingUnwritable, ReasonForLocalError(error)};
      return false;
    }
    QFile in(item.source), out;
    if (!in.open(QIODevice::ReadOnly)) {
      failure = {kSourceUnreadable, QString()};
      return false;
    }
    if (!out.open(staged.fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle)) {
      failure = {kStagingUnwritable, QString()};
      return false;
    }
    switch (EncryptStream(in, out, settings.key, [&ctx](int64_t, int64_t) { return !ctx.Cancelled(); })) {
      case CipherStreamResult::Done: break;
      case CipherStreamResult::Cancelled: return false;
      case CipherStreamResult::ReadFailed: failure = {kSourceUnreadable, QString()}; return false;
      case CipherStreamResult::WriteFailed: failure = {kStagingUnwritable, QString()}; return false;
      default: failure = {kEncryptFailed, QString()}; return false;
    }
    out.close();
    from = staged.path;
  }
  // An existing server file is replaced only by a complete one: the file goes
  // to a name of ours beside it first.
  const QString sentAs = item.replaces ? ServerPartialName(item.target) : item.target;
  {
    FileHook hook(ctx, events, index);
    if (ctx.ftp.SendFTPFileEx(ctx.conn, Utf16(from), Utf16(sentAs), ctx.msg) == 0) {
      errorClass = LastErrorClass(ctx.ftp, ctx.conn);
      failure = {kSendFailed, ReasonForErrorClass(errorClass, settings.protocol), true};
      if (item.replaces) (void)ctx.ftp.DeleteFTPFileEx(ctx.conn, Utf16(sentAs), ctx.msg);
      return false;
    }
  }
  if (!item.replaces) return true;
  // Servers that rename over nothing get the old file out of the way first.
  if (ctx.ftp.RenameFTPFileEx(ctx.conn, Utf16(sentAs), Utf16(item.target), ctx.msg) != 0) return true;
  if (ctx.ftp.DeleteFTPFileEx(ctx.conn, Utf16(item.target), ctx.msg) != 0 &&
      ctx.ftp.RenameFTPFileEx(ctx.conn, Utf16(sentAs), Utf16(item.target), ctx.msg) != 0) {
    return true;
  }
  errorClass = LastErrorClass(ctx.ftp, ctx.conn);
  (void)ctx.ftp.DeleteFTPFileEx(ctx.conn, Utf16(sentAs), ctx.msg);
  failure = {kSendFailed, ReasonForErrorClass(kFtpErrorReplaceRefused, settings.protocol), true};
  return false;
}

bool SendByStream(const JobContext& ctx, const TransferItem& item, const TransferSettings& settings,
                  const TransferEvents& events, int index, Failure& failure, int64_t& errorClass) {
  Source source(ctx, events);
  source.index = index;
  source.encrypted = item.encrypted;
  source.fd = ::open(QFile::encodeName(item.source).constData(), O_RDONLY | O_CLOEXEC);
  struct stat info {};
  if (source.fd < 0 || ::fstat(source.fd, &info) != 0) {
    failure = {kSourceUnreadable, ReasonForLocalError(errno)};
    return false;
  }
  source.size = info.st_size;
  ::posix_fadvise(source.fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  if (item.encrypted) StartEncryptAhead(source.ahead, source.fd, settings.key);
  const int64_t flags = item.replaces ? kSendReplaceSafely : 0;
  if (ctx.ftp.SendFTPStreamEx(ctx.conn, &OnRead, &source, source.size, Utf16(item.target), 0, flags, ctx.msg) != 0) {
    return true;
  }
  errorClass = LastErrorClass(ctx.ftp, ctx.conn);
  StopEncryptAhead(source.ahead);
  if (source.ahead.cipherFailed) {
    failure = {kEncryptFailed, QString()};
  } else if (source.readError != 0 || source.ahead.readError != 0) {
    failure = {kSendFailed, ReasonForLocalError(source.readError != 0 ? source.readError : source.ahead.readError)};
  } else {
    failure = {kSendFailed, ReasonForErrorClass(errorClass, settings.protocol), true};
  }
  return false;
}

// A new file that failed half-way is no file: remove what reached the server.
// An existing one was never touched (it is only replaced once complete).
void RemoveFragment(const JobContext& ctx, const TransferItem& item) {
  if (item.replaces) return;
  // The job's own cancel blocks every call; a second click still ends this one.
  if (ctx.ftp.CancelFTPEx != nullptr) (void)ctx.ftp.CancelFTPEx(ctx.conn, 0);
  (void)ctx.ftp.DeleteFTPFileEx(ctx.conn, Utf16(item.target), ctx.msg);
}

// A folder of the upload: created on the server before what it holds.
bool CreateServerFolder(const JobContext& ctx, const TransferItem& item, const TransferSettings& settings,
                        TransferOutcome& outcome) {
  if (!ctx.Cancelled() && ctx.ftp.CreateFTPDirectoryEx(ctx.conn, Utf16(item.target), ctx.msg) != 0) return true;
  const int64_t errorClass = ctx.Cancelled() ? kFtpErrorCancelled : LastErrorClass(ctx.ftp, ctx.conn);
  outcome.cancelled = errorClass == kFtpErrorCancelled;
  outcome.lost = !outcome.cancelled && ConnectionLost(ctx, errorClass);
  if (!outcome.cancelled) {
    outcome.error = FolderNotCreated(item.name, true);
    outcome.reason = ReasonForErrorClass(errorClass, settings.protocol);
  }
  return false;
}

}  // namespace

TransferOutcome RunUploads(const JobContext& ctx, const QVector<TransferItem>& items, const TransferSettings& settings,
                           const TransferEvents& events) {
  TransferOutcome outcome;
  for (int i = 0; i < items.size(); ++i) {
    if (ctx.Cancelled()) {
      outcome.cancelled = true;
      return outcome;
    }
    const TransferItem& item = items[i];
    if (events.started) events.started(i);
    if (item.folder) {
      if (!CreateServerFolder(ctx, item, settings, outcome)) return outcome;
      ++outcome.finished;
      continue;
    }
    if (item.encrypted) {
      struct stat info {};
      const bool exists = ::stat(QFile::encodeName(item.source).constData(), &info) == 0;
      if (!exists || info.st_size < kSmallestCipherFile) {
        outcome.error = kUploadTooShort;
        return outcome;
      }
    }
    Failure failure;
    int64_t errorClass = kFtpErrorUnknown;
    if (item.resume != ResumeStep::None && ctx.ftp.Resumes()) {
      // The target is touched only by the final rename; the resume file is looked after there.
      if (!SendThroughResumeFile(ctx, item, settings, events, i, failure, errorClass)) {
        TakeFailure(ctx, failure, errorClass, outcome);
        return outcome;
      }
      ++outcome.finished;
      continue;
    }
    const bool sent = ctx.ftp.Streams() ? SendByStream(ctx, item, settings, events, i, failure, errorClass)
                                        : SendByFile(ctx, item, settings, events, i, failure, errorClass);
    if (!sent) {
      outcome.cancelled = ctx.Cancelled() || errorClass == kFtpErrorCancelled || failure.error.isEmpty();
      outcome.lost = !outcome.cancelled && failure.remote && ConnectionLost(ctx, errorClass);
      if (!outcome.lost && (failure.remote || outcome.cancelled) && ctx.ftp.Streams()) RemoveFragment(ctx, item);
      if (!outcome.cancelled) {
        outcome.error = failure.error;
        outcome.reason = failure.reason;
      }
      return outcome;
    }
    ++outcome.finished;
  }
  outcome.listing = ReadServerListing(ctx);
  outcome.listed = true;
  return outcome;
}
