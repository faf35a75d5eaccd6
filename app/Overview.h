#pragma once
// The overview window: the program's explanatory text, opened by its button.

#include "state/AppState.h"
#include "ui/Event.h"

[[nodiscard]] QString OverviewText();

// Does nothing while the settings or the overview window is open.
void OpenOverviewWindow(AppState& state, const EventSink& sink);
void CloseOverviewWindow(AppState& state);
