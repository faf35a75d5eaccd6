#include "ftp/ServerJobs.h"

#include "ftp/FtpFunctions.h"

namespace {

bool Cancelled(const JobContext& ctx, int64_t errorClass) {
  return ctx.Cancelled() || errorClass == kFtpErrorCancelled;
}

void FinishWithListing(const JobContext& ctx, FolderResult& result, const CountFn& count) {
  result.listing = ReadServerListing(ctx, count);
  result.cancelled = !result.listing.ok && Cancelled(ctx, result.listing.errorClass);
}

}  // namespace

FolderResult ConnectAndList(const JobContext& ctx, const ConnectRequest& r, const CountFn& count) {
  const FtpFunctions& ftp = ctx.ftp;
  FolderResult result;
  if (ftp.SetFTPTrustCallbackEx != nullptr) (void)ftp.SetFTPTrustCallbackEx(ctx.conn, r.trust, r.trustUser);
  if (ftp.SetFTPHostKeyPreferenceEx != nullptr) {
    (void)ftp.SetFTPHostKeyPreferenceEx(ctx.conn, r.keyTypes.isEmpty() ? nullptr : Utf16(r.keyTypes));
  }
  if (ctx.Cancelled() || ftp.OpenFTPEx(ctx.conn, r.protocol, Utf16(r.host), r.port, Utf16(r.user), Utf16(r.password),
                                       2, ctx.msg) == 0) {
    result.errorClass = ctx.Cancelled() ? kFtpErrorCancelled : LastErrorClass(ftp, ctx.conn);
    result.cancelled = Cancelled(ctx, result.errorClass);
    return result;
  }
  result.opened = true;
  const QString wanted = NormalizeServerFolder(r.hostFolder);
  if (r.protocol == 2 && wanted == QLatin1String("/")) {
    // SFTP servers show their whole file system: "/" is where nobody can write.
    result.folder = ConfirmedFolder(ctx, wanted);
  } else if (ftp.SetFTPDirectoryEx(ctx.conn, Utf16(wanted), ctx.msg) != 0) {
    result.folder = ConfirmedFolder(ctx, wanted);
  } else {
    // The profile's folder is gone: the login folder it is.
    result.folder = ConfirmedFolder(ctx, QStringLiteral("/"));
  }
  FinishWithListing(ctx, result, count);
  return result;
}

FolderResult ChangeFolderAndList(const JobContext& ctx, const QString& path, const QString& current,
                                 const CountFn& count) {
  FolderResult result;
  result.folder = current;
  if (ctx.Cancelled() || ctx.ftp.SetFTPDirectoryEx(ctx.conn, Utf16(path), ctx.msg) == 0) {
    result.errorClass = ctx.Cancelled() ? kFtpErrorCancelled : LastErrorClass(ctx.ftp, ctx.conn);
    result.cancelled = Cancelled(ctx, result.errorClass);
    result.listing.errorClass = result.errorClass;
    result.listing.lost = !result.cancelled && ConnectionLost(ctx, result.errorClass);
    return result;
  }
  result.changed = true;
  result.folder = ConfirmedFolder(ctx, path == QLatin1String("..") ? ParentServerFolder(current) : path);
  FinishWithListing(ctx, result, count);
  return result;
}

FolderResult ListFolder(const JobContext& ctx, const QString& current, const CountFn& count) {
  FolderResult result;
  result.folder = current;
  FinishWithListing(ctx, result, count);
  return result;
}

CommandResult RunServerCommand(const JobContext& ctx, ServerCommand command, const QStringList& names) {
  const FtpFunctions& ftp = ctx.ftp;
  CommandResult result;
  switch (command) {
    case ServerCommand::Rename:
      result.ok = ftp.RenameFTPFileEx(ctx.conn, Utf16(names.value(0)), Utf16(names.value(1)), ctx.msg) != 0;
      break;
    case ServerCommand::CreateDirectory:
      result.ok = ftp.CreateFTPDirectoryEx(ctx.conn, Utf16(names.value(0)), ctx.msg) != 0;
      break;
    case ServerCommand::DeleteFiles:
      result.ok = true;
      for (const QString& name : names) {
        if (ctx.Cancelled() || ftp.DeleteFTPFileEx(ctx.conn, Utf16(name), ctx.msg) == 0) {
          result.ok = false;
          break;
        }
        ++result.done;
      }
      break;
  }
  if (!result.ok) {
    result.errorClass = ctx.Cancelled() ? kFtpErrorCancelled : LastErrorClass(ftp, ctx.conn);
    result.cancelled = Cancelled(ctx, result.errorClass);
    result.lost = !result.cancelled && ctx.conn != 0 && ConnectionLost(ctx, result.errorClass);
  }
  if ((result.ok || command == ServerCommand::DeleteFiles) && !result.cancelled && !result.lost && ctx.conn != 0) {
    result.listing = ReadServerListing(ctx);
    result.listed = true;
  }
  return result;
}

void CloseOnServer(const JobContext& ctx) { (void)ctx.ftp.CloseFTPEx(ctx.conn, ctx.msg); }
