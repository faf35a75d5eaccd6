#pragma once
// The settings window's frame: an 840 x 420 tool window owned by and centred
// on the main window, with every element at its place, reporting its buttons,
// profile-list clicks, close box, deactivation and Escape (as "Abbrechen") to
// `sink`. Its font is the default one at the largest size at which every
// caption shows whole.

#include "settings/SettingsWindow.h"

[[nodiscard]] SettingsWindow* CreateSettingsWindow(QWidget* owner, const EventSink& sink);
void DestroySettingsWindow(SettingsWindow* settings);
