#pragma once
// The settings file's contents: which keys the group Global and each profile
// group hold, their defaults, and the operations that move them between the
// file and the application state.
//
// The file is named by its bare name, so it lives in the process's current
// directory; tests pass another name.

#include "state/AppState.h"

#include <QString>
#include <array>
#include <cstdint>

enum class SettingGroup : uint8_t { Global, Profile };
enum class SettingType : uint8_t { Text, Integer, Password };

// One key of the file. `text` is set for Text and Password keys, `integer` for
// Integer keys. When the key is missing on reading, the field keeps its value
// if `keepsCurrent`, otherwise it gets the default of this row.
struct SettingKey {
  SettingGroup group;
  const char* name;
  SettingType type;
  QString AppState::*text;
  int32_t AppState::*integer;
  bool keepsCurrent;
  const char16_t* textDefault;
  int32_t integerDefault;
};

namespace settings_schema {
constexpr SettingKey Text(SettingGroup g, const char* name, QString AppState::*field,
                          const char16_t* def) {
  return {g, name, SettingType::Text, field, nullptr, false, def, 0};
}
constexpr SettingKey KeptText(SettingGroup g, const char* name, QString AppState::*field) {
  return {g, name, SettingType::Text, field, nullptr, true, u"", 0};
}
constexpr SettingKey Integer(SettingGroup g, const char* name, int32_t AppState::*field,
                             int32_t def) {
  return {g, name, SettingType::Integer, nullptr, field, false, u"", def};
}
constexpr SettingKey Password(SettingGroup g, const char* name, QString AppState::*field) {
  return {g, name, SettingType::Password, field, nullptr, false, u"", 0};
}
}  // namespace settings_schema

// Every key in the order a new group receives them.
inline constexpr std::array<SettingKey, 16> kSettingKeys = [] {
  using namespace settings_schema;
  constexpr SettingGroup G = SettingGroup::Global;
  constexpr SettingGroup P = SettingGroup::Profile;
  return std::array<SettingKey, 16>{
      Text(G, "selProfile", &AppState::profileName, u"Profil1"),
      Text(G, "TextLocal", &AppState::textLocal, u"PC"),
      Text(G, "TextHost", &AppState::textHost, u"FTP-Server"),
      Integer(G, "Overwrite", &AppState::overwrite, 0),
      Integer(G, "TooltipsOff", &AppState::tooltipsOff, 0),
      Integer(G, "AppPathForTemp", &AppState::appPathForTemp, 1),

      KeptText(P, "LocalFolder", &AppState::localFolder),
      KeptText(P, "HostFolder", &AppState::hostFolder),
      KeptText(P, "DnLdFolder", &AppState::dnLdFolder),
      Integer(P, "Protocol", &AppState::protocol, 1),
      KeptText(P, "HostURL", &AppState::hostUrl),
      Integer(P, "HostPort", &AppState::hostPort, 21),
      Text(P, "HostUser", &AppState::hostUser, u""),
      Password(P, "HostPass", &AppState::hostPass),
      Integer(P, "UseCipher", &AppState::useCipher, 0),
      Text(P, "CipherCode", &AppState::cipherCode, u""),
  };
}();

// Reads the group Global and builds the profile list, or creates the file with
// the group Global and the current profile's group (its folders) when there is
// none. False means the program must end at once: the "Error" box has been
// shown and nothing was written. A file that is there but cannot be read ends
// the program too, rather than being replaced.
[[nodiscard]] bool ReadSettingsAtStart(AppState& state,
                                       const QString& fileName = QStringLiteral("ftp.ini"));

// Reads the current profile's group; a missing file, group or key gives the
// defaults of the schema.
void LoadProfile(AppState& state, const QString& fileName = QStringLiteral("ftp.ini"));

// Writes the program-wide settings (not selProfile) and all keys of the current
// profile. When the file cannot be opened or written, shows the "Error" box.
// False when nothing could be stored.
[[nodiscard]] bool SaveSettings(const AppState& state,
                                const QString& fileName = QStringLiteral("ftp.ini"));

// Writes LocalFolder and HostFolder into the current profile's group; a missing
// file or group is created. False when the write failed (not reported).
[[nodiscard]] bool SaveFolders(const AppState& state,
                               const QString& fileName = QStringLiteral("ftp.ini"));
