#include "ftp/TreeDelete.h"

#include <QElapsedTimer>

#include "ftp/FtpFunctions.h"

TreeCounts CountTree(const FolderTree& tree) {
  TreeCounts counts;
  for (const TreeEntry& entry : tree.entries) (entry.folder ? counts.folders : counts.files)++;
  counts.files += static_cast<int>(tree.skipped.size());
  return counts;
}

TreeDeleteResult DeleteServerTree(const JobContext& ctx, const QString& current, const QString& folder,
                                  const FolderTree& tree, const std::function<void(int, int)>& progress) {
  TreeDeleteResult result;
  const TreeCounts counts = CountTree(tree);
  result.filesLeft = counts.files;
  result.foldersLeft = counts.folders;
  // Files (and links) first, in the walk's order; then the folders, each after what it held.
  QStringList files = tree.skipped;
  QStringList folders;
  for (const TreeEntry& entry : tree.entries) (entry.folder ? folders : files) << entry.path;
  const int total = counts.files + counts.folders + 1;
  int done = 0;
  QElapsedTimer sinceProgress;
  sinceProgress.start();
  const auto step = [&](const QString& path, bool isFolder) {
    const QString absolute = current + folder + QLatin1Char('/') + path;
    const bool deleted = !ctx.Cancelled() && (isFolder ? ctx.ftp.DeleteFTPDirectoryEx(ctx.conn, Utf16(absolute), ctx.msg)
                                                       : ctx.ftp.DeleteFTPFileEx(ctx.conn, Utf16(absolute), ctx.msg)) != 0;
    if (!deleted) {
      result.failedPath = JoinRelative(folder, path);
      result.failedIsFolder = isFolder;
      return false;
    }
    (isFolder ? result.foldersLeft : result.filesLeft)--;
    ++done;
    if (progress && sinceProgress.elapsed() >= 100) {
      progress(done, total);
      sinceProgress.restart();
    }
    return true;
  };
  bool ok = true;
  for (const QString& path : files) {
    if (!(ok = step(path, false))) break;
  }
  for (auto it = folders.crbegin(); ok && it != folders.crend(); ++it) ok = step(*it, true);
  if (ok) {
    // The folder itself by its bare name, as a single folder is deleted.
    ok = !ctx.Cancelled() && ctx.ftp.DeleteFTPDirectoryEx(ctx.conn, Utf16(folder), ctx.msg) != 0;
    if (!ok) {
      result.failedPath = folder;
      result.failedIsFolder = true;
    }
  }
  if (!ok) {
    result.errorClass = ctx.Cancelled() ? kFtpErrorCancelled : LastErrorClass(ctx.ftp, ctx.conn);
    result.cancelled = result.errorClass == kFtpErrorCancelled;
    result.lost = !result.cancelled && ConnectionLost(ctx, result.errorClass);
  }
  result.ok = ok;
  if (!result.lost) {
    // What is left shows in the list; a cancel must not keep the listing from it.
    if (result.cancelled && ctx.ftp.CancelFTPEx != nullptr) (void)ctx.ftp.CancelFTPEx(ctx.conn, 0);
    result.listing = ReadServerListing(ctx);
    result.listed = true;
  }
  return result;
}
