#pragma once
// The FTP backend library, loaded at start-up by its bare name and called
// through the functions looked up in it.

#include <QLibrary>
#include <QString>

#include "state/AppState.h"
#include "ftp/backend/TarnholmFtp.h"

struct FtpLibrary {
  QLibrary library;
  decltype(&::OpenFTPEx) OpenFTPEx = nullptr;
  decltype(&::CloseFTPEx) CloseFTPEx = nullptr;
  decltype(&::ExamineFTPDirectoryEx) ExamineFTPDirectoryEx = nullptr;
  decltype(&::NextFTPDirectoryEntryEx) NextFTPDirectoryEntryEx = nullptr;
  decltype(&::FTPDirectoryEntryNameEx) FTPDirectoryEntryNameEx = nullptr;
  decltype(&::FTPDirectoryEntrySizeEx) FTPDirectoryEntrySizeEx = nullptr;
  decltype(&::FTPDirectoryEntryDateEx) FTPDirectoryEntryDateEx = nullptr;
  decltype(&::FTPDirectoryEntryTypeEx) FTPDirectoryEntryTypeEx = nullptr;
  decltype(&::FinishFTPDirectoryEx) FinishFTPDirectoryEx = nullptr;
  decltype(&::SetFTPDirectoryEx) SetFTPDirectoryEx = nullptr;
  decltype(&::CreateFTPDirectoryEx) CreateFTPDirectoryEx = nullptr;
  decltype(&::DeleteFTPDirectoryEx) DeleteFTPDirectoryEx = nullptr;
  decltype(&::DeleteFTPFileEx) DeleteFTPFileEx = nullptr;
  decltype(&::RenameFTPFileEx) RenameFTPFileEx = nullptr;
  decltype(&::ReceiveFTPFileEx) ReceiveFTPFileEx = nullptr;
  decltype(&::SendFTPFileEx) SendFTPFileEx = nullptr;
  decltype(&::CheckFTPConnectionEx) CheckFTPConnectionEx = nullptr;
  decltype(&::IsFTPEx) IsFTPEx = nullptr;
  decltype(&::GetFTPDirectoryEx) GetFTPDirectoryEx = nullptr;
  decltype(&::FTPDirectoryEntryAttributesEx) FTPDirectoryEntryAttributesEx = nullptr;
  decltype(&::SetFTPProgressCallbackEx) SetFTPProgressCallbackEx = nullptr;  // optional
  decltype(&::SetFTPTrustCallbackEx) SetFTPTrustCallbackEx = nullptr;        // optional
};

inline constexpr const char* kFtpLibraryName = "tarnholm-ftp";

// Loads the library and looks up its functions. When it cannot be loaded (or
// lacks one of the 20 functions) shows "Error" / "Die DLL wurde nicht
// gefunden." and leaves state.ftp null; the program runs on without FTP.
[[nodiscard]] bool LoadFtpLibrary(AppState& state, const QString& name = QString::fromLatin1(kFtpLibraryName));
void UnloadFtpLibrary(AppState& state);

// True when the library is there. Otherwise tells the user that this command
// cannot run and answers false; every FTP command asks this first.
[[nodiscard]] bool FtpLibraryAvailable(AppState& state);

// The buffers the program hands to every call.
inline char16_t* MessageBuffer(AppState& state) {
  return reinterpret_cast<char16_t*>(state.messageBuffer.data());
}
inline const char16_t* Utf16(const QString& text) { return reinterpret_cast<const char16_t*>(text.utf16()); }
