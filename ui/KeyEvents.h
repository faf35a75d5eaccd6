#pragma once
// Turns key presses into event records. The keys are taken from the widget:
// it does not act on them itself.

#include <initializer_list>

#include "ui/Event.h"

class QWidget;

// Reports each of `keys` pressed without modifiers in `widget` as a key event
// of `window` and `id`. Installed on a window, it also gets the keys that the
// focused child leaves unhandled (Escape in a text field, say).
void RouteKeys(QWidget* widget, WindowId window, WidgetId id, std::initializer_list<KeyId> keys, EventSink sink);
