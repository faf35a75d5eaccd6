#include "ftp/ServerListing.h"

#include <QElapsedTimer>

#include "ftp/FtpFunctions.h"

namespace {

constexpr int kNameBuffer = 260;
constexpr int64_t kCountIntervalMs = 100;
constexpr int64_t kLinkAttribute = 0x400;

QString EntryName(const JobContext& ctx, char16_t* buffer) {
  buffer[0] = u'\0';
  (void)ctx.ftp.FTPDirectoryEntryNameEx(ctx.conn, buffer, ctx.msg);
  buffer[kNameBuffer - 1] = u'\0';  // whatever the library wrote, the name ends inside the buffer
  return QString::fromUtf16(buffer);
}

}  // namespace

bool ConnectionLost(const JobContext& ctx, int64_t errorClass) {
  if (errorClass == kFtpErrorConnectionLost) return true;
  if (errorClass != kFtpErrorUnknown) return false;
  return ctx.ftp.CheckFTPConnectionEx(ctx.conn, ctx.msg) == 0;
}

QString ConfirmedFolder(const JobContext& ctx, const QString& fallback) {
  char16_t buffer[kNameBuffer];
  buffer[0] = u'\0';
  if (ctx.ftp.GetFTPDirectoryEx(ctx.conn, buffer, ctx.msg) == 0) return NormalizeServerFolder(fallback);
  buffer[kNameBuffer - 1] = u'\0';
  const QString folder = QString::fromUtf16(buffer);
  return NormalizeServerFolder(folder.isEmpty() ? fallback : folder);
}

ListingResult ReadServerListing(const JobContext& ctx, const std::function<void(int64_t)>& count) {
  ListingResult result;
  const FtpFunctions& ftp = ctx.ftp;
  if (ftp.ExamineFTPDirectoryEx(ctx.conn, ctx.msg) == 0) {
    result.errorClass = LastErrorClass(ftp, ctx.conn);
    result.lost = result.errorClass != kFtpErrorCancelled && !ctx.Cancelled() && ConnectionLost(ctx, result.errorClass);
    return result;
  }
  char16_t buffer[kNameBuffer];
  QVector<ServerEntry> listed;
  QElapsedTimer sinceCount;
  sinceCount.start();
  int64_t seen = 0;
  while (ftp.NextFTPDirectoryEntryEx(ctx.conn, ctx.msg) != 0) {
    if ((++seen & 1023) == 0 && ctx.Cancelled()) break;
    const QString name = EntryName(ctx, buffer);
    const int64_t type = ftp.FTPDirectoryEntryTypeEx(ctx.conn, ctx.msg);
    if ((type != 1 && type != 2) || !IsListableName(name)) continue;
    ServerEntry entry{name, 0, -1, kDirectoryRow};
    // Links are told apart where the backend knows them (an older one says 0).
    entry.link = (ftp.FTPDirectoryEntryAttributesEx(ctx.conn, ctx.msg) & kLinkAttribute) != 0;
    if (type == 1) {
      entry.size = ftp.FTPDirectoryEntrySizeEx(ctx.conn, ctx.msg);
      entry.date = ftp.FTPDirectoryEntryDateEx(ctx.conn, ctx.msg);
      entry.kind = IsEncryptedFileName(name) ? kEncryptedFileRow : kFileRow;
    }
    listed.append(std::move(entry));
    if (count && sinceCount.elapsed() >= kCountIntervalMs) {
      count(listed.size());
      sinceCount.restart();
    }
  }
  (void)ftp.FinishFTPDirectoryEx(ctx.conn, ctx.msg);
  if (ctx.Cancelled()) {
    result.errorClass = kFtpErrorCancelled;
    return result;
  }
  result.rows = ServerRows(listed);
  result.ok = true;
  return result;
}
