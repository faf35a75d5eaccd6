#pragma once
// The commands of the local list's context menu. They act on the list's
// directory and its selection, report nothing in the message area and leave the
// refresh to the list's watcher. What the file system refuses, and a file no
// program opens, is told in a message box.

#include "state/AppState.h"

void RenameLocalEntry(AppState& state);      // menu item 11
void CreateLocalDirectory(AppState& state);  // menu item 12
void DeleteLocalEntries(AppState& state);    // menu item 13
void OpenLocalFile(AppState& state);         // menu item 14
