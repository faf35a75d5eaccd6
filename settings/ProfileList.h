#pragma once
// Profile management inside the settings window: the profile menu's items
// change only the window's list and fields; "Ok" makes them permanent through
// ApplyProfileList.

#include <QString>
#include <QStringList>

#include "app/AppState.h"

// The names of the profile list text ("A°°°B°°°"), in order.
[[nodiscard]] QStringList SplitProfileList(const QString& profileListText);
[[nodiscard]] QString JoinProfileList(const QStringList& names);

// False for names the settings file cannot hold as a group of their own: the
// empty name, a name with "]" or a line break, one that would run into the
// list separator "°°°", and "Global" (the file matches group names ignoring
// ASCII case, so any spelling of it would address the program-wide group).
[[nodiscard]] bool IsUsableProfileName(const QString& name);

// Menu items 21 to 24. Each does nothing while the settings window is closed.
void NewProfile(AppState& state);
void CloneProfile(AppState& state);
void RenameProfile(AppState& state);
void DeleteProfile(AppState& state, const QString& fileName = QStringLiteral("ftp.ini"));

// The profile part of "Ok": switches to `selectedName` when it is not the
// current profile (storing the old profile's folders, reading the new one's),
// rebuilds the profile list text from `names` and removes the groups whose
// names no longer occur in it. File errors are silent.
void ApplyProfileList(AppState& state, const QString& selectedName, const QStringList& names,
                      const QString& fileName = QStringLiteral("ftp.ini"));
