#include "settings/ProfileList.h"

#include <QComboBox>
#include <QListWidget>

#include "app/StatusLog.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsWindow.h"
#include "ui/MessageBox.h"

namespace {

const QString kSeparator = QStringLiteral("\u00B0\u00B0\u00B0");
const QString kGlobalGroup = QStringLiteral("Global");
const QString kLocalFolderKey = QStringLiteral("LocalFolder");
const QString kHostFolderKey = QStringLiteral("HostFolder");

void AppendAndSelect(QListWidget* list, const QString& name) {
  list->addItem(name);
  list->setCurrentRow(list->count() - 1);
  list->setFocus();
}

}  // namespace

QStringList SplitProfileList(const QString& profileListText) {
  return profileListText.split(kSeparator, Qt::SkipEmptyParts);
}

QString JoinProfileList(const QStringList& names) {
  QString text;
  for (const QString& name : names) text += name + kSeparator;
  return text;
}

bool IsUsableProfileName(const QString& name) {
  if (name.isEmpty()) return false;
  // A group name ends at its first "]"; a value cannot hold a line end.
  if (name.contains(QLatin1Char(']')) || name.contains(QLatin1Char('\n')) || name.contains(QLatin1Char('\r'))) {
    return false;
  }
  // A trailing degree sign would merge with the separator that follows it.
  if (name.contains(kSeparator) || name.endsWith(QChar(0x00B0))) return false;
  return name.compare(kGlobalGroup, Qt::CaseInsensitive) != 0;
}

void NewProfile(AppState& state) {
  if (state.settings == nullptr) return;
  SettingsWindow& w = *state.settings;
  const QString name = ShowInputBox(
      {QStringLiteral("Tarnholm"), QStringLiteral("Bitte den Namen für das neue Profil eingeben:"), QString()});
  if (!IsUsableProfileName(name)) return;
  AppendAndSelect(w.profileList, name);
  // The placeholders are the start values of a fresh application state.
  static const AppState kFresh;
  ProfileFields fields;
  fields.protocol = w.protocol->currentIndex() + 1;  // the protocol choice stays
  fields.hostUrl = kFresh.hostUrl;
  fields.hostPort = 21;
  fields.dnLdFolder = kFresh.dnLdFolder;
  PutProfileFields(w, fields);
}

void CloneProfile(AppState& state) {
  if (state.settings == nullptr) return;
  const QString name = SelectedProfileName(*state.settings);
  if (name.isEmpty()) return;
  // The fields stay: the copy gets whatever they show at "Ok".
  AppendAndSelect(state.settings->profileList, name + QStringLiteral(" - Kopie"));
}

void RenameProfile(AppState& state) {
  if (state.settings == nullptr) return;
  QListWidgetItem* item = state.settings->profileList->currentItem();
  if (item == nullptr || !item->isSelected()) return;
  const QString newName = ShowInputBox({QStringLiteral("Tarnholm"),
                                        QStringLiteral("Das Profil '") + item->text() +
                                            QStringLiteral("' wird umbenannt.\nBitte den neuen Namen eingeben:"),
                                        QString()});
  if (!IsUsableProfileName(newName)) return;
  item->setText(newName);
  state.settings->profileList->setFocus();
}

void DeleteProfile(AppState& state, const QString& fileName) {
  if (state.settings == nullptr) return;
  QListWidget* list = state.settings->profileList;
  QListWidgetItem* item = list->currentItem();
  if (item == nullptr || !item->isSelected()) return;
  if (!AskYesNo(state.settings->window, QStringLiteral("Tarnholm"),
                QStringLiteral("Wollen Sie das Profil '") + item->text() + QStringLiteral("' wirklich löschen?"),
                BoxIcon::Question)) {
    return;
  }
  delete list->takeItem(list->row(item));
  list->setFocus();
  if (list->count() == 0) return;
  list->setCurrentRow(0);
  LoadProfileIntoFields(state, fileName);
}

void ApplyProfileList(AppState& state, const QString& selectedName, const QStringList& names,
                      const QString& fileName) {
  const bool switching = selectedName != state.profileName;
  if (switching) {
    (void)SettingsFile::Open(fileName);
    (void)SettingsFile::SelectGroup(kGlobalGroup);
    SettingsFile::WriteString(QStringLiteral("selProfile"), selectedName);
    (void)SettingsFile::SelectGroup(state.profileName);
    SettingsFile::WriteString(kLocalFolderKey, state.localFolder);
    SettingsFile::WriteString(kHostFolderKey, state.hostFolder);
    (void)SettingsFile::SelectGroup(selectedName);
    state.localFolder = SettingsFile::ReadString(kLocalFolderKey, state.localFolder);
    state.hostFolder = SettingsFile::ReadString(kHostFolderKey, state.hostFolder);
    (void)SettingsFile::Close();
  }

  state.profileList = JoinProfileList(names);

  // Collected first: removing a group while walking the groups would move the walk.
  QStringList orphans;
  (void)SettingsFile::Open(fileName);
  if (SettingsFile::RewindGroups()) {
    while (SettingsFile::NextGroup()) {
      const QString group = SettingsFile::GroupName();
      if (group != kGlobalGroup && !state.profileList.contains(group)) orphans.append(group);
    }
  }
  for (const QString& group : orphans) SettingsFile::RemoveGroup(group);
  (void)SettingsFile::Close();

  if (switching) {
    state.profileName = selectedName;
    ClearStatusMessages(state);
  }
}
