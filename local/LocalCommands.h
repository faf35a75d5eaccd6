#pragma once
// The commands of the local list's context menu. They act on the list's
// directory and its selection, report nothing in the message area and leave the
// refresh to the list's watcher.

#include <QString>
#include <functional>

#include "state/AppState.h"

void RenameLocalEntry(AppState& state);      // menu item 11
void CreateLocalDirectory(AppState& state);  // menu item 12
void DeleteLocalEntries(AppState& state);    // menu item 13
void OpenLocalFile(AppState& state);         // menu item 14

// Test hook: while set, OpenLocalFile hands the path here instead of to the
// desktop. An empty function restores the desktop.
using LocalFileOpener = std::function<void(const QString& path)>;
void SetLocalFileOpener(LocalFileOpener opener);
