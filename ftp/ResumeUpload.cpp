// A large upload through its resume file beside the target on the server:
// on from what the server holds once its last bytes agree with the source;
// encrypted, from the block boundary before that point, the ciphertext block
// before it fetched from the server as the chain.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "crypto/StreamCipher.h"
#include "ftp/EncryptAhead.h"
#include "ftp/ErrorReasons.h"
#include "ftp/FileRead.h"
#include "ftp/FtpFunctions.h"
#include "ftp/ResumePlan.h"
#include "ftp/ResumeRecords.h"
#include "ftp/ResumeTransfer.h"

namespace {

struct ResumeSource {
  const JobContext& ctx;
  const TransferEvents& events;
  int index = 0;
  int fd = -1;
  int64_t total = 0;   // the whole file
  int64_t offset = 0;  // what the server holds already
  int64_t sent = 0;
  bool encrypted = false;
  EncryptAhead ahead;
  QByteArray expected;  // encrypted: the server's bytes the first output must equal (it starts before offset)
  int64_t matched = 0;
  bool mismatch = false;
  int readError = 0;
  ProgressThrottle throttle;
  ResumeSource(const JobContext& c, const TransferEvents& e) : ctx(c), events(e) {}
  ~ResumeSource() {
    StopEncryptAhead(ahead);  // it reads from fd
    if (fd >= 0) ::close(fd);
  }
};

// The encrypted bytes from the block boundary up to offset are on the server
// already: they are compared, not sent.
bool SkipKnown(ResumeSource& s) {
  char scratch[4096];
  while (s.matched < s.expected.size()) {
    const int64_t want = std::min<int64_t>(sizeof scratch, s.expected.size() - s.matched);
    const int64_t got = TakeEncrypted(s.ahead, scratch, want);
    if (got <= 0 || std::memcmp(scratch, s.expected.constData() + s.matched, static_cast<size_t>(got)) != 0) {
      s.mismatch = got > 0;
      return false;
    }
    s.matched += got;
  }
  return true;
}

int64_t OnRead(void* user, char* buffer, int64_t capacity) {
  auto& s = *static_cast<ResumeSource*>(user);
  if (s.ctx.Cancelled() || capacity <= 0) return -1;
  if (s.encrypted && !SkipKnown(s)) return -1;
  const int64_t n = s.encrypted ? TakeEncrypted(s.ahead, buffer, capacity) : ReadFromFile(s.fd, buffer, capacity, s.readError);
  if (n < 0) return -1;
  s.sent += n;
  const int64_t done = s.offset + s.sent;
  if (s.events.progress && (done == s.total || s.throttle.Due(MonotonicMs()))) s.events.progress(s.index, done, s.total);
  return n;
}

struct Collect {
  QByteArray bytes;
  int64_t limit = 0;
};

int64_t OnCollect(void* user, const char* data, int64_t length) {
  auto& c = *static_cast<Collect*>(user);
  if (c.bytes.size() + length > c.limit) return -1;
  c.bytes.append(data, static_cast<qsizetype>(length));
  return length;
}

// The server's bytes [from, to) of the resume file; false when it does not hold exactly those.
bool FetchTail(const JobContext& ctx, const QString& path, int64_t from, int64_t to, QByteArray& out) {
  Collect collect{{}, to - from};
  if (ctx.ftp.ReceiveFTPStreamEx(ctx.conn, Utf16(path), from, &OnCollect, &collect, ctx.msg) == 0) return false;
  out = collect.bytes;
  return out.size() == to - from;
}

bool ReadAt(int fd, int64_t at, int64_t n, QByteArray& out) {
  out.resize(static_cast<qsizetype>(n));
  return ::pread(fd, out.data(), static_cast<size_t>(n), at) == n;
}

enum class Seam { Agrees, StartOver, Failed };

// Sets the source up to go on after the `held` bytes the server has: checks
// the last bytes before that point and positions the reading.
Seam PrepareContinue(const JobContext& ctx, const TransferItem& item, const KeyMaterial& key, int64_t held,
                     ResumeSource& source) {
  const int64_t n = source.total;
  if (held < (item.encrypted ? 48 : 1) || held > n) return Seam::StartOver;
  if (!item.encrypted) {
    const int64_t from = std::max<int64_t>(0, held - kResumeOverlapBytes);
    QByteArray server, local;
    if (!FetchTail(ctx, item.partial, from, held, server)) return ctx.Cancelled() ? Seam::Failed : Seam::StartOver;
    if (!ReadAt(source.fd, from, held - from, local) || local != server) return Seam::StartOver;
    return ::lseek(source.fd, held, SEEK_SET) == held ? Seam::Agrees : Seam::StartOver;
  }
  // The encryption goes on at a block boundary well before the stolen end.
  const int64_t boundary = std::min(held, n - 32) / 16 * 16;
  if (boundary < 16) return Seam::StartOver;
  const int64_t from = std::max<int64_t>(0, boundary - 16 - kResumeOverlapBytes);
  QByteArray server, plain;
  if (!FetchTail(ctx, item.partial, from, held, server)) return ctx.Cancelled() ? Seam::Failed : Seam::StartOver;
  const auto* fetched = reinterpret_cast<const uint8_t*>(server.constData());
  const uint8_t* chain = from == 0 ? key.data() + kIvOffset : fetched;
  const int64_t checkFrom = from == 0 ? 0 : from + 16;
  if (!ReadAt(source.fd, checkFrom, boundary - checkFrom, plain)) return Seam::StartOver;
  std::vector<uint8_t> expected(static_cast<size_t>(boundary - checkFrom));
  if (!CbcChainedBlocks(true, key, chain, reinterpret_cast<const uint8_t*>(plain.constData()), expected.data(),
                        boundary - checkFrom) ||
      std::memcmp(expected.data(), fetched + (checkFrom - from), expected.size()) != 0) {
    return Seam::StartOver;
  }
  if (::lseek(source.fd, boundary, SEEK_SET) != boundary) return Seam::StartOver;
  source.expected = server.mid(static_cast<qsizetype>(boundary - from));
  StartEncryptAhead(source.ahead, source.fd, key, fetched + (boundary - 16 - from));
  return Seam::Agrees;
}

// A resume file that is not to be kept goes; the job's own cancel must not block that.
void RemoveResumeFile(const JobContext& ctx, const ResumeRecord& record) {
  if (ctx.ftp.CancelFTPEx != nullptr) (void)ctx.ftp.CancelFTPEx(ctx.conn, 0);
  (void)ctx.ftp.DeleteFTPFileEx(ctx.conn, Utf16(record.partial), ctx.msg);
  DropResumeRecord(record);
}

}  // namespace

