// Downloads on the worker: the bytes go straight from the backend into a
// partial file beside the target, decrypted on the way when the file is
// encrypted; the partial file replaces the target only once complete.

#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstring>
#include <vector>

#include "crypto/CipherStream.h"
#include "crypto/FileCipher.h"
#include "crypto/StreamCipher.h"
#include "ftp/ErrorReasons.h"
#include "ftp/FtpFunctions.h"
#include "ftp/LocalPartial.h"
#include "ftp/ResumeTransfer.h"
#include "ftp/ServerNames.h"
#include "ftp/TransferJob.h"

namespace {

struct Sink {
  const JobContext& ctx;
  const TransferEvents& events;
  int index = 0;
  int fd = -1;
  int64_t total = 0;
  int64_t done = 0;
  int writeError = 0;  // errno of a failed write
  bool cipherFailed = false;
  bool encrypted = false;
  StreamCipher cipher;
  std::vector<uint8_t> plain;  // decrypted bytes on their way to the file
  ProgressThrottle throttle;
  Sink(const JobContext& c, const TransferEvents& e) : ctx(c), events(e) {}
};

bool WriteAll(Sink& s, const uint8_t* data, int64_t n) {
  while (n > 0) {
    const ssize_t put = ::write(s.fd, data, static_cast<size_t>(n));
    if (put < 0) {
      if (errno == EINTR) continue;
      s.writeError = errno;
      return false;
    }
    data += put;
    n -= put;
  }
  return true;
}

int64_t OnWrite(void* user, const char* data, int64_t length) {
  auto& s = *static_cast<Sink*>(user);
  if (s.ctx.Cancelled() || length < 0) return -1;
  const auto* bytes = reinterpret_cast<const uint8_t*>(data);
  if (s.encrypted) {
    const auto needed = static_cast<size_t>(s.cipher.heldCount + length);
    if (s.plain.size() < needed) s.plain.resize(needed);
    std::memcpy(s.plain.data() + s.cipher.heldCount, bytes, static_cast<size_t>(length));
    const int64_t ready = UpdateStreamCipher(s.cipher, s.plain.data(), length);
    if (ready < 0) {
      s.cipherFailed = true;
      return -1;
    }
    if (!WriteAll(s, s.plain.data(), ready)) return -1;
  } else if (!WriteAll(s, bytes, length)) {
    return -1;
  }
  s.done += length;
  if (s.events.progress && (s.done == s.total || s.throttle.Due(MonotonicMs()))) {
    s.events.progress(s.index, s.done, s.total);
  }
  return length;
}

using Failure = FileFailure;

// What a failed write into the target's folder is called.
QString TargetFailure(const TransferItem& item) { return item.encrypted ? kTargetUnwritable : kCopyFailed; }

bool ReceiveByStream(const JobContext& ctx, const TransferItem& item, const TransferSettings& settings,
                     const TransferEvents& events, int index, PartialFile& partial, Failure& failure,
                     int64_t& errorClass) {
  Sink sink(ctx, events);
  sink.index = index;
  sink.fd = partial.fd;
  sink.total = item.size;
  sink.encrypted = item.encrypted;
  if (item.encrypted && !StartStreamCipher(sink.cipher, false, settings.key)) {
    failure = {kDecryptFailed, QString()};
    return false;
  }
  if (ctx.ftp.ReceiveFTPStreamEx(ctx.conn, Utf16(item.source), 0, &OnWrite, &sink, ctx.msg) == 0) {
    errorClass = LastErrorClass(ctx.ftp, ctx.conn);
    if (sink.cipherFailed) {
      failure = {kDecryptFailed, QString()};
    } else if (sink.writeError != 0) {
      failure = {TargetFailure(item), ReasonForLocalError(sink.writeError)};
    } else {
      failure = {kReceiveFailed, ReasonForErrorClass(errorClass, settings.protocol), true};
    }
    return false;
  }
  if (item.encrypted) {
    uint8_t tail[kStreamCipherHeldMax];
    const int64_t n = FinishStreamCipher(sink.cipher, tail);
    if (n < 0) {
      failure = {kDecryptFailed, QString()};
      return false;
    }
    if (!WriteAll(sink, tail, n)) {
      failure = {TargetFailure(item), ReasonForLocalError(sink.writeError)};
      return false;
    }
  }
  return true;
}

// A backend without streams receives into a file: the partial file itself,
// or for an encrypted file a staged copy that is then decrypted into it.
bool ReceiveByFile(const JobContext& ctx, const TransferItem& item, const TransferSettings& settings,
                   const TransferEvents& events, int index, PartialFile& partial, Failure& failure,
                   int64_t& errorClass) {
  PartialFile staged;
  QString into = partial.path;
  if (item.encrypted) {
    int error = 0;
    if (!CreateStagingFile(settings.stagingFolder, staged, error)) {
      failure = {kStagingUnwritable, ReasonForLocalError(error)};
      return false;
    }
    into = staged.path;
  }
  {
    FileHook hook(ctx, events, index);
    if (ctx.ftp.ReceiveFTPFileEx(ctx.conn, Utf16(item.source), Utf16(into), ctx.msg) == 0) {
      errorClass = LastErrorClass(ctx.ftp, ctx.conn);
      failure = {kReceiveFailed, ReasonForErrorClass(errorClass, settings.protocol), true};
      return false;
    }
  }
  if (!item.encrypted) {
    // The backend put a new file at that name; the descriptor names the old one.
    ::close(partial.fd);
    partial.fd = -1;
    return true;
  }
  QFile in(staged.path), out;
  if (!in.open(QIODevice::ReadOnly)) {
    failure = {QStringLiteral("Die temporäre Datei konnte nicht geöffnet werden."), QString()};
    return false;
  }
  if (!out.open(partial.fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle)) {
    failure = {kTargetUnwritable, QString()};
    return false;
  }
  switch (DecryptStream(in, out, settings.key, [&ctx](int64_t, int64_t) { return !ctx.Cancelled(); })) {
    case CipherStreamResult::Done: return true;
    case CipherStreamResult::Cancelled: return false;
    case CipherStreamResult::WriteFailed: failure = {kTargetUnwritable, QString()}; return false;
    default: failure = {kDecryptFailed, QString()}; return false;
  }
}

// A folder of the download: made here before what it holds; one that is
// there already is taken as it is.
bool CreateLocalFolder(const TransferItem& item, TransferOutcome& outcome) {
  const QByteArray path = QFile::encodeName(item.target);
  struct stat info {};
  if (::mkdir(path.constData(), 0777) == 0 || (errno == EEXIST && ::stat(path.constData(), &info) == 0 &&
                                                S_ISDIR(info.st_mode))) {
    return true;
  }
  const int error = errno == EEXIST ? EEXIST : errno;
  outcome.error = FolderNotCreated(item.name, false);
  outcome.reason = error == EEXIST ? QStringLiteral("Dort liegt eine Datei dieses Namens.") : ReasonForLocalError(error);
  return false;
}

}  // namespace

