#include "settings/SettingsStore.h"

#include "settings/PasswordForm.h"
#include "settings/ProfileNames.h"
#include "settings/SettingsFile.h"
#include "ui/MessageBox.h"

namespace {

const QString kErrorTitle = QStringLiteral("Error");

void ReadKey(AppState& state, const SettingKey& key) {
  const QString name = QString::fromLatin1(key.name);
  switch (key.type) {
    case SettingType::Text:
      state.*key.text = SettingsFile::ReadString(
          name, key.keepsCurrent ? state.*key.text : QString::fromUtf16(key.textDefault));
      break;
    case SettingType::Password:
      state.*key.text = DecodePassword(SettingsFile::ReadString(name, QString()));
      break;
    case SettingType::Integer:
      state.*key.integer = SettingsFile::ReadInteger(
          name, key.keepsCurrent ? state.*key.integer : key.integerDefault);
      break;
  }
}

void WriteKey(const AppState& state, const SettingKey& key) {
  const QString name = QString::fromLatin1(key.name);
  switch (key.type) {
    case SettingType::Text:
      SettingsFile::WriteString(name, state.*key.text);
      break;
    case SettingType::Password:
      SettingsFile::WriteString(name, EncodePassword(state.*key.text));
      break;
    case SettingType::Integer:
      SettingsFile::WriteInteger(name, state.*key.integer);
      break;
  }
}

void WriteFolders(const AppState& state) {
  for (const SettingKey& key : kSettingKeys) {
    if (key.text == &AppState::localFolder || key.text == &AppState::hostFolder) WriteKey(state, key);
  }
}

QString BuildProfileList() {
  QString list;
  if (!SettingsFile::RewindGroups()) return list;
  while (SettingsFile::NextGroup()) {
    const QString name = SettingsFile::GroupName();
    if (name != kGlobalGroup) list += name + kProfileSeparator;
  }
  return list;
}

}  // namespace

bool ReadSettingsAtStart(AppState& state, const QString& fileName) {
  if (SettingsFile::Open(fileName)) {
    // A missing group Global reads as all defaults, and then no profile matches.
    (void)SettingsFile::SelectGroup(kGlobalGroup);
    for (const SettingKey& key : kSettingKeys) {
      if (key.group == SettingGroup::Global) ReadKey(state, key);
    }
    state.profileList = BuildProfileList();
    (void)SettingsFile::Close();  // nothing was written
    if (state.profileName.isEmpty() || !state.profileList.contains(state.profileName)) {
      ShowInfo(state.main.window, kErrorTitle,
               QStringLiteral("The file 'ftp.ini' is destroyed. Can't find '") +
                   state.profileName + QLatin1Char('\''));
      return false;
    }
    return true;
  }

  // A file that is there but cannot be read is never replaced: its profiles
  // and keys would be lost.
  const bool unreadable = SettingsFile::Exists(fileName);
  (void)SettingsFile::Close();
  if (unreadable || !SettingsFile::Create(fileName)) {
    ShowInfo(state.main.window, kErrorTitle,
             QStringLiteral("The file 'ftp.ini' is not pesent and can not create."));
    return false;
  }
  (void)SettingsFile::SelectGroup(kGlobalGroup);  // missing: created by the first write
  for (const SettingKey& key : kSettingKeys) {
    if (key.group == SettingGroup::Global) WriteKey(state, key);
  }
  // The first profile is a profile like any other: listed, and with a group
  // of its own from the start, holding what the end of this run would store.
  (void)SettingsFile::SelectGroup(state.profileName);
  WriteFolders(state);
  state.profileList = JoinProfileList({state.profileName});
  // A failed write-back is not fatal here: the run goes on with the start
  // values, and the next start tries again.
  (void)SettingsFile::Close();
  return true;
}

void LoadProfile(AppState& state, const QString& fileName) {
  // A missing file or group simply reads as defaults.
  (void)SettingsFile::Open(fileName);
  (void)SettingsFile::SelectGroup(state.profileName);
  for (const SettingKey& key : kSettingKeys) {
    if (key.group == SettingGroup::Profile) ReadKey(state, key);
  }
  (void)SettingsFile::Close();
}

bool SaveSettings(const AppState& state, const QString& fileName) {
  if (!SettingsFile::Open(fileName)) {
    (void)SettingsFile::Close();  // nothing recorded, so nothing is created
    ShowInfo(state.main.window, kErrorTitle, QStringLiteral("Can't write the file 'ftp.ini'."));
    return false;
  }
  (void)SettingsFile::SelectGroup(kGlobalGroup);
  for (const SettingKey& key : kSettingKeys) {
    // selProfile changes only through the profile switch.
    if (key.group == SettingGroup::Global && key.text != &AppState::profileName) {
      WriteKey(state, key);
    }
  }
  (void)SettingsFile::SelectGroup(state.profileName);
  for (const SettingKey& key : kSettingKeys) {
    if (key.group == SettingGroup::Profile) WriteKey(state, key);
  }
  // The user is told when nothing could be stored (a read-only file, a full
  // disk), not only when the file could not be opened.
  if (!SettingsFile::Close()) {
    ShowInfo(state.main.window, kErrorTitle, QStringLiteral("Can't write the file 'ftp.ini'."));
    return false;
  }
  return true;
}

bool SaveFolders(const AppState& state, const QString& fileName) {
  // Open may fail when the file was deleted meanwhile; the write-back then
  // creates it with just this group.
  (void)SettingsFile::Open(fileName);
  (void)SettingsFile::SelectGroup(state.profileName);
  WriteFolders(state);
  return SettingsFile::Close();
}
