#include "ftp/TransferPlan.h"

#include <QFileInfo>

#include "crypto/FileCipher.h"

namespace {

QString LastComponent(const QString& path) { return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1); }

void AddUploadFile(TransferPlan& plan, const QString& source, const QString& relative, int64_t size, int64_t date,
                   const QString& targetFolder, const ServerIndex& existing, bool encrypt, bool overwrite) {
  const QString serverPath = encrypt ? relative + QStringLiteral(".aes") : relative;
  const int kind = existing.value(serverPath, 0);
  const int item = static_cast<int>(plan.items.size());
  // A directory of that name is asked about too; only a file is replaced.
  if (kind != 0 && !overwrite) plan.questions.append({serverPath, item});
  TransferItem file{source, targetFolder + serverPath, relative, size, encrypt, kind != 0 && kind != kDirectoryRow};
  file.date = date;
  plan.items.append(file);
}

void AddFolder(TransferPlan& plan, const QString& source, const QString& target, const QString& relative) {
  TransferItem folder{source, target, relative};
  folder.folder = true;
  plan.items.append(folder);
}

// False (with the plan's refusal set) for an encrypted file while encryption is off.
bool AddDownloadFile(TransferPlan& plan, const QString& source, const QString& relative, int64_t size, int64_t date,
                     const QString& localFolder, bool encrypt, bool overwrite,
                     const LocalFileExistsFn& localFileExists) {
  const bool encrypted = IsEncryptedFileName(LastComponent(relative));
  if (encrypted && !encrypt) {
    plan.refusal = kCipherOffForDownload;
    plan.questionsBeforeRefusal = static_cast<int>(plan.questions.size());
    plan.items.clear();
    return false;
  }
  const QString shown = encrypted ? relative.chopped(4) : relative;
  const QString localPath = localFolder + shown;
  if (!overwrite && localFileExists(localPath)) plan.questions.append({shown, static_cast<int>(plan.items.size())});
  TransferItem file{source, localPath, relative, size, encrypted, false};
  file.date = date;
  plan.items.append(file);
  return true;
}

}  // namespace

int PlannedFileCount(const QVector<TransferItem>& items) {
  return static_cast<int>(std::count_if(items.begin(), items.end(), [](const TransferItem& i) { return !i.folder; }));
}

ServerIndex IndexRows(const QVector<ServerEntry>& rows) {
  ServerIndex index;
  for (const ServerEntry& row : rows) {
    if (row.kind != kParentRow) index.insert(row.name, row.kind);
  }
  return index;
}

void AddToIndex(ServerIndex& index, const QString& prefix, const FolderTree& tree) {
  for (const TreeEntry& entry : tree.entries) {
    index.insert(JoinRelative(prefix, entry.path), entry.folder ? kDirectoryRow : kFileRow);
  }
  for (const QString& path : tree.skipped) index.insert(JoinRelative(prefix, path), kFileRow);
}

TransferPlan PlanUpload(const QVector<UploadSource>& sources, const QString& targetFolder, const ServerIndex& existing,
                        bool encrypt, bool overwrite) {
  TransferPlan plan;
  for (const UploadSource& source : sources) {
    const QString name = LastComponent(source.path);
    if (!source.folder) {
      AddUploadFile(plan, source.path, name, source.size, source.date, targetFolder, existing, encrypt, overwrite);
      continue;
    }
    // Folder names stay as they are, also when the files go up encrypted.
    if (existing.value(name, 0) != kDirectoryRow) AddFolder(plan, source.path, targetFolder + name, name);
    for (const TreeEntry& entry : source.tree.entries) {
      const QString relative = JoinRelative(name, entry.path);
      const QString from = source.path + QLatin1Char('/') + entry.path;
      if (!entry.folder && encrypt && entry.size < kSmallestCipherFile) {
        // One such file would end the whole run; it is left out and named instead.
        plan.tooShort << relative;
      } else if (!entry.folder) {
        AddUploadFile(plan, from, relative, entry.size, entry.date, targetFolder, existing, encrypt, overwrite);
      } else if (existing.value(relative, 0) != kDirectoryRow) {
        AddFolder(plan, from, targetFolder + relative, relative);
      }
    }
    for (const QString& path : source.tree.skipped) plan.skipped << JoinRelative(name, path);
  }
  return plan;
}

TransferPlan PlanDownload(const QVector<DownloadSource>& sources, const QString& hostFolder, const QString& localFolder,
                          bool encrypt, bool overwrite, const LocalFileExistsFn& localFileExists) {
  TransferPlan plan;
  for (const DownloadSource& source : sources) {
    const ServerEntry& entry = source.entry;
    if (entry.kind == kFileRow || entry.kind == kEncryptedFileRow) {
      if (!AddDownloadFile(plan, hostFolder + entry.name, entry.name, entry.size, entry.date, localFolder, encrypt,
                           overwrite, localFileExists)) {
        return plan;
      }
      continue;
    }
    if (entry.kind != kDirectoryRow) continue;
    AddFolder(plan, hostFolder + entry.name, localFolder + entry.name, entry.name);
    for (const TreeEntry& below : source.tree.entries) {
      const QString relative = JoinRelative(entry.name, below.path);
      if (below.folder) {
        AddFolder(plan, hostFolder + relative, localFolder + relative, relative);
      } else if (!AddDownloadFile(plan, hostFolder + relative, relative, below.size, below.date, localFolder, encrypt,
                                  overwrite, localFileExists)) {
        return plan;
      }
    }
    for (const QString& path : source.tree.skipped) plan.skipped << JoinRelative(entry.name, path);
  }
  return plan;
}

bool LocalFileExists(const QString& path) {
  const QFileInfo info(path);
  return info.isSymLink() ? !info.isDir() : info.isFile();
}
