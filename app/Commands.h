#pragma once
// The routing tables: which event starts which command. Pure lookups, so the
// tables can be checked without running any command.

#include "ui/Event.h"

enum class Command {
  None,
  EndProgram,             // main window's close box
  FollowLocalList,        // any local-list event; a right click also opens menu 1
  ServerListEvent,        // double click navigates; a right click opens menu 0
  OpenSettingsWindow,
  RequestQuit,            // exit button
  ConnectToggle,
  UploadSelected,
  DownloadSelected,
  OpenOverviewWindow,
  CloseSettingsWindow,    // close box or "Abbrechen": nothing is stored
  ConfirmSettings,
  LoadProfileIntoFields,
  ShowProfileMenu,
  GenerateKey,
  RenameServerEntry,      // menu items 1..4
  CreateServerDirectory,
  DeleteServerEntries,
  CopyDownloadLink,
  RenameLocalEntry,       // menu items 11..14
  CreateLocalDirectory,
  DeleteLocalEntries,
  OpenLocalFile,
  NewProfile,             // menu items 21..24
  CloneProfile,
  RenameProfile,
  DeleteProfile,
  CloseOverviewWindow,
  LocalListUp,            // Backspace in the local list
  RefreshLocalList,       // F5 in the local list
  OpenServerEntry,        // Enter in the server list: as a double click
  ServerListUp,           // Backspace in the server list
  RefreshServerList,      // F5 in the server list
  CancelServerJob,        // the cancel control (or Escape) while a job runs
  SortServerList,         // a click on a server list column header
  DropOnServerList,       // local files and folders dropped on the server list: upload
  DropOnLocalList,        // server entries dropped on the local list: download
};

[[nodiscard]] Command MainWindowCommand(const Event& event);
[[nodiscard]] Command SettingsWindowCommand(const Event& event);
[[nodiscard]] Command MenuCommand(int menuItem);
// The overview window answers only to Escape, which closes it.
[[nodiscard]] Command OverviewWindowCommand(const Event& event);

// Keys, by the window and widget they were pressed in: F5 refreshes, Delete
// and F2 start "Löschen" and "Umbenennen" of the focused list, Backspace goes up
// a level, Enter opens a server folder, Escape closes the settings and the
// overview window as their "Abbrechen" does.
[[nodiscard]] Command KeyCommand(const Event& event);
