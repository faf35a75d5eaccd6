#pragma once
// One pass of the program's event loop: every event record goes through here.

#include "state/AppState.h"
#include "ui/Event.h"

// Routes by window to the window's handler, then runs the menu handler for a
// menu choice, then handles the overview window's close button.
void RouteEvent(AppState& state, const Event& event);

// The sink that the widgets report their events to.
[[nodiscard]] EventSink MakeEventSink(AppState& state);

// Answer false only for the close request of their window (and, for the
// overview window, Escape, which closes it as its button does).
[[nodiscard]] bool HandleMainWindowEvent(AppState& state, const Event& event);
[[nodiscard]] bool HandleSettingsWindowEvent(AppState& state, const Event& event);
[[nodiscard]] bool HandleOverviewWindowEvent(AppState& state, const Event& event);
void HandleMenuChoice(AppState& state, const Event& event);
