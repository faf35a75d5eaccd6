#pragma once
// The main window: 840 x 420, fixed, centred, with every widget at its place.

#include "ui/MainWindowWidgets.h"
#include "ui/Event.h"

class QTreeWidget;

// Creates the window and its widgets in their order of creation and routes
// their signals (buttons, server list, close box, the lists' keys, drops on
// either list) to `sink`. Both lists are FileListWidgets.
// The local list is created here but its own events are wired by the
// local-list code, which knows them. The window's font is the default one at
// the largest size at which its captions and list columns fit.
void CreateMainWindow(MainWindowWidgets& widgets, EventSink sink);

// The server list's columns "Name", "Größe" and "Letzte Änderung...", wide
// enough for a typical name, a size and a date.
void SetUpServerListColumns(QTreeWidget* list);
