#pragma once
// Turns a top-level window's close box and deactivation into event records.
// The close itself is refused here; the router decides whether it happens.

#include "ui/Event.h"

class QWidget;

void RouteWindowEvents(QWidget* window, WindowId id, EventSink sink);

// Closes a window whose close box the router accepted (bypasses the filter).
void CloseRoutedWindow(QWidget* window);
