// A large download through its resume file beside the target: on from a
// block boundary when it is encrypted, the previous ciphertext block taken
// from the server as the chain.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "crypto/StreamCipher.h"
#include "ftp/ErrorReasons.h"
#include "ftp/FtpFunctions.h"
#include "ftp/LocalPartial.h"
#include "ftp/ResumePlan.h"
#include "ftp/ResumeRecords.h"
#include "ftp/ResumeTransfer.h"

namespace {

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

// Where the receive starts and what of the resume file it checks.
struct Seam {
  int64_t from = 0;         // the first byte asked of the server
  int64_t have = 0;         // what the resume file keeps: output below it is compared, not written
  bool chainFirst = false;  // encrypted: the first 16 bytes received are the chain, not data
};

struct ResumeSink {
  const JobContext& ctx;
  const TransferEvents& events;
  const KeyMaterial& key;
  int index = 0;
  int fd = -1;
  int64_t total = 0;
  Seam seam;
  int64_t received = 0;
  int64_t out = 0;  // the file position of the next output byte
  bool encrypted = false;
  StreamCipher cipher;
  uint8_t chain[16] = {};
  int chainHave = 0;
  std::vector<uint8_t> plain;
  std::vector<uint8_t> existing;
  bool mismatch = false;
  bool cipherFailed = false;
  int writeError = 0;
  ProgressThrottle throttle;
  ResumeSink(const JobContext& c, const TransferEvents& e, const KeyMaterial& k) : ctx(c), events(e), key(k) {}
};

// Output bytes: those below the seam must equal what the file holds, the
// rest is written after them.
bool Emit(ResumeSink& s, const uint8_t* data, int64_t n) {
  while (n > 0 && s.out < s.seam.have) {
    const int64_t k = std::min(n, s.seam.have - s.out);
    s.existing.resize(static_cast<size_t>(k));
    if (::pread(s.fd, s.existing.data(), static_cast<size_t>(k), s.out) != k ||
        std::memcmp(s.existing.data(), data, static_cast<size_t>(k)) != 0) {
      s.mismatch = true;
      return false;
    }
    data += k;
    n -= k;
    s.out += k;
  }
  while (n > 0) {
    const ssize_t put = ::pwrite(s.fd, data, static_cast<size_t>(n), s.out);
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) {
      s.writeError = errno;
      return false;
    }
    data += put;
    n -= put;
    s.out += put;
  }
  return true;
}

int64_t OnWrite(void* user, const char* data, int64_t length) {
  auto& s = *static_cast<ResumeSink*>(user);
  if (s.ctx.Cancelled() || length < 0) return -1;
  const auto* bytes = reinterpret_cast<const uint8_t*>(data);
  int64_t n = length;
  if (s.encrypted && s.seam.chainFirst && s.chainHave < 16) {
    const int64_t take = std::min<int64_t>(16 - s.chainHave, n);
    std::memcpy(s.chain + s.chainHave, bytes, static_cast<size_t>(take));
    s.chainHave += static_cast<int>(take);
    bytes += take;
    n -= take;
    if (s.chainHave == 16 && !StartStreamCipherAt(s.cipher, false, s.key, s.chain)) {
      s.cipherFailed = true;
      return -1;
    }
  }
  if (s.encrypted && n > 0) {
    const auto needed = static_cast<size_t>(s.cipher.heldCount + n);
    if (s.plain.size() < needed) s.plain.resize(needed);
    std::memcpy(s.plain.data() + s.cipher.heldCount, bytes, static_cast<size_t>(n));
    const int64_t ready = UpdateStreamCipher(s.cipher, s.plain.data(), n);
    if (ready < 0) {
      s.cipherFailed = true;
      return -1;
    }
    if (!Emit(s, s.plain.data(), ready)) return -1;
  } else if (!s.encrypted && !Emit(s, bytes, n)) {
    return -1;
  }
  s.received += length;
  const int64_t done = s.seam.from + s.received;
  if (s.events.progress && (done == s.total || s.throttle.Due(MonotonicMs()))) s.events.progress(s.index, done, s.total);
  return length;
}

