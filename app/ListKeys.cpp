#include "app/ListKeys.h"

#include <QTreeWidget>

#include "ftp/ServerList.h"
#include "local/LocalList.h"

void GoUpLocalList(AppState& state) {
  if (OpenLocalParent(state)) FollowLocalList(state);
}

void RefreshLocalListByKey(AppState& state) {
  FillLocalList(state);
  FollowLocalList(state);
}

void OpenSelectedServerEntry(AppState& state) { HandleServerListEvent(state, EventType::DoubleClick); }

void GoUpServerList(AppState& state) {
  QTreeWidget* list = state.main.serverList;
  if (state.connection == 0 || list->topLevelItemCount() == 0) return;
  QTreeWidgetItem* parent = list->topLevelItem(0);
  if (RowKindOfServerItem(parent) != kParentRow) return;
  list->clearSelection();
  parent->setSelected(true);
  HandleServerListEvent(state, EventType::DoubleClick);
}

void RefreshServerListByKey(AppState& state) {
  if (state.connection != 0) RefreshServerList(state);
}
