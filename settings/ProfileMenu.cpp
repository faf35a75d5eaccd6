#include "settings/ProfileMenu.h"

#include <QComboBox>
#include <QListWidget>
#include <QSignalBlocker>

#include "settings/ProfileNames.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsWindow.h"
#include "ui/MessageBox.h"

namespace {

const QString kTitle = QStringLiteral("Tarnholm");

void AppendAndSelect(SettingsWindow& w, const QString& name) {
  w.profiles.listed.push_back({name, QString()});
  {
    const QSignalBlocker quiet(w.profileList);
    w.profileList->addItem(name);
  }
  SelectProfileRow(w, w.profileList->count() - 1);
  w.profileList->setFocus();
}

// True when `name` would address the same group as another entry of the list
// (all but `ownRow`), or as a group in the file that the window does not
// account for (one added meanwhile by hand or by another copy of the program).
bool NameTaken(const SettingsWindow& w, const QString& name, int ownRow, const QString& fileName) {
  QStringList known;
  for (size_t row = 0; row < w.profiles.listed.size(); ++row) {
    const ListedProfile& entry = w.profiles.listed[row];
    known.append(entry.storedAs);
    if (int(row) != ownRow && ProfileNamesClash(entry.name, name)) return true;
  }
  known.append(w.profiles.deletedGroups);
  (void)SettingsFile::Open(fileName);
  bool taken = false;
  if (SettingsFile::RewindGroups()) {
    while (!taken && SettingsFile::NextGroup()) {
      const QString group = SettingsFile::GroupName();
      const bool accounted = known.contains(group);
      taken = !accounted && ProfileNamesClash(group, name);
    }
  }
  (void)SettingsFile::Close();
  return taken;
}

// An empty name (the input box cancelled) is dropped silently; any other
// refusal says why, and the list stays as it was.
bool AcceptName(AppState& state, const QString& name, int ownRow, const QString& fileName) {
  if (name.isEmpty()) return false;
  SettingsWindow& w = *state.settings;
  if (!IsUsableProfileName(name)) {
    ShowInfo(w.window, kTitle,
             QStringLiteral("Der Name '") + name +
                 QStringLiteral("' kann nicht verwendet werden.\nEin Profilname darf nicht \"Global\" heißen, nicht "
                                "mit einem Leerzeichen beginnen,\nnicht auf ° enden und weder ] noch °°° noch "
                                "einen Zeilenumbruch enthalten."));
    return false;
  }
  if (NameTaken(w, name, ownRow, fileName)) {
    ShowInfo(w.window, kTitle,
             QStringLiteral("Es gibt schon ein Profil mit dem Namen '") + name +
                 QStringLiteral("'.\nGroß- und Kleinschreibung werden dabei nicht unterschieden."));
    return false;
  }
  return true;
}

}  // namespace

void NewProfile(AppState& state, const QString& fileName) {
  if (state.settings == nullptr) return;
  const QString name =
      ShowInputBox({kTitle, QStringLiteral("Bitte den Namen für das neue Profil eingeben:"), QString()});
  if (state.settings == nullptr || !AcceptName(state, name, -1, fileName)) return;
  SettingsWindow& w = *state.settings;
  AppendAndSelect(w, name);
  // The placeholders are the start values of a fresh application state.
  static const AppState kFresh;
  ProfileFields fields;
  fields.protocol = w.protocol->currentIndex() + 1;  // the protocol choice stays
  fields.hostUrl = kFresh.hostUrl;
  fields.hostPort = 21;
  fields.dnLdFolder = kFresh.dnLdFolder;
  PutProfileFields(w, fields);
}

void CloneProfile(AppState& state, const QString& fileName) {
  if (state.settings == nullptr) return;
  const QString name = SelectedProfileName(*state.settings);
  if (name.isEmpty()) return;
  const QString copy = name + QStringLiteral(" - Kopie");
  if (!AcceptName(state, copy, -1, fileName)) return;
  // The fields stay: the copy gets whatever they show at "Ok".
  AppendAndSelect(*state.settings, copy);
}

void RenameProfile(AppState& state, const QString& fileName) {
  if (state.settings == nullptr) return;
  const int row = SelectedProfileRow(*state.settings);
  if (row < 0) return;
  const QString oldName = state.settings->profiles.listed[size_t(row)].name;
  const QString newName = ShowInputBox({kTitle,
                                        QStringLiteral("Das Profil '") + oldName +
                                            QStringLiteral("' wird umbenannt.\nBitte den neuen Namen eingeben:"),
                                        QString()});
  if (state.settings == nullptr || !AcceptName(state, newName, row, fileName)) return;
  SettingsWindow& w = *state.settings;
  // The entry keeps the group it stands for; "Ok" gives the group the new name.
  w.profiles.listed[size_t(row)].name = newName;
  w.profileList->item(row)->setText(newName);
  w.profileList->setFocus();
}

void DeleteProfile(AppState& state, const QString& fileName) {
  if (state.settings == nullptr) return;
  const int row = SelectedProfileRow(*state.settings);
  if (row < 0) return;
  if (!AskYesNo(state.settings->window, kTitle,
                QStringLiteral("Wollen Sie das Profil '") + state.settings->profiles.listed[size_t(row)].name +
                    QStringLiteral("' wirklich löschen?"),
                BoxIcon::Question) ||
      state.settings == nullptr) {
    return;
  }
  SettingsWindow& w = *state.settings;
  const ListedProfile deleted = w.profiles.listed[size_t(row)];
  w.profiles.listed.erase(w.profiles.listed.begin() + row);
  // Only an entry that had a group in the file leaves something to remove.
  if (!deleted.storedAs.isEmpty()) w.profiles.deletedGroups.append(deleted.storedAs);
  {
    const QSignalBlocker quiet(w.profileList);
    delete w.profileList->takeItem(row);
  }
  w.profileList->setFocus();
  if (w.profileList->count() == 0) {
    SelectProfileRow(w, -1);
    return;
  }
  SelectProfileRow(w, 0);
  LoadProfileIntoFields(state, fileName);
}
