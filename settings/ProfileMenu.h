#pragma once
// The profile menu of the settings window (items 21 to 24): its commands
// change only the window's list and fields; "Ok" makes them permanent.

#include <QString>

#include "state/AppState.h"

// Each does nothing while the settings window is closed. A new, cloned or
// renamed name that the settings file could not keep apart from another
// profile (the same name but for the case of the letters A to Z) or could not
// hold at all is refused with a message; the list stays as it was.
void NewProfile(AppState& state, const QString& fileName = QStringLiteral("ftp.ini"));
void CloneProfile(AppState& state, const QString& fileName = QStringLiteral("ftp.ini"));
void RenameProfile(AppState& state, const QString& fileName = QStringLiteral("ftp.ini"));
void DeleteProfile(AppState& state, const QString& fileName = QStringLiteral("ftp.ini"));