TransferOutcome RunDownloads(const JobContext& ctx, const QVector<TransferItem>& items, const TransferSettings& settings,
                             const TransferEvents& events) {
  TransferOutcome outcome;
  for (int i = 0; i < items.size(); ++i) {
    if (ctx.Cancelled()) {
      outcome.cancelled = true;
      return outcome;
    }
    const TransferItem& item = items[i];
    if (item.folder) {
      if (events.started) events.started(i);
      if (!CreateLocalFolder(item, outcome)) return outcome;
      ++outcome.finished;
      continue;
    }
    if (item.encrypted && item.size < kSmallestCipherFile) {
      outcome.error = kDownloadTooShort;
      return outcome;
    }
    if (events.started) events.started(i);
    if (item.resume != ResumeStep::None && ctx.ftp.Resumes()) {
      Failure failure;
      int64_t errorClass = kFtpErrorUnknown;
      if (ReceiveThroughResumeFile(ctx, item, settings, events, i, failure, errorClass)) {
        ++outcome.finished;
        continue;
      }
      TakeFailure(ctx, failure, errorClass, outcome);
      return outcome;
    }
    PartialFile partial;
    int error = 0;
    if (!CreatePartialFile(item.target, partial, error)) {
      outcome.error = TargetFailure(item);
      outcome.reason = ReasonForLocalError(error);
      return outcome;
    }
    Failure failure;
    int64_t errorClass = kFtpErrorUnknown;
    const bool received = ctx.ftp.Streams()
                              ? ReceiveByStream(ctx, item, settings, events, i, partial, failure, errorClass)
                              : ReceiveByFile(ctx, item, settings, events, i, partial, failure, errorClass);
    if (received && !ctx.Cancelled() && !CommitPartialFile(partial, item.target, error)) {
      failure = {TargetFailure(item), ReasonForLocalError(error)};
    } else if (received && !ctx.Cancelled()) {
      ++outcome.finished;
      continue;
    }
    // The partial file goes with `partial`; the target stays as it was.
    TakeFailure(ctx, failure, errorClass, outcome);
    return outcome;
  }
  return outcome;
}
