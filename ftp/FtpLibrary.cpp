#include "ftp/FtpLibrary.h"

#include <QCoreApplication>
#include <QDir>

#include "ui/MessageBox.h"

namespace {

// Like the usual search order for program libraries: the program's own folder
// first (where the portable bundle keeps it), then the system's search path.
bool LoadByBareName(QLibrary& library, const QString& name) {
  if (QCoreApplication::instance() != nullptr) {
    library.setFileName(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("lib") + name));
    if (library.load()) return true;
  }
  library.setFileName(name);
  return library.load();
}

}  // namespace

bool LoadFtpLibrary(AppState& state, const QString& name) {
  auto* ftp = new FtpLibrary;
  if (LoadByBareName(ftp->library, name) && ResolveFtpFunctions(ftp->library, *ftp)) {
    state.ftp = ftp;
    return true;
  }
  if (ftp->library.isLoaded()) ftp->library.unload();
  delete ftp;
  state.ftp = nullptr;
  ShowInfo(nullptr, QStringLiteral("Error"), QStringLiteral("Die DLL wurde nicht gefunden."));
  return false;
}

void UnloadFtpLibrary(AppState& state) {
  // The session's engine calls into the library until it has stopped.
  state.ftpSession.reset();
  state.connection = 0;
  if (state.ftp == nullptr) return;
  state.ftp->library.unload();
  delete state.ftp;
  state.ftp = nullptr;
}

bool FtpLibraryAvailable(AppState& state) {
  if (state.ftp != nullptr) return true;
  ShowInfo(state.main.window, QStringLiteral("Fehler:"),
           QStringLiteral("Die FTP-Bibliothek wurde nicht gefunden.\r\nDiese Funktion steht nicht zur Verfügung."));
  return false;
}