bool SendThroughResumeFile(const JobContext& ctx, const TransferItem& item, const TransferSettings& settings,
                           const TransferEvents& events, int index, FileFailure& failure, int64_t& errorClass) {
  ResumeRecord record{true, settings.server, item.target, item.source, item.partial, item.size,
                      item.date, item.encrypted, 0};
  bool fresh = item.resume != ResumeStep::Continue;
  for (;;) {
    ResumeSource source(ctx, events);
    source.index = index;
    source.encrypted = item.encrypted;
    source.fd = ::open(QFile::encodeName(item.source).constData(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (source.fd < 0 || ::fstat(source.fd, &info) != 0) {
      failure = {kSourceUnreadable, ReasonForLocalError(errno)};
      return false;
    }
    source.total = static_cast<int64_t>(info.st_size);
    if (!fresh) {
      const int64_t held = ctx.ftp.FTPFileSizeEx(ctx.conn, Utf16(item.partial), ctx.msg);
      errorClass = LastErrorClass(ctx.ftp, ctx.conn);
      if (held < 0 && errorClass != kFtpErrorNotFound) {
        failure = {kSendFailed, ReasonForErrorClass(errorClass, settings.protocol), true};
        return false;
      }
      const Seam seam = held < 0 ? Seam::StartOver : PrepareContinue(ctx, item, settings.key, held, source);
      if (seam == Seam::Failed) {
        errorClass = LastErrorClass(ctx.ftp, ctx.conn);
        return false;
      }
      if (seam == Seam::StartOver) {
        if (events.note) events.note(index, StartsOverNote(item.name, held < 0));
        fresh = true;
        continue;
      }
      source.offset = held;
    } else if (item.encrypted) {
      StartEncryptAhead(source.ahead, source.fd, settings.key);
    }
    record.done = source.offset;
    SaveResumeRecord(record);
    ::posix_fadvise(source.fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    if (ctx.ftp.SendFTPStreamEx(ctx.conn, &OnRead, &source, source.total - source.offset, Utf16(item.partial),
                                source.offset, 0, ctx.msg) != 0) {
      if (ctx.ftp.ReplaceFTPFileEx(ctx.conn, Utf16(item.partial), Utf16(item.target), ctx.msg) != 0) {
        DropResumeRecord(record);
        return true;
      }
      errorClass = LastErrorClass(ctx.ftp, ctx.conn);
      failure = {kSendFailed, ReasonForErrorClass(errorClass, settings.protocol), true};
      if (!ConnectionLost(ctx, errorClass)) RemoveResumeFile(ctx, record);
      return false;
    }
    errorClass = LastErrorClass(ctx.ftp, ctx.conn);
    StopEncryptAhead(source.ahead);
    if (source.mismatch) {
      if (events.note) events.note(index, StartsOverNote(item.name, false));
      fresh = true;
      continue;
    }
    if (source.ahead.cipherFailed) {
      failure = {kEncryptFailed, QString()};
    } else if (source.readError != 0 || source.ahead.readError != 0) {
      failure = {kSendFailed, ReasonForLocalError(source.readError != 0 ? source.readError : source.ahead.readError)};
    } else {
      failure = {kSendFailed, ReasonForErrorClass(errorClass, settings.protocol), true};
    }
    const bool cancelled = ctx.Cancelled() || errorClass == kFtpErrorCancelled;
    const bool lost = !cancelled && failure.remote && ConnectionLost(ctx, errorClass);
    record.done = source.offset + source.sent;
    if ((cancelled || failure.remote) && record.done >= kResumeMinBytes) {
      SaveResumeRecord(record);
    } else if (!lost) {
      RemoveResumeFile(ctx, record);
    }
    return false;
  }
}
