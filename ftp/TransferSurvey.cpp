#include "ftp/TransferSurvey.h"

#include <sys/stat.h>

#include <QFile>

#include "ftp/ErrorReasons.h"
#include "ftp/FtpFunctions.h"
#include "ftp/LocalTree.h"
#include "ftp/ServerListing.h"
#include "ftp/ServerTree.h"

namespace {

QString LastComponent(const QString& path) { return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1); }

QString TooLarge(const QString& name) {
  return QStringLiteral("Das Verzeichnis ''%1'' ist zu tief verschachtelt oder hat zu viele Einträge "
                        "(mehr als %2 Ebenen oder %3 Einträge).")
      .arg(name)
      .arg(kMaxFolderDepth)
      .arg(QStringLiteral("1.000.000"));
}

// Takes what a failed server walk says into the result.
void WalkFailed(const ServerWalk& walk, const QString& name, int protocol, SurveyResult& result) {
  result.cancelled = walk.cancelled;
  result.lost = walk.lost;
  if (walk.tooLarge) {
    result.error = TooLarge(name);
    return;
  }
  result.error = QStringLiteral("Das Verzeichnis ''%1'' auf dem Server konnte nicht gelesen werden.")
                     .arg(JoinRelative(name, walk.failedFolder));
  result.reason = ReasonForErrorClass(walk.errorClass, protocol);
}

// Lists target, which is not the current folder, into the result's index.
bool ListTarget(const JobContext& ctx, const UploadSurveyRequest& request, int protocol, SurveyResult& result) {
  if (ctx.ftp.SetFTPDirectoryEx(ctx.conn, Utf16(request.target), ctx.msg) == 0) {
    const int64_t errorClass = ctx.Cancelled() ? kFtpErrorCancelled : LastErrorClass(ctx.ftp, ctx.conn);
    result.cancelled = errorClass == kFtpErrorCancelled;
    result.lost = !result.cancelled && ConnectionLost(ctx, errorClass);
    result.error = QStringLiteral("Das Verzeichnis ''%1'' auf dem Server konnte nicht gelesen werden.")
                       .arg(request.target);
    result.reason = ReasonForErrorClass(errorClass, protocol);
    if (!result.lost && !ReturnToFolder(ctx, request.current)) result.lost = true;
    return false;
  }
  const ListingResult listing = ReadServerListing(ctx);
  const bool back = ReturnToFolder(ctx, request.current);
  if (!listing.ok || !back) {
    result.cancelled = listing.errorClass == kFtpErrorCancelled || ctx.Cancelled();
    result.lost = listing.lost || !back;
    result.error = QStringLiteral("Das Verzeichnis ''%1'' auf dem Server konnte nicht gelesen werden.")
                       .arg(request.target);
    result.reason = ReasonForErrorClass(listing.errorClass, protocol);
    return false;
  }
  result.existing = IndexRows(listing.rows);
  return true;
}

}  // namespace

UploadSource LocalFileSource(const QString& path) {
  UploadSource source{path, false};
  struct stat info {};
  if (::stat(QFile::encodeName(path).constData(), &info) == 0) {
    source.size = static_cast<int64_t>(info.st_size);
    source.date = static_cast<int64_t>(info.st_mtim.tv_sec);
  }
  return source;
}

SurveyResult SurveyUpload(const JobContext& ctx, const UploadSurveyRequest& request, int protocol,
                          const EntryCountFn& count) {
  SurveyResult result;
  for (const LocalPick& pick : request.picks) {
    if (ctx.Cancelled()) {
      result.cancelled = true;
      return result;
    }
    if (!pick.folder) {
      result.uploads.append(LocalFileSource(pick.path));
      continue;
    }
    LocalWalk walk = WalkLocalFolder(pick.path);
    if (!walk.ok) {
      result.error = walk.error == 0 ? TooLarge(LastComponent(pick.path))
                                     : QStringLiteral("Das Verzeichnis ''%1'' konnte nicht gelesen werden.")
                                           .arg(walk.failedPath);
      result.reason = ReasonForLocalError(walk.error);
      return result;
    }
    result.uploads.append(UploadSource{pick.path, true, 0, -1, std::move(walk.tree)});
    if (count) count(result.uploads.last().tree.entries.size());
  }
  // Listed afresh even when it is the shown folder: a run that failed or was
  // cancelled leaves the list as it was, and a folder it made there must
  // still get its questions.
  if (!ListTarget(ctx, request, protocol, result)) return result;
  // Folders the server has already: what they hold decides the questions.
  for (const UploadSource& source : result.uploads) {
    const QString name = LastComponent(source.path);
    if (!source.folder || result.existing.value(name, 0) != kDirectoryRow) continue;
    const ServerWalk walk = WalkServerFolder(ctx, request.target + name + QLatin1Char('/'), request.current, count);
    if (!walk.ok) {
      WalkFailed(walk, name, protocol, result);
      return result;
    }
    AddToIndex(result.existing, name, walk.tree);
  }
  result.ok = true;
  return result;
}

SurveyResult SurveyDownload(const JobContext& ctx, const QVector<ServerEntry>& picked, const QString& current,
                            int protocol, const EntryCountFn& count) {
  SurveyResult result;
  for (const ServerEntry& entry : picked) {
    DownloadSource source{entry, {}};
    if (entry.kind == kDirectoryRow) {
      ServerWalk walk = WalkServerFolder(ctx, current + entry.name + QLatin1Char('/'), current, count);
      if (!walk.ok) {
        WalkFailed(walk, entry.name, protocol, result);
        return result;
      }
      source.tree = std::move(walk.tree);
    }
    result.downloads.append(std::move(source));
  }
  result.ok = true;
  return result;
}
