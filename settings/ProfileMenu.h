#pragma once
// The profile menu of the settings window (items 21 to 24): its commands
// change only the window's list and fields; "Ok" makes them permanent.

#include <QString>

#include "state/AppState.h"

// Each does nothing while the settings window is closed.
void NewProfile(AppState& state);
void CloneProfile(AppState& state);
void RenameProfile(AppState& state);
void DeleteProfile(AppState& state, const QString& fileName = QStringLiteral("ftp.ini"));
