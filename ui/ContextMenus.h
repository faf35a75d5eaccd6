#pragma once
// The three context menus. Every item carries its number; a choice becomes one
// menu-choice event for the window that owns the menu at that moment.

#include <QList>

#include "ui/Event.h"

class QMenu;

// The three context menus, built once at start-up.
struct ContextMenus {
  QMenu* server = nullptr;   // menu 0, items 1 to 4
  QMenu* local = nullptr;    // menu 1, items 11 to 14
  QMenu* profile = nullptr;  // menu 2, items 21 to 24
};

struct MenuItemDef {
  int number;  // 0 stands for a separator
  const char* caption;
};

void BuildContextMenus(ContextMenus& menus, EventSink sink);

// Shows `menu` at the mouse position; a choice is reported for `owner`.
void ShowContextMenu(QMenu* menu, WindowId owner);

// The item numbers of a menu in their order (0 for separators), for checks.
QList<int> MenuItemNumbers(const QMenu* menu);
