#pragma once
// The one record of the program's run. Created once at start-up, read and
// changed only on the GUI thread. Every operation takes it (or the part of it
// it needs) as an argument; nothing in here has behaviour of its own.

#include <QString>
#include <cstdint>
#include <memory>

#include "state/KeyMaterial.h"
#include "ui/ContextMenus.h"
#include "ui/MainWindowWidgets.h"
#include "ui/OverviewWindowWidgets.h"

struct FtpLibrary;      // ftp/FtpLibrary.h: the loaded backend and its 20 functions
struct FtpSession;      // ftp/FtpSession.h: the transfer engine, its job and the server list's records
struct LocalListState;  // local/LocalList.h: directory, pattern, sort state, watcher
struct SettingsWindow;  // settings/SettingsWindow.h: the settings window's widgets

struct AppState {
  // Program-wide settings (group Global).
  QString profileName = QStringLiteral("Profil1");
  QString textLocal = QStringLiteral("PC");
  QString textHost = QStringLiteral("FTP-Server");
  int32_t overwrite = 0;
  int32_t tooltipsOff = 0;
  int32_t appPathForTemp = 1;

  // The current profile.
  QString localFolder;  // ends with the separator; empty shows the volume view
  QString hostFolder = QStringLiteral("/");
  QString dnLdFolder = QStringLiteral("ftp.example.org/download");
  QString hostUrl = QStringLiteral("ftp.example.org");
  int32_t hostPort = 21;
  int32_t protocol = 1;
  QString hostUser;
  QString hostPass;  // clear text in memory; stored encoded
  int32_t useCipher = 0;
  QString cipherCode;
  KeyMaterial keyMaterial{};
  bool keyTextInvalid = false;  // encryption is on, but cipherCode is no valid key text

  // Names of all profiles, each followed by "°°°".
  QString profileList;

  // Connection.
  int32_t connection = 0;            // 0 not connected, 1 connected
  int64_t lastConnectClickMs = 0;    // elapsed-time clock reading of the last accepted click
  int64_t connectClockOrigin = -1;   // steady-clock ms of the clock's first reading
  FtpLibrary* ftp = nullptr;         // null when the backend could not be loaded
  // The engine that owns the connection on its worker thread; created on
  // first use, ended (before the library is unloaded) by UnloadFtpLibrary or
  // with this record.
  std::shared_ptr<FtpSession> ftpSession;

  bool quitRequested = false;  // exit button: the loop ends on the next pass
  bool loopLeft = false;        // the event loop has been left; shutdown follows
  bool shutdownDone = false;

  // Windows.
  MainWindowWidgets main;
  ContextMenus menus;
  OverviewWindow* overview = nullptr;   // open overview window, or null
  SettingsWindow* settings = nullptr;   // open settings window, or null
  LocalListState* localListState = nullptr;
};
