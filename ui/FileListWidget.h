#pragma once
// The two file lists' widget: a tree widget that hands out what is dragged
// from it as its owner makes it, and turns what is dropped on it into an
// event record. A subclass because a view's drag data and drop handling have
// no other hook.

#include <QTreeWidget>
#include <functional>

#include "ui/Event.h"

class QMimeData;

// Entries dragged from the server list, for the local list: JSON with the
// server folder and the names.
inline constexpr const char* kServerEntriesMime = "application/x-tarnholm-server-entries";

[[nodiscard]] QMimeData* ServerEntriesMimeData(const QString& folder, const QStringList& names);

// What a drop carries, read from its mime data: local files (file URLs) and
// server entries. row is the row it was dropped on.
[[nodiscard]] DropData ReadDropData(const QMimeData* mime, int row);

enum class DropKind { None, LocalFiles, ServerEntries };

class FileListWidget : public QTreeWidget {
  Q_OBJECT

 public:
  FileListWidget(QWidget* parent, WidgetId id, DropKind accepts);

  // Makes the data of a drag from the selected rows; null starts none. The
  // drag goes to whoever asks: this program's other list, or another program.
  void SetDragSource(std::function<QMimeData*()> source);
  // Where drops go, as event records of the main window.
  void SetDropSink(EventSink sink);

 protected:
  void startDrag(Qt::DropActions supportedActions) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  [[nodiscard]] bool Accepts(const QMimeData* mime, const QObject* source) const;

  WidgetId id_;
  DropKind accepts_;
  std::function<QMimeData*()> dragSource_;
  EventSink dropSink_;
};
