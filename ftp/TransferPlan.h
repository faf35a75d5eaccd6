#pragma once
// Planning an upload or a download from records, before anything moves: the
// items (folders before what they hold), the overwrite questions to ask (in
// the order they are asked, each naming its item), a refusal that ends the
// command, and what was left out below a folder. Pure.

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

#include "ftp/FolderTree.h"
#include "ftp/ServerEntry.h"
#include "ftp/TransferJob.h"

// A local file or folder to upload; a folder comes with what lies below it.
struct UploadSource {
  QString path;        // absolute, without a trailing "/"
  bool folder = false;
  int64_t size = 0;    // a file's size
  int64_t date = -1;   // a file's modification time in seconds
  FolderTree tree{};   // a folder's content
};

// A selected server entry; a folder comes with what the walk found below it.
struct DownloadSource {
  ServerEntry entry;
  FolderTree tree{};
};

struct PlanQuestion {
  QString name;  // as the question names it: the path below the shown folder
  int item = 0;  // the item it is about
};

struct TransferPlan {
  QVector<TransferItem> items;
  QVector<PlanQuestion> questions;  // overwrite questions
  QString refusal;                  // when set, the command ends with this error ...
  int questionsBeforeRefusal = 0;   // ... after the first this many questions
  QStringList skipped;              // left out below the chosen folders (links, special files)
  QStringList tooShort;             // encrypted uploads: files below the chosen folders too short to encrypt
};

// The files among the items.
[[nodiscard]] int PlannedFileCount(const QVector<TransferItem>& items);

// What a folder on the server holds, by path relative to it: row kinds.
using ServerIndex = QHash<QString, int>;
// The rows of a listing (the parent entry left out).
[[nodiscard]] ServerIndex IndexRows(const QVector<ServerEntry>& rows);
// What a walk found below the folder `prefix`; links it left out count as files.
void AddToIndex(ServerIndex& index, const QString& prefix, const FolderTree& tree);

// Into targetFolder (absolute, ending in "/"), which holds `existing`.
[[nodiscard]] TransferPlan PlanUpload(const QVector<UploadSource>& sources, const QString& targetFolder,
                                      const ServerIndex& existing, bool encrypt, bool overwrite);

using LocalFileExistsFn = std::function<bool(const QString& path)>;

// sources in row order, from hostFolder into localFolder (both ending in
// "/"). localFileExists answers whether something other than a directory is
// at a path.
[[nodiscard]] TransferPlan PlanDownload(const QVector<DownloadSource>& sources, const QString& hostFolder,
                                        const QString& localFolder, bool encrypt, bool overwrite,
                                        const LocalFileExistsFn& localFileExists);

// The file system's answer for PlanDownload: a file, or a link that does not lead to a directory.
[[nodiscard]] bool LocalFileExists(const QString& path);

inline const QString kCipherOffForDownload = QStringLiteral(
    "Um verschlüsselte Dateien (.aes) herunterzuladen muß die\nAES-256-Verschlüsselung eingeschaltet sein.");
