#pragma once
// The main window: 840 x 420, fixed, centred, with every widget at its place.

#include "ui/MainWindowWidgets.h"
#include "ui/Event.h"

// Creates the window and its widgets in their order of creation and routes
// their signals (buttons, server list, close box) to `sink`. The local list is
// created here but wired by the local-list code, which knows its events.
void CreateMainWindow(MainWindowWidgets& widgets, EventSink sink);