// Opens the resume file to go on from what it holds; false when it cannot
// serve (gone, not ours, too short, as long as the whole).
bool OpenToContinue(const TransferItem& item, int& fd, Seam& seam) {
  fd = ::open(Native(item.partial).constData(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
  struct stat info {};
  if (fd < 0) return false;
  const bool usable = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid();
  const int64_t held = usable ? static_cast<int64_t>(info.st_size) : 0;
  // An encrypted file goes on at a block boundary.
  const int64_t have = item.encrypted ? held / 16 * 16 : held;
  if (!usable || have < (item.encrypted ? 32 : 1) || have >= item.size ||
      (have != held && ::ftruncate(fd, have) != 0)) {
    ::close(fd);
    fd = -1;
    return false;
  }
  seam.have = have;
  if (!item.encrypted) {
    seam.from = std::max<int64_t>(0, have - kResumeOverlapBytes);
  } else if (have - 16 <= kResumeOverlapBytes) {
    seam.from = 0;  // from the start, chained from the key's own vector
  } else {
    seam.from = have - kResumeOverlapBytes - 16;
    seam.chainFirst = true;
  }
  return true;
}

// After a failure: a resume file with enough in it stays for the next time.
void KeepOrDiscard(const JobContext& ctx, int fd, ResumeRecord& record, const FileFailure& failure, int64_t errorClass) {
  struct stat info {};
  const int64_t held = ::fstat(fd, &info) == 0 ? static_cast<int64_t>(info.st_size) : 0;
  ::close(fd);
  const bool cut = ctx.Cancelled() || errorClass == kFtpErrorCancelled || failure.remote;
  if (cut && held >= kResumeMinBytes) {
    record.done = held;
    SaveResumeRecord(record);
    return;
  }
  ::unlink(Native(record.partial).constData());
  DropResumeRecord(record);
}

}  // namespace

QString StartsOverNote(const QString& name, bool gone) {
  return gone ? QStringLiteral("''%1'': Der Rest der unterbrochenen Übertragung ist nicht mehr da; sie beginnt von vorn.")
                    .arg(name)
              : QStringLiteral("''%1'': Der Rest der unterbrochenen Übertragung passt nicht zur Quelle; sie beginnt "
                               "von vorn.")
                    .arg(name);
}

bool ReceiveThroughResumeFile(const JobContext& ctx, const TransferItem& item, const TransferSettings& settings,
                              const TransferEvents& events, int index, FileFailure& failure, int64_t& errorClass) {
  ResumeRecord record{false, settings.server, item.source, item.target, item.partial, item.size,
                      item.date, item.encrypted, 0};
  const QString targetFailure = item.encrypted ? kTargetUnwritable : kCopyFailed;
  bool fresh = item.resume != ResumeStep::Continue;
  for (;;) {
    int fd = -1;
    Seam seam;
    if (!fresh && !OpenToContinue(item, fd, seam)) {
      if (events.note) events.note(index, StartsOverNote(item.name, true));
      fresh = true;
    }
    if (fresh) {
      fd = ::open(Native(item.partial).constData(), O_RDWR | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
      if (fd < 0 || ::fchmod(fd, 0600) != 0) {
        failure = {targetFailure, ReasonForLocalError(errno)};
        if (fd >= 0) ::close(fd);
        return false;
      }
    }
    SaveResumeRecord(record);
    ResumeSink sink(ctx, events, settings.key);
    sink.index = index;
    sink.fd = fd;
    sink.total = item.size;
    sink.seam = seam;
    sink.out = seam.chainFirst ? seam.from + 16 : seam.from;
    sink.encrypted = item.encrypted;
    if (item.encrypted && !seam.chainFirst && !StartStreamCipher(sink.cipher, false, settings.key)) {
      ::close(fd);
      failure = {kDecryptFailed, QString()};
      return false;
    }
    bool received = ctx.ftp.ReceiveFTPStreamEx(ctx.conn, Utf16(item.source), seam.from, &OnWrite, &sink, ctx.msg) != 0;
    if (received && item.encrypted) {
      uint8_t tail[kStreamCipherHeldMax];
      const int64_t n = FinishStreamCipher(sink.cipher, tail);
      received = n >= 0 && Emit(sink, tail, n);
      sink.cipherFailed = sink.cipherFailed || n < 0;
    }
    // The server's file ended before the part already here: not the same file.
    if (received && sink.out < seam.have) sink.mismatch = true;
    if (sink.mismatch && !fresh) {
      ::close(fd);
      // The receive was stopped on purpose; the connection serves the next one.
      if (events.note) events.note(index, StartsOverNote(item.name, false));
      fresh = true;
      continue;
    }
    if (received && !sink.mismatch) {
      PartialFile done;
      done.path = item.partial;
      done.fd = fd;
      int error = 0;
      if (!CommitPartialFile(done, item.target, error)) {
        failure = {targetFailure, ReasonForLocalError(error)};
        DropResumeRecord(record);
        return false;  // the complete file goes with `done`
      }
      DropResumeRecord(record);
      return true;
    }
    errorClass = LastErrorClass(ctx.ftp, ctx.conn);
    if (sink.cipherFailed) {
      failure = {kDecryptFailed, QString()};
    } else if (sink.writeError != 0) {
      failure = {targetFailure, ReasonForLocalError(sink.writeError)};
    } else {
      failure = {kReceiveFailed, ReasonForErrorClass(errorClass, settings.protocol), true};
    }
    KeepOrDiscard(ctx, fd, record, failure, errorClass);
    return false;
  }
}
