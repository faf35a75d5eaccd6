#pragma once
// The profile part of the settings window's "Ok": switching the current
// profile and dropping the groups of deleted profiles.

#include <QString>
#include <QStringList>

#include "state/AppState.h"

// Switches to `selectedName` when it is not the current profile (storing the
// old profile's folders, reading the new one's), rebuilds the profile list
// text from `names` and removes the groups whose names no longer occur in it.
// File errors are silent.
void ApplyProfileList(AppState& state, const QString& selectedName, const QStringList& names,
                      const QString& fileName = QStringLiteral("ftp.ini"));
