#include "settings/ProfileSwitch.h"

#include "settings/ProfileNames.h"
#include "settings/SettingsFile.h"
#include "state/StatusLog.h"

namespace {

const QString kLocalFolderKey = QStringLiteral("LocalFolder");
const QString kHostFolderKey = QStringLiteral("HostFolder");

}  // namespace

void ApplyProfileList(AppState& state, const ListedProfile& selected, const ProfileListEdit& edit,
                      const QString& fileName) {
  const bool switching = selected.name != state.profileName;
  (void)SettingsFile::Open(fileName);
  if (switching) {
    (void)SettingsFile::SelectGroup(kGlobalGroup);
    SettingsFile::WriteString(QStringLiteral("selProfile"), selected.name);
    // Both groups still bear the names they had when the window opened.
    (void)SettingsFile::SelectGroup(state.profileName);
    SettingsFile::WriteString(kLocalFolderKey, state.localFolder);
    SettingsFile::WriteString(kHostFolderKey, state.hostFolder);
    // An entry made in the window has no folders stored yet and keeps the current ones.
    if (!selected.storedAs.isEmpty() && SettingsFile::SelectGroup(selected.storedAs)) {
      state.localFolder = SettingsFile::ReadString(kLocalFolderKey, state.localFolder);
      state.hostFolder = SettingsFile::ReadString(kHostFolderKey, state.hostFolder);
    }
  }

  QList<std::pair<QString, QString>> changes;
  for (const ListedProfile& entry : edit.listed) {
    if (!entry.storedAs.isEmpty() && entry.storedAs != entry.name) changes.append({entry.storedAs, entry.name});
  }
  for (const QString& group : edit.deletedGroups) changes.append({group, QString()});
  SettingsFile::ChangeGroups(changes);
  (void)SettingsFile::Close();

  QStringList names;
  for (const ListedProfile& entry : edit.listed) names.append(entry.name);
  state.profileList = JoinProfileList(names);
  if (switching) {
    state.profileName = selected.name;
    ClearStatusMessages(state);
  }
}
