#pragma once
// The FTP back end loaded as the program loads it: by file name at run time,
// each function looked up by its exported C name.

#include <string>

#include "ftp/backend/TarnholmFtp.h"

namespace tarnholm::testing {

struct BackendLib {
  void* handle = nullptr;
  decltype(&OpenFTPEx) Open = nullptr;
  decltype(&CloseFTPEx) Close = nullptr;
  decltype(&ExamineFTPDirectoryEx) Examine = nullptr;
  decltype(&NextFTPDirectoryEntryEx) Next = nullptr;
  decltype(&FTPDirectoryEntryNameEx) EntryName = nullptr;
  decltype(&FTPDirectoryEntrySizeEx) EntrySize = nullptr;
  decltype(&FTPDirectoryEntryDateEx) EntryDate = nullptr;
  decltype(&FTPDirectoryEntryTypeEx) EntryType = nullptr;
  decltype(&FTPDirectoryEntryAttributesEx) EntryAttributes = nullptr;
  decltype(&FinishFTPDirectoryEx) Finish = nullptr;
  decltype(&SetFTPDirectoryEx) SetDirectory = nullptr;
  decltype(&GetFTPDirectoryEx) GetDirectory = nullptr;
  decltype(&CreateFTPDirectoryEx) CreateDirectory = nullptr;
  decltype(&DeleteFTPDirectoryEx) DeleteDirectory = nullptr;
  decltype(&DeleteFTPFileEx) DeleteFile = nullptr;
  decltype(&RenameFTPFileEx) Rename = nullptr;
  decltype(&ReceiveFTPFileEx) Receive = nullptr;
  decltype(&SendFTPFileEx) Send = nullptr;
  decltype(&CheckFTPConnectionEx) Check = nullptr;
  decltype(&IsFTPEx) IsFtp = nullptr;
  decltype(&SetFTPProgressCallbackEx) SetProgress = nullptr;
  decltype(&SetFTPTrustCallbackEx) SetTrust = nullptr;
};

// Loads the library at path and resolves every function; false with error
// naming the first one missing.
[[nodiscard]] bool LoadBackend(const std::string& path, BackendLib& out, std::string& error);

// The library this build made (TARNHOLM_FTP_LIBRARY), loaded once per process;
// fails the current test when it cannot be loaded.
[[nodiscard]] const BackendLib& Backend();

}  // namespace tarnholm::testing
