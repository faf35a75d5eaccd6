#include "ftp/ServerList.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>

#include "ftp/ErrorReasons.h"
#include "ftp/FtpFunctions.h"
#include "ftp/FtpLibrary.h"
#include "ftp/FtpSession.h"
#include "ftp/ServerJobs.h"
#include "state/DateFormat.h"
#include "state/StatusLog.h"
#include "ui/Images.h"

namespace {

constexpr int kKindRole = Qt::UserRole;
// The widget takes rows for about this long per pass of the event loop.
constexpr int64_t kFillSliceMs = 10;

QTreeWidgetItem* MakeItem(const ServerEntry& e, const ProgramImages& images) {
  const bool file = e.kind == kFileRow || e.kind == kEncryptedFileRow;
  auto* item = new QTreeWidgetItem(
      {e.name, file ? QString::number(e.size) : QString(),
       file ? ListDateText(e.date) : QString()});
  item->setData(0, kKindRole, e.kind);
  item->setIcon(0, e.kind == kEncryptedFileRow ? images.encryptedFile : e.kind == kFileRow ? images.file : images.folder);
  item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
  return item;
}

void FillSlice(AppState& state) {
  FtpSession* session = state.ftpSession.get();
  if (session == nullptr) return;
  QTreeWidget* list = state.main.serverList;
  const ProgramImages& images = LoadProgramImages();
  QElapsedTimer slice;
  slice.start();
  const int total = static_cast<int>(session->rows.size());
  while (session->shownRows < total && slice.elapsed() < kFillSliceMs) {
    const int end = std::min(total, session->shownRows + 64);
    QList<QTreeWidgetItem*> items;
    items.reserve(end - session->shownRows);
    for (int row = session->shownRows; row < end; ++row) items << MakeItem(session->rows[row], images);
    list->addTopLevelItems(items);
    if (!session->reselect.isEmpty()) {
      for (QTreeWidgetItem* item : items) item->setSelected(session->reselect.contains(item->text(0)));
    }
    session->shownRows = end;
  }
  if (session->shownRows < total) {
    QTimer::singleShot(0, session->context, [&state] { FillSlice(state); });
    return;
  }
  session->filling = false;
  session->reselect.clear();
  if (session->job == 0) EndServerJob(state);
}

void ShowSortIndicator(QTreeWidget* list, const ServerSort& sort) {
  list->header()->setSortIndicatorShown(sort.column >= 0);
  if (sort.column >= 0) {
    list->header()->setSortIndicator(sort.column, sort.descending ? Qt::DescendingOrder : Qt::AscendingOrder);
  }
}

void ShowRows(AppState& state, QVector<ServerEntry> rows) {
  FtpSession* session = Session(state);
  state.main.serverList->clear();
  if (session == nullptr) return;
  SortServerRows(rows, session->sort);
  ShowSortIndicator(state.main.serverList, session->sort);
  session->rows = std::move(rows);
  session->shownRows = 0;
  session->filling = true;
  // A long list starts on the next pass: emptying a long one took this one.
  if (session->rows.size() > 1000) {
    QTimer::singleShot(0, session->context, [&state] { FillSlice(state); });
  } else {
    FillSlice(state);
  }
}

// The job's count of entries read so far, under the lists.
CountFn CountToWindow(AppState& state, const JobContext& ctx) {
  AppState* owner = &state;
  return [owner, &ctx](int64_t count) {
    PostToWindow(ctx, [owner, count] {
      ShowJobProgress(*owner, QStringLiteral("Verzeichnis wird gelesen: %1 Einträge").arg(count));
    });
  };
}

void ChangeFolder(AppState& state, const QString& path, const QString& name) {
  const QString current = state.hostFolder;
  (void)RunServerJob<FolderResult>(
      state, QStringLiteral("Verzeichniswechsel"),
      [&state, path, current](const JobContext& ctx) {
        return ChangeFolderAndList(ctx, path, current, CountToWindow(state, ctx));
      },
      [name](AppState& s, FolderResult& r) {
        if (!r.changed) {
          if (r.listing.lost) {
            ShowConnectionLost(s);
          } else if (!r.cancelled) {
            const QString reason = ReasonForErrorClass(r.errorClass, s.protocol);
            if (!reason.isEmpty()) AppendStatusMessage(s, reason);
          }
          return;
        }
        s.hostFolder = r.folder;
        AppendStatusMessage(s, name.isEmpty() ? QStringLiteral("Wechsel in das übergeordnete Verzeichnis")
                                              : QStringLiteral("Wechsel in das Verzeichnis ''") + name +
                                                    QStringLiteral("''"));
        ShowServerListing(s, r.listing);
      });
}

}  // namespace

