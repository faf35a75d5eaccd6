#include "settings/ProfileSwitch.h"

#include "settings/ProfileNames.h"
#include "settings/SettingsFile.h"
#include "state/StatusLog.h"

namespace {

const QString kLocalFolderKey = QStringLiteral("LocalFolder");
const QString kHostFolderKey = QStringLiteral("HostFolder");

}  // namespace

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
