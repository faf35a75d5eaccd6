#include "local/LocalList.h"

#include <QDateTime>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSet>
#include <QItemSelectionModel>
#include <QTreeWidget>
#include <QUrl>
#include <algorithm>
#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif
#include <numeric>
#include <utility>

#include "local/LocalListAccess.h"
#include "local/LocalVolumes.h"
#include "state/DateFormat.h"

namespace {

constexpr int kKindRole = Qt::UserRole;
constexpr int kPathRole = Qt::UserRole + 1;      // mount point of a volume row
constexpr int kSizeRole = Qt::UserRole + 2;      // a file's size in bytes, as shown
constexpr int kModifiedRole = Qt::UserRole + 3;  // a file's modification time in ms, as shown

int ColumnIndex(const LocalListState& s, LocalColumn column) {
  return static_cast<int>(s.columns.indexOf(column));
}

QTreeWidgetItem* NewRow(const LocalListState& s, LocalRowKind kind, const QString& name,
                        const QString& size, const QString& type, const QString& modified) {
  auto* item = new QTreeWidgetItem;
  for (int c = 0; c < s.columns.size(); ++c) {
    switch (s.columns[c]) {
      case LocalColumn::Name: item->setText(c, name); break;
      case LocalColumn::Size:
        item->setText(c, size);
        item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
        break;
      case LocalColumn::Type: item->setText(c, type); break;
      case LocalColumn::Modified: item->setText(c, modified); break;
    }
  }
  item->setData(0, kKindRole, static_cast<int>(kind));
  return item;
}

LocalRowKind KindOf(const QTreeWidgetItem* item) {
  return item ? static_cast<LocalRowKind>(item->data(0, kKindRole).toInt()) : LocalRowKind::None;
}

QString NameOf(const LocalListState& s, const QTreeWidgetItem* item) {
  if (!item) return QString();
  if (KindOf(item) == LocalRowKind::Volume) return item->data(0, kPathRole).toString();
  const int nameColumn = ColumnIndex(s, LocalColumn::Name);
  return nameColumn < 0 ? QString() : item->text(nameColumn);
}

// Size and modification time of a file (links followed); size -1 for
// directories and missing entries. A plain stat: this runs for every row on
// every list event and in the poll for changes made in place.
struct FileStamp {
  qint64 size = -1;
  qint64 modifiedMs = 0;
};

FileStamp StatFile(const QString& path) {
#ifdef Q_OS_UNIX
  struct stat info {};
  if (::stat(QFile::encodeName(path).constData(), &info) != 0 || S_ISDIR(info.st_mode)) return {};
  return {static_cast<qint64>(info.st_size),
          static_cast<qint64>(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000};
#else
  const QFileInfo info(path);
  if (!info.exists() || info.isDir()) return {};
  return {info.size(), info.lastModified().toMSecsSinceEpoch()};
#endif
}

// A file row shows its size in bytes and its date; both kept beside the texts.
void ShowFileStamp(const LocalListState& s, QTreeWidgetItem* item, const FileStamp& stamp) {
  const int sizeColumn = ColumnIndex(s, LocalColumn::Size);
  const int dateColumn = ColumnIndex(s, LocalColumn::Modified);
  if (sizeColumn >= 0) item->setText(sizeColumn, QString::number(stamp.size));
  if (dateColumn >= 0) item->setText(dateColumn, ListDateText(QDateTime::fromMSecsSinceEpoch(stamp.modifiedMs)));
  item->setData(0, kSizeRole, stamp.size);
  item->setData(0, kModifiedRole, stamp.modifiedMs);
}

// Shows the file's size and date as they are on disk now, where they changed.
void FollowFileOnDisk(const LocalListState& s, QTreeWidgetItem* item) {
  const FileStamp stamp = StatFile(s.directory + NameOf(s, item));
  // A vanished file goes with the refill its directory's change brings.
  if (stamp.size < 0) return;
  if (item->data(0, kSizeRole).toLongLong() == stamp.size &&
      item->data(0, kModifiedRole).toLongLong() == stamp.modifiedMs) {
    return;
  }
  ShowFileStamp(s, item, stamp);
}

void Watch(LocalListState& s) {
  const QStringList watched = s.watcher->directories();
  if (!watched.isEmpty()) s.watcher->removePaths(watched);
  // Re-armed on every fill: a directory removed and made again is a new one.
  if (!s.directory.isEmpty()) (void)s.watcher->addPath(s.directory);
}

void AddVolumeRows(LocalListState& s, QList<QTreeWidgetItem*>& rows) {
  const QVector<LocalVolume> volumes = ListLocalVolumes();
  s.volumeRoots = VolumeRoots(volumes);
  const QIcon& icon = VolumeIcon(s.fileTypes);
  for (const LocalVolume& volume : volumes) {
    QTreeWidgetItem* row = NewRow(s, LocalRowKind::Volume, volume.displayName, {}, {}, {});
    row->setData(0, kPathRole, volume.rootPath);
    row->setIcon(0, icon);
    rows << row;
  }
}

void AddDirectoryRows(LocalListState& s, QList<QTreeWidgetItem*>& rows) {
  const QIcon& folder = FolderIcon(s.fileTypes);
  const bool root = s.directory == QLatin1String("/");
  QTreeWidgetItem* parent = NewRow(s, root ? LocalRowKind::ParentOfRoot : LocalRowKind::ParentOfDirectory,
                                   QStringLiteral(".."), {}, {}, {});
  parent->setIcon(0, folder);
  rows << parent;

  // One pass over the directory; an unreadable one yields nothing and shows
  // only the parent entry.
  QVector<QFileInfo> files;
  QDirIterator it(s.directory, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  const QString folderType = s.fileTypes.provider.type(QFileInfo(s.directory));
  while (it.hasNext()) {
    const QFileInfo info = it.nextFileInfo();
    if (!info.isDir()) {
      files.push_back(info);
      continue;
    }
    QTreeWidgetItem* row = NewRow(s, LocalRowKind::Directory, info.fileName(), {}, folderType,
                                  ListDateText(info.lastModified()));
    row->setIcon(0, folder);
    rows << row;
  }

  // Each pattern in turn; a file that more than one pattern matches is listed
  // once, so that it is not uploaded twice.
  const QStringList patterns = SplitLocalPatterns(s.pattern);
  QVector<bool> taken(files.size(), false);
  for (const QString& pattern : patterns) {
    const bool all = pattern == QLatin1String("*");
    const QRegularExpression expression(QRegularExpression::wildcardToRegularExpression(pattern),
                                        QRegularExpression::CaseInsensitiveOption);
    for (qsizetype i = 0; i < files.size(); ++i) {
      if (taken[i]) continue;
      const QFileInfo& info = files[i];
      if (!all && !expression.match(info.fileName()).hasMatch()) continue;
      taken[i] = true;
      const FileTypeInfo type = LookUpFileType(s.fileTypes, info);
      QTreeWidgetItem* row = NewRow(s, LocalRowKind::File, info.fileName(), {}, type.typeName, {});
      ShowFileStamp(s, row, {info.size(), info.lastModified().toMSecsSinceEpoch()});
      row->setIcon(0, type.icon);
      rows << row;
    }
  }
}

LocalSortKey SortKeyOf(const LocalListState& s, const QTreeWidgetItem* item, LocalColumn column,
                       int columnIndex) {
  LocalSortKey key;
  key.kind = KindOf(item);
  key.name = NameOf(s, item);
  switch (column) {
    case LocalColumn::Size:
      key.number = key.kind == LocalRowKind::File ? item->data(0, kSizeRole).toLongLong() : -1;
      break;
    case LocalColumn::Modified:
      // Read again from disk: the shown text has minutes only.
      if (key.kind == LocalRowKind::Directory || key.kind == LocalRowKind::File) {
        const QDateTime modified = QFileInfo(s.directory + key.name).lastModified();
        key.modified = modified.isValid() ? modified.toMSecsSinceEpoch() : 0;
      }
      break;
    case LocalColumn::Type: key.text = item->text(columnIndex); break;
    case LocalColumn::Name: break;
  }
  return key;
}

void SortRows(LocalListState& s) {
  QTreeWidget* list = s.list;
  if (s.sortColumn < 0 || s.sortColumn >= s.columns.size()) return;
  const LocalColumn column = s.columns[s.sortColumn];
  // Taking the rows out and back changes selection states; those are no user events.
  const bool wasFilling = std::exchange(s.filling, true);
  QTreeWidgetItem* current = list->currentItem();
  const QList<QTreeWidgetItem*> selectedItems = list->selectedItems();
  QList<QTreeWidgetItem*> items = list->invisibleRootItem()->takeChildren();
  QVector<LocalSortKey> keys(items.size());
  for (qsizetype i = 0; i < items.size(); ++i) keys[i] = SortKeyOf(s, items[i], column, s.sortColumn);
  QVector<qsizetype> order(items.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
    return LocalRowLess(keys[a], keys[b], column, s.sortDescending);
  });
  QList<QTreeWidgetItem*> sorted;
  sorted.reserve(items.size());
  for (const qsizetype i : order) sorted << items[i];
  list->addTopLevelItems(sorted);
  // One selection call for all rows: selecting row by row is quadratic.
  const QSet<QTreeWidgetItem*> wasSelected(selectedItems.cbegin(), selectedItems.cend());
  QItemSelection selection;
  const QAbstractItemModel* model = list->model();
  const int lastColumn = list->columnCount() - 1;
  for (int row = 0; row < sorted.size();) {
    if (!wasSelected.contains(sorted[row])) {
      ++row;
      continue;
    }
    int end = row;
    while (end + 1 < sorted.size() && wasSelected.contains(sorted[end + 1])) ++end;
    selection.select(model->index(row, 0), model->index(end, lastColumn));
    row = end + 1;
  }
  list->selectionModel()->select(selection, QItemSelectionModel::Select);
  if (current) list->setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
  s.filling = wasFilling;
  list->header()->setSortIndicatorShown(true);
  list->header()->setSortIndicator(s.sortColumn, s.sortDescending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

}  // namespace

void SetLocalDirectory(AppState& state, const QString& pathText) {
  LocalListState* s = LocalListStateOf(state);
  if (!s) return;
  const LocalDirectoryChoice choice = ChooseLocalDirectory(pathText, s->directory, s->pattern);
  s->directory = choice.directory;
  s->pattern = choice.pattern;
  FillLocalList(state);
}

QString LocalListDirectory(const AppState& state) {
  const LocalListState* s = LocalListStateOf(state);
  return s ? s->directory : QString();
}

void FillLocalList(AppState& state) {
  LocalListState* s = LocalListStateOf(state);
  if (!s) return;
  QTreeWidget* list = s->list;
  s->filling = true;
  s->refreshTimer->stop();
  s->pollRow = 0;
  list->setUpdatesEnabled(false);
  list->clear();
  Watch(*s);
  QList<QTreeWidgetItem*> rows;
  if (s->directory.isEmpty()) {
    AddVolumeRows(*s, rows);
  } else {
    AddDirectoryRows(*s, rows);
  }
  list->addTopLevelItems(rows);
  SortRows(*s);
  list->setUpdatesEnabled(true);
  s->filling = false;
}

void FollowLocalList(AppState& state) {
  LocalListState* s = LocalListStateOf(state);
  if (!s) return;
  if (s->directory != state.localFolder) {
    state.localFolder = s->directory;
    if (state.main.localPath) state.main.localPath->setText(state.localFolder);
  }
  if (s->directory.isEmpty()) return;
  QTreeWidget* list = s->list;
  for (int row = 1; row < list->topLevelItemCount(); ++row) {
    QTreeWidgetItem* item = list->topLevelItem(row);
    if (KindOf(item) == LocalRowKind::File) FollowFileOnDisk(*s, item);
  }
}

void PollLocalFiles(AppState& state) {
  LocalListState* s = LocalListStateOf(state);
  if (!s || s->filling || s->directory.isEmpty()) return;
  QTreeWidget* list = s->list;
  const int count = list->topLevelItemCount();
  if (s->pollRow >= count) s->pollRow = 0;
  QElapsedTimer spent;
  spent.start();
  while (s->pollRow < count) {
    QTreeWidgetItem* item = list->topLevelItem(s->pollRow++);
    if (KindOf(item) == LocalRowKind::File) FollowFileOnDisk(*s, item);
    // A large or slow folder is looked at in slices; the next tick goes on here.
    if (s->pollRow % 64 == 0 && spent.elapsed() >= kLocalPollSliceMs) return;
  }
  s->pollRow = 0;
}

void RemoveLocalListColumn(AppState& state, int column) {
  LocalListState* s = LocalListStateOf(state);
  if (!s || column < 0 || column >= s->columns.size()) return;
  QTreeWidget* list = s->list;
  const int count = static_cast<int>(s->columns.size());
  QStringList headers;
  QVector<int> widths;
  for (int c = 0; c < count; ++c) {
    if (c == column) continue;
    headers << list->headerItem()->text(c);
    widths << list->columnWidth(c);
  }
  for (int row = 0; row < list->topLevelItemCount(); ++row) {
    QTreeWidgetItem* item = list->topLevelItem(row);
    for (int c = column; c + 1 < count; ++c) {
      item->setText(c, item->text(c + 1));
      item->setIcon(c, item->icon(c + 1));
    }
  }
  s->columns.removeAt(column);
  list->setColumnCount(count - 1);
  list->setHeaderLabels(headers);
  for (int c = 0; c < widths.size(); ++c) list->setColumnWidth(c, widths[c]);
  if (s->sortColumn == column) {
    s->sortColumn = -1;
    list->header()->setSortIndicatorShown(false);
  } else if (s->sortColumn > column) {
    --s->sortColumn;
  }
}

void SortLocalListByColumn(AppState& state, int column) {
  LocalListState* s = LocalListStateOf(state);
  if (!s || column < 0 || column >= s->columns.size()) return;
  if (s->sortColumn == column) {
    s->sortDescending = !s->sortDescending;
  } else {
    s->sortColumn = column;
    s->sortDescending = false;
  }
  SortRows(*s);
}

bool OpenLocalParent(AppState& state) {
  LocalListState* s = LocalListStateOf(state);
  if (!s || s->directory.isEmpty()) return false;
  s->directory = s->directory == QLatin1String("/") ? QString() : ParentDirectoryText(s->directory);
  FillLocalList(state);
  return true;
}

bool OpenSelectedLocalRow(AppState& state) {
  LocalListState* s = LocalListStateOf(state);
  if (!s) return false;
  const int row = FirstSelectedLocalRow(state);
  if (row < 0) return false;
  const QTreeWidgetItem* item = s->list->topLevelItem(row);
  switch (KindOf(item)) {
    case LocalRowKind::ParentOfDirectory: s->directory = ParentDirectoryText(s->directory); break;
    case LocalRowKind::ParentOfRoot: s->directory.clear(); break;
    case LocalRowKind::Directory: s->directory += NameOf(*s, item) + QLatin1Char('/'); break;
    case LocalRowKind::Volume: s->directory = DirectoryText(NameOf(*s, item)); break;
    case LocalRowKind::File:
    case LocalRowKind::None: return false;
  }
  FillLocalList(state);
  return true;
}

QStringList SelectedLocalFiles(const AppState& state) {
  QStringList paths;
  const LocalListState* s = LocalListStateOf(state);
  if (!s || s->directory.isEmpty()) return paths;
  const QTreeWidget* list = s->list;
  for (int row = 1; row < list->topLevelItemCount(); ++row) {
    const QTreeWidgetItem* item = list->topLevelItem(row);
    if (item->isSelected() && KindOf(item) == LocalRowKind::File) paths << s->directory + NameOf(*s, item);
  }
  return paths;
}

QMimeData* LocalDragData(const AppState& state) {
  const LocalListState* s = LocalListStateOf(state);
  if (!s || s->directory.isEmpty()) return nullptr;
  QList<QUrl> urls;
  const QTreeWidget* list = s->list;
  for (int row = 1; row < list->topLevelItemCount(); ++row) {
    const QTreeWidgetItem* item = list->topLevelItem(row);
    const LocalRowKind kind = KindOf(item);
    if (item->isSelected() && (kind == LocalRowKind::File || kind == LocalRowKind::Directory)) {
      urls << QUrl::fromLocalFile(s->directory + NameOf(*s, item));
    }
  }
  if (urls.isEmpty()) return nullptr;
  auto* mime = new QMimeData;
  mime->setUrls(urls);
  return mime;
}

int LocalRowCount(const AppState& state) {
  const LocalListState* s = LocalListStateOf(state);
  return s ? s->list->topLevelItemCount() : 0;
}

int FirstSelectedLocalRow(const AppState& state) {
  const LocalListState* s = LocalListStateOf(state);
  if (!s) return -1;
  const QTreeWidget* list = s->list;
  for (int row = 0; row < list->topLevelItemCount(); ++row) {
    if (list->topLevelItem(row)->isSelected()) return row;
  }
  return -1;
}

LocalRowKind LocalRowKindAt(const AppState& state, int row) {
  const LocalListState* s = LocalListStateOf(state);
  return s ? KindOf(s->list->topLevelItem(row)) : LocalRowKind::None;
}

bool IsLocalRowSelected(const AppState& state, int row) {
  const LocalListState* s = LocalListStateOf(state);
  const QTreeWidgetItem* item = s ? s->list->topLevelItem(row) : nullptr;
  return item && item->isSelected();
}

QString LocalRowName(const AppState& state, int row) {
  const LocalListState* s = LocalListStateOf(state);
  return s ? NameOf(*s, s->list->topLevelItem(row)) : QString();
}

QString LocalRowText(const AppState& state, int row, LocalColumn column) {
  const LocalListState* s = LocalListStateOf(state);
  if (!s) return QString();
  const QTreeWidgetItem* item = s->list->topLevelItem(row);
  const int index = ColumnIndex(*s, column);
  return item && index >= 0 ? item->text(index) : QString();
}

void CheckLocalVolumes(AppState& state) {
  LocalListState* s = LocalListStateOf(state);
  if (!s) return;
  const QStringList roots = VolumeRoots(ListLocalVolumes());
  const VolumeChange change = DecideVolumeChange(s->volumeRoots, roots, s->directory);
  s->volumeRoots = roots;
  if (change == VolumeChange::None) return;
  if (change == VolumeChange::ShowVolumeView) s->directory.clear();
  FillLocalList(state);
}
