#pragma once
// The local file list: one directory of this computer, or the mounted volumes,
// shown in the main window's left list. It refreshes itself when the shown
// directory changes on disk and when volumes come and go, and its files' sizes
// (in bytes) and dates (in the lists' one date form) follow changes made to the
// files in place.

#include <QMetaObject>
#include <QMimeData>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVector>
#include <QFileSystemWatcher>
#include <functional>
#include <memory>

#include "state/AppState.h"
#include "local/FileTypeCache.h"
#include "local/LocalListCore.h"
#include "ui/Event.h"

// A directory watch reports names coming and going, not files written in
// place, so the shown files are looked at every kLocalPollIntervalMs: a stat
// per file, at most kLocalPollSliceMs of it per look. A folder of ten thousand
// files takes some 20 ms of stat calls, so it is gone through within a second
// (bench_local prints the figures); a larger one takes proportionally longer.
inline constexpr int kLocalPollIntervalMs = 250;
inline constexpr int kLocalPollSliceMs = 8;

struct LocalListState {
  QPointer<QTreeWidget> list;
  std::function<void(EventType)> emitEvent;

  QString directory;                     // "" = volume view; otherwise ends with "/"
  QString pattern = QStringLiteral("*");  // one or more patterns separated by ";"

  QVector<LocalColumn> columns;  // what each shown column holds, by column index
  int sortColumn = -1;           // column index; -1 keeps the order of filling
  bool sortDescending = false;

  std::unique_ptr<QFileSystemWatcher> watcher;
  std::unique_ptr<QTimer> refreshTimer;  // folds a burst of change notices into one refill
  std::unique_ptr<QTimer> volumeTimer;   // polls the mounted volumes
  std::unique_ptr<QTimer> pollTimer;     // looks at the shown files' sizes and dates
  int pollRow = 0;                       // where the next look goes on
  QStringList volumeRoots;               // as seen by the last poll

  FileTypeCache fileTypes;
  bool filling = false;                  // rows change without events to the program
  bool leftDoubleClickPending = false;   // a left double click awaits its activation
  QVector<QMetaObject::Connection> connections;
};

// Sets up state.main.localList (columns Name, Size, Modified — the Type column
// is created and removed again here — options, events, watcher) and shows the
// volume view. After each event the list has handled itself, emitEvent gets its
// type; a refresh from disk sends none.
void SetupLocalList(AppState& state, std::function<void(EventType)> emitEvent);

// Stops watching and frees the list's state; the widget itself stays.
void DestroyLocalList(AppState& state);

// "" shows the volume view; "dir/" a directory; "dir/pattern" both; a text
// without "/" only the pattern ("*.txt;*.log"). The list is filled again.
void SetLocalDirectory(AppState& state, const QString& pathText);

// The shown directory, "" in the volume view.
[[nodiscard]] QString LocalListDirectory(const AppState& state);

// Fills the list again from disk with its directory and pattern.
void FillLocalList(AppState& state);

// After each list event: LocalFolder and the path field follow the list, and the
// sizes and dates of the files (rows 1..n-1) are those on disk.
void FollowLocalList(AppState& state);

// One look at the shown files for changes made in place (the poll timer's tick).
void PollLocalFiles(AppState& state);

// Removes a column (index as shown) with its header, width and row texts.
void RemoveLocalListColumn(AppState& state, int column);

// Sorts as a click on the header of `column` does (same column: reverse).
void SortLocalListByColumn(AppState& state, int column);

// Up one level, as the parent entry does: "/" leads to the volume view. False
// in the volume view, where there is no level above.
[[nodiscard]] bool OpenLocalParent(AppState& state);

// Acts on the first selected row as a double click or Enter does: enters a
// directory or volume, or goes up. True when it navigated.
[[nodiscard]] bool OpenSelectedLocalRow(AppState& state);

// Full paths of the selected files from row 1 on, in row order.
[[nodiscard]] QStringList SelectedLocalFiles(const AppState& state);

// What a drag from the list carries: the selected files and folders (row 1
// on) as file URLs, for the server list and for other programs. Null when
// none is selected or the volumes are shown.
[[nodiscard]] QMimeData* LocalDragData(const AppState& state);

// Row access for the commands. Indices as shown; -1 when nothing is selected.
[[nodiscard]] int LocalRowCount(const AppState& state);
[[nodiscard]] int FirstSelectedLocalRow(const AppState& state);
[[nodiscard]] LocalRowKind LocalRowKindAt(const AppState& state, int row);
[[nodiscard]] bool IsLocalRowSelected(const AppState& state, int row);
// The entry name; for a volume row its mount point.
[[nodiscard]] QString LocalRowName(const AppState& state, int row);
// The text shown in a column, "" outside the list.
[[nodiscard]] QString LocalRowText(const AppState& state, int row, LocalColumn column);

// Polls the mounted volumes once and reacts as the timer does.
void CheckLocalVolumes(AppState& state);
