#pragma once
// Shared by the local list's own files: the list's state when a list is set up,
// and the one way its events reach the program.

#include "local/LocalList.h"

// The state of a set-up list whose widget still exists, or null.
inline LocalListState* LocalListStateOf(const AppState& state) {
  LocalListState* s = state.localListState;
  return s && s->list ? s : nullptr;
}

// Rows changing while the list fills or sorts itself are no user events.
inline void EmitLocalListEvent(LocalListState& s, EventType type) {
  if (!s.filling && s.emitEvent) s.emitEvent(type);
}
