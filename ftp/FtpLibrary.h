#pragma once
// The FTP backend library, loaded at start-up by its bare name and called
// through the functions looked up in it (by the transfer engine alone).

#include <QLibrary>
#include <QString>

#include "ftp/FtpFunctions.h"
#include "state/AppState.h"

struct FtpLibrary : FtpFunctions {
  QLibrary library;
};

inline constexpr const char* kFtpLibraryName = "tarnholm-ftp";

// Loads the library and looks up its functions. When it cannot be loaded (or
// lacks one of the 20 functions) shows "Error" / "Die DLL wurde nicht
// gefunden." and leaves state.ftp null; the program runs on without FTP.
[[nodiscard]] bool LoadFtpLibrary(AppState& state, const QString& name = QString::fromLatin1(kFtpLibraryName));

// Ends the transfer engine (which alone calls the library), then unloads it.
void UnloadFtpLibrary(AppState& state);

// True when the library is there. Otherwise tells the user that this command
// cannot run and answers false; every FTP command asks this first.
[[nodiscard]] bool FtpLibraryAvailable(AppState& state);
