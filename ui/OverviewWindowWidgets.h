#pragma once
// The overview window's frame: a 480 x 420 tool window owned by and centred on
// the main window, with its text and its close button. The text keeps its own
// line breaks; what does not fit its place is scrolled to. Escape closes the
// window as the button does.

#include "ui/Event.h"

class QWidget;
class QLabel;
class QPushButton;
class QScrollArea;

// The overview window exists only while it is open.
struct OverviewWindow {
  QWidget* window = nullptr;
  QScrollArea* textArea = nullptr;  // the text's place; scrolls the label
  QLabel* text = nullptr;
  QPushButton* closeButton = nullptr;
};

OverviewWindow* CreateOverviewWindow(QWidget* owner, EventSink sink);
void DestroyOverviewWindow(OverviewWindow* overview);
