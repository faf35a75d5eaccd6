#include "ftp/ServerTree.h"

#include <QElapsedTimer>

#include "ftp/FtpFunctions.h"
#include "ftp/ServerListing.h"

namespace {

struct Pending {
  QString path;  // relative to the chosen folder; "" for the chosen folder itself
  int depth;
  int64_t date;
};

void Failed(const JobContext& ctx, ServerWalk& walk, int64_t errorClass, const QString& folder) {
  walk.failed = true;
  walk.errorClass = ctx.Cancelled() ? kFtpErrorCancelled : errorClass;
  walk.cancelled = walk.errorClass == kFtpErrorCancelled;
  walk.lost = !walk.cancelled && ConnectionLost(ctx, walk.errorClass);
  walk.failedFolder = folder;
}

}  // namespace

bool ReturnToFolder(const JobContext& ctx, const QString& folder) {
  // A cancel blocks every call until it is taken back; this one must run.
  if (ctx.Cancelled() && ctx.ftp.CancelFTPEx != nullptr) (void)ctx.ftp.CancelFTPEx(ctx.conn, 0);
  return ctx.ftp.SetFTPDirectoryEx(ctx.conn, Utf16(folder), ctx.msg) != 0;
}

ServerWalk WalkServerFolder(const JobContext& ctx, const QString& folder, const QString& current,
                            const std::function<void(int64_t)>& count) {
  ServerWalk walk;
  QVector<Pending> stack{{QString(), 1, -1}};
  QElapsedTimer sinceCount;
  sinceCount.start();
  while (!stack.isEmpty()) {
    const Pending next = stack.takeLast();
    if (next.depth > kMaxFolderDepth || walk.tree.entries.size() > kMaxTreeEntries) {
      walk.tooLarge = true;
      walk.failedFolder = next.path;
      break;
    }
    if (!next.path.isEmpty()) walk.tree.entries.append({next.path, true, 0, next.date});
    const QString absolute = next.path.isEmpty() ? folder : folder + next.path + QLatin1Char('/');
    if (ctx.Cancelled() || ctx.ftp.SetFTPDirectoryEx(ctx.conn, Utf16(absolute), ctx.msg) == 0) {
      Failed(ctx, walk, LastErrorClass(ctx.ftp, ctx.conn), next.path);
      break;
    }
    const ListingResult listing = ReadServerListing(ctx);
    if (!listing.ok) {
      Failed(ctx, walk, listing.errorClass, next.path);
      break;
    }
    QVector<Pending> folders;
    for (const ServerEntry& entry : listing.rows) {
      if (entry.kind == kParentRow) continue;
      const QString path = JoinRelative(next.path, entry.name);
      if (entry.link) {
        walk.tree.skipped << path;
      } else if (entry.kind == kDirectoryRow) {
        folders.append({path, next.depth + 1, entry.date});
      } else {
        walk.tree.entries.append({path, false, entry.size, entry.date});
      }
    }
    // Taken from the end: the first folder is walked next.
    for (auto it = folders.crbegin(); it != folders.crend(); ++it) stack.append(*it);
    if (count && sinceCount.elapsed() >= 100) {
      count(walk.tree.entries.size());
      sinceCount.restart();
    }
  }
  walk.ok = !walk.failed && !walk.tooLarge;
  if (!ReturnToFolder(ctx, current) && !walk.lost) {
    // Bare names would now count from another folder: the connection is no longer usable.
    walk.ok = false;
    walk.lost = true;
  }
  return walk;
}
