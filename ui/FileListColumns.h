#pragma once
// Column widths of the two file lists (name, size, date), taken from the
// list's font so that a date, a size and a typical name are shown whole.

#include <QString>
#include <QStringList>

class QTreeWidget;

struct FileListColumnWidths {
  int name = 0;
  int size = 0;
  int date = 0;
};

// The width every date text of the lists has ("dd.mm.yyyy hh:ii").
inline constexpr const char* kDateWidthSample = "00.00.0000 00:00";
// Sizes up to ten digits (just under 10 GB, a disc image or a film) show whole.
inline constexpr const char* kSizeWidthSample = "0000000000";

// The size and date columns hold their samples and their header captions
// (`headers`: name, size, date), with room for a sort arrow where `sortable`;
// the name column takes what is left beside a vertical scroll bar.
[[nodiscard]] FileListColumnWidths FileListColumns(const QTreeWidget* list, const QStringList& headers,
                                                   bool sortable);

// The width a row's name takes in the name column, with its 16-pixel icon.
[[nodiscard]] int FileNameWidth(const QTreeWidget* list, const QString& name);

// Sets the widths of columns 0, 1 and 2 from the list's own header captions.
void ApplyFileListColumns(QTreeWidget* list, bool sortable);

// A name of the length most files have; the name column shows it whole.
inline constexpr const char* kTypicalNameSample = "Protokoll März.txt";

// The local list's header captions (name, size, type, modified): Qt's own
// file-view words in the loaded language, English words where none is loaded.
[[nodiscard]] QStringList LocalListHeaderCaptions();

// The server list's header captions (name, size, modified).
[[nodiscard]] QStringList ServerListHeaderCaptions();
