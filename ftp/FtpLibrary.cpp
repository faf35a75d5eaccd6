#include "ftp/FtpLibrary.h"

#include <QCoreApplication>
#include <QDir>

#include "ui/MessageBox.h"

namespace {

template <typename Fn>
bool Resolve(QLibrary& library, const char* name, Fn& function) {
  function = reinterpret_cast<Fn>(library.resolve(name));
  return function != nullptr;
}

bool ResolveAll(FtpLibrary& f) {
  QLibrary& l = f.library;
  bool all = Resolve(l, "OpenFTPEx", f.OpenFTPEx);
  all &= Resolve(l, "CloseFTPEx", f.CloseFTPEx);
  all &= Resolve(l, "ExamineFTPDirectoryEx", f.ExamineFTPDirectoryEx);
  all &= Resolve(l, "NextFTPDirectoryEntryEx", f.NextFTPDirectoryEntryEx);
  all &= Resolve(l, "FTPDirectoryEntryNameEx", f.FTPDirectoryEntryNameEx);
  all &= Resolve(l, "FTPDirectoryEntrySizeEx", f.FTPDirectoryEntrySizeEx);
  all &= Resolve(l, "FTPDirectoryEntryDateEx", f.FTPDirectoryEntryDateEx);
  all &= Resolve(l, "FTPDirectoryEntryTypeEx", f.FTPDirectoryEntryTypeEx);
  all &= Resolve(l, "FinishFTPDirectoryEx", f.FinishFTPDirectoryEx);
  all &= Resolve(l, "SetFTPDirectoryEx", f.SetFTPDirectoryEx);
  all &= Resolve(l, "CreateFTPDirectoryEx", f.CreateFTPDirectoryEx);
  all &= Resolve(l, "DeleteFTPDirectoryEx", f.DeleteFTPDirectoryEx);
  all &= Resolve(l, "DeleteFTPFileEx", f.DeleteFTPFileEx);
  all &= Resolve(l, "RenameFTPFileEx", f.RenameFTPFileEx);
  all &= Resolve(l, "ReceiveFTPFileEx", f.ReceiveFTPFileEx);
  all &= Resolve(l, "SendFTPFileEx", f.SendFTPFileEx);
  all &= Resolve(l, "CheckFTPConnectionEx", f.CheckFTPConnectionEx);
  all &= Resolve(l, "IsFTPEx", f.IsFTPEx);
  all &= Resolve(l, "GetFTPDirectoryEx", f.GetFTPDirectoryEx);
  all &= Resolve(l, "FTPDirectoryEntryAttributesEx", f.FTPDirectoryEntryAttributesEx);
  (void)Resolve(l, "SetFTPProgressCallbackEx", f.SetFTPProgressCallbackEx);
  (void)Resolve(l, "SetFTPTrustCallbackEx", f.SetFTPTrustCallbackEx);
  return all;
}

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
  if (LoadByBareName(ftp->library, name) && ResolveAll(*ftp)) {
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
