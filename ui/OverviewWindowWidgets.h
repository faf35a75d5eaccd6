#pragma once
// The overview window's frame: a 480 x 420 tool window owned by and centred on
// the main window, with a wrapping text label and its close button.

#include "app/AppState.h"
#include "ui/Event.h"

OverviewWindow* CreateOverviewWindow(QWidget* owner, EventSink sink);
void DestroyOverviewWindow(OverviewWindow* overview);
