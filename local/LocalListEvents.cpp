#include "local/LocalList.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QHeaderView>
#include <QTreeWidget>
#include <utility>

#include "local/LocalListAccess.h"
#include "ui/FileListColumns.h"
#include "ui/FileListWidget.h"

// Wiring of the list: its options, its signals turned into events, the
// watcher and the volume poll.

namespace {

constexpr int kRefreshDelayMs = 100;  // folds a burst of change notices into one refill
constexpr int kVolumePollMs = 2000;

void ScheduleRefresh(AppState& state) {
  if (LocalListState* s = LocalListStateOf(state)) s->refreshTimer->start();
}

void OnActivated(AppState& state) {
  LocalListState* s = LocalListStateOf(state);
  if (!s) return;
  const bool fromDoubleClick = std::exchange(s->leftDoubleClickPending, false);
  // The view also activates on a right double click; that one only informs.
  if (QGuiApplication::mouseButtons() & Qt::RightButton) return;
  if (OpenSelectedLocalRow(state)) {
    if (LocalListState* again = LocalListStateOf(state)) EmitLocalListEvent(*again, EventType::Other);
    return;
  }
  EmitLocalListEvent(*s, fromDoubleClick ? EventType::DoubleClick : EventType::Other);
}

void OnDoubleClicked(AppState& state) {
  LocalListState* s = LocalListStateOf(state);
  if (!s) return;
  if (QGuiApplication::mouseButtons() & Qt::RightButton) {
    EmitLocalListEvent(*s, EventType::RightDoubleClick);
    return;
  }
  // The view activates the row right after a left double click; navigation and
  // the event happen there, so the navigation comes first.
  s->leftDoubleClickPending = true;
}

void ConfigureList(QTreeWidget* list) {
  list->setColumnCount(4);
  list->setHeaderLabels(LocalListHeaderCaptions());
  for (int c = 0; c < 4; ++c) list->setColumnWidth(c, 100);
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setContextMenuPolicy(Qt::CustomContextMenu);
  list->setRootIsDecorated(false);
  list->setItemsExpandable(false);
  list->setUniformRowHeights(true);
  list->setAllColumnsShowFocus(true);
  list->setFrameShape(QFrame::NoFrame);
  list->setSortingEnabled(false);  // our own comparison, see SortRows
  list->header()->setSectionsClickable(true);
  list->header()->setSortIndicatorShown(false);
  // The selection stays visible while another widget has the focus.
  QPalette palette = list->palette();
  for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText}) {
    palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
  }
  list->setPalette(palette);
}

void Connect(AppState& state, LocalListState& s) {
  QTreeWidget* list = s.list;
  AppState* app = &state;
  auto& c = s.connections;
  c << QObject::connect(list, &QAbstractItemView::pressed, list, [app] {
    if (LocalListState* ls = LocalListStateOf(*app)) ls->leftDoubleClickPending = false;
  });
  c << QObject::connect(list, &QAbstractItemView::clicked, list, [app] {
    if (LocalListState* ls = LocalListStateOf(*app)) EmitLocalListEvent(*ls, EventType::LeftClick);
  });
  c << QObject::connect(list, &QWidget::customContextMenuRequested, list, [app] {
    if (LocalListState* ls = LocalListStateOf(*app)) EmitLocalListEvent(*ls, EventType::RightClick);
  });
  c << QObject::connect(list, &QAbstractItemView::doubleClicked, list, [app] { OnDoubleClicked(*app); });
  c << QObject::connect(list, &QAbstractItemView::activated, list, [app] { OnActivated(*app); });
  c << QObject::connect(list, &QTreeWidget::itemSelectionChanged, list, [app] {
    if (LocalListState* ls = LocalListStateOf(*app)) EmitLocalListEvent(*ls, EventType::Other);
  });
  c << QObject::connect(list->header(), &QHeaderView::sectionClicked, list,
                        [app](int column) { SortLocalListByColumn(*app, column); });
  c << QObject::connect(s.watcher.get(), &QFileSystemWatcher::directoryChanged, s.watcher.get(),
                        [app] { ScheduleRefresh(*app); });
  c << QObject::connect(s.refreshTimer.get(), &QTimer::timeout, s.refreshTimer.get(),
                        [app] { FillLocalList(*app); });
  c << QObject::connect(s.volumeTimer.get(), &QTimer::timeout, s.volumeTimer.get(),
                        [app] { CheckLocalVolumes(*app); });
  c << QObject::connect(s.pollTimer.get(), &QTimer::timeout, s.pollTimer.get(), [app] { PollLocalFiles(*app); });
}

}  // namespace

void SetupLocalList(AppState& state, std::function<void(EventType)> emitEvent) {
  DestroyLocalList(state);
  if (!state.main.localList) return;
  auto* s = new LocalListState;
  state.localListState = s;
  s->list = state.main.localList;
  s->emitEvent = std::move(emitEvent);
  s->columns = {LocalColumn::Name, LocalColumn::Size, LocalColumn::Type, LocalColumn::Modified};
  s->watcher = std::make_unique<QFileSystemWatcher>();
  s->refreshTimer = std::make_unique<QTimer>();
  s->refreshTimer->setSingleShot(true);
  s->refreshTimer->setInterval(kRefreshDelayMs);
  s->volumeTimer = std::make_unique<QTimer>();
  s->volumeTimer->setInterval(kVolumePollMs);
  s->pollTimer = std::make_unique<QTimer>();
  s->pollTimer->setInterval(kLocalPollIntervalMs);
  ConfigureList(s->list);
  Connect(state, *s);
  if (auto* widget = dynamic_cast<FileListWidget*>(s->list.data())) {
    AppState* app = &state;
    widget->SetDragSource([app] { return LocalDragData(*app); });
  }
  // Created with four columns; the Type column goes at once.
  RemoveLocalListColumn(state, 2);
  ApplyFileListColumns(s->list, true);
  FillLocalList(state);
  s->volumeTimer->start();
  s->pollTimer->start();
}

void DestroyLocalList(AppState& state) {
  LocalListState* s = state.localListState;
  if (!s) return;
  for (const QMetaObject::Connection& connection : s->connections) QObject::disconnect(connection);
  state.localListState = nullptr;
  delete s;
}
