#pragma once
// The message area's running log and the main window's tooltips.

#include <QStringList>

#include "state/AppState.h"

// Appends "hh:ii:ss" + three blanks + the text, after trailing LFs and then
// trailing CRs were cut off, and scrolls to the end.
void AppendStatusMessage(AppState& state, const QString& text);
// The same for several lines at once, all with the time of now: one update
// of the message area instead of one per line.
void AppendStatusMessages(AppState& state, const QStringList& texts);

// The text as it goes into the message area, without the time stamp.
[[nodiscard]] QString TrimStatusText(const QString& text);

void ClearStatusMessages(AppState& state);

// The nine tooltips, or none while TooltipsOff is set.
void ApplyTooltips(AppState& state);
