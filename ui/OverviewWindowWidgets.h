#pragma once
// The overview window's frame: a 480 x 420 tool window owned by and centred on
// the main window, with a wrapping text label and its close button.

#include "ui/Event.h"

class QWidget;
class QLabel;
class QPushButton;

// The overview window exists only while it is open.
struct OverviewWindow {
  QWidget* window = nullptr;
  QLabel* text = nullptr;
  QPushButton* closeButton = nullptr;
};

OverviewWindow* CreateOverviewWindow(QWidget* owner, EventSink sink);
void DestroyOverviewWindow(OverviewWindow* overview);
