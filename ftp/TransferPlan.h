#pragma once
// Planning an upload or a download from records, before anything moves: the
// items, the overwrite questions to ask (in the order they are asked; a No to
// any ends the whole command), a refusal that ends the command, and the
// folders among the selection, which are not transferred. Pure.

#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

#include "ftp/ServerEntry.h"
#include "ftp/TransferJob.h"

// A selected row of the local list (the parent entry is never one).
struct LocalPick {
  QString name;
  bool directory = false;
};

struct TransferPlan {
  QVector<TransferItem> items;
  QStringList questions;    // names for the overwrite question
  QString refusal;          // when set, the command ends with this error ...
  int questionsBeforeRefusal = 0;  // ... after the first this many questions
  QStringList skippedFolders;
};

// picks in row order; rows: the server list (row 0 the parent entry).
[[nodiscard]] TransferPlan PlanUpload(const QVector<LocalPick>& picks, const QString& localFolder,
                                      const QVector<ServerEntry>& rows, const QString& hostFolder, bool encrypt,
                                      bool overwrite);

using LocalFileExistsFn = std::function<bool(const QString& path)>;

// picked: the selected server rows in row order. localFileExists answers
// whether something other than a directory is at a path.
[[nodiscard]] TransferPlan PlanDownload(const QVector<ServerEntry>& picked, const QString& hostFolder,
                                        const QString& localFolder, bool encrypt, bool overwrite,
                                        const LocalFileExistsFn& localFileExists);

// The file system's answer for PlanDownload: a file, or a link that does not lead to a directory.
[[nodiscard]] bool LocalFileExists(const QString& path);

inline const QString kCipherOffForDownload = QStringLiteral(
    "Um verschlüsselte Dateien (.aes) herunterzuladen muß die\nAES-256-Verschlüsselung eingeschaltet sein.");
