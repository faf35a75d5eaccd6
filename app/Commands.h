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
  CancelServerJob,        // the cancel control (or Escape) while a job runs
};

[[nodiscard]] Command MainWindowCommand(const Event& event);
[[nodiscard]] Command SettingsWindowCommand(const Event& event);
[[nodiscard]] Command MenuCommand(int menuItem);
