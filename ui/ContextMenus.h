#pragma once
// The three context menus. Every item carries its number; a choice becomes one
// menu-choice event for the window that owns the menu at that moment.

#include "app/AppState.h"
#include "ui/Event.h"

struct MenuItemDef {
  int number;  // 0 stands for a separator
  const char* caption;
};

void BuildContextMenus(ContextMenus& menus, EventSink sink);

// Shows `menu` at the mouse position; a choice is reported for `owner`.
void ShowContextMenu(QMenu* menu, WindowId owner);

// The item numbers of a menu in their order (0 for separators), for checks.
QList<int> MenuItemNumbers(const QMenu* menu);
