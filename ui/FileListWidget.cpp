#include "ui/FileListWidget.h"

#include <QDrag>
#include <QDropEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeData>
#include <QUrl>

QMimeData* ServerEntriesMimeData(const QString& folder, const QStringList& names) {
  auto* mime = new QMimeData;
  const QJsonObject entries{{"folder", folder}, {"names", QJsonArray::fromStringList(names)}};
  mime->setData(QString::fromLatin1(kServerEntriesMime), QJsonDocument(entries).toJson(QJsonDocument::Compact));
  return mime;
}

DropData ReadDropData(const QMimeData* mime, int row) {
  DropData drop;
  drop.row = row;
  if (mime == nullptr) return drop;
  if (mime->hasFormat(QString::fromLatin1(kServerEntriesMime))) {
    const QJsonObject entries = QJsonDocument::fromJson(mime->data(QString::fromLatin1(kServerEntriesMime))).object();
    drop.serverFolder = entries.value("folder").toString();
    for (const QJsonValue& name : entries.value("names").toArray()) drop.serverNames << name.toString();
    return drop;
  }
  for (const QUrl& url : mime->urls()) {
    if (url.isLocalFile()) drop.localPaths << url.toLocalFile();
  }
  return drop;
}

FileListWidget::FileListWidget(QWidget* parent, WidgetId id, DropKind accepts)
    : QTreeWidget(parent), id_(id), accepts_(accepts) {
  setDragEnabled(true);
  setDragDropMode(accepts == DropKind::None ? QAbstractItemView::DragOnly : QAbstractItemView::DragDrop);
  setDefaultDropAction(Qt::CopyAction);
  setDropIndicatorShown(accepts != DropKind::None);
  setAcceptDrops(accepts != DropKind::None);
}

void FileListWidget::SetDragSource(std::function<QMimeData*()> source) { dragSource_ = std::move(source); }

void FileListWidget::SetDropSink(EventSink sink) { dropSink_ = std::move(sink); }

void FileListWidget::startDrag(Qt::DropActions) {
  QMimeData* mime = dragSource_ ? dragSource_() : nullptr;
  if (mime == nullptr) return;
  auto* drag = new QDrag(this);
  drag->setMimeData(mime);
  // Copies only: a move would ask the other side to delete the source.
  (void)drag->exec(Qt::CopyAction, Qt::CopyAction);
}

bool FileListWidget::Accepts(const QMimeData* mime, const QObject* source) const {
  // A list's own rows are not dropped back on it.
  if (mime == nullptr || source == this) return false;
  switch (accepts_) {
    // Only the formats are looked at while the drag moves: asking another
    // program for its data can be slow, and for this program's server list it
    // would start the download. Which URLs are local files is told at the drop.
    case DropKind::LocalFiles: return !mime->hasFormat(QString::fromLatin1(kServerEntriesMime)) && mime->hasUrls();
    case DropKind::ServerEntries: return mime->hasFormat(QString::fromLatin1(kServerEntriesMime));
    case DropKind::None: return false;
  }
  return false;
}

void FileListWidget::dragEnterEvent(QDragEnterEvent* event) {
  if (!Accepts(event->mimeData(), event->source())) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void FileListWidget::dragMoveEvent(QDragMoveEvent* event) {
  if (!Accepts(event->mimeData(), event->source())) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void FileListWidget::dropEvent(QDropEvent* event) {
  if (!Accepts(event->mimeData(), event->source())) {
    event->ignore();
    return;
  }
  const QModelIndex at = indexAt(event->position().toPoint());
  Event record{EventKind::Widget, WindowId::Main, id_, EventType::Drop, 0};
  record.drop = ReadDropData(event->mimeData(), at.isValid() ? at.row() : -1);
  event->setDropAction(Qt::CopyAction);
  event->accept();
  if (dropSink_) dropSink_(record);
}
