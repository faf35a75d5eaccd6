#include "ui/ContextMenus.h"

#include <QAction>
#include <QCursor>
#include <QMenu>

namespace {

constexpr const char* kOwnerProperty = "tarnholmOwner";

QMenu* BuildMenu(std::initializer_list<MenuItemDef> items, const EventSink& sink) {
  auto* menu = new QMenu;
  for (const MenuItemDef& item : items) {
    if (item.number == 0) {
      menu->addSeparator();
      continue;
    }
    QAction* action = menu->addAction(QString::fromUtf8(item.caption));
    action->setData(item.number);
    QObject::connect(action, &QAction::triggered, menu, [menu, sink, number = item.number] {
      const auto owner = static_cast<WindowId>(menu->property(kOwnerProperty).toInt());
      sink(Event{EventKind::MenuChoice, owner, WidgetId::None, EventType::None, number});
    });
  }
  return menu;
}

}  // namespace

void BuildContextMenus(ContextMenus& menus, EventSink sink) {
  menus.server = BuildMenu({{1, "Umbenennen"}, {2, "Verzeichnis erstellen"}, {3, "Löschen"}, {0, ""},
                            {4, "Downloadlink kopieren"}},
                           sink);
  menus.local = BuildMenu({{11, "Umbenennen"}, {12, "Verzeichnis erstellen"}, {13, "Löschen"}, {0, ""},
                           {14, "Öffnen"}},
                          sink);
  menus.profile = BuildMenu({{21, "Neu"}, {22, "Klonen"}, {23, "Umbenennen"}, {24, "Löschen"}}, sink);
}

void ShowContextMenu(QMenu* menu, WindowId owner) {
  if (menu == nullptr) return;
  menu->setProperty(kOwnerProperty, static_cast<int>(owner));
  menu->popup(QCursor::pos());
}

QList<int> MenuItemNumbers(const QMenu* menu) {
  QList<int> numbers;
  for (const QAction* action : menu->actions()) numbers.append(action->isSeparator() ? 0 : action->data().toInt());
  return numbers;
}
