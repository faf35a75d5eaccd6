#include "ui/FileListColumns.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QStyleOptionViewItem>
#include <QTreeWidget>
#include <algorithm>

namespace {

constexpr int kIconPixels = 16;

// The width the view's own style asks for to show a cell whole: what the list
// gets when it sizes a column to its contents, so nothing there is elided.
int CellWidth(const QTreeWidget* list, const QString& text, bool withIcon = false) {
  QStyleOptionViewItem option;
  option.initFrom(list);
  option.font = list->font();
  option.fontMetrics = list->fontMetrics();
  option.text = text;
  option.features = QStyleOptionViewItem::HasDisplay;
  if (withIcon) {
    option.features |= QStyleOptionViewItem::HasDecoration;
    option.decorationSize = QSize(kIconPixels, kIconPixels);
  }
  return list->style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), list).width();
}

// A header section shows its caption whole at this width: the style's label
// rectangle, with a sort arrow where one can appear, holds the text.
int HeaderWidth(const QTreeWidget* list, const QString& caption, bool sortable) {
  const QHeaderView* header = list->header();
  QStyleOptionHeader option;
  option.initFrom(header);
  option.state |= QStyle::State_Horizontal;
  option.orientation = Qt::Horizontal;
  option.text = caption;
  option.sortIndicator = sortable ? QStyleOptionHeader::SortDown : QStyleOptionHeader::None;
  const int height = std::max(header->height(), header->sizeHint().height());
  option.rect = QRect(0, 0, 1000, height);
  const QRect label = header->style()->subElementRect(QStyle::SE_HeaderLabel, &option, header);
  return header->fontMetrics().horizontalAdvance(caption) + (option.rect.width() - label.width()) + 2;
}

}  // namespace

FileListColumnWidths FileListColumns(const QTreeWidget* list, const QStringList& headers, bool sortable) {
  const auto header = [&headers](int column) { return column < headers.size() ? headers[column] : QString(); };
  FileListColumnWidths widths;
  widths.size = std::max(CellWidth(list, QString::fromLatin1(kSizeWidthSample)), HeaderWidth(list, header(1), sortable));
  widths.date = std::max(CellWidth(list, QString::fromLatin1(kDateWidthSample)), HeaderWidth(list, header(2), sortable));
  const int scrollBar = list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list);
  const int room = list->width() - 2 * list->frameWidth() - scrollBar;
  widths.name = std::max(room - widths.size - widths.date, HeaderWidth(list, header(0), sortable));
  return widths;
}

int FileNameWidth(const QTreeWidget* list, const QString& name) { return CellWidth(list, name, true); }

void ApplyFileListColumns(QTreeWidget* list, bool sortable) {
  QStringList headers;
  for (int column = 0; column < 3; ++column) headers << list->headerItem()->text(column);
  const FileListColumnWidths widths = FileListColumns(list, headers, sortable);
  list->setColumnWidth(0, widths.name);
  list->setColumnWidth(1, widths.size);
  list->setColumnWidth(2, widths.date);
}

namespace {

QString Translated(const char* source, const char* disambiguation, const char* fallback) {
  const QString translated = QCoreApplication::translate("QFileSystemModel", source, disambiguation);
  return translated == QLatin1String(source) ? QString::fromLatin1(fallback) : translated;
}

}  // namespace

QStringList LocalListHeaderCaptions() {
  return {Translated("Name", nullptr, "Name"), Translated("Size", nullptr, "Size"),
          Translated("Type", "All other platforms", "Type"), Translated("Date Modified", nullptr, "Modified")};
}

QStringList ServerListHeaderCaptions() {
  return {QStringLiteral("Name"), QStringLiteral("Größe"), QStringLiteral("Letzte Änderung...")};
}
