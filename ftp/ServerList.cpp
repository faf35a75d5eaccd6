#include "ftp/ServerList.h"

#include <QLineEdit>
#include <QTreeWidget>

#include "state/StatusLog.h"
#include "ftp/FtpLibrary.h"
#include "state/DateFormat.h"
#include "ui/Images.h"

namespace {

constexpr int kKindRole = Qt::UserRole;

void AddRow(QTreeWidget* list, const QString& name, const QString& size, const QString& date, int kind) {
  const ProgramImages& images = LoadProgramImages();
  auto* item = new QTreeWidgetItem({name, size, date});
  item->setData(0, kKindRole, kind);
  item->setIcon(0, kind == kEncryptedFileRow ? images.encryptedFile : kind == kFileRow ? images.file : images.folder);
  item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
  list->addTopLevelItem(item);
}

QString EntryName(AppState& state) {
  state.listingBuffer.fill(QLatin1Char(' '), 260);
  char16_t* buffer = reinterpret_cast<char16_t*>(state.listingBuffer.data());
  (void)state.ftp->FTPDirectoryEntryNameEx(state.connection, buffer, MessageBuffer(state));
  buffer[259] = u'\0';  // whatever the library wrote, the name ends inside the buffer
  return QString::fromUtf16(buffer);
}

// One complete pass over the listing; `visit` sees each entry's name.
template <typename Visit>
void ListingPass(AppState& state, Visit visit) {
  FtpLibrary& ftp = *state.ftp;
  if (ftp.ExamineFTPDirectoryEx(state.connection, MessageBuffer(state)) == 0) return;
  while (ftp.NextFTPDirectoryEntryEx(state.connection, MessageBuffer(state)) != 0) visit(EntryName(state));
  (void)ftp.FinishFTPDirectoryEx(state.connection, MessageBuffer(state));
}

}  // namespace

int RowKindOfServerItem(const QTreeWidgetItem* item) { return item == nullptr ? 0 : item->data(0, kKindRole).toInt(); }

int CurrentServerRow(const AppState& state) {
  const QTreeWidget* list = state.main.serverList;
  for (int row = 0; row < list->topLevelItemCount(); ++row) {
    if (list->topLevelItem(row)->isSelected()) return row;
  }
  return -1;
}

void RefreshServerList(AppState& state) {
  QTreeWidget* list = state.main.serverList;
  list->clear();
  AddRow(list, QStringLiteral(".."), QString(), QString(), kParentRow);
  if (state.ftp != nullptr) {
    FtpLibrary& ftp = *state.ftp;
    ListingPass(state, [&](const QString& name) {
      if (ftp.FTPDirectoryEntryTypeEx(state.connection, MessageBuffer(state)) == 2 && IsListableName(name)) {
        AddRow(list, name, QString(), QString(), kDirectoryRow);
      }
    });
    ListingPass(state, [&](const QString& name) {
      const int64_t size = ftp.FTPDirectoryEntrySizeEx(state.connection, MessageBuffer(state));
      const int64_t date = ftp.FTPDirectoryEntryDateEx(state.connection, MessageBuffer(state));
      if (ftp.FTPDirectoryEntryTypeEx(state.connection, MessageBuffer(state)) == 1 && IsListableName(name)) {
        AddRow(list, name, QString::number(size), FormatDateText(QStringLiteral("%dd.%mm.%yyyy %hh:%ii"), date),
               IsEncryptedFileName(name) ? kEncryptedFileRow : kFileRow);
      }
    });
  }
  state.main.serverPath->setText(state.hostFolder);
}

void HandleServerListEvent(AppState& state, EventType type) {
  if (type != EventType::DoubleClick || state.connection == 0 || state.ftp == nullptr) return;
  const int row = CurrentServerRow(state);
  if (row < 0) return;
  const QTreeWidgetItem* item = state.main.serverList->topLevelItem(row);
  FtpLibrary& ftp = *state.ftp;
  switch (RowKindOfServerItem(item)) {
    case kParentRow:
      if (ftp.SetFTPDirectoryEx(state.connection, u"..", MessageBuffer(state)) == 0) return;
      state.hostFolder = ParentServerFolder(state.hostFolder);
      AppendStatusMessage(state, QStringLiteral("Wechsel in das übergeordnete Verzeichnis"));
      RefreshServerList(state);
      return;
    case kDirectoryRow: {
      const QString name = item->text(0);
      const QString folder = state.hostFolder + name + QLatin1Char('/');
      if (ftp.SetFTPDirectoryEx(state.connection, Utf16(folder), MessageBuffer(state)) == 0) return;
      state.hostFolder = folder;
      AppendStatusMessage(state, QStringLiteral("Wechsel in das Verzeichnis ''") + name + QStringLiteral("''"));
      RefreshServerList(state);
      return;
    }
    default: return;
  }
}
