#include "ftp/TransferPlan.h"

#include <QFileInfo>

TransferPlan PlanUpload(const QVector<LocalPick>& picks, const QString& localFolder, const QVector<ServerEntry>& rows,
                        const QString& hostFolder, bool encrypt, bool overwrite) {
  TransferPlan plan;
  for (const LocalPick& pick : picks) {
    if (pick.directory) {
      plan.skippedFolders << pick.name;
      continue;
    }
    const QString serverName = encrypt ? pick.name + QStringLiteral(".aes") : pick.name;
    bool replaces = false;
    for (qsizetype row = 1; row < rows.size(); ++row) {
      if (rows[row].name != serverName) continue;
      // Directories of that name are asked about too; only a file is replaced.
      if (!overwrite) plan.questions << serverName;
      replaces = replaces || rows[row].kind != kDirectoryRow;
    }
    plan.items.append(TransferItem{localFolder + pick.name, hostFolder + serverName, pick.name, 0, encrypt, replaces});
  }
  return plan;
}

TransferPlan PlanDownload(const QVector<ServerEntry>& picked, const QString& hostFolder, const QString& localFolder,
                          bool encrypt, bool overwrite, const LocalFileExistsFn& localFileExists) {
  TransferPlan plan;
  for (const ServerEntry& entry : picked) {
    if (entry.kind == kDirectoryRow) {
      plan.skippedFolders << entry.name;
      continue;
    }
    if (entry.kind != kFileRow && entry.kind != kEncryptedFileRow) continue;
    const bool encrypted = IsEncryptedFileName(entry.name);
    if (encrypted && !encrypt) {
      plan.refusal = kCipherOffForDownload;
      plan.questionsBeforeRefusal = static_cast<int>(plan.questions.size());
      plan.items.clear();
      return plan;
    }
    QString localPath = localFolder + entry.name;
    if (IsEncryptedFileName(localPath)) localPath.chop(4);
    if (!overwrite && localFileExists(localPath)) plan.questions << QFileInfo(localPath).fileName();
    plan.items.append(TransferItem{hostFolder + entry.name, localPath, entry.name, entry.size, encrypted, false});
  }
  return plan;
}

bool LocalFileExists(const QString& path) {
  const QFileInfo info(path);
  return info.isSymLink() ? !info.isDir() : info.isFile();
}
