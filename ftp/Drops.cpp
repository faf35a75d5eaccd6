#include "ftp/Drops.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include "ftp/Download.h"
#include "ftp/FtpSession.h"
#include "ftp/ServerList.h"
#include "ftp/Upload.h"
#include "local/LocalList.h"
#include "state/StatusLog.h"
#include "ui/DeferredMimeData.h"
#include "ui/FileListWidget.h"

namespace {

// Where the download for another program goes and how long it stays.
QString NewDragFolder(AppState& state) {
  FtpSession* session = Session(state);
  if (session == nullptr) return QString();
  session->dragFolder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/tarnholm-drag-XXXXXX"));
  if (!session->dragFolder->isValid()) return QString();
  (void)QFile::setPermissions(session->dragFolder->path(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  return session->dragFolder->path() + QLatin1Char('/');
}

// Downloads entries of folder into a fresh folder and answers their URLs once
// all arrived; the window's loop runs meanwhile, so its progress, the cancel
// control and any question work as for the arrows.
QList<QUrl> FetchForOtherProgram(AppState& state, const QVector<ServerEntry>& entries, const QString& folder) {
  if (ServerJobRunning(state) || state.connection == 0 || state.hostFolder != folder) return {};
  const QString target = NewDragFolder(state);
  if (target.isEmpty()) return {};
  bool done = false;
  bool complete = false;
  DownloadServerEntries(state, entries, target, [&done, &complete](bool all) {
    done = true;
    complete = all;
  });
  QEventLoop loop;
  QTimer check;
  QObject::connect(&check, &QTimer::timeout, &loop, [&] {
    if (done || !ServerJobRunning(state)) loop.quit();
  });
  check.start(20);
  if (!done) loop.exec();
  if (!complete) return {};
  QList<QUrl> urls;
  for (const ServerEntry& entry : entries) {
    const bool decrypted = entry.kind != kDirectoryRow && IsEncryptedFileName(entry.name);
    const QString path = target + (decrypted ? entry.name.chopped(4) : entry.name);
    if (QFileInfo::exists(path)) urls << QUrl::fromLocalFile(path);
  }
  return urls;
}

}  // namespace

void UploadDropped(AppState& state, const DropData& drop) {
  if (RefuseWhileBusy(state) || state.connection == 0 || drop.localPaths.isEmpty()) return;
  QString target = state.hostFolder;
  const ServerEntry* onto = drop.row >= 1 ? ServerRowAt(state, drop.row) : nullptr;
  if (onto != nullptr && onto->kind == kDirectoryRow) target += onto->name + QLatin1Char('/');
  QVector<LocalPick> picks;
  for (QString path : drop.localPaths) {
    while (path.size() > 1 && path.endsWith(QLatin1Char('/'))) path.chop(1);
    const QFileInfo info(path);
    if (info.exists()) picks.append({path, info.isDir()});
  }
  UploadLocalPicks(state, picks, target);
}

void DownloadDropped(AppState& state, const DropData& drop) {
  if (RefuseWhileBusy(state) || state.connection == 0 || drop.serverNames.isEmpty()) return;
  // The names belong to the folder they were dragged from; the list may show another by now.
  if (drop.serverFolder != state.hostFolder) {
    AppendStatusMessage(state, QStringLiteral("Die gezogenen Einträge stammen aus einem anderen Serververzeichnis."));
    return;
  }
  QVector<ServerEntry> entries;
  for (const ServerEntry& row : ServerRowRecords(state)) {
    if (row.kind != kParentRow && drop.serverNames.contains(row.name)) entries.append(row);
  }
  QString target = state.localFolder;
  if (drop.row >= 1 && LocalRowKindAt(state, drop.row) == LocalRowKind::Directory) {
    target += LocalRowName(state, drop.row) + QLatin1Char('/');
  }
  DownloadServerEntries(state, entries, target);
}

QMimeData* ServerListDrag(AppState& state) {
  if (ServerJobRunning(state) || state.connection == 0) return nullptr;
  const QVector<ServerEntry> entries = SelectedServerRows(state);
  if (entries.isEmpty()) return nullptr;
  QStringList names;
  for (const ServerEntry& entry : entries) names << entry.name;
  const QString folder = state.hostFolder;
  QMimeData* own = ServerEntriesMimeData(folder, names);
  const QByteArray data = own->data(QString::fromLatin1(kServerEntriesMime));
  delete own;
  AppState* owner = &state;
  return new DeferredMimeData(data, [owner, entries, folder] { return FetchForOtherProgram(*owner, entries, folder); });
}

void SetUpServerListDrag(AppState& state) {
  auto* list = dynamic_cast<FileListWidget*>(state.main.serverList);
  AppState* owner = &state;
  if (list != nullptr) list->SetDragSource([owner] { return ServerListDrag(*owner); });
}