void SortServerListByColumn(AppState& state, int column) {
  FtpSession* session = Session(state);
  if (session == nullptr || column < 0 || column > 2) return;
  session->sort = ClickedSort(session->sort, column);
  // A list still being filled is sorted in full when it is shown again: the
  // records are all there, only the widget is behind.
  if (session->rows.isEmpty()) {
    ShowSortIndicator(state.main.serverList, session->sort);
    return;
  }
  QSet<QString> selected;
  for (const QTreeWidgetItem* item : state.main.serverList->selectedItems()) selected.insert(item->text(0));
  ShowRows(state, session->rows);
  session->reselect = selected;
  // The rows shown at once (a short list) need their selection now.
  for (int row = 0; row < state.main.serverList->topLevelItemCount(); ++row) {
    QTreeWidgetItem* item = state.main.serverList->topLevelItem(row);
    item->setSelected(selected.contains(item->text(0)));
  }
  if (!session->filling) session->reselect.clear();
}

void ShowConnectedLook(AppState& state, bool connected) {
  const ProgramImages& images = LoadProgramImages();
  state.main.connectButton->setText(connected ? QStringLiteral("trennen") : QStringLiteral("verbinden"));
  state.main.downloadButton->setIcon(connected ? images.downloadConnected : images.downloadDisconnected);
  state.main.uploadButton->setIcon(connected ? images.uploadConnected : images.uploadDisconnected);
}

int RowKindOfServerItem(const QTreeWidgetItem* item) { return item == nullptr ? 0 : item->data(0, kKindRole).toInt(); }

int CurrentServerRow(const AppState& state) {
  const QTreeWidget* list = state.main.serverList;
  int first = -1;
  for (const QModelIndex& index : list->selectionModel()->selectedRows()) {
    if (first < 0 || index.row() < first) first = index.row();
  }
  return first;
}

const ServerEntry* ServerRowAt(const AppState& state, int row) {
  if (!state.ftpSession || row < 0 || row >= state.ftpSession->shownRows) return nullptr;
  return &state.ftpSession->rows[row];
}

QVector<ServerEntry> SelectedServerRows(const AppState& state) {
  QList<int> rows;
  for (const QModelIndex& index : state.main.serverList->selectionModel()->selectedRows()) rows << index.row();
  std::sort(rows.begin(), rows.end());
  QVector<ServerEntry> picked;
  for (int row : rows) {
    const ServerEntry* entry = ServerRowAt(state, row);
    if (row >= 1 && entry != nullptr) picked.append(*entry);
  }
  return picked;
}

QVector<ServerEntry> ServerRowRecords(const AppState& state) {
  if (!state.ftpSession) return {};
  return state.ftpSession->rows.mid(0, state.ftpSession->shownRows);
}

void ShowServerListing(AppState& state, const ListingResult& listing) {
  state.main.serverPath->setText(state.hostFolder);
  ShowRows(state, listing.rows);
  if (listing.ok) return;
  if (listing.lost) {
    ShowConnectionLost(state);
    return;
  }
  if (listing.errorClass == kFtpErrorCancelled) {
    AppendStatusMessage(state, QStringLiteral("Das Lesen des Verzeichnisses wurde abgebrochen."));
    return;
  }
  const QString reason = ReasonForErrorClass(listing.errorClass, state.protocol);
  AppendStatusMessage(state, WithReason(QStringLiteral("Das Verzeichnis konnte nicht gelesen werden."), reason));
}

void ShowConnectionLost(AppState& state) {
  AppendStatusMessage(state, QStringLiteral("Die Verbindung zum Server ist verloren gegangen."));
  state.connection = 0;
  if (state.ftpSession) state.ftpSession->rows.clear();
  if (state.ftpSession) state.ftpSession->shownRows = 0;
  state.main.serverList->clear();
  state.hostFolder = QStringLiteral("/");
  state.main.serverPath->setText(QString());
  state.main.connectButton->setChecked(false);
  ShowConnectedLook(state, false);
  // The backend still holds what is left of the connection.
  if (state.ftpSession) (void)SubmitJob(*state.ftpSession->engine, [](JobContext& ctx) { CloseOnServer(ctx); });
}

void RefreshServerList(AppState& state) {
  if (RefuseWhileBusy(state) || state.connection == 0 || !FtpLibraryAvailable(state)) return;
  const QString current = state.hostFolder;
  (void)RunServerJob<FolderResult>(
      state, QStringLiteral("Verzeichnis lesen"),
      [&state, current](const JobContext& ctx) { return ListFolder(ctx, current, CountToWindow(state, ctx)); },
      [](AppState& s, FolderResult& r) { ShowServerListing(s, r.listing); });
}

void HandleServerListEvent(AppState& state, EventType type) {
  if (type != EventType::DoubleClick || RefuseWhileBusy(state) || state.connection == 0 || state.ftp == nullptr) return;
  const ServerEntry* entry = ServerRowAt(state, CurrentServerRow(state));
  if (entry == nullptr) return;
  if (entry->kind == kParentRow) {
    ChangeFolder(state, QStringLiteral(".."), QString());
  } else if (entry->kind == kDirectoryRow) {
    ChangeFolder(state, state.hostFolder + entry->name + QLatin1Char('/'), entry->name);
  }
}
